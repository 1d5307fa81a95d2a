#include "output/scaling.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "output/results.h"
#include "shell/worktables.h"

TEST(ResultScaling, MultiplyDivideAndOffset) {
  ResultScale s = ScaleOfEntry({1.0f, 4.0f, -1.0f});
  EXPECT_EQ(ScaledValue(s, 2.5), 9.0);
  EXPECT_EQ(ScaledSpread(s, 0.5), 2.0);  // spreads take no offset
  s = ScaleOfEntry({0.0f, 4.0f, 10.0f});
  EXPECT_EQ(ScaledValue(s, 2.0), 10.5);
  EXPECT_EQ(ScaledSpread(s, 2.0), 0.5);
  // Any non-zero operation multiplies.
  EXPECT_EQ(ScaleOfEntry({-3.0f, 4.0f, 0.0f}).k, 4.0);
  // "Clear All" leaves results unchanged.
  EXPECT_EQ(ScaleOfEntry(kClearedScaling), ResultScale{});
}

TEST(ResultScaling, ZeroOrNonFiniteFactorMeansNoScaling) {
  for (float op : {0.0f, 1.0f}) {
    const ResultScale s = ScaleOfEntry({op, 0.0f, 5.0f});
    EXPECT_EQ(s.k, 1.0) << op;
    EXPECT_EQ(s.offset, 5.0) << op;
    EXPECT_TRUE(std::isfinite(ScaledValue(s, 3.0)));
  }
  EXPECT_EQ(ScaleOfEntry({0.0f, std::numeric_limits<float>::infinity(), 0.0f}).k, 1.0);
  EXPECT_EQ(ScaleOfEntry({1.0f, std::numeric_limits<float>::quiet_NaN(), 0.0f}).k, 1.0);
}

class ScalingRecords : public ::testing::Test {
 protected:
  void SetUp() override { std::copy(&scalefact[0][0], &scalefact[0][0] + 33 * 8, &saved_[0][0]); }
  void TearDown() override {
    std::copy(&saved_[0][0], &saved_[0][0] + 33 * 8, &scalefact[0][0]);
    Rscale = 0;
  }
  float saved_[33][8]{};
};

TEST_F(ScalingRecords, ChannelsReadTheirOwnRecordOnlyWhileScalingIsOn) {
  ResetAllScaling();
  scalefact[3][4] = -1.0f;  // the plot's Y-scale mode, not ours
  StoreScalingEntry(3, {0.0f, 2.0f, 10.0f});
  EXPECT_EQ(scalefact[3][4], -1.0f);
  EXPECT_EQ(ScalingEntryOf(3), (ScalingEntry{0.0f, 2.0f, 10.0f}));
  EXPECT_EQ(ResultScaleOf(3, false), ResultScale{});
  EXPECT_EQ(ResultScaleOf(3, true), (ResultScale{0.5, 10.0}));
  EXPECT_EQ(ResultScaleOf(4, true), ResultScale{});
  Rscale = 1;
  EXPECT_EQ(CurrentResultScale(3), (ResultScale{0.5, 10.0}));
  // Outside 1..32: no record is read or written.
  EXPECT_EQ(ResultScaleOf(0, true), ResultScale{});
  EXPECT_EQ(ResultScaleOf(33, true), ResultScale{});
  StoreScalingEntry(0, {0.0f, 9.0f, 9.0f});
  EXPECT_EQ(scalefact[0][2], saved_[0][2]);
}

TEST(ScalingDialog, MarksAndButtons) {
  EXPECT_EQ(ScalingMarkOf(ScalingEntry{}), ScalingMark::None);
  EXPECT_EQ(ScalingMarkOf({0.0f, 1.0f, 3.0f}), ScalingMark::None);  // factor 1: unscaled look
  EXPECT_EQ(ScalingMarkOf({0.0f, 2.0f, 0.0f}), ScalingMark::Divide);
  EXPECT_EQ(ScalingMarkOf({1.0f, 2.0f, 0.0f}), ScalingMark::Multiply);

  // Channel 32's buttons are 32 (divide) and 64 (multiply); 65 is no operation.
  EXPECT_EQ(OperationOfButton(64).channel, 32);
  EXPECT_TRUE(OperationOfButton(64).multiply);
  EXPECT_FALSE(OperationOfButton(32).multiply);
  EXPECT_EQ(OperationOfButton(65).channel, 0);
  EXPECT_EQ(ScalingWindowExtraHeight(12), 0);
  EXPECT_EQ(ScalingWindowExtraHeight(32), 440);
}

TEST(ScalingDialog, OfferedValueSurvivesTheRoundTripThroughItsField) {
  EXPECT_EQ(OfferedFactorText(0.0), "");
  const double offered = 3.14159265358979;
  const std::string text = OfferedFactorText(offered);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text[0], ' ');
  const ScalingFieldsRead r = ReadScalingFields(ScalingEntry{}, text, "0");
  EXPECT_FALSE(r.refused());
  EXPECT_EQ(r.entry.factor, static_cast<float>(offered));
  EXPECT_EQ(OfferedFactorText(-0.125), "-0.125");
}

TEST(ScalingDialog, FieldsThatAreNotNumbersKeepThePreviousValues) {
  const ScalingEntry old{0.0f, 2.0f, 10.0f};
  ScalingFieldsRead r = ReadScalingFields(old, " 2.5 ", "-3");
  EXPECT_FALSE(r.refused());
  EXPECT_EQ(r.entry, (ScalingEntry{0.0f, 2.5f, -3.0f}));

  r = ReadScalingFields(old, "abc", "");
  EXPECT_TRUE(r.factorRefused);
  EXPECT_TRUE(r.offsetRefused);
  EXPECT_EQ(r.entry, old);

  // A factor of 0 is refused whatever the operation; an offset of 0 is fine.
  r = ReadScalingFields({1.0f, 4.0f, 1.0f}, "0", "0");
  EXPECT_TRUE(r.factorRefused);
  EXPECT_FALSE(r.offsetRefused);
  EXPECT_EQ(r.entry, (ScalingEntry{1.0f, 4.0f, 0.0f}));
  // Too small for f32 rounds to 0; too large is not finite.
  EXPECT_TRUE(ReadScalingFields(old, "1e-60", "0").factorRefused);
  EXPECT_TRUE(ReadScalingFields(old, "1e60", "0").factorRefused);
}

TEST(ScalingDialog, NumberParsing) {
  double v = 0;
  EXPECT_TRUE(ParseFieldNumber("+1e3", &v));
  EXPECT_EQ(v, 1000.0);
  for (const char* bad : {"", " ", "-", "inf", "nan", "1.2.3", "3 4", "1e999", "x1"})
    EXPECT_FALSE(ParseFieldNumber(bad, &v)) << bad;
}
