// Compaction of a recording into group means and population standard
// deviations, and the arithmetic of the two averaging windows. Pure
// functions over plain arrays, plus one adapter that fills ParseArray.
#pragma once
#include <cstdint>
#include <functional>
#include <span>

// Entries a row of ParseArray holds.
inline constexpr int32_t kParseCapacity = 400001;

// Entries a compaction by n of cases start..nCases gives: the whole groups,
// plus the partial group when at least two cases are left over.
int32_t CompactionGroups(int32_t nCases, int32_t start, int32_t n);
// The smallest group size >= n (and >= 2) whose compaction of nCases cases
// fits the capacity.
int32_t FitGroupSize(int32_t nCases, int32_t n, int32_t capacity = kParseCapacity);

// cases[k] is case k (index 0 unused, as the store keeps it); compacts cases
// start..nCases by n into means[g] and sds[g] (population: divided by the
// group's own count). Whole groups: sums in double, each deviation squared
// in single precision; the partial group in double throughout. Writes at
// most `capacity` entries and returns how many it wrote (0 for n < 1 or an
// empty range).
int32_t CompactSeries(const float* cases, int32_t nCases, int32_t start, int32_t n, float* means, float* sds,
                      int32_t capacity);

// ---- Time averaging ---------------------------------------------------------
// Items of the time-unit pop-up: 1 days, 2 hours, 3 minutes, 4 seconds, 5
// samples (offered when no time unit holds five samples: the desired
// interval is then a number of samples).
inline constexpr int16_t kParseDays = 1, kParseHours = 2, kParseMinutes = 3, kParseSeconds = 4,
                         kParseSamples = 5;
// The unit offered first for a recording of nCases samples interval s apart.
int16_t DefaultParseUnit(int32_t nCases, float interval);

struct ParseInterval {
  int32_t blockSize = 0;   // cases per group; 0 when the wish is under one sample
  float achieved = 0;      // blockSize samples in the unit, single precision
  int32_t intervals = 0;   // nCases div blockSize; 0 without a block size
};
// The group size nearest below the wanted interval in the unit.
ParseInterval RealTimeParse(float wanted, int16_t unit, float interval, int32_t nCases);
// TimeUnits of the saved table for a unit: 2 hours for days or hours, 1
// minutes, 0 seconds otherwise.
int16_t TimeUnitsOfParseUnit(int16_t unit);

// ---- Adapter ------------------------------------------------------------------
// Compacts every channel of the slot by n from case 1 into ParseArray rows c
// and c + 32; parse[0] = n and parse[1] = the entries written. progress is
// called after each channel with the channels done. False (nothing changed)
// for an empty slot or n < 2.
bool CompactSlot(int16_t slot, int32_t n, const std::function<void(int16_t done)>& progress = {});
