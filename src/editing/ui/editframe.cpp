#include "editing/ui/editframe.h"

#include "output/ui/analysiskit.h"
#include "plot/ui/redraw.h"
#include "scripts/ui/recorder.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"

EditStep BeginEditStep(int16_t opCode, int16_t step) {
  float fields[kStepFields] = {};
  fields[kStepOpField] = static_cast<float>(opCode);
  const bool wasRecording = RecordSCRIPT != 0;
  const int16_t recorded = RecordScriptStep(fields);
  return EditStepFor(step, recorded, wasRecording && RecordSCRIPT == 0);
}

EditDialogScope::EditDialogScope() : handlers_(std::make_unique<HandlerScope>()) {
  InstallAnalysisHandlers();
  HideTheToolBar();
  MENU_or_ToolBar_PICKED = 0;
  ClearMailbox();
}

EditDialogScope::~EditDialogScope() {
  ClearMailbox();
  RestoreTheToolBar();
  handlers_.reset();
  RunPendingToolbarCommand();
}

bool EditPickPending() { return MENU_or_ToolBar_PICKED != 0; }

void RedrawAfterEdit(bool channelAdded) {
  if (TheFileInUse >= kMaxOpenFiles) return;
  UpdateSCREEN(channelAdded ? 1 : 0, 0);
  if (FileSHORTS[TheFileInUse][kShortView] == 1) RefreshSCREEN();
}
