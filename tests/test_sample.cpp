// The bundled sample database: fixed ids, the EUROVOC fields and the target
// subsets the choice dialog offers, labels and links, mapping relations, and
// the tool that builds it refusing inconsistent sources.
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "support/dbdump.h"
#include "support/testdb.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {

const QStringList EurovocFields = {
    QStringLiteral("04 POLITICS"), QStringLiteral("08 INTERNATIONAL RELATIONS"),
    QStringLiteral("10 EUROPEAN COMMUNITIES"), QStringLiteral("12 LAW"), QStringLiteral("16 ECONOMICS"),
    QStringLiteral("20 TRADE"), QStringLiteral("24 FINANCE"), QStringLiteral("28 SOCIAL QUESTIONS"),
    QStringLiteral("32 EDUCATION AND COMMUNICATIONS"), QStringLiteral("36 SCIENCE"),
    QStringLiteral("40 BUSINESS AND COMPETITION"), QStringLiteral("44 EMPLOYMENT AND WORKING CONDITIONS"),
    QStringLiteral("48 TRANSPORT"), QStringLiteral("52 ENVIRONMENT"),
    QStringLiteral("56 AGRICULTURE, FORESTRY AND FISHERIES"), QStringLiteral("60 AGRI-FOODSTUFFS"),
    QStringLiteral("64 PRODUCTION, TECHNOLOGY AND RESEARCH"), QStringLiteral("66 ENERGY"),
    QStringLiteral("68 INDUSTRY"), QStringLiteral("72 GEOGRAPHY"), QStringLiteral("76 INTERNATIONAL ORGANISATIONS")};

const QStringList EclasSubsets = {
    QStringLiteral("001 International cooperation. International relations. International law. European Communities. European Union"),
    QStringLiteral("002 Economic policy. Planning. Social policy. Social problems"),
    QStringLiteral("003 Economics. Economic conditions. Economic doctrines and systems"),
    QStringLiteral("004 Law. Public Administration. Politics"), QStringLiteral("005 Culture. Society"),
    QStringLiteral("006 Education. Training"), QStringLiteral("007 Agriculture. Forestry. Fisheries"),
    QStringLiteral("008 Industry"), QStringLiteral("009 Trade"), QStringLiteral("010 Transport"),
    QStringLiteral("011 Public finance. Banking. International monetary relations"),
    QStringLiteral("012 Management. Productivity"), QStringLiteral("013 Labour"),
    QStringLiteral("014 Demography. Population"), QStringLiteral("015 Biology. Food. Health"),
    QStringLiteral("016 Environment. Natural resources"), QStringLiteral("017 Earth sciences. Space sciences"),
    QStringLiteral("018 Science. Research. Methodology"),
    QStringLiteral("019 Information. Documentation. Computer Science. Terminology")};

const QStringList EttSubsets = {
    QStringLiteral("1.1. Training"), QStringLiteral("1.2. Education"), QStringLiteral("1.3. Learning"),
    QStringLiteral("1.4. Fields of training: sciences and technology"),
    QStringLiteral("1.5. Information and communication technology"), QStringLiteral("2.1. Labour"),
    QStringLiteral("2.2. Enterprise"), QStringLiteral("2.3. Occupations"), QStringLiteral("3.1. Economic activities"),
    QStringLiteral("3.2. Economy"), QStringLiteral("3.3. Administration"), QStringLiteral("3.4. Society"),
    QStringLiteral("3.5. Population"), QStringLiteral("4.1. Countries and regions"),
    QStringLiteral("4.2. European Union"), QStringLiteral("4.3. International organisations"),
    QStringLiteral("4.4. Document type"), QStringLiteral("4.5. Auxiliary terms")};

const QStringList UnescoSubsets = {
    QStringLiteral("1. Education"), QStringLiteral("2. Science"), QStringLiteral("3. Culture"),
    QStringLiteral("4. Social and human sciences"), QStringLiteral("5. Information and communication"),
    QStringLiteral("6. Politics, law and economics"), QStringLiteral("7. Countries and country groupings")};

