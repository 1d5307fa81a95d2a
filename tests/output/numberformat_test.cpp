#include "output/numberformat.h"

#include <cmath>

#include <gtest/gtest.h>

#include "shell/defaults.h"

TEST(RealText, FixedFormDecimalsFollowTheBinaryExponent) {
  EXPECT_EQ(RealText(0.0, 5), " 0");
  EXPECT_EQ(RealText(-0.0, 5), " 0");
  EXPECT_EQ(RealText(12.5, 5), " 12.5");
  EXPECT_EQ(RealText(-2.25, 5), "-2.25");
  EXPECT_EQ(RealText(99.0, 5), " 99");
  EXPECT_EQ(RealText(600.5, 5), " 600.5");
  EXPECT_EQ(RealText(3.14159265, 5), " 3.14159");
  EXPECT_EQ(RealText(12345.678, 5), " 12345.68");
  EXPECT_EQ(RealText(1.0 / 3.0, 5), " 0.33333");
  EXPECT_EQ(RealText(100.0 / 3.0, 5), " 33.3333");
  EXPECT_EQ(RealText(1000.0 / 3.0, 5), " 333.333");
  EXPECT_EQ(RealText(std::sqrt(2.0), 5), " 1.41421");
  EXPECT_EQ(RealText(1e9, 5), " 1000000000");
}

TEST(RealText, RangeEdgesOfTheFixedForm) {
  EXPECT_EQ(RealText(0.01, 5), " 0.01");
  EXPECT_EQ(RealText(0.0078125, 5), " 0.0078125");     // 2^-7 is still fixed
  EXPECT_EQ(RealText(-0.0078125, 5), "-0.0078125");
  EXPECT_EQ(RealText(0.005, 5), " 5e-3");
  EXPECT_EQ(RealText(4294967296.0, 5), " 4.295e+9");   // 2^32
  EXPECT_EQ(RealText(4294967295.0, 5), " 4294967295");
  EXPECT_EQ(RealText(-1.5e-5, 5), "-1.5e-5");
  EXPECT_EQ(RealText(1e-5, 5), " 1e-5");
  EXPECT_EQ(RealText(1.23456e20, 3), " 1.2e+20");
}

TEST(RealText, DigitsSettingAndItsLimits) {
  EXPECT_EQ(RealText(47.140333, 4), " 47.14");
  EXPECT_EQ(RealText(25.0, 3), " 25");
  EXPECT_EQ(RealText(2.0 / 3.0, 3), " 0.667");
  EXPECT_EQ(RealText(2.0 / 3.0, 0), " 0.7");           // clamped to one digit
  EXPECT_EQ(RealText(9.999996, 5), " 10");               // rounding carries
  const int16_t saved = SignificantFigures;
  SignificantFigures = 3;
  EXPECT_EQ(RealText(1.0 / 3.0), " 0.333");
  SignificantFigures = saved;
  EXPECT_EQ(RealText(1.0 / 3.0), " 0.33333");
}

TEST(RealText, NonFiniteValues) {
  EXPECT_EQ(RealText(NAN, 5), " NaN");
  EXPECT_EQ(RealText(INFINITY, 5), " INF");
  EXPECT_EQ(RealText(-INFINITY, 5), "-INF");
}

TEST(IntText, LeadingBlankUnlessNegative) {
  EXPECT_EQ(IntText(0), " 0");
  EXPECT_EQ(IntText(121), " 121");
  EXPECT_EQ(IntText(-3), "-3");
  EXPECT_EQ(IntText(7000000000LL), " 7000000000");
}
