// Setting the block of the active channel to one value, with its undo copy
// and redraw; the transformations dialog and the block picker use it.
#pragma once
#include <cstdint>

// Cases BeginBlock..EndBlock of ActiveChannel of TheFileInUse := value. Not
// quiet: an undo copy is taken first (LastChan := ActiveChannel) and the
// display updated. Quiet: the caller has taken the one undo copy for a
// series of blocks. The block strip is redrawn either way. Nothing happens
// without a file, a channel or a block inside the channel. 1 when the block
// was set, else 0.
int16_t ZEROBLOCK(float value, int16_t quiet);
