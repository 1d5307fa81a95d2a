// Any bytes as a delimited text file: parsed or refused, and a parsed table
// builds an image from its first columns.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <string_view>
#include <vector>

#include "datafiles/text_import.h"
#include "shell/globals.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TextTable t;
  const FileStatus st = ParseDelimitedText(std::string_view(reinterpret_cast<const char*>(data), size), &t);
  if (st != FileStatus::Ok) {
    if (TextRefusalText(st, t).empty()) std::abort();
    return 0;
  }
  const size_t rows = static_cast<size_t>(t.rows());
  for (const auto& c : t.columns)
    if (c.size() != rows) std::abort();
  if (t.names.size() != t.columns.size() || t.dataColumns() > kMaxChannels) std::abort();
  // The runs of cells read as 0 lie within the rows and the counts.
  if (t.unreadRuns.size() != t.columns.size()) std::abort();
  std::vector<int> all;
  for (size_t k = 0; k < t.columns.size(); ++k) {
    int64_t inRuns = 0;
    for (const UnreadRun& r : t.unreadRuns[k]) {
      if (r.rows < 1 || r.firstRow < 0 || r.firstRow + r.rows > static_cast<int64_t>(rows) || r.line < 1) std::abort();
      inRuns += r.rows;
    }
    if (inRuns > t.unreadCells[k] || t.unreadRuns[k].size() > kUnreadRunsKept) std::abort();
    all.push_back(static_cast<int>(k));
  }
  const int64_t unread = std::accumulate(t.unreadCells.begin(), t.unreadCells.end(), int64_t{0});
  if (UnreadCellsNotice(t, all).empty() != (unread == 0)) std::abort();
  const double interval = IntervalFromColumn(t, t.timeColumn, t.timeKind);
  if (!(interval > 0.0)) std::abort();
  TextImportChoice choice;
  for (int k = 0; k < static_cast<int>(t.columns.size()) && choice.columns.size() < 32; ++k)
    if (k != t.timeColumn) choice.columns.push_back(k);
  choice.interval = interval;
  DataFileImage img;
  if (!choice.columns.empty()) BuildImageFromText(std::move(t), choice, &img);
  return 0;
}
