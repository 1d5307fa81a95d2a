// The About box and the help book.
#pragma once
#include <cstdint>

inline constexpr int16_t kAboutWindow = 15;
inline constexpr int16_t kAboutOK = 1;

// Opens our help page for HelpSubject (the index when it has none).
void OpenHelpBook();
void ShowAboutBox();
// The Help menu: About and the help book.
void RegisterHelpCommands();
