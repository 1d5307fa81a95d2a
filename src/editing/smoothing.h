// Nearest-neighbour smoothing: a centred moving mean of 3 to 51 samples,
// repeated for a number of cycles, over the whole channel or a block,
// optionally only where the values before smoothing lie within two limits.
// Pure functions over plain arrays, plus one adapter to the store.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The last window button (1..10) and cycles, kept between commands only
// when prefsArray word 3 is set; 0 at start-up.
extern int16_t nSmooth;
extern int16_t nCycles;

inline constexpr int16_t kSmoothingOp = 6;
inline constexpr int32_t kSmoothingHelp = 178;
inline constexpr int16_t kSmoothingButtons = 10;
inline constexpr int16_t kMaxSmoothingCycles = 32767;
// prefsArray word 3: keep the last smoothing settings.
inline constexpr int kPrefKeepSmoothing = 3;

// Samples averaged by window button 1..10 (3, 5, 7, 9, 11, 15, 19, 25, 35,
// 51); buttons outside are held to 1..10.
int16_t SmoothingSamples(int16_t button);

struct SmoothingSettings {
  int16_t button = 1;        // window button 1..10
  int32_t cycles = 1;        // at least 1
  float upper = 0.0f;        // "Data <": a value above it before smoothing is put back
  float lower = 0.0f;        // "Data >": a value below it before smoothing is put back
  bool conditional = false;  // apply both limits
};
// Fields 4 button, 5 cycles, 6 upper, 7 lower, 8 conditional (0/1). The other
// fields are left alone.
void ToScriptStep(const SmoothingSettings& s, float (&step)[28]);
SmoothingSettings FromScriptStep(const float (&step)[28]);

// Cycles as typed: the whole part, at least 1 and at most 32767. Text that
// is not a number reads as 0, so 1 cycle.
int32_t SmoothingCyclesFromText(std::string_view text);
// A limit as typed; text that is not a number reads as 0, and a number
// beyond the float range as an infinity of its sign.
float SmoothingLimitFromText(std::string_view text);

// The cases a smoothing of cases b..e reads and may write: the block
// widened by half a window each side, held to 0..nCases.
struct SmoothingRange {
  int32_t start = 0, end = 0;
};
SmoothingRange SmoothingSpan(int32_t nCases, int16_t samples, int32_t b, int32_t e);

// One cycle over data[0..nCases]. work receives a copy of data[0..nCases]
// and every window reads it, so each case is a mean of the values before
// this cycle:
// - interior cases (from start + h, or start + h + 1 when start is 0 or 1,
//   to end - h): float(1/n) times the double sum of the n cases around it;
// - near the file's start (case below h, or any case before the first
//   interior one when start is 0 or 1): the mean of cases start..2j-start+1;
// - near the file's end (case above nCases - h): the mean of cases
//   2j-end-1..end.
// Edge windows are held inside start..end, so tiny files read nothing
// outside them.
void SmoothCycle(float* data, float* work, int32_t nCases, int16_t samples, SmoothingRange r);
// Puts back, for cases start..end, every value before smoothing that lies
// above upper or below lower; values equal to a limit stay smoothed.
void RestoreOutsideLimits(float* data, const float* before, SmoothingRange r, float upper, float lower);

// The whole run: `cycles` cycles, then the conditional restore from before
// (the undo copy, nCases + 1 floats; needed only when conditional).
// afterCycle(c) runs after cycle c (1-based), for a progress bar.
void SmoothChannelData(float* data, float* work, const float* before, int32_t nCases, const SmoothingSettings& s,
                       SmoothingRange r, const std::function<void(int32_t)>& afterCycle = {});

// "smoothed 5 points by 3 cycles, from 0 to 1000" (each number with its
// leading blank).
std::string SmoothingLogText(int16_t samples, int32_t cycles, SmoothingRange r);

// ---- Adapter ----------------------------------------------------------------------
enum class SmoothingStatus : int8_t { Ok, NoFile, BadChannel, NoUndoCopy };
const char* SmoothingStatusText(SmoothingStatus s);
// Smooths a channel of the slot in place, with channel 0 as the work copy
// and the undo copy (which must belong to that channel) as the values before
// smoothing. Sets ChangedChan, LastChan and the file's changed flag.
SmoothingStatus SmoothStoredChannel(int16_t slot, int16_t channel, const SmoothingSettings& s, bool blockOnly,
                                    SmoothingRange* used, const std::function<void(int32_t)>& afterCycle = {});
