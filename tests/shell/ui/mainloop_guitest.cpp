// The main loop: menu picks run their commands, the Window menu lists and
// activates the open files, activation switches the current file, the close
// box and File > Close run the close flow, and Quit ends the loop.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/program_support.h"
#include "support/window_support.h"
#include "support/scratch.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "datafiles/datafile.h"
#include "datafiles/ui/close.h"
#include "datafiles/ui/datafiles_commands.h"
#include "datafiles/ui/open.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/windows.h"
#include "editing/ui/baseline.h"
#include "editing/ui/blockpick.h"
#include "editing/ui/filewindows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/commentsbox.h"
#include "plot/ui/plotwindow.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/ui/about.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/menubar.h"
#include "shell/ui/startup.h"
#include "shell/ui/kitglobals.h"
#include "platform/app.h"
#include "plot/ui/plot_commands.h"
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

const fs::path kDemo = fs::path(CORVIMET_RESOURCE_DIR) / "demo" / "demo-respirometry.orl";

class MainLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    SetFixedColours();
    SetSchemeDefaults();
    testsupport::ClearStore();
    ClearCommandRegistry();
    ClearQuitRequest();
    ForgetDocuments();
    prefsArray[kPrefSoundLevel] = 25;
    prefsArray[kPrefQuietScripts] = 0;
    RunScript = 0;
    MenuIDENTIFIER = MenuItem = 0;
    MAINMENU();
    InstallShellHooks();
    RegisterHelpCommands();
    RegisterOpenCommands();
    RegisterPlotCommands();   // a loaded file gets its plot window
    SETMENU(0);
    FixMenuSEVEN();
    dir_ = testsupport::MakeScratchDir("corvimet-loop-");
  }
  void TearDown() override {
    testsupport::StopProgram();
    ClearQuitRequest();
    fs::remove_all(dir_);
  }
  // Loads copies of the demo under these names, in slot order.
  void load(std::initializer_list<const char*> names) {
    plat::test::run(Script{}, [&] {
      for (const char* n : names) {
        const fs::path p = dir_ / n;
        fs::copy_file(kDemo, p, fs::copy_options::overwrite_existing);
        ASSERT_GE(LOADFILE(p, kDetectKind), 0) << n;
      }
    });
  }
  static void loop(Script& s) {
    s.stop();
    plat::test::run(s, [] { MainProgramLoop(); });
  }
  fs::path dir_;
};

TEST_F(MainLoop, QuitFromTheFileMenuEndsTheLoop) {
  load({"a.orl"});
  Script s;
  s.menu(kMenuFile, 21);
  plat::test::run(s, [] { MainProgramLoop(); });
  EXPECT_TRUE(QuitRequested());
  EXPECT_EQ(CountOpenFiles(), 1);   // nothing asked: nothing was changed
}

TEST_F(MainLoop, QuitAsksAboutEveryChangedFileAndCancelKeepsRunning) {
  load({"a.orl", "b.orl", "c.orl"});
  FileSHORTS[0][kShortChanged] = 1;
  FileSHORTS[2][kShortChanged] = 1;
  std::vector<std::string> questions;
  const auto ask = [&] { questions.push_back(plat::fieldText(kSaveChangesWindow, 4)); };
  Script s;
  s.menu(kMenuFile, 21)
      .call(ask)
      .click(kSaveChangesWindow, kSaveChangesCancel)
      .call([] { EXPECT_FALSE(QuitRequested()); })
      .menu(kMenuFile, 21)
      .call(ask)
      .call([] { EXPECT_FALSE(plat::controlExists(kSaveChangesWindow, kSaveChangesSave)); })   // no Save command
      .click(kSaveChangesWindow, kSaveChangesDontSave)
      .call(ask)
      .click(kSaveChangesWindow, kSaveChangesDontSave);
  plat::test::run(s, [] { MainProgramLoop(); });
  EXPECT_TRUE(QuitRequested());
  EXPECT_EQ(questions, (std::vector<std::string>{"Save changes to 'a.orl' before quitting?",
                                                 "Save changes to 'a.orl' before quitting?",
                                                 "Save changes to 'c.orl' before quitting?"}));
}

