#include "tools/mappingrdf.h"

#include "base/codepoints.h"

#include <QIODevice>
#include <QRegularExpression>
#include <raptor2.h>

namespace {

// One raptor world for one read or write; the first error the library logs
// is kept with its line.
class World
{
public:
    World()
    {
        m_world = raptor_new_world();
        if (m_world) {
            raptor_world_set_log_handler(m_world, this, &World::log);
            if (raptor_world_open(m_world) != 0) {
                raptor_free_world(m_world);
                m_world = nullptr;
            }
        }
    }
    ~World()
    {
        if (m_world)
            raptor_free_world(m_world);
    }
    World(const World &) = delete;
    World &operator=(const World &) = delete;

    raptor_world *get() const { return m_world; }
    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }
    int line() const { return m_line; }
    // Called when a statement handler decides the parse must stop.
    raptor_parser *parser = nullptr;

private:
    static void log(void *data, raptor_log_message *message)
    {
        auto *self = static_cast<World *>(data);
        if (message->level < RAPTOR_LOG_LEVEL_ERROR || self->failed())
            return;
        self->m_error = QString::fromUtf8(message->text ? message->text : "unknown RDF error").trimmed();
        if (self->m_error.isEmpty())
            self->m_error = QStringLiteral("unknown RDF error");
        if (message->locator && message->locator->line > 0)
            self->m_line = message->locator->line;
        if (self->parser)
            raptor_parser_parse_abort(self->parser);
    }

    raptor_world *m_world = nullptr;
    QString m_error;
    int m_line = -1;
};

struct Sink
{
    QIODevice *device = nullptr;
    bool failed = false;
};

int writeByte(void *context, const int byte)
{
    auto *s = static_cast<Sink *>(context);
    const char c = static_cast<char>(byte);
    if (!s->failed && s->device->write(&c, 1) != 1)
        s->failed = true;
    return s->failed ? 1 : 0;
}

int writeBytes(void *context, const void *ptr, size_t size, size_t nmemb)
{
    auto *s = static_cast<Sink *>(context);
    const size_t bytes = size * nmemb;
    const auto n = static_cast<qint64>(bytes);
    if (!s->failed && n > 0 && s->device->write(static_cast<const char *>(ptr), n) != n)
        s->failed = true;
    return s->failed ? 0 : static_cast<int>(nmemb);
}

const raptor_iostream_handler deviceHandler = {2, nullptr, nullptr, &writeByte, &writeBytes, nullptr, nullptr, nullptr};

QString textOf(raptor_uri *uri)
{
    size_t len = 0;
    const unsigned char *s = raptor_uri_as_counted_string(uri, &len);
    return QString::fromUtf8(reinterpret_cast<const char *>(s), static_cast<qsizetype>(len));
}

struct ParseContext
{
    const std::function<void(const MappingRdf::Letta &)> *sink;
    raptor_parser *parser;
};

void nodeText(const raptor_term *term, QString &text, bool &iri)
{
    iri = term->type == RAPTOR_TERM_TYPE_URI;
    if (iri)
        text = textOf(term->value.uri);
    else if (term->type == RAPTOR_TERM_TYPE_LITERAL)
        text = QStringLiteral("\"%1\"").arg(QString::fromUtf8(reinterpret_cast<const char *>(term->value.literal.string),
                                                              static_cast<qsizetype>(term->value.literal.string_len)));
    else
        text = QStringLiteral("_:%1").arg(QString::fromUtf8(reinterpret_cast<const char *>(term->value.blank.string),
                                                            static_cast<qsizetype>(term->value.blank.string_len)));
}

void onStatement(void *data, raptor_statement *statement)
{
    auto *ctx = static_cast<ParseContext *>(data);
    MappingRdf::Letta s;
    bool predicateIri = true;
    nodeText(statement->subject, s.soggetto, s.soggettoIri);
    nodeText(statement->predicate, s.predicato, predicateIri);
    nodeText(statement->object, s.oggetto, s.oggettoIri);
    s.oggettoLetterale = statement->object->type == RAPTOR_TERM_TYPE_LITERAL;
    if (raptor_locator *loc = raptor_parser_get_locator(ctx->parser); loc && loc->line > 0)
        s.riga = loc->line;
    (*ctx->sink)(s);
}

bool isHex(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
           || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// Characters an IRI may hold besides ASCII letters, digits and "%".
bool iriCodePoint(char32_t c)
{
    if (c < 0x80) {
        static const char allowed[] = "-._~:/?#[]@!$&'()*+,;=";
        for (const char *p = allowed; *p; ++p)
            if (c == static_cast<char32_t>(*p))
                return true;
        return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9');
    }
    if ((c & 0xFFFE) == 0xFFFE)
        return false; // the non-characters at the end of each plane
    return (c >= 0xA0 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD)
           || (c >= 0x10000 && c <= 0x10FFFD);
}

} // namespace

const char *MappingRdf::nomeRaptor(Sintassi sintassi, bool scrittura)
{
    switch (sintassi) {
    case Sintassi::Turtle: return "turtle";
    case Sintassi::RdfXml: return scrittura ? "rdfxml-abbrev" : "rdfxml";
    case Sintassi::NTriples: return "ntriples";
    }
    return "turtle";
}

