#include "analyses/crosschan.h"

#include <algorithm>

#include "shell/globals.h"
#include "shell/store.h"

std::array<ChannelConditions, 33> CrossChanSelect{};

int32_t EvaluateSelection(std::span<const float* const> channels, std::span<const ChannelConditions> conds,
                          int32_t caseCount, std::span<float> flags) {
  if (caseCount < 1 || flags.size() < static_cast<size_t>(caseCount) + 1) return 0;
  float* f = flags.data();
  std::fill(f + 1, f + caseCount + 1, 1.0f);
  // Channel by channel, so each pass reads one contiguous array.
  for (size_t c = 1; c <= channels.size() && c < conds.size(); ++c) {
    const ChannelConditions& cc = conds[c];
    const float* x = channels[c - 1];
    if (!cc.any() || !x) continue;
    for (int32_t k = 1; k <= caseCount; ++k) {
      const float v = x[k];
      const bool fails = (cc.greater && v < cc.greaterValue) || (cc.less && v > cc.lessValue) ||
                         (cc.equal && !(v == cc.equalValue));
      if (fails) f[k] = 0.0f;
    }
  }
  int32_t selected = 0;
  for (int32_t k = 1; k <= caseCount; ++k) selected += f[k] != 0.0f;
  return selected;
}

int32_t BuildCrossChanIndex() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!SlotHoldsFile(slot)) return -1;
  const int32_t n = nCases[slot];
  float* flags = BackupCache.region(kBackupSelection, int64_t{n} + 1);
  if (!flags) return -1;
  std::array<const float*, 32> chans{};
  const int16_t k = std::min<int16_t>(nChannels[slot], 32);
  for (int16_t c = 1; c <= k; ++c) chans[static_cast<size_t>(c - 1)] = ChannelData(slot, c);
  const int32_t selected = EvaluateSelection(std::span<const float* const>(chans.data(), static_cast<size_t>(k)),
                                             CrossChanSelect, n, {flags, static_cast<size_t>(n) + 1});
  flags[0] = static_cast<float>(selected);
  SetSelectionIndexOwner(slot);
  return selected;
}
