// The readers of mapping files on what others write: every example of the
// SSSOM standard and every test file of its reference library read with the
// counts the files hold (rows counted apart, by Python's csv module), the
// invalid ones refused with line and reason; SSSOM/RDF; the Alignment format
// and the direction of its inclusions; YAML in block and flow style and in a
// separate file; record ids that name this database; CSV with CR line ends.
#include "tools/mappingformats.h"
#include "tools/mappingimport.h"
#include "tools/mappingsssom.h"
#include "mapping_fixture.h"

#include <QtTest>

using namespace MappingFixture;
using MappingImport::Tipo;

namespace {

QString sssomData(const QString &file)
{
    return sharedDataPath() + QStringLiteral("/sssom/") + file;
}

MappingImport::Analisi analyse(const QString &db, const MappingImport::File &f)
{
    cConnessione c;
    openOrThrow(c, db);
    return MappingImport::analizza(c, f);
}

QList<qint64> idsOf(const QString &db)
{
    QList<qint64> ids;
    for (const QString &row : relationRows(db))
        ids << row.section(QLatin1Char('|'), 0, 0).toLongLong();
    return ids;
}

} // namespace

class TestMappingReaders : public QObject
{
    Q_OBJECT

private slots:
    void init() { mdlGlobale::AzzeraStato(); }

    void realFilesRead_data();
    void realFilesRead();
    void invalidFilesRefused_data();
    void invalidFilesRefused();
    void metadataInEveryYamlStyle();
    void biomappingsCountedByPredicate();
    void alignmentRelationsInTheirDirection();
    void recordIdsKeptOnlyForThisDatabase();
    void csvWithCarriageReturnsOnly();
};

