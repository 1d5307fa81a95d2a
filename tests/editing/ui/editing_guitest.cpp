// The editing commands from the program's own start-up: the channel pick
// lists, "Duplicate Channel", Edit > Undo, and nearest-neighbour smoothing
// through its dialog, its script step and its cancels.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/program_support.h"
#include "support/window_support.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "datafiles/ui/open.h"
#include "editing/channelpick.h"
#include "editing/smoothing.h"
#include "editing/ui/copychannel.h"
#include "editing/ui/timescale_dialog.h"
#include "editing/ui/transformations.h"
#include "editing/ui/filewindows.h"
#include "editing/ui/filedata.h"
#include "editing/ui/expressions.h"
#include "editing/ui/cutblock.h"
#include "editing/ui/cropfile.h"
#include "editing/ui/blockscale.h"
#include "editing/ui/integrate.h"
#include "editing/ui/lag.h"
#include "editing/ui/references.h"
#include "editing/ui/picklists.h"
#include "editing/ui/smoothing.h"
#include "editing/ui/spikes.h"
#include "editing/ui/spiketool.h"
#include "editing/linearise.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/gscale.h"
#include "plot/ui/redraw.h"
#include "shell/recording.h"
#include "shell/steptable.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/prefs.h"
#include "platform/app.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/worktables.h"
#include "registrars.h"
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


class Editing : public ::testing::Test {
 protected:
  void SetUp() override {
    slot_ = testsupport::StartProgramOnDemo();
    ASSERT_GE(slot_, 0);
    FileSHORTS[slot_][kShortChanged] = 0;
    plat::test::clearRecorders();
  }
  void TearDown() override {
    testsupport::StopProgram();
  }
  static void menu(int16_t m, int16_t item) {
    plat::test::run(Script{}, [&] { EXPECT_TRUE(DoMENU(m, item)); });
  }
  // The reference dialog's cutoff typed as a user would, its widening
  // fields set (the left one left alone when null).
  static Script& referenceFields(Script& s, const char* cutoff, const char* left, const char* right) {
    return s.clickField(kResultsWindow, kRefCutoffField)
        .call([=] {
          plat::setFieldText(kResultsWindow, kRefCutoffField, "");
          if (left) plat::setFieldText(kResultsWindow, kRefLeftField, left);
          plat::setFieldText(kResultsWindow, kRefRightField, right);
        })
        .type(kResultsWindow, kRefCutoffField, cutoff);
  }
  // A line dragged over cases a..b of the whole-file plot with the spike
  // tool's linearising mode on.
  static Script& dragLine(Script& t, int win, int32_t a, int32_t b) {
    const auto px = [](int32_t c) { return static_cast<int>(c) * Xstep + Xstep / 2; };
    const int y = BottomOfPlotArea / 2;
    return t.activate(win)
        .moveTo(win, {px(a), y})
        .moveTo(win, {px(a), y})
        .moveTo(win, {px(a), y})
        .press(win, {px(a), y})
        .moveTo(win, {px((a + b) / 2), y})
        .moveTo(win, {px(b), y})
        .release()
        .moveTo(win, {px(b), y});
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

TEST_F(Editing, TheEditItemsAndToolbarButtonsAreOfferedAsTheRulesSay) {
  SETMENU(0);
  for (const int16_t item : {12, 13, 14, 16, 17, 18, 31, 38}) EXPECT_TRUE(plat::itemEnabled(kMenuEdit, item)) << item;
  for (const int16_t item : {25, 26}) EXPECT_FALSE(plat::itemEnabled(kMenuEdit, item)) << item << " needs a block";
  testsupport::MarkBlock(slot_, 10, 20);
  SETMENU(0);
  for (const int16_t item : {25, 26}) EXPECT_TRUE(plat::itemEnabled(kMenuEdit, item)) << item;
  for (const int16_t id : {552, 553, 554, 555, 556, 557, 558, 587}) EXPECT_TRUE(ToolButtonAvailable(id)) << id;
  for (const int16_t op : {2, 4, 5, 6, 7, 18, 40, 41}) EXPECT_TRUE(ScriptOpRegistered(op)) << op;
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

// The demo's valve markers (1 opens and 2 closes each reference period)
// are where reference removal to the previous marker, and a span drawn up
// to a marker, end: the interpolation markers stand beside them.
TEST_F(Editing, InterpolationMarkersStandBesideTheFilesMarkersAndGoWithUndo) {
  const std::vector<MarkerRecord> opening = MarkersArray[slot_];
  ASSERT_EQ(opening.size(), 8u);
  const std::vector<float> channel = gPointersToFileData[slot_][1];
  // Every marker the file held is there, in order, first on its case; the
  // rest are 200/199 pairs whose spans are exactly the flagged cases.
  const auto check = [&](const std::vector<int32_t>& opens, const std::vector<int32_t>& closes) {
    const std::vector<MarkerRecord>& m = MarkersArray[slot_];
    std::vector<MarkerRecord> own;
    std::vector<int32_t> o, c;
    for (size_t i = 0; i < m.size(); ++i) {
      const int16_t code = MarkerCode16(m[i]);
      if (code == kInterpolationOpen) {
        o.push_back(m[i].caseNumber);
      } else if (code == kInterpolationClose) {
        c.push_back(m[i].caseNumber);
      } else {
        own.push_back(m[i]);
        if (i > 0) {
          EXPECT_NE(m[i - 1].caseNumber, m[i].caseNumber) << "the file's marker comes first on its case";
        }
      }
    }
    EXPECT_EQ(own, opening);
    EXPECT_EQ(o, opens);
    EXPECT_EQ(c, closes);
    ASSERT_EQ(o.size(), c.size());
    std::vector<float> want(static_cast<size_t>(nCases[slot_]) + 1, 0.0f);
    for (size_t i = 0; i < o.size(); ++i) std::fill(want.begin() + o[i], want.begin() + c[i] + 1, 1.0f);
    std::vector<float> flags(want.size());
    for (size_t k = 0; k < flags.size(); ++k)
      flags[k] = BackupCache.get(kInterpolationOffset + static_cast<int64_t>(k));
    EXPECT_EQ(flags, want);
  };
  // O2 reads above 20.8 % while the reference air flows: four periods, each
  // widened left to the marker that opened it, 10 cases right.
  Script r;
  r.click(kResultsWindow, kRefUp)
      .click(kResultsWindow, kRefLeftMarker)
      .clickField(kResultsWindow, kRefCutoffField)
      .call([] {
        plat::setFieldText(kResultsWindow, kRefCutoffField, "");
        plat::setFieldText(kResultsWindow, kRefRightField, "10");
      })
      .type(kResultsWindow, kRefCutoffField, "20.8")
      .click(kResultsWindow, kRefMarkers)
      .click(kResultsWindow, kRefFix)
      .call([&] {
        ASSERT_EQ(MarkerCount(slot_), 16);
        std::vector<int32_t> closes;
        for (const MarkerRecord& m : MarkersArray[slot_])
          if (MarkerCode16(m) == kInterpolationClose) closes.push_back(m.caseNumber);
        ASSERT_EQ(closes.size(), 4u);
        EXPECT_EQ(closes.back(), 7200) << "the last period runs to the file's end, its last marker";
        check({1, 2401, 4801, 6901}, closes);
        EXPECT_NE(gPointersToFileData[slot_][1], channel);
        plat::test::saveArtifact(plat::test::windowImage(PlotWindowId(slot_)), "editing-references-markers.png");
      })
      .click(kResultsWindow, kRefUndo)
      .call([&] {
        EXPECT_EQ(MarkersArray[slot_], opening);
        check({}, {});
        EXPECT_EQ(gPointersToFileData[slot_][1], channel);
      })
      .click(kResultsWindow, kRefDone);
  plat::test::run(r, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 18)); });
  ASSERT_FALSE(plat::windowExists(kResultsWindow));

