// Conversion of Access (Jet 3 and Jet 4) databases: tables, row counts, NULLs
// and text compared with what mdbtools' own programs report; refusal of a file
// without the thesaurus tables; Cancel; the command line; Project > Open.
#include "base/commandline.h"
#include "base/dialogs.h"
#include "data/cConnessione.h"
#include "data/mdlGlobale.h"
#include "shell/commands.h"
#include "shell/project.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "support/testdb.h"
#include "tools/jet_convert.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace {

QString jetFile(const QString &name)
{
    const QString shared = sharedDataPath();
    return shared.isEmpty() ? QString() : shared + QStringLiteral("/jet/") + name;
}

// Output of one of mdbtools' programs, empty when it cannot run.
QByteArray mdbTool(const QString &program, const QStringList &args)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return {};
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

QStringList sqliteTables(const QString &db)
{
    cConnessione c;
    c.ApriConnessione(cConnessione::connectionStringFor(db));
    RecordSet rs;
    c.ApriRS(QStringLiteral("select name from sqlite_master where type = 'table' order by rowid"), rs);
    QStringList names;
    while (!rs.isEOF()) {
        names << rs.value(0).toString();
        rs.MoveNext();
    }
    return names;
}

QString quoted(const QString &identifier)
{
    return QLatin1Char('"') + QString(identifier).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

// Checks one column of a converted table against mdb-json's objects of its
// rows: as many NULLs as objects without the column, and for a text column
// every value equal, in row order.
void compareColumn(cConnessione &c, const QString &db, const QString &table, const QString &column, bool text,
                   const QList<QJsonObject> &objects)
{
    qint64 absent = 0;
    for (const QJsonObject &o : objects)
        absent += o.contains(column) ? 0 : 1;
    QCOMPARE(TestDb::value(db, QStringLiteral("select count(*) from ") + quoted(table) + QStringLiteral(" where ")
                               + quoted(column) + QStringLiteral(" is null"))
                 .toLongLong(),
             absent);
    if (!text)
        return;
    RecordSet values;
    c.ApriRS(QStringLiteral("select ") + quoted(column) + QStringLiteral(" from ") + quoted(table)
                 + QStringLiteral(" order by rowid"),
             values);
    for (const QJsonObject &o : objects) {
        QVERIFY(!values.isEOF());
        if (o.contains(column))
            QCOMPARE(values.value(0).toString(), o.value(column).toString());
        else
            QVERIFY(values.value(0).isNull());
        values.MoveNext();
    }
}

// Checks one converted table's values against mdb-json, column by column.
void compareValues(const QString &jet, const QString &db, const QString &table, qint64 rows)
{
    // mdb-json writes one object per row and leaves NULL columns out.
    const QList<QByteArray> lines = mdbTool(QStringLiteral("mdb-json"), {jet, table}).split('\n');
    QList<QJsonObject> objects;
    for (const QByteArray &line : lines)
        if (!line.trimmed().isEmpty())
            objects << QJsonDocument::fromJson(line).object();
    QCOMPARE(objects.size(), rows);

    cConnessione c;
    c.ApriConnessione(cConnessione::connectionStringFor(db));
    RecordSet cols;
    c.ApriRS(QStringLiteral("select name, type from pragma_table_info(?)"), cols, {table});
    while (!cols.isEOF()) {
        const QString column = cols.value(0).toString();
        const bool text = cols.value(1).toString().startsWith(QLatin1String("text collate"), Qt::CaseInsensitive);
        compareColumn(c, db, table, column, text, objects);
        if (QTest::currentTestFailed())
            return;
        cols.MoveNext();
    }
}

// Checks a converted file against mdbtools: the same tables in the same
// order, the same row counts, for every column as many NULLs as mdb-json
// leaves out, and every text value equal.
void compareWithMdbtools(const QString &jet, const QString &db, const Jet::Result &r)
{
    const QStringList expected =
        QString::fromUtf8(mdbTool(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), jet})).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(!expected.isEmpty());
    QCOMPARE(sqliteTables(db), expected);
    QCOMPARE(r.tables.size(), expected.size());

    for (int i = 0; i < expected.size(); ++i) {
        const QString &table = expected.at(i);
        const qint64 rows = mdbTool(QStringLiteral("mdb-count"), {jet, table}).trimmed().toLongLong();
        QCOMPARE(TestDb::value(db, QStringLiteral("select count(*) from ") + quoted(table)).toLongLong(), rows);
        QCOMPARE(r.tables.at(i).name, table);
        QCOMPARE(r.tables.at(i).rows, rows);
        compareValues(jet, db, table, rows);
        if (QTest::currentTestFailed())
            return;
    }
}

} // namespace

