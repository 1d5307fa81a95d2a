#include "editing/linearise.h"

#include <algorithm>
#include <vector>

int32_t CaseAtPixel(int x, int32_t segment, int16_t screenWidth, int16_t xStep) {
  const int64_t c = int64_t{screenWidth} * (std::max<int32_t>(segment, 1) - 1) + x / std::max<int16_t>(xStep, 1);
  return static_cast<int32_t>(std::clamp<int64_t>(c, 0, INT32_MAX));
}

SpikeEdit RemoveSpikeAt(float* x, int32_t nCases, int32_t c) {
  SpikeEdit e;
  if (nCases < 2) return e;
  c = std::clamp(c, 1, nCases - 1);
  e.caseIndex = c;
  e.before = x[c];
  x[c] = (x[c - 1] + x[c + 1]) * 0.5f;
  return e;
}

SpanEdit LineariseSpan(float* x, float* saved, int32_t nCases, int32_t a, int32_t b, int32_t passes) {
  if (a > b) std::swap(a, b);
  a = std::clamp(a, 0, nCases);
  b = std::clamp(b, 0, nCases);
  if (passes > 0) {
    a = std::clamp(a, 1, std::max(nCases - 1, 1));
    b = std::clamp(b, 1, std::max(nCases - 1, 1));
  }
  SpanEdit span{a, b};
  if (a == b) return span;
  const float ya = x[a], yb = x[b];
  const float s = (ya - yb) / static_cast<float>(b - a);
  std::copy(x + a, x + b + 1, saved + a);
  if (passes <= 0) {
    // In double from the first case, and the last case left as it was: the
    // float form moved it by up to two units in the last place.
    const double slope = (static_cast<double>(yb) - ya) / static_cast<double>(b - a);
    for (int32_t i = a + 1; i < b; ++i) x[i] = static_cast<float>(ya + static_cast<double>(i - a) * slope);
    return span;
  }
  std::vector<float> r(static_cast<size_t>(b - a + 1));
  for (int32_t p = 1; p <= passes; ++p) {
    for (int32_t i = a; i <= b; ++i) {
      const float line = ya - static_cast<float>(i - a) * s;
      const float mean3 = (x[i] + x[i - 1] + x[i + 1]) / 3.0f;
      const float ri = line - mean3 + x[i];
      r[static_cast<size_t>(i - a)] = ri;
      x[i] = i == a ? ri : (r[static_cast<size_t>(i - a - 1)] + ri) * 0.5f;
    }
  }
  return span;
}

void RestoreSpan(float* x, const float* saved, const SpanEdit& span) {
  if (span.first >= span.last) return;
  std::copy(saved + span.first, saved + span.last + 1, x + span.first);
}
