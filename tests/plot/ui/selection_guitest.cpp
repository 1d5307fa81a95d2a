// Blocks selected with scripted presses, moves and releases on the demo
// recording in the compressed, paged and zoomed views: the block, its state
// and pixel edges, the band drawn in XOR while dragging, and clearing that
// gives back the plot's exact pixels.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "datafiles/native_binary.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/geometry.h"
#include "plot/selection.h"
#include "plot/trace.h"
#include "plot/ui/draw.h"
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
#include "shell/ui/kitglobals.h"
#include "shell/ui/mainloop.h"
#include "support/window_support.h"
// Last: Qt's "slots" keyword macro must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;
using testsupport::SoundPlayed;

class BlockSelection : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWindowTest();
    plotcore::PlotLodCache().clear();
    prefsArray[kPrefSoundLevel] = 25;
    prefsArray[kPrefBlockSounds] = 1;
    RegisterPlotCommands();
    RegisterSelectionCommands();
    zoomleft = zoomright = 0;
    printblock = 0;
    Analysis_Code = 0;
    keptHooks_ = gPlotHooks;
    InstallInfoLineHooks();
    gPlotHooks.drawBlock = [this] { ++blockWindowDraws_; };
    gPlotHooks.openBlockWindow = nullptr;
    RegisterCommand(Cmd::AutoRepeat, [this](int16_t) { ++autoRepeats_; });

    ASSERT_TRUE(testsupport::LoadDemo(&f_));
    OpenPlotWindow(f_);
    win_ = PlotWindowId(f_);
    ASSERT_TRUE(plat::windowExists(win_));
    ASSERT_GT(nCases[f_], 2 * ScreenWidth);
    n_ = nCases[f_];
  }
  void TearDown() override {
    gPlotHooks = keptHooks_;
    prefsArray[36] = 0;
    printblock = 0;
    testsupport::ClearStore();
    ClearCommandRegistry();
    gDispatchHooks = {};
  }

  // Runs the steps with the plot's mouse handler, one pump per event.
  void perform(const Script& s) {
    plat::test::run(s, [] {
      plat::handlers().mouse = PlotMouseHandler;
      // The release leaves a mouse-up behind the last step.
      while (plat::test::stepsLeft() > 0 || plat::queuedEvents() > 0) plat::pump();
    });
  }
  void drag(int from, int to, int y = 120) {
    Script s;
    s.press(win_, {from, y}).moveTo(win_, {(from + to) / 2, y}).moveTo(win_, {to, y}).release();
    perform(s);
  }
  void clickAt(int x, int y = 120) {
    Script s;
    s.clickAt(win_, {x, y});
    perform(s);
  }
  void redrawPaged(int16_t segment) {
    FileSHORTS[f_][kShortCompressed] = 0;
    FileSHORTS[f_][kShortSegment] = segment;
    DrawPlot(0, 0, 1);
  }
  int16_t state() const { return FileSHORTS[f_][kShortBlockState]; }
  QImage image() const { return plat::test::portImage(win_); }
  int bottom() const { return BottomOfPlotArea - 3; }

  int16_t f_ = -1;
  int win_ = 0;
  int32_t n_ = 0;
  int blockWindowDraws_ = 0;
  int autoRepeats_ = 0;
  PlotHooks keptHooks_;
  testsupport::PlotGeometryKeeper keptGeometry_;
};

// True when exactly the pixels of columns [left, right) and rows
// [top, bottom] differ between a and b, each inverted.
bool onlyStripInverted(const QImage& a, const QImage& b, int left, int right, int top, int bottom) {
  if (a.size() != b.size()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      const bool inside = x >= left && x < right && y >= top && y <= bottom;
      if (!inside && p != q) return false;
      if (inside && (qRed(p) ^ qRed(q)) != 255) return false;
    }
  return true;
}

