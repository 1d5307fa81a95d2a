// Typed and picked Y limits and the channel's scale words.
#include <gtest/gtest.h>

#include "plot/autoscale.h"
#include "plot/yscale.h"
#include "shell/worktables.h"

namespace {

TEST(ManualLimits, TypedTextsAreReadStrictly) {
  const struct {
    const char *lo, *hi;
    ManualLimitsStatus status;
    float min, max;
  } cases[] = {
      {"0", "100", ManualLimitsStatus::Ok, 0, 100},
      {" -2.5 ", "+1e3", ManualLimitsStatus::Ok, -2.5f, 1000},
      {"5", "5", ManualLimitsStatus::NotAboveMinimum, 0, 0},
      {"10", "1", ManualLimitsStatus::NotAboveMinimum, 0, 0},
      {"1", "1.00000001", ManualLimitsStatus::NotAboveMinimum, 0, 0},   // one float apart is no range
      {"abc", "100", ManualLimitsStatus::NotANumber, 0, 0},
      {"0", "12x", ManualLimitsStatus::NotANumber, 0, 0},
      {"", "100", ManualLimitsStatus::NotANumber, 0, 0},
      {"0", "1e99", ManualLimitsStatus::NotANumber, 0, 0},               // beyond a float
      {"nan", "1", ManualLimitsStatus::NotANumber, 0, 0},
      {"+-1", "1", ManualLimitsStatus::NotANumber, 0, 0},               // once read as -1
      {"++1", "2", ManualLimitsStatus::NotANumber, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.lo) + " / " + c.hi);
    float lo = -7, hi = -7;
    EXPECT_EQ(ReadManualLimits(c.lo, c.hi, &lo, &hi), c.status);
    if (c.status == ManualLimitsStatus::Ok) {
      EXPECT_EQ(lo, c.min);
      EXPECT_EQ(hi, c.max);
    } else {
      EXPECT_EQ(lo, -7.0f) << "untouched when refused";
    }
  }
}

TEST(ManualLimits, PickedLimitsExpansionAndScaleWords) {
  float lo = 0, hi = 0;
  EXPECT_TRUE(OrderPickedLimits(8, 2, &lo, &hi)) << "a lower limit above the upper swaps";
  EXPECT_EQ(lo, 2.0f);
  EXPECT_EQ(hi, 8.0f);
  EXPECT_FALSE(OrderPickedLimits(3, 3, &lo, &hi));
  EXPECT_EQ(lo, 2.0f);
  ExpandedLimits(10, 20, 0.5f, &lo, &hi);
  EXPECT_EQ(hi - lo, 20.0f);
  ExpandedLimits(10, 20, 1.0f, &lo, &hi);
  EXPECT_EQ(lo, 0.0f);
  EXPECT_EQ(hi, 30.0f);

  SetChannelManualLimits(3, -1, 4);
  EXPECT_EQ(plotcore::ScaleModeFromFactor(scalefact[3][4]), plotcore::kScaleManual);
  EXPECT_EQ(scalefact[3][5], -1.0f);
  EXPECT_EQ(scalefact[3][6], 4.0f);
  for (uint16_t m : {plotcore::kScaleHighRes, plotcore::kScaleIncludeZero, plotcore::kScaleNormal}) {
    SetChannelScaleMode(3, m);
    EXPECT_EQ(plotcore::ScaleModeFromFactor(scalefact[3][4]), m);
  }
  EXPECT_EQ(scalefact[3][6], 4.0f) << "manual limits kept for later";
  SetChannelManualLimits(33, 1, 2);  // outside the table: ignored
  SetChannelScaleMode(0, 1);
  scalefact[3][4] = scalefact[3][5] = scalefact[3][6] = 0;
}

}  // namespace
