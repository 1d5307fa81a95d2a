// Every command that records a script step hands it here.
#pragma once
#include <cstdint>

#include "scripts/recording.h"

// While recording and ScriptCOUNT < 40: ScriptCOUNT += 1, the step is copied
// into ScriptSequenceArray[ScriptCOUNT] and the step counter flashed (which
// ends recording at 40). Returns the step's number, 0 when nothing was
// recorded.
int16_t RecordScriptStep(const float (&step)[kStepFields]);
// The same for a step that holds only its operation code so far; the
// command writes its settings later through SettingsStep.
int16_t RecordScriptOperation(int16_t operation);
