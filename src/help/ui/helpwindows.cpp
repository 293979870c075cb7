#include "help/ui/helpwindows.h"

#include "shell/dialogs.h"

void showHelpWindow(QWidget *)
{
    dialogs().message(QStringLiteral("The user guide is not installed."));
}

void showAboutWindow(QWidget *)
{
    dialogs().message(QStringLiteral("Vospan - Quendral\nVersion 1.1"));
}
