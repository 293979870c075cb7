// Marking the concepts of the current project's relations in the alignment
// windows ("Pref" / "PrefMinus"), and the mapping workflow that ends in it:
// a concept of each tree put into the mapping editor with cmdMapping, a
// relation chosen and saved, the pair marked afterwards.
#include "base/dialogs.h"
#include "explore_fixture.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "widgets/ui/ConceptTree.h"
#include "workspace/marking.h"
#include "workspace/ui/frmRisultatoMapping.h"
#include "workspace/ui/frmScegli.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace mdlGlobale;

class TestMarking : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void projectOfEachTarget();
    void leftWindowOfAGemetMapping();
    void rightWindowMarksTargetsOnly();
    void unescoMappingQueriesProjectThree();
    void closedDatabaseIsReportedAndChangesNothing();
    void putNodesIntoTheEditorAndSave();

private:
    void open();
    void mark(frmAlbero *w) { w->findChild<QPushButton *>(QStringLiteral("cmdVisualizzaMappati"))->click(); }
    // image|expanded image|expanded of the node with that key
    QString state(frmAlbero *w, const QString &key);

    std::unique_ptr<TestDb> m_db;
    QString m_path;
    frmMain *m_main = nullptr;
};

void TestMarking::init()
{
    AzzeraStato();
    RiempiRelazioni();
    m_db = std::make_unique<TestDb>();
    m_path = ExploreFixture::build(*m_db);
    // GEMET project 4; the first row's concepts lie outside both trees.
    ExploreFixture::addRelations(m_path, {{1, 4, 4810, 1401},
                                          {2, 4, 5210, 1301},
                                          {3, 4, 1234, 1301},
                                          {4, 4, 5210, 1302},
                                          {5, 4, 5220, 1401},
                                          {6, 3, 5230, 1302},
                                          {7, 3, 5210, 1302}});
}

void TestMarking::open()
{
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(m_path)));
    vProjectOpen = true;
    vLastRelationId = LeggiUltimoId(vConnection);
    m_main = new frmMain;
    installRooms(*m_main);
    m_main->setDatabaseMenus(true);
    m_main->show();
}

void TestMarking::cleanup()
{
    delete frmRisultatoMapping::existing();
    delete m_main;
    m_main = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    vConnection.ChiudiConnessione();
    m_db.reset();
}

QString TestMarking::state(frmAlbero *w, const QString &key)
{
    ConceptTree *t = w->tree();
    const int n = t->indexOfKey(key);
    if (!n)
        return QStringLiteral("missing");
    return t->image(n) + QLatin1Char('|') + t->expandedImage(n) + QLatin1Char('|')
        + (t->expanded(n) ? QStringLiteral("open") : QStringLiteral("closed"));
}

void TestMarking::projectOfEachTarget()
{
    QCOMPARE(Marcatura::progetto(Ids::ECLAS), 1);
    QCOMPARE(Marcatura::progetto(Ids::ETT), 2);
    QCOMPARE(Marcatura::progetto(Ids::UNESCO), 3);
    QCOMPARE(Marcatura::progetto(Ids::GEMET), 4);
    QVERIFY(Marcatura::query(true).startsWith(QStringLiteral("select left_concept_ref as ref from mappingrelations where project_ref = ")));
    QVERIFY(Marcatura::query(false).startsWith(QStringLiteral("select right_concept_ref as ref from mappingrelations where project_ref = ")));
    open();
    // Once per relation, in the database's order.
    QCOMPARE(Marcatura::concetti(vConnection, true, Ids::GEMET), QVector<qint32>({4810, 5210, 1234, 5210, 5220}));
    QCOMPARE(Marcatura::concetti(vConnection, false, Ids::UNESCO), QVector<qint32>({1302, 1302}));
    QVERIFY(Marcatura::concetti(vConnection, true, Ids::ECLAS).isEmpty());
}

