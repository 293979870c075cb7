// The store through which new mapping relations reach the database: ids one
// above the largest present (and above those the run handed out), a clash
// with another writer's id undone and done again, other failures reported at
// once, and four programs adding relations to one file at the same moment.
//
// Run with "--writer CONNECTION COUNT TAG", this program is one of those
// writers: it opens the database, waits for a line on its standard input (so
// that all writers start together), adds COUNT relations with notes "TAG i"
// and prints their ids.
#include "data/cConnessione.h"
#include "data/relationstore.h"
#include "data/schema.h"
#include "support/pgserver.h"
#include "support/testdb.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSet>
#include <QTextStream>
#include <QtTest>
#include <cstdio>
#include <limits>

namespace {

int writerMain(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 5) {
        std::fputs("usage: --writer CONNECTION COUNT TAG\n", stderr);
        return 2;
    }
    const QString connection = QString::fromLocal8Bit(argv[2]);
    const int count = QString::fromLatin1(argv[3]).toInt();
    const QString tag = QString::fromLocal8Bit(argv[4]);
    // The others hold the lock only for one short transaction each, but four
    // of them may make one wait long on a slow disk.
    cConnessione::setBusyTimeout(120000);
    cConnessione c;
    if (!c.ApriConnessione(connection)) {
        std::fprintf(stderr, "cannot open: %s\n", qPrintable(c.lastOpenError()));
        return 1;
    }
    QTextStream in(stdin);
    in.readLine(); // the start signal
    QTextStream out(stdout);
    try {
        RelationStore store(c);
        for (int i = 0; i < count; ++i) {
            const qint32 id = store.add({1 + i % 4, 100 + i, 2000 + i, 9, tag + QStringLiteral(" %1").arg(i)});
            out << id << '\n';
        }
    } catch (const DbError &e) {
        std::fprintf(stderr, "error %d: %s\n", e.number(), qPrintable(e.description()));
        return 1;
    }
    out.flush();
    c.ChiudiConnessione();
    return 0;
}

// A new thesaurus database, a file or one on the tests' server, holding the
// given rows, and a connection to it.
struct Opened
{
    TestDb t;
    QString db; // a file's path or a server address
    cConnessione c;
    bool open(const QStringList &rows = {}, bool server = false)
    {
        if (server) {
            db = PgServer::instance().createDatabase();
            cConnessione maker;
            maker.setRecordChanges(false);
            if (!maker.ApriConnessione(db))
                return false;
            Schema::create(maker);
            for (const QString &sql : rows)
                maker.EseguiIstruzione(sql);
        } else {
            db = t.createThesaurus();
            if (!rows.isEmpty())
                TestDb::run(db, rows);
        }
        return c.ApriConnessione(cConnessione::connectionStringOf(db));
    }
};

const QString kTheirs = QStringLiteral("insert into mappingrelations values (5, 1, 101, 1001, 9, 'theirs')");

// One column of every relation, in id order, joined by commas.
QString column(const QString &db, const char *name = "id")
{
    cConnessione c;
    if (!c.ApriConnessione(cConnessione::connectionStringOf(db, true)))
        return QStringLiteral("cannot open ") + db;
    QStringList values;
    RecordSet rs;
    c.ApriRS(QStringLiteral("select %1 from mappingrelations order by id").arg(QLatin1String(name)), rs);
    for (; !rs.isEOF(); rs.MoveNext())
        values << rs.value(0).toString();
    c.ChiudiRS(rs);
    return values.join(QLatin1Char(','));
}

QString ids(const QString &db)
{
    return column(db);
}

// The tests that run on a file and on a server database alike.
void onBothEngines()
{
    QTest::addColumn<bool>("server");
    QTest::newRow("file") << false;
    QTest::newRow("server") << true;
}

#define OPEN_ON_ENGINE(o, rows)                                                                                        \
    QFETCH(bool, server);                                                                                              \
    if (server)                                                                                                        \
        SKIP_WITHOUT_SERVER();                                                                                         \
    QVERIFY((o).open(rows, server))

} // namespace

