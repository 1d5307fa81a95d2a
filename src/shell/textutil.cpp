#include "shell/textutil.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <type_traits>

#include "shell/globals.h"

namespace {

// Shortest %g text (up to maxDigits significant digits) that reads back as x
// at the given precision; integers below 1e10 print as plain digits. At most
// 32 characters at out; returns their end. to_chars with a precision writes
// what printf writes, without its locale and parsing costs.
// %g at precision P from the shortest scientific digits of x (P = their
// count): scientific when the exponent is below -4 or at least P, written as
// to_chars writes it; otherwise positional, without trailing zeros.
char* gStyleFromShortest(char* out, float x) {
  char sci[32];
  const char* const end = std::to_chars(sci, sci + sizeof sci, x, std::chars_format::scientific).ptr;
  const char* p = sci;
  const bool negative = *p == '-';
  p += negative;
  char digits[12];
  int count = 0;
  for (; *p != 'e'; ++p)
    if (*p != '.') digits[count++] = *p;
  const bool negativeExponent = p[1] == '-';
  int exponent = 0;
  for (p += 2; p < end; ++p) exponent = exponent * 10 + (*p - '0');
  if (negativeExponent) exponent = -exponent;
  if (exponent < -4 || exponent >= count) {
    std::memcpy(out, sci, static_cast<size_t>(end - sci));
    return out + (end - sci);
  }
  if (negative) *out++ = '-';
  if (exponent < 0) {
    *out++ = '0';
    *out++ = '.';
    for (int i = -1; i > exponent; --i) *out++ = '0';
    std::memcpy(out, digits, static_cast<size_t>(count));
    return out + count;
  }
  std::memcpy(out, digits, static_cast<size_t>(exponent) + 1);
  out += exponent + 1;
  if (count > exponent + 1) {
    *out++ = '.';
    std::memcpy(out, digits + exponent + 1, static_cast<size_t>(count - exponent - 1));
    out += count - exponent - 1;
  }
  return out;
}

template <typename T>
char* shortestChars(char* out, T x, int maxDigits) {
  char* const last = out + 32;
  const auto put = [&](const char* t) {
    const size_t n = std::strlen(t);
    std::memcpy(out, t, n);
    return out + n;
  };
  if (std::isnan(x)) return put("NaN");
  if (std::isinf(x)) return put(x < 0 ? "-INF" : "INF");
  if (x == 0) return put("0");
  const double d = static_cast<double>(x);
  if (std::fabs(d) < 1e10 && d == std::trunc(d)) return std::to_chars(out, last, d, std::chars_format::fixed, 0).ptr;
  if constexpr (std::is_same_v<T, float>) {
    // Away from powers of two, where the round-trip interval is lopsided,
    // the shortest round-trip digits are the correctly rounded ones, which
    // is what %g at that precision prints: one conversion gives the text.
    if ((std::bit_cast<uint32_t>(x) & 0x7FFFFFu) != 0) return gStyleFromShortest(out, x);
  }
  // No text with fewer digits than the shortest round trip can read back as
  // x, so the search starts there: usually the first try is the answer.
  int start = 1;
  char sci[64];
  const auto r = std::to_chars(sci, sci + sizeof sci, x, std::chars_format::scientific);
  if (r.ec == std::errc()) {
    int digits = 0;
    for (const char* c = sci; c < r.ptr && *c != 'e'; ++c)
      if (*c >= '0' && *c <= '9') ++digits;
    start = std::clamp(digits, 1, maxDigits);
  }
  for (int p = start; p <= maxDigits; ++p) {
    char* const end = std::to_chars(out, last, d, std::chars_format::general, p).ptr;
    double back = 0.0;
    std::from_chars(out, end, back);
    if (static_cast<T>(back) == x) return end;
  }
  return std::to_chars(out, last, d, std::chars_format::general, maxDigits).ptr;
}

template <typename T>
std::string shortestText(T x, int maxDigits) {
  char buf[32];
  return std::string(buf, shortestChars(buf, x, maxDigits));
}

std::string withSignSlot(std::string s) {
  if (!s.empty() && s[0] == '-') return s;
  return " " + s;
}

}  // namespace

std::string NumText(double x) { return withSignSlot(shortestText(x, 10)); }
std::string NumText(float x) { return withSignSlot(shortestText(x, 9)); }
std::string FieldNumText(double x) { return shortestText(x, 10); }
std::string FieldNumText(float x) { return shortestText(x, 9); }
char* FieldNumChars(char* out, float x) { return shortestChars(out, x, 9); }
char* FieldNumChars(char* out, double x) { return shortestChars(out, x, 10); }

double TextToNum(std::string_view text) {
  auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  // from_chars would take "inf" and "nan"; only digits or a point may start.
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.')) return 0.0;
  double value = 0.0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
  if (ec != std::errc() || ptr != end || !std::isfinite(value)) return 0.0;
  return negative ? -value : value;
}

