#include "analyses/polyfit.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <utility>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<float> count(int n) {
  std::vector<float> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = static_cast<float>(i);
  return v;
}

PolyFit fitOf(const std::vector<float>& x, const std::vector<float>& y, int d) {
  PolyFit f;
  EXPECT_EQ(FitPolynomial(x, y, 0, static_cast<int32_t>(y.size()) - 1, d, &f), PolyStatus::Ok) << d;
  return f;
}

// Least squares by modified Gram-Schmidt on the power columns, in long
// double: slow and plainly right.
std::vector<long double> referenceFit(const std::vector<float>& x, const std::vector<float>& y, int d) {
  const size_t n = x.size(), m = static_cast<size_t>(d) + 1;
  std::vector<std::vector<long double>> q(m, std::vector<long double>(n));
  std::vector<std::vector<long double>> r(m, std::vector<long double>(m, 0.0L));
  for (size_t j = 0; j < m; ++j)
    for (size_t i = 0; i < n; ++i) q[j][i] = std::pow(static_cast<long double>(x[i]), static_cast<long double>(j));
  std::vector<long double> b(y.begin(), y.end());
  for (size_t j = 0; j < m; ++j) {
    for (size_t k = 0; k < j; ++k) {
      long double dot = 0.0L;
      for (size_t i = 0; i < n; ++i) dot += q[k][i] * q[j][i];
      r[k][j] = dot;
      for (size_t i = 0; i < n; ++i) q[j][i] -= dot * q[k][i];
    }
    long double norm = 0.0L;
    for (size_t i = 0; i < n; ++i) norm += q[j][i] * q[j][i];
    norm = std::sqrt(norm);
    r[j][j] = norm;
    for (size_t i = 0; i < n; ++i) q[j][i] /= norm;
    long double dot = 0.0L;
    for (size_t i = 0; i < n; ++i) dot += q[j][i] * b[i];
    r[j].push_back(dot);
    for (size_t i = 0; i < n; ++i) b[i] -= dot * q[j][i];
  }
  std::vector<long double> c(m);
  for (size_t j = m; j-- > 0;) {
    long double s = r[j][m];
    for (size_t k = j + 1; k < m; ++k) s -= r[j][k] * c[k];
    c[j] = s / r[j][j];
  }
  return c;
}

TEST(PolynomialFit, WorkedExamplesGiveTheirCoefficientsAndStatistics) {
  const std::vector<float> x10 = count(10), x5 = count(5);
  std::vector<float> quad;
  for (float v : x10) quad.push_back(1 + 2 * v + 3 * v * v);
  const std::vector<float> line = {2.1f, 3.9f, 6.2f, 7.8f, 10.1f, 12.2f, 13.8f, 16.1f, 18.0f, 19.9f};
  const std::vector<float> zigzag = {1, 0, 1, 0, 1};
  // r^2 NaN: a constant Y leaves nothing to explain (the line fit's rule; it
  // said 1 here). A NaN in Y is refused below.
  const std::vector<float> flat(5, 3.0f);
  const double nan = std::nan("");
  const struct {
    const std::vector<float>* x;
    const std::vector<float>* y;
    int d;
    std::vector<double> ccHighFirst;   // empty: not checked
    double tol, r2, resVar;
  } cases[] = {
      {&x10, &quad, 2, {3, 2, 1}, 1e-9, 1.0, 0.0},
      {&x10, &quad, 1, {29, -35}, 1e-9, 0.9359, 594.0},
      {&x10, &line, 1, {1.990909, 2.050909}, 1e-6, 0.999382, 0.0252727},
      {&x10, &line, 2, {-0.00189396, 2.0079547, 2.0281817}, 2e-7, 0.999388, -1},
      {&x5, &zigzag, 1, {}, 0, 0.0, -1},
      {&x5, &zigzag, 2, {}, 0, 0.238095, -1},
      {&x5, &zigzag, 3, {}, 0, 0.238095, -1},
      {&x5, &zigzag, 4, {}, 0, 1.0, 0.0},
      {&x5, &flat, 1, {}, 0, nan, -1},
      {&x5, &flat, 2, {}, 0, nan, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "degree " << c.d << " n " << c.x->size() << " y0 " << (*c.y)[0]);
    const PolyFit f = fitOf(*c.x, *c.y, c.d);
    for (size_t i = 0; i < c.ccHighFirst.size(); ++i)
      EXPECT_NEAR(f.power[static_cast<size_t>(c.d) - i], c.ccHighFirst[i], c.tol) << i;
    if (std::isnan(c.r2)) EXPECT_TRUE(std::isnan(f.r2)) << f.r2;
    else EXPECT_NEAR(f.r2, c.r2, 1e-6);
    if (c.resVar >= 0) {
      EXPECT_NEAR(f.residualVariance, c.resVar, 1e-6 * std::max(1.0, c.resVar));
    }
  }
  const PolyFit l = fitOf(x10, line, 1);
  EXPECT_FLOAT_EQ(l.meanX, 4.5f);
  EXPECT_NEAR(l.sdX, 2.872281f, 1e-6);
  EXPECT_NEAR(l.meanY, 11.01f, 1e-5);
  EXPECT_NEAR(l.sdY, 5.720218f, 1e-6);
}

