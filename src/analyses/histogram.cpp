#include "analyses/histogram.h"

#include <algorithm>
#include <cmath>

const char* HistogramStatusText(HistogramStatus s) {
  switch (s) {
    case HistogramStatus::Ok: return "";
    case HistogramStatus::NoCases: return "No case of the span lies in the range to be counted.";
    case HistogramStatus::BadSpan: return "The span lies outside the data.";
  }
  return "";
}

HistogramStatus CountHistogram(std::span<const float> data, const HistogramInput& in, HistogramCounts* out) {
  *out = HistogramCounts{};
  const int32_t first = std::min(in.first, in.last), last = std::max(in.first, in.last);
  if (first < 0 || static_cast<size_t>(last) >= data.size() || in.maxBins < 1) return HistogramStatus::BadSpan;
  int32_t count = last - first + 1;
  // In double: the difference of two floats far apart overflows a float.
  double span = static_cast<double>(in.ma) - in.mi;
  if (in.rangeMode) {
    count = 0;
    for (int32_t k = first; k <= last; ++k) {
      const float x = data[static_cast<size_t>(k)];
      if (in.lo <= x && x <= in.hi) ++count;
    }
    span = static_cast<double>(in.hi) - in.lo;
  }
  if (count < 1) return HistogramStatus::NoCases;
  const bool flat = !(span > 0.0);
  const int nb = flat ? 1 : std::min(count, in.maxBins);
  out->bins.assign(static_cast<size_t>(in.maxBins), 0);
  int32_t counted = 0;
  for (int32_t k = first; k <= last; ++k) {
    const float x = data[static_cast<size_t>(k)];
    if (!(in.lo <= x && x <= in.hi)) continue;
    int64_t b = 1;
    if (!flat) {
      const double d = static_cast<double>(x) - in.mi;
      const double t = d * nb / span;
      // Values far outside the span fall in no bin.
      if (!(t > -2.0 && t < in.maxBins + 1.0)) continue;
      b = d == span ? nb : static_cast<int64_t>(std::trunc(t)) + 1;
    }
    if (b < 1 || b > in.maxBins) continue;
    ++out->bins[static_cast<size_t>(b - 1)];
    ++counted;
  }
  if (counted == 0) return HistogramStatus::NoCases;
  out->nb = nb;
  out->count = count;
  out->span = span;
  out->fullest = *std::max_element(out->bins.begin(), out->bins.end());
  out->kFloat = static_cast<int16_t>(int64_t{out->fullest} * 100 / count);
  return HistogramStatus::Ok;
}

int BigHistogramBins(double typed, bool isNumber) {
  if (!isNumber || !std::isfinite(typed)) return kMinBigBins;
  return static_cast<int>(std::clamp(std::trunc(typed), double{kMinBigBins}, double{kMaxBigBins}));
}

bool BinsForWidth(float span, double width, int* bins) {
  if (!(width > 0.0) || !std::isfinite(width)) return false;
  *bins = static_cast<int>(std::clamp(std::trunc(span / width), double{kMinBigBins}, double{kMaxBigBins}));
  return true;
}

BigChart LayOutBigChart(const HistogramCounts& h, double mean, float mi) {
  BigChart c;
  const int bins = std::clamp(h.nb, 1, std::max(1, static_cast<int>(h.bins.size())));
  c.bins = bins;
  c.edges.resize(static_cast<size_t>(bins) + 1);
  for (int b = 0; b <= bins; ++b) c.edges[static_cast<size_t>(b)] = 91 + b * 500 / bins;
  c.heights.assign(static_cast<size_t>(bins), 0);
  const double yScale = h.fullest > 0 ? 270.0 / h.fullest : 0.0;
  for (int b = 0; b < bins; ++b) {
    const int32_t n = static_cast<size_t>(b) < h.bins.size() ? h.bins[static_cast<size_t>(b)] : 0;
    const int ht = std::max(1, static_cast<int>(yScale * n));
    if (n > 0) c.heights[static_cast<size_t>(b)] = ht;
    c.area += ht * 500.0 / bins;
  }
  const double rel = h.span > 0.0f ? (mean - mi) / h.span : 0.5;
  c.meanX = static_cast<int>(std::trunc(91 + 500.0 * std::clamp(rel, -1.0, 2.0)));
  return c;
}

double BigBinWidth(const HistogramCounts& h) { return h.nb > 0 ? static_cast<double>(h.span) / h.nb : 0.0; }

int SmallBarHeight(int32_t count, int32_t fullest, int full) {
  if (count <= 0 || fullest <= 0) return 0;
  return std::max(1, static_cast<int>(static_cast<double>(full) / fullest * count));
}

std::vector<CurvePoint> NormalCurvePoints(int meanX, double span, double area, float sd) {
  std::vector<CurvePoint> pts;
  if (!(sd > 0.0f) || !std::isfinite(sd)) return pts;
  const double s = sd;
  const double c = 1.0 / (s * 2.506628);
  const float step = static_cast<float>(span / 500.0);
  auto density = [&](int x) {
    const float z = static_cast<float>(x - meanX) * step;
    return c * std::exp(-static_cast<double>(z) * z / (2.0 * s * s));
  };
  double sum = 0.0;
  for (int x = 90; x <= 590; ++x) sum += density(x);
  if (!(sum > 0.0)) return pts;
  const double scale = area / sum;
  for (int x = 90; x <= 590; ++x) {
    const double y = std::trunc(277.0 - density(x) * scale);
    if (y > 4.0 && y < 275.0) pts.push_back({x, static_cast<int>(y)});
  }
  return pts;
}
