#include "analyses/fft.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

namespace {

// The plainly right transform, in long double, over one table of exact
// twiddles.
std::vector<std::complex<long double>> NaiveDft(const std::vector<float>& x) {
  const size_t n = x.size();
  std::vector<std::complex<long double>> tw(n), out(n / 2);
  for (size_t k = 0; k < n; ++k) {
    const long double a = -2.0L * std::numbers::pi_v<long double> * static_cast<long double>(k) / n;
    tw[k] = {std::cos(a), std::sin(a)};
  }
  for (size_t j = 0; j < n / 2; ++j)
    for (size_t t = 0; t < n; ++t) out[j] += static_cast<long double>(x[t]) * tw[j * t % n];
  return out;
}

// A product no compiler fuses with the sum it goes into, as the library is
// built to keep them apart.
[[gnu::noinline]] double Times(double a, double b) { return a * b; }

// The transform step by step, in the order of its operations and with its
// twiddles, without the fast one's blocking, reordering and fusing of
// passes: the bits every rearrangement of the fast one must keep.
std::vector<std::complex<double>> PlainRealFft(const std::vector<float>& x) {
  const size_t n = x.size(), m = n / 2, eighth = n / 8;
  std::vector<double> c(eighth + 1), s(eighth + 1);
  for (size_t k = 0; k <= eighth; ++k) {
    const double a = 2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
    c[k] = std::cos(a);
    s[k] = std::sin(a);
  }
  const auto w = [&](size_t t) {   // exp(-2 pi i t / n) from the first eighth by symmetry
    const size_t q = t / (n / 4), r = t % (n / 4);
    const double a = r <= eighth ? c[r] : s[n / 4 - r], b = r <= eighth ? s[r] : c[n / 4 - r];
    const double co[4] = {a, -b, -a, b}, si[4] = {b, a, -b, -a};
    return std::complex<double>(co[q], -si[q]);
  };
  const int bits = std::countr_zero(m);
  std::vector<double> re(m), im(m);
  for (size_t i = 0; i < m; ++i) {
    size_t j = 0;
    for (int b = 0; b < bits; ++b) j |= ((i >> b) & 1) << (bits - 1 - b);
    re[i] = x[2 * j];
    im[i] = x[2 * j + 1];
  }
  for (size_t h = 1; 4 * h <= m; h *= 4)
    for (size_t i = 0; i < m; i += 4 * h)
      for (size_t k = 0; k < h; ++k) {
        const size_t p0 = i + k, p1 = p0 + h, p2 = p0 + 2 * h, p3 = p0 + 3 * h;
        double br = re[p1], bi = im[p1], cr = re[p2], ci = im[p2], dr = re[p3], di = im[p3];
        if (h > 1) {   // the first stage's twiddles are all 1 and not multiplied
          const auto a1 = w(k * (n / (4 * h))), a2 = w(2 * k * (n / (4 * h))), a3 = w(3 * k * (n / (4 * h)));
          const auto times = [](std::complex<double> a, double& r, double& i) {
            const double nr = Times(a.real(), r) - Times(a.imag(), i), ni = Times(a.real(), i) + Times(a.imag(), r);
            r = nr, i = ni;
          };
          times(a2, br, bi);
          times(a1, cr, ci);
          times(a3, dr, di);
        }
        const double sr = re[p0] + br, si = im[p0] + bi, tr = re[p0] - br, ti = im[p0] - bi;
        const double ur = cr + dr, ui = ci + di, vr = cr - dr, vi = ci - di;
        re[p0] = sr + ur, im[p0] = si + ui, re[p2] = sr - ur, im[p2] = si - ui;
        re[p1] = tr + vi, im[p1] = ti - vr, re[p3] = tr - vi, im[p3] = ti + vr;
      }
  if (bits % 2)
    for (size_t k = 0; k < m / 2; ++k) {
      const auto a = w(2 * k);
      const double xr = re[k + m / 2], xi = im[k + m / 2];
      const double br = Times(a.real(), xr) - Times(a.imag(), xi), bi = Times(a.real(), xi) + Times(a.imag(), xr);
      const double ar = re[k], ai = im[k];
      re[k] = ar + br, im[k] = ai + bi, re[k + m / 2] = ar - br, im[k + m / 2] = ai - bi;
    }
  std::vector<std::complex<double>> out(m);
  for (size_t k = 0; k < m; ++k) {
    const size_t j = k == 0 ? 0 : m - k;
    const double er = 0.5 * (re[k] + re[j]), ei = 0.5 * (im[k] - im[j]);
    const double orr = 0.5 * (im[k] + im[j]), oi = -0.5 * (re[k] - re[j]);
    const auto a = w(k);
    out[k] = {er + (Times(a.real(), orr) - Times(a.imag(), oi)), ei + (Times(a.real(), oi) + Times(a.imag(), orr))};
  }
  return out;
}

}  // namespace

