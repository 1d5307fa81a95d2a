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
#include "calculators/fieldcheck.h"
#include "calculators/oxygen.h"
#include "calculators/pressure.h"
#include "calculators/rpn.h"
#include "calculators/vapour.h"
#include "editing/transforms.h"
#include "editing/watervapour.h"
#include "respirometry/gasphysics.h"
#include "shell/textutil.h"

namespace {

// Agreement to the digits a worked example prints.
void ExpectDigits(double got, double want, double relative) {
  EXPECT_NEAR(got, want, std::fabs(want) * relative + 1e-12) << "got " << got << " want " << want;
}

constexpr double kInf = std::numeric_limits<double>::infinity();

// The Q10 rule worked in long double through logarithms, to check results
// near a float's limits by another road.
double physicsQ10(long double r1, long double r2, long double t1, long double t2) {
  return static_cast<double>(std::exp(std::log(r2 / r1) * 10 / (t2 - t1)));
}
double physicsAdjusted(long double q10, long double t1, long double t2, long double r1) {
  return static_cast<double>(r1 * std::exp(std::log(q10) * (t2 - t1) / 10));
}

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
      {"1 PSI inside", psi, 1000 * (760 + 51.71493) / 760},
      {"litres per minute", slpm, 1},
      {"no time", noTime, kInf},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (std::isinf(c.want)) EXPECT_TRUE(std::isinf(StpFlow(c.in)));
    else ExpectDigits(StpFlow(c.in), c.want, 5e-7);
  }
  EXPECT_NEAR(InternalPressureTorr(10, kStpMmH2O), 10 * 9.80665 * 760 / 101325, 1e-6);   // 10 mm of water
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
      {"1000 m as feet", PressureFromAltitudeField(3280.84, true, true), 670.0, 1e-4},
      {"700 torr", AltitudeFromPressureField(700, false, true), 652.6, 1e-4},
      {"600 torr", AltitudeFromPressureField(600, false, true), 1875.7, 1e-4},
      {"600 torr in feet", AltitudeFromPressureField(600, true, true), 1875.7 * 3.28084, 1e-4},
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
  EXPECT_EQ(SaturatedVapourDensity(-70), 0.0f) << "no vapour below the cold fit's root";
  const struct {
    float t;
    bool torr;
    double want;
  } cases[] = {
      // rho R/M T, R/M = 8.314462618 / 18.01528 (0.4673615 read 1.27 % high: 47.6278 at 37 degrees).
      {37, true, 47.03283}, {37, false, 6.270526}, {20, true, 17.53708}, {4, true, 6.079045}, {4.0001f, true, 6.078309},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.t);
    ExpectDigits(VapourPressure(c.t, 100, c.torr), c.want, 5e-6);
  }
  EXPECT_EQ(VapourPressure(37, -10, true), 0.0f);   // negative pressures show 0
  EXPECT_EQ(VapourFieldText(VapourPressure(37, 100, true)).rfind(" 47.032", 0), 0u);
  // The field is what pO2 is computed from, so it reads back as the number:
  // cut to 7 characters, 9.858072e-05 kPa read 9.858.
  const struct {
    float t, saturation;
    bool torr;
  } shown[] = {{-58, 100, false}, {-58, 100, true}, {20, 0.001f, false}, {20, 0.001f, true}, {1e7f, 100, true}};
  for (const auto& c : shown) {
    SCOPED_TRACE(c.t);
    const float v = VapourPressure(c.t, c.saturation, c.torr);
    EXPECT_EQ(static_cast<float>(TextToNum(VapourFieldText(v))), v) << VapourFieldText(v);
  }

  const float pw = VapourPressure(37, 100, true);
  const struct {
    float saturation;
    double want;
  } po2[] = {{100, 149.3666}, {50, 154.2933}, {0, 159.22}};
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
  // A typed a shows again as the float typed, in the unit it was typed in:
  // the next Compute and "Save" read it back. A float scale put 0.1 and
  // 42.42 a float step off.
  for (const double typed : {1.23456, 123.456, 0.1, 42.42}) {
    for (const int16_t unit : {1, 3}) {
      SCOPED_TRACE(testing::Message() << typed << " in unit " << unit);
      BmrInput in = big;
      in.unit = unit;
      in.fromField = true;
      in.fieldA = typed;
      in.previousFactor = static_cast<float>(BmrUnitFactor(unit, 1000));
      EXPECT_EQ(ComputeBmr(in).aShown, static_cast<float>(typed));
    }
  }

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
}

TEST(UnitConversions, RowsFormulasAndMissingItems) {
  const struct {
    int16_t menu, item;
    float x;
    double want;
  } cases[] = {
      {63, 1, 1, 0.2388915},   {63, 10, 100, 37.7778}, {63, 12, 1, 274.15},     {64, 4, 2, 7200},
      {66, 8, 1, 760},       {65, 10, 1, 28.3168},   {65, 19, 90, 956.2},     {65, 19, 60, 921.894},
      {65, 19, 30, 772.005}, {65, 19, 10, 424.431},  {65, 20, 0, 956.2},      {65, 20, 1000, 1004.72},
      {65, 20, 5500, 1161.1},
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
      case ConversionKind::SaturationPressure: want = SaturationVapourPressureTorr(2); break;   // over water
      case ConversionKind::SaturationDensity: want = WATERCON(2) * 1000.0; break;
      case ConversionKind::SunFromElevation: want = 1366 * std::pow(0.7, std::pow(1 / std::sin(2 * M_PI / 180), 0.678)); break;
      case ConversionKind::SunFromAltitude: want = 1366 - 409.8 / std::pow(2, 2 / 5500.0); break;
    }
    ExpectDigits(Convert(r.menu, r.item, 2).y, want, 1e-4);
    EXPECT_FALSE(CalculatorMenuItems(r.menu).at(static_cast<size_t>(r.item - 1)).empty());
  }
}

