// Utilities > Import mapping relations: the summary before storing, nothing
// stored until Yes, malformed files of every kind named by line with the
// database unchanged, duplicates stored once, SSSOM as other tools write it,
// and the new menu items.
#include "mapping_fixture.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "tools/mappingformats.h"
#include "tools/mappingimport.h"
#include "tools/promptprogetto.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QtTest>

using namespace MappingFixture;
using MappingImport::Tipo;

namespace {

const QByteArray skosPrefixes = "@prefix skos: <http://www.w3.org/2004/02/skos/core#> .\n"
                                "@prefix ev: <http://eurovoc.europa.eu/> .\n";

// Turtle with one statement of every kind the summary counts; line numbers in
// the comments are the file's.
const QByteArray mixedTurtle = skosPrefixes
                               + "ev:101 skos:exactMatch <http://gemet.example/1> .\n"       // 3 present
                                 "ev:102 skos:broadMatch <http://gemet.example/2> .\n"       // 4 new
                                 "ev:102 skos:broadMatch <http://gemet.example/2> .\n"       // 5 repeated
                                 "ev:103 skos:narrowMatch <http://eclas.example/3> .\n"      // 6 new, project 1
                                 "ev:999 skos:exactMatch <http://gemet.example/1> .\n"       // 7 unknown subject
                                 "ev:104 skos:exactMatch <http://gemet.example/999> .\n"     // 8 unknown object
                                 "<http://gemet.example/3> skos:exactMatch ev:103 .\n"       // 9 wrong side
                                 "ev:101 skos:prefLabel \"flood\"@en .\n"                    // 10 not a mapping
                                 "ev:101 skos:broadMatch <http://gemet.example/1> .\n"       // 11 new, pair known
                                 "ev:101 skos:exactMatch \"not a concept\" .\n";             // 12 literal object

QString summaryOf(const QString &path)
{
    return path
           + QStringLiteral(": 10 statements read.\n"
                            "New mapping relations: 3 (1 of them for pairs of concepts that already have another "
                            "relation)\n"
                            "Already present with the same relation: 1\n"
                            "Repeated in the file: 1\n"
                            "With URIs unknown to this database: 2\n"
                            "    line 7: subject http://eurovoc.europa.eu/999\n"
                            "    line 8: object http://gemet.example/999\n"
                            "Not stored: 1\n"
                            "    skos:prefLabel, which is not a mapping relation of this program: 1 (first at line 10)\n"
                            "Refused: 2\n"
                            "    line 9: the subject http://gemet.example/3 is not a EUROVOC concept\n"
                            "    line 12: the object \"not a concept\" is not a URI");
}

} // namespace

class TestMappingImport : public QObject
{
    Q_OBJECT

private slots:
    void init() { mdlGlobale::AzzeraStato(); }

    void summaryFirstAndNothingStoredUntilYes();
    void malformedFileNamedByLine_data();
    void malformedFileNamedByLine();
    void duplicatesStoredOnce();
    void storingChecksAgainInsideTheTransaction();
    void manyUrisMatchedAcrossLookups();
    void sssomAsOtherToolsWriteIt();
    void formatRecognised_data();
    void formatRecognised();
    void menuItemsBelowTheExistingOnes();
    void exportMenuCommand();
    void sssomExportAsksTheLicense();
};

