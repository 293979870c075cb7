#pragma once

class MainFrame;

// Connects the workspace's menu items of the main window: Mapping > New.
void installWorkspace(MainFrame &main);
