#include "shell/cli.h"

void addToolsCommands(CommandLine &)
{
}
