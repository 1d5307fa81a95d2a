// The save-changes question with a Save command present, and "Close Several
// Files": which files close, which stay, and who comes forward.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/program_support.h"
#include "support/window_support.h"

#include <filesystem>
#include <string>

#include "datafiles/close.h"
#include "datafiles/ui/close.h"
#include "datafiles/ui/datafiles_commands.h"
#include "datafiles/ui/open.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/windows.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/ui/about.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/menubar.h"
#include "shell/ui/startup.h"
// Last: Qt's "slots" keyword macro must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;

class Closing : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    SetFixedColours();
    SetSchemeDefaults();
    testsupport::ClearStore();
    ClearCommandRegistry();
    ClearQuitRequest();
    prefsArray[kPrefSoundLevel] = 0;
    RunScript = 0;
    MAINMENU();
    InstallShellHooks();
    RegisterOpenCommands();
    // Three small files, the last in front.
    for (int16_t s = 0; s < 3; ++s) {
      ASSERT_EQ(AllocateSlot(s, 20, 2), StoreStatus::Ok);
      FileName[s] = "run" + std::to_string(s + 1);
      OpenPlotWindow(s);
      ActivateFileSlot(s);
    }
  }
  void TearDown() override {
    testsupport::StopProgram();
    ClearQuitRequest();
  }
};

TEST_F(Closing, SaveRunsTheSaveCommandOnThatFileAndAFailedSaveKeepsItOpen) {
  std::vector<uint16_t> savedSlots;
  bool saveWorks = false;
  RegisterCommand(Cmd::Save, [&](int16_t) {
    savedSlots.push_back(TheFileInUse);
    if (saveWorks) FileSHORTS[TheFileInUse][kShortChanged] = 0;
  });
  FileSHORTS[0][kShortChanged] = 1;
  ASSERT_EQ(TheFileInUse, 2);
  bool first = true, second = false;
  Script s;
  s.call([] { EXPECT_TRUE(plat::controlExists(kSaveChangesWindow, kSaveChangesSave)); })
      .click(kSaveChangesWindow, kSaveChangesSave)
      .call([&] { saveWorks = true; })
      .key(kSaveChangesWindow, 13);   // Return: Save, the default
  plat::test::run(s, [&] {
    first = CHECKDUMP(0);
    second = CHECKDUMP(0);
  });
  EXPECT_FALSE(first);    // the save did not happen: the file must stay
  EXPECT_TRUE(second);
  EXPECT_EQ(savedSlots, (std::vector<uint16_t>{0, 0}));
  EXPECT_EQ(TheFileInUse, 2);   // the front file stays the front file
  // An unchanged file is not asked about.
  plat::test::run(Script{}, [] { EXPECT_TRUE(CHECKDUMP(1)); });
}

TEST_F(Closing, CloseSeveralClosesTheTickedFiles) {
  EXPECT_TRUE(plat::itemEnabled(kMenuFile, 10));
  FileSHORTS[1][kShortChanged] = 1;
  Script s;
  s.call([] {
     EXPECT_EQ(plat::buttonState(kCloseSeveralWindow, 1), 2);
     EXPECT_EQ(plat::controlTitle(kCloseSeveralWindow, 3), "run3");
   })
      .click(kCloseSeveralWindow, 1)   // keep run1
      .click(kCloseSeveralWindow, kCloseSeveralClose)
      .click(kSaveChangesWindow, kSaveChangesDontSave);   // run2 was changed
  plat::test::run(s, [] { CloseSeveralFiles(); });
  EXPECT_EQ(OpenFileSlots(), std::vector<int16_t>{0});
  EXPECT_EQ(TheFileInUse, 0);
  EXPECT_EQ(plat::frontWindow(), PlotWindowId(0));
  EXPECT_FALSE(plat::windowExists(PlotWindowId(2)));
  EXPECT_EQ(plat::itemCount(kMenuWindow), 1);
  EXPECT_FALSE(plat::itemEnabled(kMenuFile, 10));
}

TEST_F(Closing, CancelInTheQuestionStopsCloseSeveral) {
  FileSHORTS[0][kShortChanged] = 1;
  Script s;
  s.click(kCloseSeveralWindow, kCloseSeveralClose).click(kSaveChangesWindow, kSaveChangesCancel);
  plat::test::run(s, [] { CloseSeveralFiles(); });
  EXPECT_EQ(OpenFileSlots(), (std::vector<int16_t>{0, 1, 2}));
  Script c;
  c.click(kCloseSeveralWindow, kCloseSeveralCancel);
  plat::test::run(c, [] { CloseSeveralFiles(); });
  EXPECT_EQ(OpenFileSlots().size(), 3u);
}

TEST_F(Closing, PureRules) {
  EXPECT_EQ(ChangedFileSlots(), std::vector<int16_t>{});
  FileSHORTS[2][kShortChanged] = 1;
  FileSHORTS[0][kShortChanged] = 1;
  EXPECT_EQ(ChangedFileSlots(), (std::vector<int16_t>{0, 2}));
  EXPECT_EQ(FileToActivateAfterClose(0), 1);
  EXPECT_EQ(FileToActivateAfterClose(1), 0);
  const std::vector<int16_t> back = WindowsClosedWith(4, false);
  EXPECT_EQ(back, std::vector<int16_t>{1004});
  const std::vector<int16_t> front = WindowsClosedWith(4, true);
  EXPECT_EQ(front.size(), 1u + 4u + 24u + 1u);
  EXPECT_EQ(front.back(), 1200);
  FreeSlot(1);
  FreeSlot(2);
  EXPECT_EQ(FileToActivateAfterClose(0), -1);
}

}  // namespace
