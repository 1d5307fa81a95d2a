// The per-file data store: 18 slots of channel arrays and file records, the
// one-level undo, markers, notes, the comments log and the BackupCache
// regions. GUI-free; failures come back as StoreStatus and the caller shows
// the alert.
//
// Slots 0..15 hold open files; slot 17 is the merge backup; slot 16 is never
// used. Word and field numbers of FileSHORTS, FileInfoFLOATS, LabelStrings
// and OverlayArray sets are 1-based as the program counts them (entry 0 is
// unused).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/channel_array.h"
#include "platform/types.h"

inline constexpr int kMaxOpenFiles = 16;
inline constexpr int kSlotCount = 18;
inline constexpr int kMergeBackupSlot = 17;
inline constexpr int kMaxChannels = 32;
inline constexpr int32_t kMaxCases = 7'000'000;
inline constexpr int kMaxMarkers = 32'500;
inline constexpr int kMaxNotes = 300;
inline constexpr int kLabelWidth = 30;
inline constexpr int kLabelsPerString = 8;
inline constexpr int kChannelInfoFields = 33;

// FileSHORTS words.
inline constexpr int kShortSegment = 1;
inline constexpr int kShortBlockState = 2;     // 2 = block defined
inline constexpr int kShortPlotBuilt = 3;
inline constexpr int kShortCompressed = 4;
inline constexpr int kShortMarkerCount = 5;
inline constexpr int kShortZoomed = 6;
inline constexpr int kShortView = 7;           // 0 single, 1 stacked
inline constexpr int kShortSlotTaken = 8;
inline constexpr int kShortActiveChannel = 9;
inline constexpr int kShortChanged = 10;
inline constexpr int kShortBlockLeftPx = 11;
inline constexpr int kShortBlockRightPx = 12;
inline constexpr int kShortSegments = 13;
inline constexpr int kFileShortsWords = 16;    // 1..13 used, room to spare

// FileInfoFLOATS words.
inline constexpr int kInfoInterval = 1;        // s
inline constexpr int kInfoFlow = 2;            // ml/min
inline constexpr int kInfoTemperature = 3;     // degrees C
inline constexpr int kInfoPressure = 4;        // torr
inline constexpr int kInfoEffectiveVolume = 5; // ml
inline constexpr int kInfoMass = 6;            // g
inline constexpr int kInfoDevice = 7;
inline constexpr int kInfoStartMinutes = 8;    // minutes of the day
inline constexpr int kFileInfoWords = 9;

inline constexpr int kOverlaySets = 4;         // sets 1..4
inline constexpr int kOverlayFlags = 34;       // channels 0..33

enum class StoreStatus : int16_t {
  Ok = 0,
  NoFile,            // slot empty, or no current file
  BadSlot,
  SlotInUse,
  BadChannel,
  BadRange,          // case or span outside the file, or a zero marker code
  TooManyFiles,
  TooManyChannels,
  TooManyCases,
  TooManyMarkers,
  TooManyNotes,
  WouldRemoveAll,    // every channel ticked for removal
  NothingToUndo,
  OutOfMemory,
};
// The alert text for a status ("" for Ok).
const char* StoreStatusText(StoreStatus s);

struct MarkerRecord {
  int32_t caseNumber = 0;
  int32_t code = 0;       // only the low 16 bits count, as a signed number
  friend bool operator==(const MarkerRecord&, const MarkerRecord&) = default;
};
inline int16_t MarkerCode16(const MarkerRecord& m) { return static_cast<int16_t>(m.code); }
inline constexpr int16_t kInterpolationOpen = 200;
inline constexpr int16_t kInterpolationClose = 199;

struct NoteRecord {
  std::string caseText;   // the note's case is the number written here
  std::string timeText;
  std::string noteText;
  friend bool operator==(const NoteRecord&, const NoteRecord&) = default;
};

