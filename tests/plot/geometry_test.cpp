#include "plot/geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace plotcore;

namespace {

ViewState View(int32_t n, int16_t sw, bool compressed = false, int16_t segment = 1) {
  ViewState v;
  v.nCases = n;
  v.screenWidth = sw;
  v.compressed = compressed;
  v.segment = segment;
  v.xStep = ExpansionStep(n, sw);
  return v;
}

TEST(PlotGeometry, FromDisplay) {
  ScreenGeometry g = GeometryForDisplay(1440, 900);
  EXPECT_EQ(g.screenWidth, 1290);
  EXPECT_EQ(g.screenHeight, 800);
  EXPECT_EQ(g.bottomOfPlotArea, 390);
  EXPECT_EQ(g.plotHeight, 362);
  EXPECT_EQ(GeometryForDisplay(2000, 1200).screenWidth, 1800);
  EXPECT_EQ(GeometryForDisplay(1950, 1200).screenWidth, 1800);  // 1800 exactly
  EXPECT_EQ(GeometryForDisplay(832, 835).screenWidth, 682);
  EXPECT_EQ(GeometryForDisplay(832, 835).bottomOfPlotArea, 390);
  g = GeometryForDisplay(800, 600);
  EXPECT_EQ(g.screenWidth, 800);
  EXPECT_EQ(g.screenHeight, 600);
  EXPECT_EQ(g.bottomOfPlotArea, 190);
  EXPECT_EQ(GeometryForDisplay(800, 900).bottomOfPlotArea, 356);
  EXPECT_EQ(GeometryForDisplay(800, 811).bottomOfPlotArea, 356);
  EXPECT_EQ(GeometryForDisplay(800, 810).bottomOfPlotArea, 400);
  EXPECT_EQ(GeometryForDisplay(500, 600).screenWidth, 550);
  // A short display keeps a plot of positive height.
  g = GeometryForDisplay(1024, 300);
  EXPECT_GT(g.plotHeight, 0);

  g = GeometryForContent(1000, 500, 800);
  EXPECT_EQ(g.screenWidth, 1000);
  EXPECT_EQ(g.bottomOfPlotArea, 462);
  EXPECT_EQ(g.plotHeight, 434);
  EXPECT_EQ(PlotWindowRect(GeometryForDisplay(1440, 900), true), (plat::Rect{94, 41, 1381, 470}));
  EXPECT_EQ(PlotWindowRect(GeometryForDisplay(1440, 900), false).left, 2);
  EXPECT_EQ(RightLimFor(1290), 969);
}

// Windows of files 5 to 16 once opened past the right edge of the desk, and
// 9 to 16 all at one place: they go round again inside the desk.
TEST(PlotGeometry, PlotWindowsCascadeInsideTheDesk) {
  for (const plat::Size desk : {plat::Size{1280, 800}, plat::Size{1440, 900}, plat::Size{1600, 1000},
                                plat::Size{1920, 1080}, plat::Size{640, 480}}) {
    SCOPED_TRACE(std::to_string(desk.w) + "x" + std::to_string(desk.h));
    const plat::Rect first = PlotWindowRect(GeometryForDisplay(desk.w, desk.h), true);
    int distinct = 0;
    for (int before = 0; before < 16; ++before) {
      const int shift = PlotWindowCascade(before, first, desk);
      EXPECT_GE(shift, 0);
      EXPECT_LE(first.right + shift, std::max<int>(desk.w, first.right)) << before;
      EXPECT_LE(first.bottom + shift, std::max<int>(desk.h, first.bottom)) << before;
      if (before > 0 && shift > PlotWindowCascade(before - 1, first, desk)) ++distinct;
    }
    EXPECT_EQ(PlotWindowCascade(0, first, desk), 0);
    if (first.right + 18 <= desk.w && first.bottom + 18 <= desk.h) {
      EXPECT_GE(distinct, 1) << "each a little lower";
    }
  }
  EXPECT_EQ(PlotWindowCascade(1, {94, 41, 1381, 470}, {1440, 900}), 18);
  EXPECT_EQ(PlotWindowCascade(4, {94, 41, 1381, 470}, {1440, 900}), 0) << "round again, 59 pixels to the right";
  EXPECT_EQ(PlotWindowCascade(5, {94, 41, 1381, 470}, {1440, 900}), 18);
}

TEST(PlotGeometry, OpeningViewAndModes) {
  EXPECT_FALSE(OpensCompressed(1000, 1000));
  EXPECT_TRUE(OpensCompressed(1001, 1000));
  EXPECT_EQ(ModeOf(View(1000, 1000, true)), ViewMode::Paged);  // word 4 alone is not enough
  EXPECT_EQ(ModeOf(View(1001, 1000, true)), ViewMode::Compressed);
  ViewState z = View(1001, 1000, true);
  z.zoomed = true;
  EXPECT_EQ(ModeOf(z), ViewMode::Zoomed);
}

TEST(PlotGeometry, SegmentsAndRanges) {
  EXPECT_EQ(SegmentCount(10000, 1000), 10);
  EXPECT_EQ(SegmentCount(10001, 1000), 11);
  EXPECT_EQ(SegmentCount(7'000'000, 1800), 3889);
  EXPECT_EQ(SegmentCount(0, 1000), 0);
  EXPECT_EQ(SegmentRange(1, 2500, 1000), (CaseRange{1, 1000}));
  EXPECT_EQ(SegmentRange(3, 2500, 1000), (CaseRange{2001, 2500}));
  EXPECT_EQ(SegmentRange(9, 2500, 1000), (CaseRange{2001, 2500}));  // held to the last
  EXPECT_EQ(SegmentRange(3889, 7'000'000, 1800), (CaseRange{6'998'401, 7'000'000}));
  EXPECT_EQ(ViewRange(View(2500, 1000, true)), (CaseRange{1, 2500}));
  EXPECT_EQ(ViewRange(View(2500, 1000, false, 2)), (CaseRange{1001, 2000}));
  EXPECT_EQ(ViewRange(View(300, 1000)), (CaseRange{1, 300}));
}

TEST(PlotGeometry, ZoomIsHeldInsideTheDrawnFile) {
  EXPECT_EQ(ClampZoom(100, 200, 1000), (ZoomSpan{100, 200}));
  EXPECT_EQ(ClampZoom(200, 100, 1000), (ZoomSpan{100, 200}));
  // A zoom pair left over from a longer file.
  EXPECT_EQ(ClampZoom(5'000, 6'000'000, 3'000), (ZoomSpan{3'000 - 1, 3'000}));
  EXPECT_EQ(ClampZoom(-50, 6'000'000, 3'000), (ZoomSpan{0, 3'000}));
  EXPECT_EQ(ClampZoom(10, 10, 3'000), (ZoomSpan{10, 11}));
  EXPECT_EQ(ClampZoom(10, 10, 0), (ZoomSpan{0, 0}));
  ViewState v = View(3'000, 1000, true);
  v.zoomed = true;
  v.zoomLeft = 2'000'000;
  v.zoomRight = 6'000'000;
  const CaseRange r = ViewRange(v);
  EXPECT_GE(r.first, 0);
  EXPECT_LE(r.last, 3'000);
  EXPECT_LE(CaseAtPixel(v, 999), 3'000);
}

TEST(PlotGeometry, ExpansionAndDataEnd) {
  EXPECT_EQ(ExpansionStep(100, 1000), 10);
  EXPECT_EQ(ExpansionStep(500, 1000), 2);
  EXPECT_EQ(ExpansionStep(501, 1000), 1);
  EXPECT_EQ(ExpansionStep(0, 1000), 1);
  EXPECT_EQ(DataEndLineX(View(100, 1000)), 1000);
  EXPECT_EQ(DataEndLineX(View(2500, 1000, false, 3)), 500);
  EXPECT_FALSE(DataEndLineX(View(2500, 1000, false, 2)).has_value());
  EXPECT_FALSE(DataEndLineX(View(2500, 1000, true)).has_value());
}

TEST(PlotGeometry, PixelToCaseInLongFilesDoesNotOverflow) {
  ViewState v = View(7'000'000, 1800, true);
  EXPECT_EQ(CaseAtPixel(v, 0), 0);
  EXPECT_EQ(CaseAtPixel(v, 900), 3'500'000);
  EXPECT_EQ(CaseAtPixel(v, 1800), 7'000'000);
  v.zoomed = true;
  v.zoomLeft = 0;
  v.zoomRight = 7'000'000;
  // 1799 * 7,000,000 is far beyond 32 bits.
  EXPECT_EQ(CaseAtPixel(v, 1799), static_cast<int32_t>(1799LL * 7'000'000 / 1800));
  EXPECT_EQ(BlockEdgePixel(v, 6'999'999), static_cast<int32_t>(1800LL * 6'999'999 / 7'000'000 + 1));
  EXPECT_EQ(BlockEdgePixel(v, 3'500'000), 901);
  v.zoomed = false;
  EXPECT_EQ(BlockEdgePixel(v, 3'500'000), 901);
  EXPECT_EQ(BlockEdgePixel(v, 0), 1);
  // Paged, Xstep 1: case k of segment 1 at x = k; segment 3 counts from 2000.
  const ViewState p = View(2500, 1000, false, 3);
  EXPECT_EQ(CaseAtPixel(p, 100), 2100);
  EXPECT_EQ(BlockEdgePixel(p, 2100), 100);
  const ViewState e = View(100, 1000);  // expanded 10x
  EXPECT_EQ(CaseAtPixel(e, 105), 10);
  EXPECT_EQ(BlockEdgePixel(e, 10), 100);
}

TEST(PlotGeometry, PagedBlockShading) {
  const ViewState v = View(5000, 1000, false, 2);  // cases 1000..2000
  EXPECT_FALSE(PagedBlockSpan(v, 10, 500).has_value());
  EXPECT_FALSE(PagedBlockSpan(v, 2500, 3000).has_value());
  EXPECT_EQ(PagedBlockSpan(v, 1100, 1200), (PixelSpan{100, 200}));
  EXPECT_EQ(PagedBlockSpan(v, 1100, 2600), (PixelSpan{100, 1000}));
  EXPECT_EQ(PagedBlockSpan(v, 500, 1200), (PixelSpan{1, 200}));
  EXPECT_EQ(PagedBlockSpan(v, 500, 2600), (PixelSpan{1, 1000}));
}

TEST(PlotGeometry, SegmentLinesAndZoomRects) {
  const auto xs = SegmentLineXs(View(2500, 1000, true));
  ASSERT_EQ(xs.size(), 2u);
  EXPECT_EQ(xs[0], 402);
  EXPECT_EQ(xs[1], 802);
  EXPECT_TRUE(SegmentLineXs(View(2500, 1000, false)).empty());
  ViewState z = View(2500, 1000, true);
  z.zoomed = true;
  EXPECT_TRUE(SegmentLineXs(z).empty());
  EXPECT_EQ(SegmentLineXs(View(7'000'000, 1800, true)).size(), 3888u);

  const auto rects = ZoomEffectRects(500, 500, 390, 1000);
  ASSERT_FALSE(rects.empty());
  EXPECT_EQ(rects[0], (plat::Rect{487, 184 - 8, 513, 184 + 8}));
  EXPECT_EQ(rects.size(), 10u);  // r = 13 .. 463
  EXPECT_EQ(ZoomEffectRects(0, 0, 390, 1000).size(), 20u);
}

TEST(PlotGeometry, Slider) {
  SliderSpec s = MakeSliderSpec(10000, 1000, 390, 0, 3);
  EXPECT_TRUE(s.present);
  EXPECT_EQ(s.segments, 10);
  EXPECT_EQ(s.segment, 3);
  EXPECT_EQ(s.bounds, (plat::Rect{0, 407, 912, 425})) << "inside the window, its thumb whole";
  // Count change 10 -> 20 maps segment 3 to 6.
  s = MakeSliderSpec(20000, 1000, 390, 10, 3);
  EXPECT_EQ(s.segments, 20);
  EXPECT_EQ(s.segment, 6);
  // Count shrinking maps onto the remaining pages.
  EXPECT_EQ(MakeSliderSpec(2000, 1000, 390, 10, 10).segment, 2);
  EXPECT_EQ(MakeSliderSpec(10000, 1000, 390, 10, 44).segment, 1);
  EXPECT_EQ(MakeSliderSpec(10000, 1000, 390, 10, 0).segment, 1);
  EXPECT_FALSE(MakeSliderSpec(1000, 1000, 390, 0, 1).present);
  s = MakeSliderSpec(7'000'000, 1800, 390, 0, 3889);
  EXPECT_EQ(s.segments, 3889);
  EXPECT_EQ(s.segment, 3889);
  EXPECT_GT(s.bounds.right, 0);
}

}  // namespace
