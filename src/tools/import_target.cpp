#include "tools/import_target.h"

#include "data/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

ImportTarget::ImportTarget(const QString &path)
    : m_path(path), m_new(!ServerAddress::isAddress(path) && !QFileInfo::exists(path))
{
}

ImportTarget::~ImportTarget()
{
    discard();
}

bool ImportTarget::open(QString *error)
{
    m_db = std::make_unique<cConnessione>();
    try {
        QString file = m_path;
        if (m_new) {
            // A name of our own beside the final one, so the rename at the end
            // stays within one file system.
            const QFileInfo final(m_path);
            QTemporaryFile name(QDir(final.absolutePath()).filePath(QStringLiteral(".") + final.fileName()
                                                                     + QStringLiteral(".XXXXXX.importing")));
            if (!name.open())
                throw DbError(3204, QStringLiteral("Cannot create the database %1: %2")
                                        .arg(QDir::toNativeSeparators(m_path), name.errorString()));
            m_temporary = name.fileName();
            name.close();
            name.remove();
            cConnessione::createDatabaseFile(m_temporary);
            file = m_temporary;
        }
        if (!m_db->ApriConnessione(cConnessione::connectionStringOf(file)))
            throw DbError(3024, m_db->lastOpenError());
        if (m_new)
            Schema::create(*m_db);
    } catch (const DbError &e) {
        discard();
        if (error)
            *error = QStringLiteral("Error %1: %2").arg(e.number()).arg(e.description());
        return false;
    }
    return true;
}

bool ImportTarget::finish(QString *error)
{
    if (m_db)
        m_db->ChiudiConnessione();
    m_db.reset();
    if (!m_new || m_temporary.isEmpty())
        return true;
    // QFile::rename never replaces a file that appeared under the final
    // name in the meantime.
    if (!QFile::rename(m_temporary, m_path)) {
        if (error)
            *error = QStringLiteral("Cannot write the database %1: %2")
                         .arg(QDir::toNativeSeparators(m_path),
                              QFileInfo::exists(m_path) ? QStringLiteral("a file of that name appeared meanwhile")
                                                        : QStringLiteral("the file cannot be renamed"));
        removeTemporary();
        return false;
    }
    m_temporary.clear();
    return true;
}

void ImportTarget::discard()
{
    if (m_db)
        m_db->ChiudiConnessione();
    m_db.reset();
    removeTemporary();
}

void ImportTarget::removeTemporary()
{
    if (m_temporary.isEmpty())
        return;
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(m_temporary + QLatin1String(suffix));
    m_temporary.clear();
}
