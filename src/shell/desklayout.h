// Where the windows that belong to a plot window stand on the desk. Under
// the plot window two columns: at the plot's left the results window
// (window 4), right of it the comments box and, below that, the block
// window. So the statistics never cover the block window where its limits
// are set, and no title bar lies under another window. Pure; global
// coordinates of content rectangles (a frame is a title bar higher).
#pragma once

#include <vector>

#include "platform/types.h"

// The results window (475 wide with the cross-channel box) and a gap: the
// comments box and the block window start right of it.
inline constexpr int kResultsColumnWidth = 479;

// Rows a toolbar standing below the plot window takes from the windows under
// it; they all move down by as much. 0 when it stands elsewhere. Set by the
// toolbar as it is built.
extern int ToolbarBandBelowPlot;

// Top of the comments box: plot frame top + bottom line + 106.
int CommentsBoxTop(int plotFrameTop, int bottomOfPlotArea);
// Top of the block window: frame top + bottom line + 159 (99 with the
// comments box hidden), lowered where a title bar of this height would
// reach into the comments box.
int BelowCommentsTop(int plotFrameTop, int bottomOfPlotArea, bool commentsHidden, int titleBarHeight);
// Top of the results window: its title bar just below the plot window,
// whose content ends 38 below the bottom line.
int ResultsWindowTop(int plotFrameTop, int bottomOfPlotArea, int titleBarHeight);
// The results window at the plot's content left (15 further right when
// shifted), 475 wide with the cross-channel box and 450 without, `height`
// high but ending at the desk's bottom, and never below 120.
plat::Rect ResultsWindowRect(int plotLeft, int top, int height, int deskBottom, bool crossChannel, bool shifted);
// The results window `content` made `height` tall: down as far as the desk
// allows, then higher, over the plot's lower part, so that its lowest
// controls stay on the desk; its title bar never above `topLimit`. Cut only
// where the desk is shorter than the window. Never made shorter.
plat::Rect GrownResultsWindow(plat::Rect content, int height, int deskBottom, int topLimit);

// Where a dialog whose content was asked for at `content` stands: on the
// desk (below the menu bar, its title bar included, its bottom at the desk's
// edge at most) and clear of `obstacle` (a floating window's frame; empty:
// none), below it, else above it, else right of it, wherever the whole
// frame fits. A dialog that fits nowhere clear keeps its place on the desk.
plat::Rect PlaceDialog(plat::Rect content, int titleBar, plat::Rect obstacle, plat::Size desk, int menuBar);

// Where a command's second window (content `size`) stands beside its results
// window (`results`, a frame): right of it at its top, else right of it
// below one of the windows in `keep` (frames: comments box, block window,
// toolbar, front plot), the first place on the desk clear of the results window and of
// all of `keep`; never below the results window, which may grow. Where the desk has no such room: right of the
// results window below `comments` (the comments box's frame; empty: none),
// held on the desk. Returns the content rectangle.
plat::Rect PlaceSecondWindow(plat::Size size, plat::Rect results, const std::vector<plat::Rect>& keep,
                             plat::Rect comments, plat::Size desk, int titleBar, int menuBar);
