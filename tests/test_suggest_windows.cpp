// The suggestion windows on a small mapping: Suggest targets from the menu and
// the eurovoc window's button, choosing a row (target tree and editor), the
// field review with its filters, keys, progress and Cancel.
#include "base/dialogs.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "suggest/decisions.h"
#include "suggest/fieldreview.h"
#include "suggest/ui/frmRevisione.h"
#include "suggest/ui/frmSuggerimenti.h"
#include "support/testdb.h"
#include "tools_fixture.h"
#include "widgets/ui/ConceptTree.h"
#include "widgets/ui/FlexGrid.h"
#include "workspace/ui/frmAlbero.h"
#include "workspace/ui/frmRisultatoMapping.h"
#include "workspace/ui/frmScegli.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

using namespace mdlGlobale;

namespace {

const QVariant kNull = QVariant(QMetaType(QMetaType::Int));

void addConcept(QStringList &sql, QList<QVariantList> &params, int id, int model, QVariant parent, const QString &dex,
                int leaf, const QString &uri = {})
{
    sql.append(QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) "
                              "values (?, ?, ?, ?, ?, ?)"));
    params.append({id, model, parent, dex, leaf, uri.isEmpty() ? QString(QStringLiteral("http://x.example/%1")).arg(id) : uri});
}

} // namespace

class TestSuggestWindows : public QObject
{
    Q_OBJECT

    TestDb m_db;
    QString m_path;
    frmMain *m_main = nullptr;

    void openMapping()
    {
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto *dlg = qobject_cast<frmScegli *>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            seen = true;
            dlg->findChild<QComboBox *>(QStringLiteral("cmbSource"))->setEditText(QStringLiteral("52"));
            dlg->findChild<QRadioButton *>(QStringLiteral("optGEMET"))->click();
            dlg->findChild<QPushButton *>(QStringLiteral("cmdOk"))->click();
        });
        m_main->action(QStringLiteral("mnuToolsNuovoMapping"))->trigger();
        QVERIFY(seen);
        QVERIFY(frmAlbero::leftWindow() && frmAlbero::rightWindow());
        QCoreApplication::processEvents(); // the eurovoc window's button comes from the event loop
    }

    // Clicks the eurovoc node of a concept as the user would.
    void clickLeft(qint32 conceptId)
    {
        frmAlbero *left = frmAlbero::leftWindow();
        const int node = left->tree()->indexOfKey(QStringLiteral("L%1").arg(conceptId));
        QVERIFY(node > 0);
        left->treeClassificazione_NodeClick(node);
    }

