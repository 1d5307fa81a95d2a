#include "shell/ui/commands.h"

#include "shell/dispatch.h"

void RegisterAllCommands() {
  RegisterShellCommands();
  RegisterOpenCommands();
  RegisterSaveCommands();
  RegisterFileInfoCommands();
}
