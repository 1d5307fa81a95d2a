// The calculators' formulas against worked examples: the simple calculator,
// flow to STP, altitude and pressure, vapour pressure and pO2, allometry
// and Q10, unit conversions and the day of the year.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>

#include "calculators/allometry.h"
#include "calculators/calcmenus.h"
#include "calculators/conversions.h"
#include "calculators/oxygen.h"
#include "calculators/pressure.h"
#include "calculators/rpn.h"
#include "calculators/vapour.h"
#include "shell/textutil.h"

namespace {

// Agreement to the digits a worked example prints.
void ExpectDigits(double got, double want, double relative) {
  EXPECT_NEAR(got, want, std::fabs(want) * relative + 1e-12) << "got " << got << " want " << want;
}

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(SimpleCalculator, ButtonsAndTypedOperators) {
  const struct {
    bool typed;
    int16_t id;
    double x, y;
    RpnStatus status;
    double want;   // X, or Y for the geometry buttons
    bool inY;
  } cases[] = {
      {true, kOpSubtract, 5, 3, RpnStatus::Ok, 2, false},
      {false, kRpnPower, -8, 3, RpnStatus::Ok, -512, false},
      {false, kRpnPower, -8, 0.5, RpnStatus::MathError, -8, false},
      {true, kOpPower, -8, 0.5, RpnStatus::MathError, -8, false},
      {false, kRpnLn, 0, 0, RpnStatus::Ok, -kInf, false},
      {false, kRpnLog, 0, 0, RpnStatus::Ok, -kInf, false},
      {false, kRpnLog, 1000, 0, RpnStatus::Ok, 3, false},
      {false, kRpnLn, -1, 0, RpnStatus::MathError, -1, false},
      {false, kRpnRoot, -4, 0, RpnStatus::MathError, -4, false},
      {false, kRpnDivide, 1, 0, RpnStatus::MathError, 1, false},
      {true, kOpDivide, 1, 0, RpnStatus::Ok, kInf, false},
      {false, kRpnReciprocal, 0, 0, RpnStatus::Ok, kInf, false},
      {false, kRpnAdd273, 0, 0, RpnStatus::Ok, 273.1, false},
      {false, kRpnDiv101, 101.325, 0, RpnStatus::Ok, 1, false},
      {false, kRpnXFromY, 1, 7, RpnStatus::Ok, 7, false},
      {false, kRpnYFromX, 9, 7, RpnStatus::Ok, 9, true},
      {false, kRpnLastMean, 1, 0, RpnStatus::Ok, 42.5, false},
      {false, kRpnCircumference, 2, 0, RpnStatus::Ok, 12.5663704, true},
      {false, kRpnCircleArea, 2, 0, RpnStatus::Ok, 12.5663704, true},
      {false, kRpnSphereSurface, 2, 0, RpnStatus::Ok, 50.2654816, true},
      {false, kRpnSphereVolume, 2, 0, RpnStatus::Ok, 33.5103127, true},
      {false, kRpnCylinder, 2, 3, RpnStatus::Ok, 37.6991112, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.typed) + " " + std::to_string(c.id));
    const RpnOutcome o = c.typed ? RpnApplyOperator(c.id, c.x, c.y) : RpnApplyButton(c.id, c.x, c.y, 42.5);
    EXPECT_EQ(o.status, c.status);
    const double got = c.inY ? o.y : o.x;
    if (std::isinf(c.want)) EXPECT_EQ(got, c.want);
    else ExpectDigits(got, c.want, 5e-7);
    if (c.status == RpnStatus::MathError) {
      EXPECT_EQ(o.y, static_cast<float>(c.y));
    }
  }
  EXPECT_TRUE(RpnApplyButton(kRpnPi, 1, 0, 0).piText);
  EXPECT_EQ(RpnApplyButton(kRpnDone, 1, 0, 0).status, RpnStatus::NotAnOperation);
}

