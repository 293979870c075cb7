// The information grid of the alignment windows: what "Node relations" lists
// for the current concept, in which order and under which caption, when label
// and grid hide, the double click, the header sort, Null values, a concept
// without properties and a database that went away.
#include "base/dialogs.h"
#include "data/schema.h"
#include "explore_fixture.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "widgets/ui/ConceptTree.h"
#include "widgets/ui/FlexGrid.h"
#include "workspace/nodeinfo.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace mdlGlobale;

class TestNodeInfo : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void leafWithLinksAndTexts();
    void onlyTextValuesReplaceTheEarlierConcept();
    void nonLeafHidesLabelAndGrid();
    void doubleClickShowsTheValueCell();
    void headerSortIsCaseSignificantAndMarksRowOne();
    void selectionMarksOnlyWithTwoDataRows();
    void nullValuesAndConceptsWithoutProperties();
    void failedQueryKeepsTheGrid();

private:
    void open(const QString &path);
    frmAlbero *left() { return frmAlbero::leftWindow(); }
    FlexGrid *grid() { return left()->informationGrid(); }
    QLabel *label() { return left()->findChild<QLabel *>(QStringLiteral("Label2")); }
    void showConcept(const QString &key);
    QStringList rows();

    std::unique_ptr<TestDb> m_db;
    frmMain *m_main = nullptr;
};

void TestNodeInfo::init()
{
    AzzeraStato();
    m_db = std::make_unique<TestDb>();
}

void TestNodeInfo::open(const QString &path)
{
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(path)));
    vProjectOpen = true;
    m_main = new frmMain;
    installRooms(*m_main);
    m_main->show();
    ExploreFixture::openWindows(Ids::GEMET);
    QVERIFY(left());
}

void TestNodeInfo::cleanup()
{
    delete m_main;
    m_main = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    vConnection.ChiudiConnessione();
    m_db.reset();
}

void TestNodeInfo::showConcept(const QString &key)
{
    const int node = left()->tree()->indexOfKey(key);
    QVERIFY(node > 0);
    left()->treeClassificazione_NodeClick(node);
    left()->findChild<QPushButton *>(QStringLiteral("cmdRelazioni"))->click();
}

QStringList TestNodeInfo::rows()
{
    QStringList out;
    for (int r = 1; r < grid()->rows(); ++r)
        out << grid()->textMatrix(r, 1) + QLatin1Char('|') + grid()->textMatrix(r, 2);
    return out;
}

void TestNodeInfo::leafWithLinksAndTexts()
{
    open(ExploreFixture::build(*m_db));
    ScopedScriptedDialogs d;
    QVERIFY(grid());
    QCOMPARE(grid()->objectName(), QStringLiteral("msfgInformazioni"));
    QCOMPARE(grid()->toolTip(), QStringLiteral("Doppio click su una cella per visualizzarne il contenuto completo"));
    QVERIFY(grid()->isHidden() && label()->isHidden());
    QCOMPARE(left()->twipsGeometry(QStringLiteral("msfgInformazioni")).top(),
             left()->twipsGeometry(QStringLiteral("Label2")).bottom() + 1);

    showConcept(QStringLiteral("L1234"));
    QVERIFY(d.shown.isEmpty());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(!grid()->isHidden() && !label()->isHidden());
    QCOMPARE(label()->text(), QStringLiteral("Node informations: Agriculture (1234)"));
    // Links first by property then description, the English texts after them
    // by property then value; the exact match and the French label left out.
    QCOMPARE(grid()->rows(), 6);
    QCOMPARE(grid()->cols(), 3);
    QCOMPARE(rows(), QStringList({"broader|environmental policy", "related|natural environment", "altLabel|farming",
                                  "prefLabel|Agriculture", "scopeNote|Growing crops and raising livestock"}));
    QCOMPARE(grid()->formatString(), InfoNodo::formatString());
    QCOMPARE(grid()->textMatrix(0, 1), QStringLiteral("property") + QString(30, QLatin1Char(' ')));
    QCOMPARE(grid()->textMatrix(0, 2), QStringLiteral("object/dataValue") + QString(150, QLatin1Char(' ')));
    QCOMPARE(grid()->textMatrix(0, 0), QString(5, QLatin1Char(' ')));
    QCOMPARE(left()->vGridMarkedRow, 0);
}

