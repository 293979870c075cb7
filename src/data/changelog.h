#pragma once

#include "data/cConnessione.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

// Who stored, changed or deleted each mapping relation, and when: one row per
// change in a table of the program's own beside the schema.  The rows are
// written by triggers on mappingrelations, so no path that changes a
// relation can leave them out.  On a server database the triggers are part
// of the database and sign with the database user; on a file they are put
// on each of the program's own connections when it opens the file and sign
// with the operating-system account.  Every connection signs its rows with
// its session text, so that a program can tell its own changes from others'.
namespace ChangeLog {

inline constexpr const char *Table = "vospan_relationlog";
// The notification a server database sends when relations have changed.
inline constexpr const char *Channel = "vospan_relations";

// The statements that make the log table on that engine.
QStringList tableStatements(cConnessione::Engine engine);

// Makes (or makes again) a server database's functions and triggers that
// write the log and send the notification, in its current schema.
void createServerTriggers(cConnessione &connection);

// Called when a database is opened: on a thesaurus database opened for
// writing, makes the log table when it is missing and puts the triggers in
// place (a server's only where they are missing and its user may make them).
// A database where that cannot be done is used without a log.  Never throws.
void prepare(cConnessione &connection);

// True when the log table is there.
bool exists(cConnessione &connection);

struct Entry
{
    qint64 id = 0;
    qint32 relation = 0;
    QString action;         // "insert", "update" or "delete"
    qint32 property = 0;    // the relation's kind after the change (what was deleted, for a delete)
    qint32 oldProperty = 0; // the kind before an update, 0 otherwise
    QString by;             // database user or account
    QString at;             // UTC, "2026-12-09T22:38:15.123Z"
    QString session;
};

// The last change of a relation; nullopt when the log has none (or there is no log).
std::optional<Entry> latest(cConnessione &connection, qint32 relation);

// The last change of every relation the log knows.
QHash<qint32, Entry> latestOfAll(cConnessione &connection);

// The newest row of the log now (0 for none): changes after it are newer
// than what was read at this moment.
qint64 mark(cConnessione &connection);

// How many relations other connections have stored, changed or deleted since
// the mark was taken.
int changedByOthersSince(cConnessione &connection, qint64 mark);

// "alice at 2026-12-09 22:38 UTC", how a message names the author of a change.
QString byWhom(const Entry &entry);

// What became of a relation that is no longer as it was read (its kind then
// seenProperty).
struct Happened
{
    enum class Kind { Unchanged, Changed, Deleted };
    Kind kind = Kind::Unchanged;
    bool known = false; // the log tells who and when
    // For a message: "was deleted by bob at 2026-12-09 22:38 UTC", "was
    // changed to broadMatch by bob at ...", "... by another program" where
    // the log does not tell.
    QString text;
};
Happened whatHappened(cConnessione &connection, qint32 relation, qint32 seenProperty);

} // namespace ChangeLog