const QStringList GemetSubsets = {
    QStringLiteral("ADMINISTRATION , MANAGEMENT, POLICY, POLITICS, INSTITUTIONS, PLANNING"),
    QStringLiteral("AGRICULTURE, FORESTRY; ANIMAL HUSBANDRY; FISHERY"),
    QStringLiteral("ANTHROPOSPHERE (built environment, human settlements, land setup)"),
    QStringLiteral("ATMOSPHERE (air, climate)"), QStringLiteral("BIOSPHERE (organisms, ecosystems)"),
    QStringLiteral("CHEMISTRY , SUBSTANCES, processes"), QStringLiteral("ECONOMICS , FINANCE"),
    QStringLiteral("EFFECTS , IMPACTS"), QStringLiteral("ENERGY"),
    QStringLiteral("ENVIRONMENT (natural environment, anthropic environment)"), QStringLiteral("ENVIRONMENTAL POLICY"),
    QStringLiteral("FUNCTIONAL TERMS"), QStringLiteral("General TERMS"), QStringLiteral("HEALTH , NUTRITION"),
    QStringLiteral("HYDROSPHERE (freshwater, marine water, waters)"),
    QStringLiteral("INDUSTRY, CRAFTS; TECHNOLOGY; EQUIPMENTS"),
    QStringLiteral("INFORMATION, EDUCATION, CULTURE, ENVIRONMENTAL AWARENESS"),
    QStringLiteral("LAND (landscape, geography)"), QStringLiteral("LEGISLATION , NORMS, CONVENTIONS"),
    QStringLiteral("LITHOSPHERE (soil, geological processes)"),
    QStringLiteral("PHYSICAL ASPECTS, NOISE, VIBRATIONS, RADIATIONS"), QStringLiteral("PRODUCTS , MATERIALS"),
    QStringLiteral("RECREATION , TOURISM"), QStringLiteral("RESEARCH , SCIENCES"),
    QStringLiteral("RESOURCES (utilisation of resources)"), QStringLiteral("RISKS , SAFETY"), QStringLiteral("SOCIETY"),
    QStringLiteral("Space"), QStringLiteral("Time (chronology)"), QStringLiteral("TRADE , SERVICES"),
    QStringLiteral("TRAFFIC , TRANSPORTATION"), QStringLiteral("WASTES , POLLUTANTS, POLLUTION")};

QStringList column(cConnessione &c, const QString &sql, const QVariantList &params = {})
{
    return firstColumn(c, sql, params);
}

int count(cConnessione &c, const QString &sql, const QVariantList &params = {})
{
    return c.scalar(sql, params).toInt();
}

} // namespace

class TestSample : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void fixedIdsAreThere();
    void eurovocFieldsAreRootsWithDeepTrees();
    void everyTargetSubsetIsATopLevelGroupOnce_data();
    void everyTargetSubsetIsATopLevelGroupOnce();
    void gemetSubsetsComeBackInTheListedOrder();
    void labelsLinksAndUris();
    void mappingRelations();

    void builderRefusesInconsistentSources_data();
    void builderRefusesInconsistentSources();

private:
    cConnessione m_c;
};

void TestSample::initTestCase()
{
    const QString path = sampleDatabasePath();
    QVERIFY2(!path.isEmpty(), "the build did not make sample/sample.sqlite");
    QVERIFY2(m_c.ApriConnessione(cConnessione::connectionStringFor(path)), qPrintable(m_c.lastOpenError()));
}

void TestSample::cleanupTestCase()
{
    m_c.ChiudiConnessione();
}

