#include "analyses/scans.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <unordered_map>

#include "analyses/descriptive.h"
#include "analyses/extremes.h"
#include "analyses/statspanel.h"
#include "output/numberformat.h"
#include "output/results.h"
#include "shell/globals.h"
#include "shell/store.h"

float startsize = 0.0f;
int16_t ConstScan = 0;
uint16_t ScanNewSelectedChannel = 0;
int16_t stINT = 0;

namespace {

constexpr double kUnit = std::numeric_limits<double>::epsilon() / 2;   // u = 2^-53
constexpr int32_t kProgressEvery = 65536;

const ScanKindInfo kMinimumInfo{"Minimum Continuous Mean", "Minimum", 2, 13.0f, kTopicMeanMinimum};
const ScanKindInfo kLevelInfo{"Most Level Segment", "Most level", 8, 19.0f, kTopicMostLevel};
const ScanKindInfo kMaximumInfo{"Maximum Continuous Mean", "Maximum", 3, 14.0f, kTopicMeanMaximum};
const ScanKindInfo kVariableInfo{"Most Variable Segment", "Most variable", 11, 30.0f, kTopicMostVariableSlope};

// A sum carried as an unevaluated pair hi + lo: each step's rounding error
// is kept in lo, so sliding over millions of cases loses only about u^2 of
// the sum per step.
struct PairSum {
  double hi = 0.0, lo = 0.0;
  void add(double v) {
    const double s = hi + v;
    const double bb = s - hi;
    const double err = (hi - (s - bb)) + (v - bb);
    const double t = s + (lo + err);
    lo = (lo + err) - (t - s);
    hi = t;
  }
  double value() const { return hi + lo; }
};

bool finite(float x) { return std::isfinite(x); }

// Orders floats by value through their bits; radix-sorted with their case.
uint32_t orderKey(float x) {
  uint32_t b;
  std::memcpy(&b, &x, sizeof b);
  return (b & 0x80000000u) ? ~b : (b | 0x80000000u);
}

// Ranks of values (0 .. n-1, by value), the values in rank order and the
// case of each rank, by an LSD radix sort of 11-bit digits.
void rankValues(const std::vector<float>& v, std::vector<uint32_t>* rank, std::vector<float>* sorted,
                std::vector<uint32_t>* caseOf) {
  const size_t n = v.size();
  std::vector<uint32_t> key(n), idx(n), key2(n), idx2(n);
  for (size_t i = 0; i < n; ++i) {
    key[i] = orderKey(v[i]);
    idx[i] = static_cast<uint32_t>(i);
  }
  for (int shift = 0; shift < 32; shift += 11) {
    size_t count[2049] = {};
    for (size_t i = 0; i < n; ++i) ++count[((key[i] >> shift) & 2047u) + 1];
    for (int d = 0; d < 2048; ++d) count[d + 1] += count[d];
    for (size_t i = 0; i < n; ++i) {
      const size_t at = count[(key[i] >> shift) & 2047u]++;
      key2[at] = key[i];
      idx2[at] = idx[i];
    }
    key.swap(key2);
    idx.swap(idx2);
  }
  rank->assign(n, 0);
  sorted->assign(n, 0.0f);
  for (size_t r = 0; r < n; ++r) {
    (*rank)[idx[r]] = static_cast<uint32_t>(r);
    (*sorted)[r] = v[idx[r]];
  }
  *caseOf = std::move(idx);
}

// Counts and sums of the window's values by rank, kept per bucket of
// kBucket consecutive ranks in a Fenwick tree small enough to stay in
// cache; a prefix ends with a short scan of its last bucket's ranks. Sums
// are doubles, or whole multiples of the block's grid when they are exact.
template <class Sum>
class RankTree {
 public:
  static constexpr size_t kBucket = 32;
  explicit RankTree(size_t n) : node_((n + kBucket - 1) / kBucket + 1) {}
  void set(size_t rank, Sum y) {
    Node& b = node_[rank / kBucket + 1];
    b.sum += y;
    b.count += 1;
  }
  // Turns the values placed by set() into the tree, in linear time.
  void build() {
    const size_t n = node_.size() - 1;
    for (size_t i = 1; i <= n; ++i) {
      const size_t j = i + (i & (~i + 1));
      if (j <= n) {
        node_[j].sum += node_[i].sum;
        node_[j].count += node_[i].count;
      }
    }
  }
  void add(size_t rank, Sum y, int32_t c) {
    for (size_t i = rank / kBucket + 1; i < node_.size(); i += i & (~i + 1)) {
      node_[i].sum += y;
      node_[i].count += c;
    }
  }
  // Count and sum of the buckets wholly below rank p.
  void prefix(size_t p, int64_t* count, Sum* sum) const {
    int64_t c = 0;
    Sum s{};
    for (size_t i = p / kBucket; i > 0; i -= i & (~i + 1)) {
      c += node_[i].count;
      s += node_[i].sum;
    }
    *count = c;
    *sum = s;
  }

