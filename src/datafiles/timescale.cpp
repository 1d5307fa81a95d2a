#include "datafiles/timescale.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <new>
#include <thread>

#include "datafiles/repairs.h"
#include "platform/pages.h"
#include "shell/textutil.h"

namespace {

bool usable(float f) { return std::isfinite(f) && f > 0.0f; }

std::vector<NoteRecord> resampledNotes(const std::vector<NoteRecord>& notes, double ratio, int32_t newCases) {
  std::vector<NoteRecord> out = notes;
  for (NoteRecord& n : out) {
    // Clamped before the conversion: a case text of "1e300" is past the last
    // case, not undefined, and lands on the last case like a marker would.
    const double k = std::clamp(TextToNum(n.caseText), -1.0, static_cast<double>(INT32_MAX));
    n.caseText = FieldNumText(static_cast<double>(ResampledMarkerCase(static_cast<int32_t>(k), ratio, newCases)));
  }
  return out;
}

// The pages of a growing file's fresh arrays, mapped in on a helper thread
// one array ahead of the writing: the kernel's work on them took most of a
// lengthening's time, and now overlaps the re-sampling. Whichever side
// reaches an array first maps it; the other goes on. Memory is at most one
// array ahead of the writing.
class PagesAhead {
 public:
  // The arrays in the order they are written; each stays where it is until
  // the helper has been joined.
  PagesAhead(std::vector<const float*> arrays, size_t count) : arrays_(std::move(arrays)), count_(count) {
    try {
      dropped_.reserve(arrays_.size());
    } catch (const std::bad_alloc&) {  // each old array is freed where it is dropped
    }
    try {
      helper_ = std::thread([this] { run(); });
    } catch (const std::exception&) {  // no thread to be had: each array is mapped as it is reached
    }
  }
  ~PagesAhead() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_one();
    if (helper_.joinable()) helper_.join();
  }
  PagesAhead(const PagesAhead&) = delete;
  PagesAhead& operator=(const PagesAhead&) = delete;

  // An old array whose samples are no longer needed: unmapping its pages
  // took a tenth of a channel's time, so the helper does it.
  void drop(std::vector<float>& a) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (helper_.joinable() && dropped_.size() < dropped_.capacity()) dropped_.emplace_back().swap(a);
    }
    std::vector<float>().swap(a);
    wake_.notify_one();
  }

  // Array i is about to be written.
  void reach(size_t i) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      reached_ = i;
    }
    wake_.notify_one();
    take(i);
  }

 private:
  void take(size_t i) {
    if (i >= taken_.size() || !taken_[i].exchange(true)) PopulatePages(arrays_[i], count_ * sizeof(float));
  }
  void run() {
    const size_t count = std::min(arrays_.size(), taken_.size());
    for (size_t i = 0;;) {
      std::vector<float> old;
      bool freeing = false;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return stop_ || !dropped_.empty() || (i < count && i <= reached_ + 1); });
        if (!dropped_.empty()) {
          old.swap(dropped_.back());
          dropped_.pop_back();
          freeing = true;
        } else if (stop_) {
          return;
        }
      }
      if (freeing) continue;   // `old` goes here, off the writing thread
      if (i < count) take(i++);
    }
  }

  std::vector<const float*> arrays_;   // at most the channels and the scratch channel
  std::vector<std::vector<float>> dropped_;
  size_t count_;
  std::array<std::atomic<bool>, kMaxChannels + 1> taken_{};
  std::mutex mutex_;
  std::condition_variable wake_;
  size_t reached_ = 0;
  bool stop_ = false;
  std::thread helper_;
};

