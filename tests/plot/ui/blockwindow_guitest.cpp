// The block window driven headless on the demo recording: its title and
// scale after each drawing, a one-case block, the window the user works in
// staying active, and the instruction panel with and without its template.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "datafiles/native_binary.h"
#include "output/numberformat.h"
#include "output/results.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/trace.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/draw.h"
#include "plot/ui/infoline.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/settings.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "support/window_support.h"
// Last: Qt's "slots" keyword macro must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;

class BlockWindowGui : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForBlockWindowTest();
    prefsArray[2] = 0;    // comments shown
    prefsArray[10] = 1;   // markers
    prefsArray[20] = 1;   // block instructions
    prefsArray[52] = 0;
    BlockWindowIsOpen = 0;
    LastBlockWindowWidth = LastBlockWindowHeight = 0;
    ASSERT_TRUE(testsupport::LoadDemo(&slot_));
    OpenPlotWindow(slot_);
    chanB = 1;
  }
  void TearDown() override {
    plat::setNibTemplateAvailable("blockwindow", true);
    testsupport::EndBlockWindowTest();
  }
  void setBlock(int32_t b, int32_t e) {
    BeginBlock[slot_] = b;
    EndBlock[slot_] = e;
    FileSHORTS[slot_][kShortBlockState] = 2;
  }
  int plot() const { return PlotWindowId(slot_); }
  std::string label(int16_t c) const { return TrimTrailingBlanks(RetrieveLabel(c)); }

  int16_t slot_ = -1;
  testsupport::PlotGeometryKeeper keptGeometry_;
};

TEST_F(BlockWindowGui, TitleAndScaleOfTheBlock) {
  ASSERT_GE(nCases[slot_], 250);
  setBlock(100, 200);
  const int before = plat::frontWindow();
  ASSERT_EQ(before, plot());
  DRAWBLOCK();
  ASSERT_TRUE(plat::windowExists(kBlockWindow));
  EXPECT_EQ(BlockWindowIsOpen, 1);
  // Opened by this drawing: the first form of the title.
  EXPECT_EQ(plat::title(kBlockWindow), "Channel 1, " + label(1) + "; cases 100 to 200  (N =  101) ");
  EXPECT_EQ(plat::frontWindow(), before) << "drawing into window 2 does not bring it forward";
  EXPECT_EQ(plat::currentPortWindow(), kBlockWindow) << "callers draw on with the published mapping";

  const plat::Size s = plat::contentSize(kBlockWindow);
  EXPECT_EQ(RightLim, s.w);
  EXPECT_EQ(UpperLimit, s.h - 15);
  EXPECT_EQ(LastBlockWindowWidth, s.w);
  EXPECT_EQ(LastBlockWindowHeight, s.h);
  EXPECT_DOUBLE_EQ(BlockXscale, s.w / 100.0);
  EXPECT_EQ(nPoints, 101);
  float lo = 9e30f, hi = -9e30f;
  for (int32_t k = 100; k <= 200; ++k) {
    lo = std::min(lo, GetDatum(slot_, 1, k));
    hi = std::max(hi, GetDatum(slot_, 1, k));
  }
  EXPECT_FLOAT_EQ(BlockMinY, lo);
  EXPECT_FLOAT_EQ(BlockMaxY, hi == lo ? lo + 1 : hi);
  EXPECT_EQ(BlockRowOf(BlockMaxY), 2);
  EXPECT_EQ(BlockRowOf(BlockMinY), UpperLimit + 2);
  EXPECT_EQ(BlockColumnOf(100), 0);
  // The extremes read as the statistics' bound fields and the results give
  // them, at every number of digits: once the maximum showed 20.653 here
  // and 20.65299 beside it.
  const int16_t digits = SignificantFigures;
  for (const int16_t d : {5, 7, 9}) {
    SignificantFigures = d;
    DRAWBLOCK();
    const std::vector<std::string> drawn = plat::test::drawnTexts(kBlockWindow);
    for (const float v : {BlockMaxY, BlockMinY}) {
      std::string shown = RealText(v);
      shown.erase(0, shown.find_first_not_of(' '));
      EXPECT_NE(std::find(drawn.begin(), drawn.end(), shown), drawn.end()) << d << " digits: " << shown;
    }
  }
  SignificantFigures = digits;
  DRAWBLOCK();
  EXPECT_EQ(OldBeginBlock, 100);
  EXPECT_EQ(OldEndBlock, 200);

  // Ground, frame and label strip as drawn.
  const QImage img = plat::test::portImage(kBlockWindow);
  const QColor ground = img.pixelColor(s.w / 2, 5);
  EXPECT_EQ(ground.red() >> 8, BlockBackColor.r >> 8 >> 8);
  const QColor strip = img.pixelColor(s.w - 3, s.h - 3);
  EXPECT_EQ(strip.red(), ExtremelyLightGray.r >> 8);

  // A later drawing of channel 3 retitles the open window.
  chanB = 3;
  DRAWBLOCK();
  EXPECT_EQ(plat::title(kBlockWindow), "Channel 3, " + label(3) + "; Cases 100 to 200 (N =  101) ");
  EXPECT_EQ(plat::frontWindow(), before);
  plat::test::saveArtifact(plat::test::windowImage(kBlockWindow), "block-window.png");

  // The footer names the channel shown, not the one made active since (a
  // transform's new channel).
  ActiveChannel = 3;
  DRAWBLOCK();
  const QImage own = plat::test::portImage(kBlockWindow);
  ActiveChannel = 1;
  DRAWBLOCK();
  EXPECT_EQ(plat::test::portImage(kBlockWindow), own);
}

