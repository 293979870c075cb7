// The mapping editor: filling its boxes, choosing a relation, saving new and
// edited relations, and what it does when saving cannot succeed.
#include "base/dialogs.h"
#include "data/cConnessione.h"
#include "data/mdlGlobale.h"
#include "support/testdb.h"
#include "workspace/mappingeditor.h"
#include "workspace/ui/frmRisultatoMapping.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace mdlGlobale;

namespace {

struct Relation
{
    qint32 id, project, left, right, property;
    QVariant notes;
};

} // namespace

class TestEditor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void buttonsFillOnlyTheirBox();
    void choosingARelationShowsItsDefinition();
    void saveStoresTheNodesClickedLast();
    void idsRunOnAndNeverCollide();
    void unknownRelationTextIsExactMatch();
    void incompleteCoupleWarns();
    void notesStoredExactly_data();
    void notesStoredExactly();
    void editWritesOnlyTheProperty();
    void failedInsertKeepsEverything();
    void rootsAndMissingMappingRefused();
    void hideKeepsTextCloseUnloads();
    void editModeKeepsTheStoredPartsReadOnly();

private:
    frmRisultatoMapping *editor() { return frmRisultatoMapping::instance(); }
    template<typename T> T *child(const char *name)
    {
        T *w = editor()->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    void fillCouple(const QString &relation = QStringLiteral("broadMatch"));
    void save() { child<QPushButton>("cmdSalva")->click(); }
    int relationCount() { return TestDb::value(m_path, QStringLiteral("select count(*) from mappingrelations")).toInt(); }
    Relation relation(qint32 id);

    std::unique_ptr<TestDb> m_db;
    QString m_path;
};

void TestEditor::init()
{
    AzzeraStato();
    RiempiRelazioni();
    m_db = std::make_unique<TestDb>();
    m_path = m_db->createThesaurus();
    TestDb::run(m_path, {QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf) values "
                                        "(100, 3, null, 'Agriculture', 1), (101, 3, null, 'Fishing', 1), "
                                        "(200, 1, null, 'farming', 1), (201, 1, null, 'fisheries', 1)")});
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(m_path)));
    vProjectOpen = true;
    vLastRelationId = LeggiUltimoId(vConnection);
    vTargetModel = 1;
    // Node records as the two trees leave them: record 0 is the root (thesaurus name).
    vLeftNodes = {{0, 0}, {100, 1}, {101, 1}};
    vRightNodes = {{0, 0}, {200, 1}, {201, 1}};
    vLeftCurrent = 1;
    vRightCurrent = 1;
}

void TestEditor::cleanup()
{
    delete frmRisultatoMapping::existing();
    vConnection.ChiudiConnessione();
    m_db.reset();
}

void TestEditor::fillCouple(const QString &relation)
{
    editor()->putSource(QStringLiteral("Agriculture"));
    editor()->putTarget(QStringLiteral("eclas"), QStringLiteral("farming"));
    child<QComboBox>("cmbRelazione")->setEditText(relation);
}

Relation TestEditor::relation(qint32 id)
{
    RecordSet rs;
    vConnection.ApriRS(QStringLiteral("select * from mappingrelations where id = ?"), rs, {id});
    if (rs.isEOF())
        return {0, 0, 0, 0, 0, {}};
    Relation r{rs.value(QStringLiteral("id")).toInt(),
               rs.value(QStringLiteral("project_ref")).toInt(),
               rs.value(QStringLiteral("left_concept_ref")).toInt(),
               rs.value(QStringLiteral("right_concept_ref")).toInt(),
               rs.value(QStringLiteral("property_ref")).toInt(),
               rs.value(QStringLiteral("notes"))};
    vConnection.ChiudiRS(rs);
    return r;
}

