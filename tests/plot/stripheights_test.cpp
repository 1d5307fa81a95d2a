// Strip words from the boundaries clicked in the example plot.
#include <gtest/gtest.h>

#include <vector>

#include "plot/stripheights.h"

namespace {

TEST(StripHeights, ClickedBoundariesGiveTheWordsAndTheLastTakesTheRest) {
  const StripArea screen = StripAreaFor(kHeightsForScreen, 419);   // rows 0..400
  const StripArea print = StripAreaFor(kHeightsForPrint, 419);     // rows 5..230
  EXPECT_EQ(screen.bottom, 400);
  const struct {
    const char* name;
    StripArea area;
    std::vector<int> clicks;
    int k;
    std::vector<StripWords> want;
  } cases[] = {
      {"screen, three strips", screen, {100, 250}, 3, {{100, 148, 146}, {150, 298, 296}, {150, 448, 446}}},
      {"print, two strips", print, {50}, 2, {{80.000008f, 165.000008f, 163.000008f}, {320, 485, 483}}},
      // Each strip keeps 16 rows, and 16 stay for each strip still to come.
      {"too high and too low", screen, {3, 399}, 3, {{16, 64, 62}, {367, 431, 429}, {17, 448, 446}}},
      {"one strip", screen, {}, 1, {{400, 448, 446}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<StripWords> got = CustomStrips(c.area, c.clicks, c.k);
    ASSERT_EQ(got.size(), c.want.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_FLOAT_EQ(got[i].height, c.want[i].height) << i;
      EXPECT_FLOAT_EQ(got[i].word9, c.want[i].word9) << i;
      EXPECT_FLOAT_EQ(got[i].word11, c.want[i].word9 - 2) << i;
    }
  }
  const ClickBand b = ClickBandFor(screen, 100, 2);
  EXPECT_EQ(b.top, 116);
  EXPECT_EQ(b.limit, 368);
  EXPECT_TRUE(CustomStrips(screen, {}, 0).empty());
}

}  // namespace
