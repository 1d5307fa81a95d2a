#include "scripts/ui/recorder.h"

#include <algorithm>
#include <iterator>

#include "plot/ui/infoline.h"
#include "shell/worktables.h"

int16_t RecordScriptStep(const float (&step)[28]) {
  if (RecordSCRIPT == 0 || ScriptCOUNT > kLastStepToRecordAfter) return 0;
  ++ScriptCOUNT;
  std::copy(std::begin(step), std::end(step), ScriptSequenceArray[ScriptCOUNT]);
  FLASHSCRIPTsequenceStep();
  return static_cast<int16_t>(ScriptCOUNT);
}
