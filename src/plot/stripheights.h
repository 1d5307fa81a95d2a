// Strip heights set by clicking the boundaries in an example plot: the
// example area of each target, the band the pointer may use for each click
// and the strip words the clicks give. Pure.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

// Targets of the custom-height dialog.
inline constexpr int16_t kHeightsForPrint = 0;
inline constexpr int16_t kHeightsForScreen = 1;

// Rows of the example area in the dialog and how a row maps to strip words.
struct StripArea {
  int top = 0, bottom = 0;
  float factor = 1, offset = 0;
};
StripArea StripAreaFor(int16_t target, int16_t bottomOfPlotArea);

// Rows the pointer may choose for a boundary below a strip starting at
// currentTop with `stillToCome` strips below it: at least 16 rows for this
// one and for each of those (top <= y < limit).
struct ClickBand {
  int top = 0, limit = 0;
};
ClickBand ClickBandFor(const StripArea& a, int currentTop, int stillToCome);

// nVar words of one strip: 8 height, 9 bottom + 30 on screen (the page's own
// bottom for the print target), 11 = word 9 - 2.
struct StripWords {
  float height = 0, word9 = 0, word11 = 0;
  friend bool operator==(const StripWords&, const StripWords&) = default;
};
// Strips for k channels from the k - 1 boundary rows clicked (each held to
// its band); the last strip takes the rest of the area.
std::vector<StripWords> CustomStrips(const StripArea& a, std::span<const int> boundaries, int k);
