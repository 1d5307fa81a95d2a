#include "shell/store.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <new>
#include <utility>

#include "shell/globals.h"
#include "shell/textutil.h"
#include "shell/timeunits.h"
#include "shell/worktables.h"

ChannelArray gPointersToFileData[kSlotCount][kMaxChannels + 1];
int32_t nCases[kSlotCount] = {};
int16_t nChannels[kSlotCount] = {};
float FileInfoFLOATS[kSlotCount][kFileInfoWords] = {};
int16_t FileSHORTS[kSlotCount][kFileShortsWords] = {};
std::string LabelStrings[kSlotCount][6];
std::string OldLabelStrings[kSlotCount][6];
std::vector<MarkerRecord> MarkersArray[kSlotCount];
std::vector<NoteRecord> NotesArray[kSlotCount];
int16_t NumberOfNotes[kSlotCount] = {};
std::string CommentContainer[kSlotCount];
ChannelInfoRecord nVar[kSlotCount][kMaxChannels + 1] = {};
std::string FileName[kSlotCount];
std::string FilePath[kSlotCount];
std::string StartDate[kSlotCount];
std::string StartTime[kSlotCount];
std::string SaveAsName[kSlotCount];
int32_t BeginBlock[kSlotCount] = {};
int32_t EndBlock[kSlotCount] = {};
int16_t ActiveChannelArray[kSlotCount] = {};
uint16_t OverlayArray[kSlotCount][kOverlaySets + 1][kOverlayFlags] = {};
plat::Rgb16 OverlayColor[kOverlayFlags] = {};

uint64_t gStoreAccessFaults = 0;
uint64_t gBackupsMade = 0;
uint64_t gStoreChanges[kSlotCount] = {};
uint64_t gCommentAppends[kSlotCount] = {};
uint64_t gMarkerListSwaps[kSlotCount] = {};
uint64_t gSlotIdentities[kSlotCount] = {};
uint64_t gLastSlotIdentity = 0;
uint64_t gChangesTakenBack[kSlotCount] = {};
BackupCacheStore BackupCache;

namespace {
// The file the selection flags of the BackupCache were built for.
struct SelectionOwner {
  int16_t slot = -1;
  int32_t cases = -1;
  std::string name;
} gSelectionOwner;
}  // namespace
StoreHooks gStoreHooks;

namespace {

// Owner of the undo copy in region 3: which slot and channel it came from and
// how many floats it holds. A change of the file's length or channel layout
// makes it stale.
struct UndoState {
  int16_t slot = -1;
  int16_t channel = 0;
  int64_t length = 0;
  std::vector<MarkerRecord> markers;  // the list as the copy was taken
  bool pairsAdded = false;            // the command added interpolation pairs
  CommentsMark comments;              // the slot's comments as the copy was taken
  // What putting the copy back takes back exactly: the slot's standing
  // changes and its comment appends before the copy was counted, and the
  // changes since that it reverses (pairs added, the channel relabelled).
  uint64_t standingBefore = 0, appendsBefore = 0;
  uint64_t pairChanges = 0, labelSets = 0;
  bool copyCounted = true;            // its own change is not yet taken back
} gUndo;

// The channel AddChannel added last: dropping it while nothing but its
// labels and comment lines were counted since takes its adding back.
struct AddedChannel {
  int16_t channel = 0;
  uint64_t changesAfter = 0, appendsAfter = 0, labelSets = 0;
} gAdded[kSlotCount];

CommentsMark commentsMarkOf(int16_t slot) {
  CommentsMark m;
  const std::string& c = CommentContainer[slot];
  m.length = c.size();
  m.appends = gCommentAppends[slot];
  m.tailLength = std::min(c.size(), m.tail.size());
  std::copy(c.end() - static_cast<std::ptrdiff_t>(m.tailLength), c.end(), m.tail.begin());
  return m;
}

void invalidateUndo(int16_t slot) {
  if (gUndo.slot == slot) gUndo = UndoState{};
}

template <class Array>
void releaseArray(Array& a) {
  Array().swap(a);
}

bool slotIndexOk(int16_t slot) { return slot >= 0 && slot < kSlotCount; }

void noteChange(int16_t slot) { ++gStoreChanges[slot]; }
uint64_t standingChanges(int16_t slot) { return gStoreChanges[slot] - gChangesTakenBack[slot]; }

std::string blankLabelString() { return std::string(kLabelsPerString * kLabelWidth, ' '); }

// Where channel c's label lies: the string and the byte in it.
std::string& labelStringOf(int16_t slot, int16_t c) { return LabelStrings[slot][(c - 1) / kLabelsPerString + 1]; }
size_t labelAt(int16_t c) { return static_cast<size_t>((c - 1) % kLabelsPerString) * kLabelWidth; }

// Label strings 1..4 with new channel k (1..count) labelled as old channel
// order[k - 1] and the rest blank, made aside: may throw std::bad_alloc.
void arrangedLabels(int16_t slot, const int16_t* order, int16_t count, std::string (&labels)[5]) {
  for (int i = 1; i <= 4; ++i) labels[i] = blankLabelString();
  for (int16_t k = 1; k <= count; ++k) {
    const std::string& from = labelStringOf(slot, order[k - 1]);
    const size_t at = labelAt(order[k - 1]);
    if (at < from.size())
      labels[(k - 1) / kLabelsPerString + 1].replace(labelAt(k), std::min<size_t>(kLabelWidth, from.size() - at), from,
                                                     at, kLabelWidth);
  }
}

std::string channelLogHeading(int16_t channel, std::string_view label) {
  std::string s = "\r         \xC6  Channel" + NumText(channel) + ", " + TrimTrailingBlanks(label) + ":  ";
  if (s.size() > 255) s.resize(255);
  return s;
}

void syncMarkerCount(int16_t slot) {
  FileSHORTS[slot][kShortMarkerCount] = static_cast<int16_t>(MarkersArray[slot].size());
}

// Whether an interpolation span is open after every marker up to case c,
// read as the flags read them: a 200 opens one when none is open, a 199
// closes it.
bool spanOpenAfter(const std::vector<MarkerRecord>& m, int32_t c) {
  bool open = false;
  for (const MarkerRecord& r : m) {
    if (r.caseNumber > c) break;
    if (MarkerCode16(r) == kInterpolationOpen) open = true;
    else if (MarkerCode16(r) == kInterpolationClose) open = false;
  }
  return open;
}

bool isInterpolationMark(const MarkerRecord& r) {
  return MarkerCode16(r) == kInterpolationOpen || MarkerCode16(r) == kInterpolationClose;
}

struct CaseRange {
  int32_t first, last;
};

// The interpolated spans as MakeInterpolationRecordFor flags them, in case
// order: a 200 opens one when none is open, a 199 closes it, and one left
// open runs to the file's last case. Spans may share a case.
std::vector<CaseRange> interpolatedSpans(const std::vector<MarkerRecord>& m, int32_t cases) {
  std::vector<CaseRange> out;
  int32_t open = -1;
  for (const MarkerRecord& r : m) {
    const int32_t at = std::clamp(r.caseNumber, 0, cases);
    if (MarkerCode16(r) == kInterpolationOpen && open < 0) {
      open = at;
    } else if (MarkerCode16(r) == kInterpolationClose && open >= 0) {
      out.push_back({std::min(open, at), std::max(open, at)});
      open = -1;
    }
  }
  if (open >= 0) out.push_back({open, cases});
  return out;
}

// The file's own markers of `own` (its 200s and 199s left out) and the
// interpolation marks of `marks`, in case order: on a case the file's own
// come first, as they stood.
std::vector<MarkerRecord> besideOwnMarkers(const std::vector<MarkerRecord>& own,
                                           const std::vector<MarkerRecord>& marks) {
  std::vector<MarkerRecord> out;
  out.reserve(own.size() + marks.size());
  auto k = marks.begin();
  for (const MarkerRecord& r : own) {
    if (isInterpolationMark(r)) continue;
    for (; k != marks.end() && k->caseNumber < r.caseNumber; ++k)
      if (isInterpolationMark(*k)) out.push_back(*k);
    out.push_back(r);
  }
  for (; k != marks.end(); ++k)
    if (isInterpolationMark(*k)) out.push_back(*k);
  return out;
}

// Appends r to spans in order of their first cases, one that overlaps or
// touches the last made one with it: they flag one run of cases, and the
// list holds them as one pair.
void joinSpan(std::vector<CaseRange>& spans, CaseRange r) {
  if (!spans.empty() && r.first <= spans.back().last + 1) spans.back().last = std::max(spans.back().last, r.last);
  else spans.push_back(r);
}

// A 200 on each span's first case and a 199 on its last, in case order.
std::vector<MarkerRecord> spanMarks(const std::vector<CaseRange>& spans) {
  std::vector<MarkerRecord> marks;
  marks.reserve(2 * spans.size());
  for (const CaseRange& r : spans) {
    marks.push_back({r.first, kInterpolationOpen});
    marks.push_back({r.last, kInterpolationClose});
  }
  return marks;
}

size_t ownMarkerCount(const std::vector<MarkerRecord>& m) {
  return static_cast<size_t>(
      std::count_if(m.begin(), m.end(), [](const MarkerRecord& r) { return !isInterpolationMark(r); }));
}

void dropMarkersBeyond(int16_t slot, int32_t lastCase) {
  auto& m = MarkersArray[slot];
  const bool open = spanOpenAfter(m, lastCase);
  const size_t had = m.size();
  m.erase(std::remove_if(m.begin(), m.end(), [&](const MarkerRecord& r) { return r.caseNumber > lastCase; }),
          m.end());
  // A span running past the new end closes on it; the room is the erased one.
  if (open && m.size() < had) m.push_back({lastCase, kInterpolationClose});
  syncMarkerCount(slot);
}

// A block whose edges no longer lie inside the file would send the block
// commands outside the arrays; it is dropped instead.
void dropBlockOutside(int16_t slot) {
  if (BeginBlock[slot] > nCases[slot] || EndBlock[slot] > nCases[slot]) {
    BeginBlock[slot] = EndBlock[slot] = 0;
    FileSHORTS[slot][kShortBlockState] = 0;
  }
}

void clearRecords(int16_t slot) {
  nCases[slot] = 0;
  nChannels[slot] = 0;
  std::fill(std::begin(FileInfoFLOATS[slot]), std::end(FileInfoFLOATS[slot]), 0.0f);
  std::fill(std::begin(FileSHORTS[slot]), std::end(FileSHORTS[slot]), int16_t{0});
  for (int i = 0; i < 6; ++i) {
    LabelStrings[slot][i].clear();
    OldLabelStrings[slot][i].clear();
  }
  std::vector<MarkerRecord>().swap(MarkersArray[slot]);
  std::vector<NoteRecord>().swap(NotesArray[slot]);
  NumberOfNotes[slot] = 0;
  std::string().swap(CommentContainer[slot]);
  for (auto& rec : nVar[slot]) rec.fill(0.0f);
  FileName[slot].clear();
  FilePath[slot].clear();
  StartDate[slot].clear();
  StartTime[slot].clear();
  SaveAsName[slot].clear();
  BeginBlock[slot] = EndBlock[slot] = 0;
  ActiveChannelArray[slot] = 0;
  std::memset(OverlayArray[slot], 0, sizeof OverlayArray[slot]);
}

// Resizes every channel 0..nChannels to newCases + 1 floats. The memory goes
// back only when at least half of it is free: giving it back is a copy of
// the whole channel, which would double the cost of a small cut.
void shrinkChannels(int16_t slot, int32_t newCases) {
  for (int c = 0; c <= nChannels[slot]; ++c) {
    auto& a = gPointersToFileData[slot][c];
    a.resize(static_cast<size_t>(newCases) + 1);
    if (a.size() < a.capacity() / 2) a.shrink_to_fit();
  }
  nCases[slot] = newCases;
}

}  // namespace

