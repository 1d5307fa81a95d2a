// The acquisition summary in its four modes and the file-data dialog, driven
// headlessly on the demo recording: what each mode leaves open and current,
// edits committed or refused, the changed mark, and the ways out.
#include "editing/ui/fileinfo.h"

#include <gtest/gtest.h>

#include "support/window_support.h"

#include <algorithm>
#include <string>

#include "datafiles/native_binary.h"
#include "editing/ui/comments.h"
#include "editing/ui/filedata.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/test.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/worktables.h"
#include "plot/ui/draw.h"
#include "shell/recording.h"

namespace {

using plat::test::Script;

using testsupport::SoundPlayed;

class FileInfoGui : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForDemoDialogTest();
    prefsArray[53] = 0;
    MENU_or_ToolBar_PICKED = 0;
    EFForeColor = 1;
    EFBackColor = 6;
    testsupport::InstallProgramWiring();
    FiO2 = 20.95f;
    FiCO2 = 0.038f;
    RQ = 0.85f;
    slot_ = testsupport::ShowDemoInBarePlot();
    ASSERT_GE(slot_, 0);
    ActiveChannel = 1;
    FileSHORTS[slot_][kShortBlockState] = 0;
    plat::setCurrentPort(plot());
    plat::test::clearRecorders();
  }
  void TearDown() override {
    for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
    TheFileInUse = kNoFile;
    testsupport::ClearWiring();
  }
  int plot() const { return kPlotWindowBase + slot_; }
  bool changed() const { return FileSHORTS[slot_][kShortChanged] != 0; }
  // Field text replaced as a user would: select all, type.
  static Script& retype(Script& s, int field, const std::string& text) {
    s.call([field] { plat::setFieldText(kFileDataWindow, field, ""); });
    return s.type(kFileDataWindow, field, text);
  }

  int16_t slot_ = -1;
};

// ---- FILEINFO -------------------------------------------------------------------------

TEST_F(FileInfoGui, LegendModeListsTheActiveChannelFirstAndStaysOpen) {
  ActiveChannel = 3;
  plat::disposeWindow(kResultsWindow);
  BuildWINDOW(1, kResultsWindow, "Results", 100, 500, 500, 700, kKindDocument, 0);
  plat::test::run(Script{}, [] { FILEINFO("", "", "", 0); });
  ASSERT_TRUE(plat::windowExists(kFileInfoWindow));
  EXPECT_EQ(plat::title(kFileInfoWindow), "Color Codes for  'demo-respirometry.orl '");
  EXPECT_EQ(plat::contentSize(kFileInfoWindow).w, 316);
  EXPECT_FALSE(plat::windowExists(kResultsWindow)) << "modes other than 3 close window 4";
  EXPECT_EQ(plat::currentPortWindow(), plot());
  EXPECT_TRUE(plat::windowVisible(kToolbarWindow)) << "mode 0 restores the toolbar at its end";
  EXPECT_EQ(plat::contentRect(kFileInfoWindow).top, plat::contentRect(plot()).top + BottomOfPlotArea + 40);
  plat::test::saveArtifact(plat::test::windowImage(kFileInfoWindow), "fileinfo-legend.png");
}

TEST_F(FileInfoGui, SummaryOverTheEditorAndOverTheResultsWindowDoNotWait) {
  plat::createWindow({.id = kCommentsEditorWindow, .title = "editor", .content = {200, 200, 800, 500}});
  plat::test::run(Script{}, [] { FILEINFO("", "", "", 2); });
  ASSERT_TRUE(plat::windowExists(kFileInfoWindow));
  EXPECT_EQ(plat::title(kFileInfoWindow), "Acquisition Data for  'demo-respirometry.orl '");
  // Asked for at the left edge, right of the toolbar standing there.
  EXPECT_EQ(plat::contentRect(kFileInfoWindow).left, plat::frameRect(kToolbarWindow).right + 4);
  EXPECT_EQ(plat::contentRect(kFileInfoWindow).top, 70);
  EXPECT_EQ(plat::contentSize(kFileInfoWindow).w, 805);
  EXPECT_EQ(plat::currentPortWindow(), kCommentsEditorWindow);

  BuildWINDOW(1, kResultsWindow, "Transformations", 100, 500, 500, 700, kKindDocument, 0);
  plat::test::run(Script{}, [] { FILEINFO("", "", "", 3); });
  EXPECT_TRUE(plat::windowExists(kResultsWindow)) << "mode 3 lies over window 4";
  EXPECT_TRUE(plat::windowExists(kFileInfoWindow));
  EXPECT_EQ(plat::currentPortWindow(), kResultsWindow);
}

