#include "analyses/events.h"

#include <algorithm>
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
  bool exactSums() const {
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
  void add(float d) {
    if (list.empty()) lo = hi = d;
    list.push_back(d);
    sum += d;
    lo = std::min(lo, d);
    hi = std::max(hi, d);
  }
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

// The sums of the events kept in one chunk, side by side, whose records wait
// for their mean and S.D.: two divisions and a square root per event, made
// in line with each run's bookkeeping, kept the pass waiting on them; made
// together after the chunk they follow one another (eight at a time where
// the processor has AVX-512), with the same operations on the same values.
struct PendingStats {
  static constexpr size_t kMost = kChunkCasesForStats + 2;   // events ending in one chunk, and more
  std::vector<double> sum = std::vector<double>(kMost), sum2 = std::vector<double>(kMost);
  std::vector<double> cases = std::vector<double>(kMost), shift = std::vector<double>(kMost);
  size_t n = 0;
};

// A run that ended at case end, the first case outside it (the span's last
// case at the latest), becomes an event when it lasted longer than the
// minimum; its mean and S.D. wait in `pending`.
template <class List>
inline void keepRun(OpenRun& m, int32_t end, const float* y, const EventRequest& r, List* kept,
                    Durations* durations, PendingStats* pending) {
  const int32_t cases = end - m.start;
  const auto duration = static_cast<float>(r.interval * cases);
  if (!(duration > r.minDuration)) return;
  if (!m.exactSums()) m.addInOrder(y + m.start, y + end);
  const EventRecord& e = kept->emplace_back(EventRecord{m.start, cases, duration, 0.0, 0.0, m.lo, m.hi});
  const size_t j = pending->n++;
  pending->sum[j] = m.sum;
  pending->sum2[j] = m.sum2;
  pending->cases[j] = cases;
  pending->shift[j] = m.shift;
  // The list's lines asked for a little ahead of their writing.
  __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(&e) + 1024), 1);
  durations->add(duration);
}

// The mean and S.D. of pending events j..n-1 in their places in `pending`,
// as each run's own were: mean = sum / cases, sd = sqrt(max(0, sum2 / cases
// - mean^2)), the mean moved back by the run's shift.
inline void finishFrom(PendingStats* pending, size_t j) {
  double* mean = pending->sum.data();
  double* sd = pending->sum2.data();
  for (; j < pending->n; ++j) {
    const double m = mean[j] / pending->cases[j];
    sd[j] = std::sqrt(std::max(0.0, sd[j] / pending->cases[j] - m * m));
    mean[j] = pending->shift[j] + m;
  }
}

