// Any bytes as a delimited text file: parsed or refused, and a parsed table
// builds an image from its first columns.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

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
