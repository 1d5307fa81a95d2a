#include "editing/ui/editing_commands.h"

#include "editing/smoothing.h"
#include "editing/ui/copychannel.h"
#include "editing/ui/smoothing.h"
#include "plot/ui/redraw.h"
#include "scripts/steptable.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"

namespace {

void undoLastChange() {
  if (TheFileInUse >= kMaxOpenFiles || !UndoAvailable(static_cast<int16_t>(TheFileInUse))) return;
  if (UNDO() != StoreStatus::Ok) return;
  // The labels may have come back too: the whole view, not one strip.
  RefreshSCREEN();
}

}  // namespace

void RegisterEditingCommands() {
  RegisterCommand(Cmd::Undo, [](int16_t) { undoLastChange(); });
  RegisterCommand(Cmd::CopyChannel, [](int16_t) { COPYCHAN(1); });
  RegisterScriptOp(kCopyChannelOp, [](int16_t) { COPYCHAN(1); });
  // The menu and the gas-exchange chain pass the item number: a start from
  // the menu is step 0. The automatic smoothing other commands ask for
  // (the waveform's "3 X 3 Block Smooth") passes through.
  RegisterCommand(Cmd::Smoothing, [](int16_t a) { SMOOTHING(a == kSmoothingAutomatic ? a : 0); });
  RegisterScriptOp(kSmoothingOp, [](int16_t step) { SMOOTHING(step); });
}
