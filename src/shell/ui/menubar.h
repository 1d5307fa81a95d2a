// The menu bar on the desk: built once from the menu table, then kept in
// step with the rules (SETMENU), the open files (FixMenuSEVEN) and the
// current file's channels.
#pragma once
#include <cstdint>
#include <functional>

#include "shell/menurules.h"

// Items whose command exists but whose file kind or merge this build lacks
// stay off; the data-file registrar answers. Unset, none is held back.
struct MenuBarHooks {
  std::function<bool(MenuPick)> itemLacking;
};
extern MenuBarHooks gMenuBarHooks;

// Builds every menu and submenu of the table and puts the bar menus on the
// desk; menus that need a file start disabled.
void MAINMENU();
// Lets SETMENU and FixMenuSEVEN reach the desk's menus and the toolbar.
void InstallMenuHooks();

void ApplyMenuState(const MenuState& state);
void ApplyWindowMenu(const WindowMenu& menu);
// Channel menu (5) of the current file: one item per channel.
void RebuildChannelMenu();
// Moves the Window menu's check mark to the file of the front plot window.
void CheckFrontFileInWindowMenu();