TEST(FlowToStp, CorrectsPressureAndTemperature) {
  StpInput base;
  base.flow = 100;
  base.pressure = 700;
  base.meterT = 25;
  StpInput sameT = base;
  sameT.pressure = 740;
  sameT.meterT = sameT.calibrationT = 21;
  StpInput volume = base;
  volume.volumeMode = true;
  volume.volume = 1000;
  volume.seconds = 60;
  volume.pressure = 760;
  volume.meterT = 0;
  StpInput psi = volume;
  psi.internal = 1;
  psi.unit = kStpPsi;
  StpInput slpm = volume;
  slpm.slpm = true;
  StpInput noTime = volume;
  noTime.seconds = 0;
  const struct {
    const char* name;
    StpInput in;
    double want;
  } cases[] = {
      {"700 torr, 25 degrees", base, 84.37831},
      {"calibrated at the meter's temperature", sameT, 97.36842},
      {"1000 ml in 60 s", volume, 1000},
      {"1 PSI inside", psi, 1000 * (760 + 51.7007) / 760},
      {"litres per minute", slpm, 1},
      {"no time", noTime, kInf},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (std::isinf(c.want)) EXPECT_TRUE(std::isinf(StpFlow(c.in)));
    else ExpectDigits(StpFlow(c.in), c.want, 5e-7);
  }
  EXPECT_DOUBLE_EQ(InternalPressureTorr(1, kStpKPa), 7.5002);
  EXPECT_DOUBLE_EQ(InternalPressureTorr(10, kStpMmH2O), 0.76);
  EXPECT_FLOAT_EQ(StpStoredFlow(1.5f, true), 1500.0f);

  StpAverage avg;
  EXPECT_FLOAT_EQ(avg.average(80.0f, false), 80.0f);   // nothing added: the shown value
  avg.add(100.0f, false);
  avg.add(0.2f, true);                                  // 200 ml/min shown as SLPM
  EXPECT_FLOAT_EQ(avg.average(0.0f, false), 150.0f);
  EXPECT_FLOAT_EQ(avg.average(0.0f, true), 0.15f);
}

TEST(AltitudeAndPressure, BothDirectionsWithExactSeaLevel) {
  const struct {
    const char* name;
    double got, want, relative;
  } cases[] = {
      {"1000 m in torr", PressureFromAltitudeField(1000, false, true), 670.0, 1e-4},
      {"1000 m in kPa", PressureFromAltitudeField(1000, false, false), 89.327, 1e-5},
      {"1000 m as feet", PressureFromAltitudeField(3278, true, true), 670.0, 1e-4},
      {"700 torr", AltitudeFromPressureField(700, false, true), 652.6, 1e-4},
      {"600 torr", AltitudeFromPressureField(600, false, true), 1875.7, 1e-4},
      {"600 torr in feet", AltitudeFromPressureField(600, true, true), 1875.7 * 3.278, 1e-4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectDigits(c.got, c.want, c.relative);
  }
  EXPECT_EQ(AltitudeFromPressureField(760, false, true), 0.0);
  EXPECT_EQ(AltitudeFromPressureField(101.325, false, false), 0.0);
  EXPECT_NE(AltitudeAtPressure(760), 0.0);   // the formula alone is off by 5 mm
  EXPECT_EQ(PressureFromAltitudeField(0, false, true), 760.0);
  EXPECT_EQ(PressureFromAltitudeField(0, true, false), 101.325);
  EXPECT_FALSE(std::isfinite(AltitudeFromPressureField(0, false, true)));
  EXPECT_EQ(PressureFieldText(669.9666, true), " 670.0");
  EXPECT_EQ(PressureFieldText(89.32747, false), " 89.327");
  ExpectDigits(ConvertPressureField(ConvertPressureField(745, false), true), 745, 1e-12);

  const SimulatedGas s = SimulateFromAltitudes(20.95, 3000, 100);
  ExpectDigits(s.simulatedTorr, 520.7, 1e-4);
  ExpectDigits(s.measuredTorr, 750.5, 1e-4);
  EXPECT_EQ(FormatPicture(s.concentration, "###.##"), " 14.54");
  EXPECT_DOUBLE_EQ(SimulateFromAltitudes(20.95, 1234, 1234).concentration, 20.95);
  const SimulatedGas back = SimulateFromPressures(20.95, s.simulatedTorr, s.measuredTorr);
  ExpectDigits(back.simulatedAltitude, 3000, 1e-3);
  ExpectDigits(back.measuredAltitude, 100, 1e-1);
}

TEST(VapourAndOxygen, PolynomialSplitAtFourDegrees) {
  ExpectDigits(SaturatedVapourDensity(37), 0.0438065, 5e-6);
  const struct {
    float t;
    bool torr;
    double want;
  } cases[] = {
      {37, true, 47.6278}, {37, false, 6.34986}, {20, true, 17.7589}, {4, true, 6.15595}, {4.0001f, true, 6.15521},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.t);
    ExpectDigits(VapourPressure(c.t, 100, c.torr), c.want, 5e-6);
  }
  EXPECT_EQ(VapourPressure(37, -10, true), 0.0f);   // negative pressures show 0
  EXPECT_EQ(VapourFieldText(VapourPressure(37, 100, true)), " 47.627");

  const float pw = VapourPressure(37, 100, true);
  const struct {
    float saturation;
    double want;
  } po2[] = {{100, 149.242}, {50, 154.231}, {0, 159.22}};
  for (const auto& c : po2) {
    SCOPED_TRACE(c.saturation);
    const float w = VapourPressure(37, c.saturation, true);
    ExpectDigits(OxygenPartialPressure(760, w, 20.95f, true), c.want, 5e-6);
  }
  const double kpa = OxygenPartialPressure(101.325f, VapourPressure(37, 100, false), 20.95f, false);
  ExpectDigits(kpa * kTorrPerKPa, OxygenPartialPressure(760, pw, 20.95f, true), 1e-5);
}

