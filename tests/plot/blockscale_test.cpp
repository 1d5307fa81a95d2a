#include "plot/blockscale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "plot/geometry.h"
#include "shell/desklayout.h"
#include "support/far_values.h"

using namespace plotcore;

namespace {

// Case k holds k / 10 for k = 0..n.
std::vector<float> Ramp(int32_t n) {
  std::vector<float> d(static_cast<size_t>(n) + 1);
  for (int32_t k = 0; k <= n; ++k) d[static_cast<size_t>(k)] = static_cast<float>(k) / 10.0f;
  return d;
}

TEST(BlockScale, PublishesTheMappingOverTheBlock) {
  const auto d = Ramp(500);
  const BlockScale s = ComputeBlockScale(d.data(), 100, 200, 479, 200);
  EXPECT_EQ(s.rightLim, 479);
  EXPECT_EQ(s.upperLimit, 185);
  EXPECT_FLOAT_EQ(s.minY, 10.0f);
  EXPECT_FLOAT_EQ(s.maxY, 20.0f);
  EXPECT_FLOAT_EQ(s.yScale, 18.5f);
  EXPECT_DOUBLE_EQ(s.xScale, 4.79);
  EXPECT_EQ(s.nPoints, 101);
  // The largest value on row 2, the smallest on UpperLimit + 2.
  EXPECT_EQ(BlockRow(s, 20.0f), 2);
  EXPECT_EQ(BlockRow(s, 10.0f), 187);
  EXPECT_EQ(BlockColumn(s, 100), 0);
  EXPECT_EQ(BlockColumn(s, 200), 479);
  EXPECT_EQ(BlockColumn(s, 150), 239);
}

TEST(BlockScale, EqualValuesRaiseTheMaximumByOne) {
  std::vector<float> d(50, 7.5f);
  const BlockScale s = ComputeBlockScale(d.data(), 10, 40, 300, 100);
  EXPECT_FLOAT_EQ(s.minY, 7.5f);
  EXPECT_FLOAT_EQ(s.maxY, 8.5f);
  EXPECT_EQ(BlockRow(s, 7.5f), s.upperLimit + 2) << "the constant trace lies on the label strip's row";
}

TEST(BlockScale, OneCaseBlockHasAFiniteScale) {
  const auto d = Ramp(10);
  const BlockScale s = ComputeBlockScale(d.data(), 5, 5, 400, 150);
  EXPECT_EQ(s.nPoints, 1);
  EXPECT_TRUE(std::isfinite(s.xScale));
  EXPECT_DOUBLE_EQ(s.xScale, 400.0);
  EXPECT_EQ(BlockColumn(s, 5), 0);
  EXPECT_TRUE(BlockShowsCircles(s));
  const auto c = BlockCircleCentres(d.data(), s);
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].x, 0);
  EXPECT_TRUE(std::isfinite(s.yScale));
}

TEST(BlockScale, NonFiniteSamplesTakeNoPartInTheExtremes) {
  auto d = Ramp(20);
  d[12] = std::numeric_limits<float>::quiet_NaN();
  d[13] = std::numeric_limits<float>::infinity();
  const BlockScale s = ComputeBlockScale(d.data(), 10, 15, 300, 100);
  EXPECT_FLOAT_EQ(s.minY, 1.0f);
  EXPECT_FLOAT_EQ(s.maxY, 1.5f);
  EXPECT_EQ(BlockCircleCentres(d.data(), s).size(), 4u);
  std::vector<float> allNaN(5, std::numeric_limits<float>::quiet_NaN());
  const BlockScale n = ComputeBlockScale(allNaN.data(), 1, 4, 300, 100);
  EXPECT_TRUE(std::isfinite(n.yScale));
  EXPECT_LT(n.minY, n.maxY);
}

TEST(BlockScale, HugeValuesCloseTogetherStillGiveAFiniteScale) {
  std::vector<float> d{0.0f, 1e30f, std::nextafter(1e30f, 2e30f)};
  const BlockScale s = ComputeBlockScale(d.data(), 1, 2, 300, 100);
  EXPECT_TRUE(std::isfinite(s.yScale));
  EXPECT_GT(s.maxY, s.minY);
}

