// Every command that records a script step hands it here. The shell keeps
// the recording; the window that shows the step counter flashes it through
// a hook its registrar fills.
#pragma once
#include <cstdint>
#include <functional>

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
