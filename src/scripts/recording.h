// The script recorder's state: whether commands record their steps, and how
// many are recorded. Steps go into ScriptSequenceArray (shell/worktables.h).
#pragma once
#include <cstdint>

extern int16_t RecordSCRIPT;
extern uint16_t ScriptCOUNT;
// Recording stops after this step.
inline constexpr uint16_t kLastStepToRecordAfter = 40;

// A step holds 28 floats; field 0 is the set-block flag, field 1 the
// operation code, the rest the command's settings.
inline constexpr int kStepFields = 28;
inline constexpr int kStepOpField = 1;

// Of the loaded script: run automatically (1), and its run mode. A replayed
// command takes its settings from the step, with no dialog, only while
// autoscript is 1 and ScriptRunOnce non-zero. Both stay 0 until a script
// runner sets them.
extern int16_t autoscript;
extern int16_t ScriptRunOnce;

// True for a replayed step (1 or more) of a script that runs without
// dialogs.
inline bool ReplaysWithoutDialog(int16_t step) { return step >= 1 && autoscript == 1 && ScriptRunOnce != 0; }
