// Moving through a recording in its plot window: the whole-file view, zoom
// to the block and back, the page slider and paging keys, bringing a case
// into view, and the bar-chart trace. All act on TheFileInUse.
#pragma once
#include <cstdint>

// Toolbar button 588 and control 1: a zoomed view goes back to the paged
// view (words 6 and 4 cleared); a file no longer than one plot width stays
// as it is; otherwise word 4 flips and the plot is redrawn.
void WholeFileViewToggle();
// View "Zoom In": the block spread over the plot width (zoomleft, zoomright,
// word 6), the zoom animation, the redraw. Without a block of at least two
// cases only "bzot".
void ZOOMIN();
// View "Zoom Out": the view the zoom started from, showing the segment
// where the zoomed span began. Nothing when the view is not zoomed.
void ZOOMOUT();
// Shows segment s as the page slider does: a zoomed view is left (and the
// whole-file view with it); segments outside 1..word 13 keep the old one.
// In the whole-file view the segment is remembered, not drawn.
void ShowSegment(int16_t segment);
// The page slider was moved: the segment it shows is drawn (leaving a
// zoomed view); a segment outside 1..word 13 keeps the old one.
void PageSliderMoved();
// Paging keys: one segment left (-1) or right (+1), wrapping round at
// either end. Nothing for a file no longer than one plot width.
void PageStep(int direction);
// Brings case k of a slot into view: the file to the front, then the
// segment holding k when the paged view does not show it (a zoomed view
// is left when k lies outside it; the whole-file view shows every case).
void ShowCaseInPlot(int16_t slot, int32_t caseNumber);
// View "Plot as Histogram": PlotAsHistogram flips and the plot is redrawn.
void TogglePlotAsHistogram();