void TestSample::fixedIdsAreThere()
{
    QCOMPARE(column(m_c, QStringLiteral("select dex from models order by id")),
             (QStringList{QStringLiteral("eclas"), QStringLiteral("ett"), QStringLiteral("eurovoc"),
                          QStringLiteral("unesco"), QStringLiteral("gemet")}));
    QCOMPARE(column(m_c, QStringLiteral("select dex from properties order by id")),
             (QStringList{QStringLiteral("altLabel"), QStringLiteral("broader"), QStringLiteral("narrower"),
                          QStringLiteral("prefLabel"), QStringLiteral("related"), QStringLiteral("scopeNote"),
                          QStringLiteral("broadMatch"), QStringLiteral("exactMatch"), QStringLiteral("narrowMatch")}));
    QCOMPARE(column(m_c, QStringLiteral("select id from properties where is_mapping_rel <> 0 order by id")),
             (QStringList{QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("10")}));
    QCOMPARE(m_c.scalar(QStringLiteral("select name from lang where id = 6")).toString(), QStringLiteral("EN"));
    QVERIFY(count(m_c, QStringLiteral("select count(*) from lang where id <> 6")) >= 1);
    // the four projects pair EUROVOC with their target models
    for (int target : {Ids::ECLAS, Ids::ETT, Ids::UNESCO, Ids::GEMET})
        QCOMPARE(count(m_c, QStringLiteral("select right_model_ref from mappingprojects where id = ?"),
                       {Ids::projectForModel(target)}),
                 target);
    QCOMPARE(count(m_c, QStringLiteral("select count(*) from mappingprojects")), 4);
}

void TestSample::eurovocFieldsAreRootsWithDeepTrees()
{
    QVERIFY(count(m_c, QStringLiteral("select count(*) from concepts")) >= 1500);
    for (int model = 1; model <= 5; ++model)
        QVERIFY(count(m_c, QStringLiteral("select count(*) from concepts where model_ref = ?"), {model}) >= 100);

    QCOMPARE(count(m_c, QStringLiteral("select count(*) from concepts where model_ref = 3 and parent_ref is null")),
             EurovocFields.size());
    for (const QString &field : EurovocFields) {
        const QString uri = QLatin1String(Ids::DomainNamespace) + field.left(2);
        // the root a mapping starts from is found by its uri
        const QStringList found = column(
            m_c, QStringLiteral("select dex from concepts where model_ref = 3 and parent_ref is null and uri = ?"), {uri});
        QCOMPARE(found, QStringList{field});
        const int root = count(m_c, QStringLiteral("select id from concepts where uri = ?"), {uri});
        // field > microthesaurus > descriptor > narrower descriptor
        const int deep = count(m_c,
                               QStringLiteral("select count(*) from concepts c3 "
                                              "join concepts c2 on c3.parent_ref = c2.id "
                                              "join concepts c1 on c2.parent_ref = c1.id "
                                              "where c1.parent_ref = ? and c1.is_leaf = 0 and c2.is_leaf = 1"),
                               {root});
        QVERIFY2(deep >= 3, qPrintable(field));
    }
}

void TestSample::everyTargetSubsetIsATopLevelGroupOnce_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QStringList>("subsets");
    QTest::newRow("ECLAS") << int(Ids::ECLAS) << EclasSubsets;
    QTest::newRow("ETT") << int(Ids::ETT) << EttSubsets;
    QTest::newRow("UNESCO") << int(Ids::UNESCO) << UnescoSubsets;
    QTest::newRow("GEMET") << int(Ids::GEMET) << GemetSubsets;
}

void TestSample::everyTargetSubsetIsATopLevelGroupOnce()
{
    QFETCH(int, model);
    QFETCH(QStringList, subsets);
    // the top-level groups are exactly the listed subsets (compared character for character)
    QStringList stored = column(
        m_c, QStringLiteral("select dex from concepts where model_ref = ? and parent_ref is null and is_leaf = 0"), {model});
    QStringList expected = subsets;
    stored.sort();
    expected.sort();
    QCOMPARE(stored, expected);
    for (const QString &subset : subsets) {
        // the mapping opener finds a subset by the exact text the choice dialog offers
        QCOMPARE(count(m_c,
                       QStringLiteral("select count(*) from concepts where model_ref = ? and parent_ref is null "
                                      "and is_leaf = 0 and dex = ?"),
                       {model, subset}),
                 1);
        QVERIFY2(count(m_c,
                       QStringLiteral("select count(*) from concepts c join concepts s on c.parent_ref = s.id "
                                      "where s.model_ref = ? and s.parent_ref is null and s.dex = ?"),
                       {model, subset})
                     >= 1,
                 qPrintable(subset));
    }
    // a few top-level concepts that are not groups: never the start of a tree
    QVERIFY(count(m_c, QStringLiteral("select count(*) from concepts where model_ref = ? and parent_ref is null "
                                      "and is_leaf = 1"),
                  {model})
            >= 1);
    // below a group there are concepts (is_leaf 1)
    QVERIFY(count(m_c, QStringLiteral("select count(*) from concepts where model_ref = ? and is_leaf = 1 "
                                      "and parent_ref is not null"),
                  {model})
            >= 50);
}

