// The native binary data file (Mac type ORLN, creator cvmt, extension .orl).
// Big-endian throughout:
//   flag line "-999" CR (16-bit counts) or "-9999" CR (32-bit counts);
//   case count n; f32 interval; i16 channel count C; 10-byte date; 8-byte
//   time; f32 comment length L and L comment bytes; per channel 5 f32
//   calibration values and a 30-byte label; f32 flow, mass, pressure,
//   temperature, effective volume; marker count, then (case, code) pairs in
//   16 bits below 32,761 cases, else 32 bits; C arrays of n + 1 f32; f32
//   device code; 6 reserved f32; then tagged chunks (4-byte tag, u32 length,
//   payload) to the end, of which "NOTE" holds the notes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/datafile.h"
#include "datafiles/repairs.h"

inline constexpr int32_t kWideCountFrom = 32'761;
inline constexpr float kMaxCommentLength = 16'777'216.0f;
inline constexpr const char* kNativeExtension = "orl";
inline constexpr const char* kNativeFileTypeText = "(Orrelin FP binary file) ";

enum class DetectedKind { Native, Text, ExpeData, Unknown, Unreadable };
// By content: a first line "-999" or "-9999" is a native file whatever its
// name; otherwise the extension decides between text and ExpeData.
DetectedKind DetectDataFileKind(const std::filesystem::path& path);
bool LooksLikeNativeBinary(std::string_view firstBytes);

// Reads and validates a whole file; nothing outside *out is touched. Every
// failure of the file itself is BadFormat; a file cut or grown while it is
// read, ChangedWhileRead.
FileStatus ReadNativeBinary(const std::filesystem::path& path, DataFileImage* out);
FileStatus ParseNativeBinary(const void* bytes, size_t size, DataFileImage* out);
// The reader over an open file taken to hold `size` bytes; fewer bytes than
// that (a file truncated while it is read) is BadFormat.
FileStatus ReadNativeBinaryFrom(int fd, uint64_t size, DataFileImage* out);

// What the writer needs of a file; channels point at n + 1 floats each.
struct NativeWriteView {
  int32_t cases = 0;
  float interval = 0.0f;
  std::string_view startDate, startTime, comments;
  std::vector<const float*> channels;
  std::vector<std::string_view> labels;
  std::vector<TravelValues> travel;
  float flow = 0, mass = 0, pressure = 0, temperature = 0, effectiveVolume = 0, device = 0;
  std::vector<MarkerRecord> markers;   // already in the written numbering
  const std::vector<NoteRecord>* notes = nullptr;
};
// The file's bytes (for tests and the benchmark's in-memory runs).
FileStatus EncodeNativeBinary(const NativeWriteView& view, std::string* out);
// Written to a temporary file in the same folder, then renamed.
FileStatus WriteNativeBinary(const std::filesystem::path& path, const NativeWriteView& view,
                             int* errnoOut = nullptr);
NativeWriteView ViewOfImage(const DataFileImage& image);

// Writes cases first..last of TheFileInUse (element 0 = case `first`) for the
// channels among 1..`channels` flagged in set 2 of OverlayArray. Markers
// first < case <= last are written with case - first; the start time is
// `time` advanced by first * interval, and the date follows when that passes
// midnight. count must equal last - first. A whole file is
// (0, nCases, nCases, nChannels, StartDate, StartTime).
FileStatus saveFPBinary(const std::filesystem::path& path, int32_t first, int32_t last, int32_t count,
                        int16_t channels, std::string_view date, std::string_view time,
                        int* errnoOut = nullptr);

// The date and time a block starting `seconds` after (date, time) begins at.
// An unreadable time counts as midnight; an unreadable date stays as it is.
void AdvanceDateTime(std::string_view date, std::string_view time, double seconds, std::string* dateOut,
                     std::string* timeOut);

// The GUI-free part of loading a native file: read, repair, fill a free slot
// and make it the current file. The caller shows the notices the report asks
// for and builds the plot window.
FileStatus LoadNativeFile(const std::filesystem::path& path, int16_t* slotOut, RepairReport* report);
