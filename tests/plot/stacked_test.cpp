// Strip layout and spans of the stacked view.
#include "plot/stacked.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using plotcore::StripPlace;

TEST(StackedLayout, EqualStripsForTheShownChannels) {
  const struct {
    const char* name;
    std::vector<uint16_t> shown;   // index 0 unused
    bool stacked;
    std::vector<StripPlace> want;
  } cases[] = {
      {"four stacked", {0, 1, 1, 1, 1}, true, {{1, 92, 141}, {2, 92, 233}, {3, 92, 325}, {4, 92, 417}}},
      {"hidden 2", {0, 1, 0, 1, 1}, true, {{1, 122, 171}, {3, 122, 293}, {4, 122, 415}}},
      {"none shows channel 1", {0, 0, 0, 0}, true, {{1, 368, 417}}},
      {"not stacked uses the display", {0, 1, 1}, false, {{1, 293, 307}, {2, 293, 600}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto got = plotcore::EqualStrips(c.shown.data(), static_cast<int16_t>(c.shown.size() - 1), c.stacked,
                                           700, 387);
    EXPECT_EQ(got, c.want);
  }
  // 32 strips fit between row 19 and the plot's bottom.
  std::vector<uint16_t> all(33, 1);
  const auto s = plotcore::EqualStrips(all.data(), 32, true, 700, 387);
  ASSERT_EQ(s.size(), 32u);
  EXPECT_LE(plotcore::RowsOfStrip(s.back().height, s.back().bottomPlus30).bottom, 387);
  EXPECT_EQ(plotcore::RowsOfStrip(s.front().height, s.front().bottomPlus30).top, 19);
}

TEST(StackedLayout, SpansOfEveryView) {
  plotcore::ViewState paged;
  paged.nCases = 3000;
  paged.screenWidth = 1000;
  paged.segment = 3;
  plotcore::ViewState compressed = paged;
  compressed.compressed = true;
  plotcore::ViewState zoomed = paged;
  zoomed.zoomed = true;
  zoomed.zoomLeft = 500;
  zoomed.zoomRight = 700;
  plotcore::ViewState shortFile = paged;
  shortFile.nCases = 400;
  shortFile.segment = 1;
  shortFile.xStep = 2;
  plotcore::ViewState longBlock = paged;
  longBlock.nCases = 100000;
  const struct {
    const char* name;
    plotcore::ViewState v;
    bool block;
    int32_t first, last;
    double step;
  } cases[] = {
      {"paged segment 3", paged, false, 2001, 3000, 1.0},
      {"compressed", compressed, false, 0, 3000, 1000.0 / 3000},
      {"zoomed", zoomed, false, 500, 700, 5.0},
      {"zoomed wins over block", zoomed, true, 500, 700, 5.0},
      {"expanded short file", shortFile, false, 1, 400, 2.0},
      // A block longer than 32,767 cases still spans the width.
      {"block", longBlock, true, 10, 60010, 1000.0 / 60000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto s = plotcore::StackedSpan(c.v, c.block, 60010, 10);
    EXPECT_EQ(s.first, c.first);
    EXPECT_EQ(s.last, c.last);
    EXPECT_DOUBLE_EQ(s.xStep, c.step);
  }
  // End-of-data line: only where the data stop inside a paged segment.
  EXPECT_EQ(plotcore::StripEndOfDataX(shortFile, false), 800);
  EXPECT_EQ(plotcore::StripEndOfDataX(shortFile, true), std::nullopt);
  EXPECT_EQ(plotcore::StripEndOfDataX(paged, false), std::nullopt);
  paged.nCases = 2500;
  EXPECT_EQ(plotcore::StripEndOfDataX(paged, false), 500);
}

TEST(StackedLayout, ZeroLineAndGridRows) {
  EXPECT_EQ(plotcore::StripZeroRow(100, 200, -1.0f, 3.0f), 175);
  EXPECT_EQ(plotcore::StripZeroRow(100, 200, 0.0f, 3.0f), std::nullopt);
  EXPECT_EQ(plotcore::StripZeroRow(100, 200, -3.0f, -1.0f), std::nullopt);
  EXPECT_EQ(plotcore::StripGridRows(200, 92), (std::vector<int>{181, 163, 144, 126}));
  EXPECT_DOUBLE_EQ(plotcore::StripBaseline(200, 10.0f, -2.0f), 179.0);
}

}  // namespace
