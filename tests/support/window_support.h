// Set-ups the window tests share: the state a test that drives windows
// directly starts from, and a file in front with a block marked and drawn.
#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "analyses/ui/analyses_commands.h"
#include "output/ui/output_commands.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/infoline.h"
#include "plot/ui/plot_commands.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "support/gui_support.h"

namespace testsupport {

// No window, file or command; the fixed colours, the default settings and an
// empty mailbox.
inline void ResetForWindowTest() {
  plat::test::reset();
  ClearStore();
  SetFixedColours();
  SetSchemeDefaults();
  SetDEFAULTS();
  ClearMailbox();
  ClearCommandRegistry();
}

// ResetForWindowTest, then the plot, output and analysis commands.
inline void ResetForAnalysisTest() {
  ResetForWindowTest();
  RegisterPlotCommands();
  RegisterOutputCommands();
  RegisterAnalysisCommands();
}

// ResetForWindowTest with sounds at that level and the commands and hooks
// exactly as the program's start-up installs them.
inline void ResetForWiredTest(int16_t soundLevel = 0) {
  ResetForWindowTest();
  prefsArray[kPrefSoundLevel] = soundLevel;
  InstallProgramWiring();
}

// ResetForWindowTest, silent, with no wiring but the block window's commands
// and the info line's hooks.
inline void ResetForBlockWindowTest() {
  ResetForWindowTest();
  prefsArray[kPrefSoundLevel] = 0;
  gPlotHooks = {};
  InstallInfoLineHooks();
  gDispatchHooks = {};
  RegisterBlockWindowCommands();
}

// What a block window test leaves: no file or command, the info line's hooks
// alone.
inline void EndBlockWindowTest() {
  gPlotHooks = {};
  InstallInfoLineHooks();
  gDispatchHooks = {};
  ClearCommandRegistry();
  ClearStore();
}

// The start of a test of a dialog over ShowDemoInBarePlot: colour display,
// sounds at the normal level but no button clicks, no script run or pick
// pending.
inline void ResetForDemoDialogTest() {
  plat::test::reset();
  SetFixedColours();
  SetSchemeDefaults();
  prefsArray[kPrefColourDisplay] = 1;
  prefsArray[kPrefSoundLevel] = 25;
  prefsArray[kPrefQuietScripts] = 0;
  RunScript = 0;
  click = 0;
  MenuIDENTIFIER = MenuItem = 0;
}

// Every slot freed, then the demo in front, unchanged, in a plot window built
// but not drawn, with a stand-in toolbar. Returns its slot, -1 when it did
// not load.
inline int16_t ShowDemoInBarePlot() {
  for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
  int16_t slot = -1;
  if (!LoadDemo(&slot)) return -1;
  TheFileInUse = static_cast<uint16_t>(slot);
  FileSHORTS[slot][kShortChanged] = 0;
  FileSHORTS[slot][kShortPlotBuilt] = 1;
  BuildWINDOW(1, PlotWindowId(slot), "Plot", 94, 63, 94 + ScreenWidth, 63 + BottomOfPlotArea + 58, kKindDocument, 0);
  OpenStandInToolbar(kToolbarWindow);
  return slot;
}

// A row of a table test that drives a window: the state it starts from, the
// steps, the call that opens the window and the checks after it.
struct ScriptedRow {
  const char* name;
  std::function<void()> setUp;
  std::function<plat::test::Script()> script;
  std::function<void()> entry;
  std::function<void()> check;
  void run() const {
    setUp();
    plat::test::run(script(), entry);
    check();
  }
};

// Steps that do nothing, so that a window's loop acts on what came before a
// check: each pass pumps once and polls the pointer once, and both run steps.
inline void Idle(plat::test::Script& s, int n) {
  for (int k = 0; k < n; ++k) s.call([] {});
}

// What a window test leaves: no file, command, script run or recording.
inline void EndWindowTest() {
  RunScript = 0;
  ScriptRunStep = 0;
  RecordSCRIPT = 0;
  ScriptCOUNT = 0;
  ClearStore();
  ClearCommandRegistry();
}

// The file in slot named, its sampling interval set and its channels 1, 2, ...
// labelled, as a loaded recording would have them.
inline void DescribeFile(int16_t slot, const std::string& name, float interval,
                         std::initializer_list<const char*> labels = {}) {
  int16_t c = 0;
  for (const char* label : labels) SetChannelLabel(slot, ++c, label);
  FileName[slot] = name;
  FileInfoFLOATS[slot][kInfoInterval] = interval;
}

// The file in slot in front in its plot window, channel 1 active.
inline void ShowFile(int16_t slot) {
  TheFileInUse = static_cast<uint16_t>(slot);
  ActiveChannel = 1;
  OpenPlotWindow(slot);
}

// Cases first..last of the file in slot marked as its block; nothing drawn.
inline void MarkBlock(int16_t slot, int32_t first, int32_t last) {
  BeginBlock[slot] = first;
  EndBlock[slot] = last;
  FileSHORTS[slot][kShortBlockState] = 2;
}

// The file in slot in front with `channel` active and cases first..last its
// block, drawn in its plot and block windows.
inline void SelectBlock(int16_t slot, int32_t first, int32_t last, int16_t channel = 1) {
  TheFileInUse = static_cast<uint16_t>(slot);
  ActiveChannel = channel;
  chanB = static_cast<uint16_t>(channel);
  MarkBlock(slot, first, last);
  OpenPlotWindow(slot);
  // The plot window brings back the file's own active channel.
  ActiveChannel = channel;
  DRAWBLOCK();
}

}  // namespace testsupport
