#include "editing/editstep.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "shell/globals.h"
#include "shell/store.h"
#include "shell/worktables.h"

EditStep EditStepFor(int16_t step, int16_t recordedStep, bool recordingStopped) {
  EditStep s;
  s.recorded = recordedStep;
  s.stoppedRecording = recordedStep != 0 && recordingStopped;
  if (recordedStep != 0) s.row = recordedStep;
  else if (step >= 1 && step <= 51) s.row = step;
  s.replay = recordedStep == 0 && ReplaysWithoutDialog(step);
  return s;
}

float* EditStepFields(const EditStep& s) { return ScriptSequenceArray[s.row]; }

void WithdrawEditStep(EditStep& s) {
  if (s.recorded == 0) return;
  std::fill(std::begin(ScriptSequenceArray[s.recorded]), std::end(ScriptSequenceArray[s.recorded]), 0.0f);
  if (ScriptCOUNT == static_cast<uint16_t>(s.recorded)) --ScriptCOUNT;
  if (s.stoppedRecording) RecordSCRIPT = 1;
  s.recorded = 0;
  s.stoppedRecording = false;
  s.row = 0;
}

void MoveEditStepLast(EditStep& s) {
  if (s.recorded == 0 || ScriptCOUNT != s.recorded + 1 || ScriptCOUNT > kLastScriptStep) return;
  std::swap_ranges(std::begin(ScriptSequenceArray[s.recorded]), std::end(ScriptSequenceArray[s.recorded]),
                   std::begin(ScriptSequenceArray[ScriptCOUNT]));
  s.recorded = s.row = static_cast<int16_t>(ScriptCOUNT);
}

bool LogChannelEdit(int16_t slot, int16_t channel, std::string_view words) {
  if (prefsArray[kPrefRecordEdits] == 0) return false;
  GetChanLABEL(channel);
  EditRecord.append(words);
  return AppendEditLog(slot, EditRecord);
}

void MarkChannelEdited(int16_t slot, int16_t channel) {
  FileSHORTS[slot][kShortChanged] = 1;
  ChangedChan = channel;
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, channel);
}
