#include "tools/skos_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <raptor2.h>

#include <algorithm>
#include <cstring>

namespace {

const QByteArray kRdf = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
const QByteArray kSkos = "http://www.w3.org/2004/02/skos/core#";
const QByteArray kSkosXl = "http://www.w3.org/2008/05/skos-xl#";
const QByteArray kIsoThes = "http://purl.org/iso25964/skos-thes#";

enum class Pred : quint8 {
    Type,
    PrefLabel,
    AltLabel,
    ScopeNote,
    XlPrefLabel,
    XlAltLabel,
    LiteralForm,
    Broader,
    Narrower,
    Related,
    Member,
    SubGroup,
    SuperGroup,
    InScheme,
    TopConceptOf,
    HasTopConcept,
    Notation
};

const QHash<QByteArray, Pred> &predicates()
{
    static const QHash<QByteArray, Pred> table = {
        {kRdf + "type", Pred::Type},
        {kSkos + "prefLabel", Pred::PrefLabel},
        {kSkos + "altLabel", Pred::AltLabel},
        {kSkos + "scopeNote", Pred::ScopeNote},
        {kSkosXl + "prefLabel", Pred::XlPrefLabel},
        {kSkosXl + "altLabel", Pred::XlAltLabel},
        {kSkosXl + "literalForm", Pred::LiteralForm},
        {kSkos + "broader", Pred::Broader},
        {kSkos + "narrower", Pred::Narrower},
        {kSkos + "related", Pred::Related},
        {kSkos + "member", Pred::Member},
        {kIsoThes + "subGroup", Pred::SubGroup},
        {kIsoThes + "superGroup", Pred::SuperGroup},
        {kSkos + "inScheme", Pred::InScheme},
        {kSkos + "topConceptOf", Pred::TopConceptOf},
        {kSkos + "hasTopConcept", Pred::HasTopConcept},
        {kSkos + "notation", Pred::Notation},
    };
    return table;
}

// The type a class IRI stands for (0 when it is of no interest).
quint8 typeOf(const QByteArray &cls)
{
    if (cls == kSkos + "Concept")
        return Skos::TypeConcept;
    if (cls == kSkos + "Collection" || cls == kSkos + "OrderedCollection" || cls == kIsoThes + "ConceptGroup")
        return Skos::TypeGroup;
    if (cls == kSkos + "ConceptScheme")
        return Skos::TypeScheme;
    if (cls == kSkosXl + "Label")
        return Skos::TypeXlLabel;
    // Publishers name their grouping levels in their own vocabularies
    // (unescovoc:Domain, unescovoc:MicroThesaurus, eurovoc's domains...).
    const int cut = static_cast<int>(qMax(cls.lastIndexOf('#'), cls.lastIndexOf('/')));
    const QByteArray local = cls.mid(cut + 1).toLower();
    if (local == "domain" || local == "microthesaurus" || local == "field" || local == "group")
        return Skos::TypeGroup;
    if (local == "theme")
        return Skos::TypeGroup | Skos::TypeTheme;
    if (local == "supergroup")
        return Skos::TypeGroup | Skos::TypeSuperGroup;
    return 0;
}

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

void onStatement(void *userData, raptor_statement *st)
{
    auto *ctx = static_cast<Context *>(userData);
    Skos::Graph &g = *ctx->graph;
    ++g.statements;
    // Progress goes by the line being read: Turtle is parsed only once the
    // whole text is in, so the bytes fed tell nothing about it.
    if ((g.statements & 2047) == 0 && ctx->progress && *ctx->progress && !ctx->cancelled) {
        raptor_locator *where = raptor_parser_get_locator(ctx->parser);
        const qint64 line = where && where->line > 0 ? where->line : 0;
        if (!(*ctx->progress)(qMin(line, ctx->totalLines), ctx->totalLines)) {
            ctx->cancelled = true;
            raptor_parser_parse_abort(ctx->parser);
            return;
        }
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
    raptor_term *o = st->object;
    const Pred pred = it.value();

    switch (pred) {
    case Pred::Type: {
        if (o->type != RAPTOR_TERM_TYPE_URI) {
            ++g.invalidStatements;
            return;
        }
        const quint8 t = typeOf(termKey(o));
        if (!t) {
            ++g.unusedStatements;
            return;
        }
        g.nodes[g.nodeFor(termKey(st->subject))].types |= t;
        return;
    }
    case Pred::PrefLabel:
    case Pred::AltLabel:
    case Pred::ScopeNote:
    case Pred::LiteralForm:
    case Pred::Notation: {
        if (o->type != RAPTOR_TERM_TYPE_LITERAL) {
            ++g.invalidStatements;
            return;
        }
        const QString value = QString::fromUtf8(reinterpret_cast<const char *>(o->value.literal.string),
                                                static_cast<qsizetype>(o->value.literal.string_len))
                                  .trimmed();
        if (value.isEmpty()) {
            ++g.invalidStatements;
            return;
        }
        Skos::Node &n = g.nodes[g.nodeFor(termKey(st->subject))];
        if (pred == Pred::Notation) {
            if (n.notation.isEmpty())
                n.notation = value;
            return;
        }
        const QString tag = o->value.literal.language
                                ? QString::fromUtf8(reinterpret_cast<const char *>(o->value.literal.language),
                                                    static_cast<qsizetype>(o->value.literal.language_len))
                                : QString();
        const Skos::TextKind kind = pred == Pred::PrefLabel  ? Skos::TextKind::PrefLabel
                                    : pred == Pred::AltLabel ? Skos::TextKind::AltLabel
                                    : pred == Pred::ScopeNote ? Skos::TextKind::ScopeNote
                                                              : Skos::TextKind::LiteralForm;
        n.texts.append({kind, static_cast<quint16>(g.language(tag)), value});
        return;
    }
    default:
        break;
    }

    // The remaining properties link two resources.
    if (!isResource(o)) {
        ++g.invalidStatements;
        return;
    }
    const int s = g.nodeFor(termKey(st->subject));
    const int target = g.nodeFor(termKey(o));
    Skos::Node &n = g.nodes[s];
    switch (pred) {
    case Pred::XlPrefLabel: n.xlLabels.append({Skos::TextKind::PrefLabel, target}); break;
    case Pred::XlAltLabel: n.xlLabels.append({Skos::TextKind::AltLabel, target}); break;
    case Pred::Broader: n.links.append({Skos::LinkKind::Broader, target}); break;
    case Pred::Narrower: n.links.append({Skos::LinkKind::Narrower, target}); break;
    case Pred::Related: n.links.append({Skos::LinkKind::Related, target}); break;
    case Pred::Member:
    case Pred::SubGroup:
    case Pred::HasTopConcept: n.members.append(target); break;
    case Pred::SuperGroup:
    case Pred::InScheme:
    case Pred::TopConceptOf: n.containers.append(target); break;
    default: break;
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
    for (int i = 0; i < languages.size(); ++i)
        if (languages.at(i) == t)
            return i;
    languages.append(t);
    return static_cast<int>(languages.size() - 1);
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
    const QByteArray head = f.read(4096).trimmed();
    if (head.startsWith("<?xml") || head.startsWith("<rdf:RDF") || head.startsWith("<!--"))
        return Format::RdfXml;
    return Format::Turtle; // Turtle reads N-Triples too
}

Skos::ReadResult Skos::read(const QString &path, Graph &graph, Format format, const ReadProgress &progress)
{
    ReadResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = ReadResult::Status::Failed;
        result.message = QStringLiteral("Cannot read the file %1: %2").arg(path, file.errorString());
        return result;
    }
    if (format == Format::Auto)
        format = detectFormat(path);

    Context ctx;
    ctx.graph = &graph;
    raptor_world *world = raptor_new_world();
    raptor_world_open(world);
    raptor_world_set_log_handler(world, &ctx, onLog);
    raptor_parser *parser = raptor_new_parser(world, parserName(format));
    raptor_parser_set_statement_handler(parser, &ctx, onStatement);
    const QByteArray base = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
    raptor_uri *baseUri = raptor_new_uri(world, reinterpret_cast<const unsigned char *>(base.constData()));

    // Lines in the file, for the progress.
    QByteArray chunk(256 * 1024, Qt::Uninitialized);
    qint64 lines = 1;
    for (qint64 n; (n = file.read(chunk.data(), chunk.size())) > 0;)
        lines += std::count(chunk.constData(), chunk.constData() + n, '\n');
    file.seek(0);
    ctx.parser = parser;
    ctx.progress = &progress;
    ctx.totalLines = lines;

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
    } else if (ctx.failed) {
        result.status = ReadResult::Status::Failed;
        result.line = ctx.errorLine > 0 ? ctx.errorLine : 0;
        result.message = result.line > 0
                             ? QStringLiteral("The file %1 is not valid SKOS: line %2: %3")
                                   .arg(QFileInfo(path).fileName())
                                   .arg(result.line)
                                   .arg(ctx.errorText)
                             : QStringLiteral("The file %1 is not valid SKOS: %2")
                                   .arg(QFileInfo(path).fileName(), ctx.errorText);
    }
    return result;
}
