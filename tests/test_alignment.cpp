// Mapping > New and the alignment windows on small thesauri: root lookup with
// bound values, the trees (indexes, order, keys, pictures, backgrounds),
// navigation, node clicks, closing, resizing and a failing load.
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/twips.h"
#include "bench/conceptwalk.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "support/testdb.h"
#include "widgets/ui/ConceptTree.h"
#include "workspace/treequeries.h"
#include "workspace/ui/frmAlbero.h"
#include "workspace/ui/frmScegli.h"
#include "workspace/ui/mapping.h"

#include <QAction>
#include <QComboBox>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace mdlGlobale;

class TestAlignment : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void cancelOpensNothing();
    void environmentAndGemetSubset();
    void sameTreeAsThePerConceptWalk();
    void eclasWithoutSubset();
    void subsetsMatchingNothing_data();
    void subsetsMatchingNothing();
    void newMappingReplacesBothTrees();
    void expandCollapseAndDeleteSelection();
    void nodeClicksAndPrefNodes();
    void closingTheLeftWindow();
    void resizeLayout();
    void databaseErrorEndsTheLoad();
    void progressIsThrottled();
    void emptyFieldIsSaidInTheWindow();
    void closedDatabaseDisablesTheTrees();

private:
    void openMapping(const QString &field, const char *option, const QString &subset);
    QStringList keys(const ConceptTree *tree) const;

    TestDb m_db;
    QString m_path;
    frmMain *m_main = nullptr;
};

namespace {

const QString kWastes = QStringLiteral("WASTES , POLLUTANTS, POLLUTION");

void addConcept(QStringList &sql, QList<QVariantList> &params, int id, int model, QVariant parent,
                const QString &dex, int leaf, const QString &uri = {})
{
    sql.append(QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) "
                              "values (?, ?, ?, ?, ?, ?)"));
    params.append({id, model, parent, dex, leaf, uri.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : uri});
}

const QVariant kNull = QVariant(QMetaType(QMetaType::Int));

} // namespace

void TestAlignment::initTestCase()
{
    m_path = m_db.createThesaurus();
    QStringList sql;
    QList<QVariantList> p;
    const QString ns = QString::fromLatin1(Ids::DomainNamespace);
    // EUROVOC: field 52 and, to be left out, field 48.
    addConcept(sql, p, 5200, Ids::EUROVOC, kNull, QStringLiteral("52 ENVIRONMENT"), 0, ns + QStringLiteral("52"));
    addConcept(sql, p, 5210, Ids::EUROVOC, 5200, QStringLiteral("environmental policy"), 0);
    addConcept(sql, p, 5211, Ids::EUROVOC, 5210, QStringLiteral("pollution control"), 1);
    addConcept(sql, p, 5212, Ids::EUROVOC, 5210, QStringLiteral("clean technology"), 1);
    addConcept(sql, p, 5213, Ids::EUROVOC, 5212, QStringLiteral("clean process"), 1);
    addConcept(sql, p, 5220, Ids::EUROVOC, 5200, QStringLiteral("natural environment"), 1);
    addConcept(sql, p, 5230, Ids::EUROVOC, 5200, QStringLiteral("deterioration of the environment"), 0);
    addConcept(sql, p, 4800, Ids::EUROVOC, kNull, QStringLiteral("48 TRANSPORT"), 0, ns + QStringLiteral("48"));
    addConcept(sql, p, 4810, Ids::EUROVOC, 4800, QStringLiteral("transport policy"), 1);
    // GEMET: two subsets and a stray top-level descriptor.
    addConcept(sql, p, 1234, Ids::GEMET, kNull, kWastes, 0);
    addConcept(sql, p, 1300, Ids::GEMET, 1234, QStringLiteral("waste"), 1);
    addConcept(sql, p, 1301, Ids::GEMET, 1300, QStringLiteral("hazardous waste"), 1);
    addConcept(sql, p, 1302, Ids::GEMET, 1234, QStringLiteral("air pollutant"), 1);
    addConcept(sql, p, 1400, Ids::GEMET, kNull, QStringLiteral("ENERGY"), 0);
    addConcept(sql, p, 1401, Ids::GEMET, 1400, QStringLiteral("energy source"), 1);
    addConcept(sql, p, 1500, Ids::GEMET, kNull, QStringLiteral("ORPHAN TERM"), 1);
    // ECLAS: two subsets out of dex order by id, and a stray descriptor.
    addConcept(sql, p, 30, Ids::ECLAS, kNull, QStringLiteral("003 Economics. Economic conditions. Economic doctrines and systems"), 0);
    addConcept(sql, p, 10, Ids::ECLAS, kNull, QStringLiteral("001 International cooperation. International relations. International law. European Communities. European Union"), 0);
    addConcept(sql, p, 11, Ids::ECLAS, 10, QStringLiteral("treaty"), 1);
    addConcept(sql, p, 20, Ids::ECLAS, kNull, QStringLiteral("002 stray descriptor"), 1);
    TestDb::run(m_path, sql, p);
}