// The rows "torr H2O, 100% RH" and "g H2O/cubic meter": above 0 degrees the
// respirometry's own Goff-Gratch pressure and WATERCON density, at and below
// it over ice; against Buck's formulas for water and ice (hPa), an
// independent fit within 0.1 % of the reference tables. The ice branch took
// hPa x 0.728498 for torr (-3.5 % at -20 degrees, 9 % below the water branch
// at 0), and the polynomial above 0 read up to 6 % high at 45 degrees.
TEST(UnitConversions, SaturationRowsFollowWaterAndIceReferences) {
  const auto buck = [](double t) {
    return t > 0 ? 6.1121 * std::exp((18.678 - t / 234.5) * (t / (257.14 + t)))
                 : 6.1115 * std::exp((23.036 - t / 333.7) * (t / (279.82 + t)));
  };
  const double torrPerHPa = 760 / 1013.25, gramsPerHPaKelvin = 100 * 18.01528 / 8.314462618;   // e M / (R T)
  for (double t = -20; t <= 45.001; t += 0.25) {
    for (const double x : {t, t == 0 ? 0.01 : t}) {
      SCOPED_TRACE(x);
      const auto c = static_cast<float>(x);
      const double torr = Convert(66, 16, c).y, grams = Convert(66, 17, c).y;
      EXPECT_NEAR(torr / (buck(c) * torrPerHPa) - 1, 0, 0.01);
      EXPECT_NEAR(grams / (buck(c) * gramsPerHPaKelvin / (c + 273.15)) - 1, 0, 0.01);
      if (c > 0) {
        EXPECT_FLOAT_EQ(static_cast<float>(torr), static_cast<float>(SaturationVapourPressureTorr(c)));
        EXPECT_FLOAT_EQ(static_cast<float>(grams), WATERCON(c) * 1000.0f);
      }
    }
  }
  // The branches meet at 0 degrees.
  EXPECT_NEAR(Convert(66, 16, 0.001f).y / Convert(66, 16, 0).y - 1, 0, 2e-4);
  EXPECT_NEAR(Convert(66, 17, 0.001f).y / Convert(66, 17, 0).y - 1, 0, 2e-4);
}

TEST(DayOfYear, LeapYearsAndUncheckedDays) {
  const struct {
    int32_t day;
    int16_t month;
    int32_t year;
    int32_t want;
  } cases[] = {
      {1, 3, 2008, 61}, {1, 3, 2009, 60}, {29, 2, 2008, 60}, {31, 12, 2008, 366}, {40, 1, 2009, 40},
      {1, 3, 8, 61},    {1, 3, 1900, 60}, {1, 3, 2000, 61},  {1, 3, 0, 61},       {1, 3, 2100, 60},
      {31, 12, 2100, 365}, {31, 12, 2400, 366}, {1, 3, 7, 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.day) + "." + std::to_string(c.month) + "." + std::to_string(c.year));
    EXPECT_EQ(CalculatorDayOfYear(c.day, c.month, c.year), c.want);
    // As typed into either calculator's fields: whole parts, one rule.
    EXPECT_EQ(DayOfYearOfTypedDate(c.day + 0.5, c.month, c.year + (c.year < 0 ? -0.5 : 0.5)), c.want);
  }
  EXPECT_EQ(DayOfYearOfTypedDate(std::numeric_limits<double>::infinity(), 3, 2000), 60);
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

