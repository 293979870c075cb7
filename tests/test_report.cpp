// The mapping report window: listing, deleting, modifying, adding, reloading,
// sorting and its layout.
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "base/twips.h"
#include "data/cConnessione.h"
#include "data/mdlGlobale.h"
#include "report/report.h"
#include "report/ui/frmReportMapping.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "support/testdb.h"
#include "widgets/ui/FlexGrid.h"
#include "widgets/ui/mdlFunzioniMSHFlexGrid.h"
#include "workspace/ui/frmRisultatoMapping.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace mdlGlobale;

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listsEveryRelationInIdOrder();
    void nullTextsShowEmpty();
    void noRelation();
    void menuAgainRefillsTheSameWindow();
    void deleteMarksTheRow();
    void deleteAndModifyRefuseRowsWithoutRelation();
    void failedDeleteChangesNothing();
    void deletedRowsWithoutTheWindow();
    void headerSortAndReload();
    void modifyOpensTheEditorModally();
    void addRecordClosesTheReportFirst();
    void resizeLayout();
    void closedDatabaseDisablesTheReport();
    void othersChangesAreNeverOverwritten();
    void whoAndWhenColumns();

private:
    frmReportMapping *openReport();
    void clickRow(int row);
    FlexGrid *grid() { return frmReportMapping::existing()->grid(); }
    QString label(const char *name)
    {
        return frmReportMapping::existing()->findChild<QLabel *>(QString::fromLatin1(name))->text();
    }
    void press(const char *button)
    {
        frmReportMapping::existing()->findChild<QPushButton *>(QString::fromLatin1(button))->click();
    }
    bool relationExists(int id)
    {
        return vConnection.scalar(QStringLiteral("select count(*) from mappingrelations where id = ?"), {id}).toInt() == 1;
    }

    std::unique_ptr<TestDb> m_db;
    std::unique_ptr<frmMain> m_main;
    QString m_path;
};

void TestReport::init()
{
    AzzeraStato();
    RiempiRelazioni();
    m_db = std::make_unique<TestDb>();
    m_path = m_db->createThesaurus();
    TestDb::run(m_path,
                {QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf) values "
                                "(100, 3, null, 'Agriculture', 1), (101, 3, null, 'fishing', 1), "
                                "(200, 1, null, 'farming', 1), (300, 4, null, 'Fisheries', 1)"),
                 QStringLiteral("insert into mappingrelations values (12, 3, 101, 300, 10, 'last')"),
                 QStringLiteral("insert into mappingrelations values (3, 1, 100, 200, 8, 'first \"one\"')"),
                 QStringLiteral("insert into mappingrelations values (7, 1, 101, 200, 9, null)")});
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(m_path)));
    vProjectOpen = true;
    vLastRelationId = LeggiUltimoId(vConnection);
    m_main = std::make_unique<frmMain>();
    installRooms(*m_main);
    m_main->setDatabaseMenus(true);
    m_main->show();
}

void TestReport::cleanup()
{
    delete frmRisultatoMapping::existing();
    m_main.reset();
    vConnection.ChiudiConnessione();
    m_db.reset();
}

frmReportMapping *TestReport::openReport()
{
    m_main->action(QStringLiteral("mnuToolsMappingEffettuato"))->trigger();
    return frmReportMapping::existing();
}

void TestReport::clickRow(int row)
{
    FlexGrid *g = grid();
    const QModelIndex i = g->gridModel()->index(row - 1, 2);
    g->scrollTo(i);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(i).center());
}

