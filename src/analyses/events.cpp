#include "analyses/events.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include "platform/cpu.h"
#if CORVIMET_X86_DISPATCH
#include <immintrin.h>
#endif

#include "platform/macroman.h"
#include "platform/pages.h"
#include "shell/textutil.h"

namespace {

constexpr int16_t kUnitSecondsId = 65;
constexpr int16_t kUnitHoursId = 67;
constexpr int16_t kUnitDaysId = 228;

// Cases a chunk of the pass holds (kChunkCases below).
constexpr size_t kChunkCasesForStats = 64 * 64;

// One direction's run in progress. Sums are shifted by the run's first
// value, so a large offset keeps its spread.
struct OpenRun {
  int32_t start = 0;
  double shift = 0.0, sum = 0.0, sum2 = 0.0;
  float lo = 0.0f, hi = 0.0f;
  void begin(int32_t k, float v) {
    start = k;
    shift = v;
    sum = sum2 = 0.0;
    lo = hi = v;
  }
  // Four cases at a time, in any order: exactSums tells afterwards whether
  // that order could have changed a bit. Reads no case outside v..end.
  void addAll(const float* v, const float* end) {
    int64_t n = end - v;
#if defined(__SSE2__)
    if (n >= 4) {
      const __m128d sh = _mm_set1_pd(shift);
      __m128d s01 = _mm_setzero_pd(), s23 = s01, q01 = s01, q23 = s01;
      __m128 a = _mm_set1_ps(lo), b = _mm_set1_ps(hi);
      const auto add = [&](__m128 x, __m128d d01, __m128d d23) {
        s01 = _mm_add_pd(s01, d01);
        s23 = _mm_add_pd(s23, d23);
        q01 = _mm_add_pd(q01, _mm_mul_pd(d01, d01));
        q23 = _mm_add_pd(q23, _mm_mul_pd(d23, d23));
        a = _mm_min_ps(a, x);
        b = _mm_max_ps(b, x);
      };
      for (; n >= 4; n -= 4, v += 4) {
        const __m128 x = _mm_loadu_ps(v);
        const __m128d d01 = _mm_sub_pd(_mm_cvtps_pd(x), sh);
        const __m128d d23 = _mm_sub_pd(_mm_cvtps_pd(_mm_movehl_ps(x, x)), sh);
        add(x, d01, d23);
      }
      if (n > 0) {
        // The last one to three cases as the group of four ending the run,
        // without a loop whose end is guessed wrong: the cases added already
        // add +0, and meet the extremes again, which changes neither.
        const __m128 x = _mm_loadu_ps(end - 4);
        const __m128i from = _mm_set1_epi32(static_cast<int>(3 - n));
        const __m128d new01 = _mm_castsi128_pd(_mm_cmpgt_epi32(_mm_set_epi32(1, 1, 0, 0), from));
        const __m128d new23 = _mm_castsi128_pd(_mm_cmpgt_epi32(_mm_set_epi32(3, 3, 2, 2), from));
        const __m128d d01 = _mm_and_pd(_mm_sub_pd(_mm_cvtps_pd(x), sh), new01);
        const __m128d d23 = _mm_and_pd(_mm_sub_pd(_mm_cvtps_pd(_mm_movehl_ps(x, x)), sh), new23);
        add(x, d01, d23);
        n = 0;
      }
      const __m128d s4 = _mm_add_pd(s01, s23), q4 = _mm_add_pd(q01, q23);
      sum += _mm_cvtsd_f64(s4) + _mm_cvtsd_f64(_mm_unpackhi_pd(s4, s4));
      sum2 += _mm_cvtsd_f64(q4) + _mm_cvtsd_f64(_mm_unpackhi_pd(q4, q4));
      a = _mm_min_ps(a, _mm_movehl_ps(a, a));
      b = _mm_max_ps(b, _mm_movehl_ps(b, b));
      lo = std::min(_mm_cvtss_f32(a), _mm_cvtss_f32(_mm_shuffle_ps(a, a, 1)));
      hi = std::max(_mm_cvtss_f32(b), _mm_cvtss_f32(_mm_shuffle_ps(b, b, 1)));
    }
#endif
    for (; n > 0; --n, ++v) {
      const double d = *v - shift;
      sum += d;
      sum2 += d * d;
      lo = std::min(lo, *v);
      hi = std::max(hi, *v);
    }
  }
  // The run's cases one after another, as the sums are defined.
  void addInOrder(const float* v, const float* end) {
    double s = 0.0, s2 = 0.0;
    float a = static_cast<float>(shift), b = a;
    for (; v < end; ++v) {
      const double d = *v - shift;
      s += d;
      s2 += d * d;
      a = std::min(a, *v);
      b = std::max(b, *v);
    }
    sum = s;
    sum2 = s2;
    lo = a;
    hi = b;
  }
  // True when the sums came out as adding case after case gives them,
  // whatever the order. Every value of the run is a multiple of g, the unit
  // in the last place of the smallest magnitude among them, and so is every
  // difference from the shift and every partial sum of them; the squares
  // are multiples of g^2. With the sum of squares within 2^52 g^2 (2^53 less
  // a margin for its own rounding), each difference is within 2^26 g and the
  // sum of their magnitudes within 2^26 sqrt(n) g, so every operation was
  // exact. A run touching zero, where -0 and +0 tie for an extreme, goes
  // case by case.
  bool exactSums() const { return exactSumsOf(lo, hi, sum2); }
  static bool exactSumsOf(float lo, float hi, double sum2) {
    const float least = lo > 0.0f ? lo : hi < 0.0f ? -hi : 0.0f;
    if (!(least >= std::numeric_limits<float>::min())) return false;
    const int exponent = static_cast<int>(std::bit_cast<uint32_t>(least) >> 23) - 150;
    const double grid = std::bit_cast<double>(static_cast<uint64_t>(exponent + 1023) << 52);
    return sum2 <= 0x1p52 * grid * grid;
  }
};

// The kept events' durations in their order, apart from the records (a
// tenth of their size) so that the passes over them run from the cache:
// the sum and extremes as the events are kept, the squares about the mean
// and the histogram after. The list is a scratch the thread keeps for the
// next count, so that its pages are mapped already.
struct Durations {
  std::vector<float>& list;
  double sum = 0.0;
  float lo = 0.0f, hi = 0.0f;
  // The events counted by their cases, below kTabled, in two tables taken
  // in turn so that a row of equal lengths does not wait on its own last
  // count; the durations of longer ones apart. The histogram comes from
  // these.
  static constexpr int32_t kTabled = 1024;
  std::vector<int32_t> byCases = std::vector<int32_t>(2 * kTabled);
  std::vector<float> longer;
};

std::vector<float>& durationScratch(int direction) {
  static thread_local std::vector<float> lists[2];
  lists[direction].clear();
  return lists[direction];
}

// A list longer than 1 Mi durations (4 MiB) is not kept.
void releaseLong(std::vector<float>& list) {
  if (list.capacity() > (size_t{1} << 20)) std::vector<float>().swap(list);
}

// The runs of the chunk before looked at between two groups of sixteen
// runs' sums.
constexpr size_t kKeptBetween = 24;

// How far ahead of its writing a kept event's line is asked for, in bytes:
// about the records of the next chunk of a noisy trace.
constexpr uintptr_t kRecordsAhead = 10240;

// The runs that end in one chunk, side by side: their sums and extremes,
// then their mean and S.D. in the sums' places. Two divisions and a square
// root per run, made in line with each run's bookkeeping, kept the pass
// waiting on them; made together after the chunk they follow one another
// (eight at a time where the processor has AVX-512), with the same
// operations on the same values.
struct ChunkRuns {
  // Runs ending in one chunk, and sixteen places more for the lanes of the
  // last ones side by side.
  static constexpr size_t kMost = kChunkCasesForStats / 2 + 2 + 16;
  std::vector<double> sum = std::vector<double>(kMost), sum2 = std::vector<double>(kMost);
  std::vector<double> cases = std::vector<double>(kMost), shift = std::vector<double>(kMost);
  std::vector<float> lo = std::vector<float>(kMost), hi = std::vector<float>(kMost);
  std::vector<int32_t> start = std::vector<int32_t>(kMost), longer = std::vector<int32_t>(kMost);
  std::vector<int32_t> done = std::vector<int32_t>(kMost);   // cases added side by side
  size_t n = 0;
  void put(const OpenRun& m, int32_t end) { set(n++, m, end); }
  void set(size_t j, const OpenRun& m, int32_t end) {
    start[j] = m.start;
    cases[j] = end - m.start;
    shift[j] = m.shift;
    sum[j] = m.sum;
    sum2[j] = m.sum2;
    lo[j] = m.lo;
    hi[j] = m.hi;
  }
  OpenRun get(size_t j) const { return {start[j], shift[j], sum[j], sum2[j], lo[j], hi[j]}; }
};

// The mean and S.D. of runs j..n-1 in their places, as each run's own were:
// mean = sum / cases, sd = sqrt(max(0, sum2 / cases - mean^2)), the mean
// moved back by the run's shift.
inline void finishFrom(ChunkRuns* runs, size_t j) {
  double* mean = runs->sum.data();
  double* sd = runs->sum2.data();
  for (; j < runs->n; ++j) {
    const double m = mean[j] / runs->cases[j];
    sd[j] = std::sqrt(std::max(0.0, sd[j] / runs->cases[j] - m * m));
    mean[j] = runs->shift[j] + m;
  }
}

// The statistics of a direction's durations but their S.D.
DurationStats durationStats(const Durations& d) {
  DurationStats s;
  s.n = static_cast<int32_t>(d.list.size());
  if (d.list.empty()) return s;
  s.minimum = d.lo;
  s.maximum = d.hi;
  s.mean = d.sum / s.n;
  return s;
}

// The S.D. of both directions' durations, their sums of squares side by
// side: each waits on its own last addition, not on the other's.
void spreads(const Durations& a, DurationStats* sa, const Durations& b, DurationStats* sb) {
  const float* x = a.list.data();
  const float* z = b.list.data();
  const size_t na = a.list.size(), nb = b.list.size(), both = std::min(na, nb);
  const double ma = sa->mean, mb = sb->mean;
  double ssa = 0.0, ssb = 0.0;
  for (size_t i = 0; i < both; ++i) {
    ssa += (x[i] - ma) * (x[i] - ma);
    ssb += (z[i] - mb) * (z[i] - mb);
  }
  for (size_t i = both; i < na; ++i) ssa += (x[i] - ma) * (x[i] - ma);
  for (size_t i = both; i < nb; ++i) ssb += (z[i] - mb) * (z[i] - mb);
  if (na > 0) sa->sd = std::sqrt(ssa / sa->n);
  if (nb > 0) sb->sd = std::sqrt(ssb / sb->n);
}

// The bin of duration x, 1..25, or 0 for none.
int binOf(float x, double lo, double w) {
  const double v = x - lo;
  double b = 0.0;
  if (v > 0.0) b = std::trunc(v / w + 0.999);   // the shortest duration lands on the edge and is not drawn
  return b >= 1.0 && b <= kEventBins ? static_cast<int>(b) : 0;
}

// A direction's bins from its events counted by their cases: a duration
// is interval * cases, so each count of cases is binned once.
void binsOf(const Durations& d, double interval, double lo, double w, std::array<int32_t, kEventBins + 1>* bins) {
  std::array<int32_t, kEventBins + 1> counts{};
  for (int32_t k = 1; k < Durations::kTabled; ++k) {
    const int32_t n = d.byCases[static_cast<size_t>(k)] + d.byCases[static_cast<size_t>(Durations::kTabled + k)];
    if (n > 0) counts[static_cast<size_t>(binOf(static_cast<float>(interval * k), lo, w))] += n;
  }
  for (float x : d.longer) ++counts[static_cast<size_t>(binOf(x, lo, w))];
  for (int b = 1; b <= kEventBins; ++b) (*bins)[b] = counts[b];
}

// Cases are compared with the levels a chunk at a time, 64 to a word of
// bits; the chunk is then read again from the cache for the runs' sums.
constexpr int kWordCases = 64;
constexpr int kChunkWords = 64;
constexpr int kChunkCases = kWordCases * kChunkWords;
static_assert(kChunkCases == kChunkCasesForStats);

// Bit i of *above is set when y[i] >= g, of *below when y[i] <= l (neither
// for a NaN), for the n <= 64 cases at y; no case past n is read.
void levelMasks(const float* y, int n, float g, float l, uint64_t* above, uint64_t* below) {
  uint64_t a = 0, b = 0;
  int i = 0;
#if defined(__SSE2__)
  // Sixteen comparisons packed into the bytes of one register, one mask
  // instruction for them: a shift by a variable count per four cases cost
  // more than the comparisons.
  const __m128 vg = _mm_set1_ps(g), vl = _mm_set1_ps(l);
  for (; i + 16 <= n; i += 16) {
    const __m128 v0 = _mm_loadu_ps(y + i), v1 = _mm_loadu_ps(y + i + 4);
    const __m128 v2 = _mm_loadu_ps(y + i + 8), v3 = _mm_loadu_ps(y + i + 12);
    const auto packed = [](__m128 c0, __m128 c1, __m128 c2, __m128 c3) {
      const __m128i lo = _mm_packs_epi32(_mm_castps_si128(c0), _mm_castps_si128(c1));
      const __m128i hi = _mm_packs_epi32(_mm_castps_si128(c2), _mm_castps_si128(c3));
      return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(lo, hi))));
    };
    a |= packed(_mm_cmpge_ps(v0, vg), _mm_cmpge_ps(v1, vg), _mm_cmpge_ps(v2, vg), _mm_cmpge_ps(v3, vg)) << i;
    b |= packed(_mm_cmple_ps(v0, vl), _mm_cmple_ps(v1, vl), _mm_cmple_ps(v2, vl), _mm_cmple_ps(v3, vl)) << i;
  }
