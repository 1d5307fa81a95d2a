#include "editing/spikes.h"

#include <algorithm>
#include <cmath>

#include "shell/textutil.h"

void ToScriptStep(const SpikeSettings& s, SpikeAction action, float (&step)[28]) {
  step[4] = s.threshold;
  step[5] = s.upTrimLimit;
  step[6] = s.upTrimValue;
  step[7] = s.lowTrimLimit;
  step[8] = s.lowTrimValue;
  step[9] = static_cast<float>(action);
}

SpikeSettings SpikeSettingsFromStep(const float (&step)[28]) {
  SpikeSettings s;
  s.threshold = step[4];
  s.upTrimLimit = step[5];
  s.upTrimValue = step[6];
  s.lowTrimLimit = step[7];
  s.lowTrimValue = step[8];
  if (s.upTrimLimit == 0.0f && s.upTrimValue == 0.0f) s.upTrimLimit = s.upTrimValue = 1000.0f;
  return s;
}

CaseSpanInt SweepSpan(int32_t nCases, bool inBlock, int32_t b, int32_t e) {
  if (!inBlock) return {1, nCases - 1};
  if (b > e) std::swap(b, e);
  return {std::max(b, 1), std::min(e, nCases - 1)};
}

CaseSpanInt TrimSpan(int32_t nCases, bool inBlock, int32_t b, int32_t e) {
  if (!inBlock) return {0, nCases};
  if (b > e) std::swap(b, e);
  return {std::max(b, 0), std::min(e, nCases)};
}

SweepResult SweepSpikes(float* data, CaseSpanInt span, float threshold, SpikeDirection direction, bool repeat,
                        int32_t maxPasses) {
  SweepResult r;
  if (span.first < 1 || span.last < span.first) return r;
  const bool below = direction != SpikeDirection::Above;
  const bool above = direction != SpikeDirection::Below;
  for (;;) {
    int64_t pass = 0;
    float a = data[span.first - 1], x = data[span.first];
    for (int32_t i = span.first; i <= span.last; ++i) {
      const float b = data[i + 1];
      const bool spike = (below && a > x && b > x) || (above && x > a && x > b);
      if (spike && std::fabs(x - a) >= threshold && std::fabs(x - b) >= threshold) {
        x = (a + b) * 0.5f;
        data[i] = x;
        ++pass;
      }
      a = x;
      x = b;
    }
    r.removed += pass;
    ++r.passes;
    if (!repeat || pass == 0) break;
    if (r.passes >= maxPasses) {
      r.gaveUp = true;
      break;
    }
  }
  return r;
}

void TrimValues(float* data, CaseSpanInt span, const SpikeSettings& s) {
  for (int32_t k = span.first; k <= span.last; ++k) {
    const float v = data[k];
    float out = v;
    if (v > s.upTrimLimit) out = s.upTrimValue;
    if (v < s.lowTrimLimit) out = s.lowTrimValue;
    data[k] = out;
  }
}

void AbsoluteValues(float* data, CaseSpanInt span) {
  for (int32_t k = span.first; k <= span.last; ++k) data[k] = std::fabs(data[k]);
}

std::string SweepLogText(float threshold, int64_t removed) {
  return "Spike sweep, threshold" + NumText(threshold) + "," + NumText(static_cast<double>(removed)) + " removed";
}

std::string TrimLogText(const SpikeSettings& s) {
  return "Trim, limits" + NumText(s.upTrimLimit) + "," + NumText(s.lowTrimLimit);
}
