// Where the toolbar window goes and where its buttons sit. Pure.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/types.h"

namespace plotcore {

enum class ToolbarPlace : int16_t { Left = 0, Bottom = 1, Top = 2 };
// prefsArray word 33; anything else is the left strip.
ToolbarPlace ToolbarPlaceOf(int16_t word33);
// The place after a click on the toolbar's close box: left, bottom, top, left...
ToolbarPlace NextToolbarPlace(ToolbarPlace p);

struct ToolSlot {
  int16_t id = 0;
  int16_t width = 0;
  int16_t gap = 0;   // before the button
};
// The buttons in layout order with their widths and gaps.
const std::vector<ToolSlot>& ToolbarSlots(ToolbarPlace p);

struct PlacedTool {
  int16_t id = 0;
  plat::Rect r;
};
// Rows from x 6, y 1; a button that would cross `limit` (the window width)
// starts a new row 23 pixels lower at x 6 without its gap. Buttons are 21
// high in the bars and 23 in the left strip, so that rows touch but never
// overlap.
std::vector<PlacedTool> LayoutToolbar(ToolbarPlace p, int limit);

// Content rectangles (global) of the toolbar and, where it has to make
// room, the plot window's new content top-left.
struct ToolbarFrame {
  plat::Rect toolbar;
  bool movePlot = false;
  plat::Point plotTopLeft;
};
// plot: the plot window's content rectangle. Left: (2, 40)-(91, 440 or 706
// when the screen is at least 481 high), the plot moved right to x 92 when
// left of it. Bottom: 24 high, 18 below the plot, 22 narrower. Top: 24
// above the plot; when the plot is within 60 of the desk top the toolbar
// goes to 37 and the plot down to 85.
ToolbarFrame ToolbarFrameFor(ToolbarPlace p, plat::Rect plot, int screenHeight);

}  // namespace plotcore
