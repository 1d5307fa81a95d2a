#include "analyses/stepped.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "platform/cpu.h"
#include "platform/lanes.h"
#include "platform/macroman.h"
#include "shell/textutil.h"
#if CORVIMET_X86_DISPATCH
#include <immintrin.h>
#endif

// The vector helpers are always inlined: how a 32-byte vector would be passed
// to a real call without AVX does not arise.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

// Whole cases in a duration; the small allowance keeps 60 s at 0.1 s from
// landing a hair below 600 cases.
double casesIn(double seconds, double dt) { return std::trunc(seconds / dt + 1e-9); }

}  // namespace

const char* SteppedStatusText(SteppedStatus s) {
  switch (s) {
    case SteppedStatus::Ok: return "";
    case SteppedStatus::BadEndPoints:
      return "The end points and the start point must lie in the file, in the order left, start, right.";
    case SteppedStatus::DurationTooLong: return "The block or skip duration is longer than the file.";
    case SteppedStatus::NoStep: return "The block and skip durations are shorter than one sample interval.";
    case SteppedStatus::PastTheFile: return "The blocks reach past the end of the file.";
    case SteppedStatus::BlockNotPositive: return "The size of block must be above 0 seconds.";
  }
  return "";
}

SteppedStatus LayoutSteppedBlocks(const SteppedRequest& r, int64_t nCases, SteppedLayout* out) {
  if (!(r.left >= 1 && r.left <= r.start && r.start <= r.right && r.right <= nCases))
    return SteppedStatus::BadEndPoints;
  if (!(r.blockSeconds > 0.0)) return SteppedStatus::BlockNotPositive;
  if (!(r.dt > 0.0) || !std::isfinite(r.blockSeconds) || !std::isfinite(r.skipSeconds) || r.blockSeconds < 0.0 ||
      r.skipSeconds < 0.0)
    return SteppedStatus::NoStep;
  const double extra = r.scatter ? 0.0 : 1.0;
  const double nb = casesIn(r.blockSeconds, r.dt) + extra;
  const double step = casesIn(r.skipSeconds, r.dt) + extra + nb;
  if (nb > static_cast<double>(nCases) || step > static_cast<double>(nCases) + 1.0)
    return SteppedStatus::DurationTooLong;
  if (step < 1.0) return SteppedStatus::NoStep;
  SteppedLayout l;
  l.nb = static_cast<int32_t>(nb);
  l.step = static_cast<int32_t>(step);
  l.nBefore = (r.start - r.left) / l.step;
  l.nAfter = (r.right - r.start) / l.step;
  l.first = r.start - l.step * l.nBefore;
  if (l.count() > 0) {
    const int64_t lastStart = int64_t{r.start} + int64_t{l.nAfter - 1} * l.step;
    const int64_t lastCase = lastStart + l.nb - (r.scatter ? 0 : 1);
    if (lastCase > nCases || l.first - (r.scatter ? 0 : 1) < 0) return SteppedStatus::PastTheFile;
  }
  *out = l;
  return SteppedStatus::Ok;
}

std::vector<SteppedRow> SteppedRows(const SteppedLayout& l, int32_t start, double dt) {
  std::vector<SteppedRow> rows(static_cast<size_t>(std::max(0, l.count())));
  for (size_t k = 0; k < rows.size(); ++k) {
    SteppedRow& row = rows[k];
    row.startCase = l.first + static_cast<int32_t>(k) * l.step;
    row.endCase = row.startCase + l.nb;
    row.position = row.startCase - start;
    row.dtSeconds = static_cast<double>(row.position) * dt;
  }
  return rows;
}