void TestAlignment::init()
{
    AzzeraStato();
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(m_path)));
    vProjectOpen = true;
    m_main = new frmMain;
    installRooms(*m_main);
    m_main->setDatabaseMenus(true);
    m_main->show();
}

void TestAlignment::cleanup()
{
    delete m_main;
    m_main = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    vConnection.ChiudiConnessione();
    QVERIFY(!frmAlbero::leftWindow() && !frmAlbero::rightWindow());
}

void TestAlignment::openMapping(const QString &field, const char *option, const QString &subset)
{
    bool seen = false;
    QTimer::singleShot(0, this, [&] {
        auto *dlg = qobject_cast<frmScegli *>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        seen = true;
        if (!field.isEmpty())
            dlg->findChild<QComboBox *>(QStringLiteral("cmbSource"))->setEditText(field);
        dlg->findChild<QRadioButton *>(QString::fromLatin1(option))->click();
        if (!subset.isNull())
            dlg->findChild<QComboBox *>(QStringLiteral("cmbTarget"))->setEditText(subset);
        dlg->findChild<QPushButton *>(field.isEmpty() ? QStringLiteral("cmdCancella") : QStringLiteral("cmdOk"))->click();
    });
    m_main->action(QStringLiteral("mnuToolsNuovoMapping"))->trigger();
    QVERIFY(seen);
}

QStringList TestAlignment::keys(const ConceptTree *tree) const
{
    QStringList out;
    for (int i = 1; i <= tree->count(); ++i)
        out.append(tree->key(i));
    return out;
}

void TestAlignment::cancelOpensNothing()
{
    ScopedScriptedDialogs d;
    vTargetModel = Ids::UNESCO; // an open mapping's model
    const QString before = m_main->statusText();
    openMapping(QString(), "optGEMET", QString());
    QVERIFY(!frmAlbero::leftWindow() && !frmAlbero::rightWindow());
    QCOMPARE(m_main->area()->subWindowList().size(), 0);
    QCOMPARE(m_main->statusText(), before);
    QCOMPARE(vTargetModel, int(Ids::UNESCO));
    QVERIFY(vSourceName.isEmpty() && vTargetName.isEmpty());
    QVERIFY(d.shown.isEmpty());
    QVERIFY(!QApplication::overrideCursor());
}