TEST_F(MainLoop, TheDesksQuitRequestRunsTheQuitFlow) {
  load({"a.orl"});
  FileSHORTS[0][kShortChanged] = 1;
  Script s;
  s.call([] { plat::requestQuit(); }).click(kSaveChangesWindow, kSaveChangesDontSave);
  plat::test::run(s, [] { MainProgramLoop(); });
  EXPECT_TRUE(QuitRequested());
}

TEST_F(MainLoop, WindowMenuListsOpenFilesAndAPickActivatesOne) {
  load({"first.orl", "second.orl", "third.orl"});
  ASSERT_EQ(TheFileInUse, 2);
  ASSERT_EQ(plat::itemCount(kMenuWindow), 3);
  EXPECT_EQ(plat::itemTitle(kMenuWindow, 1), "first.orl");
  EXPECT_EQ(plat::itemTitle(kMenuWindow, 3), "third.orl");
  EXPECT_TRUE(plat::itemEnabled(kMenuFile, 10));   // three files: Close Several
  Script s;
  // Each step acts at a poll; the loop sees its event one pass later.
  s.menu(kMenuWindow, 1).call([] {}).call([] {
    EXPECT_EQ(TheFileInUse, 0);
    EXPECT_EQ(plat::frontWindow(), PlotWindowId(0));
  });
  // The user clicks another plot window: it becomes the current file.
  s.activate(PlotWindowId(1)).call([] {}).call([] {
    EXPECT_EQ(TheFileInUse, 1);
    EXPECT_TRUE(plat::itemChecked(kMenuWindow, 2));
    EXPECT_FALSE(plat::itemChecked(kMenuWindow, 1));
    EXPECT_FALSE(plat::itemChecked(kMenuWindow, 3));
  });
  loop(s);
}

// The program still busy with a pick that brings the front file forward
// when the user clicks the close box of the file behind: the pick is taken
// first, yet the click wins, and the file in use is the one in front. The
// window once stayed behind while the program switched to its file.
TEST_F(MainLoop, AClickOnAWindowBehindOutlastsAPickQueuedBeforeIt) {
  load({"first.orl", "second.orl"});
  ASSERT_EQ(plat::frontWindow(), PlotWindowId(1));
  const plat::Rect box = plat::test::closeBoxRect(PlotWindowId(0));
  Script s;
  s.clickOnDesk({(box.left + box.right) / 2, (box.top + box.bottom) / 2}).call([] {}).call([] {}).call([] {}).stop();
  plat::test::run(s, [] {
    plat::postEvent({.kind = plat::EventKind::MenuPick, .menu = kMenuWindow, .item = 2});
    MainProgramLoop();
  });
  EXPECT_TRUE(plat::windowExists(PlotWindowId(0))) << "a close box behind only brings its window forward";
  EXPECT_EQ(plat::frontWindow(), PlotWindowId(0));
  EXPECT_EQ(TheFileInUse, 0);
  EXPECT_NE(plat::title(kCommentsWindow).find("first.orl"), std::string::npos) << plat::title(kCommentsWindow);
}

TEST_F(MainLoop, ClosingAChangedFileAsksFirst) {
  load({"first.orl", "second.orl"});
  FileSHORTS[1][kShortChanged] = 1;
  std::string question;
  Script s;
  s.menu(kMenuFile, 5)
      .call([&] { question = plat::fieldText(kSaveChangesWindow, 4); })
      .click(kSaveChangesWindow, kSaveChangesCancel)
      .call([] {
        EXPECT_TRUE(SlotHoldsFile(1));
        EXPECT_TRUE(plat::windowExists(PlotWindowId(1)));
      })
      .closeBox(PlotWindowId(1))
      .click(kSaveChangesWindow, kSaveChangesDontSave)
      .call([] {
        EXPECT_FALSE(SlotHoldsFile(1));
        EXPECT_FALSE(plat::windowExists(PlotWindowId(1)));
        EXPECT_EQ(TheFileInUse, 0);   // the lowest remaining file comes forward
        EXPECT_EQ(plat::frontWindow(), PlotWindowId(0));
        EXPECT_EQ(plat::itemCount(kMenuWindow), 1);
      });
  loop(s);
  EXPECT_EQ(question, "Save changes to 'second.orl' before closing?");
}

