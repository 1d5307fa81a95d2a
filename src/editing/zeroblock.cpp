#include "editing/zeroblock.h"

#include <algorithm>

bool ZeroBlockCases(float* data, int32_t nCases, int32_t b, int32_t e, float v) {
  if (b > e) std::swap(b, e);
  b = std::max(b, 0);
  e = std::min(e, nCases);
  if (data == nullptr || b > e) return false;
  std::fill(data + b, data + e + 1, v);
  return true;
}
