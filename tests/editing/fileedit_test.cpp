// Edits of a whole recording: cuts, marker removal, crops, channel deletion,
// re-sampling and re-arrangement, with the markers, start time, labels and
// calibration values that must follow the data.
#include "editing/fileedit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "datafiles/fixture.h"
#include "datafiles/native_binary.h"
#include "shell/globals.h"
#include "shell/textutil.h"

namespace {

class FileEdit : public DataFilesTest {
 protected:
  void SetUp() override {
    DataFilesTest::SetUp();
    std::fill(std::begin(prefsArray), std::end(prefsArray), int16_t{0});
    prefsArray[kPrefRecordEdits] = 1;
    prefsArray[kPrefNoCommentsRefresh] = 1;
  }
  // The current file; channel c holds c * 10000 + case, or `value(case)`
  // in every channel when given.
  int16_t open(int32_t cases, int16_t channels, float interval = 1.0f, float (*value)(int32_t) = nullptr) {
    int16_t s = -1;
    EXPECT_EQ(OpenNewFileSlot(cases, channels, &s), StoreStatus::Ok);
    for (int16_t c = 1; c <= channels; ++c) {
      for (int32_t k = 0; k <= cases; ++k)
        PutDatum(s, c, k, value ? value(k) : static_cast<float>(c * 10000 + k));
      SetChannelLabel(s, c, "label " + std::to_string(c));
      for (int f = 0; f < kChannelInfoFields; ++f) nVar[s][c][f] = static_cast<float>(c * 100 + f);
    }
    FileInfoFLOATS[s][kInfoInterval] = interval;
    StartTime[s] = "08:00:00";
    TheFileInUse = static_cast<uint16_t>(s);
    return s;
  }
  static void block(int16_t s, int32_t b, int32_t e) {
    FileSHORTS[s][kShortBlockState] = 2;
    BeginBlock[s] = b;
    EndBlock[s] = e;
  }
};

TEST_F(FileEdit, BlockRulesOfCutAndCrop) {
  const int16_t s = open(100, 1);
  const struct {
    int16_t state;
    int32_t b, e;
    FileEditStatus cut, crop;
    CaseSpan span;
  } cases[] = {
      {2, 10, 20, FileEditStatus::Ok, FileEditStatus::Ok, {10, 20}},
      {2, 0, 20, FileEditStatus::Ok, FileEditStatus::Ok, {1, 20}},      // case 0 stays
      {2, 20, 20, FileEditStatus::NoBlock, FileEditStatus::Ok, {20, 20}},
      {2, 0, 1, FileEditStatus::NoBlock, FileEditStatus::Ok, {1, 1}},
      {2, 30, 20, FileEditStatus::NoBlock, FileEditStatus::NoBlock, {}},
      {2, 10, 101, FileEditStatus::NoBlock, FileEditStatus::NoBlock, {}},  // left over from a longer file
      {0, 10, 20, FileEditStatus::NoBlock, FileEditStatus::NoBlock, {}},
      {1, 10, 20, FileEditStatus::NoBlock, FileEditStatus::NoBlock, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.b * 1000 + c.e);
    FileSHORTS[s][kShortBlockState] = c.state;
    BeginBlock[s] = c.b;
    EndBlock[s] = c.e;
    CaseSpan cut, crop;
    EXPECT_EQ(CutSpanOf(s, &cut), c.cut);
    EXPECT_EQ(CropSpanOf(s, &crop), c.crop);
    if (c.crop == FileEditStatus::Ok) {
      EXPECT_EQ(crop, c.span);
    }
    if (c.cut == FileEditStatus::Ok) {
      EXPECT_EQ(cut, c.span);
    }
  }
}

TEST_F(FileEdit, WholeFileCutMovesDataAndMarkersAndTheAnswerDecidesTheMarkers) {
  const struct {
    MarkerAnswer answer;
    std::vector<MarkerRecord> markers;
    std::vector<MarkerRecord> held = {{150, 'a'}, {250, 'b'}, {250, 199}};
  } cases[] = {
      {MarkerAnswer::Delete, {{151, 'b'}, {151, 199}}},
      {MarkerAnswer::DeleteAndInsert, {{101, 'a'}, {151, 'b'}, {151, 199}}},
      // The new marker stands beside what is left of a span cut through.
      {MarkerAnswer::DeleteAndInsert, {{101, 'a'}, {101, 200}, {151, 'b'}, {151, 199}},
       {{120, 200}, {150, 'a'}, {250, 'b'}, {250, 199}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.markers.size());
    resetStore();
    const int16_t s = open(1000, 2);
    SetMarkers(s, c.held);
    block(s, 101, 200);
    EXPECT_TRUE(MarkersInSpan(s, {101, 200}));
    EXPECT_FALSE(MarkersInSpan(s, {151, 249}));
    ASSERT_EQ(CutBlockFromFile(s, {101, 200}, c.answer), FileEditStatus::Ok);
    EXPECT_EQ(nCases[s], 901);
    EXPECT_EQ(GetDatum(s, 1, 101), 10200.0f);
    EXPECT_EQ(GetDatum(s, 2, 901), 21000.0f);
    EXPECT_EQ(MarkersArray[s], c.markers);
    EXPECT_EQ(FileSHORTS[s][kShortMarkerCount], static_cast<int16_t>(c.markers.size()));
    EXPECT_EQ(FileSHORTS[s][kShortBlockState], 0);
    EXPECT_EQ(StartTime[s], "08:00:00") << "a cut after case 1 keeps the start";
  }
  // Fewer than 2 cases left: nothing is cut.
  const int16_t s = static_cast<int16_t>(TheFileInUse);
  EXPECT_EQ(CutBlockFromFile(s, {1, 901}, MarkerAnswer::Delete), FileEditStatus::TooFewLeft);
  EXPECT_EQ(nCases[s], 901);
  EXPECT_EQ(CutBlockFromFile(s, {1, 900}, MarkerAnswer::Delete), FileEditStatus::Ok);
  EXPECT_EQ(nCases[s], 2);
}

TEST_F(FileEdit, ACutFromTheFrontMovesTheStartTimeWrittenWithBlanks) {
  const struct {
    const char* start;
    float interval;
    CaseSpan span;
    const char* text;
    float minute;
  } cases[] = {
      {"08:00:00", 1.0f, {1, 61}, " 8: 1: 0", 481.0f},
      {"23:59:30", 1.0f, {1, 61}, " 0: 0:30", 0.5f},
      {"08:00:00", 0.7f, {1, 11}, " 8: 0: 7", static_cast<float>(480 + 7 / 60.0)},   // 10 x 0.7 s is 7 s, not 6
      {"00:00:00", 1.0f, {1, 2}, " 0: 0: 1", static_cast<float>(1 / 60.0)},
      {"07:00:00", 1.0f, {2, 62}, "07:00:00", 0.0f},                      // from case 2: unchanged
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    resetStore();
    const int16_t s = open(200, 1, c.interval);
    StartTime[s] = c.start;
    ASSERT_EQ(CutBlockFromFile(s, c.span, MarkerAnswer::Delete), FileEditStatus::Ok);
    EXPECT_EQ(StartTime[s], c.text);
    if (c.minute != 0.0f) {
      EXPECT_EQ(FileInfoFLOATS[s][kInfoStartMinutes], c.minute);   // seconds / 60, rounded once
    }
  }
}

TEST_F(FileEdit, OneChannelCutKeepsTheLengthZeroesTheTailAndIsUndone) {
  const int16_t s = open(1000, 2);
  const std::vector<float> before = gPointersToFileData[s][2];
  ASSERT_EQ(CutBlockFromChannel(2, {101, 201}), FileEditStatus::Ok);
  EXPECT_EQ(nCases[s], 1000);
  EXPECT_EQ(GetDatum(s, 2, 101), 20201.0f);
  EXPECT_EQ(GetDatum(s, 2, 900), 21000.0f);
  for (int32_t k = 901; k <= 1000; ++k) ASSERT_EQ(GetDatum(s, 2, k), 0.0f) << k;
  EXPECT_EQ(GetDatum(s, 1, 500), 10500.0f) << "other channels untouched";
  ASSERT_TRUE(UndoAvailable(s));
  ASSERT_EQ(UNDO(), StoreStatus::Ok);
  EXPECT_EQ(gPointersToFileData[s][2], before);
}

// Each row removes the markers of a block from `held` (flags made first);
// an interpolation span crossing an edge of the block keeps both ends, and
// the flags follow the list at once. Then random lists against a brute force.
TEST_F(FileEdit, MarkerRemovalKeepsEveryMarkerOutsideTheBlockAsItWas) {
  using M = std::vector<MarkerRecord>;
  constexpr int32_t O = kInterpolationOpen, C = kInterpolationClose;
  const int16_t s = open(100, 1);
  const auto flagged = [&] {
    std::vector<int32_t> on;
    for (int32_t k = 0; k <= 100; ++k)
      if (CaseIsInterpolated(k)) on.push_back(k);
    return on;
  };
  const auto cases = [](int32_t a, int32_t b) {
    std::vector<int32_t> v;
    for (int32_t k = a; k <= b; ++k) v.push_back(k);
    return v;
  };
  const struct {
    const char* what;
    M held;
    CaseSpan span;
    int32_t removed;
    M want;
    std::vector<int32_t> flags;
  } rows[] = {
      {"two on a case outside stay", {{5, 'a'}, {10, 'b'}, {15, 'c'}, {20, 'd'}, {21, 'e'}, {21, 'f'}}, {10, 20}, 3,
       {{5, 'a'}, {21, 'e'}, {21, 'f'}}, {}},
      {"a span opening in the block", {{12, 'a'}, {15, O}, {30, C}}, {10, 20}, 1, {{15, O}, {30, C}}, cases(15, 30)},
      {"a span closing in the block", {{5, O}, {12, 'a'}, {12, C}}, {10, 20}, 1, {{5, O}, {12, C}}, cases(5, 12)},
      {"a span inside the block goes", {{3, O}, {8, C}, {12, O}, {15, 'a'}, {15, C}}, {10, 20}, 3, {{3, O}, {8, C}},
       cases(3, 8)},
      {"a one-case span on the edge goes", {{10, O}, {10, C}}, {10, 20}, 2, {}, {}},
      {"saved nested: the span the flags read", {{5, O}, {12, O}, {14, C}, {30, C}}, {10, 20}, 1,
       {{5, O}, {14, C}, {30, C}}, cases(5, 14)},
      {"open to the file's end, past the block", {{15, O}}, {10, 20}, 0, {{15, O}}, cases(15, 100)},
      {"open to the file's end, inside the block", {{15, O}, {50, 'a'}}, {10, 100}, 2, {}, {}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    SetMarkers(s, r.held);
    MakeInterpolationRecordFor(s);
    EXPECT_EQ(RemoveMarkersInSpan(s, r.span), r.removed);
    EXPECT_EQ(MarkersArray[s], r.want);
    EXPECT_EQ(FileSHORTS[s][kShortMarkerCount], static_cast<int16_t>(r.want.size()));
    EXPECT_EQ(flagged(), r.flags);
  }
  std::mt19937 rng(73);
  const auto uniform = [&](int32_t a, int32_t b) { return std::uniform_int_distribution<int32_t>(a, b)(rng); };
  for (int trial = 0; trial < 300; ++trial) {
    SCOPED_TRACE(trial);
    M held;
    for (int i = uniform(0, 8); i > 0; --i) held.push_back({uniform(1, 100), 'a' + uniform(0, 2)});
    SetMarkers(s, held);
    for (int i = uniform(0, 5); i > 0; --i) {
      const int32_t a = uniform(1, 100);
      ASSERT_EQ(AddInterpolationPair(s, a, std::min(100, a + uniform(0, 15))), StoreStatus::Ok);
    }
    MakeInterpolationRecordFor(s);
    const int32_t b = uniform(1, 100), e = std::min(100, b + uniform(0, 30));
    // The runs of flagged cases wholly inside the block lose their flags.
    std::vector<bool> want(101, false);
    for (int32_t k = 1; k <= 100; ++k) want[k] = CaseIsInterpolated(k);
    for (int32_t k = 1; k <= 100;) {
      int32_t end = k;
      while (want[k] && end < 100 && want[end + 1]) ++end;
      if (want[k] && k >= b && end <= e) std::fill(want.begin() + k, want.begin() + end + 1, false);
      k = end + 1;
    }
    M own;
    for (const MarkerRecord& m : MarkersArray[s])
      if (MarkerCode16(m) != O && MarkerCode16(m) != C && (m.caseNumber < b || m.caseNumber > e)) own.push_back(m);
    RemoveMarkersInSpan(s, {b, e});
    M ownNow, marks;
    for (const MarkerRecord& m : MarkersArray[s])
      (MarkerCode16(m) == O || MarkerCode16(m) == C ? marks : ownNow).push_back(m);
    EXPECT_EQ(ownNow, own) << b << ".." << e;
    for (int32_t k = 0; k <= 100; ++k) ASSERT_EQ(CaseIsInterpolated(k), want[k]) << "case " << k << ", block " << b << ".." << e;
    for (size_t i = 0; i < marks.size(); ++i) ASSERT_EQ(MarkerCode16(marks[i]), i % 2 == 0 ? O : C) << "balanced";
  }
}

TEST_F(FileEdit, CropKeepsTheBlockItsMarkersAndMovesTheStart) {
  const int16_t s = open(1000, 2);
  SetMarkers(s, {{100, 'a'}, {101, 'b'}, {101, 200}, {200, 'c'}, {200, 199}, {201, 'd'}});
  FileSHORTS[s][kShortZoomed] = 1;
  block(s, 101, 200);
  ASSERT_EQ(CropToSpan(s, {101, 200}), FileEditStatus::Ok);
  EXPECT_EQ(nCases[s], 100);
  EXPECT_EQ(GetDatum(s, 2, 1), 20101.0f);
  EXPECT_EQ(MarkersArray[s], (std::vector<MarkerRecord>{{1, 'b'}, {1, 200}, {100, 'c'}, {100, 199}}));
  EXPECT_EQ(StartTime[s], " 8: 1:40");
  EXPECT_EQ(FileSHORTS[s][kShortBlockState], 0);
  EXPECT_EQ(FileSHORTS[s][kShortZoomed], 0);
  EXPECT_FALSE(UndoAvailable(s));
  ASSERT_EQ(CropToSpan(s, {1, 50}), FileEditStatus::Ok);
  EXPECT_EQ(StartTime[s], " 8: 1:40") << "from case 1: not rewritten";
  EXPECT_EQ(CropLogWords(3), "channel 3 was cropped");
}

TEST_F(FileEdit, ResamplingLandsTheLastOldCaseAndFillsBetween) {
  const struct {
    int32_t cases;
    float from, to;
    float (*value)(int32_t);
    int32_t newCases;
    std::vector<std::pair<int32_t, float>> expect;
  } cases[] = {
      {1001, 1.0f, 2.0f, [](int32_t i) { return static_cast<float>(i); }, 500,
       {{1, 3.0f}, {2, 5.0f}, {250, 501.0f}, {500, 1001.0f}, {0, 1.0f}}},
      {500, 2.0f, 1.0f, [](int32_t i) { return 10.0f * static_cast<float>(i); }, 1000,
       {{1, 10.0f}, {2, 10.0f}, {3, 15.0f}, {4, 20.0f}, {1000, 5000.0f}}},
      // The scratch channel's 2 at case 0 is never copied back.
      {30, 1.0f, 3.0f, [](int32_t i) { return static_cast<float>(i); }, 10,
       {{0, 1.0f}, {1, 5.0f}, {2, 8.0f}, {9, 29.0f}, {10, 30.0f}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.newCases);
    resetStore();
    const int16_t s = open(c.cases, 2, c.from, c.value);
    SetMarkers(s, {{std::min(600, c.cases), 'm'}});
    block(s, 2, 5);
    CommentContainer[s].clear();
    ASSERT_EQ(AdjustSlotTimeScale(s, c.to), FileEditStatus::Ok);
    EXPECT_EQ(nCases[s], c.newCases);
    EXPECT_EQ(FileInfoFLOATS[s][kInfoInterval], c.to);
    for (int16_t ch = 0; ch <= 2; ++ch)
      EXPECT_EQ(gPointersToFileData[s][ch].size(), static_cast<size_t>(c.newCases) + 1);
    for (const auto& [k, v] : c.expect) EXPECT_FLOAT_EQ(GetDatum(s, 2, k), v) << k;
    EXPECT_EQ(FileSHORTS[s][kShortBlockState], 0);
    EXPECT_EQ(FileSHORTS[s][kShortChanged], 1);
    EXPECT_EQ(CommentContainer[s], "\r   *** Time scale adjustment ***\r            old sample interval" +
                                       NumText(c.from) + " sec;  new sample interval" + NumText(c.to) + " sec\r");
  }
  EXPECT_EQ(MarkersArray[TheFileInUse][0].caseNumber, 10) << "kept inside the file";
}

TEST_F(FileEdit, ResamplingRefusalsChangeNothing) {
  const int16_t s = open(1001, 1);
  SetMarkers(s, {{600, 'm'}});
  ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
  int32_t n = 0;
  EXPECT_EQ(TimeScaleCheck(1001, 1.0f, 2.0, &n), FileEditStatus::Ok);
  EXPECT_EQ(n, 500);
  const std::vector<float> before = gPointersToFileData[s][1];
  const struct {
    double interval;
    FileEditStatus status;
  } cases[] = {{0.0, FileEditStatus::BadInterval}, {-1.0, FileEditStatus::BadInterval},
               {1e-50, FileEditStatus::BadInterval}, {1e-4, FileEditStatus::TooManyCases},
               {1000.0, FileEditStatus::TooFewCases}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.interval);
    EXPECT_EQ(TimeScaleCheck(1001, 1.0f, c.interval, nullptr), c.status);
    EXPECT_EQ(AdjustSlotTimeScale(s, static_cast<float>(c.interval)), c.status);
    EXPECT_EQ(gPointersToFileData[s][1], before);
    EXPECT_EQ(MarkersArray[s][0].caseNumber, 600);
  }
  EXPECT_TRUE(UndoAvailable(s));
  ASSERT_EQ(AdjustSlotTimeScale(s, 2.0f), FileEditStatus::Ok);
  EXPECT_EQ(MarkersArray[s][0].caseNumber, 300);
  EXPECT_FALSE(UndoAvailable(s)) << "a one-channel copy cannot undo a re-sampled file";
}

TEST_F(FileEdit, DeletingChannelsLogsFromTheTopAndRefusesToDeleteAll) {
  const int16_t s = open(10, 5);
  ActiveChannel = 4;
  bool remove[kMaxChannels + 1] = {};
  remove[2] = remove[4] = true;
  int16_t removed = 0;
  ASSERT_EQ(DeleteChannels(remove, &removed), FileEditStatus::Ok);
  EXPECT_EQ(removed, 2);
  ASSERT_EQ(nChannels[s], 3);
  const int16_t old[] = {1, 3, 5};
  for (int16_t k = 1; k <= 3; ++k) {
    EXPECT_EQ(GetDatum(s, k, 7), static_cast<float>(old[k - 1] * 10000 + 7));
    EXPECT_EQ(RetrieveLabel(k), FitLabel("label " + std::to_string(old[k - 1])));
    EXPECT_EQ(nVar[s][k][5], static_cast<float>(old[k - 1] * 100 + 5));
  }
  const size_t four = CommentContainer[s].find("Channel 4, label 4:  DELETED");
  const size_t two = CommentContainer[s].find("Channel 2, label 2:  DELETED");
  ASSERT_NE(four, std::string::npos);
  ASSERT_NE(two, std::string::npos);
  EXPECT_LT(four, two);
  EXPECT_EQ(ActiveChannel, 1);

  const std::string comments = CommentContainer[s];
  bool all[kMaxChannels + 1] = {false, true, true, true};
  EXPECT_EQ(DeleteChannels(all, &removed), FileEditStatus::WouldRemoveAll);
  EXPECT_EQ(nChannels[s], 3);
  EXPECT_EQ(CommentContainer[s], comments) << "nothing logged for a refused deletion";
}

TEST_F(FileEdit, RearrangingMovesDataLabelsAndTravellingValuesAndKeepsABackup) {
  const struct {
    int16_t channels;
    std::vector<int16_t> picks;
  } cases[] = {{4, {3, 1}}, {3, {2, 2, 1}}, {2, {2, 1, 1, 2, 2}}, {4, {1, 2, 3, 4}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.picks.size() * 10 + c.channels);
    resetStore();
    const int16_t s = open(50, c.channels);
    SetMarkers(s, {{7, 'x'}});
    CommentContainer[s] = "kept";
    ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
    std::vector<ChannelArray> data;
    for (int16_t ch = 1; ch <= c.channels; ++ch) data.push_back(gPointersToFileData[s][ch]);
    ChannelOrder order;
    for (int16_t p : c.picks) ASSERT_TRUE(order.add(p));
    const std::filesystem::path backup = path(kRearrangeBackupName);
    ASSERT_EQ(RearrangeChannels(s, order, backup), FileEditStatus::Ok);

    ASSERT_EQ(nChannels[s], static_cast<int16_t>(c.picks.size()));
    for (int16_t k = 1; k <= nChannels[s]; ++k) {
      const int16_t was = c.picks[static_cast<size_t>(k - 1)];
      EXPECT_EQ(gPointersToFileData[s][k], data[static_cast<size_t>(was - 1)]) << k;
      EXPECT_EQ(RetrieveLabel(k), FitLabel("label " + std::to_string(was)));
      EXPECT_EQ(nVar[s][k][2], static_cast<float>(was * 100 + 2));
      EXPECT_EQ(nVar[s][k][6], static_cast<float>(was * 100 + 6));
      if (k <= c.channels) {
        EXPECT_EQ(nVar[s][k][1], static_cast<float>(k * 100 + 1)) << "stays with the position";
      }
      EXPECT_EQ(OverlayArray[s][2][k], 1);
    }
    for (int16_t k = nChannels[s] + 1; k <= kMaxChannels; ++k) EXPECT_TRUE(gPointersToFileData[s][k].empty());
    EXPECT_EQ(MarkersArray[s], (std::vector<MarkerRecord>{{7, 'x'}}));
    EXPECT_EQ(CommentContainer[s], "kept");
    EXPECT_EQ(ActiveChannel, 1);
    EXPECT_EQ(FileSHORTS[s][kShortChanged], 1);
    EXPECT_FALSE(UndoAvailable(s));

    DataFileImage img;
    ASSERT_EQ(ReadNativeBinary(backup, &img), FileStatus::Ok);
    EXPECT_EQ(img.cases, 50);
    EXPECT_EQ(img.data, data) << "the file as it was before";
  }
}

TEST_F(FileEdit, ABackupThatCannotBeWrittenLeavesTheChannelsAsTheyWere) {
  const int16_t s = open(20, 3);
  ChannelOrder order;
  order.add(3);
  const std::vector<float> first = gPointersToFileData[s][1];
  EXPECT_EQ(RearrangeChannels(s, order, path("no such folder") / kRearrangeBackupName), FileEditStatus::BackupFailed);
  EXPECT_EQ(nChannels[s], 3);
  EXPECT_EQ(gPointersToFileData[s][1], first);
  ChannelOrder none, outside;
  outside.add(4);
  EXPECT_EQ(RearrangeChannels(s, none, path("b")), FileEditStatus::BadOrder);
  EXPECT_EQ(RearrangeChannels(s, outside, path("b")), FileEditStatus::BadOrder);
  ChannelOrder full;
  for (int i = 0; i < kMaxChannels; ++i) EXPECT_TRUE(full.add(1));
  EXPECT_FALSE(full.add(1)) << "32 picks at most";
  EXPECT_EQ(RearrangedName("demo.orl  "), "demo ReAr");
  EXPECT_EQ(RearrangedName("run 3"), "run 3 ReAr");
}

}  // namespace
