// Every command that records a script step hands it here. The shell keeps
// the recording; the window that shows the step counter flashes it through
// a hook its registrar fills.
#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>

#include "shell/recording.h"

struct RecorderHooks {
  std::function<void()> flashStep;   // after each recorded step (ends recording at 40)
};
extern RecorderHooks gRecorderHooks;

// While recording and ScriptCOUNT < 40: ScriptCOUNT += 1, the step is copied
// into ScriptSequenceArray[ScriptCOUNT] and the step counter flashed (which
// ends recording at 40). Returns the step's number, 0 when nothing was
// recorded.
int16_t RecordScriptStep(const float (&step)[kStepFields]);
// The same for a step that holds only its operation code so far; the
// command writes its settings later through SettingsStep.
int16_t RecordScriptOperation(int16_t operation);

// ---- Steps on a block -----------------------------------------------------------------
// A recorded step `row` (0: none) that edits the block of the file in
// front, or the block `first`..`last` of it, says whether the hand run kept
// the block the last recorded block step used (kBlockKept) or selected one
// for it (kBlockPickedAnew). A block first selected for an analysis over
// another block counts as selected anew: its replay runs on the block that
// stands. `clears`: the step leaves no block behind in a replay, so the
// next step cannot keep it. Block analyses note their block as they are
// recorded.
void MarkBlockEdit(int16_t row, bool clears = false);
void MarkBlockEdit(int16_t row, int32_t first, int32_t last, bool clears);
// A block analysis that moves the block while it is recorded (a scan's "Set
// Block", which its replay does too): the block it leaves is the one it used.
void NoteAnalysisBlock();

// ---- Block analyses ------------------------------------------------------------------
// The step a run handed the analysis of operation `op` (any of `ops`), 0 when
// none: the step being replayed must be that analysis's own.
int16_t HandedAnalysisStep(std::initializer_list<int16_t> ops);
// The channel a block analysis starts on: in a replay that takes its
// settings from step `handed`, the channel the step names, else `active`.
int16_t ReplayedAnalysisChannel(int16_t handed, int16_t active, int16_t channels);
// A channel picked in the analysis's results window goes into the step it
// fills (`step` 0: none).
void NoteAnalysisChannel(int16_t step, int16_t channel);
// The one of `choices` field `field` of step `handed` holds, in a replay that
// takes its settings from that step; else (or for an old step's 0) `current`.
int16_t ReplayedAnalysisChoice(int16_t handed, int field, std::initializer_list<int16_t> choices, int16_t current);
// A choice made in the analysis's window goes into field `field` of the step
// it fills (`step` 0: none).
void NoteAnalysisChoice(int16_t step, int field, int16_t choice);
// A limit set inside the block ("Left Limit", "Right Limit") as a step holds
// it: its offset from the block's first case plus 1; 0 none.
void NoteBlockLimit(int16_t step, int field, bool set, int32_t offset);
// The limit field `field` of step `handed` holds, in a replay that takes its
// settings from that step, kept within a block of `last` cases after its
// first; false when it holds none (old steps, or not a replay).
bool ReplayedBlockLimit(int16_t handed, int field, int32_t last, int32_t* offset);
