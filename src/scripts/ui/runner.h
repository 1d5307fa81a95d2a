// The script runner: replays the steps on a newly loaded file, asks for
// blocks and waits in a twin of the main loop while the user selects them.
#pragma once
#include <cstdint>

// Channel count of the file the script was recorded, loaded or first run
// on; 0 when none.
extern int16_t InitialNumberOfScriptOperationChannels;

inline constexpr int16_t kScriptQuestionWindow = 25;
inline constexpr int16_t kScriptQuestionFirst = 1;    // "Start a New Script", "Cancel Script"
inline constexpr int16_t kScriptQuestionSecond = 2;   // "Add to Existing Script", "Continue Anyway"
inline constexpr int16_t kBlockRequestWindow = 4;
inline constexpr int16_t kContinueScriptButton = 135;
inline constexpr int16_t kRunningStepField = 53;

// Runs the script on TheFileInUse; OPEN FILE steps make it start again on
// the file they opened. Everything a run changes (sound level, Autorepeat)
// is put back on every way out.
void DOSCRIPT();
// The main loop's duty: a run starts when one is armed and a file was just
// loaded.
void StartScriptRunIfDue();
bool ScriptRunInProgress();

// "Script Exists": 1 "Start a New Script", 2 "Add to Existing Script".
int16_t CheckScriptRecording();
// "Problematic file": 1 "Cancel Script", 0 "Continue Anyway".
int16_t ScriptWarning();
void REQUEST_BLOCK();
void SCRIPT_BUTTONS(int16_t nextCode, int16_t step);
// Waits while the user selects blocks; returns on "Continue Script", on
// Interrupt and, without offerContinue, as soon as a block exists. True
// when the file had a block at some time while it waited (each block
// selected ran the analysis).
bool SCRIPTLOOP(int16_t offerContinue);
// A click the plot does not own: the continue button ends the wait.
bool ScriptPlotButton(int16_t controlId);
