#include "widgets/ui/MainFrame.h"
#include "workspace/ui/install.h"
#include "workspace/ui/mapping.h"

#include <QAction>

void installWorkspace(MainFrame &main)
{
    if (QAction *nuovo = main.action(QStringLiteral("mnuToolsNuovoMapping")))
        QObject::connect(nuovo, &QAction::triggered, &main, [] { mnuToolsNuovoMapping_Click(); });
}