void TestMappingImport::summaryFirstAndNothingStoredUntilYes()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{1, 4, 101, 5001, 9, QStringLiteral("old")}, {20, 2, 102, 2002, 8, QVariant()}});
    const QString path = t.writeFile(QStringLiteral("mixed.ttl"), mixedTurtle);
    const QStringList before = relationRows(db);
    OpenDb open(db);
    QCOMPARE(mdlGlobale::vLastRelationId, 20);

    {
        ScopedScriptedDialogs d;
        d.answerFile(path);
        d.answerQuestion(false);
        MappingImport::ImportaMapping();
        QCOMPARE(d.shown.size(), 3);
        QCOMPARE(d.shown.at(0).kind, QStringLiteral("open"));
        QCOMPARE(d.shown.at(1).kind, QStringLiteral("question"));
        QCOMPARE(d.shown.at(1).title, QStringLiteral("Import mapping relations"));
        QCOMPARE(d.shown.at(1).text,
                 summaryOf(path) + QStringLiteral("\n\nStore the 3 new mapping relations?"));
        QCOMPARE(d.messages(), QStringList{QStringLiteral("Import cancelled: no mapping relation was stored.")});
        QCOMPARE(relationRows(db), before);
    }
    {
        ScopedScriptedDialogs d;
        d.answerFile(path);
        d.answerQuestion(true);
        MappingImport::ImportaMapping();
        QCOMPARE(d.messages(), QStringList{QStringLiteral("3 mapping relations imported from ") + path});
    }
    // New ids above the highest, in file order, with empty notes; the editor's
    // next id stays clear of them.
    QCOMPARE(relationRows(db), before + QStringList({QStringLiteral("21|4|102|5002|8|"),
                                                    QStringLiteral("22|1|103|1003|10|"),
                                                    QStringLiteral("23|4|101|5001|8|")}));
    QCOMPARE(mdlGlobale::vLastRelationId, 23);

    // A cancelled file dialog changes nothing.
    ScopedScriptedDialogs d;
    MappingImport::ImportaMapping();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("Import cancelled")});
    QCOMPARE(relationRows(db).size(), 5);
}

