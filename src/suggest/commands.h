#pragma once

class CommandLine;

// Script commands of the suggestions: --suggest writes the candidate set of a
// mapping, --evaluate measures a candidate set against a reference alignment.
void addSuggestCommands(CommandLine &cli);
