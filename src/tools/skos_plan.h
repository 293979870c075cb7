#pragma once

#include "tools/skos_reader.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

// How the resources of a SKOS file become rows of concepts: which are
// concepts, which are grouping levels (collections, concept groups, domains,
// micro-thesauri, thesaurus categories), the one parent each row hangs
// under, and whether the row is in the tree the alignment windows show.
//
// The tree: grouping levels hang under the level that holds them; a concept
// hangs under its first broader concept (by label), else under its first
// group, else it is a top concept at the top level.  A broader link that
// would close a cycle is not followed in the tree (only that link: the
// concepts below stay where they are).  For EUROVOC the top level is the 21
// fields, made from the micro-thesaurus codes when the file gives no domains.
namespace SkosPlan {

// Why a row is not in the tree.
enum class Outside : quint8 {
    No,       // in the tree
    NoPath,   // no broader concept, no group, and not a top concept of the file
    Dangling, // its broader concepts are not concepts of the file
    Cycle,    // in a loop of broader links that nothing above it reaches
    NoField   // EUROVOC: not under one of the fields
};

struct Entry
{
    int node = -1;   // graph node, -1 for a field made up from micro-thesaurus codes
    int parent = -1; // entry index, -1 for a top-level row
    bool leaf = true;
    bool group = false;
    Outside outside = Outside::No;
    QString dex;
    QString uri;
    qint64 id = 0; // assigned when stored
};

struct Plan
{
    QVector<Entry> entries;
    QVector<int> entryOfNode; // node index -> entry index, -1 when the node is not a row
    QVector<bool> setAside;   // node index -> a deprecated concept or a view (theme, array): links to it are not used

    int concepts = 0;       // SKOS concepts (rows that are not grouping levels)
    int groups = 0;         // grouping levels
    int topGroups = 0;      // grouping levels at the top
    int topConcepts = 0;    // concepts at the top (a thesaurus without groups)
    int inTree = 0;         // concepts in the tree
    int outsideNoPath = 0, outsideDangling = 0, outsideCycle = 0, outsideNoField = 0;
    int cycleLinks = 0;     // broader links not followed in the tree: they would close a cycle
    int selfLinks = 0;      // links of a resource to itself, not stored
    int deprecated = 0;     // deprecated concepts and groups, not imported
    int viewGroups = 0;     // groupings that are not levels of the tree (themes, arrays, nameless collections)
    QStringList problems;   // examples, for the user

    int outside() const { return outsideNoPath + outsideDangling + outsideCycle + outsideNoField; }
};

Plan build(const Skos::Graph &graph, int model);

// The name of a top-level grouping level of a model, from the group's
// notation and (English) label: "1. Education" for UNESCO and ETT, "001 ..."
// for ECLAS, the label for GEMET, "52 ENVIRONMENT" for EUROVOC.
QString topLevelName(int model, const QString &notation, const QString &label);
// The name of a grouping level below the top: "1.05 Educational sciences...".
QString groupName(const QString &notation, const QString &label);
// The two-digit code of a EUROVOC field: its notation, else the digits its
// label starts with; empty when neither is a number of one or two digits.
QString fieldCode(const QString &notation, const QString &label);

// The label a row shows: the English preferred label, else the untagged
// one, else the first of the file; empty when there is none.
QString prefLabel(const Skos::Graph &g, int node);

// Calls f(kind, lang, value) for each text value of a node, SKOS-XL labels
// and notes given as resources resolved to their texts.  Counts in
// withoutText the references that lead to no text.
using TextVisitor = std::function<void(Skos::TextKind kind, int lang, QByteArrayView utf8)>;
void forEachText(const Skos::Graph &g, int node, const TextVisitor &f, qint64 *withoutText = nullptr);

} // namespace SkosPlan
