// The grid component and the row marking shared by the program's grids.
#include "base/mdlUtil.h"
#include "widgets/ui/FlexGrid.h"
#include "widgets/ui/mdlFunzioniMSHFlexGrid.h"
#include "widgets/ui/pictures.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace mdlFunzioniMSHFlexGrid;

namespace {

// A grid of rows x cols with "r,c" texts in the data cells.
void fill(FlexGrid &g, int rows, int cols)
{
    g.setCols(cols);
    g.setRows(rows);
    for (int r = 1; r < rows; ++r)
        for (int c = 1; c < cols; ++c)
            g.setTextMatrix(r, c, QStringLiteral("%1,%2").arg(r).arg(c));
}

bool rowHasNormalColours(const FlexGrid &g, int r)
{
    for (int c = 1; c < g.cols(); ++c)
        if (g.cellBackColorAt(r, c) != g.backColor() || g.cellForeColorAt(r, c) != g.foreColor())
            return false;
    return true;
}

bool rowIsMarked(const FlexGrid &g, int r)
{
    if (g.cellPictureAt(r, 0).isNull() || g.cellPictureAlignmentAt(r, 0) != 7)
        return false;
    for (int c = 1; c < g.cols(); ++c)
        if (g.cellBackColorAt(r, c) != g.backColorSel() || g.cellForeColorAt(r, c) != g.foreColorSel())
            return false;
    return true;
}

QStringList column(const FlexGrid &g, int c)
{
    QStringList out;
    for (int r = 1; r < g.rows(); ++r)
        out << g.textMatrix(r, c);
    return out;
}

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &pos)
{
    QMouseEvent e(type, QPointF(pos), target->mapToGlobal(QPointF(pos)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &e);
}

QPoint headerPoint(FlexGrid &g, int gridColumn)
{
    QHeaderView *h = g.horizontalHeader();
    const int s = gridColumn - 1;
    return {h->sectionViewportPosition(s) + h->sectionSize(s) / 2, h->height() / 2};
}

} // namespace

class TestFlexGrid : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void modelStaysConsistent();
    void formatStringSetsHeaderWidthsAndAlignment();
    void currentCellPropertiesAndClear();
    void evidenziaRigaOnSevenColumns();
    void togliEvidenziazioneRiga();
    void azzeraEvidenziazione();
    void routinesNeverRaiseSelectionChange();
    void sortSettings();
    void userSelectionMovesTheMark();
    void selectionOnOneDataRowLeavesMarks();
    void headerPressSortsAndMarksRowOne();
    void pointersOverFixedCells();
    void missingIconsAreDrawn();
    void iconFilesAreUsedWhenPresent();

private:
    QTemporaryDir m_emptyFolder;
};

void TestFlexGrid::init()
{
    // No icon files: every test runs with the drawn pictures unless it says otherwise.
    mdlUtil::setCartellaApplicazione(m_emptyFolder.path());
    Pictures::clearCache();
}

