// Corvimet: start the desk and run the program's main loop.
#include <QApplication>

#include "platform/app.h"
#include "platform/events.h"
#include "platform/menus.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Corvimet");
  QApplication::setApplicationVersion(CORVIMET_VERSION);
  plat::init({});

  // The menu bar's frame; commands arrive with the subsystems that own them.
  plat::defineMenu(1, "File", {{.title = "Quit", .cmdKey = 'Q'}});
  plat::defineMenu(2, "Edit", {});
  plat::defineMenu(3, "Analyze", {});
  plat::defineMenu(4, "View", {});
  plat::defineMenu(6, "Script", {});
  plat::defineMenu(7, "Window", {});
  plat::defineMenu(8, "Special", {});
  for (int m : {1, 2, 3, 4, 6, 7, 8}) plat::appendToMenuBar(m);

  bool quit = false;
  auto& h = plat::handlers();
  h.menu = [&](const plat::Event& e) {
    if (e.menu == 1 && e.item == 1) quit = true;
  };
  h.documents = [&](const plat::Event& e) {
    if (e.kind == plat::EventKind::QuitRequest) quit = true;
  };
  while (!quit) plat::pump(20);
  plat::shutdown();
  return 0;
}
