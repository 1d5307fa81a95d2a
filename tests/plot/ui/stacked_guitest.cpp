// The stacked view from the program's own wiring: the "Multichannel Display"
// dialog, equal strips, hide and selector buttons, and the way back.
#include <gtest/gtest.h>

#include "support/program_support.h"
#include "support/window_support.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/controls.h"
#include "platform/windows.h"
#include "editing/ui/cutblock.h"
#include "editing/ui/spiketool.h"
#include "plot/stacked.h"
#include "plot/trace.h"
#include "plot/ui/draw.h"
#include "plot/ui/plot_commands.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "plot/ui/stacked.h"
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

class Stacked : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWiredTest();
    CustomScreenPlot = 0;
    MultiChanSelectorWindow = 1;
  }
  void TearDown() override {
    testsupport::ClearStore();
    testsupport::ClearWiring();
  }
  testsupport::PlotGeometryKeeper keptGeometry_;

  // Channel c is a sine of period 200 c around 10 c, so every strip differs.
  static int16_t openFile(int32_t cases, int16_t channels) {
    int16_t f = -1;
    EXPECT_EQ(OpenNewFileSlot(cases, channels, &f), StoreStatus::Ok);
    for (int16_t c = 1; c <= channels; ++c) {
      float* d = ChannelData(f, c);
      for (int32_t k = 0; k <= cases; ++k)
        d[k] = 10.0f * c + 5.0f * static_cast<float>(std::sin(k * 6.2831853 * (1 + c % 4) / cases * 4));
      SetChannelLabel(f, c, "signal " + std::to_string(c));
    }
    FileName[f] = "strips.orl";
    FileInfoFLOATS[f][kInfoInterval] = 1.0f;
    TheFileInUse = static_cast<uint16_t>(f);
    OpenPlotWindow(f);
    return f;
  }
  static void stack(int16_t f) {
    Script s;
    s.click(kMultiDisplayWindow, kMultiOK).click(kChannelSelectWindow, kSelectDone);
    plat::test::run(s, [] { DoMENU(kMenuView, 12); });
    ASSERT_EQ(FileSHORTS[f][kShortView], 1);
  }
  static void save(int16_t f, const std::string& name) {
    plat::test::saveArtifact(plat::test::windowImage(PlotWindowId(f)), name);
  }
  static std::vector<int16_t> shown(int16_t f) {
    std::vector<int16_t> out;
    for (int16_t c = 1; c <= nChannels[f]; ++c)
      if (OverlayArray[f][1][c]) out.push_back(c);
    return out;
  }
  // Strips of the shown channels: equal, touching, in channel order, with
  // one hide and one selector button each.
  static void expectEqualStrips(int16_t f) {
    const auto chans = shown(f);
    ASSERT_FALSE(chans.empty());
    const int h = (BottomOfPlotArea - 19) / static_cast<int>(chans.size());
    for (size_t i = 0; i < chans.size(); ++i) {
      const int16_t c = chans[i];
      SCOPED_TRACE(c);
      EXPECT_EQ(nVar[f][c][8], h);
      EXPECT_EQ(nVar[f][c][9], static_cast<float>((i + 1) * h + 49));
      EXPECT_TRUE(plat::controlExists(PlotWindowId(f), kHideButtonBase + c));
      EXPECT_TRUE(plat::controlExists(kSelectorWindow, kSelectorButtonBase + c));
      EXPECT_FALSE(MultiChannelImages[c].empty());
    }
    for (int16_t c = 1; c <= nChannels[f]; ++c) {
      if (OverlayArray[f][1][c]) continue;
      EXPECT_FALSE(plat::controlExists(PlotWindowId(f), kHideButtonBase + c)) << c;
    }
  }
};

TEST_F(Stacked, FourChannelsStackEquallyAndAHideButtonRemovesItsStrip) {
  const int16_t f = openFile(3000, 4);
  stack(f);
  EXPECT_EQ(shown(f), (std::vector<int16_t>{1, 2, 3, 4}));
  expectEqualStrips(f);
  EXPECT_TRUE(plat::windowExists(kSelectorWindow));
  save(f, "stacked_4_channels.png");

  EXPECT_TRUE(HandlePlotControlClick(kHideButtonBase + 2));
  EXPECT_EQ(shown(f), (std::vector<int16_t>{1, 3, 4}));
  expectEqualStrips(f);
  save(f, "stacked_3_after_hide.png");

  // A selector button makes its channel active without leaving the stack.
  EXPECT_TRUE(HandlePlotControlClick(kSelectorButtonBase + 3));
  EXPECT_EQ(ActiveChannel, 3);
  EXPECT_EQ(plat::buttonState(kSelectorWindow, kSelectorButtonBase + 3), 2);

  // Hiding every strip leaves channel 1 shown.
  for (int16_t c : {1, 3, 4}) HandlePlotControlClick(static_cast<int16_t>(kHideButtonBase + c));
  EXPECT_EQ(shown(f), (std::vector<int16_t>{1}));
  expectEqualStrips(f);

  ASSERT_TRUE(DoMENU(kMenuView, 13));
  EXPECT_EQ(FileSHORTS[f][kShortView], 0);
  EXPECT_TRUE(shown(f).empty());
  EXPECT_FALSE(plat::windowExists(kSelectorWindow));
  EXPECT_FALSE(plat::controlExists(PlotWindowId(f), kHideButtonBase + 1));
}

