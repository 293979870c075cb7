#pragma once

#include <QString>
#include <QStringList>

class cConnessione;

// The rows of a table as texts, sorted, with the values written the same way
// whatever engine holds them (Null apart from the empty text, whole numbers
// without a decimal point), so that two databases can be compared row by row.
QStringList dumpTable(cConnessione &connection, const QString &table);

// dumpTable of every table of the program a database holds, each row after
// its table's name.
QStringList dumpProgramTables(cConnessione &connection);
