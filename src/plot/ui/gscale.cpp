#include "plot/ui/gscale.h"

#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
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

float GetGscale(uint16_t mode) {
  if (TheFileInUse >= kMaxOpenFiles) return minimumValue;
  const int win = PlotWindowId(static_cast<int16_t>(TheFileInUse));
  if (!plat::windowExists(win)) return minimumValue;
  PlayNamedSound("brrrp");
  plat::setCursor(plat::CursorKind::Cross);
  const int width = plat::contentSize(win).w;
  const auto inside = [&](plat::Point p) {
    return p.x >= 0 && p.x < width && p.y >= kPlotTop && p.y <= BottomOfPlotArea;
  };
  int lineY = -1;
  float value = minimumValue;
  for (;;) {
    const plat::Point p = plat::pointerLocal(win);
    const bool down = plat::buttonDown();
    if (inside(p) && p.y != lineY) {
      if (lineY >= 0) flipLine(win, lineY);
      lineY = p.y;
      flipLine(win, lineY);
      plat::flushWindow(win);
      value = GscaleValue(p.y);
      if (mode == 1 && plat::windowExists(kResultsWindow) && plat::controlExists(kResultsWindow, kGscaleField))
        plat::setFieldText(kResultsWindow, kGscaleField, FieldNumText(value));
    }
    if (down && inside(p)) {
      plat::waitButtonUp();
      break;
    }
    plat::delayMs(10);
  }
  if (lineY >= 0) flipLine(win, lineY);
  plat::flushWindow(win);
  plat::flushInput();
  plat::setCursor(plat::CursorKind::Arrow);
  return value;
}