void TestReport::listsEveryRelationInIdOrder()
{
    ScopedScriptedDialogs d;
    vEditRelationId = 9;
    frmReportMapping *w = openReport();
    QVERIFY(w);
    QVERIFY(d.shown.isEmpty());
    QCOMPARE(vEditRelationId, 0);
    auto *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget());
    QVERIFY(sub);
    QCOMPARE(m_main->area()->subWindowList().size(), 1);
    QCOMPARE(w->windowTitle(), QStringLiteral("Mapping report"));
    QAbstractItemModelTester tester(grid()->gridModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);

    FlexGrid *g = grid();
    QCOMPARE(g->objectName(), QStringLiteral("msfgReportMapping"));
    QCOMPARE(g->rows(), 4);
    QCOMPARE(g->cols(), 7);
    QCOMPARE(label("Label1"), QStringLiteral("3"));
    QCOMPARE(label("Label2"), QStringLiteral("Mapping relations found: "));
    QCOMPARE(g->formatString(), reportFormatString());
    QCOMPARE(g->textMatrix(0, 1), QStringLiteral("Record "));
    QCOMPARE(g->textMatrix(0, 3), QStringLiteral("Mapping relation "));
    QCOMPARE(g->textMatrix(0, 5), QStringLiteral("Thesaurus"));
    QCOMPARE(g->textMatrix(0, 6).trimmed(), QStringLiteral("Notes"));
    const QStringList row1 = {QString(), QStringLiteral("3"), QStringLiteral("Agriculture"), QStringLiteral("broadMatch"),
                              QStringLiteral("farming"), QStringLiteral("ECLAS"), QStringLiteral("first \"one\"")};
    const QStringList row3 = {QString(), QStringLiteral("12"), QStringLiteral("fishing"), QStringLiteral("narrowMatch"),
                              QStringLiteral("Fisheries"), QStringLiteral("UNESCO"), QStringLiteral("last")};
    for (int c = 0; c < 7; ++c) {
        QCOMPARE(g->textMatrix(1, c), row1.at(c));
        QCOMPARE(g->textMatrix(3, c), row3.at(c));
    }
    QCOMPARE(g->textMatrix(2, 1), QStringLiteral("7"));
    QCOMPARE(g->textMatrix(2, 3), QStringLiteral("exactMatch"));
    QCOMPARE(g->textMatrix(2, 6), QString()); // Null notes
    // The list is loaded after the window: no row carries a mark yet.
    for (int r = 1; r < 4; ++r)
        QVERIFY(g->cellPictureAt(r, 0).isNull());
    // The first click marks its row.
    clickRow(2);
    QCOMPARE(w->vGridMarkedRow, 2);
    QCOMPARE(w->vGridCurrentRow, 2);
    QVERIFY(!g->cellPictureAt(2, 0).isNull());
    QCOMPARE(g->cellBackColorAt(2, 4), g->backColorSel());
}

void TestReport::nullTextsShowEmpty()
{
    ScopedScriptedDialogs d;
    // Another program's file whose labels may be Null.
    const QString other = m_db->createWith(
        QStringLiteral("other.sqlite"),
        {QStringLiteral("create table models (id integer primary key, name text, dex text)"),
         QStringLiteral("create table concepts (id integer primary key, dex text)"),
         QStringLiteral("create table properties (id integer primary key, dex text)"),
         QStringLiteral("create table mappingprojects (id integer primary key, right_model_ref integer)"),
         QStringLiteral("create table mappingrelations (id integer primary key, project_ref integer, "
                        "left_concept_ref integer, right_concept_ref integer, property_ref integer, notes text)"),
         QStringLiteral("insert into models values (1, null, 'eclas')"),
         QStringLiteral("insert into concepts values (1, null), (2, 'two')"),
         QStringLiteral("insert into properties values (9, null)"),
         QStringLiteral("insert into mappingprojects values (1, 1)"),
         QStringLiteral("insert into mappingrelations values (40000, 1, 1, 2, 9, null)")});
    vConnection.ChiudiConnessione();
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(other)));
    openReport();
    QCOMPARE(d.shown.size(), 0);
    FlexGrid *g = grid();
    QCOMPARE(g->rows(), 2);
    QCOMPARE(g->textMatrix(1, 1), QStringLiteral("40000"));
    for (int c : {2, 3, 5, 6})
        QCOMPARE(g->textMatrix(1, c), QString());
    QCOMPARE(g->textMatrix(1, 4), QStringLiteral("two"));
}

void TestReport::noRelation()
{
    ScopedScriptedDialogs d;
    vConnection.EseguiIstruzione(QStringLiteral("delete from mappingrelations"));
    openReport();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("No mapping relation")});
    QCOMPARE(d.shown.first().title, QString());
    QCOMPARE(grid()->rows(), 2);
    QCOMPARE(grid()->textMatrix(1, 1), QString());
    QCOMPARE(grid()->textMatrix(0, 2).trimmed(), QStringLiteral("Eurovoc concept"));
    QCOMPARE(label("Label1"), QStringLiteral("0"));
}

