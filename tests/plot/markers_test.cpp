// Marker labels, positions and the label-density rule; note button places.
#include "plot/markers.h"

#include <gtest/gtest.h>

namespace {

plotcore::ViewState view(int32_t n, int16_t sw, int16_t segment = 1, bool compressed = false) {
  plotcore::ViewState v;
  v.nCases = n;
  v.screenWidth = sw;
  v.segment = segment;
  v.compressed = compressed;
  return v;
}

TEST(Markers, LabelsAndPlaces) {
  const struct {
    int32_t code;
    const char* label;
  } labels[] = {{203, "3"}, {209, "9"}, {200, "\xC8"}, {199, "\xC7"}, {65, "A"}, {0x10041, "A"}};
  for (const auto& c : labels) EXPECT_EQ(plotcore::MarkerLabel(c.code), c.label) << c.code;

  plotcore::ViewState zoomed = view(10000, 1000);
  zoomed.zoomed = true;
  zoomed.zoomLeft = 2000;
  zoomed.zoomRight = 2500;
  const struct {
    const char* name;
    plotcore::ViewState v;
    double k, x;
    int click;
    int32_t clickCase;
  } places[] = {
      {"paged segment 3", view(10000, 1000, 3), 2500, 500, 500, 2500},
      {"short file", view(400, 1000), 100, 100, 100, 100},
      {"compressed", view(10000, 1000, 1, true), 5000, 500, 0, 0},
      {"zoomed", zoomed, 2250, 1000 * 250 / 500.0, 500, 2250},
  };
  for (const auto& c : places) {
    SCOPED_TRACE(c.name);
    EXPECT_DOUBLE_EQ(plotcore::MarkerX(c.v, c.k), c.x);
    if (c.click != 0) {
      EXPECT_EQ(plotcore::MarkerCaseAtClick(c.v, c.click), c.clickCase);
    }
  }
}

// The panel's rounding, zoomleft * (nCases / SW) / nCases + 1, opened page 1
// for a zoom on page 2.
TEST(Markers, PanelOpensOnThePageThatHoldsTheZoom) {
  const struct {
    int32_t zl, zr, n;
    int16_t sw;
    int32_t page;
  } cases[] = {
      {1100, 1300, 5000, 1000, 2},  {0, 200, 5000, 1000, 1},     {4800, 5000, 5000, 1000, 5},
      {900, 1300, 5000, 1000, 2},   {1999, 2000, 5000, 1000, 2}, {2000, 2001, 5000, 1000, 3},
      {6000, 7000, 5000, 1000, 5},  {100, 50, 300, 1000, 1},     {3'500'000, 3'500'100, 7'000'000, 1800, 1945},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.zl);
    EXPECT_EQ(plotcore::PageHoldingZoom(c.zl, c.zr, c.n, c.sw), c.page);
    // Its columns hold the middle case.
    plotcore::ViewState v = view(c.n, c.sw, static_cast<int16_t>(c.page));
    const plotcore::ZoomSpan z = plotcore::ClampZoom(c.zl, c.zr, c.n);
    const int32_t mid = (z.left + z.right) / 2;
    if (mid < c.n) {
      EXPECT_EQ(plotcore::MarkerCaseAtClick(v, static_cast<int>(mid - int64_t{c.sw} * (c.page - 1))), mid);
    }
  }
}

TEST(Markers, LabelsOnlyWhenEachHasTenPixels) {
  const plotcore::ViewState v = view(100000, 900, 1);
  for (const auto& [count, labelled] : {std::pair{100, false}, std::pair{90, true}}) {
    std::vector<MarkerRecord> m;
    for (int i = 1; i <= count; ++i) m.push_back({i * 5, 'A'});
    // One more exactly at the right edge: drawn, not counted.
    m.push_back({900, 'Z'});
    const plotcore::MarkerDrawing d = plotcore::LayoutMarkers(v, m, 900, 400);
    EXPECT_EQ(d.visible, count);
    EXPECT_EQ(d.lines.size(), static_cast<size_t>(2 * (count + 1)));
    EXPECT_EQ(d.labels.empty(), !labelled) << count;
    EXPECT_EQ(d.lines.back().x, 900);
    EXPECT_EQ(d.lines.back().y, 396);
  }
  // Off the segment: neither drawn nor counted.
  const plotcore::MarkerDrawing off = plotcore::LayoutMarkers(v, {{5000, 'A'}}, 900, 400);
  EXPECT_TRUE(off.lines.empty());
  EXPECT_EQ(off.labels.size(), 0u);
  // Markers on one case: one line, their labels side by side.
  const plotcore::MarkerDrawing two =
      plotcore::LayoutMarkers(v, {{10, 203}, {10, 199}, {10, 200}, {11, 'A'}}, 900, 400);
  EXPECT_EQ(two.lines.size(), 4u);
  ASSERT_EQ(two.labels.size(), 2u);
  EXPECT_EQ(two.labels[0].text, "3 \xC7 \xC8");
  EXPECT_EQ(two.labels[0].x, 12);
  EXPECT_EQ(two.labels[1].text, "A");
}

TEST(Markers, NoteButtonsSitAtTheirCase) {
  const plotcore::ViewState v = view(10000, 1000, 2);
  EXPECT_EQ(plotcore::NoteButtonRect(v, "1500.7", 23), (plat::Rect{495, 23, 505, 33}));
  // On another segment the button lies off the plot.
  EXPECT_LT(plotcore::NoteButtonRect(v, "200", 23).right, 0);
  EXPECT_EQ(plotcore::NoteButtonRect(v, "no number", 23).left, -1005);
}

}  // namespace