// The records' mean and S.D. from the pending sums, then none pending.
inline void storePending(PendingStats* pending, EventRecord* e) {
  for (size_t i = 0; i < pending->n; ++i) {
    e[i].mean = pending->sum[i];
    e[i].sd = pending->sum2[i];
  }
  pending->n = 0;
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

// The S.D. and, when the histogram has a width, the bins, in one pass over
// a direction's durations. The counts go to four tables in turn, so that a
// run of equal durations does not wait on its own last count.
void spreadAndBins(const Durations& d, DurationStats* s, bool binned, double lo, double w,
                   std::array<int32_t, kEventBins + 1>* bins) {
  if (d.list.empty()) return;
  double ss = 0.0;
  int32_t counts[4][kEventBins + 1] = {};
  // The bin of each duration met lately, by its bits: a direction's events
  // last a few lengths over and over, and a division per event kept the
  // pass waiting. Bin 0 stands for none, -1 for a slot not yet filled. A
  // noisy trace's runs last some fifty lengths, which 32 slots kept
  // evicting from one another.
  constexpr uint32_t kSlots = 1024;
  uint32_t seen[kSlots];
  int binOf[kSlots];
  if (binned) {
    std::fill(seen, seen + kSlots, 0u);
    std::fill(binOf, binOf + kSlots, -1);
  }
  size_t i = 0;
  for (float x : d.list) {
    ss += (x - s->mean) * (x - s->mean);
    if (!binned) continue;
    const auto bits = std::bit_cast<uint32_t>(x);
    const uint32_t slot = (bits ^ (bits >> 10) ^ (bits >> 20)) & (kSlots - 1);
    if (seen[slot] != bits || binOf[slot] < 0) {
      const double v = x - lo;
      double b = 0.0;
      if (v > 0.0) b = std::trunc(v / w + 0.999);   // the shortest duration lands on the edge and is not drawn
      seen[slot] = bits;
      binOf[slot] = b >= 1.0 && b <= kEventBins ? static_cast<int>(b) : 0;
    }
    // Bin 0 (none) counted too, and dropped below: the shortest duration,
    // often the commonest, made the test a guess the processor lost.
    ++counts[i++ % 4][binOf[slot]];
  }
  s->sd = std::sqrt(ss / s->n);
  for (int b = 1; b <= kEventBins; ++b) (*bins)[b] = counts[0][b] + counts[1][b] + counts[2][b] + counts[3][b];
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

// finishFrom eight events at a time, the last ones as finishFrom does them.
[[EVENTS_AVX512]] inline void finishPendingAvx512(PendingStats* pending) {
  double* mean = pending->sum.data();
  double* sd = pending->sum2.data();
  const double* cases = pending->cases.data();
  const double* shift = pending->shift.data();
  const __m512d zero = _mm512_setzero_pd();
  // The zero-masking forms with every lane set, as in addAllAvx512.
  constexpr __mmask8 all = 0xFF;
  size_t j = 0;
  for (; j + 8 <= pending->n; j += 8) {
    const __m512d c = _mm512_loadu_pd(cases + j);
    const __m512d m = _mm512_maskz_div_pd(all, _mm512_loadu_pd(mean + j), c);
    const __m512d v =
        _mm512_maskz_sub_pd(all, _mm512_maskz_div_pd(all, _mm512_loadu_pd(sd + j), c), _mm512_maskz_mul_pd(all, m, m));
    // v where v > 0, else +0 (for a NaN too): std::max(0.0, v).
    _mm512_storeu_pd(sd + j, _mm512_maskz_sqrt_pd(all, _mm512_maskz_max_pd(all, v, zero)));
    _mm512_storeu_pd(mean + j, _mm512_maskz_add_pd(all, _mm512_loadu_pd(shift + j), m));
  }
  finishFrom(pending, j);
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
  std::vector<int32_t> edgeCases = std::vector<int32_t>(kChunkCases + 4);

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

  PendingStats pending;   // of the events kept in this chunk

  template <bool kAvx512>
  void chunk(int64_t from, int64_t to, const uint64_t* inside, Ahead& ahead) {
    runs<kAvx512>(from, to, inside, ahead);
#if CORVIMET_X86_DISPATCH
    if constexpr (kAvx512) finishPendingAvx512(&pending);
    else
#endif
      finishFrom(&pending, 0);
    storePending(&pending, kept->data() + (kept->size() - pending.n));
  }

  template <bool kAvx512>
  void runs(int64_t from, int64_t to, const uint64_t* inside, Ahead& ahead) {
    // The cases where the state changes: run starts and, after each, the
    // first case outside it, alternately.
    int32_t* edges = edgeCases.data();
    int count = 0;
    uint64_t before = on ? 1 : 0;
    for (int w = 0; w * int64_t{kWordCases} < to - from; ++w) {
      const int64_t base = from + int64_t{w} * kWordCases;
      uint64_t t = inside[w] ^ ((inside[w] << 1) | before);
      before = inside[w] >> 63;
      if (to - base < kWordCases) t &= (uint64_t{1} << (to - base)) - 1;
      count = appendBits(t, static_cast<int32_t>(base), edges, count);
    }
    all += on ? count / 2 : (count + 1) / 2;
    int k = 0;
    if (on) {
      const int64_t end = count > 0 ? edges[0] : to;
      addAll<kAvx512>(open, y + from, y + end);
      if (count == 0) return;
      on = false;
      keepRun(open, edges[0], y, r, kept, &durations, &pending);
      k = 1;
    }
    for (; k + 1 < count; k += 2) {
      ahead.ask(2);
      OpenRun run;
      run.begin(edges[k], y[edges[k]]);
      addAll<kAvx512>(run, y + edges[k], y + edges[k + 1]);
      keepRun(run, edges[k + 1], y, r, kept, &durations, &pending);
    }
    if (k < count) {
      open.begin(edges[k], y[edges[k]]);
      addAll<kAvx512>(open, y + edges[k], y + to);
      on = true;
    }
  }
};

// Both directions in one pass, a chunk at a time: the comparisons with the
// levels, then the runs each direction has in the chunk.
template <bool kAvx512, class Up, class Down>
void scanSpan(const float* p, const EventRequest& r, Up& up, Down& down) {
  uint64_t above[kChunkWords], below[kChunkWords];
  const int64_t span = static_cast<int64_t>(r.last) - r.first + 1;
  bool reserved = false;
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
        // The foretold events' pages in one call rather than a fault each;
        // the margin's fault in if they are needed.
        const auto foretold = static_cast<size_t>(std::min(more, expected));
        PopulatePages(t.kept->data() + size, foretold * sizeof(EventRecord));
      };
      reserve(up);
      reserve(down);
    }
  }
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
  spreadAndBins(up.durations, &c.upStats, binned, c.histLo, w, &c.upBins);
  spreadAndBins(down.durations, &c.downStats, binned, c.histLo, w, &c.downBins);
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
