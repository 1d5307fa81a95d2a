#include "plot/selection.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "output/numberformat.h"
#include "shell/textutil.h"
#include "shell/timeunits.h"

int32_t ABunit = 0;
int32_t ABu = 0;

namespace plotcore {

namespace {

int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }
int32_t Trunc32(double v) {
  if (std::isnan(v)) return 0;
  return Clamp32(static_cast<int64_t>(std::clamp(std::trunc(v), -9.0e18, 9.0e18)));
}

int64_t Seg0(const ViewState& v) { return SegmentStart(std::max<int32_t>(1, v.segment), v.screenWidth); }

double CasesPerPixel(const ViewState& v) {
  return v.screenWidth > 0 ? static_cast<double>(v.nCases) / v.screenWidth : 0.0;
}

int16_t StateOf(int32_t begin, int32_t end) {
  return int64_t{end} - begin >= 1 ? kBlockDefined : kBlockOneCase;
}

// Text cut to its first n characters.
std::string Cut(const std::string& s, size_t n) { return s.size() > n ? s.substr(0, n) : s; }

// Two digits of a clock field: "00" below 1, a leading zero below 10, and
// the first two digits of a larger value. Whole units only, so 9.99 s is
// "09", never a rounded "10".
std::string TwoDigits(double v) {
  if (!(v >= 1.0)) return "00";
  const int64_t n = static_cast<int64_t>(std::trunc(std::min(v, 9.0e18)));
  const std::string d = std::to_string(n);
  return n < 10 ? "0" + d : d.substr(0, 2);
}

}  // namespace

int32_t SelectionEdgePixel(const ViewState& v, int32_t k, int pointerX) {
  if (ModeOf(v) == ViewMode::Zoomed) return pointerX;
  return BlockEdgePixel(v, k);
}

BlockPick DragBlock(const ViewState& v, int pressX, int releaseX) {
  BlockPick b;
  const int left = std::min(pressX, releaseX), right = std::max(pressX, releaseX);
  const int32_t n = std::max<int32_t>(0, v.nCases);
  switch (ModeOf(v)) {
    case ViewMode::Zoomed: {
      const ZoomSpan z = ClampZoom(v.zoomLeft, v.zoomRight, v.nCases);
      const double perPixel = v.screenWidth > 0 ? static_cast<double>(z.right - z.left) / v.screenWidth : 0.0;
      b.begin = Trunc32(left * perPixel + z.left);
      b.end = Trunc32(z.left + perPixel * right);
      b.leftPx = left;
      b.rightPx = right;
      break;
    }
    case ViewMode::Compressed: {
      const double cpp = CasesPerPixel(v);
      b.begin = std::max(Trunc32(left * cpp), 0);
      b.end = std::min(n, Trunc32(right * cpp));
      b.leftPx = BlockEdgePixel(v, b.begin);
      b.rightPx = BlockEdgePixel(v, b.end);
      break;
    }
    case ViewMode::Paged: {
      const double step = v.xStep > 0 ? v.xStep : 1;
      const int64_t seg0 = Seg0(v);
      b.begin = std::max(Trunc32(left / step + static_cast<double>(seg0)), 0);
      b.end = std::min(n, Trunc32(right / step + static_cast<double>(seg0)));
      if (v.xStep > 1) {
        b.leftPx = left;
        b.rightPx = right;
      } else {
        b.leftPx = Clamp32(b.begin - seg0);
        b.rightPx = Clamp32(b.end - seg0);
      }
      break;
    }
  }
  b.begin = std::clamp(b.begin, 1, std::max(1, n));
  b.end = std::clamp(b.end, 0, n);
  // A drag wholly past the data's end selects the last case only.
  if (b.begin > b.end) b.begin = b.end = n;
  b.state = StateOf(b.begin, b.end);
  return b;
}

BlockPick FirstEdge(const ViewState& v, int x) {
  BlockPick b;
  b.begin = std::clamp(CaseAtPixel(v, x), 0, std::max<int32_t>(0, v.nCases));
  b.leftPx = SelectionEdgePixel(v, b.begin, x);
  b.end = 0;
  b.rightPx = 0;
  b.state = kBlockFirstEdge;
  return b;
}

BlockPick SecondEdge(const ViewState& v, const BlockPick& first, int x) {
  BlockPick b = first;
  b.end = std::clamp(CaseAtPixel(v, x), 0, std::max<int32_t>(0, v.nCases));
  b.rightPx = SelectionEdgePixel(v, b.end, x);
  if (b.begin > b.end) {
    std::swap(b.begin, b.end);
    std::swap(b.leftPx, b.rightPx);
  }
  if (b.leftPx > b.rightPx) std::swap(b.leftPx, b.rightPx);
  b.state = StateOf(b.begin, b.end);
  return b;
}