void TestMappingReaders::realFilesRead_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("statements");
    QTest::addColumn<int>("negated");
    QTest::addColumn<int>("setAside"); // literal mappings, "no term found"
    const struct {
        const char *file;
        int statements, negated, setAside;
    } files[] = {
        {"biomappings/positive.sssom.tsv", 11719, 0, 0},
        {"biomappings/negative.sssom.tsv", 1825, 1825, 0},
        {"biomappings/unsure.sssom.tsv", 105, 0, 0},
        {"spec/examples/embedded/foodie-inc-2022-05-01.sssom.tsv", 5, 0, 0},
        {"spec/examples/embedded/mp-hp-exact-0.0.1.sssom.tsv", 42, 0, 0},
        {"spec/examples/external/example1.sssom.tsv", 5, 0, 0},
        {"spec/examples/external/mp-hp-exact-0.0.1.sssom.tsv", 42, 0, 0},
        {"spec/examples/schema/cardinality-scope-empty.sssom.tsv", 6, 0, 0},
        {"spec/examples/schema/cardinality-scope-predicate+object_source.sssom.tsv", 6, 0, 0},
        {"spec/examples/schema/cardinality-scope-predicate.sssom.tsv", 6, 0, 0},
        {"spec/examples/schema/cardinality-with-unmapped-entities.sssom.tsv", 4, 0, 3},
        {"spec/examples/schema/cardinality.sssom.tsv", 9, 0, 0},
        {"spec/examples/schema/composite-entities.sssom.tsv", 3, 0, 0},
        {"spec/examples/schema/curation_rule-propagated.sssom.tsv", 3, 0, 0},
        {"spec/examples/schema/curation_rule.sssom.tsv", 3, 0, 0},
        {"spec/examples/schema/curation_rule_text-propagated.sssom.tsv", 3, 0, 0},
        {"spec/examples/schema/curation_rule_text.sssom.tsv", 3, 0, 0},
        {"spec/examples/schema/curation_rule_text2.sssom.tsv", 8, 0, 0},
        {"spec/examples/schema/curie_map.sssom.tsv", 3, 0, 0},
        {"spec/examples/schema/cxsmiles_pipe.sssom.tsv", 1, 0, 0},
        {"spec/examples/schema/extension-slots.sssom.tsv", 4, 0, 0},
        {"spec/examples/schema/issue_tracker.sssom.tsv", 3, 0, 0},
        {"spec/examples/schema/issue_tracker_item.sssom.tsv", 3, 0, 0},
        {"spec/examples/schema/literals.sssom.tsv", 4, 0, 4},
        {"spec/examples/schema/mapping_set_confidence.sssom.tsv", 2, 0, 0},
        {"spec/examples/schema/mapping_tool_id.sssom.tsv", 2, 0, 0},
        {"spec/examples/schema/no_term_found.sssom.tsv", 2, 0, 1},
        {"spec/examples/schema/pipe-escaping.sssom.tsv", 2, 0, 0},
        {"spec/examples/schema/predicate-types.sssom.tsv", 4, 0, 0},
        {"spec/examples/schema/record-ids.sssom.tsv", 3, 0, 0},
        {"spec/examples/schema/review_date.sssom.tsv", 1, 0, 0},
        {"spec/examples/schema/reviewer_agreement.sssom.tsv", 3, 0, 0},
        {"spec/examples/schema/similarity_score.sssom.tsv", 3, 0, 0},
        {"spec/examples/schema/version.sssom.tsv", 2, 0, 0},
        {"sssom-py/tests/data/asymmetric.tsv", 5, 0, 0},
        {"sssom-py/tests/data/basic-meta-external.tsv", 141, 1, 0},
        {"sssom-py/tests/data/basic-small.tsv", 4, 0, 0},
        {"sssom-py/tests/data/basic.tsv", 141, 1, 0},
        {"sssom-py/tests/data/basic2.tsv", 126, 1, 0},
        {"sssom-py/tests/data/basic3.tsv", 11, 3, 0},
        {"sssom-py/tests/data/basic4.tsv", 53, 1, 0},
        {"sssom-py/tests/data/basic5.tsv", 53, 1, 0},
        {"sssom-py/tests/data/basic_subset.tsv", 2, 0, 0},
        {"sssom-py/tests/data/cardinality-scope.sssom.tsv", 6, 0, 0},
        {"sssom-py/tests/data/cardinality-with-NoTermFound.sssom.tsv", 4, 0, 3},
        {"sssom-py/tests/data/cardinality-with-literal-mappings.sssom.tsv", 2, 0, 1},
        {"sssom-py/tests/data/cardinality.sssom.tsv", 9, 0, 0},
        {"sssom-py/tests/data/cob-to-external.tsv", 89, 0, 0},
        {"sssom-py/tests/data/enm_example.tsv", 13, 0, 0},
        // Its metadata says subject_type "rdfs literal" for every row.
        {"sssom-py/tests/data/literals-condensed.sssom.tsv", 9, 0, 9},
        {"sssom-py/tests/data/literals.sssom.tsv", 9, 0, 9},
        {"sssom-py/tests/data/mondo-nando.sssom.tsv", 3, 0, 0},
        {"sssom-py/tests/data/propagatable.tsv", 5, 0, 0},
        {"sssom-py/tests/data/reconcile_1.tsv", 3, 0, 0},
        {"sssom-py/tests/data/reconcile_2.tsv", 4, 0, 0},
        {"sssom-py/tests/data/sssom11-extensions.sssom.tsv", 11, 0, 0},
        {"sssom-py/tests/data/test_annotate_sssom.tsv", 141, 1, 0},
        {"sssom-py/tests/data/test_filter_sssom.tsv", 68, 0, 0},
        {"sssom-py/tests/data/test_inject_metadata_msdf.tsv", 2, 0, 0},
        {"sssom-py/tests/data/trailing-tabs.sssom.tsv", 8, 0, 0},
        // SSSOM/RDF: the same mappings as basic.tsv, in Turtle named .rdf;
        // the direct triples that repeat a mapping node are no statements.
        {"sssom-py-rdf/basic.sssom.rdf", 141, 1, 0},
        {"sssom-py-rdf/basic.ttl", 136, 0, 0},
        {"sssom-py-rdf/pre-standard-rdf.ttl", 1, 1, 0},
        {"sssom-py-rdf/record-id-as-node.ttl", 1, 0, 0},
        {"sssom-py-rdf/standard-rdf.ttl", 1, 1, 0},
        {"../alignment/dh-benchmark/arch1_defc-pactols/reference.rdf", 10, 0, 0},
        {"../alignment/dh-benchmark/arch3_ironagedanube-pactols/reference.rdf", 5, 0, 0},
        {"../alignment/dh-benchmark/cult1_idai-parthenos/reference.rdf", 52, 0, 0},
        {"../alignment/dh-benchmark/dhcs1_dha-unesco/reference.rdf", 10, 0, 0},
        {"../alignment/dh-benchmark/dhcs2_tadirah-unesco/reference.rdf", 15, 0, 0}};
    for (const auto &f : files)
        QTest::newRow(f.file) << QString::fromLatin1(f.file) << f.statements << f.negated << f.setAside;
}

