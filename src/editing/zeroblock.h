// Setting a span of a channel to one value. Pure.
#pragma once
#include <cstdint>

// Writes v into cases b..e (either order) of data, clipped to 0..nCases.
// False, and nothing written, when no case of the span lies in the channel.
bool ZeroBlockCases(float* data, int32_t nCases, int32_t b, int32_t e, float v);
