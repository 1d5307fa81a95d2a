// Integral and derivative channels: per sample, the interval plays no part.
// Pure functions over plain arrays, plus one adapter to the store.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "shell/store.h"

inline constexpr int16_t kIntegralOp = 4;
inline constexpr int16_t kDerivativeOp = 5;
inline constexpr int32_t kIntegrateHelp = 183;

// dst[k] = src[k] - src[k-1] for k = nCases..1 (downwards, so dst may be
// src), then dst[0] = dst[1]. Single precision, as stored.
void DeriveSamples(const float* src, float* dst, int32_t nCases);
// dst[0] = src[0], dst[k] = src[k] + dst[k-1]: case k holds the sum of
// cases 0..k, accumulated in single precision (it may reach infinity).
// dst may be src.
void IntegrateSamples(const float* src, float* dst, int32_t nCases);

// "∂ " or "∫ " (Mac Roman) and the label.
std::string IntegralLabel(bool derivative, std::string_view label);

// Writes the integral (or derivative) of `source` into a new last channel
// (toNewChannel) or into the source itself, with `label` (cut or padded to
// 30). In place, the undo copy is taken before anything is written; a new
// channel keeps the undo copy of the previous change. *target receives the
// channel written. TooManyChannels / OutOfMemory leave the file as it was.
StoreStatus MakeIntegralChannel(int16_t slot, int16_t source, bool derivative, bool toNewChannel,
                                std::string_view label, int16_t* target);
