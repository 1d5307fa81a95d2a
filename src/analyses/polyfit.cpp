#include "analyses/polyfit.h"

#include <algorithm>
#include <cmath>

#include "output/results.h"
#include "shell/textutil.h"

double r2 = 0.0;

namespace {

// An orthogonal polynomial whose sum of squares falls this far below the
// previous one's is rounding noise: the data hold no more distinct X values.
constexpr double kVanishingRatio = 1e-24;

}  // namespace

const char* PolyStatusText(PolyStatus s) {
  switch (s) {
    case PolyStatus::Ok: return "";
    case PolyStatus::BadSpan: return "the block lies outside the channels";
    case PolyStatus::BadDegree: return "the degree must be 1 to 9";
    case PolyStatus::Degenerate: return "too few distinct X values for this degree";
  }
  return "";
}

PolyStatus FitPolynomial(std::span<const float> x, std::span<const float> y, int32_t first, int32_t last,
                         int degree, PolyFit* out) {
  if (degree < 1 || degree > kMaxPolyDegree) return PolyStatus::BadDegree;
  if (first > last) std::swap(first, last);
  if (first < 0 || static_cast<size_t>(last) >= x.size() || static_cast<size_t>(last) >= y.size())
    return PolyStatus::BadSpan;
  const int32_t n = last - first + 1;
  if (n < degree + 1) return PolyStatus::Degenerate;
  const float* xs = x.data() + first;
  const float* ys = y.data() + first;

  double sx = 0.0, sy = 0.0;
  float xMin = xs[0], xMax = xs[0];
  for (int32_t i = 0; i < n; ++i) {
    sx += xs[i];
    sy += ys[i];
    xMin = std::min(xMin, xs[i]);
    xMax = std::max(xMax, xs[i]);
  }
  const double yMean = sy / n;
  // t = (x - centre) / half-range keeps every p_j of order one.
  const double centre = 0.5 * (static_cast<double>(xMin) + xMax);
  const double half = 0.5 * (static_cast<double>(xMax) - xMin);
  if (!(half > 0.0)) return PolyStatus::Degenerate;
  const double inv = 1.0 / half;

  // alpha[j], beta[j] of p_j = (t - alpha_j) p_{j-1} - beta_j p_{j-2}.
  double alpha[kMaxPolyDegree + 2] = {}, beta[kMaxPolyDegree + 2] = {};
  double S[kMaxPolyDegree + 1] = {};
  S[0] = n;
  alpha[1] = (sx / n - centre) * inv;
  // Monic power coefficients in t of p_{j-2}, p_{j-1}, p_j, and the fit K.
  double pm2[kMaxPolyDegree + 1] = {}, pm1[kMaxPolyDegree + 1] = {}, pj[kMaxPolyDegree + 1] = {};
  long double K[kMaxPolyDegree + 1] = {};
  pm1[0] = 1.0;
  K[0] = yMean;
  double syy = 0.0;
  for (int j = 1; j <= degree; ++j) {
    double sPj = 0.0, stPj = 0.0, syPj = 0.0, sYY = 0.0;
    for (int32_t i = 0; i < n; ++i) {
      const double t = (xs[i] - centre) * inv;
      double p2 = 0.0, p1 = 1.0;
      for (int m = 1; m <= j; ++m) {
        const double p = (t - alpha[m]) * p1 - beta[m] * p2;
        p2 = p1;
        p1 = p;
      }
      const double dy = ys[i] - yMean;
      const double pp = p1 * p1;
      sPj += pp;
      stPj += t * pp;
      syPj += dy * p1;
      sYY += dy * dy;
    }
    if (j == 1) syy = sYY;
    if (!(sPj > kVanishingRatio * S[j - 1]) || !std::isfinite(sPj)) return PolyStatus::Degenerate;
    S[j] = sPj;
    alpha[j + 1] = stPj / sPj;
    beta[j + 1] = sPj / S[j - 1];
    const double b = syPj / sPj;
    for (int m = 0; m <= j; ++m) {
      pj[m] = (m > 0 ? pm1[m - 1] : 0.0) - alpha[j] * pm1[m] - beta[j] * pm2[m];
      K[m] += static_cast<long double>(b) * pj[m];
    }
    std::copy(pm1, pm1 + kMaxPolyDegree + 1, pm2);
    std::copy(pj, pj + kMaxPolyDegree + 1, pm1);
  }

  // Back to powers of x: sum_p K_p ((x - c) / h)^p.
  PolyFit f;
  f.degree = degree;
  f.n = n;
  {
    long double binom[kMaxPolyDegree + 1][kMaxPolyDegree + 1] = {};
    for (int p = 0; p <= degree; ++p) {
      binom[p][0] = 1.0L;
      for (int q = 1; q <= p; ++q) binom[p][q] = binom[p - 1][q - 1] + (q <= p - 1 ? binom[p - 1][q] : 0.0L);
    }
    const long double c = centre, hinv = 1.0L / static_cast<long double>(half);
    for (int q = 0; q <= degree; ++q) {
      long double acc = 0.0L;
      for (int p = q; p <= degree; ++p) {
        long double term = K[p] * binom[p][q];
        for (int e = 0; e < p - q; ++e) term *= -c;
        for (int e = 0; e < p; ++e) term *= hinv;
        acc += term;
      }
      f.power[static_cast<size_t>(q)] = static_cast<double>(acc);
    }
  }

  // Residuals through the t basis; means and SDs as the panel shows them.
  const auto mx = static_cast<float>(sx / n), my = static_cast<float>(yMean);
  double ssRes = 0.0, sxx = 0.0, syy2 = 0.0;
  for (int32_t i = 0; i < n; ++i) {
    const double t = (xs[i] - centre) * inv;
    long double v = K[degree];
    for (int m = degree - 1; m >= 0; --m) v = v * t + K[m];
    const double r = static_cast<double>(v) - ys[i];
    ssRes += r * r;
    const float dx = xs[i] - mx, dy = ys[i] - my;
    sxx += static_cast<double>(dx) * dx;
    syy2 += static_cast<double>(dy) * dy;
  }
  f.meanX = mx;
  f.meanY = my;
  f.sdX = static_cast<float>(std::sqrt(sxx / n));
  f.sdY = static_cast<float>(std::sqrt(syy2 / n));
  f.residualVariance = n > degree + 1 ? ssRes / (n - degree - 1) : 0.0;
  f.r2 = syy == 0.0 ? 1.0 : std::max(0.0, 1.0 - ssRes / syy);
  *out = f;
  return PolyStatus::Ok;
}

