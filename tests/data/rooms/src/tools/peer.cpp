// A tools file that includes the workspace, a room of the same rank.
#include "workspace/search.h"
