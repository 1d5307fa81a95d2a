#include "plot/trace.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <thread>

#include "platform/cpu.h"
#include "platform/lanes.h"
#include "platform/threads.h"

// The vector helpers are always inlined: how a 32-byte vector would be passed
// to a real call without AVX does not arise.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace plotcore {

// ---- Level-of-detail table -----------------------------------------------------

namespace {

constexpr size_t kGroup = LodTable::kGroup;
constexpr float kInf = std::numeric_limits<float>::infinity();

// Low and high of entry i of a level stored in groups.
float lowOf(const std::vector<float>& level, size_t i) { return level[i / kGroup * 2 * kGroup + i % kGroup]; }
float highOf(const std::vector<float>& level, size_t i) { return level[i / kGroup * 2 * kGroup + kGroup + i % kGroup]; }

// A level of n entries in groups, every entry empty.
std::vector<float> emptyLevel(size_t n) {
  std::vector<float> level((n + kGroup - 1) / kGroup * 2 * kGroup);
  for (size_t g = 0; g < level.size(); g += 2 * kGroup) {
    std::fill_n(level.begin() + static_cast<ptrdiff_t>(g), kGroup, kInf);
    std::fill_n(level.begin() + static_cast<ptrdiff_t>(g + kGroup), kGroup, -kInf);
  }
  return level;
}

// Each entry of a level from `per` entries of the level below.
std::vector<float> reduceLevel(const std::vector<float>& below, size_t per, size_t n) {
  std::vector<float> level = emptyLevel(n);
  for (size_t c = 0; c < n; ++c) {
    float l = lowOf(below, c * per), h = highOf(below, c * per);
    for (size_t i = 1; i < per; ++i) {
      l = std::min(l, lowOf(below, c * per + i));
      h = std::max(h, highOf(below, c * per + i));
    }
    level[c / kGroup * 2 * kGroup + c % kGroup] = l;
    level[c / kGroup * 2 * kGroup + kGroup + c % kGroup] = h;
  }
  return level;
}

}  // namespace

LodTable::LodTable(const float* data, size_t count) : count_(data ? count : 0) {
  const size_t nFine = count_ / kFine;
  fine_ = emptyLevel(nFine);
  for (size_t b = 0; b < nFine; ++b) {
    Extremes e;
    const float* p = data + b * kFine;
    for (size_t i = 0; i < kFine; ++i) e.add(p[i]);
    fine_[b / kGroup * 2 * kGroup + b % kGroup] = e.lo;
    fine_[b / kGroup * 2 * kGroup + kGroup + b % kGroup] = e.hi;
  }
  for (size_t i = 0; i < count_ && !negativeZero_; ++i) negativeZero_ = data[i] == 0.0f && std::signbit(data[i]);
  coarse_ = reduceLevel(fine_, kCoarse / kFine, count_ / kCoarse);
  top_ = reduceLevel(coarse_, kTop / kCoarse, count_ / kTop);
}

size_t LodTable::bytes() const { return (fine_.size() + coarse_.size() + top_.size()) * sizeof(float); }

Extremes LodTable::query(const float* data, int64_t first, int64_t last) const {
  Extremes e;
  if (!data || count_ == 0) return e;
  first = std::max<int64_t>(first, 0);
  last = std::min<int64_t>(last, static_cast<int64_t>(count_) - 1);
  if (first > last) return e;
  size_t a = static_cast<size_t>(first), b = static_cast<size_t>(last) + 1;  // [a, b)
  // Ragged ends sample by sample up to whole fine blocks.
  while (a < b && a % kFine) e.add(data[a++]);
  while (b > a && b % kFine) e.add(data[--b]);
  // Each level up to whole blocks of the next, from both ends.
  auto take = [&e](const std::vector<float>& level, size_t i) {
    if (lowOf(level, i) < e.lo) e.lo = lowOf(level, i);
    if (highOf(level, i) > e.hi) e.hi = highOf(level, i);
  };
  constexpr size_t perCoarse = kCoarse / kFine, perTop = kTop / kCoarse;
  size_t fa = a / kFine, fb = b / kFine;
  while (fa < fb && fa % perCoarse) take(fine_, fa++);
  while (fb > fa && fb % perCoarse) take(fine_, --fb);
  size_t ca = fa / perCoarse, cb = fb / perCoarse;
  while (ca < cb && ca % perTop) take(coarse_, ca++);
  while (cb > ca && cb % perTop) take(coarse_, --cb);
  for (size_t t = ca / perTop, te = cb / perTop; t < te; ++t) take(top_, t);
  return e;
}

