#include "shell/ui/help.h"

#include "platform/resources.h"
#include "shell/globals.h"
#include "shell/ui/kit.h"

void OpenHelpPage(int subject) {
  if (plat::openHelp(subject)) return;
  ShowAlert("No web browser could be started to show the help. The page is " + plat::helpPage(subject).string(),
            "bzot");
}

void OpenHelpBook() { OpenHelpPage(HelpSubject); }
