// Merging a second file: appending cases and stacking channels, at and past
// the 7,000,000-case and 32-channel limits, and a merge that fails after it
// began restoring the file exactly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datafiles/fixture.h"
#include "shell/textutil.h"
#include "datafiles/merge.h"

namespace {

class Merge : public DataFilesTest {
 protected:
  void TearDown() override {
    FailNextMergeForTest(false);
    DataFilesTest::TearDown();
  }

  static void makeFile(int32_t cases, int16_t channels) {
    ASSERT_EQ(AllocateSlot(0, cases, channels), StoreStatus::Ok);
    TheFileInUse = 0;
    FileInfoFLOATS[0][kInfoInterval] = 1.0f;
    FileName[0] = "base.orl";
    CommentContainer[0] = "base comments";
    for (int16_t c = 1; c <= channels; ++c) {
      SetChannelLabel(0, c, "base " + std::to_string(c));
      OverlayArray[0][2][c] = 1;
      float* a = ChannelData(0, c);
      for (int32_t i = 0; i <= cases; ++i) a[i] = static_cast<float>(c * 100 + i % 50);
    }
    if (cases >= 3) {
      ASSERT_EQ(AddMarker(0, 3, 1), StoreStatus::Ok);
    }
    ASSERT_EQ(AddNote(0, {"2", "00:00:02", "base note"}), StoreStatus::Ok);
    FileSHORTS[0][kShortChanged] = 0;
    FileSHORTS[0][kShortBlockState] = 2;
    BeginBlock[0] = 1;
    EndBlock[0] = 2;
  }

