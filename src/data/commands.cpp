#include "shell/cli.h"

void addDataCommands(CommandLine &)
{
}
