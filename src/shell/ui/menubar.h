// The menu bar on the desk: built once from the menu table, then kept in
// step with the rules (SETMENU), the open files (FixMenuSEVEN) and the
// current file's channels.
#pragma once
#include <cstdint>

#include "shell/menurules.h"

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
