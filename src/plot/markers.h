// Where markers and note buttons go on the plot, and which case a click
// marks. Pure: the plot window draws what these return.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"
#include "plot/geometry.h"
#include "shell/store.h"

namespace plotcore {

// Label of a marker code (low 16 bits, signed): above 200 the number code -
// 200 ("203" reads "3"), else the one Mac Roman character of the code.
std::string MarkerLabel(int32_t code);

// x of case k as the trace places it: zoomed (k - zl) SW / (zr - zl); paged
// Xstep (k - SW (s - 1)); a file no longer than the plot Xstep k; compressed
// k SW / nCases.
double MarkerX(const ViewState& v, double k);

struct MarkerLabelAt {
  int x = 0;
  std::string text;
};
// Lines (point pairs, for one batched call) and labels of the markers with
// 0 < x <= SW. Labels only when the window width divided by the count of
// markers strictly inside the plot (all of them when compressed or short)
// is at least 10, or when none is visible. Markers on one case give one
// line and one label, their texts joined by a blank.
struct MarkerDrawing {
  std::vector<plat::Point> lines;
  std::vector<MarkerLabelAt> labels;
  int32_t visible = 0;
};
MarkerDrawing LayoutMarkers(const ViewState& v, const std::vector<MarkerRecord>& markers, int contentWidth,
                            int16_t bottomOfPlotArea);

// Case marked by a click at x: zoomed zl + x (zr - zl) / SW, else
// (s - 1) SW + x / Xstep (integer arithmetic).
int32_t MarkerCaseAtClick(const ViewState& v, int x);

// Page the marker panel shows for a zoomed view: the one whose columns hold
// the middle case of the zoom (case k sits at column k - SW (s - 1) of page
// s), held to 1..SegmentCount.
int32_t PageHoldingZoom(int32_t zoomLeft, int32_t zoomRight, int32_t nCases, int16_t screenWidth);

// Button of note n at the case written in its case text (the number it
// starts with; 0 when it has none): 10 wide around x, 10 high from row y.
plat::Rect NoteButtonRect(const ViewState& v, const std::string& caseText, int y);

}  // namespace plotcore
