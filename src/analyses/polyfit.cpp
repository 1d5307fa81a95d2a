#include "analyses/polyfit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <cstring>
#include <new>

#include "output/results.h"
#include "platform/cpu.h"
#include "platform/lanes.h"
#include "shell/globals.h"
#include "shell/textutil.h"

double r2 = 0.0;

// The vector helpers are always inlined: how a 32-byte vector would be passed
// to a real call without AVX does not arise.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

// An orthogonal polynomial whose sum of squares falls this far below the
// previous one's is rounding noise: the data hold no more distinct X values.
constexpr double kVanishingRatio = 1e-24;

constexpr int kLanes = 4;

}  // namespace

const char* PolyStatusText(PolyStatus s) {
  switch (s) {
    case PolyStatus::Ok: return "";
    case PolyStatus::BadSpan: return "the block lies outside the channels";
    case PolyStatus::BadDegree: return "the degree must be 1 to 9";
    case PolyStatus::Degenerate: return "too few distinct X values for this degree";
    case PolyStatus::XNotANumber: return "the block of the X channel holds a value that is not a number";
    case PolyStatus::XInfinite: return "the block of the X channel holds an infinite value";
    case PolyStatus::YNotANumber: return "the block of the Y channel holds a value that is not a number";
    case PolyStatus::YInfinite: return "the block of the Y channel holds an infinite value";
  }
  return "";
}

namespace {

// The block, and one pass for its means and extremes (the one-pass fit
// does without it).
struct Block {
  const float* xs = nullptr;
  const float* ys = nullptr;
  int32_t n = 0;
  double sx = 0.0, yMean = 0.0, centre = 0.0, half = 0.0, inv = 0.0;
};

PolyStatus CheckBlock(std::span<const float> x, std::span<const float> y, int32_t first, int32_t last, int degree,
                      Block* b) {
  if (degree < 1 || degree > kMaxPolyDegree) return PolyStatus::BadDegree;
  if (first > last) std::swap(first, last);
  if (first < 0 || static_cast<size_t>(last) >= x.size() || static_cast<size_t>(last) >= y.size())
    return PolyStatus::BadSpan;
  const int32_t n = last - first + 1;
  if (n < degree + 1) return PolyStatus::Degenerate;
  b->xs = x.data() + first;
  b->ys = y.data() + first;
  b->n = n;
  return PolyStatus::Ok;
}

// The lanes of ScanBlock's loop in vector registers: each lane takes the
// same cases in the same order, so the sums and extremes come out the same
// to the bit. The compiler left the plain loop scalar, at half the speed of
// a pass over the memory.
using ScanD4 = double __attribute__((vector_size(32)));
using ScanF4 = float __attribute__((vector_size(16)));

[[gnu::always_inline]] inline void scanLanesBody(const float* xs, const float* ys, int32_t whole, double* lx,
                                                 double* ly, float* lo, float* hi) {
  ScanD4 sx = {}, sy = {};
  ScanF4 l = {lo[0], lo[1], lo[2], lo[3]}, h = {hi[0], hi[1], hi[2], hi[3]};
  for (int32_t i = 0; i < whole; i += kLanes) {
    if (i % 16 == 0) {
      lanes::prefetchAhead(xs + i);
      lanes::prefetchAhead(ys + i);
    }
    ScanF4 x, y;
    std::memcpy(&x, xs + i, sizeof x);
    std::memcpy(&y, ys + i, sizeof y);
    sx += __builtin_convertvector(x, ScanD4);
    sy += __builtin_convertvector(y, ScanD4);
    // std::min(lo, x) and std::max(hi, x): a NaN never displaces a bound.
    l = x < l ? x : l;
    h = h < x ? x : h;
  }
  for (int k = 0; k < kLanes; ++k) {
    lx[k] = sx[k];
    ly[k] = sy[k];
    lo[k] = l[k];
    hi[k] = h[k];
  }
}

void scanLanesBase(const float* xs, const float* ys, int32_t whole, double* lx, double* ly, float* lo, float* hi) {
  scanLanesBody(xs, ys, whole, lx, ly, lo, hi);
}

#if CORVIMET_X86_DISPATCH
[[gnu::target("avx2")]] void scanLanesAvx2(const float* xs, const float* ys, int32_t whole, double* lx, double* ly,
                                           float* lo, float* hi) {
  scanLanesBody(xs, ys, whole, lx, ly, lo, hi);
}
#endif

// Wide: the processor's wider instructions where it has them; otherwise (and
// for the tests' reference) the baseline loops.
thread_local bool gWideKernels = true;

PolyStatus ScanBlock(Block* b) {
  const float* xs = b->xs;
  const float* ys = b->ys;
  const int32_t n = b->n;
  // Lanes of independent sums, so the pass packs into vector registers.
  double lx[kLanes] = {}, ly[kLanes] = {};
  float lo[kLanes], hi[kLanes];
  std::fill(lo, lo + kLanes, xs[0]);
  std::fill(hi, hi + kLanes, xs[0]);
  const int32_t whole = n - n % kLanes;
  if (gWideKernels) {
#if CORVIMET_X86_DISPATCH
    if (CpuHasAvx2())
      scanLanesAvx2(xs, ys, whole, lx, ly, lo, hi);
    else
#endif
      scanLanesBase(xs, ys, whole, lx, ly, lo, hi);
  } else {
    for (int32_t i = 0; i < whole; i += kLanes)
      for (int l = 0; l < kLanes; ++l) {
        lx[l] += xs[i + l];
        ly[l] += ys[i + l];
        lo[l] = std::min(lo[l], xs[i + l]);
        hi[l] = std::max(hi[l], xs[i + l]);
      }
  }
  for (int32_t i = whole; i < n; ++i) {
    lx[0] += xs[i];
    ly[0] += ys[i];
    lo[0] = std::min(lo[0], xs[i]);
    hi[0] = std::max(hi[0], xs[i]);
  }
  double sx = 0.0, sy = 0.0;
  float xMin = lo[0], xMax = hi[0];
  for (int l = 0; l < kLanes; ++l) {
    sx += lx[l];
    sy += ly[l];
    xMin = std::min(xMin, lo[l]);
    xMax = std::max(xMax, hi[l]);
  }
  // t = (x - centre) / half-range keeps every p_j of order one.
  const double centre = 0.5 * (static_cast<double>(xMin) + xMax);
  const double half = 0.5 * (static_cast<double>(xMax) - xMin);
  if (!(half > 0.0)) return PolyStatus::Degenerate;
  *b = Block{xs, ys, n, sx, sy / n, centre, half, 1.0 / half};
  return PolyStatus::Ok;
}

// Coefficients K of the fit in powers of t back to powers of x, and the
// panel's statistics (ssRes, Syy and the sums of squares about the
// single-precision means are the caller's).
PolyFit Finish(const Block& b, int degree, const long double* K, double ssRes, double syy, double sxx,
               double syy2) {
  PolyFit f;
  f.degree = degree;
  f.n = b.n;
  long double binom[kMaxPolyDegree + 1][kMaxPolyDegree + 1] = {};
  for (int p = 0; p <= degree; ++p) {
    binom[p][0] = 1.0L;
    for (int q = 1; q <= p; ++q) binom[p][q] = binom[p - 1][q - 1] + (q <= p - 1 ? binom[p - 1][q] : 0.0L);
  }
  const long double c = b.centre, hinv = 1.0L / static_cast<long double>(b.half);
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
  const int32_t n = b.n;
  f.meanX = static_cast<float>(b.sx / n);
  f.meanY = static_cast<float>(b.yMean);
  f.sdX = static_cast<float>(std::sqrt(sxx / n));
  f.sdY = static_cast<float>(std::sqrt(syy2 / n));
  f.residualVariance = n > degree + 1 ? ssRes / (n - degree - 1) : 0.0;
  // A constant Y leaves nothing to explain (NaN, as the line fit gives);
  // NaN data stay NaN rather than a clamped 0.
  f.r2 = syy == 0.0 ? std::numeric_limits<double>::quiet_NaN() : 1.0 - ssRes / syy;
  if (f.r2 < 0.0) f.r2 = 0.0;
  return f;
}

// Sum of squared residuals through the t basis, in double: on t's -1..1
// the coefficients of the orthogonal fit are of the data's order.
double ResidualSum(const Block& b, int degree, const long double* K) {
  double k[kMaxPolyDegree + 1];
  for (int m = 0; m <= degree; ++m) k[m] = static_cast<double>(K[m]);
  double ssRes = 0.0;
  for (int32_t i = 0; i < b.n; ++i) {
    const double t = (b.xs[i] - b.centre) * b.inv;
    double v = k[degree];
    for (int m = degree - 1; m >= 0; --m) v = v * t + k[m];
    const double r = v - b.ys[i];
    ssRes += r * r;
  }
  return ssRes;
}

PolyStatus FitByPasses(const Block& b, int degree, PolyFit* out) {
  const int32_t n = b.n;
  const float* xs = b.xs;
  const float* ys = b.ys;
  const double centre = b.centre, inv = b.inv, yMean = b.yMean;

  // alpha[j], beta[j] of p_j = (t - alpha_j) p_{j-1} - beta_j p_{j-2}.
  double alpha[kMaxPolyDegree + 2] = {}, beta[kMaxPolyDegree + 2] = {};
  double S[kMaxPolyDegree + 1] = {};
  S[0] = n;
  alpha[1] = (b.sx / n - centre) * inv;
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
    const double bj = syPj / sPj;
    for (int m = 0; m <= j; ++m) {
      pj[m] = (m > 0 ? pm1[m - 1] : 0.0) - alpha[j] * pm1[m] - beta[j] * pm2[m];
      K[m] += static_cast<long double>(bj) * pj[m];
    }
    std::copy(pm1, pm1 + kMaxPolyDegree + 1, pm2);
    std::copy(pj, pj + kMaxPolyDegree + 1, pm1);
  }

