// A file another program cuts or writes while it is read (a text file
// through its mapping or into a buffer, a native file as it loads, any file
// through the general reader): the read is refused in words that say so, and
// the open files stay as they were.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "datafiles/fixture.h"
#include "datafiles/native_binary.h"
#include "datafiles/text_import.h"
#include "shell/readfile.h"

namespace {

namespace fs = std::filesystem;

// What the other program does to the file once it is open.
struct Change {
  bool rewrite = false;   // same size, other bytes
  uintmax_t cutTo = 0;
  uintmax_t writeAt = 20;   // where the other bytes go
};
Change gChange;

void changeTheFile(const fs::path& path) {
  if (!gChange.rewrite) {
    fs::resize_file(path, gChange.cutTo);
    return;
  }
  // The change time moves on the clock's coarse tick: let one pass.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(static_cast<std::streamoff>(gChange.writeAt));
  f << "99";
}

class ChangedWhileRead : public DataFilesTest {
 protected:
  void TearDown() override {
    gFileOpenedHook = nullptr;
    DataFilesTest::TearDown();
  }
};

TEST_F(ChangedWhileRead, ACutOrAWriteDuringTheReadIsRefusedAndNothingIsImported) {
  const auto page = static_cast<uintmax_t>(::sysconf(_SC_PAGESIZE));
  std::string text = "time,O2,CO2\r";
  for (int i = 1; text.size() < 3 * page + 500; ++i)
    text += std::to_string(i) + ",20.9" + std::to_string(i % 10) + ",0.0" + std::to_string(i % 7 + 1) + "\r";
  const uintmax_t size = text.size();
  std::string native;
  {
    DataFileImage img;
    img.cases = 2000;
    img.interval = 1.0f;
    img.startDate = "03-16-2024";
    img.startTime = "08:00:00";
    img.data.assign(2, std::vector<float>(static_cast<size_t>(img.cases) + 1, 20.9f));
    img.labels.assign(2, std::string(30, ' '));
    img.travel.assign(2, TravelValues{});
    ASSERT_EQ(EncodeNativeBinary(ViewOfImage(img), &native), FileStatus::Ok);
  }
  // A file already open, which must stay as it is.
  ASSERT_EQ(AllocateSlot(0, 100, 2), StoreStatus::Ok);
  SetChannelLabel(0, 1, "open file");
  ChannelData(0, 2)[50] = 7.0f;
  // Whole: the general reader of scripts, spreadsheets and file heads, which
  // refuses as it does a file it cannot read.
  enum class Reader { Mapped, Buffered, Native, Whole };
  const struct {
    const char* name;
    Reader reader;
    Change change;
    size_t limit = static_cast<size_t>(-1);   // for Whole
  } rows[] = {
      {"cut to nothing", Reader::Mapped, {false, 0}},
      {"cut on a page edge", Reader::Mapped, {false, page}},
      {"cut inside the first page", Reader::Mapped, {false, 100}},
      {"cut inside a middle page", Reader::Mapped, {false, 2 * page + 7}},
      {"cut inside the last page, a few bytes short", Reader::Mapped, {false, size - 3}},
      {"cut by its last byte", Reader::Mapped, {false, size - 1}},
      {"written over in place", Reader::Mapped, {true, 0}},
      {"read into a buffer, cut to nothing", Reader::Buffered, {false, 0}},
      {"read into a buffer, cut inside a middle page", Reader::Buffered, {false, 2 * page + 7}},
      {"read into a buffer, cut by its last byte", Reader::Buffered, {false, size - 1}},
      {"read into a buffer, written over in place", Reader::Buffered, {true, 0}},
      {"native, cut to nothing", Reader::Native, {false, 0}},
      {"native, cut inside its channels", Reader::Native, {false, native.size() / 2}},
      {"native, cut by its last byte", Reader::Native, {false, native.size() - 1}},
      // Among its samples: the bytes still parse, as a mix of two files.
      {"native, written over in place", Reader::Native, {true, 0, native.size() / 2}},
      {"read whole, written over in place", Reader::Whole, {true, 0}},
      {"read whole, cut inside a middle page", Reader::Whole, {false, 2 * page + 7}},
      {"its first bytes read, written over among them", Reader::Whole, {true, 0, 5}, 16},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const bool isNative = row.reader == Reader::Native;
    const fs::path file = path(isNative ? "run.orl" : "run.txt");
    spit(file, isNative ? native : text);
    std::vector<SlotState> before;
    for (int16_t s = 0; s < kMaxOpenFiles; ++s) before.push_back(SlotState::of(s));
    gChange = row.change;
    gFileOpenedHook = changeTheFile;
    FileStatus st = FileStatus::Ok;
    if (row.reader == Reader::Whole) {
      std::string bytes;
      EXPECT_EQ(ReadRegularFile(file, row.limit, &bytes), ReadFileStatus::CannotOpen);
      EXPECT_TRUE(bytes.empty());
    } else if (isNative) {
      int16_t slot = -1;
      RepairReport report;
      st = LoadNativeFile(file, &slot, &report);
    } else {
      TextTable table;
      st = ReadDelimitedTextFile(file, &table, row.reader == Reader::Mapped);
      if (st == FileStatus::Ok) {
        int16_t slot = -1;
        RepairReport report;
        ImportTextColumns(std::move(table), TextImportChoice{{0, 1}, 1.0, "03-16-2024", "08:00:00"}, "run.txt",
                          file.string(), &slot, &report);
      }
    }
    gFileOpenedHook = nullptr;
    if (row.reader != Reader::Whole) {
      EXPECT_EQ(st, FileStatus::ChangedWhileRead);
      EXPECT_NE(std::string(FileStatusText(st)).find("The file changed while it was being read"), std::string::npos)
          << FileStatusText(st);
    }
    EXPECT_EQ(CountOpenFiles(), 1);
    for (int16_t s = 0; s < kMaxOpenFiles; ++s) EXPECT_TRUE(SlotState::of(s) == before[static_cast<size_t>(s)]) << s;
  }
  const std::string said = FileStatusText(FileStatus::ChangedWhileRead);
  EXPECT_NE(said.find("The file changed while it was being read"), std::string::npos) << said;
  EXPECT_NE(said.find("Nothing was imported."), std::string::npos) << said;

  // Untouched, the same files are read as before.
  spit(path("run.txt"), text);
  TextTable table;
  EXPECT_EQ(ReadDelimitedTextFile(path("run.txt"), &table), FileStatus::Ok);
  EXPECT_EQ(ReadDelimitedTextFile(path("run.txt"), &table, false), FileStatus::Ok);
  std::string bytes;
  EXPECT_EQ(ReadRegularFile(path("run.txt"), static_cast<size_t>(-1), &bytes), ReadFileStatus::Ok);
  EXPECT_EQ(bytes, text);
  spit(path("run.orl"), native);
  DataFileImage img;
  EXPECT_EQ(ReadNativeBinary(path("run.orl"), &img), FileStatus::Ok);
}

}  // namespace
