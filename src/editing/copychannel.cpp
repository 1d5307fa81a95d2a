#include "editing/copychannel.h"

#include <algorithm>
#include <new>

#include "shell/textutil.h"

int16_t StoreChan = 0;

std::string FftCopyLabel(int16_t blockChannel, int32_t abUnit) {
  return "FFT: channel" + NumText(blockChannel) + ";" + NumText(2.0 * static_cast<double>(abUnit)) + " points    ";
}

namespace {

std::string& snapshotString(int16_t slot, int16_t channel) {
  std::string& s = OldLabelStrings[slot][(channel - 1) / kLabelsPerString + 1];
  if (s.size() < static_cast<size_t>(kLabelsPerString * kLabelWidth)) s.resize(kLabelsPerString * kLabelWidth, ' ');
  return s;
}

void putSnapshotLabel(int16_t slot, int16_t channel, const std::string& label) {
  std::string& s = snapshotString(slot, channel);
  s.replace(static_cast<size_t>((channel - 1) % kLabelsPerString) * kLabelWidth, kLabelWidth, label);
}

}  // namespace

StoreStatus DuplicateChannel(int16_t slot, int16_t source, std::string_view label, int16_t* newChannel) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return StoreStatus::NoFile;
  if (source < 0 || source > nChannels[slot]) return StoreStatus::BadChannel;
  if (nChannels[slot] >= kMaxChannels) return StoreStatus::TooManyChannels;
  const int16_t c = static_cast<int16_t>(nChannels[slot] + 1);
  // Whatever asks for memory comes before the channel is added.
  std::string fitted;
  try {
    fitted = FitLabel(label);
    snapshotString(slot, c);
  } catch (const std::bad_alloc&) {
    return StoreStatus::OutOfMemory;
  }
  const StoreStatus st = AddChannel(slot);
  if (st != StoreStatus::Ok) return st;
  const ChannelArray& from = gPointersToFileData[slot][source];
  ChannelArray& to = gPointersToFileData[slot][c];
  std::copy_n(from.begin(), std::min(from.size(), to.size()), to.begin());
  std::copy_n(nVar[slot][source].begin(), 14, nVar[slot][c].begin());
  nVar[slot][c][1] = nVar[slot][source][1] + kCopyMark;
  SetChannelLabel(slot, c, fitted);
  putSnapshotLabel(slot, c, fitted);
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, c);
  StoreChan = c;
  if (newChannel) *newChannel = c;
  return StoreStatus::Ok;
}

StoreStatus AddChannelHolding(int16_t slot, std::span<const float> samples, std::string_view label,
                              int16_t* newChannel) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return StoreStatus::NoFile;
  if (samples.size() != static_cast<size_t>(nCases[slot]) + 1) return StoreStatus::BadRange;
  if (nChannels[slot] >= kMaxChannels) return StoreStatus::TooManyChannels;
  // The label is made before the channel is added: nothing after may fail.
  std::string fitted;
  try {
    fitted = FitLabel(label);
  } catch (const std::bad_alloc&) {
    return StoreStatus::OutOfMemory;
  }
  const StoreStatus st = AddChannel(slot);
  if (st != StoreStatus::Ok) return st;
  const int16_t c = nChannels[slot];
  std::copy(samples.begin(), samples.end(), gPointersToFileData[slot][c].begin());
  SetChannelLabel(slot, c, fitted);
  FileSHORTS[slot][kShortChanged] = 1;
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, c);
  if (newChannel) *newChannel = c;
  return StoreStatus::Ok;
}
