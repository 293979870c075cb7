#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

class cConnessione;

// Proposes, for a EUROVOC concept, the target concepts most likely to match
// it, each with a score, a proposed relation and the evidence in words.
//
// The matcher reads both thesauri once into an index: every label (pref, alt,
// hidden; every language) reduced to normalised words, the words weighted by
// rarity, and an inverted index from words to labels.  A suggestion walks the
// index from the source concept's words (and near spellings of them) to a
// shortlist of target concepts, then compares only the labels that share
// words.  Scores combine the best label match, the agreement of the
// languages both concepts have, the structure of the two thesauri (broader
// concepts already mapped to each other) and whether another source concept
// is a closer match for the same target.  See docs/suggest.md.
namespace Suggest {

// What a suggestion run covers: the current mapping.
struct Scope
{
    int targetModel = 0; // 1 ECLAS, 2 ETT, 4 UNESCO, 5 GEMET
    QString field;       // EUROVOC field code ("52"); empty: every EUROVOC concept
    QString subset;      // a top-level subset of the target; empty: the whole thesaurus
};

// The weights of the scoring (docs/suggest.md says why each has its value).
struct Weights
{
    double altLabel = 1.0;       // a match through an altLabel or hiddenLabel, per side
    double otherLanguage = 0.85; // a match between labels of two different languages
    double exactBase = 0.9;      // score of one exact label match in one language
    double agreement = 0.5;      // each further agreeing language halves what is left to 1
    double disagreement = 0.5;   // share lost when every language both concepts have disagrees
    double agreeAt = 0.9;        // a language agrees when its best label match reaches this
    double disagreeBelow = 0.5;  // and disagrees when it stays below this
    double wordSimilarity = 0.8; // two different words count as the same from this similarity
    double spelling = 0.8;       // two labels count as spellings of each other from this similarity
    double cognate = 0.75;       // share of the shorter word two words of different languages must begin with alike
    double extraWords = 0.4;     // rarity share of extra words that makes a label more specific (head unknown)
    double modifier = 0.15;      // rarity share of words added to a shared head that makes a label more specific
    double otherHead = 0.6;      // factor when the labels share words but not their heads
    double structure = 0.3;      // share of what is left to 1 gained by broader concepts mapped to each other
    double closerMatch = 0.6;    // factor when another source concept matches the target better
    double parentTargetAt = 0.45; // a broader concept's best candidate counts as its target from this score
    double broaderFallback = 0.5; // score of broadMatch to the parent's target when no exact target is found
};

// The threshold a candidate set is written with unless the user gives another
// (chosen on the benchmark, see docs/suggest.md).
inline constexpr double DefaultMinScore = 0.6;

struct Candidate
{
    qint32 source = 0;
    qint32 target = 0;
    double score = 0;
    int property = 9;       // exactMatch 9, broadMatch 8, narrowMatch 10
    QStringList evidence;   // sentences, most important first

    QString relationName() const; // "exactMatch", "broadMatch", "narrowMatch"
    QString evidenceText() const; // the sentences joined by "; "
};

// Progress of a batch: concepts done and in all; false stops it.
using Progress = std::function<bool(int done, int total)>;

class Matcher
{
public:
    ~Matcher();
    Matcher(const Matcher &) = delete;
    Matcher &operator=(const Matcher &) = delete;

    // Reads the scope's two thesauri, the project's relations and its rejected
    // pairs.  Null, with the reason in *error, when the scope names no field,
    // subset or target thesaurus that is there.  Throws DbError.
    static std::unique_ptr<Matcher> build(cConnessione &connection, const Scope &scope, QString *error = nullptr,
                                          const Weights &weights = {});

    const Scope &scope() const;
    int project() const;

    // The best candidates for one EUROVOC concept of the scope, best first
    // (empty for a concept outside it).
    QVector<Candidate> suggest(qint32 source, int count = 10) const;

    // Every real concept (is_leaf 1) of the field, in tree order.
    QVector<qint32> sources() const;
    // The best candidates of every source, in the order of sources(); empty
    // when the progress callback stopped it.
    QVector<QVector<Candidate>> suggestAll(int count, const Progress &progress = {}, bool *cancelled = nullptr) const;

    bool hasSource(qint32 conceptId) const;
    bool hasTarget(qint32 conceptId) const;
    QString sourceLabel(qint32 conceptId) const; // the concept's dex
    QString targetLabel(qint32 conceptId) const;
    QString sourceUri(qint32 conceptId) const;
    QString targetUri(qint32 conceptId) const;

    // What a decision taken after the build changes: a rejected pair is never
    // proposed again; a stored relation is no longer proposed and counts as
    // structure and as the target's match.
    void reject(qint32 source, qint32 target);
    void addRelation(qint32 source, qint32 target, int property);

    // Bytes the index holds (an estimate from the sizes of its arrays).
    std::size_t memoryBytes() const;
    int sourceCount() const;
    int targetCount() const;

    struct Data;

private:
    Matcher();
    std::unique_ptr<Data> d;
};

} // namespace Suggest
