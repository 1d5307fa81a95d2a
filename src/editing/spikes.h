// Automatic spike removal, trimming and absolute values. Pure functions
// over plain arrays.
#pragma once
#include <cstdint>
#include <string>

inline constexpr int16_t kSpikeOp = 7;
inline constexpr int32_t kSpikeHelp = 182;
// A repeated sweep gives up after this many passes: data that never settles
// must not hang the program.
inline constexpr int32_t kMaxSweepPasses = 10'000;

enum class SpikeDirection : int16_t { Either = 1, Below = 2, Above = 3 };
// Script field 9: the last action of the panel.
enum class SpikeAction : int16_t { Sweep = 1, Trim = 2, Interactive = 3, Absolute = 4 };

// Settings kept with the preferences; the panel's fields and step fields
// 4..8.
struct SpikeSettings {
  float threshold = 1.0f;
  float upTrimLimit = 1000.0f, upTrimValue = 1000.0f;
  float lowTrimLimit = 0.0f, lowTrimValue = 0.0f;
};
// Fields 4..8 and 9 (the action).
void ToScriptStep(const SpikeSettings& s, SpikeAction action, float (&step)[28]);
// Fields 5 and 6 both 0 read as 1000 (a step recorded before trimming).
SpikeSettings SpikeSettingsFromStep(const float (&step)[28]);

// Cases a sweep looks at: 1..nCases-1, or the block held inside them.
struct CaseSpanInt {
  int32_t first = 0, last = -1;
};
CaseSpanInt SweepSpan(int32_t nCases, bool inBlock, int32_t b, int32_t e);
// Cases trim and absolute value change: 0..nCases, or the block.
CaseSpanInt TrimSpan(int32_t nCases, bool inBlock, int32_t b, int32_t e);

struct SweepResult {
  int64_t removed = 0;
  int32_t passes = 0;
  bool gaveUp = false;   // still removing after kMaxSweepPasses passes
};
// Increasing i over the span (which must leave a neighbour on each side):
// case i is a spike when it lies below both neighbours (Below), above both
// (Above) or either; a spike at least `threshold` from each neighbour
// becomes their mean. The left neighbour may already be replaced in this
// pass. With repeat, passes follow until one replaces nothing.
SweepResult SweepSpikes(float* data, CaseSpanInt span, float threshold, SpikeDirection direction, bool repeat,
                        int32_t maxPasses = kMaxSweepPasses);
// v > upper limit -> upper value; then, on the unchanged v, v < lower limit
// -> lower value (the lower value wins when both apply).
void TrimValues(float* data, CaseSpanInt span, const SpikeSettings& s);
// Clears the sign bit (-0 becomes +0).
void AbsoluteValues(float* data, CaseSpanInt span);

std::string SweepLogText(float threshold, int64_t removed);
std::string TrimLogText(const SpikeSettings& s);
