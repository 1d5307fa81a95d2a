#include "analyses/fft.h"

#include <gtest/gtest.h>

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
// for odd and even powers of two, and lengths too short for four at a time.
TEST(Fft, SpectrumHasTheBitsOfTheBinsMagnitudes) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> d(-1.0f, 1.0f);
  for (size_t n = 8; n <= (size_t{1} << 16); n *= 2) {
    SCOPED_TRACE(n);
    std::vector<float> x(n);
    for (float& v : x) v = 20.9f + d(rng);
    const auto bins = RealFft(x);
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
               {7, 0.5, 0.03333334, "period (min) "}, {8, 0.5, 0.00055555556, "period (hours) "}};
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
