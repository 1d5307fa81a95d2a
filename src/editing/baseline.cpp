#include "editing/baseline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "datafiles/timescale.h"
#include "platform/cpu.h"
#include "shell/textutil.h"

namespace {

struct Span {
  int32_t b, e;  // empty when b > e
};

// The two picks as disjoint spans inside the channel: an overlap counts once.
void pickSpans(int32_t nCases, int32_t b1, int32_t e1, int32_t b2, int32_t e2, Span* s1, Span* s2) {
  s1->b = std::max(b1, 0);
  s1->e = std::min(e1, nCases);
  s2->b = std::max({b2, e1 + 1, 0});
  s2->e = std::min(e2, nCases);
}

int64_t count(Span s) { return s.e >= s.b ? int64_t{s.e} - s.b + 1 : 0; }

// Sum of b..e as a double: exact for any span of a channel.
double caseSum(Span s) { return count(s) == 0 ? 0.0 : (static_cast<double>(s.b) + s.e) * static_cast<double>(count(s)) * 0.5; }

[[gnu::always_inline]] inline double valueSum(const float* d, Span s) {
  double l0 = 0.0, l1 = 0.0, l2 = 0.0, l3 = 0.0;
  int32_t k = s.b;
  for (; k + 3 <= s.e; k += 4) {
    l0 += d[k];
    l1 += d[k + 1];
    l2 += d[k + 2];
    l3 += d[k + 3];
  }
  for (; k <= s.e; ++k) l0 += d[k];
  return (l0 + l1) + (l2 + l3);
}

[[gnu::always_inline]] inline bool finite(float v) { return std::fabs(v) <= std::numeric_limits<float>::max(); }

// Values that are not numbers (NaN, infinities) in a span: none in the
// common case, which then keeps the plain sums.
// Counted from the exponent bits, all set only for those, so that the count
// packs into vectors.
[[gnu::always_inline]] inline int64_t notNumbers(const float* d, Span s) {
  const auto notNumber = [](const float* p) __attribute__((always_inline)) {
    uint32_t bits;
    std::memcpy(&bits, p, sizeof bits);
    return (bits & 0x7f800000u) == 0x7f800000u ? 1 : 0;
  };
  int64_t n = 0;
  int32_t k = s.b;
  constexpr int kLanes = 8;
  for (; k + kLanes - 1 <= s.e; k += kLanes) {
    int32_t c = 0;
    for (int j = 0; j < kLanes; ++j) c += notNumber(d + k + j);
    n += c;
  }
  for (; k <= s.e; ++k) n += notNumber(d + k);
  return n;
}

// Count, case sum and value sum of the numbers of a span.
void numberSums(const float* d, Span s, int64_t* n, double* cases, double* values) {
  for (int32_t k = s.b; k <= s.e; ++k) {
    if (!finite(d[k])) continue;
    ++*n;
    *cases += k;
    *values += d[k];
  }
}

// Eight fixed lanes so that the compiler can pack the conversions and the
// double sums; the lanes merge at the end. With skip, values that are not
// numbers are left out.
template <bool skip>
[[gnu::always_inline]] inline void deviations(const float* d, Span s, float mx, float my, RegressionSums* acc) {
  constexpr int kLanes = 8;
  double xx[kLanes] = {}, xy[kLanes] = {}, yy[kLanes] = {};
  int32_t k = s.b;
  if (!skip) {
    // The eight lanes as two vectors of four doubles each, written out, as
    // the compiler left them scattered over the stack.
    using F8 = float __attribute__((vector_size(32)));
    using I8 = int32_t __attribute__((vector_size(32)));
    using D4 = double __attribute__((vector_size(32)));
    D4 xxLo = {}, xxHi = {}, xyLo = {}, xyHi = {}, yyLo = {}, yyHi = {};
    const I8 steps = {0, 1, 2, 3, 4, 5, 6, 7};
    for (; k + kLanes - 1 <= s.e; k += kLanes) {
      F8 y;
      std::memcpy(&y, d + k, sizeof y);
      const F8 dx = __builtin_convertvector(k + steps, F8) - mx, dy = y - my;
      const D4 xl = __builtin_convertvector(__builtin_shufflevector(dx, dx, 0, 1, 2, 3), D4);
      const D4 xh = __builtin_convertvector(__builtin_shufflevector(dx, dx, 4, 5, 6, 7), D4);
      const D4 yl = __builtin_convertvector(__builtin_shufflevector(dy, dy, 0, 1, 2, 3), D4);
      const D4 yh = __builtin_convertvector(__builtin_shufflevector(dy, dy, 4, 5, 6, 7), D4);
      xxLo += xl * xl;
      xxHi += xh * xh;
      xyLo += xl * yl;
      xyHi += xh * yh;
      yyLo += yl * yl;
      yyHi += yh * yh;
    }
    for (int j = 0; j < 4; ++j) {
      xx[j] = xxLo[j], xx[j + 4] = xxHi[j];
      xy[j] = xyLo[j], xy[j + 4] = xyHi[j];
      yy[j] = yyLo[j], yy[j + 4] = yyHi[j];
    }
  }
  for (; k <= s.e; ++k) {
    if (skip && !finite(d[k])) continue;
    const float dx = static_cast<float>(k) - mx, dy = d[k] - my;
    xx[0] += static_cast<double>(dx) * dx;
    xy[0] += static_cast<double>(dx) * dy;
    yy[0] += static_cast<double>(dy) * dy;
  }
  for (int j = 0; j < kLanes; ++j) {
    acc->sumx2 += xx[j];
    acc->sumxy += xy[j];
    acc->sumy2 += yy[j];
  }
}

}  // namespace