  static DataFileImage incoming(int32_t cases, int channels, float base = 1000.0f) {
    DataFileImage img;
    img.cases = cases;
    img.interval = 1.0f;
    for (int c = 0; c < channels; ++c) {
      std::vector<float> v(static_cast<size_t>(cases) + 1);
      for (int32_t i = 0; i <= cases; ++i) v[static_cast<size_t>(i)] = base + c * 100 + i;
      img.data.push_back(std::move(v));
      img.labels.push_back(FitLabel("in " + std::to_string(c + 1)));
      img.travel.push_back({1.0f + c, 2, 3, 4, 5});
    }
    img.markers = {{1, 5}, {cases, 6}};
    img.notes = {{"1", "00:00:01", "in note"}};
    return img;
  }
};

TEST_F(Merge, AppendPutsTheKthPickedChannelAfterChannelK) {
  makeFile(10, 2);
  MergeReport rep;
  ASSERT_EQ(MergeImage(0, incoming(5, 3), {2, 0}, MergeMode::Append, "more.orl", &rep), FileStatus::Ok);
  EXPECT_EQ(nCases[0], 15);
  EXPECT_EQ(nChannels[0], 2);
  EXPECT_EQ(GetDatum(0, 1, 10), 110.0f) << "old cases untouched";
  EXPECT_EQ(GetDatum(0, 1, 11), 1201.0f) << "incoming channel 3, case 1";
  EXPECT_EQ(GetDatum(0, 2, 15), 1005.0f) << "incoming channel 1, case 5";
  EXPECT_EQ(MarkersArray[0], (std::vector<MarkerRecord>{{3, 1}, {11, 5}, {15, 6}}));
  ASSERT_EQ(NumberOfNotes[0], 2);
  EXPECT_EQ(NotesArray[0][1].caseText, "11");
  EXPECT_EQ(CommentContainer[0], "base comments\r*** appended more.orl ***");
  EXPECT_EQ(FileSHORTS[0][kShortChanged], 1);
  EXPECT_EQ(TrimTrailingBlanks(RetrieveLabelOf(0, 1)), "base 1") << "appending keeps the file's labels";
  EXPECT_EQ(MergeNotice(rep), "");
}

TEST_F(Merge, RefusalsChangeNothing) {
  makeFile(10, 2);
  const SlotState before = SlotState::of(0);
  EXPECT_EQ(MergeImage(0, incoming(5, 3), {0}, MergeMode::Append, "x"), FileStatus::BadRange)
      << "appending needs one picked channel per channel";
  EXPECT_EQ(MergeImage(0, incoming(5, 3), {}, MergeMode::Stack, "x"), FileStatus::NoChannels);
  EXPECT_EQ(MergeImage(0, incoming(5, 3), {0, 0}, MergeMode::Append, "x"), FileStatus::BadFormat);
  EXPECT_EQ(MergeImage(0, incoming(5, 3), {0, 3}, MergeMode::Append, "x"), FileStatus::BadFormat);
  EXPECT_EQ(SlotState::of(0), before);
}

TEST_F(Merge, AppendReachesSevenMillionCasesAndNoMore) {
  makeFile(kMaxCases - 10, 1);
  ASSERT_EQ(MergeImage(0, incoming(10, 1), {0}, MergeMode::Append, "end.orl"), FileStatus::Ok);
  EXPECT_EQ(nCases[0], kMaxCases);
  EXPECT_EQ(GetDatum(0, 1, kMaxCases), 1010.0f);
  const SlotState before = SlotState::of(0);
  EXPECT_EQ(MergeImage(0, incoming(2, 1), {0}, MergeMode::Append, "over.orl"), FileStatus::TooManyCases);
  EXPECT_EQ(SlotState::of(0), before);
}

TEST_F(Merge, StackReachesThirtyTwoChannelsAndNoMore) {
  makeFile(20, 30);
  MergeReport rep;
  ASSERT_EQ(MergeImage(0, incoming(20, 3), {1, 2}, MergeMode::Stack, "side.orl", &rep), FileStatus::Ok);
  EXPECT_EQ(nChannels[0], 32);
  EXPECT_EQ(GetDatum(0, 31, 0), 1100.0f) << "aligned from case 0";
  EXPECT_EQ(GetDatum(0, 32, 20), 1220.0f);
  EXPECT_EQ(TrimTrailingBlanks(RetrieveLabelOf(0, 32)), "in 3");
  EXPECT_EQ(nVar[0][31][2], 2.0f) << "travelling calibration values come along";
  EXPECT_EQ(OverlayArray[0][2][32], 1) << "the new channels are saved with the file";
  EXPECT_EQ(MarkersArray[0], (std::vector<MarkerRecord>{{3, 1}})) << "stacking keeps the file's markers";
  EXPECT_EQ(CommentContainer[0], "base comments\r*** added channels from side.orl ***");
  EXPECT_EQ(MergeNotice(rep), "");

  const SlotState before = SlotState::of(0);
  EXPECT_EQ(MergeImage(0, incoming(20, 1), {0}, MergeMode::Stack, "more.orl"), FileStatus::TooManyChannels);
  EXPECT_EQ(SlotState::of(0), before);
}

TEST_F(Merge, StackPadsShortChannelsAndCutsLongOnes) {
  makeFile(10, 1);
  MergeReport rep;
  ASSERT_EQ(MergeImage(0, incoming(4, 1), {0}, MergeMode::Stack, "short.orl", &rep), FileStatus::Ok);
  EXPECT_EQ(GetDatum(0, 2, 4), 1004.0f);
  EXPECT_EQ(GetDatum(0, 2, 10), 1004.0f) << "padded with the last value";
  EXPECT_EQ(rep.casesPadded, 6);
  EXPECT_NE(MergeNotice(rep).find("last 6 cases"), std::string::npos);

  ASSERT_EQ(MergeImage(0, incoming(25, 1, 0.0f), {0}, MergeMode::Stack, "long.orl", &rep), FileStatus::Ok);
  EXPECT_EQ(nCases[0], 10);
  EXPECT_EQ(GetDatum(0, 3, 10), 10.0f);
  EXPECT_EQ(rep.casesCut, 15);
  EXPECT_NE(MergeNotice(rep).find("last 15 cases were left out"), std::string::npos);
}

TEST_F(Merge, AFailedMergeRestoresTheFileExactly) {
  makeFile(10, 2);
  CommentContainer[0] = kNoComments;
  const SlotState before = SlotState::of(0);
  for (MergeMode mode : {MergeMode::Append, MergeMode::Stack}) {
    FailNextMergeForTest(true);
    EXPECT_EQ(MergeImage(0, incoming(7, 2), {0, 1}, mode, "fails.orl"), FileStatus::OutOfMemory);
    EXPECT_EQ(SlotState::of(0), before) << (mode == MergeMode::Append ? "append" : "stack");
  }
  // The failure was one-shot: the next merge goes through, and replaces the
  // "no comments" placeholder instead of following it.
  ASSERT_EQ(MergeImage(0, incoming(7, 2), {0, 1}, MergeMode::Append, "works.orl"), FileStatus::Ok);
  EXPECT_EQ(nCases[0], 17);
  EXPECT_EQ(CommentContainer[0], "*** appended works.orl ***");
}

TEST_F(Merge, MarkerAndNoteLimitsHold) {
  makeFile(40'000, 1);
  std::vector<MarkerRecord> many;
  for (int32_t i = 1; i <= kMaxMarkers - 1; ++i) many.push_back({i, 1});
  SetMarkers(0, many);
  for (int n = static_cast<int>(NotesArray[0].size()); n < kMaxNotes; ++n) ASSERT_EQ(AddNote(0, {"5", "", "n"}), StoreStatus::Ok);
  MergeReport rep;
  ASSERT_EQ(MergeImage(0, incoming(10, 1), {0}, MergeMode::Append, "m.orl", &rep), FileStatus::Ok);
  EXPECT_EQ(MarkerCount(0), kMaxMarkers);
  EXPECT_EQ(rep.markersDropped, 1);
  EXPECT_EQ(NumberOfNotes[0], kMaxNotes);
  EXPECT_EQ(rep.notesDropped, 1);
  EXPECT_NE(MergeNotice(rep).find("1 markers beyond 32,500"), std::string::npos);
}

}  // namespace
