#include "analyses/descriptive.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>
#include <utility>

#include "analyses/statspanel.h"
#include "output/results.h"
#include "platform/cpu.h"
#include "platform/lanes.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"

int16_t testslopeon = 0;

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

// Running (count, mean, sum of squared deviations), merged chunk by chunk
// with the pairwise update, which loses nothing to a large common offset.
struct Moments {
  double n = 0.0, mean = 0.0, m2 = 0.0;
  void merge(double cn, double cmean, double cm2) {
    const double total = n + cn;
    const double delta = cmean - mean;
    mean += delta * (cn / total);
    m2 += cm2 + delta * delta * (n * cn / total);
    n = total;
  }
};

// Small enough that the second look at a chunk comes from L1.
constexpr int32_t kChunk = 2048;

int32_t firstCaseOf(const float* x, int32_t from, int32_t to, float v) {
  for (int32_t k = from; k <= to; ++k)
    if (x[k] == v) return k;
  return from;
}

// No filter, no range: every case counts. Each chunk's sums run in four
// lanes (case i in lane i % 4) so the adds overlap instead of waiting on one
// another; the pass over the chunk's deviations from its own mean reads it
// again from L1, fused into the first pass over the next chunk, so that the
// two chains of additions run side by side. Lane l's sums are the same
// whether a chunk is summed fused or alone.
using lanes::D4;
using lanes::F4;
using lanes::load4;


// A chunk's first pass: lane sums and extremes.
struct ChunkSums {
  D4 s = {};
  F4 lo = {kInf, kInf, kInf, kInf}, hi = {-kInf, -kInf, -kInf, -kInf};
  [[gnu::always_inline]] void add(F4 x) {
    s += __builtin_convertvector(x, D4);
    lo = x < lo ? x : lo;
    hi = x > hi ? x : hi;
  }
};

// A chunk's second pass: lane sums of squared deviations from its mean.
struct ChunkDeviations {
  D4 mean;
  D4 q = {};
  explicit ChunkDeviations(double m) : mean{m, m, m, m} {}
  [[gnu::always_inline]] void add(F4 x) {
    const D4 d = __builtin_convertvector(x, D4) - mean;
    q += d * d;
  }
};

// What the merge needs of one chunk.
struct Chunk {
  int32_t start = 0, len = 0;
  double sum = 0.0, mean = 0.0;
  float lo = kInf, hi = -kInf;
};

// Both passes of a chunk of any length: the lanes, then the cases left over
// (in lane 0, as the lanes would take them).
Chunk firstPass(const float* x, int32_t start, int32_t len) {
  ChunkSums c;
  int32_t i = 0;
  for (; i + 4 <= len; i += 4) c.add(load4(x + start + i));
  double s0 = c.s[0];
  float lo0 = c.lo[0], hi0 = c.hi[0];
  for (; i < len; ++i) {
    const float v = x[start + i];
    s0 += v;
    lo0 = v < lo0 ? v : lo0;
    hi0 = v > hi0 ? v : hi0;
  }
  Chunk r;
  r.start = start;
  r.len = len;
  r.sum = (s0 + c.s[1]) + (c.s[2] + c.s[3]);
  r.lo = std::min(std::min(lo0, c.lo[1]), std::min(c.lo[2], c.lo[3]));
  r.hi = std::max(std::max(hi0, c.hi[1]), std::max(c.hi[2], c.hi[3]));
  r.mean = r.sum / len;
  return r;
}

double secondPass(const float* x, const Chunk& c) {
  ChunkDeviations d(c.mean);
  int32_t i = 0;
  for (; i + 4 <= c.len; i += 4) d.add(load4(x + c.start + i));
  double q0 = d.q[0];
  for (; i < c.len; ++i) {
    const double a = x[c.start + i] - c.mean;
    q0 += a * a;
  }
  return (q0 + d.q[1]) + (d.q[2] + d.q[3]);
}

