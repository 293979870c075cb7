// The exports in the exchange formats: each one read back into an empty copy
// of the database gives the same relations (and notes, where the format
// carries them; and ids, where the records name this database); the SSSOM
// metadata and the CSV layout byte for byte; the SSSOM export checked against
// the standard by an independent validator; URIs RDF cannot carry reported;
// files that cannot be written.
#include "base/clock.h"
#include "base/mdlUtil.h"
#include "data/relationstore.h"
#include "mapping_fixture.h"
#include "tools/mappingformats.h"
#include "tools/mappingimport.h"
#include "tools/mappingrdf.h"
#include "tools/mappingsettings.h"
#include "tools/mappingtable.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTimeZone>
#include <QUrl>
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
    MappingImport::Registrazione esito;
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

// The relations with their ids and references (notes left out).
QStringList idsAndReferences(const QString &db)
{
    QStringList rows;
    for (const QString &row : relationRows(db))
        rows << row.section(QLatin1Char('|'), 0, 4);
    return rows;
}

// The export with its generated ids (the set's, the database's) put as
// <set> and <db>, so that the rest can be compared exactly.
QString withoutUuids(QString text, QString *setId = nullptr, QString *dbId = nullptr)
{
    static const QRegularExpression uuid(QStringLiteral("urn:uuid:[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}"));
    const QRegularExpressionMatch set = uuid.match(text.mid(text.indexOf(QLatin1String("mapping_set_id"))));
    const QRegularExpressionMatch db = uuid.match(text.mid(text.indexOf(QLatin1String("relation:"))));
    if (setId)
        *setId = set.captured();
    if (dbId)
        *dbId = db.captured();
    if (set.hasMatch())
        text.replace(set.captured(), QStringLiteral("<set>"));
    if (db.hasMatch())
        text.replace(db.captured(), QStringLiteral("<db>"));
    return text;
}

