#pragma once

class CommandLine;

// Script commands of the mapping exchange formats: --export and --import-mappings.
void addMappingCommands(CommandLine &cli);
