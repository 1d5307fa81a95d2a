// Oxygen consumption in water and constant-volume respirometry by forward mass
// balance; the effective volume of a washout curve.
#include "respirometry/aquatic.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "analyses/statspanel.h"
#include "respirometry/gasphysics.h"

namespace {

// Water at 20 degrees C and 740 torr under 20.95 % O2, 10 parts per thousand
// of solutes. The truth is O2CONTENT's content at 100 % air saturation; each
// reading unit shows a content c (ml STP per litre) as
//   % air saturation   100 c / c100
//   torr PO2           c / c100 x (P - 0.76 t) x 20.95 / 100   (0.76 t torr, the vapour estimate)
//   mg/L, ppm          c x 1.4286                               (O2CONTENT's mg)
struct Water {
  float t = 20, torr = 740, gasO2 = 20.95f, salinity = 10;
  double airSaturated() const {   // c100, ml STP/L
    return (std::exp(2.028544 - 0.037973 * t - 0.020751 * 0.4826 * salinity * 0.5) + 2.793274) * (torr / 760.0) *
           (gasO2 / 20.95);
  }
  double reading(int16_t unit, double c) const {
    switch (unit) {
      case 2: return c / airSaturated() * (torr - 0.76 * t) * gasO2 / 100;
      case 3: case 4: return c * 1.4286;
      default: return 100 * c / airSaturated();
    }
  }
};

// mg/L readings come back through 0.7004375 ml/mg, made in mg by 1.4286 mg/ml:
// +0.0645 %.
double mgRoundTrip(int16_t unit) { return unit == 3 || unit == 4 ? 1.4286 * 0.7004375 : 1.0; }

WaterVO2Settings settingsFor(const Water& world, int16_t system, int16_t unit, float volumeOrFlow, float saturation) {
  WaterVO2Settings w;
  w.waterSystem = system;
  w.waterUnits = unit;
  w.temperature = world.t;
  w.pressure = world.torr;
  w.gasO2 = world.gasO2;
  w.salinity = world.salinity;
  w.saturation = saturation;
  w.volumeOrFlow = volumeOrFlow;
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

// A sealed chamber of 1500 ml of water, first at the maximum saturation, the
// animal drawing 0.02 ml STP O2/min; read every 30 s in each unit. Content,
// O2 used and VO2 come back for every unit and maximum saturation (the "torr"
// factor (P - 0.76 t) / P was the reciprocal of P / (P - 0.76 t): 4 % low; mg/L
// and ppm multiplied by ml/mg where the litres of water belong: 94 % low).
TEST(WaterVO2, ClosedSystemMassBalance) {
  const Water world;
  constexpr double kVO2 = 0.02, kVolume = 1500, kInterval = 30;
  for (const float saturation : {100.0f, 90.0f}) {
    for (int16_t unit = 1; unit <= 4; ++unit) {
      SCOPED_TRACE(testing::Message() << "unit " << unit << ", saturation " << saturation);
      const WaterVO2Settings base = settingsFor(world, 0, unit, kVolume, saturation);
      std::vector<float> readings;
      std::vector<double> content;   // ml in the chamber
      for (int k = 0; k < 6; ++k) {
        const double c = world.airSaturated() * saturation / 100 - kVO2 * k * kInterval / 60 / (kVolume / 1000);
        content.push_back(c * kVolume / 1000);
        readings.push_back(static_cast<float>(world.reading(unit, c)));
      }
      for (const int16_t oH2O : {1, 2, 3}) {
        WaterVO2Settings w = base;
        w.oH2O = oH2O;
        const std::vector<float> out = run(w, readings, 10, static_cast<float>(kInterval));
        for (size_t k = 0; k < out.size(); ++k) {
          const double truth = oH2O == 1 ? content[k] : oH2O == 2 ? content[0] - content[k] : kVO2;
          // Float channels: a content of 8 ml holds 1e-6 ml, and O2 used and VO2 are its differences.
          const double tolerance = oH2O == 1 ? 3e-7 * content[0] : oH2O == 2 ? 2e-6 * content[0] : 2e-4 * kVO2;
          EXPECT_NEAR(out[k], truth * mgRoundTrip(unit), tolerance) << "oH2O " << oH2O << " case " << k;
        }
      }
    }
  }
  // The readings in torr keep 0.76 t torr for the vapour pressure: 15.2 torr
  // at 20 degrees where the saturation pressure is 17.5, so the PO2 of
  // air-saturated water, and every rate from torr readings, is 0.32 % high.
  EXPECT_NEAR((world.torr - 0.76 * world.t) / (world.torr - SaturationVapourPressureTorr(world.t)) - 1, 3.2e-3,
              1e-4);
}

// Water flowing at 200 ml/min, entering at the maximum saturation, the
// animal drawing 0.05 ml STP/min: each unit read as absolute values (the
// inflow's reading is the reference: field 109 for % air saturation, the PO2
// of water at that saturation for torr, its content for mg/L), as differences
// from the inflow, as negative-going differences, and with the flow read per
// case from a channel. ("Absolute Value" took 100 % whatever the maximum
// saturation, the dry-gas PO2 for torr (3 torr high at 20 degrees), and
// 1.4283 x the ml/min of O2 in the flow for mg/L: a negative VO2.)
TEST(WaterVO2, OpenSystemMassBalance) {
  const Water world;
  constexpr double kVO2 = 0.05, kFlow = 200;
  const std::vector<float> flows{200, 150, 250, 180};
  for (const float saturation : {100.0f, 90.0f}) {
    for (int16_t unit = 1; unit <= 4; ++unit) {
      SCOPED_TRACE(testing::Message() << "unit " << unit << ", saturation " << saturation);
      const double in = world.airSaturated() * saturation / 100;
      WaterVO2Settings w = settingsFor(world, 1, unit, static_cast<float>(kFlow), saturation);
      std::vector<float> absolute, drop, rise, perCase;
      for (const float q : flows) {
        const double out = in - kVO2 / (q / 1000.0);
        absolute.push_back(static_cast<float>(world.reading(unit, in - kVO2 / (kFlow / 1000))));
        drop.push_back(static_cast<float>(world.reading(unit, in) - world.reading(unit, in - kVO2 / (kFlow / 1000))));
        rise.push_back(-drop.back());
        perCase.push_back(static_cast<float>(world.reading(unit, out)));
      }
      const double truth = kVO2 * mgRoundTrip(unit);
      for (const float v : run(w, absolute)) EXPECT_NEAR(v, truth, 2e-6) << "absolute";
      w.flowFromChannel = true;
      const std::vector<float> scaled = run(w, perCase, 10, 60, flows, static_cast<float>(kFlow));
      for (const float v : scaled) EXPECT_NEAR(v, truth, 2e-5) << "flow per case";
      w.flowFromChannel = false;
      w.absoluteUnits = false;
      for (const float v : run(w, drop)) EXPECT_NEAR(v, truth, 2e-6) << "from ambient";
      w.negative = true;
      for (const float v : run(w, rise)) EXPECT_NEAR(v, truth, 2e-6) << "negative-going";
    }
  }
}

// Output units and mass corrections from their definitions: 22.414 ml STP per
// mmole, 60 min per hour, 1 W = 1 J/s; a 25 g animal; 20.1 J/ml.
TEST(WaterVO2, OutputAndMassUnitsOfTheSameAnimal) {
  const Water world;
  constexpr double kVO2 = 0.05, kFlow = 200, kMass = 25, kJoulesPerMl = 20.1;
  const double in = world.airSaturated();
  const std::vector<float> readings{static_cast<float>(world.reading(1, in - kVO2 / (kFlow / 1000)))};
  const struct {
    int16_t unit, mass;
    double perMlPerMin;
  } rows[] = {
      {1, 0, 1},           {2, 0, 1000},           {3, 0, 1 / 22.414},           {4, 0, 1000 / 22.414},
      {5, 0, 60000},       {6, 0, 60000 / 22.414}, {7, 0, kJoulesPerMl / 60 * 1000},
      {8, 0, kJoulesPerMl / 60 * 1e6},             {9, 0, kJoulesPerMl * 60},
      {1, 1, 1 / (kMass * 1000)}, {2, 2, 1000 / kMass}, {6, 3, 60000 / 22.414 / (kMass / 1000)},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << "unit " << r.unit << " mass " << r.mass);
    WaterVO2Settings w = settingsFor(world, 1, 1, static_cast<float>(kFlow), 100);
    w.woutUnits = r.unit;
    w.massUnit = r.mass;
    w.heat = static_cast<float>(kJoulesPerMl / 60);
    const double truth = kVO2 * r.perMlPerMin;
    EXPECT_NEAR(run(w, readings, static_cast<float>(kMass))[0] / truth - 1, 0, 2e-5);
  }
}

TEST(WaterVO2, LabelsRefusalsAndScriptStep) {
  const WaterVO2Settings closed = settingsFor(Water{}, 0, 1, 1000, 100);
  WaterVO2Settings w = closed;
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
      {WaterStatus::PressureNotPositive, [](auto& w, float&, float&) { w.waterUnits = 2; w.pressure = 15; }},
      {WaterStatus::VolumeNotPositive, [](auto& w, float&, float&) { w.volumeOrFlow = 0; }},
      // Where O2CONTENT's fit no longer holds (3.57 ml/L at 60 degrees for
      // 3.28), and boiling water.
      {WaterStatus::WaterRefused, [](auto& w, float&, float&) { w.temperature = 60; }},
      {WaterStatus::WaterRefused, [](auto& w, float&, float&) { w.temperature = 100; }},
      {WaterStatus::WaterRefused, [](auto& w, float&, float&) { w.pressure = 15; }},
  };
  for (const auto& r : refused) {
    WaterVO2Settings x = closed;
    float mass = 10, dt = 60;
    r.set(x, mass, dt);
    std::vector<float> in{1, 2}, out{7, 7};
    EXPECT_EQ(ComputeWaterVO2(x, mass, dt, 100, in.data(), nullptr, out.data(), 2), r.st);
    EXPECT_EQ(out, (std::vector<float>{7, 7}));
    EXPECT_FALSE(WaterStatusText(r.st, x, mass, dt).empty());
  }
  WaterVO2Settings hot = closed;
  hot.temperature = 60;
  EXPECT_EQ(WaterStatusText(WaterStatus::WaterRefused, hot, 10, 60).rfind("\"temp.\": the oxygen content formula", 0),
            0u);

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
  o.waterUnits = 3;
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
  EXPECT_FLOAT_EQ(est[1], 10 / std::log(2.0));
  EXPECT_EQ(est[2], kUnusableEstimate);
  EXPECT_FLOAT_EQ(est[3], 10 / std::log(2.0));
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

// A sealed chamber of gas at T and P, humid at the start, dried before the
// analyser; the animal uses VO2 (and gives RQ VO2 of CO2) over the elapsed
// time. The block mean of the gas channel (the O2 fall or the CO2 rise, %)
// comes back as the rate in ml/min STP. With CO2 not absorbed the final O2
// fraction Fi - m dilutes by the CO2 left (the fall m stood there: -4.2 % at
// RQ 0.8); the starting vapour is its pressure RH e(T), not RH x 760 rho(T):
// +0.3 to +2.1 %. The ice point 273.16 instead of 273.15 adds +0.0004 %, and
// an initial CO2 of 0.04 % (which the CO2 form takes as 0) +0.01 %.
TEST(ConstantVolume, ChamberMassBalance) {
  const struct {
    float volume, celsius, torr, rh, minutes;
    int16_t gas;
    bool absorbed;
    double initialCO2, size;
  } rows[] = {
      {1000, 20, 760, 0, 10, 1, true, 0, 0},     {1000, 20, 760, 0, 10, 1, false, 0, 0},
      {2500, 30, 700, 80, 30, 1, false, 0, 0},   {2500, 37, 740, 100, 30, 1, true, 0, 0},
      {800, 15, 760, 50, 5, 2, true, 0, 0},      {800, 15, 760, 50, 5, 2, true, 0.0004, 1.0e-4},
  };
  constexpr double kVO2 = 0.8, kRQ = 0.8, kFi = 0.2095;   // ml/min STP
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.volume << " ml, " << r.celsius << " C, RH " << r.rh << ", gas " << r.gas
                                    << ", absorbed " << r.absorbed);
    const double vapour = r.rh / 100 * SaturationVapourPressureTorr(r.celsius);
    const double dry = r.volume * (r.torr - vapour) / 760 * 273.15 / (r.celsius + 273.15);   // ml STP
    const double o2 = kVO2 * r.minutes, co2 = kRQ * o2;
    const double left = dry - o2 + (r.absorbed && r.gas == 1 ? 0 : co2);
    const double fall = kFi - (kFi * dry - o2) / left;
    const double rise = (r.initialCO2 * dry + co2) / left - r.initialCO2;
    ConstantVolume cv;
    cv.on = true;
    cv.gasType = r.gas;
    cv.abCO2 = r.absorbed;
    cv.fio2 = 20.95f;
    cv.rq = static_cast<float>(kRQ);
    cv.stpFactor = ConstantVolumeStpFactor(r.volume, r.celsius, r.torr, r.rh, WATERCON(r.celsius), r.minutes);
    const double truth = r.gas == 1 ? kVO2 : kRQ * kVO2;
    const double got = *ConstantVolumeMean(100 * (r.gas == 1 ? fall : rise), cv);
    EXPECT_NEAR(got / truth - 1, r.size, 1e-5) << got;
  }
  // The worked examples: 1000 ml at 0 degrees, 760 torr, dry, 10 min: 100; at 26.84 degrees, 1 min: 910.53.
  EXPECT_NEAR(ConstantVolumeStpFactor(1000, 0, 760, 0, WATERCON(0), 10), 100, 1e-4);
  EXPECT_NEAR(ConstantVolumeStpFactor(1000, 26.84f, 760, 0, WATERCON(26.84f), 1), 910.53, 5e-3);
}
