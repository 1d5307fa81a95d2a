// "Time Integration", "Event Counting" and "Selective Integration" driven
// headlessly from the program's own command table: typed limits, a limit
// picked with the mouse, the event panel and its details file, scaling,
// limit cursors, Autorepeat and the recorded steps.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "analyses/descriptive.h"
#include "analyses/statspanel.h"
#include "analyses/ui/analyses_commands.h"
#include "analyses/ui/average.h"
#include "analyses/ui/timeintegrate.h"
#include "calculators/conversions.h"
#include "output/results.h"
#include "output/scaling.h"
#include "output/ui/destination.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/recording.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/worktables.h"
#include "shell/ui/commands.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "support/gui_support.h"
#include "support/window_support.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

std::string Field(int id) { return plat::fieldText(kResultsWindow, id); }

// Steps that do nothing, so the window's loop acts on what came before a check.
void Snap(int win, const std::string& name) {
  plat::test::saveArtifact(plat::test::windowImage(win), name);
}

class LimitWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWindowTest();
    prefsArray[kPrefSoundLevel] = 25;
    testsupport::InstallProgramWiring();
    ResetAllScaling();
    Rscale = 0;
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    LastPosSelectiveLimit = LastNegSelectiveLimit = 0.0f;
    IntegrationUnit = kUnitSeconds;
  }
  void TearDown() override {
    CloseDestination();
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    Rscale = 0;
    ResetAllScaling();
    testsupport::ClearStore();
    testsupport::ClearWiring();
  }

  // y at cases 1..n, as the store holds a file; the block is all of them.
  void Load(const std::vector<float>& y) {
    const auto last = static_cast<int32_t>(y.size());
    ASSERT_EQ(AllocateSlot(0, last, 1), StoreStatus::Ok);
    for (int32_t k = 1; k <= last; ++k) PutDatum(0, 1, k, y[static_cast<size_t>(k - 1)]);
    testsupport::DescribeFile(0, "events", 1.0f, {"flow"});
    StartTime[0] = "00:00:00";
    testsupport::SelectBlock(0, 1, last);
    ASSERT_TRUE(plat::windowExists(kBlockWindow));
  }

  static void Run(int item, Script s) {
    s.closeBox(kResultsWindow);
    plat::test::run(s, [item] { EXPECT_TRUE(DoMENU(3, static_cast<int16_t>(item))); });
  }

  testsupport::PlotGeometryKeeper keptGeometry_;
};

const std::vector<float> kRamp{0, 1, 2, 3, 2, 1, 0, 1, 2, 3};
const std::vector<float> kEvents{0, 5, 5, 5, 0, 0, 5, 5, 0, -5, -5, 0, 0};

TEST_F(LimitWindows, TimeWithinTypedLimitsThenSelectiveByTheSwitch) {
  Load(kRamp);
  RecordSCRIPT = 1;
  for (int item : {20, 21, 22}) EXPECT_TRUE(CommandRegistered(CommandForPick(3, static_cast<int16_t>(item)))) << item;
  Script s;
  s.type(kResultsWindow, kLimitGreaterField, "\b1").type(kResultsWindow, kLimitLessField, "\b2");
  s.click(kResultsWindow, kLimitRecalculate).call([] {
    EXPECT_EQ(Field(kLimitResultField), " 5.000 sec");
    EXPECT_EQ(Field(kLimitShareField), " 55.556 ");
    Snap(kResultsWindow, "time-integration.png");
  });
  // A "Greater Than" above "Less Than" is refused, also by Return.
  s.type(kResultsWindow, kLimitGreaterField, "\b5\r").call([] {
    EXPECT_TRUE(testsupport::SoundPlayed("bzot"));
    EXPECT_EQ(Field(kLimitResultField), " 5.000 sec");
  });
  s.type(kResultsWindow, kLimitGreaterField, "\b1").click(kResultsWindow, kLimitSwitchKind).call([] {
    EXPECT_EQ(Analysis_Code, kSelectiveAnalysisCode);
    EXPECT_EQ(Field(kLimitShareField), " 60.000 %") << "9 of 15";
    Snap(kResultsWindow, "selective-integration.png");
  });
  // Minutes, then scaled by 2 with offset 10: 10 + 2 * 0.15.
  s.click(kResultsWindow, 66).call([] { EXPECT_EQ(Field(kLimitResultField), " 0.15"); });
  s.click(kResultsWindow, kScaleButton).call([] { EXPECT_EQ(Field(kLimitResultField), " 10.300"); });
  s.click(kResultsWindow, kScaleButton);
  StoreScalingEntry(1, {1.0f, 2.0f, 10.0f});
  Run(20, s);
  // The switch records no step of its own: the step follows it, with the
  // unit and the limits the result was had with.
  EXPECT_EQ(ScriptSequenceArray[1][kStepOperation], kOpSelectiveIntegrate);
  EXPECT_EQ(ScriptSequenceArray[1][limits_step::kUnit], 66.0f);
  EXPECT_EQ(ScriptSequenceArray[1][limits_step::kGreater], 1.0f);
  EXPECT_EQ(ScriptSequenceArray[1][limits_step::kLess], 2.0f);
  EXPECT_EQ(ScriptCOUNT, 1);
  EXPECT_EQ(topic, kTopicSelectiveIntegration);
  EXPECT_NEAR(meanValue, 0.15, 1e-6);
  EXPECT_EQ(mi, 1.0f);
  EXPECT_EQ(ma, 2.0f);
  EXPECT_EQ(LastPosSelectiveLimit, 1.0f);

  // Autorepeat re-runs the selective integration with the remembered limits.
  Script again;
  again.closeBox(kResultsWindow);
  plat::test::run(again, [] { EXPECT_TRUE(AUTO_REPEAT()); });
  EXPECT_EQ(Analysis_Code, kSelectiveAnalysisCode);
  EXPECT_NEAR(meanValue, 0.15, 1e-6) << "the remembered limits 1 and 2";
}

