// "Minimum Continuous Mean", "Maximum Continuous Mean", "Most Level
// Segment" and "Most Variable Segment": the scan-interval window, the scan
// with its progress bar (cancellable: close box or Escape), the statistics
// of the window found in results window 4, "Set Block", and the preset
// interval buttons shared with the automatic-block dialog.
#pragma once
#include <cstdint>
#include <functional>

// The chamber set-up of constant-volume respirometry, which gives the STP
// factor the scan's panel converts with: the respirometry registrar fills it.
struct ScanHooks {
  std::function<void()> constantVolumeSetup;
};
extern ScanHooks gScanHooks;

// The command: kind 1 minimum, 2 most level, 4 most variable, any other
// maximum (Analyze items 2..5, Autorepeat, script ops 13, 14, 19, 30).
int16_t Minimum_Maximum_Level(int16_t kind);

// The Scan Interval window (window 5): the interval in seconds read from
// field 101, or, with ConstScan, the remembered one at once. Returns a
// negative value when the window was closed: the command ends there.
float ScanInterval();
// Preset buttons 41..53 and adjust buttons 59..65 into the current window,
// for the file's sample interval and a duration of nPoints cases.
void INTERVALCHOICE(int32_t nPoints);
// A click on one of those buttons (eventID) puts its seconds into field 101
// of the current window; 156 toggles ConstScan. Clears the mailbox.
void SETimeIntVlCHOICE();
// Makes the window found the block (plot shading, field 17, block window).
void SWITCHBLOCKS();
// XOR-flashes the found window in the block window `times` times.
void FlashTheSelectedArea(int16_t times, int16_t rightEdge);

// Ids of the scan windows' own controls.
inline constexpr int16_t kScanIntervalWindow = 5;
inline constexpr int16_t kScanFailureWindow = 19;
inline constexpr int16_t kScanSecondsField = 101;
inline constexpr int16_t kScanIntervalOK = 124;
inline constexpr int16_t kReuseIntervalBox = 156;
inline constexpr int16_t kNewIntervalButton = 123;
inline constexpr int16_t kRescanChannelsButton = 156;
inline constexpr int16_t kConstantVolumeButton = 157;
inline constexpr int16_t kSetBlockButton = 118;
inline constexpr int16_t kScanResultLine = 999;
inline constexpr int16_t kOverallSlopeButton = 124;
inline constexpr int16_t kPointToPointButton = 120;
