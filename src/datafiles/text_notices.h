// What the text import tells the user beside the table. These notices the
// parse keeps with the table; text_notices.cpp also holds the alerts and
// notices text_import.h declares (a refused file, cells read as 0 and
// where they lie, text columns left out). Internal to the text import.
#pragma once
#include <cstdint>
#include <string>

#include "datafiles/text_import.h"

namespace textimport {

std::string linesAboveNamesNotice(int64_t lines);
std::string quotedHeadingNotice(int64_t openLine, int64_t closeLine);
// Cells of the clock column that hold no clock.
std::string clockCellsNotice(int64_t cells, const std::string& column);

}  // namespace textimport
