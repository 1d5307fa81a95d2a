// "Integrate Over Time" driven headlessly from the menu: the integral in
// minutes, the baselines, the running total, the cumulative plot and the
// small distribution, and the recorded step.
#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "analyses/integration.h"
#include "analyses/statspanel.h"
#include "analyses/ui/analyses_commands.h"
#include "analyses/ui/histogram.h"
#include "analyses/ui/integration.h"
#include "output/results.h"
#include "output/scaling.h"
#include "output/ui/output_commands.h"
#include "platform/controls.h"
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
#include "support/gui_support.h"
#include "support/window_support.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;

std::string Field(int id) { return plat::fieldText(kResultsWindow, id); }

class IntegrationWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForAnalysisTest();
    prefsArray[kPrefSoundLevel] = 25;
    prefsArray[24] = 0;
    ResetAllScaling();
    Rscale = 0;
    UseCrossChanIndex = 0;
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    IntegrationMode = kBaseZero;
    IntegrationUnit = kUnitMinutes;

    // Channel 1 a constant 3 over cases 1..120 at 0.5 s; channel 2 a wave.
    ASSERT_EQ(AllocateSlot(0, 1200, 2), StoreStatus::Ok);
    for (int32_t k = 0; k <= 1200; ++k) {
      PutDatum(0, 1, k, 3.0f);
      PutDatum(0, 2, k, static_cast<float>(2.0 + std::sin(k * 0.01) + 0.3 * std::sin(k * 0.13)));
    }
    testsupport::DescribeFile(0, "area", 0.5f, {"VO2", "Temp"});
    testsupport::SelectBlock(0, 1, 120);
  }

  void TearDown() override {
    prefsArray[24] = 0;
    IntegrationMode = kBaseZero;
    testsupport::EndWindowTest();
  }

  testsupport::PlotGeometryKeeper keptGeometry_;
};

// "None" last picked in a scan window (68) is seconds here, and the window
// opens with "Seconds" marked.
TEST_F(IntegrationWindow, TheScanWindowsNoneOpensAsSeconds) {
  IntegrationUnit = kUnitNone;
  Script s;
  s.call([] {
     EXPECT_EQ(Field(kIntegralField), " 180") << "360 x 0.5 s";
     EXPECT_EQ(plat::buttonState(kResultsWindow, kUnitSeconds), 2);
     EXPECT_EQ(plat::buttonState(kResultsWindow, kUnitNoneIntegration), 1);
   }).closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 6)); });
  EXPECT_DOUBLE_EQ(meanValue, 180.0);
}

// Clear rows between a field's lowest ink and its bottom border.
int RowsBelowInk(int win, int id) {
  const QImage img = plat::test::windowImage(win).convertToFormat(QImage::Format_RGB32);
  const plat::Rect r = plat::controlFrame(win, id);
  const QRgb back = img.pixel(r.right - 3, r.top + 2);
  int lowest = -1;
  for (int y = r.top + 1; y < r.bottom - 1; ++y)
    for (int x = r.left + 1; x < r.right - 1; ++x)
      if (std::abs(qGray(img.pixel(x, y)) - qGray(back)) > 96) lowest = y;
  return lowest < 0 ? 99 : r.bottom - 2 - lowest;
}

TEST_F(IntegrationWindow, MinutesBaselinesAndTheRunningTotal) {
  RecordSCRIPT = 1;
  Script s;
  s.click(kResultsWindow, kUnitMinutes).call([] {
     EXPECT_EQ(plat::title(kResultsWindow), "Integrate Over Time");
     EXPECT_EQ(Field(kIntegralField), " 3") << "360 / 120 samples per minute";
     EXPECT_EQ(plat::buttonState(kResultsWindow, kUnitMinutes), 2);
   })
      .click(kResultsWindow, kUnitNoneIntegration)
      .call([] { EXPECT_EQ(Field(kIntegralField), " 360"); })
      .click(kResultsWindow, kTotalAdd)
      .click(kResultsWindow, kTotalAdd)
      .call([] {
        EXPECT_EQ(Field(kRunningTotalField), " 720");
        // The integral and the total whole in their fields, not on their bottom edges.
        const std::vector<std::string> cut = plat::test::cutTexts(kResultsWindow);
        EXPECT_TRUE(cut.empty()) << ::testing::PrintToString(cut);
        for (int16_t id : {kIntegralField, kRunningTotalField})
          EXPECT_GE(RowsBelowInk(kResultsWindow, id), 2) << id;
      })
      .click(kResultsWindow, kBaseBlockStart)
      .call([] {
        EXPECT_EQ(Field(kIntegralField), " 0");
        EXPECT_EQ(plat::buttonState(kResultsWindow, kBaseBlockStart), 2);
      })
      .click(kResultsWindow, kTotalSubtract)
      .call([] { EXPECT_EQ(Field(kRunningTotalField), " 720"); })
      .click(kResultsWindow, kTotalClear)
      .call([] {
        EXPECT_EQ(Field(kRunningTotalField), " 0");
        plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "integration.png");
      })
      .closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 6)); });
  EXPECT_EQ(topic, kTopicIntegration);
  EXPECT_EQ(Analysis_Code, kIntegrationAnalysisCode);
  EXPECT_EQ(IntegrationMode, kBaseBlockStart) << "the baseline outlives the command";
  EXPECT_EQ(IntegrationUnit, kUnitNoneIntegration);
  EXPECT_EQ(nrPoints, 120);
  EXPECT_EQ(BGA, 1);
  EXPECT_EQ(EDA, 120);
  ASSERT_EQ(ScriptCOUNT, 1);
  EXPECT_EQ(ScriptSequenceArray[1][1], 28.0f);
  EXPECT_EQ(ScriptSequenceArray[1][0], 0.0f);
}

TEST_F(IntegrationWindow, CumulativePlotAndDistributionOfAnotherChannel) {
  EndBlock[0] = 1100;
  Script s;
  s.click(kResultsWindow, 2)
      .click(kResultsWindow, kBaseLinear)
      .click(kResultsWindow, kSumPlotButton)
      .call([] {
        ASSERT_TRUE(plat::windowExists(kCumulativePlotWindow));
        EXPECT_EQ(plat::title(kCumulativePlotWindow), "Integration of Channel 2:  Temp");
        plat::test::saveArtifact(plat::test::windowImage(kCumulativePlotWindow), "integration-cumulative.png");
      })
      .click(kResultsWindow, kDistributionButton)
      .call([] {
        ASSERT_TRUE(plat::windowExists(kHistogramWindow));
        plat::test::saveArtifact(plat::test::windowImage(kHistogramWindow), "histogram-small.png");
        plat::test::saveArtifact(plat::test::deskImage(), "integration-desk.png");
      })
      .closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 6)); });
  EXPECT_EQ(ch, 2);
  EXPECT_EQ(prefsArray[24], 1) << "the plot setting outlives the command";
}

}  // namespace
