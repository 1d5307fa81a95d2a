// What every editing command shares without windows: the row a step fills,
// withdrawing a cancelled step, the pick lists' ids and geometry, and
// duplicating a channel.
#include "editing/editstep.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "editing/channelpick.h"
#include "editing/copychannel.h"
#include "shell/recording.h"
#include "shell/steptable.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/worktables.h"

namespace {

class ScriptState : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    autoscript = 0;
    ScriptRunOnce = 0;
    for (auto& row : ScriptSequenceArray) std::fill(std::begin(row), std::end(row), 0.0f);
  }
};

TEST_F(ScriptState, TheRowIsTheRecordedStepElseTheReplayedOneElseTheScratchRow) {
  const struct {
    int16_t step, recorded;
    int16_t autoscriptFlag, runOnce;
    int16_t row;
    bool replay;
  } cases[] = {
      {0, 0, 1, 1, 0, false},     // from the menu
      {0, 7, 1, 1, 7, false},     // recording
      {3, 0, 1, 1, 3, true},      // replay without a dialog
      {3, 0, 0, 1, 3, false},     // not an automatic script: the dialog shows
      {3, 0, 1, 0, 3, false},
      {-999, 0, 1, 1, 0, false},  // automatic mode
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.step * 100 + c.recorded);
    autoscript = c.autoscriptFlag;
    ScriptRunOnce = c.runOnce;
    const EditStep s = EditStepFor(c.step, c.recorded, false);
    EXPECT_EQ(s.row, c.row);
    EXPECT_EQ(s.replay, c.replay);
  }
}

TEST_F(ScriptState, WithdrawingAStepClearsItAndReArmsRecordingStoppedByIt) {
  for (const uint16_t count : {uint16_t{5}, uint16_t{40}}) {
    SCOPED_TRACE(count);
    ScriptCOUNT = count;
    ScriptSequenceArray[count][kStepOpField] = 6;
    ScriptSequenceArray[count][4] = 3;
    const bool stopped = count == 40;
    RecordSCRIPT = stopped ? 0 : 1;
    EditStep s = EditStepFor(0, static_cast<int16_t>(count), stopped);
    WithdrawEditStep(s);
    WithdrawEditStep(s);   // a second cancel must not step back again
    EXPECT_EQ(ScriptCOUNT, count - 1);
    EXPECT_EQ(RecordSCRIPT, 1);
    EXPECT_TRUE(std::all_of(std::begin(ScriptSequenceArray[count]), std::end(ScriptSequenceArray[count]),
                            [](float f) { return f == 0.0f; }));
  }
  EditStep none = EditStepFor(0, 0, false);
  ScriptCOUNT = 9;
  WithdrawEditStep(none);
  EXPECT_EQ(ScriptCOUNT, 9) << "nothing recorded, nothing withdrawn";
}

TEST_F(ScriptState, AStepRunsTheCommandOfItsOperation) {
  int16_t ran = 0;
  RegisterScriptOp(18, [&](int16_t step) { ran = step; });
  ScriptSequenceArray[4][kStepOpField] = 18;
  ScriptSequenceArray[5][kStepOpField] = 99;
  EXPECT_TRUE(RunScriptStep(4));
  EXPECT_EQ(ran, 4);
  EXPECT_FALSE(RunScriptStep(5));
  EXPECT_FALSE(RunScriptStep(0)) << "row 0 is scratch";
  ClearScriptOps();
}

