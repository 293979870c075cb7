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
    if (!ServerAddress::isAddress(connectionString)) {
        qCInfo(lcDb).noquote() << "cannot open" << connectionString << ":" << connection.lastOpenError();
        dialogs().message(QStringLiteral("Connessione non riuscita a: ") + connectionString);
        return false;
    }
    // A server's address is shown without a password typed into it, and
    // with the server's reason (no such database, a password refused...).
    const std::optional<ServerAddress> a = ServerAddress::parse(connectionString);
    const QString shown = a ? a->uri() : QStringLiteral("(an address that cannot be read)");
    qCInfo(lcDb).noquote() << "cannot open" << shown << ":" << connection.lastOpenError();
    dialogs().message(QStringLiteral("Connessione non riuscita a: ") + shown + QStringLiteral("\n\n")
                      + connection.lastOpenError());
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
    const QString cs = cConnessione::connectionStringOf(path, readOnly);
    if (c.ApriConnessione(cs))
        return true;
    const QString shown = ServerAddress::isAddress(path) ? c.databasePath() : path;
    qCInfo(lcDb).noquote() << "cannot open" << shown << ":" << c.lastOpenError();
    err << "Cannot open " << (shown.isEmpty() ? QStringLiteral("the server database") : shown) << ": "
        << c.lastOpenError() << "\n";
    return false;
}
