#include "editing/ui/editing_commands.h"

#include "editing/ui/copychannel.h"
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
}
