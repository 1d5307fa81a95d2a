// Setting a span of a channel to one value. Pure.
#pragma once
#include <cstdint>

#include "shell/recording.h"

// Writes v into cases b..e (either order) of data, clipped to 0..nCases.
// False, and nothing written, when no case of the span lies in the channel.
bool ZeroBlockCases(float* data, int32_t nCases, int32_t b, int32_t e, float v);

// Who set a block, as the transformations step records it.
inline constexpr int16_t kBlockSetByDialog = 1;   // "Set Block to:" in Transformations
inline constexpr int16_t kBlockSetByPicker = 2;   // "Change Blocks…"
// The step that sets the block of `channel` to `value`; every other field 0.
void BlockSetToStep(int16_t by, float value, int16_t channel, float (&f)[kStepFields]);
