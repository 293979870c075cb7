#include "tools/skos_import.h"

#include "base/logging.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/schema.h"

#include <QFileInfo>
#include <QSet>
#include <QSqlQuery>
#include <algorithm>
#include <limits>

using Skos::Graph;
using Skos::LinkKind;
using Skos::Node;
using Skos::TextKind;
using SkosPlan::Entry;

namespace {

constexpr int kReadShare = 55; // percent of the progress bar given to reading the file
constexpr int kMaxProblems = 20;

const QString kSkos = QStringLiteral("http://www.w3.org/2004/02/skos/core#");

// Thrown out of the writing loop when the user cancels.
struct Cancelled
{
};

QString number(qint64 n)
{
    return QString::number(n);
}

// The lang.name of a language tag: upper case, "" for a text without one.
QString langName(const QString &tag)
{
    return tag.isEmpty() ? QStringLiteral("") : tag.toUpper(); // never a null text: lang.name is not null
}

QString shownLanguage(const QString &name)
{
    return name.isEmpty() ? QStringLiteral("no language") : name;
}

// Property rows of the values of one concept: the fixed ids, and the
// definition and hidden label rows this import adds when it needs them.
struct Properties
{
    int definition = 0;
    int hiddenLabel = 0;
};

int propertyOf(TextKind k, const Properties &p)
{
    switch (k) {
    case TextKind::PrefLabel: return Ids::PrefLabel;
    case TextKind::AltLabel: return Ids::AltLabel;
    case TextKind::HiddenLabel: return p.hiddenLabel;
    case TextKind::Definition: return p.definition;
    default: return Ids::ScopeNote;
    }
}

int propertyOf(LinkKind k)
{
    switch (k) {
    case LinkKind::Broader: return Ids::Broader;
    case LinkKind::Narrower: return Ids::Narrower;
    default: return Ids::Related;
    }
}

// The id of the property row of a SKOS property outside the fixed ids,
// added (above every id the system reserves) when the database has none.
int extraProperty(cConnessione &db, const QString &name)
{
    const QString uri = kSkos + name;
    const QVariant id = db.scalar(QStringLiteral("select id from properties where uri = ? order by id"), {uri});
    if (!id.isNull())
        return id.toInt();
    const int next = std::max(db.scalar(QStringLiteral("select max(id) from properties")).toInt() + 1, Ids::NarrowMatch + 1);
    db.EseguiIstruzione(QStringLiteral("insert into properties (id, dex, uri, is_mapping_rel) values (?, ?, ?, 0)"),
                        QStringLiteral("128"), {next, name, uri});
    return next;
}

// The lang rows of the file's languages, read once and added when first used.
class Languages
{
public:
    Languages(cConnessione &db, const Graph &g) : m_db(db), m_g(g), m_ids(g.languages.size(), 0)
    {
        RecordSet rs;
        db.ApriRS(QStringLiteral("select id, name from lang order by id"), rs);
        while (!rs.isEOF()) {
            const int id = rs.value(0).toInt();
            const QString name = rs.value(1).toString().toUpper();
            if (!m_existing.contains(name))
                m_existing.insert(name, id);
            m_next = std::max(m_next, id + 1);
            rs.MoveNext();
        }
    }