BlockPick AutoBlock(const ViewState& v, int x, int32_t abUnit, int32_t abu) {
  BlockPick b;
  const int32_t n = std::max<int32_t>(0, v.nCases);
  const int64_t half = std::max<int32_t>(0, abUnit);
  switch (ModeOf(v)) {
    case ViewMode::Zoomed: {
      const ZoomSpan z = ClampZoom(v.zoomLeft, v.zoomRight, v.nCases);
      const int64_t c = CaseAtPixel(v, x);
      b.begin = Clamp32(c - half);
      b.end = Clamp32(c + half);
      const int64_t span = int64_t{z.right} - z.left;
      const double h = span > 0 ? (static_cast<double>(abu) + 1.0) * v.nCases / static_cast<double>(span) : 0.0;
      b.leftPx = Trunc32(x - h);
      b.rightPx = Trunc32(x + h);
      break;
    }
    case ViewMode::Compressed: {
      const double at = x * CasesPerPixel(v);
      b.begin = Trunc32(at - static_cast<double>(half));
      b.end = Trunc32(at + static_cast<double>(half));
      break;
    }
    case ViewMode::Paged: {
      const double step = v.xStep > 0 ? v.xStep : 1;
      const double at = x / step + static_cast<double>(Seg0(v));
      b.begin = Trunc32(at - static_cast<double>(half));
      b.end = Trunc32(at + static_cast<double>(half));
      break;
    }
  }
  b.begin = std::clamp(b.begin, 0, n);
  b.end = std::clamp(b.end, 0, n);
  if (ModeOf(v) != ViewMode::Zoomed) {
    b.leftPx = BlockEdgePixel(v, b.begin);
    b.rightPx = BlockEdgePixel(v, b.end);
  }
  b.state = StateOf(b.begin, b.end);
  return b;
}

// ---- Data bar while dragging ----------------------------------------------------------

std::string DragElapsedText(double seconds) {
  const double s = seconds;
  // Each unit divided from the seconds, rounded once to the float shown.
  auto in = [s](double unitSeconds) { return static_cast<float>(s / unitSeconds); };
  if (s > 172800.0) return Cut(RealText(in(kSecondsPerDay)), 7) + " days";
  if (s > 60.0) {
    if (s > kSecondsPerHour) return Cut(RealText(in(kSecondsPerHour)), 8) + " hr";
    return Cut(RealText(in(kSecondsPerMinute)), 10) + " min";
  }
  const std::string t = RealText(static_cast<float>(s));
  return t + (t.size() <= 10 ? " sec" : " s");
}

std::string DragCaseText(int32_t caseIndex, double seconds) {
  return " #" + IntText(int64_t{caseIndex}) + ";  " + DragElapsedText(seconds);
}

std::string DragClockText(float startMinutes, double seconds, float* minuteOfDay) {
  double d = static_cast<double>(startMinutes) + SecondsToMinutes(seconds);
  if (!std::isfinite(d)) d = 0.0;
  // Folded in one step: a far-off value would take millions of subtractions.
  if (d > 1440.0) d -= 1440.0 * std::ceil((d - 1440.0) / 1440.0);
  if (minuteOfDay) *minuteOfDay = static_cast<float>(d);
  // Whole seconds, truncated. The start is f32 minutes, off by up to half a
  // step of f32 from the clock time it stands for (13:05:07 is held as
  // 785.11664, 1.7 ms early); that much is allowed for.
  const double halfStep = (std::nextafter(startMinutes, INFINITY) - startMinutes) * 30.0;
  const double allowance = std::isfinite(halfStep) ? halfStep + 1e-6 : 1e-6;
  const auto total = static_cast<int64_t>(std::floor(d * 60.0 + allowance));
  const int64_t h = total / 3600, n = total / 60 - 60 * h, q = total % 60;
  return IntText(h) + ":" + TwoDigits(static_cast<double>(n)) + ":" + TwoDigits(static_cast<double>(q));
}

std::string DragValueText(float value) { return "value " + RealText(value); }

int32_t DragSpanCases(const ViewState& v, int dx) {
  const int64_t d = std::llabs(static_cast<long long>(dx));
  if (v.screenWidth <= 0) return 0;
  switch (ModeOf(v)) {
    case ViewMode::Zoomed: {
      const ZoomSpan z = ClampZoom(v.zoomLeft, v.zoomRight, v.nCases);
      return Clamp32(d * (int64_t{z.right} - z.left) / v.screenWidth);
    }
    case ViewMode::Compressed: return Trunc32(static_cast<double>(d) * CasesPerPixel(v));
    case ViewMode::Paged: return Trunc32(static_cast<double>(d) / std::max<int16_t>(1, v.xStep));
  }
  return 0;
}

std::string DragSpanText(float interval, int32_t spanCases) {
  float t = interval * static_cast<float>(spanCases);
  const char* unit = " sec";
  if (t >= 120.0f) {
    t /= 60.0f;
    unit = " min";
    if (t > 120.0f) {
      t /= 60.0f;
      unit = " hr";
      if (t > 24.0f) {
        t /= 24.0f;
        unit = " days";
      }
    }
  }
  return Cut(RealText(t), 7) + unit;
}

// ---- Info line and label line ------------------------------------------------------------

std::string InfoLineText(const std::string& startDate, const std::string& startTime, float interval) {
  const std::string date =
      startDate.size() > 8 ? startDate.substr(0, 6) + startDate.substr(startDate.size() - 2) : startDate;
  return date + "@" + startTime + ";  interval" + StringFormatter(interval) + " sec";
}

std::string StepCounterText(int32_t count) { return " step" + IntText(count); }

std::string TabularCounterText(int32_t count) { return "new file; total saved = " + IntText(count); }

std::string LabelLineText(const LabelLineInput& in) {
  std::string t;
  if (in.activeChannel != 0)
    t = "Channel" + IntText(in.activeChannel) + " of" + IntText(in.nChannels) + "    " + in.label;
  else
    t = "FFT results for channel" + IntText(in.fftChannel) + ":  fundamental frequencies";
  if (in.paged) t += "      Screen" + IntText(in.segment) + " of" + IntText(in.segments);
  switch (in.resultsPort) {
    case 6: t += "    Results to printer    "; break;
    case 4: t += "    Results to file  '" + in.resultsFile; break;
    case 5: t += "    Results to tabular file  '" + in.resultsFile; break;
    default: t += " "; break;
  }
  return t;
}

}  // namespace plotcore
