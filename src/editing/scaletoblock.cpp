#include "editing/scaletoblock.h"

#include <algorithm>
#include <limits>

#include "shell/textutil.h"

BlockScaleStatus ScaleToBlock(float* data, int32_t nCases, int32_t b, int32_t e, float upper, float lower,
                              bool blockOnly) {
  if (b > e) std::swap(b, e);
  if (b < 0 || e > nCases || nCases < 1) return BlockScaleStatus::BadBlock;
  if (!(upper > lower)) return BlockScaleStatus::LimitsReversed;
  // Eight lanes in fixed groups, so the comparisons do not wait on each
  // other and the compiler can pack them. A NaN fails every comparison and
  // is skipped wherever it lies: the lanes start empty, not at data[b],
  // which may be one.
  constexpr float kInf = std::numeric_limits<float>::infinity();
  float lo8[8], hi8[8];
  for (int j = 0; j < 8; ++j) {
    lo8[j] = kInf;
    hi8[j] = -kInf;
  }
  int32_t k = b;
  for (; k + 8 <= e + 1; k += 8) {
    for (int j = 0; j < 8; ++j) {
      const float v = data[k + j];
      lo8[j] = v < lo8[j] ? v : lo8[j];
      hi8[j] = v > hi8[j] ? v : hi8[j];
    }
  }
  for (; k <= e; ++k) {
    const float v = data[k];
    lo8[0] = v < lo8[0] ? v : lo8[0];
    hi8[0] = v > hi8[0] ? v : hi8[0];
  }
  float lo = lo8[0], hi = hi8[0];
  for (int j = 1; j < 8; ++j) {
    lo = std::min(lo, lo8[j]);
    hi = std::max(hi, hi8[j]);
  }
  if (!(hi > lo)) return BlockScaleStatus::FlatBlock;
  const float factor = (upper - lower) / (hi - lo);
  const int32_t first = blockOnly ? std::max(b, 1) : 1;
  const int32_t last = blockOnly ? e : nCases;
  for (int32_t k = first; k <= last; ++k) data[k] = lower + (data[k] - lo) * factor;
  return BlockScaleStatus::Ok;
}

std::string BlockScaleLogText(bool blockOnly, int32_t b, int32_t e, const std::string& upperText,
                              const std::string& lowerText) {
  std::string s = "Block scale";
  s += blockOnly ? " from" + NumText(b) + " to" + NumText(e) : std::string(" (entire file) ");
  return s + "; scale " + upperText + " to " + lowerText;
}

std::string BlockScalePercentLogText(int32_t b, int32_t e) {
  return "Block scale from" + NumText(b) + " to" + NumText(e) + "; scale 0 to 100 (%) ";
}