const char* StoreStatusText(StoreStatus s) {
  switch (s) {
    case StoreStatus::Ok: return "";
    case StoreStatus::NoFile: return "No file is open.";
    case StoreStatus::BadSlot: return "No such file slot.";
    case StoreStatus::SlotInUse: return "That file slot is in use.";
    case StoreStatus::BadChannel: return "No such channel.";
    case StoreStatus::BadRange: return "Those cases are outside the file.";
    case StoreStatus::TooManyFiles: return "Too many files open.";
    case StoreStatus::TooManyChannels: return "Too many channels to fit!";
    case StoreStatus::TooManyCases: return "Too Many Cases. Pick a lower sample rate.";
    case StoreStatus::TooManyMarkers: return "No room for more markers (32,500 at most).";
    case StoreStatus::TooManyNotes: return "No room for more notes (300 at most).";
    case StoreStatus::WouldRemoveAll: return "At least one channel must remain.";
    case StoreStatus::NothingToUndo: return "Nothing to undo.";
    case StoreStatus::OutOfMemory: return "Not enough memory for this file.";
  }
  return "";
}

float* ChannelData(int16_t slot, int16_t channel) {
  if (!slotIndexOk(slot) || channel < 0 || channel > kMaxChannels) return nullptr;
  auto& a = gPointersToFileData[slot][channel];
  return a.empty() ? nullptr : a.data();
}

// ---- Slots -------------------------------------------------------------------

bool ValidFileSlot(int16_t slot) { return slot >= 0 && slot < kMaxOpenFiles; }

bool SlotHoldsFile(int16_t slot) {
  return ValidFileSlot(slot) && nChannels[slot] > 0 && !gPointersToFileData[slot][0].empty();
}

bool SlotHasBlock(int16_t slot) { return SlotHoldsFile(slot) && FileSHORTS[slot][kShortBlockState] == 2; }

int16_t FindFreeSlot() {
  for (int16_t s = 0; s < kMaxOpenFiles; ++s)
    if (!SlotHoldsFile(s)) return s;
  return -1;
}

int16_t CountOpenFiles() {
  int16_t n = 0;
  for (int16_t s = 0; s < kMaxOpenFiles; ++s) n += SlotHoldsFile(s) ? 1 : 0;
  return n;
}

StoreStatus AllocateSlot(int16_t slot, int32_t cases, int16_t channels) {
  if (!ValidFileSlot(slot)) return StoreStatus::BadSlot;
  if (SlotHoldsFile(slot)) return StoreStatus::SlotInUse;
  if (channels < 1 || channels > kMaxChannels) return StoreStatus::TooManyChannels;
  if (cases < 1 || cases > kMaxCases) return cases < 1 ? StoreStatus::BadRange : StoreStatus::TooManyCases;
  invalidateUndo(slot);
  noteChange(slot);
  clearRecords(slot);
  try {
    for (int c = 0; c <= channels; ++c) gPointersToFileData[slot][c].assign(static_cast<size_t>(cases) + 1, 0.0f);
    for (int i = 1; i <= 4; ++i) {
      LabelStrings[slot][i] = blankLabelString();
      OldLabelStrings[slot][i] = LabelStrings[slot][i];
    }
  } catch (const std::bad_alloc&) {
    for (auto& a : gPointersToFileData[slot]) releaseArray(a);
    clearRecords(slot);
    return StoreStatus::OutOfMemory;
  }
  nCases[slot] = cases;
  nChannels[slot] = channels;
  FileSHORTS[slot][kShortSegment] = 1;
  FileSHORTS[slot][kShortSlotTaken] = 1;
  FileSHORTS[slot][kShortActiveChannel] = 1;
  ActiveChannelArray[slot] = 1;
  gSlotIdentities[slot] = ++gLastSlotIdentity;
  return StoreStatus::Ok;
}

