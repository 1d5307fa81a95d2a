#include "datafiles/text_columns.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "datafiles/export.h"
#include "datafiles/text_cells.h"
#include "datafiles/text_notices.h"
#include "datafiles/timescale.h"
#include "platform/macroman.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/worktables.h"

using namespace textimport;

namespace {

constexpr size_t kIntervalRows = 10'001;

std::vector<std::string> nameWords(std::string_view name) {
  std::vector<std::string> words(1);
  for (char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      words.back().push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    } else if (!words.back().empty()) {
      words.emplace_back();
    }
  }
  if (words.back().empty()) words.pop_back();
  return words;
}

// Seconds per unit of a unit word; 0 for any other word.
double unitSeconds(const std::string& w) {
  struct Unit {
    const char* word;
    double seconds;
  };
  static constexpr Unit kUnits[] = {
      {"ms", 1e-3},   {"msec", 1e-3},  {"s", 1},         {"sec", 1},        {"secs", 1},      {"second", 1},
      {"seconds", 1}, {"min", 60},     {"mins", 60},     {"minute", 60},    {"minutes", 60},  {"h", 3600},
      {"hr", 3600},   {"hrs", 3600},   {"hour", 3600},   {"hours", 3600},   {"d", 86400},     {"day", 86400},
      {"days", 86400},
  };
  for (const Unit& u : kUnits)
    if (w == u.word) return u.seconds;
  return 0.0;
}

bool nameSaysTime(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::string t = TrimTrailingBlanks(name);
  if (t.find("time") != std::string::npos || t.find("sec") != std::string::npos ||
      t.find("elapsed") != std::string::npos || t == "t" || t.rfind("t (", 0) == 0 || t.rfind("t [", 0) == 0)
    return true;
  // A unit alone names a time: "hours", "min", "s".
  const std::vector<std::string> words = nameWords(t);
  return words.size() == 1 && unitSeconds(words[0]) > 0.0;
}

// The median step of a time column's first rows in its own unit (clock
// times wrapping at midnight); 0 when the rows show none.
double medianStep(const TextTable& table, int column, TimeKind kind) {
  if (column < 0 || static_cast<size_t>(column) >= table.columns.size()) return 0.0;
  const auto& c = table.columns[static_cast<size_t>(column)];
  const size_t n = std::min<size_t>(c.size(), kIntervalRows);
  const std::vector<double>* exact = static_cast<size_t>(column) < table.leading.size() &&
                                             table.leading[static_cast<size_t>(column)].size() == n
                                         ? &table.leading[static_cast<size_t>(column)]
                                         : nullptr;
  // A clock cell that holds no clock is NaN among the exact values: it is
  // left out, and the step across it shared by the rows it spans.
  std::vector<double> steps;
  size_t last = 0;
  bool any = false;
  for (size_t i = 0; i < n; ++i) {
    const double v = exact ? (*exact)[i] : static_cast<double>(c[i]);
    if (std::isnan(v)) continue;
    if (any) {
      const double before = exact ? (*exact)[last] : static_cast<double>(c[last]);
      double d = v - before;
      if (kind == TimeKind::Clock && d < 0) d += 86400.0;
      steps.push_back(d / static_cast<double>(i - last));
    }
    last = i;
    any = true;
  }
  if (steps.empty()) return 0.0;
  std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2), steps.end());
  const double median = steps[steps.size() / 2];
  return std::isfinite(median) && median > 0.0 ? median : 0.0;
}

// The interval a column gives, rounded to what its cells resolve: cells of
// more digits than a float holds give the float interval they were written
// from; others keep seven significant digits, below the jitter a float
// leaves in the eighth.
double roundedInterval(double interval, int cellDigits) {
  if (cellDigits > 10) {
    const float f = static_cast<float>(interval);
    if (std::isfinite(f) && f > 0.0f) return DecimalValue(f);
  }
  const double step = std::pow(10.0, std::floor(std::log10(interval)) - 6.0);
  return std::round(interval / step) * step;
}

}  // namespace