// ResampleSeriesLanded for a whole ratio k (old case i lands on i * k, as
// ResampledIndex gives for every count a file can hold), old cases
// from..to (from >= 1) into out[(from - 1) * k + 1 .. to * k], worked out
// from the two neighbours of each gap without a landing table, so the loops
// vectorise. The arithmetic is the landed loop's, bit for bit.
void resampleWholeRatio(const float* in, int64_t from, int64_t to, int32_t k, float* out) {
  // Case 0 counts as case 1, so the first gap is flat.
  const auto before = [in](int64_t i) { return i == 1 ? in[1] : in[i - 1]; };
  if (k == 2) {
    if (from == 1) {
      out[1] = in[1];
      out[2] = in[1];
      ++from;
    }
    for (int64_t i = from; i <= to; ++i) {
      const double vp = in[i - 1], v = in[i];
      out[2 * i - 1] = static_cast<float>(vp + (v - vp) * 0.5);
      out[2 * i] = in[i];
    }
    return;
  }
  const double span = k;
  const bool powerOfTwo = (k & (k - 1)) == 0;
  const double step = 1.0 / span;
  for (int64_t i = from; i <= to; ++i) {
    const double vp = before(i);
    const double rise = static_cast<double>(in[i]) - vp;
    float* o = out + (i - 1) * k;
    if (powerOfTwo) {
      for (int32_t m = 1; m < k; ++m) o[m] = static_cast<float>(vp + rise * static_cast<double>(m) * step);
    } else {
      for (int32_t m = 1; m < k; ++m) o[m] = static_cast<float>(vp + rise * static_cast<double>(m) / span);
    }
    o[k] = in[i];
  }
}

}  // namespace

// Ratios of these decimals are exact for the usual rates, where ratios of the
// raw floats are not.
double DecimalValue(float f) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, f);
  double d = f;
  std::from_chars(buf, r.ptr, d);
  return d;
}

double ResampleRatio(float oldInterval, float newInterval) {
  if (!usable(oldInterval) || !usable(newInterval)) return 0.0;
  return DecimalValue(oldInterval) / DecimalValue(newInterval);
}

int64_t ResampledIndex(int64_t oldCase, double ratio) {
  const double x = static_cast<double>(oldCase) * ratio * (1.0 + kWholeMargin);
  // Intervals far apart give products no int64_t holds; converting those is
  // undefined and came out negative, so "too many cases" read as unusable.
  if (x >= 9.0e18) return INT64_MAX;
  // For the cases, never negative, the truncating conversion is the floor,
  // and far cheaper than floor() per case of a long file.
  return x >= 0.0 ? static_cast<int64_t>(x) : static_cast<int64_t>(std::floor(x));
}

int64_t ResampledCaseCount(int32_t cases, float oldInterval, float newInterval) {
  if (!std::isfinite(oldInterval) || !usable(newInterval) || cases < 0) return -1;
  if (oldInterval <= 0.0f) return -1;
  return ResampledIndex(cases, ResampleRatio(oldInterval, newInterval));
}

void ResampleSeries(const float* in, int32_t cases, double ratio, float* out, int32_t newCases) {
  if (newCases < 0) return;
  const int64_t limit = newCases;
  int64_t p = -1;
  float vp = 0.0f;
  for (int64_t i = 0; i <= cases; ++i) {
    const float v = (i == 0 && cases >= 1) ? in[1] : in[i];
    const int64_t j = ResampledIndex(i, ratio);
    if (p >= 0 && j > p + 1) {
      const int64_t to = std::min(j - 1, limit);
      const double span = static_cast<double>(j - p);
      for (int64_t k = p + 1; k <= to; ++k)
        out[k] = static_cast<float>(vp + (static_cast<double>(v) - vp) * static_cast<double>(k - p) / span);
    }
    if (j <= limit) out[j] = v;
    p = j;
    vp = v;
    if (p >= limit && i < cases && ResampledIndex(i + 1, ratio) > limit) break;
  }
  for (int64_t k = std::max<int64_t>(p + 1, 0); k <= limit; ++k) out[k] = vp;
}

void ResampleLandings(int32_t cases, double ratio, int32_t* landing) {
  for (int64_t i = 0; i <= cases; ++i) landing[i] = static_cast<int32_t>(ResampledIndex(i, ratio));
}

