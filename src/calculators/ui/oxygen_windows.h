// "Oxygen Partial Pressure", ventilation, "Closed System Respirometry" and
// "Dissolved Oxygen Content of Water".
#pragma once
#include <cstdint>

// Oxygen partial pressure.
inline constexpr int16_t kPo2PressureField = 111, kPo2TemperatureField = 112, kPo2SaturationField = 113;
inline constexpr int16_t kPo2VapourField = 114, kPo2GasField = 115, kPo2Result = 116;
inline constexpr int16_t kPo2ResultUnit = 210, kPo2VapourUnit = 211;
inline constexpr int16_t kPo2Torr = 1, kPo2KPa = 2, kPo2Help = 4, kPo2Compute = 19, kPo2Done = 20, kPo2Store = 21;

// Ventilation.
inline constexpr int16_t kVentVO2 = 111, kVentFiO2 = 112, kVentTb = 113, kVentTa = 114, kVentPressure = 115;
inline constexpr int16_t kVentDeltaP = 116, kVentRH = 117, kVentCalVol = 118, kVentCalGain = 119;
inline constexpr int16_t kVentCalVolts = 210, kVentSampGain = 211, kVentSampVolts = 212, kVentFrequency = 213;
inline constexpr int16_t kVentTidal = 214, kVentMinute = 215, kVentExtraction = 216, kVentTRH = 227;
inline constexpr int16_t kVentCalculate = 2, kVentDone = 3, kVentHelp = 4;

// Closed system.
inline constexpr int16_t kCsVolume = 111, kCsTemperature = 112, kCsPressure = 113, kCsHumidity = 114;
inline constexpr int16_t kCsHours = 115, kCsMinutes = 116, kCsDeltaO2 = 117, kCsDeltaCO2 = 118, kCsRQ = 119;
inline constexpr int16_t kCsFiO2 = 210, kCsFiCO2 = 211;
inline constexpr int16_t kCsVO2 = 212, kCsVO2Rate = 213, kCsVCO2 = 214, kCsVCO2Rate = 215;
inline constexpr int16_t kCsCalculate = 1, kCsDone = 2, kCsHelp = 3, kCsAbsorbed = 4, kCsUseCO2 = 5, kCsUseRQ = 6;

// Dissolved oxygen.
inline constexpr int16_t kDoSum = 101, kDoPerLitre = 103, kDoTemperature = 104, kDoVolume = 105;
inline constexpr int16_t kDoPressure = 106, kDoGas = 107, kDoSolutes = 108, kDoSaturation = 109;
inline constexpr int16_t kDoPerLitreUnit = 115, kDoSumUnit = 116;
inline constexpr int16_t kDoHelp = 4, kDoContent = 11, kDoSumOnly = 12, kDoDone = 14, kDoMl = 15, kDoMg = 16;

void PO2CALC();
void VENTILATION();
void ClosedSystemRespirometry();
void DissolvedO2CALC();
