#include "analyses/periodicity.h"

#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "output/results.h"

namespace {

std::vector<float> pulses(int n) {
  std::vector<float> v;
  for (int k = 0; k < n; ++k) v.push_back(k % 20 < 5 ? 1.0f : 0.0f);
  return v;
}

std::vector<PeriodicityRow> run(const std::vector<float>& y, int32_t first, int32_t last, int32_t L, int32_t s,
                                int32_t K) {
  std::vector<PeriodicityRow> rows;
  EXPECT_EQ(RunPeriodicity(y, {first, last, L, s, K, 1.0f}, &rows), PeriodicityStatus::Ok);
  return rows;
}

// Pearson's r^2 of the pairs (y(i), y(i + d)), i = first..last - d, two passes.
double pearson2(const std::vector<float>& y, int32_t first, int32_t last, int32_t d) {
  double mx = 0.0, my = 0.0;
  const int32_t n = last - first - d + 1;
  for (int32_t i = first; i <= last - d; ++i) {
    mx += y[static_cast<size_t>(i)];
    my += y[static_cast<size_t>(i + d)];
  }
  mx /= n;
  my /= n;
  double sxx = 0.0, syy = 0.0, sxy = 0.0;
  for (int32_t i = first; i <= last - d; ++i) {
    const double a = y[static_cast<size_t>(i)] - mx, b = y[static_cast<size_t>(i + d)] - my;
    sxx += a * a;
    syy += b * b;
    sxy += a * b;
  }
  return sxy * sxy / sxx / syy;
}

TEST(Periodicity, PulseTrainPeaksAtItsPeriod) {
  const std::vector<float> y = pulses(200);
  const std::vector<PeriodicityRow> rows = run(y, 0, 199, 1, 1, 50);
  ASSERT_EQ(rows.size(), 50u);
  auto lag = [&](int d) { return rows[static_cast<size_t>(d - 1 - 1)]; };   // d = k + 1
  const struct {
    int d;
    float r2, b;
  } cases[] = {{20, 1.0f, 1.0f}, {40, 1.0f, 1.0f}, {19, 0.5201f, NAN}, {21, 0.5563f, NAN}, {10, 0.1108f, -0.3214f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.d);
    EXPECT_NEAR(lag(c.d).r2, c.r2, 1e-4);
    if (!std::isnan(c.b)) {
      EXPECT_NEAR(lag(c.d).b, c.b, 1e-4);
    }
    EXPECT_FLOAT_EQ(lag(c.d).time, static_cast<float>(c.d));
  }
  const PeriodicityBest best = BestStep(rows);
  EXPECT_EQ(best.k, 39);
  EXPECT_EQ(PeriodicityTimeText(rows[38].time, TimeTextUse::BestShort, 4), " 40 sec");
  const std::vector<int32_t> peaks = OtherPeaks(rows, best.maxR2, 0.01f);
  ASSERT_EQ(peaks.size(), 2u);
  EXPECT_EQ(peaks[0], 14);
  EXPECT_NEAR(rows[13].r2, 0.119f, 1e-3);
  EXPECT_EQ(peaks[1], 34);
  EXPECT_NEAR(rows[33].r2, 0.120f, 1e-3);
  EXPECT_EQ(OtherPeaks(rows, best.maxR2, 0.0f), peaks);   // 0 reads as .01
  EXPECT_EQ(OtherPeaks(rows, best.maxR2, 1.0f), peaks);
  EXPECT_EQ(OtherPeaks(rows, best.maxR2, 0.1195f).size(), 1u);
  EXPECT_EQ(PairsPerRegression(0, 199, 1, 1, 50), 174);
  ASSERT_TRUE(TestBestStep(rows[38]));
  EXPECT_LE(prob, 1e-5f);
}

TEST(Periodicity, EveryRSquaredIsTheSquaredPearsonCorrelation) {
  std::mt19937 gen(7);
  std::normal_distribution<float> noise(0.0f, 1.0f);
  std::vector<float> y;
  for (int k = 0; k < 3000; ++k) y.push_back(1000.0f + 3.0f * std::sin(k * 0.05f) + noise(gen));
  for (const auto& [L, s, K] : {std::tuple{3, 7, 300}, std::tuple{0, 1, 40}, std::tuple{2900, 1, 95}}) {
    SCOPED_TRACE(::testing::Message() << L << " " << s << " " << K);
    const std::vector<PeriodicityRow> rows = run(y, 2, 2999, L, s, K);
    for (int32_t k = 1; k <= K; ++k) {
      const PeriodicityRow& r = rows[static_cast<size_t>(k - 1)];
      const double want = pearson2(y, 2, 2999, k * s + L);
      EXPECT_NEAR(r.sxy * r.sxy / r.sxx / r.syy, want, 1e-9) << k;
      EXPECT_EQ(r.n, 2999 - 2 - (k * s + L) + 1);
    }
  }
}

TEST(Periodicity, CountsAndRefusals) {
  const std::vector<float> y = pulses(200);
  const struct {
    int32_t L, s, K;
    StepCount want;
  } cuts[] = {{1, 5, 50, {39, true}}, {1, 1, 50, {50, false}}, {0, 0, 198, {198, false}}, {199, 1, 5, {0, true}}};
  for (const auto& c : cuts) {
    const StepCount got = CutStepCount(0, 199, c.L, c.s, c.K);
    EXPECT_EQ(got.K, c.want.K) << c.L << " " << c.s;
    EXPECT_EQ(got.reduced, c.want.reduced);
  }
  std::vector<PeriodicityRow> rows;
  const std::vector<float> flat(100, 2.0f);
  EXPECT_EQ(RunPeriodicity(y, {0, 199, -1, 1, 5, 1.0f}, &rows), PeriodicityStatus::Negative);
  EXPECT_EQ(RunPeriodicity(y, {0, 199, 1, -1, 5, 1.0f}, &rows), PeriodicityStatus::Negative);
  EXPECT_EQ(RunPeriodicity(y, {0, 199, 1, 1, 0, 1.0f}, &rows), PeriodicityStatus::NoSteps);
  EXPECT_EQ(RunPeriodicity(flat, {0, 99, 1, 1, 5, 1.0f}, &rows), PeriodicityStatus::NoVariation);
  EXPECT_EQ(RunPeriodicity(y, {0, 200, 1, 1, 5, 1.0f}, &rows), PeriodicityStatus::BadSpan);
  EXPECT_TRUE(rows.empty());
  // K = 1: one bar, the best, no other peaks. Step 0: K equal bars.
  rows = run(y, 0, 199, 1, 1, 1);
  EXPECT_EQ(BestStep(rows).k, 1);
  EXPECT_TRUE(OtherPeaks(rows, BestStep(rows).maxR2, 0.01f).empty());
  rows = run(y, 0, 199, 20, 0, 4);
  for (const PeriodicityRow& r : rows) EXPECT_EQ(r.r2, rows[0].r2);
  EXPECT_EQ(BestStep(rows).k, 4);
  // A test of too few pairs is not run.
  PeriodicityRow two;
  two.n = 2;
  two.sxx = 1.0;
  EXPECT_FALSE(TestBestStep(two));
  for (const auto& [K, I] : {std::pair{50, 25}, {100, 25}, {200, 50}, {3, 1}, {1000, 200}, {39, 7}})
    EXPECT_EQ(AxisTickInterval(K), I) << K;
}

TEST(Periodicity, TimesTakeTheUnitOfTheirPlace) {
  const struct {
    double t;
    TimeTextUse use;
    const char* want;
  } cases[] = {
      {40, TimeTextUse::BestShort, " 40 sec"},        {40, TimeTextUse::BestLong, " 40 seconds"},
      {900, TimeTextUse::Axis, " 15 min"},            {900, TimeTextUse::BestShort, " 15 minutes"},
      {9000, TimeTextUse::Axis, " 2.5 hr"},           {9000, TimeTextUse::Peaks, " 2.5 hours"},
      {172800, TimeTextUse::Peaks, " 2 days"},        {12.3456, TimeTextUse::Axis, " 12.3 sec"},
  };
  for (const auto& c : cases) EXPECT_EQ(PeriodicityTimeText(c.t, c.use, c.use == TimeTextUse::Axis ? 3 : 4), c.want);
  std::vector<PeriodicityRow> rows(1);
  rows[0].time = 2.5f;
  rows[0].r2 = 0.25f;
  rows[0].b = -0.5f;
  rows[0].n = 17;
  EXPECT_EQ(PeriodicitySummaryText(rows), "lag time (s)\tr-squared\tslope\tn\n2.5\t0.25\t-0.5\t17\n");
}

}  // namespace
