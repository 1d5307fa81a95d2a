// Comma-, tab- and semicolon-separated text import: the parsing half of
// LoadASCIItextFile. The parse gives a table from which the column-selection
// dialog picks channels, a time column and the interval; ImportTextColumns
// then fills a free slot.
//
// Accepted: a UTF-8 byte-order mark; CR, LF or CRLF line ends; comma, tab or
// semicolon delimiters (with tabs or semicolons a comma in a number is its
// decimal mark, cell by cell, as a point is anywhere); double-quoted fields
// with doubled quotes, and quoted numbers with thousands separators; header
// lines (leading lines with text in a column that holds numbers further
// down; the last names the columns); blank lines; a time column of elapsed
// time or clock times. A cell that is not a number (NA, inf, a value no
// float holds) reads as 0 and is counted, and the runs of such cells are
// kept with their first lines; one too small for a float reads as 0. A
// column of text all the way down is left out.
#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/datafile.h"
#include "datafiles/repairs.h"

inline constexpr const char* kTextFileTypeText = "(text file) ";
// Cells a record may hold: room for 32 channels, a time column and columns
// of text that are left out. A record with more is refused as it is read.
inline constexpr int kMaxTextColumns = 2 * kMaxChannels;

enum class TimeKind { None, Elapsed, Clock };

// Rows whose cells in one column were read as 0, one after another (blank
// lines between them do not part them).
struct UnreadRun {
  int64_t firstRow = 0;   // 0-based data row
  int64_t rows = 0;
  int64_t line = 0;       // the file's line of the first row, from 1
};
// The runs a column keeps, its first: one more than a notice names.
inline constexpr size_t kUnreadRunsKept = 4;

struct TextTable {
  char delimiter = ',';
  bool decimalComma = false;                   // the mark the first rows show; each cell is read by its own
  int headerLines = 0;
  std::vector<std::string> names;              // Mac Roman; "column k" when unnamed
  std::vector<ChannelArray> columns;           // one value per data row; clock times as seconds of the day
  std::vector<int64_t> unreadCells;            // cells read as 0, per column
  std::vector<std::vector<UnreadRun>> unreadRuns;  // per column, its first kUnreadRunsKept runs of them
  std::vector<std::string> firstCells;         // text of the first data row, for the dialog
  std::vector<bool> clockColumn;
  std::vector<std::string> skippedColumns;     // names of text columns left out
  int timeColumn = -1;                         // guessed time column, -1 none
  TimeKind timeKind = TimeKind::None;
  double suggestedInterval = 1.0;              // s
  std::string suggestedStartTime = "00:00:00";
  std::string suggestedStartDate;              // "" when the file has no dates
  // The date of the first data row, from its clock cell or from a column of
  // dates (which is then not a skipped column); "" when it shows none.
  std::string firstRowDate;
  // The first rows of each column in double precision: a float cannot hold
  // 0.1 s steps of clock times or large elapsed seconds, and the interval
  // derived from them must not drift.
  std::vector<std::vector<double>> leading;

  // Set with UnclosedQuote: the line the quote opens on, and the line a
  // quote across line ends in the data closes on (0 when it never closes).
  int64_t unclosedQuoteLine = 0;
  int64_t quoteCloseLine = 0;
  // Set with TooManyColumns where a row makes it: its line, and its cells
  // (0 when there were more than kMaxTextColumns).
  int64_t tooWideLine = 0;
  int tooWideCells = 0;
  // Per column, the most significant digits of the leading rows' numbers.
  std::vector<int> leadingDigits;
  // What the reading left out or read otherwise than written, for the user.
  std::vector<std::string> notices;

  int32_t rows() const { return columns.empty() ? 0 : static_cast<int32_t>(columns[0].size()); }
  int dataColumns() const { return static_cast<int>(columns.size()) - (timeColumn >= 0 ? 1 : 0); }
};

// Refuses: no data rows or fewer than 2 (TooFewCases), more than 7,000,000
// rows, more than 32 columns besides the time column (TooManyColumns, with
// the line of the row that makes them), bytes that are not text (BadFormat),
// a quote still open at the end of the file or a quoted cell of the data
// rows that runs across line ends (UnclosedQuote, with the lines: it would
// swallow the rows after it). The data rows are found below a preamble of
// any length.
FileStatus ParseDelimitedText(std::string_view bytes, TextTable* out);
// The file is mapped rather than copied where the system allows; a file cut
// short while it is read is refused (ChangedWhileRead). `mapped` false reads it
// into memory instead (the tests hold both to one table).
FileStatus ReadDelimitedTextFile(const std::filesystem::path& path, TextTable* out, bool mapped = true);
// For the tests: whether plain rows may be read eight cells at a time where
// the processor has AVX-512 (on unless a test turns it off); returns the
// setting it replaces.
bool SetWideTextRows(bool on);

// The interval a time column shows: the median step of its first rows
// (clock times wrapping at midnight), in the unit its name gives ("time.min",
// "Time (h)"; seconds otherwise); 1 when it shows none. The parse takes the
// first clock column for time, or an elapsed-time column where the clock's
// steps do not resolve the interval (whole seconds at 0.1 s).
double IntervalFromColumn(const TextTable& table, int column, TimeKind kind);

// The start to offer, "mm-dd-yyyy" and "hh:mm:ss", with `column` as the
// time column (-1 none) and that interval. The first row is case 1, one
// interval after the start: with a clock column (the given one, else the
// first of the table) the start is its first time less the interval, to the
// whole second rounded up (an export's clock rounds down), the first row's
// date moving with it across midnight. Without a clock: 00:00:00 and the
// first row's date ("" when none).
void SuggestedTextStart(const TextTable& table, int column, double interval, std::string* date, std::string* time);

struct TextImportChoice {
  std::vector<int> columns;           // 0-based, in channel order; at most 32
  double interval = 1.0;              // s
  std::string startDate;              // "mm-dd-yyyy"
  std::string startTime = "00:00:00";
};

// Rows become cases 1..n; case 0 of every channel is its case 1. The chosen
// columns are taken out of the table. unreadCells gets the count of cells
// read as 0 in the chosen columns.
FileStatus BuildImageFromText(TextTable&& table, const TextImportChoice& choice, DataFileImage* out,
                              int64_t* unreadCells = nullptr);

// Build, repair and fill a free slot, which becomes the current file. The
// report's import notices end with the notice for cells read as 0 in the
// chosen columns.
FileStatus ImportTextColumns(TextTable&& table, const TextImportChoice& choice, const std::string& name,
                             const std::string& path, int16_t* slotOut, RepairReport* report,
                             int64_t* unreadCells = nullptr);
// The columns a Save As text export writes beside the channels ("Case",
// "Time (sec)" and its other units, "Clock Time", "Date"): re-imported, they
// are not offered as data.
bool ExportedTimeColumn(std::string_view name);
// The alert for a refused parse, naming the line of an unclosed quote.
std::string TextRefusalText(FileStatus status, const TextTable& table);
// The notice for cells read as 0 ("" when none).
std::string UnreadCellsNotice(int64_t unreadCells);
// The notice for the cells read as 0 in those columns of the table, naming
// where they lie: the first three stretches of rows (a run in one or more
// columns), each with its columns and its first line ("" when none).
std::string UnreadCellsNotice(const TextTable& table, const std::vector<int>& columns);
// The notice for text columns left out ("" when none).
std::string SkippedColumnsNotice(const std::vector<std::string>& names);