void TestNodeInfo::onlyTextValuesReplaceTheEarlierConcept()
{
    open(ExploreFixture::build(*m_db));
    ScopedScriptedDialogs d;
    showConcept(QStringLiteral("L1234"));
    // 5220 has no links of its own, two English texts.
    showConcept(QStringLiteral("L5220"));
    QCOMPARE(label()->text(), QStringLiteral("Node informations: natural environment (5220)"));
    QCOMPARE(rows(), QStringList({"altLabel|\u00c9co-syst\u00e8me", "prefLabel|natural environment"}));
    // Clicking another node alone does not refresh the grid.
    left()->treeClassificazione_NodeClick(left()->tree()->indexOfKey(QStringLiteral("L5212")));
    QCOMPARE(label()->text(), QStringLiteral("Node informations: natural environment (5220)"));
    QVERIFY(d.shown.isEmpty());
}

void TestNodeInfo::nonLeafHidesLabelAndGrid()
{
    open(ExploreFixture::build(*m_db));
    ScopedScriptedDialogs d;
    showConcept(QStringLiteral("L1234"));
    left()->vGridMarkedRow = 4;
    // The right window's current node is a leaf: it does not matter here.
    frmAlbero::rightWindow()->treeClassificazione_NodeClick(
        frmAlbero::rightWindow()->tree()->indexOfKey(QStringLiteral("R1301")));
    showConcept(QStringLiteral("L5200")); // a field: is_leaf 0
    QVERIFY(grid()->isHidden() && label()->isHidden());
    QCOMPARE(left()->vGridMarkedRow, 0);
    showConcept(QStringLiteral("L5210")); // a leaf with children: shown
    QVERIFY(!grid()->isHidden());
    QCOMPARE(label()->text(), QStringLiteral("Node informations: environmental policy (5210)"));
    left()->treeClassificazione_NodeClick(1); // the root
    left()->findChild<QPushButton *>(QStringLiteral("cmdRelazioni"))->click();
    QVERIFY(grid()->isHidden() && label()->isHidden());
    QVERIFY(d.shown.isEmpty());
    QVERIFY(!QApplication::overrideCursor());
}

void TestNodeInfo::doubleClickShowsTheValueCell()
{
    open(ExploreFixture::build(*m_db));
    showConcept(QStringLiteral("L1234"));
    ScopedScriptedDialogs d;
    grid()->resize(600, 300);
    // A real double click on the property cell of row 3.
    const QRect cell = grid()->visualRect(grid()->model()->index(3 - 1, 1 - 1));
    QVERIFY(cell.isValid());
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(d.messages(), QStringList({"farming"}));
    QCOMPARE(d.shown.first().icon, Dialogs::Icon::None);
    QCOMPARE(grid()->row(), 3);
    QCOMPARE(grid()->col(), 2);
    d.clear();
    grid()->setRow(5);
    left()->msfgInformazioni_DblClick();
    QCOMPARE(d.messages(), QStringList({"Growing crops and raising livestock"}));
}

void TestNodeInfo::headerSortIsCaseSignificantAndMarksRowOne()
{
    const QString path = ExploreFixture::build(*m_db);
    // A property whose name starts with a capital: a case-blind order puts it
    // last, a case-significant one first.
    TestDb::run(path, {QStringLiteral("insert into properties (id, dex, uri, is_mapping_rel) values (11, 'Zeta', 'z', 0)"),
                       QStringLiteral("insert into conceptproperties (id, concept_ref, property_ref) values (900, 1234, 11)"),
                       QStringLiteral("insert into datatypepropertyvalues (concept_property_ref, lang_ref, value) values (900, 6, 'zz')")});
    open(path);
    showConcept(QStringLiteral("L1234"));
    QCOMPARE(grid()->rows(), 7);
    QCOMPARE(grid()->textMatrix(6, 1), QStringLiteral("Zeta"));
    grid()->resize(600, 300);
    QHeaderView *header = grid()->horizontalHeader();
    const int x = header->sectionViewportPosition(0) + header->sectionSize(0) / 2;
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    QCOMPARE(grid()->mouseRow(), 0);
    QStringList properties;
    for (int r = 1; r < grid()->rows(); ++r)
        properties << grid()->textMatrix(r, 1);
    QCOMPARE(properties, QStringList({"Zeta", "altLabel", "broader", "prefLabel", "related", "scopeNote"}));
    // The values moved with their rows.
    QCOMPARE(grid()->textMatrix(1, 2), QStringLiteral("zz"));
    QCOMPARE(grid()->textMatrix(2, 2), QStringLiteral("farming"));
    QCOMPARE(left()->vGridMarkedRow, 1);
    QVERIFY(!grid()->cellPictureAt(1, 0).isNull());
    QCOMPARE(grid()->cellBackColorAt(1, 2), grid()->backColorSel());
    QCOMPARE(grid()->cellBackColorAt(2, 2), grid()->backColor());
}