void TestReport::menuAgainRefillsTheSameWindow()
{
    ScopedScriptedDialogs d;
    frmReportMapping *w = openReport();
    clickRow(1);
    vEditRelationId = 3;
    vConnection.EseguiIstruzione(QStringLiteral("insert into mappingrelations values (20, 1, 100, 200, 9, 'x')"));
    QCOMPARE(openReport(), w);
    QCOMPARE(m_main->area()->subWindowList().size(), 1);
    QCOMPARE(grid()->rows(), 5);
    QCOMPARE(grid()->textMatrix(4, 1), QStringLiteral("20"));
    QCOMPARE(label("Label1"), QStringLiteral("4"));
    QVERIFY(grid()->cellPictureAt(1, 0).isNull()); // the reload cleared the marks
    QCOMPARE(vEditRelationId, 3);                  // only a new window resets it
}

void TestReport::deleteMarksTheRow()
{
    ScopedScriptedDialogs d;
    openReport();
    clickRow(2);
    d.answerQuestion(true);
    press("cmdEliminaRecord");
    QCOMPARE(d.shown.size(), 1);
    QCOMPARE(d.shown.first().kind, QStringLiteral("question"));
    QCOMPARE(d.shown.first().text, QStringLiteral("Delete?"));
    QCOMPARE(d.shown.first().title, QStringLiteral("Cancellazione record"));
    // Enter on the question must not delete: No is its default button.
    QCOMPARE(d.shown.first().defaultAnswer, Dialogs::Answer::No);
    QVERIFY(!relationExists(7));
    QVERIFY(relationExists(3));
    QVERIFY(relationExists(12));
    QCOMPARE(grid()->textMatrix(2, 1), QStringLiteral("DEL -- 7"));
    // The Record column shows it whole.
    QVERIFY(grid()->colWidth(1) > grid()->fontMetrics().horizontalAdvance(QStringLiteral("DEL -- 12")));
    QCOMPARE(grid()->textMatrix(2, 2), QStringLiteral("fishing"));
    QCOMPARE(grid()->rows(), 4);
    QCOMPARE(label("Label1"), QStringLiteral("2"));

    // No: nothing changes.
    d.clear();
    clickRow(3);
    press("cmdEliminaRecord");
    QCOMPARE(d.shown.size(), 1);
    QVERIFY(relationExists(12));
    QCOMPARE(grid()->textMatrix(3, 1), QStringLiteral("12"));
    QCOMPARE(label("Label1"), QStringLiteral("2"));
    // The id counter is left alone.
    QCOMPARE(vLastRelationId, 12);
}

void TestReport::deleteAndModifyRefuseRowsWithoutRelation()
{
    ScopedScriptedDialogs d;
    openReport();
    clickRow(2);
    d.answerQuestion(true);
    press("cmdEliminaRecord");
    QCOMPARE(label("Label1"), QStringLiteral("2"));

    // The row already deleted.
    d.clear();
    d.answerQuestion(true);
    press("cmdEliminaRecord");
    press("cmdModificaRecord");
    QCOMPARE(d.messages().size(), 2);
    for (const auto &s : d.shown) {
        QCOMPARE(s.kind, QStringLiteral("message"));
        QVERIFY(s.text.contains(QStringLiteral("already been deleted")));
    }
    QCOMPARE(grid()->textMatrix(2, 1), QStringLiteral("DEL -- 7"));
    QCOMPARE(label("Label1"), QStringLiteral("2"));
    QVERIFY(!frmRisultatoMapping::existing() || !frmRisultatoMapping::existing()->isVisible());
    QCOMPARE(vEditRelationId, 0);

    // No data row current: after Reload the current cell is in the header.
    press("cmdAggiorna");
    QCOMPARE(grid()->row(), 0);
    d.clear();
    press("cmdEliminaRecord");
    press("cmdModificaRecord");
    QCOMPARE(d.messages().size(), 2);
    QVERIFY(d.messages().at(0).contains(QStringLiteral("delete")));
    QVERIFY(d.messages().at(1).contains(QStringLiteral("modify")));
    QCOMPARE(label("Label1"), QStringLiteral("2"));
    QVERIFY(relationExists(3));

    // The empty row shown when there is no relation.
    vConnection.EseguiIstruzione(QStringLiteral("delete from mappingrelations"));
    press("cmdAggiorna");
    grid()->setRow(1);
    d.clear();
    press("cmdEliminaRecord");
    press("cmdModificaRecord");
    QCOMPARE(d.messages().size(), 2);
    QVERIFY(d.messages().at(0).contains(QStringLiteral("no relation")));
    QCOMPARE(vEditRelationId, 0);
}