void TestMappingReaders::realFilesRead()
{
    if (sharedDataPath().isEmpty())
        QSKIP("../shared/data is absent: the SSSOM and Alignment files are needed for this test");
    QFETCH(QString, file);
    QFETCH(int, statements);
    QFETCH(int, negated);
    QFETCH(int, setAside);
    const QString path = sssomData(file);
    const MappingImport::File f = MappingImport::leggiFile(path);
    QVERIFY2(f.ok, qPrintable(MappingImport::messaggioErrore(f, path)));
    QCOMPARE(f.statements(), statements);
    QCOMPARE(f.negated.size(), negated);
    QCOMPARE(f.setAside.size(), setAside);
    // Every entity a full IRI (prefixes expanded, built-in ones included),
    // with the line it was read from.
    for (const MappingImport::Voce &v : f.voci + f.negated) {
        QVERIFY2(Sssom::isAbsoluteUri(v.soggetto) && Sssom::isAbsoluteUri(v.predicato)
                     && Sssom::isAbsoluteUri(v.oggetto) && v.riga > 0,
                 qPrintable(QStringLiteral("line %1: %2 %3 %4").arg(v.riga).arg(v.soggetto, v.predicato, v.oggetto)));
    }
}

void TestMappingReaders::invalidFilesRefused_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");
    QTest::newRow("bad_basic") << QStringLiteral("sssom-py/tests/data/bad_basic.tsv") << 15
                               << QStringLiteral("the mapping_justification \"Lexical\" is neither a CURIE nor an IRI");
    QTest::newRow("basic6") << QStringLiteral("sssom-py/tests/data/basic6.tsv") << 14
                            << QStringLiteral("the mapping_justification \"Lexical\" is neither a CURIE nor an IRI");
    QTest::newRow("basic7") << QStringLiteral("sssom-py/tests/data/basic7.tsv") << 35
                            << QStringLiteral("the predicate_id \"oboInOwl:hasDbXref\" has the prefix \"oboInOwl\", "
                                              "which the curie_map does not declare");
    QTest::newRow("basic_strict_fail")
        << QStringLiteral("sssom-py/tests/data/basic_strict_fail.tsv") << 6
        << QStringLiteral("the curie_map gives the built-in prefix \"rdfs\" the namespace "
                          "http://www.w3.org/2000/01/rdf-schema_fail#, but it stands for "
                          "http://www.w3.org/2000/01/rdf-schema#");
    QTest::newRow("bosch-wd-matches") << QStringLiteral("sssom-py/tests/data/bosch-wd-matches.tsv") << 9
                                      << QStringLiteral("the predicate_id \"noMatch\" is neither a CURIE nor an IRI");
    QTest::newRow("test_clean_prefix") << QStringLiteral("sssom-py/tests/data/test_clean_prefix.tsv") << 28
                                       << QStringLiteral("the subject_id \"y1:lung\" has the prefix \"y1\", which the "
                                                         "curie_map does not declare");
    QTest::newRow("test_validation1") << QStringLiteral("sssom-py/tests/data/test_validation1.sssom.tsv") << 3
                                      << QStringLiteral("the metadata is not valid YAML: mapping values are not allowed "
                                                        "in this context");
    // Tables of the library's tests that are no mapping sets.
    QTest::newRow("basic.ptable") << QStringLiteral("sssom-py/tests/data/basic.ptable.tsv") << 1
                                  << QStringLiteral("the column header lacks predicate_id, mapping_justification, "
                                                    "subject_id, object_id, which every mapping must have");
    QTest::newRow("sssom_metadata") << QStringLiteral("sssom-py/tests/data/sssom_metadata.tsv") << 1
                                    << QStringLiteral("the column header lacks predicate_id, mapping_justification, "
                                                      "subject_id, object_id, which every mapping must have");
}

