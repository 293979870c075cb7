// SKOS import of thesauri as their publishers write them: GEMET, STW, YSO
// and the Skosmos test vocabularies from ../shared/data, the OAEI files the
// matcher reads, and our EUROVOC (both published shapes) and GEMET-with-
// groups fixtures.  Counts are checked against an independent count of the
// same file, and trees against what Mapping > New loads.
#include "base/dialogs.h"
#include "data/choices.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "skos_fixture.h"
#include "workspace/treequeries.h"
#include "workspace/ui/frmAlbero.h"
#include "workspace/ui/frmScegli.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <raptor2.h>

using namespace SkosFixture;

namespace {

const QByteArray kSkosNs = "http://www.w3.org/2004/02/skos/core#";
const QByteArray kType = "http://www.w3.org/1999/02/22-rdf-syntax-ns#type";

// What a file holds, counted straight from its statements with plain set
// logic, without the import's reader or plan.
struct FileCounts
{
    QSet<QByteArray> concepts; // typed skos:Concept or a declared subclass, not deprecated
    QSet<QByteArray> tops;     // named by hasTopConcept / topConceptOf
    QSet<QByteArray> withBroader;
    QMap<QString, int> labels; // distinct pref and alt labels of concepts, by upper-case language
    int broader = 0, narrower = 0, related = 0; // distinct links between two different concepts
    int selfLinks = 0;
};

struct Triple
{
    QByteArray s, p, o;
    QString lang;
    bool literal = false;
};

QByteArray termText(raptor_term *t)
{
    if (t->type == RAPTOR_TERM_TYPE_URI)
        return QByteArray(reinterpret_cast<const char *>(raptor_uri_as_string(t->value.uri)));
    if (t->type == RAPTOR_TERM_TYPE_BLANK)
        return QByteArray("_:") + reinterpret_cast<const char *>(t->value.blank.string);
    return QByteArray(reinterpret_cast<const char *>(t->value.literal.string),
                      static_cast<qsizetype>(t->value.literal.string_len))
        .trimmed();
}

void collect(void *data, raptor_statement *st)
{
    Triple t;
    t.s = termText(st->subject);
    t.p = termText(st->predicate);
    t.o = termText(st->object);
    t.literal = st->object->type == RAPTOR_TERM_TYPE_LITERAL;
    if (t.literal && st->object->value.literal.language)
        t.lang = QString::fromUtf8(reinterpret_cast<const char *>(st->object->value.literal.language)).toUpper();
    static_cast<QVector<Triple> *>(data)->append(t);
}

// Every statement of a SKOS file, as raptor reads it.
QVector<Triple> readTriples(const QString &path)
{
    QVector<Triple> triples;
    raptor_world *world = raptor_new_world();
    const char *syntax = path.endsWith(QLatin1String(".ttl")) ? "turtle" : "rdfxml";
    raptor_parser *parser = raptor_new_parser(world, syntax);
    raptor_parser_set_statement_handler(parser, &triples, collect);
    const QByteArray url = QUrl::fromLocalFile(path).toEncoded();
    raptor_uri *uri = raptor_new_uri(world, reinterpret_cast<const unsigned char *>(url.constData()));
    raptor_parser_parse_file(parser, uri, uri);
    raptor_free_uri(uri);
    raptor_free_parser(parser);
    raptor_free_world(world);
    return triples;
}

// The concepts of the file: resources of skos:Concept or a subclass of it,
// deprecated ones left out.
QSet<QByteArray> conceptsOf(const QVector<Triple> &triples)
{
    QSet<QByteArray> conceptClasses{kSkosNs + "Concept"}, deprecated, concepts;
    for (const Triple &t : triples) {
        if (t.p == "http://www.w3.org/2000/01/rdf-schema#subClassOf" && t.o == kSkosNs + "Concept")
            conceptClasses.insert(t.s);
        if (t.p == "http://www.w3.org/2002/07/owl#deprecated" && t.o == "true")
            deprecated.insert(t.s);
    }
    for (const Triple &t : triples)
        if (t.p == kType && conceptClasses.contains(t.o) && !deprecated.contains(t.s))
            concepts.insert(t.s);
    return concepts;
}

// Counts a broader, narrower or related link between two concepts (a link
// of a concept to itself apart).
void countLink(const Triple &t, FileCounts &c)
{
    if (t.s == t.o) {
        ++c.selfLinks;
    } else if (t.p == kSkosNs + "broader") {
        ++c.broader;
        c.withBroader.insert(t.s);
    } else if (t.p == kSkosNs + "narrower") {
        ++c.narrower;
        c.withBroader.insert(t.o);
    } else {
        ++c.related;
    }
}

FileCounts countFile(const QString &path)
{
    const QVector<Triple> triples = readTriples(path);
    FileCounts c;
    c.concepts = conceptsOf(triples);
    QSet<QByteArray> seen;
    for (const Triple &t : triples) {
        const QByteArray key = t.s + '\1' + t.p + '\1' + t.o + '\1' + t.lang.toUtf8();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        if (t.p == kSkosNs + "hasTopConcept")
            c.tops.insert(t.o);
        if (t.p == kSkosNs + "topConceptOf")
            c.tops.insert(t.s);
        if (!c.concepts.contains(t.s))
            continue;
        if (t.literal && (t.p == kSkosNs + "prefLabel" || t.p == kSkosNs + "altLabel") && !t.o.isEmpty())
            ++c.labels[t.lang];
        const bool link = t.p == kSkosNs + "broader" || t.p == kSkosNs + "narrower" || t.p == kSkosNs + "related";
        if (link && c.concepts.contains(t.o))
            countLink(t, c);
    }
    return c;
}

// Labels by language stored for one model.
QMap<QString, int> storedLabels(const QString &db, int model)
{
    QMap<QString, int> out;
    for (const QString &row : rows(db, QStringLiteral("select lang.name, count(*) from datatypepropertyvalues v "
                                                      "join conceptproperties cp on cp.id = v.concept_property_ref "
                                                      "join concepts c on c.id = cp.concept_ref "
                                                      "join lang on lang.id = v.lang_ref "
                                                      "where cp.property_ref in (1, 4) and c.model_ref = ? "
                                                      "group by lang.name"),
                                      {model})) {
        const QStringList cols = row.split(QLatin1Char('|'));
        out.insert(cols.at(0).toUpper(), cols.at(1).toInt());
    }
    return out;
}

// The links of a concept as "property|target uri".
QStringList linksOf(const QString &db, const QString &uri)
{
    return rows(db, QStringLiteral("select cp.property_ref, t.uri from concepts c join conceptproperties cp on cp.concept_ref = c.id "
                                   "join objectpropertyvalues o on o.concept_property_ref = cp.id "
                                   "join concepts t on t.id = o.concept_ref where c.uri = ?"),
                {uri});
}

QStringList topRows(const QString &db, int model)
{
    return rows(db, QStringLiteral("select dex from concepts where model_ref = ? and parent_ref is null and is_leaf = 0 "
                                   "order by dex"),
                {model});
}

// Every row of a model and every value, by URI, for comparing two imports.
QStringList dump(const QString &db, int model)
{
    QStringList out = rows(db, QStringLiteral("select c.uri, c.dex, c.is_leaf, p.uri from concepts c "
                                              "left join concepts p on p.id = c.parent_ref where c.model_ref = ?"),
                           {model});
    out << rows(db, QStringLiteral("select c.uri, cp.property_ref, lang.name, v.value from concepts c "
                                   "join conceptproperties cp on cp.concept_ref = c.id "
                                   "join datatypepropertyvalues v on v.concept_property_ref = cp.id "
                                   "join lang on lang.id = v.lang_ref where c.model_ref = ?"),
                {model});
    out << rows(db, QStringLiteral("select c.uri, cp.property_ref, t.uri from concepts c "
                                   "join conceptproperties cp on cp.concept_ref = c.id "
                                   "join objectpropertyvalues o on o.concept_property_ref = cp.id "
                                   "join concepts t on t.id = o.concept_ref where c.model_ref = ?"),
                {model});
    out.sort();
    return out;
}

// Nodes of the tree the right alignment window loads for a target
// thesaurus, root included, following the window's own queries.
int targetTreeNodes(const QString &db, int model, const QString &subset = {})
{
    cConnessione c;
    c.ApriConnessione(cConnessione::connectionStringFor(db));
    const AlberoQuery::Query root = AlberoQuery::targetRoot(model, subset);
    RecordSet rs;
    c.ApriRS(root.sql, rs, root.params);
    int nodes = 1;
    while (!rs.isEOF()) {
        nodes += 1 + c.scalar(QStringLiteral("select count(*) from (") + AlberoQuery::subtreeQuery() + QLatin1Char(')'),
                              {rs.value(QStringLiteral("id"))})
                         .toInt();
        rs.MoveNext();
    }
    return nodes;
}

int eurovocTreeNodes(const QString &db, const QString &field)
{
    cConnessione c;
    c.ApriConnessione(cConnessione::connectionStringFor(db));
    const AlberoQuery::Query root = AlberoQuery::eurovocRoot(field);
    const QVariant id = c.scalar(root.sql, root.params);
    if (id.isNull())
        return 1;
    return 2 + c.scalar(QStringLiteral("select count(*) from (") + AlberoQuery::subtreeQuery() + QLatin1Char(')'), {id}).toInt();
}

#define SKIP_WITHOUT(file)                                                                                             \
    if ((file).isEmpty())                                                                                              \
    QSKIP("../shared/data is absent: the real thesaurus files are needed for this test")

} // namespace

