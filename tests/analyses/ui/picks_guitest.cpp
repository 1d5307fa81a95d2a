// The click tools, the automatic-block dialog and the cross-channel subset
// dialog driven headlessly from the menu.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analyses/crosschan.h"
#include "analyses/picks.h"
#include "analyses/statspanel.h"
#include "analyses/ui/analyses_commands.h"
#include "analyses/ui/crosschan.h"
#include "analyses/ui/picks.h"
#include "output/results.h"
#include "output/scaling.h"
#include "output/ui/output_commands.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/geometry.h"
#include "plot/selection.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/databar.h"
#include "plot/ui/infoline.h"
#include "plot/ui/mouse.h"
#include "plot/ui/plot_commands.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "support/gui_support.h"
#include "support/window_support.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;

class ClickTools : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForAnalysisTest();
    prefsArray[kPrefSoundLevel] = 25;
    prefsArray[kPrefAutoBlock] = 0;
    ResetAllScaling();
    Rscale = 0;
    UseCrossChanIndex = 0;
    CrossChanSelect = {};

    // Channel 1 holds its case number; channel 2 is 0 on even cases.
    ASSERT_EQ(AllocateSlot(0, 40, 2), StoreStatus::Ok);
    for (int32_t k = 0; k <= 40; ++k) {
      PutDatum(0, 1, k, static_cast<float>(k));
      PutDatum(0, 2, k, static_cast<float>(k % 2));
    }
    testsupport::DescribeFile(0, "picks", 1.0f);
    chanB = 1;
    testsupport::ShowFile(0);
  }

  void TearDown() override {
    prefsArray[kPrefAutoBlock] = 0;
    CrossChanSelect = {};
    testsupport::EndWindowTest();
  }

  // A point of the plot over case k.
  static plat::Point At(int32_t k) {
    const plotcore::ViewState v = PlotViewState(0);
    for (int x = 1; x < 2000; ++x)
      if (plotcore::CaseAtPixel(v, x) == k) return {x, BottomOfPlotArea / 2};
    ADD_FAILURE() << "no pixel shows case " << k;
    return {};
  }

  testsupport::PlotGeometryKeeper keptGeometry_;
};

// Results are read once the tool has ended: a step runs at the first poll,
// possibly before the event just posted is handled.
TEST_F(ClickTools, RunningAverageOfPicksWithOneReject) {
  const int16_t plot = PlotWindowId(0);
  Script s;
  s.clickAt(plot, At(1)).clickAt(plot, At(2)).clickAt(plot, At(6)).key(plot, 13);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 8)); });
  EXPECT_EQ(nrPoints, 3);
  EXPECT_DOUBLE_EQ(meanValue, 3.0);
  EXPECT_NEAR(StandardDeviation, std::sqrt(14.0f / 3.0f), 1e-6f);
  // The result stays on show; the hint and the exit button go.
  EXPECT_EQ(plat::fieldText(kResultsWindow, kPickTotalField), " 9");
  EXPECT_FALSE(plat::controlExists(kResultsWindow, kExitClickButton));
  plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "running-average.png");
  EXPECT_EQ(Analysis_Code, 0);
  EXPECT_EQ(REnd, 0);

  Script r;
  r.clickAt(plot, At(1)).clickAt(plot, At(2)).clickAt(plot, At(6)).key(plot, 8).key(plot, 8).key(plot, 13);
  plat::test::run(r, [] { EXPECT_TRUE(DoMENU(3, 8)); });
  EXPECT_EQ(nrPoints, 2) << "only the last pick goes";
  EXPECT_EQ(StandardDeviation, 0.5f) << "the SD of the two left, never a stale one";
  // Two values show no spread: the three picks' S.D., S.E. and C.V. go with their labels.
  for (int16_t id : {kPanelSDField, kPanelCVField, kPanelSEField})
    EXPECT_FALSE(plat::controlExists(kResultsWindow, id)) << id;
  plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "running-average-two-left.png");
}

TEST_F(ClickTools, PagingKeepsThePicksAndTheViewComesBack) {
  // A file longer than the plot opens compressed; the tool picks paged.
  testsupport::ClearStore();
  const int32_t n = 3 * ScreenWidth;
  ASSERT_EQ(AllocateSlot(0, n, 1), StoreStatus::Ok);
  for (int32_t k = 0; k <= n; ++k) PutDatum(0, 1, k, static_cast<float>(k));
  testsupport::DescribeFile(0, "long", 1.0f);
  testsupport::ShowFile(0);
  ASSERT_EQ(FileSHORTS[0][kShortCompressed], 1);
  plotcore::ViewState paged = PlotViewState(0);
  paged.compressed = false;
  auto at = [&paged](int16_t segment, int32_t k) {
    paged.segment = segment;
    for (int x = 1; x < 4000; ++x)
      if (plotcore::CaseAtPixel(paged, x) == k) return plat::Point{x, BottomOfPlotArea / 2};
    ADD_FAILURE() << "no pixel shows case " << k;
    return plat::Point{};
  };
  const int32_t second = ScreenWidth + 10;
  const int16_t plot = PlotWindowId(0);
  Script s;
  s.clickAt(plot, at(1, 5)).key(plot, 29).clickAt(plot, at(2, second)).key(plot, 13);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 8)); });
  EXPECT_EQ(nrPoints, 2);
  EXPECT_DOUBLE_EQ(meanValue, (5.0 + second) / 2.0);
  EXPECT_EQ(FileSHORTS[0][kShortCompressed], 1) << "the compressed view comes back";
}

