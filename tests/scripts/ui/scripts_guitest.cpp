// The Script menu from the program's own start-up: recording, saving,
// clearing and loading a script, the viewer, editor and printout, and runs
// over newly opened files in each mode, with block requests, OPEN FILE
// restarts, the channel-count warning, quiet runs and Interrupt.
#include <gtest/gtest.h>

#include "support/gui_support.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "analyses/linefit.h"
#include "analyses/ui/regression.h"
#include "datafiles/save.h"
#include "output/results.h"
#include "datafiles/datafile.h"
#include "datafiles/native_binary.h"
#include "datafiles/ui/open.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "plot/ui/plot_commands.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/plotwindow.h"
#include "shell/recording.h"
#include "scripts/scriptfile.h"
#include "shell/steptable.h"
#include "scripts/ui/runner.h"
#include "scripts/ui/scriptview.h"
#include "shell/dispatch.h"
#include "shell/menutable.h"
#include "shell/textutil.h"
#include "shell/worktables.h"
#include "shell/ui/kit.h"
#include "shell/ui/mainloop.h"
#include "registrars.h"
#include "shell/ui/startup.h"
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

constexpr int kFirstPlot = 1000, kSecondPlot = 1001, kTwoPlot = 1002;

void ClearWholeStore() {
  for (auto& step : ScriptSequenceArray)
    for (float& f : step) f = 0.0f;
}

class Scripts : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgram();
    dir_ = testsupport::FreshTestDir("corvimet-scripts-");
    first_ = write("first.orl", 3);
    second_ = write("second.orl", 3);
  }
  void TearDown() override {
    EndProgram();
    fs::remove_all(dir_);
  }
  // The program as before its start-up, for another run in the same test.
  void ResetProgram() {
    plat::test::reset();
    testsupport::ClearStore();
    ClearCommandRegistry();
    ClearQuitRequest();
    ForgetDocuments();
    ClearWholeStore();
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    RunScript = 0;
    ScriptRunOnce = 0;
    autoscript = 0;
    FileJustLoaded = 0;
    InitialNumberOfScriptOperationChannels = 0;
    UseLogY = 0;
    TimeUnits = 0;
  }
  void EndProgram() {
    RunScript = 0;
    RecordSCRIPT = 0;
    ScriptRunStep = 0;
    TimeUnits = 0;
    UseLogY = 0;
    testsupport::ClearStore();
    ClearCommandRegistry();
    ClearScriptOps();
    gMainLoopHooks = {};
  }

  // 200 cases a minute apart: channel 1 the case number, channel 2 a line,
  // channel 3 a line with a wobble.
  fs::path write(const std::string& name, int channels) {
    DataFileImage img;
    img.cases = 200;
    img.interval = 60.0f;
    img.startDate = "01-02-2024";
    img.startTime = "08:00:00";
    for (int c = 0; c < channels; ++c) {
      std::vector<float> v(201);
      for (int i = 0; i <= 200; ++i)
        v[static_cast<size_t>(i)] = c == 0 ? static_cast<float>(i)
                                  : c == 1 ? 3.0f + 0.5f * static_cast<float>(i)
                                           : 10.0f + 2.0f * static_cast<float>(i) + static_cast<float>(i % 7);
      img.data.push_back(std::move(v));
      img.labels.push_back(FitLabel("channel " + std::to_string(c + 1)));
      img.travel.push_back({});
    }
    const fs::path p = dir_ / name;
    EXPECT_EQ(WriteNativeBinary(p, ViewOfImage(img)), FileStatus::Ok);
    return p;
  }

  // The program from its start-up with the first file open, then the steps.
  static void Run(Script& s, const std::vector<fs::path>& documents) {
    s.menu(kMenuFile, 21);   // Quit
    plat::test::run(s, [&] { RunCorvimet(CorvimetRegistrars(), documents); });
  }
  // Polls made while the block request flashes take these instead of the
  // user's next steps.
  static Script& Idle(Script& s) {
    for (int k = 0; k < 30; ++k) s.call([] {});
    return s;
  }
  static Script& DragBlock(Script& s, int win) {
    Idle(s).press(win, {120, 150}).moveTo(win, {200, 150}).moveTo(win, {300, 150}).release();
    return Idle(s);
  }

  fs::path dir_, first_, second_;
};

std::string Field(int win, int id) { return plat::fieldText(win, id); }

