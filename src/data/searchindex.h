#pragma once

#include <QString>
#include <functional>

class cConnessione;

// A side index that answers "which texts contain this word" without reading
// every text: FTS5 trigram tables over the case-folded text values
// (datatypepropertyvalues.value) and concept descriptions (concepts.dex),
// keyed by the rows' rowids.
//
// It is built in the background, on a thread and a connection of its own,
// into a file in the system's temporary folder; the database file and what
// any other tool sees of it never change.  When the build has finished, the
// next search attaches that file to the program's connection; from then on
// temporary triggers keep it current for the connection's own writes, and it
// is built again when another connection has changed the file.  The writes
// the connection makes while the build runs are noted and replayed into the
// index when it is attached, so they are never missed.  Until it is attached
// searches run the plain statement, which gives the same rows.
namespace SearchIndex {

// The index tables, qualified by the schema the index is attached as.
QString schemaName();
QString valuesTable();
QString dexTable();

// Starts building the index for the connection in the background, unless it
// is being built or is already there.  Returns at once; never throws.
void start(cConnessione &connection);

// True when the index can answer now.  Never waits: a finished build is
// attached here; when there is none yet, or the file was changed by another
// connection since it was built, a build is started and false is returned.
// False too inside an open transaction (the index is attached only between
// transactions).  Never throws.
bool ready(cConnessione &connection);

// Makes sure the index is there and current, waiting for its build.  False
// when it cannot be had (no FTS5 in the SQLite library, tables of another
// shape); callers then search without it.  Never throws.
bool ensure(cConnessione &connection);

// True when the index is attached to the connection now (no check of freshness).
bool exists(cConnessione &connection);

// True while a build for the connection runs.
bool building(cConnessione &connection);

// Drops the index (and its triggers) from the connection; a build that runs is stopped.
void drop(cConnessione &connection);

// Lets go of everything kept for the connection (its build is stopped and its
// file removed).  The connection calls it when it is closed.
void forget(cConnessione &connection);

// How the build works through the tables: rows per statement, and a hook
// called on the build's thread before each of them (tests hold the build
// there).  The default is what the program uses.
struct BuildSettings
{
    int rowsPerStep = 20000;
    std::function<void()> beforeStep;
};
void setBuildSettings(const BuildSettings &settings);

// The MATCH text that finds the rows whose folded text contains the folded
// word: one FTS5 phrase.  Empty when the index cannot answer the word: fewer
// than three characters, or a LIKE wildcard ('%', '_') in it.  The word is
// folded as the index holds its texts (SqliteFunctions::indexText).
QString matchText(const QString &word);

} // namespace SearchIndex
