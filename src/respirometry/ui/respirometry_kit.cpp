#include "respirometry/ui/respirometry_kit.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "editing/ui/editframe.h"
#include "output/scaling.h"
#include "platform/app.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/textutil.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"

namespace respkit {

plat::Rect PlotContentRect() {
  if (TheFileInUse < kMaxOpenFiles && plat::windowExists(PlotWindowId(static_cast<int16_t>(TheFileInUse))))
    return plat::contentRect(PlotWindowId(static_cast<int16_t>(TheFileInUse)));
  const int left = prefsArray[kPrefToolbarPosition] == 0 ? 94 : 2;
  return {left, 63, left + ScreenWidth, 63 + BottomOfPlotArea + 58};
}

void OpenDialogAt(int16_t id, const plat::MacText& title, plat::Rect r) {
  const int bottom = plat::displaySize().h - 4;
  if (r.bottom > bottom) {
    const int up = std::min(r.bottom - bottom, r.top - 60);
    r.top -= std::max(0, up);
    r.bottom = r.top + (r.bottom - r.top);
  }
  plat::WindowSpec w;
  w.id = id;
  w.title = title;
  w.content = r;
  w.closeBox = true;
  plat::createWindow(w);
  CurrentlyActiveWindow = id;
}

void OpenDialogWindow(int16_t id, const plat::MacText& title, int width, int height, int dy, int left,
                      bool closeBox) {
  const plat::Rect plot = PlotContentRect();
  int top = plot.top + BottomOfPlotArea + 40 + dy;
  const int bottom = plat::displaySize().h - 4;
  top = std::max(60, std::min(top, bottom - height));
  BuildWINDOW(1, id, title, static_cast<int16_t>(left), static_cast<int16_t>(top), static_cast<int16_t>(left + width),
              static_cast<int16_t>(top + height), closeBox ? kKindDocument : kKindNoCloseBox, 1);
  plat::setCurrentPort(id);
}

void AddPush(int win, int16_t id, const plat::MacText& title, plat::Rect r, plat::ButtonKind kind, int state) {
  AddKitButton(win, id, kind, title, r, state);
}

void AddCheck(int win, int16_t id, const plat::MacText& title, plat::Rect r, bool marked, bool radio) {
  AddKitButton(win, id, radio ? plat::ButtonKind::Radio : plat::ButtonKind::CheckBox, title, r, marked ? 2 : 1);
}

void AddField(int win, int16_t id, const plat::MacText& text, plat::Rect r) {
  plat::FieldSpec f;
  f.id = id;
  f.text = text;
  f.r = r;
  f.kind = plat::FieldKind::Editable;
  f.font.pixelSize = 12;
  plat::addField(win, f);
}

void AddStatic(int win, int16_t id, const plat::MacText& text, plat::Rect r) {
  AddPlainLabel(win, id, text, r, 12, false, {0, 0, 0}, true);
}

void DrawLabel(int win, int x, int y, const plat::MacText& text, bool blue) {
  plat::Port& p = plat::port(win);
  plat::FontSpec f;
  f.pixelSize = 12;
  p.setFont(f);
  p.setForeColor(blue ? plat::Rgb16{0, 0, 0xDDDD} : kBlack);
  p.moveTo(x, y);
  p.drawText(text);
  p.setForeColor(kBlack);
  p.flush();
}

void AwaitEvent() {
  ClearMailbox();
  while (action == 0 && !EditPickPending()) plat::pump();
}

float PositiveFieldOrKeep(int win, int16_t id, float old, const char* what) {
  if (!plat::windowExists(win) || !plat::controlExists(win, id)) return old;
  const std::string typed = plat::fieldText(win, id);
  double v = 0.0;
  // Judged as the float kept: 1e-50 would be kept as 0.
  if (ParseFieldNumber(typed, &v) && static_cast<float>(v) > 0.0f && std::isfinite(static_cast<float>(v)))
    return static_cast<float>(v);
  ShowAlert(std::string(what) + " (\"" + typed + "\" was typed); it stays" + NumText(old) + ".");
  return old;
}

void ShowEditedFile(int16_t slot, bool newChannel) {
  plat::disposeWindow(kResultsWindow);
  if (plat::windowExists(PlotWindowId(slot))) {
    plat::selectWindow(PlotWindowId(slot));
    plat::setCurrentPort(PlotWindowId(slot));
    RedrawAfterEdit(newChannel);
  }
  MakeChannelSelectionsPopUp();
  if (newChannel) RebuildChannelMenu();
}

}  // namespace respkit
