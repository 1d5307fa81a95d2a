#include "analyses/asymptote.h"

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