#endif
  for (; i < n; ++i) {
    a |= static_cast<uint64_t>(y[i] >= g) << i;
    b |= static_cast<uint64_t>(y[i] <= l) << i;
  }
  *above = a;
  *below = b;
}

// Appends base + the place of each set bit of t at out[k], four at a time
// without a test per bit (most words hold fewer); out has room for three
// more past the last. Returns the new count.
inline int appendBits(uint64_t t, int32_t base, int32_t* out, int k) {
  do {
    for (int u = 0; u < 4; ++u) {
      out[k] = base + std::countr_zero(t);
      k += t != 0;
      t &= t - 1;
    }
  } while (t);
  return k;
}

#if CORVIMET_X86_DISPATCH
#define EVENTS_AVX512 gnu::target("avx512f,avx512dq,avx512vl")

// levelMasks with sixteen comparisons to a mask register; the cases past n
// are neither read nor set.
[[EVENTS_AVX512]] inline void levelMasksAvx512(const float* y, int n, float g, float l, uint64_t* above,
                                               uint64_t* below) {
  const __m512 vg = _mm512_set1_ps(g), vl = _mm512_set1_ps(l);
  uint64_t a = 0, b = 0;
  for (int i = 0; i < n; i += 16) {
    const auto m = static_cast<__mmask16>(n - i >= 16 ? 0xFFFF : (1u << (n - i)) - 1);
    const __m512 v = _mm512_maskz_loadu_ps(m, y + i);
    a |= static_cast<uint64_t>(_mm512_mask_cmp_ps_mask(m, v, vg, _CMP_GE_OQ)) << i;
    b |= static_cast<uint64_t>(_mm512_mask_cmp_ps_mask(m, v, vl, _CMP_LE_OQ)) << i;
  }
  *above = a;
  *below = b;
}

