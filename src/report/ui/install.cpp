#include "report/ui/frmReportMapping.h"
#include "shell/ui/frmMain.h"
#include "shell/ui/subsystems.h"

#include <QAction>

void installReport(frmMain &main)
{
    if (QAction *report = main.action(QStringLiteral("mnuToolsMappingEffettuato")))
        QObject::connect(report, &QAction::triggered, &main, [] { frmReportMapping::mnuToolsMappingEffettuato_Click(); });
}
