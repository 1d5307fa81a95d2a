// The magnitude spectrum of a block: a radix-4 real transform in double and
// the texts of its read-out and results file. Pure functions over plain
// arrays; the window in analyses/ui draws what they return.
#pragma once
#include <complex>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Interval buttons 7..18 stand for 2^id samples.
inline constexpr int16_t kFftFirstButton = 7, kFftLastButton = 18;

// The highest interval-button id a file of nCases offers (2^id <= nCases),
// or 6 when it offers none.
int16_t LastFftButton(int64_t nCases);

// X_j = sum_t x_t exp(-2 pi i j t / n) for j = 0 .. n/2 - 1, n = x.size() a
// power of two of at least 2. Radix 4 on n/2 complex points (a last radix-2
// stage where log2(n/2) is odd), then the real unpacking; every step in
// double, the twiddles of each length worked out once and kept.
std::vector<std::complex<double>> RealFft(std::span<const float> x);

// One magnitude per bin: |X_j| * 2 / n at frequency j / (n dt), j = 0 .. n/2 - 1.
// Bin 0 (the mean) is set to 0 so that the plot's scale follows the waves.
std::vector<float> MagnitudeSpectrum(std::span<const float> x);

// Three-point running mean of the unsmoothed spectrum; the two end bins keep
// their values.
std::vector<float> SmoothSpectrum(std::span<const float> magnitudes);

// Units of the read-out pop-up: 1 and 4 Hz, 2 mHz, 3 KHz, 5 msec, 6 sec,
// 7 min, 8 hours. Frequencies convert as they are; the last four are periods
// (an infinite period at frequency 0, as the number text renders it).
double FftUnitValue(double hz, int16_t unit);
const char* FftUnitColumnTitle(int16_t unit);   // "frequency (Hz) ", "period (sec) ", ...
const char* FftUnitShortName(int16_t unit);     // "Hz", "mHz", ..., "hours"

// Frequency of bin j of an n-point transform at interval dt.
inline double FftBinHz(int64_t j, int64_t n, double dt) { return static_cast<double>(j) / (static_cast<double>(n) * dt); }

// The element (1 .. shown; element k is bin k - 1) drawn at pixel column x
// when `shown` bins fill `width` pixels as the trace draws them: a whole
// number of columns a bin when they fit, else compressed.
int64_t FftElementAtColumn(int x, int width, int64_t shown);

// The results file's bytes, for spreadsheets (UTF-8, LF line ends): the unit's
// column title, a tab, "magnitude", then one row per bin: frequency or period
// by unit, a tab, the magnitude.
std::string FftResultsText(std::span<const float> magnitudes, int64_t n, double dt, int16_t unit);