const char* BaselineStatusText(BaselineStatus s) {
  switch (s) {
    case BaselineStatus::Ok: return "";
    case BaselineStatus::TooFewCases: return "The baseline needs at least two cases to fit a line through.";
    case BaselineStatus::FlatCases: return "The picked cases all lie at one case: no baseline slope can be found.";
    case BaselineStatus::TooFewRegions: return "A periodic baseline needs at least two baseline regions.";
    case BaselineStatus::TooManyRegions: return "No more than 32,301 baseline blocks or regions can be used.";
    case BaselineStatus::SpacingTooSmall: return "The baselines must lie at least one case apart.";
    case BaselineStatus::NoNumbers:
      return "A baseline block holds no numbers (or only values too large to fit a line through): the channel was "
             "not changed.";
  }
  return "";
}

void OrderBaselinePicks(int32_t* b1, int32_t* e1, int32_t* b2, int32_t* e2) {
  if (*b2 < *b1 || (*b2 == *b1 && *e2 < *e1)) {
    std::swap(*b1, *b2);
    std::swap(*e1, *e2);
  }
}

namespace {

// The passes of the fit and of the subtraction are built twice, for any
// x86-64 and for AVX2, which packs twice the doubles per step: each case's
// steps, and the order of every sum, are the same in both.
[[gnu::always_inline]] inline BaselineStatus regressionBody(const float* data, int32_t nCases, int32_t b1, int32_t e1,
                                                            int32_t b2, int32_t e2, BaselineLine* out,
                                                            RegressionSums* sums) {
  // Taken as picked, a second pick before the first was cut away as
  // overlapping it, and the line went through the first pick alone.
  OrderBaselinePicks(&b1, &e1, &b2, &e2);
  Span s1, s2;
  pickSpans(nCases, b1, e1, b2, e2, &s1, &s2);
  int64_t n = count(s1) + count(s2);
  if (n < 2) return BaselineStatus::TooFewCases;
  const int64_t missing1 = notNumbers(data, s1), missing2 = count(s2) ? notNumbers(data, s2) : 0;
  if ((count(s1) && missing1 == count(s1)) || (count(s2) && missing2 == count(s2))) return BaselineStatus::NoNumbers;
  float mx, my;
  RegressionSums acc;
  if (missing1 + missing2 == 0) {
    mx = static_cast<float>((caseSum(s1) + caseSum(s2)) / static_cast<double>(n));
    my = static_cast<float>((valueSum(data, s1) + (count(s2) ? valueSum(data, s2) : 0.0)) / static_cast<double>(n));
    if (count(s1)) deviations<false>(data, s1, mx, my, &acc);
    if (count(s2)) deviations<false>(data, s2, mx, my, &acc);
  } else {
    // A reading that is not a number would make the whole line NaN: it is
    // left out, as the other block commands leave it out.
    n = 0;
    double cases = 0.0, values = 0.0;
    numberSums(data, s1, &n, &cases, &values);
    if (count(s2)) numberSums(data, s2, &n, &cases, &values);
    if (n < 2) return BaselineStatus::TooFewCases;
    mx = static_cast<float>(cases / static_cast<double>(n));
    my = static_cast<float>(values / static_cast<double>(n));
    deviations<true>(data, s1, mx, my, &acc);
    if (count(s2)) deviations<true>(data, s2, mx, my, &acc);
  }
  if (!(acc.sumx2 > 0.0)) return BaselineStatus::FlatCases;
  const double b = acc.sumxy / acc.sumx2, a = my - mx * b;
  constexpr double kFloatMax = std::numeric_limits<float>::max();
  if (!(std::fabs(a) <= kFloatMax) || !(std::fabs(b) <= kFloatMax)) return BaselineStatus::NoNumbers;
  *out = {static_cast<float>(a), static_cast<float>(b)};
  if (sums) *sums = acc;
  return BaselineStatus::Ok;
}

[[gnu::always_inline]] inline void subtractBody(float* data, int32_t first, int32_t last, BaselineLine line) {
  const double a = line.a, b = line.b;
  constexpr int kLanes = 8;
  int32_t k = first;
  for (; k + kLanes - 1 <= last; k += kLanes) {
    const double k0 = k;
    for (int j = 0; j < kLanes; ++j) data[k + j] = static_cast<float>(data[k + j] - (a + b * (k0 + j)));
  }
  for (; k <= last; ++k) data[k] = static_cast<float>(data[k] - (a + b * k));
}

BaselineStatus regressionBase(const float* data, int32_t nCases, int32_t b1, int32_t e1, int32_t b2, int32_t e2,
                              BaselineLine* out, RegressionSums* sums) {
  return regressionBody(data, nCases, b1, e1, b2, e2, out, sums);
}

void subtractBase(float* data, int32_t first, int32_t last, BaselineLine line) { subtractBody(data, first, last, line); }

#if CORVIMET_X86_DISPATCH
[[gnu::target("avx2")]] BaselineStatus regressionAvx2(const float* data, int32_t nCases, int32_t b1, int32_t e1,
                                                      int32_t b2, int32_t e2, BaselineLine* out,
                                                      RegressionSums* sums) {
  return regressionBody(data, nCases, b1, e1, b2, e2, out, sums);
}

[[gnu::target("avx2")]] void subtractAvx2(float* data, int32_t first, int32_t last, BaselineLine line) {
  subtractBody(data, first, last, line);
}
#endif

}  // namespace