void TestMappingImport::malformedFileNamedByLine_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");
    QTest::newRow("turtle") << QStringLiteral("bad.ttl")
                            << QByteArray(skosPrefixes + "ev:101 skos:exactMatch <http://gemet.example/1> .\n"
                                                         "ev:102 skos:exactMatch .\n"
                                                         "ev:103 skos:exactMatch <http://gemet.example/3> .\n")
                            << 4 << QString();
    QTest::newRow("rdf/xml") << QStringLiteral("bad.rdf")
                             << QByteArray("<?xml version=\"1.0\"?>\n"
                                           "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"\n"
                                           "   xmlns:skos=\"http://www.w3.org/2004/02/skos/core#\">\n"
                                           "  <rdf:Description rdf:about=\"http://eurovoc.europa.eu/101\">\n"
                                           "    <skos:exactMatch rdf:resource=\"http://gemet.example/1\"/>\n"
                                           "  </rdf:Descr>\n"
                                           "</rdf:RDF>\n")
                             << 6 << QString();
    QTest::newRow("n-triples") << QStringLiteral("bad.nt")
                               << QByteArray("<http://eurovoc.europa.eu/101> "
                                             "<http://www.w3.org/2004/02/skos/core#exactMatch> "
                                             "<http://gemet.example/1> .\n"
                                             "<http://eurovoc.europa.eu/102> "
                                             "<http://www.w3.org/2004/02/skos/core#exactMatch> \"open .\n")
                               << 2 << QString();
    // Rows may leave out their trailing empty cells, but hold no more cells
    // than the header has columns.
    QTest::newRow("sssom columns") << QStringLiteral("bad.sssom.tsv")
                                   << QByteArray("#curie_map:\n#  ev: http://eurovoc.europa.eu/\n"
                                                 "subject_id\tpredicate_id\tobject_id\tmapping_justification\tcomment\n"
                                                 "ev:101\tskos:exactMatch\tev:1\tsemapv:ManualMappingCuration\n"
                                                 "ev:102\tskos:exactMatch\tev:9\tsemapv:ManualMappingCuration\tok\textra\n")
                                   << 5 << QStringLiteral("the row has 6 columns where the header has 5");
    QTest::newRow("sssom yaml") << QStringLiteral("bad.tsv")
                                << QByteArray("#mapping_set_id: urn:x\n#curie_map:\n#  ev: \"http://eurovoc.europa.eu/\n"
                                              "subject_id\tpredicate_id\tobject_id\tmapping_justification\n")
                                << 3
                                << QStringLiteral("the metadata is not valid YAML: while scanning a quoted scalar found "
                                                  "unexpected end of stream");
    QTest::newRow("sssom header") << QStringLiteral("bad.tsv")
                                  << QByteArray("#curie_map:\n#  ev: http://eurovoc.europa.eu/\n"
                                                "subject\tpredicate_id\tobject_id\n")
                                  << 3
                                  << QStringLiteral("the column header lacks mapping_justification, subject_id, which "
                                                    "every mapping must have");
    // A prefix must be declared: the file is refused at the first row that
    // uses an undeclared one, nothing is stored.
    QTest::newRow("sssom undeclared prefix")
        << QStringLiteral("bad.sssom.tsv")
        << QByteArray("#curie_map:\n#  EV: http://eurovoc.europa.eu/\n"
                      "subject_id\tpredicate_id\tobject_id\tmapping_justification\n"
                      "EV:101\tskos:exactMatch\tEV:1\tsemapv:ManualMappingCuration\n"
                      "XX:103\tskos:exactMatch\tEV:1\tsemapv:ManualMappingCuration\n")
        << 5 << QStringLiteral("the subject_id \"XX:103\" has the prefix \"XX\", which the curie_map does not declare");
    QTest::newRow("sssom built-in prefix redefined")
        << QStringLiteral("bad.sssom.tsv")
        << QByteArray("# curie_map:\n#   skos: http://example.org/skos/\n"
                      "subject_id\tpredicate_id\tobject_id\tmapping_justification\n")
        << 2
        << QStringLiteral("the curie_map gives the built-in prefix \"skos\" the namespace http://example.org/skos/, "
                          "but it stands for http://www.w3.org/2004/02/skos/core#");
    QTest::newRow("sssom modifier") << QStringLiteral("bad.sssom.tsv")
                                    << QByteArray("subject_id\tpredicate_id\tpredicate_modifier\tobject_id\t"
                                                  "mapping_justification\n"
                                                  "skos:a\tskos:exactMatch\tNOT\tskos:b\tsemapv:LexicalMatching\n")
                                    << 2 << QStringLiteral("the predicate_modifier \"NOT\" is not \"Not\", its only value");
    QTest::newRow("sssom quote") << QStringLiteral("bad.sssom.tsv")
                                 << QByteArray("subject_id\tpredicate_id\tobject_id\tmapping_justification\tcomment\n"
                                               "skos:a\tskos:exactMatch\tskos:b\tsemapv:LexicalMatching\t\"open\n")
                                 << 2 << QStringLiteral("a quoted field that starts here is never closed");
    QTest::newRow("alignment cell") << QStringLiteral("bad.rdf")
                                    << QByteArray("<?xml version='1.0'?>\n<rdf:RDF xmlns='http://knowledgeweb.semanticweb."
                                                  "org/heterogeneity/alignment#' xmlns:rdf='http://www.w3.org/1999/02/"
                                                  "22-rdf-syntax-ns#'>\n<Alignment>\n<map>\n<Cell>\n"
                                                  "<entity1 rdf:resource='http://a/1'/>\n<measure>1.5</measure>\n"
                                                  "<relation>=</relation></Cell></map></Alignment></rdf:RDF>\n")
                                    << 5 << QStringLiteral("the Cell has no entity2");
    QTest::newRow("csv quote") << QStringLiteral("bad.csv")
                               << QByteArray("id,source label,source URI,relation,target label,target URI,"
                                             "target thesaurus,notes\r\n"
                                             "1,a,http://eurovoc.europa.eu/101,exactMatch,b,http://gemet.example/1,"
                                             "gemet,\"never\r\nclosed\r\n")
                               << 2 << QStringLiteral("a quoted field that starts here is never closed");
    QTest::newRow("csv fields") << QStringLiteral("bad.csv")
                                << QByteArray("id,source label,source URI,relation,target label,target URI,"
                                              "target thesaurus,notes\r\n"
                                              "1,a,http://eurovoc.europa.eu/101,exactMatch,b,\"multi\nline\",x,y\r\n"
                                              "2,a,http://eurovoc.europa.eu/101,exactMatch\r\n")
                                << 4 << QStringLiteral("the row has 4 fields where the header has 8");
    QTest::newRow("csv not utf-8") << QStringLiteral("bad.csv")
                                   << QByteArray("id,source label,source URI,relation,target label,target URI,"
                                                 "target thesaurus,notes\n1,caf\xe9,x,y,z,w,v,u\n")
                                   << 2 << QStringLiteral("the text is not UTF-8");
    QTest::newRow("unknown kind") << QStringLiteral("bad.bin") << QByteArray("\x01\x02 binary") << -1
                                  << QStringLiteral("its format is not recognised (expected SKOS in Turtle, RDF/XML "
                                                    "or N-Triples, SSSOM, the Alignment format or CSV)");
}

