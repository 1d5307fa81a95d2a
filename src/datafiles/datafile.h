// The in-memory image of a data file as a reader leaves it, before anything
// open is touched; the status every file operation reports; and the globals
// of the open command.
//
// A loader reads and validates a whole file into a DataFileImage, repairs it,
// and only then installs it into a free slot, so a damaged file leaves every
// open file exactly as it was.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/store.h"

enum class FileStatus : int16_t {
  Ok = 0,
  CannotOpen,        // missing, unreadable, or not a regular file
  BadFormat,         // damaged, truncated or foreign file
  TooFewCases,
  TooManyCases,
  NoChannels,
  TooManyChannels,
  TooManyColumns,    // text file with more than 32 data columns
  CommentTooLong,
  BadRange,          // cases asked for lie outside the file
  TooManyFiles,
  OutOfMemory,
  WriteFailed,
  NotSupported,      // a format this program does not read
  UnclosedQuote,     // text file: a quoted field still open at the end
  ChangedWhileRead,  // another program cut or wrote the file as it was read
};

// Alert text for a status ("" for Ok).
const char* FileStatusText(FileStatus s);
// Sound that goes with the alert: "scream" for a damaged file, "bzot" for
// the others, "" for Ok.
const char* FileStatusSound(FileStatus s);

// Fields 2..6 of a channel's ChannelInfoRecord: the calibration values that
// travel with the file.
using TravelValues = std::array<float, 5>;
inline constexpr int kFirstTravelField = 2;

struct DataFileImage {
  int32_t cases = 0;                    // the arrays hold cases + 1 floats
  float interval = 0.0f;                // s
  std::string startDate;                // "mm-dd-yyyy", trailing blanks cut
  std::string startTime;                // "hh:mm:ss"
  std::string comments;                 // Mac Roman, CR line ends
  // One entry per channel, all of the same length.
  std::vector<ChannelArray> data;
  std::vector<std::string> labels;      // 30 bytes each
  std::vector<TravelValues> travel;
  float flow = 0, mass = 0, pressure = 0, temperature = 0, effectiveVolume = 0;
  float device = 0;
  std::vector<MarkerRecord> markers;
  std::vector<NoteRecord> notes;
  // NaN and infinite samples, when the reader counted them on the way in
  // (-1: not counted); spares the repair a pass over clean data.
  int64_t nonFiniteSamples = -1;

  int16_t channels() const { return static_cast<int16_t>(data.size()); }
};

inline constexpr const char* kNoComments = "<no comments>";

// ---- Globals of the open command -------------------------------------------
// TypeOfFile, MergeThisFile, appendONLY and stackONLY live with the menu
// dispatch (shell/dispatch.h).
extern int16_t Cancel_Open;
extern uint16_t FileJustLoaded;
extern uint16_t ChannelPicker[kMaxChannels + 1];

// Values of TypeOfFile.
inline constexpr uint16_t kFileKindNative = 1;
inline constexpr uint16_t kFileKindText = 3;
inline constexpr uint16_t kFileKindExpeData = 4;
inline constexpr uint16_t kFileKindNativeAlt = 5;
inline constexpr uint16_t kFileKindClassic = 7;
