// Respirometry > "Effective Volume…": the chamber's effective volume from the
// washout curve in the block of the active channel.
#pragma once
#include <cstdint>

inline constexpr int16_t kEffVolumeWindow = 44;
inline constexpr int16_t kEffVolumeCompute = 1, kEffVolumeFlowField = 101;
inline constexpr int16_t kEffVolumeStore = 1, kEffVolumeDone = 2;

void EFFECTIVEVOLUME();