// The first pass of chunk `next` and the second of `done`, both kChunk long.
// The next chunk comes from memory, and the hardware's own fetching left the
// sums waiting on it most of the time: its cases 2 KB on are asked for early.
[[gnu::always_inline]] inline std::pair<Chunk, double> fusedPassBody(const float* x, const Chunk& done, int32_t next) {
  ChunkSums c;
  ChunkDeviations d(done.mean);
  const float* p = x + next;
  const float* q = x + done.start;
  for (int32_t i = 0; i < kChunk; i += 16) {
    lanes::prefetchAhead(p + i);
    for (int32_t j = i; j < i + 16; j += 4) {
      c.add(load4(p + j));
      d.add(load4(q + j));
    }
  }
  Chunk r;
  r.start = next;
  r.len = kChunk;
  r.sum = (c.s[0] + c.s[1]) + (c.s[2] + c.s[3]);
  r.lo = std::min(std::min(c.lo[0], c.lo[1]), std::min(c.lo[2], c.lo[3]));
  r.hi = std::max(std::max(c.hi[0], c.hi[1]), std::max(c.hi[2], c.hi[3]));
  r.mean = r.sum / kChunk;
  return {r, (d.q[0] + d.q[1]) + (d.q[2] + d.q[3])};
}

std::pair<Chunk, double> fusedPassBase(const float* x, const Chunk& done, int32_t next) {
  return fusedPassBody(x, done, next);
}

using FusedPass = std::pair<Chunk, double> (*)(const float*, const Chunk&, int32_t);

#if CORVIMET_X86_DISPATCH
[[gnu::target("avx2")]] std::pair<Chunk, double> fusedPassAvx2(const float* x, const Chunk& done, int32_t next) {
  return fusedPassBody(x, done, next);
}

FusedPass fusedPass() { return CpuHasAvx2() ? fusedPassAvx2 : fusedPassBase; }
#else
FusedPass fusedPass() { return fusedPassBase; }
#endif

void plainStats(const float* x, int32_t first, int32_t last, DescriptiveStats* s, bool fuse) {
  Moments mo;
  double total = 0.0;
  float mi = kInf, ma = -kInf;
  int32_t miChunk = first, maChunk = first;
  // In chunk order, as each chunk's first pass ends.
  auto extremesAndTotal = [&](const Chunk& c) {
    total += c.sum;
    // Strictly beyond: an equal extreme in a later chunk is not the first.
    if (c.lo < mi) {
      mi = c.lo;
      miChunk = c.start;
    }
    if (c.hi > ma) {
      ma = c.hi;
      maChunk = c.start;
    }
  };
  const FusedPass fused = fusedPass();
  Chunk done = firstPass(x, first, std::min(kChunk, last - first + 1));
  extremesAndTotal(done);
  for (int32_t c = first + kChunk; c <= last; c += kChunk) {
    const int32_t len = std::min(kChunk, last - c + 1);
    Chunk next;
    double q;
    if (fuse && len == kChunk && done.len == kChunk) {
      std::tie(next, q) = fused(x, done, c);
    } else {
      q = secondPass(x, done);
      next = firstPass(x, c, len);
    }
    mo.merge(done.len, done.mean, q);
    extremesAndTotal(next);
    done = next;
  }
  mo.merge(done.len, done.mean, secondPass(x, done));
  s->n = last - first + 1;
  s->sum = total;
  s->mean = total / s->n;
  s->sumSquares = mo.m2;
  s->mi = mi;
  s->ma = ma;
  s->miCase = firstCaseOf(x, miChunk, std::min(last, miChunk + kChunk - 1), mi);
  s->maCase = firstCaseOf(x, maChunk, std::min(last, maChunk + kChunk - 1), ma);
}

