#pragma once

// Mapping > New: the choice of thesauri, then the two alignment windows
// loaded (right first, then left) and tiled side by side.
void mnuToolsNuovoMapping_Click();
