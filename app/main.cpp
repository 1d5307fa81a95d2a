// Corvimet: start the desk, open the documents named on the command line,
// and run the program until the user quits.
#include <QApplication>

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/app.h"
#include "registrars.h"
#include "shell/ui/startup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);   // takes the Qt options out of argv
  QApplication::setApplicationName("Corvimet");
  QApplication::setApplicationVersion(CORVIMET_VERSION);
  plat::init({});

  std::vector<std::filesystem::path> documents;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(argv[i], ec);
    documents.push_back(ec ? std::filesystem::path(argv[i]) : p);
  }
  RunCorvimet(CorvimetRegistrars(), documents);
  plat::shutdown();
  return 0;
}
