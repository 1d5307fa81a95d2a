#include "datafiles/close.h"

#include "shell/store.h"

std::vector<int16_t> OpenFileSlots() {
  std::vector<int16_t> out;
  for (int16_t s = 0; s < kMaxOpenFiles; ++s)
    if (SlotHoldsFile(s) && nCases[s] > 0 && nChannels[s] > 0) out.push_back(s);
  return out;
}

bool FileChanged(int16_t slot) {
  return ValidFileSlot(slot) && SlotHoldsFile(slot) && FileSHORTS[slot][kShortChanged] != 0;
}

std::vector<int16_t> ChangedFileSlots() {
  std::vector<int16_t> out;
  for (int16_t s : OpenFileSlots())
    if (FileChanged(s)) out.push_back(s);
  return out;
}

std::vector<int16_t> WindowsClosedWith(int16_t slot, bool wasFrontFile) {
  std::vector<int16_t> out{static_cast<int16_t>(1000 + slot)};
  if (!wasFrontFile) return out;
  for (int16_t id : {2, 3, 4, 6}) out.push_back(id);
  for (int16_t id = 151; id <= 174; ++id) out.push_back(id);
  out.push_back(1200);
  return out;
}

int16_t FileToActivateAfterClose(int16_t closed) {
  for (int16_t s : OpenFileSlots())
    if (s != closed) return s;
  return -1;
}

std::string SaveChangesQuestion(const std::string& fileName, CloseReason why) {
  return "Save changes to '" + fileName + "' before " + (why == CloseReason::Quit ? "quitting?" : "closing?");
}