void TestNodeInfo::selectionMarksOnlyWithTwoDataRows()
{
    open(ExploreFixture::build(*m_db));
    showConcept(QStringLiteral("L1234"));
    grid()->resize(600, 300);
    grid()->setFocus();
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                      grid()->visualRect(grid()->model()->index(1, 0)).center());
    QCOMPARE(left()->vGridCurrentRow, 2);
    QCOMPARE(left()->vGridMarkedRow, 2);
    QTest::keyClick(grid(), Qt::Key_Down);
    QCOMPARE(left()->vGridMarkedRow, 3);
    QVERIFY(grid()->cellPictureAt(2, 0).isNull());
    QVERIFY(!grid()->cellPictureAt(3, 0).isNull());

    // With a single data row a click marks nothing.
    TestDb::run(vConnection.databasePath(),
                {QStringLiteral("delete from datatypepropertyvalues where value = 'WATER POLLUTION'")});
    showConcept(QStringLiteral("L5230"));
    QCOMPARE(grid()->rows(), 2); // one data row
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                      grid()->visualRect(grid()->model()->index(0, 1)).center());
    QCOMPARE(left()->vGridMarkedRow, 0);
    QVERIFY(grid()->cellPictureAt(1, 0).isNull());
}

void TestNodeInfo::nullValuesAndConceptsWithoutProperties()
{
    // A file written by another tool, whose text values may be Null.
    QStringList tables = Schema::tableStatements();
    for (QString &s : tables)
        s.replace(QStringLiteral("value text collate nocase not null"), QStringLiteral("value text collate nocase"));
    const QString path = m_db->createWith(QStringLiteral("nulls.sqlite"), tables);
    {
        cConnessione c;
        QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(path)));
        Schema::insertFixedRows(c);
        c.ChiudiConnessione();
    }
    ExploreFixture::Builder b;
    b.addConcept(5200, Ids::EUROVOC, 0, QStringLiteral("52 ENVIRONMENT"), 0,
                 QString::fromLatin1(Ids::DomainNamespace) + QStringLiteral("52"));
    b.addConcept(5201, Ids::EUROVOC, 5200, QStringLiteral("half known"), 1);
    b.addConcept(5202, Ids::EUROVOC, 5200, QStringLiteral("bare"), 1);
    b.text(5201, Ids::PrefLabel, Ids::LangEnglish, QStringLiteral("half known"));
    b.text(5201, Ids::ScopeNote, Ids::LangEnglish, QString());
    b.sql << QStringLiteral("update datatypepropertyvalues set value = null where value = ''");
    b.params << QVariantList{};
    TestDb::run(path, b.sql, b.params);
    open(path);
    ScopedScriptedDialogs d;

    showConcept(QStringLiteral("L5201"));
    QCOMPARE(rows(), QStringList({"prefLabel|half known", "scopeNote|"}));
    QVERIFY(d.shown.isEmpty());

    // Nothing to list: the caption names the concept over an empty grid,
    // rather than leaving the concept shown before.
    showConcept(QStringLiteral("L5202"));
    QVERIFY(d.shown.isEmpty());
    QCOMPARE(label()->text(), QStringLiteral("Node informations: bare (5202)"));
    QVERIFY(!label()->isHidden() && !grid()->isHidden());
    QCOMPARE(grid()->rows(), 1);
}

void TestNodeInfo::failedQueryKeepsTheGrid()
{
    open(ExploreFixture::build(*m_db));
    ScopedScriptedDialogs d;
    showConcept(QStringLiteral("L1234"));
    vConnection.ChiudiConnessione();
    showConcept(QStringLiteral("L5220"));
    QCOMPARE(d.shown.size(), 1);
    QVERIFY(d.shown.first().text.startsWith(QStringLiteral("Error ")));
    QCOMPARE(d.shown.first().icon, Dialogs::Icon::Critical);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(label()->text(), QStringLiteral("Node informations: Agriculture (1234)"));
    QCOMPARE(grid()->rows(), 6);
}

QTEST_MAIN(TestNodeInfo)
#include "test_nodeinfo.moc"