void TestMappingReaders::invalidFilesRefused()
{
    if (sharedDataPath().isEmpty())
        QSKIP("../shared/data is absent: the SSSOM files are needed for this test");
    QFETCH(QString, file);
    QFETCH(int, line);
    QFETCH(QString, reason);
    const QString path = sssomData(file);
    const MappingImport::File f = MappingImport::leggiFile(path);
    QVERIFY(!f.ok);
    QVERIFY(f.voci.isEmpty() && f.negated.isEmpty());
    QCOMPARE(MappingImport::messaggioErrore(f, path),
             QStringLiteral("The file %1 cannot be read (line %2): %3.\nNothing was imported.").arg(path).arg(line).arg(reason));
}

void TestMappingReaders::metadataInEveryYamlStyle()
{
    const QByteArray table = "subject_id\tpredicate_id\tobject_id\tmapping_justification\tcomment\n"
                             "EV:101\tskos:exactMatch\tGE:1\tsemapv:ManualMappingCuration\ta \\ b\n";
    const QByteArray block = "# curie_map:\n#   EV: http://eurovoc.europa.eu/\n#   GE: 'http://gemet.example/'\n"
                             "# creator_id:\n#   - https://orcid.org/0000-0001\n"
                             "# mapping_set_description: >-\n#   folded\n#   text\n";
    const QByteArray flow = "#curie_map: {EV: \"http://eurovoc.europa.eu/\", GE: http://gemet.example/}\n"
                            "#creator_id: [https://orcid.org/0000-0001]\n#license: \"https://example.org/l\"\n";
    QVector<MappingImport::Voce> expected;
    for (const QByteArray &meta : {block, flow}) {
        const MappingImport::File f = MappingImport::leggi(meta + table, Tipo::Sssom, QString());
        QVERIFY2(f.ok, qPrintable(f.errore));
        QCOMPARE(f.voci.size(), 1);
        QCOMPARE(f.voci.first().soggetto, QStringLiteral("http://eurovoc.europa.eu/101"));
        QCOMPARE(f.voci.first().oggetto, QStringLiteral("http://gemet.example/1"));
        QCOMPARE(f.voci.first().note, QStringLiteral("a \\ b"));
        QCOMPARE(f.voci.first().riga, meta.count('\n') + 2);
    }

    // A table without metadata of its own takes it from name.yml beside it;
    // an error there names that file.
    TestDb t;
    t.writeFile(QStringLiteral("set.yml"), "curie_map:\n  EV: http://eurovoc.europa.eu/\n  GE: http://gemet.example/\n");
    const QString path = t.writeFile(QStringLiteral("set.tsv"), table);
    MappingImport::File f = MappingImport::leggiFile(path);
    QVERIFY2(f.ok, qPrintable(f.errore));
    QCOMPARE(f.metadataFile, t.path(QStringLiteral("set.yml")));
    QCOMPARE(f.voci.first().oggetto, QStringLiteral("http://gemet.example/1"));
    t.writeFile(QStringLiteral("set.yml"), "curie_map:\n  EV: [http://eurovoc.europa.eu/\n");
    f = MappingImport::leggiFile(path);
    QVERIFY(!f.ok);
    QVERIFY2(f.errore.startsWith(QStringLiteral("its metadata file set.yml (line 3): the metadata is not valid YAML")),
             qPrintable(f.errore));

    // Aliases are refused: they are how a small file makes a huge tree.
    f = MappingImport::leggi("#a: &x [1, 2]\n#b: *x\n" + table, Tipo::Sssom, QString());
    QVERIFY(!f.ok);
    QCOMPARE(f.rigaErrore, 1);
    QCOMPARE(f.errore, QStringLiteral("the metadata is not valid YAML: an anchor (&name), which mapping metadata may not use"));

    if (sharedDataPath().isEmpty())
        QSKIP("../shared/data is absent: the standard's example with separate metadata is needed for the rest");
    f = MappingImport::leggiFile(sssomData(QStringLiteral("spec/examples/external/example1.sssom.tsv")));
    QVERIFY(f.ok);
    QCOMPARE(f.voci.first().soggetto, QStringLiteral("https://kewl-foodie.inc/food/F001"));
    QCOMPARE(f.voci.first().oggetto, QStringLiteral("http://purl.obolibrary.org/obo/FOODON_00002473"));
    QCOMPARE(f.voci.first().confidence, std::optional<double>(0.95));
}