// Record a channel change, a slope in minutes and a regression; halt, save,
// clear and load; then the second file replays it with the blocks the user
// drags and the continue button.
TEST_F(Scripts, RecordSaveClearLoadAndReplayOnTheNextFile) {
  const fs::path script = dir_ / "run.cmsc";
  float recordedB = 0, recordedRegB = 0;
  Script s;
  Idle(s).call([] {
    // Start-up states of the Script menu.
    for (int i : {1, 2, 4, 5, 13, 15}) EXPECT_TRUE(plat::itemEnabled(kMenuScript, i)) << i;
    for (int i : {6, 8, 9, 10}) EXPECT_FALSE(plat::itemEnabled(kMenuScript, i)) << i;
    EXPECT_TRUE(plat::itemChecked(kMenuScript, 12));
  });
  s.menu(kMenuScript, 1);
  s.call([] { EXPECT_FALSE(plat::itemEnabled(kMenuScript, 1)); });
  s.key(kFirstPlot, '2');
  DragBlock(s, kFirstPlot);
  s.menu(kMenuAnalyze, 15).click(kTimeUnitsWindow, kTimeMinutes);
  s.call([&] { recordedB = ValueOfB; });
  s.closeBox(kResultsWindow);
  s.menu(kMenuAnalyze, 16);
  s.click(kPickWindow, 1).click(kPickWindow, 3 + 3).click(kPickWindow, kPickOK);
  s.click(kPickWindow, 1).click(kPickWindow, kModelDone);
  s.call([&] { recordedRegB = ValueOfB; });
  s.click(kResultsWindow, kRegExit);
  s.menu(kMenuScript, 2);
  s.call([] {
    EXPECT_EQ(ScriptCOUNT, 3);
    EXPECT_TRUE(plat::itemChecked(kMenuScript, 8));
    for (int i : {1, 6, 9, 10}) EXPECT_TRUE(plat::itemEnabled(kMenuScript, i)) << i;
  });
  s.menu(kMenuScript, 6).answerSave(script);
  s.menu(kMenuScript, 13);
  s.call([] {
    EXPECT_EQ(StepCode(ScriptSequenceArray[1]), 0);
    EXPECT_FALSE(plat::itemEnabled(kMenuScript, 8));
  });
  s.menu(kMenuScript, 4).answerOpen(script);
  s.call([] {
    ASSERT_TRUE(plat::windowExists(kViewerWindow));
    EXPECT_EQ(Field(kViewerWindow, kStepLabelField + 1), "1:      CHANGE CHANNEL to:");
    EXPECT_EQ(Field(kViewerWindow, kStepChannelField + 1), "2");
    EXPECT_EQ(Field(kViewerWindow, kStepLabelField + 3), "3:      REGRESS channels");
    plat::test::saveArtifact(plat::test::windowImage(kViewerWindow), "script-viewer-recorded.png");
  });
  s.click(kViewerWindow, kViewerClose);
  s.menu(kMenuScript, 8);
  // The second file starts the run.
  s.menu(kMenuFile, 1).answerOpen(second_);
  Idle(s);
  s.call([] {
    EXPECT_EQ(TheFileInUse, 1);
    EXPECT_EQ(ActiveChannel, 2) << "step 1 ran";
    ASSERT_TRUE(plat::windowExists(kBlockRequestWindow));
    EXPECT_EQ(plat::controlTitle(kSecondPlot, kContinueScriptButton), "Continue Script; Step 2");
  });
  s.call([] {
    plat::test::saveArtifact(plat::test::deskImage(), "script-block-request.png");
    plat::test::saveArtifact(plat::test::windowImage(kBlockRequestWindow), "script-block-request-notice.png");
  });
  DragBlock(s, kSecondPlot);
  s.call([&] {
    EXPECT_EQ(TimeUnits, 1) << "minutes, from the step";
    EXPECT_FLOAT_EQ(ValueOfB, recordedB);
  });
  s.key(kResultsWindow, 13);
  Idle(s).activate(kSecondPlot).click(kSecondPlot, kContinueScriptButton);
  Idle(s);
  // Step 3 runs at once on the same block; no Continue before the end.
  s.call([] { EXPECT_FALSE(plat::controlExists(kSecondPlot, kContinueScriptButton)); });
  s.click(kPickWindow, 1).click(kPickWindow, 3 + 3).click(kPickWindow, kPickOK);
  s.click(kPickWindow, 1).click(kPickWindow, kModelDone);
  s.call([&] { EXPECT_FLOAT_EQ(ValueOfB, recordedRegB); });
  s.click(kResultsWindow, kRegExit);
  s.call([] {
    EXPECT_EQ(RunScript, 1) << "armed again for the next file";
    EXPECT_EQ(ScriptRunOnce, 1);
    EXPECT_EQ(FileJustLoaded, 0);
  });
  Run(s, {first_});
  EXPECT_EQ(ScriptSequenceArray[2][slope_step::kTimeUnits], 1.0f);
  EXPECT_EQ(StepCode(ScriptSequenceArray[4]), 0);
}