// Runs the independent validator of the standard on a file: its problems,
// or nothing; skips (status 77) when Python or its modules are missing.
int validate(const QString &path, QString &problems)
{
    const QString schemaFolder = sharedDataPath() + QStringLiteral("/sssom/spec");
    QProcess p;
    p.start(QStringLiteral("python3"), {QStringLiteral(VOSPAN_SOURCE_DIR "/tests/support/sssom_validate.py"), path, schemaFolder});
    if (!p.waitForFinished(60000))
        return 77;
    problems = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : 77;
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
    void sssomPassesTheStandard();
    void sssomNamesWhoStoredEachRelation();
    void sssomLicenseGivenOrRemembered();
    void sssomWriterRefusesWhatTheStandardDoesNot();
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
    const QString path = t.path(file);

    const MappingFormats::Esito e = exportTo(db, Formato(formato), 0, path);
    // The same database, emptied after the export.
    const QString copy = emptyCopy(t, db, QStringLiteral("copy.sqlite"));
    QVERIFY2(e.scritto, qPrintable(e.errore));
    QCOMPARE(e.relazioni, wildUris ? 7 : 6);
    QVERIFY(e.omesse.isEmpty());

    const Imported r = importInto(copy, path);
    QVERIFY2(r.file.ok, qPrintable(MappingImport::messaggioErrore(r.file, path)));
    QCOMPARE(r.analisi.nuove.size(), e.relazioni);
    QCOMPARE(r.analisi.sconosciute, 0);
    QCOMPARE(r.analisi.rifiutate, 0);
    QVERIFY(r.esito.registrato);
    QCOMPARE(relationSet(copy, notes), relationSet(db, notes));
    // SSSOM records name this database (the copy is a copy of its file):
    // every relation keeps its id, and the summary says so.
    if (Formato(formato) == Formato::Sssom) {
        QCOMPARE(r.analisi.idConservati, e.relazioni);
        QCOMPARE(r.esito.idConservati, e.relazioni);
        QCOMPARE(idsAndReferences(copy), idsAndReferences(db));
        QVERIFY(MappingImport::riepilogo(r.analisi, path)
                    .contains(QStringLiteral("\n    7 of them keep the ids their records have in this database\n")));
    }
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
    addRelations(db, {{9, 4, 104, 5004, 9, QStringLiteral("a\tb \"c\"")}, {12, 4, 201, 5201, 8, QVariant()},
                      {2, 1, 101, 1001, 9, QStringLiteral("other project")}});
    const QString path = t.path(QStringLiteral("m.sssom.tsv"));
    const MappingFormats::Esito e = exportTo(db, Formato::Sssom, 4, path);
    setProgramClock(nullptr);
    QVERIFY(e.scritto);
    QCOMPARE(e.relazioni, 2);
    QString setId, dbId;
    const QString text = withoutUuids(QString::fromUtf8(readFile(path)), &setId, &dbId);
    const QStringList expected = {
        // record_id came with version 1.1 of the standard.
        QStringLiteral("#sssom_version: \"1.1\""),
        // Prefixes in the order their namespaces are first used; the built-in
        // ones (skos, semapv) are not declared; non-ASCII values quoted.
        QStringLiteral("#curie_map:"),
        QStringLiteral("#  eurovoc2: http://"),
        QStringLiteral("#  eionet: http://www.eionet.europa.eu/"),
        QStringLiteral("#  relation: <db>#"),
        QStringLiteral("#  eurovoc: http://eurovoc.europa.eu/"),
        QStringLiteral("#  gemet: \"http://gemet.example/\u00dcberschwemmung-\u6d2a\u6c34#\""),
        QStringLiteral("#  gemet2: http://gemet.example/"),
        QStringLiteral("#mapping_set_id: <set>"),
        QStringLiteral("#mapping_set_title: \"EUROVOC-GEMET mapping relations\""),
        QStringLiteral("#license: https://w3id.org/sssom/license/unspecified"),
        QStringLiteral("#subject_source: eurovoc2:eurovoc.europa.eu"),
        QStringLiteral("#object_source: eionet:gemet"),
        QStringLiteral("#mapping_tool: \"Vospan - Quendral\""),
        QStringLiteral("#mapping_date: 2026-03-07"),
        QStringLiteral("record_id\tsubject_id\tsubject_label\tpredicate_id\tobject_id\tobject_label\t"
                       "mapping_justification\tcomment"),
        // Ordered as the other exports: relation label, then source label.
        // Values with a tab or a quote are quoted, their quotes doubled.
        QStringLiteral("relation:12\teurovoc:100141?a=1&b='2'\t\"flood \"\"risk\"\", <coast>\"\tskos:broadMatch\t"
                       "gemet:%C3%A9\t\"\u00dcberschwemmung\t\u6d2a\u6c34\"\tsemapv:ManualMappingCuration\t"),
        QStringLiteral("relation:9\teurovoc:104\tsrc 04\tskos:exactMatch\tgemet2:4\tgemet 04\t"
                       "semapv:ManualMappingCuration\t\"a\tb \"\"c\"\"\""),
        QString()};
    QCOMPARE(text.split(QLatin1Char('\n')), expected);

    // Each export is a set of its own; the database keeps its identity.
    QVERIFY(setId.startsWith(QLatin1String("urn:uuid:")) && dbId.startsWith(QLatin1String("urn:uuid:")));
    QVERIFY(setId != dbId);
    QCOMPARE(exportTo(db, Formato::Sssom, 4, path).relazioni, 2);
    QString setId2, dbId2;
    withoutUuids(QString::fromUtf8(readFile(path)), &setId2, &dbId2);
    QVERIFY(setId2 != setId);
    QCOMPARE(dbId2, dbId);
    QCOMPARE(TestDb::value(db, QStringLiteral("select value from vospan_settings where name = 'database_id'")).toString(),
             dbId);
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
    // One quoting rule for CSV and SSSOM's table: what is written is read
    // back exactly, whatever the text; a backslash is only a backslash.
    const QString awkward = hardNote() + QStringLiteral("\r only\rend \\t \\n \\\\ ") + QChar(0xFFFE) + QChar(0xFFFF)
                            + QStringLiteral("\"\"\t\"");
    const QStringList samples = {awkward, QStringLiteral("\\t is not a tab"), QStringLiteral("ends in \\"),
                                 QString(), QStringLiteral("\r\r\n\n"), QStringLiteral("\""), QStringLiteral("a,b")};
    for (QChar separator : {QLatin1Char('\t'), QLatin1Char(',')}) {
        QString text;
        for (const QString &s : samples)
            text += MappingTable::line({s, QStringLiteral("x")}, separator) + QStringLiteral("\r\n");
        const MappingTable::Reading r = MappingTable::read(text, separator, 1, MappingTable::LooseQuotes::Refused);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.records.size(), samples.size());
        for (int i = 0; i < samples.size(); ++i)
            QCOMPARE(r.records.at(i).fields, (QStringList{samples.at(i), QStringLiteral("x")}));
        // Line numbers count the line ends inside quotes (LF, CR LF, CR alone):
        // the first sample holds four.
        QCOMPARE(r.records.at(1).line, 1 + 4 + 1);
    }
    QCOMPARE(MappingTable::field(QStringLiteral("plain & <b> \\n"), QLatin1Char('\t')), QStringLiteral("plain & <b> \\n"));
    QCOMPARE(MappingTable::field(QStringLiteral("a,\"b\""), QLatin1Char(',')), QStringLiteral("\"a,\"\"b\"\"\""));
    QCOMPARE(MappingTable::field(QStringLiteral("a,b"), QLatin1Char('\t')), QStringLiteral("a,b"));
    QCOMPARE(MappingTable::field(QStringLiteral("cr\ronly"), QLatin1Char('\t')), QStringLiteral("\"cr\ronly\""));
    QCOMPARE(Sssom::yamlScalar(QStringLiteral("http://x.example/a#")), QStringLiteral("http://x.example/a#"));
    QCOMPARE(Sssom::yamlScalar(QStringLiteral("a \"b\"\\\t")), QStringLiteral("\"a \\\"b\\\"\\\\\\t\""));
    QCOMPARE(Sssom::yamlScalar(QStringLiteral("key:")), QStringLiteral("\"key:\""));
    // Texts YAML would read as numbers or truth values stay texts.
    QCOMPARE(Sssom::yamlScalar(QStringLiteral("1.1")), QStringLiteral("\"1.1\""));
    QCOMPARE(Sssom::yamlScalar(QStringLiteral("no")), QStringLiteral("\"no\""));
    QCOMPARE(MappingFormats::spazioNomi(QStringLiteral("http://a/b#c")), QStringLiteral("http://a/b#"));
    QCOMPARE(MappingFormats::spazioNomi(QStringLiteral("urn:x:y")), QStringLiteral("urn:x:"));
    // Multi-valued cells, as the standard's own example escapes them.
    QCOMPARE(Sssom::splitValues(u"Alice\\|Bob|Charlie"), (QStringList{QStringLiteral("Alice|Bob"), QStringLiteral("Charlie")}));
    QCOMPARE(Sssom::splitValues(u"Alice\\\\Bob|Charlie\\\\|David\\\\\\|Eve\\\\"),
             (QStringList{QStringLiteral("Alice\\Bob"), QStringLiteral("Charlie\\"), QStringLiteral("David\\|Eve\\")}));
    const QStringList values = {QStringLiteral("a|b"), QStringLiteral("c\\"), QString(), QStringLiteral("\\|")};
    QCOMPARE(Sssom::splitValues(Sssom::joinValues(values)), values);
}