StoreStatus OpenNewFileSlot(int32_t cases, int16_t channels, int16_t* slotOut) {
  const int16_t slot = FindFreeSlot();
  if (slot < 0) return StoreStatus::TooManyFiles;
  const StoreStatus st = AllocateSlot(slot, cases, channels);
  if (st == StoreStatus::Ok && slotOut) *slotOut = slot;
  return st;
}

void FreeSlot(int16_t slot) {
  if (!slotIndexOk(slot)) return;
  noteChange(slot);
  gSlotIdentities[slot] = 0;
  for (auto& a : gPointersToFileData[slot]) releaseArray(a);
  clearRecords(slot);
  if (gSelectionOwner.slot == slot) gSelectionOwner = SelectionOwner{};
  if (gUndo.slot == slot) {
    invalidateUndo(slot);
    BackupCache.release(kBackupUndo);
  }
  if (CountOpenFiles() == 0) {
    // An idle program keeps none of the big buffers.
    BackupCache.releaseAll();
    ParseArray.release();
    parse[0] = 0;
  }
}

// ---- Channels and cases --------------------------------------------------------

StoreStatus AddChannel(int16_t slot) {
  if (!SlotHoldsFile(slot)) return StoreStatus::NoFile;
  if (nChannels[slot] >= kMaxChannels) return StoreStatus::TooManyChannels;
  const int16_t c = static_cast<int16_t>(nChannels[slot] + 1);
  noteChange(slot);
  std::string labels;
  try {
    labels = labelStringOf(slot, c);
    labels.resize(kLabelsPerString * kLabelWidth, ' ');
    labels.replace(labelAt(c), kLabelWidth, kLabelWidth, ' ');
    gPointersToFileData[slot][c].assign(static_cast<size_t>(nCases[slot]) + 1, 0.0f);
  } catch (const std::bad_alloc&) {
    releaseArray(gPointersToFileData[slot][c]);
    ++gChangesTakenBack[slot];   // nothing was added
    return StoreStatus::OutOfMemory;
  }
  nVar[slot][c].fill(0.0f);
  for (int set = 1; set <= kOverlaySets; ++set) OverlayArray[slot][set][c] = 0;
  nChannels[slot] = c;
  labelStringOf(slot, c).swap(labels);
  gAdded[slot] = {c, gStoreChanges[slot], gCommentAppends[slot], 0};
  return StoreStatus::Ok;
}

void DropLastChannel(int16_t slot) noexcept {
  if (!SlotHoldsFile(slot) || nChannels[slot] < 2) return;
  const int16_t c = nChannels[slot];
  const AddedChannel& added = gAdded[slot];
  const bool takesBackItsAdding =
      added.channel == c &&
      gStoreChanges[slot] - added.changesAfter == added.labelSets + (gCommentAppends[slot] - added.appendsAfter);
  noteChange(slot);
  // The adding, the labels it was given and this drop leave the file as
  // before: its lines, if any, stay counted until they are cut.
  if (takesBackItsAdding) gChangesTakenBack[slot] += 2 + added.labelSets;
  gAdded[slot] = AddedChannel{};
  releaseArray(gPointersToFileData[slot][c]);
  std::string& labels = labelStringOf(slot, c);
  const size_t at = std::min(labelAt(c), labels.size());
  std::fill(labels.begin() + static_cast<std::ptrdiff_t>(at),
            labels.begin() + static_cast<std::ptrdiff_t>(std::min(labels.size(), at + kLabelWidth)), ' ');
  nVar[slot][c].fill(0.0f);
  for (int set = 1; set <= kOverlaySets; ++set) OverlayArray[slot][set][c] = 0;
  nChannels[slot] = static_cast<int16_t>(c - 1);
  if (gUndo.slot == slot && gUndo.channel == c) invalidateUndo(slot);
  if (FileSHORTS[slot][kShortActiveChannel] >= c) FileSHORTS[slot][kShortActiveChannel] = 1;
  if (ActiveChannelArray[slot] >= c) ActiveChannelArray[slot] = 1;
}

StoreStatus XREFNewChannel() {
  if (TheFileInUse >= kMaxOpenFiles) return StoreStatus::NoFile;
  return AddChannel(static_cast<int16_t>(TheFileInUse));
}

StoreStatus ResizeChannels(int16_t slot, int32_t newCases) {
  if (!SlotHoldsFile(slot)) return StoreStatus::NoFile;
  if (newCases > kMaxCases) return StoreStatus::TooManyCases;
  if (newCases < 1) return StoreStatus::BadRange;
  const int32_t old = nCases[slot];
  if (newCases == old) return StoreStatus::Ok;
  noteChange(slot);
  if (newCases > old) {
    int c = 0;
    try {
      for (; c <= nChannels[slot]; ++c) gPointersToFileData[slot][c].resize(static_cast<size_t>(newCases) + 1, 0.0f);
    } catch (const std::bad_alloc&) {
      for (int k = 0; k < c; ++k) {
        gPointersToFileData[slot][k].resize(static_cast<size_t>(old) + 1);
        gPointersToFileData[slot][k].shrink_to_fit();
      }
      return StoreStatus::OutOfMemory;
    }
    nCases[slot] = newCases;
  } else {
    shrinkChannels(slot, newCases);
    dropMarkersBeyond(slot, newCases);
    dropBlockOutside(slot);
  }
  invalidateUndo(slot);
  return StoreStatus::Ok;
}

namespace {

// What is left of `before` after removing cases first..last-1, case `last`
// and those after it moved down to `first`: its flag goes with its value.
std::vector<CaseRange> spansAfterCut(const std::vector<CaseRange>& before, int32_t first, int32_t last) {
  const int32_t width = last - first;
  std::vector<CaseRange> spans;
  // The spans come in case order, and one reaching past the cut is the last
  // with cases before it: what is left stays in case order.
  for (const CaseRange& r : before) {
    if (r.first < first) joinSpan(spans, {r.first, std::min(r.last, first - 1)});
    if (r.last >= last) joinSpan(spans, {std::max(r.first, last) - width, r.last - width});
  }
  return spans;
}

// Whether the flags must be rebuilt after an edit: the list holds spans, or
// the region holds flags that would be left stale.
bool flagsToRebuild(const std::vector<MarkerRecord>& m) {
  return BackupCache.heldFloats(kBackupInterpolation) > 0 || std::any_of(m.begin(), m.end(), isInterpolationMark);
}

// The flags straight after an edit that shortened the file from oldCases:
// rebuilt, and those of the cases dropped cleared. The caller had the
// region for the new length, so nothing is allocated here.
void reflagShortened(int16_t slot, int32_t oldCases) {
  MakeInterpolationRecordFor(slot);
  const int64_t end = std::min<int64_t>(BackupCache.heldFloats(kBackupInterpolation), int64_t{oldCases} + 1);
  const int64_t from = int64_t{nCases[slot]} + 1;
  if (end > from) {
    float* flags = BackupCache.region(kBackupInterpolation, end);
    std::fill(flags + from, flags + end, 0.0f);
  }
}

}  // namespace

