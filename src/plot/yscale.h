// Setting a channel's Y scale by hand: the typed limits, the limits picked on
// the plot and the expansions of the scaling palette. Pure, plus the writes
// into `scalefact` (words 4 mode, 5 minimum, 6 maximum).
#pragma once
#include <cstdint>
#include <string_view>

enum class ManualLimitsStatus : int8_t { Ok, NotANumber, NotAboveMinimum };
const char* ManualLimitsStatusText(ManualLimitsStatus s);

// Both texts must be whole finite numbers (blanks around allowed) and the
// maximum strictly above the minimum; *lo and *hi are written only when Ok.
ManualLimitsStatus ReadManualLimits(std::string_view minText, std::string_view maxText, float* lo, float* hi);
// A whole finite number with blanks around it; false for anything else.
bool ReadStrictNumber(std::string_view text, double* out);

// The two rows picked on the plot as limits, the larger on top; false (and
// nothing written) when they are equal.
bool OrderPickedLimits(float a, float b, float* lo, float* hi);
// The current span widened by f times itself at each end (f 0.5: twice the
// span, f 1: three times).
void ExpandedLimits(float minimum, float maximum, float f, float* lo, float* hi);

// scalefact word 4 for ScaleMode 0, 1, 2; -1 for Manual.
float ScaleFactorOfMode(uint16_t scaleMode);
// The channel (1..32; others ignored) set to an automatic mode 0, 1 or 2.
void SetChannelScaleMode(int16_t channel, uint16_t scaleMode);
// The channel set to Manual with these limits.
void SetChannelManualLimits(int16_t channel, float lo, float hi);
