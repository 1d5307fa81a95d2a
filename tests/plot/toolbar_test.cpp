// Toolbar layouts: every button once, inside the window, never overlapping.
#include "plot/toolbar.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "plot/blockscale.h"
#include "plot/geometry.h"
#include "shell/desklayout.h"
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

bool apart(const plat::Rect& a, const plat::Rect& b) {
  return a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
}

// At a 1,440-pixel plot eight buttons sat on a second row the 24-pixel bar
// hid; at the bottom the bar covered the comments box, at the top the plot
// moved down under a box left where it was.
TEST(ToolbarLayout, AtEveryDeskFrom1280TheToolbarShowsEveryRowAndCoversNothing) {
  const struct {
    int w, h;
  } desks[] = {{1280, 720}, {1280, 768}, {1280, 771}, {1280, 800}, {1366, 768}, {1440, 900}, {1920, 1080}, {2560, 1440}};
  constexpr int kMenuBar = 22, kTitleBar = 22, kToolbarTitle = 16;
  for (const auto& d : desks) {
    for (ToolbarPlace place : {ToolbarPlace::Left, ToolbarPlace::Bottom, ToolbarPlace::Top}) {
      SCOPED_TRACE(testing::Message() << d.w << "x" << d.h << " place " << static_cast<int>(place));
      const plotcore::ScreenGeometry g = plotcore::GeometryForDisplay(d.w, d.h);
      plat::Rect content = plotcore::PlotWindowRect(g, place == ToolbarPlace::Left);
      content = content.offset(0, std::max(0, kMenuBar + kTitleBar - content.top));
      plat::Rect plot{content.left, content.top - kTitleBar, content.right, content.bottom};
      const plotcore::ToolbarFrame f = plotcore::ToolbarFrameFor(place, plot, {kMenuBar, d.h, kToolbarTitle});
      if (f.movePlot) plot = plot.offset(f.plotTopLeft.x - plot.left, f.plotTopLeft.y - plot.top);
      const plat::Rect bar = f.toolbar;
      const plat::Rect barFrame{bar.left, bar.top - kToolbarTitle, bar.right, bar.bottom};
      for (const plotcore::PlacedTool& t : plotcore::LayoutToolbar(place, bar.width())) {
        EXPECT_LE(t.r.right, bar.width()) << t.id;
        EXPECT_LE(t.r.bottom, bar.height()) << t.id << " is cut off";
      }
      EXPECT_EQ(bar.height(), plotcore::ToolbarRowsHeight(place, bar.width())) << "as high as its rows";
      EXPECT_GE(barFrame.top, kMenuBar);
      EXPECT_LE(bar.bottom, d.h);
      EXPECT_TRUE(apart(barFrame, plot)) << "toolbar and plot window";
      ToolbarBandBelowPlot = f.bandBelowPlot;
      const int B = g.bottomOfPlotArea;
      const plat::Rect comments = plotcore::CommentsBoxRect(content.left, plot.top, B, g.screenWidth);
      const plat::Rect commentsFrame{comments.left, comments.top - kTitleBar, comments.right, comments.bottom};
      EXPECT_TRUE(apart(barFrame, commentsFrame)) << "toolbar and comments box";
      EXPECT_TRUE(apart(plot, commentsFrame)) << "plot window and comments box";
      ToolbarBandBelowPlot = 0;
      // Seven files: each window cascaded on the desk, its bottom the first
      // one's, its title and data bars clear of the toolbar built by the first,
      // and any two either one exactly behind the other or the back one's close
      // box and title in view.
      const plotcore::ToolbarDesk desk{kMenuBar, d.h, kToolbarTitle};
      const plat::Rect first = plotcore::PlotWindowContentFor(place, content, 0, {d.w, d.h}, desk, kTitleBar);
      const plotcore::ToolbarFrame ff =
          plotcore::ToolbarFrameFor(place, {first.left, first.top - kTitleBar, first.right, first.bottom}, desk);
      const plat::Rect firstBar{ff.toolbar.left, ff.toolbar.top - kToolbarTitle, ff.toolbar.right, ff.toolbar.bottom};
      EXPECT_FALSE(ff.movePlot) << "the first window already stands clear";
      for (int index = 0; index < 7; ++index) {
        const plat::Rect c = plotcore::PlotWindowContentFor(place, content, index, {d.w, d.h}, desk, kTitleBar);
        EXPECT_GE(c.top - kTitleBar, kMenuBar) << index;
        EXPECT_LE(c.right, d.w) << index;
        EXPECT_EQ(c.bottom, first.bottom) << index;
        EXPECT_GE(c.height(), plotcore::kPlotWindowMinSize.h) << index;
        EXPECT_TRUE(apart({c.left, c.top - kTitleBar, c.right, c.top + 18}, firstBar)) << index;
        for (int before = 0; before < index; ++before) {
          const int step =
              c.top - plotcore::PlotWindowContentFor(place, content, before, {d.w, d.h}, desk, kTitleBar).top;
          EXPECT_TRUE(step == 0 || std::abs(step) >= plotcore::kLeastCascadeStep) << before << " and " << index;
        }
      }
    }
  }
  // Round the places by the close box: back at the left or below, the plot
  // that a toolbar above moved down goes back under the menu bar, with no
  // empty band left above it.
  for (const auto& d : desks) {
    SCOPED_TRACE(testing::Message() << d.w << "x" << d.h << " round the places");
    plat::Rect plot = plotcore::PlotWindowRect(plotcore::GeometryForDisplay(d.w, d.h), true);
    plot = plot.offset(0, kMenuBar - plot.top);
    const int home = plot.top;
    ToolbarPlace place = ToolbarPlace::Left;
    for (int change = 0; change < 6; ++change) {
      place = plotcore::NextToolbarPlace(place);
      const plotcore::ToolbarFrame f = plotcore::ToolbarFrameFor(place, plot, {kMenuBar, d.h, kToolbarTitle});
      if (f.movePlot) plot = plot.offset(f.plotTopLeft.x - plot.left, f.plotTopLeft.y - plot.top);
      if (place != ToolbarPlace::Top) {
        EXPECT_EQ(plot.top, home) << "place " << static_cast<int>(place);
      }
      EXPECT_TRUE(apart({f.toolbar.left, f.toolbar.top - kToolbarTitle, f.toolbar.right, f.toolbar.bottom}, plot));
    }
  }
  EXPECT_EQ(plotcore::NextToolbarPlace(ToolbarPlace::Left), ToolbarPlace::Bottom);
  EXPECT_EQ(plotcore::NextToolbarPlace(ToolbarPlace::Top), ToolbarPlace::Left);
  EXPECT_EQ(plotcore::ToolbarPlaceOf(7), ToolbarPlace::Left);
}

}  // namespace