namespace textimport {

FileStatus buildColumns(std::string_view text, const TableStart& start, const RowsRead& read, bool utf8, TextTable& t,
                        TextTable* out) {
  const bool commaMarks = t.delimiter != ',';
  const char* const end = text.data() + text.size();
  const std::vector<std::string>& lastHeader = start.names;
  const std::vector<char>& textFilled = start.textFilled;
  const char* const dataStart = start.dataStart;
  const size_t rows = read.rows;
  std::vector<Field> fields;

  // A delimiter closing every line leaves an empty last column behind.
  while (t.columns.size() > 1 && t.unreadCells.back() == static_cast<int64_t>(rows) &&
         t.firstCells.back().empty() && (lastHeader.size() < t.columns.size() || lastHeader[t.columns.size() - 1].empty())) {
    t.columns.pop_back();
    t.unreadCells.pop_back();
    t.unreadRuns.pop_back();
    t.clockColumn.pop_back();
    t.firstCells.pop_back();
  }
  if (rows < 2) return FileStatus::TooFewCases;

  const auto nameOf = [&](size_t k) {
    std::string name = k < lastHeader.size() ? lastHeader[k] : std::string();
    if (utf8) name = plat::utf8ToMacRoman(name);
    if (name.empty()) name = "column " + std::to_string(k + 1);
    return name;
  };
  // Columns of text all the way down are left out (and named in a notice)
  // rather than offered as channels of zeros; a column of dates (the
  // export's "Date") gives the first row's date, unless the clock cells
  // carry one.
  if (read.dateFound) t.firstRowDate = DateText(read.firstDate);
  std::vector<size_t> sourceOf;
  for (size_t k = 0; k < t.columns.size(); ++k) {
    if (k < textFilled.size() && textFilled[k] && t.unreadCells[k] == static_cast<int64_t>(rows)) {
      CivilDate d;
      if (t.firstRowDate.empty() && readDate(trim(t.firstCells[k]), &d)) t.firstRowDate = DateText(d);
      else t.skippedColumns.push_back(nameOf(k));
      continue;
    }
    const size_t to = sourceOf.size();
    sourceOf.push_back(k);
    if (to == k) continue;
    t.columns[to] = std::move(t.columns[k]);
    t.unreadCells[to] = t.unreadCells[k];
    t.unreadRuns[to] = std::move(t.unreadRuns[k]);
    t.clockColumn[to] = t.clockColumn[k];
    t.firstCells[to] = std::move(t.firstCells[k]);
  }
  t.columns.resize(sourceOf.size());
  t.unreadCells.resize(sourceOf.size());
  t.unreadRuns.resize(sourceOf.size());
  t.clockColumn.resize(sourceOf.size());
  t.firstCells.resize(sourceOf.size());
  if (t.columns.empty()) return FileStatus::TooFewCases;
  for (size_t k : sourceOf) t.names.push_back(nameOf(k));

  // Time columns: the first clock-time column, and the first other column
  // named like a time whose values never fall.
  int clockTime = -1, elapsedTime = -1;
  for (size_t k = 0; k < t.columns.size() && clockTime < 0; ++k)
    if (t.clockColumn[k]) clockTime = static_cast<int>(k);
  for (size_t k = 0; k < t.columns.size() && elapsedTime < 0; ++k) {
    if (t.clockColumn[k] || !nameSaysTime(t.names[k]) || t.unreadCells[k] != 0) continue;
    const auto& c = t.columns[k];
    if (std::is_sorted(c.begin(), c.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(c.size(), 1000))))
      elapsedTime = static_cast<int>(k);
  }
  t.timeColumn = clockTime >= 0 ? clockTime : elapsedTime;
  t.timeKind = clockTime >= 0 ? TimeKind::Clock : elapsedTime >= 0 ? TimeKind::Elapsed : TimeKind::None;
  if (t.dataColumns() > kMaxChannels) {
    if (read.widest) {
      out->tooWideLine = lineOf(text, static_cast<size_t>(read.widest - text.data()));
      out->tooWideCells = read.widestCells;
    }
    return FileStatus::TooManyColumns;
  }
  // The leading rows again, read as the parse read them but into doubles; a
  // clock cell that holds no clock is NaN, left out of the interval and start.
  {
    const size_t want = std::min(rows, kIntervalRows);
    t.leading.assign(t.columns.size(), {});
    t.leadingDigits.assign(t.columns.size(), 0);
    const char* q = dataStart;
    for (size_t r = 0; r < want && nextRecord(q, end, t.delimiter, fields);) {
      if (recordBlank(fields)) continue;
      for (size_t k = 0; k < t.columns.size(); ++k) {
        const double none = t.clockColumn[k] ? std::numeric_limits<double>::quiet_NaN() : 0.0;
        double v = none;
        const size_t f = sourceOf[k];
        if (f < fields.size() && !readNumberDouble(fields[f].raw, commaMarks, &v)) {
          CivilDate d;
          bool hasDate;
          float g;
          if (fields[f].quoted && !commaMarks && readGrouped(fields[f].raw, &g))
            v = g;
          else if (!t.clockColumn[k] || !readClock(fields[f].raw, &v, &d, &hasDate))
            v = none;
        } else if (f < fields.size()) {
          t.leadingDigits[k] = std::max(t.leadingDigits[k], significantDigits(fields[f].raw));
        }
        t.leading[k].push_back(v);
      }
      ++r;
    }
    if (t.leading[0].size() != want) t.leading.clear();  // rows not matched: keep to the floats
  }
  if (clockTime >= 0 && t.unreadCells[static_cast<size_t>(clockTime)] > 0)
    t.notices.push_back(
        clockCellsNotice(t.unreadCells[static_cast<size_t>(clockTime)], t.names[static_cast<size_t>(clockTime)]));
  // A clock in whole seconds does not resolve a shorter interval (a 0.1 s
  // file shows ten rows a second): an elapsed time that does is preferred.
  if (clockTime >= 0 && elapsedTime >= 0 && !(medianStep(t, clockTime, TimeKind::Clock) > 0.0) &&
      medianStep(t, elapsedTime, TimeKind::Elapsed) > 0.0) {
    t.timeColumn = elapsedTime;
    t.timeKind = TimeKind::Elapsed;
  }
  if (t.timeColumn >= 0) t.suggestedInterval = IntervalFromColumn(t, t.timeColumn, t.timeKind);
  SuggestedTextStart(t, t.timeColumn, t.suggestedInterval, &t.suggestedStartDate, &t.suggestedStartTime);
  return FileStatus::Ok;
}

}  // namespace textimport

