// The toolbar of the running program in its three places: every button a
// control found by its id, dimmed while its command or the block is
// missing; a click leaves its menu pair for the main loop.
#include <gtest/gtest.h>

#include "support/program_support.h"
#include "support/window_support.h"

#include "analyses/descriptive.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/commentsbox.h"
#include "plot/ui/redraw.h"
#include "shell/ui/prefsdialog.h"
#include "shell/worktables.h"
#include "plot/ui/toolbar.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/menurules.h"
#include "platform/resources.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/mainloop.h"
// Last: Qt's "slots" keyword macro must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;

class Toolbar : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForWiredTest();
    MenuIDENTIFIER = MenuItem = 0;
  }
  void TearDown() override {
    plat::disposeWindow(kToolbarWindow);
    prefsArray[kPrefToolbarPosition] = 0;
    ToolbarBandBelowPlot = 0;
    testsupport::ClearStore();
    testsupport::ClearWiring();
  }
  int16_t open(int16_t channels) {
    int16_t f = -1;
    EXPECT_EQ(OpenNewFileSlot(2000, channels, &f), StoreStatus::Ok);
    float* d = ChannelData(f, 1);
    for (int32_t k = 0; k <= 2000; ++k) d[k] = static_cast<float>(k);
    FileName[f] = "tools.orl";
    TheFileInUse = static_cast<uint16_t>(f);
    OpenPlotWindow(f);
    return f;
  }
  static void block(int16_t f, int32_t a, int32_t b) {
    BeginBlock[f] = a;
    EndBlock[f] = b;
    FileSHORTS[f][kShortBlockState] = 2;
    SETMENU(1);
  }
  static int state(int16_t id) { return plat::buttonState(kToolbarWindow, id); }
  testsupport::PlotGeometryKeeper keptGeometry_;
};

TEST_F(Toolbar, ThreePlacesEveryButtonByIdWithTheBlockRules) {
  const int16_t f = open(2);
  const char* names[] = {"toolbar_left.png", "toolbar_bottom.png", "toolbar_top.png"};
  for (int16_t place = 0; place <= 2; ++place) {
    SCOPED_TRACE(place);
    prefsArray[kPrefToolbarPosition] = place;
    FileSHORTS[f][kShortBlockState] = 0;
    ToolBar();
    ASSERT_TRUE(plat::windowExists(kToolbarWindow));
    for (const ToolButton& b : ToolbarTable()) EXPECT_TRUE(plat::controlExists(kToolbarWindow, b.id)) << b.id;
    EXPECT_EQ(state(565), 0) << "Avg needs a block";
    EXPECT_EQ(state(580), 1);
    block(f, 100, 300);
    EXPECT_EQ(state(565), 1);
    EXPECT_EQ(state(574), 1) << "Regr with two channels and a block";
    EXPECT_EQ(state(570), ToolButtonAvailable(570) ? 1 : 0) << "Asmp follows its command";
    EXPECT_EQ(state(591), ToolButtonAvailable(591) ? 1 : 0) << "Cut Block follows its command";
    plat::test::saveArtifact(plat::test::windowImage(kToolbarWindow), names[place]);
  }
  // The close box moves the toolbar on, top back to the left.
  ToolbarClosed();
  EXPECT_EQ(prefsArray[kPrefToolbarPosition], 0);
  EXPECT_LE(plat::contentRect(kToolbarWindow).right, plat::frameRect(PlotWindowId(f)).left);
}

TEST_F(Toolbar, AvgRunsTheStatisticsOnlyWithABlock) {
  const int16_t f = open(1);
  ToolBar();
  EXPECT_TRUE(HandleToolbarClick(565));
  EXPECT_EQ(MenuIDENTIFIER, 0) << "dimmed without a block: nothing pending";
  block(f, 10, 20);
  EXPECT_EQ(state(574), 0) << "Regr stays dimmed with one channel";
  Script s;
  s.click(kToolbarWindow, 565).closeBox(kResultsWindow);
  InstallMainLoopHandlers();
  plat::test::run(s, [] {
    while (plat::test::stepsLeft() > 0) MainLoopPass(0);
  });
  EXPECT_DOUBLE_EQ(meanValue, 15.0);
  // A view button leaves its pair; the main loop runs it.
  EXPECT_TRUE(HandleToolbarClick(580));
  EXPECT_EQ(MenuIDENTIFIER, kMenuView);
  EXPECT_EQ(MenuItem, 8);
}

bool apart(const plat::Rect& a, const plat::Rect& b) {
  return a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
}