// Seen: a block near -3.2e37 scaled from -3.2e37 up to the start value -9e30.
TEST(BlockScale, BlocksWhollyBeyondAnyStartValueFindTheirOwnExtremes) {
  for (const auto& set : testsupport::FarValueSets()) {
    SCOPED_TRACE(set.name);
    std::vector<float> d{0.0f};   // case 0, outside the block
    d.insert(d.end(), set.values.begin(), set.values.end());
    d.push_back(std::numeric_limits<float>::quiet_NaN());
    const auto [lo, hi] = testsupport::FiniteMinMax(set.values);
    const BlockScale s = ComputeBlockScale(d.data(), 1, static_cast<int32_t>(d.size()) - 1, 400, 115);
    EXPECT_EQ(s.minY, lo);
    EXPECT_EQ(s.maxY, hi);
    EXPECT_EQ(BlockRow(s, hi), 2);
    EXPECT_EQ(BlockRow(s, lo), s.upperLimit + 2);
  }
}

TEST(BlockScale, CirclesOnlyForShortBlocks) {
  const auto d = Ramp(500);
  EXPECT_TRUE(BlockShowsCircles(ComputeBlockScale(d.data(), 1, 100, 501, 100)));   // 99 x 5 = 495
  EXPECT_FALSE(BlockShowsCircles(ComputeBlockScale(d.data(), 1, 101, 500, 100)));  // 100 x 5 = 500
  const BlockScale s = ComputeBlockScale(d.data(), 1, 5, 400, 115);
  const auto c = BlockCircleCentres(d.data(), s);
  ASSERT_EQ(c.size(), 5u);
  // Each circle sits on its point of the trace, within a pixel of the mapping.
  EXPECT_EQ(c.front().x, 0);
  EXPECT_NEAR(c.front().y, BlockRow(s, d[1]), 1);
  EXPECT_EQ(c.back().x, 400);
  EXPECT_NEAR(c.back().y, 2, 1);
}

TEST(BlockScale, TraceStartsAtColumnZero) {
  const auto d = Ramp(500);
  const BlockScale s = ComputeBlockScale(d.data(), 100, 110, 500, 115);
  // Nothing is drawn left of the window from the case before the block.
  const std::vector<plat::Point> seg = BlockTraceSegments(d.data(), 500, s);
  ASSERT_FALSE(seg.empty());
  for (const plat::Point& p : seg) EXPECT_GE(p.x, 0);
  EXPECT_EQ(seg.front().x, 0);
  EXPECT_NEAR(seg.front().y, 102, 1);
  EXPECT_EQ(seg.back().x, 500);
  EXPECT_NEAR(seg.back().y, 2, 1);
  // Many cases per column: the column reduction, still from x 0.
  const auto big = Ramp(100000);
  const BlockScale wide = ComputeBlockScale(big.data(), 1, 100000, 400, 115);
  const std::vector<plat::Point> cols = BlockTraceSegments(big.data(), 100000, wide);
  ASSERT_FALSE(cols.empty());
  for (const plat::Point& p : cols) {
    EXPECT_GE(p.x, 0);
    EXPECT_LE(p.x, 401);
  }
}

TEST(BlockScale, ZeroLineRowAndDashes) {
  std::vector<float> d{0.0f, -1.0f, 3.0f};
  const BlockScale s = ComputeBlockScale(d.data(), 1, 2, 100, 115);
  EXPECT_TRUE(BlockCrossesZero(s));
  EXPECT_EQ(BlockZeroRow(s), 76);   // 3 x 100 / 4 + 1
  EXPECT_FALSE(BlockCrossesZero(ComputeBlockScale(d.data(), 0, 1, 100, 115))) << "a block ending on zero";
  EXPECT_EQ(ZeroDashStarts(41), (std::vector<int>{1, 21, 41}));
  EXPECT_EQ(ZeroDashStarts(40), (std::vector<int>{1, 21}));
  EXPECT_TRUE(ZeroDashStarts(0).empty());
}

TEST(BlockScale, MarkerLabelsUpToSixtyInTheBlock) {
  EXPECT_EQ(BlockMarkerLabel(205), "5");
  EXPECT_EQ(BlockMarkerLabel(65), "A");
  EXPECT_EQ(BlockMarkerLabel(200), "\xC8");
  EXPECT_EQ(BlockMarkerLabel(299), "99");

  const auto d = Ramp(1000);
  const BlockScale s = ComputeBlockScale(d.data(), 100, 700, 600, 200);
  std::vector<MarkerRecord> m;
  m.push_back({50, 'X'});   // before the block
  for (int i = 0; i < 60; ++i) m.push_back({100 + 10 * i, 'A' + i % 26});
  m.push_back({900, 'Y'});  // after it
  auto marks = BlockMarkerMarks(m, s);
  ASSERT_EQ(marks.size(), 60u);
  EXPECT_EQ(marks[0], (BlockMarkerMark{0, "A"}));
  EXPECT_EQ(marks[1], (BlockMarkerMark{10, "B"}));
  m.push_back({700, 205});  // the 61st inside, on the last case
  marks = BlockMarkerMarks(m, s);
  ASSERT_EQ(marks.size(), 61u);
  for (const auto& k : marks) EXPECT_TRUE(k.label.empty());
  EXPECT_EQ(marks.back().x, 600);
  // Drawn in XOR, a column's markers make one line, one label.
  const BlockScale half = ComputeBlockScale(d.data(), 100, 700, 300, 200);
  marks = BlockMarkerMarks({{200, 'A'}, {200, 199}, {201, 205}, {300, 'B'}}, half);
  EXPECT_EQ(marks, (std::vector<BlockMarkerMark>{{50, "A \xC7 5"}, {100, "B"}}));
}