void TestFlexGrid::modelStaysConsistent()
{
    FlexGrid g;
    QAbstractItemModelTester tester(g.gridModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    fill(g, 6, 4);
    QCOMPARE(g.gridModel()->rowCount(), 5);
    QCOMPARE(g.gridModel()->columnCount(), 3);
    QCOMPARE(g.gridModel()->data(g.gridModel()->index(1, 2)).toString(), QStringLiteral("2,3"));
    QCOMPARE(g.gridModel()->headerData(0, Qt::Horizontal).toString(), g.textMatrix(0, 1));
    g.setTextMatrix(0, 2, QStringLiteral("Head"));
    QCOMPARE(g.gridModel()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Head"));
    g.setCol(2);
    g.sort(7);
    g.setCols(7);
    g.setRows(3);
    {
        FlexGrid::Batch b(g); // rows grow inside a batch: the model is rebuilt once
        g.setRows(200);
        for (int r = 1; r < 200; ++r)
            g.setTextMatrix(r, 1, QString::number(200 - r));
    }
    QCOMPARE(g.gridModel()->rowCount(), 199);
    QCOMPARE(g.textMatrix(199, 1), QStringLiteral("1"));
    g.setCol(1);
    g.sort(3);
    QCOMPARE(g.textMatrix(1, 1), QStringLiteral("1"));
    AzzeraEvidenziazione(g);
    EvidenziaRiga(g, 5);
    g.clear();
    QCOMPARE(g.rows(), 200);
    QCOMPARE(g.textMatrix(5, 1), QString());
    g.setRows(1);
    QCOMPARE(g.gridModel()->rowCount(), 0);
}

void TestFlexGrid::formatStringSetsHeaderWidthsAndAlignment()
{
    FlexGrid g;
    const QString format = QString(5, QLatin1Char(' ')) + QStringLiteral("|<Record |<Eurovoc concept")
                           + QString(40, QLatin1Char(' ')) + QStringLiteral("|<Mapping relation |>Target|^Mid");
    g.setFormatString(format);
    QCOMPARE(g.cols(), 6);
    QCOMPARE(g.formatString(), format);
    QCOMPARE(g.textMatrix(0, 1), QStringLiteral("Record "));
    QCOMPARE(g.textMatrix(0, 2).trimmed(), QStringLiteral("Eurovoc concept"));
    QCOMPARE(g.textMatrix(0, 3), QStringLiteral("Mapping relation "));
    QCOMPARE(g.colAlignment(2), Qt::AlignLeft);
    QCOMPARE(g.colAlignment(4), Qt::AlignRight);
    QCOMPARE(g.colAlignment(5), Qt::AlignHCenter);
    // The blanks widen a column: 40 blanks make column 2 far wider than its title.
    const QFontMetrics fm(g.horizontalHeader()->font());
    QVERIFY(g.colWidth(2) > fm.horizontalAdvance(QStringLiteral("Eurovoc concept")) + fm.horizontalAdvance(QString(30, QLatin1Char(' '))));
    QVERIFY(g.colWidth(0) < g.colWidth(1));
    QCOMPARE(g.horizontalHeader()->sectionSize(1), g.colWidth(2));
    QCOMPARE(g.verticalHeader()->width(), g.colWidth(0));
    // A width the user drags survives the marking and reloading of rows.
    g.setRows(4);
    g.horizontalHeader()->resizeSection(1, 333);
    EvidenziaRiga(g, 2);
    {
        FlexGrid::Batch b(g);
        g.setRows(40);
    }
    QCOMPARE(g.colWidth(2), 333);
    QCOMPARE(g.horizontalHeader()->sectionSize(1), 333);
}

void TestFlexGrid::currentCellPropertiesAndClear()
{
    FlexGrid g;
    fill(g, 4, 3);
    QCOMPARE(g.row(), 1);
    QCOMPARE(g.col(), 1);
    g.setRow(2);
    g.setCol(2);
    QCOMPARE(g.rowSel(), 2);
    QCOMPARE(g.text(), QStringLiteral("2,2"));
    g.setText(QStringLiteral("x"));
    g.setCellBackColor(Qt::red);
    g.setCellForeColor(Qt::yellow);
    QCOMPARE(g.textMatrix(2, 2), QStringLiteral("x"));
    QCOMPARE(g.cellBackColorAt(2, 2), QColor(Qt::red));
    QCOMPARE(g.gridModel()->data(g.gridModel()->index(1, 1), Qt::BackgroundRole).value<QBrush>().color(),
             QColor(Qt::red));
    // Out-of-range moves are ignored rather than leaving the grid on a missing cell.
    g.setRow(9);
    g.setCol(-1);
    QCOMPARE(g.row(), 2);
    QCOMPARE(g.col(), 2);
    g.clear();
    QCOMPARE(g.textMatrix(2, 2), QString());
    QCOMPARE(g.cellBackColorAt(2, 2), g.backColor());
    QCOMPARE(g.cellBackColorAt(0, 1), g.backColorFixed());
    QCOMPARE(g.rows(), 4);
    // Shrinking keeps the current cell inside the grid.
    g.setRows(2);
    QCOMPARE(g.row(), 1);
}

void TestFlexGrid::evidenziaRigaOnSevenColumns()
{
    FlexGrid g;
    fill(g, 6, 7);
    QCOMPARE(EvidenziaRiga(g, 3), 3);
    QVERIFY(rowIsMarked(g, 3));
    for (int c = 1; c < 7; ++c)
        QCOMPARE(g.cellBackColorAt(3, c), g.backColorSel());
    QCOMPARE(g.rowSel(), 3);
    QCOMPARE(g.row(), 3);
    QCOMPARE(g.col(), 1);
    for (int r : {1, 2, 4, 5}) {
        QVERIFY(g.cellPictureAt(r, 0).isNull());
        QVERIFY(rowHasNormalColours(g, r));
    }
    // The arrow is the row-mark picture, right-aligned and vertically centred.
    QCOMPARE(g.cellPictureAt(3, 0).cacheKey(), rowMarkPicture().cacheKey());
    QCOMPARE(g.cellPictureAlignmentAt(3, 0), RowMarkAlignment);
    // Texts are untouched.
    QCOMPARE(g.textMatrix(3, 6), QStringLiteral("3,6"));
}

void TestFlexGrid::togliEvidenziazioneRiga()
{
    FlexGrid g;
    fill(g, 5, 7);
    EvidenziaRiga(g, 2);
    g.setRow(4);
    g.setCol(5);
    TogliEvidenziazioneRiga(g, 0);
    TogliEvidenziazioneRiga(g, -3);
    QVERIFY(rowIsMarked(g, 2));
    QCOMPARE(g.row(), 4);
    QCOMPARE(g.col(), 5);
    QCOMPARE(g.cellBackColorAt(0, 3), g.backColorFixed());

    TogliEvidenziazioneRiga(g, 2);
    QVERIFY(g.cellPictureAt(2, 0).isNull());
    QVERIFY(rowHasNormalColours(g, 2));
    QCOMPARE(g.textMatrix(2, 1), QStringLiteral("2,1"));
}

void TestFlexGrid::azzeraEvidenziazione()
{
    FlexGrid g;
    fill(g, 6, 5);
    EvidenziaRiga(g, 1);
    EvidenziaRiga(g, 4);
    g.setRow(0);
    g.setCol(2);
    g.setCellBackColor(Qt::green);
    g.setCellForeColor(Qt::blue);
    AzzeraEvidenziazione(g);
    for (int r = 1; r < g.rows(); ++r) {
        QVERIFY(g.cellPictureAt(r, 0).isNull());
        QVERIFY(rowHasNormalColours(g, r));
    }
    for (int c = 0; c < g.cols(); ++c) {
        QCOMPARE(g.cellBackColorAt(0, c), g.backColorFixed());
        QCOMPARE(g.cellForeColorAt(0, c), g.foreColorFixed());
    }
    QCOMPARE(g.row(), 0);
    QCOMPARE(g.col(), g.cols() - 1);
    // With the current cell in the header there is no current data cell in the view.
    QVERIFY(!g.currentIndex().isValid());
}

void TestFlexGrid::routinesNeverRaiseSelectionChange()
{
    FlexGrid g;
    fill(g, 8, 7);
    g.show();
    QSignalSpy spy(&g, &FlexGrid::selChange);
    EvidenziaRiga(g, 5);
    TogliEvidenziazioneRiga(g, 5);
    AzzeraEvidenziazione(g);
    g.setRow(3);
    g.setCol(2);
    QCOMPARE(spy.count(), 0);
    // The view follows the grid's current cell.
    QCOMPARE(g.currentIndex(), g.gridModel()->index(2, 1));
}

void TestFlexGrid::sortSettings()
{
    FlexGrid g;
    g.setCols(3);
    g.setRows(6);
    const QStringList ids = {QStringLiteral("10"), QStringLiteral("2"), QStringLiteral("9"),
                             QStringLiteral("DEL -- 4"), QStringLiteral("100")};
    const QStringList labels = {QStringLiteral("alpha"), QStringLiteral("Zeta"), QStringLiteral("beta"),
                                QStringLiteral("Alpha"), QStringLiteral("zeta")};
    for (int r = 1; r < 6; ++r) {
        g.setTextMatrix(r, 1, ids.at(r - 1));
        g.setTextMatrix(r, 2, labels.at(r - 1));
    }
    // Colours travel with their row.
    EvidenziaRiga(g, 2); // the row of "2"
    g.setCol(1);
    g.sort(3);
    QCOMPARE(column(g, 1), (QStringList{QStringLiteral("DEL -- 4"), QStringLiteral("2"), QStringLiteral("9"),
                                        QStringLiteral("10"), QStringLiteral("100")}));
    QCOMPARE(column(g, 2), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Zeta"), QStringLiteral("beta"),
                                        QStringLiteral("alpha"), QStringLiteral("zeta")}));
    QVERIFY(rowIsMarked(g, 2));
    QVERIFY(rowHasNormalColours(g, 1));

    g.setCol(2);
    g.sort(7); // case significant: capitals first
    QCOMPARE(column(g, 2), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Zeta"), QStringLiteral("alpha"),
                                        QStringLiteral("beta"), QStringLiteral("zeta")}));
    g.sort(5); // case ignored, equal texts keep their order
    QCOMPARE(column(g, 2), (QStringList{QStringLiteral("Alpha"), QStringLiteral("alpha"), QStringLiteral("beta"),
                                        QStringLiteral("Zeta"), QStringLiteral("zeta")}));
    g.setCol(1);
    g.sort(4);
    QCOMPARE(column(g, 1).first(), QStringLiteral("100"));
    QCOMPARE(column(g, 1).last(), QStringLiteral("DEL -- 4"));
}

