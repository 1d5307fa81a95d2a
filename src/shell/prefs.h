// The preferences file "CMprefs": the saved preference words, colour scheme
// and settings. Big-endian throughout:
//
//   "CMpr"  u16 layout version  u16 W  W x i16 prefsArray words 1..W
//   7 scheme colours (3 x u16)  FiO2 FiCO2 flowconO flowconC (f32)
//   DoSMOOTH AutoSS SEP ffch DsLx MultiHist TimeGridLimit DumpHist (i16)
//   tabTime deltatime tabmass tabStart tabChan tabMode Note_1 Note_2
//     UseExcelFormat UseMultipleResults (i16)
//   LastBaselineMarker LastBaselineShift (i16)
//   SteppedSampleInterval SteppedSampleSkip (f32)              -- core ends
//   A: threshold UpTrimLimit UpTrimValue LowTrimLimit LowTrimValue (f32)
//   B: CustomAllometry a, b (f32)
//   C: thermoregulation, 7 x i16 and 9 x f32 in the order of ThermoSettings
//   D: latitude longitude (f32)
//
// Groups A to D are optional from the end: a group is taken only when all of
// it is present, and it and every later group otherwise get their start-up
// values. Later layouts may add words (readers skip the extra ones) and
// append groups (readers ignore the tail).
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/types.h"
#include "shell/colours.h"

inline constexpr const char* kPrefsFileName = "CMprefs";
inline constexpr uint16_t kPrefsLayoutVersion = 1;
// prefsArray words 1..54 are saved; 55..63 are run state of the
// thermoregulation model and are never written.
inline constexpr int kSavedPrefWords = 54;

struct ThermoSettings {
  uint16_t variableTb = 0;
  float TbChange = 0;
  uint16_t CalculationsCanUseTorpor = 0;
  float MinimumTorporTb = 0, TorporEntryTime = 0, TorporQ10 = 0;
  uint16_t ActiveTimeCostsOnly = 0;
  float DaytimeStart = 0, DaytimeEnd = 0, TorporStartLag = 0, TorporEndLag = 0, DefaultTb = 0;
  uint16_t ZeroEqualsMissingTemperatures = 0, replacementTb = 0, BMRinWatts = 0, dayActive = 0;
};

// Everything the file holds, as one value: read into one of these, check it,
// and only then copy it into the globals.
struct SavedSettings {
  int16_t words[kSavedPrefWords + 1] = {};   // 1-based
  plat::Rgb16 colours[kSchemeColours] = {};  // SchemeColour order
  float FiO2 = 0, FiCO2 = 0, flowconO = 0, flowconC = 0;
  int16_t DoSMOOTH = 0, AutoSS = 0, SEP = 0, ffch = 0, DsLx = 0, MultiHist = 0;
  int16_t TimeGridLimit = 0, DumpHist = 0;
  uint16_t tabTime = 0, deltatime = 0, tabmass = 0, tabStart = 0, tabChan = 0, tabMode = 0;
  uint16_t Note_1 = 0, Note_2 = 0, UseExcelFormat = 0, UseMultipleResults = 0;
  int16_t LastBaselineMarker = 0, LastBaselineShift = 0;
  float SteppedSampleInterval = 0, SteppedSampleSkip = 0;
  // A
  float threshold = 0, UpTrimLimit = 0, UpTrimValue = 0, LowTrimLimit = 0, LowTrimValue = 0;
  // B
  float allometryA = 0, allometryB = 0;
  // C
  ThermoSettings thermo;
  // D
  float latitude = 0, longitude = 0;
};

// The start-up values of every saved field.
SavedSettings StartupSavedSettings();
// The saved fields as the globals hold them now. Word 7 is the user's level
// even during a quiet script run.
SavedSettings CaptureSavedSettings();
// Copies into the globals; sets northLatitude and westLongitude from the
// signs of the location; word 22 returns to its start-up value (its value is
// run state). During a quiet run word 7 stays 0 and the level is kept for the
// end of the run.
void ApplySavedSettings(const SavedSettings& s);
// Replaces damaged values (non-finite numbers, codes outside their range) by
// their start-up values. Returns how many were replaced.
int RepairSavedSettings(SavedSettings& s);

enum class PrefsStatus : int16_t {
  Ok = 0,
  Missing,      // no file: the start-up values stand
  Foreign,      // not a preferences file, or a layout we cannot read
  Damaged,      // shorter than its fixed part
  ReadFailed,
  WriteFailed,  // the previous file, if any, is untouched
};
const char* PrefsStatusText(PrefsStatus s);

// Reads the file and applies it whole, or leaves every setting as it was when
// the file cannot be used. repaired (optional) receives the number of damaged
// values replaced by their start-up values.
PrefsStatus GetSettings(const std::filesystem::path& file, int* repaired = nullptr);
// Writes every saved setting to a temporary file in the same folder and
// renames it over file. The spike settings written are the current ones only
// while word 51 is set; otherwise the ones the file already had, so that
// values merely tried in the spike panel never become defaults by the way.
PrefsStatus SaveSettings(const std::filesystem::path& file);
// The bytes SaveSettings writes.
std::string EncodeSettings(const SavedSettings& s);
// Parses bytes in the layout above. Missing trailing groups get start-up
// values; nothing outside *out is touched.
PrefsStatus DecodeSettings(const std::string& bytes, SavedSettings* out);

// Forgets the spike settings last read from or written to the file, so that
// SaveSettings without word 51 writes their start-up values until the next
// read or write.
void ForgetFileSpikeSettings();

// A quiet script run silences the program by zeroing word 7; the user's level
// is kept aside so that nothing saved during the run loses it. Nested calls
// keep the first level.
void BeginQuietSoundRun();
void EndQuietSoundRun();
bool QuietSoundRunActive();
// Word 7 as the user set it.
int16_t UserSoundLevel();
