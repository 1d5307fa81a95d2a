#include "plot/autoscale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace plotcore;

namespace {

Scale Of(float lo, float hi, uint16_t mode) {
  Extremes e;
  e.add(lo);
  e.add(hi);
  return ScaleFromExtremes(e, mode);
}

void ExpectSane(const Scale& s) {
  EXPECT_TRUE(std::isfinite(s.minimumValue));
  EXPECT_TRUE(std::isfinite(s.maximumValue));
  EXPECT_TRUE(std::isfinite(s.range));
  EXPECT_GT(s.range, 0.0f);
  EXPECT_LT(s.minimumValue, s.maximumValue);
  EXPECT_TRUE(std::isfinite(YScaleOf(362, s)));
  EXPECT_GT(YScaleOf(362, s), 0.0f);
}

TEST(NiceAxis, NormalModeRoundsOutward) {
  Scale s = Of(0, 100, kScaleNormal);
  ASSERT_TRUE(s.niceAxis);
  EXPECT_FLOAT_EQ(s.minimumValue, -25);
  EXPECT_FLOAT_EQ(s.maximumValue, 125);
  EXPECT_FLOAT_EQ(s.lines, 6);
  EXPECT_FLOAT_EQ(s.scr, 150);
  EXPECT_FLOAT_EQ(s.spn, 1.5f);

  s = Of(0, 10, kScaleNormal);
  EXPECT_FLOAT_EQ(s.minimumValue, -2.5f);
  EXPECT_FLOAT_EQ(s.maximumValue, 12.5f);
  EXPECT_FLOAT_EQ(s.lines, 6);

  s = Of(1, 2, kScaleNormal);
  EXPECT_FLOAT_EQ(s.minimumValue, 0.75f);
  EXPECT_FLOAT_EQ(s.maximumValue, 2.25f);

  // Keys 60, 70 and 80 fail; 90 gives a 0..100 axis of five intervals.
  s = Of(20, 80, kScaleNormal);
  EXPECT_FLOAT_EQ(s.minimumValue, 0);
  EXPECT_FLOAT_EQ(s.maximumValue, 100);
  EXPECT_FLOAT_EQ(s.lines, 5);
  EXPECT_FLOAT_EQ(s.span, 9);

  // Range exactly 10: key 100 (12 units of 1, step 2) already holds -3.5..7.5.
  s = Of(-3, 7, kScaleNormal);
  EXPECT_FLOAT_EQ(s.minimumValue, -4);
  EXPECT_FLOAT_EQ(s.maximumValue, 8);
  EXPECT_FLOAT_EQ(s.lines, 6);
}

TEST(NiceAxis, AxisAlwaysHoldsTheMarginedData) {
  // A sweep over many magnitudes and offsets: the axis contains the data
  // with its margins, and the step is span / lines.
  for (double mag = 1e-6; mag < 1e9; mag *= 7.3) {
    for (double off : {-3.7, -1.0, 0.0, 0.4, 2.2, 50.0}) {
      const float lo = static_cast<float>(off * mag), hi = static_cast<float>(off * mag + mag);
      const Scale s = Of(lo, hi, kScaleNormal);
      ExpectSane(s);
      ASSERT_TRUE(s.niceAxis) << lo << " " << hi;
      EXPECT_LE(s.minimumValue, lo - 0.049 * mag);
      EXPECT_GE(s.maximumValue, hi + 0.049 * mag);
      EXPECT_NEAR(s.range, s.scr, 1e-4 * s.scr);
      EXPECT_LE(s.range, 3.0 * 1.1 * mag);  // tidy, not lavish
    }
  }
}

TEST(NiceAxis, IncludeZeroWidensThenRounds) {
  Scale s = Of(50, 100, kScaleIncludeZero);
  EXPECT_FLOAT_EQ(s.minimumValue, -25);
  EXPECT_FLOAT_EQ(s.maximumValue, 125);
  s = Of(-100, -50, kScaleIncludeZero);
  EXPECT_FLOAT_EQ(s.minimumValue, -125);
  EXPECT_FLOAT_EQ(s.maximumValue, 25);
  // Zero already inside the margins: plain Normal result.
  s = Of(0, 100, kScaleIncludeZero);
  EXPECT_FLOAT_EQ(s.minimumValue, -25);
  EXPECT_FLOAT_EQ(s.maximumValue, 125);
}

TEST(NiceAxis, HighResolutionKeepsMargins) {
  const Scale s = Of(0, 100, kScaleHighRes);
  EXPECT_FALSE(s.niceAxis);
  EXPECT_FLOAT_EQ(s.minimumValue, -5);
  EXPECT_FLOAT_EQ(s.maximumValue, 105);
}

TEST(NiceAxis, DegenerateChannelsEndFiniteInEveryMode) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (uint16_t mode : {kScaleHighRes, kScaleIncludeZero, kScaleNormal}) {
    // constant
    Scale s = Of(7, 7, mode);
    ExpectSane(s);
    EXPECT_LT(s.minimumValue, 7);
    EXPECT_GT(s.maximumValue, 7);
    EXPECT_TRUE(s.widened);
    // all zero
    ExpectSane(Of(0, 0, mode));
    // no valid sample at all
    const std::vector<float> allNan(50, nan);
    ExpectSane(FindMinMax(allNan.data(), allNan.size(), 1, 49, mode));
    // empty range
    ExpectSane(FindMinMax(allNan.data(), allNan.size(), 30, 10, mode));
    // huge, beyond the tidy axis limits, and full float range
    ExpectSane(Of(-1e25f, 1e25f, mode));
    ExpectSane(Of(-3e38f, 3e38f, mode));
    ExpectSane(Of(3e38f, 3e38f, mode));
    // tiny ranges, where the power-of-ten search runs off the table
    ExpectSane(Of(1.0f, std::nextafter(1.0f, 2.0f), mode));
    ExpectSane(Of(1e-40f, 2e-40f, mode));
    ExpectSane(Of(1e-25f, 3e-25f, mode));
    // infinities are skipped like NaN
    const std::vector<float> mixed{0, 5, inf, nan, -inf, 15};
    s = FindMinMax(mixed.data(), mixed.size(), 1, 5, mode);
    ExpectSane(s);
    EXPECT_LT(s.maximumValue, 100);
  }
}

