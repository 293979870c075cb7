#include "tools/skos_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <raptor2.h>

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

const QByteArray kRdf = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
const QByteArray kRdfs = "http://www.w3.org/2000/01/rdf-schema#";
const QByteArray kOwl = "http://www.w3.org/2002/07/owl#";
const QByteArray kSkos = "http://www.w3.org/2004/02/skos/core#";
const QByteArray kSkosXl = "http://www.w3.org/2008/05/skos-xl#";
const QByteArray kIsoThes = "http://purl.org/iso25964/skos-thes#";
const QByteArray kEuVoc = "http://publications.europa.eu/ontology/euvoc#";
const QByteArray kGemetSchema = "http://www.eionet.europa.eu/gemet/2004/06/gemet-schema.rdf#";
const QByteArray kUneskos = "http://purl.org/umu/uneskos#";

enum class Pred : quint8 {
    Type,
    SubClassOf,
    Deprecated,
    PrefLabel,
    AltLabel,
    HiddenLabel,
    ScopeNote,
    Definition,
    XlPrefLabel,
    XlAltLabel,
    XlHiddenLabel,
    LiteralForm,
    Value,
    Broader,
    Narrower,
    Related,
    Member,       // the subject holds the object
    Container,    // the object holds the subject
    HasTopConcept,
    TopConceptOf,
    Notation
};

const QHash<QByteArray, Pred> &predicates()
{
    static const QHash<QByteArray, Pred> table = {
        {kRdf + "type", Pred::Type},
        {kRdfs + "subClassOf", Pred::SubClassOf},
        {kOwl + "deprecated", Pred::Deprecated},
        {kSkos + "prefLabel", Pred::PrefLabel},
        {kSkos + "altLabel", Pred::AltLabel},
        {kSkos + "hiddenLabel", Pred::HiddenLabel},
        {kSkos + "scopeNote", Pred::ScopeNote},
        {kSkos + "definition", Pred::Definition},
        {kSkosXl + "prefLabel", Pred::XlPrefLabel},
        {kSkosXl + "altLabel", Pred::XlAltLabel},
        {kSkosXl + "hiddenLabel", Pred::XlHiddenLabel},
        {kSkosXl + "literalForm", Pred::LiteralForm},
        {kRdf + "value", Pred::Value},
        {kSkos + "broader", Pred::Broader},
        {kSkos + "narrower", Pred::Narrower},
        {kSkos + "related", Pred::Related},
        {kSkos + "member", Pred::Member},
        {kIsoThes + "subGroup", Pred::Member},
        {kIsoThes + "superGroup", Pred::Container},
        {kSkos + "inScheme", Pred::Container},
        {kEuVoc + "domain", Pred::Container},
        {kGemetSchema + "group", Pred::Container},
        {kGemetSchema + "theme", Pred::Container},
        {kGemetSchema + "subGroupOf", Pred::Container},
        {kUneskos + "memberOf", Pred::Container},
        {kSkos + "topConceptOf", Pred::TopConceptOf},
        {kSkos + "hasTopConcept", Pred::HasTopConcept},
        {kSkos + "notation", Pred::Notation},
    };
    return table;
}

// The types a class IRI stands for by itself (0 when it is of no interest).
quint16 typeOf(const QByteArray &cls)
{
    if (cls == kSkos + "Concept")
        return Skos::TypeConcept;
    if (cls == kSkos + "Collection" || cls == kSkos + "OrderedCollection" || cls == kIsoThes + "ConceptGroup")
        return Skos::TypeGroup;
    if (cls == kIsoThes + "ThesaurusArray")
        return Skos::TypeArray;
    if (cls == kSkos + "ConceptScheme")
        return Skos::TypeScheme;
    if (cls == kSkosXl + "Label")
        return Skos::TypeXlLabel;
    // Publishers name their grouping levels in their own vocabularies
    // (unescovoc:Domain, unescovoc:MicroThesaurus, euvoc:Domain, gemet:Group...).
    const int cut = static_cast<int>(qMax(cls.lastIndexOf('#'), cls.lastIndexOf('/')));
    const QByteArray local = cls.mid(cut + 1).toLower();
    if (local == "domain")
        return Skos::TypeGroup | Skos::TypeDomain;
    if (local == "microthesaurus")
        return Skos::TypeGroup | Skos::TypeMicroThesaurus;
    if (local == "field" || local == "group")
        return Skos::TypeGroup;
    if (local == "theme")
        return Skos::TypeGroup | Skos::TypeTheme;
    if (local == "supergroup")
        return Skos::TypeGroup | Skos::TypeSuperGroup;
    if (local == "thsys" || local == "category")
        return Skos::TypeGroup | Skos::TypeCategory;
    return 0;
}

