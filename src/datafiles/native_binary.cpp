#include "datafiles/native_binary.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <fcntl.h>
#include <unistd.h>

#include "datafiles/byteswap.h"
#include "datafiles/filehelpers.h"
#include "shell/safewrite.h"
#include "datafiles/timescale.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/readfile.h"
#include "shell/worktables.h"

namespace {

// Floats moved per block: large enough for the disk, small enough that a
// block is still in cache when its bytes are swapped.
constexpr size_t kBlockFloats = 1 << 16;
// Read-ahead for the many small header fields of a file.
constexpr size_t kReadAhead = 1 << 16;

// Sequential reader over a file or a memory buffer that knows how many bytes
// are left, so every count can be checked before anything is allocated.
class Source {
 public:
  Source(const void* bytes, size_t size) : mem_(static_cast<const unsigned char*>(bytes)), size_(size) {}
  Source(int fd, uint64_t size) : fd_(fd), size_(size) {}

  uint64_t remaining() const { return size_ - pos_; }
  bool read(void* dst, size_t n) {
    if (n > remaining()) return false;
    if (mem_) {
      if (n) std::memcpy(dst, mem_ + pos_, n);
      pos_ += n;
      return true;
    }
    auto* out = static_cast<unsigned char*>(dst);
    // What the read-ahead holds first, then large reads straight to dst.
    if (pos_ >= bufAt_ && pos_ < bufAt_ + buf_.size()) {
      const size_t k = std::min<uint64_t>(n, bufAt_ + buf_.size() - pos_);
      std::memcpy(out, buf_.data() + (pos_ - bufAt_), k);
      out += k;
      n -= k;
      pos_ += k;
    }
    if (n == 0) return true;
    if (n >= kReadAhead) {
      if (ReadFully(fd_, out, n, pos_) != n) return false;
      pos_ += n;
      return true;
    }
    buf_.resize(static_cast<size_t>(std::min<uint64_t>(kReadAhead, remaining())));
    bufAt_ = pos_;
    if (ReadFully(fd_, buf_.data(), buf_.size(), pos_) != buf_.size()) return false;
    std::memcpy(out, buf_.data(), n);
    pos_ += n;
    return true;
  }
  bool skip(uint64_t n) {
    if (n > remaining()) return false;
    pos_ += n;
    return true;
  }
  bool i16(int16_t* v) {
    unsigned char b[2];
    if (!read(b, 2)) return false;
    *v = static_cast<int16_t>((b[0] << 8) | b[1]);
    return true;
  }
  bool u16(uint16_t* v) {
    int16_t s;
    if (!i16(&s)) return false;
    *v = static_cast<uint16_t>(s);
    return true;
  }
  bool u32(uint32_t* v) {
    unsigned char b[4];
    if (!read(b, 4)) return false;
    *v = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
    return true;
  }
  bool i32(int32_t* v) {
    uint32_t u;
    if (!u32(&u)) return false;
    *v = static_cast<int32_t>(u);
    return true;
  }
  bool f32(float* v) {
    uint32_t u;
    if (!u32(&u)) return false;
    *v = std::bit_cast<float>(u);
    return true;
  }
  bool text(size_t n, std::string* s) {
    s->resize(n);
    return read(s->data(), n);
  }
  // n floats appended to `dst` (reserved for them), a block at a time: the
  // block's pages are touched once by the growth, the bytes land in them
  // and are swapped while still in cache. Returns the count of non-finite
  // values, or -1 when the bytes ran out.
  int64_t floats(ChannelArray& dst, size_t n) {
    if (n * 4 > remaining()) return -1;
    int64_t nonFinite = 0;
    for (size_t done = 0; done < n;) {
      const size_t k = std::min(kBlockFloats, n - done);
      const size_t at = dst.size();
      dst.resize(at + k);
      if (!read(dst.data() + at, k * 4)) return -1;
      if constexpr (std::endian::native == std::endian::little) {
        nonFinite += SwapWords32CountNonFinite(dst.data() + at, k);
      } else {
        for (size_t i = at; i < at + k; ++i)
          nonFinite += (std::bit_cast<uint32_t>(dst[i]) & 0x7F800000u) == 0x7F800000u;
      }
      done += k;
    }
    return nonFinite;
  }