void TestReport::failedDeleteChangesNothing()
{
    ScopedScriptedDialogs d;
    openReport();
    vConnection.EseguiIstruzione(QStringLiteral("create trigger keep before delete on mappingrelations "
                                                "begin select raise(abort, 'relations are locked'); end"));
    clickRow(1);
    d.answerQuestion(true);
    press("cmdEliminaRecord");
    QCOMPARE(d.messages().size(), 1);
    QVERIFY(d.messages().first().startsWith(QStringLiteral("Error ")));
    QVERIFY(d.messages().first().contains(QStringLiteral("relations are locked")));
    QCOMPARE(grid()->textMatrix(1, 1), QStringLiteral("3"));
    QCOMPARE(label("Label1"), QStringLiteral("3"));
    QVERIFY(relationExists(3));

    // A report that cannot be read keeps the list on screen.
    vConnection.EseguiIstruzione(QStringLiteral("drop trigger keep"));
    vConnection.EseguiIstruzione(QStringLiteral("alter table mappingrelations rename to gone"));
    d.clear();
    press("cmdAggiorna");
    QCOMPARE(d.messages().size(), 1);
    QVERIFY(d.messages().first().startsWith(QStringLiteral("Error ")));
    QCOMPARE(grid()->rows(), 4);
    QCOMPARE(grid()->textMatrix(3, 1), QStringLiteral("12"));
}

void TestReport::deletedRowsWithoutTheWindow()
{
    // The rows as the report reads them: 3, 7 and 12.
    QVector<Report::Riga> rows = Report::leggi(vConnection);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(Report::liveCount(rows), 3);
    QCOMPARE(Report::indexOfCell(rows, QStringLiteral("7")), 1);
    QCOMPARE(Report::indexOfCell(rows, QStringLiteral("8")), -1);
    QCOMPARE(Report::indexOfCell(rows, QStringLiteral("Record")), -1);

    QCOMPARE(Report::deleteRelation(vConnection, rows[1]), 1);
    QVERIFY(rows.at(1).deleted);
    QVERIFY(!relationExists(7));
    QCOMPARE(Report::recordText(rows.at(1)), QStringLiteral("DEL -- 7"));
    QCOMPARE(Report::recordText(rows.at(0)), QStringLiteral("3"));
    QCOMPARE(Report::liveCount(rows), 2);
    QCOMPARE(Report::indexOfCell(rows, QStringLiteral("DEL -- 7")), 1);
    QCOMPARE(Report::indexOfCell(rows, QStringLiteral("DEL -- 3")), -1); // 3 is still live

    // Gone already: nothing removed, the row is flagged all the same.
    vConnection.EseguiIstruzione(QStringLiteral("delete from mappingrelations where id = 12"));
    QCOMPARE(Report::deleteRelation(vConnection, rows[2]), 0);
    QVERIFY(rows.at(2).deleted);
    QCOMPARE(Report::liveCount(rows), 1);

    // A statement that fails leaves the row live.
    vConnection.EseguiIstruzione(QStringLiteral("create trigger keep before delete on mappingrelations "
                                                "begin select raise(abort, 'relations are locked'); end"));
    QVERIFY_THROWS_EXCEPTION(DbError, Report::deleteRelation(vConnection, rows[0]));
    QVERIFY(!rows.at(0).deleted);
    QCOMPARE(Report::liveCount(rows), 1);
}

