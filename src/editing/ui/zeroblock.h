// Setting the block of the active channel to one value, with its undo copy
// and redraw; the transformations dialog and the block picker use it.
#pragma once
#include <cstdint>
#include <exception>

// Cases BeginBlock..EndBlock of ActiveChannel of TheFileInUse := value. Not
// quiet: an undo copy is taken first (LastChan := ActiveChannel) and the
// display updated. Quiet: the caller has taken the one undo copy for a
// series of blocks. The block strip is redrawn either way. Nothing happens
// without a file, a channel or a block inside the channel; an undo copy
// refused for want of memory is said. 1 when the block was set, else 0.
int16_t ZEROBLOCK(float value, int16_t quiet);

// A block command that fails with an exception leaves the file's block as
// it found it, as Cancel does: the user's block is not used up by a change
// that was taken back.
class KeepBlockOnFailure {
 public:
  explicit KeepBlockOnFailure(int16_t slot);
  ~KeepBlockOnFailure();
  KeepBlockOnFailure(const KeepBlockOnFailure&) = delete;
  KeepBlockOnFailure& operator=(const KeepBlockOnFailure&) = delete;

 private:
  int16_t slot_, state_;
  int32_t begin_, end_;
  int unwinding_ = std::uncaught_exceptions();
};