void LodTable::walkRun(const float* data, int64_t from, int64_t to, float* lo, float* hi) const {
  Extremes e;
  auto take = [&e](const std::vector<float>& level, size_t k) {
    if (lowOf(level, k) < e.lo) e.lo = lowOf(level, k);
    if (highOf(level, k) > e.hi) e.hi = highOf(level, k);
  };
  from = std::max<int64_t>(from, 0);
  to = std::min<int64_t>(to, static_cast<int64_t>(count_));  // exclusive
  if (data && from < to) {
    // Up the levels while the run lasts, then down again.
    size_t a = static_cast<size_t>(from);
    const size_t b = static_cast<size_t>(to);
    while (a < b && a % kFine) e.add(data[a++]);
    for (; a + kFine <= b && a % kCoarse; a += kFine) take(fine_, a / kFine);
    for (; a + kCoarse <= b && a % kTop; a += kCoarse) take(coarse_, a / kCoarse);
    for (; a + kTop <= b; a += kTop) take(top_, a / kTop);
    for (; a + kCoarse <= b; a += kCoarse) take(coarse_, a / kCoarse);
    for (; a + kFine <= b; a += kFine) take(fine_, a / kFine);
    while (a < b) e.add(data[a++]);
  }
  *lo = e.lo;
  *hi = e.hi;
}

namespace {

using namespace lanes;

// The running extremes of one run, lane by lane; which lane holds an
// extreme is of no matter as long as no two candidates compare equal with
// different bits, that is no -0.0 among the samples.
template <class F, class I>
struct LaneExtremes {
  static constexpr int kLanes = sizeof(F) / sizeof(float);
  F lo, hi;

