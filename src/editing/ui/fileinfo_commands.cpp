#include "editing/ui/comments.h"
#include "editing/ui/filedata.h"
#include "editing/ui/fileinfo.h"
#include "plot/ui/commentsbox.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"

void RegisterFileInfoCommands() {
  // File item 12 and toolbar button 598: the summary, waiting for the user.
  RegisterCommand(Cmd::FileInfo, [](int16_t) {
    if (TheFileInUse >= kMaxOpenFiles) return;
    FILEINFO(FileName[TheFileInUse], StartDate[TheFileInUse], StartTime[TheFileInUse], 1);
  });
  RegisterCommand(Cmd::EditFileData, [](int16_t arg) { EditFileData(arg != 0 ? 1 : 0); });
  gCommentsBoxHooks.editComments = [] { FixCOMMENTS(0); };
}