namespace {

using lanes::D4;
using lanes::F4;
using lanes::load4;
// A block's stats are written as one vector of four floats.
static_assert(sizeof(SteppedStats) == sizeof(F4) && std::is_trivially_copyable_v<SteppedStats>);


// Four blocks side by side, block j in lane j: each lane does the steps of
// one block alone, in its order (two sums of case pairs, the extremes as
// std::min and std::max take them), so that a block's numbers do not depend
// on its neighbours; the lanes only spare the chains of dependent additions.
struct FourBlocks {
  D4 shift, p1 = {}, p2 = {}, q1 = {}, q2 = {};
  F4 lo, hi;
  explicit FourBlocks(F4 first) : shift(__builtin_convertvector(first, D4)), lo(first), hi(first) {}
  [[gnu::always_inline]] void pair(F4 x, F4 y) {
    const D4 d = __builtin_convertvector(x, D4) - shift, e = __builtin_convertvector(y, D4) - shift;
    p1 += d;
    p2 += d * d;
    q1 += e;
    q2 += e * e;
    const F4 mn = y < x ? y : x, mx = x < y ? y : x;
    lo = mn < lo ? mn : lo;
    hi = hi < mx ? mx : hi;
  }
  [[gnu::always_inline]] void single(F4 x) {
    const D4 d = __builtin_convertvector(x, D4) - shift;
    p1 += d;
    p2 += d * d;
    lo = x < lo ? x : lo;
    hi = hi < x ? x : hi;
  }
};

// Square roots of four lanes, each correctly rounded as std::sqrt's.
D4 sqrtLanes(D4 v) {
#if CORVIMET_X86_DISPATCH
  const __m128d lo = _mm_sqrt_pd(__m128d{v[0], v[1]}), hi = _mm_sqrt_pd(__m128d{v[2], v[3]});
  return D4{lo[0], lo[1], hi[0], hi[1]};
#else
  return D4{std::sqrt(v[0]), std::sqrt(v[1]), std::sqrt(v[2]), std::sqrt(v[3])};
#endif
}

#if CORVIMET_X86_DISPATCH
[[gnu::target("avx2")]] D4 sqrtLanesAvx2(D4 v) { return _mm256_sqrt_pd(v); }
#endif

// Blocks k = 0 .. count - 1, each of len cases from x + k * step, all
// inside the channel, four at a time; the last four repeat the last block
// in lanes that have none, whose numbers are dropped.
template <D4 (*Sqrt)(D4)>
[[gnu::always_inline]] inline void blockStatsBody(const float* x, int64_t step, int64_t len, size_t count,
                                                  SteppedStats* out) {
  const double n = static_cast<double>(len);
  const D4 counts = {n, n, n, n}, zero = {};
  for (size_t k = 0; k < count; k += 4) {
    const float* v[4];
    // The starts of the blocks 32 ahead are asked for early: in the densest
    // layouts a block is less than a cache line, and each new line is
    // otherwise waited for.
    for (size_t j = 0; j < 4; ++j) {
      v[j] = x + static_cast<int64_t>(std::min(k + j, count - 1)) * step;
      __builtin_prefetch(x + static_cast<int64_t>(std::min(k + j + 32, count - 1)) * step);
    }
    // Sums shifted by each block's first value keep the spread of values far
    // from zero (10,000,000.1 and its neighbours).
    FourBlocks f(F4{v[0][0], v[1][0], v[2][0], v[3][0]});
    int64_t i = 0;
    // Four cases of each block read at once and turned into four cases of
    // the four blocks.
    for (; i + 4 <= len; i += 4) {
      const F4 r0 = load4(v[0] + i), r1 = load4(v[1] + i), r2 = load4(v[2] + i), r3 = load4(v[3] + i);
      const F4 t0 = __builtin_shufflevector(r0, r1, 0, 4, 1, 5), t1 = __builtin_shufflevector(r2, r3, 0, 4, 1, 5);
      const F4 t2 = __builtin_shufflevector(r0, r1, 2, 6, 3, 7), t3 = __builtin_shufflevector(r2, r3, 2, 6, 3, 7);
      f.pair(__builtin_shufflevector(t0, t1, 0, 1, 4, 5), __builtin_shufflevector(t0, t1, 2, 3, 6, 7));
      f.pair(__builtin_shufflevector(t2, t3, 0, 1, 4, 5), __builtin_shufflevector(t2, t3, 2, 3, 6, 7));
    }
    for (; i + 2 <= len; i += 2)
      f.pair(F4{v[0][i], v[1][i], v[2][i], v[3][i]}, F4{v[0][i + 1], v[1][i + 1], v[2][i + 1], v[3][i + 1]});
    if (i < len) f.single(F4{v[0][i], v[1][i], v[2][i], v[3][i]});
    const D4 s1 = f.p1 + f.q1, s2 = f.p2 + f.q2;
    const D4 m = s1 / counts;
    const F4 mean = __builtin_convertvector(f.shift + m, F4);
    const D4 t = s2 / counts - m * m;
    const D4 var = zero < t ? t : zero;   // std::max(0.0, t): NaN gives 0
    const F4 sd = __builtin_convertvector(Sqrt(var), F4);
    // Lanes back to blocks: mean, min, max, SD of block k + j.
    const F4 u0 = __builtin_shufflevector(mean, f.lo, 0, 4, 1, 5), u1 = __builtin_shufflevector(f.hi, sd, 0, 4, 1, 5);
    const F4 u2 = __builtin_shufflevector(mean, f.lo, 2, 6, 3, 7), u3 = __builtin_shufflevector(f.hi, sd, 2, 6, 3, 7);
    const F4 rows[4] = {__builtin_shufflevector(u0, u1, 0, 1, 4, 5), __builtin_shufflevector(u0, u1, 2, 3, 6, 7),
                        __builtin_shufflevector(u2, u3, 0, 1, 4, 5), __builtin_shufflevector(u2, u3, 2, 3, 6, 7)};
    if (k + 4 <= count)
      std::memcpy(static_cast<void*>(out + k), rows, sizeof rows);
    else
      for (size_t j = 0; k + j < count; ++j) std::memcpy(static_cast<void*>(out + k + j), &rows[j], sizeof rows[j]);
  }
}

void blockStatsBase(const float* x, int64_t step, int64_t len, size_t count, SteppedStats* out) {
  blockStatsBody<sqrtLanes>(x, step, len, count, out);
}

using BlockStatsKernel = void (*)(const float*, int64_t, int64_t, size_t, SteppedStats*);

#if CORVIMET_X86_DISPATCH
[[gnu::target("avx2")]] void blockStatsAvx2(const float* x, int64_t step, int64_t len, size_t count,
                                            SteppedStats* out) {
  blockStatsBody<sqrtLanesAvx2>(x, step, len, count, out);
}

BlockStatsKernel blockStatsKernel() { return CpuHasAvx2() ? blockStatsAvx2 : blockStatsBase; }
#else
BlockStatsKernel blockStatsKernel() { return blockStatsBase; }
#endif

}  // namespace

