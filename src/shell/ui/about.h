// The About box and the Help menu.
#pragma once
#include <cstdint>

inline constexpr int16_t kAboutWindow = 15;
inline constexpr int16_t kAboutOK = 1;

void ShowAboutBox();
// The Help menu: About and the help book.
void RegisterHelpCommands();
