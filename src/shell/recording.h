// The script step, the step store and the shared script state, with the
// operation codes, their labels and the fields each one carries. Pure: the
// recorder (scripts/ui/recorder.h) flashes the step counter.
//
// A step is 28 floats; integer settings are stored as their float values and
// read back by truncation. The store, ScriptSequenceArray, lives in
// shell/worktables.h: slots 0..51, slot 0 never a step, steps 1..40 the
// script, slot 41 read only as the successor of step 40, 42..51 carried.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>

inline constexpr int kStepFields = 28;
inline constexpr int kStepSlots = 52;
inline constexpr int kLastScriptStep = 40;
using ScriptStep = float[kStepFields];

// ---- Fields every step shares ------------------------------------------------------
inline constexpr int kStepNoContinue = 0;   // 1.0: the runner takes the block without Continue
inline constexpr int kStepOperation = 1;    // operation code; 0 empty, 99 deleted
inline constexpr int kStepMain = 2;         // channel, lag, window seconds, file type or "settings stored"
inline constexpr int kStepOpField = kStepOperation;
// Block analyses: the channel analysed, picked in the results window; 0 the
// active channel (steps recorded before the field existed).
inline constexpr int kStepChannel = 26;
// Descriptive statistics and the window scans (12, 13, 14, 19, 30): the time
// unit's button of the integrated total; 0 the remembered unit (old steps).
inline constexpr int kStepTotalUnit = 4;
// Steps that edit data on a block (an edit of the block only, scaling to a
// block) say in kStepMain, which they use for nothing else, where the hand
// run's block came from. 0, steps recorded before the field existed: the
// block that stands, else one asked for.
inline constexpr int kStepBlockPick = kStepMain;
inline constexpr float kBlockPickedAnew = 1.0f;   // selected for the step: the replay asks for one
inline constexpr float kBlockKept = 2.0f;         // the block the last block step used: the replay keeps it
// The expected channel count of a script lives in slot 41 (never a step):
// the channel count of the file the recording started on, 0 none.
inline constexpr int kScriptChannelsSlot = 41;
inline constexpr int kScriptChannelsField = kStepMain;

// ---- Operation codes ---------------------------------------------------------------
inline constexpr int16_t kOpChangeChannel = 1;
inline constexpr int16_t kOpLag = 2;
inline constexpr int16_t kOpBaseline = 3;
inline constexpr int16_t kOpIntegrate = 4;
inline constexpr int16_t kOpDerivative = 5;
inline constexpr int16_t kOpSmoothing = 6;
inline constexpr int16_t kOpSpikes = 7;
inline constexpr int16_t kOpO2Consumption = 8;
inline constexpr int16_t kOpCO2Production = 9;
inline constexpr int16_t kOpWaterLoss = 10;
inline constexpr int16_t kOpTransformations = 11;
inline constexpr int16_t kOpBasicStats = 12;
inline constexpr int16_t kOpMinimum = 13;
inline constexpr int16_t kOpMaximum = 14;
inline constexpr int16_t kOpWaveform = 15;
inline constexpr int16_t kOpSlopeVsTime = 16;
inline constexpr int16_t kOpRegress = 17;
inline constexpr int16_t kOpCopyChannel = 18;
inline constexpr int16_t kOpMostLevel = 19;
inline constexpr int16_t kOpSaveAs = 20;
inline constexpr int16_t kOpTimeSeries = 21;     // replayed, never recorded; no label
inline constexpr int16_t kOpEndScript = 25;      // never recorded
inline constexpr int16_t kOpIntegrateBlock = 28;
inline constexpr int16_t kOpEditFileData = 29;
inline constexpr int16_t kOpMostVariable = 30;
inline constexpr int16_t kOpVO2InWater = 32;
inline constexpr int16_t kOpOpenFile = 33;
inline constexpr int16_t kOpSaveFile = 34;
inline constexpr int16_t kOpSensorRH = 35;
inline constexpr int16_t kOpTimeIntegration = 36;
inline constexpr int16_t kOpEventCounting = 37;
inline constexpr int16_t kOpAsymptote = 38;
inline constexpr int16_t kOpPolynomial = 39;
inline constexpr int16_t kOpRemoveReferences = 40;
inline constexpr int16_t kOpScaleToBlock = 41;
inline constexpr int16_t kOpSelectiveIntegrate = 45;
inline constexpr int16_t kOpDeleted = 99;

