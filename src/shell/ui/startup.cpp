#include "shell/ui/startup.h"

#include <algorithm>

#include "platform/app.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/prefs.h"
#include "shell/ui/commands.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/menubar.h"

namespace {

constexpr int kSplashMs = 1500;
constexpr int kSplashStepMs = 30;

void DrawSplash(plat::Port& p, plat::Rect area) {
  // A band of traces in the colours of the plot: our own picture, drawn here.
  p.setBackColor(plotBackColor);
  p.clearRect(area);
  const int w = area.width(), h = area.height();
  const plat::Rgb16 traces[] = {PlotDataLineColor, {65535, 26214, 26214}, {26214, 52428, 65535}};
  for (int t = 0; t < 3; ++t) {
    p.setForeColor(traces[t]);
    p.setPenSize(2, 2);
    const int base = 70 + t * 40;
    p.moveTo(0, base);
    for (int x = 0; x <= w; x += 4) {
      // Breathing cycles riding on a slow drift, as a recording shows them.
      const int phase = (x + t * 37) % 120;
      const int bump = phase < 60 ? phase / 3 : (120 - phase) / 3;
      p.lineTo(x, base - bump + ((x / 90 + t) % 3) * 3);
    }
  }
  p.resetPen();
  p.setForeColor(kWhite);
  plat::FontSpec title;
  title.family = "Times";
  title.pixelSize = 40;
  title.bold = true;
  p.setFont(title);
  p.moveTo(24, h - 60);
  p.drawText("Corvimet");
  plat::FontSpec small;
  small.pixelSize = 13;
  p.setFont(small);
  p.moveTo(26, h - 36);
  p.drawText("Respirometry recordings for the physiology laboratory");
  p.moveTo(26, h - 16);
  p.drawText("Version " CORVIMET_VERSION);
}

}  // namespace

void ShowSplash() {
  constexpr int kWidth = 520, kHeight = 260;
  const plat::Size desk = plat::displaySize();
  plat::WindowSpec w;
  w.id = kSplashWindow;
  w.cls = plat::WindowClass::Plain;
  w.closeBox = false;
  w.content = {std::max(0, (desk.w - kWidth) / 2), std::max(40, (desk.h - kHeight) / 3), 0, 0};
  w.content.right = w.content.left + kWidth;
  w.content.bottom = w.content.top + kHeight;
  plat::createWindow(w);
  DrawSplash(plat::port(kSplashWindow), {0, 0, kWidth, kHeight});
  plat::flushWindow(kSplashWindow);
  {
    HandlerScope keep;
    auto& h = plat::handlers();
    h.menu = [](const plat::Event&) {};
    h.mouse = MOUSECLICK;
    h.dialog = [](const plat::Event& e) {
      if (e.kind == plat::EventKind::Key) action = kActionClick;
    };
    ClearMailbox();
    // Up to the time, a click or a key; documents waiting cut it short.
    for (int waited = 0; waited < kSplashMs && action != kActionClick && !DocumentsPending() && !DeskQuitPending();
         waited += kSplashStepMs) {
      plat::pump(0);
      plat::delayMs(kSplashStepMs);
    }
    ClearMailbox();
  }
  plat::disposeWindow(kSplashWindow);
}

bool StartUp(std::span<const Registrar> registrars, const std::vector<std::filesystem::path>& documents) {
  ClearQuitRequest();
  SetFixedColours();
  SetDEFAULTS();
  QueueDocuments(documents);
  plat::handlers().documents = MainDocumentsHandler;

  int repaired = 0;
  const PrefsStatus prefs = GetSettings(plat::appFolder() / kPrefsFileName, &repaired);
  if (prefs != PrefsStatus::Ok && prefs != PrefsStatus::Missing)
    ShowAlert(std::string(PrefsStatusText(prefs)) + " The start-up settings are used instead.", "bzot");
  else if (repaired > 0)
    ShowAlert(std::to_string(repaired) +
                  (repaired == 1 ? " damaged setting was replaced by its start-up value."
                                 : " damaged settings were replaced by their start-up values."),
              "bzot");

  MAINMENU();
  RegisterAllCommands(registrars);
  TheFileInUse = kNoFile;
  SETMENU(0);
  FixMenuSEVEN();
  RebuildChannelMenu();

  ShowSplash();
  if (!gMainLoopHooks.openFirstFile || !gMainLoopHooks.openFirstFile()) return false;
  SETMENU(1);
  FixMenuSEVEN();
  return true;
}

void RunCorvimet(std::span<const Registrar> registrars, const std::vector<std::filesystem::path>& documents) {
  if (!StartUp(registrars, documents)) return;
  MainProgramLoop();
}
