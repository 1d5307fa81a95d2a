// The Y scale of a plot: extremes of the shown cases, 5 % margins, the
// Include Zero widening and the search for a tidy axis (round limits and a
// round number of grid intervals). Always ends with a finite scale of
// non-zero height, whatever the data (constant, all zero, no valid sample,
// huge or tiny ranges).
#pragma once
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace plotcore {

// ScaleMode values.
inline constexpr uint16_t kScaleHighRes = 0;
inline constexpr uint16_t kScaleIncludeZero = 1;
inline constexpr uint16_t kScaleNormal = 2;
inline constexpr uint16_t kScaleManual = 65535;
// ScaleMode from scalefact element 4 (-1 or any negative -> Manual; values
// other than 0, 1, 2 read as Normal).
uint16_t ScaleModeFromFactor(float element4);

// Extremes of finite samples; NaN and infinities are skipped.
struct Extremes {
  float lo = std::numeric_limits<float>::infinity();   // nothing seen yet
  float hi = -std::numeric_limits<float>::infinity();
  bool any() const { return lo <= hi; }
  void add(float v) {
    if (!(std::fabs(v) <= std::numeric_limits<float>::max())) return;  // NaN, infinities
    lo = v < lo ? v : lo;
    hi = v > hi ? v : hi;
  }
  void merge(const Extremes& o) {
    lo = o.lo < lo ? o.lo : lo;
    hi = o.hi > hi ? o.hi : hi;
  }
};
// Extremes of data[first..last] (inclusive), clamped to the array.
Extremes ScanExtremes(const float* data, size_t count, int64_t first, int64_t last);

struct Scale {
  float minimumValue = 0;  // bottom of the Y scale
  float maximumValue = 0;  // top
  float range = 0;         // maximumValue - minimumValue, always > 0
  // The tidy axis (valid when niceAxis): sc the power of ten, scr the axis
  // span, lines the grid intervals, spn the span in units of sc/10, span the
  // search mantissa.
  bool niceAxis = false;
  float sc = 0, scr = 0, lines = 0, spn = 0, span = 0;
  bool widened = false;    // no range in the data: widened around the value
};

// FindMinMax from the extremes of the shown cases for ScaleMode 0, 1 or 2
// (Manual: use ManualScale). No valid sample scales as a constant 0; a
// constant value v is widened to v +/- max(1, 5 % |v|) before the margins.
Scale ScaleFromExtremes(Extremes e, uint16_t scaleMode);
// Extremes of data[first..last] then ScaleFromExtremes.
Scale FindMinMax(const float* data, size_t count, int64_t first, int64_t last, uint16_t scaleMode);
// Manual limits (scalefact 5, 6): swapped when reversed, widened when equal
// or not finite; no tidy axis.
Scale ManualScale(float lo, float hi);

// The tidy-axis search alone on margined limits; false (and nothing
// changed) when it finds no axis within its iteration cap.
bool NiceAxisSearch(float rawRange, Scale& s);

// yScale = PlotHeight / range (0 for a plot without height).
float YScaleOf(int16_t plotHeight, const Scale& s);

// Y labels of a tidy axis: for i = 1..lines at y = trunc(i PlotHeight / lines
// + 21), the last one at B - 4; value maximum - i range / lines in double,
// so that a tiny span far from zero keeps its steps; a value within a
// thousandth of a step of 0 is 0 and printed as " 0" two pixels higher.
struct YLabel {
  int y = 0;          // baseline
  double value = 0;   // kFloat
  bool zero = false;  // printed " 0" at y (already moved up 2)
};
std::vector<YLabel> YAxisLabels(const Scale& s, int16_t plotHeight, int16_t bottomOfPlotArea);
// Rows of the grid lines (i = 1..lines-1), drawn from x 10 to ScreenWidth.
std::vector<int> GridRows(const Scale& s, int16_t plotHeight);
// Row of the zero line, trunc(max PlotHeight / range + 22), when min < 0 < max.
bool ZeroLineRow(const Scale& s, int16_t plotHeight, int* row);

// Axis label text: the standard leading blank (a minus sign instead), and
// digits down to the last one the grid step needs (0.25 needs hundredths),
// so that labels a step apart never print alike and each reads within half
// a step of its value. Fixed notation down to 9 decimals and below 1e15,
// else an exponent with as many mantissa digits. A value below half the
// step's last digit prints as 0 in the step's decimals (no "-0").
std::string AxisLabelText(double value, double step);

// The scale's top or bottom label: `shortText` (the value with the results'
// significant figures) where it reads within a quarter of a grid step, else
// the value with one digit past the grid step's, so that the end label never
// reads as the grid label next to it.
std::string ScaleEndText(double value, const Scale& s, const std::string& shortText);

}  // namespace plotcore
