// The custom strip-height dialog (window 11): the user clicks the lower
// boundary of each shown channel's strip in an example plot.
#pragma once
#include <cstdint>

inline constexpr int16_t kHeightsWindow = 11;
inline constexpr int16_t kHeightsOK = 1, kHeightsAgain = 2, kHeightsNormal = 3;
inline constexpr int16_t kHeightsText = 21;

// Leaves in VerticalPosition the row clicked, held to top <= row < limit.
// False when the user left the panel (close box or Escape) instead.
bool GetHEIGHT(float top, int16_t limit);
// One example strip from row top to VerticalPosition.
void Draw_A_CHANNEL(float top, int16_t channel, uint16_t colour);