// 33 floats per channel: 1 A-D channel (above 99 a copy), 2..4 coefficients
// A, B, C, 5 conversion kind, 6 "N", 8/9/11/12 strip layout, 24 cubic terms.
using ChannelInfoRecord = std::array<float, kChannelInfoFields>;

// ---- Per-slot tables -------------------------------------------------------
// Channel arrays, channels 0..32; each holds nCases + 1 floats while the
// channel exists and is empty otherwise. Channel 0 is the scratch channel.
extern ChannelArray gPointersToFileData[kSlotCount][kMaxChannels + 1];
extern int32_t nCases[kSlotCount];
extern int16_t nChannels[kSlotCount];
extern float FileInfoFLOATS[kSlotCount][kFileInfoWords];
extern int16_t FileSHORTS[kSlotCount][kFileShortsWords];
// Strings 1..4 hold eight 30-byte labels each (channel c in string
// (c-1)/8 + 1 at byte (c-1)%8*30); string 5 stays empty. Write labels with
// SetChannelLabel so positions stay fixed.
extern std::string LabelStrings[kSlotCount][6];
// Labels as they were before the last MAKEBACKUP (or as loaded); UNDO
// restores the label of the channel it restores from them.
extern std::string OldLabelStrings[kSlotCount][6];
// Marker n (1-based, as the program numbers them) is MarkersArray[s][n-1];
// the store keeps the list in case order and FileSHORTS word 5 equal to its
// size. Read it freely; write it through the store's functions
// (SwapMarkerList for a list a command built), which the main loop counts on.
extern std::vector<MarkerRecord> MarkersArray[kSlotCount];
extern std::vector<NoteRecord> NotesArray[kSlotCount];
extern int16_t NumberOfNotes[kSlotCount];
extern std::string CommentContainer[kSlotCount];
extern ChannelInfoRecord nVar[kSlotCount][kMaxChannels + 1];
extern std::string FileName[kSlotCount];
extern std::string FilePath[kSlotCount];
extern std::string StartDate[kSlotCount];   // "mm-dd-yyyy"
extern std::string StartTime[kSlotCount];   // "hh:mm:ss"
// The name "Save As" proposes instead of FileName; empty: FileName.
extern std::string SaveAsName[kSlotCount];
extern int32_t BeginBlock[kSlotCount];
extern int32_t EndBlock[kSlotCount];
extern int16_t ActiveChannelArray[kSlotCount];
// Four sets of channel flags: 1 stacked display / overlay / ticked for
// deletion, 2 chosen for saving, 3 all-values display, 4 spare.
extern uint16_t OverlayArray[kSlotCount][kOverlaySets + 1][kOverlayFlags];
// Colour of each channel, shared by all files.
extern plat::Rgb16 OverlayColor[kOverlayFlags];

// ---- Sample access -----------------------------------------------------------
// Reads and writes outside the channel's array (a bad slot, an absent channel,
// a case outside 0..nCases) are counted here; a read gives 0, a write is
// dropped.
extern uint64_t gStoreAccessFaults;

inline float GetDatum(int16_t slot, int16_t channel, int32_t caseIndex) {
  if (static_cast<uint16_t>(slot) < kSlotCount && static_cast<uint16_t>(channel) <= kMaxChannels) {
    const ChannelArray& a = gPointersToFileData[slot][channel];
    if (static_cast<uint32_t>(caseIndex) < a.size()) return a[static_cast<size_t>(caseIndex)];
  }
  ++gStoreAccessFaults;
  return 0.0f;
}

inline void PutDatum(int16_t slot, int16_t channel, int32_t caseIndex, float value) {
  if (static_cast<uint16_t>(slot) < kSlotCount && static_cast<uint16_t>(channel) <= kMaxChannels) {
    ChannelArray& a = gPointersToFileData[slot][channel];
    if (static_cast<uint32_t>(caseIndex) < a.size()) {
      a[static_cast<size_t>(caseIndex)] = value;
      return;
    }
  }
  ++gStoreAccessFaults;
}

