#include "shell/ui/about.h"

#include <algorithm>

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/ui/kit.h"
#include "shell/ui/help.h"
#include "shell/ui/mailboxes.h"

void ShowAboutBox() {
  const int previous = plat::currentPortWindow();
  const int front = plat::frontWindow();
  constexpr int kWidth = 380, kHeight = 200;
  const plat::Size desk = plat::displaySize();
  const int left = std::max(4, (desk.w - kWidth) / 2);
  const int top = std::max(60, (desk.h - kHeight) / 3);
  BuildWINDOW(1, kAboutWindow, "About Corvimet", left, top, left + kWidth, top + kHeight, kKindDocument, 0);
  EmbossPrint(1, "Corvimet", 28, 24, 48);
  plat::Port& p = plat::port(kAboutWindow);
  plat::FontSpec f;
  f.pixelSize = 12;
  p.setFont(f);
  p.setForeColor(kBlack);
  const auto line = [&](int y, const std::string& text) {
    p.moveTo(24, y);
    p.drawText(text);
  };
  line(76, "Version " CORVIMET_VERSION);
  line(96, "Analysis of respirometry recordings for the laboratory.");
  line(116, "Written by the Corvimet authors; free to use and to share.");
  line(136, "Running on " + plat::osVersionText());
  plat::addButton(kAboutWindow, {.id = kAboutOK,
                                 .kind = plat::ButtonKind::DefaultPush,
                                 .title = "OK",
                                 .r = {kWidth - 96, kHeight - 38, kWidth - 20, kHeight - 16}});
  plat::flushWindow(kAboutWindow);

  {
    DialogScope dialog;
    for (bool done = false; !done;) {
      plat::pump();
      done = (action == kActionClick && eventID == kAboutOK) ||
             (action == kActionKey && (eventID == 13 || eventID == 3 || eventID == 27)) ||
             (action == kActionClose && eventID == kAboutWindow) ||
             (action == kActionActivate && eventID != kAboutWindow);
      ClearMailbox();
    }
    MenuIDENTIFIER = MenuItem = 0;   // picks made while the box was up are dropped
  }
  plat::disposeWindow(kAboutWindow);
  if (front && plat::windowExists(front)) plat::selectWindow(front);
  if (previous && plat::windowExists(previous)) plat::setCurrentPort(previous);
}

void RegisterHelpCommands() {
  RegisterCommand(Cmd::About, [](int16_t) { ShowAboutBox(); });
  RegisterCommand(Cmd::OpenHelpBook, [](int16_t) { OpenHelpBook(); });
}