TEST(PickList, IdsAndGeometry) {
  const struct {
    PickListKind kind;
    int16_t channels;
    int16_t firstSecondId, lastSecondId;
    int16_t frameDepth;   // bottom - top
  } cases[] = {
      {PickListKind::Plain, 10, 11, 20, 10 * 18 + 19},
      {PickListKind::Extended, 10, 33, 42, 10 * 19 + 20},
      {PickListKind::Plain, 32, 33, 64, 32 * 18 + 19},
      {PickListKind::Extended, 32, 33, 64, 32 * 19 + 20},
      {PickListKind::Plain, 1, 2, 2, 37},
      {PickListKind::Extended, 1, 33, 33, 39},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind) * 100 + c.channels);
    const PickListLayout two = LayOutPickList(c.kind, c.channels, -3, 320, true);
    ASSERT_EQ(two.rows.size(), static_cast<size_t>(c.channels));
    EXPECT_EQ(two.rows.front().secondId, c.firstSecondId);
    EXPECT_EQ(two.rows.back().secondId, c.lastSecondId);
    EXPECT_EQ(two.bottom - -3, c.frameDepth);
    EXPECT_EQ(two.frames.size(), 3u);
    const PickListRow& r = two.rows.back();
    EXPECT_EQ(r.firstButton, (plat::Rect{332, -3 + c.channels * two.pitch + 3, 350, -3 + c.channels * two.pitch + 15}));
    EXPECT_EQ(r.secondButton.left, 375);
    EXPECT_EQ(r.text, (plat::Point{410, -3 + c.channels * two.pitch + 15}));
    const PickListLayout one = LayOutPickList(c.kind, c.channels, 0, 0, false);
    EXPECT_EQ(one.rows.back().secondId, 0);
    EXPECT_EQ(one.rows.back().text.x, 50);
    EXPECT_EQ(one.note.x, 55);
    EXPECT_EQ(one.frames.back(), (plat::Rect{45, 2, 314, one.bottom}));
  }
  EXPECT_FALSE(PickListTwoColumns(1, 0, 0));
  EXPECT_TRUE(PickListTwoColumns(1, 1, 0));
  EXPECT_TRUE(PickListTwoColumns(1, 0, 2));
  EXPECT_FALSE(PickListTwoColumns(0, 1, 2));
}

class Duplicate : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
    ASSERT_EQ(AllocateSlot(0, 50, 2), StoreStatus::Ok);
    TheFileInUse = 0;
    for (int32_t k = 0; k <= 50; ++k) PutDatum(0, 2, k, 0.5f * static_cast<float>(k));
    nVar[0][2][1] = 3;
    nVar[0][2][4] = 2.5f;
    nVar[0][2][20] = 7;
    SetChannelLabel(0, 2, "O2 %");
    SnapshotLabels(0);
  }
  void TearDown() override { FreeSlot(0); }
};

TEST_F(Duplicate, ACopyCarriesDataRecordAndLabelAndIsMarkedAsACopy) {
  int16_t c = 0;
  ASSERT_EQ(DuplicateChannel(0, 2, RetrieveLabel(2), &c), StoreStatus::Ok);
  EXPECT_EQ(c, 3);
  EXPECT_EQ(StoreChan, 3);
  EXPECT_EQ(gPointersToFileData[0][3], gPointersToFileData[0][2]);
  EXPECT_EQ(nVar[0][3][1], 103.0f);
  EXPECT_EQ(nVar[0][3][4], 2.5f);
  EXPECT_EQ(nVar[0][3][20], 0.0f) << "fields beyond 13 are not copied";
  EXPECT_EQ(RetrieveLabel(3), RetrieveLabel(2));
  ASSERT_EQ(DuplicateChannel(0, 3, RetrieveLabel(3), &c), StoreStatus::Ok);
  EXPECT_EQ(nVar[0][4][1], 203.0f) << "a copy of a copy";
  EXPECT_EQ(FftCopyLabel(2, 64), "FFT: channel 2; 128 points    ");
}

TEST_F(Duplicate, UndoOfAnEarlierEditKeepsTheCopysLabel) {
  ASSERT_EQ(MAKEBACKUP(2), StoreStatus::Ok);
  PutDatum(0, 2, 5, 99.0f);
  int16_t c = 0;
  ASSERT_EQ(DuplicateChannel(0, 2, "copy of O2", &c), StoreStatus::Ok);
  ASSERT_EQ(UNDO(), StoreStatus::Ok);
  EXPECT_EQ(GetDatum(0, 2, 5), 2.5f);
  EXPECT_EQ(RetrieveLabel(c), FitLabel("copy of O2"));
}

TEST_F(Duplicate, NothingChangesAtThirtyTwoChannels) {
  while (nChannels[0] < kMaxChannels) ASSERT_EQ(AddChannel(0), StoreStatus::Ok);
  const std::string labels = LabelStrings[0][4];
  int16_t c = -1;
  EXPECT_EQ(DuplicateChannel(0, 2, "x", &c), StoreStatus::TooManyChannels);
  EXPECT_EQ(nChannels[0], kMaxChannels);
  EXPECT_EQ(c, -1);
  EXPECT_EQ(LabelStrings[0][4], labels);
}

}  // namespace