// Any filter or a value range: the two passes over the same cases, the
// second about the mean of the first.
StatsStatus filteredStats(const float* x, int32_t first, int32_t last, const CaseFilter& f, const ValueRange& r,
                          DescriptiveStats* s) {
  const float* interp = f.interpolation.empty() ? nullptr : f.interpolation.data();
  const float* sel = f.selection.empty() ? nullptr : f.selection.data();
  auto used = [&](int32_t k) {
    if (interp && interp[k] != 0.0f) return false;
    if (sel && sel[k] == 0.0f) return false;
    return !r.on || (r.lo <= x[k] && x[k] <= r.hi);
  };
  double sum = 0.0;
  int32_t n = 0;
  for (int32_t k = first; k <= last; ++k) {
    if (!used(k)) continue;
    sum += x[k];
    ++n;
  }
  if (r.on && n < kMinCasesInRange) return StatsStatus::TooFewInRange;
  if (n == 0) return StatsStatus::EmptySpan;
  const double mean = sum / n;
  double sq = 0.0;
  float mi = kInf, ma = -kInf;
  int32_t miCase = first, maCase = first;
  for (int32_t k = first; k <= last; ++k) {
    if (!used(k)) continue;
    const double d = x[k] - mean;
    sq += d * d;
    if (x[k] > ma) {
      ma = x[k];
      maCase = k;
    }
    if (x[k] < mi) {
      mi = x[k];
      miCase = k;
    }
  }
  s->n = n;
  s->sum = sum;
  s->mean = mean;
  s->sumSquares = sq;
  s->mi = mi;
  s->ma = ma;
  s->miCase = miCase;
  s->maCase = maCase;
  return StatsStatus::Ok;
}

}  // namespace

const char* StatsStatusText(StatsStatus s) {
  switch (s) {
    case StatsStatus::Ok: return "";
    case StatsStatus::EmptySpan: return "No case of the span is left to analyse.";
    case StatsStatus::TooFewInRange: return "Fewer than 3 cases lie within the value limits.";
    case StatsStatus::BadSpan: return "The span lies outside the data.";
  }
  return "";
}

double DescriptiveStats::se() const { return n > 0 ? sd / std::sqrt(static_cast<double>(n)) : 0.0; }

bool DescriptiveStats::cv(double* out) const {
  if (mean == 0.0) return false;
  *out = std::fabs(100.0 * sd / mean);
  return true;
}

StatsStatus ComputeDescriptive(std::span<const float> data, const DescriptiveRequest& req, const CaseFilter& filter,
                               DescriptiveStats* out, bool fused) {
  int32_t first = req.first, last = req.last;
  if (first > last) std::swap(first, last);
  const auto size = static_cast<int64_t>(data.size());
  if (first < 0 || last >= size) return StatsStatus::BadSpan;
  if (!filter.interpolation.empty() && last >= static_cast<int64_t>(filter.interpolation.size()))
    return StatsStatus::BadSpan;
  if (!filter.selection.empty() && last >= static_cast<int64_t>(filter.selection.size()))
    return StatsStatus::BadSpan;

  DescriptiveStats s;
  s.first = first;
  s.last = last;
  if (!filter.active() && !req.range.on) {
    plainStats(data.data(), first, last, &s, fused);
  } else {
    const StatsStatus st = filteredStats(data.data(), first, last, filter, req.range, &s);
    if (st != StatsStatus::Ok) return st;
  }
  s.sd = std::sqrt(s.sumSquares / s.n);
  s.duration = static_cast<float>(s.n - 1) * req.interval;
  *out = s;
  return StatsStatus::Ok;
}

ValueRange RangeBounds(float blockMinY, float blockMaxY, bool minFromField, double typedMin, bool maxFromField,
                       double typedMax) {
  ValueRange r;
  r.on = true;
  r.lo = minFromField ? static_cast<float>(typedMin) : blockMinY;
  r.hi = maxFromField ? static_cast<float>(typedMax) : blockMaxY;
  return r;
}

// ---- Limit cursors ---------------------------------------------------------------------

float LimitPixelsPerCase(int16_t rightLim, int32_t beginBlock, int32_t endBlock) {
  const int64_t span = int64_t{endBlock} - beginBlock;
  if (span <= 0) return 0.0f;
  return static_cast<float>(rightLim) / static_cast<float>(span);
}

