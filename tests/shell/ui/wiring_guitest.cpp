// The program's wiring as start-up installs it: every command of the menu
// table is registered and every hook a lower subsystem asks for is answered,
// except what is listed as not built yet. A registrar left out of the
// composition root, or a hook only tests installed, fails here.
#include <gtest/gtest.h>

#include "support/gui_support.h"

#include <string>
#include <string_view>
#include <vector>

#include "output/scaling.h"
#include "shell/dispatch.h"
#include "shell/ui/commands.h"

namespace {

// What is not built yet: commands that may stay unregistered and hooks
// that may stay unset. Whoever builds one takes its entry out.
struct NotBuilt {
  Cmd cmd = Cmd::None;
  std::string_view hook;
};
// Empty now: every command of the menu table is built and every hook answered.
const std::vector<NotBuilt> kNotBuiltYet = {};

bool notBuilt(Cmd c) {
  for (const NotBuilt& n : kNotBuiltYet)
    if (n.cmd == c && n.hook.empty()) return true;
  return false;
}

bool notBuilt(std::string_view hook) {
  for (const NotBuilt& n : kNotBuiltYet)
    if (n.hook == hook) return true;
  return false;
}

struct Hook {
  const char* name;
  bool set;
};

// Every hook a lower subsystem declares for a higher one to answer.
std::vector<Hook> programHooks() {
  const auto& d = gDispatchHooks;
  const auto& s = gStoreHooks;
  const auto& m = gMainLoopHooks;
  const auto& p = gPlotHooks;
  return {
      {"gDispatchHooks.refreshMenus", bool(d.refreshMenus)},
      {"gDispatchHooks.closeWindow", bool(d.closeWindow)},
      {"gDispatchHooks.playSound", bool(d.playSound)},
      {"gDispatchHooks.redrawBlockWindow", bool(d.redrawBlockWindow)},
      {"gDispatchHooks.redrawComments", bool(d.redrawComments)},
      {"gDispatchHooks.selectPlotWindow", bool(d.selectPlotWindow)},
      {"gDispatchHooks.rebuildChannelPopup", bool(d.rebuildChannelPopup)},
      {"gDispatchHooks.rebuildStackedDisplay", bool(d.rebuildStackedDisplay)},
      {"gStoreHooks.playSound", s.playSound != nullptr},
      {"gStoreHooks.commentsChanged", s.commentsChanged != nullptr},
      {"gStoreHooks.channelChanged", s.channelChanged != nullptr},
      {"gMenuRuleHooks.applyMenuState", bool(gMenuRuleHooks.applyMenuState)},
      {"gMenuRuleHooks.applyWindowMenu", bool(gMenuRuleHooks.applyWindowMenu)},
      {"gMenuBarHooks.itemLacking", bool(gMenuBarHooks.itemLacking)},
      {"gMainLoopHooks.loadPendingDocuments", bool(m.loadPendingDocuments)},
      {"gMainLoopHooks.openFirstFile", bool(m.openFirstFile)},
      {"gMainLoopHooks.closeFile", bool(m.closeFile)},
      {"gMainLoopHooks.mouse", bool(m.mouse)},
      {"gMainLoopHooks.trackPointer", bool(m.trackPointer)},
      {"gMainLoopHooks.controlClicked", bool(m.controlClicked)},
      {"gMainLoopHooks.startOfRun", bool(m.startOfRun)},
      {"gMainLoopHooks.plotButton", bool(m.plotButton)},
      {"gMainLoopHooks.changeBlockClicked", bool(m.changeBlockClicked)},
      {"gMainLoopHooks.fileActivated", bool(m.fileActivated)},
      {"gMainLoopHooks.otherWindowActivated", bool(m.otherWindowActivated)},
      {"gMainLoopHooks.plotWindowMoved", bool(m.plotWindowMoved)},
      {"gMainLoopHooks.plotWindowResized", bool(m.plotWindowResized)},
      {"gMainLoopHooks.plotKey", bool(m.plotKey)},
      {"gMainLoopHooks.toolbarClosed", bool(m.toolbarClosed)},
      {"gNotesHooks.showCase", bool(gNotesHooks.showCase)},
      {"gPreferencesHooks.redrawAfterChange", bool(gPreferencesHooks.redrawAfterChange)},
      {"gKitHooks.redrawToolbarBackground", bool(gKitHooks.redrawToolbarBackground)},
      {"gOutputUiHooks.drawDisk", bool(gOutputUiHooks.drawDisk)},
      {"gOutputUiHooks.drawPage", bool(gOutputUiHooks.drawPage)},
      {"gOutputUiHooks.tabFileDataBar", bool(gOutputUiHooks.tabFileDataBar)},
      {"gPlotHooks.drawLabelStuff", bool(p.drawLabelStuff)},
      {"gPlotHooks.drawTimeDate", bool(p.drawTimeDate)},
      {"gPlotHooks.drawOverlay", bool(p.drawOverlay)},
      {"gPlotHooks.drawMarkers", bool(p.drawMarkers)},
      {"gPlotHooks.noteMarkers", bool(p.noteMarkers)},
      {"gPlotHooks.drawComments", bool(p.drawComments)},
      {"gPlotHooks.doAllValues", bool(p.doAllValues)},
      {"gPlotHooks.drawBlock", bool(p.drawBlock)},
      {"gPlotHooks.openBlockWindow", bool(p.openBlockWindow)},
      {"gPlotHooks.fixCommentsWindow", bool(p.fixCommentsWindow)},
      {"gPlotHooks.drawAllChannels", bool(p.drawAllChannels)},
      {"gPlotHooks.multiChannelDisplay", bool(p.multiChannelDisplay)},
      {"gOpenHooks.merge", bool(gOpenHooks.merge)},
      {"gOpenHooks.openPlotWindow", bool(gOpenHooks.openPlotWindow)},
      {"gOpenHooks.drawPlotSummary", bool(gOpenHooks.drawPlotSummary)},
      {"gOpenHooks.retitlePlotWindow", bool(gOpenHooks.retitlePlotWindow)},
      {"gOpenHooks.restoreWindowName", bool(gOpenHooks.restoreWindowName)},
      {"gRecorderHooks.flashStep", bool(gRecorderHooks.flashStep)},
      {"gScanHooks.constantVolumeSetup", bool(gScanHooks.constantVolumeSetup)},
      {"gCommentsBoxHooks.editComments", bool(gCommentsBoxHooks.editComments)},
      {"gHistogramHook", bool(gHistogramHook)},
  };
}

TEST(Wiring, StartUpRegistersEveryBuiltCommandAndAnswersEveryHook) {
  plat::test::reset();
  testsupport::ClearWiring();
  for (const Hook& h : programHooks()) ASSERT_FALSE(h.set) << h.name << " was not cleared";

  for (int16_t c = 1; c <= 32; ++c) StoreScalingEntry(c, {0.0f, 0.0f, 0.0f});
  RegisterAllCommands(CorvimetRegistrars());
  // Results come out unscaled until the user sets factors.
  EXPECT_EQ(ScalingEntryOf(1), ScalingEntry{});
  EXPECT_EQ(ScalingEntryOf(32), ScalingEntry{});

  for (int16_t i = 1; i < static_cast<int16_t>(Cmd::Count); ++i) {
    const auto c = static_cast<Cmd>(i);
    SCOPED_TRACE(i);
    if (notBuilt(c)) EXPECT_FALSE(CommandRegistered(c)) << "built now: take it off the not-built list";
    else EXPECT_TRUE(CommandRegistered(c)) << "no registrar registers it";
  }
  for (const MenuCommand& mc : MenuCommandTable()) {
    SCOPED_TRACE(std::to_string(mc.pick.menu) + "," + std::to_string(mc.pick.item));
    EXPECT_TRUE(CommandRegistered(mc.cmd) || notBuilt(mc.cmd));
  }
  for (const Hook& h : programHooks()) {
    SCOPED_TRACE(h.name);
    if (notBuilt(h.name)) EXPECT_FALSE(h.set) << "answered now: take it off the not-built list";
    else EXPECT_TRUE(h.set) << "no registrar answers it";
  }
  testsupport::ClearWiring();
}

}  // namespace
