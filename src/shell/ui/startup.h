// Start-up: defaults, preferences, the menu bar, the hooks, the commands,
// the splash, then documents or the file-type dialog until a file is open.
#pragma once
#include <filesystem>
#include <span>
#include <vector>

#include "shell/ui/commands.h"

inline constexpr int16_t kSplashWindow = 1401;

// Everything before the main loop. False when the user quit instead of
// opening a file.
bool StartUp(std::span<const Registrar> registrars, const std::vector<std::filesystem::path>& documents);
// StartUp, then the main loop until the user quits.
void RunCorvimet(std::span<const Registrar> registrars, const std::vector<std::filesystem::path>& documents);

void ShowSplash();
