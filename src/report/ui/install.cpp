#include "shell/ui/frmMain.h"
#include "shell/ui/subsystems.h"

void installReport(frmMain &)
{
}
