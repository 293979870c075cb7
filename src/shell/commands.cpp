#include "shell/commands.h"

#include "base/commandline.h"
#include "data/commands.h"
#include "suggest/commands.h"
#include "tools/commands.h"

CommandLine &programCommands()
{
    static CommandLine cli = [] {
        CommandLine c;
        addDataCommands(c);
        addToolsCommands(c);
        addImportCommands(c);
        addSuggestCommands(c);
        return c;
    }();
    return cli;
}
