#include "plot/timeaxis.h"

#include <gtest/gtest.h>

#include <vector>

using namespace plotcore;

namespace {

TimeAxisInput Paged(const char* start, double interval, int32_t n, int16_t width, int16_t segment = 1) {
  TimeAxisInput in;
  in.startSeconds = StartSecondsOf(start);
  in.interval = interval;
  in.nCases = n;
  in.screenWidth = width;
  in.segment = segment;
  in.axisY = 387;
  return in;
}

std::vector<int> Xs(const TimeAxis& a) {
  std::vector<int> xs;
  for (const auto& m : a.marks) xs.push_back(m.x);
  return xs;
}

TEST(TimeAxis, StartSeconds) {
  EXPECT_EQ(StartSecondsOf("23:50:00"), 85'800);
  EXPECT_EQ(StartSecondsOf(" 7: 5: 9"), 7 * 3600 + 5 * 60 + 9);
  EXPECT_EQ(StartSecondsOf("00:00:00"), 0);
  EXPECT_EQ(StartSecondsOf("xx:00:00"), 0);
  EXPECT_EQ(StartSecondsOf(""), 0);
}

TEST(TimeAxis, HourMarkBeforeMidnight) {
  const TimeAxis a = ComputeTimeAxis(Paged("23:50:00", 1, 100'000, 1800));
  EXPECT_EQ(a.kind, TimeAxisKind::Hours);
  ASSERT_EQ(a.marks.size(), 1u);  // the next one, 4201, is off the plot
  EXPECT_EQ(a.marks[0].x, 601);
  EXPECT_EQ(a.marks[0].number, 24);  // midnight is 24
  EXPECT_TRUE(a.marks[0].tick);
  ASSERT_EQ(a.labels.size(), 1u);
  EXPECT_EQ(a.labels[0].text, "hr 24");
  EXPECT_EQ(a.labels[0].x, 581);
  EXPECT_EQ(a.labels[0].baselineY, 387 + 15);
  EXPECT_EQ(a.gridBottom, 387 - 7);
  EXPECT_EQ(a.eraseTop, 387);
  EXPECT_EQ(a.eraseBottom, 387 + 16);
}

TEST(TimeAxis, MidnightStartHasNoMarkOnTheFirstPage) {
  EXPECT_TRUE(ComputeTimeAxis(Paged("00:00:00", 1, 100'000, 1800)).marks.empty());
  // The second page starts at 00:30:00 and marks 01:00 at x 1801: still none.
  EXPECT_TRUE(ComputeTimeAxis(Paged("00:00:00", 1, 100'000, 1800, 2)).marks.empty());
  // At 2 s per case page 2 starts exactly on 01:00; its mark is the next
  // hour, at x 1801.
  EXPECT_TRUE(ComputeTimeAxis(Paged("00:00:00", 2, 100'000, 1800, 2)).marks.empty());
  const TimeAxis a = ComputeTimeAxis(Paged("00:10:00", 2, 100'000, 1800, 2));
  ASSERT_EQ(a.marks.size(), 1u);  // page 2 covers 1:10..2:10
  EXPECT_EQ(a.marks[0].x, 1501);
  EXPECT_EQ(a.marks[0].number, 2);
}

TEST(TimeAxis, DaysOfACompressedFiveDayFile) {
  TimeAxisInput in = Paged("12:00:00", 60, 7200, 1200);
  in.compressed = true;
  const TimeAxis a = ComputeTimeAxis(in);
  EXPECT_EQ(a.kind, TimeAxisKind::DaysCompressed);
  EXPECT_DOUBLE_EQ(a.pixelsPerUnit, 240);
  EXPECT_EQ(Xs(a), (std::vector<int>{121, 361, 601, 841, 1081}));
  ASSERT_EQ(a.labels.size(), 5u);
  EXPECT_EQ(a.labels[0].text, "day 1");
  EXPECT_EQ(a.labels[0].x, 101);
  EXPECT_EQ(a.labels[1].text, "2");
  EXPECT_EQ(a.labels[1].x, 362);
  EXPECT_EQ(a.gridBottom, 387 - 3);
}

TEST(TimeAxis, ThreeDaysExactlyIsStillHours) {
  TimeAxisInput in = Paged("00:00:00", 1, 259'200, 1800);
  in.compressed = true;
  TimeAxis a = ComputeTimeAxis(in);
  EXPECT_EQ(a.kind, TimeAxisKind::Hours);
  EXPECT_DOUBLE_EQ(a.pixelsPerUnit, 25);
  EXPECT_EQ(a.marks.size(), 71u);  // the last midnight falls at x 1801
  // Marks 25 px apart: a label needs more than 25, so every other one.
  EXPECT_EQ(a.labels.size(), 36u);
  in.nCases = 259'201;
  a = ComputeTimeAxis(in);
  EXPECT_EQ(a.kind, TimeAxisKind::DaysCompressed);
  EXPECT_EQ(a.marks.size(), 3u);
}

TEST(TimeAxis, FirstLabelIsHeldInsideThePlot) {
  TimeAxisInput in = Paged("23:59:50", 1, 100'000, 1800);
  in.gridLines = true;
  const TimeAxis a = ComputeTimeAxis(in);
  ASSERT_EQ(a.marks.size(), 1u);
  EXPECT_EQ(a.marks[0].x, 11);
  EXPECT_TRUE(a.marks[0].grid);  // grid and tick stay at the mark
  EXPECT_TRUE(a.marks[0].tick);
  ASSERT_EQ(a.labels.size(), 1u);
  EXPECT_EQ(a.labels[0].x, 2);
  // A mark at x 1 gets no tick.
  const TimeAxis b = ComputeTimeAxis(Paged("23:59:59", 1, 100'000, 1800));
  ASSERT_FALSE(b.marks.empty());
  EXPECT_EQ(b.marks[0].x, 2);
  EXPECT_FALSE(b.marks[0].tick);
}

TEST(TimeAxis, LabelsAndGridSwitches) {
  TimeAxisInput in = Paged("12:00:00", 60, 7200, 1200);
  in.compressed = true;
  in.labels = false;
  in.gridLines = true;
  TimeAxis a = ComputeTimeAxis(in);
  EXPECT_TRUE(a.labels.empty());
  EXPECT_EQ(a.marks.size(), 5u);
  EXPECT_TRUE(a.marks[0].grid);
  // Days closer than 10 px lose their grid under TimeGridLimit 1.
  in.nCases = 7200 * 30;  // 150 days in 1200 px: 8 px a day
  a = ComputeTimeAxis(in);
  ASSERT_FALSE(a.marks.empty());
  EXPECT_FALSE(a.marks[0].grid);
  in.timeGridLimit = 0;
  EXPECT_TRUE(ComputeTimeAxis(in).marks[0].grid);
}

TEST(TimeAxis, LongIntervalsEndWithoutMarks) {
  // More than a day per case on a paged view, more than an hour per case
  // on an hour axis, and no interval at all.
  TimeAxis a = ComputeTimeAxis(Paged("00:00:00", 100'000, 5000, 1800));
  EXPECT_EQ(a.kind, TimeAxisKind::DaysPaged);
  EXPECT_TRUE(a.marks.empty());
  a = ComputeTimeAxis(Paged("10:00:00", 5000, 40, 50));
  EXPECT_EQ(a.kind, TimeAxisKind::Hours);
  EXPECT_TRUE(a.marks.empty());
  TimeAxisInput in = Paged("00:00:00", 90'000, 7'000'000, 1800);
  in.compressed = true;
  EXPECT_TRUE(ComputeTimeAxis(in).marks.empty());
  EXPECT_EQ(ComputeTimeAxis(Paged("00:00:00", 0, 5000, 1800)).kind, TimeAxisKind::None);
  EXPECT_EQ(ComputeTimeAxis(Paged("00:00:00", -1, 5000, 1800)).kind, TimeAxisKind::None);
  // Many years in one width: units under 2 px are left out.
  in = Paged("00:00:00", 60, 7'000'000, 1800);
  in.compressed = true;
  EXPECT_TRUE(ComputeTimeAxis(in).marks.empty());
}

TEST(TimeAxis, PagedDaysStopPastTheRecording) {
  // 200 s per case, 1800 px: 432 px a day; 3000 cases = 6.9 days (Dd 6).
  TimeAxis a = ComputeTimeAxis(Paged("00:00:00", 200, 3000, 1800, 1));
  EXPECT_EQ(a.kind, TimeAxisKind::DaysPaged);
  EXPECT_EQ(Xs(a), (std::vector<int>{433, 865, 1297, 1729}));
  a = ComputeTimeAxis(Paged("00:00:00", 200, 3000, 1800, 2));
  ASSERT_EQ(a.marks.size(), 3u);  // days 5, 6 and the first past the end, 7
  EXPECT_EQ(a.marks[0].x, 361);
  EXPECT_EQ(a.marks[0].number, 5);
  EXPECT_EQ(a.marks.back().number, 7);
  EXPECT_EQ(a.labels[0].text, "day 5");
}

TEST(TimeAxis, ZoomedViewIsTimedByItsSpan) {
  // 1 s per case; zoom on 3000..6600 (00:50 to 01:50) into 1800 px.
  TimeAxisInput in = Paged("00:00:00", 1, 100'000, 1800);
  in.zoomed = true;
  in.zoomLeft = 3000;
  in.zoomRight = 6600;
  const TimeAxis a = ComputeTimeAxis(in);
  EXPECT_EQ(a.kind, TimeAxisKind::Hours);
  EXPECT_DOUBLE_EQ(a.pixelsPerUnit, 1800);
  ASSERT_EQ(a.marks.size(), 1u);
  EXPECT_EQ(a.marks[0].x, 301);  // 01:00 is 600 s = 300 px after 00:50
  EXPECT_EQ(a.marks[0].number, 1);
  // A stale zoom pair beyond the file is held inside it.
  in.zoomLeft = 50'000'000;
  in.zoomRight = 60'000'000;
  const TimeAxis b = ComputeTimeAxis(in);
  EXPECT_EQ(b.kind, TimeAxisKind::Hours);
}

}  // namespace
