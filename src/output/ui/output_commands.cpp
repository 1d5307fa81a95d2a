#include "output/ui/output_commands.h"

#include "output/results.h"
#include "output/scaling.h"
#include "output/ui/analysiskit.h"
#include "output/ui/destination.h"
#include "output/ui/spool.h"
#include "output/ui/storeresult.h"
#include "output/writer.h"
#include "platform/menus.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/store.h"
#include "shell/ui/kit.h"

namespace {

void setMenuItemEnabled(MenuPick p, bool on) {
  if (plat::menuDefined(p.menu) && plat::itemCount(p.menu) >= p.item) plat::setItemEnabled(p.menu, p.item, on);
}

void chooseDestination() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (ValidFileSlot(slot) && SlotHoldsFile(slot) && nCases[slot] > 0) setMenuItemEnabled(kPickResultsLine, true);
  OPEN_OUTPUT_PORT();
  // The check marks follow PortForResultsOutput when the menus are refreshed.
  setMenuItemEnabled(kPickPrintAndClose, OpenDestinationPort() != kPortNone);
}

void printAndClose() {
  SendTextToPrinter();
  if (OpenDestinationPort() == kPortNone) {
    setMenuItemEnabled(kPickResultsLine, true);
    setMenuItemEnabled(kPickPrintAndClose, false);
  }
}

}  // namespace

void RegisterOutputCommands() {
  RegisterCommand(Cmd::OpenOutputPort, [](int16_t) { chooseDestination(); });
  RegisterCommand(Cmd::StoreResult, [](int16_t) {
    // The menu item stays on with a file open; with nothing analysed yet it
    // says so instead of doing nothing.
    if (PlanDraftPrint(topic, PortForResultsOutput).nothing) {
      ShowAlert("There is no result to store yet: run an analysis on a block first.", "bzot");
      return;
    }
    DRAFTPRINT(" ");
  });
  RegisterCommand(Cmd::PrintAndClose, [](int16_t) { printAndClose(); });
  InstallAnalysisKitHooks();
  // Results come out unscaled until the user sets factors.
  ResetAllScaling();
}
