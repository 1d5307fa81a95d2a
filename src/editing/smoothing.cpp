#include "editing/smoothing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"

int16_t nSmooth = 0;
int16_t nCycles = 0;

namespace {

constexpr int16_t kSamples[kSmoothingButtons] = {3, 5, 7, 9, 11, 15, 19, 25, 35, 51};
// The running window sum is summed afresh this often, so that rounding in
// data of widely different magnitudes cannot build up along a long channel.
constexpr int32_t kResumEvery = 4096;

double meanOf(const float* w, int32_t lo, int32_t hi) {
  double sum = 0.0;
  for (int32_t k = lo; k <= hi; ++k) sum += w[k];
  return sum / static_cast<double>(hi - lo + 1);
}

}  // namespace

int16_t SmoothingSamples(int16_t button) {
  return kSamples[std::clamp<int16_t>(button, 1, kSmoothingButtons) - 1];
}

void ToScriptStep(const SmoothingSettings& s, float (&step)[28]) {
  step[4] = static_cast<float>(s.button);
  step[5] = static_cast<float>(s.cycles);
  step[6] = s.upper;
  step[7] = s.lower;
  step[8] = s.conditional ? 1.0f : 0.0f;
}

SmoothingSettings FromScriptStep(const float (&step)[28]) {
  SmoothingSettings s;
  const float b = std::isfinite(step[4]) ? step[4] : 1.0f;
  s.button = static_cast<int16_t>(std::clamp(b, 1.0f, static_cast<float>(kSmoothingButtons)));
  const float c = std::isfinite(step[5]) ? std::trunc(step[5]) : 1.0f;
  s.cycles = static_cast<int32_t>(std::clamp(c, 1.0f, static_cast<float>(kMaxSmoothingCycles)));
  s.upper = step[6];
  s.lower = step[7];
  s.conditional = step[8] != 0.0f;
  return s;
}

int32_t SmoothingCyclesFromText(std::string_view text) {
  return static_cast<int32_t>(std::clamp(std::trunc(TextToNum(text)), 1.0, static_cast<double>(kMaxSmoothingCycles)));
}

float SmoothingLimitFromText(std::string_view text) {
  const double v = TextToNum(text);
  if (std::fabs(v) > std::numeric_limits<float>::max()) return std::copysign(std::numeric_limits<float>::infinity(), v);
  return static_cast<float>(v);
}

SmoothingRange SmoothingSpan(int32_t nCases, int16_t samples, int32_t b, int32_t e) {
  const int32_t h = samples / 2;
  b = std::clamp(b, 0, std::max(nCases, 0));
  e = std::clamp(e, 0, std::max(nCases, 0));
  if (b > e) std::swap(b, e);
  return {std::max(b - h, 0), std::min(e + h, nCases)};
}

void SmoothCycle(float* data, float* work, int32_t nCases, int16_t samples, SmoothingRange r) {
  if (nCases < 1 || r.start < 0 || r.end > nCases || r.start >= r.end) return;
  std::memcpy(work, data, (static_cast<size_t>(nCases) + 1) * sizeof(float));
  const int32_t h = samples / 2;
  const int32_t start = r.start, end = r.end;
  // Case 0 is a lead-in element and never enters an interior window.
  const int32_t s = start <= 1 ? start + h + 1 : start + h;
  const double invN = static_cast<double>(1.0f / static_cast<float>(samples));

  const int32_t lastInterior = end - h;
  if (s <= lastInterior) {
    for (int32_t chunk = s; chunk <= lastInterior; chunk += kResumEvery) {
      double sum = 0.0;
      for (int32_t k = chunk - h; k <= chunk + h; ++k) sum += work[k];
      data[chunk] = static_cast<float>(invN * sum);
      const int32_t last = std::min(lastInterior, chunk + kResumEvery - 1);
      for (int32_t i = chunk + 1; i <= last; ++i) {
        sum += static_cast<double>(work[i + h]) - static_cast<double>(work[i - h - 1]);
        data[i] = static_cast<float>(invN * sum);
      }
    }
  }
  // Start of the file: below case h, and from the file's first cases up to
  // the first interior case, so that no case there is left unsmoothed.
  const int32_t startEdgeLast = std::min(start <= 1 ? s - 1 : std::min(start + h - 1, h - 1), end);
  for (int32_t j = start; j <= startEdgeLast; ++j)
    data[j] = static_cast<float>(meanOf(work, start, std::min(2 * j - start + 1, end)));
  // End of the file.
  for (int32_t j = std::max(end - h + 1, start); j <= end; ++j)
    if (j > nCases - h) data[j] = static_cast<float>(meanOf(work, std::max(2 * j - end - 1, start), end));
}

void RestoreOutsideLimits(float* data, const float* before, SmoothingRange r, float upper, float lower) {
  for (int32_t j = r.start; j <= r.end; ++j) {
    const float o = before[j];
    if (o > upper || o < lower) data[j] = o;
  }
}

void SmoothChannelData(float* data, float* work, const float* before, int32_t nCases, const SmoothingSettings& s,
                       SmoothingRange r, const std::function<void(int32_t)>& afterCycle) {
  const int16_t n = SmoothingSamples(s.button);
  const int32_t cycles = std::max(s.cycles, 1);
  for (int32_t c = 1; c <= cycles; ++c) {
    SmoothCycle(data, work, nCases, n, r);
    if (afterCycle) afterCycle(c);
  }
  if (s.conditional && before) RestoreOutsideLimits(data, before, r, s.upper, s.lower);
}

std::string SmoothingLogText(int16_t samples, int32_t cycles, SmoothingRange r) {
  return "smoothed" + NumText(samples) + " points by" + NumText(cycles) + " cycles, from" + NumText(r.start) + " to" +
         NumText(r.end);
}

// ---- Adapter ----------------------------------------------------------------------

const char* SmoothingStatusText(SmoothingStatus s) {
  switch (s) {
    case SmoothingStatus::Ok: return "";
    case SmoothingStatus::NoFile: return "No file is open.";
    case SmoothingStatus::BadChannel: return "The channel to smooth does not exist.";
    case SmoothingStatus::NoUndoCopy:
      return "The values before smoothing are not at hand, so the limits cannot be applied. Nothing was smoothed.";
  }
  return "";
}

SmoothingStatus SmoothStoredChannel(int16_t slot, int16_t channel, const SmoothingSettings& s, bool blockOnly,
                                    SmoothingRange* used, const std::function<void(int32_t)>& afterCycle) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return SmoothingStatus::NoFile;
  if (channel < 1 || channel > nChannels[slot]) return SmoothingStatus::BadChannel;
  float* data = ChannelData(slot, channel);
  float* work = ChannelData(slot, 0);
  if (!data || !work) return SmoothingStatus::BadChannel;
  const int32_t cases = nCases[slot];
  const float* before = nullptr;
  if (s.conditional) {
    before = BackupCache.view(kBackupUndo);
    if (!before || BackupCache.heldFloats(kBackupUndo) < static_cast<int64_t>(cases) + 1)
      return SmoothingStatus::NoUndoCopy;
  }
  const int16_t n = SmoothingSamples(s.button);
  const SmoothingRange r =
      blockOnly ? SmoothingSpan(cases, n, BeginBlock[slot], EndBlock[slot]) : SmoothingSpan(cases, n, 0, cases);
  SmoothChannelData(data, work, before, cases, s, r, afterCycle);
  if (used) *used = r;
  FileSHORTS[slot][kShortChanged] = 1;
  ChangedChan = channel;
  LastChan = channel;
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, channel);
  return SmoothingStatus::Ok;
}
