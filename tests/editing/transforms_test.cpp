// Calibration transforms and conversions: worked values and domain errors
// one row per case, a long range against one case at a time, the proposed
// labels, and the script step round trip.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "editing/transforms.h"

namespace {

TransformSettings with(int16_t code, float a = 0, float b = 0, float e = 0) {
  TransformSettings s;
  s.code = code;
  s.a = a;
  s.b = b;
  s.exponent = e;
  return s;
}

TEST(Transforms, OneCaseValuesAndDomainErrors) {
  const struct {
    TransformSettings s;
    float x, z, want;
    bool error;
  } cases[] = {
      {with(10), 0, 0, 0, true},
      {with(10), 4, 0, 2, false},
      {with(14), 88, 0, 1.65164e38f, false},
      {with(14), 89, 0, 0, true},
      {with(15), 37, 0, 9.99997e36f, false},
      {with(15), 37.5f, 0, 0, true},
      {with(13), 100, 0, 2, false},
      {with(5, 1, 2, 2), -4, 0, 33, false},
      {with(5, 1, 2, 0.5f), -4, 0, 0, true},
      {with(5, 1, 2, -1), 0, 0, 0, true},
      {with(16, 1, 0, 0.5f), -4, 0, 0, true},
      {with(16, 1, 0, 1), 0, 0, 0, true},
      {with(9, 0), 3, 0, 0, true},
      {with(8, 6), 3, 0, 2, false},
      {with(3), 0, 0, 0, true},
      {with(25, 2), 3, 0, 0, true},
      {with(24), 3, 4, 12, false},
      {with(64), 20, 0, 2.338084f, false},   // rho R/M T, R/M = 8.314462618 / 18.01528
      {with(64), 4, 0, 0.8104723f, false},
      {with(65), 20, 0, 17.53708f, false},
      {with(64), -70, 0, 0, false},   // below the cold fit's root no vapour is left
      {with(65), -60, 0, 0, false},
      {with(62), 212, 0, 99.9999f, false},
      {with(63), 0, 0, 273.15f, false},
      {with(66, 20), 1, 0, 7.38497f, false},
      {with(67, 750.06f), 1, 0, 1, false},
      {with(67, 0), 1, 0, 0, true},
      {with(68, 50), 100, 0, 2, false},
      {with(69, 0), 100, 0, 0, true},
      {with(18, 10, 2), 3, 0, 6, false},
      {with(18, 10, 0), 3, 0, 3, false},  // an old step without its Q10: identity, never x0
      {with(18, 1e4f, 10), 3, 0, 0, true},
      {with(26, 30, 2.4f), 5, 20, 12, false},
      {with(60, 1.0f / 3600.0f), 3600, 0, 1, false},
      {with(19), 7, 0, 7, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.s.code);
    SCOPED_TRACE(c.x);
    float w[2] = {c.x, c.x};
    const float z[2] = {c.z, c.z};
    const TransformOutcome o = ApplyTransform(w, z, 0, 1, c.s);
    EXPECT_TRUE(o.ran);
    EXPECT_EQ(o.error, c.error);
    EXPECT_NEAR(w[1], c.want, std::fabs(c.want) * 1e-5 + 1e-6);
  }
}

// A long channel's vapour pressure, four cases at a time, has the bits and
// the domain errors of the one-case formula, about the cold piece's edge and
// past the float range.
TEST(Transforms, VapourPressureOverARangeEqualsOneCaseAtATime) {
  const float odd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 4.0f,
                       std::nextafter(4.0f, 5.0f), -273.15f, 3e37f, -0.0f};
  std::mt19937 rng(64);
  std::vector<float> x(1003);
  for (float& v : x) v = rng() % 6 == 0 ? odd[rng() % 7] : static_cast<float>(rng() % 60001) * 0.001f - 10.0f;
  for (const int16_t code : {64, 65}) {
    for (const auto& [first, last] : {std::pair{0, 1002}, std::pair{3, 1000}, std::pair{5, 7}}) {
      SCOPED_TRACE(testing::Message() << code << " " << first << ".." << last);
      std::vector<float> range = x, single = x;
      bool anyError = false;
      for (int32_t k = first; k <= last; ++k) anyError |= ApplyTransform(single.data(), nullptr, k, k, with(code)).error;
      EXPECT_EQ(ApplyTransform(range.data(), nullptr, first, last, with(code)).error, anyError);
      ASSERT_EQ(std::memcmp(range.data(), single.data(), x.size() * sizeof(float)), 0);
    }
  }
}

TEST(Transforms, RunsOverARangeWithTheirConstants) {
  std::vector<float> z1 = {0, 10, 20, 20, 0};
  ApplyTransform(z1.data(), nullptr, 0, 4, with(1, 2));
  EXPECT_EQ(z1, (std::vector<float>{5, 5, 15, 20, 10}));

  TransformSettings bp = with(20);
  bp.breakpoint = {1, 1, 0, 2, 0, 1, 10, 0, 0};
  std::vector<float> b = {0.5f, 1};
  ApplyTransform(b.data(), nullptr, 0, 1, bp);
  EXPECT_EQ(b, (std::vector<float>{1, 10}));

  TransformSettings poly = with(2);
  poly.polyDegree = 2;
  poly.polyVal[1] = 1;
  poly.polyVal[2] = 0.5f;
  poly.polyVal[10] = 3;
  std::vector<float> p = {2, 4};
  ApplyTransform(p.data(), nullptr, 0, 1, poly);
  EXPECT_EQ(p, (std::vector<float>{7, 15}));

  TransformSettings sum = with(22, 0);
  sum.divide = true;
  std::vector<float> x = {1, 2}, y = {3, 4};
  const TransformOutcome o = ApplyTransform(x.data(), y.data(), 0, 1, sum);
  EXPECT_TRUE(o.error);
  EXPECT_EQ(x, (std::vector<float>{4, 6}));

  std::vector<float> block = {1, 2, 3, 4, 5};
  ApplyTransform(block.data(), nullptr, 1, 3, with(4));
  EXPECT_EQ(block, (std::vector<float>{1, -2, -3, -4, 5}));

  std::vector<float> none = {1, 2};
  const TransformOutcome skipped = ApplyTransform(none.data(), nullptr, 0, 1, with(8, 0));
  EXPECT_FALSE(skipped.ran);
  EXPECT_TRUE(skipped.error);
  EXPECT_EQ(none, (std::vector<float>{1, 2}));
}

