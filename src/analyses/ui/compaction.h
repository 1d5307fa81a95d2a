// Edit ▸ "Compact & Average": the sample- and time-averaging windows.
#pragma once
#include <cstdint>

inline constexpr int16_t kCompactionHelp = 180;
// Controls of results window 4 in both windows.
inline constexpr int16_t kParseFactorField = 101;   // the factor (samples) / the achieved interval (time)
inline constexpr int16_t kParseSecondField = 102;   // block duration (samples) / block size (time)
inline constexpr int16_t kParseWantedField = 103;
inline constexpr int16_t kParseIntervalsField = 104;
inline constexpr int16_t kParseUnitPopup = 138;
inline constexpr int16_t kParseUnitMenu = 138;
inline constexpr int16_t kParsePlus1 = 16, kParseMinus1 = 17, kParsePlus10 = 14, kParseMinus10 = 15;
inline constexpr int16_t kParseShowSD = 18, kParseShowDots = 19;
inline constexpr int16_t kParseDo = 20, kParseSave = 21, kParseNormal = 22, kParseDone = 23;

// Compacts every channel of the current file by parse[0] from case `start`,
// with a progress bar in window 4 for a file of several channels.
void doPARSE(int32_t start);
void PARSEbySAMPLES();
void PARSEbyTIME();
