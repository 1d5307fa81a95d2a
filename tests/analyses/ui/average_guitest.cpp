// "Basic Descriptive Stats" driven headlessly: the panel of a known block,
// result scaling, limits clicked into the block window, the value range,
// channel keys, Autorepeat, the recorded script step, storing a tabular row
// and refusing an empty span.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "analyses/descriptive.h"
#include "analyses/statspanel.h"
#include "analyses/ui/analyses_commands.h"
#include "analyses/ui/average.h"
#include "output/results.h"
#include "output/scaling.h"
#include "output/ui/destination.h"
#include "output/ui/output_commands.h"
#include "output/ui/tabular_dialog.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/draw.h"
#include "plot/ui/infoline.h"
#include "plot/ui/plot_commands.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/menutable.h"
#include "shell/recording.h"
#include "shell/ui/menubar.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/worktables.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "support/gui_support.h"
#include "support/window_support.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

std::string Field(int id) { return plat::fieldText(kResultsWindow, id); }

class StatsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    gOutputUiHooks = {};
    testsupport::ResetForAnalysisTest();
    prefsArray[kPrefSoundLevel] = 25;
    prefsArray[kPrefBlockSounds] = 1;
    ResetAllScaling();
    Rscale = 0;
    AvoidInterpolation = 0;
    UseCrossChanIndex = 0;
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    PortForResultsOutput = kPortNone;

    ASSERT_EQ(AllocateSlot(0, 20, 2), StoreStatus::Ok);
    for (int32_t k = 0; k <= 20; ++k) {
      PutDatum(0, 1, k, 100.0f);
      PutDatum(0, 2, k, 1000.0f);
    }
    for (int32_t k = 1; k <= 5; ++k) {
      PutDatum(0, 1, k, static_cast<float>(k));
      PutDatum(0, 2, k, 10.0f * k);
    }
    testsupport::DescribeFile(0, "run1", 1.0f, {"O2", "CO2"});
    FileInfoFLOATS[0][kInfoStartMinutes] = 600.0f;
    testsupport::SelectBlock(0, 1, 5);
    ASSERT_TRUE(plat::windowExists(kBlockWindow));
  }

  void TearDown() override {
    CloseDestination();
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    Rscale = 0;
    AvoidInterpolation = 0;
    ResetAllScaling();
    testsupport::ClearStore();
    ClearCommandRegistry();
    gOutputUiHooks = {};
    gDispatchHooks = {};
  }

  // The pixel where a click snaps to the case `offset` cases into the block.
  static plat::Point LimitPoint(int32_t offset) {
    const float s = LimitPixelsPerCase(RightLim, BeginBlock[0], EndBlock[0]);
    return {static_cast<int>(std::lround(offset * s)), UpperLimit / 2};
  }

  static void RunStats(Script s) {
    s.closeBox(kResultsWindow);
    plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 1)); });
  }

  testsupport::PlotGeometryKeeper keptGeometry_;
};

TEST_F(StatsWindow, KnownBlockFillsThePanelAndLeavesTheResult) {
  Script s;
  s.call([] {
    EXPECT_EQ(plat::title(kResultsWindow), kStatsWindowTitle);
    EXPECT_EQ(Field(kPanelMeanField), " 3");
    EXPECT_EQ(Field(kPanelSDField), " 1.41421");
    EXPECT_EQ(Field(kPanelSEField), " 0.63246");
    EXPECT_EQ(Field(kPanelNField), " 5");
    EXPECT_EQ(Field(kPanelRangeField), " 1  to  5");
    EXPECT_EQ(Field(kPanelCVField), " 47.140 %");
    // 3 per case over 5 cases of 1 s, per minute: 3 * 5 / 60.
    EXPECT_EQ(Field(kPanelTotalField), " 0.25");
    EXPECT_EQ(plat::buttonState(kResultsWindow, 1), 2) << "the analysed channel is marked";
    EXPECT_EQ(plat::buttonState(kResultsWindow, kUnitMinutes), 2);
    EXPECT_EQ(GetDatum(0, 0, 0), kPanelBuiltMark);
    EXPECT_GE(plat::contentSize(kResultsWindow).h, kStatsWindowHeight) << "every control lies inside";
    plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "descriptive-stats.png");
  });
  IntegrationUnit = kUnitNone;   // "None" is replaced by "/min" on entry
  RunStats(s);
  EXPECT_EQ(topic, kTopicBasicStats);
  EXPECT_EQ(Analysis_Code, 1);
  EXPECT_DOUBLE_EQ(meanValue, 3.0);
  EXPECT_FLOAT_EQ(StandardDeviation, std::sqrt(2.0f));
  EXPECT_EQ(nrPoints, 5);
  EXPECT_EQ(BGA, 1);
  EXPECT_EQ(EDA, 5);
  EXPECT_EQ(IntegrationUnit, kUnitMinutes);
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  EXPECT_EQ(GetDatum(0, 0, 0), 0.0f) << "the built mark is cleared on leaving";
}