// Direct access for hot loops: nCases + 1 floats, or nullptr when the channel
// does not exist. Invalidated by any operation that resizes the file.
float* ChannelData(int16_t slot, int16_t channel);

// ---- Slots -----------------------------------------------------------------
bool ValidFileSlot(int16_t slot);          // 0..15
bool SlotHoldsFile(int16_t slot);          // arrays present
bool SlotHasBlock(int16_t slot);           // holds a file with a block marked
int16_t FindFreeSlot();                    // -1 when 16 files are open
int16_t CountOpenFiles();
// Gives an empty slot `channels` zero-filled channels of `cases` + 1 floats
// (plus channel 0) and fresh records: blank labels, no markers or notes.
StoreStatus AllocateSlot(int16_t slot, int32_t cases, int16_t channels);
// FindFreeSlot + AllocateSlot.
StoreStatus OpenNewFileSlot(int32_t cases, int16_t channels, int16_t* slotOut);
// Releases the slot's arrays and clears its records. When the last file
// closes, the BackupCache and ParseArray are released too.
void FreeSlot(int16_t slot);
// A number naming the file a slot holds, new for every file given a slot in
// this process, so a file closed and another opened into its slot differ;
// 0 for a slot never given one.
uint64_t SlotFileIdentity(int16_t slot);

// ---- Channels and cases ------------------------------------------------------
// Appends channel nChannels + 1 to TheFileInUse, zero-filled, with a blank
// label and a cleared parameter record.
StoreStatus XREFNewChannel();
StoreStatus AddChannel(int16_t slot);
// Takes back the channel AddChannel appended last: its array, label,
// records and flags go. Asks for no memory, so a command that added a
// channel can remove it when it fails. A single channel stays.
void DropLastChannel(int16_t slot) noexcept;
// Every channel 0..nChannels to newCases + 1 floats, contents kept, new cases
// 0. Markers beyond the new end are dropped and a block reaching past it is
// cleared. Nothing changes when memory runs out.
StoreStatus ResizeChannels(int16_t slot, int32_t newCases);
// Removes cases first..last-1 from every channel (the case at `last` moves to
// `first`); markers at first..last are removed and later ones move down by
// last - first. Interpolation spans keep the cases of them that are left:
// the flag of case `last` moves with its value to `first`, and spans the cut
// brings together are held as one pair. The flags are rebuilt at once.
// lastRemovedCode receives the code of the last removed marker in list order
// that is not an interpolation mark (0 when none). Nothing changes when
// memory runs out.
StoreStatus CutCases(int16_t slot, int32_t first, int32_t last, int32_t* lastRemovedCode = nullptr);
// Keeps cases first..last as 1..last-first+1 (case 0 keeps its value);
// markers follow, those outside are dropped; the interpolation flags are
// rebuilt at once. Nothing changes when memory runs out.
StoreStatus CropCases(int16_t slot, int32_t first, int32_t last);
// Deletes the channels flagged in remove[1..nChannels], closing up data,
// labels, parameter fields 0..31 (field 32 stays with its number) and
// overlay sets 2..4; set 1 is cleared. Refuses to delete every channel.
// Nothing changes when memory runs out.
StoreStatus RemoveChannels(int16_t slot, const bool remove[kMaxChannels + 1], int16_t* removedCount = nullptr);
// New channel k (1..count) is old channel order[k - 1], a channel may be
// named twice; channels not named leave. Data and labels move with their
// channel, as do parameter fields 2..6 (the calibration values the file
// format carries per channel); the record's other fields stay with the
// position. Arrays move, only a repeated channel is copied; the copies are
// made first, so a lack of memory changes nothing. Drops the undo copy.
StoreStatus ArrangeChannels(int16_t slot, const int16_t* order, int16_t count);

