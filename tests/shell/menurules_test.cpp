#include "shell/menurules.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"

namespace {

const std::vector<int16_t> kBlockTools = {565, 566, 567, 568, 569, 570, 571, 572, 573,
                                          575, 576, 589, 591, 592, 593, 595};

class MenuRulesTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }

  static void Reset() {
    ClearCommandRegistry();
    gDispatchHooks = {};
    gMenuRuleHooks = {};
    for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
    std::fill(std::begin(prefsArray), std::end(prefsArray), int16_t{0});
    TheFileInUse = kNoFile;
    AvoidInterpolation = 0;
    AllValues = PlotAsHistogram = 0;
    BlockWindowModal = 0;
    PortForResultsOutput = 0;
    NumberOfOpenFiles = 0;
    ThisFileName.clear();
    FixMenuSEVEN();
  }

  static void Record(Cmd c) { RegisterCommand(c, [](int16_t) {}); }

  // Rules alone: every command exists.
  static MenuState Rules(const MenuContext& c) {
    return ComputeMenuState(c, true, [](MenuPick) { return true; }, [](int16_t) { return true; });
  }

  static MenuContext FileContext() {
    MenuContext c;
    c.hasFile = true;
    c.channels = 2;
    c.cases = 1000;
    c.openFiles = 1;
    return c;
  }
};

TEST_F(MenuRulesTest, WithoutAFileOnlyFileScriptSpecialAndHelpWork) {
  const MenuState st = Rules(MenuContext{});
  for (int16_t m : {kMenuEdit, kMenuAnalyze, kMenuView, kMenuChannel, kMenuWindow})
    EXPECT_EQ(st.menuEnabled(m), false) << m;
  for (int16_t m : {kMenuFile, kMenuScript, kMenuSpecial, kMenuHelp})
    EXPECT_EQ(st.menuEnabled(m), true) << m;
  EXPECT_EQ(st.itemEnabled(kPickOpenNative), true);
  EXPECT_EQ(st.itemEnabled({kMenuFile, 2}), true);
  EXPECT_EQ(st.itemEnabled({kMenuFile, 13}), true);
  EXPECT_EQ(st.itemEnabled({kMenuFile, 21}), true);
  for (int16_t k : {3, 5, 6, 7, 10, 12, 14, 15, 16})
    EXPECT_EQ(st.itemEnabled({kMenuFile, k}), false) << k;
  for (int16_t id : kBlockTools) EXPECT_EQ(st.toolEnabled(id), false) << id;
  EXPECT_EQ(st.toolEnabled(574), false);
  EXPECT_EQ(st.toolEnabled(590), false);
}

TEST_F(MenuRulesTest, BlockEnablesTheBlockTools) {
  MenuContext c = FileContext();
  MenuState st = Rules(c);
  for (int16_t id : kBlockTools) EXPECT_EQ(st.toolEnabled(id), false) << id;
  EXPECT_EQ(st.itemEnabled(kPickZoomIn), false);
  EXPECT_EQ(st.itemEnabled(kPickDescriptiveStats), false);
  EXPECT_EQ(st.itemEnabled(kPickClearBlock), false);

  c.blockState = 3;  // first edge only: still no block
  st = Rules(c);
  EXPECT_EQ(st.toolEnabled(565), false);
  EXPECT_EQ(st.itemEnabled(kPickClearBlock), true);

  c.blockState = 2;
  st = Rules(c);
  for (int16_t id : kBlockTools) EXPECT_EQ(st.toolEnabled(id), true) << id;
  EXPECT_EQ(st.toolEnabled(574), true);
  EXPECT_EQ(st.itemEnabled(kPickZoomIn), true);
  EXPECT_EQ(st.itemEnabled(kPickDescriptiveStats), true);
  EXPECT_EQ(st.itemEnabled(kPickClearBlock), true);
  // Buttons without a block rule stay on either way.
  for (int16_t id : {551, 563, 577, 583, 598, 599}) EXPECT_EQ(st.toolEnabled(id), true) << id;
}

