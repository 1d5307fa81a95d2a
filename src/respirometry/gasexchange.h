// Open-flow gas exchange: oxygen consumption, carbon-dioxide production and
// evaporative water loss, case by case, from a gas channel and a flow rate,
// corrected for the flow configuration, the humidity of the incurrent gas,
// STP and, optionally, the washout of the chamber. Pure functions over plain
// arrays, the settings struct that the dialogs fill and the script step
// carries, plus a few adapters to the store and the settings globals.
#pragma once
#include <cstdint>
#include <string>

#include "respirometry/gasunits.h"

// Humidity sources (WaterChannel).
inline constexpr int16_t kHumidityConstant = 123;   // compRH, always a relative humidity
inline constexpr int16_t kHumidityNone = 32;        // "DO NOT compensate"

// One run's settings: the dialogs' state, the engine's input, the script step.
struct GasExchangeSettings {
  int16_t gasType = kGasO2;     // 1 VO2, 2 VCO2, 3 EWL
  int16_t flowMode = 1;         // 1..5 chamber modes, 6..10 mask modes 1..5
  int16_t useVCO2 = 0;          // second gas: 0 constant RQ, 1 rate channel, 2 per-cent channel
  int16_t vco2Channel = 0;      // channel of the second gas
  float fi = 0.2095f;           // incurrent O2, fraction
  float fc = 0.00038f;          // incurrent CO2, fraction
  float rq = 0.85f;
  bool abCO2 = true;            // incurrent CO2 absorbed
  bool dryAir = true;           // incurrent gas dry
  int16_t waterChannel = 0;     // 1..31 channel, 123 constant compRH, 32 no compensation
  float compRH = 20.0f;         // %
  int16_t rhUnit = 0;           // 1 relative humidity, 2 dew point
  int16_t tRHchan = 0;          // temperature channel, 0 = constant temperature
  float rhFactor = 0.0f;        // saturated vapour density at the constant temperature, mg/ml
  float realBP = 760.0f;        // torr, real ambient: the vapour fraction, the water-loss sensor
  float latent = 0.0f;          // J/g
  float heat = 0.0f;            // energy units of O2/CO2: J/ml / 60
  int16_t flowChannel = 0;      // 0 = the file's constant flow
  int16_t unit = 1;             // output unit 1..20
  bool instantaneous = false;   // washout correction
  bool positive = false;        // deflections positive-going
  bool litres = false;          // flow in L/min
  int16_t chan1 = 1;            // gas channel
  bool makeNewChan = false;     // result to a new channel
};

// The recording values of the file (FileInfoFLOATS 1..6).
struct GasFileValues {
  float interval = 1.0f;        // s
  float flow = 0.0f;            // ml/min (L/min with litres)
  float temperature = 0.0f;     // of the flow, degrees C
  float pressure = 760.0f;      // torr
  float volume = 0.0f;          // effective volume, ml
  float mass = 0.0f;            // g
};

enum class GasStatus : int16_t {
  Ok = 0,
  FlowNotPositive,          // constant flow <= 0 with the instantaneous correction
  VolumeNotPositive,        // effective volume <= 0 with the instantaneous correction
  RQNotPositive,
  PressureNotPositive,
  TemperatureBelowAbsoluteZero,
  RealPressureNotPositive,
  MassNotPositive,          // with a per-mass unit
  UnknownUnit,
  NoDryFraction,            // a constant humidity leaves no dry gas
};
// The alert text, naming the value refused.
std::string GasStatusText(GasStatus s, const GasExchangeSettings& g, const GasFileValues& f);

// The second-gas forms that have an equation: VO2 in modes 2, 4, 5, 7..10 and
// VCO2 in modes 1..4, 6..8. Other forms (from an edited step) run as the RQ
// form; the result says whether that happened.
bool SecondGasFormValid(int16_t gasType, int16_t flowMode, int16_t useVCO2);

// Whether the run applies the humidity factor to the flow: incurrent gas not
// dry, compensation not refused, and a configuration where the vapour dilutes
// the flow (mode 1, VO2 modes 2, 9, 10, VCO2 mode 8).
bool GasHumidityApplies(const GasExchangeSettings& g);
// Whether the flow configuration asks for the incurrent humidity: VO2 modes
// 1, 2, 9, 10, VCO2 modes 1 and 8 (mode 4 applies no factor, so it asks nothing).
bool GasAsksHumidity(int16_t gasType, int16_t flowMode);

