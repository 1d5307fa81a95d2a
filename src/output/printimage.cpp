#include "output/printimage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "shell/textutil.h"
#include "shell/timeunits.h"

PrintRange PrintedRange(int32_t nCases, int16_t screenWidth, int16_t segment, bool compressed, bool blockOnly,
                        int32_t beginBlock, int32_t endBlock) {
  PrintRange r{1, std::max(nCases, 1)};
  if (blockOnly) {
    r.start = std::clamp(std::min(beginBlock, endBlock), 1, r.end);
    r.end = std::clamp(std::max(beginBlock, endBlock), 1, r.end);
    return r;
  }
  if (compressed || screenWidth < 1 || nCases <= screenWidth) return r;
  const int64_t s = std::max<int16_t>(segment, 1);
  r.start = static_cast<int32_t>(std::min<int64_t>((s - 1) * screenWidth + 1, nCases));
  r.end = static_cast<int32_t>(std::min<int64_t>(nCases, s * screenWidth));
  return r;
}

double PrintXScale(const PrintRange& r) {
  const int64_t span = int64_t{r.end} - r.start;
  return span > 0 ? kPagePlotWidth / static_cast<double>(span) : kPagePlotWidth;
}

std::vector<PrintStrip> PrintStrips(const std::vector<int16_t>& channels, const std::vector<float>& relativeHeights,
                                    bool custom) {
  std::vector<PrintStrip> out;
  const int k = static_cast<int>(channels.size());
  if (k == 0) return out;
  double total = 0;
  const bool useCustom = custom && k > 1 && relativeHeights.size() == channels.size() &&
                         std::all_of(relativeHeights.begin(), relativeHeights.end(), [](float h) { return h > 0; });
  if (useCustom)
    for (float h : relativeHeights) total += h;
  const int h = kPageStripsHeight / k;
  double top = kPageStripsTop;
  for (int i = 0; i < k; ++i) {
    PrintStrip s;
    s.channel = channels[static_cast<size_t>(i)];
    if (useCustom) {
      const double bottom = top + kPageStripsHeight * relativeHeights[static_cast<size_t>(i)] / total;
      s.bottom = i + 1 == k ? kPageStripsTop + kPageStripsHeight : static_cast<int>(std::lround(bottom));
      s.height = s.bottom - static_cast<int>(std::lround(top));
      top = bottom;
    } else {
      s.height = h;
      s.bottom = kPageStripsTop + (i + 1) * h;
    }
    out.push_back(s);
  }
  return out;
}

std::string PrintedMarkerLabel(int32_t code) {
  const auto c = static_cast<int16_t>(code);
  if (c > 200) return std::to_string(c - 200);
  if (c >= 32 && c <= 255 && c != 127) return std::string(1, static_cast<char>(static_cast<uint8_t>(c)));
  return std::to_string(c);
}

namespace {

std::string oneDecimal(double v) {
  const double t = std::trunc(v * 10.0) / 10.0;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.1f", t);
  return buf;
}

}  // namespace

RangeTimes PrintedRangeTimes(const PrintRange& r, float interval) {
  double ts = r.start == 1 ? 0.0 : static_cast<double>(r.start) * interval;
  double te = static_cast<double>(r.end) * interval;
  const char* unit = " sec";
  if (te >= 600) {
    ts = SecondsToMinutes(ts);
    te = SecondsToMinutes(te);
    unit = " min";
  }
  return {oneDecimal(ts) + unit, oneDecimal(te) + unit};
}

TimeIndex SITimeIndex(int32_t startOfDaySeconds, const PrintRange& r, float interval, int pageRight) {
  TimeIndex out;
  const int64_t span = int64_t{r.end} - r.start;
  if (span <= 0 || !(interval > 0)) return out;
  const double t0 = std::max(startOfDaySeconds, 0) + (static_cast<double>(r.start) - 1) * interval;
  out.dayScale = static_cast<double>(span) * interval > 345600;
  const double unit = out.dayScale ? 86400 : 3600;
  out.pixelsPerUnit = std::trunc(unit / interval) * kPagePlotWidth / static_cast<double>(span);
  // Marks closer than 2 pixels would only blacken the axis (and a unit
  // shorter than a sample gives no step at all).
  if (out.pixelsPerUnit < 2) return out;
  const double toNext = unit - std::fmod(t0, unit);
  double x = (out.dayScale ? 62 : 51) + toNext * out.pixelsPerUnit / unit;
  int counter = out.dayScale ? 0 : static_cast<int>(static_cast<int64_t>(t0 / 3600) % 24);
  int lastLabel = -1000;
  while (x <= kPageRight) {
    ++counter;
    if (!out.dayScale && counter == 25) counter = 1;
    IndexTick t;
    t.x = static_cast<int>(x);
    t.drawn = out.pixelsPerUnit > 3;
    if (t.x > lastLabel + 20 && t.x < pageRight - 15) {
      t.label = std::to_string(counter);
      lastLabel = t.x;
    }
    out.ticks.push_back(t);
    x += out.pixelsPerUnit;
  }
  return out;
}

std::string RecordingLengthText(double seconds) {
  if (seconds > 86400) return StringFormatter(static_cast<float>(seconds / 86400)) + " days";
  if (seconds > 7200) return StringFormatter(static_cast<float>(seconds / 3600)) + " hours";
  if (seconds > 120) return StringFormatter(static_cast<float>(seconds / 60)) + " minutes";
  return StringFormatter(static_cast<float>(seconds)) + " seconds";
}

const char* AcquisitionDeviceName(float code) {
  if (!(std::fabs(code) < 1e6f)) return "unknown";
  switch (static_cast<int>(code)) {
    case 1: return "Lab-NB";
    case 2: return "PCI-1200";
    case 3: return "DAQCard-1200";
    case 4: return "ADC-1";
    case 5: return "DT50 or DT500";
    case 6: return "demo mode";
    case 7: return "NI 16XE-50 series";
    case 8: return "Riduz UI2";
    case 80: return "DataTaker DT80";
    case 85: return "DataTaker DT85";
    case 800: return "DataTaker DT800";
    case 4119: return "ADAM-4119";
    default: return "unknown";
  }
}
