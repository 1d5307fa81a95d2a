#include "plot/markers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace plotcore {

std::string MarkerLabel(int32_t code) {
  const auto c = static_cast<int16_t>(code);
  if (c > 200) return std::to_string(c - 200);
  return std::string(1, static_cast<char>(static_cast<uint8_t>(c)));
}

double MarkerX(const ViewState& v, double k) {
  const double sw = v.screenWidth;
  if (v.zoomed) {
    const ZoomSpan z = ClampZoom(v.zoomLeft, v.zoomRight, v.nCases);
    return (k - z.left) * sw / std::max<int64_t>(1, int64_t{z.right} - z.left);
  }
  if (v.nCases <= v.screenWidth) return v.xStep * k;
  if (!v.compressed) return v.xStep * (k - static_cast<double>(SegmentStart(std::max<int32_t>(1, v.segment),
                                                                            v.screenWidth)));
  return k * sw / std::max<int32_t>(1, v.nCases);
}

MarkerDrawing LayoutMarkers(const ViewState& v, const std::vector<MarkerRecord>& markers, int contentWidth,
                            int16_t bottomOfPlotArea) {
  MarkerDrawing d;
  const bool all = !v.zoomed && (v.nCases <= v.screenWidth || v.compressed);
  for (const MarkerRecord& m : markers) {
    const double x = MarkerX(v, m.caseNumber);
    if (all || (x > 0 && x < v.screenWidth)) ++d.visible;
  }
  const bool labels = d.visible == 0 || contentWidth / d.visible >= 10;
  d.lines.reserve(markers.size() * 2);
  int32_t lastCase = -1;
  for (const MarkerRecord& m : markers) {
    const double x = MarkerX(v, m.caseNumber);
    if (!(x > 0 && x <= v.screenWidth)) continue;
    // Markers on one case (a file's own and an interpolation mark beside
    // it) share the line, their labels side by side in list order.
    if (m.caseNumber == lastCase) {
      if (labels) d.labels.back().text += " " + MarkerLabel(m.code);
      continue;
    }
    lastCase = m.caseNumber;
    const int xi = static_cast<int>(std::trunc(x));
    if (labels) d.labels.push_back({static_cast<int>(std::trunc(x + 2)), MarkerLabel(m.code)});
    d.lines.push_back({xi, 55});
    d.lines.push_back({xi, bottomOfPlotArea - 4});
  }
  return d;
}

int32_t MarkerCaseAtClick(const ViewState& v, int x) {
  if (v.zoomed) {
    const ZoomSpan z = ClampZoom(v.zoomLeft, v.zoomRight, v.nCases);
    const int64_t span = int64_t{z.right} - z.left;
    return static_cast<int32_t>(z.left + int64_t{x} * span / std::max<int16_t>(1, v.screenWidth));
  }
  const int64_t seg0 = SegmentStart(std::max<int32_t>(1, v.segment), v.screenWidth);
  return static_cast<int32_t>(std::clamp<int64_t>(seg0 + x / std::max<int16_t>(1, v.xStep), INT32_MIN, INT32_MAX));
}

int32_t PageHoldingZoom(int32_t zoomLeft, int32_t zoomRight, int32_t nCases, int16_t screenWidth) {
  const ZoomSpan z = ClampZoom(zoomLeft, zoomRight, nCases);
  const int64_t middle = (int64_t{z.left} + z.right) / 2;
  const int64_t page = middle / std::max<int16_t>(1, screenWidth) + 1;
  return static_cast<int32_t>(std::clamp<int64_t>(page, 1, std::max(1, SegmentCount(nCases, screenWidth))));
}

plat::Rect NoteButtonRect(const ViewState& v, const std::string& caseText, int y) {
  double k = std::strtod(caseText.c_str(), nullptr);
  if (!std::isfinite(k)) k = 0;
  if (!v.zoomed && !v.compressed && v.nCases > v.screenWidth) k = std::trunc(k);
  const double x = std::clamp(MarkerX(v, k), -30000.0, 30000.0);
  return {static_cast<int>(std::trunc(x - 5)), y, static_cast<int>(std::trunc(x + 5)), y + 10};
}

}  // namespace plotcore
