#include "shell/prefs.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "support/scratch.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kCoreEnd = 222, kGroupA = 222, kGroupB = 242, kGroupC = 250, kGroupD = 300,
                      kFullSize = 308;

std::size_t WordOffset(int n) { return 8 + 2 * static_cast<std::size_t>(n - 1); }

void PutU16(std::string& b, std::size_t at, uint16_t v) {
  b[at] = static_cast<char>(v >> 8);
  b[at + 1] = static_cast<char>(v & 0xFF);
}
uint16_t GetU16(const std::string& b, std::size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) << 8 |
                               static_cast<unsigned char>(b[at + 1]));
}
void PutF32(std::string& b, std::size_t at, float v) {
  const auto u = std::bit_cast<uint32_t>(v);
  PutU16(b, at, static_cast<uint16_t>(u >> 16));
  PutU16(b, at + 2, static_cast<uint16_t>(u & 0xFFFF));
}

class PrefsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testsupport::MakeScratchDir("corvimet-prefs-");
    file_ = dir_ / kPrefsFileName;
    SetDEFAULTS();
  }
  void TearDown() override {
    EndQuietSoundRun();
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, ec);
    fs::remove_all(dir_, ec);
    SetDEFAULTS();
  }

  void WriteBytes(const std::string& bytes) {
    std::ofstream(file_, std::ios::binary) << bytes;
  }
  std::string ReadBytes() const {
    std::ifstream in(file_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::vector<std::string> DirEntries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    return names;
  }

  // Settings unlike the start-up ones in every group, each value valid.
  static SavedSettings Custom() {
    SavedSettings s = StartupSavedSettings();
    s.words[1] = 0;
    s.words[7] = 50;
    s.words[8] = 14;
    s.words[16] = -321;
    s.words[33] = 2;
    s.words[45] = 14;
    s.words[54] = 17;
    s.colours[0] = {1, 2, 3};
    s.colours[6] = {65535, 4, 5};
    s.FiO2 = 20.5f;
    s.flowconC = 24.5f;
    s.DoSMOOTH = 1;
    s.DumpHist = 0;
    s.tabMode = 0;
    s.UseMultipleResults = 1;
    s.LastBaselineMarker = 'B';
    s.LastBaselineShift = -12;
    s.SteppedSampleSkip = 30.0f;
    s.threshold = 2.5f;
    s.LowTrimValue = -4.0f;
    s.allometryA = 3.8f;
    s.allometryB = 0.72f;
    s.thermo.variableTb = 0;
    s.thermo.TorporQ10 = 3.0f;
    s.thermo.DefaultTb = 36.0f;
    s.thermo.dayActive = 0;
    s.latitude = -33.9f;
    s.longitude = 18.4f;
    return s;
  }

  // Globals far from both the start-up and the Custom values, to see what a
  // read overwrites.
  static void Scramble() {
    prefsArray[8] = 13;
    prefsArray[54] = 5;
    FiO2 = 19.0f;
    threshold = 77.0f;
    CustomAllometry[1] = 9.0f;
    TorporQ10 = 4.5f;
    latitude = 45.0f;
    longitude = -100.0f;
    // Deliberately not what the signs would give, to see whether a read
    // derives them again.
    northLatitude = 0;
    westLongitude = 1;
  }

  fs::path dir_, file_;
};

