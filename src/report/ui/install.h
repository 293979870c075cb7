#pragma once

class MainFrame;

// Connects the report's menu item of the main window: Mapping > Report.
void installReport(MainFrame &main);