class TestJetConvert : public QObject
{
    Q_OBJECT

private slots:
    void init() { mdlGlobale::AzzeraStato(); }

    void jet3Northwind();
    void jet4DatesAndTexts();
    void fileWithoutThesaurusTablesRefused();
    void notAJetFileAndCancel();
    void commandLine();
    void existingFileNeedsReplaceAndTheInputIsNeverWritten();
    void projectOpenOffersConversion();
};

void TestJetConvert::jet3Northwind()
{
    const QString jet = jetFile(QStringLiteral("northwind-jet3.mdb"));
    if (jet.isEmpty())
        QSKIP("../shared/data is absent: the Jet sample databases are needed for this test");
    if (QStandardPaths::findExecutable(QStringLiteral("mdb-json")).isEmpty())
        QSKIP("mdbtools' programs (package mdbtools) are needed to check the conversion");
    TestDb t;
    const QString db = t.path(QStringLiteral("northwind.sqlite"));
    const Jet::Result r = Jet::convert(jet, db);
    QCOMPARE(r.status, Jet::Result::Status::Converted);
    QVERIFY(!QFile::exists(db + QStringLiteral(".converting")));
    compareWithMdbtools(jet, db, r);
    // The non-ASCII table name is kept as it is.
    QVERIFY(sqliteTables(db).contains(QStringLiteral("Umsätze")));
    QCOMPARE(TestDb::value(db, QStringLiteral("select count(*) from \"Umsätze\"")).toLongLong(), 830);
    // Pictures (OLE objects) come through as blobs; numbers as numbers.
    QCOMPARE(TestDb::value(db, QStringLiteral("select typeof(Picture) from Categories limit 1")).toString(),
             QStringLiteral("blob"));
    QVERIFY(TestDb::value(db, QStringLiteral("select min(length(Picture)) from Categories")).toLongLong() > 1000);
    QCOMPARE(TestDb::value(db, QStringLiteral("select typeof(Freight) from Orders limit 1")).toString(),
             QStringLiteral("real"));
    // Text compares without regard to case, as it did in Access.
    QCOMPARE(TestDb::value(db, QStringLiteral("select count(*) from Customers where Country = 'GERMANY'")).toLongLong(),
             TestDb::value(db, QStringLiteral("select count(*) from Customers where Country = 'Germany'")).toLongLong());
}

void TestJetConvert::jet4DatesAndTexts()
{
    const QString jet = jetFile(QStringLiteral("datetest-jet4.mdb"));
    if (jet.isEmpty())
        QSKIP("../shared/data is absent: the Jet sample databases are needed for this test");
    if (QStandardPaths::findExecutable(QStringLiteral("mdb-json")).isEmpty())
        QSKIP("mdbtools' programs (package mdbtools) are needed to check the conversion");
    TestDb t;
    const QString db = t.path(QStringLiteral("dates.sqlite"));
    const Jet::Result r = Jet::convert(jet, db);
    QCOMPARE(r.status, Jet::Result::Status::Converted);
    compareWithMdbtools(jet, db, r);
    // Dates as ISO text, including years the library's own formatting cannot show.
    QCOMPARE(TestDb::value(db, QStringLiteral("select DateTimeCol from DateTest where IDCol = 1")).toString(),
             QStringLiteral("2021-12-02 00:00:00"));
    QCOMPARE(TestDb::value(db, QStringLiteral("select DateTimeCol from DateTest where LongTextCol = 'Year 9999'")).toString(),
             QStringLiteral("9999-01-01 00:00:00"));
    QVERIFY(TestDb::value(db, QStringLiteral("select DateTimeCol from DateTest where LongTextCol = 'Pre-1900 years'"))
                .toString()
                .startsWith(QLatin1String("189")));
    // A line break inside a value survives.
    QCOMPARE(TestDb::value(db, QStringLiteral("select count(*) from DateTest where LongTextCol like '%' || char(10) || '%'"))
                 .toLongLong(),
             1);
}

