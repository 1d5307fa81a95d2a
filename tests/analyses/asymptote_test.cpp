#include "analyses/asymptote.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<float> approach(float top, float amplitude, float rate, int n) {
  std::vector<float> v;
  for (int k = 0; k < n; ++k) v.push_back(static_cast<float>(top + amplitude * std::exp(-rate * k)));
  return v;
}

TEST(Asymptote, SyntheticApproachesFindTheirLevel) {
  const std::vector<float> rising = approach(10.0f, -10.0f, 0.01f, 200);
  const std::vector<float> falling = approach(5.0f, 20.0f, 0.02f, 300);
  // NIST StRD Misra1a's certified model, y = b1 (1 - exp(-b2 x)), sampled
  // every 10 units of x over the set's range 0..760: a third of the approach.
  std::vector<float> misra;
  for (int k = 0; k <= 76; ++k)
    misra.push_back(static_cast<float>(238.94212918 * (1 - std::exp(-5.5015643181e-4 * 10 * k))));
  const struct {
    const std::vector<float>* y;
    int typed, used;
    float asymptote;
    int expansion;       // -1: not checked
    float slope;         // 0: not checked
  } cases[] = {
      {&rising, 12, 12, 9.99992f, 8, -0.0099997f},
      {&rising, 6, 6, 9.99272f, -1, 0},
      {&rising, 3, 6, 9.99272f, -1, 0},
      {&rising, 50, 50, 9.99998f, -1, 0},
      {&rising, 80, 50, 9.99998f, -1, 0},
      {&falling, 12, 12, 5.00020f, 0, -0.020008f},
      {&misra, 30, 30, 238.94212918f, -1, -5.5015643181e-3f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.typed << " " << c.asymptote);
    AsymResult r;
    ASSERT_EQ(AsymptoteSearch(*c.y, 0, static_cast<int32_t>(c.y->size()) - 1, c.typed, &r), AsymStatus::Ok);
    EXPECT_EQ(r.iterations, c.used);
    EXPECT_NEAR(r.asymptote, c.asymptote, 1e-3);
    if (c.expansion >= 0) {
      EXPECT_EQ(r.expansionSteps, c.expansion);
    }
    if (c.slope != 0) {
      EXPECT_NEAR(r.last.slope, c.slope, 2e-6);
    }
    EXPECT_EQ(r.rising, c.y != &falling);
  }
  AsymResult r;
  ASSERT_EQ(AsymptoteSearch(rising, 0, 199, 12, &r), AsymStatus::Ok);
  EXPECT_GT(r.bestR2 * 100.0, 99.99999);
}

TEST(Asymptote, BlocksWithoutAnApproachAreRefused) {
  std::vector<float> line, flat(50, 3.0f);
  for (int k = 0; k < 100; ++k) line.push_back(static_cast<float>(k));
  AsymResult r;
  EXPECT_EQ(AsymptoteSearch(line, 0, 99, 12, &r), AsymStatus::NoAsymptote);
  EXPECT_EQ(AsymptoteSearch(flat, 0, 49, 12, &r), AsymStatus::Constant);
  EXPECT_EQ(AsymptoteSearch(flat, 7, 7, 12, &r), AsymStatus::TooFewCases);
  EXPECT_EQ(AsymptoteSearch(flat, 0, 50, 12, &r), AsymStatus::BadSpan);
  // Cancel between iterations.
  const std::vector<float> rising = approach(10.0f, -10.0f, 0.01f, 200);
  int calls = 0;
  EXPECT_EQ(AsymptoteSearch(rising, 0, 199, 12, &r, [&](int, const AsymResult&) { return ++calls < 3; }),
            AsymStatus::Cancelled);
  EXPECT_EQ(calls, 3);
}

TEST(Asymptote, TrialFitMatchesATwoPassReference) {
  const std::vector<float> y = approach(10.0f, -10.0f, 0.01f, 200);
  for (float a : {8.7f, 10.0f, 12.5f, 100.0f}) {
    SCOPED_TRACE(a);
    std::vector<float> z(200, 0.0f);
    const AsymTrial t = FindR2(y, 20, 179, a, z);
    double mz = 0.0;
    for (int k = 20; k <= 179; ++k) mz += std::log(std::abs(static_cast<double>(y[static_cast<size_t>(k)]) - a));
    mz /= 160.0;
    double sxx = 0.0, sxy = 0.0, szz = 0.0;
    for (int k = 20; k <= 179; ++k) {
      const double dk = k - 99.5, dz = std::log(std::abs(static_cast<double>(y[static_cast<size_t>(k)]) - a)) - mz;
      sxx += dk * dk;
      sxy += dk * dz;
      szz += dz * dz;
    }
    EXPECT_DOUBLE_EQ(t.sxx, sxx);
    EXPECT_NEAR(t.r2, sxy * sxy / sxx / szz, 1e-6);
    EXPECT_NEAR(t.slope, sxy / sxx, 1e-6 * std::abs(sxy / sxx));
    EXPECT_NEAR(t.intercept, mz - 99.5 * sxy / sxx, 1e-5);
    EXPECT_EQ(z[19], 0.0f);
    EXPECT_NEAR(z[20], std::log(std::abs(y[20] - a)), 1e-6);
  }
  for (float v : {1e-30f, 1e-7f, 0.5f, 0.70710677f, 0.70710683f, 1.0f, 1.5f, -2.0f, 3e7f, 3e38f}) {
    const float want = std::log(std::abs(v));
    EXPECT_NEAR(FastLogAbs(v), want, 2.5e-7f * std::max(1.0f, std::abs(want))) << v;
  }
  EXPECT_EQ(FastLogAbs(0.0f), -INFINITY);
}