    int id(int lang)
    {
        if (m_ids.at(lang))
            return m_ids.at(lang);
        const QString name = langName(m_g.languages.at(lang));
        auto it = m_existing.constFind(name);
        if (it == m_existing.constEnd()) {
            m_db.EseguiIstruzione(QStringLiteral("insert into lang (id, name) values (?, ?)"), QStringLiteral("128"),
                                  {m_next, name});
            it = m_existing.insert(name, m_next++);
        }
        return m_ids[lang] = it.value();
    }

private:
    cConnessione &m_db;
    const Graph &m_g;
    QVector<int> m_ids;
    QHash<QString, int> m_existing;
    int m_next = 1;
};

struct TextValue
{
    int property;
    int lang;             // graph language
    QByteArrayView value; // UTF-8, in the graph's store
};

struct LinkValue
{
    int property;
    qint64 target; // concept id
};

// Writes the rows of concepts and their values with prepared statements.
class RowWriter
{
public:
    RowWriter(cConnessione &db, const Graph &g, const SkosPlan::Plan &plan, int model, SkosImport::Summary &s)
        : m_db(db), m_g(g), m_plan(plan), m_model(model), m_s(s), m_languages(db, g)
    {
        m_insConcept = db.prepare(QStringLiteral(
            "insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) values (?, ?, ?, ?, ?, ?)"));
        m_insRow = db.prepare(QStringLiteral("insert into conceptproperties (id, concept_ref, property_ref) values (?, ?, ?)"));
        m_insText = db.prepare(QStringLiteral(
            "insert into datatypepropertyvalues (concept_property_ref, lang_ref, value) values (?, ?, ?)"));
        m_insLink = db.prepare(
            QStringLiteral("insert into objectpropertyvalues (concept_property_ref, concept_ref) values (?, ?)"));
        m_nextRow = db.scalar(QStringLiteral("select max(id) from conceptproperties")).toLongLong() + 1;
        addExtraProperties();
    }

    void write(const Entry &e)
    {
        static const QVariant nullParent{QMetaType(QMetaType::LongLong)};
        static const QVariant nullUri{QMetaType(QMetaType::QString)};
        const QVariant parent = e.parent >= 0 ? QVariant(m_plan.entries.at(e.parent).id) : nullParent;
        m_db.exec(m_insConcept, {e.id, m_model, parent, e.dex, e.leaf ? 1 : 0, e.uri.isEmpty() ? nullUri : QVariant(e.uri)});
        if (e.node < 0)
            return;
        writeTexts(e);
        writeLinks(e);
    }

private:
    // Definitions and hidden labels have property rows of their own, added
    // only when the file holds some.
    void addExtraProperties()
    {
        bool definitions = false, hidden = false;
        for (const Entry &e : m_plan.entries) {
            if (e.node < 0)
                continue;
            SkosPlan::forEachText(m_g, e.node, [&](TextKind kind, int, QByteArrayView) {
                definitions = definitions || kind == TextKind::Definition;
                hidden = hidden || kind == TextKind::HiddenLabel;
            });
            if (definitions && hidden)
                break;
        }
        if (definitions)
            m_properties.definition = extraProperty(m_db, QStringLiteral("definition"));
        if (hidden)
            m_properties.hiddenLabel = extraProperty(m_db, QStringLiteral("hiddenLabel"));
    }

    // One property row per property of the concept, its values below it.
    qint64 propertyRow(qint64 conceptId, int property)
    {
        const qint64 row = m_nextRow++;
        if (row > std::numeric_limits<qint32>::max())
            throw DbError(3315, QStringLiteral("The database has no room for the properties of the file: their ids "
                                               "would go beyond %1, the largest an id can be.")
                                    .arg(std::numeric_limits<qint32>::max()));
        m_db.exec(m_insRow, {row, conceptId, property});
        return row;
    }

    void writeTexts(const Entry &e)
    {
        m_texts.clear();
        SkosPlan::forEachText(
            m_g, e.node,
            [&](TextKind kind, int lang, QByteArrayView value) { m_texts.append({propertyOf(kind, m_properties), lang, value}); },
            &m_s.refusedNoText);
        // A label given both as SKOS-XL and plain is one label.
        std::sort(m_texts.begin(), m_texts.end(), [](const TextValue &a, const TextValue &b) {
            if (a.property != b.property)
                return a.property < b.property;
            return a.lang != b.lang ? a.lang < b.lang : a.value < b.value;
        });
        const auto same = [](const TextValue &a, const TextValue &b) {
            return a.property == b.property && a.lang == b.lang && a.value == b.value;
        };
        const auto end = std::unique(m_texts.begin(), m_texts.end(), same);
        m_s.repeated += m_texts.end() - end;
        m_texts.erase(end, m_texts.end());

        qint64 row = 0;
        int property = 0;
        for (const TextValue &t : std::as_const(m_texts)) {
            if (!row || t.property != property) {
                property = t.property;
                row = propertyRow(e.id, property);
            }
            m_db.exec(m_insText, {row, m_languages.id(t.lang), QString::fromUtf8(t.value)});
            count(t);
        }
    }

