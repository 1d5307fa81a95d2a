// Small pieces the respirometry dialogs share: windows placed below the plot,
// buttons, fields and texts by id, waiting for the next event, and numbers
// typed into fields that must stay positive.
#pragma once
#include <cstdint>

#include "platform/controls.h"
#include "platform/types.h"

namespace respkit {

// The plot window's content (global), or where it would be.
plat::Rect PlotContentRect();
// A window of `width` x `height` below the plot area at global x `left`,
// moved up by -dy (kept on the display). Becomes the current port.
void OpenDialogWindow(int16_t id, const plat::MacText& title, int width, int height, int dy, int left,
                      bool closeBox = true);
void OpenDialogAt(int16_t id, const plat::MacText& title, plat::Rect content);

void AddPush(int win, int16_t id, const plat::MacText& title, plat::Rect r,
             plat::ButtonKind kind = plat::ButtonKind::Push, int state = 1);
void AddCheck(int win, int16_t id, const plat::MacText& title, plat::Rect r, bool marked, bool radio);
void AddField(int win, int16_t id, const plat::MacText& text, plat::Rect r);
void AddStatic(int win, int16_t id, const plat::MacText& text, plat::Rect r);
// Text on the baseline y at x, in the dialog face.
void DrawLabel(int win, int x, int y, const plat::MacText& text, bool blue = false);

// Clears the mailbox and pumps until an event arrives or a menu or toolbar
// pick waits.
void AwaitEvent();

// After a channel of the file in slot was computed: the results window
// closed, the file's plot in front and redrawn, the channel pop-up remade and,
// when the channel is new, the channel menu too.
void ShowEditedFile(int16_t slot, bool newChannel);

// The number typed in a field when it is a float above 0 (not infinite);
// otherwise the alert ("bzot") says so with the text typed, and old is kept.
float PositiveFieldOrKeep(int win, int16_t id, float old, const char* what);

}  // namespace respkit
