// Stepped sampling: blocks of a fixed duration laid out forwards and
// backwards from a start point, each reduced to mean, extremes and SD.
// Pure functions over plain arrays; the window in analyses/ui draws them.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct SteppedRequest {
  double blockSeconds = 60.0;   // SteppedSampleInterval
  double skipSeconds = 180.0;   // SteppedSampleSkip
  double dt = 1.0;              // sample interval, s
  int32_t left = 1, right = 0, start = 0;   // case indices, 1 <= left <= start <= right <= nCases
  bool scatter = false;         // the scatter plot's layout: one case fewer per block and skip
};

struct SteppedLayout {
  int32_t nb = 0;       // a block reduces nb + 1 cases
  int32_t step = 0;     // cases from one block start to the next
  int32_t nBefore = 0, nAfter = 0;
  int32_t first = 0;    // first block start
  int32_t count() const { return nBefore + nAfter; }
};

enum class SteppedStatus { Ok, BadEndPoints, DurationTooLong, NoStep, PastTheFile, BlockNotPositive };
const char* SteppedStatusText(SteppedStatus s);

// The layout of the blocks, or a refusal: end points out of order or outside
// 1..nCases, a block of 0 s or less, a block or skip that does not fit a
// 32-bit case count, a step of 0 cases, or a block reaching past the last case.
SteppedStatus LayoutSteppedBlocks(const SteppedRequest& r, int64_t nCases, SteppedLayout* out);

struct SteppedRow {
  int32_t position = 0;     // block start - start point, cases
  double dtSeconds = 0.0;   // position * dt
  int32_t startCase = 0;    // b (the user's numbering: index + 1 of the first case)
  int32_t endCase = 0;      // b + nb
  bool interpolated = false;
};
struct SteppedStats {
  float mean = 0, min = 0, max = 0, sd = 0;   // population SD, divisor nb + 1
};

// The rows of a layout, in block order.
std::vector<SteppedRow> SteppedRows(const SteppedLayout& l, int32_t start, double dt);

// Mean, extremes and SD of each block of one channel (cases b - 1 .. b + nb - 1,
// or b .. b + nb for the scatter layout), in one read of the channel per block.
// The SD is taken about the double mean (the stored mean is its float).
// `interp` (may be empty) holds the interpolation flags; a block with any
// non-zero flag sets interpolatedOut[k] when that is given.
std::vector<SteppedStats> SteppedBlockStats(std::span<const float> channel, const SteppedLayout& l, bool scatter,
                                            std::span<const float> interp = {},
                                            std::vector<bool>* interpolatedOut = nullptr);

// The vertical range of the step plot: the block means of rows 3 .. N - 2 (in
// the user's numbering); with fewer than 5 blocks, all of them. Equal extremes
// are widened so that no scale divides by 0.
void SteppedMeanRange(std::span<const SteppedStats> stats, float* lo, float* hi);

// The gray curve: for the block at the start point z and j = 1, 2, ..., the
// mean of rows z - j and z + j at |Dt| of z + j. Empty when no block lies at
// the start point.
struct SteppedPoint {
  double absDt;
  float value;
};
std::vector<SteppedPoint> SteppedFoldedMeans(std::span<const SteppedRow> rows, std::span<const SteppedStats> stats);

// The results file's bytes, for spreadsheets (UTF-8 from the program's text
// of names and labels, LF line ends): heading lines, one line per channel,
// the column heads and one row per block.
struct SteppedFileInput {
  std::string fileName, today;   // today as "MM/dd/yy"
  int64_t nCases = 0;
  int16_t nChannels = 0;
  std::string blockTyped, skipTyped;
  double dt = 1.0;
  int32_t start = 0;
  std::vector<int16_t> channels;             // at most 10, in channel order
  std::vector<std::string> labels;           // one per channel
  std::vector<SteppedRow> rows;
  std::vector<std::vector<SteppedStats>> stats;   // [channel][row]
};
std::string SteppedResultsText(const SteppedFileInput& in);

// At most ten picked channels, in channel order (picked[c] non-zero, c from 1).
std::vector<int16_t> SteppedSavedChannels(std::span<const uint16_t> picked, int16_t nChannels);
