#include "plot/geometry.h"

#include <algorithm>
#include <cmath>

namespace plotcore {

namespace {

int16_t Clamp16(int64_t v) {
  return static_cast<int16_t>(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX));
}
int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}
int32_t Trunc32(double v) {
  if (std::isnan(v)) return 0;
  return Clamp32(static_cast<int64_t>(std::clamp(std::trunc(v), -9.0e18, 9.0e18)));
}

// A short display must not give a plot of no or negative height.
constexpr int16_t kLowestBottom = 60;

}  // namespace

ScreenGeometry GeometryForDisplay(int displayW, int displayH) {
  ScreenGeometry g;
  int64_t sw, sh;
  if (displayW > 831) {
    sw = displayW - 150 < 1801 ? displayW - 150 : 1800;
    sh = displayH - 35 < 801 ? displayH - 35 : 800;
  } else {
    sw = displayW;
    sh = displayH;
  }
  int64_t b = sh - 410 < 401 ? sh - 410 : 356;
  b = std::max<int64_t>(b, kLowestBottom);
  sw = std::max<int64_t>(sw, 550);
  g.screenWidth = Clamp16(sw);
  g.screenHeight = Clamp16(sh);
  g.bottomOfPlotArea = Clamp16(b);
  g.plotHeight = Clamp16(b - 28);
  return g;
}

ScreenGeometry GeometryForContent(int contentW, int contentH, int16_t screenHeight) {
  ScreenGeometry g;
  g.screenWidth = Clamp16(contentW);
  g.screenHeight = screenHeight;
  g.bottomOfPlotArea = Clamp16(int64_t{contentH} - 38);
  g.plotHeight = Clamp16(int64_t{contentH} - 66);
  return g;
}

plat::Rect PlotWindowRect(const ScreenGeometry& g, bool toolbarAtLeft) {
  return {toolbarAtLeft ? 94 : 2, 41, g.screenWidth + 91, g.bottomOfPlotArea + 80};
}

plat::Size PlotWindowMaxSize(int displayW, int displayH) {
  return {std::max(displayW, kPlotWindowMinSize.w), std::max(displayH - 400, kPlotWindowMinSize.h)};
}

int PlotWindowCascade(int before, plat::Rect content, plat::Size desk, int most) {
  constexpr int kStep = 18;
  const int room = std::min(desk.w - content.right, desk.h - content.bottom);
  int places = std::max(1, room / kStep + 1);
  int step = kStep;
  // Clamping only the last places would leave one window a few pixels below
  // the one behind it, over that one's close box and title: every step is
  // shortened alike, and where even that would cover them the round has
  // fewer places.
  if (most < (places - 1) * kStep) {
    places = std::clamp(std::max(0, most) / kLeastCascadeStep + 1, 1, places);
    step = places > 1 ? std::min(kStep, most / (places - 1)) : 0;
  }
  return step * (std::max(0, before) % places);
}

ViewMode ModeOf(const ViewState& v) {
  if (v.zoomed) return ViewMode::Zoomed;
  if (v.compressed && v.nCases > v.screenWidth) return ViewMode::Compressed;
  return ViewMode::Paged;
}

ZoomSpan ClampZoom(int32_t zoomLeft, int32_t zoomRight, int32_t nCases) {
  if (nCases <= 0) return {0, 0};
  if (zoomLeft > zoomRight) std::swap(zoomLeft, zoomRight);
  int32_t l = std::clamp(zoomLeft, 0, nCases);
  int32_t r = std::clamp(zoomRight, 0, nCases);
  if (l == r) {
    if (r < nCases) ++r;
    else --l;
  }
  return {l, r};
}

int32_t SegmentCount(int32_t nCases, int16_t screenWidth) {
  if (nCases <= 0 || screenWidth <= 0) return 0;
  return static_cast<int32_t>((int64_t{nCases} + screenWidth - 1) / screenWidth);
}

int64_t SegmentStart(int32_t segment, int16_t screenWidth) {
  return int64_t{screenWidth} * (int64_t{segment} - 1);
}

CaseRange SegmentRange(int32_t segment, int32_t nCases, int16_t screenWidth) {
  const int32_t segs = SegmentCount(nCases, screenWidth);
  if (segs == 0) return {};
  const int32_t s = std::clamp(segment, 1, segs);
  const int64_t first = SegmentStart(s, screenWidth) + 1;
  const int64_t last = std::min<int64_t>(nCases, int64_t{screenWidth} * s);
  return {Clamp32(first), Clamp32(last)};
}

CaseRange ViewRange(const ViewState& v) {
  if (v.nCases <= 0) return {};
  switch (ModeOf(v)) {
    case ViewMode::Zoomed: {
      const ZoomSpan z = ClampZoom(v.zoomLeft, v.zoomRight, v.nCases);
      return {z.left, z.right};
    }
    case ViewMode::Compressed:
      return {1, v.nCases};
    case ViewMode::Paged:
      if (v.nCases <= v.screenWidth) return {1, v.nCases};
      return SegmentRange(v.segment, v.nCases, v.screenWidth);
  }
  return {};
}

int16_t ExpansionStep(int32_t nCases, int16_t screenWidth) {
  if (nCases <= 0 || screenWidth <= 0) return 1;
  if (nCases > 0.5 * screenWidth) return 1;
  return static_cast<int16_t>(std::max(1, screenWidth / nCases));
}