class TestSkosImportReal : public QObject
{
    Q_OBJECT

private slots:
    void init() { mdlGlobale::AzzeraStato(); }

    void gemetAsPublished();
    void stwThesaurusCategories();
    void ysoBothSyntaxesGiveTheSameRows();
    void skosmosLabelsCyclesAndMissingLanguages();
    void matcherFilesKeepEveryLabel();
    void eurovocBothShapesGiveTheTwentyOneFields_data();
    void eurovocBothShapesGiveTheTwentyOneFields();
    void eurovocDomainGivenAsAScheme();
    void gemetGroupsGiveTheThirtyTwoSubsets();
    void mappingNewShowsBothImportedTrees();
    void statementsKeptOnceAndCountedByKind();
};

void TestSkosImportReal::gemetAsPublished()
{
    const QString file = sharedSkos(QStringLiteral("gemet-en-4.0.1.rdf"));
    SKIP_WITHOUT(file);
    const FileCounts f = countFile(file);
    QCOMPARE(f.concepts.size(), 5520);
    TestDb t;
    const QString db = t.createThesaurus();
    const SkosImport::Result r = importFile(db, file, Ids::GEMET);
    QVERIFY2(r.ok(), qPrintable(r.message));

    // Every concept is a row; the 108 top concepts are the first level.
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where model_ref = 5")), qint64(f.concepts.size()));
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where model_ref = 5 and parent_ref is null and is_leaf = 0")),
             qint64(f.tops.size()));
    for (const QString &uri : rows(db, QStringLiteral("select uri from concepts where model_ref = 5 and parent_ref is null "
                                                      "and is_leaf = 0")))
        QVERIFY2(f.tops.contains(uri.toUtf8()), qPrintable(uri));
    // The two concepts with neither a broader concept nor a place among the
    // top concepts are the only ones outside the tree, and the summary says so.
    int isolated = 0;
    for (const QByteArray &c : f.concepts)
        isolated += !f.tops.contains(c) && !f.withBroader.contains(c);
    QCOMPARE(isolated, 2);
    QCOMPARE(r.summary.outsideNoPath, isolated);
    QCOMPARE(r.summary.inTree, 5520 - isolated);
    QVERIFY(r.summary.text().contains(QStringLiteral("In the tree: 5518 concepts; outside the tree: 2")));
    // The tree the window loads holds the root and every concept in the tree.
    QCOMPARE(targetTreeNodes(db, Ids::GEMET), 1 + r.summary.inTree);

    // Links as the file gives them, a concept's link to itself left out.
    QCOMPARE(f.selfLinks, 1);
    QCOMPARE(linkCount(db, Ids::Broader), qint64(f.broader));
    QCOMPARE(linkCount(db, Ids::Narrower), qint64(f.narrower));
    QCOMPARE(linkCount(db, Ids::Related), qint64(f.related));
    QCOMPARE(storedLabels(db, Ids::GEMET), f.labels);
    QCOMPARE(r.summary.refused(), qint64(f.selfLinks));
}

