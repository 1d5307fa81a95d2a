#include "respirometry/aquatic.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace {

// 20 degrees, 760 torr, 20.95 % O2, fresh water, 100 % saturation: 6.35087 ml/L.
WaterVO2Settings closed1000() {
  WaterVO2Settings w;
  w.volumeOrFlow = 1000;
  w.netO2 = EstimateWaterO2(w).inVolume;
  return w;
}

std::vector<float> run(const WaterVO2Settings& w, std::vector<float> readings, float mass = 10,
                       float interval = 60, std::vector<float> flow = {}, float nominal = 100) {
  std::vector<float> out(readings.size(), -1);
  EXPECT_EQ(ComputeWaterVO2(w, mass, interval, nominal, readings.data(), flow.empty() ? nullptr : flow.data(),
                            out.data(), static_cast<int32_t>(readings.size())),
            WaterStatus::Ok);
  return out;
}

}  // namespace

TEST(WaterVO2, ClosedAndOpenSystems) {
  WaterVO2Settings w = closed1000();
  EXPECT_NEAR(w.netO2, 6.35087, 1e-5);
  EXPECT_NEAR(WaterFactor(w, 10, 60), 0.0635087, 1e-7);   // per % reading: VO2 at 60 s is F itself
  w.oH2O = 1;
  const std::vector<float> content = run(w, {100, 80});
  EXPECT_NEAR(content[0], 6.35087, 1e-5);
  EXPECT_NEAR(content[1], 5.08069, 1e-5);
  w.oH2O = 3;   // each case less the one before; case 0 takes case 1's value
  for (float v : run(w, {100, 99, 98})) EXPECT_NEAR(v, 0.0635085, 1e-5);
  w.oH2O = 2;
  const std::vector<float> used = run(w, {100, 99, 98});
  EXPECT_EQ(used[0], 0.0f);
  EXPECT_NEAR(used[1], 0.0635085, 1e-5);
  EXPECT_NEAR(used[2], 0.127017, 1e-5);

  WaterVO2Settings o;
  o.waterSystem = 1;
  o.volumeOrFlow = 100;   // ml/min
  o.netO2 = EstimateWaterO2(o).inVolume;
  const std::vector<float> open = run(o, {100, 90});
  EXPECT_EQ(open[0], 0.0f);
  EXPECT_NEAR(open[1], 0.0635087, 1e-6);
  // A flow channel scales each case by its flow over the nominal flow.
  const std::vector<float> flowed = run(o, {90, 90}, 10, 60, {100, 50}, 100);
  o.flowFromChannel = true;
  const std::vector<float> scaled = run(o, {90, 90}, 10, 60, {100, 50}, 100);
  EXPECT_EQ(scaled[0], flowed[0]);
  EXPECT_NEAR(scaled[1], flowed[1] * 0.5, 1e-7);
  o.flowFromChannel = false;
  o.negative = true;
  EXPECT_NEAR(run(o, {100, 90})[1], -0.0635087, 1e-6);
  o.negative = false;
  o.absoluteUnits = false;   // readings already differences from ambient
  EXPECT_NEAR(run(o, {10})[0], 0.0635087, 1e-6);
}

TEST(WaterVO2, FactorsOfMassOutputAndInputUnits) {
  const WaterVO2Settings base = closed1000();
  const double f0 = WaterFactor(base, 10, 60);
  struct Case {
    const char* what;
    void (*set)(WaterVO2Settings&);
    double ratio;
  };
  const Case cases[] = {
      {"per mg", [](auto& w) { w.massUnit = 1; }, 0.001 / 10},
      {"per g", [](auto& w) { w.massUnit = 2; }, 1.0 / 10},
      {"per kg", [](auto& w) { w.massUnit = 3; }, 1000.0 / 10},
      {"microlitres", [](auto& w) { w.woutUnits = 2; }, 1000},
      {"mmole", [](auto& w) { w.woutUnits = 3; }, 0.04461497},
      {"micromole per hour", [](auto& w) { w.woutUnits = 6; }, 44.61497 * 60},
      {"milliwatts", [](auto& w) { w.woutUnits = 7; w.heat = 20.1f / 60; }, 20.1 / 60 * 1000},
      {"Joules per hour", [](auto& w) { w.woutUnits = 9; w.heat = 20.1f / 60; }, 20.1 / 60 * 60 * 60},
      {"mg/L readings", [](auto& w) { w.waterUnits = 3; }, 0.7004375},
      {"torr readings", [](auto& w) { w.waterUnits = 2; }, 100 / (760 * 0.01 * 20.95) * (760 - 0.76 * 20) / 760},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WaterVO2Settings w = base;
    c.set(w);
    EXPECT_NEAR(WaterFactor(w, 10, 60) / f0, c.ratio, 1e-6 * c.ratio);
  }
}