void TestSample::gemetSubsetsComeBackInTheListedOrder()
{
    const QString byName = QStringLiteral(
        "select dex from concepts where model_ref = 5 and parent_ref is null and is_leaf = 0 order by dex");
    QCOMPARE(column(m_c, byName), GemetSubsets);
    // they are stored in another order, so the order above comes from the names
    QVERIFY(column(m_c, QStringLiteral("select dex from concepts where model_ref = 5 and parent_ref is null "
                                       "and is_leaf = 0 order by id"))
            != GemetSubsets);
    // the same order comes back through the classic text of the query
    QCOMPARE(column(m_c, QStringLiteral("select dex from Concepts where model_ref = 5 and parent_ref is null "
                                        "and is_leaf = 0 order by DEX")),
             GemetSubsets);
}

void TestSample::labelsLinksAndUris()
{
    // a uri on every concept and property, never twice
    QCOMPARE(count(m_c, QStringLiteral("select count(*) from concepts where uri is null or uri = ''")), 0);
    QCOMPARE(count(m_c, QStringLiteral("select count(*) from properties where uri is null or uri = ''")), 0);
    QCOMPARE(count(m_c, QStringLiteral("select count(*) from (select uri from concepts group by uri having count(*) > 1)")),
             0);

    // every concept has an English prefLabel
    QCOMPARE(count(m_c, QStringLiteral("select count(*) from concepts where id not in ("
                                       "select concept_id from qDataTypePropertyValues "
                                       "where property_id = 4 and lang_name = 'EN')")),
             0);
    for (int property : {Ids::AltLabel, Ids::ScopeNote})
        QVERIFY(count(m_c, QStringLiteral("select count(*) from qDataTypePropertyValues where property_id = ? "
                                          "and lang_name = 'EN'"),
                      {property})
                >= 20);
    QVERIFY(count(m_c, QStringLiteral("select count(*) from qDataTypePropertyValues where lang_name <> 'EN'")) >= 20);

    // broader and narrower follow the tree in both directions
    const int withParent = count(m_c, QStringLiteral("select count(*) from concepts where parent_ref is not null"));
    const QString linkToParent = QStringLiteral(
        "select count(*) from concepts c join conceptproperties cp on cp.concept_ref = c.id and cp.property_ref = 2 "
        "join objectpropertyvalues o on o.concept_property_ref = cp.id and o.concept_ref = c.parent_ref");
    QCOMPARE(count(m_c, linkToParent), withParent);
    const QString linkToChild = QStringLiteral(
        "select count(*) from concepts c join conceptproperties cp on cp.concept_ref = c.parent_ref "
        "and cp.property_ref = 3 join objectpropertyvalues o on o.concept_property_ref = cp.id and o.concept_ref = c.id");
    QCOMPARE(count(m_c, linkToChild), withParent);
    QVERIFY(count(m_c, QStringLiteral("select count(*) from qObjectPropertyValues where Pdex = 'related'")) >= 20);
    // links never cross from one thesaurus to another
    QCOMPARE(count(m_c, QStringLiteral("select count(*) from qObjectPropertyValues v join concepts a on a.id = v.concept_id "
                                       "join concepts b on b.id = v.Rid where a.model_ref <> b.model_ref")),
             0);
}

