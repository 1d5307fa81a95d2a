// Picking on the plot while a dialog stays open: blocks (dragged, one case,
// or a case and its neighbours) and single cases, plus "Change Blocks…",
// which sets any number of picked blocks to one value.
#pragma once
#include <cstdint>

#include "plot/ui/toolbar.h"   // PlotDialogMode: 99 while picking, 2 for a paging key

inline constexpr int16_t kBlockSetWindow = 9;
inline constexpr int16_t kBlockSetValueField = 101;
inline constexpr int16_t kBlockSetChange = 1;
inline constexpr int16_t kBlockSetCancel = 2;
// Buttons the pickers place on the plot window; ids above 130 end a pick.
inline constexpr int16_t kPickDoneButton = 131;
inline constexpr int16_t kPickCancelButton = 132;
inline constexpr int16_t kPickModePicking = 99;

extern int16_t BASELINE;                // 1 baseline dialog up, 2 collecting blocks to set
extern int16_t NpointsInBaselineBlock;  // half-width of a "Use 1 ±" pick
extern float blockvalue;                // the value last set by "Change Blocks…"

// One block on the plot of TheFileInUse in the pick mode of prefsArray
// word 22; returns when a block is complete (state 2, BeginBlock..EndBlock)
// or the picking ends (BaseLineButton 131, a plot button above 130, window 9
// activated). allowToggle: Return or space switch the compressed view.
// True when a block was completed.
bool PickBlock(int16_t allowToggle);
int16_t GETBLOCKS(int16_t allowToggle);
// One case 1 <= c < nCases into BeginBlock; false when the picking was
// ended instead (BaseLineButton 131 or the plot window gone).
bool PickPoint();
int16_t GETPoint();
// The last block or point picking ended because the user brought another
// file's plot window forward.
bool PickLeftForAnotherPlot();
// After an event a modal loop took: another file's plot window than
// slot's was activated, or stands in front of it.
bool AnotherPlotInFront(int16_t action, int16_t id, int16_t slot);

// Edit > Change or Remove > "Change Blocks…" and the plot's "Change Block".
int16_t BLOCKSET();
