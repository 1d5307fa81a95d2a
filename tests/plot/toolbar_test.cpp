// Toolbar layouts: every button once, inside the window, never overlapping.
#include "plot/toolbar.h"

#include <gtest/gtest.h>

#include <set>

#include "shell/dispatch.h"

namespace {

using plotcore::ToolbarPlace;

TEST(ToolbarLayout, EveryPlaceAndWidthLaysEachButtonOnceWithoutOverlap) {
  std::set<int16_t> table;
  for (const ToolButton& b : ToolbarTable()) table.insert(b.id);
  const struct {
    ToolbarPlace place;
    int limit;
  } cases[] = {{ToolbarPlace::Left, 89}, {ToolbarPlace::Bottom, 618}, {ToolbarPlace::Bottom, 1778},
               {ToolbarPlace::Top, 1265}, {ToolbarPlace::Top, 80}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.place) << " at " << c.limit);
    const auto placed = plotcore::LayoutToolbar(c.place, c.limit);
    std::set<int16_t> ids;
    for (size_t i = 0; i < placed.size(); ++i) {
      const plat::Rect& r = placed[i].r;
      EXPECT_TRUE(ids.insert(placed[i].id).second) << placed[i].id;
      EXPECT_GE(r.left, 6);
      // Only a button wider than the window itself may cross its edge.
      if (r.width() + 6 <= c.limit) {
        EXPECT_LE(r.right, c.limit) << placed[i].id;
      }
      for (size_t j = 0; j < i; ++j) {
        const plat::Rect& o = placed[j].r;
        const bool apart = r.right <= o.left || o.right <= r.left || r.bottom <= o.top || o.bottom <= r.top;
        EXPECT_TRUE(apart) << placed[i].id << " overlaps " << placed[j].id;
      }
    }
    EXPECT_EQ(ids, table);
  }
}

TEST(ToolbarLayout, ARowBreakDropsTheGapAndMovesDown23) {
  // Left strip: "?" then "BsLn" after a gap of 6 fit; the third button starts row 2.
  const auto placed = plotcore::LayoutToolbar(ToolbarPlace::Left, 89);
  EXPECT_EQ(placed[0].r, (plat::Rect{8, 1, 38, 24}));
  EXPECT_EQ(placed[1].r, (plat::Rect{44, 1, 82, 24}));
  EXPECT_EQ(placed[2].r, (plat::Rect{6, 24, 46, 47}));
  // "Open" (gap 10) on a fresh row starts at x 6.
  for (const auto& p : placed) {
    if (p.id == 563) {
      EXPECT_EQ(p.r.left, 6);
    }
  }
  const auto bar = plotcore::LayoutToolbar(ToolbarPlace::Bottom, 3000);
  EXPECT_EQ(bar.back().r.bottom, 22);   // one row of 21-pixel buttons
}

TEST(ToolbarLayout, WindowPlacesAndTheirCycle) {
  const plat::Rect plot{2, 41, 1300, 500};
  auto left = plotcore::ToolbarFrameFor(ToolbarPlace::Left, plot, 900);
  EXPECT_EQ(left.toolbar, (plat::Rect{2, 40, 91, 706}));
  EXPECT_TRUE(left.movePlot);
  EXPECT_EQ(left.plotTopLeft, (plat::Point{92, 41}));
  EXPECT_EQ(plotcore::ToolbarFrameFor(ToolbarPlace::Left, {94, 41, 900, 400}, 480).toolbar.bottom, 440);
  auto bottom = plotcore::ToolbarFrameFor(ToolbarPlace::Bottom, plot, 900);
  EXPECT_EQ(bottom.toolbar, (plat::Rect{2, 518, 1278, 542}));
  EXPECT_FALSE(bottom.movePlot);
  auto top = plotcore::ToolbarFrameFor(ToolbarPlace::Top, plot, 900);
  EXPECT_EQ(top.toolbar, (plat::Rect{2, 37, 1278, 61}));
  EXPECT_EQ(top.plotTopLeft, (plat::Point{2, 85}));
  EXPECT_FALSE(plotcore::ToolbarFrameFor(ToolbarPlace::Top, {2, 200, 900, 500}, 900).movePlot);
  EXPECT_EQ(plotcore::NextToolbarPlace(ToolbarPlace::Left), ToolbarPlace::Bottom);
  EXPECT_EQ(plotcore::NextToolbarPlace(ToolbarPlace::Top), ToolbarPlace::Left);
  EXPECT_EQ(plotcore::ToolbarPlaceOf(7), ToolbarPlace::Left);
}

}  // namespace
