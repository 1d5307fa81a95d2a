// The gas calculators by forward mass balance: a known chamber, breath or gas,
// the numbers each window is given, the calculator, and the truth back. The
// saturation vapour pressure is the program's own Goff-Gratch one, as the
// content of water is O2CONTENT's.
#include <gtest/gtest.h>

#include <cmath>

#include "calculators/oxygen.h"
#include "calculators/vapour.h"
#include "respirometry/gasphysics.h"

namespace {

// A sealed chamber of V ml at T and PB, humid at the start, dried before the
// analysers; the animal uses vo2 ml STP and gives rq vo2 of CO2 in `minutes`.
struct Chamber {
  float volume = 1000, t = 20, pb = 760, rh = 0, fio2 = 20.95f, fico2 = 0.038f;
  double vo2 = 6, rq = 0.8, minutes = 82;
  bool absorbed = true;   // the CO2 the animal gives is absorbed
  double dry() const {    // ml STP of dry gas at the start
    const double vapour = rh / 100 * SaturationVapourPressureTorr(t);
    return volume * (pb - vapour) / 760 * 273.15 / (t + 273.15);
  }
  ClosedSystemInput input(bool useRQ) const {
    const double fi = fio2 / 100.0, fc0 = fico2 / 100.0, v = dry(), co2 = rq * vo2;
    const double left = v - vo2 + (absorbed ? 0 : co2);
    ClosedSystemInput in;
    in.volume = volume;
    in.t = t;
    in.pb = pb;
    in.rh = rh;
    in.hours = 0;
    in.minutes = static_cast<float>(minutes);
    in.fio2 = fio2;
    in.fico2 = fico2;
    in.rq = static_cast<float>(rq);
    in.dO2 = static_cast<float>(100 * (fi - (fi * v - vo2) / left));
    in.dCO2 = absorbed ? 0.0f : static_cast<float>(100 * ((fc0 * v + co2) / left - fc0));
    in.absorbed = absorbed;
    in.useRQ = useRQ;
    return in;
  }
};

}  // namespace

// The kelvin offset 273.3 (not 273.15) reads +0.004 % at 20 degrees and
// +0.0065 % at 37. The starting vapour is its pressure RH e(T) / PB; taken as
// RH rho(T), a density in mg/ml, it read 0.3 to 2.5 % high. The VO2 from a
// measured CO2 takes the CO2 the animal gave as Vs dCO2, leaving out the
// change of the gas volume: 0.033 % low.
TEST(ClosedSystemCalculator, ChamberMassBalance) {
  Chamber plain;
  Chamber warm;
  warm.t = 37;
  warm.rh = 100;
  warm.pb = 700;
  Chamber measured = warm;
  measured.absorbed = false;
  measured.rh = 60;
  const struct {
    const char* name;
    Chamber chamber;
    bool useRQ;
    double vo2Size, vco2Size;   // deviation from the truth; NAN: not given
  } rows[] = {
      {"CO2 absorbed", plain, false, 3.743e-5, NAN},
      {"CO2 absorbed, warm and saturated", warm, false, 6.546e-5, NAN},
      {"measured CO2", measured, false, -2.667e-4, 6.824e-5},
      {"assumed RQ", measured, true, 6.549e-5, 6.550e-5},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const ClosedSystemResult got = ClosedSystem(r.chamber.input(r.useRQ));
    EXPECT_NEAR(got.vo2 / r.chamber.vo2 - 1, r.vo2Size, 2e-6);
    EXPECT_NEAR(got.vo2Rate * r.chamber.minutes, got.vo2, 1e-9 * got.vo2);
    if (!std::isnan(r.vco2Size)) {
      EXPECT_NEAR(got.vco2 / (r.chamber.rq * r.chamber.vo2) - 1, r.vco2Size, 2e-6);
    }
  }
  // With no O2 change typed, VCO2 from the RQ.
  ClosedSystemInput noO2 = measured.input(true);
  noO2.dO2 = 0;
  EXPECT_EQ(ClosedSystem(noO2).vo2, 0);
  EXPECT_NEAR(ClosedSystem(noO2).vco2 / (measured.rq * measured.vo2) - 1, 6.550e-5, 2e-6);
  // The window's defaults: 1 h 22 min.
  const ClosedSystemResult d = ClosedSystem(ClosedSystemInput{});
  EXPECT_NEAR(d.vo2Rate * 82, d.vo2, 1e-12);
}