// ---- Labels ------------------------------------------------------------------
// Cuts or blank-pads to exactly 30 bytes.
std::string FitLabel(std::string_view label);
// The 30-byte label of a channel of TheFileInUse; "" outside 1..32.
std::string RetrieveLabel(int16_t channel);
std::string RetrieveLabelOf(int16_t slot, int16_t channel);
// Cut or blank-padded to 30 bytes, written in place: asks for no memory
// once the channel's label string is full length.
void SetChannelLabel(int16_t slot, int16_t channel, std::string_view label);
// OldLabelStrings := LabelStrings (loaders call it after filling the labels).
void SnapshotLabels(int16_t slot);

// ---- Undo --------------------------------------------------------------------
// Copies the channel of TheFileInUse into the undo region, marks the file
// changed and keeps the current labels and marker list for UNDO. Also sets
// LastChan.
StoreStatus MAKEBACKUP(int16_t channel);
// Puts the undo copy back with the label its channel had (no other label
// changes) and logs the undo. When
// interpolation pairs were added since the copy, the marker list goes back
// to the one the copy kept (the file's own markers as they are now, when
// they changed since) and the interpolation flags are rebuilt. The file
// stays marked changed: an earlier change may still be unsaved. What asks
// for memory is made first: std::bad_alloc leaves everything as it was.
StoreStatus UNDO();
// How many undo copies MAKEBACKUP has taken so far: a command that failed
// half-way knows from it whether the channel it edited can be put back.
uint64_t BackupsMade();
// True when the undo copy belongs to this slot and still fits its channel.
bool UndoAvailable(int16_t slot);
// Forgets the undo copy when it belongs to this slot (after a change of the
// whole file that a one-channel copy cannot undo).
void DropUndoCopy(int16_t slot);

// Counts the changes made to a slot through the store's own functions
// (MAKEBACKUP, UNDO, the channel, case, label, marker, note and comment
// edits, opening and freeing), each counted before it begins: a command
// that failed while the count stood still changed nothing through them.
// Commands that write samples themselves take an undo copy first, which
// counts.
uint64_t StoreChanges(int16_t slot);
// StoreChanges less the changes known to have been taken back exactly:
// comment lines cut back, a channel dropped that nothing but its labels
// and comment lines touched since it was added, an undo copy put back when
// nothing but what it reverses was counted since it was taken, a copy taken
// again of a channel still as the copy kept. Equal counts at two times,
// with the comments as they were, mean the file is as it was.
uint64_t StandingChanges(int16_t slot);

// ---- Comments log --------------------------------------------------------------
// EditRecord := CR, nine blanks, 0xC6, "  Channel", number, ", ", the label
// without trailing blanks, ":  ".
void GetChanLABEL(int16_t channel);
void AppendComment(int16_t slot, std::string_view text);
// Where a slot's comments stood: their length, the appends AppendComment
// had counted and their last bytes, which tell comments rewritten since
// from comments only appended to.
struct CommentsMark {
  size_t length = 0;
  uint64_t appends = 0;
  std::array<char, 16> tail{};
  size_t tailLength = 0;
};
// Where the comments of the undo copy's slot stood when MAKEBACKUP took it.
CommentsMark UndoCommentsMark();
// Where a slot's comments stand now; asks for no memory.
CommentsMark CommentsMarkOf(int16_t slot) noexcept;
// Moves that mark to where the slot's comments stand now, when the undo copy
// is the slot's: a command that stored a new channel with its log line and
// goes on keeps that line through a later failure, as it keeps the channel.
void RenewUndoCommentsMark(int16_t slot);
// The appends made since the mark when since then lines were only
// appended to the slot's comments; 0 when none were, or they were rewritten.
uint64_t CommentAppendsSince(int16_t slot, const CommentsMark& mark) noexcept;
// Cuts the slot's comments back to the mark when since then lines were
// only appended to them, as an edit logs itself; asks for no memory. The
// appends taken back, each a change StoreChanges counted (the cut itself
// is not counted, and StandingChanges no longer counts them); 0 when
// nothing was cut.
uint64_t CutCommentsBackTo(int16_t slot, const CommentsMark& mark) noexcept;
// With Record Edits on: appends text (cut to 255 bytes) and tells the
// comments window unless word 35 says not to. False when nothing was logged.
bool AppendEditLog(int16_t slot, std::string_view text);
// The text GetChanLABEL puts in EditRecord, for a channel of TheFileInUse.
std::string ChannelLogHeading(int16_t channel);
// The same for a channel under a label it is yet to get.
std::string ChannelLogHeading(int16_t channel, std::string_view label);