private slots:
    void initTestCase()
    {
        m_path = m_db.createThesaurus();
        QStringList sql;
        QList<QVariantList> p;
        const QString ns = QString::fromLatin1(Ids::DomainNamespace);
        addConcept(sql, p, 5200, Ids::EUROVOC, kNull, QStringLiteral("52 ENVIRONMENT"), 0, ns + QStringLiteral("52"));
        addConcept(sql, p, 5210, Ids::EUROVOC, 5200, QStringLiteral("waste management"), 1);
        addConcept(sql, p, 5211, Ids::EUROVOC, 5210, QStringLiteral("hazardous wastes"), 1);
        addConcept(sql, p, 5212, Ids::EUROVOC, 5210, QStringLiteral("air pollutants"), 1);
        addConcept(sql, p, 1234, Ids::GEMET, kNull, QStringLiteral("WASTES"), 0);
        addConcept(sql, p, 1300, Ids::GEMET, 1234, QStringLiteral("waste management"), 1);
        addConcept(sql, p, 1301, Ids::GEMET, 1300, QStringLiteral("hazardous waste"), 1);
        addConcept(sql, p, 1400, Ids::GEMET, kNull, QStringLiteral("AIR"), 0);
        addConcept(sql, p, 1401, Ids::GEMET, 1400, QStringLiteral("air pollutant"), 1);
        TestDb::run(m_path, sql, p);
    }

    void init()
    {
        AzzeraStato();
        QFile::remove(m_db.path(QStringLiteral("work.sqlite")));
        QVERIFY(QFile::copy(m_path, m_db.path(QStringLiteral("work.sqlite"))));
        QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(m_db.path(QStringLiteral("work.sqlite")))));
        vProjectOpen = true;
        m_main = new frmMain;
        installRooms(*m_main);
        m_main->setDatabaseMenus(true);
        m_main->show();
    }

    void cleanup()
    {
        delete m_main;
        m_main = nullptr;
        if (frmRisultatoMapping *e = frmRisultatoMapping::existing())
            delete e;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Suggest::forgetCurrentMatcher();
        vConnection.ChiudiConnessione();
    }

    void menuItemsAndButton()
    {
        QAction *item = m_main->action(QStringLiteral("mnuSuggerisciTarget"));
        QVERIFY(item);
        QCOMPARE(item->text(), QStringLiteral("Suggest targets"));
        QCOMPARE(item->toolTip(), QStringLiteral("Suggest targets"));
        QVERIFY(!item->shortcut().isEmpty());
        QAction *field = m_main->action(QStringLiteral("mnuSuggerisciCampo"));
        QVERIFY(field);
        QCOMPARE(field->text(), QStringLiteral("Suggest relations for a field..."));
        // Both follow the database like the other items; the mapping import stays last in Utilities.
        m_main->setDatabaseMenus(false);
        QVERIFY(!item->isEnabled() && !field->isEnabled());
        m_main->setDatabaseMenus(true);
        QVERIFY(item->isEnabled() && field->isEnabled());
        QCOMPARE(m_main->menu(QStringLiteral("mnuUtility"))->actions().last(),
                 m_main->action(QStringLiteral("mnuUtilityImportaMapping")));
        {
            // Before a mapping is open the item says what to do.
            ScopedScriptedDialogs d;
            item->trigger();
            QCOMPARE(d.messages().size(), 1);
            QVERIFY(d.messages().first().startsWith(QStringLiteral("No mapping is open")));
        }
        openMapping();
        auto *button = frmAlbero::leftWindow()->findChild<QPushButton *>(QStringLiteral("cmdSuggerisci"));
        QVERIFY(button);
        QCOMPARE(button->toolTip(), QStringLiteral("Suggest targets"));
        QVERIFY(!frmAlbero::rightWindow()->findChild<QPushButton *>(QStringLiteral("cmdSuggerisci")));
        {
            // No concept clicked yet.
            ScopedScriptedDialogs d;
            button->click();
            QCOMPARE(d.messages().size(), 1);
            QVERIFY(d.messages().first().startsWith(QStringLiteral("Click a concept")));
        }
        clickLeft(5211);
        ScopedScriptedDialogs d;
        button->click();
        QVERIFY2(d.messages().isEmpty(), qPrintable(d.messages().join(QLatin1Char('\n'))));
        frmSuggerimenti *list = frmSuggerimenti::existing();
        QVERIFY(list);
        QVERIFY(list->count() >= 1 && list->count() <= 10);
        QCOMPARE(list->candidate(1).target, 1301);
        QCOMPARE(list->grid()->textMatrix(1, 3), QStringLiteral("hazardous waste"));
        QCOMPARE(list->grid()->textMatrix(1, 2), QStringLiteral("exactMatch"));
        QVERIFY(list->grid()->textMatrix(1, 4).contains(QStringLiteral("'hazardous wastes' = ")));
        QVERIFY(list->heading().contains(QStringLiteral("hazardous wastes")));
        // Shown, below the target tree, after the two attempts that had nothing to show.
        QCoreApplication::processEvents();
        QVERIFY(frmSuggerimenti::existing() == list);
        QVERIFY(list->isVisible() && list->grid()->isVisible());
        QVERIFY(list->parentWidget()->geometry().top()
                >= frmAlbero::rightWindow()->parentWidget()->geometry().bottom());
    }

    void choosingARowFillsTheEditor()
    {
        openMapping();
        clickLeft(5211);
        suggestTargets();
        frmSuggerimenti *list = frmSuggerimenti::existing();
        QVERIFY(list && list->count() >= 1);
        QVERIFY(list->choose(1));
        // The target concept is chosen in the right tree...
        frmAlbero *right = frmAlbero::rightWindow();
        const int node = right->tree()->indexOfKey(QStringLiteral("R1301"));
        QCOMPARE(right->tree()->selectedIndex(), node);
        QCOMPARE(vRightNodes.at(vRightCurrent).conceptId, 1301);
        // ...and the editor holds the pair and the proposed relation.
        frmRisultatoMapping *editor = frmRisultatoMapping::existing();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->findChild<QLineEdit *>(QStringLiteral("txtEurovoc"))->text(), QStringLiteral("hazardous wastes"));
        QCOMPARE(editor->findChild<QLineEdit *>(QStringLiteral("txtTarget"))->text(), QStringLiteral("hazardous waste"));
        QCOMPARE(editor->findChild<QComboBox *>(QStringLiteral("cmbRelazione"))->currentText(), QStringLiteral("exactMatch"));
        // The editor saves as it always does.
        ScopedScriptedDialogs d;
        editor->cmdSalva_Click();
        QCOMPARE(TestDb::value(vConnection.databasePath(),
                               QStringLiteral("select count(*) from mappingrelations where left_concept_ref = 5211 "
                                              "and right_concept_ref = 1301 and property_ref = 9 and project_ref = 4"))
                     .toInt(),
                 1);
        // Stored, the pair is no longer suggested.
        suggestTargets();
        for (int i = 1; i <= list->count(); ++i)
            QVERIFY(list->candidate(i).target != 1301);
    }

    void fieldReviewWithKeys()
    {
        openMapping();
        ScopedScriptedDialogs d;
        m_main->action(QStringLiteral("mnuSuggerisciCampo"))->trigger();
        frmRevisione *w = frmRevisione::existing();
        QVERIFY(w);
        QCOMPARE(d.progresses.size(), 1);
        QVERIFY(d.progresses.first().closed);
        // Every concept of the field was run (three real concepts).
        QCOMPARE(w->review().sources(), 3);
        auto *minScore = w->findChild<QDoubleSpinBox *>(QStringLiteral("spnPunteggio"));
        minScore->setValue(0);
        const int all = w->grid()->rows() - 1;
        QVERIFY(all >= 3);
        // Filters: a score above everything shows nothing; a relation only its rows.
        minScore->setValue(1.0);
        QVERIFY(w->grid()->rows() - 1 < all);
        minScore->setValue(0);
        auto *relation = w->findChild<QComboBox *>(QStringLiteral("cmbFiltroRelazione"));
        relation->setCurrentText(QStringLiteral("exactMatch"));
        for (int r = 1; r < w->grid()->rows(); ++r)
            QCOMPARE(w->grid()->textMatrix(r, 2), QStringLiteral("exactMatch"));
        relation->setCurrentIndex(0);

        // Find the hazardous wastes -> hazardous waste row and accept it with Enter.
        auto rowOf = [w](qint32 source, qint32 target) {
            for (int r = 1; r < w->grid()->rows(); ++r) {
                const auto &row = w->review().rows().at(w->reviewRow(r));
                if (row.candidate.source == source && row.candidate.target == target)
                    return r;
            }
            return -1;
        };
        const int accepted = rowOf(5211, 1301);
        QVERIFY(accepted > 0);
        w->grid()->setRow(accepted);
        d.clear();
        QTest::keyClick(w->grid(), Qt::Key_Return);
        QCOMPARE(w->grid()->textMatrix(accepted, 5), QStringLiteral("accepted"));
        QCOMPARE(d.messages().size(), 1); // the editor's own message
        QVERIFY(d.messages().first().startsWith(QStringLiteral("Store the couple and the relation in db: ")));
        QCOMPARE(TestDb::value(vConnection.databasePath(),
                               QStringLiteral("select count(*) from mappingrelations where left_concept_ref = 5211 "
                                              "and right_concept_ref = 1301 and property_ref = 9"))
                     .toInt(),
                 1);
        // The cursor moved on; Delete rejects the row now current, Space skips the next.
        const int rejected = w->grid()->row();
        QCOMPARE(rejected, std::min(accepted + 1, w->grid()->rows() - 1));
        const auto rejectedPair = w->review().rows().at(w->reviewRow(rejected)).candidate;
        QTest::keyClick(w->grid(), Qt::Key_Delete);
        if (rejected != accepted) {
            QCOMPARE(w->grid()->textMatrix(rejected, 5), QStringLiteral("rejected"));
            const auto pairs = Decisions::rejectedPairs(vConnection, 4);
            QVERIFY(pairs.contains(std::make_pair(rejectedPair.source, rejectedPair.target)));
        }
        // Not yet reviewed: the decided rows leave the grid.
        w->findChild<QCheckBox *>(QStringLiteral("chkNonRivisti"))->setChecked(true);
        for (int r = 1; r < w->grid()->rows(); ++r)
            QCOMPARE(w->grid()->textMatrix(r, 5), QString());
        QVERIFY(w->statusText().contains(QStringLiteral("1 accepted")));
    }

    void cancelledReviewShowsNothing()
    {
        openMapping();
        ScopedScriptedDialogs d;
        d.cancelProgressAt(1);
        m_main->action(QStringLiteral("mnuSuggerisciCampo"))->trigger();
        QCOMPARE(d.progresses.size(), 1);
        QVERIFY(d.progresses.first().cancelled);
        QCoreApplication::processEvents();
        QVERIFY(!frmRevisione::existing());
        QCOMPARE(TestDb::value(vConnection.databasePath(), QStringLiteral("select count(*) from mappingrelations")).toInt(), 0);
        // The next run makes a window that shows its rows.
        m_main->action(QStringLiteral("mnuSuggerisciCampo"))->trigger();
        QCoreApplication::processEvents();
        QVERIFY(frmRevisione::existing() && frmRevisione::existing()->isVisible());
        QCOMPARE(frmRevisione::existing()->review().sources(), 3);
    }
};

QTEST_MAIN(TestSuggestWindows)
#include "test_suggest_windows.moc"