void TestEditor::buttonsFillOnlyTheirBox()
{
    frmRisultatoMapping *e = editor();
    QVERIFY(e->isWindow());
    QCOMPARE(e->windowTitle(), QStringLiteral("Mapping"));
    auto *combo = child<QComboBox>("cmbRelazione");
    QVERIFY(combo->isEditable());
    QCOMPARE(combo->currentText(), QStringLiteral("Mapping relation"));
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(0), QStringLiteral("exactMatch"));
    QCOMPARE(combo->itemText(1), QStringLiteral("broadMatch"));
    QCOMPARE(combo->itemText(2), QStringLiteral("narrowMatch"));
    QCOMPARE(child<QPushButton>("cmdSalva")->toolTip(), QStringLiteral("Save mapping relation"));
    QCOMPARE(child<QPushButton>("cmdNascondi")->toolTip(), QStringLiteral("Hide this window"));

    e->putSource(QStringLiteral("Agriculture"));
    QCOMPARE(child<QLineEdit>("txtEurovoc")->text(), QStringLiteral("Agriculture"));
    QCOMPARE(child<QLineEdit>("txtTarget")->text(), QString());
    QCOMPARE(child<QLabel>("Label2")->text(), QString());
    QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("eurovoc"));

    e->putTarget(QStringLiteral("eclas"), QStringLiteral("farming"));
    QCOMPARE(child<QLineEdit>("txtTarget")->text(), QStringLiteral("farming"));
    QCOMPARE(child<QLabel>("Label2")->text(), QStringLiteral("eclas"));
    QCOMPARE(child<QLineEdit>("txtEurovoc")->text(), QStringLiteral("Agriculture"));
    QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("eurovoc"));

    // A second concept from the same side replaces the first.
    e->putSource(QStringLiteral("Fishing"));
    e->putTarget(QStringLiteral("eclas"), QStringLiteral("fisheries"));
    QCOMPARE(child<QLineEdit>("txtEurovoc")->text(), QStringLiteral("Fishing"));
    QCOMPARE(child<QLineEdit>("txtTarget")->text(), QStringLiteral("fisheries"));
    QCOMPARE(combo->currentText(), QStringLiteral("Mapping relation"));
    QCOMPARE(child<QPlainTextEdit>("txtNotes")->toPlainText(), QString());

    e->showModeless();
    QVERIFY(e->isVisible());
    QVERIFY(!e->isModal());
    QCOMPARE(frmRisultatoMapping::instance(), e); // one editor for the program
}

void TestEditor::choosingARelationShowsItsDefinition()
{
    auto *combo = child<QComboBox>("cmbRelazione");
    auto *name = child<QLabel>("Label4");
    auto *definition = child<QLabel>("Label3");
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    QCOMPARE(name->text(), QStringLiteral("broadMatch"));
    QCOMPARE(definition->text(),
             QStringLiteral("If 'concept A has-broad-match concept B' then the set of resources properly indexed "
                            "against concept A is a subset of the set of resources properly indexed against "
                            "concept B."));
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    QCOMPARE(name->text(), QStringLiteral("exactMatch"));
    QVERIFY(definition->text().startsWith(QStringLiteral("If two concepts are an 'exact-match'")));
    QVERIFY(definition->text().endsWith(QStringLiteral("queries and subject-based indexes.")));
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    QCOMPARE(name->text(), QStringLiteral("narrowMatch"));
    QVERIFY(definition->text().contains(QStringLiteral("is a superset of")));
    // Another text empties the definition and keeps the name; case matters.
    combo->setEditText(QStringLiteral("narrowmatch"));
    emit combo->activated(-1);
    QCOMPARE(definition->text(), QString());
    QCOMPARE(name->text(), QStringLiteral("narrowMatch"));
}

void TestEditor::saveStoresTheNodesClickedLast()
{
    ScopedScriptedDialogs d;
    fillCouple();
    child<QPlainTextEdit>("txtNotes")->setPlainText(QStringLiteral("abc"));
    auto *combo = child<QComboBox>("cmbRelazione");
    emit combo->activated(1);
    editor()->showModeless();
    // The user clicks another concept in each tree after putting the first ones in.
    vLeftCurrent = 2;
    vRightCurrent = 2;
    save();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("Store the couple and the relation in db: 2 broadMatch 2")});
    QCOMPARE(d.shown.first().icon, Dialogs::Icon::None);
    const Relation r = relation(1);
    QCOMPARE(r.id, 1);
    QCOMPARE(r.left, 101);
    QCOMPARE(r.right, 201);
    QCOMPARE(r.property, 8);
    QCOMPARE(r.project, 1);
    QCOMPARE(r.notes.toString(), QStringLiteral("abc"));
    QCOMPARE(vLastRelationId, 1);
    // Emptied and hidden; the relation name stays.
    QVERIFY(!editor()->isVisible());
    QCOMPARE(child<QLineEdit>("txtEurovoc")->text(), QString());
    QCOMPARE(child<QLineEdit>("txtTarget")->text(), QString());
    QCOMPARE(combo->currentText(), QStringLiteral("Mapping relation"));
    QCOMPARE(child<QLabel>("Label3")->text(), QString());
    QCOMPARE(child<QLabel>("Label4")->text(), QStringLiteral("broadMatch"));
    QCOMPARE(child<QPlainTextEdit>("txtNotes")->toPlainText(), QString());
}

