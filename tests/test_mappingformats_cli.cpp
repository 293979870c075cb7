// The script commands --export and --import-mappings: exit statuses, what
// they print, and that a dry run stores nothing.
#include "base/commandline.h"
#include "mapping_fixture.h"
#include "support/commandrun.h"
#include "tools/mappingformats.h"
#include "tools/promptprogetto.h"

#include <QtTest>

using namespace MappingFixture;

namespace {

QStringList exportArgs(const QString &format, const QString &db, const QString &out)
{
    return {QStringLiteral("--export"), format, QStringLiteral("--db"), db, QStringLiteral("--out"), out};
}

} // namespace

class TestMappingFormatsCli : public QObject
{
    Q_OBJECT

private slots:
    void everyExportFormat_data();
    void everyExportFormat();
    void exportFailures();
    void importDryRunThenYes();
    void importFailures();
};

void TestMappingFormatsCli::everyExportFormat_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("marker");
    QTest::newRow("skos-turtle") << QStringLiteral("skos-turtle") << QByteArray("skos:exactMatch <http://ett.example/1>");
    QTest::newRow("skos-rdfxml") << QStringLiteral("skos-rdfxml")
                                 << QByteArray("<skos:exactMatch rdf:resource=\"http://ett.example/1\"/>");
    QTest::newRow("sssom") << QStringLiteral("sssom") << QByteArray("eurovoc:101\tsrc 01\tskos:exactMatch\tett:1");
    QTest::newRow("csv") << QStringLiteral("csv") << QByteArray("4,src 01,http://eurovoc.europa.eu/101,exactMatch");
    QTest::newRow("xml") << QStringLiteral("xml") << QByteArray("<src>http://eurovoc.europa.eu/101</src>");
    QTest::newRow("html") << QStringLiteral("html") << QByteArray("<td width=\"25%\" align=\"left\">src 01</td>");
}

void TestMappingFormatsCli::everyExportFormat()
{
    QFETCH(QString, format);
    QFETCH(QByteArray, marker);
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{4, 2, 101, 2001, 9, QVariant()}, {6, 3, 102, 4002, 8, QStringLiteral("n")}});
    const QString out = t.path(QStringLiteral("sub/../out.file"));
    const QString clean = t.path(QStringLiteral("out.file"));

    Run r = run(exportArgs(format, db, out) + QStringList{QStringLiteral("--project"), QStringLiteral("2")});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out, QStringLiteral("End of export: 1 mapping relations exported in ") + clean + QStringLiteral("\n"));
    const QByteArray bytes = readFile(clean);
    QVERIFY2(bytes.contains(marker), bytes.constData());
    QVERIFY(!bytes.contains("unesco"));

    // Without --project: every project.
    r = run(exportArgs(format, db, clean));
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.startsWith(QStringLiteral("End of export: 2 mapping relations exported in ")));
}

void TestMappingFormatsCli::exportFailures()
{
    TestDb t;
    const QString db = thesaurus(t);
    addHardConcepts(db);
    addRelations(db, {{1, 4, 202, 5004, 9, QVariant()}, {2, 4, 104, 5004, 9, QVariant()}});
    const QString out = t.path(QStringLiteral("out.ttl"));

    Run r = run({QStringLiteral("--export"), QStringLiteral("skos-turtle"), QStringLiteral("--db"), db});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.startsWith(QStringLiteral("Missing --out\nUsage: vospan --export ")));

    r = run(exportArgs(QStringLiteral("json"), db, out));
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.startsWith(QStringLiteral("Unknown export format \"json\"\n")));

    r = run(exportArgs(QStringLiteral("csv"), db, out) + QStringList{QStringLiteral("--project"), QStringLiteral("x")});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.startsWith(PromptProgetto::messaggioRifiuto(QStringLiteral("x"))));

    r = run(exportArgs(QStringLiteral("csv"), t.path(QStringLiteral("missing.sqlite")), out));
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.startsWith(QStringLiteral("Cannot open ")));

    r = run(exportArgs(QStringLiteral("sssom"), db, t.path(QStringLiteral("no/such/dir/out.tsv"))));
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.startsWith(QStringLiteral("The export file ")));
    QVERIFY(r.err.contains(QStringLiteral(" cannot be written: ")));

    // A URI Turtle cannot carry: the file holds the rest, the status says so.
    r = run(exportArgs(QStringLiteral("skos-turtle"), db, out));
    QCOMPARE(r.status, 3);
    QCOMPARE(r.out, QString());
    QVERIFY(r.err.startsWith(QStringLiteral("End of export: 1 mapping relations exported in ") + out));
    QVERIFY(r.err.contains(QStringLiteral("relation 1: the source concept URI")));
    QVERIFY(readFile(out).contains("<http://eurovoc.europa.eu/104>"));
    QVERIFY(!readFile(out).contains("odd"));
}

