#pragma once

#include "base/DbError.h"

#include <QSqlQuery>
#include <QVariant>
#include <functional>
#include <optional>

class cConnessione;

// A mapping relation to be added: its references and its notes (stored as
// given, a null value as Null).
struct NewRelation
{
    qint32 project = 0;
    qint32 left = 0;
    qint32 right = 0;
    qint32 property = 0;
    QVariant notes;
};

// The one way new mapping relations reach the database, whoever adds them
// (the mapping editor, an accepted suggestion, the merge, the mapping
// import).  Ids are allocated inside the database, in the same transaction
// as the insert: the next id is one above the largest id present, read after
// the write lock is taken, so that several programs adding relations to one
// database at the same moment never hand out the same id.  Where the engine
// lets two writers read the same largest id (a server without a table lock),
// the second insert meets the unique key of mappingrelations.id; the whole
// transaction is then undone and done again with a fresh read.
class RelationStore
{
public:
    explicit RelationStore(cConnessione &connection);

    // How many times a transaction that met another writer's id is done again
    // before the conflict is reported.
    static constexpr int Attempts = 50;

    // Adds one relation under the next id: one above the largest id in the
    // table and above `above` (the ids this run has handed out, which are not
    // reused while the database stays open even when their rows were
    // deleted).  Gives the id stored, or 0 when no 32-bit id is left (nothing
    // is stored then).  Throws DbError.
    qint32 add(const NewRelation &relation, qint32 above = 0);

    // What work running inside write() can do.
    class Batch
    {
    public:
        // The largest id in the table now (0 for an empty table), exactly as
        // stored (it may lie beyond the 32-bit range).
        qint64 highestId();
        // Inserts one relation under the given id.  Throws DbError; a clash
        // with an id another writer stored meanwhile is remembered, so that
        // write() does the work again even when the work catches the error.
        void insert(qint32 id, const NewRelation &relation);
        cConnessione &connection() { return m_c; }

    private:
        friend class RelationStore;
        explicit Batch(cConnessione &c)
            : m_c(c)
        {
        }
        cConnessione &m_c;
        std::optional<QSqlQuery> m_insert; // prepared on the first insert
        bool m_conflict = false;
        QString m_conflictText;
    };

    // Runs work inside one write transaction.  The work reads what it needs
    // (the highest id, rows already there), decides and inserts; it returns
    // true to keep what it wrote, false to undo it.  When an insert met an id
    // that another writer stored meanwhile, the transaction is undone and the
    // work runs again from the start (so it must start from a clean state of
    // its own each time).  True when the work was committed.  Throws DbError.
    bool write(const std::function<bool(Batch &)> &work);

    // True when the error is a clash on an id (one another writer took);
    // false for every other refusal, a unique index on other columns too.
    static bool isConflict(const DbError &error);

private:
    cConnessione &m_c;
};
