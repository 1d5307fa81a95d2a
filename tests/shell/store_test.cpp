#include "shell/store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "shell/globals.h"
#include "shell/textutil.h"
#include "shell/worktables.h"

namespace {

std::vector<std::string> gSounds;
std::vector<int16_t> gCommentRefreshes;

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
  void TearDown() override {
    resetAll();
    // The hooks record into this file's lists; a later test must not.
    gStoreHooks = {};
  }

  static void resetAll() {
    for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
    BackupCache.releaseAll();
    ReleaseWorkTables();
    std::fill(std::begin(prefsArray), std::end(prefsArray), int16_t{0});
    TheFileInUse = kNoFile;
    LastChan = ChangedChan = 0;
    EditRecord.clear();
    gStoreAccessFaults = 0;
    gSounds.clear();
    gCommentRefreshes.clear();
    gStoreHooks.playSound = [](const char* n) { gSounds.emplace_back(n); };
    gStoreHooks.commentsChanged = [](int16_t s) { gCommentRefreshes.push_back(s); };
  }

  // A current file whose channel c holds c * 1000 + case.
  static int16_t openRamp(int32_t cases, int16_t channels) {
    int16_t slot = -1;
    EXPECT_EQ(OpenNewFileSlot(cases, channels, &slot), StoreStatus::Ok);
    for (int16_t c = 1; c <= channels; ++c)
      for (int32_t k = 0; k <= cases; ++k) PutDatum(slot, c, k, static_cast<float>(c * 1000 + k));
    TheFileInUse = static_cast<uint16_t>(slot);
    return slot;
  }
};

// ---- Slots ----------------------------------------------------------------------

TEST_F(StoreTest, NewSlotHoldsZeroFilledArraysSizedToTheFile) {
  int16_t slot = -1;
  ASSERT_EQ(OpenNewFileSlot(500, 3, &slot), StoreStatus::Ok);
  EXPECT_EQ(slot, 0);
  EXPECT_EQ(nCases[0], 500);
  EXPECT_EQ(nChannels[0], 3);
  for (int c = 0; c <= 3; ++c) {
    ASSERT_EQ(gPointersToFileData[0][c].size(), 501u) << c;
    for (float v : gPointersToFileData[0][c]) ASSERT_EQ(v, 0.0f);
  }
  EXPECT_TRUE(gPointersToFileData[0][4].empty());
  EXPECT_EQ(FileSHORTS[0][kShortSlotTaken], 1);
  EXPECT_EQ(FileSHORTS[0][kShortChanged], 0);
  EXPECT_EQ(RetrieveLabelOf(0, 1), std::string(30, ' '));
}

TEST_F(StoreTest, AllocationRefusesBadCountsAndSlots) {
  EXPECT_EQ(AllocateSlot(0, 100, 0), StoreStatus::TooManyChannels);
  EXPECT_EQ(AllocateSlot(0, 100, 33), StoreStatus::TooManyChannels);
  EXPECT_EQ(AllocateSlot(0, 0, 1), StoreStatus::BadRange);
  EXPECT_EQ(AllocateSlot(0, kMaxCases + 1, 1), StoreStatus::TooManyCases);
  EXPECT_EQ(AllocateSlot(16, 100, 1), StoreStatus::BadSlot);
  EXPECT_EQ(AllocateSlot(kMergeBackupSlot, 100, 1), StoreStatus::BadSlot);
  EXPECT_EQ(AllocateSlot(-1, 100, 1), StoreStatus::BadSlot);
  EXPECT_FALSE(SlotHoldsFile(0));
  ASSERT_EQ(AllocateSlot(0, 100, 1), StoreStatus::Ok);
  EXPECT_EQ(AllocateSlot(0, 100, 1), StoreStatus::SlotInUse);
}

TEST_F(StoreTest, SixteenFilesFillTheSlotsAndAFreedSlotIsReusedClean) {
  for (int i = 0; i < kMaxOpenFiles; ++i) {
    int16_t slot = -1;
    ASSERT_EQ(OpenNewFileSlot(10, 1, &slot), StoreStatus::Ok);
    EXPECT_EQ(slot, i);
  }
  int16_t slot = -1;
  EXPECT_EQ(OpenNewFileSlot(10, 1, &slot), StoreStatus::TooManyFiles);
  EXPECT_EQ(FindFreeSlot(), -1);
  EXPECT_EQ(CountOpenFiles(), 16);

  // Leave traces in slot 5, free it, and take it again.
  PutDatum(5, 1, 3, 42.0f);
  SetChannelLabel(5, 1, "Oxygen");
  ASSERT_EQ(AddMarker(5, 4, 'A'), StoreStatus::Ok);
  ASSERT_EQ(AddNote(5, {"4", "00:00:04", "note"}), StoreStatus::Ok);
  CommentContainer[5] = "old comments";
  FileName[5] = "old.orl";
  FileSHORTS[5][kShortChanged] = 1;
  FreeSlot(5);
  EXPECT_FALSE(SlotHoldsFile(5));
  EXPECT_EQ(FindFreeSlot(), 5);

  ASSERT_EQ(OpenNewFileSlot(20, 2, &slot), StoreStatus::Ok);
  EXPECT_EQ(slot, 5);
  EXPECT_EQ(GetDatum(5, 1, 3), 0.0f);
  EXPECT_EQ(RetrieveLabelOf(5, 1), std::string(30, ' '));
  EXPECT_EQ(MarkerCount(5), 0);
  EXPECT_EQ(NumberOfNotes[5], 0);
  EXPECT_TRUE(CommentContainer[5].empty());
  EXPECT_TRUE(FileName[5].empty());
  EXPECT_EQ(FileSHORTS[5][kShortChanged], 0);
}

// ---- Sample access ------------------------------------------------------------------

TEST_F(StoreTest, OutOfRangeAccessIsHarmless) {
  const int16_t s = openRamp(100, 2);
  const std::vector<float> before1 = gPointersToFileData[s][1];
  const std::vector<float> before2 = gPointersToFileData[s][2];

  EXPECT_EQ(GetDatum(s, 1, 100), 1100.0f);
  EXPECT_EQ(GetDatum(s, 1, 0), 1000.0f);
  EXPECT_EQ(gStoreAccessFaults, 0u);

  EXPECT_EQ(GetDatum(s, 1, 101), 0.0f);
  EXPECT_EQ(GetDatum(s, 1, -1), 0.0f);
  EXPECT_EQ(GetDatum(s, 3, 5), 0.0f);       // channel beyond nChannels
  EXPECT_EQ(GetDatum(s, 33, 5), 0.0f);
  EXPECT_EQ(GetDatum(s, -1, 5), 0.0f);
  EXPECT_EQ(GetDatum(-1, 1, 5), 0.0f);
  EXPECT_EQ(GetDatum(kSlotCount, 1, 5), 0.0f);
  EXPECT_EQ(GetDatum(3, 1, 5), 0.0f);       // empty slot
  EXPECT_EQ(gStoreAccessFaults, 8u);

  PutDatum(s, 1, 101, 9.0f);
  PutDatum(s, 1, -1, 9.0f);
  PutDatum(s, 1, INT32_MIN, 9.0f);
  PutDatum(s, 3, 0, 9.0f);
  PutDatum(s, -5, 0, 9.0f);
  PutDatum(kSlotCount, 0, 0, 9.0f);
  EXPECT_EQ(gStoreAccessFaults, 14u);
  EXPECT_EQ(gPointersToFileData[s][1], before1);
  EXPECT_EQ(gPointersToFileData[s][2], before2);
  EXPECT_TRUE(gPointersToFileData[s][3].empty());

  EXPECT_EQ(ChannelData(s, 3), nullptr);
  ASSERT_NE(ChannelData(s, 0), nullptr);   // the scratch channel exists
}

// ---- Channels ---------------------------------------------------------------------------

