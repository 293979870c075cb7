// The database connection: opening by content, result sets, statements,
// read-only files, the highest relation id, the case rules of the schema.
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "data/cConnessione.h"
#include "data/databasefile.h"
#include "data/mdlGlobale.h"
#include "data/schema.h"
#include "data/sqlitefunctions.h"
#include "support/testdb.h"

#include <QFile>
#include <sqlite3.h>
#include <QtTest>

class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void connectionStringShownOnFailure();
    void refusesWhatIsNotAThesaurusFile_data();
    void refusesWhatIsNotAThesaurusFile();
    void openCloseTwice();
    void resultSets();
    void statementsAndParameters();
    void transactionGuardCommitsOrRollsBack();
    void immediateTransactionTakesTheWriteLock();
    void lastIdOnOneTwoSeven();
    void lastIdOnEmptyAndMissingTable();
    void viewsCreatedOnlyWhenMissing();
    void readOnlyFileWarnsAndRefusesChanges();
    void caseInsensitiveOrderAndComparison();
    void schemaKeepsNotNullAndUniqueIds();
};

void TestConnection::connectionStringShownOnFailure()
{
    ScopedScriptedDialogs d;
    cConnessione c;
    const QString cs = cConnessione::connectionStringFor(QStringLiteral("/x/y.mdb"));
    QCOMPARE(cs, QStringLiteral("Provider= Microsoft.Jet.OLEDB.4.0;Data Source=/x/y.mdb;Persist Security Info=False"));
    QVERIFY(!mdlUtil::ApriDatabase(c, cs));
    QCOMPARE(d.messages(),
             QStringList{QStringLiteral("Connessione non riuscita a: Provider= Microsoft.Jet.OLEDB.4.0;"
                                        "Data Source=/x/y.mdb;Persist Security Info=False")});
    QVERIFY(!QFile::exists(QStringLiteral("/x/y.mdb")));
    QCOMPARE(cConnessione::dataSourcePath(QStringLiteral("Provider=x;Data Source=/a;b/c.db;Persist Security Info=False")),
             QStringLiteral("/a;b/c.db"));
}

void TestConnection::refusesWhatIsNotAThesaurusFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("isFolder");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("folder") << QByteArray() << true;
    QTest::newRow("empty") << QByteArray("") << false;
    QTest::newRow("text") << QByteArray("just some words\nin a text file\n") << false;
    QByteArray jet(2048, '\0');
    jet.replace(4, 15, "Standard Jet DB");
    QTest::newRow("jet") << jet << false;
    QByteArray fakeSqlite("SQLite format 3\0", 16);
    fakeSqlite.append(QByteArray(4000, '\x7f'));
    QTest::newRow("damaged sqlite") << fakeSqlite << false;
}

void TestConnection::refusesWhatIsNotAThesaurusFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, isFolder);
    TestDb db;
    QString path = db.path(QStringLiteral("candidate.mdb"));
    if (isFolder)
        QDir().mkpath(path);
    else if (!bytes.isNull())
        db.writeFile(QStringLiteral("candidate.mdb"), bytes);
    const QByteArray before = isFolder ? QByteArray() : [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }();

    cConnessione c;
    QVERIFY(!c.ApriConnessione(cConnessione::connectionStringFor(path)));
    QVERIFY(!c.isOpen());
    QVERIFY(!c.lastOpenError().isEmpty());
    if (!isFolder) {
        QFile f(path);
        QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>"), before);
    }
}

void TestConnection::openCloseTwice()
{
    TestDb db;
    const QString p = db.createThesaurus();
    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(p)));
    QVERIFY(!c.ApriConnessione(cConnessione::connectionStringFor(p))); // still open
    QVERIFY(c.ChiudiConnessione());
    QVERIFY(!c.ChiudiConnessione());
    // Reopening reuses the same object.
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(p)));
    RecordSet rs;
    QVERIFY(c.ChiudiConnessione());
    QVERIFY_THROWS_EXCEPTION(DbError, c.ApriRS(QStringLiteral("select 1"), rs));
}

