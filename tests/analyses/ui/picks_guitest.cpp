// The click tools, the automatic-block dialog and the cross-channel subset
// dialog driven headlessly from the menu.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

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
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "support/gui_support.h"
#include "support/program_support.h"
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

  // Backspace, and the Delete key that once did nothing though the hint names it.
  for (const int key : {8, 127}) {
    SCOPED_TRACE(key);
    Script r;
    r.clickAt(plot, At(1)).clickAt(plot, At(2)).clickAt(plot, At(6)).key(plot, key).key(plot, key).key(plot, 13);
    plat::test::run(r, [] { EXPECT_TRUE(DoMENU(3, 8)); });
    EXPECT_EQ(nrPoints, 2) << "only the last pick goes";
    EXPECT_EQ(StandardDeviation, 0.5f) << "the SD of the two left, never a stale one";
    // Two values show no spread: the three picks' S.D., S.E. and C.V. go with their labels.
    for (int16_t id : {kPanelSDField, kPanelCVField, kPanelSEField})
      EXPECT_FALSE(plat::controlExists(kResultsWindow, id)) << id;
  }
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

// The click tools from the program's start-up on the demo recording, with a
// pick taken back.
class PicksTakenBack : public ::testing::Test {
 protected:
  void SetUp() override {
    slot_ = testsupport::StartProgramOnDemo();
    ASSERT_GE(slot_, 0);
  }
  void TearDown() override { testsupport::StopProgram(); }

  // The value and time under x of the paged view the tools pick in.
  float valueAt(int x) const { return GetDatum(slot_, ActiveChannel, caseAt(x)); }
  float timeAt(int x) const { return static_cast<float>(caseAt(x)) * FileInfoFLOATS[slot_][kInfoInterval]; }
  int32_t caseAt(int x) const { return plotcore::CaseAtPixel(PlotViewState(slot_), x); }
  // Pixels of the pick line at x: its colour anywhere on the column.
  int lineInk(int x, QRgb colour) const {
    const QImage img = plat::test::portImage(PlotWindowId(slot_)).convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 61; y < BottomOfPlotArea - 4; ++y) n += (img.pixel(x, y) & 0xF0F0F0u) == (colour & 0xF0F0F0u);
    return n;
  }
  // A step runs at a poll, possibly before the event just posted is handled
  // or while a sound plays: idle polls let the tool finish with it first.
  static Script& settle(Script& s) {
    for (int i = 0; i < 12; ++i) s.call([] {});
    return s;
  }
  static std::vector<std::string> textsStarting(int win, const std::string& head) {
    std::vector<std::string> out;
    for (const std::string& t : plat::test::drawnTexts(win))
      if (t.rfind(head, 0) == 0) out.push_back(t);
    return out;
  }

  int16_t slot_ = -1;
};

constexpr QRgb kYellowLine = qRgb(0xFC, 0xF3, 0x05);
constexpr QRgb kGreenLine = qRgb(0x00, 0x80, 0x11);