void TestSkosImportReal::stwThesaurusCategories()
{
    const QString file = sharedSkos(QStringLiteral("stw-9.06.ttl"));
    SKIP_WITHOUT(file);
    const FileCounts f = countFile(file);
    TestDb t;
    const QString db = t.createThesaurus();
    const SkosImport::Result r = importFile(db, file, Ids::ECLAS);
    QVERIFY2(r.ok(), qPrintable(r.message));

    // Descriptors and thesaurus categories are the file's live concepts
    // (subclasses of skos:Concept count); the deprecated ones are left out.
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where model_ref = 1")), qint64(f.concepts.size()));
    QCOMPARE(r.summary.deprecated, 1151);
    // The categories are the grouping levels, the seven top categories first.
    const QStringList tops = rows(db, QStringLiteral("select uri from concepts where model_ref = 1 and parent_ref is null "
                                                     "and is_leaf = 0"));
    for (const QByteArray &top : f.tops)
        QVERIFY2(tops.contains(QString::fromUtf8(top)), top.constData());
    for (const QString &uri : tops)
        QVERIFY2(uri.startsWith(QLatin1String("http://zbw.eu/stw/thsys/")), qPrintable(uri));
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where model_ref = 1 and is_leaf = 0 "
                                      "and uri not like 'http://zbw.eu/stw/thsys/%'")),
             0);
    QCOMPARE(dexOfUri(db, QStringLiteral("http://zbw.eu/stw/thsys/v")), QStringLiteral("V  Economics"));
    // Every descriptor is in the tree, under a category or a broader descriptor.
    QCOMPARE(r.summary.outside(), 0);
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where model_ref = 1 and is_leaf = 1 and parent_ref is null")), 0);
    QCOMPARE(targetTreeNodes(db, Ids::ECLAS), 1 + int(f.concepts.size()));
    QCOMPARE(storedLabels(db, Ids::ECLAS), f.labels);
    QCOMPARE(linkCount(db, Ids::Related), qint64(f.related));
    QCOMPARE(linkCount(db, Ids::Broader), qint64(f.broader));
}

