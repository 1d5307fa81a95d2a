// The window scans driven headlessly from the menu: the interval typed into
// the Scan Interval window, the statistics of the window found, "Set Block"
// and the recorded step; an interval longer than the block asked again; the
// distribution of the found window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <string>

#include "analyses/scans.h"
#include "analyses/statspanel.h"
#include "analyses/ui/analyses_commands.h"
#include "analyses/ui/histogram.h"
#include "analyses/ui/scans.h"
#include "output/results.h"
#include "output/scaling.h"
#include "output/ui/destination.h"
#include "output/ui/output_commands.h"
#include "output/ui/tabular_dialog.h"
#include "platform/controls.h"
#include "platform/macroman.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/plot_commands.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/recording.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/worktables.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "respirometry/ui/convol.h"
#include "support/gui_support.h"
#include "support/window_support.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "respirometry/ui/respirometry_commands.h"
#include "platform/test.h"

namespace {

using plat::test::Script;

std::string Field(int id) { return plat::fieldText(kResultsWindow, id); }

class ScanWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForAnalysisTest();
    prefsArray[kPrefSoundLevel] = 25;
    RegisterRespirometryCommands();   // the constant-volume set-up
    ResetAllScaling();
    Rscale = 0;
    AvoidInterpolation = 0;
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    startsize = 0.0f;
    ConstScan = 0;
    MMLBegin = 0;

    // Cases 1..10 hold the worked example; the block is those ten cases.
    ASSERT_EQ(AllocateSlot(0, 30, 2), StoreStatus::Ok);
    const float v[] = {5, 3, 1, 2, 8, 9, 1, 1, 7, 4};
    for (int32_t k = 0; k <= 30; ++k) {
      PutDatum(0, 1, k, k >= 1 && k <= 10 ? v[k - 1] : 50.0f);
      PutDatum(0, 2, k, 100.0f + k);
    }
    testsupport::DescribeFile(0, "scan", 1.0f, {"VO2"});
    testsupport::SelectBlock(0, 1, 10);
  }

  void TearDown() override {
    autoscript = 0;
    ConstScan = 0;
    testsupport::EndWindowTest();
  }

  testsupport::PlotGeometryKeeper keptGeometry_;
};

TEST_F(ScanWindow, MinimumWithATwoSecondIntervalThenSetBlock) {
  RecordSCRIPT = 1;
  Script s;
  s.type(kScanIntervalWindow, kScanSecondsField, "2").call([] {
    EXPECT_EQ(startsize, 4.0f) << "half the block, whole seconds";
    EXPECT_TRUE(plat::controlExists(kScanIntervalWindow, 42)) << "the 5-s preset for a 1-s interval";
    plat::test::saveArtifact(plat::test::windowImage(kScanIntervalWindow), "scan-interval.png");
  });
  s      .click(kScanIntervalWindow, kScanIntervalOK)
      .call([] {
        EXPECT_EQ(MMLpoints, 3);
        EXPECT_EQ(MMLBegin, 2);
        EXPECT_EQ(Field(kPanelMeanField), " 2");
        EXPECT_EQ(Field(kPanelSDField), " 0.8165");
        EXPECT_EQ(Field(kPanelNField), " 3");
        EXPECT_EQ(Field(kScanResultLine), "Minimum for channel 1 at cases 2 to 4");
        plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "scan-minimum.png");
      })
      .click(kResultsWindow, kSetBlockButton)
      .closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 2)); });
  EXPECT_EQ(BeginBlock[0], 2);
  EXPECT_EQ(EndBlock[0], 4);
  plat::test::saveArtifact(plat::test::windowImage(kBlockWindow), "scan-set-block.png");
  plat::test::saveArtifact(plat::test::windowImage(PlotWindowId(0)), "scan-set-block-plot.png");
  EXPECT_EQ(topic, kTopicMeanMinimum);
  EXPECT_EQ(Analysis_Code, 2);
  EXPECT_DOUBLE_EQ(meanValue, 2.0);
  EXPECT_EQ(startsize, 2.0f);
  ASSERT_EQ(ScriptCOUNT, 1);
  EXPECT_EQ(ScriptSequenceArray[1][1], 13.0f);
  EXPECT_EQ(ScriptSequenceArray[1][2], 2.0f) << "the interval replays without asking";
  EXPECT_EQ(ScriptSequenceArray[1][0], 1.0f) << "the step sets its own block";
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  EXPECT_EQ(GetDatum(0, 0, 0), 0.0f);
}

