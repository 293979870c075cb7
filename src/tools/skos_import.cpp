#include "tools/skos_import.h"

#include "base/logging.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/schema.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <algorithm>

using Skos::Graph;
using Skos::LinkKind;
using Skos::Node;
using Skos::TextKind;

namespace {

constexpr int kReadShare = 55; // percent of the progress bar given to reading the file
constexpr int kMaxProblems = 20;

// One row of concepts to write: a grouping level or a concept.
struct Entry
{
    int node = -1;
    int parent = -1; // entry index, -1 for a top-level row
    bool leaf = true;
    QString dex;
    QString uri;
    qint64 id = 0;
};

struct Plan
{
    QVector<Entry> entries;
    QVector<int> entryOfNode; // node index -> entry index, -1 when the node is not written
};

bool isEnglish(const QString &tag)
{
    return tag == QLatin1String("en") || tag.startsWith(QLatin1String("en-"));
}

// The text values of a node, SKOS-XL labels resolved to their literal forms.
template <typename F>
void forEachText(const Graph &g, const Node &n, F &&f, qint64 *xlWithoutForm = nullptr)
{
    for (const Skos::Text &t : n.texts)
        if (t.kind != TextKind::LiteralForm)
            f(t.kind, t.lang, t.value);
    for (const Skos::XlLabel &xl : n.xlLabels) {
        bool found = false;
        for (const Skos::Text &t : g.nodes.at(xl.label).texts)
            if (t.kind == TextKind::LiteralForm) {
                f(xl.kind, t.lang, t.value);
                found = true;
            }
        if (!found && xlWithoutForm)
            ++*xlWithoutForm;
    }
}

// The preferred label of a node: English, else untagged, else the first one
// of the file; empty when it has none.
QString prefLabel(const Graph &g, const Node &n)
{
    QString english, untagged, first;
    forEachText(g, n, [&](TextKind kind, quint16 lang, const QString &value) {
        if (kind != TextKind::PrefLabel)
            return;
        const QString &tag = g.languages.at(lang);
        if (english.isEmpty() && isEnglish(tag))
            english = value;
        else if (untagged.isEmpty() && tag.isEmpty())
            untagged = value;
        if (first.isEmpty())
            first = value;
    });
    return !english.isEmpty() ? english : !untagged.isEmpty() ? untagged : first;
}

// The end of a node's IRI, for resources without any label.
QString localName(const Node &n)
{
    const QString key = QString::fromUtf8(n.key);
    const int cut = static_cast<int>(qMax(key.lastIndexOf(QLatin1Char('#')), key.lastIndexOf(QLatin1Char('/'))));
    return key.mid(cut + 1).isEmpty() ? key : key.mid(cut + 1);
}

// Thrown out of the writing loop when the user cancels.
struct Cancelled
{
};

bool labelLess(const Entry &a, const Entry &b)
{
    const int c = a.dex.compare(b.dex, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.uri < b.uri;
}

// The code of a EUROVOC field: its notation, else the digits its label starts with.
QString fieldCode(const QString &notation, const QString &label)
{
    QString code = notation.trimmed();
    if (code.isEmpty()) {
        int i = 0;
        while (i < label.size() && label.at(i).isDigit())
            ++i;
        code = label.left(i);
    }
    bool ok = false;
    const int n = code.toInt(&ok);
    return ok ? QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')) : code;
}

QString withoutLeading(const QString &label, const QString &prefix)
{
    if (prefix.isEmpty() || !label.startsWith(prefix))
        return label;
    QString rest = label.mid(prefix.size());
    while (!rest.isEmpty() && (rest.at(0) == QLatin1Char('.') || rest.at(0).isSpace()))
        rest.remove(0, 1);
    return rest.isEmpty() ? label : rest;
}

Plan buildPlan(const Graph &g, int model, SkosImport::Summary &s)
{
    Plan plan;
    const int count = static_cast<int>(g.nodes.size());
    plan.entryOfNode.fill(-1, count);

    // Which nodes are grouping levels.  GEMET's themes and super-groups are
    // views across its groups, not levels of its tree.
    QVector<bool> isGroup(count, false);
    for (int i = 0; i < count; ++i) {
        const Node &n = g.nodes.at(i);
        if (!(n.types & Skos::TypeGroup))
            continue;
        if (model == Ids::GEMET && (n.types & (Skos::TypeTheme | Skos::TypeSuperGroup)))
            continue;
        isGroup[i] = true;
    }
    // A concept scheme held by a group is a micro-thesaurus.
    for (int i = 0; i < count; ++i) {
        if (!isGroup.at(i))
            continue;
        for (int m : g.nodes.at(i).members)
            if ((g.nodes.at(m).types & Skos::TypeScheme) && !(g.nodes.at(m).types & Skos::TypeConcept))
                isGroup[m] = true;
    }
    for (int i = 0; i < count; ++i) {
        const Node &n = g.nodes.at(i);
        if ((n.types & Skos::TypeScheme) && !isGroup.at(i))
            for (int c : n.containers)
                if (isGroup.at(c))
                    isGroup[i] = true;
    }
    auto isConcept = [&](int i) { return !isGroup.at(i) && (g.nodes.at(i).types & Skos::TypeConcept); };

    // Entries: groups first, then concepts, each with its display label.
    for (int i = 0; i < count; ++i) {
        if (!isGroup.at(i) && !isConcept(i))
            continue;
        Entry e;
        e.node = i;
        e.leaf = !isGroup.at(i);
        e.dex = prefLabel(g, g.nodes.at(i));
        if (e.dex.isEmpty())
            e.dex = isGroup.at(i) && !g.nodes.at(i).notation.isEmpty() ? g.nodes.at(i).notation
                                                                       : localName(g.nodes.at(i));
        if (!g.nodes.at(i).isBlank())
            e.uri = QString::fromUtf8(g.nodes.at(i).key);
        plan.entryOfNode[i] = static_cast<int>(plan.entries.size());
        plan.entries.append(e);
    }
    QVector<Entry> &entries = plan.entries;
    auto entryOf = [&](int node) { return plan.entryOfNode.at(node); };

    // Candidate containers (groups) and broader concepts of every entry.
    QVector<QVector<int>> groupsOf(entries.size());
    QVector<QVector<int>> broaderOf(entries.size());
    auto addUnique = [](QVector<int> &list, int v) {
        if (!list.contains(v))
            list.append(v);
    };
    for (int e = 0; e < entries.size(); ++e) {
        const Node &n = g.nodes.at(entries.at(e).node);
        if (!entries.at(e).leaf) {
            for (int m : n.members) {
                const int me = entryOf(m);
                if (me >= 0 && me != e)
                    addUnique(groupsOf[me], e);
            }
        }
        for (int c : n.containers) {
            const int ce = entryOf(c);
            if (ce >= 0 && ce != e && !entries.at(ce).leaf)
                addUnique(groupsOf[e], ce);
        }
        if (entries.at(e).leaf) {
            for (const Skos::Link &l : n.links) {
                const int t = entryOf(l.target);
                if (t < 0 || t == e || !entries.at(t).leaf)
                    continue;
                if (l.kind == LinkKind::Broader)
                    addUnique(broaderOf[e], t);
                else if (l.kind == LinkKind::Narrower)
                    addUnique(broaderOf[t], e);
            }
        }
    }

    auto note = [&](const QString &text) {
        if (s.problems.size() < kMaxProblems)
            s.problems.append(text);
    };
    // Would hanging e under candidate close a loop?  Parents are only ever
    // set when they do not, so walking up always ends.
    auto closesCycle = [&](int e, int candidate) {
        for (int p = candidate; p >= 0; p = entries.at(p).parent)
            if (p == e)
                return true;
        return false;
    };
    auto byLabel = [&](QVector<int> &list) {
        std::sort(list.begin(), list.end(), [&](int a, int b) { return labelLess(entries.at(a), entries.at(b)); });
    };

    // Groups hang under the first group (by label) that holds them.
    for (int e = 0; e < entries.size(); ++e) {
        if (entries.at(e).leaf)
            continue;
        byLabel(groupsOf[e]);
        for (int candidate : groupsOf.at(e)) {
            if (!closesCycle(e, candidate)) {
                entries[e].parent = candidate;
                break;
            }
            note(QStringLiteral("Group %1 inside %2 not followed: it would close a cycle")
                     .arg(entries.at(e).dex, entries.at(candidate).dex));
        }
    }
    // Names of the grouping levels, now that the top ones are known.
    for (Entry &e : entries) {
        if (e.leaf)
            continue;
        const Node &n = g.nodes.at(e.node);
        QString label = prefLabel(g, n);
        if (label.isEmpty() && n.notation.isEmpty())
            label = localName(n);
        if (e.parent < 0) {
            ++s.topGroups;
            e.dex = SkosImport::topLevelName(model, n.notation, label);
            if (model == Ids::EUROVOC) {
                const QString code = fieldCode(n.notation, label);
                if (!code.isEmpty())
                    e.uri = QString::fromLatin1(Ids::DomainNamespace) + code;
            }
        } else {
            e.dex = SkosImport::groupName(n.notation, label);
        }
    }
    // Concepts hang under their first broader concept by label; the others
    // stay broader values.  Without one they hang under their first group.
    for (int e = 0; e < entries.size(); ++e) {
        if (!entries.at(e).leaf)
            continue;
        byLabel(broaderOf[e]);
        for (int candidate : broaderOf.at(e)) {
            if (!closesCycle(e, candidate)) {
                entries[e].parent = candidate;
                break;
            }
            ++s.cycleLinks;
            note(QStringLiteral("%1 broader %2 not followed in the tree: it would close a cycle")
                     .arg(entries.at(e).uri, entries.at(candidate).uri));
        }
        if (entries.at(e).parent >= 0)
            continue;
        byLabel(groupsOf[e]);
        if (!groupsOf.at(e).isEmpty())
            entries[e].parent = groupsOf.at(e).first();
        else
            ++s.unplaced;
    }
    return plan;
}

// Values of one entry, ready to write.
struct TextValue
{
    int property;
    int lang; // db lang id
    QString value;
};
struct LinkValue
{
    int property;
    qint64 target; // concept id
};

int propertyOf(TextKind k)
{
    switch (k) {
    case TextKind::PrefLabel: return Ids::PrefLabel;
    case TextKind::AltLabel: return Ids::AltLabel;
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

QString langName(const QString &tag)
{
    return tag.isEmpty() ? QStringLiteral("EN") : tag.toUpper();
}

QString number(qint64 n)
{
    return QString::number(n);
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

QString SkosImport::topLevelName(int model, const QString &notation, const QString &label)
{
    const QString code = notation.trimmed();
    if (label.trimmed().isEmpty())
        return model == Ids::EUROVOC ? fieldCode(code, label) : code;
    switch (model) {
    case Ids::UNESCO:
    case Ids::ETT: {
        if (code.isEmpty() || label.startsWith(code))
            return label;
        QString prefix = code;
        if (!prefix.endsWith(QLatin1Char('.')))
            prefix += QLatin1Char('.');
        return prefix + QLatin1Char(' ') + label;
    }
    case Ids::ECLAS: {
        if (code.isEmpty() || label.startsWith(code))
            return label;
        bool ok = false;
        const int n = code.toInt(&ok);
        const QString padded = ok ? QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')) : code;
        return padded + QLatin1Char(' ') + withoutLeading(label, padded);
    }
    case Ids::EUROVOC: {
        const QString field = fieldCode(code, label);
        QString name = withoutLeading(withoutLeading(label, code), field).toUpper();
        return field.isEmpty() ? name : field + QLatin1Char(' ') + name;
    }
    default:
        return label;
    }
}

QString SkosImport::groupName(const QString &notation, const QString &label)
{
    const QString code = notation.trimmed();
    if (code.isEmpty() || label.startsWith(code))
        return label;
    if (label.trimmed().isEmpty())
        return code;
    return code + QLatin1Char(' ') + label;
}

QString SkosImport::Summary::text() const
{
    QStringList lines;
    lines << QStringLiteral("Thesaurus %1 imported into %2.")
                 .arg(Ids::modelName(model).toUpper(), QFileInfo(database).fileName());
    lines << QStringLiteral("Concepts: %1 (under %2 grouping levels, %3 at the top)")
                 .arg(number(concepts), number(groups), number(topGroups));
    QStringList byLang;
    for (auto it = labelsByLanguage.cbegin(); it != labelsByLanguage.cend(); ++it)
        byLang << QStringLiteral("%1 %2").arg(it.key(), number(it.value()));
    lines << QStringLiteral("Labels: %1%2").arg(number(labels),
                                                 byLang.isEmpty() ? QString()
                                                                  : QStringLiteral(" (") + byLang.join(QStringLiteral(", ")) + QLatin1Char(')'));
    lines << QStringLiteral("Notes: %1").arg(number(notes));
    lines << QStringLiteral("Links: %1 (broader %2, narrower %3, related %4)")
                 .arg(number(links), number(broaderLinks), number(narrowerLinks), number(relatedLinks));
    lines << QStringLiteral("Statements read: %1; skipped: %2").arg(number(statements), number(skipped()));
    if (skippedUnused)
        lines << QStringLiteral("  %1 of properties the thesaurus database does not hold").arg(number(skippedUnused));
    if (skippedNotConcept)
        lines << QStringLiteral("  %1 about resources that are neither concepts nor groups").arg(number(skippedNotConcept));
    if (skippedDangling)
        lines << QStringLiteral("  %1 links to resources that are not concepts of the file").arg(number(skippedDangling));
    if (skippedXl)
        lines << QStringLiteral("  %1 SKOS-XL labels without a literal form").arg(number(skippedXl));
    if (skippedInvalid)
        lines << QStringLiteral("  %1 values of the wrong kind (a label given as a resource, a link given as a text)")
                     .arg(number(skippedInvalid));
    if (cycleLinks)
        lines << QStringLiteral("Broader links not followed in the tree because they would close a cycle: %1")
                     .arg(number(cycleLinks));
    if (unplaced)
        lines << QStringLiteral("Concepts with neither a broader concept nor a group (outside the tree): %1")
                     .arg(number(unplaced));
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

namespace {

SkosImport::Result readAndStore(cConnessione &db, const QString &file, int model,
                                const SkosImport::Progress &progress, const SkosImport::Confirm &confirm)
{
    using namespace SkosImport;
    Result result;
    if (Ids::modelName(model).isEmpty()) {
        result.status = Result::Status::Failed;
        result.message = QStringLiteral("Unknown thesaurus: %1").arg(model);
        return result;
    }
    Graph graph;
    if (progress && !progress(0, QStringLiteral("Reading the file")))
        return {Result::Status::Cancelled, {}, 0, {}};
    int lastPercent = -1;
    const Skos::ReadResult read = Skos::read(file, graph, Skos::Format::Auto, [&](qint64 done, qint64 total) {
        const int percent = total > 0 ? static_cast<int>(done * kReadShare / total) : 0;
        if (!progress || percent == lastPercent)
            return true;
        lastPercent = percent;
        return progress(percent, QStringLiteral("Reading the file"));
    });
    if (read.status == Skos::ReadResult::Status::Cancelled) {
        result.status = Result::Status::Cancelled;
        return result;
    }
    if (read.status == Skos::ReadResult::Status::Failed) {
        result.status = Result::Status::Failed;
        result.message = read.message;
        result.line = read.line;
        return result;
    }
    return store(db, graph, model, progress, confirm);
}

} // namespace

SkosImport::Result SkosImport::run(cConnessione &db, const QString &file, int model, const Progress &progress,
                                   const Confirm &confirm)
{
    qCInfo(lcImport).noquote() << "SKOS import of" << file << "as" << Ids::modelName(model) << "started";
    Result result = readAndStore(db, file, model, progress, confirm);
    qCInfo(lcImport).noquote() << "SKOS import of" << file << "ended with status" << static_cast<int>(result.status)
                               << result.message;
    return result;
}

SkosImport::Result SkosImport::store(cConnessione &db, const Graph &g, int model, const Progress &progress,
                                     const Confirm &confirm)
{
    Result result;
    Summary &s = result.summary;
    s.model = model;
    s.database = db.databasePath();
    s.statements = g.statements;
    s.skippedUnused = g.unusedStatements;
    s.skippedInvalid = g.invalidStatements;

    auto fail = [&](const QString &message) {
        result.status = Result::Status::Failed;
        result.message = message;
        return result;
    };
    if (Ids::modelName(model).isEmpty())
        return fail(QStringLiteral("Unknown thesaurus: %1").arg(model));
    if (!db.isOpen())
        return fail(QStringLiteral("No database is open."));
    if (db.isReadOnly())
        return fail(QStringLiteral("The database %1 is read-only.").arg(db.databasePath()));

    Plan plan = buildPlan(g, model, s);
    QVector<Entry> &entries = plan.entries;
    for (const Entry &e : std::as_const(entries))
        (e.leaf ? s.concepts : s.groups)++;
    if (s.concepts == 0)
        return fail(QStringLiteral("The file holds no SKOS concepts (skos:Concept)."));

    try {
        QStringList missing;
        for (const QString &t : Schema::tableNames())
            if (!db.hasTable(t))
                missing << t;
        if (!missing.isEmpty())
            return fail(QStringLiteral("The database %1 is not a thesaurus database: the tables %2 are missing.")
                            .arg(QFileInfo(db.databasePath()).fileName(), missing.join(QStringLiteral(", "))));

        // An earlier edition of the same thesaurus is replaced only when the user agrees.
        QHash<QString, qint64> existing; // uri -> id
        QVector<qint64> existingIds;
        {
            RecordSet rs;
            db.ApriRS(QStringLiteral("select id, uri from concepts where model_ref = ?"), rs, {model});
            while (!rs.isEOF()) {
                const qint64 id = rs.value(0).toLongLong();
                existingIds.append(id);
                const QString uri = rs.value(1).toString();
                if (!uri.isEmpty())
                    existing.insert(uri, id);
                rs.MoveNext();
            }
        }
        if (!existingIds.isEmpty()) {
            const QString question =
                QStringLiteral("The database already holds the %1 thesaurus (%2 concepts).\n"
                               "Replace it with the thesaurus of the file?\n"
                               "Concepts keep their ids when their URI is the same, and so do the mapping "
                               "relations that use them.")
                    .arg(Ids::modelName(model).toUpper())
                    .arg(existingIds.size());
            if (!confirm || !confirm(question)) {
                result.status = Result::Status::Declined;
                return result;
            }
            s.replaced = true;
        }

        db.beginTransaction();
        try {
            // Ids: the earlier edition's id for a URI it had, new ids above every concept otherwise.
            qint64 nextId = db.scalar(QStringLiteral("select max(id) from concepts")).toLongLong() + 1;
            QSet<qint64> reused;
            for (Entry &e : entries) {
                const auto it = e.uri.isEmpty() ? existing.constEnd() : existing.constFind(e.uri);
                if (it != existing.constEnd() && !reused.contains(it.value())) {
                    e.id = it.value();
                    reused.insert(e.id);
                } else {
                    e.id = nextId++;
                }
            }
            s.keptIds = static_cast<int>(reused.size());

            // Concepts of the earlier edition that mapping relations use and the
            // file no longer has are kept, outside the tree, so no relation is lost.
            QSet<qint64> retired;
            if (s.replaced) {
                RecordSet rs;
                db.ApriRS(QStringLiteral(
                              "select mappingrelations.id as rid, properties.dex as pdex, concepts.id as cid, "
                              "concepts.dex as cdex, concepts.uri as curi "
                              "from mappingrelations inner join concepts on (concepts.id = mappingrelations.left_concept_ref "
                              "or concepts.id = mappingrelations.right_concept_ref) "
                              "left join properties on properties.id = mappingrelations.property_ref "
                              "where concepts.model_ref = ? order by mappingrelations.id"),
                          rs, {model});
                QSet<qint64> relations;
                while (!rs.isEOF()) {
                    const qint64 cid = rs.value(QStringLiteral("cid")).toLongLong();
                    relations.insert(rs.value(QStringLiteral("rid")).toLongLong());
                    if (!reused.contains(cid)) {
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
                s.removed = static_cast<int>(existingIds.size()) - s.keptIds;

                const QString ofModel = QStringLiteral("(select id from concepts where model_ref = ?)");
                const QString rowsOfModel =
                    QStringLiteral("(select id from conceptproperties where concept_ref in ") + ofModel + QLatin1Char(')');
                db.EseguiIstruzione(QStringLiteral("delete from datatypepropertyvalues where concept_property_ref in ")
                                        + rowsOfModel,
                                    QStringLiteral("128"), {model});
                db.EseguiIstruzione(QStringLiteral("delete from objectpropertyvalues where concept_property_ref in ")
                                        + rowsOfModel + QStringLiteral(" or concept_ref in ") + ofModel,
                                    QStringLiteral("128"), {model, model});
                db.EseguiIstruzione(QStringLiteral("delete from conceptproperties where concept_ref in ") + ofModel,
                                    QStringLiteral("128"), {model});
                QSqlQuery del = db.prepare(QStringLiteral("delete from concepts where id = ?"));
                QSqlQuery retire =
                    db.prepare(QStringLiteral("update concepts set parent_ref = null, is_leaf = 1 where id = ?"));
                for (qint64 id : std::as_const(existingIds)) {
                    if (retired.contains(id))
                        db.exec(retire, {id});
                    else
                        db.exec(del, {id});
                }
            }

            // Languages met, added to lang when new ("EN" stays id 6).
            QVector<int> langIds(g.languages.size(), 0);
            for (int i = 0; i < g.languages.size(); ++i) {
                const QString name = langName(g.languages.at(i));
                QVariant id = db.scalar(QStringLiteral("select id from lang where name = ? order by id"), {name});
                if (id.isNull()) {
                    db.EseguiIstruzione(QStringLiteral("insert into lang (name) values (?)"), QStringLiteral("128"),
                                        {name});
                    id = db.scalar(QStringLiteral("select id from lang where name = ? order by id"), {name});
                }
                langIds[i] = id.toInt();
            }

            QSqlQuery insConcept = db.prepare(QStringLiteral(
                "insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) values (?, ?, ?, ?, ?, ?)"));
            QSqlQuery insRow =
                db.prepare(QStringLiteral("insert into conceptproperties (id, concept_ref, property_ref) values (?, ?, ?)"));
            QSqlQuery insText = db.prepare(QStringLiteral(
                "insert into datatypepropertyvalues (concept_property_ref, lang_ref, value) values (?, ?, ?)"));
            QSqlQuery insLink = db.prepare(
                QStringLiteral("insert into objectpropertyvalues (concept_property_ref, concept_ref) values (?, ?)"));
            qint64 nextRow = db.scalar(QStringLiteral("select max(id) from conceptproperties")).toLongLong() + 1;

            const QVariant nullParent(QMetaType(QMetaType::LongLong));
            const QVariant nullUri(QMetaType(QMetaType::QString));
            const int total = static_cast<int>(entries.size());
            int lastPercent = -1;
            QVector<TextValue> texts;
            QVector<LinkValue> links;
            for (int i = 0; i < total; ++i) {
                const Entry &e = entries.at(i);
                if (progress) {
                    const int percent = kReadShare + static_cast<int>(qint64(i) * (100 - kReadShare) / total);
                    if (percent != lastPercent) {
                        lastPercent = percent;
                        if (!progress(percent, QStringLiteral("Storing the concepts")))
                            throw Cancelled(); // rolled back below
                    }
                }
                db.exec(insConcept, {e.id, model, e.parent >= 0 ? QVariant(entries.at(e.parent).id) : nullParent,
                                     e.dex, e.leaf ? 1 : 0, e.uri.isEmpty() ? nullUri : QVariant(e.uri)});

                const Node &n = g.nodes.at(e.node);
                texts.clear();
                links.clear();
                forEachText(
                    g, n,
                    [&](TextKind kind, quint16 lang, const QString &value) {
                        texts.append({propertyOf(kind), langIds.at(lang), value});
                        if (kind == TextKind::ScopeNote) {
                            ++s.notes;
                        } else {
                            ++s.labels;
                            ++s.labelsByLanguage[langName(g.languages.at(lang))];
                        }
                    },
                    &s.skippedXl);
                for (const Skos::Link &l : n.links) {
                    const int t = plan.entryOfNode.at(l.target);
                    if (t < 0 || !entries.at(t).leaf || !e.leaf) {
                        ++s.skippedDangling;
                        if (s.problems.size() < kMaxProblems)
                            s.problems << QStringLiteral("%1 links to %2, which is not a concept of the file")
                                              .arg(e.uri, QString::fromUtf8(g.nodes.at(l.target).key));
                        continue;
                    }
                    links.append({propertyOf(l.kind), entries.at(t).id});
                    ++s.links;
                    (l.kind == LinkKind::Broader    ? s.broaderLinks
                     : l.kind == LinkKind::Narrower ? s.narrowerLinks
                                                    : s.relatedLinks)++;
                }
                // One property row per property of the concept, its values below it.
                for (int property : {Ids::PrefLabel, Ids::AltLabel, Ids::ScopeNote}) {
                    qint64 row = 0;
                    for (const TextValue &t : std::as_const(texts)) {
                        if (t.property != property)
                            continue;
                        if (!row) {
                            row = nextRow++;
                            db.exec(insRow, {row, e.id, property});
                        }
                        db.exec(insText, {row, t.lang, t.value});
                    }
                }
                for (int property : {Ids::Broader, Ids::Narrower, Ids::Related}) {
                    qint64 row = 0;
                    for (const LinkValue &l : std::as_const(links)) {
                        if (l.property != property)
                            continue;
                        if (!row) {
                            row = nextRow++;
                            db.exec(insRow, {row, e.id, property});
                        }
                        db.exec(insLink, {row, l.target});
                    }
                }
            }
            // Statements about resources that are neither concepts nor groups
            // (the scheme itself, SKOS-XL labels nobody uses...).
            QSet<int> usedLabels;
            for (const Entry &e : std::as_const(entries))
                for (const Skos::XlLabel &xl : g.nodes.at(e.node).xlLabels)
                    usedLabels.insert(xl.label);
            for (int i = 0; i < g.nodes.size(); ++i) {
                if (plan.entryOfNode.at(i) >= 0 || usedLabels.contains(i))
                    continue;
                const Node &n = g.nodes.at(i);
                s.skippedNotConcept += n.texts.size() + n.links.size() + n.xlLabels.size();
            }
            if (progress && !progress(100, QStringLiteral("Saving")))
                throw Cancelled();
            db.commit();
        } catch (const Cancelled &) {
            db.rollback();
            Result cancelled;
            cancelled.status = Result::Status::Cancelled;
            return cancelled;
        } catch (...) {
            db.rollback();
            throw;
        }
    } catch (const DbError &e) {
        return fail(QStringLiteral("Error %1: %2").arg(e.number()).arg(e.description()));
    }
    return result;
}