void TestAlignment::environmentAndGemetSubset()
{
    ScopedScriptedDialogs d;
    openMapping(QStringLiteral("52 ENVIRONMENT"), "optGEMET", kWastes);
    frmAlbero *left = frmAlbero::leftWindow();
    frmAlbero *right = frmAlbero::rightWindow();
    QVERIFY(left && right);
    QVERIFY(d.shown.isEmpty());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(m_main->statusText(), QStringLiteral("Mapping project: eurovoc VS gemet"));
    QCOMPARE(vRootParams, QVariantList({int(Ids::EUROVOC), QString::fromLatin1(Ids::DomainNamespace) + QStringLiteral("52")}));

    // Right: the chosen subset under the root "gemet".
    QCOMPARE(right->caption(), QStringLiteral("gemet"));
    QVERIFY(!right->isLeftWindow());
    ConceptTree *rt = right->tree();
    QCOMPARE(rt->objectName(), QStringLiteral("treeClassificazione"));
    QCOMPARE(rt->text(1), QStringLiteral("gemet"));
    QCOMPARE(keys(rt), QStringList({"", "R1234", "R1302", "R1300", "R1301"}));
    QCOMPARE(rt->indexOfKey(QStringLiteral("R1234")), 2);
    QCOMPARE(AlberoQuery::nodeKey(true, 1234), QStringLiteral("L1234"));
    QCOMPARE(vRightCount, 5);
    QCOMPARE(vRightNodes.size(), 5);

    // Left: the field's top concept, index 2 and record 1, then pre-order by dex.
    QCOMPARE(left->caption(), QStringLiteral("eurovoc"));
    QVERIFY(left->isLeftWindow());
    ConceptTree *lt = left->tree();
    QCOMPARE(lt->text(1), QStringLiteral("eurovoc"));
    QCOMPARE(lt->children(1), 1);
    QCOMPARE(lt->text(2), QStringLiteral("52 ENVIRONMENT"));
    QCOMPARE(vLeftNodes.at(1).conceptId, 5200);
    QCOMPARE(keys(lt), QStringList({"", "L5200", "L5230", "L5210", "L5212", "L5213", "L5211", "L5220"}));
    QCOMPARE(vLeftCount, lt->count());
    for (int i = 2; i <= lt->count(); ++i)
        QCOMPARE(lt->key(i), QStringLiteral("L") + QString::number(vLeftNodes.at(i - 1).conceptId));
    QCOMPARE(vLeftNodes.at(0).conceptId, 0);
    QCOMPARE(lt->children(lt->count()), 0); // pre-order: the last node is a leaf

    // Finishing pass: pictures and grouping backgrounds.
    const QColor face = ConceptTree::buttonFaceColour();
    auto check = [&](const QString &key, const char *image, bool grouped) {
        const int n = lt->indexOfKey(key);
        QCOMPARE(lt->image(n), QString::fromLatin1(image));
        QCOMPARE(lt->backColor(n) == face, grouped);
    };
    check(QStringLiteral("L5200"), "Plus", true);   // children, is_leaf 0
    check(QStringLiteral("L5230"), "Empty", false); // is_leaf 0, no children
    check(QStringLiteral("L5210"), "Plus", true);
    check(QStringLiteral("L5212"), "Plus", false);  // children, is_leaf 1
    check(QStringLiteral("L5211"), "Empty", false);
    QCOMPARE(lt->image(1), QStringLiteral("Minus"));
    QVERIFY(!lt->backColor(1).isValid());

    // Initial state: root open, everything else closed, search boxes ticked,
    // grid and its caption hidden.
    QVERIFY(lt->expanded(1));
    for (int i = 2; i <= lt->count(); ++i)
        QVERIFY(!lt->expanded(i));
    for (const char *name : {"chkPrefLabel", "chkAltLabel", "chkScopeNote", "chkRelated", "chkNarrower", "chkBroader"})
        QVERIFY(left->findChild<QCheckBox *>(QString::fromLatin1(name))->isChecked());
    QVERIFY(left->findChild<QWidget *>(QStringLiteral("msfgInformazioni"))->isHidden());
    QVERIFY(left->findChild<QLabel *>(QStringLiteral("Label2"))->isHidden());
    QCOMPARE(left->findChild<QWidget *>(QStringLiteral("msfgInformazioni"))->toolTip(),
             QStringLiteral("Doppio click su una cella per visualizzarne il contenuto completo"));

    // Tiled side by side, EUROVOC on the left.
    auto *ls = qobject_cast<QMdiSubWindow *>(left->parentWidget());
    auto *rs = qobject_cast<QMdiSubWindow *>(right->parentWidget());
    QVERIFY(ls && rs);
    QCOMPARE(ls->geometry().x(), 0);
    QCOMPARE(rs->geometry().x(), ls->geometry().right() + 1);
    QCOMPARE(ls->height(), rs->height());
}

void TestAlignment::sameTreeAsThePerConceptWalk()
{
    ScopedScriptedDialogs d;
    openMapping(QStringLiteral("52 ENVIRONMENT"), "optGEMET", QString());
    // Below ENERGY, for this test only: accents and case that the collation
    // orders, a deeper level, and a concept of another thesaurus.
    const QList<QVariantList> extra = {{1410, int(Ids::GEMET), 1400, QStringLiteral("\u00e9nergie"), 0},
                                       {1411, int(Ids::GEMET), 1400, QStringLiteral("Energie"), 1},
                                       {1412, int(Ids::GEMET), 1410, QStringLiteral("\u00c5land energy"), 1},
                                       {1413, int(Ids::GEMET), 1410, QStringLiteral("aland energy"), 1},
                                       {1414, int(Ids::ETT), 1401, QStringLiteral("ZERO"), 1}};
    for (const QVariantList &row : extra)
        vConnection.EseguiIstruzione(
            QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf) values (?, ?, ?, ?, ?)"),
            QStringLiteral("128"), row);
    const auto removeExtra = qScopeGuard([] {
        vConnection.EseguiIstruzione(QStringLiteral("delete from concepts where id between 1410 and 1414"),
                                     QStringLiteral("128"));
    });
    auto snapshot = [](const ConceptTree *t) {
        QStringList s;
        for (int i = 1; i <= t->count(); ++i)
            s.append(QStringLiteral("%1|%2|%3|%4|%5|%6")
                         .arg(t->key(i), t->text(i), t->image(i))
                         .arg(t->parentOf(i))
                         .arg(t->backColor(i).name())
                         .arg(t->expanded(i)));
        return s;
    };
    for (frmAlbero *w : {frmAlbero::leftWindow(), frmAlbero::rightWindow()}) {
        const TreeLoad::Request request = w->isLeftWindow() ? TreeLoad::sourceRequest(QStringLiteral("52"))
                                                            : TreeLoad::targetRequest(Ids::GEMET, QString());
        w->Form_Load(request);
        const QStringList fast = snapshot(w->tree());
        const auto fastRecords = w->nodeRecords();
        const TreeLoad::Result walk = ConceptWalk::load(vConnection, request.rootQuery, request.rootParams);
        QVERIFY(!walk.failure);
        w->showRows(request.caption, request.side, walk.rows);
        w->tree()->setExpanded(1, true);
        QCOMPARE(snapshot(w->tree()), fast);
        QCOMPARE(w->nodeRecords().size(), fastRecords.size());
        for (int i = 0; i < fastRecords.size(); ++i) {
            QCOMPARE(w->nodeRecords().at(i).conceptId, fastRecords.at(i).conceptId);
            QCOMPARE(w->nodeRecords().at(i).isLeaf, fastRecords.at(i).isLeaf);
        }
    }
    // Whole GEMET: both grouping top concepts, the stray descriptor left out.
    QCOMPARE(frmAlbero::rightWindow()->tree()->count(), 7 + int(extra.size()));
    QVERIFY(!frmAlbero::rightWindow()->tree()->indexOfKey(QStringLiteral("R1500")));
    QVERIFY(d.shown.isEmpty());
}