void TestEditor::idsRunOnAndNeverCollide()
{
    ScopedScriptedDialogs d;
    vLastRelationId = 41;
    fillCouple();
    save();
    fillCouple(QStringLiteral("narrowMatch"));
    save();
    QCOMPARE(relation(42).property, 8);
    QCOMPARE(relation(43).property, 10);
    QCOMPARE(vLastRelationId, 43);

    // Another writer (a merge, another program) added a higher id meanwhile.
    TestDb::run(m_path, {QStringLiteral("insert into mappingrelations values (90, 1, 100, 200, 9, 'other')")});
    fillCouple();
    save();
    QCOMPARE(relation(91).left, 100);
    QCOMPARE(vLastRelationId, 91);
    QCOMPARE(relation(90).notes.toString(), QStringLiteral("other"));

    // A deleted id is not handed out again within the run.
    vConnection.EseguiIstruzione(QStringLiteral("delete from mappingrelations where id = 91"));
    fillCouple();
    save();
    QCOMPARE(relation(91).id, 0);
    QCOMPARE(relation(92).id, 92);
    QCOMPARE(relationCount(), 4); // 42, 43, 90, 92
    QCOMPARE(d.messages().size(), 4);
}

void TestEditor::unknownRelationTextIsExactMatch()
{
    ScopedScriptedDialogs d;
    vTargetModel = 5; // GEMET
    fillCouple(QStringLiteral("closeMatch"));
    save();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("Store the couple and the relation in db: 1 closeMatch 1")});
    QCOMPARE(relation(1).property, 9);
    QCOMPARE(relation(1).project, 4);
    QCOMPARE(MappingEditor::propertyFor(QStringLiteral("broadmatch")), 9); // compared exactly
    QCOMPARE(MappingEditor::propertyFor(QStringLiteral("narrowMatch")), 10);
}

void TestEditor::incompleteCoupleWarns()
{
    ScopedScriptedDialogs d;
    fillCouple(QStringLiteral("Mapping relation"));
    child<QPlainTextEdit>("txtNotes")->setPlainText(QStringLiteral("keep me"));
    editor()->showModeless();
    save();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("Complete the couple and the relation")});
    QCOMPARE(d.shown.first().icon, Dialogs::Icon::Warning);
    QCOMPARE(d.shown.first().title, QString());
    QCOMPARE(relationCount(), 0);
    QCOMPARE(vLastRelationId, 0);
    QVERIFY(editor()->isVisible());
    QCOMPARE(child<QLineEdit>("txtEurovoc")->text(), QStringLiteral("Agriculture"));
    QCOMPARE(child<QLineEdit>("txtTarget")->text(), QStringLiteral("farming"));
    QCOMPARE(child<QPlainTextEdit>("txtNotes")->toPlainText(), QStringLiteral("keep me"));

    // A missing side, and an emptied relation box, warn the same way.
    d.clear();
    child<QComboBox>("cmbRelazione")->setEditText(QStringLiteral("exactMatch"));
    child<QLineEdit>("txtTarget")->clear();
    save();
    child<QLineEdit>("txtTarget")->setText(QStringLiteral("farming"));
    child<QComboBox>("cmbRelazione")->setEditText(QString());
    save();
    QCOMPARE(d.messages(), QStringList(2, QStringLiteral("Complete the couple and the relation")));
    QCOMPARE(relationCount(), 0);

    // After a save, saving again at once finds the boxes empty.
    d.clear();
    child<QComboBox>("cmbRelazione")->setEditText(QStringLiteral("exactMatch"));
    save();
    save();
    QCOMPARE(d.messages(), (QStringList{QStringLiteral("Store the couple and the relation in db: 1 exactMatch 1"),
                                        QStringLiteral("Complete the couple and the relation")}));
    QCOMPARE(relationCount(), 1);
}

