// Shared set-up for the data-file tests: a clean store and a scratch folder.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "datafiles/datafile.h"
#include "support/scratch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/worktables.h"

// Everything a command could touch in a slot, for exact before/after
// comparisons.
struct SlotState {
  std::vector<std::vector<float>> data;
  int32_t cases;
  int16_t channels;
  std::vector<float> info;
  std::vector<int16_t> shorts;
  std::vector<std::string> labels;
  std::vector<MarkerRecord> markers;
  std::vector<NoteRecord> notes;
  int16_t noteCount;
  std::string comments, name, date, time;
  std::vector<float> params;
  std::vector<uint16_t> overlay;
  int32_t begin, end;

  static SlotState of(int16_t s) {
    SlotState st;
    for (int c = 0; c <= kMaxChannels; ++c) {
      const auto& a = gPointersToFileData[s][c];
      // Channel 0 is scratch space: its length is what counts.
      st.data.push_back(c == 0 ? std::vector<float>(a.size()) : std::vector<float>(a));
    }
    st.cases = nCases[s];
    st.channels = nChannels[s];
    st.info.assign(FileInfoFLOATS[s], FileInfoFLOATS[s] + kFileInfoWords);
    st.shorts.assign(FileSHORTS[s], FileSHORTS[s] + kFileShortsWords);
    st.labels.assign(LabelStrings[s], LabelStrings[s] + 6);
    st.markers = MarkersArray[s];
    st.notes = NotesArray[s];
    st.noteCount = NumberOfNotes[s];
    st.comments = CommentContainer[s];
    st.name = FileName[s];
    st.date = StartDate[s];
    st.time = StartTime[s];
    for (int c = 0; c <= kMaxChannels; ++c) st.params.insert(st.params.end(), nVar[s][c].begin(), nVar[s][c].end());
    for (int set = 1; set <= kOverlaySets; ++set)
      st.overlay.insert(st.overlay.end(), OverlayArray[s][set], OverlayArray[s][set] + kOverlayFlags);
    st.begin = BeginBlock[s];
    st.end = EndBlock[s];
    return st;
  }
  bool operator==(const SlotState&) const = default;
};

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
