// The click tools over the plot window: "Running Average" of picked values
// and "Average Pair Differences" of picked pairs (value and time), with
// paging, Delete to reject the last pick once, "P" to store; and the
// "Automatic Block Selection" dialog that fixes the block duration.
#pragma once
#include <cstdint>

// Analyze items 8 and 9.
int16_t RUNAVERAGE();
int16_t PairsDIFFERENCE();
// Block submenu item 2 "Block Width…".
int16_t AUTOBLOCK();
// While automatic blocks are on, a box of the block's width follows the
// pointer over the plot (XOR, pixel edges IntBoxLeft / IntBoxRight; parked
// at -10 / -5 when none is shown). Installed as the plot's pointer hook.
void TrackAutoBlockBox(int window, int x, bool redrawn);
extern int16_t IntBoxLeft, IntBoxRight;

inline constexpr int16_t kPickTotalField = 8;
inline constexpr int16_t kTimeStatsWindow = 6;
inline constexpr int16_t kAutoBlockSecondsField = 101;
inline constexpr int16_t kAutoBlockOK = 111;
inline constexpr int16_t kNormalBlockSelection = 112;
