// The exports in the exchange formats: each one read back into an empty copy
// of the database gives the same relations (and notes, where the format
// carries them); the SSSOM metadata and the CSV layout byte for byte; URIs RDF
// cannot carry reported; files that cannot be written.
#include "base/clock.h"
#include "mapping_fixture.h"
#include "tools/mappingformats.h"
#include "tools/mappingimport.h"
#include "tools/mappingrdf.h"

#include <QtTest>

using namespace MappingFixture;
using MappingFormats::Formato;

namespace {

// The relations of the round trips: every project, Null, empty and hard notes,
// and concepts with careful IRIs.
QString roundTripDatabase(TestDb &t, bool wildUris)
{
    const QString db = thesaurus(t);
    addHardConcepts(db);
    QList<Relation> relations = {{3, 1, 101, 1001, 9, QVariant()},
                                 {5, 2, 102, 2002, 8, QStringLiteral("")},
                                 {8, 3, 103, 4003, 10, QStringLiteral("plain note")},
                                 {9, 4, 104, 5004, 9, hardNote()},
                                 {12, 4, 201, 5201, 8, QStringLiteral("tab\there")},
                                 {13, 4, 201, 5004, 10, QStringLiteral("back\\slash\\t")}};
    if (wildUris)
        relations << Relation{14, 4, 202, 5202, 9, QStringLiteral("wild")};
    addRelations(db, relations);
    return db;
}

MappingFormats::Esito exportTo(const QString &db, Formato f, qint32 project, const QString &path)
{
    cConnessione c;
    openOrThrow(c, db);
    return MappingFormats::scrivi(c, f, project, path);
}

struct Imported
{
    MappingImport::File file;
    MappingImport::Analisi analisi;
    Unione::Esito esito;
};

Imported importInto(const QString &db, const QString &path)
{
    Imported r;
    r.file = MappingImport::leggiFile(path);
    if (!r.file.ok)
        return r;
    cConnessione c;
    openOrThrow(c, db);
    r.analisi = MappingImport::analizza(c, r.file);
    r.esito = MappingImport::registra(c, r.analisi);
    return r;
}

} // namespace

class TestMappingFormats : public QObject
{
    Q_OBJECT

private slots:
    void init() { mdlGlobale::AzzeraStato(); }

    void roundTrip_data();
    void roundTrip();
    void sssomMetadataAndHeaderExactly();
    void csvLayoutExactly();
    void urisRdfCannotCarryAreReportedNotMangled();
    void escapesAreUndoneExactly();
    void unwritableFileReported();
    void iriCheck_data();
    void iriCheck();
};

void TestMappingFormats::roundTrip_data()
{
    QTest::addColumn<int>("formato");
    QTest::addColumn<bool>("notes");
    QTest::addColumn<bool>("wildUris");
    QTest::addColumn<QString>("file");
    QTest::newRow("skos turtle") << int(Formato::SkosTurtle) << false << false << QStringLiteral("out.ttl");
    QTest::newRow("skos rdf/xml") << int(Formato::SkosRdfXml) << false << false << QStringLiteral("out.rdf");
    QTest::newRow("sssom") << int(Formato::Sssom) << true << true << QStringLiteral("out.sssom.tsv");
    QTest::newRow("csv") << int(Formato::Csv) << true << true << QStringLiteral("out.csv");
    // The extension says nothing: the content decides.
    QTest::newRow("turtle named .txt") << int(Formato::SkosTurtle) << false << false << QStringLiteral("out.txt");
    QTest::newRow("sssom named .dat") << int(Formato::Sssom) << true << true << QStringLiteral("out.dat");
}

