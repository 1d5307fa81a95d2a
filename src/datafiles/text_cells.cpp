#include "datafiles/text_cells.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "shell/textutil.h"

namespace textimport {

std::string unquote(const Field& f) {
  if (!f.quoted) return std::string(f.raw);
  std::string s;
  s.reserve(f.raw.size());
  for (size_t i = 0; i < f.raw.size(); ++i) {
    s.push_back(f.raw[i]);
    if (f.raw[i] == '"' && i + 1 < f.raw.size() && f.raw[i + 1] == '"') ++i;
  }
  return s;
}

bool recordBlank(const std::vector<Field>& fields) {
  for (const Field& f : fields)
    for (char c : f.raw)
      if (!isBlank(c)) return false;
  return true;
}

bool readNumber(std::string_view s, bool decimalComma, float* v) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  if (!s.empty() && s.front() == '+') {
    s.remove_prefix(1);
    if (!s.empty() && s.front() == '-') return false;
  }
  if (s.empty()) return false;
  const char c0 = s.front() == '-' && s.size() > 1 ? s[1] : s.front();
  if (!((c0 >= '0' && c0 <= '9') || c0 == '.' || (decimalComma && c0 == ','))) return false;  // no inf/nan
  std::string copy;
  if (decimalComma && s.find(',') != std::string_view::npos) {
    copy.assign(s);
    std::replace(copy.begin(), copy.end(), ',', '.');
    s = copy;
  }
  float x = 0.0f;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), x);
  if (r.ptr != s.data() + s.size()) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // Too small for a float is 0 (or the nearest tiny float); too large is
    // no number.
    double d = 0.0;
    const auto rd = std::from_chars(s.data(), s.data() + s.size(), d);
    if (rd.ptr != s.data() + s.size() || !(std::fabs(d) < std::numeric_limits<float>::min())) return false;
    x = static_cast<float>(d);
  } else if (r.ec != std::errc() || !std::isfinite(x)) {
    return false;
  }
  *v = x;
  return true;
}

bool readGrouped(std::string_view s, float* v) {
  s = trim(s);
  const size_t point = std::min(s.find('.'), s.size());
  std::string plain;
  size_t digitsSince = 0;
  bool grouped = false;
  for (size_t i = 0; i < point; ++i) {
    if (s[i] == ',') {
      if (digitsSince == 0 || (grouped && digitsSince != 3)) return false;
      grouped = true;
      digitsSince = 0;
      continue;
    }
    if (s[i] >= '0' && s[i] <= '9') ++digitsSince;
    plain.push_back(s[i]);
  }
  if (!grouped || digitsSince != 3) return false;
  plain.append(s.substr(point));
  return readNumber(plain, false, v);
}

// The plain cell "[-]digits[.digits]" of at most 15 digits, which readNumber
// always takes: its digits and 10^(digits after the point) are both exact
// in a double, so one IEEE division gives the correctly rounded value, as
// from_chars does. False for any other cell, left to the long way; the
// leading rows read ten thousand cells a column this way at every import.
bool plainDouble(std::string_view s, bool decimalComma, double* v) {
  size_t i = s.size() > 1 && s[0] == '-';
  uint64_t m = 0;
  int digits = 0, scale = 0;
  const auto run = [&](int* count) {
    const size_t from = i;
    for (; i < s.size() && static_cast<unsigned>(s[i] - '0') < 10; ++i) {
      m = m * 10 + static_cast<uint64_t>(s[i] - '0');
      ++*count;
    }
    return i > from;
  };
  if (!run(&digits)) return false;
  if (i < s.size() && (s[i] == '.' || (decimalComma && s[i] == ','))) {
    ++i;
    if (!run(&scale)) return false;
  }
  if (i != s.size() || digits + scale > 15) return false;
  const double x = static_cast<double>(m) / kPowersOfTen[scale];
  *v = s[0] == '-' ? -x : x;
  return true;
}

bool readNumberDouble(std::string_view s, bool decimalComma, double* v) {
  if (plainDouble(s, decimalComma, v)) return true;
  float probe;
  if (!readNumber(s, decimalComma, &probe)) return false;
  s = trim(s);
  if (s.front() == '+') s.remove_prefix(1);
  std::string buf(s);
  if (decimalComma) std::replace(buf.begin(), buf.end(), ',', '.');
  double x = 0.0;
  const auto r = std::from_chars(buf.data(), buf.data() + buf.size(), x);
  if (r.ec != std::errc() || !std::isfinite(x)) {
    x = probe;  // a float-sized value the double cannot improve on
  }
  *v = x;
  return true;
}

namespace {

int digitsAt(std::string_view s, size_t& i, int maxDigits) {
  int v = 0, k = 0;
  while (i < s.size() && k < maxDigits && s[i] >= '0' && s[i] <= '9') {
    v = v * 10 + (s[i++] - '0');
    ++k;
  }
  return k == 0 ? -1 : v;
}

}  // namespace

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

int significantDigits(std::string_view s) {
  int digits = 0;
  bool leading = true;
  for (char c : s) {
    if (c == 'e' || c == 'E') break;
    if (c < '0' || c > '9') continue;
    if (c == '0' && leading) continue;
    leading = false;
    ++digits;
  }
  return digits;
}

}  // namespace textimport