std::vector<SteppedStats> SteppedBlockStats(std::span<const float> channel, const SteppedLayout& l, bool scatter,
                                            std::span<const float> interp, std::vector<bool>* interpolatedOut) {
  const size_t n = static_cast<size_t>(std::max(0, l.count()));
  std::vector<SteppedStats> out(n);
  if (interpolatedOut) interpolatedOut->assign(n, false);
  const int64_t len = int64_t{l.nb} + 1;
  const auto fromOf = [&](size_t k) {
    const int64_t b = int64_t{l.first} + static_cast<int64_t>(k) * l.step;
    return scatter ? b : b - 1;
  };
  const auto inChannel = [&](int64_t from) { return from >= 0 && from + len <= static_cast<int64_t>(channel.size()); };
  // The blocks inside the channel are one run (their starts are evenly
  // spaced); the others keep zeros.
  size_t k0 = 0, k1 = n;
  while (k0 < n && !inChannel(fromOf(k0))) ++k0;
  while (k1 > k0 && !inChannel(fromOf(k1 - 1))) --k1;
  if (k1 > k0) blockStatsKernel()(channel.data() + fromOf(k0), l.step, len, k1 - k0, out.data() + k0);
  if (interpolatedOut)
    for (size_t k = k0; k < k1; ++k) {
      const int64_t from = fromOf(k);
      if (from + len > static_cast<int64_t>(interp.size())) continue;
      bool any = false;
      for (int64_t i = 0; i < len && !any; ++i) any = interp[static_cast<size_t>(from + i)] != 0.0f;
      (*interpolatedOut)[k] = any;
    }
  return out;
}

