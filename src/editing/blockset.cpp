#include "editing/blockset.h"

#include <algorithm>

bool SetBlockCases(float* data, int32_t nCases, int32_t b, int32_t e, float value) {
  if (b > e) std::swap(b, e);
  if (data == nullptr || b < 0 || e > nCases) return false;
  std::fill(data + b, data + e + 1, value);
  return true;
}
