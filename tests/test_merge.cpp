// Merging the relations of a second database: numbering after the largest id,
// copied columns and notes, repeated merges, a failing row undoing the whole
// merge, relations the database cannot show left out and listed, ids that
// would not fit 32 bits, and two merges into one database at once.
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "data/mdlGlobale.h"
#include "shell/project.h"
#include "tools/unione.h"
#include "support/commandrun.h"
#include "tools_fixture.h"

#include <QProcess>
#include <QtTest>

using namespace ToolsFixture;

namespace {

// A database whose mapping relations table accepts what a careless tool may
// have written: Null references and text where ids belong.
QString looseDatabase(TestDb &t, const QString &name)
{
    return t.createWith(name, {QStringLiteral("create table mappingrelations (id integer, project_ref, "
                                              "left_concept_ref, right_concept_ref, property_ref, notes text)")});
}

} // namespace

class TestMerge : public QObject
{
    Q_OBJECT

private slots:
    void init() { mdlGlobale::AzzeraStato(); }

    void appendsAfterLargestIdInIdOrder();
    void intoEmptyTableStartsAtOne();
    void mergingTwiceAndMergingTheOpenFileItself();
    void failingRowUndoesTheWholeMerge_data();
    void failingRowUndoesTheWholeMerge();
    void insertRefusedByDatabaseUndoesTheMerge();
    void cancelledUnreadableOrEmptyAppendingDatabase();
    void readOnlyDatabaseReported();
    void unknownReferencesListedNotAppended();
    void idsBeyond32BitsRefused();
    void lockedDatabaseWaitedForThenReported();
    void twoMergesAtOnceInTwoProcesses();
};

void TestMerge::appendsAfterLargestIdInIdOrder()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{120, 1, 101, 1001, 9, QStringLiteral("mine")}, {17, 2, 102, 2002, 8, QStringLiteral("")}});
    const QString other = thesaurus(t, QStringLiteral("other.sqlite"));
    // Stored out of id order, with quotes, a Null note and an empty one.
    addRelations(other, {{40, 4, 104, 5004, 10, QStringLiteral("it's \"odd\"; drop table x")},
                         {5, 1, 101, 1002, 9, QVariant()},
                         {9, 3, 103, 4003, 8, QStringLiteral("")}});
    OpenDb open(db);
    QCOMPARE(mdlGlobale::vLastRelationId, 120);
    mdlUtil::setCartellaApplicazione(t.folder());

    ScopedScriptedDialogs d;
    d.answerFile(other);
    Unione::UnisciDatabase();
    mdlUtil::setCartellaApplicazione(QString());

    QCOMPARE(d.shown.first().kind, QStringLiteral("open"));
    QCOMPARE(d.shown.first().title, QStringLiteral("Open appending database"));
    QCOMPARE(d.shown.first().extra, t.folder() + QStringLiteral("/|") + Progetto::filtroDatabase());
    QCOMPARE(d.messages(), QStringList{QStringLiteral("3 mapping relations appended")});
    QCOMPARE(relationRows(db), (QStringList{QStringLiteral("17|2|102|2002|8|"),
                                            QStringLiteral("120|1|101|1001|9|mine"),
                                            QStringLiteral("121|1|101|1002|9|"),
                                            QStringLiteral("122|3|103|4003|8|"),
                                            QStringLiteral("123|4|104|5004|10|it's \"odd\"; drop table x")}));
    // The Null note arrives as empty text, not as Null.
    QCOMPARE(TestDb::value(db, QStringLiteral("select count(*) from mappingrelations where notes is null")).toInt(), 0);
    // The editor's counter is left as the open left it; the appending file too.
    QCOMPARE(mdlGlobale::vLastRelationId, 120);
    QCOMPARE(relationRows(other).size(), 3);
    QVERIFY(mdlGlobale::vConnection.isOpen());
}