// "1st Run Manual" asks and stores the answer into the step; "Automatic,
// One File" with an OPEN FILE step walks on to the opened file and ends
// disarmed.
TEST_F(Scripts, FirstRunManualStoresChoicesAndOneFileEndsDisarmed) {
  ScriptSequenceArray[1][kStepOperation] = kOpSlopeVsTime;
  ScriptSequenceArray[1][kStepMain] = 1;
  ScriptSequenceArray[1][kStepNoContinue] = 1;
  ScriptSequenceArray[2][kStepOperation] = kOpOpenFile;
  ScriptSequenceArray[2][kStepMain] = kFileKindNativeAlt;
  autoscript = 1;
  int16_t autorepeat = -1;
  Script s;
  Idle(s).menu(kMenuScript, 5).click(kViewerWindow, kViewerClose);
  s.call([&] { autorepeat = prefsArray[kPrefAutorepeat]; });
  s.menu(kMenuScript, 9);
  s.menu(kMenuFile, 1).answerOpen(second_);
  DragBlock(s, kSecondPlot);
  s.click(kTimeUnitsWindow, kTimeHours);
  s.key(kResultsWindow, 13);
  s.cancelFileDialog();
  s.call([&] {
    EXPECT_EQ(ScriptSequenceArray[1][slope_step::kTimeUnits], 2.0f) << "the dialog's choice";
    EXPECT_EQ(RunScript, 1);
    EXPECT_EQ(prefsArray[kPrefAutorepeat], autorepeat) << "the user's Autorepeat is back";
  });
  // One file: the opened file runs automatically, and then nothing is armed.
  s.menu(kMenuScript, 10);
  s.call([] { EXPECT_TRUE(plat::itemChecked(kMenuScript, 10)); });
  s.menu(kMenuFile, 1).answerOpen(write("third.orl", 3));
  DragBlock(s, 1002);
  s.key(kResultsWindow, 13);
  s.answerOpen(write("fourth.orl", 3));
  DragBlock(s, 1003);
  s.call([] { EXPECT_EQ(TimeUnits, 2) << "hours, without asking"; });
  s.key(kResultsWindow, 13);
  s.cancelFileDialog();
  s.call([] {
    EXPECT_EQ(RunScript, 0);
    EXPECT_EQ(ScriptRunOnce, 1);
    EXPECT_FALSE(plat::itemChecked(kMenuScript, 10));
    EXPECT_TRUE(plat::itemChecked(kMenuScript, 12));
  });
  // Nothing runs on the next file.
  s.menu(kMenuFile, 1).answerOpen(write("fifth.orl", 3));
  s.call([] {
    EXPECT_EQ(TheFileInUse, 4);
    EXPECT_FALSE(plat::windowExists(kBlockRequestWindow));
  });
  Run(s, {first_});
}

// A quiet run is silent and gives the sound level back after Interrupt;
// "Cancel Script" in the channel-count warning runs no step; missing
// commands and channels are skipped with a notice, unknown codes silently.
TEST_F(Scripts, QuietInterruptWarningAndSkippedSteps) {
  ScriptSequenceArray[1][kStepOperation] = kOpChangeChannel;
  ScriptSequenceArray[1][kStepMain] = 3;
  ScriptSequenceArray[2][kStepOperation] = kOpBasicStats;
  ScriptSequenceArray[3][kStepOperation] = kOpChangeChannel;
  ScriptSequenceArray[3][kStepMain] = 2;
  const fs::path two = write("two.orl", 2);
  int16_t autorepeat = 0;
  Script s;
  Idle(s).menu(kMenuScript, 5).click(kViewerWindow, kViewerClose);
  s.call([&] {
    prefsArray[kPrefSoundLevel] = 25;
    prefsArray[kPrefQuietScripts] = 1;
    autorepeat = prefsArray[kPrefAutorepeat];
  });
  s.menu(kMenuScript, 8);
  s.call([] { plat::test::clearRecorders(); });
  s.menu(kMenuFile, 1).answerOpen(second_);
  Idle(s);
  s.call([] {
    EXPECT_EQ(ActiveChannel, 3);
    EXPECT_EQ(prefsArray[kPrefSoundLevel], 0);
    EXPECT_EQ(prefsArray[kPrefAutorepeat], 1);
    ASSERT_TRUE(plat::controlExists(kSecondPlot, kContinueScriptButton));
  });
  s.menu(kMenuScript, 12);
  s.call([&] {
    EXPECT_TRUE(plat::test::soundsPlayed().empty());
    EXPECT_EQ(prefsArray[kPrefSoundLevel], 25);
    EXPECT_EQ(prefsArray[kPrefAutorepeat], autorepeat);
    EXPECT_EQ(ActiveChannel, 3) << "step 3 never ran";
    EXPECT_FALSE(plat::controlExists(kSecondPlot, kContinueScriptButton));
    prefsArray[kPrefQuietScripts] = 0;
  });
  // Recorded on three channels: the two-channel file is questioned.
  s.menu(kMenuScript, 8);
  s.call([] { InitialNumberOfScriptOperationChannels = 3; });
  s.menu(kMenuFile, 1).answerOpen(two);
  s.call([] {
    EXPECT_EQ(plat::title(kScriptQuestionWindow), "Problematic file");
    plat::test::saveArtifact(plat::test::windowImage(kScriptQuestionWindow), "script-channel-warning.png");
  });
  s.click(kScriptQuestionWindow, kScriptQuestionFirst);
  s.call([] {
    EXPECT_EQ(ActiveChannel, 1) << "no step ran";
    EXPECT_EQ(RunScript, 0);
    // A channel the file lacks takes the steps on it along (the smoothing
    // and the block step); a step this build cannot run, and a code nobody
    // knows. Every operation is built, so one is taken out of the table here.
    RegisterScriptOp(kOpTransformations, nullptr);
    const int codes[] = {kOpChangeChannel, kOpSmoothing, 77, kOpBasicStats, kOpChangeChannel, kOpTransformations};
    for (int k = 0; k < 6; ++k) ScriptSequenceArray[k + 1][kStepOperation] = static_cast<float>(codes[k]);
    ScriptSequenceArray[1][kStepMain] = 9;
    ScriptSequenceArray[5][kStepMain] = 2;
  });
  s.menu(kMenuScript, 8);
  s.menu(kMenuFile, 1).answerOpen(write("third.orl", 3));
  s.call([] {
    EXPECT_EQ(Field(kAlertWindow, kAlertMessage),
              "Script step 1, \"CHANGE CHANNEL to:\" 9, was skipped: this file has 3 channels. Steps 2 "
              "(\"SMOOTHING\") and 4 (\"BASIC STATS\") would have worked on another channel and were skipped "
              "with it.");
    EXPECT_FALSE(plat::windowExists(kBlockRequestWindow));
    plat::test::saveArtifact(plat::test::windowImage(kAlertWindow), "script-skipped-channel.png");
  });
  s.click(kAlertWindow, kAlertOK);
  s.call([] {
    EXPECT_EQ(FileSHORTS[TheFileInUse][kShortChanged], 0) << "nothing smoothed";
    EXPECT_NE(Field(kAlertWindow, kAlertMessage).find("TRANSFORMATIONS"), std::string::npos);
  });
  s.click(kAlertWindow, kAlertOK);
  s.call([] { EXPECT_EQ(ActiveChannel, 2) << "the run went on past the skipped steps"; });
  Run(s, {first_});
}