void TestAlignment::eclasWithoutSubset()
{
    ScopedScriptedDialogs d;
    openMapping(QStringLiteral("52 ENVIRONMENT"), "optECLAS", QStringLiteral("ECLAS"));
    QCOMPARE(vTargetModel, int(Ids::ECLAS));
    QVERIFY(vTargetSubset.isEmpty());
    frmAlbero *right = frmAlbero::rightWindow();
    QCOMPARE(right->caption(), QStringLiteral("eclas"));
    QCOMPARE(right->tree()->text(1), QStringLiteral("eclas"));
    QCOMPARE(right->tree()->children(1), 2);
    QCOMPARE(right->tree()->key(right->tree()->child(1, 0)), QStringLiteral("R10"));
    QCOMPARE(right->tree()->key(right->tree()->child(1, 1)), QStringLiteral("R30"));
    QCOMPARE(keys(right->tree()), QStringList({"", "R10", "R11", "R30"}));
    QCOMPARE(m_main->statusText(), QStringLiteral("Mapping project: eurovoc VS eclas"));
}

void TestAlignment::subsetsMatchingNothing_data()
{
    QTest::addColumn<QString>("subset");
    QTest::newRow("unknown") << QStringLiteral("NO SUCH SUBSET");
    QTest::newRow("double quote") << QStringLiteral("WASTES \" or 1=1 or dex = \"");
    QTest::newRow("apostrophe") << QStringLiteral("WASTES ' or '1'='1");
}

void TestAlignment::subsetsMatchingNothing()
{
    QFETCH(QString, subset);
    ScopedScriptedDialogs d;
    openMapping(QStringLiteral("52 ENVIRONMENT"), "optGEMET", subset);
    QCOMPARE(vTargetSubset, subset);
    frmAlbero *right = frmAlbero::rightWindow();
    QCOMPARE(right->tree()->count(), 1);
    QCOMPARE(right->tree()->text(1), QStringLiteral("gemet"));
    QCOMPARE(right->caption(), QStringLiteral("gemet"));
    QCOMPARE(vRightCount, 1);
    QCOMPARE(right->statusText(), QStringLiteral("This database holds no concepts of the GEMET subset \"%1\".").arg(subset));
    QVERIFY(frmAlbero::leftWindow()->statusText().isEmpty());
    QVERIFY(d.shown.isEmpty());
    // A field code with a quote finds nothing either.
    openMapping(QStringLiteral("5\""), "optGEMET", subset);
    QCOMPARE(frmAlbero::leftWindow()->tree()->count(), 1);
    QCOMPARE(vLeftCount, 1);
    QVERIFY(d.shown.isEmpty());
}

void TestAlignment::newMappingReplacesBothTrees()
{
    ScopedScriptedDialogs d;
    openMapping(QStringLiteral("52 ENVIRONMENT"), "optGEMET", kWastes);
    frmAlbero *left = frmAlbero::leftWindow();
    frmAlbero *right = frmAlbero::rightWindow();
    left->treeClassificazione_NodeClick(7);
    right->treeClassificazione_NodeClick(4);
    QCOMPARE(vLeftCurrent, 6);
    QCOMPARE(vRightCurrent, 3);

    openMapping(QStringLiteral("48 TRANSPORT"), "optECLAS", QString());
    QCOMPARE(frmAlbero::leftWindow(), left);
    QCOMPARE(frmAlbero::rightWindow(), right);
    QCOMPARE(m_main->area()->subWindowList().size(), 2);
    QCOMPARE(right->caption(), QStringLiteral("eclas"));
    QCOMPARE(keys(right->tree()), QStringList({"", "R10", "R11", "R30"}));
    QCOMPARE(keys(left->tree()), QStringList({"", "L4800", "L4810"}));
    QCOMPARE(vLeftCurrent, 0);
    QCOMPARE(vRightCurrent, 0);
    QCOMPARE(m_main->statusText(), QStringLiteral("Mapping project: eurovoc VS eclas"));
}