TEST_F(StatsWindow, ScalingChangesTheShownMeanAndStoreOffersIt) {
  StoreScalingEntry(1, {1.0f, 2.0f, 10.0f});
  Script s;
  s.click(kResultsWindow, kScaleButton).call([] {
    EXPECT_EQ(Rscale, 1);
    EXPECT_EQ(Field(kPanelMeanField), " 16");
    EXPECT_EQ(Field(kPanelSDField), " 2.82843") << "a spread is only multiplied";
    EXPECT_EQ(Field(kPanelRangeField), " 12  to  20");
  });
  s.click(kResultsWindow, kScaleButton).call([] { EXPECT_EQ(Field(kPanelMeanField), " 3"); });
  // "Store" offers the mean: divide channel 1 by it.
  s.click(kResultsWindow, kScaleButton).click(kResultsWindow, kStoreButton).click(kSecondaryWindow, 1);
  s.click(kSecondaryWindow, kScaleDoneButton).call([] {
    EXPECT_EQ(Field(kPanelMeanField), " 11") << "10 + 3 / 3 as soon as the dialog closes";
  });
  RunStats(s);
  EXPECT_EQ(ScalingEntryOf(1), (ScalingEntry{0.0f, 3.0f, 10.0f}));
  EXPECT_EQ(Rscale, 0) << "scaling is switched off when the window closes";
  EXPECT_TRUE(testsupport::SoundPlayed("downvip"));
  EXPECT_TRUE(testsupport::SoundPlayed("upvip"));
}

// Steps run at any poll, also while the arrow blinks; the results are
// checked once the window has closed.
TEST_F(StatsWindow, RightLimitClickedIntoTheBlockWindowEndsTheSpan) {
  const QImage before = plat::test::portImage(kBlockWindow);
  QImage limited;
  Script s;
  s.click(kResultsWindow, kStatsRightLimit).press(kBlockWindow, LimitPoint(2)).release();
  // The scaling dialog of "Store" shows the factors in use and leaves the
  // limit's shading as the statistics use it.
  for (int k = 0; k < 20; ++k) s.call([] {});   // the arrow's blinking takes these
  s.call([&] { limited = plat::test::portImage(kBlockWindow); })
      .click(kResultsWindow, kStoreButton)
      .clickField(kSecondaryWindow, kScaleFactorFieldBase + 1)   // waits for the dialog
      .call([] { EXPECT_EQ(plat::fieldText(kSecondaryWindow, kScaleFactorFieldBase + 2), "1"); })
      .click(kSecondaryWindow, kScaleDoneButton)
      .call([&] { EXPECT_EQ(plat::test::portImage(kBlockWindow), limited); })
      .menu(kScaleResultsPick.menu, kScaleResultsPick.item)   // the same dialog from the menu
      .clickField(kSecondaryWindow, kScaleFactorFieldBase + 1)
      .click(kSecondaryWindow, kScaleDoneButton)
      .call([] {})
      .call([&] { EXPECT_EQ(plat::test::portImage(kBlockWindow), limited); });
  MAINMENU();
  RunStats(s);
  EXPECT_EQ(EDA, 3);
  EXPECT_EQ(nrPoints, 3);
  EXPECT_DOUBLE_EQ(meanValue, 2.0);
  EXPECT_TRUE(testsupport::SoundPlayed("hibeep"));
  EXPECT_FALSE(testsupport::SoundPlayed("beep"));
  const QImage after = plat::test::portImage(kBlockWindow);
  int diffs = 0, firstX = -1, firstY = -1;
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x)
      if (after.pixel(x, y) != before.pixel(x, y) && diffs++ == 0) {
        firstX = x;
        firstY = y;
      }
  EXPECT_EQ(diffs, 0) << "leaving removes the shading; first at " << firstX << "," << firstY;
}