// "Continue Script" pressed before any block: the step did nothing, and the
// user is told so, as for every other step skipped; Interrupt says nothing.
TEST_F(Scripts, ContinueWithoutABlockSaysTheStepWasSkipped) {
  ScriptSequenceArray[1][kStepOperation] = kOpBasicStats;
  ScriptSequenceArray[2][kStepOperation] = kOpScaleToBlock;
  ScriptSequenceArray[3][kStepOperation] = kOpBasicStats;
  autoscript = 1;
  Script s;
  Idle(s).menu(kMenuScript, 5).click(kViewerWindow, kViewerClose);
  s.menu(kMenuScript, 8);
  s.menu(kMenuFile, 1).answerOpen(second_);
  Idle(s).click(kSecondPlot, kContinueScriptButton);
  s.call([] {
    EXPECT_EQ(Field(kAlertWindow, kAlertMessage),
              "Script step 1, \"BASIC STATS\", was skipped: no block was selected.");
  });
  s.click(kAlertWindow, kAlertOK);
  Idle(s).click(kSecondPlot, kContinueScriptButton);
  s.call([] {
    EXPECT_EQ(Field(kAlertWindow, kAlertMessage),
              "Script step 2, \"SCALE to BLOCK\", was skipped: no block was selected.");
  });
  s.click(kAlertWindow, kAlertOK);
  Idle(s).menu(kMenuScript, 12);
  s.call([] {
    EXPECT_FALSE(plat::windowExists(kAlertWindow));
    EXPECT_FALSE(ScriptRunInProgress());
  });
  Run(s, {first_});
}

