#include "editing/baseline.h"

#include <algorithm>
#include <cmath>

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

double valueSum(const float* d, Span s) {
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

// Eight fixed lanes so that the compiler can pack the conversions and the
// double sums; the lanes merge at the end.
void deviations(const float* d, Span s, float mx, float my, RegressionSums* acc) {
  constexpr int kLanes = 8;
  double xx[kLanes] = {}, xy[kLanes] = {}, yy[kLanes] = {};
  int32_t k = s.b;
  for (; k + kLanes - 1 <= s.e; k += kLanes) {
    for (int j = 0; j < kLanes; ++j) {
      const float dx = static_cast<float>(k + j) - mx, dy = d[k + j] - my;
      xx[j] += static_cast<double>(dx) * dx;
      xy[j] += static_cast<double>(dx) * dy;
      yy[j] += static_cast<double>(dy) * dy;
    }
  }
  for (; k <= s.e; ++k) {
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
  }
  return "";
}

BaselineStatus BaselineRegression(const float* data, int32_t nCases, int32_t b1, int32_t e1, int32_t b2, int32_t e2,
                                  BaselineLine* out, RegressionSums* sums) {
  Span s1, s2;
  pickSpans(nCases, b1, e1, b2, e2, &s1, &s2);
  const int64_t n = count(s1) + count(s2);
  if (n < 2) return BaselineStatus::TooFewCases;
  const auto mx = static_cast<float>((caseSum(s1) + caseSum(s2)) / static_cast<double>(n));
  const auto my = static_cast<float>((valueSum(data, s1) + (count(s2) ? valueSum(data, s2) : 0.0)) / static_cast<double>(n));
  RegressionSums acc;
  if (count(s1)) deviations(data, s1, mx, my, &acc);
  if (count(s2)) deviations(data, s2, mx, my, &acc);
  if (!(acc.sumx2 > 0.0)) return BaselineStatus::FlatCases;
  const double b = acc.sumxy / acc.sumx2;
  out->b = static_cast<float>(b);
  out->a = static_cast<float>(my - mx * b);
  if (sums) *sums = acc;
  return BaselineStatus::Ok;
}

float BaselineMean(const float* data, int32_t nCases, int32_t b, int32_t e) {
  const Span s{std::max(b, 0), std::min(e, nCases)};
  if (count(s) == 0) return 0.0f;
  return static_cast<float>(valueSum(data, s) / static_cast<double>(count(s)));
}

void SubtractBaseline(float* data, int32_t first, int32_t last, BaselineLine line) {
  const double a = line.a, b = line.b;
  constexpr int kLanes = 8;
  int32_t k = first;
  for (; k + kLanes - 1 <= last; k += kLanes) {
    const double k0 = k;
    for (int j = 0; j < kLanes; ++j) data[k + j] = static_cast<float>(data[k + j] - (a + b * (k0 + j)));
  }
  for (; k <= last; ++k) data[k] = static_cast<float>(data[k] - (a + b * k));
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
    *out = {end == kBaselineAtStart ? BaselineMean(data, nCases, 1, first) : BaselineMean(data, nCases, m, nCases),
            0.0f};
    return BaselineStatus::Ok;
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
    if (c < nCases && MarkerCode16(m) == labelCode) out.push_back(static_cast<int32_t>(c));
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
  const double d = std::trunc(std::trunc(static_cast<double>(minutes) * 60.0) / interval);
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
  }
  return s;
}

std::string BlockSetLogText(int32_t b, int32_t e, float v) {
  return "block from" + NumText(b) + " to" + NumText(e) + " changed to" + NumText(v);
}
