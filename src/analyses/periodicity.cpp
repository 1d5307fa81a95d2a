#include "analyses/periodicity.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "output/results.h"
#include "output/stats.h"
#include "platform/macroman.h"
#include "shell/textutil.h"

namespace {

// A window sum of squares this small beside the block's is rounding left
// over from a window of equal values.
constexpr double kNoSpread = 1e-13;

}  // namespace

std::string SignificantText(double v, int digits) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*g", std::clamp(digits, 1, 15), v);
  std::string s = buf;
  return (v >= 0.0 ? " " : "") + s;
}

const char* PeriodicityStatusText(PeriodicityStatus s) {
  switch (s) {
    case PeriodicityStatus::Ok: return "";
    case PeriodicityStatus::BadSpan: return "the block lies outside the channel";
    case PeriodicityStatus::Negative: return "the starting lag and the step size cannot be negative";
    case PeriodicityStatus::NoSteps:
      return "the block is too short for even one step of this size after the starting lag";
    case PeriodicityStatus::NoVariation: return "no variation: every value of the block is the same";
    case PeriodicityStatus::Cancelled: return "cancelled";
  }
  return "";
}

StepCount CutStepCount(int32_t first, int32_t last, int32_t lag, int32_t step, int32_t K) {
  const int64_t l = lag == 0 ? 1 : lag, s = step == 0 ? 1 : step;
  const int64_t available = static_cast<int64_t>(last) - first - l;
  StepCount c{K, false};
  if (available < int64_t{K} * s) {
    c.K = static_cast<int32_t>(available / s);
    c.reduced = true;
  }
  return c;
}

PeriodicityStatus RunPeriodicity(std::span<const float> y, const PeriodicityRequest& req,
                                 std::vector<PeriodicityRow>* rows, const PeriodicityProgress& progress) {
  rows->clear();
  const int32_t first = std::min(req.first, req.last), last = std::max(req.first, req.last);
  if (first < 0 || static_cast<size_t>(last) >= y.size()) return PeriodicityStatus::BadSpan;
  if (req.lag < 0 || req.step < 0) return PeriodicityStatus::Negative;
  if (req.K < 1) return PeriodicityStatus::NoSteps;
  const int64_t N = int64_t{last} - first + 1;
  const float* src = y.data() + first;
  const auto [lo, hi] = std::minmax_element(src, src + N);
  if (!(*lo < *hi)) return PeriodicityStatus::NoVariation;

  double mean = 0.0;
  for (int64_t i = 0; i < N; ++i) mean += src[i];
  mean /= static_cast<double>(N);
  std::vector<double> w(static_cast<size_t>(N));
  double T = 0.0, Q = 0.0;
  for (int64_t i = 0; i < N; ++i) {
    const double v = src[i] - mean;
    w[static_cast<size_t>(i)] = v;
    T += v;
    Q += v * v;
  }
  // Sums of the first d (head) and last d (tail) values, grown with d.
  int64_t grown = 0;
  double head = 0.0, head2 = 0.0, tail = 0.0, tail2 = 0.0;

  std::vector<PeriodicityRow> out;
  out.reserve(static_cast<size_t>(req.K));
  for (int32_t k = 1; k <= req.K; ++k) {
    PeriodicityRow r;
    const int64_t d = int64_t{k} * req.step + req.lag;
    r.time = static_cast<float>(static_cast<double>(d) * req.dt);
    const int64_t n = N - d;
    r.n = static_cast<int32_t>(std::max<int64_t>(n, 0));
    r.r2 = r.b = std::numeric_limits<float>::quiet_NaN();
    if (n > 0) {
      const double* a = w.data();
      const double* c = w.data() + d;
      double sx, sx2, sy, sy2;
      if (n <= d) {
        // A short window: its own sums, no difference of large ones.
        sx = sx2 = sy = sy2 = 0.0;
        for (int64_t i = 0; i < n; ++i) {
          sx += a[i];
          sx2 += a[i] * a[i];
          sy += c[i];
          sy2 += c[i] * c[i];
        }
      } else {
        for (; grown < d; ++grown) {
          const double h = w[static_cast<size_t>(grown)], t = w[static_cast<size_t>(N - 1 - grown)];
          head += h;
          head2 += h * h;
          tail += t;
          tail2 += t * t;
        }
        sx = T - tail;
        sx2 = Q - tail2;
        sy = T - head;
        sy2 = Q - head2;
      }
      double p[4] = {};
      int64_t i = 0;
      for (; i + 4 <= n; i += 4) {
        p[0] += a[i] * c[i];
        p[1] += a[i + 1] * c[i + 1];
        p[2] += a[i + 2] * c[i + 2];
        p[3] += a[i + 3] * c[i + 3];
      }
      for (; i < n; ++i) p[0] += a[i] * c[i];
      const double sxy = (p[0] + p[1]) + (p[2] + p[3]);
      const auto nn = static_cast<double>(n);
      r.sxx = sx2 - sx * sx / nn;
      r.syy = sy2 - sy * sy / nn;
      r.sxy = sxy - sx * sy / nn;
      if (r.sxx <= kNoSpread * Q) r.sxx = 0.0;
      if (r.syy <= kNoSpread * Q) r.syy = 0.0;
      if (r.sxx > 0.0) r.b = static_cast<float>(r.sxy / r.sxx);
      if (r.sxx > 0.0 && r.syy > 0.0) r.r2 = static_cast<float>(r.sxy * r.sxy / r.sxx / r.syy);
    }
    out.push_back(r);
    if (progress && !progress(k)) return PeriodicityStatus::Cancelled;
  }
  *rows = std::move(out);
  return PeriodicityStatus::Ok;
}