  [[gnu::always_inline]] LaneExtremes() : lo(kInf - F{}), hi(-kInf - F{}) {}
  // Entries s..e-1 of a group (its lows at g[0..15], highs at g[16..31]).
  [[gnu::always_inline]] void takeEntries(const float* g, int s, int e) {
    for (int q = 0; q < static_cast<int>(kGroup); q += kLanes) {
      I lane;
      for (int j = 0; j < kLanes; ++j) lane[j] = q + j;
      const I in = (lane >= s) & (lane < e);
      const F l = loadLanes<F>(g + q), h = loadLanes<F>(g + kGroup + q);
      lo = (in & (l < lo)) ? l : lo;
      hi = (in & (h > hi)) ? h : hi;
    }
  }
  // Finite samples s..e-1 of a block of 16 starting at p.
  [[gnu::always_inline]] void takeSamples(const float* p, int s, int e) {
    for (int q = 0; q < static_cast<int>(kGroup); q += kLanes) {
      I lane;
      for (int j = 0; j < kLanes; ++j) lane[j] = q + j;
      const F x = loadLanes<F>(p + q);
      const I finite = (reinterpret_cast<I>(x) & 0x7fffffff) <= 0x7f7fffff;
      const I in = (lane >= s) & (lane < e) & finite;
      lo = (in & (x < lo)) ? x : lo;
      hi = (in & (x > hi)) ? x : hi;
    }
  }
  [[gnu::always_inline]] void store(float* l, float* h) const {
    float a = lo[0], b = hi[0];
    for (int j = 1; j < kLanes; ++j) {
      a = lo[j] < a ? lo[j] : a;
      b = hi[j] > b ? hi[j] : b;
    }
    *l = a;
    *h = b;
  }
};

const float* groupOf(const float* level, size_t i) { return level + i / kGroup * 2 * kGroup; }

// Samples s..end-1 of one block of 16; at the ragged end of the array, with
// no whole block to load, one by one.
template <class F, class I>
[[gnu::always_inline]] inline void takeSamples(LaneExtremes<F, I>& e, const float* data, size_t count, size_t s,
                                               size_t end) {
  const size_t block = s & ~(LodTable::kFine - 1);
  if (block + LodTable::kFine <= count) {
    e.takeSamples(data + block, static_cast<int>(s - block), static_cast<int>(end - block));
    return;
  }
  Extremes x;
  for (size_t k = s; k < end; ++k) x.add(data[k]);
  const F l = x.lo - F{}, h = x.hi - F{};  // -0.0 kept
  e.lo = l < e.lo ? l : e.lo;
  e.hi = h > e.hi ? h : e.hi;
}

// Entries s..end-1 of a level, all within one group.
template <class F, class I>
[[gnu::always_inline]] inline void takeEntries(LaneExtremes<F, I>& e, const float* level, size_t s, size_t end) {
  const size_t first = s / kGroup * kGroup;
  e.takeEntries(groupOf(level, s), static_cast<int>(s - first), static_cast<int>(end - first));
}

// The walk of walkRun with the entries of each level that a run's end takes
// (all in one group of 16) and the ragged samples (all in one block of 16)
// read a vector at a time, masked to the run; the top entries in between
// group by group.
template <class F, class I>
[[gnu::always_inline]] inline void lodRunsBody(const float* data, size_t count, const float* fine,
                                               const float* coarse, const float* top, const int64_t* starts,
                                               size_t nRuns, float* lo, float* hi) {
  constexpr size_t kFine = LodTable::kFine, kCoarse = LodTable::kCoarse, kTop = LodTable::kTop;
  constexpr size_t kAhead = 8;
  const auto n = static_cast<int64_t>(count);
  for (size_t r = 0; r < nRuns; ++r) {
    // Where a run ends and the next begins, the samples and the fine
    // entries lie on lines of their own, one channel's far from the last:
    // they are asked for some runs ahead. The coarse entries follow one
    // another from run to run, and the processor fetches those by itself.
    if (r + kAhead < nRuns) {
      const int64_t s = starts[r + kAhead];
      if (s > 0 && s + static_cast<int64_t>(kFine) <= n) {
        const auto k = static_cast<size_t>(s);
        __builtin_prefetch(data + (k & ~(kFine - 1)));
        __builtin_prefetch(data + (k | (kFine - 1)));
        const float* g = groupOf(fine, k / kFine);
        __builtin_prefetch(g);
        __builtin_prefetch(g + 2 * kGroup - 1);
      }
    }
    LaneExtremes<F, I> e;
    size_t a = static_cast<size_t>(std::clamp<int64_t>(starts[r], 0, n));
    const size_t b = static_cast<size_t>(std::clamp<int64_t>(starts[r + 1], 0, n));
    if (a < b) {
      if (a % kFine) {
        const size_t end = std::min((a | (kFine - 1)) + 1, b);
        takeSamples(e, data, count, a, end);
        a = end;
      }
      if (a % kCoarse && a + kFine <= b) {
        const size_t end = std::min((a | (kCoarse - 1)) + 1, b / kFine * kFine);
        takeEntries(e, fine, a / kFine, end / kFine);
        a = end;
      }
      if (a % kTop && a + kCoarse <= b) {
        const size_t end = std::min((a | (kTop - 1)) + 1, b / kCoarse * kCoarse);
        takeEntries(e, coarse, a / kCoarse, end / kCoarse);
        a = end;
      }
      if (a + kTop <= b) {
        const size_t end = b / kTop;
        for (size_t t = a / kTop; t < end; t = (t / kGroup + 1) * kGroup)
          takeEntries(e, top, t, std::min((t / kGroup + 1) * kGroup, end));
        a = end * kTop;
      }
      if (a + kCoarse <= b) {
        const size_t end = b / kCoarse * kCoarse;
        takeEntries(e, coarse, a / kCoarse, end / kCoarse);
        a = end;
      }
      if (a + kFine <= b) {
        const size_t end = b / kFine * kFine;
        takeEntries(e, fine, a / kFine, end / kFine);
        a = end;
      }
      if (a < b) takeSamples(e, data, count, a, b);
    }
    e.store(lo + r, hi + r);
  }
}

using LodRuns = void (*)(const float*, size_t, const float*, const float*, const float*, const int64_t*, size_t,
                         float*, float*);

void lodRunsBase(const float* data, size_t count, const float* fine, const float* coarse, const float* top,
                 const int64_t* starts, size_t nRuns, float* lo, float* hi) {
  lodRunsBody<F4, I4>(data, count, fine, coarse, top, starts, nRuns, lo, hi);
}

std::atomic<bool> baselineLanesForTest = false;

#if CORVIMET_X86_DISPATCH
[[gnu::target("avx2")]] void lodRunsAvx2(const float* data, size_t count, const float* fine, const float* coarse,
                                         const float* top, const int64_t* starts, size_t nRuns, float* lo,
                                         float* hi) {
  lodRunsBody<F8, I8>(data, count, fine, coarse, top, starts, nRuns, lo, hi);
}

LodRuns lodRuns() { return CpuHasAvx2() && !baselineLanesForTest ? lodRunsAvx2 : lodRunsBase; }
#else
LodRuns lodRuns() { return lodRunsBase; }
#endif

}  // namespace