std::string FormatPicture(double x, std::string_view picture) {
  if (!std::isfinite(x)) return withSignSlot(shortestText(x, 10));
  const size_t point = picture.find('.');
  int decimals = 0;
  if (point != std::string_view::npos)
    for (size_t i = point + 1; i < picture.size(); ++i)
      if (picture[i] == '#') ++decimals;
  const bool grouped = picture.find(',') != std::string_view::npos;

  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, std::fabs(x));
  std::string digits = buf;
  // A value that rounds to zero shows no minus sign.
  const bool negative = x < 0 && digits.find_first_not_of("0.") != std::string::npos;
  if (grouped) {
    const size_t intEnd = std::min(digits.find('.'), digits.size());
    std::string out;
    for (size_t i = 0; i < intEnd; ++i) {
      if (i > 0 && (intEnd - i) % 3 == 0) out += ',';
      out += digits[i];
    }
    out += digits.substr(intEnd);
    digits = out;
  }
  return (negative ? "-" : " ") + digits;
}

std::string StringFormatter(float x) {
  const double a = std::fabs(static_cast<double>(x));
  if (!(a >= 1.0)) return NumText(x);
  if (a < 10.0) return FormatPicture(x, "###.###");
  if (a < 100.0) return FormatPicture(x, "####.###");
  if (a < 1000.0) return FormatPicture(x, "#####.##");
  if (a < 10000.0) return FormatPicture(x, "######.#");
  return NumText(std::round(static_cast<double>(x)));
}

namespace {
// Folds minutes into (0, 1440] (0 stays 0) in one step, as repeated
// subtraction of a day would: a far-off value must not loop for ever.
double FoldIntoDay(double minutes) {
  if (!std::isfinite(minutes)) return 0.0;
  if (minutes > 1440.0) minutes -= 1440.0 * std::ceil((minutes - 1440.0) / 1440.0);
  if (minutes < 0.0) minutes += 1440.0 * std::ceil(-minutes / 1440.0);
  // Rounding at huge magnitudes can land a hair outside the day.
  if (minutes > 1440.0 || minutes < 0.0) minutes = 0.0;
  return minutes;
}
}  // namespace

std::string ClockTextFromMinutes(double minutes) {
  minutes = FoldIntoDay(minutes);
  // The small allowance keeps 12:30 stored as 749.99994 minutes from
  // printing as 12:29:59; real fractions of a second still truncate.
  const int64_t total = static_cast<int64_t>(std::floor(minutes * 60.0 + 1e-3));
  const int64_t h = total / 3600, m = (total % 3600) / 60, s = total % 60;
  char buf[32];
  std::snprintf(buf, sizeof buf, " %lld:%02lld:%02lld  ", static_cast<long long>(h),
                static_cast<long long>(m), static_cast<long long>(s));
  return buf;
}

void MakeTimeString() {
  // Negative clock values would never end the reduction the other way; they
  // are folded into the day as well.
  VarXX = static_cast<float>(FoldIntoDay(VarXX));
  if (VarXX > 1440.0f) VarXX = 1440.0f;   // the float of a value just below a day
  timstring[0] = ClockTextFromMinutes(VarXX);
}

int32_t ClockTextSeconds(std::string_view t) {
  if (t.size() < 8 || t[2] != ':' || t[5] != ':') return -1;
  int fields[3];
  for (int f = 0; f < 3; ++f) {
    int v = 0;
    bool any = false;
    for (int i = 0; i < 2; ++i) {
      const char c = t[static_cast<size_t>(f * 3 + i)];
      if (c == ' ') {
        if (any) return -1;  // a blank may only stand for a leading zero
        continue;
      }
      if (c < '0' || c > '9') return -1;
      v = v * 10 + (c - '0');
      any = true;
    }
    if (!any) return -1;
    fields[f] = v;
  }
  if (fields[0] > 23 || fields[1] > 59 || fields[2] > 59) return -1;
  return fields[0] * 3600 + fields[1] * 60 + fields[2];
}

std::string ClockText(int32_t secs, bool blankPadded) {
  secs %= 86400;
  if (secs < 0) secs += 86400;
  const char* fmt = blankPadded ? "%2d:%2d:%2d" : "%02d:%02d:%02d";
  char buf[16];
  std::snprintf(buf, sizeof buf, fmt, secs / 3600, (secs % 3600) / 60, secs % 60);
  return buf;
}

bool IsLeapYear(int32_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int month, int32_t year) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

int16_t computeDayOfYear(uint16_t /*flag*/, int16_t month) {
  static const int16_t before[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  if (month < 1 || month > 12) return 0;
  return before[month - 1];
}

int16_t DayOfYearOf(int day, int month, int32_t year) {
  if (day < 1 || day > DaysInMonth(month, year)) return 0;
  const int leapDay = month >= 3 && IsLeapYear(year) ? 1 : 0;
  return static_cast<int16_t>(computeDayOfYear(0, static_cast<int16_t>(month)) + day + leapDay);
}

std::string TrimTrailingBlanks(std::string_view text) {
  size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return std::string(text.substr(0, n));
}

std::string TodayMMddyy() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%02d", (local.tm_mon + 1) % 100, local.tm_mday % 100,
                ((local.tm_year % 100) + 100) % 100);
  return buf;
}