TEST(PolynomialFit, DegreesTheDataCannotCarryAreRefused) {
  const std::vector<float> x5 = count(5), zigzag = {1, 0, 1, 0, 1};
  const std::vector<float> sameX(8, 3.0f), y8 = count(8), holedX = {1, 2, std::nanf(""), 4, 5};
  std::vector<float> nanFirstX = count(8);
  nanFirstX[0] = std::nanf("");
  // A NaN or an infinity in Y made every coefficient, r^2 and the residual
  // variance NaN, and that fit was stored as the result.
  constexpr float inf = std::numeric_limits<float>::infinity();
  const std::vector<float> holedY = {1, 2, std::nanf(""), 4, 5}, infiniteY = {1, 2, 3, inf, 5};
  const std::vector<float> infiniteX = {1, 2, 3, 4, inf}, sinkingX = {-inf, 2, 3, 4, 5};
  const std::vector<float> x12 = count(12);
  std::vector<float> lateInfY = count(12);
  lateInfY[11] = -inf;
  PolyFit f;
  f.degree = 77;
  const struct {
    const std::vector<float>* x;
    const std::vector<float>* y;
    int32_t first, last;
    int d;
    PolyStatus want;
  } cases[] = {
      {&x5, &zigzag, 0, 4, 5, PolyStatus::Degenerate},   // five cases, six coefficients
      {&x5, &zigzag, 0, 4, 0, PolyStatus::BadDegree},
      {&x5, &zigzag, 0, 4, 10, PolyStatus::BadDegree},
      {&x5, &zigzag, 0, 5, 1, PolyStatus::BadSpan},
      {&sameX, &y8, 0, 7, 1, PolyStatus::Degenerate},   // no spread in X at all
      {&x5, &zigzag, 4, 4, 1, PolyStatus::Degenerate},
      // A NaN in X is said to be one, not "too few distinct X values".
      {&holedX, &zigzag, 0, 4, 1, PolyStatus::XNotANumber},
      {&holedX, &zigzag, 0, 4, 3, PolyStatus::XNotANumber},
      {&nanFirstX, &y8, 0, 7, 2, PolyStatus::XNotANumber},
      {&nanFirstX, &y8, 0, 7, 9, PolyStatus::XNotANumber},
      {&nanFirstX, &y8, 1, 1, 1, PolyStatus::Degenerate},   // one case, no NaN in the block
      {&x5, &holedY, 0, 4, 1, PolyStatus::YNotANumber},
      {&x5, &holedY, 0, 4, 3, PolyStatus::YNotANumber},
      {&x5, &holedY, 0, 1, 1, PolyStatus::Ok},   // the NaN outside the block
      {&x5, &infiniteY, 0, 4, 2, PolyStatus::YInfinite},
      {&x5, &infiniteY, 4, 0, 1, PolyStatus::YInfinite},   // reversed span
      {&x12, &lateInfY, 0, 11, 9, PolyStatus::YInfinite},
      // An infinity in X was "too few distinct X values for this degree".
      {&infiniteX, &zigzag, 0, 4, 1, PolyStatus::XInfinite},
      {&infiniteX, &zigzag, 0, 4, 3, PolyStatus::XInfinite},
      {&sinkingX, &holedY, 0, 4, 2, PolyStatus::XInfinite},   // X named before Y
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "degree " << c.d << ", cases " << c.first << ".." << c.last);
    f.degree = 77;
    EXPECT_EQ(FitPolynomial(*c.x, *c.y, c.first, c.last, c.d, &f), c.want);
    PolyFit passes;
    passes.degree = 77;
    EXPECT_EQ(FitPolynomialByPasses(*c.x, *c.y, c.first, c.last, c.d, &passes), c.want);
    if (c.want != PolyStatus::Ok) {
      EXPECT_EQ(f.degree, 77);   // untouched
      EXPECT_EQ(passes.degree, 77);
      EXPECT_NE(std::string(PolyStatusText(c.want)), "");
    }
  }
  // Repeated X values: three distinct values carry degree 2, not 3.
  const std::vector<float> x3 = {1, 1, 2, 2, 3, 3, 1, 2, 3}, y3 = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(FitPolynomial(x3, y3, 0, 8, 2, &f), PolyStatus::Ok);
  EXPECT_EQ(FitPolynomial(x3, y3, 0, 8, 3, &f), PolyStatus::Degenerate);
}