void TestReport::headerSortAndReload()
{
    ScopedScriptedDialogs d;
    vConnection.EseguiIstruzione(QStringLiteral("insert into mappingrelations values (2, 1, 100, 200, 9, 'b')"));
    vConnection.EseguiIstruzione(QStringLiteral("insert into mappingrelations values (10, 1, 100, 200, 9, 'a')"));
    frmReportMapping *w = openReport();
    FlexGrid *g = grid();
    auto ids = [g] {
        QStringList out;
        for (int r = 1; r < g->rows(); ++r)
            out << g->textMatrix(r, 1);
        return out;
    };
    QCOMPARE(ids(), (QStringList{QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("7"), QStringLiteral("10"),
                                 QStringLiteral("12")}));
    QHeaderView *h = g->horizontalHeader();
    auto clickHeader = [&](int column) {
        g->scrollTo(g->gridModel()->index(0, column - 1));
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(std::max(0, h->sectionViewportPosition(column - 1)) + 12, h->height() / 2));
    };
    clickHeader(2); // labels, case significant: "Agriculture" before "fishing"
    QCOMPARE(g->textMatrix(1, 2), QStringLiteral("Agriculture"));
    QCOMPARE(g->textMatrix(g->rows() - 1, 2), QStringLiteral("fishing"));
    QCOMPARE(w->vGridMarkedRow, 1);
    QVERIFY(!g->cellPictureAt(1, 0).isNull());
    clickHeader(6); // notes as text
    QCOMPARE(g->textMatrix(1, 6), QString());
    QCOMPARE(g->textMatrix(2, 6), QStringLiteral("a"));
    clickHeader(1); // record numbers: 2 before 10
    QCOMPARE(ids(), (QStringList{QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("7"), QStringLiteral("10"),
                                 QStringLiteral("12")}));
    QCOMPARE(w->vGridMarkedRow, 1);
    int marks = 0;
    for (int r = 1; r < g->rows(); ++r)
        marks += g->cellPictureAt(r, 0).isNull() ? 0 : 1;
    QCOMPARE(marks, 1);

    // Reload: no row marked, current cell in the header, marked row variable unchanged.
    clickRow(4);
    QCOMPARE(w->vGridMarkedRow, 4);
    press("cmdAggiorna");
    QCOMPARE(g->row(), 0);
    QCOMPARE(g->col(), 6);
    QCOMPARE(w->vGridMarkedRow, 4);
    for (int r = 1; r < g->rows(); ++r)
        QVERIFY(g->cellPictureAt(r, 0).isNull());
    clickRow(3);
    QCOMPARE(w->vGridMarkedRow, 3);
    QVERIFY(!g->cellPictureAt(3, 0).isNull());
    QVERIFY(d.shown.isEmpty());
}