TEST(BlockScale, Titles) {
  const std::string label = "O2 percent                    ";
  EXPECT_EQ(BlockWindowTitle(true, 1, label, 100, 200), "Channel 1, O2 percent; cases 100 to 200  (N =  101) ");
  EXPECT_EQ(BlockWindowTitle(false, 1, label, 100, 200), "Channel 1, O2 percent; Cases 100 to 200 (N =  101) ");
  EXPECT_EQ(BlockWindowTitle(false, 3, std::string(30, ' '), 0, 6'999'999),
            "Channel 3, ; Cases 0 to 6999999 (N =  7000000) ");
  EXPECT_EQ(PlotWindowTitle(0, 1, 500, "run.orl"), "Plot Window 1:  'run.orl' ( 1 Channels, 500 Samples ) ");
  EXPECT_EQ(CommentsBoxTitle("run.orl"), "COMMENTS for  'run.orl '");
}

TEST(BlockScale, WindowRectangles) {
  EXPECT_EQ(BlockWindowTop(41, 390, false, 0), 590);
  EXPECT_EQ(BlockWindowTop(41, 390, true, 22), 530);
  // A title bar of 22 would reach into the comments box (bottom 582): lowered.
  EXPECT_EQ(BlockWindowTop(41, 390, false, 22), 582 + 4 + 22);
  // A reopened block window keeps its last size, right of the results column.
  EXPECT_EQ(BlockViewRect(94, 41, 590, 500, 180, 1290, 800, 900), (plat::Rect{573, 590, 1073, 770}));
  // Never drawn: the default right edge and bottom, held above the desk's edge.
  EXPECT_EQ(BlockViewRect(94, 41, 590, 0, 0, 1290, 700, 900), (plat::Rect{573, 590, 1384, 821}));
  EXPECT_EQ(BlockViewRect(94, 41, 590, 0, 0, 1290, 800, 900), (plat::Rect{573, 590, 1384, 870}));
  // A plot low on the desk still gets a usable window.
  EXPECT_EQ(BlockViewRect(94, 41, 880, 0, 0, 1290, 800, 900).height(), 60);
  EXPECT_EQ(CollapsedInstructionsRect(94, 590), (plat::Rect{418, 590, 749, 620}));
  EXPECT_EQ(InstructionsRect(94, 300, 1290, 900), (plat::Rect{418, 300, 1379, 619}));
  EXPECT_EQ(InstructionsRect(94, 590, 1290, 900), (plat::Rect{418, 590, 1379, 820}));
  // A short desk (a toolbar below the plot): the panel ends on the desk and scrolls.
  EXPECT_EQ(InstructionsRect(94, 590, 1290, 700).bottom, 696);
  EXPECT_EQ(InstructionsRect(94, 660, 1290, 700).height(), 60) << "never below a usable minimum";
  EXPECT_EQ(BlockViewRect(94, 41, 590, 500, 300, 1290, 800, 800).bottom, 796) << "a kept size, held on the desk";
  EXPECT_EQ(CommentsBoxRect(94, 41, 390, 1290), (plat::Rect{573, 537, 1383, 582}));
  // A plot moved low: its furniture stands higher by as much as keeps the
  // block window 60 high on the desk, and no higher.
  EXPECT_EQ(FurnitureLift(590, 796), 0);
  EXPECT_EQ(FurnitureLift(736, 796), 0);
  EXPECT_EQ(FurnitureLift(737, 796), 1);
  EXPECT_EQ(FurnitureLift(900, 796), 164);
  // The results window made taller: down where the desk has room, else
  // higher over the plot, cut only by a desk shorter than itself.
  EXPECT_EQ(GrownResultsWindow({94, 500, 544, 720}, 300, 796, 44), (plat::Rect{94, 496, 544, 796})) << "raised";
  EXPECT_EQ(GrownResultsWindow({94, 400, 544, 620}, 300, 796, 44), (plat::Rect{94, 400, 544, 700})) << "down";
  EXPECT_EQ(GrownResultsWindow({94, 600, 544, 796}, 330, 764, 44), (plat::Rect{94, 434, 544, 764})) << "off the desk";
  EXPECT_EQ(GrownResultsWindow({94, 100, 544, 320}, 900, 796, 44), (plat::Rect{94, 44, 544, 796}))
      << "taller than the desk";
  EXPECT_EQ(GrownResultsWindow({94, 500, 544, 820}, 300, 796, 44), (plat::Rect{94, 500, 544, 820})) << "never shorter";
}