BaselineStatus BaselineRegression(const float* data, int32_t nCases, int32_t b1, int32_t e1, int32_t b2, int32_t e2,
                                  BaselineLine* out, RegressionSums* sums) {
#if CORVIMET_X86_DISPATCH
  if (CpuHasAvx2()) return regressionAvx2(data, nCases, b1, e1, b2, e2, out, sums);
#endif
  return regressionBase(data, nCases, b1, e1, b2, e2, out, sums);
}

BaselineStatus BaselineMean(const float* data, int32_t nCases, int32_t b, int32_t e, float* mean) {
  const Span s{std::max(b, 0), std::min(e, nCases)};
  if (count(s) == 0) return BaselineStatus::TooFewCases;
  const int64_t missing = notNumbers(data, s);
  double m;
  if (missing == 0) {
    m = valueSum(data, s) / static_cast<double>(count(s));
  } else {
    if (missing == count(s)) return BaselineStatus::NoNumbers;
    int64_t n = 0;
    double cases = 0.0, values = 0.0;
    numberSums(data, s, &n, &cases, &values);
    m = values / static_cast<double>(n);
  }
  *mean = static_cast<float>(m);
  return BaselineStatus::Ok;
}

void SubtractBaseline(float* data, int32_t first, int32_t last, BaselineLine line) {
#if CORVIMET_X86_DISPATCH
  if (CpuHasAvx2()) return subtractAvx2(data, first, last, line);
#endif
  subtractBase(data, first, last, line);
}

