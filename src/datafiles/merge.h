// Merging a second file into an open one: its cases appended after the last
// case, or its channels added beside the existing ones. GUI-free: the merge
// command reads the second file into an image, asks the user, and hands the
// image and the picked channels here.
//
// Every limit is checked before anything changes; the few steps that can
// still fail (memory) run after the slot-17 backup, and a failure puts the
// file back exactly as it was.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "datafiles/datafile.h"

enum class MergeMode { Append, Stack };

struct MergeReport {
  int32_t casesCut = 0;       // stacking: incoming cases beyond nCases dropped
  int32_t casesPadded = 0;    // stacking: cases filled with the incoming last value
  int32_t markersDropped = 0; // appending: beyond 32,500
  int32_t notesDropped = 0;   // appending: beyond 300
};

// What the picked channels (0-based indices into incoming.data) would do to
// the slot: Ok, NoChannels, TooManyChannels (stacking past 32), TooManyCases
// (appending past 7,000,000), BadRange (appending with a channel count that
// differs from the file's).
FileStatus CheckMerge(int16_t slot, const DataFileImage& incoming, const std::vector<int>& picked,
                      MergeMode mode);

// Merges and marks the file changed (FileSHORTS word 10). Appending: picked
// channel k goes to channel k, the incoming cases 1..n follow the last case,
// markers and notes are shifted by the old case count, and the comments get
// "*** appended <name> ***". Stacking: the picked channels become new
// channels aligned case by case from case 0 with their labels and travelling
// calibration values; a shorter channel is padded with its last value, a
// longer one cut; the comments get "*** added channels from <name> ***".
FileStatus MergeImage(int16_t slot, const DataFileImage& incoming, const std::vector<int>& picked,
                      MergeMode mode, const std::string& incomingName, MergeReport* report = nullptr);

// The notice for a stacked channel that was cut or padded ("" when none).
std::string MergeNotice(const MergeReport& report);

// Tests: make the next MergeImage fail after it has changed the slot, so
// that the restore from the backup runs. 0 = off; cleared once used.
void FailNextMergeForTest(bool fail);
