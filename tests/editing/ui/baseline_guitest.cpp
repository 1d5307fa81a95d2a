// "Correct Baseline…" and "Change Blocks…" from the program's own start-up:
// picks on the plot by the scripted driver, the periodic marker road, the
// cancels that change nothing, and one undo for every block set.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/window_support.h"

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "editing/baseline.h"
#include "editing/ui/baseline.h"
#include "editing/ui/blockpick.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "shell/menurules.h"
#include "shell/ui/mainloop.h"
#include "platform/test.h"
#include "platform/windows.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "shell/recording.h"
#include "shell/steptable.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/commands.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/menubar.h"
#include "shell/ui/startup.h"
#include "shell/worktables.h"
#include "datafiles/ui/open.h"

namespace {

using plat::test::Script;
constexpr int32_t kCases = 400;

class Baseline : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    ClearQuitRequest();   // a quit left by another suite ends every loop at once
    SetFixedColours();
    SetSchemeDefaults();
    SetDEFAULTS();
    testsupport::ClearStore();
    ClearScriptOps();
    prefsArray[kPrefSoundLevel] = 25;
    prefsArray[kPrefQuietScripts] = 0;
    prefsArray[kPrefRecordEdits] = 1;
    RunScript = RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    autoscript = ScriptRunOnce = 0;
    MenuIDENTIFIER = MenuItem = 0;
    // A quit confirmed by an earlier test would end every dialog at once.
    ClearQuitRequest();
    MAINMENU();
    InstallShellHooks();
    testsupport::InstallProgramWiring();
    testsupport::OpenStandInToolbar(kToolbarWindow);
    plat::test::run(Script{}, [&] {
      slot_ = LOADFILE(CORVIMET_RESOURCE_DIR "/demo/demo-respirometry.orl", kDetectKind);
    });
    ASSERT_GE(slot_, 0);
    TheFileInUse = static_cast<uint16_t>(slot_);
    ActiveChannel = 1;
    ASSERT_EQ(ResizeChannels(slot_, kCases), StoreStatus::Ok);
    // A drifting analyser: a line plus a bump that is no part of the baseline.
    for (int32_t k = 0; k <= kCases; ++k) PutDatum(slot_, 1, k, 5.0f + 0.01f * static_cast<float>(k));
    original_ = gPointersToFileData[slot_][1];
    FileSHORTS[slot_][kShortBlockState] = 0;
    FileSHORTS[slot_][kShortChanged] = 0;
    FileSHORTS[slot_][kShortSegment] = 1;
    FileSHORTS[slot_][kShortCompressed] = 0;
    plat::test::run(Script{}, [] { DrawPlot(0, 0, 1); });
    ASSERT_LE(kCases, ScreenWidth) << "every case on the first page";
    win_ = PlotWindowId(slot_);
    y_ = BottomOfPlotArea / 2;
    plat::test::clearRecorders();
  }
  void TearDown() override {
    testsupport::ClearStore();
    testsupport::ClearWiring();
    ClearScriptOps();
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
  }
  static int px(int32_t c) { return static_cast<int>(c) * Xstep + Xstep / 2; }
  plat::Point at(int32_t c) const { return {px(c), y_}; }
  // A press at case c, the pointer resting while the picker's loop takes it.
  Script& pick(Script& s, int32_t c) const {
    return s.moveTo(win_, at(c)).press(win_, at(c)).moveTo(win_, at(c)).release().moveTo(win_, at(c));
  }
  float maxResidual(int32_t first) const {
    float r = 0.0f;
    for (int32_t k = first; k <= kCases; ++k) r = std::max(r, std::fabs(gPointersToFileData[slot_][1][k]));
    return r;
  }
  int16_t slot_ = -1;
  int win_ = 0;
  int y_ = 0;
  std::vector<float> original_;
};