void TestMappingReaders::biomappingsCountedByPredicate()
{
    if (sharedDataPath().isEmpty())
        QSKIP("../shared/data is absent: the biomappings set is needed for this test");
    TestDb t;
    const QString db = thesaurus(t);
    const QString path = sssomData(QStringLiteral("biomappings/positive.sssom.tsv"));
    const MappingImport::File f = MappingImport::leggiFile(path);
    QVERIFY(f.ok);
    const MappingImport::Analisi a = analyse(db, f);
    QCOMPARE(a.lette, 11719);
    // exactMatch 11,018, narrowMatch 18, broadMatch 8 are mapping relations
    // (their concepts are unknown here); the rest is counted by predicate.
    QCOMPARE(a.sconosciute, 11018 + 18 + 8);
    QCOMPARE(a.nonRegistrate, 675);
    QCOMPARE(a.rifiutate, 0);
    QVERIFY(MappingImport::riepilogo(a, path).endsWith(
        QStringLiteral("Not stored: 675\n"
                       "    skos:relatedMatch, which is not a mapping relation of this program: 57 (first at line 4063)\n"
                       "    http://purl.obolibrary.org/obo/RO_0018033, which is not a mapping relation of this program: 1 "
                       "(first at line 9130)\n"
                       "    https://biopragmatics.github.io/debio/0000003, which is not a mapping relation of this "
                       "program: 616 (first at line 10625)\n"
                       "    http://purl.obolibrary.org/obo/RO_HOM0000017, which is not a mapping relation of this "
                       "program: 1 (first at line 11784)\n"
                       "Refused: 0")));
}

void TestMappingReaders::alignmentRelationsInTheirDirection()
{
    // As OAEI files write it: the namespace without its "#", a typed
    // measure, the relations escaped in XML.
    const QByteArray bytes =
        "<?xml version='1.0' encoding='utf-8'?>\n"
        "<rdf:RDF xmlns='http://knowledgeweb.semanticweb.org/heterogeneity/alignment'\n"
        "  xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n"
        "<Alignment><xml>yes</xml><level>0</level><type>**</type>\n"
        "<map><Cell><entity1 rdf:resource='http://eurovoc.europa.eu/101'/><entity2 rdf:resource='http://gemet.example/1'/>\n"
        "  <measure rdf:datatype='xsd:float'>1.0</measure><relation>=</relation></Cell></map>\n"
        "<map><Cell><entity1 rdf:resource='http://eurovoc.europa.eu/102'/><entity2 rdf:resource='http://gemet.example/2'/>\n"
        "  <measure rdf:datatype='xsd:float'>0.75</measure><relation>&lt;</relation></Cell></map>\n"
        "<map><Cell><entity1 rdf:resource='http://eurovoc.europa.eu/103'/><entity2 rdf:resource='http://gemet.example/3'/>\n"
        "  <measure>0.5</measure><relation>&gt;</relation></Cell></map>\n"
        "<map><Cell><entity1><rdf:Description rdf:about='http://eurovoc.europa.eu/104'/></entity1>\n"
        "  <entity2 rdf:resource='http://gemet.example/4'/><relation>%</relation></Cell></map>\n"
        "</Alignment></rdf:RDF>\n";
    TestDb t;
    const QString path = t.writeFile(QStringLiteral("reference.rdf"), bytes);
    const MappingImport::File f = MappingImport::leggiFile(path);
    QVERIFY2(f.ok, qPrintable(MappingImport::messaggioErrore(f, path)));
    QCOMPARE(f.tipo, Tipo::Alignment);
    QCOMPARE(f.voci.size(), 4);
    QCOMPARE(f.voci.at(1).riga, 7);
    QCOMPARE(f.voci.at(1).confidence, std::optional<double>(0.75));
    QCOMPARE(f.voci.at(3).soggetto, QStringLiteral("http://eurovoc.europa.eu/104"));

    const QString db = thesaurus(t);
    cConnessione c;
    openOrThrow(c, db);
    const MappingImport::Analisi a = MappingImport::analizza(c, f);
    QVERIFY(MappingImport::registra(c, a).registrato);
    // "e1 < e2": e1 is subsumed by e2, the narrower of the two, so e1 has e2
    // as its broad match; ">" the other way round.
    QCOMPARE(relationSet(db, false), (QStringList{QStringLiteral("4|101|5001|9"), QStringLiteral("4|102|5002|8"),
                                                  QStringLiteral("4|103|5003|10")}));
    QCOMPARE(a.motiviNonRegistrate.size(), 1);
    QCOMPARE(a.motiviNonRegistrate.first().motivo,
             QStringLiteral("align:%, which is not a mapping relation of this program"));
}