void ResampleSeriesLanded(const float* in, int32_t cases, const int32_t* landing, float* out, int32_t newCases) {
  if (newCases < 0 || cases < 0) return;
  int64_t p = -1;
  float vp = 0.0f;
  for (int64_t i = 0; i <= cases; ++i) {
    const float v = i == 0 && cases >= 1 ? in[1] : in[i];
    const int64_t j = landing[i];
    if (j > newCases) {
      // The tail beyond the new end: fill up to it, as the plain loop does.
      if (p >= 0) {
        const double span = static_cast<double>(j - p);
        for (int64_t k = p + 1; k <= newCases; ++k)
          out[k] = static_cast<float>(vp + (static_cast<double>(v) - vp) * static_cast<double>(k - p) / span);
      }
      return;
    }
    if (p >= 0 && j > p + 1) {
      const int64_t gap = j - p;
      const double span = static_cast<double>(gap);
      const double rise = static_cast<double>(v) - vp;
      if ((gap & (gap - 1)) == 0) {
        // A power of two: its reciprocal is exact, so multiplying gives the
        // quotient bit for bit, without a division per case.
        const double step = 1.0 / span;
        for (int64_t k = p + 1; k < j; ++k) out[k] = static_cast<float>(vp + rise * static_cast<double>(k - p) * step);
      } else {
        for (int64_t k = p + 1; k < j; ++k) out[k] = static_cast<float>(vp + rise * static_cast<double>(k - p) / span);
      }
    }
    out[j] = v;
    p = j;
    vp = v;
  }
  for (int64_t k = std::max<int64_t>(p + 1, 0); k <= newCases; ++k) out[k] = vp;
}

int32_t ResampledMarkerCase(int32_t caseNumber, double ratio, int32_t newCases) {
  const int64_t j = ResampledIndex(caseNumber, ratio);
  return static_cast<int32_t>(std::clamp<int64_t>(j, 1, std::max<int32_t>(newCases, 1)));
}

FileStatus ResampleImage(DataFileImage& image, float newInterval) {
  const int64_t count = ResampledCaseCount(image.cases, image.interval, newInterval);
  if (count < 0) return FileStatus::BadRange;
  if (count > kMaxCases) return FileStatus::TooManyCases;
  if (count < 2) return FileStatus::TooFewCases;
  const auto newCases = static_cast<int32_t>(count);
  const double r = ResampleRatio(image.interval, newInterval);
  std::vector<std::vector<float>> data(image.data.size());
  try {
    for (size_t c = 0; c < data.size(); ++c) {
      data[c].resize(static_cast<size_t>(newCases) + 1);
      ResampleSeries(image.data[c].data(), image.cases, r, data[c].data(), newCases);
    }
  } catch (const std::bad_alloc&) {
    return FileStatus::OutOfMemory;
  }
  for (MarkerRecord& m : image.markers) m.caseNumber = ResampledMarkerCase(m.caseNumber, r, newCases);
  CleanMarkers(image.markers, newCases);
  image.notes = resampledNotes(image.notes, r, newCases);
  image.data = std::move(data);
  image.cases = newCases;
  image.interval = newInterval;
  return FileStatus::Ok;
}