void TestSkosImportReal::ysoBothSyntaxesGiveTheSameRows()
{
    const QString ttl = sharedSkos(QStringLiteral("yso-archaeology.ttl"));
    SKIP_WITHOUT(ttl);
    const QString rdf = sharedSkos(QStringLiteral("yso-archaeology.rdf"));
    TestDb t;
    const QString a = t.createThesaurus(QStringLiteral("a.sqlite"));
    const QString b = t.createThesaurus(QStringLiteral("b.sqlite"));
    QVERIFY(importFile(a, ttl, Ids::UNESCO).ok());
    QVERIFY(importFile(b, rdf, Ids::UNESCO).ok());
    const QStringList rowsA = dump(a, Ids::UNESCO);
    QVERIFY(rowsA.size() > 700);
    QCOMPARE(rowsA, dump(b, Ids::UNESCO));

    // No grouping (its collections have no names) and no top concepts named:
    // the concepts without a broader concept are the first level.
    const FileCounts f = countFile(ttl);
    int roots = 0;
    for (const QByteArray &c : f.concepts)
        roots += !f.withBroader.contains(c);
    QCOMPARE(roots, 79);
    QCOMPARE(topRows(a, Ids::UNESCO).size(), roots);
    QCOMPARE(targetTreeNodes(a, Ids::UNESCO), 1 + int(f.concepts.size()));
    QCOMPARE(storedLabels(a, Ids::UNESCO), f.labels);
}

