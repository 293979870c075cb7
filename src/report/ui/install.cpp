#include "report/ui/frmReportMapping.h"
#include "report/ui/install.h"
#include "widgets/ui/MainFrame.h"

#include <QAction>

void installReport(MainFrame &main)
{
    if (QAction *report = main.action(QStringLiteral("mnuToolsMappingEffettuato")))
        QObject::connect(report, &QAction::triggered, &main, [] { frmReportMapping::mnuToolsMappingEffettuato_Click(); });
}