class TestRelationStore : public QObject
{
    Q_OBJECT

private slots:
    void nextIdIsAboveLargestAndAboveTheRun();
    void emptyTableStartsAtOne();
    void noIdLeftStoresNothing();
    void clashWithAnotherWritersIdIsDoneAgain_data() { onBothEngines(); }
    void clashWithAnotherWritersIdIsDoneAgain();
    void clashCaughtByTheWorkIsDoneAgainToo_data() { onBothEngines(); }
    void clashCaughtByTheWorkIsDoneAgainToo();
    void clashThatNeverEndsIsReported_data() { onBothEngines(); }
    void clashThatNeverEndsIsReported();
    void otherFailuresAreNotRetried();
    void workThatGivesUpLeavesNothing_data() { onBothEngines(); }
    void workThatGivesUpLeavesNothing();
    void fourWritersAtOnceInFourProcesses_data() { onBothEngines(); }
    void fourWritersAtOnceInFourProcesses();
};

void TestRelationStore::nextIdIsAboveLargestAndAboveTheRun()
{
    TestDb t;
    const QString db = t.createThesaurus();
    TestDb::run(db, {QStringLiteral("insert into mappingrelations values (1, 1, 101, 1001, 9, 'a')"),
                     QStringLiteral("insert into mappingrelations values (2, 1, 102, 1002, 9, 'b')"),
                     QStringLiteral("insert into mappingrelations values (7, 1, 103, 1003, 9, 'c')")});
    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(db)));
    RelationStore store(c);
    QCOMPARE(store.add({2, 104, 2004, 8, QStringLiteral("d\"q")}), 8);
    QCOMPARE(TestDb::value(db, QStringLiteral("select project_ref || '|' || left_concept_ref || '|' || "
                                              "right_concept_ref || '|' || property_ref || '|' || notes from "
                                              "mappingrelations where id = 8"))
                 .toString(),
             QStringLiteral("2|104|2004|8|d\"q"));

    // Another connection adds one: the next id follows it, not a counter.
    {
        cConnessione other;
        QVERIFY(other.ApriConnessione(cConnessione::connectionStringFor(db)));
        QCOMPARE(RelationStore(other).add({1, 105, 1005, 10, QVariant()}), 9);
        QVERIFY(TestDb::value(db, QStringLiteral("select notes from mappingrelations where id = 9")).isNull());
    }
    // Ids the run handed out stay used even when their rows are gone.
    c.EseguiIstruzione(QStringLiteral("delete from mappingrelations where id = 9"));
    QCOMPARE(store.add({1, 106, 1006, 9, QString()}, 9), 10);
    QCOMPARE(store.add({1, 107, 1007, 9, QString()}, 40), 41);
    QCOMPARE(ids(db), QStringLiteral("1,2,7,8,10,41"));
}

void TestRelationStore::emptyTableStartsAtOne()
{
    Opened o;
    QVERIFY(o.open());
    const QString &db = o.db;
    cConnessione &c = o.c;
    QCOMPARE(RelationStore(c).add({1, 101, 1001, 9, QString()}), 1);
    QCOMPARE(ids(db), QStringLiteral("1"));
}

void TestRelationStore::noIdLeftStoresNothing()
{
    TestDb t;
    const QString db = t.createThesaurus();
    TestDb::run(db, {QStringLiteral("insert into mappingrelations values (2147483646, 1, 101, 1001, 9, 'a')")});
    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(db)));
    RelationStore store(c);
    QCOMPARE(store.add({1, 102, 1002, 9, QString()}), std::numeric_limits<qint32>::max());
    QCOMPARE(store.add({1, 103, 1003, 9, QString()}), 0);
    // Beyond the 32-bit range (another tool wrote it): no id is left either.
    c.EseguiIstruzione(QStringLiteral("update mappingrelations set id = 4000000000 where id = 2147483646"));
    QCOMPARE(store.add({1, 104, 1004, 9, QString()}), 0);
    QCOMPARE(TestDb::value(db, QStringLiteral("select count(*) from mappingrelations")).toInt(), 2);
}

