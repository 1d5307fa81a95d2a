#include "editing/spikes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "platform/cpu.h"
#include "platform/lanes.h"
#include "shell/textutil.h"

// The vector helpers are always inlined: how a 32-byte vector would be passed
// to a real call without AVX does not arise.
#pragma GCC diagnostic ignored "-Wpsabi"

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

namespace {

using namespace lanes;

template <class F, class I>
[[gnu::always_inline]] inline F absLanes(F v) {
  return reinterpret_cast<F>(reinterpret_cast<I>(v) & 0x7fffffff);
}

// Whether some case of c0..c1 lies at least `threshold` from both
// neighbours: the comparisons of the sweep itself, as many cases at a time
// as F holds (four in the baseline's registers, eight with AVX2).
template <class F, class I>
[[gnu::always_inline]] inline bool anyFarCaseBody(const float* data, int32_t c0, int32_t c1, float threshold) {
  constexpr int32_t kLanes = sizeof(F) / sizeof(float);
  F t = {};
  for (int32_t j = 0; j < kLanes; ++j) t[j] = threshold;
  I far = {};
  int32_t i = c0;
  for (; i + kLanes <= c1 + 1; i += kLanes) {
    const F x = loadLanes<F>(data + i);
    const F left = absLanes<F, I>(x - loadLanes<F>(data + i - 1));
    const F right = absLanes<F, I>(x - loadLanes<F>(data + i + 1));
    far |= (left >= t) & (right >= t);
  }
  bool any = false;
  for (int32_t j = 0; j < kLanes; ++j) any |= far[j] != 0;
  for (; i <= c1; ++i)
    any |= (std::fabs(data[i] - data[i - 1]) >= threshold) & (std::fabs(data[i] - data[i + 1]) >= threshold);
  return any;
}

bool anyFarCaseBase(const float* data, int32_t c0, int32_t c1, float threshold) {
  return anyFarCaseBody<F4, I4>(data, c0, c1, threshold);
}

using AnyFarCase = bool (*)(const float*, int32_t, int32_t, float);

#if CORVIMET_X86_DISPATCH
[[gnu::target("avx2")]] bool anyFarCaseAvx2(const float* data, int32_t c0, int32_t c1, float threshold) {
  return anyFarCaseBody<F8, I8>(data, c0, c1, threshold);
}

AnyFarCase anyFarCase() { return CpuHasAvx2() ? anyFarCaseAvx2 : anyFarCaseBase; }
#else
AnyFarCase anyFarCase() { return anyFarCaseBase; }
#endif

}  // namespace

SweepResult SweepSpikes(float* data, CaseSpanInt span, float threshold, SpikeDirection direction, bool repeat,
                        int32_t maxPasses) {
  SweepResult r;
  if (span.first < 1 || span.last < span.first) return r;
  const bool below = direction != SpikeDirection::Above;
  const bool above = direction != SpikeDirection::Below;
  // A chunk in which no case lies at least `threshold` from both neighbours
  // (as they stand when the chunk is reached) cannot change: that test has
  // no chain from case to case and runs at the speed of a plain pass.
  constexpr int32_t kChunk = 1024;
  const AnyFarCase mayChange = anyFarCase();
  for (;;) {
    int64_t pass = 0;
    for (int32_t c0 = span.first; c0 <= span.last; c0 += kChunk) {
      const int32_t c1 = std::min(span.last, c0 + kChunk - 1);
      if (!mayChange(data, c0, c1, threshold)) continue;
      float a = data[c0 - 1], x = data[c0];
      for (int32_t i = c0; i <= c1; ++i) {
        const float b = data[i + 1];
        const bool spike = (below && a > x && b > x) || (above && x > a && x > b);
        const bool replace = spike && std::fabs(x - a) >= threshold && std::fabs(x - b) >= threshold;
        if (replace) {
          x = (a + b) * 0.5f;
          data[i] = x;
          ++pass;
        }
        a = x;
        x = b;
      }
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

namespace {

// Chosen by bit masks: limits inside the noise of a channel would make a
// jump per case unpredictable.
struct Trim {
  float upLimit, lowLimit;
  uint32_t upValue, lowValue;
  float operator()(float v) const {
    const auto vb = std::bit_cast<uint32_t>(v);
    const uint32_t up = 0u - static_cast<uint32_t>(v > upLimit);
    const uint32_t low = 0u - static_cast<uint32_t>(v < lowLimit);
    const uint32_t out = (vb & ~up) | (upValue & up);
    return std::bit_cast<float>((out & ~low) | (lowValue & low));
  }
};

}  // namespace

void TrimValues(float* data, CaseSpanInt span, const SpikeSettings& s) {
  // A copy: the channel could alias the settings as far as the compiler
  // knows, which would reload them for every case.
  const Trim trim{s.upTrimLimit, s.lowTrimLimit, std::bit_cast<uint32_t>(s.upTrimValue),
                  std::bit_cast<uint32_t>(s.lowTrimValue)};
  int32_t k = span.first;
  // Fixed groups of eight, which the compiler packs.
  for (; k + 8 <= span.last + 1; k += 8)
    for (int j = 0; j < 8; ++j) data[k + j] = trim(data[k + j]);
  for (; k <= span.last; ++k) data[k] = trim(data[k]);
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