// The windows below a plot window on every desk we support, as the program
// places them with a 22-pixel title bar and the statistics window as tall
// as its controls need (356): frames (content plus title bar) never meet,
// so no title bar or control lies under another window.
TEST(BlockScale, WindowsBelowThePlotNeverOverlapOnSupportedDesks) {
  constexpr int kTitleBar = 22, kContentTop = 44;
  const auto frame = [](plat::Rect content) { return plat::Rect{content.left, content.top - kTitleBar, content.right, content.bottom}; };
  const auto meet = [](plat::Rect a, plat::Rect b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
  };
  const struct { int w, h; } desks[] = {{1280, 800}, {1440, 900}, {1680, 1050}, {1920, 1080}, {1920, 1200}, {2560, 1440}};
  for (const auto& d : desks) {
    for (bool commentsHidden : {false, true}) {
      SCOPED_TRACE(std::to_string(d.w) + "x" + std::to_string(d.h) + (commentsHidden ? " no comments" : ""));
      const ScreenGeometry built = GeometryForDisplay(d.w, d.h);
      plat::Rect plot = PlotWindowRect(built, true);
      plot = plot.offset(0, kContentTop - plot.top);
      const ScreenGeometry g = GeometryForContent(plot.width(), plot.height(), built.screenHeight);
      const int T = plot.top - kTitleBar, L = plot.left, B = g.bottomOfPlotArea;
      const int row = BlockWindowTop(T, B, commentsHidden, kTitleBar);
      struct Named { const char* name; plat::Rect r; };
      std::vector<Named> w = {
          {"plot", frame(plot)},
          {"results", frame(ResultsWindowRect(L, ResultsWindowTop(T, B, kTitleBar), 356, d.h - 4, true, false))},
          {"block", frame(BlockViewRect(L, T, row, 0, 0, g.screenWidth, g.screenHeight, d.h))},
      };
      if (!commentsHidden) w.push_back({"comments", frame(CommentsBoxRect(L, T, B, g.screenWidth))});
      for (size_t i = 0; i < w.size(); ++i) {
        EXPECT_LE(w[i].r.bottom, d.h) << w[i].name << " ends below the desk";
        for (size_t j = i + 1; j < w.size(); ++j)
          EXPECT_FALSE(meet(w[i].r, w[j].r)) << w[i].name << " meets " << w[j].name;
      }
      // Without a block the instruction panel takes the block window's place.
      const plat::Rect panel = frame(InstructionsRect(L, row, g.screenWidth, d.h));
      EXPECT_FALSE(meet(panel, w[0].r));
      if (!commentsHidden) {
        EXPECT_FALSE(meet(panel, w[3].r));
      }
    }
  }
}

}  // namespace

namespace {

// Block Shift Rules opened under the toolbar at the left, the Save File As
// boxes under a toolbar below the plot, and dialogs ran off an 800-pixel desk.
TEST(DialogPlace, OnTheDeskAndClearOfTheToolbar) {
  constexpr int kTitleBar = 22, kMenuBar = 22;
  const plat::Size desk{1280, 800};
  const plat::Rect left{2, 42, 91, 700}, below{94, 456, 1350, 503}, none{};
  const struct {
    const char* name;
    plat::Rect asked, toolbar, want;
  } cases[] = {
      {"clear already", {300, 200, 600, 400}, left, {300, 200, 600, 400}},
      {"under the left toolbar: right of it", {50, 90, 350, 250}, left, {95, 90, 395, 250}},
      {"under a toolbar below the plot: below it", {450, 400, 830, 500}, below, {450, 529, 830, 629}},
      {"no room below: above it", {450, 300, 830, 672}, below, {450, 80, 830, 452}},
      {"off the bottom of the desk: up", {300, 700, 600, 900}, none, {300, 600, 600, 800}},
      {"off the right of the desk: left", {1100, 200, 1400, 300}, none, {980, 200, 1280, 300}},
      {"above the menu bar: down", {300, 10, 600, 100}, none, {300, 44, 600, 134}},
      {"taller than the desk: its top under the menu bar", {300, 100, 600, 1000}, none, {300, 44, 600, 944}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PlaceDialog(c.asked, kTitleBar, c.toolbar, desk, kMenuBar), c.want);
  }
}

}  // namespace