TEST(Fft, EveryBinEqualsANaiveTransform) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> d(-1000.0f, 1000.0f);
  for (size_t n = 128; n <= 4096; n *= 2) {
    SCOPED_TRACE(n);
    std::vector<float> x(n);
    for (float& v : x) v = d(rng) + 5000.0f;   // a large mean, as real channels have
    const auto bins = RealFft(x);
    ASSERT_EQ(bins.size(), n / 2);
    const auto ref = NaiveDft(x);
    long double peak = 0;
    for (const auto& r : ref) peak = std::max(peak, std::abs(r));
    for (size_t j = 0; j < n / 2; ++j) {
      EXPECT_NEAR(bins[j].real(), static_cast<double>(ref[j].real()), 1e-9 * static_cast<double>(peak)) << j;
      EXPECT_NEAR(bins[j].imag(), static_cast<double>(ref[j].imag()), 1e-9 * static_cast<double>(peak)) << j;
    }
  }
  EXPECT_TRUE(RealFft(std::vector<float>(100)).empty()) << "not a power of two";
}

// Lengths whose wider stages pass over the whole array rather than block by
// block, odd and even powers of four: sampled bins against the naive sum, and
// the magnitudes the spectrum shows.
TEST(Fft, LongTransformsMatchTheNaiveSumBinByBin) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<float> d(-1.0f, 1.0f);
  for (size_t n : {size_t{1} << 14, size_t{1} << 15, size_t{1} << 16}) {
    SCOPED_TRACE(n);
    std::vector<float> x(n);
    for (size_t t = 0; t < n; ++t)
      x[t] = 20.9f + 0.5f * std::sin(static_cast<float>(t) * 0.003f) + 0.01f * d(rng);
    std::vector<std::complex<long double>> tw(n);
    for (size_t k = 0; k < n; ++k) {
      const long double a = -2.0L * std::numbers::pi_v<long double> * static_cast<long double>(k) / n;
      tw[k] = {std::cos(a), std::sin(a)};
    }
    const auto bins = RealFft(x);
    const auto mags = MagnitudeSpectrum(x);
    ASSERT_EQ(bins.size(), n / 2);
    ASSERT_EQ(mags.size(), n / 2);
    const long double peak = 20.9L * n;   // bin 0 holds the sum
    for (size_t j : {size_t{0}, size_t{1}, size_t{2}, n / 8, n / 4 - 1, n / 4, n / 2 - 1}) {
      std::complex<long double> ref;
      for (size_t t = 0; t < n; ++t) ref += static_cast<long double>(x[t]) * tw[j * t % n];
      EXPECT_NEAR(bins[j].real(), static_cast<double>(ref.real()), 1e-12 * static_cast<double>(peak)) << j;
      EXPECT_NEAR(bins[j].imag(), static_cast<double>(ref.imag()), 1e-12 * static_cast<double>(peak)) << j;
      if (j > 0) {
        const double want = static_cast<double>(std::abs(ref) * 2 / n);
        EXPECT_NEAR(mags[j], want, 1e-6 * want + 1e-9) << j;
      }
    }
    for (size_t j = 0; j < n / 2; j += 97) {
      std::complex<long double> ref;
      for (size_t t = 0; t < n; ++t) ref += static_cast<long double>(x[t]) * tw[j * t % n];
      EXPECT_NEAR(bins[j].real(), static_cast<double>(ref.real()), 1e-12 * static_cast<double>(peak)) << j;
      EXPECT_NEAR(bins[j].imag(), static_cast<double>(ref.imag()), 1e-12 * static_cast<double>(peak)) << j;
    }
  }
}

