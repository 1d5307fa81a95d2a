// Ventilation from open-flow plethysmography, closed-system respirometry of
// a dried chamber gas, and oxygen dissolved in water. Pure; the vapour
// density and the oxygen content come from respirometry.
#pragma once

#include "respirometry/gasphysics.h"

struct VentilationInput {
  float vo2 = 1;        // ml/min STP
  float fio2 = 20.95f;  // inhaled O2, %
  float tb = 37;        // body temperature, degrees C
  float ta = 0;         // chamber temperature, degrees C
  float pb = 760;       // torr
  float deltaP = 0;     // chamber over-pressure, mm of water
  float rh = 0;         // chamber humidity, %
  float trh = 20;       // temperature at which the humidity was measured, degrees C
  float calVol = 0, calGain = 0, calDef = 0;   // injection ml, gain, volts
  float sampGain = 0, sampDef = 0;             // breath gain, volts
  float frequency = 1;  // Hz
};
struct VentilationResult {
  double kT = 0;        // (Tb + 273) / (Ta + 273)
  double k = 0;         // K_T (P' - e_c) / (P' - e_b)
  double tidal = 0;     // Vt = A / (K - 1), ml at chamber conditions
  double minute = 0;    // Vmin = 60 f Vt, ml/min at chamber conditions
  double extraction = 0;// EO2 = 100 VO2 / (Vmin_STPD FiO2 / 100), %
};
// Open-flow plethysmography: a breath of Vt ml taken from the chamber (Ta,
// P', vapour pressure e_c) is warmed to Tb and saturated (e_b) in the lungs,
// so the system gains A = Vt (K - 1) ml, A = sampDef calGain calVol /
// (sampGain calDef) the volume the signal stands for. Pressures in torr:
//   P' = PB + 0.0735559 deltaP (mm of water, 9.80665 Pa each),  e_b = e_sat(Tb),  e_c = RH/100 e_sat(TRH)
// e_sat the Goff-Gratch saturation pressure (SaturationVapourPressureTorr).
// The inhaled O2 at STPD: Vmin_STPD = Vmin (P' - e_c) / 760 x 273.15 / (Ta + 273.15).
// Zero gains, volts, K = 1 or no ventilation give non-finite results.
VentilationResult Ventilation(const VentilationInput& in);

struct ClosedSystemInput {
  float volume = 1000;    // system volume, ml
  float t = 20;           // degrees C
  float pb = 760;         // torr
  float rh = 0;           // initial humidity, %
  float hours = 1, minutes = 22;
  float dO2 = 0.5f, dCO2 = 0.5f;   // changes in concentration, %
  float rq = 0.85f;
  float fio2 = 20.95f, fico2 = 0.038f;   // initial concentrations, %
  bool absorbed = true;   // CO2 absorbed for the VO2
  bool useRQ = false;     // VO2 by an assumed RQ instead of the measured CO2
};
struct ClosedSystemResult {
  double vs = 0;          // dried volume at STP, ml
  double vo2 = 0, vo2Rate = 0;    // ml, ml/min
  double vco2 = 0, vco2Rate = 0;  // ml, ml/min
};
// The dried chamber gas at STP, ml:
//   Vs = V (1 - RH/100 e_sat(T) / PB) 273.3 / (T + 273.3) PB / 760
// e_sat the Goff-Gratch saturation pressure in torr. VO2 (ml) = 0 unless dO2 > 0:
//   absorbed        dO2 Vs / 100 / (1 - Fo)
//   measured CO2    Vs (dO2 - Fo dCO2) / 100 / (1 - Fo)
//   RQ              dO2 Vs / 100 / (1 - Fo (1 - RQ))
// VCO2 = 0 unless dCO2 > 0: (dCO2 Vs / 100 - VO2 Fc) / (1 - Fc), or with no
// O2 change dCO2 Vs / 100 / (1 - Fc (1 - 1 / RQ)). Fo, Fc final fractions.
ClosedSystemResult ClosedSystem(const ClosedSystemInput& in);

// Oxygen in water: saturation above 100 % counts as 100 %; the gas factor
// (sat / 100) (PB / 760) (G / 20.95) carries the pressure once; solutes in
// parts per thousand.
O2Content DissolvedOxygen(float celsius, float volumeMl, float pb, float gasO2, float solutes, float saturation,
                          bool milligrams);
