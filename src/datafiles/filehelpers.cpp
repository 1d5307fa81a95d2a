#include "datafiles/filehelpers.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "datafiles/byteswap.h"
#include "datafiles/timescale.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/timeunits.h"

std::string MakeCaseNumber(int32_t count) {
  if (count <= 999) return NumText(count);
  if (count <= 9'999) return FormatPicture(count, "#,###");
  if (count <= 99'999) return FormatPicture(count, "##,###");
  if (count <= 999'999) return FormatPicture(count, "###,###");
  return FormatPicture(count, "#,###,###");
}

namespace {

// Two-digit field where a blank may stand for a leading zero; -1 otherwise.
int twoDigits(std::string_view t) {
  int v = 0;
  bool any = false;
  for (char c : t) {
    if (c == ' ' && !any) continue;
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
    any = true;
  }
  return any ? v : -1;
}

// Days since 1970-01-01 (proleptic Gregorian), after H. Hinnant's algorithm.
int64_t daysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilDate civilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  return {static_cast<int32_t>(y), m, d};
}

}  // namespace

bool ParseDateText(std::string_view t, CivilDate* out) {
  if (t.size() < 10 || (t[2] != '-' && t[2] != '/') || t[5] != t[2]) return false;
  const int m = twoDigits(t.substr(0, 2));
  const int d = twoDigits(t.substr(3, 2));
  int32_t y = 0;
  for (char c : t.substr(6, 4)) {
    if (c < '0' || c > '9') return false;
    y = y * 10 + (c - '0');
  }
  for (char c : t.substr(10))
    if (c != ' ') return false;
  if (m < 1 || m > 12 || d < 1 || d > DaysInMonth(m, y)) return false;
  if (out) *out = {y, m, d};
  return true;
}

CivilDate AddDays(CivilDate date, int64_t days) {
  return civilFromDays(daysFromCivil(date.year, date.month, date.day) + days);
}

std::string DateText(const CivilDate& date, char separator) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d%c%02d%c%04d", date.month, separator, date.day, separator,
                static_cast<int>(date.year));
  return buf;
}

std::string TodayDateText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return DateText({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday});
}

std::string MakeDateStringFor(double interval, std::string_view startDate, int32_t startSeconds,
                              int32_t caseIndex, uint16_t startDayOfYear, uint16_t flag) {
  // A product a hair below a day's end (0.7 * 864,000) still reaches it.
  const double d = (static_cast<double>(caseIndex) * interval + startSeconds + 1e-6) / 86400.0;
  if (!std::isfinite(d)) return "";
  const double whole = std::trunc(d);
  if (flag != 0) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", whole + startDayOfYear);
    return buf;
  }
  CivilDate start;
  if (!ParseDateText(startDate, &start) || std::fabs(whole) > 1e8) return "";
  return DateText(AddDays(start, static_cast<int64_t>(whole)), '/');
}

std::string MakeDateString(int32_t startSeconds, int32_t caseIndex, uint16_t startDayOfYear,
                           uint16_t flag) {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot)) return "";
  // The decimal typed, not the float stored: 0.7f is 0.69999999 s.
  return MakeDateStringFor(DecimalValue(FileInfoFLOATS[slot][kInfoInterval]), StartDate[slot], startSeconds, caseIndex,
                           startDayOfYear, flag);
}

void ByteSwap32(void* words, size_t count) { SwapWords32(words, count); }

void BigEndianToHost32(void* words, size_t count) {
  if constexpr (std::endian::native == std::endian::little) ByteSwap32(words, count);
}

void BigENDIANtoLittleEndian() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!SlotHoldsFile(slot)) return;
  for (int16_t c = 1; c <= nChannels[slot]; ++c)
    if (float* a = ChannelData(slot, c)) BigEndianToHost32(a, static_cast<size_t>(nCases[slot]) + 1);
}

bool IntervalNeedsRepair(float interval) { return !(interval >= kMinInterval && interval <= kMaxInterval); }

bool CheckSampleInterval() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !IntervalNeedsRepair(FileInfoFLOATS[slot][kInfoInterval])) return false;
  FileInfoFLOATS[slot][kInfoInterval] = kRepairedInterval;
  return true;
}

float StartMinutesOf(std::string_view startTime) {
  const int32_t s = ClockTextSeconds(startTime);
  if (s < 0) return 0.0f;
  return static_cast<float>(SecondsToMinutes(s));
}