    void count(const TextValue &t)
    {
        if (t.property == Ids::PrefLabel || t.property == Ids::AltLabel) {
            ++m_s.labels;
            ++m_s.labelsByLanguage[langName(m_g.languages.at(t.lang))];
        } else if (t.property == Ids::ScopeNote) {
            ++m_s.notes;
        } else if (t.property == m_properties.definition) {
            ++m_s.definitions;
        } else {
            ++m_s.hiddenLabels;
        }
    }

    void writeLinks(const Entry &e)
    {
        m_links.clear();
        for (const Skos::Link &l : m_g.links(e.node)) {
            const int t = m_plan.entryOfNode.at(l.target);
            if (t >= 0 && &m_plan.entries.at(t) == &e) {
                ++m_s.refusedSelf;
                continue;
            }
            if (t < 0) {
                if (m_plan.setAside.at(l.target)) {
                    ++m_s.notUsed; // a link to a theme or a deprecated concept
                    continue;
                }
                ++m_s.refusedDangling;
                if (m_s.problems.size() < kMaxProblems)
                    m_s.problems << QStringLiteral("%1 links to %2, which is not a concept of the file")
                                        .arg(e.uri, QString::fromUtf8(m_g.key(l.target)));
                continue;
            }
            m_links.append({propertyOf(l.kind), m_plan.entries.at(t).id});
            ++m_s.links;
            (l.kind == LinkKind::Broader    ? m_s.broaderLinks
             : l.kind == LinkKind::Narrower ? m_s.narrowerLinks
                                            : m_s.relatedLinks)++;
        }
        std::stable_sort(m_links.begin(), m_links.end(),
                         [](const LinkValue &a, const LinkValue &b) { return a.property < b.property; });
        qint64 row = 0;
        int property = 0;
        for (const LinkValue &l : std::as_const(m_links)) {
            if (!row || l.property != property) {
                property = l.property;
                row = propertyRow(e.id, property);
            }
            m_db.exec(m_insLink, {row, l.target});
        }
    }

    cConnessione &m_db;
    const Graph &m_g;
    const SkosPlan::Plan &m_plan;
    int m_model;
    SkosImport::Summary &m_s;
    Languages m_languages;
    Properties m_properties;
    QSqlQuery m_insConcept, m_insRow, m_insText, m_insLink;
    qint64 m_nextRow = 1;
    QVector<TextValue> m_texts;
    QVector<LinkValue> m_links;
};

QStringList missingTables(cConnessione &db)
{
    QStringList missing;
    for (const QString &t : Schema::tableNames())
        if (!db.hasTable(t))
            missing << t;
    return missing;
}

} // namespace

int SkosImport::modelFromName(const QString &name)
{
    const QString n = name.trimmed().toLower();
    for (int m : {Ids::ECLAS, Ids::ETT, Ids::EUROVOC, Ids::UNESCO, Ids::GEMET})
        if (Ids::modelName(m) == n)
            return m;
    return 0;
}

QStringList SkosImport::Summary::treeLines() const
{
    QStringList lines;
    QString conceptLine = QStringLiteral("Concepts: %1 (under %2 grouping levels, %3 at the top)")
                              .arg(number(concepts), number(groups), number(topGroups));
    if (topConcepts)
        conceptLine += QStringLiteral("; %1 top concepts at the top level").arg(number(topConcepts));
    lines << conceptLine;
    lines << QStringLiteral("In the tree: %1 concepts; outside the tree: %2").arg(number(inTree), number(outside()));
    if (outsideNoPath)
        lines << QStringLiteral("  %1 with no broader concept, no group, and not a top concept of the file")
                     .arg(number(outsideNoPath));
    if (outsideDangling)
        lines << QStringLiteral("  %1 whose broader concepts are not concepts of the file").arg(number(outsideDangling));
    if (outsideCycle)
        lines << QStringLiteral("  %1 in a cycle of broader links that no top-level concept reaches")
                     .arg(number(outsideCycle));
    if (outsideNoField)
        lines << QStringLiteral("  %1 under none of the EUROVOC fields (no domain or micro-thesaurus code)")
                     .arg(number(outsideNoField));
    if (cycleLinks)
        lines << QStringLiteral("Broader links not followed in the tree because they would close a cycle: %1")
                     .arg(number(cycleLinks));
    if (deprecated)
        lines << QStringLiteral("Deprecated concepts, not imported: %1").arg(number(deprecated));
    return lines;
}

