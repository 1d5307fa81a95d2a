#include "analyses/histogram.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<float> ramp(int n) {
  std::vector<float> v(static_cast<size_t>(n) + 1, 0.0f);
  for (int k = 1; k <= n; ++k) v[static_cast<size_t>(k)] = static_cast<float>(k);
  return v;
}

TEST(Histogram, BinsCountsAndFullestShare) {
  const auto ten = ramp(10), hundred = ramp(100);
  const std::vector<float> flat(12, 4.0f);
  // Both ends of the float's range: their difference overflows a float.
  std::vector<float> wide(11, 0.0f);
  for (int k = 1; k <= 10; ++k) wide[static_cast<size_t>(k)] = static_cast<float>(-3.3e38 + 4.4e38 * (k - 1) / 9.0);
  const struct {
    const std::vector<float>* data;
    HistogramInput in;
    HistogramStatus status;
    int nb;
    int32_t fullest, count;
    int16_t kFloat;
  } cases[] = {
      // Fewer cases than slots: one bin each, the top value in the last bin.
      {&ten, {1, 10, 1, 10, 1, 10, false, 21}, HistogramStatus::Ok, 10, 1, 10, 10},
      {&hundred, {1, 100, 1, 100, 1, 100, false, 21}, HistogramStatus::Ok, 21, 5, 100, 5},
      // Value range 3..6: four cases counted.
      {&ten, {1, 10, 3, 6, 3, 6, true, 21}, HistogramStatus::Ok, 4, 1, 4, 25},
      // All values equal: one bar of every case, no division by zero.
      {&flat, {0, 11, 4, 4, 4, 4, false, 21}, HistogramStatus::Ok, 1, 12, 12, 100},
      {&wide, {1, 10, wide[1], wide[10], wide[1], wide[10], false, 21}, HistogramStatus::Ok, 10, 1, 10, 10},
      {&ten, {1, 10, 1, 10, 20, 30, true, 21}, HistogramStatus::NoCases, 0, 0, 0, 0},
      {&ten, {1, 11, 1, 10, 1, 10, false, 21}, HistogramStatus::BadSpan, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    HistogramCounts h;
    ASSERT_EQ(CountHistogram(*c.data, c.in, &h), c.status);
    if (c.status != HistogramStatus::Ok) continue;
    EXPECT_EQ(h.nb, c.nb);
    EXPECT_EQ(h.fullest, c.fullest);
    EXPECT_EQ(h.count, c.count);
    EXPECT_EQ(h.kFloat, c.kFloat);
    EXPECT_EQ(std::accumulate(h.bins.begin(), h.bins.end(), 0), c.in.rangeMode ? c.count : c.in.last - c.in.first + 1);
  }
  HistogramCounts h;
  ASSERT_EQ(CountHistogram(ten, {1, 10, 1, 10, 1, 10, false, 21}, &h), HistogramStatus::Ok);
  EXPECT_EQ(h.bins[9], 1) << "the largest value sits in bin 10";
}

TEST(Histogram, BigFormBinsChartAndCurve) {
  EXPECT_EQ(BigHistogramBins(200, true), 130);
  EXPECT_EQ(BigHistogramBins(2, true), 5);
  EXPECT_EQ(BigHistogramBins(0, false), 5);
  EXPECT_EQ(BigHistogramBins(40.9, true), 40);
  int bins = 0;
  ASSERT_TRUE(BinsForWidth(100.0f, 2.5, &bins));
  EXPECT_EQ(bins, 40);
  ASSERT_TRUE(BinsForWidth(100.0f, 1000.0, &bins));
  EXPECT_EQ(bins, 5) << "a width wider than the span still gives bins";
  ASSERT_TRUE(BinsForWidth(100.0f, 0.01, &bins));
  EXPECT_EQ(bins, 130) << "never more slots than there are";
  EXPECT_FALSE(BinsForWidth(100.0f, 0.0, &bins));
  EXPECT_FALSE(BinsForWidth(100.0f, -1.0, &bins));

  // Normal quantiles, mean 0 and SD 1, cut at +-3.
  std::vector<float> data(2001, 0.0f);
  for (int k = 1; k <= 2000; ++k) {
    const double p = (k - 0.5) / 2000.0;
    double lo = -6, hi = 6;
    for (int i = 0; i < 60; ++i) {
      const double mid = (lo + hi) / 2;
      (0.5 * std::erfc(-mid / std::sqrt(2.0)) < p ? lo : hi) = mid;
    }
    data[static_cast<size_t>(k)] = static_cast<float>(std::clamp(lo, -3.0, 3.0));
  }
  for (int b : {40, 130}) {
    SCOPED_TRACE(b);
    HistogramCounts h;
    ASSERT_EQ(CountHistogram(data, {1, 2000, -3, 3, -3, 3, false, b}, &h), HistogramStatus::Ok);
    const BigChart chart = LayOutBigChart(h, 0.0, -3.0f);
    EXPECT_EQ(chart.bins, b);
    EXPECT_EQ(chart.heights.size(), static_cast<size_t>(b));
    EXPECT_EQ(chart.meanX, 91 + 250) << "the mean halfway along the axis, not a bar to its left";
    const auto curve = NormalCurvePoints(chart.meanX, h.span, chart.area, 1.0f);
    ASSERT_FALSE(curve.empty());
    for (const auto& p : curve) {
      EXPECT_GT(p.y, 4);
      EXPECT_LT(p.y, 275);
    }
    // The curve's area (its height above the base, summed) meets the bars'.
    double area = 0.0;
    for (const auto& p : curve) area += 277 - p.y;
    EXPECT_NEAR(area, chart.area, chart.area * 0.05 + 501);
  }
  EXPECT_TRUE(NormalCurvePoints(300, 10.0, 1000.0, 0.0f).empty()) << "no curve for SD 0";

  // Bars, axis and mean mark share one scale whatever the bins: 10 cases
  // asked into 40 bins make 10 bins over the whole axis, and bins that do
  // not divide 500 columns still end where the axis does.
  const auto ten = ramp(10);
  for (int asked : {40, 130, 7}) {
    SCOPED_TRACE(asked);
    HistogramCounts h;
    ASSERT_EQ(CountHistogram(ten, {1, 10, 1, 10, 1, 10, false, asked}, &h), HistogramStatus::Ok);
    const BigChart chart = LayOutBigChart(h, 5.5, 1.0f);
    const int bins = std::min(asked, 10);
    EXPECT_EQ(chart.bins, bins);
    EXPECT_NEAR(BigBinWidth(h), 9.0 / bins, 1e-6);
    ASSERT_EQ(chart.edges.size(), static_cast<size_t>(bins) + 1);
    EXPECT_EQ(chart.edges.front(), 91);
    EXPECT_EQ(chart.edges.back(), 591) << "the last bar ends under the axis's right end";
    EXPECT_GT(chart.heights.back(), 0) << "the largest value sits in the last bar";
    EXPECT_EQ(chart.meanX, 341);
  }
  EXPECT_EQ(SmallBarHeight(0, 10, 58), 0);
  EXPECT_EQ(SmallBarHeight(1, 1000, 58), 1);
  EXPECT_EQ(SmallBarHeight(10, 10, 58), 58);
}

}  // namespace
