// Peaks and valleys of a periodic signal, its period and amplitude, and the
// wave-shape statistics drawn from the per-wave tables. Pure functions over
// plain arrays; the windows live in analyses/ui/waveform.cpp.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The five per-wave tables, entries from 1 (entry 0 of sections 1 and 2
// holds their count in the normal method). They grow as needed.
//   normal method:      0 peak values, 1 rise times, 2 decay times,
//                       3 peak-to-peak intervals, 4 amplitudes
//   highest/lowest 5:   0 peak values, 1 peak times, 2 valley values,
//                       3 valley times
struct WaveTables {
  std::array<std::vector<float>, 5> s;
  float at(int section, size_t entry) const;
  void set(int section, size_t entry, float v);
};

struct WaveRequest {
  int32_t first = 0, last = 0;   // the block, cases first..last
  double dt = 1.0;               // seconds per case
  float peakTrigger = 0.0f;      // a peak lies above it
  float valleyTrigger = 0.0f;    // a valley lies below it
  int32_t skip = 0;              // cases after a peak where no peak is taken
  bool normal = true;            // false: highest/lowest 5
};

struct WaveResult {
  int32_t nPeaks = 0;
  float P = 0.0f, sd = 0.0f;     // mean period and its SD (s); 0 below 2 peaks
  bool prior = false;            // amplitudes to the prior valley
  float dn = 0.0f, dw = 0.0f, ds = 0.0f, dxx = 0.0f;   // amplitudes: count, sum, sum of squares, SD
  float VarXX = 0.0f, kFloat = 0.0f;
  float vn = 0.0f, v = 0.0f, vs = 0.0f, ps = 0.0f, pv = 0.0f;
  double peakSum = 0.0, valleySum = 0.0;
  int32_t valleys = 0;
  std::vector<int32_t> peakCases, valleyCases;   // where the marks go
  std::vector<float> intervals;   // normal method: entry k = interval ending at peak k (k >= 2)
  WaveTables tables;
  float peakMean() const { return nPeaks > 0 ? static_cast<float>(peakSum / nPeaks) : 0.0f; }
  float valleyMean() const { return valleys > 0 ? static_cast<float>(valleySum / valleys) : 0.0f; }
  float amplitudeMean() const { return dn > 0.0f ? dw / dn : 0.0f; }
};

// One scan of the block by the request's method. The normal method reads
// five cases around each candidate and resumes three cases after an
// extreme; the other keeps the best five-case window of each run beyond a
// trigger. A block of fewer than five cases finds nothing.
WaveResult FindWaves(std::span<const float> y, const WaveRequest& r);

// The block's smallest and largest value (BlockMinY, BlockMaxY), which the
// default triggers take, so that every peak and valley qualifies. Cases
// first..last within y; NaN takes no part; 9e30 and -9e30 when none is left.
struct WaveBlockRange {
  float lo = 9e30f, hi = -9e30f;
};
WaveBlockRange WaveBlockExtremes(std::span<const float> y, int32_t first, int32_t last);

// The period read-out by item of unit pop-up 62: 1 Hz, 2 mHz, 3 KHz,
// 5 msec, 7 min, 8 hours, any other seconds.
struct PeriodShown {
  double value = 0.0;
  const char* suffix = " sec";
};
PeriodShown ShowPeriodIn(double P, int unit);

// ---- Wave-shape statistics ---------------------------------------------------------
inline constexpr size_t kWaveValueLimit = 40000;

struct ShapeStats {
  size_t n = 0;
  double mean = 0.0, sd = 0.0;   // population SD; NaN over no entry
  float minimum = 0.0f, maximum = 0.0f;
};
// Entries 1..min(count, 40,000) of a table.
ShapeStats ShapeStatsOf(const std::vector<float>& section, size_t count);

// Two-tailed P of z = |m1 - m2| / sqrt(s1^2/n1 + s2^2/n2) by the polynomial
// 10^(-0.003595 - 0.335054 z - 0.156187 z^2 - 0.005595 z^3).
double WaveZ(double m1, double s1, double n1, double m2, double s2, double n2);
float WaveZProbability(double z);
// "  P<.00001" or "  P=" and P.
std::string WaveProbabilityText(float p);

// Paired 37-bar histogram over lo..hi: a value equal to hi counts in bar
// 37; nothing is counted for an empty or non-finite range.
inline constexpr int kShapeBars = 37;
std::array<int32_t, kShapeBars + 1> ShapeHistogram(const std::vector<float>& section, size_t count, double lo,
                                                   double hi);

// Bars of the second window: item of pop-up 61 -> 5, 8, 10, 12, 15, 20, 25,
// 30, 40, 50, 60, 75, 100, 15; 0 for any other item.
int WaveBarsOfItem(int item);
// Counts of entries start..n in `bars` bars over low..high (index 0 unused).
std::vector<int32_t> WaveHistogram(const std::vector<float>& section, size_t start, size_t n, double low, double high,
                                   int bars);
// Top of the square-root scale for a largest bar m: trunc(sqrt(m)) + 1.
int SqrtScaleTop(int32_t m);
// Default range of a table with 5 % margins; for sections 1..4 never below 0.
struct WaveRange {
  double from = 0.0, to = 0.0;
};
WaveRange WaveScanRange(const std::vector<float>& section, int sectionIndex, size_t count);
// The block's duration as the printed page gives it: sec, min or hours,
// 4 significant digits.
std::string WaveDurationText(double seconds);
// The printed page's "Source data:" line: the block's own case numbers
// (the store counts from 1), its case count and the sample interval.
std::string WaveSourceDataText(int32_t beginBlock, int32_t endBlock, double interval);

// The waveform data file's bytes (UTF-8, LF line ends): header and rows 1..n
// of the five tables.
std::string WaveDataText(const WaveTables& t, size_t n);