void TestAlignment::expandCollapseAndDeleteSelection()
{
    ScopedScriptedDialogs d;
    openMapping(QStringLiteral("52 ENVIRONMENT"), "optGEMET", kWastes);
    frmAlbero *left = frmAlbero::leftWindow();
    ConceptTree *t = left->tree();
    const int policy = t->indexOfKey(QStringLiteral("L5210"));
    const int clean = t->indexOfKey(QStringLiteral("L5212"));
    t->setImage(policy, QStringLiteral("Pref"));

    left->findChild<QPushButton *>(QStringLiteral("cmdEspandi"))->click();
    for (int i = 1; i < t->count(); ++i)
        QVERIFY(t->expanded(i));
    for (int i = 2; i <= t->count(); ++i) {
        const char *want = t->children(i) == 0 ? "Empty" : (i == policy ? "Pref" : "Minus");
        QCOMPARE(t->image(i), QString::fromLatin1(want));
    }
    // Every node is shown.
    int rows = 0;
    for (QModelIndex i = t->model()->index(0, 0); i.isValid(); i = t->indexBelow(i))
        ++rows;
    QCOMPARE(rows, t->count());

    // Search-like highlights, then Collapse all and Delete the node selection.
    t->setBold(clean, true);
    t->setForeColor(clean, Qt::blue);
    t->setBold(3, true);
    left->treeClassificazione_NodeClick(3);
    left->findChild<QPushButton *>(QStringLiteral("cmdCollassa"))->click();
    QVERIFY(t->expanded(1));
    for (int i = 2; i <= t->count(); ++i) {
        QVERIFY(!t->expanded(i));
        if (t->children(i) > 0)
            QCOMPARE(t->image(i), QString::fromLatin1(i == policy ? "Pref" : "Plus"));
    }
    QVERIFY(t->bold(clean)); // collapsing alone keeps the highlight

    t->setExpanded(policy, true);
    left->findChild<QPushButton *>(QStringLiteral("cmdCancellaSelezione"))->click();
    QVERIFY(!t->expanded(policy));
    QVERIFY(t->expanded(1));
    for (int i = 1; i <= t->count(); ++i) {
        QVERIFY(!t->bold(i));
        QCOMPARE(t->foreColor(i), QColor(Qt::black));
    }
    QCOMPARE(vLeftCurrent, 2);
    QCOMPARE(vRightCurrent, 0);
}

void TestAlignment::nodeClicksAndPrefNodes()
{
    ScopedScriptedDialogs d;
    openMapping(QStringLiteral("52 ENVIRONMENT"), "optGEMET", kWastes);
    frmAlbero *left = frmAlbero::leftWindow();
    frmAlbero *right = frmAlbero::rightWindow();
    m_main->area()->setActiveSubWindow(nullptr);
    ConceptTree *lt = left->tree();
    ConceptTree *rt = right->tree();
    QCOMPARE(left->currentNode(), 1);

    // A real mouse click on node 3 of the left tree.
    lt->setExpanded(2, true);
    QTest::mouseClick(lt->viewport(), Qt::LeftButton, {}, lt->visualRect(lt->modelIndex(3)).center());
    QCOMPARE(vLeftCurrent, 2);
    QCOMPARE(left->currentRecord(), 2);
    QTest::mouseClick(rt->viewport(), Qt::LeftButton, {}, rt->visualRect(rt->modelIndex(2)).center());
    QCOMPARE(vRightCurrent, 1);
    QCOMPARE(vLeftCurrent, 2);

    // Clicking an expanded node with children: "Plus", still expanded.
    QCOMPARE(lt->image(2), QStringLiteral("Plus"));
    left->treeClassificazione_NodeClick(2);
    QVERIFY(lt->expanded(2));
    QCOMPARE(lt->image(2), QStringLiteral("Plus"));
    // Clicking a collapsed node with children: expanded image "Minus".
    const int policy = lt->indexOfKey(QStringLiteral("L5210"));
    left->treeClassificazione_NodeClick(policy);
    QVERIFY(!lt->expanded(policy));
    QCOMPARE(lt->expandedImage(policy), QStringLiteral("Minus"));
    QCOMPARE(vLeftCurrent, policy - 1);
    // A leaf keeps its pictures.
    const int leaf = lt->indexOfKey(QStringLiteral("L5220"));
    left->treeClassificazione_NodeClick(leaf);
    QCOMPARE(lt->image(leaf), QStringLiteral("Empty"));
    QCOMPARE(lt->expandedImage(leaf), QString());

    // The user opens and closes a "Pref" node with the keyboard.
    lt->setImage(policy, QStringLiteral("Pref"));
    lt->setFocus();
    lt->selectNode(policy);
    QTest::keyClick(lt, Qt::Key_Right);
    QVERIFY(lt->expanded(policy));
    QCOMPARE(lt->expandedImage(policy), QStringLiteral("Minus"));
    QTest::keyClick(lt, Qt::Key_Left);
    QVERIFY(!lt->expanded(policy));
    QCOMPARE(lt->image(policy), QStringLiteral("Plus"));
    QCOMPARE(vRightCurrent, 1);
}

