#include "datafiles/text_import.h"

#include "datafiles/export.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <exception>

#include <fcntl.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "datafiles/byteswap.h"
#include "datafiles/filehelpers.h"
#include "datafiles/timescale.h"
#include "platform/cpu.h"
#include "platform/macroman.h"
#include "platform/pages.h"
#include "platform/threads.h"
#include "shell/globals.h"
#include "shell/readfile.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/worktables.h"

namespace {

// Whether plain rows may be read eight cells at a time (AVX-512); off only
// in the tests, which hold the narrower reader to the same tables.
std::atomic<bool> gWideTextRows{true};

// The threads an import shares its work among. On eight cores, eight took
// no less wall time than four (the page work on the file and the columns,
// and the passes that stay on one thread, set it) and a tenth more CPU.
size_t importThreads() { return std::min<size_t>(UsableCores(), 4); }

struct Field {
  std::string_view raw;  // without the surrounding quotes
  bool quoted = false;
};

struct Cell {
  Field field;
  float value = 0.0f;
  bool read = false;  // value already read by fastNumber
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Scans one field from its start to the delimiter or line end after it; a
// delimiter or line end inside quotes is data.
Field scanField(const char*& p, const char* end, char delim) {
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
bool nextField(const char*& p, const char* end, char delim) {
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
bool nextRecord(const char*& p, const char* end, char delim, std::vector<Field>& fields) {
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

// A finite number; '+' and, with decimalComma, one comma as the point allowed.
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

// A quoted number with thousands separators, "1,234.5", as spreadsheets
// write them into comma-separated files.
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

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

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

// readNumber's rules, in double precision.
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

constexpr size_t kIntervalRows = 10'001;

constexpr float kFloatPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
constexpr uint64_t kIntPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// m * 10^exponent rounded to a float exactly as from_chars rounds it. With
// m below 2^53 and 10^|exponent| exact in a double, one IEEE operation gives
// the correctly rounded double; rounding that to a float is then correct
// unless it landed on a point halfway between two floats, which goes the
// slow way. The range keeps every nonzero result a normal float.
inline bool exactFloat(uint64_t m, int exponent, bool neg, float* v) {
  if (m <= (1u << 24) && exponent >= -10 && exponent <= 10) {
    // Both operands are floats already, so a float operation rounds once.
    float x = static_cast<float>(m);
    x = exponent < 0 ? x / kFloatPowersOfTen[-exponent] : x * kFloatPowersOfTen[exponent];
    *v = neg ? -x : x;
    return true;
  }
  if (m >= (uint64_t{1} << 53) || exponent < -22 || exponent > 22) return false;
  double d = static_cast<double>(m);
  d = exponent < 0 ? d / kPowersOfTen[-exponent] : d * kPowersOfTen[exponent];
  if ((std::bit_cast<uint64_t>(d) & ((uint64_t{1} << 29) - 1)) == (uint64_t{1} << 28)) return false;
  const float x = static_cast<float>(d);
  *v = neg ? -x : x;
  return true;
}

// Eight digits, 0..9 a byte, the first byte (lowest) most significant.
inline uint64_t eightDigits(uint64_t d) {
  d = d * 10 + (d >> 8);
  constexpr uint64_t kPairs = 0x000000FF000000FFull;
  return ((d & kPairs) * 0x000F424000000064ull + ((d >> 16) & kPairs) * 0x0000271000000001ull) >> 32;
}

// The count of leading decimal digits in eight bytes (first byte lowest),
// and their value.
inline int leadingDigits(const char* p, uint64_t* value) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  const uint64_t x = w ^ 0x3030303030303030ull;  // digits become 0..9
  // A byte is no digit when above 9; carries only reach bytes after it.
  const uint64_t nonDigit = ((x + 0x7676767676767676ull) | x) & 0x8080808080808080ull;
  const int n = std::countr_zero(nonDigit) >> 3;
  *value = n == 0 ? 0 : eightDigits(x << (8 * (8 - n)));  // the digits, after leading zeros
  return n;
}

// The common cell: "[-]digits[.digits][e[+-]digits]" with no blanks or
// quotes, closed by the delimiter or a line end, whose value exactFloat
// takes. Returns the end of the cell, or nullptr to leave the cell to
// readNumber, which gives the same value for every cell taken here.
inline const char* fastNumber(const char* p, const char* end, char delim, bool decimalComma, float* v) {
  const bool neg = p < end && *p == '-';
  p += neg;
  if constexpr (std::endian::native == std::endian::little) {
    // Up to seven digits either side of the point, eight bytes at a time.
    if (end - p >= 24) {
      const char* q = p;
      uint64_t m;
      int n = leadingDigits(q, &m);
      if (n < 8) {
        q += n;
        int scale = 0;
        if (*q == '.' || (decimalComma && *q == ',')) {
          uint64_t frac;
          scale = leadingDigits(++q, &frac);
          m = m * kIntPowersOfTen[scale] + frac;
          q += scale;
          n += scale;
        }
        if (n > 0 && scale < 8 && (*q == delim || *q == '\r' || *q == '\n') && exactFloat(m, -scale, neg, v))
          return q;
      }
    }
  }
  uint64_t m = 0;
  int digits = 0, scale = 0;
  for (; p < end && static_cast<unsigned>(*p - '0') < 10; ++p, ++digits) {
    if (digits == 15) return nullptr;
    m = m * 10 + static_cast<uint64_t>(*p - '0');
  }
  if (p < end && (*p == '.' || (decimalComma && *p == ','))) {
    for (++p; p < end && static_cast<unsigned>(*p - '0') < 10; ++p, ++digits, ++scale) {
      if (digits == 15) return nullptr;
      m = m * 10 + static_cast<uint64_t>(*p - '0');
    }
  }
  if (digits == 0) return nullptr;
  int exponent = 0;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    const bool expNeg = p < end && *p == '-';
    p += (p < end && (*p == '-' || *p == '+'));
    const char* first = p;
    for (; p < end && static_cast<unsigned>(*p - '0') < 10; ++p)
      if (exponent < 1000) exponent = exponent * 10 + (*p - '0');
    if (p == first) return nullptr;
    if (expNeg) exponent = -exponent;
  }
  if (p < end && *p != delim && *p != '\r' && *p != '\n') return nullptr;
  return exactFloat(m, exponent - scale, neg, v) ? p : nullptr;
}

// Bytes equal to c, as the top bit of each byte; exact in every byte.
inline uint64_t bytesEqual(uint64_t w, char c) {
  const uint64_t x = w ^ (0x0101010101010101ull * static_cast<unsigned char>(c));
  return ~(((x & 0x7F7F7F7F7F7F7F7Full) + 0x7F7F7F7F7F7F7F7Full) | x | 0x7F7F7F7F7F7F7F7Full);
}

// One cell known to run from p to end (its delimiter or line end), read as
// fastNumber reads it. Cells are found before they are read, so reading one
// waits for no other. The common cell is left as a float quotient
// (*v / *divisor, negated when *neg), so that a row's divisions can be made
// together; any other cell's value is *v itself, with a divisor of 1.
inline bool fastCell(const char* p, const char* end, const char* bufferEnd, char delim, bool decimalComma, float* v,
                     float* divisor, bool* neg) {
  *divisor = 1.0f;
  *neg = false;
  const bool negative = *p == '-';
  const char* s = p + negative;
  ptrdiff_t len = end - s;
  // A zero before the point adds nothing: "0.0383795", as a logger writes a
  // small value with its seven digits, is read as ".0383795".
  if (len > 8 && s[0] == '0' && (s[1] == '.' || (decimalComma && s[1] == ','))) {
    ++s;
    --len;
  }
  if constexpr (std::endian::native == std::endian::little) {
    if (len > 0 && len <= 8 && bufferEnd - s >= 8) {
      // Up to eight bytes of digits and a point: drop the point and read
      // the digits at one go.
      uint64_t w;
      std::memcpy(&w, s, 8);
      const uint64_t keep = ~0ull >> (64 - 8 * len);
      uint64_t points = bytesEqual(w, '.');
      if (decimalComma) points |= bytesEqual(w, ',');
      points &= keep;
      uint64_t x = (w ^ 0x3030303030303030ull) & keep;  // digits become 0..9
      int digits = static_cast<int>(len), scale = 0;
      if (points && !(points & (points - 1))) {
        const int at = std::countr_zero(points) >> 3;
        const uint64_t below = (uint64_t{1} << (8 * at)) - 1;
        x = (x & below) | ((x >> 8) & ~below);
        --digits;
        scale = digits - at;
      }
      // Any byte above 9 is no digit (carries start only at such a byte).
      if (digits > 0 && (((x + 0x7676767676767676ull) | x) & 0x8080808080808080ull) == 0) {
        const uint64_t m = eightDigits(x << (8 * (8 - digits)));
        if (m <= (1u << 24)) {  // exactFloat's first way, its division deferred
          *v = static_cast<float>(m);
          *divisor = kFloatPowersOfTen[scale];
          *neg = negative;
          return true;
        }
        return exactFloat(m, -scale, negative, v);
      }
    }
  }
  return fastNumber(p, bufferEnd, delim, decimalComma, v) == end;
}

#if defined(__x86_64__) && defined(__GNUC__)
#define CORVIMET_CELLS_AVX2 1
// commonCellsAvx2's constants, each in every lane (the sign bit in the low
// half only).
struct alignas(32) CellConstants {
  uint64_t lowBytes[4], nine[4], firstByte[4], minus[4], sixtyFour[4], point[4];
  uint64_t comma[4], zeros[4], one[4], carries[4], tops[4], eight[4];
  uint64_t pairWeights[4], fourWeights[4], tenThousand[4], tooLarge[4], lowHalves[4], signBits[4];
};
constexpr CellConstants kCellConstants = {
    {0x0101010101010101ull, 0x0101010101010101ull, 0x0101010101010101ull, 0x0101010101010101ull},
    {9, 9, 9, 9},
    {0xFF, 0xFF, 0xFF, 0xFF},
    {'-', '-', '-', '-'},
    {64, 64, 64, 64},
    {0x2E2E2E2E2E2E2E2Eull, 0x2E2E2E2E2E2E2E2Eull, 0x2E2E2E2E2E2E2E2Eull, 0x2E2E2E2E2E2E2E2Eull},  // '.'
    {0x2C2C2C2C2C2C2C2Cull, 0x2C2C2C2C2C2C2C2Cull, 0x2C2C2C2C2C2C2C2Cull, 0x2C2C2C2C2C2C2C2Cull},  // ','
    {0x3030303030303030ull, 0x3030303030303030ull, 0x3030303030303030ull, 0x3030303030303030ull},  // '0'
    {1, 1, 1, 1},
    {0x7676767676767676ull, 0x7676767676767676ull, 0x7676767676767676ull, 0x7676767676767676ull},
    {0x8080808080808080ull, 0x8080808080808080ull, 0x8080808080808080ull, 0x8080808080808080ull},
    {8, 8, 8, 8},
    {0x010A010A010A010Aull, 0x010A010A010A010Aull, 0x010A010A010A010Aull, 0x010A010A010A010Aull},
    {0x0001006400010064ull, 0x0001006400010064ull, 0x0001006400010064ull, 0x0001006400010064ull},
    {10000, 10000, 10000, 10000},
    {(1u << 24) + 1, (1u << 24) + 1, (1u << 24) + 1, (1u << 24) + 1},
    {0x0000000200000000ull, 0x0000000600000004ull, 0x0000000200000000ull, 0x0000000600000004ull},  // 0, 2, 4, 6 twice
    {0x8000000080000000ull, 0x8000000080000000ull, 0, 0},
};

__attribute__((target("avx2"), always_inline)) inline __m256i load(const uint64_t (&lanes)[4]) {
  return _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes));
}

// fastCell's common way for four cells at once: up to eight bytes of a
// minus, digits and one point, read into a quotient of a float below 2^24
// and a power of ten, and the sign bit. Bit k of the result is set for each
// cell it read; any other cell is left to fastCell, which gives the same
// values for these. bytes holds each cell's first eight bytes and lengths
// the count of the cell's own bytes, 0 for a cell not to read here. Kept in
// registers: the cells stored one by one and loaded as one vector stalled
// the load until the stores were done.
__attribute__((target("avx2"), always_inline)) inline unsigned commonCellsAvx2(__m256i bytes, __m256i lengths,
                                                                              bool decimalComma, __m128* dividends,
                                                                              __m128* divisors, __m128i* signs,
                                                                              const CellConstants& c) {
  const __m256i ones = _mm256_set1_epi64x(-1), zero = _mm256_setzero_si256();
  const __m256i lowBytes = load(c.lowBytes);
  // No more than the eight bytes there are; after a minus, the bytes from
  // the one after it.
  const __m256i fits = _mm256_cmpgt_epi64(load(c.nine), lengths);
  const __m256i minus = _mm256_cmpeq_epi64(_mm256_and_si256(bytes, load(c.firstByte)), load(c.minus));
  bytes = _mm256_blendv_epi8(bytes, _mm256_srli_epi64(bytes, 8), minus);
  lengths = _mm256_add_epi64(lengths, minus);
  // The cell's own bytes; a length of 0 keeps none and reads as no digits.
  const __m256i keep = _mm256_srlv_epi64(ones, _mm256_sub_epi64(load(c.sixtyFour), _mm256_slli_epi64(lengths, 3)));
  __m256i points = _mm256_cmpeq_epi8(bytes, load(c.point));
  if (decimalComma) points = _mm256_or_si256(points, _mm256_cmpeq_epi8(bytes, load(c.comma)));
  points = _mm256_and_si256(_mm256_and_si256(points, keep), lowBytes);   // 1 in each byte that is a point
  __m256i x = _mm256_and_si256(_mm256_xor_si256(bytes, load(c.zeros)), keep);
  // One point: the bytes after it move down over it.
  const __m256i below = _mm256_sub_epi64(points, load(c.one));   // the bytes before the point
  const __m256i anyPoint = _mm256_xor_si256(_mm256_cmpeq_epi64(points, zero), ones);
  const __m256i onePoint = _mm256_and_si256(anyPoint, _mm256_cmpeq_epi64(_mm256_and_si256(points, below), zero));
  const __m256i moved = _mm256_or_si256(_mm256_and_si256(x, below), _mm256_andnot_si256(below, _mm256_srli_epi64(x, 8)));
  x = _mm256_blendv_epi8(x, moved, onePoint);
  const __m256i before = _mm256_sad_epu8(_mm256_and_si256(below, lowBytes), zero);   // the point's place
  const __m256i digits = _mm256_add_epi64(lengths, onePoint);   // one fewer with a point (onePoint is -1)
  const __m256i scale = _mm256_and_si256(_mm256_sub_epi64(digits, before), onePoint);
  // Every byte a digit (with more than one point, a point is left among
  // them and is none), and at least one.
  const __m256i notDigit = _mm256_and_si256(_mm256_or_si256(_mm256_add_epi64(x, load(c.carries)), x),
                                            load(c.tops));
  __m256i good = _mm256_and_si256(_mm256_cmpeq_epi64(notDigit, zero), _mm256_cmpgt_epi64(digits, zero));
  good = _mm256_and_si256(good, fits);
  // The digits to the top, leading zeros below, then pairs, fours, eights:
  // the first byte is the most significant digit.
  x = _mm256_sllv_epi64(x, _mm256_slli_epi64(_mm256_sub_epi64(load(c.eight), digits), 3));
  const __m256i pairs = _mm256_maddubs_epi16(x, load(c.pairWeights));
  const __m256i fours = _mm256_madd_epi16(pairs, load(c.fourWeights));
  const __m256i value = _mm256_add_epi64(_mm256_mul_epu32(fours, load(c.tenThousand)), _mm256_srli_epi64(fours, 32));
  good = _mm256_and_si256(good, _mm256_cmpgt_epi64(load(c.tooLarge), value));
  // The low halves of the four lanes, in order: the values and the scales.
  const __m256i gather = load(c.lowHalves);
  const __m128i value32 = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(value, gather));
  const __m128i scale32 = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(scale, gather));
  const __m256 powers = _mm256_setr_ps(1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f);
  *dividends = _mm_cvtepi32_ps(value32);
  *divisors = _mm256_castps256_ps128(_mm256_permutevar8x32_ps(powers, _mm256_castsi128_si256(scale32)));
  *signs = _mm_and_si128(_mm256_castsi256_si128(_mm256_permutevar8x32_epi32(minus, gather)),
                         _mm256_castsi256_si128(load(c.signBits)));
  return static_cast<unsigned>(_mm256_movemask_pd(_mm256_castsi256_pd(good)));
}