void TestMarking::leftWindowOfAGemetMapping()
{
    open();
    ExploreFixture::openWindows(Ids::GEMET);
    frmAlbero *left = frmAlbero::leftWindow();
    ConceptTree *t = left->tree();
    // A search highlight on a concept that is then marked stays.
    t->setBold(t->indexOfKey(QStringLiteral("L1234")), true);
    ScopedScriptedDialogs d;
    mark(left);
    QVERIFY(d.shown.isEmpty());
    QVERIFY(!QApplication::overrideCursor());
    // 5210 has children and takes part in two relations: the first marking
    // opens it with "PrefMinus", the second also gives it "Pref".
    QCOMPARE(state(left, QStringLiteral("L5210")), QStringLiteral("Pref|PrefMinus|open"));
    QCOMPARE(t->shownImage(t->indexOfKey(QStringLiteral("L5210"))), QStringLiteral("PrefMinus"));
    // Leaves show "Pref"; their ancestors are open so they are in view.
    QCOMPARE(state(left, QStringLiteral("L1234")), QStringLiteral("Pref||open"));
    QCOMPARE(state(left, QStringLiteral("L5220")), QStringLiteral("Pref||open"));
    QVERIFY(t->expanded(t->indexOfKey(QStringLiteral("L5200"))));
    QCOMPARE(t->expandedImage(t->indexOfKey(QStringLiteral("L5200"))), QStringLiteral("Minus"));
    // Not in project 4 / outside the field: untouched, and no message.
    QCOMPARE(state(left, QStringLiteral("L5230")), QStringLiteral("Empty||closed"));
    QCOMPARE(state(left, QStringLiteral("L5211")), QStringLiteral("Empty||closed"));
    QCOMPARE(state(left, QStringLiteral("L4810")), QStringLiteral("missing"));
    QVERIFY(t->bold(t->indexOfKey(QStringLiteral("L1234"))));
    // The right window is not touched.
    QCOMPARE(state(frmAlbero::rightWindow(), QStringLiteral("R1301")), QStringLiteral("Empty||closed"));

    // The user closes the marked node: its collapse handling gives "Plus".
    t->setExpanded(t->indexOfKey(QStringLiteral("L5210")), false);
    left->treeClassificazione_Collapse(t->indexOfKey(QStringLiteral("L5210")));
    QCOMPARE(t->shownImage(t->indexOfKey(QStringLiteral("L5210"))), QStringLiteral("Plus"));
}

void TestMarking::rightWindowMarksTargetsOnly()
{
    open();
    ExploreFixture::openWindows(Ids::GEMET);
    ScopedScriptedDialogs d;
    mark(frmAlbero::rightWindow());
    QVERIFY(d.shown.isEmpty());
    // 1301 twice: a leaf keeps "Pref"; 1401 lies outside the subset.
    QCOMPARE(state(frmAlbero::rightWindow(), QStringLiteral("R1301")), QStringLiteral("Pref||open"));
    QCOMPARE(state(frmAlbero::rightWindow(), QStringLiteral("R1302")), QStringLiteral("Pref||open"));
    QCOMPARE(state(frmAlbero::rightWindow(), QStringLiteral("R1300")), QStringLiteral("Plus|Minus|open"));
    QCOMPARE(state(frmAlbero::leftWindow(), QStringLiteral("L5210")), QStringLiteral("Plus||closed"));
    QCOMPARE(state(frmAlbero::leftWindow(), QStringLiteral("L1234")), QStringLiteral("Empty||closed"));
}

void TestMarking::unescoMappingQueriesProjectThree()
{
    open();
    ExploreFixture::openWindows(Ids::UNESCO, QString());
    frmAlbero *left = frmAlbero::leftWindow();
    ScopedScriptedDialogs d;
    mark(left);
    QVERIFY(d.shown.isEmpty());
    // Project 3 only: 5230 and 5210 (once: open, "PrefMinus", image unchanged).
    QCOMPARE(state(left, QStringLiteral("L5230")), QStringLiteral("Pref||open"));
    QCOMPARE(state(left, QStringLiteral("L5210")), QStringLiteral("Plus|PrefMinus|open"));
    QCOMPARE(state(left, QStringLiteral("L1234")), QStringLiteral("Empty||closed"));
    QCOMPARE(state(left, QStringLiteral("L5220")), QStringLiteral("Empty||closed"));
    // Marking again: the node met before now also gets "Pref".
    mark(left);
    QCOMPARE(state(left, QStringLiteral("L5210")), QStringLiteral("Pref|PrefMinus|open"));
}

void TestMarking::closedDatabaseIsReportedAndChangesNothing()
{
    open();
    ExploreFixture::openWindows(Ids::GEMET);
    frmAlbero *left = frmAlbero::leftWindow();
    vConnection.ChiudiConnessione();
    ScopedScriptedDialogs d;
    mark(left);
    QCOMPARE(d.messages().size(), 1);
    QVERIFY(d.messages().first().startsWith(QStringLiteral("Error ")));
    QCOMPARE(d.shown.first().icon, Dialogs::Icon::Critical);
    ConceptTree *t = left->tree();
    for (int i = 2; i <= t->count(); ++i) {
        QVERIFY(t->image(i) != QLatin1String("Pref"));
        QVERIFY(t->expandedImage(i).isEmpty());
    }
}

