#include "thermoregulation/costs.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <span>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/cpu.h"
#include "platform/threads.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"

// The vector helpers below are always inlined: how a 32-byte vector would be
// passed to a real call without AVX does not arise.
#pragma GCC diagnostic ignored "-Wpsabi"

int32_t TotalTregCases = 0, TotalAtBMR = 0, TotalAboveBMR = 0;
float HighestTregCost = 0;
int32_t TimingErrors[kMaxListedTimingErrors + 1] = {};
int32_t TimingErrorCount = 0;

namespace {

constexpr float kMissingAlways = -9999.0f;
constexpr float kNoWind = 0.0001f;
constexpr float kAssumedWind = 0.01f;

// Characters from..from+n-1 (0-based) of a number text.
std::string cut(const std::string& s, size_t from, size_t n) { return from < s.size() ? s.substr(from, n) : ""; }

float valueAt(const float* a, int32_t k) { return a ? a[k] : 0.0f; }

// Hours into 0..24, so that spans of the night carry past midnight.
float wrapDay(float h) {
  if (h >= 0.0f && h < 24.0f) return h;
  return h - 24.0f * std::floor(h / 24.0f);
}

}  // namespace

float WindFactor(float mass, float lctMinusTa, float wind) {
  return static_cast<float>(0.0092 * std::pow(static_cast<double>(mass), 0.66) *
                            std::pow(std::fabs(static_cast<double>(lctMinusTa)), 0.32) *
                            std::sqrt(static_cast<double>(wind)));
}

