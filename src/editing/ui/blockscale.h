// Edit "Scale to Block…" and "Block Scale, 0-100" (script operation 41):
// the active channel rescaled so that the block's extremes take two chosen
// values.
#pragma once
#include <cstdint>

inline constexpr int16_t kScaleUpperField = 1;
inline constexpr int16_t kScaleLowerField = 2;
inline constexpr int16_t kScaleLabelField = 3;
inline constexpr int16_t kScaleZeroTo100 = 52;
inline constexpr int16_t kScaleUpperLeftmost = 53;
inline constexpr int16_t kScaleHighest = 54;
inline constexpr int16_t kScaleUpperRightmost = 55;
inline constexpr int16_t kScaleLowerLeftmost = 56;
inline constexpr int16_t kScaleLowest = 57;
inline constexpr int16_t kScaleLowerRightmost = 58;
inline constexpr int16_t kScaleUndo = 59;
inline constexpr int16_t kScaleCancel = 110;
inline constexpr int16_t kScaleOK = 111;
inline constexpr int16_t kScaleDone = 112;
inline constexpr int16_t kScaleBlockOnly = 113;

// mode 0 the dialog, 1 the block straight to 0..100. step: 0 from the menu,
// the step number on replay (the runner selects the block first). The undo
// copy is taken once, at opening. Returns 0.
int16_t BLOCKSCALE(int16_t mode, int16_t step);