// appendBits sixteen places at a time, each group's set bits packed into
// one store: a loop per set bit guessed its end wrong about once a word.
// out has room for sixteen more past the last.
[[EVENTS_AVX512]] inline int appendBitsAvx512(uint64_t t, int32_t base, int32_t* out, int k) {
  __m512i at = _mm512_add_epi32(_mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                                _mm512_set1_epi32(base));
  for (int q = 0; q < 4; ++q, t >>= 16) {
    const auto m = static_cast<__mmask16>(t);
    _mm512_storeu_si512(out + k, _mm512_maskz_compress_epi32(m, at));
    k += std::popcount(static_cast<uint32_t>(m));
    at = _mm512_add_epi32(at, _mm512_set1_epi32(16));
  }
  return k;
}

// The changes a word holds on average above which a chunk's are packed
// sixteen places to a store.
constexpr int kWordsChangesPacked = 2;

// The low (h = 0) or high eight lanes, by the zero-masking form with every
// lane set, as in addAllAvx512.
[[EVENTS_AVX512]] inline __m256 half(__m512 v, int h) {
  return _mm256_castpd_ps(h ? _mm512_maskz_extractf64x4_pd(0xFF, _mm512_castps_pd(v), 1)
                            : _mm512_maskz_extractf64x4_pd(0xFF, _mm512_castps_pd(v), 0));
}

// At most this many blocks of sixteen cases of a run are added side by
// side with other runs', a block only when this many runs have cases in
// it; the rest of a longer run is added in any order.
constexpr int kSideBySideBlocks = 4;
constexpr int kFewestSideBySide = 8;

