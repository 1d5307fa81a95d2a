#include "respirometry/gasexchange.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "respirometry/gasphysics.h"

namespace {

// FR 100 ml/min, unit 1, dry, CO2 absorbed, FiO2 20.95 %, FiCO2 0.038 %,
// RQ 0.85, 760 torr, 30 degrees, negative-going deflections.
GasExchangeSettings base() { return GasExchangeSettings{}; }
GasFileValues file(float celsius = 30.0f) {
  GasFileValues f;
  f.flow = 100.0f;
  f.temperature = celsius;
  f.volume = 1000.0f;
  f.mass = 50.0f;
  return f;
}

// Runs the engine over one case per value (plus the lead-in case 0 = first).
std::vector<float> run(const GasExchangeSettings& g, const GasFileValues& f, std::vector<float> gas,
                       std::vector<float> second = {}, std::vector<float> water = {}, std::vector<float> temp = {},
                       std::vector<float> flow = {}) {
  std::vector<float> out(gas.size(), -999.0f);
  GasChannels ch;
  ch.gas = gas.data();
  ch.second = second.empty() ? nullptr : second.data();
  ch.water = water.empty() ? nullptr : water.data();
  ch.temp = temp.empty() ? nullptr : temp.data();
  ch.flow = flow.empty() ? nullptr : flow.data();
  ch.out = out.data();
  ch.count = static_cast<int32_t>(gas.size());
  EXPECT_EQ(ComputeGasExchange(g, f, ch), GasStatus::Ok);
  return out;
}

}  // namespace

TEST(GasExchange, ModesAndFormsMatchWorkedExamples) {
  struct Case {
    const char* what;
    GasExchangeSettings g;
    float celsius;
    float sample;
    float second;   // rate or per cent of the second gas; 0 none
    double expected;
  };
  auto with = [](auto f) { GasExchangeSettings g = base(); f(g); return g; };
  const Case cases[] = {
      {"VO2 mode 3, negative-going", with([](auto& g) { g.flowMode = 3; }), 30, -1, 0, 1.13921},
      {"VO2 mode 1, 0 degrees", with([](auto& g) { g.positive = true; }), 0, 1, 0, 1.24853},
      {"VO2 mode 1, humid incurrent gas",
       with([](auto& g) {
         g.positive = true;
         g.dryAir = false;
         g.waterChannel = kHumidityConstant;
         g.compRH = 50;
         g.rhFactor = WATERCON(25.0f);
       }),
       0, 1, 0, 1.23065},
      {"VO2 mode 8: 1/(1 - Fc) twice", with([](auto& g) { g.positive = true; g.flowMode = 8; }), 30, 1, 0, 0.938708},
      {"VO2 mode 6: 1/(1 - Fc) once", with([](auto& g) { g.positive = true; g.flowMode = 6; }), 30, 1, 0, 1.125406},
      {"VCO2 mode 1, RQ", with([](auto& g) { g.positive = true; g.gasType = kGasCO2; }), 30, 1, 0, 0.908266},
      {"VO2 mode 2 from a VCO2 rate",
       with([](auto& g) { g.positive = true; g.flowMode = 2; g.useVCO2 = 1; }), 0, 1, 0.8f, 1.04927},
      {"VCO2 mode 1 from a VO2 rate",
       with([](auto& g) { g.positive = true; g.gasType = kGasCO2; g.useVCO2 = 1; }), 0, 0.8f, 1.0f, 0.797950},
      {"... at 30 degrees", with([](auto& g) { g.positive = true; g.gasType = kGasCO2; g.useVCO2 = 1; }), 30, 0.8f,
       1.0f, 0.718984},
      {"VO2 mode 1, CO2 not absorbed", with([](auto& g) { g.positive = true; g.abCO2 = false; }), 30, 1, 0, 1.12448},
      {"VO2 mode 1, CO2 absorbed", with([](auto& g) { g.positive = true; }), 30, 1, 0, 1.12498},
      // A second-gas form with no equation runs as the RQ form.
      {"VO2 mode 3 with a rate channel", with([](auto& g) { g.flowMode = 3; g.useVCO2 = 1; }), 30, -1, 5, 1.13921},
      {"VO2 mode 4 with a %CO2 channel: F (1 - P) FR / (1 - Fi)",
       with([](auto& g) { g.positive = true; g.flowMode = 4; g.useVCO2 = 2; }), 30, 1, 50,
       0.01 * 0.5 * 100 / 0.7905 * 0.900545},
      {"VCO2 mode 8, RQ", with([](auto& g) { g.positive = true; g.gasType = kGasCO2; g.flowMode = 8; }), 30, 1, 0,
       100 * 0.01 / (0.00038 * (1 / 0.85 + 1) + 1) / (1 - 0.00038) * 0.900545},
      {"VO2 in L/min", with([](auto& g) { g.positive = true; g.litres = true; }), 30, 1, 0, 1.12498},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<float> second = c.second != 0 ? std::vector<float>{c.second, c.second} : std::vector<float>{};
    GasFileValues f = file(c.celsius);
    if (c.g.litres) f.flow = 0.1f;
    const std::vector<float> out = run(c.g, f, {c.sample, c.sample}, second);
    // Six significant digits.
    EXPECT_NEAR(out[1], c.expected, 5e-6 * std::fabs(c.expected));
    EXPECT_EQ(out[0], out[1]);   // the lead-in case is computed like any other
  }
  EXPECT_NEAR(StpFactor(760, 30), 0.900545, 1e-6);
  EXPECT_NEAR(StpFactor(760, 0), 0.999452, 1e-6);
}