TEST_F(BlockSelection, CompressedDragShowsTheStripOnlyAndClearingRestoresThePlot) {
  ASSERT_EQ(FileSHORTS[f_][kShortCompressed], 1);
  const QImage before = image();
  QImage midway;
  Script s;
  s.press(win_, {200, 120})
      // Every poll of the tracking loop runs one step: the pointer settles
      // for three polls so that the strip is drawn before the snapshot.
      .moveTo(win_, {260, 120})
      .moveTo(win_, {260, 125})
      .moveTo(win_, {260, 130})
      .call([&] { midway = image(); })
      .moveTo(win_, {420, 150})
      .release();
  perform(s);
  // While dragging only the band from the press to the pointer flipped; the
  // trace was not drawn again.
  EXPECT_TRUE(onlyStripInverted(before, midway, 200, 260, 19, bottom()));

  const double cpp = static_cast<double>(n_) / ScreenWidth;
  EXPECT_EQ(state(), plotcore::kBlockDefined);
  EXPECT_EQ(BeginBlock[f_], static_cast<int32_t>(200 * cpp));
  EXPECT_EQ(EndBlock[f_], static_cast<int32_t>(420 * cpp));
  const plotcore::ViewState v = PlotViewState(f_);
  EXPECT_EQ(FileSHORTS[f_][kShortBlockLeftPx], plotcore::BlockEdgePixel(v, BeginBlock[f_]));
  EXPECT_EQ(FileSHORTS[f_][kShortBlockRightPx], plotcore::BlockEdgePixel(v, EndBlock[f_]));
  EXPECT_EQ(chanB, static_cast<uint16_t>(ActiveChannel));
  EXPECT_EQ(blockWindowDraws_, 1);
  EXPECT_TRUE(SoundPlayed("lobeep"));
  EXPECT_TRUE(SoundPlayed("upvip"));
  // The data bar followed the pointer to the last column.
  const int32_t c = static_cast<int32_t>(420 * cpp);
  EXPECT_EQ(plat::fieldText(win_, 54).substr(0, 2 + std::to_string(c).size() + 1), " # " + std::to_string(c));
  EXPECT_EQ(plat::fieldText(win_, 56).substr(0, 6), "value ");
  EXPECT_EQ(tmFloat, GetDatum(f_, ActiveChannel, c));
  EXPECT_NE(plat::fieldText(win_, kBlockSpanField), plotcore::kBlockSpanNone);
  // The band on screen is the block's own shading.
  const QImage withBlock = image();
  RefreshPLOTBLOCK(0);
  EXPECT_EQ(image(), before);
  RefreshPLOTBLOCK(0);
  EXPECT_EQ(image(), withBlock);
  plat::test::saveArtifact(plat::test::windowImage(win_), "plot-block.png");

  CLEARBLOCK();
  EXPECT_EQ(image(), before);
  EXPECT_EQ(state(), plotcore::kBlockNone);
  EXPECT_EQ(BeginBlock[f_], static_cast<int32_t>(200 * cpp));   // kept for Reset Last Block
  EXPECT_EQ(plat::fieldText(win_, kBlockSpanField), plotcore::kBlockSpanNone);
  EXPECT_TRUE(SoundPlayed("downvip"));

  ResetLastBlock();
  EXPECT_EQ(state(), plotcore::kBlockDefined);
  EXPECT_EQ(image(), withBlock);
  EXPECT_EQ(blockWindowDraws_, 2);
}

TEST_F(BlockSelection, PagedDragEitherWayAndTheTwoClickForm) {
  redrawPaged(1);
  ASSERT_EQ(Xstep, 1);
  const QImage before = image();
  drag(200, 100);
  EXPECT_EQ(BeginBlock[f_], 100);
  EXPECT_EQ(EndBlock[f_], 200);
  EXPECT_EQ(FileSHORTS[f_][kShortBlockLeftPx], 100);
  EXPECT_EQ(FileSHORTS[f_][kShortBlockRightPx], 200);
  EXPECT_EQ(HorizPosition, 100);
  EXPECT_EQ(state(), plotcore::kBlockDefined);

  // First click: the old band goes, a one-pixel edge line marks the case.
  clickAt(300);
  EXPECT_EQ(state(), plotcore::kBlockFirstEdge);
  EXPECT_EQ(BeginBlock[f_], 300);
  EXPECT_EQ(EndBlock[f_], 0);
  EXPECT_TRUE(onlyStripInverted(before, image(), 300, 301, 19, bottom()));
  // Second click left of the first: the pair is swapped.
  plat::test::clearRecorders();
  clickAt(150);
  EXPECT_EQ(state(), plotcore::kBlockDefined);
  EXPECT_EQ(BeginBlock[f_], 150);
  EXPECT_EQ(EndBlock[f_], 300);
  EXPECT_TRUE(SoundPlayed("hibeep"));
  EXPECT_TRUE(onlyStripInverted(before, image(), 150, 301, 19, bottom()));
  CLEARBLOCK();
  EXPECT_EQ(image(), before);

  // A first click then clearing: the edge line goes too.
  clickAt(500);
  CLEARBLOCK();
  EXPECT_EQ(image(), before);
  EXPECT_EQ(state(), plotcore::kBlockNone);

  // A last move that comes with the release: the block and its band end
  // where the button went up, as after a slow drag there.
  drag(600, 900);
  const QImage slow = image();
  CLEARBLOCK();
  Script s;
  s.press(win_, {600, 120}).moveTo(win_, {700, 120}).moveTo(win_, {700, 121}).moveTo(win_, {700, 122});
  s.releaseAt(win_, {900, 120});
  perform(s);
  EXPECT_EQ(state(), plotcore::kBlockDefined);
  EXPECT_EQ(BeginBlock[f_], 600);
  EXPECT_EQ(EndBlock[f_], 900);
  EXPECT_EQ(image(), slow);
  CLEARBLOCK();
  EXPECT_EQ(image(), before);
}