TEST_F(PrefsTest, RoundTripRestoresEverySavedSetting) {
  ApplySavedSettings(Custom());
  prefsArray[22] = 0;  // pick mode is run state
  prefsArray[51] = 1;  // spike values as they are
  ASSERT_EQ(SaveSettings(file_), PrefsStatus::Ok);

  const std::string bytes = ReadBytes();
  ASSERT_EQ(bytes.size(), kFullSize);
  EXPECT_EQ(bytes.substr(0, 4), "CMpr");
  EXPECT_EQ(GetU16(bytes, 4), kPrefsLayoutVersion);
  EXPECT_EQ(GetU16(bytes, 6), kSavedPrefWords);
  EXPECT_EQ(GetU16(bytes, WordOffset(54)), 17);
  // Nothing but the file itself is left in the folder.
  EXPECT_EQ(DirEntries(), std::vector<std::string>{kPrefsFileName});

  SetDEFAULTS();
  int repaired = -1;
  ASSERT_EQ(GetSettings(file_, &repaired), PrefsStatus::Ok);
  EXPECT_EQ(repaired, 0);

  SavedSettings expected = Custom();
  expected.words[22] = 1;
  expected.words[51] = 1;
  EXPECT_EQ(EncodeSettings(CaptureSavedSettings()), EncodeSettings(expected));
  EXPECT_EQ(prefsArray[22], 1);
  EXPECT_EQ(PlotDataLineColor, expected.colours[2]);
  EXPECT_EQ(plotBackColor, (plat::Rgb16{1, 2, 3}));
  EXPECT_EQ(LastBaselineShift, -12);
  EXPECT_FLOAT_EQ(CustomAllometry[1], 3.8f);
  EXPECT_FLOAT_EQ(TorporQ10, 3.0f);
  EXPECT_FLOAT_EQ(latitude, -33.9f);
  EXPECT_EQ(northLatitude, 0);
  EXPECT_EQ(westLongitude, 1);
}

TEST_F(PrefsTest, SaveReplacesAnOlderFileWhole) {
  WriteBytes(std::string(5000, 'x'));
  ASSERT_EQ(SaveSettings(file_), PrefsStatus::Ok);
  EXPECT_EQ(ReadBytes(), EncodeSettings(CaptureSavedSettings()));
}

TEST_F(PrefsTest, RunStateWordsAreNeitherSavedNorRead) {
  prefsArray[58] = 3;
  prefsArray[59] = 0;
  ASSERT_EQ(SaveSettings(file_), PrefsStatus::Ok);
  prefsArray[58] = 7;
  ASSERT_EQ(GetSettings(file_), PrefsStatus::Ok);
  EXPECT_EQ(prefsArray[58], 7);
  EXPECT_EQ(prefsArray[59], 0);
}

// A file that ends at or inside a trailing group: that group and every later
// one take start-up values, earlier ones come from the file.
struct CutCase {
  std::size_t size;
  bool a, b, c, d;
};
void PrintTo(const CutCase& c, std::ostream* os) { *os << "file cut at byte " << c.size; }

class PrefsCutTest : public PrefsTest, public ::testing::WithParamInterface<CutCase> {};

