// Any bytes as the second file of a merge: the first byte picks appending or
// stacking and the channels; the rest is read as a native file. The merge is
// refused with the open file unchanged, or done within the store's limits.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "datafiles/merge.h"
#include "datafiles/native_binary.h"
#include "datafiles/repairs.h"
#include "shell/store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  DataFileImage in;
  if (ParseNativeBinary(data + 1, size - 1, &in) != FileStatus::Ok) return 0;
  RepairImage(in);
  constexpr int16_t kSlot = 0;
  for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
  if (AllocateSlot(kSlot, 50, 2) != StoreStatus::Ok) std::abort();
  for (int32_t k = 0; k <= 50; ++k) PutDatum(kSlot, 1, k, static_cast<float>(k));
  const uint8_t pick = data[0];
  const MergeMode mode = pick & 1 ? MergeMode::Stack : MergeMode::Append;
  std::vector<int> picked;
  for (int c = 0; c < in.channels() && c < 8; ++c)
    if (pick & (2 << c) || mode == MergeMode::Append) picked.push_back(c);
  if (mode == MergeMode::Append) picked.resize(std::min<size_t>(picked.size(), 2));
  const std::vector<float> before = gPointersToFileData[kSlot][1];
  const FileStatus st = MergeImage(kSlot, in, picked, mode, "second");
  if (st != FileStatus::Ok) {
    if (nCases[kSlot] != 50 || nChannels[kSlot] != 2 || gPointersToFileData[kSlot][1] != before) std::abort();
  } else if (nChannels[kSlot] > kMaxChannels || nCases[kSlot] > kMaxCases ||
             gPointersToFileData[kSlot][1].size() != static_cast<size_t>(nCases[kSlot]) + 1) {
    std::abort();
  }
  FreeSlot(kSlot);
  return 0;
}
