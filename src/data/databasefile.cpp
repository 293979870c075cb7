#include "data/databasefile.h"

#include "base/dialogs.h"
#include "base/logging.h"
#include "data/cConnessione.h"

#include <QFileInfo>

namespace {
Progetto::JetConverter g_jetConverter;
}

bool mdlUtil::ApriDatabase(cConnessione &connection, const QString &connectionString)
{
    if (connection.ApriConnessione(connectionString))
        return true;
    qCInfo(lcDb).noquote() << "cannot open" << connectionString << ":" << connection.lastOpenError();
    dialogs().message(QStringLiteral("Connessione non riuscita a: ") + connectionString);
    return false;
}

void Progetto::setJetConverter(JetConverter converter)
{
    g_jetConverter = std::move(converter);
}

QString Progetto::filtroDatabase()
{
    return QStringLiteral("SQLite database (*.sqlite *.sqlite3 *.db);;Database file (*.mdb);;All files (*)");
}

QString Progetto::fileDaAprire(const QString &chosen)
{
    if (g_jetConverter && cConnessione::probeFile(chosen) == cConnessione::FileKind::Jet)
        return g_jetConverter(chosen);
    return chosen;
}

bool openDatabaseForCommand(cConnessione &c, const QString &path, bool readOnly, QTextStream &err)
{
    QString cs = cConnessione::connectionStringFor(QFileInfo(path).absoluteFilePath());
    if (readOnly)
        cs.replace(QStringLiteral(";Data Source="), QStringLiteral(";Mode=Read;Data Source="));
    if (c.ApriConnessione(cs))
        return true;
    qCInfo(lcDb).noquote() << "cannot open" << cs << ":" << c.lastOpenError();
    err << "Cannot open " << path << ": " << c.lastOpenError() << "\n";
    return false;
}