StoreStatus CutCases(int16_t slot, int32_t first, int32_t last, int32_t* lastRemovedCode) {
  if (lastRemovedCode) *lastRemovedCode = 0;
  if (!SlotHoldsFile(slot)) return StoreStatus::NoFile;
  const int32_t n = nCases[slot];
  if (first < 1 || last < first || last > n) return StoreStatus::BadRange;
  const int32_t width = last - first;
  // The markers' new list and the flags' room before any sample moves: the
  // only allocations.
  auto& m = MarkersArray[slot];
  const bool reflag = flagsToRebuild(m);
  if (reflag && !BackupCache.region(kBackupInterpolation, int64_t{n - width} + 1)) return StoreStatus::OutOfMemory;
  // With spans, their marks are written anew below; without, the list holds
  // at most 199s that close nothing, and they stay as they are.
  const std::vector<CaseRange> spansBefore = interpolatedSpans(m, n);
  const bool spansHeld = !spansBefore.empty();
  std::vector<MarkerRecord> kept;
  kept.reserve(m.size());
  int32_t removedCode = 0;
  for (const auto& r : m) {
    if (spansHeld && isInterpolationMark(r)) continue;
    if (r.caseNumber >= first && r.caseNumber <= last) {
      // Half of an interpolation pair would flag cases wrongly where it went.
      if (!isInterpolationMark(r)) removedCode = r.code;
      continue;
    }
    kept.push_back(r.caseNumber > last ? MarkerRecord{r.caseNumber - width, r.code} : r);
  }
  if (spansHeld) {
    // Each span keeps the cases of it that are left, case `last`'s flag
    // moving with its value to `first`; spans the cut brings together are
    // one. The list has room: no span is added, and a span open to the end
    // stays open when closing it would pass the limit.
    const std::vector<CaseRange> spans = spansAfterCut(spansBefore, first, last);
    std::vector<MarkerRecord> marks = spanMarks(spans);
    if (kept.size() + marks.size() > static_cast<size_t>(kMaxMarkers) && !spans.empty() &&
        spans.back().last == n - width)
      marks.pop_back();
    kept = besideOwnMarkers(kept, marks);
  }
  noteChange(slot);
  if (width > 0) {
    for (int c = 0; c <= nChannels[slot]; ++c) {
      float* a = gPointersToFileData[slot][c].data();
      std::memmove(a + first, a + last, static_cast<size_t>(n - last + 1) * sizeof(float));
    }
    shrinkChannels(slot, n - width);
  }
  if (lastRemovedCode) *lastRemovedCode = removedCode;
  m.swap(kept);
  syncMarkerCount(slot);
  if (reflag) reflagShortened(slot, n);
  dropBlockOutside(slot);
  FileSHORTS[slot][kShortChanged] = 1;
  invalidateUndo(slot);
  return StoreStatus::Ok;
}

StoreStatus CropCases(int16_t slot, int32_t first, int32_t last) {
  if (!SlotHoldsFile(slot)) return StoreStatus::NoFile;
  if (first < 1 || last < first || last > nCases[slot]) return StoreStatus::BadRange;
  const int32_t n = nCases[slot];
  const int32_t kept = last - first + 1;
  // The markers' new list and the flags' room before any sample moves: the
  // only allocations (shrinking a channel keeps its block when no smaller
  // one is had).
  auto& m = MarkersArray[slot];
  const bool reflag = flagsToRebuild(m);
  if (reflag && !BackupCache.region(kBackupInterpolation, int64_t{kept} + 1)) return StoreStatus::OutOfMemory;
  std::vector<MarkerRecord> inside;
  // Two more for the ends of a span the crop cuts through.
  inside.reserve(2 + static_cast<size_t>(std::count_if(
      m.begin(), m.end(), [&](const MarkerRecord& r) { return r.caseNumber >= first && r.caseNumber <= last; })));
  for (const auto& r : m)
    if (r.caseNumber >= first && r.caseNumber <= last) inside.push_back({r.caseNumber - first + 1, r.code});
  // A span the crop goes through keeps what is left of it, as in a cut.
  if (spanOpenAfter(m, first - 1)) {
    const auto at = std::find_if(inside.begin(), inside.end(), [](const MarkerRecord& r) {
      return r.caseNumber > 1 || MarkerCode16(r) == kInterpolationOpen || MarkerCode16(r) == kInterpolationClose;
    });
    inside.insert(at, MarkerRecord{1, kInterpolationOpen});
  }
  if (spanOpenAfter(m, last)) inside.push_back({kept, kInterpolationClose});
  noteChange(slot);
  if (first > 1) {
    for (int c = 0; c <= nChannels[slot]; ++c) {
      float* a = gPointersToFileData[slot][c].data();
      std::memmove(a + 1, a + first, static_cast<size_t>(kept) * sizeof(float));
    }
  }
  shrinkChannels(slot, kept);
  m.swap(inside);
  syncMarkerCount(slot);
  if (reflag) reflagShortened(slot, n);
  dropBlockOutside(slot);
  FileSHORTS[slot][kShortChanged] = 1;
  invalidateUndo(slot);
  return StoreStatus::Ok;
}

StoreStatus RemoveChannels(int16_t slot, const bool remove[kMaxChannels + 1], int16_t* removedCount) {
  if (removedCount) *removedCount = 0;
  if (!SlotHoldsFile(slot)) return StoreStatus::NoFile;
  const int16_t old = nChannels[slot];
  int16_t k = 0;
  for (int c = 1; c <= old; ++c) k += remove[c] ? 1 : 0;
  if (k == old) return StoreStatus::WouldRemoveAll;

  // The new labels are made before any channel moves: the only allocation.
  int16_t keptOrder[kMaxChannels] = {};
  int16_t keptCount = 0;
  for (int16_t c = 1; c <= old; ++c)
    if (!remove[c]) keptOrder[keptCount++] = c;
  std::string labels[5];
  try {
    arrangedLabels(slot, keptOrder, keptCount, labels);
  } catch (const std::bad_alloc&) {
    return StoreStatus::OutOfMemory;
  }
  noteChange(slot);
  int dst = 1;
  for (int src = 1; src <= old; ++src) {
    if (remove[src]) continue;
    if (dst != src) {
      gPointersToFileData[slot][dst].swap(gPointersToFileData[slot][src]);
      // Field 32 belongs to the channel number, not to the data.
      std::copy_n(nVar[slot][src].begin(), kChannelInfoFields - 1, nVar[slot][dst].begin());
      for (int set = 2; set <= kOverlaySets; ++set) OverlayArray[slot][set][dst] = OverlayArray[slot][set][src];
    }
    ++dst;
  }
  const int16_t now = static_cast<int16_t>(old - k);
  for (int c = now + 1; c <= old; ++c) {
    releaseArray(gPointersToFileData[slot][c]);
    std::fill_n(nVar[slot][c].begin(), kChannelInfoFields - 1, 0.0f);
    for (int set = 2; set <= kOverlaySets; ++set) OverlayArray[slot][set][c] = 0;
  }
  for (int c = 0; c < kOverlayFlags; ++c) OverlayArray[slot][1][c] = 0;
  nChannels[slot] = now;
  for (int i = 1; i <= 4; ++i) LabelStrings[slot][i].swap(labels[i]);
  if (FileSHORTS[slot][kShortActiveChannel] > now) FileSHORTS[slot][kShortActiveChannel] = 1;
  if (ActiveChannelArray[slot] > now) ActiveChannelArray[slot] = 1;
  if (k > 0) invalidateUndo(slot);
  FileSHORTS[slot][kShortChanged] = 1;
  if (removedCount) *removedCount = k;
  return StoreStatus::Ok;
}