 private:
  const unsigned char* mem_ = nullptr;
  int fd_ = -1;
  uint64_t size_ = 0;
  uint64_t pos_ = 0;
  std::vector<unsigned char> buf_;
  uint64_t bufAt_ = 0;
};

std::string cutTrailing(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

bool readPascal(Source& src, std::string* s) {
  unsigned char len = 0;
  return src.read(&len, 1) && src.text(len, s);
}

bool parseNotes(const std::string& payload, std::vector<NoteRecord>* notes) {
  Source src(payload.data(), payload.size());
  uint16_t count = 0;
  if (!src.u16(&count)) return false;
  // Each note takes at least three length bytes: a count the payload cannot
  // hold is damage, found before anything is allocated.
  if (uint64_t{count} * 3 > src.remaining()) return false;
  notes->clear();
  notes->reserve(count);
  for (uint16_t i = 0; i < count; ++i) {
    NoteRecord n;
    if (!readPascal(src, &n.caseText) || !readPascal(src, &n.timeText) || !readPascal(src, &n.noteText))
      return false;
    notes->push_back(std::move(n));
  }
  return true;
}

FileStatus parseImage(Source& src, DataFileImage* out) {
  const auto bad = FileStatus::BadFormat;
  DataFileImage img;

  char flag[6];
  if (!src.read(flag, 5)) return bad;
  bool wide;
  if (std::memcmp(flag, "-999\r", 5) == 0) {
    wide = false;
  } else if (std::memcmp(flag, "-9999", 5) == 0 && src.read(flag + 5, 1) && flag[5] == '\r') {
    wide = true;
  } else {
    return bad;
  }

  int32_t n = 0;
  if (wide) {
    if (!src.i32(&n)) return bad;
  } else {
    int16_t n16 = 0;
    if (!src.i16(&n16)) return bad;
    n = n16;
  }
  if (n < 2 || n > kMaxCases) return bad;
  img.cases = n;

  int16_t channels = 0;
  if (!src.f32(&img.interval) || !src.i16(&channels)) return bad;
  if (channels < 1 || channels > kMaxChannels) return bad;

  std::string date, time;
  if (!src.text(10, &date) || !src.text(8, &time)) return bad;
  img.startDate = cutTrailing(std::move(date));
  img.startTime = cutTrailing(std::move(time));

  float commentLength = 0.0f;
  if (!src.f32(&commentLength)) return bad;
  if (!(commentLength >= 0.0f && commentLength <= kMaxCommentLength) || std::trunc(commentLength) != commentLength)
    return bad;
  const auto L = static_cast<uint64_t>(commentLength);
  if (L > src.remaining()) return bad;
  if (L >= 1) {
    if (!src.text(static_cast<size_t>(L), &img.comments)) return bad;
  } else {
    img.comments = kNoComments;
  }

  const auto C = static_cast<size_t>(channels);
  if (C * (5 * 4 + kLabelWidth) + 5 * 4 > src.remaining()) return bad;
  img.travel.resize(C);
  img.labels.resize(C);
  for (size_t c = 0; c < C; ++c) {
    for (float& v : img.travel[c])
      if (!src.f32(&v)) return bad;
    if (!src.text(kLabelWidth, &img.labels[c])) return bad;
    std::replace(img.labels[c].begin(), img.labels[c].end(), '\0', ' ');
  }
  if (!src.f32(&img.flow) || !src.f32(&img.mass) || !src.f32(&img.pressure) || !src.f32(&img.temperature) ||
      !src.f32(&img.effectiveVolume))
    return bad;

  int32_t markerCount = 0;
  if (wide) {
    if (!src.i32(&markerCount)) return bad;
  } else {
    int16_t m16 = 0;
    if (!src.i16(&m16)) return bad;
    markerCount = m16;
  }
  // Pair width follows the case count, as files from the classic system have
  // it; our writer makes it agree with the flag line.
  const bool widePairs = n >= kWideCountFrom;
  if (markerCount < 0 || markerCount > kMaxMarkers) return bad;
  if (static_cast<uint64_t>(markerCount) * (widePairs ? 8 : 4) > src.remaining()) return bad;
  img.markers.resize(static_cast<size_t>(markerCount));
  for (MarkerRecord& m : img.markers) {
    if (widePairs) {
      if (!src.i32(&m.caseNumber) || !src.i32(&m.code)) return bad;
    } else {
      int16_t k = 0, code = 0;
      if (!src.i16(&k) || !src.i16(&code)) return bad;
      m.caseNumber = k;
      m.code = code;
    }
  }

  const uint64_t perChannel = static_cast<uint64_t>(n) + 1;
  if (C * perChannel * 4 + 7 * 4 > src.remaining()) return bad;
  img.nonFiniteSamples = 0;
  try {
    img.data.resize(C);
    for (auto& ch : img.data) {
      ch.reserve(perChannel);
      PrepareFreshPages(ch.data(), perChannel * 4, C * perChannel * 4);
      const int64_t nonFinite = src.floats(ch, perChannel);
      if (nonFinite < 0) return bad;
      img.nonFiniteSamples += nonFinite;
    }
  } catch (const std::bad_alloc&) {
    return FileStatus::OutOfMemory;
  }

  if (!src.f32(&img.device) || !src.skip(6 * 4)) return bad;

  while (src.remaining() > 0) {
    char tag[4];
    uint32_t length = 0;
    if (!src.read(tag, 4) || !src.u32(&length) || length > src.remaining()) return bad;
    if (std::memcmp(tag, "NOTE", 4) == 0) {
      std::string payload;
      if (!src.text(length, &payload) || !parseNotes(payload, &img.notes)) return bad;
    } else if (!src.skip(length)) {
      return bad;
    }
  }

  *out = std::move(img);
  return FileStatus::Ok;
}

// Big-endian field writers over a growing byte string.
void put16(std::string& s, int32_t v) {
  const auto u = static_cast<uint16_t>(v);
  s.push_back(static_cast<char>(u >> 8));
  s.push_back(static_cast<char>(u & 0xFF));
}
void put32(std::string& s, uint32_t u) {
  for (int shift = 24; shift >= 0; shift -= 8) s.push_back(static_cast<char>((u >> shift) & 0xFF));
}
void putF(std::string& s, float f) { put32(s, std::bit_cast<uint32_t>(f)); }
void putPadded(std::string& s, std::string_view t, size_t width) {
  const size_t k = std::min(t.size(), width);
  s.append(t.data(), k);
  s.append(width - k, ' ');
}
void putPascal(std::string& s, std::string_view t) {
  const size_t k = std::min<size_t>(t.size(), 255);
  s.push_back(static_cast<char>(k));
  s.append(t.data(), k);
}

FileStatus checkView(const NativeWriteView& v) {
  if (v.channels.empty()) return FileStatus::NoChannels;
  if (v.channels.size() > static_cast<size_t>(kMaxChannels)) return FileStatus::TooManyChannels;
  if (v.cases < 2) return FileStatus::TooFewCases;
  if (v.cases > kMaxCases) return FileStatus::TooManyCases;
  if (static_cast<double>(v.comments.size()) > kMaxCommentLength) return FileStatus::CommentTooLong;
  if (v.markers.size() > static_cast<size_t>(kMaxMarkers)) return FileStatus::BadRange;
  for (const float* p : v.channels)
    if (!p) return FileStatus::BadRange;
  return FileStatus::Ok;
}

// Everything before the channel arrays.
std::string header(const NativeWriteView& v) {
  const bool wide = v.cases >= kWideCountFrom;
  std::string s;
  s.reserve(256 + v.comments.size() + v.channels.size() * 50 + v.markers.size() * 8);
  s += wide ? "-9999\r" : "-999\r";
  if (wide) put32(s, static_cast<uint32_t>(v.cases));
  else put16(s, v.cases);
  putF(s, v.interval);
  put16(s, static_cast<int32_t>(v.channels.size()));
  putPadded(s, v.startDate, 10);
  putPadded(s, v.startTime, 8);
  // "<no comments>" is what the reader makes of no comment: writing nothing
  // keeps a re-saved file identical.
  const std::string_view comments = v.comments == kNoComments ? std::string_view{} : v.comments;
  putF(s, static_cast<float>(comments.size()));
  s.append(comments);
  for (size_t c = 0; c < v.channels.size(); ++c) {
    const TravelValues t = c < v.travel.size() ? v.travel[c] : TravelValues{};
    for (float f : t) putF(s, f);
    putPadded(s, c < v.labels.size() ? v.labels[c] : std::string_view{}, kLabelWidth);
  }
  for (float f : {v.flow, v.mass, v.pressure, v.temperature, v.effectiveVolume}) putF(s, f);
  if (wide) put32(s, static_cast<uint32_t>(v.markers.size()));
  else put16(s, static_cast<int32_t>(v.markers.size()));
  for (const MarkerRecord& m : v.markers) {
    if (wide) {
      put32(s, static_cast<uint32_t>(m.caseNumber));
      put32(s, static_cast<uint32_t>(m.code));
    } else {
      put16(s, m.caseNumber);
      put16(s, m.code);
    }
  }
  return s;
}

std::string trailer(const NativeWriteView& v) {
  std::string s;
  putF(s, v.device);
  for (int i = 0; i < 6; ++i) putF(s, 0.0f);
  if (v.notes && !v.notes->empty()) {
    std::string payload;
    const size_t count = std::min(v.notes->size(), static_cast<size_t>(kMaxNotes));
    put16(payload, static_cast<int32_t>(count));
    for (size_t i = 0; i < count; ++i) {
      const NoteRecord& n = (*v.notes)[i];
      putPascal(payload, n.caseText);
      putPascal(payload, n.timeText);
      putPascal(payload, n.noteText);
    }
    s += "NOTE";
    put32(s, static_cast<uint32_t>(payload.size()));
    s += payload;
  }
  return s;
}

// Sends the channel arrays through `sink` in swapped blocks.
template <class Sink>
bool emitChannels(const NativeWriteView& v, Sink&& sink) {
  const size_t len = static_cast<size_t>(v.cases) + 1;
  std::unique_ptr<float[]> block(new float[std::min(kBlockFloats, len)]);
  for (const float* ch : v.channels) {
    for (size_t done = 0; done < len;) {
      const size_t k = std::min(kBlockFloats, len - done);
      std::memcpy(block.get(), ch + done, k * 4);
      HostToBigEndian32(block.get(), k);
      if (!sink(block.get(), k * 4)) return false;
      done += k;
    }
  }
  return true;
}

}  // namespace

bool LooksLikeNativeBinary(std::string_view b) {
  return b.substr(0, 5) == "-999\r" || b.substr(0, 6) == "-9999\r";
}

DetectedKind DetectDataFileKind(const std::filesystem::path& path) {
  // A named pipe or a device is no data file, and an open that waits for a
  // writer would hang the program: only a regular file is opened.
  std::string head;
  if (ReadRegularFile(path, 16, &head) == ReadFileStatus::CannotOpen) return DetectedKind::Unreadable;
  if (LooksLikeNativeBinary(head)) return DetectedKind::Native;
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == ".csv" || ext == ".txt" || ext == ".tsv" || ext == ".xls") return DetectedKind::Text;
  if (ext == ".exp") return DetectedKind::ExpeData;
  return DetectedKind::Unknown;
}

