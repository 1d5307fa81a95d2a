// The acquisition summary (window 444) of the current file, and the
// registrar of the file's windows.
#pragma once
#include <cstdint>

#include "editing/ui/filewindows.h"
#include "platform/types.h"

// The editing subsystem's registrar (file information, file data, and the
// comments editor the comments box opens).
void RegisterFileInfoCommands();

// Modes: 0 the channel colour legend; 1 the full summary, waiting until the
// user dismisses it; 2 the full summary over the comments editor, which
// closes it; 3 the full summary over window 4. The texts are not used: the
// window always shows TheFileInUse. Modes 0, 2 and 3 leave window 444 open.
void FILEINFO(const plat::MacText& name, const plat::MacText& date, const plat::MacText& time,
              int16_t mode);
// One calibration-table row of a channel of TheFileInUse into the current
// window, baseline at y + 10.
void A_to_D_INFO(int16_t channel, int16_t y);
