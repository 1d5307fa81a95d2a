// The About box and the help book.
#pragma once
#include <cstdint>

inline constexpr int16_t kAboutWindow = 15;
inline constexpr int16_t kAboutOK = 1;

// Opens our help page for HelpSubject (the index when it has none).
void OpenHelpBook();
// Opens the help page of a subject; when no browser can be started, an
// alert names the page's file so that the user can open it.
void OpenHelpPage(int subject);
void ShowAboutBox();
// The Help menu: About and the help book.
void RegisterHelpCommands();
