// Shifting the block of the front file one width left or right, and the
// dialog of the shift rule (prefsArray word 39).
#pragma once
#include <cstdint>

inline constexpr int kPrefShiftOverlap = 39;   // 1 neighbours share a case, 0 they do not
inline constexpr int16_t kShiftRulesWindow = 14;
inline constexpr int16_t kShiftOverlap = 1;
inline constexpr int16_t kShiftNoOverlap = 2;
inline constexpr int16_t kShiftDone = 3;

// Each leaves View > "Redraw" pending for the main loop; a shift past either
// end of the file does nothing. Return 0.
int16_t ShiftBlockLeft();
int16_t ShiftBlockRight();
int16_t ShiftBlockRules();
void RegisterBlockShiftCommands();
