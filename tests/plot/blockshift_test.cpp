// Block shifting at both rules and both ends of the file.
#include "plot/blockshift.h"

#include <gtest/gtest.h>

namespace {

using plotcore::BlockSpan;

TEST(BlockShift, BothRulesAndTheFileEnds) {
  const struct {
    const char* name;
    BlockSpan b;
    int32_t n;
    bool overlap, right;
    std::optional<BlockSpan> want;
  } cases[] = {
      {"right, overlap", {100, 150}, 1000, true, true, BlockSpan{150, 200}},
      {"right, apart", {100, 150}, 1000, false, true, BlockSpan{151, 201}},
      {"left, overlap", {100, 150}, 1000, true, false, BlockSpan{50, 100}},
      {"left, apart", {100, 150}, 1000, false, false, BlockSpan{49, 99}},
      {"one case, overlap", {7, 7}, 1000, true, true, BlockSpan{7, 7}},
      {"one case, apart", {7, 7}, 1000, false, true, BlockSpan{8, 8}},
      {"left to case 0", {50, 100}, 1000, true, false, BlockSpan{0, 50}},
      {"left past case 0", {49, 100}, 1000, true, false, std::nullopt},
      {"right to the last case", {900, 950}, 1000, true, true, BlockSpan{950, 1000}},
      {"right one past the last", {900, 950}, 1000, false, true, std::nullopt},
      {"wide block keeps 64-bit width", {0, 2'000'000'000}, 2'100'000'000, true, true, std::nullopt},
      {"reversed edges refused", {150, 100}, 1000, true, true, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(plotcore::ShiftedBlock(c.b, c.n, c.overlap, c.right), c.want);
  }
}

}  // namespace