 private:
  struct Node {
    Sum sum{};
    int64_t count = 0;
  };
  std::vector<Node> node_;
};

// What every score rests on: the block's largest magnitude, the largest sum
// of magnitudes of a window, the mean and the grid. When every finite value
// is a multiple of 2^low and twice the largest window magnitude (plus two
// values) stays below 2^(53 + low), every sum a scan forms of a window's
// values, or of their differences, is a multiple of the grid below 2^53 of
// it: exact in double, in any order.
struct BlockInfo {
  double maxAbs = 0.0;
  double windowAbs = 0.0;   // bounds every window's sum of |x| over its finite values
  double mean = 0.0;        // of the finite values
  int low = 0;
  bool exact = true;
};

BlockInfo blockInfo(const float* x, int32_t m, int32_t n) {
  BlockInfo b;
  int low = std::numeric_limits<int>::max();
  double mag = 0.0, sum = 0.0;
  int64_t count = 0;
  for (int32_t k = 0; k < m; ++k) {
    const float v = x[k];
    const double a = finite(v) ? std::fabs(static_cast<double>(v)) : 0.0;
    mag += a;
    if (k >= n) mag -= finite(x[k - n]) ? std::fabs(static_cast<double>(x[k - n])) : 0.0;
    if (k >= n - 1) b.windowAbs = std::max(b.windowAbs, mag);
    if (!finite(v)) continue;
    sum += v;
    ++count;
    if (v == 0.0f) continue;
    b.maxAbs = std::max(b.maxAbs, a);
    const uint32_t bits = std::bit_cast<uint32_t>(v);
    const uint32_t biased = (bits >> 23) & 0xFFu, mantissa = bits & 0x7FFFFFu;
    const uint32_t whole = biased == 0 ? mantissa : (mantissa | 0x800000u);
    low = std::min(low, (biased == 0 ? -149 : static_cast<int>(biased) - 150) + std::countr_zero(whole));
  }
  // The sliding sum drifts by a few u of its largest value per step.
  b.windowAbs = b.windowAbs * 1.001 + 4.0 * (static_cast<double>(m) + n) * kUnit * (n + 1.0) * b.maxAbs;
  if (count > 0) b.mean = sum / static_cast<double>(count);
  if (low == std::numeric_limits<int>::max()) return b;   // zeros only
  b.low = low;
  b.exact = 2.0 * b.windowAbs + 4.0 * b.maxAbs <= std::ldexp(1.0, 53 + low);
  return b;
}

// Fast scores and how far each may lie from the definition's:
// |definition - score| <= absBound + relBound |score|.
struct Scores {
  std::vector<double> score;   // NaN: the window does not qualify
  double absBound = 0.0, relBound = 0.0;
  double boundOf(double f) const { return absBound + relBound * std::fabs(f); }
};

bool reportProgress(const ScanProgress& progress, int64_t done, int64_t total) {
  return !progress || progress(static_cast<double>(done) / static_cast<double>(std::max<int64_t>(total, 1)));
}

// Sum scores; with flags, the mean of the cases not flagged instead, so that
// windows using different numbers of cases compare. A flagged case is left
// out and disqualifies a window ending on it.
bool sumScores(const float* x, const float* flag, int32_t m, int32_t n, const BlockInfo& info, Scores* out,
               const ScanProgress& progress) {
  const int32_t starts = m - n + 1;
  out->score.assign(static_cast<size_t>(starts), std::numeric_limits<double>::quiet_NaN());
  PairSum s;
  int32_t bad = 0, used = 0;
  auto in = [&](int32_t k, int sign) {
    if (!finite(x[k])) {
      bad += sign;
    } else if (!(flag && flag[k] != 0.0f)) {
      s.add(sign * static_cast<double>(x[k]));
      used += sign;
    }
  };
  for (int32_t k = 0; k < n; ++k) in(k, 1);
  for (int32_t st = 0; st < starts; ++st) {
    if (st > 0) {
      in(st - 1, -1);
      in(st + n - 1, 1);
    }
    const bool lastFlagged = flag && flag[st + n - 1] != 0.0f;
    if (bad == 0 && !lastFlagged && used > 0)
      out->score[static_cast<size_t>(st)] = flag ? s.value() / used : s.value();
    if (st > 0 && st % kProgressEvery == 0 && !reportProgress(progress, st, starts)) return false;
  }
  // Exact sums give both means by one correctly rounded division.
  if (info.exact) return true;
  const double dn = n;
  if (flag) {
    // The definition's sum of c values in case order is within (c - 1) u
    // of c times the largest magnitude, the pair sum's drift below that of
    // the plain sums; dividing by c shrinks both, and each quotient rounds
    // once.
    out->absBound = 1.01 * (dn + 2.0) * kUnit * info.maxAbs + 64.0 * m * kUnit * kUnit * info.windowAbs;
    out->relBound = 2.02 * kUnit;
    return true;
  }
  // The definition sums n values in case order: within (n - 1) u of the
  // sum of their magnitudes; the pair sum drifts by a few u^2 per step.
  out->absBound = 1.01 * (dn + 2.0) * kUnit * info.windowAbs + 64.0 * m * kUnit * kUnit * info.windowAbs;
  return true;
}

// Point-to-point scores: the sum of |x(k) - x(k-1)| inside the window. The
// steps are the same doubles the definition forms.
bool pointScores(const float* x, const float* flag, int32_t m, int32_t n, const BlockInfo& info, Scores* out,
                 const ScanProgress& progress) {
  const int32_t starts = m - n + 1;
  out->score.assign(static_cast<size_t>(starts), std::numeric_limits<double>::quiet_NaN());
  auto step = [x](int32_t k) { return std::fabs(static_cast<double>(x[k]) - static_cast<double>(x[k - 1])); };
  PairSum s;
  int32_t bad = 0, flagged = 0;
  auto in = [&](int32_t k, int sign) {
    if (!finite(x[k])) bad += sign;
    if (flag && flag[k] != 0.0f) flagged += sign;
  };
  for (int32_t k = 0; k < n; ++k) in(k, 1);
  for (int32_t k = 1; k < n; ++k)
    if (finite(x[k]) && finite(x[k - 1])) s.add(step(k));
  for (int32_t st = 0; st < starts; ++st) {
    if (st > 0) {
      in(st - 1, -1);
      in(st + n - 1, 1);
      if (n > 1) {
        if (finite(x[st]) && finite(x[st - 1])) s.add(-step(st));
        if (finite(x[st + n - 1]) && finite(x[st + n - 2])) s.add(step(st + n - 1));
      }
    }
    if (bad == 0 && flagged == 0) out->score[static_cast<size_t>(st)] = s.value();
    if (st > 0 && st % kProgressEvery == 0 && !reportProgress(progress, st, starts)) return false;
  }
  if (info.exact) return true;
  // The definition's sum of n - 1 positive steps in case order, and the
  // pair sum's drift.
  const double dn = n;
  out->relBound = 1.01 * (dn + 2.0) * kUnit;
  out->absBound = 64.0 * m * kUnit * kUnit * 2.0 * info.windowAbs;
  return true;
}

using Int128 = __int128;

// A finite float on the grid 2^low as a whole number of grid steps.
Int128 gridSteps(float f, int low) {
  const uint32_t bits = std::bit_cast<uint32_t>(f);
  const uint32_t biased = (bits >> 23) & 0xFFu, mantissa = bits & 0x7FFFFFu;
  const Int128 whole = biased == 0 ? mantissa : (mantissa | 0x800000u);
  const int shift = (biased == 0 ? -149 : static_cast<int>(biased) - 150) - low;
  const Int128 steps = shift >= 0 ? whole << shift : whole >> -shift;
  return (bits & 0x80000000u) ? -steps : steps;
}

// How the level scans keep their rank tree's sums: whole grid steps in 64
// bits about a point near the mean, on a block whose double sums are exact
// (the mean is then the definition's too); whole grid steps in 128 bits on
// most other blocks; doubles only on blocks spanning too many binades for
// either.
enum class LevelSums : int8_t { Exact64, Whole128, Floating };

// Level scores, sum of |m - x| about the window mean m = sum * (1 / n as a
// float): with c the count and S<= the sum of the window's values not
// above m, the score is S - 2 S<= + (2c - n) m, the sums kept as LevelSums
// says. The starts are taken in runs of at least four window lengths, each
// run ranking only the cases its windows cover: a short window then works
// in a tree that stays in cache, and every run starts its sums afresh.
template <LevelSums kMode>
bool levelScores(const float* x, const float* flag, int32_t m, int32_t n, const BlockInfo& info, Scores* out,
                 const ScanProgress& progress) {
  constexpr bool kWhole = kMode != LevelSums::Floating;
  using Sum = std::conditional_t<kMode == LevelSums::Exact64, int64_t,
                                 std::conditional_t<kMode == LevelSums::Whole128, Int128, double>>;
  const int32_t starts = m - n + 1;
  out->score.assign(static_cast<size_t>(starts), std::numeric_limits<double>::quiet_NaN());
  const double grid = std::ldexp(1.0, info.low), perGrid = std::ldexp(1.0, -info.low);
  // Near the data's mean (on the grid for whole steps), so that the sums
  // stay small; whole steps in 128 bits need no shift.
  const double mid = kMode == LevelSums::Exact64    ? std::nearbyint(info.mean * perGrid) * grid
                     : kMode == LevelSums::Whole128 ? 0.0
                                                    : static_cast<double>(static_cast<float>(info.mean));
  // The largest sum of |x - mid| of a window bounds every sum the tree holds.
  double windowDev = 0.0;
  {
    double dev = 0.0;
    for (int32_t k = 0; k < m; ++k) {
      dev += finite(x[k]) ? std::fabs(x[k] - mid) : std::fabs(mid);
      if (k >= n) dev -= finite(x[k - n]) ? std::fabs(x[k - n] - mid) : std::fabs(mid);
      if (k >= n - 1) windowDev = std::max(windowDev, dev);
    }
    windowDev = windowDev * 1.001 +
                4.0 * (static_cast<double>(m) + n) * kUnit * (n + 1.0) * (info.maxAbs + std::fabs(mid));
  }
  const double recip = 1.0f / static_cast<float>(n);
  const double dn = n;
  const int32_t run = static_cast<int32_t>(std::min<int64_t>(starts, std::max<int64_t>(int64_t{4} * n, 65536)));
  auto shifted = [&](float f) -> Sum {
    if constexpr (kMode == LevelSums::Exact64) return static_cast<int64_t>((static_cast<double>(f) - mid) * perGrid);
    else if constexpr (kMode == LevelSums::Whole128) return gridSteps(f, info.low);
    else return static_cast<double>(f) - mid;
  };

  std::vector<float> v;
  std::vector<uint32_t> rank, caseOf;
  std::vector<float> sorted;
  size_t largestRun = 0;
  for (int32_t first = 0; first < starts; first += run) {
    const int32_t last = std::min(starts, first + run) - 1;   // starts first..last
    const int32_t cases = last - first + n;                   // cases first..first + cases - 1
    largestRun = std::max(largestRun, static_cast<size_t>(cases));
    v.assign(x + first, x + first + cases);
    for (float& f : v)
      if (!finite(f)) f = 0.0f;
    rankValues(v, &rank, &sorted, &caseOf);

    RankTree<Sum> tree(static_cast<size_t>(cases));
    PairSum s;          // the window's sum, when it is not exact
    Sum total{};        // the window's shifted sum in whole steps
    int32_t bad = 0, flagged = 0;
    for (int32_t k = 0; k < n; ++k) {
      const Sum y = shifted(v[static_cast<size_t>(k)]);
      tree.set(rank[static_cast<size_t>(k)], y);
      total += y;
      if (!finite(x[first + k])) ++bad;
      else s.add(x[first + k]);
      if (flag && flag[first + k] != 0.0f) ++flagged;
    }
    tree.build();
    size_t p = 0;   // number of sorted values not above the mean
    for (int32_t st = first; st <= last; ++st) {
      const int32_t local = st - first;
      if (st > first) {
        const int32_t leaving = local - 1, entering = local + n - 1;
        const uint32_t ro = rank[static_cast<size_t>(leaving)], ri = rank[static_cast<size_t>(entering)];
        // Values read in case order: the sorted copy is only searched.
        const Sum out1 = shifted(v[static_cast<size_t>(leaving)]), in1 = shifted(v[static_cast<size_t>(entering)]);
        tree.add(ro, -out1, -1);
        tree.add(ri, in1, 1);
        total += in1 - out1;
        if (!finite(x[st - 1])) --bad;
        else s.add(-static_cast<double>(x[st - 1]));
        if (!finite(x[st + n - 1])) ++bad;
        else s.add(x[st + n - 1]);
        if (flag) flagged += (flag[st + n - 1] != 0.0f) - (flag[st - 1] != 0.0f);
      }
      if (bad == 0 && flagged == 0) {
        // Exact blocks: the window's sum exactly, as the definition has it.
        const double sum =
            kMode == LevelSums::Exact64 ? static_cast<double>(total) * grid + dn * mid : s.value();
        const double mean = sum * recip;
        auto notAbove = [&](float f) { return static_cast<double>(f) <= mean; };
        // The mean moves little from one window to the next: gallop from the
        // last position.
        const auto base = sorted.begin();
        if (p < sorted.size() && notAbove(sorted[p])) {
          size_t step = 1;
          while (p + step < sorted.size() && notAbove(sorted[p + step])) step *= 2;
          const size_t end = std::min(sorted.size(), p + step);
          p = static_cast<size_t>(std::partition_point(base + static_cast<std::ptrdiff_t>(p + 1),
                                                       base + static_cast<std::ptrdiff_t>(end), notAbove) -
                                  base);
        } else {
          size_t step = 1;
          while (step < p && !notAbove(sorted[p - step])) step *= 2;
          const size_t begin = step < p ? p - step : 0;
          p = static_cast<size_t>(std::partition_point(base + static_cast<std::ptrdiff_t>(begin),
                                                       base + static_cast<std::ptrdiff_t>(p), notAbove) -
                                  base);
        }
        int64_t below = 0;
        Sum sumBelow{};
        tree.prefix(p, &below, &sumBelow);
        for (size_t r = p / RankTree<Sum>::kBucket * RankTree<Sum>::kBucket; r < p; ++r) {
          const uint32_t k = caseOf[r];
          if (k >= static_cast<uint32_t>(local) && k < static_cast<uint32_t>(local + n)) {
            ++below;
            sumBelow += shifted(sorted[r]);
          }
        }
        const double balance = (2.0 * static_cast<double>(below) - dn) * (mean - mid);
        if constexpr (kWhole) {
          out->score[static_cast<size_t>(st)] = static_cast<double>(total - 2 * sumBelow) * grid + balance;
        } else {
          const double shiftedSum = s.value() - dn * mid;
          out->score[static_cast<size_t>(st)] = shiftedSum - 2.0 * sumBelow + balance;
        }
      }
      if (st > 0 && st % kProgressEvery == 0 && !reportProgress(progress, st, starts)) return false;
    }
  }
  // Every window: the fast formula's few roundings of terms no larger than
  // the largest window deviation (n |mean - mid| is within it, up to the
  // mean's float reciprocal), and the definition's own sum of n deviations
  // in case order, within (n + 1) u of itself.
  const double formula = 8.0 * kUnit * (2.0 * windowDev + dn * 0x1p-23 * (info.maxAbs + std::fabs(mid)));
  out->relBound = 1.01 * (dn + 2.0) * kUnit;
  // Unless the sums are exact, the two means differ by the two sums'
  // rounding, and that moves the score by as much; double tree sums drift
  // by the roundings of every update of their run.
  const double means =
      (1.0 + 0x1p-22) * ((dn + 2.0) * kUnit * info.windowAbs + 64.0 * run * kUnit * kUnit * info.windowAbs);
  if constexpr (kMode == LevelSums::Exact64) {
    out->absBound = 1.01 * formula;
  } else if constexpr (kMode == LevelSums::Whole128) {
    out->absBound = 1.01 * (formula + means);
  } else {
    const double levels = std::ceil(std::log2(static_cast<double>(largestRun) + 1.0)) + 1.0 + RankTree<Sum>::kBucket;
    const double updates = static_cast<double>(n) + 2.0 * run + 2.0;
    out->absBound = 1.01 * (formula + means + 8.0 * kUnit * levels * (updates + 2.0) * windowDev);
  }
  return true;
}

// A window's score as the definition has it: from scratch, in case order,
// in double from the samples.
double definitionScore(const float* x, const float* flag, int32_t st, int32_t n, ScanKind kind, int16_t variant) {
  double score = 0.0;
  if (kind == ScanKind::Minimum || kind == ScanKind::Maximum) {
    int32_t used = 0;
    for (int32_t k = st; k < st + n; ++k)
      if (!(flag && flag[k] != 0.0f)) {
        score += x[k];
        ++used;
      }
    if (flag) score = used > 0 ? score / used : std::numeric_limits<double>::quiet_NaN();
  } else if (kind == ScanKind::MostVariable && variant == 1) {
    for (int32_t k = st + 1; k < st + n; ++k) score += std::fabs(static_cast<double>(x[k]) - x[k - 1]);
  } else {
    double sum = 0.0;
    for (int32_t k = st; k < st + n; ++k) sum += x[k];
    const double mean = sum * static_cast<double>(1.0f / static_cast<float>(n));
    for (int32_t k = st; k < st + n; ++k) score += std::fabs(mean - x[k]);
  }
  return score;
}

}  // namespace

