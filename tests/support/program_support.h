// The program as it starts: its own menus, hooks and registrars, the demo
// recording loaded through the open command. For GUI tests of flows that
// cross subsystems.
#pragma once
#include <cstdint>
#include <filesystem>

#include "datafiles/ui/open.h"
#include "platform/test.h"
#include "registrars.h"
#include "shell/recording.h"
#include "shell/steptable.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/desklayout.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/commands.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/menubar.h"
#include "shell/ui/startup.h"
#include "support/gui_support.h"

namespace testsupport {

inline const std::filesystem::path kDemoRecording =
    std::filesystem::path(CORVIMET_RESOURCE_DIR) / "demo" / "demo-respirometry.orl";

// Start-up state and the real wiring, with no file open: sounds at the
// normal level, edits logged, no script recording or run.
inline void StartProgram() {
  plat::test::reset();
  SetFixedColours();
  SetSchemeDefaults();
  SetDEFAULTS();
  ClearStore();
  ClearCommandRegistry();
  ClearScriptOps();
  prefsArray[kPrefSoundLevel] = 25;
  prefsArray[kPrefQuietScripts] = 0;
  prefsArray[kPrefRecordEdits] = 1;
  RunScript = 0;
  RecordSCRIPT = 0;
  ScriptCOUNT = 0;
  autoscript = ScriptRunOnce = 0;
  MenuIDENTIFIER = MenuItem = 0;
  MENU_or_ToolBar_PICKED = 0;
  menuidx = menuitemx = 0;
  ToolbarBandBelowPlot = 0;
  ClearQuitRequest();
  MAINMENU();
  InstallShellHooks();
  RegisterAllCommands(CorvimetRegistrars());
  OpenStandInToolbar(kToolbarWindow);
}

// The demo opened through the open command, in front with channel 1 active
// and unchanged. Returns its slot, -1 when it did not load.
inline int16_t OpenDemo() {
  int16_t slot = -1;
  plat::test::run(plat::test::Script{}, [&] { slot = LOADFILE(kDemoRecording, kDetectKind); });
  if (slot < 0) return slot;
  TheFileInUse = static_cast<uint16_t>(slot);
  ActiveChannel = 1;
  FileSHORTS[slot][kShortChanged] = 0;
  return slot;
}

// StartProgram, then OpenDemo.
inline int16_t StartProgramOnDemo() {
  StartProgram();
  return OpenDemo();
}

// What a test of the started program leaves: no file, command, script
// operation or recording, and none of the hooks the start-up filled.
inline void StopProgram() {
  ClearStore();
  ClearCommandRegistry();
  ClearScriptOps();
  gDispatchHooks = {};
  gMenuRuleHooks = {};
  gStoreHooks = {};
  RecordSCRIPT = 0;
  ScriptCOUNT = 0;
}

}  // namespace testsupport
