#include "plot/ui/gscale.h"

#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/ui/databar.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int kPlotTop = 20;

void flipLine(int win, int y) {
  plat::Port& p = plat::port(win);
  p.resetPen();
  p.setPenMode(plat::PenMode::Xor);
  p.moveTo(0, y);
  p.lineTo(plat::contentSize(win).w - 1, y);
  p.resetPen();
}

}  // namespace

float GscaleValue(int y) {
  if (PlotHeight <= 0) return minimumValue;
  return minimumValue + (maximumValue - minimumValue) / static_cast<float>(PlotHeight) *
                            static_cast<float>(BottomOfPlotArea - (y + 8));
}

float GetGscale(uint16_t mode, bool* picked) {
  if (picked) *picked = false;
  if (TheFileInUse >= kMaxOpenFiles) return minimumValue;
  const int win = PlotWindowId(static_cast<int16_t>(TheFileInUse));
  if (!plat::windowExists(win)) return minimumValue;
  PlayNamedSound("brrrp");
  plat::selectWindow(win);
  // The click is an event: none is lost between two looks at the pointer,
  // none acts after the pick. The close box or Escape gives the pick up.
  HandlerScope keep;
  InstallDialogHandlers();
  plat::handlers().mouse = [win](const plat::Event& e) {
    if (e.window == win) DoMouse(e);
  };
  const int width = plat::contentSize(win).w;
  // The plot area without the frame's bottom rows.
  const auto inside = [&](int x, int y) { return x >= 1 && x < width && y >= kPlotTop && y <= BottomOfPlotArea - 3; };
  int lineY = -1;
  float value = minimumValue;
  bool done = false;
  ClearMailbox();
  while (!done) {
    // The line follows the pointer on idle passes: pointer moves make no events.
    const bool busy = plat::pump();
    const int16_t a = action, id = eventID;
    ClearMailbox();
    if (a == kActionClose || (a == kActionKey && id == kEscapeKey)) break;
    const bool clicked = a == kActionMouse && id == 1 && inside(HorizPosition, VerticalPosition);
    if (busy && !clicked) continue;
    const plat::Point p = clicked ? plat::Point{HorizPosition, VerticalPosition} : plat::pointerLocal(win);
    const int y = clicked ? VerticalPosition : p.y;
    const bool over = clicked || inside(p.x, p.y);
    plat::setCursor(over ? plat::CursorKind::Cross : plat::CursorKind::Arrow);
    if (over && y != lineY) {
      if (lineY >= 0) flipLine(win, lineY);
      lineY = y;
      flipLine(win, lineY);
      value = GscaleValue(y);
      SetDataBarValueText("value " + StringFormatter(value));
      if (mode != 0 && plat::windowExists(kResultsWindow) && plat::controlExists(kResultsWindow, kGscaleField))
        plat::setFieldText(kResultsWindow, kGscaleField, FieldNumText(value));
      plat::flushWindow(win);
    }
    done = clicked;
  }
  if (lineY >= 0) flipLine(win, lineY);
  plat::flushWindow(win);
  plat::setCursor(plat::CursorKind::Arrow);
  if (done) Tick();
  if (picked) *picked = done;
  if (mode != 0 && plat::windowExists(kResultsWindow)) plat::selectWindow(kResultsWindow);
  return value;
}
