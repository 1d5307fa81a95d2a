#include "shell/ui/recorder.h"

#include <algorithm>
#include <iterator>

#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kitglobals.h"
#include "shell/worktables.h"

RecorderHooks gRecorderHooks;

namespace {

void flash() {
  if (gRecorderHooks.flashStep) gRecorderHooks.flashStep();
}

// The block the last recorded block step ran on; slot -1 none. A replay
// starts with no block, so neither does a script.
struct UsedBlock {
  int16_t slot = -1;
  int32_t first = 0, last = 0;
  bool operator==(const UsedBlock&) const = default;
};
UsedBlock gUsedBlock;
// Whether a replay has that block standing too. A replayed analysis asks
// for a block only when none stands: one the hand run selected for it over
// an earlier block is not the block the replay analyses.
bool gUsedBlockReplayed = false;

UsedBlock standingBlock() {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!SlotHasBlock(f)) return {};
  return {f, std::min(BeginBlock[f], EndBlock[f]), std::max(BeginBlock[f], EndBlock[f])};
}

void noteRecorded(int16_t n, int16_t operation) {
  if (n == 1) gUsedBlock = {};
  if (BlockStepAnalysisCode(operation) <= 0) return;
  const UsedBlock used = standingBlock();
  if (!(used == gUsedBlock)) gUsedBlockReplayed = gUsedBlock.slot < 0;
  gUsedBlock = used;
}

}  // namespace

int16_t RecordScriptOperation(int16_t operation) {
  const int16_t n = AppendStep(ScriptSequenceArray, RecordSCRIPT != 0, &ScriptCOUNT, operation);
  if (n == 0) return 0;
  noteRecorded(n, operation);
  flash();
  return n;
}

int16_t RecordScriptStep(const float (&step)[kStepFields]) {
  const auto operation = static_cast<int16_t>(step[kStepOperation]);
  const int16_t n = AppendStep(ScriptSequenceArray, RecordSCRIPT != 0, &ScriptCOUNT, operation);
  if (n == 0) return 0;
  std::copy(std::begin(step), std::end(step), ScriptSequenceArray[n]);
  noteRecorded(n, operation);
  flash();
  return n;
}

namespace {

void markBlock(int16_t row, const UsedBlock& used, bool clears) {
  if (row < 1 || row > kLastScriptStep) return;
  ScriptSequenceArray[row][kStepBlockPick] =
      used.slot >= 0 && used == gUsedBlock && gUsedBlockReplayed ? kBlockKept : kBlockPickedAnew;
  // Kept or asked for, the replay has it.
  gUsedBlock = clears ? UsedBlock{} : used;
  gUsedBlockReplayed = true;
}

}  // namespace

void NoteAnalysisBlock() {
  if (RecordSCRIPT != 0) gUsedBlock = standingBlock();
}

void MarkBlockEdit(int16_t row, bool clears) { markBlock(row, standingBlock(), clears); }

void MarkBlockEdit(int16_t row, int32_t first, int32_t last, bool clears) {
  const auto f = static_cast<int16_t>(TheFileInUse);
  markBlock(row, {f, std::min(first, last), std::max(first, last)}, clears);
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

void NoteAnalysisChannel(int16_t step, int16_t channel) { NoteAnalysisChoice(step, kStepChannel, channel); }

int16_t ReplayedAnalysisChoice(int16_t handed, int field, std::initializer_list<int16_t> choices, int16_t current) {
  if (!ReplaysWithoutDialog(handed)) return current;
  const int16_t c = StepChoice(ScriptSequenceArray[handed], field, choices);
  return c != 0 ? c : current;
}

void NoteBlockLimit(int16_t step, int field, bool set, int32_t offset) {
  if (step < 1 || step > kLastScriptStep || field < 0 || field >= kStepFields) return;
  ScriptSequenceArray[step][field] = set ? static_cast<float>(offset) + 1.0f : 0.0f;
}

bool ReplayedBlockLimit(int16_t handed, int field, int32_t last, int32_t* offset) {
  if (!ReplaysWithoutDialog(handed) || field < 0 || field >= kStepFields) return false;
  const int32_t o = StepBlockLimit(ScriptSequenceArray[handed], field, last);
  if (o < 0) return false;
  *offset = o;
  return true;
}

void NoteAnalysisChoice(int16_t step, int field, int16_t choice) {
  if (step < 1 || step > kLastScriptStep || field < 0 || field >= kStepFields) return;
  ScriptSequenceArray[step][field] = static_cast<float>(choice);
}
