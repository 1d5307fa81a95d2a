// Reading a file the user named: only regular files are opened, and never
// more of one than the caller asked for.
#include "shell/readfile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/scratch.h"

namespace {

namespace fs = std::filesystem;

TEST(ReadRegularFile, OnlyRegularFilesAndAtMostTheLimit) {
  const fs::path dir = testsupport::MakeScratchDir("corvimet-readfile-");
  std::ofstream(dir / "five", std::ios::binary) << "12345";
  std::ofstream(dir / "empty", std::ios::binary);
  fs::create_directory(dir / "folder");
  // A named pipe without a writer: an ordinary open waits on it for ever.
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  const struct {
    fs::path path;
    size_t limit;
    ReadFileStatus status;
    std::string bytes;
  } cases[] = {
      {dir / "five", 100, ReadFileStatus::Ok, "12345"},
      {dir / "five", 5, ReadFileStatus::Ok, "12345"},
      {dir / "five", 4, ReadFileStatus::TooLarge, "1234"},
      {dir / "five", 0, ReadFileStatus::TooLarge, ""},
      {dir / "empty", 10, ReadFileStatus::Ok, ""},
      {dir / "absent", 10, ReadFileStatus::CannotOpen, "untouched"},
      {dir / "folder", 10, ReadFileStatus::CannotOpen, "untouched"},
      {dir / "pipe", 10, ReadFileStatus::CannotOpen, "untouched"},
      {"/dev/zero", 10, ReadFileStatus::CannotOpen, "untouched"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.string() + " limit " + std::to_string(c.limit));
    std::string bytes = "untouched";
    EXPECT_EQ(ReadRegularFile(c.path, c.limit, &bytes), c.status);
    EXPECT_EQ(bytes, c.bytes);
  }
  fs::remove_all(dir);
}

}  // namespace