#endif

// Where the delimiters and line ends are among the next kScanBytes bytes at
// q, a bit for each byte.
#if defined(__SSE2__)
constexpr ptrdiff_t kScanBytes = 16;
inline void scanBytes(const char* q, char delim, uint32_t* delims, uint32_t* ends) {
  const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
  *delims = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(w, _mm_set1_epi8(delim))));
  *ends = static_cast<uint32_t>(_mm_movemask_epi8(
      _mm_or_si128(_mm_cmpeq_epi8(w, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(w, _mm_set1_epi8('\n')))));
}
#else
constexpr ptrdiff_t kScanBytes = 8;
inline uint32_t byteBits(uint64_t topBits) {
  uint32_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= static_cast<uint32_t>((topBits >> (8 * i + 7)) & 1) << i;
  return bits;
}
inline void scanBytes(const char* q, char delim, uint32_t* delims, uint32_t* ends) {
  uint64_t w;
  std::memcpy(&w, q, 8);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  *delims = byteBits(bytesEqual(w, delim));
  *ends = byteBits(bytesEqual(w, '\r') | bytesEqual(w, '\n'));
}
#endif

// One block of the scan of a row, its delimiters and line ends a bit for
// each byte from q: the delimiters before the line end go to bounds, and the
// line end after them, which closes the row (1). -1 for a row of more than n
// cells or one that ends with fewer, 0 where it goes on past the block.
template <class Mask>
inline int takeBounds(const char* q, Mask delims, Mask ends, size_t n, size_t& found, const char** bounds) {
  if (ends) delims &= (ends & (0 - ends)) - 1;  // only those before the line end
  for (; delims; delims &= delims - 1) {
    if (found + 1 == n) return -1;
    bounds[found++] = q + std::countr_zero(delims);
  }
  if (!ends) return 0;
  if (found + 1 != n) return -1;
  bounds[found] = q + std::countr_zero(ends);
  return 1;
}

