#include "editing/fileedit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <new>
#include <vector>

#include "datafiles/native_binary.h"
#include "datafiles/timescale.h"
#include "editing/editstep.h"
#include "shell/globals.h"
#include "shell/textutil.h"

namespace {

FileEditStatus fromStore(StoreStatus st) {
  switch (st) {
    case StoreStatus::Ok: return FileEditStatus::Ok;
    case StoreStatus::OutOfMemory: return FileEditStatus::OutOfMemory;
    case StoreStatus::TooManyCases: return FileEditStatus::TooManyCases;
    case StoreStatus::WouldRemoveAll: return FileEditStatus::WouldRemoveAll;
    case StoreStatus::BadRange: return FileEditStatus::NoBlock;
    case StoreStatus::BadChannel: case StoreStatus::TooManyChannels: return FileEditStatus::BadOrder;
    default: return FileEditStatus::NoFile;
  }
}

void dropBlock(int16_t slot) {
  FileSHORTS[slot][kShortBlockState] = 0;
  BeginBlock[slot] = EndBlock[slot] = 0;
}

// Seconds spanned by `cases` intervals, from the interval as it was typed
// (0.7 s, not the float just below it), so a whole number of seconds stays
// whole when the start time truncates it.
double spanSeconds(int32_t cases, float interval) {
  return static_cast<double>(cases) * DecimalValue(interval);
}

bool currentSlot(int16_t* slot) {
  if (TheFileInUse >= kMaxOpenFiles || !SlotHoldsFile(static_cast<int16_t>(TheFileInUse))) return false;
  *slot = static_cast<int16_t>(TheFileInUse);
  return true;
}

}  // namespace

const char* FileEditStatusText(FileEditStatus s) {
  switch (s) {
    case FileEditStatus::Ok: return "";
    case FileEditStatus::NoBlock: return "Select a block inside the file first.";
    case FileEditStatus::TooFewLeft: return "The file must keep at least 2 cases.";
    case FileEditStatus::BadInterval: return "The sample interval must be a number above 0.";
    case FileEditStatus::TooManyCases: return StoreStatusText(StoreStatus::TooManyCases);
    case FileEditStatus::TooFewCases: return "At that sample interval the file would keep fewer than 2 cases.";
    case FileEditStatus::WouldRemoveAll: return StoreStatusText(StoreStatus::WouldRemoveAll);
    case FileEditStatus::BadOrder: return "Pick at least one channel of the file.";
    case FileEditStatus::NoFile: return StoreStatusText(StoreStatus::NoFile);
    case FileEditStatus::OutOfMemory: return "Not enough memory: the file was left as it was.";
    case FileEditStatus::BackupFailed:
      return "The backup copy \"RearrangeBackup\" could not be written: the channels were left as they were.";
  }
  return "";
}

FileEditStatus CutSpanOf(int16_t slot, CaseSpan* out) {
  if (!SlotHoldsFile(slot)) return FileEditStatus::NoFile;
  const int32_t b = std::max(BeginBlock[slot], 1), e = EndBlock[slot];
  if (FileSHORTS[slot][kShortBlockState] != 2 || b >= e || e > nCases[slot]) return FileEditStatus::NoBlock;
  *out = {b, e};
  return FileEditStatus::Ok;
}

FileEditStatus CropSpanOf(int16_t slot, CaseSpan* out) {
  if (!SlotHoldsFile(slot)) return FileEditStatus::NoFile;
  const int32_t b = std::max(BeginBlock[slot], 1), e = EndBlock[slot];
  if (FileSHORTS[slot][kShortBlockState] != 2 || b > e || e > nCases[slot]) return FileEditStatus::NoBlock;
  *out = {b, e};
  return FileEditStatus::Ok;
}

bool MarkersInSpan(int16_t slot, CaseSpan span) {
  if (!ValidFileSlot(slot)) return false;
  return std::any_of(MarkersArray[slot].begin(), MarkersArray[slot].end(), [&](const MarkerRecord& m) {
    return m.caseNumber >= span.first && m.caseNumber <= span.last;
  });
}

FileEditStatus CutBlockFromFile(int16_t slot, CaseSpan span, MarkerAnswer answer) {
  if (!SlotHoldsFile(slot)) return FileEditStatus::NoFile;
  if (span.first < 1 || span.last <= span.first || span.last > nCases[slot]) return FileEditStatus::NoBlock;
  const int32_t width = span.last - span.first;
  if (nCases[slot] - width < 2) return FileEditStatus::TooFewLeft;
  int32_t code = 0;
  if (const StoreStatus st = CutCases(slot, span.first, span.last, &code); st != StoreStatus::Ok) return fromStore(st);
  if (answer == MarkerAnswer::DeleteAndInsert && code != 0) AddMarker(slot, span.first, code);
  if (span.first < 2) AdvanceStartTime(slot, spanSeconds(width, FileInfoFLOATS[slot][kInfoInterval]));
  dropBlock(slot);
  return FileEditStatus::Ok;
}