void TestReport::modifyOpensTheEditorModally()
{
    ScopedScriptedDialogs d;
    vTargetModel = 5; // an open GEMET mapping keeps its project
    openReport();
    clickRow(1);
    bool modal = false;
    QStringList boxes;
    QTimer::singleShot(0, this, [&] {
        frmRisultatoMapping *e = frmRisultatoMapping::existing();
        modal = e && e->isVisible() && e->isModal() && e->isWindow() && !qobject_cast<QMdiSubWindow *>(e->parentWidget());
        if (!e)
            return;
        boxes << e->findChild<QLineEdit *>(QStringLiteral("txtEurovoc"))->text()
              << e->findChild<QComboBox *>(QStringLiteral("cmbRelazione"))->currentText()
              << e->findChild<QLineEdit *>(QStringLiteral("txtTarget"))->text()
              << e->findChild<QPlainTextEdit *>(QStringLiteral("txtNotes"))->toPlainText();
        e->findChild<QPushButton *>(QStringLiteral("cmdNascondi"))->click();
    });
    press("cmdModificaRecord");
    QVERIFY(modal);
    QCOMPARE(boxes, (QStringList{QStringLiteral("Agriculture"), QStringLiteral("broadMatch"),
                                 QStringLiteral("farming"), QStringLiteral("first \"one\"")}));
    QCOMPARE(vEditRelationId, 3);
    QCOMPARE(vTargetModel, 5);
    QVERIFY(d.shown.isEmpty());

    // Saving from the report changes only the relation of that row.
    QTimer::singleShot(0, this, [&] {
        frmRisultatoMapping *e = frmRisultatoMapping::existing();
        e->findChild<QComboBox *>(QStringLiteral("cmbRelazione"))->setEditText(QStringLiteral("narrowMatch"));
        e->findChild<QPlainTextEdit *>(QStringLiteral("txtNotes"))->setPlainText(QStringLiteral("changed"));
        e->findChild<QPushButton *>(QStringLiteral("cmdSalva"))->click();
    });
    press("cmdModificaRecord");
    QCOMPARE(d.messages(), QStringList{QStringLiteral("Update the relation in db with id = 3")});
    QCOMPARE(vConnection.scalar(QStringLiteral("select property_ref from mappingrelations where id = 3")).toInt(), 10);
    QCOMPARE(vConnection.scalar(QStringLiteral("select notes from mappingrelations where id = 3")).toString(),
             QStringLiteral("first \"one\""));
    QCOMPARE(grid()->textMatrix(1, 3), QStringLiteral("broadMatch")); // a snapshot until reloaded

    // Hidden without saving: the id stays until the report window is opened anew.
    QTimer::singleShot(0, this, [&] { frmRisultatoMapping::existing()->hide(); });
    clickRow(2);
    press("cmdModificaRecord");
    QCOMPARE(vEditRelationId, 7);
    press("cmdChiudiFinestra");
    QVERIFY(!frmReportMapping::existing());
    openReport();
    QCOMPARE(vEditRelationId, 0);
    QCOMPARE(grid()->textMatrix(1, 3), QStringLiteral("narrowMatch"));
}

void TestReport::addRecordClosesTheReportFirst()
{
    ScopedScriptedDialogs d;
    frmReportMapping *w = openReport();
    QPointer<QWidget> sub = w->parentWidget();
    // Mapping > New shows the choice dialog modally: look at the program as it
    // stands while the dialog is up, then cancel the dialog.
    bool reportGone = false;
    QString modal;
    QTimer::singleShot(0, this, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        modal = dialog ? dialog->objectName() : QString();
        reportGone = !frmReportMapping::existing() && (!sub || !sub->isVisible());
        if (dialog)
            if (auto *cancel = dialog->findChild<QPushButton *>(QStringLiteral("cmdCancella")))
                cancel->click();
    });
    press("cmdInserisciRecord");
    QCOMPARE(modal, QStringLiteral("frmScegli"));
    QVERIFY(reportGone);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_main->area()->subWindowList().isEmpty());
}

void TestReport::resizeLayout()
{
    ScopedScriptedDialogs d;
    frmReportMapping *w = openReport();
    auto *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget());
    auto *close = w->findChild<QPushButton *>(QStringLiteral("cmdChiudiFinestra"));
    QCOMPARE(close->toolTip(), QStringLiteral("Exit report"));
    QCOMPARE(w->findChild<QPushButton *>(QStringLiteral("cmdEliminaRecord"))->geometry(), Twips::rect(120, 360, 735, 495));
    const int b = Twips::fromPixels(close->width());
    sub->resize(1000, 500);
    const int W = Twips::fromPixels(sub->width());
    const int H = Twips::fromPixels(sub->height());
    QVERIFY(std::abs(Twips::fromPixels(close->x()) - (W - b - 160)) <= Twips::PerPixel);
    QVERIFY(std::abs(Twips::fromPixels(grid()->width()) - (W - 2 * b - 480)) <= Twips::PerPixel);
    QVERIFY(std::abs(Twips::fromPixels(grid()->height()) - (H - 790)) <= Twips::PerPixel);
    QCOMPARE(grid()->pos(), Twips::rect(975, 360, 0, 0).topLeft());
    // Narrower than the margins: no negative sizes, and the close button stays inside the window.
    sub->resize(80, 40);
    QVERIFY(grid()->width() >= 0);
    QVERIFY(grid()->height() >= 0);
    QVERIFY(close->x() + close->width() <= sub->width());

    // Maximised, the rule still applies: the grid fills the window.
    sub->showMaximized();
    QCoreApplication::processEvents();
    QVERIFY(std::abs(Twips::fromPixels(grid()->width()) - (Twips::fromPixels(sub->width()) - 2 * b - 480))
            <= Twips::PerPixel);
    QVERIFY(std::abs(Twips::fromPixels(grid()->height()) - (Twips::fromPixels(sub->height()) - 790)) <= Twips::PerPixel);
}

