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