void TestFlexGrid::userSelectionMovesTheMark()
{
    FlexGrid g;
    fill(g, 6, 7);
    int marked = 0, current = 0;
    FlexGridEvents events(g, marked, current, [](int) { return 7; });
    g.resize(600, 300);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));

    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(g.gridModel()->index(2, 3)).center());
    QCOMPARE(current, 3);
    QCOMPARE(marked, 3);
    QVERIFY(rowIsMarked(g, 3));
    QCOMPARE(g.col(), 1); // the marking leaves the current column at 1

    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(g.gridModel()->index(0, 2)).center());
    QCOMPARE(marked, 1);
    QVERIFY(rowIsMarked(g, 1));
    QVERIFY(rowHasNormalColours(g, 3));
    QVERIFY(g.cellPictureAt(3, 0).isNull());

    g.setFocus();
    QTest::keyClick(&g, Qt::Key_Down);
    QCOMPARE(marked, 2);
    QVERIFY(rowIsMarked(g, 2));
    QVERIFY(g.cellPictureAt(1, 0).isNull());
    QTest::keyClick(&g, Qt::Key_End); // other keys are left to the grid alone
    QVERIFY(!events.busy());
    int markedRows = 0;
    for (int r = 1; r < g.rows(); ++r)
        markedRows += g.cellPictureAt(r, 0).isNull() ? 0 : 1;
    QCOMPARE(markedRows, 1);
}

