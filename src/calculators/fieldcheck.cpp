#include "calculators/fieldcheck.h"

#include <algorithm>
#include <cmath>

#include "calculators/conversions.h"
#include "editing/watervapour.h"
#include "respirometry/gasphysics.h"
#include "shell/textutil.h"

namespace {

bool isNumber(double v) { return std::isfinite(v); }

constexpr const char* kAboveAbsoluteZero = "a temperature must be above absolute zero, -273.15 \xA1" "C";
constexpr const char* kPressureAbove0 = "a pressure must be above 0";
constexpr const char* kPercent = "it must lie from 0 to 100 %";

// At or below absolute zero; `offset` is the kelvin offset the formula adds
// (273 in some), so that it never divides by 0 or a negative temperature.
bool belowAbsoluteZero(double celsius, double offset = 273.15) {
  return !(celsius + 273.15 > 0.0 && celsius + offset > 0.0);
}
bool outsidePercent(double v) { return !(v >= 0.0 && v <= 100.0); }

CheckedResult accepted(double v) {
  CheckedResult r;
  r.value = v;
  return r;
}

}  // namespace

CheckedResult Refused(const char* field, const char* reason) {
  CheckedResult r;
  r.field = field;
  r.reason = reason;
  return r;
}

std::string RefusalText(const CheckedResult& r) {
  if (r.ok()) return {};
  return std::string("\"") + r.field + "\": " +
         (r.reason ? r.reason : "this value makes the result infinite or not a number") + ". Please correct it.";
}

CheckedResult CheckedAltitude(double p, bool feet, bool torr) {
  if (!isNumber(p) || p <= 0) return Refused("Pressure", "a pressure must be above 0");
  const double h = AltitudeFromPressureField(p, feet, torr);
  return isNumber(h) ? accepted(h) : Refused("Pressure");
}

CheckedResult CheckedPressure(double altitude, bool feet, bool torr) {
  const double p = PressureFromAltitudeField(altitude, feet, torr);
  return isNumber(altitude) && isNumber(p) ? accepted(p) : Refused("Altitude");
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
  if (belowAbsoluteZero(in.meterT, 273.0)) return Refused("Meter temp.", kAboveAbsoluteZero);
  if (belowAbsoluteZero(in.calibrationT, 273.0)) return Refused("calibrated for", kAboveAbsoluteZero);
  const double flow = StpFlow(in);
  if (isNumber(flow)) return accepted(flow);
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
  return accepted(DayOfYearOfTypedDate(day, month, year));
}

CheckedResult CheckedDayOfYear(double day) {
  if (!isNumber(day) || std::trunc(day) < 1 || std::trunc(day) > 366)
    return Refused("Day of the year", "it must lie from 1 to 366");
  return accepted(std::trunc(day));
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
  if (belowAbsoluteZero(in.tb, 273.0)) return Refused("Tb", kAboveAbsoluteZero);
  if (belowAbsoluteZero(in.ta, 273.0)) return Refused("Ta", kAboveAbsoluteZero);
  if (!(in.pb > 0)) return Refused("pressure", kPressureAbove0);
  if (outsidePercent(in.rh)) return Refused("RH", kPercent);
  if (belowAbsoluteZero(in.trh)) return Refused("t,RH", kAboveAbsoluteZero);
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
  return accepted(r.tidal);
}

CheckedSimulation CheckedSimulationFromAltitudes(double g, double simulatedM, double measuredM) {
  CheckedSimulation c{SimulateFromAltitudes(g, simulatedM, measuredM), {}};
  const SimulatedGas& s = c.gas;
  if (!isNumber(g)) c.check = Refused("gas concentration");
  else if (!isNumber(measuredM) || !isNumber(s.measuredTorr) || s.measuredTorr == 0) c.check = Refused("measurement altitude");
  else if (!isNumber(simulatedM) || !isNumber(s.simulatedTorr) || !isNumber(s.concentration)) c.check = Refused("simulated altitude");
  else c.check = accepted(s.concentration);
  return c;
}

CheckedSimulation CheckedSimulationFromPressures(double g, double simulatedTorr, double measuredTorr) {
  CheckedSimulation c{SimulateFromPressures(g, simulatedTorr, measuredTorr), {}};
  const SimulatedGas& s = c.gas;
  constexpr const char* kAbove0 = "a pressure must be above 0";
  if (!isNumber(g)) c.check = Refused("gas concentration");
  else if (!isNumber(measuredTorr) || measuredTorr <= 0) c.check = Refused("measurement pressure", kAbove0);
  else if (!isNumber(simulatedTorr) || simulatedTorr <= 0) c.check = Refused("simulated pressure", kAbove0);
  else if (!isNumber(s.concentration)) c.check = Refused("gas concentration");
  else c.check = accepted(s.concentration);
  return c;
}