void TestMappingImport::malformedFileNamedByLine()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    QFETCH(QString, reason);
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{1, 4, 101, 5001, 9, QStringLiteral("old")}});
    const QString path = t.writeFile(name, bytes);
    const QStringList before = relationRows(db);
    OpenDb open(db);
    ScopedScriptedDialogs d;
    d.answerFile(path);
    d.answerQuestion(true); // never asked
    MappingImport::ImportaMapping();
    QCOMPARE(d.shown.size(), 2);
    QCOMPARE(d.shown.at(1).kind, QStringLiteral("message"));
    QCOMPARE(d.shown.at(1).icon, Dialogs::Icon::Critical);
    const QString text = d.shown.at(1).text;
    QString head = QStringLiteral("The file ") + path + QStringLiteral(" cannot be read");
    if (line > 0)
        head += QStringLiteral(" (line %1)").arg(line);
    head += QStringLiteral(": ");
    QVERIFY2(text.startsWith(head), qPrintable(text));
    if (!reason.isEmpty())
        QCOMPARE(text.mid(head.size()), reason + QStringLiteral(".\nNothing was imported."));
    else // the RDF parser's own words
        QVERIFY2(text.size() > head.size() + 25 && text.endsWith(QStringLiteral(".\nNothing was imported.")),
                 qPrintable(text));
    QCOMPARE(relationRows(db), before);
}

void TestMappingImport::duplicatesStoredOnce()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{4, 3, 101, 4001, 9, QStringLiteral("kept")}});
    const QString path = t.writeFile(
        QStringLiteral("dups.sssom.tsv"),
        "#curie_map:\n#  ev: http://eurovoc.europa.eu/\n#  un: http://unesco.example/\n"
        "subject_id\tpredicate_id\tobject_id\tcomment\tmapping_justification\n"
        "ev:101\tskos:exactMatch\tun:1\tsame as stored\tsemapv:ManualMappingCuration\n"
        "ev:102\tskos:exactMatch\tun:2\tfirst\tsemapv:ManualMappingCuration\n"
        "ev:102\tskos:exactMatch\tun:2\tsecond copy\tsemapv:ManualMappingCuration\n"
        "ev:102\thttp://www.w3.org/2004/02/skos/core#exactMatch\thttp://unesco.example/2\tthird, as IRIs\t"
        "semapv:ManualMappingCuration\n"
        "ev:102\tskos:narrowMatch\tun:2\tanother relation\tsemapv:ManualMappingCuration\n");
    cConnessione c;
    openOrThrow(c, db);
    const MappingImport::File f = MappingImport::leggiFile(path);
    QVERIFY(f.ok);
    MappingImport::Analisi a = MappingImport::analizza(c, f);
    QCOMPARE(a.nuove.size(), 2);
    QCOMPARE(a.presenti, 1);
    QCOMPARE(a.ripetute, 2);
    // The narrowMatch pairs concepts related only in this same file, not in the database.
    QCOMPARE(a.altraRelazione, 0);
    QVERIFY(MappingImport::registra(c, a).registrato);
    QCOMPARE(relationRows(c.databasePath()),
             (QStringList{QStringLiteral("4|3|101|4001|9|kept"), QStringLiteral("5|3|102|4002|9|first"),
                          QStringLiteral("6|3|102|4002|10|another relation")}));
    // Again: nothing new.
    a = MappingImport::analizza(c, f);
    QCOMPARE(a.nuove.size(), 0);
    QCOMPARE(a.presenti, 3);
    QCOMPARE(MappingImport::registra(c, a).aggiunte, 0);
    QCOMPARE(relationRows(c.databasePath()).size(), 3);
}