// The label the viewer and the printout show; "" for codes without one
// (0, 21..24, 26, 27, 31, 42..44, 46..98, 99 and anything else).
std::string ScriptLabel(int code);

// The Analysis_Code a block step selects: 12 -> 1 ... 45 -> 16; 0 for code 41
// (it scales, so no earlier analysis re-runs); -1 for codes that are not
// block steps.
int16_t BlockStepAnalysisCode(int code);
inline bool IsBlockStep(int code) { return BlockStepAnalysisCode(code) >= 0; }

// ---- Settings fields per operation ---------------------------------------------------
// 1 CHANGE CHANNEL, 2 LAG, 33 OPEN FILE: kStepMain holds the channel, the lag
// in seconds, the kind of file (TypeOfFile).
namespace baseline_step {
inline constexpr int kMethod = 4;     // 2 automatic, 3/7 cursor, 4 text, 5 constant, 6 multi-cursor, 8 periodic
inline constexpr int kValueA = 5;     // or the marker label's character code (periodic)
inline constexpr int kValueB = 6;     // or the shift of the baselines in samples (periodic)
inline constexpr int kAutoBlock = 7;  // block width of the automatic method
inline constexpr int kEnds = 8;       // not periodic: the start/end choice (12, 13, 14), 0 the remembered one
}  // namespace baseline_step
namespace smoothing_step {
inline constexpr int kWidthChoice = 4;   // 1..10 = 3, 5, 7, 9, 11, 15, 19, 25, 35, 51 samples
inline constexpr int kCycles = 5;
inline constexpr int kUpperBound = 6;    // conditional smoothing bounds; +-9e30 when off
inline constexpr int kLowerBound = 7;
inline constexpr int kConditional = 8;
inline constexpr int kBlockOnly = 9;     // 1.0: the block only
}  // namespace smoothing_step
namespace spikes_step {
inline constexpr int kThreshold = 4, kUpTrimLimit = 5, kUpTrimValue = 6, kLowTrimLimit = 7, kLowTrimValue = 8;
inline constexpr int kMethod = 9;   // 1 sweep, 2 trim, 3 interactive, 4 absolute value
inline constexpr int kDirection = 10;   // sweep: 1 either, 2 below, 3 above; 0 either
inline constexpr int kBlockOnly = 11;   // 1.0: within the block only
inline constexpr int kChannel = 12;     // the channel worked on; 0 the active one
inline constexpr int kSingleScan = 13;  // 1.0: one scan rather than a sweep
}  // namespace spikes_step
// 8, 9, 10: gas exchange.
namespace gas_step {
inline constexpr int kStored = 3;   // 1.0
inline constexpr int kConfigItem = 4, kFlowChannel = 5, kRHFactor = 6, kRHUnit = 7, kInstantaneous = 8;
inline constexpr int kFlowMode = 9, kRHTempChannel = 10, kFlowCon = 11, kDryAir = 12, kWaterChannel = 13;
inline constexpr int kAbCO2 = 14, kRQ = 15, kRealBP = 16, kIncurrentO2 = 17, kIncurrentCO2 = 18;
inline constexpr int kLatent = 19, kCompRH = 20, kItem1 = 21, kChan1 = 22, kUseVCO2 = 23, kVCO2Channel = 24;
// Preference word 18, both when recorded and when replayed (one word, so a
// replay puts back what the recording saw).
inline constexpr int kPrefWord18 = 25;
}  // namespace gas_step
namespace transform_step {
inline constexpr int kKind = 4, kChan2 = 5, kNewChannel = 7, kA = 8, kB = 9, kExponent = 10, kChan1 = 11;
inline constexpr int kOption = 14, kItem1 = 15, kDegree = 16, kConstant = 17, kFirstCoefficient = 18;
inline constexpr int kCustom = 27;   // custom transform used, 0 none
inline constexpr int kBlockOnly = 6;   // 1.0: the block only
inline constexpr int kLabel = 13;      // the stored label's number (StepLabelText), 0 the source's label
// Not a transform but a block set to one value: 1 by the dialog's "Set
// Block to:", 2 by "Change Blocks…" (one step per block); 0 a transform.
// The step then holds the value, the channel (kChan1) and kBlockOnly 1.0.
inline constexpr int kSetBlock = 3, kSetValue = 12;
}  // namespace transform_step
// 13, 14, 19, 30: window scans. kStepNoContinue is 1.0 when "Set Block" was
// pressed while recording; kStepMain the window in seconds.
namespace scan_step {
inline constexpr int kLevelCriterion = 10;   // 19 only: 0 overall slope, 1 point-to-point variance
// The channel scanned when "Rescan New Channels" scanned a channel picked in
// the results window; 0 the active one. kStepChannel: the channel shown.
inline constexpr int kScanned = 25;
}  // namespace scan_step
// 12: descriptive statistics; kStepTotalUnit the total's unit.
namespace stats_step {
// "Left Limit", "Right Limit" within the block, as limits_step::kLeftLimit.
inline constexpr int kLeftLimit = 5, kRightLimit = 6;
// "Select:": 1.0 only values within bounds; "<=" / ">=" 1.0 the upper /
// lower bound typed (kUpper, kLower), else the block's own; 0 all values.
inline constexpr int kSelect = 7, kUpperOn = 8, kLowerOn = 9, kUpper = 10, kLower = 11;
}  // namespace stats_step
namespace slope_step {
inline constexpr int kUnitsStored = kStepMain;   // 1.0
inline constexpr int kTimeUnits = 4;
}  // namespace slope_step
namespace water_vo2_step {
inline constexpr int kChan1 = 4, kNewChannel = 5, kPercent = 6, kMassUnit = 7, kOutUnits = 8, kFlowCon = 9;
inline constexpr int kWaterUnits = 10, kWaterSystem = 11, kFlowChannel = 12, kOH2O = 13, kPrefWord17 = 14;
inline constexpr int kFactor = 15, kFileFlow = 16, kSalinity = 17, kAbsoluteUnits = 18;
}  // namespace water_vo2_step
namespace sensor_rh_step {
inline constexpr int kStored = 3, kChan2 = 4, kRHFactor = 6, kRHUnit = 7, kRHTempChannel = 10;
inline constexpr int kWaterChannel = 13, kPressureRatio = 16 /* 946.369 / realBP */, kChan1 = 22;
}  // namespace sensor_rh_step
namespace asymptote_step {
inline constexpr int kIterations = kStepMain, kTimeUnits = 3, kSlope = 4;
}  // namespace asymptote_step
namespace references_step {
inline constexpr int kDowngoing = 4, kInterpolate = 5, kCutoff = 6, kSidePoints = 7, kFixedValue = 8;
inline constexpr int kExtraLeft = 9, kExtraRight = 10, kMarkers = 11;
inline constexpr int kBlockOnly = 12;   // 1.0: within the block only
// 1.0: widened to the previous (next) marker; 0 by kExtraLeft (kExtraRight).
inline constexpr int kLeftToMarker = 13, kRightToMarker = 14;
}  // namespace references_step
namespace scale_step {
inline constexpr int kMode = 5, kMaximum = 6, kMinimum = 7;
// 1 the whole channel, 2 the block only; 0 (steps recorded before the
// field existed) shows the dialog again.
inline constexpr int kScope = 8;
inline constexpr int kLabel = 13;   // as transform_step::kLabel; 0 the label left as it was
}  // namespace scale_step
// 4, 5: integral and derivative.
namespace integral_step {
inline constexpr int kSource = kStepMain;   // the channel picked; 0 the active one
inline constexpr int kToNew = 3;            // 1.0: the result went to a new channel
inline constexpr int kLabel = 13;           // as transform_step::kLabel
}  // namespace integral_step
// 36, 37, 45: time integration, event counting, selective integration.
namespace limits_step {
inline constexpr int kUnit = 4;                   // the time unit's button; 0 the remembered unit
inline constexpr int kGreater = 5, kLess = 6;     // the limits
inline constexpr int kHeld = 7;                   // 1.0: fields 5 and 6 hold the limits
// Event counting: 1.0 "Count All Events" off; 0 on (and every other kind).
inline constexpr int kCountedOnly = 8;
// Event counting: 1.0 "Only Use Event Durations >" on, with its seconds in
// kMinDuration; 0 off.
inline constexpr int kDurationFilter = 9, kMinDuration = 10;
// "Left Limit", "Right Limit" within the block: the offset from the block's
// first case plus 1; 0 none (NoteBlockLimit).
inline constexpr int kLeftLimit = 11, kRightLimit = 12;
}  // namespace limits_step
// 28: block integration.
namespace area_step {
inline constexpr int kUnit = 4;       // the time unit's button; 0 the remembered unit
inline constexpr int kBaseline = 5;   // the baseline's button (IntegrationMode); 0 the remembered one
inline constexpr int kUserBase = 6;   // the user-defined baseline
// "Left Limit", "Right Limit" within the block, as limits_step::kLeftLimit.
inline constexpr int kLeftLimit = 7, kRightLimit = 8;
}  // namespace area_step