// The viewer lists what the store holds, edits the slot a row shows, keeps
// the editor to the numbers a step keeps, deletes, toggles the automatic
// run and prints.
TEST_F(Scripts, ViewerEditorAndPrintout) {
  auto& st = ScriptSequenceArray;
  st[1][kStepOperation] = kOpChangeChannel;
  st[1][kStepMain] = 2;
  st[2][kStepOperation] = kOpSmoothing;
  st[2][smoothing_step::kWidthChoice] = 3;
  st[2][smoothing_step::kCycles] = 2;
  // Slot 3 empty: row 3 shows slot 4.
  st[4][kStepOperation] = kOpTransformations;
  st[4][transform_step::kKind] = 5;
  st[4][transform_step::kA] = 1.5f;
  st[5][kStepOperation] = kOpTransformations;
  st[5][transform_step::kKind] = 17;
  st[6][kStepOperation] = kOpDeleted;
  st[7][kStepOperation] = kOpEndScript;
  // The longest label, for the columns.
  st[8][kStepOperation] = kOpMostVariable;
  st[8][kStepMain] = 86400;
  st[9][kStepOperation] = kOpO2Consumption;
  st[9][gas_step::kFlowChannel] = 5;
  st[9][gas_step::kFlowMode] = 2;
  st[10][kStepOperation] = kOpTransformations;
  st[10][transform_step::kSetBlock] = 2;
  st[10][transform_step::kBlockOnly] = 1;
  st[10][transform_step::kChan1] = 2;
  st[10][transform_step::kSetValue] = 21.5f;
  ScriptFileName = "sample.cmsc";
  Script s;
  s.menu(kMenuScript, 5);
  s.call([] {
    EXPECT_EQ(ScriptViewerRows, 9);
    EXPECT_EQ(Field(kViewerWindow, kStepAField + 2), "cases: 7");
    EXPECT_EQ(Field(kViewerWindow, kStepTransformField + 4), " a + b * X^c");
    EXPECT_EQ(Field(kViewerWindow, kStepAField + 4), "1.5");
    EXPECT_FALSE(plat::controlExists(kViewerWindow, kStepAField + 5)) << "absolute value has no a";
    EXPECT_EQ(Field(kViewerWindow, kStepLabelField + 6), "5:      " + std::string(kDeletedStepLabel));
    plat::test::saveArtifact(plat::test::windowImage(kViewerWindow), "script-viewer.png");
  });
  s.click(kViewerWindow, 3);   // row 3: slot 4
  s.call([] {
    EXPECT_EQ(plat::title(kStepEditorWindow), " Modify Transform Values for Step 4");
    plat::test::saveArtifact(plat::test::windowImage(kStepEditorWindow), "script-step-editor.png");
    plat::setFieldText(kStepEditorWindow, kStepAField + 4, "");
    plat::setFieldText(kStepEditorWindow, kStepBField + 4, "");
  });
  s.type(kStepEditorWindow, kStepAField + 4, "2.5").type(kStepEditorWindow, kStepBField + 4, "-4");
  s.click(kStepEditorWindow, kEditorAccept);
  s.call([] {
    EXPECT_EQ(ScriptSequenceArray[4][transform_step::kA], 2.5f);
    EXPECT_EQ(ScriptSequenceArray[4][transform_step::kB], -4.0f);
    EXPECT_EQ(Field(kViewerWindow, kStepAField + 4), "2.5");
  });
  // A smoothing step keeps no numbers there: the fields only show.
  s.click(kViewerWindow, 2);
  s.call([] { EXPECT_EQ(plat::focusedField(kStepEditorWindow), 0); });
  s.closeBox(kStepEditorWindow);
  s.call([] { EXPECT_EQ(ScriptSequenceArray[2][smoothing_step::kWidthChoice], 3.0f); });
  // Nor does a gas-exchange step: its flow is no field to type into, so
  // nothing typed is lost on "Accept Change".
  s.click(kViewerWindow, 8).key(kStepEditorWindow, '7');
  s.call([] {
    EXPECT_EQ(Field(kStepEditorWindow, kStepAField + 9), "flow: 5");
    EXPECT_EQ(plat::focusedField(kStepEditorWindow), 0);
  });
  s.click(kStepEditorWindow, kEditorAccept);
  s.call([] {
    EXPECT_EQ(ScriptSequenceArray[9][gas_step::kFlowChannel], 5.0f);
    EXPECT_EQ(ScriptSequenceArray[9][gas_step::kFlowMode], 2.0f);
    EXPECT_EQ(Field(kViewerWindow, kStepAField + 9), "flow: 5");
  });
  // A block set keeps its value alone: what is typed there is what replays.
  s.click(kViewerWindow, 9);
  s.call([] {
    EXPECT_EQ(Field(kStepEditorWindow, kStepTransformField + 10), "block set to");
    EXPECT_FALSE(plat::controlExists(kStepEditorWindow, kStepBField + 10)) << "no b to type";
    plat::setFieldText(kStepEditorWindow, kStepAField + 10, "");
  });
  s.type(kStepEditorWindow, kStepAField + 10, "-0.75").click(kStepEditorWindow, kEditorAccept);
  s.call([] {
    EXPECT_EQ(ScriptSequenceArray[10][transform_step::kSetValue], -0.75f);
    EXPECT_EQ(ScriptSequenceArray[10][transform_step::kA], 0.0f);
    EXPECT_EQ(Field(kViewerWindow, kStepAField + 10), "-0.75");
  });
  // Delete, then cancel: nothing; delete and accept: code 99.
  s.click(kViewerWindow, 1).click(kStepEditorWindow, kEditorDelete).click(kStepEditorWindow, kEditorCancel);
  s.call([] { EXPECT_EQ(StepCode(ScriptSequenceArray[1]), kOpChangeChannel); });
  s.click(kViewerWindow, 1).click(kStepEditorWindow, kEditorDelete).click(kStepEditorWindow, kEditorAccept);
  s.call([] {
    EXPECT_EQ(StepCode(ScriptSequenceArray[1]), kOpDeleted);
    EXPECT_EQ(Field(kViewerWindow, kStepLabelField + 1), "1:      " + std::string(kJustDeletedStepLabel));
  });
  s.click(kViewerWindow, kViewerAutomatic);
  s.call([] { EXPECT_EQ(autoscript, 1); });
  s.click(kViewerWindow, kViewerPrint).answerPageSetup(true).answerPrint(true);
  s.click(kViewerWindow, kViewerClose);
  Run(s, {first_});
  ASSERT_EQ(plat::test::printedPages().size(), 1u);
  std::string text;
  for (const std::string& line : plat::test::printedPages()[0].lines) text += line + "\n";
  for (const char* want : {"Script sequence from 'sample.cmsc'", "SMOOTHING", "TRANSFORMATIONS", "END SCRIPT"})
    EXPECT_NE(text.find(want), std::string::npos) << want << " in\n" << text;
}

