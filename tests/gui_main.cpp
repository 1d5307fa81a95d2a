// One QApplication for the GUI test binary, on the offscreen platform with a
// fixed desk.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/test.h"
#include "support/gui_support.h"

namespace {

// Every test starts from the program as it stood before any test, and its
// scratch folders go when it ends, passed or failed.
class PerTestState : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { testsupport::ResetProgramState(); }
  void OnTestEnd(const ::testing::TestInfo&) override {
    std::error_code ec;
    for (const auto& d : testsupport::ScratchDirsOfThisTest()) std::filesystem::remove_all(d, ec);
    testsupport::ScratchDirsOfThisTest().clear();
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Without a runtime folder Qt makes one in the temporary folder and leaves
  // it there: give it a private one that goes with the run.
  if (!std::getenv("XDG_RUNTIME_DIR")) {
    const std::string runtime = testsupport::MakeScratchDir("corvimet-runtime-").string();
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    plat::test::removeWhenDone(runtime);
  }
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new PerTestState);
  plat::test::Options opt;
  opt.desk = {1440, 900};
  if (const char* a = std::getenv("CORVIMET_ARTIFACTS")) opt.artifacts = a;
  else opt.artifacts = TEST_ARTIFACT_DIR;
  plat::test::init(opt);
  return RUN_ALL_TESTS();
}
