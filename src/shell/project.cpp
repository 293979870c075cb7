#include "shell/project.h"

#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "data/databasefile.h"
#include "data/mdlGlobale.h"
#include "data/searchindex.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace mdlGlobale;

Progetto::Esito Progetto::Apri(const QString &path)
{
    QString file = path;
    if (file.isEmpty())
        file = dialogs().openFile(QStringLiteral("Open database"), mdlUtil::CartellaApplicazione(), filtroDatabase());
    if (file.isEmpty()) {
        dialogs().message(QStringLiteral("User cancel"));
        return Esito::Annullato;
    }
    return ApriFile(file);
}

QString Progetto::cartellaServer()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return folder + QLatin1Char('/');
}

Progetto::Esito Progetto::ApriServer()
{
    // What the client library would take by itself, then what was typed last.
    static Dialogs::ServerForm last = [] {
        Dialogs::ServerForm f;
        f.host = qEnvironmentVariable("PGHOST", QStringLiteral("localhost"));
        f.port = qEnvironmentVariableIntValue("PGPORT") > 0 ? qEnvironmentVariableIntValue("PGPORT") : 5432;
        f.database = qEnvironmentVariable("PGDATABASE");
        f.user = qEnvironmentVariable("PGUSER");
        return f;
    }();
    const std::optional<Dialogs::ServerForm> form = dialogs().serverForm(QStringLiteral("Open server database"), last);
    if (!form) {
        dialogs().message(QStringLiteral("User cancel"));
        return Esito::Annullato;
    }
    last = *form;
    if (form->database.isEmpty()) {
        dialogs().message(QStringLiteral("Name the database to open on the server."), {}, Dialogs::Icon::Warning);
        return Esito::Interrotto;
    }
    ServerAddress a;
    a.host = form->host;
    a.port = form->port;
    a.database = form->database;
    a.user = form->user;
    return ApriFile(a.uri());
}

Progetto::Esito Progetto::ApriFile(const QString &chosen)
{
    const bool server = ServerAddress::isAddress(chosen);
    const QString file = server ? chosen.trimmed() : fileDaAprire(chosen);
    if (file.isEmpty())
        return Esito::Interrotto; // an Access file the user chose not to, or could not, convert
    vDatabaseFolder = server ? cartellaServer() : QFileInfo(file).absolutePath() + QLatin1Char('/');

    const QString connectionString = server ? file : cConnessione::connectionStringFor(file);
    if (!mdlUtil::ApriDatabase(vConnection, connectionString)) {
        // Both messages as always, but the program stays, with nothing open:
        // what the user typed in the editor is not lost to a wrong file.
        dialogs().message(QStringLiteral("Connessione MySQL a Tessik non riuscita"));
        return Esito::Fallito;
    }
    vProjectOpen = true;
    try {
        vLastRelationId = LeggiUltimoId(vConnection);
    } catch (const DbError &e) {
        // Not a thesaurus database after all: say why and let go of the file,
        // so that Open can be used again.
        dialogs().message((server ? QStringLiteral("The server database is not a thesaurus database: ")
                                  : QStringLiteral("The file is not a thesaurus database: "))
                              + mdlUtil::testoErrore(e),
                          {}, Dialogs::Icon::Critical);
        vConnection.ChiudiConnessione();
        return Esito::Interrotto;
    }
    if (vConnection.isReadOnly())
        dialogs().message(QStringLiteral("The database %1 is read-only: you can browse it, but nothing can be "
                                         "saved to it.")
                              .arg(QDir::toNativeSeparators(vConnection.databasePath())),
                          {}, Dialogs::Icon::Warning);
    // The word search's index is made meanwhile, so that the first search is
    // as quick as the next ones.
    SearchIndex::start(vConnection);
    return Esito::Aperto;
}

bool Progetto::Chiudi()
{
    if (!vProjectOpen)
        return false;
    vConnection.ChiudiConnessione();
    return true;
}
