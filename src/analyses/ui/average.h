// "Basic Descriptive Stats": mean, population SD, C.V., S.E., extremes, n,
// duration, clock times and integrated total of one channel over the block,
// optionally within value limits and between limit cursors set in the
// block window, in results window 4. The limit cursors are shared with the
// integrating analyses.
#pragma once
#include <cstdint>
#include <functional>

// The command (menu Analyze item 1, toolbar 565, key 'b', Autorepeat).
void AVERAGE();

// Computes channel `ch` over first..last with the current case filters and,
// with rangeMode, the value range (the block window's extremes or the typed
// bounds of fields 222 / 221), and shows the result. A refused computation
// keeps the previous result: fewer than 3 cases in range sounds "bzot", an
// empty span is reported with an alert. True when a new result stands.
bool DoAVERAGE(uint16_t rangeMode, uint16_t minFromField, uint16_t maxFromField, int32_t first, int32_t last);

// ---- Limit cursors in the block window (window 2) -----------------------------------
// Lets the user click a limit (side 0 left, 1 right) into the block window;
// the limit at `offset` cases from BeginBlock is removed first when wasSet.
// Returns the new offset and leaves its pixel in HorizPosition; the old
// offset when the block window is gone.
int32_t SETLIMITS(int32_t offset, int16_t side, bool wasSet);
inline int32_t SETLIMITS(int32_t offset, int16_t side) { return SETLIMITS(offset, side, offset != 0); }
// The results scale button clicked: Rscale flipped, the button marked to
// match, a rising or falling sound. True when results are now scaled.
bool ToggleResultScale();
// SETLIMITS for one side of an analysis's limits: *offset and its pixel *x
// taken, and *set once the block window was there to take the click.
void PickLimit(int16_t side, int32_t* offset, bool* set, int16_t* x);
// Draws the limits that are on again (after the block window was redrawn);
// window 4 becomes current.
void FIXLIMITS(int32_t leftOn, int32_t rightOn, int16_t leftX, int16_t rightX);
// XOR shading of the excluded part left / right of HorizPosition.
void DrawLEFT();
void DrawRIGHT();
// XOR arrow pointing to the side being set.
void LIMITARROW(uint16_t side);

// The distribution of the analysed values (the histogram windows); absent,
// "Distribution" and "(big) " only change their own state.
struct HistogramRequest {
  int32_t first = 0, last = 0;
  double mean = 0.0;
  uint16_t rangeMode = 0, minFromField = 0, maxFromField = 0, big = 0;
};
extern std::function<void(const HistogramRequest&)> gHistogramHook;

// Ids of the statistics window's own controls.
inline constexpr int16_t kStatsLeftLimit = 120;
inline constexpr int16_t kStatsRightLimit = 119;
inline constexpr int16_t kStatsSelect = 130;
inline constexpr int16_t kStatsMaxSwitch = 131;   // "≤": upper bound from field 221
inline constexpr int16_t kStatsMinSwitch = 132;   // "≥": lower bound from field 222
inline constexpr int16_t kStatsMaxField = 221;
inline constexpr int16_t kStatsMinField = 222;
inline constexpr const char* kStatsWindowTitle = "Descriptive Stats:  Mean, Range, SD, SE";
// Content height that holds the whole window (the help button ends at 349).
inline constexpr int16_t kStatsWindowHeight = 356;