void TestAlignment::closingTheLeftWindow()
{
    ScopedScriptedDialogs d;
    openMapping(QStringLiteral("52 ENVIRONMENT"), "optGEMET", kWastes);
    const int rightCount = frmAlbero::rightWindow()->tree()->count();
    const QVector<NodeRecord> leftNodes = vLeftNodes;
    frmAlbero::leftWindow()->treeClassificazione_NodeClick(3);
    frmAlbero::leftWindow()->findChild<QPushButton *>(QStringLiteral("cmdChiudiFinestra"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmAlbero::leftWindow());
    QVERIFY(frmAlbero::rightWindow());
    QCOMPARE(frmAlbero::rightWindow()->tree()->count(), rightCount);
    QCOMPARE(m_main->area()->subWindowList().size(), 1);
    QCOMPARE(vLeftNodes.size(), leftNodes.size());
    QCOMPARE(vLeftNodes.at(2).conceptId, leftNodes.at(2).conceptId);
    QCOMPARE(vLeftCurrent, 2);
    // Mapping > New opens a fresh left window.
    openMapping(QStringLiteral("48 TRANSPORT"), "optGEMET", kWastes);
    QVERIFY(frmAlbero::leftWindow());
    QCOMPARE(frmAlbero::leftWindow()->tree()->count(), 3);
}

void TestAlignment::resizeLayout()
{
    ScopedScriptedDialogs d;
    openMapping(QStringLiteral("52 ENVIRONMENT"), "optGEMET", kWastes);
    frmAlbero *w = frmAlbero::leftWindow();
    const QStringList moved = {"cmdChiudiFinestra", "cmdMapping", "cmdRelazioni"};
    const QStringList widened = {"treeClassificazione", "Label2", "msfgInformazioni"};
    const QStringList fixed = {"cmdEspandi", "cmdCollassa", "cmdCancellaSelezione", "cmdVisualizzaMappati", "Frame1"};

    w->layoutTwips(9000, 9000);
    QHash<QString, QRect> before;
    for (const QString &n : moved + widened + fixed)
        before.insert(n, w->twipsGeometry(n));
    // Right buttons end 160 from the right edge; the tree fills the middle.
    QCOMPARE(before.value(QStringLiteral("cmdMapping")).left(), 9000 - 735 - 160);
    QCOMPARE(before.value(QStringLiteral("treeClassificazione")), QRect(960, 1200, 9000 - 855 - 735 - 360, 9000 - 1200 - 640 - 255 - 1335));
    QCOMPARE(before.value(QStringLiteral("Label2")).top(), 1200 + before.value(QStringLiteral("treeClassificazione")).height() + 100);

    w->layoutTwips(10000, 9000);
    for (const QString &n : moved) {
        QCOMPARE(w->twipsGeometry(n).left(), before.value(n).left() + 1000);
        QCOMPARE(w->twipsGeometry(n).top(), before.value(n).top());
    }
    for (const QString &n : widened) {
        QCOMPARE(w->twipsGeometry(n).width(), before.value(n).width() + 1000);
        QCOMPARE(w->twipsGeometry(n).top(), before.value(n).top());
    }
    for (const QString &n : fixed)
        QCOMPARE(w->twipsGeometry(n), before.value(n));
    // The widgets stand where the twips say.
    const QRect tree = w->twipsGeometry(QStringLiteral("treeClassificazione"));
    QCOMPARE(w->tree()->geometry(), Twips::rect(tree.x(), tree.y(), tree.width(), tree.height()));

    // A real resize of the child window by 1000 twips.
    auto *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget());
    sub->resize(sub->width() - 1, sub->height()); // back to the window's own size
    const int x0 = w->findChild<QPushButton *>(QStringLiteral("cmdMapping"))->x();
    const int tw0 = w->tree()->width();
    sub->resize(sub->width() + Twips::toPixels(1000), sub->height());
    const int dx = w->findChild<QPushButton *>(QStringLiteral("cmdMapping"))->x() - x0;
    QVERIFY(qAbs(dx - Twips::toPixels(1000)) <= 1);
    QVERIFY(qAbs(w->tree()->width() - tw0 - Twips::toPixels(1000)) <= 1);

    // About 1,000 pixels for the main window: the right-hand buttons stay
    // clear of the search band, and every check box shows its caption whole.
    w->layoutTwips(Twips::fromPixels(480), 9000);
    const QRect band = w->twipsGeometry(QStringLiteral("Frame1"));
    for (const QString &n : moved)
        QVERIFY2(w->twipsGeometry(n).left() > band.left() + band.width(), qPrintable(n));
    for (const char *name : {"chkPrefLabel", "chkAltLabel", "chkScopeNote", "chkRelated", "chkNarrower", "chkBroader"}) {
        auto *c = w->findChild<QCheckBox *>(QString::fromLatin1(name));
        QVERIFY2(c->width() >= c->sizeHint().width(), name);
        QVERIFY2(c->parentWidget()->rect().contains(c->geometry()), name);
    }
    QVERIFY(w->findChild<QWidget *>(QStringLiteral("Frame3"))->geometry().right()
            < w->findChild<QWidget *>(QStringLiteral("cmdEseguiRicerca"))->x());
    // The band gave up room from its word box, so the buttons still end 160
    // twips inside the window's right edge, and the search button inside the band.
    for (const QString &n : moved) {
        const QRect r = w->twipsGeometry(n);
        QCOMPARE(r.left() + r.width(), Twips::fromPixels(480) - 160);
    }
    QVERIFY(w->findChild<QWidget *>(QStringLiteral("txtCerca"))->width() >= Twips::toPixels(900));
    QVERIFY(w->findChild<QWidget *>(QStringLiteral("Frame1"))
                ->rect()
                .contains(w->findChild<QWidget *>(QStringLiteral("cmdEseguiRicerca"))->geometry()));
    // Wide again, the band is as designed.
    w->layoutTwips(9000, 9000);
    QCOMPARE(w->twipsGeometry(QStringLiteral("Frame1")), QRect(120, 0, 6315, 1095));

    // Too small a window gives an empty tree, never a negative one.
    w->layoutTwips(1000, 1000);
    QCOMPARE(w->twipsGeometry(QStringLiteral("treeClassificazione")).width(), 0);
    QCOMPARE(w->twipsGeometry(QStringLiteral("treeClassificazione")).height(), 0);

    // With the main window minimized nothing moves.
    w->layoutTwips(9000, 9000);
    m_main->showMinimized();
    w->layoutTwips(12000, 9000);
    QCOMPARE(w->twipsGeometry(QStringLiteral("cmdMapping")).left(), 9000 - 735 - 160);
}

