// The printed file image: range, strips, range times and the time index.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/printimage.h"

namespace {

TEST(PrintImage, RangeAndStrips) {
  const struct {
    const char* name;
    bool compressed, block;
    int16_t segment;
    int32_t start, end;
  } ranges[] = {
      {"paged: the segment on screen", false, false, 3, 2001, 3000},
      {"compressed: the whole file", true, false, 3, 1, 3500},
      {"block only", false, true, 3, 40, 900},
      {"segment past the end is cut", false, false, 4, 3001, 3500},
  };
  for (const auto& r : ranges) {
    SCOPED_TRACE(r.name);
    const PrintRange got = PrintedRange(3500, 1000, r.segment, r.compressed, r.block, 900, 40);
    EXPECT_EQ(got.start, r.start);
    EXPECT_EQ(got.end, r.end);
  }
  EXPECT_EQ(PrintedRange(800, 1000, 2, false, false, 0, 0).end, 800) << "a file that fits prints whole";
  EXPECT_DOUBLE_EQ(PrintXScale({1, 1}), 832.0) << "no division by an empty span";

  const std::vector<int16_t> four{1, 2, 5, 9};
  std::vector<int> bottoms;
  for (const PrintStrip& s : PrintStrips(four, {}, false)) {
    EXPECT_EQ(s.height, 105);
    bottoms.push_back(s.bottom);
  }
  EXPECT_EQ(bottoms, (std::vector<int>{150, 255, 360, 465}));
  EXPECT_EQ(PrintStrips({1, 2, 3}, {}, false)[0].height, 140);
  // Custom heights are relative: they share the same band.
  const std::vector<PrintStrip> custom = PrintStrips({1, 2}, {100, 300}, true);
  EXPECT_EQ(custom[0].top(), 45);
  EXPECT_EQ(custom[0].bottom, 150);
  EXPECT_EQ(custom[1].bottom, 465);
  EXPECT_EQ(PrintStrips({1}, {50}, true)[0].height, 420) << "one channel: the custom heights do not apply";
  EXPECT_EQ(PrintStrips({1, 2}, {0, 5}, true)[0].height, 210) << "no usable heights: equal strips";
}

TEST(PrintImage, RangeTimes) {
  const struct { int32_t start, end; const char *ts, *te; } cases[] = {
      {1, 1200, "0.0 min", "20.0 min"},      // 20 minutes at 1 s: minutes
      {1, 300, "0.0 sec", "300.0 sec"},      // 5 minutes: seconds
      {61, 700, "1.0 min", "11.6 min"},      // 700 / 60 = 11.667, cut not rounded
  };
  for (const auto& c : cases) {
    const RangeTimes t = PrintedRangeTimes({c.start, c.end}, 1.0f);
    EXPECT_EQ(t.start, c.ts);
    EXPECT_EQ(t.end, c.te);
  }
}

TEST(PrintImage, TimeIndexScalesAndNeverCrowds) {
  // Five days at one sample a minute from 10:30: a day index numbered from the first midnight.
  const TimeIndex days = SITimeIndex(10 * 3600 + 1800, {1, 7200}, 60.0f, 900);
  ASSERT_TRUE(days.dayScale);
  ASSERT_GE(days.ticks.size(), 4u);
  EXPECT_EQ(days.ticks[0].label, "1");
  EXPECT_EQ(days.ticks[1].label, "2");
  EXPECT_EQ(days.ticks[2].label, "3");
  EXPECT_NEAR(days.ticks[0].x, 62 + 13.5 * 3600 * days.pixelsPerUnit / 86400, 1);

  // Two hours from 10:30: the first label is the hour after the start.
  const TimeIndex hours = SITimeIndex(10 * 3600 + 1800, {1, 7200}, 1.0f, 900);
  ASSERT_FALSE(hours.dayScale);
  ASSERT_FALSE(hours.ticks.empty());
  EXPECT_EQ(hours.ticks[0].label, "11");
  // Midnight reads 24, then 1.
  const TimeIndex night = SITimeIndex(22 * 3600 + 1800, {1, 3 * 3600}, 1.0f, 900);
  std::vector<std::string> labels;
  for (const IndexTick& t : night.ticks) labels.push_back(t.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"23", "24", "1"}));

  // 810 days on 832 pixels: days under 2 pixels apart are not marked at all.
  EXPECT_TRUE(SITimeIndex(0, {1, 7'000'000}, 10.0f, 900).ticks.empty());
  EXPECT_EQ(SITimeIndex(0, {1, 7'000'000}, 1.0f, 900).ticks.size(), 79u);   // the first midnight at x 62, then every 10.3 pixels to 882
  // A day shorter than one sample: no step, no endless loop.
  EXPECT_TRUE(SITimeIndex(0, {1, 100}, 100000.0f, 900).ticks.empty());
  // Labels never crowd: each more than 20 pixels right of the last.
  const TimeIndex dense = SITimeIndex(0, {1, 40 * 3600}, 1.0f, 900);
  int last = -1000;
  for (const IndexTick& t : dense.ticks)
    if (!t.label.empty()) {
      EXPECT_GT(t.x, last + 20);
      last = t.x;
    }
}

TEST(PrintImage, SamplingTexts) {
  EXPECT_STREQ(AcquisitionDeviceName(80), "DataTaker DT80");
  EXPECT_STREQ(AcquisitionDeviceName(4119), "ADAM-4119");
  EXPECT_STREQ(AcquisitionDeviceName(9), "unknown");
  EXPECT_STREQ(AcquisitionDeviceName(1e30f), "unknown");
  EXPECT_NE(RecordingLengthText(5 * 86400.0).find(" days"), std::string::npos);
  EXPECT_NE(RecordingLengthText(7201).find(" hours"), std::string::npos);
  EXPECT_NE(RecordingLengthText(7200).find(" minutes"), std::string::npos);
  EXPECT_NE(RecordingLengthText(120).find(" seconds"), std::string::npos);
  // Marker labels read as on the plot; nothing prints as a control character.
  const struct { int32_t code; const char* label; } markers[] = {
      {201, "1"}, {202, "2"}, {212, "12"}, {'A', "A"}, {200, "\xC8"}, {199, "\xC7"}, {5, "5"}, {127, "127"}};
  for (const auto& m : markers) EXPECT_EQ(PrintedMarkerLabel(m.code), m.label) << m.code;
}

}  // namespace
