// What a file says about itself: the texts of the acquisition summary
// (FILEINFO) and the rules by which the file-data dialog (EditFileData)
// commits what was typed. GUI-free.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "shell/store.h"

// ---- Acquisition summary texts ------------------------------------------------------

// The stored values including the lead-in element (cases + 1), grouped by the
// size of the case count: "#,###,###" above 1,000,000, "###,###" above
// 100,000, "##,###" above 10,000, else plain. Standard number text.
std::string CaseCountText(int32_t cases);
// interval x cases: " sec" below 120 s, " min" below 3600 s, else " hr".
std::string DurationText(float interval, int32_t cases);
// Name of an acquisition device code; "unknown" for any code not listed.
std::string DeviceName(float code);
// Flow value with " L/min" when litres is set, else " ml/min".
std::string FlowRateText(float flow, bool litres);

// One row of the calibration table. Columns that stay empty hold "".
struct CalibrationRow {
  std::string adNumber, a, b, c, transform, n;
  std::string wide;   // a text that takes the row's width after column "N"
};
// The five terms of the file's third-order conversion (field 24 of the
// channel records 2..6): constant, V, V2, V3, final factor.
using CubicTerms = std::array<float, 5>;
CubicTerms CubicTermsOf(int16_t slot);
CalibrationRow CalibrationRowOf(const ChannelInfoRecord& rec, const CubicTerms& cubic);

// Texts of the parts CalibrationRowOf assembles, for the table's tests.
std::string ADNumberText(float field1);
std::string NColumnText(float field6);
std::string TransformText(int kind);   // "" for kinds without a text

// ---- The file-data dialog ----------------------------------------------------------

// The texts of the dialog's fields, Mac Roman. labels[c] is channel c.
struct FileDataForm {
  std::array<std::string, kMaxChannels + 1> labels;
  std::string interval, flow, temperature, pressure, effectiveVolume, mass;
  std::string startDate, startTime;
  std::string fio2, fico2, rq;
  friend bool operator==(const FileDataForm&, const FileDataForm&) = default;
};
// The texts the dialog shows for a file and the program-wide gas values.
FileDataForm FileDataFormOf(int16_t slot);

// Values that cannot be used keep their old value.
bool AcceptableInterval(double seconds);   // above 0 and finite
bool AcceptableRQ(double rq);              // above 0 and finite
// "hh:mm:ss" on a 24-hour clock; blanks may stand for leading zeros.
bool AcceptableStartTime(std::string_view text);

enum FileDataRefusal : uint16_t {
  kRefusedNone = 0,
  kRefusedInterval = 1,
  kRefusedStartTime = 2,
  kRefusedRQ = 4,
};
struct FileDataCommit {
  bool fileChanged = false;   // a value saved with the file differs from before
  uint16_t refused = kRefusedNone;
};

// Writes the typed texts into the file's tables and the gas values. A field
// whose text is still the one shown keeps its stored value exactly: the
// shown text is rounded, and reading it back would alter the value. Labels
// are cut or padded to 30 characters; numbers read by the standard
// conversion; a refused value keeps its old one. Marks the file changed
// (FileSHORTS word 10) when a value saved with the file differs from before.
FileDataCommit CommitFileData(int16_t slot, const FileDataForm& shown, const FileDataForm& typed);

// The alert text for refused values; "" when nothing was refused.
std::string RefusalText(uint16_t refused);