  // A line drawn over cases 250..300 ends on the marker at 300; DELETE
  // rejects it, markers and all.
  const int win = PlotWindowId(slot_);
  const int y = BottomOfPlotArea / 2;
  spikeInterpMarkers = 0;
  prefsArray[kPrefConserveVariation] = 0;
  Script t;
  t.click(kResultsWindow, kToolLinearMode)
      .click(kResultsWindow, kToolMarkers)
      .call([&] {
        ASSERT_EQ(FileSHORTS[slot_][kShortSegment], 1);
        ASSERT_EQ(Xstep, 1);
      })
      .activate(win)
      .moveTo(win, {250, y})
      .moveTo(win, {250, y})
      .moveTo(win, {250, y})
      .press(win, {250, y})
      .moveTo(win, {275, y})
      .moveTo(win, {300, y})
      .release()
      .moveTo(win, {300, y})
      .call([&] {
        check({250}, {300});
        EXPECT_EQ(MarkersArray[slot_][2], (MarkerRecord{300, 202}));
        EXPECT_EQ(MarkersArray[slot_][3], (MarkerRecord{300, kInterpolationClose}));
        EXPECT_NEAR(GetDatum(slot_, 1, 275), (channel[250] + channel[300]) / 2.0f, 1e-4f);
      })
      .key(win, 8)
      .call([&] {
        EXPECT_EQ(MarkersArray[slot_], opening);
        check({}, {});
        EXPECT_EQ(gPointersToFileData[slot_][1], channel);
      })
      .activate(kResultsWindow)
      .click(kResultsWindow, kToolDone);
  plat::test::run(t, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 38)); });
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  spikeInterpMarkers = 0;
  DoSlant = 0;
}

// A 1,000-case channel of noise for the smoothing runs.
class Smoothing : public Editing {
 protected:
  void SetUp() override {
    Editing::SetUp();
    ASSERT_EQ(ResizeChannels(slot_, 1000), StoreStatus::Ok);
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(0.0f, 10.0f);
    for (int32_t k = 0; k <= 1000; ++k) PutDatum(slot_, 1, k, u(rng));
    SnapshotLabels(slot_);
    original_ = gPointersToFileData[slot_][1];
    labels_ = LabelStrings[slot_][1];
  }
  // What the core makes of the untouched channel.
  std::vector<float> expected(int16_t button, int32_t cycles) const {
    std::vector<float> v = original_, work(v.size());
    SmoothingSettings s;
    s.button = button;
    s.cycles = cycles;
    SmoothChannelData(v.data(), work.data(), nullptr, 1000, s, SmoothingSpan(1000, SmoothingSamples(button), 0, 1000));
    return v;
  }
  std::vector<float> original_;
  std::string labels_;
};

TEST_F(Smoothing, SmoothAllGivesTheCoreValuesAndUndoGivesTheBytesAndLabelsBack) {
  SETMENU(0);
  EXPECT_TRUE(plat::itemEnabled(kMenuEdit, 16));
  EXPECT_TRUE(ToolButtonAvailable(556));
  EXPECT_TRUE(ToolButtonAvailable(587));
  Script s;
  s.call([] {
     EXPECT_EQ(plat::controlTitle(kResultsWindow, kSmoothAll), "Smooth All");
     EXPECT_FALSE(plat::controlExists(kResultsWindow, kSmoothBlock)) << "no block";
     EXPECT_EQ(plat::fieldText(kResultsWindow, kSmoothIntervalField).find(" sec") != std::string::npos, true);
     EXPECT_EQ(plat::buttonState(kResultsWindow, kSmoothMinus1), 0) << "one cycle";
     plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "editing-smoothing.png");
   })
      .click(kResultsWindow, 2)
      .click(kResultsWindow, kSmoothFirstPreset + 1)
      .click(kResultsWindow, kSmoothAll);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 16)); });
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  EXPECT_EQ(gPointersToFileData[slot_][1], expected(2, 3));
  EXPECT_NE(CommentContainer[slot_].find("smoothed 5 points by 3 cycles, from 0 to 1000"), std::string::npos);
  EXPECT_TRUE(testsupport::SoundPlayed("piiing"));
  SETMENU(0);
  EXPECT_TRUE(plat::itemEnabled(kMenuEdit, 1));
  SetChannelLabel(slot_, 1, "relabelled after");
  menu(kMenuEdit, 1);
  EXPECT_EQ(gPointersToFileData[slot_][1], original_);
  EXPECT_EQ(LabelStrings[slot_][1], labels_);
}

