// Finding the table in a delimited text: what one pass over its bytes
// tells, its delimiter, the header lines above the data rows and the names
// they give, quotes that would swallow rows, and the decimal mark the first
// rows show. Internal to the text import.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/text_import.h"

namespace textimport {

// What one pass over the whole text tells: a zero byte (a binary or UTF-16
// file), whether it is valid UTF-8 with any multi-byte character, and where
// its last double quote is.
struct TextScan {
  bool zeroByte = false;
  bool utf8 = true;
  bool anyHigh = false;
  ptrdiff_t lastQuote = -1;
};

TextScan scanText(std::string_view s);
// What the scans of the parts of a text tell of the whole, the parts' last
// quotes given as offsets in the whole.
void merge(TextScan& r, const TextScan& part);
// scanText over a large text, a share on each of several threads.
TextScan scanTextShared(std::string_view s);
// The line of the byte at offset, from 1.
int64_t lineOf(std::string_view text, size_t offset);

// Where the data rows start and what the lines above them give.
struct TableStart {
  const char* dataStart = nullptr;   // the first data row, or a blank line above it
  std::vector<std::string> names;    // the cells of the last header line, trimmed
  std::vector<char> textFilled;      // per column, text all down the data
  size_t expectRows = 0;             // rows to reserve for
  double rowsPerByte = 0.0;          // judged from the first records, with a margin
};

// Finds the table in a text without its byte-order mark: sets the table's
// delimiter, decimal mark, header lines and notices of what was left out.
// Refuses a quote that never closes and a quoted cell of the data across
// line ends (UnclosedQuote) and a record of too many cells (TooManyColumns),
// with their lines in *out.
FileStatus findTable(std::string_view text, const TextScan& scan, TextTable& t, TableStart* start, TextTable* out);

}  // namespace textimport
