// Cutting the block out of the active channel or out of the whole file, the
// question asked when markers would go with it, and the removal of the
// markers inside the block.
#pragma once
#include <cstdint>

inline constexpr int16_t kCutBlockWindow = 9;
inline constexpr int16_t kCutThisChannel = 1;    // "This Channel Only" / "Temporarily"
inline constexpr int16_t kCutEntireFile = 2;     // "The Entire File" / "Permanently"
inline constexpr int16_t kCutRemove = 3;
inline constexpr int16_t kCutCancel = 4;

inline constexpr int16_t kMarkerWarningWindow = 25;
inline constexpr int16_t kMarkerWarningCancel = 1;
inline constexpr int16_t kMarkerWarningYes = 2;
inline constexpr int16_t kMarkerWarningInsert = 3;

inline constexpr int16_t kDataLossWindow = 15;
inline constexpr int16_t kDataLossContinue = 1;
inline constexpr int16_t kDataLossCancel = 2;

// direct 1 cuts the block from every channel at once; 0 asks first.
int16_t CUTBLOCK(int16_t direct);
// 0 cancel, 1 "Yes", 99 "Yes; Insert New Marker".
int16_t CutMarkerWARNING();
void RemoveMarkersFromBlock();