void TestMappingFormats::sssomNamesWhoStoredEachRelation()
{
    TestDb t;
    const QString db = thesaurus(t);
    // One relation another tool put there: the log knows nothing of it.
    addRelations(db, {{2, 4, 101, 5001, 9, QVariant()}});
    FakeClock clock(QDateTime(QDate(2026, 5, 2), QTime(10, 0, 0), Qt::UTC));
    setProgramClock(&clock);
    const auto restore = qScopeGuard([] { setProgramClock(nullptr); });
    const QString path = t.path(QStringLiteral("m.sssom.tsv"));
    {
        cConnessione c;
        openOrThrow(c, db);
        RelationStore store(c);
        QCOMPARE(store.add({4, 102, 5002, 9, QVariant()}), 3);
        QCOMPARE(store.add({4, 103, 5003, 8, QVariant()}), 4);
        // Changed later: the date of the change is the one written.
        clock.set(QDateTime(QDate(2026, 6, 1), QTime(9, 0, 0), Qt::UTC));
        c.EseguiIstruzione(QStringLiteral("update mappingrelations set property_ref = 10 where id = 4"));
        const MappingFormats::Esito e = MappingFormats::scrivi(c, Formato::Sssom, 4, path);
        QVERIFY2(e.scritto, qPrintable(e.errore));
    }
    const QStringList lines = QString::fromUtf8(readFile(path)).split(QLatin1Char('\n'));
    const QStringList header = lines.filter(QRegularExpression(QStringLiteral("^record_id\t"))).value(0).split(QLatin1Char('\t'));
    const auto cell = [&](const QString &row, const char *column) {
        return row.split(QLatin1Char('\t')).value(static_cast<int>(header.indexOf(QLatin1String(column))));
    };
    QVERIFY(header.contains(QStringLiteral("author_id")) && header.contains(QStringLiteral("mapping_date")));
    const auto rowOf = [&](int id) { return lines.filter(QRegularExpression(QStringLiteral("^relation:%1\t").arg(id))).value(0); };
    const QString me = mdlUtil::accountName();
    QCOMPARE(cell(rowOf(3), "author_id"), QStringLiteral("editor:") + QString::fromLatin1(QUrl::toPercentEncoding(me)));
    QCOMPARE(cell(rowOf(3), "author_label"), me);
    QCOMPARE(cell(rowOf(3), "mapping_date"), QStringLiteral("2026-05-02"));
    QCOMPARE(cell(rowOf(4), "mapping_date"), QStringLiteral("2026-06-01"));
    QCOMPARE(cell(rowOf(4), "predicate_id"), QStringLiteral("skos:narrowMatch"));
    QCOMPARE(cell(rowOf(2), "author_id"), QString());
    QCOMPARE(cell(rowOf(2), "mapping_date"), QString());
    // The editors' namespace is declared, within the database's own.
    QVERIFY(lines.filter(QRegularExpression(QStringLiteral("^#  editor: urn:uuid:[0-9a-f-]+#editor/$"))).size() == 1);

    if (sharedDataPath().isEmpty())
        return;
    QString problems;
    const int status = validate(path, problems);
    QVERIFY2(status == 0 || status == 77, qPrintable(problems));
}