LimitSnap SnapLimit(int16_t x, int16_t rightLim, int32_t beginBlock, int32_t endBlock) {
  const float s = LimitPixelsPerCase(rightLim, beginBlock, endBlock);
  LimitSnap r;
  if (s <= 0.0f) return r;  // a one-case block has nowhere to put a limit
  const int64_t span = int64_t{endBlock} - beginBlock;
  const int64_t offset = std::llround(static_cast<double>(x) / s);
  r.offset = static_cast<int32_t>(std::clamp<int64_t>(offset, 0, span));
  r.x = LimitPixel(r.offset, rightLim, beginBlock, endBlock);
  return r;
}

int16_t LimitPixel(int32_t offset, int16_t rightLim, int32_t beginBlock, int32_t endBlock) {
  const float s = LimitPixelsPerCase(rightLim, beginBlock, endBlock);
  return static_cast<int16_t>(std::trunc(static_cast<float>(offset) * s));
}

CaseSpan LimitedSpan(int32_t beginBlock, int32_t endBlock, bool leftSet, int32_t leftOffset, bool rightSet,
                     int32_t rightOffset) {
  CaseSpan s;
  s.first = leftSet ? beginBlock + leftOffset : beginBlock;
  s.last = rightSet ? beginBlock + rightOffset : endBlock;
  if (s.first > s.last) std::swap(s.first, s.last);
  return s;
}

bool InsideLimitRegion(int16_t x, int16_t y, int16_t rightLim, int16_t upperLimit) {
  return x > 0 && x < rightLim && y >= 1 && y <= upperLimit;
}

// ---- Adapters ---------------------------------------------------------------------------

bool CurrentCaseFilter(bool avoidInterpolation, bool useCrossChanIndex, int32_t caseCount, CaseFilter* out) {
  *out = CaseFilter{};
  if (caseCount < 0) return true;
  const int64_t len = int64_t{caseCount} + 1;
  if (avoidInterpolation) {
    const float* p = BackupCache.region(kBackupInterpolation, len);
    if (!p) return false;
    out->interpolation = {p, static_cast<size_t>(len)};
  }
  if (useCrossChanIndex) {
    const float* p = BackupCache.region(kBackupSelection, len);
    if (!p) return false;
    out->selection = {p, static_cast<size_t>(len)};
  }
  return true;
}

StatsStatus ComputeChannelDescriptive(int16_t slot, int16_t channel, const DescriptiveRequest& req,
                                      DescriptiveStats* out) {
  if (!ValidFileSlot(slot) || channel < 1 || channel > nChannels[slot]) return StatsStatus::BadSpan;
  const float* data = ChannelData(slot, channel);
  if (!data) return StatsStatus::BadSpan;
  CaseFilter f;
  // An index built for another file, or before this one changed length, is
  // not applied.
  const bool selection = UseCrossChanIndex != 0 && SelectedCaseCount(slot) > 0;
  if (!CurrentCaseFilter(AvoidInterpolation != 0, selection, nCases[slot], &f))
    return StatsStatus::BadSpan;
  return ComputeDescriptive({data, static_cast<size_t>(nCases[slot]) + 1}, req, f, out);
}

void StoreDescriptiveResult(const DescriptiveStats& s) {
  meanValue = s.mean;
  StandardDeviation = static_cast<float>(s.sd);
  nrPoints = s.n;
  nPoints = s.n;
  mi = s.mi;
  ma = s.ma;
  BGA = s.first;
  EDA = s.last;
  x1float = static_cast<float>(s.first);
  x2 = static_cast<float>(s.last);
  row = kStatsRow;
  Analysis_Code = kStatsAnalysisCode;
  testslopeon = 0;
}

void FillStatsScriptStep(float (&step)[28]) {
  std::fill(std::begin(step), std::end(step), 0.0f);
  step[1] = kStatsScriptOp;
}
