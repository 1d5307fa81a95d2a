// Edit "Smoothing…" (toolbar 556, script operation 6): the
// "Nearest-Neighbor Smoothing" dialog and its automatic mode.
#pragma once
#include <cstdint>

// Control ids of the dialog in results window 4.
inline constexpr int16_t kSmoothFirstWindowButton = 1;   // 1..10: 3..51 samples
inline constexpr int16_t kSmoothCopyChannel = 11;
inline constexpr int16_t kSmoothPlus5 = 12;
inline constexpr int16_t kSmoothMinus1 = 13;
inline constexpr int16_t kSmoothPlus1 = 14;
inline constexpr int16_t kSmoothFirstPreset = 15;        // 15..21: 1, 3, 6, 10, 20, 40, 100 cycles
inline constexpr int16_t kSmoothLastPreset = 21;
inline constexpr int16_t kSmoothUpperBox = 30;           // "Data <"
inline constexpr int16_t kSmoothLowerBox = 31;           // "Data >"
inline constexpr int16_t kSmoothAll = 41;
inline constexpr int16_t kSmoothBlock = 42;
inline constexpr int16_t kSmoothHelp = 43;
inline constexpr int16_t kSmoothCyclesField = 101;
inline constexpr int16_t kSmoothIntervalField = 102;
inline constexpr int16_t kSmoothUpperField = 104;
inline constexpr int16_t kSmoothLowerField = 105;
inline constexpr int16_t kBlankWindow = 44;
inline constexpr int16_t kSmoothingAutomatic = -999;

// step: 0 from the menu and other commands, the step number on replay,
// -999 for the automatic mode (the block, 3 samples, 3 cycles, no dialog, no
// step recorded). The undo copy is taken before any choice, so a cancel
// still marks the file changed and Undo gives the opening state back.
// Returns 0.
int16_t SMOOTHING(int16_t step);
