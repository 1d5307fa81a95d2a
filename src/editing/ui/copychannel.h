// Edit "Duplicate Channel" (key D, toolbar 587, script operation 18).
#pragma once
#include <cstdint>

inline constexpr int16_t kCopyChannelOp = 18;

// Copies the active channel of TheFileInUse into a new last channel, which
// becomes active and the block window's channel. Nothing at 32 channels;
// when memory runs out the alert says so and nothing changes. redraw: draw
// the plot afterwards. Returns 0.
int16_t COPYCHAN(int16_t redraw);