FileStatus ParseNativeBinary(const void* bytes, size_t size, DataFileImage* out) {
  Source src(bytes, size);
  return parseImage(src, out);
}

FileStatus ReadNativeBinaryFrom(int fd, uint64_t size, DataFileImage* out) {
  Source src(fd, size);
  return parseImage(src, out);
}

FileStatus ReadNativeBinary(const std::filesystem::path& path, DataFileImage* out) {
  // Read, not mapped: a mapped file that another program truncates kills the
  // process, and a mapping held beside the arrays doubles the peak memory.
  uint64_t size = 0;
  FileStamp stamp;
  const int fd = OpenRegularFile(path, &size, &stamp);
  if (fd < 0) return FileStatus::CannotOpen;
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  if (gFileOpenedHook) gFileOpenedHook(path);
  FileStatus status = ReadNativeBinaryFrom(fd, size, out);
  // A cut makes the read come short, which is no fault of the file's layout;
  // a write in place would leave a mix of old and new samples.
  if (FileChangedSince(fd, stamp)) status = FileStatus::ChangedWhileRead;
  ::close(fd);
  return status;
}

NativeWriteView ViewOfImage(const DataFileImage& img) {
  NativeWriteView v;
  v.cases = img.cases;
  v.interval = img.interval;
  v.startDate = img.startDate;
  v.startTime = img.startTime;
  v.comments = img.comments;
  for (const auto& ch : img.data)
    v.channels.push_back(ch.size() == static_cast<size_t>(img.cases) + 1 ? ch.data() : nullptr);
  for (const auto& l : img.labels) v.labels.push_back(l);
  v.travel = img.travel;
  v.flow = img.flow;
  v.mass = img.mass;
  v.pressure = img.pressure;
  v.temperature = img.temperature;
  v.effectiveVolume = img.effectiveVolume;
  v.device = img.device;
  v.markers = img.markers;
  v.notes = &img.notes;
  return v;
}

