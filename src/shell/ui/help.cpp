#include "shell/ui/help.h"

#include "platform/resources.h"
#include "shell/globals.h"
#include "shell/ui/kit.h"

void OpenHelpPage(int subject) {
  if (plat::openHelp(subject)) return;
  ShowAlert("The help page could not be shown: " + plat::helpPage(subject).string() + " is missing.", "bzot");
}

void OpenHelpBook() { OpenHelpPage(HelpSubject); }
