#include "data/generator.h"

#include "base/safesave.h"
#include "data/cConnessione.h"
#include "data/choices.h"
#include "data/ids.h"
#include "data/schema.h"

#include <QFileInfo>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>
#include <QVector>
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

const char *const kSyllables[] = {"ab", "ac", "ad", "al", "am", "an", "ar", "as", "ba", "be", "bi", "bo", "ca",
                                  "ce", "ci", "co", "cu", "da", "de", "di", "do", "el", "em", "en", "er", "es",
                                  "fa", "fe", "fi", "fo", "ga", "ge", "go", "gra", "ha", "im", "in", "ir", "is",
                                  "la", "le", "li", "lo", "lu", "ma", "me", "mi", "mo", "mu", "na", "ne", "ni",
                                  "no", "nu", "or", "pa", "pe", "pi", "po", "pro", "ra", "re", "ri", "ro", "sa",
                                  "se", "si", "so", "sta", "ta", "te", "ti", "to", "tra", "tu", "un", "ur", "va",
                                  "ve", "vi", "vo"};
const char *const kEndings[] = {"tion", "ment", "ism", "ity", "ing", "al", "ics", "ure", "ance", "ogy", "er", "ry"};
const char *const kLinks[] = {"of", "and", "for", "in"};

class Random
{
public:
    explicit Random(quint32 seed) : m_engine(seed) {}
    // Whole number in [low, high].
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_engine); }
    double unit() { return std::uniform_real_distribution<double>(0.0, 1.0)(m_engine); }
    bool chance(double p) { return unit() < p; }

private:
    std::mt19937 m_engine;
};

class Words
{
public:
    explicit Words(Random &r) : m_r(r) {}

    QString word()
    {
        QString w;
        const int n = m_r.between(1, 3);
        for (int i = 0; i < n; ++i)
            w += QLatin1String(kSyllables[m_r.between(0, int(std::size(kSyllables)) - 1)]);
        if (m_r.chance(0.6))
            w += QLatin1String(kEndings[m_r.between(0, int(std::size(kEndings)) - 1)]);
        return w;
    }

    // A descriptor of one to five words, now and then with a qualifier.
    QString label()
    {
        QStringList parts;
        const int n = m_r.between(1, 3);
        for (int i = 0; i < n; ++i)
            parts.append(word());
        if (m_r.chance(0.25)) {
            parts.append(QLatin1String(kLinks[m_r.between(0, int(std::size(kLinks)) - 1)]));
            parts.append(word());
        }
        QString text = parts.join(QLatin1Char(' '));
        if (m_r.chance(0.1))
            text += QStringLiteral(" (") + word() + QLatin1Char(')');
        return text;
    }

    QString sentence()
    {
        QStringList parts;
        const int n = m_r.between(8, 24);
        for (int i = 0; i < n; ++i)
            parts.append(word());
        QString s = parts.join(QLatin1Char(' ')) + QLatin1Char('.');
        s[0] = s[0].toUpper();
        return s;
    }

private:
    Random &m_r;
};

struct Concept
{
    qint32 id = 0;
    qint32 parent = 0; // 0: none
    int level = 0;
    QString dex;
};

qint32 nextId(cConnessione &c, const char *table)
{
    const QVariant v = c.scalar(QStringLiteral("select max(id) from ") + QLatin1String(table));
    const qint64 next = v.isNull() ? 1 : v.toLongLong() + 1;
    if (next > std::numeric_limits<qint32>::max())
        throw std::invalid_argument(std::string("no id is left in the table ") + table);
    return static_cast<qint32>(next);
}

QString modelUri(int model)
{
    switch (model) {
    case Ids::ECLAS: return QStringLiteral("http://ec.europa.eu/eclas/concept/");
    case Ids::ETT: return QStringLiteral("http://www.cedefop.europa.eu/ett/concept/");
    case Ids::EUROVOC: return QStringLiteral("http://eurovoc.europa.eu/");
    case Ids::UNESCO: return QStringLiteral("http://vocabularies.unesco.org/thesaurus/concept");
    default: return QStringLiteral("http://www.eionet.europa.eu/gemet/concept/");
    }
}

