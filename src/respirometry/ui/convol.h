// "Constant Volume Respirometry": chamber volume, elapsed time, pressure,
// temperature, initial humidity and the gas settings, giving STPfactor for
// the block statistics.
#pragma once
#include <cstdint>

inline constexpr int16_t kConvolWindow = 15;
inline constexpr int16_t kConvolOxygen = 1, kConvolCO2 = 2, kConvolYes = 7, kConvolNo = 8, kConvolDone = 50;
inline constexpr int16_t kConvolVolume = 101, kConvolMinutes = 102, kConvolPressure = 103;
inline constexpr int16_t kConvolTemperature = 104, kConvolFiO2 = 105, kConvolFiCO2 = 106, kConvolRQ = 107;
inline constexpr int16_t kConvolRH = 108;

// Returns 0 with window 4 current again. There is no cancel: every way out
// stores the fields. An elapsed time or a pressure that is not above 0 is
// refused with a message and the window stays open on its field; the close
// box and Escape then leave with nothing stored (STPfactor as it was).
int16_t CONVOL();