TEST_F(Baseline, StartAndEndPicksWithPlusMinusCorrectTheDriftAndLogWhenApplied) {
  prefsArray[kPrefBaselineEnd] = kBaselineAtBoth;
  Script s;
  s.click(kResultsWindow, kBaselinePlusMinus).click(kResultsWindow, kBaselineCursorBoth).activate(win_);
  pick(s, 20);
  s.call([&] {
    EXPECT_EQ(BeginBlock[slot_], 17);
    EXPECT_EQ(EndBlock[slot_], 23) << "the case and three each side";
  });
  pick(s, kCases - 1);
  s.call([&] {
    EXPECT_EQ(BeginBlock[slot_], kCases - 4);
    EXPECT_EQ(EndBlock[slot_], kCases) << "clipped to the last case";
    EXPECT_EQ(gPointersToFileData[slot_][1], original_) << "only a preview so far";
    EXPECT_EQ(CommentContainer[slot_].find("baseline:"), std::string::npos) << "logged when applied";
    plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "baseline-dialog.png");
    plat::test::saveArtifact(plat::test::windowImage(win_), "baseline-preview.png");
  });
  s.click(kResultsWindow, kBaselineOK);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 11)); });
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  EXPECT_LT(maxResidual(0), 1e-4f);
  EXPECT_NE(CommentContainer[slot_].find("baseline:  start; end"), std::string::npos);
  EXPECT_EQ(prefsArray[kPrefCursorPick], kPickSinglePoint) << "the dialog leaves single points";
  plat::test::run(Script{}, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 1)); });
  EXPECT_EQ(gPointersToFileData[slot_][1], original_) << "undo gives the exact bytes back";
}

// The end picked first, and a reading that is not a number in a pick: the
// line still runs through both picks (it ran through the first alone), and
// only that case is NaN afterwards (it was every case).
TEST_F(Baseline, StartAndEndPicksInEitherOrderLeaveOutWhatIsNotANumber) {
  prefsArray[kPrefBaselineEnd] = kBaselineAtBoth;
  PutDatum(slot_, 1, kCases - 2, NAN);
  Script s;
  s.click(kResultsWindow, kBaselinePlusMinus).click(kResultsWindow, kBaselineCursorBoth).activate(win_);
  pick(s, kCases - 3);
  pick(s, 20);
  s.click(kResultsWindow, kBaselineOK);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 11)); });
  const std::vector<float>& v = gPointersToFileData[slot_][1];
  for (int32_t k = 0; k <= kCases; ++k) {
    if (k == kCases - 2) {
      EXPECT_TRUE(std::isnan(v[static_cast<size_t>(k)]));
    } else {
      ASSERT_NEAR(v[static_cast<size_t>(k)], 0.0f, 1e-4f) << k;
    }
  }
}

TEST_F(Baseline, MultiplePointsApplyPiecewiseAndLeaveCaseZero) {
  prefsArray[kPrefCursorPick] = kPickSinglePoint;
  PutDatum(slot_, 1, 0, 77.0f);
  Script s;
  s.click(kResultsWindow, kBaselineMultiple);
  for (int i = 0; i < 12; ++i) s.call([] {});   // the flashing prompt's pauses
  s.activate(win_);
  for (int32_t c : {20, 200, 380}) pick(s, c);
  s.call([&] {
    EXPECT_EQ(plat::buttonState(win_, kPickDoneButton), 1) << "offered from the third pick";
    plat::test::saveArtifact(plat::test::windowImage(win_), "baseline-multiple.png");
  });
  s.click(win_, kPickDoneButton);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 11)); });
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  EXPECT_FALSE(plat::controlExists(win_, kPickDoneButton));
  EXPECT_EQ(gPointersToFileData[slot_][1][0], 77.0f);
  EXPECT_LT(maxResidual(1), 1e-4f);
  EXPECT_NE(CommentContainer[slot_].find("multiple-points baseline"), std::string::npos);
}