void UseBaselineLodLanesForTest(bool baseline) { baselineLanesForTest = baseline; }

void LodTable::runExtremes(const float* data, const int64_t* starts, size_t nRuns, float* lo, float* hi) const {
  if (!data || count_ == 0) {
    for (size_t i = 0; i < nRuns; ++i) walkRun(data, starts[i], starts[i + 1], lo + i, hi + i);
    return;
  }
  lodRuns()(data, count_, fine_.data(), coarse_.data(), top_.data(), starts, nRuns, lo, hi);
  if (!negativeZero_) return;
  // Extremes of 0 may be +0.0 or -0.0: the first such sample's, which the
  // lanes don't keep.
  for (size_t i = 0; i < nRuns; ++i)
    if (lo[i] == 0.0f || hi[i] == 0.0f) walkRun(data, starts[i], starts[i + 1], lo + i, hi + i);
}

namespace {

// Bits of 64 samples spread evenly over the array, first and last included.
uint64_t ProbeOf(const float* data, size_t count) {
  if (!data || count == 0) return 0;
  constexpr size_t kProbes = 64;
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < kProbes; ++i) {
    const size_t k = count == 1 ? 0 : i * (count - 1) / (kProbes - 1);
    uint32_t bits;
    std::memcpy(&bits, data + k, sizeof bits);
    h = (h ^ bits) * 1099511628211ull;
  }
  return h;
}

}  // namespace

const LodTable& LodCache::get(int16_t slot, int16_t channel, const float* data, size_t count) {
  static const LodTable kEmpty;
  if (slot < 0 || slot >= kSlots || channel < 0 || channel >= kChannels) return kEmpty;
  Entry& en = entries_[slot][channel];
  const uint64_t probe = ProbeOf(data, count);
  if (!en.valid || en.data != data || en.count != count || en.probe != probe) {
    en.columnsValid = false;
    en.columns = TraceColumns();
    en.table = LodTable(data, count);
    en.data = data;
    en.count = count;
    en.probe = probe;
    en.valid = true;
    ++builds_;
  }
  return en.table;
}

const LodTable* LodCache::peek(int16_t slot, int16_t channel, const float* data, size_t count) const {
  if (slot < 0 || slot >= kSlots || channel < 0 || channel >= kChannels) return nullptr;
  const Entry& en = entries_[slot][channel];
  if (!en.valid || en.data != data || en.count != count || en.probe != ProbeOf(data, count)) return nullptr;
  return &en.table;
}

const TraceColumns& LodCache::columns(int16_t slot, int16_t channel, const float* data, int32_t nCases,
                                      const TraceParams& p) {
  static const TraceColumns kNone;
  if (slot < 0 || slot >= kSlots || channel < 0 || channel >= kChannels || nCases < 0) return kNone;
  const LodTable& table = get(slot, channel, data, static_cast<size_t>(nCases) + 1);
  Entry& en = entries_[slot][channel];
  if (!en.columnsValid || !en.columns.sameSpan(nCases, p)) {
    en.columns = ColumnExtremes(data, nCases, p, &table);
    en.columnsValid = true;
    ++columnComputations_;
  }
  return en.columns;
}

void LodCache::prepareColumns(int16_t slot, const int16_t* channels, const float* const* data, size_t count,
                              int32_t nCases, const TraceParams& p) {
  if (slot < 0 || slot >= kSlots || nCases < 0) return;
  const auto size = static_cast<size_t>(nCases) + 1;
  std::vector<size_t> todo;
  for (size_t i = 0; i < count; ++i) {
    const int16_t c = channels[i];
    if (c < 0 || c >= kChannels) continue;
    // Without the samples' probe, which columns() reads on the thread: an
    // array rewritten in place under an unchanged view is noticed when it is
    // drawn.
    const Entry& en = entries_[slot][c];
    if (!en.valid || en.data != data[i] || en.count != size || !en.columnsValid || !en.columns.sameSpan(nCases, p))
      todo.push_back(i);
  }
  const size_t threads = std::min<size_t>({todo.size(), UsableCores(), 8});
  std::atomic<size_t> next = 0;
  onThreads(threads, [&](size_t) {
    for (size_t k; (k = next++) < todo.size();) {
      // Each channel's entry is its own; one that fails here is computed
      // again when it is drawn, and fails there in the open.
      try {
        columns(slot, channels[todo[k]], data[todo[k]], nCases, p);
      } catch (const std::exception&) {
        invalidate(slot, channels[todo[k]]);
      }
    }
  });
}

