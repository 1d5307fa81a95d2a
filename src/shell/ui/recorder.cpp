#include "shell/ui/recorder.h"

#include <algorithm>
#include <iterator>

#include "shell/worktables.h"

RecorderHooks gRecorderHooks;

namespace {
void flash() {
  if (gRecorderHooks.flashStep) gRecorderHooks.flashStep();
}
}  // namespace

int16_t RecordScriptOperation(int16_t operation) {
  const int16_t n = AppendStep(ScriptSequenceArray, RecordSCRIPT != 0, &ScriptCOUNT, operation);
  if (n > 0) flash();
  return n;
}

int16_t RecordScriptStep(const float (&step)[kStepFields]) {
  const int16_t n = AppendStep(ScriptSequenceArray, RecordSCRIPT != 0, &ScriptCOUNT,
                               static_cast<int16_t>(step[kStepOperation]));
  if (n == 0) return 0;
  std::copy(std::begin(step), std::end(step), ScriptSequenceArray[n]);
  flash();
  return n;
}
