// The suggested targets: label normalisation, the matcher's evidence and
// relation direction, decisions kept and obeyed, accept storing what the
// editor stores, the evaluation's arithmetic and the two script commands.
#include "base/dialogs.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "support/commandrun.h"
#include "support/testdb.h"
#include "suggest/decisions.h"
#include "suggest/evaluation.h"
#include "suggest/matcher.h"
#include "suggest/normalise.h"
#include "suggest/review.h"
#include "tools_fixture.h"
#include "tools/skos_import.h"
#include "workspace/mappingeditor.h"

#include <QFile>
#include <QtTest>

using namespace mdlGlobale;

namespace {

const QString Src = QStringLiteral("http://src.example/");
const QString Trg = QStringLiteral("http://trg.example/");

// The source thesaurus (imported as EUROVOC) holds waste and three narrower
// concepts; the target (imported as GEMET) waste, three narrower concepts and
// no composting.
QString dataFile(const QString &name)
{
    return QStringLiteral(VOSPAN_SOURCE_DIR "/tests/data/") + name;
}

qint32 idOf(const QString &db, const QString &uri)
{
    return TestDb::value(db, QStringLiteral("select id from concepts where uri = ?"), {uri}).toInt();
}

const Suggest::Candidate *find(const QVector<Suggest::Candidate> &list, qint32 target)
{
    for (const Suggest::Candidate &c : list)
        if (c.target == target)
            return &c;
    return nullptr;
}

QString write(TestDb &t, const QString &name, const QByteArray &bytes)
{
    return t.writeFile(name, bytes);
}


} // namespace

class TestSuggest : public QObject
{
    Q_OBJECT

    TestDb m_t;
    QString m_db; // the two thesauri and "waste" exactMatch "waste" in the GEMET project

    void importBoth(const QString &db)
    {
        cConnessione c;
        QVERIFY(c.ApriConnessione(cConnessione::connectionStringFor(db)));
        const auto yes = [](const QString &) { return true; };
        const QString src = dataFile(QStringLiteral("suggest-source.ttl"));
        const QString trg = dataFile(QStringLiteral("suggest-target.ttl"));
        SkosImport::Result r = SkosImport::run(c, src, Ids::EUROVOC, {}, yes);
        QVERIFY2(r.ok(), qPrintable(r.message));
        r = SkosImport::run(c, trg, Ids::GEMET, {}, yes);
        QVERIFY2(r.ok(), qPrintable(r.message));
    }

    std::unique_ptr<Suggest::Matcher> matcher(const QString &db)
    {
        cConnessione c;
        if (!c.ApriConnessione(cConnessione::connectionStringFor(db)))
            return nullptr;
        QString why;
        auto m = Suggest::Matcher::build(c, {Ids::GEMET, {}, {}}, &why);
        if (!m)
            qWarning() << why;
        return m;
    }

    QString freshCopy(const QString &name)
    {
        const QString copy = m_t.path(name);
        QFile::remove(copy);
        if (!QFile::copy(m_db, copy))
            return {};
        return copy;
    }

private slots:
    void initTestCase()
    {
        m_db = m_t.createThesaurus(QStringLiteral("pair.sqlite"));
        importBoth(m_db);
        ToolsFixture::addRelations(m_db, {{1, Ids::projectForModel(Ids::GEMET), idOf(m_db, Src + QStringLiteral("waste")),
                                           idOf(m_db, Trg + QStringLiteral("waste")), Ids::ExactMatch, {}}});
    }

