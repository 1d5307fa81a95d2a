#include "analyses/fft.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "platform/macroman.h"
#include "shell/textutil.h"

namespace {

using cd = std::complex<double>;

// In-place forward transform of a power-of-two count of complex points.
// Twiddles come from one table of exact sines and cosines, not from a
// recurrence, so the error stays at rounding level for 2^17 points.
void complexFft(std::vector<cd>& a) {
  const size_t n = a.size();
  if (n < 2) return;
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  std::vector<cd> w(n / 2);
  for (size_t k = 0; k < n / 2; ++k) {
    const double t = -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
    w[k] = cd(std::cos(t), std::sin(t));
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const size_t half = len / 2, stride = n / len;
    for (size_t i = 0; i < n; i += len) {
      for (size_t k = 0; k < half; ++k) {
        const cd u = a[i + k];
        const cd v = a[i + k + half] * w[k * stride];
        a[i + k] = u + v;
        a[i + k + half] = u - v;
      }
    }
  }
}

}  // namespace

int16_t LastFftButton(int64_t nCases) {
  int16_t last = kFftFirstButton - 1;
  for (int16_t id = kFftFirstButton; id <= kFftLastButton; ++id)
    if ((int64_t{1} << id) <= nCases) last = id;
  return last;
}

std::vector<cd> RealFft(std::span<const float> x) {
  const size_t n = x.size();
  if (n < 2 || (n & (n - 1)) != 0) return {};
  const size_t m = n / 2;
  // Even samples as real parts, odd ones as imaginary: one half-size transform.
  std::vector<cd> z(m);
  for (size_t t = 0; t < m; ++t) z[t] = cd(x[2 * t], x[2 * t + 1]);
  complexFft(z);
  std::vector<cd> out(m);
  for (size_t k = 0; k < m; ++k) {
    const cd zk = z[k];
    const cd zc = std::conj(z[k == 0 ? 0 : m - k]);
    const cd even = 0.5 * (zk + zc);
    const cd odd = cd(0.0, -0.5) * (zk - zc);
    const double t = -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
    out[k] = even + cd(std::cos(t), std::sin(t)) * odd;
  }
  return out;
}

std::vector<float> MagnitudeSpectrum(std::span<const float> x) {
  const std::vector<cd> bins = RealFft(x);
  std::vector<float> mag(bins.size());
  const double scale = 2.0 / static_cast<double>(x.size());
  for (size_t j = 1; j < bins.size(); ++j) mag[j] = static_cast<float>(std::abs(bins[j]) * scale);
  return mag;
}

std::vector<float> SmoothSpectrum(std::span<const float> m) {
  std::vector<float> out(m.begin(), m.end());
  for (size_t k = 1; k + 1 < m.size(); ++k)
    out[k] = static_cast<float>((static_cast<double>(m[k - 1]) + m[k] + m[k + 1]) * 0.333333);
  return out;
}

double FftUnitValue(double hz, int16_t unit) {
  auto period = [hz](double scale) {
    return hz == 0.0 ? std::numeric_limits<double>::infinity() : scale / hz;
  };
  switch (unit) {
    case 2: return hz * 1000.0;
    case 3: return hz / 1000.0;
    case 5: return period(1000.0);
    case 6: return period(1.0);
    case 7: return period(0.01666667);
    case 8: return period(0.00027777778);
    default: return hz;
  }
}

const char* FftUnitColumnTitle(int16_t unit) {
  switch (unit) {
    case 2: return "frequency (mHz) ";
    case 3: return "frequency (KHz) ";
    case 5: return "period (msec) ";
    case 6: return "period (sec) ";
    case 7: return "period (min) ";
    case 8: return "period (hours) ";
    default: return "frequency (Hz) ";
  }
}

const char* FftUnitShortName(int16_t unit) {
  switch (unit) {
    case 2: return "mHz";
    case 3: return "KHz";
    case 5: return "msec";
    case 6: return "sec";
    case 7: return "min";
    case 8: return "hours";
    default: return "Hz";
  }
}

int64_t FftElementAtColumn(int x, int width, int64_t shown) {
  if (shown <= 0 || width <= 0) return 1;
  int64_t k;
  if (shown <= width)
    k = x / std::max<int64_t>(1, width / shown);
  else
    k = static_cast<int64_t>(static_cast<double>(x) * static_cast<double>(shown) / width);
  return std::clamp<int64_t>(k, 1, shown);
}

std::string FftResultsText(std::span<const float> magnitudes, int64_t n, double dt, int16_t unit) {
  std::string s = std::string(FftUnitColumnTitle(unit)) + "\tmagnitude\n";
  s.reserve(s.size() + magnitudes.size() * 24);
  for (size_t j = 0; j < magnitudes.size(); ++j) {
    s += NumText(FftUnitValue(FftBinHz(static_cast<int64_t>(j), n, dt), unit));
    s += '\t';
    s += NumText(magnitudes[j]);
    s += '\n';
  }
  return plat::toDiskText(s);
}
