#pragma once

#include <QByteArray>
#include <QChar>
#include <QDateTime>
#include <QString>

struct sqlite3;

// Text rules installed on every connection the program opens.
namespace SqliteFunctions {

// Replaces the connection's NOCASE collation by one that also folds non-ASCII
// letters and sorts accented letters next to their base letter (É with E).
// Pure ASCII text compares exactly as with SQLite's own NOCASE, so a file
// written here stays consistent for the standard sqlite3 tool.
void install(sqlite3 *db);

// Adds the functions the change log's triggers call: vospan_user() the
// account the program runs under, vospan_now() the program clock's time as
// timeText() writes it, vospan_session() the text session points to (which
// must outlive the connection).
void installChangeLogFunctions(sqlite3 *db, const QByteArray *session);

// A time as the change log holds it: UTC, ISO 8601 with milliseconds
// ("2026-12-09T22:38:15.123Z"), so that texts sort as the times do.
QString timeText(const QDateTime &time);

// The comparison used by that collation (negative, zero, positive).
int compareNoCase(const char *a, int lengthA, const char *b, int lengthB);

// The same order as keys made once per text, for sorting many texts in
// memory: compare the primary parts, and the secondary ones where those are
// equal (QString::compare, code unit by code unit).
struct CollationKey
{
    QString primary;   // case folded, accents taken off
    QString secondary; // case folded
};
CollationKey collationKey(const QString &text);
int compare(const CollationKey &a, const CollationKey &b);

// install() also replaces like(pattern, text[, escape]), and so the LIKE
// operator, by one that ignores letter case in every alphabet ("É" matches
// "é"), not only in ASCII.  '%' stands for any run of characters, '_' for
// exactly one, and the escape character makes the next one literal.  Both
// sides are compared after foldCase(); pure ASCII text matches exactly as
// with SQLite's own LIKE.
bool like(const QString &pattern, const QString &text, QChar escape = QChar());
bool likeUtf8(const char *pattern, int patternLength, const char *text, int textLength, uint escape = 0);

// install() also adds vospan_fold(text): indexText() in SQL (Null stays Null).
// The case folding LIKE uses: a per-character mapping, so the folding of a
// joined text is the joining of the foldings.
QString foldCase(const QString &text);

// A text as the full-text side index holds it: foldCase(), with U+0000 turned
// into U+0001 (the index's reader stops at U+0000, and would not see the rest
// of the text).  Also a per-character mapping.
QString indexText(const QString &text);

} // namespace SqliteFunctions