void TestJetConvert::fileWithoutThesaurusTablesRefused()
{
    const QString jet = jetFile(QStringLiteral("northwind-jet3.mdb"));
    if (jet.isEmpty())
        QSKIP("../shared/data is absent: the Jet sample databases are needed for this test");
    TestDb t;
    const QString out = t.path(QStringLiteral("northwind.sqlite"));
    const Jet::Result r = Jet::convertThesaurus(jet, out);
    QCOMPARE(r.status, Jet::Result::Status::NotThesaurus);
    QCOMPARE(r.missing.size(), 9);
    QVERIFY(r.message.contains(QStringLiteral("models, concepts, properties")));
    QCOMPARE(QDir(t.folder()).entryList(QDir::Files), QStringList());

    // The check goes by name without regard to case.
    QCOMPARE(Jet::missingThesaurusTables({QStringLiteral("Models"), QStringLiteral("CONCEPTS"), QStringLiteral("properties"),
                                          QStringLiteral("conceptProperties"), QStringLiteral("datatypepropertyvalues"),
                                          QStringLiteral("objectpropertyvalues"), QStringLiteral("Lang"),
                                          QStringLiteral("mappingprojects")}),
             QStringList({QStringLiteral("mappingrelations")}));
}

void TestJetConvert::notAJetFileAndCancel()
{
    TestDb t;
    const QString bogus = t.writeFile(QStringLiteral("bogus.mdb"), QByteArray(4096, 'x'));
    QStringList names;
    QString error;
    QVERIFY(!Jet::tableNames(bogus, names, &error));
    QVERIFY(error.contains(QStringLiteral("bogus.mdb")));
    const Jet::Result r = Jet::convert(bogus, t.path(QStringLiteral("bogus.sqlite")));
    QCOMPARE(r.status, Jet::Result::Status::Failed);
    QVERIFY(!QFile::exists(t.path(QStringLiteral("bogus.sqlite"))));

    const QString jet = jetFile(QStringLiteral("northwind-jet3.mdb"));
    if (jet.isEmpty())
        QSKIP("../shared/data is absent: the Jet sample databases are needed for the rest of this test");
    // Cancel half-way: no file, no temporary file; an existing target survives.
    const QString out = t.path(QStringLiteral("northwind.sqlite"));
    QFile keep(out);
    QVERIFY(keep.open(QIODevice::WriteOnly));
    keep.write("earlier");
    keep.close();
    int calls = 0;
    const Jet::Result c = Jet::convert(jet, out, [&](int percent, const QString &) {
        ++calls;
        return percent < 50;
    });
    QCOMPARE(c.status, Jet::Result::Status::Cancelled);
    QVERIFY(calls > 1);
    QFile again(out);
    QVERIFY(again.open(QIODevice::ReadOnly));
    QCOMPARE(again.readAll(), QByteArray("earlier"));
    QVERIFY(!QFile::exists(out + QStringLiteral(".converting")));
    // Completed, it replaces the earlier file.
    QCOMPARE(Jet::convert(jet, out).status, Jet::Result::Status::Converted);
    QCOMPARE(cConnessione::probeFile(out), cConnessione::FileKind::SQLite);
}

void TestJetConvert::commandLine()
{
    TestDb t;
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    const QString bogus = t.writeFile(QStringLiteral("bogus.mdb"), QByteArray(4096, 'x'));
    QCOMPARE(programCommands().run({QStringLiteral("--convert-mdb"), bogus, t.path(QStringLiteral("b.sqlite"))}, out,
                                        err),
             1);
    QVERIFY(!QFile::exists(t.path(QStringLiteral("b.sqlite"))));
    QCOMPARE(programCommands().run({QStringLiteral("--convert-mdb"), bogus}, out, err), 2);

    const QString jet = jetFile(QStringLiteral("datetest-jet4.mdb"));
    if (jet.isEmpty())
        QSKIP("../shared/data is absent: the Jet sample databases are needed for the rest of this test");
    const QString db = t.path(QStringLiteral("dates.sqlite"));
    QCOMPARE(programCommands().run({QStringLiteral("--convert-mdb"), jet, db}, out, err), 0);
    out.flush();
    QVERIFY(outText.contains(QStringLiteral("DateTest: 6")));
    QCOMPARE(TestDb::value(db, QStringLiteral("select count(*) from DateTest")).toLongLong(), 6);
}