void TestMappingFormats::sssomPassesTheStandard()
{
    if (sharedDataPath().isEmpty())
        QSKIP("../shared/data is absent: the SSSOM schema is needed for this test");
    TestDb t;
    const QString db = thesaurus(t);
    addHardConcepts(db);
    const QString awkward = hardNote() + QStringLiteral(" \\t|x|\r") + QChar(0xFFFE) + QChar(0xFFFF) + QStringLiteral(" \"");
    addRelations(db, {{9, 4, 104, 5004, 9, awkward}, {12, 4, 201, 5201, 8, QVariant()}, {13, 4, 202, 5202, 10,
                      QStringLiteral("wild URIs")}, {2, 1, 101, 1001, 9, QStringLiteral("\"quoted\"")}});
    const QString path = t.path(QStringLiteral("m.sssom.tsv"));
    MappingFormats::OpzioniSssom options;
    // What a caller may add: authors and dates per relation, candidates
    // after them (negative ones too), more metadata.
    options.extraSlots = [](const MappingFormats::Relazione &r, Sssom::Mapping &m) {
        m.values.insert(QStringLiteral("author_id"), {QStringLiteral("https://orcid.org/0000-0002-1825-0097"),
                                                      QStringLiteral("https://example.org/people/a|b")});
        m.set(QStringLiteral("mapping_date"), QStringLiteral("2026-01-%1").arg(r.id, 2, 10, QLatin1Char('0')));
    };
    Sssom::Mapping candidate;
    candidate.set(QStringLiteral("subject_id"), QStringLiteral("http://eurovoc.europa.eu/101"));
    candidate.set(QStringLiteral("predicate_id"), QStringLiteral("skos:exactMatch"));
    candidate.set(QStringLiteral("predicate_modifier"), QStringLiteral("Not"));
    candidate.set(QStringLiteral("object_id"), QStringLiteral("http://gemet.example/3"));
    candidate.set(QStringLiteral("mapping_justification"), QStringLiteral("semapv:LexicalMatching"));
    candidate.set(QStringLiteral("confidence"), QStringLiteral("0.25"));
    options.extraMappings = {candidate};
    options.extraMetadata.insert(QStringLiteral("mapping_set_description"), {QStringLiteral("with: colons # and hashes")});
    cConnessione c;
    openOrThrow(c, db);
    const MappingFormats::Esito e = MappingFormats::scrivi(c, Formato::Sssom, 0, path, options);
    QVERIFY2(e.scritto, qPrintable(e.errore));
    QCOMPARE(e.relazioni, 4);

    QString problems;
    const int status = validate(path, problems);
    if (status == 77)
        QSKIP(qPrintable(QStringLiteral("python3 with the jsonschema and yaml modules is needed: ") + problems));
    QVERIFY2(status == 0, qPrintable(problems));

    // The validator finds what it must: a file that breaks the rules fails.
    QByteArray broken = readFile(path);
    broken.replace("#curie_map:\n", "#curie_map:\n#  skos: http://www.w3.org/2004/02/skos/core#\n");
    broken.replace("semapv:LexicalMatching", "LexicalMatching");
    broken.replace("#license:", "#licence:");
    const QString bad = t.writeFile(QStringLiteral("bad.sssom.tsv"), broken);
    QCOMPARE(validate(bad, problems), 1);
    QVERIFY2(problems.contains(QStringLiteral("the built-in prefix skos is declared again")), qPrintable(problems));
    QVERIFY2(problems.contains(QStringLiteral("'LexicalMatching' is not a CURIE")), qPrintable(problems));
    QVERIFY2(problems.contains(QStringLiteral("'license' is a required property")), qPrintable(problems));

    // And the notes come back exactly.
    const MappingImport::File f = MappingImport::leggiFile(path);
    QVERIFY2(f.ok, qPrintable(MappingImport::messaggioErrore(f, path)));
    QCOMPARE(f.voci.size(), 4);
    QCOMPARE(f.negated.size(), 1);
    QCOMPARE(f.negated.first().confidence, std::optional<double>(0.25));
    QStringList notes;
    for (const MappingImport::Voce &v : f.voci)
        notes << v.note;
    QVERIFY(notes.contains(awkward));
    QVERIFY(notes.contains(QStringLiteral("\"quoted\"")));
}

