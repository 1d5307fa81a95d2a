#include "datafiles/merge.h"

#include <algorithm>
#include <new>

#include "shell/textutil.h"

namespace {

bool gFailNextMerge = false;

std::string withCommentLine(const std::string& c, const std::string& line) {
  if (c.empty() || c == kNoComments) return line;
  return c + (c.back() != '\r' ? "\r" : "") + line;
}

bool pickedValid(const DataFileImage& incoming, const std::vector<int>& picked) {
  std::vector<bool> seen(incoming.data.size(), false);
  for (int k : picked) {
    if (k < 0 || static_cast<size_t>(k) >= incoming.data.size() || seen[static_cast<size_t>(k)]) return false;
    if (incoming.data[static_cast<size_t>(k)].size() != static_cast<size_t>(incoming.cases) + 1) return false;
    seen[static_cast<size_t>(k)] = true;
  }
  return true;
}

FileStatus append(int16_t slot, const DataFileImage& in, const std::vector<int>& picked, MergeReport* rep) {
  const int32_t old = nCases[slot];
  const int32_t n = in.cases;
  if (ResizeChannels(slot, old + n) != StoreStatus::Ok) return FileStatus::OutOfMemory;
  for (size_t k = 0; k < picked.size(); ++k) {
    const float* src = in.data[static_cast<size_t>(picked[k])].data();
    std::copy(src + 1, src + 1 + n, ChannelData(slot, static_cast<int16_t>(k + 1)) + old + 1);
  }
  std::vector<MarkerRecord> markers = MarkersArray[slot];
  for (const MarkerRecord& m : in.markers) markers.push_back({m.caseNumber + old, m.code});
  const auto given = static_cast<int32_t>(markers.size());
  SetMarkers(slot, std::move(markers));
  rep->markersDropped = given - MarkerCount(slot);

  std::vector<NoteRecord>& notes = NotesArray[slot];
  for (const NoteRecord& note : in.notes) {
    if (notes.size() >= static_cast<size_t>(kMaxNotes)) {
      ++rep->notesDropped;
      continue;
    }
    NoteRecord moved = note;
    moved.caseText = FieldNumText(TextToNum(note.caseText) + old);
    notes.push_back(std::move(moved));
  }
  NumberOfNotes[slot] = static_cast<int16_t>(notes.size());
  return FileStatus::Ok;
}

FileStatus stack(int16_t slot, const DataFileImage& in, const std::vector<int>& picked, MergeReport* rep) {
  const int32_t n = nCases[slot];
  for (int k : picked) {
    if (AddChannel(slot) != StoreStatus::Ok) return FileStatus::OutOfMemory;
    const auto c = nChannels[slot];
    const ChannelArray& src = in.data[static_cast<size_t>(k)];
    float* dst = ChannelData(slot, c);
    const int32_t shared = std::min(n, in.cases);
    std::copy(src.begin(), src.begin() + shared + 1, dst);
    std::fill(dst + shared + 1, dst + n + 1, src[static_cast<size_t>(in.cases)]);
    rep->casesCut = std::max(rep->casesCut, in.cases - n);
    rep->casesPadded = std::max(rep->casesPadded, n - in.cases);
    if (static_cast<size_t>(k) < in.labels.size()) SetChannelLabel(slot, c, in.labels[static_cast<size_t>(k)]);
    if (static_cast<size_t>(k) < in.travel.size())
      std::copy(in.travel[static_cast<size_t>(k)].begin(), in.travel[static_cast<size_t>(k)].end(),
                nVar[slot][c].begin() + kFirstTravelField);
    OverlayArray[slot][2][c] = 1;
  }
  return FileStatus::Ok;
}

}  // namespace

void FailNextMergeForTest(bool fail) { gFailNextMerge = fail; }

FileStatus CheckMerge(int16_t slot, const DataFileImage& incoming, const std::vector<int>& picked,
                      MergeMode mode) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return FileStatus::BadRange;
  if (picked.empty()) return FileStatus::NoChannels;
  if (incoming.cases < 1 || !pickedValid(incoming, picked)) return FileStatus::BadFormat;
  if (mode == MergeMode::Append) {
    if (picked.size() != static_cast<size_t>(nChannels[slot])) return FileStatus::BadRange;
    if (static_cast<int64_t>(nCases[slot]) + incoming.cases > kMaxCases) return FileStatus::TooManyCases;
  } else if (nChannels[slot] + static_cast<int64_t>(picked.size()) > kMaxChannels) {
    return FileStatus::TooManyChannels;
  }
  return FileStatus::Ok;
}

FileStatus MergeImage(int16_t slot, const DataFileImage& incoming, const std::vector<int>& picked,
                      MergeMode mode, const std::string& incomingName, MergeReport* report) {
  MergeReport local;
  MergeReport* rep = report ? report : &local;
  *rep = {};
  if (const FileStatus st = CheckMerge(slot, incoming, picked, mode); st != FileStatus::Ok) return st;

  // The backup covers what the store knows a merge touches; the notes are
  // kept here because appending adds to them, and the comments' new text is
  // made before anything changes.
  std::vector<NoteRecord> notes;
  std::string comments;
  try {
    notes = NotesArray[slot];
    comments = withCommentLine(CommentContainer[slot], mode == MergeMode::Append
                                                         ? "*** appended " + incomingName + " ***"
                                                         : "*** added channels from " + incomingName + " ***");
  } catch (const std::bad_alloc&) {
    return FileStatus::OutOfMemory;
  }
  SaveMergeBackup(slot);
  FileStatus st = FileStatus::Ok;
  // A failure thrown half-way is put back as one returned.
  try {
    st = mode == MergeMode::Append ? append(slot, incoming, picked, rep) : stack(slot, incoming, picked, rep);
  } catch (const std::bad_alloc&) {
    st = FileStatus::OutOfMemory;
  }
  if (st == FileStatus::Ok && gFailNextMerge) st = FileStatus::OutOfMemory;
  gFailNextMerge = false;
  if (st != FileStatus::Ok) {
    RestoreMergeBackup(slot);
    NotesArray[slot] = std::move(notes);
    NumberOfNotes[slot] = static_cast<int16_t>(NotesArray[slot].size());
    *rep = {};
    return st;
  }
  CommentContainer[slot].swap(comments);
  FileSHORTS[slot][kShortChanged] = 1;
  return FileStatus::Ok;
}

std::string MergeNotice(const MergeReport& r) {
  std::string s;
  if (r.casesCut > 0)
    s = "The added channels were longer than the file: their last " + FieldNumText(static_cast<double>(r.casesCut)) +
        " cases were left out.";
  else if (r.casesPadded > 0)
    s = "The added channels were shorter than the file: their last value fills the last " +
        FieldNumText(static_cast<double>(r.casesPadded)) + " cases.";
  if (r.markersDropped > 0)
    s += (s.empty() ? "" : " ") + FieldNumText(static_cast<double>(r.markersDropped)) +
         " markers beyond 32,500 were left out.";
  if (r.notesDropped > 0)
    s += (s.empty() ? "" : " ") + FieldNumText(static_cast<double>(r.notesDropped)) +
         " notes beyond 300 were left out.";
  return s;
}
