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

// Height of the content that shows every row of buttons laid out in
// `width`: the last row's bottom and one pixel of margin each side.
int ToolbarRowsHeight(ToolbarPlace p, int width);

// The toolbar's content width at the left as built, and the least any place
// takes.
inline constexpr int kLeftToolbarWidth = 89;
inline constexpr int kLeastToolbarWidth = 80;
// The narrowest width, kLeastToolbarWidth at least, whose rows fit in `room`
// (the desk's rows below the toolbar's content top): narrowed past it, a left
// toolbar ran as one column off the desk with its grow box.
int ToolbarLeastWidth(ToolbarPlace p, int room);

// The desk the toolbar goes on (global coordinates).
struct ToolbarDesk {
  int top = 22;           // first row below the menu bar
  int height = 900;       // bottom of the desk
  int titleBar = 16;      // the toolbar window's own title bar
};
// Content rectangle (global) of the toolbar sized to its rows, and where the
// plot window has to make room.
struct ToolbarFrame {
  plat::Rect toolbar;
  bool movePlot = false;
  plat::Point plotTopLeft;   // the plot window's new frame top-left
  // Rows the windows under the plot (comments box, block and results
  // windows) leave free for a toolbar standing between them and the plot.
  int bandBelowPlot = 0;
};
// plot: the plot window's frame rectangle. Left: from (2, 40) at least its
// title bar below the desk top, 89 wide, as high as its rows; the plot moved
// right to x 92 when left of it. Bottom: 22 narrower than the plot, its
// title bar 2 below the plot, as high as its rows; the windows under the
// plot move down by what it takes. Top: the same width, ending 2 above the
// plot; when that leaves the desk, the toolbar goes to the desk top and the
// plot down below it.
ToolbarFrame ToolbarFrameFor(ToolbarPlace p, plat::Rect plot, const ToolbarDesk& desk);

// Rows a toolbar above or below the plot takes (its frame and a gap each
// side) from the windows under the plot, for a plot frame `plotWidth` wide.
int ToolbarBand(ToolbarPlace p, int plotWidth, const ToolbarDesk& desk);
// How much of that band the plot gives up from its height, so that the
// results window (its usual 356 rows under a title bar) still ends on the
// desk: none on a tall desk, at most the band.
int PlotHeightGivenToToolbar(int band, int plotContentBottom, int titleBar, int deskHeight);

// Content rectangle (global) of the plot window of the `index`-th open file
// (from 0) with the toolbar at `p`; `home` is the first file's content as
// built for the display. Below a toolbar above, and shorter by what a
// toolbar above or below takes where the desk is short. A later file's
// window cascades right and down (PlotWindowCascade) with its bottom kept:
// the windows under the plot stand in one place whichever file is in front,
// and no title bar or data bar lies under a toolbar above. Never past the
// display's right edge, never below the least plot height: on a short desk
// the cascade steps less.
plat::Rect PlotWindowContentFor(ToolbarPlace p, plat::Rect home, int index, plat::Size display,
                                const ToolbarDesk& desk, int titleBar);

}  // namespace plotcore