TEST_F(FileInfoGui, FullSummaryWaitsUntilDismissed) {
  // A calibration table worth reading: linear analysers, a copied channel.
  nVar[slot_][1] = {0, 1, 20.95f, 0.5f, 0, 1, 12};
  nVar[slot_][2] = {0, 2, 0, 0.1f, 0, 1, 12};
  nVar[slot_][3] = {0, 103, 0, 200, 0, 9, 1};
  nVar[slot_][4] = {0, 4, -50, 100, 0, 1, 1};
  bool seen = false;
  Script s;
  s.call([&] {
     seen = plat::windowExists(kFileInfoWindow);
     EXPECT_FALSE(plat::windowVisible(kToolbarWindow));
     plat::test::saveArtifact(plat::test::windowImage(kFileInfoWindow), "fileinfo-summary.png");
   })
      .key(kFileInfoWindow, '?')
      .closeBox(kFileInfoWindow);
  plat::test::run(s, [] { FILEINFO("ignored", "", "", 1); });
  EXPECT_TRUE(seen);
  EXPECT_FALSE(plat::windowExists(kFileInfoWindow));
  EXPECT_TRUE(plat::windowVisible(kToolbarWindow));
  EXPECT_EQ(plat::currentPortWindow(), plot());
  EXPECT_EQ(plat::test::helpSubjects(), std::vector<int>{kHelpFileInfo});
}

TEST_F(FileInfoGui, FullSummaryEndsOnAMenuPickAndLeavesItForTheMainLoop) {
  plat::defineMenu(kMenuAnalyze, "Analyze", {{.title = "Statistics"}});
  Script s;
  s.menu(kMenuAnalyze, 1);
  plat::test::run(s, [] { FILEINFO("", "", "", 1); });
  EXPECT_FALSE(plat::windowExists(kFileInfoWindow));
  EXPECT_EQ(MenuIDENTIFIER, kMenuAnalyze);
  EXPECT_EQ(MenuItem, 1);
}

TEST_F(FileInfoGui, FullSummaryEndsWhenAnotherWindowIsActivatedButNotTheEditor) {
  plat::createWindow({.id = kCommentsEditorWindow, .title = "editor", .content = {200, 200, 800, 500}});
  plat::setCurrentPort(plot());
  Script s;
  s.activate(kCommentsEditorWindow)
      .call([] { EXPECT_TRUE(plat::windowExists(kFileInfoWindow)); })
      .activate(plot());
  plat::test::run(s, [] { FILEINFO("", "", "", 1); });
  EXPECT_FALSE(plat::windowExists(kFileInfoWindow));
}

TEST_F(FileInfoGui, ManyChannelsGrowTheWindow) {
  plat::test::run(Script{}, [] { FILEINFO("", "", "", 3); });
  const int small = plat::contentSize(kFileInfoWindow).h;
  for (int i = 0; i < 16; ++i) ASSERT_EQ(AddChannel(slot_), StoreStatus::Ok);
  ASSERT_EQ(nChannels[slot_], 20);
  plat::test::run(Script{}, [] { FILEINFO("", "", "", 3); });
  EXPECT_EQ(plat::contentSize(kFileInfoWindow).h - small, 13 * 20 - 208);
}

TEST_F(FileInfoGui, FileCommandIsRegistered) {
  ASSERT_TRUE(CommandRegistered(Cmd::FileInfo));
  ASSERT_TRUE(CommandRegistered(Cmd::EditFileData));
  Script s;
  s.closeBox(kFileInfoWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuFile, 12)); });
  EXPECT_FALSE(plat::windowExists(kFileInfoWindow));
}

// ---- EditFileData ---------------------------------------------------------------------

