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
// the file.  A statement read twice is kept once.
namespace Skos {

enum class Format { Auto, RdfXml, Turtle, NTriples };

// The format of a file: by its extension, else by its first bytes.
Format detectFormat(const QString &path);

// Elements of an RDF/XML file may not be nested deeper than this: the RDF
// library's time grows with the square of the depth.
constexpr int kMaxXmlDepth = 1000;

// What a text value is.  LiteralForm is the text of a SKOS-XL label, Value
// the rdf:value of a note given as a resource of its own.
enum class TextKind : quint8 { PrefLabel, AltLabel, HiddenLabel, ScopeNote, Definition, LiteralForm, Value };
// What a link between two resources is.
enum class LinkKind : quint8 { Broader, Narrower, Related };

struct Text
{
    TextKind kind;
    int lang; // index into Graph::languages
    QString value;
};

struct Link
{
    LinkKind kind;
    int target; // node index
};

// A label or a note given as a resource: a SKOS-XL label (PrefLabel,
// AltLabel, HiddenLabel) or a note with an rdf:value (ScopeNote, Definition).
struct TextRef
{
    TextKind kind;
    int node;
};

// Resource types met in rdf:type statements (bit flags), directly or through
// a class the file declares a subclass of one of them.
enum NodeType : quint16 {
    TypeConcept = 1,
    TypeGroup = 2, // skos:Collection, iso-thes:ConceptGroup, domains and micro-thesauri
    TypeScheme = 4,
    TypeXlLabel = 8,
    // Kinds of grouping level some publishers add (GEMET's themes and super-groups).
    TypeTheme = 16,
    TypeSuperGroup = 32,
    TypeDomain = 64,          // a EUROVOC domain (field)
    TypeMicroThesaurus = 128, // a EUROVOC micro-thesaurus
    TypeCategory = 256,       // a thesaurus category, linked by broader/narrower (STW's Thsys)
    TypeArray = 512           // iso-thes:ThesaurusArray: a list of siblings, not a level of the tree
};

struct Node
{
    QByteArray key; // the IRI, or "_:" and the blank node id
    quint16 types = 0;
    bool deprecated = false;  // owl:deprecated true
    bool topConcept = false;  // named by skos:hasTopConcept or skos:topConceptOf
    bool namesTops = false;   // a scheme that names top concepts
    quint16 typeStatements = 0;
    QString notation;
    QVector<Text> texts;
    QVector<Link> links;
    QVector<TextRef> textRefs;
    QVector<int> members;    // skos:member, iso-thes:subGroup, skos:hasTopConcept
    QVector<int> containers; // iso-thes:superGroup, skos:inScheme, skos:topConceptOf, euvoc:domain...
    bool isBlank() const { return key.startsWith("_:"); }
};

struct Graph
{
    QVector<Node> nodes;
    QHash<QByteArray, int> index;
    QStringList languages; // language tags as written, lower case; "" for untagged
    QHash<QString, int> languageIndex;
    qint64 statements = 0;
    qint64 unusedStatements = 0;   // properties the thesaurus database does not hold
    qint64 invalidStatements = 0;  // a label given as a resource, a link given as a text...
    qint64 repeatedStatements = 0; // the same statement read again

    int nodeFor(const QByteArray &key);
    int language(const QString &tag);

    // Classes the file names in rdf:type and rdfs:subClassOf statements whose
    // meaning is known only once the whole file is read.
    QHash<QByteArray, int> classIndex;
    QVector<QByteArray> classNames;
    QVector<QPair<int, int>> typedAs;    // (node, class)
    QVector<QPair<int, int>> subClassOf; // (class, superclass)
    int classFor(const QByteArray &iri);
    // Gives each node the types its declared classes stand for.
    void resolveClasses();
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
