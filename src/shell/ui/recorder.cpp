#include "shell/ui/recorder.h"

#include <algorithm>
#include <iterator>

#include "shell/ui/kitglobals.h"
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

int16_t HandedAnalysisStep(std::initializer_list<int16_t> ops) {
  if (RunScript == 0 || ScriptRunStep < 1 || ScriptRunStep > kLastScriptStep) return 0;
  const float code = ScriptSequenceArray[ScriptRunStep][kStepOperation];
  for (int16_t op : ops)
    if (code == static_cast<float>(op)) return ScriptRunStep;
  return 0;
}

int16_t ReplayedAnalysisChannel(int16_t handed, int16_t active, int16_t channels) {
  if (!ReplaysWithoutDialog(handed)) return active;
  const int16_t c = StepChannelIn(ScriptSequenceArray[handed], kStepChannel, channels);
  return c != 0 ? c : active;
}

void NoteAnalysisChannel(int16_t step, int16_t channel) {
  if (step < 1 || step > kLastScriptStep) return;
  ScriptSequenceArray[step][kStepChannel] = static_cast<float>(channel);
}
