#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <vector>

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

// Where a text (UTF-8, as the file gives it) is kept in the graph's store.
struct TextRef
{
    quint32 chunk = 0;
    quint32 offset = 0;
    quint32 size = 0;
};

struct Text
{
    TextKind kind;
    int lang; // index into Graph::languages
    TextRef value;
};

struct Link
{
    LinkKind kind;
    int target; // node index
};

// A label or a note given as a resource: a SKOS-XL label (PrefLabel,
// AltLabel, HiddenLabel) or a note with an rdf:value (ScopeNote, Definition).
struct Resource
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
    TextRef key; // the IRI, or "_:" and the blank node id
    TextRef notation;
    quint16 types = 0;
    quint16 typeStatements = 0;
    bool deprecated = false; // owl:deprecated true
    bool topConcept = false; // named by skos:hasTopConcept or skos:topConceptOf
    bool namesTops = false;  // a scheme that names top concepts
};

// The resources of a file with what the program keeps of them.  Texts and
// IRIs live in one store of large blocks, and each kind of value in one
// array ordered by resource, so a resource costs a few dozen bytes beside
// its texts.
class Graph
{
public:
    Graph();
    ~Graph();
    Graph(const Graph &) = delete;
    Graph &operator=(const Graph &) = delete;

    int size() const { return static_cast<int>(m_nodes.size()); }
    const Node &node(int i) const { return m_nodes.at(i); }
    QByteArrayView key(int i) const { return view(m_nodes.at(i).key); }
    bool isBlank(int i) const { return key(i).startsWith("_:"); }
    QString notation(int i) const { return text(m_nodes.at(i).notation); }
    bool hasNotation(int i) const { return m_nodes.at(i).notation.size > 0; }

    // The values of a resource, once the file is read.
    std::span<const Text> texts(int i) const { return slice(m_texts, m_textStart, i); }
    std::span<const Link> links(int i) const { return slice(m_links, m_linkStart, i); }
    std::span<const Resource> resources(int i) const { return slice(m_resources, m_resourceStart, i); }
    std::span<const int> members(int i) const { return slice(m_members, m_memberStart, i); }
    std::span<const int> containers(int i) const { return slice(m_containers, m_containerStart, i); }

    QString text(const TextRef &r) const { return QString::fromUtf8(view(r)); }
    QByteArrayView view(const TextRef &r) const;

    QStringList languages; // language tags as written, lower case; "" for untagged
    qint64 statements = 0;
    qint64 unusedStatements = 0;   // properties the thesaurus database does not hold
    qint64 invalidStatements = 0;  // a label given as a resource, a link given as a text...
    qint64 repeatedStatements = 0; // the same statement read again

    // While reading.
    int nodeFor(QByteArrayView key);
    Node &nodeAt(int i) { return m_nodes[i]; }
    int language(QByteArrayView tag);
    TextRef store(QByteArrayView bytes);
    void addText(int node, TextKind kind, int lang, QByteArrayView value);
    void addLink(int node, LinkKind kind, int target) { m_stagedLinks.push_back({node, {kind, target}}); }
    void addResource(int node, TextKind kind, int target) { m_stagedResources.push_back({node, {kind, target}}); }
    void addMember(int node, int target) { m_stagedMembers.push_back({node, target}); }
    void addContainer(int node, int target) { m_stagedContainers.push_back({node, target}); }
    // Classes the file names in rdf:type and rdfs:subClassOf statements whose
    // meaning is known only once the whole file is read.
    void addTypedAs(int node, QByteArrayView cls) { m_typedAs.emplace_back(node, classFor(cls)); }
    void addSubClassOf(QByteArrayView cls, QByteArrayView super) { m_subClassOf.emplace_back(classFor(cls), classFor(super)); }
    // Ends the reading: gives each resource the types of its declared classes
    // and orders the values by resource, each repeated value kept once.
    void finish();

private:
    template <typename T>
    struct Staged
    {
        int node;
        T value;
    };
    template <typename T>
    static std::span<const T> slice(const std::vector<T> &values, const std::vector<quint32> &start, int i)
    {
        if (start.empty())
            return {};
        return std::span<const T>(values.data() + start[i], start[i + 1] - start[i]);
    }
    template <typename T, typename Less, typename Equal>
    void order(std::deque<Staged<T>> &staged, std::vector<T> &values, std::vector<quint32> &start, Less less,
               Equal equal, qint64 *repeated);
    int classFor(QByteArrayView iri);
    void resolveClasses();

    std::deque<Node> m_nodes; // grows without moving what it holds
    QHash<QByteArrayView, int> m_index;
    std::vector<std::unique_ptr<char[]>> m_chunks;
    quint32 m_chunkUsed = 0;
    quint32 m_chunkSize = 0;
    QHash<QByteArray, int> m_languageIndex; // raw tag -> index
    QHash<QString, int> m_lowerLanguage;    // lower-case tag -> index

    std::deque<Staged<Text>> m_stagedTexts;
    std::deque<Staged<Link>> m_stagedLinks;
    std::deque<Staged<Resource>> m_stagedResources;
    std::deque<Staged<int>> m_stagedMembers;
    std::deque<Staged<int>> m_stagedContainers;
    std::vector<Text> m_texts;
    std::vector<Link> m_links;
    std::vector<Resource> m_resources;
    std::vector<int> m_members;
    std::vector<int> m_containers;
    std::vector<quint32> m_textStart, m_linkStart, m_resourceStart, m_memberStart, m_containerStart;

    QHash<QByteArray, int> m_classIndex;
    QVector<QByteArray> m_classNames;
    std::vector<std::pair<int, int>> m_typedAs;    // (node, class)
    std::vector<std::pair<int, int>> m_subClassOf; // (class, superclass)
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
