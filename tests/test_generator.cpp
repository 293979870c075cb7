// The thesaurus generator: exact sizes, the shape of the trees (top concepts,
// depth, fan-out), labels and links, relations, repeatability, refused
// options, and its script command.
#include "base/commandline.h"
#include "data/cConnessione.h"
#include "data/choices.h"
#include "data/generator.h"
#include "data/ids.h"
#include "shell/commands.h"
#include "support/smalldisk.h"
#include "support/testdb.h"

#include <QtTest>
#include <stdexcept>

class TestGenerator : public QObject
{
    Q_OBJECT

private slots:
    void shapeOfTheThesauri();
    void sameSeedSameDatabase();
    void refusedOptions();
    void scriptCommand();
    void fullDiskLeavesNothingBehind();
};

namespace {

QVariant one(cConnessione &c, const QString &sql, const QVariantList &p = {})
{
    return c.scalar(sql, p);
}

} // namespace

void TestGenerator::shapeOfTheThesauri()
{
    TestDb db;
    const QString path = db.path(QStringLiteral("gen.sqlite"));
    Generator::GeneratorOptions o;
    o.concepts = 600;
    o.relations = 25;
    o.models = {Ids::EUROVOC, Ids::GEMET};
    o.seed = 7;
    const Generator::GeneratorReport r = Generator::generateFile(path, o);
    QCOMPARE(r.concepts, 1200);
    QCOMPARE(r.relations, 25);

    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(path)));
    for (int m : {int(Ids::EUROVOC), int(Ids::GEMET)})
        QCOMPARE(one(c, QStringLiteral("select count(*) from concepts where model_ref = ?"), {m}).toInt(), 600);
    QCOMPARE(one(c, QStringLiteral("select count(*) from concepts where model_ref not in (3, 5)")).toInt(), 0);

    // Top concepts: the 21 fields (uri = namespace + code) and the 32 GEMET subsets.
    QCOMPARE(one(c, QStringLiteral("select count(*) from concepts where model_ref = 3 and parent_ref is null and "
                                   "is_leaf = 0")).toInt(), 21);
    QCOMPARE(one(c, QStringLiteral("select id from concepts where uri = ?"),
                 {QString::fromLatin1(Ids::DomainNamespace) + QStringLiteral("52")}).toInt(),
             one(c, QStringLiteral("select id from concepts where dex = '52 ENVIRONMENT'")).toInt());
    for (const QString &subset : Scelte::subsets(Ids::GEMET))
        QCOMPARE(one(c, QStringLiteral("select count(*) from concepts where model_ref = 5 and parent_ref is null "
                                       "and is_leaf = 0 and dex = ?"), {subset}).toInt(), 1);

    // Depth 3 to 7 counting the top, every concept under a top of its own model.
    const QString depths = QStringLiteral(
        "with recursive d(id, model, lvl) as (select id, model_ref, 0 from concepts where parent_ref is null "
        "union all select c.id, c.model_ref, d.lvl + 1 from concepts c join d on c.parent_ref = d.id "
        "and c.model_ref = d.model) ");
    QCOMPARE(one(c, depths + QStringLiteral("select count(*) from d")).toInt(), 1200);
    const int deepest = one(c, depths + QStringLiteral("select max(lvl) from d")).toInt();
    QVERIFY(deepest >= 2 && deepest <= 6);
    // Uneven fan-out: some parents have many more children than others.
    const int most = one(c, QStringLiteral("select max(n) from (select count(*) as n from concepts "
                                           "where parent_ref is not null group by parent_ref)")).toInt();
    const int least = one(c, QStringLiteral("select min(n) from (select count(*) as n from concepts "
                                            "where parent_ref is not null group by parent_ref)")).toInt();
    QVERIFY(most >= 4 * least);

    // Labels: an English prefLabel equal to the description, one in another language.
    QCOMPARE(one(c, QStringLiteral("select count(*) from concepts where dex not in (select Pvalue from "
                                   "qDataTypePropertyValues where property_id = 4 and lang_name = 'EN' and "
                                   "concept_id = concepts.id)")).toInt(), 0);
    QVERIFY(one(c, QStringLiteral("select count(*) from qDataTypePropertyValues where lang_name <> 'EN'")).toInt() >= 1200);
    const double average = one(c, QStringLiteral("select avg(length(dex)) from concepts where parent_ref is not null")).toDouble();
    QVERIFY(average >= 8 && average <= 60);
    // Links: a broader link for every non-top concept and a narrower link back.
    QCOMPARE(one(c, QStringLiteral("select count(*) from qObjectPropertyValues where property_id = 2")).toInt(),
             one(c, QStringLiteral("select count(*) from concepts where parent_ref is not null")).toInt());
    QCOMPARE(one(c, QStringLiteral("select count(*) from qObjectPropertyValues q join concepts k on "
                                   "k.id = q.concept_id where property_id = 2 and q.Rid <> k.parent_ref")).toInt(), 0);
    QVERIFY(one(c, QStringLiteral("select count(*) from qObjectPropertyValues where property_id = 5")).toInt() > 0);
    // Relations: EUROVOC on the left, GEMET on the right, project 4.
    QCOMPARE(one(c, QStringLiteral("select count(*) from mappingrelations m join concepts l on l.id = "
                                   "m.left_concept_ref join concepts r on r.id = m.right_concept_ref where "
                                   "l.model_ref = 3 and r.model_ref = 5 and m.project_ref = 4 and "
                                   "m.property_ref in (8, 9, 10)")).toInt(), 25);
}