TEST_F(StatsWindow, LeftLimitSnapsToTheNearestCaseAndAPressOutsideBeeps) {
  Script s;
  const plat::Point near = {LimitPoint(1).x + 3, UpperLimit / 2};   // nearer case 1 than case 2
  s.click(kResultsWindow, kStatsLeftLimit)
      .press(kBlockWindow, {near.x, UpperLimit + 5})
      .release()
      .press(kBlockWindow, near)
      .release();
  RunStats(s);
  EXPECT_TRUE(testsupport::SoundPlayed("beep"));
  EXPECT_TRUE(testsupport::SoundPlayed("lobeep"));
  EXPECT_EQ(BGA, 2);
  EXPECT_EQ(nrPoints, 4);
  EXPECT_DOUBLE_EQ(meanValue, 3.5);
}

TEST_F(StatsWindow, LimitShadingAndArrowAreUndoneByDrawingThemAgain) {
  const QImage before = plat::test::portImage(kBlockWindow);
  const int16_t left = LimitPoint(1).x, right = LimitPoint(3).x;
  FIXLIMITS(1, 1, left, right);
  EXPECT_NE(plat::test::portImage(kBlockWindow), before);
  FIXLIMITS(1, 1, left, right);
  EXPECT_EQ(plat::test::portImage(kBlockWindow), before);
  for (uint16_t side : {0, 1}) {
    LIMITARROW(side);
    EXPECT_NE(plat::test::portImage(kBlockWindow), before);
    LIMITARROW(side);
    EXPECT_EQ(plat::test::portImage(kBlockWindow), before);
  }
  // The left shading leaves the window's top-left corner alone.
  HorizPosition = static_cast<int16_t>(RightLim - 1);
  DrawLEFT();
  const QImage shaded = plat::test::portImage(kBlockWindow);
  EXPECT_EQ(shaded.pixel(5, 5), before.pixel(5, 5));
  EXPECT_NE(shaded.copy(0, 20, RightLim, 20), before.copy(0, 20, RightLim, 20));
  DrawLEFT();
}

TEST_F(StatsWindow, ValueRangeNeedsThreeCasesAndKeepsThePreviousResult) {
  Script s;
  s.click(kResultsWindow, kStatsSelect).call([] { EXPECT_EQ(Field(kPanelNField), " 5"); });
  // Upper bound 2 from the field: only 1 and 2 lie in range.
  s.type(kResultsWindow, kStatsMaxField, "\b\b\b\b\b\b2").click(kResultsWindow, kStatsMaxSwitch);
  s.call([] {
    EXPECT_TRUE(testsupport::SoundPlayed("bzot"));
    EXPECT_EQ(Field(kPanelMeanField), " 3") << "the previous result stays";
    EXPECT_EQ(nrPoints, 5);
    EXPECT_EQ(plat::buttonState(kResultsWindow, kStatsMaxSwitch), 1) << "shown released";
  });
  // Bounds 2 and 4, both included: 2, 3, 4.
  s.type(kResultsWindow, kStatsMaxField, "\b4").type(kResultsWindow, kStatsMinField, "\b\b\b\b\b\b2");
  s.click(kResultsWindow, kStatsMinSwitch).call([] {
    EXPECT_EQ(Field(kPanelNField), " 3");
    EXPECT_EQ(Field(kPanelRangeField), " 2  to  4");
  });
  RunStats(s);
}

TEST_F(StatsWindow, KeysSwitchChannelsOpenHelpAndIgnoreMissingChannels) {
  Script s;
  s.key(kResultsWindow, '2').call([] {
    EXPECT_EQ(ch, 2);
    EXPECT_EQ(chanB, 2u);
    EXPECT_EQ(Field(kPanelMeanField), " 30");
    EXPECT_EQ(plat::buttonState(kResultsWindow, 1), 1);
    EXPECT_EQ(plat::buttonState(kResultsWindow, 2), 2);
  });
  s.key(kResultsWindow, '9').key(kResultsWindow, '?').call([] { EXPECT_EQ(ch, 2) << "no channel 9"; });
  RunStats(s);
  ASSERT_FALSE(plat::test::helpSubjects().empty());
  EXPECT_EQ(plat::test::helpSubjects().back(), kStatsHelpSubject);
  EXPECT_EQ(chanB, 1u) << "the block window goes back to the active channel";
}