void TestMappingFormats::roundTrip()
{
    QFETCH(int, formato);
    QFETCH(bool, notes);
    QFETCH(bool, wildUris);
    QFETCH(QString, file);
    TestDb t;
    const QString db = roundTripDatabase(t, wildUris);
    const QString copy = emptyCopy(t, db, QStringLiteral("copy.sqlite"));
    const QString path = t.path(file);

    const MappingFormats::Esito e = exportTo(db, Formato(formato), 0, path);
    QVERIFY2(e.scritto, qPrintable(e.errore));
    QCOMPARE(e.relazioni, wildUris ? 7 : 6);
    QVERIFY(e.omesse.isEmpty());

    const Imported r = importInto(copy, path);
    QVERIFY2(r.file.ok, qPrintable(MappingImport::messaggioErrore(r.file, path)));
    QCOMPARE(r.analisi.nuove.size(), e.relazioni);
    QCOMPARE(r.analisi.sconosciute, 0);
    QCOMPARE(r.analisi.rifiutate, 0);
    QVERIFY(r.esito.unito);
    QCOMPARE(relationSet(copy, notes), relationSet(db, notes));
    // Notes come back character for character, the hard one included.
    if (notes)
        QVERIFY(relationSet(copy, true).join(QLatin1Char('\n')).contains(hardNote()));

    // Read again into the same database: everything is already there.
    const Imported again = importInto(copy, path);
    QCOMPARE(again.analisi.nuove.size(), 0);
    QCOMPARE(again.analisi.presenti, e.relazioni);
    QCOMPARE(relationRows(copy).size(), e.relazioni);
}

void TestMappingFormats::sssomMetadataAndHeaderExactly()
{
    FakeClock clock(QDateTime(QDate(2026, 3, 7), QTime(23, 59, 58)));
    setProgramClock(&clock);
    TestDb t;
    const QString db = thesaurus(t);
    addHardConcepts(db);
    addRelations(db, {{9, 4, 104, 5004, 9, QStringLiteral("a\tb")}, {12, 4, 201, 5201, 8, QVariant()},
                      {2, 1, 101, 1001, 9, QStringLiteral("other project")}});
    const QString path = t.path(QStringLiteral("m.sssom.tsv"));
    const MappingFormats::Esito e = exportTo(db, Formato::Sssom, 4, path);
    setProgramClock(nullptr);
    QVERIFY(e.scritto);
    QCOMPARE(e.relazioni, 2);
    const QString text = QString::fromUtf8(readFile(path));
    const QStringList expected = {
        QStringLiteral("#mapping_set_id: urn:vospan:mappings:eurovoc-gemet:2026-03-07"),
        QStringLiteral("#license: https://w3id.org/sssom/license/unspecified"),
        QStringLiteral("#curie_map:"),
        QStringLiteral("#  eurovoc: http://eurovoc.europa.eu/"),
        // Prefixes in the order their namespaces first appear; non-ASCII values quoted.
        QStringLiteral("#  gemet: \"http://gemet.example/\u00dcberschwemmung-\u6d2a\u6c34#\""),
        QStringLiteral("#  gemet2: http://gemet.example/"),
        QStringLiteral("#  semapv: https://w3id.org/semapv/vocab/"),
        QStringLiteral("#  skos: http://www.w3.org/2004/02/skos/core#"),
        QStringLiteral("#mapping_date: 2026-03-07"),
        QStringLiteral("#subject_source: http://eurovoc.europa.eu"),
        QStringLiteral("#object_source: http://www.eionet.europa.eu/gemet"),
        QStringLiteral("#mapping_tool: \"Vospan - Quendral\""),
        QStringLiteral("subject_id\tsubject_label\tpredicate_id\tobject_id\tobject_label\tmapping_justification\t"
                       "comment\trecord_id"),
        // Ordered as the other exports: relation label, then source label.
        QStringLiteral("eurovoc:100141?a=1&b='2'\tflood \"risk\", <coast>\tskos:broadMatch\tgemet:%C3%A9\t"
                       "\u00dcberschwemmung\\t\u6d2a\u6c34\tsemapv:ManualMappingCuration\t\t12"),
        QStringLiteral("eurovoc:104\tsrc 04\tskos:exactMatch\tgemet2:4\tgemet 04\tsemapv:ManualMappingCuration\ta\\tb\t9"),
        QString()};
    QCOMPARE(text.split(QLatin1Char('\n')), expected);
}