// The cells' bounds of a row of n cells from p: bounds[k] the delimiter after
// cell k, bounds[n - 1] the line end. False where the row has other than n
// cells or its line end lies beyond the whole blocks of kScanBytes before end.
// q is where the scan goes on, `found` bounds from p taken already.
inline bool rowBounds(const char* q, const char* end, size_t n, char delim, size_t found, const char** bounds) {
  for (; end - q >= kScanBytes; q += kScanBytes) {
    uint32_t delims, ends;
    scanBytes(q, delim, &delims, &ends);
    if (const int r = takeBounds(q, delims, ends, n, found, bounds)) return r > 0;
  }
  return false;
}

// Lanes of four, for the cells of a row.
constexpr size_t kLanes = (static_cast<size_t>(kMaxTextColumns) + 3) & ~size_t{3};

// The start of the row after the line end at lineEnd.
inline const char* afterLineEnd(const char* lineEnd, const char* end) {
  const char* p = lineEnd + (*lineEnd == '\r');
  return p + (p < end && *p == '\n');
}

// fastRow without AVX2.
inline bool fastRowPlain(const char*& p, const char* end, size_t n, char delim, bool decimalComma,
                         float* const* columns, size_t row, const char** bounds) {
  if (n > kLanes || !rowBounds(p, end, n, delim, 0, bounds)) return false;
  alignas(16) float dividends[kLanes], divisors[kLanes];
  alignas(16) uint32_t signs[kLanes];
  bool ok = true;
  for (size_t k = 0; k < n; ++k) {
    bool neg;
    ok &= fastCell(k ? bounds[k - 1] + 1 : p, bounds[k], end, delim, decimalComma, &dividends[k], &divisors[k], &neg);
    signs[k] = neg ? 0x80000000u : 0u;
  }
  if (!ok) return false;
  // Lanes past n divide 0 by 1.
  const size_t lanes = (n + 3) & ~size_t{3};
  for (size_t k = n; k < lanes; ++k) {
    dividends[k] = 0.0f;
    divisors[k] = 1.0f;
    signs[k] = 0;
  }
#if defined(__SSE2__)
  // Four correctly rounded IEEE quotients at a time: the same values as one
  // by one, at the cost of one.
  for (size_t k = 0; k < lanes; k += 4) {
    const __m128 q = _mm_div_ps(_mm_load_ps(dividends + k), _mm_load_ps(divisors + k));
    _mm_store_ps(dividends + k, _mm_xor_ps(q, _mm_castsi128_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(signs + k)))));
  }
  for (size_t k = 0; k < n; ++k) columns[k][row] = dividends[k];
#else
  for (size_t k = 0; k < n; ++k) {
    const float q = dividends[k] / divisors[k];
    columns[k][row] = signs[k] ? -q : q;
  }
#endif
  p = afterLineEnd(bounds[n - 1], end);
  return true;
}

// The cells k + i, for each bit i of `others`, that the common way left to
// fastCell, into lane i of the vectors (four or eight lanes) of dividends,
// divisors and sign bits; false for one it cannot read.
template <class F, class I>
[[gnu::always_inline]] inline bool otherCells(const char* p, const char* const* bounds, const char* end, size_t k,
                                              unsigned others, char delim, bool decimalComma, F& dividends,
                                              F& divisors, I& signs) {
  constexpr size_t lanes = sizeof(F) / sizeof(float);
  float dv[lanes], ds[lanes];
  uint32_t sg[lanes];
  std::memcpy(dv, &dividends, sizeof dv);
  std::memcpy(ds, &divisors, sizeof ds);
  std::memcpy(sg, &signs, sizeof sg);
  for (; others; others &= others - 1) {
    const auto i = static_cast<size_t>(std::countr_zero(others));
    bool neg;
    if (!fastCell(k + i ? bounds[k + i - 1] + 1 : p, bounds[k + i], end, delim, decimalComma, &dv[i], &ds[i], &neg))
      return false;
    sg[i] = neg ? 0x80000000u : 0u;
  }
  std::memcpy(&dividends, dv, sizeof dv);
  std::memcpy(&divisors, ds, sizeof ds);
  std::memcpy(&signs, sg, sizeof sg);
  return true;
}

// Cell i's first eight bytes and its length for the common way, in
// registers (0 and 0 for a cell not to read that way): as fastCell, no zero
// before the point of a long cell.
[[gnu::always_inline]] inline void commonCellWord(const char* p, const char* const* bounds, size_t i, size_t n,
                                                  bool inText, bool decimalComma, long long& w, long long& len) {
  w = 0;
  len = 0;
  if (i >= n || !inText) return;
  const char* from = i ? bounds[i - 1] + 1 : p;
  len = bounds[i] - from;
  if (len > 8 && from[0] == '0' && (from[1] == '.' || (decimalComma && from[1] == ','))) {
    ++from;
    --len;
  }
  std::memcpy(&w, from, 8);
}

#if defined(CORVIMET_CELLS_AVX2)
// fastRowPlain's work with 32 bytes of the scan at a time, and the common
// cells four at a time, the others one by one.
__attribute__((target("avx2"), always_inline)) inline bool fastRowAvx2(const char*& p, const char* end, size_t n,
                                                                       char delim, bool decimalComma,
                                                                       float* const* columns, size_t row,
                                                                       const char** bounds,
                                                                       const CellConstants& c) {
  if (n > kLanes) return false;
  size_t found = 0;
  const char* q = p;
  {
    const __m256i delims32 = _mm256_set1_epi8(delim), cr = _mm256_set1_epi8('\r'), lf = _mm256_set1_epi8('\n');
    int r = 0;
    for (; end - q >= 32; q += 32) {
      const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q));
      const auto delims = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(w, delims32)));
      const auto ends = static_cast<uint32_t>(
          _mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(w, cr), _mm256_cmpeq_epi8(w, lf))));
      if ((r = takeBounds(q, delims, ends, n, found, bounds)) != 0) break;
    }
    // The scan covers the same whole blocks of 16 bytes as rowBounds.
    if (r < 0 || (r == 0 && !rowBounds(q, end, n, delim, found, bounds))) return false;
  }
  // Every cell's first eight bytes are in the text unless the row ends
  // within eight bytes of its end; then fastCell reads each.
  const bool inText = end - bounds[n - 1] >= 8;
  alignas(16) float values[kLanes];
  for (size_t k = 0; k < n; k += 4) {
    long long w0, w1, w2, w3, l0, l1, l2, l3;
    commonCellWord(p, bounds, k, n, inText, decimalComma, w0, l0);
    commonCellWord(p, bounds, k + 1, n, inText, decimalComma, w1, l1);
    commonCellWord(p, bounds, k + 2, n, inText, decimalComma, w2, l2);
    commonCellWord(p, bounds, k + 3, n, inText, decimalComma, w3, l3);
    __m128 dividends, divisors;
    __m128i signs;
    const unsigned read = commonCellsAvx2(_mm256_set_epi64x(w3, w2, w1, w0), _mm256_set_epi64x(l3, l2, l1, l0),
                                          decimalComma, &dividends, &divisors, &signs, c);
    const unsigned want = k + 4 <= n ? 0xFu : (1u << (n - k)) - 1;
    if ((read & want) != want &&
        !otherCells(p, bounds, end, k, want & ~read, delim, decimalComma, dividends, divisors, signs))
      return false;
    // Four correctly rounded IEEE quotients at a time: the same values as
    // one by one. Lanes past n divide 0 by 1.
    _mm_store_ps(values + k, _mm_xor_ps(_mm_div_ps(dividends, divisors), _mm_castsi128_ps(signs)));
  }
  for (size_t k = 0; k < n; ++k) columns[k][row] = values[k];
  p = afterLineEnd(bounds[n - 1], end);
  return true;
}
#endif