void TestConnection::resultSets()
{
    TestDb db;
    const QString p = db.createThesaurus();
    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(p)));

    RecordSet none;
    QVERIFY(c.ApriRS(QStringLiteral("select * from mappingrelations"), none));
    QVERIFY(none.isEOF());
    QVERIFY_THROWS_EXCEPTION(DbError, none.value(QStringLiteral("id")));
    c.ChiudiRS(none);
    QVERIFY_THROWS_EXCEPTION(DbError, c.ChiudiRS(none));

    // Two result sets open at once: an outer loop and inner look-ups.
    RecordSet outer;
    c.ApriRS(QStringLiteral("select id, dex as dexprop from properties where id in (8, 9, 10) order by id"), outer);
    QStringList seen;
    while (!outer.isEOF()) {
        RecordSet inner;
        c.ApriRS(QStringLiteral("select count(*) as n from properties where id <= ?"), inner,
                 {outer.value(QStringLiteral("id"))});
        seen << outer.value(QStringLiteral("dexProp")).toString() + QLatin1Char('/')
                    + inner.value(QStringLiteral("N")).toString();
        c.ChiudiRS(inner);
        outer.MoveNext();
    }
    c.ChiudiRS(outer);
    QCOMPARE(seen, (QStringList{QStringLiteral("broadMatch/7"), QStringLiteral("exactMatch/8"),
                                QStringLiteral("narrowMatch/9")}));

    RecordSet bad;
    try {
        c.ApriRS(QStringLiteral("select * from no_such_table"), bad);
        QFAIL("a query on a missing table must fail");
    } catch (const DbError &e) {
        QVERIFY(e.number() != 0);
        QVERIFY(e.description().contains(QStringLiteral("no_such_table")));
    }
    QVERIFY(!bad.isOpen());
}

void TestConnection::statementsAndParameters()
{
    TestDb db;
    const QString p = db.createThesaurus();
    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(p)));
    const QString note = QStringLiteral("He said \"yes\"; it's 100% \\ done\nsecond line \u00e9\u4e2d");
    c.EseguiIstruzione(QStringLiteral("insert into mappingrelations (id, project_ref, left_concept_ref, "
                                      "right_concept_ref, property_ref, notes) values (?, ?, ?, ?, ?, ?)"),
                       QStringLiteral("128"), {1, 4, 10, 20, 9, note});
    QCOMPARE(c.scalar(QStringLiteral("select notes from mappingrelations where id = 1")).toString(), note);
    QCOMPARE(c.EseguiIstruzione(QStringLiteral("delete from mappingrelations where id = 99")), 0);
    QVERIFY_THROWS_EXCEPTION(DbError, c.EseguiIstruzione(QStringLiteral(
        "insert into mappingrelations (id, project_ref, left_concept_ref, right_concept_ref, property_ref) "
        "values (1, 1, 1, 1, 9)")));
}

void TestConnection::transactionGuardCommitsOrRollsBack()
{
    TestDb db;
    const QString p = db.createThesaurus();
    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(p)));
    const QString insert = QStringLiteral("insert into mappingrelations (id, project_ref, left_concept_ref, "
                                          "right_concept_ref, property_ref) values (?, 1, 1, 2, 9)");
    const QString count = QStringLiteral("select count(*) from mappingrelations");
    {
        cConnessione::Transaction t(c);
        c.EseguiIstruzione(insert, QStringLiteral("128"), {1});
        t.commit();
        QVERIFY(t.committed());
    }
    QCOMPARE(c.scalar(count).toInt(), 1);

    // Left without commit: an early return.
    {
        cConnessione::Transaction t(c);
        c.EseguiIstruzione(insert, QStringLiteral("128"), {2});
        QCOMPARE(c.scalar(count).toInt(), 2);
    }
    QCOMPARE(c.scalar(count).toInt(), 1);

    // Left by an exception: the second insert repeats id 1.
    try {
        cConnessione::Transaction t(c);
        c.EseguiIstruzione(insert, QStringLiteral("128"), {3});
        c.EseguiIstruzione(insert, QStringLiteral("128"), {1});
        t.commit();
        QFAIL("the repeated id was accepted");
    } catch (const DbError &) {
    }
    QCOMPARE(c.scalar(count).toInt(), 1);

    // The old calls still work beside the guard, and a new transaction can
    // begin after each of the ones above ended.
    c.beginTransaction();
    c.EseguiIstruzione(insert, QStringLiteral("128"), {4});
    c.rollback();
    QCOMPARE(c.scalar(count).toInt(), 1);

    // A read-only database refuses to begin.
    cConnessione ro;
    QVERIFY(ro.ApriConnessione(cConnessione::connectionStringFor(p).replace(
        QStringLiteral(";Data Source="), QStringLiteral(";Mode=Read;Data Source="))));
    QVERIFY_THROWS_EXCEPTION(DbError, cConnessione::Transaction{ro});
}

