// Oxygen consumption of aquatic animals from dissolved-oxygen readings, in a
// closed (sealed) or open (flow-through) respirometer; the effective volume
// of a chamber from a washout curve; and the STP volume rate factor of
// constant-volume respirometry. Pure functions over plain arrays, plus the
// script step.
#pragma once
#include <cstdint>
#include <string>

#include "respirometry/gasphysics.h"

// ---- Oxygen consumption in water ---------------------------------------------------
inline constexpr int16_t kWaterVO2Op = 32;
inline constexpr int16_t kWaterRateUnits = 9;     // pop-up 48
inline constexpr int16_t kWaterAmountUnits = 4;   // pop-up 47
inline constexpr int16_t kWaterInputUnits = 4;    // pop-up 49

struct WaterVO2Settings {
  int16_t waterSystem = 0;        // 0 closed, 1 open
  bool flowFromChannel = false;   // open system: flow per case from chan2
  int16_t waterUnits = 1;         // readings: 1 % air saturation, 2 torr PO2, 3 mg O2/L, 4 ppm
  int16_t woutUnits = 1;          // output unit: 1..9 rates, 1..4 amounts
  int16_t massUnit = 0;           // 0 none, per 1 mg, 2 g, 3 kg
  int16_t oH2O = 3;               // closed: 1 O2 content, 2 O2 consumed since case 0, 3 VO2
  bool absoluteUnits = true;      // open: readings absolute, subtracted from the inflow's
  bool negative = false;          // open: readings fall as O2 is used
  float heat = 0.0f;              // energy units: J/ml / 60
  int16_t chan1 = 1, chan2 = 0;
  bool makeNewChan = false;
  // The main window's values.
  float temperature = 20.0f;      // degrees C
  float volumeOrFlow = 0.0f;      // closed: ml of water; open: ml/min
  float pressure = 760.0f;        // torr
  float gasO2 = 20.95f;           // gas-phase O2, %
  float salinity = 0.0f;          // parts per thousand
  float saturation = 100.0f;      // % of the maximum oxygen saturation
  float netO2 = 0.0f;             // ml STP in the volume, or ml/min STP in the flow
};

enum class WaterStatus : int16_t {
  Ok = 0,
  MassNotPositive,
  SaturationNotPositive,
  FlowNotPositive,
  IntervalNotPositive,
  PressureNotPositive,   // torr readings need P - 0.76 t and the gas-phase O2 above 0
  VolumeNotPositive,     // closed system: no water volume
  WaterRefused,          // above 50 degrees or boiling: CheckedO2ContentWater names the field
};
std::string WaterStatusText(WaterStatus s, const WaterVO2Settings& w, float mass, float interval);

// O2CONTENT's o2Factor from the window: (saturation/100) (P/760) (gas O2/20.95).
float WaterO2Factor(const WaterVO2Settings& w);
// O2CONTENT for the window: ml STP per litre and the net O2 of the volume or
// the flow (ml, or ml/min).
O2Content EstimateWaterO2(const WaterVO2Settings& w);

// The per-reading factor F of the run: the O2 (ml STP in the volume, or ml/min
// in the flow) one unit of reading stands for, by input unit,
//   % air saturation   net O2 / saturation                      (per 1 %)
//   torr PO2           net O2 / saturation x 100 / PO2(100 %)   PO2(100 %) = (P - 0.76 t) x gas O2 % / 100
//   mg O2/L, ppm       volume (or flow) / 1000 x 0.7004375 ml/mg
// (net O2 is the content at the maximum saturation, so it is the same per 1 %
// whatever that saturation), then by mass, output unit and, for a
// closed-system rate, per interval (per minute or hour).
double WaterFactor(const WaterVO2Settings& w, float mass, float interval);
// The open system's "Absolute Value" reference, the inflow water's reading:
//   % air saturation   the maximum saturation (field 109)
//   torr               PO2(100 %) x saturation / 100
//   mg O2/L, ppm       net O2 / (flow / 1000) x 1.4286 mg/ml
double WaterInflowReference(const WaterVO2Settings& w);
// "VO2 in mL O2/min per g", "µL O2 used", ... (Mac Roman).
std::string WaterLabel(const WaterVO2Settings& w);
// Unit titles of pop-ups 47 (amounts), 48 (rates) and 49 (input units).
std::string WaterOutputUnitTitle(bool rate, int16_t unit);
std::string WaterInputUnitTitle(int16_t unit);