TEST_F(ScanWindow, ConstantVolumeButtonAsksForTheChamberSetUp) {
  DoConstantVolume = 0;
  auto idle = [](Script& s) { s.call([] {}).call([] {}).call([] {}); };
  Script s;
  s.click(kScanIntervalWindow, kScanIntervalOK);
  s.click(kResultsWindow, kConstantVolumeButton);
  idle(s);
  // Switching on asks for the chamber's set-up: its window takes the values.
  s.type(kConvolWindow, kConvolMinutes, "\b\b\b\b\b\b10");
  s.type(kConvolWindow, kConvolPressure, "\b\b\b\b\b\b760");
  s.click(kConvolWindow, kConvolDone);
  idle(s);
  s.call([] {
    EXPECT_FALSE(plat::windowExists(kConvolWindow));
    EXPECT_EQ(plat::buttonState(kResultsWindow, kConstantVolumeButton), 2);
  });
  s.click(kResultsWindow, kConstantVolumeButton);   // off again: nothing to ask
  idle(s);
  s.call([] { EXPECT_FALSE(plat::windowExists(kConvolWindow)); });
  s.closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 2)); });
  EXPECT_EQ(DoConstantVolume, 0);
}

TEST_F(ScanWindow, ReplayedStepScansWithoutAskingAndSetsItsBlock) {
  float (&step)[28] = ScriptSequenceArray[1];
  std::fill(std::begin(step), std::end(step), 0.0f);
  step[0] = 1.0f;    // the step sets its own block
  step[1] = 13.0f;
  step[2] = 2.0f;    // the interval
  RunScript = 1;
  ScriptCOUNT = 1;
  autoscript = 1;
  Script s;
  s.key(kResultsWindow, 13);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 2)); });
  RunScript = 0;
  autoscript = 0;
  EXPECT_EQ(ConstScan, 1) << "an automatic run re-uses the interval";
  EXPECT_EQ(BeginBlock[0], 2);
  EXPECT_EQ(EndBlock[0], 4);
}

TEST_F(ScanWindow, AutorepeatRescansANewBlockWithTheRememberedInterval) {
  Analysis_Code = 3;   // a maximum scan ran last
  topic = 0;
  ConstScan = 1;
  startsize = 2.0f;
  BeginBlock[0] = 4;
  EndBlock[0] = 10;
  Script s;
  s.closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(RunCommand(Cmd::AutoRepeat)); });
  EXPECT_EQ(topic, kTopicMeanMaximum);
  EXPECT_EQ(MMLBegin, 4) << "2 + 8 + 9, the largest sum, from case 4";
  EXPECT_EQ(MMLpoints, 3);
}

TEST_F(ScanWindow, TooLongAnIntervalIsAskedAgainAndClosingEndsTheCommand) {
  Script s;
  s.type(kScanIntervalWindow, kScanSecondsField, "60")
      .click(kScanIntervalWindow, kScanIntervalOK)
      .click(kAlertWindow, kAlertOK)
      .call([] { EXPECT_TRUE(plat::windowExists(kScanIntervalWindow)) << "asked again"; })
      .closeBox(kScanIntervalWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 3)); });
  EXPECT_FALSE(plat::windowExists(kResultsWindow)) << "closing the interval window ends the command";
  EXPECT_EQ(MMLBegin, 0) << "no window was scanned";
}

TEST_F(ScanWindow, AnotherChannelShowsTheSameWindowOrIsRescanned) {
  // Channel 2 rises (101, 102, ...): its own minimum is the first window.
  const struct {
    bool rescan;
    int16_t inCh;
    int32_t begin;
    double mean;
  } cases[] = {{false, 1, 2, 103.0}, {true, 2, 1, 102.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rescan);
    ScanNewSelectedChannel = 0;
    Script s;
    s.type(kScanIntervalWindow, kScanSecondsField, "2").click(kScanIntervalWindow, kScanIntervalOK);
    if (c.rescan) s.click(kResultsWindow, kRescanChannelsButton);
    s.click(kResultsWindow, 2).closeBox(kResultsWindow);
    plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 2)); });
    EXPECT_EQ(ch, 2);
    EXPECT_EQ(InCH, c.inCh) << "the result line names the scanned channel";
    EXPECT_EQ(MMLBegin, c.begin);
    EXPECT_DOUBLE_EQ(meanValue, c.mean);
  }
  ScanNewSelectedChannel = 0;
}

TEST_F(ScanWindow, NoQualifyingWindowShowsTheFailureAndSetBlockStaysInert) {
  // Every case from 1 on is interpolated.
  ASSERT_EQ(SetMarkers(0, {{1, kInterpolationOpen}}), 0);
  AvoidInterpolation = 1;
  MMLBegin = 25;   // a window of an earlier scan, outside this block
  MMLpoints = 3;
  Script s;
  s.type(kScanIntervalWindow, kScanSecondsField, "2")
      .click(kScanIntervalWindow, kScanIntervalOK)
      .call([] { plat::test::saveArtifact(plat::test::windowImage(kScanFailureWindow), "scan-failure.png"); })
      .click(kScanFailureWindow, 2)
      .click(kResultsWindow, kSetBlockButton)
      .closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 2)); });
  EXPECT_TRUE(testsupport::SoundPlayed("bzot"));
  EXPECT_EQ(BeginBlock[0], 1) << "no stale window becomes the block";
  EXPECT_EQ(EndBlock[0], 10);
  EXPECT_EQ(MMLBegin, 25);
  AvoidInterpolation = 0;
}

