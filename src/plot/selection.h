// Block selection with the mouse as pure arithmetic: which cases a drag, a
// pair of clicks or an automatic-block click selects in the paged,
// compressed and zoomed views, the pixel edges kept for the band, and the
// texts of the data bar while dragging, of the info line and the label line.
// Pixel and case products are taken in 64 bits or doubles.
#pragma once
#include <cstdint>
#include <string>

#include "plot/geometry.h"

// Half-width of an automatic block in cases and in pixels of the whole-file
// view. They belong to the automatic-block command, which sets them; defined
// here until it lands.
extern int32_t ABunit;
extern int32_t ABu;

namespace plotcore {

// Block states (FileSHORTS word 2).
inline constexpr int16_t kBlockNone = 0;
inline constexpr int16_t kBlockOneCase = 1;     // both edges on one case: no usable block
inline constexpr int16_t kBlockDefined = 2;
inline constexpr int16_t kBlockFirstEdge = 3;   // first click placed, second awaited

// What a gesture selects: the cases, the pixel edges (FileSHORTS words 11,
// 12; left <= right once the block is complete) and the new block state.
struct BlockPick {
  int32_t begin = 0, end = 0;
  int32_t leftPx = 0, rightPx = 0;
  int16_t state = kBlockNone;
  friend bool operator==(const BlockPick&, const BlockPick&) = default;
};

// Pixel edge kept for case k: the pointer x itself when zoomed, otherwise
// the shading edge of the case (compressed trunc(k / cases-per-pixel + 1),
// paged Xstep (k - first case of the segment)).
int32_t SelectionEdgePixel(const ViewState& v, int32_t k, int pointerX);

// A press at pressX released at releaseX (different columns), either way
// round. Begin at least 1, End at most nCases, in every view (a zoom span
// left by a longer file cannot carry the block past this file's end); the
// edges are the pointer columns when zoomed or when cases are expanded
// (Xstep > 1). A drag whose ends fall on one case leaves state 1.
BlockPick DragBlock(const ViewState& v, int pressX, int releaseX);

// First click of the two-click form: Begin from x (held to 0..nCases), End
// 0, state 3.
BlockPick FirstEdge(const ViewState& v, int x);
// Second click: End from x (held to 0..nCases); the pair is put in order;
// state 2, or 1 when both clicks fell on one case.
BlockPick SecondEdge(const ViewState& v, const BlockPick& first, int x);

// Automatic block of half-width abUnit cases around the case under x,
// held to 0..nCases (it may begin at case 0). abu is the half-width in
// pixels of the whole-file view, used for the edges of a zoomed view.
BlockPick AutoBlock(const ViewState& v, int x, int32_t abUnit, int32_t abu);

// ---- Data-bar read-out while dragging --------------------------------------------
// Elapsed time of s seconds: days above 172,800 s, else hours or minutes
// above 60 s (hours when above 60 min), else seconds.
std::string DragElapsedText(double seconds);
// Field 54: " #" + the case counted from 1 + ";  " + the elapsed time.
std::string DragCaseText(int32_t caseIndex, double seconds);
// Field 55: the clock time at s seconds after a start of startMinutes
// (minutes of the day), as " h:mm:ss". minuteOfDay receives the minute of
// the day, folded into one day, when not null.
std::string DragClockText(float startMinutes, double seconds, float* minuteOfDay = nullptr);
// Field 56: "value " + the value.
std::string DragValueText(float value);
// Cases spanned by a drag of dx pixels.
int32_t DragSpanCases(const ViewState& v, int dx);
// Field 17 while dragging: the duration of spanCases samples in seconds
// (below 120 s), minutes, hours or days, cut to 7 characters plus the unit.
std::string DragSpanText(float interval, int32_t spanCases);

// ---- Info line and label line -------------------------------------------------------
// Field 53: "mm-dd-" + "yy" + "@" + start time + ";  interval" + the
// interval + " sec".
std::string InfoLineText(const std::string& startDate, const std::string& startTime, float interval);
inline constexpr const char* kBlockSpanNone = "      none";
inline constexpr const char* kScriptRunningText = " Script Running\xC9 ";
inline constexpr const char* kRecordingScriptText = "      Recording Script\xC9";
// " step" + the count.
std::string StepCounterText(int32_t count);
// "new file; total saved = " + the count.
std::string TabularCounterText(int32_t count);

struct LabelLineInput {
  int16_t activeChannel = 1;
  int16_t nChannels = 0;
  std::string label;           // of the active channel, 30 bytes
  int32_t fftChannel = 0;      // chanB, named when channel 0 is active
  bool paged = false;          // longer than the plot and not compressed
  int32_t segment = 1, segments = 1;
  int16_t resultsPort = 0;     // 4 text file, 5 tabular file, 6 printer, else none
  std::string resultsFile;
};
std::string LabelLineText(const LabelLineInput& in);

}  // namespace plotcore
