#include "editing/ui/fileedit_commands.h"

#include "editing/ui/cropfile.h"
#include "editing/ui/cutblock.h"
#include "editing/ui/rearrange.h"
#include "editing/ui/timescale_dialog.h"
#include "shell/dispatch.h"

void RegisterFileEditCommands() {
  RegisterCommand(Cmd::CutBlock, [](int16_t) { CUTBLOCK(0); });
  RegisterCommand(Cmd::CutBlockAll, [](int16_t) { CUTBLOCK(1); });
  RegisterCommand(Cmd::RemoveMarkersInBlock, [](int16_t) { RemoveMarkersFromBlock(); });
  RegisterCommand(Cmd::CropFile, [](int16_t) { CROPFILE(); });
  RegisterCommand(Cmd::CutChannel, [](int16_t) { CUTCHANNEL(); });
  RegisterCommand(Cmd::AdjustTimeScale, [](int16_t) { AdjustTimeScale(); });
  RegisterCommand(Cmd::Rearrange, [](int16_t) { REARRANGE(); });
}
