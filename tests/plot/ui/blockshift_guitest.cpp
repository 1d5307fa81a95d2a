// Shifting a block from the menus of the running program: both rules, the
// redraw left pending, the rules dialog, and Autorepeat on the new block.
#include <gtest/gtest.h>

#include "support/window_support.h"

#include "analyses/descriptive.h"
#include "output/results.h"
#include "platform/windows.h"
#include "plot/ui/blockshift.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
// Last: Qt's "slots" keyword macro must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;

class BlockShiftRun : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWiredTest();
    prefsArray[kPrefAutorepeat] = 0;
    ASSERT_EQ(OpenNewFileSlot(1000, 2, &f_), StoreStatus::Ok);
    float* d = ChannelData(f_, 1);
    for (int32_t k = 0; k <= 1000; ++k) d[k] = static_cast<float>(k);
    FileName[f_] = "ramp.orl";
    TheFileInUse = static_cast<uint16_t>(f_);
    OpenPlotWindow(f_);
    BeginBlock[f_] = 100;
    EndBlock[f_] = 150;
    FileSHORTS[f_][kShortBlockState] = 2;
    MenuIDENTIFIER = MenuItem = 0;
  }
  void TearDown() override {
    testsupport::ClearStore();
    testsupport::ClearWiring();
  }
  testsupport::PlotGeometryKeeper keptGeometry_;
  int16_t f_ = -1;
};

TEST_F(BlockShiftRun, ShiftsByTheRuleAndLeavesARedrawPending) {
  prefsArray[kPrefShiftOverlap] = 1;
  ASSERT_TRUE(DoMENU(kMenuAnalyze, 28));
  EXPECT_EQ(BeginBlock[f_], 150);
  EXPECT_EQ(EndBlock[f_], 200);
  EXPECT_EQ(MenuIDENTIFIER, kMenuView);
  EXPECT_EQ(MenuItem, 8);

  // The rules dialog switches to "Do Not Overlap".
  Script s;
  s.click(kShiftRulesWindow, kShiftNoOverlap).call([] {
    plat::test::saveArtifact(plat::test::windowImage(kShiftRulesWindow), "shift_rules.png");
  }).click(kShiftRulesWindow, kShiftDone);
  plat::test::run(s, [] { DoMENU(kMenuAnalyze, 29); });
  EXPECT_EQ(prefsArray[kPrefShiftOverlap], 0);
  EXPECT_FALSE(plat::windowExists(kShiftRulesWindow));

  ASSERT_TRUE(DoMENU(kMenuAnalyze, 28));
  EXPECT_EQ(BeginBlock[f_], 201);
  EXPECT_EQ(EndBlock[f_], 251);
  ASSERT_TRUE(DoMENU(kMenuAnalyze, 27));
  EXPECT_EQ(BeginBlock[f_], 150);

  // Past the end nothing moves and nothing is left pending.
  BeginBlock[f_] = 900;
  EndBlock[f_] = 960;
  MenuIDENTIFIER = MenuItem = 0;
  ASSERT_TRUE(DoMENU(kMenuAnalyze, 28));
  EXPECT_EQ(BeginBlock[f_], 900);
  EXPECT_EQ(MenuIDENTIFIER, 0);
}

TEST_F(BlockShiftRun, AnUndoableEditAfterAShiftKeepsTheShiftedBlock) {
  prefsArray[kPrefShiftOverlap] = 1;
  ASSERT_TRUE(DoMENU(kMenuAnalyze, 28));
  ASSERT_TRUE(DoMENU(kMenuView, 8));   // the redraw the shift left pending
  const int16_t left = FileSHORTS[f_][kShortBlockLeftPx], right = FileSHORTS[f_][kShortBlockRightPx];
  ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
  ChannelData(f_, 1)[5] = -1.0f;
  ASSERT_TRUE(DoMENU(kMenuEdit, 1));   // Undo, with its redraw
  EXPECT_EQ(ChannelData(f_, 1)[5], 5.0f);
  EXPECT_EQ(BeginBlock[f_], 150);
  EXPECT_EQ(EndBlock[f_], 200);
  EXPECT_EQ(FileSHORTS[f_][kShortBlockState], 2);
  EXPECT_EQ(FileSHORTS[f_][kShortBlockLeftPx], left);
  EXPECT_EQ(FileSHORTS[f_][kShortBlockRightPx], right);
}

TEST_F(BlockShiftRun, AutorepeatRerunsStatisticsOnTheShiftedBlock) {
  prefsArray[kPrefShiftOverlap] = 1;
  prefsArray[kPrefAutorepeat] = 1;
  Script first;
  first.closeBox(kResultsWindow);
  plat::test::run(first, [] { DoMENU(kMenuAnalyze, 1); });
  EXPECT_DOUBLE_EQ(meanValue, 125.0);
  for (double want : {175.0, 225.0}) {
    ASSERT_TRUE(DoMENU(kMenuAnalyze, 28));
    Script again;
    again.closeBox(kResultsWindow);
    plat::test::run(again, [] { EXPECT_TRUE(RunCommand(Cmd::AutoRepeat)); });
    EXPECT_DOUBLE_EQ(meanValue, want);
  }
}

}  // namespace