TEST_F(FileInfoGui, EditingALabelAndTheIntervalCommitsAndMarksTheFile) {
  MAINMENU();
  RebuildChannelMenu();
  DrawPlot(0, 0, 1);
  const QImage labelLine = plat::test::portImage(plot()).copy(100, 18, 400, 18);
  Script s;
  s.call([] {
    EXPECT_EQ(plat::title(kFileDataWindow), "Channel labels  .  .  .  .  .  .  .  .  .  .  and variables");
    EXPECT_EQ(plat::contentSize(kFileDataWindow).w, 641);
    EXPECT_EQ(plat::fieldText(kFileDataWindow, kLabelFieldBase + 1), "O2 (%)");
    EXPECT_EQ(plat::fieldText(kFileDataWindow, kIntervalField), "1.000");
    EXPECT_EQ(plat::buttonState(kFileDataWindow, 1), 2) << "the active channel is marked";
    EXPECT_FALSE(plat::windowVisible(kToolbarWindow));
  });
  retype(s, kLabelFieldBase + 1, "O2 excurrent (%)");
  retype(s, kIntervalField, "0.5");
  s.call([] { plat::test::saveArtifact(plat::test::windowImage(kFileDataWindow), "filedata-dialog.png"); })
      .click(kFileDataWindow, kFileDataDone);
  plat::test::run(s, [] { EditFileData(1); });
  EXPECT_EQ(RetrieveLabelOf(slot_, 1), FitLabel("O2 excurrent (%)"));
  EXPECT_EQ(FileInfoFLOATS[slot_][kInfoInterval], 0.5f);
  EXPECT_TRUE(changed());
  EXPECT_FALSE(plat::windowExists(kFileDataWindow));
  EXPECT_TRUE(plat::windowVisible(kToolbarWindow));
  EXPECT_TRUE(SoundPlayed("wssst!"));
  EXPECT_FALSE(SoundPlayed("bzot"));
  // The new name shows at once: in the label line and the Channel menu.
  EXPECT_NE(plat::test::portImage(plot()).copy(100, 18, 400, 18), labelLine);
  EXPECT_NE(plat::itemTitle(kMenuChannel, 1).find("O2 excurrent"), std::string::npos);
  EXPECT_EQ(plat::currentPortWindow(), plot());
}

TEST_F(FileInfoGui, InvalidValuesKeepTheirOldOnesWithAWarning) {
  const float interval = FileInfoFLOATS[slot_][kInfoInterval];
  const std::string start = StartTime[slot_];
  Script s;
  retype(s, kIntervalField, "0");
  retype(s, kStartTimeField, "9:05:00");
  retype(s, kRQField, "-1");
  s.key(kFileDataWindow, 13)
      .call([] {
        ASSERT_TRUE(plat::windowExists(kAlertWindow));
        EXPECT_EQ(plat::fieldText(kFileDataWindow, kIntervalField), "1.000") << "the kept value is shown again";
        plat::test::saveArtifact(plat::test::deskImage(), "filedata-refused.png");
      })
      .click(kAlertWindow, kAlertOK);
  plat::test::run(s, [] { EditFileData(1); });
  EXPECT_EQ(FileInfoFLOATS[slot_][kInfoInterval], interval);
  EXPECT_EQ(StartTime[slot_], start);
  EXPECT_EQ(RQ, 0.85f);
  EXPECT_TRUE(SoundPlayed("bzot"));
  EXPECT_FALSE(changed()) << "nothing that was accepted differed";
}

TEST_F(FileInfoGui, ClosingWithoutEditsChangesNothing) {
  const float interval = FileInfoFLOATS[slot_][kInfoInterval];
  const std::string labels = LabelStrings[slot_][1];
  Script s;
  s.closeBox(kFileDataWindow);
  plat::test::run(s, [] { EditFileData(1); });
  EXPECT_FALSE(changed());
  EXPECT_EQ(FileInfoFLOATS[slot_][kInfoInterval], interval);
  EXPECT_EQ(LabelStrings[slot_][1], labels);
  EXPECT_FALSE(SoundPlayed("bzot"));
}

TEST_F(FileInfoGui, CloseBoxAndActivationCommitLikeDone) {
  Script s;
  retype(s, kMassField, "41.2");
  s.closeBox(kFileDataWindow);
  plat::test::run(s, [] { EditFileData(1); });
  EXPECT_EQ(FileInfoFLOATS[slot_][kInfoMass], 41.2f);
  EXPECT_TRUE(changed());

  FileSHORTS[slot_][kShortChanged] = 0;
  Script t;
  retype(t, kStartTimeField, "09:05:30");
  t.activate(plot());
  plat::test::run(t, [] { EditFileData(1); });
  EXPECT_EQ(StartTime[slot_], "09:05:30");
  EXPECT_NEAR(FileInfoFLOATS[slot_][kInfoStartMinutes], 545.5f, 1e-4);
  EXPECT_TRUE(changed());
}