  // Residuals through the t basis, in double; means and SDs as the panel
  // shows them.
  const auto mx = static_cast<float>(b.sx / n), my = static_cast<float>(yMean);
  double k[kMaxPolyDegree + 1];
  for (int m = 0; m <= degree; ++m) k[m] = static_cast<double>(K[m]);
  double ssRes = 0.0, sxx = 0.0, syy2 = 0.0;
  for (int32_t i = 0; i < n; ++i) {
    const double t = (xs[i] - centre) * inv;
    double v = k[degree];
    for (int m = degree - 1; m >= 0; --m) v = v * t + k[m];
    const double r = v - ys[i];
    ssRes += r * r;
    const float dx = xs[i] - mx, dy = ys[i] - my;
    sxx += static_cast<double>(dx) * dx;
    syy2 += static_cast<double>(dy) * dy;
  }
  *out = Finish(b, degree, K, ssRes, syy, sxx, syy2);
  return PolyStatus::Ok;
}

// Degrees the one-pass moments serve: their sums reach t^(2d), and beyond
// d = 2 the cancellation in forming p_j from them eats too many digits.
constexpr int kMomentDegree = 2;
// A sum of squares formed from moments must keep this share of the sum of
// the magnitudes it was formed from (about ten of double's sixteen digits),
// and so must the residual sum Syy - sum b_j^2 S_j; otherwise the passes
// (or one residual pass) do the work.
constexpr double kMomentKeep = 1e-6;

// Sums of t^k dy taken about Y's first case, moved to Y's mean (by delta);
// false where the spread about the mean keeps too few digits of the sums.
bool MoveToMeanOfY(double& syy, double* c, const double* m, int top, int32_t n, double* delta) {
  *delta = c[0] / n;
  const double about = syy - *delta * c[0];
  if (!(about >= kMomentKeep * syy)) return false;
  syy = about;
  c[0] = 0.0;
  for (int k = 1; k <= top; ++k) c[k] -= *delta * m[k];
  return true;
}
// Power sums of t and cross sums with y about its mean, over lanes of
// independent accumulators so the one pass packs into vector registers.
struct Moments {
  double m[2 * kMomentDegree + 1] = {};   // sum t^k, k = 1..2d (m[0] unused)
  double c[kMomentDegree + 1] = {};       // sum t^k dy
  double syy = 0.0, sxx = 0.0, syy2 = 0.0;
};

