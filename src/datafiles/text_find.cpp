#include "datafiles/text_find.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "datafiles/text_cells.h"
#include "datafiles/text_notices.h"
#include "shell/textutil.h"

namespace textimport {

namespace {

bool looksLikeCommaNumber(std::string_view s) {
  s = trim(s);
  const size_t comma = s.find(',');
  return comma != std::string_view::npos && comma > 0 && comma + 1 < s.size() &&
         s.find_first_not_of("+-0123456789,") == std::string_view::npos && s.find(',', comma + 1) == std::string_view::npos;
}

// One point only: "14.03.2024" is a date, and says nothing of the decimal mark.
bool looksLikePointNumber(std::string_view s) {
  s = trim(s);
  const size_t point = s.find('.');
  return point != std::string_view::npos && s.find('.', point + 1) == std::string_view::npos &&
         s.find_first_not_of("+-0123456789.eE") == std::string_view::npos;
}

enum class CellKind { Empty, Number, Text };

// How a cell looks for telling header lines from data: missing-value marks,
// infinities and numbers no float holds are numbers here, though they read
// as 0.
CellKind cellKind(const Field& f, char delim) {
  const std::string_view s = trim(f.raw);
  if (s.empty()) return CellKind::Empty;
  float v;
  if (readNumber(s, false, &v) || readNumber(s, delim != ',', &v) || isClock(s)) return CellKind::Number;
  if (f.quoted && readGrouped(s, &v)) return CellKind::Number;
  std::string w(s);
  std::transform(w.begin(), w.end(), w.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (!w.empty() && (w[0] == '+' || w[0] == '-')) w.erase(0, 1);
  for (const char* mark : {"", "na", "n/a", "#n/a", "nan", "inf", "infinity", "null", "missing"})
    if (w == mark) return CellKind::Number;
  // [digits][.digits]e[+-]digits out of range
  size_t i = 0, digits = 0;
  for (; i < w.size() && std::isdigit(static_cast<unsigned char>(w[i])); ++i) ++digits;
  if (i < w.size() && (w[i] == '.' || w[i] == ',')) ++i;
  for (; i < w.size() && std::isdigit(static_cast<unsigned char>(w[i])); ++i) ++digits;
  if (digits > 0 && i < w.size() && w[i] == 'e') {
    ++i;
    if (i < w.size() && (w[i] == '+' || w[i] == '-')) ++i;
    const size_t from = i;
    while (i < w.size() && std::isdigit(static_cast<unsigned char>(w[i]))) ++i;
    if (i > from && i == w.size()) return CellKind::Number;
  }
  return CellKind::Text;
}

// The first quoted field from `from` (a record start) on, opening before
// `to`, that runs across a line end: the offsets of its opening and closing
// quotes, -1 when none does. Quotes are read as unclosedQuote reads them,
// which has found that every one closes.
struct QuoteSpan {
  ptrdiff_t open = -1, close = -1;
};

QuoteSpan quoteAcrossLines(std::string_view text, size_t from, size_t to, char delim) {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* const stop = begin + std::min(to, text.size());
  const char* p = begin + std::min(from, text.size());
  while (p < stop) {
    while (p < end && *p == ' ') ++p;
    if (p < end && *p == '"') {
      const char* const open = p++;
      const char* close = nullptr;
      while (!close) {
        p = static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(end - p)));
        if (!p) return {};
        if (p + 1 < end && p[1] == '"') {
          p += 2;
          continue;
        }
        close = p++;
      }
      if (open >= stop) return {};
      if (std::string_view(open, static_cast<size_t>(close - open)).find_first_of("\r\n") != std::string_view::npos)
        return {open - begin, close - begin};
    }
    while (p < end && *p != delim && *p != '\r' && *p != '\n') ++p;
    if (p < end) ++p;
  }
  return {};
}

constexpr char kEmptyCell = static_cast<char>(CellKind::Empty);
constexpr char kNumberCell = static_cast<char>(CellKind::Number);
constexpr char kTextCell = static_cast<char>(CellKind::Text);

// Records sampled to find the data rows below a preamble of any length.
constexpr size_t kFirstSample = 64, kMostSampled = 4096;

// A run of sampled records that read as rows of one table: each holds a
// number, all are of one width, and no column holds text in one and a
// number in another.
struct DataRun {
  size_t first = 0, length = 0;
  std::vector<char> kinds;   // per column: a number, text, or only empty cells
  bool text = false;         // some cell holds text
};

bool fitsRun(const std::vector<char>& rec, const std::vector<char>& kinds) {
  if (rec.size() != kinds.size()) return false;
  for (size_t k = 0; k < rec.size(); ++k)
    if (rec[k] != kEmptyCell && kinds[k] != kEmptyCell && rec[k] != kinds[k]) return false;
  return true;
}

bool holdsNumber(const std::vector<char>& rec) { return std::find(rec.begin(), rec.end(), kNumberCell) != rec.end(); }

std::vector<DataRun> dataRuns(const std::vector<std::vector<char>>& sample) {
  std::vector<DataRun> runs;
  bool open = false;
  for (size_t r = 0; r < sample.size(); ++r) {
    const std::vector<char>& rec = sample[r];
    if (!holdsNumber(rec)) {
      open = false;
      continue;
    }
    if (!open || !fitsRun(rec, runs.back().kinds)) {
      runs.push_back({r, 0, std::vector<char>(rec.size(), kEmptyCell), false});
      open = true;
    }
    DataRun& run = runs.back();
    ++run.length;
    for (size_t k = 0; k < rec.size(); ++k)
      if (rec[k] != kEmptyCell) run.kinds[k] = rec[k];
    run.text |= std::find(rec.begin(), rec.end(), kTextCell) != rec.end();
  }
  return runs;
}

// Whether a sample shows where the data rows are: its later half is one run
// that goes on to its end, and either holds only numbers or follows records
// that are not of it (the column names).
bool sampleSettled(const std::vector<DataRun>& runs, size_t sampled) {
  if (runs.empty()) return false;
  const DataRun& last = runs.back();
  return last.first + last.length == sampled && last.length * 2 >= sampled && (!last.text || last.first > 0);
}

// Whether the numbers of a semicolon- or tab-separated table show decimal
// commas: the first rows decide when they show commas or points; when they
// show neither, the first cell further on that shows either.
bool decimalCommasIn(const char* p, const char* end, char delim) {
  std::vector<Field> fields;
  bool commaSeen = false, pointSeen = false;
  for (int r = 0; r < 50 && nextRecord(p, end, delim, fields); ++r)
    for (const Field& f : fields) {
      if (isClock(f.raw)) continue;
      commaSeen |= looksLikeCommaNumber(f.raw);
      pointSeen |= looksLikePointNumber(f.raw);
    }
  if (commaSeen || pointSeen) return commaSeen && !pointSeen;
  // Each comma or point found is judged by its cell, from the delimiter or
  // line end before it to the one after it.
  const auto find = [&](const char* from, char c) {
    const void* at = from < end ? std::memchr(from, c, static_cast<size_t>(end - from)) : nullptr;
    return at ? static_cast<const char*>(at) : end;
  };
  const auto bound = [&](char c) { return c == delim || c == '\r' || c == '\n'; };
  const char* const from = p;
  const char* comma = find(p, ',');
  const char* point = find(p, '.');
  while (comma < end || point < end) {
    const char* at = std::min(comma, point);
    const char* cellStart = at;
    while (cellStart > from && !bound(cellStart[-1])) --cellStart;
    const char* cellEnd = at;
    while (cellEnd < end && !bound(*cellEnd)) ++cellEnd;
    std::string_view cell = trim(std::string_view(cellStart, static_cast<size_t>(cellEnd - cellStart)));
    if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"') cell = cell.substr(1, cell.size() - 2);
    if (!isClock(cell)) {
      if (looksLikeCommaNumber(cell)) return true;
      if (looksLikePointNumber(cell)) return false;
    }
    if (comma < cellEnd) comma = find(cellEnd, ',');
    if (point < cellEnd) point = find(cellEnd, '.');
  }
  return false;
}

// Where a quoted field opens that no quote closes, -1 when every one closes.
// Quotes open only at a field's start, as scanField reads them.
ptrdiff_t unclosedQuote(std::string_view text, char delim) {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* p = begin;
  while (p < end) {
    while (p < end && *p == ' ') ++p;
    if (p < end && *p == '"') {
      const char* const open = p++;
      for (;;) {
        p = static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(end - p)));
        if (!p) return open - begin;
        if (p + 1 < end && p[1] == '"') {
          p += 2;
          continue;
        }
        ++p;
        break;
      }
    }
    while (p < end && *p != delim && *p != '\r' && *p != '\n') ++p;
    if (p < end) ++p;
  }
  return -1;
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

}  // namespace

