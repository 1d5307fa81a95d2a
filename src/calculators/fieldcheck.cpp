#include "calculators/fieldcheck.h"

#include <algorithm>
#include <cmath>

#include "calculators/conversions.h"
#include "calculators/vapour.h"
#include "editing/watervapour.h"
#include "respirometry/gasphysics.h"
#include "shell/textutil.h"

namespace {

bool isNumber(double v) { return std::isfinite(v); }


constexpr const char* kAboveAll = "at these pressures the mixture would need more than 100 %";

}  // namespace

CheckedResult CheckedAltitude(double p, bool feet, bool torr) {
  if (!isNumber(p) || p <= 0) return Refused("Pressure", "a pressure must be above 0");
  const double h = AltitudeFromPressureField(p, feet, torr);
  return isNumber(h) ? Accepted(h) : Refused("Pressure");
}

CheckedResult CheckedPressure(double altitude, bool feet, bool torr) {
  const double p = PressureFromAltitudeField(altitude, feet, torr);
  return isNumber(altitude) && isNumber(p) ? Accepted(p) : Refused("Altitude");
}

CheckedResult CheckedStpFlow(const StpInput& in) {
  if (in.volumeMode) {
    if (in.seconds < 0) return Refused("Elapsed Time", "a negative elapsed time gives a negative flow");
    if (in.volume < 0) return Refused("Cumulative Volume", "a negative volume gives a negative flow");
  } else if (in.flow < 0) {
    return Refused("Indicated Flowrate", "a flow must not be negative");
  }
  if (!(in.pressure > 0)) return Refused("B.P.", kPressureAbove0);
  // A vacuum in the meter deeper than the air around it.
  if (!(in.pressure + InternalPressureTorr(in.internal, in.unit) > 0))
    return Refused("meter internal pressure", "with the B.P. it must give a pressure above 0");
  if (BelowAbsoluteZero(in.meterT, 273.0f)) return Refused("Meter temp.", kAboveAbsoluteZero);
  if (BelowAbsoluteZero(in.calibrationT, 273.0f)) return Refused("calibrated for", kAboveAbsoluteZero);
  const double flow = StpFlow(in);
  if (isNumber(flow)) return Accepted(flow);
  if (in.volumeMode) {
    if (!isNumber(in.volume)) return Refused("Cumulative Volume");
    if (!isNumber(in.seconds) || in.seconds == 0)
      return Refused("Elapsed Time", "the elapsed time must not be 0");
  } else if (!isNumber(in.flow)) {
    return Refused("Indicated Flowrate");
  }
  if (!isNumber(in.pressure)) return Refused("B.P.");
  if (!isNumber(InternalPressureTorr(in.internal, in.unit))) return Refused("meter internal pressure");
  if (!isNumber(in.meterT)) return Refused("Meter temp.");
  if (!isNumber(in.calibrationT)) return Refused("calibrated for");
  // Finite inputs whose product overflows a float: the flow itself is too large.
  return Refused(in.volumeMode ? "Cumulative Volume" : "Indicated Flowrate");
}

CheckedResult CheckedDayOfMonth(double day, int16_t month, double year) {
  constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || !isNumber(year)) return Refused("year");
  const auto y = static_cast<int32_t>(std::clamp(std::trunc(year), -2.0e9, 2.0e9));
  const int last = kDays[month - 1] + (month == 2 && IsLeapYear(y) ? 1 : 0);
  if (!isNumber(day) || std::trunc(day) < 1 || std::trunc(day) > last)
    return Refused("day of the month", "it must lie within the month chosen");
  return Accepted(DayOfYearOfTypedDate(day, month, year));
}

CheckedResult CheckedDayOfYear(double day) {
  if (!isNumber(day) || std::trunc(day) < 1 || std::trunc(day) > 366)
    return Refused("Day of the year", "it must lie from 1 to 366");
  return Accepted(std::trunc(day));
}