// The explanation text of the equation for a gas, form and mode: 145 water
// loss, 146..163 VO2, 164..173 VCO2; 199 (the general page) where there is none.
int32_t GasEquationText(int16_t gasType, int16_t useVCO2, int16_t flowMode);

// The RQ form's equation as the flow-configuration pictures print it beside
// each mode, after "FR x STP x", F the deflection: VO2 chamber modes 1..5 and
// mask modes 6..10, VCO2 chamber modes 1..4 and mask modes 6..8; "" for any
// other. The text the engine's own form reads as.
const char* GasPictureEquation(int16_t gasType, int16_t flowMode);

// STP factor: P * 0.359211 / (T + 273.15), P in torr, T in degrees C
// (0.359211 = 273 / 760).
double StpFactor(float torr, float celsius);

// Refuses constants that would fill the channel with infinities.
GasStatus CheckGasRun(const GasExchangeSettings& g, const GasFileValues& f);

// The output unit and label of the run (the channel label is built from it).
GasUnit GasRunUnit(const GasExchangeSettings& g, const GasFileValues& f);
// "VO2; ml/min" with "i" in front for the instantaneous correction, cut or
// padded to 30 characters.
std::string GasChannelLabel(const GasExchangeSettings& g, const GasFileValues& f);

// Washout (instantaneous) correction of one step, k = interval / 60 / volume:
//   F' = (F - Fprev) / (1 - exp(-FR k)) + Fprev
double WashoutDenominator(double flow, double k);

// The channels a run reads, nCases + 1 floats each; absent ones are nullptr.
// out may be gas itself (in place).
struct GasChannels {
  const float* gas = nullptr;
  const float* flow = nullptr;     // with flowChannel
  const float* water = nullptr;    // humidity or dew point, with waterChannel 1..31
  const float* temp = nullptr;     // with tRHchan
  const float* second = nullptr;   // with useVCO2 1 or 2
  float* out = nullptr;
  int32_t count = 0;               // nCases + 1
};

// The engine. Checks the constants first (nothing written when refused),
// then writes every case 0..count-1. A second-gas form without an equation
// runs as the RQ form (*formFellBack set).
GasStatus ComputeGasExchange(const GasExchangeSettings& g, const GasFileValues& f, const GasChannels& ch,
                             bool* formFellBack = nullptr);

// ---- Script step (operations 8, 9, 10) --------------------------------------------
inline constexpr int16_t kGasOpBase = 7;   // operation = gasType + 7
// Fields 3..26: 3 = 1, 4 and 21 the unit, 5 flow channel, 6 rhFactor, 7 RHunit,
// 8 instantaneous, 9 mode, 10 tRHchan, 11 heat factor, 12 DryAir, 13 WaterChannel,
// 14 abCO2, 15 RQ, 16 realBP, 17 and 18 Fi and Fc as fractions, 19 latent,
// 20 compRH, 22 Chan1, 23 UseVCO2, 24 second-gas channel, 25 deflection sign,
// 26 new channel (old steps: 0, replace).
void GasToScriptStep(const GasExchangeSettings& g, float (&step)[28]);
GasExchangeSettings GasFromScriptStep(const float (&step)[28]);

// ---- Adapters ----------------------------------------------------------------------
// The settings globals (and preference words 18, 38, 53, 54) as one struct, and back.
GasExchangeSettings CurrentGasSettings();
void StoreGasSettings(const GasExchangeSettings& g);
// FileInfoFLOATS 1..6 of a slot.
GasFileValues GasFileValuesOf(int16_t slot);

// Settings globals of this subsystem (the rest are in shell/settings.h; the
// gas channel is Chan1 of output/results.h, the result channel StoreChan of
// editing/copychannel.h).
extern float flowcon;     // the units dialog's heat factor, then the run's output factor
extern float RHFactor;    // saturated vapour density at RHtemp, mg/ml

// The words a run adds to the comments log after the channel heading:
// "VO2 (exact), mode  1", "VCO2 from RQ=  0.85 mode 1" ..., and " (instantaneous) ".
std::string GasLogWords(const GasExchangeSettings& g);