// Delete with the first point of a new pair placed takes back the last whole
// pair: its two lines and the line between go, and so does the pending
// point, so the next two clicks make a pair of their own. The time window's
// lines show only the latest values.
TEST_F(PicksTakenBack, PairTakeBackErasesItsLinesAndDropsThePendingPoint) {
  const int16_t plot = PlotWindowId(slot_);
  const int y = BottomOfPlotArea / 2;
  const int a = 100, b = 160, c = 220, d = 300, e = 380, f = 450, g = 520;
  int inkBefore[3] = {}, inkAfter[5] = {}, bottomLeft = -1;
  std::vector<std::string> ranges, integrated, cuts;
  Script s;
  s.clickAt(plot, {a, y}).clickAt(plot, {b, y}).clickAt(plot, {c, y}).clickAt(plot, {d, y});
  settle(s).call([&] {
    ranges = textsStarting(kTimeStatsWindow, "range: ");
    integrated = textsStarting(kTimeStatsWindow, "integrated time = ");
    cuts = plat::test::cutTexts(kResultsWindow);
    for (const std::string& t : plat::test::cutTexts(kTimeStatsWindow)) cuts.push_back(t);
    for (int win : {kResultsWindow, kTimeStatsWindow})
      for (const std::string& t : plat::test::drawnTextFaults(win)) cuts.push_back(t);
    plat::test::saveArtifact(plat::test::windowImage(kTimeStatsWindow), "pair-time-statistics.png");
  });
  settle(s.clickAt(plot, {e, y})).call([&] {
    inkBefore[0] = lineInk(c, kYellowLine);
    inkBefore[1] = lineInk(d, kGreenLine);
    inkBefore[2] = lineInk(e, kYellowLine);
  });
  settle(s.key(plot, 8)).call([&] {
    inkAfter[0] = lineInk(a, kYellowLine);
    inkAfter[1] = lineInk(b, kGreenLine);
    inkAfter[2] = lineInk(c, kYellowLine);
    inkAfter[3] = lineInk(d, kGreenLine);
    inkAfter[4] = lineInk(e, kYellowLine);
    // The taken pair's line along the bottom goes with its ends.
    const QImage img = plat::test::portImage(plot).convertToFormat(QImage::Format_RGB32);
    const QRgb back = img.pixel(e + 20, BottomOfPlotArea - 4);
    bottomLeft = 0;
    for (int x = c; x <= d; ++x) bottomLeft += img.pixel(x, BottomOfPlotArea - 4) != back;
    plat::test::saveArtifact(plat::test::portImage(plot), "pair-take-back.png");
  });
  float first = 0, second = 0, firstTime = 0, secondTime = 0;
  settle(s.clickAt(plot, {f, y}).clickAt(plot, {g, y})).call([&] {
    first = std::fabs(valueAt(a) - valueAt(b));
    second = std::fabs(valueAt(f) - valueAt(g));
    firstTime = std::fabs(timeAt(b) - timeAt(a));
    secondTime = std::fabs(timeAt(g) - timeAt(f));
  });
  s.key(plot, 13);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 9)); });

  EXPECT_EQ(ranges.size(), 1u) << "the range line drawn over the last one: " << ::testing::PrintToString(ranges);
  EXPECT_EQ(integrated.size(), 1u) << ::testing::PrintToString(integrated);
  EXPECT_TRUE(cuts.empty()) << ::testing::PrintToString(cuts);
  for (int i = 0; i < 3; ++i) EXPECT_GT(inkBefore[i], 50) << "line " << i << " drawn";
  EXPECT_GT(inkAfter[0], 50) << "the kept pair's first line stays";
  EXPECT_GT(inkAfter[1], 50) << "the kept pair's second line stays";
  EXPECT_EQ(inkAfter[2], 0) << "the taken pair's first line goes";
  EXPECT_EQ(inkAfter[3], 0) << "the taken pair's second line goes";
  EXPECT_EQ(inkAfter[4], 0) << "the pending point's line goes";
  EXPECT_EQ(bottomLeft, 0) << "pixels of the taken pair left along the bottom";
  EXPECT_EQ(nrPoints, 2);
  EXPECT_DOUBLE_EQ(meanValue, (static_cast<double>(first) + second) / 2.0) << "the last pair is f, g";
  EXPECT_FLOAT_EQ(tmFloat, (firstTime + secondTime) / 2.0f);
}

// Taking back the only pick leaves no number of it on the screen or in the
// result a store would write.
TEST_F(PicksTakenBack, TheOnlyPickTakenBackClearsItsNumbers) {
  const int16_t plot = PlotWindowId(slot_);
  const int y = BottomOfPlotArea / 2;
  std::vector<std::string> cuts, counter;
  bool meanShown = false, totalShown = true;
  Script s;
  settle(s.clickAt(plot, {200, y})).call([&] {
    cuts = plat::test::cutTexts(kResultsWindow);
    for (const std::string& t : plat::test::drawnTextFaults(kResultsWindow)) cuts.push_back(t);
    plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "running-average-one-pick.png");
  });
  settle(s.key(plot, 8)).call([&] {
    meanShown = plat::controlExists(kResultsWindow, kPanelMeanField);
    totalShown = plat::controlExists(kResultsWindow, kPickTotalField);
    counter = textsStarting(kResultsWindow, "number of points averaged");
    plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "running-average-none-left.png");
  });
  s.key(plot, 13);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 8)); });
  EXPECT_TRUE(cuts.empty()) << ::testing::PrintToString(cuts);
  EXPECT_FALSE(meanShown);
  EXPECT_FALSE(totalShown);
  ASSERT_EQ(counter.size(), 1u) << ::testing::PrintToString(counter);
  EXPECT_EQ(TrimTrailingBlanks(counter[0]), "number of points averaged =  0");
  EXPECT_EQ(nrPoints, 0);
  EXPECT_EQ(meanValue, 0.0);
  EXPECT_EQ(mi, 0.0f);
  EXPECT_EQ(ma, 0.0f);

  // The pair tool's only pair taken back: both windows cleared.
  bool timeMeanShown = true;
  std::vector<std::string> timeCounter;
  Script p;
  settle(p.clickAt(plot, {200, y}).clickAt(plot, {300, y}).key(plot, 8)).call([&] {
    timeMeanShown = plat::controlExists(kTimeStatsWindow, kTimeStatsMeanField);
    timeCounter = textsStarting(kTimeStatsWindow, "Total time differences averaged");
  });
  p.key(plot, 13);
  plat::test::run(p, [] { EXPECT_TRUE(DoMENU(3, 9)); });
  EXPECT_FALSE(timeMeanShown);
  ASSERT_EQ(timeCounter.size(), 1u) << ::testing::PrintToString(timeCounter);
  EXPECT_EQ(TrimTrailingBlanks(timeCounter[0]), "Total time differences averaged =  0");
  EXPECT_EQ(nrPoints, 0);
  EXPECT_EQ(tmFloat, 0.0f);
  EXPECT_EQ(tma, 0.0f);
}

}  // namespace