TEST_F(ClickTools, PairDifferencesInEitherOrder) {
  const int16_t plot = PlotWindowId(0);
  Script s;
  s.clickAt(plot, At(10))
      .clickAt(plot, At(10))   // the first point again: ignored
      .clickAt(plot, At(4))
      .clickAt(plot, At(3))
      .clickAt(plot, At(9))
      .key(plot, 13);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 9)); });
  plat::test::saveArtifact(plat::test::deskImage(), "pair-differences.png");
  EXPECT_EQ(nrPoints, 2);
  EXPECT_DOUBLE_EQ(meanValue, 6.0);
  EXPECT_EQ(tmFloat, 6.0f);
  EXPECT_EQ(ts, 0.0f);
  EXPECT_FALSE(plat::windowExists(kTimeStatsWindow));
}

TEST_F(ClickTools, AutomaticBlockDurationThenNormalSelection) {
  Script s;
  s.type(kResultsWindow, kAutoBlockSecondsField, "10").call([] {
     plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "automatic-blocks.png");
   });
  s.click(kResultsWindow, kAutoBlockOK);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(77, 2)); });
  EXPECT_EQ(prefsArray[kPrefAutoBlock], 1);
  EXPECT_EQ(ABunit, 5) << "11-case blocks";
  EXPECT_FALSE(plat::windowExists(kResultsWindow));

  Script off;
  off.key(kResultsWindow, 13);
  plat::test::run(off, [] { EXPECT_TRUE(DoMENU(77, 2)); });
  EXPECT_EQ(prefsArray[kPrefAutoBlock], 0) << "Return switches automatic blocks off";
}

TEST_F(ClickTools, AutomaticBlockBoxFollowsThePointerAndGoes) {
  prefsArray[kPrefAutoBlock] = 1;
  ABu = 5;
  const int16_t plot = PlotWindowId(0);
  const QImage before = plat::test::portImage(plot);
  Script s;
  s.moveTo(plot, {200, BottomOfPlotArea / 2})
      .call([&before, plot] {
        TrackPointerOverPlot();
        EXPECT_EQ(IntBoxLeft, 195);
        EXPECT_EQ(IntBoxRight, 205);
        EXPECT_NE(plat::test::portImage(plot), before);
      })
      .moveTo(plot, {200, 5})
      .call([&before, plot] {
        TrackPointerOverPlot();
        EXPECT_EQ(IntBoxLeft, -10) << "off the plot area the box goes";
        EXPECT_EQ(plat::test::portImage(plot), before) << "and leaves the plot as it was";
      })
      .stop();
  plat::test::run(s, [] {
    for (;;) plat::pump();
  });
}

TEST_F(ClickTools, SubsetDialogBuildsTheIndexOrWarns) {
  Script s;
  s.click(kSubsetWindow, kGreaterBox + 1)
      .type(kSubsetWindow, kValueFieldBase + kGreaterBox + 1, "30")
      .click(kSubsetWindow, kEqualBox + 2)
      .type(kSubsetWindow, kValueFieldBase + kEqualBox + 2, "1")
      .click(kSubsetWindow, kSetIndexButton)
      .call([] {
        EXPECT_EQ(SelectedCaseCount(0), 5) << "the odd cases 31..39";
        plat::test::saveArtifact(plat::test::windowImage(kSubsetWindow), "subset.png");
      })
      .type(kSubsetWindow, kValueFieldBase + kGreaterBox + 1, "\x08\x08" "99")
      .click(kSubsetWindow, kSetIndexButton)
      .click(kNoValidCasesWindow, 1)
      .click(kSubsetWindow, kClearAllButton)
      .click(kSubsetWindow, kSubsetDoneButton);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 24)); });
  EXPECT_EQ(SelectedCaseCount(0), 0) << "the last index stands: none selected";
  EXPECT_FALSE(CrossChanSelect[1].greater);
  EXPECT_EQ(CrossChanSelect[1].greaterValue, 99.0f) << "values stay";
  EXPECT_FALSE(plat::windowExists(kSubsetWindow));
}

}  // namespace
