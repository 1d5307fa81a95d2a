// Comma- and tab-separated text export with optional time columns, for other
// programs: UTF-8 (labels are converted from Mac Roman); one delimiter
// between fields; every line, the last included, ends with LF; numbers in
// the standard text form without the leading blank.
//
//   header: [Case] [Time (<unit>)] [Clock Time] [Date] label ... label
//   rows:   cases first + 1 .. last (case 0, the leading value, is not data)
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/datafile.h"

enum class TextExportFormat { Comma, Tab };

// Unit of the elapsed-time column, numbered as the time-unit choice numbers
// them.
enum class ElapsedUnit : int16_t { Seconds = 0, Minutes = 1, Hours = 2, Days = 3 };
double SecondsPerUnit(ElapsedUnit u);
const char* ElapsedUnitName(ElapsedUnit u);   // "sec", "min", "hours", "days"

struct TextExportOptions {
  TextExportFormat format = TextExportFormat::Comma;
  bool caseColumn = false;
  bool elapsedColumn = false;
  ElapsedUnit elapsedUnit = ElapsedUnit::Seconds;
  bool clockColumn = false;   // h:mm:ss, wrapping at 24 h; decimals as the interval needs
  bool dateColumn = false;    // mm/dd/yyyy
  int32_t first = 0;          // rows first + 1 .. last
  int32_t last = 0;
};

// What the writer needs of a file; channels point at last + 1 floats each.
struct TextExportSource {
  float interval = 0.0f;
  std::string startDate;      // "mm-dd-yyyy"
  std::string startTime;      // "hh:mm:ss"
  std::vector<const float*> channels;
  std::vector<std::string> labels;
};

// Channels of a slot flagged in set 2 of OverlayArray.
TextExportSource TextSourceOfSlot(int16_t slot);

// Elapsed time, clock text and date of a case (time = case * interval after
// the start). The clock shows as many decimals of the second as the
// interval's decimals need, at most 6 ("12:00:00.1" at 0.1 s, "12:00:01" at
// 1 s), so that the interval can be read back from it.
double ElapsedOfCase(float interval, int32_t caseIndex, ElapsedUnit unit);
// The elapsed time as the export writes it: seconds to ten significant
// digits, other units to every digit of the double, so that the interval
// comes back exactly.
std::string ElapsedFieldText(float interval, int32_t caseIndex, ElapsedUnit unit);
std::string ClockOfCase(float interval, int32_t startSeconds, int32_t caseIndex);
std::string DateOfCase(float interval, std::string_view startDate, int32_t startSeconds, int32_t caseIndex);

// A field as the format needs it: comma text is quoted (quotes doubled) when
// it holds a comma, a quote or a line end; tab text has tabs and line ends
// turned into blanks.
std::string ExportField(std::string_view text, TextExportFormat format);

// Progress: called with the rows written so far now and then.
using ExportProgress = std::function<void(int32_t rowsDone)>;

FileStatus EncodeTextExport(const TextExportSource& src, const TextExportOptions& opt, std::string* out);
// Written to a temporary file in the same folder and renamed.
FileStatus WriteTextExport(const std::filesystem::path& path, const TextExportSource& src,
                           const TextExportOptions& opt, const ExportProgress& progress = {},
                           int* errnoOut = nullptr);
