// The distribution of a block's values: bin counts of the small (21-slot)
// and big (5 to 130 bins) histograms, the big chart's bars and mean mark,
// and the normal curve of the same mean, SD and area. Pure: the windows
// draw what these return.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

inline constexpr int kSmallHistogramBins = 21;
inline constexpr int kMinBigBins = 5, kMaxBigBins = 130, kDefaultBigBins = 40;

struct HistogramInput {
  int32_t first = 0, last = 0;   // cases, both included
  float mi = 0.0f, ma = 0.0f;    // extremes of the result: the bins run from mi
  float lo = 0.0f, hi = 0.0f;    // only lo <= x <= hi is counted
  bool rangeMode = false;        // count and span from lo..hi instead of the span
  int maxBins = kSmallHistogramBins;
};

enum class HistogramStatus : int8_t { Ok = 0, NoCases, BadSpan };
const char* HistogramStatusText(HistogramStatus s);

struct HistogramCounts {
  std::vector<int32_t> bins;     // maxBins slots; slot b - 1 holds bin b
  int nb = 0;                    // bins in use: min(count, maxBins), 1 when all values are equal
  int32_t count = 0;             // cases the percentages refer to
  double span = 0.0;
  int32_t fullest = 0;           // largest bin count
  int16_t kFloat = 0;            // trunc(fullest * 100 / count)
};
// Bin of x: trunc((x - mi) * nb / span) + 1 in double, the top of
// the span in bin nb; counted when 1 <= bin <= maxBins. A span of 0 (all
// values equal) puts every counted case into one bin; no counted case is
// refused (NoCases), never divided by.
HistogramStatus CountHistogram(std::span<const float> data, const HistogramInput& in, HistogramCounts* out);

// Typed number of bins: truncated and held to 5..130 (not a number: 5).
int BigHistogramBins(double typed, bool isNumber);
// Bins for a typed bin width: trunc(span / width) held to 5..130; false
// for a width that is not above 0.
bool BinsForWidth(float span, double width, int* bins);

// The big chart: the bins in use (h.nb: fewer than asked when there are
// fewer cases) share the 500 columns from x 91 to 591 that the axis labels
// mi and ma span, so bars, mean mark and normal curve use one scale: value
// x stands at 91 + 500 (x - mi) / span. Bar b spans edges[b - 1] ..
// edges[b] (91 + b * 500 div bins) and is max(1, trunc(270 / fullest *
// count)) high for a non-empty bin; `area` sums height * 500 / bins over all
// bins; the mean mark stands at trunc(91 + 500 * (mean - mi) / span).
struct BigChart {
  int bins = 0;
  std::vector<int> edges;        // bins + 1 columns
  std::vector<int> heights;      // per bin, 0 for an empty bin
  double area = 0.0;
  int meanX = 0;
};
BigChart LayOutBigChart(const HistogramCounts& h, double mean, float mi);
// The width of the bins in use: span / nb (the whole span for one bin).
double BigBinWidth(const HistogramCounts& h);

// Bar height in a small chart of `full` pixels: max(1, trunc(full / fullest
// * count)); 0 for an empty bin.
int SmallBarHeight(int32_t count, int32_t fullest, int full);

// The normal curve across the big chart, x 90..590: c exp(-z^2 / 2 s^2)
// with z = (x - meanX) * span / 500 (single precision), scaled so that its
// sum equals the bars' area; the points with 4 < y < 275 in order. Empty
// when the SD is not above 0.
struct CurvePoint {
  int x = 0, y = 0;
};
std::vector<CurvePoint> NormalCurvePoints(int meanX, double span, double area, float sd);