// Sixteen rows of sixteen floats turned into sixteen columns: c[j] holds
// case j of every row.
[[EVENTS_AVX512]] inline void transpose16(const __m512* r, __m512* c) {
  __m512 t[16], u[16], v[16];
  for (int i = 0; i < 16; i += 2) {
    t[i] = _mm512_maskz_unpacklo_ps(0xFFFF, r[i], r[i + 1]);
    t[i + 1] = _mm512_maskz_unpackhi_ps(0xFFFF, r[i], r[i + 1]);
  }
  // u[4g + m]: column 4k + m of rows 4g..4g+3 in 128-bit lane k.
  for (int g = 0; g < 4; ++g) {
    const __m512d a0 = _mm512_castps_pd(t[4 * g]), a1 = _mm512_castps_pd(t[4 * g + 1]);
    const __m512d a2 = _mm512_castps_pd(t[4 * g + 2]), a3 = _mm512_castps_pd(t[4 * g + 3]);
    u[4 * g] = _mm512_castpd_ps(_mm512_maskz_unpacklo_pd(0xFF, a0, a2));
    u[4 * g + 1] = _mm512_castpd_ps(_mm512_maskz_unpackhi_pd(0xFF, a0, a2));
    u[4 * g + 2] = _mm512_castpd_ps(_mm512_maskz_unpacklo_pd(0xFF, a1, a3));
    u[4 * g + 3] = _mm512_castpd_ps(_mm512_maskz_unpackhi_pd(0xFF, a1, a3));
  }
  // v[m] (m < 4): columns m and 8 + m of rows 0..7; v[4 + m]: 4 + m and
  // 12 + m; v[8..15] the same of rows 8..15.
  for (int h = 0; h < 2; ++h)
    for (int m = 0; m < 4; ++m) {
      v[8 * h + m] = _mm512_maskz_shuffle_f32x4(0xFFFF, u[8 * h + m], u[8 * h + 4 + m], 0x88);
      v[8 * h + 4 + m] = _mm512_maskz_shuffle_f32x4(0xFFFF, u[8 * h + m], u[8 * h + 4 + m], 0xDD);
    }
  for (int m = 0; m < 8; ++m) {
    c[m] = _mm512_maskz_shuffle_f32x4(0xFFFF, v[m], v[8 + m], 0x88);
    c[m + 8] = _mm512_maskz_shuffle_f32x4(0xFFFF, v[m], v[8 + m], 0xDD);
  }
}

// The sums and extremes of up to sixteen runs side by side, one to a lane,
// each case added after the one before it as one run at a time adds them:
// the same operations in the same order, so that they need no check. The
// runs' starts and ends alternate at edges; their results go to runs at
// runs->n on. A run still going after the cases added side by side (their
// count in runs->done) has its place put in runs->longer at *longs. Reads
// no case outside the runs.
[[EVENTS_AVX512]] inline void headsAvx512(const float* y, const int32_t* edges, int n, ChunkRuns* runs,
                                          size_t* longs) {
  const auto pairs = static_cast<uint32_t>(2 * n);
  const __m512i e0 = _mm512_maskz_loadu_epi32(static_cast<__mmask16>(pairs >= 16 ? 0xFFFF : (1u << pairs) - 1), edges);
  const __m512i e1 = _mm512_maskz_loadu_epi32(
      static_cast<__mmask16>(pairs >= 32 ? 0xFFFF : pairs <= 16 ? 0 : (1u << (pairs - 16)) - 1), edges + 16);
  const __m512i even = _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
  const __m512i start = _mm512_maskz_permutex2var_epi32(0xFFFF, e0, even, e1);
  const __m512i end = _mm512_maskz_permutex2var_epi32(0xFFFF, e0, _mm512_add_epi32(even, _mm512_set1_epi32(1)), e1);
  const __m512i len = _mm512_sub_epi32(end, start);
  alignas(64) int32_t at[16], count[16];
  _mm512_store_si512(at, start);
  constexpr __mmask8 all = 0xFF;   // the zero-masking forms, as in addAllAvx512
  const __m512i zero = _mm512_setzero_si512();
  __m512d shLo = _mm512_setzero_pd(), shHi = shLo, sLo = shLo, sHi = shLo, qLo = shLo, qHi = shLo;
  __m512 lo = _mm512_setzero_ps(), hi = lo;
  // Sixteen cases of every run at a time, the runs' rows turned into
  // columns of one case each; sixteen more only while enough runs have
  // them, so that the few longer runs of a noisy trace go on alone.
  int b = 0;
  for (; b < kSideBySideBlocks; ++b) {
    const __m512i left = _mm512_maskz_sub_epi32(0xFFFF, len, _mm512_set1_epi32(16 * b));
    if (b > 0 && std::popcount(static_cast<uint32_t>(_mm512_cmpgt_epi32_mask(left, zero))) < kFewestSideBySide) break;
    _mm512_store_si512(count, _mm512_maskz_min_epi32(0xFFFF, _mm512_maskz_max_epi32(0xFFFF, left, zero),
                                                     _mm512_set1_epi32(16)));
    __m512 rows[16], c[16];
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i)
      rows[i] = _mm512_maskz_loadu_ps(static_cast<__mmask16>((1u << count[i]) - 1),
                                      y + (count[i] > 0 ? at[i] + 16 * b : 0));
    transpose16(rows, c);
    if (b == 0) {
      shLo = _mm512_maskz_cvtps_pd(all, half(c[0], 0));
      shHi = _mm512_maskz_cvtps_pd(all, half(c[0], 1));
      lo = hi = c[0];
    }
#pragma GCC unroll 16
    for (int j = 0; j < 16; ++j) {
      const __mmask16 on = _mm512_cmpgt_epi32_mask(left, _mm512_set1_epi32(j));
      if (on == 0) break;
      const auto onLo = static_cast<__mmask8>(on), onHi = static_cast<__mmask8>(on >> 8);
      const __m512d dLo = _mm512_maskz_sub_pd(all, _mm512_maskz_cvtps_pd(all, half(c[j], 0)), shLo);
      const __m512d dHi = _mm512_maskz_sub_pd(all, _mm512_maskz_cvtps_pd(all, half(c[j], 1)), shHi);
      sLo = _mm512_mask_add_pd(sLo, onLo, sLo, dLo);
      sHi = _mm512_mask_add_pd(sHi, onHi, sHi, dHi);
      qLo = _mm512_mask_add_pd(qLo, onLo, qLo, _mm512_maskz_mul_pd(all, dLo, dLo));
      qHi = _mm512_mask_add_pd(qHi, onHi, qHi, _mm512_maskz_mul_pd(all, dHi, dHi));
      // std::min(lo, v) is v < lo ? v : lo, the instruction's min(v, lo).
      lo = _mm512_mask_min_ps(lo, on, c[j], lo);
      hi = _mm512_mask_max_ps(hi, on, c[j], hi);
    }
  }
  const size_t j = runs->n;
  _mm512_storeu_si512(runs->start.data() + j, start);
  const __m256i len0 = _mm256_castpd_si256(_mm512_maskz_extractf64x4_pd(all, _mm512_castsi512_pd(len), 0));
  const __m256i len1 = _mm256_castpd_si256(_mm512_maskz_extractf64x4_pd(all, _mm512_castsi512_pd(len), 1));
  _mm512_storeu_pd(runs->cases.data() + j, _mm512_maskz_cvtepi32_pd(all, len0));
  _mm512_storeu_pd(runs->cases.data() + j + 8, _mm512_maskz_cvtepi32_pd(all, len1));
  _mm512_storeu_pd(runs->shift.data() + j, shLo);
  _mm512_storeu_pd(runs->shift.data() + j + 8, shHi);
  _mm512_storeu_pd(runs->sum.data() + j, sLo);
  _mm512_storeu_pd(runs->sum.data() + j + 8, sHi);
  _mm512_storeu_pd(runs->sum2.data() + j, qLo);
  _mm512_storeu_pd(runs->sum2.data() + j + 8, qHi);
  _mm512_storeu_ps(runs->lo.data() + j, lo);
  _mm512_storeu_ps(runs->hi.data() + j, hi);
  const __mmask16 longer = _mm512_cmpgt_epi32_mask(len, _mm512_set1_epi32(16 * b));
  _mm512_storeu_si512(runs->done.data() + j, _mm512_set1_epi32(16 * b));
  const __m512i place = _mm512_add_epi32(_mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                                         _mm512_set1_epi32(static_cast<int32_t>(j)));
  _mm512_storeu_si512(runs->longer.data() + *longs, _mm512_maskz_compress_epi32(longer, place));
  *longs += static_cast<size_t>(std::popcount(static_cast<uint32_t>(longer)));
  runs->n = j + static_cast<size_t>(n);
}

