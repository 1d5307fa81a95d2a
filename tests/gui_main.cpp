// One QApplication for the GUI test binary, on the offscreen platform with a
// fixed desk.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/test.h"

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  plat::test::Options opt;
  opt.desk = {1440, 900};
  if (const char* a = std::getenv("CORVIMET_ARTIFACTS")) opt.artifacts = a;
  else opt.artifacts = TEST_ARTIFACT_DIR;
  plat::test::init(opt);
  return RUN_ALL_TESTS();
}