void TestGenerator::sameSeedSameDatabase()
{
    TestDb db;
    auto dexes = [&](const QString &name, quint32 seed) {
        Generator::GeneratorOptions o;
        o.concepts = 200;
        o.models = {Ids::UNESCO};
        o.seed = seed;
        const QString p = db.path(name);
        Generator::generateFile(p, o);
        return TestDb::value(p, QStringLiteral("select group_concat(dex, '|') from (select dex from concepts order by id)")).toString();
    };
    const QString a = dexes(QStringLiteral("a.sqlite"), 3);
    QCOMPARE(dexes(QStringLiteral("b.sqlite"), 3), a);
    QVERIFY(dexes(QStringLiteral("c.sqlite"), 4) != a);

    // Adding to a database that has concepts already continues their ids.
    const QString p = db.createThesaurus(QStringLiteral("d.sqlite"));
    TestDb::run(p, {QStringLiteral("insert into concepts (id, model_ref, dex, is_leaf) values (500, 2, 'old', 1)")});
    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(p)));
    Generator::GeneratorOptions o;
    o.concepts = 10;
    o.models = {Ids::ETT};
    Generator::generate(c, o);
    QCOMPARE(c.scalar(QStringLiteral("select min(id) from concepts where id <> 500")).toInt(), 501);
    QCOMPARE(c.scalar(QStringLiteral("select count(*) from concepts")).toInt(), 11);
}

void TestGenerator::refusedOptions()
{
    TestDb db;
    const QString p = db.createThesaurus();
    cConnessione c;
    QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(p)));
    Generator::GeneratorOptions o;
    o.models = {Ids::GEMET};
    o.relations = 5; // no EUROVOC to map from
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, Generator::generate(c, o));
    o.relations = 0;
    o.models = {9};
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, Generator::generate(c, o));
    o.models = {};
    o.concepts = 0;
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, Generator::generate(c, o));
    QCOMPARE(c.scalar(QStringLiteral("select count(*) from concepts")).toInt(), 0);
}

void TestGenerator::scriptCommand()
{
    TestDb db;
    const QString path = db.path(QStringLiteral("cli.sqlite"));
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    const CommandLine &cli = programCommands();
    QCOMPARE(cli.run({QStringLiteral("--generate-thesaurus"), QStringLiteral("40"), path, QStringLiteral("--relations"),
                      QStringLiteral("3"), QStringLiteral("--models"), QStringLiteral("3,1")},
                     out, err),
             0);
    out.flush();
    QVERIFY(outText.contains(QStringLiteral("80 concepts")));
    QCOMPARE(TestDb::value(path, QStringLiteral("select count(*) from mappingrelations where project_ref = 1")).toInt(), 3);
    // An existing file is never overwritten; bad arguments are refused.
    QCOMPARE(cli.run({QStringLiteral("--generate-thesaurus"), QStringLiteral("40"), path}, out, err), 1);
    QCOMPARE(cli.run({QStringLiteral("--generate-thesaurus"), QStringLiteral("many"), db.path(QStringLiteral("x"))}, out, err), 2);
    QCOMPARE(cli.run({QStringLiteral("--generate-thesaurus"), QStringLiteral("5"), db.path(QStringLiteral("y")),
                      QStringLiteral("--models"), QStringLiteral("x")}, out, err), 2);
    QCOMPARE(TestDb::value(path, QStringLiteral("select count(*) from concepts")).toInt(), 80);
}

void TestGenerator::fullDiskLeavesNothingBehind()
{
    SmallDisk disk(256);
    if (!disk.isMounted())
        QSKIP(qPrintable(disk.whyNot()));
    const QString path = disk.path(QStringLiteral("big.sqlite"));
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    const CommandLine &cli = programCommands();
    QCOMPARE(cli.run({QStringLiteral("--generate-thesaurus"), QStringLiteral("3000"), path}, out, err), 1);
    err.flush();
    QVERIFY2(errText.contains(QStringLiteral("full")), qPrintable(errText));
    // Neither the database nor a journal of it is left, so the next run is not refused.
    QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(cli.run({QStringLiteral("--generate-thesaurus"), QStringLiteral("20"), path, QStringLiteral("--models"),
                      QStringLiteral("3")},
                     out, err),
             0);
    QCOMPARE(TestDb::value(path, QStringLiteral("select count(*) from concepts")).toInt(), 20);
    QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("big.sqlite")});
}

QTEST_MAIN(TestGenerator)
#include "test_generator.moc"