QByteArray termKey(raptor_term *t)
{
    if (t->type == RAPTOR_TERM_TYPE_URI) {
        size_t len = 0;
        const unsigned char *s = raptor_uri_as_counted_string(t->value.uri, &len);
        return QByteArray(reinterpret_cast<const char *>(s), static_cast<qsizetype>(len));
    }
    if (t->type == RAPTOR_TERM_TYPE_BLANK)
        return QByteArray("_:")
               + QByteArray(reinterpret_cast<const char *>(t->value.blank.string),
                            static_cast<qsizetype>(t->value.blank.string_len));
    return {};
}

bool isResource(raptor_term *t)
{
    return t->type == RAPTOR_TERM_TYPE_URI || t->type == RAPTOR_TERM_TYPE_BLANK;
}

QString literalText(raptor_term *o)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(o->value.literal.string),
                             static_cast<qsizetype>(o->value.literal.string_len));
}

QString literalLanguage(raptor_term *o)
{
    if (!o->value.literal.language)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char *>(o->value.literal.language),
                             static_cast<qsizetype>(o->value.literal.language_len));
}

Skos::TextKind textKindOf(Pred p)
{
    switch (p) {
    case Pred::PrefLabel:
    case Pred::XlPrefLabel: return Skos::TextKind::PrefLabel;
    case Pred::AltLabel:
    case Pred::XlAltLabel: return Skos::TextKind::AltLabel;
    case Pred::HiddenLabel:
    case Pred::XlHiddenLabel: return Skos::TextKind::HiddenLabel;
    case Pred::ScopeNote: return Skos::TextKind::ScopeNote;
    case Pred::Definition: return Skos::TextKind::Definition;
    case Pred::LiteralForm: return Skos::TextKind::LiteralForm;
    default: return Skos::TextKind::Value;
    }
}

// What the reading keeps between two statements.
struct Context
{
    Skos::Graph *graph = nullptr;
    raptor_parser *parser = nullptr;
    const Skos::ReadProgress *progress = nullptr;
    qint64 totalLines = 0;
    bool cancelled = false;
    bool failed = false;
    int errorLine = 0;
    QString errorText;
};

void reportProgress(Context &ctx)
{
    // Progress goes by the line being read: Turtle is parsed only once the
    // whole text is in, so the bytes fed tell nothing about it.
    raptor_locator *where = raptor_parser_get_locator(ctx.parser);
    const qint64 line = where && where->line > 0 ? where->line : 0;
    if (!(*ctx.progress)(qMin(line, ctx.totalLines), ctx.totalLines)) {
        ctx.cancelled = true;
        raptor_parser_parse_abort(ctx.parser);
    }
}

void onType(Skos::Graph &g, raptor_statement *st)
{
    if (st->object->type != RAPTOR_TERM_TYPE_URI) {
        ++g.invalidStatements;
        return;
    }
    const QByteArray cls = termKey(st->object);
    const int node = g.nodeFor(termKey(st->subject));
    Skos::Node &n = g.nodes[node];
    ++n.typeStatements;
    if (const quint16 t = typeOf(cls)) {
        n.types |= t;
        return;
    }
    // A class of the publisher's own: it may be declared a subclass of a
    // SKOS class anywhere in the file.
    g.typedAs.append({node, g.classFor(cls)});
}

void onLiteral(Skos::Graph &g, raptor_statement *st, Pred pred)
{
    raptor_term *o = st->object;
    if (o->type != RAPTOR_TERM_TYPE_LITERAL) {
        ++g.invalidStatements;
        return;
    }
    const QString value = literalText(o).trimmed();
    if (pred == Pred::Deprecated) {
        g.nodes[g.nodeFor(termKey(st->subject))].deprecated = value == QLatin1String("true") || value == QLatin1String("1");
        return;
    }
    if (value.isEmpty()) {
        ++g.invalidStatements;
        return;
    }
    Skos::Node &n = g.nodes[g.nodeFor(termKey(st->subject))];
    if (pred == Pred::Notation) {
        if (n.notation.isEmpty())
            n.notation = value;
        else if (n.notation == value)
            ++g.repeatedStatements;
        else
            ++g.unusedStatements; // a second notation: the tree names a level by one
        return;
    }
    n.texts.append({textKindOf(pred), g.language(literalLanguage(o)), value});
}

