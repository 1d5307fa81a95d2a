#include "thermoregulation/batch.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/macroman.h"
#include "shell/defaults.h"
#include "shell/textutil.h"

namespace {

constexpr float kWattsPerMlO2 = 0.335f;

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// One line's cells, split at the commas outside quotes: a cell that opens
// with a quote (after blanks) runs to its closing quote, a doubled quote
// inside standing for one, and text after the closing quote is dropped, as
// the text import reads cells. At most maxCells cells are kept, each cut to
// the cell store's 255 characters, so a line of a million commas costs no
// more than a short one; *count is every cell of the line. False, with
// *open at the opening quote, when a quote is still open at the line's end.
bool splitCells(std::string_view line, size_t maxCells, std::vector<std::string>* cells, size_t* count,
                size_t* open) {
  cells->clear();
  *count = 0;
  size_t i = 0;
  for (;;) {
    std::string cell;
    size_t j = i;
    while (j < line.size() && line[j] == ' ') ++j;
    if (j < line.size() && line[j] == '"') {
      const size_t quote = j++;
      for (;;) {
        if (j >= line.size()) {
          *open = quote;
          return false;
        }
        if (line[j] == '"') {
          if (j + 1 < line.size() && line[j + 1] == '"') {
            if (cell.size() < kMaxSheetCellBytes) cell += '"';
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        if (cell.size() < kMaxSheetCellBytes) cell += line[j];
        ++j;
      }
      const size_t comma = line.find(',', j);
      i = comma == std::string_view::npos ? line.size() : comma;
    } else {
      const size_t comma = line.find(',', i);
      const size_t stop = comma == std::string_view::npos ? line.size() : comma;
      cell.assign(line.substr(i, std::min(stop - i, kMaxSheetCellBytes)));
      i = stop;
    }
    ++*count;
    if (cells->size() < maxCells) cells->push_back(std::move(cell));
    if (i >= line.size()) return true;
    ++i;   // the comma
  }
}

// Where a quote opened at `at` closes, reading doubled quotes as one; npos
// when it never does.
size_t closingQuote(std::string_view text, size_t at) {
  for (size_t j = at + 1; j < text.size(); ++j) {
    if (text[j] != '"') continue;
    if (j + 1 < text.size() && text[j + 1] == '"') {
      ++j;
      continue;
    }
    return j;
  }
  return std::string_view::npos;
}

// Line of an offset of a text whose lines all end in a carriage return.
int64_t lineAt(std::string_view text, size_t offset) {
  return 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(std::min(offset, text.size())), '\r');
}

// A cell as the results file writes it: quoted, quotes doubled, when it
// holds the separator, a quote or a line end, so that a name with a comma
// keeps its row's columns in place.
std::string outCell(const std::string& s, char sep) {
  if (s.find_first_of(std::string{sep, '"', '\r', '\n'}) == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + '"';
}

std::string valueText(double v) { return std::isfinite(v) && v != 0 ? NumText(static_cast<float>(v)) : " "; }

// Blanked as the file writes cells: "-NAN...", "INF..." or exactly "0".
std::string fileCell(const std::string& s) {
  if (s.rfind("-NAN", 0) == 0 || s.rfind("INF", 0) == 0 || s == "0") return " ";
  return s;
}

}  // namespace

const char* SheetStatusText(SheetStatus s) {
  switch (s) {
    case SheetStatus::Ok: return "";
    case SheetStatus::Empty: return "The spreadsheet holds no header line.";
    case SheetStatus::TooManyColumns: return "The spreadsheet has more than 45 columns; at most 45 can be read.";
    case SheetStatus::TooManyRows:
      return "The spreadsheet has more than 799 data rows; at most 799 can be read. Split it into smaller sheets.";
    case SheetStatus::QuoteAcrossLines:
      return "A quoted cell of the spreadsheet runs across lines; nothing was read.";
    case SheetStatus::TooLarge:
      return "The file is larger than a spreadsheet of 799 rows and 45 columns can be; nothing was read.";
  }
  return "";
}

std::string SheetRefusalText(SheetStatus s, const ThermalSheet& sheet) {
  if (s == SheetStatus::QuoteAcrossLines && sheet.quoteLine > 0) {
    const std::string opens = "The quoted cell that opens on line " + std::to_string(sheet.quoteLine) + " of the spreadsheet ";
    return opens +
           (sheet.quoteCloseLine > 0 ? "closes only on line " + std::to_string(sheet.quoteCloseLine) +
                                           ", so the lines between would be read as one cell."
                                     : "never closes.") +
           " Nothing was read.";
  }
  return SheetStatusText(s);
}

std::string SheetNotice(const ThermalSheet& sheet) {
  if (sheet.wideLines == 0) return "";
  std::string n = "Line " + std::to_string(sheet.firstWideLine) + " of the spreadsheet has " +
                  std::to_string(sheet.firstWideCells) + " cells, more than its " +
                  std::to_string(sheet.header.size()) + " column names; the cells past them were left out.";
  if (sheet.wideLines > 1) n += " So were those of " + std::to_string(sheet.wideLines - 1) + " more such lines.";
  return n;
}

SheetStatus ParseThermalSheet(std::string_view diskBytes, ThermalSheet* out) {
  if (diskBytes.substr(0, 3) == "\xEF\xBB\xBF") diskBytes.remove_prefix(3);
  // The cells are the program's text from here on, as every label is.
  const std::string text = plat::fromDiskText(diskBytes);
  const std::string_view bytes = text;
  // Lines are taken one at a time and never all held, so memory follows the
  // cells kept, not the file's line count.
  size_t pos = 0;
  bool lastHadEnd = false;
  auto nextLine = [&](std::string_view* line) {
    if (pos >= bytes.size()) return false;
    const size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      *line = bytes.substr(pos);
      pos = bytes.size();
      lastHadEnd = false;
      return true;
    }
    *line = bytes.substr(pos, end - pos);
    pos = end + 1;
    if (bytes[end] == '\r' && pos < bytes.size() && bytes[pos] == '\n') ++pos;
    lastHadEnd = true;
    return true;
  };
  std::string_view line;
  int64_t lineNo = 0;
  // A quote still open at a line's end is refused, with the lines it spans.
  const auto split = [&](size_t maxCells, std::vector<std::string>* cells, size_t* count) {
    size_t open = 0;
    if (splitCells(line, maxCells, cells, count, &open)) return true;
    const auto at = static_cast<size_t>(line.data() - bytes.data()) + open;
    out->quoteLine = lineNo;
    const size_t close = closingQuote(bytes, at);
    out->quoteCloseLine = close == std::string_view::npos ? 0 : lineAt(bytes, close);
    return false;
  };
  if (!nextLine(&line) || trimmed(line).empty()) return SheetStatus::Empty;
  lineNo = 1;
  ThermalSheet sheet;
  size_t count = 0;
  if (!split(kMaxSheetColumns + 1, &sheet.header, &count)) return SheetStatus::QuoteAcrossLines;
  const size_t n = sheet.header.size();
  if (n > static_cast<size_t>(kMaxSheetColumns)) return SheetStatus::TooManyColumns;
  sheet.headerLineEnd = lastHadEnd;
  std::vector<std::string> row;
  while (nextLine(&line)) {
    ++lineNo;
    if (trimmed(line).empty()) continue;
    if (sheet.rows.size() == static_cast<size_t>(kMaxSheetRows)) return SheetStatus::TooManyRows;
    if (!split(n, &row, &count)) return SheetStatus::QuoteAcrossLines;
    if (count > n && sheet.wideLines++ == 0) {
      sheet.firstWideLine = lineNo;
      sheet.firstWideCells = static_cast<int64_t>(count);
    }
    row.resize(n);
    sheet.rows.push_back(std::move(row));
    row = {};
  }
  *out = std::move(sheet);
  return SheetStatus::Ok;
}

bool SheetYes(std::string_view cell, bool dayCountsAsYes) {
  const std::string_view c = trimmed(cell);
  if (c == "yes" || c == "YES" || c == "y" || c == "Y" || c == "1") return true;
  return dayCountsAsYes && (c == "D" || c == "d");
}

bool SheetColumnsComplete(const SheetColumns& c) { return c[kTb] && c[kC] && c[kLct] && c[kBmr]; }

SheetAnimal SheetAnimalOf(const std::vector<std::string>& row, const SheetColumns& c, bool bmrInWatts, bool windUsed,
                          bool shelterUsed) {
  auto cell = [&](int v) -> std::string {
    const int col = c[static_cast<size_t>(v)];
    return col >= 1 && static_cast<size_t>(col) <= row.size() ? row[static_cast<size_t>(col) - 1] : std::string();
  };
  auto number = [&](int v) { return static_cast<float>(TextToNum(trimmed(cell(v)))); };
  SheetAnimal a;
  a.animal.useSun = SheetYes(cell(kUseSun), false);
  a.torpor = SheetYes(cell(kTorpor), false);
  if (a.torpor) a.minTorporTb = number(kMinTb);
  a.diurnal = SheetYes(cell(kDiurnal), true);
  a.animal.shelter = shelterUsed && SheetYes(cell(kShelter), true);
  a.animal.tb = number(kTb);
  a.animal.conductance = number(kC);
  a.animal.lct = number(kLct);
  a.animal.bmr = bmrInWatts ? number(kBmr) : number(kBmr) * kWattsPerMlO2;
  a.animal.mass = windUsed ? number(kMass) : 0.0f;
  a.compute = a.animal.conductance > 0;
  return a;
}

std::array<std::string, kRowResults> RowResultTexts(const TregResult& r, float b) {
  std::array<std::string, kRowResults> t;
  const double mean = r.mean;
  t[0] = valueText(mean);
  double ratio = std::max<double>(b, mean) / b;
  if (std::isfinite(ratio) && ratio < 1.0001) ratio = 1;
  t[1] = valueText(ratio);
  t[2] = r.highest > 0 ? NumText(r.highest) : " ";
  t[3] = r.highest > 0 && b > 0 ? NumText(r.highest / b) : " ";
  const double windows[] = {r.h6, r.h12, r.hday};
  for (int i = 0; i < 3; ++i) {
    const double h = windows[i] > 0 ? windows[i] : 0.0;
    t[static_cast<size_t>(4 + 2 * i)] = valueText(h);
    t[static_cast<size_t>(5 + 2 * i)] = valueText(h / b);
  }
  t[10] = valueText(r.atBMR * 100.0 / r.totalCases);
  const double notBmr = r.aboveBMR >= 1 ? r.aboveSum / r.aboveBMR : 0.0;
  t[11] = NumText(static_cast<float>(notBmr));
  const double x = notBmr / b;
  t[12] = std::isfinite(x) && x <= 30 && x >= 1 ? NumText(static_cast<float>(x)) : " ";
  if (r.torporUsed) {
    const double tm = r.torporSum / r.torporCases;
    t[13] = valueText(tm);
    t[14] = valueText(tm > 0 ? tm / b : 0.0);
    t[15] = valueText(r.torporCases * 100.0 / r.totalCases);
  } else {
    t[13] = t[14] = t[15] = " ";
  }
  return t;
}

int ResultOfBox(int box) {
  static const int k[] = {0, 2, 3, 4, 11, 12, 13, 9, 10, 14, 15, 16, 5, 6, 7, 8};
  return box >= 1 && box <= 15 ? k[box] : 0;
}

const char* ResultHead(int k) {
  static const char* const heads[] = {"",
                                      "mean cost (w) ",
                                      "X BMR",
                                      "highest single cost (w) ",
                                      "highest single cost X BMR",
                                      "highest 6 hours (w) ",
                                      "highest 6 h X BMR",
                                      "highest 12 hours (w) ",
                                      "highest 12 h X BMR",
                                      "highest day (w) ",
                                      "highest day X BMR",
                                      "% at BMR",
                                      "mean not BMR (w) ",
                                      "increase when not BMR",
                                      "torpor mean (w) ",
                                      "torpor mean X BMR",
                                      "% in torpor"};
  return k >= 1 && k <= 16 ? heads[k] : "";
}

const char* ResultBoxTitle(int box) {
  static const char* const titles[] = {"",
                                       " Mean as X BMR",
                                       " Highest Cost (watts) ",
                                       " Highest Cost as X BMR",
                                       " % of Time at BMR",
                                       " Mean When Not at BMR (watts) ",
                                       " Mean When Not at BMR as X BMR",
                                       " Highest Daily Mean (watts) ",
                                       " Highest Daily Mean as X BMR",
                                       " Mean Torpor MR (watts) ",
                                       " Mean Torpor MR as X BMR",
                                       " % of Time in Torpor",
                                       " Highest 6 hours (watts) ",
                                       " Highest  6 hours as X BMR",
                                       " Highest 12 hours (watts) ",
                                       " Highest 12 hours as X BMR"};
  return box >= 1 && box <= 15 ? titles[box] : "";
}

std::string ResultsFileText(const ThermalSheet& sheet, const std::vector<RowOutcome>& results,
                            const std::array<bool, 16>& ticked, char sep) {
  // Results in the order of the table: k = 2..16, each shown when its box is ticked.
  std::vector<int> shown;
  for (int k = 2; k <= kRowResults; ++k)
    for (int box = 1; box <= 15; ++box)
      if (ResultOfBox(box) == k && ticked[static_cast<size_t>(box)]) shown.push_back(k);
  std::string out;
  for (size_t i = 0; i < sheet.header.size(); ++i) {
    out += outCell(sheet.header[i] + (i + 1 == sheet.header.size() && sheet.headerLineEnd ? " " : ""), sep);
    out += sep;
  }
  out += ResultHead(1);
  for (int k : shown) {
    out += sep;
    out += ResultHead(k);
  }
  out += '\n';
  for (size_t r = 0; r < sheet.rows.size(); ++r) {
    for (const std::string& cell : sheet.rows[r]) {
      out += outCell(fileCell(cell), sep);
      out += sep;
    }
    const RowOutcome* o = r < results.size() ? &results[r] : nullptr;
    auto appendResult = [&](int k) {
      if (!o || !o->computed) {
        out += ' ';
        return;
      }
      const std::string& s = o->texts[static_cast<size_t>(k - 1)];
      const bool blank = s == " " || s.rfind("-NAN", 0) == 0 || s.rfind("INF", 0) == 0 || s == "0";
      if (blank) out += (k == 11 || k == 16) ? '0' : ' ';
      else out += s;
    };
    appendResult(1);
    for (int k : shown) {
      out += sep;
      appendResult(k);
    }
    out += '\n';
  }
  return plat::toDiskText(out);
}

std::string MetadataText(const MetadataInfo& info) {
  std::string m = "______________________\nMETADATA\n";
  m += "Climate data file = '" + info.climateFile + "'\n";
  m += "Thermal physiology source spreadsheet = '" + info.sheetFile + "'\n";
  m += SunUseAllowed ? "Sun basking is allowed (if available in microhabitat) \n" : "No access to sunlight permitted\n";
  m += variableTb ? "Tb is" + NumText(TbChange) + " degrees higher during the active phase\n"
                  : "Tb is assumed to be constant\n";
  m += variableConductance ? "Conductance is" + NumText(ActivePhaseConductanceIncrease) + " -X higher during the active phase\n"
                           : "Conductance is assumed to be constant\n";
  if (CalculationsCanUseTorpor) {
    m += "Torpor is allowed (if species can use it) \n";
    m += "       Torpor Q10 = " + NumText(TorporQ10) + "\n";
    m += "       Torpor starts" + NumText(TorporStartLag) + " hours after dusk and ends" + NumText(TorporEndLag) +
         " hours before dawn\n";
    m += "       Torpor entry & arousal time is" + NumText(TorporEntryTime) + " hours\n";
  } else {
    m += "Torpor is not permitted\n";
  }
  if (ComputeDawnAndDusk) {
    m += "Dawn and dusk computed from location:   " + NumText(std::fabs(latitude)) +
         (northLatitude ? " degrees N    " : " degrees S    ") + NumText(std::fabs(longitude)) +
         (westLongitude ? " degrees W    " : " degrees E    ") + "\n";
  } else {
    m += "Day length constant:  dawn is at  " + NumText(DaytimeStart) + "     dusk is at " + NumText(DaytimeEnd) + "\n";
  }
  return plat::toDiskText(m);
}
