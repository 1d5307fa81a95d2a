// Every command that records a script step hands it here.
#pragma once
#include <cstdint>

#include "scripts/recording.h"

// While recording and ScriptCOUNT <= kLastStepToRecordAfter: ScriptCOUNT += 1,
// the step is copied into ScriptSequenceArray[ScriptCOUNT] and the step
// counter flashed. Returns the step's number, 0 when nothing was recorded.
int16_t RecordScriptStep(const float (&step)[28]);