void CutChannelData(float* a, int32_t cases, CaseSpan span) {
  const int32_t width = span.last - span.first;
  if (width <= 0) return;
  std::memmove(a + span.first, a + span.last, static_cast<size_t>(cases - span.last + 1) * sizeof(float));
  std::fill(a + (cases - width + 1), a + cases + 1, 0.0f);
}

FileEditStatus CutBlockFromChannel(int16_t channel, CaseSpan span) {
  int16_t slot = 0;
  if (!currentSlot(&slot)) return FileEditStatus::NoFile;
  if (channel < 1 || channel > nChannels[slot]) return FileEditStatus::BadOrder;
  if (span.first < 1 || span.last <= span.first || span.last > nCases[slot]) return FileEditStatus::NoBlock;
  if (const StoreStatus st = MAKEBACKUP(channel); st != StoreStatus::Ok) return fromStore(st);
  CutChannelData(ChannelData(slot, channel), nCases[slot], span);
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, channel);
  dropBlock(slot);
  return FileEditStatus::Ok;
}

int32_t RemoveMarkersInSpan(int16_t slot, CaseSpan span) {
  if (!ValidFileSlot(slot)) return 0;
  const auto& m = MarkersArray[slot];
  const auto inBlock = [&](int32_t c) { return c >= span.first && c <= span.last; };
  // The 200 and 199 of each span as the flags read it (one left open runs
  // to the file's end). A span crossing an edge of the block keeps both
  // ends: half a pair would flag to the file's end, or nothing.
  std::vector<char> keep(m.size(), 0);
  size_t open = m.size();
  for (size_t i = 0; i < m.size(); ++i) {
    const int16_t code = MarkerCode16(m[i]);
    if (code == kInterpolationOpen && open == m.size()) {
      open = i;
    } else if (code == kInterpolationClose && open < m.size()) {
      if (inBlock(m[open].caseNumber) != inBlock(m[i].caseNumber)) keep[open] = keep[i] = 1;
      open = m.size();
    }
  }
  if (open < m.size() && inBlock(m[open].caseNumber) && !inBlock(nCases[slot])) keep[open] = 1;
  std::vector<MarkerRecord> kept;
  kept.reserve(m.size());
  for (size_t i = 0; i < m.size(); ++i)
    if (keep[i] || !inBlock(m[i].caseNumber)) kept.push_back(m[i]);
  const auto removed = static_cast<int32_t>(m.size() - kept.size());
  if (removed == 0) return 0;
  SwapMarkerList(slot, kept);
  try {
    MakeInterpolationRecordFor(slot);
  } catch (const std::bad_alloc&) {
    // Flags left as they were would not match the list: the list goes back.
    SwapMarkerList(slot, kept);
    throw;
  }
  return removed;
}

FileEditStatus CropToSpan(int16_t slot, CaseSpan span, int16_t logChannel) {
  if (!SlotHoldsFile(slot)) return FileEditStatus::NoFile;
  PendingEditLog log(slot);
  try {
    if (logChannel > 0) log.add(ChannelLogHeading(logChannel) + CropLogWords(logChannel));
    log.reserve();
  } catch (const std::bad_alloc&) {
    return FileEditStatus::OutOfMemory;
  }
  if (const StoreStatus st = CropCases(slot, span.first, span.last); st != StoreStatus::Ok) return fromStore(st);
  // A crop from case 1 leaves the start time exactly as it was written.
  if (span.first > 1) AdvanceStartTime(slot, spanSeconds(span.first - 1, FileInfoFLOATS[slot][kInfoInterval]));
  dropBlock(slot);
  FileSHORTS[slot][kShortZoomed] = 0;
  log.commit();
  return FileEditStatus::Ok;
}

std::string CropLogWords(int16_t channel) { return "channel" + NumText(channel) + " was cropped"; }

FileEditStatus DeleteChannels(const bool remove[kMaxChannels + 1], int16_t* removed) {
  if (removed) *removed = 0;
  int16_t slot = 0;
  if (!currentSlot(&slot)) return FileEditStatus::NoFile;
  const int16_t n = nChannels[slot];
  int16_t ticked = 0;
  for (int16_t c = 1; c <= n; ++c) ticked += remove[c] ? 1 : 0;
  if (ticked == n) return FileEditStatus::WouldRemoveAll;
  // The lines name the channels as they were, and are logged only once
  // they are gone.
  PendingEditLog log(slot);
  try {
    for (int16_t c = n; c >= 1; --c)
      if (remove[c]) log.add(ChannelLogHeading(c) + "DELETED");
    log.reserve();
  } catch (const std::bad_alloc&) {
    return FileEditStatus::OutOfMemory;
  }
  const StoreStatus st = RemoveChannels(slot, remove, removed);
  if (st != StoreStatus::Ok) return fromStore(st);
  log.commit();
  // Undo stays off after any channel removal, even one that removed none.
  DropUndoCopy(slot);
  ActiveChannel = 1;
  ActiveChannelArray[slot] = 1;
  FileSHORTS[slot][kShortActiveChannel] = 1;
  return FileEditStatus::Ok;
}

