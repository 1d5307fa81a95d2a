#include "datafiles/export.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

#include "datafiles/filehelpers.h"
#include "shell/safewrite.h"
#include "datafiles/timescale.h"
#include "platform/macroman.h"
#include "shell/store.h"
#include "shell/textutil.h"

namespace {

constexpr size_t kFlushBytes = 1 << 20;
constexpr int32_t kProgressRows = 4096;
constexpr int kMaxClockDigits = 6;
constexpr double kPowersOfTen[] = {1, 10, 100, 1000, 1e4, 1e5, 1e6};

int32_t startSecondsOf(std::string_view startTime) {
  const int32_t s = ClockTextSeconds(startTime);
  return s < 0 ? 0 : s;
}

// The clock counts in units of 10^-digits s, with as many digits as the
// interval's decimals need (at most 6): a clock in whole seconds showed a
// 0.1 s file as ten rows a second, and a reader took its interval for 1 s.
// With at most 6 decimals the units per case are a whole number and every
// time is exact; beyond, they are rounded down to the microsecond.
struct ClockScale {
  int digits = 0;
  double unitsPerCase = 0.0;
  double unitsPerDay = 86400.0;
};

ClockScale clockScale(float interval) {
  ClockScale c;
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, interval, std::chars_format::fixed);
  const std::string_view t(buf, r.ec == std::errc() ? static_cast<size_t>(r.ptr - buf) : 0);
  const size_t point = t.find('.');
  const int decimals = point == std::string_view::npos ? 0 : static_cast<int>(t.size() - point - 1);
  c.digits = std::min(decimals, kMaxClockDigits);
  c.unitsPerCase = DecimalValue(interval) * kPowersOfTen[c.digits];
  if (decimals <= kMaxClockDigits && std::isfinite(c.unitsPerCase)) c.unitsPerCase = std::round(c.unitsPerCase);
  c.unitsPerDay = 86400.0 * kPowersOfTen[c.digits];
  return c;
}

// Units since the start of the start day; whole, so a time a hair below a
// whole unit in binary counts as that unit.
double clockUnits(const ClockScale& c, int32_t startSeconds, int32_t caseIndex) {
  const double u = startSeconds * kPowersOfTen[c.digits] + static_cast<double>(caseIndex) * c.unitsPerCase;
  return std::floor(u * (1.0 + kWholeMargin));
}

// Whole days in double, kept within what the calendar holds: an interval
// no file should have must give a wrong date, never an overflow.
int64_t wholeDays(const ClockScale& c, double units) {
  const double days = std::floor(units / c.unitsPerDay);
  return static_cast<int64_t>(std::isfinite(days) ? std::clamp(days, -1e9, 1e9) : 0.0);
}

std::string clockText(const ClockScale& c, double units) {
  double inDay = std::fmod(units, c.unitsPerDay);
  if (!std::isfinite(inDay)) inDay = 0.0;
  if (inDay < 0) inDay += c.unitsPerDay;
  const auto u = static_cast<int64_t>(inDay);
  const auto scale = static_cast<int64_t>(kPowersOfTen[c.digits]);
  const int64_t s = u / scale;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d", static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60),
                static_cast<int>(s % 60));
  std::string t = buf;
  if (c.digits > 0) {
    std::string fraction(static_cast<size_t>(c.digits), '0');
    int64_t f = u % scale;
    for (size_t i = fraction.size(); i-- > 0; f /= 10) fraction[i] = static_cast<char>('0' + f % 10);
    t += '.' + fraction;
  }
  return t;
}

FileStatus checkExport(const TextExportSource& src, const TextExportOptions& opt) {
  if (src.channels.empty()) return FileStatus::NoChannels;
  if (src.channels.size() > static_cast<size_t>(kMaxChannels)) return FileStatus::TooManyChannels;
  if (opt.first < 0 || opt.last <= opt.first || opt.last > kMaxCases) return FileStatus::BadRange;
  for (const float* p : src.channels)
    if (!p) return FileStatus::BadRange;
  return FileStatus::Ok;
}

