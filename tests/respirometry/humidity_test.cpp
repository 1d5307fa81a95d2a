#include "respirometry/humidity.h"

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "respirometry/gasphysics.h"

namespace {

AnalyzerHumiditySettings constant50at25() {
  AnalyzerHumiditySettings h;
  h.waterChannel = 123;
  h.compRH = 50;
  h.rhFactor = WATERCON(25.0f);
  h.vapourFactor = VapourFractionFactor(760);
  return h;
}

}  // namespace

TEST(AnalyzerHumidity, DividesEveryCaseByTheDryFraction) {
  const double dew10 = 1 - VapourDensityAir(10) * 946.369 / 760;
  const double rh50at30 = 1 - 0.5 * VapourDensityAir(30) * 946.369 / 760;
  struct Case {
    const char* what;
    int16_t waterChannel, rhUnit, tRHchan;
    std::vector<float> water, temp;
    double divisor;
  };
  const Case cases[] = {
      {"constant 50 % at 25 degrees", 123, 1, 0, {}, {}, 0.985674},
      {"123 is a relative humidity even with the dew-point unit", 123, 2, 0, {}, {}, 0.985674},
      {"RH channel at the constant temperature", 3, 1, 0, {50, 50, 50}, {}, 0.985674},
      {"dew point channel: h = 1 whatever the air temperature", 3, 2, 4, {10, 10, 10}, {35, 35, 35}, dew10},
      {"RH channel, temperature channel", 3, 1, 4, {50, 50, 50}, {30, 30, 30}, rh50at30},
      {"no humidity source", 0, 1, 0, {}, {}, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AnalyzerHumiditySettings h = constant50at25();
    h.waterChannel = c.waterChannel;
    h.rhUnit = c.rhUnit;
    h.tRHchan = c.tRHchan;
    std::vector<float> gas{20, 20, 20};
    HumidityChannels ch{gas.data(), c.water.empty() ? nullptr : c.water.data(),
                        c.temp.empty() ? nullptr : c.temp.data(), gas.data(), 3};
    int64_t bad = -1;
    ASSERT_EQ(CompensateAnalyzerHumidity(h, ch, &bad), HumidityStatus::Ok);
    for (float x : gas) EXPECT_NEAR(x, 20.0 / c.divisor, 2e-5);   // case 0 included
  }
  std::vector<float> gas{20, 20};
  AnalyzerHumiditySettings h = constant50at25();
  CompensateAnalyzerHumidity(h, {gas.data(), nullptr, nullptr, gas.data(), 2});
  EXPECT_NEAR(gas[1], 20.2907, 1e-4);
}

TEST(AnalyzerHumidity, NoDryGasIsRefusedOrCounted) {
  AnalyzerHumiditySettings h = constant50at25();
  h.compRH = 100;
  h.rhFactor = 1.0f;   // 100 % of 1 mg/ml is more vapour than gas
  std::vector<float> gas{20, 20}, out{7, 7};
  EXPECT_EQ(CompensateAnalyzerHumidity(h, {gas.data(), nullptr, nullptr, out.data(), 2}),
            HumidityStatus::NoDryFraction);
  EXPECT_EQ(out, (std::vector<float>{7, 7}));
  EXPECT_NE(HumidityStatusText(HumidityStatus::NoDryFraction, h).find(" 100"), std::string::npos);
  h.vapourFactor = std::numeric_limits<float>::infinity();   // a real pressure of 0
  EXPECT_EQ(CompensateAnalyzerHumidity(h, {gas.data(), nullptr, nullptr, out.data(), 2}),
            HumidityStatus::RealPressureNotPositive);
  // From a channel: computed, and the unusable cases counted.
  h = constant50at25();
  h.waterChannel = 2;
  h.rhFactor = 1.0f;
  std::vector<float> rh{0, 100, 10};
  int64_t bad = 0;
  h.vapourFactor = 1.0f;
  EXPECT_EQ(CompensateAnalyzerHumidity(h, {gas.data(), rh.data(), nullptr, out.data(), 2}, &bad), HumidityStatus::Ok);
  EXPECT_EQ(out[0], 20.0f);
  EXPECT_EQ(bad, 1);
}

TEST(AnalyzerHumidity, ScriptStepKeepsWhatTheRunUsed) {
  AnalyzerHumiditySettings h = constant50at25();
  h.chan1 = 4;
  h.tRHchan = 2;
  h.rhUnit = 2;
  float step[28];
  HumidityToScriptStep(h, step);
  EXPECT_EQ(step[1], 35.0f);
  EXPECT_EQ(step[3], 2.0f);
  const AnalyzerHumiditySettings back = HumidityFromScriptStep(step, 10.0f);
  EXPECT_EQ(back.compRH, 50.0f);
  EXPECT_EQ(back.rhFactor, h.rhFactor);
  EXPECT_EQ(back.vapourFactor, h.vapourFactor);
  EXPECT_EQ(back.chan1, 4);
  EXPECT_EQ(back.tRHchan, 2);
  EXPECT_EQ(back.rhUnit, 2);
  EXPECT_EQ(back.waterChannel, 123);
  step[3] = 1.0f;   // recorded before compRH was kept: the current one
  EXPECT_EQ(HumidityFromScriptStep(step, 10.0f).compRH, 10.0f);
}

// Four cases at a time, the last ones from a padded copy, written elsewhere
// and in place: bit for bit the one-case loop the compensation was first
// written as, with the air fit in single precision as it was (NaNs, fits
// below their root and temperatures beyond any climate included).
TEST(AnalyzerHumidity, VectorPassMatchesTheOneCaseLoop) {
  const auto airFit = [](float t) {
    float r = 8.5704e-12f;
    r = r * t + 1.9147e-9f;
    r = r * t + 1.7366e-7f;
    r = r * t + 9.8932e-6f;
    r = r * t + 3.3414e-4f;
    r = r * t + 0.0048835f;
    return r < 0.0f ? 0.0f : r;
  };
  std::mt19937 gen(37);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  constexpr size_t kLongest = 67;
  std::vector<float> gas(kLongest), water(kLongest), temp(kLongest);
  for (size_t k = 0; k < kLongest; ++k) {
    gas[k] = 20.9f + u(gen);
    water[k] = 50.0f + 60.0f * u(gen);
    temp[k] = k % 11 == 0 ? -150.0f + 10.0f * u(gen) : 20.0f + 60.0f * u(gen);
  }
  water[5] = temp[9] = std::nanf("");
  const double K = VapourFractionFactor(740);
  const struct {
    const char* what;
    int16_t waterChannel, rhUnit, tRHchan;
  } cases[] = {
      {"dew point channel", 3, 2, 0},
      {"RH and temperature channels", 3, 1, 4},
      {"constant RH, temperature channel", 123, 1, 4},
      {"RH channel at the constant temperature", 3, 1, 0},
  };
  for (const auto& c : cases) {
    AnalyzerHumiditySettings h = constant50at25();
    h.waterChannel = c.waterChannel;
    h.rhUnit = c.rhUnit;
    h.tRHchan = c.tRHchan;
    h.vapourFactor = VapourFractionFactor(740);
    const double hConst = c.waterChannel == 123 ? h.compRH * 0.01 : 0.0;
    for (int32_t n : {1, 2, 3, 4, 5, 8, 67}) {
      SCOPED_TRACE(::testing::Message() << c.what << ", " << n << " cases");
      std::vector<float> want(static_cast<size_t>(n));
      for (size_t k = 0; k < want.size(); ++k) {
        const double dry = c.rhUnit == 2   ? 1.0 - static_cast<double>(airFit(water[k])) * K
                           : c.tRHchan == 0 ? 1.0 - 0.01 * water[k] * (static_cast<double>(h.rhFactor) * K)
                           : c.waterChannel == 123
                               ? 1.0 - hConst * static_cast<double>(airFit(temp[k])) * K
                               : 1.0 - 0.01 * water[k] * static_cast<double>(airFit(temp[k])) * K;
        want[k] = static_cast<float>(gas[k] / dry);
      }
      std::vector<float> out(static_cast<size_t>(n), -1.0f), in(gas.begin(), gas.begin() + n);
      for (float* to : {out.data(), in.data()}) {
        ASSERT_EQ(CompensateAnalyzerHumidity(h, {in.data(), water.data(), temp.data(), to, n}), HumidityStatus::Ok);
        for (int32_t k = 0; k < n; ++k)
          ASSERT_EQ(std::bit_cast<uint32_t>(to[k]), std::bit_cast<uint32_t>(want[static_cast<size_t>(k)])) << k;
      }
    }
  }
}
