#include "tools/skos_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <raptor2.h>

#include <algorithm>
#include <cstring>

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
quint16 typeOf(QByteArrayView cls)
{
    static const QByteArray skosConcept = kSkos + "Concept", collection = kSkos + "Collection",
                            ordered = kSkos + "OrderedCollection", conceptGroup = kIsoThes + "ConceptGroup",
                            array = kIsoThes + "ThesaurusArray", scheme = kSkos + "ConceptScheme",
                            xlLabel = kSkosXl + "Label";
    if (cls == skosConcept)
        return Skos::TypeConcept;
    if (cls == collection || cls == ordered || cls == conceptGroup)
        return Skos::TypeGroup;
    if (cls == array)
        return Skos::TypeArray;
    if (cls == scheme)
        return Skos::TypeScheme;
    if (cls == xlLabel)
        return Skos::TypeXlLabel;
    // Publishers name their grouping levels in their own vocabularies
    // (unescovoc:Domain, unescovoc:MicroThesaurus, euvoc:Domain, gemet:Group...).
    const qsizetype cut = std::max(cls.lastIndexOf('#'), cls.lastIndexOf('/'));
    const QByteArray local = cls.sliced(cut + 1).toByteArray().toLower();
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

// The key of a resource: its IRI, or "_:" and the blank node's id.  The
// view points into the RDF library's memory or into buffer.
QByteArrayView termKey(raptor_term *t, QByteArray &buffer)
{
    if (t->type == RAPTOR_TERM_TYPE_URI) {
        size_t len = 0;
        const unsigned char *s = raptor_uri_as_counted_string(t->value.uri, &len);
        return QByteArrayView(reinterpret_cast<const char *>(s), static_cast<qsizetype>(len));
    }
    if (t->type == RAPTOR_TERM_TYPE_BLANK) {
        buffer = "_:";
        buffer.append(reinterpret_cast<const char *>(t->value.blank.string),
                      static_cast<qsizetype>(t->value.blank.string_len));
        return buffer;
    }
    return {};
}

int nodeOf(Skos::Graph &g, raptor_term *t)
{
    QByteArray buffer;
    return g.nodeFor(termKey(t, buffer));
}

bool isResource(raptor_term *t)
{
    return t->type == RAPTOR_TERM_TYPE_URI || t->type == RAPTOR_TERM_TYPE_BLANK;
}

QByteArrayView literalText(raptor_term *o)
{
    return QByteArrayView(reinterpret_cast<const char *>(o->value.literal.string),
                          static_cast<qsizetype>(o->value.literal.string_len))
        .trimmed();
}

QByteArrayView literalLanguage(raptor_term *o)
{
    if (!o->value.literal.language)
        return {};
    return QByteArrayView(reinterpret_cast<const char *>(o->value.literal.language),
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
    QByteArray buffer;
    const QByteArrayView cls = termKey(st->object, buffer);
    const int node = nodeOf(g, st->subject);
    Skos::Node &n = g.nodeAt(node);
    ++n.typeStatements;
    if (const quint16 t = typeOf(cls)) {
        n.types |= t;
        return;
    }
    // A class of the publisher's own: it may be declared a subclass of a
    // SKOS class anywhere in the file.
    g.addTypedAs(node, cls);
}

void onLiteral(Skos::Graph &g, raptor_statement *st, Pred pred)
{
    raptor_term *o = st->object;
    if (o->type != RAPTOR_TERM_TYPE_LITERAL) {
        ++g.invalidStatements;
        return;
    }
    const QByteArrayView value = literalText(o);
    if (pred == Pred::Deprecated) {
        g.nodeAt(nodeOf(g, st->subject)).deprecated = value == "true" || value == "1";
        return;
    }
    if (value.isEmpty()) {
        ++g.invalidStatements;
        return;
    }
    const int node = nodeOf(g, st->subject);
    if (pred == Pred::Notation) {
        Skos::Node &n = g.nodeAt(node);
        if (n.notation.size == 0)
            n.notation = g.store(value);
        else if (g.view(n.notation) == value)
            ++g.repeatedStatements;
        else
            ++g.unusedStatements; // a second notation: the tree names a level by one
        return;
    }
    g.addText(node, textKindOf(pred), g.language(literalLanguage(o)), value);
}

void onLink(Skos::Graph &g, raptor_statement *st, Pred pred)
{
    if (!isResource(st->object)) {
        ++g.invalidStatements;
        return;
    }
    if (pred == Pred::SubClassOf) {
        QByteArray a, b;
        g.addSubClassOf(termKey(st->subject, a), termKey(st->object, b));
        return;
    }
    const int s = nodeOf(g, st->subject);
    const int target = nodeOf(g, st->object);
    switch (pred) {
    case Pred::XlPrefLabel:
    case Pred::XlAltLabel:
    case Pred::XlHiddenLabel:
    case Pred::ScopeNote:
    case Pred::Definition: g.addResource(s, textKindOf(pred), target); break;
    case Pred::Broader: g.addLink(s, Skos::LinkKind::Broader, target); break;
    case Pred::Narrower: g.addLink(s, Skos::LinkKind::Narrower, target); break;
    case Pred::Related: g.addLink(s, Skos::LinkKind::Related, target); break;
    case Pred::Member: g.addMember(s, target); break;
    case Pred::HasTopConcept:
        g.addMember(s, target);
        g.nodeAt(s).namesTops = true;
        g.nodeAt(target).topConcept = true;
        break;
    case Pred::Container: g.addContainer(s, target); break;
    case Pred::TopConceptOf:
        g.addContainer(s, target);
        g.nodeAt(s).topConcept = true;
        g.nodeAt(target).namesTops = true;
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
        m_chunk = data;
        const char *end = data + size;
        if (const void *nul = std::memchr(data, '\0', static_cast<size_t>(size))) {
            m_at = static_cast<const char *>(nul);
            fail(QStringLiteral("a text holds the character U+0000, which cannot be stored"));
            return;
        }
        // Only the places that can matter are looked at one byte at a time:
        // backslashes in Turtle, markup in RDF/XML.
        const char want = m_xml ? '<' : '\\';
        for (const char *p = data; p < end && m_problem.isEmpty();) {
            if (idle()) {
                p = static_cast<const char *>(std::memchr(p, want, static_cast<size_t>(end - p)));
                if (!p)
                    break;
            }
            m_at = p;
            if (m_xml)
                xml(*p++);
            else
                escape(*p++);
        }
        if (m_problem.isEmpty())
            m_lines += std::count(data, end, '\n');
    }

    qint64 lines() const { return m_lines; }
    QString problem() const { return m_problem; }
    qint64 problemLine() const { return m_problemLine; }

private:
    bool idle() const { return m_xml ? m_state == State::Text : m_escape == 0 && m_backslashes == 0; }

    void fail(const QString &why)
    {
        m_problem = why;
        m_problemLine = m_lines + std::count(m_chunk, m_at, '\n');
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
            tagOpened(c);
            return;
        case State::StartTag:
            startTag(c);
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
            textUntil(c, "?>");
            return;
        case State::Declaration:
            declaration(c);
            return;
        case State::Comment:
            textUntil(c, "-->");
            return;
        case State::CData:
            textUntil(c, "]]>");
            return;
        }
    }

    // The character after a "<": an end tag, an instruction, a declaration or
    // a start tag, one element deeper.
    void tagOpened(char c)
    {
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
    }

    // Inside a start tag: a quoted value begins, or the tag ends (an empty
    // element, "/>", is one element less deep again).
    void startTag(char c)
    {
        if (c == '"' || c == '\'') {
            m_quote = c;
            m_state = State::Quoted;
        } else if (c == '>') {
            if (m_previous == '/' && m_depth > 0)
                --m_depth;
            m_state = State::Text;
        }
        m_previous = c;
    }

    // Inside "<!": a comment, a CDATA section, or a declaration that ends at
    // a ">" outside brackets.
    void declaration(char c)
    {
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
    }

    // Inside an instruction, a comment or a CDATA section, which end text ends.
    void textUntil(char c, const char *end)
    {
        m_tail.append(c);
        if (m_tail.endsWith(end))
            m_state = State::Text;
        keepShortTail();
    }

    void keepShortTail()
    {
        if (m_tail.size() > 16)
            m_tail.remove(0, m_tail.size() - 8);
    }

    enum class State { Text, Open, StartTag, Quoted, EndTag, Instruction, Declaration, Comment, CData };

    bool m_xml;
    qint64 m_lines = 1;
    const char *m_chunk = nullptr; // the bytes being looked at
    const char *m_at = nullptr;    // the byte being looked at
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

namespace {
constexpr quint32 kChunk = 1 << 20; // bytes in one block of the text store
}

Skos::Graph::Graph() = default;
Skos::Graph::~Graph() = default;

QByteArrayView Skos::Graph::view(const TextRef &r) const
{
    if (r.size == 0)
        return {};
    return QByteArrayView(m_chunks[r.chunk].get() + r.offset, r.size);
}

Skos::TextRef Skos::Graph::store(QByteArrayView bytes)
{
    const auto size = static_cast<quint32>(bytes.size());
    if (m_chunks.empty() || m_chunkUsed + size > m_chunkSize) {
        m_chunkSize = std::max(kChunk, size);
        m_chunks.push_back(std::make_unique<char[]>(m_chunkSize));
        m_chunkUsed = 0;
    }
    const TextRef r{static_cast<quint32>(m_chunks.size() - 1), m_chunkUsed, size};
    std::memcpy(m_chunks.back().get() + m_chunkUsed, bytes.data(), size);
    m_chunkUsed += size;
    return r;
}

int Skos::Graph::nodeFor(QByteArrayView key)
{
    const auto it = m_index.constFind(key);
    if (it != m_index.constEnd())
        return it.value();
    const int i = static_cast<int>(m_nodes.size());
    Node n;
    n.key = store(key);
    m_nodes.push_back(n);
    m_index.insert(view(n.key), i);
    return i;
}

int Skos::Graph::language(QByteArrayView tag)
{
    const auto it = m_languageIndex.constFind(tag.toByteArray());
    if (it != m_languageIndex.constEnd())
        return it.value();
    // Tags differ in case only in how they are written: one language.
    const QString lower = QString::fromUtf8(tag).toLower();
    int i = m_lowerLanguage.value(lower, -1);
    if (i < 0) {
        i = static_cast<int>(languages.size());
        languages.append(lower);
        m_lowerLanguage.insert(lower, i);
    }
    m_languageIndex.insert(tag.toByteArray(), i);
    return i;
}

void Skos::Graph::addText(int node, TextKind kind, int lang, QByteArrayView value)
{
    m_stagedTexts.push_back({node, {kind, lang, store(value)}});
}

int Skos::Graph::classFor(QByteArrayView iri)
{
    const QByteArray key = iri.toByteArray();
    const auto it = m_classIndex.constFind(key);
    if (it != m_classIndex.constEnd())
        return it.value();
    const int i = static_cast<int>(m_classNames.size());
    m_classNames.append(key);
    m_classIndex.insert(key, i);
    return i;
}

void Skos::Graph::resolveClasses()
{
    // The types of each class: its own, and those of its superclasses, as
    // far up as the file declares them (a fixed point, so loops end).
    QVector<quint16> types(m_classNames.size());
    for (int i = 0; i < m_classNames.size(); ++i)
        types[i] = typeOf(m_classNames.at(i));
    for (bool changed = true; changed;) {
        changed = false;
        for (const auto &[cls, super] : m_subClassOf) {
            const quint16 t = types.at(cls) | types.at(super);
            if (t != types.at(cls)) {
                types[cls] = t;
                changed = true;
            }
        }
    }
    for (const auto &[node, cls] : m_typedAs)
        m_nodes[node].types |= types.at(cls);
    m_typedAs = {};
    m_subClassOf = {};
}

namespace {

// Keeps the n values of one resource, values[from, from + n), each repeated
// value once in the order of the file, moving them down to values[kept...];
// gives the new end of the values kept.  index and drop are room to work in.
template <typename T, typename Less, typename Equal>
quint32 keepDistinct(std::vector<T> &values, quint32 from, quint32 n, quint32 kept, Less less, Equal equal,
                     qint64 *repeated, std::vector<quint32> &index, std::vector<bool> &drop)
{
    if (n == 1) {
        values[kept] = values[from];
        return kept + 1;
    }
    index.resize(n);
    for (quint32 k = 0; k < n; ++k)
        index[k] = from + k;
    std::stable_sort(index.begin(), index.end(), [&](quint32 a, quint32 b) { return less(values[a], values[b]); });
    drop.assign(n, false);
    for (quint32 k = 1; k < n; ++k)
        if (equal(values[index[k]], values[index[k - 1]]))
            drop[index[k] - from] = true;
    for (quint32 k = 0; k < n; ++k) {
        if (!drop[k])
            values[kept++] = values[from + k];
        else if (repeated)
            ++*repeated;
    }
    return kept;
}

} // namespace

// Moves the values read into one array ordered by resource (in the order of
// the file within a resource), each repeated value kept once.
template <typename T, typename Less, typename Equal>
void Skos::Graph::order(std::deque<Staged<T>> &staged, std::vector<T> &values, std::vector<quint32> &start, Less less,
                        Equal equal, qint64 *repeated)
{
    const size_t count = m_nodes.size();
    std::vector<quint32> first(count + 1, 0);
    for (const Staged<T> &s : staged)
        ++first[s.node + 1];
    for (size_t i = 0; i < count; ++i)
        first[i + 1] += first[i];
    std::vector<T> ordered(staged.size());
    std::vector<quint32> fill(first.begin(), first.end() - 1);
    // Emptied as it is read, so the two never take the room of both.
    while (!staged.empty()) {
        ordered[fill[staged.front().node]++] = staged.front().value;
        staged.pop_front();
    }

    // Within each resource: repeated values out, the first of each kept.
    start.assign(count + 1, 0);
    std::vector<quint32> index;
    std::vector<bool> drop;
    quint32 kept = 0;
    for (size_t node = 0; node < count; ++node) {
        start[node] = kept;
        const quint32 n = first[node + 1] - first[node];
        if (n > 0)
            kept = keepDistinct(ordered, first[node], n, kept, less, equal, repeated, index, drop);
    }
    start[count] = kept;
    ordered.resize(kept);
    ordered.shrink_to_fit();
    values = std::move(ordered);
}

void Skos::Graph::finish()
{
    resolveClasses();
    const auto textLess = [&](const Text &a, const Text &b) {
        if (a.kind != b.kind)
            return a.kind < b.kind;
        if (a.lang != b.lang)
            return a.lang < b.lang;
        return view(a.value) < view(b.value);
    };
    const auto textEqual = [&](const Text &a, const Text &b) {
        return a.kind == b.kind && a.lang == b.lang && view(a.value) == view(b.value);
    };
    order(m_stagedTexts, m_texts, m_textStart, textLess, textEqual, &repeatedStatements);
    order(
        m_stagedLinks, m_links, m_linkStart,
        [](const Link &a, const Link &b) { return a.kind != b.kind ? a.kind < b.kind : a.target < b.target; },
        [](const Link &a, const Link &b) { return a.kind == b.kind && a.target == b.target; }, &repeatedStatements);
    order(
        m_stagedResources, m_resources, m_resourceStart,
        [](const Resource &a, const Resource &b) { return a.kind != b.kind ? a.kind < b.kind : a.node < b.node; },
        [](const Resource &a, const Resource &b) { return a.kind == b.kind && a.node == b.node; }, &repeatedStatements);
    // skos:inScheme and skos:topConceptOf of one scheme are two statements
    // that say one thing here: kept once, not counted as repeated.
    order(m_stagedMembers, m_members, m_memberStart, std::less<int>(), std::equal_to<int>(), nullptr);
    order(m_stagedContainers, m_containers, m_containerStart, std::less<int>(), std::equal_to<int>(), nullptr);
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
    QByteArray chunk(qsizetype{256} * 1024, Qt::Uninitialized);
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
    graph.finish();
    return result;
}