// Sums of t^k and of t^k (y - yShift), two cases at a time in vector
// registers (one register per sum, so none spill); with kRange, X's
// extremes too.
template <bool kRange>
Moments SumMoments(const float* xs, const float* ys, int32_t n, double centre, double inv, double yShift,
                   float* xMin, float* xMax) {
  using V = double __attribute__((vector_size(16)));
  const V vc = {centre, centre}, vi = {inv, inv}, vs = {yShift, yShift};
  V m1 = {}, m2 = {}, m3 = {}, m4 = {}, c0 = {}, c1 = {}, c2 = {}, yy = {};
  V lo = {xs[0], xs[0]}, hi = lo;
  const int32_t whole = n - n % 2;
  for (int32_t i = 0; i < whole; i += 2) {
    if (i % 16 == 0) {
      lanes::prefetchAhead(xs + i);
      lanes::prefetchAhead(ys + i);
    }
    const V x = {xs[i], xs[i + 1]};
    const V t = (x - vc) * vi;
    const V dy = V{ys[i], ys[i + 1]} - vs;
    const V t2 = t * t;
    m1 += t;
    m2 += t2;
    m3 += t2 * t;
    m4 += t2 * t2;
    c0 += dy;
    c1 += t * dy;
    c2 += t2 * dy;
    yy += dy * dy;
    if constexpr (kRange) {
      lo = x < lo ? x : lo;
      hi = x > hi ? x : hi;
    }
  }
  Moments r;
  r.m[1] = m1[0] + m1[1];
  r.m[2] = m2[0] + m2[1];
  r.m[3] = m3[0] + m3[1];
  r.m[4] = m4[0] + m4[1];
  r.c[0] = c0[0] + c0[1];
  r.c[1] = c1[0] + c1[1];
  r.c[2] = c2[0] + c2[1];
  r.syy = yy[0] + yy[1];
  double xLo = std::min(lo[0], lo[1]), xHi = std::max(hi[0], hi[1]);
  if (whole < n) {
    const double x = xs[whole], t = (x - centre) * inv, dy = ys[whole] - yShift, t2 = t * t;
    r.m[1] += t;
    r.m[2] += t2;
    r.m[3] += t2 * t;
    r.m[4] += t2 * t2;
    r.c[0] += dy;
    r.c[1] += t * dy;
    r.c[2] += t2 * dy;
    r.syy += dy * dy;
    xLo = std::min(xLo, x);
    xHi = std::max(xHi, x);
  }
  if constexpr (kRange) {
    *xMin = static_cast<float>(xLo);
    *xMax = static_cast<float>(xHi);
  }
  return r;
}

// Sums of squares about the single-precision means the panel shows, from
// moments taken about b's mean of y.
void PanelSums(const Block& b, Moments* r) {
  const int32_t n = b.n;
  const double tm = (static_cast<float>(b.sx / n) - b.centre) * b.inv;
  r->sxx = b.half * b.half * std::max(0.0, r->m[2] - 2.0 * tm * r->m[1] + n * tm * tm);
  const double e = static_cast<float>(b.yMean) - b.yMean;
  r->syy2 = std::max(0.0, r->syy - 2.0 * e * r->c[0] + n * e * e);
}

// Stieltjes on the moments: the same recurrence as the passes, with every
// inner product <p, q> = sum_kl p_k q_l M_(k+l). False when a sum of squares
// keeps too few digits, or vanishes.
bool FitFromMoments(const Block& b, const Moments& mo, int degree, PolyFit* out) {
  double M[2 * kMomentDegree + 1] = {};
  M[0] = b.n;
  for (int k = 1; k <= 2 * degree; ++k) M[k] = mo.m[k];
  // <t^s p, q> and the sum of the magnitudes of its terms.
  auto dot = [&](const double* p, const double* q, int dp, int dq, int s, double* mag) {
    double v = 0.0, a = 0.0;
    for (int k = 0; k <= dp; ++k)
      for (int l = 0; l <= dq; ++l) {
        const double term = p[k] * q[l] * M[k + l + s];
        v += term;
        a += std::abs(term);
      }
    if (mag) *mag = a;
    return v;
  };
  double alpha[kMomentDegree + 2] = {}, beta[kMomentDegree + 2] = {}, S[kMomentDegree + 1] = {};
  double pm2[kMomentDegree + 1] = {}, pm1[kMomentDegree + 1] = {}, pj[kMomentDegree + 1] = {};
  long double K[kMaxPolyDegree + 1] = {};
  S[0] = b.n;
  pm1[0] = 1.0;
  alpha[1] = M[1] / b.n;
  K[0] = b.yMean;
  double explained = 0.0;
  for (int j = 1; j <= degree; ++j) {
    for (int m = 0; m <= j; ++m)
      pj[m] = (m > 0 ? pm1[m - 1] : 0.0) - alpha[j] * pm1[m] - beta[j] * pm2[m];
    double mag = 0.0;
    const double sPj = dot(pj, pj, j, j, 0, &mag);
    if (!(sPj > kMomentKeep * mag) || !(sPj > kVanishingRatio * S[j - 1]) || !std::isfinite(sPj)) return false;
    S[j] = sPj;
    if (j < degree) {
      alpha[j + 1] = dot(pj, pj, j, j, 1, nullptr) / sPj;
      beta[j + 1] = sPj / S[j - 1];
    }
    double syPj = 0.0;
    for (int m = 0; m <= j; ++m) syPj += pj[m] * mo.c[m];
    const double bj = syPj / sPj;
    explained += bj * syPj;
    for (int m = 0; m <= j; ++m) K[m] += static_cast<long double>(bj) * pj[m];
    std::copy(pm1, pm1 + kMomentDegree + 1, pm2);
    std::copy(pj, pj + kMomentDegree + 1, pm1);
  }
  // The residual sum by orthogonality; a near-exact fit leaves that to
  // cancellation, so then the residuals are summed one by one.
  double ssRes = mo.syy - explained;
  if (!(ssRes > kMomentKeep * mo.syy)) ssRes = ResidualSum(b, degree, K);
  *out = Finish(b, degree, K, ssRes, mo.syy, mo.sxx, mo.syy2);
  return true;
}

bool FitByMoments(const Block& b, int degree, PolyFit* out) {
  Moments mo = SumMoments<false>(b.xs, b.ys, b.n, b.centre, b.inv, b.yMean, nullptr, nullptr);
  PanelSums(b, &mo);
  return FitFromMoments(b, mo, degree, out);
}

// X is centred and scaled on the block's first and last cases, and Y taken
// about its first case, so the extremes and means need no pass of their
// own; the moments are moved to the mean of Y afterwards. That suits X that
// runs through the block (time, a ramp); where X strays far outside its end
// values, or Y's first case sits far from its mean, false, and the caller
// takes the passes.
constexpr double kEndsReach = 4.0;

bool FitInOnePass(const Block& block, int degree, PolyFit* out) {
  const float* xs = block.xs;
  const float* ys = block.ys;
  const int32_t n = block.n;
  const double a = xs[0], z = xs[n - 1];
  const double centre = 0.5 * (a + z), half = 0.5 * std::abs(z - a);
  if (!(half > 0.0) || !std::isfinite(half) || !std::isfinite(centre)) return false;
  const double inv = 1.0 / half, y0 = ys[0];
  float xMin = 0.0f, xMax = 0.0f;
  Moments mo = SumMoments<true>(xs, ys, n, centre, inv, y0, &xMin, &xMax);
  if (!((xMin - centre) * inv >= -kEndsReach && (xMax - centre) * inv <= kEndsReach)) return false;
  double delta = 0.0;
  if (!MoveToMeanOfY(mo.syy, mo.c, mo.m, kMomentDegree, n, &delta)) return false;
  const Block b{xs, ys, n, n * centre + half * mo.m[1], y0 + delta, centre, half, inv};
  PanelSums(b, &mo);
  return FitFromMoments(b, mo, degree, out);
}

