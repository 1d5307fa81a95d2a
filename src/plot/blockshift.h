// Stepping a block one width left or right. Pure.
#pragma once
#include <cstdint>
#include <optional>

namespace plotcore {

struct BlockSpan {
  int32_t begin = 0, end = 0;
  friend bool operator==(const BlockSpan&, const BlockSpan&) = default;
};

// The block moved by d = w (overlapping: neighbours share their edge case) or
// w + 1 (not overlapping), w = end - begin; 64-bit so that no width wraps.
// Nothing when the move would start before case 0 or end past nCases.
std::optional<BlockSpan> ShiftedBlock(BlockSpan b, int32_t nCases, bool overlap, bool right);

}  // namespace plotcore
