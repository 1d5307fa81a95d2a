// "Estimated Thermoregulatory Costs for Endotherms": the main dialog of the
// cost model over the loaded climate recording, and storing the costs as a
// new channel. What its runs share with the spreadsheet runs (the window's
// ids, the engine over the file, the totals notice, the timing warning) is
// in thermoregulation/ui/tregwindow.h.
#pragma once
#include <cstdint>

// BodyTemperature is shared with the calculators (calculators/calcstate.h).
extern float BodyTemperature;
// StoreChan (the prepared cost channel) is the shared one of editing/copychannel.h.

// The command (Special menu item 14).
int16_t ComputeThermoregulationCosts();