void TestMappingFormats::csvLayoutExactly()
{
    TestDb t;
    const QString db = thesaurus(t);
    addHardConcepts(db);
    addRelations(db, {{7, 4, 201, 5202, 10, QStringLiteral("say \"hi\",\r\nbye")}, {8, 2, 102, 2001, 9, QVariant()}});
    const QString path = t.path(QStringLiteral("m.csv"));
    const MappingFormats::Esito e = exportTo(db, Formato::Csv, 0, path);
    QVERIFY(e.scritto);
    QCOMPARE(e.relazioni, 2);
    const QByteArray expected =
        QByteArray("\xEF\xBB\xBF")
        + "id,source label,source URI,relation,target label,target URI,target thesaurus,notes\r\n"
        + "8,src 02,http://eurovoc.europa.eu/102,exactMatch,ett 01,http://ett.example/1,ett,\r\n"
        + QStringLiteral("7,\"flood \"\"risk\"\", <coast>\",http://eurovoc.europa.eu/100141?a=1&b='2',narrowMatch,"
                         "\"line\nbreak\",\"http://gemet.example/line\nbreak&\u00e9\",gemet,\"say \"\"hi\"\",\r\nbye\"\r\n")
              .toUtf8();
    QCOMPARE(readFile(path), expected);
}

void TestMappingFormats::urisRdfCannotCarryAreReportedNotMangled()
{
    TestDb t;
    const QString db = thesaurus(t);
    addHardConcepts(db);
    addRelations(db, {{1, 4, 202, 5004, 9, QVariant()}, {2, 4, 104, 5202, 8, QVariant()},
                      {3, 4, 201, 5201, 10, QVariant()}});
    TestDb::run(db, {QStringLiteral("update concepts set uri = null where id = 103")});
    addRelations(db, {{4, 3, 103, 4001, 9, QVariant()}});
    for (Formato f : {Formato::SkosTurtle, Formato::SkosRdfXml}) {
        const QString path = t.path(QStringLiteral("bad.rdf"));
        const MappingFormats::Esito e = exportTo(db, f, 0, path);
        QVERIFY(e.scritto);
        QCOMPARE(e.relazioni, 1);
        QCOMPARE(e.omesse.size(), 3);
        QStringList ids;
        for (const MappingFormats::Omessa &o : e.omesse)
            ids << QString::number(o.id);
        ids.sort();
        QCOMPARE(ids, (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4")}));
        const QString summary = MappingFormats::riepilogo(e, path);
        QVERIFY(summary.startsWith(QStringLiteral("End of export: 1 mapping relations exported in ")));
        QVERIFY(summary.contains(QStringLiteral("3 mapping relations were left out")));
        QVERIFY(summary.contains(QStringLiteral("relation 1: the source concept URI \"") + wildEurovoc()
                                 + QStringLiteral("\" is not a valid IRI: it holds a space")));
        QVERIFY(summary.contains(QStringLiteral("relation 2: the target concept URI \"") + wildGemet()
                                 + QStringLiteral("\" is not a valid IRI: it holds U+000A")));
        QVERIFY(summary.contains(QStringLiteral("relation 4: the source concept URI \"\" is not a valid IRI: it is empty")));

        // The one relation written is read back whole; nothing else is in the file.
        const QString copy = emptyCopy(t, db, QStringLiteral("copy.sqlite"));
        const Imported r = importInto(copy, path);
        QVERIFY(r.file.ok);
        QCOMPARE(r.file.voci.size(), 1);
        QCOMPARE(relationSet(copy, false), QStringList{QStringLiteral("4|201|5201|10")});
    }
}

void TestMappingFormats::escapesAreUndoneExactly()
{
    const QStringList samples = {hardNote(), QStringLiteral("\\t is not a tab"), QStringLiteral("ends in \\"),
                                 QStringLiteral("\\\\\t\\n"), QString(), QStringLiteral("\r\r\n\n")};
    for (const QString &s : samples) {
        const QString tsv = MappingFormats::escapeTsv(s);
        QVERIFY(!tsv.contains(QLatin1Char('\t')) && !tsv.contains(QLatin1Char('\n')) && !tsv.contains(QLatin1Char('\r')));
        QCOMPARE(MappingFormats::unescapeTsv(tsv), s);
    }
    QCOMPARE(MappingFormats::escapeTsv(QStringLiteral("a\tb\\c\nd\re")), QStringLiteral("a\\tb\\\\c\\nd\\re"));
    QCOMPARE(MappingFormats::campoCsv(QStringLiteral("plain & <b>")), QStringLiteral("plain & <b>"));
    QCOMPARE(MappingFormats::campoCsv(QStringLiteral("a,\"b\"")), QStringLiteral("\"a,\"\"b\"\"\""));
    QCOMPARE(MappingFormats::campoCsv(QStringLiteral("cr\ronly")), QStringLiteral("\"cr\ronly\""));
    QCOMPARE(MappingFormats::scalareYaml(QStringLiteral("http://x.example/a#")), QStringLiteral("http://x.example/a#"));
    QCOMPARE(MappingFormats::scalareYaml(QStringLiteral("a \"b\"\\\t")), QStringLiteral("\"a \\\"b\\\"\\\\\\t\""));
    QCOMPARE(MappingFormats::scalareYaml(QStringLiteral("key:")), QStringLiteral("\"key:\""));
    QCOMPARE(MappingFormats::spazioNomi(QStringLiteral("http://a/b#c")), QStringLiteral("http://a/b#"));
    QCOMPARE(MappingFormats::spazioNomi(QStringLiteral("urn:x:y")), QStringLiteral("urn:x:"));
}

void TestMappingFormats::unwritableFileReported()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{1, 2, 101, 2001, 9, QVariant()}});
    const QString existing = t.writeFile(QStringLiteral("keep.csv"), "earlier");
    for (Formato f : {Formato::SkosTurtle, Formato::SkosRdfXml, Formato::Sssom, Formato::Csv}) {
        const MappingFormats::Esito e = exportTo(db, f, 0, t.path(QStringLiteral("no/such/folder/out")));
        QVERIFY(!e.scritto);
        QVERIFY(!e.errore.isEmpty());
        QCOMPARE(e.relazioni, 0);
    }
    // A query that fails leaves an earlier file as it was.
    TestDb::run(db, {QStringLiteral("drop table properties")});
    QVERIFY_THROWS_EXCEPTION(DbError, exportTo(db, Formato::Csv, 0, existing));
    QCOMPARE(readFile(existing), QByteArray("earlier"));
}

