#pragma once

#include <QString>

class frmMain;

namespace mdlGlobale {

// The start-up sequence: splash, the wait on it, the relation lists, the main
// window with the database menus disabled.  Returns the main window, shown.
frmMain *Main();

} // namespace mdlGlobale

// Lets every room connect its menu items of the main window.  Start-up calls
// it once for the window it creates; tests call it for the windows they make.
void installRooms(frmMain &main);

// Runs the program: start-up, an optional database to open, the event loop.
int runProgram(int argc, char **argv);