void onLink(Skos::Graph &g, raptor_statement *st, Pred pred)
{
    if (!isResource(st->object)) {
        ++g.invalidStatements;
        return;
    }
    if (pred == Pred::SubClassOf) {
        g.subClassOf.append({g.classFor(termKey(st->subject)), g.classFor(termKey(st->object))});
        return;
    }
    const int s = g.nodeFor(termKey(st->subject));
    const int target = g.nodeFor(termKey(st->object));
    Skos::Node &n = g.nodes[s];
    switch (pred) {
    case Pred::XlPrefLabel:
    case Pred::XlAltLabel:
    case Pred::XlHiddenLabel:
    case Pred::ScopeNote:
    case Pred::Definition: n.textRefs.append({textKindOf(pred), target}); break;
    case Pred::Broader: n.links.append({Skos::LinkKind::Broader, target}); break;
    case Pred::Narrower: n.links.append({Skos::LinkKind::Narrower, target}); break;
    case Pred::Related: n.links.append({Skos::LinkKind::Related, target}); break;
    case Pred::Member: n.members.append(target); break;
    case Pred::HasTopConcept:
        n.members.append(target);
        n.namesTops = true;
        g.nodes[target].topConcept = true;
        break;
    case Pred::Container: n.containers.append(target); break;
    case Pred::TopConceptOf:
        n.containers.append(target);
        n.topConcept = true;
        g.nodes[target].namesTops = true;
        break;
    default: break;
    }
}

void onStatement(void *userData, raptor_statement *st)
{
    auto *ctx = static_cast<Context *>(userData);
    Skos::Graph &g = *ctx->graph;
    ++g.statements;
    if ((g.statements & 2047) == 0 && ctx->progress && *ctx->progress && !ctx->cancelled) {
        reportProgress(*ctx);
        if (ctx->cancelled)
            return;
    }
    if (st->predicate->type != RAPTOR_TERM_TYPE_URI || !isResource(st->subject)) {
        ++g.unusedStatements;
        return;
    }
    size_t plen = 0;
    const unsigned char *p = raptor_uri_as_counted_string(st->predicate->value.uri, &plen);
    const auto it = predicates().constFind(
        QByteArray::fromRawData(reinterpret_cast<const char *>(p), static_cast<qsizetype>(plen)));
    if (it == predicates().constEnd()) {
        ++g.unusedStatements;
        return;
    }
    const Pred pred = it.value();
    switch (pred) {
    case Pred::Type: onType(g, st); return;
    case Pred::PrefLabel:
    case Pred::AltLabel:
    case Pred::HiddenLabel:
    case Pred::LiteralForm:
    case Pred::Value:
    case Pred::Notation:
    case Pred::Deprecated: onLiteral(g, st, pred); return;
    case Pred::ScopeNote:
    case Pred::Definition:
        // A note is a text, or a resource holding the text in rdf:value.
        if (st->object->type == RAPTOR_TERM_TYPE_LITERAL)
            onLiteral(g, st, pred);
        else
            onLink(g, st, pred);
        return;
    default: onLink(g, st, pred); return;
    }
}

void onLog(void *userData, raptor_log_message *message)
{
    auto *ctx = static_cast<Context *>(userData);
    if (message->level < RAPTOR_LOG_LEVEL_ERROR || ctx->failed || ctx->cancelled)
        return;
    ctx->failed = true;
    ctx->errorLine = message->locator ? message->locator->line : 0;
    ctx->errorText = QString::fromUtf8(message->text ? message->text : "syntax error");
}

const char *parserName(Skos::Format f)
{
    switch (f) {
    case Skos::Format::RdfXml: return "rdfxml";
    case Skos::Format::NTriples: return "ntriples";
    default: return "turtle";
    }
}