#if defined(CORVIMET_CELLS_AVX2)
#define CORVIMET_AVX512_TARGET "avx2,avx512f,avx512bw,avx512dq,avx512vl"
// commonCellsAvx2's steps for eight cells at once, its all-ones lanes as
// masks: the same integers and the same quotients. (The masked forms with
// every lane set stand for the plain ones, which GCC 12 warns about.)
__attribute__((target(CORVIMET_AVX512_TARGET), always_inline)) inline unsigned commonCellsAvx512(
    __m512i bytes, __m512i lengths, bool decimalComma, __m256* dividends, __m256* divisors, __m256i* signs) {
  constexpr __mmask8 all = 0xFF;
  const __m512i zero = _mm512_setzero_si512(), one = _mm512_set1_epi64(1);
  const __m512i lowBytes = _mm512_set1_epi64(0x0101010101010101ll);
  const __mmask8 fits = _mm512_cmplt_epi64_mask(lengths, _mm512_set1_epi64(9));
  const __mmask8 minus =
      _mm512_cmpeq_epi64_mask(_mm512_and_si512(bytes, _mm512_set1_epi64(0xFF)), _mm512_set1_epi64('-'));
  bytes = _mm512_mask_srli_epi64(bytes, minus, bytes, 8);
  lengths = _mm512_mask_sub_epi64(lengths, minus, lengths, one);
  const __m512i keep = _mm512_maskz_srlv_epi64(
      all, _mm512_set1_epi64(-1), _mm512_sub_epi64(_mm512_set1_epi64(64), _mm512_maskz_slli_epi64(all, lengths, 3)));
  __mmask64 pointBytes = _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('.'));
  if (decimalComma) pointBytes |= _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(','));
  const __m512i points = _mm512_and_si512(_mm512_maskz_mov_epi8(pointBytes, lowBytes), keep);
  __m512i x = _mm512_and_si512(_mm512_xor_si512(bytes, _mm512_set1_epi64(0x3030303030303030ll)), keep);
  const __m512i below = _mm512_sub_epi64(points, one);
  const __mmask8 onePoint = _mm512_test_epi64_mask(points, points) & _mm512_testn_epi64_mask(points, below);
  const __m512i moved = _mm512_or_si512(_mm512_and_si512(x, below),
                                        _mm512_maskz_andnot_epi64(all, below, _mm512_maskz_srli_epi64(all, x, 8)));
  x = _mm512_mask_mov_epi64(x, onePoint, moved);
  const __m512i before = _mm512_sad_epu8(_mm512_and_si512(below, lowBytes), zero);
  const __m512i digits = _mm512_mask_sub_epi64(lengths, onePoint, lengths, one);
  const __m512i scale = _mm512_maskz_sub_epi64(onePoint, digits, before);
  const __m512i notDigit =
      _mm512_and_si512(_mm512_or_si512(_mm512_add_epi64(x, _mm512_set1_epi64(0x7676767676767676ll)), x),
                       _mm512_set1_epi64(static_cast<long long>(0x8080808080808080ull)));
  const __mmask8 good = _mm512_testn_epi64_mask(notDigit, notDigit) & _mm512_cmpgt_epi64_mask(digits, zero) & fits;
  x = _mm512_maskz_sllv_epi64(
      all, x, _mm512_maskz_slli_epi64(all, _mm512_sub_epi64(_mm512_set1_epi64(8), digits), 3));
  const __m512i pairs = _mm512_maddubs_epi16(x, _mm512_set1_epi64(0x010A010A010A010All));
  const __m512i fours = _mm512_madd_epi16(pairs, _mm512_set1_epi64(0x0001006400010064ll));
  const __m512i value = _mm512_add_epi64(_mm512_maskz_mul_epu32(all, fours, _mm512_set1_epi64(10000)),
                                         _mm512_maskz_srli_epi64(all, fours, 32));
  const __mmask8 read = good & _mm512_cmplt_epi64_mask(value, _mm512_set1_epi64((1 << 24) + 1));
  const __m256 powers = _mm256_setr_ps(1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f);
  *dividends = _mm256_cvtepi32_ps(_mm512_maskz_cvtepi64_epi32(all, value));
  *divisors = _mm256_permutevar8x32_ps(powers, _mm512_maskz_cvtepi64_epi32(all, scale));
  *signs = _mm256_maskz_mov_epi32(minus, _mm256_set1_epi32(static_cast<int>(0x80000000u)));
  return read;
}

// fastRowAvx2's work with 64 bytes of the scan and eight cells at a time.
__attribute__((target(CORVIMET_AVX512_TARGET), always_inline)) inline bool fastRowAvx512(
    const char*& p, const char* end, size_t n, char delim, bool decimalComma, float* const* columns, size_t row,
    const char** bounds) {
  if (n > kLanes) return false;
  size_t found = 0;
  const char* q = p;
  {
    const __m512i delims64 = _mm512_set1_epi8(delim), cr = _mm512_set1_epi8('\r'), lf = _mm512_set1_epi8('\n');
    int r = 0;
    for (; end - q >= 64; q += 64) {
      const __m512i w = _mm512_loadu_si512(q);
      const uint64_t delims = _mm512_cmpeq_epi8_mask(w, delims64);
      const uint64_t ends = _mm512_cmpeq_epi8_mask(w, cr) | _mm512_cmpeq_epi8_mask(w, lf);
      if ((r = takeBounds(q, delims, ends, n, found, bounds)) != 0) break;
    }
    // The scan covers the same whole blocks of 16 bytes as rowBounds.
    if (r < 0 || (r == 0 && !rowBounds(q, end, n, delim, found, bounds))) return false;
  }
  const bool inText = end - bounds[n - 1] >= 8;
  alignas(32) float values[kLanes + 8];
  for (size_t k = 0; k < n; k += 8) {
    long long w0, w1, w2, w3, w4, w5, w6, w7, l0, l1, l2, l3, l4, l5, l6, l7;
    commonCellWord(p, bounds, k, n, inText, decimalComma, w0, l0);
    commonCellWord(p, bounds, k + 1, n, inText, decimalComma, w1, l1);
    commonCellWord(p, bounds, k + 2, n, inText, decimalComma, w2, l2);
    commonCellWord(p, bounds, k + 3, n, inText, decimalComma, w3, l3);
    commonCellWord(p, bounds, k + 4, n, inText, decimalComma, w4, l4);
    commonCellWord(p, bounds, k + 5, n, inText, decimalComma, w5, l5);
    commonCellWord(p, bounds, k + 6, n, inText, decimalComma, w6, l6);
    commonCellWord(p, bounds, k + 7, n, inText, decimalComma, w7, l7);
    __m256 dividends, divisors;
    __m256i signs;
    // Built in registers: kept in an array and loaded as one vector, they
    // made the load wait for the stores (a seventh slower).
    const unsigned read = commonCellsAvx512(_mm512_set_epi64(w7, w6, w5, w4, w3, w2, w1, w0),
                                            _mm512_set_epi64(l7, l6, l5, l4, l3, l2, l1, l0), decimalComma,
                                            &dividends, &divisors, &signs);
    const unsigned want = k + 8 <= n ? 0xFFu : (1u << (n - k)) - 1;
    if ((read & want) != want &&
        !otherCells(p, bounds, end, k, want & ~read, delim, decimalComma, dividends, divisors, signs))
      return false;
    // Eight correctly rounded quotients at a time; lanes past n divide 0 by 1.
    _mm256_store_ps(values + k, _mm256_xor_ps(_mm256_div_ps(dividends, divisors), _mm256_castsi256_ps(signs)));
  }
  for (size_t k = 0; k < n; ++k) columns[k][row] = values[k];
  p = afterLineEnd(bounds[n - 1], end);
  return true;
}
#endif

// The text a page ahead asked for early: the hardware's own prefetching
// stops at every 4 KB page, and the rows waited there for their bytes (a
// fifth of the import's time). Only a hint; it never faults.
inline void prefetchAhead(const char* p) {
#if defined(__GNUC__)
  __builtin_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p) + 4096));
#else
  (void)p;
#endif
}