TEST_F(Baseline, TheMarkerRoadCorrectsBetweenRegionsAndItsStepReplays) {
  for (int32_t c : {100, 200, 300}) ASSERT_EQ(AddMarker(slot_, c, 'S'), StoreStatus::Ok);
  ASSERT_EQ(AddMarker(slot_, 150, 'R'), StoreStatus::Ok);
  RecordSCRIPT = 1;
  Script s;
  s.click(kResultsWindow, kBaselinePeriodic)
      .call([] { plat::test::saveArtifact(plat::test::windowImage(kPeriodicWindow), "baseline-periodic.png"); })
      // Any key stood for the default button: "?" opens help, "x" does nothing.
      .key(kPeriodicWindow, 'x')
      .key(kPeriodicWindow, '?')
      .call([&] {
        EXPECT_TRUE(plat::windowExists(kPeriodicWindow));
        EXPECT_EQ(plat::test::helpSubjects().size(), 1u);
      })
      .key(kPeriodicWindow, 13);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 11)); });
  EXPECT_FALSE(plat::windowExists(kPeriodicWindow));
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  EXPECT_LT(maxResidual(1), 1e-4f);
  EXPECT_NE(CommentContainer[slot_].find("baseline from markers"), std::string::npos);
  EXPECT_NE(CommentContainer[slot_].find("automatic periodic baseline (from markers) "), std::string::npos);
  ASSERT_EQ(ScriptCOUNT, 1);
  EXPECT_EQ(ScriptSequenceArray[1][1], 3.0f);
  EXPECT_EQ(ScriptSequenceArray[1][4], 8.0f);
  EXPECT_EQ(ScriptSequenceArray[1][5], static_cast<float>('S'));

  // Replayed on the drift again, with no window.
  gPointersToFileData[slot_][1] = original_;
  RecordSCRIPT = 0;
  autoscript = ScriptRunOnce = 1;
  plat::test::run(Script{}, [] { EXPECT_TRUE(RunScriptStep(1)); });
  EXPECT_LT(maxResidual(1), 1e-4f);
}

TEST_F(Baseline, TheIntervalRoadStartsWhereClickedNeverAtTheLastCaseAndRecordsItsRoad) {
  FileInfoFLOATS[slot_][kInfoInterval] = 0.5f;
  RecordSCRIPT = 1;
  Script s;
  s.click(kResultsWindow, kBaselinePeriodic).click(kPeriodicWindow, kPeriodicStartPoint);
  for (int i = 0; i < 14; ++i) s.call([] {});   // the flashing notice's pauses
  s.activate(win_).moveTo(win_, at(0)).moveTo(win_, at(0));
  pick(s, kCases);
  s.call([&] { EXPECT_EQ(plat::buttonState(kPeriodicWindow, kPeriodicIntervalOK), 0) << "the last case is no start"; });
  pick(s, 50);
  s.activate(kPeriodicWindow)
      .call([] { EXPECT_EQ(plat::buttonState(kPeriodicWindow, kPeriodicIntervalOK), 1); })
      .clickField(kPeriodicWindow, kPeriodicMinutesField)
      .call([] { plat::setFieldText(kPeriodicWindow, kPeriodicMinutesField, ""); })
      .type(kPeriodicWindow, kPeriodicMinutesField, "1")
      .click(kPeriodicWindow, kPeriodicIntervalOK);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 11)); });
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  EXPECT_LT(maxResidual(1), 1e-4f);
  EXPECT_EQ(SteppedBaselineInterval, 1.0f);
  EXPECT_NE(CommentContainer[slot_].find("automatic periodic baseline (from interval) "), std::string::npos);
  ASSERT_EQ(ScriptCOUNT, 1);
  const float* f = ScriptSequenceArray[1];
  EXPECT_EQ(f[4], 8.0f);
  EXPECT_EQ(f[8], static_cast<float>(kRoadInterval));
  EXPECT_EQ(f[9], 120.0f) << "one minute of half-second samples";
  EXPECT_EQ(f[10], 50.0f);
}