void TestSkosImportReal::skosmosLabelsCyclesAndMissingLanguages()
{
    const QString xl = sharedSkos(QStringLiteral("skosmos-tests/xl.ttl"));
    SKIP_WITHOUT(xl);
    TestDb t;
    const QString db = t.createThesaurus();
    const QString ns = QStringLiteral("http://www.skosmos.skos/xl/");

    // SKOS-XL and plain labels of the same text are one label; a definition
    // given as a resource with rdf:value is kept under a property of its own.
    SkosImport::Result r = importFile(db, xl, Ids::ETT);
    QVERIFY2(r.ok(), qPrintable(r.message));
    const qint64 c1 = idOfUri(db, ns + QStringLiteral("c1"));
    QCOMPARE(textsOf(db, c1, Ids::PrefLabel), QStringList({QStringLiteral("EN:Concept")}));
    QCOMPARE(textsOf(db, c1, Ids::AltLabel), QStringList({QStringLiteral("EN:Conceptual entity")}));
    const int definition = propertyId(db, QStringLiteral("definition"));
    QVERIFY(definition > Ids::NarrowMatch);
    QCOMPARE(textsOf(db, c1, definition), QStringList({QStringLiteral("EN:Unit of thought")}));
    QCOMPARE(r.summary.definitions, 1);

    // A cycle: only the link that closes it is left out of the tree; a
    // concept's narrower link to itself is reported and not stored.
    const QString cycle = sharedSkos(QStringLiteral("skosmos-tests/cycle.ttl"));
    r = importFile(db, cycle, Ids::UNESCO);
    QVERIFY2(r.ok(), qPrintable(r.message));
    const QString cy = QStringLiteral("http://www.skosmos.skos/cycle/");
    QCOMPARE(parentUri(db, cy + QStringLiteral("ta2")), cy + QStringLiteral("ta1"));
    QCOMPARE(parentUri(db, cy + QStringLiteral("ta3")), cy + QStringLiteral("ta1"));
    QCOMPARE(parentUri(db, cy + QStringLiteral("ta4")), cy + QStringLiteral("ta3"));
    QCOMPARE(r.summary.cycleLinks, 1);
    QCOMPARE(r.summary.outside(), 0);
    QCOMPARE(r.summary.refusedSelf, 1);
    QVERIFY(r.summary.text().contains(QStringLiteral("is linked to itself")));
    QCOMPARE(count(db, QStringLiteral("select count(*) from objectpropertyvalues o join conceptproperties cp on "
                                      "cp.id = o.concept_property_ref where cp.concept_ref = o.concept_ref")),
             0);
    QCOMPARE(topRows(db, Ids::UNESCO), QStringList({QStringLiteral("Top of cycle")}));

    // Labels without a language: a language row of their own, and the dex.
    const QString nolang = sharedSkos(QStringLiteral("skosmos-tests/nolang.ttl"));
    r = importFile(db, nolang, Ids::GEMET);
    QVERIFY2(r.ok(), qPrintable(r.message));
    const QString nl = QStringLiteral("http://www.skosmos.skos/nolang/");
    QCOMPARE(dexOfUri(db, nl + QStringLiteral("no1")), QStringLiteral("No language code"));
    QCOMPARE(textsOf(db, idOfUri(db, nl + QStringLiteral("no1")), Ids::PrefLabel), QStringList({QStringLiteral(":No language code")}));
    QCOMPARE(r.summary.labelsByLanguage.value(QString()), 3);
    QVERIFY(r.summary.text().contains(QStringLiteral("no language 3")));
    // no1 is the file's top concept; no2 and no3 belong nowhere, and are
    // said to be outside the tree.
    QCOMPARE(topRows(db, Ids::GEMET), QStringList({QStringLiteral("No language code")}));
    QCOMPARE(r.summary.outsideNoPath, 2);

    // Thesaurus arrays are not levels of the tree, a deprecated concept is not imported.
    const QString groups = sharedSkos(QStringLiteral("skosmos-tests/groups.ttl"));
    r = importFile(db, groups, Ids::ECLAS);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QCOMPARE(topRows(db, Ids::ECLAS), QStringList({QStringLiteral("Grouped fish")}));
    QCOMPARE(r.summary.deprecated, 1);
    QCOMPARE(r.summary.groups, 0);
    QCOMPARE(idOfUri(db, QStringLiteral("http://www.skosmos.skos/groups/ta111")), 0);
    QCOMPARE(targetTreeNodes(db, Ids::ECLAS), 1 + 6);
}

void TestSkosImportReal::matcherFilesKeepEveryLabel()
{
    const QString shared = sharedDataPath();
    if (shared.isEmpty())
        QSKIP("../shared/data is absent: the OAEI files are needed for this test");
    const QDir cases(shared + QStringLiteral("/alignment/dh-benchmark"));
    const QStringList names = cases.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(names.size(), 5);
    for (const QString &name : names) {
        TestDb t;
        const QString db = t.createThesaurus();
        for (const auto &[side, model] : {std::pair{QStringLiteral("source.rdf"), int(Ids::EUROVOC)},
                                          std::pair{QStringLiteral("target.rdf"), int(Ids::GEMET)}}) {
            const QString file = cases.filePath(name + QLatin1Char('/') + side);
            const FileCounts f = countFile(file);
            // Files without EUROVOC fields are outside the EUROVOC tree: the
            // user is asked, and may store them anyway.
            QStringList asked;
            const SkosImport::Result r = importFile(db, file, model, {}, [&](const QString &q) {
                asked << q;
                return true;
            });
            QVERIFY2(r.ok(), qPrintable(name + QLatin1Char(' ') + r.message));
            QCOMPARE(asked.size(), model == Ids::EUROVOC ? 1 : 0);
            QCOMPARE(r.summary.concepts, int(f.concepts.size()));
            // Labels of groups are kept too; the concepts' own are all there.
            QMap<QString, int> concepts = storedLabels(db, model);
            for (auto it = f.labels.cbegin(); it != f.labels.cend(); ++it)
                QVERIFY2(concepts.value(it.key()) >= it.value(),
                         qPrintable(QStringLiteral("%1 %2 %3").arg(name, side, it.key())));
            if (r.summary.groups == 0)
                QCOMPARE(concepts, f.labels);
        }
    }
}

void TestSkosImportReal::eurovocBothShapesGiveTheTwentyOneFields_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("SKOS core, micro-thesauri as concept schemes") << QStringLiteral("eurovoc-skos-core.rdf");
    QTest::newRow("EU application profile, eu:Domain and eu:MicroThesaurus") << QStringLiteral("eurovoc-skos-ap-eu.rdf");
}