// OpenRun::addAll eight cases at a time, the last one to eight under a
// mask that neither reads nor adds the cases past the run.
[[EVENTS_AVX512]] inline void addAllAvx512(OpenRun& o, const float* v, const float* end) {
  int64_t n = end - v;
  if (n <= 0) return;
  const __m512d sh = _mm512_set1_pd(o.shift);
  __m512d s = _mm512_setzero_pd(), q = s;
  __m256 a = _mm256_set1_ps(o.lo), b = _mm256_set1_ps(o.hi);
  for (;; n -= 8, v += 8) {
    const auto m = static_cast<__mmask8>(n >= 8 ? 0xFF : (1u << n) - 1);
    const __m256 x = _mm256_maskz_loadu_ps(m, v);
    const __m512d d = _mm512_maskz_sub_pd(m, _mm512_maskz_cvtps_pd(m, x), sh);
    s = _mm512_add_pd(s, d);
    q = _mm512_add_pd(q, _mm512_mul_pd(d, d));
    a = _mm256_mask_min_ps(a, m, a, x);
    b = _mm256_mask_max_ps(b, m, b, x);
    if (n <= 8) break;
  }
  // Both sums folded side by side: pairs, then the four 128-bit quarters.
  // (The zero-masking forms with every lane set: the plain ones leave GCC
  // 12 warning of their undefined pass-through.)
  constexpr __mmask8 all = 0xFF;
  __m512d t = _mm512_add_pd(_mm512_maskz_unpacklo_pd(all, s, q), _mm512_maskz_unpackhi_pd(all, s, q));
  t = _mm512_add_pd(t, _mm512_maskz_shuffle_f64x2(all, t, t, _MM_SHUFFLE(1, 0, 3, 2)));
  t = _mm512_add_pd(t, _mm512_maskz_shuffle_f64x2(all, t, t, _MM_SHUFFLE(2, 3, 0, 1)));
  o.sum += t[0];
  o.sum2 += t[1];
  __m128 a4 = _mm_min_ps(_mm256_castps256_ps128(a), _mm256_extractf128_ps(a, 1));
  __m128 b4 = _mm_max_ps(_mm256_castps256_ps128(b), _mm256_extractf128_ps(b, 1));
  a4 = _mm_min_ps(a4, _mm_movehl_ps(a4, a4));
  b4 = _mm_max_ps(b4, _mm_movehl_ps(b4, b4));
  o.lo = std::min(_mm_cvtss_f32(a4), _mm_cvtss_f32(_mm_shuffle_ps(a4, a4, 1)));
  o.hi = std::max(_mm_cvtss_f32(b4), _mm_cvtss_f32(_mm_shuffle_ps(b4, b4, 1)));
}

// finishFrom eight runs at a time, the last ones as finishFrom does them.
[[EVENTS_AVX512]] inline void finishAvx512(ChunkRuns* runs) {
  double* mean = runs->sum.data();
  double* sd = runs->sum2.data();
  const double* cases = runs->cases.data();
  const double* shift = runs->shift.data();
  const __m512d zero = _mm512_setzero_pd();
  // The zero-masking forms with every lane set, as in addAllAvx512.
  constexpr __mmask8 all = 0xFF;
  size_t j = 0;
  for (; j + 8 <= runs->n; j += 8) {
    const __m512d c = _mm512_loadu_pd(cases + j);
    const __m512d m = _mm512_maskz_div_pd(all, _mm512_loadu_pd(mean + j), c);
    const __m512d v =
        _mm512_maskz_sub_pd(all, _mm512_maskz_div_pd(all, _mm512_loadu_pd(sd + j), c), _mm512_maskz_mul_pd(all, m, m));
    // v where v > 0, else +0 (for a NaN too): std::max(0.0, v).
    _mm512_storeu_pd(sd + j, _mm512_maskz_sqrt_pd(all, _mm512_maskz_max_pd(all, v, zero)));
    _mm512_storeu_pd(mean + j, _mm512_maskz_add_pd(all, _mm512_loadu_pd(shift + j), m));
  }
  finishFrom(runs, j);
}
#endif

