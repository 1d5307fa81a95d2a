// Edit "Correct Lag Time…" (toolbar 553, script operation 2, and before gas
// exchange when the settings ask): shifts the active channel by a typed lag
// or by the lag that best correlates it with a second channel.
#pragma once
#include <cstdint>

inline constexpr int16_t kLagOK = 1;
inline constexpr int16_t kLagBestFit = 2;
inline constexpr int16_t kLagCancel = 3;
inline constexpr int16_t kLagHelpButton = 4;
inline constexpr int16_t kLagField = 111;
inline constexpr int16_t kBestFitWindow = 40;
inline constexpr int16_t kBestFitSelect = 1;
inline constexpr int16_t kBestFitCancel = 2;
inline constexpr int16_t kBestFitMaxField = 112;
inline constexpr int16_t kBestFitRField = 100;
inline constexpr int16_t kBestFitLagField = 101;
inline constexpr int16_t kComparisonWindow = 10;
inline constexpr int16_t kComparisonOK = 131;

// lag: seconds, used by an automatic script replay of `step`; the menu and
// the gas-exchange chain pass (0, 0). A replay outside an automatic run
// shows the dialog preset to the recorded lag. Returns 0.
int16_t LAGTIME(float lag, int16_t step);