CheckedResult CheckedVentilation(const VentilationInput& in, VentilationResult* out) {
  const struct {
    float value;
    const char* field;
  } typed[] = {{in.vo2, "VO2"}, {in.fio2, "inhaled O2 concentration"}, {in.tb, "Tb"}, {in.ta, "Ta"},
               {in.pb, "pressure"}, {in.deltaP, "delta-P"}, {in.rh, "RH"}, {in.trh, "t,RH"}};
  for (const auto& t : typed)
    if (!isNumber(t.value)) return Refused(t.field);
  if (in.vo2 < 0) return Refused("VO2", "a rate must not be negative");
  if (!(in.fio2 > 0 && in.fio2 <= 100)) return Refused("inhaled O2 concentration", "it must lie above 0, up to 100 %");
  if (BelowAbsoluteZero(in.tb, 273.0f)) return Refused("Tb", kAboveAbsoluteZero);
  if (BelowAbsoluteZero(in.ta, 273.0f)) return Refused("Ta", kAboveAbsoluteZero);
  if (!(in.pb > 0)) return Refused("pressure", kPressureAbove0);
  if (OutsidePercent(in.rh)) return Refused("RH", kPercent);
  if (BelowAbsoluteZero(in.trh)) return Refused("t,RH", kAboveAbsoluteZero);
  // The breath is saturated at Tb, and the chamber air holds its own vapour:
  // both less than the chamber pressure, or K has no meaning.
  const double chamber = in.pb + in.deltaP * kTorrPerMmWater;
  const double body = SaturationVapourPressureTorr(in.tb);
  if (!(chamber > body))
    return Refused(in.deltaP < 0 && in.pb > body ? "delta-P" : "pressure",
                   "the chamber pressure must be above the water vapour pressure at Tb (47 torr at 37 \xA1" "C)");
  if (!(chamber > SaturationVapourPressureTorr(in.trh) * in.rh / 100.0))
    return Refused("RH", "its vapour pressure must be below the chamber pressure");
  if (in.calVol < 0) return Refused("calibration volume", "a volume must be above 0");
  if (in.frequency < 0) return Refused("frequency", "a frequency must be above 0");
  const struct {
    float value;
    const char* field;
  } needed[] = {{in.calVol, "calibration volume"}, {in.calGain, "calibration gain"},
                {in.calDef, "calibration volts"},  {in.sampGain, "sample gain"},
                {in.sampDef, "sample volts"},      {in.frequency, "frequency"}};
  for (const auto& n : needed)
    if (!isNumber(n.value) || n.value == 0.0f) return Refused(n.field, "it must be a number other than 0");
  const VentilationResult r = Ventilation(in);
  if (!isNumber(static_cast<float>(r.tidal)))
    return Refused("Ta", "the breath gains no volume (K = 1) at these temperatures and humidities");
  if (r.tidal < 0) {
    constexpr const char* kNegative = "it makes the tidal volume negative";
    for (const auto& n : needed)
      if (n.value < 0.0f) return Refused(n.field, kNegative);
    return Refused("sample volts", "the breath shrinks in the lungs here (K below 1): its volts must be negative");
  }
  if (!isNumber(static_cast<float>(r.minute))) return Refused("frequency");
  if (!isNumber(static_cast<float>(r.extraction))) return Refused("VO2");
  *out = r;
  return Accepted(r.tidal);
}

CheckedResult CheckedPartialPressureInputs(float ambient, float celsius, float saturation, float o2Percent, bool torr) {
  if (!isNumber(ambient)) return Refused("ambient pressure");
  if (!(ambient > 0)) return Refused("ambient pressure", kPressureAbove0);
  if (!isNumber(celsius)) return Refused("ambient temperature");
  if (BelowAbsoluteZero(celsius)) return Refused("ambient temperature", kAboveAbsoluteZero);
  if (OutsidePercent(saturation)) return Refused("vapor phase H2O saturation", kPercent);
  if (OutsidePercent(o2Percent)) return Refused("gas phase %O2", kPercent);
  // A negative pO2 otherwise: more vapour than gas.
  if (!(ambient > VapourPressure(celsius, saturation, torr)))
    return Refused("ambient pressure", "it must be above the water vapour pressure it holds");
  return Accepted(ambient);
}

CheckedResult CheckedClosedSystem(const ClosedSystemInput& in, ClosedSystemResult* out) {
  constexpr const char* kNotNegative = "a time must not be negative";
  // Far beyond any chamber: 1e39 minutes is infinite as a float and gave
  // rates of 0.
  constexpr const char* kTooLarge = "it is too large to be a number";
  if (!(in.volume > 0)) return Refused("system volume", "a volume must be above 0");
  if (!isNumber(in.t)) return Refused("temperature", kTooLarge);
  if (BelowAbsoluteZero(in.t, 273.3f)) return Refused("temperature", kAboveAbsoluteZero);
  if (!isNumber(in.pb)) return Refused("pressure", kTooLarge);
  if (!(in.pb > 0)) return Refused("pressure", kPressureAbove0);
  if (OutsidePercent(in.rh)) return Refused("initial humidity", kPercent);
  if (!(in.pb > in.rh * 0.01 * SaturationVapourPressureTorr(in.t)))
    return Refused("pressure", "it must be above the water vapour pressure of the initial humidity");
  if (in.hours < 0) return Refused("hours", kNotNegative);
  if (in.minutes < 0) return Refused("minutes", kNotNegative);
  if (!isNumber(in.hours)) return Refused("hours", kTooLarge);
  if (!isNumber(in.minutes)) return Refused("minutes", kTooLarge);
  if (!(static_cast<double>(in.hours) * 60.0 + in.minutes > 0))
    return Refused("minutes", "the elapsed time must be above 0");
  if (OutsidePercent(in.fio2)) return Refused("FiO2", kPercent);
  if (OutsidePercent(in.fico2)) return Refused("FiCO2", kPercent);
  if (in.dO2 > in.fio2) return Refused("change in O2 concentration", "it exceeds the O2 there was (FiO2)");
  if (!(in.fico2 + in.dCO2 < 100)) return Refused("change in CO2 concentration", "the final CO2 would reach 100 %");
  const bool rqForm = (in.dO2 > 0 && !in.absorbed && in.useRQ) || (in.dCO2 > 0 && !(in.dO2 > 0));
  if (rqForm && !(in.rq > 0)) return Refused("RQ", "an RQ must be above 0");
  const ClosedSystemResult r = ClosedSystem(in);
  for (const double v : {r.vo2, r.vo2Rate, r.vco2, r.vco2Rate})
    if (!isNumber(static_cast<float>(v))) return Refused("system volume");
  *out = r;
  return Accepted(r.vo2);
}

