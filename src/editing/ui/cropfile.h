// Cropping the file to the block, and deleting the channels the user ticks.
#pragma once
#include <cstdint>

inline constexpr int16_t kCropWindow = 9;
inline constexpr int16_t kCropCancel = 2;
inline constexpr int16_t kCropOK = 10;

void CROPFILE();
void CUTCHANNEL();
