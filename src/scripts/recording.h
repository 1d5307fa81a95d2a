// The script recorder's state: whether commands record their steps, and how
// many are recorded. Steps go into ScriptSequenceArray (shell/worktables.h).
#pragma once
#include <cstdint>

extern int16_t RecordSCRIPT;
extern uint16_t ScriptCOUNT;
// Recording stops after this step.
inline constexpr uint16_t kLastStepToRecordAfter = 40;
// While a script runs: 1 replays steps that carry their settings without
// asking (the scans' "Re-use This Interval" follows it).
extern int16_t autoscript;
