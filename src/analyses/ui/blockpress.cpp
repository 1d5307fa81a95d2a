#include "analyses/ui/blockpress.h"

#include <vector>

#include "platform/events.h"
#include "platform/sound.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "shell/ui/mailboxes.h"

std::optional<plat::Point> AwaitBlockPress(const std::function<bool(plat::Point)>& accepts,
                                           const std::function<void(plat::Point)>& track, bool beepOnRefused) {
  HandlerScope keepHandlers;
  bool pressed = false;
  plat::Point pressAt{};
  auto& h = plat::handlers();
  h.mouse = [&](const plat::Event& e) {
    if (e.kind != plat::EventKind::MouseDown) return;
    pressed = true;
    pressAt = e.window == kBlockWindow ? e.local : plat::Point{-1, -1};
  };
  std::vector<plat::Event> closes;
  h.dialog = [&closes](const plat::Event& e) {
    if (e.kind == plat::EventKind::CloseBox) closes.push_back(e);
  };
  h.menu = [](const plat::Event&) {};
  std::optional<plat::Point> at;
  while (plat::windowExists(kBlockWindow)) {
    plat::pump();
    if (pressed) {
      pressed = false;
      if (accepts(pressAt)) {
        at = pressAt;
        break;
      }
      if (beepOnRefused) plat::systemBeep();
    }
    if (!plat::windowExists(kBlockWindow)) break;
    track(plat::pointerLocal(kBlockWindow));
  }
  for (const plat::Event& e : closes) plat::postEvent(e);
  return at;
}
