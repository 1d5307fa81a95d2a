#include "editing/lag.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
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

LagSearch FindBestLag(const float* x, const float* y, int32_t b, int32_t e, int32_t maxLag,
                      const std::function<bool(int32_t, int32_t)>& progress) {
  LagSearch out;
  if (e < b) return out;
  const int32_t n = e - b + 1;
  // The active channel centred once: with sum(dx) = 0, sum(dx * y) needs no
  // mean of y.
  // Deviations in single precision: they only rank the lags, and the winner
  // is scored again by the two-pass rule.
  std::vector<float> dx(static_cast<size_t>(n));
  double sx = 0.0;
  for (int32_t i = b; i <= e; ++i) sx += x[i];
  const double mx = sx / n;
  double sxx = 0.0;
  for (int32_t i = 0; i < n; ++i) {
    dx[static_cast<size_t>(i)] = static_cast<float>(x[b + i] - mx);
    sxx += static_cast<double>(dx[static_cast<size_t>(i)]) * dx[static_cast<size_t>(i)];
  }
  const int32_t first = maxLag <= 0 ? maxLag : 0;
  const int32_t last = maxLag <= 0 ? 0 : maxLag;
  const int32_t total = last - first + 1;
  const int32_t step = std::max(1, total / 100);
  std::vector<float> fast(static_cast<size_t>(total), std::nanf(""));
  // Sums of the comparison window y[b - L .. e - L].
  double sy = 0.0, syy = 0.0;
  for (int32_t i = b; i <= e; ++i) {
    const double v = y[i - first];
    sy += v;
    syy += v * v;
  }
  // Lags go in groups of four over each chunk of the block: the chunk of
  // deviations and the four overlapping windows stay in cache, so memory is
  // read about once per group instead of once per lag.
  constexpr int kGroup = 4;
  constexpr int32_t kChunk = 256;
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
    double sxy[kGroup] = {};
    const float* d = dx.data();
    int32_t i = 0;
    for (; i + kChunk <= n; i += kChunk) {
      for (int q = 0; q < g; ++q) {
        // Eight single-precision lanes per chunk, added into a double: the
        // lanes pack, and no float sum grows long.
        const float* yl = y + (b - (L0 + q)) + i;
        float lane[8] = {};
        for (int32_t k = 0; k < kChunk; k += 8)
          for (int j = 0; j < 8; ++j) lane[j] += d[i + k + j] * yl[k + j];
        sxy[q] += static_cast<double>((lane[0] + lane[1]) + (lane[2] + lane[3])) +
                  static_cast<double>((lane[4] + lane[5]) + (lane[6] + lane[7]));
      }
    }
    for (int q = 0; q < g; ++q) {
      const float* yl = y + (b - (L0 + q));
      for (int32_t k = i; k < n; ++k) sxy[q] += static_cast<double>(d[k]) * yl[k];
    }
    for (int q = 0; q < g; ++q) {
      const int32_t L = L0 + q;
      if (L > first) {
        // The window moves one case down: y[b - L] enters, y[e - L + 1] leaves.
        const double in = y[b - L], gone = y[e - L + 1];
        sy += in - gone;
        syy += in * in - gone * gone;
      }
      const double vyy = syy - sy * sy / n;
      fast[static_cast<size_t>(L - first)] =
          vyy > 0.0 && sxx > 0.0 ? static_cast<float>(sxy[q] * sxy[q] / sxx / vyy) : std::nanf("");
      ++out.lagsTried;
    }
  }
  float top = 0.0f;
  for (int32_t k = 0; k < out.lagsTried; ++k)
    if (fast[static_cast<size_t>(k)] > top) top = fast[static_cast<size_t>(k)];
  if (!(top > 0.0f)) return out;
  // Rank close calls by the two-pass score, in the search order.
  float best = 0.0f;
  for (int32_t k = 0; k < out.lagsTried; ++k) {
    const float f = fast[static_cast<size_t>(k)];
    if (!(f >= top * (1.0f - 1e-6f))) continue;
    const float r = LagRSquared(x, y, b, e, first + k);
    if (r > best) {
      best = r;
      out.bestLag = first + k;
    }
  }
  out.rsquared = best;
  return out;
}
