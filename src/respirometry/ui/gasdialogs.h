// The small modal dialogs gas exchange and the analyser compensation chain:
// gas and flow channels, the flow configuration, the second gas, humidity
// units and temperatures, the recording values, heat equivalents and the
// equation window. Each leaves its answers in the settings globals.
#pragma once
#include <cstdint>

#include "output/kittexts.h"   // kHelpButton
#include "platform/types.h"

// Window ids.
inline constexpr int16_t kMaskWindow = 7;
inline constexpr int16_t kHumidityWindow = 7;
inline constexpr int16_t kEquationWindow = 14;
inline constexpr int16_t kHeatWindow = 44;
// Controls.
inline constexpr int16_t kChannelsNext = 135;
inline constexpr int16_t kVCO2Next = 125;
inline constexpr int16_t kModeNext = 6, kModeSwitch = 7, kModeHelp = 8;
inline constexpr int16_t kUseRate = 11, kUsePerCent = 12, kConstantRQ = 13, kRQField = 101;
inline constexpr int16_t kRelativeHumidity = 11, kDewPoint = 12, kSurfaceField = 101, kRealPressureField = 102;
inline constexpr int16_t kConstantButton = 123, kTemperatureOK = 124, kTemperatureField = 101;
inline constexpr int16_t kPressureField = 101, kHumidityDone = 1, kDoNotCompensate = 2, kHumidityOK = 124;
inline constexpr int16_t kConstantRHField = 101;
inline constexpr int16_t kHeatField = 102, kHeatDone = 5;
inline constexpr int16_t kEquationClose = 10, kEquationText = 2;
// FLOWSTUFF's fields.
inline constexpr int16_t kFlowField = 221, kMassField = 222, kPressureParamField = 223;
inline constexpr int16_t kTemperatureParamField = 224, kVolumeField = 225;

// Global top of the recording values' box in the units dialog (35 with a flow
// channel, 7 without).
extern int16_t TopL;

// The gas channel into Chan1 and, with FlowCH = 2, the flow channel into chan2
// (flow channel + nChannels). 1 cancelled, 0 done.
int16_t FlowSetOK(const plat::MacText& gasText, int16_t step);
// The flow configuration into FlowMode, then the incurrent humidity. 1 cancelled.
int16_t FLOWSYSTEM();
// 3 a mask mode accepted, 2 back to the chambers.
int16_t MASKSYSTEMS();
// The second gas: UseVCO2, RQ, VCO2channel.
void GETVCO2CHANNEL();
// mode 0: water loss (surface temperature, latent heat, the real ambient
// pressure realBP); else humidity units for compensation. Sets latent,
// RHunit, tRHchan, RHtemp. False when a channel list was closed (the caller
// decides what a cancel means).
void RH_Temp_Calcs(const plat::MacText& unused, int16_t mode, int16_t constantFlag);
// Whether a real ambient pressure was typed yet; until then the water-loss
// window offers the file's B.P.
extern bool RealBPGiven;
// The recording values' fields 221..225 in the current window.
void FLOWSTUFF();
// mode 1 analyser compensation, 0 incurrent flow: realBP, WaterChannel, compRH
// and, for a humidity channel, RH_Temp_Calcs.
void WaterComp(int16_t mode);
// "Heat Equivalence": flowconO / flowconC and flowcon (J/ml / 60). A value
// that is not a number above 0 is refused by the alert and the heat
// equivalent before is kept.
void GASUNITS(const plat::MacText& unused, int16_t left, int16_t top);
// The equation of the current GasType, UseVCO2 and FlowMode.
void SHOWGASEQUATION();
