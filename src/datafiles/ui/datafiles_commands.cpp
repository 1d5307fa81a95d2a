#include "datafiles/ui/datafiles_commands.h"

#include "datafiles/ui/close.h"
#include "datafiles/ui/merge_dialog.h"
#include "datafiles/ui/open.h"
#include "datafiles/ui/save_dialog.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/menubar.h"

void RegisterOpenCommands() {
  RegisterCommand(Cmd::FileLoading, [](int16_t) { FILELOADING(); });
  RegisterCommand(Cmd::CloseFile, [](int16_t) { CloseFileSlot(static_cast<int16_t>(TheFileInUse)); });
  RegisterCommand(Cmd::CloseSeveralFiles, [](int16_t) { CloseSeveralFiles(); });
  RegisterCommand(Cmd::Quit, [](int16_t) { QuitProgram(); });
  RegisterCommand(Cmd::ActivateFile, [](int16_t slot) { BringFileToFront(slot); });
  gMainLoopHooks.loadPendingDocuments = LoadPendingDocuments;
  gMainLoopHooks.openFirstFile = FileTypeLoop;
  gMainLoopHooks.closeFile = [](int16_t slot) { CloseFileSlot(slot); };
  // Items whose command exists but whose file kind or merge this build lacks.
  gMenuBarHooks.itemLacking = [](MenuPick p) {
    if (p.menu == kMenuOpenOther && p.item == 3) return !FileKindReadable(4);
    if (p.menu == kMenuAppendOrStack && p.item == 1) return !MergeAvailable();
    if (p.menu == kMenuAppendOrStack && p.item == 2) return !MergeAvailable() || !FileKindReadable(4);
    return false;
  };
}

void RegisterSaveCommands() {
  RegisterCommand(Cmd::Save, [](int16_t) { SAVEDATAFILE(0, 1, 0); });
  RegisterCommand(Cmd::SaveAs, [](int16_t) { SAVEDATAFILE(1, 0, 0); });
  // The merge picks run the open command with MergeThisFile set; it hands
  // them on to the merge.
  gOpenHooks.merge = MERGEFILE;
}

void RegisterDataFileCommands() {
  RegisterOpenCommands();
  RegisterSaveCommands();
}
