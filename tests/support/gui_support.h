// Helpers shared by the headless GUI suites.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/test.h"
#include "plot/trace.h"
#include "shell/ui/kitglobals.h"
#include "shell/globals.h"
#include "shell/store.h"

namespace testsupport {

// Every slot freed and the work buffers released, as at start-up.
inline void ClearStore() {
  for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
  BackupCache.releaseAll();
  plotcore::PlotLodCache().clear();
  TheFileInUse = kNoFile;
}

// Puts the plot geometry globals back as a test found them.
class PlotGeometryKeeper {
 public:
  PlotGeometryKeeper() : w_(ScreenWidth), h_(ScreenHeight), b_(BottomOfPlotArea) {}
  ~PlotGeometryKeeper() {
    ScreenWidth = w_;
    ScreenHeight = h_;
    BottomOfPlotArea = b_;
  }

 private:
  int16_t w_, h_, b_;
};

inline bool SoundPlayed(const std::string& name) {
  const auto& s = plat::test::soundsPlayed();
  return std::find(s.begin(), s.end(), name) != s.end();
}

// A fresh, empty folder named after the running test.
inline std::filesystem::path FreshTestDir(const std::string& prefix) {
  namespace fs = std::filesystem;
  const fs::path d = fs::temp_directory_path() /
                     (prefix + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  fs::remove_all(d);
  fs::create_directories(d);
  return d;
}

}  // namespace testsupport