// Builds the text in pieces and hands each piece to sink.
template <class Sink>
bool encode(const TextExportSource& src, const TextExportOptions& opt, Sink&& sink, const ExportProgress& progress) {
  const char delim = opt.format == TextExportFormat::Comma ? ',' : '\t';
  std::string buf;
  buf.reserve(kFlushBytes + 4096);
  bool firstField = true;
  auto field = [&](std::string_view t) {
    if (!firstField) buf += delim;
    buf.append(t);
    firstField = false;
  };
  auto endLine = [&] {
    buf += '\n';
    firstField = true;
  };
  // A row's numbers go straight into the buffer, 33 bytes a field at most.
  char* row = nullptr;
  auto number = [&](float x) {
    if (!firstField) *row++ = delim;
    row = FieldNumChars(row, x);
    firstField = false;
  };

  if (opt.caseColumn) field("Case");
  if (opt.elapsedColumn) field(std::string("Time (") + ElapsedUnitName(opt.elapsedUnit) + ")");
  if (opt.clockColumn) field("Clock Time");
  if (opt.dateColumn) field("Date");
  for (size_t c = 0; c < src.channels.size(); ++c)
    field(ExportField(plat::macRomanToUtf8(c < src.labels.size() ? src.labels[c] : std::string()), opt.format));
  endLine();

  const int32_t start = startSecondsOf(src.startTime);
  const ClockScale scale = clockScale(src.interval);
  CivilDate date{};
  const bool haveDate = opt.dateColumn && ParseDateText(src.startDate, &date);
  int64_t dateDays = INT64_MIN;
  std::string dateText;
  for (int32_t k = opt.first + 1; k <= opt.last; ++k) {
    if (opt.caseColumn) field(FieldNumText(static_cast<double>(k)));
    if (opt.elapsedColumn) field(ElapsedFieldText(src.interval, k, opt.elapsedUnit));
    const double units = opt.clockColumn || haveDate ? clockUnits(scale, start, k) : 0.0;
    if (opt.clockColumn) field(clockText(scale, units));
    if (opt.dateColumn) {
      if (haveDate) {
        // The date changes once a day: the calendar is asked only then.
        const int64_t days = wholeDays(scale, units);
        if (days != dateDays) {
          dateDays = days;
          dateText = DateText(AddDays(date, days), '/');
        }
        field(dateText);
      } else {
        field("");
      }
    }
    const size_t at = buf.size();
    buf.resize(at + 33 * src.channels.size());
    row = buf.data() + at;
    for (const float* ch : src.channels) number(ch[k]);
    buf.resize(static_cast<size_t>(row - buf.data()));
    endLine();
    if (buf.size() >= kFlushBytes) {
      if (!sink(buf)) return false;
      buf.clear();
    }
    if (progress && (k - opt.first) % kProgressRows == 0) progress(k - opt.first);
  }
  if (!sink(buf)) return false;
  if (progress) progress(opt.last - opt.first);
  return true;
}

}  // namespace

double SecondsPerUnit(ElapsedUnit u) {
  switch (u) {
    case ElapsedUnit::Minutes: return 60.0;
    case ElapsedUnit::Hours: return 3600.0;
    case ElapsedUnit::Days: return 86400.0;
    default: return 1.0;
  }
}

const char* ElapsedUnitName(ElapsedUnit u) {
  switch (u) {
    case ElapsedUnit::Minutes: return "min";
    case ElapsedUnit::Hours: return "hours";
    case ElapsedUnit::Days: return "days";
    default: return "sec";
  }
}

TextExportSource TextSourceOfSlot(int16_t slot) {
  TextExportSource s;
  if (!SlotHoldsFile(slot)) return s;
  s.interval = FileInfoFLOATS[slot][kInfoInterval];
  s.startDate = StartDate[slot];
  s.startTime = StartTime[slot];
  for (int16_t c = 1; c <= nChannels[slot]; ++c) {
    if (OverlayArray[slot][2][c] == 0) continue;
    s.channels.push_back(ChannelData(slot, c));
    std::string label = TrimTrailingBlanks(RetrieveLabelOf(slot, c));
    const size_t lead = label.find_first_not_of(' ');
    label = lead == std::string::npos ? "Channel " + FieldNumText(static_cast<double>(c)) : label.substr(lead);
    s.labels.push_back(std::move(label));
  }
  return s;
}

double ElapsedOfCase(float interval, int32_t caseIndex, ElapsedUnit unit) {
  return static_cast<double>(caseIndex) * DecimalValue(interval) / SecondsPerUnit(unit);
}

std::string ElapsedFieldText(float interval, int32_t caseIndex, ElapsedUnit unit) {
  const double t = ElapsedOfCase(interval, caseIndex, unit);
  if (unit == ElapsedUnit::Seconds || !std::isfinite(t)) return FieldNumText(t);
  // Minutes, hours and days are seldom short decimals: ten digits left the
  // steps of a long column uneven in the seventh, and the interval read back
  // from them with it. Every digit of the double is written.
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, t);
  return std::string(buf, r.ptr);
}

std::string ClockOfCase(float interval, int32_t startSeconds, int32_t caseIndex) {
  const ClockScale c = clockScale(interval);
  return clockText(c, clockUnits(c, startSeconds, caseIndex));
}

std::string DateOfCase(float interval, std::string_view startDate, int32_t startSeconds, int32_t caseIndex) {
  CivilDate d{};
  if (!ParseDateText(startDate, &d)) return "";
  const ClockScale c = clockScale(interval);
  return DateText(AddDays(d, wholeDays(c, clockUnits(c, startSeconds, caseIndex))), '/');
}

std::string ExportField(std::string_view text, TextExportFormat format) {
  std::string s(text);
  if (format == TextExportFormat::Tab) {
    for (char& c : s)
      if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return s;
  }
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) {
    if (c == '"') q += '"';
    q += c;
  }
  q += '"';
  return q;
}

FileStatus EncodeTextExport(const TextExportSource& src, const TextExportOptions& opt, std::string* out) {
  if (const FileStatus st = checkExport(src, opt); st != FileStatus::Ok) return st;
  std::string s;
  encode(src, opt, [&](const std::string& piece) {
    s += piece;
    return true;
  }, {});
  *out = std::move(s);
  return FileStatus::Ok;
}

FileStatus WriteTextExport(const std::filesystem::path& path, const TextExportSource& src,
                           const TextExportOptions& opt, const ExportProgress& progress, int* errnoOut) {
  if (const FileStatus st = checkExport(src, opt); st != FileStatus::Ok) return st;
  SafeFileWriter w;
  bool ok = w.open(path);
  ok = ok && encode(src, opt, [&](const std::string& piece) { return w.write(piece.data(), piece.size()); }, progress);
  ok = ok && w.commit();
  if (!ok) {
    if (errnoOut) *errnoOut = w.error();
    w.abandon();
    return FileStatus::WriteFailed;
  }
  return FileStatus::Ok;
}