void TestReport::closedDatabaseDisablesTheReport()
{
    ScopedScriptedDialogs d;
    frmReportMapping *w = openReport();
    QVERIFY(w->statusText().isEmpty());
    const QStringList commands = {"cmdEliminaRecord", "cmdInserisciRecord", "cmdModificaRecord", "cmdAggiorna"};
    auto enabled = [&] {
        int n = 0;
        for (const QString &name : commands)
            n += w->findChild<QPushButton *>(name)->isEnabled();
        return n;
    };
    QCOMPARE(enabled(), 4);

    // Project > Close: the window stays, its commands are off and it says why.
    m_main->action(QStringLiteral("mnuProgettoChiudi"))->trigger();
    QVERIFY(!vConnection.isOpen());
    QCOMPARE(frmReportMapping::existing(), w);
    QCOMPARE(enabled(), 0);
    QVERIFY(w->findChild<QPushButton *>(QStringLiteral("cmdChiudiFinestra"))->isEnabled());
    QCOMPARE(w->statusText(), QStringLiteral("The database is closed: open it again to go on with this report."));
    // Their shortcuts do nothing either: no "operation not allowed" error.
    clickRow(2);
    w->cmdEliminaRecord_Click();
    w->cmdAggiorna_Click();
    w->cmdModificaRecord_Click();
    QVERIFY(d.shown.isEmpty());
    QCOMPARE(grid()->textMatrix(2, 1), QStringLiteral("7"));

    // The same database again: the same list, the commands back.
    m_main->apriDatabase(m_path);
    QVERIFY(vConnection.isOpen());
    QCOMPARE(enabled(), 4);
    QVERIFY(w->statusText().isEmpty());
    QCOMPARE(grid()->rows(), 4);

    // Another database: its relations are listed.
    m_main->action(QStringLiteral("mnuProgettoChiudi"))->trigger();
    TestDb other;
    const QString path = other.createThesaurus();
    TestDb::run(path, {QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf) values "
                                      "(100, 3, null, 'Water', 1), (200, 1, null, 'rivers', 1)"),
                       QStringLiteral("insert into mappingrelations values (40, 1, 100, 200, 9, null)")});
    m_main->apriDatabase(path);
    QCOMPARE(enabled(), 4);
    QCOMPARE(grid()->rows(), 2);
    QCOMPARE(grid()->textMatrix(1, 1), QStringLiteral("40"));
    QCOMPARE(grid()->textMatrix(1, 2), QStringLiteral("Water"));
    QCOMPARE(label("Label1"), QStringLiteral("1"));
    QVERIFY(d.shown.isEmpty());
    vConnection.ChiudiConnessione();
}

QTEST_MAIN(TestReport)
#include "test_report.moc"

namespace {

// Saves the relation kind in the modal editor that Modify opens.
void saveInEditor(QObject *context, const QString &relation)
{
    QTimer::singleShot(0, context, [relation] {
        frmRisultatoMapping *e = frmRisultatoMapping::existing();
        e->findChild<QComboBox *>(QStringLiteral("cmbRelazione"))->setEditText(relation);
        e->findChild<QPushButton *>(QStringLiteral("cmdSalva"))->click();
        if (e->isVisible())
            e->hide(); // refused: the editor keeps its boxes, the test goes on
    });
}

} // namespace