ScanKind ScanKindOf(int16_t kind) {
  switch (kind) {
    case 1: return ScanKind::Minimum;
    case 2: return ScanKind::MostLevel;
    case 4: return ScanKind::MostVariable;
    default: return ScanKind::Maximum;
  }
}

const ScanKindInfo& InfoOfScan(ScanKind kind) {
  switch (kind) {
    case ScanKind::Minimum: return kMinimumInfo;
    case ScanKind::MostLevel: return kLevelInfo;
    case ScanKind::MostVariable: return kVariableInfo;
    default: return kMaximumInfo;
  }
}

bool ScanKindOfScriptOp(float op, ScanKind* kind) {
  for (ScanKind k : {ScanKind::Minimum, ScanKind::MostLevel, ScanKind::Maximum, ScanKind::MostVariable})
    if (InfoOfScan(k).scriptOp == op) {
      *kind = k;
      return true;
    }
  return false;
}

int32_t ScanWindowPoints(float seconds, float interval) {
  if (!(interval > 0.0f) || !std::isfinite(seconds)) return 0;
  const float q = seconds / interval + 0.9999f;
  if (!(q < 2.0e9f)) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::nearbyint(q));
}

float DefaultScanSeconds(float interval, int32_t nPoints) {
  return std::trunc(0.5f * interval * (static_cast<float>(nPoints) + 0.999f));
}