TEST(PolynomialFit, WamplerDataKeepNineSignificantDigits) {
  const std::vector<float> x = count(21);
  std::vector<float> w1, w2;
  for (float v : x) {
    const double t = v;
    w1.push_back(static_cast<float>(1 + t + t * t + t * t * t + t * t * t * t + t * t * t * t * t));
    w2.push_back(static_cast<float>(1 + 0.1 * t + 0.01 * t * t + 1e-3 * t * t * t + 1e-4 * t * t * t * t +
                                    1e-5 * t * t * t * t * t));
  }
  const PolyFit f1 = fitOf(x, w1, 5);
  for (int p = 0; p <= 5; ++p) EXPECT_NEAR(f1.power[static_cast<size_t>(p)], 1.0, 1e-9) << p;
  EXPECT_DOUBLE_EQ(f1.r2, 1.0);
  // Wampler2's values are not exact in float: compare with the exact fit of
  // the values as stored.
  const PolyFit f2 = fitOf(x, w2, 5);
  const std::vector<long double> ref = referenceFit(x, w2, 5);
  for (int p = 0; p <= 5; ++p) {
    const double want = static_cast<double>(ref[static_cast<size_t>(p)]);
    EXPECT_NEAR(f2.power[static_cast<size_t>(p)], want, 1e-9 * std::abs(want)) << p;
  }
}

