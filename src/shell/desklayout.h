// Where the windows that belong to a plot window stand on the desk: under
// the plot area the comments box, right of the results column; under the
// comments box a row with the results window at the plot's left and the
// block window beside it, so that neither covers the other. Pure; global
// coordinates of content rectangles (a frame is a title bar higher).
#pragma once

#include "platform/types.h"

// The results window (475 wide with the cross-channel box) and a gap: the
// block window starts right of it.
inline constexpr int kResultsColumnWidth = 479;

// Top of the comments box: plot frame top + bottom line + 106.
int CommentsBoxTop(int plotFrameTop, int bottomOfPlotArea);
// Top of the row below the comments box (below the plot when the box is
// hidden): frame top + bottom line + 159 (99 hidden), lowered where a title
// bar of this height would reach into the comments box.
int BelowCommentsTop(int plotFrameTop, int bottomOfPlotArea, bool commentsHidden, int titleBarHeight);
// The results window (window 4) in that row: at the plot's content left
// (15 further right when shifted), 475 wide with the cross-channel box and
// 450 without, 220 high, or down to the desk's bottom but at least 120.
plat::Rect ResultsWindowRect(int plotLeft, int top, int deskBottom, bool crossChannel, bool shifted);
