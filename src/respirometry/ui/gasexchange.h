// Respirometry > "Compute VO2…", "Compute VCO2…", "Compute EWL…": the chain
// of dialogs, then the computation into the gas channel or a new one.
#pragma once
#include <cstdint>

// Controls of the first dialog (window 4).
inline constexpr int16_t kGasNext = 3;
inline constexpr int16_t kFlowDirect = 1, kFlowFromChannel = 2, kNewChannelBox = 4;
inline constexpr int16_t kDryYes = 5, kDryNo = 6, kAbsorbedYes = 7, kAbsorbedNo = 8;
inline constexpr int16_t kPositiveYes = 9, kPositiveNo = 10, kFlowMl = 11, kFlowLitres = 12;
inline constexpr int16_t kRQTyped = 101, kFiO2Field = 102, kFiCO2Field = 103;
// Controls of the units dialog (window 4).
inline constexpr int16_t kStandardButton = 30, kInstantaneousButton = 31, kComputeButton = 32;
inline constexpr int16_t kShowEquationButton = 34, kConvertText = 130;
inline constexpr int16_t kGasUnitMenu = 41, kWaterUnitMenu = 42;

// step: 0 from the menu or toolbar, else the script step replayed. GasType
// is set by the caller.
void GASEXCHANGE(int16_t step);
// The units dialog's fields 221..225 into the file's recording values.
void READFLOW();