TEST(GasExchange, EvaporativeWaterLoss) {
  GasExchangeSettings g = base();
  g.gasType = kGasWater;
  g.positive = true;
  g.rhUnit = 1;
  g.rhFactor = WATERCON(30.0f);
  g.flowMode = 8;   // a configuration left by an earlier run changes nothing
  g.abCO2 = false;
  GasFileValues f = file(0.0f);
  f.flow = 1000.0f;
  EXPECT_NEAR(run(g, f, {50, 50})[1], 15.1508, 5e-5);
  g.rhUnit = 2;   // the gas channel holds dew points
  EXPECT_NEAR(run(g, f, {10, 10})[1], 9.38110, 2e-5);
  g.rhUnit = 1;   // relative humidity with the surface temperature per case
  g.tRHchan = 2;
  EXPECT_NEAR(run(g, f, {50, 50}, {}, {}, {10, 10})[1], 1000 * 0.5 * 0.00938624 * 0.999452, 2e-5);
}

TEST(GasExchange, HumidityFromChannelsPerCase) {
  GasExchangeSettings g = base();
  g.positive = true;
  g.dryAir = false;
  g.rhFactor = WATERCON(25.0f);
  const double dry = 1.24853;   // mode 1, 0 degrees, dry
  g.waterChannel = 3;
  g.rhUnit = 1;   // RH channel, temperature channel
  g.tRHchan = 4;
  const double rh50at25 = 1 - 0.5 * VapourDensityAir(25) * 946.369 / 760;
  EXPECT_NEAR(run(g, file(0), {1, 1}, {}, {50, 50}, {25, 25})[1], dry * rh50at25, 2e-5);
  g.rhUnit = 2;   // dew point channel: h = 1 whatever the air temperature
  const double dew10 = 1 - VapourDensityAir(10) * 946.369 / 760;
  EXPECT_NEAR(run(g, file(0), {1, 1}, {}, {10, 10}, {35, 35})[1], dry * dew10, 2e-5);
  g.waterChannel = kHumidityNone;
  EXPECT_NEAR(run(g, file(0), {1, 1}, {}, {10, 10}, {35, 35})[1], dry, 2e-5);
  g.waterChannel = kHumidityConstant;   // 123 is a relative humidity even with the dew-point unit
  g.compRH = 50;
  g.tRHchan = 0;
  EXPECT_NEAR(run(g, file(0), {1, 1})[1], 1.23065, 2e-5);
}

