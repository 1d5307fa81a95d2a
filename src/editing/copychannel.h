// Duplicating a channel into a new last channel. Pure store work: the
// command around it (src/editing/ui/copychannel.h) records, logs and redraws.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "shell/store.h"

// The channel COPYCHAN is filling (the new channel).
extern int16_t StoreChan;

// A copy's parameter field 1 (A-D channel) is the source's plus this.
inline constexpr float kCopyMark = 100.0f;

// Label of a copy of the scratch channel, which holds an FFT spectrum:
// "FFT: channel" n(blockChannel) ";" n(2 * points) " points    ".
std::string FftCopyLabel(int16_t blockChannel, int32_t abUnit);

// Appends channel nChannels + 1 to the slot holding cases 0..nCases of
// `source`, parameter fields 0..13 (field 1 plus 100) and `label` (cut or
// padded to 30). The label also enters the undo's label snapshot, so that
// an Undo of an earlier edit does not blank it. TooManyChannels at 32
// channels and OutOfMemory leave the file as it was.
StoreStatus DuplicateChannel(int16_t slot, int16_t source, std::string_view label, int16_t* newChannel);

// Appends channel nChannels + 1 to the slot holding `samples` (cases
// 0..nCases, BadRange for any other count) under `label` (cut or padded to
// 30): the channel is whole or not added. TooManyChannels at 32 channels
// and OutOfMemory leave the file as it was.
StoreStatus AddChannelHolding(int16_t slot, std::span<const float> samples, std::string_view label,
                              int16_t* newChannel);