std::optional<int32_t> DataEndLineX(const ViewState& v) {
  if (ModeOf(v) != ViewMode::Paged || v.screenWidth <= 0) return std::nullopt;
  const int64_t s = std::max<int64_t>(1, v.segment);
  if (int64_t{v.nCases} >= int64_t{v.screenWidth} * s) return std::nullopt;
  return Clamp32(int64_t{v.nCases} * v.xStep - int64_t{v.screenWidth} * (s - 1));
}

int32_t CaseAtPixel(const ViewState& v, int x) {
  if (v.screenWidth <= 0) return 0;
  switch (ModeOf(v)) {
    case ViewMode::Zoomed: {
      const ZoomSpan z = ClampZoom(v.zoomLeft, v.zoomRight, v.nCases);
      return Clamp32(z.left + int64_t{x} * (int64_t{z.right} - z.left) / v.screenWidth);
    }
    case ViewMode::Compressed:
      return Trunc32(static_cast<double>(x) * v.nCases / v.screenWidth);
    case ViewMode::Paged: {
      const double step = v.xStep > 0 ? v.xStep : 1;
      return Trunc32(x / step + static_cast<double>(SegmentStart(std::max<int32_t>(1, v.segment), v.screenWidth)));
    }
  }
  return 0;
}

int32_t BlockEdgePixel(const ViewState& v, int32_t k) {
  switch (ModeOf(v)) {
    case ViewMode::Zoomed: {
      const ZoomSpan z = ClampZoom(v.zoomLeft, v.zoomRight, v.nCases);
      const int64_t span = int64_t{z.right} - z.left;
      if (span <= 0) return 1;
      return Clamp32(int64_t{v.screenWidth} * (int64_t{k} - z.left) / span + 1);
    }
    case ViewMode::Compressed:
      if (v.nCases <= 0) return 1;
      return Trunc32(static_cast<double>(k) / v.nCases * v.screenWidth + 1.0);
    case ViewMode::Paged:
      return Clamp32(int64_t{v.xStep} * (int64_t{k} - SegmentStart(std::max<int32_t>(1, v.segment), v.screenWidth)));
  }
  return 0;
}

std::optional<PixelSpan> PagedBlockSpan(const ViewState& v, int32_t beginBlock, int32_t endBlock) {
  const int64_t s = std::max<int32_t>(1, v.segment);
  const int64_t seg0 = SegmentStart(static_cast<int32_t>(s), v.screenWidth);
  const int64_t segEnd = int64_t{v.screenWidth} * s;
  if (endBlock < seg0 || beginBlock > segEnd) return std::nullopt;
  const int32_t left = Clamp32((beginBlock - seg0) * v.xStep);
  const int32_t right = Clamp32((endBlock - seg0) * v.xStep);
  const bool endsInside = endBlock <= segEnd;
  if (beginBlock >= seg0) return PixelSpan{left, endsInside ? right : v.screenWidth};
  return PixelSpan{1, endsInside ? right : v.screenWidth};
}

std::vector<int32_t> SegmentLineXs(const ViewState& v) {
  std::vector<int32_t> xs;
  if (ModeOf(v) != ViewMode::Compressed || v.screenWidth <= 0) return xs;
  const double step = static_cast<double>(v.screenWidth) / v.nCases;  // XpositionStep
  for (int64_t k = v.screenWidth; k <= v.nCases; k += v.screenWidth) xs.push_back(Trunc32(k * step + 2.0));
  return xs;
}

std::vector<plat::Rect> ZoomEffectRects(int32_t blockLeftPx, int32_t blockRightPx, int16_t bottomOfPlotArea,
                                        int16_t screenWidth) {
  std::vector<plat::Rect> rects;
  const int64_t c = (int64_t{blockLeftPx} + blockRightPx) / 2;
  const int m = (bottomOfPlotArea - 22) / 2;
  const int dy = (m - 10) / 20;
  const int64_t reach = std::max<int64_t>(c, screenWidth - c);
  int k = 1;
  for (int64_t r = 13; r <= reach && k <= 1000; r += 50, ++k)
    rects.push_back({Clamp32(c - r), m - dy * k, Clamp32(c + r), m + dy * k});
  return rects;
}

SliderSpec MakeSliderSpec(int32_t nCases, int16_t screenWidth, int16_t bottomOfPlotArea, int32_t previousSegments,
                          int32_t segmentWord) {
  SliderSpec sp;
  sp.segments = SegmentCount(nCases, screenWidth);
  sp.present = screenWidth > 0 && nCases > screenWidth;
  if (!sp.present) {
    sp.segment = 1;
    return sp;
  }
  const int32_t segs = sp.segments;
  int64_t w1 = segmentWord;
  if (previousSegments > 0 && previousSegments != segs) {
    w1 = static_cast<int64_t>(std::trunc(static_cast<double>(w1) * segs / previousSegments + 0.5));
    w1 = std::clamp<int64_t>(w1, 1, segs);
  } else if (w1 < 1 || w1 > segs) {
    w1 = 1;
  }
  sp.segment = static_cast<int32_t>(w1);
  const double perPage = static_cast<double>(nCases) / screenWidth;
  const int32_t right = Trunc32(static_cast<double>(screenWidth) * (segs - 1) / perPage + 12.0);
  // Inside the window and tall enough for its thumb, below the time axis labels.
  sp.bounds = {0, bottomOfPlotArea + 17, std::clamp<int32_t>(right, 40, screenWidth), bottomOfPlotArea + 35};
  return sp;
}

}  // namespace plotcore