TEST_F(StoreTest, NewChannelIsZeroFilledEvenWhereAnOldChannelLived) {
  const int16_t s = openRamp(50, 2);
  SetChannelLabel(s, 2, "Second");
  nVar[s][2][3] = 7.5f;
  bool remove[kMaxChannels + 1] = {};
  remove[2] = true;
  ASSERT_EQ(RemoveChannels(s, remove), StoreStatus::Ok);

  ASSERT_EQ(XREFNewChannel(), StoreStatus::Ok);
  EXPECT_EQ(nChannels[s], 2);
  ASSERT_EQ(gPointersToFileData[s][2].size(), 51u);
  for (float v : gPointersToFileData[s][2]) ASSERT_EQ(v, 0.0f);
  EXPECT_EQ(RetrieveLabel(2), std::string(30, ' '));
  EXPECT_EQ(nVar[s][2][3], 0.0f);
}

TEST_F(StoreTest, ThirtyTwoChannelsAtMost) {
  const int16_t s = openRamp(10, 30);
  EXPECT_EQ(XREFNewChannel(), StoreStatus::Ok);
  EXPECT_EQ(XREFNewChannel(), StoreStatus::Ok);
  EXPECT_EQ(nChannels[s], 32);
  EXPECT_EQ(XREFNewChannel(), StoreStatus::TooManyChannels);
  EXPECT_EQ(nChannels[s], 32);
  EXPECT_EQ(gPointersToFileData[s][32].size(), 11u);

  TheFileInUse = kNoFile;
  EXPECT_EQ(XREFNewChannel(), StoreStatus::NoFile);
}

TEST_F(StoreTest, RemovingChannelsClosesUpDataLabelsAndParameters) {
  const int16_t s = openRamp(20, 5);
  for (int16_t c = 1; c <= 5; ++c) {
    SetChannelLabel(s, c, "chan " + std::to_string(c));
    nVar[s][c][2] = static_cast<float>(c * 10);
    nVar[s][c][32] = static_cast<float>(c * 100);
    OverlayArray[s][1][c] = 1;
    OverlayArray[s][3][c] = static_cast<uint16_t>(c);
  }
  FileSHORTS[s][kShortActiveChannel] = 5;
  bool remove[kMaxChannels + 1] = {};
  remove[2] = remove[4] = true;
  int16_t removed = 0;
  ASSERT_EQ(RemoveChannels(s, remove, &removed), StoreStatus::Ok);
  EXPECT_EQ(removed, 2);
  EXPECT_EQ(nChannels[s], 3);
  const int16_t kept[] = {1, 3, 5};
  for (int16_t c = 1; c <= 3; ++c) {
    const int16_t old = kept[c - 1];
    EXPECT_EQ(GetDatum(s, c, 7), static_cast<float>(old * 1000 + 7));
    EXPECT_EQ(TrimTrailingBlanks(RetrieveLabel(c)), "chan " + std::to_string(old));
    EXPECT_EQ(nVar[s][c][2], static_cast<float>(old * 10));
    EXPECT_EQ(nVar[s][c][32], static_cast<float>(c * 100)) << "field 32 stays with the number";
    EXPECT_EQ(OverlayArray[s][3][c], old);
    EXPECT_EQ(OverlayArray[s][1][c], 0);
  }
  EXPECT_TRUE(gPointersToFileData[s][4].empty());
  EXPECT_TRUE(gPointersToFileData[s][5].empty());
  EXPECT_EQ(RetrieveLabel(4), std::string(30, ' '));
  EXPECT_EQ(FileSHORTS[s][kShortActiveChannel], 1);
  EXPECT_EQ(FileSHORTS[s][kShortChanged], 1);
}

TEST_F(StoreTest, RemovingEveryChannelIsRefusedAndChangesNothing) {
  const int16_t s = openRamp(20, 2);
  OverlayArray[s][1][1] = OverlayArray[s][1][2] = 1;
  bool remove[kMaxChannels + 1] = {};
  remove[1] = remove[2] = true;
  EXPECT_EQ(RemoveChannels(s, remove), StoreStatus::WouldRemoveAll);
  EXPECT_EQ(nChannels[s], 2);
  EXPECT_EQ(GetDatum(s, 2, 3), 2003.0f);
  EXPECT_EQ(OverlayArray[s][1][2], 1);
  EXPECT_EQ(FileSHORTS[s][kShortChanged], 0);
}

// ---- Labels -------------------------------------------------------------------------------

TEST_F(StoreTest, LabelsAreExactlyThirtyMacRomanBytesAtFixedPlaces) {
  const int16_t s = openRamp(10, 9);
  SetChannelLabel(s, 9, "\xC6O2 (\xA1" "C)");  // Mac Roman delta and degree
  SetChannelLabel(s, 2, std::string(40, 'x'));
  EXPECT_EQ(RetrieveLabel(9), "\xC6O2 (\xA1" "C)" + std::string(22, ' '));
  EXPECT_EQ(LabelStrings[s][2].substr(0, 8), "\xC6O2 (\xA1" "C)");
  EXPECT_EQ(RetrieveLabel(2), std::string(30, 'x'));
  EXPECT_EQ(LabelStrings[s][1].substr(30, 30), std::string(30, 'x'));
  EXPECT_EQ(RetrieveLabel(0), "");
  EXPECT_EQ(RetrieveLabel(33), "");
  EXPECT_EQ(RetrieveLabel(32), std::string(30, ' '));
  // A short label string written by an older reader still reads as blanks.
  LabelStrings[s][3] = "abc";
  EXPECT_EQ(RetrieveLabel(17), "abc" + std::string(27, ' '));
  EXPECT_EQ(RetrieveLabel(18), std::string(30, ' '));
}

TEST_F(StoreTest, ChannelHeadingOfTheEditLog) {
  const int16_t s = openRamp(10, 3);
  SetChannelLabel(s, 3, "Oxygen  ");
  GetChanLABEL(3);
  EXPECT_EQ(EditRecord, "\r         \xC6  Channel 3, Oxygen:  ");

  EXPECT_FALSE(AppendEditLog(s, "smoothed"));  // Record Edits off
  EXPECT_TRUE(CommentContainer[s].empty());
  prefsArray[kPrefRecordEdits] = 1;
  EXPECT_TRUE(AppendEditLog(s, EditRecord + std::string(300, 'y')));
  EXPECT_EQ(CommentContainer[s].size(), 255u);
  EXPECT_EQ(gCommentRefreshes, std::vector<int16_t>{s});
  prefsArray[kPrefNoCommentsRefresh] = 1;
  EXPECT_TRUE(AppendEditLog(s, "z"));
  EXPECT_EQ(gCommentRefreshes.size(), 1u);
}

// ---- Undo ----------------------------------------------------------------------------------

TEST_F(StoreTest, UndoAfterTwoChangesRestoresTheLastAndKeepsTheFileChanged) {
  const int16_t s = openRamp(100, 2);
  ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
  EXPECT_EQ(FileSHORTS[s][kShortChanged], 1);
  PutDatum(s, 1, 10, -1.0f);                  // change A
  ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
  PutDatum(s, 1, 10, -2.0f);                  // change B
  PutDatum(s, 1, 100, -2.0f);

  LastChan = 2;  // a stray caller must not send the copy elsewhere
  ASSERT_EQ(UNDO(), StoreStatus::Ok);
  EXPECT_EQ(LastChan, 1);
  EXPECT_EQ(GetDatum(s, 1, 10), -1.0f) << "change A stays";
  EXPECT_EQ(GetDatum(s, 1, 100), 1100.0f);
  EXPECT_EQ(GetDatum(s, 2, 10), 2010.0f);
  EXPECT_NE(FileSHORTS[s][kShortChanged], 0) << "change A is still unsaved";
}

TEST_F(StoreTest, UndoRestoresTheLabelsOfJustBeforeTheLastChange) {
  const int16_t s = openRamp(10, 2);
  SetChannelLabel(s, 1, "as loaded");
  SnapshotLabels(s);
  SetChannelLabel(s, 1, "typed later");
  ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
  SetChannelLabel(s, 1, "smoothed");
  SetChannelLabel(s, 2, "new channel");
  ASSERT_EQ(UNDO(), StoreStatus::Ok);
  EXPECT_EQ(TrimTrailingBlanks(RetrieveLabel(1)), "typed later");
  EXPECT_EQ(TrimTrailingBlanks(RetrieveLabel(2)), "new channel") << "only the channel put back";
}