// The pass's sums, taken case by case as the vectors take them: case
// first + 4j + l of a chunk of 1024 adds to running sum l, the cases after a
// chunk's last whole four to sum 0.
AsymTrial trialOneByOne(const std::vector<float>& y, int32_t first, int32_t last, float a) {
  AsymTrial t;
  t.a = a;
  t.n = last - first + 1;
  const double n = t.n, kMean = 0.5 * (static_cast<double>(first) + last);
  t.sxx = n * (n * n - 1.0) / 12.0;
  const float z0 = FastLogAbs(y[static_cast<size_t>(first)] - a);
  double sz[4] = {}, szz[4] = {}, skz[4] = {};
  for (int32_t k = first; k <= last; ++k) {
    const int32_t c = first + (k - first) / 1024 * 1024, i = k - c, m = std::min(1024, last - c + 1);
    const int l = i < m / 4 * 4 ? i % 4 : 0;
    const double d = static_cast<double>(FastLogAbs(y[static_cast<size_t>(k)] - a)) - z0;
    sz[l] += d;
    szz[l] += d * d;
    skz[l] += ((static_cast<double>(c) - kMean) + (i - l) + l) * d;
  }
  const double s = (sz[0] + sz[1]) + (sz[2] + sz[3]), ss = (szz[0] + szz[1]) + (szz[2] + szz[3]);
  t.sxy = (skz[0] + skz[1]) + (skz[2] + skz[3]);
  t.szz = ss - s * s / n;
  t.r2 = t.sxy * t.sxy / t.sxx / t.szz;
  t.slope = static_cast<float>(t.sxy / t.sxx);
  t.intercept = static_cast<float>(z0 + s / n - kMean * static_cast<double>(t.slope));
  return t;
}

TEST(Asymptote, TrialPassEqualsOneCaseAtATime) {
  std::vector<float> y = approach(10.0f, -10.0f, 0.001f, 5000);
  y[2500] = 1e-40f;   // a subnormal distance from a = 0: the chunk takes the long way
  const struct {
    int32_t first, last;
    float a;
  } spans[] = {{0, 4998, 10.5f}, {3, 2052, 12.0f}, {7, 9, 11.0f}, {1, 1030, 10.25f}, {2000, 3000, 0.0f},
               {4997, 4999, 10.01f}};
  for (const auto& sp : spans) {
    SCOPED_TRACE(testing::Message() << sp.first << ".." << sp.last << " a " << sp.a);
    std::vector<float> z(y.size(), -1.0f);
    const AsymTrial got = FindR2(y, sp.first, sp.last, sp.a, z), want = trialOneByOne(y, sp.first, sp.last, sp.a);
    EXPECT_EQ(got.sxy, want.sxy);
    EXPECT_EQ(got.szz, want.szz);
    EXPECT_EQ(got.r2, want.r2);
    EXPECT_EQ(got.slope, want.slope);
    EXPECT_EQ(got.intercept, want.intercept);
    EXPECT_EQ(FindR2(y, sp.first, sp.last, sp.a).r2, want.r2);   // without z kept
    for (int32_t k = sp.first; k <= sp.last; ++k)
      ASSERT_EQ(z[static_cast<size_t>(k)], FastLogAbs(y[static_cast<size_t>(k)] - sp.a)) << k;
    if (sp.first > 0) {
      EXPECT_EQ(z[static_cast<size_t>(sp.first) - 1], -1.0f);
    }
  }
}

TEST(Asymptote, RatesFollowTheTimeUnitAndThePercentage) {
  const struct {
    int16_t units;
    float k, change, t50;
    const char* timeWord;
  } cases[] = {
      {0, -0.0099997f, 0.0099499f, 69.317f, " seconds"},
      {1, -0.599982f, 0.451178f, 1.15528f, " minutes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units);
    const AsymRates r = AsymptoteRates(-0.0099997f, 1.0f, c.units, PercentLnFraction(kDefaultSlopeID));
    EXPECT_NEAR(r.k, c.k, 1e-6 * std::abs(c.k) + 1e-7);
    EXPECT_NEAR(r.change, c.change, 1e-6);
    EXPECT_NEAR(r.time, c.t50, 1e-4 * c.t50);
    const AsymRateTexts t = AsymptoteRateTexts(r, true, c.units);
    EXPECT_EQ(t.k.find('-'), std::string::npos);   // rising data show |k|
    EXPECT_NE(t.time.find(c.timeWord), std::string::npos);
  }
  const AsymRates none = AsymptoteRates(0.0f, 1.0f, 0, -0.693147f);
  EXPECT_FALSE(none.timeDefined);
  EXPECT_EQ(AsymptoteRateTexts(none, false, 0).time, "--");
  EXPECT_EQ(AsymptoteRateTexts(AsymptoteRates(-20.0f, 1.0f, 0, -0.693147f), false, 0).change, ">.99999/sec");
  EXPECT_FLOAT_EQ(PercentLnFraction(1), -0.0100503f);
  EXPECT_FLOAT_EQ(PercentLnFraction(11), -4.6051698f);
  EXPECT_EQ(PercentItemOf(-4.6051698f), 11);
  EXPECT_EQ(PercentItemOf(-0.2876820f), 4);
  EXPECT_EQ(PercentItemOf(-0.3f), kDefaultSlopeID);
}

}  // namespace