CheckedResult CheckedDissolvedOxygen(float celsius, float volumeMl, float pb, float gasO2, float solutes,
                                     float saturation, bool milligrams, O2Content* out) {
  constexpr const char* kNotNegative = "it must not be negative";
  if (!isNumber(celsius)) return Refused("temp.");
  if (BelowAbsoluteZero(celsius)) return Refused("temp.", kAboveAbsoluteZero);
  if (volumeMl < 0) return Refused("volume", "a volume must not be negative");
  if (!(pb > 0)) return Refused("B.P.", kPressureAbove0);
  // Boiling water holds no oxygen, and above 50 degrees the content's fit
  // no longer holds.
  if (const CheckedResult water = CheckedO2ContentWater(celsius, pb); !water.ok()) return water;
  if (OutsidePercent(gasO2)) return Refused("gas phase %O2", kPercent);
  if (!(solutes >= 0)) return Refused("dissolved solutes", kNotNegative);
  if (!(saturation >= 0)) return Refused("% oxygen saturation", kNotNegative);
  const O2Content c = DissolvedOxygen(celsius, volumeMl, pb, gasO2, solutes, saturation, milligrams);
  if (!isNumber(c.perLitre)) return Refused("B.P.");
  if (!isNumber(c.inVolume)) return Refused("volume");
  *out = c;
  return Accepted(c.perLitre);
}

CheckedResult CheckedConversion(const ConversionResult& r, float x) {
  if (!r.row || r.nil) return Accepted(r.y);
  const ConversionRow& row = *r.row;
  const bool celsius = row.kind == ConversionKind::CelsiusToFahrenheit || row.kind == ConversionKind::SaturationPressure ||
                       row.kind == ConversionKind::SaturationDensity || (row.menu == 63 && row.item == 12);
  if (row.kind == ConversionKind::FahrenheitToCelsius && !(x > -459.67f))
    return Refused(row.from, "a temperature must be above absolute zero, -459.67 \xA1" "F");
  if (celsius && BelowAbsoluteZero(x)) return Refused(row.from, kAboveAbsoluteZero);
  // Masses, volumes, amounts and light (65/1..18), water vapour (66/18..21).
  const bool amount = (row.menu == 65 && row.item <= 18) || (row.menu == 66 && row.item >= 18);
  if (amount && x < 0) return Refused(row.from, "it must not be negative");
  return isNumber(r.y) ? Accepted(r.y) : Refused(row.from);
}

CheckedSimulation CheckedSimulationFromAltitudes(double g, double simulatedM, double measuredM) {
  CheckedSimulation c{SimulateFromAltitudes(g, simulatedM, measuredM), {}};
  const SimulatedGas& s = c.gas;
  if (!isNumber(g)) c.check = Refused("gas concentration");
  else if (OutsidePercent(g)) c.check = Refused("gas concentration", kPercent);
  else if (!isNumber(measuredM) || !isNumber(s.measuredTorr) || s.measuredTorr == 0) c.check = Refused("measurement altitude");
  else if (!isNumber(simulatedM) || !isNumber(s.simulatedTorr) || !isNumber(s.concentration)) c.check = Refused("simulated altitude");
  else if (s.concentration > 100) c.check = Refused("gas concentration", kAboveAll);
  else c.check = Accepted(s.concentration);
  return c;
}

CheckedSimulation CheckedSimulationFromPressures(double g, double simulatedTorr, double measuredTorr) {
  CheckedSimulation c{SimulateFromPressures(g, simulatedTorr, measuredTorr), {}};
  const SimulatedGas& s = c.gas;
  constexpr const char* kAbove0 = "a pressure must be above 0";
  if (!isNumber(g)) c.check = Refused("gas concentration");
  else if (OutsidePercent(g)) c.check = Refused("gas concentration", kPercent);
  else if (!isNumber(measuredTorr) || measuredTorr <= 0) c.check = Refused("measurement pressure", kAbove0);
  else if (!isNumber(simulatedTorr) || simulatedTorr <= 0) c.check = Refused("simulated pressure", kAbove0);
  else if (!isNumber(s.concentration)) c.check = Refused("gas concentration");
  else if (s.concentration > 100) c.check = Refused("gas concentration", kAboveAll);
  else c.check = Accepted(s.concentration);
  return c;
}