// Every conversion constant against its exact definition: the program holds
// the number shown, and the number shown is right to its last digit (within
// one unit of it, so a truncated constant passes). The slips this caught:
// km/h -> m/s 0.2776398, acres -> hectares 0.4048327, square feet 0.0929368,
// US quart 0.9455371, metres -> feet 3.278, PSI -> torr 51.7007 and 51.701.
TEST(ConversionConstants, EachIsItsExactDefinitionToTheDigitsShown) {
  const double inch = 0.0254, foot = 0.3048, mile = 1609.344, pound = 0.45359237, g0 = 9.80665;
  const double pascalsPerTorr = 101325.0 / 760, pascalsPerPsi = pound * g0 / (inch * inch);
  const double gallonL = 231 * inch * inch * inch * 1000, btuJ = 1055.05585262, hpW = 550 * foot * pound * g0;
  const double litresPerMole = 8.314462618 * 273.15 / 101.325;   // ideal gas at 0 degrees C and 1 atm
  const double vapourGPerM3PerKPa = 1000 * 18.01528 / (8.314462618 * 273.15);
  const double latent37 = 2.4138;
  const double mmWaterPa = 1000 * g0 * 0.001;   // a millimetre of water at standard gravity   // J/mg, water's latent heat of vaporisation at 37 degrees C (steam tables)
  // Calories as each table states them: 4.186 J here, 4.18605 J in the
  // transformations (neither the 4.184 J thermochemical nor the 4.1868 J IT
  // calorie). The slips of water: mm H2O -> torr 0.076 (10 m of water taken as
  // 760 torr), the ice branch's hPa -> torr 0.728498, the vapour's R/M
  // 0.4673615, the transform's latent heat 2.4 J/mg.
  const double calorie = 4.186, transformsCalorie = 4.18605;
  auto row = [](int16_t menu, int16_t item) { return FindConversion(menu, item)->k; };
  auto transform = [](int item) { return static_cast<double>(ConversionItem(item).factor); };
  const struct {
    const char* where;
    double held;
    const char* shown;
    double exact;
    bool single;   // held as a float
  } cases[] = {
      {"joules/calories", row(63, 1), "4.186", calorie, false},
      {"calories/joules", row(63, 2), "4.186", calorie, false},
      {"watts/kJ per day", row(63, 3), "86.4", 86.4, false},
      {"watts/kcal per day", row(63, 4), "20.6402", 86400 / (1000 * calorie), false},
      {"watts/cal per min", row(63, 5), "14.3335", 60 / calorie, false},
      {"BTU per hour/kW", row(63, 6), "0.0002931", btuJ / 3600 / 1000, false},
      {"BTU/kJ", row(63, 7), "1.055", btuJ / 1000, false},
      {"horsepower/kW", row(63, 8), "0.746", hpW / 1000, false},
      {"kW/horsepower", row(63, 9), "1.34", 1000 / hpW, false},
      {"kelvin offset", row(63, 12), "273.15", 273.15, false},
      {"latent heat, J", row(63, 13), "2.414", latent37, false},
      {"latent heat, cal", row(63, 14), "0.576684", 2.414 / calorie, false},
      {"m/s to km/h", row(64, 1), "3.6", 3.6, false},
      {"km/h to m/s", row(64, 2), "0.2777778", 1 / 3.6, false},
      {"mph to m/s", row(64, 3), "0.44704", mile / 3600, false},
      {"per hour", row(64, 4), "3600", 3600, false},
      {"per hour back", row(64, 5), "3600", 3600, false},
      {"per minute", row(64, 6), "60", 60, false},
      {"knots to km/h", row(64, 7), "1.852", 1.852, false},
      {"km/h to knots", row(64, 8), "1.852", 1.852, false},
      {"mph to knots", row(64, 9), "1.150779", 1852 / mile, false},
      {"knots to mph", row(64, 10), "1.150779", 1852 / mile, false},
      {"mph to km/h", row(64, 11), "1.60934", mile / 1000, false},
      {"inches", row(64, 12), "2.54", 2.54, false},
      {"cm to feet", row(64, 13), "0.0328084", 0.01 / foot, false},
      {"feet to cm", row(64, 14), "0.0328084", 0.01 / foot, false},
      {"feet to m", row(64, 15), "0.3048", foot, false},
      {"m to feet", row(64, 16), "0.3048", foot, false},
      {"miles", row(64, 17), "1.60934", mile / 1000, false},
      {"km to miles", row(64, 18), "1.60934", mile / 1000, false},
      {"acres", row(64, 19), "0.4046856", 4840 * 0.9144 * 0.9144 / 1e4, false},
      {"square miles to acres", row(64, 20), "640", 640, false},
      {"square miles to hectares", row(64, 22), "258.9988", mile * mile / 1e4, false},
      {"square yards", row(64, 23), "0.8361274", 0.9144 * 0.9144, false},
      {"square feet", row(64, 24), "0.09290304", foot * foot, false},
      {"square inches", row(64, 25), "6.452", 2.54 * 2.54, false},
      {"pounds", row(65, 1), "0.453592", pound, false},
      {"kilograms", row(65, 2), "0.453592", pound, false},
      {"ounces", row(65, 3), "28.3495", pound / 16 * 1000, false},
      {"grams to ounces", row(65, 4), "0.0352740", 16 / (pound * 1000), false},
      {"short ton", row(65, 5), "907.185", 2000 * pound, false},
      {"long ton", row(65, 6), "1016.047", 2240 * pound, false},
      {"carats", row(65, 7), "0.2", 0.2, false},
      {"cubic feet", row(65, 8), "0.0283168", foot * foot * foot, false},
      {"cubic metres", row(65, 9), "0.0283168", foot * foot * foot, false},
      {"cubic feet to litres", row(65, 10), "28.3168", foot * foot * foot * 1000, false},
      {"US gallons", row(65, 11), "3.785412", gallonL, false},
      {"US pint", row(65, 12), "0.473176", gallonL / 8, false},
      {"US quart", row(65, 13), "0.9463529", gallonL / 4, false},
      {"US legal cup", row(65, 14), "0.24", 0.24, false},
      {"oil barrel", row(65, 15), "158.9873", 42 * gallonL, false},
      {"mmol to ml STP", row(65, 16), "22.414", litresPerMole, false},
      {"ml STP to mmol", row(65, 17), "22.414", litresPerMole, false},
      {"footcandle", row(65, 18), "10.764", 1 / (foot * foot), false},
      {"torr to kPa", row(66, 1), "0.1333224", pascalsPerTorr / 1000, false},
      {"PSI to torr", row(66, 2), "51.714933", pascalsPerPsi / pascalsPerTorr, false},
      {"torr to PSI", row(66, 3), "0.01933677", pascalsPerTorr / pascalsPerPsi, false},
      {"kPa to torr", row(66, 5), "7.500617", 1000 / pascalsPerTorr, false},
      {"kPa to atm", row(66, 6), "0.00986923267", 1000 / 101325.0, false},
      {"atm to kPa", row(66, 7), "101.325", 101.325, false},
      {"atm to torr", row(66, 8), "760", 760, false},
      {"atm to PSI", row(66, 9), "14.695949", 101325 / pascalsPerPsi, false},
      {"bars to torr", row(66, 10), "750.0617", 1e5 / pascalsPerTorr, false},
      {"torr to bars", row(66, 11), "750.0617", 1e5 / pascalsPerTorr, false},
      {"bars to atm", row(66, 12), "1.01325", 1.01325, false},
      {"atm to bars", row(66, 13), "1.01325", 1.01325, false},
      {"PSI to bars", row(66, 14), "0.0689475729", pascalsPerPsi / 1e5, false},
      {"bars to PSI", row(66, 15), "14.503774", 1e5 / pascalsPerPsi, false},
      {"kPa vapour to g/m3", row(66, 18), "7.93242", vapourGPerM3PerKPa, false},
      {"kPa vapour to % STP", row(66, 19), "0.986923", 100 / 101.325, false},
      {"torr vapour to g/m3", row(66, 20), "1.05757", vapourGPerM3PerKPa * pascalsPerTorr / 1000, false},
      {"torr vapour to % STP", row(66, 21), "0.1315789", 100 / 760.0, false},
      {"mm H2O to torr", row(66, 4), "0.0735559", mmWaterPa / pascalsPerTorr, false},
      // Water: the pressure of its column, its vapour, its latent heat.
      {"torr per mm of water (ventilation)", kTorrPerMmWater, "0.0735559", mmWaterPa / pascalsPerTorr, false},
      {"STP: mm H2O to torr", InternalPressureTorr(1, kStpMmH2O), "0.0735559", mmWaterPa / pascalsPerTorr, false},
      {"ice: hPa to torr", kTorrPerHPa, "0.750062", 100 / pascalsPerTorr, false},
      {"water vapour R/M, kPa m3/(kg K)", kWaterVapourGasConstant, "0.4615228", 8.314462618 / 18.01528, true},
      {"mg H2O -> joules", transform(7), "2.414", latent37, true},
      {"mm H2O -> Torr", transform(10), "0.0735559", mmWaterPa / pascalsPerTorr, true},
      // Flow to STP, altitude and pressure.
      {"STP: PSI to torr", InternalPressureTorr(1, kStpPsi), "51.71493", pascalsPerPsi / pascalsPerTorr, false},
      {"STP: kPa to torr", InternalPressureTorr(1, kStpKPa), "7.50062", 1000 / pascalsPerTorr, false},
      {"altitude: feet per metre", kFeetPerMetre, "3.28084", 1 / foot, false},
      {"altitude: kPa to torr", kTorrPerKPaAltitude, "7.50062", 1000 / pascalsPerTorr, false},
      {"altitude: torr to kPa", kKPaPerTorr, "0.13332237", pascalsPerTorr / 1000, false},
      // The transformations' conversion list.
      {"joules -> cal", transform(1), "0.2388887", 1 / transformsCalorie, true},
      {"cal -> joules", transform(2), "4.18605", transformsCalorie, true},
      {"watts -> KJ/day", transform(3), "86.4", 86.4, true},
      {"watts -> Kcal/day", transform(4), "20.63998", 86400 / (1000 * transformsCalorie), true},
      {"watts -> cal/min", transform(5), "14.33332", 60 / transformsCalorie, true},
      {"BTU/hr -> kW", transform(6), "0.0002931", btuJ / 3600 / 1000, true},
      {"Torr -> KPa", transform(8), "0.133322", pascalsPerTorr / 1000, true},
      {"PSI -> Torr", transform(9), "51.7149", pascalsPerPsi / pascalsPerTorr, true},
      {"KPa -> Torr", transform(11), "7.50062", 1000 / pascalsPerTorr, true},
      {"KPa -> atm", transform(12), "0.00986923", 1000 / 101325.0, true},
      {"atm -> KPa", transform(13), "101.325", 101.325, true},
      {"atm -> Torr", transform(14), "760", 760, true},
      {"m/s -> km/hr", transform(15), "3.6", 3.6, true},
      {"km/hr -> m/s", transform(16), "0.2777778", 1 / 3.6, true},
      {"mph -> m/s", transform(17), "0.44704", mile / 3600, true},
      {"ml -> mmole", transform(18), "0.044615", 1 / litresPerMole, true},
      {"mmole -> mL", transform(19), "22.414", litresPerMole, true},
      {"sec -> hr", transform(20), "3600", 3600, true},
      {"hr -> sec", transform(21), "0.000277777778", 1 / 3600.0, true},
      {"min -> sec", transform(22), "0.016666667", 1 / 60.0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.where);
    const std::string shown = c.shown;
    const double value = std::stod(shown);
    if (c.single) EXPECT_EQ(static_cast<float>(c.held), static_cast<float>(value));
    else EXPECT_EQ(c.held, value);
    const size_t point = shown.find('.');
    const double lastDigit = point == std::string::npos ? 1.0 : std::pow(10.0, -static_cast<double>(shown.size() - point - 1));
    EXPECT_LT(std::fabs(value - c.exact), lastDigit) << "shown " << shown << ", exact " << c.exact;
  }
  // Every factor row of the table is above (the rest are formulas or explained by their note).
  size_t factorRows = 0;
  for (const ConversionRow& r : ConversionTable())
    factorRows += r.kind == ConversionKind::Multiply || r.kind == ConversionKind::Divide || r.kind == ConversionKind::Add;
  EXPECT_EQ(factorRows, 73u);   // all above
  EXPECT_STREQ(FindConversion(64, 24)->to, "square meters");
}

