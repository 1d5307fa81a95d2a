#include "editing/ui/editframe.h"

#include <algorithm>

#include "output/ui/analysiskit.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/ui/redraw.h"
#include "shell/ui/recorder.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"

EditStep BeginEditStep(int16_t opCode, int16_t step) {
  float fields[kStepFields] = {};
  fields[kStepOpField] = static_cast<float>(opCode);
  const bool wasRecording = RecordSCRIPT != 0;
  const int16_t recorded = RecordScriptStep(fields);
  return EditStepFor(step, recorded, wasRecording && RecordSCRIPT == 0);
}

int16_t ActionStepRow(const EditStep& s, int16_t* actions, int16_t opCode) {
  int16_t row = s.row;
  if (*actions > 0) {
    if (s.recorded == 0) return 0;
    float fresh[kStepFields] = {};
    fresh[kStepOpField] = static_cast<float>(opCode);
    row = RecordScriptStep(fresh);
  }
  ++*actions;
  return row >= 1 && row <= kLastScriptStep ? row : 0;
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

void OpenEditWindow(const plat::MacText& title, int16_t width, int16_t height, int16_t raise) {
  OpenResultsWIndow(0, 1, 1, title, 0);
  plat::Rect r = plat::contentRect(kResultsWindow);
  r.top -= raise;
  const int lowest = plat::displaySize().h - 4 - height;
  r.top = std::max(std::min<int>(r.top, lowest), plat::config().menuBarHeight + plat::config().titleBarHeight);
  r.right = r.left + width;
  r.bottom = r.top + height;
  plat::setContentRect(kResultsWindow, r);
  plat::setCurrentPort(kResultsWindow);
}

void DrawDialogText(int win, int x, int y, const std::string& t, int size, bool bold) {
  plat::Port& p = plat::port(win);
  p.setTextSize(size);
  p.setTextFace(bold, false, false);
  p.moveTo(x, y);
  p.drawText(t);
  p.setTextSize(12);
  p.setTextFace(false, false, false);
}

void DrawOrrelinText(int win, int x, int y, const std::string& t, int size) {
  plat::Port& p = plat::port(win);
  p.setFont(OrrelinFace(size));
  p.setForeColor(kBlack);
  p.moveTo(x, y);
  p.drawText(t);
}