TEST_F(Smoothing, TheCloseBoxSmoothsNothingYetTheFileCountsAsChangedAndLeavesNoStep) {
  RecordSCRIPT = 1;
  ScriptCOUNT = 5;
  Script s;
  s.click(kResultsWindow, 4).closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 16)); });
  EXPECT_EQ(gPointersToFileData[slot_][1], original_);
  EXPECT_EQ(FileSHORTS[slot_][kShortChanged], 1);
  EXPECT_EQ(ScriptCOUNT, 5);
  EXPECT_EQ(ScriptSequenceArray[6][kStepOpField], 0.0f);
  EXPECT_EQ(CommentContainer[slot_].find("smoothed"), std::string::npos);
  menu(kMenuEdit, 1);
  EXPECT_EQ(gPointersToFileData[slot_][1], original_);
}

TEST_F(Smoothing, CopyThenSmoothLeavesTheSourceAndUndoRestoresTheCopy) {
  const int16_t copy = static_cast<int16_t>(nChannels[slot_] + 1);
  Script s;
  s.click(kResultsWindow, kSmoothCopyChannel).click(kResultsWindow, kSmoothAll);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 16)); });
  EXPECT_EQ(gPointersToFileData[slot_][1], original_);
  EXPECT_EQ(ActiveChannel, copy);
  EXPECT_EQ(gPointersToFileData[slot_][copy], expected(1, 1));
  menu(kMenuEdit, 1);
  EXPECT_EQ(gPointersToFileData[slot_][copy], original_);
}

TEST_F(Smoothing, ARecordedStepReplaysWithNoWindowAndLimitsKeepWhatLayBeyond) {
  RecordSCRIPT = 1;
  Script s;
  s.click(kResultsWindow, 3)
      .click(kResultsWindow, kSmoothFirstPreset + 1)
      .click(kResultsWindow, kSmoothUpperBox)
      .call([] { plat::setFieldText(kResultsWindow, kSmoothUpperField, ""); })
      .type(kResultsWindow, kSmoothUpperField, "5")
      .click(kResultsWindow, kSmoothAll);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 16)); });
  ASSERT_EQ(ScriptCOUNT, 1);
  const float* step = ScriptSequenceArray[1];
  EXPECT_EQ(step[kStepOpField], 6.0f);
  EXPECT_EQ(step[4], 3.0f);
  EXPECT_EQ(step[5], 3.0f);
  EXPECT_EQ(step[6], 5.0f);
  EXPECT_EQ(step[8], 1.0f);
  const std::vector<float> recorded = gPointersToFileData[slot_][1];
  for (size_t k = 0; k < recorded.size(); ++k) {
    if (original_[k] > 5.0f) {
      ASSERT_EQ(recorded[k], original_[k]) << k;
    }
  }

  gPointersToFileData[slot_][1] = original_;
  RecordSCRIPT = 0;
  autoscript = 1;
  ScriptRunOnce = 1;
  plat::test::run(Script{}, [] { EXPECT_TRUE(RunScriptStep(1)); });
  EXPECT_EQ(gPointersToFileData[slot_][1], recorded);
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
}

TEST_F(Smoothing, FieldsThatAreNotNumbersReadAsZeroWithNoMessage) {
  Script s;
  s.click(kResultsWindow, 2)
      .call([] {
        plat::setFieldText(kResultsWindow, kSmoothCyclesField, "");
        plat::setFieldText(kResultsWindow, kSmoothUpperField, "");
        plat::setFieldText(kResultsWindow, kSmoothLowerField, "");
      })
      .type(kResultsWindow, kSmoothCyclesField, "many")
      .type(kResultsWindow, kSmoothUpperField, "5")
      .type(kResultsWindow, kSmoothLowerField, "low")
      .click(kResultsWindow, kSmoothUpperBox)
      .click(kResultsWindow, kSmoothAll);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 16)); });
  EXPECT_FALSE(plat::windowExists(kAlertWindow));
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  // One cycle of 5 samples, put back above 5 and below 0.
  std::vector<float> v = original_, work(v.size());
  SmoothingSettings set;
  set.button = 2;
  set.conditional = true;
  set.upper = 5.0f;
  set.lower = 0.0f;
  SmoothChannelData(v.data(), work.data(), original_.data(), 1000, set, SmoothingSpan(1000, 5, 0, 1000));
  EXPECT_EQ(gPointersToFileData[slot_][1], v);
  EXPECT_NE(CommentContainer[slot_].find("smoothed 5 points by 1 cycles"), std::string::npos);
}

TEST_F(Smoothing, TheAutomaticModeSmoothsTheBlockAndRecordsNothing) {
  testsupport::MarkBlock(slot_, 100, 200);
  RecordSCRIPT = 1;
  plat::test::run(Script{}, [] { SMOOTHING(kSmoothingAutomatic); });
  EXPECT_EQ(ScriptCOUNT, 0);
  const std::vector<float>& v = gPointersToFileData[slot_][1];
  for (int32_t k = 0; k <= 1000; ++k) {
    if (k < 100 || k > 200) {
      ASSERT_EQ(v[static_cast<size_t>(k)], original_[static_cast<size_t>(k)]) << k;
    }
  }
  EXPECT_NE(v[150], original_[150]);
  EXPECT_FALSE(plat::windowExists(kBlankWindow));
}

TEST_F(Smoothing, AnIntegralGoesIntoANewChannelAndADerivativeInPlaceIsUndone) {
  const int16_t fresh = static_cast<int16_t>(nChannels[slot_] + 1);
  Script s;
  s.call([] { plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "editing-integrate.png"); })
      .click(kResultsWindow, kIntegrateNewChannelBox)
      .click(kResultsWindow, kIntegrateOK);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 13)); });
  ASSERT_EQ(nChannels[slot_], fresh);
  EXPECT_EQ(ActiveChannel, fresh);
  EXPECT_EQ(RetrieveLabel(fresh), FitLabel("\xBA " + RetrieveLabel(1)));
  EXPECT_FLOAT_EQ(GetDatum(slot_, fresh, 2), original_[0] + original_[1] + original_[2]);
  EXPECT_EQ(gPointersToFileData[slot_][1], original_);

  ActiveChannel = 1;
  const std::string withIntegral = LabelStrings[slot_][1];
  Script d;
  d.click(kResultsWindow, kIntegrateOK);
  plat::test::run(d, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 14)); });
  EXPECT_FLOAT_EQ(GetDatum(slot_, 1, 5), original_[5] - original_[4]);
  menu(kMenuEdit, 1);
  EXPECT_EQ(gPointersToFileData[slot_][1], original_);
  EXPECT_EQ(LabelStrings[slot_][1], withIntegral);
}