// With interpolation checking the window found shows, stores and replays
// the count of the cases its mean used, and its own cases.
TEST_F(ScanWindow, WithInterpolationCheckingNCountsTheCasesUsed) {
  namespace fs = std::filesystem;
  // Readings of 10; 3..5 interpolated, real lows of 7 over 6..8 and of 7.5
  // over 14..19.
  for (int32_t k = 1; k <= 20; ++k)
    PutDatum(0, 1, k, k >= 6 && k <= 8 ? 7.0f : k >= 14 && k <= 19 ? 7.5f : 10.0f);
  testsupport::SelectBlock(0, 1, 20);
  ASSERT_EQ(SetMarkers(0, {{3, kInterpolationOpen}, {5, kInterpolationClose}}), 0);
  AvoidInterpolation = 1;
  RecordSCRIPT = 1;
  const fs::path dir = testsupport::FreshTestDir("scan-interpolated-");
  PortForResultsOutput = kPortTextFile;
  Script open;
  open.answerSave(dir / "scan.txt");
  plat::test::run(open, [] { EXPECT_EQ(OPEN_OUTPUT_PORT(), 1); });
  Script s;
  s.type(kScanIntervalWindow, kScanSecondsField, "5")
      .click(kScanIntervalWindow, kScanIntervalOK)
      .call([] {
        EXPECT_EQ(MMLBegin, 3);
        EXPECT_EQ(MMLpoints, 6);
        EXPECT_EQ(Field(kPanelMeanField), " 7");
        EXPECT_EQ(Field(kPanelNField), " 3");
        EXPECT_EQ(Field(kPanelDurationField), ElapsedTimeTexts(6, 1.0f, IntegrationUnit).duration) << "the window's";
        plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "scan-minimum-interpolated.png");
      })
      .key(kResultsWindow, 'p')
      .closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 2)); });
  RecordSCRIPT = 0;
  CloseDestination();
  const std::string text = plat::fromDiskText(testsupport::ReadFileBytes(dir / "scan.txt"));
  EXPECT_NE(text.find("MEAN MINIMUM at cases 3 to 8 ( 5 sec )"), std::string::npos) << text;
  // The total spans the whole window, as on the screen: 6 * 7 / 60.
  EXPECT_NE(text.find("Mean =  7     N =  3\r"), std::string::npos) << text;
  EXPECT_NE(text.find("integrated total =  0.7\r"), std::string::npos) << text;

  PortForResultsOutput = kPortTabular;
  Script tab;
  tab.click(kOutputOptionsWindow, 20).answerSave(dir / "scan-tab.txt");
  plat::test::run(tab, [] { EXPECT_EQ(OPEN_OUTPUT_PORT(), 1); });
  ASSERT_EQ(ScriptCOUNT, 1);
  MMLBegin = 0;
  nrPoints = 0;
  RunScript = 1;
  autoscript = 1;
  Script replay;
  replay.key(kResultsWindow, 'p').key(kResultsWindow, 13);
  plat::test::run(replay, [] { EXPECT_TRUE(DoMENU(3, 2)); });
  RunScript = 0;
  CloseDestination();
  PortForResultsOutput = kPortNone;
  EXPECT_EQ(MMLBegin, 3);
  EXPECT_EQ(nrPoints, 3);
  const std::string row = plat::fromDiskText(testsupport::ReadFileBytes(dir / "scan-tab.txt"));
  EXPECT_NE(row.find(" 7\t 2.12132\t 3\t 7\t 10\t"), std::string::npos) << row;
  AvoidInterpolation = 0;
}

TEST_F(ScanWindow, PointToPointVariantAndTheBigDistribution) {
  Script s;
  s.type(kScanIntervalWindow, kScanSecondsField, "2")
      .click(kScanIntervalWindow, kScanIntervalOK)
      .click(kScanIntervalWindow, kPointToPointButton)
      .call([] {
        EXPECT_EQ(MMLBegin, 5) << "the tie with the window at 8 goes to the earlier";
        EXPECT_EQ(topic, kTopicMostVariablePoint);
      })
      .click(kResultsWindow, kBigHistogramButton)
      .type(kHistogramWindow, kHistBinsField, "200")
      .call([] { EXPECT_EQ(plat::fieldText(kHistogramWindow, kHistFullestField), " 2"); })
      .click(kHistogramWindow, kHistUseBins)
      .click(kHistogramWindow, kHistNormalBox)
      .call([] {
        EXPECT_EQ(plat::fieldText(kHistogramWindow, kHistBinsField), "3") << "130 asked, the 3 cases' bins drawn";
        plat::test::saveArtifact(plat::test::windowImage(kHistogramWindow), "histogram-big.png");
      })
      .click(kHistogramWindow, kHistClose)
      .closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 5)); });
  EXPECT_EQ(Analysis_Code, 11);
}

}  // namespace
