// The spreadsheet batch of the cost model as pure functions: reading the
// comma-separated thermal-physiology sheet, one animal per row, the result
// texts of a row, and the text of the results file with its metadata.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "thermoregulation/costs.h"

inline constexpr int kMaxSheetColumns = 45;
inline constexpr int kMaxSheetRows = 799;        // data rows below the header
inline constexpr size_t kMaxSheetCellBytes = 255;
inline constexpr int kBatchVariables = 10;   // use sun, Tb, C, LCT, BMR, torpor, min Tb, diurnal, mass, shelter
inline constexpr int kRowResults = 16;

// The largest file a sheet within the store's limits can be: 800 lines of 45
// cells of 255 characters, each written in three bytes, quoted, every one a
// doubled quote. Larger files are not read.
inline constexpr size_t kMaxSheetFileBytes =
    size_t{kMaxSheetRows + 1} * kMaxSheetColumns * (2 * 3 * kMaxSheetCellBytes + 3);

struct ThermalSheet {
  std::vector<std::string> header;              // N cells
  std::vector<std::vector<std::string>> rows;   // data rows, N cells each
  bool headerLineEnd = false;                   // the header line ended in a line end
  // Lines of more cells than the header, cut to its width: how many, and
  // the first one's line number and cells.
  int64_t wideLines = 0, firstWideLine = 0, firstWideCells = 0;
  // Set with QuoteAcrossLines: the line a quote opens on and the line it
  // closes on (0 when it never closes).
  int64_t quoteLine = 0, quoteCloseLine = 0;
};

enum class SheetStatus : int16_t { Ok = 0, Empty, TooManyColumns, TooManyRows, QuoteAcrossLines, TooLarge };
const char* SheetStatusText(SheetStatus s);
// The alert for a refused sheet, naming the lines of a quote across lines.
std::string SheetRefusalText(SheetStatus s, const ThermalSheet& sheet);
// The notice for lines cut to the header's width ("" when none were).
std::string SheetNotice(const ThermalSheet& sheet);

// Comma-separated with quotes ("Smith, J" is one cell; a doubled quote
// inside a quoted cell stands for one), header line first; CR, LF and CRLF
// line ends; UTF-8 or Mac Roman (a UTF-8 byte-order mark is skipped); the
// cells come out as the program's text (Mac Roman). Blank lines are dropped;
// short rows are padded with empty cells, longer ones cut to the header's
// width and counted; cells are cut to 255 bytes. More than 45 columns or 799
// data rows, or a quoted cell that runs across lines, is refused, whole
// (*out then keeps only the quote's lines).
SheetStatus ParseThermalSheet(std::string_view diskBytes, ThermalSheet* out);

// "yes", "YES", "y", "Y", "1" (and "D", "d" where diurnal counts as yes).
bool SheetYes(std::string_view cell, bool dayCountsAsYes);

// Columns (1..N, 0 none) of the ten variables, entry v - 1 for variable v.
using SheetColumns = std::array<int16_t, kBatchVariables>;
enum BatchVariable { kUseSun = 0, kTb, kC, kLct, kBmr, kTorpor, kMinTb, kDiurnal, kMass, kShelter };
// True while Tb, C, LCT and BMR all have a column.
bool SheetColumnsComplete(const SheetColumns& c);

struct SheetAnimal {
  TregAnimal animal;
  bool torpor = false, diurnal = false;
  float minTorporTb = 0;   // taken only when torpor is allowed
  bool compute = false;    // C > 0
};
SheetAnimal SheetAnimalOf(const std::vector<std::string>& row, const SheetColumns& c, bool bmrInWatts, bool windUsed,
                          bool shelterUsed);

// The 16 result texts of a computed row; mean is the engine's mean cost.
// Non-finite and zero values become a single blank.
std::array<std::string, kRowResults> RowResultTexts(const TregResult& r, float bmrWatts);

// Optional results 1..15 (the dialog's boxes) and the result k (2..16) each shows.
int ResultOfBox(int box);
const char* ResultHead(int k);   // k 1..16
const char* ResultBoxTitle(int box);

// The results file: the sheet's columns, the mean cost, then each ticked
// result in the order of the results; the file's bytes (UTF-8, LF line
// ends) from the program's text of the cells. A cell holding the separator,
// a quote or a line end is quoted. results[i] belongs to
// rows[i]; a row that was not computed (C <= 0) has blank result cells.
struct RowOutcome {
  bool computed = false;
  std::array<std::string, kRowResults> texts;
};
std::string ResultsFileText(const ThermalSheet& sheet, const std::vector<RowOutcome>& results,
                            const std::array<bool, 16>& ticked, char separator);

struct MetadataInfo {
  std::string climateFile, sheetFile;   // the program's text (Mac Roman)
};
// The metadata block, from the settings as they stand; UTF-8 with LF, as
// the results file it ends.
std::string MetadataText(const MetadataInfo& info);