#if defined(CORVIMET_CELLS_AVX2)
// fastRows with AVX2.
__attribute__((target("avx2"))) size_t fastRowsAvx2(const char*& p, const char* limit, const char* end, size_t n,
                                                    char delim, bool decimalComma, float* const* columns, size_t row,
                                                    size_t most, const char** bounds) {
  // The constants copied where the compiler must read them from memory,
  // once an instruction's operand: built in registers each time, most took
  // three instructions, twice a row.
  CellConstants c = kCellConstants;
  asm volatile("" : : "r"(&c) : "memory");
  size_t got = 0;
  for (; got < most && p < limit; ++got) {
    prefetchAhead(p);
    if (!fastRowAvx2(p, end, n, delim, decimalComma, columns, row + got, bounds, c)) break;
  }
  return got;
}
#endif

#if defined(CORVIMET_CELLS_AVX2)
// fastRows with AVX-512.
__attribute__((target(CORVIMET_AVX512_TARGET))) size_t fastRowsAvx512(const char*& p, const char* limit,
                                                                    const char* end, size_t n, char delim,
                                                                    bool decimalComma, float* const* columns,
                                                                    size_t row, size_t most, const char** bounds) {
  size_t got = 0;
  for (; got < most && p < limit; ++got) {
    prefetchAhead(p);
    if (!fastRowAvx512(p, end, n, delim, decimalComma, columns, row + got, bounds)) break;
  }
  return got;
}
#endif

// Rows from p of exactly n plain numbers and a line end each, for as long
// as they last, at most `most` and none from limit (a row start) on: the
// k-th number of the i-th row goes to columns[k][row + i]. Returns how many;
// p moves to the row after them. bounds has room for n pointers.
size_t fastRows(const char*& p, const char* limit, const char* end, size_t n, char delim, bool decimalComma,
                float* const* columns, size_t row, size_t most, const char** bounds) {
#if defined(CORVIMET_CELLS_AVX2)
  if (gWideTextRows.load(std::memory_order_relaxed) && CpuHasAvx2() && CpuHasAvx512Bw())
    return fastRowsAvx512(p, limit, end, n, delim, decimalComma, columns, row, most, bounds);
  if (CpuHasAvx2()) return fastRowsAvx2(p, limit, end, n, delim, decimalComma, columns, row, most, bounds);
#endif
  size_t got = 0;
  for (; got < most && p < limit; ++got) {
    prefetchAhead(p);
    if (!fastRowPlain(p, end, n, delim, decimalComma, columns, row + got, bounds)) break;
  }
  return got;
}

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

// A run of whole rows read on a thread of its own: the plain rows from its
// start, up to stop.
struct Stretch {
  const char* begin = nullptr;
  const char* end = nullptr;
  const char* stop = nullptr;
  size_t rows = 0;
  bool failed = false;
  std::vector<std::vector<float>> columns;
};

void readStretch(Stretch& s, const char* bufferEnd, size_t n, char delim, bool decimalComma, double rowsPerByte) {
  s.stop = s.begin;
  try {
    s.columns.resize(n);
    for (auto& c : s.columns) c.reserve(static_cast<size_t>(static_cast<double>(s.end - s.begin) * rowsPerByte) + 16);
    std::vector<const char*> bounds(n);
    // Staged column after column, so that the columns grow a block at a time.
    const size_t stageRows = std::max<size_t>(16, 16384 / n);
    std::vector<float> stage(n * stageRows);
    std::vector<float*> staging(n);
    for (size_t k = 0; k < n; ++k) staging[k] = stage.data() + k * stageRows;
    size_t staged = 0;
    const auto flush = [&] {
      for (size_t k = 0; k < n; ++k)
        s.columns[k].insert(s.columns[k].end(), stage.begin() + static_cast<ptrdiff_t>(k * stageRows),
                            stage.begin() + static_cast<ptrdiff_t>(k * stageRows + staged));
      s.rows += staged;
      staged = 0;
    };
    // The stop kept in a local while reading: the stretches sit side by
    // side, and writing to them row after row made the threads fight over
    // the line.
    const char* p = s.begin;
    for (;;) {
      const size_t room = stageRows - staged;
      const size_t got = fastRows(p, s.end, bufferEnd, n, delim, decimalComma, staging.data(), staged, room,
                                  bounds.data());
      staged += got;
      if (got < room) break;   // a row that is not plain, or the end of the stretch
      flush();
    }
    flush();
    s.stop = p;
  } catch (...) {  // nothing may leave a thread; the rows are read the ordinary way
    s.failed = true;
  }
}

// The start of the row after the line end at or after p, taking CR LF as
// one line end, as nextField does.
const char* nextRowStart(const char* p, const char* end) {
  while (p < end && *p != '\r' && *p != '\n') ++p;
  if (p < end && *p == '\r') ++p;
  if (p < end && *p == '\n') ++p;
  return p;
}

constexpr ptrdiff_t kStretchBytes = ptrdiff_t{2} << 20;

// Rows from p read on several threads, when there are enough of them and no
// quotes from p on, which could hide line ends.
std::vector<Stretch> readStretches(const char* p, const char* end, size_t n, char delim, bool decimalComma,
                                   double rowsPerByte, bool quotesAhead) {
  std::vector<Stretch> stretches;
  const ptrdiff_t threads = std::min<ptrdiff_t>(static_cast<ptrdiff_t>(importThreads()), (end - p) / kStretchBytes);
  if (threads < 2 || quotesAhead) return stretches;
  try {
    stretches.resize(static_cast<size_t>(threads));
  } catch (const std::bad_alloc&) {
    return {};  // read the ordinary way
  }
  const ptrdiff_t share = (end - p) / threads;
  for (ptrdiff_t i = 0; i < threads; ++i) {
    Stretch& s = stretches[static_cast<size_t>(i)];
    s.begin = i == 0 ? p : stretches[static_cast<size_t>(i - 1)].end;
    s.end = i + 1 == threads ? end : nextRowStart(std::max(s.begin, p + share * (i + 1)), end);
  }
  onThreads(stretches.size(),
            [&](size_t i) { readStretch(stretches[i], end, n, delim, decimalComma, rowsPerByte); });
  return stretches;
}

#if defined(CORVIMET_CELLS_AVX2)
// countLineEnds' loop below, 32 bytes at a time, up to where fewer than 33 are
// left; the count so far, with p moved on. *plain: no byte read was a zero,
// a double quote or above 0x7F.
__attribute__((target("avx2"))) size_t countLineEndsAvx2(const char*& p, const char* end, bool* plain) {
  size_t n = 0;
  const __m256i lf = _mm256_set1_epi8('\n'), cr = _mm256_set1_epi8('\r'), zero = _mm256_setzero_si256();
  const __m256i quote = _mm256_set1_epi8('"');
  // High bytes keep their top bit; a zero or a quote becomes 0xFF.
  __m256i special = zero;
  while (end - p > 32) {
    __m256i counts = zero;
    for (int step = 0; step < 255 && end - p > 32; ++step, p += 32) {
      const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
      const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
      const __m256i ends = _mm256_or_si256(_mm256_cmpeq_epi8(w, lf),
                                           _mm256_andnot_si256(_mm256_cmpeq_epi8(next, lf), _mm256_cmpeq_epi8(w, cr)));
      counts = _mm256_sub_epi8(counts, ends);
      special = _mm256_or_si256(special, _mm256_or_si256(w, _mm256_or_si256(_mm256_cmpeq_epi8(w, zero),
                                                                            _mm256_cmpeq_epi8(w, quote))));
    }
    const __m256i sums = _mm256_sad_epu8(counts, zero);
    n += static_cast<size_t>(_mm256_extract_epi64(sums, 0)) + static_cast<size_t>(_mm256_extract_epi64(sums, 1)) +
         static_cast<size_t>(_mm256_extract_epi64(sums, 2)) + static_cast<size_t>(_mm256_extract_epi64(sums, 3));
  }
  *plain = _mm256_movemask_epi8(special) == 0;
  return n;
}
#endif

