#include "editing/integrate.h"

#include "shell/globals.h"

void DeriveSamples(const float* src, float* dst, int32_t nCases) {
  if (nCases < 1) return;
  for (int32_t k = nCases; k >= 1; --k) dst[k] = src[k] - src[k - 1];
  dst[0] = dst[1];
}

void IntegrateSamples(const float* src, float* dst, int32_t nCases) {
  if (nCases < 0) return;
  float sum = src[0];
  dst[0] = sum;
  for (int32_t k = 1; k <= nCases; ++k) {
    sum = src[k] + sum;
    dst[k] = sum;
  }
}

std::string IntegralLabel(bool derivative, std::string_view label) {
  return std::string(derivative ? "\xB6 " : "\xBA ") + std::string(label);
}

StoreStatus MakeIntegralChannel(int16_t slot, int16_t source, bool derivative, bool toNewChannel,
                                std::string_view label, int16_t* target) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return StoreStatus::NoFile;
  if (source < 1 || source > nChannels[slot]) return StoreStatus::BadChannel;
  int16_t c = source;
  if (toNewChannel) {
    const StoreStatus st = AddChannel(slot);
    if (st != StoreStatus::Ok) return st;
    c = nChannels[slot];
  } else if (slot == static_cast<int16_t>(TheFileInUse)) {
    const StoreStatus st = MAKEBACKUP(c);
    if (st != StoreStatus::Ok) return st;
  }
  SetChannelLabel(slot, c, label);
  const float* src = ChannelData(slot, source);
  float* dst = ChannelData(slot, c);
  if (derivative) DeriveSamples(src, dst, nCases[slot]);
  else IntegrateSamples(src, dst, nCases[slot]);
  FileSHORTS[slot][kShortChanged] = 1;
  ChangedChan = c;
  if (!toNewChannel) LastChan = c;
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, c);
  if (target) *target = c;
  return StoreStatus::Ok;
}
