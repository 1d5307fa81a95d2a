#include "shell/ui/commands.h"

#include "shell/dispatch.h"
#include "shell/ui/about.h"
#include "shell/ui/prefsdialog.h"

void RegisterAllCommands() {
  RegisterShellCommands();
  RegisterHelpCommands();
  RegisterOpenCommands();
  RegisterSaveCommands();
  RegisterFileInfoCommands();
  RegisterPlotCommands();
  RegisterOutputCommands();
  RegisterPreferencesCommands();
}
