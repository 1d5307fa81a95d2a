#include "editing/scaletoblock.h"

#include <algorithm>

#include "shell/textutil.h"

BlockScaleStatus ScaleToBlock(float* data, int32_t nCases, int32_t b, int32_t e, float upper, float lower,
                              bool blockOnly) {
  if (b > e) std::swap(b, e);
  if (b < 0 || e > nCases || nCases < 1) return BlockScaleStatus::BadBlock;
  if (!(upper > lower)) return BlockScaleStatus::LimitsReversed;
  const auto [mn, mx] = std::minmax_element(data + b, data + e + 1);
  const float lo = *mn, hi = *mx;
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
