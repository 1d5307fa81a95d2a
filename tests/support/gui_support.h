// Helpers shared by the headless GUI suites.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "analyses/scans.h"
#include "analyses/ui/autorepeat.h"
#include "analyses/ui/average.h"
#include "datafiles/native_binary.h"
#include "datafiles/repairs.h"
#include "datafiles/ui/open.h"
#include "datafiles/ui/save_dialog.h"
#include "editing/ui/spikes.h"
#include "output/outputfile.h"
#include "output/ui/destination.h"
#include "platform/app.h"
#include "platform/test.h"
#include "platform/windows.h"
#include "plot/trace.h"
#include "plot/ui/commentsbox.h"
#include "plot/ui/databar.h"
#include "plot/ui/draw.h"
#include "plot/ui/mouse.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/selectionmarks.h"
#include "registrars.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/worktables.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/menubar.h"
#include "shell/ui/notes.h"
#include "shell/ui/prefsdialog.h"
#include "support/scratch.h"
#include "analyses/ui/scans.h"
#include "shell/ui/recorder.h"
#include "shell/ui/mailboxes.h"
#include "shell/defaults.h"
#include "shell/steptable.h"
#include "shell/recording.h"

namespace testsupport {

// Every slot freed (with the first-edge line of its plot) and the work
// buffers released, as at start-up.
inline void ClearStore() {
  for (int16_t s = 0; s < kSlotCount; ++s) {
    FreeSlot(s);
    ForgetSelectionMarks(s);
  }
  BackupCache.releaseAll();
  plotcore::PlotLodCache().clear();
  TheFileInUse = kNoFile;
}

// Puts the plot geometry globals back as a test found them.
class PlotGeometryKeeper {
 public:
  PlotGeometryKeeper() : w_(ScreenWidth), h_(ScreenHeight), b_(BottomOfPlotArea) {}
  ~PlotGeometryKeeper() {
    ScreenWidth = w_;
    ScreenHeight = h_;
    BottomOfPlotArea = b_;
  }

 private:
  int16_t w_, h_, b_;
};

// Every command unregistered and every hook a registrar installs unset.
inline void ClearWiring() {
  ClearCommandRegistry();
  gDispatchHooks = {};
  gStoreHooks = {};
  gMenuRuleHooks = {};
  gMenuBarHooks = {};
  gMainLoopHooks = {};
  gNotesHooks = {};
  gPreferencesHooks = {};
  gKitHooks = {};
  gOutputUiHooks = {};
  gPlotHooks = {};
  gOpenHooks = {};
  gCommentsBoxHooks = {};
  gHistogramHook = nullptr;
  gRecorderHooks = {};
  gScanHooks = {};
  ClearAutoRepeatAnalyses();
  gPointerOverPlotHook = nullptr;
  gInteractiveSpikeTool = nullptr;
}

// The subsystems' globals put back to the values they held before the first
// test: as the program starts (support/start_values.cpp).
void RestoreStartValues();

// The test desk's own app folder emptied: no settings, spool or backup file
// an earlier test wrote.
inline void EmptyAppFolder() {
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(plat::appFolder(), ec))
    std::filesystem::remove_all(e.path(), ec);
}

// The program as it stood before any test: no window, file, command, hook,
// pending pick, quit, script or setting left by an earlier test. The GUI
// binary's main runs it before every test, so that tests pass in any order.
inline void ResetProgramState() {
  plat::test::reset();
  plat::test::setDesk(plat::test::optionsDesk());
  (void)gResultsOutput.close();
  CloseDestination();
  ClearStore();
  ClearWiring();
  ClearScriptOps();
  SetDEFAULTS();
  RestoreStartValues();
  ClearMailbox();
  ResetMainLoop();
  ForgetDocuments();
  SetWindowMenuSlots({});
  gSaveAsMemory = {};
  EmptyAppFolder();
}

// The commands and hooks exactly as the program's start-up installs them.
inline void InstallProgramWiring() {
  ClearWiring();
  RegisterAllCommands(CorvimetRegistrars());
}

inline bool SoundPlayed(const std::string& name) {
  const auto& s = plat::test::soundsPlayed();
  return std::find(s.begin(), s.end(), name) != s.end();
}

// Folders made by FreshTestDir in the running test; the test binary's main
// removes them when the test ends, however it ends.
inline std::vector<std::filesystem::path>& ScratchDirsOfThisTest() {
  static std::vector<std::filesystem::path> dirs;
  return dirs;
}

// A fresh, empty folder of the running test's own, removed when it ends.
inline std::filesystem::path FreshTestDir(const std::string& prefix) {
  ScratchDirsOfThisTest().push_back(MakeScratchDir(prefix));
  return ScratchDirsOfThisTest().back();
}

// Loads the bundled demo recording into a free slot; false when it failed.
inline bool LoadDemo(int16_t* slot) {
  RepairReport report;
  return LoadNativeFile(CORVIMET_RESOURCE_DIR "/demo/demo-respirometry.orl", slot, &report) == FileStatus::Ok;
}

// A floating window standing in for the toolbar, for dialogs that hide and
// restore it.
inline void OpenStandInToolbar(int id) {
  plat::WindowSpec tb;
  tb.id = id;
  tb.content = {2, 63, 90, 600};
  tb.cls = plat::WindowClass::Floating;
  plat::createWindow(tb);
}

}  // namespace testsupport