// Markers are drawn in XOR: two on one case must not wipe out their line.
TEST_F(BlockWindowGui, TwoMarkersOnACaseKeepTheirLine) {
  ASSERT_EQ(AddInterpolationPair(slot_, 280, 300), StoreStatus::Ok);   // a 199 beside the demo's 202 at 300
  setBlock(250, 350);
  DRAWBLOCK();
  const QImage img = plat::test::portImage(kBlockWindow);
  const int x = BlockColumnOf(300);
  const QRgb ground = img.pixel(x - 3, 14);
  int marked = 0;
  for (int y = 14; y < UpperLimit - 2; ++y) marked += img.pixel(x, y) != ground ? 1 : 0;
  EXPECT_GT(marked, (UpperLimit - 16) / 3) << "the dotted line stands at case 300";
  plat::test::saveArtifact(plat::test::windowImage(kBlockWindow), "block-window-two-markers.png");
}

TEST_F(BlockWindowGui, ChannelOutsideTheFileFallsBackToOne) {
  setBlock(10, 60);
  chanB = static_cast<uint16_t>(nChannels[slot_] + 1);
  DRAWBLOCK();
  EXPECT_EQ(chanB, 1);
  EXPECT_EQ(plat::title(kBlockWindow).rfind("Channel 1, ", 0), 0u);
}

TEST_F(BlockWindowGui, OneCaseBlockDrawsWithoutDividingByZero) {
  setBlock(150, 150);
  DRAWBLOCK();
  ASSERT_TRUE(plat::windowExists(kBlockWindow));
  EXPECT_EQ(nPoints, 1);
  EXPECT_TRUE(std::isfinite(BlockXscale));
  EXPECT_DOUBLE_EQ(BlockXscale, RightLim);
  EXPECT_EQ(BlockColumnOf(150), 0);
  EXPECT_EQ(plat::title(kBlockWindow), "Channel 1, " + label(1) + "; cases 150 to 150  (N =  1) ");
}

TEST_F(BlockWindowGui, ConstantBlockIsScaledAroundItsValue) {
  for (int32_t k = 20; k <= 40; ++k) PutDatum(slot_, 1, k, 4.25f);
  plotcore::InvalidatePlotLod(slot_, 1);
  setBlock(20, 40);
  DRAWBLOCK();
  EXPECT_FLOAT_EQ(BlockMinY, 4.25f);
  EXPECT_FLOAT_EQ(BlockMaxY, 5.25f);
  EXPECT_EQ(BlockRowOf(4.25f), UpperLimit + 2);
  // The raise spreads the scale only: both extremes shown are the block's value.
  const std::vector<std::string> drawn = plat::test::drawnTexts(kBlockWindow);
  EXPECT_EQ(std::count(drawn.begin(), drawn.end(), "4.25"), 2) << ::testing::PrintToString(drawn);
  EXPECT_EQ(std::count(drawn.begin(), drawn.end(), "5.25"), 0) << ::testing::PrintToString(drawn);
}

TEST_F(BlockWindowGui, StaleBlockBeyondTheFileIsHeldToIt) {
  setBlock(nCases[slot_] - 5, nCases[slot_] + 1000);
  const uint64_t faults = gStoreAccessFaults;
  DRAWBLOCK();
  EXPECT_EQ(nPoints, 6);
  EXPECT_EQ(gStoreAccessFaults, faults) << "nothing read outside the channel";
}

TEST_F(BlockWindowGui, ReopenedBlockWindowKeepsItsSize) {
  setBlock(100, 200);
  DRAWBLOCK();
  const plat::Rect r = plat::contentRect(kBlockWindow);
  plat::setContentRect(kBlockWindow, {r.left, r.top, r.left + 400, r.top + 150});
  DRAWBLOCK();
  EXPECT_EQ(LastBlockWindowWidth, 400);
  EXPECT_EQ(LastBlockWindowHeight, 150);
  OPENBLOCKWINDOW();
  EXPECT_EQ(plat::contentSize(kBlockWindow), (plat::Size{400, 150}));
  EXPECT_EQ(plat::frontWindow(), plot());
}