StoreStatus ArrangeChannels(int16_t slot, const int16_t* order, int16_t count) {
  if (!SlotHoldsFile(slot)) return StoreStatus::NoFile;
  if (count < 1 || count > kMaxChannels) return StoreStatus::TooManyChannels;
  const int16_t old = nChannels[slot];
  for (int k = 0; k < count; ++k)
    if (order[k] < 1 || order[k] > old) return StoreStatus::BadChannel;
  // The last use of a channel takes its array; earlier uses get copies.
  int lastUse[kMaxChannels + 1] = {};
  for (int k = 1; k <= count; ++k) lastUse[order[k - 1]] = k;
  // Everything that allocates comes first (the copies of a repeated
  // channel and the new label strings), so that a lack of memory changes
  // nothing; then arrays and strings only change places.
  ChannelArray arranged[kMaxChannels + 1];
  std::string labels[5];
  try {
    for (int k = 1; k <= count; ++k)
      if (lastUse[order[k - 1]] != k) arranged[k] = gPointersToFileData[slot][order[k - 1]];
    arrangedLabels(slot, order, count, labels);
  } catch (const std::bad_alloc&) {
    return StoreStatus::OutOfMemory;
  }
  noteChange(slot);
  for (int k = 1; k <= count; ++k)
    if (lastUse[order[k - 1]] == k) arranged[k].swap(gPointersToFileData[slot][order[k - 1]]);

  std::array<float, 5> travel[kMaxChannels + 1];
  for (int c = 1; c <= old; ++c) std::copy_n(nVar[slot][c].begin() + 2, 5, travel[c].begin());
  for (int k = 1; k <= kMaxChannels; ++k) {
    auto& a = gPointersToFileData[slot][k];
    if (k <= count) {
      a.swap(arranged[k]);
      std::copy(travel[order[k - 1]].begin(), travel[order[k - 1]].end(), nVar[slot][k].begin() + 2);
    } else if (k <= old) {
      releaseArray(a);
      std::fill_n(nVar[slot][k].begin(), kChannelInfoFields - 1, 0.0f);
      for (int set = 1; set <= kOverlaySets; ++set) OverlayArray[slot][set][k] = 0;
    }
  }
  for (int i = 1; i <= 4; ++i) LabelStrings[slot][i].swap(labels[i]);
  nChannels[slot] = count;
  FileSHORTS[slot][kShortChanged] = 1;
  if (FileSHORTS[slot][kShortActiveChannel] > count) FileSHORTS[slot][kShortActiveChannel] = 1;
  if (ActiveChannelArray[slot] > count) ActiveChannelArray[slot] = 1;
  invalidateUndo(slot);
  if (gStoreHooks.channelChanged)
    for (int16_t k = 1; k <= count; ++k) gStoreHooks.channelChanged(slot, k);
  return StoreStatus::Ok;
}

// ---- Labels ---------------------------------------------------------------------

std::string FitLabel(std::string_view label) {
  std::string s(label.substr(0, kLabelWidth));
  s.resize(kLabelWidth, ' ');
  return s;
}

std::string RetrieveLabelOf(int16_t slot, int16_t channel) {
  if (!slotIndexOk(slot) || channel < 1 || channel > kMaxChannels) return "";
  const std::string& s = LabelStrings[slot][(channel - 1) / kLabelsPerString + 1];
  const size_t at = static_cast<size_t>((channel - 1) % kLabelsPerString) * kLabelWidth;
  return FitLabel(at < s.size() ? std::string_view(s).substr(at, kLabelWidth) : std::string_view());
}

std::string RetrieveLabel(int16_t channel) {
  if (TheFileInUse >= kSlotCount) return channel >= 1 && channel <= kMaxChannels ? FitLabel("") : "";
  return RetrieveLabelOf(static_cast<int16_t>(TheFileInUse), channel);
}

void SetChannelLabel(int16_t slot, int16_t channel, std::string_view label) {
  if (!slotIndexOk(slot) || channel < 1 || channel > kMaxChannels) return;
  noteChange(slot);
  if (gAdded[slot].channel == channel) ++gAdded[slot].labelSets;
  else if (gUndo.slot == slot && gUndo.channel == channel) ++gUndo.labelSets;
  std::string& s = LabelStrings[slot][(channel - 1) / kLabelsPerString + 1];
  if (s.size() < static_cast<size_t>(kLabelsPerString * kLabelWidth)) s.resize(kLabelsPerString * kLabelWidth, ' ');
  // In place, so a full-length string (as AddChannel leaves it) asks for no
  // memory: a command can label the channel it added after committing it.
  const std::string_view fitted = label.substr(0, kLabelWidth);
  const size_t at = labelAt(channel);
  s.replace(at, fitted.size(), fitted);
  std::fill_n(s.begin() + static_cast<std::ptrdiff_t>(at + fitted.size()), kLabelWidth - fitted.size(), ' ');
}

void SnapshotLabels(int16_t slot) {
  if (!slotIndexOk(slot)) return;
  for (int i = 0; i < 6; ++i) OldLabelStrings[slot][i] = LabelStrings[slot][i];
}

// ---- Undo ---------------------------------------------------------------------------

StoreStatus MAKEBACKUP(int16_t channel) {
  if (TheFileInUse >= kMaxOpenFiles || !SlotHoldsFile(static_cast<int16_t>(TheFileInUse)))
    return StoreStatus::NoFile;
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (channel < 0 || channel > nChannels[slot]) return StoreStatus::BadChannel;
  const auto& src = gPointersToFileData[slot][channel];
  const auto len = static_cast<int64_t>(src.size());
  std::vector<MarkerRecord> markers;
  try {
    markers = MarkersArray[slot];
  } catch (const std::bad_alloc&) {
    return StoreStatus::OutOfMemory;
  }
  // A copy again of a channel that still holds the samples of the copy
  // kept: the change the earlier copy counted wrote nothing.
  const bool sameAsKept = gUndo.slot == slot && gUndo.channel == channel && gUndo.length == len &&
                          gUndo.copyCounted && BackupCache.heldFloats(kBackupUndo) >= len &&
                          std::equal(src.begin(), src.end(), BackupCache.view(kBackupUndo));
  float* dst = BackupCache.grow(kBackupUndo, len);
  if (!dst) return StoreStatus::OutOfMemory;
  if (sameAsKept) ++gChangesTakenBack[slot];
  const uint64_t standing = standingChanges(slot);
  noteChange(slot);
  std::copy(src.begin(), src.end(), dst);
  gUndo = UndoState{slot, channel, len};
  gUndo.markers.swap(markers);
  gUndo.comments = commentsMarkOf(slot);
  gUndo.standingBefore = standing;
  gUndo.appendsBefore = gCommentAppends[slot];
  ++gBackupsMade;
  LastChan = channel;
  FileSHORTS[slot][kShortChanged] = 1;
  SnapshotLabels(slot);
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, channel);
  return StoreStatus::Ok;
}

uint64_t BackupsMade() { return gBackupsMade; }
uint64_t StoreChanges(int16_t slot) { return slotIndexOk(slot) ? gStoreChanges[slot] : 0; }
uint64_t SlotFileIdentity(int16_t slot) { return slotIndexOk(slot) ? gSlotIdentities[slot] : 0; }
uint64_t StandingChanges(int16_t slot) { return slotIndexOk(slot) ? standingChanges(slot) : 0; }

bool UndoAvailable(int16_t slot) {
  return slotIndexOk(slot) && gUndo.slot == slot && gUndo.channel <= nChannels[slot] &&
         static_cast<int64_t>(gPointersToFileData[slot][gUndo.channel].size()) == gUndo.length &&
         BackupCache.heldFloats(kBackupUndo) >= gUndo.length;
}

void DropUndoCopy(int16_t slot) { invalidateUndo(slot); }