void TestMerge::intoEmptyTableStartsAtOne()
{
    TestDb t;
    const QString db = thesaurus(t);
    const QString other = thesaurus(t, QStringLiteral("other.sqlite"));
    addRelations(other, {{7, 2, 101, 2001, 9, QStringLiteral("a")}, {3, 2, 102, 2002, 9, QStringLiteral("b")}});
    OpenDb open(db);
    ScopedScriptedDialogs d;
    d.answerFile(other);
    Unione::UnisciDatabase();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("2 mapping relations appended")});
    QCOMPARE(relationRows(db),
             (QStringList{QStringLiteral("1|2|102|2002|9|b"), QStringLiteral("2|2|101|2001|9|a")}));
}

void TestMerge::mergingTwiceAndMergingTheOpenFileItself()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{10, 1, 101, 1001, 9, QStringLiteral("own")}});
    const QString other = thesaurus(t, QStringLiteral("other.sqlite"));
    addRelations(other, {{1, 2, 101, 2001, 9, QVariant()}, {2, 2, 102, 2002, 8, QStringLiteral("n")}});
    OpenDb open(db);
    ScopedScriptedDialogs d;
    d.answerFile(other);
    d.answerFile(other);
    Unione::UnisciDatabase();
    Unione::UnisciDatabase();
    QCOMPARE(d.messages(), (QStringList{QStringLiteral("2 mapping relations appended"),
                                        QStringLiteral("2 mapping relations appended")}));
    QCOMPARE(relationRows(db), (QStringList{QStringLiteral("10|1|101|1001|9|own"), QStringLiteral("11|2|101|2001|9|"),
                                            QStringLiteral("12|2|102|2002|8|n"), QStringLiteral("13|2|101|2001|9|"),
                                            QStringLiteral("14|2|102|2002|8|n")}));

    // Choosing the open file itself doubles its relations, without a lock-up.
    d.clear();
    d.answerFile(db);
    Unione::UnisciDatabase();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("5 mapping relations appended")});
    const QStringList rows = relationRows(db);
    QCOMPARE(rows.size(), 10);
    QCOMPARE(rows.at(5), QStringLiteral("15|1|101|1001|9|own"));
    QCOMPARE(rows.at(9), QStringLiteral("19|2|102|2002|8|n"));
}

void TestMerge::failingRowUndoesTheWholeMerge_data()
{
    QTest::addColumn<QString>("badRow");
    QTest::addColumn<QString>("message");
    const QString undone = QStringLiteral(".\nThe merge was undone: no mapping relation was appended.");
    QTest::newRow("null reference") << QStringLiteral("(9, 1, null, 1001, 9, 'x')")
                                    << QStringLiteral("The mapping relation with id 9 of %1 cannot be appended: "
                                                      "its left_concept_ref is Null")
                                           + undone;
    QTest::newRow("text reference") << QStringLiteral("(9, 1, 101, 1001, 'exactMatch', 'x')")
                                    << QStringLiteral("The mapping relation with id 9 of %1 cannot be appended: "
                                                      "its property_ref \"exactMatch\" is not an id")
                                           + undone;
    QTest::newRow("no id") << QStringLiteral("(null, null, 101, 1001, 9, 'x')")
                           << QStringLiteral("The mapping relation number 1 (it has no id) of %1 cannot be appended: "
                                             "its project_ref is Null")
                                  + undone;
}

void TestMerge::failingRowUndoesTheWholeMerge()
{
    QFETCH(QString, badRow);
    QFETCH(QString, message);
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{120, 1, 101, 1001, 9, QStringLiteral("mine")}});
    const QString other = looseDatabase(t, QStringLiteral("other.sqlite"));
    TestDb::run(other, {QStringLiteral("insert into mappingrelations values (5, 1, 101, 1002, 9, null)"),
                        QStringLiteral("insert into mappingrelations values ") + badRow,
                        QStringLiteral("insert into mappingrelations values (40, 1, 102, 1003, 9, 'z')")});
    OpenDb open(db);
    const QStringList before = relationRows(db);

    ScopedScriptedDialogs d;
    d.answerFile(other);
    Unione::UnisciDatabase();
    QCOMPARE(d.messages(), QStringList{message.arg(other)});
    QCOMPARE(d.shown.last().icon, Dialogs::Icon::Critical);
    QCOMPARE(relationRows(db), before);
    QVERIFY(!d.ended);

    // Nothing is left pending: the next merge of a sound file goes through.
    const QString sound = thesaurus(t, QStringLiteral("sound.sqlite"));
    addRelations(sound, {{1, 2, 101, 2001, 9, QVariant()}});
    d.clear();
    d.answerFile(sound);
    Unione::UnisciDatabase();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("1 mapping relations appended")});
    QCOMPARE(relationRows(db).last(), QStringLiteral("121|2|101|2001|9|"));
}