// Sizes of the levels below one top concept: every level has at least one
// concept and the levels grow downwards, as thesauri do.
QVector<int> levelSizes(Random &r, int descendants, int levels)
{
    QVector<int> sizes(levels, 1);
    int rest = descendants - levels;
    if (rest <= 0)
        return sizes;
    const double growth = 1.5 + r.unit() * 2.5;
    QVector<double> weight(levels);
    double total = 0;
    for (int l = 0; l < levels; ++l)
        total += weight[l] = std::pow(growth, l) * (0.7 + 0.6 * r.unit());
    int given = 0;
    for (int l = 0; l < levels; ++l) {
        const int share = static_cast<int>(rest * weight[l] / total);
        sizes[l] += share;
        given += share;
    }
    sizes[levels - 1] += rest - given;
    return sizes;
}

} // namespace

namespace {

QList<int> checkedModels(const Generator::GeneratorOptions &options)
{
    const QList<int> models = options.models.isEmpty()
                                  ? QList<int>{Ids::ECLAS, Ids::ETT, Ids::EUROVOC, Ids::UNESCO, Ids::GEMET}
                                  : options.models;
    if (options.concepts < 1)
        throw std::invalid_argument("the number of concepts must be at least 1");
    if (options.relations < 0)
        throw std::invalid_argument("the number of relations cannot be negative");
    for (int m : models)
        if (Ids::modelName(m).isEmpty())
            throw std::invalid_argument("unknown model id " + std::to_string(m));
    const bool hasTarget = std::any_of(models.begin(), models.end(), [](int m) { return m != Ids::EUROVOC; });
    if (options.relations > 0 && (!models.contains(Ids::EUROVOC) || !hasTarget))
        throw std::invalid_argument("mapping relations need EUROVOC and at least one target model");
    return models;
}

// The concepts of one model: its top concepts (fields or subsets) and, below
// each, a branch of several levels whose share of the concepts varies.
QVector<Concept> planModel(Random &r, Words &words, int model, int count, qint32 &conceptId)
{
    const QStringList topNames = model == Ids::EUROVOC ? Scelte::eurovocFields() : Scelte::subsets(model);
    const int tops = std::min<int>(static_cast<int>(topNames.size()), count);
    QVector<Concept> concepts;
    concepts.reserve(count);
    QSet<QString> used;

    // Top concepts, and how many concepts each one's branch gets.
    std::vector<double> weight(static_cast<std::size_t>(tops));
    double total = 0;
    for (int t = 0; t < tops; ++t) {
        concepts.append({conceptId++, 0, 0, topNames.at(t)});
        used.insert(topNames.at(t).toLower());
        const double u = r.unit();
        total += weight[t] = 0.15 + u * u * 3.0;
    }
    const int rest = count - tops;
    std::vector<int> quota(static_cast<std::size_t>(tops), 0);
    int given = 0;
    for (int t = 0; t < tops; ++t)
        given += quota[t] = static_cast<int>(rest * weight[t] / total);
    for (int t = 0; given < rest; t = (t + 1) % tops, ++given)
        ++quota[t];

    for (int t = 0; t < tops; ++t) {
        if (quota[t] == 0)
            continue;
        const int depth = std::min(r.between(3, 7), quota[t] + 1); // levels, the top included
        const QVector<int> sizes = levelSizes(r, quota[t], depth - 1);
        QVector<qint32> above{concepts.at(t).id};
        for (int l = 0; l < sizes.size(); ++l) {
            QVector<qint32> here;
            here.reserve(sizes.at(l));
            for (int k = 0; k < sizes.at(l); ++k) {
                // Parents drawn unevenly: a few get many children, some none.
                const double u = r.unit();
                const auto pick = static_cast<int>(std::pow(u, 1.8) * above.size());
                const qint32 parent = above.at(std::min<int>(pick, static_cast<int>(above.size()) - 1));
                QString dex = words.label();
                while (used.contains(dex.toLower()))
                    dex += QLatin1Char(' ') + words.word();
                used.insert(dex.toLower());
                concepts.append({conceptId, parent, l + 1, dex});
                here.append(conceptId++);
            }
            above = here;
        }
    }
    return concepts;
}

// The statements that write concepts, their labels and their links.
class ThesaurusWriter
{
public:
    ThesaurusWriter(cConnessione &c, Random &r, Words &words, Generator::GeneratorReport &report)
        : m_c(c), m_r(r), m_words(words), m_report(report),
          m_concept(c.prepare(QStringLiteral(
              "insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) values (?, ?, ?, ?, ?, ?)"))),
          m_property(c.prepare(
              QStringLiteral("insert into conceptproperties (id, concept_ref, property_ref) values (?, ?, ?)"))),
          m_text(c.prepare(QStringLiteral(
              "insert into datatypepropertyvalues (concept_property_ref, lang_ref, value) values (?, ?, ?)"))),
          m_link(c.prepare(
              QStringLiteral("insert into objectpropertyvalues (concept_property_ref, concept_ref) values (?, ?)"))),
          m_propertyId(nextId(c, "conceptproperties"))
    {
    }