// "Script Exists": a new script leaves no old step behind; adding goes on
// after the last step held. Damaged and cancelled loads change nothing.
TEST_F(Scripts, StartingAgainAddingAndRefusedLoads) {
  ScriptSequenceArray[1][kStepOperation] = kOpCopyChannel;
  ScriptSequenceArray[5][kStepOperation] = kOpSmoothing;
  const fs::path text = dir_ / "notes.cmsc";
  std::ofstream(text) << "these are notes, not a script at all\n" << std::string(200, 'x');
  Script s;
  s.menu(kMenuScript, 1);
  s.call([] { EXPECT_EQ(plat::title(kScriptQuestionWindow), "Script Exists"); });
  s.click(kScriptQuestionWindow, kScriptQuestionSecond);
  s.call([] { EXPECT_EQ(ScriptCOUNT, 5); });
  s.menu(kMenuScript, 2).menu(kMenuScript, 1);
  s.click(kScriptQuestionWindow, kScriptQuestionFirst);
  s.call([] {
    EXPECT_EQ(ScriptCOUNT, 0);
    EXPECT_EQ(StepCode(ScriptSequenceArray[5]), 0) << "nothing of the old script is replayed";
    ScriptSequenceArray[2][kStepOperation] = kOpRegress;
  });
  s.menu(kMenuScript, 2);
  s.menu(kMenuScript, 4).answerOpen(text);
  s.call([] { EXPECT_NE(Field(kAlertWindow, kAlertMessage).find("not a script"), std::string::npos); });
  s.click(kAlertWindow, kAlertOK);
  s.menu(kMenuScript, 4).cancelFileDialog();
  s.call([] {
    EXPECT_EQ(StepCode(ScriptSequenceArray[2]), kOpRegress);
    EXPECT_FALSE(plat::windowExists(kViewerWindow));
  });
  // A file cut short loads as far as it goes and says how far that was.
  const fs::path cut = dir_ / "cut.cmsc";
  {
    static float store[kStepSlots][kStepFields];
    std::memset(store, 0, sizeof store);   // afresh each run: the test writes into it
    store[2][kStepOperation] = kOpSmoothing;
    store[9][kStepOperation] = kOpBasicStats;
    std::ofstream(cut, std::ios::binary) << EncodeScriptFile(store, 1).substr(0, 1000);
  }
  s.menu(kMenuScript, 4).answerOpen(cut);
  s.call([] {
    EXPECT_EQ(Field(kAlertWindow, kAlertMessage),
              "The script file cut.cmsc ends early: only steps 1 to 7 were read (1 holds an operation); the steps "
              "after them are empty, and Automatic Run is off.");
  });
  s.click(kAlertWindow, kAlertOK);
  s.call([] {
    EXPECT_EQ(ScriptViewerRows, 1);
    EXPECT_EQ(autoscript, 0);
  });
  s.click(kViewerWindow, kViewerClose);
  Run(s, {first_});
}

// A command that throws still gives the sound level and Autorepeat back.
TEST_F(Scripts, AnExceptionLeavesNothingOfTheRunBehind) {
  ScriptSequenceArray[1][kStepOperation] = kOpCopyChannel;
  Script s;
  Idle(s).call([] {
    prefsArray[kPrefSoundLevel] = 25;
    prefsArray[kPrefQuietScripts] = 1;
    prefsArray[kPrefAutorepeat] = 0;
    RegisterScriptOp(kOpCopyChannel, [](int16_t) {
      EXPECT_EQ(prefsArray[kPrefSoundLevel], 0);
      throw std::runtime_error("disk gone");
    });
    RunScript = 1;
    ScriptRunOnce = 1;
    EXPECT_THROW(DOSCRIPT(), std::runtime_error);
    EXPECT_EQ(prefsArray[kPrefSoundLevel], 25);
    EXPECT_EQ(prefsArray[kPrefAutorepeat], 0);
    EXPECT_FALSE(ScriptRunInProgress());
    EXPECT_EQ(ScriptRunStep, 0);
    RunScript = 0;
    prefsArray[kPrefQuietScripts] = 0;
  });
  Run(s, {first_});
}

// Step `first`: a block-only smoothing of a block picked for it; the next
// step sets a block of `channel` to 99, the same block or one picked anew.
void SmoothThenSetBlockTo99(int first, float pick, float channel) {
  float* smooth = ScriptSequenceArray[first];
  smooth[kStepOperation] = kOpSmoothing;
  smooth[kStepBlockPick] = kBlockPickedAnew;
  smooth[smoothing_step::kWidthChoice] = 3;
  smooth[smoothing_step::kCycles] = 2;
  smooth[smoothing_step::kBlockOnly] = 1;
  float* set = ScriptSequenceArray[first + 1];
  set[kStepOperation] = kOpTransformations;
  set[kStepBlockPick] = pick;
  set[transform_step::kSetBlock] = 1;
  set[transform_step::kBlockOnly] = 1;
  set[transform_step::kChan1] = channel;
  set[transform_step::kSetValue] = 99;
}

