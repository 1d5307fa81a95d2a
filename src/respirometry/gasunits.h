// Output units of gas exchange: the factor that turns a rate in ml/min (mg/min
// of water) into the chosen unit, the label of the result channel, and the
// heat equivalents of O2 and CO2. Pure.
#pragma once
#include <cstdint>
#include <string>

inline constexpr int16_t kGasUnitCount = 20;
inline constexpr int16_t kFirstEnergyUnit = 12;

// 1 VO2, 2 VCO2, 3 evaporative water loss.
inline constexpr int16_t kGasO2 = 1, kGasCO2 = 2, kGasWater = 3;

struct GasUnitRequest {
  int16_t gasType = kGasO2;
  int16_t unit = 1;                 // 1..20, the item of the unit pop-up
  bool waterAsHumidity = false;     // water measured as relative humidity (RHunit 1)
  bool temperatureChannel = false;  // ... with the temperature from a channel
  float mass = 0.0f;                // g
  float rhFactor = 0.0f;            // saturated vapour density at the constant temperature, mg/ml
  float latent = 0.0f;              // J/g
  float heat = 0.0f;                // O2/CO2 energy units: J/ml / 60 (GasHeatFactor)
};

struct GasUnit {
  bool known = false;      // unit 1..20
  bool perMass = false;    // the factor divides by the mass
  double factor = 0.0;     // before the STP factor
  std::string label;       // "VO2; ml/min", "mH2O; mg/min" (Mac Roman, µ = 0xB5)
};

// Water measured as relative humidity carries the saturated density rhFactor,
// or 1 when a temperature channel puts the density into each case. Unit 9
// is per kg per hour for every gas: 60000/M. Energy units for water use the
// latent heat: mg/min * J/g / 60000 = W.
GasUnit GasUnitFactor(const GasUnitRequest& r);
// The unit suffix alone ("; ml/min"), "" outside 1..20.
std::string GasUnitSuffix(int16_t gasType, int16_t unit);
// True for the units that divide by the body mass.
bool GasUnitPerMass(int16_t unit);

// Heat equivalent in J/ml to the factor the energy units multiply:
//   W = ml/min * J/ml / 60   (per minute to per second)
float GasHeatFactor(float joulesPerMl);

// The standard heat equivalents, J/ml, of the "Heat Equivalence" buttons 1..4:
// carbohydrate, lipids, protein to urea, protein to urate.
float StandardHeatEquivalent(int16_t gasType, int button);