void TestAlignment::databaseErrorEndsTheLoad()
{
    ScopedScriptedDialogs d;
    openMapping(QStringLiteral("52 ENVIRONMENT"), "optGEMET", kWastes);
    frmAlbero *right = frmAlbero::rightWindow();
    right->treeClassificazione_NodeClick(3);
    // The second top-level row fails while it is read.
    const QString failing = QStringLiteral(
        "select id, dex, is_leaf, abs(case when id = ? then -9223372036854775807 - 1 else 0 end) as x "
        "from concepts where model_ref = ? and parent_ref is null and is_leaf = 0");
    QVERIFY(!right->CaricaAlbero(QStringLiteral("gemet"), failing, {1400, int(Ids::GEMET)},
                                 AlberoQuery::targetSide()));
    QCOMPARE(d.messages().size(), 1);
    QVERIFY(d.messages().at(0).startsWith(QStringLiteral("Error ")));
    QVERIFY(d.messages().at(0).contains(QStringLiteral("overflow")));
    QVERIFY(!QApplication::overrideCursor());
    // The first top concept and its subtree stay, finished.
    QCOMPARE(keys(right->tree()), QStringList({"", "R1234", "R1302", "R1300", "R1301"}));
    QCOMPARE(right->tree()->image(2), QStringLiteral("Plus"));
    QCOMPARE(right->tree()->image(3), QStringLiteral("Empty"));
    QCOMPARE(vRightCount, 5);
    QCOMPARE(vRightCurrent, 0);

    // A root query that cannot run at all leaves the root alone.
    d.clear();
    QVERIFY(!right->CaricaAlbero(QStringLiteral("gemet"), QStringLiteral("select * from nowhere"), {},
                                 AlberoQuery::targetSide()));
    QCOMPARE(d.messages().size(), 1);
    QCOMPARE(right->tree()->count(), 1);
    QCOMPARE(vRightCount, 1);
}

void TestAlignment::progressIsThrottled()
{
    // Asked once per concept, the throttle says yes at most once per 33 ms of
    // the program's clock.
    FakeClock clock;
    clock.setStep(1);
    setProgramClock(&clock);
    ProgressThrottle throttle;
    int yes = 0;
    for (int i = 0; i < 20000; ++i)
        yes += throttle.due() ? 1 : 0;
    const int elapsed = clock.reads(); // one millisecond per read
    QVERIFY(yes >= 2);
    QVERIFY(yes <= elapsed / 33 + 1);
    QCOMPARE(yes, throttle.shown());

    // A load writes the line of every concept: the last one stays up.
    ScopedScriptedDialogs d;
    const TreeLoad::Request request = TreeLoad::targetRequest(Ids::GEMET, kWastes);
    frmAlbero w;
    QVERIFY(w.CaricaAlbero(request.caption, request.rootQuery, request.rootParams, request.side));
    QCOMPARE(m_main->statusText(), QStringLiteral("Wait a moment, please (target: 1301)"));
    setProgramClock(nullptr);
}