// Degrees beyond 2: one pass of Chebyshev moments. T_k(t) with t on -1..1
// stays of order one whatever k, and the products T_j T_k = (T_(j+k) +
// T_|j-k|) / 2 make the basis' Gram matrix from the sums of T_0 .. T_2d: it
// keeps the digits that sums of powers of t lose. The Stieltjes recurrence
// of the passes runs on it, the polynomials held as Chebyshev coefficients;
// where a sum of squares keeps too few digits, the passes do the work.
struct ChebMoments {
  double M[2 * kMaxPolyDegree + 1] = {};   // sum T_k(t), k = 0 .. 2d
  double C[kMaxPolyDegree + 1] = {};       // sum T_k(t) dy, k = 0 .. d
  double syy = 0.0;                        // sum dy^2
  float xMin = 0.0f, xMax = 0.0f;
};

using D4 = double __attribute__((vector_size(32)));

[[gnu::always_inline]] inline D4 loadD4(const double* p) {
  D4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
[[gnu::always_inline]] inline void storeD4(double* p, D4 v) { std::memcpy(p, &v, sizeof v); }
[[gnu::always_inline]] inline double sum4(D4 v) { return (v[0] + v[1]) + (v[2] + v[3]); }

constexpr int32_t kChebBlock = 256;

// The sums over a block of cases go T_k by T_k, each k a short loop over the
// block's t and dy in four lanes, so that no more than a few sums are live at
// once whatever the degree.
[[gnu::always_inline]] inline ChebMoments chebBody(const float* xs, const float* ys, int32_t n, double centre,
                                                   double inv, double yShift, int degree) {
  const int top = 2 * degree;
  D4 accM[2 * kMaxPolyDegree + 1] = {}, accC[kMaxPolyDegree + 1] = {}, accY = {};
  alignas(32) double t[kChebBlock], dy[kChebBlock], before[kChebBlock], now[kChebBlock];
  float lo = xs[0], hi = xs[0];
  const int32_t whole = n - n % 4;
  for (int32_t b = 0; b < whole; b += kChebBlock) {
    const int32_t len = std::min(kChebBlock, whole - b);
    for (int32_t i = 0; i < len; ++i) {
      const float x = xs[b + i];
      lo = x < lo ? x : lo;
      hi = x > hi ? x : hi;
      t[i] = (x - centre) * inv;
      dy[i] = ys[b + i] - yShift;
    }
    {
      D4 m1 = accM[1], c0 = accC[0], c1 = accC[1], yy = accY;
      for (int32_t i = 0; i < len; i += 4) {
        const D4 tv = loadD4(t + i), d = loadD4(dy + i);
        m1 += tv;
        c0 += d;
        c1 += tv * d;
        yy += d * d;
        storeD4(before + i, D4{1.0, 1.0, 1.0, 1.0});
        storeD4(now + i, tv);
      }
      accM[1] = m1;
      accC[0] = c0;
      accC[1] = c1;
      accY = yy;
    }
    for (int k = 2; k <= top; ++k) {
      D4 m = accM[k];
      if (k <= degree) {
        D4 c = accC[k];
        for (int32_t i = 0; i < len; i += 4) {
          const D4 tv = loadD4(t + i), p = loadD4(before + i), q = loadD4(now + i);
          const D4 next = 2.0 * tv * q - p;
          storeD4(before + i, q);
          storeD4(now + i, next);
          m += next;
          c += next * loadD4(dy + i);
        }
        accC[k] = c;
      } else {
        for (int32_t i = 0; i < len; i += 4) {
          const D4 tv = loadD4(t + i), p = loadD4(before + i), q = loadD4(now + i);
          const D4 next = 2.0 * tv * q - p;
          storeD4(before + i, q);
          storeD4(now + i, next);
          m += next;
        }
      }
      accM[k] = m;
    }
  }
  ChebMoments r;
  r.M[0] = n;
  for (int k = 1; k <= top; ++k) r.M[k] = sum4(accM[k]);
  for (int k = 0; k <= degree; ++k) r.C[k] = sum4(accC[k]);
  r.syy = sum4(accY);
  for (int32_t i = whole; i < n; ++i) {
    const float x = xs[i];
    lo = x < lo ? x : lo;
    hi = x > hi ? x : hi;
    const double tv = (x - centre) * inv, d = ys[i] - yShift;
    double p = 1.0, q = tv;
    r.M[1] += tv;
    r.C[0] += d;
    r.C[1] += tv * d;
    r.syy += d * d;
    for (int k = 2; k <= top; ++k) {
      const double next = 2.0 * tv * q - p;
      p = q;
      q = next;
      r.M[k] += next;
      if (k <= degree) r.C[k] += next * d;
    }
  }
  r.xMin = lo;
  r.xMax = hi;
  return r;
}

// Sum of squared residuals of the fit yMean + sum F_k T_k(t), in double
// (Clenshaw's recurrence), four lanes.
[[gnu::always_inline]] inline double chebResidualBody(const Block& b, int degree, const double* F) {
  const float* xs = b.xs;
  const float* ys = b.ys;
  const int32_t n = b.n, whole = n - n % 4;
  const D4 centre = {b.centre, b.centre, b.centre, b.centre}, inv = {b.inv, b.inv, b.inv, b.inv};
  const D4 mean = {b.yMean, b.yMean, b.yMean, b.yMean};
  D4 ss = {};
  for (int32_t i = 0; i < whole; i += 4) {
    const D4 tv = (D4{xs[i], xs[i + 1], xs[i + 2], xs[i + 3]} - centre) * inv;
    D4 b1 = {}, b2 = {};
    for (int k = degree; k >= 1; --k) {
      const D4 b0 = F[k] + 2.0 * tv * b1 - b2;
      b2 = b1;
      b1 = b0;
    }
    const D4 r = (F[0] + tv * b1 - b2) + mean - D4{ys[i], ys[i + 1], ys[i + 2], ys[i + 3]};
    ss += r * r;
  }
  double total = sum4(ss);
  for (int32_t i = whole; i < n; ++i) {
    const double tv = (xs[i] - b.centre) * b.inv;
    double b1 = 0.0, b2 = 0.0;
    for (int k = degree; k >= 1; --k) {
      const double b0 = F[k] + 2.0 * tv * b1 - b2;
      b2 = b1;
      b1 = b0;
    }
    const double r = (F[0] + tv * b1 - b2) + b.yMean - ys[i];
    total += r * r;
  }
  return total;
}

// chebBody with every sum in a register: four cases at a time through all
// the T_k, instead of each T_k through a block of cases held in memory,
// whose loads and stores were most of the pass. Each sum still takes the
// cases' groups of four in their order, lane by lane, with the same
// operations, so every sum comes out the same to the bit.
template <int kDegree>
[[gnu::always_inline]] inline ChebMoments chebInRegisters(const float* xs, const float* ys, int32_t n, double centre,
                                                          double inv, double yShift) {
  constexpr int kTop = 2 * kDegree;
  using F4 = float __attribute__((vector_size(16)));
  D4 accM[kTop + 1] = {}, accC[kDegree + 1] = {}, accY = {};
  const D4 c4 = {centre, centre, centre, centre}, i4 = {inv, inv, inv, inv};
  const D4 s4 = {yShift, yShift, yShift, yShift}, one = {1.0, 1.0, 1.0, 1.0};
  F4 lo = {xs[0], xs[0], xs[0], xs[0]}, hi = lo;
  const int32_t whole = n - n % 4;
  for (int32_t i = 0; i < whole; i += 4) {
    if (i % 16 == 0) {
      lanes::prefetchAhead(xs + i);
      lanes::prefetchAhead(ys + i);
    }
    F4 x, y;
    std::memcpy(&x, xs + i, sizeof x);
    std::memcpy(&y, ys + i, sizeof y);
    lo = x < lo ? x : lo;
    hi = x > hi ? x : hi;
    const D4 tv = (__builtin_convertvector(x, D4) - c4) * i4;
    const D4 d = __builtin_convertvector(y, D4) - s4;
    accM[1] += tv;
    accC[0] += d;
    accC[1] += tv * d;
    accY += d * d;
    D4 p = one, q = tv;
#pragma GCC unroll 20
    for (int k = 2; k <= kTop; ++k) {
      const D4 next = 2.0 * tv * q - p;
      p = q;
      q = next;
      accM[k] += next;
      if (k <= kDegree) accC[k] += next * d;
    }
  }
  ChebMoments r;
  r.M[0] = n;
  for (int k = 1; k <= kTop; ++k) r.M[k] = sum4(accM[k]);
  for (int k = 0; k <= kDegree; ++k) r.C[k] = sum4(accC[k]);
  r.syy = sum4(accY);
  float l = xs[0], h = xs[0];
  for (int k = 0; k < 4; ++k) {
    l = lo[k] < l ? lo[k] : l;
    h = hi[k] > h ? hi[k] : h;
  }
  for (int32_t i = whole; i < n; ++i) {
    const float x = xs[i];
    l = x < l ? x : l;
    h = x > h ? x : h;
    const double tv = (x - centre) * inv, d = ys[i] - yShift;
    double p = 1.0, q = tv;
    r.M[1] += tv;
    r.C[0] += d;
    r.C[1] += tv * d;
    r.syy += d * d;
    for (int k = 2; k <= kTop; ++k) {
      const double next = 2.0 * tv * q - p;
      p = q;
      q = next;
      r.M[k] += next;
      if (k <= kDegree) r.C[k] += next * d;
    }
  }
  r.xMin = l;
  r.xMax = h;
  return r;
}

[[gnu::always_inline]] inline ChebMoments chebWideBody(const float* xs, const float* ys, int32_t n, double centre,
                                                       double inv, double yShift, int degree) {
  switch (degree) {
    case 3: return chebInRegisters<3>(xs, ys, n, centre, inv, yShift);
    case 4: return chebInRegisters<4>(xs, ys, n, centre, inv, yShift);
    case 5: return chebInRegisters<5>(xs, ys, n, centre, inv, yShift);
    case 6: return chebInRegisters<6>(xs, ys, n, centre, inv, yShift);
    case 7: return chebInRegisters<7>(xs, ys, n, centre, inv, yShift);
    case 8: return chebInRegisters<8>(xs, ys, n, centre, inv, yShift);
    case 9: return chebInRegisters<9>(xs, ys, n, centre, inv, yShift);
    default: return chebBody(xs, ys, n, centre, inv, yShift, degree);
  }
}

// chebResidualBody with the cases loaded four at a time and the recurrence
// unrolled, F's terms in registers: the same operations in the same order.
// ss: the lanes' sums of the cases before b's.
template <int kDegree>
[[gnu::always_inline]] inline double chebResidualInRegisters(const Block& b, const double* F, D4 ss = D4{}) {
  using F4 = float __attribute__((vector_size(16)));
  const float* xs = b.xs;
  const float* ys = b.ys;
  const int32_t n = b.n, whole = n - n % 4;
  const D4 centre = {b.centre, b.centre, b.centre, b.centre}, inv = {b.inv, b.inv, b.inv, b.inv};
  const D4 mean = {b.yMean, b.yMean, b.yMean, b.yMean};
  for (int32_t i = 0; i < whole; i += 4) {
    F4 x, y;
    std::memcpy(&x, xs + i, sizeof x);
    std::memcpy(&y, ys + i, sizeof y);
    const D4 tv = (__builtin_convertvector(x, D4) - centre) * inv;
    D4 b1 = {}, b2 = {};
#pragma GCC unroll 10
    for (int k = kDegree; k >= 1; --k) {
      const D4 b0 = F[k] + 2.0 * tv * b1 - b2;
      b2 = b1;
      b1 = b0;
    }
    const D4 r = (F[0] + tv * b1 - b2) + mean - __builtin_convertvector(y, D4);
    ss += r * r;
  }
  double total = sum4(ss);
  for (int32_t i = whole; i < n; ++i) {
    const double tv = (xs[i] - b.centre) * b.inv;
    double b1 = 0.0, b2 = 0.0;
    for (int k = kDegree; k >= 1; --k) {
      const double b0 = F[k] + 2.0 * tv * b1 - b2;
      b2 = b1;
      b1 = b0;
    }
    const double r = (F[0] + tv * b1 - b2) + b.yMean - ys[i];
    total += r * r;
  }
  return total;
}

// chebResidualInRegisters eight cases at a time, two groups of four in one
// register through the recurrence, their squares added group after group:
// each lane of the sum takes the same terms in the same order.
template <int kDegree>
[[gnu::always_inline]] inline double chebResidualInWideRegisters(const Block& b, const double* F) {
  using D8 = double __attribute__((vector_size(64)));
  using F8 = float __attribute__((vector_size(32)));
  const float* xs = b.xs;
  const float* ys = b.ys;
  const int32_t n = b.n, whole = n - n % 8;
  const D8 centre = D8{} + b.centre, inv = D8{} + b.inv, mean = D8{} + b.yMean;
  D4 ss = {};
  for (int32_t i = 0; i < whole; i += 8) {
    if (i % 16 == 0) {
      lanes::prefetchAhead(xs + i);
      lanes::prefetchAhead(ys + i);
    }
    F8 x, y;
    std::memcpy(&x, xs + i, sizeof x);
    std::memcpy(&y, ys + i, sizeof y);
    const D8 tv = (__builtin_convertvector(x, D8) - centre) * inv;
    D8 b1 = {}, b2 = {};
#pragma GCC unroll 10
    for (int k = kDegree; k >= 1; --k) {
      const D8 b0 = F[k] + 2.0 * tv * b1 - b2;
      b2 = b1;
      b1 = b0;
    }
    const D8 r = (F[0] + tv * b1 - b2) + mean - __builtin_convertvector(y, D8);
    const D8 rr = r * r;
    ss += __builtin_shufflevector(rr, rr, 0, 1, 2, 3);
    ss += __builtin_shufflevector(rr, rr, 4, 5, 6, 7);
  }
  if (whole == n) return sum4(ss);
  // The cases after the last whole eight, as the four-lane loop takes them.
  Block rest = b;
  rest.xs += whole;
  rest.ys += whole;
  rest.n -= whole;
  return chebResidualInRegisters<kDegree>(rest, F, ss);
}

[[gnu::always_inline]] inline double chebResidualWideBody(const Block& b, int degree, const double* F) {
  switch (degree) {
    case 3: return chebResidualInRegisters<3>(b, F);
    case 4: return chebResidualInRegisters<4>(b, F);
    case 5: return chebResidualInRegisters<5>(b, F);
    case 6: return chebResidualInRegisters<6>(b, F);
    case 7: return chebResidualInRegisters<7>(b, F);
    case 8: return chebResidualInRegisters<8>(b, F);
    case 9: return chebResidualInRegisters<9>(b, F);
    default: return chebResidualBody(b, degree, F);
  }
}

ChebMoments chebBase(const float* xs, const float* ys, int32_t n, double centre, double inv, double yShift,
                     int degree) {
  return chebBody(xs, ys, n, centre, inv, yShift, degree);
}
double chebResidualBase(const Block& b, int degree, const double* F) { return chebResidualBody(b, degree, F); }

#if CORVIMET_X86_DISPATCH
[[gnu::target("avx2")]] ChebMoments chebAvx2(const float* xs, const float* ys, int32_t n, double centre, double inv,
                                             double yShift, int degree) {
  return chebWideBody(xs, ys, n, centre, inv, yShift, degree);
}
// The 32 vector registers hold every sum of degree 9.
[[gnu::target("avx512f,avx512dq,avx512vl")]] ChebMoments chebAvx512(const float* xs, const float* ys, int32_t n,
                                                                    double centre, double inv, double yShift,
                                                                    int degree) {
  return chebWideBody(xs, ys, n, centre, inv, yShift, degree);
}
[[gnu::target("avx2")]] double chebResidualAvx2(const Block& b, int degree, const double* F) {
  return chebResidualWideBody(b, degree, F);
}
[[gnu::target("avx512f,avx512dq,avx512vl")]] double chebResidualAvx512(const Block& b, int degree, const double* F) {
  switch (degree) {
    case 3: return chebResidualInWideRegisters<3>(b, F);
    case 4: return chebResidualInWideRegisters<4>(b, F);
    case 5: return chebResidualInWideRegisters<5>(b, F);
    case 6: return chebResidualInWideRegisters<6>(b, F);
    case 7: return chebResidualInWideRegisters<7>(b, F);
    case 8: return chebResidualInWideRegisters<8>(b, F);
    case 9: return chebResidualInWideRegisters<9>(b, F);
    default: return chebResidualBody(b, degree, F);
  }
}
#endif

ChebMoments chebMoments(const float* xs, const float* ys, int32_t n, double centre, double inv, double yShift,
                        int degree) {
#if CORVIMET_X86_DISPATCH
  if (gWideKernels && CpuHasAvx512()) return chebAvx512(xs, ys, n, centre, inv, yShift, degree);
  if (gWideKernels && CpuHasAvx2()) return chebAvx2(xs, ys, n, centre, inv, yShift, degree);
#endif
  return chebBase(xs, ys, n, centre, inv, yShift, degree);
}

double chebResidual(const Block& b, int degree, const double* F) {
#if CORVIMET_X86_DISPATCH
  if (gWideKernels && CpuHasAvx512()) return chebResidualAvx512(b, degree, F);
  if (gWideKernels && CpuHasAvx2()) return chebResidualAvx2(b, degree, F);
#endif
  return chebResidualBase(b, degree, F);
}

// Stieltjes on the Chebyshev moments (about the mean of Y): false where a sum
// of squares keeps too few digits or vanishes.
bool FitFromChebyshev(const Block& b, const ChebMoments& mo, int degree, PolyFit* out) {
  constexpr int kTerms = kMaxPolyDegree + 2;
  const double* M = mo.M;
  auto gram = [M](int k, int l) { return 0.5 * (M[k + l] + M[std::abs(k - l)]); };
  // <p, q> and the sum of the magnitudes of its terms.
  auto dot = [&](const double* p, int dp, const double* q, int dq, double* mag) {
    double v = 0.0, a = 0.0;
    for (int k = 0; k <= dp; ++k)
      for (int l = 0; l <= dq; ++l) {
        const double term = p[k] * q[l] * gram(k, l);
        v += term;
        a += std::abs(term);
      }
    if (mag) *mag = a;
    return v;
  };
  // t p: t T_0 = T_1, t T_k = (T_(k+1) + T_(k-1)) / 2.
  auto timesT = [](const double* p, int dp, double* r) {
    std::fill(r, r + dp + 2, 0.0);
    r[1] += p[0];
    for (int k = 1; k <= dp; ++k) {
      r[k + 1] += 0.5 * p[k];
      r[k - 1] += 0.5 * p[k];
    }
  };
  double pm2[kTerms] = {}, pm1[kTerms] = {}, pj[kTerms] = {}, tp[kTerms] = {}, F[kTerms] = {};
  pm1[0] = 1.0;
  double sPrev = b.n, alpha = M[1] / b.n, beta = 0.0, explained = 0.0;
  for (int j = 1; j <= degree; ++j) {
    timesT(pm1, j - 1, tp);
    for (int k = 0; k <= j; ++k) pj[k] = tp[k] - alpha * pm1[k] - beta * pm2[k];
    double mag = 0.0;
    const double sPj = dot(pj, j, pj, j, &mag);
    if (!(sPj > kMomentKeep * mag) || !(sPj > kVanishingRatio * sPrev) || !std::isfinite(sPj)) return false;
    double syPj = 0.0;
    for (int k = 0; k <= j; ++k) syPj += pj[k] * mo.C[k];
    const double bj = syPj / sPj;
    explained += bj * syPj;
    for (int k = 0; k <= j; ++k) F[k] += bj * pj[k];
    if (j < degree) {
      timesT(pj, j, tp);
      alpha = dot(tp, j + 1, pj, j, nullptr) / sPj;
      beta = sPj / sPrev;
    }
    sPrev = sPj;
    std::copy(pm1, pm1 + kTerms, pm2);
    std::copy(pj, pj + kTerms, pm1);
  }
  // The fit in powers of t: T_k's coefficients are integers.
  long double K[kMaxPolyDegree + 1] = {};
  long double Tm2[kTerms] = {}, Tm1[kTerms] = {}, Tk[kTerms] = {};
  K[0] = b.yMean;
  for (int k = 0; k <= degree; ++k) {
    if (k == 0) {
      Tk[0] = 1.0L;
    } else if (k == 1) {
      std::fill(Tk, Tk + kTerms, 0.0L);
      Tk[1] = 1.0L;
    } else {
      for (int e = 0; e <= k; ++e) Tk[e] = (e > 0 ? 2.0L * Tm1[e - 1] : 0.0L) - Tm2[e];
    }
    for (int e = 0; e <= k; ++e) K[e] += static_cast<long double>(F[k]) * Tk[e];
    std::copy(Tm1, Tm1 + kTerms, Tm2);
    std::copy(Tk, Tk + kTerms, Tm1);
  }
  // The residual sum by orthogonality; a near-exact fit leaves that to
  // cancellation, so then the residuals are summed one by one.
  double ssRes = mo.syy - explained;
  if (!(ssRes > kMomentKeep * mo.syy)) ssRes = chebResidual(b, degree, F);
  // Sums of squares about the single-precision means the panel shows.
  const int32_t n = b.n;
  const double m1 = M[1], m2 = 0.5 * (M[2] + n);   // sum t, sum t^2 (t^2 = (T_2 + 1) / 2)
  const double tm = (static_cast<float>(b.sx / n) - b.centre) * b.inv;
  const double sxx = b.half * b.half * std::max(0.0, m2 - 2.0 * tm * m1 + n * tm * tm);
  const double e = static_cast<float>(b.yMean) - b.yMean;
  const double syy2 = std::max(0.0, mo.syy - 2.0 * e * mo.C[0] + n * e * e);
  *out = Finish(b, degree, K, ssRes, mo.syy, sxx, syy2);
  return true;
}

// t on -1..1 to within this, so that no T_k grows far beyond 1.
constexpr double kChebReach = 1.05;

// Whether every X of the block, NaNs aside, lies within `reach` of the scale
// set by centre and inv, as the Chebyshev pass finds after its sums: a pass
// over X alone that stops at the first stretch that strays. A channel that
// wanders past its end cases used to cost a whole pass of moments thrown
// away; now the part of a cheap pass before it strays.
template <class F8>
[[gnu::always_inline]] inline bool xWithinReachBody(const float* xs, int32_t n, double centre, double inv,
                                                   double reach) {
  constexpr int32_t kStretch = 8192;
  const float first = xs[0];
  F8 lo = F8{} + first, hi = lo;
  float l = first, h = first;
  const int32_t whole = n - n % 8;
  for (int32_t b = 0; b < n; b += kStretch) {
    const int32_t end = std::min(b + kStretch, whole);
    for (int32_t i = b; i < end; i += 8) {
      F8 x;
      std::memcpy(&x, xs + i, sizeof x);
      lo = x < lo ? x : lo;
      hi = x > hi ? x : hi;
    }
    if (b + kStretch >= n)
      for (int32_t i = whole; i < n; ++i) {
        l = xs[i] < l ? xs[i] : l;
        h = xs[i] > h ? xs[i] : h;
      }
    for (int k = 0; k < 8; ++k) {
      l = lo[k] < l ? lo[k] : l;
      h = hi[k] > h ? hi[k] : h;
    }
    if (!((l - centre) * inv >= -reach && (h - centre) * inv <= reach)) return false;
  }
  return true;
}

using F8 = float __attribute__((vector_size(32)));

bool xWithinReachBase(const float* xs, int32_t n, double centre, double inv, double reach) {
  return xWithinReachBody<F8>(xs, n, centre, inv, reach);
}

#if CORVIMET_X86_DISPATCH
[[gnu::target("avx2")]] bool xWithinReachAvx2(const float* xs, int32_t n, double centre, double inv, double reach) {
  return xWithinReachBody<F8>(xs, n, centre, inv, reach);
}
#endif


// As FitInOnePass, on the block's end cases; with `scanned` the extremes of
// b instead (ScanBlock ran).
bool FitByChebyshev(const Block& block, int degree, bool scanned, PolyFit* out) {
  const float* xs = block.xs;
  const float* ys = block.ys;
  const int32_t n = block.n;
  double centre = block.centre, half = block.half, y0 = block.yMean;
  if (!scanned) {
    const double a = xs[0], z = xs[n - 1];
    centre = 0.5 * (a + z);
    half = 0.5 * std::abs(z - a);
    y0 = ys[0];
  }
  if (!(half > 0.0) || !std::isfinite(half) || !std::isfinite(centre)) return false;
  const double inv = 1.0 / half;
  // Scaled by its end cases, X is first made sure to stay near -1..1.
  if (!scanned && !PolyXWithinReach(xs, n, centre, inv, kChebReach, gWideKernels)) return false;
  ChebMoments mo = chebMoments(xs, ys, n, centre, inv, y0, degree);
  if (!((mo.xMin - centre) * inv >= -kChebReach && (mo.xMax - centre) * inv <= kChebReach)) return false;
  // The scan's sums and mean stand; about Y's first case, the moments move
  // to its mean.
  if (scanned) return FitFromChebyshev(block, mo, degree, out);
  double delta = 0.0;
  if (!MoveToMeanOfY(mo.syy, mo.C, mo.M, degree, n, &delta)) return false;
  const Block b{xs, ys, n, n * centre + half * mo.M[1], y0 + delta, centre, half, inv};
  return FitFromChebyshev(b, mo, degree, out);
}

}  // namespace