// Removes repeated values from a list, keeping the first of each and the
// order of the file; returns how many were removed.  Long lists are sorted
// through an index, so a resource with many values costs n log n.
template <typename T, typename Less, typename Equal>
qint64 removeRepeated(QVector<T> &list, Less less, Equal equal)
{
    const qsizetype n = list.size();
    if (n < 2)
        return 0;
    QVector<bool> repeated(n, false);
    if (n <= 16) {
        for (qsizetype i = 1; i < n; ++i)
            for (qsizetype j = 0; j < i && !repeated.at(i); ++j)
                if (!repeated.at(j) && equal(list.at(i), list.at(j)))
                    repeated[i] = true;
    } else {
        QVector<qsizetype> order(n);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return less(list.at(a), list.at(b)); });
        for (qsizetype k = 1; k < n; ++k)
            if (equal(list.at(order.at(k)), list.at(order.at(k - 1))))
                repeated[order.at(k)] = true;
    }
    qsizetype kept = 0;
    for (qsizetype i = 0; i < n; ++i)
        if (!repeated.at(i))
            list[kept++] = list.at(i);
    const qint64 removed = n - kept;
    list.resize(kept);
    return removed;
}

qint64 removeRepeatedValues(Skos::Node &n)
{
    using Skos::Link;
    using Skos::Text;
    using Skos::TextRef;
    qint64 removed = removeRepeated(
        n.texts,
        [](const Text &a, const Text &b) {
            if (a.kind != b.kind)
                return a.kind < b.kind;
            if (a.lang != b.lang)
                return a.lang < b.lang;
            return a.value < b.value;
        },
        [](const Text &a, const Text &b) { return a.kind == b.kind && a.lang == b.lang && a.value == b.value; });
    removed += removeRepeated(
        n.links,
        [](const Link &a, const Link &b) { return a.kind != b.kind ? a.kind < b.kind : a.target < b.target; },
        [](const Link &a, const Link &b) { return a.kind == b.kind && a.target == b.target; });
    removed += removeRepeated(
        n.textRefs,
        [](const TextRef &a, const TextRef &b) { return a.kind != b.kind ? a.kind < b.kind : a.node < b.node; },
        [](const TextRef &a, const TextRef &b) { return a.kind == b.kind && a.node == b.node; });
    // skos:inScheme and skos:topConceptOf of one scheme are two statements
    // that say one thing here: kept once, not counted as repeated.
    removeRepeated(n.members, std::less<int>(), std::equal_to<int>());
    removeRepeated(n.containers, std::less<int>(), std::equal_to<int>());
    return removed;
}

// Looks at the bytes of the file before the RDF library does: counts the
// lines (for the progress), skips a byte-order mark, refuses the character
// U+0000 (the library would cut a text there without a word) and RDF/XML
// nested so deep that the library would work for hours.
class Prescan
{
public:
    explicit Prescan(Skos::Format format) : m_xml(format == Skos::Format::RdfXml) {}

    void feed(const char *data, qint64 size)
    {
        const char *end = data + size;
        for (const char *p = data; p < end && m_problem.isEmpty(); ++p) {
            const char c = *p;
            if (c == '\n')
                ++m_lines;
            if (c == '\0') {
                fail(QStringLiteral("a text holds the character U+0000, which cannot be stored"));
                return;
            }
            if (m_xml)
                xml(c);
            else
                escape(c);
        }
    }

    qint64 lines() const { return m_lines; }
    QString problem() const { return m_problem; }
    qint64 problemLine() const { return m_problemLine; }

private:
    void fail(const QString &why)
    {
        m_problem = why;
        m_problemLine = m_lines;
    }

    // Turtle and N-Triples write U+0000 as \u0000 or \U00000000; an even run
    // of backslashes before the u is an escaped backslash, not an escape.
    void escape(char c)
    {
        if (m_escape > 0) {
            if (c == '0') {
                if (++m_zeros == m_escape)
                    fail(QStringLiteral("a text holds the character U+0000 (written \\u0000), which cannot be stored"));
                return;
            }
            m_escape = 0;
        }
        if ((c == 'u' || c == 'U') && m_backslashes % 2 == 1) {
            m_escape = c == 'u' ? 4 : 8;
            m_zeros = 0;
            m_backslashes = 0;
            return;
        }
        m_backslashes = c == '\\' ? m_backslashes + 1 : 0;
    }