TEST(GasExchange, InstantaneousCorrection) {
  // 1 s, 1000 ml, 500 ml/min: 1 - exp(-0.00833335) in double.
  EXPECT_NEAR(WashoutDenominator(500, 1 * 0.0166667 / 1000.0), 0.00829872, 5e-9);
  GasExchangeSettings g = base();
  g.gasType = kGasWater;   // F stored as FR F flowcon: unit 1, 0 degrees
  g.positive = true;
  g.instantaneous = true;
  GasFileValues f = file(0);
  f.flow = 500;
  f.interval = 1;
  f.volume = 1000;
  const double k = 500 * 0.999452;   // FR x STP
  const std::vector<float> step = run(g, f, {0, 1, 1, 1});
  EXPECT_EQ(step[0], 0.0f);
  EXPECT_NEAR(step[1] / k, 1.20500, 2e-5);
  EXPECT_NEAR(step[2] / k, 0.01, 1e-7);
  EXPECT_NEAR(step[3] / k, 0.01, 1e-7);
  // The same flow from a channel.
  g.flowChannel = 5;
  EXPECT_EQ(run(g, f, {0, 1, 1, 1}, {}, {}, {}, {500, 500, 500, 500}), step);
  // A constant input passes unchanged, also in VO2.
  g = base();
  g.instantaneous = true;
  const std::vector<float> flat = run(g, f, {2, 2, 2});
  g.instantaneous = false;
  EXPECT_EQ(run(g, f, {2, 2, 2}), flat);
}

