#pragma once

#include "tools/skos_reader.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>

class cConnessione;

// Imports a SKOS thesaurus into a thesaurus database as one of the program's
// models.  Concepts become rows of concepts (is_leaf 1) hung under their
// first broader concept; the file's grouping levels (collections, concept
// groups, domains, micro-thesauri) become is_leaf 0 concepts above them, the
// top ones named as the choice dialog lists that thesaurus's subsets.  Labels
// and notes become text values per language, broader/narrower/related links
// become link values.  Everything is written in one transaction.
namespace SkosImport {

// The model id of a thesaurus name ("unesco", "EUROVOC"...), 0 when unknown.
int modelFromName(const QString &name);

// The name of a top-level grouping concept of a model, from the group's
// notation and (English) label: "1. Education" for UNESCO and ETT, "001 ..."
// for ECLAS, the label for GEMET, "52 ENVIRONMENT" for EUROVOC.
QString topLevelName(int model, const QString &notation, const QString &label);
// The name of a grouping level below the top: "1.05 Educational sciences...".
QString groupName(const QString &notation, const QString &label);

struct Summary
{
    QString database;
    int model = 0;
    int concepts = 0;
    int groups = 0;
    int topGroups = 0;
    int labels = 0;
    QMap<QString, int> labelsByLanguage; // lang.name -> count
    int notes = 0;
    int links = 0;
    int broaderLinks = 0, narrowerLinks = 0, relatedLinks = 0;
    qint64 statements = 0;
    // Statements not stored, by reason.
    qint64 skippedUnused = 0;      // properties the database does not hold
    qint64 skippedInvalid = 0;     // a value of the wrong kind
    qint64 skippedNotConcept = 0;  // about resources that are neither concepts nor groups
    qint64 skippedDangling = 0;    // links to resources that are not concepts of the file
    qint64 skippedXl = 0;          // SKOS-XL labels without a literal form
    int cycleLinks = 0;            // broader links not followed in the tree: they would close a cycle
    int unplaced = 0;              // concepts with neither a broader concept nor a group
    QStringList problems;          // examples of the above, for the user
    // Re-import.
    bool replaced = false;
    int keptIds = 0;      // concepts of the earlier edition matched by URI
    int removed = 0;      // concepts of the earlier edition no longer in the file
    int relationsKept = 0;
    QStringList vanishedRelations; // relations whose concept is no longer in the file

    qint64 skipped() const
    {
        return skippedUnused + skippedInvalid + skippedNotConcept + skippedDangling + skippedXl;
    }
    QString text() const;
};

struct Result
{
    enum class Status { Imported, Cancelled, Declined, Failed } status = Status::Imported;
    QString message; // why it failed
    int line = 0;    // line of a syntax error in the file
    Summary summary;
};

// Progress in percent with a word on the current stage; returning false
// cancels the import, which then leaves the database as it was.
using Progress = std::function<bool(int percent, const QString &stage)>;
// Asked before a thesaurus already in the database is replaced; false keeps it.
using Confirm = std::function<bool(const QString &question)>;

Result run(cConnessione &db, const QString &file, int model, const Progress &progress = {},
           const Confirm &confirm = {});

// The same on a graph already read (used by run and by benchmarks).
Result store(cConnessione &db, const Skos::Graph &graph, int model, const Progress &progress = {},
             const Confirm &confirm = {});

} // namespace SkosImport
