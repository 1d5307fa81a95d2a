#include "analyses/scans.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "analyses/descriptive.h"
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
// cache; a prefix ends with a short scan of its last bucket's ranks.
class RankTree {
 public:
  static constexpr size_t kBucket = 32;
  explicit RankTree(size_t n) : node_((n + kBucket - 1) / kBucket + 1) {}
  void set(size_t rank, double y) {
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
  void add(size_t rank, double y, int32_t c) {
    for (size_t i = rank / kBucket + 1; i < node_.size(); i += i & (~i + 1)) {
      node_[i].sum += y;
      node_[i].count += c;
    }
  }
  // Count and sum of the buckets wholly below rank p.
  void prefix(size_t p, int64_t* count, double* sum) const {
    int64_t c = 0;
    double s = 0.0;
    for (size_t i = p / kBucket; i > 0; i -= i & (~i + 1)) {
      c += node_[i].count;
      s += node_[i].sum;
    }
    *count = c;
    *sum = s;
  }

 private:
  struct Node {
    double sum = 0.0;
    int64_t count = 0;
  };
  std::vector<Node> node_;
};

struct Scores {
  std::vector<double> score;   // NaN: the window does not qualify
  double bound = 0.0;
};

bool reportProgress(const ScanProgress& progress, int64_t done, int64_t total) {
  return !progress || progress(static_cast<double>(done) / static_cast<double>(std::max<int64_t>(total, 1)));
}

// Sum scores. flagged(k) leaves case k out of the sum and disqualifies a
// window ending on it.
bool sumScores(const float* x, const float* flag, int32_t m, int32_t n, double maxAbs, Scores* out,
               const ScanProgress& progress) {
  const int32_t starts = m - n + 1;
  out->score.assign(static_cast<size_t>(starts), std::numeric_limits<double>::quiet_NaN());
  PairSum s;
  int32_t bad = 0;
  auto in = [&](int32_t k, int sign) {
    if (!finite(x[k])) bad += sign;
    else if (!(flag && flag[k] != 0.0f)) s.add(sign * static_cast<double>(x[k]));
  };
  for (int32_t k = 0; k < n; ++k) in(k, 1);
  for (int32_t st = 0; st < starts; ++st) {
    if (st > 0) {
      in(st - 1, -1);
      in(st + n - 1, 1);
    }
    const bool lastFlagged = flag && flag[st + n - 1] != 0.0f;
    if (bad == 0 && !lastFlagged) out->score[static_cast<size_t>(st)] = s.value();
    if (st > 0 && st % kProgressEvery == 0 && !reportProgress(progress, st, starts)) return false;
  }
  const double dn = n;
  // The definition's own summation error plus the pair sum's.
  out->bound = 2.0 * (dn + 2.0) * kUnit * dn * maxAbs * 1.001 + 64.0 * m * kUnit * kUnit * dn * maxAbs;
  return true;
}

// Point-to-point scores: the sum of |x(k) - x(k-1)| inside the window.
bool pointScores(const float* x, const float* flag, int32_t m, int32_t n, double maxAbs, Scores* out,
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
  const double dn = n;
  out->bound = 4.0 * (dn + 2.0) * kUnit * dn * 2.0 * maxAbs * 1.001 + 64.0 * m * kUnit * kUnit * dn * 2.0 * maxAbs;
  return true;
}

// Level scores, sum of |m - x| about the window mean m = sum * (1 / n as a
// float): with c the count and S<= the sum of the window's values not
// above m, the score is S - 2 S<= + (2c - n) m. Values enter the rank tree
// shifted by the block's middle, so its sums stay small. The starts are
// taken in runs of at least four window lengths, each run ranking only the
// cases its windows cover: a short window then works in a tree that stays
// in cache, and every run starts its sums afresh.
bool levelScores(const float* x, const float* flag, int32_t m, int32_t n, double maxAbs, Scores* out,
                 const ScanProgress& progress) {
  const int32_t starts = m - n + 1;
  out->score.assign(static_cast<size_t>(starts), std::numeric_limits<double>::quiet_NaN());
  float lo = std::numeric_limits<float>::infinity(), hi = -lo;
  for (int32_t k = 0; k < m; ++k)
    if (finite(x[k])) {
      lo = std::min(lo, x[k]);
      hi = std::max(hi, x[k]);
    }
  if (!(lo <= hi)) lo = hi = 0.0f;
  const double mid = static_cast<float>(0.5 * (static_cast<double>(lo) + static_cast<double>(hi)));
  const double spread = std::max(std::fabs(lo - mid), std::fabs(hi - mid));
  const double recip = 1.0f / static_cast<float>(n);
  const double dn = n;
  const int32_t run = static_cast<int32_t>(std::min<int64_t>(starts, std::max<int64_t>(int64_t{4} * n, 65536)));

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

    RankTree tree(static_cast<size_t>(cases));
    PairSum s;
    int32_t bad = 0, flagged = 0;
    for (int32_t k = 0; k < n; ++k) {
      tree.set(rank[static_cast<size_t>(k)], static_cast<double>(v[static_cast<size_t>(k)]) - mid);
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
        tree.add(ro, -(static_cast<double>(v[static_cast<size_t>(leaving)]) - mid), -1);
        tree.add(ri, static_cast<double>(v[static_cast<size_t>(entering)]) - mid, 1);
        if (!finite(x[st - 1])) --bad;
        else s.add(-static_cast<double>(x[st - 1]));
        if (!finite(x[st + n - 1])) ++bad;
        else s.add(x[st + n - 1]);
        if (flag) flagged += (flag[st + n - 1] != 0.0f) - (flag[st - 1] != 0.0f);
      }
      if (bad == 0 && flagged == 0) {
        const double mean = s.value() * recip;
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
        double sumBelow = 0.0;
        tree.prefix(p, &below, &sumBelow);
        for (size_t r = p / RankTree::kBucket * RankTree::kBucket; r < p; ++r) {
          const uint32_t k = caseOf[r];
          if (k >= static_cast<uint32_t>(local) && k < static_cast<uint32_t>(local + n)) {
            ++below;
            sumBelow += static_cast<double>(sorted[r]) - mid;
          }
        }
        const double total = s.value() - dn * mid;
        out->score[static_cast<size_t>(st)] =
            total - 2.0 * sumBelow + (2.0 * static_cast<double>(below) - dn) * (mean - mid);
      }
      if (st > 0 && st % kProgressEvery == 0 && !reportProgress(progress, st, starts)) return false;
    }
  }
  // Per window: the definition's sum (through the mean, n times) and its
  // sum of deviations; the tree's sums after every update of its run.
  const double levels = std::ceil(std::log2(static_cast<double>(largestRun) + 1.0)) + 1.0 + RankTree::kBucket;
  const double updates = static_cast<double>(n) + 2.0 * run + 2.0;
  out->bound = 8.0 * kUnit * dn * maxAbs * (2.0 * dn + 8.0) * 1.001 +
               8.0 * kUnit * levels * (updates + 2.0) * dn * spread * 1.001 +
               64.0 * run * kUnit * kUnit * dn * maxAbs * dn;
  return true;
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
  double maxAbs = 0.0;
  for (int32_t k = 0; k < m; ++k)
    if (finite(x[k])) maxAbs = std::max(maxAbs, std::fabs(static_cast<double>(x[k])));

  Scores sc;
  bool done = false;
  bool largest = false;
  switch (req.kind) {
    case ScanKind::Minimum: done = sumScores(x, flag, m, n, maxAbs, &sc, progress); break;
    case ScanKind::Maximum:
      done = sumScores(x, flag, m, n, maxAbs, &sc, progress);
      largest = true;
      break;
    case ScanKind::MostLevel: done = levelScores(x, flag, m, n, maxAbs, &sc, progress); break;
    case ScanKind::MostVariable:
      done = req.variant == 1 ? pointScores(x, flag, m, n, maxAbs, &sc, progress)
                              : levelScores(x, flag, m, n, maxAbs, &sc, progress);
      largest = true;
      break;
  }
  if (!done) return ScanStatus::Cancelled;

  // The definition's sentinels: sums at or beyond 9e30 never win; a variable
  // window must score above 0.
  const bool sums = req.kind == ScanKind::Minimum || req.kind == ScanKind::Maximum;
  double best = std::numeric_limits<double>::quiet_NaN();
  for (double f : sc.score) {
    if (std::isnan(f)) continue;
    if (sums && (largest ? f <= -9e30 : f >= 9e30)) continue;
    if (std::isnan(best) || (largest ? f > best : f < best)) best = f;
  }
  if (std::isnan(best)) return ScanStatus::NoWindow;
  if (req.kind == ScanKind::MostVariable && best <= 2.0 * sc.bound) return ScanStatus::NoWindow;
  const double edge = largest ? best - 2.0 * sc.bound : best + 2.0 * sc.bound;
  for (size_t i = 0; i < sc.score.size(); ++i) {
    const double f = sc.score[i];
    if (std::isnan(f) || (largest ? f < edge : f > edge)) continue;
    if (sums && (largest ? f <= -9e30 : f >= 9e30)) continue;
    out->begin = first + static_cast<int32_t>(i);
    out->score = f;
    out->bound = sc.bound;
    return ScanStatus::Ok;
  }
  return ScanStatus::NoWindow;
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
  float lo = 1e30f, hi = -1e30f;
  double ss = 0.0;
  for (int32_t k = begin; k < begin + length; ++k) {
    const float v = data[static_cast<size_t>(k)];
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    ss += (v - w.mean) * (v - w.mean);
  }
  w.mi = lo;
  w.ma = hi;
  w.sd = static_cast<float>(std::sqrt(ss / length));
  return w;
}

std::string ScanResultLine(ScanKind kind, int16_t channel, int32_t begin, int32_t length) {
  return std::string(InfoOfScan(kind).label) + " for channel" + IntText(channel) + " at cases" +
         IntText(int64_t{begin} + 1) + " to" + IntText(int64_t{begin} + length);
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
  nrPoints = MMLpoints;
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
