#include "shell/ui/frmMain.h"
#include "shell/ui/subsystems.h"
#include "workspace/ui/mapping.h"

#include <QAction>

void installWorkspace(frmMain &main)
{
    if (QAction *nuovo = main.action(QStringLiteral("mnuToolsNuovoMapping")))
        QObject::connect(nuovo, &QAction::triggered, &main, [] { mnuToolsNuovoMapping_Click(); });
}
