#pragma once

class MainFrame;

// Connects the suggestion room to the main window: Mapping > "Suggest
// targets" (and a button of the same name in the eurovoc alignment window)
// and Utilities > "Suggest relations for a field...".
void installSuggest(MainFrame &main);
