#pragma once

#include "suggest/matcher.h"

#include <QString>
#include <QVector>

class cConnessione;

// The candidate set of a suggestion run as mapping statements: the best
// candidates of every source concept (SSSOM's semapv:LexicalMatching, with
// their score as confidence and their evidence as comment), and the pairs
// the editors rejected as negative mappings (predicate_modifier Not).
namespace CandidateSet {

inline constexpr const char *Skos = "http://www.w3.org/2004/02/skos/core#";

struct Options
{
    int top = 1;                                   // candidates per source concept
    double minScore = Suggest::DefaultMinScore;    // candidates below it are left out
};

struct Statement
{
    QString subject, subjectLabel;
    QString predicate; // full IRI of a SKOS mapping property
    QString object, objectLabel;
    bool negated = false;
    QString justification; // full IRI (semapv)
    double confidence = 0;
    QString comment;       // the evidence
    QString author;        // who rejected it (negative mappings)
    QString date;          // when (ISO date)
};

struct Set
{
    QVector<Statement> statements;
    int concepts = 0;   // source concepts asked for
    int candidates = 0; // positive statements
    int rejected = 0;   // negative statements
};

// The candidates of every source concept of the matcher's scope, in tree
// order and best first, then the rejected pairs of the scope's project whose
// two concepts are in the scope.  Throws DbError.
Set collect(cConnessione &connection, const Suggest::Matcher &matcher, const Options &options,
            const Suggest::Progress &progress = {});

// Writes the set as an SSSOM table; false, with the reason, when the file
// cannot be written (an earlier file then stays as it was).
bool writeSssom(const Set &set, const Suggest::Matcher &matcher, const QString &path, QString &error);

} // namespace CandidateSet
