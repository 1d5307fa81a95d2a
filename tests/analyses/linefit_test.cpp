#include "analyses/linefit.h"
#include "support/scratch.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "output/stats.h"
#include "support/far_values.h"

namespace {

const std::vector<float> kX = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
const std::vector<float> kY = {2.1f, 3.9f, 6.2f, 7.8f, 10.1f, 12.2f, 13.8f, 16.1f, 18.0f, 19.9f};

LineFit fitOf(const LineFitRequest& r) {
  LineFit f;
  EXPECT_EQ(FitLine(r, &f), FitStatus::Ok);
  return f;
}

LineFitRequest over(std::span<const float> x, std::span<const float> y) {
  LineFitRequest r;
  r.first = 0;
  r.last = static_cast<int32_t>(y.size()) - 1;
  r.x = x;
  r.y = y;
  return r;
}

float pOf(const LineFit& f, float b0) { return TestSlopeProbability(f.n, f.sxy, f.sxx, f.syy, f.b, b0); }

std::string fileText(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

// Channel against channel and channel against time (interval 1 s) are one fit.
TEST(FitLine, ReferenceLineOnBothAxesWithItsSlopeTests) {
  LineFitRequest time = over({}, kY);
  for (const LineFitRequest& r : {over(kX, kY), time}) {
    const LineFit f = fitOf(r);
    EXPECT_EQ(f.n, 10);
    EXPECT_NEAR(f.sxx, 82.5, 1e-9);
    EXPECT_NEAR(f.syy, 327.209, 1e-4);
    EXPECT_NEAR(f.sxy, 164.25, 1e-4);
    EXPECT_NEAR(f.b, 1.990909f, 1e-6);
    EXPECT_NEAR(f.a, 2.050909f, 1e-5);
    EXPECT_NEAR(f.r2, 0.999382f, 1e-6);
    const struct { float b0, p, tol; } tests[] = {
        {0.0f, kSlopeProbabilityFloor, 0.0f},
        // References with Syy - Sxy^2 / Sxx exact and the slope Sxy / Sxx in
        // double (the float slope gave 0.6175373, 0.00025031296, 0.00082837094).
        {2.0f, 0.6175367f, 2e-7f},
        {2.1f, 0.00025031273f, 2e-10f},
        {1.9f, 0.00082837178f, 5e-10f},
    };
    for (const auto& t : tests) {
      SCOPED_TRACE(t.b0);
      EXPECT_NEAR(pOf(f, t.b0), t.p, t.tol);
    }
    const float residuals[] = {0.0491f, -0.1418f, 0.1673f, -0.2236f, 0.0855f,
                               0.1945f, -0.1964f, 0.1127f, 0.0218f, -0.0691f};
    for (int32_t k = 0; k < 10; ++k) EXPECT_NEAR(ResidualAt(r, k, f.a, f.b).residual, residuals[k], 1e-4) << k;
  }
}

TEST(FitLine, SmallSamplesUseTheExactStudentT) {
  const struct { std::vector<float> y; float b, p; } cases[] = {
      {{1.0f, 2.5f, 2.9f, 4.4f}, 1.06f, 0.020866f},                     // df 2
      {{1.0f, 2.5f, 2.9f, 4.4f, 4.8f}, 0.95f, 0.003265f},               // df 3: the even-df series says 0.0195
      {{1.0f, 2.5f, 2.9f, 4.4f, 4.8f, 5.1f, 7.0f}, 0.0f, 0.000116f},   // df 5
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.y.size());
    const LineFit f = fitOf(over({}, c.y));
    if (c.b != 0.0f) {
      EXPECT_NEAR(f.b, c.b, 1e-6);
    }
    EXPECT_NEAR(pOf(f, 0.0f), c.p, 2e-6);
  }
}

TEST(FitLine, TimeUnitsInterceptsAndLogModel) {
  // y = 3 + 0.5 k, block 10..19, 60 s per case.
  std::vector<float> y(30);
  for (int k = 0; k < 30; ++k) y[k] = 3.0f + 0.5f * static_cast<float>(k);
  const struct { int16_t units; float b; } units[] = {{0, 0.5f / 60.0f}, {1, 0.5f}, {2, 30.0f}};
  for (const auto& u : units) {
    SCOPED_TRACE(u.units);
    LineFitRequest r = over({}, y);
    r.first = 10;
    r.last = 19;
    r.timeFactor = TimeUnitFactor(u.units, 60.0f);
    const LineFit f = fitOf(r);
    EXPECT_NEAR(f.b, u.b, u.b * 1e-7);
    EXPECT_EQ(f.r2, 1.0f);
    const TimeIntercepts t = TimeSlopeIntercepts(f, 10, r.timeFactor);
    EXPECT_NEAR(t.atZero, 3.0f, 1e-5);
    EXPECT_NEAR(t.atBlock, 8.0f, 1e-5);
  }
  // y = 10^(1 + 0.1 x) on log10 Y.
  std::vector<float> e(10);
  for (int k = 0; k < 10; ++k) e[k] = static_cast<float>(std::pow(10.0, 1.0 + 0.1 * k));
  LineFitRequest r = over(kX, e);
  r.logY = true;
  const LineFit f = fitOf(r);
  EXPECT_NEAR(f.b, 0.1f, 1e-6);
  EXPECT_NEAR(f.a, 1.0f, 1e-5);
  EXPECT_NEAR(f.r2, 1.0f, 1e-6);
  EXPECT_EQ(FitLog10(100.0f), static_cast<float>(std::log(100.0) * 0.434294));
}

// Sums about a single global mean in float, or normal equations, lose these.
TEST(FitLine, LargeOffsetsMatchALongDoubleReference) {
  constexpr int32_t kFirst = 6'999'000, kLast = 6'999'999;
  std::vector<float> x(7'000'000), y(7'000'000), interp(7'000'000, 0.0f);
  for (int32_t k = kFirst; k <= kLast; ++k) {
    x[k] = static_cast<float>(k);
    y[k] = 8192.0f + static_cast<float>((k * 37) % 101) / 1024.0f;
    if (k % 7 == 0) interp[k] = 1.0f;
  }
  for (bool timeAxis : {true, false}) {
    for (bool filtered : {false, true}) {
      SCOPED_TRACE(testing::Message() << timeAxis << filtered);
      LineFitRequest r = over(timeAxis ? std::span<const float>{} : std::span<const float>{x}, y);
      r.first = kFirst;
      r.last = kLast;
      r.timeFactor = 0.25;
      if (filtered) r.filter.interpolation = interp;
      long double n = 0, sx = 0, sy = 0;
      for (int32_t k = kFirst; k <= kLast; ++k) {
        if (filtered && interp[k] != 0.0f) continue;
        sx += r.xAt(k);
        sy += y[k];
        ++n;
      }
      const long double mx = sx / n, my = sy / n;
      long double sxx = 0, syy = 0, sxy = 0;
      for (int32_t k = kFirst; k <= kLast; ++k) {
        if (filtered && interp[k] != 0.0f) continue;
        const long double dx = r.xAt(k) - mx, dy = y[k] - my;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
      }
      const LineFit f = fitOf(r);
      EXPECT_EQ(f.n, static_cast<int32_t>(n));
      EXPECT_NEAR(f.sxx / static_cast<double>(sxx), 1.0, 1e-12);
      EXPECT_NEAR(f.syy / static_cast<double>(syy), 1.0, 1e-12);
      EXPECT_NEAR(f.sxy / static_cast<double>(sxy), 1.0, 1e-12);
    }
  }
  // A line plus (+d, -d, -d, +d), orthogonal to 1 and x: the fit returns the line.
  const float pattern[] = {0.125f, -0.125f, -0.125f, 0.125f};
  for (int32_t k = kFirst; k <= kLast; ++k)
    y[k] = 5.0f + 0.25f * static_cast<float>(k - kFirst) + pattern[(k - kFirst) % 4];
  LineFitRequest r = over({}, y);
  r.first = kFirst;
  r.last = kLast;
  const LineFit f = fitOf(r);
  EXPECT_EQ(f.b, 0.25f);
  EXPECT_NEAR(f.a, 5.0f, 1e-6);
  EXPECT_NEAR(TimeSlopeIntercepts(f, kFirst, 1.0).atZero, 5.0f - 0.25f * kFirst, 1.0f);
}

// Two channels with every case counted take their own pass; it gives the
// bits of the filtered pass with nothing filtered out, over spans about the
// chunks' ends and at random, a NaN included. The values have full
// mantissas over few octaves (the deviations' products round) and over many
// (the sums round), so that the order of every sum shows.
TEST(FitLine, TwoChannelsWithoutAFilterMatchTheFilteredPass) {
  std::mt19937 rng(21);
  std::uniform_real_distribution<float> mantissa(1.0f, 2.0f);
  std::vector<std::pair<int32_t, int32_t>> spans = {{0, 0}, {0, 1}, {3, 7}, {0, 2047}, {0, 2048}, {1, 4097}, {17, 8999}};
  for (int n = 0; n < 60; ++n) {
    const auto first = static_cast<int32_t>(rng() % 6000);
    spans.emplace_back(first, first + static_cast<int32_t>(rng() % 3000));
  }
  const std::vector<float> all(9000, 1.0f);
  for (const int octaves : {3, 20}) {
    std::uniform_int_distribution<int> exponent(-octaves, octaves);
    std::vector<float> x(9000), y(9000);
    for (size_t k = 0; k < x.size(); ++k) {
      x[k] = std::ldexp(mantissa(rng), exponent(rng));
      y[k] = std::ldexp(mantissa(rng), exponent(rng)) - 1.0f;
    }
    if (octaves == 3) y[5000] = std::numeric_limits<float>::quiet_NaN();
    for (const auto& [first, last] : spans) {
      SCOPED_TRACE(testing::Message() << octaves << " octaves, " << first << ".." << last);
      LineFitRequest plain = over(x, y);
      plain.first = first;
      plain.last = last;
      LineFitRequest filtered = plain;
      filtered.filter.selection = all;
      LineFit a, b;
      ASSERT_EQ(FitLine(plain, &a), FitStatus::Ok);
      ASSERT_EQ(FitLine(filtered, &b), FitStatus::Ok);
      for (const auto& [u, v] : {std::pair{a.sxx, b.sxx}, std::pair{a.syy, b.syy}, std::pair{a.sxy, b.sxy},
                                 std::pair{a.xMean, b.xMean}, std::pair{a.yMean, b.yMean}})
        ASSERT_EQ(std::memcmp(&u, &v, sizeof u), 0) << u << " " << v;
      EXPECT_EQ(a.n, b.n);
    }
  }
}

// A fit that cannot be tested says why, and its probability is not
// computed (NaN), never a number that reads as significant.
TEST(FitLine, DegenerateFitsAreRefusedForTestingNotDivided) {
  const float nan = std::nanf(""), inf = HUGE_VALF;
  const struct {
    const char* name;
    std::vector<float> x, y;
    bool logY;
    const char* why;
  } cases[] = {
      {"two points", {1, 2}, {1, 3}, false, "too few points"},
      {"constant X", {4, 4, 4, 4}, {1, 2, 3, 4}, false, "no variation in X"},
      {"a NaN in Y", {1, 2, 3, 4}, {1, nan, 3, 4}, false, "data not finite"},
      {"a NaN in X", {1, nan, 3, 4}, {1, 2, 3, 4}, false, "data not finite"},
      {"an infinite Y", {1, 2, 3, 4}, {1, inf, 3, 4}, false, "data not finite"},
      {"log of 0", {1, 2, 3, 4}, {1, 0, 3, 4}, true, "data not finite"},
      {"log of a negative value", {1, 2, 3, 4}, {1, -2, 3, 4}, true, "data not finite"},
      {"three points", {1, 2, 3}, {1, 2, 4}, false, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LineFitRequest r = over(c.x, c.y);
    r.logY = c.logY;
    const LineFit f = fitOf(r);
    const char* why = SlopeTestRefusal(f.n, f.sxx, f.sxy, f.syy);
    if (c.why) {
      EXPECT_STREQ(why, c.why);
      EXPECT_TRUE(std::isnan(pOf(f, 0.0f))) << "not computed";
      EXPECT_TRUE(std::isnan(pOf(f, 1.0f)));
    } else {
      EXPECT_EQ(why, nullptr);
      EXPECT_FALSE(std::isnan(pOf(f, 0.0f)));
    }
  }
  LineFit f;
  std::vector<float> shortY(5);
  LineFitRequest bad = over({}, shortY);
  bad.last = 5;
  EXPECT_EQ(FitLine(bad, &f), FitStatus::BadSpan);
}

// NIST StRD Norris, 36 points, r^2 = 0.999993745883712: with Sxy^2 / Sxx
// rounded to a float, P(slope = 1) came out 2.2395e-5, 4 % high.
TEST(FitLine, NorrisSlopeTestKeepsItsResidual) {
  const float data[36][2] = {
      {0.1f, 0.2f},     {338.8f, 337.4f}, {118.1f, 118.2f}, {888.0f, 884.6f}, {9.2f, 10.1f},    {228.1f, 226.5f},
      {668.5f, 666.3f}, {998.5f, 996.3f}, {449.1f, 448.6f}, {778.9f, 777.0f}, {559.2f, 558.2f}, {0.3f, 0.4f},
      {0.1f, 0.6f},     {778.1f, 775.5f}, {668.8f, 666.9f}, {339.3f, 338.0f}, {448.9f, 447.5f}, {10.8f, 11.6f},
      {557.7f, 556.0f}, {228.3f, 228.1f}, {998.0f, 995.8f}, {888.8f, 887.6f}, {119.6f, 120.2f}, {0.3f, 0.3f},
      {0.6f, 0.3f},     {557.6f, 556.8f}, {339.3f, 339.1f}, {888.0f, 887.2f}, {998.5f, 999.0f}, {778.9f, 779.0f},
      {10.2f, 11.1f},   {117.6f, 118.3f}, {228.9f, 229.2f}, {668.4f, 669.1f}, {449.2f, 448.9f}, {0.2f, 0.5f}};
  std::vector<float> x, y;
  for (const auto& row : data) {
    y.push_back(row[0]);
    x.push_back(row[1]);
  }
  const LineFit f = fitOf(over(x, y));
  EXPECT_NEAR(f.b, 1.00211681802045, 1e-6);
  EXPECT_NEAR(f.a, -0.262323073774029, 1e-4);
  EXPECT_NEAR(f.r2, 0.999993745883712, 1e-7);
  // The certified SE of the slope, 4.29796848199937e-4, from the sums (the
  // data held as floats move it by 4e-6 of itself).
  EXPECT_NEAR(std::sqrt((f.syy - f.sxy * f.sxy / f.sxx) / 34.0 / f.sxx), 4.29796848199937e-4, 5e-9);
  // Reference from the float data and the slope in double (the float slope
  // gave 2.147391410e-5, 0.02 % high).
  EXPECT_NEAR(pOf(f, 1.0f) / 2.14695622e-5, 1.0, 2e-5);
}

TEST(Regression, SelectionExtremesModelsAndPredictions) {
  std::vector<float> sel(10, 1.0f);
  sel[3] = sel[7] = 0.0f;
  LineFitRequest r = over(kX, kY);
  r.filter.selection = sel;
  const LineFit f = fitOf(r);
  EXPECT_EQ(f.n, 8);
  const FitExtremes e = RegressionExtremes(kX, kY, 0, 9, r.filter);
  EXPECT_EQ(e.xMin, 0.0f);
  EXPECT_EQ(e.xMax, 9.0f);
  sel[0] = sel[9] = 0.0f;
  const FitExtremes inner = RegressionExtremes(kX, kY, 0, 9, r.filter);
  EXPECT_EQ(inner.xMin, 1.0f);
  EXPECT_EQ(inner.yMax, 18.0f);
  // A left-over log model meets the positivity rule of the model window.
  EXPECT_EQ(AllowedModel(kModelLogLog, e), kModelLinear);   // X minimum is 0
  EXPECT_EQ(AllowedModel(kModelLogLog, inner), kModelLogLog);
  EXPECT_EQ(AllowedModel(7, inner), kModelLinear);
  // Predictions from the fitted line.
  const LineFit g = fitOf(over(kX, kY));
  EXPECT_FLOAT_EQ(PredictY(1.0f, g.a, g.b), g.a + g.b);
  EXPECT_FLOAT_EQ(PredictX(g.a + 2.0f * g.b, g.a, g.b), 2.0f);
  // Channels far past any constant start keep their own extremes, and so do
  // the residuals of the line Y = 0 (each residual is its Y).
  const auto sets = testsupport::FarValueSets();
  for (size_t i = 0; i < sets.size(); ++i) {
    SCOPED_TRACE(sets[i].name);
    const std::vector<float>&fx = sets[i].values, &fy = sets[(i + 1) % sets.size()].values;
    const auto [xLo, xHi] = testsupport::FiniteMinMax(fx);
    const auto [yLo, yHi] = testsupport::FiniteMinMax(fy);
    const FitExtremes fe = RegressionExtremes(fx, fy, 0, 8, {});
    EXPECT_EQ(fe.xMin, xLo);
    EXPECT_EQ(fe.xMax, xHi);
    EXPECT_EQ(fe.yMin, yLo);
    EXPECT_EQ(fe.yMax, yHi);
    const ResidualRange rr = ResidualsRange(over(fx, fy), 0.0f, 0.0f);
    EXPECT_EQ(rr.rMin, yLo);
    EXPECT_EQ(rr.rMax, yHi);
    EXPECT_EQ(rr.xMin, xLo);
    EXPECT_EQ(rr.xMax, xHi);
  }
}

TEST(Regression, ResidualsFileCoversEveryCaseAndLogX) {
  const auto dir = testsupport::MakeScratchDir("corvimet-linefit-");
  std::vector<float> sel(10, 1.0f);
  sel[3] = sel[7] = 0.0f;
  std::vector<float> x(kX);
  for (float& v : x) v += 1.0f;
  LineFitRequest r = over(x, kY);
  r.filter.selection = sel;
  r.logX = true;
  const LineFit f = fitOf(r);
  ASSERT_EQ(0, WriteResidualsFile(dir / "r.txt", r, f.a, f.b, true));
  std::istringstream in(fileText(dir / "r.txt"));
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "X  value\tY value\tpredicted\tresidual");
  int rows = 0;
  while (std::getline(in, line)) {
    EXPECT_EQ(std::stof(line.substr(0, line.find('\t'))), FitLog10(x[rows])) << rows;
    ++rows;
  }
  EXPECT_EQ(rows, 10);
  // Time residuals: exact numbers in every column.
  std::vector<float> y = {1, 3, 2, 4};
  LineFitRequest t = over({}, y);
  t.timeFactor = 0.5;
  ASSERT_EQ(0, WriteResidualsFile(dir / "t.txt", t, 1.0f, 2.0f, false));
  EXPECT_EQ(fileText(dir / "t.txt"),
            "time\tY value\tpredicted\tresidual\n"
            " 0\t 1\t 1\t 0\n"
            " 0.5\t 3\t 2\t 1\n"
            " 1\t 2\t 3\t-1\n"
            " 1.5\t 4\t 4\t 0\n");
  // A folder that does not exist: failure, nothing half written.
  EXPECT_NE(0, WriteResidualsFile(dir / "missing" / "r.txt", t, 1.0f, 2.0f, false));
  std::filesystem::remove_all(dir);
}

// Zero ranges plot along the middle instead of dividing by zero.
TEST(Regression, ResidualPlotScalesGuardZeroRanges) {
  ResidualRange flat;
  flat.rMin = flat.rMax = 0.25f;
  flat.xMin = flat.xMax = 3.0;
  const struct { ResidualRange rr; bool time; int32_t first, last; int row, column; } cases[] = {
      {flat, true, 5, 5, 150, 333},     // one case, perfect fit: centred both ways
      {flat, false, 0, 9, 150, 333},    // constant X
      {{-1.0f, 1.0f, 0.0, 10.0}, false, 0, 9, 150, 101 + 233},
      {{-1.0f, 1.0f, 0.0, 10.0}, true, 0, 4, 150, 101 + 233},
  };
  for (const auto& c : cases) {
    const ResidualPlotScale s = ResidualPlotScaleOf(c.rr, c.time, c.first, c.last);
    const double mid = c.rr.rMin == c.rr.rMax ? c.rr.rMin : 0.0;
    const double offset = c.time ? (c.last - c.first) / 2.0 : (c.rr.xMin + c.rr.xMax) / 2.0;
    EXPECT_EQ(PixelOf((s.rTop - mid) * s.vscale + 2), c.row);
    EXPECT_NEAR(101 + (offset - s.xFrom) * s.hscale, c.column, 0.5);
  }
  EXPECT_EQ(PixelOf(std::nan("")), -30000);
  EXPECT_EQ(PixelOf(1e300), 30000);
  EXPECT_EQ(PixelOf(-2.5), -3);
}

TEST(Regression, PanelTexts) {
  EXPECT_EQ(SlopeZeroProbText(kSlopeProbabilityFloor), " < .00001                      ");
  EXPECT_EQ(SlopeZeroProbText(0.25f), " 0.2500000");
  EXPECT_EQ(SlopeTestProbText(kSlopeProbabilityFloor), "is < .00001");
  EXPECT_EQ(SlopeTestProbText(0.5f), "is 0.5");
  EXPECT_FALSE(SignificantProb(0.05f));
  EXPECT_TRUE(SignificantProb(0.0499f));
  EXPECT_EQ(TimeSlopeModelText(1, true), " model:  log \rY = a + b * (elapsed time in minutes)           ");
  EXPECT_STREQ(RegressionModelText(kModelLogX), "Y value = a + b * log X");
  EXPECT_STREQ(PredictionTypeText(kModelLogLog, true), "log time and log Y");
  EXPECT_STREQ(PredictionTypeText(9, false), "linear X and Y");
}