float ProposedScanSeconds(float startsize, float interval, int32_t nPoints) {
  if (startsize == 0.0f || startsize > interval * static_cast<float>(nPoints))
    return DefaultScanSeconds(interval, nPoints);
  return startsize;
}

std::vector<IntervalPreset> IntervalPresets(float interval, int32_t nPoints) {
  struct Row {
    const char* title;
    int32_t seconds;
    float ceiling;   // 0: none
  };
  static const Row fast[] = {{"1", 1, 0.3f},      {"2", 2, 0},        {"5", 5, 0},         {"10", 10, 0},
                             {"20", 20, 0},       {"30", 30, 0},      {"60", 60, 0},       {"2 min", 120, 0},
                             {"5 min", 300, 0},   {"10 min", 600, 0}, {"20 min", 1200, 0}, {"30 min", 1800, 0},
                             {"1 hour", 3600, 0}};
  static const Row normal[] = {{"2", 2, 0.75f},      {"5", 5, 2},           {"10", 10, 3},
                               {"30", 30, 0},        {"60", 60, 0},         {"2 min", 120, 0},
                               {"5 min", 300, 0},    {"10 min", 600, 0},    {"20 min", 1200, 0},
                               {"30 min", 1800, 0},  {"1 hour", 3600, 0},   {"2 hours", 7200, 0}};
  static const Row slow[] = {{"5", 5, 2},           {"10", 10, 3},          {"30", 30, 0},
                             {"60", 60, 0},         {"2 min", 120, 0},      {"5 min", 300, 0},
                             {"10 min", 600, 0},    {"20 min", 1200, 0},    {"30 min", 1800, 0},
                             {"1 hour", 3600, 0},   {"2 hours", 7200, 0},   {"6 hours", 21600, 0}};
  static const Row slowest[] = {{"30", 30, 15},         {"60", 60, 20},         {"120", 120, 30},
                                {"5 min", 300, 60},     {"10 min", 600, 120},   {"20 min", 1200, 300},
                                {"30 min", 1800, 0},    {"1 hour", 3600, 0},    {"2 hour", 7200, 0},
                                {"6 hours", 21600, 0},  {"12 hours", 43200, 0}};
  std::span<const Row> rows = interval < 0.5f ? std::span<const Row>(fast)
                              : interval < 2.0f ? std::span<const Row>(normal)
                              : interval < 10.0f ? std::span<const Row>(slow)
                                                 : std::span<const Row>(slowest);
  const float d = interval * static_cast<float>(nPoints);
  std::vector<IntervalPreset> out;
  int16_t id = kFirstPresetButton;
  for (const Row& r : rows) {
    if (d > static_cast<float>(r.seconds) && (r.ceiling == 0.0f || interval <= r.ceiling))
      out.push_back({id, r.title, r.seconds});
    ++id;
  }
  return out;
}

