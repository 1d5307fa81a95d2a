// What every editing command shares, without windows: the script step it
// fills, withdrawing that step when the user cancels, and the line it logs
// into the file's comments.
#pragma once
#include <cstdint>
#include <string_view>

#include "shell/recording.h"

struct EditStep {
  int16_t row = 0;            // the step the command fills: the recorded one, else the replayed one, else 0
  int16_t recorded = 0;       // number of the step recorded at entry, 0 none
  bool stoppedRecording = false;  // recording this step reached the limit and stopped recording
  bool replay = false;        // settings come from the row; no dialog
};

// The step a command started with `step` (0 from the menu, the script step
// number on replay) fills, once recordedStep (0 when nothing was recorded)
// is known.
EditStep EditStepFor(int16_t step, int16_t recordedStep, bool recordingStopped);
// The row's 28 fields (row 0 is scratch, never replayed).
float* EditStepFields(const EditStep& s);
// A cancelled command leaves no step behind: the recorded step is cleared,
// ScriptCOUNT steps back and recording resumes if this step had stopped it.
// Does nothing when no step was recorded; safe to call twice.
void WithdrawEditStep(EditStep& s);

// A step recorded while the command's dialog was open (the Copy Channel a
// dialog offers) goes before the command's own step, which moves to the end:
// the replay copies first and then works on the copy, as the hand run did.
void MoveEditStepLast(EditStep& s);

// After an edit of a channel: the file marked changed, the channel kept as
// the one last changed (ChangedChan), and the store's change hook told.
void MarkChannelEdited(int16_t slot, int16_t channel);

// With Record Edits on: the channel's heading (GetChanLABEL) and `words`
// go into the comments of the slot. False when nothing was logged.
bool LogChannelEdit(int16_t slot, int16_t channel, std::string_view words);