// The Record Edits lines of a change, written before the change so that
// the words describe the file as it was: reserve() makes room for them in
// the comments (std::bad_alloc, with nothing changed, when there is none),
// after which commit() appends them without asking for memory. With Record
// Edits off, nothing is kept or logged.
class PendingEditLog {
 public:
  explicit PendingEditLog(int16_t slot) : slot_(slot) {}
  void add(std::string_view text);   // one AppendEditLog's worth, cut to 255 bytes
  void reserve();
  void commit();

 private:
  int16_t slot_;
  std::string text_;
};

// ---- Markers and notes ---------------------------------------------------------
int16_t MarkerCount(int16_t slot);
// Places a marker in case order; the first marker already on that case
// takes the new code (a click replaces what the case holds), unless it is a
// 200 or 199: the new one then goes before it. Refuses case outside
// 1..nCases, code 0 and a 32,501st marker.
StoreStatus AddMarker(int16_t slot, int32_t caseNumber, int32_t code);
// Marks first..last as interpolated. The 200s and 199s of the list are
// rewritten to hold the union of the spans flagged so far and this one as
// separate 200/199 pairs in case order, spans that overlap or touch made
// one; the file's other markers stay as they are, first on their case. A
// list saved unbalanced is read as MakeInterpolationRecord reads it and
// balanced here. Refuses 1 <= first <= last <= nCases not holding, and a
// list that would pass 32,500 markers; nothing changes then (nor when
// std::bad_alloc is thrown).
StoreStatus AddInterpolationPair(int16_t slot, int32_t first, int32_t last);
struct InterpolationSpan {
  int32_t first = 0, last = 0;
};
// A pair for each span, as AddInterpolationPair adds them one after
// another: (*statuses)[i] is span i's status, and the list and the count of
// changes come out as adding them in turn leaves them. One pass over the
// list while the spans come in order of their first cases, as a scan finds
// them (each turn back in that order costs another). Every span is told
// NoFile when the slot holds no file. Nothing changes when std::bad_alloc
// is thrown.
void AddInterpolationPairs(int16_t slot, const std::vector<InterpolationSpan>& spans,
                           std::vector<StoreStatus>* statuses);
bool RemoveMarker(int16_t slot, int index1);
// Case order, keeping the order of markers on one case; drops code 0, cases
// outside 1..cases and a record equal to the one kept before it; at most
// 32,500 kept. Returns the number of records dropped.
int32_t CleanMarkerList(std::vector<MarkerRecord>& markers, int32_t cases);
// Replaces the list, cleaned as CleanMarkerList does. Returns the number
// of records dropped.
int32_t SetMarkers(int16_t slot, std::vector<MarkerRecord> markers);
// Exchanges the slot's marker list with `other` whole, the count word
// following: for a command that built the new list itself, or puts back
// the one it kept. Asks for no memory. Code outside the store writes the
// list only through the store's functions.
void SwapMarkerList(int16_t slot, std::vector<MarkerRecord>& other) noexcept;
// How many times SwapMarkerList wrote the slot's list. A put-back is no
// change of the file's and StoreChanges leaves it out; with that count, this
// one tells whether the list may have been written since.
uint64_t MarkerListSwaps(int16_t slot);
// Each field is cut to the 255 bytes a saved file holds.
inline constexpr size_t kMaxNoteFieldBytes = 255;
StoreStatus AddNote(int16_t slot, NoteRecord note);
void ClearNotes(int16_t slot);

