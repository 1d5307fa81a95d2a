// Time within value limits, the integral of the in-limit values, and the
// runs above and below two trigger levels. Pure functions over plain arrays;
// the window (analyses/ui/timeintegrate.cpp) shows and records the results.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/pages.h"

// Seconds of the integration unit ids 65 s, 67 h, 228 days; any other id
// (66 minutes among them) counts as minutes.
double LimitUnitSeconds(int16_t unit);
// " sec", " hr", " day", " min" by the same rule.
const char* LimitUnitSuffix(int16_t unit);

// One pass over cases first..last of y: how many lie in lo <= y <= hi, and
// the sums of those and of all values (double).
struct LimitScan {
  int64_t inLimits = 0;
  double sumIn = 0.0, sumAll = 0.0;
};
LimitScan ScanLimits(std::span<const float> y, int32_t first, int32_t last, float lo, float hi);

// Time within limits: the intervals between the first and the last in-limit
// case when all are in limits, i.e. count - 1, never below 0.
struct TimeWithin {
  int64_t intervals = 0;
  float time = 0.0f;          // interval * intervals / unit seconds
  float percent = 0.0f;       // of last - first intervals; 0 for a one-case span
};
TimeWithin TimeWithinLimits(const LimitScan& s, int32_t first, int32_t last, double interval, int16_t unit);

// The integral of the in-limit values and its share of the whole.
struct SelectiveIntegral {
  float in = 0.0f, all = 0.0f;   // sums * interval / unit seconds
  float percent = 0.0f;          // capped at 100
  bool shareDefined = false;     // false when the whole integral is 0 ("--")
};
SelectiveIntegral SelectiveIntegrate(const LimitScan& s, double interval, int16_t unit);

// ---- Event counting ----------------------------------------------------------------
struct EventRequest {
  int32_t first = 0, last = 0;   // the span, cases first..last
  float upper = 0.0f;            // G: upper events are runs with y >= G
  float lower = 0.0f;            // L: lower events are runs with y <= L
  double interval = 1.0;         // seconds per case
  float minDuration = 0.0f;      // D: an event is kept only when longer
};

// One kept event: cases start..start + cases - 1. The count keeps no more:
// a noisy trace has hundreds of thousands of runs, and the window shows only
// their number and durations; the values' statistics are made for the
// details file (EventStatistics).
struct EventRun {
  int32_t start = 0;
  int32_t cases = 0;
};

// An event with its duration and the statistics of its values.
struct EventRecord {
  int32_t start = 0;
  int32_t cases = 0;
  float duration = 0.0f;       // interval * cases, single precision
  double mean = 0.0, sd = 0.0; // population SD of the event's values
  float minimum = 0.0f, maximum = 0.0f;
};

// The event's values case by case from its first, their sums taken about
// that first value so that a large offset keeps its spread. No case outside
// the event is read.
EventRecord EventStatistics(std::span<const float> y, EventRun e, double interval);

struct DurationStats {
  int32_t n = 0;
  double mean = 0.0, sd = 0.0;   // population SD
  float minimum = 0.0f, maximum = 0.0f;
};

// Each direction's list keeps its block for the next count: the user counts
// again with other levels, and mapping the fresh pages of a long list cost
// the kernel more than writing its records.
struct UpperEventsKind;
struct LowerEventsKind;
template <class Kind>
using EventList = std::vector<EventRun, KeepsLastBlock<EventRun, Kind>>;

inline constexpr int kEventBins = 25;
struct EventCount {
  int32_t allUp = 0, allDown = 0;          // every run (a lower run in progress at the start not counted)
  EventList<UpperEventsKind> up;           // kept events, by start case
  EventList<LowerEventsKind> down;
  DurationStats upStats, downStats;
  // The duration histogram: bins 1..25 of width (hi - lo) / 25 over the
  // kept durations of the directions that have any; index 0 unused.
  float histLo = 0.0f, histHi = 0.0f;
  std::array<int32_t, kEventBins + 1> upBins{}, downBins{};
  int32_t maxBin = 0;
};

// A run ends at the first case beyond the level and is complete, even when
// that case is the span's last; a run still going at the last case counts in
// "all" but is never kept. No case outside first..last is read. A long span
// is counted in parts on several threads, with the same result.
EventCount CountEvents(std::span<const float> y, const EventRequest& r);
// The same count without the wider vector instructions the processor may
// offer, which CountEvents uses where it has them: the tests hold both to
// one result.
EventCount CountEventsBaseline(std::span<const float> y, const EventRequest& r);
// The same count with the span cut into `parts` pieces counted side by side
// and joined, however short it is (CountEvents cuts only long spans): the
// tests hold every cut to one result.
EventCount CountEventsInParts(std::span<const float> y, const EventRequest& r, int parts, bool wide);

// Rate unit of the details file, item 1..5 of its pop-up (none, /sec, /min,
// /hour, /day); any other item counts as 1.
struct EventRateUnit {
  const char* text;
  double divisor;
};
EventRateUnit EventRateUnitOf(int item);

// The event-details file's bytes (UTF-8 from the program's text of names and
// labels, LF line ends, tab-separated): header lines and one row per kept
// event, upper before lower at an equal start. Case numbers are the store's,
// which counts from 1: the span and each start as they are.
struct EventFileHeader {
  std::string fileName, date, label;   // date "MM/dd/yy"
  int32_t cases = 0;
  int16_t channels = 0, channel = 0;
  double startHours = 0.0;             // of the file's start time
};
std::string EventDetailsText(const EventFileHeader& h, std::span<const float> y, const EventRequest& r, const EventCount& c,
                             int rateItem);

// The level under row v of the block window: BlockMinY + (UpperLimit - 2 -
// v) * (BlockMaxY - BlockMinY) / (UpperLimit - 4), in single precision.
float TriggerLevelAt(int v, float minY, float maxY, int upperLimit);
