// Start-up registration: the shell's own commands and hooks, then every
// subsystem's registrar. The program's list of registrars lives in its
// composition root (app/registrars.cpp); the shell knows none of them.
#pragma once
#include <span>

// Registers a subsystem's commands with the dispatcher and installs every
// hook the subsystem answers.
using Registrar = void (*)();

// The shell's GUI hooks of the dispatcher, the store and the menus.
void InstallShellHooks();

// The shell's own: its hooks (InstallShellHooks), its toggles, Help, About
// and Preferences; then the registrars in their order (lower subsystems
// first, so that a later one may build on what an earlier installed).
void RegisterAllCommands(std::span<const Registrar> registrars);