std::vector<AdjustButton> IntervalAdjustButtons(float interval) {
  std::vector<AdjustButton> out{{59, "\xD6" "2"}, {60, "*2"}, {61, "\xD6" "10"}, {62, "*10"}};
  if (interval < 0.25f) out.push_back({63, "+.1"});
  out.push_back({64, "+1"});
  out.push_back({65, "+10"});
  return out;
}

bool AdjustScanSeconds(int16_t id, float value, float* out) {
  switch (id) {
    case 59: *out = value / 2.0f; return true;
    case 60: *out = value * 2.0f; return true;
    case 61: *out = value / 10.0f; return true;
    case 62: *out = value * 10.0f; return true;
    case 63: *out = value + 0.1f; return true;
    case 64: *out = value + 1.0f; return true;
    case 65: *out = value + 10.0f; return true;
    default: return false;
  }
}

std::string ScanDurationText(int32_t points, float interval) {
  const float d = static_cast<float>(points - 1) * interval;
  if (d < 600.0f) return RealText(d) + " seconds";
  if (d > 3600.0f) return RealText(d / 3600.0f) + " hours";
  return RealText(d / 60.0f) + " minutes";
}

const char* ScanStatusText(ScanStatus s) {
  switch (s) {
    case ScanStatus::Ok: return "A window was found.";
    case ScanStatus::NoWindow: return "No window of this length qualifies in the block.";
    case ScanStatus::BadLength: return "The scan interval must be at least one sample and no longer than the block.";
    case ScanStatus::BadSpan: return "The block lies outside the data.";
    case ScanStatus::Cancelled: return "The scan was cancelled.";
  }
  return "";
}

