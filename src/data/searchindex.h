#pragma once

#include <QString>

class cConnessione;

// A side index that answers "which texts contain this word" without reading
// every text: FTS5 trigram tables over the case-folded text values
// (datatypepropertyvalues.value) and concept descriptions (concepts.dex),
// keyed by the rows' rowids.
//
// It lives in the connection's temporary schema: the database file and what
// any other tool sees of it never change.  It is built on first use, kept
// current for this connection's own writes by temporary triggers, and built
// again when another connection has changed the file since.
namespace SearchIndex {

// Names of the two index tables (in the temp schema).
inline QString valuesTable() { return QStringLiteral("vospan_fts_values"); }
inline QString dexTable() { return QStringLiteral("vospan_fts_dex"); }

// Makes sure the index is there and current.  False when it cannot be had
// (no FTS5 in the SQLite library, tables of another shape); callers then
// search without it.  Never throws.
bool ensure(cConnessione &connection);

// True when the index exists on the connection now (no check of freshness).
bool exists(cConnessione &connection);

// Drops the index (and its triggers) from the connection.
void drop(cConnessione &connection);

// The MATCH text that finds the rows whose folded text contains the folded
// word: one FTS5 phrase.  Empty when the index cannot answer the word: fewer
// than three characters, or a LIKE wildcard ('%', '_') in it.
QString matchText(const QString &word);

} // namespace SearchIndex