    void writeModel(int model, const QVector<Concept> &concepts, const QVector<qint32> &ids)
    {
        const bool eurovoc = model == Ids::EUROVOC;
        QHash<qint32, QVector<qint32>> childrenOf;
        for (const Concept &k : concepts)
            if (k.parent)
                childrenOf[k.parent].append(k.id);
        for (const Concept &k : concepts) {
            // Fields, subsets and some of their first-level concepts group
            // others; the rest are descriptors.
            const bool grouping = k.level == 0 || (k.level == 1 && (eurovoc || m_r.chance(0.3)));
            QString uri = modelUri(model) + QString::number(k.id);
            if (eurovoc && k.level == 0)
                uri = QString::fromLatin1(Ids::DomainNamespace) + k.dex.left(2);
            m_c.exec(m_concept, {k.id, model, k.parent ? QVariant(k.parent) : QVariant(QMetaType(QMetaType::Int)),
                                 k.dex, grouping ? 0 : 1, uri});
            ++m_report.concepts;
            writeProperties(k, childrenOf.value(k.id), ids);
        }
    }

private:
    void writeProperties(const Concept &k, const QVector<qint32> &children, const QVector<qint32> &ids)
    {
        text(k.id, Ids::PrefLabel, Ids::LangEnglish, k.dex);
        text(k.id, Ids::PrefLabel, 7, m_words.label());
        if (m_r.chance(0.5))
            text(k.id, Ids::AltLabel, Ids::LangEnglish, m_words.label());
        if (m_r.chance(0.2))
            text(k.id, Ids::AltLabel, 8, m_words.label());
        if (m_r.chance(0.25))
            text(k.id, Ids::ScopeNote, Ids::LangEnglish, m_words.sentence());
        if (k.parent)
            link(k.id, Ids::Broader, k.parent);
        for (qint32 child : children)
            link(k.id, Ids::Narrower, child);
        if (k.level > 0 && m_r.chance(0.3)) {
            const qint32 other = ids.at(m_r.between(0, static_cast<int>(ids.size()) - 1));
            if (other != k.id)
                link(k.id, Ids::Related, other);
        }
    }

    void text(qint32 owner, int property, int lang, const QString &value)
    {
        m_c.exec(m_property, {m_propertyId, owner, property});
        m_c.exec(m_text, {m_propertyId, lang, value});
        ++m_propertyId;
        ++m_report.labels;
    }

    void link(qint32 owner, int property, qint32 other)
    {
        m_c.exec(m_property, {m_propertyId, owner, property});
        m_c.exec(m_link, {m_propertyId, other});
        ++m_propertyId;
        ++m_report.links;
    }