namespace {

// The highest means of three window lengths in one pass. A run's sum is the
// difference of two running totals of the positive costs (and its count of
// two running counts), so the lengths share one chain of additions. The
// totals are doubles: over 7,000,000 cases their rounding stays far below a
// float's step of any mean. Cases go in blocks: the chain fills a block's
// totals, then each length asks, in a loop without branches, whether any run
// ending in the block beats its best; only then does it walk the block run by
// run, in order, as a single pass would.
using D4 = double __attribute__((vector_size(32)));
using L4 = int64_t __attribute__((vector_size(32)));

// e^x of a float, worked out in double, the same steps whether for one
// value (D double, I int64_t) or four at a time (D4, L4), so that the case
// loop and the eight-case loop give the same bits, and the eight-case loop
// needs no call that would spill its vectors. Before the final rounding it
// is within a few parts in 10^15, so the float is the correctly rounded one
// all but always. NaN stays NaN; beyond float's range it gives inf and 0.
template <class D, class I>
[[gnu::always_inline]] inline D expOfFloat(D x) {
  constexpr double kInvLn2 = 1.4426950408889634;
  // ln 2 in two parts: the first's 32 bits times k (|k| < 2^9) are exact.
  constexpr double kLn2Hi = 0x1.62e42fefp-1, kLn2Lo = 0x1.473de6af278edp-34;
  constexpr double kShift = 0x1.8p52;   // adding it rounds to a whole number
  // __builtin_bit_cast, not std::bit_cast: an unoptimised build calls the
  // latter, and without AVX takes a 32-byte vector another way.
  const D nan = x;
  x = x < -150.0 ? D{} - 150.0 : x;
  x = x > 89.0 ? D{} + 89.0 : x;
  D kd = x * kInvLn2 + kShift;
  const I k = __builtin_bit_cast(I, kd) - __builtin_bit_cast(int64_t, kShift);
  kd = kd - kShift;
  const D r = (x - kd * kLn2Hi) - kd * kLn2Lo;   // |r| <= 0.35
  // Taylor to r^11: the first term left out is below 10^-15.
  D p = r * (1.0 / 39916800) + 1.0 / 3628800;
  p = p * r + 1.0 / 362880;
  p = p * r + 1.0 / 40320;
  p = p * r + 1.0 / 5040;
  p = p * r + 1.0 / 720;
  p = p * r + 1.0 / 120;
  p = p * r + 1.0 / 24;
  p = p * r + 1.0 / 6;
  p = p * r + 0.5;
  p = p * r + 1.0;
  p = p * r + 1.0;
  const D y = p * __builtin_bit_cast(D, (k + 1023) << 52);
  return nan == nan ? y : nan;
}


[[gnu::always_inline]] inline D4 loadD4(const double* p) {
  D4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Whether any of the runs i < len has sum > b c with c >= least and c > 0,
// four runs at a time.
[[gnu::always_inline]] inline bool anyBeats(const double* sumEnd, const double* sumBefore, const double* countEnd,
                                            const double* countBefore, size_t len, double b, double least) {
  size_t i = 0;
  L4 hit = {};
  for (; i + 4 <= len; i += 4) {
    const D4 sum = loadD4(sumEnd + i) - loadD4(sumBefore + i);
    const D4 c = loadD4(countEnd + i) - loadD4(countBefore + i);
    hit |= (sum > b * c) & (c >= least) & (c > 0.0);
  }
  bool any = (hit[0] | hit[1] | hit[2] | hit[3]) != 0;
  for (; i < len; ++i) {
    const double sum = sumEnd[i] - sumBefore[i];
    const double c = countEnd[i] - countBefore[i];
    any = any || (sum > b * c && c >= least && c > 0);
  }
  return any;
}

// anyBeats for the three lengths at once, over runs ending at the same cases:
// their ends are read once.
[[gnu::always_inline]] inline std::array<bool, 3> anyBeats3(const double* sumEnd, const double* countEnd, size_t len,
                                                            const std::array<int32_t, 3>& w,
                                                            const std::array<double, 3>& b,
                                                            const std::array<int32_t, 3>& least) {
  L4 hit[3] = {};
  // Counts are whole numbers: c >= least and c > 0 is c >= max(least, 1).
  std::array<double, 3> atLeast{};
  for (size_t j = 0; j < 3; ++j) atLeast[j] = std::max(least[j], 1);
  size_t i = 0;
  for (; i + 4 <= len; i += 4) {
    const D4 se = loadD4(sumEnd + i), ce = loadD4(countEnd + i);
    for (size_t j = 0; j < 3; ++j) {
      const D4 sum = se - loadD4(sumEnd + i - w[j]);
      const D4 c = ce - loadD4(countEnd + i - w[j]);
      // Counted down rather than or-ed in: a subtraction, where the or
      // would become a blend.
      hit[j] -= (sum > b[j] * c) & (c >= atLeast[j]);
    }
  }
  std::array<bool, 3> any{};
  for (size_t j = 0; j < 3; ++j) {
    any[j] = (hit[j][0] | hit[j][1] | hit[j][2] | hit[j][3]) != 0;
    if (i < len)
      any[j] = any[j] || anyBeats(sumEnd + i, sumEnd + i - w[j], countEnd + i, countEnd + i - w[j], len - i, b[j],
                                  least[j]);
  }
  return any;
}

// The three lengths' search, fed the running totals a block of cases at a
// time: by the pass below over a costs channel, or by the case loop as it
// adds the costs up. Totals of cases base..base+capacity-1 are kept; a block
// needs those of the longest run before it. Counts are held as doubles
// (exact) to compare alongside the sums.
struct WindowSearch {
  static constexpr int32_t kBlock = 2048;
  // Room for this many blocks past the longest run: the totals move back
  // once per so many blocks.
  static constexpr int32_t kRoomBlocks = 8;
  int32_t n = 0;
  std::array<int32_t, 3> w{}, threshold{};
  std::array<double, 3> best{kNoWindowMean, kNoWindowMean, kNoWindowMean};
  // A run must beat the best by more than the totals' rounding, so that
  // identical days do not take turns as the best.
  std::array<double, 3> bar = best;
  int32_t longest = 1;
  size_t capacity = 0;
  std::vector<double> totals, counts;
  int32_t base = 0;   // totals[0] is before case 1: 0

  // ring: make the totals' own ring now (a search that is handed its totals
  // needs none).
  [[gnu::always_inline]] WindowSearch(int32_t cases, int32_t w1, int32_t w2, int32_t w3, bool ring = true)
      : n(cases), w{w1, w2, w3} {
    for (size_t j = 0; j < 3; ++j) {
      threshold[j] = static_cast<int32_t>(std::trunc(0.7 * w[j]));
      // Runs of w cases end at cases w..n-1 (the last case of the file is in none).
      if (w[j] <= 0 || w[j] > n - 1) w[j] = 0;
      longest = std::max(longest, w[j]);
    }
    if (ring) makeRing();
  }

  void makeRing() {
    capacity = static_cast<size_t>(longest) + kRoomBlocks * kBlock + 1;
    totals.assign(capacity, 0.0);
    counts.assign(capacity, 0.0);
  }

  // Makes room for cases k0..k1-1 (at most kBlock of them); their totals go
  // at totals[k - base], counts alike.
  [[gnu::always_inline]] void makeRoom(int32_t k0, int32_t k1) {
    if (static_cast<size_t>(k1 - base) <= capacity) return;
    const int32_t newBase = k0 - longest;
    const size_t from = static_cast<size_t>(newBase - base), keep = static_cast<size_t>(longest);
    std::copy_n(totals.begin() + static_cast<ptrdiff_t>(from), keep, totals.begin());
    std::copy_n(counts.begin() + static_cast<ptrdiff_t>(from), keep, counts.begin());
    base = newBase;
  }

  // The runs ending at cases k0..k1-1, once their totals are in.
  [[gnu::always_inline]] void scan(int32_t k0, int32_t k1) { scanIn(totals.data(), counts.data(), base, k0, k1); }

  // The same with the totals of case k at sums[k - from], counts alike.
  [[gnu::always_inline]] void scanIn(const double* sums, const double* ones, int32_t from, int32_t k0, int32_t k1) {
    // Past the longest run's first end, one look serves all three lengths.
    std::array<bool, 3> beats{true, true, true};
    if (w[0] > 0 && w[1] > 0 && w[2] > 0 && k0 >= longest)
      beats = anyBeats3(sums + (k0 - from), ones + (k0 - from), static_cast<size_t>(k1 - k0), w, bar, threshold);
    for (size_t j = 0; j < 3; ++j) {
      if (w[j] == 0 || !beats[j]) continue;
      const int32_t first = std::max(k0, w[j]);
      if (first >= k1) continue;
      const size_t len = static_cast<size_t>(k1 - first);
      const double* sumEnd = sums + (first - from);
      const double* sumBefore = sumEnd - w[j];
      const double* countEnd = ones + (first - from);
      const double* countBefore = countEnd - w[j];
      const double b = bar[j], least = threshold[j];
      if (!anyBeats(sumEnd, sumBefore, countEnd, countBefore, len, b, least)) continue;
      for (size_t i = 0; i < len; ++i) {
        const double sum = sumEnd[i] - sumBefore[i];
        const double c = countEnd[i] - countBefore[i];
        // Compared without dividing; the division happens only for a new best.
        if (sum > bar[j] * c && c >= least && c > 0) {
          const double mean = sum / c;
          if (mean > best[j]) {
            best[j] = mean;
            bar[j] = mean * (1 + 1e-9);
          }
        }
      }
    }
  }

  std::array<float, 3> means() const {
    return {static_cast<float>(best[0]), static_cast<float>(best[1]), static_cast<float>(best[2])};
  }
};

// Channels from this many cases on are searched on two threads.
constexpr int32_t kTwoThreadCases = int32_t{1} << 20;
constexpr int32_t kSegmentCases = 8 * WindowSearch::kBlock;

// Until a counter reaches at least `least`: a spin first, as the other side
// hands over a segment every few microseconds and a sleep took longer to
// wake from than that.
inline void waitFor(const std::atomic<int32_t>& counter, int32_t least) {
  for (int spins = 0; counter.load(std::memory_order_acquire) < least; ++spins) {
    if (spins < 4096) {
#if defined(__SSE2__)
      _mm_pause();
#endif
    } else {
      std::this_thread::yield();
    }
  }
}

// The pass below on two threads: one adds up the running totals of the
// costs a segment at a time into a ring of buffers; this one counts the
// positive costs (an integer count, the same in any order) and searches
// each segment once its totals are in. Each buffer is headed by the longest
// run's values before its segment. The same additions and the same search
// in the same order as on one thread. False, with nothing searched, where
// no thread could be started.
[[gnu::always_inline]] inline bool searchOnTwoThreads(const float* v, int32_t n, int32_t segment,
                                                      WindowSearch& search) {
  constexpr int32_t kBuffers = 4;
  const int32_t longest = search.longest;
  const auto width = static_cast<size_t>(longest) + static_cast<size_t>(segment);
  const int32_t segments = (n - 1 + segment - 1) / segment;   // of cases 1..n-1
  std::vector<double> sums(kBuffers * width), ones(2 * width);
  std::atomic<int32_t> produced{0}, consumed{0};
  const auto firstOf = [&](int32_t s) { return 1 + s * segment; };
  const auto lastOf = [&](int32_t s) { return std::min(firstOf(s) + segment, n); };   // one past
  const auto sumsOf = [&](int32_t s) { return sums.data() + static_cast<size_t>(s % kBuffers) * width; };
  const auto onesOf = [&](int32_t s) { return ones.data() + static_cast<size_t>(s % 2) * width; };
  std::thread adder;
  try {
    adder = std::thread([&] {
      double total = 0;
      for (int32_t s = 0; s < segments; ++s) {
        waitFor(consumed, s - kBuffers + 1);   // segment s - kBuffers searched
        const int32_t s0 = firstOf(s), s1 = lastOf(s);
        double* const t = sumsOf(s);
        if (s == 0) std::fill_n(t, longest, 0.0);   // case 0 and before: nothing yet
        else std::copy_n(sumsOf(s - 1) + segment, longest, t);
        double* const at = t + longest - s0;
        for (int32_t k = s0; k < s1; ++k) {
          const float x = v[k];
          total += x > 0 ? static_cast<double>(x) : 0.0;
          at[k] = total;
        }
        produced.store(s + 1, std::memory_order_release);
      }
    });
  } catch (const std::system_error&) {
    return false;
  }
  int32_t count = 0;
  for (int32_t s = 0; s < segments; ++s) {
    const int32_t s0 = firstOf(s), s1 = lastOf(s);
    double* const o = onesOf(s);
    if (s == 0) std::fill_n(o, longest, 0.0);
    else std::copy_n(onesOf(s - 1) + segment, longest, o);
    double* const at = o + longest - s0;
    // Four cases at a time: each lane's count is the carry plus the
    // positive cases up to it, summed across the lanes.
    using F4 = float __attribute__((vector_size(16)));
    using I4 = int32_t __attribute__((vector_size(16)));
    int32_t k = s0;
    for (; k + 4 <= s1; k += 4) {
      F4 x;
      std::memcpy(&x, v + k, sizeof x);
      I4 up = -(x > F4{});
      up += __builtin_shufflevector(I4{}, up, 0, 4, 5, 6);
      up += __builtin_shufflevector(I4{}, up, 0, 1, 4, 5);
      up += count;
      count = up[3];
      const D4 counted = __builtin_convertvector(up, D4);
      std::memcpy(at + k, &counted, sizeof counted);
    }
    for (; k < s1; ++k) {
      count += v[k] > 0 ? 1 : 0;
      at[k] = count;
    }
    waitFor(produced, s + 1);
    for (int32_t k0 = s0; k0 < s1; k0 += WindowSearch::kBlock)
      search.scanIn(sumsOf(s), o, s0 - longest, k0, std::min(k0 + WindowSearch::kBlock, s1));
    consumed.store(s + 1, std::memory_order_release);
  }
  adder.join();
  return true;
}

// segment 0: on one thread below kTwoThreadCases, else kSegmentCases at a
// time on two.
[[gnu::always_inline]] inline std::array<float, 3> highestWindowMeansBody(std::span<const float> costs, int32_t w1,
                                                                          int32_t w2, int32_t w3, int32_t segment) {
  const int32_t n = static_cast<int32_t>(costs.size()) - 1;
  const float* v = costs.data();
  if (segment == 0 && n >= kTwoThreadCases && UsableCores() >= 2) segment = kSegmentCases;
  const bool twoThreads = segment > 0 && n >= 2;
  WindowSearch search(n, w1, w2, w3, !twoThreads);
  if (twoThreads) {
    if (searchOnTwoThreads(v, n, segment, search)) return search.means();
    search.makeRing();
  }
  double total = 0;
  int32_t count = 0;
  for (int32_t k0 = 1; k0 <= n - 1;) {
    const int32_t k1 = std::min(k0 + WindowSearch::kBlock, n);   // cases k0..k1-1
    search.makeRoom(k0, k1);
    double* totals = search.totals.data() + (k0 - search.base);
    double* counts = search.counts.data() + (k0 - search.base);
    for (int32_t k = k0; k < k1; ++k) {
      const float x = v[k];
      total += x > 0 ? static_cast<double>(x) : 0.0;
      count += x > 0 ? 1 : 0;
      totals[k - k0] = total;
      counts[k - k0] = count;
    }
    search.scan(k0, k1);
    k0 = k1;
  }
  return search.means();
}

using WindowMeans = std::array<float, 3> (*)(std::span<const float>, int32_t, int32_t, int32_t, int32_t);

std::array<float, 3> windowMeansBase(std::span<const float> costs, int32_t w1, int32_t w2, int32_t w3,
                                     int32_t segment) {
  return highestWindowMeansBody(costs, w1, w2, w3, segment);
}

#if CORVIMET_X86_DISPATCH
[[gnu::target("avx2")]] std::array<float, 3> windowMeansAvx2(std::span<const float> costs, int32_t w1, int32_t w2,
                                                             int32_t w3, int32_t segment) {
  return highestWindowMeansBody(costs, w1, w2, w3, segment);
}
#endif

std::array<float, 3> highestWindowMeans3(std::span<const float> costs, int32_t w1, int32_t w2, int32_t w3,
                                         int32_t segment = 0) {
#if CORVIMET_X86_DISPATCH
  static const WindowMeans f = CpuHasAvx2() ? windowMeansAvx2 : windowMeansBase;
#else
  static const WindowMeans f = windowMeansBase;
#endif
  return f(costs, w1, w2, w3, segment);
}

}  // namespace

float TregExp(float x) { return static_cast<float>(expOfFloat<double, int64_t>(x)); }

float HighestWindowMean(std::span<const float> costs, int32_t w) {
  return highestWindowMeans3(costs, w, 0, 0)[0];
}

std::array<float, 3> HighestWindowMeans(std::span<const float> costs, int32_t w6) {
  return highestWindowMeans3(costs, w6, 2 * w6, 4 * w6);
}

std::array<float, 3> HighestWindowMeansOnTwoThreads(std::span<const float> costs, int32_t w1, int32_t w2, int32_t w3,
                                                    int32_t segment) {
  return highestWindowMeans3(costs, w1, w2, w3, std::max(segment, 1));
}

namespace {

// What the case loop adds up.
struct CaseTotals {
  int32_t totalCases = 0, atBMR = 0, aboveBMR = 0, torporCases = 0, activeCases = 0;
  double writtenSum = 0, aboveSum = 0, torporSum = 0, activeSum = 0;
  float highest = 0;
  int32_t timingErrorCount = 0;
  std::array<int32_t, kMaxListedTimingErrors> listed{};
  bool windowsSearched = false;   // the case loop fed the window search
};

// The values a run keeps for every case, worked out once.
struct RunConstants {
  float M;                       // the missing-value mark
  bool useSun;
  float dayWrap;
  float tb;                      // rest-phase Tb, after the replacement of a missing one
  float cActive, cRest, bmrActive, bmrRest, tbActive, tbRest, lctActive, lctRest;
  float lnQ10Per10;
};

// The case loop, one instance per mode so that no per-case test asks what
// the settings already answer. Local copies of the inputs: the stores into
// the cost arrays cannot alias them, so the loop keeps them in registers.
template <bool kDayActive, bool kWind, bool kTorpor, bool kSunTable>
CaseTotals runCases(const TregClimate c, const TregAnimal a, const TregSettings s, const RunConstants k0,
                    const float (*sunTable)[3], float* costs, float* store, WindowSearch*) {
  CaseTotals r;
  const float M = k0.M;
  const int32_t n = std::max<int32_t>(c.nCases, 0);
  float prevTime = 0;
  auto timingError = [&](int32_t k) {
    if (r.timingErrorCount < kMaxListedTimingErrors) r.listed[static_cast<size_t>(r.timingErrorCount)] = k;
    ++r.timingErrorCount;
  };
  int32_t totalCases = 0, atBMR = 0, aboveBMR = 0, torporCases = 0, activeCases = 0;
  double writtenSum = 0, aboveSum = 0, torporSum = 0, activeSum = 0;
  float highest = 0;
  const float minTb = s.minimumTorporTb;
  const float E = s.torporEntryTime;
  // Torpor happens only in the rest phase, so its Tb, LCT and conductance are the rest values.
  const float dTRest = k0.tbRest - minTb;
  const float torporSpan = k0.lctRest - minTb + 1;
  // Metabolism at the minimum torpor Tb, the floor of defending it off the ramps.
  const float bmrAtMinTb = a.bmr * TregExp(k0.lnQ10Per10 * (minTb - k0.tbRest));

  for (int32_t k = 1; k <= n; ++k) {
    float shade = valueAt(c.shade, k);
    const float sun = valueAt(c.sun, k);
    const float t = valueAt(c.timeOfDay, k);
    if (t < prevTime && k < n - 1 && prevTime < k0.dayWrap) timingError(k);

    const bool shadeMissing = shade == M, sunMissing = sun == M;
    const float windValue = kWind ? valueAt(c.wind, k) : 0.0f;
    const bool reject = (shadeMissing && sunMissing) || (s.rejectNoShade && shadeMissing) ||
                        (s.rejectNoSun && sunMissing) || (kWind && s.rejectNoWind && windValue == M);
    if (reject) {
      costs[k] = 0;
      prevTime = t;
      continue;
    }

    float dawn = s.dawn, dusk = s.dusk;
    if constexpr (kSunTable) {
      const float dayValue = valueAt(c.dayOfYear, k);
      const double day = std::isfinite(dayValue) ? std::trunc(static_cast<double>(dayValue)) : -1.0;
      if (day >= 0 && day <= 366 && sunTable) {
        dawn = sunTable[static_cast<int>(day)][1];
        dusk = sunTable[static_cast<int>(day)][2];
      } else {
        timingError(k);   // the case keeps the fixed dawn and dusk
      }
    }

    // The phase comes from dawn and dusk alone; the Tb change only shifts Tb, LCT and BMR.
    bool active, torporWindow = false;
    float restStart, restEnd;
    if constexpr (kDayActive) {
      active = dawn < t && t <= dusk;
      restStart = dusk;
      restEnd = dawn;
    } else {
      active = (0 < t && t < dawn) || t >= dusk;
      restStart = dawn;
      restEnd = dusk;
    }
    // Torpor runs from the start of rest plus the start lag to its end less
    // the end lag, measured forward around the clock; the entry ramp begins
    // and the arousal ramp ends there, so that a lag delays the ramp instead
    // of cutting into it.
    float sinceEntry = 0, toArousal = 0;
    if (kTorpor && !active) {
      float restHours = restEnd - restStart;
      if (restHours < 0) restHours += 24.0f;
      const float torporHours = restHours - s.torporStartLag - s.torporEndLag;
      sinceEntry = wrapDay(t - (restStart + s.torporStartLag));
      toArousal = wrapDay(restEnd - s.torporEndLag - t);
      torporWindow = sinceEntry > 0 && sinceEntry < torporHours && toArousal > 0 && toArousal < torporHours;
    }

    float wind = 0;
    if constexpr (kWind) {
      wind = windValue;
      if (wind == 0) wind = kNoWind;
      else if (wind == kMissingAlways || !std::isfinite(wind) || wind < 0) wind = kAssumedWind;
      if (!active && a.shelter) wind = kNoWind;
    }

    const float cPrime = active ? k0.cActive : k0.cRest;
    const float bmrPrime = active ? k0.bmrActive : k0.bmrRest;
    const float tbPrime = active ? k0.tbActive : k0.tbRest;

    if (shadeMissing && (t >= dusk || t < dawn)) shade = sun;
    const bool shadeNowMissing = shade == M;

    float ta;
    if constexpr (kDayActive) ta = k0.useSun ? sun : shade;
    else ta = shadeNowMissing ? sun : shade;

    float cost = 0;
    bool hasCost = false;
    if (ta != M) {
      hasCost = true;
      ++totalCases;
      cost = (tbPrime - ta) * cPrime;
      if constexpr (kWind) {
        const float lctPrime = active ? k0.lctActive : k0.lctRest;
        cost = cost + cost * WindFactor(a.mass, lctPrime - ta, wind);
      }
      if (cost <= bmrPrime) {
        cost = bmrPrime;
        ++atBMR;
      } else {
        ++aboveBMR;
        aboveSum += cost;
      }
    }

    if (kTorpor && torporWindow) {
      const float tat = shadeNowMissing ? sun : shade;
      if (tat == M) {
        cost = 0;
        hasCost = false;
      } else {
        if (!hasCost) ++totalCases;
        hasCost = true;
        cost = a.bmr;
        if (k0.lctRest > tat) {
          ++torporCases;
          const float tbRest = k0.tbRest;
          float tr = minTb;
          // Where both ramps hold (a bout shorter than two entry times) the
          // warmer one gives Tr, so that Tr never jumps.
          const float fromRamp = std::min(sinceEntry, toArousal);
          if (fromRamp <= E) tr = tbRest - dTRest * fromRamp / E;
          if (tat > minTb - 1) {
            const float f = (k0.lctRest - tat) / torporSpan;
            const float tq = std::max(tr, tbRest - dTRest * f);
            cost = a.bmr * TregExp(k0.lnQ10Per10 * (tq - tbRest));
          } else {
            // Defending Tr never costs less than the metabolism at Tr itself,
            // which the milder branch above reaches at its edge.
            const float atTr = tr == minTb ? bmrAtMinTb : a.bmr * TregExp(k0.lnQ10Per10 * (tr - tbRest));
            cost = std::max((tr - tat) * k0.cRest, atTr);
          }
          torporSum += cost;
        }
      }
    }

    if (hasCost && cost > 0 && cPrime > 0) {
      if (cost <= 1.0001f * bmrPrime && (!kTorpor || active)) cost = bmrPrime;
      highest = std::max(highest, cost);
      writtenSum += cost;
      if (store) store[k] = cost;
    } else if (store) {
      store[k] = 0;
    }
    costs[k] = hasCost ? cost : 0.0f;
    if (s.activeTimeCostsOnly && active) {
      activeSum += hasCost ? cost : 0.0f;
      ++activeCases;
    }
    prevTime = t;
  }
  r.totalCases = totalCases;
  r.atBMR = atBMR;
  r.aboveBMR = aboveBMR;
  r.torporCases = torporCases;
  r.activeCases = activeCases;
  r.writtenSum = writtenSum;
  r.aboveSum = aboveSum;
  r.torporSum = torporSum;
  r.activeSum = activeSum;
  r.highest = highest;
  return r;
}

using CaseLoop = CaseTotals (*)(TregClimate, TregAnimal, TregSettings, RunConstants, const float (*)[3], float*,
                                float*, WindowSearch*);

// The case loop of the runs with fixed dawn and dusk and no wind, eight
// cases at a time: the same operations as runCases on every case, each
// branch a choice between lanes. Only the rare timing errors are found case
// by case, in order. The four sums stay single chains of double additions in
// case order: every case leaves what it adds (+0 when nothing, which changes
// no sum that starts at +0), and a block's chain runs eight cases at a time
// in the next block's groups, whose work does not wait for it. With positive
// conductances a case's written cost is its positive cost, so the written
// sum's chain is the window search's running total: the search is fed from
// it, block by block, instead of a second pass.
using F8 = float __attribute__((vector_size(32)));
using I8 = int32_t __attribute__((vector_size(32)));


constexpr int32_t kVectorBlock = 256;

// One lane spread over all: GCC builds the listed form lane by lane.
[[gnu::always_inline]] inline F8 splat(float v) {
  const float __attribute__((vector_size(16))) one = {v, 0, 0, 0};
  return __builtin_shufflevector(one, one, 0, 0, 0, 0, 0, 0, 0, 0);
}
[[gnu::always_inline]] inline F8 load8(const float* p) {
  F8 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
[[gnu::always_inline]] inline void store8(float* p, F8 v) { std::memcpy(p, &v, sizeof v); }
// std::max(a, b) lane by lane: b where a < b.
[[gnu::always_inline]] inline F8 max8(F8 a, F8 b) { return a < b ? b : a; }
[[gnu::always_inline]] inline int32_t sum8(I8 m) {
  int32_t c = 0;
  for (int l = 0; l < 8; ++l) c += m[l];
  return c;
}
// Any lane set: halves, quarters and pairs folded together by shuffles
// rather than eight lanes taken out one by one.
template <bool kAvx = false>
[[gnu::always_inline]] inline bool any8(I8 m) {
  // With AVX one instruction gathers the lanes' sign bits. Clang takes an
  // AVX builtin only in a function of an AVX target, and makes that
  // instruction of the generic code there itself.
#if CORVIMET_X86_DISPATCH && !defined(__clang__)
  if constexpr (kAvx) return __builtin_ia32_movmskps256(reinterpret_cast<F8>(m)) != 0;
#endif
  I8 a = m | __builtin_shufflevector(m, m, 4, 5, 6, 7, 0, 1, 2, 3);
  a |= __builtin_shufflevector(a, a, 2, 3, 0, 1, 6, 7, 4, 5);
  a |= __builtin_shufflevector(a, a, 1, 0, 3, 2, 5, 4, 7, 6);
  return a[0] != 0;
}
// wrapDay of every lane. A day back, -24 <= h < -2^-100, floor(h / 24) is
// -1 and the division is spared; only other lanes divide.
template <bool kAvx>
[[gnu::always_inline]] inline F8 wrapDay8(F8 h) {
  const I8 inside = (h >= 0.0f) & (h < 24.0f);
  const I8 dayBack = (h >= -24.0f) & (h < -0x1p-100f);
  F8 q = dayBack ? splat(-1.0f) : splat(0.0f);
  if (any8<kAvx>(~inside & ~dayBack))
    for (int l = 0; l < 8; ++l)
      if (!inside[l] && !dayBack[l]) q[l] = std::floor(h[l] / 24.0f);
  return inside ? h : h - 24.0f * q;
}

// Four vectors of eight cases stored case by case: the case's four values
// side by side.
[[gnu::always_inline]] inline void storeByCase(float* p, F8 w, F8 x, F8 y, F8 z) {
  const F8 wx0 = __builtin_shufflevector(w, x, 0, 8, 1, 9, 4, 12, 5, 13);
  const F8 wx1 = __builtin_shufflevector(w, x, 2, 10, 3, 11, 6, 14, 7, 15);
  const F8 yz0 = __builtin_shufflevector(y, z, 0, 8, 1, 9, 4, 12, 5, 13);
  const F8 yz1 = __builtin_shufflevector(y, z, 2, 10, 3, 11, 6, 14, 7, 15);
  const F8 c04 = __builtin_shufflevector(wx0, yz0, 0, 1, 8, 9, 4, 5, 12, 13);
  const F8 c15 = __builtin_shufflevector(wx0, yz0, 2, 3, 10, 11, 6, 7, 14, 15);
  const F8 c26 = __builtin_shufflevector(wx1, yz1, 0, 1, 8, 9, 4, 5, 12, 13);
  const F8 c37 = __builtin_shufflevector(wx1, yz1, 2, 3, 10, 11, 6, 7, 14, 15);
  store8(p, __builtin_shufflevector(c04, c15, 0, 1, 2, 3, 8, 9, 10, 11));
  store8(p + 8, __builtin_shufflevector(c26, c37, 0, 1, 2, 3, 8, 9, 10, 11));
  store8(p + 16, __builtin_shufflevector(c04, c15, 4, 5, 6, 7, 12, 13, 14, 15));
  store8(p + 24, __builtin_shufflevector(c26, c37, 4, 5, 6, 7, 12, 13, 14, 15));
}

using F4 = float __attribute__((vector_size(16)));

// Four floats as doubles. The generic conversion comes out as two halves
// and a merge: one instruction with AVX.
template <bool kAvx>
[[gnu::always_inline]] inline D4 widen(F4 v) {
#if CORVIMET_X86_DISPATCH && !defined(__clang__)
  if constexpr (kAvx) return __builtin_ia32_cvtps2pd256(v);
#endif
  return __builtin_convertvector(v, D4);
}

[[gnu::always_inline]] inline void store4d(double* p, D4 v) { std::memcpy(p, &v, sizeof v); }

// A case's four values as doubles.
template <bool kAvx>
[[gnu::always_inline]] inline D4 caseAdds(const float* p) {
  F4 v;
  std::memcpy(&v, p, sizeof v);
  return widen<kAvx>(v);
}

// The chain of the four sums and the window count over cases from..to-1
// of a block, in order, with the running total and count of each case.
// kCases > 0: that many cases from `from`, a count the compiler unrolls.
template <bool kAvx, int32_t kCases = 0>
[[gnu::always_inline]] inline void addUp(D4& sums, double& count, const float* adds, const double* ones,
                                         double* totals, double* counts, int32_t from, int32_t to = 0) {
  if constexpr (kCases > 0) to = from + kCases;
  for (int32_t i = from; i < to; ++i) {
    sums += caseAdds<kAvx>(adds + 4 * i);
    count += ones[i];
    totals[i] = sums[0];
    counts[i] = count;
  }
}

template <bool kDayActive, bool kTorpor, bool kAvx>
[[gnu::always_inline]] inline CaseTotals vectorCasesBody(const TregClimate c, const TregAnimal a, const TregSettings s,
                                                         const RunConstants k0, float* costs, float* store,
                                                         WindowSearch* window) {
  CaseTotals r;
  if (!(k0.cActive > 0.0f && k0.cRest > 0.0f)) window = nullptr;
  r.windowsSearched = window != nullptr;
  const float M = k0.M;
  const int32_t n = std::max<int32_t>(c.nCases, 0);
  const float minTb = s.minimumTorporTb;
  const float E = s.torporEntryTime;
  const float dTRest = k0.tbRest - minTb;
  const float torporSpan = k0.lctRest - minTb + 1;
  const float bmrAtMinTb = a.bmr * TregExp(k0.lnQ10Per10 * (minTb - k0.tbRest));
  const float dawn = s.dawn, dusk = s.dusk;
  const float restStart = kDayActive ? dusk : dawn, restEnd = kDayActive ? dawn : dusk;
  // What runCases works out for every case comes out the same for all.
  float restHours = restEnd - restStart;
  if (restHours < 0) restHours += 24.0f;
  const float torporHours = restHours - s.torporStartLag - s.torporEndLag;
  const float entryAt = restStart + s.torporStartLag, arousalAt = restEnd - s.torporEndLag;

  const I8 rejectNoShade = I8{} - (s.rejectNoShade ? 1 : 0), rejectNoSun = I8{} - (s.rejectNoSun ? 1 : 0);
  const I8 useSun = I8{} - (k0.useSun ? 1 : 0);
  const I8 activeSum = I8{} - (s.activeTimeCostsOnly ? 1 : 0);

  // Counts go down by one per lane (a mask is -1), added up at the end.
  I8 totalCases = {}, atBMR = {}, aboveBMR = {}, torporCases = {}, activeCases = {};
  // The written, above-BMR, torpor and active sums, lane by lane.
  D4 sums = {};
  double windowCount = 0;
  // Written costs are positive numbers: their maximum does not depend on order.
  F8 highest = splat(0.0f);
  // What each case adds to the four sums, case by case, so that the chain
  // of additions takes one load a case; and its 1 or 0 for the window count.
  // Two blocks' worth: a block's chain runs in the next block's groups.
  alignas(32) float addsOf[2][4 * kVectorBlock];
  alignas(32) double onesOf[2][kVectorBlock];
  // Where a block's running totals go without a window search.
  alignas(32) double unsearched[2][kVectorBlock];
  // The block whose chain is still to run: its first case and length (0: none).
  int32_t prevB0 = 0, prevLen = 0, prevWindowLen = 0;
  int32_t half = 0;
  // The first and the last block, and a missing channel, go through copies
  // padded with cases that are rejected and change nothing.
  alignas(32) float shadeBuf[kVectorBlock], sunBuf[kVectorBlock], timeBuf[kVectorBlock + 1];

  for (int32_t b0 = 1; b0 <= n; b0 += kVectorBlock) {
    const int32_t len = std::min(kVectorBlock, n - b0 + 1);
    const int32_t padded = (len + 7) & ~7;
    const float* shadeAt = c.shade ? c.shade + b0 : nullptr;
    const float* sunAt = c.sun ? c.sun + b0 : nullptr;
    const float* timeAt = c.timeOfDay ? c.timeOfDay + b0 - 1 : nullptr;   // from the case before
    if (b0 == 1 || len < kVectorBlock || !shadeAt || !sunAt || !timeAt) {
      timeBuf[0] = b0 == 1 ? 0.0f : valueAt(c.timeOfDay, b0 - 1);
      for (int32_t i = 0; i < len; ++i) {
        shadeBuf[i] = valueAt(c.shade, b0 + i);
        sunBuf[i] = valueAt(c.sun, b0 + i);
        timeBuf[i + 1] = valueAt(c.timeOfDay, b0 + i);
      }
      for (int32_t i = len; i < padded; ++i) {
        shadeBuf[i] = sunBuf[i] = M;
        timeBuf[i + 1] = 0.0f;
      }
      shadeAt = shadeBuf;
      sunAt = sunBuf;
      timeAt = timeBuf;
    }
    // Runs of the window search cover cases up to n - 1.
    const int32_t windowLen = window ? std::min(len, n - b0) : 0;
    // The block before is whole: its chain takes eight cases in each group.
    double* prevTotals = unsearched[0];
    double* prevCounts = unsearched[1];
    if (window) {
      window->makeRoom(prevLen > 0 ? prevB0 : b0, b0 + windowLen);
      if (prevWindowLen > 0) {
        prevTotals = window->totals.data() + (prevB0 - window->base);
        prevCounts = window->counts.data() + (prevB0 - window->base);
      }
    }
    float* const adds = addsOf[half];
    double* const ones = onesOf[half];
    const float* const prevAdds = addsOf[half ^ 1];
    const double* const prevOnes = onesOf[half ^ 1];
    I8 backwardsAny = {};
    for (int32_t i = 0; i < padded; i += 8) {
      if (prevLen > 0) addUp<kAvx, 8>(sums, windowCount, prevAdds, prevOnes, prevTotals, prevCounts, i);
      const F8 shade0 = load8(shadeAt + i), sun = load8(sunAt + i), t = load8(timeAt + i + 1);
      const F8 prevTime = load8(timeAt + i);
      // Counted down, as an or of masks would become a blend.
      backwardsAny += (t < prevTime) & (prevTime < k0.dayWrap);

      const I8 shadeMissing = shade0 == M, sunMissing = sun == M;
      const I8 reject = (shadeMissing & sunMissing) | (rejectNoShade & shadeMissing) | (rejectNoSun & sunMissing);
      I8 active;
      if constexpr (kDayActive) active = (dawn < t) & (t <= dusk);
      else active = ((0.0f < t) & (t < dawn)) | (t >= dusk);
      I8 torporWindow = {};
      F8 sinceEntry = {}, toArousal = {};
      // Torpor only in the rest phase: a group wholly active skips it.
      if (kTorpor && any8<kAvx>(~reject & ~active)) {
        sinceEntry = wrapDay8<kAvx>(t - entryAt);
        toArousal = wrapDay8<kAvx>(arousalAt - t);
        torporWindow = ~reject & ~active & (sinceEntry > 0.0f) & (sinceEntry < torporHours) &
                       (toArousal > 0.0f) & (toArousal < torporHours);
      }
      const F8 cPrime = active ? splat(k0.cActive) : splat(k0.cRest);
      const F8 bmrPrime = active ? splat(k0.bmrActive) : splat(k0.bmrRest);
      const F8 tbPrime = active ? splat(k0.tbActive) : splat(k0.tbRest);
      const F8 shade = (shadeMissing & ((t >= dusk) | (t < dawn))) ? sun : shade0;
      const I8 shadeNowMissing = shade == M;
      F8 ta;
      if constexpr (kDayActive) ta = useSun ? sun : shade;
      else ta = shadeNowMissing ? sun : shade;

      I8 hasCost = ~reject & (ta != M);
      const F8 normal = (tbPrime - ta) * cPrime;
      const I8 floored = normal <= bmrPrime;
      F8 cost = hasCost ? (floored ? bmrPrime : normal) : splat(0.0f);
      I8 counted = hasCost;
      // An and-not of masks becomes a blend: the cases above the floor are
      // those with a cost less those at it.
      const I8 atFloor = hasCost & floored;
      atBMR += atFloor;
      aboveBMR += hasCost - atFloor;
      const F8 aboveAdd = (hasCost & ~floored) ? normal : splat(0.0f);
      F8 torporAdd = splat(0.0f);

      if (kTorpor && any8<kAvx>(torporWindow)) {
        const F8 tat = shadeNowMissing ? sun : shade;
        const I8 warm = torporWindow & (tat != M);
        counted |= warm;
        const I8 inTorpor = warm & (k0.lctRest > tat);
        torporCases += inTorpor;
        // The warmer ramp where both hold; off the ramps Tr is the minimum Tb,
        // the ramps' divisions only where one holds.
        const F8 fromRamp = sinceEntry < toArousal ? sinceEntry : toArousal;
        const I8 onRamp = fromRamp <= E;
        F8 tr = splat(minTb);
        if (any8<kAvx>(inTorpor & onRamp)) tr = onRamp ? k0.tbRest - dTRest * fromRamp / E : splat(minTb);
        const I8 mild = tat > minTb - 1;
        const F8 f = (k0.lctRest - tat) / torporSpan;
        const F8 tq = max8(tr, k0.tbRest - dTRest * f);
        // Off the ramps, defending Tr starts from the metabolism at the minimum Tb.
        const I8 needsExp = inTorpor & (mild | (tr != minTb));
        F8 e = splat(0.0f);
        if (any8<kAvx>(needsExp)) {
          const F8 arg = k0.lnQ10Per10 * ((mild ? tq : tr) - k0.tbRest);
          const D4 lo = expOfFloat<D4, L4>(widen<kAvx>(__builtin_shufflevector(arg, arg, 0, 1, 2, 3)));
          const D4 hi = expOfFloat<D4, L4>(widen<kAvx>(__builtin_shufflevector(arg, arg, 4, 5, 6, 7)));
          const F4 l4 = __builtin_convertvector(lo, F4), h4 = __builtin_convertvector(hi, F4);
          e = needsExp ? __builtin_shufflevector(l4, h4, 0, 1, 2, 3, 4, 5, 6, 7) : e;
        }
        const F8 metabolism = a.bmr * e;
        const F8 atTr = (tr == minTb) ? splat(bmrAtMinTb) : metabolism;
        const F8 torporCost = mild ? metabolism : max8((tr - tat) * k0.cRest, atTr);
        cost = torporWindow ? (inTorpor ? torporCost : (warm ? splat(a.bmr) : splat(0.0f))) : cost;
        hasCost = torporWindow ? warm : hasCost;
        torporAdd = inTorpor ? torporCost : splat(0.0f);
      }
      totalCases += counted;

      const I8 written = hasCost & (cost > 0.0f) & (cPrime > 0.0f);
      I8 toFloor = written & (cost <= 1.0001f * bmrPrime);
      if constexpr (kTorpor) toFloor &= active;
      cost = toFloor ? bmrPrime : cost;
      const F8 positive = written ? cost : splat(0.0f);
      highest = max8(highest, positive);
      const I8 activeCase = activeSum & active & ~reject;
      activeCases += activeCase;
      storeByCase(adds + 4 * i, positive, aboveAdd, torporAdd, (activeCase & hasCost) ? cost : splat(0.0f));
      // 1 for each positive cost, for the window search's running count.
      const F8 one = (positive > 0.0f) ? splat(1.0f) : splat(0.0f);
      store4d(ones + i, widen<kAvx>(__builtin_shufflevector(one, one, 0, 1, 2, 3)));
      store4d(ones + i + 4, widen<kAvx>(__builtin_shufflevector(one, one, 4, 5, 6, 7)));
      const F8 kept = hasCost ? cost : splat(0.0f);
      if (i + 8 <= len) {
        // Rejected cases leave the result channel as it was.
        if (store) store8(store + b0 + i, reject ? load8(store + b0 + i) : positive);
        store8(costs + b0 + i, kept);
      } else {
        for (int l = 0; l < 8 && i + l < len; ++l) {
          if (store && !reject[l]) store[b0 + i + l] = positive[l];
          costs[b0 + i + l] = kept[l];
        }
      }
    }
    if (prevLen > 0) {
      addUp<kAvx>(sums, windowCount, prevAdds, prevOnes, prevTotals, prevCounts, padded, prevLen);
      if (prevWindowLen > 0) window->scan(prevB0, prevB0 + prevWindowLen);
    }
    prevB0 = b0;
    prevLen = len;
    prevWindowLen = windowLen;
    half ^= 1;
    if (any8<kAvx>(backwardsAny)) {
      for (int32_t i = 0; i < len; ++i) {
        const int32_t k = b0 + i;
        const float prev = timeAt[i], t = timeAt[i + 1];
        if (t < prev && k < n - 1 && prev < k0.dayWrap) {
          if (r.timingErrorCount < kMaxListedTimingErrors) r.listed[static_cast<size_t>(r.timingErrorCount)] = k;
          ++r.timingErrorCount;
        }
      }
    }
  }
  if (prevLen > 0) {
    const float* const prevAdds = addsOf[half ^ 1];
    const double* const prevOnes = onesOf[half ^ 1];
    if (prevWindowLen > 0) {
      double* const totals = window->totals.data() + (prevB0 - window->base);
      double* const counts = window->counts.data() + (prevB0 - window->base);
      addUp<kAvx>(sums, windowCount, prevAdds, prevOnes, totals, counts, 0, prevWindowLen);
    }
    addUp<kAvx>(sums, windowCount, prevAdds, prevOnes, unsearched[0], unsearched[1], prevWindowLen, prevLen);
    if (prevWindowLen > 0) window->scan(prevB0, prevB0 + prevWindowLen);
  }
  float top = 0;
  for (int l = 0; l < 8; ++l) top = std::max(top, highest[l]);
  r.totalCases = -sum8(totalCases);
  r.atBMR = -sum8(atBMR);
  r.aboveBMR = -sum8(aboveBMR);
  r.torporCases = -sum8(torporCases);
  r.activeCases = -sum8(activeCases);
  r.highest = top;
  r.writtenSum = sums[0];
  r.aboveSum = sums[1];
  r.torporSum = sums[2];
  r.activeSum = sums[3];
  return r;
}

template <bool kDayActive, bool kTorpor>
CaseTotals vectorCases(TregClimate c, TregAnimal a, TregSettings s, RunConstants k0, const float (*)[3], float* costs,
                       float* store, WindowSearch* window) {
  return vectorCasesBody<kDayActive, kTorpor, false>(c, a, s, k0, costs, store, window);
}

#if CORVIMET_X86_DISPATCH
template <bool kDayActive, bool kTorpor>
[[gnu::target("avx2")]] CaseTotals vectorCasesAvx2(TregClimate c, TregAnimal a, TregSettings s, RunConstants k0,
                                                   const float (*)[3], float* costs, float* store,
                                                   WindowSearch* window) {
  return vectorCasesBody<kDayActive, kTorpor, true>(c, a, s, k0, costs, store, window);
}

// The same eight-case loop with AVX-512's thirty-two vector registers (the
// vectors stay eight floats wide), where sixteen cannot hold its values.
template <bool kDayActive, bool kTorpor>
[[gnu::target("avx2,avx512f,avx512dq,avx512vl")]] CaseTotals vectorCasesAvx512(TregClimate c, TregAnimal a,
                                                                               TregSettings s, RunConstants k0,
                                                                               const float (*)[3], float* costs,
                                                                               float* store, WindowSearch* window) {
  return vectorCasesBody<kDayActive, kTorpor, true>(c, a, s, k0, costs, store, window);
}
#endif

template <bool kDayActive, bool kTorpor>
CaseLoop vectorLoopOf() {
#if CORVIMET_X86_DISPATCH
  if (CpuHasAvx2() && CpuHasAvx512()) return &vectorCasesAvx512<kDayActive, kTorpor>;
  if (CpuHasAvx2()) return &vectorCasesAvx2<kDayActive, kTorpor>;
#endif
  return &vectorCases<kDayActive, kTorpor>;
}

template <bool kDayActive, bool kWind, bool kTorpor>
CaseLoop caseLoopOf(bool sunTable) {
  return sunTable ? &runCases<kDayActive, kWind, kTorpor, true> : &runCases<kDayActive, kWind, kTorpor, false>;
}

template <bool kDayActive, bool kWind>
CaseLoop caseLoopOf(bool torpor, bool sunTable) {
  return torpor ? caseLoopOf<kDayActive, kWind, true>(sunTable) : caseLoopOf<kDayActive, kWind, false>(sunTable);
}

template <bool kDayActive>
CaseLoop caseLoopOf(bool wind, bool torpor, bool sunTable) {
  if (!wind && !sunTable) return torpor ? vectorLoopOf<kDayActive, true>() : vectorLoopOf<kDayActive, false>();
  return wind ? caseLoopOf<kDayActive, true>(torpor, sunTable) : caseLoopOf<kDayActive, false>(torpor, sunTable);
}

}  // namespace

TregResult ComputeTregCosts(const TregClimate& climate, const TregAnimal& animal, const TregSettings& settings,
                            const float (*sunTable)[3], float* store) {
  const TregClimate& c = climate;
  const TregAnimal& a = animal;
  const TregSettings& s = settings;
  TregResult r;
  const int32_t n = std::max<int32_t>(c.nCases, 0);
  // Every case is written by the case loop.
  r.costs.reserve(static_cast<size_t>(n) + 1);
  r.costs.resize(static_cast<size_t>(n) + 1);
  r.costs[0] = 0.0f;
  const float dt = c.interval;
  const double perDay = dt > 0 ? std::trunc(86400.0 / dt) : 0.0;
  r.windowCases = static_cast<int32_t>(std::min(perDay, 4.0e8)) / 4;
  r.torporUsed = s.useTorpor;
  const bool torporMay = s.torporAllowed && s.useTorpor;

  RunConstants k0{};
  k0.M = s.zeroIsMissing ? 0.0f : kMissingAlways;
  k0.useSun = a.useSun && s.sunAllowed;
  k0.dayWrap = 24.0f - dt / 3600.0f;
  // A missing Tb is replaced once; only cases with a cost read it.
  k0.tb = a.tb == k0.M && s.replacementTb ? s.defaultTb : a.tb;
  k0.cRest = a.conductance;
  k0.cActive = s.variableConductance ? a.conductance * s.conductanceFactor : a.conductance;
  k0.bmrRest = a.bmr;
  k0.bmrActive = s.variableTb ? static_cast<float>(a.bmr * std::pow(static_cast<double>(s.torporQ10), s.tbChange / 10.0))
                              : a.bmr;
  k0.tbRest = k0.tb;
  k0.tbActive = s.variableTb ? std::min(k0.tb + s.tbChange, s.maxActiveTb) : k0.tb;
  k0.lctRest = a.lct;
  k0.lctActive = s.variableTb ? a.lct + s.tbChange : a.lct;
  k0.lnQ10Per10 = static_cast<float>(std::log(static_cast<double>(s.torporQ10)) / 10.0);

  const CaseLoop loop = s.dayActive ? caseLoopOf<true>(s.windUsed, torporMay, s.computeDawnAndDusk)
                                    : caseLoopOf<false>(s.windUsed, torporMay, s.computeDawnAndDusk);
  WindowSearch window(n, r.windowCases, 2 * r.windowCases, 4 * r.windowCases);
  const CaseTotals t = loop(c, a, s, k0, sunTable, r.costs.data(), store, &window);

  r.timingErrorCount = t.timingErrorCount;
  r.timingErrors.assign(t.listed.begin(), t.listed.begin() + std::min(t.timingErrorCount, kMaxListedTimingErrors));
  r.totalCases = t.totalCases;
  r.atBMR = t.atBMR;
  r.aboveBMR = t.aboveBMR;
  r.torporCases = t.torporCases;
  r.activeCases = t.activeCases;
  r.writtenSum = t.writtenSum;
  r.aboveSum = t.aboveSum;
  r.torporSum = t.torporSum;
  r.activeSum = t.activeSum;
  r.highest = t.highest;
  const std::array<float, 3> maxima =
      t.windowsSearched ? window.means() : HighestWindowMeans(r.costs, r.windowCases);
  r.h6 = maxima[0];
  r.h12 = maxima[1];
  r.hday = maxima[2];
  r.mean = static_cast<float>(t.writtenSum / t.totalCases);
  r.activeMean = static_cast<float>(t.activeSum / t.activeCases);
  return r;
}

std::vector<std::pair<int16_t, std::string>> TregResultTexts(const TregResult& r, float b) {
  std::vector<std::pair<int16_t, std::string>> t;
  t.emplace_back(kTregMaxW, cut(NumText(r.highest), 1, 7));
  t.emplace_back(kTregMaxXBmr, r.totalCases >= 1 && r.highest > 0 ? cut(NumText(r.highest / b), 1, 5) : "");
  t.emplace_back(kTregAtBmrPct, r.totalCases >= 1 && r.atBMR > 0
                                    ? cut(NumText(static_cast<float>(r.atBMR * 100.0 / r.totalCases)), 0, 5)
                                    : "");
  if (r.aboveBMR < 1) {
    t.emplace_back(kTregNotBmrW, "--  ");
    t.emplace_back(kTregNotBmrX, "--  ");
  } else {
    const float m = static_cast<float>(r.aboveSum / r.aboveBMR);
    t.emplace_back(kTregNotBmrW, cut(NumText(m), 1, 7));
    t.emplace_back(kTregNotBmrX, cut(NumText(m / b), 1, 5));
  }
  const struct {
    float v;
    int16_t w, x;
  } windows[] = {{r.h6, kTreg6hW, kTreg6hX}, {r.h12, kTreg12hW, kTreg12hX}, {r.hday, kTregDayW, kTregDayX}};
  for (const auto& w : windows) {
    t.emplace_back(w.w, w.v > 0 ? NumText(w.v) : "");
    t.emplace_back(w.x, w.v > 0 ? NumText(w.v / b) : "");
  }
  if (r.torporUsed) {
    const float tm = static_cast<float>(r.torporSum / r.torporCases);
    t.emplace_back(kTregTorporW, NumText(tm));
    t.emplace_back(kTregTorporX, tm > 0 ? cut(NumText(tm / b), 1, 5) : "");
    t.emplace_back(kTregTorporPct, r.totalCases >= 1
                                       ? cut(NumText(static_cast<float>(r.torporCases * 100.0 / r.totalCases)), 0, 5)
                                       : "");
  } else {
    t.emplace_back(kTregTorporW, "not used");
    t.emplace_back(kTregTorporX, "N.A.");
    t.emplace_back(kTregTorporPct, "zero   ");
  }
  return t;
}

std::string MeanTimesBmrText(float mean, float bmrWatts) {
  return bmrWatts == 0 ? std::string("0") : cut(NumText(mean / bmrWatts), 1, 5);
}

TregClimate ClimateOfSlot(int16_t slot, int16_t shade, int16_t sun, int16_t time, int16_t day, int16_t wind) {
  TregClimate c;
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return c;
  auto channel = [slot](int16_t ch) -> const float* {
    return ch >= 1 && ch <= nChannels[slot] ? ChannelData(slot, ch) : nullptr;
  };
  c.shade = channel(shade);
  c.sun = channel(sun);
  c.timeOfDay = channel(time);
  c.dayOfYear = channel(day);
  c.wind = channel(wind);
  c.nCases = nCases[slot];
  c.interval = FileInfoFLOATS[slot][kInfoInterval];
  return c;
}

void StoreTregTotals(const TregResult& r) {
  TotalTregCases = r.totalCases;
  TotalAtBMR = r.atBMR;
  TotalAboveBMR = r.aboveBMR;
  HighestTregCost = r.highest;
  TimingErrorCount = r.timingErrorCount;
  prefsArray[kPrefTimingErrors] = static_cast<int16_t>(std::min<int32_t>(r.timingErrorCount, 32767));
  std::fill(std::begin(TimingErrors), std::end(TimingErrors), 0);
  for (size_t i = 0; i < r.timingErrors.size(); ++i) TimingErrors[i + 1] = r.timingErrors[i];
}
