// Clicking spikes away and straightening spans: the worked values, conserve
// variation on constant data, and spans given back bit for bit.
#include "editing/linearise.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

TEST(Linearise, ASpikeClickTakesTheMeanOfItsNeighboursWithinTheFile) {
  std::vector<float> x{4, 100, 6, 7};
  const SpikeEdit e = RemoveSpikeAt(x.data(), 3, 1);
  EXPECT_EQ(x[1], 5.0f) << "case 0 is the left neighbour of case 1";
  EXPECT_EQ(e.before, 100.0f);
  EXPECT_EQ(RemoveSpikeAt(x.data(), 3, 0).caseIndex, 1);
  EXPECT_EQ(RemoveSpikeAt(x.data(), 3, 3).caseIndex, 2) << "held to 1..nCases-1";
  EXPECT_EQ(CaseAtPixel(37, 1, 800, 1), 37);
  EXPECT_EQ(CaseAtPixel(37, 3, 800, 2), 1618);
}

TEST(Linearise, SpansBecomeLinesAndComeBackExactly) {
  std::mt19937 rng(9);
  std::normal_distribution<float> noise(0.0f, 1.0f);
  const struct {
    const char* what;
    bool noisy;
    float constant;
    int32_t passes;
  } cases[] = {{"ramp", false, 0, 0}, {"noisy ramp", true, 0, 0}, {"constant, conserve 1 pass", false, 7.5f, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<float> x(41), saved(41, -1.0f);
    for (int i = 0; i <= 40; ++i)
      x[static_cast<size_t>(i)] = c.constant != 0 ? c.constant : 2.0f * i + (c.noisy ? noise(rng) : 0.0f);
    const std::vector<float> before = x;
    const SpanEdit span = LineariseSpan(x.data(), saved.data(), 40, 20, 10, c.passes);
    EXPECT_EQ(span.first, 10);
    EXPECT_EQ(span.last, 20);
    EXPECT_EQ(x[10], before[10]);
    if (c.passes == 0) {
      EXPECT_EQ(x[20], before[20]);
    }
    const float slope = (before[20] - before[10]) / 10.0f;
    for (int i = 10; i <= 20; ++i) EXPECT_NEAR(x[static_cast<size_t>(i)], before[10] + slope * (i - 10), 1e-4f) << i;
    EXPECT_EQ(x[9], before[9]);
    EXPECT_EQ(x[21], before[21]);
    RestoreSpan(x.data(), saved.data(), span);
    EXPECT_EQ(x, before);
  }
  std::vector<float> x{1, 2, 3}, saved(3);
  const SpanEdit none = LineariseSpan(x.data(), saved.data(), 2, 1, 1, 0);
  EXPECT_EQ(none.first, none.last);
  EXPECT_EQ(x, (std::vector<float>{1, 2, 3}));
}

// Without conserve variation both ends keep their values exactly and each
// case is the double line rounded once, as numpy gives it:
// float32(ya + (i - a) * (yb - ya) / (b - a)) in float64. The float form
// moved the end of the first span by 22 units in the last place.
TEST(Linearise, EndsStayExactAndTheLineIsRoundedOnce) {
  const struct {
    float ya, yb;
    int32_t a, b;
    std::vector<std::pair<int32_t, float>> numpy;
  } cases[] = {
      {-92.08142f, 5.7178526f, 43, 62, {{44, -86.93409f}, {50, -56.05011f}, {52, -45.755447f}, {61, 0.5705224f}}},
      {1e5f, 100005.0f, 1, 1001, {{2, 100000.01f}, {501, 100002.5f}, {1000, 100004.99f}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ya);
    std::vector<float> x(static_cast<size_t>(c.b) + 2, 3.0f), saved(x.size());
    x[static_cast<size_t>(c.a)] = c.ya;
    x[static_cast<size_t>(c.b)] = c.yb;
    LineariseSpan(x.data(), saved.data(), c.b + 1, c.b, c.a, 0);
    EXPECT_EQ(x[static_cast<size_t>(c.a)], c.ya);
    EXPECT_EQ(x[static_cast<size_t>(c.b)], c.yb);
    for (const auto& [k, want] : c.numpy) EXPECT_EQ(x[static_cast<size_t>(k)], want) << k;
  }
}

}  // namespace
