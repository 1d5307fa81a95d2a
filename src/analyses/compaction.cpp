#include "analyses/compaction.h"

#include <algorithm>
#include <cmath>

#include "shell/store.h"
#include "shell/worktables.h"

int32_t CompactionGroups(int32_t nCases, int32_t start, int32_t n) {
  if (n < 1 || start < 1 || nCases < start) return 0;
  const int64_t cases = int64_t{nCases} - start + 1;
  const int64_t whole = cases / n;
  return static_cast<int32_t>(whole + (cases - whole * n >= 2 ? 1 : 0));
}

int32_t FitGroupSize(int32_t nCases, int32_t n, int32_t capacity) {
  n = std::max(n, 2);
  if (capacity < 1) return n;
  // Near the smallest fitting size at once, then up to it: a long file must
  // not take a million steps.
  const auto least = static_cast<int32_t>(std::max<int64_t>(2, int64_t{nCases} / capacity));
  n = std::max(n, least);
  while (CompactionGroups(nCases, 1, n) > capacity) ++n;
  return n;
}

int32_t CompactSeries(const float* cases, int32_t nCases, int32_t start, int32_t n, float* means, float* sds,
                      int32_t capacity) {
  if (!cases || n < 1 || start < 1 || nCases < start || capacity < 1) return 0;
  const int64_t count = int64_t{nCases} - start + 1;
  const int64_t whole = std::min<int64_t>(count / n, capacity);
  for (int64_t g = 0; g < whole; ++g) {
    const float* x = cases + start + g * n;
    double sum = 0;
    for (int32_t k = 0; k < n; ++k) sum += x[k];
    const auto mean = static_cast<float>(sum / n);
    double sq = 0;
    for (int32_t k = 0; k < n; ++k) {
      const float d = x[k] - mean;
      sq += d * d;
    }
    means[g] = mean;
    sds[g] = static_cast<float>(std::sqrt(sq / n));
  }
  const int64_t left = count - (count / n) * n;
  if (whole < count / n || left < 2 || whole >= capacity) return static_cast<int32_t>(whole);
  const float* x = cases + start + whole * n;
  double sum = 0;
  for (int64_t k = 0; k < left; ++k) sum += x[k];
  const double mean = sum / static_cast<double>(left);
  double sq = 0;
  for (int64_t k = 0; k < left; ++k) sq += (x[k] - mean) * (x[k] - mean);
  means[whole] = static_cast<float>(mean);
  sds[whole] = static_cast<float>(std::sqrt(sq / static_cast<double>(left)));
  return static_cast<int32_t>(whole + 1);
}

int16_t DefaultParseUnit(int32_t nCases, float interval) {
  const double len = std::trunc(static_cast<double>(nCases) * interval);
  if (len > 431999) return kParseDays;
  if (len >= 18000 && interval <= 720) return kParseHours;
  if (len >= 300 && interval <= 12) return kParseMinutes;
  if (len >= 5 && interval <= 0.2f) return kParseSeconds;
  return kParseSamples;
}

ParseInterval RealTimeParse(float wanted, int16_t unit, float interval, int32_t nCases) {
  ParseInterval r;
  float perUnit = 1;
  switch (unit) {
    case kParseDays: perUnit = 86400; break;
    case kParseHours: perUnit = 3600; break;
    case kParseMinutes: perUnit = 60; break;
    case kParseSamples: perUnit = interval; break;
    default: perUnit = 1; break;
  }
  if (!(interval > 0) || !(wanted > 0) || !std::isfinite(wanted)) return r;
  const float n = std::trunc(perUnit * wanted / interval);
  if (!(n >= 1) || n > static_cast<float>(INT32_MAX / 2)) return r;
  r.blockSize = static_cast<int32_t>(n);
  r.achieved = static_cast<float>(r.blockSize) * interval / perUnit;
  r.intervals = nCases / r.blockSize;
  return r;
}

int16_t TimeUnitsOfParseUnit(int16_t unit) {
  if (unit == kParseDays || unit == kParseHours) return 2;
  if (unit == kParseMinutes) return 1;
  return 0;
}

bool CompactSlot(int16_t slot, int32_t n, const std::function<void(int16_t)>& progress) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot) || n < 2 || nCases[slot] < 1) return false;
  const int32_t capacity = std::min(ParseArray.cols(), kParseCapacity);
  int32_t written = 0;
  for (int16_t c = 1; c <= nChannels[slot] && c <= kMaxChannels; ++c) {
    const float* data = ChannelData(slot, c);
    float* means = ParseArray.row(c);
    float* sds = ParseArray.row(c + kMaxChannels);
    if (data && means && sds) written = CompactSeries(data, nCases[slot], 1, n, means, sds, capacity);
    if (progress) progress(c);
  }
  parse[0] = n;
  parse[1] = written;
  return true;
}
