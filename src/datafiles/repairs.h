// Load-time repairs, applied to a file image before it reaches a slot, and
// the installation of a repaired image into a free slot.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "datafiles/datafile.h"

struct RepairReport {
  int64_t aberrantSamples = 0;     // NaN or infinite samples set to 0
  bool intervalRepaired = false;   // set to 9.999 s: show the interval warning
  bool labelsBlank = false;        // every label blank: ask for labels
  int32_t markersDropped = 0;
  int32_t notesDropped = 0;
  bool startTimeReset = false;
  int fileValuesReset = 0;         // non-finite file values set to 0
  std::vector<std::string> skippedColumns;  // text columns a text import left out
  std::vector<std::string> importNotices;   // what else a text import tells the user
};

// Sets NaN and infinite samples to 0; returns how many there were.
int64_t ZeroNonFiniteSamples(float* data, size_t count);
// CleanMarkerList of the store: case order, every marker of a case kept in
// its order, a repeated record, code 0 and cases outside 1..cases dropped.
int32_t CleanMarkers(std::vector<MarkerRecord>& markers, int32_t cases);
// True when every label is blanks (or empty).
bool AllLabelsBlank(const std::vector<std::string>& labels);
// Every repair of a freshly read file.
RepairReport RepairImage(DataFileImage& image);
// The notice for replaced samples ("" when none were).
std::string AberrantNotice(const RepairReport& report);

// Moves the image into a free slot (its arrays are taken over, not copied)
// and fills the slot's records. Nothing changes on failure: TooManyFiles,
// OutOfMemory, or an image that breaks the limits.
FileStatus InstallImage(DataFileImage&& image, const std::string& name, const std::string& path,
                        int16_t* slotOut);
