#include "datafiles/text_import.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "datafiles/filehelpers.h"
#include "platform/macroman.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/worktables.h"

namespace {

struct Field {
  std::string_view raw;  // without the surrounding quotes
  bool quoted = false;
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Splits one record; a delimiter or line end inside quotes is data. Returns
// false at the end of the input.
bool nextRecord(const char*& p, const char* end, char delim, std::vector<Field>& fields) {
  fields.clear();
  if (p >= end) return false;
  for (;;) {
    Field f;
    while (p < end && *p == ' ') ++p;
    if (p < end && *p == '"') {
      const char* start = ++p;
      while (p < end) {
        if (*p == '"') {
          if (p + 1 < end && p[1] == '"') {
            p += 2;
            continue;
          }
          break;
        }
        ++p;
      }
      f.raw = std::string_view(start, static_cast<size_t>(p - start));
      f.quoted = true;
      if (p < end) ++p;  // closing quote
      while (p < end && *p != delim && *p != '\r' && *p != '\n') ++p;  // stray text after it
    } else {
      const char* start = p;
      while (p < end && *p != delim && *p != '\r' && *p != '\n') ++p;
      f.raw = std::string_view(start, static_cast<size_t>(p - start));
    }
    fields.push_back(f);
    if (p >= end) return true;
    if (*p == delim) {
      ++p;
      continue;
    }
    if (*p == '\r') ++p;
    if (p < end && *p == '\n') ++p;
    return true;
  }
}

std::string unquote(const Field& f) {
  std::string s(f.raw);
  if (f.quoted) {
    size_t at = 0;
    while ((at = s.find("\"\"", at)) != std::string::npos) s.erase(at++, 1);
  }
  return s;
}

bool recordBlank(const std::vector<Field>& fields) {
  for (const Field& f : fields)
    for (char c : f.raw)
      if (!isBlank(c)) return false;
  return true;
}

// A finite number; '+' and, with decimalComma, one comma as the point allowed.
bool readNumber(std::string_view s, bool decimalComma, float* v) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  if (!s.empty() && s.front() == '+') {
    s.remove_prefix(1);
    if (!s.empty() && s.front() == '-') return false;
  }
  if (s.empty() || s.size() > 64) return false;
  const char c0 = s.front() == '-' && s.size() > 1 ? s[1] : s.front();
  if (!((c0 >= '0' && c0 <= '9') || c0 == '.' || (decimalComma && c0 == ','))) return false;  // no inf/nan
  char buf[64];
  if (decimalComma && s.find(',') != std::string_view::npos) {
    std::memcpy(buf, s.data(), s.size());
    for (size_t i = 0; i < s.size(); ++i)
      if (buf[i] == ',') buf[i] = '.';
    s = std::string_view(buf, s.size());
  }
  float x = 0.0f;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), x);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(x)) return false;
  *v = x;
  return true;
}

int digitsAt(std::string_view s, size_t& i, int maxDigits) {
  int v = 0, k = 0;
  while (i < s.size() && k < maxDigits && s[i] >= '0' && s[i] <= '9') {
    v = v * 10 + (s[i++] - '0');
    ++k;
  }
  return k == 0 ? -1 : v;
}

// "yyyy-mm-dd", "mm/dd/yyyy" or "dd.mm.yyyy".
bool readDate(std::string_view s, CivilDate* d) {
  size_t i = 0;
  const int a = digitsAt(s, i, 4);
  if (a < 0 || i >= s.size()) return false;
  const char sep = s[i];
  const size_t aLen = i;
  ++i;
  const int b = digitsAt(s, i, 2);
  if (b < 0 || i >= s.size() || s[i] != sep) return false;
  ++i;
  const size_t cStart = i;
  const int c = digitsAt(s, i, 4);
  if (c < 0 || i != s.size()) return false;
  CivilDate out;
  if (sep == '-' && aLen == 4) out = {a, b, c};
  else if (sep == '/' && i - cStart == 4) out = {c, a, b};
  else if (sep == '.' && i - cStart == 4) out = {c, b, a};
  else return false;
  if (out.month < 1 || out.month > 12 || out.day < 1 || out.day > DaysInMonth(out.month, out.year)) return false;
  *d = out;
  return true;
}