TEST_F(Smoothing, ScaleToBlockFromHighestAndLowestAndItsStepReplays) {
  testsupport::MarkBlock(slot_, 100, 200);
  SETMENU(0);
  EXPECT_TRUE(plat::itemEnabled(kMenuEdit, 25));
  RecordSCRIPT = 1;
  Script s;
  s.click(kResultsWindow, kScaleZeroTo100)
      .call([] { plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "editing-blockscale.png"); })
      .click(kResultsWindow, kScaleBlockOnly)
      .click(kResultsWindow, kScaleOK)
      .call([] {
        // The block window shows the scaled block at once.
        EXPECT_FLOAT_EQ(BlockMaxY, 100.0f);
        EXPECT_FLOAT_EQ(BlockMinY, 0.0f);
        plat::test::saveArtifact(plat::test::windowImage(kBlockWindow), "block-window-scaled-to-block.png");
      })
      .click(kResultsWindow, kScaleDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 25)); });
  EXPECT_FLOAT_EQ(BlockMaxY, 100.0f);
  const auto [mn, mx] = std::minmax_element(gPointersToFileData[slot_][1].begin() + 100,
                                            gPointersToFileData[slot_][1].begin() + 201);
  EXPECT_FLOAT_EQ(*mn, 0.0f);
  EXPECT_FLOAT_EQ(*mx, 100.0f);
  EXPECT_EQ(GetDatum(slot_, 1, 99), original_[99]);
  ASSERT_EQ(ScriptCOUNT, 1);
  EXPECT_EQ(ScriptSequenceArray[1][kStepOpField], 41.0f);
  EXPECT_EQ(ScriptSequenceArray[1][6], 100.0f);
  menu(kMenuEdit, 1);
  EXPECT_EQ(gPointersToFileData[slot_][1], original_);

  // Replayed with no dialog: the step says the block only was scaled.
  RecordSCRIPT = 0;
  autoscript = ScriptRunOnce = 1;
  EXPECT_EQ(ScriptSequenceArray[1][scale_step::kScope], 2.0f);
  testsupport::MarkBlock(slot_, 100, 200);
  plat::test::run(Script{}, [] { EXPECT_TRUE(RunScriptStep(1)); });
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  EXPECT_FLOAT_EQ(*std::max_element(gPointersToFileData[slot_][1].begin() + 100,
                                    gPointersToFileData[slot_][1].begin() + 201), 100.0f);
  EXPECT_EQ(GetDatum(slot_, 1, 99), original_[99]);
  menu(kMenuEdit, 1);

  // A step kept before it said so: the dialog shows again with the step's
  // limits, and the user says.
  ScriptSequenceArray[1][scale_step::kScope] = 0.0f;
  testsupport::MarkBlock(slot_, 100, 200);
  Script r;
  r.call([] {
     EXPECT_EQ(plat::fieldText(kResultsWindow, kScaleUpperField), "100");
     EXPECT_EQ(plat::fieldText(kResultsWindow, kScaleLowerField), "0");
   })
      .click(kResultsWindow, kScaleBlockOnly)
      .click(kResultsWindow, kScaleOK)
      .click(kResultsWindow, kScaleDone);
  plat::test::run(r, [] { EXPECT_TRUE(RunScriptStep(1)); });
  EXPECT_FLOAT_EQ(*std::max_element(gPointersToFileData[slot_][1].begin() + 100,
                                    gPointersToFileData[slot_][1].begin() + 201), 100.0f);
  EXPECT_EQ(GetDatum(slot_, 1, 99), original_[99]);
  EXPECT_NE(FileSHORTS[slot_][kShortBlockState], 2) << "the runner's block is cleared";

  // The close box brings back the channel as it was at opening.
  autoscript = ScriptRunOnce = 0;
  testsupport::MarkBlock(slot_, 100, 200);
  const std::vector<float> opened = gPointersToFileData[slot_][1];
  Script c;
  c.click(kResultsWindow, kScaleZeroTo100).click(kResultsWindow, kScaleOK).closeBox(kResultsWindow);
  plat::test::run(c, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 25)); });
  EXPECT_EQ(gPointersToFileData[slot_][1], opened);

  // Opened on a channel other than the one drawn last, the limits start at
  // that channel's own plot scale.
  ActiveChannel = 1;
  plat::test::run(Script{}, [] { RefreshSCREEN(); });
  ActiveChannel = 2;
  testsupport::MarkBlock(slot_, 100, 200);
  std::string upper, lower;
  Script o;
  o.call([&] {
     upper = plat::fieldText(kResultsWindow, kScaleUpperField);
     lower = plat::fieldText(kResultsWindow, kScaleLowerField);
   })
      .click(kResultsWindow, kScaleCancel);
  plat::test::run(o, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 25)); });
  plat::test::run(Script{}, [] { RefreshSCREEN(); });
  ASSERT_EQ(ActiveChannel, 2);
  EXPECT_EQ(upper, FieldNumText(maximumValue));
  EXPECT_EQ(lower, FieldNumText(minimumValue));
}

TEST_F(Smoothing, IntegralAndDerivativeStepsReplayOnTheActiveChannel) {
  ScriptSequenceArray[1][kStepOpField] = 4;
  ScriptSequenceArray[2][kStepOpField] = 5;
  autoscript = ScriptRunOnce = 1;
  plat::test::run(Script{}, [] {
    EXPECT_TRUE(RunScriptStep(1));
    EXPECT_TRUE(RunScriptStep(2));
  });
  // The derivative of the integral gives the channel back, but for rounding.
  for (int32_t k = 1; k <= 1000; ++k)
    ASSERT_NEAR(GetDatum(slot_, 1, k), original_[static_cast<size_t>(k)], 1e-3f) << k;
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
}

