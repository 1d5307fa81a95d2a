#include "datafiles/native_binary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "datafiles/byteswap.h"
#include "datafiles/filehelpers.h"
#include "fixture.h"
#include "shell/textutil.h"

namespace {

class NativeBinaryTest : public DataFilesTest {
 protected:
  // A current file whose channel c holds c * 1000 + case / 8 (exact in
  // floats) and a distinct leading value in case 0.
  int16_t openFile(int32_t cases, int16_t channels) {
    int16_t slot = -1;
    EXPECT_EQ(OpenNewFileSlot(cases, channels, &slot), StoreStatus::Ok);
    TheFileInUse = static_cast<uint16_t>(slot);
    for (int16_t c = 1; c <= channels; ++c) {
      float* a = ChannelData(slot, c);
      for (int32_t k = 0; k <= cases; ++k) a[k] = static_cast<float>(c * 1000) + static_cast<float>(k) / 8.0f;
      a[0] = -static_cast<float>(c) - 0.25f;
      SetChannelLabel(slot, c, "chan " + std::to_string(c));
      for (int f = 2; f <= 6; ++f) nVar[slot][c][f] = static_cast<float>(c * 10 + f);
      nVar[slot][c][1] = 99.0f;  // not a travelling field
      OverlayArray[slot][2][c] = 1;
    }
    FileInfoFLOATS[slot][kInfoInterval] = 0.5f;
    FileInfoFLOATS[slot][kInfoFlow] = 250.5f;
    FileInfoFLOATS[slot][kInfoTemperature] = 23.25f;
    FileInfoFLOATS[slot][kInfoPressure] = 755.0f;
    FileInfoFLOATS[slot][kInfoEffectiveVolume] = 180.0f;
    FileInfoFLOATS[slot][kInfoMass] = 12.5f;
    FileInfoFLOATS[slot][kInfoDevice] = 8.0f;
    StartDate[slot] = "07-04-2023";
    StartTime[slot] = "13:45:10";
    CommentContainer[slot] = "first line\rsecond line";
    return slot;
  }

  FileStatus saveWhole(int16_t slot, const std::filesystem::path& p) {
    TheFileInUse = static_cast<uint16_t>(slot);
    return saveFPBinary(p, 0, nCases[slot], nCases[slot], nChannels[slot], StartDate[slot], StartTime[slot]);
  }

  int16_t load(const std::filesystem::path& p, FileStatus expect = FileStatus::Ok, RepairReport* r = nullptr) {
    int16_t slot = -1;
    EXPECT_EQ(LoadNativeFile(p, &slot, r), expect);
    return slot;
  }

  // Everything the file carries must come back.
  static void expectSameFile(int16_t a, int16_t b) {
    ASSERT_EQ(nCases[a], nCases[b]);
    ASSERT_EQ(nChannels[a], nChannels[b]);
    for (int16_t c = 1; c <= nChannels[a]; ++c) {
      EXPECT_EQ(0, std::memcmp(ChannelData(a, c), ChannelData(b, c), (static_cast<size_t>(nCases[a]) + 1) * 4))
          << "channel " << c;
      EXPECT_EQ(RetrieveLabelOf(a, c), RetrieveLabelOf(b, c));
      for (int f = 2; f <= 6; ++f) EXPECT_EQ(nVar[a][c][f], nVar[b][c][f]);
    }
    for (int w : {kInfoInterval, kInfoFlow, kInfoTemperature, kInfoPressure, kInfoEffectiveVolume, kInfoMass,
                  kInfoDevice})
      EXPECT_EQ(FileInfoFLOATS[a][w], FileInfoFLOATS[b][w]) << "word " << w;
    EXPECT_EQ(MarkersArray[a], MarkersArray[b]);
    EXPECT_EQ(NotesArray[a], NotesArray[b]);
    EXPECT_EQ(CommentContainer[a], CommentContainer[b]);
    EXPECT_EQ(StartDate[a], StartDate[b]);
    EXPECT_EQ(StartTime[a], StartTime[b]);
  }

