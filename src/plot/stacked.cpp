#include "plot/stacked.h"

#include <algorithm>
#include <cmath>

namespace plotcore {

std::vector<StripPlace> EqualStrips(const uint16_t* shown, int16_t nChannels, bool stacked, int16_t screenHeight,
                                    int16_t bottomOfPlotArea) {
  std::vector<int16_t> chans;
  for (int16_t c = 1; c <= nChannels; ++c)
    if (shown[c]) chans.push_back(c);
  if (chans.empty() && nChannels >= 1) chans.push_back(1);
  std::vector<StripPlace> out;
  if (chans.empty()) return out;
  const int k = static_cast<int>(chans.size());
  const int h = stacked ? (bottomOfPlotArea - 19) / k : (screenHeight - 113) / k;
  const int base = stacked ? 49 : 14;
  for (int i = 1; i <= k; ++i)
    out.push_back({chans[static_cast<size_t>(i - 1)], static_cast<float>(h), static_cast<float>(i * h + base)});
  return out;
}

StripRows RowsOfStrip(float height, float bottomPlus30) {
  const double h = std::isfinite(height) ? height : 0.0, b9 = std::isfinite(bottomPlus30) ? bottomPlus30 : 0.0;
  StripRows r;
  r.bottom = static_cast<int>(std::clamp(std::trunc(b9 - 30.0), -32768.0, 32767.0));
  r.top = static_cast<int>(std::clamp(std::trunc(r.bottom - h), -32768.0, 32767.0));
  return r;
}

StripSpan StackedSpan(const ViewState& v, bool blockOnly, int32_t beginBlock, int32_t endBlock) {
  StripSpan s;
  const int16_t sw = std::max<int16_t>(1, v.screenWidth);
  if (v.zoomed) {
    const ZoomSpan z = ClampZoom(v.zoomLeft, v.zoomRight, v.nCases);
    s.first = z.left;
    s.last = z.right;
    s.xStep = static_cast<double>(sw) / std::max<int64_t>(1, int64_t{z.right} - z.left);
  } else if (blockOnly) {
    // 64-bit span: a block longer than 32,767 cases still fills the width.
    const int32_t a = std::clamp(std::min(beginBlock, endBlock), 0, v.nCases);
    const int32_t b = std::clamp(std::max(beginBlock, endBlock), 0, v.nCases);
    s.first = a;
    s.last = b;
    s.xStep = static_cast<double>(sw) / std::max<int64_t>(1, int64_t{b} - a);
  } else if (!v.compressed || v.nCases <= sw) {
    const int32_t seg = std::max<int32_t>(1, v.segment);
    const int64_t seg0 = SegmentStart(seg, sw);
    s.first = static_cast<int32_t>(std::min<int64_t>(seg0 + 1, INT32_MAX));
    s.last = static_cast<int32_t>(std::min<int64_t>(v.nCases, int64_t{sw} * seg));
    s.xStep = std::max<int16_t>(1, v.xStep);
  } else {
    s.first = 0;
    s.last = v.nCases;
    s.xStep = static_cast<double>(sw) / std::max<int32_t>(1, v.nCases);
  }
  return s;
}

double StripBaseline(int bottom, float yScale, float minimum) {
  return std::trunc(bottom - 0.5 + static_cast<double>(yScale) * minimum);
}

std::vector<int> StripGridRows(int bottom, int height) {
  std::vector<int> rows;
  for (int i = 1; i <= 4; ++i) rows.push_back(static_cast<int>(bottom - static_cast<double>(i) * height / 5.0));
  return rows;
}

std::optional<int> StripZeroRow(int top, int bottom, float minimum, float maximum) {
  if (!(minimum < 0 && 0 < maximum)) return std::nullopt;
  return top + static_cast<int>(std::trunc(static_cast<double>(bottom - top) * maximum /
                                           (static_cast<double>(maximum) - minimum)));
}

std::optional<int32_t> StripEndOfDataX(const ViewState& v, bool blockOnly) {
  if (blockOnly || v.zoomed || (v.compressed && v.nCases > v.screenWidth)) return std::nullopt;
  const int32_t seg = std::max<int32_t>(1, v.segment);
  const int64_t segments = SegmentCount(v.nCases, v.screenWidth);
  if (v.screenWidth <= 0 || int64_t{v.nCases} >= std::max<int64_t>(1, segments) * v.screenWidth) return std::nullopt;
  const int64_t x = int64_t{v.nCases} * std::max<int16_t>(1, v.xStep) - SegmentStart(seg, v.screenWidth);
  return static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX));
}

}  // namespace plotcore
