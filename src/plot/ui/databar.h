// The data bar of the plot window (case and elapsed time, clock time, value
// under the pointer) and the all-values column (fields 200 + k holding the
// value of further channels at the same case).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/controls.h"

// tmFloat lives with the result globals (output/results.h), AllValues with
// the dispatcher's globals (shell/dispatch.h).
extern int16_t avbx, avby;   // left and top reference of the all-values column
extern float tlev;           // pointer row during mouse placement, else 0

// Data-bar field ids of the plot window.
inline constexpr int16_t kDataBarCase = 54;
inline constexpr int16_t kDataBarClock = 55;
inline constexpr int16_t kDataBarValue = 56;
inline constexpr int16_t kAllValuesFieldBase = 200;
// Window of the placement dialog and its buttons.
inline constexpr int16_t kPlaceStandardButton = 1;
inline constexpr int16_t kPlaceMouseButton = 2;

// Field 54, 55 or 56 as the data bar shows it, empty: one place for its
// box, colours and font.
plat::FieldSpec DataBarField(int id);

// Fills fields 54 and 55 (and 56 when the current file's plot window is in
// front) for elapsed seconds s at case c; the caller limits c to nCases.
void UpdateDataBar(double elapsedSeconds, int32_t c);
// place 1: ask where first (PlaceALLVALUES); 0: rebuild the fields only.
void DoALLVALUES(uint16_t place);
void PlaceALLVALUES();
// Removes fields 200 + c for c = 1..nChannels of the current file.
void CloseValFields();
// Writes text into the value field (56) of the current file's plot window.
void SetDataBarValueText(const std::string& text);
// Writes " chN: value" into every all-values field for case c.
void WriteAllValues(int32_t c);
// One pass of the main loop: when the pointer moved over the plot area of
// the front plot window, the data bar (and the all-values column) follow it.
void TrackPointerOverPlot();
// Told by TrackPointerOverPlot where the pointer is over the plot window:
// x in its content, -1 once the pointer is off the plot area; redrawn when
// the plot was drawn anew since the last call (what was drawn over it is
// gone). The automatic blocks draw their box with it.
extern std::function<void(int window, int x, bool redrawn)> gPointerOverPlotHook;
// View "Show All Channel Values…": on (choose channels, place, build) or off.
void ToggleAllValues();
