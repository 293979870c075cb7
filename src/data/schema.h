#pragma once

#include <QStringList>

class cConnessione;

// The SQL that creates a thesaurus database, and the fixed rows every such
// database holds.  Text columns compare without regard to letter case
// (collation NOCASE, which any sqlite3 tool understands).
namespace Schema {

// Names of the tables the program reads and writes.
QStringList tableNames();

// "create table" and "create index" statements, in dependency order.
QStringList tableStatements();

// The two views that show a concept's link values and text values.  Beside the
// columns the program displays (Pdex, Rdex, Pvalue) they expose the filter
// columns concept_id, is_mapping_rel and lang_name.  With temporary set they
// are created in the connection's temporary schema (for read-only files).
QStringList viewStatements(bool temporary = false);

// The program's own tables beside the thesaurus (decisions on suggested
// pairs, settings, the change log), in the order a copy makes them.
QStringList sideTableNames();
// The statements that make one of them on the connection's engine (empty for
// any other name).
QStringList sideTableStatements(const QString &table, const cConnessione &connection);

// What a server database needs before the tables: the letter-case-blind
// collation the text columns use and the folding function of the word
// search.  Runs inside the caller's transaction.
void createServerPrelude(cConnessione &connection);

// A server database's trigram indexes of the word search (when the server
// has the pg_trgm extension; without them the search reads every text).
void createSearchIndexes(cConnessione &connection);

// Creates every table, view and fixed row in an empty database, with the
// change log (and, on a server, what the search and the log need).
void create(cConnessione &connection);

// Inserts the fixed rows: models 1-5, properties 1-6 and 8-10, language 6 "EN",
// mapping projects 1-4.
void insertFixedRows(cConnessione &connection);

// Creates the two views when the thesaurus tables are there and the views are
// not.  A read-only file gets them as temporary views, so it is never changed.
void ensureViews(cConnessione &connection);

} // namespace Schema
