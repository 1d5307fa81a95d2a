#include "editing/ui/baseline_commands.h"

#include "editing/baseline.h"
#include "editing/ui/baseline.h"
#include "editing/ui/blockpick.h"
#include "shell/steptable.h"
#include "shell/dispatch.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/mainloop.h"

void RegisterBaselineCommands() {
  // The menu, the toolbar and the gas chain pass the item number: a start
  // from them is step 0.
  RegisterCommand(Cmd::FixBaseline, [](int16_t) { FixTheBASELINE(0); });
  RegisterScriptOp(kBaselineOp, [](int16_t step) { FixTheBASELINE(step); });
  RegisterCommand(Cmd::BlockSet, [](int16_t) { BLOCKSET(); });
  gMainLoopHooks.changeBlockClicked = [] {
    ChangeBlockButtonClicked = 0;
    BLOCKSET();
  };
}
