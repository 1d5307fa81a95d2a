// Water vapour in saturated air and oxygen dissolved in water: the two small
// routines the respirometry commands and the calculators share. Pure.
#pragma once

// Saturated water-vapour density in mg/ml (= g/L) at RHtemp degrees Celsius:
// Goff-Gratch saturation pressure, then the ideal-gas law. No range check;
// callers clamp their temperatures. The result is what is kept in RHFactor.
float WATERCON(float RHtemp);

// Oxygen in water in equilibrium with a gas phase.
struct O2Content {
  float perLitre = 0.0f;   // ml O2 STP per litre of water, or mg/L
  float inVolume = 0.0f;   // in the given volume: ml STP, or mg
};

// content = (exp(2.028544 - 0.037973 t - 0.020751 * 0.4826 * solutes) + 2.793274) * o2Factor
// t in degrees Celsius; volume in ml of water. Callers pass solutes as half the
// salinity in parts per thousand and o2Factor as (saturation % / 100) *
// (pressure torr / 760) * (gas-phase O2 % / 20.95); the pressure counts only
// there. inMilligrams multiplies by 1.4286 mg/ml, the density of O2 at STP.
O2Content O2CONTENT(float temperature, float volume, float solutes, float o2Factor, bool inMilligrams);