// "Single Scan" drew its caption again over itself at the next sweep; the
// caption stands beside its field from the start.
TEST_F(Smoothing, TheSpikeCaptionIsDrawnOnceWhicheverSweepComesFirst) {
  QImage afterFirst;
  Script s;
  s.call([] {
     const QImage img = plat::test::portImage(kResultsWindow);
     int ink = 0;
     for (int y = 150; y <= 166; ++y)
       for (int x = 14; x <= 124; ++x) ink += qGray(img.pixel(x, y)) < 96;
     EXPECT_GT(ink, 40) << "the caption before any sweep";
   })
      .click(kResultsWindow, kSpikeSingleScan)
      .call([&] { afterFirst = plat::test::portImage(kResultsWindow).copy(10, 146, 150, 24); })
      .click(kResultsWindow, kSpikeSweep)
      .call([&] { EXPECT_EQ(plat::test::portImage(kResultsWindow).copy(10, 146, 150, 24), afterFirst); })
      .click(kResultsWindow, kSpikeDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 17)); });
}

TEST_F(Smoothing, SpikeSweepUndoAndDefaultsWrittenOnlyWhenTicked) {
  for (int32_t k = 0; k <= 1000; ++k) PutDatum(slot_, 1, k, 1.0f);
  PutDatum(slot_, 1, 500, 50.0f);
  original_ = gPointersToFileData[slot_][1];
  const fs::path prefs = plat::appFolder() / kPrefsFileName;
  fs::remove(prefs);
  RecordSCRIPT = 1;
  Script s;
  s.clickField(kResultsWindow, kSpikeThresholdField)
      .call([] { plat::setFieldText(kResultsWindow, kSpikeThresholdField, ""); })
      .type(kResultsWindow, kSpikeThresholdField, "5")
      .click(kResultsWindow, kSpikeSweep)
      .call([&] {
        EXPECT_EQ(GetDatum(slot_, 1, 500), 1.0f);
        EXPECT_EQ(plat::fieldText(kResultsWindow, kSpikeCountField), "1");
        plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "editing-spikes.png");
      })
      .click(kResultsWindow, kSpikeUndo)
      .call([&] { EXPECT_EQ(gPointersToFileData[slot_][1], original_); })
      .click(kResultsWindow, kSpikeSweep)
      .click(kResultsWindow, kSpikeUseAsDefaults)
      .click(kResultsWindow, kSpikeDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 17)); });
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  EXPECT_FALSE(fs::exists(prefs)) << "Use as Defaults was unticked";
  EXPECT_EQ(threshold, 5.0f);
  ASSERT_EQ(ScriptCOUNT, 1);
  EXPECT_EQ(ScriptSequenceArray[1][9], 1.0f);
  EXPECT_EQ(ScriptSequenceArray[1][4], 5.0f);
  EXPECT_NE(CommentContainer[slot_].find("Spike sweep, threshold 5, 1 removed"), std::string::npos);

  // Replayed with no window; the panel left ticked writes the defaults.
  gPointersToFileData[slot_][1] = original_;
  RecordSCRIPT = 0;
  autoscript = ScriptRunOnce = 1;
  plat::test::run(Script{}, [] { EXPECT_TRUE(RunScriptStep(1)); });
  EXPECT_EQ(GetDatum(slot_, 1, 500), 1.0f);
  autoscript = ScriptRunOnce = 0;
  Script d;
  d.click(kResultsWindow, kSpikeAbsolute).click(kResultsWindow, kSpikeDone);
  plat::test::run(d, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 17)); });
  EXPECT_TRUE(fs::exists(prefs));
  menu(kMenuEdit, 1);
  EXPECT_EQ(GetDatum(slot_, 1, 500), 1.0f) << "Undo gives the channel as the panel found it";
}

TEST_F(Smoothing, ATypedLagAndABestFitSearchThroughItsWindows) {
  FileInfoFLOATS[slot_][kInfoInterval] = 1.0f;
  for (int32_t i = 0; i <= 1000; ++i) {
    PutDatum(slot_, 2, i, 20.9f + std::sin(static_cast<float>(i) / 5.0f));
    PutDatum(slot_, 1, i, i >= 3 ? 20.9f + std::sin(static_cast<float>(i - 3) / 5.0f) : 0.0f);
  }
  original_ = gPointersToFileData[slot_][1];
  Script typed;
  typed.clickField(kResultsWindow, kLagField)
      .call([] { plat::setFieldText(kResultsWindow, kLagField, ""); })
      .type(kResultsWindow, kLagField, "2.5")
      .click(kResultsWindow, kLagOK);
  plat::test::run(typed, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 12)); });
  EXPECT_EQ(GetDatum(slot_, 1, 1), original_[4]);
  EXPECT_EQ(GetDatum(slot_, 1, 1000), 0.0f);
  EXPECT_NE(CommentContainer[slot_].find("Lag correction =  2.5 sec"), std::string::npos);
  menu(kMenuEdit, 1);
  ASSERT_EQ(gPointersToFileData[slot_][1], original_);

  testsupport::MarkBlock(slot_, 100, 900);
  RecordSCRIPT = 1;
  Script fit;
  fit.click(kResultsWindow, kLagBestFit)
      .call([] {
        plat::setFieldText(kBestFitWindow, kBestFitMaxField, "20");
        plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "editing-lag.png");
        plat::test::saveArtifact(plat::test::windowImage(kBestFitWindow), "editing-bestfit.png");
      })
      .click(kBestFitWindow, kBestFitSelect)
      .key(kComparisonWindow, 13)   // nothing chosen yet: Return does not end the choice
      .click(kComparisonWindow, 2)
      .call([] { plat::test::saveArtifact(plat::test::windowImage(kComparisonWindow), "editing-comparison.png"); })
      .click(kComparisonWindow, kComparisonOK)
      .call([] { EXPECT_EQ(plat::fieldText(kResultsWindow, kLagField), "3"); })
      .click(kResultsWindow, kLagOK);
  plat::test::run(fit, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 12)); });
  EXPECT_FALSE(plat::windowExists(kBestFitWindow));
  EXPECT_EQ(GetDatum(slot_, 1, 100), GetDatum(slot_, 2, 100));
  ASSERT_EQ(ScriptCOUNT, 1);
  EXPECT_EQ(ScriptSequenceArray[1][2], 3.0f);

  // Replayed with no window; a cancelled dialog leaves no step.
  gPointersToFileData[slot_][1] = original_;
  RecordSCRIPT = 0;
  autoscript = ScriptRunOnce = 1;
  plat::test::run(Script{}, [] { EXPECT_TRUE(RunScriptStep(1)); });
  EXPECT_EQ(GetDatum(slot_, 1, 100), GetDatum(slot_, 2, 100));
  autoscript = ScriptRunOnce = 0;
  RecordSCRIPT = 1;
  Script cancel;
  cancel.click(kResultsWindow, kLagCancel);
  plat::test::run(cancel, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 12)); });
  EXPECT_EQ(ScriptCOUNT, 1);

  // A tenth of a second apart, three cases read 0.3 s, not the double
  // product of the float interval (0.3000000045).
  RecordSCRIPT = 0;
  gPointersToFileData[slot_][1] = original_;
  FileInfoFLOATS[slot_][kInfoInterval] = 0.1f;
  testsupport::MarkBlock(slot_, 100, 900);
  std::string tenths;
  Script small;
  small.click(kResultsWindow, kLagBestFit)
      .call([] { plat::setFieldText(kBestFitWindow, kBestFitMaxField, "2"); })
      .click(kBestFitWindow, kBestFitSelect)
      .click(kComparisonWindow, 2)
      .click(kComparisonWindow, kComparisonOK)
      .call([&] { tenths = plat::fieldText(kResultsWindow, kLagField); })
      .click(kResultsWindow, kLagCancel);
  plat::test::run(small, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 12)); });
  EXPECT_EQ(tenths, "0.3");
}

