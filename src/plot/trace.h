// The trace of one channel as line segments: per-pixel-column reduction to
// the column's extremes (with connectors between columns) when three or more
// cases share a column, a polyline otherwise, and bars in histogram mode.
// The result is a list of point pairs for one Port::drawSegments call.
//
// A min/max level-of-detail table per channel lets a column spanning many
// cases be reduced without reading every sample; the result is identical to
// a raw scan.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/types.h"
#include "plot/autoscale.h"
#include "plot/geometry.h"

namespace plotcore {

// ---- Level-of-detail table -----------------------------------------------------
// Extremes of finite samples per block of 16 cases, of 256 and of 4096
// (about an eighth of the data's size in all). Immutable once built.
class LodTable {
 public:
  static constexpr size_t kFine = 16;
  static constexpr size_t kCoarse = 256;
  static constexpr size_t kTop = 4096;

  LodTable() = default;
  // Builds the table over data[0..count-1].
  LodTable(const float* data, size_t count);

  size_t count() const { return count_; }
  bool empty() const { return count_ == 0; }
  // Extremes of data[first..last] (inclusive, clamped to the table); `data`
  // must be the array the table was built from.
  Extremes query(const float* data, int64_t first, int64_t last) const;
  // Extremes of the consecutive runs data[starts[i] .. starts[i + 1] - 1],
  // i < nRuns, in one forward walk over the levels; an empty run gets lo > hi.
  void runExtremes(const float* data, const int64_t* starts, size_t nRuns, float* lo, float* hi) const;
  size_t bytes() const;

  // Each level in groups of 16 entries, the 16 lows then the 16 highs, so
  // that the entries a run's end takes lie on two neighbouring cache lines
  // and are read a vector at a time. The last group is filled out with
  // empty entries (lo > hi).
  static constexpr size_t kGroup = 16;

 private:
  void walkRun(const float* data, int64_t from, int64_t to, float* lo, float* hi) const;
  size_t count_ = 0;
  bool negativeZero_ = false;   // some sample is -0.0: the order of equal extremes decides a sign
  std::vector<float> fine_, coarse_, top_;
};

// The vector width runExtremes uses: the widest the processor offers, or,
// for tests, the baseline's.
void UseBaselineLodLanesForTest(bool baseline);

struct TraceParams;

// The extremes of every pixel column of a trace with three or more cases per
// column: column cFirst + i holds lo[i]..hi[i] (lo > hi: no finite case) and
// zeroAfter[i] tells whether the case after it, within the trace, is an exact
// 0. Depends only on the samples and the span (first, last, x0, xStep), which
// it keeps, so a change of scale, clip or colour reuses it.
struct TraceColumns {
  bool columnMode = false;
  int32_t nCases = 0, first = 0, last = 0;
  double x0 = 0, xStep = 0;
  int64_t cFirst = 0;
  std::vector<float> lo, hi;
  std::vector<uint8_t> zeroAfter;
  bool sameSpan(int32_t n, const TraceParams& p) const;
};
// All columns in one call; `lod` (built over data[0..nCases]) spares reading
// the samples of long columns, with the same result.
TraceColumns ColumnExtremes(const float* data, int32_t nCases, const TraceParams& p, const LodTable* lod);

// Tables keyed by (slot, channel), built on first use. A command that
// changes a channel's samples in place calls InvalidatePlotLod; a changed
// array address or length is noticed by itself, and so is a change to any
// of 64 spread-out samples (a rewritten channel, or a new channel given the
// freed array of a deleted one).
class LodCache {
 public:
  // The table of that channel, built now when absent or stale.
  const LodTable& get(int16_t slot, int16_t channel, const float* data, size_t count);
  // Returns nullptr when no current table exists (never builds).
  const LodTable* peek(int16_t slot, int16_t channel, const float* data, size_t count) const;
  // The trace columns of that channel over p's span, from its table; kept
  // until the table is rebuilt or invalidated or another span is asked for,
  // so that a redraw of an unchanged view only paints.
  const TraceColumns& columns(int16_t slot, int16_t channel, const float* data, int32_t nCases,
                              const TraceParams& p);
  // The columns of channels[i] (samples data[i]) over p's span, for every
  // i < count, the channels side by side on the processor's cores: the
  // strips of the stacked view share their span, and where one column ends
  // and the next begins each channel is read on a page of its own, which one
  // core fetched one after another. Afterwards columns() of each only reads.
  void prepareColumns(int16_t slot, const int16_t* channels, const float* const* data, size_t count,
                      int32_t nCases, const TraceParams& p);
  void invalidate(int16_t slot, int16_t channel);
  void invalidateSlot(int16_t slot);
  void clear();
  size_t builds() const { return builds_; }  // how many tables were built
  size_t columnComputations() const { return columnComputations_; }

