// The cells and records of a delimited text, as every stage of the import
// reads them: fields split at the delimiter outside quotes, numbers by the
// import's rules, dates and clock times; and the threads the stages share
// their work among. Internal to the text import.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/filehelpers.h"
#include "datafiles/text_import.h"
#include "platform/threads.h"

namespace textimport {

struct Field {
  std::string_view raw;  // without the surrounding quotes
  bool quoted = false;
};

inline bool isBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Scans one field from its start to the delimiter or line end after it; a
// delimiter or line end inside quotes is data.
inline Field scanField(const char*& p, const char* end, char delim) {
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
  return f;
}

// Steps over the delimiter or line end that closed a field; false at the
// end of the record.
inline bool nextField(const char*& p, const char* end, char delim) {
  if (p >= end) return false;
  if (*p == delim) {
    ++p;
    return true;
  }
  if (*p == '\r') ++p;
  if (p < end && *p == '\n') ++p;
  return false;
}

// Splits one record. Returns false at the end of the input. Fields past
// kMaxTextColumns + 1 are stepped over, not kept: one line of a hundred
// million cells must not take gigabytes before it is refused.
inline bool nextRecord(const char*& p, const char* end, char delim, std::vector<Field>& fields) {
  fields.clear();
  if (p >= end) return false;
  do {
    const Field f = scanField(p, end, delim);
    if (fields.size() <= static_cast<size_t>(kMaxTextColumns)) fields.push_back(f);
  } while (nextField(p, end, delim));
  return true;
}

// One pass: erasing each doubled quote in place made a long quoted field
// quadratic.
std::string unquote(const Field& f);
bool recordBlank(const std::vector<Field>& fields);
// A finite number; '+' and, with decimalComma, one comma as the point allowed.
bool readNumber(std::string_view s, bool decimalComma, float* v);
// A quoted number with thousands separators, "1,234.5", as spreadsheets
// write them into comma-separated files.
bool readGrouped(std::string_view s, float* v);
// readNumber's rules, in double precision.
bool readNumberDouble(std::string_view s, bool decimalComma, double* v);
// "yyyy-mm-dd", "mm/dd/yyyy" or "dd.mm.yyyy".
bool readDate(std::string_view s, CivilDate* d);
// "h:mm", "h:mm:ss" or "h:mm:ss.fff", optionally with AM/PM and a leading
// date ("2024-03-14 09:30:00", "03/14/2024 9:30:00 PM", ISO 'T').
bool readClock(std::string_view s, double* secondsOfDay, CivilDate* date, bool* hasDate);
bool isClock(std::string_view s);
// Significant digits a number's text carries ("0.0120" three, "1.5e-3" two).
int significantDigits(std::string_view s);

// The threads an import shares its work among. On eight cores, eight took
// no less wall time than four (the page work on the file and the columns,
// and the passes that stay on one thread, set it) and a tenth more CPU.
inline size_t importThreads() { return std::min<size_t>(UsableCores(), 4); }

// work(k) for every k < count, shared out over the threads when the work is
// large: for work on separate arrays whose first touch of fresh pages costs
// more than the rest. False when any work ran out of memory (the others
// still ran).
template <class Work>
bool eachOnThreads(size_t count, bool large, Work work) {
  const size_t threads =
      large ? std::min<size_t>(importThreads(), count) : std::min<size_t>(count, 1);
  std::vector<char> ok(threads, 1);
  const auto share = [&](size_t t) {
    try {
      for (size_t k = t; k < count; k += threads) work(k);
    } catch (const std::bad_alloc&) {
      ok[t] = 0;
    }
  };
  onThreads(threads, share);
  return std::find(ok.begin(), ok.end(), 0) == ok.end();
}

inline constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace textimport
