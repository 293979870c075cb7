#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Copies a whole thesaurus database between a file and a server, either way
// (or file to file, server to server): the thesaurus tables, the program's
// own tables beside them (decisions on suggestions, settings, the change log
// as it stands) and what the target's engine needs around them (views,
// indexes, on a server the collation, the search's trigram indexes and the
// change log's triggers).  Everything is written in one transaction: a copy
// that fails leaves the target as it was (a new file is made under a
// temporary name and renamed at the end).
namespace CopyDb {

struct Options
{
    // A target that already holds tables of the program is refused unless
    // this is set; it is then replaced as a whole.
    bool replace = false;
    // Told what is being copied, now and then ("concepts: 20,000 of 100,000 rows").
    std::function<void(const QString &line)> progress;
    // Rows per statement into a server.
    int batch = 250;
};

struct Outcome
{
    int tables = 0;
    qint64 rows = 0;
    QStringList leftOut; // tables of the source that are not the program's, not copied
};

// source and target: a file's path or a server address.  Throws DbError when
// the copy cannot be made or is refused (the reason in words).
Outcome copy(const QString &source, const QString &target, const Options &options = {});

// A file path or a server address as the program shows it (an address
// without the password that may have been typed into it).
QString shown(const QString &fileOrAddress);

} // namespace CopyDb
