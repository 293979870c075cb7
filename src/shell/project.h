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

// Opens a database without asking for it (start-up argument).
Esito ApriFile(const QString &path);

// Project > Close.  True when a database was open and is now closed.
bool Chiudi();

} // namespace Progetto
