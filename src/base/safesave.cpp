#include "base/safesave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <filesystem>
#include <system_error>

namespace {

QString diskFull()
{
    return QStringLiteral("the disk is full");
}

bool noSpaceLeft(const QString &folder)
{
    const QStorageInfo storage(folder);
    return storage.isValid() && storage.bytesAvailable() == 0;
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

} // namespace

QString SafeSave::reason(const QFileDevice &file)
{
    if (file.error() == QFileDevice::ResourceError)
        return diskFull();
    const QString text = file.errorString();
    if (noSpaceLeft(folderOf(file.fileName())))
        return diskFull();
    if (text.isEmpty() || text == QLatin1String("Unknown error"))
        return QStringLiteral("the data could not be written to the disk");
    return text;
}

bool SafeSave::open(QSaveFile &file, QString *error)
{
    if (file.open(QIODevice::WriteOnly))
        return true;
    if (error)
        *error = reason(file);
    return false;
}

bool SafeSave::write(QSaveFile &file, QByteArrayView bytes, QString *error)
{
    if (!file.isOpen()) {
        if (error && error->isEmpty())
            *error = QStringLiteral("the file is not open for writing");
        return false;
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            // The write that fails after a short one carries the reason; a
            // buffered write only learns it when the buffer goes to disk.
            if (file.error() != QFileDevice::ResourceError)
                file.flush();
            if (error)
                *error = reason(file);
            file.cancelWriting();
            return false;
        }
        done += n;
    }
    return true;
}

bool SafeSave::commit(QSaveFile &file, QString *error)
{
    if (!file.isOpen()) {
        if (error && error->isEmpty())
            *error = QStringLiteral("the file was not written completely");
        return false;
    }
    if (file.error() != QFileDevice::NoError || !file.flush() || file.error() != QFileDevice::NoError) {
        if (error)
            *error = reason(file);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = reason(file);
        return false;
    }
    return true;
}

void SafeSave::removeWithJournals(const QString &path)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

SafeSave::TemporaryTarget::TemporaryTarget(const QString &target, const QString &suffix)
    : m_target(target), m_temporary(target + suffix)
{
}

SafeSave::TemporaryTarget::~TemporaryTarget()
{
    if (!m_done)
        discard();
}

bool SafeSave::TemporaryTarget::clear(QString *error)
{
    removeWithJournals(m_temporary);
    if (!QFileInfo::exists(m_temporary))
        return true;
    if (error)
        *error = QStringLiteral("the file %1 is in the way and cannot be removed")
                     .arg(QDir::toNativeSeparators(m_temporary));
    return false;
}

bool SafeSave::TemporaryTarget::commit(QString *error)
{
    // Journals beside the target belong to the file being replaced: left
    // there, a database engine would apply them to the new file.
    for (const char *suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(m_target + QLatin1String(suffix));
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(m_temporary).toStdString(), QFile::encodeName(m_target).toStdString(),
                            ec);
    if (ec) {
        if (error)
            *error = ec == std::errc::no_space_on_device ? diskFull() : QString::fromStdString(ec.message());
        discard();
        return false;
    }
    // A journal left beside the temporary name belongs to no file any more.
    removeWithJournals(m_temporary);
    m_done = true;
    return true;
}

void SafeSave::TemporaryTarget::discard()
{
    removeWithJournals(m_temporary);
    m_done = true;
}
