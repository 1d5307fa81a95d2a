// Saving the current file: the native binary under its own name, "Save As"
// in a chosen format, and the table of a compaction. GUI-free: the save
// commands ask the questions and call these.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "datafiles/datafile.h"
#include "datafiles/export.h"

class SafeFileWriter;

// Unit of the time column of the compacted table: 1 minutes, 2 hours,
// anything else seconds. Set by time averaging.
extern int16_t TimeUnits;

inline constexpr int32_t kLongSaveCases = 80'000;

enum class SaveFormat : int16_t { NativeBinary = 1, CommaText = 3, TabText = 4 };
const char* SaveFormatExtension(SaveFormat f);   // "orl", "csv", "xls"

// True when the slot's file on disk is a native binary file, the only kind
// Save may overwrite: an imported text file keeps its source data.
bool SlotIsNativeFile(int16_t slot);

// The name with its extension replaced by ext (added when it has none).
std::string NameWithExtension(std::string_view name, std::string_view ext);

struct SaveChoice {
  SaveFormat format = SaveFormat::NativeBinary;
  bool blockOnly = false;            // BeginBlock..EndBlock of a defined block
  TextExportOptions text;            // columns and unit; format and range are filled in
};

// The range a save covers: (0, nCases) or, for a defined block,
// (BeginBlock - 1, EndBlock).
void SaveRange(int16_t slot, bool blockOnly, int32_t* first, int32_t* last);

// True when the choice writes everything the slot holds: the native format,
// every channel flagged in set 2, no block.
bool SaveIsWholeFile(int16_t slot, const SaveChoice& choice);

using SaveProgress = std::function<void(int32_t done, int32_t total)>;

// Writes the channels flagged in set 2 of OverlayArray in the chosen format.
// A whole-file native save renames the slot (FileName, FilePath) and clears
// FileSHORTS word 10; every other save is an export and leaves the slot as it
// was. The old file survives any failure.
FileStatus SaveSlotAs(int16_t slot, const std::filesystem::path& path, const SaveChoice& choice,
                      const SaveProgress& progress = {}, int* errnoOut = nullptr);

// Save: every channel in the native format under the slot's path, whatever
// set 2 holds (set 2 is left as it was); clears word 10.
FileStatus SaveSlotInPlace(int16_t slot, int* errnoOut = nullptr);

// ---- The compacted series --------------------------------------------------
// Rows of ParseArray a compaction by groupSize leaves for nCases cases: the
// whole groups, and the partial group when it holds at least two cases.
int32_t CompactedGroupCount(int32_t cases, int32_t groupSize);

// The table: "Time (min) " (or "(hours) ", "(sec) ") then, for each channel
// of the slot flagged in set 2, its label and "S.D.", tab-separated; then one
// row per group: the time of its middle and each channel's mean and S.D. from
// ParseArray rows c and c + 32. The file's bytes, for spreadsheets: UTF-8
// with LF line ends.
std::string EncodeCompactedSeries(int16_t slot, int32_t groupSize, int16_t timeUnits);
// Writes the table of TheFileInUse for the compaction in force (parse
// element 0) to the open output file.
bool saveParse(SafeFileWriter& out);
