#pragma once

#include <QByteArrayView>
#include <QString>

class QFileDevice;
class QSaveFile;

// Safe saving: a file the program writes reaches its final name only when
// every byte of it is on the disk; otherwise the earlier file of that name
// stays exactly as it was.
//
// QSaveFile alone is not enough: a write can be short without an error, and
// Qt 6.4's commit() returns true after its last flush has failed.  These
// routines check each write, flush before committing and cancel instead of
// committing when anything went wrong, and they name the common causes in
// words ("the disk is full") rather than "Unknown error".
namespace SafeSave {

// Opens the file for writing; false, with the reason, when it cannot.
bool open(QSaveFile &file, QString *error);

// Writes all the bytes (retrying short writes).  False, with the reason, on
// the first failure; the file is then cancelled and later writes fail too.
bool write(QSaveFile &file, QByteArrayView bytes, QString *error);

// Puts the file in place when everything written reached the disk; otherwise
// cancels it (the earlier file is untouched) and gives the reason.
bool commit(QSaveFile &file, QString *error);

// Why a file device failed, in words for the user.
QString reason(const QFileDevice &file);

// A file that a library writes by itself (a database, for example) is made
// under a temporary name beside its target and renamed over it at the end.
// Until then, the target is untouched; when the object goes without commit()
// the temporary file is removed together with the journal files a database
// engine may have left beside it.
class TemporaryTarget
{
public:
    // The temporary name is the target followed by suffix.
    explicit TemporaryTarget(const QString &target, const QString &suffix = QStringLiteral(".partial"));
    ~TemporaryTarget();
    TemporaryTarget(const TemporaryTarget &) = delete;
    TemporaryTarget &operator=(const TemporaryTarget &) = delete;

    QString path() const { return m_temporary; }
    QString target() const { return m_target; }

    // Removes whatever an earlier, interrupted run left under the temporary
    // name.  False, with the reason, when it cannot be removed.
    bool clear(QString *error);

    // Renames the temporary file over the target (replacing a file there).
    // False, with the reason, when it cannot; the temporary file is removed.
    bool commit(QString *error);

    // Removes the temporary file and its journals now.
    void discard();

private:
    QString m_target;
    QString m_temporary;
    bool m_done = false;
};

// Removes a database file and the journal files beside it ("-journal",
// "-wal", "-shm"), so that no journal is left to be applied later to another
// file copied under that name.
void removeWithJournals(const QString &path);

} // namespace SafeSave
