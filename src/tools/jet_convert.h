#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Converts an Access (Jet 3 or Jet 4) database into an SQLite database: every
// user table with its columns and rows, names as they are, NULLs kept, text in
// UTF-8.  The new file is written under a temporary name beside the target
// and renamed only when complete, so a failure leaves no file behind.
namespace Jet {

struct TableReport
{
    QString name;
    qint64 rows = 0;
};

struct Result
{
    enum class Status { Converted, Cancelled, Failed, NotThesaurus } status = Status::Converted;
    QString message;
    QList<TableReport> tables;
    QStringList missing; // thesaurus tables the Jet file lacks (NotThesaurus)
    QString text() const;
};

// Percent done and the table being copied; returning false cancels.
using Progress = std::function<bool(int percent, const QString &table)>;

// The user tables of a Jet file, as mdbtools lists them.  False (with the
// reason in error) when the file cannot be read as a Jet database.
bool tableNames(const QString &jetPath, QStringList &names, QString *error = nullptr);

// The thesaurus tables missing from a list of table names (case ignored).
QStringList missingThesaurusTables(const QStringList &tables);

// Converts every user table of jetPath into a new database at outPath
// (replacing a file already there only once the conversion is complete).
Result convert(const QString &jetPath, const QString &outPath, const Progress &progress = {});

// The same for a thesaurus database: refused (NotThesaurus, nothing written)
// when a thesaurus table is missing; the two views are added when absent.
Result convertThesaurus(const QString &jetPath, const QString &outPath, const Progress &progress = {});

// <folder>/<name>.sqlite beside a Jet file.
QString convertedPath(const QString &jetPath);

} // namespace Jet