TEST_F(BlockWindowGui, WithoutABlockTheInstructionPanel) {
  FileSHORTS[slot_][kShortBlockState] = 0;
  OPENBLOCKWINDOW();
  ASSERT_TRUE(plat::windowExists(kBlockWindow));
  EXPECT_EQ(BlockWindowIsOpen, 0);
  EXPECT_EQ(plat::title(kBlockWindow), "Setting Data Blocks and Screen Views");
  EXPECT_EQ(plat::controlTitle(kBlockWindow, kBlockPanelButton), "Hide");
  EXPECT_NE(plat::viewText(kBlockWindow, kBlockPanelText).find("block"), std::string::npos);
  EXPECT_EQ(HelpSubject, 1);
  EXPECT_EQ(plat::frontWindow(), plot());
  const plat::Size s = plat::contentSize(kBlockWindow);
  EXPECT_GE(s.w, 570);
  EXPECT_GE(s.h, 200);
  plat::test::saveArtifact(plat::test::windowImage(kBlockWindow), "block-instructions.png");

  prefsArray[52] = 1;
  OPENBLOCKWINDOW();
  EXPECT_EQ(plat::contentSize(kBlockWindow).h, 30);
  EXPECT_EQ(plat::controlTitle(kBlockWindow, kBlockPanelButton), "Show Instructions");

  prefsArray[20] = 0;
  OPENBLOCKWINDOW();
  EXPECT_FALSE(plat::windowExists(kBlockWindow));
  // A block wanted but state 1 (both edges on one case) is no block.
  prefsArray[20] = 1;
  FileSHORTS[slot_][kShortBlockState] = 1;
  OPENBLOCKWINDOW();
  EXPECT_EQ(BlockWindowIsOpen, 0);
}

TEST_F(BlockWindowGui, MissingTemplateGivesAPlainWindowSilently) {
  plat::setNibTemplateAvailable("blockwindow", false);
  FileSHORTS[slot_][kShortBlockState] = 0;
  plat::test::clearRecorders();
  OPENBLOCKWINDOW();
  ASSERT_TRUE(plat::windowExists(kBlockWindow));
  EXPECT_EQ(plat::title(kBlockWindow), "Setting Data Blocks and Screen Views");
  EXPECT_FALSE(plat::controlExists(kBlockWindow, kBlockPanelButton));
  EXPECT_FALSE(plat::controlExists(kBlockWindow, kBlockPanelText));
  EXPECT_FALSE(plat::windowExists(kAlertWindow));
  EXPECT_TRUE(plat::test::soundsPlayed().empty());
}

TEST_F(BlockWindowGui, InstructionPanelStayFlipsAndCloses) {
  FileSHORTS[slot_][kShortBlockState] = 0;
  OPENBLOCKWINDOW();
  Script s;
  s.call([] { EXPECT_EQ(BlockWindowModal, 1); })
      .click(kBlockWindow, kBlockPanelButton)
      .call([] {
        EXPECT_EQ(prefsArray[52], 1);
        EXPECT_EQ(plat::contentSize(kBlockWindow).h, 30) << "collapsed to one button";
      })
      .closeBox(kBlockWindow);
  plat::test::run(s, [this] { EXPECT_TRUE(BlockOrCommentsWindowActivated(kBlockWindow)); });
  EXPECT_FALSE(plat::windowExists(kBlockWindow));
  EXPECT_EQ(prefsArray[20], 0) << "closing the panel turns the instructions off";
  EXPECT_EQ(BlockWindowModal, 0);
  EXPECT_EQ(plat::frontWindow(), plot());
}

TEST_F(BlockWindowGui, InstructionPanelStayEndsOnAnotherWindow) {
  FileSHORTS[slot_][kShortBlockState] = 0;
  OPENBLOCKWINDOW();
  Script s;
  s.activate(plot());
  plat::test::run(s, [] { SWITCHtoWINDOW2(); });
  EXPECT_TRUE(plat::windowExists(kBlockWindow));
  EXPECT_EQ(prefsArray[20], 1);
  EXPECT_EQ(plat::frontWindow(), plot());
  // A block view is not a modal stay.
  setBlock(10, 20);
  DRAWBLOCK();
  EXPECT_FALSE(BlockOrCommentsWindowActivated(kBlockWindow));
}

TEST_F(BlockWindowGui, ViewTogglesRebuildWindowTwo) {
  setBlock(100, 200);
  DRAWBLOCK();
  const int topWithComments = plat::contentRect(kBlockWindow).top;
  ASSERT_TRUE(RunCommand(Cmd::ToggleComments));
  EXPECT_EQ(prefsArray[2], 1);
  EXPECT_EQ(plat::contentRect(kBlockWindow).top, topWithComments - 60 - (4 + plat::config().titleBarHeight - 8))
      << "moves up into the comments' place";
  EXPECT_EQ(BlockWindowIsOpen, 1);
  FileSHORTS[slot_][kShortBlockState] = 0;
  ASSERT_TRUE(RunCommand(Cmd::ToggleBlockInstructions));
  EXPECT_EQ(prefsArray[20], 0);
  EXPECT_FALSE(plat::windowExists(kBlockWindow));
}

}  // namespace
