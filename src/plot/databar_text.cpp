#include "plot/databar_text.h"

#include <algorithm>
#include <cmath>

#include "shell/textutil.h"

namespace plotcore {

namespace {

// Digits of a non-negative whole number as the number text gives them.
std::string digitsOf(int64_t n) {
  std::string t = NumText(static_cast<double>(n));
  if (!t.empty() && t[0] == ' ') t.erase(0, 1);
  return t;
}

std::string twoDigits(int64_t n) {
  if (n <= 0) return "00";
  if (n < 10) return "0" + digitsOf(n);
  return digitsOf(n).substr(0, 2);
}

}  // namespace

std::string ElapsedText(float s) {
  const float m = s * 0.0166667f;
  if (s > 172800.0f) return StringFormatter(m / 1440.0f) + " d";
  if (s > 60.0f) {
    if (m > 60.0f) return StringFormatter(m / 60.0f) + " h";
    return StringFormatter(m) + " min";
  }
  const std::string t = StringFormatter(s);
  return t + (t.size() > 10 ? " s" : " sec");
}

std::string DataBarCaseText(float s, int32_t c) {
  return " #" + NumText(static_cast<double>(c) + 1.0) + ";  " + ElapsedText(s);
}

std::string DataBarClockText(float startMinutes, int32_t c, float interval) {
  double d = static_cast<double>(startMinutes) + static_cast<double>(c) * interval / 60.0;
  if (!std::isfinite(d)) d = 0.0;
  // One step per day would take millions of passes for a far-off value.
  if (d > 1440.0) d -= 1440.0 * std::ceil((d - 1440.0) / 1440.0);
  // Whole seconds, truncated; the small allowance keeps 13:05:07 stored as
  // 785.1166666 minutes from reading as 13:05:06.
  const auto total = static_cast<int64_t>(std::floor(d * 60.0 + 1e-3));
  const int64_t w = total / 60;
  const int64_t h = w / 60, n = w - 60 * h;
  const int64_t q = total - 60 * w;
  return NumText(static_cast<double>(h)) + ":" + twoDigits(n) + ":" + twoDigits(q);
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

plat::Point PlacementOrigin(plat::Point p) { return {p.x - 56, p.y - 20}; }

std::optional<int32_t> PointerCase(const ViewState& v, plat::Point p, int bottomOfPlotArea) {
  if (v.nCases <= 0 || p.x < 0 || p.x >= v.screenWidth || p.y < 18 || p.y > bottomOfPlotArea - 2)
    return std::nullopt;
  return std::clamp<int32_t>(CaseAtPixel(v, p.x), 0, v.nCases);
}

}  // namespace plotcore
