// The printed picture of a file: which cases it shows, where its strips lie,
// the time-of-day index and the texts of its sampling lines. Pure: the
// printing command draws what these return. Page rows grow downwards; the
// plot spans x 50 to 882 whatever the screen's width.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kPageLeft = 50;
inline constexpr int kPageRight = 882;
inline constexpr int kPagePlotWidth = 832;
inline constexpr int kPageStripsTop = 45;
inline constexpr int kPageStripsHeight = 420;

struct PrintRange {
  int32_t start = 1, end = 1;
};
// The segment on screen (s, W cases a segment), the whole file when it is
// shown compressed or fits the screen, the block with "Block Only".
PrintRange PrintedRange(int32_t nCases, int16_t screenWidth, int16_t segment, bool compressed, bool blockOnly,
                        int32_t beginBlock, int32_t endBlock);
// Pixels per case: 832 / (end - start); a range of one case spans the plot.
double PrintXScale(const PrintRange& r);

struct PrintStrip {
  int16_t channel = 0;
  int height = 0, bottom = 0;
  int top() const { return bottom - height; }
};
// Equal strips: h = 420 div k, the i-th (from 1) with its bottom at 45 + i h.
// Custom (relativeHeights, one per channel, from the custom-height dialog,
// k > 1): the same 420 rows shared in proportion, so the strips fill the
// band and never reach the time index below it.
std::vector<PrintStrip> PrintStrips(const std::vector<int16_t>& channels, const std::vector<float>& relativeHeights,
                                    bool custom);

// "ts" and "te" of the printed range: minutes when te >= 600 s, each cut to
// one decimal (truncated).
struct RangeTimes {
  std::string start, end;
};
RangeTimes PrintedRangeTimes(const PrintRange& r, float interval);

// The time-of-day index: ticks on an hour scale, or a day scale for a range
// over four days. Ticks are 832-pixel-plot columns; labels only where they
// neither crowd the last one nor pass the page's right edge.
struct IndexTick {
  int x = 0;
  bool drawn = false;       // tick mark (skipped while the step is under 3 pixels)
  std::string label;        // empty: none
};
struct TimeIndex {
  bool dayScale = false;
  double pixelsPerUnit = 0;
  std::vector<IndexTick> ticks;
};
// t0: start of the recording in seconds of the day; pageRight: the right
// edge of the page window. Never more ticks than columns: a step under 2
// pixels gives no ticks at all.
TimeIndex SITimeIndex(int32_t startOfDaySeconds, const PrintRange& r, float interval, int pageRight);

// The label a marker prints with, as the plot shows it: codes above 200 as
// the number code - 200 ("203" reads "3"); a printable Mac Roman character
// as itself; any other code as its number.
std::string PrintedMarkerLabel(int32_t code);

// "T days/hours/minutes/seconds" of a recording T seconds long.
std::string RecordingLengthText(double seconds);
// Name of the acquisition device by its code.
const char* AcquisitionDeviceName(float code);