void TestRelationStore::clashWithAnotherWritersIdIsDoneAgain()
{
    Opened o;
    OPEN_ON_ENGINE(o, {kTheirs});
    const QString &db = o.db;
    cConnessione &c = o.c;
    // The first attempt plays a writer that read the largest id before
    // another one stored it: its id is taken.  Everything it wrote before the
    // clash is undone, and the second attempt reads afresh.
    int attempts = 0;
    const bool kept = RelationStore(c).write([&](RelationStore::Batch &batch) {
        ++attempts;
        const qint64 highest = batch.highestId();
        if (attempts == 1) {
            batch.insert(6, {1, 102, 1002, 9, QStringLiteral("first try")});
            batch.insert(5, {1, 103, 1003, 9, QStringLiteral("clash")});
        }
        batch.insert(static_cast<qint32>(highest + 1), {1, 104, 1004, 8, QStringLiteral("mine")});
        return true;
    });
    QVERIFY(kept);
    QCOMPARE(attempts, 2);
    QCOMPARE(ids(db), QStringLiteral("5,6"));
    QCOMPARE(column(db, "notes"), QStringLiteral("theirs,mine"));
}

void TestRelationStore::clashCaughtByTheWorkIsDoneAgainToo()
{
    Opened o;
    OPEN_ON_ENGINE(o, {kTheirs});
    const QString &db = o.db;
    cConnessione &c = o.c;
    // A work that reports failing rows itself (the merge, the import) may
    // catch the clash and give up: the store still does it again.
    int attempts = 0;
    QString seen;
    const bool kept = RelationStore(c).write([&](RelationStore::Batch &batch) {
        ++attempts;
        try {
            batch.insert(attempts == 1 ? 5 : 6, {1, 102, 1002, 9, QStringLiteral("mine")});
        } catch (const DbError &e) {
            seen = e.description();
            return false;
        }
        return true;
    });
    QVERIFY(kept);
    QCOMPARE(attempts, 2);
    QVERIFY2(seen.contains(QLatin1String("unique"), Qt::CaseInsensitive), qPrintable(seen));
    QCOMPARE(ids(db), QStringLiteral("5,6"));
}

void TestRelationStore::clashThatNeverEndsIsReported()
{
    Opened o;
    OPEN_ON_ENGINE(o, {kTheirs});
    const QString &db = o.db;
    cConnessione &c = o.c;
    int attempts = 0;
    try {
        RelationStore(c).write([&](RelationStore::Batch &batch) {
            ++attempts;
            batch.insert(7, {1, 102, 1002, 9, QString()});
            batch.insert(5, {1, 103, 1003, 9, QString()});
            return true;
        });
        QFAIL("a clash on every attempt must be reported");
    } catch (const DbError &e) {
        QVERIFY2(e.description().contains(QLatin1String("other programs kept taking the same new ids")),
                 qPrintable(e.description()));
    }
    QCOMPARE(attempts, RelationStore::Attempts);
    QCOMPARE(ids(db), QStringLiteral("5"));
    // The connection is usable afterwards: no transaction was left open.
    QCOMPARE(RelationStore(c).add({1, 104, 1004, 9, QString()}), 6);
}

void TestRelationStore::otherFailuresAreNotRetried()
{
    TestDb t;
    const QString db = t.createThesaurus();
    TestDb::run(db, {QStringLiteral("create trigger refuse before insert on mappingrelations "
                                    "begin select raise(abort, 'the disk is full'); end")});
    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(db)));
    int attempts = 0;
    try {
        RelationStore(c).write([&](RelationStore::Batch &batch) {
            ++attempts;
            batch.insert(1, {1, 101, 1001, 9, QString()});
            return true;
        });
        QFAIL("the refusal must reach the caller");
    } catch (const DbError &e) {
        QVERIFY2(e.description().contains(QLatin1String("the disk is full")), qPrintable(e.description()));
        QVERIFY(!RelationStore::isConflict(e));
    }
    QCOMPARE(attempts, 1);
    QVERIFY_THROWS_EXCEPTION(DbError, RelationStore(c).add({1, 101, 1001, 9, QString()}));
    TestDb::run(db, {QStringLiteral("drop trigger refuse")});
    QCOMPARE(RelationStore(c).add({1, 101, 1001, 9, QString()}), 1);

    // A unique index on the pair refuses the row whatever the id: no retry.
    TestDb::run(db, {QStringLiteral("create unique index one_per_pair on mappingrelations "
                                    "(left_concept_ref, right_concept_ref)")});
    attempts = 0;
    try {
        RelationStore(c).write([&](RelationStore::Batch &batch) {
            ++attempts;
            batch.insert(static_cast<qint32>(batch.highestId() + 1), {2, 101, 1001, 8, QString()});
            return true;
        });
        QFAIL("the refusal must reach the caller");
    } catch (const DbError &e) {
        QVERIFY2(!RelationStore::isConflict(e), qPrintable(e.description()));
    }
    QCOMPARE(attempts, 1);
    QCOMPARE(ids(db), QStringLiteral("1"));
}