// Line ends in [p, end), read as nextField reads them: LF, CR LF and a lone
// CR each end one line. end is a row start or the end of the text, so no CR
// LF straddles it. Where plain is given, it tells whether every byte is
// plain ASCII other than a zero or a double quote, which scanText would pass
// over; false where that was not looked at.
size_t countLineEnds(const char* p, const char* end, bool* plain = nullptr) {
  size_t n = 0;
  bool plainSoFar = false;
#if defined(CORVIMET_CELLS_AVX2)
  if (CpuHasAvx2()) {
    n += countLineEndsAvx2(p, end, &plainSoFar);
    for (const char* q = p; q < end && plainSoFar; ++q)
      plainSoFar = *q != 0 && *q != '"' && static_cast<unsigned char>(*q) < 0x80;
  }
#endif
  if (plain) *plain = plainSoFar;
#if defined(__SSE2__)
  // Per byte, a LF or a CR with no LF after it; counted in the bytes of a
  // register, added up every 255 steps before a byte can overflow.
  const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r'), zero = _mm_setzero_si128();
  while (end - p > kScanBytes) {
    __m128i counts = zero;
    for (int step = 0; step < 255 && end - p > kScanBytes; ++step, p += kScanBytes) {
      const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
      const __m128i ends =
          _mm_or_si128(_mm_cmpeq_epi8(w, lf), _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(w, cr)));
      counts = _mm_sub_epi8(counts, ends);
    }
    const __m128i sums = _mm_sad_epu8(counts, zero);
    n += static_cast<size_t>(_mm_cvtsi128_si32(sums)) + static_cast<size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
#endif
  for (; p < end; ++p) n += *p == '\n' || (*p == '\r' && !(p + 1 < end && p[1] == '\n'));
  return n;
}

// The line ends of a text counted piece by piece as it was read, so that a
// count over any part of it looks at two pieces at most. A line end belongs
// to the piece that holds its last byte.
struct LineEnds {
  const char* base = nullptr;
  std::vector<size_t> starts;   // of the pieces, in order; the first is 0
  std::vector<size_t> before;   // line ends before each piece

  // Line ends in [base, at), at a row start or the end of the text.
  size_t upTo(const char* at) const {
    const auto x = static_cast<size_t>(at - base);
    const size_t k = static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), x) - starts.begin()) - 1;
    return before[k] + countLineEnds(base + starts[k], at);
  }
  size_t in(const char* from, const char* to) const { return upTo(to) - upTo(from); }
};

