#pragma once

class CommandLine;

// The table of every script command of the program: each room adds its own.
CommandLine &programCommands();
