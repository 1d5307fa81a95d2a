#include "respirometry/humidity.h"

#include <cmath>
#include <limits>
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