TEST(WaterVO2, LabelsRefusalsAndScriptStep) {
  WaterVO2Settings w = closed1000();
  EXPECT_EQ(WaterLabel(w), "VO2 in mL O2/min");
  w.oH2O = 2;
  w.massUnit = 2;
  w.woutUnits = 2;
  EXPECT_EQ(WaterLabel(w), "\xB5L O2 used per g");
  w.oH2O = 1;
  w.massUnit = 0;
  EXPECT_EQ(WaterLabel(w), "\xB5L O2");

  const struct {
    WaterStatus st;
    void (*set)(WaterVO2Settings&, float&, float&);
  } refused[] = {
      {WaterStatus::MassNotPositive, [](auto& w, float& m, float&) { w.massUnit = 2; m = 0; }},
      {WaterStatus::SaturationNotPositive, [](auto& w, float&, float&) { w.saturation = 0; }},
      {WaterStatus::IntervalNotPositive, [](auto& w, float&, float& dt) { w.oH2O = 3; dt = 0; }},
      {WaterStatus::FlowNotPositive, [](auto& w, float&, float&) { w.waterSystem = 1; w.volumeOrFlow = 0; }},
      {WaterStatus::PressureNotPositive, [](auto& w, float&, float&) { w.waterUnits = 2; w.pressure = 0; }},
  };
  for (const auto& r : refused) {
    WaterVO2Settings x = closed1000();
    float mass = 10, dt = 60;
    r.set(x, mass, dt);
    std::vector<float> in{1, 2}, out{7, 7};
    EXPECT_EQ(ComputeWaterVO2(x, mass, dt, 100, in.data(), nullptr, out.data(), 2), r.st);
    EXPECT_EQ(out, (std::vector<float>{7, 7}));
    EXPECT_FALSE(WaterStatusText(r.st, x, mass, dt).empty());
  }

  // A replay rebuilds the window from the file and the step: the same factor.
  WaterVO2Settings o;
  o.waterSystem = 1;
  o.volumeOrFlow = 250;
  o.salinity = 35;
  o.saturation = 90;
  o.gasO2 = 21;
  o.temperature = 15;
  o.pressure = 740;
  o.chan2 = 3;
  o.netO2 = EstimateWaterO2(o).inVolume;
  float step[28];
  WaterToScriptStep(o, WaterFactor(o, 10, 60), 250, step);
  EXPECT_EQ(step[1], 32.0f);
  const WaterVO2Settings back = WaterFromScriptStep(step, 15, 740, 999);
  EXPECT_FLOAT_EQ(back.netO2, o.netO2);
  EXPECT_NEAR(WaterFactor(back, 10, 60), step[15], 1e-6 * std::fabs(step[15]));
  EXPECT_EQ(back.chan2, 3);
  step[19] = 0;   // steps without the gas-phase O2 mean air
  EXPECT_EQ(WaterFromScriptStep(step, 15, 740, 999).gasO2, 20.95f);
}

TEST(Washout, EffectiveVolumeFromPairs) {
  // 10 % to 5 % in 1 s at 600 ml/min: 10 ml/s / ln 2.
  const std::vector<float> block{10, 5, 5, 2.5f};
  std::vector<float> est(4, 0);
  WashoutResult r;
  ASSERT_EQ(EffectiveVolume(block.data(), 0, 3, 600, 1, est.data(), &r), WashoutStatus::Ok);
  EXPECT_NEAR(est[1], 14.4270, 1e-3);
  EXPECT_EQ(est[2], kUnusableEstimate);
  EXPECT_NEAR(est[3], 14.4270, 1e-3);
  EXPECT_EQ(r.usable, 2);
  EXPECT_EQ(r.unusable, 1);
  EXPECT_NEAR(r.mean, 14.427, 1e-3);
  EXPECT_NEAR(r.sd, 0, 1e-6);
  EXPECT_EQ(r.smallest, r.largest);
  // A fall to 0 or below has no finite logarithm: unusable.
  const std::vector<float> toZero{10, 0, -1};
  EXPECT_EQ(EffectiveVolume(toZero.data(), 0, 2, 600, 1, est.data(), &r), WashoutStatus::NoUsablePoints);
  EXPECT_EQ(EffectiveVolume(block.data(), 1, 1, 600, 1, est.data(), &r), WashoutStatus::BlockTooShort);
  EXPECT_EQ(EffectiveVolume(block.data(), 0, 3, 0, 1, est.data(), &r), WashoutStatus::FlowNotPositive);
  EXPECT_EQ(EffectiveVolume(block.data(), 0, 3, 600, 0, est.data(), &r), WashoutStatus::IntervalNotPositive);
  bool minutes = true;
  EXPECT_EQ(WashoutDurationText(600, 1, &minutes), " 600 sec         ");
  EXPECT_FALSE(minutes);
  EXPECT_EQ(WashoutDurationText(601, 1, &minutes), " 10.0167 min         ");
  EXPECT_TRUE(minutes);
}

TEST(ConstantVolume, StpFactor) {
  const struct { float v, t, p, rh, minutes, expected, tol; } cases[] = {
      {1000, 0, 760, 0, 10, 100, 1e-4f},
      {1000, 26.84f, 760, 0, 1, 910.53f, 5e-3f},
      {1000, 25, 760, 50, 1, 905.612f, 5e-3f},
      {500, 20, 740, 0, 5, 90.7257f, 5e-4f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_NEAR(ConstantVolumeStpFactor(c.v, c.t, c.p, c.rh, WATERCON(c.t), c.minutes), c.expected, c.tol);
  }
}