TEST_F(Smoothing, ReferencesFixedTwiceThenUndoneGiveTheOpeningChannelAndMarkers) {
  for (int32_t k = 0; k <= 1000; ++k) PutDatum(slot_, 1, k, (k / 100) % 2 ? 1.0f : 20.0f + 0.001f * k);
  original_ = gPointersToFileData[slot_][1];
  const std::vector<MarkerRecord> markers = MarkersArray[slot_];
  RecordSCRIPT = 1;
  Script s;
  referenceFields(s, "5", "2", "2")
      .click(kResultsWindow, kRefMarkers)
      .click(kResultsWindow, kRefFix)
      .call([&] {
        EXPECT_FLOAT_EQ(GetDatum(slot_, 1, 150), GetDatum(slot_, 1, 98) + (GetDatum(slot_, 1, 202) - GetDatum(slot_, 1, 98)) * 52.0f / 104.0f);
        EXPECT_EQ(MarkerCount(slot_), static_cast<int16_t>(markers.size() + 10));
        EXPECT_NE(BackupCache.get(kInterpolationOffset + 150), 0.0f);
        plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "editing-references.png");
      })
      .click(kResultsWindow, kRefFix)
      .call([&] { EXPECT_EQ(MarkerCount(slot_), static_cast<int16_t>(markers.size() + 10)) << "pairs once"; })
      .click(kResultsWindow, kRefUndo)
      .call([&] {
        EXPECT_EQ(gPointersToFileData[slot_][1], original_);
        EXPECT_EQ(MarkersArray[slot_], markers);
      })
      .click(kResultsWindow, kRefDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 18)); });
  EXPECT_EQ(ScriptCOUNT, 0) << "nothing in effect at the end: no step";
  EXPECT_EQ(FirstRefRemovalVal, 2);

  // A cutoff picked on the plot fixes at once; its step replays with no window.
  const int win = PlotWindowId(slot_);
  const float picked = GscaleValue(60);   // the scale the last redraw left
  Script c;
  c.click(kResultsWindow, kRefCursor)
      .moveTo(win, {200, 60})
      .press(win, {200, 60})
      .release()
      .click(kResultsWindow, kRefDone);
  plat::test::run(c, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 18)); });
  ASSERT_EQ(ScriptCOUNT, 1);
  EXPECT_FLOAT_EQ(ScriptSequenceArray[1][6], picked);
  const std::vector<float> byDialog = gPointersToFileData[slot_][1];
  gPointersToFileData[slot_][1] = original_;
  RecordSCRIPT = 0;
  autoscript = ScriptRunOnce = 1;
  plat::test::run(Script{}, [] { EXPECT_TRUE(RunScriptStep(1)); });
  EXPECT_EQ(gPointersToFileData[slot_][1], byDialog);
}

