// The Respirometry menu's commands and script operations.
#pragma once

// Gas exchange (menu items 1, 2, 5; operations 8, 9, 10), analyser humidity
// compensation (item 3, operation 35), the heat equivalents (items 9, 10),
// the effective volume (item 12),
// and the unit pop-up menus 41 and 42.
void RegisterRespirometryCommands();
