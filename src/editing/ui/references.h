// Edit "Remove References…" (toolbar 552, script operation 40): finds the
// reference-gas stretches of the active channel and replaces them.
#pragma once
#include <cstdint>

inline constexpr int16_t kRefDown = 1;
inline constexpr int16_t kRefUp = 2;
inline constexpr int16_t kRefInterpolated = 3;
inline constexpr int16_t kRefFixed = 4;
inline constexpr int16_t kRefMarkers = 5;
inline constexpr int16_t kRefCursor = 6;
inline constexpr int16_t kRefInBlock = 7;
inline constexpr int16_t kRefUndo = 8;
inline constexpr int16_t kRefDone = 9;
inline constexpr int16_t kRefFix = 10;
inline constexpr int16_t kRefHelpButton = 11;
inline constexpr int16_t kRefLeftCases = 12;
inline constexpr int16_t kRefLeftMarker = 13;
inline constexpr int16_t kRefRightCases = 14;
inline constexpr int16_t kRefRightMarker = 15;
inline constexpr int16_t kRefCutoffField = 111;
inline constexpr int16_t kRefLeftField = 112;
inline constexpr int16_t kRefFixedField = 113;
inline constexpr int16_t kRefRightField = 114;

// step: 0 from the menu, the step number on replay (one fix with the step's
// settings over the whole file, no window). The step is kept only when a
// fix replaced something. Returns 0.
int16_t REMOVEREFS(int16_t step);