void LodCache::invalidate(int16_t slot, int16_t channel) {
  if (slot < 0 || slot >= kSlots || channel < 0 || channel >= kChannels) return;
  Entry& en = entries_[slot][channel];
  en.valid = false;
  en.table = LodTable();
  en.columnsValid = false;
  en.columns = TraceColumns();
}

void LodCache::invalidateSlot(int16_t slot) {
  for (int16_t c = 0; c < kChannels; ++c) invalidate(slot, c);
}

void LodCache::clear() {
  for (int16_t s = 0; s < kSlots; ++s) invalidateSlot(s);
}

LodCache& PlotLodCache() {
  static LodCache cache;
  return cache;
}
void InvalidatePlotLod(int16_t slot, int16_t channel) { PlotLodCache().invalidate(slot, channel); }
void InvalidatePlotLodSlot(int16_t slot) { PlotLodCache().invalidateSlot(slot); }

// ---- Trace reduction ---------------------------------------------------------

void ClipBand(int16_t view, int16_t bottomOfPlotArea, float nVar8, float nVar9, int16_t* top, int16_t* bottom) {
  int t = 19, b = bottomOfPlotArea - 3;
  if (view != 0) {
    const double e9 = std::isfinite(nVar9) ? nVar9 : 0.0, e8 = std::isfinite(nVar8) ? nVar8 : 0.0;
    b = static_cast<int>(std::clamp(std::trunc(e9 - 30.0), -32768.0, 32767.0));
    t = static_cast<int>(std::clamp(std::trunc(b - e8), -32768.0, 32767.0));
    if (view != 2 && t < 19) t = 19;
    if (view == 3) {
      t += 30;
      b += 30;
    }
  }
  if (top) *top = static_cast<int16_t>(std::clamp(t, -32768, 32767));
  if (bottom) *bottom = static_cast<int16_t>(std::clamp(b, -32768, 32767));
}

namespace {

int HoldY(double y, const TraceParams& p) {
  y = std::trunc(y);
  if (p.clip) y = std::clamp(y, static_cast<double>(p.clipTop), static_cast<double>(p.clipBottom));
  return static_cast<int>(std::clamp(y, -32768.0, 32767.0));
}

int TruncX(double x) { return static_cast<int>(std::clamp(std::trunc(x), -1.0e9, 1.0e9)); }

}  // namespace

int TraceY(float v, const TraceParams& p) {
  if (p.manualClamp && v > p.maximumValue) v = p.maximumValue;
  if (std::isnan(v)) return HoldY(p.yZero, p);
  return HoldY(p.yZero - static_cast<double>(v) * p.yScale, p);
}

namespace {

// The cases a trace draws and whether it reduces them to pixel columns.
struct TraceSpan {
  bool valid = false;
  int64_t k0 = 1, last = 0;
  bool columnMode = false;
};

TraceSpan SpanOf(const float* data, int32_t nCases, const TraceParams& p) {
  TraceSpan s;
  if (!data || nCases < 1 || !(p.xStep > 0) || !std::isfinite(p.xStep) || !std::isfinite(p.x0)) return s;
  s.valid = true;
  s.k0 = p.first > 0 ? p.first : 1;
  s.last = std::min<int64_t>(p.last, nCases);
  if (s.last < s.k0) return s;
  const double columns = std::trunc((static_cast<double>(p.last) - p.first) * p.xStep);
  s.columnMode = columns >= 1 && (s.last - s.k0) / static_cast<int64_t>(std::min(columns, 9.0e18)) >= 3;
  return s;
}

}  // namespace

bool TraceColumns::sameSpan(int32_t n, const TraceParams& p) const {
  return nCases == n && first == p.first && last == p.last && x0 == p.x0 && xStep == p.xStep;
}

