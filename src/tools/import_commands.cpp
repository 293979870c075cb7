#include "shell/cli.h"

void addImportCommands(CommandLine &)
{
}
