// The editing commands from the program's own start-up: the channel pick
// lists, "Duplicate Channel", Edit > Undo, and nearest-neighbour smoothing
// through its dialog, its script step and its cancels.
#include <gtest/gtest.h>

#include "support/gui_support.h"

#include <filesystem>
#include <string>
#include <vector>

#include "datafiles/ui/open.h"
#include "editing/channelpick.h"
#include "editing/ui/copychannel.h"
#include "editing/ui/picklists.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "scripts/recording.h"
#include "scripts/steptable.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/worktables.h"
#include "shell/ui/commands.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/ui/startup.h"
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

const fs::path kDemo = fs::path(CORVIMET_RESOURCE_DIR) / "demo" / "demo-respirometry.orl";

class Editing : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    SetFixedColours();
    SetSchemeDefaults();
    SetDEFAULTS();
    testsupport::ClearStore();
    ClearCommandRegistry();
    ClearScriptOps();
    prefsArray[kPrefSoundLevel] = 25;
    prefsArray[kPrefQuietScripts] = 0;
    prefsArray[kPrefRecordEdits] = 1;
    RunScript = 0;
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    autoscript = ScriptRunOnce = 0;
    MenuIDENTIFIER = MenuItem = 0;
    MAINMENU();
    InstallShellHooks();
    RegisterAllCommands();
    testsupport::OpenStandInToolbar(kToolbarWindow);
    plat::test::run(Script{}, [&] { slot_ = LOADFILE(kDemo, kDetectKind); });
    ASSERT_GE(slot_, 0);
    TheFileInUse = static_cast<uint16_t>(slot_);
    ActiveChannel = 1;
    FileSHORTS[slot_][kShortChanged] = 0;
    plat::test::clearRecorders();
  }
  void TearDown() override {
    testsupport::ClearStore();
    ClearCommandRegistry();
    ClearScriptOps();
    gDispatchHooks = {};
    gMenuRuleHooks = {};
    gStoreHooks = {};
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
  }
  static void menu(int16_t m, int16_t item) {
    plat::test::run(Script{}, [&] { EXPECT_TRUE(DoMENU(m, item)); });
  }
  void dropLastChannel() {
    bool remove[kMaxChannels + 1] = {};
    remove[nChannels[slot_]] = true;
    ASSERT_EQ(RemoveChannels(slot_, remove), StoreStatus::Ok);
  }
  int16_t slot_ = -1;
};

TEST_F(Editing, PickListsGiveTheirIdsMarkOnlyChan1AndDropAStaleSecondColumn) {
  constexpr int kWin = 10;
  BuildWINDOW(1, kWin, "Pick", 40, 80, 440, 800, kKindDocument, 0);
  while (nChannels[slot_] < 10) ASSERT_EQ(AddChannel(slot_), StoreStatus::Ok);
  const struct {
    bool extended;
    int16_t channels;
    int first, last;
  } cases[] = {{false, 10, 11, 20}, {true, 10, 33, 42}, {false, 32, 33, 64}, {true, 32, 33, 64}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first * 100 + c.channels);
    while (nChannels[slot_] < c.channels) ASSERT_EQ(AddChannel(slot_), StoreStatus::Ok);
    BuildWINDOW(1, kWin, "Pick", 40, 80, 440, 800, kKindDocument, 0);
    yChan = 1;
    Chan1 = 2;
    if (c.extended) TRANSCHANX("Channel:", "Y", "a note", 0, 1, 0, 1);
    else TRANSCHAN("Channel:", "Y", "a note", 0, 1, 0, 1);
    for (int id = 1; id <= c.channels; ++id) EXPECT_TRUE(plat::controlExists(kWin, id)) << id;
    EXPECT_TRUE(plat::controlExists(kWin, c.first));
    EXPECT_TRUE(plat::controlExists(kWin, c.last));
    EXPECT_EQ(plat::buttonState(kWin, 2), 2) << "Chan1 marked";
    EXPECT_EQ(plat::buttonState(kWin, c.first), 1);
    // Drawn again with one column: the second column goes, nothing is marked.
    yChan = 0;
    if (c.extended) TRANSCHANX("Channel:", "", "", 0, 1, 0, 1);
    else TRANSCHAN("Channel:", "", "", 0, 1, 0, 1);
    EXPECT_EQ(plat::buttonState(kWin, 2), 1);
    if (c.extended || c.channels == 32) {
      EXPECT_FALSE(plat::controlExists(kWin, c.first));
      EXPECT_FALSE(plat::controlExists(kWin, c.last));
    }
  }
  yChan = 1;
  Chan1 = 0;
  TRANSCHANX("Channel:", "Y", "", 0, 1, 0, 1);
  for (int id = 1; id <= 64; ++id) EXPECT_NE(plat::buttonState(kWin, id), 2) << id;
  plat::test::saveArtifact(plat::test::windowImage(kWin), "editing-picklist.png");
  yChan = 0;
  Chan1 = 1;
}