TEST_F(LimitWindows, LimitPickedWithTheMouseAndARightLimit) {
  Load(kRamp);
  const QImage before = plat::test::portImage(kBlockWindow);
  // The row whose level is 1.5 by the picker's rule.
  const float p = (BlockMaxY - BlockMinY) / static_cast<float>(UpperLimit - 4);
  const int v = UpperLimit - 2 - static_cast<int>(std::lround((1.5f - BlockMinY) / p));
  const float expected = BlockMinY + static_cast<float>(UpperLimit - 2 - v) * p;
  Script s;
  testsupport::Idle(s, 3);
  s.call([] {
    EXPECT_EQ(Field(kLimitGreaterField), "0") << "the block's minimum";
    EXPECT_EQ(Field(kLimitLessField), "3");
  });
  s.click(kResultsWindow, kLimitGreaterButton).moveTo(kBlockWindow, {40, v + 7});
  testsupport::Idle(s, 3);
  s.call([before] {
    EXPECT_EQ(plat::test::portImage(kBlockWindow), before) << "the following line leaves no trace";
    EXPECT_NE(Field(kLimitGreaterField), "0") << "the level under the pointer is shown";
  });
  s.press(kBlockWindow, {40, v}).release();
  testsupport::Idle(s, 3);
  s.call([expected] {
    EXPECT_EQ(static_cast<float>(TextToNum(Field(kLimitGreaterField))), expected);
    EXPECT_EQ(trigger, expected);
    Snap(kBlockWindow, "trigger-line.png");
  });
  // Right limit at case 4: 1.5 <= y <= 3 holds at cases 2, 3, 4.
  const int x = static_cast<int>(std::lround(4 * LimitPixelsPerCase(RightLim, 0, 9)));
  s.click(kResultsWindow, kDistributionButton);
  testsupport::Idle(s, 3);
  s.call([] { EXPECT_TRUE(plat::windowExists(151)) << "the block's distribution"; });
  s.click(kResultsWindow, kLimitRightButton).press(kBlockWindow, {x, UpperLimit / 2}).release();
  Run(20, s);
  EXPECT_DOUBLE_EQ(meanValue, 2.0) << "2 intervals in seconds";
  EXPECT_FLOAT_EQ(StandardDeviation, 50.0f) << "of the 4 up to the right limit";
  EXPECT_TRUE(testsupport::SoundPlayed("tick"));
  EXPECT_EQ(plat::test::portImage(kBlockWindow), before) << "leaving redraws the block";
}

TEST_F(LimitWindows, EventPanelHistogramAndDetailsFile) {
  Load(kEvents);
  const fs::path dir = testsupport::FreshTestDir("events");
  // Results go to a text file: the window offers Print.
  Script port;
  port.answerSave(dir / "results");
  plat::test::run(port, [] { DoMENU(kMenuSendResults, 3); });
  Script s;
  s.type(kResultsWindow, kLimitGreaterField, "\b\b\b\b4").type(kResultsWindow, kLimitLessField, "\b\b\b\b-4");
  s.click(kResultsWindow, kLimitRecalculate).call([] {
    EXPECT_EQ(Field(kLimitResultField), " 2");
    EXPECT_EQ(Field(kLimitShareField), " 1");
    EXPECT_EQ(Field(kUpperStatsFirst), " 2.500");
    EXPECT_EQ(Field(kUpperStatsFirst + 1), " 0.5");
    EXPECT_EQ(Field(kLowerStatsFirst + 1), " 0");
    EXPECT_EQ(Field(kLowerStatsFirst + 3), " 2.000");
    Snap(kResultsWindow, "event-counting.png");
  });
  // Kept only longer than 2 s: one upper, no lower event.
  s.click(kResultsWindow, kEventCountAllBox).click(kResultsWindow, kEventFilterBox);
  s.type(kResultsWindow, kEventMinField, "\b\b\b2").click(kResultsWindow, kLimitRecalculate).call([] {
    EXPECT_EQ(Field(kLimitResultField), " 1");
    EXPECT_EQ(Field(kLowerStatsFirst), "**");
  });
  s.click(kResultsWindow, kEventFilterBox).click(kResultsWindow, kEventCountAllBox);
  s.click(kResultsWindow, kLimitPrintButton);
  s.menuButton(kResultsWindow, kEventSaveButton, 1).answerSave(dir / "details.txt");
  Run(21, s);
  CloseDestination();
  const std::string results = testsupport::ReadFileBytes(dir / "results");
  EXPECT_NE(results.find("'positive ' events (above upper limit):  2"), std::string::npos) << results;
  EXPECT_NE(results.find("'positive ' mean:  2.500  SD:  0.5"), std::string::npos);
  std::string text = testsupport::ReadFileBytes(dir / "details.txt");
  const std::string today = TodayMMddyy();
  if (const size_t at = text.find(today); at != std::string::npos) text.replace(at, today.size(), "12/07/26");
  EXPECT_EQ(text, testsupport::ReadFileBytes(fs::path(TEST_GOLDEN_DIR) / "event_details.txt"));
  EXPECT_EQ(meanValue, 2.0);
  EXPECT_EQ(topic, kTopicEventCounter);
}

}  // namespace