TextScan scanText(std::string_view s) {
  constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull, kQuotes = kOnes * '"';
  const auto hasZero = [](uint64_t v) { return (v - kOnes) & ~v & kHighs; };
  TextScan r;
  for (size_t i = 0; i < s.size();) {
#if defined(__SSE2__)
    if (i + 64 <= s.size()) {  // 64 plain ASCII bytes at a time
      const __m128i zero = _mm_setzero_si128(), quote = _mm_set1_epi8('"');
      __m128i special = zero;
      for (size_t k = 0; k < 64; k += 16) {
        const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i + k));
        // High bytes keep their top bit; a zero or a quote becomes 0xFF.
        special = _mm_or_si128(special, _mm_or_si128(w, _mm_or_si128(_mm_cmpeq_epi8(w, zero), _mm_cmpeq_epi8(w, quote))));
      }
      if (_mm_movemask_epi8(special) == 0) {
        i += 64;
        continue;
      }
    }
#endif
    if (i + 32 <= s.size()) {  // 32 plain ASCII bytes at a time
      uint64_t w[4];
      std::memcpy(w, s.data() + i, 32);
      uint64_t special = (w[0] | w[1] | w[2] | w[3]) & kHighs;
      for (uint64_t x : w) special |= hasZero(x) | hasZero(x ^ kQuotes);
      if (special == 0) {
        i += 32;
        continue;
      }
    }
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == 0) {
      r.zeroByte = true;
      return r;
    }
    if (c == '"') r.lastQuote = static_cast<ptrdiff_t>(i);
    if (c < 0x80 || !r.utf8) {
      ++i;
      continue;
    }
    const int extra = (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    bool ok = extra > 0 && i + static_cast<size_t>(extra) < s.size();
    for (int k = 1; ok && k <= extra; ++k) ok = (static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0xC0) == 0x80;
    if (!ok) {
      r.utf8 = false;
      ++i;
      continue;
    }
    r.anyHigh = true;
    i += static_cast<size_t>(extra) + 1;
  }
  return r;
}

