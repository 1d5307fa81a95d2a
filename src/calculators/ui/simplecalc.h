// "Calculator (RPN)": X and Y fields, the typed operators in reverse Polish
// order and the pad of functions, unit factors and geometry.
#pragma once
#include <cstdint>

inline constexpr int16_t kRpnXField = 111;
inline constexpr int16_t kRpnYField = 112;

void SIMPLECALC();
