#include "plot/stripheights.h"

#include <algorithm>

StripArea StripAreaFor(int16_t target, int16_t bottomOfPlotArea) {
  if (target == kHeightsForPrint) return {5, 230, 1.777778f, 85};
  return {0, std::max(bottomOfPlotArea - 19, 0), 1, 48};
}

ClickBand ClickBandFor(const StripArea& a, int currentTop, int stillToCome) {
  ClickBand b{currentTop + 16, a.bottom - 16 * std::max(stillToCome, 0)};
  // A crowded area still gives one row to pick.
  if (b.limit <= b.top) b.limit = b.top + 1;
  return b;
}

std::vector<StripWords> CustomStrips(const StripArea& a, std::span<const int> boundaries, int k) {
  std::vector<StripWords> out;
  if (k < 1) return out;
  int top = a.top;
  auto words = [&](int row) {
    const float w9 = static_cast<float>(row - a.top) * a.factor + a.offset;
    out.push_back({static_cast<float>(row - top) * a.factor, w9, w9 - 2});
    top = row;
  };
  for (int i = 0; i + 1 < k; ++i) {
    const ClickBand band = ClickBandFor(a, top, k - 1 - i);
    const int row = i < static_cast<int>(boundaries.size()) ? boundaries[static_cast<size_t>(i)] : band.top;
    words(std::clamp(row, band.top, band.limit - 1));
  }
  words(std::max(a.bottom, top));
  return out;
}
