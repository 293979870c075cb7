#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <functional>

class QIODevice;

// RDF reading and writing of mapping triples through the raptor2 library.
namespace MappingRdf {

inline constexpr const char *SkosNamespace = "http://www.w3.org/2004/02/skos/core#";

enum class Sintassi { Turtle, RdfXml, NTriples };

// raptor's name of a syntax: "turtle", "rdfxml-abbrev", "ntriples".
const char *nomeRaptor(Sintassi sintassi, bool scrittura);

// True when text is an absolute IRI that RDF can carry unchanged: a scheme,
// then only characters IRIs allow (no spaces, controls, quotes, "<", ">",
// "{", "}", "|", "\", "^", "`"), and "%" only before two hex digits.
// Otherwise false, with the reason in why.
bool iriValido(const QString &text, QString *why = nullptr);

struct Tripla
{
    QString soggetto;
    QString predicato;
    QString oggetto;
};

// Writes the triples to device in the syntax, with the skos prefix declared.
// The triples must hold valid IRIs.  False with the library's message in
// error when the serialiser fails or the device refuses the bytes.
bool scrivi(QIODevice &device, Sintassi sintassi, const QVector<Tripla> &triples, QString &error);

// One statement as read: IRIs as text.  A subject or object that is not an
// IRI has its Iri flag false and reads "_:name" (blank node) or "\"text\""
// (literal).
struct Letta
{
    QString soggetto;
    QString predicato;
    QString oggetto;
    bool soggettoIri = true;
    bool oggettoIri = true;
    bool oggettoLetterale = false; // the object is a literal (its text between the quotes)
    int riga = -1; // line of the statement in the file, -1 when unknown
};

struct Lettura
{
    bool ok = false;
    QString errore; // the parser's message
    int riga = -1;  // the line the parser names, -1 when none
};

// Parses bytes in the syntax; baseUri resolves relative IRIs.  Each
// statement goes to sink; the first error stops the parse.
Lettura leggi(const QByteArray &bytes, Sintassi sintassi, const QByteArray &baseUri,
              const std::function<void(const Letta &)> &sink);

} // namespace MappingRdf