ScanStatus ScanWindows(std::span<const float> data, const ScanRequest& req, std::span<const float> interpolation,
                       ScanResult* out, const ScanProgress& progress) {
  const int32_t first = req.first, last = req.last;
  if (first < 0 || last < first || static_cast<size_t>(last) >= data.size()) return ScanStatus::BadSpan;
  if (!interpolation.empty() && static_cast<size_t>(last) >= interpolation.size()) return ScanStatus::BadSpan;
  const int32_t m = last - first + 1, n = req.length;
  if (n < 1 || n > m) return ScanStatus::BadLength;
  const float* x = data.data() + first;
  const float* flag = interpolation.empty() ? nullptr : interpolation.data() + first;
  const BlockInfo info = blockInfo(x, m, n);

  Scores sc;
  bool done = false;
  switch (req.kind) {
    case ScanKind::Minimum:
    case ScanKind::Maximum: done = sumScores(x, flag, m, n, info, &sc, progress); break;
    case ScanKind::MostLevel:
    case ScanKind::MostVariable:
      if (req.kind == ScanKind::MostVariable && req.variant == 1) {
        done = pointScores(x, flag, m, n, info, &sc, progress);
      } else {
        // Whole grid steps when every window's distances fit: in 64 bits
        // about a point near the mean, or in 128 bits from 0.
        const double steps = std::ldexp(1.0, -info.low);
        if (info.exact &&
            (info.windowAbs + n * (std::fabs(info.mean) + 2.0 * std::ldexp(1.0, info.low))) * steps <= 0x1p61) {
          done = levelScores<LevelSums::Exact64>(x, flag, m, n, info, &sc, progress);
        } else if ((info.windowAbs + 2.0 * info.maxAbs) * steps <= 0x1p124) {
          done = levelScores<LevelSums::Whole128>(x, flag, m, n, info, &sc, progress);
        } else {
          done = levelScores<LevelSums::Floating>(x, flag, m, n, info, &sc, progress);
        }
      }
      break;
  }
  if (!done) return ScanStatus::Cancelled;
  const bool largest = req.kind == ScanKind::Maximum || req.kind == ScanKind::MostVariable;
  // A window must beat the start strictly: an infinity for the sums and the
  // most level, so that windows of values far past any constant still
  // qualify, and 0 for the most variable, which a window without variation
  // never beats.
  constexpr double kInf = std::numeric_limits<double>::infinity();
  auto beats = [&](double d) {
    switch (req.kind) {
      case ScanKind::Minimum: return d < kInf;
      case ScanKind::Maximum: return d > -kInf;
      case ScanKind::MostLevel: return d < kInf;
      case ScanKind::MostVariable: return d > 0.0;
    }
    return false;
  };

  // Exact sums: the fast scores are the definition's.
  if (sc.absBound == 0.0 && sc.relBound == 0.0) {
    int32_t at = -1;
    for (size_t i = 0; i < sc.score.size(); ++i) {
      const double f = sc.score[i];
      if (std::isnan(f) || !beats(f)) continue;
      if (at < 0 || (largest ? f > sc.score[static_cast<size_t>(at)] : f < sc.score[static_cast<size_t>(at)]))
        at = static_cast<int32_t>(i);
    }
    if (at < 0) return ScanStatus::NoWindow;
    out->begin = first + at;
    out->score = sc.score[static_cast<size_t>(at)];
    return ScanStatus::Ok;
  }
  // Every window whose fast score, within its bound, may reach the best is
  // a candidate; ordered by how good it may be, each is scored by the
  // definition until none left can reach the best exact score. A bound of
  // 0 means the fast score is the definition's.
  struct Candidate {
    double reach;   // the best the definition may give it
    int32_t start;
  };
  double edge = largest ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  for (double f : sc.score) {
    if (std::isnan(f)) continue;
    const double b = sc.boundOf(f);
    edge = largest ? std::max(edge, f - b) : std::min(edge, f + b);
  }
  std::vector<Candidate> cands;
  for (size_t i = 0; i < sc.score.size(); ++i) {
    const double f = sc.score[i];
    if (std::isnan(f)) continue;
    const double b = sc.boundOf(f);
    const double reach = largest ? f + b : f - b;
    if (largest ? reach >= edge : reach <= edge) cands.push_back({reach, static_cast<int32_t>(i)});
  }
  std::sort(cands.begin(), cands.end(), [largest](const Candidate& a, const Candidate& b) {
    return largest ? a.reach > b.reach : a.reach < b.reach;
  });
  // Constant windows of equal values score alike: scored once per value
  // (not for the sums, whose flagged cases differ from window to window).
  std::vector<int32_t> runEnd;   // runEnd[k]: first case after k whose value differs
  std::unordered_map<uint32_t, double> constantScore;
  const bool sums = req.kind == ScanKind::Minimum || req.kind == ScanKind::Maximum;
  const bool cacheConstants = cands.size() > 64 && !(sums && flag);
  if (cacheConstants) {
    runEnd.resize(static_cast<size_t>(m));
    runEnd[static_cast<size_t>(m - 1)] = m;
    for (int32_t k = m - 2; k >= 0; --k) {
      const bool same = std::bit_cast<uint32_t>(x[k]) == std::bit_cast<uint32_t>(x[k + 1]);
      runEnd[static_cast<size_t>(k)] = same ? runEnd[static_cast<size_t>(k + 1)] : k + 1;
    }
  }
  double best = std::numeric_limits<double>::quiet_NaN();
  int32_t bestStart = -1;
  int64_t work = 0, reported = 0;
  for (size_t c = 0; c < cands.size(); ++c) {
    const Candidate& cand = cands[c];
    if (!std::isnan(best) && (largest ? cand.reach < best : cand.reach > best)) break;
    const double f = sc.score[static_cast<size_t>(cand.start)];
    double d;
    if (sc.boundOf(f) == 0.0) {
      d = f;
    } else if (cacheConstants && runEnd[static_cast<size_t>(cand.start)] >= cand.start + n) {
      const uint32_t key = std::bit_cast<uint32_t>(x[cand.start]);
      const auto it = constantScore.find(key);
      d = it != constantScore.end() ? it->second
                                    : (constantScore[key] = definitionScore(x, flag, cand.start, n, req.kind,
                                                                            req.variant));
    } else {
      d = definitionScore(x, flag, cand.start, n, req.kind, req.variant);
      work += n;
      if (progress && work - reported >= (int64_t{1} << 26)) {
        reported = work;
        if (!progress(static_cast<double>(c) / static_cast<double>(cands.size()))) return ScanStatus::Cancelled;
      }
    }
    if (!beats(d)) continue;
    if (std::isnan(best) || (largest ? d > best : d < best) || (d == best && cand.start < bestStart)) {
      best = d;
      bestStart = cand.start;
    }
  }
  if (bestStart < 0) return ScanStatus::NoWindow;
  out->begin = first + bestStart;
  out->score = best;
  return ScanStatus::Ok;
}