void TestFlexGrid::selectionOnOneDataRowLeavesMarks()
{
    FlexGrid g;
    fill(g, 2, 4);
    int marked = 0, current = 0;
    FlexGridEvents events(g, marked, current, [](int) { return 7; });
    g.show();
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(g.gridModel()->index(0, 1)).center());
    QCOMPARE(marked, 0);
    QCOMPARE(current, 0);
    QVERIFY(g.cellPictureAt(1, 0).isNull());
    QVERIFY(rowHasNormalColours(g, 1));
}

void TestFlexGrid::headerPressSortsAndMarksRowOne()
{
    FlexGrid g;
    g.setFormatString(QStringLiteral("  |<Record |<Label"));
    g.setRows(4);
    const QStringList ids = {QStringLiteral("10"), QStringLiteral("2"), QStringLiteral("9")};
    const QStringList labels = {QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("C")};
    for (int r = 1; r < 4; ++r) {
        g.setTextMatrix(r, 1, ids.at(r - 1));
        g.setTextMatrix(r, 2, labels.at(r - 1));
    }
    int marked = 0, current = 0;
    QList<int> askedFor;
    FlexGridEvents events(g, marked, current, [&](int column) {
        askedFor << column;
        return column == 1 ? 3 : 7;
    });
    g.resize(500, 200);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    EvidenziaRiga(g, 3);
    QSignalSpy spy(&g, &FlexGrid::selChange);

    QTest::mouseClick(g.horizontalHeader()->viewport(), Qt::LeftButton, {}, headerPoint(g, 1));
    QCOMPARE(askedFor, QList<int>{1});
    QCOMPARE(column(g, 1), (QStringList{QStringLiteral("2"), QStringLiteral("9"), QStringLiteral("10")}));
    QCOMPARE(marked, 1);
    QVERIFY(rowIsMarked(g, 1));
    QVERIFY(rowHasNormalColours(g, 3));
    QVERIFY(g.cellPictureAt(3, 0).isNull());

    QTest::mouseClick(g.horizontalHeader()->viewport(), Qt::LeftButton, {}, headerPoint(g, 2));
    QCOMPARE(column(g, 2), (QStringList{QStringLiteral("C"), QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(column(g, 1), (QStringList{QStringLiteral("9"), QStringLiteral("2"), QStringLiteral("10")}));
    QCOMPARE(spy.count(), 0);

    // A press on a data cell does not sort.
    const QStringList before = column(g, 2);
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(g.gridModel()->index(2, 1)).center());
    QCOMPARE(column(g, 2), before);
    QCOMPARE(marked, 3);
}

void TestFlexGrid::pointersOverFixedCells()
{
    FlexGrid g;
    fill(g, 5, 4);
    int marked = 0, current = 0;
    FlexGridEvents events(g, marked, current, [](int) { return 7; });
    g.resize(400, 200);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));

    QHeaderView *v = g.verticalHeader();
    sendMouse(v->viewport(), QEvent::MouseMove, QPoint(v->width() / 2, v->sectionViewportPosition(1) + 2));
    QCOMPARE(g.mouseCol(), 0);
    QCOMPARE(g.mouseRow(), 2);
    QCOMPARE(g.mousePointer(), 99);
    QCOMPARE(g.mouseIcon().cacheKey(), selectRowPointer().cacheKey());
    QCOMPARE(g.cursor().pixmap().size(), selectRowPointer().size());

    sendMouse(g.horizontalHeader()->viewport(), QEvent::MouseMove, headerPoint(g, 2));
    QCOMPARE(g.mouseRow(), 0);
    QCOMPARE(g.mouseCol(), 2);
    QCOMPARE(g.mouseIcon().cacheKey(), selectColPointer().cacheKey());

    // Cell (0, 0): the column test comes first.
    QWidget *corner = g.findChild<QAbstractButton *>();
    QVERIFY(corner);
    sendMouse(corner, QEvent::MouseMove, QPoint(1, 1));
    QCOMPARE(g.mouseRow(), 0);
    QCOMPARE(g.mouseCol(), 0);
    QCOMPARE(g.mouseIcon().cacheKey(), selectRowPointer().cacheKey());

    const QPoint inside = g.visualRect(g.gridModel()->index(1, 1)).center();
    sendMouse(g.viewport(), QEvent::MouseMove, inside);
    QCOMPARE(g.mouseRow(), 2);
    QCOMPARE(g.mouseCol(), 2);
    QCOMPARE(g.mousePointer(), 0);
    QCOMPARE(g.cursor().shape(), Qt::ArrowCursor);
    // The icon is left as it was.
    QCOMPARE(g.mouseIcon().cacheKey(), selectRowPointer().cacheKey());
}

