// The info line over the plot of the demo recording: which fields and
// buttons each plot width gets, the script states, the tabular counter and
// the step flash.
#include <gtest/gtest.h>

#include <vector>

#include "datafiles/datafile.h"
#include "datafiles/native_binary.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/selection.h"
#include "plot/trace.h"
#include "plot/ui/draw.h"
#include "plot/ui/infoline.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kitglobals.h"
#include "support/window_support.h"
// Last: Qt's "slots" keyword macro must not meet the menu headers.
#include "platform/test.h"

namespace {

class InfoLine : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWindowTest();
    plotcore::PlotLodCache().clear();
    prefsArray[kPrefSoundLevel] = 25;
    keptHooks_ = gPlotHooks;
    InstallInfoLineHooks();
    ASSERT_TRUE(testsupport::LoadDemo(&f_));
    OpenPlotWindow(f_);
    win_ = PlotWindowId(f_);
    ASSERT_GE(ScreenWidth, 1100);
  }
  void TearDown() override {
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    RunScript = 0;
    FileJustLoaded = 0;
    PortForResultsOutput = 0;
    gPlotHooks = keptHooks_;
    testsupport::ClearStore();
  }
  PlotHooks keptHooks_;
  int16_t f_ = -1;
  int win_ = 0;
  testsupport::PlotGeometryKeeper keptGeometry_;
};

TEST_F(InfoLine, WideAndNarrowPlots) {
  const int16_t wide = ScreenWidth;
  EXPECT_EQ(plat::fieldText(win_, kInfoFileField),
            plotcore::InfoLineText(StartDate[f_], StartTime[f_], FileInfoFLOATS[f_][kInfoInterval]));
  EXPECT_EQ(plat::fieldText(win_, kInfoFileField).substr(8, 1), "@");
  for (int id : {54, 55, 56, int{kInfoBlockLabel}, int{kBlockSpanField}, int{kMarkersButton}})
    EXPECT_TRUE(plat::controlExists(win_, id)) << id;
  EXPECT_EQ(plat::fieldText(win_, kBlockSpanField), plotcore::kBlockSpanNone);
  EXPECT_FALSE(plat::controlExists(win_, kInfoStepField));
  // One plot width of a 1-s recording spans more than 600 s: minutes.
  EXPECT_FLOAT_EQ(tracelength, FileInfoFLOATS[f_][kInfoInterval] * ScreenWidth / 60.0f);

  ScreenWidth = 1000;
  DRAWTIMEDATE();
  EXPECT_TRUE(plat::controlExists(win_, kMarkersButton));
  ScreenWidth = 900;
  DRAWTIMEDATE();
  EXPECT_FALSE(plat::controlExists(win_, kMarkersButton));
  EXPECT_TRUE(plat::controlExists(win_, kBlockSpanField));
  ScreenWidth = 831;
  DRAWTIMEDATE();
  EXPECT_FALSE(plat::controlExists(win_, kBlockSpanField));
  EXPECT_FALSE(plat::controlExists(win_, kInfoBlockLabel));
  // The block span is kept across a rebuild while a block stands.
  ScreenWidth = wide;
  DRAWTIMEDATE();
  FileSHORTS[f_][kShortBlockState] = 2;
  SetBlockSpanText(" 5 min");
  DRAWTIMEDATE();
  EXPECT_EQ(plat::fieldText(win_, kBlockSpanField), " 5 min");
}

// "Clear Overlay" appeared in the stacked view, whose strips use the same
// flags, and stayed after a "This Plot Only" overlay had gone.
TEST_F(InfoLine, ClearOverlayShowsOnlyWhileAnOverlayIsDrawn) {
  gPlotHooks.drawAllChannels = [](int16_t) {};
  gPlotHooks.multiChannelDisplay = [](int16_t) {};
  const struct {
    const char* name;
    bool stacked;
    int16_t onEveryPlot;
    std::vector<int> flagged;
    bool shown;
  } cases[] = {
      {"kept on every plot", false, 1, {2, 3}, true},
      {"this plot only, redrawn", false, 0, {2}, false},
      {"stacked strips", true, 1, {1, 2, 3}, false},
      {"only the active channel", false, 1, {1}, false},
      {"none", false, 1, {}, false},
  };
  ActiveChannel = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (int k = 0; k < kOverlayFlags; ++k) OverlayArray[f_][1][k] = 0;
    for (int k : c.flagged) OverlayArray[f_][1][k] = 1;
    FileSHORTS[f_][kShortView] = c.stacked ? 1 : 0;
    prefsArray[kPrefOverlayAll] = c.onEveryPlot;
    DRAWTIMEDATE();
    EXPECT_EQ(plat::controlExists(win_, kClearOverlayButton), c.shown);
  }
  FileSHORTS[f_][kShortView] = 0;
  prefsArray[kPrefOverlayAll] = 0;
}

TEST_F(InfoLine, MarkersButtonFollowsTheMarkers) {
  ClearNotes(f_);
  SetMarkers(f_, {});
  DRAWTIMEDATE();
  EXPECT_EQ(plat::controlTitle(win_, kMarkersButton), "Show Markers");
  EXPECT_EQ(plat::buttonState(win_, kMarkersButton), 0);
  ASSERT_EQ(AddMarker(f_, 10, 'A'), StoreStatus::Ok);
  prefsArray[10] = 1;
  DRAWTIMEDATE();
  EXPECT_EQ(plat::controlTitle(win_, kMarkersButton), "Hide Markers");
  EXPECT_EQ(plat::buttonState(win_, kMarkersButton), 1);
}

TEST_F(InfoLine, ScriptStatesAndTheStepFlash) {
  FileJustLoaded = 1;
  RunScript = 1;
  DRAWTIMEDATE();
  EXPECT_EQ(plat::fieldText(win_, kInfoFileField), " Script Running\xC9 ");
  FileJustLoaded = 0;
  RunScript = 0;
  RecordSCRIPT = 1;
  ScriptCOUNT = 3;
  DRAWTIMEDATE();
  EXPECT_EQ(plat::fieldText(win_, kInfoFileField), "      Recording Script\xC9");
  EXPECT_EQ(plat::fieldText(win_, kInfoStepField), " step 3");
  ScriptCOUNT = 40;
  const uint64_t t0 = plat::test::virtualMs();
  FLASHSCRIPTsequenceStep();
  EXPECT_EQ(RecordSCRIPT, 0);
  EXPECT_EQ(plat::fieldText(win_, kInfoStepField), " step 40");
  EXPECT_GE(plat::test::virtualMs() - t0, 100u);
  EXPECT_TRUE(testsupport::SoundPlayed("upvip"));
}

TEST_F(InfoLine, TabularCounterAndLabelLine) {
  Nresults = 7;
  PortForResultsOutput = 5;
  filestrings[2] = "run results";
  prefsArray[49] = 1;
  const QImage before = plat::test::portImage(win_);
  DRAWLABELSTUFF();
  EXPECT_EQ(prefsArray[45], 14);
  EXPECT_NE(plat::test::portImage(win_), before);
  EXPECT_EQ(plat::fieldText(win_, kTabularCounterField), "new file; total saved =  7");
  ScreenWidth = 1099;
  TabFileDATABAR();
  EXPECT_FALSE(plat::controlExists(win_, kTabularCounterField));
  prefsArray[49] = 0;
}

}  // namespace
