// Setting the cases of a block to one value. Pure: the command around it
// (src/editing/ui/zeroblock.h) keeps the undo copy and redraws.
#pragma once
#include <cstdint>

// data[b..e] := value, both ends included (b and e in either order).
// False, and nothing written, when the range leaves 0..nCases.
bool SetBlockCases(float* data, int32_t nCases, int32_t b, int32_t e, float value);