void TestMappingImport::storingChecksAgainInsideTheTransaction()
{
    // Two imports of one file through two connections, both summaries made
    // before either stores: the second finds the relations stored and
    // stores none of them again.
    TestDb t;
    const QString db = thesaurus(t);
    const QString path = t.writeFile(QStringLiteral("m.ttl"), skosPrefixes
                                                                  + "ev:101 skos:exactMatch <http://gemet.example/1> .\n"
                                                                    "ev:102 skos:broadMatch <http://gemet.example/2> .\n");
    const MappingImport::File f = MappingImport::leggiFile(path);
    cConnessione first, second;
    openOrThrow(first, db);
    openOrThrow(second, db);
    const MappingImport::Analisi a1 = MappingImport::analizza(first, f);
    const MappingImport::Analisi a2 = MappingImport::analizza(second, f);
    QCOMPARE(a2.nuove.size(), 2);
    const MappingImport::Registrazione r1 = MappingImport::registra(first, a1);
    QCOMPARE(r1.aggiunte, 2);
    const MappingImport::Registrazione r2 = MappingImport::registra(second, a2);
    QVERIFY(r2.registrato);
    QCOMPARE(r2.aggiunte, 0);
    QCOMPARE(r2.presentiOra, 2);
    QCOMPARE(relationRows(db).size(), 2);
    QCOMPARE(MappingImport::messaggioRiuscita(r2, path),
             QStringLiteral("0 mapping relations imported from %1\n2 were left out: another program stored them after "
                            "the summary was made").arg(path));
}

void TestMappingImport::manyUrisMatchedAcrossLookups()
{
    // The concepts of a file's URIs are looked up many at a time: every
    // statement still finds its own concepts, a URI two concepts share is
    // still refused, and unknown ones are still named, wherever they stand.
    TestDb t;
    constexpr int count = 260;
    const QString db = thesaurus(t, QStringLiteral("many.sqlite"), count);
    addConcept(db, 9001, Ids::EUROVOC, QStringLiteral("twin"), QStringLiteral("http://eurovoc.europa.eu/%1").arg(100 + 230));
    QByteArray turtle = skosPrefixes;
    for (int i = 1; i <= count; ++i)
        turtle += QStringLiteral("ev:%1 skos:exactMatch <http://gemet.example/%2> .\n").arg(100 + i).arg(count + 1 - i).toUtf8();
    turtle += "ev:99999 skos:exactMatch <http://gemet.example/7> .\n";
    const QString path = t.writeFile(QStringLiteral("many.ttl"), turtle);
    cConnessione c;
    openOrThrow(c, db);
    const MappingImport::Analisi a = MappingImport::analizza(c, MappingImport::leggiFile(path));
    QCOMPARE(a.nuove.size(), count - 1);
    for (qsizetype n = 0; n < a.nuove.size(); ++n) {
        const Unione::Riga &r = a.nuove.at(n);
        const int i = r.leftConceptRef.toInt() - 100;
        QCOMPARE(r.rightConceptRef.toInt(), Ids::GEMET * 1000 + count + 1 - i);
        QCOMPARE(a.righeNuove.at(n), i + 2);
    }
    QCOMPARE(a.elencoRifiutate,
             QStringList{QStringLiteral("line 232: the subject http://eurovoc.europa.eu/330 is the URI of 2 EUROVOC concepts")});
    QCOMPARE(a.elencoSconosciute, QStringList{QStringLiteral("line 263: subject http://eurovoc.europa.eu/99999")});
}