    // Element depth of RDF/XML, outside comments, processing instructions,
    // CDATA sections, the document type and quoted attribute values.
    void xml(char c)
    {
        switch (m_state) {
        case State::Text:
            if (c == '<')
                m_state = State::Open;
            return;
        case State::Open:
            m_tail.clear();
            if (c == '/') {
                m_state = State::EndTag;
                if (m_depth > 0)
                    --m_depth;
            } else if (c == '?') {
                m_state = State::Instruction;
            } else if (c == '!') {
                m_state = State::Declaration;
            } else {
                m_state = State::StartTag;
                m_previous = c;
                if (++m_depth > Skos::kMaxXmlDepth)
                    fail(QStringLiteral("elements are nested more than %1 deep").arg(Skos::kMaxXmlDepth));
            }
            return;
        case State::StartTag:
            if (c == '"' || c == '\'') {
                m_quote = c;
                m_state = State::Quoted;
            } else if (c == '>') {
                if (m_previous == '/' && m_depth > 0)
                    --m_depth;
                m_state = State::Text;
            }
            m_previous = c;
            return;
        case State::Quoted:
            if (c == m_quote)
                m_state = State::StartTag;
            m_previous = c;
            return;
        case State::EndTag:
            if (c == '>')
                m_state = State::Text;
            return;
        case State::Instruction:
            m_tail.append(c);
            if (m_tail.endsWith("?>"))
                m_state = State::Text;
            keepShortTail();
            return;
        case State::Declaration:
            m_tail.append(c);
            if (m_tail == "--") {
                m_state = State::Comment;
                m_tail.clear();
            } else if (m_tail == "[CDATA[") {
                m_state = State::CData;
                m_tail.clear();
            } else if (c == '[') {
                ++m_brackets;
            } else if (c == ']') {
                --m_brackets;
            } else if (c == '>' && m_brackets <= 0) {
                m_brackets = 0;
                m_state = State::Text;
            }
            keepShortTail();
            return;
        case State::Comment:
            m_tail.append(c);
            if (m_tail.endsWith("-->"))
                m_state = State::Text;
            keepShortTail();
            return;
        case State::CData:
            m_tail.append(c);
            if (m_tail.endsWith("]]>"))
                m_state = State::Text;
            keepShortTail();
            return;
        }
    }

    void keepShortTail()
    {
        if (m_tail.size() > 16)
            m_tail.remove(0, m_tail.size() - 8);
    }

    enum class State { Text, Open, StartTag, Quoted, EndTag, Instruction, Declaration, Comment, CData };

    bool m_xml;
    qint64 m_lines = 1;
    QString m_problem;
    qint64 m_problemLine = 0;
    // Turtle escapes
    int m_backslashes = 0;
    int m_escape = 0;
    int m_zeros = 0;
    // RDF/XML nesting
    State m_state = State::Text;
    int m_depth = 0;
    int m_brackets = 0;
    char m_quote = 0;
    char m_previous = 0;
    QByteArray m_tail;
};

bool startsWithBom(const QByteArray &bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF");
}

} // namespace

int Skos::Graph::nodeFor(const QByteArray &key)
{
    const auto it = index.constFind(key);
    if (it != index.constEnd())
        return it.value();
    const int i = static_cast<int>(nodes.size());
    nodes.append(Node());
    nodes.last().key = key;
    index.insert(key, i);
    return i;
}

int Skos::Graph::language(const QString &tag)
{
    const QString t = tag.toLower();
    const auto it = languageIndex.constFind(t);
    if (it != languageIndex.constEnd())
        return it.value();
    const int i = static_cast<int>(languages.size());
    languages.append(t);
    languageIndex.insert(t, i);
    return i;
}

int Skos::Graph::classFor(const QByteArray &iri)
{
    const auto it = classIndex.constFind(iri);
    if (it != classIndex.constEnd())
        return it.value();
    const int i = static_cast<int>(classNames.size());
    classNames.append(iri);
    classIndex.insert(iri, i);
    return i;
}

void Skos::Graph::resolveClasses()
{
    // The types of each class: its own, and those of its superclasses, as
    // far up as the file declares them (a fixed point, so loops end).
    QVector<quint16> types(classNames.size());
    for (int i = 0; i < classNames.size(); ++i)
        types[i] = typeOf(classNames.at(i));
    for (bool changed = true; changed;) {
        changed = false;
        for (const auto &[cls, super] : std::as_const(subClassOf)) {
            const quint16 t = types.at(cls) | types.at(super);
            if (t != types.at(cls)) {
                types[cls] = t;
                changed = true;
            }
        }
    }
    for (const auto &[node, cls] : std::as_const(typedAs))
        nodes[node].types |= types.at(cls);
}