TEST_F(FileInfoGui, ChannelButtonCommitsActivatesAndRescales) {
  Script s;
  retype(s, kLabelFieldBase + 3, "Flow");
  s.click(kFileDataWindow, 3);
  plat::test::run(s, [] { EditFileData(1); });
  EXPECT_EQ(ActiveChannel, 3);
  EXPECT_EQ(ActiveChannelArray[slot_], 3);
  EXPECT_EQ(RetrieveLabelOf(slot_, 3), FitLabel("Flow"));
  // The plot shows the picked channel, rescaled.
  const QImage shown = plat::test::portImage(plot());
  FindMinMax();
  DrawPlot(0, 0, 1);
  EXPECT_EQ(plat::test::portImage(plot()), shown);
}

TEST_F(FileInfoGui, ShowAcquisitionDataReturnsToTheDialog) {
  Script s;
  s.click(kFileDataWindow, kShowAcquisitionButton)
      .call([] {
        EXPECT_TRUE(plat::windowExists(kFileInfoWindow));
        EXPECT_TRUE(plat::windowExists(kFileDataWindow));
      })
      .activate(kFileDataWindow)
      .call([] {})   // the activation reaches the summary's loop first
      .call([] {
        EXPECT_FALSE(plat::windowExists(kFileInfoWindow));
        EXPECT_EQ(plat::currentPortWindow(), kFileDataWindow);
        EXPECT_FALSE(plat::windowVisible(kToolbarWindow)) << "hidden again for the dialog";
      })
      .click(kFileDataWindow, kFileDataDone);
  plat::test::run(s, [] { EditFileData(1); });
  EXPECT_FALSE(changed());
}

TEST_F(FileInfoGui, WithoutAPlotWindowTheDialogIsPlacedFromTheScreenCorner) {
  const int16_t savedBottom = BottomOfPlotArea;
  FileSHORTS[slot_][kShortPlotBuilt] = 0;
  plat::disposeWindow(plot());
  int top = 0, left = 0;
  Script s;
  s.call([&] {
     top = plat::contentRect(kFileDataWindow).top;
     left = plat::contentRect(kFileDataWindow).left;
   })
      .click(kFileDataWindow, kFileDataDone);
  plat::test::run(s, [] { EditFileData(0); });
  EXPECT_EQ(BottomOfPlotArea, 240);
  EXPECT_EQ(left, 4);
  EXPECT_EQ(top, -20 + 240 + 62);
  BottomOfPlotArea = savedBottom;
}

TEST_F(FileInfoGui, RecordsItsScriptStepAndLeavesTheBlockHighlightAsItWas) {
  FileSHORTS[slot_][kShortBlockState] = 2;
  BeginBlock[slot_] = 100;
  EndBlock[slot_] = 300;
  DrawPlot(0, 0, 1);
  // Below the label line, which is drawn again over itself.
  const auto traceArea = [this] { return plat::test::portImage(plot()).copy(0, 40, ScreenWidth, BottomOfPlotArea - 45); };
  const QImage before = traceArea();
  RecordSCRIPT = 1;
  ScriptCOUNT = 0;
  Script s;
  s.click(kFileDataWindow, kFileDataDone);
  plat::test::run(s, [] { EditFileData(1); });
  RecordSCRIPT = 0;
  EXPECT_EQ(ScriptCOUNT, 1);
  EXPECT_EQ(ScriptSequenceArray[1][1], 29.0f);
  // XOR highlight: taken off before the dialog and put back after it.
  EXPECT_EQ(traceArea(), before);
  // Not taken off without the redraw flag, so not flipped after it either.
  Script t;
  t.click(kFileDataWindow, kFileDataDone);
  plat::test::run(t, [] { EditFileData(0); });
  EXPECT_EQ(traceArea(), before);
  // A picked channel is drawn afresh, highlight included, and not flipped again.
  Script u;
  u.click(kFileDataWindow, 2);
  plat::test::run(u, [] { EditFileData(1); });
  const QImage picked = plat::test::portImage(plot());
  FindMinMax();
  DrawPlot(0, 0, 1);
  EXPECT_EQ(plat::test::portImage(plot()), picked);
}

}  // namespace
