#include "plot/autoscale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
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
    // Values near the float's largest keep their place on the scale.
    for (const auto& [lo, hi] : {std::pair{3.3e38f, 3.3e38f}, std::pair{3.2e38f, 3.35e38f}, std::pair{-3.35e38f, -1e38f},
                                 std::pair{1e37f, 3.3e38f}}) {
      s = Of(lo, hi, mode);
      ExpectSane(s);
      EXPECT_LE(s.minimumValue, lo) << lo << " " << hi << " mode " << mode;
      EXPECT_GE(s.maximumValue, hi) << lo << " " << hi << " mode " << mode;
    }
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

// Labels a step apart never print alike, and each reads back within half a
// step of the value its grid row stands for, at any scale and far from
// zero. The float labels stopped at nine decimals (a x 1e-7 channel read
// "0.000002064" on three rows), showed every value below 1e-7 as 0, and
// lost the steps of a small span near 1e6 in their float products; the
// scale's top label read as the grid label below it ("2.065e-6" over
// "2.06500e-06").
TEST(YAxis, LabelsAreDistinctAndTrueAtAnyScale) {
  const struct {
    double step, value;
    const char* text;
  } rows[] = {
      {1e-7, 3e-7, " 0.0000003"},     {2e-7, -4e-7, "-0.0000004"},   {5e-7, 0.0000215, " 0.0000215"},
      {1e-6, 0.000021, " 0.000021"},  {2.5e-6, 1e-5, " 0.0000100"},  {1e-5, 0.04001, " 0.04001"},
      {2e-4, 0.0404, " 0.0404"},      {2.5e-4, 0.04125, " 0.04125"}, {5e-4, 20.9505, " 20.9505"},
      {1e-3, 20.951, " 20.951"},      {0.25, 1.5, " 1.50"},          {0.2, -0.4, "-0.4"},
      {1.0, 21.0, " 21"},             {5.0, 15.0, " 15"},            {1e3, 4000.0, " 4000"},
      {1e6, 3e6, " 3000000"},         {2e-4, 1e-9, " 0.0000"},       {1e-10, 2.0643e-6, " 2.0643e-06"},
      {2.5e-12, -4.5e-11, "-4.50e-11"}, {1e-12, 1e-13, " 0"},        {1e12, 3e15, " 3.000e+15"},
      {1e-10f, 2.0643e-6f, " 2.0643e-06"},   // a float step and value
      {2.5e11, 749999988736.0, " 750000000000"},   // 1e12 - 2.5e11 in float
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(AxisLabelText(r.value, r.step), r.text);
  }

  int checked = 0;
  for (int e = -12; e <= 12; ++e) {
    for (const double mantissa : {1.0, 2.3, 4.7, 7.9}) {
      const double span = mantissa * std::pow(10.0, e);
      for (const double offset : {0.0, -0.4 * span, 3.0 * span, 1e3 * span, -1e5 * span, 1e6, -1e6, 2.064e-6, 5e11}) {
        const float lo = static_cast<float>(offset), hi = static_cast<float>(offset + span);
        // Only spans the float samples can hold, 32 steps of their last bit at least.
        if (!(hi - lo >= 32.0f * (std::nextafter(std::fabs(lo), INFINITY) - std::fabs(lo)))) continue;
        SCOPED_TRACE(testing::Message() << "span " << span << " from " << offset);
        const Scale s = Of(lo, hi, kScaleNormal);
        ASSERT_TRUE(s.niceAxis);
        const auto labels = YAxisLabels(s, 362, 390);
        ASSERT_GE(labels.size(), 4u);
        const long double rowStep = static_cast<long double>(s.range) / s.lines;
        // The top end label, with the results' five figures where they do.
        char five[32];
        std::snprintf(five, sizeof five, " %.5g", s.maximumValue);
        std::string last = ScaleEndText(s.maximumValue, s, five);
        EXPECT_LE(std::fabs(std::strtold(last.c_str(), nullptr) - s.maximumValue), 0.25L * rowStep) << last;
        for (size_t i = 0; i < labels.size(); ++i) {
          const long double truth = s.maximumValue - (i + 1) * rowStep;
          const std::string text = labels[i].zero ? " 0" : AxisLabelText(labels[i].value, s.scr / s.lines);
          EXPECT_NE(text, last) << "row " << i;
          EXPECT_LE(std::fabs(std::strtold(text.c_str(), nullptr) - truth), 0.5L * rowStep) << text;
          last = text;
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 1000);
}

}  // namespace
