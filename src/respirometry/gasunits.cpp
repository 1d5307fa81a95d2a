#include "respirometry/gasunits.h"

#include "shell/timeunits.h"

namespace {

const char* const kGasSuffix[kGasUnitCount + 1] = {
    "",
    "; ml/min", "; ml/[g min]", "; ml/hr", "; L/hr", "; \xB5l/min", "; \xB5l/[g min]", "; \xB5l/hr",
    "; ml/[g hr]", "; ml/[kg hr]", "; \xB5l/[g hr]", "; L/[kg hr]",
    "; \xB5watts", "; milliwatts", "; watts", "; watts/kg", "; joules/day", "; KJ/day", "; MJ/day",
    "; KJ/[kg day]", "; MJ/[kg day]",
};
const char* const kWaterSuffix[kFirstEnergyUnit] = {
    "",
    "; mg/min", "; mg/[g min]", "; mg/hr", "; g/hr", "; \xB5g/min", "; \xB5g/[g min]", "; \xB5g/hr",
    "; mg/[g hr]", "; mg/[kg hr]", "; \xB5g/[g hr]", "; g/[kg hr]",
};

// Rate units 1..11 for every gas, given 1/M.
double rateFactor(int16_t unit, double perM) {
  switch (unit) {
    case 1: return 1.0;
    case 2: return perM;
    case 3: return 60.0;
    case 4: return 0.06;
    case 5: return 1000.0;
    case 6: return 1000.0 * perM;
    case 7: return 60000.0;
    case 8: return 60.0 * perM;
    case 9: return 60000.0 * perM;
    case 10: return 60000.0 * perM;
    default: return 60.0 * perM;   // 11
  }
}

// Energy units 12..20 of O2 and CO2: the heat factor gives watts.
double gasEnergyFactor(int16_t unit, double perM) {
  switch (unit) {
    case 12: return 1e6;
    case 13: return 1000.0;
    case 14: return 1.0;
    case 15: return 1000.0 * perM;
    case 16: return 86400.0;
    case 17: return 86.4;
    case 18: return 0.0864;
    case 19: return 86400.0 * perM;
    default: return 86.4 * perM;   // 20
  }
}

// Energy units of water: mg/min times J/g gives mJ/min.
double waterEnergyFactor(int16_t unit, double perM) {
  switch (unit) {
    case 12: return PerMinuteToPerSecond(1000.0);
    case 13: return PerMinuteToPerSecond(1.0);
    case 14: return 1.0 / 60000.0;
    case 15: return PerMinuteToPerSecond(perM);
    case 16: return 1.44;
    case 17: return 0.00144;
    case 18: return 1.44e-6;
    case 19: return 1.44 * perM;
    default: return 0.00144 * perM;   // 20
  }
}

}  // namespace

bool GasUnitPerMass(int16_t unit) {
  switch (unit) {
    case 2: case 6: case 8: case 9: case 10: case 11: case 15: case 19: case 20: return true;
    default: return false;
  }
}

std::string GasUnitSuffix(int16_t gasType, int16_t unit) {
  if (unit < 1 || unit > kGasUnitCount) return "";
  if (gasType == kGasWater && unit < kFirstEnergyUnit) return kWaterSuffix[unit];
  return kGasSuffix[unit];
}

GasUnit GasUnitFactor(const GasUnitRequest& r) {
  GasUnit u;
  if (r.unit < 1 || r.unit > kGasUnitCount) return u;
  u.known = true;
  u.perMass = GasUnitPerMass(r.unit);
  const bool water = r.gasType == kGasWater;
  u.label = std::string(water ? "m" : "V") + (r.gasType == kGasCO2 ? "CO2" : water ? "H2O" : "O2") +
            GasUnitSuffix(r.gasType, r.unit);
  const double perM = 1.0 / static_cast<double>(r.mass);
  // With a temperature channel the density is already in each case.
  const double density = !water || !r.waterAsHumidity ? 1.0 : r.temperatureChannel ? 1.0 : r.rhFactor;
  if (r.unit < kFirstEnergyUnit)
    u.factor = density * rateFactor(r.unit, perM);
  else if (water)
    u.factor = density * static_cast<double>(r.latent) * waterEnergyFactor(r.unit, perM);
  else
    u.factor = static_cast<double>(r.heat) * gasEnergyFactor(r.unit, perM);
  return u;
}

float GasHeatFactor(float joulesPerMl) { return static_cast<float>(PerMinuteToPerSecond(joulesPerMl)); }

float StandardHeatEquivalent(int16_t gasType, int button) {
  static const float kO2[4] = {20.9f, 19.8f, 19.5f, 19.8f};
  static const float kCO2[4] = {20.9f, 28.2f, 23.4f, 27.5f};
  if (button < 1 || button > 4) return 0.0f;
  return (gasType == kGasO2 ? kO2 : kCO2)[button - 1];
}