void TestEditor::notesStoredExactly_data()
{
    QTest::addColumn<QString>("notes");
    QTest::newRow("plain") << QStringLiteral("abc");
    QTest::newRow("double quotes") << QStringLiteral("see \"broad\" sense\")");
    QTest::newRow("apostrophes") << QStringLiteral("l'agriculture's 'scope'");
    QTest::newRow("backslash percent") << QStringLiteral("C:\\data\\%d 100% _x_");
    QTest::newRow("new lines") << QStringLiteral("first line\nsecond line\n\n  indented\ttab");
    QTest::newRow("sql") << QStringLiteral("x\"); delete from mappingrelations; --");
    QTest::newRow("unicode") << QStringLiteral("Übersicht — 農業 😀");
    QTest::newRow("empty") << QString();
}

void TestEditor::notesStoredExactly()
{
    QFETCH(QString, notes);
    ScopedScriptedDialogs d;
    TestDb::run(m_path, {QStringLiteral("insert into mappingrelations values (5, 1, 100, 200, 9, 'kept')")});
    vLastRelationId = 5;
    fillCouple();
    child<QPlainTextEdit>("txtNotes")->setPlainText(notes);
    save();
    QCOMPARE(d.messages().size(), 1);
    QCOMPARE(relation(6).notes.toString(), notes);
    QVERIFY(!relation(6).notes.isNull());
    QCOMPARE(relation(5).notes.toString(), QStringLiteral("kept"));
    QCOMPARE(relationCount(), 2);
}

void TestEditor::editWritesOnlyTheProperty()
{
    ScopedScriptedDialogs d;
    TestDb::run(m_path, {QStringLiteral("insert into mappingrelations values (3, 1, 100, 200, 9, 'old notes')")});
    vLastRelationId = 3;
    vTargetModel = 4; // an alignment window of another mapping is open
    bool wasModal = false;
    QStringList shown;
    QTimer::singleShot(0, this, [&] {
        wasModal = editor()->isVisible() && editor()->isModal();
        shown << child<QComboBox>("cmbRelazione")->currentText() << child<QLabel>("Label4")->text()
              << child<QLineEdit>("txtEurovoc")->text() << child<QLineEdit>("txtTarget")->text()
              << child<QPlainTextEdit>("txtNotes")->toPlainText();
        child<QComboBox>("cmbRelazione")->setEditText(QStringLiteral("narrowMatch"));
        child<QPlainTextEdit>("txtNotes")->setPlainText(QStringLiteral("new notes"));
        vLeftCurrent = 2; // clicks in the trees do not matter for an edit
        save();
    });
    editor()->showModalForEdit(3, QStringLiteral("Agriculture"), QStringLiteral("exactMatch"),
                               QStringLiteral("farming"), QStringLiteral("old notes"));
    QVERIFY(wasModal);
    QCOMPARE(shown, (QStringList{QStringLiteral("exactMatch"), QStringLiteral("exactMatch"),
                                 QStringLiteral("Agriculture"), QStringLiteral("farming"),
                                 QStringLiteral("old notes")}));
    QCOMPARE(d.messages(), QStringList{QStringLiteral("Update the relation in db with id = 3")});
    const Relation r = relation(3);
    QCOMPARE(r.property, 10);
    QCOMPARE(r.notes.toString(), QStringLiteral("old notes"));
    QCOMPARE(r.left, 100);
    QCOMPARE(r.right, 200);
    QCOMPARE(r.project, 1);
    QCOMPARE(relationCount(), 1);
    QVERIFY(!editor()->isVisible());
    QVERIFY(!editor()->isModal());
    QCOMPARE(vTargetModel, 4);
    QCOMPARE(vLastRelationId, 3);
    // Back in "new relation" mode: the next couple is added, not written over id 3.
    QCOMPARE(vEditRelationId, 0);
    d.clear();
    fillCouple();
    save();
    QCOMPARE(relation(4).left, 101);
    QCOMPARE(relation(4).project, 3);
    QCOMPARE(relation(3).property, 10);

    // An edit of a relation that is no longer there says so and changes nothing.
    d.clear();
    fillCouple(QStringLiteral("broadMatch"));
    vEditRelationId = 77; // an alignment window's concept leaves edit mode: set it after
    save();
    QCOMPARE(d.messages().size(), 1);
    QVERIFY(d.messages().first().contains(QStringLiteral("77")));
    QCOMPARE(d.shown.first().icon, Dialogs::Icon::Warning);
    QCOMPARE(child<QLineEdit>("txtEurovoc")->text(), QStringLiteral("Agriculture"));
    QCOMPARE(relationCount(), 2);
}