StoreStatus UNDO() {
  if (TheFileInUse >= kMaxOpenFiles) return StoreStatus::NoFile;
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!UndoAvailable(slot)) return StoreStatus::NothingToUndo;
  // The copy goes back where it came from, whatever LastChan was set to since.
  const int16_t channel = gUndo.channel;
  // The label string and the log line are made first: once the samples are
  // back, nothing asks for memory. Only the channel put back gets its label
  // back: channels made since and later renames keep theirs.
  std::string labels;
  std::string heading;
  PendingEditLog log(slot);
  const bool labelled = channel >= 1;
  std::string label;
  if (labelled) {
    const std::string& old = OldLabelStrings[slot][(channel - 1) / kLabelsPerString + 1];
    const size_t at = labelAt(channel);
    label = FitLabel(at < old.size() ? std::string_view(old).substr(at, kLabelWidth) : std::string_view());
    labels = labelStringOf(slot, channel);
    labels.resize(kLabelsPerString * kLabelWidth, ' ');
    labels.replace(labelAt(channel), kLabelWidth, label);
  }
  if (prefsArray[kPrefRecordEdits] != 0) {
    // The heading names the channel by the label it gets back.
    heading = channelLogHeading(channel, label);
    log.add(heading + "UNDO last change");
    log.reserve();
  }
  // The interpolation pairs the command added go with it. Markers of the
  // file's own that changed since stay as they are now.
  std::vector<MarkerRecord> markers;
  const bool markersBack = gUndo.pairsAdded;
  if (markersBack) {
    const auto ownOf = [](const std::vector<MarkerRecord>& m) {
      std::vector<MarkerRecord> own;
      std::copy_if(m.begin(), m.end(), std::back_inserter(own),
                   [](const MarkerRecord& r) { return !isInterpolationMark(r); });
      return own;
    };
    markers = ownOf(MarkersArray[slot]) == ownOf(gUndo.markers) ? gUndo.markers
                                                                : besideOwnMarkers(MarkersArray[slot], gUndo.markers);
    if (!BackupCache.region(kBackupInterpolation, static_cast<int64_t>(nCases[slot]) + 1)) throw std::bad_alloc();
  }
  // Nothing counted since the copy but what this puts back (and comment
  // lines, which stay until cut): the file is again as before the copy.
  const uint64_t reversed = 1 + gUndo.pairChanges + gUndo.labelSets;
  const bool exact = gUndo.copyCounted && standingChanges(slot) - gUndo.standingBefore ==
                                               reversed + (gCommentAppends[slot] - gUndo.appendsBefore);
  noteChange(slot);
  if (exact) {
    gChangesTakenBack[slot] += reversed + 1;
    gUndo.copyCounted = false;
    gUndo.pairChanges = gUndo.labelSets = 0;
  }
  LastChan = channel;
  auto& dst = gPointersToFileData[slot][channel];
  const float* src = BackupCache.view(kBackupUndo);
  std::copy(src, src + gUndo.length, dst.begin());
  if (labelled) labelStringOf(slot, channel).swap(labels);
  if (markersBack) {
    MarkersArray[slot].swap(markers);
    syncMarkerCount(slot);
    MakeInterpolationRecordFor(slot);
  }
  // Undoing the last of two changes must not make the file look saved.
  FileSHORTS[slot][kShortChanged] = 1;
  ChangedChan = channel;
  if (!heading.empty()) EditRecord.swap(heading);
  log.commit();
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, channel);
  if (prefsArray[kPrefSoundLevel] != 0 && gStoreHooks.playSound) gStoreHooks.playSound("droplet");
  return StoreStatus::Ok;
}

// ---- Comments log ----------------------------------------------------------------------

std::string ChannelLogHeading(int16_t channel) { return channelLogHeading(channel, RetrieveLabel(channel)); }
std::string ChannelLogHeading(int16_t channel, std::string_view label) { return channelLogHeading(channel, label); }

void GetChanLABEL(int16_t channel) { EditRecord = ChannelLogHeading(channel); }

void AppendComment(int16_t slot, std::string_view text) {
  if (!slotIndexOk(slot)) return;
  noteChange(slot);
  ++gCommentAppends[slot];
  CommentContainer[slot].append(text);
}

CommentsMark UndoCommentsMark() { return gUndo.comments; }

CommentsMark CommentsMarkOf(int16_t slot) noexcept { return slotIndexOk(slot) ? commentsMarkOf(slot) : CommentsMark{}; }

void RenewUndoCommentsMark(int16_t slot) {
  if (slotIndexOk(slot) && gUndo.slot == slot) gUndo.comments = commentsMarkOf(slot);
}

uint64_t CommentAppendsSince(int16_t slot, const CommentsMark& mark) noexcept {
  if (!slotIndexOk(slot)) return 0;
  const std::string& c = CommentContainer[slot];
  if (c.size() < mark.length || gCommentAppends[slot] < mark.appends ||
      !std::equal(mark.tail.begin(), mark.tail.begin() + static_cast<std::ptrdiff_t>(mark.tailLength),
                  c.begin() + static_cast<std::ptrdiff_t>(mark.length - mark.tailLength)))
    return 0;
  return gCommentAppends[slot] - mark.appends;
}

uint64_t CutCommentsBackTo(int16_t slot, const CommentsMark& mark) noexcept {
  const uint64_t appended = CommentAppendsSince(slot, mark);
  if (appended == 0) return 0;
  CommentContainer[slot].resize(mark.length);   // shorter: no memory asked
  gChangesTakenBack[slot] += appended;
  // Those appends are gone: an earlier mark counts only the ones before.
  gCommentAppends[slot] = mark.appends;
  return appended;
}

bool AppendEditLog(int16_t slot, std::string_view text) {
  if (!ValidFileSlot(slot) || prefsArray[kPrefRecordEdits] == 0) return false;
  AppendComment(slot, text.substr(0, 255));
  if (prefsArray[kPrefNoCommentsRefresh] == 0 && gStoreHooks.commentsChanged) gStoreHooks.commentsChanged(slot);
  return true;
}

void PendingEditLog::add(std::string_view text) {
  if (!ValidFileSlot(slot_) || prefsArray[kPrefRecordEdits] == 0) return;
  text_.append(text.substr(0, 255));
}

void PendingEditLog::reserve() {
  if (!text_.empty()) CommentContainer[slot_].reserve(CommentContainer[slot_].size() + text_.size());
}

void PendingEditLog::commit() {
  if (text_.empty()) return;
  // Within the room reserve() made: appending asks for no memory.
  AppendComment(slot_, text_);
  if (prefsArray[kPrefNoCommentsRefresh] == 0 && gStoreHooks.commentsChanged) gStoreHooks.commentsChanged(slot_);
}

// ---- Markers and notes ---------------------------------------------------------------------

int16_t MarkerCount(int16_t slot) {
  return slotIndexOk(slot) ? static_cast<int16_t>(MarkersArray[slot].size()) : 0;
}

StoreStatus AddMarker(int16_t slot, int32_t caseNumber, int32_t code) {
  if (!SlotHoldsFile(slot)) return StoreStatus::NoFile;
  if (caseNumber < 1 || caseNumber > nCases[slot] || static_cast<int16_t>(code) == 0) return StoreStatus::BadRange;
  auto& m = MarkersArray[slot];
  auto it = std::lower_bound(m.begin(), m.end(), caseNumber,
                             [](const MarkerRecord& r, int32_t c) { return r.caseNumber < c; });
  // A case's own markers come before its interpolation marks: one of
  // those first means the case holds none, and taking its place would leave
  // a span half-open.
  if (it != m.end() && it->caseNumber == caseNumber && !isInterpolationMark(*it)) {
    noteChange(slot);
    it->code = code;
    return StoreStatus::Ok;
  }
  if (m.size() >= static_cast<size_t>(kMaxMarkers)) return StoreStatus::TooManyMarkers;
  noteChange(slot);
  m.insert(it, MarkerRecord{caseNumber, code});
  syncMarkerCount(slot);
  return StoreStatus::Ok;
}