TEST_P(PrefsCutTest, GroupsAfterTheCutTakeStartupValues) {
  const CutCase cut = GetParam();
  WriteBytes(EncodeSettings(Custom()).substr(0, cut.size));
  Scramble();
  ASSERT_EQ(GetSettings(file_), PrefsStatus::Ok);

  const SavedSettings c = Custom(), d = StartupSavedSettings();
  EXPECT_EQ(prefsArray[54], c.words[54]);
  EXPECT_FLOAT_EQ(FiO2, c.FiO2);
  EXPECT_FLOAT_EQ(SteppedSampleSkip, c.SteppedSampleSkip);
  EXPECT_FLOAT_EQ(threshold, (cut.a ? c : d).threshold);
  EXPECT_FLOAT_EQ(LowTrimValue, (cut.a ? c : d).LowTrimValue);
  EXPECT_FLOAT_EQ(CustomAllometry[1], (cut.b ? c : d).allometryA);
  EXPECT_FLOAT_EQ(CustomAllometry[2], (cut.b ? c : d).allometryB);
  EXPECT_FLOAT_EQ(TorporQ10, (cut.c ? c : d).thermo.TorporQ10);
  EXPECT_EQ(dayActive, (cut.c ? c : d).thermo.dayActive);
  EXPECT_FLOAT_EQ(latitude, (cut.d ? c : d).latitude);
  EXPECT_FLOAT_EQ(longitude, (cut.d ? c : d).longitude);
  EXPECT_EQ(westLongitude, cut.d ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryGroup, PrefsCutTest,
    ::testing::Values(CutCase{kGroupA, false, false, false, false},
                      CutCase{kGroupA + 19, false, false, false, false},
                      CutCase{kGroupB, true, false, false, false},
                      CutCase{kGroupB + 4, true, false, false, false},
                      CutCase{kGroupC, true, true, false, false},
                      CutCase{kGroupC + 49, true, true, false, false},
                      CutCase{kGroupD, true, true, true, false},
                      CutCase{kGroupD + 7, true, true, true, false},
                      CutCase{kFullSize, true, true, true, true}));

TEST_F(PrefsTest, UnusableFilesChangeNothing) {
  const std::string good = EncodeSettings(Custom());
  std::string badSig = good;
  badSig[0] = 'X';
  std::string version0 = good;
  PutU16(version0, 4, 0);
  std::string hugeCount = good;
  PutU16(hugeCount, 6, 60000);

  struct Bad {
    std::string bytes;
    PrefsStatus status;
  };
  const Bad cases[] = {
      {"", PrefsStatus::Foreign},
      {"CMpr", PrefsStatus::Foreign},
      {badSig, PrefsStatus::Foreign},
      {version0, PrefsStatus::Foreign},
      {good.substr(0, kCoreEnd - 1), PrefsStatus::Damaged},
      {good.substr(0, 40), PrefsStatus::Damaged},
      {hugeCount, PrefsStatus::Damaged},
  };
  for (const Bad& bad : cases) {
    SCOPED_TRACE(bad.bytes.size());
    SetDEFAULTS();
    Scramble();
    const std::string before = EncodeSettings(CaptureSavedSettings());
    WriteBytes(bad.bytes);
    EXPECT_EQ(GetSettings(file_), bad.status);
    EXPECT_EQ(EncodeSettings(CaptureSavedSettings()), before);
    EXPECT_EQ(westLongitude, 1);  // not re-derived either
    EXPECT_EQ(ReadBytes(), bad.bytes);  // and the file is left alone
  }
}

TEST_F(PrefsTest, MissingFileOrFolderInPlaceOfIt) {
  Scramble();
  const std::string before = EncodeSettings(CaptureSavedSettings());
  EXPECT_EQ(GetSettings(file_), PrefsStatus::Missing);
  fs::create_directory(file_);
  EXPECT_EQ(GetSettings(file_), PrefsStatus::Foreign);
  EXPECT_EQ(EncodeSettings(CaptureSavedSettings()), before);
}

TEST_F(PrefsTest, FewerWordsThanOursLeaveTheRestAtStartup) {
  // A file of 40 words: everything after the words is shifted forward.
  const std::string full = EncodeSettings(Custom());
  std::string shortW = full.substr(0, WordOffset(41)) + full.substr(WordOffset(55));
  PutU16(shortW, 6, 40);
  WriteBytes(shortW);
  prefsArray[45] = 0;
  prefsArray[54] = 9;
  ASSERT_EQ(GetSettings(file_), PrefsStatus::Ok);
  EXPECT_EQ(prefsArray[33], 2);   // word 33 from the file
  EXPECT_EQ(prefsArray[45], 12);  // start-up value, not the file's 14
  EXPECT_EQ(prefsArray[54], 1);
  EXPECT_EQ(plotBackColor, (plat::Rgb16{1, 2, 3}));
  EXPECT_FLOAT_EQ(longitude, 18.4f);
}

TEST_F(PrefsTest, MoreWordsThanOursAreSkipped) {
  const std::string full = EncodeSettings(Custom());
  std::string extra(2 * 9, '\x7F');  // words 55..63 from a later layout
  std::string longW = full.substr(0, WordOffset(55)) + extra + full.substr(WordOffset(55));
  PutU16(longW, 6, 63);
  PutU16(longW, 4, 2);
  longW += std::string(12, '\0');  // and a group we do not know
  WriteBytes(longW);
  prefsArray[58] = 0;
  ASSERT_EQ(GetSettings(file_), PrefsStatus::Ok);
  EXPECT_EQ(prefsArray[54], 17);
  EXPECT_EQ(prefsArray[58], 0);
  EXPECT_EQ(ToolBarBackgroundColor, (plat::Rgb16{65535, 4, 5}));
  EXPECT_FLOAT_EQ(latitude, -33.9f);
}

TEST_F(PrefsTest, NoWordsAtAll) {
  const std::string full = EncodeSettings(Custom());
  std::string none = full.substr(0, 8) + full.substr(WordOffset(55));
  PutU16(none, 6, 0);
  WriteBytes(none);
  prefsArray[7] = 0;
  ASSERT_EQ(GetSettings(file_), PrefsStatus::Ok);
  EXPECT_EQ(prefsArray[7], 25);
  EXPECT_FLOAT_EQ(FiO2, 20.5f);
}

TEST_F(PrefsTest, DamagedValuesAreRepairedAndTheRestKept) {
  std::string b = EncodeSettings(Custom());
  const float nan = std::numeric_limits<float>::quiet_NaN();
  PutU16(b, WordOffset(7), 13);
  PutU16(b, WordOffset(10), 2);
  PutU16(b, WordOffset(33), 5);
  PutU16(b, WordOffset(45), 0xFFFF);
  PutU16(b, WordOffset(54), 0);
  PutU16(b, WordOffset(16), 999);                 // meaning unknown: kept
  PutF32(b, 116 + 42, nan);                        // FiO2
  PutU16(b, 116 + 42 + 16 + 12, 3);                // TimeGridLimit
  PutU16(b, 210, 300);                             // LastBaselineMarker
  PutF32(b, 214, 0.0f);                            // SteppedSampleInterval
  PutF32(b, kGroupA, std::numeric_limits<float>::infinity());  // threshold
  PutF32(b, kGroupC + 2 + 4 + 2 + 4 + 4, 50.0f);   // TorporQ10
  PutF32(b, kGroupD, 500.0f);                      // latitude
  WriteBytes(b);

  int repaired = 0;
  ASSERT_EQ(GetSettings(file_, &repaired), PrefsStatus::Ok);
  EXPECT_EQ(repaired, 12);
  EXPECT_EQ(prefsArray[7], 25);
  EXPECT_EQ(prefsArray[10], 1);
  EXPECT_EQ(prefsArray[33], 0);
  EXPECT_EQ(prefsArray[45], 12);
  EXPECT_EQ(prefsArray[54], 1);
  EXPECT_EQ(prefsArray[16], 999);
  EXPECT_FLOAT_EQ(FiO2, 20.95f);
  EXPECT_EQ(TimeGridLimit, 1);
  EXPECT_EQ(LastBaselineMarker, 'S');
  EXPECT_FLOAT_EQ(SteppedSampleInterval, 60.0f);
  EXPECT_FLOAT_EQ(threshold, 1.0f);
  EXPECT_FLOAT_EQ(TorporQ10, 2.2f);
  EXPECT_FLOAT_EQ(latitude, 0.0f);
  EXPECT_EQ(northLatitude, 0);
  // Valid values beside the damaged ones still come from the file.
  EXPECT_EQ(prefsArray[8], 14);
  EXPECT_FLOAT_EQ(flowconC, 24.5f);
  EXPECT_FLOAT_EQ(LowTrimValue, -4.0f);
  EXPECT_FLOAT_EQ(longitude, 18.4f);
  EXPECT_EQ(LastBaselineShift, -12);
}

TEST_F(PrefsTest, QuietRunSavesTheUsersSoundLevel) {
  prefsArray[7] = 50;
  BeginQuietSoundRun();
  BeginQuietSoundRun();  // nested: still the user's level underneath
  EXPECT_EQ(prefsArray[7], 0);
  ASSERT_EQ(SaveSettings(file_), PrefsStatus::Ok);
  EXPECT_EQ(GetU16(ReadBytes(), WordOffset(7)), 50);
  EXPECT_EQ(prefsArray[7], 0);
  EndQuietSoundRun();
  EXPECT_EQ(prefsArray[7], 50);
}

TEST_F(PrefsTest, ReadingDuringAQuietRunKeepsItQuiet) {
  SavedSettings s = StartupSavedSettings();
  s.words[7] = 0;
  WriteBytes(EncodeSettings(s));
  prefsArray[7] = 25;
  BeginQuietSoundRun();
  ASSERT_EQ(GetSettings(file_), PrefsStatus::Ok);
  EXPECT_EQ(prefsArray[7], 0);
  EXPECT_EQ(UserSoundLevel(), 0);
  EndQuietSoundRun();
  EXPECT_EQ(prefsArray[7], 0);  // the file's level, not the one before the read
}

TEST_F(PrefsTest, SpikeValuesAreWrittenOnlyWhenChosenAsDefaults) {
  // Nothing read yet: an unsaved panel value must not leak into the file.
  threshold = 8.0f;
  ASSERT_EQ(SaveSettings(file_), PrefsStatus::Ok);
  ASSERT_EQ(GetSettings(file_), PrefsStatus::Ok);
  EXPECT_FLOAT_EQ(threshold, 1.0f);

  prefsArray[51] = 1;
  threshold = 3.0f;
  UpTrimLimit = 500.0f;
  ASSERT_EQ(SaveSettings(file_), PrefsStatus::Ok);

  prefsArray[51] = 0;
  threshold = 9.0f;
  UpTrimLimit = 9.0f;
  FiO2 = 21.0f;
  ASSERT_EQ(SaveSettings(file_), PrefsStatus::Ok);
  SetDEFAULTS();
  ASSERT_EQ(GetSettings(file_), PrefsStatus::Ok);
  EXPECT_FLOAT_EQ(threshold, 3.0f);
  EXPECT_FLOAT_EQ(UpTrimLimit, 500.0f);
  EXPECT_FLOAT_EQ(FiO2, 21.0f);  // the rest is saved as usual
}

TEST_F(PrefsTest, FailedWriteLeavesTheOldFileIntact) {
  ASSERT_EQ(SaveSettings(file_), PrefsStatus::Ok);
  const std::string old = ReadBytes();
  prefsArray[33] = 2;

  // A folder we may not write to (root may, so this part is only meaningful
  // for an ordinary user).
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  const bool writable = ::access(dir_.c_str(), W_OK) == 0;
  if (!writable) {
    EXPECT_EQ(SaveSettings(file_), PrefsStatus::WriteFailed);
    EXPECT_EQ(ReadBytes(), old);
  }
  fs::permissions(dir_, fs::perms::owner_all);

  // A folder in the way of the rename.
  const fs::path blocked = dir_ / "blocked";
  fs::create_directories(blocked / "inside");
  EXPECT_EQ(SaveSettings(blocked), PrefsStatus::WriteFailed);
  EXPECT_TRUE(fs::is_directory(blocked / "inside"));

  // A name so long that no temporary fits beside it.
  const fs::path longName = dir_ / std::string(250, 'p');
  WriteBytes(old);
  fs::copy_file(file_, longName);
  EXPECT_EQ(SaveSettings(longName), PrefsStatus::WriteFailed);
  std::ifstream in(longName, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), old);

  // No temporaries left behind by any of the failures.
  for (const std::string& name : DirEntries())
    EXPECT_TRUE(name == kPrefsFileName || name == "blocked" || name == longName.filename().string())
        << name;
  EXPECT_EQ(SaveSettings(dir_ / "missing-folder" / kPrefsFileName), PrefsStatus::WriteFailed);
}

}  // namespace
