// Geometry of the stacked view: where each shown channel's strip lies, which
// cases a strip spans and where its grid, zero line and end-of-data line go.
// Pure: the plot window draws what these return.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "plot/geometry.h"

namespace plotcore {

// One shown channel's strip as the per-channel words hold it: height (word 8)
// and bottom row + 30 (word 9).
struct StripPlace {
  int16_t channel = 0;
  float height = 0;
  float bottomPlus30 = 0;
  friend bool operator==(const StripPlace&, const StripPlace&) = default;
};

// Equal strips for the channels whose flag is set (shown[c], c = 1..nChannels;
// shown has nChannels + 1 entries). Stacked: h = trunc((B - 19) / k), word 9 =
// i h + 49 for the i-th shown channel (from 1); otherwise the display-height
// layout h = trunc((ScreenHeight - 113) / k), word 9 = i h + 14. No flag set
// shows channel 1 alone.
std::vector<StripPlace> EqualStrips(const uint16_t* shown, int16_t nChannels, bool stacked, int16_t screenHeight,
                                    int16_t bottomOfPlotArea);

// Rows of a strip from its words: bottom = trunc(word 9 - 30), top = trunc(bottom - word 8).
struct StripRows {
  int top = 0, bottom = 0;
};
StripRows RowsOfStrip(float height, float bottomPlus30);

// Cases a strip draws and the pixels per case, for Draw_PLOT_LINE with x0 0.
// Zoomed: zoomleft..zoomright; block (printblock): BeginBlock..EndBlock;
// paged: SW (s - 1) + 1 .. min(nCases, SW s) at Xstep; compressed: 0..nCases.
struct StripSpan {
  int32_t first = 0, last = -1;
  double xStep = 1;
};
StripSpan StackedSpan(const ViewState& v, bool blockOnly, int32_t beginBlock, int32_t endBlock);

// Baseline of a strip's trace: trunc(bottom - 0.5 + yScale min).
double StripBaseline(int bottom, float yScale, float minimum);

// Rows of the four grid lines: trunc(bottom - i h / 5), i = 1..4.
std::vector<int> StripGridRows(int bottom, int height);

// Row of the zero line when min < 0 < max: top + trunc((bottom - top) max / (max - min)).
std::optional<int> StripZeroRow(int top, int bottom, float minimum, float maximum);

// x of the end-of-data line of a paged strip when the data end inside the
// segment: nCases Xstep - SW (s - 1). Nothing for a block-only or compressed
// strip, or a file that fills the segment.
std::optional<int32_t> StripEndOfDataX(const ViewState& v, bool blockOnly);

}  // namespace plotcore
