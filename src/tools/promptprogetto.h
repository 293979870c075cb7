#pragma once

#include <QString>
#include <optional>

// The input box that asks for a mapping-project number (0 for all projects),
// shared by the two exports and the bulk delete.
namespace PromptProgetto {

// Titles of the box.
QString titoloEsportazione(); // "Project for export"
QString titoloCancellazione(); // "Delete mapping relations"

// The prompt: "Choose the project: " and the five choices, one per line,
// each after a carriage return, a line feed and a tab.
QString testo();

enum class Esito {
    Annullato, // Cancel, or OK on an empty box
    Rifiutato, // not a whole number: the user has been told so
    Scelto     // a project number (0 = all projects)
};

struct Risposta
{
    Esito esito = Esito::Annullato;
    qint32 progetto = 0; // valid when esito is Scelto; 0 means every project
    QString testo;       // what was typed
};

// Reads an answer of the box without showing anything.  Blanks around the
// number are ignored; anything but an optional sign and digits that fit in
// 32 bits is refused.
Risposta interpreta(const std::optional<QString> &answer);

// The message shown when an answer is refused.
QString messaggioRifiuto(const QString &answer);

// Shows the box with the given title and default "0"; a refused answer is
// reported to the user (titled like the box) before returning.
Risposta chiedi(const QString &titolo);

} // namespace PromptProgetto
