// SKOS import: the real UNESCO Thesaurus, SKOS-XL labels and grouping levels,
// the names of top-level subsets, re-import keeping mapping relations,
// malformed files, Cancel, the command line and the Project menu item.
#include "base/commandline.h"
#include "base/dialogs.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "shell/commands.h"
#include "shell/project.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "support/testdb.h"
#include "tools/skos_import.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QtTest>

namespace {

QString dataFile(const QString &name)
{
    return QStringLiteral(VOSPAN_SOURCE_DIR "/tests/data/") + name;
}

QString unescoFile()
{
    const QString shared = sharedDataPath();
    return shared.isEmpty() ? QString() : shared + QStringLiteral("/skos/unesco-thesaurus.ttl");
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

qint64 count(const QString &db, const QString &sql, const QVariantList &params = {})
{
    return TestDb::value(db, sql, params).toLongLong();
}

// Text values of one property of a concept, as "LANG:value", sorted.
QStringList textsOf(const QString &db, qint64 conceptId, int property)
{
    cConnessione c;
    c.ApriConnessione(cConnessione::connectionStringFor(db));
    RecordSet rs;
    c.ApriRS(QStringLiteral("select lang.name, datatypepropertyvalues.value from conceptproperties "
                            "join datatypepropertyvalues on datatypepropertyvalues.concept_property_ref = conceptproperties.id "
                            "join lang on lang.id = datatypepropertyvalues.lang_ref "
                            "where conceptproperties.concept_ref = ? and conceptproperties.property_ref = ?"),
             rs, {conceptId, property});
    QStringList out;
    while (!rs.isEOF()) {
        out << rs.value(0).toString() + QLatin1Char(':') + rs.value(1).toString();
        rs.MoveNext();
    }
    out.sort();
    return out;
}

// Labels of the concepts a concept links to with one property, sorted.
QStringList linksOf(const QString &db, qint64 conceptId, int property)
{
    cConnessione c;
    c.ApriConnessione(cConnessione::connectionStringFor(db));
    RecordSet rs;
    c.ApriRS(QStringLiteral("select concepts.dex from conceptproperties "
                            "join objectpropertyvalues on objectpropertyvalues.concept_property_ref = conceptproperties.id "
                            "join concepts on concepts.id = objectpropertyvalues.concept_ref "
                            "where conceptproperties.concept_ref = ? and conceptproperties.property_ref = ?"),
             rs, {conceptId, property});
    QStringList out;
    while (!rs.isEOF()) {
        out << rs.value(0).toString();
        rs.MoveNext();
    }
    out.sort(Qt::CaseInsensitive);
    return out;
}

qint64 idOfUri(const QString &db, const QString &uri)
{
    return count(db, QStringLiteral("select id from concepts where uri = ?"), {uri});
}

SkosImport::Result importFile(const QString &db, const QString &file, int model,
                              const SkosImport::Progress &progress = {}, const SkosImport::Confirm &confirm = {})
{
    cConnessione c;
    if (!c.ApriConnessione(cConnessione::connectionStringFor(db)))
        return {SkosImport::Result::Status::Failed, c.lastOpenError(), 0, {}};
    return SkosImport::run(c, file, model, progress, confirm);
}

const QStringList kUnescoSubsets = {
    QStringLiteral("1. Education"),
    QStringLiteral("2. Science"),
    QStringLiteral("3. Culture"),
    QStringLiteral("4. Social and human sciences"),
    QStringLiteral("5. Information and communication"),
    QStringLiteral("6. Politics, law and economics"),
    QStringLiteral("7. Countries and country groupings"),
};

const QString kEx = QStringLiteral("http://example.org/ett/");

} // namespace

class TestSkosImport : public QObject
{
    Q_OBJECT

private slots:
    void init() { mdlGlobale::AzzeraStato(); }