void TestJetConvert::existingFileNeedsReplaceAndTheInputIsNeverWritten()
{
    const QString source = jetFile(QStringLiteral("datetest-jet4.mdb"));
    if (source.isEmpty())
        QSKIP("../shared/data is absent: the Jet sample databases are needed for this test");
    TestDb t;
    const QString jet = t.path(QStringLiteral("dates.mdb"));
    QVERIFY(QFile::copy(source, jet));
    QFile::setPermissions(jet, QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray original = [&] {
        QFile f(jet);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    const QString earlier = t.writeFile(QStringLiteral("dates.sqlite"), "earlier");
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    const CommandLine &cli = programCommands();

    // Refused without --replace; the earlier file stays.
    QCOMPARE(cli.run({QStringLiteral("--convert-mdb"), jet, earlier}, out, err), 1);
    err.flush();
    QCOMPARE(errText, QStringLiteral("The file %1 already exists: run the command again with --replace to replace it.\n")
                          .arg(QDir::toNativeSeparators(earlier)));
    QCOMPARE(QFileInfo(earlier).size(), 7);
    QCOMPARE(cli.run({QStringLiteral("--convert-mdb"), jet, earlier, QStringLiteral("--replace")}, out, err), 0);
    QCOMPARE(TestDb::value(earlier, QStringLiteral("select count(*) from DateTest")).toLongLong(), 6);

    // Onto the Access file itself: refused even with --replace, also through a link.
    errText.clear();
    const QString link = t.path(QStringLiteral("link.sqlite"));
    QVERIFY(QFile::link(jet, link));
    for (const QString &target : {jet, link}) {
        QCOMPARE(cli.run({QStringLiteral("--convert-mdb"), jet, target, QStringLiteral("--replace")}, out, err), 1);
        QCOMPARE(Jet::convert(jet, target).status, Jet::Result::Status::Failed);
    }
    err.flush();
    QVERIFY2(errText.startsWith(QStringLiteral("The converted database cannot be written onto the Access file")),
             qPrintable(errText));
    QFile f(jet);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), original);

    // An Access file named like a database of this program is converted beside itself.
    const QString disguised = t.path(QStringLiteral("old.sqlite"));
    QVERIFY(QFile::copy(source, disguised));
    QCOMPARE(Jet::convertedPath(disguised), t.path(QStringLiteral("old-converted.sqlite")));
    QCOMPARE(Jet::convertedPath(jet), t.path(QStringLiteral("dates.sqlite")));
}

void TestJetConvert::projectOpenOffersConversion()
{
    const QString jet = jetFile(QStringLiteral("northwind-jet3.mdb"));
    if (jet.isEmpty())
        QSKIP("../shared/data is absent: the Jet sample databases are needed for this test");
    TestDb t;
    const QString copy = t.path(QStringLiteral("northwind.mdb"));
    QVERIFY(QFile::copy(jet, copy));
    frmMain w;
    installRooms(w); // installs the Access converter
    ScopedScriptedDialogs d;
    QCOMPARE(Progetto::ApriFile(copy), Progetto::Esito::Interrotto);
    QCOMPARE(d.messages(),
             QStringList({QStringLiteral("The Access database northwind.mdb is not a thesaurus database: these tables "
                                         "are missing: models, concepts, properties, conceptproperties, "
                                         "datatypepropertyvalues, objectpropertyvalues, lang, mappingprojects, "
                                         "mappingrelations.")}));
    QVERIFY(!mdlGlobale::vProjectOpen);
    QCOMPARE(QDir(t.folder()).entryList(QDir::Files), QStringList({QStringLiteral("northwind.mdb")}));
}

QTEST_MAIN(TestJetConvert)
#include "test_jet_convert.moc"
