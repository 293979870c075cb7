#pragma once

class frmMain;

// Each room of the program connects its menu items of the main window here.
void installWorkspace(frmMain &main); // Mapping > New
void installReport(frmMain &main);    // Mapping > Report
void installTools(frmMain &main);     // Export and Utilities menus
void installImport(frmMain &main);    // importing thesauri and legacy databases
