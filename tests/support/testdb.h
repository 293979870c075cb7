#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

class cConnessione;

// Test databases in a temporary folder that disappears with the object.
class TestDb
{
public:
    TestDb();

    QString folder() const { return m_dir.path(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // A new database file with the full schema and fixed rows.  Returns its path.
    QString createThesaurus(const QString &name = QStringLiteral("thesaurus.sqlite"));
    // A new database file built from the given statements only.
    QString createWith(const QString &name, const QStringList &statements);
    // A file holding the given bytes.
    QString writeFile(const QString &name, const QByteArray &bytes);

    // Runs statements on a database file through a connection of its own,
    // which the change log does not sign (as another tool's).
    static void run(const QString &path, const QStringList &statements, const QList<QVariantList> &params = {});
    // One value of a query on a database file.
    static QVariant value(const QString &path, const QString &sql, const QVariantList &params = {});

private:
    QTemporaryDir m_dir;
};

// The bundled sample database, when the build made it (empty otherwise).
QString sampleDatabasePath();
// ../shared/data, when present beside the project (empty otherwise).
QString sharedDataPath();
// The program's own executable, for tests that run it as a separate process
// (empty when the build has not made it).
QString programPath();
