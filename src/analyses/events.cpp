#include "analyses/events.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <limits>
#include <mutex>
#include <new>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include "platform/cpu.h"
#if CORVIMET_X86_DISPATCH
#include <immintrin.h>
#endif

#include "platform/macroman.h"
#include "platform/pages.h"
#include "platform/threads.h"
#include "shell/textutil.h"

namespace {

constexpr int16_t kUnitSecondsId = 65;
constexpr int16_t kUnitHoursId = 67;
constexpr int16_t kUnitDaysId = 228;

// The durations of the kept events: the events counted by their cases for
// the histogram and the extremes. Their sum and the squares about the mean
// come after, from the kept lists, in the order the events were kept.
struct Durations {
  int32_t n = 0;
  // The events counted by their cases, below kTabled, in two tables taken
  // in turn so that a row of equal lengths does not wait on its own last
  // count; the durations of longer ones apart. The histogram comes from
  // these.
  static constexpr int32_t kTabled = 1024;
  std::vector<int32_t> byCases = std::vector<int32_t>(2 * kTabled);
  std::vector<float> longer;
};

// The statistics of a direction's durations but their mean and S.D.: the
// extremes from the counts by cases, in which order they come does not
// matter (a kept duration is never a NaN, and its zeros share a sign).
DurationStats durationStats(const Durations& d, double interval) {
  DurationStats s;
  s.n = d.n;
  bool any = false;
  const auto take = [&](float x) {
    s.minimum = any ? std::min(s.minimum, x) : x;
    s.maximum = any ? std::max(s.maximum, x) : x;
    any = true;
  };
  for (int32_t k = 1; k < Durations::kTabled; ++k)
    if (d.byCases[static_cast<size_t>(k)] + d.byCases[static_cast<size_t>(Durations::kTabled + k)] > 0)
      take(static_cast<float>(interval * k));
  for (float x : d.longer) take(x);
  return s;
}

// The mean and S.D. of both directions' durations, their sums and then
// their sums of squares side by side: each waits on its own last addition,
// not on the other's. Each list is summed in the order it was kept. A
// duration is interval * cases in single precision, as it was kept.
template <class A, class B>
void spreads(const A& a, DurationStats* sa, const B& b, DurationStats* sb, double interval) {
  const EventRun* x = a.data();
  const EventRun* z = b.data();
  const size_t na = a.size(), nb = b.size(), both = std::min(na, nb);
  const auto at = [interval](const EventRun& e) { return static_cast<float>(interval * e.cases); };
  double sumA = 0.0, sumB = 0.0;
  for (size_t i = 0; i < both; ++i) {
    sumA += at(x[i]);
    sumB += at(z[i]);
  }
  for (size_t i = both; i < na; ++i) sumA += at(x[i]);
  for (size_t i = both; i < nb; ++i) sumB += at(z[i]);
  if (na > 0) sa->mean = sumA / sa->n;
  if (nb > 0) sb->mean = sumB / sb->n;
  const double ma = sa->mean, mb = sb->mean;
  double ssa = 0.0, ssb = 0.0;
  for (size_t i = 0; i < both; ++i) {
    ssa += (at(x[i]) - ma) * (at(x[i]) - ma);
    ssb += (at(z[i]) - mb) * (at(z[i]) - mb);
  }
  for (size_t i = both; i < na; ++i) ssa += (at(x[i]) - ma) * (at(x[i]) - ma);
  for (size_t i = both; i < nb; ++i) ssb += (at(z[i]) - mb) * (at(z[i]) - mb);
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

// The start of a run under way before a part of the span begins.
constexpr int32_t kEarlierStart = std::numeric_limits<int32_t>::min();

// One direction's runs, a chunk at a time, from the words of bits of the
// cases beyond its level: where each starts and ends, the kept ones as
// events with their durations. A part of the span after the first begins
// with its run from before (kEarlierStart) when the case before it is
// beyond the level; that run's end is left in leadEnd for the parts to be
// joined.
template <class List>
struct RunTracker {
  const EventRequest& r;
  List* kept;
  Durations durations;   // of the kept events
  int32_t openStart = 0;   // of a run still going at the end of the last chunk
  bool on = false;
  int32_t all = 0;
  int32_t leadEnd = -1;
  std::vector<int32_t> edgeCases = std::vector<int32_t>(kChunkCases + 16);
  static inline std::atomic<size_t> lastRoom{0};   // the list's capacity after the last count

  template <bool kAvx512>
  void chunk(int64_t from, int64_t to, const uint64_t* inside) {
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
    if (count == 0) return;
    int k = 0;
    if (on) {
      if (openStart == kEarlierStart) leadEnd = edges[0];
      else keepAll(&openStart, edges, 1);
      on = false;
      k = 1;
    }
    const int pairs = (count - k) / 2;
    keepAll(edges + k, edges + k + 1, pairs);
    k += 2 * pairs;
    if (k < count) {
      openStart = edges[k];
      on = true;
    }
  }

  // The runs starting at starts[2i] and ending before ends[2i], i < n, that
  // lasted longer than the minimum become events.
  void keepAll(const int32_t* starts, const int32_t* ends, int n) {
    const double interval = r.interval;
    const float least = r.minDuration;
    int32_t keptSoFar = durations.n;
    int32_t* byCases = durations.byCases.data();
    for (int i = 0; i < n; ++i) {
      const int32_t start = starts[2 * i];
      const int32_t cases = ends[2 * i] - start;
      const auto duration = static_cast<float>(interval * cases);
      if (!(duration > least)) continue;
      kept->push_back(EventRun{start, cases});
      if (cases < Durations::kTabled) ++byCases[(keptSoFar & 1) * Durations::kTabled + cases];
      else durations.longer.push_back(duration);
      ++keptSoFar;
    }
    durations.n = keptSoFar;
  }

  // The runs a later part counted, taken after these: its first run ends
  // one of ours (or one from before ours) when it began inside it.
  template <class Part>
  void join(Part& later) {
    if (later.leadEnd >= 0) {
      keepAll(&openStart, &later.leadEnd, 1);
      on = false;
    }
    kept->insert(kept->end(), later.kept->begin(), later.kept->end());
    durations.n += later.durations.n;
    for (size_t k = 0; k < durations.byCases.size(); ++k) durations.byCases[k] += later.durations.byCases[k];
    durations.longer.insert(durations.longer.end(), later.durations.longer.begin(), later.durations.longer.end());
    all += later.all;
    // A later part with no change at all leaves a run from before going.
    if (later.on && later.openStart != kEarlierStart) {
      openStart = later.openStart;
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
      ahead.ask(4);
      const int n = static_cast<int>(std::min<int64_t>(kWordCases, to - base));
#if CORVIMET_X86_DISPATCH
      if constexpr (kAvx512) {
        levelMasksAvx512(p + base, n, r.upper, r.lower, &above[w], &below[w]);
        continue;
      }
#endif
      levelMasks(p + base, n, r.upper, r.lower, &above[w], &below[w]);
    }
    up.template chunk<kAvx512>(from, to, above);
    down.template chunk<kAvx512>(from, to, below);
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

// Spans from this many cases on are counted in parts side by side, at most
// kMostParts: a noisy trace's runs cost more than its reading.
constexpr int64_t kPartCases = int64_t{1} << 19;
constexpr int64_t kMostParts = 4;

// The later parts' lists, kept from count to count with their room: the
// user counts again with other levels, and the kernel's work on fresh pages
// for these lists took a quarter of a count. Lists of up to kKeptRuns.
class PartLists {
 public:
  static std::vector<EventRun> take() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (lists_.empty()) return {};
    std::vector<EventRun> list = std::move(lists_.back());
    lists_.pop_back();
    return list;
  }
  static void give(std::vector<EventRun>&& list) noexcept {
    list.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    if (list.capacity() > kKeptRuns || lists_.size() >= 2 * (kMostParts - 1)) return;
    try {
      lists_.push_back(std::move(list));
    } catch (const std::bad_alloc&) {  // only kept for speed
    }
  }

 private:
  static constexpr size_t kKeptRuns = size_t{1} << 20;
  static inline std::mutex mutex_;
  static inline std::vector<std::vector<EventRun>> lists_;
};

template <class Up, class Down>
void scan([[maybe_unused]] bool wide, const float* p, const EventRequest& r, Up& up, Down& down) {
#if CORVIMET_X86_DISPATCH
  if (wide) {
    scanAvx512(p, r, up, down);
    return;
  }
#endif
  scanBase(p, r, up, down);
}

// parts 0 for as many as the span's length and the usable cores give.
EventCount countEvents(std::span<const float> y, const EventRequest& r, bool wide, int64_t parts = 0) {
  EventCount c;
  if (r.first < 0 || r.last < r.first || static_cast<size_t>(r.last) >= y.size()) return c;
  // A lower run already under way at the start is not one of "all".
  if (y[static_cast<size_t>(r.first)] < r.lower) c.allDown = -1;
  // A run ends at the first case outside it; a run still going at the
  // span's last case has no end and is not kept.
  const float* p = y.data();
  const int64_t span = int64_t{r.last} - r.first + 1;
  if (parts <= 0)
    parts = std::clamp<int64_t>(span / kPartCases, 1, std::min<int64_t>(kMostParts, static_cast<int64_t>(UsableCores())));
  parts = std::min(parts, span);
  RunTracker<decltype(c.up)> up{r, &c.up};
  RunTracker<decltype(c.down)> down{r, &c.down};
  // The parts after the first, each into lists of its own, then joined in
  // order: each begins inside a run when the case before it is.
  struct Part {
    EventRequest r;
    std::vector<EventRun> upRuns, downRuns;
    std::optional<RunTracker<std::vector<EventRun>>> up, down;
  };
  std::vector<Part> later(static_cast<size_t>(parts - 1));
  const auto partRequest = [&](int64_t k) {
    EventRequest q = r;
    q.first = static_cast<int32_t>(r.first + span * k / parts);
    q.last = static_cast<int32_t>(r.first + span * (k + 1) / parts - 1);
    return q;
  };
  for (int64_t k = 1; k < parts; ++k) {
    Part& part = later[static_cast<size_t>(k - 1)];
    part.r = partRequest(k);
    part.upRuns = PartLists::take();
    part.downRuns = PartLists::take();
    part.up.emplace(RunTracker<std::vector<EventRun>>{r, &part.upRuns});
    part.down.emplace(RunTracker<std::vector<EventRun>>{r, &part.downRuns});
    const float before = p[part.r.first - 1];
    for (auto& [t, inside] : {std::pair{&*part.up, before >= r.upper}, {&*part.down, before <= r.lower}}) {
      t->on = inside;
      t->openStart = kEarlierStart;
    }
  }
  if (parts == 1) {
    scan(wide, p, r, up, down);
  } else {
    const EventRequest first = partRequest(0);
    const auto threads = static_cast<size_t>(std::min(parts, kMostParts));
    std::vector<char> outOfMemory(threads, 0);
    onThreads(threads, [&](size_t t) {
      try {
        for (auto k = static_cast<int64_t>(t); k < parts; k += static_cast<int64_t>(threads)) {
          if (k == 0) {
            scan(wide, p, first, up, down);
          } else {
            Part& part = later[static_cast<size_t>(k - 1)];
            scan(wide, p, part.r, *part.up, *part.down);
          }
        }
      } catch (const std::bad_alloc&) {  // nothing may leave a thread
        outOfMemory[t] = 1;
      }
    });
    if (std::find(outOfMemory.begin(), outOfMemory.end(), 1) != outOfMemory.end()) throw std::bad_alloc();
    size_t upRuns = c.up.size(), downRuns = c.down.size();
    for (const Part& part : later) {
      upRuns += part.upRuns.size() + 1;
      downRuns += part.downRuns.size() + 1;
    }
    c.up.reserve(upRuns);
    c.down.reserve(downRuns);
    for (Part& part : later) {
      up.join(*part.up);
      down.join(*part.down);
      PartLists::give(std::move(part.upRuns));
      PartLists::give(std::move(part.downRuns));
    }
  }
  up.lastRoom.store(c.up.capacity(), std::memory_order_relaxed);
  down.lastRoom.store(c.down.capacity(), std::memory_order_relaxed);
  c.allUp += up.all;
  c.allDown += down.all;
  c.upStats = durationStats(up.durations, r.interval);
  c.downStats = durationStats(down.durations, r.interval);

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
  spreads(c.up, &c.upStats, c.down, &c.downStats, r.interval);
  if (binned) {
    binsOf(up.durations, r.interval, c.histLo, w, &c.upBins);
    binsOf(down.durations, r.interval, c.histLo, w, &c.downBins);
  }
  for (int b = 1; b <= kEventBins; ++b) c.maxBin = std::max({c.maxBin, c.upBins[b], c.downBins[b]});
  return c;
}

}  // namespace

EventCount CountEvents(std::span<const float> y, const EventRequest& r) { return countEvents(y, r, CpuHasAvx512()); }

EventCount CountEventsBaseline(std::span<const float> y, const EventRequest& r) { return countEvents(y, r, false); }

EventCount CountEventsInParts(std::span<const float> y, const EventRequest& r, int parts, bool wide) {
  return countEvents(y, r, wide && CpuHasAvx512(), std::max(parts, 1));
}

EventRateUnit EventRateUnitOf(int item) {
  switch (item) {
    case 2: return {" (/sec) ", 1.0};
    case 3: return {" (/min) ", 60.0};
    case 4: return {" (/hour) ", 3600.0};
    case 5: return {" (/day) ", 86400.0};
    default: return {"", 1.0};
  }
}

EventRecord EventStatistics(std::span<const float> y, EventRun e, double interval) {
  EventRecord r{e.start, e.cases, static_cast<float>(interval * e.cases)};
  if (e.start < 0 || e.cases <= 0 || static_cast<size_t>(e.start) + static_cast<size_t>(e.cases) > y.size()) return r;
  const float* v = y.data() + e.start;
  const double shift = v[0];
  double sum = 0.0, sum2 = 0.0;
  float lo = v[0], hi = v[0];
  for (int32_t i = 0; i < e.cases; ++i) {
    const double d = v[i] - shift;
    sum += d;
    sum2 += d * d;
    lo = std::min(lo, v[i]);
    hi = std::max(hi, v[i]);
  }
  const double m = sum / e.cases;
  r.mean = shift + m;
  r.sd = std::sqrt(std::max(0.0, sum2 / e.cases - m * m));
  r.minimum = lo;
  r.maximum = hi;
  return r;
}

std::string EventDetailsText(const EventFileHeader& h, std::span<const float> y, const EventRequest& r,
                             const EventCount& c, int rateItem) {
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
    const EventRecord e = EventStatistics(y, upper ? c.up[i++] : c.down[j++], r.interval);
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