TEST_F(StoreTest, UndoLogsAndSoundsAsTheSettingsSay) {
  const int16_t s = openRamp(10, 1);
  SetChannelLabel(s, 1, "Flow");
  ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
  ASSERT_EQ(UNDO(), StoreStatus::Ok);
  EXPECT_TRUE(CommentContainer[s].empty());
  EXPECT_TRUE(gSounds.empty());

  prefsArray[kPrefRecordEdits] = 1;
  prefsArray[kPrefSoundLevel] = 25;
  ASSERT_EQ(UNDO(), StoreStatus::Ok);
  EXPECT_EQ(CommentContainer[s], "\r         \xC6  Channel 1, Flow:  UNDO last change");
  EXPECT_EQ(gSounds, std::vector<std::string>{"droplet"});
  EXPECT_EQ(gCommentRefreshes, std::vector<int16_t>{s});
}

TEST_F(StoreTest, UndoRefusedWhenTheCopyNoLongerFits) {
  const int16_t s = openRamp(100, 3);
  EXPECT_EQ(UNDO(), StoreStatus::NothingToUndo);

  ASSERT_EQ(MAKEBACKUP(2), StoreStatus::Ok);
  ASSERT_EQ(CutCases(s, 10, 20), StoreStatus::Ok);
  EXPECT_FALSE(UndoAvailable(s));
  EXPECT_EQ(UNDO(), StoreStatus::NothingToUndo);

  ASSERT_EQ(MAKEBACKUP(3), StoreStatus::Ok);
  bool remove[kMaxChannels + 1] = {};
  remove[1] = true;
  ASSERT_EQ(RemoveChannels(s, remove), StoreStatus::Ok);
  EXPECT_EQ(UNDO(), StoreStatus::NothingToUndo);

  // The copy of one file never lands in another.
  ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
  int16_t other = -1;
  ASSERT_EQ(OpenNewFileSlot(90, 2, &other), StoreStatus::Ok);
  TheFileInUse = static_cast<uint16_t>(other);
  EXPECT_EQ(UNDO(), StoreStatus::NothingToUndo);
  EXPECT_EQ(GetDatum(other, 1, 5), 0.0f);

  EXPECT_EQ(MAKEBACKUP(3), StoreStatus::BadChannel);
  TheFileInUse = kNoFile;
  EXPECT_EQ(MAKEBACKUP(1), StoreStatus::NoFile);
}