// The next chunk's cases asked for a few lines at a time while this chunk
// is worked out, to arrive before they are compared: asked for all at once,
// they took every buffer the cache has for misses, and the comparisons
// waited for them. Cases next..end, offsets into y.
struct Ahead {
  const float* y;
  int64_t next = 0, end = 0;
  void ask([[maybe_unused]] int lines) {
#if defined(__SSE2__)
    for (; lines > 0 && next < end; --lines, next += 16)
      _mm_prefetch(reinterpret_cast<const char*>(y + next), _MM_HINT_T0);
#endif
  }
};

// One direction's runs, a chunk at a time, with the words of bits of the
// cases beyond its level.
template <class List>
struct RunTracker {
  const EventRequest& r;
  const float* y;
  List* kept;
  Durations durations;   // of the kept events
  OpenRun open;   // a run still going at the end of the last chunk
  bool on = false;
  int32_t all = 0;
  std::vector<int32_t> edgeCases = std::vector<int32_t>(kChunkCases + 16);
  ChunkRuns runs;    // that end in this chunk
  // Those of the chunk before, whose events are kept a few at a time
  // between this chunk's sums: written all at once, the records kept the
  // stores waiting on memory while nothing else went on.
  ChunkRuns ended;
  size_t keptOf = 0;   // of the runs ended, those looked at
  static inline std::atomic<size_t> lastRoom{0};   // the list's capacity after the last count

  template <bool kAvx512>
  static void addAll(OpenRun& o, const float* v, const float* end) {
#if CORVIMET_X86_DISPATCH
    if constexpr (kAvx512) {
      addAllAvx512(o, v, end);
      return;
    }
#endif
    o.addAll(v, end);
  }

  // The runs that end in the chunk in three passes, none of which waits on
  // a guess about a run's length: each run's sums and extremes (sixteen
  // runs side by side where the processor has AVX-512, the rest of a longer
  // run after), their mean and S.D., then the events kept.
  template <bool kAvx512>
  void chunk(int64_t from, int64_t to, const uint64_t* inside, Ahead& ahead) {
    // The cases where the state changes: run starts and, after each, the
    // first case outside it, alternately.
    int32_t* edges = edgeCases.data();
    int count = 0;
    uint64_t before = on ? 1 : 0;
    uint64_t changes[kChunkWords];
    int words = 0, changed = 0;
    for (; words * int64_t{kWordCases} < to - from; ++words) {
      const int64_t base = from + int64_t{words} * kWordCases;
      uint64_t t = inside[words] ^ ((inside[words] << 1) | before);
      before = inside[words] >> 63;
      if (to - base < kWordCases) t &= (uint64_t{1} << (to - base)) - 1;
      changes[words] = t;
      changed += std::popcount(t);
    }
    // Sixteen places to a store where the chunk's words hold more than a
    // few changes each; a loop per change where they hold fewer.
    const bool packed = kAvx512 && changed > kWordsChangesPacked * words;
    for (int w = 0; w < words; ++w) {
      const auto base = static_cast<int32_t>(from + int64_t{w} * kWordCases);
#if CORVIMET_X86_DISPATCH
      if constexpr (kAvx512) {
        if (packed) {
          count = appendBitsAvx512(changes[w], base, edges, count);
          continue;
        }
      }
#endif
      count = appendBits(changes[w], base, edges, count);
    }
    all += on ? count / 2 : (count + 1) / 2;
    runs.n = 0;
    int k = 0;
    if (on) {
      const int64_t end = count > 0 ? edges[0] : to;
      addAll<kAvx512>(open, y + from, y + end);
      if (count == 0) return;
      on = false;
      runs.put(open, edges[0]);
      k = 1;
    }
    size_t longs = 0;
    const size_t unsure = runs.n;   // the run going on at the start, whose sums the chunks before began
#if CORVIMET_X86_DISPATCH
    if constexpr (kAvx512) {
      const int pairs = (count - k) / 2;
      for (int done = 0; done < pairs; done += 16) {
        ahead.ask(8);
        headsAvx512(y, edges + k + 2 * done, std::min(16, pairs - done), &runs, &longs);
        keep(kKeptBetween);
      }
      k += 2 * pairs;
    }
#endif
    for (; k + 1 < count; k += 2) {
      ahead.ask(2);
      OpenRun run;
      run.begin(edges[k], y[edges[k]]);
      addAll<kAvx512>(run, y + edges[k], y + edges[k + 1]);
      runs.put(run, edges[k + 1]);
    }
    for (size_t i = 0; i < longs; ++i) {
      const auto j = static_cast<size_t>(runs.longer[i]);
      OpenRun run = runs.get(j);
      const auto end = static_cast<int32_t>(run.start + runs.cases[j]);
      addAll<kAvx512>(run, y + run.start + runs.done[j], y + end);
      runs.set(j, run, end);
    }
    keep(ended.n);
    finish<kAvx512>(unsure, longs);
    std::swap(runs, ended);
    keptOf = 0;
    if (k < count) {
      open.begin(edges[k], y[edges[k]]);
      addAll<kAvx512>(open, y + edges[k], y + to);
      on = true;
    }
  }

  // The mean and S.D. of the chunk's runs; those whose sums may have
  // rounded in another order than case by case are summed again in order.
  template <bool kAvx512>
  void finish(size_t unsure, size_t longs) {
    const auto check = [&](size_t j) {
      if (OpenRun::exactSumsOf(runs.lo[j], runs.hi[j], runs.sum2[j])) return;
      OpenRun run = runs.get(j);
      const auto end = static_cast<int32_t>(run.start + runs.cases[j]);
      run.addInOrder(y + run.start, y + end);
      runs.set(j, run, end);
    };
    if (!kAvx512) {
      for (size_t j = 0; j < runs.n; ++j) check(j);
    } else {
      // Only where sums in another order than case by case went in.
      for (size_t j = 0; j < unsure; ++j) check(j);
      for (size_t i = 0; i < longs; ++i) check(static_cast<size_t>(runs.longer[i]));
    }
#if CORVIMET_X86_DISPATCH
    if constexpr (kAvx512) {
      finishAvx512(&runs);
      return;
    }
#endif
    finishFrom(&runs, 0);
  }

