#pragma once

#include "data/databasefile.h"

#include <QString>

// The project commands of the main window, free of widgets.  The file
// choice they share with the merge is in data/databasefile.h.
namespace Progetto {

enum class Esito {
    Annullato,   // the user cancelled the file dialog
    Aperto,      // the database is open: switch the menus to "database open"
    Interrotto,  // the command ended after telling the user why; menus unchanged
    Fallito      // the database could not be opened: the program goes on without one
};

// Project > Open.  Asks for a file (unless path is given), opens it through the
// shared connection and sets the program-wide state.
Esito Apri(const QString &path = {});

// Opens a database without asking for it (start-up argument): a file's path
// or a server address (postgresql://user@host:port/database).
Esito ApriFile(const QString &path);

// Project > Open server database: asks where the database is (host, port,
// database, user; the password comes from the password file or the
// environment) and opens it as Open opens a file.
Esito ApriServer();

// The folder the exports of a server database are written to: the user's
// documents folder (a server database has no folder of its own).
QString cartellaServer();

// Project > Close.  True when a database was open and is now closed.
bool Chiudi();

} // namespace Progetto
