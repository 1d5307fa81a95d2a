#include "plot/autoscale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace plotcore {

namespace {

// Limits inside float, and a span that float still holds: values up to the
// float's largest keep their place on the scale.
constexpr double kLimit = std::numeric_limits<float>::max();
constexpr double kLongestSpan = 0.999 * kLimit;
// Below this a range would give a yScale beyond float: scale as constant.
constexpr double kTinyRange = 1.0e-30;
constexpr int kSearchCap = 50;

struct KeyRow {
  int key;
  double units;
  int intervals;
};
constexpr KeyRow kKeys[] = {{10, 1.5, 6}, {20, 2, 4}, {30, 4, 4}, {40, 5, 5},  {50, 5, 5},
                            {60, 6, 6},   {70, 7, 7}, {80, 8, 4}, {90, 10, 5}, {100, 12, 6}};

const KeyRow* FindKey(int key) {
  for (const KeyRow& r : kKeys)
    if (r.key == key) return &r;
  return nullptr;
}

double WidenOf(double v) { return std::max(1.0, 0.05 * std::fabs(v)); }

void SetLimits(Scale& s, double lo, double hi) {
  lo = std::clamp(lo, -kLimit, kLimit);
  hi = std::clamp(hi, -kLimit, kLimit);
  // A span past float's reach keeps the end farther from zero.
  if (hi - lo > kLongestSpan) {
    if (std::fabs(hi) >= std::fabs(lo)) lo = hi - kLongestSpan;
    else hi = lo + kLongestSpan;
  }
  s.minimumValue = static_cast<float>(lo);
  s.maximumValue = static_cast<float>(hi);
  s.range = s.maximumValue - s.minimumValue;
}

// Last line of defence: a scale of no height or not finite becomes one
// around its middle.
void EnsureHeight(Scale& s) {
  if (std::isfinite(s.range) && s.range > kTinyRange && std::isfinite(s.minimumValue) &&
      std::isfinite(s.maximumValue))
    return;
  double mid = 0.5 * (static_cast<double>(s.minimumValue) + s.maximumValue);
  if (!std::isfinite(mid)) mid = 0;
  const double w = WidenOf(mid);
  SetLimits(s, mid - w, mid + w);
  s.niceAxis = false;
  s.widened = true;
}

}  // namespace

uint16_t ScaleModeFromFactor(float element4) {
  if (element4 < 0) return kScaleManual;
  if (!(element4 < 3)) return kScaleNormal;  // also NaN
  const int m = static_cast<int>(element4);
  return static_cast<uint16_t>(m);
}

Extremes ScanExtremes(const float* data, size_t count, int64_t first, int64_t last) {
  Extremes e;
  if (!data || count == 0) return e;
  first = std::max<int64_t>(first, 0);
  last = std::min<int64_t>(last, static_cast<int64_t>(count) - 1);
  for (int64_t k = first; k <= last; ++k) e.add(data[k]);
  return e;
}

bool NiceAxisSearch(float rawRange, Scale& s) {
  const double range = rawRange;
  if (!(range > 0) || !std::isfinite(range)) return false;
  int e = -21;
  while (range > std::pow(10.0, e) && e < 40) ++e;
  double sc = std::pow(10.0, e);
  double x = 10.0 * range / sc;
  const double mMin = s.minimumValue, mMax = s.maximumValue;
  for (int it = 0; it < kSearchCap; ++it) {
    // Within a rounding step of a power of ten x may fall just outside
    // (1, 10]; outside the table the margined scale stands.
    if (!(x >= 1.0) || !std::isfinite(x)) return false;
    const KeyRow* row = FindKey(10 * static_cast<int>(std::trunc(x)));
    if (!row) return false;
    const double S = row->units * sc / 10.0;
    const double step = S / row->intervals;
    // Stepping a on the grid of `step` from 0 or -S until it lies just
    // above the minimum, done by division so that no range can make it slow.
    const double j = std::floor(mMin / step) + 1.0;
    if (!std::isfinite(j) || std::fabs(j) > 1e15) return false;
    double a = j * step;
    if (a <= mMin) a += step;
    else if (a - step > mMin) a -= step;
    const double newMin = a - step;
    const double newMax = newMin + S;
    if (newMax >= mMax && mMin >= newMin) {
      s.niceAxis = true;
      s.sc = static_cast<float>(sc);
      s.scr = static_cast<float>(S);
      s.lines = static_cast<float>(row->intervals);
      s.spn = static_cast<float>(row->units);
      s.span = static_cast<float>(x);
      SetLimits(s, newMin, newMax);
      return true;
    }
    x += x < 1.5 ? 0.5 : 1.0;
    if (x > 10.0) {
      sc *= 10.0;
      x /= 10.0;
    }
  }
  return false;
}

