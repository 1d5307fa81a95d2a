#include "editing/lag.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "shell/textutil.h"

bool LagInCases(float seconds, float interval, int32_t* cases) {
  if (!(interval > 0.0f) || !std::isfinite(seconds)) return false;
  const float c = std::floor(seconds / interval + 0.5f);
  if (!(std::fabs(c) < 2.0e9f)) return false;
  *cases = static_cast<int32_t>(c);
  return true;
}

bool LagFits(int32_t lag, int32_t nCases) {
  return static_cast<double>(nCases) * 0.5 > std::fabs(static_cast<double>(lag));
}

void ShiftChannel(float* x, int32_t nCases, int32_t lag) {
  if (lag == 0 || !LagFits(lag, nCases)) return;
  if (lag > 0) {
    std::copy(x + 1 + lag, x + nCases + 1, x + 1);
    std::fill(x + nCases - lag + 1, x + nCases + 1, 0.0f);
  } else {
    const int32_t d = -lag;
    std::copy_backward(x + 1, x + nCases - d + 1, x + nCases + 1);
    std::fill(x + 1, x + d + 1, 0.0f);
  }
}

std::string LagLogText(float seconds) { return "Lag correction = " + NumText(seconds) + " sec"; }

float LagRSquared(const float* x, const float* y, int32_t b, int32_t e, int32_t lag) {
  const int32_t n = e - b + 1;
  if (n < 1) return std::nanf("");
  double sx = 0.0, sy = 0.0;
  for (int32_t i = b; i <= e; ++i) {
    sx += x[i];
    sy += y[i - lag];
  }
  const double mx = sx / n, my = sy / n;
  double sumx2 = 0.0, sumy2 = 0.0, sumxy = 0.0;
  for (int32_t i = b; i <= e; ++i) {
    const auto dx = static_cast<float>(x[i] - mx);
    const auto dy = static_cast<float>(y[i - lag] - my);
    sumx2 += dx * dx;
    sumy2 += dy * dy;
    sumxy += dx * dy;
  }
  return static_cast<float>(sumxy * sumxy / sumx2 / sumy2);
}

int32_t ClampMaxLag(int32_t maxLag, int32_t b, int32_t e, int32_t nCases) {
  if (maxLag > b) return b;
  if (maxLag < 0 && -static_cast<int64_t>(maxLag) > static_cast<int64_t>(nCases) - e) return e - nCases;
  return maxLag;
}

