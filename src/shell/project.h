#pragma once

#include <QString>
#include <functional>

// The project commands of the main window, free of widgets.
namespace Progetto {

enum class Esito {
    Annullato,   // the user cancelled the file dialog
    Aperto,      // the database is open: switch the menus to "database open"
    Interrotto,  // the command ended after telling the user why; menus unchanged
    Terminato    // the database could not be opened: the program ends
};

// Project > Open.  Asks for a file (unless path is given), opens it through the
// shared connection and sets the program-wide state.
Esito Apri(const QString &path = {});

// Opens a database without asking for it (start-up argument).
Esito ApriFile(const QString &path);

// Project > Close.  True when a database was open and is now closed.
bool Chiudi();

// What Open does with an Access (Jet) file: given its path, returns the path of
// a database of this program to open instead, or an empty string when the
// file is not to be opened.  Without a converter such files are refused.
using JetConverter = std::function<QString(const QString &jetPath)>;
void setJetConverter(JetConverter converter);

// The file Open would open for a chosen one: the file itself, or for an Access
// (Jet) file what the converter gives (empty when it is not to be opened).
QString fileDaAprire(const QString &chosen);

// The filter of the Open dialog.
QString filtroDatabase();

} // namespace Progetto