StoreStatus ResampleSlot(int16_t slot, float newInterval) {
  if (!SlotHoldsFile(slot)) return StoreStatus::NoFile;
  const int32_t oldCases = nCases[slot];
  const int64_t count = ResampledCaseCount(oldCases, FileInfoFLOATS[slot][kInfoInterval], newInterval);
  if (count > kMaxCases) return StoreStatus::TooManyCases;
  if (count < 2) return StoreStatus::BadRange;
  const auto newCases = static_cast<int32_t>(count);
  const auto length = static_cast<size_t>(newCases) + 1;
  const double r = ResampleRatio(FileInfoFLOATS[slot][kInfoInterval], newInterval);
  const int16_t channels = nChannels[slot];

  // Every array, the scratch channel included, gets room for the new length
  // before any is written, so a lack of memory leaves the file as it was.
  // A file that grows is written into fresh arrays, each old one freed once
  // its channel is done: growing in place would copy every sample first.
  const bool grows = newCases > oldCases;
  const double whole = std::round(r);
  const bool wholeRatio = grows && whole == r && whole <= kMaxCases &&
                          static_cast<int64_t>(oldCases) * static_cast<int64_t>(whole) == newCases;
  std::vector<MarkerRecord> markers;
  std::vector<int32_t> landing;
  std::vector<std::vector<float>> fresh;
  std::vector<const float*> writeOrder;   // of the fresh arrays: the channels, then the scratch channel
  try {
    markers = MarkersArray[slot];
    if (!wholeRatio) landing.resize(static_cast<size_t>(oldCases) + 1);
    if (grows) {
      fresh.resize(static_cast<size_t>(channels) + 1);
      for (std::vector<float>& a : fresh) a.reserve(length);
      for (int16_t c = 1; c <= channels + 1; ++c) writeOrder.push_back(fresh[static_cast<size_t>(c % (channels + 1))].data());
    } else {
      for (int16_t c = 0; c <= channels; ++c) gPointersToFileData[slot][c].reserve(length);
    }
  } catch (const std::bad_alloc&) {
    for (int16_t c = 0; c <= channels; ++c) gPointersToFileData[slot][c].shrink_to_fit();
    return StoreStatus::OutOfMemory;
  }
  // Every channel lands on the same new cases: worked out once.
  if (!wholeRatio) ResampleLandings(oldCases, r, landing.data());
  if (grows) {
    PagesAhead pages(std::move(writeOrder), length);
    for (int16_t c = 1; c <= channels; ++c) {
      std::vector<float>& a = gPointersToFileData[slot][c];
      std::vector<float>& out = fresh[static_cast<size_t>(c)];
      pages.reach(static_cast<size_t>(c - 1));
      if (wholeRatio) {
        // Grown a block at a time, so the zeros the vector writes are still
        // in cache when the samples overwrite them.
        constexpr int64_t kBlock = 2048;
        const auto k = static_cast<int32_t>(whole);
        out.resize(1);
        for (int64_t from = 1; from <= oldCases; from += kBlock) {
          const int64_t to = std::min<int64_t>(from + kBlock - 1, oldCases);
          out.resize(static_cast<size_t>(to * k) + 1);
          resampleWholeRatio(a.data(), from, to, k, out.data());
        }
      } else {
        out.resize(length);
        ResampleSeriesLanded(a.data(), oldCases, landing.data(), out.data(), newCases);
      }
      out[0] = a[1];
      a.swap(out);
      pages.drop(out);
    }
    pages.reach(static_cast<size_t>(channels));
    fresh[0].resize(length);
    gPointersToFileData[slot][0].swap(fresh[0]);
    fresh.clear();
  } else {
    // Each channel is re-sampled into the scratch channel and the two arrays
    // change places; the old array is the next channel's scratch.
    std::vector<float>& scratch = gPointersToFileData[slot][0];
    scratch.resize(length);
    for (int16_t c = 1; c <= channels; ++c) {
      std::vector<float>& a = gPointersToFileData[slot][c];
      ResampleSeriesLanded(a.data(), oldCases, landing.data(), scratch.data(), newCases);
      // The leading value is the old first case, whatever the scratch holds.
      scratch[0] = a[1];
      a.swap(scratch);
      scratch.resize(length);
    }
    // Memory goes back when most of it is free; a copy per channel would cost
    // more than the re-sampling itself.
    for (int16_t c = 0; c <= channels; ++c) {
      std::vector<float>& a = gPointersToFileData[slot][c];
      if (a.size() < a.capacity() / 2) a.shrink_to_fit();
    }
  }
  nCases[slot] = newCases;
  for (MarkerRecord& m : markers) m.caseNumber = ResampledMarkerCase(m.caseNumber, r, newCases);
  SetMarkers(slot, std::move(markers));
  NotesArray[slot] = resampledNotes(NotesArray[slot], r, newCases);
  FileInfoFLOATS[slot][kInfoInterval] = newInterval;
  FileSHORTS[slot][kShortChanged] = 1;
  DropUndoCopy(slot);
  return StoreStatus::Ok;
}