TEST_F(MainLoop, ClosingTheLastFileOffersANewFileOrQuit) {
  load({"only.orl"});
  Script s;
  s.closeBox(PlotWindowId(0))
      .call([] {
        EXPECT_EQ(TheFileInUse, kNoFile);
        EXPECT_FALSE(plat::menuEnabled(kMenuEdit));
        EXPECT_FALSE(plat::menuEnabled(kMenuWindow));
        EXPECT_EQ(plat::controlTitle(kFileTypeWindow, kFileTypeQuitOrCancel), "Quit");
      })
      .click(kFileTypeWindow, kFileTypeNative)
      .answerOpen(kDemo)
      .call([] {
        EXPECT_EQ(TheFileInUse, 0);
        EXPECT_TRUE(plat::menuEnabled(kMenuEdit));
      })
      .menu(kMenuFile, 5)
      .click(kFileTypeWindow, kFileTypeQuitOrCancel);
  plat::test::run(s, [] { MainProgramLoop(); });
  EXPECT_TRUE(QuitRequested());
  EXPECT_EQ(CountOpenFiles(), 0);
}

TEST_F(MainLoop, HelpAndAboutFromTheHelpMenu) {
  load({"a.orl"});
  HelpSubject = 0;
  Script s;
  s.menu(kMenuHelp, 2)
      .menu(kMenuHelp, 1)
      .call([] {
        EXPECT_EQ(plat::title(kAboutWindow), "About Corvimet");
        plat::test::saveArtifact(plat::test::windowImage(kAboutWindow), "about-box.png");
      })
      .click(kAboutWindow, kAboutOK)
      .call([] { EXPECT_FALSE(plat::windowExists(kAboutWindow)); });
  loop(s);
  EXPECT_EQ(plat::test::helpSubjects(), std::vector<int>{0});
}

TEST_F(MainLoop, DocumentsArrivingWhileRunningAreLoaded) {
  load({"a.orl"});
  const fs::path b = dir_ / "b.orl";
  fs::copy_file(kDemo, b);
  Script s;
  s.openDocuments({b}).call([] {}).call([] {
    EXPECT_EQ(CountOpenFiles(), 2);
    EXPECT_EQ(TheFileInUse, 1);
    EXPECT_EQ(FileName[1], "b.orl");
  });
  loop(s);
}

TEST_F(MainLoop, UnavailablePicksAndKeysRunNothing) {
  load({"a.orl"});
  // Picks left by a toolbar or an analysis window for commands that do not
  // exist yet are dropped without harm.
  MenuIDENTIFIER = kMenuAnalyze;
  MenuItem = 1;
  MENU_or_ToolBar_PICKED = 1;
  menuidx = kMenuEdit;
  menuitemx = 16;
  Script s;
  s.key(PlotWindowId(0), 'E').call([] {
    EXPECT_EQ(MenuIDENTIFIER, 0);
    EXPECT_EQ(MENU_or_ToolBar_PICKED, 0);
    EXPECT_EQ(action, 0);
    EXPECT_EQ(CountOpenFiles(), 1);
  });
  loop(s);
}

}  // namespace

namespace {

TEST(PlotGeometry, FollowsTheDisplayAndTheToolbar) {
  // Wide and tall: width capped, plot bottom from an 800-pixel screen height.
  PlotGeometry g = ComputePlotGeometry({1440, 900}, true, 44);
  EXPECT_EQ(g.screenHeight, 800);
  EXPECT_EQ(g.bottomOfPlotArea, 390);
  EXPECT_EQ(g.content, (plat::Rect{94, 44, 1381, 44 + 390 + 39}));
  EXPECT_EQ(g.screenWidth, 1287);
  g = ComputePlotGeometry({2400, 1200}, false, 30);
  EXPECT_EQ(g.content.left, 2);
  EXPECT_EQ(g.content.top, 41);
  EXPECT_EQ(g.content.right, 1800 + 91);
  // Narrow and tall: the whole width, never below 550, and the fixed bottom.
  g = ComputePlotGeometry({800, 900}, true, 44);
  EXPECT_EQ(g.bottomOfPlotArea, 356);
  EXPECT_EQ(g.content.right, 800 + 91);
  g = ComputePlotGeometry({500, 900}, true, 44);
  EXPECT_EQ(g.content.right, 550 + 91);
  // A low display still leaves a plot area, and the window fits its limits.
  g = ComputePlotGeometry({1024, 480}, true, 44);
  EXPECT_GE(g.bottomOfPlotArea, 60);
  EXPECT_GE(g.maxSize.h, g.content.height());
  EXPECT_EQ(SlotOfPlotWindow(1015), 15);
  EXPECT_EQ(SlotOfPlotWindow(1016), -1);
  EXPECT_EQ(SlotOfPlotWindow(999), -1);
}

}  // namespace