  // The next runs ended, up to `most`, become events when they lasted
  // longer than the minimum. The durations' sum and extremes stay in
  // registers meanwhile.
  void keep(size_t most) {
    const size_t last = std::min(ended.n, keptOf + most);
    std::vector<float>& list = durations.list;
    const double interval = r.interval;
    const float least = r.minDuration;
    double sum = durations.sum;
    float lo = durations.lo, hi = durations.hi;
    bool any = !kept->empty();
    int32_t* byCases = durations.byCases.data();
    for (size_t j = keptOf; j < last; ++j) {
      const auto cases = static_cast<int32_t>(ended.cases[j]);
      const auto duration = static_cast<float>(interval * cases);
      if (!(duration > least)) continue;
      const EventRecord& e = kept->emplace_back(
          EventRecord{ended.start[j], cases, duration, ended.sum[j], ended.sum2[j], ended.lo[j], ended.hi[j]});
      // The lines of the next chunk's records asked for while this chunk's
      // are written: the list outgrows the caches.
      __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(&e) + kRecordsAhead), 1);
      if (cases < Durations::kTabled) ++byCases[(j & 1) * Durations::kTabled + static_cast<size_t>(cases)];
      else durations.longer.push_back(duration);
      list.push_back(duration);
      if (!any) lo = hi = duration;
      any = true;
      sum += duration;
      lo = std::min(lo, duration);
      hi = std::max(hi, duration);
    }
    keptOf = last;
    durations.sum = sum;
    durations.lo = lo;
    durations.hi = hi;
  }
};

// Both directions in one pass, a chunk at a time: the comparisons with the
// levels, then the runs each direction has in the chunk.
template <bool kAvx512, class Up, class Down>
void scanSpan(const float* p, const EventRequest& r, Up& up, Down& down) {
  uint64_t above[kChunkWords], below[kChunkWords];
  const int64_t span = static_cast<int64_t>(r.last) - r.first + 1;
  bool reserved = false;
  // The room the last count in each direction ended with, when this span
  // can hold as many runs: the block kept from it is taken at once, rather
  // than doubling through fresh pages.
  const auto roomOfLast = [&](auto& t) {
    t.kept->reserve(std::min(t.lastRoom.load(std::memory_order_relaxed), static_cast<size_t>(span / 2 + 1)));
  };
  roomOfLast(up);
  roomOfLast(down);
  for (int64_t from = r.first; from <= r.last; from += kChunkCases) {
    const int64_t to = std::min<int64_t>(from + kChunkCases, r.last + 1);
    Ahead ahead{p, to, std::min<int64_t>(to + kChunkCases, r.last + 1)};
    for (int w = 0; w * int64_t{kWordCases} < to - from; ++w) {
      const int64_t base = from + int64_t{w} * kWordCases;
      ahead.ask(1);
      const int n = static_cast<int>(std::min<int64_t>(kWordCases, to - base));
#if CORVIMET_X86_DISPATCH
      if constexpr (kAvx512) {
        levelMasksAvx512(p + base, n, r.upper, r.lower, &above[w], &below[w]);
        continue;
      }
#endif
      levelMasks(p + base, n, r.upper, r.lower, &above[w], &below[w]);
    }
    up.template chunk<kAvx512>(from, to, above, ahead);
    down.template chunk<kAvx512>(from, to, below, ahead);
    ahead.ask(kChunkCases / 16);
    // Room for the events the first sixteenth's rate foretells, with a
    // margin: growing the lists by doubling copied them and mapped them anew.
    if (!reserved && (to - r.first) * 16 >= span) {
      reserved = true;
      const int64_t done = to - r.first, left = span - done;
      const auto reserve = [&](auto& t) {
        const auto size = static_cast<int64_t>(t.kept->size());
        const int64_t expected = size * left / done;
        const int64_t more = std::min(left / 2 + 1, expected + expected / 4 + 16);
        t.kept->reserve(static_cast<size_t>(size + more));
        t.durations.list.reserve(static_cast<size_t>(size + more));
      };
      reserve(up);
      reserve(down);
    }
  }
  up.keep(up.ended.n);
  down.keep(down.ended.n);
}

template <class Up, class Down>
void scanBase(const float* p, const EventRequest& r, Up& up, Down& down) {
  scanSpan<false>(p, r, up, down);
}

#if CORVIMET_X86_DISPATCH
// Everything the pass calls compiled into it, for the wider instructions.
template <class Up, class Down>
[[EVENTS_AVX512, gnu::flatten]] void scanAvx512(const float* p, const EventRequest& r, Up& up, Down& down) {
  scanSpan<true>(p, r, up, down);
}
#endif

}  // namespace

double LimitUnitSeconds(int16_t unit) {
  switch (unit) {
    case kUnitSecondsId: return 1.0;
    case kUnitHoursId: return 3600.0;
    case kUnitDaysId: return 86400.0;
    default: return 60.0;
  }
}

const char* LimitUnitSuffix(int16_t unit) {
  switch (unit) {
    case kUnitSecondsId: return " sec";
    case kUnitHoursId: return " hr";
    case kUnitDaysId: return " day";
    default: return " min";
  }
}

LimitScan ScanLimits(std::span<const float> y, int32_t first, int32_t last, float lo, float hi) {
  LimitScan s;
  if (first < 0 || last < first || static_cast<size_t>(last) >= y.size()) return s;
  const float* p = y.data();
  int64_t n = 0;
  double in = 0.0, all = 0.0;
  for (int32_t k = first; k <= last; ++k) {
    const float v = p[k];
    const bool inside = v >= lo && v <= hi;
    all += v;
    in += inside ? v : 0.0f;
    n += inside ? 1 : 0;
  }
  s.inLimits = n;
  s.sumIn = in;
  s.sumAll = all;
  return s;
}