// Degrees 1 and 2 are built from one pass of power moments, higher ones from
// one pass of Chebyshev moments (about the block's ends, or after a pass for
// the extremes), or fall back on the passes where the moments would lose
// digits: every way must agree with the passes, and where the data hold an
// exact polynomial, both must find it.
TEST(PolynomialFit, MomentFitAgreesWithThePasses) {
  std::mt19937 gen(7);
  std::normal_distribution<float> noise(0.0f, 1.0f);
  const int n = 20000;
  std::vector<float> ramp, offset, clustered, noisy, exact, tiny;
  for (int i = 0; i < n; ++i) {
    const double u = i / static_cast<double>(n);
    ramp.push_back(static_cast<float>(u));
    offset.push_back(static_cast<float>(1e4 + 0.01 * i));
    // One case far off, the rest bunched: most of t's spread sits in one case.
    clustered.push_back(i == 0 ? 0.0f : static_cast<float>(1.0 + 1e-4 * u));
    noisy.push_back(static_cast<float>(3.0 - 2.0 * u + 5.0 * u * u) + 0.1f * noise(gen));
    exact.push_back(static_cast<float>(1.0 + 2.0 * (i % 100) + 3.0 * (i % 100) * (i % 100)));
    tiny.push_back(static_cast<float>(1e3 + 1e-3 * u * u) + 1e-5f * noise(gen));
  }
  std::vector<float> exactX, loop, spiked = noisy;
  for (int i = 0; i < n; ++i) {
    exactX.push_back(static_cast<float>(i % 100));
    loop.push_back(static_cast<float>(std::sin(6.283185307179586 * i / (n - 1))));
  }
  spiked[0] = 1e4f;
  std::vector<float> wander, calibration;
  for (int i = 0; i < n; ++i) {
    const double u = i / static_cast<double>(n);
    wander.push_back(static_cast<float>(25.0 + 2.0 * u + 3.0 * std::sin(9.0 * u) * std::sin(2.3 * u)));
    const double v = wander.back() - 25.0;
    calibration.push_back(static_cast<float>(((((1e-5 * v - 2e-4) * v + 3e-3) * v + 0.02) * v + 0.9) * v + 4.0) +
                          1e-6f * noise(gen));
  }
  const std::vector<double> quadratic = {1, 2, 3};
  const struct {
    const char* what;
    const std::vector<float>* x;
    const std::vector<float>* y;
    const std::vector<double>* exact;   // low power first; nullptr: not exact
    int passesUpTo = kMaxPolyDegree;    // degrees held to the passes (beyond: the noise of an exact curve)
  } cases[] = {
      {"noisy quadratic", &ramp, &noisy, nullptr},
      {"far from zero", &offset, &noisy, nullptr},
      {"bunched X", &clustered, &noisy, nullptr},
      {"exact quadratic", &exactX, &exact, &quadratic},
      {"small curvature on a big level", &ramp, &tiny, nullptr},
      {"X back where it began", &loop, &noisy, nullptr},
      {"Y opening on a spike", &ramp, &spiked, nullptr},
      {"X wandering past its end cases", &wander, &noisy, nullptr},
      // So close that the residuals are summed one by one.
      {"a calibration curve", &wander, &calibration, nullptr, 5},
  };
  for (const auto& c : cases) {
    for (int d = 1; d <= kMaxPolyDegree; ++d) {
      SCOPED_TRACE(::testing::Message() << c.what << " degree " << d);
      PolyFit fused, passes;
      ASSERT_EQ(FitPolynomial(*c.x, *c.y, 0, n - 1, d, &fused), PolyStatus::Ok);
      ASSERT_EQ(FitPolynomialByPasses(*c.x, *c.y, 0, n - 1, d, &passes), PolyStatus::Ok);
      for (int p = 0; p <= d && d <= c.passesUpTo; ++p) {
        const auto q = static_cast<size_t>(p);
        if (c.exact && d >= 2) {
          const double want = q < c.exact->size() ? (*c.exact)[q] : 0.0;
          EXPECT_NEAR(fused.power[q], want, 1e-8 * std::max(1.0, std::abs(want))) << p;
          EXPECT_NEAR(passes.power[q], want, 1e-8 * std::max(1.0, std::abs(want))) << p;
        } else {
          const double want = passes.power[q];
          EXPECT_NEAR(fused.power[q], want, 1e-9 * std::max(1.0, std::abs(want))) << p;
        }
      }
      if (d <= c.passesUpTo) {
        EXPECT_NEAR(fused.r2, passes.r2, 1e-12);
        EXPECT_NEAR(fused.residualVariance, passes.residualVariance, 1e-9 * passes.residualVariance + 1e-12);
      }
      EXPECT_FLOAT_EQ(fused.sdX, passes.sdX);
      EXPECT_FLOAT_EQ(fused.sdY, passes.sdY);
      EXPECT_FLOAT_EQ(fused.meanX, passes.meanX);
      EXPECT_FLOAT_EQ(fused.meanY, passes.meanY);
      // The wider instructions' kernels give the baseline loops' bits, over
      // whole groups of four cases and with one to three left over.
      for (const int last : {n - 1, n - 2, n - 3, n - 4}) {
        PolyFit wide, plain;
        ASSERT_EQ(FitPolynomial(*c.x, *c.y, 0, last, d, &wide), PolyStatus::Ok);
        ASSERT_EQ(FitPolynomial(*c.x, *c.y, 0, last, d, &plain, false), PolyStatus::Ok);
        for (int p = 0; p <= d; ++p)
          EXPECT_EQ(std::bit_cast<uint64_t>(wide.power[static_cast<size_t>(p)]),
                    std::bit_cast<uint64_t>(plain.power[static_cast<size_t>(p)])) << last << " power " << p;
        EXPECT_EQ(std::bit_cast<uint64_t>(wide.r2), std::bit_cast<uint64_t>(plain.r2)) << last;
        EXPECT_EQ(std::bit_cast<uint64_t>(wide.residualVariance), std::bit_cast<uint64_t>(plain.residualVariance));
        EXPECT_EQ(std::bit_cast<uint32_t>(wide.sdX), std::bit_cast<uint32_t>(plain.sdX)) << last;
        EXPECT_EQ(std::bit_cast<uint32_t>(wide.sdY), std::bit_cast<uint32_t>(plain.sdY)) << last;
      }
    }
  }
  // Two distinct X values carry a line, never a parabola.
  const std::vector<float> twoX = {1, 2, 1, 2, 1, 2}, y6 = {1, 2, 3, 4, 5, 6};
  PolyFit f;
  EXPECT_EQ(FitPolynomial(twoX, y6, 0, 5, 1, &f), PolyStatus::Ok);
  EXPECT_EQ(FitPolynomial(twoX, y6, 0, 5, 2, &f), PolyStatus::Degenerate);
}