Skos::Format Skos::detectFormat(const QString &path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("ttl") || ext == QLatin1String("turtle") || ext == QLatin1String("n3"))
        return Format::Turtle;
    if (ext == QLatin1String("nt"))
        return Format::NTriples;
    if (ext == QLatin1String("rdf") || ext == QLatin1String("xml") || ext == QLatin1String("owl"))
        return Format::RdfXml;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return Format::Turtle;
    QByteArray head = f.read(4096);
    if (startsWithBom(head))
        head.remove(0, 3);
    head = head.trimmed();
    if (head.startsWith("<?xml") || head.startsWith("<rdf:RDF") || head.startsWith("<!--"))
        return Format::RdfXml;
    return Format::Turtle; // Turtle reads N-Triples too
}

namespace {

Skos::ReadResult failure(const QString &path, const QString &why, qint64 line)
{
    Skos::ReadResult result;
    result.status = Skos::ReadResult::Status::Failed;
    result.line = line > 0 ? static_cast<int>(line) : 0;
    result.message = result.line > 0 ? QStringLiteral("The file %1 is not valid SKOS: line %2: %3")
                                           .arg(QFileInfo(path).fileName())
                                           .arg(result.line)
                                           .arg(why)
                                     : QStringLiteral("The file %1 is not valid SKOS: %2").arg(QFileInfo(path).fileName(), why);
    return result;
}

} // namespace

Skos::ReadResult Skos::read(const QString &path, Graph &graph, Format format, const ReadProgress &progress)
{
    ReadResult result;
    if (QFileInfo(path).isDir()) {
        result.status = ReadResult::Status::Failed;
        result.message = QStringLiteral("%1 is a folder, not a SKOS file.").arg(path);
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = ReadResult::Status::Failed;
        result.message = QStringLiteral("Cannot read the file %1: %2").arg(path, file.errorString());
        return result;
    }
    if (format == Format::Auto)
        format = detectFormat(path);

    // The bytes first, before the RDF library sees any of them.
    QByteArray chunk(256 * 1024, Qt::Uninitialized);
    Prescan prescan(format);
    for (qint64 n; (n = file.read(chunk.data(), chunk.size())) > 0 && prescan.problem().isEmpty();)
        prescan.feed(chunk.constData(), n);
    if (!prescan.problem().isEmpty())
        return failure(path, prescan.problem(), prescan.problemLine());
    file.seek(0);
    // The RDF library's Turtle reader refuses a byte-order mark.
    if (format != Format::RdfXml && startsWithBom(file.peek(3)))
        file.seek(3);

    Context ctx;
    ctx.graph = &graph;
    raptor_world *world = raptor_new_world();
    raptor_world_open(world);
    raptor_world_set_log_handler(world, &ctx, onLog);
    raptor_parser *parser = raptor_new_parser(world, parserName(format));
    raptor_parser_set_statement_handler(parser, &ctx, onStatement);
    const QByteArray base = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
    raptor_uri *baseUri = raptor_new_uri(world, reinterpret_cast<const unsigned char *>(base.constData()));
    ctx.parser = parser;
    ctx.progress = &progress;
    ctx.totalLines = prescan.lines();

    if (raptor_parser_parse_start(parser, baseUri) != 0 && !ctx.failed) {
        ctx.failed = true;
        ctx.errorText = QStringLiteral("the reader could not start");
    }
    while (!ctx.failed) {
        const qint64 n = file.read(chunk.data(), chunk.size());
        if (n < 0) {
            ctx.failed = true;
            ctx.errorText = file.errorString();
            break;
        }
        const bool last = n == 0;
        if (raptor_parser_parse_chunk(parser, reinterpret_cast<const unsigned char *>(chunk.constData()),
                                      static_cast<size_t>(n), last ? 1 : 0)
                != 0
            && !ctx.failed) {
            ctx.failed = true;
            ctx.errorText = QStringLiteral("syntax error");
        }
        if (last || ctx.cancelled)
            break;
    }

    raptor_free_uri(baseUri);
    raptor_free_parser(parser);
    raptor_free_world(world);

    if (ctx.cancelled) {
        result.status = ReadResult::Status::Cancelled;
        return result;
    }
    if (ctx.failed)
        return failure(path, ctx.errorText, ctx.errorLine);
    graph.resolveClasses();
    for (Node &n : graph.nodes)
        graph.repeatedStatements += removeRepeatedValues(n);
    return result;
}
