#include "plot/databar_text.h"

#include "plot/selection.h"

#include <algorithm>
#include <cmath>

#include "shell/textutil.h"
#include "shell/timeunits.h"

namespace plotcore {

std::string ElapsedText(double s) {
  auto in = [s](double unitSeconds) { return static_cast<float>(s / unitSeconds); };
  if (s > 172800.0) return StringFormatter(in(kSecondsPerDay)) + " d";
  if (s > 60.0) {
    if (s > kSecondsPerHour) return StringFormatter(in(kSecondsPerHour)) + " h";
    return StringFormatter(in(kSecondsPerMinute)) + " min";
  }
  const std::string t = StringFormatter(static_cast<float>(s));
  return t + (t.size() > 10 ? " s" : " sec");
}

std::string DataBarCaseText(double s, int32_t c) {
  return " #" + NumText(static_cast<double>(c)) + ";  " + ElapsedText(s);
}

// The drag read-out and the data bar fill the same field: one rule serves both.
std::string DataBarClockText(float startMinutes, int32_t c, float interval) {
  return DragClockText(startMinutes, static_cast<double>(c) * interval);
}

std::string DataBarValueText(float v) { return "value " + StringFormatter(v); }

std::string AllValuesText(int16_t channel, float v) {
  return " ch" + NumText(channel) + ": " + StringFormatter(v);
}

std::vector<AllValuesField> AllValuesLayout(const uint16_t* set3, int16_t channels, int16_t activeChannel,
                                            int16_t left, int16_t top) {
  std::vector<AllValuesField> out;
  int16_t k = 0;
  for (int16_t c = 1; c <= channels; ++c) {
    if (c == activeChannel || set3[c] == 0) continue;
    ++k;
    const int y = top + 12 * k;
    out.push_back({static_cast<int16_t>(200 + k), c, {left, y, left + 100, y + 12}});
  }
  return out;
}

bool PlacementInside(plat::Point p, int windowWidth, int bottomOfPlotArea) {
  return p.x >= 1 && p.x <= windowWidth && p.y >= 20 && p.y <= bottomOfPlotArea - 16;
}

plat::Rect PlacementFrame(plat::Point p, int16_t channels) {
  return {p.x - 56, p.y - 8, p.x + 57, p.y + 12 * channels - 20};
}

plat::Point PlacementOrigin(plat::Point p) { return {p.x - 56, std::max(p.y - 20, int{kAllValuesTop})}; }

std::optional<int32_t> PointerCase(const ViewState& v, plat::Point p, int bottomOfPlotArea) {
  if (v.nCases <= 0 || p.x < 0 || p.x >= v.screenWidth || p.y < 18 || p.y > bottomOfPlotArea - 2)
    return std::nullopt;
  return std::clamp<int32_t>(CaseAtPixel(v, p.x), 0, v.nCases);
}

}  // namespace plotcore
