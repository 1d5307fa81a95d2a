#include "scripts/ui/scripts_commands.h"

#include "datafiles/datafile.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/windows.h"
#include "plot/ui/infoline.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/recording.h"
#include "scripts/scriptfile.h"
#include "shell/steptable.h"
#include "scripts/ui/runner.h"
#include "scripts/ui/scriptview.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/prefs.h"
#include "shell/store.h"
#include "shell/worktables.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int16_t kRecordItem = 1, kSaveItem = 6, kInterruptItem = 12;
constexpr int16_t kEditFileDataItem = 9;

void item(int16_t i, bool enabled) { plat::setItemEnabled(kMenuScript, i, enabled); }
void check(int16_t i, bool checked) { plat::setItemChecked(kMenuScript, i, checked); }

int16_t currentChannels() {
  const auto f = static_cast<int16_t>(TheFileInUse);
  return ValidFileSlot(f) && SlotHoldsFile(f) ? nChannels[f] : 0;
}

void redrawInfoLine() {
  if (currentChannels() > 0) DRAWTIMEDATE();
}

// The channel count a script expects goes with it, in its file.
int16_t keptChannelCount() {
  return StepChannelIn(ScriptSequenceArray[kScriptChannelsSlot], kScriptChannelsField, kMaxChannels);
}

void recordAScript() {
  InitialNumberOfScriptOperationChannels = currentChannels();
  check(kRecordItem, true);
  item(kRecordItem, false);
  PlayNamedSound("longclick");
  RecordSCRIPT = 1;
  RunScript = 0;
  if (RecordingPositionOf(ScriptSequenceArray) != 0 && CheckScriptRecording() == kScriptQuestionSecond) {
    ScriptCOUNT = RecordingPositionOf(ScriptSequenceArray);
    // Steps added to a script expect the file it was recorded on.
    if (keptChannelCount() != 0) InitialNumberOfScriptOperationChannels = keptChannelCount();
  } else {
    // A new script leaves nothing of the old one to be replayed.
    ClearSCRIPT();
    ScriptCOUNT = 0;
  }
  ScriptSequenceArray[kScriptChannelsSlot][kScriptChannelsField] = InitialNumberOfScriptOperationChannels;
  redrawInfoLine();
}

void haltRecording() {
  item(kRecordItem, true);
  PlayNamedSound("longclick");
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (ValidFileSlot(f) && plat::windowExists(PlotWindowId(f))) plat::removeControl(PlotWindowId(f), kInfoStepField);
  check(8, true);
  for (int16_t i : {int16_t{9}, int16_t{10}, kSaveItem}) item(i, true);
  check(kInterruptItem, false);
  ScriptRunOnce = 1;
  RecordSCRIPT = 0;
  autoscript = 1;
  FileJustLoaded = 0;
  RunScript = 1;
  redrawInfoLine();
}

void loadScript() {
  InitialNumberOfScriptOperationChannels = currentChannels();
  if (!LoadScriptFromFile()) return;
  // Not the file in front, which the script may have edited: the one it was
  // recorded on. Scripts saved without the count keep the file in front's.
  if (keptChannelCount() != 0) InitialNumberOfScriptOperationChannels = keptChannelCount();
  if (currentChannels() > 0) RefreshSCREEN();
  ScriptRunOnce = 0;
  VIEWSCRIPT();
}

void arm(int16_t chosenItem, int16_t mode) {
  RunScript = 1;
  upvip();
  ScriptRunOnce = mode;
  // The run starts on the next file loaded, not on the one already open.
  FileJustLoaded = 0;
  for (int16_t i : {8, 9, 10}) {
    item(i, true);
    check(i, i == chosenItem);
  }
  check(kInterruptItem, false);
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (ValidFileSlot(f) && SlotHoldsFile(f) && FileSHORTS[f][kShortView] == 1 && CommandRegistered(Cmd::ShowSingle)) {
    ActiveChannel = 1;
    RunCommand(Cmd::ShowSingle);
  } else {
    redrawInfoLine();
  }
}

void interruptScript() {
  RunScript = 0;
  for (int16_t i : {8, 9, 10}) {
    item(i, true);
    check(i, false);
  }
  redrawInfoLine();
  check(kInterruptItem, true);
}

void clearScript() {
  ClearSCRIPT();
  ScriptCOUNT = 0;
  Rip();
  RunScript = 0;
  for (int16_t i : {kRecordItem, kInterruptItem}) {
    item(i, true);
    check(i, false);
  }
  for (int16_t i : {kSaveItem, int16_t{8}, int16_t{9}, int16_t{10}}) item(i, false);
  redrawInfoLine();
  ScriptRunOnce = 0;
}

void toggleQuietRuns() {
  prefsArray[kPrefQuietScripts] = prefsArray[kPrefQuietScripts] != 0 ? 0 : 1;
  check(15, prefsArray[kPrefQuietScripts] != 0);
  if (prefsArray[kPrefQuietScripts] == 0) wsst();
}

}  // namespace

void RegisterScriptCommands() {
  RegisterCommand(Cmd::RecordScript, [](int16_t) { recordAScript(); });
  RegisterCommand(Cmd::HaltRecording, [](int16_t) { haltRecording(); });
  RegisterCommand(Cmd::LoadScript, [](int16_t) { loadScript(); });
  RegisterCommand(Cmd::ViewScript, [](int16_t) { VIEWSCRIPT(); });
  RegisterCommand(Cmd::SaveScript, [](int16_t) {
    SaveSCRIPTtoFile();
    if (currentChannels() > 0) RefreshSCREEN();
  });
  RegisterCommand(Cmd::RunScriptAllFiles, [](int16_t) { arm(8, 1); });
  RegisterCommand(Cmd::RunScriptFirstManual, [](int16_t) { arm(9, 0); });
  RegisterCommand(Cmd::RunScriptOneFile, [](int16_t) { arm(10, 100); });
  RegisterCommand(Cmd::InterruptScript, [](int16_t) { interruptScript(); });
  RegisterCommand(Cmd::ClearScript, [](int16_t) { clearScript(); });
  RegisterCommand(Cmd::ToggleQuietScripts, [](int16_t) { toggleQuietRuns(); });

  // Not through the Channel menu's command: that one records the change.
  RegisterScriptOp(kOpChangeChannel,
                   [](int16_t step) { CHANNELCHANGE(StepInt(ScriptSequenceArray[step][kStepMain])); });
  // The dialog again, for the user, as Edit > Edit File Data shows it (and
  // the comments box redrawn after it).
  RegisterScriptOp(kOpEditFileData, [](int16_t) { DoMENU(kMenuEdit, kEditFileDataItem); });
  // Saved in the native form whatever the file was read from.
  RegisterScriptOp(kOpSaveAs, [](int16_t) { RunCommand(Cmd::SaveAs); });
  RegisterScriptOp(kOpSaveFile, [](int16_t) { RunCommand(Cmd::Save); });

  gMainLoopHooks.startOfRun = StartScriptRunIfDue;
  gMainLoopHooks.plotButton = ScriptPlotButton;
}
