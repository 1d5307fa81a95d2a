// The stacked view from the program's own wiring: the "Multichannel Display"
// dialog, equal strips, hide and selector buttons, and the way back.
#include <gtest/gtest.h>

#include "support/gui_support.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/ui/plot_commands.h"
#include "plot/ui/plotwindow.h"
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
    plat::test::reset();
    testsupport::ClearStore();
    SetFixedColours();
    SetSchemeDefaults();
    SetDEFAULTS();
    prefsArray[kPrefSoundLevel] = 0;
    testsupport::InstallProgramWiring();
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

}  // namespace