  // The store as the tests compare it before and after a refused load.
  struct Snapshot {
    int16_t open;
    std::vector<std::vector<float>> data;
    std::vector<std::string> labels;
    uint16_t current;
    bool operator==(const Snapshot&) const = default;
  };
  static Snapshot snapshot() {
    Snapshot s{CountOpenFiles(), {}, {}, TheFileInUse};
    for (int16_t slot = 0; slot < kSlotCount; ++slot)
      for (int16_t c = 0; c <= kMaxChannels; ++c) {
        s.data.push_back(gPointersToFileData[slot][c]);
        if (c) s.labels.push_back(RetrieveLabelOf(slot, c));
      }
    return s;
  }
};

TEST_F(NativeBinaryTest, RoundTripOneAndThirtyTwoChannels) {
  for (int16_t channels : {int16_t{1}, int16_t{32}}) {
    resetStore();
    const int16_t a = openFile(500, channels);
    AddMarker(a, 1, 7);      // first case
    AddMarker(a, 250, -3);
    AddMarker(a, 500, 200);  // last case
    AddNote(a, {"250", "13:47:15", "injection"});
    AddNote(a, {"3", "", ""});
    SetChannelLabel(a, 1, "O\xA1" "C \x8A\x9A \xA5 \xD0");  // Mac Roman degree, a-umlaut, o-umlaut, bullet, dash
    const auto p = path("round.orl");
    ASSERT_EQ(saveWhole(a, p), FileStatus::Ok);
    const int16_t b = load(p);
    ASSERT_GE(b, 0);
    expectSameFile(a, b);
    EXPECT_EQ(TheFileInUse, b);
    EXPECT_EQ(timstring[1], kNativeFileTypeText);
    EXPECT_EQ(FileJustLoaded, 1);
    EXPECT_EQ(nVar[b][1][1], 0.0f);  // only fields 2..6 travel
    EXPECT_EQ(FileInfoFLOATS[b][kInfoStartMinutes], static_cast<float>(13 * 60 + 45 + 10 / 60.0));
    // Saving what was read gives the same bytes.
    ASSERT_EQ(saveWhole(b, path("again.orl")), FileStatus::Ok);
    EXPECT_EQ(slurp(p), slurp(path("again.orl")));
  }
}

TEST_F(NativeBinaryTest, CountWidthSwitchesAt32761Cases) {
  for (int32_t cases : {32'760, 32'761}) {
    resetStore();
    const int16_t a = openFile(cases, 2);
    AddMarker(a, 1, 1);
    AddMarker(a, cases, 32'000);
    const auto p = path("wide.orl");
    ASSERT_EQ(saveWhole(a, p), FileStatus::Ok);
    const std::string bytes = slurp(p);
    const bool wide = cases >= 32'761;
    EXPECT_EQ(bytes.substr(0, wide ? 6 : 5), wide ? "-9999\r" : "-999\r");
    const size_t expected = (wide ? 6 + 4 : 5 + 2) + 4 + 2 + 18 + 4 + CommentContainer[a].size() + 2 * 50 + 20 +
                            (wide ? 4 + 2 * 8 : 2 + 2 * 4) + 2 * (static_cast<size_t>(cases) + 1) * 4 + 28;
    EXPECT_EQ(bytes.size(), expected);
    const int16_t b = load(p);
    ASSERT_GE(b, 0);
    expectSameFile(a, b);
  }
}

TEST_F(NativeBinaryTest, CommentsOfNoneAndAThousandCharacters) {
  const int16_t a = openFile(20, 1);
  CommentContainer[a] = "";
  ASSERT_EQ(saveWhole(a, path("none.orl")), FileStatus::Ok);
  int16_t b = load(path("none.orl"));
  EXPECT_EQ(CommentContainer[b], kNoComments);
  // The placeholder is not written back as text.
  ASSERT_EQ(saveWhole(b, path("none2.orl")), FileStatus::Ok);
  EXPECT_EQ(slurp(path("none.orl")), slurp(path("none2.orl")));
  FreeSlot(b);

  std::string text;
  for (int i = 0; i < 1000; ++i) text.push_back(i % 50 == 49 ? '\r' : static_cast<char>(0x20 + i % 200));
  CommentContainer[a] = text;
  ASSERT_EQ(saveWhole(a, path("long.orl")), FileStatus::Ok);
  b = load(path("long.orl"));
  EXPECT_EQ(CommentContainer[b], text);
}

TEST_F(NativeBinaryTest, FileBytesFollowTheLayout) {
  const int16_t a = openFile(3, 1);
  CommentContainer[a] = "hi";
  SetChannelLabel(a, 1, "lab");
  AddMarker(a, 2, 5);
  ASSERT_EQ(saveWhole(a, path("tiny.orl")), FileStatus::Ok);
  const std::string b = slurp(path("tiny.orl"));
  const std::string head = std::string("-999\r") + std::string("\x00\x03", 2) + std::string("\x3F\x00\x00\x00", 4) +
                           std::string("\x00\x01", 2) + "07-04-2023" + "13:45:10" +
                           std::string("\x40\x00\x00\x00", 4) + "hi";
  EXPECT_EQ(b.substr(0, head.size()), head);
  size_t at = head.size() + 20;  // five calibration values
  EXPECT_EQ(b.substr(at, 30), "lab" + std::string(27, ' '));
  at += 30 + 20;
  EXPECT_EQ(b.substr(at, 6), std::string("\x00\x01\x00\x02\x00\x05", 6));  // one marker: case 2, code 5
  at += 6;
  EXPECT_EQ(b.substr(at, 4), std::string("\xBF\xA0\x00\x00", 4));  // case 0, the leading value -1.25
  EXPECT_EQ(b.size(), at + 4 * 4 + 4 + 24);
  EXPECT_EQ(b.substr(b.size() - 28, 4), std::string("\x41\x00\x00\x00", 4));  // device 8
}

TEST_F(NativeBinaryTest, BlockSaveMovesTheStartPastMidnight) {
  const int16_t a = openFile(1000, 3);
  FileInfoFLOATS[a][kInfoInterval] = 60.0f;  // one case a minute
  StartDate[a] = "12-31-2023";
  StartTime[a] = "23:30:00";
  OverlayArray[a][2][2] = 0;  // not chosen for saving
  AddMarker(a, 100, 1);       // at `first`: outside the block
  AddMarker(a, 101, 2);
  AddMarker(a, 400, 3);       // at `last`
  AddMarker(a, 401, 4);
  AddNote(a, {"150", "x", "inside"});
  AddNote(a, {"900", "y", "outside"});
  TheFileInUse = static_cast<uint16_t>(a);
  ASSERT_EQ(saveFPBinary(path("block.orl"), 100, 400, 300, nChannels[a], StartDate[a], StartTime[a]), FileStatus::Ok);
  const int16_t b = load(path("block.orl"));
  ASSERT_GE(b, 0);
  EXPECT_EQ(nCases[b], 300);
  ASSERT_EQ(nChannels[b], 2);
  EXPECT_EQ(GetDatum(b, 1, 0), GetDatum(a, 1, 100));
  EXPECT_EQ(GetDatum(b, 1, 300), GetDatum(a, 1, 400));
  EXPECT_EQ(GetDatum(b, 2, 7), GetDatum(a, 3, 107));
  EXPECT_EQ(RetrieveLabelOf(b, 2), RetrieveLabelOf(a, 3));
  EXPECT_EQ(nVar[b][2][3], nVar[a][3][3]);
  // 23:30 + 100 minutes = 01:10 on the next day, and the next year.
  EXPECT_EQ(StartTime[b], "01:10:00");
  EXPECT_EQ(StartDate[b], "01-01-2024");
  EXPECT_EQ(MarkersArray[b], (std::vector<MarkerRecord>{{1, 2}, {300, 3}}));
  ASSERT_EQ(NotesArray[b].size(), 1u);
  EXPECT_EQ(NotesArray[b][0].caseText, "50");
  EXPECT_EQ(NotesArray[b][0].noteText, "inside");
}

// 0.7f is a hair below 0.7: a block 10 cases in starts 7 s later, not 6.
TEST_F(NativeBinaryTest, BlockStartUsesTheTypedInterval) {
  const int16_t a = openFile(100, 1);
  FileInfoFLOATS[a][kInfoInterval] = 0.7f;
  StartDate[a] = "12-31-2023";
  StartTime[a] = "23:59:53";
  TheFileInUse = static_cast<uint16_t>(a);
  ASSERT_EQ(saveFPBinary(path("b.orl"), 10, 50, 40, nChannels[a], StartDate[a], StartTime[a]), FileStatus::Ok);
  const int16_t b = load(path("b.orl"));
  ASSERT_GE(b, 0);
  EXPECT_EQ(StartTime[b], "00:00:00");
  EXPECT_EQ(StartDate[b], "01-01-2024");
}

TEST_F(NativeBinaryTest, AdvanceDateTimeEdges) {
  std::string d, t;
  AdvanceDateTime("02-28-2024", "23:59:59", 1.9, &d, &t);  // fractions dropped
  EXPECT_EQ(t, "00:00:00");
  EXPECT_EQ(d, "02-29-2024");
  AdvanceDateTime("02-28-2023", "12:00:00", 86400.0 * 2, &d, &t);
  EXPECT_EQ(d, "03-02-2023");
  EXPECT_EQ(t, "12:00:00");
  AdvanceDateTime("someday", "nonsense", 90.0, &d, &t);  // midnight; date kept as it is
  EXPECT_EQ(t, "00:01:30");
  EXPECT_EQ(d, "someday");
  // Offsets no file should give stay defined: a valid clock text.
  for (double far : {6.5e32 * 7e6, -1e300, 1e300}) {
    AdvanceDateTime("01-01-2024", "12:00:00", far, &d, &t);
    EXPECT_EQ(t.size(), 8u) << far;
  }
}

TEST_F(NativeBinaryTest, WriterRefusesWhatCannotBeReadBack) {
  const int16_t a = openFile(50, 2);
  TheFileInUse = static_cast<uint16_t>(a);
  const auto p = path("x.orl");
  EXPECT_EQ(saveFPBinary(p, 0, 50, 49, 2, StartDate[a], StartTime[a]), FileStatus::BadRange);  // count disagrees
  EXPECT_EQ(saveFPBinary(p, 10, 51, 41, 2, StartDate[a], StartTime[a]), FileStatus::BadRange);
  EXPECT_EQ(saveFPBinary(p, 10, 11, 1, 2, StartDate[a], StartTime[a]), FileStatus::TooFewCases);
  OverlayArray[a][2][1] = OverlayArray[a][2][2] = 0;
  EXPECT_EQ(saveFPBinary(p, 0, 50, 50, 2, StartDate[a], StartTime[a]), FileStatus::NoChannels);
  EXPECT_FALSE(std::filesystem::exists(p));
  TheFileInUse = kNoFile;
  EXPECT_EQ(saveFPBinary(p, 0, 50, 50, 2, "", ""), FileStatus::BadRange);
}

TEST_F(NativeBinaryTest, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  const int16_t a = openFile(50, 2);
  const auto p = path("keep.orl");
  spit(p, "old contents");
  std::filesystem::create_directory(path("sub"));
  int err = 0;
  // Renaming over a folder fails after every byte was written.
  TheFileInUse = static_cast<uint16_t>(a);
  EXPECT_EQ(saveFPBinary(path("sub"), 0, 50, 50, 2, StartDate[a], StartTime[a], &err), FileStatus::WriteFailed);
  EXPECT_NE(err, 0);
  EXPECT_EQ(saveFPBinary(path("missing/dir.orl"), 0, 50, 50, 2, StartDate[a], StartTime[a]), FileStatus::WriteFailed);
  EXPECT_EQ(slurp(p), "old contents");
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 2u);  // keep.orl and sub, no temporaries
  // A good save replaces it.
  ASSERT_EQ(saveWhole(a, p), FileStatus::Ok);
  EXPECT_TRUE(LooksLikeNativeBinary(slurp(p)));
}

TEST_F(NativeBinaryTest, TruncationAtEveryOffsetIsRefusedAndChangesNothing) {
  const int16_t a = openFile(40, 3);
  AddMarker(a, 5, 1);
  AddNote(a, {"5", "t", "note"});
  ASSERT_EQ(saveWhole(a, path("full.orl")), FileStatus::Ok);
  const std::string full = slurp(path("full.orl"));
  DataFileImage img;
  // Cut exactly before the notes chunk it is a whole file without notes.
  const size_t notesAt = full.rfind("NOTE");
  for (size_t len = 0; len < full.size(); ++len)
    EXPECT_EQ(ParseNativeBinary(full.data(), len, &img), len == notesAt ? FileStatus::Ok : FileStatus::BadFormat)
        << "length " << len;
  EXPECT_EQ(ParseNativeBinary(full.data(), full.size(), &img), FileStatus::Ok);

  // Through the loader, with a file open: nothing changes.
  const Snapshot before = snapshot();
  for (size_t len : {size_t{0}, size_t{3}, size_t{5}, size_t{40}, full.size() / 2, full.size() - 29, full.size() - 1}) {
    spit(path("cut.orl"), full.substr(0, len));
    load(path("cut.orl"), FileStatus::BadFormat);
    EXPECT_TRUE(snapshot() == before) << "length " << len;
  }
  // A file that shrinks while it is read (another program truncating it)
  // is refused like a short one, with nothing changed.
  for (size_t len : {size_t{0}, size_t{40}, full.size() / 2, full.size() - 1}) {
    spit(path("shrunk.orl"), full.substr(0, len));
    const int fd = ::open(path("shrunk.orl").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReadNativeBinaryFrom(fd, full.size(), &img), FileStatus::BadFormat) << "length " << len;
    ::close(fd);
    EXPECT_TRUE(snapshot() == before);
  }
  EXPECT_EQ(FileStatusText(FileStatus::BadFormat), std::string("File format seems incorrect."));
  EXPECT_EQ(FileStatusSound(FileStatus::BadFormat), std::string("scream"));
}

TEST(ByteSwapKernel, SwapsAndCountsNonFiniteAtEveryLengthAndOffset) {
  std::mt19937 rng(7);
  for (size_t n : {0, 1, 3, 4, 15, 16, 17, 31, 33, 64, 1000, 100'003}) {
    for (size_t offset : {0, 1}) {
      std::vector<uint32_t> words(n + offset);
      int64_t bad = 0;
      for (size_t i = offset; i < words.size(); ++i) {
        words[i] = static_cast<uint32_t>(rng());
        if (rng() % 5 == 0) words[i] |= 0x7F800000u;  // NaN or infinite
        bad += (words[i] & 0x7F800000u) == 0x7F800000u;
        words[i] = __builtin_bswap32(words[i]);
      }
      std::vector<uint32_t> expect(words);
      for (size_t i = offset; i < expect.size(); ++i) expect[i] = __builtin_bswap32(expect[i]);
      EXPECT_EQ(SwapWords32CountNonFinite(words.data() + offset, n), bad) << n << " at " << offset;
      EXPECT_EQ(words, expect) << n << " at " << offset;
      SwapWords32(words.data() + offset, n);
      SwapWords32(words.data() + offset, n);
      EXPECT_EQ(words, expect) << n << " at " << offset;
    }
  }
}

TEST_F(NativeBinaryTest, DamagedCountsAreRefusedBeforeAllocation) {
  const int16_t a = openFile(40, 2);
  CommentContainer[a] = "abc";
  ASSERT_EQ(saveWhole(a, path("ok.orl")), FileStatus::Ok);
  const std::string ok = slurp(path("ok.orl"));
  DataFileImage img;
  auto refused = [&](size_t at, const std::string& bytes) {
    std::string b = ok;
    b.replace(at, bytes.size(), bytes);
    return ParseNativeBinary(b.data(), b.size(), &img) == FileStatus::BadFormat;
  };
  EXPECT_TRUE(refused(0, "-99\r"));                        // flag line
  EXPECT_TRUE(refused(0, "9999\r"));
  EXPECT_TRUE(refused(5, std::string("\x7F\xFF", 2)));     // more cases than the file holds
  EXPECT_TRUE(refused(5, std::string("\x00\x01", 2)));     // one case
  EXPECT_TRUE(refused(5, std::string("\xFF\xFF", 2)));     // negative
  EXPECT_TRUE(refused(11, std::string("\x00\x00", 2)));    // no channels
  EXPECT_TRUE(refused(11, std::string("\x00\x21", 2)));    // 33 channels
  EXPECT_TRUE(refused(31, std::string("\xBF\x80\x00\x00", 4)));  // comment length -1
  EXPECT_TRUE(refused(31, std::string("\x3F\xC0\x00\x00", 4)));  // 1.5
  EXPECT_TRUE(refused(31, std::string("\x7F\xC0\x00\x00", 4)));  // NaN
  EXPECT_TRUE(refused(31, std::string("\x4B\x80\x00\x00", 4)));  // 16,777,216: beyond the file
  const size_t markerCount = 5 + 2 + 4 + 2 + 18 + 4 + 3 + 2 * 50 + 20;
  EXPECT_TRUE(refused(markerCount, std::string("\x7F\x00", 2)));  // 32,512 markers
  EXPECT_TRUE(refused(markerCount, std::string("\x00\xFF", 2)));  // 255: past the end
  // An unknown chunk is skipped; a chunk running past the end, or a stray
  // byte after the last one, is damage.
  std::string withChunk = ok + "XTRA" + std::string("\x00\x00\x00\x02", 4) + "zz";
  EXPECT_EQ(ParseNativeBinary(withChunk.data(), withChunk.size(), &img), FileStatus::Ok);
  std::string longChunk = ok + "XTRA" + std::string("\x00\x00\x00\x09", 4) + "zz";
  EXPECT_EQ(ParseNativeBinary(longChunk.data(), longChunk.size(), &img), FileStatus::BadFormat);
  std::string stray = ok + "X";
  EXPECT_EQ(ParseNativeBinary(stray.data(), stray.size(), &img), FileStatus::BadFormat);
  std::string badNotes = ok + "NOTE" + std::string("\x00\x00\x00\x05", 4) + std::string("\x00\x09\x01x\x00", 5);
  EXPECT_EQ(ParseNativeBinary(badNotes.data(), badNotes.size(), &img), FileStatus::BadFormat);
}

TEST_F(NativeBinaryTest, RandomCorruptionNeverHarmsOpenFiles) {
  const int16_t a = openFile(60, 4);
  AddMarker(a, 10, 1);
  AddNote(a, {"10", "t", "n"});
  ASSERT_EQ(saveWhole(a, path("ok.orl")), FileStatus::Ok);
  const std::string ok = slurp(path("ok.orl"));
  std::mt19937 rng(1234);
  int refused = 0;
  for (int round = 0; round < 300; ++round) {
    std::string b = ok;
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < flips; ++i) {
      const size_t at = rng() % (round % 3 == 0 ? b.size() : 260);
      b[at] = static_cast<char>(rng());
    }
    if (round % 5 == 0) b.resize(rng() % b.size());
    spit(path("bad.orl"), b);
    const Snapshot before = snapshot();
    int16_t slot = -1;
    const FileStatus st = LoadNativeFile(path("bad.orl"), &slot, nullptr);
    if (st == FileStatus::Ok) {
      // Whatever was accepted is a consistent file in a new slot.
      ASSERT_NE(slot, a);
      EXPECT_GE(nCases[slot], 2);
      EXPECT_LE(nChannels[slot], 32);
      EXPECT_LE(MarkerCount(slot), kMaxMarkers);
      for (const MarkerRecord& m : MarkersArray[slot]) EXPECT_TRUE(m.caseNumber >= 1 && m.caseNumber <= nCases[slot]);
      EXPECT_FALSE(IntervalNeedsRepair(FileInfoFLOATS[slot][kInfoInterval]));
      FreeSlot(slot);
      TheFileInUse = static_cast<uint16_t>(a);
    } else {
      ++refused;
      EXPECT_EQ(st, FileStatus::BadFormat);
      EXPECT_TRUE(snapshot() == before);
    }
  }
  EXPECT_GT(refused, 50);
}

TEST_F(NativeBinaryTest, LoadRepairsAberrantValues) {
  DataFileImage img;
  img.cases = 4;
  img.interval = 0.0f;
  img.startDate = "01-02-2024";
  img.startTime = "bad time";
  img.data = {{1, 2, std::numeric_limits<float>::quiet_NaN(), 4, std::numeric_limits<float>::infinity()}};
  img.labels = {FitLabel("")};
  img.travel = {TravelValues{}};
  img.flow = std::numeric_limits<float>::quiet_NaN();
  img.markers = {{4, 1}, {2, 9}, {0, 1}, {9, 1}, {3, 0}, {2, 8}};
  ASSERT_EQ(WriteNativeBinary(path("ab.orl"), ViewOfImage(img)), FileStatus::Ok);
  RepairReport r;
  const int16_t b = load(path("ab.orl"), FileStatus::Ok, &r);
  ASSERT_GE(b, 0);
  EXPECT_EQ(r.aberrantSamples, 2);
  EXPECT_EQ(AberrantNotice(r), "2 aberrant values were set to 0");
  EXPECT_EQ(GetDatum(b, 1, 2), 0.0f);
  EXPECT_EQ(GetDatum(b, 1, 4), 0.0f);
  EXPECT_TRUE(r.intervalRepaired);
  EXPECT_EQ(FileInfoFLOATS[b][kInfoInterval], kRepairedInterval);
  EXPECT_TRUE(r.labelsBlank);
  EXPECT_TRUE(r.startTimeReset);
  EXPECT_EQ(StartTime[b], "00:00:00");
  EXPECT_EQ(FileInfoFLOATS[b][kInfoFlow], 0.0f);
  EXPECT_EQ(MarkersArray[b], (std::vector<MarkerRecord>{{2, 9}, {2, 8}, {4, 1}})) << "both markers of case 2";
  EXPECT_EQ(MarkerCount(b), 3);
}

TEST_F(NativeBinaryTest, SeventeenthFileIsRefusedWithoutReading) {
  const int16_t a = openFile(10, 1);
  ASSERT_EQ(saveWhole(a, path("f.orl")), FileStatus::Ok);
  for (int i = 1; i < kMaxOpenFiles; ++i) ASSERT_GE(load(path("f.orl")), 0);
  const Snapshot before = snapshot();
  load(path("f.orl"), FileStatus::TooManyFiles);
  EXPECT_TRUE(snapshot() == before);
}

TEST_F(NativeBinaryTest, DetectionGoesByContentFirst) {
  const int16_t a = openFile(10, 1);
  ASSERT_EQ(saveWhole(a, path("native.csv")), FileStatus::Ok);
  EXPECT_EQ(DetectDataFileKind(path("native.csv")), DetectedKind::Native);
  ASSERT_EQ(saveWhole(a, path("NO_EXTENSION")), FileStatus::Ok);  // as the classic system kept them
  EXPECT_EQ(DetectDataFileKind(path("NO_EXTENSION")), DetectedKind::Native);
  spit(path("data.TXT"), "1,2\n3,4\n");
  EXPECT_EQ(DetectDataFileKind(path("data.TXT")), DetectedKind::Text);
  spit(path("fake.orl"), "1,2\n3,4\n");
  EXPECT_EQ(DetectDataFileKind(path("fake.orl")), DetectedKind::Unknown);
  load(path("fake.orl"), FileStatus::BadFormat);
  EXPECT_EQ(DetectDataFileKind(path("nothing-here")), DetectedKind::Unreadable);
  load(path("nothing-here"), FileStatus::CannotOpen);
  load(dir_, FileStatus::CannotOpen);
}

}  // namespace
