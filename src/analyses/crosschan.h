// The cross-channel subset: per channel up to three conditions (greater
// than, less than, equal to a value) whose conjunction over all channels
// selects the cases the block analyses may use. Pure evaluation over
// plain arrays, plus the adapter that builds the index of the current file.
#pragma once
#include <array>
#include <cstdint>
#include <span>

struct ChannelConditions {
  bool greater = false, less = false, equal = false;
  float greaterValue = 0.0f, lessValue = 0.0f, equalValue = 0.0f;
  bool any() const { return greater || less || equal; }
};
// Channels 0..32; channel 0 carries no conditions. Shared by all files.
extern std::array<ChannelConditions, 33> CrossChanSelect;

// A case passes "greater" unless x < value and "less" unless x > value (a
// value equal to the threshold passes both); "equal" only when x == value
// in single precision. flags[k] (k = 1..caseCount, flags sized caseCount +
// 1) becomes 1.0 for a case passing every condition of every channel, else
// 0.0; channels[c - 1] is channel c with caseCount + 1 values, conds[c] its
// conditions. Returns the number selected (caseCount with no condition).
int32_t EvaluateSelection(std::span<const float* const> channels, std::span<const ChannelConditions> conds,
                          int32_t caseCount, std::span<float> flags);

// ---- Adapters --------------------------------------------------------------------
// Builds the index of TheFileInUse from CrossChanSelect into the selection
// region of the work buffer (count at case 0) and marks it as that file's.
// Returns the count, or -1 when memory runs out (the old index then stays).
int32_t BuildCrossChanIndex();