// With F = WaterFactor and x the reading of case k:
//   closed   content F x (ml, or the unit); O2 used F (x0 - x); VO2 F (x[k-1] - x[k])
//            per interval (case 0 takes case 1's value)
//   open     VO2 = F (reference - x) with "Absolute Value" (WaterInflowReference),
//            else F x; with a flow channel times flow(k) / nominalFlow
// readings and out hold count = nCases + 1 floats (out may be readings).
// Checked first: nothing written when refused.
WaterStatus ComputeWaterVO2(const WaterVO2Settings& w, float mass, float interval, float nominalFlow,
                            const float* readings, const float* flow, float* out, int32_t count);

// Fields 4 chan1, 5 new channel, 6 saturation fraction, 7 mass unit, 8 output
// unit, 9 heat factor, 10 input unit, 11 system, 12 flow channel flag, 13 oH2O,
// 14 negative, 15 F, 16 flow, 17 salinity, 18 absolute, 19 gas-phase O2 (old
// steps 0: 20.95), 20 the flow channel.
void WaterToScriptStep(const WaterVO2Settings& w, double factor, float fileFlow, float (&step)[28]);
// The settings of a step with the window values of the file (temperature,
// pressure, volume or recorded flow) and the content computed again.
WaterVO2Settings WaterFromScriptStep(const float (&step)[28], float fileTemperature, float filePressure,
                                     float fileVolume);

// ---- Effective volume from a washout curve ------------------------------------------
inline constexpr float kUnusableEstimate = 2e20f;

enum class WashoutStatus : int16_t { Ok = 0, BlockTooShort, FlowNotPositive, IntervalNotPositive, NoUsablePoints };
std::string WashoutStatusText(WashoutStatus s);

struct WashoutResult {
  int32_t usable = 0, unusable = 0;
  double mean = 0.0;
  float sd = 0.0f, smallest = 0.0f, largest = 0.0f;
};

// One estimate per pair of cases first..last of a washout in % (baseline at 0):
//   V = -(Q dt / 60) / ln(1 - (C0 - C1) / C0)      ml, Q in ml/min, dt in s
// into estimates[i] for i = first+1..last; a pair that does not fall to a
// positive value is unusable and gets kUnusableEstimate.
WashoutStatus EffectiveVolume(const float* values, int32_t first, int32_t last, float flow, float interval,
                              float* estimates, WashoutResult* result);
// Usable estimates times dt, with 4 significant digits: " 14 sec         ",
// or in minutes above 600 s.
std::string WashoutDurationText(int32_t usable, float interval, bool* inMinutes);

// ---- Constant-volume respirometry ----------------------------------------------------
// Chamber volume less the initial vapour, at STP, per minute (ml/min):
//   V' = (P - RH/100 e) V / P      (V' = V when RH <= 0)
//   STP = V' 273.16 / (T + 273.16) (P / 760) / minutes
// rho is the saturated vapour density at T (WATERCON), mg/ml, and e its
// vapour pressure in torr (VapourPressureTorr); V ml, T degrees C, P torr.
float ConstantVolumeStpFactor(float volume, float celsius, float torr, float startRH, float rho, float minutes);

// Elapsed time of the constant-volume run, minutes.
extern float Tminutes;

// Settings of "Oxygen Consumption in Water", kept between runs (meanings as in
// WaterVO2Settings).
extern int16_t WaterSystem, WaterFlowChannel, WaterUnits, WOUTunits, MassUnit, oH2O, AbsoluteUnits;
