#include "datafiles/ui/close.h"
#include "datafiles/ui/open.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/ui/commands.h"
#include "shell/ui/mainloop.h"

void RegisterOpenCommands() {
  RegisterCommand(Cmd::FileLoading, [](int16_t) { FILELOADING(); });
  RegisterCommand(Cmd::CloseFile, [](int16_t) { CloseFileSlot(static_cast<int16_t>(TheFileInUse)); });
  RegisterCommand(Cmd::CloseSeveralFiles, [](int16_t) { CloseSeveralFiles(); });
  RegisterCommand(Cmd::Quit, [](int16_t) { QuitProgram(); });
  RegisterCommand(Cmd::ActivateFile, [](int16_t slot) { BringFileToFront(slot); });
}