 private:
  struct Entry {
    const float* data = nullptr;
    size_t count = 0;
    uint64_t probe = 0;  // of the spread-out samples the table was built from
    bool valid = false;
    LodTable table;
    bool columnsValid = false;
    TraceColumns columns;
  };
  static constexpr int kSlots = 18, kChannels = 33;
  Entry entries_[kSlots][kChannels];
  std::atomic<size_t> builds_ = 0, columnComputations_ = 0;
};
// The program's one cache, and the entry points commands call after they
// changed a channel (or every channel of a file, or closed it).
LodCache& PlotLodCache();
void InvalidatePlotLod(int16_t slot, int16_t channel);
void InvalidatePlotLodSlot(int16_t slot);

// ---- Trace reduction ---------------------------------------------------------
// Arguments of Draw_PLOT_LINE plus what it reads from globals.
struct TraceParams {
  int32_t first = 0;        // as passed (first case drawn: first > 0 ? first : 1)
  int32_t last = 0;         // as passed; held to nCases
  double yZero = 0;         // y of value 0 (whole number; may lie far off the plot)
  float yScale = 0;         // pixels per data unit
  double x0 = 0;            // x before the first case
  double xStep = 1;         // pixels per case (> 0)
  bool clip = false;        // hold y inside [clipTop, clipBottom]
  int16_t clipTop = 19;
  int16_t clipBottom = 0;   // B - 3 in the single view
  bool manualClamp = false; // clip and Manual scale: values above maximumValue drawn at it
  float maximumValue = 0;
  float minimumValue = 0;   // with maximumValue: decides the histogram base
  bool histogram = false;   // PlotAsHistogram
  int16_t bottomOfPlotArea = 0;  // B: the histogram base is never below it
};

// The clip band of Draw_PLOT_LINE: single view (word 7 = 0) top 19, bottom
// B - 3; stacked view m from nVar elements 9 (bottom + 30) and 8 (height):
// bottom = trunc(e9 - 30), top = trunc(bottom - e8), top raised to 19 unless
// m = 2, both moved down 30 for m = 3.
void ClipBand(int16_t view, int16_t bottomOfPlotArea, float nVar8, float nVar9, int16_t* top,
              int16_t* bottom);

struct TraceResult {
  // Point pairs (from, to) for drawSegments: vertical extreme lines and
  // connectors, polyline steps, or bars.
  std::vector<plat::Point> segments;
  plat::Point penStart;       // where the pen was placed before the first case
  bool columnMode = false;    // three or more cases per pixel column
  int penWidth = 1;           // trunc(xStep) for bars, else 1
  int minimumYposition = 0;   // y of the low end of the last column drawn
  int32_t casesDrawn = 0;     // first case .. last case actually used
};

// Draw_PLOT_LINE over data[0..nCases] (nCases + 1 floats). Column c holds
// every case whose x = x0 + (k - k0 + 1) xStep truncates to c; a column is
// drawn at the pixel of the column that follows it, the last one too.
// Non-finite samples are left out of the columns and the polyline.
// With `lod`, columns of many cases read the table instead of the samples
// (same result); with `columns` of the same span (LodCache::columns), nothing
// is read but the cases around the pen.
TraceResult ReduceTrace(const float* data, int32_t nCases, const TraceParams& p,
                        const LodTable* lod = nullptr, const TraceColumns* columns = nullptr);

// y of value v: trunc(yZero - v yScale), held to the band when clip is set
// (and to the 16-bit range always).
int TraceY(float v, const TraceParams& p);

// ---- The trace rows of the single view ---------------------------------------
// Draw_PLOT_LINE arguments (first, last, yZero, x0, xStep) for the zoomed,
// paged, expanded and compressed views of DrawPlot; yZero from B, yScale and
// minimumValue as each row computes it. For the expanded view the channel
// number matters (channel 0 draws up to ScreenWidth).
struct TraceCall {
  int32_t first = 0, last = 0;
  double yZero = 0;
  double x0 = 0, xStep = 1;
  bool expanded = false;   // "expanded <Xstep>X " is written after it
};
TraceCall MainTraceCall(const ViewState& v, int16_t bottomOfPlotArea, float yScale, float minimumValue,
                        int16_t channel);

// ---- Compacted traces ------------------------------------------------------------
// Polyline of the group means of a compaction (p cases per group, `groups`
// groups computed), for the paged, expanded and compressed views; y of a
// group B - rint((mean - min) yScale + 5.6) (expanded: without + 5.6), held
// to 19..B-3. `offset` is the first case of a time-aligned compaction.
// Also returns the points (for circles) and SD bars when asked.
struct CompactedTrace {
  std::vector<plat::Point> segments;  // point pairs of the joining lines
  std::vector<plat::Point> points;    // each group's point
  std::vector<plat::Point> sdBars;    // point pairs of the SD bars
};
CompactedTrace CompactedTraceFor(const ViewState& v, const float* means, const float* sds, int32_t groups,
                                 int32_t casesPerGroup, int16_t bottomOfPlotArea, float yScale,
                                 float minimumValue, int32_t offset, bool sdBars);

}  // namespace plotcore
