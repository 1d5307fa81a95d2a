// The one table from a script step's operation code to the command that
// replays it. Each subsystem's registrar enters its own operations; the
// script runner calls RunScriptStep for every step it replays.
#pragma once
#include <cstdint>
#include <functional>

// Called with the number of the step being replayed.
using ScriptOpFn = std::function<void(int16_t step)>;

void RegisterScriptOp(int16_t op, ScriptOpFn fn);
bool ScriptOpRegistered(int16_t op);
void ClearScriptOps();
// Runs the command of ScriptSequenceArray[step]'s operation with that step
// number; false when the step is outside 1..51 or its operation has no
// command.
bool RunScriptStep(int16_t step);