void TestSkosImportReal::eurovocBothShapesGiveTheTwentyOneFields()
{
    QFETCH(QString, file);
    TestDb t;
    const QString db = t.createThesaurus();
    const SkosImport::Result r = importFile(db, dataFile(file), Ids::EUROVOC);
    QVERIFY2(r.ok(), qPrintable(r.message));

    // The 21 fields, found the way the left tree finds its root.
    const QString ns = QString::fromLatin1(Ids::DomainNamespace);
    QStringList fields = rows(db, QStringLiteral("select dex from concepts where model_ref = 3 and parent_ref is null "
                                                 "and uri = ? || substr(dex, 1, 2) order by dex"),
                              {ns});
    QCOMPARE(fields, Scelte::eurovocFields());
    QCOMPARE(r.summary.topGroups, 21);
    // Micro-thesauri below their field, descriptors below those.
    const QString environment = ns + QStringLiteral("52");
    QCOMPARE(rows(db, QStringLiteral("select c.dex from concepts c join concepts p on p.id = c.parent_ref where p.uri = ? "
                                     "order by c.dex"),
                  {environment}),
             QStringList({QStringLiteral("5206 environmental policy"), QStringLiteral("5211 natural environment")}));
    const QString e = QStringLiteral("http://eurovoc.europa.eu/");
    QCOMPARE(dexOfUri(db, parentUri(db, e + QStringLiteral("1053"))), QStringLiteral("5206 environmental policy"));
    QCOMPARE(parentUri(db, e + QStringLiteral("1055")), e + QStringLiteral("1053"));
    QCOMPARE(count(db, QStringLiteral("select is_leaf from concepts where uri = ?"), {e + QStringLiteral("1055")}), 1);
    // Every descriptor is in the tree of one field.
    QCOMPARE(r.summary.outside(), 0);
    int nodes = 0;
    for (const QString &f : Scelte::eurovocFields())
        nodes += eurovocTreeNodes(db, f.left(2)) - 1;
    QCOMPARE(nodes, r.summary.concepts + r.summary.groups);
    QCOMPARE(eurovocTreeNodes(db, QStringLiteral("52")), 1 + 1 + 2 + 5);

    // Labels: the SKOS-XL form and the plain one are one label.
    QCOMPARE(count(db, QStringLiteral("select count(*) from (select cp.concept_ref, v.lang_ref, v.value, count(*) as n "
                                      "from datatypepropertyvalues v join conceptproperties cp on cp.id = v.concept_property_ref "
                                      "group by cp.concept_ref, cp.property_ref, v.lang_ref, v.value) where n > 1")),
             0);
    QCOMPARE(textsOf(db, idOfUri(db, e + QStringLiteral("1054")), Ids::PrefLabel), QStringList({QStringLiteral("EN:ecotax")}));
    // Definitions are kept.
    QCOMPARE(r.summary.definitions, 3);
    QCOMPARE(textsOf(db, idOfUri(db, e + QStringLiteral("1054")), propertyId(db, QStringLiteral("definition"))),
             QStringList({QStringLiteral("EN:Tax levied on activities which are considered to be harmful to the environment.")}));
    QCOMPARE(r.summary.refused(), 0);
}

void TestSkosImportReal::eurovocDomainGivenAsAScheme()
{
    // A domain given as a concept scheme of its own is used (its labels kept);
    // a micro-thesaurus without a domain in the file gets its field from its code.
    TestDb t;
    const QString db = t.createThesaurus();
    const QString file = t.writeFile(
        QStringLiteral("ev.ttl"),
        "@prefix skos: <http://www.w3.org/2004/02/skos/core#> .\n"
        "@prefix ev: <http://eurovoc.europa.eu/> .\n"
        "ev:100149 a skos:ConceptScheme ; skos:prefLabel \"52 ENVIRONMENT\"@en , \"52 ENVIRONNEMENT\"@fr .\n"
        "ev:100250 a skos:ConceptScheme ; skos:prefLabel \"5206 environmental policy\"@en .\n"
        "ev:100251 a skos:ConceptScheme ; skos:prefLabel \"6606 energy policy\"@en .\n"
        "ev:2470 a skos:Concept ; skos:prefLabel \"environmental policy\"@en ; skos:topConceptOf ev:100250 .\n"
        "ev:5482 a skos:Concept ; skos:prefLabel \"energy saving\"@en ; skos:inScheme ev:100251 .\n");
    const SkosImport::Result r = importFile(db, file, Ids::EUROVOC);
    QVERIFY2(r.ok(), qPrintable(r.message));
    const QString ns = QString::fromLatin1(Ids::DomainNamespace);
    QCOMPARE(rows(db, QStringLiteral("select uri, dex from concepts where parent_ref is null order by uri")),
             QStringList({ns + QStringLiteral("52|52 ENVIRONMENT"), ns + QStringLiteral("66|66 ENERGY")}));
    QCOMPARE(textsOf(db, idOfUri(db, ns + QStringLiteral("52")), Ids::PrefLabel),
             QStringList({QStringLiteral("EN:52 ENVIRONMENT"), QStringLiteral("FR:52 ENVIRONNEMENT")}));
    QCOMPARE(parentUri(db, QStringLiteral("http://eurovoc.europa.eu/100250")), ns + QStringLiteral("52"));
    QCOMPARE(r.summary.inTree, 2);
}

