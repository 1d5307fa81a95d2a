// The click tools over the plot window: "Running Average" of picked values
// and "Average Pair Differences" of picked pairs (value and time), with
// paging, Delete to reject the last pick once, "P" to store; and the
// "Automatic Block Delection" dialog that fixes the block duration.
#pragma once
#include <cstdint>

// Analyze items 8 and 9.
int16_t RUNAVERAGE();
int16_t PairsDIFFERENCE();
// Block submenu item 2 "Block Width…".
int16_t AUTOBLOCK();

inline constexpr int16_t kPickTotalField = 8;
inline constexpr int16_t kTimeStatsWindow = 6;
inline constexpr int16_t kAutoBlockSecondsField = 101;
inline constexpr int16_t kAutoBlockOK = 111;
inline constexpr int16_t kNormalBlockSelection = 112;