StoreStatus AddInterpolationPair(int16_t slot, int32_t first, int32_t last) {
  if (!SlotHoldsFile(slot)) return StoreStatus::NoFile;
  if (first < 1 || last < first || last > nCases[slot]) return StoreStatus::BadRange;
  auto& m = MarkersArray[slot];
  // The spans the flags read now, the new one merged in where it falls; the
  // spans of a list saved unbalanced are read as the flags read them.
  std::vector<CaseRange> spans;
  bool placed = false;
  const auto take = [&](CaseRange r) { joinSpan(spans, r); };
  for (const CaseRange& r : interpolatedSpans(m, nCases[slot])) {
    if (!placed && first <= r.first) {
      take({first, last});
      placed = true;
    }
    take(r);
  }
  if (!placed) take({first, last});
  const size_t own = ownMarkerCount(m);
  if (own + 2 * spans.size() > static_cast<size_t>(kMaxMarkers)) return StoreStatus::TooManyMarkers;
  std::vector<MarkerRecord> list = besideOwnMarkers(m, spanMarks(spans));
  noteChange(slot);
  m.swap(list);
  syncMarkerCount(slot);
  // Every command that adds pairs took the undo copy first: Undo takes
  // them back with it.
  if (gUndo.slot == slot) {
    gUndo.pairsAdded = true;
    ++gUndo.pairChanges;
  }
  return StoreStatus::Ok;
}

void AddInterpolationPairs(int16_t slot, const std::vector<InterpolationSpan>& pairs,
                           std::vector<StoreStatus>* statuses) {
  std::vector<StoreStatus> told(pairs.size(), StoreStatus::NoFile);
  if (!SlotHoldsFile(slot)) {
    statuses->swap(told);
    return;
  }
  const auto& m = MarkersArray[slot];
  const int32_t n = nCases[slot];
  const size_t own = ownMarkerCount(m);
  // The spans as AddInterpolationPair's merge leaves them: apart, in order.
  std::vector<CaseRange> spans, next;
  for (const CaseRange& r : interpolatedSpans(m, n)) joinSpan(spans, r);
  spans.reserve(spans.size() + pairs.size());
  next.reserve(spans.capacity());
  size_t accepted = 0;
  for (size_t i = 0; i < pairs.size();) {
    // One pass over the spans, while the pairs' first cases do not go back:
    // `next` holds the spans that start at or before the pair's first case
    // (only its last can meet the pair), spans[rest..] the ones after.
    next.clear();
    size_t rest = 0;
    int32_t lastFirst = 0;
    for (; i < pairs.size(); ++i) {
      const InterpolationSpan p = pairs[i];
      if (p.first < 1 || p.last < p.first || p.last > n) {
        told[i] = StoreStatus::BadRange;
        continue;
      }
      if (p.first < lastFirst) break;
      lastFirst = p.first;
      while (rest < spans.size() && spans[rest].first <= p.first) joinSpan(next, spans[rest++]);
      const bool meetsLast = !next.empty() && p.first <= next.back().last + 1;
      CaseRange joined = meetsLast ? CaseRange{next.back().first, std::max(next.back().last, p.last)}
                                   : CaseRange{p.first, p.last};
      size_t after = rest;
      for (; after < spans.size() && spans[after].first <= joined.last + 1; ++after)
        joined.last = std::max(joined.last, spans[after].last);
      // A refused pair merges at most one span (the list held no more than
      // the most it may), so its look ahead costs nothing to speak of.
      const size_t count = next.size() - (meetsLast ? 1 : 0) + 1 + (spans.size() - after);
      if (own + 2 * count > static_cast<size_t>(kMaxMarkers)) {
        told[i] = StoreStatus::TooManyMarkers;
        continue;
      }
      told[i] = StoreStatus::Ok;
      ++accepted;
      if (meetsLast) next.back() = joined;
      else next.push_back(joined);
      rest = after;
    }
    while (rest < spans.size()) joinSpan(next, spans[rest++]);
    spans.swap(next);
  }
  if (accepted == 0) {
    statuses->swap(told);
    return;
  }
  std::vector<MarkerRecord> list = besideOwnMarkers(m, spanMarks(spans));
  // Counted as adding the pairs one at a time counts them.
  gStoreChanges[slot] += accepted;
  MarkersArray[slot].swap(list);
  syncMarkerCount(slot);
  statuses->swap(told);
  if (gUndo.slot == slot) {
    gUndo.pairsAdded = true;
    gUndo.pairChanges += accepted;
  }
}

bool RemoveMarker(int16_t slot, int index1) {
  if (!slotIndexOk(slot) || index1 < 1 || index1 > static_cast<int>(MarkersArray[slot].size())) return false;
  noteChange(slot);
  MarkersArray[slot].erase(MarkersArray[slot].begin() + (index1 - 1));
  syncMarkerCount(slot);
  return true;
}

int32_t CleanMarkerList(std::vector<MarkerRecord>& markers, int32_t cases) {
  const auto given = static_cast<int32_t>(markers.size());
  // Stable: markers on one case keep their order (a file's own, then the
  // interpolation pairs placed beside it).
  std::stable_sort(markers.begin(), markers.end(),
                   [](const MarkerRecord& a, const MarkerRecord& b) { return a.caseNumber < b.caseNumber; });
  std::vector<MarkerRecord> out;
  out.reserve(std::min<size_t>(markers.size(), kMaxMarkers));
  for (const auto& r : markers) {
    if (r.caseNumber < 1 || r.caseNumber > cases || static_cast<int16_t>(r.code) == 0) continue;
    if (!out.empty() && out.back() == r) continue;
    if (out.size() >= static_cast<size_t>(kMaxMarkers)) break;
    out.push_back(r);
  }
  markers.swap(out);
  return given - static_cast<int32_t>(markers.size());
}

int32_t SetMarkers(int16_t slot, std::vector<MarkerRecord> markers) {
  if (!slotIndexOk(slot)) return static_cast<int32_t>(markers.size());
  const int32_t dropped = CleanMarkerList(markers, nCases[slot]);
  noteChange(slot);
  MarkersArray[slot].swap(markers);
  syncMarkerCount(slot);
  return dropped;
}

void SwapMarkerList(int16_t slot, std::vector<MarkerRecord>& other) noexcept {
  if (!slotIndexOk(slot)) return;
  ++gMarkerListSwaps[slot];
  MarkersArray[slot].swap(other);
  syncMarkerCount(slot);
}

uint64_t MarkerListSwaps(int16_t slot) { return slotIndexOk(slot) ? gMarkerListSwaps[slot] : 0; }

StoreStatus AddNote(int16_t slot, NoteRecord note) {
  if (!SlotHoldsFile(slot)) return StoreStatus::NoFile;
  if (NotesArray[slot].size() >= static_cast<size_t>(kMaxNotes)) return StoreStatus::TooManyNotes;
  // A saved file keeps 255 bytes a field: keep no more than will be saved.
  for (std::string* f : {&note.caseText, &note.timeText, &note.noteText})
    if (f->size() > kMaxNoteFieldBytes) f->resize(kMaxNoteFieldBytes);
  noteChange(slot);
  NotesArray[slot].push_back(std::move(note));
  NumberOfNotes[slot] = static_cast<int16_t>(NotesArray[slot].size());
  return StoreStatus::Ok;
}

void ClearNotes(int16_t slot) {
  if (!slotIndexOk(slot)) return;
  noteChange(slot);
  NotesArray[slot].clear();
  NumberOfNotes[slot] = 0;
}

// ---- BackupCache ---------------------------------------------------------------------------

const float* BackupCacheStore::view(int r) const {
  if (r < 0 || r >= kBackupRegions || regions_[r].empty()) return nullptr;
  return regions_[r].data();
}

