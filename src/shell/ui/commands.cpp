#include "shell/ui/commands.h"

#include "platform/windows.h"
#include "shell/dispatch.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/ui/about.h"
#include "shell/ui/menubar.h"
#include "shell/ui/prefsdialog.h"
#include "shell/ui/sounds.h"

namespace {

void playStoreSound(const char* name) { PlayNamedSound(name); }

}  // namespace

void InstallShellHooks() {
  InstallMenuHooks();
  gStoreHooks.playSound = playStoreSound;
  gDispatchHooks.refreshMenus = [] {
    SETMENU(0);
    FixMenuSEVEN();
  };
  gDispatchHooks.closeWindow = [](int16_t window) { plat::disposeWindow(window); };
  gDispatchHooks.playSound = [](const char* sound) { PlayNamedSound(sound); };
  gDispatchHooks.rebuildChannelPopup = RebuildChannelMenu;
}

void RegisterAllCommands(std::span<const Registrar> registrars) {
  InstallShellHooks();
  RegisterShellCommands();
  RegisterHelpCommands();
  RegisterPreferencesCommands();
  for (const Registrar r : registrars) r();
}
