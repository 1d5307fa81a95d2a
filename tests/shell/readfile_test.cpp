// Reading a file the user named: only regular files are opened, and never
// more of one than the caller asked for; a mapped file cut short reads as
// zeros where it was cut, and says so, instead of stopping the program.
#include "shell/readfile.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

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
    bool maps;   // MappedFile maps it (whatever the limit)
  } cases[] = {
      {dir / "five", 100, ReadFileStatus::Ok, "12345", true},
      {dir / "five", 5, ReadFileStatus::Ok, "12345", true},
      {dir / "five", 4, ReadFileStatus::TooLarge, "1234", true},
      {dir / "five", 0, ReadFileStatus::TooLarge, "", true},
      {dir / "empty", 10, ReadFileStatus::Ok, "", false},
      {dir / "absent", 10, ReadFileStatus::CannotOpen, "untouched", false},
      {dir / "folder", 10, ReadFileStatus::CannotOpen, "untouched", false},
      {dir / "pipe", 10, ReadFileStatus::CannotOpen, "untouched", false},
      {"/dev/zero", 10, ReadFileStatus::CannotOpen, "untouched", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.string() + " limit " + std::to_string(c.limit));
    std::string bytes = "untouched";
    EXPECT_EQ(ReadRegularFile(c.path, c.limit, &bytes), c.status);
    EXPECT_EQ(bytes, c.bytes);
    MappedFile m;
    ASSERT_EQ(m.open(c.path), c.maps);
    EXPECT_EQ(m.bytes(), c.maps ? "12345" : "");
    EXPECT_FALSE(m.cutShort());
  }
  fs::remove_all(dir);
}

// Another program cuts the file short while it is mapped: the pages past
// its new end read as zeros, the ones before keep
// their bytes, and only that mapping tells it was cut.
TEST(MappedFile, FileCutShortReadsAsZerosAndSaysSo) {
  const fs::path dir = testsupport::MakeScratchDir("corvimet-mapped-");
  const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  std::string text(3 * page + 100, 'x');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
  std::ofstream(dir / "long", std::ios::binary) << text;
  std::ofstream(dir / "other", std::ios::binary) << text;
  MappedFile cut, other;
  ASSERT_TRUE(cut.open(dir / "long"));
  ASSERT_TRUE(other.open(dir / "other"));
  fs::resize_file(dir / "long", page + 10);
  std::string seen(cut.bytes());
  std::string want = text;
  std::fill(want.begin() + static_cast<std::ptrdiff_t>(2 * page), want.end(), '\0');
  // The page the new end falls in keeps the file's bytes up to that end.
  std::fill(want.begin() + static_cast<std::ptrdiff_t>(page + 10), want.begin() + static_cast<std::ptrdiff_t>(2 * page),
            '\0');
  EXPECT_EQ(seen, want);
  EXPECT_TRUE(cut.cutShort());
  EXPECT_EQ(other.bytes(), text);
  EXPECT_FALSE(other.cutShort());
  fs::remove_all(dir);
}

// A SIGBUS another process or the program itself sends is no lost page,
// even when it names an address inside a mapping: it takes its default
// action, as it would without the mapping, and the mapping is not marked.
TEST(MappedFile, ASentBusErrorIsNotTakenForALostPage) {
  const fs::path dir = testsupport::MakeScratchDir("corvimet-sigbus-");
  std::ofstream(dir / "file", std::ios::binary) << std::string(10'000, 'x');
  const struct {
    const char* name;
    bool naming;   // queued with the mapping's first address in si_addr
  } rows[] = {{"kill", false}, {"queued, naming the mapping", true}};
  // Killed by it; under AddressSanitizer, which takes SIGBUS before us and
  // is passed it, ended by its report: status 1, or SIGABRT where
  // abort_on_error is set.
  const auto passedOn = [](int status) {
#if defined(__SANITIZE_ADDRESS__)
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT) return true;
#endif
    return WIFSIGNALED(status) ? WTERMSIG(status) == SIGBUS : WIFEXITED(status) && WEXITSTATUS(status) == 1;
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EXIT(
        {
          MappedFile m;
          if (!m.open(dir / "file")) std::_Exit(4);
          if (row.naming) {
            siginfo_t info{};
            info.si_signo = SIGBUS;
            info.si_code = SI_QUEUE;
            info.si_addr = const_cast<char*>(m.bytes().data());
            ::syscall(SYS_rt_tgsigqueueinfo, ::getpid(), ::gettid(), SIGBUS, &info);
          } else {
            ::kill(::getpid(), SIGBUS);
          }
          std::_Exit(m.cutShort() ? 3 : 0);
        },
        passedOn, "");
  }
  fs::remove_all(dir);
}

}  // namespace
