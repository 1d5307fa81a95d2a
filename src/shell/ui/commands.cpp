#include "shell/ui/commands.h"

#include "shell/dispatch.h"
#include "shell/ui/about.h"

void RegisterAllCommands() {
  RegisterShellCommands();
  RegisterHelpCommands();
  RegisterOpenCommands();
  RegisterSaveCommands();
  RegisterFileInfoCommands();
}
