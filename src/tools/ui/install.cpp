#include "shell/ui/frmMain.h"
#include "shell/ui/subsystems.h"

void installTools(frmMain &)
{
}