float BackupCacheStore::get(int64_t offset) const {
  if (offset < 0 || offset >= kBackupRegions * kBackupRegionSize) return 0.0f;
  const auto& v = regions_[offset / kBackupRegionSize];
  const int64_t i = offset % kBackupRegionSize;
  return i < static_cast<int64_t>(v.size()) ? v[static_cast<size_t>(i)] : 0.0f;
}

void BackupCacheStore::put(int64_t offset, float value) {
  if (offset < 0 || offset >= kBackupRegions * kBackupRegionSize) return;
  const int r = static_cast<int>(offset / kBackupRegionSize);
  if (r == kBackupUndo) return;
  const int64_t i = offset % kBackupRegionSize;
  auto& v = regions_[r];
  if (i >= static_cast<int64_t>(v.size())) {
    // Grow geometrically so that a loop writing case after case stays linear.
    const int64_t want = std::min(kBackupRegionSize, std::max<int64_t>({i + 1, 2 * static_cast<int64_t>(v.size()), 4096}));
    if (!grow(r, want)) return;
  }
  v[static_cast<size_t>(i)] = value;
}

float* BackupCacheStore::region(int r, int64_t length) {
  return r == kBackupUndo ? nullptr : grow(r, length);
}

float* BackupCacheStore::grow(int r, int64_t length) {
  if (r < 0 || r >= kBackupRegions || length < 0 || length > kBackupRegionSize) return nullptr;
  auto& v = regions_[r];
  if (static_cast<int64_t>(v.size()) < length) {
    try {
      v.resize(static_cast<size_t>(length), 0.0f);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  return v.empty() ? nullptr : v.data();
}

int64_t BackupCacheStore::heldFloats(int r) const {
  return r >= 0 && r < kBackupRegions ? static_cast<int64_t>(regions_[r].size()) : 0;
}

int64_t BackupCacheStore::heldBytes() const {
  int64_t total = 0;
  for (const auto& v : regions_) total += static_cast<int64_t>(v.capacity() * sizeof(float));
  return total;
}

void BackupCacheStore::release(int r) {
  if (r >= 0 && r < kBackupRegions) releaseArray(regions_[r]);
  if (r == kBackupUndo) gUndo = UndoState{};
}

void BackupCacheStore::releaseAll() {
  for (int r = 0; r < kBackupRegions; ++r) release(r);
}

void MakeInterpolationRecordFor(int16_t slot) {
  if (!SlotHoldsFile(slot)) return;
  const int32_t n = nCases[slot];
  float* flags = BackupCache.region(kBackupInterpolation, static_cast<int64_t>(n) + 1);
  // Flags left stale would count interpolated cases as real ones: the
  // command that asked fails instead.
  if (!flags) throw std::bad_alloc();
  std::fill(flags, flags + n + 1, 0.0f);
  // Every 200 flags through the next 199, so a 200 inside an open span adds
  // nothing and a 199 with no open span closes nothing.
  int32_t open = -1;
  for (const auto& m : MarkersArray[slot]) {
    const int32_t at = std::clamp(m.caseNumber, 0, n);
    const int16_t code = MarkerCode16(m);
    if (code == kInterpolationOpen && open < 0) {
      open = at;
    } else if (code == kInterpolationClose && open >= 0) {
      std::fill(flags + std::min(open, at), flags + std::max(open, at) + 1, 1.0f);
      open = -1;
    }
  }
  if (open >= 0) std::fill(flags + open, flags + n + 1, 1.0f);
}

void MakeInterpolationRecord() {
  if (TheFileInUse < kMaxOpenFiles) MakeInterpolationRecordFor(static_cast<int16_t>(TheFileInUse));
}

void SetSelectionIndexOwner(int16_t slot) {
  if (!SlotHoldsFile(slot)) {
    gSelectionOwner = SelectionOwner{};
    return;
  }
  gSelectionOwner = {slot, nCases[slot], FileName[slot]};
}

int32_t SelectedCaseCount(int16_t slot) {
  if (!SlotHoldsFile(slot) || gSelectionOwner.slot != slot || gSelectionOwner.cases != nCases[slot] ||
      gSelectionOwner.name != FileName[slot])
    return 0;
  return static_cast<int32_t>(BackupCache.get(kSelectionCountOffset));
}

// ---- Start time ------------------------------------------------------------------------------

void AdvanceStartTime(int16_t slot, double seconds) {
  if (!slotIndexOk(slot) || !std::isfinite(seconds)) return;
  noteChange(slot);
  const int32_t start = std::max(ClockTextSeconds(StartTime[slot]), 0);
  const double moved = std::trunc(static_cast<double>(start) + std::trunc(seconds));
  auto t = static_cast<int64_t>(std::fmod(moved, 86400.0));
  if (t < 0) t += 86400;
  StartTime[slot] = ClockText(static_cast<int32_t>(t), true);
  FileInfoFLOATS[slot][kInfoStartMinutes] = static_cast<float>(SecondsToMinutes(static_cast<double>(t)));
}

// ---- Merge backup ----------------------------------------------------------------------------

void SaveMergeBackup(int16_t slot) {
  if (!ValidFileSlot(slot)) return;
  const int b = kMergeBackupSlot;
  FileInfoFLOATS[b][kInfoInterval] = FileInfoFLOATS[slot][kInfoInterval];
  FileInfoFLOATS[b][kInfoDevice] = FileInfoFLOATS[slot][kInfoDevice];
  MarkersArray[b] = MarkersArray[slot];
  FileSHORTS[b][kShortMarkerCount] = FileSHORTS[slot][kShortMarkerCount];
  CommentContainer[b] = CommentContainer[slot];
  for (int i = 0; i < 6; ++i) LabelStrings[b][i] = LabelStrings[slot][i];
  StartTime[b] = StartTime[slot];
  StartDate[b] = StartDate[slot];
  FileName[b] = FileName[slot];
  nCases[b] = nCases[slot];
  nChannels[b] = nChannels[slot];
}

StoreStatus RestoreMergeBackup(int16_t slot) {
  if (!SlotHoldsFile(slot)) return StoreStatus::NoFile;
  const int b = kMergeBackupSlot;
  if (nChannels[b] < 1 || nCases[b] < 1) return StoreStatus::NothingToUndo;
  noteChange(slot);
  for (int c = nChannels[b] + 1; c <= nChannels[slot]; ++c) {
    releaseArray(gPointersToFileData[slot][c]);
    nVar[slot][c].fill(0.0f);
    for (int set = 1; set <= kOverlaySets; ++set) OverlayArray[slot][set][c] = 0;
  }
  nChannels[slot] = std::min(nChannels[slot], nChannels[b]);
  if (nCases[slot] != nCases[b]) {
    // Shrinking never fails; a merge never leaves the file shorter.
    if (nCases[b] < nCases[slot]) shrinkChannels(slot, nCases[b]);
    else if (ResizeChannels(slot, nCases[b]) != StoreStatus::Ok) return StoreStatus::OutOfMemory;
  }
  // The backup is used once: its records change places with the file's,
  // which cannot fail for want of memory.
  FileInfoFLOATS[slot][kInfoInterval] = FileInfoFLOATS[b][kInfoInterval];
  FileInfoFLOATS[slot][kInfoDevice] = FileInfoFLOATS[b][kInfoDevice];
  MarkersArray[slot].swap(MarkersArray[b]);
  syncMarkerCount(slot);
  CommentContainer[slot].swap(CommentContainer[b]);
  for (int i = 0; i < 6; ++i) LabelStrings[slot][i].swap(LabelStrings[b][i]);
  StartTime[slot].swap(StartTime[b]);
  StartDate[slot].swap(StartDate[b]);
  FileName[slot].swap(FileName[b]);
  nChannels[b] = 0;
  nCases[b] = 0;
  dropBlockOutside(slot);
  invalidateUndo(slot);
  return StoreStatus::Ok;
}