TimeWithin TimeWithinLimits(const LimitScan& s, int32_t first, int32_t last, double interval, int16_t unit) {
  TimeWithin t;
  t.intervals = std::max<int64_t>(0, s.inLimits - 1);
  t.time = static_cast<float>(interval * static_cast<double>(t.intervals) / LimitUnitSeconds(unit));
  if (last > first) t.percent = static_cast<float>(static_cast<double>(t.intervals) * 100.0 / (last - first));
  return t;
}

SelectiveIntegral SelectiveIntegrate(const LimitScan& s, double interval, int16_t unit) {
  SelectiveIntegral r;
  const double f = interval / LimitUnitSeconds(unit);
  r.in = static_cast<float>(s.sumIn * f);
  r.all = static_cast<float>(s.sumAll * f);
  r.shareDefined = s.sumAll != 0.0;
  if (r.shareDefined) r.percent = static_cast<float>(std::min(100.0, s.sumIn * 100.0 / s.sumAll));
  return r;
}

namespace {

EventCount countEvents(std::span<const float> y, const EventRequest& r, [[maybe_unused]] bool wide) {
  EventCount c;
  if (r.first < 0 || r.last < r.first || static_cast<size_t>(r.last) >= y.size()) return c;
  // A lower run already under way at the start is not one of "all".
  if (y[static_cast<size_t>(r.first)] < r.lower) c.allDown = -1;
  // A run ends at the first case outside it; a run still going at the
  // span's last case has no end and is not kept.
  const float* p = y.data();
  RunTracker<decltype(c.up)> up{r, p, &c.up, {durationScratch(0)}};
  RunTracker<decltype(c.down)> down{r, p, &c.down, {durationScratch(1)}};
#if CORVIMET_X86_DISPATCH
  if (wide) scanAvx512(p, r, up, down);
  else
#endif
    scanBase(p, r, up, down);
  up.lastRoom.store(c.up.capacity(), std::memory_order_relaxed);
  down.lastRoom.store(c.down.capacity(), std::memory_order_relaxed);
  c.allUp += up.all;
  c.allDown += down.all;
  c.upStats = durationStats(up.durations);
  c.downStats = durationStats(down.durations);

  // Bounds only from directions that kept something; no width, no bars.
  bool any = false;
  for (const DurationStats* s : {&c.upStats, &c.downStats}) {
    if (s->n == 0) continue;
    c.histLo = any ? std::min(c.histLo, s->minimum) : s->minimum;
    c.histHi = any ? std::max(c.histHi, s->maximum) : s->maximum;
    any = true;
  }
  const double w = (static_cast<double>(c.histHi) - c.histLo) / kEventBins;
  const bool binned = any && w > 0.0 && std::isfinite(w);
  spreads(up.durations, &c.upStats, down.durations, &c.downStats);
  if (binned) {
    binsOf(up.durations, r.interval, c.histLo, w, &c.upBins);
    binsOf(down.durations, r.interval, c.histLo, w, &c.downBins);
  }
  releaseLong(up.durations.list);
  releaseLong(down.durations.list);
  for (int b = 1; b <= kEventBins; ++b) c.maxBin = std::max({c.maxBin, c.upBins[b], c.downBins[b]});
  return c;
}

}  // namespace

EventCount CountEvents(std::span<const float> y, const EventRequest& r) { return countEvents(y, r, CpuHasAvx512()); }

EventCount CountEventsBaseline(std::span<const float> y, const EventRequest& r) { return countEvents(y, r, false); }

EventRateUnit EventRateUnitOf(int item) {
  switch (item) {
    case 2: return {" (/sec) ", 1.0};
    case 3: return {" (/min) ", 60.0};
    case 4: return {" (/hour) ", 3600.0};
    case 5: return {" (/day) ", 86400.0};
    default: return {"", 1.0};
  }
}

std::string EventDetailsText(const EventFileHeader& h, const EventRequest& r, const EventCount& c, int rateItem) {
  const EventRateUnit u = EventRateUnitOf(rateItem);
  std::string s = "EVENT COUNTER OUTPUT\n";
  // Piece by piece onto the text: GCC 12 at -O3 warns falsely on a chain of
  // + that starts with a literal.
  const auto put = [&s](const auto&... pieces) { ((s += pieces), ...); };
  put("Source file: '", h.fileName, "'     ", NumText(h.cases), " cases,", NumText(h.channels), " channels; ", h.date,
      "      sample interval", NumText(r.interval), " sec\n");
  put("channel", NumText(h.channel), ":  ", h.label, "  includes cases", NumText(r.first), " to", NumText(r.last),
      "\n");
  put("upper event trigger:", NumText(r.upper), "     lower event trigger:", NumText(r.lower), "\n");
  put("direction\tduration (sec) \tstart CASE\tstart time (h) \tmean\tSD\tmaximum\tminimum\t\xB7 postive", u.text,
      "\t\xB7 negative", u.text, "\n");
  double sumUp = 0.0, sumDown = 0.0;
  size_t i = 0, j = 0;
  while (i < c.up.size() || j < c.down.size()) {
    const bool upper = j >= c.down.size() || (i < c.up.size() && c.up[i].start <= c.down[j].start);
    const EventRecord& e = upper ? c.up[i++] : c.down[j++];
    (upper ? sumUp : sumDown) += e.duration * e.mean / u.divisor;
    double hours = h.startHours + r.interval * e.start / 3600.0;
    if (hours >= 24.0) hours = std::fmod(hours, 24.0);
    put(upper ? "+" : "-", "\t", NumText(e.duration), "\t", NumText(e.start), "\t", NumText(hours), "\t",
        NumText(e.mean), "\t", e.cases < 3 ? std::string(" ") : NumText(e.sd), "\t", NumText(e.maximum), "\t",
        NumText(e.minimum), "\t", NumText(sumUp), "\t", NumText(sumDown), "\n");
  }
  return plat::toDiskText(s);
}

float TriggerLevelAt(int v, float minY, float maxY, int upperLimit) {
  const auto perPixel = static_cast<float>((static_cast<double>(maxY) - minY) / (upperLimit - 4));
  return static_cast<float>(minY + static_cast<double>(upperLimit - 2 - v) * perPixel);
}