void TestReport::othersChangesAreNeverOverwritten()
{
    FakeClock clock(QDateTime(QDate(2026, 11, 30), QTime(8, 15, 0), Qt::UTC));
    setProgramClock(&clock);
    const auto restore = qScopeGuard([] { setProgramClock(nullptr); }); // a failing test too
    ScopedScriptedDialogs d;
    openReport();
    // Another editor, after the report was read: changes relation 3's kind
    // and deletes relation 7.
    {
        cConnessione other;
        QVERIFY(other.ApriConnessione(cConnessione::connectionStringFor(m_path)));
        other.EseguiIstruzione(QStringLiteral("update mappingrelations set property_ref = 9 where id = 3"));
        other.EseguiIstruzione(QStringLiteral("delete from mappingrelations where id = 7"));
    }
    const QString who = mdlUtil::accountName() + QStringLiteral(" at 2026-11-30 08:15 UTC");

    clickRow(1);
    saveInEditor(this, QStringLiteral("narrowMatch"));
    press("cmdModificaRecord");
    QCOMPARE(d.messages(), QStringList{QStringLiteral("The relation with id = 3 was changed to exactMatch by %1 after it "
                                                      "was read: your change was not stored. Reload the report to see "
                                                      "the relations as they are now.")
                                           .arg(who)});
    QCOMPARE(vConnection.scalar(QStringLiteral("select property_ref from mappingrelations where id = 3")).toInt(), 9);

    d.clear();
    d.answerQuestion(true);
    press("cmdEliminaRecord");
    QCOMPARE(d.messages(), QStringList{QStringLiteral("The relation with id = 3 was changed to exactMatch by %1 after "
                                                      "the report was read: it was not deleted. Reload the report (F5) "
                                                      "to see it as it is now.")
                                           .arg(who)});
    QVERIFY(relationExists(3));
    QCOMPARE(grid()->textMatrix(1, 1), QStringLiteral("3"));
    QCOMPARE(label("Label1"), QStringLiteral("3"));

    d.clear();
    clickRow(2);
    d.answerQuestion(true);
    press("cmdEliminaRecord");
    QCOMPARE(d.messages(), QStringList{QStringLiteral("The relation with id = 7 was no longer in the database. It was "
                                                      "deleted by %1.")
                                           .arg(who)});
    QCOMPARE(grid()->textMatrix(2, 1), QStringLiteral("DEL -- 7"));

    // Read again, the list shows the other's work, and this editor may
    // change a relation twice in a row: its own change is not another's.
    d.clear();
    press("cmdAggiorna");
    clickRow(1);
    saveInEditor(this, QStringLiteral("broadMatch"));
    press("cmdModificaRecord");
    saveInEditor(this, QStringLiteral("narrowMatch"));
    press("cmdModificaRecord");
    QCOMPARE(d.messages(), (QStringList{QStringLiteral("Update the relation in db with id = 3"),
                                        QStringLiteral("Update the relation in db with id = 3")}));
    QCOMPARE(vConnection.scalar(QStringLiteral("select property_ref from mappingrelations where id = 3")).toInt(), 10);
}

void TestReport::whoAndWhenColumns()
{
    FakeClock clock(QDateTime(QDate(2026, 12, 1), QTime(17, 5, 9), Qt::UTC));
    setProgramClock(&clock);
    const auto restore = qScopeGuard([] { setProgramClock(nullptr); }); // a failing test too
    ScopedScriptedDialogs d;
    vConnection.EseguiIstruzione(QStringLiteral("update mappingrelations set notes = 'seen' where id = 12"));
    frmReportMapping *w = openReport();
    QCOMPARE(grid()->cols(), 7);
    auto *who = w->findChild<QPushButton *>(QStringLiteral("cmdAutori"));
    QVERIFY(who && who->isCheckable());
    who->click();
    QVERIFY(w->authorsShown());
    QCOMPARE(grid()->cols(), 9);
    QCOMPARE(grid()->textMatrix(0, 7).trimmed(), QStringLiteral("Changed by"));
    QCOMPARE(grid()->textMatrix(0, 8).trimmed(), QStringLiteral("Changed on (UTC)"));
    // Relations the log knows nothing of show nothing; the changed one its author.
    QCOMPARE(grid()->textMatrix(1, 7), QString());
    QCOMPARE(grid()->textMatrix(3, 1), QStringLiteral("12"));
    QCOMPARE(grid()->textMatrix(3, 7), mdlUtil::accountName());
    QCOMPARE(grid()->textMatrix(3, 8), QStringLiteral("2026-12-01 17:05:09"));
    who->click();
    QCOMPARE(grid()->cols(), 7);
    QVERIFY(d.shown.isEmpty());
    // A file database sends no notices: nothing is said of others.
    QCOMPARE(w->statusText(), QString());
}