// Cancel or the close box after a preview, also when the picks left the plot
// active: the click that brings the dialog back is no "Baseline OK".
TEST_F(Baseline, ACancelAfterAPreviewChangesNothingAndWithdrawsTheStep) {
  const struct {
    const char* name;
    std::function<void(Script&)> steps;
  } cases[] = {
      {"Select again, then Cancel",
       [](Script& s) {
         s.click(kResultsWindow, kBaselineTyped)
             .type(kResultsWindow, kBaselineStartField, "10")
             .click(kResultsWindow, kBaselineValuesOK)
             .click(kResultsWindow, kBaselineSelectAgain)
             .click(kResultsWindow, kBaselineAuto)
             .call([] { EXPECT_TRUE(plat::controlExists(kResultsWindow, kBaselineCancel)); })
             .click(kResultsWindow, kBaselineCancel);
       }},
      {"Cancel after the picks", [this](Script& s) {
         s.click(kResultsWindow, kBaselineCursorBoth).activate(win_);
         pick(pick(s, 20), kCases - 20).click(kResultsWindow, kBaselineCancel);
       }},
      {"the close box after the picks", [this](Script& s) {
         s.click(kResultsWindow, kBaselineCursorBoth).activate(win_);
         pick(pick(s, 20), kCases - 20).closeBox(kResultsWindow);
       }},
  };
  prefsArray[kPrefCursorPick] = kPickSinglePoint;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    gPointersToFileData[slot_][1] = original_;
    RecordSCRIPT = 1;
    ScriptCOUNT = 0;
    CommentContainer[slot_].clear();
    Script s;
    c.steps(s);
    plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 11)); });
    EXPECT_FALSE(plat::windowExists(kResultsWindow));
    EXPECT_EQ(gPointersToFileData[slot_][1], original_);
    EXPECT_EQ(ScriptCOUNT, 0);
    EXPECT_EQ(CommentContainer[slot_].find("baseline"), std::string::npos);
  }
}

TEST_F(Baseline, ChangeBlocksSetsTheBlockAndTwoPicksWithOneUndo) {
  testsupport::MarkBlock(slot_, 10, 20);
  prefsArray[kPrefCursorPick] = kPickBlock;
  Script s;
  // Activation queues events the loop drains first: the pointer rests.
  s.activate(win_).moveTo(win_, at(100)).moveTo(win_, at(100)).moveTo(win_, at(100)).press(win_, at(100)).moveTo(win_, at(105)).moveTo(win_, at(110)).release();
  s.moveTo(win_, at(110)).call([&] {
    EXPECT_EQ(BeginBlock[slot_], 100);
    EXPECT_EQ(EndBlock[slot_], 110);
  });
  s.call([] { prefsArray[kPrefCursorPick] = kPickSinglePoint; });
  pick(s, 300);
  s.call([&] {
    EXPECT_EQ(BeginBlock[slot_], 300);
    EXPECT_EQ(EndBlock[slot_], 300) << "a single point at the press";
  });
  s.activate(kBlockSetWindow)
      .call([] { plat::test::saveArtifact(plat::test::windowImage(kBlockSetWindow), "blockset.png"); })
      .type(kBlockSetWindow, kBlockSetValueField, "2.5")
      .click(kBlockSetWindow, kBlockSetChange);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(73, 1)); });
  EXPECT_FALSE(plat::windowExists(kBlockSetWindow));
  const std::vector<float>& v = gPointersToFileData[slot_][1];
  for (int32_t k : {10, 20, 300}) EXPECT_EQ(v[k], 2.5f) << k;
  EXPECT_EQ(v[9], original_[9]);
  EXPECT_EQ(v[299], original_[299]);
  EXPECT_EQ(v[105], 2.5f);
  EXPECT_NE(CommentContainer[slot_].find("block from 10 to 20 changed to 2.5"), std::string::npos);
  EXPECT_NE(CommentContainer[slot_].find("block from 300 to 300 changed to 2.5"), std::string::npos);
  EXPECT_EQ(FileSHORTS[slot_][kShortBlockState], 2);
  EXPECT_EQ(BeginBlock[slot_], 10);
  EXPECT_EQ(EndBlock[slot_], 20);
  EXPECT_EQ(blockvalue, 2.5f);
  plat::test::run(Script{}, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 1)); });
  EXPECT_EQ(gPointersToFileData[slot_][1], original_) << "one undo for all three";

  // Cancel clears the block and changes nothing; the plot's button reaches it
  // through the main loop.
  Script c;
  c.call([] {}).activate(win_).activate(kBlockSetWindow).click(kBlockSetWindow, kBlockSetCancel);
  plat::test::run(c, [] {
    ChangeBlockButtonClicked = 1;
    MainLoopPass(0);
  });
  EXPECT_EQ(ChangeBlockButtonClicked, 0);
  EXPECT_EQ(FileSHORTS[slot_][kShortBlockState], 0);
  EXPECT_EQ(gPointersToFileData[slot_][1], original_);
}

