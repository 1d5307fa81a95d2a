#include "datafiles/timescale.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "datafiles/repairs.h"
#include "platform/lanes.h"
#include "platform/pages.h"
#include "platform/threads.h"
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

// ResampleSeriesLanded for a whole ratio k (old case i lands on i * k, as
// ResampledIndex gives for every count a file can hold), old cases
// from..to (from >= 1) into out[(from - 1) * k + 1 .. to * k], worked out
// from the two neighbours of each gap without a landing table, so the loops
// vectorise. The arithmetic is the landed loop's, bit for bit. Old case i
// is read from in[i - base].
void resampleWholeRatio(const float* in, int64_t base, int64_t from, int64_t to, int32_t k, float* out) {
  // Case 0 counts as case 1, so the first gap is flat.
  const auto before = [in, base](int64_t i) { return i == 1 ? in[1 - base] : in[i - 1 - base]; };
  const double span = k;
  const bool powerOfTwo = (k & (k - 1)) == 0;
  const double step = 1.0 / span;
  for (int64_t i = from; i <= to; ++i) {
    const double vp = before(i);
    const double rise = static_cast<double>(in[i - base]) - vp;
    float* o = out + (i - 1) * k;
    if (powerOfTwo) {
      for (int32_t m = 1; m < k; ++m) o[m] = static_cast<float>(vp + rise * static_cast<double>(m) * step);
    } else {
      for (int32_t m = 1; m < k; ++m) o[m] = static_cast<float>(vp + rise * static_cast<double>(m) / span);
    }
    o[k] = in[i - base];
  }
}

// Old case j's landing on new case j after the last one, p (value vp): the
// gap between filled on the straight line, then the case itself.
inline void landCase(float* out, int64_t p, float vp, int64_t j, float v) {
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
  constexpr int64_t kRun = 256;
  for (int64_t i = 0; i <= cases; ++i) {
    // A run of old cases each landing at most one case after the one before
    // and none past the end, as in every shrink: each case is only stored,
    // the later over the earlier. Checked a run at a time, ahead.
    if (p >= 0 && cases - i >= kRun) {
      bool plain = landing[i] <= p + 1;
      for (int64_t k = i; k < i + kRun; ++k)
        plain &= landing[k] <= newCases && (k == i || landing[k] <= int64_t{landing[k - 1]} + 1);
      if (plain) {
        for (int64_t k = i; k < i + kRun; ++k) out[landing[k]] = in[k];
        i += kRun - 1;
        p = landing[i];
        vp = in[i];
        continue;
      }
    }
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
    landCase(out, p, vp, j, v);
    p = j;
    vp = v;
  }
  for (int64_t k = std::max<int64_t>(p + 1, 0); k <= newCases; ++k) out[k] = vp;
}