void TestMerge::insertRefusedByDatabaseUndoesTheMerge()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{1, 1, 101, 1001, 9, QStringLiteral("mine")}});
    // This database refuses a second copy of a relation.
    TestDb::run(db, {QStringLiteral("create unique index one_pair on mappingrelations "
                                    "(project_ref, left_concept_ref, right_concept_ref)")});
    const QString other = thesaurus(t, QStringLiteral("other.sqlite"));
    addRelations(other, {{5, 2, 101, 2001, 9, QVariant()},
                         {9, 3, 101, 4001, 9, QVariant()},
                         {40, 1, 101, 1001, 8, QStringLiteral("same pair")},
                         {41, 4, 101, 5001, 9, QVariant()}});
    OpenDb open(db);
    const QStringList before = relationRows(db);

    ScopedScriptedDialogs d;
    d.answerFile(other);
    Unione::UnisciDatabase();
    QCOMPARE(d.messages().size(), 1);
    const QString text = d.messages().first();
    QVERIFY2(text.startsWith(QStringLiteral("The mapping relation with id 40 of ") + other
                             + QStringLiteral(" cannot be appended: Error ")),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("UNIQUE")), qPrintable(text));
    QVERIFY(text.endsWith(QStringLiteral("The merge was undone: no mapping relation was appended.")));
    QCOMPARE(relationRows(db), before);
}

void TestMerge::cancelledUnreadableOrEmptyAppendingDatabase()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{3, 1, 101, 1001, 9, QStringLiteral("mine")}});
    const QString empty = thesaurus(t, QStringLiteral("empty.sqlite"));
    const QString text = t.writeFile(QStringLiteral("notes.mdb"), "not a database");
    const QString noTable = t.createWith(QStringLiteral("plain.sqlite"), {QStringLiteral("create table x (y)")});
    OpenDb open(db);
    const QStringList before = relationRows(db);

    ScopedScriptedDialogs d;
    Unione::UnisciDatabase(); // the dialog is cancelled
    QCOMPARE(d.messages(), QStringList{QStringLiteral("User cancel")});

    d.clear();
    d.answerFile(text);
    Unione::UnisciDatabase();
    QCOMPARE(d.messages(), (QStringList{QStringLiteral("Connessione non riuscita a: ")
                                            + cConnessione::connectionStringFor(text),
                                        QStringLiteral("No connection")}));
    QVERIFY(!d.ended); // the program goes on with the open database

    d.clear();
    d.answerFile(noTable);
    Unione::UnisciDatabase();
    QCOMPARE(d.messages().size(), 1);
    QVERIFY2(d.messages().first().startsWith(QStringLiteral("Error ")), qPrintable(d.messages().first()));
    QVERIFY(d.messages().first().contains(QStringLiteral("mappingrelations")));

    d.clear();
    d.answerFile(empty);
    Unione::UnisciDatabase();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("No mapping relation appended")});

    QCOMPARE(relationRows(db), before);
    QVERIFY(mdlGlobale::vConnection.isOpen());
}

void TestMerge::readOnlyDatabaseReported()
{
    TestDb t;
    const QString db = thesaurus(t);
    const QString other = thesaurus(t, QStringLiteral("other.sqlite"));
    addRelations(other, {{1, 2, 101, 2001, 9, QVariant()}});
    QVERIFY(mdlGlobale::vConnection.ApriConnessione(QStringLiteral("Provider= Microsoft.Jet.OLEDB.4.0;Mode=Read;"
                                                                   "Data Source=")
                                                    + db + QStringLiteral(";Persist Security Info=False")));
    ScopedScriptedDialogs d;
    d.answerFile(other);
    Unione::UnisciDatabase();
    mdlGlobale::vConnection.ChiudiConnessione();
    QCOMPARE(d.messages().size(), 1);
    QVERIFY2(d.messages().first().startsWith(QStringLiteral("Error 3027: ")), qPrintable(d.messages().first()));
    QVERIFY(relationRows(db).isEmpty());
}

