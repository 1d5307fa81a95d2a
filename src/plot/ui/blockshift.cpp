#include "plot/ui/blockshift.h"

#include <algorithm>
#include <cstdint>

#include "platform/controls.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/blockshift.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"

namespace {

void shift(bool right) {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(f) || !SlotHoldsFile(f) || FileSHORTS[f][kShortBlockState] != 2) return;
  const auto moved = plotcore::ShiftedBlock({BeginBlock[f], EndBlock[f]}, nCases[f],
                                            prefsArray[kPrefShiftOverlap] != 0, right);
  if (!moved) return;
  // The band is XOR: drawn once more at the old place it goes.
  RefreshPLOTBLOCK(0);
  BeginBlock[f] = moved->begin;
  EndBlock[f] = moved->end;
  const plotcore::ViewState v = PlotViewState(f);
  FileSHORTS[f][kShortBlockLeftPx] = static_cast<int16_t>(
      std::clamp<int32_t>(plotcore::BlockEdgePixel(v, moved->begin), INT16_MIN, INT16_MAX));
  FileSHORTS[f][kShortBlockRightPx] = static_cast<int16_t>(
      std::clamp<int32_t>(plotcore::BlockEdgePixel(v, moved->end), INT16_MIN, INT16_MAX));
  RefreshPLOTBLOCK(0);
  DRAWBLOCK();
  // The main loop redraws on its next pass.
  MenuIDENTIFIER = kMenuView;
  MenuItem = 8;
}

void drawRulesDiagram() {
  plat::Port& p = plat::port(kShiftRulesWindow);
  p.resetPen();
  const plat::Rect boxes[] = {{25, 45, 75, 95}, {75, 45, 125, 95}, {165, 45, 215, 95}, {216, 45, 266, 95}};
  for (int i = 0; i < 4; ++i) {
    p.setForeColor(i % 2 == 0 ? gray : lightBlue);
    p.fillRect(boxes[i], plat::patterns::solid);
  }
  p.setForeColor(kBlack);
  for (const plat::Rect& r : boxes) p.strokeRect(r);
}

}  // namespace

int16_t ShiftBlockLeft() {
  shift(false);
  return 0;
}

int16_t ShiftBlockRight() {
  shift(true);
  return 0;
}

int16_t ShiftBlockRules() {
  HandlerScope keep;
  InstallDialogHandlers();
  BuildWINDOW(1, kShiftRulesWindow, "Rules Ror Shifting Blocks", 50, 90, 350, 250, kKindDocument, 0);
  auto button = [](int16_t id, plat::ButtonKind kind, const char* title, plat::Rect r, int state) {
    AddKitButton(kShiftRulesWindow, id, kind, title, r, state);
  };
  const bool overlap = prefsArray[kPrefShiftOverlap] != 0;
  button(kShiftOverlap, plat::ButtonKind::Radio, "Overlap 1 Case", {20, 20, 140, 40}, overlap ? 2 : 1);
  button(kShiftNoOverlap, plat::ButtonKind::Radio, "Do Not Overlap", {160, 20, 283, 40}, overlap ? 1 : 2);
  button(kShiftDone, plat::ButtonKind::DefaultPush, "Done", {170, 120, 270, 140}, 1);
  drawRulesDiagram();
  plat::flushWindow(kShiftRulesWindow);
  ClearMailbox();
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (a == kActionClick && (id == kShiftOverlap || id == kShiftNoOverlap)) {
      prefsArray[kPrefShiftOverlap] = id == kShiftOverlap ? 1 : 0;
      plat::setButtonState(kShiftRulesWindow, kShiftOverlap, id == kShiftOverlap ? 2 : 1);
      plat::setButtonState(kShiftRulesWindow, kShiftNoOverlap, id == kShiftNoOverlap ? 2 : 1);
      continue;
    }
    if (a == kActionClick) break;
    if (a == kActionClose && id == kShiftRulesWindow) break;
    if (a == kActionActivate && id != kShiftRulesWindow) break;
    if (a == kActionKey && (id == 13 || id == 3)) break;
  }
  plat::disposeWindow(kShiftRulesWindow);
  return 0;
}

void RegisterBlockShiftCommands() {
  RegisterCommand(Cmd::ShiftBlockLeft, [](int16_t) { ShiftBlockLeft(); });
  RegisterCommand(Cmd::ShiftBlockRight, [](int16_t) { ShiftBlockRight(); });
  RegisterCommand(Cmd::ShiftBlockRules, [](int16_t) { ShiftBlockRules(); });
}