QString SkosImport::Summary::text() const
{
    QStringList lines;
    lines << QStringLiteral("Thesaurus %1 imported into %2.")
                 .arg(Ids::modelName(model).toUpper(), QFileInfo(database).fileName());
    lines << treeLines();
    QStringList byLang;
    for (auto it = labelsByLanguage.cbegin(); it != labelsByLanguage.cend(); ++it)
        byLang << QStringLiteral("%1 %2").arg(shownLanguage(it.key()), number(it.value()));
    lines << QStringLiteral("Labels: %1%2").arg(number(labels),
                                                 byLang.isEmpty() ? QString()
                                                                  : QStringLiteral(" (") + byLang.join(QStringLiteral(", ")) + QLatin1Char(')'));
    if (hiddenLabels)
        lines << QStringLiteral("Hidden labels: %1").arg(number(hiddenLabels));
    if (definitions)
        lines << QStringLiteral("Definitions: %1").arg(number(definitions));
    lines << QStringLiteral("Notes: %1").arg(number(notes));
    lines << QStringLiteral("Links: %1 (broader %2, narrower %3, related %4)")
                 .arg(number(links), number(broaderLinks), number(narrowerLinks), number(relatedLinks));
    lines << QStringLiteral("Statements read: %1; not used: %2; repeated: %3; refused: %4")
                 .arg(number(statements), number(notUsed), number(repeated), number(refused()));
    if (notUsed)
        lines << QStringLiteral("  not used: %1 that are not thesaurus content (the scheme's metadata, types, "
                                "properties the thesaurus database does not hold)")
                     .arg(number(notUsed));
    if (refusedDangling)
        lines << QStringLiteral("  refused: %1 links to resources that are not concepts of the file").arg(number(refusedDangling));
    if (refusedSelf)
        lines << QStringLiteral("  refused: %1 links of a concept to itself").arg(number(refusedSelf));
    if (refusedNoText)
        lines << QStringLiteral("  refused: %1 SKOS-XL labels without a literal form").arg(number(refusedNoText));
    if (refusedInvalid)
        lines << QStringLiteral("  refused: %1 values of the wrong kind (a label given as a resource, a link given as a text)")
                     .arg(number(refusedInvalid));
    if (replaced) {
        lines << QStringLiteral("The earlier edition was replaced: %1 concepts kept their ids (same URI), %2 are no longer in the file.")
                     .arg(number(keptIds), number(removed));
        lines << QStringLiteral("Mapping relations kept: %1").arg(number(relationsKept));
        if (!vanishedRelations.isEmpty()) {
            lines << QStringLiteral("Mapping relations whose concept is not in the new file (kept, with that concept outside the tree): %1")
                         .arg(number(vanishedRelations.size()));
            for (const QString &r : vanishedRelations)
                lines << QStringLiteral("  ") + r;
        }
    }
    if (!problems.isEmpty()) {
        lines << QStringLiteral("Examples:");
        for (const QString &p : problems)
            lines << QStringLiteral("  ") + p;
    }
    return lines.join(QLatin1Char('\n'));
}

SkosImport::Import::Import(const QString &file, int model) : m_file(file), m_model(model)
{
    m_summary.model = model;
}

SkosImport::Result SkosImport::Import::failed(const QString &message) const
{
    Result r;
    r.status = Result::Status::Failed;
    r.message = message;
    r.summary = m_summary;
    return r;
}

