// "Flow System STP Converter", "Altitude and Pressure" and the altitude
// simulation calculator.
#pragma once
#include <cstdint>

// STP converter controls.
inline constexpr int16_t kStpResult = 111;
inline constexpr int16_t kStpFlowField = 112;
inline constexpr int16_t kStpVolumeField = 113;
inline constexpr int16_t kStpSecondsField = 114;
inline constexpr int16_t kStpPressureField = 115;
inline constexpr int16_t kStpInternalField = 116;
inline constexpr int16_t kStpMeterTField = 117;
inline constexpr int16_t kStpCalibrationTField = 118;
inline constexpr int16_t kStpFlowMode = 1, kStpVolumeMode = 2;
inline constexpr int16_t kStpSccm = 9, kStpSlpm = 10;
inline constexpr int16_t kStpShowAverage = 11, kStpStore = 12, kStpDone = 13, kStpAdd = 14, kStpCompute = 15;
inline constexpr int16_t kStpHelp = 16;

// Altitude and pressure controls.
inline constexpr int16_t kAltPressureField = 111, kAltAltitudeField = 112;
inline constexpr int16_t kAltFromPressure = 1, kAltFromAltitude = 2, kAltStore = 3, kAltDone = 4;
inline constexpr int16_t kAltMetres = 5, kAltFeet = 6, kAltTorr = 7, kAltKPa = 8, kAltHelp = 9;

// Altitude simulation controls.
inline constexpr int16_t kSimGasField = 101, kSimAltitudeField = 111, kSimPressureField = 113;
inline constexpr int16_t kSimMeasuredAltitudeField = 121, kSimMeasuredPressureField = 123, kSimResultField = 131;
inline constexpr int16_t kSimFromAltitude = 1, kSimFromPressure = 2, kSimHelp = 3, kSimDone = 4;

void STPflowAdjust();
void ALTITUDE();
void AltitudeSimulation();
