#include "datafiles/text_rows.h"

#include <atomic>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "datafiles/text_cells.h"
#include "platform/cpu.h"
#include "platform/pages.h"
#include "shell/textutil.h"

namespace textimport {

namespace {

struct Cell {
  Field field;
  float value = 0.0f;
  bool read = false;  // value already read by fastNumber
};

// Whether plain rows may be read eight cells at a time (AVX-512); off only
// in the tests, which hold the narrower reader to the same tables.
std::atomic<bool> gWideTextRows{true};

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

}  // namespace

size_t countLineEnds(const char* p, const char* end, bool* plain) {
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

namespace {

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

// Counts an unread cell of row `row`, which starts at offset `at`, in its
// column's runs: it lengthens the last run or starts one while fewer than
// kUnreadRunsKept are kept. The offset stands in the run's line until
// placeUnreadRuns.
void noteUnreadCell(std::vector<UnreadRun>& runs, int64_t row, int64_t at) {
  if (!runs.empty() && runs.back().firstRow + runs.back().rows == row) {
    ++runs.back().rows;
    return;
  }
  if (runs.size() < kUnreadRunsKept) runs.push_back({row, 1, at});
}

// The runs' first rows, kept as offsets in the text (each a row start),
// become their lines: one count of line ends up to the last of them.
void placeUnreadRuns(std::string_view text, std::vector<std::vector<UnreadRun>>& columns) {
  std::vector<UnreadRun*> runs;
  for (std::vector<UnreadRun>& c : columns)
    for (UnreadRun& r : c) runs.push_back(&r);
  std::sort(runs.begin(), runs.end(), [](const UnreadRun* a, const UnreadRun* b) { return a->line < b->line; });
  size_t counted = 0;
  int64_t lineEnds = 0;
  for (UnreadRun* r : runs) {
    const auto at = static_cast<size_t>(r->line);
    lineEnds += static_cast<int64_t>(countLineEnds(text.data() + counted, text.data() + at));
    counted = at;
    r->line = lineEnds + 1;
  }
}

}  // namespace

FileStatus readDataRows(std::string_view text, const TableStart& start, ptrdiff_t lastQuote, const LineEnds* lineEnds,
                        TextTable& t, RowsRead* read, TextTable* out) {
  // Where the delimiter is not a comma, a comma in a number can only be its
  // decimal mark, and a point is one anywhere: each cell is read by its own,
  // so that a file whose mark changes part-way (two loggers' exports joined)
  // reads throughout.
  const bool commaMarks = t.delimiter != ',';
  const char* const end = text.data() + text.size();
  const size_t expectRows = start.expectRows;
  const double rowsPerByte = start.rowsPerByte;
  const char* p = start.dataStart;
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
  const char* firstRowStart = nullptr;
  // Rows from p up to limit (a row start), or only up to the first row.
  const auto readRows = [&](const char* limit, bool firstOnly) {
    while (p < limit && !(firstOnly && rows > 0)) {
      // The common row: one plain number to each column, staged so that the
      // columns grow a block at a time.
      const size_t n = t.columns.size();
      if (n > 0 && rows < static_cast<size_t>(kMaxCases)) {
        const size_t got = fastRows(p, limit, end, n, t.delimiter, commaMarks, staging.data(), staged,
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
        if (const char* q = fastNumber(p, end, t.delimiter, commaMarks, &c.value)) {
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
      if (rows == 0) firstRowStart = rowStart;
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
        t.unreadRuns.resize(cells.size());
        // The rows above, which had no cell for it.
        if (rows > 0)
          for (size_t k = old; k < cells.size(); ++k)
            t.unreadRuns[k].push_back({0, static_cast<int64_t>(rows), firstRowStart - text.data()});
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
            ok = readNumber(s, commaMarks, &v) || (c.field.quoted && !commaMarks && readGrouped(s, &v));
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
          noteUnreadCell(t.unreadRuns[k], static_cast<int64_t>(rows), rowStart - text.data());
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
    const bool quotesAhead = lastQuote >= p - text.data();
    std::vector<Stretch> stretches;
    if (readStretchesInPlace(p, end, t.columns, rows, t.delimiter, commaMarks, quotesAhead, lineEnds, &p,
                             &stretches)) {
      rows = t.columns[0].size();
    } else {
      // The room reserved for the rows, mapped before they fill it.
      eachOnThreads(t.columns.size(), static_cast<size_t>(end - p) >= (size_t{4} << 20), [&](size_t k) {
        const ChannelArray& c = t.columns[k];
        PopulatePages(c.data() + c.size(), (c.capacity() - c.size()) * sizeof(float));
      });
      stretches = readStretches(p, end, t.columns.size(), t.delimiter, commaMarks, rowsPerByte, quotesAhead);
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

  placeUnreadRuns(text, t.unreadRuns);
  read->rows = rows;
  read->dateFound = dateFound;
  read->firstDate = firstDate;
  read->widest = widest;
  read->widestCells = widestCells;
  return FileStatus::Ok;
}

}  // namespace textimport

bool SetWideTextRows(bool on) { return textimport::gWideTextRows.exchange(on); }
