#include "calculators/pressure.h"

#include <cmath>

#include "editing/watervapour.h"
#include "shell/textutil.h"

double InternalPressureTorr(double value, int16_t unit) {
  switch (unit) {
    case kStpPsi: return value * 51.71493;
    case kStpKPa: return value * 7.50062;
    case kStpMmH2O: return value * kTorrPerMmWater;
    default: return value;
  }
}

float StpFlow(const StpInput& in) {
  const double f = in.volumeMode ? in.volume * 60.0 / in.seconds : in.flow;
  const double pi = InternalPressureTorr(in.internal, in.unit);
  double stp = f * (in.pressure + pi) / 760.0 * (in.calibrationT + 273.0) / (in.meterT + 273.0);
  if (in.slpm) stp *= 0.001;
  return static_cast<float>(stp);
}

void StpAverage::add(float shown, bool slpm) {
  ++count;
  sum += slpm ? shown * 1000.0f : shown;
}

float StpAverage::average(float shown, bool slpm) const {
  const float s = sum == 0.0f ? (slpm ? shown * 1000.0f : shown) : sum;
  const float n = count == 0 ? 1.0f : static_cast<float>(count);
  const float avg = s / n;
  return slpm ? avg * 0.001f : avg;
}

double PressureAtAltitude(double metres) { return 760.0 * std::exp(-0.00012603 * metres); }

double AltitudeAtPressure(double torr) {
  return 52635.35 - 18271.0 * std::log10(torr);
}

double AltitudeFromPressureField(double pressure, bool feet, bool torr) {
  if ((torr && pressure == 760.0) || (!torr && pressure == 101.325)) return 0.0;
  const double p = torr ? pressure : pressure * kTorrPerKPaAltitude;
  const double h = AltitudeAtPressure(p);
  return feet ? h * kFeetPerMetre : h;
}

double PressureFromAltitudeField(double altitude, bool feet, bool torr) {
  if (altitude == 0.0) return torr ? 760.0 : 101.325;
  const double p = PressureAtAltitude(feet ? altitude / kFeetPerMetre : altitude);
  return torr ? p : p * kKPaPerTorr;
}

std::string PressureFieldText(double p, bool torr) { return FormatPicture(p, torr ? "#####.#" : "####.###"); }
std::string AltitudeFieldText(double h, bool torr) { return FormatPicture(h, torr ? "#####.#" : "####.###"); }

double ConvertPressureField(double p, bool toTorr) {
  return toTorr ? p * kTorrPerKPaAltitude : p / kTorrPerKPaAltitude;
}

SimulatedGas SimulateFromAltitudes(double g, double simulatedM, double measuredM) {
  SimulatedGas s;
  s.simulatedAltitude = simulatedM;
  s.measuredAltitude = measuredM;
  s.measuredTorr = PressureAtAltitude(measuredM);
  s.simulatedTorr = PressureAtAltitude(simulatedM);
  s.concentration = g * s.simulatedTorr / s.measuredTorr;
  return s;
}

SimulatedGas SimulateFromPressures(double g, double simulatedTorr, double measuredTorr) {
  SimulatedGas s;
  s.simulatedTorr = simulatedTorr;
  s.measuredTorr = measuredTorr;
  s.concentration = g * simulatedTorr / measuredTorr;
  s.simulatedAltitude = AltitudeAtPressure(simulatedTorr);
  s.measuredAltitude = AltitudeAtPressure(measuredTorr);
  return s;
}
