// Helpers shared by the headless GUI suites.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/test.h"
#include "shell/globals.h"
#include "shell/store.h"

namespace testsupport {

// Every slot freed and the work buffers released, as at start-up.
inline void ClearStore() {
  for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
  BackupCache.releaseAll();
  TheFileInUse = kNoFile;
}

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