SkosImport::Result SkosImport::Import::read(const Progress &progress)
{
    if (Ids::modelName(m_model).isEmpty())
        return failed(QStringLiteral("Unknown thesaurus: %1").arg(m_model));
    if (progress && !progress(0, QStringLiteral("Reading the file")))
        return {Result::Status::Cancelled, {}, 0, m_summary};
    int lastPercent = -1;
    const Skos::ReadResult read = Skos::read(m_file, m_graph, Skos::Format::Auto, [&](qint64 done, qint64 total) {
        const int percent = total > 0 ? static_cast<int>(done * kReadShare / total) : 0;
        if (!progress || percent == lastPercent)
            return true;
        lastPercent = percent;
        return progress(percent, QStringLiteral("Reading the file"));
    });
    if (read.status == Skos::ReadResult::Status::Cancelled
        || (read.status == Skos::ReadResult::Status::Ok && progress && !progress(kReadShare, QStringLiteral("Reading the file"))))
        return {Result::Status::Cancelled, {}, 0, m_summary};
    if (read.status == Skos::ReadResult::Status::Failed) {
        Result r = failed(read.message);
        r.line = read.line;
        return r;
    }

    m_plan = SkosPlan::build(m_graph, m_model);
    Summary &s = m_summary;
    s.statements = m_graph.statements;
    s.notUsed = m_graph.unusedStatements;
    s.repeated = m_graph.repeatedStatements;
    s.refusedInvalid = m_graph.invalidStatements;
    s.concepts = m_plan.concepts;
    s.groups = m_plan.groups;
    s.topGroups = m_plan.topGroups;
    s.topConcepts = m_plan.topConcepts;
    s.inTree = m_plan.inTree;
    s.outsideNoPath = m_plan.outsideNoPath;
    s.outsideDangling = m_plan.outsideDangling;
    s.outsideCycle = m_plan.outsideCycle;
    s.outsideNoField = m_plan.outsideNoField;
    s.cycleLinks = m_plan.cycleLinks;
    s.deprecated = m_plan.deprecated;
    s.viewGroups = m_plan.viewGroups;
    s.problems = m_plan.problems;
    if (s.concepts == 0)
        return failed(QStringLiteral("The file holds no SKOS concepts (skos:Concept)."));
    return {Result::Status::Imported, {}, 0, s};
}

SkosImport::Result SkosImport::Import::analyse(cConnessione &db)
{
    m_summary.database = db.databasePath();
    if (!db.isOpen())
        return failed(QStringLiteral("No database is open."));
    if (db.isReadOnly())
        return failed(QStringLiteral("The database %1 is read-only.").arg(db.databasePath()));
    try {
        const QStringList missing = missingTables(db);
        if (!missing.isEmpty())
            return failed(QStringLiteral("The database %1 is not a thesaurus database: the tables %2 are missing.")
                              .arg(QFileInfo(db.databasePath()).fileName(), missing.join(QStringLiteral(", "))));
        m_edition.clear();
        m_editionIds.clear();
        RecordSet rs;
        db.ApriRS(QStringLiteral("select id, uri from concepts where model_ref = ?"), rs, {m_model});
        while (!rs.isEOF()) {
            const qint64 id = rs.value(0).toLongLong();
            m_editionIds.append(id);
            const QString uri = rs.value(1).toString();
            if (!uri.isEmpty())
                m_edition.insert(uri, id);
            rs.MoveNext();
        }
    } catch (const DbError &e) {
        return failed(QStringLiteral("Error %1: %2").arg(e.number()).arg(e.description()));
    }
    return {Result::Status::Imported, {}, 0, m_summary};
}

QString SkosImport::Import::outsideWarning() const
{
    if (m_summary.inTree > 0)
        return {};
    return QStringLiteral("None of the %1 concepts of the file would be in the %2 tree: "
                          "Mapping > New would show none of them.\n%3\nStore the thesaurus anyway?")
        .arg(m_summary.concepts)
        .arg(Ids::modelName(m_model).toUpper(), m_summary.treeLines().join(QLatin1Char('\n')));
}