TEST_F(Stacked, ThirtyTwoLongChannelsStackCompressed) {
  const int16_t f = openFile(200000, 32);
  ASSERT_EQ(FileSHORTS[f][kShortCompressed], 1);
  // As tall as a large display allows, so that 32 strips stay legible.
  const plat::Rect r = plat::contentRect(PlotWindowId(f));
  plat::setContentRect(PlotWindowId(f), {r.left, r.top, r.right, r.top + 900});
  PlotGeometryFromWindow(f);
  stack(f);
  EXPECT_EQ(shown(f).size(), 32u);
  expectEqualStrips(f);
  save(f, "stacked_32_channels.png");

  // The whole-file button pages the strips; a data change redraws them.
  ASSERT_TRUE(RunCommand(Cmd::WholeFileView));
  EXPECT_EQ(FileSHORTS[f][kShortCompressed], 0);
  EXPECT_EQ(FileSHORTS[f][kShortView], 1);
  expectEqualStrips(f);
  const plat::Picture before = MultiChannelImages[5];
  RefreshSCREEN();
  EXPECT_NE(MultiChannelImages[5].data, before.data) << "strips drawn afresh, not replayed";
  expectEqualStrips(f);
  save(f, "stacked_32_paged.png");
}

// Redraws of an unchanged view paint from the kept trace columns; after a
// marked edit, a zoom or new strip heights they paint exactly what a draw
// with every table and column computed afresh paints.
TEST_F(Stacked, RedrawsPaintWhatAFreshDrawPaints) {
  const int16_t f = openFile(200000, 32);
  const int win = PlotWindowId(f);
  const plat::Rect r = plat::contentRect(win);
  plat::setContentRect(win, {r.left, r.top, r.right, r.top + 900});
  PlotGeometryFromWindow(f);
  ASSERT_NE(gStoreHooks.channelChanged, nullptr);
  // From the frame's top row, which the stacked redraw does not repaint: no
  // XOR line may reach it, or each redraw would flip dots there.
  auto redraw = [f] {
    if (FileSHORTS[f][kShortView] == 1) DrawALLCHANNELS(0);
    else DrawPlot(0, 0, 1);
    const QImage img = plat::test::portImage(PlotWindowId(f));
    return img.copy(0, 18, img.width(), img.height() - 18);
  };
  auto expectFresh = [&](const QImage& kept, const char* what) {
    plotcore::PlotLodCache().clear();
    EXPECT_TRUE(redraw() == kept) << what;
  };
  auto edit = [f](int16_t c, int32_t k, float v) {
    ChannelData(f, c)[k] = v;
    gStoreHooks.channelChanged(f, c);
  };

  const QImage single = redraw();
  EXPECT_TRUE(redraw() == single) << "single view redrawn";
  expectFresh(single, "single view");
  edit(1, 123'457, 30.0f);
  const QImage spiked = redraw();
  EXPECT_FALSE(spiked == single) << "the edit is drawn";
  expectFresh(spiked, "single view after an edit");
  save(f, "plot_single_kept_columns.png");

  stack(f);
  const QImage strips = redraw();
  EXPECT_TRUE(redraw() == strips) << "stacked view redrawn";
  expectFresh(strips, "stacked view");
  edit(5, 77'777, -40.0f);
  const QImage edited = redraw();
  EXPECT_FALSE(edited == strips) << "the edit is drawn";
  expectFresh(edited, "stacked view after an edit");
  save(f, "stacked_kept_columns.png");

  FileSHORTS[f][kShortZoomed] = 1;
  zoomleft = 70'000;
  zoomright = 150'000;
  const QImage zoomed = redraw();
  EXPECT_FALSE(zoomed == edited) << "the zoom is drawn";
  expectFresh(zoomed, "stacked view zoomed");
  FileSHORTS[f][kShortZoomed] = 0;
  zoomleft = zoomright = 0;

  ASSERT_TRUE(HandleStackedControlClick(kHideButtonBase + 2));
  ASSERT_EQ(shown(f).size(), 31u);
  const QImage taller = plat::test::portImage(win).copy(0, 18, strips.width(), strips.height());
  EXPECT_TRUE(redraw() == taller) << "new strip heights redrawn";
  expectFresh(taller, "new strip heights");
  save(f, "stacked_kept_columns_31.png");
}

TEST_F(Stacked, CancelKeepsTheViewButNotTheNewChannelChoice) {
  const int16_t one = openFile(500, 1);
  // A file of one channel has no stacked view: no dialog opens.
  plat::test::run(Script{}, [] { DoMENU(kMenuView, 12); });
  EXPECT_EQ(FileSHORTS[one][kShortView], 0);

  const int16_t f = openFile(500, 3);
  prefsArray[kPrefAskToPlotNewChannel] = 1;
  Script s;
  s.click(kMultiDisplayWindow, kMultiDontAsk).click(kMultiDisplayWindow, kMultiCustomHeights)
      .click(kMultiDisplayWindow, kMultiCancel);
  plat::test::run(s, [] { DoMENU(kMenuView, 12); });
  EXPECT_EQ(FileSHORTS[f][kShortView], 0);
  EXPECT_EQ(prefsArray[kPrefAskToPlotNewChannel], 0);
  EXPECT_EQ(CustomScreenPlot, 1);
  EXPECT_FALSE(plat::windowExists(kMultiDisplayWindow));

  // Stacked, "One Channel" then OK goes back to the single view.
  CustomScreenPlot = 0;
  stack(f);
  Script back;
  back.click(kMultiDisplayWindow, kMultiOneChannel).click(kMultiDisplayWindow, kMultiOK);
  plat::test::run(back, [] { DoMENU(kMenuView, 12); });
  EXPECT_EQ(FileSHORTS[f][kShortView], 0);
  EXPECT_FALSE(plat::windowExists(kSelectorWindow));
}

// The spike tool in the stacked view drew the single plot over the strips
// and redrew them only when it closed; its selector and hide buttons could
// change the view under it.
TEST(StackedTools, TheSpikeToolWorksInsideTheActiveStrip) {
  const int16_t slot = testsupport::StartProgramOnDemo();
  ASSERT_GE(slot, 0);
  const int win = PlotWindowId(slot);
  for (int16_t c = 1; c <= 4; ++c) OverlayArray[slot][1][c] = 1;
  FileSHORTS[slot][kShortView] = 1;
  FileSHORTS[slot][kShortCompressed] = 0;
  const float level = GetDatum(slot, 1, 299);
  PutDatum(slot, 1, 300, level + 5.0f);   // one spike, shown at x 300 of page 1
  RefreshSCREEN();
  ASSERT_TRUE(plat::windowExists(kSelectorWindow));
  ASSERT_TRUE(plat::controlExists(win, kHideButtonBase + 1));
  const plotcore::StripRows one = plotcore::RowsOfStrip(nVar[slot][1][8], nVar[slot][1][9]);
  const plotcore::StripRows four = plotcore::RowsOfStrip(nVar[slot][4][8], nVar[slot][4][9]);
  const auto others = [&] { return plat::test::portImage(win).copy(0, one.bottom + 2, ScreenWidth, four.bottom - one.bottom - 2); };
  const QImage othersBefore = others();
  bool furnitureGone = false;
  Script s;
  s.call([&] { furnitureGone = !plat::windowExists(kSelectorWindow) && !plat::controlExists(win, kHideButtonBase + 1); })
      .activate(win)
      .clickAt(win, {300, (one.top + one.bottom) / 2})
      .call([] {})   // the activation and the press each take a pass
      .call([&] {
        EXPECT_FLOAT_EQ(GetDatum(slot, 1, 300), (GetDatum(slot, 1, 299) + GetDatum(slot, 1, 301)) * 0.5f);
        EXPECT_EQ(others(), othersBefore) << "the other strips stay as they were";
        plat::test::saveArtifact(plat::test::deskImage(), "stacked-spike-removal.png");
      })
      .activate(kResultsWindow)
      .click(kResultsWindow, kToolDone);
  plat::test::run(s, [] { DoMENU(kMenuEdit, 38); });
  EXPECT_TRUE(furnitureGone) << "no selector or hide buttons while the tool runs";
  EXPECT_TRUE(plat::windowExists(kSelectorWindow));
  EXPECT_TRUE(plat::controlExists(win, kHideButtonBase + 1));
  EXPECT_EQ(FileSHORTS[slot][kShortView], 1);

  // A block cut from one channel is drawn in its strip; the others stay.
  const QImage othersBeforeBlock = others();
  BeginBlock[slot] = 100;
  EndBlock[slot] = 400;
  FileSHORTS[slot][kShortBlockState] = 2;
  RefreshSCREEN();
  Script cut;
  cut.click(kCutBlockWindow, kCutThisChannel).click(kCutBlockWindow, kCutRemove);
  plat::test::run(cut, [] { DoMENU(kMenuChangeOrRemove, 2); });
  EXPECT_EQ(others(), othersBeforeBlock) << "the other strips as before, the block's band gone with the block";
  const QImage stripAfterCut = plat::test::portImage(win).copy(0, one.top, ScreenWidth, one.bottom - one.top);
  DrawALLCHANNELS(1);
  EXPECT_EQ(plat::test::portImage(win).copy(0, one.top, ScreenWidth, one.bottom - one.top), stripAfterCut)
      << "the strip shows the channel as it is after the cut";
}

}  // namespace