TEST(NiceAxis, NanSamplesAreIgnored) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> d{999, nan, 0, nan, 100, nan};
  const Scale s = FindMinMax(d.data(), d.size(), 1, 5, kScaleNormal);
  EXPECT_FLOAT_EQ(s.minimumValue, -25);  // case 0 (999) is outside the range
  EXPECT_FLOAT_EQ(s.maximumValue, 125);
}

TEST(ManualScale, OrdersAndWidens) {
  Scale s = ManualScale(100, 0);
  EXPECT_FLOAT_EQ(s.minimumValue, 0);
  EXPECT_FLOAT_EQ(s.maximumValue, 100);
  EXPECT_FALSE(s.niceAxis);
  ExpectSane(ManualScale(5, 5));
  ExpectSane(ManualScale(std::numeric_limits<float>::quiet_NaN(), 1));
  EXPECT_EQ(ScaleModeFromFactor(-1), kScaleManual);
  EXPECT_EQ(ScaleModeFromFactor(0), kScaleHighRes);
  EXPECT_EQ(ScaleModeFromFactor(1), kScaleIncludeZero);
  EXPECT_EQ(ScaleModeFromFactor(2), kScaleNormal);
  EXPECT_EQ(ScaleModeFromFactor(std::numeric_limits<float>::quiet_NaN()), kScaleNormal);
}

TEST(YAxis, LabelsGridAndZeroLine) {
  const Scale s = Of(0, 100, kScaleNormal);  // -25..125, 6 lines of 25
  const auto labels = YAxisLabels(s, 362, 390);
  ASSERT_EQ(labels.size(), 6u);
  EXPECT_EQ(labels[0].y, static_cast<int>(362.0 / 6 + 21));
  EXPECT_FLOAT_EQ(labels[0].value, 100);
  EXPECT_FLOAT_EQ(labels[3].value, 25);
  EXPECT_TRUE(labels[4].zero);  // exact 0, two pixels higher
  EXPECT_EQ(labels[4].y, static_cast<int>(5 * 362.0 / 6 + 21) - 2);
  EXPECT_EQ(labels[5].y, 390 - 4);  // the last one sits on the bottom
  EXPECT_FLOAT_EQ(labels[5].value, -25);
  EXPECT_EQ(GridRows(s, 362).size(), 5u);
  int row = 0;
  ASSERT_TRUE(ZeroLineRow(s, 362, &row));
  EXPECT_EQ(row, static_cast<int>(125.0 * 362 / 150 + 22));
  EXPECT_FALSE(ZeroLineRow(Of(20, 80, kScaleNormal), 362, &row));  // 0 is the bottom, not inside
  EXPECT_TRUE(YAxisLabels(Of(0, 100, kScaleHighRes), 362, 390).empty());
}

}  // namespace