void SubtractSegments(float* data, int32_t nCases, const std::vector<BaselineRow>& rows) {
  const auto n = static_cast<int32_t>(rows.size());
  for (int32_t k = 2; k <= n; ++k) {
    const int32_t s = k == 2 ? 1 : rows[static_cast<size_t>(k - 2)].last;
    const int32_t e = k == n ? nCases : rows[static_cast<size_t>(k - 1)].last - 1;
    SubtractBaseline(data, std::max(s, 1), std::min(e, nCases), rows[static_cast<size_t>(k - 1)].line);
  }
}

BaselineStatus FitSegments(const float* data, int32_t nCases, std::vector<BaselineRow>* rows) {
  if (rows->size() < 2) return BaselineStatus::TooFewRegions;
  if (rows->size() > static_cast<size_t>(kMaxBaselineRows)) return BaselineStatus::TooManyRegions;
  for (size_t r = 1; r < rows->size(); ++r) {
    const BaselineRow& p = (*rows)[r - 1];
    BaselineRow& q = (*rows)[r];
    const BaselineStatus st =
        BaselineRegression(data, nCases, std::max(1, p.first), p.last, q.first, q.last, &q.line);
    if (st != BaselineStatus::Ok) return st;
  }
  return BaselineStatus::Ok;
}

float AutoBaselineCount(float n, int32_t nCases) {
  if (!(n >= 3.0f)) n = 3.0f;   // NaN too
  if (n > static_cast<float>(nCases) * 0.5f) n = static_cast<float>(nCases) * 0.5f - 1.0f;
  return n;
}

BaselineStatus AutoBaseline(const float* data, int32_t nCases, float n, int16_t end, BaselineLine* out) {
  if (nCases < kMinAutoBaselineCases) return BaselineStatus::TooFewCases;
  n = AutoBaselineCount(n, nCases);
  const auto first = static_cast<int32_t>(n);
  const auto m = static_cast<int32_t>(static_cast<float>(nCases) - n);
  if (end == kBaselineAtStart || end == kBaselineAtEnd) {
    float mean = 0.0f;
    const BaselineStatus st = end == kBaselineAtStart ? BaselineMean(data, nCases, 1, first, &mean)
                                                      : BaselineMean(data, nCases, m, nCases, &mean);
    if (st == BaselineStatus::Ok) *out = {mean, 0.0f};
    return st;
  }
  return BaselineRegression(data, nCases, 1, first, m, nCases, out);
}

BaselineLine TypedBaseline(float start, float end, int32_t nCases) {
  return {start, nCases > 0 ? (end - start) / static_cast<float>(nCases) : 0.0f};
}

CaseSpan PlusMinusSpan(int32_t c, int32_t n, int32_t nCases) {
  return {std::max(c - n, 1), std::min(c + n, nCases)};
}

std::vector<BaselineRow> RegionsAround(const std::vector<int32_t>& centres, int32_t nCases) {
  std::vector<BaselineRow> rows;
  for (int32_t c : centres) {
    BaselineRow r;
    r.first = std::max(c - 2, 1);
    r.last = std::min(c + 2, nCases);
    if (r.last - r.first + 1 >= 3) rows.push_back(r);
  }
  return rows;
}