// A run belongs to the file it started on. Three files open, a script of a
// block-only smoothing, "\xC6 Block to:" 99 on the same block and Basic
// Stats runs on two.orl as it opens; while its first step waits the user
// turns to another file by each route. Only two.orl takes the run's edits,
// the others stay as they were, and a file opened meanwhile gets its own
// run afterwards.
TEST_F(Scripts, ARunWaitingForABlockKeepsToItsFile) {
  enum class Route { None, ClickBehind, WindowMenu, OpenFile, CloseRunFile };
  constexpr int kOne = 1000, kThree = 1001, kTwo = kTwoPlot, kFour = 1003;
  const fs::path one = write("one.orl", 3), two = write("two.orl", 3), three = write("three.orl", 3),
                 four = write("four.orl", 3);
  using Channels = std::vector<std::vector<float>>;
  const auto channels = [](int16_t slot) {
    Channels d;
    for (int16_t c = 1; c <= nChannels[slot]; ++c) d.push_back(gPointersToFileData[slot][c]);
    return d;
  };
  const auto same = [](const Channels& a, const Channels& b) {
    if (a.size() != b.size()) return false;
    for (size_t c = 0; c < a.size(); ++c)
      if (a[c].size() != b[c].size() || std::memcmp(a[c].data(), b[c].data(), a[c].size() * sizeof(float)) != 0)
        return false;
    return true;
  };
  Channels ran;   // two.orl after the run no one disturbed
  for (Route route : {Route::None, Route::ClickBehind, Route::WindowMenu, Route::OpenFile, Route::CloseRunFile}) {
    static const char* const kRouteNames[] = {"undisturbed", "click on three.orl's plot", "Window > three.orl",
                                              "File > Open four.orl", "File > Close two.orl"};
    SCOPED_TRACE(kRouteNames[static_cast<int>(route)]);
    if (route != Route::None) {
      EndProgram();
      ResetProgram();
    }
    auto& st = ScriptSequenceArray;
    // On the channel with a wobble, which smoothing changes.
    st[1][kStepOperation] = kOpChangeChannel;
    st[1][kStepMain] = 3;
    SmoothThenSetBlockTo99(2, kBlockKept, 3);
    st[4][kStepOperation] = kOpBasicStats;
    autoscript = 1;
    Channels before[3];
    Script s;
    Idle(s).menu(kMenuScript, 5).click(kViewerWindow, kViewerClose);
    // A block left standing in one.orl from before the run.
    DragBlock(s, kOne);
    s.menu(kMenuFile, 1).answerOpen(three);
    s.menu(kMenuScript, 8);
    s.menu(kMenuFile, 1).answerOpen(two);
    Idle(s).call([&] {
      for (int16_t f : {0, 1, 2}) before[f] = channels(f);
      EXPECT_EQ(TheFileInUse, 2);
      ASSERT_TRUE(plat::windowExists(kBlockRequestWindow));
      EXPECT_EQ(plat::title(kBlockRequestWindow), "two.orl, step 2: Smoothing \xD1 select the block to smooth");
      plat::test::saveArtifact(plat::test::windowImage(kBlockRequestWindow), "script-block-request-edit.png");
    });
    const auto keptToTwo = [](Script& sc) {
      Idle(sc).call([] {
        EXPECT_EQ(TheFileInUse, 2) << "the run's file is in front again";
        EXPECT_EQ(plat::frontWindow(), kTwoPlot);
        EXPECT_NE(FileSHORTS[1][kShortBlockState], 2) << "no block in three.orl";
        EXPECT_EQ(plat::title(kBlockRequestWindow), "two.orl, step 2: Smoothing \xD1 select the block to smooth");
      });
    };
    switch (route) {
      case Route::None: break;
      case Route::ClickBehind:
        DragBlock(Idle(s).clickAt(kThree, {60, 150}), kThree);
        keptToTwo(s);
        break;
      case Route::WindowMenu:
        s.call([] { ASSERT_EQ(plat::itemTitle(kMenuWindow, 2), "three.orl"); });
        DragBlock(s.menu(kMenuWindow, 2), kThree);
        keptToTwo(s);
        break;
      case Route::OpenFile:
        s.menu(kMenuFile, 1).answerOpen(four);
        Idle(s).call([] { EXPECT_EQ(TheFileInUse, 2) << "the run's file is in front again"; });
        break;
      case Route::CloseRunFile:
        s.menu(kMenuFile, 5);
        Idle(s).call([] {
          EXPECT_EQ(Field(kAlertWindow, kAlertMessage),
                    "The script was interrupted: two.orl, the file it was running on, was closed.");
          plat::test::saveArtifact(plat::test::deskImage(), "script-run-file-closed.png");
        });
        s.click(kAlertWindow, kAlertOK);
        // The block left in one.orl answers nothing.
        DragBlock(s.activate(kOne), kOne);
        s.call([] {
          EXPECT_FALSE(ScriptRunInProgress());
          EXPECT_EQ(RunScript, 0);
          EXPECT_TRUE(plat::itemChecked(kMenuScript, 12)) << "as Interrupt Script leaves it";
          EXPECT_FALSE(plat::windowExists(kBlockRequestWindow));
        });
        break;
    }
    // The run's own steps, answered in two.orl (and then in four.orl).
    const auto answer = [&](int plot, const char* name) {
      DragBlock(s, plot);
      Idle(s).call([=] {
        EXPECT_EQ(plat::title(kBlockRequestWindow),
                  std::string(name) + ", step 4: BASIC STATS \xD1 select a block for analysis");
      });
      DragBlock(s, plot);
      Idle(s).call([=] {
        EXPECT_EQ(CaptureResult().fileName, name) << "the record names the run's file";
        if (plot == kTwo) plat::test::saveArtifact(plat::test::deskImage(), "script-run-keeps-to-its-file.png");
      });
      s.closeBox(kResultsWindow);
      Idle(s);
    };
    if (route != Route::CloseRunFile) answer(kTwo, "two.orl");
    if (route == Route::OpenFile) answer(kFour, "four.orl");
    s.call([&] {
      EXPECT_FALSE(ScriptRunInProgress());
      EXPECT_TRUE(same(channels(0), before[0])) << "one.orl as it was";
      EXPECT_TRUE(same(channels(1), before[1])) << "three.orl as it was";
      if (route == Route::None) {
        ran = channels(2);
        EXPECT_FALSE(same(ran, before[2])) << "the run edited two.orl";
        EXPECT_NE(std::count(ran[2].begin(), ran[2].end(), 99.0f), 0);
      } else if (route != Route::CloseRunFile) {
        EXPECT_TRUE(same(channels(2), ran)) << "two.orl holds the whole run";
      } else {
        EXPECT_FALSE(SlotHoldsFile(2));
      }
      if (route == Route::OpenFile) {
        EXPECT_TRUE(same(channels(3), ran)) << "four.orl had a run of its own";
      }
      for (int16_t f = 0; f < kMaxOpenFiles; ++f) FileSHORTS[f][kShortChanged] = 0;
    });
    Run(s, {one});
  }
}

