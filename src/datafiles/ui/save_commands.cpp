#include "datafiles/ui/merge_dialog.h"
#include "datafiles/ui/open.h"
#include "datafiles/ui/save_dialog.h"
#include "shell/dispatch.h"
#include "shell/ui/commands.h"

void RegisterSaveCommands() {
  RegisterCommand(Cmd::Save, [](int16_t) { SAVEDATAFILE(0, 1, 0); });
  RegisterCommand(Cmd::SaveAs, [](int16_t) { SAVEDATAFILE(1, 0, 0); });
  // The merge picks run the open command with MergeThisFile set; it hands
  // them on to the merge.
  gOpenHooks.merge = MERGEFILE;
}