void SteppedMeanRange(std::span<const SteppedStats> stats, float* lo, float* hi) {
  const size_t n = stats.size();
  // Rows 3 .. N - 2 counted from 1: the ends of a long series are left out.
  size_t a = 2, b = n >= 2 ? n - 2 : 0;
  if (n < 5) a = 0, b = n;
  float l = 0.0f, h = 0.0f;
  for (size_t k = a; k < b; ++k) {
    if (k == a || stats[k].mean < l) l = stats[k].mean;
    if (k == a || stats[k].mean > h) h = stats[k].mean;
  }
  if (!(h > l)) {
    const float pad = l == 0.0f ? 1.0f : std::fabs(l) * 0.5f;
    l -= pad;
    h += pad;
  }
  *lo = l;
  *hi = h;
}

std::vector<SteppedPoint> SteppedFoldedMeans(std::span<const SteppedRow> rows, std::span<const SteppedStats> stats) {
  std::vector<SteppedPoint> pts;
  size_t z = rows.size();
  for (size_t k = 0; k < rows.size(); ++k)
    if (rows[k].position == 0) {
      z = k;
      break;
    }
  if (z == rows.size()) return pts;
  pts.push_back({0.0, stats[z].mean});
  for (size_t j = 1; j <= z && z + j < rows.size(); ++j) {
    const double x = std::fabs(rows[z + j].dtSeconds);
    if (x <= pts.back().absDt) continue;
    pts.push_back({x, static_cast<float>((static_cast<double>(stats[z - j].mean) + stats[z + j].mean) / 2.0)});
  }
  return pts;
}

std::string SteppedResultsText(const SteppedFileInput& in) {
  std::string s = "Source file: '" + in.fileName + "'     " + NumText(static_cast<double>(in.nCases)) + " cases," +
                  NumText(static_cast<double>(in.nChannels)) + " channels; " + in.today + "\n";
  s += "     block duration: " + in.blockTyped + "   skip duration: " + in.skipTyped + "    sample interval" +
       NumText(in.dt) + " seconds\n";
  s += "     initial point = " + NumText(in.start) + "; = " + NumText(static_cast<double>(in.start) * in.dt) +
       " seconds\n";
  for (size_t j = 0; j < in.channels.size(); ++j)
    s += "channel" + NumText(in.channels[j]) + ":  " + (j < in.labels.size() ? in.labels[j] : std::string()) + "\n";
  s += ";last channel is interpolation status ('9999'=interpolated) \n";
  s += "start block\tend block\tposition\tDt (sec) \t";
  for (int16_t c : in.channels) s += "chan" + std::to_string(c) + " mean\tmin\tmax\tSD\t";
  s += "interpolate\n";
  for (size_t r = 0; r < in.rows.size(); ++r) {
    const SteppedRow& row = in.rows[r];
    s += NumText(row.startCase) + "\t" + NumText(row.endCase) + "\t" + NumText(row.position) + "\t" +
         NumText(row.dtSeconds) + "\t";
    for (size_t j = 0; j < in.channels.size(); ++j) {
      const SteppedStats st = j < in.stats.size() && r < in.stats[j].size() ? in.stats[j][r] : SteppedStats{};
      s += NumText(st.mean) + "\t" + NumText(st.min) + "\t" + NumText(st.max) + "\t" + NumText(st.sd) + "\t";
    }
    s += NumText(row.interpolated ? 9999.0 : 0.0) + "\n";
  }
  return plat::toDiskText(s);
}

std::vector<int16_t> SteppedSavedChannels(std::span<const uint16_t> picked, int16_t nChannels) {
  std::vector<int16_t> out;
  for (int16_t c = 1; c <= nChannels && static_cast<size_t>(c) < picked.size() && out.size() < 10; ++c)
    if (picked[static_cast<size_t>(c)] != 0) out.push_back(c);
  return out;
}
