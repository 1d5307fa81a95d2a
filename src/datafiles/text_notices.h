// What the text import tells the user beside the table: the notices of
// lines and cells left out or read otherwise than written, and where the
// cells read as 0 lie. The alerts and notices themselves are declared in
// text_import.h. Internal to the text import.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/text_import.h"

namespace textimport {

// Counts an unread cell of row `row`, which starts at offset `at`, in its
// column's runs: it lengthens the last run or starts one while fewer than
// kUnreadRunsKept are kept. The offset stands in the run's line until
// placeUnreadRuns.
void noteUnreadCell(std::vector<UnreadRun>& runs, int64_t row, int64_t at);
// The runs' first rows, kept as offsets in the text (each a row start),
// become their lines.
void placeUnreadRuns(std::string_view text, std::vector<std::vector<UnreadRun>>& columns);

std::string linesAboveNamesNotice(int64_t lines);
std::string quotedHeadingNotice(int64_t openLine, int64_t closeLine);
// Cells of the clock column that hold no clock.
std::string clockCellsNotice(int64_t cells, const std::string& column);

}  // namespace textimport
