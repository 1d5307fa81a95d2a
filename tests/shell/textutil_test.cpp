#include "shell/textutil.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <limits>

#include "shell/globals.h"

namespace {

TEST(NumText, SignSlotAndNoTrailingZeros) {
  EXPECT_EQ(NumText(0.0), " 0");
  EXPECT_EQ(NumText(-0.0), " 0");
  EXPECT_EQ(NumText(5.0), " 5");
  EXPECT_EQ(NumText(-5.0), "-5");
  EXPECT_EQ(NumText(2.5), " 2.5");
  EXPECT_EQ(NumText(-0.25), "-0.25");
  EXPECT_EQ(NumText(int16_t{32}), " 32");
  EXPECT_EQ(NumText(int32_t{7000000}), " 7000000");
  EXPECT_EQ(FieldNumText(2.5), "2.5");
  EXPECT_EQ(FieldNumText(-2.5), "-2.5");
}

TEST(NumText, AtMostTenSignificantDigits) {
  EXPECT_EQ(NumText(1.0 / 3.0), " 0.3333333333");
  EXPECT_EQ(NumText(9999999999.0), " 9999999999");
  EXPECT_EQ(NumText(123456.7890123), " 123456.789");
  // Float inputs print what the float holds, not binary noise.
  EXPECT_EQ(NumText(0.1f), " 0.1");
  EXPECT_EQ(NumText(20.95f), " 20.95");
  EXPECT_EQ(NumText(1234567.5f), " 1234567.5");
}

// The text is the shortest printf %g text that reads back, whatever makes
// it: every float pattern class and random doubles against printf itself.
TEST(NumText, FieldTextIsTheShortestPrintfTextThatReadsBack) {
  auto printfShortest = [](double d, auto back, int maxDigits) {
    char buf[512];
    if (d == 0) return std::string("0");
    if (std::fabs(d) < 1e10 && d == std::trunc(d)) {
      std::snprintf(buf, sizeof buf, "%.0f", d);
      return std::string(buf);
    }
    for (int p = 1; p <= maxDigits; ++p) {
      std::snprintf(buf, sizeof buf, "%.*g", p, d);
      if (static_cast<decltype(back)>(std::strtod(buf, nullptr)) == back) return std::string(buf);
    }
    std::snprintf(buf, sizeof buf, "%.*g", maxDigits, d);
    return std::string(buf);
  };
  for (int e = -149; e <= 127; ++e)
    for (float f : {std::ldexp(1.0f, e), -std::ldexp(1.0f, e), std::nextafter(std::ldexp(1.0f, e), 0.0f)})
      ASSERT_EQ(FieldNumText(f), printfShortest(f, f, 9)) << f;
  std::mt19937_64 rng(11);
  for (int i = 0; i < 200'000; ++i) {
    const auto bits = static_cast<uint32_t>(rng());
    const float f = std::bit_cast<float>(bits);
    if (!std::isfinite(f)) continue;
    ASSERT_EQ(FieldNumText(f), printfShortest(f, f, 9)) << bits;
    const double d = std::ldexp(static_cast<double>(rng() >> 11) / 9007199254740992.0, static_cast<int>(rng() % 200) - 100);
    ASSERT_EQ(FieldNumText(d), printfShortest(d, d, 10)) << d;
    const float g = static_cast<float>(static_cast<int>(rng() % 2'000'001) - 1'000'000) / 1000.0f;  // data-like
    ASSERT_EQ(FieldNumText(g), printfShortest(g, g, 9)) << g;
  }
}

TEST(NumText, NonFiniteValuesAreShownNotCrashed) {
  EXPECT_EQ(NumText(std::numeric_limits<double>::quiet_NaN()), " NaN");
  EXPECT_EQ(NumText(-std::numeric_limits<float>::infinity()), "-INF");
}

TEST(TextToNum, NumbersAndNonNumbers) {
  EXPECT_EQ(TextToNum("12.5"), 12.5);
  EXPECT_EQ(TextToNum("  -3 \r"), -3.0);
  EXPECT_EQ(TextToNum("+4"), 4.0);
  EXPECT_EQ(TextToNum(".5"), 0.5);
  EXPECT_EQ(TextToNum("-.5"), -0.5);
  EXPECT_EQ(TextToNum("1e3"), 1000.0);
  EXPECT_EQ(TextToNum("7."), 7.0);
  for (const char* bad : {"", "   ", "abc", "12abc", "1 2", "--1", "+", ".", "inf", "nan", "-inf", "1e999", "0x10", "1,5"})
    EXPECT_EQ(TextToNum(bad), 0.0) << '"' << bad << '"';
}

TEST(StringFormatter, PatternByMagnitude) {
  EXPECT_EQ(StringFormatter(0.999f), " 0.999");
  EXPECT_EQ(StringFormatter(0.0f), " 0");
  EXPECT_EQ(StringFormatter(1.0f), " 1.000");
  EXPECT_EQ(StringFormatter(9.999f), " 9.999");
  EXPECT_EQ(StringFormatter(10.0f), " 10.000");
  EXPECT_EQ(StringFormatter(99.5f), " 99.500");
  EXPECT_EQ(StringFormatter(100.0f), " 100.00");
  EXPECT_EQ(StringFormatter(999.99f), " 999.99");
  EXPECT_EQ(StringFormatter(1000.0f), " 1000.0");
  EXPECT_EQ(StringFormatter(9999.0f), " 9999.0");
  EXPECT_EQ(StringFormatter(10000.0f), " 10000");
  EXPECT_EQ(StringFormatter(12345.6f), " 12346");
  EXPECT_EQ(StringFormatter(-5.5f), "-5.500");
  EXPECT_EQ(StringFormatter(-0.5f), "-0.5");
  EXPECT_EQ(StringFormatter(-12345.6f), "-12346");
  EXPECT_EQ(StringFormatter(std::nanf("")), " NaN");
}

TEST(FormatPicture, GroupingAndNegativeZero) {
  EXPECT_EQ(FormatPicture(1234567, "#,###,###"), " 1,234,567");
  EXPECT_EQ(FormatPicture(999, "#,###"), " 999");
  EXPECT_EQ(FormatPicture(1000, "#,###"), " 1,000");
  EXPECT_EQ(FormatPicture(-0.0004, "#.###"), " 0.000");
  EXPECT_EQ(FormatPicture(123456.0, "###.#"), " 123456.0") << "the integer part is never cut";
}

TEST(MakeTimeString, ReducesIntoTheDayAndStoresBack) {
  VarXX = 1500.0f;
  MakeTimeString();
  EXPECT_EQ(VarXX, 60.0f);
  EXPECT_EQ(timstring[0], " 1:00:00  ");

  VarXX = 3000.0f;  // more than two days' worth
  MakeTimeString();
  EXPECT_EQ(VarXX, 120.0f);

  VarXX = 0.0f;
  MakeTimeString();
  EXPECT_EQ(timstring[0], " 0:00:00  ");

  VarXX = 1440.0f;   // exactly a day is not reduced
  MakeTimeString();
  EXPECT_EQ(timstring[0], " 24:00:00  ");

  // Far beyond any recording: one subtraction of a day no longer changes the
  // float, so reducing day by day would never end.
  VarXX = 1e30f;
  MakeTimeString();
  EXPECT_GE(VarXX, 0.0f);
  EXPECT_LE(VarXX, 1440.0f);
  EXPECT_FALSE(ClockTextFromMinutes(-1e300).empty());
  EXPECT_EQ(ClockTextFromMinutes(-60.0), " 23:00:00  ");
}

TEST(MakeTimeString, SecondsAreTruncatedNotRounded) {
  VarXX = 600.0f + 59.99f / 60.0f;
  MakeTimeString();
  EXPECT_EQ(timstring[0], " 10:00:59  ");
  // 12:30 is not exact in a float; it must not come out a second short.
  VarXX = 750.0f;
  MakeTimeString();
  EXPECT_EQ(timstring[0], " 12:30:00  ");
  EXPECT_EQ(ClockTextFromMinutes(8 * 60 + 1 + 5.0 / 60.0), " 8:01:05  ");
}

TEST(ClockText, ReadsZeroAndBlankPaddedFields) {
  EXPECT_EQ(ClockTextSeconds("08:00:00"), 8 * 3600);
  EXPECT_EQ(ClockTextSeconds(" 7: 5: 9"), 7 * 3600 + 5 * 60 + 9);
  EXPECT_EQ(ClockTextSeconds("23:59:59"), 86399);
  for (const char* bad : {"7:5:9", "24:00:00", "12:60:00", "1 :00:00", "  :00:00", "ab:cd:ef", "12-00-00"})
    EXPECT_EQ(ClockTextSeconds(bad), -1) << bad;
  EXPECT_EQ(ClockText(25509), "07:05:09");
  EXPECT_EQ(ClockText(25509, true), " 7: 5: 9");
  EXPECT_EQ(ClockText(60, true), " 0: 1: 0");
  EXPECT_EQ(ClockText(86400 + 60), "00:01:00");
}

TEST(Calendar, DaysBeforeTheMonth) {
  const int16_t want[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  for (int16_t m = 1; m <= 12; ++m) EXPECT_EQ(computeDayOfYear(0, m), want[m - 1]);
  EXPECT_EQ(computeDayOfYear(0, 0), 0);
  EXPECT_EQ(computeDayOfYear(0, 13), 0);
}

TEST(Calendar, DayOfYearWithGregorianLeapYears) {
  EXPECT_EQ(DayOfYearOf(15, 3, 2024), 75);
  EXPECT_EQ(DayOfYearOf(15, 3, 2023), 74);
  EXPECT_EQ(DayOfYearOf(1, 1, 2024), 1);
  EXPECT_EQ(DayOfYearOf(29, 2, 2024), 60);
  EXPECT_EQ(DayOfYearOf(31, 12, 2024), 366);
  EXPECT_EQ(DayOfYearOf(31, 12, 2023), 365);
  EXPECT_EQ(DayOfYearOf(1, 3, 1900), 60);  // divisible by 4, yet common
  EXPECT_EQ(DayOfYearOf(1, 3, 2000), 61);
  EXPECT_EQ(DayOfYearOf(29, 2, 2023), 0);
  EXPECT_EQ(DayOfYearOf(31, 4, 2024), 0);
  EXPECT_EQ(DayOfYearOf(0, 1, 2024), 0);
  EXPECT_EQ(DayOfYearOf(1, 13, 2024), 0);
}

TEST(Toggles, FlipBetweenZeroAndOne) {
  EXPECT_EQ(ToggleValue(0), 1);
  EXPECT_EQ(ToggleValue(7), 0);
  prefsArray[44] = 0;
  TogglePrefs(44);
  EXPECT_EQ(prefsArray[44], 1);
  prefsArray[44] = 25;
  TogglePrefs(44);
  EXPECT_EQ(prefsArray[44], 0);
  TogglePrefs(0);
  TogglePrefs(101);   // ignored, not written past the table
  TogglePrefs(-3);
}

}  // namespace
