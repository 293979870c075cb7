// Widget-free code of the workspace that includes its own windows.
#include "workspace/ui/frmAlbero.h"