FileStatus EncodeNativeBinary(const NativeWriteView& v, std::string* out) {
  if (const FileStatus st = checkView(v); st != FileStatus::Ok) return st;
  std::string s = header(v);
  s.reserve(s.size() + v.channels.size() * (static_cast<size_t>(v.cases) + 1) * 4 + 64);
  emitChannels(v, [&](const void* p, size_t n) {
    s.append(static_cast<const char*>(p), n);
    return true;
  });
  s += trailer(v);
  *out = std::move(s);
  return FileStatus::Ok;
}

FileStatus WriteNativeBinary(const std::filesystem::path& path, const NativeWriteView& v, int* errnoOut) {
  if (const FileStatus st = checkView(v); st != FileStatus::Ok) return st;
  SafeFileWriter w;
  bool ok = w.open(path);
  if (ok) {
    const std::string h = header(v);
    ok = w.write(h.data(), h.size()) &&
         emitChannels(v, [&](const void* p, size_t n) { return w.write(p, n); });
    const std::string t = trailer(v);
    ok = ok && w.write(t.data(), t.size()) && w.commit();
  }
  if (!ok) {
    if (errnoOut) *errnoOut = w.error();
    w.abandon();
    return FileStatus::WriteFailed;
  }
  return FileStatus::Ok;
}

