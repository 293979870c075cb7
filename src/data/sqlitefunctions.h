#pragma once

struct sqlite3;

// Text rules installed on every connection the program opens.
namespace SqliteFunctions {

// Replaces the connection's NOCASE collation by one that also folds non-ASCII
// letters and sorts accented letters next to their base letter (É with E).
// Pure ASCII text compares exactly as with SQLite's own NOCASE, so a file
// written here stays consistent for the standard sqlite3 tool.
void install(sqlite3 *db);

// The comparison used by that collation (negative, zero, positive).
int compareNoCase(const char *a, int lengthA, const char *b, int lengthB);

} // namespace SqliteFunctions
