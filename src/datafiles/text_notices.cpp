#include "datafiles/text_notices.h"

#include <algorithm>

namespace textimport {

std::string linesAboveNamesNotice(int64_t lines) {
  return std::to_string(lines) + (lines == 1 ? " line above" : " lines above") + " the column names " +
         (lines == 1 ? "was" : "were") + " left out.";
}

std::string quotedHeadingNotice(int64_t openLine, int64_t closeLine) {
  return "The quoted heading that opens on line " + std::to_string(openLine) + " closes on line " +
         std::to_string(closeLine) + "; the lines between were read as part of it.";
}

std::string clockCellsNotice(int64_t cells, const std::string& column) {
  return std::to_string(cells) + (cells == 1 ? " cell" : " cells") + " of the clock column \"" + column +
         (cells == 1 ? "\" holds" : "\" hold") + " no clock time and " + (cells == 1 ? "was" : "were") +
         " left out of the suggested interval and start.";
}

}  // namespace textimport

std::string TextRefusalText(FileStatus status, const TextTable& table) {
  if (status == FileStatus::UnclosedQuote && table.unclosedQuoteLine > 0 && table.quoteCloseLine > 0)
    return "The quoted field that opens on line " + std::to_string(table.unclosedQuoteLine) + " closes only on line " +
           std::to_string(table.quoteCloseLine) +
           ", so the lines between would be read as one cell and their rows lost. Nothing was imported.";
  if (status == FileStatus::TooManyColumns && table.tooWideLine > 0)
    return std::string(FileStatusText(status)) + " Line " + std::to_string(table.tooWideLine) + " has " +
           (table.tooWideCells > 0 ? std::to_string(table.tooWideCells)
                                   : "more than " + std::to_string(kMaxTextColumns)) +
           " cells. Nothing was imported.";
  if (status == FileStatus::UnclosedQuote && table.unclosedQuoteLine > 0)
    return "The quoted field that opens on line " + std::to_string(table.unclosedQuoteLine) +
           " never closes, so every later row would be read into it. Nothing was imported.";
  return FileStatusText(status);
}

std::string UnreadCellsNotice(int64_t unreadCells) {
  if (unreadCells <= 0) return "";
  return std::to_string(unreadCells) +
         (unreadCells == 1 ? " cell was not a number and was read as 0." : " cells were not numbers and were read as 0.");
}

std::string UnreadCellsNotice(const TextTable& table, const std::vector<int>& columns) {
  // Runs of one first row and length in several columns are one stretch.
  // A column's runs past its third start after three stretches, so those
  // kept give the first three exactly; a fourth tells there are more.
  struct Stretch {
    int64_t firstRow, rows, line;
    std::vector<int> columns;
  };
  std::vector<Stretch> stretches;
  int64_t count = 0;
  bool more = false;
  std::vector<int> chosen = columns;
  std::sort(chosen.begin(), chosen.end());
  for (int k : chosen) {
    const auto c = static_cast<size_t>(k);
    if (k < 0 || c >= table.unreadCells.size()) continue;
    count += table.unreadCells[c];
    if (c >= table.unreadRuns.size()) continue;
    const std::vector<UnreadRun>& runs = table.unreadRuns[c];
    more |= runs.size() >= kUnreadRunsKept;
    for (size_t i = 0; i < runs.size() && i + 1 < kUnreadRunsKept; ++i) {
      const UnreadRun& r = runs[i];
      const auto same = std::find_if(stretches.begin(), stretches.end(), [&](const Stretch& s) {
        return s.firstRow == r.firstRow && s.rows == r.rows;
      });
      if (same != stretches.end()) same->columns.push_back(k);
      else stretches.push_back({r.firstRow, r.rows, r.line, {k}});
    }
  }
  std::string notice = UnreadCellsNotice(count);
  if (notice.empty() || stretches.empty()) return notice;
  std::stable_sort(stretches.begin(), stretches.end(),
                   [](const Stretch& a, const Stretch& b) { return a.firstRow < b.firstRow; });
  constexpr size_t kNamed = kUnreadRunsKept - 1;
  if (stretches.size() > kNamed) {
    more = true;
    stretches.resize(kNamed);
  }
  const auto name = [&](int k) {
    const auto c = static_cast<size_t>(k);
    return "\"" + (c < table.names.size() ? table.names[c] : "column " + std::to_string(k + 1)) + "\"";
  };
  notice.back() = ':';
  for (size_t i = 0; i < stretches.size(); ++i) {
    const Stretch& s = stretches[i];
    const size_t named = std::min<size_t>(s.columns.size(), 3);
    std::string names;
    for (size_t j = 0; j < named; ++j)
      names += (j == 0 ? "" : j + 1 == named && named == s.columns.size() ? " and " : ", ") + name(s.columns[j]);
    if (s.columns.size() > named) names += " and " + std::to_string(s.columns.size() - named) + " more columns";
    notice += (i == 0 ? " in " : "; in ") + names +
              (s.rows == 1 ? " on line " + std::to_string(s.line)
                           : " on " + std::to_string(s.rows) + " rows from line " + std::to_string(s.line));
  }
  return notice + (more ? "; and more further down." : ".");
}

std::string SkippedColumnsNotice(const std::vector<std::string>& names) {
  if (names.empty()) return "";
  std::string list;
  for (const std::string& n : names) list += (list.empty() ? "\"" : ", \"") + n + "\"";
  return (names.size() == 1 ? "The text column " + list + " was left out."
                             : "The text columns " + list + " were left out.");
}
