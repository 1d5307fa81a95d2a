// Lag correction: shifting a channel by whole cases, and the lag at which
// it best correlates with a second channel over the block. Pure functions
// over plain arrays.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

inline constexpr int16_t kLagOp = 2;
inline constexpr int32_t kLagHelp = 138;

// The lag in whole cases: seconds / interval (single precision) + 0.5,
// rounded down. False for an interval that is not positive.
bool LagInCases(float seconds, float interval, int32_t* cases);
// Whether a shift by `lag` cases is possible: |lag| strictly below half the
// case count.
bool LagFits(int32_t lag, int32_t nCases);
// Cases 1..nCases shifted: lag > 0 advances (x[i] = x[i + lag], the last lag
// cases 0), lag < 0 delays (x[i] = x[i + lag], the first -lag cases 0).
// Case 0 never moves. Nothing happens unless LagFits.
void ShiftChannel(float* x, int32_t nCases, int32_t lag);
std::string LagLogText(float seconds);

// r squared of x[i] against y[i - lag] for i = b..e, by two passes: means
// (double sums), then single-precision deviations and products summed in
// double. NaN when either channel is constant over the pairs.
float LagRSquared(const float* x, const float* y, int32_t b, int32_t e, int32_t lag);

// The search range as the block allows: a positive maximum no further than
// b, a negative one no further than e - nCases, so every pair lies in
// 0..nCases.
int32_t ClampMaxLag(int32_t maxLag, int32_t b, int32_t e, int32_t nCases);

struct LagSearch {
  int32_t bestLag = 0;
  float rsquared = 0.0f;     // of the best lag by LagRSquared; 0 when none is above 0
  int32_t lagsTried = 0;
  bool stopped = false;      // progress asked to stop: the best so far stands
};
// Tries maxLag..0 (maxLag <= 0) or 0..maxLag, in that order; a lag wins only
// with an r squared by LagRSquared strictly above the best so far (ties keep
// the earlier), NaN never: the winner is always the two-pass rule's. Each lag
// costs one pass over the block: the active channel is centred once as the
// rule centres it, and each window's sums are taken in double about a centre
// of the comparison channel, so an offset far larger than its variation ranks
// as well as none. Every lag that a bound on the difference of the two
// scores leaves in reach of the best is scored again by LagRSquared.
// progress(done, total) runs about every 1 % and may return false to stop.
LagSearch FindBestLag(const float* x, const float* y, int32_t b, int32_t e, int32_t maxLag,
                      const std::function<bool(int32_t, int32_t)>& progress = {});
