#include "shell/steptable.h"

#include <map>

#include "shell/recording.h"
#include "shell/worktables.h"

namespace {

std::map<int16_t, ScriptOpFn>& ops() {
  static std::map<int16_t, ScriptOpFn> m;
  return m;
}

}  // namespace

void RegisterScriptOp(int16_t op, ScriptOpFn fn) {
  if (fn) ops()[op] = std::move(fn);
  else ops().erase(op);
}

bool ScriptOpRegistered(int16_t op) { return ops().count(op) != 0; }

void ClearScriptOps() { ops().clear(); }

bool RunScriptStep(int16_t step) {
  if (step < 1 || step > 51) return false;
  // A damaged step may hold any float: only whole codes in range name a command.
  const float code = ScriptSequenceArray[step][kStepOpField];
  if (!(code >= -32768.0f && code <= 32767.0f)) return false;
  const auto op = static_cast<int16_t>(code);
  const auto it = ops().find(op);
  if (it == ops().end()) return false;
  // A copy: the command may register operations while it runs.
  const ScriptOpFn run = it->second;
  run(step);
  return true;
}
