// Marks and labels of the clock-time axis under the plot: full hours, or
// full days for views longer than three days. Pure: the window draws what
// this returns (erase strip, grid lines in XOR, ticks, label texts).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plotcore {

// Seconds after midnight of a "hh:mm:ss" start time (characters 1-2, 4-5 and
// the last two; blanks read as zeros); 0 when unreadable.
int32_t StartSecondsOf(std::string_view startTime);

enum class TimeAxisKind { None, DaysCompressed, DaysPaged, Hours };

struct TimeAxisInput {
  int32_t startSeconds = 0;   // t0
  double interval = 0;        // FileInfoFLOATS word 1, seconds per case
  int32_t nCases = 0;
  int16_t screenWidth = 0;    // W
  int16_t segment = 1;        // FileSHORTS word 1
  bool compressed = false;    // word 4
  bool zoomed = false;        // word 6
  int32_t zoomLeft = 0, zoomRight = 0;  // clamped zoom span
  int16_t axisY = 0;          // y of the axis (B - 3)
  bool labels = true;         // prefsArray word 21
  bool gridLines = false;     // prefsArray word 19
  int16_t timeGridLimit = 1;  // TimeGridLimit
};

struct TimeMark {
  int x = 0;
  int32_t number = 0;     // hour 1..24 or day number
  bool grid = false;      // grid line from (x, 18) to (x, gridBottom)
  bool tick = false;      // tick from (x, axisY) to (x, axisY + 3)
};
struct TimeLabel {
  int x = 0;              // start of the text
  int baselineY = 0;      // axisY + 15
  std::string text;       // "hr 24", "day 1", then plain numbers
};
struct TimeAxis {
  TimeAxisKind kind = TimeAxisKind::None;
  double pixelsPerUnit = 0;
  int gridBottom = 0;     // axisY - 3 for days, axisY - 7 for hours
  int eraseTop = 0, eraseBottom = 0;  // strip y .. y + 16, x 0 .. 3000
  std::vector<TimeMark> marks;
  std::vector<TimeLabel> labels;
};

// The axis for a view. No marks when the interval is not positive, when a
// unit spans less than 2 pixels or the view has no width; never loops
// without end.
TimeAxis ComputeTimeAxis(const TimeAxisInput& in);

}  // namespace plotcore