WindowStats ComputeWindowStats(std::span<const float> data, int32_t begin, int32_t length,
                               std::span<const float> interpolation) {
  WindowStats w;
  if (begin < 0 || length < 1 || static_cast<size_t>(begin) + static_cast<size_t>(length) > data.size()) return w;
  const bool check = static_cast<size_t>(begin) + static_cast<size_t>(length) <= interpolation.size();
  for (int32_t k = begin; k < begin + length; ++k) {
    if (check && interpolation[static_cast<size_t>(k)] != 0.0f) continue;
    w.sum += data[static_cast<size_t>(k)];
    ++w.used;
  }
  w.mean = w.used > 0 ? w.sum / w.used : 0.0;
  RunningExtremes<> e;
  double ss = 0.0;
  for (int32_t k = begin; k < begin + length; ++k) {
    const float v = data[static_cast<size_t>(k)];
    e.add(v);
    ss += (v - w.mean) * (v - w.mean);
  }
  // A window that is all NaN shows 1e30 and -1e30, as it always has.
  w.mi = e.loOr(1e30f);
  w.ma = e.hiOr(-1e30f);
  w.sd = static_cast<float>(std::sqrt(ss / length));
  return w;
}

std::string ScanResultLine(ScanKind kind, int16_t channel, int32_t begin, int32_t length) {
  return std::string(InfoOfScan(kind).label) + " for channel" + IntText(channel) + " at cases" +
         IntText(int64_t{begin}) + " to" + IntText(int64_t{begin} + length - 1);
}