// "h:mm", "h:mm:ss" or "h:mm:ss.fff", optionally with AM/PM and a leading
// date ("2024-03-14 09:30:00", "03/14/2024 9:30:00 PM", ISO 'T').
bool readClock(std::string_view s, double* secondsOfDay, CivilDate* date, bool* hasDate) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  if (s.size() < 4 || s.size() > 40) return false;
  *hasDate = false;
  const size_t split = s.find_first_of(" T");
  if (split != std::string_view::npos && s.find(':') > split) {
    if (!readDate(s.substr(0, split), date)) return false;
    *hasDate = true;
    s.remove_prefix(split + 1);
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  }
  int ampm = 0;
  if (s.size() > 2) {
    const std::string_view tail = s.substr(s.size() - 2);
    if (tail == "AM" || tail == "am") ampm = 1;
    if (tail == "PM" || tail == "pm") ampm = 2;
    if (ampm) {
      s.remove_suffix(2);
      while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    }
  }
  size_t i = 0;
  int h = digitsAt(s, i, 2);
  if (h < 0 || i >= s.size() || s[i] != ':') return false;
  ++i;
  const size_t mStart = i;
  const int m = digitsAt(s, i, 2);
  if (m < 0 || i - mStart != 2) return false;
  double sec = 0.0;
  if (i < s.size()) {
    if (s[i] != ':') return false;
    ++i;
    const size_t sStart = i;
    const int whole = digitsAt(s, i, 2);
    if (whole < 0 || i - sStart != 2) return false;
    sec = whole;
    if (i < s.size()) {
      if (s[i] != '.' && s[i] != ',') return false;
      ++i;
      double scale = 0.1;
      const size_t fStart = i;
      while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        sec += (s[i++] - '0') * scale;
        scale /= 10;
      }
      if (i == fStart || i != s.size()) return false;
    }
  }
  if (ampm) {
    if (h < 1 || h > 12) return false;
    h = h % 12 + (ampm == 2 ? 12 : 0);
  }
  if (h > 23 || m > 59 || sec >= 60.0) return false;
  *secondsOfDay = h * 3600.0 + m * 60.0 + sec;
  return true;
}

bool isClock(std::string_view s) {
  double t;
  CivilDate d;
  bool hasDate;
  return readClock(s, &t, &d, &hasDate);
}

bool validUtf8(std::string_view s, bool* anyHigh) {
  *anyHigh = false;
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= s.size() + (extra == 0 ? 1 : 0)) return false;
    for (int k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0xC0) != 0x80) return false;
    if (extra) *anyHigh = true;
    i += static_cast<size_t>(extra) + 1;
  }
  return true;
}

char chooseDelimiter(std::string_view text) {
  int tabLines = 0, semiLines = 0, lines = 0;
  size_t at = 0;
  while (at < text.size() && lines < 20) {
    size_t eol = text.find_first_of("\r\n", at);
    if (eol == std::string_view::npos) eol = text.size();
    const std::string_view line = text.substr(at, eol - at);
    at = eol + 1;
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
    ++lines;
    bool inQuotes = false, tab = false, semi = false;
    for (char c : line) {
      if (c == '"') inQuotes = !inQuotes;
      else if (!inQuotes && c == '\t') tab = true;
      else if (!inQuotes && c == ';') semi = true;
    }
    tabLines += tab;
    semiLines += semi;
  }
  if (lines == 0) return ',';
  if (tabLines * 2 >= lines) return '\t';
  if (semiLines * 2 >= lines) return ';';
  return ',';
}

bool looksLikeCommaNumber(std::string_view s) {
  s = trim(s);
  const size_t comma = s.find(',');
  return comma != std::string_view::npos && comma > 0 && comma + 1 < s.size() &&
         s.find_first_not_of("+-0123456789,") == std::string_view::npos && s.find(',', comma + 1) == std::string_view::npos;
}

bool looksLikePointNumber(std::string_view s) {
  s = trim(s);
  return s.find('.') != std::string_view::npos && s.find_first_not_of("+-0123456789.eE") == std::string_view::npos;
}

bool nameSaysTime(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::string t = TrimTrailingBlanks(name);
  return t.find("time") != std::string::npos || t.find("sec") != std::string::npos ||
         t.find("elapsed") != std::string::npos || t == "t" || t.rfind("t (", 0) == 0 || t.rfind("t [", 0) == 0;
}

}  // namespace

