#pragma once

class MainFrame;

// Connects the Export and Utilities menus of the main window.
void installTools(MainFrame &main);
// Adds and connects the imports of thesauri and Access databases.
void installImport(MainFrame &main);
