#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

class cConnessione;

// The rows of a table as texts, sorted, with the values written the same way
// whatever engine holds them (Null apart from the empty text, whole numbers
// without a decimal point), so that two databases can be compared row by row.
// Columns named in leaving are left out (row numbers engines give alike
// only until rows are deleted, for example).
QStringList dumpTable(cConnessione &connection, const QString &table, const QStringList &leaving = {});

// The first column of every row of a query, as texts.
QStringList firstColumn(cConnessione &connection, const QString &sql, const QVariantList &params = {});

// dumpTable of every table of the program a database holds, each row after
// its table's name.
QStringList dumpProgramTables(cConnessione &connection);