FileStatus ParseDelimitedText(std::string_view text, TextTable* out) {
  TextTable t;
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (text.find('\0') != std::string_view::npos) return FileStatus::BadFormat;  // binary, or UTF-16
  bool anyHigh = false;
  const bool utf8 = validUtf8(text, &anyHigh) && anyHigh;
  t.delimiter = chooseDelimiter(text);

  const char* p = text.data();
  const char* end = p + text.size();
  std::vector<Field> fields;

  // Header lines: leading records with a cell that is neither empty, a
  // number nor a clock time. Numbers are judged both ways here, as the
  // decimal comma is not settled until the data rows are seen.
  std::vector<std::string> lastHeader;
  const char* dataStart = p;
  while (nextRecord(p, end, t.delimiter, fields)) {
    if (recordBlank(fields)) {
      dataStart = p;
      ++t.headerLines;
      continue;
    }
    bool header = false;
    for (const Field& f : fields) {
      const std::string_view s = trim(f.raw);
      float v;
      if (s.empty() || readNumber(s, false, &v) || readNumber(s, t.delimiter != ',', &v) || isClock(s)) continue;
      header = true;
      break;
    }
    if (!header) break;
    lastHeader.clear();
    for (const Field& f : fields) lastHeader.push_back(TrimTrailingBlanks(trim(unquote(f))));
    ++t.headerLines;
    dataStart = p;
  }

  // Decimal comma: only without comma delimiters, and only when the numbers
  // of the first data rows show commas and never a point.
  if (t.delimiter != ',') {
    bool commaSeen = false, pointSeen = false;
    const char* q = dataStart;
    for (int r = 0; r < 50 && nextRecord(q, end, t.delimiter, fields); ++r)
      for (const Field& f : fields) {
        if (isClock(f.raw)) continue;
        commaSeen |= looksLikeCommaNumber(f.raw);
        pointSeen |= looksLikePointNumber(f.raw);
      }
    t.decimalComma = commaSeen && !pointSeen;
  }

  // Data rows.
  p = dataStart;
  bool firstRow = true;
  size_t rows = 0;
  bool dateFound = false;
  CivilDate firstDate;
  while (nextRecord(p, end, t.delimiter, fields)) {
    if (recordBlank(fields)) continue;
    if (rows >= static_cast<size_t>(kMaxCases)) return FileStatus::TooManyCases;
    if (fields.size() > t.columns.size()) {
      if (fields.size() > 4096) return FileStatus::TooManyColumns;
      const size_t old = t.columns.size();
      try {
        t.columns.resize(fields.size(), std::vector<float>(rows, 0.0f));
      } catch (const std::bad_alloc&) {
        return FileStatus::OutOfMemory;
      }
      t.unreadCells.resize(fields.size(), static_cast<int64_t>(rows));
      t.clockColumn.resize(fields.size(), false);
      t.firstCells.resize(fields.size());
      for (size_t k = old; k < fields.size(); ++k)
        if (firstRow) t.clockColumn[k] = isClock(fields[k].raw);
    }
    for (size_t k = 0; k < t.columns.size(); ++k) {
      float v = 0.0f;
      bool ok = false;
      if (k < fields.size()) {
        const std::string_view s = fields[k].raw;
        if (firstRow) t.firstCells[k] = TrimTrailingBlanks(trim(unquote(fields[k])));
        ok = readNumber(s, t.decimalComma, &v);
        if (!ok && t.clockColumn[k]) {
          double sec;
          CivilDate d;
          bool hasDate;
          ok = readClock(s, &sec, &d, &hasDate);
          v = static_cast<float>(sec);
          if (ok && hasDate && !dateFound) {
            dateFound = true;
            firstDate = d;
          }
        }
      }
      if (!ok) {
        v = 0.0f;
        ++t.unreadCells[k];
      }
      try {
        t.columns[k].push_back(v);
      } catch (const std::bad_alloc&) {
        return FileStatus::OutOfMemory;
      }
    }
    firstRow = false;
    ++rows;
  }

  // A delimiter closing every line leaves an empty last column behind.
  while (t.columns.size() > 1 && t.unreadCells.back() == static_cast<int64_t>(rows) &&
         t.firstCells.back().empty() && (lastHeader.size() < t.columns.size() || lastHeader[t.columns.size() - 1].empty())) {
    t.columns.pop_back();
    t.unreadCells.pop_back();
    t.clockColumn.pop_back();
    t.firstCells.pop_back();
  }
  if (rows < 2) return FileStatus::TooFewCases;

  for (size_t k = 0; k < t.columns.size(); ++k) {
    std::string name = k < lastHeader.size() ? lastHeader[k] : std::string();
    if (utf8) name = plat::utf8ToMacRoman(name);
    if (name.empty()) name = "column " + std::to_string(k + 1);
    t.names.push_back(std::move(name));
  }

  // The time column: the first clock-time column, else the first column
  // named like a time whose values never fall.
  for (size_t k = 0; k < t.columns.size() && t.timeColumn < 0; ++k)
    if (t.clockColumn[k]) {
      t.timeColumn = static_cast<int>(k);
      t.timeKind = TimeKind::Clock;
    }
  for (size_t k = 0; k < t.columns.size() && t.timeColumn < 0; ++k) {
    if (!nameSaysTime(t.names[k]) || t.unreadCells[k] != 0) continue;
    const auto& c = t.columns[k];
    if (std::is_sorted(c.begin(), c.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(c.size(), 1000)))) {
      t.timeColumn = static_cast<int>(k);
      t.timeKind = TimeKind::Elapsed;
    }
  }
  if (t.dataColumns() > kMaxChannels) return FileStatus::TooManyColumns;
  if (t.timeColumn >= 0) {
    t.suggestedInterval = IntervalFromColumn(t, t.timeColumn, t.timeKind);
    if (t.timeKind == TimeKind::Clock)
      t.suggestedStartTime = ClockText(static_cast<int32_t>(t.columns[static_cast<size_t>(t.timeColumn)][0]));
  }
  if (dateFound) t.suggestedStartDate = DateText(firstDate);
  *out = std::move(t);
  return FileStatus::Ok;
}