    void unescoThesaurus();
    void unescoSubsetsFoundByTheChoiceLookup();
    void skosXlLabelsGroupsCyclesAndDanglingLinks();
    void topLevelNamesOfEachThesaurus_data();
    void topLevelNamesOfEachThesaurus();
    void eurovocFieldsFromRdfXml();
    void nTriplesChosenByExtension();
    void reimportKeepsRelationsAndListsVanishedOnes();
    void malformedFileReportsLineAndLeavesDatabase();
    void cancelRollsBackEverything();
    void commandLineExitStatuses();
    void projectMenuImport();
};

void TestSkosImport::unescoThesaurus()
{
    if (unescoFile().isEmpty())
        QSKIP("../shared/data is absent: the UNESCO Thesaurus file is needed for this test");
    TestDb t;
    const QString db = t.createThesaurus();
    int calls = 0, last = -1;
    bool monotonic = true;
    const SkosImport::Result r = importFile(db, unescoFile(), Ids::UNESCO, [&](int percent, const QString &) {
        ++calls;
        monotonic = monotonic && percent >= last;
        last = percent;
        return true;
    });
    QCOMPARE(r.status, SkosImport::Result::Status::Imported);
    QVERIFY(calls > 10);
    QVERIFY(monotonic);
    QCOMPARE(last, 100);

    // 4,420 concepts below 7 domains and their 88 micro-thesauri.
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where model_ref = 4 and is_leaf = 1")), 4420);
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where model_ref = 4 and is_leaf = 0")), 95);
    QCOMPARE(r.summary.concepts, 4420);
    // Every concept is in the tree: no leaf concept is left without a parent.
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where is_leaf = 1 and parent_ref is null")), 0);
    // Micro-thesauri sit under the domains, and concepts never above a group.
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts c join concepts p on p.id = c.parent_ref "
                                      "where c.is_leaf = 0 and (p.is_leaf = 1 or p.parent_ref is not null)")),
             0);
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts c join concepts p on p.id = c.parent_ref "
                                      "where c.is_leaf = 0 and p.dex = '1. Education'")),
             14); // mt1.05 ... mt1.70
    const qint64 mt105 = idOfUri(db, QStringLiteral("http://vocabularies.unesco.org/thesaurus/mt1.05"));
    QCOMPARE(TestDb::value(db, QStringLiteral("select dex from concepts where id = ?"), {mt105}).toString(),
             QStringLiteral("1.05 Educational sciences and environment"));

    // Top-level subsets in dex order, exactly as the choice dialog lists them.
    QStringList tops;
    {
        cConnessione c;
        c.ApriConnessione(cConnessione::connectionStringFor(db));
        RecordSet rs;
        c.ApriRS(QStringLiteral("select dex from concepts where model_ref = 4 and parent_ref is null and is_leaf = 0 "
                                "order by dex"),
                 rs);
        while (!rs.isEOF()) {
            tops << rs.value(0).toString();
            rs.MoveNext();
        }
    }
    QCOMPARE(tops, kUnescoSubsets);

    // Languages: EN keeps id 6, the others are added.
    QCOMPARE(count(db, QStringLiteral("select id from lang where name = 'EN'")), 6);
    QCOMPARE(count(db, QStringLiteral("select count(*) from lang")), 4);
    // Every UNESCO concept has exactly one English preferred label, and it is its dex.
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts c join conceptproperties cp on cp.concept_ref = c.id "
                                      "and cp.property_ref = 4 join datatypepropertyvalues v on v.concept_property_ref = cp.id "
                                      "join lang on lang.id = v.lang_ref where c.is_leaf = 1 and lang.name = 'EN' "
                                      "and v.value = c.dex")),
             4420);
    // Labels by language in the database agree with the summary.
    for (auto it = r.summary.labelsByLanguage.cbegin(); it != r.summary.labelsByLanguage.cend(); ++it)
        QCOMPARE(count(db, QStringLiteral("select count(*) from datatypepropertyvalues v join conceptproperties cp "
                                          "on cp.id = v.concept_property_ref join lang on lang.id = v.lang_ref "
                                          "where cp.property_ref in (1, 4) and lang.name = ?"),
                       {it.key()}),
                 qint64(it.value()));
    QCOMPARE(r.summary.labelsByLanguage.keys(),
             QStringList({QStringLiteral("EN"), QStringLiteral("ES"), QStringLiteral("FR"), QStringLiteral("RU")}));

    // The file's links: 4,264 broader, 4,264 narrower and 12,220 related statements.
    auto linkCount = [&](int property) {
        return count(db, QStringLiteral("select count(*) from objectpropertyvalues o join conceptproperties cp "
                                        "on cp.id = o.concept_property_ref where cp.property_ref = ?"),
                     {property});
    };
    QCOMPARE(linkCount(Ids::Broader), 4264);
    QCOMPARE(linkCount(Ids::Narrower), 4264);
    QCOMPARE(linkCount(Ids::Related), 12220);
    QCOMPARE(count(db, QStringLiteral("select count(*) from datatypepropertyvalues v join conceptproperties cp "
                                      "on cp.id = v.concept_property_ref where cp.property_ref = 6")),
             2576);

    // "Right to education" as the file gives it.
    const qint64 right = idOfUri(db, QStringLiteral("http://vocabularies.unesco.org/thesaurus/concept10"));
    QCOMPARE(textsOf(db, right, Ids::PrefLabel),
             QStringList({QStringLiteral("EN:Right to education"), QStringLiteral("ES:Derecho a la educación"),
                          QStringLiteral("FR:Droit à l'éducation"), QStringLiteral("RU:Право на образование")}));
    QCOMPARE(linksOf(db, right, Ids::Narrower).size(), 2);
    QCOMPARE(linksOf(db, right, Ids::Related).size(), 5);
    QCOMPARE(TestDb::value(db, QStringLiteral("select p.dex from concepts c join concepts p on p.id = c.parent_ref "
                                              "where c.id = ?"),
                           {right})
                 .toString(),
             QStringLiteral("1.10 Educational policy"));

    // A concept with several broader concepts hangs under the first by label
    // and keeps every one of them as a broader value.
    const qint64 brazil = TestDb::value(db, QStringLiteral("select id from concepts where dex = 'Brazil'")).toLongLong();
    const QStringList broader = linksOf(db, brazil, Ids::Broader);
    QVERIFY(broader.size() > 1);
    QCOMPARE(TestDb::value(db, QStringLiteral("select p.dex from concepts c join concepts p on p.id = c.parent_ref "
                                              "where c.id = ?"),
                           {brazil})
                 .toString(),
             broader.first());
}