void TestMappingFormats::sssomLicenseGivenOrRemembered()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{1, 4, 101, 5001, 9, QVariant()}});
    const QString path = t.path(QStringLiteral("m.sssom.tsv"));
    cConnessione c;
    openOrThrow(c, db);
    QCOMPARE(MappingFormats::licenzaPredefinita(c), QStringLiteral("https://w3id.org/sssom/license/unspecified"));
    MappingFormats::OpzioniSssom options;
    options.license = QStringLiteral("https://creativecommons.org/licenses/by/4.0/");
    QVERIFY(MappingFormats::scrivi(c, Formato::Sssom, 0, path, options).scritto);
    QVERIFY(readFile(path).contains("\n#license: https://creativecommons.org/licenses/by/4.0/\n"));
    // Given for one export only: not remembered.
    QCOMPARE(MappingFormats::licenzaPredefinita(c), QStringLiteral("https://w3id.org/sssom/license/unspecified"));
    QVERIFY(MappingSettings::rememberLicense(c, QStringLiteral("https://creativecommons.org/publicdomain/zero/1.0/")));
    QVERIFY(MappingFormats::scrivi(c, Formato::Sssom, 0, path).scritto);
    QVERIFY(readFile(path).contains("\n#license: https://creativecommons.org/publicdomain/zero/1.0/\n"));
    // The thesaurus tables are not touched: the setting lives in a table of its own.
    QCOMPARE(TestDb::value(db, QStringLiteral("select count(*) from vospan_settings")).toInt(), 2);
}

