// Analyser humidity compensation: an O2 or CO2 analyser that sees humid gas
// reads low by the vapour fraction, so each case is divided by the dry
// fraction of the analysed gas. Pure, plus the script step.
#pragma once
#include <cstdint>
#include <string>

struct AnalyzerHumiditySettings {
  int16_t waterChannel = 123;  // 1..32 a humidity channel, 123 the constant compRH
  float compRH = 20.0f;        // %, with 123 (a relative humidity whatever rhUnit says)
  int16_t rhUnit = 1;          // for a channel: 1 relative humidity (%), 2 dew point (degrees C)
  int16_t tRHchan = 0;         // air-temperature channel, 0 = the constant temperature
  float rhFactor = 0.0f;       // saturated vapour density at the constant temperature, mg/ml
  float vapourFactor = 0.0f;   // 946.369 / real barometric pressure (VapourFractionFactor)
  int16_t chan1 = 1;           // gas channel
};

enum class HumidityStatus : int16_t {
  Ok = 0,
  RealPressureNotPositive,   // the vapour factor is not a positive number
  NoDryFraction,             // a constant humidity leaves no dry gas
};
std::string HumidityStatusText(HumidityStatus s, const AnalyzerHumiditySettings& h);

struct HumidityChannels {
  const float* gas = nullptr;
  const float* water = nullptr;   // with waterChannel 1..32
  const float* temp = nullptr;    // with tRHchan
  float* out = nullptr;           // may be gas (in place)
  int32_t count = 0;              // nCases + 1: case 0 is compensated too
};

// x / (1 - h rho K): h the relative humidity as a fraction (1 for a dew point),
// rho the saturated density at the air temperature (at the dew point for a
// dew point), K = 946.369 / P. A constant humidity is checked before the loop
// (nothing written when refused); with channels, *nonFinite counts the cases
// whose result is not finite.
HumidityStatus CompensateAnalyzerHumidity(const AnalyzerHumiditySettings& h, const HumidityChannels& ch,
                                          int64_t* nonFinite = nullptr);

// Operation 35: 3 = 2 (marks field 20), 4 = 0, 6 rhFactor, 7 RHunit, 10 tRHchan,
// 13 WaterChannel, 16 K, 20 compRH, 22 Chan1. Steps with field 3 = 1 carry no
// compRH: currentCompRH is used for them.
inline constexpr int16_t kAnalyzerHumidityOp = 35;
void HumidityToScriptStep(const AnalyzerHumiditySettings& h, float (&step)[28]);
AnalyzerHumiditySettings HumidityFromScriptStep(const float (&step)[28], float currentCompRH);