bool PolyXWithinReach(const float* x, int32_t n, double centre, double inv, double reach, [[maybe_unused]] bool wide) {
  if (!x || n < 1) return true;
#if CORVIMET_X86_DISPATCH
  if (wide && CpuHasAvx2()) return xWithinReachAvx2(x, n, centre, inv, reach);
#endif
  return xWithinReachBase(x, n, centre, inv, reach);
}

namespace {

// The first value of v[first..last] that is not finite, as `nan` or `inf`;
// Ok when all are.
PolyStatus firstNonFinite(std::span<const float> v, int32_t first, int32_t last, PolyStatus nan, PolyStatus inf) {
  for (int32_t i = first; i <= last; ++i) {
    const float a = v[static_cast<size_t>(i)];
    if (std::isnan(a)) return nan;
    if (std::isinf(a)) return inf;
  }
  return PolyStatus::Ok;
}

bool finiteFit(const PolyFit& f) {
  for (int p = 0; p <= f.degree; ++p)
    if (!std::isfinite(f.power[static_cast<size_t>(p)])) return false;
  return std::isfinite(f.meanY) && std::isfinite(f.sdY);
}

// A fit with no finite coefficients, or one refused for too few distinct X
// values, names the value that is not finite, where there is one: the fits
// never scan for them on their way, so this costs nothing on good data.
PolyStatus namingNonFinite(PolyStatus s, const PolyFit& f, std::span<const float> x, std::span<const float> y,
                           int32_t first, int32_t last) {
  if (s != PolyStatus::Degenerate && !(s == PolyStatus::Ok && !finiteFit(f))) return s;
  if (first > last) std::swap(first, last);
  if (first < 0 || static_cast<size_t>(last) >= x.size() || static_cast<size_t>(last) >= y.size()) return s;
  if (const PolyStatus t = firstNonFinite(x, first, last, PolyStatus::XNotANumber, PolyStatus::XInfinite);
      t != PolyStatus::Ok)
    return t;
  if (const PolyStatus t = firstNonFinite(y, first, last, PolyStatus::YNotANumber, PolyStatus::YInfinite);
      t != PolyStatus::Ok)
    return t;
  return s;
}

PolyStatus fitPolynomial(std::span<const float> x, std::span<const float> y, int32_t first, int32_t last,
                         int degree, PolyFit* out, bool wide) {
  const struct Kernels {
    bool kept = gWideKernels;
    explicit Kernels(bool w) { gWideKernels = w; }
    ~Kernels() { gWideKernels = kept; }
  } kernels(wide);
  Block b;
  if (const PolyStatus s = CheckBlock(x, y, first, last, degree, &b); s != PolyStatus::Ok) return s;
  if (degree <= kMomentDegree && FitInOnePass(b, degree, out)) return PolyStatus::Ok;
  if (degree > kMomentDegree && FitByChebyshev(b, degree, false, out)) return PolyStatus::Ok;
  if (const PolyStatus s = ScanBlock(&b); s != PolyStatus::Ok) return s;
  if (degree <= kMomentDegree && FitByMoments(b, degree, out)) return PolyStatus::Ok;
  if (degree > kMomentDegree && FitByChebyshev(b, degree, true, out)) return PolyStatus::Ok;
  return FitByPasses(b, degree, out);
}

PolyStatus fitPolynomialByPasses(std::span<const float> x, std::span<const float> y, int32_t first, int32_t last,
                                 int degree, PolyFit* out) {
  Block b;
  if (const PolyStatus s = CheckBlock(x, y, first, last, degree, &b); s != PolyStatus::Ok) return s;
  if (const PolyStatus s = ScanBlock(&b); s != PolyStatus::Ok) return s;
  return FitByPasses(b, degree, out);
}

}  // namespace