// The channel a step's field names when it is one of 1..channels, else 0
// (an old step's 0, or a damaged value).
int16_t StepChannelIn(const float* step, int field, int16_t channels);
// The one of `choices` a step's field holds, else 0 (an old step's 0, or a
// damaged value).
int16_t StepChoice(const float* step, int field, std::initializer_list<int16_t> choices);
// The limit inside the block a step's field holds (the offset from the
// block's first case plus 1), kept to 0..last; -1 when it holds none (an old
// step's 0, or a damaged value).
int32_t StepBlockLimit(const float* step, int field, int32_t last);
// A step's flag field: set when it holds a value other than 0.
inline bool StepFlag(const float* step, int field) { return step[field] != 0.0f; }

// ---- Typed labels ----------------------------------------------------------------------
// Labels do not fit a step's spare fields; they live in slots 42..51, which
// the script file carries, two to a slot (fields 2..21, clear of the code
// field), three characters to a field, and the step holds the label's
// number 1..20.
inline constexpr int kStepLabelCount = 20;
inline constexpr int kStepLabelChars = 30;
// Stores `label` (cut to 30 characters) for the step `owner` (its label
// field at `labelField`) in a number no other step of 1..40 uses, and
// writes that number into the step; 0 when all are taken.
int16_t KeepStepLabel(float (&store)[kStepSlots][kStepFields], int16_t owner, int labelField,
                      const std::string& label);