Scale ScaleFromExtremes(Extremes e, uint16_t scaleMode) {
  Scale s;
  double lo = 0, hi = 0;
  if (e.any()) {
    lo = e.lo;
    hi = e.hi;
  }
  if (hi - lo <= kTinyRange) {
    const double v = 0.5 * (lo + hi);
    const double w = WidenOf(v);
    lo = v - w;
    hi = v + w;
    s.widened = true;
  }
  double range = hi - lo;
  double mx = hi + 0.05 * range;
  double mn = lo - 0.05 * range;
  if (scaleMode == kScaleIncludeZero && !(mn < 0 && 0 < mx)) {
    if (mx >= 0) {
      const double m = mx;
      mx = 1.1 * m;
      mn = -m / 10.0;
    } else {
      const double m = mn;
      mn = 1.1 * m;
      mx = -m / 10.0;
    }
    range = mx - mn;
  }
  SetLimits(s, mn, mx);
  if ((scaleMode == kScaleIncludeZero || scaleMode == kScaleNormal) && range != 0 && hi <= 1e20 && lo >= -1e20)
    NiceAxisSearch(static_cast<float>(range), s);
  EnsureHeight(s);
  return s;
}

Scale FindMinMax(const float* data, size_t count, int64_t first, int64_t last, uint16_t scaleMode) {
  return ScaleFromExtremes(ScanExtremes(data, count, first, last), scaleMode);
}

Scale ManualScale(float lo, float hi) {
  Scale s;
  double a = std::isfinite(lo) ? lo : 0.0, b = std::isfinite(hi) ? hi : 0.0;
  if (a > b) std::swap(a, b);
  SetLimits(s, a, b);
  EnsureHeight(s);
  return s;
}

float YScaleOf(int16_t plotHeight, const Scale& s) {
  if (plotHeight <= 0 || !(s.range > 0)) return 0.0f;
  const float y = static_cast<float>(plotHeight) / s.range;
  return std::isfinite(y) ? y : 0.0f;
}

std::vector<YLabel> YAxisLabels(const Scale& s, int16_t plotHeight, int16_t bottomOfPlotArea) {
  std::vector<YLabel> out;
  if (!s.niceAxis || s.lines < 1) return out;
  const int n = static_cast<int>(s.lines);
  const double step = static_cast<double>(s.range) / s.lines;
  for (int i = 1; i <= n; ++i) {
    YLabel l;
    l.y = i == n ? bottomOfPlotArea - 4 : static_cast<int>(std::trunc(static_cast<double>(i) * plotHeight / s.lines + 21.0));
    // The plot maps its values through maximum and range; in float the
    // product lost the steps of a small span far from zero.
    double v = static_cast<double>(s.maximumValue) - i * static_cast<double>(s.range) / s.lines;
    if (std::fabs(v) < 1e-3 * step) v = 0.0;
    if (v == 0.0) {
      l.zero = true;
      l.y -= 2;
    }
    l.value = v;
    out.push_back(l);
  }
  return out;
}

std::vector<int> GridRows(const Scale& s, int16_t plotHeight) {
  std::vector<int> rows;
  if (!s.niceAxis || s.lines < 2) return rows;
  const int n = static_cast<int>(s.lines);
  for (int i = 1; i < n; ++i)
    rows.push_back(static_cast<int>(std::trunc(static_cast<double>(i) * plotHeight / s.lines + 21.0)));
  return rows;
}

bool ZeroLineRow(const Scale& s, int16_t plotHeight, int* row) {
  if (!(s.minimumValue < 0 && 0 < s.maximumValue) || !(s.range > 0)) return false;
  if (row) *row = static_cast<int>(std::trunc(static_cast<double>(s.maximumValue) * plotHeight / s.range + 22.0));
  return true;
}

std::string AxisLabelText(double value, double step) {
  // q: the power of ten of the step's last digit.
  int q = 0;
  const double st = std::fabs(step);
  if (st > 0 && std::isfinite(st)) {
    q = static_cast<int>(std::floor(std::log10(st)));
    // The tolerance is relative to the step: a float step is not exact.
    for (int k = 0; k < 9; ++k, --q) {
      const double scaled = st / std::pow(10.0, q);
      if (std::fabs(scaled - std::nearbyint(scaled)) < 1e-3 * scaled) break;
    }
  }
  const int decimals = std::max(0, -q);
  double v = value;
  char buf[64];
  if (!std::isfinite(v)) {
    std::snprintf(buf, sizeof buf, "%g", v);
    return v < 0 ? buf : " " + std::string(buf);
  }
  if (std::fabs(v) < 0.5 * std::pow(10.0, q)) v = 0.0;   // no "-0"
  const double mag = std::fabs(v);
  if (v == 0.0 && decimals > 9) {
    std::snprintf(buf, sizeof buf, "0");
  } else if (decimals <= 9 && mag < 1e15) {
    // A step of tens or more: the float scale's noise below it goes too.
    if (q > 0) v = std::nearbyint(v / std::pow(10.0, q)) * std::pow(10.0, q);
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  } else {
    const int mantissa = std::clamp(static_cast<int>(std::floor(std::log10(mag))) - q, 0, 16);
    std::snprintf(buf, sizeof buf, "%.*e", mantissa, v);
  }
  const std::string t = buf;
  return v < 0 ? t : " " + t;
}

std::string ScaleEndText(double value, const Scale& s, const std::string& shortText) {
  if (!s.niceAxis || !(s.lines >= 1) || !std::isfinite(value)) return shortText;
  const double step = static_cast<double>(s.scr) / s.lines;
  if (!(step > 0) || !std::isfinite(step)) return shortText;
  char* end = nullptr;
  const double read = std::strtod(shortText.c_str(), &end);
  if (end != shortText.c_str() && std::isfinite(read) && std::fabs(read - value) <= 0.25 * step) return shortText;
  return AxisLabelText(value, step / 10);
}

}  // namespace plotcore