void TestMerge::unknownReferencesListedNotAppended()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{10, 1, 101, 1001, 9, QStringLiteral("mine")}});
    const QString other = thesaurus(t, QStringLiteral("other.sqlite"));
    addRelations(other, {{1, 2, 101, 2001, 9, QStringLiteral("kept")},
                         {2, 2, 999, 2001, 9, QVariant()},
                         {3, 7, 101, 2002, 9, QVariant()},
                         {4, 4, 102, 5002, 12, QVariant()},
                         {5, 1, 101, 4321, 8, QStringLiteral("kept too")}});
    TestDb::run(other, {QStringLiteral("delete from concepts where id = 4321")});
    addConcept(other, 4321, Ids::ECLAS, QStringLiteral("only there"), QStringLiteral("http://x.example/4321"));
    OpenDb open(db);

    ScopedScriptedDialogs d;
    d.answerFile(other);
    Unione::UnisciDatabase();
    const QString list = QStringLiteral(
                             "\n\n4 mapping relations of %1 were not appended: this database does not hold the "
                             "concepts, projects or properties they refer to, so no export and no report would show "
                             "them.\n"
                             "    The mapping relation with id 2: no source concept 999\n"
                             "    The mapping relation with id 3: no project 7\n"
                             "    The mapping relation with id 4: no property 12\n"
                             "    The mapping relation with id 5: no target concept 4321")
                             .arg(other);
    QCOMPARE(d.messages(), QStringList{QStringLiteral("1 mapping relations appended") + list});
    QCOMPARE(d.shown.last().icon, Dialogs::Icon::Warning);
    QCOMPARE(relationRows(db), (QStringList{QStringLiteral("10|1|101|1001|9|mine"),
                                            QStringLiteral("11|2|101|2001|9|kept")}));

    // The script command: the count on the output, the list on the errors;
    // status 1 when nothing at all could be appended.
    Run r = run({QStringLiteral("--merge"), db, other});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("1 mapping relations appended\n"));
    QCOMPARE(r.err, list.mid(2) + QLatin1Char('\n'));
    TestDb::run(other, {QStringLiteral("delete from mappingrelations where id = 1")});
    r = run({QStringLiteral("--merge"), db, other});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.out, QStringLiteral("No mapping relation appended\n"));
    QCOMPARE(relationRows(db).size(), 3);
}

void TestMerge::idsBeyond32BitsRefused()
{
    TestDb t;
    const QString db = thesaurus(t);
    const QString other = thesaurus(t, QStringLiteral("other.sqlite"));
    addRelations(other, {{1, 2, 101, 2001, 9, QVariant()}, {2, 2, 102, 2002, 9, QVariant()}});
    const QString refused = QStringLiteral("The mapping relations of %1 cannot be appended: the highest mapping "
                                           "relation id in this database is %2, and an id is a 32-bit number (at "
                                           "most 2147483647): there are no ids left for 2 more relations.\n"
                                           "The merge was undone: no mapping relation was appended.");

    // One id short of room for two, and an id another tool stored beyond 32 bits.
    for (const qint64 highest : {Q_INT64_C(2147483646), Q_INT64_C(3000000000)}) {
        TestDb::run(db, {QStringLiteral("delete from mappingrelations"),
                         QStringLiteral("insert into mappingrelations values (?, 1, 101, 1001, 9, 'high')")},
                    {{}, {highest}});
        const QStringList before = relationRows(db);
        OpenDb open(db);
        QCOMPARE(mdlGlobale::vLastRelationId, qint32(std::min<qint64>(highest, 2147483647)));
        ScopedScriptedDialogs d;
        d.answerFile(other);
        Unione::UnisciDatabase();
        QCOMPARE(d.messages(), QStringList{refused.arg(other).arg(highest)});
        QCOMPARE(relationRows(db), before);
    }

    // Exactly enough room: the last id is the largest 32-bit one.
    TestDb::run(db, {QStringLiteral("update mappingrelations set id = 2147483645")});
    OpenDb open(db);
    ScopedScriptedDialogs d;
    d.answerFile(other);
    Unione::UnisciDatabase();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("2 mapping relations appended")});
    QCOMPARE(relationRows(db).last(), QStringLiteral("2147483647|2|102|2002|9|"));
}