void TestMappingImport::sssomAsOtherToolsWriteIt()
{
    // Plain and single-quoted YAML, a YAML comment, a list, columns in
    // another order with extra ones, CR LF line ends, a negated mapping, a
    // built-in prefix used without declaration, a backslash that is only a
    // backslash, a quoted value with a tab, a line end and quotes.
    const QByteArray bytes = "## a comment line\r\n"
                             "#mapping_set_id: https://example.org/set.sssom.tsv\r\n"
                             "#creator_id:\r\n"
                             "#  - orcid:0000-0001\r\n"
                             "#curie_map:\r\n"
                             "#  EV: 'http://eurovoc.europa.eu/'  # EUROVOC\r\n"
                             "#  GEMET: \"http://gemet.example/\\u0041/\"\r\n"
                             "#license: https://creativecommons.org/licenses/by/4.0/\r\n"
                             "object_id\tpredicate_modifier\tsubject_id\tpredicate_id\tconfidence\tcomment\t"
                             "mapping_justification\r\n"
                             "GEMET:7\t\tEV:101\tskos:closeMatch\t0.9\tclose\tsemapv:LexicalMatching\r\n"
                             "GEMET:8\tNot\tEV:102\tskos:exactMatch\t1.0\tnegated\tsemapv:ManualMappingCuration\r\n"
                             "GEMET:9\t\tEV:103\towl:equivalentClass\t\tC:\\temp\\new\tsemapv:ManualMappingCuration\r\n"
                             "GEMET:1\t\tEV:104\tskos:broadMatch\t1.0\t\"line one\r\n\"\"two\"\"\tthree\"\t"
                             "semapv:ManualMappingCuration\r\n";
    const MappingImport::File f = MappingImport::leggi(bytes, Tipo::Sssom, QStringLiteral("x.tsv"));
    QVERIFY2(f.ok, qPrintable(f.errore));
    QCOMPARE(f.voci.size(), 3);
    QCOMPARE(f.voci.at(0).soggetto, QStringLiteral("http://eurovoc.europa.eu/101"));
    QCOMPARE(f.voci.at(0).predicato, QStringLiteral("http://www.w3.org/2004/02/skos/core#closeMatch"));
    QCOMPARE(f.voci.at(0).oggetto, QStringLiteral("http://gemet.example/A/7"));
    QCOMPARE(f.voci.at(0).riga, 10);
    QCOMPARE(f.voci.at(0).confidence, std::optional<double>(0.9));
    QCOMPARE(f.voci.at(1).predicato, QStringLiteral("http://www.w3.org/2002/07/owl#equivalentClass"));
    QCOMPARE(f.voci.at(1).note, QStringLiteral("C:\\temp\\new"));
    QCOMPARE(f.voci.at(1).confidence, std::nullopt);
    QCOMPARE(f.voci.at(2).note, QStringLiteral("line one\r\n\"two\"\tthree"));
    QCOMPARE(f.voci.at(2).riga, 13);
    QCOMPARE(f.negated.size(), 1);
    QCOMPARE(f.negated.first().riga, 11);

    // Only broadMatch is one of the program's relations; the others are
    // counted by predicate, the negative one apart.
    TestDb t;
    const QString db = thesaurus(t);
    addConcept(db, 5100, Ids::GEMET, QStringLiteral("g"), QStringLiteral("http://gemet.example/A/1"));
    cConnessione c;
    openOrThrow(c, db);
    const MappingImport::Analisi a = MappingImport::analizza(c, f);
    QCOMPARE(a.lette, 4);
    QCOMPARE(a.nuove.size(), 1);
    QCOMPARE(a.nuove.first().notes.toString(), QStringLiteral("line one\r\n\"two\"\tthree"));
    QCOMPARE(a.rifiutate, 0);
    QCOMPARE(a.nonRegistrate, 3);
    QVERIFY(MappingImport::riepilogo(a, QStringLiteral("x.tsv"))
                .endsWith(QStringLiteral("Not stored: 3\n"
                                         "    negative mappings (predicate_modifier Not): 1 (first at line 11)\n"
                                         "    skos:closeMatch, which is not a mapping relation of this program: 1 "
                                         "(first at line 10)\n"
                                         "    owl:equivalentClass, which is not a mapping relation of this program: 1 "
                                         "(first at line 12)\n"
                                         "Refused: 0")));
}