void TestConnection::immediateTransactionTakesTheWriteLock()
{
    TestDb db;
    const QString p = db.createThesaurus();
    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(p)));
    {
        cConnessione::Transaction t(c);
        // Deferred: nothing is locked before the first statement.
        QCOMPARE(sqlite3_txn_state(c.handle(), "main"), SQLITE_TXN_NONE);
        QVERIFY(!sqlite3_get_autocommit(c.handle()));
    }
    {
        cConnessione::Transaction t(c, cConnessione::Lock::Immediate);
        // Immediate: the write lock is held before anything is read.
        QCOMPARE(sqlite3_txn_state(c.handle(), "main"), SQLITE_TXN_WRITE);
        t.commit();
    }
    QVERIFY(sqlite3_get_autocommit(c.handle()));
}

void TestConnection::lastIdOnOneTwoSeven()
{
    TestDb db;
    const QString p = db.createThesaurus();
    TestDb::run(p, {QStringLiteral("insert into mappingrelations values (1, 1, 1, 1, 9, '')"),
                    QStringLiteral("insert into mappingrelations values (2, 1, 1, 1, 9, '')"),
                    QStringLiteral("insert into mappingrelations values (7, 1, 1, 1, 9, null)")});
    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(p)));
    QCOMPARE(mdlGlobale::LeggiUltimoId(c), 7);
}

void TestConnection::lastIdOnEmptyAndMissingTable()
{
    TestDb db;
    const QString p = db.createThesaurus();
    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(p)));
    QCOMPARE(mdlGlobale::LeggiUltimoId(c), 0);
    c.ChiudiConnessione();

    const QString other = db.createWith(QStringLiteral("other.sqlite"), {QStringLiteral("create table t (x)")});
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(other)));
    QVERIFY_THROWS_EXCEPTION(DbError, mdlGlobale::LeggiUltimoId(c));
}

void TestConnection::viewsCreatedOnlyWhenMissing()
{
    TestDb db;
    QStringList tables = Schema::tableStatements();
    const QString p = db.createWith(QStringLiteral("noviews.sqlite"), tables);
    QVERIFY(TestDb::value(p, QStringLiteral("select count(*) from sqlite_master where type = 'view'")).toInt() == 2);

    // A file that is no thesaurus database gets nothing.
    const QString plain = db.createWith(QStringLiteral("plain.sqlite"), {QStringLiteral("create table t (x)")});
    QCOMPARE(TestDb::value(plain, QStringLiteral("select count(*) from sqlite_master")).toInt(), 1);

    // A thesaurus file whose views were dropped gets them back.
    TestDb::run(p, {QStringLiteral("drop view qObjectPropertyValues"), QStringLiteral("drop view qDataTypePropertyValues")});
    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(p)));
    c.ChiudiConnessione();
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(p)));
    QCOMPARE(c.scalar(QStringLiteral("select count(*) from sqlite_master where type = 'view'")).toInt(), 2);
    RecordSet rs;
    c.ApriRS(QStringLiteral("select Pdex, Pvalue from qDataTypePropertyValues where concept_id = ? and "
                            "is_mapping_rel = 0 and lang_name = ?"),
             rs, {1, QStringLiteral("en")});
    QVERIFY(rs.isEOF());
    c.ChiudiRS(rs);
}

