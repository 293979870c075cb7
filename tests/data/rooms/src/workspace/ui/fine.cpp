// Windows may include the widget-free code of their room and lower rooms.
#include "workspace/search.h"
#include "widgets/ui/FlexGrid.h"
#include "data/ids.h"
