// Saving: whole-file native saves rename the file and clear its changed
// mark, exports and partial saves do not, Save only ever overwrites a native
// file, a failed write leaves the old file and the open file as they were,
// and the compacted table comes out byte for byte.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/resource.h>

#include "datafiles/fixture.h"
#include "datafiles/native_binary.h"
#include "shell/safewrite.h"
#include "datafiles/save.h"
#include "shell/worktables.h"

namespace {

class Save : public DataFilesTest {
 protected:
  void SetUp() override {
    DataFilesTest::SetUp();
    makeFile(200);
  }
  void TearDown() override {
    ParseArray.release();
    parse[0] = 0;
    DataFilesTest::TearDown();
  }

  static void makeFile(int32_t cases) {
    FreeSlot(0);
    ASSERT_EQ(AllocateSlot(0, cases, 3), StoreStatus::Ok);
    TheFileInUse = 0;
    FileInfoFLOATS[0][kInfoInterval] = 2.0f;
    StartDate[0] = "03-15-2024";
    StartTime[0] = "10:00:00";
    FileName[0] = "run.csv";
    CommentContainer[0] = "first\rsecond";
    for (int16_t c = 1; c <= 3; ++c) {
      SetChannelLabel(0, c, "ch " + std::to_string(c));
      OverlayArray[0][2][c] = 1;
      for (int32_t i = 0; i <= cases; ++i) PutDatum(0, c, i, static_cast<float>(c * 1000 + i));
    }
    ASSERT_EQ(AddMarker(0, 1, 1), StoreStatus::Ok);
    ASSERT_EQ(AddMarker(0, cases, 2), StoreStatus::Ok);
    FileSHORTS[0][kShortChanged] = 1;
  }

  static DataFileImage reread(const std::filesystem::path& p) {
    DataFileImage img;
    EXPECT_EQ(ReadNativeBinary(p, &img), FileStatus::Ok);
    return img;
  }
};

TEST_F(Save, NamesAndExtensions) {
  EXPECT_EQ(NameWithExtension("run 3.csv", "orl"), "run 3.orl");
  EXPECT_EQ(NameWithExtension("noext", "orl"), "noext.orl");
  EXPECT_EQ(NameWithExtension(".hidden", "csv"), ".hidden.csv");
  EXPECT_EQ(NameWithExtension("a.b.c", "xls"), "a.b.xls");
  EXPECT_EQ(NameWithExtension("", "orl"), "Untitled.orl");
}

TEST_F(Save, WholeNativeSaveRenamesAndClearsTheChangedMark) {
  const auto p = path("saved.orl");
  SaveChoice whole;
  ASSERT_EQ(SaveSlotAs(0, p, whole), FileStatus::Ok);
  EXPECT_EQ(FileName[0], "saved.orl");
  EXPECT_EQ(FilePath[0], p.string());
  EXPECT_EQ(FileSHORTS[0][kShortChanged], 0);
  EXPECT_TRUE(SlotIsNativeFile(0));
  const DataFileImage img = reread(p);
  EXPECT_EQ(img.cases, 200);
  ASSERT_EQ(img.channels(), 3);
  EXPECT_EQ(img.data[2][200], 3200.0f);
  EXPECT_EQ(img.comments, "first\rsecond");
  EXPECT_EQ(img.markers, (std::vector<MarkerRecord>{{1, 1}, {200, 2}}));
}

TEST_F(Save, PartialSavesAndExportsLeaveTheFileAsItWas) {
  OverlayArray[0][2][2] = 0;
  SaveChoice subset;
  ASSERT_EQ(SaveSlotAs(0, path("two.orl"), subset), FileStatus::Ok);
  EXPECT_EQ(reread(path("two.orl")).channels(), 2);
  EXPECT_EQ(FileName[0], "run.csv") << "a file missing a channel is a copy, not the file";
  EXPECT_EQ(FileSHORTS[0][kShortChanged], 1);

  OverlayArray[0][2][2] = 1;
  FileSHORTS[0][kShortBlockState] = 2;
  BeginBlock[0] = 51;
  EndBlock[0] = 100;
  SaveChoice block;
  block.blockOnly = true;
  ASSERT_EQ(SaveSlotAs(0, path("block.orl"), block), FileStatus::Ok);
  const DataFileImage b = reread(path("block.orl"));
  EXPECT_EQ(b.cases, 50);
  EXPECT_EQ(b.data[0][0], 1050.0f) << "element 0 is the case before the block";
  EXPECT_EQ(b.data[0][50], 1100.0f);
  EXPECT_EQ(b.startTime, "10:01:40");
  EXPECT_EQ(FileSHORTS[0][kShortChanged], 1);

  SaveChoice csv;
  csv.format = SaveFormat::CommaText;
  csv.text.caseColumn = true;
  csv.blockOnly = true;
  ASSERT_EQ(SaveSlotAs(0, path("block.csv"), csv), FileStatus::Ok);
  EXPECT_EQ(slurp(path("block.csv")).substr(0, 33), "Case,ch 1,ch 2,ch 3\n51,1051,2051,");
  EXPECT_EQ(FileName[0], "run.csv");
}

TEST_F(Save, SaveInPlaceTakesEveryChannelAndOnlyNativeFiles) {
  EXPECT_EQ(SaveSlotInPlace(0), FileStatus::CannotOpen) << "no file behind it yet";
  spit(path("run.csv"), "a,b\r1,2\r3,4\r");
  FilePath[0] = path("run.csv").string();
  EXPECT_FALSE(SlotIsNativeFile(0)) << "an imported text file must go through Save As";

  ASSERT_EQ(SaveSlotAs(0, path("run.orl"), SaveChoice{}), FileStatus::Ok);
  EXPECT_EQ(slurp(path("run.csv")), "a,b\r1,2\r3,4\r");
  OverlayArray[0][2][1] = 0;
  PutDatum(0, 1, 7, -1.0f);
  FileSHORTS[0][kShortChanged] = 1;
  ASSERT_EQ(SaveSlotInPlace(0), FileStatus::Ok);
  const DataFileImage img = reread(path("run.orl"));
  ASSERT_EQ(img.channels(), 3) << "Save keeps every channel whatever set 2 says";
  EXPECT_EQ(img.data[0][7], -1.0f);
  EXPECT_EQ(OverlayArray[0][2][1], 0) << "set 2 is left as the user chose it";
  EXPECT_EQ(FileSHORTS[0][kShortChanged], 0);
}

// A file-size limit makes the write fail part way, as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit r = saved_;
    r.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &r);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  rlimit saved_{};
};