TEST_F(MenuRulesTest, OneChannelDisablesTheCrossChannelCommands) {
  MenuContext c = FileContext();
  c.blockState = 2;
  c.channels = 1;
  MenuState st = Rules(c);
  EXPECT_EQ(st.toolEnabled(574), false);
  EXPECT_EQ(st.itemEnabled(kPickRegress), false);
  EXPECT_EQ(st.itemEnabled(kPickShowMultiple), false);
  EXPECT_EQ(st.toolEnabled(565), true);
  c.channels = 2;
  st = Rules(c);
  EXPECT_EQ(st.toolEnabled(574), true);
  EXPECT_EQ(st.itemEnabled(kPickRegress), true);
  EXPECT_EQ(st.itemEnabled(kPickShowMultiple), true);
}

TEST_F(MenuRulesTest, ZoomedAndStackedViews) {
  MenuContext c = FileContext();
  MenuState st = Rules(c);
  EXPECT_EQ(st.itemEnabled(kPickZoomOut), false);
  EXPECT_EQ(st.toolEnabled(590), false);
  EXPECT_EQ(st.itemEnabled(kPickOverlay), true);
  EXPECT_EQ(st.toolEnabled(581), true);
  EXPECT_EQ(st.itemEnabled(kPickShowSingle), false);

  c.zoomed = true;
  st = Rules(c);
  EXPECT_EQ(st.itemEnabled(kPickZoomOut), true);
  EXPECT_EQ(st.toolEnabled(590), true);

  c.stacked = true;
  st = Rules(c);
  EXPECT_EQ(st.itemEnabled(kPickZoomOut), false);
  EXPECT_EQ(st.toolEnabled(590), false);
  EXPECT_EQ(st.itemEnabled(kPickOverlay), false);
  EXPECT_EQ(st.toolEnabled(581), false);
  EXPECT_EQ(st.itemEnabled(kPickShowSingle), true);
  // Commands that work in the stacked view keep their menus.
  EXPECT_EQ(st.menuEnabled(kMenuEdit), true);
  EXPECT_EQ(st.itemEnabled(kPickDuplicateChannel), true);
}

TEST_F(MenuRulesTest, FFTNeeds128CasesAndMarkersNeedMarkers) {
  MenuContext c = FileContext();
  c.cases = 127;
  EXPECT_EQ(Rules(c).itemEnabled(kPickFFT), false);
  c.cases = 128;
  EXPECT_EQ(Rules(c).itemEnabled(kPickFFT), true);
  EXPECT_EQ(Rules(c).itemEnabled(kPickShowMarkers), false);
  c.markers = 1;
  EXPECT_EQ(Rules(c).itemEnabled(kPickShowMarkers), true);
}

TEST_F(MenuRulesTest, ResetLastBlockNeedsAKeptBlockInsideTheFile) {
  MenuContext c = FileContext();
  EXPECT_EQ(Rules(c).itemEnabled(kPickResetLastBlock), false);
  c.beginBlock = 10;
  c.endBlock = 20;
  EXPECT_EQ(Rules(c).itemEnabled(kPickResetLastBlock), true);
  c.blockState = 2;  // the block is on screen already
  EXPECT_EQ(Rules(c).itemEnabled(kPickResetLastBlock), false);
  c.blockState = 0;
  c.endBlock = 10;
  EXPECT_EQ(Rules(c).itemEnabled(kPickResetLastBlock), false);
  c.endBlock = 1001;  // past the end after a cut
  EXPECT_EQ(Rules(c).itemEnabled(kPickResetLastBlock), false);
}

TEST_F(MenuRulesTest, CloseSeveralFilesNeedsThree) {
  MenuContext c = FileContext();
  c.openFiles = 2;
  EXPECT_EQ(Rules(c).itemEnabled(kPickCloseSeveral), false);
  c.openFiles = 3;
  EXPECT_EQ(Rules(c).itemEnabled(kPickCloseSeveral), true);
}

