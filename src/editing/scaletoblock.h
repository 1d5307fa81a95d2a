// Scale to block: a linear rescaling that takes the block's lowest value to
// L and its highest to U. Pure functions over plain arrays.
#pragma once
#include <cstdint>
#include <string>

inline constexpr int16_t kBlockScaleOp = 41;

enum class BlockScaleStatus : int8_t {
  Ok,
  LimitsReversed,  // U not above L
  FlatBlock,       // the block's extremes are equal: no finite factor
  BadBlock,        // the block lies outside the channel
};

// The block's extremes are read from data[b..e] as it stands, NaN left out
// wherever it lies (a block of nothing else is FlatBlock). With
// blockOnly cases b..e are rescaled, else cases 1..nCases (case 0 never):
// v -> L + (v - min) * ((U - L) / (max - min)), in single precision.
// Nothing changes unless Ok.
BlockScaleStatus ScaleToBlock(float* data, int32_t nCases, int32_t b, int32_t e, float upper, float lower,
                              bool blockOnly);

// The log words after the channel heading.
std::string BlockScaleLogText(bool blockOnly, int32_t b, int32_t e, const std::string& upperText,
                              const std::string& lowerText);
// Direct 0..100 % mode.
std::string BlockScalePercentLogText(int32_t b, int32_t e);