void TestSkosImportReal::gemetGroupsGiveTheThirtyTwoSubsets()
{
    TestDb t;
    const QString db = t.createThesaurus();
    const SkosImport::Result r = importFile(db, dataFile(QStringLiteral("gemet-groups.rdf")), Ids::GEMET);
    QVERIFY2(r.ok(), qPrintable(r.message));
    // The groups are the top level, named exactly as the choice lists the
    // subsets; super-groups and themes are views across them, not levels.
    QStringList listed = Scelte::subsets(Ids::GEMET);
    listed.sort(Qt::CaseInsensitive);
    QCOMPARE(topRows(db, Ids::GEMET), listed);
    QCOMPARE(r.summary.viewGroups, 4 + 3);
    QCOMPARE(idOfUri(db, QStringLiteral("http://www.eionet.europa.eu/gemet/supergroup/5499")), 0);
    for (const QString &subset : Scelte::subsets(Ids::GEMET))
        QVERIFY2(targetTreeNodes(db, Ids::GEMET, subset) == 1 + 1 + 3, qPrintable(subset));
    QCOMPARE(r.summary.outside(), 0);
    // A group's members (skos:member) and a concept's group (gemet:group) both place it.
    const QString g = QStringLiteral("http://www.eionet.europa.eu/gemet/");
    QCOMPARE(dexOfUri(db, parentUri(db, g + QStringLiteral("concept/25"))),
             QStringLiteral("ADMINISTRATION , MANAGEMENT, POLICY, POLITICS, INSTITUTIONS, PLANNING"));
    QCOMPARE(dexOfUri(db, parentUri(db, g + QStringLiteral("concept/95"))),
             QStringLiteral("AGRICULTURE, FORESTRY; ANIMAL HUSBANDRY; FISHERY"));
    // The two concepts linked three times to a theme by skos:broader, and
    // twice to their broader concept, stay under that concept; each
    // statement is kept once.
    QCOMPARE(r.summary.repeated, 2 * (2 + 1));
    const QString last = rows(db, QStringLiteral("select uri from concepts where dex = 'WASTES , POLLUTANTS, POLLUTION'")).value(0);
    const QStringList children = rows(db, QStringLiteral("select c.uri from concepts c join concepts p on p.id = c.parent_ref "
                                                         "join concepts g on g.id = p.parent_ref where g.uri = ?"),
                                      {last});
    QCOMPARE(children.size(), 2);
    for (const QString &child : children)
        QCOMPARE(linksOf(db, child), QStringList({QStringLiteral("2|") + parentUri(db, child)}));

    // GEMET's groups given as concepts with skos:narrower are groups too.
    const QString narrower = t.writeFile(
        QStringLiteral("g.ttl"),
        "@prefix skos: <http://www.w3.org/2004/02/skos/core#> .\n"
        "@prefix g: <http://www.eionet.europa.eu/gemet/> .\n"
        "g:group\\/9 a skos:Concept ; skos:prefLabel \"Energy\"@en ; skos:narrower g:concept\\/2712 .\n"
        "g:concept\\/2712 a skos:Concept ; skos:prefLabel \"energy\"@en ; skos:broader g:group\\/9 .\n");
    const QString db2 = t.createThesaurus(QStringLiteral("g2.sqlite"));
    QVERIFY(importFile(db2, narrower, Ids::GEMET).ok());
    QCOMPARE(topRows(db2, Ids::GEMET), QStringList({QStringLiteral("ENERGY")}));
    QCOMPARE(parentUri(db2, g + QStringLiteral("concept/2712")), g + QStringLiteral("group/9"));
}

