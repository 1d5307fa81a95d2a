// Re-sampling a recording to a new sample interval: the time-scale
// adjustment of the File menu and the merge of a file recorded at another
// rate. Old case i lands on new case trunc(i * r), r = old / new interval;
// when several land on one case the last wins, and cases skipped between two
// landings are filled on the straight line between them. Nothing is
// averaged.
#pragma once
#include <cstdint>
#include <vector>

#include "datafiles/datafile.h"

// The decimal an interval was typed as (0.1f -> 0.1), for arithmetic that
// must not show the binary error of the float.
double DecimalValue(float f);

// Products and quotients of such decimals that are whole numbers come out a
// few units in the last place either side of them; a result within this
// share of itself below a whole number counts as that number. It stays well
// above the rounding (under 1e-15) and well below the nearest a true
// fraction comes to a whole number (above 1e-13 of the result for decimals
// of up to six digits and results up to 7,000,000).
inline constexpr double kWholeMargin = 1e-14;

// The case count after re-sampling: trunc(cases * old / new) in single
// precision. -1 when the new interval is not above 0 or either interval is
// not finite. The caller refuses counts above kMaxCases.
int64_t ResampledCaseCount(int32_t cases, float oldInterval, float newInterval);
double ResampleRatio(float oldInterval, float newInterval);

// The new case an old case lands on. Intervals such as 0.1 s are not exact
// in binary, so a product a hair below a whole number counts as that number;
// without this a tenfold up-sampling would land every case one early.
int64_t ResampledIndex(int64_t oldCase, double ratio);

// in[0..cases] -> out[0..newCases]. in[0] is taken to be in[1] (the leading
// value follows the first case); new cases beyond the last landing hold the
// last landed value.
void ResampleSeries(const float* in, int32_t cases, double ratio, float* out, int32_t newCases);

// The same in two steps, for many channels of one file: the new case of
// each old case 0..cases once (landing holds cases + 1 values, each within
// int32_t when the new count is), then each channel from that table, with
// the results of ResampleSeries.
void ResampleLandings(int32_t cases, double ratio, int32_t* landing);
void ResampleSeriesLanded(const float* in, int32_t cases, const int32_t* landing, float* out, int32_t newCases);

// The same in place, for a file that grows: a holds cases + 1 values and
// room for newCases + 1 (newCases >= cases). landing as ResampleLandings
// gives it (landing[cases] <= newCases), or null for a whole ratio k
// (newCases = cases * k). Gives ResampleSeriesLanded's values bit for bit.
void ResampleInPlace(float* a, int32_t cases, const int32_t* landing, int32_t k, int32_t newCases);

// A marker's new case, kept within 1..newCases so that no marker is lost.
int32_t ResampledMarkerCase(int32_t caseNumber, double ratio, int32_t newCases);

// The whole image to the new interval: channels, markers, the case numbers
// of the notes, the interval. Nothing changes on failure (BadRange for an
// unusable interval, TooManyCases, OutOfMemory).
FileStatus ResampleImage(DataFileImage& image, float newInterval);

// The same for a file in a slot, as the time-scale command needs it: every
// channel 1..nChannels, markers, notes and the interval; channel 0 is
// re-sized with the rest. Case 0 of each channel takes the old case 1 (the
// scratch channel's case 0 is not copied back). Marks the file changed and
// drops the undo copy. Nothing changes on failure (BadRange for fewer than
// 2 new cases or an unusable interval, TooManyCases, OutOfMemory).
StoreStatus ResampleSlot(int16_t slot, float newInterval);