void merge(TextScan& r, const TextScan& part) {
  r.zeroByte |= part.zeroByte;
  r.utf8 &= part.utf8;
  r.anyHigh |= part.anyHigh;
  r.lastQuote = std::max(r.lastQuote, part.lastQuote);
}

// scanText over a large text, a share on each of several threads. Shares
// start at plain ASCII bytes, where a one-pass reading is always at the
// start of a character, so that each share reads as it would in one pass.
TextScan scanTextShared(std::string_view s) {
  constexpr size_t kShareBytes = size_t{4} << 20;
  const size_t threads = std::min<size_t>(importThreads(), s.size() / kShareBytes);
  if (threads < 2) return scanText(s);
  std::vector<size_t> from(threads + 1, s.size());
  from[0] = 0;
  for (size_t i = 1; i < threads; ++i) {
    size_t at = std::max(from[i - 1], s.size() / threads * i);
    while (at < s.size() && static_cast<unsigned char>(s[at]) >= 0x80) ++at;
    from[i] = at;
  }
  std::vector<TextScan> parts(threads);
  const auto scanShare = [&](size_t i) {
    parts[i] = scanText(s.substr(from[i], from[i + 1] - from[i]));
    if (parts[i].lastQuote >= 0) parts[i].lastQuote += static_cast<ptrdiff_t>(from[i]);
  };
  onThreads(threads, scanShare);
  TextScan r;
  for (const TextScan& part : parts) merge(r, part);
  return r;
}

int64_t lineOf(std::string_view text, size_t offset) {
  int64_t line = 1;
  for (size_t i = 0; i < offset; ++i)
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) ++line;
  return line;
}

