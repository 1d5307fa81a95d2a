// Start-up: preferences, the menu bar, the splash, the file-type dialog and
// the documents named on the command line, up to the main loop.
#include <gtest/gtest.h>

#include "support/scratch.h"

#include <filesystem>
#include <fstream>
#include <string>

#include "datafiles/datafile.h"
#include "datafiles/ui/open.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/prefs.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/menubar.h"
#include "registrars.h"
#include "shell/ui/startup.h"
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

const fs::path kDemo = fs::path(CORVIMET_RESOURCE_DIR) / "demo" / "demo-respirometry.orl";

class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    clear();
    fs::remove(prefsFile());
  }
  void TearDown() override {
    clear();
    fs::remove(prefsFile());
  }
  static void clear() {
    for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
    BackupCache.releaseAll();
    TheFileInUse = kNoFile;
    ClearCommandRegistry();
    ClearQuitRequest();
    ForgetDocuments();
    gDispatchHooks = {};
    gMenuRuleHooks = {};
    gStoreHooks = {};
    gOpenHooks = {};
  }
  static fs::path prefsFile() { return plat::appFolder() / kPrefsFileName; }
};

TEST_F(StartUpTest, ReachesTheFileTypeDialogAfterTheSplashAndQuits) {
  bool splash = false;
  bool started = true;
  Script s;
  s.call([&] { splash = plat::windowExists(kSplashWindow); })
      .click(kFileTypeWindow, kFileTypeHelp)
      .call([] {
        EXPECT_FALSE(plat::windowExists(kSplashWindow));
        EXPECT_EQ(plat::controlTitle(kFileTypeWindow, kFileTypeQuitOrCancel), "Quit");
        // The bar holds every menu; those that need a file wait for one.
        std::vector<int> bar;
        for (int16_t m : MenuBarOrder()) bar.push_back(m);
        EXPECT_EQ(plat::menuBarMenus(), bar);
        EXPECT_TRUE(plat::menuEnabled(kMenuFile));
        EXPECT_TRUE(plat::itemEnabled(kMenuFile, 1));
        EXPECT_TRUE(plat::itemEnabled(kMenuFile, 21));
        EXPECT_FALSE(plat::itemEnabled(kMenuFile, 5));
        EXPECT_FALSE(plat::menuEnabled(kMenuEdit));
        EXPECT_FALSE(plat::menuEnabled(kMenuAnalyze));
        EXPECT_FALSE(plat::menuEnabled(kMenuWindow));
        EXPECT_TRUE(plat::menuEnabled(kMenuHelp));
        EXPECT_EQ(plat::itemTitle(kMenuFile, 21), "Quit");
        EXPECT_TRUE(IsSeparatorItem(kMenuFile, 4));
        plat::test::saveArtifact(plat::test::deskImage(), "startup-desk.png");
      })
      .click(kFileTypeWindow, kFileTypeQuitOrCancel);
  plat::test::run(s, [&] { started = StartUp(CorvimetRegistrars(), {}); });
  EXPECT_TRUE(splash);
  EXPECT_FALSE(started);
  EXPECT_EQ(plat::test::helpSubjects(), std::vector<int>{kHelpOpening});
  EXPECT_EQ(prefsArray[kPrefSoundLevel], DefaultPrefWord(kPrefSoundLevel));
}

TEST_F(StartUpTest, ADamagedPreferencesFileIsReportedAndNotApplied) {
  {
    std::ofstream out(prefsFile(), std::ios::binary);
    out << "definitely not a preferences file";
  }
  std::string message;
  Script s;
  s.key(kAlertWindow, 0)
      .call([&] { message = plat::fieldText(kAlertWindow, kAlertMessage); })
      .click(kAlertWindow, kAlertOK)
      .click(kFileTypeWindow, kFileTypeQuitOrCancel);
  plat::test::run(s, [] { StartUp(CorvimetRegistrars(), {}); });
  EXPECT_NE(message.find("The start-up settings are used instead."), std::string::npos) << message;
  EXPECT_EQ(plat::test::soundsPlayed(), std::vector<std::string>{"bzot"});
  EXPECT_EQ(prefsArray[kPrefSoundLevel], DefaultPrefWord(kPrefSoundLevel));
}

TEST_F(StartUpTest, OpeningTheDemoFromTheStartUpDialogEntersTheProgram) {
  Script s;
  s.click(kFileTypeWindow, kFileTypeNative).answerOpen(kDemo);
  bool started = false;
  plat::test::run(s, [&] { started = StartUp(CorvimetRegistrars(), {}); });
  ASSERT_TRUE(started);
  EXPECT_EQ(TheFileInUse, 0);
  EXPECT_TRUE(plat::windowExists(PlotWindowId(0)));
  EXPECT_TRUE(plat::menuEnabled(kMenuEdit));
  EXPECT_TRUE(plat::menuEnabled(kMenuWindow));
  EXPECT_TRUE(plat::itemEnabled(kMenuFile, 5));
}

TEST_F(StartUpTest, CommandLineDocumentsLoadWithoutTheDialog) {
  const fs::path scratch = testsupport::MakeScratchDir("corvimet-startup-");
  const fs::path bad = scratch / "bad.orl";
  {
    std::ofstream out(bad, std::ios::binary);
    out << "-999\r\x00";
  }
  Script s;
  s.click(kAlertWindow, kAlertOK);   // the damaged second document
  bool started = false;
  plat::test::run(s, [&] { started = StartUp(CorvimetRegistrars(), {kDemo, bad}); });
  fs::remove_all(scratch);
  ASSERT_TRUE(started);
  EXPECT_EQ(CountOpenFiles(), 1);
  EXPECT_EQ(FileName[0], "demo-respirometry.orl");
  EXPECT_EQ(plat::itemCount(kMenuWindow), 1);
  EXPECT_FALSE(DocumentsPending());
}

TEST_F(StartUpTest, OnlyBadDocumentsFallBackToTheDialog) {
  Script s;
  s.click(kAlertWindow, kAlertOK).click(kFileTypeWindow, kFileTypeQuitOrCancel);
  bool started = true;
  plat::test::run(s, [&] { started = StartUp(CorvimetRegistrars(), {"/nonexistent/recording.orl"}); });
  EXPECT_FALSE(started);
  EXPECT_EQ(CountOpenFiles(), 0);
}

TEST_F(StartUpTest, ADocumentArrivingDuringTheDialogEndsTheLoop) {
  Script s;
  s.click(kFileTypeWindow, kFileTypeHelp).openDocuments({kDemo});
  bool started = false;
  plat::test::run(s, [&] { started = StartUp(CorvimetRegistrars(), {}); });
  EXPECT_TRUE(started);
  EXPECT_EQ(TheFileInUse, 0);
  EXPECT_FALSE(plat::windowExists(kFileTypeWindow));
}

TEST_F(StartUpTest, RunCorvimetReturnsWhenTheUserQuits) {
  Script s;
  s.menu(kMenuFile, 21);
  plat::test::run(s, [] { RunCorvimet(CorvimetRegistrars(), {kDemo}); });
  EXPECT_TRUE(QuitRequested());
}

}  // namespace