namespace {

constexpr double kU = 0x1p-53;    // unit roundoff of double
constexpr double kUf = 0x1p-24;   // of float

// Exponent of the lowest set bit of a finite, non-zero float.
int lowestBitExponent(float v) {
  const uint32_t bits = std::bit_cast<uint32_t>(v);
  const uint32_t biased = (bits >> 23) & 0xFFu;
  const uint32_t mantissa = bits & 0x7FFFFFu;
  const uint32_t m = biased == 0 ? mantissa : (mantissa | 0x800000u);
  const int e = biased == 0 ? -149 : static_cast<int>(biased) - 150;
  return e + std::countr_zero(m);
}

// A sum carried as hi + lo, each step's rounding kept in lo: sliding it over
// many windows loses only about u^2 of the sum per step, and nothing at all
// while the true sums are representable.
struct PairSum {
  double hi = 0.0, lo = 0.0;
  void add(double v) {
    const double sum = hi + v;
    const double bb = sum - hi;
    const double err = (hi - (sum - bb)) + (v - bb);
    const double t = sum + (lo + err);
    lo = (lo + err) - (t - sum);
    hi = t;
  }
  double value() const { return hi + lo; }
};

// The comparison channel over every window the lags read.
struct YRange {
  double maxAbs = 0.0;
  double centre = 0.0;   // c: the values are ranked as y - c
  bool exact = true;     // every window's sum, from scratch or not, is exact
};

YRange rangeOf(const float* y, int32_t lo, int32_t hi, int32_t n) {
  YRange r;
  int low = 1000;
  double sum = 0.0;
  int64_t finite = 0;
  for (int32_t k = lo; k <= hi; ++k) {
    const float v = y[k];
    if (!std::isfinite(v)) continue;
    ++finite;
    sum += v;
    r.maxAbs = std::max(r.maxAbs, static_cast<double>(std::fabs(v)));
    if (v != 0.0f) low = std::min(low, lowestBitExponent(v));
  }
  if (finite == 0) return r;
  const double mean = sum / static_cast<double>(finite);
  if (low == 1000) return r;   // all zero
  // Every value a multiple of g = 2^low and every partial sum of a window
  // (of y, or of y - c with c on the same grid) below 2^53 g: the double
  // sums are exact, whatever their order.
  const double g = std::ldexp(1.0, low);
  r.exact = (2.0 * n + 2.0) * r.maxAbs <= std::ldexp(1.0, 53 + low);
  r.centre = r.exact ? std::nearbyint(mean / g) * g : static_cast<double>(static_cast<float>(mean));
  return r;
}

// One lag ranked: the r squared the sums give, how far the two-pass rule
// can lie from it, and whether the sums could not rank it at all.
struct Ranked {
  double r2 = std::numeric_limits<double>::quiet_NaN();
  double tol = 0.0;
  bool never = true;    // the two-pass rule gives NaN: the window holds a non-finite value or is constant
  bool forced = false;  // too close to no variation to rank: scored by the rule itself
};

// sxy = sum dx (y - c), sy = sum (y - c), syy = sum (y - c)^2 over a window,
// the last off by at most slideErr more than its own rounding; sxx = sum
// dx^2 and sdx = sum dx, dx the two-pass rule's own deviations.
Ranked rank(double sxy, double sy, double syy, double slideErr, double sxx, double sdx, int32_t n,
            const YRange& yr) {
  Ranked out;
  if (!std::isfinite(sxy) || !std::isfinite(syy) || syy == 0.0) return out;
  out.never = false;
  const double dn = n;
  // The two-pass mean of y, exactly when the sums are exact, and the sums
  // about it.
  const double my = (sy + dn * yr.centre) / dn;
  const double d = my - yr.centre;
  const double m1 = sy / dn;
  const double b = (syy - sy * m1) + dn * (m1 - d) * (m1 - d);
  const double c = sxy - d * sdx;
  // Bound on the distance of that mean from the rule's, when the sums
  // round, and what it moves.
  const double delta = yr.exact ? 0.0 : (3.0 * dn + 8.0) * kU * yr.maxAbs + 2.0 * kU * std::fabs(my);
  const double errB =
      (dn + 8.0) * kU * syy + slideErr + dn * delta * delta + 2.0 * delta * std::fabs(sy - dn * d);
  if (!(b > 2.0 * errB)) {
    out.forced = true;
    return out;
  }
  const double rootAB = std::sqrt(sxx * b);
  const double errC = (dn + 8.0) * kU * std::sqrt(sxx * syy) + (dn + 4.0) * kU * std::fabs(d) * std::sqrt(dn * sxx) +
                      kU * std::fabs(c) + delta * (std::fabs(sdx) + (dn + 2.0) * kU * std::sqrt(dn * sxx));
  const double eA = (dn + 4.0) * kU, eB = errB / b, eC = errC / rootAB;
  out.r2 = c * c / (sxx * b);
  const double r = std::sqrt(out.r2);
  // |r| as ranked and as the rule has it, apart by at most these.
  const double rankErr = 1.01 * (eC + 0.5 * (eA + eB) * (r + eC)) + 4.0 * kU;
  const double ruleErr = 2.02 * (3.0 * kUf + (dn + 4.0) * kU);
  const double rr = r + rankErr, both = rankErr + ruleErr;
  out.tol = both * (2.0 * rr + both) + (kUf + 8.0 * kU) * (rr + ruleErr) * (rr + ruleErr) + 4.0 * kU * out.r2;
  return out;
}

}  // namespace