TEST_F(StatsWindow, AutorepeatRerunsOnANewBlock) {
  RunStats(Script{});
  BeginBlock[0] = 3;
  EndBlock[0] = 5;
  prefsArray[14] = 1;
  Script s;
  s.call([] { EXPECT_EQ(Field(kPanelMeanField), " 4"); });
  s.closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(RunCommand(Cmd::AutoRepeat)); });
  EXPECT_DOUBLE_EQ(meanValue, 4.0);
  EXPECT_EQ(nrPoints, 3);

  // No analysis ran last (code 99): nothing re-runs.
  Analysis_Code = 99;
  meanValue = -1.0;
  plat::test::run(Script{}, [] { RunCommand(Cmd::AutoRepeat); });
  EXPECT_EQ(meanValue, -1.0);
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
}

TEST_F(StatsWindow, RecordsAZeroedStepWhileRecording) {
  for (float& f : ScriptSequenceArray[1]) f = 7.0f;
  RecordSCRIPT = 1;
  ScriptCOUNT = 0;
  RunStats(Script{});
  EXPECT_EQ(ScriptCOUNT, 1u);
  // Nothing stale: the operation and the unit the total was given in.
  const auto unit = static_cast<float>(IntegrationUnit);
  for (int i = 0; i < 28; ++i)
    EXPECT_EQ(ScriptSequenceArray[1][i], i == 1 ? 12.0f : i == kStepTotalUnit ? unit : 0.0f) << "field " << i;

  ScriptCOUNT = 41;
  ScriptSequenceArray[42][1] = 0.0f;
  RunStats(Script{});
  EXPECT_EQ(ScriptCOUNT, 41u) << "no step after the 41st";
  EXPECT_EQ(ScriptSequenceArray[42][1], 0.0f);
}

TEST_F(StatsWindow, StoreKeyAppendsATabularRowAndShowsTheDisk) {
  const fs::path dir = testsupport::FreshTestDir("corvimet-stats-");
  PortForResultsOutput = kPortTabular;
  Script open;
  open.click(kOutputOptionsWindow, 20).answerSave(dir / "stats.txt");
  plat::test::run(open, [] { EXPECT_EQ(OPEN_OUTPUT_PORT(), 1); });
  ASSERT_EQ(PortForResultsOutput, kPortTabular);

  Script s;
  s.key(kResultsWindow, 'p').call([] {
    const QImage img = plat::test::portImage(kResultsWindow);
    EXPECT_EQ(QColor(img.pixel(311, 10)), QColor(0, 255, 255)) << "disk icon drawn";
  });
  topic = kTopicBasicStats;
  RunStats(s);
  CloseDestination();
  std::ifstream in(dir / "stats.txt", std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  EXPECT_NE(text.find("\n 3\t 1.41421\t 5\t 1\t 5\t"), std::string::npos) << text;
  fs::remove_all(dir);
}

TEST_F(StatsWindow, AnEmptySpanIsRefusedWithAnAlertNotANaN) {
  ASSERT_EQ(AddMarker(0, 1, 200), StoreStatus::Ok);
  ASSERT_EQ(AddMarker(0, 5, 199), StoreStatus::Ok);
  AvoidInterpolation = 1;
  meanValue = -7.0;
  Script s;
  s.click(kAlertWindow, kAlertOK).call([] {
    EXPECT_TRUE(plat::windowExists(kFilterNoticeWindow)) << "interpolated data are ignored";
    if (plat::controlExists(kResultsWindow, kPanelMeanField)) {
      EXPECT_EQ(Field(kPanelMeanField).find("nan"), std::string::npos);
    }
  });
  RunStats(s);
  EXPECT_EQ(meanValue, -7.0) << "the previous result stays";
  EXPECT_FALSE(plat::windowExists(kFilterNoticeWindow));
}

}  // namespace