FileEditStatus TimeScaleCheck(int32_t cases, float oldInterval, double newInterval, int32_t* newCases) {
  if (!std::isfinite(newInterval) || newInterval <= 0.0 || static_cast<float>(newInterval) <= 0.0f)
    return FileEditStatus::BadInterval;
  const int64_t n = ResampledCaseCount(cases, oldInterval, static_cast<float>(newInterval));
  if (n < 0) return FileEditStatus::BadInterval;
  if (n > kMaxCases) return FileEditStatus::TooManyCases;
  if (n < 2) return FileEditStatus::TooFewCases;
  if (newCases) *newCases = static_cast<int32_t>(n);
  return FileEditStatus::Ok;
}

TimeScaleLog TimeScaleLogPieces(float oldInterval, float newInterval) {
  return {"\r   *** Time scale adjustment ***\r",
          "            old sample interval" + NumText(oldInterval) + " sec;  ",
          "new sample interval" + NumText(newInterval) + " sec\r"};
}

FileEditStatus AdjustSlotTimeScale(int16_t slot, float newInterval) {
  if (!SlotHoldsFile(slot)) return FileEditStatus::NoFile;
  const float old = FileInfoFLOATS[slot][kInfoInterval];
  if (const FileEditStatus c = TimeScaleCheck(nCases[slot], old, newInterval, nullptr); c != FileEditStatus::Ok)
    return c;
  // The log is written before the file changes, and the block, in the old
  // case numbers, goes with the change.
  PendingEditLog log(slot);
  try {
    const TimeScaleLog pieces = TimeScaleLogPieces(old, newInterval);
    for (const std::string* p : {&pieces.heading, &pieces.oldPart, &pieces.newPart}) log.add(*p);
    log.reserve();
  } catch (const std::bad_alloc&) {
    return FileEditStatus::OutOfMemory;
  }
  if (const StoreStatus st = ResampleSlot(slot, newInterval); st != StoreStatus::Ok) return fromStore(st);
  dropBlock(slot);
  log.commit();
  return FileEditStatus::Ok;
}

bool ChannelOrder::add(int16_t channel) {
  if (count >= kMaxChannels) return false;
  picks[count++] = channel;
  return true;
}

FileEditStatus RearrangeChannels(int16_t slot, const ChannelOrder& order, const std::filesystem::path& backup) {
  if (!SlotHoldsFile(slot) || slot != static_cast<int16_t>(TheFileInUse)) return FileEditStatus::NoFile;
  if (order.count < 1) return FileEditStatus::BadOrder;
  for (int16_t k = 0; k < order.count; ++k)
    if (order.picks[k] < 1 || order.picks[k] > nChannels[slot]) return FileEditStatus::BadOrder;
  // The backup holds every channel; the channels a save writes change only
  // with the arrangement, never with a failure before it.
  uint16_t chosen[kOverlayFlags];
  std::copy(std::begin(OverlayArray[slot][2]), std::end(OverlayArray[slot][2]), chosen);
  const auto putBack = [&] { std::copy(std::begin(chosen), std::end(chosen), OverlayArray[slot][2]); };
  for (int16_t c = 1; c <= nChannels[slot]; ++c) OverlayArray[slot][2][c] = 1;
  try {
    const FileStatus saved =
        saveFPBinary(backup, 0, nCases[slot], nCases[slot], nChannels[slot], StartDate[slot], StartTime[slot]);
    if (saved != FileStatus::Ok) {
      putBack();
      return saved == FileStatus::OutOfMemory ? FileEditStatus::OutOfMemory : FileEditStatus::BackupFailed;
    }
  } catch (...) {
    putBack();
    throw;
  }
  if (const StoreStatus st = ArrangeChannels(slot, order.picks, order.count); st != StoreStatus::Ok) {
    putBack();
    return fromStore(st);
  }
  for (int16_t c = 1; c <= nChannels[slot]; ++c) OverlayArray[slot][2][c] = 1;
  timstring[1] = kNativeFileTypeText;
  ActiveChannel = 1;
  ActiveChannelArray[slot] = 1;
  FileSHORTS[slot][kShortActiveChannel] = 1;
  return FileEditStatus::Ok;
}

std::string RearrangedName(std::string_view name) {
  std::string base = TrimTrailingBlanks(name);
  const size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  return base + " ReAr";
}
