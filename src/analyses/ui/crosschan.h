// "Cross-channel Subset Selection" (window 99): per channel up to three
// conditions; "Set Index" builds the selection of the current file that the
// analyses' "Use Cross-Channel Subsampling" box then applies.
#pragma once
#include <cstdint>

// The dialog (Analyze item 24).
void SelectSubset();
// Builds the index from CrossChanSelect; the "No Valid Cases Warning" when
// no case is selected. Returns the count selected.
int32_t CrossChanIndex();
// A click on an analysis's "Use Cross-Channel Subsampling" box: the
// selection on or off, the box marked to match and the notice over the
// block shown or closed. True when the selection is now in use.
bool ToggleCrossChannelBox();

inline constexpr int16_t kSubsetWindow = 99;
inline constexpr int16_t kNoValidCasesWindow = 15;
inline constexpr int16_t kSetIndexButton = 118;
inline constexpr int16_t kClearAllButton = 119;
inline constexpr int16_t kSubsetDoneButton = 120;
// Boxes: c (greater), 32 + c (less), 64 + c (equal); fields 200 + those.
inline constexpr int16_t kGreaterBox = 0, kLessBox = 32, kEqualBox = 64;
inline constexpr int16_t kValueFieldBase = 200;
