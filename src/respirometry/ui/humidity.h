// Respirometry > "Analyzer Humidity Compensation…" (script operation 35).
#pragma once
#include <cstdint>

inline constexpr int16_t kHumidityNewChannelBox = 1;
inline constexpr int16_t kHumiditySelectGas = 2;

// step: 0 from the menu, else the script step replayed.
void ANALYZER_HUMIDITY(int16_t step);