LagSearch FindBestLag(const float* x, const float* y, int32_t b, int32_t e, int32_t maxLag,
                      const std::function<bool(int32_t, int32_t)>& progress) {
  LagSearch out;
  if (e < b) return out;
  const int32_t n = e - b + 1;
  const int32_t first = maxLag <= 0 ? maxLag : 0;
  const int32_t last = maxLag <= 0 ? 0 : maxLag;
  const int32_t total = last - first + 1;
  // The active channel centred once, exactly as the two-pass rule centres
  // it: with these deviations only y's own sums vary with the lag.
  std::vector<float> dx(static_cast<size_t>(n));
  double sx = 0.0;
  for (int32_t i = b; i <= e; ++i) sx += x[i];
  const double mx = sx / n;
  double sxx = 0.0, sdx = 0.0;
  for (int32_t i = 0; i < n; ++i) {
    const float d = static_cast<float>(x[b + i] - mx);
    dx[static_cast<size_t>(i)] = d;
    sxx += static_cast<double>(d) * d;
    sdx += d;
  }
  if (!(sxx > 0.0) || !std::isfinite(sxx)) {
    // No variation, or a value that is not finite: the rule gives NaN at
    // every lag.
    out.lagsTried = total;
    return out;
  }
  const YRange yr = rangeOf(y, b - last, e - first, n);
  const double centre = yr.centre;
  const int32_t step = std::max(1, total / 100);
  std::vector<Ranked> ranked(static_cast<size_t>(total));
  // The window's own sums of y - c and (y - c)^2 slide from lag to lag; a
  // value that is not finite is counted instead of summed.
  PairSum sy, syy;
  int32_t bad = 0;
  auto slide = [&](float v, int sign) {
    if (!std::isfinite(v)) {
      bad += sign;
      return;
    }
    const double d = static_cast<double>(v) - centre;
    sy.add(sign * d);
    syy.add(sign * (d * d));
  };
  {
    // The first window from scratch in plain lanes (exact when the sums
    // are, else within the rounding the bounds allow for a sum of n).
    double s1[4] = {}, s2[4] = {};
    for (int32_t i = b; i <= e; ++i) {
      const float v = y[i - first];
      if (!std::isfinite(v)) {
        ++bad;
        continue;
      }
      const double d = static_cast<double>(v) - centre;
      s1[i & 3] += d;
      s2[i & 3] += d * d;
    }
    sy.hi = (s1[0] + s1[1]) + (s1[2] + s1[3]);
    syy.hi = (s2[0] + s2[1]) + (s2[2] + s2[3]);
  }
  // Each step of a pair sum errs by a few u^2 of the largest sum it held.
  const double slideErr =
      4.0 * kU * kU * (n + 2.0 * total + 2.0) * (n + 1.0) * (2.0 * yr.maxAbs) * (2.0 * yr.maxAbs);
  // Lags go in groups of four over each chunk of the block: the chunk of
  // deviations and the four overlapping windows stay in cache, so memory is
  // read about once per group instead of once per lag. Products in double,
  // about the centre of the comparison channel.
  constexpr int kGroup = 4;
  constexpr int32_t kChunk = 256;
  constexpr int kLanes = 4;
  int32_t reported = -1;
  for (int32_t L0 = first; L0 <= last; L0 += kGroup) {
    const int g = static_cast<int>(std::min<int32_t>(kGroup, last - L0 + 1));
    const int32_t done = L0 - first;
    if (progress && done / step != reported) {
      reported = done / step;
      if (!progress(done, total)) {
        out.stopped = true;
        break;
      }
    }
    double sxy[kGroup][kLanes] = {};
    const float* d = dx.data();
    int32_t i = 0;
    for (; i + kChunk <= n; i += kChunk) {
      for (int q = 0; q < g; ++q) {
        const float* yl = y + (b - (L0 + q)) + i;
        const float* dl = d + i;
        // Lanes in registers: the adds overlap and pack.
        double a[kLanes] = {};
        for (int32_t k = 0; k < kChunk; k += kLanes)
          for (int j = 0; j < kLanes; ++j)
            a[j] += static_cast<double>(dl[k + j]) * (static_cast<double>(yl[k + j]) - centre);
        for (int j = 0; j < kLanes; ++j) sxy[q][j] += a[j];
      }
    }
    for (int q = 0; q < g; ++q) {
      const int32_t L = L0 + q;
      const float* yl = y + (b - L);
      for (int32_t k = i; k < n; ++k) sxy[q][0] += static_cast<double>(d[k]) * (static_cast<double>(yl[k]) - centre);
      if (L > first) {
        // The window moves one case down: y[b - L] enters, y[e - L + 1] leaves.
        slide(y[b - L], 1);
        slide(y[e - L + 1], -1);
      }
      const double sumXY = (sxy[q][0] + sxy[q][1]) + (sxy[q][2] + sxy[q][3]);
      ranked[static_cast<size_t>(L - first)] =
          bad > 0 ? Ranked{} : rank(sumXY, sy.value(), syy.value(), slideErr, sxx, sdx, n, yr);
      ++out.lagsTried;
    }
  }
  // Any lag whose r squared by the rule may reach the best lower bound is
  // scored by the rule itself, in the search order: the winner is the
  // rule's, ties and all.
  double floor = -std::numeric_limits<double>::infinity();
  for (int32_t k = 0; k < out.lagsTried; ++k) {
    const Ranked& r = ranked[static_cast<size_t>(k)];
    if (!r.never && !r.forced) floor = std::max(floor, r.r2 - r.tol);
  }
  float best = 0.0f;
  for (int32_t k = 0; k < out.lagsTried; ++k) {
    const Ranked& r = ranked[static_cast<size_t>(k)];
    if (r.never) continue;
    if (!r.forced && !(r.r2 + r.tol >= floor && r.r2 + r.tol > 0.0)) continue;
    const float v = LagRSquared(x, y, b, e, first + k);
    if (v > best) {
      best = v;
      out.bestLag = first + k;
    }
  }
  out.rsquared = best;
  return out;
}
