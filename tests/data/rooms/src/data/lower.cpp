// A data file that leans on the shell above it.
#include "shell/ui/frmMain.h"
#include "base/dialogs.h"