double IntervalFromColumn(const TextTable& table, int column, TimeKind kind) {
  const double median = medianStep(table, column, kind);
  if (!(median > 0.0)) return 1.0;
  // A unit in the column's name: "time.min", "Time (h)", "hours".
  double unit = 1.0;
  if (kind == TimeKind::Elapsed && static_cast<size_t>(column) < table.names.size())
    for (const std::string& w : nameWords(table.names[static_cast<size_t>(column)]))
      if (const double u = unitSeconds(w); u > 0.0) {
        unit = u;
        break;
      }
  // Significant digits, not a fixed step, keep steps of a microsecond and
  // below.
  const auto k = static_cast<size_t>(column);
  return roundedInterval(median * unit, k < table.leadingDigits.size() ? table.leadingDigits[k] : 0);
}

void SuggestedTextStart(const TextTable& table, int column, double interval, std::string* date, std::string* time) {
  // Only a clock tells the time of day, whichever column gives the interval.
  int clock = column >= 0 && static_cast<size_t>(column) < table.clockColumn.size() &&
                      table.clockColumn[static_cast<size_t>(column)]
                  ? column
                  : -1;
  for (size_t k = 0; k < table.clockColumn.size() && clock < 0; ++k)
    if (table.clockColumn[k] && !table.columns[k].empty()) clock = static_cast<int>(k);
  *date = table.firstRowDate;
  *time = "00:00:00";
  if (clock < 0 || table.columns[static_cast<size_t>(clock)].empty()) return;
  const auto k = static_cast<size_t>(clock);
  if (!(interval > 0.0) || !std::isfinite(interval)) interval = 0.0;
  // 13:00:00.999 is 46801 s as a float. The first row that holds a clock
  // gives the start, rows above it counted back.
  double first = table.columns[k][0];
  if (k < table.leading.size()) {
    const std::vector<double>& lead = table.leading[k];
    const auto at = std::find_if(lead.begin(), lead.end(), [](double v) { return !std::isnan(v); });
    if (at == lead.end() && !lead.empty()) return;
    if (at != lead.end()) first = *at - static_cast<double>(at - lead.begin()) * interval;
  }
  // The first row is case 1, one interval after the start. The start is kept
  // to the whole second, rounded up: an export's clock is the time rounded
  // down, so the start it was made from is the one whole second within an
  // interval before the first row.
  const double start = std::ceil(first - interval - 1e-6);
  const double days = std::floor(start / 86400.0);
  if (!std::isfinite(days) || std::fabs(days) > 1e6) return;
  *time = ClockText(static_cast<int32_t>(start - days * 86400.0));
  CivilDate d;
  if (days != 0.0 && ParseDateText(table.firstRowDate, &d)) *date = DateText(AddDays(d, static_cast<int64_t>(days)));
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
  // The parse reads what no float holds as 0: the repair need not look.
  img.nonFiniteSamples = 0;
  img.interval = static_cast<float>(choice.interval);
  img.startDate = choice.startDate;
  img.startTime = choice.startTime;
  int64_t unread = 0;
  try {
    img.data.resize(choice.columns.size());
    for (int k : choice.columns) {
      const auto i = static_cast<size_t>(k);
      img.labels.push_back(FitLabel(table.names[i]));
      img.travel.push_back(TravelValues{});
      unread += table.unreadCells[i];
    }
  } catch (const std::bad_alloc&) {
    return FileStatus::OutOfMemory;
  }
  // Case 0 in front of each column, in place as the parse leaves room: the
  // columns on several threads, as each moves every sample.
  const bool large = static_cast<size_t>(rows) * choice.columns.size() >= (size_t{1} << 20);
  if (!eachOnThreads(choice.columns.size(), large, [&](size_t n) {
        ChannelArray& ch = table.columns[static_cast<size_t>(choice.columns[n])];
        ch.insert(ch.begin(), ch.front());
        img.data[n].swap(ch);
      }))
    return FileStatus::OutOfMemory;
  *out = std::move(img);
  if (unreadCells) *unreadCells = unread;
  return FileStatus::Ok;
}

FileStatus ImportTextColumns(TextTable&& table, const TextImportChoice& choice, const std::string& name,
                             const std::string& path, int16_t* slotOut, RepairReport* report,
                             int64_t* unreadCells) {
  if (FindFreeSlot() < 0) return FileStatus::TooManyFiles;
  std::vector<std::string> skipped = table.skippedColumns;
  std::vector<std::string> notices = table.notices;
  if (std::string unread = UnreadCellsNotice(table, choice.columns); !unread.empty())
    notices.push_back(std::move(unread));
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
  if (report) {
    *report = r;
    report->skippedColumns = std::move(skipped);
    report->importNotices = std::move(notices);
  }
  if (slotOut) *slotOut = slot;
  return FileStatus::Ok;
}

bool ExportedTimeColumn(std::string_view name) {
  if (name == "Case" || name == "Clock Time" || name == "Date") return true;
  for (ElapsedUnit u : {ElapsedUnit::Seconds, ElapsedUnit::Minutes, ElapsedUnit::Hours, ElapsedUnit::Days})
    if (name == std::string("Time (") + ElapsedUnitName(u) + ")") return true;
  return false;
}