// The dialog as a window manager leaves it: active from its opening, so no
// activation of it ends the picking. Its buttons and Return answer at once,
// with or without a pick on the plot first (the plot then active).
TEST_F(Baseline, ChangeBlocksAnswersItsButtonsAndReturnWithTheDialogActiveFromItsOpening) {
  using Steps = std::function<void(Script&)>;
  const struct {
    const char* name;
    bool pickFirst;
    Steps answer;
    bool changes;
  } cases[] = {
      {"Change Block(s) at once", false, [](Script& s) { s.click(kBlockSetWindow, kBlockSetChange); }, true},
      {"Return at once", false, [](Script& s) { s.key(kBlockSetWindow, 13); }, true},
      {"Enter at once", false, [](Script& s) { s.key(kBlockSetWindow, 3); }, true},
      {"Cancel at once", false, [](Script& s) { s.click(kBlockSetWindow, kBlockSetCancel); }, false},
      {"Return to the plot after a pick", true, [](Script& s) { s.key(0, 13); }, true},
      {"Change Block(s) after a pick", true, [](Script& s) { s.click(kBlockSetWindow, kBlockSetChange); }, true},
      {"Cancel after a pick", true, [](Script& s) { s.click(kBlockSetWindow, kBlockSetCancel); }, false},
      {"the close box after a pick", true, [](Script& s) { s.closeBox(kBlockSetWindow); }, false},
  };
  prefsArray[kPrefCursorPick] = kPickSinglePoint;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    gPointersToFileData[slot_][1] = original_;
    testsupport::MarkBlock(slot_, 10, 20);
    bool activeAtOpening = false;
    Script s;
    s.call([&] { activeAtOpening = plat::frontWindow() == kBlockSetWindow; });
    s.type(kBlockSetWindow, kBlockSetValueField, "2.5");
    if (c.pickFirst) pick(s, 300);
    c.answer(s);
    try {
      plat::test::run(s, [] { DoMENU(73, 1); });
    } catch (const plat::test::Failure& f) {
      ADD_FAILURE() << f.what();
      plat::disposeWindow(kBlockSetWindow);
      continue;
    }
    EXPECT_TRUE(activeAtOpening);
    EXPECT_FALSE(plat::windowExists(kBlockSetWindow));
    const std::vector<float>& v = gPointersToFileData[slot_][1];
    for (int32_t k : {10, 20}) EXPECT_EQ(v[k], c.changes ? 2.5f : original_[k]) << k;
    EXPECT_EQ(v[300], c.changes && c.pickFirst ? 2.5f : original_[300]);
    EXPECT_EQ(v[9], original_[9]);
    EXPECT_EQ(v[21], original_[21]);
  }
}

}  // namespace

namespace {

TEST_F(Baseline, TheItemsAndButtonsAreOfferedWithAFileOpen) {
  SETMENU(0);
  EXPECT_TRUE(plat::itemEnabled(kMenuEdit, 11));
  EXPECT_TRUE(plat::itemEnabled(73, 1));
  for (const int16_t id : {551, 594}) EXPECT_TRUE(ToolButtonAvailable(id)) << id;
  EXPECT_TRUE(ScriptOpRegistered(kOpBaseline));
}

}  // namespace