    void normalisation_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<bool>("same");
        QTest::newRow("case and accents") << "Écoles Élémentaires" << "ecoles elementaires" << "fr" << true;
        QTest::newRow("sharp s") << "Straße" << "strasse" << "de" << true;
        QTest::newRow("punctuation") << "rock-shelter, (open)" << "rock shelter" << "en" << true;
        QTest::newRow("word order and of") << "incineration of waste" << "waste incineration" << "en" << true;
        QTest::newRow("english plural ies") << "policies" << "policy" << "en" << true;
        QTest::newRow("english plural es") << "boxes" << "box" << "en" << true;
        QTest::newRow("french plural x") << "châteaux" << "château" << "fr" << true;
        QTest::newRow("spanish plural es") << "ciudades" << "ciudad" << "es" << true;
        QTest::newRow("german plural") << "Bibliotheken" << "Bibliothek" << "de" << true;
        QTest::newRow("ise and ize") << "urbanisation" << "urbanization" << "en" << true;
        QTest::newRow("different words") << "waste" << "water" << "en" << false;
        QTest::newRow("short words keep s") << "gas" << "ga" << "en" << false;
    }
    void normalisation()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, lang);
        QFETCH(bool, same);
        const QString ka = Normalise::key(Normalise::words(a, lang));
        const QString kb = Normalise::key(Normalise::words(b, lang));
        QVERIFY(!ka.isEmpty());
        QCOMPARE(ka == kb, same);
    }

    void qualifiersAndLanguages()
    {
        const Normalise::Analysis a = Normalise::analyse(QStringLiteral("Publication (Process)"), u"en");
        QCOMPARE(a.words, QStringList{QStringLiteral("publication")});
        QCOMPARE(a.qualifier, QStringLiteral("process"));
        QCOMPARE(Normalise::language(u"EN-gb"), QStringLiteral("en"));
        QCOMPARE(Normalise::language(u""), QString());
        // A label of function words only keeps them rather than vanishing.
        QVERIFY(!Normalise::words(QStringLiteral("of the"), u"en").isEmpty());
        QCOMPARE(Normalise::editSimilarity(u"abc", u"abc"), 1.0);
        QCOMPARE(Normalise::editSimilarity(u"abcd", u"abce"), 0.75);
    }

    void evidenceInWords()
    {
        const auto m = matcher(m_db);
        QVERIFY(m);
        const QVector<Suggest::Candidate> list = m->suggest(idOf(m_db, Src + QStringLiteral("incineration")));
        QVERIFY(!list.isEmpty());
        const Suggest::Candidate &best = list.first();
        QCOMPARE(best.target, idOf(m_db, Trg + QStringLiteral("thermal")));
        QCOMPARE(best.relationName(), QStringLiteral("exactMatch"));
        const QString text = best.evidenceText();
        QVERIFY2(text.contains(QStringLiteral("prefLabel en 'waste incineration' = altLabel en 'incineration of waste'")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("the broader concept 'waste' is already mapped to 'waste'")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("words shared: ")), qPrintable(text));
        // Two languages agreeing say more than one: the French labels are equal too.
        QVERIFY2(text.contains(QStringLiteral("labels agree in 2 languages")), qPrintable(text));
        QVERIFY(best.score > 0.9 && best.score <= 1.0);
        for (int i = 1; i < list.size(); ++i)
            QVERIFY(list.at(i - 1).score >= list.at(i).score);
    }

    void relationDirection()
    {
        const auto m = matcher(m_db);
        QVERIFY(m);
        // The target says more than the source: the target is narrower, so
        // "waste" skos:narrowMatch "radioactive waste".
        const auto forWaste = m->suggest(idOf(m_db, Src + QStringLiteral("waste")));
        const Suggest::Candidate *narrower = find(forWaste, idOf(m_db, Trg + QStringLiteral("radioactive")));
        QVERIFY(narrower);
        QCOMPARE(narrower->property, int(Ids::NarrowMatch));
        QCOMPARE(narrower->relationName(), QStringLiteral("narrowMatch"));
        // The source says more: "hazardous waste" skos:broadMatch "waste", never narrowMatch.
        const auto forHazardous = m->suggest(idOf(m_db, Src + QStringLiteral("hazardous")));
        QVERIFY(!forHazardous.isEmpty());
        const Suggest::Candidate *broader = find(forHazardous, idOf(m_db, Trg + QStringLiteral("waste")));
        QVERIFY(broader);
        QCOMPARE(broader->property, int(Ids::BroadMatch));
        QCOMPARE(forHazardous.first().target, broader->target);
        // No label of "composting" matches: its broader concept's target is broader than it.
        const auto forComposting = m->suggest(idOf(m_db, Src + QStringLiteral("composting")));
        QVERIFY(!forComposting.isEmpty());
        QCOMPARE(forComposting.first().target, idOf(m_db, Trg + QStringLiteral("waste")));
        QCOMPARE(forComposting.first().property, int(Ids::BroadMatch));
        QVERIFY2(forComposting.first().evidenceText().contains(QStringLiteral("no exact target found")),
                 qPrintable(forComposting.first().evidenceText()));
        // The stored pair itself is not proposed again.
        QVERIFY(!find(forWaste, idOf(m_db, Trg + QStringLiteral("waste"))));
    }

    void rejectedPairsStayRejected()
    {
        const QString db = freshCopy(QStringLiteral("reject.sqlite"));
        const qint32 s = idOf(db, Src + QStringLiteral("incineration"));
        const qint32 t = idOf(db, Trg + QStringLiteral("thermal"));
        ToolsFixture::OpenDb open(db);
        QVERIFY(!Decisions::exists(vConnection));
        auto m = matcher(db);
        QVERIFY(m);
        const auto before = m->suggest(s);
        QVERIFY(find(before, t));
        {
            ScopedScriptedDialogs d;
            QVERIFY(Review::reject(*find(before, t), m.get()));
            QVERIFY(d.shown.isEmpty());
        }
        // At once in the matcher that was asked, and in every later one.
        QVERIFY(!find(m->suggest(s), t));
        QVERIFY(Decisions::exists(vConnection));
        const auto again = matcher(db);
        QVERIFY(!find(again->suggest(s), t));
        QVERIFY(!find(again->suggestAll(10).at(again->sources().indexOf(s)), t));
        const QVector<Decisions::Record> kept = Decisions::all(vConnection, Ids::projectForModel(Ids::GEMET));
        QCOMPARE(kept.size(), 1);
        QCOMPARE(kept.first().left, s);
        QCOMPARE(kept.first().right, t);
        QCOMPARE(kept.first().decision, Decisions::Decision::Rejected);
        QCOMPARE(kept.first().who, Decisions::currentUser());
        QVERIFY(kept.first().evidence.contains(QStringLiteral("incineration of waste")));
        // Another project still sees the pair: decisions belong to one project.
        QVERIFY(Decisions::rejectedPairs(vConnection, Ids::projectForModel(Ids::ECLAS)).isEmpty());
        // The thesaurus tables were not touched.
        QCOMPARE(TestDb::value(db, QStringLiteral("select count(*) from mappingrelations")).toInt(), 1);
    }

    void acceptStoresWhatTheEditorStores()
    {
        // The same pair stored once by the editor's save with the two nodes
        // clicked, once by accepting the suggestion: same rows, same message.
        QStringList rows[2];
        QStringList said[2];
        for (int way = 0; way < 2; ++way) {
            const QString db = freshCopy(QStringLiteral("accept%1.sqlite").arg(way));
            const qint32 s = idOf(db, Src + QStringLiteral("incineration"));
            const qint32 t = idOf(db, Trg + QStringLiteral("thermal"));
            ToolsFixture::OpenDb open(db);
            vTargetModel = Ids::GEMET;
            vLeftNodes = {{0, 0}, {idOf(db, Src + QStringLiteral("waste")), 1}, {s, 1}};
            vRightNodes = {{0, 0}, {idOf(db, Trg + QStringLiteral("waste")), 1}, {t, 1}};
            ScopedScriptedDialogs d;
            if (way == 0) {
                vLeftCurrent = 2;
                vRightCurrent = 2;
                QVERIFY(MappingEditor::Salva({QStringLiteral("waste incineration"), QStringLiteral("thermal treatment"),
                                              QStringLiteral("exactMatch"), QString()}));
            } else {
                vLeftCurrent = 1; // what the user had clicked stays clicked
                vRightCurrent = 0;
                vEditRelationId = 0;
                const auto m = matcher(db);
                const auto list = m->suggest(s);
                const Suggest::Candidate *c = find(list, t);
                QVERIFY(c);
                QVERIFY(Review::accept(*c, QStringLiteral("waste incineration"), QStringLiteral("thermal treatment")));
                QCOMPARE(vLeftCurrent, 1);
                QCOMPARE(vRightCurrent, 0);
                const QVector<Decisions::Record> kept = Decisions::all(vConnection, Ids::projectForModel(Ids::GEMET));
                QCOMPARE(kept.size(), 1);
                QCOMPARE(kept.first().decision, Decisions::Decision::Accepted);
                QCOMPARE(kept.first().relation, vLastRelationId);
                // An accepted pair is a relation: it is not proposed again.
                QVERIFY(!find(matcher(db)->suggest(s), t));
            }
            rows[way] = ToolsFixture::relationRows(db);
            said[way] = d.messages();
        }
        QCOMPARE(rows[1], rows[0]);
        QCOMPARE(rows[1].size(), 2);
        QCOMPARE(said[1], said[0]);
    }

    void acceptRefusesWhatIsNotLoaded()
    {
        const QString db = freshCopy(QStringLiteral("notloaded.sqlite"));
        ToolsFixture::OpenDb open(db);
        vTargetModel = Ids::GEMET;
        vLeftNodes = {{0, 0}};
        vRightNodes = {{0, 0}};
        const auto m = matcher(db);
        const auto list = m->suggest(idOf(db, Src + QStringLiteral("incineration")));
        QVERIFY(!list.isEmpty());
        ScopedScriptedDialogs d;
        QVERIFY(!Review::accept(list.first(), QStringLiteral("a"), QStringLiteral("b")));
        QCOMPARE(d.messages().size(), 1);
        QVERIFY(d.messages().first().contains(QStringLiteral("no longer loaded")));
        QCOMPARE(ToolsFixture::relationRows(db).size(), 1);
        QVERIFY(!Decisions::exists(vConnection));
    }

    void evaluationArithmetic()
    {
        const QString exact = QStringLiteral("http://www.w3.org/2004/02/skos/core#exactMatch");
        const QString broad = QStringLiteral("http://www.w3.org/2004/02/skos/core#broadMatch");
        // Reference: a=x, b=y, c=z.  Candidates: a=x (right), b=y twice (counts
        // once), c broad z (wrong relation), d=w (not in the reference).
        const QVector<Evaluation::Link> reference = {{"a", exact, "x"}, {"b", exact, "y"}, {"c", exact, "z"}};
        const QVector<Evaluation::Link> candidates = {
            {"a", exact, "x"}, {"b", exact, "y"}, {"b", exact, "y"}, {"c", broad, "z"}, {"d", exact, "w"}};
        const Evaluation::Figures f = Evaluation::compare(candidates, reference);
        QCOMPARE(f.candidates, 4);
        QCOMPARE(f.reference, 3);
        QCOMPARE(f.correct, 2);
        QCOMPARE(f.precision, 0.5);
        QCOMPARE(f.recall, 2.0 / 3.0);
        QVERIFY(qAbs(f.f1 - 4.0 / 7.0) < 1e-12);
        const Evaluation::Figures none = Evaluation::compare({}, reference);
        QCOMPARE(none.precision, 0.0);
        QCOMPARE(none.f1, 0.0);
    }

    void evaluateCommand()
    {
        const QByteArray sssom = "#curie_map:\n#  s: http://src.example/\n#  t: http://trg.example/\n"
                                 "#  skos: http://www.w3.org/2004/02/skos/core#\n"
                                 "subject_id\tpredicate_id\tpredicate_modifier\tobject_id\tmapping_justification\n"
                                 "s:a\tskos:exactMatch\t\tt:x\tsemapv:LexicalMatching\n"
                                 "s:b\tskos:exactMatch\tNot\tt:y\tsemapv:ManualMappingCuration\n"
                                 "s:c\tskos:exactMatch\t\tt:z\tsemapv:LexicalMatching\n";
        const QString ref = dataFile(QStringLiteral("suggest-reference.rdf"));
        const QString cand = write(m_t, QStringLiteral("candidates.sssom.tsv"), sssom);
        const Run r = run({QStringLiteral("--evaluate"), cand, ref});
        QCOMPARE(r.status, 0);
        // Of the two positive candidates one is right; the negative one is no claim.
        QVERIFY2(r.out.contains(QStringLiteral("Precision: 0.500")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("Recall: 0.500")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("F1: 0.500")), qPrintable(r.out));

        QCOMPARE(run({QStringLiteral("--evaluate"), cand}).status, 2);
        QCOMPARE(run({QStringLiteral("--evaluate"), cand, ref, ref}).status, 2);
        const Run missing = run({QStringLiteral("--evaluate"), m_t.path(QStringLiteral("none.tsv")), ref});
        QCOMPARE(missing.status, 1);
        QVERIFY(!missing.err.isEmpty());
        const QString junk = write(m_t, QStringLiteral("junk.rdf"), "<rdf:RDF><unclosed");
        QCOMPARE(run({QStringLiteral("--evaluate"), cand, junk}).status, 1);
    }

    void suggestCommand()
    {
        const QString db = freshCopy(QStringLiteral("command.sqlite"));
        {
            ToolsFixture::OpenDb open(db);
            vTargetModel = Ids::GEMET;
            auto m = matcher(db);
            const auto list = m->suggest(idOf(db, Src + QStringLiteral("hazardous")));
            QVERIFY(!list.isEmpty());
            ScopedScriptedDialogs d;
            QVERIFY(Review::reject(list.first(), m.get()));
        }
        const QString out = m_t.path(QStringLiteral("candidates.sssom.tsv"));
        const Run r = run({QStringLiteral("--suggest"), QStringLiteral("--db"), db, QStringLiteral("--project"),
                           QStringLiteral("4"), QStringLiteral("--min-score"), QStringLiteral("0.5"),
                           QStringLiteral("--out"), out});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral("1 rejected pairs")), qPrintable(r.out));
        const QString text = QString::fromUtf8(ToolsFixture::readFile(out));
        QVERIFY(text.contains(QStringLiteral("semapv:LexicalMatching")));
        QVERIFY(text.contains(QStringLiteral("\tconfidence\t")));
        const QStringList lines = text.split(QLatin1Char('\n'));
        bool positive = false, negative = false;
        for (const QString &line : lines) {
            if (line.contains(QStringLiteral("waste incineration")) && line.contains(QStringLiteral("thermal treatment"))
                && line.contains(QStringLiteral("skos:exactMatch")) && !line.contains(QStringLiteral("\tNot\t")))
                positive = true;
            if (line.contains(QStringLiteral("hazardous waste")) && line.contains(QStringLiteral("\tNot\t")))
                negative = true;
        }
        QVERIFY2(positive, qPrintable(text));
        QVERIFY2(negative, qPrintable(text));
        // The file reads back as a candidate set for the evaluation.
        const Evaluation::Read back = Evaluation::readFile(out);
        QVERIFY2(back.ok, qPrintable(back.error));
        QVERIFY(!back.links.isEmpty());

        auto status = [&](QStringList args) { return run(QStringList{QStringLiteral("--suggest")} + args).status; };
        const QString p = QStringLiteral("--project"), o = QStringLiteral("--out"), d = QStringLiteral("--db");
        QCOMPARE(status({d, db, o, out}), 2);                                           // no project
        QCOMPARE(status({d, db, p, QStringLiteral("7"), o, out}), 2);                   // no such project
        QCOMPARE(status({d, db, p, QStringLiteral("4"), o, out, QStringLiteral("--min-score"), QStringLiteral("2")}), 2);
        QCOMPARE(status({d, db, p, QStringLiteral("4"), o, out, QStringLiteral("--what"), QStringLiteral("x")}), 2);
        QCOMPARE(status({d, db, p, QStringLiteral("4"), o}), 2);                        // a value missing
        QCOMPARE(status({d, m_t.path(QStringLiteral("absent.sqlite")), p, QStringLiteral("4"), o, out}), 1);
        QVERIFY(!QFile::exists(m_t.path(QStringLiteral("absent.sqlite"))));
        QCOMPARE(status({d, db, p, QStringLiteral("4"), QStringLiteral("--field"), QStringLiteral("99"), o, out}), 1);
        QCOMPARE(status({d, db, p, QStringLiteral("4"), o, m_t.path(QStringLiteral("no/such/folder/c.tsv"))}), 1);
    }
};

QTEST_MAIN(TestSuggest)
#include "test_suggest.moc"