std::string ScanBlockSpanText(float interval, int32_t length) {
  float d = interval * static_cast<float>(length - 1);
  const char* unit = " sec";
  if (d >= 120.0f) {
    d /= 60.0f;
    unit = " min";
    if (d > 120.0f) {
      d /= 60.0f;
      unit = " hr";
      if (d > 24.0f) {
        d /= 24.0f;
        unit = " days";
      }
    }
  }
  return RealText(d).substr(0, 7) + unit;
}

// ---- Adapters --------------------------------------------------------------------

ScanStatus ScanChannel(int16_t slot, int16_t channel, const ScanRequest& req, ScanResult* out,
                       const ScanProgress& progress) {
  if (!ValidFileSlot(slot) || channel < 1 || channel > nChannels[slot]) return ScanStatus::BadSpan;
  const float* data = ChannelData(slot, channel);
  if (!data) return ScanStatus::BadSpan;
  CaseFilter f;
  if (!CurrentCaseFilter(AvoidInterpolation != 0, false, nCases[slot], &f)) return ScanStatus::BadSpan;
  return ScanWindows({data, static_cast<size_t>(nCases[slot]) + 1}, req, f.interpolation, out, progress);
}

bool StoreWindowStats(int16_t slot, int16_t channel) {
  if (!ValidFileSlot(slot) || channel < 1 || channel > nChannels[slot]) return false;
  const float* data = ChannelData(slot, channel);
  if (!data || MMLBegin < 0 || MMLpoints < 1 || int64_t{MMLBegin} + MMLpoints - 1 > nCases[slot]) return false;
  CaseFilter f;
  if (!CurrentCaseFilter(AvoidInterpolation != 0, false, nCases[slot], &f)) return false;
  const WindowStats w =
      ComputeWindowStats({data, static_cast<size_t>(nCases[slot]) + 1}, MMLBegin, MMLpoints, f.interpolation);
  meanValue = w.mean;
  StandardDeviation = w.sd;
  nrPoints = w.used;
  mi = w.mi;
  ma = w.ma;
  row = 5;
  x1float = static_cast<float>(MMLBegin);
  x2 = static_cast<float>(MMLBegin + MMLpoints - 1);
  return true;
}

void FillScanScriptStep(ScanKind kind, float (&step)[28]) {
  std::fill(std::begin(step), std::end(step), 0.0f);
  step[1] = InfoOfScan(kind).scriptOp;
}
