// A text file another program cuts or writes while the import reads it
// through its mapping: the import is refused in words that say so, and the
// open files stay as they were.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "datafiles/fixture.h"
#include "datafiles/text_import.h"
#include "shell/readfile.h"

namespace {

namespace fs = std::filesystem;

// What the other program does to the file once it is mapped.
struct Change {
  bool rewrite = false;   // same size, other bytes
  uintmax_t cutTo = 0;
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
  f.seekp(20);
  f << "99";
}

class ChangedWhileRead : public DataFilesTest {
 protected:
  void TearDown() override {
    gFileMappedHook = nullptr;
    DataFilesTest::TearDown();
  }
};

TEST_F(ChangedWhileRead, ACutOrAWriteDuringTheReadIsRefusedAndNothingIsImported) {
  const auto page = static_cast<uintmax_t>(::sysconf(_SC_PAGESIZE));
  std::string text = "time,O2,CO2\r";
  for (int i = 1; text.size() < 3 * page + 500; ++i)
    text += std::to_string(i) + ",20.9" + std::to_string(i % 10) + ",0.0" + std::to_string(i % 7 + 1) + "\r";
  const uintmax_t size = text.size();
  // A file already open, which must stay as it is.
  ASSERT_EQ(AllocateSlot(0, 100, 2), StoreStatus::Ok);
  SetChannelLabel(0, 1, "open file");
  ChannelData(0, 2)[50] = 7.0f;
  const struct {
    const char* name;
    Change change;
  } rows[] = {
      {"cut to nothing", {false, 0}},
      {"cut on a page edge", {false, page}},
      {"cut inside the first page", {false, 100}},
      {"cut inside a middle page", {false, 2 * page + 7}},
      {"cut inside the last page, a few bytes short", {false, size - 3}},
      {"cut by its last byte", {false, size - 1}},
      {"written over in place", {true, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    spit(path("run.txt"), text);
    std::vector<SlotState> before;
    for (int16_t s = 0; s < kMaxOpenFiles; ++s) before.push_back(SlotState::of(s));
    gChange = row.change;
    gFileMappedHook = changeTheFile;
    TextTable table;
    const FileStatus st = ReadDelimitedTextFile(path("run.txt"), &table);
    gFileMappedHook = nullptr;
    EXPECT_EQ(st, FileStatus::ChangedWhileRead);
    if (st == FileStatus::Ok) {
      int16_t slot = -1;
      RepairReport report;
      ImportTextColumns(std::move(table), TextImportChoice{{0, 1}, 1.0, "03-16-2024", "08:00:00"}, "run.txt",
                        path("run.txt").string(), &slot, &report);
    }
    EXPECT_EQ(CountOpenFiles(), 1);
    for (int16_t s = 0; s < kMaxOpenFiles; ++s) EXPECT_TRUE(SlotState::of(s) == before[static_cast<size_t>(s)]) << s;
  }
  const std::string said = FileStatusText(FileStatus::ChangedWhileRead);
  EXPECT_NE(said.find("The file changed while it was being read"), std::string::npos) << said;
  EXPECT_NE(said.find("Nothing was imported."), std::string::npos) << said;

  // Untouched, the same file is read through its mapping as before.
  spit(path("run.txt"), text);
  TextTable table;
  EXPECT_EQ(ReadDelimitedTextFile(path("run.txt"), &table), FileStatus::Ok);
}

}  // namespace
