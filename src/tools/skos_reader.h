#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

// Reads a SKOS file (RDF/XML, Turtle or N-Triples) as a stream of statements
// and keeps only what a thesaurus database holds: concepts, grouping levels,
// their labels, notes and links.  Every other statement is counted and
// dropped as soon as it is read, so memory grows with the concepts, not with
// the file.
namespace Skos {

enum class Format { Auto, RdfXml, Turtle, NTriples };

// The format of a file: by its extension, else by its first bytes.
Format detectFormat(const QString &path);

// What a text value is.
enum class TextKind : quint8 { PrefLabel, AltLabel, ScopeNote, LiteralForm };
// What a link between two resources is.
enum class LinkKind : quint8 { Broader, Narrower, Related };

struct Text
{
    TextKind kind;
    quint16 lang; // index into Graph::languages
    QString value;
};

struct Link
{
    LinkKind kind;
    int target; // node index
};

struct XlLabel
{
    TextKind kind; // PrefLabel or AltLabel
    int label;     // node index of the skosxl:Label resource
};

// Resource types met in rdf:type statements (bit flags).
enum NodeType : quint8 {
    TypeConcept = 1,
    TypeGroup = 2, // skos:Collection, iso-thes:ConceptGroup, domains and micro-thesauri
    TypeScheme = 4,
    TypeXlLabel = 8,
    // Kinds of grouping level some publishers add (GEMET's themes and super-groups).
    TypeTheme = 16,
    TypeSuperGroup = 32
};

struct Node
{
    QByteArray key; // the IRI, or "_:" and the blank node id
    quint8 types = 0;
    QString notation;
    QVector<Text> texts;
    QVector<Link> links;
    QVector<XlLabel> xlLabels;
    QVector<int> members;     // skos:member, iso-thes:subGroup, skos:hasTopConcept
    QVector<int> containers;  // iso-thes:superGroup, skos:inScheme, skos:topConceptOf
    bool isBlank() const { return key.startsWith("_:"); }
};

struct Graph
{
    QVector<Node> nodes;
    QHash<QByteArray, int> index;
    QStringList languages; // language tags as written, lower case; "" for untagged
    qint64 statements = 0;
    qint64 unusedStatements = 0;  // properties the thesaurus database does not hold
    qint64 invalidStatements = 0; // a label given as a resource, a link given as a text...

    int nodeFor(const QByteArray &key);
    int language(const QString &tag);
};

// Called now and then with the line being read and the file's line count;
// returning false stops the reading (the caller then gets Status::Cancelled).
using ReadProgress = std::function<bool(qint64 done, qint64 total)>;

struct ReadResult
{
    enum class Status { Ok, Cancelled, Failed } status = Status::Ok;
    QString message; // why it failed, with the line for a syntax error
    int line = 0;    // the line of the first syntax error, 0 when unknown
};

// Reads the file into graph.
ReadResult read(const QString &path, Graph &graph, Format format = Format::Auto,
                const ReadProgress &progress = {});

} // namespace Skos