void TestSkosImport::unescoSubsetsFoundByTheChoiceLookup()
{
    if (unescoFile().isEmpty())
        QSKIP("../shared/data is absent: the UNESCO Thesaurus file is needed for this test");
    TestDb t;
    const QString db = t.createThesaurus();
    // Cancel while the file is being read: nothing is written.
    const QByteArray empty = bytesOf(db);
    int lastSeen = 0;
    QCOMPARE(importFile(db, unescoFile(), Ids::UNESCO,
                        [&](int percent, const QString &) {
                            lastSeen = percent;
                            return percent < 20;
                        })
                 .status,
             SkosImport::Result::Status::Cancelled);
    QVERIFY(lastSeen >= 20 && lastSeen < 55);
    QCOMPARE(bytesOf(db), empty);

    QCOMPARE(importFile(db, unescoFile(), Ids::UNESCO).status, SkosImport::Result::Status::Imported);
    for (const QString &subset : kUnescoSubsets) {
        const QString sql = QStringLiteral(
            "select count(*) from concepts where model_ref = 4 and parent_ref is null and is_leaf = 0 and dex = ?");
        QCOMPARE(count(db, sql, {subset}), 1);
        // and the subset has a tree below it
        QVERIFY(count(db, QStringLiteral("select count(*) from concepts where parent_ref = (select id from concepts "
                                         "where model_ref = 4 and parent_ref is null and is_leaf = 0 and dex = ?)"),
                      {subset})
                > 0);
    }
}