void TestEditor::failedInsertKeepsEverything()
{
    ScopedScriptedDialogs d;
    vLastRelationId = 41;
    TestDb::run(m_path, {QStringLiteral("create trigger refuse before insert on mappingrelations "
                                        "begin select raise(abort, 'the disk is full'); end")});
    fillCouple();
    child<QPlainTextEdit>("txtNotes")->setPlainText(QStringLiteral("my long note"));
    editor()->showModeless();
    save();
    QCOMPARE(d.messages().size(), 1);
    QVERIFY(d.messages().first().startsWith(QStringLiteral("Error ")));
    QVERIFY(d.messages().first().contains(QStringLiteral("the disk is full")));
    QCOMPARE(d.shown.first().icon, Dialogs::Icon::Critical);
    QCOMPARE(vLastRelationId, 41);
    QVERIFY(editor()->isVisible());
    QCOMPARE(child<QLineEdit>("txtEurovoc")->text(), QStringLiteral("Agriculture"));
    QCOMPARE(child<QPlainTextEdit>("txtNotes")->toPlainText(), QStringLiteral("my long note"));
    QCOMPARE(child<QComboBox>("cmbRelazione")->currentText(), QStringLiteral("broadMatch"));

    // Once the cause is gone the same save gets the next id.
    TestDb::run(m_path, {QStringLiteral("drop trigger refuse")});
    d.clear();
    save();
    QCOMPARE(relation(42).notes.toString(), QStringLiteral("my long note"));
    QCOMPARE(vLastRelationId, 42);

    // A closed database is reported the same way.
    vConnection.ChiudiConnessione();
    d.clear();
    fillCouple();
    save();
    QCOMPARE(d.messages().size(), 1);
    QVERIFY(d.messages().first().startsWith(QStringLiteral("Error ")));
    QCOMPARE(vLastRelationId, 42);
    QCOMPARE(child<QLineEdit>("txtTarget")->text(), QStringLiteral("farming"));
}

void TestEditor::rootsAndMissingMappingRefused()
{
    ScopedScriptedDialogs d;
    fillCouple();
    vLeftCurrent = 0; // no node clicked yet in the left window: its root
    save();
    vLeftCurrent = 1;
    vRightCurrent = 0;
    save();
    QCOMPARE(d.messages().size(), 2);
    QVERIFY(d.messages().at(0).contains(QStringLiteral("root")));
    QVERIFY(d.messages().at(0).contains(QStringLiteral("eurovoc")));
    QVERIFY(d.messages().at(1).contains(QStringLiteral("target")));
    vRightCurrent = 7; // beyond the loaded records
    save();
    vRightCurrent = 1;
    vTargetModel = 0; // no mapping chosen
    save();
    QCOMPARE(d.messages().size(), 4);
    QCOMPARE(relationCount(), 0);
    QCOMPARE(vLastRelationId, 0);
    QCOMPARE(child<QLineEdit>("txtEurovoc")->text(), QStringLiteral("Agriculture"));
}

void TestEditor::hideKeepsTextCloseUnloads()
{
    fillCouple();
    editor()->showModeless();
    child<QPushButton>("cmdNascondi")->click();
    QVERIFY(!editor()->isVisible());
    QCOMPARE(child<QLineEdit>("txtEurovoc")->text(), QStringLiteral("Agriculture"));
    editor()->showModeless();
    QTest::keyClick(editor(), Qt::Key_Escape);
    QVERIFY(!editor()->isVisible());
    QVERIFY(frmRisultatoMapping::existing());
    QCOMPARE(child<QLineEdit>("txtTarget")->text(), QStringLiteral("farming"));

    QPointer<frmRisultatoMapping> first = editor();
    first->showModeless();
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first);
    QVERIFY(!frmRisultatoMapping::existing());
    QCOMPARE(child<QLineEdit>("txtEurovoc")->text(), QString());
    QCOMPARE(child<QComboBox>("cmbRelazione")->count(), 3);
}