FileStatus findTable(std::string_view text, const TextScan& scan, TextTable& t, TableStart* start, TextTable* out) {
  t.delimiter = chooseDelimiter(text);
  if (scan.lastQuote >= 0) {
    if (const ptrdiff_t open = unclosedQuote(text, t.delimiter); open >= 0) {
      out->unclosedQuoteLine = lineOf(text, static_cast<size_t>(open));
      return FileStatus::UnclosedQuote;
    }
  }

  const char* p = text.data();
  const char* end = p + text.size();
  std::vector<Field> fields;

  // Header lines. The leading records are judged together: a column that
  // holds text all down the data (a comment column) says nothing, and a
  // record is a header line when it has text in any other column. A data
  // row of NA, inf or numbers no float holds is never taken for one. The
  // data rows are the longest run of records of one shape; the sample grows
  // until it finds them, so that a preamble of any length is passed over.
  std::vector<std::vector<char>> sample;  // per sampled record, the kind of each cell
  std::vector<DataRun> runs;
  {
    const char* q = p;
    bool ended = false;
    for (size_t most = kFirstSample;; most *= 2) {
      while (sample.size() < most) {
        const char* const at = q;
        if (!nextRecord(q, end, t.delimiter, fields)) {
          ended = true;
          break;
        }
        if (fields.size() > static_cast<size_t>(kMaxTextColumns)) {
          out->tooWideLine = lineOf(text, static_cast<size_t>(at - text.data()));
          return FileStatus::TooManyColumns;
        }
        if (recordBlank(fields)) continue;
        std::vector<char> kinds;
        for (const Field& f : fields) kinds.push_back(static_cast<char>(cellKind(f, t.delimiter)));
        sample.push_back(std::move(kinds));
      }
      runs = dataRuns(sample);
      if (ended || most >= kMostSampled || sampleSettled(runs, sample.size())) break;
    }
  }
  const DataRun* best = nullptr;
  for (const DataRun& run : runs)
    if (!best || run.length > best->length) best = &run;
  std::vector<char> textFilled;  // columns of text all down the data
  if (best) {
    for (char k : best->kinds) textFilled.push_back(k == kTextCell);
  } else {
    for (size_t r = sample.size() / 2; r < sample.size(); ++r) {
      const std::vector<char>& kinds = sample[r];
      if (r == sample.size() / 2) textFilled.assign(kinds.size(), 1);
      for (size_t k = 0; k < textFilled.size(); ++k) textFilled[k] &= k < kinds.size() && kinds[k] == kTextCell;
    }
  }
  // The first data row: after the leading header lines, or where the run
  // starts when nothing between them reads as a row of it (a preamble line
  // of one number ends no header).
  const auto headerLike = [&](size_t r) {
    for (size_t k = 0; k < sample[r].size(); ++k)
      if (sample[r][k] == kTextCell && !(k < textFilled.size() && textFilled[k])) return true;
    return false;
  };
  size_t firstData = 0;
  while (firstData < sample.size() && headerLike(firstData)) ++firstData;
  if (best && best->first > firstData) {
    bool rowBefore = false;
    for (size_t r = firstData; r < best->first && !rowBefore; ++r)
      rowBefore = holdsNumber(sample[r]) && fitsRun(sample[r], best->kinds);
    if (!rowBefore) firstData = best->first;
  }
  std::vector<std::string> lastHeader;
  const char* namesStart = nullptr;
  const char* dataStart = p;
  for (size_t r = 0;;) {
    const char* const at = p;
    if (!nextRecord(p, end, t.delimiter, fields)) break;
    if (recordBlank(fields)) {
      dataStart = p;
      ++t.headerLines;
      continue;
    }
    if (r == firstData) break;
    lastHeader.clear();
    for (const Field& f : fields) lastHeader.push_back(TrimTrailingBlanks(trim(unquote(f))));
    namesStart = at;
    ++t.headerLines;
    dataStart = p;
    ++r;
  }
  const size_t dataOffset = static_cast<size_t>(dataStart - text.data());
  if (namesStart) {
    if (const int64_t above = lineOf(text, static_cast<size_t>(namesStart - text.data())) - 1; above > 0)
      t.notices.push_back(linesAboveNamesNotice(above));
  }
  // A quoted cell across line ends in the data swallows the rows between
  // its quotes; among the header lines it may be a name of two lines.
  if (scan.lastQuote >= static_cast<ptrdiff_t>(dataOffset)) {
    if (const QuoteSpan q = quoteAcrossLines(text, dataOffset, text.size(), t.delimiter); q.open >= 0) {
      out->unclosedQuoteLine = lineOf(text, static_cast<size_t>(q.open));
      out->quoteCloseLine = lineOf(text, static_cast<size_t>(q.close));
      return FileStatus::UnclosedQuote;
    }
  }
  if (scan.lastQuote >= 0 && dataOffset > 0) {
    if (const QuoteSpan q = quoteAcrossLines(text, 0, dataOffset, t.delimiter); q.open >= 0)
      t.notices.push_back(quotedHeadingNotice(lineOf(text, static_cast<size_t>(q.open)),
                                              lineOf(text, static_cast<size_t>(q.close))));
  }

  // The mark the first rows show, for the table; the rows are read cell by
  // cell, each by its own mark.
  if (t.delimiter != ',') t.decimalComma = decimalCommasIn(dataStart, end, t.delimiter);

  // Rows to reserve for, judged from the length of the first records.
  size_t expectRows = 0;
  double rowsPerByte = 0.0;  // with a margin
  {
    const char* q = dataStart;
    int r = 0;
    while (r < 64 && nextRecord(q, end, t.delimiter, fields)) ++r;
    if (q > dataStart) {
      rowsPerByte = r * 1.1 / static_cast<double>(q - dataStart);
      expectRows = static_cast<size_t>(
          std::min(static_cast<double>(end - dataStart) * rowsPerByte + 16.0, static_cast<double>(kMaxCases) + 1.0));
    }
  }

  start->dataStart = dataStart;
  start->names = std::move(lastHeader);
  start->textFilled = std::move(textFilled);
  start->expectRows = expectRows;
  start->rowsPerByte = rowsPerByte;
  return FileStatus::Ok;
}

}  // namespace textimport
