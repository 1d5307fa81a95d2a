// The numbered windows every subsystem meets, and which file's plot window
// a window is. Below the window kit, so that the event handlers can tell
// windows apart without it.
#pragma once
#include <cstdint>

#include "shell/store.h"   // kMaxOpenFiles

// Window ids the kit owns.
inline constexpr int16_t kResultsWindow = 4;
inline constexpr int16_t kSecondaryWindow = 6;
inline constexpr int16_t kChannelSelectWindow = 10;
inline constexpr int16_t kUnknownWindow41 = 41;
inline constexpr int16_t kFilterNoticeWindow = 90;
inline constexpr int16_t kPlotWindowBase = 1000;
inline constexpr int16_t kChannelSelectorWindow = 1200;
inline constexpr int16_t kToolbarWindow = 1999;
// The file slot whose plot window this is, -1 for any other window.
inline int16_t PlotSlotOfWindow(int windowId) {
  const int slot = windowId - kPlotWindowBase;
  return slot >= 0 && slot < kMaxOpenFiles ? static_cast<int16_t>(slot) : int16_t{-1};
}
// The plot window of a file slot.
inline constexpr int16_t PlotWindowId(int16_t slot) { return static_cast<int16_t>(kPlotWindowBase + slot); }
// The alert has an id of its own so that it never replaces a window a
// command still needs.
inline constexpr int16_t kAlertWindow = 1501;
