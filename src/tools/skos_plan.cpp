#include "tools/skos_plan.h"

#include "data/ids.h"
#include "data/choices.h"

#include <QHash>
#include <algorithm>

using Skos::Graph;
using Skos::LinkKind;
using Skos::Node;
using Skos::Resource;
using Skos::TextKind;
using SkosPlan::Entry;
using SkosPlan::Outside;
using SkosPlan::Plan;

namespace {

constexpr int kMaxProblems = 20;

const QByteArray kGemet = "http://www.eionet.europa.eu/gemet/";

bool isEnglish(const QString &tag)
{
    return tag == QLatin1String("en") || tag.startsWith(QLatin1String("en-"));
}

// The end of a node's IRI, for resources without any label.
QString localName(const Graph &g, int node)
{
    const QString key = QString::fromUtf8(g.key(node));
    const int cut = static_cast<int>(qMax(key.lastIndexOf(QLatin1Char('#')), key.lastIndexOf(QLatin1Char('/'))));
    return key.mid(cut + 1).isEmpty() ? key : key.mid(cut + 1);
}

bool labelLess(const Entry &a, const Entry &b)
{
    const int c = a.dex.compare(b.dex, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.uri < b.uri;
}

// The leading digits of a label ("5206 environmental policy" -> "5206").
QString leadingDigits(const QString &label)
{
    int i = 0;
    while (i < label.size() && label.at(i).isDigit())
        ++i;
    return label.left(i);
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

// A subset name as the choice dialog compares it: case, blanks before
// commas and the choice between ";" and "," do not count.
QString comparable(const QString &name)
{
    QString s = name.toLower();
    s.replace(QLatin1Char(';'), QLatin1Char(','));
    s = s.simplified();
    s.replace(QStringLiteral(" ,"), QStringLiteral(","));
    return s;
}

// The subset of the choice dialog a top-level name stands for, spelled as
// the dialog lists it; the name itself when it stands for none.
QString asListed(int model, const QString &name)
{
    const QString key = comparable(name);
    const QStringList listed = model == Ids::EUROVOC ? Scelte::eurovocFields() : Scelte::subsets(model);
    for (const QString &s : listed)
        if (comparable(s) == key)
            return s;
    return name;
}

// What the program makes of each resource of the file.
enum class Kind : quint8 { None, Concept, Group, View, Deprecated };

// GEMET names its groups, super-groups and themes by their place in its
// namespace, whatever type (if any) a file gives them.
quint16 typesOf(const Graph &g, int node)
{
    quint16 t = g.node(node).types;
    const QByteArrayView key = g.key(node);
    if (key.startsWith(kGemet)) {
        const QByteArrayView rest = key.sliced(kGemet.size());
        quint16 kind = 0;
        if (rest.startsWith("group/"))
            kind = Skos::TypeGroup;
        else if (rest.startsWith("supergroup/"))
            kind = Skos::TypeGroup | Skos::TypeSuperGroup;
        else if (rest.startsWith("theme/"))
            kind = Skos::TypeGroup | Skos::TypeTheme;
        if (kind)
            t = static_cast<quint16>((t & ~quint16(Skos::TypeConcept)) | kind);
    }
    return t;
}

bool hasName(const Graph &g, int node)
{
    if (g.hasNotation(node))
        return true;
    for (const Skos::Text &t : g.texts(node))
        if (t.kind == TextKind::PrefLabel)
            return true;
    for (const Skos::Resource &r : g.resources(node))
        if (r.kind == TextKind::PrefLabel)
            return true;
    return false;
}

// A EUROVOC scheme whose label begins with a domain code (two digits) or a
// micro-thesaurus code (four digits) is a level of the tree.
bool hasEurovocCode(const Graph &g, int node)
{
    const QString code = g.hasNotation(node) ? g.notation(node) : leadingDigits(SkosPlan::prefLabel(g, node));
    bool ok = false;
    code.toInt(&ok);
    return ok && (code.size() == 2 || code.size() == 4);
}

// What a resource is in the tree, by its types.
Kind kindOf(const Graph &g, int model, int i)
{
    const quint16 t = typesOf(g, i);
    if (g.node(i).deprecated && (t & (Skos::TypeConcept | Skos::TypeGroup)))
        return Kind::Deprecated;
    // Views across the tree (GEMET's themes and super-groups, arrays of
    // siblings) and collections without a name are not levels.
    if ((t & Skos::TypeArray)
        || ((t & Skos::TypeGroup) && model == Ids::GEMET && (t & (Skos::TypeTheme | Skos::TypeSuperGroup)))
        || ((t & Skos::TypeGroup) && !hasName(g, i)))
        return Kind::View;
    if (t & Skos::TypeGroup)
        return Kind::Group;
    if (t & Skos::TypeConcept)
        return Kind::Concept;
    // A micro-thesaurus or a domain given as a concept scheme.
    if ((t & Skos::TypeScheme) && model == Ids::EUROVOC && hasEurovocCode(g, i))
        return Kind::Group;
    return Kind::None;
}

QVector<Kind> classify(const Graph &g, int model, Plan &plan)
{
    const int count = g.size();
    QVector<Kind> kinds(count, Kind::None);
    for (int i = 0; i < count; ++i) {
        kinds[i] = kindOf(g, model, i);
        if (kinds.at(i) == Kind::Deprecated)
            ++plan.deprecated;
        else if (kinds.at(i) == Kind::View)
            ++plan.viewGroups;
    }
    // A concept scheme held by a group, or holding itself in one, is a
    // micro-thesaurus.
    for (int i = 0; i < count; ++i) {
        const auto isScheme = [&](int k) { return kinds.at(k) == Kind::None && (typesOf(g, k) & Skos::TypeScheme); };
        if (kinds.at(i) == Kind::Group)
            for (int m : g.members(i))
                if (isScheme(m))
                    kinds[m] = Kind::Group;
        if (isScheme(i))
            for (int c : g.containers(i))
                if (kinds.at(c) == Kind::Group)
                    kinds[i] = Kind::Group;
    }
    return kinds;
}

void note(Plan &plan, const QString &text)
{
    if (plan.problems.size() < kMaxProblems)
        plan.problems.append(text);
}

QString nameOf(const Graph &g, const Entry &e)
{
    if (!e.uri.isEmpty())
        return e.uri;
    return e.node >= 0 ? QString::fromUtf8(g.key(e.node)) : e.dex;
}

void makeEntries(const Graph &g, const QVector<Kind> &kinds, Plan &plan)
{
    plan.entryOfNode.fill(-1, g.size());
    for (int i = 0; i < g.size(); ++i) {
        if (kinds.at(i) != Kind::Concept && kinds.at(i) != Kind::Group)
            continue;
        Entry e;
        e.node = i;
        e.group = kinds.at(i) == Kind::Group;
        e.leaf = !e.group;
        e.dex = SkosPlan::prefLabel(g, i);
        if (e.dex.isEmpty())
            e.dex = e.group && g.hasNotation(i) ? g.notation(i) : localName(g, i);
        if (!g.isBlank(i))
            e.uri = QString::fromUtf8(g.key(i));
        plan.entryOfNode[i] = static_cast<int>(plan.entries.size());
        plan.entries.append(e);
    }
}

// Where each row may hang: strong candidates (broader concepts and
// containing groups) come before weak ones (the groups a concept belongs
// to).  A group hangs only under groups, so hanging a concept under a group
// never closes a loop.
struct Candidates
{
    QVector<QVector<int>> strong;
    QVector<QVector<int>> weak;
};

void addCandidate(QVector<int> &list, int candidate)
{
    if (!list.contains(candidate))
        list.append(candidate);
}

// The candidates the broader and narrower links of row e give; a link of a
// row to itself is noted and left out.
void addLinkCandidates(const Graph &g, Plan &plan, int e, Candidates &c)
{
    const QVector<Entry> &entries = plan.entries;
    const bool group = entries.at(e).group;
    for (const Skos::Link &l : g.links(entries.at(e).node)) {
        const int t = plan.entryOfNode.at(l.target);
        if (t < 0)
            continue;
        if (t == e) {
            ++plan.selfLinks;
            note(plan, QStringLiteral("%1 is linked to itself: the link is not stored").arg(nameOf(g, entries.at(e))));
            continue;
        }
        const bool targetGroup = entries.at(t).group;
        if (l.kind == LinkKind::Broader && (!group || targetGroup))
            addCandidate(c.strong[e], t);
        else if (l.kind == LinkKind::Narrower && (group || !targetGroup))
            addCandidate(c.strong[t], e);
    }
}

// The candidates of membership: the members of group row e hang under it,
// and row e under the groups that hold it.
void addGroupCandidates(const Graph &g, const Plan &plan, int e, Candidates &c)
{
    const QVector<Entry> &entries = plan.entries;
    const int node = entries.at(e).node;
    const bool group = entries.at(e).group;
    if (group)
        for (int m : g.members(node)) {
            const int me = plan.entryOfNode.at(m);
            if (me >= 0 && me != e)
                addCandidate(entries.at(me).group ? c.strong[me] : c.weak[me], e);
        }
    for (int k : g.containers(node)) {
        const int ce = plan.entryOfNode.at(k);
        if (ce >= 0 && ce != e && entries.at(ce).group)
            addCandidate(group ? c.strong[e] : c.weak[e], ce);
    }
}

Candidates findCandidates(const Graph &g, Plan &plan)
{
    const QVector<Entry> &entries = plan.entries;
    Candidates c;
    c.strong.resize(entries.size());
    c.weak.resize(entries.size());
    for (int e = 0; e < entries.size(); ++e) {
        addLinkCandidates(g, plan, e, c);
        addGroupCandidates(g, plan, e, c);
    }
    const auto byLabel = [&](QVector<int> &list) {
        if (list.size() > 1)
            std::sort(list.begin(), list.end(), [&](int a, int b) { return labelLess(entries.at(a), entries.at(b)); });
    };
    for (int e = 0; e < entries.size(); ++e) {
        byLabel(c.strong[e]);
        byLabel(c.weak[e]);
    }
    return c;
}

// EUROVOC: a micro-thesaurus that no domain holds goes under the field its
// code begins with, made up when the file gives no domain of that code.
void addEurovocFields(const Graph &g, Plan &plan, Candidates &c)
{
    QHash<QString, int> fieldOfCode;
    QVector<QPair<int, QString>> orphans;
    for (int e = 0; e < plan.entries.size(); ++e) {
        const Entry &entry = plan.entries.at(e);
        if (!entry.group)
            continue;
        const QString code = g.hasNotation(entry.node) ? g.notation(entry.node).trimmed()
                                                       : leadingDigits(SkosPlan::prefLabel(g, entry.node));
        if (code.size() == 2 && code.at(0).isDigit() && code.at(1).isDigit())
            fieldOfCode.insert(code, e);
        else if (code.size() == 4 && leadingDigits(code) == code && c.strong.at(e).isEmpty())
            orphans.append({e, code.left(2)});
    }
    for (const auto &[e, code] : std::as_const(orphans)) {
        auto it = fieldOfCode.find(code);
        if (it == fieldOfCode.end()) {
            Entry field;
            field.group = true;
            field.leaf = false;
            field.dex = code;
            for (const QString &f : Scelte::eurovocFields())
                if (f.startsWith(code + QLatin1Char(' ')))
                    field.dex = f;
            field.uri = QString::fromLatin1(Ids::DomainNamespace) + code;
            it = fieldOfCode.insert(code, static_cast<int>(plan.entries.size()));
            plan.entries.append(field);
            c.strong.append(QVector<int>());
            c.weak.append(QVector<int>());
        }
        c.strong[e].append(it.value());
    }
}

// The strong parent of every row, without loops: first each row takes its
// first candidate; then each loop this makes is opened at one row that can
// take another candidate leading elsewhere, or, when none can, at one row
// that becomes the top of that part.  Every step is linear in the rows and
// links, so a long chain costs no more than a wide tree.
class Forest
{
public:
    Forest(const Graph &g, Plan &plan, const Candidates &c)
        : m_g(g), m_plan(plan), m_c(c), m_parent(plan.entries.size(), -1), m_stamp(plan.entries.size(), 0),
          m_islandRoot(plan.entries.size(), false)
    {
        for (int e = 0; e < m_parent.size(); ++e)
            if (!m_c.strong.at(e).isEmpty())
                m_parent[e] = m_c.strong.at(e).first();
        for (QVector<int> loops = findLoops(); !loops.isEmpty(); loops = findLoops())
            for (int start : std::as_const(loops))
                open(loopFrom(start));
    }

    int parent(int e) const { return m_parent.at(e); }
    bool islandRoot(int e) const { return m_islandRoot.at(e); }

private:
    // One row of each loop.  A row's walk up ends at a row with no parent,
    // at a row already known, or back on itself (a loop).
    QVector<int> findLoops()
    {
        enum : quint8 { Unknown, Done, OnWalk };
        QVector<quint8> state(m_parent.size(), Unknown);
        QVector<int> loops;
        QVector<int> walk;
        for (int e = 0; e < m_parent.size(); ++e) {
            walk.clear();
            int v = e;
            while (v >= 0 && state.at(v) == Unknown) {
                state[v] = OnWalk;
                walk.append(v);
                v = m_parent.at(v);
            }
            if (v >= 0 && state.at(v) == OnWalk)
                loops.append(v);
            for (int w : std::as_const(walk))
                state[w] = Done;
        }
        return loops;
    }

    QVector<int> loopFrom(int start) const
    {
        QVector<int> loop{start};
        for (int v = m_parent.at(start); v != start; v = m_parent.at(v))
            loop.append(v);
        return loop;
    }

    // Would taking candidate as the parent of e leave e outside any loop?
    bool leadsElsewhere(int e, int candidate)
    {
        ++m_now;
        for (int v = candidate; v >= 0; v = m_parent.at(v)) {
            if (v == e)
                return false;
            if (m_stamp.at(v) == m_now)
                return true; // another loop, which does not hold e
            m_stamp[v] = m_now;
        }
        return true;
    }

    void open(QVector<int> loop)
    {
        // The link that closes a loop is, as far as the file tells, the one
        // read last: try the rows from the last one back.
        std::sort(loop.begin(), loop.end(), std::greater<int>());
        for (int e : std::as_const(loop)) {
            for (const int candidate : m_c.strong.at(e)) {
                if (candidate == m_parent.at(e) || !leadsElsewhere(e, candidate))
                    continue;
                notFollowed(e, m_parent.at(e));
                m_parent[e] = candidate;
                return;
            }
        }
        // Nothing above the loop: one of its rows becomes its top, a row
        // that belongs to a group or is a top concept if there is one.
        const auto attaches = [&](int e) {
            const Entry &entry = m_plan.entries.at(e);
            return !m_c.weak.at(e).isEmpty() || (entry.node >= 0 && m_g.node(entry.node).topConcept);
        };
        int top = loop.first();
        for (int e : std::as_const(loop)) {
            const bool better = attaches(e) != attaches(top) ? attaches(e)
                                                             : labelLess(m_plan.entries.at(e), m_plan.entries.at(top));
            if (better)
                top = e;
        }
        notFollowed(top, m_parent.at(top));
        m_parent[top] = -1;
        m_islandRoot[top] = true;
    }

    void notFollowed(int e, int parent)
    {
        ++m_plan.cycleLinks;
        note(m_plan, QStringLiteral("%1 broader %2 not followed in the tree: it would close a cycle")
                         .arg(nameOf(m_g, m_plan.entries.at(e)), nameOf(m_g, m_plan.entries.at(parent))));
    }

    const Graph &m_g;
    Plan &m_plan;
    const Candidates &m_c;
    QVector<int> m_parent;
    QVector<int> m_stamp;
    int m_now = 0;
    QVector<bool> m_islandRoot;
};

// Does the file give the node a broader resource other than itself?
bool hasBroader(const Graph &g, int node)
{
    for (const Skos::Link &l : g.links(node))
        if (l.kind == LinkKind::Broader && l.target != node)
            return true;
    return false;
}

// The parent of every row, and why a top-level concept is outside the tree.
void placeRows(const Graph &g, Plan &plan, const Candidates &c)
{
    const Forest forest(g, plan, c);
    bool fileNamesTops = false;
    for (int i = 0; i < g.size(); ++i)
        fileNamesTops = fileNamesTops || g.node(i).topConcept;
    for (int e = 0; e < plan.entries.size(); ++e) {
        Entry &entry = plan.entries[e];
        entry.parent = forest.parent(e);
        if (entry.parent >= 0 || entry.group)
            continue;
        if (!c.weak.at(e).isEmpty()) {
            entry.parent = c.weak.at(e).first();
            continue;
        }
        const bool broader = hasBroader(g, entry.node);
        const bool top = g.node(entry.node).topConcept || (!fileNamesTops && !broader && !forest.islandRoot(e));
        if (top) {
            entry.leaf = false;
            ++plan.topConcepts;
        } else {
            entry.outside = forest.islandRoot(e) ? Outside::Cycle : broader ? Outside::Dangling : Outside::NoPath;
        }
    }
}

// Names of the grouping levels: the top ones as the choice dialog lists
// that thesaurus's subsets (EUROVOC: the fields, found by their URI).
void nameGroups(const Graph &g, int model, Plan &plan)
{
    for (Entry &e : plan.entries) {
        if (!e.group || e.node < 0)
            continue;
        const QString notation = g.notation(e.node);
        QString label = SkosPlan::prefLabel(g, e.node);
        if (label.isEmpty() && notation.isEmpty())
            label = localName(g, e.node);
        if (e.parent >= 0) {
            e.dex = SkosPlan::groupName(notation, label);
            continue;
        }
        e.dex = asListed(model, SkosPlan::topLevelName(model, notation, label));
        if (model == Ids::EUROVOC) {
            const QString code = SkosPlan::fieldCode(notation, label);
            if (!code.isEmpty())
                e.uri = QString::fromLatin1(Ids::DomainNamespace) + code;
        }
    }
}

// Is the row found by Mapping > New as the top of one of the 21 EUROVOC
// fields the choice lists?
bool isListedField(const QString &uri)
{
    const QLatin1String prefix(Ids::DomainNamespace);
    if (!uri.startsWith(prefix) || uri.size() != prefix.size() + 2)
        return false;
    const QString code = uri.mid(prefix.size());
    for (const QString &field : Scelte::eurovocFields())
        if (field.startsWith(code + QLatin1Char(' ')))
            return true;
    return false;
}

// The plan's counts of groups, concepts, and concepts outside the tree by reason.
void countRows(Plan &plan)
{
    for (const Entry &e : std::as_const(plan.entries)) {
        if (e.group) {
            ++plan.groups;
            if (e.parent < 0)
                ++plan.topGroups;
            continue;
        }
        ++plan.concepts;
        switch (e.outside) {
        case Outside::No: ++plan.inTree; break;
        case Outside::NoPath: ++plan.outsideNoPath; break;
        case Outside::Dangling: ++plan.outsideDangling; break;
        case Outside::Cycle: ++plan.outsideCycle; break;
        case Outside::NoField: ++plan.outsideNoField; break;
        }
    }
}

// Which rows the trees reach: everything below a top-level row that the
// tree's root query finds (for EUROVOC a field, found by its URI).  The rows
// below a top-level row that it does not find share that row's reason.
void markTree(int model, Plan &plan)
{
    QVector<Entry> &entries = plan.entries;
    QVector<QVector<int>> children(entries.size());
    QVector<int> queue;
    for (int e = 0; e < entries.size(); ++e) {
        if (entries.at(e).parent >= 0) {
            children[entries.at(e).parent].append(e);
            continue;
        }
        Entry &top = entries[e];
        if (top.outside == Outside::No) {
            const bool found = model == Ids::EUROVOC ? isListedField(top.uri) : !top.leaf;
            if (!found)
                top.outside = model == Ids::EUROVOC ? Outside::NoField : Outside::NoPath;
        }
        queue.append(e);
    }
    for (int i = 0; i < queue.size(); ++i)
        for (int child : std::as_const(children.at(queue.at(i)))) {
            entries[child].outside = entries.at(queue.at(i)).outside;
            queue.append(child);
        }
    countRows(plan);
}

} // namespace

void SkosPlan::forEachText(const Graph &g, int node, const TextVisitor &f, qint64 *withoutText)
{
    for (const Skos::Text &t : g.texts(node))
        if (t.kind != TextKind::LiteralForm && t.kind != TextKind::Value)
            f(t.kind, t.lang, g.view(t.value));
    for (const Skos::Resource &ref : g.resources(node)) {
        // A SKOS-XL label gives its literal form, a note its rdf:value.
        const bool label = ref.kind == TextKind::PrefLabel || ref.kind == TextKind::AltLabel
                           || ref.kind == TextKind::HiddenLabel;
        const TextKind wanted = label ? TextKind::LiteralForm : TextKind::Value;
        bool found = false;
        for (const Skos::Text &t : g.texts(ref.node))
            if (t.kind == wanted) {
                f(ref.kind, t.lang, g.view(t.value));
                found = true;
            }
        if (!found && withoutText)
            ++*withoutText;
    }
}

QString SkosPlan::prefLabel(const Graph &g, int node)
{
    QByteArrayView english, untagged, first;
    bool haveEnglish = false, haveUntagged = false, haveFirst = false;
    forEachText(g, node, [&](TextKind kind, int lang, QByteArrayView value) {
        if (kind != TextKind::PrefLabel)
            return;
        const QString &tag = g.languages.at(lang);
        if (!haveEnglish && isEnglish(tag)) {
            english = value;
            haveEnglish = true;
        } else if (!haveUntagged && tag.isEmpty()) {
            untagged = value;
            haveUntagged = true;
        }
        if (!haveFirst) {
            first = value;
            haveFirst = true;
        }
    });
    return QString::fromUtf8(haveEnglish ? english : haveUntagged ? untagged : first);
}

QString SkosPlan::fieldCode(const QString &notation, const QString &label)
{
    QString code = notation.trimmed();
    if (code.isEmpty())
        code = leadingDigits(label);
    // A field is named by one or two digits; "2.1" or "5206" names none.
    bool ok = false;
    const int n = code.toInt(&ok);
    return ok && code.size() <= 2 && n >= 0 ? QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')) : QString();
}

QString SkosPlan::topLevelName(int model, const QString &notation, const QString &label)
{
    const QString code = notation.trimmed();
    if (label.trimmed().isEmpty())
        return model == Ids::EUROVOC && !fieldCode(code, label).isEmpty() ? fieldCode(code, label) : code;
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
        for (const QString &f : Scelte::eurovocFields())
            if (!field.isEmpty() && f.startsWith(field + QLatin1Char(' ')))
                return f;
        QString name = withoutLeading(withoutLeading(label, code), field).toUpper();
        return field.isEmpty() ? name : field + QLatin1Char(' ') + name;
    }
    case Ids::GEMET: return asListed(Ids::GEMET, label);
    default: return label;
    }
}

QString SkosPlan::groupName(const QString &notation, const QString &label)
{
    const QString code = notation.trimmed();
    if (code.isEmpty() || label.startsWith(code))
        return label;
    if (label.trimmed().isEmpty())
        return code;
    return code + QLatin1Char(' ') + label;
}

Plan SkosPlan::build(const Graph &g, int model)
{
    Plan plan;
    const QVector<Kind> kinds = classify(g, model, plan);
    plan.setAside.resize(kinds.size());
    for (int i = 0; i < kinds.size(); ++i)
        plan.setAside[i] = kinds.at(i) == Kind::View || kinds.at(i) == Kind::Deprecated;
    makeEntries(g, kinds, plan);
    Candidates candidates = findCandidates(g, plan);
    if (model == Ids::EUROVOC)
        addEurovocFields(g, plan, candidates);
    placeRows(g, plan, candidates);
    nameGroups(g, model, plan);
    markTree(model, plan);
    return plan;
}
