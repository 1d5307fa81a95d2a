// Respirometry > "Oxygen Consumption in Water…" (script operation 32).
#pragma once
#include <cstdint>

// First window (4).
inline constexpr int16_t kWaterClosed = 1, kWaterOpen = 2, kWaterFlowChannelBox = 3, kWaterNegativeBox = 4;
inline constexpr int16_t kWaterContinue = 5, kWaterFlowField = 101;
// Channel window (44).
inline constexpr int16_t kWaterChannelWindow = 44, kWaterChannelsDone = 153;
// Main window (4).
inline constexpr int16_t kPerMg = 1, kPerG = 2, kPerKg = 3, kWaterResult1 = 6, kWaterResult2 = 7, kWaterResult3 = 8;
inline constexpr int16_t kWaterNewChannelBox = 10, kComputeO2Content = 11, kNetO2Only = 12, kDoCalculations = 14;
inline constexpr int16_t kNetO2Field = 101, kLabelField = 102, kContentField = 103, kWaterTempField = 104;
inline constexpr int16_t kVolumeFlowField = 105, kWaterPressureField = 106, kGasO2Field = 107;
inline constexpr int16_t kSolutesField = 108, kSaturationField = 109;
inline constexpr int16_t kInputUnitPopup = 49, kOutputUnitPopup = 60;
inline constexpr int16_t kAmountMenu = 47, kRateMenu = 48, kInputMenu = 49;

// step: 0 from the menu, else the script step replayed.
void WATERVO2(int16_t step);
