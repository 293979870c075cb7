#pragma once

#include "suggest/matcher.h"

#include <QString>
#include <QVector>
#include <memory>

class cConnessione;

// What the suggestion windows do without their widgets: the matcher of the
// open mapping, and the review of a whole field's candidates.
namespace Suggest {

// The scope of the open mapping: its target thesaurus, EUROVOC field and subset.
Scope currentScope();

// The matcher of the open mapping on the shared connection, built on first
// use and again when the mapping, the database or its relations changed
// (a relation stored since, by the editor or a merge).  Null, with the
// reason in *why, when no mapping is open or the scope is not there.
// Throws DbError.
Matcher *currentMatcher(QString *why);
// Drops the matcher kept by currentMatcher (the database was closed).
void forgetCurrentMatcher();

// Every left concept of a mapping with its best candidates, and what the
// editor did with each.
class FieldReview
{
public:
    enum class State { Pending, Accepted, Rejected, Skipped };

    struct Row
    {
        Candidate candidate;
        QString sourceText;
        QString targetText;
        State state = State::Pending;
    };

    struct Filter
    {
        double minScore = 0;        // rows scoring below it are hidden
        int property = 0;           // 0 every relation, else exactMatch 9, broadMatch 8, narrowMatch 10
        bool pendingOnly = false;   // only the rows not reviewed yet
    };

    // The candidates of every source concept of the matcher's scope, up to
    // perConcept each.  Progress (done, total) may stop it: cancelled then,
    // and the rows are empty.
    void run(const Matcher &matcher, int perConcept, const Progress &progress = {}, bool *cancelled = nullptr);

    const QVector<Row> &rows() const { return m_rows; }
    int sources() const { return m_sources; }
    // The rows the filter lets through, in order.
    QVector<int> visible(const Filter &filter) const;

    // Accept stores the relation through the editor's save (the pair's trees
    // must be loaded) and records the decision; reject records it and the
    // matcher stops proposing the pair.  A row already accepted or rejected
    // is left alone (false).  True when the row changed.
    bool accept(int row);
    bool reject(int row, Matcher *matcher);
    bool skip(int row);

    static QString stateName(State state); // "", "accepted", "rejected", "skipped"

private:
    QVector<Row> m_rows;
    int m_sources = 0;
};

} // namespace Suggest