TEST(Transforms, LabelsAndLogTexts) {
  const std::string vo2 = "VO2" + std::string(27, ' ');
  const struct {
    int16_t code;
    std::string label;
    const char *oldUnit, *newUnit, *want;
  } cases[] = {
      {47, "O2 Torr", "Torr", "KPa", "O2 KPa"},
      {47, "O2 Torr  mean", "Torr", "KPa", "O2 KPa  mean"},
      {47, "O2 %", "Torr", "KPa", "O2 %"},
      {68, vo2, "", "", "VO2 /g"},
      {69, vo2, "", "", "VO2 /Kg"},
      {68, "VO2", "", "", "VO2/g"},
      {12, "O2 Torr", "Torr", "KPa", "O2 Torr"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.want);
    EXPECT_EQ(FixTransformLabel(c.code, c.label, c.oldUnit, c.newUnit), c.want);
  }
  // The temperature conversions offer the new unit too: a kelvin channel
  // labelled "(degC)" was read as Celsius later.
  const struct {
    int item;
    const char *label, *want;
  } conversions[] = {{24, "Chamber temp (\xA1" "C)", "Chamber temp (K)"},
                     {23, "Air (\xA1" "F)", "Air (\xA1" "C)"},
                     {8, "O2 Torr", "O2 KPa"}};
  for (const auto& c : conversions) {
    SCOPED_TRACE(c.want);
    const Conversion& k = ConversionItem(c.item);
    EXPECT_EQ(FixTransformLabel(static_cast<int16_t>(kFirstConversionCode + c.item - 1), c.label, k.oldUnit,
                                k.newUnit),
              c.want);
  }
  TransformSettings s = with(5);
  EXPECT_EQ(TransformLogText(s, " 1", " 2", "2"), "transformation # 5:  1 + 2 * (channel X^2) ");
  s.code = 60;
  EXPECT_EQ(TransformLogText(s, "", "", ""), "conversion # 21: rate/hour --> rate/sec");
  s.code = 23;
  s.chan1 = 2;
  s.chan2 = 3;
  EXPECT_EQ(TransformLogText(s, "", "", ""), "transformation # 23: channel 2 - channel 3");
  EXPECT_EQ(ConversionItem(21).factor, 1.0f / 3600.0f);
  EXPECT_STREQ(ConversionItem(4).description, "watts --> Kcal/day");
  EXPECT_STREQ(TransformTypeName(1), "Z-transform");
  EXPECT_STREQ(TransformTypeName(19), "");
}

TEST(Transforms, ScriptStepRoundTripsPolynomialAndBreakpoint) {
  TransformSettings poly = with(2, 1.5f, 2.5f, 3);
  poly.chan1 = 2;
  poly.chan2 = 4;
  poly.makeNewChan = true;
  poly.polyDegree = 3;
  for (int k = 1; k <= 3; ++k) poly.polyVal[k] = static_cast<float>(k);
  poly.polyVal[10] = 9;
  poly.customIndex = 7;
  TransformSettings bp = with(20);
  bp.breakpoint = {1, 1, 0, 2, 0, 3, 10, 1, 0.5f};
  TransformSettings q = with(26, 30, 2.4f);
  for (const TransformSettings* s : {&poly, &bp, &q}) {
    SCOPED_TRACE(s->code);
    float f[28];
    for (float& v : f) v = 99;
    TransformToStep(*s, f);
    EXPECT_EQ(f[1], 11);
    const TransformSettings r = TransformFromStep(f);
    EXPECT_EQ(r.code, s->code);
    EXPECT_EQ(r.chan1, s->chan1);
    EXPECT_EQ(r.chan2, s->chan2);
    EXPECT_EQ(r.makeNewChan, s->makeNewChan);
    EXPECT_EQ(r.a, s->a);
    EXPECT_EQ(r.b, s->b);
    EXPECT_EQ(r.customIndex, s->customIndex);
    EXPECT_EQ(r.polyDegree, s->polyDegree);
    for (int k = 1; k <= 10; ++k) EXPECT_EQ(r.polyVal[k], s->polyVal[k]);
    EXPECT_EQ(r.breakpoint.upperType, s->breakpoint.upperType);
    EXPECT_EQ(r.breakpoint.upperC, s->breakpoint.upperC);
  }
  float junk[28] = {};
  junk[4] = 1e9f;
  junk[16] = -5;
  junk[11] = NAN;
  const TransformSettings r = TransformFromStep(junk);
  EXPECT_EQ(r.polyDegree, 0);
  EXPECT_EQ(r.chan1, 0);
}

}  // namespace
