#include "support/testdb.h"

#include "data/cConnessione.h"
#include "data/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

TestDb::TestDb()
{
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}


QString TestDb::createThesaurus(const QString &name)
{
    const QString p = path(name);
    cConnessione::createDatabaseFile(p);
    cConnessione c;
    if (!c.ApriConnessione(cConnessione::connectionStringFor(p)))
        throw std::runtime_error("cannot open test database");
    Schema::create(c);
    c.ChiudiConnessione();
    return p;
}

QString TestDb::createWith(const QString &name, const QStringList &statements)
{
    const QString p = path(name);
    cConnessione::createDatabaseFile(p);
    run(p, statements);
    return p;
}

QString TestDb::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString p = path(name);
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write test file");
    f.write(bytes);
    return p;
}

void TestDb::run(const QString &path, const QStringList &statements, const QList<QVariantList> &params)
{
    cConnessione c;
    // Rows a test puts in place come as another tool would write them: the
    // change log does not sign them.
    c.setRecordChanges(false);
    if (!c.ApriConnessione(cConnessione::connectionStringFor(path)))
        throw std::runtime_error(("cannot open " + path).toStdString());
    for (int i = 0; i < statements.size(); ++i)
        c.EseguiIstruzione(statements.at(i), QStringLiteral("128"), i < params.size() ? params.at(i) : QVariantList());
    c.ChiudiConnessione();
}

QVariant TestDb::value(const QString &path, const QString &sql, const QVariantList &params)
{
    cConnessione c;
    if (!c.ApriConnessione(cConnessione::connectionStringFor(path)))
        throw std::runtime_error(("cannot open " + path).toStdString());
    const QVariant v = c.scalar(sql, params);
    c.ChiudiConnessione();
    return v;
}

QString sampleDatabasePath()
{
    const QString p = QStringLiteral(VOSPAN_BUILD_DIR "/sample/sample.sqlite");
    return QFileInfo::exists(p) ? p : QString();
}

QString sharedDataPath()
{
    const QString p = QDir::cleanPath(QStringLiteral(VOSPAN_SHARED_DATA_DIR));
    return QFileInfo(p).isDir() ? p : QString();
}

QString programPath()
{
    const QString exe = QDir(QStringLiteral(VOSPAN_BUILD_DIR)).filePath(QStringLiteral("vospan"));
    return QFileInfo(exe).isExecutable() ? exe : QString();
}
