#include "plot/blockscale.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "plot/autoscale.h"
#include "shell/desklayout.h"
#include "shell/textutil.h"

namespace plotcore {

namespace {

int truncInt(double v) {
  if (!(v == v)) return 0;
  return static_cast<int>(std::clamp(v, -1e9, 1e9));
}

}  // namespace

BlockScale ComputeBlockScale(const float* data, int32_t begin, int32_t end, int width, int height) {
  BlockScale s;
  if (end < begin) std::swap(begin, end);
  s.begin = begin;
  s.end = end;
  s.rightLim = width;
  s.upperLimit = height - 15;
  s.nPoints = end - begin + 1;
  Extremes e;
  for (int32_t k = begin; data && k <= end; ++k) e.add(data[k]);
  // Nothing finite: an empty scale around zero.
  float lo = e.any() ? e.lo : 0.0f, hi = e.any() ? e.hi : 0.0f;
  s.dataMaxY = hi;
  if (lo == hi) hi += 1.0f;
  // A span below the float's resolution at that magnitude leaves max == min.
  if (!(hi > lo)) hi = std::nextafter(lo, std::numeric_limits<float>::infinity());
  s.minY = lo;
  s.maxY = hi;
  s.yScale = static_cast<float>(static_cast<double>(s.upperLimit) / (static_cast<double>(hi) - lo));
  // One case has no span to spread: it takes the whole width from x 0.
  s.xScale = end > begin ? static_cast<double>(width) / (end - begin) : static_cast<double>(width);
  return s;
}

int BlockRow(const BlockScale& s, float v) {
  // The allowance absorbs the float scale's rounding, so that the largest
  // value lands on row 2 and not on row 1.
  return truncInt(s.upperLimit + 2 - (static_cast<double>(v) - s.minY) * s.yScale + 1e-4);
}

int BlockColumn(const BlockScale& s, int32_t k) { return truncInt((static_cast<double>(k) - s.begin) * s.xScale); }

TraceParams BlockTraceParams(const BlockScale& s) {
  TraceParams p;
  p.first = s.begin;
  p.last = s.end;
  p.yZero = std::trunc(s.upperLimit + 2 + static_cast<double>(s.yScale) * s.minY);
  p.yScale = s.yScale;
  p.x0 = -s.xScale;
  p.xStep = s.xScale > 0 ? s.xScale : 1.0;
  p.clip = false;
  p.histogram = false;
  return p;
}

std::vector<plat::Point> BlockTraceSegments(const float* data, int32_t nCases, const BlockScale& s,
                                            const LodTable* lod) {
  std::vector<plat::Point> out;
  if (!data) return out;
  const TraceResult r = ReduceTrace(data, nCases, BlockTraceParams(s), lod);
  out.reserve(r.segments.size());
  for (size_t i = 0; i + 1 < r.segments.size(); i += 2) {
    if (r.segments[i].x < 0 || r.segments[i + 1].x < 0) continue;
    out.push_back(r.segments[i]);
    out.push_back(r.segments[i + 1]);
  }
  return out;
}

bool BlockShowsCircles(const BlockScale& s) {
  return (static_cast<int64_t>(s.end) - s.begin) * 5 < s.rightLim;
}

std::vector<plat::Point> BlockCircleCentres(const float* data, const BlockScale& s) {
  std::vector<plat::Point> out;
  if (!data) return out;
  const TraceParams p = BlockTraceParams(s);
  for (int32_t k = s.begin; k <= s.end; ++k) {
    if (!std::isfinite(data[k])) continue;
    out.push_back({BlockColumn(s, k), TraceY(data[k], p)});
  }
  return out;
}

bool BlockCrossesZero(const BlockScale& s) { return s.maxY > 0 && s.minY < 0; }

int BlockZeroRow(const BlockScale& s) {
  return truncInt(static_cast<double>(s.maxY) * s.upperLimit / (static_cast<double>(s.maxY) - s.minY) + 1);
}

std::vector<int> ZeroDashStarts(int width) {
  std::vector<int> xs;
  for (int x = 1; x <= width; x += 20) xs.push_back(x);
  return xs;
}

std::string BlockMarkerLabel(int16_t code) {
  if (code > 200) return FieldNumText(static_cast<double>(code - 200));
  return std::string(1, static_cast<char>(static_cast<uint8_t>(code & 0xFF)));
}

std::vector<BlockMarkerMark> BlockMarkerMarks(const std::vector<MarkerRecord>& markers, const BlockScale& s) {
  size_t inBlock = 0;
  for (const MarkerRecord& m : markers) inBlock += m.caseNumber >= s.begin && m.caseNumber <= s.end ? 1 : 0;
  const bool labelled = inBlock <= static_cast<size_t>(kMaxLabelledBlockMarkers);
  std::vector<BlockMarkerMark> out;
  for (const MarkerRecord& m : markers) {
    if (m.caseNumber < s.begin || m.caseNumber > s.end) continue;
    const int x = BlockColumn(s, m.caseNumber);
    const std::string label = labelled ? BlockMarkerLabel(MarkerCode16(m)) : "";
    // The marks are drawn in XOR: a second line on a column would wipe the
    // first, so markers on one column share the line and the label.
    if (!out.empty() && out.back().x == x) {
      if (labelled) out.back().label += " " + label;
      continue;
    }
    out.push_back({x, label});
  }
  return out;
}

std::string BlockWindowTitle(bool firstForm, int16_t channel, const std::string& label, int32_t begin,
                             int32_t end) {
  const std::string n = NumText(channel);
  const std::string first = NumText(static_cast<double>(begin));
  const std::string last = NumText(static_cast<double>(end));
  const std::string count = NumText(static_cast<double>(end) - begin + 1);
  const std::string name = TrimTrailingBlanks(label);
  if (firstForm) return "Channel" + n + ", " + name + "; cases" + first + " to" + last + "  (N = " + count + ") ";
  return "Channel" + n + ", " + name + "; Cases" + first + " to" + last + " (N = " + count + ") ";
}

std::string PlotWindowTitle(int16_t slot, int16_t channels, int32_t cases, const std::string& name) {
  return "Plot Window" + NumText(static_cast<double>(slot) + 1) + ":  '" + name + "' (" + NumText(channels) +
         " Channels," + NumText(cases) + " Samples ) ";
}

std::string CommentsBoxTitle(const std::string& name) { return "COMMENTS for  '" + name + " '"; }

int BlockWindowTop(int frameTop, int bottomOfPlotArea, bool commentsHidden, int titleBarHeight) {
  return BelowCommentsTop(frameTop, bottomOfPlotArea, commentsHidden, titleBarHeight);
}

plat::Rect BlockViewRect(int left, int frameTop, int top, int lastWidth, int lastHeight, int blockWindowRight,
                         int blockWindowBottom, int displayHeight) {
  const int x = left + kResultsColumnWidth;
  // A size the user gave is kept, but not past the desk's bottom: a toolbar
  // put below the plot since may have moved the window down.
  if (lastHeight != 0) return {x, top, x + lastWidth, top + std::max(60, std::min(lastHeight, displayHeight - 4 - top))};
  int bottom = frameTop + blockWindowBottom + 80;
  if (bottom > displayHeight) bottom = displayHeight - 30;
  plat::Rect r{x, top, left + blockWindowRight, bottom};
  // A plot window low on the desk would leave no height at all; the window
  // keeps a usable minimum (it may then reach below the desk's edge).
  if (r.height() < 60) r.bottom = r.top + 60;
  if (r.width() < 60) r.right = r.left + 60;
  return r;
}

plat::Rect CollapsedInstructionsRect(int left, int top) { return {left + 324, top, left + 655, top + 30}; }

plat::Rect InstructionsRect(int left, int top, int screenWidth, int displayHeight) {
  int bottom = top + 319;
  if ((displayHeight - 80) - top < 320) bottom = displayHeight - 80;
  plat::Rect r{left + 324, top, left + screenWidth - 5, bottom};
  // On a short desk (a toolbar below the plot) the panel scrolls rather than
  // leaving the desk.
  const int least = std::max(60, std::min(kInstructionsMinSize.h, displayHeight - 4 - top));
  if (r.height() < least) r.bottom = r.top + least;
  if (r.width() < kInstructionsMinSize.w) r.right = r.left + kInstructionsMinSize.w;
  return r;
}

int FurnitureLift(int blockTop, int deskBottom) {
  constexpr int kUsableHeight = 60;
  return std::max(0, blockTop + kUsableHeight - deskBottom);
}

plat::Rect CommentsBoxRect(int left, int frameTop, int bottomOfPlotArea, int screenWidth) {
  const int top = CommentsBoxTop(frameTop, bottomOfPlotArea);
  return {left + kResultsColumnWidth, top, left + screenWidth - 1, top + 45};
}

}  // namespace plotcore
