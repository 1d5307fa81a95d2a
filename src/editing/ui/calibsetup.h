// The set-up windows of the breakpoint calibration and of the polynomial,
// opened from the transformations dialog; they change no data.
#pragma once
#include <cstdint>

#include "editing/transforms.h"

inline constexpr int16_t kBreakpointWindow = 19;
inline constexpr int16_t kPolynomialWindow = 6;
inline constexpr int16_t kBreakpointHelp = 177;
inline constexpr int16_t kPolynomialHelp = 195;
// Breakpoint: radio buttons 51..54 (type), rows 5 (lower) and 6 (upper),
// fields 201 (breakpoint), 202 + 4r name and 203..205 + 4r a, b, c.
inline constexpr int16_t kBpLowerRow = 5, kBpUpperRow = 6, kBpHelp = 11, kBpOK = 10, kBpValue = 201;
// Polynomial: degree pop-up 43, coefficient fields 201..209, constant 210.
inline constexpr int16_t kPolyDegreePopup = 43, kPolyOK = 11, kPolyConstant = 210;

// The breakpoint record as the user sets it up (opening values first).
Breakpoint BREAKPOINT();
// Degree, coefficients and constant into s (degree 1, x, 0 at first).
void POLYNOMIAL(int16_t chan1, TransformSettings* s);