// The label a step holds in `labelField`; false when it holds none.
bool StepLabelText(const float (&store)[kStepSlots][kStepFields], const float* step, int labelField,
                   std::string* label);

// ---- Shared script state -------------------------------------------------------------
extern int16_t RecordSCRIPT;     // recording is on
// Recording position: the number of the last recorded step (0..40).
extern uint16_t ScriptCOUNT;
// The step a run hands the command it replays, 0 when none; a replayed
// command writes its choices here, never at the recording position.
extern int16_t ScriptRunStep;
// Rows the viewer or the printout listed last.
extern int16_t ScriptViewerRows;
// Both stay 0 until a script runner sets them.
extern int16_t ScriptRunOnce;    // 1 automatic on all files, 0 first run manual, 100 one file
extern int16_t autoscript;       // replayed commands take their settings without asking
extern int16_t ScriptIsLoaded;
extern std::string ScriptFileName;   // at most 255 characters
// RunScript (a run is armed or in progress) lives with the shell's kit
// globals, shell/ui/kitglobals.h.

// Where "Add to Existing Script" goes on: the highest slot 1..40 holding a
// step (deleted steps count), so appending never overwrites one.
uint16_t RecordingPositionOf(const float (&store)[kStepSlots][kStepFields]);

// Recording contract, step 1, pure part: with recording on and fewer than
// 40 steps, the next slot is cleared and holds `operation`; returns its
// number, 0 when nothing was recorded. *recording is left on; the caller
// flashes the counter (which ends recording at 40).
int16_t AppendStep(float (&store)[kStepSlots][kStepFields], bool recording, uint16_t* count, int16_t operation);

// Recording contract, step 2: the step a command writes its choices into:
// the step it recorded (recordedStep > 0) or, in a run, the step it was
// handed; nullptr when neither.
float* SettingsStep(float (&store)[kStepSlots][kStepFields], int16_t recordedStep, int16_t handedStep);

// Recording contract, step 3: a replayed command takes its settings from
// the handed step without asking.
bool ReplayWithoutAsking(int16_t handedStep, int16_t autoscriptFlag, int16_t runOnce);
// The same with the script state in force.
inline bool ReplaysWithoutDialog(int16_t step) { return ReplayWithoutAsking(step, autoscript, ScriptRunOnce); }