void TestMappingFormats::sssomWriterRefusesWhatTheStandardDoesNot()
{
    Sssom::MappingSet set;
    set.metadata.insert(QStringLiteral("mapping_set_id"), {QStringLiteral("https://example.org/set")});
    set.metadata.insert(QStringLiteral("license"), {QStringLiteral("https://example.org/license")});
    Sssom::Mapping m;
    m.set(QStringLiteral("subject_id"), QStringLiteral("https://example.org/a/1"));
    m.set(QStringLiteral("predicate_id"), QStringLiteral("skos:exactMatch"));
    m.set(QStringLiteral("object_id"), QStringLiteral("https://example.org/b/1"));
    m.set(QStringLiteral("mapping_justification"), QStringLiteral("semapv:ManualMappingCuration"));
    set.mappings = {m};
    const Sssom::Written ok = Sssom::write(set);
    QVERIFY2(ok.ok, qPrintable(ok.error));
    // Without any 1.1 slot the version is not declared; unnamed namespaces get names.
    QCOMPARE(QString::fromUtf8(ok.bytes),
             QStringLiteral("#curie_map:\n#  example: https://example.org/a/\n#  example2: https://example.org/b/\n"
                            "#mapping_set_id: https://example.org/set\n#license: https://example.org/license\n"
                            "subject_id\tpredicate_id\tobject_id\tmapping_justification\n"
                            "example:1\tskos:exactMatch\texample2:1\tsemapv:ManualMappingCuration\n"));
    const struct {
        const char *slot;
        const char *value;
        const char *error;
    } cases[] = {{"confidence", "high", "mapping 1: the confidence \"high\" is not a number"},
                 {"predicate_modifier", "not", "mapping 1: \"not\" is not a value of predicate_modifier"},
                 {"subject_id", "no colon", "mapping 1: the subject_id \"no colon\" is neither an IRI nor a CURIE of a known prefix"},
                 {"mapping_date", "7 March", "mapping 1: the mapping_date \"7 March\" is not a date YYYY-MM-DD"},
                 {"colour", "red", "mapping 1: \"colour\" is not a slot of a mapping"},
                 {"mapping_justification", "", "mapping 1: it has no mapping_justification"}};
    for (const auto &c : cases) {
        Sssom::MappingSet wrong = set;
        wrong.mappings.first().set(QLatin1String(c.slot), QLatin1String(c.value));
        const Sssom::Written w = Sssom::write(wrong);
        QVERIFY(!w.ok);
        QCOMPARE(w.error, QLatin1String(c.error));
    }
    Sssom::MappingSet noLicense = set;
    noLicense.metadata.remove(QStringLiteral("license"));
    QCOMPARE(Sssom::write(noLicense).error, QStringLiteral("the mapping set has no license"));
    Sssom::MappingSet relative = set;
    relative.metadata.insert(QStringLiteral("license"), {QStringLiteral("cc-by")});
    QCOMPARE(Sssom::write(relative).error, QStringLiteral("the license \"cc-by\" is not a URI with a scheme"));
    Sssom::MappingSet builtIn = set;
    builtIn.prefixes = {{QStringLiteral("skos"), QStringLiteral("http://other.example/")}};
    QCOMPARE(Sssom::write(builtIn).error, QStringLiteral("the prefix name \"skos\" cannot be declared"));
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