// Three reference runs between the same two markers, each widened to the
// earlier one, then lines drawn inside a span and across the end of
// another: every case rewritten is flagged, the list holds one pair a span
// beside the file's own markers, and Edit > Undo after "Done" gives back
// the list and the flags the command found.
TEST_F(Smoothing, ReferencesToThePreviousMarkerAndLinesInsideFlagEveryCaseRewrittenAndUndoTakesThemBack) {
  for (int32_t k = 0; k <= 1000; ++k) {
    const bool dip =
        (k >= 150 && k <= 160) || (k >= 200 && k <= 210) || (k >= 260 && k <= 280) || (k >= 700 && k <= 705);
    PutDatum(slot_, 1, k, dip ? 1.0f : 20.0f + 0.01f * static_cast<float>(k % 7));
  }
  SetMarkers(slot_, {{100, 'A'}, {600, 'B'}, {900, 'C'}});
  MakeInterpolationRecordFor(slot_);
  const std::vector<MarkerRecord> opening = MarkersArray[slot_];
  const std::vector<float> channel = gPointersToFileData[slot_][1];
  constexpr int32_t O = kInterpolationOpen, C = kInterpolationClose;
  const auto flags = [&] {
    std::vector<int32_t> on;
    for (int32_t k = 0; k <= nCases[slot_]; ++k)
      if (BackupCache.get(kInterpolationOffset + k) != 0.0f) on.push_back(k);
    return on;
  };
  const auto cases = [](std::initializer_list<std::pair<int32_t, int32_t>> spans) {
    std::vector<int32_t> on;
    for (const auto& [a, b] : spans)
      for (int32_t k = a; k <= b; ++k) on.push_back(k);
    return on;
  };
  const auto everyChangeFlagged = [&](const std::vector<float>& before) {
    for (int32_t k = 1; k <= nCases[slot_]; ++k)
      if (GetDatum(slot_, 1, k) != before[static_cast<size_t>(k)]) {
        ASSERT_NE(BackupCache.get(kInterpolationOffset + k), 0.0f) << "case " << k << " rewritten, not flagged";
      }
  };
  const auto fix = [&] {
    Script r;
    r.click(kResultsWindow, kRefLeftMarker);
    referenceFields(r, "5", nullptr, "10")
        .click(kResultsWindow, kRefMarkers)
        .click(kResultsWindow, kRefFix)
        .click(kResultsWindow, kRefDone);
    plat::test::run(r, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 18)); });
    ASSERT_FALSE(plat::windowExists(kResultsWindow));
  };
  const std::vector<MarkerRecord> fixed = {{100, 'A'}, {100, O}, {291, C}, {600, 'B'}, {600, O}, {716, C}, {900, 'C'}};
  fix();
  EXPECT_EQ(MarkersArray[slot_], fixed);
  EXPECT_EQ(flags(), cases({{100, 291}, {600, 716}}));
  everyChangeFlagged(channel);
  menu(kMenuEdit, 1);
  EXPECT_EQ(gPointersToFileData[slot_][1], channel);
  EXPECT_EQ(MarkersArray[slot_], opening);
  EXPECT_TRUE(flags().empty());

  fix();
  const std::vector<float> afterFix = gPointersToFileData[slot_][1];
  const int win = PlotWindowId(slot_);
  FileSHORTS[slot_][kShortSegment] = 1;
  spikeInterpMarkers = 1;
  prefsArray[kPrefConserveVariation] = 0;
  Script t;
  t.click(kResultsWindow, kToolLinearMode);
  dragLine(t, win, 250, 280);
  dragLine(t, win, 700, 760);
  t.call([&] {
     EXPECT_EQ(MarkersArray[slot_], (std::vector<MarkerRecord>{
                                        {100, 'A'}, {100, O}, {291, C}, {600, 'B'}, {600, O}, {760, C}, {900, 'C'}}));
     EXPECT_EQ(flags(), cases({{100, 291}, {600, 760}}));
     everyChangeFlagged(channel);
   })
      .activate(kResultsWindow)
      .click(kResultsWindow, kToolDone);
  plat::test::run(t, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 38)); });
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  menu(kMenuEdit, 1);
  EXPECT_EQ(gPointersToFileData[slot_][1], afterFix);
  EXPECT_EQ(MarkersArray[slot_], fixed);
  EXPECT_EQ(flags(), cases({{100, 291}, {600, 716}}));
  spikeInterpMarkers = 0;
  DoSlant = 0;
}

// Everything an Undo may touch in the file.
struct FileState {
  std::vector<std::vector<float>> samples;  // channels 1..n
  std::vector<std::string> labels;          // channels 1..32
  std::vector<MarkerRecord> markers;
  std::vector<float> flags;
  int16_t channels = 0;
  bool operator==(const FileState&) const = default;
};

FileState stateOf(int16_t slot) {
  FileState f;
  f.channels = nChannels[slot];
  for (int16_t c = 1; c <= nChannels[slot]; ++c) f.samples.push_back(gPointersToFileData[slot][c]);
  for (int16_t c = 1; c <= kMaxChannels; ++c) f.labels.push_back(RetrieveLabelOf(slot, c));
  f.markers = MarkersArray[slot];
  for (int32_t k = 0; k <= nCases[slot]; ++k) f.flags.push_back(BackupCache.get(kInterpolationOffset + k));
  return f;
}

