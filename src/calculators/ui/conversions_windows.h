// "Unit Interconversions" and "Day of the Year".
#pragma once
#include <cstdint>

inline constexpr int16_t kConvInput = 101, kConvFromUnit = 102, kConvResult = 103, kConvToUnit = 104;
inline constexpr int16_t kConvNote = 105;
// Category buttons 1..4 show pop-up menus 63..66 in control kConvPopup.
inline constexpr int16_t kConvFirstCategory = 1;
inline constexpr int16_t kConvPopup = 70;
inline constexpr int16_t kConvSwap = 11, kConvStore = 12, kConvCompute = 13, kConvDone = 14, kConvHelp = 15;

inline constexpr int16_t kDoyDay = 111, kDoyResult = 112, kDoyYear = 113, kDoyMonthPopup = 140;
inline constexpr int16_t kDoyCompute = 1, kDoyDone = 2, kDoyHelp = 3;

void UnitCONVERSIONS();
void DayOfTheYear();
