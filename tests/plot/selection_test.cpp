// Which cases a drag, two clicks or an automatic-block click select in each
// view, and the texts of the data bar, info line and label line.
#include <gtest/gtest.h>

#include "plot/selection.h"
#include "shell/defaults.h"

namespace {

using namespace plotcore;

ViewState paged(int32_t n, int16_t sw, int16_t segment = 1, int16_t xStep = 1) {
  ViewState v;
  v.nCases = n;
  v.screenWidth = sw;
  v.segment = segment;
  v.xStep = xStep;
  return v;
}
ViewState compressed(int32_t n, int16_t sw) {
  ViewState v = paged(n, sw);
  v.compressed = true;
  return v;
}
ViewState zoomed(int32_t n, int16_t sw, int32_t zl, int32_t zr) {
  ViewState v = paged(n, sw);
  v.zoomed = true;
  v.zoomLeft = zl;
  v.zoomRight = zr;
  return v;
}

TEST(DragBlock, PagedEitherWayRoundAndClampedToTheFile) {
  const ViewState v = paged(5000, 1000);
  const BlockPick b = DragBlock(v, 100, 200);
  EXPECT_EQ(b, (BlockPick{100, 200, 100, 200, kBlockDefined}));
  EXPECT_EQ(DragBlock(v, 200, 100), b);
  // Starting on pixel 0 of the first screen never gives case 0.
  EXPECT_EQ(DragBlock(v, 0, 50).begin, 1);
  EXPECT_EQ(DragBlock(v, -40, 50).begin, 1);
  // Third screen: cases counted from its first case; edges from it too.
  const BlockPick s3 = DragBlock(paged(5000, 1000, 3), 10, 20);
  EXPECT_EQ(s3.begin, 2010);
  EXPECT_EQ(s3.end, 2020);
  EXPECT_EQ(s3.leftPx, 10);
  EXPECT_EQ(s3.rightPx, 20);
  // Last, partly filled screen: the end stops at the last case; a drag wholly
  // past the data selects no usable block.
  const ViewState last = paged(4500, 1000, 5);
  EXPECT_EQ(DragBlock(last, 400, 900).end, 4500);
  const BlockPick past = DragBlock(last, 600, 900);
  EXPECT_EQ(past.begin, 4500);
  EXPECT_EQ(past.end, 4500);
  EXPECT_EQ(past.state, kBlockOneCase);
}

TEST(DragBlock, ExpandedShortFileKeepsThePointerColumns) {
  // 100 cases on 1000 pixels: 10 pixels per case.
  const ViewState v = paged(100, 1000, 1, 10);
  const BlockPick b = DragBlock(v, 205, 517);
  EXPECT_EQ(b.begin, 20);
  EXPECT_EQ(b.end, 51);
  EXPECT_EQ(b.leftPx, 205);
  EXPECT_EQ(b.rightPx, 517);
  // Both ends within one case: no usable block.
  EXPECT_EQ(DragBlock(v, 201, 208).state, kBlockOneCase);
}

TEST(DragBlock, CompressedUsesCasesPerPixelAndShadingEdges) {
  const ViewState v = compressed(7'000'000, 1800);
  const BlockPick b = DragBlock(v, 900, 1799);
  EXPECT_EQ(b.begin, 3'500'000);
  EXPECT_EQ(b.end, static_cast<int32_t>(1799.0 * 7'000'000 / 1800));
  EXPECT_EQ(b.leftPx, BlockEdgePixel(v, b.begin));
  EXPECT_EQ(b.rightPx, BlockEdgePixel(v, b.end));
  // Past the right edge of the plot: the end stops at the last case.
  EXPECT_EQ(DragBlock(v, 10, 2500).end, 7'000'000);
  EXPECT_EQ(DragBlock(v, 10, 2500).state, kBlockDefined);
}

TEST(DragBlock, ZoomedMapsInSixtyFourBitsAndStaysInsideTheFile) {
  // 1800 x 7e6 overflows 32 bits.
  const ViewState v = zoomed(7'000'000, 1800, 0, 7'000'000);
  const BlockPick b = DragBlock(v, 1000, 1700);
  EXPECT_EQ(b.begin, static_cast<int32_t>(1000.0 * 7'000'000 / 1800));
  EXPECT_EQ(b.end, static_cast<int32_t>(7'000'000.0 / 1800 * 1700));
  EXPECT_EQ(b.leftPx, 1000);
  EXPECT_EQ(b.rightPx, 1700);
  const ViewState z = zoomed(5000, 1000, 1000, 1400);
  EXPECT_EQ(DragBlock(z, 100, 300).begin, 1040);
  EXPECT_EQ(DragBlock(z, 100, 300).end, 1120);
  // A zoom span left by a longer file is held to this one.
  const ViewState stale = zoomed(5000, 1000, 4000, 90'000);
  const BlockPick s = DragBlock(stale, 500, 1200);
  EXPECT_LE(s.end, 5000);
  EXPECT_GE(s.begin, 1);
}

TEST(TwoClicks, FirstEdgeThenSecondInEitherOrder) {
  const ViewState v = paged(5000, 1000, 2);
  const BlockPick first = FirstEdge(v, 300);
  EXPECT_EQ(first.begin, 1300);
  EXPECT_EQ(first.end, 0);
  EXPECT_EQ(first.leftPx, 300);
  EXPECT_EQ(first.state, kBlockFirstEdge);
  const BlockPick right = SecondEdge(v, first, 450);
  EXPECT_EQ(right, (BlockPick{1300, 1450, 300, 450, kBlockDefined}));
  const BlockPick left = SecondEdge(v, first, 120);
  EXPECT_EQ(left, (BlockPick{1120, 1300, 120, 300, kBlockDefined}));
  EXPECT_EQ(SecondEdge(v, first, 300).state, kBlockOneCase);
}

TEST(TwoClicks, ClicksBeyondTheDataAreHeldToTheLastCase) {
  const ViewState v = paged(4500, 1000, 5);
  const BlockPick first = FirstEdge(v, 900);
  EXPECT_EQ(first.begin, 4500);
  const BlockPick b = SecondEdge(v, first, 100);
  EXPECT_EQ(b.begin, 4100);
  EXPECT_EQ(b.end, 4500);
  // Zoomed: the edges are the clicked columns.
  const ViewState z = zoomed(5000, 1000, 1000, 1400);
  const BlockPick zb = SecondEdge(z, FirstEdge(z, 600), 200);
  EXPECT_EQ(zb.begin, 1080);
  EXPECT_EQ(zb.end, 1240);
  EXPECT_EQ(zb.leftPx, 200);
  EXPECT_EQ(zb.rightPx, 600);
}

TEST(AutoBlockClick, CentredOnTheCaseAndHeldToTheFile) {
  const ViewState v = paged(5000, 1000);
  const BlockPick b = AutoBlock(v, 500, 25, 5);
  EXPECT_EQ(b.begin, 475);
  EXPECT_EQ(b.end, 525);
  EXPECT_EQ(b.leftPx, 475);
  EXPECT_EQ(b.state, kBlockDefined);
  // At the left end it may begin at case 0; at the right end it stops.
  EXPECT_EQ(AutoBlock(v, 3, 25, 5).begin, 0);
  EXPECT_EQ(AutoBlock(paged(5000, 1000, 5), 990, 25, 5).end, 5000);
  // Half-width 0: one case, no usable block.
  EXPECT_EQ(AutoBlock(v, 500, 0, 0).state, kBlockOneCase);
  const ViewState c = compressed(100'000, 1000);
  const BlockPick cb = AutoBlock(c, 500, 1000, 10);
  EXPECT_EQ(cb.begin, 49'000);
  EXPECT_EQ(cb.end, 51'000);
  EXPECT_EQ(cb.rightPx, BlockEdgePixel(c, 51'000));
  // Zoomed edges: half-width (ABu + 1) nCases / zoomed span pixels around x.
  const ViewState z = zoomed(100'000, 1000, 0, 50'000);
  const BlockPick zb = AutoBlock(z, 400, 500, 4);
  EXPECT_EQ(zb.begin, 19'500);
  EXPECT_EQ(zb.end, 20'500);
  EXPECT_EQ(zb.leftPx, 390);
  EXPECT_EQ(zb.rightPx, 410);
}

TEST(DragReadout, ElapsedTimeUnitsAtTheirThresholds) {
  SignificantFigures = 5;
  EXPECT_EQ(DragElapsedText(30.0f), " 30 sec");
  EXPECT_EQ(DragElapsedText(60.0f), " 60 sec");
  EXPECT_EQ(DragElapsedText(61.0f).substr(0, 6), " 1.016");
  EXPECT_NE(DragElapsedText(61.0f).find(" min"), std::string::npos);
  EXPECT_EQ(DragElapsedText(3600.0f), " 60 min");
  EXPECT_EQ(DragElapsedText(172800.0f), " 48 hr");
  EXPECT_NE(DragElapsedText(172801.0f).find(" days"), std::string::npos);
  // Cut lengths: at most 7 characters before " days", 10 before " min".
  EXPECT_EQ(DragElapsedText(1.0e6f).size(), 7u + 5u);
  EXPECT_LE(DragElapsedText(3599.0f).size(), 10u + 4u);
  EXPECT_EQ(DragCaseText(99, 30.0f), " # 99;   30 sec");
}

TEST(DragReadout, ClockTimeFoldsIntoOneDay) {
  float minute = 0;
  EXPECT_EQ(DragClockText(785.116667f, 0.0f, &minute), " 13:05:07");
  EXPECT_FLOAT_EQ(minute, 785.116667f);
  EXPECT_EQ(DragClockText(0.0f, 5.0f), " 0:00:05");
  EXPECT_EQ(DragClockText(0.0f, 0.5f), " 0:00:00");
  // 23:59:00 plus two minutes is 00:01 next day.
  EXPECT_EQ(DragClockText(1439.0f, 120.0f, &minute), " 0:01:00");
  EXPECT_NEAR(minute, 1.0f, 1e-3f);
  EXPECT_EQ(DragValueText(-2.25f), "value -2.25");
  EXPECT_EQ(DragValueText(12.5f), "value  12.5");
}

TEST(DragReadout, SpanOfTheDraggedDistance) {
  EXPECT_EQ(DragSpanCases(paged(5000, 1000, 1, 4), -41), 10);
  EXPECT_EQ(DragSpanCases(compressed(10'000, 1000), 25), 250);
  EXPECT_EQ(DragSpanCases(zoomed(7'000'000, 1800, 0, 7'000'000), 1800), 7'000'000);
  EXPECT_EQ(DragSpanText(1.0f, 59), " 59 sec");
  EXPECT_EQ(DragSpanText(1.0f, 120), " 2 min");
  EXPECT_EQ(DragSpanText(1.0f, 7200), " 120 min");
  EXPECT_EQ(DragSpanText(1.0f, 7260), " 2.0166 hr");
  EXPECT_EQ(DragSpanText(60.0f, 3 * 1440), " 3 days");
}

TEST(InfoLine, FileTextsAndCounters) {
  EXPECT_EQ(InfoLineText("03-15-2024", "23:50:00", 1.0f), "03-15-24@23:50:00;  interval 1.000 sec");
  EXPECT_EQ(InfoLineText("12-01-1999", "08:00:00", 0.25f), "12-01-99@08:00:00;  interval 0.25 sec");
  EXPECT_EQ(StepCounterText(7), " step 7");
  EXPECT_EQ(TabularCounterText(12), "new file; total saved =  12");
}

TEST(LabelLine, ChannelScreenAndDestination) {
  LabelLineInput in;
  in.activeChannel = 2;
  in.nChannels = 3;
  in.label = "O2";
  EXPECT_EQ(LabelLineText(in), "Channel 2 of 3    O2 ");
  in.paged = true;
  in.segment = 4;
  in.segments = 9;
  in.resultsPort = 4;
  in.resultsFile = "run results";
  EXPECT_EQ(LabelLineText(in), "Channel 2 of 3    O2      Screen 4 of 9    Results to file  'run results");
  in.paged = false;
  in.resultsPort = 5;
  EXPECT_EQ(LabelLineText(in), "Channel 2 of 3    O2    Results to tabular file  'run results");
  in.resultsPort = 6;
  EXPECT_EQ(LabelLineText(in), "Channel 2 of 3    O2    Results to printer    ");
  in.activeChannel = 0;
  in.fftChannel = 3;
  in.resultsPort = 0;
  EXPECT_EQ(LabelLineText(in), "FFT results for channel 3:  fundamental frequencies ");
}

}  // namespace
