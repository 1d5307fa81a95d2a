// Texts and layout of the plot window's data bar and of the all-values
// column: pure functions of the numbers the pointer points at.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"
#include "plot/geometry.h"

namespace plotcore {

// The elapsed part of field 54: days above 172,800 s, hours above 60 min,
// minutes above 60 s, seconds otherwise (" s" when the number is long).
std::string ElapsedText(double seconds);
// Field 54: " #" + (c + 1) + ";  " + the elapsed text.
std::string DataBarCaseText(double seconds, int32_t c);
// Field 55: clock time of case c, "h:mm:ss" with the hour's leading blank.
// The start wraps past midnight; the product c x interval is taken in double.
std::string DataBarClockText(float startMinutes, int32_t c, float interval);
// Field 56.
std::string DataBarValueText(float v);
// An all-values field: " ch" + channel + ": " + value.
std::string AllValuesText(int16_t channel, float v);

// Standard placement of the column (avbx, avby). The top keeps the first
// field (avby + 12) below the label line, which our fonts draw down to y 37.
inline constexpr int16_t kAllValuesLeft = 223;
inline constexpr int16_t kLabelLineBottom = 37;
inline constexpr int16_t kAllValuesTop = kLabelLineBottom + 1 - 12;

struct AllValuesField {
  int16_t id = 0;        // 200 + k
  int16_t channel = 0;
  plat::Rect r;
  friend bool operator==(const AllValuesField&, const AllValuesField&) = default;
};
// Fields of the channels flagged in set3[1..channels] except the active
// one, numbered consecutively from 201 in channel order.
std::vector<AllValuesField> AllValuesLayout(const uint16_t* set3, int16_t channels, int16_t activeChannel,
                                            int16_t left, int16_t top);

// Mouse placement of the column: where the pointer counts as inside, the
// XOR frame that follows it and the reference point a press leaves.
bool PlacementInside(plat::Point p, int windowWidth, int bottomOfPlotArea);
plat::Rect PlacementFrame(plat::Point p, int16_t channels);
// The press's reference point, held below the label line (kAllValuesTop).
plat::Point PlacementOrigin(plat::Point p);

// The case under a pointer in the plot area (x inside the plot width, y on
// the plot rows 18..B - 2), held to 0..nCases; nothing outside the area.
std::optional<int32_t> PointerCase(const ViewState& v, plat::Point p, int bottomOfPlotArea);

}  // namespace plotcore