void TestEditor::editModeKeepsTheStoredPartsReadOnly()
{
    ScopedScriptedDialogs d;
    TestDb::run(m_path, {QStringLiteral("insert into mappingrelations values (3, 1, 100, 200, 9, 'old notes')")});
    vLastRelationId = 3;
    // The last alignment window was a GEMET one.
    editor()->putTarget(QStringLiteral("gemet"), QStringLiteral("waste"));
    child<QPushButton>("cmdNascondi")->click();
    QStringList tips, heading;
    QList<bool> readOnly;
    QTimer::singleShot(0, this, [&] {
        heading << child<QLabel>("Label2")->text();
        readOnly << child<QLineEdit>("txtEurovoc")->isReadOnly() << child<QLineEdit>("txtTarget")->isReadOnly()
                 << child<QPlainTextEdit>("txtNotes")->isReadOnly();
        tips << child<QLineEdit>("txtEurovoc")->toolTip() << child<QPlainTextEdit>("txtNotes")->toolTip();
        // What a user types there does not get in.
        child<QPlainTextEdit>("txtNotes")->setFocus();
        QTest::keyClicks(child<QPlainTextEdit>("txtNotes"), QStringLiteral(" and more"));
        QTest::keyClicks(child<QLineEdit>("txtTarget"), QStringLiteral("x"));
        // Nothing changed yet: nothing to lose.
        readOnly << editor()->hasUnsavedRelation();
        child<QComboBox>("cmbRelazione")->setEditText(QStringLiteral("narrowMatch"));
        readOnly << editor()->hasUnsavedRelation();
        save();
    });
    editor()->showModalForEdit(3, QStringLiteral("Agriculture"), QStringLiteral("exactMatch"), QStringLiteral("farming"),
                               QStringLiteral("old notes"), QStringLiteral("ECLAS"));
    QCOMPARE(heading, QStringList{QStringLiteral("eclas")}); // the row's thesaurus
    QCOMPARE(readOnly, (QList<bool>{true, true, true, false, true}));
    QCOMPARE(tips.size(), 2);
    QVERIFY(tips.at(0).startsWith(QStringLiteral("Only the relation is changed here")));
    QCOMPARE(tips.at(1), tips.at(0));
    QCOMPARE(d.messages(), QStringList{QStringLiteral("Update the relation in db with id = 3")});
    QCOMPARE(relation(3).property, 10);
    QCOMPARE(relation(3).notes.toString(), QStringLiteral("old notes"));

    // After the save the boxes are plain again.
    QVERIFY(!child<QLineEdit>("txtEurovoc")->isReadOnly());
    QVERIFY(!child<QPlainTextEdit>("txtNotes")->isReadOnly());
    QVERIFY(child<QPlainTextEdit>("txtNotes")->toolTip().isEmpty());

    // An edit left without saving, then a concept from an alignment window:
    // a new relation starts, it does not update the row.
    QTimer::singleShot(0, this, [&] { child<QPushButton>("cmdNascondi")->click(); });
    editor()->showModalForEdit(3, QStringLiteral("Agriculture"), QStringLiteral("narrowMatch"), QStringLiteral("farming"),
                               QStringLiteral("old notes"), QStringLiteral("ECLAS"));
    QCOMPARE(vEditRelationId, 3);
    editor()->putSource(QStringLiteral("Fishing"));
    QCOMPARE(vEditRelationId, 0);
    QVERIFY(!child<QLineEdit>("txtTarget")->isReadOnly());
    QCOMPARE(child<QLineEdit>("txtTarget")->text(), QString());
    QCOMPARE(child<QPlainTextEdit>("txtNotes")->toPlainText(), QString());
    QVERIFY(editor()->hasUnsavedRelation());
    d.clear();
    vLeftCurrent = 2;
    editor()->putTarget(QStringLiteral("eclas"), QStringLiteral("fisheries"));
    vRightCurrent = 2;
    child<QComboBox>("cmbRelazione")->setEditText(QStringLiteral("exactMatch"));
    save();
    QCOMPARE(relationCount(), 2);
    QCOMPARE(relation(4).left, 101);
    QCOMPARE(relation(3).property, 10);
}

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
