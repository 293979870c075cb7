#include "shell/ui/frmMain.h"
#include "shell/ui/subsystems.h"
#include "tools/attesa.h"
#include "tools/cancellazione.h"
#include "tools/esportazione.h"
#include "tools/unione.h"

#include <QAction>
#include <QApplication>
#include <QCursor>

void installTools(frmMain &main)
{
    // The hourglass covers the work itself, not the boxes that ask or tell.
    Attesa::setHook([](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });

    const struct {
        const char *action;
        void (*command)();
    } items[] = {{"mnuToolsEsportazioneSKOS", &Esportazione::EsportaXML},
                 {"mnuToolsEsportazioneHTML", &Esportazione::EsportaHTML},
                 {"mnuUtilityMergeDatabase", &Unione::UnisciDatabase},
                 {"mnuUtilityDelete", &Cancellazione::CancellaRelazioni}};
    for (const auto &item : items) {
        QAction *a = main.action(QString::fromLatin1(item.action));
        if (a)
            QObject::connect(a, &QAction::triggered, &main, item.command);
    }
}