// ---- BackupCache -----------------------------------------------------------------
// Six regions of 7,000,001 floats addressed by float offset r * 7,000,001 +
// case. A region holds memory only up to the highest case touched, so an idle
// program holds none; untouched floats read as 0.
inline constexpr int64_t kBackupRegionSize = 7'000'001;
inline constexpr int kBackupRegions = 6;
inline constexpr int kBackupWork0 = 0;          // work space, one command at a time
inline constexpr int kBackupWork1 = 1;
inline constexpr int kBackupWork2 = 2;
inline constexpr int kBackupUndo = 3;           // written only by MAKEBACKUP
inline constexpr int kBackupSelection = 4;      // case 0 = count, k = flag of case k
inline constexpr int kBackupInterpolation = 5;  // 1.0 = interpolated case
inline constexpr int64_t kSelectionCountOffset = kBackupSelection * kBackupRegionSize;
inline constexpr int64_t kInterpolationOffset = kBackupInterpolation * kBackupRegionSize;

class BackupCacheStore {
 public:
  float get(int64_t offset) const;
  float operator[](int64_t offset) const { return get(offset); }
  // Out-of-range offsets, the undo region and allocation failures drop the
  // write.
  void put(int64_t offset, float value);
  // The region with at least `length` floats (zero-filled growth), or nullptr
  // for a bad region or length, for the undo region (only MAKEBACKUP writes
  // it, so no command's work copy can destroy the user's undo), or when
  // memory runs out. The pointer lives until the region grows or is released.
  float* region(int r, int64_t length);
  int64_t heldFloats(int r) const;
  // The region's heldFloats(r) floats for reading (the undo copy included),
  // nullptr when it holds none.
  const float* view(int r) const;
  int64_t heldBytes() const;
  void release(int r);
  void releaseAll();

 private:
  friend StoreStatus MAKEBACKUP(int16_t channel);
  friend StoreStatus UNDO();
  float* grow(int r, int64_t length);
  std::vector<float> regions_[kBackupRegions];
};
extern BackupCacheStore BackupCache;

// Rebuilds the interpolation flags of TheFileInUse: cases 0..nCases cleared,
// then every case from a 200 marker through the next 199 marker (both
// included) set to 1.0; a span left open runs to nCases. Throws
// std::bad_alloc when the flags' region cannot be had.
void MakeInterpolationRecord();
void MakeInterpolationRecordFor(int16_t slot);
inline bool CaseIsInterpolated(int32_t caseIndex) {
  return BackupCache.get(kInterpolationOffset + caseIndex) != 0.0f;
}

// The selection flags belong to the file they were built for: for any other
// file, or once that file's length changed or it closed, the index counts
// as absent (no case selected).
void SetSelectionIndexOwner(int16_t slot);
int32_t SelectedCaseCount(int16_t slot);

// ---- Start time ---------------------------------------------------------------------
// Moves StartTime of the slot on by whole seconds (fractions truncated, the
// day wrapped) as cutting or cropping the front of a recording does, writing
// blanks for leading zeros (" 7: 5: 9"), and sets FileInfoFLOATS word 8 to
// match. An unreadable start time counts as midnight.
void AdvanceStartTime(int16_t slot, double seconds);

// ---- Merge backup (slot 17) -----------------------------------------------------
// Keeps what a merge may change: interval, device code, markers, comments,
// labels, start time and date, name, case and channel counts.
void SaveMergeBackup(int16_t slot);
// Puts them back and cuts the arrays back to the saved counts; cannot fail
// for want of memory. The backup is used up.
StoreStatus RestoreMergeBackup(int16_t slot);

// ---- Hooks the GUI installs ---------------------------------------------------------
struct StoreHooks {
  void (*playSound)(const char* name) = nullptr;        // UNDO's "droplet"
  void (*commentsChanged)(int16_t slot) = nullptr;      // refill window 3
  // A channel's samples are about to change or were restored: cached views
  // of them (the plot's extremes table) must be rebuilt.
  void (*channelChanged)(int16_t slot, int16_t channel) = nullptr;
};
extern StoreHooks gStoreHooks;
