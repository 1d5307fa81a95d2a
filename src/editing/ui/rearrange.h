// Edit > "Re-arrange Channels…": the user clicks the channels in the order
// they are to have; the file then holds exactly those channels, repeats
// included. A copy of the file as it was goes to "RearrangeBackup" first.
#pragma once
#include <cstdint>

inline constexpr int16_t kRearrangeWindow = 6;
// Button c (1..32) picks channel c; field 100 + c shows its label and field
// 132 + k the label of the k-th pick.
inline constexpr int16_t kRearrangeLabelBase = 100;
inline constexpr int16_t kRearrangePickBase = 132;
inline constexpr int16_t kRearrangeAgain = 228;
inline constexpr int16_t kRearrangeCancel = 229;
inline constexpr int16_t kRearrangeOK = 230;
inline constexpr int16_t kRearrangeReArBox = 231;

inline constexpr int16_t kChangeWarningWindow = 15;
// The notice shown while the backup is written.
inline constexpr int16_t kRearrangeSavingWindow = 5;
inline constexpr int16_t kChangeWarningOK = 1;

void REARRANGE();
void REARRANGEWARN();