void TestFlexGrid::missingIconsAreDrawn()
{
    QVERIFY(Pictures::ico(QStringLiteral("freccia4")).isNull());
    const QPixmap mark = rowMarkPicture();
    QVERIFY(!mark.isNull());
    QVERIFY(!selectRowPointer().isNull());
    QVERIFY(!selectColPointer().isNull());
    QVERIFY(selectRowPointer().toImage() != selectColPointer().toImage());
    // Drawn once and reused.
    QCOMPARE(rowMarkPicture().cacheKey(), mark.cacheKey());
    FlexGrid g;
    fill(g, 3, 3);
    QCOMPARE(EvidenziaRiga(g, 2), 2);
    QVERIFY(!g.cellPictureAt(2, 0).isNull());
}

void TestFlexGrid::iconFilesAreUsedWhenPresent()
{
    QTemporaryDir folder;
    QImage arrow(20, 20, QImage::Format_ARGB32);
    arrow.fill(Qt::red);
    QVERIFY(arrow.save(folder.filePath(QStringLiteral("freccia4.ico")), "ICO"));
    QImage row(32, 32, QImage::Format_ARGB32);
    row.fill(Qt::blue);
    QVERIFY(row.save(folder.filePath(QStringLiteral("IDC_SELECTROW.ico")), "ICO"));
    mdlUtil::setCartellaApplicazione(folder.path());
    Pictures::clearCache();

    QCOMPARE(rowMarkPicture().size(), QSize(20, 20));
    QCOMPARE(rowMarkPicture().toImage().pixelColor(5, 5), QColor(Qt::red));
    QCOMPARE(selectRowPointer().size(), QSize(32, 32));
    // The column pointer file is missing: it is drawn, the others still come from their files.
    QVERIFY(!selectColPointer().isNull());
    QVERIFY(selectColPointer().toImage().pixelColor(0, 0) != QColor(Qt::blue));
    // Read once: removing the file later changes nothing.
    const qint64 key = rowMarkPicture().cacheKey();
    QFile::remove(folder.filePath(QStringLiteral("freccia4.ico")));
    QCOMPARE(rowMarkPicture().cacheKey(), key);
}

QTEST_MAIN(TestFlexGrid)
#include "test_flexgrid.moc"