void TestSkosImport::skosXlLabelsGroupsCyclesAndDanglingLinks()
{
    TestDb t;
    const QString db = t.createThesaurus();
    const SkosImport::Result r = importFile(db, dataFile(QStringLiteral("skosxl-ett.ttl")), Ids::ETT);
    QCOMPARE(r.status, SkosImport::Result::Status::Imported);

    const qint64 voc = idOfUri(db, kEx + QStringLiteral("vocational"));
    QCOMPARE(TestDb::value(db, QStringLiteral("select dex from concepts where id = ?"), {voc}).toString(),
             QStringLiteral("Vocational training"));
    QCOMPARE(textsOf(db, voc, Ids::PrefLabel),
             QStringList({QStringLiteral("EN:Vocational training"), QStringLiteral("FR:Formation professionnelle")}));
    QCOMPARE(textsOf(db, voc, Ids::AltLabel), QStringList({QStringLiteral("EN:VET")}));
    QCOMPARE(textsOf(db, voc, Ids::ScopeNote), QStringList({QStringLiteral("EN:Training for a trade.")}));
    // A blank-node SKOS-XL label in a language met nowhere else.
    const qint64 app = idOfUri(db, kEx + QStringLiteral("apprenticeship"));
    QCOMPARE(textsOf(db, app, Ids::AltLabel), QStringList({QStringLiteral("DE:Lehre")}));
    QCOMPARE(r.summary.refusedNoText, 1); // the label without a literal form

    // Grouping levels: fields at the top, named the ETT way, the sub-group below.
    QCOMPARE(TestDb::value(db, QStringLiteral("select dex from concepts where uri = ? and parent_ref is null and is_leaf = 0"),
                           {kEx + QStringLiteral("field1")})
                 .toString(),
             QStringLiteral("1. Education and training"));
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where model_ref = 2 and parent_ref is null and "
                                      "is_leaf = 0 and dex = '2.1. Labour'")),
             1);
    const qint64 group11 = idOfUri(db, kEx + QStringLiteral("group11"));
    QCOMPARE(TestDb::value(db, QStringLiteral("select dex from concepts where id = ?"), {group11}).toString(),
             QStringLiteral("1.1 Training"));
    QCOMPARE(count(db, QStringLiteral("select parent_ref from concepts where id = ?"), {voc}), group11);

    // Two broader concepts: under the first by label, both kept as values.
    const qint64 dual = idOfUri(db, kEx + QStringLiteral("dual"));
    QCOMPARE(count(db, QStringLiteral("select parent_ref from concepts where id = ?"), {dual}), app);
    QCOMPARE(linksOf(db, dual, Ids::Broader),
             QStringList({QStringLiteral("Apprenticeship"), QStringLiteral("Vocational training")}));
    // An untagged label is stored under a language row of its own, not as English.
    QCOMPARE(textsOf(db, dual, Ids::PrefLabel), QStringList({QStringLiteral(":Dual system")}));

    // The cycle A -> B -> A is broken once, and reported; the walk up from
    // either concept reaches a top-level row.
    QCOMPARE(r.summary.cycleLinks, 1);
    for (const QString &name : {QStringLiteral("loopA"), QStringLiteral("loopB")}) {
        qint64 id = idOfUri(db, kEx + name);
        int steps = 0;
        while (id && steps < 10) {
            id = count(db, QStringLiteral("select parent_ref from concepts where id = ?"), {id});
            ++steps;
        }
        QVERIFY2(steps < 10, "the parent chain loops");
    }
    QVERIFY(r.summary.text().contains(QStringLiteral("would close a cycle")));

    // Links to a concept that is not in the file are skipped and reported.
    QCOMPARE(r.summary.refusedDangling, 2);
    QCOMPARE(linksOf(db, app, Ids::Related), QStringList({QStringLiteral("Vocational training")}));
    QVERIFY(r.summary.text().contains(kEx + QStringLiteral("missingConcept")));
    // A concept whose only broader concept is not in the file is outside the tree.
    QCOMPARE(r.summary.outsideDangling, 1);
    QCOMPARE(r.summary.outside(), 1);
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where uri = ? and parent_ref is null and is_leaf = 1"),
                   {kEx + QStringLiteral("stray")}),
             1);
    // Concepts are leaves, grouping levels are not.
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where is_leaf = 1")), 7);
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where is_leaf = 0")), 3);
}

void TestSkosImport::topLevelNamesOfEachThesaurus_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("notation");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unesco") << int(Ids::UNESCO) << "4" << "Social and human sciences" << "4. Social and human sciences";
    QTest::newRow("ett") << int(Ids::ETT) << "1.4" << "Fields of training: sciences and technology"
                         << "1.4. Fields of training: sciences and technology";
    QTest::newRow("ett label already numbered") << int(Ids::ETT) << "3.1" << "3.1. Economic activities"
                                                << "3.1. Economic activities";
    QTest::newRow("eclas") << int(Ids::ECLAS) << "8" << "Industry" << "008 Industry";
    QTest::newRow("eclas padded") << int(Ids::ECLAS) << "012" << "Management. Productivity"
                                  << "012 Management. Productivity";
    QTest::newRow("gemet label as it is") << int(Ids::GEMET) << "" << "WASTES , POLLUTANTS, POLLUTION"
                                          << "WASTES , POLLUTANTS, POLLUTION";
    QTest::newRow("gemet ignores notation") << int(Ids::GEMET) << "17" << "Space" << "Space";
    QTest::newRow("eurovoc from label") << int(Ids::EUROVOC) << "" << "52 ENVIRONMENT" << "52 ENVIRONMENT";
    QTest::newRow("eurovoc from notation") << int(Ids::EUROVOC) << "4" << "politics" << "04 POLITICS";
    QTest::newRow("no notation") << int(Ids::UNESCO) << "" << "Education" << "Education";
}