QString SkosImport::Import::replaceQuestion() const
{
    if (m_editionIds.isEmpty())
        return {};
    return QStringLiteral("The database already holds the %1 thesaurus (%2 concepts).\n"
                          "Replace it with the thesaurus of the file?\n"
                          "Concepts keep their ids when their URI is the same, and so do the mapping "
                          "relations that use them.")
        .arg(Ids::modelName(m_model).toUpper())
        .arg(m_editionIds.size());
}

// Ids: the earlier edition's id for a URI it had, new ids above every concept otherwise.
void SkosImport::Import::assignIds(cConnessione &db)
{
    qint64 nextId = db.scalar(QStringLiteral("select max(id) from concepts")).toLongLong() + 1;
    m_reused.clear();
    for (Entry &e : m_plan.entries) {
        const auto it = e.uri.isEmpty() ? m_edition.constEnd() : m_edition.constFind(e.uri);
        if (it != m_edition.constEnd() && !m_reused.contains(it.value())) {
            e.id = it.value();
            m_reused.insert(e.id);
        } else {
            e.id = nextId++;
        }
    }
    // Concept ids are 32-bit in the schema other programs read: never beyond.
    if (nextId - 1 > std::numeric_limits<qint32>::max())
        throw DbError(3315, QStringLiteral("The database has no room for the concepts of the file: their ids would go "
                                           "beyond %1, the largest a concept id can be.")
                                .arg(std::numeric_limits<qint32>::max()));
    m_summary.keptIds = static_cast<int>(m_reused.size());
}

// Removes the earlier edition.  Its concepts that mapping relations use and
// the file no longer has are kept, outside the tree, so no relation is lost.
void SkosImport::Import::retireEdition(cConnessione &db)
{
    Summary &s = m_summary;
    s.replaced = true;
    QSet<qint64> retired;
    RecordSet rs;
    db.ApriRS(QStringLiteral("select mappingrelations.id as rid, properties.dex as pdex, concepts.id as cid, "
                             "concepts.dex as cdex, concepts.uri as curi "
                             "from mappingrelations inner join concepts on (concepts.id = mappingrelations.left_concept_ref "
                             "or concepts.id = mappingrelations.right_concept_ref) "
                             "left join properties on properties.id = mappingrelations.property_ref "
                             "where concepts.model_ref = ? order by mappingrelations.id"),
              rs, {m_model});
    QSet<qint64> relations;
    while (!rs.isEOF()) {
        const qint64 cid = rs.value(QStringLiteral("cid")).toLongLong();
        relations.insert(rs.value(QStringLiteral("rid")).toLongLong());
        if (!m_reused.contains(cid)) {
            retired.insert(cid);
            s.vanishedRelations << QStringLiteral("relation %1 (%2): \"%3\" %4")
                                       .arg(rs.value(QStringLiteral("rid")).toString(),
                                            rs.value(QStringLiteral("pdex")).toString(),
                                            rs.value(QStringLiteral("cdex")).toString(),
                                            rs.value(QStringLiteral("curi")).toString());
        }
        rs.MoveNext();
    }
    s.relationsKept = static_cast<int>(relations.size());
    s.removed = static_cast<int>(m_editionIds.size()) - s.keptIds;

    const QString ofModel = QStringLiteral("(select id from concepts where model_ref = ?)");
    const QString rowsOfModel =
        QStringLiteral("(select id from conceptproperties where concept_ref in ") + ofModel + QLatin1Char(')');
    db.EseguiIstruzione(QStringLiteral("delete from datatypepropertyvalues where concept_property_ref in ") + rowsOfModel,
                        QStringLiteral("128"), {m_model});
    db.EseguiIstruzione(QStringLiteral("delete from objectpropertyvalues where concept_property_ref in ") + rowsOfModel
                            + QStringLiteral(" or concept_ref in ") + ofModel,
                        QStringLiteral("128"), {m_model, m_model});
    db.EseguiIstruzione(QStringLiteral("delete from conceptproperties where concept_ref in ") + ofModel,
                        QStringLiteral("128"), {m_model});
    QSqlQuery del = db.prepare(QStringLiteral("delete from concepts where id = ?"));
    QSqlQuery retire = db.prepare(QStringLiteral("update concepts set parent_ref = null, is_leaf = 1 where id = ?"));
    for (qint64 id : std::as_const(m_editionIds))
        db.exec(retired.contains(id) ? retire : del, {id});
}