TraceColumns ColumnExtremes(const float* data, int32_t nCases, const TraceParams& p, const LodTable* lod) {
  TraceColumns t;
  t.nCases = nCases;
  t.first = p.first;
  t.last = p.last;
  t.x0 = p.x0;
  t.xStep = p.xStep;
  const TraceSpan s = SpanOf(data, nCases, p);
  if (!s.columnMode) return t;
  t.columnMode = true;
  if (lod && lod->count() != static_cast<size_t>(nCases) + 1) lod = nullptr;
  const int64_t k0 = s.k0, last = s.last;
  auto xOf = [&](int64_t k) { return p.x0 + static_cast<double>(k - k0 + 1) * p.xStep; };
  auto colOf = [&](int64_t k) { return static_cast<int64_t>(std::trunc(xOf(k))); };
  // First case of column c: the estimate from the inverse of xOf, then
  // settled with the same truncation the cases use.
  auto startOf = [&](int64_t c, int64_t from) {
    double est = static_cast<double>(k0) - 1.0 + std::ceil((static_cast<double>(c) - p.x0) / p.xStep);
    int64_t k = static_cast<int64_t>(std::clamp(est, static_cast<double>(from), static_cast<double>(last + 1)));
    while (k > from && colOf(k - 1) >= c) --k;
    while (k <= last && colOf(k) < c) ++k;
    return k;
  };
  t.cFirst = colOf(k0);
  const int64_t cLast = colOf(last);
  std::vector<int64_t> starts{k0};
  starts.reserve(static_cast<size_t>(std::min<int64_t>(cLast - t.cFirst + 2, 1 << 20)));
  for (int64_t c = t.cFirst; c <= cLast && starts.back() <= last; ++c) starts.push_back(startOf(c + 1, starts.back()));
  const size_t n = starts.size() - 1;
  t.lo.resize(n);
  t.hi.resize(n);
  t.zeroAfter.resize(n);
  if (lod) {
    lod->runExtremes(data, starts.data(), n, t.lo.data(), t.hi.data());
  } else {
    for (size_t i = 0; i < n; ++i) {
      Extremes e;
      for (int64_t k = starts[i]; k < starts[i + 1]; ++k) e.add(data[k]);
      t.lo[i] = e.lo;
      t.hi[i] = e.hi;
    }
  }
  for (size_t i = 0; i < n; ++i) t.zeroAfter[i] = starts[i + 1] <= last && data[starts[i + 1]] == 0.0f;
  return t;
}

