// Reading the data rows of a delimited text: the rows of plain numbers four
// or eight cells at a time, long runs of them on several threads, every
// other row cell by cell; and the counts of line ends the reading shares
// with the file's. Internal to the text import.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "datafiles/filehelpers.h"
#include "datafiles/text_find.h"
#include "datafiles/text_import.h"

namespace textimport {

// Line ends in [p, end), read as nextField reads them: LF, CR LF and a lone
// CR each end one line. end is a row start or the end of the text, so no CR
// LF straddles it. Where plain is given, it tells whether every byte is
// plain ASCII other than a zero or a double quote, which scanText would pass
// over; false where that was not looked at.
size_t countLineEnds(const char* p, const char* end, bool* plain = nullptr);

// The line ends of a text counted piece by piece as it was read, so that a
// count over any part of it looks at two pieces at most. A line end belongs
// to the piece that holds its last byte.
struct LineEnds {
  const char* base = nullptr;
  std::vector<size_t> starts;   // of the pieces, in order; the first is 0
  std::vector<size_t> before;   // line ends before each piece

  // Line ends in [base, at), at a row start or the end of the text.
  size_t upTo(const char* at) const {
    const auto x = static_cast<size_t>(at - base);
    const size_t k = static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), x) - starts.begin()) - 1;
    return before[k] + countLineEnds(base + starts[k], at);
  }
  size_t in(const char* from, const char* to) const { return upTo(to) - upTo(from); }
};

// What reading the rows tells besides the table's columns.
struct RowsRead {
  size_t rows = 0;
  bool dateFound = false;        // a clock cell carried a date: the first such
  CivilDate firstDate;
  const char* widest = nullptr;  // the first row as wide as the table
  int widestCells = 0;
};

// The data rows from start.dataStart into the table's columns, with their
// cells read as 0 counted (unreadCells, unreadRuns), the clock columns and
// the first row's cells. lastQuote is the offset of the text's last double
// quote (-1 none); lineEnds, where given, its line ends counted already.
// Refuses more than kMaxCases rows (TooManyCases), a row of too many cells
// (TooManyColumns, its line in *out) and OutOfMemory.
FileStatus readDataRows(std::string_view text, const TableStart& start, ptrdiff_t lastQuote, const LineEnds* lineEnds,
                        TextTable& t, RowsRead* read, TextTable* out);

}  // namespace textimport