void TestSkosImportReal::mappingNewShowsBothImportedTrees()
{
    using namespace mdlGlobale;
    TestDb t;
    const QString db = t.createThesaurus();
    QVERIFY(importFile(db, dataFile(QStringLiteral("eurovoc-skos-core.rdf")), Ids::EUROVOC).ok());
    QVERIFY(importFile(db, dataFile(QStringLiteral("gemet-groups.rdf")), Ids::GEMET).ok());
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(db)));
    vProjectOpen = true;
    {
        frmMain w;
        installRooms(w);
        w.setDatabaseMenus(true);
        w.show();
        ScopedScriptedDialogs d;
        QTimer::singleShot(0, &w, [] {
            auto *dlg = qobject_cast<frmScegli *>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            dlg->findChild<QComboBox *>(QStringLiteral("cmbSource"))->setEditText(QStringLiteral("52 ENVIRONMENT"));
            dlg->findChild<QRadioButton *>(QStringLiteral("optGEMET"))->click();
            dlg->findChild<QPushButton *>(QStringLiteral("cmdOk"))->click();
        });
        w.action(QStringLiteral("mnuToolsNuovoMapping"))->trigger();
        QVERIFY(frmAlbero::leftWindow() && frmAlbero::rightWindow());
        QCOMPARE(vLeftCount, eurovocTreeNodes(db, QStringLiteral("52")));
        QCOMPARE(vRightCount, targetTreeNodes(db, Ids::GEMET));
        QCOMPARE(vRightCount, 1 + 32 + 96);
        QVERIFY(d.messages().isEmpty());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    vConnection.ChiudiConnessione();
}

void TestSkosImportReal::statementsKeptOnceAndCountedByKind()
{
    TestDb t;
    const QString db = t.createThesaurus();
    const QString file = t.writeFile(
        QStringLiteral("mended.ttl"),
        "@prefix skos: <http://www.w3.org/2004/02/skos/core#> .\n"
        "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
        "@prefix dct: <http://purl.org/dc/terms/> .\n"
        "@prefix ex: <http://example.org/m/> .\n"
        "ex:scheme a skos:ConceptScheme ; dct:title \"Mended\"@en ; dct:created \"2020-01-01\" ;\n"
        "  skos:hasTopConcept ex:top .\n"
        "ex:Term rdfs:subClassOf skos:Concept .\n"
        "ex:top a skos:Concept ; skos:prefLabel \"top\"@en ; dct:created \"2020-01-01\" .\n"
        "ex:a a ex:Term ; skos:prefLabel \"a\"@en ; skos:hiddenLabel \"aa\"@en ; skos:broader ex:top , ex:top , ex:top .\n"
        "ex:a skos:broader ex:top .\n"
        "ex:b a ex:Term ; skos:prefLabel \"b\"@en , \"b\"@en ; skos:broader ex:b , ex:a ; skos:related ex:gone .\n");
    const SkosImport::Result r = importFile(db, file, Ids::ETT);
    QVERIFY2(r.ok(), qPrintable(r.message));
    // The subclass of skos:Concept counts; every row in the tree.
    QCOMPARE(r.summary.concepts, 3);
    QCOMPARE(r.summary.inTree, 3);
    QCOMPARE(parentUri(db, QStringLiteral("http://example.org/m/b")), QStringLiteral("http://example.org/m/a"));
    // Repeated statements stored once.
    QCOMPARE(r.summary.repeated, 4);
    const qint64 a = idOfUri(db, QStringLiteral("http://example.org/m/a"));
    QCOMPARE(count(db, QStringLiteral("select count(*) from objectpropertyvalues o join conceptproperties cp on "
                                      "cp.id = o.concept_property_ref where cp.concept_ref = ? and cp.property_ref = 2"),
                   {a}),
             1);
    QCOMPARE(textsOf(db, idOfUri(db, QStringLiteral("http://example.org/m/b")), Ids::PrefLabel),
             QStringList({QStringLiteral("EN:b")}));
    QCOMPARE(textsOf(db, a, propertyId(db, QStringLiteral("hiddenLabel"))), QStringList({QStringLiteral("EN:aa")}));
    // The self-link and the link to a missing concept are refused; the
    // scheme's metadata, the dates and the class declaration are not used.
    QCOMPARE(r.summary.refusedSelf, 1);
    QCOMPARE(r.summary.refusedDangling, 1);
    QCOMPARE(r.summary.refused(), 2);
    QCOMPARE(r.summary.notUsed, 5);
    QCOMPARE(r.summary.statements, 21);
}

QTEST_MAIN(TestSkosImportReal)
#include "test_skos_import_real.moc"
