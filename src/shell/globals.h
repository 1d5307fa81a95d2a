// Process-wide state of the application shell that every subsystem reads:
// the current file and channel, the preference words, the edit-log line and
// the shared scratch values. Per-file tables live in shell/store.h, the large
// shared work tables in shell/worktables.h.
#pragma once
#include <cstdint>
#include <string>

// Slot of the front plot window; kNoFile when no file is open. A calculator
// opened with no file sets it to 0.
inline constexpr uint16_t kNoFile = 65535;
extern uint16_t TheFileInUse;
// Channel of the single-channel plot and of single-channel commands.
extern int16_t ActiveChannel;
extern int16_t NumberOfOpenFiles;
// Channel whose copy sits in the undo region (set by the caller of MAKEBACKUP).
extern int16_t LastChan;
// Channel last changed; the stacked redraw repaints only its strip.
extern int16_t ChangedChan;
// The comments-log line being built (at most 255 bytes, Mac Roman).
extern std::string EditRecord;

// Analyses skip interpolated cases / cases outside the cross-channel subset.
extern uint16_t AvoidInterpolation;
extern uint16_t UseCrossChanIndex;

// Preference words, 1-based (word 0 unused).
inline constexpr int kPrefsWords = 101;
extern int16_t prefsArray[kPrefsWords];
// Words the store itself consults.
inline constexpr int kPrefColourDisplay = 1;
inline constexpr int kPrefSoundLevel = 7;        // 0 off, 25 normal, >25 strange
inline constexpr int kPrefBlockSounds = 29;
inline constexpr int kPrefNoCommentsRefresh = 35;
inline constexpr int kPrefRecordEdits = 44;
inline constexpr int kPrefQuietScripts = 48;
inline constexpr int kPrefCommentsHidden = 2;     // comments box hidden (0 shows it)
inline constexpr int kPrefRunLagFirst = 4;        // lag correction before gas exchange
inline constexpr int kPrefRunBaselineFirst = 5;   // baseline correction before gas exchange
inline constexpr int kPrefMarkersShown = 10;      // markers shown
inline constexpr int kPrefGrid = 11;              // grid lines
inline constexpr int kPrefSegmentLines = 12;      // screen-segment lines
inline constexpr int kPrefZeroLines = 13;         // zero lines
inline constexpr int kPrefAutorepeat = 14;        // Autorepeat
inline constexpr int kPrefTimeGrid = 19;          // time-axis grid
inline constexpr int kPrefBlockInstructions = 20; // block instructions shown
inline constexpr int kPrefTimeLabels = 21;        // time-axis labels
inline constexpr int kPrefSuppressDrawing = 22;   // drawing suppressed
inline constexpr int kPrefOverlayAll = 25;        // overlay on all later plots
inline constexpr int kPrefToolbarPosition = 33;   // toolbar 0 left, 1 bottom, 2 top
inline constexpr int kPrefAutoBlock = 36;         // automatic blocks
inline constexpr int kPrefHour = 40;              // tabular hour column
inline constexpr int kPrefElapsed = 41;           // tabular elapsed-time column
inline constexpr int kPrefLabelSize = 45;         // label size 12 or 14
inline constexpr int kPrefSdBars = 47;            // SD bars in the compacted view
inline constexpr int kPrefLargeLabels = 49;       // large labels
inline constexpr int kPrefDate = 50;              // tabular date column
inline constexpr int kPrefInstructionsCollapsed = 52;// block instructions collapsed
inline constexpr int kPrefFlowInLitres = 53;      // flow in L/min
// Word 23 is read two ways by different commands: the stacked view's custom
// strip heights, and whether a duplicated channel is plotted at once.
inline constexpr int kPrefCustomHeights = 23;
inline constexpr int kPrefAskToPlotNewChannel = 23;

// Short texts handed between commands. Ordinary strings: the file-type text
// put in timstring[1] is longer than the 16 bytes once reserved for it.
extern std::string filestrings[8];   // [2] name of the open results file
extern std::string timstring[3];     // [0] clock text of MakeTimeString
extern std::string NIBstuff;         // window titles for text-panel builders
// Shared f32 scratch: MakeTimeString's argument, the waveform variance.
extern float VarXX;

extern float salinity;               // parts per thousand
extern float FiO2, FiCO2, RQ;
extern int16_t HorizPosition, VerticalPosition;
extern int16_t currentEF;
extern int16_t NewCrossCursor;
extern int32_t HelpSubject;

// 1 when flag is 0, else 0.
uint16_t ToggleValue(uint16_t flag);
// prefsArray word n becomes 1 when it was 0, else 0; n outside 1..100 is ignored.
void TogglePrefs(int16_t n);