TEST(DissolvedOxygen, PressureCountsOnceAndSaturationCaps) {
  const struct {
    const char* name;
    float pb, saturation;
    bool mg;
    double perLitre, inVolume;
  } cases[] = {
      {"760 torr", 760, 100, false, 7.94226, 79.4226},
      {"milligrams", 760, 100, true, 11.3463, 113.463},
      {"supersaturated", 760, 150, false, 7.94226, 79.4226},
      {"600 torr", 600, 100, false, 6.27020, 62.7020},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const O2Content o = DissolvedOxygen(10, 10000, c.pb, 20.95f, 2, c.saturation, c.mg);
    ExpectDigits(o.perLitre, c.perLitre, 5e-6);
    ExpectDigits(o.inVolume, c.inVolume, 5e-6);
  }
}

TEST(Allometry, EquationsUnitsAndTable) {
  BmrInput first;
  first.mass = 1;
  first.b = 0.751;
  first.valueOfA = 0.002647f;
  BmrInput big = first;
  big.mass = 1000;
  BmrInput perHour = big;
  perHour.unit = 3;
  BmrInput kg = first;
  kg.kg = true;
  BmrInput frog = first;
  frog.mass = 100;
  frog.b = 0.884;
  frog.valueOfA = 0.00135f;
  BmrInput bird = first;
  bird.mass = 100;
  bird.b = 0.71;
  bird.baseT = 38.2;
  bird.realT = 40.1;
  bird.valueOfA = 0.07633f;
  BmrInput typedA = first;   // a typed as 0.005294 while unit 1 was shown
  typedA.fromField = true;
  typedA.fieldA = 0.005294;
  const struct {
    const char* name;
    BmrInput in;
    double want;
  } cases[] = {
      {"first opening", first, 0.002647},    {"1000 g", big, 0.473973},        {"per hour", perHour, 28.4384},
      {"1 kg", kg, 0.002647 * 179.0606},      {"menu 54 item 4", frog, 0.0791287}, {"menu 56 item 10", bird, 2.33215},
      {"typed a", typedA, 0.005294},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectDigits(ComputeBmr(c.in).rate, c.want, 5e-6);
  }
  EXPECT_FLOAT_EQ(ComputeBmr(perHour).aShown, 0.002647f * 60.0f);

  // Every unit: the factor at M = 1 g and how it scales with mass.
  const double perMass[kUnitCount + 1] = {0, 1, 1, 60, 0.06, 1000, 1000, 60000, 60, 60000, 60000, 60,
                                          0.288, 6.912, 0.288, 6.912, 335000, 335, 0.335, 335, 28934.35,
                                          28.93435, 0.2893435, 28934.35, 28.93435};
  const std::set<int> divided = {2, 6, 8, 9, 10, 11, 14, 15, 19, 23, 24};
  for (int16_t u = 1; u <= kUnitCount; ++u) {
    SCOPED_TRACE(u);
    EXPECT_DOUBLE_EQ(BmrUnitFactor(u, 1), perMass[u]);
    EXPECT_DOUBLE_EQ(BmrUnitFactor(u, 10), divided.count(u) ? perMass[u] / 10 : perMass[u]);
  }
  EXPECT_EQ(BmrUnitFactor(25, 10), 1.0);

  EXPECT_EQ(TaxonTable().size(), 55u);
  for (int16_t menu = kFirstTaxonMenu; menu <= kLastTaxonMenu; ++menu) {
    const TaxonMenu* m = FindTaxonMenu(menu);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(FindTaxonEntry(menu, m->generalItem), nullptr);
    EXPECT_EQ(CalculatorMenuItems(menu).size(), static_cast<size_t>(m->generalItem));
  }
  const TaxonEntry* e = FindTaxonEntry(54, 4);
  ASSERT_NE(e, nullptr);
  EXPECT_STREQ(e->q10, "2.21");
  EXPECT_STREQ(e->b, ".884");
  EXPECT_EQ(TaxonMenuOfGroupItem(6), 52);
  EXPECT_EQ(TaxonMenuOfGroupItem(12), 0);

  ExpectDigits(*Q10Adjusted(2.2, 37, 39, 1), 1.17080, 5e-6);
  ExpectDigits(*Q10FromRates(1, 1.1708, 37, 39), 2.19995, 5e-6);
  EXPECT_FALSE(Q10Adjusted(-2, 37, 39, 1));
  EXPECT_FALSE(Q10FromRates(1, 2, 37, 37));
}

