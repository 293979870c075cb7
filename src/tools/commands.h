#pragma once

class CommandLine;

// Script commands of the tools room: the exports, merge and delete, the
// exchange formats (through addMappingCommands) ...
void addToolsCommands(CommandLine &cli);
// ... and the imports of thesauri and Access databases.
void addImportCommands(CommandLine &cli);