// The spectrum works the last stage out as it reads and four bins at a
// time: every magnitude has the bits of the one the transform's bins give,
// for odd and even powers of two, and lengths too short for four at a time;
// and the bins have the bits of the plain transform's, up to the lengths
// whose points are gathered eight blocks at a time, in more than one set.
TEST(Fft, SpectrumHasTheBitsOfTheBinsMagnitudes) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> d(-1.0f, 1.0f);
  for (size_t n = 8; n <= (size_t{1} << 18); n *= 2) {
    SCOPED_TRACE(n);
    std::vector<float> x(n);
    for (float& v : x) v = 20.9f + d(rng);
    const auto bins = RealFft(x);
    const auto plain = PlainRealFft(x);
    for (size_t j = 0; j < n / 2; ++j) {
      ASSERT_EQ(std::bit_cast<uint64_t>(bins[j].real()), std::bit_cast<uint64_t>(plain[j].real())) << j;
      ASSERT_EQ(std::bit_cast<uint64_t>(bins[j].imag()), std::bit_cast<uint64_t>(plain[j].imag())) << j;
    }
    const auto mags = MagnitudeSpectrum(x);
    ASSERT_EQ(mags.size(), n / 2);
    EXPECT_EQ(mags[0], 0.0f);
    const double scale = 1.0 / static_cast<double>(n / 2);
    for (size_t j = 1; j < n / 2; ++j) {
      const double r = bins[j].real(), i = bins[j].imag();
      ASSERT_EQ(mags[j], static_cast<float>(std::sqrt(r * r + i * i) * scale)) << j;
    }
  }
}

TEST(Fft, MagnitudesOfCosineSineAndConstant) {
  const size_t n = 128;
  std::vector<float> c(n), s(n), k(n, 42.0f);
  for (size_t t = 0; t < n; ++t) {
    const double a = 2.0 * std::numbers::pi * 8.0 * static_cast<double>(t) / n;
    c[t] = static_cast<float>(3.0 * std::cos(a));
    s[t] = static_cast<float>(3.0 * std::sin(a) + 10.0);
  }
  for (const auto* x : {&c, &s}) {
    const auto m = MagnitudeSpectrum(*x);
    ASSERT_EQ(m.size(), n / 2);
    EXPECT_NEAR(m[8], 3.0, 1e-5);
    for (size_t j = 0; j < m.size(); ++j) {
      if (j != 8) {
        EXPECT_NEAR(m[j], 0.0, 1e-5) << j;   // the mean of the sine is not a wave
      }
    }
  }
  for (float v : MagnitudeSpectrum(k)) EXPECT_NEAR(v, 0.0f, 1e-5f);
  // Bin 8 of 128 at 0.25 s lies at 8 / (128 * 0.25) Hz.
  EXPECT_DOUBLE_EQ(FftBinHz(8, 128, 0.25), 0.25);
}

TEST(Fft, ButtonsUnitsSmoothingAndFile) {
  EXPECT_EQ(LastFftButton(1000), 9);      // 128, 256 and 512
  EXPECT_EQ(LastFftButton(127), 6);       // none
  EXPECT_EQ(LastFftButton(7'000'000), 18);
  const struct {
    int16_t unit;
    double hz, value;
    const char* title;
  } units[] = {{1, 0.5, 0.5, "frequency (Hz) "},   {2, 0.5, 500.0, "frequency (mHz) "},
               {3, 500.0, 0.5, "frequency (KHz) "}, {4, 2.0, 2.0, "frequency (Hz) "},
               {5, 0.5, 2000.0, "period (msec) "},  {6, 0.5, 2.0, "period (sec) "},
               {7, 0.5, 2.0 / 60, "period (min) "}, {8, 0.5, 2.0 / 3600, "period (hours) "}};
  for (const auto& u : units) {
    SCOPED_TRACE(u.unit);
    EXPECT_NEAR(FftUnitValue(u.hz, u.unit), u.value, 1e-12);
    EXPECT_STREQ(FftUnitColumnTitle(u.unit), u.title);
  }
  EXPECT_TRUE(std::isinf(FftUnitValue(0.0, 6)));
  const std::vector<float> m = {0.0f, 3.0f, 0.0f, 6.0f};
  const auto sm = SmoothSpectrum(m);
  EXPECT_EQ(sm.front(), 0.0f);
  EXPECT_NEAR(sm[1], 1.0f, 1e-5f);
  EXPECT_NEAR(sm[2], 3.0f, 1e-5f);
  EXPECT_EQ(sm.back(), 6.0f);
  // Four bins of an 8-point transform at 0.25 s: 0, 0.5, 1 and 1.5 Hz.
  EXPECT_EQ(FftResultsText(m, 8, 0.25, 6), "period (sec) \tmagnitude\n INF\t 0\n 2\t 3\n 1\t 0\n 0.6666666667\t 6\n");
  EXPECT_EQ(FftElementAtColumn(5, 100, 50), 2);    // two columns a bin
  EXPECT_EQ(FftElementAtColumn(0, 100, 50), 1);
  EXPECT_EQ(FftElementAtColumn(50, 100, 1000), 500);
  EXPECT_EQ(FftElementAtColumn(500, 100, 1000), 1000);
}