// readStretches without the copies: the line ends of each stretch counted
// first, the columns grown once to hold them all, then each stretch read on
// its own thread straight into its rows. Every line of a stretch must be a
// plain row for the rows after it to be in place, so the rows are taken up
// to the first line that is not; the ordinary reading goes on from there
// (*at), and the stretches after it are left in *rest as readStretches
// leaves them. Taken rows follow the first `rows` of each column. False,
// with nothing read, where the text is too short to share out, may hide
// line ends in quotes or has more lines than a file may have cases.
bool readStretchesInPlace(const char* p, const char* end, std::vector<ChannelArray>& columns, size_t rows,
                          char delim, bool decimalComma, bool quotesAhead, const LineEnds* counted, const char** at,
                          std::vector<Stretch>* rest) {
  const ptrdiff_t threads = std::min<ptrdiff_t>(static_cast<ptrdiff_t>(importThreads()), (end - p) / kStretchBytes);
  if (threads < 2 || quotesAhead) return false;
  struct Share {
    const char* begin = nullptr;
    const char* end = nullptr;
    const char* stop = nullptr;   // after the last row read
    size_t lines = 0, first = 0, read = 0;
  };
  std::vector<Share> shares;
  std::vector<float*> into;
  try {
    shares.resize(static_cast<size_t>(threads));
    into.resize(columns.size());
  } catch (const std::bad_alloc&) {
    return false;
  }
  const ptrdiff_t part = (end - p) / threads;
  for (ptrdiff_t i = 0; i < threads; ++i) {
    Share& s = shares[static_cast<size_t>(i)];
    s.begin = s.stop = i == 0 ? p : shares[static_cast<size_t>(i - 1)].end;
    s.end = i + 1 == threads ? end : nextRowStart(std::max(s.begin, p + part * (i + 1)), end);
  }
  if (counted)
    for (Share& s : shares) s.lines = counted->in(s.begin, s.end);
  else
    onThreads(shares.size(), [&](size_t i) { shares[i].lines = countLineEnds(shares[i].begin, shares[i].end); });
  size_t lines = 0;
  for (Share& s : shares) {
    s.first = rows + lines;
    lines += s.lines;
  }
  // More lines than a file may have cases: the ordinary reading tells
  // whether as many are rows.
  if (rows + lines > static_cast<size_t>(kMaxCases)) return false;
  // Each column grown on a thread of its own, its fresh pages mapped in one
  // call: the kernel's work on them took a tenth of the import on one
  // thread. Every row kept is written below, so no zeros go in first.
  if (!eachOnThreads(columns.size(), true, [&](size_t k) {
        columns[k].resizeForOverwrite(rows + lines);
        PopulatePages(columns[k].data() + rows, lines * sizeof(float));
      })) {
    for (ChannelArray& c : columns) c.resize(rows);
    return false;
  }
  for (size_t k = 0; k < columns.size(); ++k) into[k] = columns[k].data();
  const size_t n = columns.size();
  onThreads(shares.size(), [&](size_t i) {
    // Kept in locals while reading, as readStretch keeps them.
    const Share s = shares[i];
    const char* stop = s.begin;
    size_t read = 0;
    try {
      std::vector<const char*> bounds(n);
      read = fastRows(stop, s.end, end, n, delim, decimalComma, into.data(), s.first, s.lines, bounds.data());
    } catch (...) {  // nothing may leave a thread; the rows are read the ordinary way
      read = 0;
      stop = s.begin;
    }
    shares[i].read = read;
    shares[i].stop = stop;
  });
  // The rows are in place up to the first stretch that stopped short. That
  // one's remaining lines are read the ordinary way, and the rows of those
  // after it, moved out into stretches of their own, are taken after them.
  size_t taken = 0;
  size_t i = 0;
  while (i < shares.size() && shares[i].read == shares[i].lines && shares[i].stop == shares[i].end) taken += shares[i++].read;
  if (i < shares.size()) {
    try {
      rest->resize(shares.size() - i);
      for (size_t j = i; j < shares.size(); ++j) {
        const Share& from = shares[j];
        Stretch& to = (*rest)[j - i];
        to.begin = j == i ? from.stop : from.begin;
        to.stop = from.stop;
        to.end = from.end;
        to.columns.resize(n);
        if (j == i) continue;
        to.rows = from.read;
        for (size_t k = 0; k < n; ++k) to.columns[k].assign(into[k] + from.first, into[k] + from.first + from.read);
      }
    } catch (const std::bad_alloc&) {
      rest->clear();   // only the rows before are kept; the rest is read again
    }
    taken += shares[i].read;
  }
  for (ChannelArray& c : columns) c.resize(rows + taken);
  *at = i < shares.size() ? shares[i].stop : end;
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

// What one pass over the whole text tells: a zero byte (a binary or UTF-16
// file), whether it is valid UTF-8 with any multi-byte character, and where
// its last double quote is.
struct TextScan {
  bool zeroByte = false;
  bool utf8 = true;
  bool anyHigh = false;
  ptrdiff_t lastQuote = -1;
};

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

// What the scans of the parts of a text tell of the whole, the parts' last
// quotes given as offsets in the whole.
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

int64_t lineOf(std::string_view text, size_t offset) {
  int64_t line = 1;
  for (size_t i = 0; i < offset; ++i)
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) ++line;
  return line;
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

// One point only: "14.03.2024" is a date, and says nothing of the decimal mark.
bool looksLikePointNumber(std::string_view s) {
  s = trim(s);
  const size_t point = s.find('.');
  return point != std::string_view::npos && s.find('.', point + 1) == std::string_view::npos &&
         s.find_first_not_of("+-0123456789.eE") == std::string_view::npos;
}

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

// Significant digits a number's text carries ("0.0120" three, "1.5e-3" two).
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

namespace {

bool startsWithByteOrderMark(std::string_view text) { return text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF"; }

// The parse of a text without its byte-order mark, scanned already; its line
// ends counted already where lineEnds is given.
FileStatus parseScanned(std::string_view text, const TextScan& scan, const LineEnds* lineEnds, TextTable* out) {
  TextTable t;
  if (scan.zeroByte) return FileStatus::BadFormat;  // binary, or UTF-16
  const bool utf8 = scan.utf8 && scan.anyHigh;
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
      t.notices.push_back(std::to_string(above) + (above == 1 ? " line above" : " lines above") +
                          " the column names " + (above == 1 ? "was" : "were") + " left out.");
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
      t.notices.push_back("The quoted heading that opens on line " +
                          std::to_string(lineOf(text, static_cast<size_t>(q.open))) + " closes on line " +
                          std::to_string(lineOf(text, static_cast<size_t>(q.close))) +
                          "; the lines between were read as part of it.");
  }

  // Decimal comma: only without comma delimiters, and only when the numbers
  // show commas and never a point.
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

  // Data rows.
  p = dataStart;
  bool firstRow = true;
  size_t rows = 0;
  bool dateFound = false;
  CivilDate firstDate;
  std::vector<Cell> cells;
  std::vector<const char*> bounds;
  std::vector<float> stage;  // column after column, stageRows each
  std::vector<float*> staging;  // where each column's run starts in it
  size_t stageRows = 0, staged = 0;
  const auto flushStage = [&]() {
    try {
      for (size_t k = 0; k < t.columns.size() && staged > 0; ++k)
        t.columns[k].insert(t.columns[k].end(), stage.begin() + static_cast<ptrdiff_t>(k * stageRows),
                            stage.begin() + static_cast<ptrdiff_t>(k * stageRows + staged));
    } catch (const std::bad_alloc&) {
      return false;
    }
    staged = 0;
    return true;
  };
  const char* widest = nullptr;   // the first row as wide as the table
  int widestCells = 0;
  // Rows from p up to limit (a row start), or only up to the first row.
  const auto readRows = [&](const char* limit, bool firstOnly) {
    while (p < limit && !(firstOnly && rows > 0)) {
      // The common row: one plain number to each column, staged so that the
      // columns grow a block at a time.
      const size_t n = t.columns.size();
      if (n > 0 && rows < static_cast<size_t>(kMaxCases)) {
        const size_t got = fastRows(p, limit, end, n, t.delimiter, t.decimalComma, staging.data(), staged,
                                    std::min(stageRows - staged, static_cast<size_t>(kMaxCases) - rows), bounds.data());
        rows += got;
        staged += got;
        if (staged == stageRows && !flushStage()) return FileStatus::OutOfMemory;
        if (got > 0) continue;
      }
      if (!flushStage()) return FileStatus::OutOfMemory;
      cells.clear();
      bool blank = true;
      const char* const rowStart = p;
      do {
        if (cells.size() == static_cast<size_t>(kMaxTextColumns)) {
          out->tooWideLine = lineOf(text, static_cast<size_t>(rowStart - text.data()));
          return FileStatus::TooManyColumns;
        }
        Cell c;
        if (const char* q = fastNumber(p, end, t.delimiter, t.decimalComma, &c.value)) {
          c.field.raw = std::string_view(p, static_cast<size_t>(q - p));
          c.read = true;
          blank = false;
          p = q;
        } else {
          c.field = scanField(p, end, t.delimiter);
          if (blank) blank = trim(c.field.raw).empty();
        }
        cells.push_back(c);
      } while (nextField(p, end, t.delimiter));
      if (blank) continue;
      if (rows >= static_cast<size_t>(kMaxCases)) return FileStatus::TooManyCases;
      if (cells.size() > t.columns.size()) {
        const size_t old = t.columns.size();
        widest = rowStart;
        widestCells = static_cast<int>(cells.size());
        try {
          t.columns.resize(cells.size(), ChannelArray(rows, 0.0f));
        } catch (const std::bad_alloc&) {
          return FileStatus::OutOfMemory;
        }
        try {
          for (size_t k = old; k < cells.size(); ++k) t.columns[k].reserve(std::max(expectRows, rows + 1));
        } catch (const std::bad_alloc&) {
          // Only a guess; the columns grow as needed.
        }
        bounds.resize(cells.size());
        stageRows = std::max<size_t>(16, 16384 / cells.size());
        try {
          stage.resize(cells.size() * stageRows);
          staging.resize(cells.size());
        } catch (const std::bad_alloc&) {
          return FileStatus::OutOfMemory;
        }
        for (size_t k = 0; k < cells.size(); ++k) staging[k] = stage.data() + k * stageRows;
        t.unreadCells.resize(cells.size(), static_cast<int64_t>(rows));
        t.clockColumn.resize(cells.size(), false);
        t.firstCells.resize(cells.size());
        for (size_t k = old; k < cells.size(); ++k)
          if (firstRow) t.clockColumn[k] = isClock(cells[k].field.raw);
      }
      for (size_t k = 0; k < t.columns.size(); ++k) {
        float v = 0.0f;
        bool ok = false;
        if (k < cells.size()) {
          const Cell& c = cells[k];
          if (firstRow) t.firstCells[k] = TrimTrailingBlanks(trim(unquote(c.field)));
          if (c.read) {
            v = c.value;
            ok = true;
          } else {
            const std::string_view s = c.field.raw;
            ok = readNumber(s, t.decimalComma, &v) ||
                 (c.field.quoted && !t.decimalComma && t.delimiter == ',' && readGrouped(s, &v));
            // A clock column whose first cells hold no clock is found by
            // its first clock.
            if (!ok && !t.clockColumn[k] && t.unreadCells[k] == static_cast<int64_t>(rows) && isClock(s))
              t.clockColumn[k] = true;
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
    return flushStage() ? FileStatus::Ok : FileStatus::OutOfMemory;
  };

  if (const FileStatus st = readRows(end, true); st != FileStatus::Ok) return st;
  // Long runs of plain rows are read on several threads: straight into the
  // columns up to the first line that is no plain row, then, from there,
  // into stretches of their own taken in order for as long as the table
  // keeps its columns.
  if (p < end && !t.columns.empty()) {
    const bool quotesAhead = scan.lastQuote >= p - text.data();
    std::vector<Stretch> stretches;
    if (readStretchesInPlace(p, end, t.columns, rows, t.delimiter, t.decimalComma, quotesAhead, lineEnds, &p,
                             &stretches)) {
      rows = t.columns[0].size();
    } else {
      // The room reserved for the rows, mapped before they fill it.
      eachOnThreads(t.columns.size(), static_cast<size_t>(end - p) >= (size_t{4} << 20), [&](size_t k) {
        const ChannelArray& c = t.columns[k];
        PopulatePages(c.data() + c.size(), (c.capacity() - c.size()) * sizeof(float));
      });
      stretches = readStretches(p, end, t.columns.size(), t.delimiter, t.decimalComma, rowsPerByte, quotesAhead);
    }
    for (Stretch& s : stretches) {
      if (s.failed || p != s.begin || t.columns.size() != s.columns.size()) break;
      if (rows + s.rows > static_cast<size_t>(kMaxCases)) return FileStatus::TooManyCases;
      try {
        for (size_t k = 0; k < s.columns.size(); ++k) {
          t.columns[k].insert(t.columns[k].end(), s.columns[k].begin(), s.columns[k].end());
          std::vector<float>().swap(s.columns[k]);
        }
      } catch (const std::bad_alloc&) {
        return FileStatus::OutOfMemory;
      }
      rows += s.rows;
      p = s.stop;
      if (const FileStatus st = readRows(s.end, false); st != FileStatus::Ok) return st;
    }
  }
  if (const FileStatus st = readRows(end, false); st != FileStatus::Ok) return st;

  // A delimiter closing every line leaves an empty last column behind.
  while (t.columns.size() > 1 && t.unreadCells.back() == static_cast<int64_t>(rows) &&
         t.firstCells.back().empty() && (lastHeader.size() < t.columns.size() || lastHeader[t.columns.size() - 1].empty())) {
    t.columns.pop_back();
    t.unreadCells.pop_back();
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
  if (dateFound) t.firstRowDate = DateText(firstDate);
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
    t.clockColumn[to] = t.clockColumn[k];
    t.firstCells[to] = std::move(t.firstCells[k]);
  }
  t.columns.resize(sourceOf.size());
  t.unreadCells.resize(sourceOf.size());
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
    if (widest) {
      out->tooWideLine = lineOf(text, static_cast<size_t>(widest - text.data()));
      out->tooWideCells = widestCells;
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
        if (f < fields.size() && !readNumberDouble(fields[f].raw, t.decimalComma, &v)) {
          CivilDate d;
          bool hasDate;
          float g;
          if (fields[f].quoted && !t.decimalComma && t.delimiter == ',' && readGrouped(fields[f].raw, &g))
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
  if (clockTime >= 0 && t.unreadCells[static_cast<size_t>(clockTime)] > 0) {
    const int64_t n = t.unreadCells[static_cast<size_t>(clockTime)];
    t.notices.push_back(std::to_string(n) + (n == 1 ? " cell" : " cells") + " of the clock column \"" +
                        t.names[static_cast<size_t>(clockTime)] + (n == 1 ? "\" holds" : "\" hold") +
                        " no clock time and " + (n == 1 ? "was" : "were") +
                        " left out of the suggested interval and start.");
  }
  // A clock in whole seconds does not resolve a shorter interval (a 0.1 s
  // file shows ten rows a second): an elapsed time that does is preferred.
  if (clockTime >= 0 && elapsedTime >= 0 && !(medianStep(t, clockTime, TimeKind::Clock) > 0.0) &&
      medianStep(t, elapsedTime, TimeKind::Elapsed) > 0.0) {
    t.timeColumn = elapsedTime;
    t.timeKind = TimeKind::Elapsed;
  }
  if (t.timeColumn >= 0) t.suggestedInterval = IntervalFromColumn(t, t.timeColumn, t.timeKind);
  SuggestedTextStart(t, t.timeColumn, t.suggestedInterval, &t.suggestedStartDate, &t.suggestedStartTime);
  *out = std::move(t);
  return FileStatus::Ok;
}

}  // namespace

FileStatus ParseDelimitedText(std::string_view text, TextTable* out) {
  if (startsWithByteOrderMark(text)) text.remove_prefix(3);
  return parseScanned(text, scanTextShared(text), nullptr, out);
}

namespace {

// The text of a file in `all`, read there from fd first when `into` (the
// buffer under all) is given; a mapping is there already.
FileStatus readDelimitedText(int fd, char* into, std::string_view all, TextTable* out) {
  const size_t size = all.size();
  const char* const bytes = all.data();
  // Large files are read (or gone over, when mapped) in slices on several
  // threads: copying from the page cache and the first touch of the
  // buffer's pages then overlap. Each piece is scanned (as scanTextShared
  // does) while it is still in the cache, which spares the parse a pass over
  // the whole text. A thread scans from the first plain ASCII byte of its
  // slice up to the last one it has read; the few bytes between the slices
  // are scanned once all are in.
  constexpr size_t kSliceBytes = size_t{8} << 20, kPieceBytes = size_t{512} << 10;
  const size_t slices = std::clamp<size_t>(size / kSliceBytes, 1, importThreads());
  const size_t share = (size / slices + 4095) & ~size_t{4095};
  struct Slice {
    bool read = false;
    size_t scanFrom = 0, scanTo = 0;   // scanned: [scanFrom, scanTo), each a plain ASCII byte or the slice's end
    TextScan scan;
  };
  std::vector<Slice> got(slices);
  // The line ends of each piece, counted too while it is in the cache.
  const auto sliceFrom = [&](size_t i) { return std::min(size, i * share); };
  const auto sliceTo = [&](size_t i) { return i + 1 == slices ? size : std::min(size, sliceFrom(i) + share); };
  std::vector<size_t> firstPiece(slices + 1, 0);
  for (size_t i = 0; i < slices; ++i)
    firstPiece[i + 1] = firstPiece[i] + (sliceTo(i) - sliceFrom(i) + kPieceBytes - 1) / kPieceBytes;
  LineEnds lineEnds;
  lineEnds.base = bytes;
  lineEnds.starts.resize(firstPiece[slices]);
  lineEnds.before.resize(firstPiece[slices]);
  std::vector<size_t> pieceLineEnds(firstPiece[slices]);
  const auto readSlice = [&](size_t i) {
    const size_t from = sliceFrom(i), to = sliceTo(i);
    Slice& sl = got[i];
    sl.scanFrom = sl.scanTo = to;
    // Where the scan goes on; until the first plain byte is found, where the
    // search for it does (a byte-order mark is passed over with the rest).
    size_t next = from;
    bool started = false;
    for (size_t at = from; at < to;) {
      const size_t n = std::min(kPieceBytes, to - at);
      if (into && ReadFully(fd, into + at, n, at) != n) return;
      const size_t piece = firstPiece[i] + (at - from) / kPieceBytes;
      lineEnds.starts[piece] = at;
      bool plain = false;
      pieceLineEnds[piece] = countLineEnds(bytes + at, bytes + at + n, &plain);
      const size_t pieceStart = at;
      at += n;
      if (!started) {
        while (next < at && static_cast<unsigned char>(all[next]) >= 0x80) ++next;
        if (next == at) continue;
        started = true;
        sl.scanFrom = sl.scanTo = next;
      }
      // Up to the last plain byte read, or to the end of the text.
      size_t end = at;
      if (end < size)
        do --end; while (end > next && static_cast<unsigned char>(all[end]) >= 0x80);
      if (end <= next) continue;
      // Plain bytes tell the scan nothing, and a plain piece starts at a
      // character: only the bytes before it are scanned.
      const size_t scanEnd = plain ? std::min(end, std::max(next, pieceStart)) : end;
      if (scanEnd > next) {
        TextScan part = scanText(all.substr(next, scanEnd - next));
        if (part.lastQuote >= 0) part.lastQuote += static_cast<ptrdiff_t>(next);
        merge(sl.scan, part);
      }
      sl.scanTo = next = end;
    }
    sl.read = true;
  };
  onThreads(slices, readSlice);
  for (const Slice& sl : got)
    if (!sl.read) return FileStatus::CannotOpen;
  const size_t bom = startsWithByteOrderMark(all) ? 3 : 0;
  TextScan scan;
  size_t scanned = bom;   // every byte before it scanned
  const auto scanGap = [&](size_t to) {
    if (to <= scanned) return;
    TextScan part = scanText(all.substr(scanned, to - scanned));
    if (part.lastQuote >= 0) part.lastQuote += static_cast<ptrdiff_t>(scanned);
    merge(scan, part);
  };
  for (const Slice& sl : got) {
    if (sl.scanTo <= sl.scanFrom) continue;
    scanGap(sl.scanFrom);
    merge(scan, sl.scan);
    scanned = sl.scanTo;
  }
  scanGap(size);
  if (scan.lastQuote >= 0) scan.lastQuote -= static_cast<ptrdiff_t>(bom);
  // A CR LF across two pieces was counted in both.
  size_t total = 0;
  for (size_t k = 0; k < pieceLineEnds.size(); ++k) {
    const size_t next = k + 1 < pieceLineEnds.size() ? lineEnds.starts[k + 1] : size;
    if (next < size && all[next - 1] == '\r' && all[next] == '\n') --pieceLineEnds[k];
    lineEnds.before[k] = total;
    total += pieceLineEnds[k];
  }
  return parseScanned(all.substr(bom), scan, lineEnds.starts.empty() ? nullptr : &lineEnds, out);
}

}  // namespace

FileStatus ReadDelimitedTextFile(const std::filesystem::path& path, TextTable* out, bool mapped) {
  // The file mapped where the system allows, else read into a buffer.
  MappedFile mapping;
  if (mapped && mapping.open(path)) {
    const FileStatus st = readDelimitedText(-1, nullptr, mapping.bytes(), out);
    // Cut short while it was read: what was read is not the file.
    return mapping.cutShort() ? FileStatus::ChangedWhileRead : st;
  }
  uint64_t fileSize = 0;
  const int fd = OpenRegularFile(path, &fileSize);
  if (fd < 0) return FileStatus::CannotOpen;
  const auto size = static_cast<size_t>(fileSize);
  // Not a std::string: its resize would first fill every byte with zeros.
  std::unique_ptr<char[]> bytes(new (std::nothrow) char[size]);
  if (!bytes) {
    ::close(fd);
    return FileStatus::OutOfMemory;
  }
  PrepareFreshPages(bytes.get(), size, size);
  const FileStatus status = readDelimitedText(fd, bytes.get(), std::string_view(bytes.get(), size), out);
  ::close(fd);
  return status;
}

bool SetWideTextRows(bool on) { return gWideTextRows.exchange(on); }

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

std::string TextRefusalText(FileStatus status, const TextTable& table) {
  if (status == FileStatus::UnclosedQuote && table.unclosedQuoteLine > 0 && table.quoteCloseLine > 0)
    return "The quoted field that opens on line " + std::to_string(table.unclosedQuoteLine) + " closes only on line " +
           std::to_string(table.quoteCloseLine) +
           ", so the lines between would be read as one cell and their rows lost. Nothing was imported.";
  if (status == FileStatus::TooManyColumns && table.tooWideLine > 0)
    return std::string(FileStatusText(status)) + " Line " + std::to_string(table.tooWideLine) + " has " +
           (table.tooWideCells > 0 ? std::to_string(table.tooWideCells)
                                   : "more than " + std::to_string(kMaxTextColumns)) +
           " cells. Nothing was imported.";
  if (status == FileStatus::UnclosedQuote && table.unclosedQuoteLine > 0)
    return "The quoted field that opens on line " + std::to_string(table.unclosedQuoteLine) +
           " never closes, so every later row would be read into it. Nothing was imported.";
  return FileStatusText(status);
}

std::string UnreadCellsNotice(int64_t unreadCells) {
  if (unreadCells <= 0) return "";
  return std::to_string(unreadCells) +
         (unreadCells == 1 ? " cell was not a number and was read as 0." : " cells were not numbers and were read as 0.");
}

std::string SkippedColumnsNotice(const std::vector<std::string>& names) {
  if (names.empty()) return "";
  std::string list;
  for (const std::string& n : names) list += (list.empty() ? "\"" : ", \"") + n + "\"";
  return (names.size() == 1 ? "The text column " + list + " was left out."
                             : "The text columns " + list + " were left out.");
}
