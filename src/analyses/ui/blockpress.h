// A press in the block window awaited while the pointer is tracked over the
// plot: how an analysis takes a limit or a level from the block.
#pragma once
#include <functional>
#include <optional>

#include "platform/types.h"

// Pumps until a press in the block window lands where accepts() takes it;
// every pass without one shows the pointer through track() (local points).
// A press elsewhere beeps when beepOnRefused. Presses arrive as events, so
// none is lost however briefly the button was down; close boxes clicked
// meanwhile are handed back to the caller's loop afterwards. Nothing when
// the block window went first.
std::optional<plat::Point> AwaitBlockPress(const std::function<bool(plat::Point)>& accepts,
                                           const std::function<void(plat::Point)>& track, bool beepOnRefused);
