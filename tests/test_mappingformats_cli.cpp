// The script commands --export and --import-mappings: exit statuses, what
// they print, that a dry run stores nothing, that two imports running at once
// in two processes store each relation once, and that ids which would not fit
// the 32-bit id column are refused.
#include "base/commandline.h"
#include "mapping_fixture.h"
#include "support/commandrun.h"
#include "tools/mappingformats.h"
#include "tools/promptprogetto.h"

#include <QProcess>
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
    void sssomLicenseOption();
    void twoImportsAtOnceStoreEachRelationOnce();
    void idsBeyondTheColumnRefused();
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

    // A second file or a mistyped option is refused, never passed over.
    r = run(exportArgs(QStringLiteral("csv"), db, out) + QStringList{QStringLiteral("--projct"), QStringLiteral("1")});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.startsWith(QStringLiteral("Unexpected argument \"--projct\"\nUsage: vospan --export ")));
    QVERIFY(!QFileInfo::exists(out));

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
                                             "    line 3: subject http://eurovoc.europa.eu/7\nNot stored: 0\nRefused: 0\n");

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
    // Only one file is read: a second one is refused before anything is stored.
    r = run({QStringLiteral("--import-mappings"), good, bad, QStringLiteral("--db"), db, QStringLiteral("--yes")});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.startsWith(QStringLiteral("Unexpected argument \"") + bad
                             + QStringLiteral("\"\nUsage: vospan --import-mappings FILE")));
    QCOMPARE(relationRows(db).size(), 0);
    r = run({QStringLiteral("--import-mappings"), good, QStringLiteral("--db"), t.path(QStringLiteral("none.sqlite"))});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.startsWith(QStringLiteral("Cannot open ")));
}

void TestMappingFormatsCli::sssomLicenseOption()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{4, 2, 101, 2001, 9, QVariant()}});
    const QString out = t.path(QStringLiteral("m.sssom.tsv"));
    Run r = run(exportArgs(QStringLiteral("sssom"), db, out)
                + QStringList{QStringLiteral("--license"), QStringLiteral("https://creativecommons.org/licenses/by/4.0/")});
    QCOMPARE(r.status, 0);
    QVERIFY(readFile(out).contains("\n#license: https://creativecommons.org/licenses/by/4.0/\n"));
    // The first SSSOM export gave the database its identity, for its record ids.
    QVERIFY(TestDb::value(db, QStringLiteral("select value from vospan_settings where name = 'database_id'"))
                .toString()
                .startsWith(QLatin1String("urn:uuid:")));

    r = run(exportArgs(QStringLiteral("sssom"), db, out) + QStringList{QStringLiteral("--license"), QStringLiteral("CC-BY")});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.startsWith(MappingFormats::licenzaRifiutata(QStringLiteral("CC-BY")) + QStringLiteral("\n")));
    r = run(exportArgs(QStringLiteral("csv"), db, out)
            + QStringList{QStringLiteral("--license"), QStringLiteral("https://example.org/l")});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.startsWith(QStringLiteral("--license applies to the sssom export only\nUsage: vospan --export")));
}

void TestMappingFormatsCli::twoImportsAtOnceStoreEachRelationOnce()
{
    TestDb t;
    const int concepts = 60;
    const QString db = thesaurus(t, QStringLiteral("thesaurus.sqlite"), concepts);
    QByteArray file = "@prefix skos: <http://www.w3.org/2004/02/skos/core#> .\n";
    int relations = 0;
    for (int e = 1; e <= concepts; ++e)
        for (int g = 1; g <= concepts; g += 3, ++relations)
            file += QStringLiteral("<http://eurovoc.europa.eu/%1> skos:exactMatch <http://gemet.example/%2> .\n")
                        .arg(100 + e)
                        .arg(g)
                        .toUtf8();
    const QString path = t.writeFile(QStringLiteral("many.ttl"), file);
    // Two real processes: this test program runs the command when told to.
    QProcess first, second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VOSPAN_TEST_RUN_COMMAND"), QStringLiteral("1"));
    const QStringList args = {QStringLiteral("--import-mappings"), path, QStringLiteral("--db"), db, QStringLiteral("--yes")};
    for (QProcess *p : {&first, &second}) {
        p->setProcessEnvironment(env);
        p->start(QCoreApplication::applicationFilePath(), args);
    }
    for (QProcess *p : {&first, &second}) {
        QVERIFY(p->waitForFinished(60000));
        QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
    }
    QCOMPARE(relationRows(db).size(), relations);
    QCOMPARE(TestDb::value(db, QStringLiteral("select count(*) from (select distinct left_concept_ref, "
                                              "right_concept_ref from mappingrelations)"))
                 .toInt(),
             relations);
    // Whichever came second stored nothing, and said why.
    const QString said = QString::fromUtf8(first.readAllStandardOutput() + second.readAllStandardOutput());
    QVERIFY2(said.contains(QStringLiteral("%1 mapping relations imported from").arg(relations)), qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("Nothing new to store."))
                 || said.contains(QStringLiteral("%1 were left out: another program stored them after the summary was "
                                                 "made").arg(relations)),
             qPrintable(said));
}

void TestMappingFormatsCli::idsBeyondTheColumnRefused()
{
    const QString file = QStringLiteral("<http://eurovoc.europa.eu/102> <http://www.w3.org/2004/02/skos/core#exactMatch> "
                                        "<http://gemet.example/2> .\n");
    for (const qint64 highest : {qint64(2147483647), qint64(2147483648) + 5}) {
        TestDb t;
        const QString db = thesaurus(t);
        TestDb::run(db, {QStringLiteral("insert into mappingrelations (id, project_ref, left_concept_ref, "
                                        "right_concept_ref, property_ref, notes) values (?, 4, 101, 5001, 9, '')")},
                    {{highest}});
        const QString path = t.writeFile(QStringLiteral("one.nt"), file.toUtf8());
        const Run r = run({QStringLiteral("--import-mappings"), path, QStringLiteral("--db"), db, QStringLiteral("--yes")});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err, QStringLiteral("The mapping relations cannot be stored: the highest id in the database is %1 "
                                       "and an id is a 32-bit number (at most 2147483647): there is no id left for "
                                       "the new relations.\nThe import was undone: no mapping relation was stored.\n")
                            .arg(highest));
        QCOMPARE(relationRows(db).size(), 1);
    }
}

// Run with VOSPAN_TEST_RUN_COMMAND set, the program is the command line
// itself, so that a test can start it twice as two real processes.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("VOSPAN_TEST_RUN_COMMAND")) {
        QCoreApplication app(argc, argv);
        const Run r = run(app.arguments().mid(1));
        QTextStream(stdout) << r.out;
        QTextStream(stderr) << r.err;
        return r.status;
    }
    QCoreApplication app(argc, argv);
    TestMappingFormatsCli test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_mappingformats_cli.moc"