TEST(UnitConversions, RowsFormulasAndMissingItems) {
  const struct {
    int16_t menu, item;
    float x;
    double want;
  } cases[] = {
      {63, 1, 1, 0.2388915},   {63, 10, 100, 37.7778}, {63, 12, 1, 274.15},     {64, 4, 2, 7200},
      {66, 8, 1, 760},       {65, 10, 1, 28.3163},   {65, 19, 90, 956.2},     {65, 19, 60, 921.894},
      {65, 19, 30, 772.005}, {65, 19, 10, 424.431},  {65, 20, 0, 956.2},      {65, 20, 1000, 1004.72},
      {65, 20, 5500, 1161.1}, {66, 16, 20, 17.5330}, {66, 16, 37, 47.3078},   {66, 16, 0.5f, 4.97523},
      {66, 16, 0, 4.44952},  {66, 16, -10, 1.89014}, {66, 17, 20, 17.2708},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.menu) + "/" + std::to_string(c.item) + " x " + std::to_string(c.x));
    const ConversionResult r = Convert(c.menu, c.item, c.x);
    ASSERT_NE(r.row, nullptr);
    EXPECT_FALSE(r.nil);
    ExpectDigits(r.y, c.want, 5e-6);
  }
  EXPECT_TRUE(Convert(65, 19, 0).nil);
  EXPECT_TRUE(Convert(65, 19, -5).nil);
  const ConversionResult none = Convert(64, 21, 5);
  EXPECT_EQ(none.row, nullptr);
  EXPECT_EQ(none.y, 0.0f);
  EXPECT_STREQ(FindConversion(65, 10)->from, "cubic feet");

  // Every row once: x = 2 through its factor, offset or formula.
  EXPECT_EQ(ConversionTable().size(), 79u);
  std::set<std::pair<int, int>> seen;
  for (const ConversionRow& r : ConversionTable()) {
    SCOPED_TRACE(std::to_string(r.menu) + "/" + std::to_string(r.item));
    EXPECT_TRUE(seen.insert({r.menu, r.item}).second);
    double want = 0;
    switch (r.kind) {
      case ConversionKind::Multiply: want = 2 * r.k; break;
      case ConversionKind::Divide: want = 2 / r.k; break;
      case ConversionKind::Add: want = 2 + r.k; break;
      case ConversionKind::FahrenheitToCelsius: want = (2 - 32) * 5.0 / 9; break;
      case ConversionKind::CelsiusToFahrenheit: want = 35.6; break;
      case ConversionKind::SaturationPressure: want = 5.319466; break;   // over water at 2 degrees
      case ConversionKind::SaturationDensity: want = 5.319466 * 288.7763 / 275.16; break;
      case ConversionKind::SunFromElevation: want = 1366 * std::pow(0.7, std::pow(1 / std::sin(2 * M_PI / 180), 0.678)); break;
      case ConversionKind::SunFromAltitude: want = 1366 - 409.8 / std::pow(2, 2 / 5500.0); break;
    }
    ExpectDigits(Convert(r.menu, r.item, 2).y, want, 1e-4);
    EXPECT_FALSE(CalculatorMenuItems(r.menu).at(static_cast<size_t>(r.item - 1)).empty());
  }
}

TEST(DayOfYear, LeapYearsAndUncheckedDays) {
  const struct {
    int32_t day;
    int16_t month;
    int32_t year;
    int32_t want;
  } cases[] = {
      {1, 3, 2008, 61}, {1, 3, 2009, 60}, {29, 2, 2008, 60}, {31, 12, 2008, 366}, {40, 1, 2009, 40},
      {1, 3, 8, 61},    {1, 3, 1900, 60}, {1, 3, 2000, 61},  {1, 3, 0, 61},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.day) + "." + std::to_string(c.month) + "." + std::to_string(c.year));
    EXPECT_EQ(CalculatorDayOfYear(c.day, c.month, c.year), c.want);
  }
  const struct {
    const char* file;
    int16_t month;
    const char* day;
    const char* year;
  } starts[] = {{"03-01-2008", 3, "01", "2008"}, {"", 12, "07", "2026"}, {"00-05-1999", 12, "05", "1999"}};
  for (const auto& c : starts) {
    SCOPED_TRACE(c.file);
    const DateFields f = DayOfYearStart(c.file, "12/07/26");
    EXPECT_EQ(f.month, c.month);
    EXPECT_EQ(f.day, c.day);
    EXPECT_EQ(f.year, c.year);
  }
  EXPECT_EQ(TodayMMddyy().size(), 8u);
}

}  // namespace