TEST(PolynomialFit, SeriesStopsAtTheFirstDegreeThatCannotBeFitted) {
  const std::vector<float> x5 = count(5), zigzag = {1, 0, 1, 0, 1};
  PolySeries s = PolynomialSeries(x5, zigzag, 0, 4);
  EXPECT_TRUE(s.refused);
  EXPECT_EQ(s.shownDegree, 4);
  EXPECT_NEAR(s.r2[2], 0.238095f, 1e-6);
  EXPECT_FLOAT_EQ(s.r2[4], 1.0f);
  for (int d = 5; d <= 9; ++d) EXPECT_EQ(s.r2[static_cast<size_t>(d)], 0.0f);
  // A constant Y has no r^2 at any degree: nothing is shown.
  s = PolynomialSeries(x5, std::vector<float>(5, 3.0f), 0, 4);
  EXPECT_TRUE(s.refused);
  EXPECT_EQ(s.shownDegree, 0);

  const std::vector<float> x = count(30);
  std::vector<float> y;
  for (float v : x) y.push_back(std::sin(v * 0.7f) + 0.01f * v);
  s = PolynomialSeries(x, y, 0, 29);
  EXPECT_FALSE(s.refused || s.fell);
  EXPECT_EQ(s.shownDegree, 9);
  for (int d = 2; d <= 9; ++d) EXPECT_GE(s.r2[static_cast<size_t>(d)], s.r2[static_cast<size_t>(d) - 1]);

  // The axis spans at least one tenth, even when degree 1 already fits.
  PolySeries perfect;
  perfect.r2.fill(1.0f);
  EXPECT_EQ(PolyHistogramAxis(perfect).lo, 9);
  EXPECT_EQ(PolyHistogramAxis(perfect).hi, 10);
  PolySeries half;
  half.r2 = {0, 0.55f, 0.93f};
  EXPECT_EQ(PolyHistogramAxis(half).lo, 5);
  EXPECT_EQ(PolyHistogramAxis(half).hi, 10);
}

TEST(PolynomialFit, NewChannelCoversEveryCaseAndRefusesNonFiniteCoefficients) {
  const std::vector<float> x = {0, 1, 2, -3};
  std::vector<float> out(4, -7.0f);
  const float coef[] = {1, 2, 3};
  ASSERT_TRUE(PolynomialChannel(x, coef, out));
  EXPECT_EQ(out, (std::vector<float>{1, 6, 17, 22}));
  const float bad[] = {1, NAN, 3};
  std::vector<float> keep(4, -7.0f);
  EXPECT_FALSE(PolynomialChannel(x, bad, keep));
  EXPECT_EQ(keep, std::vector<float>(4, -7.0f));
  EXPECT_EQ(PolynomialChannelLabel(2, 1), "ch. 2 as polynomial of ch. 1  ");
  EXPECT_EQ(PolynomialChannelLabel(2, 1).size(), 30u);
}

}  // namespace

// The pass that tells whether X stays near its end cases' scale before the
// Chebyshev sums, against the plain scan it answers for: wherever X strays,
// by however little, NaNs left out, on every instruction set.
TEST(PolynomialFit, ReachOfXEqualsThePlainScan) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  struct Row {
    const char* what;
    int n;
    std::vector<std::pair<int, float>> set;   // cases given other values than the ramp's
  };
  // X a ramp from -1 to 1 (scale: centre 0, inv 1, reach 2), cases set apart.
  const Row rows[] = {
      {"within", 100'003, {}},
      {"at the reach exactly", 100'003, {{50'000, 2.0f}, {50'001, -2.0f}}},
      {"beyond by an ulp, early", 100'003, {{5, 2.0000002f}}},
      {"below, in the last whole group", 100'003, {{99'999, -2.0000002f}}},
      {"beyond in the cases past the last group", 100'003, {{100'001, 3.0f}}},
      {"beyond at the last case", 100'003, {{100'002, 3.0f}}},
      {"beyond where a stretch ends", 100'003, {{8'191, 3.0f}}},
      {"NaNs left out", 100'003, {{7, nan}, {8'192, nan}, {100'002, nan}}},
      {"NaN beside a stray", 100'003, {{7, nan}, {9, -5.0f}}},
      {"an infinity", 100'003, {{60'000, inf}}},
      {"fewer cases than a group", 5, {{3, 2.5f}}},
      {"fewer cases than a group, within", 7, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<float> x(static_cast<size_t>(row.n));
    for (int i = 0; i < row.n; ++i) x[static_cast<size_t>(i)] = -1.0f + 2.0f * static_cast<float>(i) / (row.n - 1);
    for (auto [i, v] : row.set) x[static_cast<size_t>(i)] = v;
    float lo = x[0], hi = x[0];
    for (float v : x) {
      lo = v < lo ? v : lo;
      hi = v > hi ? v : hi;
    }
    const bool plain = (lo - 0.0) * 1.0 >= -2.0 && (hi - 0.0) * 1.0 <= 2.0;
    for (bool wide : {true, false}) EXPECT_EQ(PolyXWithinReach(x.data(), row.n, 0.0, 1.0, 2.0, wide), plain) << wide;
  }
}
