#include "datafiles/repairs.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "datafiles/byteswap.h"
#include "datafiles/filehelpers.h"

int64_t ZeroNonFiniteSamples(float* data, size_t count) {
  int64_t bad = 0;
  for (size_t i = 0; i < count; ++i) bad += std::isfinite(data[i]) ? 0 : 1;
  if (bad == 0) return 0;  // the common case stays a read-only pass
  for (size_t i = 0; i < count; ++i)
    if (!std::isfinite(data[i])) data[i] = 0.0f;
  return bad;
}

int32_t CleanMarkers(std::vector<MarkerRecord>& markers, int32_t cases) { return CleanMarkerList(markers, cases); }

bool AllLabelsBlank(const std::vector<std::string>& labels) {
  for (const std::string& l : labels)
    if (l.find_first_not_of(' ') != std::string::npos) return false;
  return true;
}

RepairReport RepairImage(DataFileImage& image) {
  RepairReport r;
  if (image.nonFiniteSamples != 0)
    for (auto& ch : image.data) r.aberrantSamples += ZeroNonFiniteSamples(ch.data(), ch.size());
  image.nonFiniteSamples = 0;
  if (IntervalNeedsRepair(image.interval)) {
    image.interval = kRepairedInterval;
    r.intervalRepaired = true;
  }
  for (float* v : {&image.flow, &image.mass, &image.pressure, &image.temperature, &image.effectiveVolume,
                   &image.device}) {
    if (!std::isfinite(*v)) {
      *v = 0.0f;
      ++r.fileValuesReset;
    }
  }
  for (auto& t : image.travel)
    for (float& v : t)
      if (!std::isfinite(v)) {
        v = 0.0f;
        ++r.fileValuesReset;
      }
  if (image.startTime.size() < 8 || image.startTime[2] != ':' || image.startTime[5] != ':') {
    image.startTime = "00:00:00";
    r.startTimeReset = true;
  }
  r.labelsBlank = AllLabelsBlank(image.labels);
  r.markersDropped = CleanMarkers(image.markers, image.cases);
  if (image.notes.size() > static_cast<size_t>(kMaxNotes)) {
    r.notesDropped = static_cast<int32_t>(image.notes.size() - kMaxNotes);
    image.notes.resize(kMaxNotes);
  }
  return r;
}

std::string AberrantNotice(const RepairReport& report) {
  if (report.aberrantSamples == 0) return "";
  return std::to_string(report.aberrantSamples) +
         (report.aberrantSamples == 1 ? " aberrant value was set to 0" : " aberrant values were set to 0");
}

namespace {

void fillSlot(int16_t slot, DataFileImage& image, ChannelArray& scratch, const std::string& name,
              const std::string& path) {
  const int16_t channels = image.channels();
  gPointersToFileData[slot][0].swap(scratch);
  for (int16_t c = 1; c <= channels; ++c) gPointersToFileData[slot][c].swap(image.data[static_cast<size_t>(c - 1)]);
  nCases[slot] = image.cases;
  image.data.clear();

  FileInfoFLOATS[slot][kInfoInterval] = image.interval;
  FileInfoFLOATS[slot][kInfoFlow] = image.flow;
  FileInfoFLOATS[slot][kInfoTemperature] = image.temperature;
  FileInfoFLOATS[slot][kInfoPressure] = image.pressure;
  FileInfoFLOATS[slot][kInfoEffectiveVolume] = image.effectiveVolume;
  FileInfoFLOATS[slot][kInfoMass] = image.mass;
  FileInfoFLOATS[slot][kInfoDevice] = image.device;
  FileInfoFLOATS[slot][kInfoStartMinutes] = StartMinutesOf(image.startTime);
  for (int16_t c = 1; c <= channels; ++c) {
    const auto i = static_cast<size_t>(c - 1);
    if (i < image.labels.size()) SetChannelLabel(slot, c, image.labels[i]);
    OverlayArray[slot][2][c] = 1;  // a save takes every channel unless told otherwise
    if (i < image.travel.size())
      std::copy(image.travel[i].begin(), image.travel[i].end(), nVar[slot][c].begin() + kFirstTravelField);
  }
  SnapshotLabels(slot);
  SetMarkers(slot, std::move(image.markers));
  if (image.notes.size() > static_cast<size_t>(kMaxNotes)) image.notes.resize(kMaxNotes);
  NotesArray[slot] = std::move(image.notes);
  NumberOfNotes[slot] = static_cast<int16_t>(NotesArray[slot].size());
  CommentContainer[slot] = std::move(image.comments);
  StartDate[slot] = std::move(image.startDate);
  StartTime[slot] = std::move(image.startTime);
  FileName[slot] = name;
  FilePath[slot] = path;
}

}  // namespace

FileStatus InstallImage(DataFileImage&& image, const std::string& name, const std::string& path,
                        int16_t* slotOut) {
  const int16_t channels = image.channels();
  if (channels < 1) return FileStatus::NoChannels;
  if (channels > kMaxChannels) return FileStatus::TooManyChannels;
  if (image.cases < 2) return FileStatus::TooFewCases;
  if (image.cases > kMaxCases) return FileStatus::TooManyCases;
  const size_t len = static_cast<size_t>(image.cases) + 1;
  for (const auto& ch : image.data)
    if (ch.size() != len) return FileStatus::BadFormat;
  const int16_t slot = FindFreeSlot();
  if (slot < 0) return FileStatus::TooManyFiles;

  // The scratch channel is the only array allocated here; the image's arrays
  // are taken over, so a full file never sits in memory twice.
  ChannelArray scratch;
  try {
    scratch.reserve(len);
    PrepareFreshPages(scratch.data(), len * 4, len * 4 * static_cast<size_t>(channels + 1));
    scratch.assign(len, 0.0f);
  } catch (const std::bad_alloc&) {
    return FileStatus::OutOfMemory;
  }
  // One case per channel first: the slot is then set up by the store itself.
  const StoreStatus st = AllocateSlot(slot, 1, channels);
  if (st == StoreStatus::OutOfMemory) return FileStatus::OutOfMemory;
  if (st != StoreStatus::Ok) return FileStatus::TooManyFiles;
  // A file that cannot be set up whole is not opened at all: the slot is
  // given back rather than left holding a file without a name.
  try {
    fillSlot(slot, image, scratch, name, path);
  } catch (const std::bad_alloc&) {
    FreeSlot(slot);
    return FileStatus::OutOfMemory;
  }
  if (slotOut) *slotOut = slot;
  return FileStatus::Ok;
}

