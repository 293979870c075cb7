#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>

// Converts an Access (Jet 3 or Jet 4) database into an SQLite database: every
// user table with its columns and rows, names as they are, NULLs kept, text in
// UTF-8.  The new file is written under a temporary name beside the target
// and renamed only when complete, so a failure leaves no file behind.
//
// A damaged Access file is refused, never converted in part: every table must
// give as many rows as its definition declares, and the catalog as many
// objects as it lists.  The reading can run in a child process of the program
// (setChildProgram), so that a crash or a hang of the Access library on a
// damaged file ends only the child and becomes a refusal with a message.
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

// The user tables of a Jet file.  False (with the reason in error) when the
// file cannot be read as a Jet database or its catalog is damaged.
bool tableNames(const QString &jetPath, QStringList &names, QString *error = nullptr);

// The thesaurus tables missing from a list of table names (case ignored).
QStringList missingThesaurusTables(const QStringList &tables);

// Converts every user table of jetPath into a new database at outPath
// (replacing a file already there only once the conversion is complete; never
// the Access file itself).
Result convert(const QString &jetPath, const QString &outPath, const Progress &progress = {});

// The same for a thesaurus database: refused (NotThesaurus, nothing written)
// when a thesaurus table is missing; the two views are added when absent.
Result convertThesaurus(const QString &jetPath, const QString &outPath, const Progress &progress = {});

// <folder>/<name>.sqlite beside a Jet file (<name>-converted.sqlite when the
// Access file itself is called <name>.sqlite).
QString convertedPath(const QString &jetPath);

// True when path names the Access file jetPath itself (through any link).
bool isSameFile(const QString &jetPath, const QString &path);

// The program that does the reading in a child process: this program's own
// executable, which answers childCommand().  Empty (the default): the reading
// runs in this process.
void setChildProgram(const QString &program);
QString childProgram();
// How long the child may go without a sign of progress before it is stopped
// and the file refused (30 seconds unless set).
void setStallTimeout(int milliseconds);

// The command the child runs: "tables FILE" or "convert FILE NEWFILE
// thesaurus|plain".  It answers in lines of JSON on out.
int childCommand(const QStringList &args, QTextStream &out, QTextStream &err);

} // namespace Jet