void TestSkosImport::topLevelNamesOfEachThesaurus()
{
    QFETCH(int, model);
    QFETCH(QString, notation);
    QFETCH(QString, label);
    QFETCH(QString, expected);
    QCOMPARE(SkosPlan::topLevelName(model, notation, label), expected);
}

void TestSkosImport::eurovocFieldsFromRdfXml()
{
    TestDb t;
    const QString db = t.createThesaurus();
    QCOMPARE(Skos::detectFormat(dataFile(QStringLiteral("eurovoc-sample.rdf"))), Skos::Format::RdfXml);
    const SkosImport::Result r = importFile(db, dataFile(QStringLiteral("eurovoc-sample.rdf")), Ids::EUROVOC);
    QCOMPARE(r.status, SkosImport::Result::Status::Imported);
    // The field is found the way a EUROVOC tree finds its root.
    const QVariant field = TestDb::value(
        db, QStringLiteral("select id from concepts where model_ref = 3 and parent_ref is null and uri = ?"),
        {QString::fromLatin1(Ids::DomainNamespace) + QStringLiteral("52")});
    QVERIFY(!field.isNull());
    QCOMPARE(TestDb::value(db, QStringLiteral("select dex from concepts where id = ?"), {field}).toString(),
             QStringLiteral("52 ENVIRONMENT"));
    // micro-thesaurus (a concept scheme) below the field, descriptors below it
    const qint64 mt = idOfUri(db, QStringLiteral("http://example.org/eurovoc/100250"));
    QCOMPARE(count(db, QStringLiteral("select parent_ref from concepts where id = ?"), {mt}), field.toLongLong());
    QCOMPARE(count(db, QStringLiteral("select is_leaf from concepts where id = ?"), {mt}), 0);
    const qint64 policy = idOfUri(db, QStringLiteral("http://example.org/eurovoc/2470"));
    QCOMPARE(count(db, QStringLiteral("select parent_ref from concepts where id = ?"), {policy}), mt);
    // No English label: dex is the other language's.
    const qint64 tax = idOfUri(db, QStringLiteral("http://example.org/eurovoc/5482"));
    QCOMPARE(TestDb::value(db, QStringLiteral("select dex from concepts where id = ?"), {tax}).toString(),
             QStringLiteral("ecotassa"));
    QCOMPARE(count(db, QStringLiteral("select parent_ref from concepts where id = ?"), {tax}), policy);
}

void TestSkosImport::nTriplesChosenByExtension()
{
    TestDb t;
    const QString db = t.createThesaurus();
    const QString file = t.writeFile(
        QStringLiteral("small.nt"),
        "<http://x.org/g> <http://www.w3.org/1999/02/22-rdf-syntax-ns#type> <http://www.w3.org/2004/02/skos/core#Collection> .\n"
        "<http://x.org/g> <http://www.w3.org/2004/02/skos/core#prefLabel> \"ENERGY\"@en .\n"
        "<http://x.org/g> <http://www.w3.org/2004/02/skos/core#member> <http://x.org/c1> .\n"
        "<http://x.org/c1> <http://www.w3.org/1999/02/22-rdf-syntax-ns#type> <http://www.w3.org/2004/02/skos/core#Concept> .\n"
        "<http://x.org/c1> <http://www.w3.org/2004/02/skos/core#prefLabel> \"wind power\"@en .\n");
    QCOMPARE(Skos::detectFormat(file), Skos::Format::NTriples);
    const SkosImport::Result r = importFile(db, file, Ids::GEMET);
    QCOMPARE(r.status, SkosImport::Result::Status::Imported);
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts c join concepts g on g.id = c.parent_ref where "
                                      "g.model_ref = 5 and g.dex = 'ENERGY' and g.parent_ref is null and g.is_leaf = 0 "
                                      "and c.dex = 'wind power' and c.is_leaf = 1")),
             1);
}

