#include "shell/ui/commands.h"

#include "shell/dispatch.h"
#include "shell/ui/about.h"
#include "shell/ui/prefsdialog.h"
#include "shell/ui/startup.h"

void RegisterAllCommands(std::span<const Registrar> registrars) {
  InstallShellHooks();
  RegisterShellCommands();
  RegisterHelpCommands();
  RegisterPreferencesCommands();
  for (const Registrar r : registrars) r();
}
