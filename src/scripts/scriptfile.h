// The script file, the texts the viewer and the printout show for a step,
// and what the runner decides from a step's codes. Pure: the windows place
// the texts and the Script menu reads and writes the files.
//
// Script file: 52 steps (slot 0 to 51) of 28 big-endian IEEE floats, field 0
// first, 112 bytes a step, then autoscript as a big-endian 16-bit integer:
// 5,826 bytes in all.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/recording.h"

using ScriptStore = float[kStepSlots][kStepFields];

inline constexpr int kStepBytes = kStepFields * 4;
inline constexpr int kScriptFileBytes = kStepSlots * kStepBytes + 2;
// Codes a script file may hold; any other value in field 1 marks it foreign.
inline constexpr int kLastScriptCode = 99;

// Fields 0 to 3 of slots 0 to 41 become 0: every step reads as empty. The
// other fields and slots 42 to 51 keep their values.
void ClearScriptStore(ScriptStore& store);

// The file's bytes for the store and autoscript.
std::string EncodeScriptFile(const ScriptStore& store, int16_t autoscriptFlag);

enum class ScriptFileStatus : int16_t {
  Ok = 0,
  TooShort,   // not even one whole step
  TooLong,    // more than 5,826 bytes
  BadCode,    // a step's code is not a whole number from 0 to 99
};
const char* ScriptFileStatusText(ScriptFileStatus s);

// Reads the whole steps the bytes hold (a trailing part of a step is
// ignored) over the store with fields 0 to 2 of slots 0 to 40 cleared, so a
// short file leaves the later steps empty; autoscript is 0 when its two
// bytes are missing. Nothing is changed unless the status is Ok.
ScriptFileStatus DecodeScriptFile(const std::string& bytes, ScriptStore& store, int16_t* autoscriptFlag);
// What the user is told about a file of `fileBytes` bytes that ended early,
// once it loaded into `store`: how many of its steps were read and that
// Automatic Run is off. "" for a whole file.
std::string ShortScriptFileText(const ScriptStore& store, size_t fileBytes, const std::string& fileName);

// ---- Reading a step's numbers ------------------------------------------------------
// Truncates toward zero; NaN gives 0 and values beyond 16 bits are clamped,
// so no float from a file reaches an undefined conversion.
int16_t StepInt(float v);
inline int16_t StepCode(const float* step) { return StepInt(step[kStepOperation]); }

// ---- Rows of the viewer and the printout ------------------------------------------
enum class RowColours : int8_t {
  Change,     // commands that change data or files: black on sunset
  Analysis,   // black on light blue
  End,        // bold, colour 6
  Deleted,    // colour 4 on colour 2
};
struct ScriptRowTexts {
  bool shown = false;   // code 0 and unlabelled codes are neither shown nor counted
  std::string label, channel, transform, a, b, exponent;
  RowColours colours = RowColours::Change;
};
ScriptRowTexts ScriptRow(const float (&step)[kStepFields]);
// "n:    " with two more blanks for n up to 9, before the label.
std::string ScriptRowPrefix(int n);
// The transform column of code 11 for a kind; "" for kinds without a name.
std::string TransformKindText(int kind);
// The channel column of the editing steps (smoothing, spikes,
// transformations, references): over the whole active channel, or over the
// block only when the hand run said so.
inline constexpr const char* kWholeChannelText = "whole channel";
inline constexpr const char* kBlockOnlyText = "block only";
inline constexpr const char* kDeletedStepLabel = " *  this step has been deleted  *";
inline constexpr const char* kJustDeletedStepLabel = "  **  THIS STEP HAS BEEN DELETED  **";

// ---- The runner's decisions --------------------------------------------------------
// BlockStepAnalysisCode and IsBlockStep: shell/recording.h.
// An editing step done on the block only (smoothing, spikes, transformations,
// references): its replay needs a block, as scaling to a block does.
bool EditsBlockOnly(const float (&step)[kStepFields]);
// What the request for a block says while step `n` waits on the file named
// `fileName`. An edit names its command and, where it writes one, the value
// ("two.orl, step 3: \xC6 Block to: 99 \xD1 select the block to set"); an
// analysis keeps the general words, and the file is named either way.
struct BlockRequestTexts {
  std::string title;      // file, step, command and purpose in one line
  std::string headline;   // flashed: the edit's command, or "This is a block operation!"
  std::string purpose;    // the request's last line: " and select ..."
};
BlockRequestTexts BlockRequestText(const float (&step)[kStepFields], int16_t n, const std::string& fileName);
// Whether a block step waits for "Continue Script": its field 0 is not 1.0
// and a step other than the end follows.
bool OffersContinue(const float (&step)[kStepFields], int nextCode);
// Whether a step works on the active channel. The file steps (open, save,
// save as, file data), the channel change itself, the end mark, deleted,
// empty and unlabelled steps do not.
bool StepUsesActiveChannel(int code);
// The steps that would act on another channel when the change of step
// `channelStep` is skipped: those after it that use the active channel, up
// to the next channel change or OPEN FILE, or the end of the run.
std::vector<int16_t> StepsOnSkippedChannel(const ScriptStore& store, int16_t channelStep);
// The alert for a channel change skipped because the file has fewer
// channels, naming the steps skipped with it.
std::string SkippedChannelText(const ScriptStore& store, int16_t channelStep, int16_t fileChannels,
                               const std::vector<int16_t>& alsoSkipped);