TEST_F(MenuRulesTest, CheckMarksFollowTheirWords) {
  MenuContext c = FileContext();
  MenuState st = Rules(c);
  for (MenuPick p : {kPickRecordEdits, kPickAutorepeat, kPickAvoidInterpolated, kPickShowComments,
                     kPickBlockInstructions, kPickShowMarkers, kPickAllValues, kPickHistogram,
                     kPickQuietScripts})
    EXPECT_EQ(st.itemChecked(p), false) << p.menu << "/" << p.item;
  EXPECT_EQ(st.itemChecked(kPickOpenNative), std::nullopt);

  c.recordEdits = c.autorepeat = c.avoidInterpolation = c.commentsShown = c.blockInstructions =
      c.markersShown = c.allValues = c.histogram = c.quietScripts = true;
  c.resultsPort = 5;
  st = Rules(c);
  for (MenuPick p : {kPickRecordEdits, kPickAutorepeat, kPickAvoidInterpolated, kPickShowComments,
                     kPickBlockInstructions, kPickShowMarkers, kPickAllValues, kPickHistogram,
                     kPickQuietScripts})
    EXPECT_EQ(st.itemChecked(p), true) << p.menu << "/" << p.item;
  EXPECT_EQ(st.itemChecked({kMenuSendResults, 1}), false);
  EXPECT_EQ(st.itemChecked({kMenuSendResults, 2}), true);
  EXPECT_EQ(st.itemChecked({kMenuSendResults, 3}), false);
}

TEST_F(MenuRulesTest, ContextComesFromTheCurrentFileAndTheWords) {
  int16_t slot = -1;
  ASSERT_EQ(OpenNewFileSlot(200, 3, &slot), StoreStatus::Ok);
  TheFileInUse = static_cast<uint16_t>(slot);
  FileSHORTS[slot][kShortBlockState] = 2;
  FileSHORTS[slot][kShortZoomed] = 1;
  FileSHORTS[slot][kShortView] = 1;
  ASSERT_EQ(AddMarker(slot, 5, 'a'), StoreStatus::Ok);
  prefsArray[2] = 1;   // comments hidden
  prefsArray[20] = 1;
  prefsArray[44] = 1;
  const MenuContext c = CurrentMenuContext();
  EXPECT_TRUE(c.hasFile);
  EXPECT_EQ(c.blockState, 2);
  EXPECT_TRUE(c.zoomed);
  EXPECT_TRUE(c.stacked);
  EXPECT_EQ(c.channels, 3);
  EXPECT_EQ(c.cases, 200);
  EXPECT_EQ(c.markers, 1);
  EXPECT_EQ(c.openFiles, 1);
  EXPECT_FALSE(c.commentsShown);
  EXPECT_TRUE(c.blockInstructions);
  EXPECT_TRUE(c.recordEdits);

  TheFileInUse = 3;  // an empty slot
  EXPECT_FALSE(CurrentMenuContext().hasFile);
  TheFileInUse = kNoFile;
  EXPECT_FALSE(CurrentMenuContext().hasFile);
}

TEST_F(MenuRulesTest, MissingCommandsStayDisabled) {
  Record(Cmd::ZoomIn);
  Record(Cmd::Average);
  Record(Cmd::RecordScript);
  MenuContext c = FileContext();
  c.blockState = 2;
  const MenuState st = ComputeMenuState(c, false);
  EXPECT_FALSE(st.showToolbar);
  EXPECT_EQ(st.itemEnabled(kPickZoomIn), true);
  EXPECT_EQ(st.toolEnabled(589), true);
  EXPECT_EQ(st.toolEnabled(565), true);
  EXPECT_EQ(st.itemEnabled(kPickZoomOut), false);
  EXPECT_EQ(st.toolEnabled(566), false);
  EXPECT_EQ(st.itemEnabled(kPickOpenNative), false);
  EXPECT_EQ(st.toolEnabled(563), false);
  // A submenu whose items all lack commands is closed at its parent.
  EXPECT_EQ(st.itemEnabled({kMenuEdit, 20}), false);
  EXPECT_EQ(st.itemEnabled({kMenuAnalyze, 25}), false);
  // The script runner keeps the states of its items once they exist.
  EXPECT_EQ(st.itemEnabled({kMenuScript, 1}), std::nullopt);
  EXPECT_EQ(st.itemEnabled({kMenuScript, 2}), false);
}

