#include "plot/databar_text.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace plotcore;

namespace {

TEST(DataBarText, ElapsedUnitsChangeJustAboveEachLimit) {
  EXPECT_EQ(ElapsedText(60.0f), " 60.000 sec") << "exactly a minute still reads as seconds";
  EXPECT_EQ(ElapsedText(61.0f), " 1.017 min");
  EXPECT_EQ(ElapsedText(3599.0f), " 59.983 min");
  EXPECT_EQ(ElapsedText(3600.0f), " 60.000 min") << "exactly an hour still reads as minutes";
  EXPECT_EQ(ElapsedText(3601.0f), " 1.000 h");
  EXPECT_EQ(ElapsedText(7200.0f), " 2.000 h");
  EXPECT_EQ(ElapsedText(172800.0f), " 48.000 h") << "two days exactly still in hours";
  EXPECT_EQ(ElapsedText(259200.0f), " 3.000 d");
  EXPECT_EQ(ElapsedText(0.0f), " 0 sec");
  EXPECT_EQ(ElapsedText(0.25f), " 0.25 sec");
}

TEST(DataBarText, CaseFieldCountsFromOne) {
  EXPECT_EQ(DataBarCaseText(0.0f, 0), " # 0;   0 sec");
  EXPECT_EQ(DataBarCaseText(61.0f, 60), " # 60;   1.017 min");
  // Seven million cases: the number is written whole, not in exponent form.
  EXPECT_EQ(DataBarCaseText(0.0f, 6'999'999), " # 6999999;   0 sec");
}

TEST(DataBarText, ClockPadsMinutesAndSeconds) {
  // 13:05:07 from a start of 13:05 and case 7 at one second.
  EXPECT_EQ(DataBarClockText(785.0f, 7, 1.0f), " 13:05:07");
  EXPECT_EQ(DataBarClockText(600.0f, 0, 1.0f), " 10:00:00");
  EXPECT_EQ(DataBarClockText(600.0f, 59, 1.0f), " 10:00:59");
  EXPECT_EQ(DataBarClockText(0.0f, 0, 1.0f), " 0:00:00");
}

TEST(DataBarText, ClockWrapsPastMidnight) {
  // 23:50 plus 20 minutes.
  EXPECT_EQ(DataBarClockText(1430.0f, 1200, 1.0f), " 0:10:00");
  // Many days later: seven million cases at 10 s, taken in double.
  const double minutes = 600.0 + 6'999'999.0 * 10.0 / 60.0;
  const double ofDay = minutes - 1440.0 * static_cast<int64_t>(minutes / 1440.0);
  const int64_t secs = static_cast<int64_t>(ofDay * 60.0 + 1e-3);
  char want[32];
  std::snprintf(want, sizeof want, " %lld:%02lld:%02lld", static_cast<long long>(secs / 3600),
                static_cast<long long>(secs / 60 % 60), static_cast<long long>(secs % 60));
  EXPECT_EQ(DataBarClockText(600.0f, 6'999'999, 10.0f), want);
}

TEST(DataBarText, ValueAndAllValuesTexts) {
  EXPECT_EQ(DataBarValueText(20.95f), "value  20.950");
  EXPECT_EQ(DataBarValueText(-0.5f), "value -0.5");
  EXPECT_EQ(AllValuesText(3, 1.5f), " ch 3:  1.500");
  EXPECT_EQ(AllValuesText(12, -250.0f), " ch 12: -250.00");
}

TEST(DataBarText, AllValuesSkipActiveChannelAndKeepIdsConsecutive) {
  uint16_t set3[34] = {};
  set3[1] = set3[2] = set3[4] = 1;
  const auto fields = AllValuesLayout(set3, 4, 2, kAllValuesLeft, kAllValuesTop);
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0], (AllValuesField{201, 1, {223, 38, 323, 50}})) << "standard placement: below the label line";
  EXPECT_EQ(fields[1], (AllValuesField{202, 4, {223, 50, 323, 62}}));
  // Flags of channels beyond the file's count are not read.
  set3[5] = 1;
  EXPECT_EQ(AllValuesLayout(set3, 4, 2, 223, 7).size(), 2u);
  EXPECT_TRUE(AllValuesLayout(set3, 0, 0, 223, 7).empty());
}

TEST(DataBarText, MousePlacementFrameAndOrigin) {
  EXPECT_TRUE(PlacementInside({1, 20}, 800, 400));
  EXPECT_FALSE(PlacementInside({0, 20}, 800, 400));
  EXPECT_FALSE(PlacementInside({100, 19}, 800, 400));
  EXPECT_TRUE(PlacementInside({800, 384}, 800, 400));
  EXPECT_FALSE(PlacementInside({801, 100}, 800, 400));
  EXPECT_FALSE(PlacementInside({100, 385}, 800, 400));
  EXPECT_EQ(PlacementFrame({300, 100}, 3), (plat::Rect{244, 92, 357, 116}));
  EXPECT_EQ(PlacementOrigin({300, 100}), (plat::Point{244, 80}));
  // A press high in the plot would lay the first field over the label line.
  EXPECT_EQ(PlacementOrigin({300, 20}), (plat::Point{244, kAllValuesTop}));
}

TEST(DataBarText, PointerCaseOnlyInsideThePlotAndHeldToTheFile) {
  ViewState v;
  v.nCases = 5000;
  v.screenWidth = 1000;
  v.compressed = true;
  EXPECT_EQ(PointerCase(v, {500, 100}, 400), 2500);
  EXPECT_EQ(PointerCase(v, {0, 18}, 400), 0);
  EXPECT_FALSE(PointerCase(v, {-1, 100}, 400));
  EXPECT_FALSE(PointerCase(v, {1000, 100}, 400));
  EXPECT_FALSE(PointerCase(v, {500, 17}, 400));
  EXPECT_FALSE(PointerCase(v, {500, 399}, 400));
  // Paged, last segment: columns past the data's end read the last case.
  ViewState p;
  p.nCases = 1500;
  p.screenWidth = 1000;
  p.segment = 2;
  EXPECT_EQ(PointerCase(p, {900, 100}, 400), 1500);
  ViewState empty;
  empty.screenWidth = 1000;
  EXPECT_FALSE(PointerCase(empty, {10, 100}, 400));
}

}  // namespace