TEST_F(Editing, DuplicateChannelMakesTheCopyActiveAndUndoIsOfferedOnlyWithACopyToRestore) {
  const int16_t before = nChannels[slot_];
  SETMENU(0);
  EXPECT_FALSE(plat::itemEnabled(kMenuEdit, 1)) << "nothing to undo yet";
  EXPECT_TRUE(plat::itemEnabled(kMenuEdit, 31));
  menu(kMenuEdit, 31);
  EXPECT_EQ(nChannels[slot_], before + 1);
  EXPECT_EQ(ActiveChannel, before + 1);
  EXPECT_EQ(chanB, before + 1);
  EXPECT_EQ(nVar[slot_][before + 1][1], nVar[slot_][1][1] + 100.0f);
  EXPECT_EQ(gPointersToFileData[slot_][before + 1], gPointersToFileData[slot_][1]);
  EXPECT_EQ(FileSHORTS[slot_][kShortChanged], 1);
  EXPECT_NE(CommentContainer[slot_].find("copy to new channel " + std::to_string(before + 1)), std::string::npos);

  // Undo restores the exact bytes and labels the undo copy was taken from.
  ActiveChannel = 1;
  const std::vector<float> original = gPointersToFileData[slot_][1];
  const std::string labels = LabelStrings[slot_][1];
  ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
  PutDatum(slot_, 1, 3, -1234.5f);
  SetChannelLabel(slot_, 1, "changed");
  SETMENU(0);
  EXPECT_TRUE(plat::itemEnabled(kMenuEdit, 1));
  menu(kMenuEdit, 1);
  EXPECT_EQ(gPointersToFileData[slot_][1], original);
  EXPECT_EQ(LabelStrings[slot_][1], labels);
}

TEST_F(Editing, NoCopyAtThirtyTwoChannelsAndNoStepLeftBehind) {
  while (nChannels[slot_] < kMaxChannels) ASSERT_EQ(AddChannel(slot_), StoreStatus::Ok);
  RecordSCRIPT = 1;
  ScriptCOUNT = 2;
  plat::test::run(Script{}, [] { COPYCHAN(1); });
  EXPECT_EQ(nChannels[slot_], kMaxChannels);
  EXPECT_EQ(ScriptCOUNT, 2);
  dropLastChannel();
  plat::test::run(Script{}, [] { COPYCHAN(1); });
  EXPECT_EQ(ScriptCOUNT, 3);
  EXPECT_EQ(ScriptSequenceArray[3][kStepOpField], 18.0f);
  // Replayed: the step's operation runs the copy.
  ActiveChannel = 1;
  dropLastChannel();
  RecordSCRIPT = 0;
  plat::test::run(Script{}, [] { EXPECT_TRUE(RunScriptStep(3)); });
  EXPECT_EQ(nChannels[slot_], kMaxChannels);
  EXPECT_EQ(gPointersToFileData[slot_][kMaxChannels], gPointersToFileData[slot_][1]);
}

}  // namespace