// A change taken back exactly no longer stands; one that may have left a
// trace still does. A wrong credit would let a failed command's recovery
// call a changed file unchanged.
TEST_F(StoreTest, OnlyChangesTakenBackExactlyStopStanding) {
  const struct {
    const char* name;
    std::function<void(int16_t)> change;
    bool standsAfter;
  } rows[] = {
      {"a channel added, labelled, logged and dropped, its line cut",
       [](int16_t f) {
         const CommentsMark m = CommentsMarkOf(f);
         ASSERT_EQ(AddChannel(f), StoreStatus::Ok);
         SetChannelLabel(f, 3, "new");
         AppendComment(f, "line");
         DropLastChannel(f);
         EXPECT_EQ(CutCommentsBackTo(f, m), 1u);
       },
       false},
      {"a channel added and dropped, its line left", [](int16_t f) {
         ASSERT_EQ(AddChannel(f), StoreStatus::Ok);
         AppendComment(f, "line");
         DropLastChannel(f);
       }, true},
      {"a channel added, another relabelled, the new one dropped", [](int16_t f) {
         ASSERT_EQ(AddChannel(f), StoreStatus::Ok);
         SetChannelLabel(f, 1, "other");
         DropLastChannel(f);
       }, true},
      {"a copy taken twice of an unchanged channel, then undone", [](int16_t) {
         ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
         ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
         PutDatum(TheFileInUse, 1, 5, -1.0f);
         ASSERT_EQ(UNDO(), StoreStatus::Ok);
       }, false},
      {"a copy, a write, a second copy, then undone", [](int16_t) {
         ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
         PutDatum(TheFileInUse, 1, 5, -1.0f);
         ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
         ASSERT_EQ(UNDO(), StoreStatus::Ok);
       }, true},
      {"a copy, a marker added, then undone", [](int16_t f) {
         ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
         ASSERT_EQ(AddMarker(f, 7, 3), StoreStatus::Ok);
         ASSERT_EQ(UNDO(), StoreStatus::Ok);
       }, true},
      {"a copy, interpolation pairs and a relabel, then undone", [](int16_t f) {
         ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
         ASSERT_EQ(AddInterpolationPair(f, 3, 9), StoreStatus::Ok);
         SetChannelLabel(f, 1, "edited");
         ASSERT_EQ(UNDO(), StoreStatus::Ok);
       }, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
    const int16_t f = openRamp(50, 2);
    SnapshotLabels(f);
    const uint64_t before = StandingChanges(f);
    row.change(f);
    EXPECT_EQ(StandingChanges(f) != before, row.standsAfter);
  }
}

TEST_F(StoreTest, NoWorkCopyCanOverwriteTheUndoCopy) {
  const int16_t s = openRamp(100, 1);
  ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
  PutDatum(s, 1, 5, -7.0f);
  EXPECT_EQ(BackupCache.region(kBackupUndo, 101), nullptr);
  BackupCache.put(kBackupUndo * kBackupRegionSize + 5, 99.0f);
  EXPECT_EQ(BackupCache.get(kBackupUndo * kBackupRegionSize + 5), 1005.0f);
  ASSERT_EQ(UNDO(), StoreStatus::Ok);
  EXPECT_EQ(GetDatum(s, 1, 5), 1005.0f);
}

// ---- Interpolation flags ---------------------------------------------------------------------

class InterpolationTest : public StoreTest {
 protected:
  std::vector<int32_t> flagged() {
    MakeInterpolationRecord();
    return flaggedNow();
  }
  // The flags as they stand, not rebuilt first.
  static std::vector<int32_t> flaggedNow() {
    std::vector<int32_t> out;
    for (int32_t k = 0; k <= nCases[TheFileInUse] + 5; ++k)
      if (CaseIsInterpolated(k)) out.push_back(k);
    return out;
  }
  static std::vector<int32_t> span(int32_t a, int32_t b) {
    std::vector<int32_t> v;
    for (int32_t k = a; k <= b; ++k) v.push_back(k);
    return v;
  }
  struct CaseRange {
    int32_t first, last;
  };
  // The marks of slot s are closed pairs apart from each other, in case
  // order, and its own markers are `own`, first on their case.
  static void expectBalanced(int16_t s, const std::vector<MarkerRecord>& own) {
    const std::vector<MarkerRecord>& m = MarkersArray[s];
    std::vector<MarkerRecord> ownNow;
    int32_t lastClose = -1, openAt = -1;
    for (size_t i = 0; i < m.size(); ++i) {
      const int16_t code = MarkerCode16(m[i]);
      if (i > 0) {
        ASSERT_LE(m[i - 1].caseNumber, m[i].caseNumber);
      }
      if (code == kInterpolationOpen) {
        ASSERT_LT(openAt, 0) << "a 200 inside a span";
        ASSERT_GT(m[i].caseNumber, lastClose + 1) << "spans that touch are one";
        openAt = m[i].caseNumber;
      } else if (code == kInterpolationClose) {
        ASSERT_GE(openAt, 0) << "a 199 with no span open";
        openAt = -1;
        lastClose = m[i].caseNumber;
      } else {
        ownNow.push_back(m[i]);
        if (i > 0 && m[i - 1].caseNumber == m[i].caseNumber) {
          ASSERT_FALSE(MarkerCode16(m[i - 1]) == kInterpolationOpen || MarkerCode16(m[i - 1]) == kInterpolationClose)
              << "a file marker comes first on its case";
        }
      }
    }
    ASSERT_LT(openAt, 0) << "every span closed";
    ASSERT_EQ(ownNow, own);
    ASSERT_EQ(FileSHORTS[s][kShortMarkerCount], static_cast<int16_t>(m.size()));
  }
};

TEST_F(InterpolationTest, ClosedSpanIncludesBothMarkerCases) {
  const int16_t s = openRamp(100, 1);
  AddMarker(s, 10, 200);
  AddMarker(s, 20, 199);
  AddMarker(s, 50, 'S');
  EXPECT_EQ(flagged(), span(10, 20));
}

TEST_F(InterpolationTest, UnclosedSpanRunsToTheLastCase) {
  const int16_t s = openRamp(100, 1);
  AddMarker(s, 5, 199);       // a close with nothing open closes nothing
  AddMarker(s, 90, 200);
  EXPECT_EQ(flagged(), span(90, 100));
}

TEST_F(InterpolationTest, NestedOpenMarkersEndAtTheFirstClose) {
  const int16_t s = openRamp(100, 1);
  AddMarker(s, 10, 200);
  AddMarker(s, 15, 200);
  AddMarker(s, 20, 199);
  AddMarker(s, 30, 199);
  AddMarker(s, 40, 200 + 65536);  // only the low 16 bits count
  AddMarker(s, 45, 199);
  std::vector<int32_t> want = span(10, 20);
  for (int32_t k = 40; k <= 45; ++k) want.push_back(k);
  EXPECT_EQ(flagged(), want);
}

TEST_F(InterpolationTest, StaleFlagsOfAnEarlierFileAreCleared) {
  const int16_t s = openRamp(100, 1);
  AddMarker(s, 1, 200);
  EXPECT_EQ(flagged().size(), 100u);
  BackupCache.put(kInterpolationOffset, 1.0f);  // case 0 left set by someone
  SetMarkers(s, {});
  EXPECT_TRUE(flagged().empty());
}

// A cut, crop or shortening through an interpolation span keeps flagged
// just the cases of it that are left: a lone 200 flagged every case to the
// file's end, a lone 199 none.
TEST_F(InterpolationTest, EditsThroughASpanKeepWhatIsLeftOfIt) {
  const struct {
    const char* what;
    std::function<StoreStatus(int16_t)> edit;
    std::vector<int32_t> want;
    bool rebuilt = true;   // the flags are right straight after the edit
  } rows[] = {
      // Old 50, the case after the cut, stands at 30 and was not flagged.
      {"cut through its end", [](int16_t s) { return CutCases(s, 30, 50); }, span(20, 29)},
      // Old 30 stands at 10, old 40 at 20.
      {"cut through its start", [](int16_t s) { return CutCases(s, 10, 30); }, span(10, 20)},
      {"cut inside it", [](int16_t s) { return CutCases(s, 25, 35); }, span(20, 30)},
      // Old case c stands at c - first + 1.
      {"crop through its start", [](int16_t s) { return CropCases(s, 30, 60); }, span(1, 11)},
      {"crop through its end", [](int16_t s) { return CropCases(s, 10, 30); }, span(11, 21)},
      {"crop inside it", [](int16_t s) { return CropCases(s, 25, 35); }, span(1, 11)},
      {"shortened through it", [](int16_t s) { return ResizeChannels(s, 30); }, span(20, 30), false},
      {"cut clear of it", [](int16_t s) { return CutCases(s, 60, 70); }, span(20, 40)},
      // Old 40, its last case, stands at 30 and keeps its flag.
      {"cut ending on its 199", [](int16_t s) { return CutCases(s, 30, 40); }, span(20, 30)},
      {"cut of it whole", [](int16_t s) { return CutCases(s, 20, 40); }, span(20, 20)},
      {"cut of it and the case after", [](int16_t s) { return CutCases(s, 20, 41); }, {}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    const int16_t s = openRamp(100, 1);
    AddMarker(s, 20, kInterpolationOpen);
    AddMarker(s, 30, 'A');
    AddMarker(s, 40, kInterpolationClose);
    if (r.rebuilt) MakeInterpolationRecord();   // as an analysis leaves them
    ASSERT_EQ(r.edit(s), StoreStatus::Ok);
    if (r.rebuilt) {
      EXPECT_EQ(flaggedNow(), r.want);
    }
    EXPECT_EQ(flagged(), r.want);
    resetAll();
  }
  // The code a cut hands to "Insert New Marker" is the file's own marker's,
  // never half of an interpolation pair.
  const int16_t s = openRamp(100, 1);
  AddMarker(s, 20, kInterpolationOpen);
  AddMarker(s, 30, 'A');
  AddMarker(s, 40, kInterpolationClose);
  int32_t code = 0;
  ASSERT_EQ(CutCases(s, 30, 50, &code), StoreStatus::Ok);
  EXPECT_EQ(code, 'A');
}

// Undo takes back the pairs its command added, with the flags; markers the
// user placed since stay, and a command that added no pair leaves the list.
TEST_F(InterpolationTest, UndoTakesBackThePairsItsCommandAdded) {
  using M = std::vector<MarkerRecord>;
  constexpr int32_t O = kInterpolationOpen, C = kInterpolationClose;
  const M held = {{10, 'A'}, {30, O}, {30, 'B'}, {40, C}};  // as an earlier version saved it
  const struct {
    const char* what;
    bool pair;
    M later;  // markers placed after the command
    M want;
  } rows[] = {
      {"a pair", true, {}, held},
      {"a pair, then a marker of the user's", true, {{60, 'D'}}, {{10, 'A'}, {30, 'B'}, {30, O}, {40, C}, {60, 'D'}}},
      {"no pair, then a marker of the user's", false, {{60, 'D'}}, {{10, 'A'}, {30, O}, {30, 'B'}, {40, C}, {60, 'D'}}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    const int16_t s = openRamp(100, 1);
    SetMarkers(s, held);
    ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
    if (r.pair) {
      ASSERT_EQ(AddInterpolationPair(s, 35, 50), StoreStatus::Ok);
    }
    for (const MarkerRecord& m : r.later) ASSERT_EQ(AddMarker(s, m.caseNumber, m.code), StoreStatus::Ok);
    EXPECT_EQ(flagged(), span(30, r.pair ? 50 : 40));
    ASSERT_EQ(UNDO(), StoreStatus::Ok);
    EXPECT_EQ(MarkersArray[s], r.want);
    EXPECT_EQ(FileSHORTS[s][kShortMarkerCount], static_cast<int16_t>(r.want.size()));
    EXPECT_EQ(BackupCache.get(kInterpolationOffset + 45), 0.0f) << "flags rebuilt";
    resetAll();
  }
}

// ---- Markers and notes --------------------------------------------------------------------------

TEST_F(StoreTest, MarkersStayInCaseOrderAndOneCaseHoldsOneMarker) {
  const int16_t s = openRamp(1000, 1);
  for (int32_t c : {500, 20, 999, 1, 300}) ASSERT_EQ(AddMarker(s, c, 'A'), StoreStatus::Ok);
  ASSERT_EQ(AddMarker(s, 300, 'B'), StoreStatus::Ok);
  ASSERT_EQ(MarkerCount(s), 5);
  EXPECT_EQ(FileSHORTS[s][kShortMarkerCount], 5);
  std::vector<int32_t> cases;
  for (const auto& m : MarkersArray[s]) cases.push_back(m.caseNumber);
  EXPECT_EQ(cases, (std::vector<int32_t>{1, 20, 300, 500, 999}));
  EXPECT_EQ(MarkersArray[s][2].code, 'B');

  EXPECT_EQ(AddMarker(s, 0, 'A'), StoreStatus::BadRange);
  EXPECT_EQ(AddMarker(s, 1001, 'A'), StoreStatus::BadRange);
  EXPECT_EQ(AddMarker(s, 10, 0), StoreStatus::BadRange);
  EXPECT_TRUE(RemoveMarker(s, 1));
  EXPECT_FALSE(RemoveMarker(s, 5));
  EXPECT_EQ(FileSHORTS[s][kShortMarkerCount], 4);
}

TEST_F(StoreTest, MarkerListIsLimitedTo32500) {
  const int16_t s = openRamp(40000, 1);
  std::vector<MarkerRecord> many;
  for (int32_t c = 40000; c >= 1; --c) many.push_back({c, 'M'});
  EXPECT_EQ(SetMarkers(s, many), 40000 - kMaxMarkers);
  ASSERT_EQ(MarkerCount(s), kMaxMarkers);
  EXPECT_EQ(MarkersArray[s].front().caseNumber, 1);
  EXPECT_EQ(MarkersArray[s].back().caseNumber, kMaxMarkers);

  EXPECT_EQ(AddMarker(s, 35000, 'X'), StoreStatus::TooManyMarkers);
  EXPECT_EQ(AddMarker(s, 100, 'X'), StoreStatus::Ok) << "replacing needs no room";
  EXPECT_EQ(MarkerCount(s), kMaxMarkers);
}

TEST_F(StoreTest, SetMarkersCleansAListFromAFile) {
  const int16_t s = openRamp(100, 1);
  const int32_t dropped = SetMarkers(s, {{50, 'a'}, {10, 'b'}, {50, 'c'}, {0, 'd'}, {101, 'e'}, {30, 0}, {30, 65536}, {-4, 'f'}});
  EXPECT_EQ(dropped, 5);
  EXPECT_EQ(MarkersArray[s], (std::vector<MarkerRecord>{{10, 'b'}, {50, 'a'}, {50, 'c'}}));
  EXPECT_EQ(FileSHORTS[s][kShortMarkerCount], 3);
}

// An interpolation pair stands beside the markers of its cases: each row
// starts from `held`, adds the pairs in order and gives the list and the
// flagged cases. Spans sharing a case, repeated fixes and a one-case span
// keep the flags of every span.
TEST_F(InterpolationTest, PairsStandBesideTheMarkersOfTheirCases) {
  using M = std::vector<MarkerRecord>;
  constexpr int32_t O = kInterpolationOpen, C = kInterpolationClose;
  const struct {
    const char* what;
    M held;
    std::vector<std::pair<int32_t, int32_t>> pairs;
    M want;
    std::vector<std::pair<int32_t, int32_t>> flags;
    M clicks = {};  // Insert Marker, after the pairs
  } rows[] = {
      {"ends on the file's markers", {{10, 201}, {20, 202}}, {{10, 20}},
       {{10, 201}, {10, O}, {20, 202}, {20, C}}, {{10, 20}}},
      {"to the previous marker, twice", {{10, 201}, {40, 202}}, {{10, 20}, {10, 20}},
       {{10, 201}, {10, O}, {20, C}, {40, 202}}, {{10, 20}}},
      {"one span ends where the next starts", {{20, 'A'}}, {{10, 20}, {20, 30}},
       {{10, O}, {20, 'A'}, {30, C}}, {{10, 30}}},
      {"the later span first", {{20, 'A'}}, {{20, 30}, {10, 20}},
       {{10, O}, {20, 'A'}, {30, C}}, {{10, 30}}},
      {"both again", {}, {{10, 20}, {20, 30}, {10, 20}, {20, 30}}, {{10, O}, {30, C}}, {{10, 30}}},
      {"touching", {}, {{21, 30}, {10, 20}}, {{10, O}, {30, C}}, {{10, 30}}},
      {"one case", {{5, 'S'}}, {{5, 5}, {5, 5}, {2, 5}}, {{2, O}, {5, 'S'}, {5, C}}, {{2, 5}}},
      {"one case alone", {{5, 'S'}}, {{5, 5}}, {{5, 'S'}, {5, O}, {5, C}}, {{5, 5}}},
      {"one case inside an open span", {}, {{5, 9}, {5, 5}}, {{5, O}, {9, C}}, {{5, 9}}},
      // Runs between the same two markers, widened to the earlier one.
      {"sharing a first case, the longer last", {{10, 'A'}, {90, 'B'}}, {{10, 20}, {10, 40}, {10, 30}},
       {{10, 'A'}, {10, O}, {40, C}, {90, 'B'}}, {{10, 40}}},
      {"inside an earlier span", {}, {{1, 50}, {20, 30}}, {{1, O}, {50, C}}, {{1, 50}}},
      {"apart", {{50, 'S'}}, {{60, 70}, {10, 20}},
       {{10, O}, {20, C}, {50, 'S'}, {60, O}, {70, C}}, {{10, 20}, {60, 70}}},
      // Lists an earlier version saved: read as the flags read them,
      // balanced at the next pair, the file's own markers kept first.
      {"saved nested", {{10, O}, {15, O}, {20, C}, {30, C}}, {{40, 45}},
       {{10, O}, {20, C}, {40, O}, {45, C}}, {{10, 20}, {40, 45}}},
      {"saved open to the end", {{10, O}, {10, 'A'}, {90, O}}, {{40, 45}},
       {{10, 'A'}, {10, O}, {100, C}}, {{10, 100}}},
      // A click on a case holding only a span's end goes before it.
      {"a click on a 200", {}, {{10, 20}}, {{10, 'K'}, {10, O}, {20, C}}, {{10, 20}}, {{10, 'K'}}},
      {"a click on a 199, then again", {}, {{10, 20}}, {{10, O}, {20, 'L'}, {20, C}}, {{10, 20}},
       {{20, 'K'}, {20, 'L'}}},
      {"a click on a one-case span", {}, {{5, 5}}, {{5, 'K'}, {5, O}, {5, C}}, {{5, 5}}, {{5, 'K'}, {5, 'K'}}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    const int16_t s = openRamp(100, 1);
    SetMarkers(s, r.held);
    for (const auto& [a, b] : r.pairs) ASSERT_EQ(AddInterpolationPair(s, a, b), StoreStatus::Ok);
    for (const MarkerRecord& c : r.clicks) ASSERT_EQ(AddMarker(s, c.caseNumber, c.code), StoreStatus::Ok);
    EXPECT_EQ(MarkersArray[s], r.want);
    EXPECT_EQ(FileSHORTS[s][kShortMarkerCount], static_cast<int16_t>(r.want.size()));
    std::vector<int32_t> want;
    for (const auto& [a, b] : r.flags)
      for (int32_t k = a; k <= b; ++k) want.push_back(k);
    EXPECT_EQ(flagged(), want);
    // What the store keeps, a save and the next load keep too.
    M copy = MarkersArray[s];
    EXPECT_EQ(CleanMarkerList(copy, 100), 0);
    EXPECT_EQ(copy, r.want);
    FreeSlot(s);
    // The pairs added at once, as a fix adds them.
    const int16_t t = openRamp(100, 1);
    SetMarkers(t, r.held);
    std::vector<InterpolationSpan> spans;
    for (const auto& [a, b] : r.pairs) spans.push_back({a, b});
    std::vector<StoreStatus> told;
    AddInterpolationPairs(t, spans, &told);
    EXPECT_EQ(told, std::vector<StoreStatus>(spans.size(), StoreStatus::Ok));
    for (const MarkerRecord& c : r.clicks) ASSERT_EQ(AddMarker(t, c.caseNumber, c.code), StoreStatus::Ok);
    EXPECT_EQ(MarkersArray[t], r.want) << "added at once";
    FreeSlot(t);
  }
  const int16_t s = openRamp(kMaxMarkers, 1);
  for (const auto& [a, b] : {std::pair{0, 5}, {6, 5}, {5, kMaxMarkers + 1}})
    EXPECT_EQ(AddInterpolationPair(s, a, b), StoreStatus::BadRange);
  M full;
  for (int32_t k = 1; k < kMaxMarkers; ++k) full.push_back({k, 'M'});
  SetMarkers(s, full);
  ASSERT_EQ(AddInterpolationPair(s, 10, 20), StoreStatus::TooManyMarkers);
  EXPECT_EQ(MarkersArray[s], full) << "no half pair";
  MarkersArray[s].pop_back();
  ASSERT_EQ(AddInterpolationPair(s, 10, 20), StoreStatus::Ok);
  EXPECT_EQ(MarkerCount(s), kMaxMarkers);
  ASSERT_EQ(AddMarker(s, 10, 'B'), StoreStatus::Ok);
  EXPECT_EQ(MarkersArray[s][9], (MarkerRecord{10, 'B'})) << "a click replaces the case's first marker";
  EXPECT_EQ(MarkersArray[s][10], (MarkerRecord{10, O}));
  // Case 20 left holding its 199 alone, and the list full again.
  ASSERT_EQ(MarkersArray[s][20], (MarkerRecord{20, 'M'}));
  ASSERT_TRUE(RemoveMarker(s, 21));
  ASSERT_EQ(AddMarker(s, kMaxMarkers - 1, 'X'), StoreStatus::Ok);
  const M before = MarkersArray[s];
  EXPECT_EQ(AddMarker(s, 20, 'K'), StoreStatus::TooManyMarkers) << "no room beside the 199";
  EXPECT_EQ(MarkersArray[s], before);
}

// Random spans over a file holding markers of its own (some two to a case)
// and, for some files, interpolation marks saved unbalanced, with markers
// inserted between, then cut: after each pair and each cut the flags are
// the brute-force model's, the marks balanced pairs apart from each other,
// and the file's own markers as they were, first on their case.
TEST_F(InterpolationTest, RandomSpansFlagTheirUnionInBalancedPairs) {
  constexpr int32_t kCases = 60;
  std::mt19937 rng(73);
  const auto uniform = [&](int32_t a, int32_t b) { return std::uniform_int_distribution<int32_t>(a, b)(rng); };
  for (int trial = 0; trial < 400; ++trial) {
    SCOPED_TRACE(trial);
    const int16_t s = openRamp(kCases, 1);
    std::vector<MarkerRecord> held;
    for (int i = uniform(0, 6); i > 0; --i) held.push_back({uniform(1, kCases), 'A' + uniform(0, 3)});
    if (trial % 4 == 0)
      for (int i = uniform(1, 4); i > 0; --i)
        held.push_back({uniform(1, kCases), uniform(0, 1) ? kInterpolationOpen : kInterpolationClose});
    SetMarkers(s, held);
    const std::vector<MarkerRecord> start = MarkersArray[s];
    std::vector<MarkerRecord> own;
    std::vector<bool> want(kCases + 1, false);
    int32_t open = -1;
    for (const MarkerRecord& r : start) {
      if (MarkerCode16(r) == kInterpolationOpen && open < 0) open = r.caseNumber;
      if (MarkerCode16(r) == kInterpolationClose && open >= 0) {
        for (int32_t k = open; k <= r.caseNumber; ++k) want[k] = true;
        open = -1;
      }
      if (MarkerCode16(r) != kInterpolationOpen && MarkerCode16(r) != kInterpolationClose) own.push_back(r);
    }
    if (open >= 0)
      for (int32_t k = open; k <= kCases; ++k) want[k] = true;
    for (int step = uniform(1, 8); step > 0; --step) {
      // Short spans often, so that they share ends, touch and nest; some
      // start on a case holding a file marker.
      int32_t a = !own.empty() && uniform(0, 3) == 0 ? own[uniform(0, static_cast<int32_t>(own.size()) - 1)].caseNumber
                                                     : uniform(1, kCases);
      int32_t b = std::min(kCases, a + uniform(0, uniform(0, 1) ? 3 : 20));
      ASSERT_EQ(AddInterpolationPair(s, a, b), StoreStatus::Ok) << a << ".." << b;
      for (int32_t k = a; k <= b; ++k) want[k] = true;
      if (uniform(0, 1) == 0) {
        // Insert Marker, often on a span's end: a file marker there takes
        // the code, else the new one goes in, and the flags stay.
        const std::vector<MarkerRecord>& m = MarkersArray[s];
        const int32_t c = uniform(0, 1) ? m[uniform(0, static_cast<int32_t>(m.size()) - 1)].caseNumber : uniform(1, kCases);
        const int32_t code = 'a' + uniform(0, 3);
        ASSERT_EQ(AddMarker(s, c, code), StoreStatus::Ok);
        auto at = std::lower_bound(own.begin(), own.end(), c,
                                   [](const MarkerRecord& r, int32_t k) { return r.caseNumber < k; });
        if (at != own.end() && at->caseNumber == c) at->code = code;
        else own.insert(at, {c, code});
      }
      std::vector<int32_t> expected;
      for (int32_t k = 0; k <= kCases; ++k)
        if (want[k]) expected.push_back(k);
      ASSERT_EQ(flagged(), expected) << a << ".." << b;
      ASSERT_NO_FATAL_FAILURE(expectBalanced(s, own));
    }
    // Cuts, the block often ending on a span's first or last case (the one
    // holding its 200 or 199), taking a span whole, or joining two: the
    // value at the block's last case moves to its first with its flag, and
    // the flags are right straight after the cut.
    for (int cut = uniform(1, 4); cut > 0; --cut) {
      const int32_t n = nCases[s];
      if (n < 8) break;
      std::vector<CaseRange> spans;
      for (int32_t k = 1; k <= n; ++k) {
        if (!want[k]) continue;
        if (k > 1 && want[k - 1]) spans.back().last = k;
        else spans.push_back({k, k});
      }
      int32_t first = uniform(1, n - 1), last = std::min(n, first + uniform(1, 12));
      if (!spans.empty()) {
        const CaseRange& r = spans[uniform(0, static_cast<int32_t>(spans.size()) - 1)];
        switch (uniform(0, 5)) {
          case 0: last = uniform(0, 1) ? r.first : r.last; first = std::max(1, last - uniform(1, 12)); break;
          case 1: first = uniform(0, 1) ? r.first : r.last; last = std::min(n, first + uniform(1, 12)); break;
          case 2: first = r.first; last = std::min(n, r.last + uniform(0, 1)); break;
          case 3: {
            // From inside or just after one span to inside or at the start of the next.
            const size_t i = static_cast<size_t>(&r - spans.data());
            if (i + 1 < spans.size()) {
              first = uniform(std::max(r.first + 1, r.last - 2), r.last + 1);
              last = uniform(spans[i + 1].first, std::min(spans[i + 1].last, spans[i + 1].first + 2));
            }
            break;
          }
          default: break;
        }
      }
      if (last <= first || n - (last - first) < 2) continue;
      SCOPED_TRACE(testing::Message() << "cut " << first << ".." << last << " of " << n);
      ASSERT_EQ(CutCases(s, first, last), StoreStatus::Ok);
      const int32_t width = last - first;
      want.erase(want.begin() + first, want.begin() + last);
      std::erase_if(own, [&](const MarkerRecord& r) { return r.caseNumber >= first && r.caseNumber <= last; });
      for (MarkerRecord& r : own)
        if (r.caseNumber > last) r.caseNumber -= width;
      std::vector<int32_t> expected;
      for (int32_t k = 0; k <= nCases[s]; ++k)
        if (want[k]) expected.push_back(k);
      ASSERT_EQ(flaggedNow(), expected);
      ASSERT_NO_FATAL_FAILURE(expectBalanced(s, own));
      ASSERT_EQ(flagged(), expected);
    }
    FreeSlot(s);
  }
}

// Pairs added at once leave what adding them one at a time leaves: the
// list, the count word, each pair's status and the count of changes. Random
// pairs, in a scan's order or not, some outside the file, over small files
// (some holding marks saved unbalanced) and over files so full of markers
// that some pairs find no room while later ones, merging, still do.
TEST_F(InterpolationTest, PairsAddedAtOnceAreThePairsAddedInTurn) {
  std::mt19937 rng(79);
  const auto uniform = [&](int32_t a, int32_t b) { return std::uniform_int_distribution<int32_t>(a, b)(rng); };
  int refused = 0, mixed = 0;
  for (int trial = 0; trial < 600; ++trial) {
    SCOPED_TRACE(trial);
    const bool full = trial % 3 == 0;
    const int32_t cases = full ? 33'000 : 60;
    const int32_t reach = full ? 400 : cases;   // where the pairs fall
    std::vector<MarkerRecord> held;
    if (full) {
      const int32_t room = uniform(-1, 8);
      for (int32_t k = 1; k <= kMaxMarkers - room; ++k) held.push_back({k, 'M'});
      for (int i = uniform(0, 2); i > 0; --i) {
        const int32_t a = uniform(1, reach);
        held.push_back({a, kInterpolationOpen});
        held.push_back({std::min(reach, a + uniform(0, 9)), kInterpolationClose});
      }
    } else {
      for (int i = uniform(0, 6); i > 0; --i) held.push_back({uniform(1, cases), 'A' + uniform(0, 3)});
      if (trial % 4 == 1)
        for (int i = uniform(1, 4); i > 0; --i)
          held.push_back({uniform(1, cases), uniform(0, 1) ? kInterpolationOpen : kInterpolationClose});
    }
    std::vector<InterpolationSpan> pairs;
    for (int i = uniform(0, 12); i > 0; --i) {
      int32_t a = uniform(1, reach);
      int32_t b = std::min(reach, a + uniform(0, uniform(0, 1) ? 3 : 20));
      switch (uniform(0, 12)) {
        case 0: a = uniform(-1, 0); break;
        case 1: b = cases + uniform(1, 2); break;
        case 2: std::swap(a, b); break;   // backwards when they differ
        default: break;
      }
      pairs.push_back({a, b});
    }
    if (trial % 2 == 0)
      std::stable_sort(pairs.begin(), pairs.end(),
                       [](const InterpolationSpan& x, const InterpolationSpan& y) { return x.first < y.first; });
    int16_t inTurn = -1, atOnce = -1;
    ASSERT_EQ(OpenNewFileSlot(cases, 1, &inTurn), StoreStatus::Ok);
    ASSERT_EQ(OpenNewFileSlot(cases, 1, &atOnce), StoreStatus::Ok);
    SetMarkers(inTurn, held);
    SetMarkers(atOnce, held);
    ASSERT_EQ(MarkersArray[inTurn], MarkersArray[atOnce]);
    const uint64_t changesInTurn = StoreChanges(inTurn), changesAtOnce = StoreChanges(atOnce);
    std::vector<StoreStatus> want;
    for (const InterpolationSpan& p : pairs) want.push_back(AddInterpolationPair(inTurn, p.first, p.last));
    std::vector<StoreStatus> told;
    AddInterpolationPairs(atOnce, pairs, &told);
    ASSERT_EQ(told, want);
    ASSERT_EQ(MarkersArray[atOnce], MarkersArray[inTurn]);
    ASSERT_EQ(FileSHORTS[atOnce][kShortMarkerCount], FileSHORTS[inTurn][kShortMarkerCount]);
    ASSERT_EQ(StoreChanges(atOnce) - changesAtOnce, StoreChanges(inTurn) - changesInTurn);
    const auto n = [&](StoreStatus st) { return std::count(want.begin(), want.end(), st); };
    refused += n(StoreStatus::TooManyMarkers) > 0;
    mixed += n(StoreStatus::TooManyMarkers) > 0 && n(StoreStatus::Ok) > 0;
    FreeSlot(inTurn);
    FreeSlot(atOnce);
  }
  EXPECT_GT(refused, 20);
  EXPECT_GT(mixed, 10);
  // A slot with no file: every pair told so, and nothing kept.
  std::vector<StoreStatus> told;
  AddInterpolationPairs(3, {{1, 2}, {5, 6}}, &told);
  EXPECT_EQ(told, std::vector<StoreStatus>(2, StoreStatus::NoFile));
}

TEST_F(StoreTest, NotesAreLimitedTo300) {
  const int16_t s = openRamp(10, 1);
  for (int i = 0; i < kMaxNotes; ++i) ASSERT_EQ(AddNote(s, {"1", "", "n"}), StoreStatus::Ok);
  EXPECT_EQ(AddNote(s, {"1", "", "n"}), StoreStatus::TooManyNotes);
  EXPECT_EQ(NumberOfNotes[s], 300);
  ClearNotes(s);
  EXPECT_EQ(NumberOfNotes[s], 0);
  // Kept as a saved file will hold it, not cut later at save without a word.
  ASSERT_EQ(AddNote(s, {"1", "", std::string(300, 'x')}), StoreStatus::Ok);
  EXPECT_EQ(NotesArray[s][0].noteText, std::string(255, 'x'));
}

// ---- Cut, crop, resize ------------------------------------------------------------------------------

TEST_F(StoreTest, CutFromAllChannelsShortensTheFileAndMovesMarkers) {
  const int16_t s = openRamp(1000, 2);
  SetMarkers(s, {{100, 'p'}, {150, 'q'}, {200, 'r'}, {250, 's'}});
  FileSHORTS[s][kShortBlockState] = 2;
  BeginBlock[s] = 950;
  EndBlock[s] = 990;
  int32_t code = 0;
  ASSERT_EQ(CutCases(s, 101, 200, &code), StoreStatus::Ok);
  EXPECT_EQ(nCases[s], 901);
  for (int c = 0; c <= 2; ++c) EXPECT_EQ(gPointersToFileData[s][c].size(), 902u);
  EXPECT_EQ(GetDatum(s, 1, 100), 1100.0f);
  EXPECT_EQ(GetDatum(s, 1, 101), 1200.0f);   // old case 200
  EXPECT_EQ(GetDatum(s, 2, 901), 3000.0f);   // old case 1000
  EXPECT_EQ(code, 'r');
  EXPECT_EQ(MarkersArray[s], (std::vector<MarkerRecord>{{100, 'p'}, {151, 's'}}));
  EXPECT_EQ(FileSHORTS[s][kShortMarkerCount], 2);
  EXPECT_EQ(FileSHORTS[s][kShortBlockState], 0) << "block beyond the new end";
  EXPECT_EQ(FileSHORTS[s][kShortChanged], 1);

  EXPECT_EQ(CutCases(s, 0, 5), StoreStatus::BadRange);
  EXPECT_EQ(CutCases(s, 10, 902), StoreStatus::BadRange);
  EXPECT_EQ(CutCases(s, 10, 9), StoreStatus::BadRange);
  EXPECT_EQ(nCases[s], 901);
}

TEST_F(StoreTest, CutOfTheWholeFileLeavesOneCase) {
  const int16_t s = openRamp(10, 1);
  ASSERT_EQ(CutCases(s, 1, 10), StoreStatus::Ok);
  EXPECT_EQ(nCases[s], 1);
  EXPECT_EQ(GetDatum(s, 1, 1), 1010.0f);
  EXPECT_EQ(GetDatum(s, 1, 0), 1000.0f);
}

TEST_F(StoreTest, CropKeepsTheBlockAndItsMarkers) {
  const int16_t s = openRamp(1000, 2);
  SetMarkers(s, {{100, 'a'}, {101, 'b'}, {200, 'c'}, {201, 'd'}});
  ASSERT_EQ(CropCases(s, 101, 200), StoreStatus::Ok);
  EXPECT_EQ(nCases[s], 100);
  EXPECT_EQ(gPointersToFileData[s][2].size(), 101u);
  EXPECT_EQ(GetDatum(s, 1, 0), 1000.0f) << "case 0 keeps its value";
  EXPECT_EQ(GetDatum(s, 1, 1), 1101.0f);
  EXPECT_EQ(GetDatum(s, 2, 100), 2200.0f);
  EXPECT_EQ(MarkersArray[s], (std::vector<MarkerRecord>{{1, 'b'}, {100, 'c'}}));
  EXPECT_EQ(FileSHORTS[s][kShortMarkerCount], 2);
  EXPECT_EQ(CropCases(s, 50, 101), StoreStatus::BadRange);
}

TEST_F(StoreTest, ResizeKeepsContentsAndMarkersConsistent) {
  const int16_t s = openRamp(100, 2);
  SetMarkers(s, {{10, 'a'}, {80, 'b'}});
  ASSERT_EQ(ResizeChannels(s, 300), StoreStatus::Ok);
  EXPECT_EQ(nCases[s], 300);
  for (int c = 0; c <= 2; ++c) EXPECT_EQ(gPointersToFileData[s][c].size(), 301u);
  EXPECT_EQ(GetDatum(s, 2, 100), 2100.0f);
  EXPECT_EQ(GetDatum(s, 2, 101), 0.0f);
  EXPECT_EQ(MarkerCount(s), 2);

  ASSERT_EQ(ResizeChannels(s, 50), StoreStatus::Ok);
  EXPECT_EQ(nCases[s], 50);
  EXPECT_EQ(GetDatum(s, 1, 50), 1050.0f);
  EXPECT_EQ(GetDatum(s, 1, 51), 0.0f);
  EXPECT_EQ(MarkersArray[s], (std::vector<MarkerRecord>{{10, 'a'}}));

  EXPECT_EQ(ResizeChannels(s, kMaxCases + 1), StoreStatus::TooManyCases);
  EXPECT_EQ(ResizeChannels(s, 0), StoreStatus::BadRange);
  EXPECT_EQ(nCases[s], 50);
}

TEST_F(StoreTest, StartTimeFollowsACutFromTheFront) {
  const int16_t s = openRamp(100, 1);
  StartTime[s] = "08:00:00";
  AdvanceStartTime(s, 60 * 1.0);
  EXPECT_EQ(StartTime[s], " 8: 1: 0");
  EXPECT_FLOAT_EQ(FileInfoFLOATS[s][kInfoStartMinutes], 481.0f);

  AdvanceStartTime(s, 1.9);  // fractions of a second are dropped
  EXPECT_EQ(StartTime[s], " 8: 1: 1");

  StartTime[s] = "23:59:30";
  AdvanceStartTime(s, 45);
  EXPECT_EQ(StartTime[s], " 0: 0:15");
  EXPECT_NEAR(FileInfoFLOATS[s][kInfoStartMinutes], 0.25f, 1e-5);

  StartTime[s] = "23:00:00";
  AdvanceStartTime(s, 3.0 * 86400 + 3600);  // a whole day lands on midnight
  EXPECT_EQ(StartTime[s], " 0: 0: 0");

  StartTime[s] = "garbage";
  AdvanceStartTime(s, 3661);
  EXPECT_EQ(StartTime[s], " 1: 1: 1");
}

// ---- Merge backup -----------------------------------------------------------------------------------

TEST_F(StoreTest, FailedMergeIsUndoneFromTheBackupSlot) {
  const int16_t s = openRamp(100, 2);
  FileInfoFLOATS[s][kInfoInterval] = 2.0f;
  FileInfoFLOATS[s][kInfoDevice] = 80.0f;
  SetChannelLabel(s, 1, "O2");
  SetMarkers(s, {{5, 'a'}});
  CommentContainer[s] = "first";
  StartTime[s] = "08:00:00";
  StartDate[s] = "03-15-2024";
  FileName[s] = "run1.orl";
  SaveMergeBackup(s);

  // A merge half done: cases appended, a channel stacked, things overwritten.
  ASSERT_EQ(ResizeChannels(s, 250), StoreStatus::Ok);
  ASSERT_EQ(AddChannel(s), StoreStatus::Ok);
  AddMarker(s, 200, 'b');
  CommentContainer[s] += "\r*** appended run2.orl ***";
  SetChannelLabel(s, 1, "wrong");
  FileInfoFLOATS[s][kInfoInterval] = 1.0f;
  FileName[s] = "run2.orl";

  ASSERT_EQ(RestoreMergeBackup(s), StoreStatus::Ok);
  EXPECT_EQ(nCases[s], 100);
  EXPECT_EQ(nChannels[s], 2);
  EXPECT_TRUE(gPointersToFileData[s][3].empty());
  EXPECT_EQ(gPointersToFileData[s][1].size(), 101u);
  EXPECT_EQ(GetDatum(s, 2, 100), 2100.0f);
  EXPECT_EQ(FileInfoFLOATS[s][kInfoInterval], 2.0f);
  EXPECT_EQ(FileInfoFLOATS[s][kInfoDevice], 80.0f);
  EXPECT_EQ(TrimTrailingBlanks(RetrieveLabel(1)), "O2");
  EXPECT_EQ(MarkersArray[s], (std::vector<MarkerRecord>{{5, 'a'}}));
  EXPECT_EQ(FileSHORTS[s][kShortMarkerCount], 1);
  EXPECT_EQ(CommentContainer[s], "first");
  EXPECT_EQ(StartTime[s], "08:00:00");
  EXPECT_EQ(StartDate[s], "03-15-2024");
  EXPECT_EQ(FileName[s], "run1.orl");
}

// ---- Lazy memory ----------------------------------------------------------------------------------

TEST_F(StoreTest, BackupCacheTakesMemoryOnlyAsItIsUsed) {
  EXPECT_EQ(BackupCache.heldBytes(), 0);
  EXPECT_EQ(BackupCache.get(kInterpolationOffset + 123), 0.0f);
  EXPECT_EQ(BackupCache[kSelectionCountOffset], 0.0f);
  EXPECT_EQ(BackupCache.heldBytes(), 0) << "reading allocates nothing";

  const int16_t s = openRamp(1000, 2);
  ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
  EXPECT_EQ(BackupCache.heldFloats(kBackupUndo), 1001);
  for (int r : {0, 1, 2, 4, 5}) EXPECT_EQ(BackupCache.heldFloats(r), 0) << r;
  EXPECT_LT(BackupCache.heldBytes(), 1'000'000);

  BackupCache.put(kSelectionCountOffset + 500, 1.0f);
  EXPECT_EQ(BackupCache.get(kSelectionCountOffset + 500), 1.0f);
  EXPECT_EQ(BackupCache.get(kSelectionCountOffset + 501), 0.0f);
  EXPECT_GT(BackupCache.heldFloats(kBackupSelection), 500);
  EXPECT_LE(BackupCache.heldFloats(kBackupSelection), 4096);

  // The last float of the last region is reachable; one past it is not.
  BackupCache.put(6 * kBackupRegionSize - 1, 3.0f);
  EXPECT_EQ(BackupCache.get(6 * kBackupRegionSize - 1), 3.0f);
  BackupCache.put(6 * kBackupRegionSize, 4.0f);
  BackupCache.put(-1, 4.0f);
  EXPECT_EQ(BackupCache.get(6 * kBackupRegionSize), 0.0f);
  EXPECT_EQ(BackupCache.region(kBackupWork0, kBackupRegionSize + 1), nullptr);
  EXPECT_EQ(BackupCache.region(6, 10), nullptr);

  FreeSlot(s);
  EXPECT_EQ(BackupCache.heldBytes(), 0) << "the last file closed";
}

TEST_F(StoreTest, WorkTablesTakeMemoryOnlyAsTheyAreUsed) {
  EXPECT_FALSE(ParseArray.holdsMemory());
  EXPECT_FALSE(BLarray.holdsMemory());
  EXPECT_EQ(ParseArray.get(64, 400000), 0.0f);
  EXPECT_FALSE(ParseArray.holdsMemory());

  ParseArray(3, 10) = 2.5f;
  ParseArray(35, 10) = 0.5f;
  EXPECT_EQ(ParseArray.get(3, 10), 2.5f);
  EXPECT_EQ(ParseArray.heldBytes(), 2 * 400001 * 4) << "two rows only";

  ParseArray(65, 0) = 9.0f;        // outside: discarded
  ParseArray(0, 400001) = 9.0f;
  ParseArray(-1, 0) = 9.0f;
  EXPECT_EQ(ParseArray.get(65, 0), 0.0f);
  EXPECT_EQ(ParseArray.heldBytes(), 2 * 400001 * 4);
  EXPECT_EQ(ParseArray.row(65), nullptr);

  BLarray(32301, 5) = 1.0f;
  EXPECT_EQ(BLarray.heldBytes(), 32302 * 6 * 4);
  ReleaseWorkTables();
  EXPECT_FALSE(BLarray.holdsMemory());
  EXPECT_EQ(BLarray.get(32301, 5), 0.0f);
}

}  // namespace