void TestMarking::putNodesIntoTheEditorAndSave()
{
    open();
    ScopedScriptedDialogs d;
    // Mapping > New: field 52 against GEMET's WASTES.
    bool seen = false;
    QTimer::singleShot(0, this, [&] {
        auto *dlg = qobject_cast<frmScegli *>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        seen = true;
        dlg->findChild<QComboBox *>(QStringLiteral("cmbSource"))->setEditText(QStringLiteral("52 ENVIRONMENT"));
        dlg->findChild<QRadioButton *>(QStringLiteral("optGEMET"))->click();
        dlg->findChild<QComboBox *>(QStringLiteral("cmbTarget"))->setEditText(QStringLiteral("WASTES"));
        dlg->findChild<QPushButton *>(QStringLiteral("cmdOk"))->click();
    });
    m_main->action(QStringLiteral("mnuToolsNuovoMapping"))->trigger();
    QVERIFY(seen);
    frmAlbero *left = frmAlbero::leftWindow();
    frmAlbero *right = frmAlbero::rightWindow();
    QVERIFY(left && right);
    QVERIFY(!frmRisultatoMapping::existing());

    // A search highlight on "Agriculture", then a click on it.
    left->findChild<QLineEdit *>(QStringLiteral("txtCerca"))->setText(QStringLiteral("agriculture"));
    for (const char *name : {"chkAltLabel", "chkScopeNote", "chkRelated", "chkNarrower", "chkBroader"})
        left->findChild<QCheckBox *>(QString::fromLatin1(name))->setChecked(false);
    left->findChild<QPushButton *>(QStringLiteral("cmdEseguiRicerca"))->click();
    ConceptTree *lt = left->tree();
    const int agriculture = lt->indexOfKey(QStringLiteral("L1234"));
    QVERIFY(lt->bold(agriculture));
    QTest::mouseClick(lt->viewport(), Qt::LeftButton, {}, lt->visualRect(lt->modelIndex(agriculture)).center());
    QCOMPARE(vLeftCurrent, agriculture - 1);

    auto *cmdMapping = left->findChild<QPushButton *>(QStringLiteral("cmdMapping"));
    QCOMPARE(cmdMapping->toolTip(), QStringLiteral("Put the descriptor (selected/current node) into mapping window"));
    cmdMapping->click();
    frmRisultatoMapping *editor = frmRisultatoMapping::existing();
    QVERIFY(editor);
    auto box = [editor](const char *name) { return editor->findChild<QLineEdit *>(QString::fromLatin1(name))->text(); };
    auto *targetCaption = editor->findChild<QLabel *>(QStringLiteral("Label2"));
    QCOMPARE(box("txtEurovoc"), QStringLiteral("Agriculture"));
    QCOMPARE(box("txtTarget"), QString());
    QCOMPARE(targetCaption->text(), QString());
    QVERIFY(editor->isVisible());
    QVERIFY(!editor->isModal());
    QCOMPARE(lt->image(agriculture), QStringLiteral("Pref"));
    QCOMPARE(lt->selectedImage(agriculture), QStringLiteral("Pref"));
    QVERIFY(!lt->bold(agriculture));
    QCOMPARE(lt->foreColor(agriculture), QColor(Qt::black));

    // The right window: only the target box and its caption.
    ConceptTree *rt = right->tree();
    const int waste = rt->indexOfKey(QStringLiteral("R1301"));
    right->treeClassificazione_NodeClick(rt->indexOfKey(QStringLiteral("R1302")));
    right->findChild<QPushButton *>(QStringLiteral("cmdMapping"))->click();
    QCOMPARE(box("txtTarget"), QStringLiteral("policy instrument"));
    // A second node from the same side replaces the first.
    right->treeClassificazione_NodeClick(waste);
    right->findChild<QPushButton *>(QStringLiteral("cmdMapping"))->click();
    QCOMPARE(box("txtTarget"), QStringLiteral("agricultural waste"));
    QCOMPARE(targetCaption->text(), QStringLiteral("gemet"));
    QCOMPARE(box("txtEurovoc"), QStringLiteral("Agriculture"));
    QCOMPARE(rt->image(waste), QStringLiteral("Pref"));
    QCOMPARE(frmRisultatoMapping::existing(), editor);

    // Choose the relation and save: the pair of current nodes is stored.
    auto *combo = editor->findChild<QComboBox *>(QStringLiteral("cmbRelazione"));
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    editor->findChild<QPushButton *>(QStringLiteral("cmdSalva"))->click();
    QCOMPARE(d.messages(), QStringList({QStringLiteral("Store the couple and the relation in db: %1 broadMatch %2")
                                            .arg(agriculture - 1)
                                            .arg(waste - 1)}));
    QCOMPARE(TestDb::value(m_path, QStringLiteral("select count(*) from mappingrelations where project_ref = 4 and "
                                                  "left_concept_ref = 1234 and right_concept_ref = 1301 and "
                                                  "property_ref = 8 and id = 8"))
                 .toInt(),
             1);
    QVERIFY(!editor->isVisible());

    // The root carries no concept: putting it in is harmless, and the root
    // gets the mark like any node the user put in.
    left->treeClassificazione_NodeClick(1);
    cmdMapping->click();
    QCOMPARE(box("txtEurovoc"), QStringLiteral("eurovoc"));
    QCOMPARE(lt->image(1), QStringLiteral("Pref"));
}

QTEST_MAIN(TestMarking)
#include "test_marking.moc"
