#pragma once

#include "data/cConnessione.h"

#include <QString>
#include <memory>

// The database an import writes into.  An existing file, or a database on a
// server, is opened as it is.  A new file is made under a temporary name in the same folder, with
// the whole schema, and takes its final name only once the import has
// completed: an import that fails (a full disk, a cancel, a bad file) leaves
// neither the file nor its journal behind, and never a half-made database
// under the name the user chose.
class ImportTarget
{
public:
    explicit ImportTarget(const QString &path);
    ~ImportTarget(); // discards a new file that was not finished

    ImportTarget(const ImportTarget &) = delete;
    ImportTarget &operator=(const ImportTarget &) = delete;

    bool isNew() const { return m_new; }
    QString path() const { return m_path; }

    // Opens the file (a new one is created first).  False with a message
    // when it cannot be had.
    bool open(QString *error);
    cConnessione &db() { return *m_db; }

    // Closes the database; a new file takes its final name.  False with a
    // message when that fails (the new file is then removed).
    bool finish(QString *error);
    // Closes the database; a new file is removed with its journal.
    void discard();

private:
    void removeTemporary();

    QString m_path;
    QString m_temporary;
    bool m_new;
    std::unique_ptr<cConnessione> m_db;
};