PolyStatus FitPolynomial(std::span<const float> x, std::span<const float> y, int32_t first, int32_t last,
                         int degree, PolyFit* out, bool wide) {
  PolyFit f;
  const PolyStatus s = namingNonFinite(fitPolynomial(x, y, first, last, degree, &f, wide), f, x, y, first, last);
  if (s == PolyStatus::Ok) *out = f;
  return s;
}

PolyStatus FitPolynomialByPasses(std::span<const float> x, std::span<const float> y, int32_t first, int32_t last,
                                 int degree, PolyFit* out) {
  PolyFit f;
  const PolyStatus s = namingNonFinite(fitPolynomialByPasses(x, y, first, last, degree, &f), f, x, y, first, last);
  if (s == PolyStatus::Ok) *out = f;
  return s;
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
    if (std::isnan(r)) {   // no r^2 to show: as a degree that cannot be fitted
      s.refused = true;
      s.shownDegree = d - 1;
      return s;
    }
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

StoreStatus MakePolynomialChannel(int16_t slot, int16_t xChannel, int16_t yChannel, std::span<const float> coef,
                                  int16_t* newChannel) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return StoreStatus::NoFile;
  if (xChannel < 1 || xChannel > nChannels[slot]) return StoreStatus::BadChannel;
  if (coef.empty() || !std::all_of(coef.begin(), coef.end(), [](float c) { return std::isfinite(c); }))
    return StoreStatus::BadRange;
  if (nChannels[slot] >= kMaxChannels) return StoreStatus::TooManyChannels;
  // The label is made before the channel is added: nothing after may fail.
  std::string label;
  try {
    label = PolynomialChannelLabel(yChannel, xChannel);
  } catch (const std::bad_alloc&) {
    return StoreStatus::OutOfMemory;
  }
  const StoreStatus st = AddChannel(slot);
  if (st != StoreStatus::Ok) return st;
  const int16_t n = nChannels[slot];
  const auto cases = static_cast<size_t>(nCases[slot]) + 1;
  std::copy_n(nVar[slot][xChannel].begin(), 14, nVar[slot][n].begin());
  SetChannelLabel(slot, n, label);
  PolynomialChannel({ChannelData(slot, xChannel), cases}, coef, {ChannelData(slot, n), cases});
  FileSHORTS[slot][kShortChanged] = 1;
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, n);
  if (newChannel) *newChannel = n;
  return StoreStatus::Ok;
}

void StorePolyFit(const PolyFit& fit) {
  std::fill(std::begin(cc), std::end(cc), 0.0);
  for (int i = 1; i <= fit.degree + 1; ++i) cc[i] = fit.power[static_cast<size_t>(fit.degree + 1 - i)];
  cc[15] = fit.r2;
  r2 = fit.r2;
}