// Every button inside the toolbar window, which covers neither the plot
// window nor the comments box.
void expectReachableAndClear(int16_t slot) {
  const plat::Size size = plat::contentSize(kToolbarWindow);
  for (const ToolButton& b : ToolbarTable()) {
    const plat::Rect r = plat::controlFrame(kToolbarWindow, b.id);
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= size.w && r.bottom <= size.h) << b.id << " is cut off";
  }
  const plat::Rect bar = plat::frameRect(kToolbarWindow);
  EXPECT_TRUE(apart(bar, plat::frameRect(PlotWindowId(slot)))) << "toolbar over the plot";
  if (plat::windowExists(kCommentsWindow)) {
    EXPECT_TRUE(apart(bar, plat::frameRect(kCommentsWindow))) << "toolbar over the comments box";
    EXPECT_TRUE(apart(plat::frameRect(PlotWindowId(slot)), plat::frameRect(kCommentsWindow))) << "plot over the comments box";
  }
}

// The running program in its three toolbar places; the place chosen in the
// preferences takes effect at once; a click on the toolbar acts with the
// block window in front; a resized toolbar is laid out again.
TEST(ToolbarOnTheDesk, EveryButtonShowsInEachPlaceAndActsWhateverIsInFront) {
  const int16_t slot = testsupport::StartProgramOnDemo();
  ASSERT_GE(slot, 0);
  const char* names[] = {"toolbar-desk-left.png", "toolbar-desk-bottom.png", "toolbar-desk-top.png"};
  for (int16_t place = 0; place <= 2; ++place) {
    SCOPED_TRACE(place);
    prefsArray[kPrefToolbarPosition] = place;
    ToolBar();
    expectReachableAndClear(slot);
    plat::test::saveArtifact(plat::test::deskImage(), names[place]);
  }

  // Preferences: below the plot saved as defaults, at the left, then below
  // again, each at once, and the plot in front afterwards with its menus on,
  // as after a move by the toolbar's close box: a help page open before took
  // the front.
  plat::test::setBrowserAvailable(false);
  InstallMainLoopHandlers();
  for (const auto& [where, button] : {std::pair{kPrefsToolbarBottom, kPrefsSaveDefaults},
                                      std::pair{kPrefsToolbarLeft, kPrefsOK}, std::pair{kPrefsToolbarBottom, kPrefsOK}}) {
    SCOPED_TRACE(where);
    plat::openHelp(HelpSubject);
    Script prefs;
    prefs.menu(kMenuFile, 13).click(kPreferencesWindow, where).click(kPreferencesWindow, button);
    prefs.call([] {}).call([] {});
    plat::test::run(prefs, [] {
      while (plat::test::stepsLeft() > 0) MainLoopPass(0);
    });
    EXPECT_EQ(prefsArray[kPrefToolbarPosition], where - kPrefsToolbarLeft);
    EXPECT_EQ(plat::frontWindow(), PlotWindowId(slot));
    for (int16_t menu = kMenuFile; menu <= kMenuScript; ++menu) EXPECT_TRUE(plat::menuEnabled(menu)) << menu;
  }
  EXPECT_GT(plat::contentRect(kToolbarWindow).top, plat::frameRect(PlotWindowId(slot)).bottom);
  expectReachableAndClear(slot);

  // The block window in front, as after an analysis: "Nml" still acts.
  BeginBlock[slot] = 100;
  EndBlock[slot] = 600;
  FileSHORTS[slot][kShortBlockState] = 2;
  DRAWBLOCK();
  scalefact[1][4] = 0;
  Script click;
  click.call([] { plat::selectWindow(kBlockWindow); }).click(kToolbarWindow, 577).call([] {});
  InstallMainLoopHandlers();
  plat::test::run(click, [] {
    while (plat::test::stepsLeft() > 0) MainLoopPass(0);
  });
  EXPECT_EQ(scalefact[1][4], 2.0f) << "Normal Scaling ran";

  // Narrowed by the user: laid out again in more rows, all shown.
  const plat::Rect r = plat::contentRect(kToolbarWindow);
  const int before = r.height();
  plat::setContentRect(kToolbarWindow, {r.left, r.top, r.left + 600, r.bottom});
  plat::postEvent({.kind = plat::EventKind::Resized, .window = kToolbarWindow});
  plat::test::run(Script{}.call([] {}), [] { MainLoopPass(0); });
  EXPECT_GT(plat::contentSize(kToolbarWindow).h, before);
  expectReachableAndClear(slot);

  // A second file in front, and a click where the first one's close box
  // shows behind it (where the toolbar's close box stood a click earlier):
  // the first file comes to the front, nothing is closed.
  ASSERT_GE(testsupport::OpenDemo(), 0);
  const plat::Rect box = plat::test::closeBoxRect(PlotWindowId(slot));
  Script back;
  back.clickOnDesk({(box.left + box.right) / 2, (box.top + box.bottom) / 2}).call([] {}).call([] {});
  plat::test::run(back, [] {
    while (plat::test::stepsLeft() > 0) MainLoopPass(0);
  });
  EXPECT_TRUE(plat::windowExists(PlotWindowId(slot)));
  EXPECT_EQ(TheFileInUse, slot);
  EXPECT_EQ(plat::frontWindow(), PlotWindowId(slot));
  prefsArray[kPrefToolbarPosition] = 0;
  ToolbarBandBelowPlot = 0;
}

}  // namespace