TraceResult ReduceTrace(const float* data, int32_t nCases, const TraceParams& p, const LodTable* lod,
                        const TraceColumns* columns) {
  TraceResult r;
  const TraceSpan span = SpanOf(data, nCases, p);
  if (!span.valid) return r;
  const int64_t k0 = span.k0, last = span.last;

  // The pen starts on the case before the first one drawn, so that a later
  // page continues the line instead of jumping from case 1.
  const int64_t penCase = std::clamp<int64_t>(k0 - 1, 1, nCases);
  const float pv = data[penCase];
  const bool penValid = std::isfinite(pv);
  r.penStart = {TruncX(p.x0), pv == 0.0f || !penValid ? HoldY(p.yZero, p) : TraceY(pv, p)};
  if (last < k0) return r;
  r.casesDrawn = static_cast<int32_t>(last - k0 + 1);
  r.columnMode = span.columnMode;

  auto xOf = [&](int64_t k) { return p.x0 + static_cast<double>(k - k0 + 1) * p.xStep; };

  int base = 0;
  if (p.histogram) {
    r.penWidth = std::max(1, static_cast<int>(std::min(std::trunc(p.xStep), 1.0e6)));
    if (p.minimumValue >= 0) base = p.clipBottom;
    else if (p.maximumValue <= 0) base = p.clipTop + 1;
    else base = HoldY(p.yZero, p);
    base = std::min(base, static_cast<int>(p.bottomOfPlotArea));
    if (p.clip) base = std::max(base, static_cast<int>(p.clipTop));
  }
  auto& seg = r.segments;
  auto push = [&](int x1, int y1, int x2, int y2) {
    seg.push_back({x1, y1});
    seg.push_back({x2, y2});
  };

  if (!r.columnMode) {
    seg.reserve(static_cast<size_t>(2 * (last - k0 + 2)));
    if (p.histogram) {
      if (penValid) push(1, base, 1, r.penStart.y);
      for (int64_t k = k0; k <= last; ++k) {
        const float v = data[k];
        if (!std::isfinite(v)) continue;
        const int x = TruncX(xOf(k));
        push(x, base, x, std::min(TraceY(v, p), static_cast<int>(p.clipBottom)));
      }
      return r;
    }
    plat::Point prev = r.penStart;
    bool havePrev = penValid;
    for (int64_t k = k0; k <= last; ++k) {
      const float v = data[k];
      if (!std::isfinite(v)) {  // a gap in the line, not a jump to the edge
        havePrev = false;
        continue;
      }
      const plat::Point pt{TruncX(xOf(k)), TraceY(v, p)};
      if (havePrev) push(prev.x, prev.y, pt.x, pt.y);
      prev = pt;
      havePrev = true;
    }
    return r;
  }

  // Column mode: the extremes of every pixel column, drawn at the pixel of
  // the column that follows it.
  TraceColumns own;
  const TraceColumns* cols = columns && columns->columnMode && columns->sameSpan(nCases, p) ? columns : nullptr;
  if (!cols) {
    own = ColumnExtremes(data, nCases, p, lod);
    cols = &own;
  }
  const size_t n = cols->lo.size();
  seg.reserve(std::min<size_t>(n, 1 << 20) * 6);
  const int yZeroHeld = HoldY(p.yZero, p);
  bool havePrev = false;
  int prevLowY = 0, prevHighY = 0;
  for (size_t i = 0; i < n; ++i) {
    Extremes e;
    e.lo = cols->lo[i];
    e.hi = cols->hi[i];
    if (!e.any()) {
      havePrev = false;
      continue;
    }
    if (p.manualClamp) {
      e.lo = std::min(e.lo, p.maximumValue);
      e.hi = std::min(e.hi, p.maximumValue);
    }
    const int x = TruncX(static_cast<double>(cols->cFirst + static_cast<int64_t>(i)) + 1.0);
    const int yLow = TraceY(e.lo, p), yHigh = TraceY(e.hi, p);
    r.minimumYposition = yLow;
    if (p.histogram) {
      // A column followed by an exact 0 stands on the base, not on zero.
      const int zeroEnd = cols->zeroAfter[i] ? base : yZeroHeld;
      int ya, yb;
      if (e.lo > 0) ya = zeroEnd, yb = yHigh;
      else if (e.hi < 0) ya = zeroEnd, yb = yLow;
      else ya = yLow, yb = yHigh;
      push(x, std::min(ya, static_cast<int>(p.clipBottom)), x, std::min(yb, static_cast<int>(p.clipBottom)));
      continue;
    }
    if (havePrev) {
      if (prevLowY < yHigh) push(x - 1, prevLowY + 1, x, yHigh - 1);
      if (prevHighY > yLow) push(x - 1, prevHighY - 1, x, yLow + 1);
    }
    push(x, yLow, x, yHigh);
    prevLowY = yLow;
    prevHighY = yHigh;
    havePrev = true;
  }
  return r;
}

// ---- The trace rows of the single view ---------------------------------------

TraceCall MainTraceCall(const ViewState& v, int16_t bottomOfPlotArea, float yScale, float minimumValue,
                        int16_t channel) {
  TraceCall t;
  const double B = bottomOfPlotArea;
  const double ys = static_cast<double>(yScale) * minimumValue;
  const double yZeroOuter = std::trunc(std::trunc(B + ys) - 5.6);  // zoomed, compressed
  const double yZeroInner = std::trunc(B - 5.6 + ys);              // paged, expanded
  const ViewMode mode = ModeOf(v);
  const bool compressedView = v.compressed && v.nCases > v.screenWidth;
  if (mode == ViewMode::Zoomed && (compressedView || v.xStep < 2)) {
    const ZoomSpan z = ClampZoom(v.zoomLeft, v.zoomRight, v.nCases);
    const double span = std::max<int64_t>(1, int64_t{z.right} - z.left);
    const double ratio = v.screenWidth / span;
    t.first = z.left;
    t.last = z.right;
    t.yZero = yZeroOuter;
    t.x0 = ratio > 2 ? -std::trunc(ratio) : 0.0;
    t.xStep = ratio;
    return t;
  }
  if (compressedView && mode != ViewMode::Zoomed) {
    const double ratio = static_cast<double>(v.screenWidth) / v.nCases;
    t.first = 0;
    t.last = v.nCases;
    t.yZero = yZeroOuter;
    t.x0 = ratio;
    t.xStep = ratio;
    return t;
  }
  if (v.xStep < 2) {
    const int32_t s = std::max<int32_t>(1, v.segment);
    const int64_t seg0 = SegmentStart(s, v.screenWidth);
    t.first = static_cast<int32_t>(std::min<int64_t>(seg0, INT32_MAX));
    t.last = static_cast<int32_t>(std::min<int64_t>(v.nCases, int64_t{v.screenWidth} * s));
    t.yZero = yZeroInner;
    t.x0 = -1.0;
    t.xStep = 1.0;
    return t;
  }
  t.first = 2;
  t.last = channel == 0 ? v.screenWidth : v.nCases;
  t.yZero = yZeroInner;
  t.x0 = v.xStep;
  t.xStep = v.xStep;
  t.expanded = true;
  return t;
}