TEST_F(MenuRulesTest, SubmenuParentFollowsItsItems) {
  Record(Cmd::GasUnits);
  MenuContext c = FileContext();
  EXPECT_EQ(ComputeMenuState(c, true).itemEnabled({kMenuEdit, 20}), true);
  // Append needs a file even when its loader exists.
  Record(Cmd::FileLoading);
  c.hasFile = false;
  const MenuState st = ComputeMenuState(c, true);
  EXPECT_EQ(st.itemEnabled({kMenuFile, 2}), true);
  EXPECT_EQ(st.itemEnabled({kMenuFile, 3}), false);
}

TEST_F(MenuRulesTest, ModalBlockWindowTakesFileToScript) {
  MenuContext c = FileContext();
  c.blockWindowModal = true;
  const MenuState st = Rules(c);
  for (int16_t m = kMenuFile; m <= kMenuScript; ++m) EXPECT_EQ(st.menuEnabled(m), false) << m;
  EXPECT_EQ(st.menuEnabled(kMenuWindow), true);
  EXPECT_EQ(st.menuEnabled(kMenuSpecial), true);
}

TEST_F(MenuRulesTest, SetMenuHandsTheStateToTheGui) {
  std::vector<MenuState> applied;
  gMenuRuleHooks.applyMenuState = [&applied](const MenuState& s) { applied.push_back(s); };
  EXPECT_EQ(SETMENU(1), 0);
  EXPECT_EQ(SETMENU(0), 0);
  ASSERT_EQ(applied.size(), 2u);
  EXPECT_TRUE(applied[0].showToolbar);
  EXPECT_FALSE(applied[1].showToolbar);
}

// ---- Window menu ---------------------------------------------------------------------

TEST_F(MenuRulesTest, WindowMenuListsOpenFilesInSlotOrder) {
  int16_t s = -1;
  for (const char* name : {"first.orl", "second.orl", "third.orl"}) {
    ASSERT_EQ(OpenNewFileSlot(10, 1, &s), StoreStatus::Ok);
    FileName[s] = name;
  }
  FreeSlot(1);
  TheFileInUse = 2;
  std::vector<WindowMenu> shown;
  gMenuRuleHooks.applyWindowMenu = [&shown](const WindowMenu& w) { shown.push_back(w); };
  EXPECT_EQ(FixMenuSEVEN(), 0);
  ASSERT_EQ(shown.size(), 1u);
  const WindowMenu& w = shown[0];
  EXPECT_EQ(w.titles, (std::vector<std::string>{"first.orl", "third.orl"}));
  EXPECT_EQ(w.slots, (std::vector<int16_t>{0, 2}));
  EXPECT_EQ(w.checkedItem, 2);
  EXPECT_FALSE(w.closeSeveralEnabled);
  EXPECT_EQ(NumberOfOpenFiles, 2);
  EXPECT_EQ(ThisFileName, "third.orl");
  EXPECT_EQ(WindowMenuSlots(), w.slots);

  ASSERT_EQ(OpenNewFileSlot(10, 1, &s), StoreStatus::Ok);  // back into slot 1
  FileName[s] = "-";
  const WindowMenu w3 = ComputeWindowMenu(kNoFile);
  EXPECT_EQ(w3.openFiles, 3);
  EXPECT_TRUE(w3.closeSeveralEnabled);
  EXPECT_EQ(w3.checkedItem, 0);
  // A file named "-" must not turn into a separator line.
  EXPECT_NE(w3.titles[1], "-");
}

TEST_F(MenuRulesTest, WindowMenuSkipsSlotsWithoutData) {
  int16_t s = -1;
  ASSERT_EQ(OpenNewFileSlot(10, 1, &s), StoreStatus::Ok);
  FileName[s] = "loading";
  nCases[s] = 0;  // taken by a load that has not filled it yet
  TheFileInUse = static_cast<uint16_t>(s);
  const WindowMenu w = ComputeWindowMenu(0);
  EXPECT_TRUE(w.titles.empty());
  EXPECT_EQ(w.openFiles, 0);
  EXPECT_EQ(Rules(CurrentMenuContext()).menuEnabled(kMenuWindow), false);
}

}  // namespace
