#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVector>
#include <utility>

class cConnessione;

// What the editors decided about suggested pairs, kept in a table of this
// program's own beside the thesaurus tables ("suggestiondecisions"): who,
// when, which project and pair, the score and evidence shown, and the
// decision.  The table is created the first time a decision is stored; the
// thesaurus tables are never changed by it.
namespace Decisions {

inline constexpr const char *Table = "suggestiondecisions";

enum class Decision { Accepted, Rejected };

struct Record
{
    int project = 0;
    qint32 left = 0;  // EUROVOC concept
    qint32 right = 0; // target concept
    int property = 0; // the relation proposed (accepted: the one stored)
    double score = 0;
    QString evidence;
    Decision decision = Decision::Rejected;
    QString who;        // filled by record() when empty
    QDateTime when;     // filled by record() from the program's clock when invalid
    qint32 relation = 0; // mappingrelations.id of an accepted pair, 0 otherwise
};

// The name of the operating-system user running the program.
QString currentUser();

// True when the table is there.
bool exists(cConnessione &connection);
// Creates the table and its index in one transaction when it is not there.
// Throws DbError (nothing is left half made).
void ensureTable(cConnessione &connection);

// Stores a decision (creating the table first when needed).  Throws DbError.
void record(cConnessione &connection, Record decision);

// The pairs (left, right) rejected in a project; empty when the table is not there.
QList<std::pair<qint32, qint32>> rejectedPairs(cConnessione &connection, int project);
// Every decision of a project, oldest first; empty when the table is not there.
QVector<Record> all(cConnessione &connection, int project);

QString decisionName(Decision decision); // "accepted", "rejected"

} // namespace Decisions
