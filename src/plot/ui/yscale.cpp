#include "plot/ui/yscale.h"

#include "plot/autoscale.h"
#include "plot/yscale.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/ui/draw.h"
#include "plot/ui/gscale.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "plot/ui/stacked.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

namespace {

bool frontFile(int16_t* f) {
  *f = static_cast<int16_t>(TheFileInUse);
  return ValidFileSlot(*f) && SlotHoldsFile(*f) && plat::windowExists(PlotWindowId(*f));
}

// A stacked file is shown single while a scaling dialog is up.
bool leaveStacked(int16_t f) {
  if (FileSHORTS[f][kShortView] == 0) return false;
  FileSHORTS[f][kShortView] = 0;
  plat::setCurrentPort(PlotWindowId(f));
  DrawPlot(0, 0, 1);
  return true;
}

void backToStacked(int16_t f, bool stacked) {
  if (stacked) FileSHORTS[f][kShortView] = 1;
}

void redrawChanged(int16_t f, bool stacked) {
  if (stacked) {
    ChangedChan = ActiveChannel;
    UpdateSCREEN(static_cast<uint16_t>(ActiveChannel), 0);
  } else {
    ScaleChangeREDRAW(ActiveChannel);
  }
  (void)f;
}

// The palette grows downwards for a blinking red hint while a limit is picked.
void pickWithHint(float* value) {
  const int w = kScalePaletteWindow;
  plat::setContentRect(w, {490, BottomOfPlotArea + 50, 660, BottomOfPlotArea + 110});
  plat::setTitle(w, "Scaling");
  for (uint16_t phase = 1; phase <= 9; ++phase) {
    LimitCursorNote(phase);
    plat::flushWindow(w);
    plat::delayMs(20);
  }
  bool picked = false;
  const float v = GetGscale(0, &picked);
  if (picked) *value = v;
  if (!plat::windowExists(w)) return;
  plat::setContentRect(w, {490, BottomOfPlotArea + 50, 660, BottomOfPlotArea + 80});
  plat::setTitle(w, "Scaling");
}

void button(int win, int16_t id, const char* title, plat::Rect r, plat::ButtonKind kind) {
  AddKitButton(win, id, kind, title, r);
}

}  // namespace

void LimitCursorNote(uint16_t phase) {
  if (!plat::windowExists(kScalePaletteWindow)) return;
  plat::Port& p = plat::port(kScalePaletteWindow);
  p.setForeColor({0xFFFF, 0, 0});
  p.fillRect({0, 30, 170, 65});
  if (phase % 2 == 1) {
    p.setForeColor({0xFFFF, 0xFFFF, 0xFFFF});
    plat::FontSpec f;
    f.pixelSize = 10;
    p.setFont(f);
    // Up arrows either side: Mac Roman has no arrow glyph.
    for (int x : {12, 150}) p.fillPolygon({{x, 34}, {x - 4, 40}, {x + 4, 40}});
    p.moveTo(28, 42);
    p.drawText("Select position");
    p.moveTo(32, 56);
    p.drawText("and click mouse");
  }
  p.setForeColor({0, 0, 0});
}

void SetActiveScaleMode(uint16_t scaleMode) {
  int16_t f;
  if (!frontFile(&f)) return;
  SetChannelScaleMode(ActiveChannel, scaleMode);
  ScaleMode = scaleMode;
  DrawAllScaleMode = static_cast<int16_t>(scaleMode);
  ScaleChangeREDRAW(ActiveChannel);
}

void MANUALSCALING() {
  int16_t f;
  if (!frontFile(&f)) return;
  const bool stacked = leaveStacked(f);
  HideTheToolBar();
  const int L = plat::contentRect(PlotWindowId(f)).left;
  HandlerScope keep;
  InstallDialogHandlers();
  BuildWINDOW(0, kManualScaleWindow, "Y-Axis Scaling for Channel" + NumText(ActiveChannel),
              static_cast<int16_t>(L + 50), 90, static_cast<int16_t>(L + 340), 300, kKindDocument, 1);
  const int w = kManualScaleWindow;
  button(w, kManualScaleInteractive, "Set Interactively on Plot Window\xC9", {10, 8, 280, 28},
         plat::ButtonKind::Push);
  BuildBOX(15, 42, 272, 198);
  plat::Port& p = plat::port(w);
  plat::FontSpec font;
  font.pixelSize = 14;
  p.setFont(font);
  p.moveTo(35, 68);
  p.drawText("Maximum Y:");
  p.moveTo(35, 100);
  p.drawText("Minimum Y:");
  BUILDEF(1, kManualScaleMax, NumText(maximumValue), 125, 55, 235, 70, 1, 0);
  BUILDEF(1, kManualScaleMin, NumText(minimumValue), 125, 88, 235, 102, 1, 0);
  putCICON(129, 38, 152);
  p.setFont(font);
  p.moveTo(80, 131);
  p.drawText("Careful:   All screen segments");
  p.moveTo(80, 148);
  p.drawText("will use this scaling.");
  button(w, kManualScaleDone, "Click When Finished", {60, 166, 223, 188}, plat::ButtonKind::DefaultPush);
  plat::focusField(w, kManualScaleMax, true);
  ClearMailbox();
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (a == kActionClick && id == kManualScaleDone) break;
    if (a == kActionClick && id == kManualScaleInteractive) {
      ScaleGRAPHIC();
      // The limits set on the plot stand: the fields show them.
      if (plat::windowExists(w)) {
        plat::setFieldText(w, kManualScaleMax, FieldNumText(maximumValue));
        plat::setFieldText(w, kManualScaleMin, FieldNumText(minimumValue));
      }
      break;
    }
    if (a == kActionClose) break;
    if (a == kActionKey && (id == 13 || id == 3)) break;
    if (a == kActionActivate && id != w) break;
  }
  float lo = 0, hi = 0;
  const ManualLimitsStatus st = plat::windowExists(w)
                                    ? ReadManualLimits(plat::fieldText(w, kManualScaleMin),
                                                       plat::fieldText(w, kManualScaleMax), &lo, &hi)
                                    : ManualLimitsStatus::NotANumber;
  plat::disposeWindow(w);
  plat::disposeWindow(kResultsWindow);
  if (st == ManualLimitsStatus::Ok) {
    ScaleMode = plotcore::kScaleManual;
    DrawAllScaleMode = -1;
    SetChannelManualLimits(ActiveChannel, lo, hi);
    backToStacked(f, stacked);
    redrawChanged(f, stacked);
  } else {
    backToStacked(f, stacked);
    if (!stacked) RefreshSCREEN();
    EndBeep();
    ScaleChangeREDRAW(ActiveChannel);
    SetChannelManualLimits(ActiveChannel, minimumValue, maximumValue);
  }
  plat::selectWindow(PlotWindowId(f));
  RestoreTheToolBar();
  ClearMailbox();
}