void TestMerge::lockedDatabaseWaitedForThenReported()
{
    TestDb t;
    const QString db = thesaurus(t);
    const QString other = thesaurus(t, QStringLiteral("other.sqlite"));
    addRelations(other, {{1, 2, 101, 2001, 9, QVariant()}});
    cConnessione::setBusyTimeout(200);
    OpenDb open(db);
    {
        // Another writer holds the database for longer than the wait.
        cConnessione writer;
        QVERIFY(writer.ApriConnessione(cConnessione::connectionStringFor(db)));
        cConnessione::Transaction hold(writer, cConnessione::Lock::Immediate);
        ScopedScriptedDialogs d;
        d.answerFile(other);
        Unione::UnisciDatabase();
        QCOMPARE(d.messages(),
                 QStringList{QStringLiteral("Error 5: The database %1 is in use: another program (or another window "
                                            "of this one) is writing to it, and it stayed locked (this program waits up "
                                            "to 0.2 seconds for it). Try again when that work has finished.")
                                 .arg(db)});
    }
    cConnessione::setBusyTimeout(5000);
    QVERIFY(relationRows(db).isEmpty());

    // Once the other writer has finished, the same merge goes through.
    ScopedScriptedDialogs d;
    d.answerFile(other);
    Unione::UnisciDatabase();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("1 mapping relations appended")});
}

void TestMerge::twoMergesAtOnceInTwoProcesses()
{
    if (programPath().isEmpty())
        QSKIP("the program's executable is needed: build the vospan target");
    TestDb t;
    const QString db = thesaurus(t, QStringLiteral("thesaurus.sqlite"), 50);
    const QString other = thesaurus(t, QStringLiteral("other.sqlite"), 50);
    QList<Relation> many;
    for (int i = 0; i < 2000; ++i)
        many.append({i + 1, 1 + i % 4, 101 + i % 50, 0, 9, QStringLiteral("note %1").arg(i)});
    for (Relation &r : many)
        r.right = (r.project < 3 ? r.project : r.project + 1) * 1000 + 1 + r.left % 50;
    addRelations(other, many);

    // Both start while a third writer holds the database: neither may fail
    // at once, and once it lets go they append one after the other.
    cConnessione writer;
    QVERIFY(writer.ApriConnessione(cConnessione::connectionStringFor(db)));
    std::optional<cConnessione::Transaction> hold(std::in_place, writer, cConnessione::Lock::Immediate);
    QProcess first, second;
    for (QProcess *p : {&first, &second})
        p->start(programPath(), {QStringLiteral("--merge"), db, other});
    QVERIFY(first.waitForStarted() && second.waitForStarted());
    QVERIFY2(!first.waitForFinished(300), first.readAllStandardError().constData());
    hold->commit();
    hold.reset();
    for (QProcess *p : {&first, &second}) {
        QVERIFY(p->waitForFinished(30000));
        QCOMPARE(p->readAllStandardError(), QByteArray());
        QCOMPARE(p->readAllStandardOutput(), QByteArray("2000 mapping relations appended\n"));
        QCOMPARE(p->exitCode(), 0);
    }
    QCOMPARE(TestDb::value(db, QStringLiteral("select count(*) || ' ' || count(distinct id) || ' ' || min(id) || ' ' "
                                              "|| max(id) from mappingrelations"))
                 .toString(),
             QStringLiteral("4000 4000 1 4000"));
}

QTEST_GUILESS_MAIN(TestMerge)
#include "test_merge.moc"
