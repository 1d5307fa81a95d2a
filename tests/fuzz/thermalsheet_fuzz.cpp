// Any bytes as a thermal-physiology spreadsheet: read within its limits or
// refused; every row has the header's width, and a results file can be made
// from what was read.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "thermoregulation/batch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ThermalSheet sheet;
  const SheetStatus st = ParseThermalSheet(std::string_view(reinterpret_cast<const char*>(data), size), &sheet);
  if (st != SheetStatus::Ok) {
    if (SheetRefusalText(st, sheet).empty()) std::abort();
    return 0;
  }
  if ((sheet.wideLines > 0) != !SheetNotice(sheet).empty()) std::abort();
  const size_t n = sheet.header.size();
  if (n == 0 || n > static_cast<size_t>(kMaxSheetColumns) || sheet.rows.size() > static_cast<size_t>(kMaxSheetRows))
    std::abort();
  SheetColumns cols{};
  for (size_t v = 0; v < cols.size(); ++v) cols[v] = static_cast<int16_t>(v % (n + 1));
  std::vector<RowOutcome> results(sheet.rows.size());
  for (size_t r = 0; r < sheet.rows.size(); ++r) {
    if (sheet.rows[r].size() != n) std::abort();
    for (const auto& cell : sheet.rows[r])
      if (cell.size() > kMaxSheetCellBytes) std::abort();
    (void)SheetAnimalOf(sheet.rows[r], cols, r % 2 == 0, true, true);
  }
  std::array<bool, 16> ticked{};
  ticked.fill(true);
  (void)ResultsFileText(sheet, results, ticked, ',');
  return 0;
}