// ---- Compacted traces ------------------------------------------------------------

CompactedTrace CompactedTraceFor(const ViewState& v, const float* means, const float* sds, int32_t groups,
                                 int32_t casesPerGroup, int16_t bottomOfPlotArea, float yScale,
                                 float minimumValue, int32_t offset, bool sdBars) {
  CompactedTrace out;
  const int64_t p = casesPerGroup;
  if (!means || groups <= 0 || p <= 0 || v.screenWidth <= 0 || ModeOf(v) == ViewMode::Zoomed) return out;
  const int B = bottomOfPlotArea;
  auto yOf = [&](int64_t i, double lift, int top) {
    const double m = means[i];
    double y = B - std::nearbyint((m - minimumValue) * static_cast<double>(yScale) + lift);
    if (!std::isfinite(y)) y = B - 3;
    return static_cast<int>(std::clamp(y, static_cast<double>(top), static_cast<double>(B - 3)));
  };
  const bool compressedView = ModeOf(v) == ViewMode::Compressed;
  int64_t i0 = 0, iLast = std::min<int64_t>(v.nCases / p, groups - 1);
  double lift = 5.6;
  bool fromOrigin = true;  // joined by a line from (0, y of the first group)
  std::vector<plat::Point>& pts = out.points;
  if (compressedView) {
    const double ratio = static_cast<double>(v.screenWidth) / v.nCases;
    for (int64_t i = 0; i <= iLast; ++i)
      pts.push_back({TruncX(static_cast<double>(i) * ratio * p + (offset ? offset * ratio : 0.0)), yOf(i, lift, 19)});
  } else if (v.xStep >= 2) {
    lift = 0.0;
    fromOrigin = false;
    for (int64_t i = 0; i <= iLast; ++i)
      pts.push_back({TruncX(static_cast<double>(i) * v.xStep * p + offset), yOf(i, lift, 19)});
  } else {
    const int32_t s = std::max<int32_t>(1, v.segment);
    const int64_t seg0 = SegmentStart(s, v.screenWidth);
    const int64_t lastCase = std::min<int64_t>(v.nCases, int64_t{v.screenWidth} * s);
    i0 = std::max<int64_t>(seg0 / p, 1) - 1;
    // Only groups the compaction computed are drawn.
    iLast = std::min<int64_t>(lastCase / p + 1, groups - 1);
    if (i0 > iLast) return out;
    for (int64_t i = i0; i <= iLast; ++i)
      pts.push_back({TruncX(static_cast<double>(i - i0 + 1) * p), yOf(i, lift, 19)});
    if (!pts.empty()) {
      const plat::Point origin{0, yOf(i0, lift, 20)};
      out.segments.push_back(origin);
      out.segments.push_back(pts.front());
    }
    fromOrigin = false;
  }
  if (pts.empty()) return out;
  if (fromOrigin) {
    out.segments.push_back({0, pts.front().y});
    out.segments.push_back(pts.front());
  }
  for (size_t i = 1; i < pts.size(); ++i) {
    out.segments.push_back(pts[i - 1]);
    out.segments.push_back(pts[i]);
  }
  if (sdBars && sds) {
    const int64_t firstIdx = compressedView || v.xStep >= 2 ? 0 : i0;
    for (size_t i = 0; i < pts.size(); ++i) {
      const double sd = sds[firstIdx + static_cast<int64_t>(i)];
      if (!std::isfinite(sd)) continue;
      const int bar = static_cast<int>(std::clamp(static_cast<double>(yScale) * sd, 0.0, 32767.0));
      out.sdBars.push_back({pts[i].x, std::min(pts[i].y + bar, B)});
      out.sdBars.push_back({pts[i].x, std::max(pts[i].y - bar, 20)});
    }
  }
  return out;
}

}  // namespace plotcore