TEST_F(Scripts, LoadScriptIsOfferedBeforeAnyFileIsOpen) {
  Script s;
  s.click(kFileTypeWindow, kFileTypeLoadScript).cancelFileDialog();
  s.click(kFileTypeWindow, kFileTypeQuitOrCancel);
  plat::test::run(s, [] { RunCorvimet(CorvimetRegistrars(), {}); });
}

// The plot window dragged to the desk's bottom edge while a run waits: the
// next step's request opens over the plot's lower part, on the desk with its
// title in sight, and stays in front of the plot through the pick there,
// also after the user turned to another window.
TEST_F(Scripts, ABlockRequestOverALowPlotStaysInFrontThroughThePick) {
  struct DeskBack {
    ~DeskBack() { plat::test::setDesk(plat::test::optionsDesk()); }
  } deskBack;
  for (const int height : {768, 800}) {
    SCOPED_TRACE(height);
    if (height != 768) {
      EndProgram();
      ResetProgram();
    }
    plat::test::setDesk({1280, height});
    SmoothThenSetBlockTo99(1, kBlockPickedAnew, 1);
    autoscript = 1;
    const auto inFront = [height](const char* what) {
      return [height, what] {
        SCOPED_TRACE(what);
        ASSERT_TRUE(plat::windowExists(kBlockRequestWindow));
        const plat::Rect r = plat::frameRect(kBlockRequestWindow);
        EXPECT_GE(r.top, plat::config().menuBarHeight) << "its title on the desk";
        EXPECT_LE(r.bottom, height);
        const plat::Rect plot = plat::frameRect(kSecondPlot);
        EXPECT_GT(r.bottom, plot.top) << "over the plot";
        const std::vector<int> order = plat::windowIds();
        const auto at = [&order](int w) { return std::find(order.begin(), order.end(), w) - order.begin(); };
        EXPECT_LT(at(kBlockRequestWindow), at(kSecondPlot)) << "behind the plot";
        plat::test::saveArtifact(plat::test::deskImage(),
                                 "script-request-low-plot-1280x" + std::to_string(height) + "-" + what + ".png");
      };
    };
    Script s;
    Idle(s).menu(kMenuScript, 5).click(kViewerWindow, kViewerClose);
    s.menu(kMenuScript, 8);
    s.menu(kMenuFile, 1).answerOpen(second_);
    Idle(s).call([] {
      const plat::Rect r = plat::contentRect(kSecondPlot);
      plat::setContentRect(kSecondPlot, r.offset(0, plat::displaySize().h - r.bottom));
      plat::postEvent({.kind = plat::EventKind::Moved, .window = kSecondPlot});
    });
    DragBlock(s, kSecondPlot);
    Idle(s).call(inFront("step 2"));
    // The user turns to the block window and back to the plot to pick.
    Idle(s.activate(kBlockWindow));
    Idle(s).press(kSecondPlot, {420, 60}).moveTo(kSecondPlot, {500, 60}).call(inFront("picking"));
    s.moveTo(kSecondPlot, {600, 60}).release();
    Idle(s).call([] {
      EXPECT_FALSE(ScriptRunInProgress());
      EXPECT_NE(std::count(gPointersToFileData[1][1].begin(), gPointersToFileData[1][1].end(), 99.0f), 0);
      for (int16_t f = 0; f < kMaxOpenFiles; ++f) FileSHORTS[f][kShortChanged] = 0;
    });
    Run(s, {first_});
  }
}

}  // namespace
