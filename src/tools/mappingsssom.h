#pragma once

#include "tools/mappingrdf.h"
#include "tools/mappingstatement.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>
#include <utility>

// SSSOM, the Simple Standard for Sharing Ontological Mappings, in its TSV
// form: a metadata block of "#" lines holding YAML (or a separate .sssom.yml
// file beside the table), then a tab-separated table with one mapping a row.
// The writer and the reader share one list of the standard's slots.
namespace Sssom {

inline constexpr const char *Namespace = "https://w3id.org/sssom/";
inline constexpr const char *SemapvNamespace = "https://w3id.org/semapv/vocab/";
// The standard's own IRI for "no license stated".
inline constexpr const char *UnspecifiedLicense = "https://w3id.org/sssom/license/unspecified";
inline constexpr const char *NoTermFound = "https://w3id.org/sssom/NoTermFound";

// What a slot holds.
enum class Range {
    Entity,  // an entity reference: written as a CURIE whose prefix is declared
    Uri,     // a non-relative URI, written as it is
    Text,
    Number,
    Date,
    Enum,
    Prefixes, // curie_map
    Structured // lists of objects (extension_definitions): not written by this program
};

struct Slot
{
    const char *name;
    Range range;
    bool multivalued;
    bool since11;   // added in version 1.1 of the standard
    bool onMapping; // a column of the table
    bool onSet;     // metadata of the whole set
};

// Every slot of the standard: the mapping's slots in the order the table's
// columns are written, then the slots that belong to the set only.
const QVector<Slot> &slotList();
// The slot of that name, nullptr when the standard has none.
const Slot *slot(QStringView name);

// The prefixes every SSSOM file has without declaring them: (name, namespace).
const QVector<std::pair<QString, QString>> &builtInPrefixes();

// True when text is a URI with a scheme ("https:", "urn:"...), as the
// standard's non-relative URIs must be.
bool isAbsoluteUri(QStringView text);

// ---- writing ----------------------------------------------------------------

// One mapping: slot name -> values (one for a single-valued slot).  Entity
// references are given as full IRIs (or as CURIEs of built-in or given
// prefixes); the writer turns them into CURIEs and declares their prefixes.
struct Mapping
{
    QHash<QString, QStringList> values;
    void set(const QString &slotName, const QString &value) { values.insert(slotName, {value}); }
};

struct MappingSet
{
    // Set-level slots (mapping_set_id, license, mapping_date...), except
    // curie_map and sssom_version, which the writer makes itself.
    QHash<QString, QStringList> metadata;
    // Prefix names the caller prefers for namespaces: (name, namespace).
    // Only those an entity reference uses are declared; namespaces nobody
    // named get a name of the writer's making.
    QVector<std::pair<QString, QString>> prefixes;
    QVector<Mapping> mappings;
};

struct Written
{
    bool ok = false;
    QByteArray bytes;
    QString error; // a slot the standard does not have, a value its range refuses...
};

// The file: metadata block (sssom_version "1.1" when a slot or an escape of
// version 1.1 is used, the curie_map, then the set's slots in the standard's
// order), header and rows.  Columns are the mapping slots some mapping
// holds, in the standard's order.  A value holding a tab, a line end or a
// double quote is double-quoted with its quotes doubled.
Written write(const MappingSet &set);

// A YAML scalar for the metadata: plain when that is safe, else
// double-quoted with escapes.
QString yamlScalar(const QString &text);

// The values of a multi-valued cell: split at "|"; "\|" is a "|" and "\\"
// a backslash inside a value.  joinValues does the reverse.
QStringList splitValues(QStringView cell);
QString joinValues(const QStringList &values);

// ---- reading ----------------------------------------------------------------

// Reads an SSSOM table into file: its positive mappings, negative ones, and
// those that name no storable entity.  path finds a separate metadata file
// (name.sssom.yml, name.yml or name.yaml beside name.sssom.tsv or name.tsv)
// when the table has no metadata block of its own.  A file the standard calls
// invalid, in a way that touches what is read, is refused with its line and
// the reason; slots this program does not read are not judged.
void read(const QString &text, const QString &path, MappingImport::File &file);

// The statements of an RDF file, SSSOM/RDF or plain.  A mapping of
// SSSOM/RDF is a node with owl:annotatedSource, owl:annotatedProperty and
// owl:annotatedTarget; its confidence, comment, record id (sssom:record_id, or
// the node's own IRI) and predicate modifier come from the node.  The triples
// that describe such nodes and the mapping set, and a direct triple that only
// repeats a mapping node, are no statements of their own; every other triple
// is one (plain SKOS).  Statements come in the order of their lines.
void readTriples(const QVector<MappingRdf::Letta> &triples, MappingImport::File &file);

// A CURIE or IRI of a cell as a full IRI; empty, with the reason, when it is
// neither (an undeclared prefix, no ":" at all).
QString expand(QStringView id, const QHash<QString, QString> &prefixes, QString *why);

} // namespace Sssom
