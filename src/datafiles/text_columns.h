// Building the columns of a delimited text once its rows are read: the
// columns the table offers and their names, the time column, and the
// interval and start it suggests. Internal to the text import; the image
// and the slot are built in text_import.h's BuildImageFromText and
// ImportTextColumns.
#pragma once
#include <string_view>

#include "datafiles/text_find.h"
#include "datafiles/text_import.h"
#include "datafiles/text_rows.h"

namespace textimport {

// Leaves out an empty last column a delimiter closing every line leaves
// and columns of text all the way down (named in skippedColumns), names
// the rest, finds the time column, and reads the leading rows again in
// double precision for the interval and start. Refuses fewer than 2 rows
// or no column (TooFewCases) and more than kMaxChannels besides the time
// column (TooManyColumns, the widest row's line in *out).
FileStatus buildColumns(std::string_view text, const TableStart& start, const RowsRead& read, bool utf8, TextTable& t,
                        TextTable* out);

}  // namespace textimport
