#pragma once

#include "tools/mappingstatement.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// This program's CSV of mapping relations: UTF-8 with a byte order mark,
// CR LF line ends, one header row, fields quoted as RFC 4180 says.  The
// writer and the reader share the one column list.
namespace MappingCsv {

// The header: "id", "source label", "source URI", "relation", "target label",
// "target URI", "target thesaurus", "notes".
const QStringList &columns();

// The file for rows given in the order of columns().
QByteArray write(const QVector<QStringList> &rows);

// Reads the text of a CSV file into file.  The columns are found by their
// names (case and surrounding blanks ignored); "source URI", "relation" and
// "target URI" must be there.  A row with another number of fields than the
// header is refused with its line.
void read(const QString &text, MappingImport::File &file);

} // namespace MappingCsv