void TestSkosImport::reimportKeepsRelationsAndListsVanishedOnes()
{
    TestDb t;
    const QString db = t.createThesaurus();
    const QByteArray head = "@prefix skos: <http://www.w3.org/2004/02/skos/core#> .\n"
                            "@prefix ex: <http://example.org/g/> .\n"
                            "ex:grp a skos:Collection ; skos:prefLabel \"ENERGY\"@en ; skos:member ex:a , ex:b , ex:c , ex:d .\n";
    const QString v1 = t.writeFile(QStringLiteral("v1.ttl"),
                                   head + "ex:a a skos:Concept ; skos:prefLabel \"alpha\"@en .\n"
                                          "ex:b a skos:Concept ; skos:prefLabel \"beta\"@en ; skos:related ex:a .\n"
                                          "ex:c a skos:Concept ; skos:prefLabel \"gamma\"@en .\n");
    const QString v2 = t.writeFile(QStringLiteral("v2.ttl"),
                                   head + "ex:a a skos:Concept ; skos:prefLabel \"alpha (new)\"@en .\n"
                                          "ex:b a skos:Concept ; skos:prefLabel \"beta\"@en .\n"
                                          "ex:d a skos:Concept ; skos:prefLabel \"delta\"@en .\n");
    QCOMPARE(importFile(db, v1, Ids::GEMET).status, SkosImport::Result::Status::Imported);
    const QString a = QStringLiteral("http://example.org/g/a"), c = QStringLiteral("http://example.org/g/c");
    const qint64 idA = idOfUri(db, a), idC = idOfUri(db, c);
    // A EUROVOC concept and two relations of the EUROVOC-GEMET project.
    TestDb::run(db,
                {QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) values (900, 3, null, 'energy policy', 1, 'http://eurovoc/1')"),
                 QStringLiteral("insert into mappingrelations (id, project_ref, left_concept_ref, right_concept_ref, property_ref, notes) values (1, 4, 900, ?, 9, 'same')"),
                 QStringLiteral("insert into mappingrelations (id, project_ref, left_concept_ref, right_concept_ref, property_ref, notes) values (2, 4, 900, ?, 8, 'wider')")},
                {{}, {idA}, {idC}});

    // Declining the replacement changes nothing at all.
    const QByteArray before = bytesOf(db);
    QString asked;
    SkosImport::Result r = importFile(db, v2, Ids::GEMET, {}, [&](const QString &q) {
        asked = q;
        return false;
    });
    QCOMPARE(r.status, SkosImport::Result::Status::Declined);
    QVERIFY(asked.contains(QStringLiteral("GEMET thesaurus (4 concepts)")));
    QCOMPARE(bytesOf(db), before);

    r = importFile(db, v2, Ids::GEMET, {}, [](const QString &) { return true; });
    QCOMPARE(r.status, SkosImport::Result::Status::Imported);
    QVERIFY(r.summary.replaced);
    // alpha keeps its id and its new label; relation 1 is intact.
    QCOMPARE(idOfUri(db, a), idA);
    QCOMPARE(TestDb::value(db, QStringLiteral("select dex from concepts where id = ?"), {idA}).toString(),
             QStringLiteral("alpha (new)"));
    QCOMPARE(textsOf(db, idA, Ids::PrefLabel), QStringList({QStringLiteral("EN:alpha (new)")}));
    QCOMPARE(count(db, QStringLiteral("select right_concept_ref from mappingrelations where id = 1")), idA);
    // beta lost its related link with the new edition.
    QVERIFY(linksOf(db, idOfUri(db, QStringLiteral("http://example.org/g/b")), Ids::Related).isEmpty());
    // gamma is gone from the tree, but relation 2 still finds its concept, and it is listed.
    QCOMPARE(count(db, QStringLiteral("select count(*) from mappingrelations")), 2);
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where id = ? and parent_ref is null and is_leaf = 1"),
                   {idC}),
             1);
    QCOMPARE(textsOf(db, idC, Ids::PrefLabel), QStringList());
    QCOMPARE(r.summary.vanishedRelations.size(), 1);
    QVERIFY(r.summary.vanishedRelations.first().startsWith(QStringLiteral("relation 2 (broadMatch): \"gamma\"")));
    QVERIFY(r.summary.text().contains(r.summary.vanishedRelations.first()));
    QCOMPARE(r.summary.relationsKept, 2);
    // delta is new; the group kept its id; nothing else of GEMET is left over.
    QVERIFY(idOfUri(db, QStringLiteral("http://example.org/g/d")) > 0);
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where model_ref = 5")), 5); // group, a, b, d, retired c
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where model_ref = 3")), 1);
    QCOMPARE(count(db, QStringLiteral("select count(*) from conceptproperties cp left join concepts c on c.id = cp.concept_ref "
                                      "where c.id is null")),
             0);
    QCOMPARE(count(db, QStringLiteral("select count(*) from objectpropertyvalues o left join concepts c on c.id = o.concept_ref "
                                      "where c.id is null")),
             0);
}

