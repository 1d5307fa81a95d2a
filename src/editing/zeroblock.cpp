#include "editing/zeroblock.h"

#include <algorithm>
#include <iterator>

bool ZeroBlockCases(float* data, int32_t nCases, int32_t b, int32_t e, float v) {
  if (b > e) std::swap(b, e);
  b = std::max(b, 0);
  e = std::min(e, nCases);
  if (data == nullptr || b > e) return false;
  std::fill(data + b, data + e + 1, v);
  return true;
}

void BlockSetToStep(int16_t by, float value, int16_t channel, float (&f)[kStepFields]) {
  std::fill(std::begin(f), std::end(f), 0.0f);
  f[kStepOperation] = kOpTransformations;
  f[transform_step::kSetBlock] = by;
  f[transform_step::kSetValue] = value;
  f[transform_step::kChan1] = channel;
  // The runner asks for a block, as the hand run had one.
  f[transform_step::kBlockOnly] = 1.0f;
}
