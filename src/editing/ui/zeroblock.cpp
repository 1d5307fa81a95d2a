#include "editing/ui/zeroblock.h"

#include "editing/blockset.h"
#include "editing/editstep.h"
#include "plot/ui/redraw.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

int16_t ZEROBLOCK(float value, int16_t quiet) {
  action = 0;
  eventID = 0;
  const int16_t slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return 0;
  const int16_t ch = ActiveChannel;
  if (ch < 1 || ch > nChannels[slot]) return 0;
  const int32_t b = BeginBlock[slot], e = EndBlock[slot];
  if (b < 0 || e < 0 || b > nCases[slot] || e > nCases[slot]) return 0;
  if (quiet == 0) {
    if (MAKEBACKUP(ch) != StoreStatus::Ok) {
      ShowAlert("There is not enough memory for an undo copy: no block was set.");
      return 0;
    }
    LastChan = ch;
  }
  if (!SetBlockCases(ChannelData(slot, ch), nCases[slot], b, e, value)) return 0;
  MarkChannelEdited(slot, ch);
  RefreshPLOTBLOCK(0);
  if (quiet == 0) {
    if (prefsArray[7] > 25) downvip();
    UpdateSCREEN(0, 0);
  }
  return 1;
}

KeepBlockOnFailure::KeepBlockOnFailure(int16_t slot)
    : slot_(slot), state_(FileSHORTS[slot][kShortBlockState]), begin_(BeginBlock[slot]), end_(EndBlock[slot]) {}

KeepBlockOnFailure::~KeepBlockOnFailure() {
  if (std::uncaught_exceptions() <= unwinding_) return;
  BeginBlock[slot_] = begin_;
  EndBlock[slot_] = end_;
  FileSHORTS[slot_][kShortBlockState] = state_;
}