void TestSkosImport::malformedFileReportsLineAndLeavesDatabase()
{
    TestDb t;
    const QString db = t.createThesaurus();
    QCOMPARE(importFile(db, dataFile(QStringLiteral("skosxl-ett.ttl")), Ids::ETT).status,
             SkosImport::Result::Status::Imported);
    const QByteArray before = bytesOf(db);
    bool asked = false;
    const SkosImport::Result r = importFile(db, dataFile(QStringLiteral("malformed.ttl")), Ids::ETT, {},
                                            [&](const QString &) { return asked = true; });
    QCOMPARE(r.status, SkosImport::Result::Status::Failed);
    QCOMPARE(r.line, 9);
    QVERIFY2(r.message.contains(QStringLiteral("line 9")), qPrintable(r.message));
    QVERIFY(!asked); // the file is read before the database is touched
    QCOMPARE(bytesOf(db), before);

    // A file with no concepts at all is refused too.
    const QString empty = t.writeFile(QStringLiteral("none.ttl"), "<http://x/a> <http://x/b> \"c\" .\n");
    const SkosImport::Result none = importFile(db, empty, Ids::ETT);
    QCOMPARE(none.status, SkosImport::Result::Status::Failed);
    QCOMPARE(bytesOf(db), before);
}

void TestSkosImport::cancelRollsBackEverything()
{
    TestDb t;
    const QString db = t.createThesaurus();
    QCOMPARE(importFile(db, dataFile(QStringLiteral("eurovoc-sample.rdf")), Ids::EUROVOC).status,
             SkosImport::Result::Status::Imported);
    const QByteArray before = bytesOf(db);
    // Cancel while the concepts are being stored (past the reading share).
    int seen = 0;
    SkosImport::Result r = importFile(
        db, dataFile(QStringLiteral("skosxl-ett.ttl")), Ids::ETT,
        [&](int percent, const QString &) {
            seen = percent;
            return percent < 70;
        });
    QCOMPARE(r.status, SkosImport::Result::Status::Cancelled);
    QVERIFY(seen >= 70);
    QCOMPARE(bytesOf(db), before);
    // Cancel at the very start.
    r = importFile(db, dataFile(QStringLiteral("skosxl-ett.ttl")), Ids::ETT, [](int, const QString &) { return false; });
    QCOMPARE(r.status, SkosImport::Result::Status::Cancelled);
    QCOMPARE(bytesOf(db), before);
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where model_ref = 2")), 0);
}

void TestSkosImport::commandLineExitStatuses()
{
    TestDb t;
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    auto run = [&](const QStringList &args) {
        outText.clear();
        errText.clear();
        const int rc = programCommands().run(args, out, err);
        out.flush();
        err.flush();
        return rc;
    };
    const QString file = dataFile(QStringLiteral("skosxl-ett.ttl"));
    const QString db = t.path(QStringLiteral("new.sqlite"));

    QCOMPARE(run({QStringLiteral("--import-skos"), file, QStringLiteral("--thesaurus"), QStringLiteral("ett"),
                  QStringLiteral("--into"), db}),
             0);
    QVERIFY(outText.contains(QStringLiteral("Concepts: 7")));
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where model_ref = 2 and is_leaf = 1")), 7);
    // The new database has the whole schema and its fixed rows.
    QCOMPARE(count(db, QStringLiteral("select count(*) from mappingprojects")), 4);

    // Already there: refused without --replace, the file untouched.
    const QByteArray before = bytesOf(db);
    QCOMPARE(run({QStringLiteral("--import-skos"), file, QStringLiteral("--thesaurus"), QStringLiteral("ett"),
                  QStringLiteral("--into"), db}),
             1);
    QVERIFY(errText.contains(QStringLiteral("--replace")));
    QCOMPARE(bytesOf(db), before);
    QCOMPARE(run({QStringLiteral("--import-skos"), file, QStringLiteral("--thesaurus"), QStringLiteral("ett"),
                  QStringLiteral("--into"), db, QStringLiteral("--replace")}),
             0);

    // Unknown thesaurus and missing arguments are usage errors.
    QCOMPARE(run({QStringLiteral("--import-skos"), file, QStringLiteral("--thesaurus"), QStringLiteral("agrovoc"),
                  QStringLiteral("--into"), db}),
             2);
    QVERIFY(errText.contains(QStringLiteral("agrovoc")));
    QCOMPARE(run({QStringLiteral("--import-skos"), file}), 2);

    // A malformed file: non-zero, the line named, no new database left behind.
    const QString other = t.path(QStringLiteral("other.sqlite"));
    QCOMPARE(run({QStringLiteral("--import-skos"), dataFile(QStringLiteral("malformed.ttl")),
                  QStringLiteral("--thesaurus"), QStringLiteral("ett"), QStringLiteral("--into"), other}),
             1);
    QVERIFY(errText.contains(QStringLiteral("line 9")));
    QVERIFY(!QFile::exists(other));
    QCOMPARE(run({QStringLiteral("--import-skos"), t.path(QStringLiteral("nothing.ttl")),
                  QStringLiteral("--thesaurus"), QStringLiteral("ett"), QStringLiteral("--into"), other}),
             1);
    QVERIFY(!QFile::exists(other));
}

