#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>

// Delimited text as the mapping formats write it: the CSV export (comma) and
// SSSOM's table (tab).  One rule for both, the one of RFC 4180: a field that
// holds the separator, a double quote, a carriage return or a line feed is
// written between double quotes with its quotes doubled; every other field
// is written as it is.  No other escapes exist: a backslash is a backslash.
namespace MappingTable {

// One field, quoted when it needs to be.
QString field(QStringView text, QChar separator);

// One line of fields joined by the separator, each quoted when needed, with
// no line end.
QString line(const QStringList &fields, QChar separator);

// One record as read: its fields and the line it starts on.
struct Record
{
    int line = 0;
    QStringList fields;
};

struct Reading
{
    bool ok = false;
    QVector<Record> records;
    QString error;       // why the text cannot be read
    int errorLine = -1;  // the line the error names
};

enum class LooseQuotes {
    Refused, // a quote inside a field that does not start with one is an error
    Literal  // such a quote is an ordinary character (what tab-separated files in the field hold)
};

// Reads records from text.  Lines end with LF, CR LF or a CR alone (files
// saved by old Macintosh programs); inside quotes every character, line ends
// included, belongs to the field.  firstLine is the line number of the first
// character of text.  Empty lines give records with one empty field.
Reading read(QStringView text, QChar separator, int firstLine, LooseQuotes looseQuotes);

} // namespace MappingTable