void TestMappingReaders::recordIdsKeptOnlyForThisDatabase()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{30, 4, 101, 5001, 9, QStringLiteral("a")}, {31, 4, 102, 5002, 8, QVariant()},
                      {32, 4, 103, 5003, 10, QVariant()}});
    const QString path = t.path(QStringLiteral("out.sssom.tsv"));
    {
        cConnessione c;
        openOrThrow(c, db);
        QVERIFY(MappingFormats::scrivi(c, MappingFormats::Formato::Sssom, 0, path).scritto);
    }
    // Another database: its own ids.
    const QString other = thesaurus(t, QStringLiteral("other.sqlite"));
    addRelations(other, {{2, 1, 101, 1001, 9, QVariant()}});
    MappingImport::File f = MappingImport::leggiFile(path);
    MappingImport::Analisi a = analyse(other, f);
    QCOMPARE(a.nuove.size(), 3);
    QCOMPARE(a.idConservati, 0);
    {
        cConnessione c;
        openOrThrow(c, other);
        const MappingImport::Registrazione r = MappingImport::registra(c, a);
        QCOMPARE(r.ultimoId, 5);
        QCOMPARE(r.idConservati, 0);
    }
    // This database, after relation 31 is gone and 32 became another pair:
    // 31 comes back under its id; 32 is taken, its record gets a new id above all.
    TestDb::run(db, {QStringLiteral("delete from mappingrelations where id in (30, 31)"),
                     QStringLiteral("update mappingrelations set right_concept_ref = 5004 where id = 32")});
    addRelations(db, {{30, 4, 101, 5001, 8, QVariant()}});
    a = analyse(db, f);
    QCOMPARE(a.nuove.size(), 3);
    QCOMPARE(a.idConservati, 1);
    QCOMPARE(a.idOccupati, 2);
    QVERIFY(MappingImport::riepilogo(a, path)
                .contains(QStringLiteral("\n    1 of them keep the ids their records have in this database\n"
                                         "    2 of them get new ids: the ids of their records in this database are "
                                         "taken\n")));
    cConnessione c;
    openOrThrow(c, db);
    const MappingImport::Registrazione r = MappingImport::registra(c, a);
    QVERIFY(r.registrato);
    QCOMPARE(MappingImport::messaggioRiuscita(r, path),
             QStringLiteral("3 mapping relations imported from %1\n1 of them keep the ids their records have in this "
                            "database").arg(path));
    QCOMPARE(idsOf(db), (QList<qint64>{30, 31, 32, 33, 34}));
    QCOMPARE(TestDb::value(db, QStringLiteral("select property_ref from mappingrelations where id = 31")).toInt(), 8);
}

void TestMappingReaders::csvWithCarriageReturnsOnly()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{1, 4, 101, 5001, 9, QStringLiteral("two\r\nlines")}, {2, 2, 102, 2002, 8, QVariant()}});
    const QString path = t.path(QStringLiteral("out.csv"));
    {
        cConnessione c;
        openOrThrow(c, db);
        QVERIFY(MappingFormats::scrivi(c, MappingFormats::Formato::Csv, 0, path).scritto);
    }
    // As a program of old Macintosh days would save it: CR alone ends a line.
    QByteArray bytes = readFile(path);
    bytes.replace("\r\n", "\r");
    const MappingImport::File f = MappingImport::leggi(bytes, Tipo::Csv, path);
    QVERIFY2(f.ok, qPrintable(f.errore));
    QCOMPARE(f.voci.size(), 2);
    QCOMPARE(f.voci.at(1).riga, 3);
    QCOMPARE(f.voci.at(1).note, QStringLiteral("two\rlines"));
    QCOMPARE(f.voci.at(0).oggetto, QStringLiteral("http://ett.example/2"));
}

QTEST_GUILESS_MAIN(TestMappingReaders)
#include "test_mappingreaders.moc"