void ScaleGRAPHIC() {
  int16_t f;
  if (!frontFile(&f)) return;
  const float keepMin = minimumValue, keepMax = maximumValue, keepRange = range;
  const int16_t ch = ActiveChannel;
  const bool stacked = leaveStacked(f);
  HandlerScope keep;
  InstallDialogHandlers();
  plat::WindowSpec ws;
  ws.id = kScalePaletteWindow;
  ws.title = "scaling";
  ws.content = {490, BottomOfPlotArea + 50, 660, BottomOfPlotArea + 80};  // left, top, right, bottom
  ws.cls = plat::WindowClass::Floating;
  ws.background = darkGray;
  plat::createWindow(ws);
  const int w = kScalePaletteWindow;
  const plat::ButtonKind k = plat::ButtonKind::SmallBevel;
  button(w, kScalePaletteUpper, "Upper Limit", {1, 1, 69, 15}, k);
  button(w, kScalePaletteLower, "Lower Limit", {1, 15, 69, 29}, k);
  button(w, kScalePaletteExpand2, "Expand 2X", {70, 1, 130, 15}, k);
  button(w, kScalePaletteExpand3, "Expand 3X", {70, 15, 130, 29}, k);
  button(w, kScalePaletteCancel, "Cancel", {131, 1, 169, 15}, k);
  button(w, kScalePaletteDone, "Done", {131, 15, 169, 29}, k);
  float upper = maximumValue, lower = minimumValue;
  bool accepted = false, expanded = false;
  ClearMailbox();
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (a == kActionClick && id == kScalePaletteUpper) {
      pickWithHint(&upper);
      upvip();
    } else if (a == kActionClick && id == kScalePaletteLower) {
      pickWithHint(&lower);
      downvip();
    } else if (a == kActionClick && (id == kScalePaletteExpand2 || id == kScalePaletteExpand3)) {
      ExpandedLimits(minimumValue, maximumValue, id == kScalePaletteExpand2 ? 0.5f : 1.0f, &lower, &upper);
      SetChannelManualLimits(ch, lower, upper);
      expanded = true;
      plat::setCurrentPort(PlotWindowId(f));
      DrawPlot(0, 0, 1);
      upvip();
    } else if ((a == kActionClick && id == kScalePaletteDone) || (a == kActionClose && id == w) ||
               (a == kActionActivate && id == PlotWindowId(f))) {
      accepted = true;
      break;
    } else if (a == kActionClick && id == kScalePaletteCancel) {
      break;
    }
  }
  plat::disposeWindow(w);
  float lo = 0, hi = 0;
  if (accepted && !OrderPickedLimits(lower, upper, &lo, &hi)) {
    Zap();
    backToStacked(f, stacked);
    RefreshSCREEN();
  } else if (accepted) {
    ScaleMode = plotcore::kScaleManual;
    DrawAllScaleMode = -1;
    minimumValue = lo;
    maximumValue = hi;
    range = hi - lo;
    SetChannelManualLimits(ch, lo, hi);
    if (!stacked) {
      ScaleChangeREDRAW(ch);
    } else {
      backToStacked(f, stacked);
      ChangedChan = ch;
      UpdateSCREEN(static_cast<uint16_t>(ch), 0);
      RefreshSCREEN();
    }
  } else {
    minimumValue = keepMin;
    maximumValue = keepMax;
    range = keepRange;
    // The mode stays as it is: after an expansion, Manual with the former limits.
    if (ch >= 1 && ch <= 32) {
      scalefact[ch][5] = keepMin;
      scalefact[ch][6] = keepMax;
    }
    if (!stacked) {
      plat::setCurrentPort(PlotWindowId(f));
      if (expanded) DrawPlot(0, 0, 1);
      else RefreshSCREEN();
    } else {
      backToStacked(f, stacked);
      if (expanded) UpdateSCREEN(static_cast<uint16_t>(ch), 0);
      RefreshSCREEN();
    }
  }
  ClearMailbox();
}