void TestConnection::readOnlyFileWarnsAndRefusesChanges()
{
    TestDb db;
    const QString p = db.createThesaurus();
    TestDb::run(p, {QStringLiteral("drop view qObjectPropertyValues")});
    QFile::setPermissions(p, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const QByteArray before = [&] { QFile f(p); f.open(QIODevice::ReadOnly); return f.readAll(); }();

    // Root may write any file, so the test also asks for read-only access
    // explicitly; for other users the permissions alone make it read-only.
    cConnessione c;
    QVERIFY(c.ApriConnessione(QStringLiteral("Provider=x;Mode=Read;Data Source=") + p));
    QVERIFY(c.isReadOnly());
    // The missing view exists for this connection only.
    QVERIFY(c.hasTable(QStringLiteral("qObjectPropertyValues")));
    try {
        c.EseguiIstruzione(QStringLiteral("delete from mappingrelations"));
        QFAIL("a change to a read-only file must fail");
    } catch (const DbError &e) {
        QVERIFY(e.description().contains(QStringLiteral("read-only")));
    }
    c.ChiudiConnessione();
    QFile f(p);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

void TestConnection::caseInsensitiveOrderAndComparison()
{
    TestDb db;
    const QString p = db.createThesaurus();
    const QStringList dex = {QStringLiteral("zeta"), QStringLiteral("\u00c9tude"), QStringLiteral("Alpha"),
                             QStringLiteral("beta"), QStringLiteral("etude"), QStringLiteral("Eta"),
                             QStringLiteral("General TERMS"), QStringLiteral("FUNCTIONAL TERMS")};
    QStringList statements;
    QList<QVariantList> params;
    for (int i = 0; i < dex.size(); ++i) {
        statements << QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) "
                                     "values (?, 5, null, ?, 0, ?)");
        params << QVariantList{i + 1, dex.at(i), QStringLiteral("u%1").arg(i)};
    }
    TestDb::run(p, statements, params);

    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(p)));
    RecordSet rs;
    c.ApriRS(QStringLiteral("select dex from concepts order by dex"), rs);
    QStringList order;
    while (!rs.isEOF()) {
        order << rs.value(QStringLiteral("dex")).toString();
        rs.MoveNext();
    }
    c.ChiudiRS(rs);
    QCOMPARE(order, (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("Eta"),
                                 QStringLiteral("etude"), QStringLiteral("\u00c9tude"),
                                 QStringLiteral("FUNCTIONAL TERMS"), QStringLiteral("General TERMS"),
                                 QStringLiteral("zeta")}));
    QCOMPARE(c.scalar(QStringLiteral("select count(*) from concepts where dex = ?"), {QStringLiteral("general terms")})
                 .toInt(),
             1);
    QCOMPARE(c.scalar(QStringLiteral("select count(*) from concepts where dex = ?"), {QStringLiteral("\u00e9TUDE")})
                 .toInt(),
             1);
    QVERIFY(SqliteFunctions::compareNoCase("abc", 3, "ABD", 3) < 0);

    // Keys made once per text order every pair as the collation does.
    const QStringList texts = {QStringLiteral("Alpha"), QStringLiteral("alpha"), QStringLiteral("alphabet"),
                               QStringLiteral("Eta"), QStringLiteral("\u00c9tude"), QStringLiteral("etude"),
                               QStringLiteral("\u00e9tude"), QStringLiteral("_x"), QStringLiteral("[x"),
                               QStringLiteral("Z"), QStringLiteral("\u00c5land"), QStringLiteral("aland"),
                               QStringLiteral("Stra\u00dfe"), QStringLiteral("strasse"), QString()};
    const auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const QString &a : texts)
        for (const QString &b : texts) {
            const QByteArray ua = a.toUtf8(), ub = b.toUtf8();
            QCOMPARE(sign(SqliteFunctions::compare(SqliteFunctions::collationKey(a), SqliteFunctions::collationKey(b))),
                     sign(SqliteFunctions::compareNoCase(ua.constData(), int(ua.size()), ub.constData(), int(ub.size()))));
        }
}

void TestConnection::schemaKeepsNotNullAndUniqueIds()
{
    TestDb db;
    const QString p = db.createThesaurus();
    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(p)));
    QCOMPARE(c.scalar(QStringLiteral("select name from lang where id = 6")).toString(), QStringLiteral("EN"));
    QCOMPARE(c.scalar(QStringLiteral("select right_model_ref from mappingprojects where id = 3")).toInt(), 4);
    QVERIFY_THROWS_EXCEPTION(DbError, c.EseguiIstruzione(QStringLiteral(
        "insert into mappingrelations (id, project_ref, left_concept_ref, right_concept_ref, property_ref) "
        "values (5, 1, null, 1, 9)")));
}

QTEST_GUILESS_MAIN(TestConnection)
#include "test_connection.moc"
