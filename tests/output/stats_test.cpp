#include "output/stats.h"

#include <cmath>

#include <gtest/gtest.h>

#include "output/results.h"

TEST(StudentTwoTailedP, ExactValuesForOddAndEvenDf) {
  EXPECT_NEAR(StudentTwoTailedP(1.0, 1.0), 0.5, 1e-12);
  EXPECT_NEAR(StudentTwoTailedP(2.919986, 2.0), 0.1, 1e-6);
  EXPECT_NEAR(StudentTwoTailedP(2.0, 2.0), 0.1835034, 1e-6);
  EXPECT_NEAR(StudentTwoTailedP(2.0, 3.0), 0.1393260, 1e-6);
  // df 3 closed form: 1 - (2 / pi) (theta + sin theta cos theta), tan theta = t / sqrt 3.
  const double theta = std::atan(2.0 / std::sqrt(3.0));
  EXPECT_NEAR(StudentTwoTailedP(2.0, 3.0), 1.0 - 2.0 / M_PI * (theta + std::sin(theta) * std::cos(theta)), 1e-12);
  EXPECT_NEAR(StudentTwoTailedP(2.0, 4.0), 0.1161165, 1e-6);
  EXPECT_NEAR(StudentTwoTailedP(2.228139, 10.0), 0.05, 1e-6);
  EXPECT_NEAR(StudentTwoTailedP(12.7062, 1.0), 0.05, 1e-5);
  // df 1 is the Cauchy distribution: p = 1 - 2 atan(t) / pi.
  EXPECT_NEAR(StudentTwoTailedP(3.0, 1.0), 1.0 - 2.0 * std::atan(3.0) / M_PI, 1e-12);
  EXPECT_NEAR(StudentTwoTailedP(-2.0, 3.0), StudentTwoTailedP(2.0, 3.0), 1e-15);
  EXPECT_EQ(StudentTwoTailedP(0.0, 5.0), 1.0);
}

TEST(StudentTwoTailedP, LargeDfApproachesTheNormal) {
  // Two-tailed normal: 1.959964 -> 0.05, 2.575829 -> 0.01, 3.290527 -> 0.001.
  EXPECT_NEAR(StudentTwoTailedP(1.959964, 1e7), 0.05, 1e-6);
  EXPECT_NEAR(StudentTwoTailedP(2.575829, 6999998.0), 0.01, 1e-6);
  EXPECT_NEAR(StudentTwoTailedP(3.290527, 1e6), 0.001, 1e-6);
  // Far tail keeps its relative precision (t's tail is a little heavier).
  EXPECT_NEAR(StudentTwoTailedP(10.0, 1e8) / std::erfc(10.0 / std::sqrt(2.0)), 1.0, 1e-4);
}

TEST(StudentTwoTailedP, RefusesNoDegreesOfFreedom) {
  EXPECT_TRUE(std::isnan(StudentTwoTailedP(1.0, 0.0)));
  EXPECT_TRUE(std::isnan(StudentTwoTailedP(1.0, -1.0)));
  EXPECT_TRUE(std::isnan(RegularizedIncompleteBeta(1.0, 1.0, 1.5)));
  EXPECT_NEAR(RegularizedIncompleteBeta(2.0, 3.0, 0.4), 0.5248, 1e-12);
}

TEST(TestSlopeProbability, SlopeTests) {
  // Sxy^2 / Sxx = 12.1 is not a float: rounded to one, it ate the residual
  // sum of squares of a fit with r^2 near 1 (references from mpmath).
  const struct {
    const char* name;
    int32_t n;
    double sxy, sxx, syy;
    float b, b0, p, tol;
  } cases[] = {
      {"t = 1.8856 with df 2", 4, 4.0, 5.0, 5.0, 0.8f, 0.0f, 0.2f, 1e-4f},
      {"equal slopes", 4, 4.0, 5.0, 5.0, 0.8f, 0.8f, 1.0f, 0.0f},
      {"huge t: the floor", 100, 4.0, 5.0, 3.2000001, 0.8f, 0.0f, kSlopeProbabilityFloor, 0.0f},
      // A perfect fit against another slope is at the floor, not a division by 0.
      {"perfect fit", 10, 4.0, 5.0, 3.2, 0.8f, 0.0f, kSlopeProbabilityFloor, 0.0f},
      {"r2 0.9999999 (a float E gave 0.594)", 12, 11.0, 10.0, 12.1 + 1.21e-6, 1.1f, 1.09995f, 0.6588651f, 1e-6f},
      {"r2 0.99999999 (a float E gave the floor)", 12, 11.0, 10.0, 12.1 + 1.21e-7, 1.1f, 1.09997f, 0.4083974f, 1e-6f},
      // The slope from the same sums in double: the float 1.1f gave 0.0010556.
      {"r2 1 - 1e-9, the slope in double", 12, 11.0, 10.0, 12.1 + 1.21e-8, 1.1f, 1.09995f, 0.001059172f, 2e-9f},
      // The typed slope is the one shown, the float 1 (it gave 1 as if the
      // slopes were equal); t = 0.8425 from the double slope 1 + 0.9 2^-24.
      {"r2 1 - 3e-12, the shown slope typed", 742, 1 + 0.9 * 0x1p-24, 1.0,
       (1 + 0.9 * 0x1p-24) * (1 + 0.9 * 0x1p-24) / (1 - 3e-12), 1.0f, 1.0f, 0.3997752f, 2e-5f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(TestSlopeProbability(c.n, c.sxy, c.sxx, c.syy, c.b, c.b0), c.p, c.tol);
  }
}

// Not computed is NaN, never 1 and never the floor: a refused test or a fit
// that is not finite has no probability.
TEST(TestSlopeProbability, NothingToTestIsNotComputed) {
  const double nan = std::nan(""), inf = HUGE_VAL;
  const struct {
    const char* name;
    int32_t n;
    double sxy, sxx, syy;
    float b;
  } cases[] = {
      {"two points", 2, 4.0, 5.0, 5.0, 0.8f},
      {"no points", 0, 4.0, 5.0, 5.0, 0.8f},
      {"no variation in X", 10, 0.0, 0.0, 5.0, 0.8f},
      {"NaN sums", 10, nan, nan, nan, std::nanf("")},
      {"NaN in Y only", 10, nan, 5.0, nan, std::nanf("")},
      {"infinite Y", 10, inf, 5.0, inf, HUGE_VALF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(std::isnan(TestSlopeProbability(c.n, c.sxy, c.sxx, c.syy, c.b, 0.0f)));
  }
}

TEST(TestSlope, WorksOnTheResultGlobals) {
  nPoints = 3;           // df 1
  sumx2 = 2.0;
  sumxy = 2.0;
  sumy2 = 4.0;           // SSreg 2, SE = sqrt(2 / 1 / 2) = 1
  ValueOfB = 1.0f;
  slope = 0.0f;          // t = 1
  TestSlope();
  EXPECT_NEAR(prob, 0.5f, 1e-6f);
}

TEST(WriterSideEffects, RegressionLeavesTheTestSlope) {
  nPoints = 3;
  sumx2 = 2.0;
  sumxy = 2.0;
  sumy2 = 4.0;
  ValueOfB = 1.0f;
  Pslope = 1.0f;
  prob = 0.0f;
  ApplyWriterSideEffects(kTopicRegression);
  EXPECT_EQ(slope, 1.0f);
  EXPECT_EQ(prob, 1.0f);
}
