#include "output/outputfile.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "support/scratch.h"

namespace fs = std::filesystem;

namespace {

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testsupport::MakeScratchDir("corvimet-output-");
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string contents(const fs::path& p) {
    std::string s;
    EXPECT_TRUE(ReadWholeFile(p, &s).ok());
    return s;
  }
  fs::path dir_;
};

[[noreturn]] void WriteOverTheSizeLimit(const fs::path& p) {
  std::signal(SIGXFSZ, SIG_IGN);
  OutputFile out;
  if (!out.create(p, "head\r").ok()) std::_Exit(2);
  rlimit lim{};
  lim.rlim_cur = lim.rlim_max = 16;
  ::setrlimit(RLIMIT_FSIZE, &lim);
  // 11 of the bytes fit: they are cut off again, and the next record that
  // fits follows the heading directly.
  const OutputStatus st = out.append(std::string(4096, 'x'));
  std::error_code ec;
  const bool cutBack = fs::file_size(p, ec) == 5 && !st.partLeft;
  const bool next = out.append("ok\r").ok() && fs::file_size(p, ec) == 8;
  std::_Exit(st.errnoValue == EFBIG && cutBack && next ? 0 : 1);
}

}  // namespace

TEST_F(OutputFileTest, HeadingAndAppendsReachTheDiskAtOnce) {
  OutputFile out;
  const fs::path p = dir_ / "run1 results";
  ASSERT_TRUE(out.create(p, "head\r").ok());
  EXPECT_TRUE(out.isOpen());
  ASSERT_TRUE(out.append("one\r").ok());
  // Flushed before close: a crash now would keep the result.
  EXPECT_EQ(contents(p), "head\rone\r");
  ASSERT_TRUE(out.append("two\t2\r").ok());
  ASSERT_TRUE(out.close().ok());
  EXPECT_FALSE(out.isOpen());
  EXPECT_EQ(contents(p), "head\rone\rtwo\t2\r");
  EXPECT_FALSE(fs::exists(dir_ / "run1 results.tmp~"));
}

TEST_F(OutputFileTest, ReplacesAnExistingFile) {
  const fs::path p = dir_ / "printfile";
  std::ofstream(p) << "old spool";
  OutputFile out;
  ASSERT_TRUE(out.create(p).ok());
  EXPECT_EQ(contents(p), "");
}

TEST_F(OutputFileTest, ANewDestinationClosesAndFlushesTheOpenOne) {
  OutputFile out;
  const fs::path a = dir_ / "a", b = dir_ / "b";
  ASSERT_TRUE(out.create(a).ok());
  ASSERT_TRUE(out.append("kept\r").ok());
  ASSERT_TRUE(out.create(b, "B\r").ok());
  EXPECT_EQ(out.path(), b);
  ASSERT_TRUE(out.append("x\r").ok());
  EXPECT_EQ(contents(a), "kept\r");
  EXPECT_EQ(contents(b), "B\rx\r");
}

TEST_F(OutputFileTest, FailuresComeBackWithTheirErrorNumber) {
  OutputFile out;
  EXPECT_EQ(out.append("lost?").errnoValue, EBADF);
  const OutputStatus st = out.create(dir_ / "missing" / "folder" / "f");
  EXPECT_EQ(st.errnoValue, ENOENT);
  EXPECT_EQ(st.path, dir_ / "missing" / "folder" / "f");
  EXPECT_FALSE(out.isOpen());
  std::string s;
  EXPECT_EQ(ReadWholeFile(dir_ / "nothing", &s).errnoValue, ENOENT);
  EXPECT_TRUE(out.close().ok());
}

TEST_F(OutputFileTest, AFailedWriteIsReported) {
  // A file-size limit makes the disk refuse the bytes; run it in a child so
  // the limit cannot touch other tests.
  const fs::path p = dir_ / "full";
  EXPECT_EXIT(WriteOverTheSizeLimit(p), ::testing::ExitedWithCode(0), "");
}