FileStatus ReadDelimitedTextFile(const std::filesystem::path& path, TextTable* out) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return FileStatus::CannotOpen;
  const uint64_t size = std::filesystem::file_size(path, ec);
  if (ec) return FileStatus::CannotOpen;
  std::string bytes;
  try {
    bytes.resize(size);
  } catch (const std::bad_alloc&) {
    return FileStatus::OutOfMemory;
  }
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return FileStatus::CannotOpen;
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  if (got != bytes.size()) return FileStatus::CannotOpen;
  return ParseDelimitedText(bytes, out);
}

double IntervalFromColumn(const TextTable& table, int column, TimeKind kind) {
  if (column < 0 || static_cast<size_t>(column) >= table.columns.size()) return 1.0;
  const auto& c = table.columns[static_cast<size_t>(column)];
  const size_t n = std::min<size_t>(c.size(), 10'001);
  std::vector<double> steps;
  for (size_t i = 1; i < n; ++i) {
    double d = static_cast<double>(c[i]) - c[i - 1];
    if (kind == TimeKind::Clock && d < 0) d += 86400.0;
    steps.push_back(d);
  }
  if (steps.empty()) return 1.0;
  std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2), steps.end());
  const double median = steps[steps.size() / 2];
  if (!(median > 0.0) || !std::isfinite(median)) return 1.0;
  // Clock texts of whole seconds, and float storage, leave jitter below a
  // millisecond that is not part of the interval.
  return std::round(median * 1e6) / 1e6;
}

FileStatus BuildImageFromText(TextTable&& table, const TextImportChoice& choice, DataFileImage* out,
                              int64_t* unreadCells) {
  if (choice.columns.empty()) return FileStatus::NoChannels;
  if (choice.columns.size() > static_cast<size_t>(kMaxChannels)) return FileStatus::TooManyChannels;
  const int32_t rows = table.rows();
  if (rows < 2) return FileStatus::TooFewCases;
  if (rows > kMaxCases) return FileStatus::TooManyCases;
  for (int k : choice.columns)
    if (k < 0 || static_cast<size_t>(k) >= table.columns.size() ||
        std::count(choice.columns.begin(), choice.columns.end(), k) != 1)
      return FileStatus::BadRange;

  DataFileImage img;
  img.cases = rows;
  img.interval = static_cast<float>(choice.interval);
  img.startDate = choice.startDate;
  img.startTime = choice.startTime;
  int64_t unread = 0;
  try {
    for (int k : choice.columns) {
      const auto i = static_cast<size_t>(k);
      std::vector<float> ch;
      ch.reserve(static_cast<size_t>(rows) + 1);
      ch.push_back(table.columns[i][0]);
      ch.insert(ch.end(), table.columns[i].begin(), table.columns[i].end());
      std::vector<float>().swap(table.columns[i]);
      img.data.push_back(std::move(ch));
      img.labels.push_back(FitLabel(table.names[i]));
      img.travel.push_back(TravelValues{});
      unread += table.unreadCells[i];
    }
  } catch (const std::bad_alloc&) {
    return FileStatus::OutOfMemory;
  }
  *out = std::move(img);
  if (unreadCells) *unreadCells = unread;
  return FileStatus::Ok;
}

FileStatus ImportTextColumns(TextTable&& table, const TextImportChoice& choice, const std::string& name,
                             const std::string& path, int16_t* slotOut, RepairReport* report,
                             int64_t* unreadCells) {
  if (FindFreeSlot() < 0) return FileStatus::TooManyFiles;
  DataFileImage img;
  if (const FileStatus st = BuildImageFromText(std::move(table), choice, &img, unreadCells); st != FileStatus::Ok)
    return st;
  const RepairReport r = RepairImage(img);
  int16_t slot = -1;
  if (const FileStatus st = InstallImage(std::move(img), name, path, &slot); st != FileStatus::Ok) return st;
  TheFileInUse = static_cast<uint16_t>(slot);
  parse[0] = 0;
  timstring[1] = kTextFileTypeText;
  FileJustLoaded = 1;
  if (report) *report = r;
  if (slotOut) *slotOut = slot;
  return FileStatus::Ok;
}

std::string UnreadCellsNotice(int64_t unreadCells) {
  if (unreadCells <= 0) return "";
  return std::to_string(unreadCells) +
         (unreadCells == 1 ? " cell was not a number and was read as 0." : " cells were not numbers and were read as 0.");
}
