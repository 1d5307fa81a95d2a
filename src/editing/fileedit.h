// Edits of a whole recording: cutting the block from one channel or from the
// file, removing the markers in the block, cropping to the block, deleting
// channels, re-sampling to a new interval and re-arranging channels. Pure
// checks and texts, plus adapters over the store; the windows are in
// editing/ui. None of these records a script step.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "shell/store.h"

enum class FileEditStatus : int16_t {
  Ok = 0,
  NoBlock,        // no block, or its edges do not fit the file
  TooFewLeft,     // a cut would leave fewer than 2 cases
  BadInterval,    // a new sample interval not above 0, or not a number
  TooManyCases,   // the re-sampled file would pass 7,000,000 cases
  TooFewCases,    // the re-sampled file would have fewer than 2 cases
  WouldRemoveAll,
  BadOrder,       // no pick, or a pick outside the file
  NoFile,
  OutOfMemory,
  BackupFailed,   // "RearrangeBackup" could not be written
};
const char* FileEditStatusText(FileEditStatus s);

struct CaseSpan {
  int32_t first = 0, last = 0;
  friend bool operator==(const CaseSpan&, const CaseSpan&) = default;
};

// The block as a cut takes it: block state 2 and B < E <= nCases. A block
// from case 0 is cut from case 1 (case 0 is the lead-in and stays).
FileEditStatus CutSpanOf(int16_t slot, CaseSpan* out);
// The block as a crop takes it: block state 2 and B <= E <= nCases, B = 0
// taken as 1.
FileEditStatus CropSpanOf(int16_t slot, CaseSpan* out);

// Any marker at span.first..span.last, both included.
bool MarkersInSpan(int16_t slot, CaseSpan span);

// Answers of the marker warning.
enum class MarkerAnswer : int16_t { Cancel = 0, Delete = 1, DeleteAndInsert = 99 };

// Removes cases first..last-1 from every channel (the case at `last` moves
// to `first`); the markers at first..last go, later ones move down. With
// DeleteAndInsert a marker at `first` takes the code of the last marker
// removed. A cut from the front (first < 2) moves the start time on by the
// span removed. TooFewLeft, and nothing cut, when fewer than 2 cases would
// remain.
FileEditStatus CutBlockFromFile(int16_t slot, CaseSpan span, MarkerAnswer answer);

// The kernel of a one-channel cut: cases last..cases move down to first, the
// freed last (last - first) cases become 0. a holds cases + 1 floats.
void CutChannelData(float* a, int32_t cases, CaseSpan span);
// The same on a channel of TheFileInUse, after its undo copy (MAKEBACKUP).
FileEditStatus CutBlockFromChannel(int16_t channel, CaseSpan span);

// Deletes the markers at span.first..span.last and keeps every other one as
// it was, but for the 200 and 199 of an interpolation span crossing an edge
// of span: both stay. The interpolation flags are rebuilt. Returns the
// number deleted; nothing changes when std::bad_alloc is thrown.
int32_t RemoveMarkersInSpan(int16_t slot, CaseSpan span);

// Keeps cases first..last as 1..last-first+1; the markers inside follow, the
// start time moves on by (first - 1) intervals, the block and the zoom go.
// With Record Edits on and a log channel given, that channel's "... was
// cropped" line goes to the comments with the crop. Nothing changes on
// failure.
FileEditStatus CropToSpan(int16_t slot, CaseSpan span, int16_t logChannel = 0);
// "channel 3 was cropped", the words after the channel heading of the log.
std::string CropLogWords(int16_t channel);

// Deletes the channels flagged in remove[1..nChannels] of TheFileInUse;
// with Record Edits on, each gets a "DELETED" line first, from the last
// channel down, numbered as before. The first channel becomes active.
FileEditStatus DeleteChannels(const bool remove[kMaxChannels + 1], int16_t* removed);

// The case count after re-sampling `cases` from oldInterval to newInterval,
// or why it cannot be done.
FileEditStatus TimeScaleCheck(int32_t cases, float oldInterval, double newInterval, int32_t* newCases);
// The three pieces the Record Edits log gets.
struct TimeScaleLog {
  std::string heading, oldPart, newPart;
};
TimeScaleLog TimeScaleLogPieces(float oldInterval, float newInterval);
// Re-samples every channel of the slot, logs the change, clears the block.
// Nothing changes on failure.
FileEditStatus AdjustSlotTimeScale(int16_t slot, float newInterval);

// The order the re-arrangement dialog builds: picks[k] is the channel (as
// numbered before) that becomes channel k + 1. Repeats are allowed.
struct ChannelOrder {
  int16_t count = 0;
  int16_t picks[kMaxChannels] = {};
  // False when 32 channels are already picked.
  bool add(int16_t channel);
  void reset() { *this = ChannelOrder{}; }
};
// Writes the whole slot, every channel flagged for saving, to `backup` in
// the native format (through a temporary file), then re-arranges the
// channels in memory; BackupFailed, and nothing re-arranged, when the
// backup cannot be written. The first channel becomes active.
FileEditStatus RearrangeChannels(int16_t slot, const ChannelOrder& order, const std::filesystem::path& backup);
inline constexpr const char* kRearrangeBackupName = "RearrangeBackup";
// The name with " ReAr" added, as "Save As" then proposes it.
std::string RearrangedName(std::string_view name);