TEST_F(Save, AFailedWriteKeepsTheOldFileAndTheOpenFile) {
  makeFile(20'000);
  const auto p = path("keep.orl");
  ASSERT_EQ(SaveSlotAs(0, p, SaveChoice{}), FileStatus::Ok);
  const std::string old = slurp(p);
  PutDatum(0, 1, 5, 0.5f);
  FileSHORTS[0][kShortChanged] = 1;
  SaveChoice csv;
  csv.format = SaveFormat::TabText;
  {
    FileSizeLimit limit(16 * 1024);
    int err = 0;
    EXPECT_EQ(SaveSlotInPlace(0, &err), FileStatus::WriteFailed);
    EXPECT_NE(err, 0);
    EXPECT_EQ(SaveSlotAs(0, path("other.orl"), SaveChoice{}), FileStatus::WriteFailed);
    EXPECT_EQ(SaveSlotAs(0, p, csv), FileStatus::WriteFailed);
  }
  EXPECT_EQ(slurp(p), old);
  EXPECT_EQ(FileSHORTS[0][kShortChanged], 1);
  EXPECT_EQ(FilePath[0], p.string());
  EXPECT_FALSE(std::filesystem::exists(path("other.orl")));
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 1) << "no temporary file is left behind";
}

TEST_F(Save, CompactedGroups) {
  EXPECT_EQ(CompactedGroupCount(1000, 10), 100);
  EXPECT_EQ(CompactedGroupCount(1005, 10), 101);
  EXPECT_EQ(CompactedGroupCount(1001, 10), 100) << "one case left over makes no group";
  EXPECT_EQ(CompactedGroupCount(5, 10), 1) << "a factor above the file: one partial group";
  EXPECT_EQ(CompactedGroupCount(1, 10), 0);
  EXPECT_EQ(CompactedGroupCount(7'000'000, 2), 400'001) << "never more rows than the table holds";
}

TEST_F(Save, CompactedTableBytes) {
  makeFile(25);
  FileInfoFLOATS[0][kInfoInterval] = 6.0f;
  SetChannelLabel(0, 1, "O2");
  OverlayArray[0][2][2] = 0;
  for (int g = 0; g < 3; ++g) {
    ParseArray(1, g) = 20.5f + g;
    ParseArray(1 + 32, g) = 0.25f;
    ParseArray(3, g) = -g;
    ParseArray(3 + 32, g) = 0.0f;
  }
  parse[1] = 3;  // the entries the compaction wrote
  EXPECT_EQ(EncodeCompactedSeries(0, 10, 1),
            "Time (min) \tO2\tS.D.\tch 3\tS.D.\n"
            "0.5\t20.5\t0.25\t0\t0\n"
            "1.5\t21.5\t0.25\t-1\t0\n"
            "2.25\t22.5\t0.25\t-2\t0\n");
  EXPECT_EQ(EncodeCompactedSeries(0, 10, 2).substr(0, 13), "Time (hours) ");
  EXPECT_EQ(EncodeCompactedSeries(0, 10, 0).substr(0, 11), "Time (sec) ");

  parse[0] = 10;
  TimeUnits = 1;
  SafeFileWriter w;
  ASSERT_TRUE(w.open(path("table.txt")));
  ASSERT_TRUE(saveParse(w));
  ASSERT_TRUE(w.commit());
  EXPECT_EQ(slurp(path("table.txt")), EncodeCompactedSeries(0, 10, 1));
  TimeUnits = 0;
}

}  // namespace