void TestMappingFormats::iriCheck_data()
{
    QTest::addColumn<QString>("iri");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << QStringLiteral("http://a.example/b") << true;
    QTest::newRow("query and fragment") << QStringLiteral("http://a.example/b?x=1&y='2'#f") << true;
    QTest::newRow("non-Latin") << QStringLiteral("http://a.example/\u6d2a\u6c34") << true;
    QTest::newRow("urn") << QStringLiteral("urn:isbn:123") << true;
    QTest::newRow("percent") << QStringLiteral("http://a.example/%C3%A9") << true;
    QTest::newRow("bad percent") << QStringLiteral("http://a.example/%G1") << false;
    QTest::newRow("relative") << QStringLiteral("a/b") << false;
    QTest::newRow("space") << QStringLiteral("http://a.example/b c") << false;
    QTest::newRow("quote") << QStringLiteral("http://a.example/\"") << false;
    QTest::newRow("angle") << QStringLiteral("http://a.example/<b>") << false;
    QTest::newRow("tab") << QStringLiteral("http://a.example/\t") << false;
    QTest::newRow("C1 control") << QStringLiteral("http://a.example/\u0085") << false;
    QTest::newRow("lone surrogate") << QString(QStringLiteral("http://a.example/") + QChar(0xD800)) << false;
    QTest::newRow("empty") << QString() << false;
}

void TestMappingFormats::iriCheck()
{
    QFETCH(QString, iri);
    QFETCH(bool, valid);
    QString why;
    QCOMPARE(MappingRdf::iriValido(iri, &why), valid);
    QCOMPARE(why.isEmpty(), valid);
}

QTEST_GUILESS_MAIN(TestMappingFormats)
#include "test_mappingformats.moc"