TEST(GasExchange, RefusedConstantsNameTheValueAndWriteNothing) {
  struct Case {
    GasStatus status;
    void (*change)(GasExchangeSettings&, GasFileValues&);
    const char* named;
  };
  const Case cases[] = {
      {GasStatus::FlowNotPositive, [](auto& g, auto& f) { g.instantaneous = true; f.flow = 0; }, " 0"},
      {GasStatus::VolumeNotPositive, [](auto& g, auto& f) { g.instantaneous = true; f.volume = -1; }, "-1"},
      {GasStatus::RQNotPositive, [](auto& g, auto&) { g.rq = 0; }, " 0"},
      {GasStatus::PressureNotPositive, [](auto&, auto& f) { f.pressure = -5; }, "-5"},
      {GasStatus::TemperatureBelowAbsoluteZero, [](auto&, auto& f) { f.temperature = -273.15f; }, "-273.15"},
      {GasStatus::RealPressureNotPositive, [](auto& g, auto&) { g.realBP = 0; }, " 0"},
      {GasStatus::MassNotPositive, [](auto& g, auto& f) { g.unit = 2; f.mass = 0; }, " 0"},
      {GasStatus::MassNotPositive, [](auto& g, auto& f) { g.unit = 20; f.mass = 0; }, " 0"},
      {GasStatus::UnknownUnit, [](auto& g, auto&) { g.unit = 21; }, " 21"},
      {GasStatus::NoDryFraction,
       [](auto& g, auto&) {
         g.dryAir = false;
         g.waterChannel = kHumidityConstant;
         g.compRH = 100;
         g.rhFactor = 1;
       },
       " 100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.status));
    GasExchangeSettings g = base();
    GasFileValues f = file();
    c.change(g, f);
    std::vector<float> gas{1, 2}, out{7, 7};
    GasChannels ch{gas.data(), nullptr, nullptr, nullptr, nullptr, out.data(), 2};
    EXPECT_EQ(ComputeGasExchange(g, f, ch), c.status);
    EXPECT_EQ(out, (std::vector<float>{7, 7}));
    EXPECT_NE(GasStatusText(c.status, g, f).find(c.named), std::string::npos) << GasStatusText(c.status, g, f);
  }
  // Flow read per case from a channel is not checked: a zero there stays IEEE.
  GasExchangeSettings g = base();
  g.instantaneous = true;
  g.flowChannel = 2;
  GasFileValues f = file();
  f.flow = 0;
  EXPECT_EQ(CheckGasRun(g, f), GasStatus::Ok);
}

TEST(GasExchange, UnitsAndLabels) {
  struct Case {
    int16_t gas, unit;
    bool humidity, tempChannel;
    float mass, heat, latent;
    double factor;
    const char* label;
  };
  const float rh30 = WATERCON(30.0f);
  const Case cases[] = {
      {kGasO2, 1, false, false, 50, 0, 0, 1, "VO2; ml/min"},
      {kGasO2, 3, false, false, 50, 0, 0, 60, "VO2; ml/hr"},
      {kGasO2, 2, false, false, 50, 0, 0, 0.02, "VO2; ml/[g min]"},
      {kGasCO2, 14, false, false, 50, GasHeatFactor(StandardHeatEquivalent(kGasCO2, 2)), 0, 0.470001, "VCO2; watts"},
      {kGasO2, 15, false, false, 50, GasHeatFactor(20.1f), 0, 20.1 * 0.0166667 * 20, "VO2; watts/kg"},
      {kGasWater, 1, true, false, 50, 0, 0, rh30, "mH2O; mg/min"},
      {kGasWater, 1, true, true, 50, 0, 0, 1, "mH2O; mg/min"},   // the density is in each case
      {kGasWater, 9, true, false, 50, 0, 0, rh30 * 1200, "mH2O; mg/[kg hr]"},
      {kGasWater, 9, false, false, 50, 0, 0, 1200, "mH2O; mg/[kg hr]"},
      {kGasWater, 12, false, false, 50, 0, LatentHeat(30), 40497.4, "mH2O; \xB5watts"},
      {kGasWater, 5, false, false, 50, 0, 0, 1000, "mH2O; \xB5g/min"},
      {kGasO2, 11, false, false, 50, 0, 0, 1.2, "VO2; L/[kg hr]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    GasUnitRequest r;
    r.gasType = c.gas;
    r.unit = c.unit;
    r.waterAsHumidity = c.humidity;
    r.temperatureChannel = c.tempChannel;
    r.mass = c.mass;
    r.rhFactor = rh30;
    r.heat = c.heat;
    r.latent = c.latent;
    const GasUnit u = GasUnitFactor(r);
    EXPECT_TRUE(u.known);
    EXPECT_NEAR(u.factor, c.factor, 2e-6 * c.factor);
    EXPECT_EQ(u.label, c.label);
  }
  GasUnitRequest none;
  none.unit = 0;
  EXPECT_FALSE(GasUnitFactor(none).known);
  GasExchangeSettings g = base();
  g.instantaneous = true;
  g.unit = 3;
  EXPECT_EQ(GasChannelLabel(g, file()), "iVO2; ml/hr                   ");
}

TEST(GasExchange, ScriptStepRoundTrip) {
  GasExchangeSettings g = base();
  g.gasType = kGasCO2;
  g.flowMode = 7;
  g.useVCO2 = 2;
  g.vco2Channel = 5;
  g.dryAir = false;
  g.abCO2 = false;
  g.waterChannel = kHumidityConstant;
  g.compRH = 42.5f;
  g.rhUnit = 2;
  g.tRHchan = 3;
  g.rhFactor = 0.0230096f;
  g.realBP = 741;
  g.latent = 2429.839f;
  g.heat = 0.47f;
  g.flowChannel = 4;
  g.unit = 17;
  g.instantaneous = true;
  g.positive = true;
  g.chan1 = 2;
  g.makeNewChan = true;
  float step[28];
  for (float& v : step) v = 99;
  GasToScriptStep(g, step);
  EXPECT_EQ(step[1], 9.0f);
  EXPECT_EQ(step[3], 1.0f);
  EXPECT_EQ(step[21], 17.0f);
  EXPECT_EQ(step[27], 0.0f);
  const GasExchangeSettings back = GasFromScriptStep(step);
  float again[28];
  GasToScriptStep(back, again);
  for (int i = 0; i < 28; ++i) EXPECT_EQ(again[i], step[i]) << i;
  EXPECT_FALSE(back.litres);   // the file's flow unit is not the step's
  step[26] = 0;                // steps recorded before field 26 replace the gas channel
  EXPECT_FALSE(GasFromScriptStep(step).makeNewChan);
}