bool MappingRdf::iriValido(const QString &text, QString *why)
{
    auto refuse = [why](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    if (text.isEmpty())
        return refuse(QStringLiteral("it is empty"));
    if (!scheme.match(text).hasMatch())
        return refuse(QStringLiteral("it does not start with a scheme such as http:"));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t code = CodePoints::codePointAt(text, i);
        if (code == CodePoints::HalfPair)
            return refuse(QStringLiteral("it holds half of a surrogate pair"));
        if (code == U'%') {
            if (i + 2 >= text.size() || !isHex(text.at(i + 1)) || !isHex(text.at(i + 2)))
                return refuse(QStringLiteral("\"%\" is not followed by two hexadecimal digits"));
            continue;
        }
        if (!iriCodePoint(code)) {
            QString shown = code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0)
                                ? CodePoints::name(code)
                                : QStringLiteral("\"%1\"").arg(QString::fromUcs4(&code, 1));
            if (code == U' ')
                shown = QStringLiteral("a space");
            return refuse(QStringLiteral("it holds %1, which an IRI cannot hold").arg(shown));
        }
    }
    return true;
}

bool MappingRdf::scrivi(QIODevice &device, Sintassi sintassi, const QVector<Tripla> &triples, QString &error)
{
    World world;
    if (!world.get()) {
        error = QStringLiteral("the RDF library cannot start");
        return false;
    }
    raptor_world *w = world.get();
    raptor_serializer *serializer = raptor_new_serializer(w, nomeRaptor(sintassi, true));
    if (!serializer) {
        error = QStringLiteral("the RDF library has no writer for %1").arg(QString::fromLatin1(nomeRaptor(sintassi, true)));
        return false;
    }
    Sink sink{&device, false};
    raptor_iostream *stream = raptor_new_iostream_from_handler(w, &sink, &deviceHandler);
    bool ok = stream && raptor_serializer_start_to_iostream(serializer, nullptr, stream) == 0;
    if (ok) {
        raptor_uri *skos = raptor_new_uri(w, reinterpret_cast<const unsigned char *>(SkosNamespace));
        raptor_serializer_set_namespace(serializer, skos, reinterpret_cast<const unsigned char *>("skos"));
        raptor_free_uri(skos);
        for (const Tripla &t : triples) {
            const QByteArray s = t.soggetto.toUtf8();
            const QByteArray p = t.predicato.toUtf8();
            const QByteArray o = t.oggetto.toUtf8();
            raptor_term *subject = raptor_new_term_from_uri_string(w, reinterpret_cast<const unsigned char *>(s.constData()));
            raptor_term *predicate = raptor_new_term_from_uri_string(w, reinterpret_cast<const unsigned char *>(p.constData()));
            raptor_term *object = raptor_new_term_from_uri_string(w, reinterpret_cast<const unsigned char *>(o.constData()));
            // The statement takes the terms over and frees them with itself.
            raptor_statement *st = raptor_new_statement_from_nodes(w, subject, predicate, object, nullptr);
            if (!st || raptor_serializer_serialize_statement(serializer, st) != 0)
                ok = false;
            if (st)
                raptor_free_statement(st);
            if (!ok || world.failed() || sink.failed)
                break;
        }
        if (raptor_serializer_serialize_end(serializer) != 0)
            ok = false;
    }
    raptor_free_serializer(serializer);
    if (stream)
        raptor_free_iostream(stream);
    if (sink.failed) {
        error = device.errorString();
        return false;
    }
    if (!ok || world.failed()) {
        error = world.failed() ? world.error() : QStringLiteral("the RDF library could not write the triples");
        return false;
    }
    return true;
}

MappingRdf::Lettura MappingRdf::leggi(const QByteArray &bytes, Sintassi sintassi, const QByteArray &baseUri,
                                      const std::function<void(const Letta &)> &sink)
{
    Lettura result;
    World world;
    if (!world.get()) {
        result.errore = QStringLiteral("the RDF library cannot start");
        return result;
    }
    raptor_world *w = world.get();
    raptor_parser *parser = raptor_new_parser(w, nomeRaptor(sintassi, false));
    if (!parser) {
        result.errore = QStringLiteral("the RDF library has no reader for %1")
                            .arg(QString::fromLatin1(nomeRaptor(sintassi, false)));
        return result;
    }
    world.parser = parser;
    ParseContext ctx{&sink, parser};
    raptor_parser_set_statement_handler(parser, &ctx, &onStatement);
    raptor_uri *base = raptor_new_uri(w, reinterpret_cast<const unsigned char *>(baseUri.constData()));
    int status = raptor_parser_parse_start(parser, base);
    if (status == 0 && !world.failed())
        status = raptor_parser_parse_chunk(parser, reinterpret_cast<const unsigned char *>(bytes.constData()),
                                           static_cast<size_t>(bytes.size()), 1);
    world.parser = nullptr;
    raptor_free_parser(parser);
    if (base)
        raptor_free_uri(base);
    if (world.failed() || status != 0) {
        result.errore = world.failed() ? world.error() : QStringLiteral("the file is not valid RDF");
        result.riga = world.line();
        return result;
    }
    result.ok = true;
    return result;
}
