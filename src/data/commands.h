#pragma once

class CommandLine;

// Script commands of the data room: --generate-thesaurus.
void addDataCommands(CommandLine &cli);