void TestMappingImport::formatRecognised_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("tipo"); // -1: not recognised
    QTest::newRow("turtle by content") << QStringLiteral("a.txt") << QByteArray("# c\n\n@prefix x: <y> .\n")
                                       << int(Tipo::Turtle);
    QTest::newRow("sparql prefix") << QStringLiteral("a") << QByteArray("PREFIX x: <y>\n") << int(Tipo::Turtle);
    QTest::newRow("n-triples by extension") << QStringLiteral("a.nt") << QByteArray("<a> <b> <c> .\n")
                                            << int(Tipo::NTriples);
    QTest::newRow("triples without extension") << QStringLiteral("a") << QByteArray("<a> <b> <c> .\n")
                                               << int(Tipo::Turtle);
    QTest::newRow("rdf/xml") << QStringLiteral("a.dat") << QByteArray("<?xml version=\"1.0\"?>\n<rdf:RDF/>")
                             << int(Tipo::RdfXml);
    QTest::newRow("rdf/xml after comment") << QStringLiteral("a") << QByteArray("<!-- x -->\n<rdf:RDF/>")
                                           << int(Tipo::RdfXml);
    QTest::newRow("sssom in .ttl") << QStringLiteral("a.ttl")
                                   << QByteArray("#curie_map:\nsubject_id\tpredicate_id\tobject_id\n")
                                   << int(Tipo::Sssom);
    QTest::newRow("csv with bom") << QStringLiteral("a.txt")
                                  << QByteArray("\xEF\xBB\xBFid,source label,source URI,relation\r\n") << int(Tipo::Csv);
    QTest::newRow("empty .tsv") << QStringLiteral("a.tsv") << QByteArray() << int(Tipo::Sssom);
    QTest::newRow("rdf extension") << QStringLiteral("a.RDF") << QByteArray("junk") << int(Tipo::RdfXml);
    QTest::newRow("alignment") << QStringLiteral("a.rdf")
                               << QByteArray("<?xml version='1.0'?>\n<rdf:RDF xmlns='http://knowledgeweb.semanticweb.org/"
                                             "heterogeneity/alignment'>\n<Alignment>")
                               << int(Tipo::Alignment);
    QTest::newRow("nothing") << QStringLiteral("a.bin") << QByteArray("junk") << -1;
}

void TestMappingImport::formatRecognised()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, tipo);
    const std::optional<Tipo> t = MappingImport::riconosci(name, bytes);
    QCOMPARE(t ? int(*t) : -1, tipo);
}

void TestMappingImport::menuItemsBelowTheExistingOnes()
{
    frmMain main;
    installRooms(main);
    const QList<QAction *> exportItems = main.menu(QStringLiteral("mnuExport"))->actions();
    QStringList names, captions;
    for (QAction *a : exportItems)
        if (!a->isSeparator()) {
            names << a->objectName();
            captions << a->text();
        }
    QCOMPARE(names, (QStringList{QStringLiteral("mnuToolsEsportazioneSKOS"), QStringLiteral("mnuToolsEsportazioneHTML"),
                                 QStringLiteral("mnuEsportaSkosTurtle"), QStringLiteral("mnuEsportaSkosRdfXml"),
                                 QStringLiteral("mnuEsportaSssom"), QStringLiteral("mnuEsportaCsv")}));
    QCOMPARE(captions.mid(2), (QStringList{QStringLiteral("as SKOS (&Turtle)..."), QStringLiteral("as SKOS (&RDF/XML)..."),
                                           QStringLiteral("as &SSSOM (TSV)..."), QStringLiteral("as &CSV...")}));
    // The existing items keep their captions and shortcuts.
    QCOMPARE(exportItems.first()->text(), QStringLiteral("in XML &format"));
    QCOMPARE(exportItems.first()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    QAction *import = main.action(QStringLiteral("mnuUtilityImportaMapping"));
    QVERIFY(import);
    QCOMPARE(import->text(), QStringLiteral("&Import mapping relations (SKOS or SSSOM)..."));
    QCOMPARE(main.menu(QStringLiteral("mnuUtility"))->actions().last(), import);

    // They follow the database state like the other items.
    main.setDatabaseMenus(false);
    QVERIFY(!import->isEnabled() && !main.action(QStringLiteral("mnuEsportaCsv"))->isEnabled());
    main.setDatabaseMenus(true);
    QVERIFY(import->isEnabled() && main.action(QStringLiteral("mnuEsportaCsv"))->isEnabled());
}

void TestMappingImport::exportMenuCommand()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{1, 4, 101, 5001, 9, QStringLiteral("n")}, {2, 2, 101, 2001, 9, QVariant()}});
    OpenDb open(db);
    frmMain main;
    installRooms(main);
    main.setDatabaseMenus(true);
    const QString chosen = t.path(QStringLiteral("chosen.ttl"));
    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("4"));
    d.answerFile(chosen);
    main.action(QStringLiteral("mnuEsportaSkosTurtle"))->trigger();
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(d.shown.at(0).title, QStringLiteral("Project for export"));
    QCOMPARE(d.shown.at(0).extra, QStringLiteral("0"));
    QCOMPARE(d.shown.at(1).kind, QStringLiteral("save"));
    QCOMPARE(d.shown.at(1).title, QStringLiteral("Export as SKOS (Turtle)"));
    QCOMPARE(d.shown.at(1).extra, mdlGlobale::vDatabaseFolder + QStringLiteral("mappings-eurovoc-gemet.ttl|")
                                      + MappingFormats::filtro(MappingFormats::Formato::SkosTurtle));
    QCOMPARE(d.messages(), QStringList{QStringLiteral("End of export: 1 mapping relations exported in ") + chosen});
    const QByteArray ttl = readFile(chosen);
    QVERIFY(ttl.contains("<http://eurovoc.europa.eu/101>"));
    QVERIFY(ttl.contains("skos:exactMatch <http://gemet.example/1>"));
    QVERIFY(!ttl.contains("ett.example"));

    // Cancelling the prompt or the save dialog writes nothing.
    d.clear();
    d.answerInput(QStringLiteral("0"));
    main.action(QStringLiteral("mnuEsportaCsv"))->trigger();
    main.action(QStringLiteral("mnuEsportaSssom"))->trigger();
    QCOMPARE(d.messages(), (QStringList{QStringLiteral("Export cancelled"), QStringLiteral("Export cancelled")}));
    QVERIFY(!QFileInfo::exists(mdlGlobale::vDatabaseFolder + QStringLiteral("mappings-all.csv")));

    // A refused answer is said once, and no dialog follows.
    d.clear();
    d.answerInput(QStringLiteral("two"));
    main.action(QStringLiteral("mnuEsportaSkosRdfXml"))->trigger();
    QCOMPARE(d.shown.size(), 2);
    QCOMPARE(d.shown.at(1).text, PromptProgetto::messaggioRifiuto(QStringLiteral("two")));
}