void TestMappingFormatsCli::importDryRunThenYes()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{7, 3, 101, 4001, 9, QVariant()}});
    const QString file = t.writeFile(QStringLiteral("in.nt"),
                                     "<http://eurovoc.europa.eu/101> <http://www.w3.org/2004/02/skos/core#exactMatch> "
                                     "<http://unesco.example/1> .\n"
                                     "<http://eurovoc.europa.eu/102> <http://www.w3.org/2004/02/skos/core#narrowMatch> "
                                     "<http://eclas.example/2> .\n"
                                     "<http://eurovoc.europa.eu/7> <http://www.w3.org/2004/02/skos/core#narrowMatch> "
                                     "<http://eclas.example/2> .\n");
    const QStringList before = relationRows(db);
    const QString summary = file
                            + QStringLiteral(": 3 statements read.\nNew mapping relations: 1\n"
                                             "Already present with the same relation: 1\nRepeated in the file: 0\n"
                                             "With URIs unknown to this database: 1\n"
                                             "    line 3: subject http://eurovoc.europa.eu/7\nRefused: 0\n");

    Run r = run({QStringLiteral("--import-mappings"), file, QStringLiteral("--db"), db});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, summary + QStringLiteral("Nothing was stored: add --yes to store the 1 new mapping relations.\n"));
    QCOMPARE(relationRows(db), before);

    r = run({QStringLiteral("--import-mappings"), file, QStringLiteral("--db"), db, QStringLiteral("--yes")});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, summary + QStringLiteral("1 mapping relations imported from ") + file + QStringLiteral("\n"));
    QCOMPARE(relationRows(db), before + QStringList{QStringLiteral("8|1|102|1002|10|")});

    r = run({QStringLiteral("--import-mappings"), file, QStringLiteral("--db"), db, QStringLiteral("--yes")});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.endsWith(QStringLiteral("Nothing new to store.\n")));
    QCOMPARE(relationRows(db).size(), 2);
}

void TestMappingFormatsCli::importFailures()
{
    TestDb t;
    const QString db = thesaurus(t);
    const QString bad = t.writeFile(QStringLiteral("bad.csv"), "id,source URI,relation,target URI\n1,\"x,y,z\n");
    Run r = run({QStringLiteral("--import-mappings"), bad, QStringLiteral("--db"), db, QStringLiteral("--yes")});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.err, QStringLiteral("The file ") + bad
                        + QStringLiteral(" cannot be read (line 2): a quoted field that starts here is never closed.\n"
                                         "Nothing was imported.\n"));
    QCOMPARE(relationRows(db).size(), 0);

    r = run({QStringLiteral("--import-mappings"), t.path(QStringLiteral("absent.ttl")), QStringLiteral("--db"), db});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.startsWith(QStringLiteral("The file ")));

    r = run({QStringLiteral("--import-mappings"), bad});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.startsWith(QStringLiteral("Missing --db\nUsage: vospan --import-mappings FILE")));

    const QString good = t.writeFile(QStringLiteral("good.ttl"), "<http://eurovoc.europa.eu/101> "
                                                                 "<http://www.w3.org/2004/02/skos/core#exactMatch> "
                                                                 "<http://unesco.example/1> .\n");
    r = run({QStringLiteral("--import-mappings"), good, QStringLiteral("--db"), t.path(QStringLiteral("none.sqlite"))});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.startsWith(QStringLiteral("Cannot open ")));
}

QTEST_GUILESS_MAIN(TestMappingFormatsCli)
#include "test_mappingformats_cli.moc"