// Each command run through its window, channel 2 renamed in Edit File Data,
// then Edit > Undo: the channel the undo copy was taken of comes back with
// its own label, and with the marker list and flags as they were when the
// command added interpolation pairs; channels made since and the rename
// stay. After a whole-file edit there is nothing to undo.
TEST_F(Smoothing, EditUndoGivesBackWhatTheCommandTookAndNothingMore) {
  const auto smooth = [] {
    Script s;
    s.click(kResultsWindow, 2).click(kResultsWindow, kSmoothFirstPreset + 1).click(kResultsWindow, kSmoothAll);
    plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 16)); });
  };
  const auto references = [] {
    Script s;
    referenceFields(s, "3", "2", "2")
        .click(kResultsWindow, kRefMarkers)
        .click(kResultsWindow, kRefFix)
        .click(kResultsWindow, kRefDone);
    plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 18)); });
  };
  const auto linearise = [this] {
    const int win = PlotWindowId(slot_);
    FileSHORTS[slot_][kShortSegment] = 1;
    spikeInterpMarkers = 1;
    prefsArray[kPrefConserveVariation] = 0;
    Script s;
    s.click(kResultsWindow, kToolLinearMode);
    dragLine(s, win, 250, 280)
        .activate(kResultsWindow)
        .click(kResultsWindow, kToolDone);
    plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 38)); });
    spikeInterpMarkers = 0;
    DoSlant = 0;
  };
  const auto integral = [] {
    Script s;
    s.click(kResultsWindow, kIntegrateNewChannelBox).click(kResultsWindow, kIntegrateOK);
    plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 13)); });
  };
  const auto expression = [] {
    Script s;
    s.call([] { plat::setFieldText(kExpressionWindow, kExprField, "x - 1"); })
        .click(kExpressionWindow, kExprCheck)
        .call([] { plat::setFieldText(kExpressionWindow, kExprResult, "less one"); })
        .click(kExpressionWindow, kExprNewChannel)
        .click(kExpressionWindow, kExprRun)
        .click(kExpressionWindow, kExprDone);
    plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 24)); });
  };
  const auto transform = [] {
    Script s;
    s.click(kResultsWindow, kTrNewChannel)
        .popup(kResultsWindow, kTrTransformPopup, 4)
        .click(kResultsWindow, kTrAll)
        .call([] { plat::setFieldText(kResultsWindow, kTrLabelField, "transformed"); })
        .click(kResultsWindow, kTrDone);
    plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 22)); });
  };
  const auto cut = [this] {
    testsupport::MarkBlock(slot_, 101, 200);
    Script s;
    s.click(kCutBlockWindow, kCutRemove);
    plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuChangeOrRemove, 2)); });
  };
  const auto crop = [this] {
    testsupport::MarkBlock(slot_, 101, 900);
    Script s;
    s.click(kCropWindow, kCropOK);
    plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 30)); });
  };
  const auto timescale = [] {
    Script s;
    s.call([] { plat::setFieldText(kTimeScaleWindow, kTimeScaleField, ""); })
        .type(kTimeScaleWindow, kTimeScaleField, "2")
        .click(kTimeScaleWindow, kTimeScaleOK);
    plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuAppendOrStack, 4)); });
  };
  const struct {
    const char* what;
    std::vector<std::function<void()>> steps;
    size_t copyAt;     // the step that takes the undo copy of channel 1
    bool undone;       // false: nothing left to undo
    bool markersBack;
  } rows[] = {
      {"smoothing", {smooth}, 0, true, false},
      {"reference removal with markers", {references}, 0, true, true},
      {"linearising with markers", {linearise}, 0, true, true},
      {"an integral into a new channel", {smooth, integral}, 0, true, false},
      // These two keep a copy of the channel they read.
      {"an expression into a new channel", {smooth, expression}, 1, true, false},
      {"a transformation into a new channel", {smooth, transform}, 1, true, false},
      {"a cut from the file", {smooth, cut}, 0, false, false},
      {"a crop", {smooth, crop}, 0, false, false},
      {"a new time scale", {smooth, timescale}, 0, false, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    SetUp();
    SetMarkers(slot_, {{50, 'a'}, {260, kInterpolationOpen}, {270, kInterpolationClose}, {400, 'b'}});
    MakeInterpolationRecordFor(slot_);
    ActiveChannel = 1;
    FileState before;
    for (size_t i = 0; i < r.steps.size(); ++i) {
      if (i == r.copyAt) before = stateOf(slot_);
      r.steps[i]();
    }
    ASSERT_FALSE(plat::windowExists(kResultsWindow));
    ActiveChannel = 1;
    Script rename;
    rename.call([] { plat::setFieldText(kFileDataWindow, kLabelFieldBase + 2, ""); })
        .type(kFileDataWindow, kLabelFieldBase + 2, "renamed")
        .click(kFileDataWindow, kFileDataDone);
    plat::test::run(rename, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 9)); });
    ASSERT_EQ(TrimTrailingBlanks(RetrieveLabelOf(slot_, 2)), "renamed");
    FileState want = stateOf(slot_);
    if (r.undone) {
      want.samples[0] = before.samples[0];
      want.labels[0] = before.labels[0];
      if (r.markersBack) {
        ASSERT_NE(want.markers, before.markers);
        want.markers = before.markers;
        want.flags = before.flags;
      }
    }
    plat::test::run(Script{}, [] { DoMENU(kMenuEdit, 1); });
    const FileState after = stateOf(slot_);
    EXPECT_EQ(after.channels, want.channels);
    EXPECT_EQ(after.samples, want.samples);
    EXPECT_EQ(after.labels, want.labels);
    EXPECT_EQ(after.markers, want.markers);
    EXPECT_EQ(after.flags, want.flags);
  }
}

TEST_F(Smoothing, TheSpikeToolClicksDragsAndRejectsAndUndoGivesTheChannelItFound) {
  const int win = PlotWindowId(slot_);
  FileSHORTS[slot_][kShortSegment] = 1;
  const int y = BottomOfPlotArea / 2;
  const auto px = [](int32_t c) { return static_cast<int>(c) * Xstep + Xstep / 2; };
  std::vector<float> spikeDone = original_;
  spikeDone[50] = (original_[49] + original_[51]) * 0.5f;
  std::vector<float> lineDone = spikeDone, saved(1001);
  LineariseSpan(lineDone.data(), saved.data(), 1000, 10, 20, 0);
  spikeInterpMarkers = 1;
  prefsArray[kPrefConserveVariation] = 0;
  const int16_t markers = MarkerCount(slot_);
  Script s;
  // The plot is brought to the front first: a click into a window behind
  // only activates it.
  s.call([] { plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "editing-spiketool.png"); })
      .activate(win)
      .clickAt(win, {px(50), y})
      // A click (and a change of front window) queues two events and each
      // poll hands out one: the pointer rests while the queue drains.
      .moveTo(win, {px(50), y})
      .moveTo(win, {px(50), y})
      .call([&] { EXPECT_EQ(gPointersToFileData[slot_][1], spikeDone); })
      .activate(kResultsWindow)
      .click(kResultsWindow, kToolLinearMode);
  dragLine(s, win, 10, 20)
      .call([&] {
        EXPECT_EQ(gPointersToFileData[slot_][1], lineDone);
        EXPECT_EQ(MarkerCount(slot_), markers + 2);
      })
      .key(win, 8)
      .call([&] {
        EXPECT_EQ(gPointersToFileData[slot_][1], spikeDone) << "the span comes back bit for bit";
        EXPECT_EQ(MarkerCount(slot_), markers) << "with its marker pair gone";
      })
      // Edit > Undo inside the tool rejects a change too (here none is left):
      // it must not give back the whole channel.
      .menu(kMenuEdit, 1)
      .moveTo(win, {px(20), y})
      .call([&] { EXPECT_EQ(gPointersToFileData[slot_][1], spikeDone) << "one level only"; })
      .activate(kResultsWindow)
      .click(kResultsWindow, kToolDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(kMenuEdit, 38)); });
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  EXPECT_NE(CommentContainer[slot_].find("manual spike removal (linearizing); 2 spikes removed"), std::string::npos);
  menu(kMenuEdit, 1);
  EXPECT_EQ(gPointersToFileData[slot_][1], original_);
  spikeInterpMarkers = 0;
  DoSlant = 0;
}

}  // namespace