// The started program with two files, a block on the second, in front.
class FrontFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testsupport::MakeScratchDir("corvimet-front-");
    testsupport::StartProgram();
    plat::test::run(Script{}, [&] {
      for (const char* n : {"first.orl", "second.orl"}) {
        const fs::path p = dir_ / n;
        fs::copy_file(kDemo, p);
        ASSERT_GE(LOADFILE(p, kDetectKind), 0) << n;
      }
    });
    ASSERT_EQ(TheFileInUse, 1);
    ActiveChannel = 1;
    BeginBlock[1] = 1795;
    EndBlock[1] = 3596;
    FileSHORTS[1][kShortBlockState] = 2;
    plat::test::run(Script{}, [] {
      FrontFileChanged(1);
      SETMENU(1);
    });
    ASSERT_EQ(BlockWindowIsOpen, 1);
  }
  void TearDown() override {
    testsupport::StopProgram();
    fs::remove_all(dir_);
  }
  // A table's row on a fresh program and folder; the last row's goes with the test.
  void fresh() {
    TearDown();
    SetUp();
  }
  // The file whose plot window stands in front of the others.
  static int16_t frontFile() {
    for (int w : plat::windowIds())
      if (PlotSlotOfWindow(w) >= 0) return PlotSlotOfWindow(w);
    return -1;
  }
  static void loop(Script& s) {
    s.stop();
    plat::test::run(s, [] { MainProgramLoop(); });
  }
  fs::path dir_;
};

