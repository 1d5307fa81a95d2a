// The frame every editing command runs in: the script step it begins with,
// the modal state of its dialog (handlers, toolbar, deferred picks) and the
// redraw after a change. The core half is editing/editstep.h.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "editing/editstep.h"
#include "platform/types.h"

class HandlerScope;

// Records a step with this operation code while recording (the one
// recording limit lives in RecordScriptStep) and says which row the command
// fills: the recorded step, else the replayed step `step`, else row 0.
EditStep BeginEditStep(int16_t opCode, int16_t step);

// A dialog that does several actions in one opening records one step per
// action, in order: the first fills the step begun on opening, each later
// one is recorded after it with this operation code. Counts the action in
// *actions and returns the row it fills, 0 for none (nothing was recorded
// on opening, or the recording limit was reached).
int16_t ActionStepRow(const EditStep& s, int16_t* actions, int16_t opCode);

// While it lives: the caller's handlers are kept, the dialog handlers
// installed (menu and toolbar picks deferred, ending the dialog), the
// toolbar hidden and the mailbox cleared. On leaving it restores the toolbar
// and the handlers, then runs a toolbar button the dialog deferred.
class EditDialogScope {
 public:
  EditDialogScope();
  ~EditDialogScope();
  EditDialogScope(const EditDialogScope&) = delete;
  EditDialogScope& operator=(const EditDialogScope&) = delete;

 private:
  std::unique_ptr<HandlerScope> handlers_;
};

// Results window 4 where OpenResultsWIndow puts it (below the plot area, at
// the plot's left edge), sized width x height; moved up by `raise` pixels
// and, when it would leave the display, up until it fits. It becomes the
// current port.
void OpenEditWindow(const plat::MacText& title, int16_t width, int16_t height, int16_t raise = 0);

// Text into window win's port at (x, y) in the given size and face; the
// port is left at plain 12.
void DrawDialogText(int win, int x, int y, const std::string& t, int size = 12, bool bold = false);
// Text into window win in the program's own face (Orrelin), in black.
void DrawOrrelinText(int win, int x, int y, const std::string& t, int size);

// A menu or toolbar pick waits: the dialog ends and does nothing.
bool EditPickPending();

// After a channel of TheFileInUse changed: the single view rescaled and
// drawn, or the stacked strip of ChangedChan (all strips when channelAdded),
// then the whole stacked display.
void RedrawAfterEdit(bool channelAdded);