PeriodicityBest BestStep(const std::vector<PeriodicityRow>& rows) {
  PeriodicityBest b;
  for (const PeriodicityRow& r : rows)
    if (r.r2 > b.maxR2) b.maxR2 = r.r2;
  if (!(b.maxR2 > 0.0f)) return b;
  for (size_t k = rows.size(); k >= 1; --k) {
    if (50.0 * rows[k - 1].r2 / b.maxR2 > 49.999) {
      b.k = static_cast<int32_t>(k);
      break;
    }
  }
  return b;
}

float PeakThreshold(float typed) {
  return typed >= 1.0f || typed == 0.0f || std::isnan(typed) ? kDefaultPeakThreshold : typed;
}

std::vector<int32_t> OtherPeaks(const std::vector<PeriodicityRow>& rows, float maxR2, float threshold, int limit) {
  std::vector<int32_t> peaks;
  const float t = PeakThreshold(threshold);
  for (size_t k = 2; k + 1 <= rows.size() && static_cast<int>(peaks.size()) < limit; ++k) {
    const float r = rows[k - 1].r2;
    if (r > rows[k - 2].r2 && r > rows[k].r2 && r < maxR2 && r > t) peaks.push_back(static_cast<int32_t>(k));
  }
  return peaks;
}

int32_t AxisTickInterval(int32_t K) {
  if (K == 50 || K == 100) return 25;
  if (K == 200) return 50;
  return std::max<int32_t>(1, K / 5);
}

int32_t PairsPerRegression(int32_t first, int32_t last, int32_t lag, int32_t step, int32_t K) {
  return static_cast<int32_t>((int64_t{last} - first - lag + 1) - int64_t{K} * step / 2);
}

TimeText PeriodicityTime(double t, TimeTextUse use) {
  const bool axis = use == TimeTextUse::Axis, peaks = use == TimeTextUse::Peaks;
  if (t < 600.0) return {t, use == TimeTextUse::BestLong ? " seconds" : " sec"};
  if (t < 7200.0) return {t / 60.0, axis || peaks ? " min" : " minutes"};
  if (t < 86400.0) return {t / 3600.0, axis ? " hr" : " hours"};
  return {t / 86400.0, " days"};
}

std::string PeriodicityTimeText(double seconds, TimeTextUse use, int digits) {
  const TimeText t = PeriodicityTime(seconds, use);
  return SignificantText(t.value, digits) + t.unit;
}

std::string PeriodicitySummaryText(const std::vector<PeriodicityRow>& rows) {
  std::string s = "lag time (s)\tr-squared\tslope\tn\n";
  for (const PeriodicityRow& r : rows)
    s +=
        FieldNumText(r.time) + "\t" + FieldNumText(r.r2) + "\t" + FieldNumText(r.b) + "\t" + std::to_string(r.n) + "\n";
  return plat::toDiskText(s);
}

bool TestBestStep(const PeriodicityRow& row) {
  sumx2 = row.sxx;
  sumy2 = row.syy;
  sumxy = row.sxy;
  rsquared = row.r2;
  ValueOfB = row.b;
  nPoints = row.n;
  slope = 0.0f;
  if (row.n < 3 || !(row.sxx > 0.0)) return false;
  TestSlope();
  return !std::isnan(prob);
}