// A breath of Vt ml drawn from a chamber at Ta, P' and vapour pressure e_c
// is warmed to Tb and saturated in the lungs: the system gains Vt (K - 1) ml
// with K = Tb/Ta (P' - e_c)/(P' - e_b), and the calibration injection tells
// how many ml a volt is. Vt, the minute volume (both at chamber conditions)
// and the O2 extraction (the inhaled O2 at STPD) come back. K_T's 273 instead
// of 273.15 reads Vt 0.021 to 0.025 % low; 0.076 torr per mm of water (10 m
// of water taken as 760 torr) read Vt 0.004 % high and the extraction 0.011 %
// low at 20 mm. A density times 760 used as a vapour pressure read Vt 24 to 34 %
// high, and the extraction took the minute volume for STPD: about 10 % low.
TEST(VentilationCalculator, PlethysmographMassBalance) {
  const struct {
    float tb, ta, pb, deltaP, rh, trh;
    double tidal, extraction;   // deviations from the truth
  } rows[] = {
      {37, 25, 740, 0, 50, 25, -2.286e-4, 2.287e-4},
      {37, 20, 760, 0, 0, 20, -2.475e-4, 2.475e-4},
      {40, 30, 630, 0, 90, 30, -2.110e-4, 2.111e-4},
      {37, 25, 740, 20, 50, 22, -2.225e-4, 2.225e-4},
  };
  constexpr double kTidal = 0.25, kHz = 3, kVO2 = 1.5;   // ml at chamber conditions, breaths/s, ml/min STP
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << "Tb " << r.tb << " Ta " << r.ta << " PB " << r.pb << " RH " << r.rh);
    const double chamber = r.pb + r.deltaP * 0.0735559;
    const double eBody = SaturationVapourPressureTorr(r.tb);
    const double eAir = r.rh / 100 * SaturationVapourPressureTorr(r.trh);
    const double k = (r.tb + 273.15) / (r.ta + 273.15) * (chamber - eAir) / (chamber - eBody);
    VentilationInput in;
    in.vo2 = static_cast<float>(kVO2);
    in.fio2 = 20.95f;
    in.tb = r.tb;
    in.ta = r.ta;
    in.pb = r.pb;
    in.deltaP = r.deltaP;
    in.rh = r.rh;
    in.trh = r.trh;
    in.calVol = 1;
    in.calGain = 2;
    in.calDef = 0.5f;
    in.sampGain = 1;
    in.sampDef = static_cast<float>(kTidal * (k - 1) * in.sampGain * in.calDef / (in.calGain * in.calVol));
    in.frequency = static_cast<float>(kHz);
    const VentilationResult got = Ventilation(in);
    EXPECT_NEAR(got.tidal / kTidal - 1, r.tidal, 2e-6);
    EXPECT_NEAR(got.minute / (kHz * 60 * kTidal) - 1, r.tidal, 2e-6);
    const double inhaledO2 = kHz * 60 * kTidal * (chamber - eAir) / 760 * 273.15 / (r.ta + 273.15) * 0.2095;
    EXPECT_NEAR(got.extraction / (100 * kVO2 / inhaledO2) - 1, r.extraction, 2e-6);
  }
  VentilationInput noGain;
  noGain.sampGain = 0;
  noGain.sampDef = 1;
  noGain.calVol = noGain.calGain = noGain.calDef = 1;
  EXPECT_FALSE(std::isfinite(Ventilation(noGain).tidal));
}

// A gas at P, T and RH: pO2 = (P - e) x O2 % / 100 with e the vapour pressure
// of the density fit by the ideal-gas law, R/M = 0.4615228 kPa L/(g K). The
// window's 0.4673615 read the vapour pressure 1.27 % high, so pO2 was low by
// 1.27 % of e / (P - e): 0.08 % at 37 degrees, saturated.
TEST(OxygenPartialPressureCalculator, HumidGasMassBalance) {
  const struct {
    float t, saturation, torr;
    double size;
  } rows[] = {{37, 100, 760, 0}, {20, 50, 700, 0}, {4, 100, 600, 0}, {25, 0, 760, 0}};
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.t << " C, " << r.saturation << " %, " << r.torr << " torr");
    const double e = r.saturation / 100 * SaturatedVapourDensity(r.t) * (8.314462618 / 18.01528) * (r.t + 273.15) *
                     760 / 101.325;
    const double truth = (r.torr - e) * 0.2095;
    const float po2 = OxygenPartialPressure(r.torr, VapourPressure(r.t, r.saturation, true), 20.95f, true);
    EXPECT_NEAR(po2 / truth - 1, r.size, 1e-6 + 0.01 * std::fabs(r.size));
    const float kpa = OxygenPartialPressure(r.torr * 101.325f / 760, VapourPressure(r.t, r.saturation, false),
                                            20.95f, false);
    EXPECT_NEAR(kpa * 760 / 101.325 / po2 - 1, 0, 1e-6);
  }
}
