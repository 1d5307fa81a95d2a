// Lag correction: seconds to cases, the shift both ways and its limit, the
// r squared of one lag and the best-fit search against the plain rule.
#include "editing/lag.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

TEST(Lag, SecondsBecomeTheNearestCaseAndTheShiftMovesCasesOneToN) {
  const struct {
    float seconds, interval;
    int32_t cases;
  } rounding[] = {{11, 1, 11}, {2.5f, 1, 3}, {-1.2f, 0.5f, -2}, {1.24f, 0.5f, 2}, {0, 1, 0}, {-2.5f, 1, -2}};
  for (const auto& r : rounding) {
    SCOPED_TRACE(r.seconds);
    int32_t c = 99;
    ASSERT_TRUE(LagInCases(r.seconds, r.interval, &c));
    EXPECT_EQ(c, r.cases);
  }
  int32_t c = 0;
  EXPECT_FALSE(LagInCases(1.0f, 0.0f, &c)) << "an interval of 0 never divides";
  EXPECT_FALSE(LagInCases(1.0f, -1.0f, &c));

  const struct {
    int32_t lag;
    std::vector<float> out;   // cases 1..10
  } shifts[] = {
      {3, {4, 5, 6, 7, 8, 9, 10, 0, 0, 0}},
      {-3, {0, 0, 0, 1, 2, 3, 4, 5, 6, 7}},
      {5, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},   // half the cases: too large
      {-5, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
  };
  for (const auto& s : shifts) {
    SCOPED_TRACE(s.lag);
    std::vector<float> x{-1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ShiftChannel(x.data(), 10, s.lag);
    EXPECT_EQ(x[0], -1.0f) << "case 0 never moves";
    EXPECT_EQ(std::vector<float>(x.begin() + 1, x.end()), s.out);
  }
  EXPECT_EQ(LagLogText(0), "Lag correction =  0 sec");
}

TEST(Lag, TheBestFitFindsTheSineLagAndAgreesWithThePlainRule) {
  constexpr int32_t n = 2000;
  std::vector<float> c(n + 1), a(n + 1), flat(n + 1, 4.0f);
  for (int32_t i = 0; i <= n; ++i) c[static_cast<size_t>(i)] = 20.9f + std::sin(static_cast<float>(i) / 5.0f);
  for (int32_t i = 0; i <= n; ++i) a[static_cast<size_t>(i)] = i >= 3 ? c[static_cast<size_t>(i - 3)] : 0.0f;
  // a[i] = c[i - 3]: the comparison channel a against the active channel c
  // pairs c[i] with a[i - L], best at L = -3; c against a at +3.
  const int32_t b = 100, e = 1500;
  const LagSearch up = FindBestLag(a.data(), c.data(), b, e, 20);
  EXPECT_EQ(up.bestLag, 3);
  EXPECT_NEAR(up.rsquared, 1.0f, 1e-5f);
  const LagSearch down = FindBestLag(c.data(), a.data(), b, e, -20);
  EXPECT_EQ(down.bestLag, -3);
  EXPECT_EQ(down.lagsTried, 21);
  // Every lag's fast score ranks as the plain rule does.
  std::mt19937 rng(4);
  std::normal_distribution<float> noise(0.0f, 0.3f);
  std::vector<float> noisy = a;
  for (float& v : noisy) v += noise(rng);
  const LagSearch ranked = FindBestLag(noisy.data(), c.data(), b, e, 10);
  int32_t plainBest = 0;
  float plainTop = 0.0f;
  for (int32_t L = 0; L <= 10; ++L) {
    const float r = LagRSquared(noisy.data(), c.data(), b, e, L);
    if (r > plainTop) {
      plainTop = r;
      plainBest = L;
    }
  }
  EXPECT_EQ(ranked.bestLag, plainBest);
  EXPECT_EQ(ranked.rsquared, plainTop);
  // A constant comparison never wins; a maximum of 0 tries lag 0 only.
  const LagSearch none = FindBestLag(a.data(), flat.data(), b, e, 10);
  EXPECT_EQ(none.bestLag, 0);
  EXPECT_EQ(none.rsquared, 0.0f);
  EXPECT_TRUE(std::isnan(LagRSquared(a.data(), flat.data(), b, e, 2)));
  EXPECT_EQ(FindBestLag(a.data(), c.data(), b, e, 0).lagsTried, 1);
  int calls = 0;
  const LagSearch stopped = FindBestLag(a.data(), c.data(), b, e, 50, [&](int32_t, int32_t) { return ++calls < 3; });
  EXPECT_TRUE(stopped.stopped);
  EXPECT_LT(stopped.lagsTried, 51);
}

// The rule itself: every lag by LagRSquared, in the search order, a lag
// winning only when strictly better.
LagSearch plainRule(const std::vector<float>& x, const std::vector<float>& y, int32_t b, int32_t e, int32_t maxLag) {
  LagSearch s;
  const int32_t first = std::min(maxLag, 0), last = std::max(maxLag, 0);
  for (int32_t L = first; L <= last; ++L) {
    const float r = LagRSquared(x.data(), y.data(), b, e, L);
    if (r > s.rsquared) {
      s.rsquared = r;
      s.bestLag = L;
    }
  }
  return s;
}

// A comparison channel with an offset far beyond its variation (a pressure
// in Pa varying by a few ulps) made the fast sums cancel: the search named
// another lag than the rule. Sums centred on the block rank as the rule does
// at every offset and scale, smooth or noisy, ties included.
TEST(Lag, TheBestFitIsTheTwoPassRulesForEveryOffsetAndScale) {
  constexpr int32_t n = 1200, b = 60, e = 1100;
  const double offsets[] = {0.0, 20.9, -3.0e4, 1.0e5, 1.0e7};
  const double relativeScales[] = {1.0, 1e-3, 1e-5, 4e-7};
  std::mt19937 rng(39);
  int lags = 0, differing = 0;
  for (double offset : offsets) {
    for (double rel : relativeScales) {
      for (int shape = 0; shape < 3; ++shape) {
        const double scale = offset == 0.0 ? rel : std::fabs(offset) * rel;
        const int32_t lag0 = std::uniform_int_distribution<int32_t>(-12, 12)(rng);
        std::normal_distribution<double> noise(0.0, 1.0);
        std::vector<double> sig(n + 1);
        for (int32_t i = 0; i <= n; ++i)
          sig[static_cast<size_t>(i)] = shape == 0   ? std::sin(i / 7.0) + 0.3 * noise(rng)
                                        : shape == 1 ? std::sin(i / 900.0) + 1e-4 * noise(rng)   // near ties
                                                     : noise(rng);
        std::vector<float> x(n + 1), y(n + 1);
        for (int32_t i = 0; i <= n; ++i) {
          y[static_cast<size_t>(i)] = static_cast<float>(offset + scale * sig[static_cast<size_t>(i)]);
          const int32_t j = std::clamp(i - lag0, 0, n);
          x[static_cast<size_t>(i)] = static_cast<float>(5.0 + 2.0 * sig[static_cast<size_t>(j)] + 0.1 * noise(rng));
        }
        // A reading that is not a number leaves the lags 15..20 to the rule's NaN.
        if (shape == 2 && rel == 1.0) y[static_cast<size_t>(b - 15)] = std::nanf("");
        for (int32_t maxLag : {20, -20}) {
          SCOPED_TRACE(::testing::Message() << "offset " << offset << " scale " << rel << " shape " << shape
                                            << " lag " << lag0 << " max " << maxLag);
          const LagSearch rule = plainRule(x, y, b, e, maxLag);
          const LagSearch fast = FindBestLag(x.data(), y.data(), b, e, maxLag);
          EXPECT_EQ(fast.bestLag, rule.bestLag);
          EXPECT_EQ(fast.rsquared, rule.rsquared);
          EXPECT_EQ(fast.lagsTried, 21);
          ++lags;
          differing += rule.bestLag != 0;
        }
      }
    }
  }
  EXPECT_GT(differing, lags / 4) << "most searches find a lag other than 0";
}

TEST(Lag, TheSearchRangeStaysInsideTheFile) {
  EXPECT_EQ(ClampMaxLag(500, 100, 200, 1000), 100);
  EXPECT_EQ(ClampMaxLag(-900, 100, 200, 1000), -800);
  EXPECT_EQ(ClampMaxLag(-50, 100, 200, 1000), -50);
  // At the largest lag the first pair reads case 0 of the comparison channel.
  std::vector<float> x(11), y(11);
  for (int i = 0; i <= 10; ++i) {
    x[static_cast<size_t>(i)] = static_cast<float>(i);
    y[static_cast<size_t>(i)] = static_cast<float>(i * i % 7);
  }
  EXPECT_EQ(FindBestLag(x.data(), y.data(), 3, 10, ClampMaxLag(99, 3, 10, 10)).lagsTried, 4);
}

}  // namespace