void AdvanceDateTime(std::string_view date, std::string_view time, double seconds, std::string* dateOut,
                     std::string* timeOut) {
  const int64_t start = std::max<int32_t>(ClockTextSeconds(time), 0);
  // Beyond a million years a block's start is nonsense anyway; kept finite
  // and in range so that no conversion below overflows.
  const double moved = static_cast<double>(start) + std::trunc(std::isfinite(seconds) ? std::clamp(seconds, -3e13, 3e13) : 0.0);
  const double days = std::floor(moved / 86400.0);
  const auto secondOfDay = std::clamp(static_cast<int32_t>(moved - days * 86400.0), 0, 86399);
  *timeOut = ClockText(secondOfDay);
  CivilDate d;
  if (days != 0.0 && std::fabs(days) < 1e8 && ParseDateText(date, &d)) {
    *dateOut = DateText(AddDays(d, static_cast<int64_t>(days)), date[2]);
  } else {
    *dateOut = std::string(date);
  }
}

FileStatus saveFPBinary(const std::filesystem::path& path, int32_t first, int32_t last, int32_t count,
                        int16_t channels, std::string_view date, std::string_view time, int* errnoOut) {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!SlotHoldsFile(slot)) return FileStatus::BadRange;
  if (first < 0 || last > nCases[slot] || first >= last || count != last - first) return FileStatus::BadRange;
  const int16_t upTo = std::min(channels, nChannels[slot]);

  NativeWriteView v;
  v.cases = count;
  v.interval = FileInfoFLOATS[slot][kInfoInterval];
  std::string startDate, startTime;
  if (first == 0) {
    startDate = date;
    startTime = time;
  } else {
    // The decimal the interval was typed as: 10 cases of 0.7f s are 7 s, not
    // the 6.99999988 s that would truncate to 6.
    AdvanceDateTime(date, time, static_cast<double>(first) * DecimalValue(v.interval) + 1e-6, &startDate,
                    &startTime);
  }
  v.startDate = startDate;
  v.startTime = startTime;
  v.comments = CommentContainer[slot];
  std::vector<std::string> labels;
  for (int16_t c = 1; c <= upTo; ++c) {
    if (OverlayArray[slot][2][c] == 0) continue;
    v.channels.push_back(ChannelData(slot, c) + first);
    labels.push_back(RetrieveLabelOf(slot, c));
    TravelValues t;
    std::copy_n(nVar[slot][c].begin() + kFirstTravelField, t.size(), t.begin());
    v.travel.push_back(t);
  }
  for (const std::string& l : labels) v.labels.push_back(l);
  v.flow = FileInfoFLOATS[slot][kInfoFlow];
  v.mass = FileInfoFLOATS[slot][kInfoMass];
  v.pressure = FileInfoFLOATS[slot][kInfoPressure];
  v.temperature = FileInfoFLOATS[slot][kInfoTemperature];
  v.effectiveVolume = FileInfoFLOATS[slot][kInfoEffectiveVolume];
  v.device = FileInfoFLOATS[slot][kInfoDevice];
  for (const MarkerRecord& m : MarkersArray[slot])
    if (m.caseNumber > first && m.caseNumber <= last) v.markers.push_back({m.caseNumber - first, m.code});
  // A block keeps the notes inside it, renumbered like the markers.
  std::vector<NoteRecord> blockNotes;
  if (first == 0 && last == nCases[slot]) {
    v.notes = &NotesArray[slot];
  } else {
    for (const NoteRecord& n : NotesArray[slot]) {
      const double k = TextToNum(n.caseText);
      if (k <= first || k > last) continue;
      NoteRecord moved = n;
      moved.caseText = FieldNumText(k - first);
      blockNotes.push_back(std::move(moved));
    }
    v.notes = &blockNotes;
  }
  return WriteNativeBinary(path, v, errnoOut);
}

FileStatus LoadNativeFile(const std::filesystem::path& path, int16_t* slotOut, RepairReport* report) {
  if (FindFreeSlot() < 0) return FileStatus::TooManyFiles;
  DataFileImage img;
  if (const FileStatus st = ReadNativeBinary(path, &img); st != FileStatus::Ok) return st;
  const RepairReport r = RepairImage(img);
  int16_t slot = -1;
  const FileStatus st = InstallImage(std::move(img), path.filename().string(), path.string(), &slot);
  if (st != FileStatus::Ok) return st;
  TheFileInUse = static_cast<uint16_t>(slot);
  parse[0] = 0;
  timstring[1] = kNativeFileTypeText;
  FileJustLoaded = 1;
  if (report) *report = r;
  if (slotOut) *slotOut = slot;
  return FileStatus::Ok;
}
