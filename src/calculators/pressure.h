// Flow correction to STP, altitude and barometric pressure, and the gas
// concentration that simulates another altitude. Pure.
#pragma once
#include <cstdint>
#include <string>

// ---- Flow to STP ------------------------------------------------------------------
// Pressure units of the meter's internal pressure (the window's button ids).
enum StpPressureUnit : int16_t { kStpTorr = 3, kStpPsi = 4, kStpKPa = 5, kStpMmH2O = 6 };

// torr = PSI x 51.71493, kPa x 7.50062, mm H2O x 0.0735559 (9.80665 Pa).
double InternalPressureTorr(double value, int16_t unit);

struct StpInput {
  double flow = 0;          // indicated flow, ml/min
  double volume = 0;        // ml, volume mode
  double seconds = 0;       // s, volume mode
  double pressure = 0;      // barometric, torr
  double internal = 0;      // meter's internal pressure, in `unit`
  double meterT = 0;        // degrees C
  double calibrationT = 0;  // degrees C the meter is calibrated for
  int16_t unit = kStpTorr;
  bool volumeMode = false;  // flow = volume x 60 / seconds
  bool slpm = false;        // result in l/min instead of ml/min
};
// STP flow = F x (PB + Pi) / 760 x (Tc + 273) / (Tm + 273), ml/min (x 0.001
// for SLPM). Zero seconds or -273 degrees give a non-finite flow.
float StpFlow(const StpInput& in);

// Running average of stored readings, summed in ml/min.
struct StpAverage {
  float sum = 0.0f;
  int16_t count = 0;
  void add(float shown, bool slpm);
  // With nothing added the shown value is the average.
  float average(float shown, bool slpm) const;
};
// What "Store" writes as the file's flow, ml/min.
inline float StpStoredFlow(float shown, bool slpm) { return slpm ? shown * 1000.0f : shown; }

// ---- Altitude and pressure -------------------------------------------------------------
inline constexpr double kFeetPerMetre = 3.28084;
inline constexpr double kTorrPerKPaAltitude = 7.50062;
inline constexpr double kKPaPerTorr = 0.13332237;

// P = 760 exp(-0.00012603 h), torr, h in metres.
double PressureAtAltitude(double metres);
// h = 52635.35 - 18271 log10(P), metres, P in torr; not finite for P <= 0.
double AltitudeAtPressure(double torr);

// The window's two directions, with its units and its exact sea level (760
// torr and 101.325 kPa give 0; 0 gives 760 and 101.325, not the formulas'
// rounding).
double AltitudeFromPressureField(double pressure, bool feet, bool torr);
double PressureFromAltitudeField(double altitude, bool feet, bool torr);
// Field texts: torr "#####.#", kPa "####.###".
std::string PressureFieldText(double p, bool torr);
std::string AltitudeFieldText(double h, bool torr);
// The pressure field's number in the other unit.
double ConvertPressureField(double p, bool toTorr);

// ---- Altitude simulation -------------------------------------------------------------
struct SimulatedGas {
  double simulatedTorr = 0;     // Ps
  double measuredTorr = 0;      // Pm
  double concentration = 0;     // G x Ps / Pm, %
  double simulatedAltitude = 0; // m
  double measuredAltitude = 0;  // m
};
// From the two altitudes (metres).
SimulatedGas SimulateFromAltitudes(double g, double simulatedM, double measuredM);
// From the two pressures (torr); both altitudes follow from them.
SimulatedGas SimulateFromPressures(double g, double simulatedTorr, double measuredTorr);