void ResampleInPlace(float* a, int32_t cases, const int32_t* landing, int32_t k, int32_t newCases) {
  if (cases < 1 || newCases < cases) return;
  const float first = a[1];
  const int64_t last = landing ? landing[cases] : static_cast<int64_t>(cases) * k;
  std::fill(a + last + 1, a + static_cast<int64_t>(newCases) + 1, a[cases]);
  if (!landing && k == 2 && cases >= 8) {
    // New case 2i is old case i, 2i - 1 the mean of i - 1 and i. From the
    // top down, in groups of eight new cases 8q..8q + 7 from old cases
    // 4q..4q + 4, read before the group is written; a group writes above
    // every case a group below it reads.
    using lanes::D4;
    using lanes::F4;
    const int64_t groups = (cases - 4) / 4;
    const auto mid = [](double vp, double v) { return static_cast<float>(vp + (v - vp) * 0.5); };
    for (int64_t i = cases; i >= 4 * groups + 4; --i) {
      if (i >= 4 * groups + 5) a[2 * i - 1] = mid(a[i - 1], a[i]);
      a[2 * i] = a[i];
    }
    for (int64_t q = groups; q >= 1; --q) {
      const F4 vp = lanes::load4(a + 4 * q), v = lanes::load4(a + 4 * q + 1);
      const D4 dvp = __builtin_convertvector(vp, D4), dv = __builtin_convertvector(v, D4);
      const F4 m = __builtin_convertvector(dvp + (dv - dvp) * 0.5, F4);
      const F4 lo = __builtin_shufflevector(vp, m, 0, 4, 1, 5);
      const F4 hi = __builtin_shufflevector(vp, m, 2, 6, 3, 7);
      std::memcpy(a + 8 * q, &lo, sizeof lo);
      std::memcpy(a + 8 * q + 4, &hi, sizeof hi);
    }
    const float v2 = a[2], v3 = a[3], v4 = a[4];
    a[7] = mid(v3, v4);
    a[6] = v3;
    a[5] = mid(v2, v3);
    a[4] = v2;
    a[3] = mid(first, v2);
    a[2] = first;
    a[1] = mid(first, first);
    a[0] = first;
    return;
  }
  // From the top down, a block of old cases at a time: a block's cases are
  // copied out before its new cases are written over them, and every new
  // case of a block lies above the old cases of the blocks below it (a case
  // never lands below its own number when the file grows).
  constexpr int64_t kBlock = 2048;
  float in[kBlock + 1];
  for (int64_t to = cases; to >= 1;) {
    const int64_t from = std::max<int64_t>(to - kBlock + 1, 1), base = from - 1;
    std::copy(a + base, a + to + 1, in);
    if (from == 1) in[0] = first;   // case 0 counts as case 1
    if (!landing) {
      resampleWholeRatio(in, base, from, to, k, a);
    } else {
      int64_t p = landing[base];
      float vp = in[0];
      for (int64_t i = from; i <= to; ++i) {
        const int64_t j = landing[i];
        landCase(a, p, vp, j, in[i - base]);
        p = j;
        vp = in[i - base];
      }
    }
    to = from - 1;
  }
  a[0] = first;
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
  std::vector<ChannelArray> data(image.data.size());
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
  // before any is written, so a lack of memory leaves the file as it was. A
  // file that grows does so in place: each array keeps the pages its samples
  // are in, and only the new part is mapped in.
  const bool grows = newCases > oldCases;
  const double whole = std::round(r);
  const bool wholeRatio = grows && whole == r && whole <= kMaxCases &&
                          static_cast<int64_t>(oldCases) * static_cast<int64_t>(whole) == newCases;
  // So are the new marker and note lists: once a channel is re-sampled
  // nothing may fail.
  std::vector<MarkerRecord> markers;
  std::vector<NoteRecord> notes;
  std::vector<int32_t> landing;
  try {
    markers = MarkersArray[slot];
    for (MarkerRecord& m : markers) m.caseNumber = ResampledMarkerCase(m.caseNumber, r, newCases);
    CleanMarkers(markers, newCases);
    notes = resampledNotes(NotesArray[slot], r, newCases);
    if (!wholeRatio) landing.resize(static_cast<size_t>(oldCases) + 1);
    for (int16_t c = 0; c <= channels; ++c) gPointersToFileData[slot][c].reserve(length);
  } catch (const std::bad_alloc&) {
    for (int16_t c = 0; c <= channels; ++c) gPointersToFileData[slot][c].shrink_to_fit();
    return StoreStatus::OutOfMemory;
  }
  // Every channel lands on the same new cases: worked out once.
  if (!wholeRatio) ResampleLandings(oldCases, r, landing.data());
  if (grows) {
    // The channels side by side on threads: most of a channel's time is the
    // kernel's mapping of its fresh pages, which runs on each thread at once.
    const auto oldLength = static_cast<size_t>(oldCases) + 1;
    const bool large = static_cast<int64_t>(length) * channels >= (int64_t{1} << 20);
    const size_t threads = large ? std::min<size_t>({UsableCores(), 8,
                                                     static_cast<size_t>(channels)})
                                 : 1;
    std::atomic<int> next{1};
    onThreads(threads, [&](size_t) {
      for (int c; (c = next.fetch_add(1)) <= channels;) {
        ChannelArray& a = gPointersToFileData[slot][c];
        a.resizeForOverwrite(length);   // within the room made above: no allocation
        PopulatePages(a.data() + oldLength, (length - oldLength) * sizeof(float));
        ResampleInPlace(a.data(), oldCases, wholeRatio ? nullptr : landing.data(),
                        wholeRatio ? static_cast<int32_t>(whole) : 0, newCases);
      }
    });
    // The scratch channel's samples are nobody's: its new cases are not
    // written (a mapping's fresh pages read as 0), so their pages are mapped
    // when a command first uses them.
    ChannelArray& scratch = gPointersToFileData[slot][0];
    scratch.resizeForOverwrite(length);
    if (!ChannelArray::mapped(scratch.capacity())) std::fill(scratch.begin() + oldLength, scratch.end(), 0.0f);
  } else {
    // Each channel is re-sampled into the scratch channel and the two arrays
    // change places; the old array is the next channel's scratch.
    ChannelArray& scratch = gPointersToFileData[slot][0];
    scratch.resize(length);
    for (int16_t c = 1; c <= channels; ++c) {
      ChannelArray& a = gPointersToFileData[slot][c];
      ResampleSeriesLanded(a.data(), oldCases, landing.data(), scratch.data(), newCases);
      // The leading value is the old first case, whatever the scratch holds.
      scratch[0] = a[1];
      a.swap(scratch);
      scratch.resize(length);
    }
    // Memory goes back when most of it is free (an array's rounding up to
    // whole pages aside); giving back less would cost more time than it
    // saves memory.
    constexpr size_t kPageFloats = 4096 / sizeof(float);
    for (int16_t c = 0; c <= channels; ++c) {
      ChannelArray& a = gPointersToFileData[slot][c];
      if (a.capacity() - a.size() > a.size() + kPageFloats) a.shrink_to_fit();
    }
  }
  nCases[slot] = newCases;
  SwapMarkerList(slot, markers);
  NotesArray[slot].swap(notes);
  FileInfoFLOATS[slot][kInfoInterval] = newInterval;
  FileSHORTS[slot][kShortChanged] = 1;
  DropUndoCopy(slot);
  return StoreStatus::Ok;
}
