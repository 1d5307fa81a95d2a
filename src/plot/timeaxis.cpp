#include "plot/timeaxis.h"

#include <algorithm>
#include <cmath>

#include "plot/geometry.h"

namespace plotcore {

namespace {

// Two characters as a number; blanks count as zeros. -1 when not digits.
int PairValue(char a, char b) {
  auto digit = [](char c) { return c == ' ' ? 0 : (c >= '0' && c <= '9' ? c - '0' : -1); };
  const int hi = digit(a), lo = digit(b);
  if (hi < 0 || lo < 0) return -1;
  return hi * 10 + lo;
}

constexpr double kDay = 86400.0, kHour = 3600.0;
constexpr double kThreeDays = 259200.0;
// Units closer than this would smear into a solid bar (and very many marks).
constexpr double kMinPixelsPerUnit = 2.0;

}  // namespace

int32_t StartSecondsOf(std::string_view t) {
  if (t.size() < 5) return 0;
  const int h = PairValue(t[0], t[1]);
  const int m = PairValue(t[3], t[4]);
  const int s = t.size() >= 8 ? PairValue(t[t.size() - 2], t[t.size() - 1]) : 0;
  if (h < 0 || m < 0 || s < 0) return 0;
  return h * 3600 + m * 60 + s;
}

TimeAxis ComputeTimeAxis(const TimeAxisInput& in) {
  TimeAxis ax;
  ax.eraseTop = in.axisY;
  ax.eraseBottom = in.axisY + 16;
  const double T = in.interval;
  const double W = in.screenWidth;
  if (!(T > 0) || !std::isfinite(T) || W <= 0 || in.nCases <= 0) return ax;

  // A zoomed view is timed by its own span whether or not word 4 is set.
  const bool spanView = in.compressed || in.zoomed;
  double n = in.nCases;
  double t = in.startSeconds;
  if (in.zoomed) {
    const ZoomSpan z = ClampZoom(in.zoomLeft, in.zoomRight, in.nCases);
    n = static_cast<double>(z.right) - z.left;
    t += z.left * T;
  }
  const double D = std::trunc(n * T);
  const double wholeDays = std::floor(std::trunc(static_cast<double>(in.nCases) * T) / kDay);
  const double pagedStart = in.startSeconds + (std::max<int>(1, in.segment) - 1) * W * T;

  double unit, ppu;
  if (spanView && D > kThreeDays) {
    ax.kind = TimeAxisKind::DaysCompressed;
    unit = kDay;
    ppu = std::trunc(kDay / T) / (n / W);
  } else if (T * W > kThreeDays) {
    ax.kind = TimeAxisKind::DaysPaged;
    unit = kDay;
    t = pagedStart;
    ppu = std::trunc(kDay / T);
  } else {
    ax.kind = TimeAxisKind::Hours;
    unit = kHour;
    if (!spanView) {
      t = pagedStart;
      n = W;
    }
    ppu = std::trunc(kHour / T) / (n / W);
  }
  const bool days = unit == kDay;
  ax.pixelsPerUnit = ppu;
  ax.gridBottom = days ? in.axisY - 3 : in.axisY - 7;
  // An interval longer than the unit leaves no whole pixels per unit.
  if (!std::isfinite(ppu) || ppu < kMinPixelsPerUnit || !std::isfinite(t) || t < 0) return ax;

  const double toNext = unit - std::fmod(t, unit);
  const double x1 = std::trunc(toNext * ppu / unit + 1.0);
  if (x1 > W) return ax;
  int64_t number = days ? static_cast<int64_t>(std::floor(t / kDay))
                        : static_cast<int64_t>(std::floor(t / kHour)) % 24;
  const bool grid = in.gridLines && !(days && in.timeGridLimit == 1 && ppu < 10.0);
  double prevLabel = -80.0;
  bool firstLabel = true;
  for (int64_t i = 0;; ++i) {
    const double x = x1 + static_cast<double>(i) * ppu;
    if (x > W) break;
    ++number;
    if (!days && number == 25) number = 1;
    TimeMark mk;
    mk.x = static_cast<int>(std::trunc(x));
    mk.number = static_cast<int32_t>(number);
    mk.grid = grid;
    mk.tick = x > 2.0;
    ax.marks.push_back(mk);
    if (in.labels && x - prevLabel > (number > 99 ? 40.0 : 25.0)) {
      TimeLabel lb;
      lb.baselineY = in.axisY + 15;
      std::string num = std::to_string(number);
      if (firstLabel) {
        const double held = std::max(x, 22.0);
        lb.x = static_cast<int>(std::trunc(held)) - 20;
        lb.text = (days ? "day " : "hr ") + num;
        prevLabel = held;
        firstLabel = false;
      } else {
        lb.x = mk.x + 1;
        lb.text = num;
        prevLabel = x;
      }
      ax.labels.push_back(std::move(lb));
    }
    // The paged day axis stops with the first day past the recording.
    if (ax.kind == TimeAxisKind::DaysPaged && static_cast<double>(number) > wholeDays) break;
  }
  return ax;
}

}  // namespace plotcore