void TestSample::mappingRelations()
{
    const int relations = count(m_c, QStringLiteral("select count(*) from mappingrelations"));
    QVERIFY(relations >= 12);
    for (int project = 1; project <= 4; ++project)
        QVERIFY(count(m_c, QStringLiteral("select count(*) from mappingrelations where project_ref = ?"), {project}) >= 2);
    QCOMPARE(count(m_c, QStringLiteral("select count(*) from mappingrelations where notes is null")), 1);
    // an empty note stays an empty text, distinct from no note at all
    QCOMPARE(count(m_c, QStringLiteral("select count(*) from mappingrelations where notes = ''")), 1);
    QCOMPARE(count(m_c, QStringLiteral("select count(distinct property_ref) from mappingrelations "
                                       "where property_ref in (8, 9, 10)")),
             3);
    // left concepts are EUROVOC ones, right concepts belong to the project's target thesaurus
    QCOMPARE(count(m_c, QStringLiteral("select count(*) from mappingrelations r "
                                       "join concepts l on l.id = r.left_concept_ref and l.model_ref = 3 "
                                       "join mappingprojects p on p.id = r.project_ref "
                                       "join concepts t on t.id = r.right_concept_ref and t.model_ref = p.right_model_ref "
                                       "where r.property_ref in (8, 9, 10)")),
             relations);
    QCOMPARE(mdlGlobale::LeggiUltimoId(m_c), count(m_c, QStringLiteral("select max(id) from mappingrelations")));
}

void TestSample::builderRefusesInconsistentSources_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown parent") << QStringLiteral("concepts.csv") << QStringLiteral(",3,30001,0,")
                                    << QStringLiteral(",3,39999999,0,") << QStringLiteral("unknown parent");
    QTest::newRow("dex mismatch") << QStringLiteral("labels.csv") << QStringLiteral(",altLabel,EN,")
                                  << QStringLiteral("x,altLabel,EN,") << QStringLiteral("is \"");
    QTest::newRow("unknown language") << QStringLiteral("labels.csv") << QStringLiteral(",FR,")
                                      << QStringLiteral(",XX,") << QStringLiteral("unknown language");
    QTest::newRow("bad relation") << QStringLiteral("relations.csv") << QStringLiteral("exactMatch")
                                  << QStringLiteral("related") << QStringLiteral("cannot be used here");
    QTest::newRow("unterminated quote") << QStringLiteral("relations.csv") << QStringLiteral("\"Identical scope.\"")
                                        << QStringLiteral("\"Identical scope.") << QStringLiteral("unterminated");
}

void TestSample::builderRefusesInconsistentSources()
{
    QFETCH(QString, file);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, message);
    const QString tool = QStringLiteral(VOSPAN_BUILD_DIR "/resources/vospan_mksample");
    if (!QFile::exists(tool))
        QSKIP("the sample builder is not in the build folder");
    TestDb work;
    const QString sources = QStringLiteral(VOSPAN_SOURCE_DIR "/resources/sample");
    const QString copy = work.path(QStringLiteral("sample"));
    QVERIFY(QDir().mkpath(copy));
    for (const QString &name : QDir(sources).entryList({QStringLiteral("*.csv")}, QDir::Files)) {
        QFile in(sources + QLatin1Char('/') + name);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(in.readAll());
        if (name == file) {
            const int at = text.indexOf(from);
            QVERIFY2(at >= 0, qPrintable(from));
            text.replace(at, from.size(), to);
        }
        QFile out(copy + QLatin1Char('/') + name);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(text.toUtf8());
    }
    // an earlier database must survive a failed build untouched
    const QString target = work.writeFile(QStringLiteral("sample.sqlite"), "earlier");
    QProcess p;
    p.start(tool, {copy, target});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(err.contains(message), qPrintable(err));
    QVERIFY2(err.contains(file + QLatin1Char(':')), qPrintable(err)); // names the file and line at fault
    QFile result(target);
    QVERIFY(result.open(QIODevice::ReadOnly));
    QCOMPARE(result.readAll(), QByteArray("earlier"));
    QVERIFY(!QFile::exists(target + QStringLiteral(".part")));
}

QTEST_MAIN(TestSample)
#include "test_sample.moc"