PolySeries PolynomialSeries(std::span<const float> x, std::span<const float> y, int32_t first, int32_t last) {
  PolySeries s;
  float best = 0.0f;
  for (int d = 1; d <= kMaxPolyDegree; ++d) {
    PolyFit f;
    if (FitPolynomial(x, y, first, last, d, &f) != PolyStatus::Ok) {
      s.refused = true;
      s.shownDegree = d - 1;
      return s;
    }
    const auto r = static_cast<float>(f.r2);
    s.r2[static_cast<size_t>(d)] = r;
    if (r < best) {
      s.fell = true;
      s.shownDegree = d - 1;
      return s;
    }
    best = r;
  }
  s.shownDegree = kMaxPolyDegree;
  return s;
}

PolyAxis PolyHistogramAxis(const PolySeries& s) {
  float top = 0.0f;
  for (int d = 1; d <= kMaxPolyDegree; ++d) top = std::max(top, s.r2[static_cast<size_t>(d)]);
  PolyAxis a;
  a.lo = std::clamp(static_cast<int>(10.0f * s.r2[1]), 0, 9);
  a.hi = std::min(10, static_cast<int>((top + 0.1f) * 10.0f));
  if (a.hi < a.lo + 1) a.hi = a.lo + 1;
  return a;
}

bool PolynomialChannel(std::span<const float> x, std::span<const float> coef, std::span<float> out) {
  if (x.size() != out.size() || coef.empty()) return false;
  for (float c : coef)
    if (!std::isfinite(c)) return false;
  const size_t d = coef.size() - 1;
  for (size_t k = 0; k < x.size(); ++k) {
    float v = coef[0];
    const double xv = x[k];
    double pw = 1.0;
    for (size_t i = 1; i <= d; ++i) {
      pw *= xv;
      v = static_cast<float>(v + coef[i] * pw);
    }
    out[k] = v;
  }
  return true;
}

std::string PolynomialChannelLabel(int16_t yChannel, int16_t xChannel) {
  std::string s = "ch." + NumText(yChannel) + " as polynomial of ch." + NumText(xChannel);
  s.append(20, ' ');
  s.resize(30, ' ');
  return s;
}

void StorePolyFit(const PolyFit& fit) {
  std::fill(std::begin(cc), std::end(cc), 0.0);
  for (int i = 1; i <= fit.degree + 1; ++i) cc[i] = fit.power[static_cast<size_t>(fit.degree + 1 - i)];
  cc[15] = fit.r2;
  r2 = fit.r2;
}
