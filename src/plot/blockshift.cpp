#include "plot/blockshift.h"

namespace plotcore {

std::optional<BlockSpan> ShiftedBlock(BlockSpan b, int32_t nCases, bool overlap, bool right) {
  const int64_t w = int64_t{b.end} - b.begin;
  if (w < 0) return std::nullopt;
  const int64_t d = overlap ? w : w + 1;
  const int64_t begin = right ? b.begin + d : b.begin - d;
  const int64_t end = right ? b.end + d : b.end - d;
  if (begin < 0 || end > nCases) return std::nullopt;
  return BlockSpan{static_cast<int32_t>(begin), static_cast<int32_t>(end)};
}

}  // namespace plotcore