void SkosImport::Import::writeRows(cConnessione &db, const Progress &progress)
{
    RowWriter writer(db, m_graph, m_plan, m_model, m_summary);
    const int total = static_cast<int>(m_plan.entries.size());
    int lastPercent = -1;
    for (int i = 0; i < total; ++i) {
        if (progress) {
            const int percent = kReadShare + static_cast<int>(qint64(i) * (100 - kReadShare) / total);
            if (percent != lastPercent) {
                lastPercent = percent;
                if (!progress(percent, QStringLiteral("Storing the concepts")))
                    throw Cancelled(); // rolled back by the caller
            }
        }
        writer.write(m_plan.entries.at(i));
    }
}

// Statements about resources that are not rows (the scheme, themes,
// classes, SKOS-XL labels nobody uses...) are not thesaurus content.
void SkosImport::Import::countNotUsed()
{
    QSet<int> usedResources;
    for (const Entry &e : std::as_const(m_plan.entries))
        if (e.node >= 0)
            for (const Skos::Resource &r : m_graph.resources(e.node))
                usedResources.insert(r.node);
    const Graph &g = m_graph;
    for (int i = 0; i < g.size(); ++i) {
        if (m_plan.entryOfNode.at(i) >= 0) {
            // A concept's notation has no column of its own.
            if (!m_plan.entries.at(m_plan.entryOfNode.at(i)).group && g.hasNotation(i))
                ++m_summary.notUsed;
            continue;
        }
        if (usedResources.contains(i))
            continue;
        m_summary.notUsed += qint64(g.texts(i).size() + g.links(i).size() + g.resources(i).size() + g.members(i).size()
                                    + g.containers(i).size())
                             + g.node(i).typeStatements + (g.hasNotation(i) ? 1 : 0);
    }
}

SkosImport::Result SkosImport::Import::store(cConnessione &db, const Progress &progress)
{
    try {
        // Immediate: the ids are worked out from what the database holds and
        // no other writer may come between.
        cConnessione::Transaction transaction(db, cConnessione::Lock::Immediate);
        assignIds(db);
        if (!m_editionIds.isEmpty())
            retireEdition(db);
        writeRows(db, progress);
        countNotUsed();
        if (progress && !progress(100, QStringLiteral("Saving")))
            throw Cancelled();
        transaction.commit();
    } catch (const Cancelled &) {
        return {Result::Status::Cancelled, {}, 0, {}};
    } catch (const DbError &e) {
        return failed(QStringLiteral("Error %1: %2").arg(e.number()).arg(e.description()));
    }
    return {Result::Status::Imported, {}, 0, m_summary};
}

SkosImport::Result SkosImport::run(cConnessione &db, const QString &file, int model, const Progress &progress,
                                   const Confirm &confirm)
{
    qCInfo(lcImport).noquote() << "SKOS import of" << file << "as" << Ids::modelName(model) << "started";
    const Result outcome = [&]() -> Result {
        Import import(file, model);
        Result r = import.read(progress);
        if (r.ok())
            r = import.analyse(db);
        if (!r.ok())
            return r;
        for (const QString &question : {import.outsideWarning(), import.replaceQuestion()})
            if (!question.isEmpty() && (!confirm || !confirm(question)))
                return {Result::Status::Declined, {}, 0, import.summary()};
        return import.store(db, progress);
    }();
    qCInfo(lcImport).noquote() << "SKOS import of" << file << "ended with status"
                               << static_cast<int>(outcome.status) << outcome.message;
    return outcome;
}