void TestAlignment::emptyFieldIsSaidInTheWindow()
{
    ScopedScriptedDialogs d;
    // Field 04 has no concept in this database (as in one holding only a target thesaurus).
    openMapping(QStringLiteral("04 POLITICS"), "optGEMET", QString());
    frmAlbero *left = frmAlbero::leftWindow();
    QCOMPARE(left->tree()->count(), 1);
    QCOMPARE(left->statusText(), QStringLiteral("This database holds no concepts of the EUROVOC field 04."));
    QVERIFY(!left->findChild<QLabel *>(QStringLiteral("lblStato"))->isHidden());
    QVERIFY(frmAlbero::rightWindow()->statusText().isEmpty());
    QVERIFY(d.shown.isEmpty());
    // A field that has concepts says nothing.
    openMapping(QStringLiteral("52 ENVIRONMENT"), "optGEMET", QString());
    QVERIFY(frmAlbero::leftWindow()->statusText().isEmpty());
    QVERIFY(frmAlbero::leftWindow()->findChild<QLabel *>(QStringLiteral("lblStato"))->isHidden());
}

void TestAlignment::closedDatabaseDisablesTheTrees()
{
    ScopedScriptedDialogs d;
    openMapping(QStringLiteral("52 ENVIRONMENT"), "optGEMET", QString());
    const QStringList needDatabase = {"Frame1", "txtCerca", "cmdEseguiRicerca", "cmdVisualizzaMappati", "cmdMapping",
                                      "cmdRelazioni"};
    const QStringList always = {"cmdEspandi", "cmdCollassa", "cmdCancellaSelezione", "cmdChiudiFinestra",
                                "treeClassificazione"};
    auto state = [](frmAlbero *w, const QStringList &names) {
        QList<bool> on;
        for (const QString &n : names)
            on << w->findChild<QWidget *>(n)->isEnabled();
        return on;
    };
    const int leftNodes = frmAlbero::leftWindow()->tree()->count();
    m_main->action(QStringLiteral("mnuProgettoChiudi"))->trigger();
    QVERIFY(!vConnection.isOpen());
    for (frmAlbero *w : {frmAlbero::leftWindow(), frmAlbero::rightWindow()}) {
        QVERIFY(w);
        QCOMPARE(state(w, needDatabase), QList<bool>(needDatabase.size(), false));
        QCOMPARE(state(w, always), QList<bool>(always.size(), true));
        QCOMPARE(w->statusText(), QStringLiteral("The database is closed: open it again to go on with this tree."));
    }
    // Enter in the word box does nothing now, and says nothing.
    QTest::keyClick(frmAlbero::leftWindow()->findChild<QLineEdit *>(QStringLiteral("txtCerca")), Qt::Key_Return);
    QVERIFY(d.shown.isEmpty());

    // The same database again: the same trees, the commands back.
    m_main->apriDatabase(m_path);
    QVERIFY(vConnection.isOpen());
    for (frmAlbero *w : {frmAlbero::leftWindow(), frmAlbero::rightWindow()}) {
        QCOMPARE(state(w, needDatabase), QList<bool>(needDatabase.size(), true));
        QVERIFY(w->statusText().isEmpty());
    }
    QCOMPARE(frmAlbero::leftWindow()->tree()->count(), leftNodes);

    // Another database: both trees are read from it.
    m_main->action(QStringLiteral("mnuProgettoChiudi"))->trigger();
    TestDb other;
    const QString path = other.createThesaurus();
    TestDb::run(path, {QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) values "
                                      "(7000, 3, null, '52 ENVIRONMENT', 0, ?), (7001, 3, 7000, 'air', 1, null)"),
                       QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf) values "
                                      "(8000, 5, null, 'AIR', 0), (8001, 5, 8000, 'air quality', 1)")},
                {{QString::fromLatin1(Ids::DomainNamespace) + QStringLiteral("52")}, {}});
    m_main->apriDatabase(path);
    QCOMPARE(keys(frmAlbero::leftWindow()->tree()), (QStringList{"", "L7000", "L7001"}));
    QCOMPARE(keys(frmAlbero::rightWindow()->tree()), (QStringList{"", "R8000", "R8001"}));
    QCOMPARE(vLeftNodes.size(), 3);
    QCOMPARE(state(frmAlbero::rightWindow(), needDatabase), QList<bool>(needDatabase.size(), true));
    QVERIFY(d.shown.isEmpty());
    m_main->action(QStringLiteral("mnuProgettoChiudi"))->trigger();
}

QTEST_MAIN(TestAlignment)
#include "test_alignment.moc"