// A typed value that would give an infinite or undefined result is refused,
// naming the field; finite results pass through unchanged.
TEST(CalculatorFields, ThatWouldGiveNoNumberAreRefusedByName) {
  StpInput volume;
  volume.volumeMode = true;
  volume.volume = 1000;
  volume.pressure = 760;
  StpInput cold = volume;
  cold.seconds = 60;
  cold.meterT = -273;
  StpInput fine = cold;
  fine.meterT = 0;
  StpInput backwards = fine;
  backwards.seconds = -60;
  StpInput noPressure = fine, negativeVolume = fine;
  noPressure.pressure = 0;
  negativeVolume.volume = -1000;   // showed -1000 ml/min
  StpInput metered;
  metered.flow = 500;
  metered.pressure = 760;
  StpInput frozenMeter = metered, frozenCalibration = metered, vacuum = metered, suction = metered,
           backFlow = metered;
  frozenMeter.meterT = -300;         // showed -10,111 ml/min
  frozenCalibration.calibrationT = -300;
  vacuum.internal = -800;            // B.P. plus internal below 0
  suction.internal = -100;
  backFlow.flow = -500;
  BmrInput bmr;
  bmr.b = 0.751;
  bmr.valueOfA = 0.002647f;
  BmrInput negativeMass = bmr, zeroPerGram = bmr, negativeQ10 = bmr, typedAWithoutA = bmr, hugeExponent = bmr;
  negativeMass.mass = -5;
  zeroPerGram.mass = 0;
  zeroPerGram.unit = 2;
  negativeQ10.q10 = -2;
  negativeQ10.realT = 21;
  typedAWithoutA.fromField = true;
  typedAWithoutA.fieldA = 0.005;
  typedAWithoutA.valueOfA = 0;
  hugeExponent.mass = 10;
  hugeExponent.b = 400;
  // Rates too near 0 for a float, each through its smallest factor.
  BmrInput tinyMass = bmr, frozenRate = bmr;
  tinyMass.mass = 1e-40;
  tinyMass.b = 1;
  frozenRate.q10 = 1e-37;
  frozenRate.realT = 30;
  VentilationInput vent;
  vent.ta = 25;
  vent.rh = 50;
  vent.calVol = vent.calGain = vent.calDef = vent.sampGain = 1;
  vent.sampDef = 0.5f;
  VentilationInput noCalVolts = vent, noCalibration = vent, noSampleVolts = vent, noFrequency = vent;
  noCalVolts.calDef = 0;   // showed Vt = INF, EO2 = 0 %
  noCalibration.calVol = noCalibration.calGain = noCalibration.calDef = 0;   // showed "**"
  noSampleVolts.sampDef = 0;
  noFrequency.frequency = 0;
  VentilationInput negativeCalibration = vent, shrinking = vent;
  negativeCalibration.calVol = -1;   // showed Vt -5.2 ml
  shrinking.tb = 20;                 // a breath cooler than the chamber shrinks: K < 1
  shrinking.ta = 35;
  // Each of these blamed the sample volts, whose sign then got the run accepted.
  VentilationInput noAir = vent, negativeAir = vent, thinAir = vent, justAbove = vent, frozenChamber = vent;
  noAir.pb = 0;
  negativeAir.pb = -760;
  thinAir.pb = 40;                   // below the 47 torr of a breath at 37 degrees
  justAbove.pb = 50;
  frozenChamber.ta = -300;
  VentilationInput reversed = vent, negativeVO2 = vent, noVO2 = vent, soaked = vent, dried = vent, saturated = vent;
  reversed.frequency = -1;           // showed Vmin -327 ml/min
  negativeVO2.vo2 = -1;
  noVO2.vo2 = 0;
  soaked.rh = 150;
  dried.rh = -20;
  saturated.rh = 100;
  VentilationInput overO2 = vent, noO2 = vent, bothNegative = vent, underPressure = vent;
  overO2.fio2 = 150;
  noO2.fio2 = 0;                     // blamed the VO2
  bothNegative.calVol = -1;          // with negative volts: a positive Vt, accepted
  bothNegative.sampDef = -0.5f;
  underPressure.deltaP = -10000;     // 735 torr of suction
  VentilationResult ventOut;
  const double inf = std::numeric_limits<double>::infinity();
  // Values no instrument gives, beside good ones, in the calculators that
  // computed from them in silence.
  BmrInput noMass = bmr, negativeLinear = bmr, frozenBase = bmr, frozenReal = bmr, noQ10 = bmr, negativeA = bmr,
           typedA = bmr;
  noMass.mass = 0;                   // showed 0
  negativeLinear.mass = -5;          // b = 1 showed -0.013
  negativeLinear.b = 1;
  frozenBase.baseT = -300;
  frozenReal.realT = -300;
  noQ10.q10 = 0;                     // warmer: showed 0
  noQ10.realT = 21;
  negativeA.fromField = typedA.fromField = true;
  negativeA.fieldA = -0.005;
  typedA.fieldA = 0.005;
  ClosedSystemInput cs;
  ClosedSystemInput noVolume = cs, frozenCs = cs, noCsPressure = cs, vapourOnly = cs, soakedCs = cs, wetCs = cs;
  noVolume.volume = -1000;           // showed VO2 -5.9 ml
  frozenCs.t = -300;
  noCsPressure.pb = 0;
  vapourOnly.pb = 10;                // 17.5 torr of vapour at 20 degrees
  vapourOnly.rh = 100;
  soakedCs.rh = 150;
  wetCs.rh = 100;
  ClosedSystemInput backHours = cs, backMinutes = cs, noTime = cs, richO2 = cs, underCO2 = cs, allO2Gone = cs;
  backHours.hours = -1;
  backMinutes.minutes = -90;
  noTime.hours = noTime.minutes = 0;   // showed INF ml/min
  richO2.fio2 = 120;
  underCO2.fico2 = -1;
  allO2Gone.dO2 = 25;
  ClosedSystemInput allCO2 = cs, noRQ = cs, unusedRQ = cs;
  allCO2.dCO2 = 100;
  noRQ.absorbed = false;
  noRQ.useRQ = true;
  noRQ.rq = 0;
  unusedRQ.rq = 0;                   // CO2 absorbed: the RQ plays no part
  ClosedSystemInput endlessMinutes = cs, endlessHours = cs, hotCs = cs, crushedCs = cs;
  endlessMinutes.minutes = static_cast<float>(1e39);   // infinite as a float: VO2 5.857 ml, rates 0
  endlessHours.hours = static_cast<float>(1e39);
  hotCs.t = static_cast<float>(1e39);
  crushedCs.pb = static_cast<float>(1e39);
  BmrInput savedNegativeA = bmr;
  savedNegativeA.valueOfA = -0.1f;                       // a custom equation saved before it was refused
  ClosedSystemResult csOut;
  O2Content doOut;
  const auto dissolved = [&](float t, float volume, float pb, float gas, float solutes, float saturation) {
    return CheckedDissolvedOxygen(t, volume, pb, gas, solutes, saturation, false, &doOut);
  };
  const auto converted = [](int16_t menu, int16_t item, float x) { return CheckedConversion(Convert(menu, item, x), x); };
  const struct {
    const char* name;
    CheckedResult got;
    const char* field;   // nullptr: accepted with the value
    double value;
  } cases[] = {
      {"altitude of 700 torr", CheckedAltitude(700, false, true), nullptr, 652.564},
      {"altitude of \"xyz\" read as 0", CheckedAltitude(TextToNum("xyz"), false, true), "Pressure", 0},
      {"altitude of -5 kPa", CheckedAltitude(-5, true, false), "Pressure", 0},
      {"pressure at 1000 m", CheckedPressure(1000, false, true), nullptr, 670.0},
      {"pressure 10,000 km down", CheckedPressure(-1e7, false, true), "Altitude", 0},
      {"STP with no time", CheckedStpFlow(volume), "Elapsed Time", 0},
      {"STP at -273 degrees", CheckedStpFlow(cold), "Meter temp.", 0},
      {"STP of 1000 ml a minute", CheckedStpFlow(fine), nullptr, 1000},
      {"STP over -60 s", CheckedStpFlow(backwards), "Elapsed Time", 0},
      {"STP at 0 torr", CheckedStpFlow(noPressure), "B.P.", 0},
      {"STP of -1000 ml", CheckedStpFlow(negativeVolume), "Cumulative Volume", 0},
      {"STP, meter at -300 degrees", CheckedStpFlow(frozenMeter), "Meter temp.", 0},
      {"STP, calibrated for -300 degrees", CheckedStpFlow(frozenCalibration), "calibrated for", 0},
      {"STP, internal pressure below the B.P.", CheckedStpFlow(vacuum), "meter internal pressure", 0},
      {"STP, 100 torr of suction", CheckedStpFlow(suction), nullptr, 500.0 * 660 / 760},
      {"STP of -500 ml/min", CheckedStpFlow(backFlow), "Indicated Flowrate", 0},
      {"day of the year 1", CheckedDayOfYear(1.5), nullptr, 1},
      {"day of the year 366", CheckedDayOfYear(366), nullptr, 366},
      {"day of the year 0", CheckedDayOfYear(0), "Day of the year", 0},
      {"day of the year 367", CheckedDayOfYear(367), "Day of the year", 0},
      {"March 31", CheckedDayOfMonth(31, 3, 2026), nullptr, 90},
      {"March 40 (it was day 100)", CheckedDayOfMonth(40, 3, 2026), "day of the month", 0},
      {"February 29 of a leap year", CheckedDayOfMonth(29, 2, 2024), nullptr, 60},
      {"February 29 of 2100", CheckedDayOfMonth(29, 2, 2100), "day of the month", 0},
      {"day 0", CheckedDayOfMonth(0, 5, 2026), "day of the month", 0},
      {"ventilation", CheckedVentilation(vent, &ventOut), nullptr, Ventilation(vent).tidal},
      {"ventilation, calibration volts 0", CheckedVentilation(noCalVolts, &ventOut), "calibration volts", 0},
      {"ventilation, calibration all 0", CheckedVentilation(noCalibration, &ventOut), "calibration volume", 0},
      {"ventilation, sample volts 0", CheckedVentilation(noSampleVolts, &ventOut), "sample volts", 0},
      {"ventilation, frequency 0", CheckedVentilation(noFrequency, &ventOut), "frequency", 0},
      {"ventilation, calibration volume -1", CheckedVentilation(negativeCalibration, &ventOut), "calibration volume", 0},
      {"ventilation, a shrinking breath", CheckedVentilation(shrinking, &ventOut), "sample volts", 0},
      {"ventilation at 0 torr", CheckedVentilation(noAir, &ventOut), "pressure", 0},
      {"ventilation at -760 torr", CheckedVentilation(negativeAir, &ventOut), "pressure", 0},
      {"ventilation at 40 torr", CheckedVentilation(thinAir, &ventOut), "pressure", 0},
      {"ventilation at 50 torr", CheckedVentilation(justAbove, &ventOut), nullptr, Ventilation(justAbove).tidal},
      {"ventilation, suction below the vapour", CheckedVentilation(underPressure, &ventOut), "delta-P", 0},
      {"ventilation, chamber at -300 degrees", CheckedVentilation(frozenChamber, &ventOut), "Ta", 0},
      {"ventilation, frequency -1", CheckedVentilation(reversed, &ventOut), "frequency", 0},
      {"ventilation, VO2 -1", CheckedVentilation(negativeVO2, &ventOut), "VO2", 0},
      {"ventilation, VO2 0", CheckedVentilation(noVO2, &ventOut), nullptr, Ventilation(noVO2).tidal},
      {"ventilation, RH 150 %", CheckedVentilation(soaked, &ventOut), "RH", 0},
      {"ventilation, RH -20 %", CheckedVentilation(dried, &ventOut), "RH", 0},
      {"ventilation, RH 100 %", CheckedVentilation(saturated, &ventOut), nullptr, Ventilation(saturated).tidal},
      {"ventilation, inhaled O2 150 %", CheckedVentilation(overO2, &ventOut), "inhaled O2 concentration", 0},
      {"ventilation, inhaled O2 0 %", CheckedVentilation(noO2, &ventOut), "inhaled O2 concentration", 0},
      {"ventilation, volume and volts negative", CheckedVentilation(bothNegative, &ventOut), "calibration volume", 0},
      {"simulation at 1e7 m", CheckedSimulationFromAltitudes(20.95, 3000, 1e7).check, "measurement altitude", 0},
      {"simulation at 0 torr", CheckedSimulationFromPressures(20.95, 500, 0).check, "measurement pressure", 0},
      {"simulated 0 torr", CheckedSimulationFromPressures(20.95, 0, 750).check, "simulated pressure", 0},
      {"simulation 3000 m", CheckedSimulationFromAltitudes(20.95, 3000, 100).check, nullptr, 14.5363},
      {"BMR of 1 g", ComputeBmr(bmr).check, nullptr, 0.002647},
      {"BMR of -5 g", ComputeBmr(negativeMass).check, "mass", 0},
      {"BMR per gram of 0 g", ComputeBmr(zeroPerGram).check, "mass", 0},
      {"BMR with Q10 -2", ComputeBmr(negativeQ10).check, "Q10", 0},
      {"BMR from a typed a without a", ComputeBmr(typedAWithoutA).check, "coefficient ('a' value)", 0},
      {"BMR overflowing", ComputeBmr(hugeExponent).check, "mass", 0},
      {"BMR of 1e-40 g, b = 1", ComputeBmr(tinyMass).check, "mass", 0},
      {"BMR with Q10 1e-37 over 10 degrees", ComputeBmr(frozenRate).check, "real T", 0},
      {"Q10 adjusted", Q10Adjusted(2.2, 37, 39, 1), nullptr, 1.17080},
      {"Q10 adjusted, Q10 negative", Q10Adjusted(-2, 37, 39, 1), "Q10", 0},
      {"Q10 adjusted, Q10 0 and colder", Q10Adjusted(0, 39, 37, 1), "Q10", 0},
      {"Q10 adjusted, Q10 0 and warmer (it gave 0)", Q10Adjusted(0, 37, 39, 1), "Q10", 0},
      {"Q10 adjusted, huge gap", Q10Adjusted(5, 0, 1e6, 1), "adjusted temp", 0},
      // Beyond a float only for the values: not 39 degrees, nor 37 again, is named.
      {"Q10 adjusted, base value near a float's limit", Q10Adjusted(2.2, 37, 39, 3e38), "base value", 0},
      {"Q10 adjusted, base value beyond a float", Q10Adjusted(2.2, 37, 37, 1e39), "base value", 0},
      {"Q10 adjusted, Q10 1e38", Q10Adjusted(1e38, 37, 47, 10), "Q10", 0},
      {"Q10 adjusted, Q10 1e-39 and colder", Q10Adjusted(1e-39, 37, 27, 1), "Q10", 0},
      {"Q10 adjusted, a large rate 963 degrees on", Q10Adjusted(2.2, 37, 1000, 1e30), "adjusted temp", 0},
      {"Q10 adjusted, base value inf", Q10Adjusted(2, 37, 39, inf), "base value", 0},
      // Below a float's least normal value the result showed 0 or a denormal.
      {"Q10 adjusted, base value 1e-39", Q10Adjusted(2.2, 37, 37, 1e-39), "base value", 0},
      {"Q10 adjusted, base value near a float's least", Q10Adjusted(0.5, 37, 47, 1.5e-38), "base value", 0},
      {"Q10 adjusted, Q10 1e-39", Q10Adjusted(1e-39, 37, 47, 10), "Q10", 0},
      {"Q10 adjusted, a small rate 963 degrees back", Q10Adjusted(2.2, 1000, 37, 1e-30), "adjusted temp", 0},
      {"Q10 adjusted just above a float's least", Q10Adjusted(0.5, 37, 47, 3e-38), nullptr,
       physicsAdjusted(0.5, 37, 47, 3e-38)},
      {"Q10 adjusted, base value -1 (it gave -2)", Q10Adjusted(4, 37, 42, -1), "base value", 0},
      {"Q10 adjusted, base value 0", Q10Adjusted(2.2, 37, 39, 0), "base value", 0},
      {"Q10 adjusted, base value 0.5", Q10Adjusted(4, 37, 42, 0.5), nullptr, 1.0},
      {"Q10 from rates", Q10FromRates(1, 1.1708, 37, 39), nullptr, 2.19995},
      {"Q10 from rates, equal temperatures", Q10FromRates(1, 2, 37, 37), "adjusted temp", 0},
      {"Q10 from rates, base value 0", Q10FromRates(0, 2, 37, 39), "base value", 0},
      {"Q10 from rates, signs differ", Q10FromRates(1, -2, 37, 40), "adjusted value", 0},
      {"Q10 from rates, both negative", Q10FromRates(-1, -2, 37, 40), "base value", 0},
      {"Q10 from rates, adjusted value 0", Q10FromRates(1, 0, 37, 40), "adjusted value", 0},
      {"Q10 adjusted from -300 degrees", Q10Adjusted(2.2, -300, 39, 1), "base temp", 0},
      {"Q10 adjusted to -300 degrees", Q10Adjusted(2.2, 37, -300, 1), "adjusted temp", 0},
      {"Q10 adjusted to -20 degrees", Q10Adjusted(2, 0, -20, 1), nullptr, 0.25},
      {"Q10 from rates at -300 degrees", Q10FromRates(1, 2, -300, 37), "base temp", 0},
      {"Q10 from rates to -280 degrees", Q10FromRates(1, 2, 37, -280), "adjusted temp", 0},
      // A ratio no Q10 a degree apart can give: the values, not 39 degrees, are named.
      {"Q10 from rates, values 1e40 apart", Q10FromRates(1e-20, 1e20, 37, 39), "base value\" and \"adjusted value", 0},
      {"Q10 from rates, values 1e40 apart, cooler", Q10FromRates(1e20, 1e-20, 39, 37),
       "base value\" and \"adjusted value", 0},
      {"Q10 from rates, temperatures a thousandth apart", Q10FromRates(1, 2, 37, 37.001), "adjusted temp", 0},
      {"Q10 from rates, values 1e40 apart, warmer", Q10FromRates(1e20, 1e-20, 37, 39),
       "base value\" and \"adjusted value", 0},
      {"Q10 from rates, halved a thousandth of a degree on", Q10FromRates(1, 0.5, 37, 37.001), "adjusted temp", 0},
      {"Q10 from rates, Q10 3.2e-39", Q10FromRates(1, 2e-8, 37, 39), "base value\" and \"adjusted value", 0},
      {"Q10 from rates, Q10 2.4e-38", Q10FromRates(1, 3e-8, 37, 39), nullptr, physicsQ10(1, 3e-8, 37, 39)},
      {"BMR of 0 g", ComputeBmr(noMass).check, "mass", 0},
      {"BMR of -5 g, b = 1", ComputeBmr(negativeLinear).check, "mass", 0},
      {"BMR, base T -300", ComputeBmr(frozenBase).check, "base T", 0},
      {"BMR, real T -300", ComputeBmr(frozenReal).check, "real T", 0},
      {"BMR, Q10 0", ComputeBmr(noQ10).check, "Q10", 0},
      {"BMR, typed a -0.005", ComputeBmr(negativeA).check, "coefficient ('a' value)", 0},
      {"BMR, typed a 0.005", ComputeBmr(typedA).check, nullptr, 0.005},
      {"pO2", CheckedPartialPressureInputs(760, 37, 100, 20.95f, true), nullptr, 760},
      {"pO2 at 0 torr", CheckedPartialPressureInputs(0, 37, 100, 20.95f, true), "ambient pressure", 0},
      {"pO2 at -760 torr", CheckedPartialPressureInputs(-760, 37, 100, 20.95f, true), "ambient pressure", 0},
      {"pO2 at 40 torr, 47 of vapour", CheckedPartialPressureInputs(40, 37, 100, 20.95f, true), "ambient pressure", 0},
      {"pO2 at 5 kPa, 6.3 of vapour", CheckedPartialPressureInputs(5, 37, 100, 20.95f, false), "ambient pressure", 0},
      {"pO2 at 40 torr, dry", CheckedPartialPressureInputs(40, 37, 0, 20.95f, true), nullptr, 40},
      {"pO2 at -300 degrees", CheckedPartialPressureInputs(760, -300, 100, 20.95f, true), "ambient temperature", 0},
      // The float of -273.15 lies 6e-6 K above it: compared in double, it passed.
      {"pO2 at -273.15 degrees", CheckedPartialPressureInputs(760, -273.15f, 0, 20.95f, true), "ambient temperature", 0},
      {"pO2 at -273.14 degrees, dry", CheckedPartialPressureInputs(760, -273.14f, 0, 20.95f, true), nullptr, 760},
      {"pO2, saturation 150 %", CheckedPartialPressureInputs(760, 37, 150, 20.95f, true), "vapor phase H2O saturation", 0},
      {"pO2, saturation -10 %", CheckedPartialPressureInputs(760, 37, -10, 20.95f, true), "vapor phase H2O saturation", 0},
      {"pO2, O2 120 %", CheckedPartialPressureInputs(760, 37, 100, 120, true), "gas phase %O2", 0},
      {"closed system", CheckedClosedSystem(cs, &csOut), nullptr, ClosedSystem(cs).vo2},
      {"closed system of -1000 ml", CheckedClosedSystem(noVolume, &csOut), "system volume", 0},
      {"closed system at -300 degrees", CheckedClosedSystem(frozenCs, &csOut), "temperature", 0},
      {"closed system at 0 torr", CheckedClosedSystem(noCsPressure, &csOut), "pressure", 0},
      {"closed system, 10 torr of vapour", CheckedClosedSystem(vapourOnly, &csOut), "pressure", 0},
      {"closed system, humidity 150 %", CheckedClosedSystem(soakedCs, &csOut), "initial humidity", 0},
      {"closed system, humidity 100 %", CheckedClosedSystem(wetCs, &csOut), nullptr, ClosedSystem(wetCs).vo2},
      {"closed system, -1 hour", CheckedClosedSystem(backHours, &csOut), "hours", 0},
      {"closed system, -90 minutes", CheckedClosedSystem(backMinutes, &csOut), "minutes", 0},
      {"closed system, no time", CheckedClosedSystem(noTime, &csOut), "minutes", 0},
      {"closed system, FiO2 120 %", CheckedClosedSystem(richO2, &csOut), "FiO2", 0},
      {"closed system, FiCO2 -1 %", CheckedClosedSystem(underCO2, &csOut), "FiCO2", 0},
      {"closed system, O2 down 25 %", CheckedClosedSystem(allO2Gone, &csOut), "change in O2 concentration", 0},
      {"closed system, CO2 up 100 %", CheckedClosedSystem(allCO2, &csOut), "change in CO2 concentration", 0},
      {"closed system, RQ 0", CheckedClosedSystem(noRQ, &csOut), "RQ", 0},
      {"closed system, RQ 0 unused", CheckedClosedSystem(unusedRQ, &csOut), nullptr, ClosedSystem(cs).vo2},
      {"closed system, 1e39 minutes", CheckedClosedSystem(endlessMinutes, &csOut), "minutes", 0},
      {"closed system, 1e39 hours", CheckedClosedSystem(endlessHours, &csOut), "hours", 0},
      {"closed system at 1e39 degrees", CheckedClosedSystem(hotCs, &csOut), "temperature", 0},
      {"closed system at 1e39 torr", CheckedClosedSystem(crushedCs, &csOut), "pressure", 0},
      {"BMR, saved a -0.1", ComputeBmr(savedNegativeA).check, "coefficient ('a' value)", 0},
      {"dissolved O2", dissolved(10, 10000, 760, 20.95f, 2, 100), nullptr, 7.94226},
      {"dissolved O2, 150 % counts as 100", dissolved(10, 10000, 760, 20.95f, 2, 150), nullptr, 7.94226},
      {"dissolved O2 at -300 degrees", dissolved(-300, 10000, 760, 20.95f, 2, 100), "temp.", 0},
      {"dissolved O2 in -1 ml", dissolved(10, -1, 760, 20.95f, 2, 100), "volume", 0},
      {"dissolved O2 at 0 torr", dissolved(10, 10000, 0, 20.95f, 2, 100), "B.P.", 0},
      {"dissolved O2, O2 150 %", dissolved(10, 10000, 760, 150, 2, 100), "gas phase %O2", 0},
      {"dissolved O2, solutes -2", dissolved(10, 10000, 760, 20.95f, -2, 100), "dissolved solutes", 0},
      {"dissolved O2, saturation -10 %", dissolved(10, 10000, 760, 20.95f, 2, -10), "% oxygen saturation", 0},
      // Below the water's own vapour pressure (92.5 torr at 50 degrees), or boiling.
      {"dissolved O2 at 10 torr, 50 degrees", dissolved(50, 10000, 10, 20.95f, 2, 100), "B.P.", 0},
      {"dissolved O2 at 90 torr, 50 degrees", dissolved(50, 10000, 90, 20.95f, 2, 100), "B.P.", 0},
      {"dissolved O2 at 100 torr, 50 degrees", dissolved(50, 10000, 100, 20.95f, 2, 100), nullptr,
       DissolvedOxygen(50, 10000, 100, 20.95f, 2, 100, false).perLitre},
      {"dissolved O2 at 200 degrees", dissolved(200, 10000, 760, 20.95f, 2, 100), "temp.", 0},
      {"dissolved O2 at 100 degrees, 700 torr", dissolved(100, 10000, 700, 20.95f, 2, 100), "temp.", 0},
      // The fit tends to 2.79 ml/L however hot the water: 3.572 at 60 degrees
      // (3.28), 3.158 at 80 (1.96), 2.970 at 99 (0.13); 100 degrees boils at
      // 760 torr, yet its vapour pressure came to 759.96 torr.
      {"dissolved O2 at 60 degrees", dissolved(60, 10000, 760, 20.95f, 2, 100), "temp.", 0},
      {"dissolved O2 at 80 degrees", dissolved(80, 10000, 760, 20.95f, 2, 100), "temp.", 0},
      {"dissolved O2 at 99 degrees", dissolved(99, 10000, 760, 20.95f, 2, 100), "temp.", 0},
      {"dissolved O2 at 100 degrees", dissolved(100, 10000, 760, 20.95f, 2, 100), "temp.", 0},
      {"dissolved O2 at 50.01 degrees", dissolved(50.01f, 10000, 760, 20.95f, 2, 100), "temp.", 0},
      {"dissolved O2 at 50 degrees", dissolved(50, 10000, 760, 20.95f, 0, 100), nullptr, 3.93198},
      {"dissolved O2 at 0.5 degrees", dissolved(0.5f, 10000, 760, 20.95f, 0, 100), nullptr, 10.2533},
      {"-400 F", converted(63, 10, -400), nullptr, -240},
      {"-500 F", converted(63, 10, -500), "\xA1" "F", 0},
      {"-300 C to F", converted(63, 11, -300), "\xA1" "C", 0},
      {"-300 C to K", converted(63, 12, -300), "\xA1" "C", 0},
      {"-273.15 C to K", converted(63, 12, -273.15f), "\xA1" "C", 0},
      {"-273.14 C to K", converted(63, 12, -273.14f), nullptr, -273.14f + 273.15},
      {"vapour at -300 C", converted(66, 16, -300), "\xA1" "C", 0},
      {"vapour density at -274 C", converted(66, 17, -274), "\xA1" "C", 0},
      {"-5 pounds", converted(65, 1, -5), "pounds", 0},
      {"-1 cubic meters", converted(65, 9, -1), "cubic meters", 0},
      {"-1 torr of vapour", converted(66, 20, -1), "Torr H2O vapor", 0},
      {"-4.186 joules", converted(63, 1, -4.186f), nullptr, -1},
      {"-10 mph", converted(64, 3, -10), nullptr, -4.4704},
      {"-10 torr (a difference)", converted(66, 1, -10), nullptr, -1.333224},
      {"simulation of 150 %", CheckedSimulationFromAltitudes(150, 100, 100).check, "gas concentration", 0},
      {"simulation of -5 %", CheckedSimulationFromPressures(-5, 760, 400).check, "gas concentration", 0},
      {"simulation needing 151 %", CheckedSimulationFromAltitudes(80, 0, 5000).check, "gas concentration", 0},
      {"simulation needing 152 %", CheckedSimulationFromPressures(80, 760, 400).check, "gas concentration", 0},
      {"simulation of sea level at 400 torr", CheckedSimulationFromPressures(20.95, 760, 400).check, nullptr,
       20.95 * 760 / 400},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.field) {
      EXPECT_TRUE(c.got.ok()) << RefusalText(c.got);
      if (c.got.ok()) ExpectDigits(c.got.value, c.value, 1e-4);
      continue;
    }
    EXPECT_FALSE(c.got.ok()) << c.got.value;
    if (c.got.ok()) continue;
    EXPECT_STREQ(c.got.field, c.field);
    const std::string text = RefusalText(c.got);
    EXPECT_EQ(text.find(std::string("\"") + c.field + "\": "), 0u) << text;
  }
  EXPECT_EQ(RefusalText(Q10FromRates(1, 2, 37, 37)),
            "\"adjusted temp\": equal to the base temperature, so no Q10 follows. Please correct it.");
  EXPECT_EQ(RefusalText(Q10FromRates(1e-20, 1e20, 37, 39)),
            "\"base value\" and \"adjusted value\": they are too far apart for a Q10 to follow. Please correct it.");
  EXPECT_EQ(RefusalText(Refused("mass")),
            "\"mass\": this value makes the result infinite or not a number. Please correct it.");
}

}  // namespace
