// Shared set-up for the data-file tests: a clean store and a scratch folder.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "datafiles/datafile.h"
#include "support/scratch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/worktables.h"

class DataFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetStore();
    dir_ = testsupport::MakeScratchDir("corvimet-files-");
  }
  void TearDown() override {
    resetStore();
    std::filesystem::remove_all(dir_);
  }
  static void resetStore() {
    for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
    BackupCache.releaseAll();
    TheFileInUse = kNoFile;
    FileJustLoaded = 0;
    timstring[1].clear();
  }
  std::filesystem::path path(const std::string& name) const { return dir_ / name; }

  static std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void spit(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  std::filesystem::path dir_;
};