void TestRelationStore::workThatGivesUpLeavesNothing()
{
    Opened o;
    OPEN_ON_ENGINE(o, {});
    const QString &db = o.db;
    cConnessione &c = o.c;
    const bool kept = RelationStore(c).write([](RelationStore::Batch &batch) {
        batch.insert(1, {1, 101, 1001, 9, QString()});
        batch.insert(2, {1, 102, 1002, 9, QString()});
        return false;
    });
    QVERIFY(!kept);
    QCOMPARE(ids(db), QString());
}

void TestRelationStore::fourWritersAtOnceInFourProcesses()
{
    Opened o;
    OPEN_ON_ENGINE(o, {});
    const QString db = o.db;
    o.c.ChiudiConnessione();
    constexpr int writers = 4;
    constexpr int each = 500;
    QProcess processes[writers];
    for (int k = 0; k < writers; ++k) {
        processes[k].start(QCoreApplication::applicationFilePath(),
                           {QStringLiteral("--writer"), cConnessione::connectionStringOf(db), QString::number(each),
                            QStringLiteral("w%1").arg(k)});
        QVERIFY(processes[k].waitForStarted());
    }
    // All are running: let them go together.
    for (QProcess &p : processes)
        p.write("go\n");
    QSet<qint32> handedOut;
    QHash<qint32, QString> toldTo; // id -> the writer that was given it
    for (int k = 0; k < writers; ++k) {
        QProcess &p = processes[k];
        QVERIFY(p.waitForFinished(240000));
        QCOMPARE(p.readAllStandardError(), QByteArray());
        QCOMPARE(p.exitCode(), 0);
        const QList<QByteArray> lines = p.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lines.size(), each);
        qint32 previous = 0;
        for (const QByteArray &line : lines) {
            const qint32 id = line.toInt();
            QVERIFY2(id > previous, "a writer's own ids rise");
            previous = id;
            handedOut.insert(id);
            toldTo.insert(id, QStringLiteral("w%1").arg(k));
        }
    }
    QCOMPARE(handedOut.size(), writers * each);
    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringOf(db, true)));
    QCOMPARE(c.scalar(QStringLiteral("select count(*) from mappingrelations")).toInt(), writers * each);
    QCOMPARE(c.scalar(QStringLiteral("select count(distinct id) from mappingrelations")).toInt(), writers * each);
    QCOMPARE(c.scalar(QStringLiteral("select min(id) from mappingrelations")).toInt(), 1);
    QCOMPARE(c.scalar(QStringLiteral("select max(id) from mappingrelations")).toInt(), writers * each);
    // Each writer's rows are there under the ids it was told, none under
    // another writer's; the log signs each row by the session of its writer.
    RecordSet rs;
    c.ApriRS(QStringLiteral("select mappingrelations.id, notes, session from mappingrelations "
                            "inner join vospan_relationlog on vospan_relationlog.relation_ref = mappingrelations.id"),
             rs);
    int checked = 0;
    QHash<QString, QString> sessionOf;
    for (; !rs.isEOF(); rs.MoveNext(), ++checked) {
        const qint32 id = rs.value(0).toInt();
        const QString writer = rs.value(1).toString().section(QLatin1Char(' '), 0, 0);
        QCOMPARE(writer, toldTo.value(id));
        const QString session = rs.value(2).toString();
        QVERIFY(!session.isEmpty());
        QCOMPARE(sessionOf.value(writer, session), session);
        sessionOf.insert(writer, session);
    }
    c.ChiudiRS(rs);
    QCOMPARE(checked, writers * each);
    QCOMPARE(QSet<QString>(sessionOf.cbegin(), sessionOf.cend()).size(), writers);
}

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--writer") == 0)
        return writerMain(argc, argv);
    QCoreApplication app(argc, argv);
    TestRelationStore test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_relationstore.moc"
