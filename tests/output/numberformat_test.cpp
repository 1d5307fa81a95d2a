#include "output/numberformat.h"

#include <cmath>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "shell/defaults.h"

// The same characters printf gives, for every precision and magnitude.
TEST(RealText, TextIsWhatPrintfWrites) {
  std::mt19937_64 rng(5);
  for (int i = 0; i < 100'000; ++i) {
    const double x = std::ldexp(static_cast<double>(rng() >> 11) / 9007199254740992.0 - 0.5,
                                static_cast<int>(rng() % 120) - 40);
    const int digits = static_cast<int>(rng() % 17) + 1;
    if (x == 0.0) continue;
    const int e = std::ilogb(x);
    char buf[512];
    std::string expect;
    if (e >= -7 && e <= 31) {
      std::snprintf(buf, sizeof buf, "%.*f", std::max(1, digits - (4 * (e - 1)) / 13), x);
      expect = buf;
      if (expect.find('.') != std::string::npos) {
        while (expect.back() == '0') expect.pop_back();
        if (expect.back() == '.') expect.pop_back();
      }
    } else {
      std::snprintf(buf, sizeof buf, "%.*e", std::max(1, digits - 1) - 1, x);
      std::string m(buf, std::strchr(buf, 'e'));
      if (m.find('.') != std::string::npos) {
        while (m.back() == '0') m.pop_back();
        if (m.back() == '.') m.pop_back();
      }
      const int exponent = std::atoi(std::strchr(buf, 'e') + 1);
      expect = m + (exponent < 0 ? "e-" : "e+") + std::to_string(std::abs(exponent));
    }
    if (expect[0] != '-') expect = " " + expect;
    ASSERT_EQ(RealText(x, digits), expect) << x << " " << digits;
  }
}

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

// A stored float prints the value its shortest text stands for: the digits of
// its binary expansion are noise to a reader.
TEST(RealText, AStoredFloatShowsNoBinaryNoise) {
  const struct {
    float x;
    int digits;
    const char* text;
  } cases[] = {
      {1000.0f / 3.0f, 10, " 333.33334"},   // the double form: " 333.33334351"
      {0.1f, 10, " 0.1"},
      {30 * 0.0166667f, 10, " 0.50000095"},  // the product is that float: no digit invented
      {1.0f / 3.0f, 5, " 0.33333"},          // fewer digits asked: those
      {-2.25f, 5, "-2.25"},
      {12345678.0f, 10, " 12345678"},
      {1e-5f, 10, " 1e-5"},                  // the exponent form too
      {0.0f, 5, " 0"},
      {NAN, 5, " NaN"},
      {-INFINITY, 5, "-INF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(RealText(c.x, c.digits), c.text);
  }
  EXPECT_EQ(RealText(static_cast<double>(1000.0f / 3.0f), 10), " 333.33334351") << "doubles keep their form";
  EXPECT_EQ(RealText(int16_t{7}, 5), " 7") << "integers take the double form";
}