void TestSkosImport::projectMenuImport()
{
    TestDb t;
    frmMain w;
    installRooms(w);
    QMenu *project = w.menu(QStringLiteral("mnuProgetto"));
    QAction *item = w.action(QStringLiteral("mnuProgettoImportaSkos"));
    QVERIFY(project && item);
    QCOMPARE(item->text(), QStringLiteral("Import thesaurus (SKOS)..."));
    // Placed before the separator; the other items keep their places.
    const QList<QAction *> actions = project->actions();
    const int at = static_cast<int>(actions.indexOf(item));
    QCOMPARE(actions.at(at + 1)->objectName(), QStringLiteral("mnuProgettoSep0"));
    QCOMPARE(actions.first()->objectName(), QStringLiteral("mnuProgettoApri"));
    QCOMPARE(actions.last()->objectName(), QStringLiteral("mnuProgettoExit"));

    // No database open: the file, the thesaurus, a new database; then the summary.
    const QString db = t.path(QStringLiteral("imported.sqlite"));
    {
        ScopedScriptedDialogs d;
        d.answerFile(dataFile(QStringLiteral("skosxl-ett.ttl")));
        d.answerItem(QStringLiteral("ETT"));
        d.answerFile(db);
        d.answerQuestion(false); // do not open it now
        item->trigger();
        QCOMPARE(d.messages().size(), 1);
        QVERIFY(d.messages().first().startsWith(QStringLiteral("Thesaurus ETT imported into imported.sqlite.")));
        QCOMPARE(d.shown.last().kind, QStringLiteral("question"));
    }
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where model_ref = 2")), 10);

    // With that database open, import another thesaurus into it.
    {
        ScopedScriptedDialogs d;
        QCOMPARE(Progetto::ApriFile(db), Progetto::Esito::Aperto);
        d.answerFile(dataFile(QStringLiteral("eurovoc-sample.rdf")));
        d.answerItem(QStringLiteral("EUROVOC"));
        d.answerQuestion(true); // into the open database
        item->trigger();
        QCOMPARE(d.messages().size(), 1);
        QVERIFY(d.messages().first().startsWith(QStringLiteral("Thesaurus EUROVOC imported into imported.sqlite.")));
        QCOMPARE(mdlGlobale::vConnection.scalar(QStringLiteral("select count(*) from concepts where model_ref = 3")).toInt(), 4);
        Progetto::Chiudi();
    }

    // The thesaurus is chosen from the five, not typed; no choice, no import.
    {
        ScopedScriptedDialogs d;
        d.answerFile(dataFile(QStringLiteral("skosxl-ett.ttl")));
        d.answerItem(std::nullopt);
        item->trigger();
        QCOMPARE(d.shown.last().kind, QStringLiteral("item"));
        QCOMPARE(d.shown.last().extra, QStringLiteral("EUROVOC|ECLAS|ETT|UNESCO|GEMET"));
        QVERIFY(d.messages().isEmpty());
        QCOMPARE(d.progresses.size(), 0);
    }
    // A malformed file into a new database: the error with its line, no file left.
    const QString other = t.path(QStringLiteral("other.sqlite"));
    {
        ScopedScriptedDialogs d;
        d.answerFile(dataFile(QStringLiteral("malformed.ttl")));
        d.answerItem(QStringLiteral("ETT"));
        d.answerFile(other);
        item->trigger();
        QCOMPARE(d.messages().size(), 1);
        QVERIFY(d.messages().first().contains(QStringLiteral("line 9")));
        QVERIFY(!QFile::exists(other));
    }
}

QTEST_MAIN(TestSkosImport)
#include "test_skos_import.moc"