std::vector<int32_t> MarkerCentres(const std::vector<MarkerRecord>& markers, int32_t nCases, int16_t labelCode,
                                   int16_t shift) {
  std::vector<int32_t> out;
  if (labelCode == 0) return out;
  for (const MarkerRecord& m : markers) {
    const int64_t c = int64_t{m.caseNumber} + shift;
    // Two markers of the code on one case make one region.
    if (c < nCases && MarkerCode16(m) == labelCode && (out.empty() || out.back() != c))
      out.push_back(static_cast<int32_t>(c));
  }
  return out;
}

BaselineStatus SpacedCentres(int32_t start, int32_t d, int32_t nCases, std::vector<int32_t>* out) {
  out->clear();
  if (d < 1) return BaselineStatus::SpacingTooSmall;
  for (int64_t c = start; c <= nCases; c += d) {
    if (out->size() > static_cast<size_t>(kMaxBaselineRows)) return BaselineStatus::TooManyRegions;
    out->push_back(static_cast<int32_t>(c));
  }
  return BaselineStatus::Ok;
}

int32_t IntervalSpacing(float minutes, float interval) {
  if (!(minutes > 0.0f) || !(interval > 0.0f)) return 0;
  // From the decimals typed, as the time-scale change does: 60 / 0.1f is
  // 599.99999 and a region would come one case earlier each minute.
  const double seconds = std::trunc(DecimalValue(minutes) * 60.0 * (1.0 + kWholeMargin));
  const double d = std::trunc(seconds / DecimalValue(interval) * (1.0 + kWholeMargin));
  return d > 2.0e9 ? 0 : static_cast<int32_t>(d);
}

BaselineStatus PeriodicBaseline(float* data, int32_t nCases, const std::vector<int32_t>& centres, int32_t* regions) {
  std::vector<BaselineRow> rows = RegionsAround(centres, nCases);
  if (regions) *regions = static_cast<int32_t>(rows.size());
  const BaselineStatus st = FitSegments(data, nCases, &rows);
  if (st != BaselineStatus::Ok) return st;
  SubtractSegments(data, nCases, rows);
  return BaselineStatus::Ok;
}

int32_t TruncatedInRange(float v, int32_t lo, int32_t hi) {
  if (std::isnan(v)) v = 0.0f;
  const double t = std::trunc(static_cast<double>(v));
  return static_cast<int32_t>(std::clamp(t, static_cast<double>(lo), static_cast<double>(hi)));
}

void BaselineToScriptStep(const BaselineSettings& s, float* f) {
  for (int i = 4; i <= 10; ++i) f[i] = 0.0f;
  f[4] = s.method;
  f[7] = s.n;
  if (s.method == 8) {
    f[8] = s.road;
    if (s.road == kRoadMarkers) {
      f[5] = s.markerCode;
      f[6] = s.shift;
    } else {
      f[9] = static_cast<float>(s.spacing);
      f[10] = static_cast<float>(s.start);
    }
  } else {
    f[5] = s.a;
    f[6] = s.b;
    f[8] = s.ends;
  }
}

BaselineSettings BaselineFromScriptStep(const float* f) {
  BaselineSettings s;
  // A step read from a file may hold anything: every conversion is held.
  s.method = static_cast<int16_t>(TruncatedInRange(f[4], 0, 99));
  s.n = f[7];
  if (s.method == 8) {
    s.road = static_cast<int16_t>(TruncatedInRange(f[8], 0, 99));
    if (s.road == kRoadMarkers) {
      s.markerCode = static_cast<int16_t>(TruncatedInRange(f[5], -32768, 32767));
      s.shift = static_cast<int16_t>(TruncatedInRange(f[6], -32768, 32767));
    } else {
      s.spacing = TruncatedInRange(f[9], 0, 2000000000);
      s.start = TruncatedInRange(f[10], 0, 2000000000);
    }
  } else {
    s.a = f[5];
    s.b = f[6];
    const int16_t ends = static_cast<int16_t>(TruncatedInRange(f[8], 0, 99));
    s.ends = ends >= 12 && ends <= 14 ? ends : int16_t{0};
  }
  return s;
}

std::string BlockSetLogText(int32_t b, int32_t e, float v) {
  return "block from" + NumText(b) + " to" + NumText(e) + " changed to" + NumText(v);
}