TEST_F(BlockSelection, TwoClicksOnOneCaseLeaveNoUsableBlock) {
  redrawPaged(2);
  const QImage before = image();
  clickAt(400);
  clickAt(400);
  EXPECT_EQ(state(), plotcore::kBlockOneCase);
  EXPECT_EQ(BeginBlock[f_], ScreenWidth + 400);
  EXPECT_EQ(EndBlock[f_], ScreenWidth + 400);
  EXPECT_EQ(blockWindowDraws_, 0);
  EXPECT_EQ(image(), before);
  // A press and release without movement is a click too.
  Script s;
  s.press(win_, {600, 100}).release();
  perform(s);
  EXPECT_EQ(state(), plotcore::kBlockFirstEdge);
  EXPECT_EQ(BeginBlock[f_], ScreenWidth + 600);
}

TEST_F(BlockSelection, ZoomedDragRerunsTheAnalysisWithAutorepeat) {
  zoomleft = 1000;
  zoomright = 1400;
  FileSHORTS[f_][kShortZoomed] = 1;
  DrawPlot(0, 0, 1);
  const QImage before = image();
  Analysis_Code = 1;
  prefsArray[14] = 1;
  drag(100, 300);
  EXPECT_EQ(BeginBlock[f_], 1000 + 100 * 400 / ScreenWidth);
  EXPECT_EQ(EndBlock[f_], static_cast<int32_t>(1000 + 400.0 / ScreenWidth * 300));
  EXPECT_EQ(FileSHORTS[f_][kShortBlockLeftPx], 100);
  EXPECT_EQ(FileSHORTS[f_][kShortBlockRightPx], 300);
  EXPECT_EQ(autoRepeats_, 1);
  // A first click does not re-run it.
  clickAt(500);
  EXPECT_EQ(autoRepeats_, 1);
  CLEARBLOCK();
  EXPECT_EQ(image(), before);
  prefsArray[14] = 0;
}

TEST_F(BlockSelection, DragOutsideThePlotIsHeldToTheFile) {
  const QImage before = image();
  Script s;
  s.press(win_, {ScreenWidth - 50, 120})
      .moveTo(win_, {ScreenWidth + 300, 120})
      .moveTo(win_, {ScreenWidth + 900, 500})
      .release();
  perform(s);
  EXPECT_EQ(EndBlock[f_], n_);
  EXPECT_EQ(state(), plotcore::kBlockDefined);
  CLEARBLOCK();
  EXPECT_EQ(image(), before);

  redrawPaged(1);
  const QImage paged = image();
  drag(60, -200);
  EXPECT_EQ(BeginBlock[f_], 1);
  EXPECT_EQ(EndBlock[f_], 60);
  CLEARBLOCK();
  EXPECT_EQ(image(), paged);
}

TEST_F(BlockSelection, AClickAlreadyReleasedRemovesTheOldBand) {
  redrawPaged(1);
  const QImage before = image();
  drag(100, 400);
  clickAt(700);
  EXPECT_EQ(state(), plotcore::kBlockFirstEdge);
  EXPECT_TRUE(onlyStripInverted(before, image(), 700, 701, 19, bottom()));
  // A repaint wipes the edge line; clearing afterwards flips nothing.
  DrawPlot(0, 0, 1);
  const QImage repainted = image();
  CLEARBLOCK();
  EXPECT_EQ(image(), repainted);
}

TEST_F(BlockSelection, AutomaticBlockAroundTheClickedCase) {
  redrawPaged(1);
  prefsArray[36] = 1;
  ABunit = 20;
  clickAt(10);
  EXPECT_EQ(BeginBlock[f_], 0);
  EXPECT_EQ(EndBlock[f_], 30);
  EXPECT_EQ(state(), plotcore::kBlockDefined);
  clickAt(500);
  EXPECT_EQ(BeginBlock[f_], 480);
  EXPECT_EQ(EndBlock[f_], 520);
  EXPECT_EQ(blockWindowDraws_, 2);
}

TEST_F(BlockSelection, PressesAreSwallowedWhilePrintingTheBlockOnly) {
  const QImage before = image();
  printblock = 1;
  drag(100, 300);
  EXPECT_EQ(state(), plotcore::kBlockNone);
  EXPECT_EQ(image(), before);
}

TEST_F(BlockSelection, TheMainLoopHandsPressesToTheHandlerAndClearBlockIsAMenuPick) {
  InstallMainLoopHandlers();
  redrawPaged(1);
  const QImage before = image();
  Script s;
  s.press(win_, {50, 120}).moveTo(win_, {70, 120}).moveTo(win_, {90, 120}).moveTo(win_, {90, 121}).release().call([] { EXPECT_TRUE(DoMENU(2, 7)); });
  plat::test::run(s, [] {
    while (plat::test::stepsLeft() > 0) MainLoopPass(0);
  });
  EXPECT_EQ(state(), plotcore::kBlockNone);
  EXPECT_EQ(BeginBlock[f_], 50);
  EXPECT_EQ(EndBlock[f_], 90);
  EXPECT_EQ(image(), before);
  EXPECT_TRUE(CommandRegistered(Cmd::ResetLastBlock));
}

}  // namespace
