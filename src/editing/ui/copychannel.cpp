#include "editing/ui/copychannel.h"

#include <string>

#include "editing/copychannel.h"
#include "editing/ui/editframe.h"
#include "platform/events.h"
#include "platform/windows.h"
#include "plot/selection.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"

int16_t COPYCHAN(int16_t redraw) {
  EditStep step = BeginEditStep(kCopyChannelOp, 0);
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot) || nChannels[slot] >= kMaxChannels) {
    WithdrawEditStep(step);
    return 0;
  }
  ClearMailbox();
  const int16_t source = ActiveChannel;
  const std::string label = source == 0 ? FftCopyLabel(static_cast<int16_t>(chanB), ABunit) : RetrieveLabel(source);
  int16_t copy = 0;
  // The log line is made before the copy is added: the copy never stands
  // without it.
  PendingEditLog log(slot);
  log.add(ChannelLogHeading(source) + "copy to new channel" + NumText(static_cast<int16_t>(nChannels[slot] + 1)));
  log.reserve();
  plat::setCursor(plat::CursorKind::Watch);
  const StoreStatus st = DuplicateChannel(slot, source, label, &copy);
  plat::setCursor(plat::CursorKind::Arrow);
  if (st != StoreStatus::Ok) {
    WithdrawEditStep(step);
    // Not the loading words: what was not done is said.
    ShowAlert(st == StoreStatus::OutOfMemory
                  ? std::string("Not enough memory for a new channel: the channel was not copied, and nothing was written.")
                  : std::string("The channel could not be copied. ") + StoreStatusText(st));
    return 0;
  }
  log.commit();
  ActiveChannel = copy;
  ActiveChannelArray[slot] = copy;
  FileSHORTS[slot][kShortActiveChannel] = copy;
  chanB = static_cast<uint16_t>(copy);

  if (redraw != 0 && plat::windowExists(PlotWindowId(slot))) {
    plat::setCurrentPort(PlotWindowId(slot));
    if (FileSHORTS[slot][kShortView] != 1) {
      FindMinMax();
      DrawPlot(0, 0, 0);
    } else if (FileSHORTS[slot][kShortBlockState] == 2) {
      DRAWBLOCK();
    }
  }
  FileSHORTS[slot][kShortChanged] = 1;
  MakeChannelSelectionsPopUp();
  RebuildChannelMenu();
  return 0;
}