    cConnessione &m_c;
    Random &m_r;
    Words &m_words;
    Generator::GeneratorReport &m_report;
    QSqlQuery m_concept, m_property, m_text, m_link;
    qint32 m_propertyId;
};

void writeRelations(cConnessione &c, Random &r, Words &words, const QList<int> &models,
                    const QHash<int, QVector<qint32>> &idsByModel, int count, Generator::GeneratorReport &report)
{
    QSqlQuery insert = c.prepare(QStringLiteral(
        "insert into mappingrelations (id, project_ref, left_concept_ref, right_concept_ref, property_ref, "
        "notes) values (?, ?, ?, ?, ?, ?)"));
    QList<int> targets;
    for (int m : models)
        if (m != Ids::EUROVOC)
            targets.append(m);
    const QVector<qint32> left = idsByModel.value(Ids::EUROVOC);
    const int kinds[] = {Ids::ExactMatch, Ids::BroadMatch, Ids::NarrowMatch};
    qint32 relationId = nextId(c, "mappingrelations");
    for (int i = 0; i < count; ++i) {
        const int target = targets.at(r.between(0, static_cast<int>(targets.size()) - 1));
        const QVector<qint32> right = idsByModel.value(target);
        const QString notes = r.chance(0.3) ? words.sentence() : QString();
        c.exec(insert, {relationId++, Ids::projectForModel(target),
                        left.at(r.between(0, static_cast<int>(left.size()) - 1)),
                        right.at(r.between(0, static_cast<int>(right.size()) - 1)), kinds[r.between(0, 2)], notes});
        ++report.relations;
    }
}

} // namespace

Generator::GeneratorReport Generator::generate(cConnessione &c, const GeneratorOptions &options)
{
    const QList<int> models = checkedModels(options);
    Random r(options.seed);
    Words words(r);
    GeneratorReport report;

    cConnessione::Transaction transaction(c);
    c.EseguiIstruzione(QStringLiteral("insert or ignore into lang (id, name) values (7, 'FR')"));
    c.EseguiIstruzione(QStringLiteral("insert or ignore into lang (id, name) values (8, 'DE')"));
    ThesaurusWriter writer(c, r, words, report);
    qint32 conceptId = nextId(c, "concepts");
    QHash<int, QVector<qint32>> idsByModel;
    for (int model : models) {
        const QVector<Concept> concepts = planModel(r, words, model, options.concepts, conceptId);
        QVector<qint32> &ids = idsByModel[model];
        for (const Concept &k : concepts)
            ids.append(k.id);
        writer.writeModel(model, concepts, ids);
    }
    if (options.relations > 0)
        writeRelations(c, r, words, models, idsByModel, options.relations, report);
    transaction.commit();
    return report;
}

Generator::GeneratorReport Generator::generateFile(const QString &path, const GeneratorOptions &options)
{
    // Built under a temporary name and renamed at the end: a run that fails
    // (a full disk, say) leaves no half-made file to be refused next time.
    if (QFileInfo::exists(path))
        throw DbError(3204, QStringLiteral("The file %1 already exists.").arg(path));
    SafeSave::TemporaryTarget target(path, QStringLiteral(".generating"));
    QString error;
    if (!target.clear(&error))
        throw DbError(3204, QStringLiteral("Cannot write %1: %2").arg(path, error));
    GeneratorReport report;
    {
        cConnessione::createDatabaseFile(target.path());
        cConnessione c;
        c.setRecordChanges(false); // made-up relations are nobody's changes
        if (!c.ApriConnessione(cConnessione::connectionStringFor(target.path())))
            throw DbError(1, c.lastOpenError());
        Schema::create(c);
        report = generate(c, options);
        c.ChiudiConnessione();
    }
    if (!target.commit(&error))
        throw DbError(3204, QStringLiteral("Cannot write %1: %2").arg(path, error));
    return report;
}