// A window whose loop ends on the activation of another file's plot window
// took that activation from the main loop: it counts all the same, and the
// next command acts on the file in front. A window that outlasts the
// activation leaves the same when it ends. Smoothing and Remove Spikes bring
// their own file back instead: then that file is the one in use.
TEST_F(FrontFile, AWindowEndedByAnotherFilesPlotLeavesTheFileInFrontInUse) {
  struct Row {
    const char* name;
    int16_t menu, item;
    int window;
    int16_t inUse;   // the file in use and in front afterwards
    bool staysOpen;  // the window outlasts the activation: its close box ends it
    bool stores = false;  // File > Store Current Result afterwards stores second.orl's result
  };
  const Row rows[] = {
      {"Basic Descriptive Stats", kMenuAnalyze, 1, kResultsWindow, 0, false, true},
      {"Edit File Data", kMenuEdit, 9, 6, 0, false},
      {"Standard Transformations", kMenuEdit, 22, kResultsWindow, 0, true},
      {"Q10", kMenuSpecial, 11, 8, 0, false},
      {"Oxygen Partial Pressure", kMenuSpecial, 7, 8, 0, false},
      {"File Information", kMenuFile, 12, kFileInfoWindow, 0, false},
      {"Time Integration", kMenuAnalyze, 20, kResultsWindow, 0, true, true},
      {"FFT", kMenuAnalyze, 13, kResultsWindow, 0, true},
      {"Correct Baseline", kMenuEdit, 11, kResultsWindow, 0, false},
      {"Smoothing", kMenuEdit, 16, kResultsWindow, 1, false},
      {"Remove Spikes", kMenuEdit, 17, kResultsWindow, 1, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    fresh();
    Script s;
    const fs::path results = dir_ / "results";
    if (r.stores) s.menu(kMenuSendResults, 3).answerSave(results);
    s.menu(r.menu, r.item).call([&] { ASSERT_TRUE(plat::windowExists(r.window)); }).activate(PlotWindowId(0));
    if (r.staysOpen) s.call([&] { EXPECT_TRUE(plat::windowExists(r.window)); }).closeBox(r.window);
    for (int k = 0; k < 8; ++k) s.call([] {});
    s.call([&] {
      EXPECT_FALSE(plat::windowExists(r.window));
      EXPECT_EQ(frontFile(), r.inUse);
      EXPECT_EQ(TheFileInUse, r.inUse);
      EXPECT_NE(plat::title(kCommentsWindow).find(r.inUse == 0 ? "first.orl" : "second.orl"), std::string::npos)
          << plat::title(kCommentsWindow);
      // The block window and the menus are the file's: the first has no block.
      EXPECT_EQ(BlockWindowIsOpen, r.inUse == 1 ? 1 : 0);
      EXPECT_EQ(plat::itemEnabled(kMenuAnalyze, 1), r.inUse == 1);
    });
    // The result is second.orl's: its record names second.orl and its block,
    // whichever file stands in front.
    if (r.stores) {
      s.menu(kMenuFile, 16).call([&] {
        const std::string text = testsupport::ReadFileBytes(results);
        EXPECT_NE(text.find("FILE  'second.orl '; CHANNEL"), std::string::npos) << text;
        EXPECT_EQ(text.find("first.orl"), std::string::npos) << text;
        EXPECT_NE(text.find("1795"), std::string::npos) << text;
      });
      // Once second.orl is closed its numbers name no file.
      s.menu(kMenuWindow, 2).menu(kMenuFile, 5).call([] {}).call([] { ASSERT_FALSE(SlotHoldsFile(1)); });
      s.menu(kMenuFile, 16).call([] {
        EXPECT_EQ(plat::fieldText(kAlertWindow, kAlertMessage),
                  "There is no result to store: the file it came from was closed.");
      });
      s.click(kAlertWindow, kAlertOK);
    }
    loop(s);
  }
}

// A press on the plot of the file behind brings the file forward and keeps
// its block; a press on the plot in front starts a pick as ever.
TEST_F(FrontFile, APressThatBringsAPlotForwardKeepsItsBlock) {
  Script s;
  s.activate(PlotWindowId(0)).call([] {}).call([] { ASSERT_EQ(TheFileInUse, 0); });
  s.clickAt(PlotWindowId(1), {300, 120}).call([] {}).call([] {}).call([] {
    EXPECT_EQ(TheFileInUse, 1);
    EXPECT_EQ(FileSHORTS[1][kShortBlockState], 2);
    EXPECT_EQ(BeginBlock[1], 1795);
    EXPECT_EQ(EndBlock[1], 3596);
    EXPECT_EQ(BlockWindowIsOpen, 1);
  });
  s.clickAt(PlotWindowId(1), {300, 120}).call([] {}).call([] {}).call([] {
    EXPECT_EQ(FileSHORTS[1][kShortBlockState], 3) << "a press on the plot in front places a first edge";
  });
  loop(s);
}

// Change Blocks… cancelled clears the block: the block window shows it no more.
TEST_F(FrontFile, ABlockClearedByACommandLeavesTheBlockWindowAtOnce) {
  Script s;
  s.menu(kMenuChangeOrRemove, 1).call([] { ASSERT_TRUE(plat::windowExists(kBlockSetWindow)); });
  s.click(kBlockSetWindow, kBlockSetCancel).call([] {}).call([] {}).call([] {}).call([] {
    EXPECT_FALSE(plat::windowExists(kBlockSetWindow));
    EXPECT_EQ(FileSHORTS[1][kShortBlockState], 0);
    EXPECT_EQ(BlockWindowIsOpen, 0);
  });
  loop(s);
}

// Change Blocks… while it collects blocks: a click on the plot of the file
// behind ends it as a click on "Change Block(s)" would, in the file whose
// blocks were picked; then the file in front is the file in use, and a
// drag there picks its own block.
TEST_F(FrontFile, ChangeBlocksEndsOnAClickOnAnotherFilesPlot) {
  const std::vector<float> firstBefore = gPointersToFileData[0][1];
  const int first = PlotWindowId(0);
  Script s;
  s.menu(kMenuChangeOrRemove, 1).call([] { ASSERT_TRUE(plat::windowExists(kBlockSetWindow)); });
  s.type(kBlockSetWindow, kBlockSetValueField, "77");
  s.clickAt(first, {300, 120});
  for (int k = 0; k < 6; ++k) s.call([] {});
  s.call([&] {
    EXPECT_FALSE(plat::windowExists(kBlockSetWindow));
    EXPECT_EQ(frontFile(), 0);
    EXPECT_EQ(TheFileInUse, 0);
    EXPECT_NE(plat::title(kCommentsWindow).find("first.orl"), std::string::npos);
    EXPECT_EQ(FileSHORTS[0][kShortBlockState], 0) << "the press that brought first.orl forward picks nothing";
    EXPECT_EQ(gPointersToFileData[0][1], firstBefore) << "first.orl as it was";
    EXPECT_EQ(GetDatum(1, 1, 1795), 77.0f);
    EXPECT_EQ(GetDatum(1, 1, 3596), 77.0f);
    EXPECT_NE(GetDatum(1, 1, 1794), 77.0f);
    plat::test::saveArtifact(plat::test::deskImage(), "front-file-change-blocks-click-behind.png");
    for (int16_t f : {0, 1}) FileSHORTS[f][kShortChanged] = 0;
  });
  loop(s);
}

// Correct Baseline on second.orl: a click on first.orl's plot behind ends
// the dialog, from its picks, its typed values or its periodic window
// alike. A preview waiting for "Baseline OK" is applied where it was drawn;
// otherwise nothing changes. Then first.orl is in front and in use.
TEST_F(FrontFile, CorrectBaselineEndsOnAClickOnAnotherFilesPlot) {
  struct Row {
    const char* name;
    std::vector<std::pair<int, int16_t>> clicks;   // window, button before the click behind
    bool corrected;                                // second.orl's channel changed
  };
  const Row rows[] = {
      {"nothing chosen", {}, false},
      {"automatic preview", {{kResultsWindow, kBaselineAuto}}, true},
      {"start and end picks", {{kResultsWindow, kBaselineCursorBoth}}, false},
      {"one pick", {{kResultsWindow, kBaselineCursorOne}}, false},
      {"typed values", {{kResultsWindow, kBaselineTyped}}, false},
      {"multiple points", {{kResultsWindow, kBaselineMultiple}}, false},
      {"periodic start point", {{kResultsWindow, kBaselinePeriodic}, {kPeriodicWindow, kPeriodicStartPoint}}, false},
      {"periodic from a block", {{kResultsWindow, kBaselinePeriodic}, {kPeriodicWindow, kPeriodicFromBlock}}, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    fresh();
    const std::vector<float> firstBefore = gPointersToFileData[0][1];
    const std::vector<float> secondBefore = gPointersToFileData[1][1];
    Script s;
    s.menu(kMenuEdit, 11).call([] { ASSERT_TRUE(plat::windowExists(kResultsWindow)); });
    for (const auto& [w, id] : r.clicks) s.click(w, id).call([] {});
    s.clickAt(PlotWindowId(0), {300, 120});
    // The prompts' flashing runs steps of their own.
    for (int k = 0; k < 40; ++k) s.call([] {});
    s.call([&] {
      EXPECT_FALSE(plat::windowExists(kResultsWindow));
      EXPECT_FALSE(plat::windowExists(kPeriodicWindow));
      EXPECT_EQ(frontFile(), 0);
      EXPECT_EQ(TheFileInUse, 0);
      EXPECT_NE(plat::title(kCommentsWindow).find("first.orl"), std::string::npos);
      EXPECT_EQ(gPointersToFileData[0][1], firstBefore) << "first.orl as it was";
      EXPECT_EQ(gPointersToFileData[1][1] != secondBefore, r.corrected);
      for (int16_t f : {0, 1}) FileSHORTS[f][kShortChanged] = 0;
    });
    loop(s);
  }
}