void TestMappingImport::sssomExportAsksTheLicense()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{1, 4, 101, 5001, 9, QStringLiteral("n")}});
    OpenDb open(db);
    frmMain main;
    installRooms(main);
    main.setDatabaseMenus(true);
    const QString chosen = t.path(QStringLiteral("chosen.sssom.tsv"));
    const QString prompt = QStringLiteral("License of the mapping set (an IRI; "
                                          "https://w3id.org/sssom/license/unspecified states none):");
    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("4"));
    d.answerFile(chosen);
    d.answerInput(QStringLiteral("CC BY 4.0"));
    d.answerInput(QStringLiteral(" https://creativecommons.org/licenses/by/4.0/ "));
    main.action(QStringLiteral("mnuEsportaSssom"))->trigger();
    QCOMPARE(d.shown.size(), 6);
    QCOMPARE(d.shown.at(2).kind, QStringLiteral("input"));
    QCOMPARE(d.shown.at(2).text, prompt);
    QCOMPARE(d.shown.at(2).title, QStringLiteral("Export as SSSOM (TSV)"));
    QCOMPARE(d.shown.at(2).extra, QStringLiteral("https://w3id.org/sssom/license/unspecified"));
    QCOMPARE(d.shown.at(3).text, MappingFormats::licenzaRifiutata(QStringLiteral("CC BY 4.0")));
    QCOMPARE(d.shown.at(3).icon, Dialogs::Icon::Warning);
    QCOMPARE(d.shown.at(4).extra, QStringLiteral("CC BY 4.0")); // asked again with what was typed
    QCOMPARE(d.shown.at(5).text, QStringLiteral("End of export: 1 mapping relations exported in ") + chosen);
    QVERIFY(readFile(chosen).contains("\n#license: https://creativecommons.org/licenses/by/4.0/\n"));

    // The next export of this database proposes it; cancelling writes nothing.
    d.clear();
    QFile::remove(chosen);
    d.answerInput(QStringLiteral("4"));
    d.answerFile(chosen);
    main.action(QStringLiteral("mnuEsportaSssom"))->trigger();
    QCOMPARE(d.shown.at(2).extra, QStringLiteral("https://creativecommons.org/licenses/by/4.0/"));
    QCOMPARE(d.messages(), QStringList{QStringLiteral("Export cancelled")});
    QVERIFY(!QFileInfo::exists(chosen));
}

QTEST_MAIN(TestMappingImport)
#include "test_mappingimport.moc"
