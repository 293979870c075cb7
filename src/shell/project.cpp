#include "shell/project.h"

#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "data/databasefile.h"
#include "data/mdlGlobale.h"
#include "data/searchindex.h"

#include <QDir>
#include <QFileInfo>

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

Progetto::Esito Progetto::ApriFile(const QString &chosen)
{
    const QString file = fileDaAprire(chosen);
    if (file.isEmpty())
        return Esito::Interrotto; // an Access file the user chose not to, or could not, convert
    vDatabaseFolder = QFileInfo(file).absolutePath() + QLatin1Char('/');

    const QString connectionString = cConnessione::connectionStringFor(file);
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
        dialogs().message(QStringLiteral("The file is not a thesaurus database: ") + mdlUtil::testoErrore(e), {},
                          Dialogs::Icon::Critical);
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
