#include "shell/ui/mainloop.h"

#include "datafiles/ui/close.h"
#include "datafiles/ui/open.h"
#include "platform/menus.h"
#include "platform/windows.h"
#include "plot/ui/databar.h"
#include "plot/ui/mouse.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/commentsbox.h"
#include "plot/ui/plot_commands.h"
#include "plot/ui/plotwindow.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/worktables.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"

MainLoopHooks gMainLoopHooks;

namespace {

bool quitConfirmed = false;
bool deskAskedToQuit = false;
uint32_t lastPointerTick = 0;

bool isFileSlot(int16_t slot) { return ValidFileSlot(slot) && SlotHoldsFile(slot); }

KeyContext keyContext() {
  KeyContext k;
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!isFileSlot(slot)) return k;
  k.blockDefined = FileSHORTS[slot][kShortBlockState] == 2;
  k.zoomed = FileSHORTS[slot][kShortZoomed] != 0;
  k.channels = nChannels[slot];
  if (ActiveChannel >= 1 && ActiveChannel <= kMaxChannels)
    k.scaleMode = static_cast<int16_t>(scalefact[ActiveChannel][4]);
  return k;
}

void runPick(int16_t menu, int16_t item) {
  if (menu != 0) DoMENU(menu, item);
}

}  // namespace

void RequestQuit() { quitConfirmed = true; }
bool QuitRequested() { return quitConfirmed; }
void ClearQuitRequest() {
  quitConfirmed = false;
  deskAskedToQuit = false;
}
void NoteDeskQuitRequest() { deskAskedToQuit = true; }
bool DeskQuitPending() { return deskAskedToQuit; }

void ActivateFileSlot(int16_t slot) {
  if (!isFileSlot(slot)) return;
  TheFileInUse = static_cast<uint16_t>(slot);
  int16_t channel = ActiveChannelArray[slot];
  if (channel < 1 || channel > nChannels[slot]) channel = FileSHORTS[slot][kShortActiveChannel];
  if (channel < 1 || channel > nChannels[slot]) channel = 1;
  ActiveChannel = channel;
  const int win = PlotWindowId(slot);
  if (plat::windowExists(win)) {
    plat::setCurrentPort(win);
    CurrentlyActiveWindow = static_cast<int16_t>(win);
    // The geometry globals follow the plot window in front.
    ScreenWidth = static_cast<int16_t>(plat::contentSize(win).w);
  }
  RebuildChannelMenu();
  SETMENU(1);
  FixMenuSEVEN();
}

void BringFileToFront(int16_t slot) {
  if (!isFileSlot(slot)) return;
  if (plat::windowExists(PlotWindowId(slot))) plat::selectWindow(PlotWindowId(slot));
  ActivateFileSlot(slot);
}

void MainDocumentsHandler(const plat::Event& e) {
  if (e.kind == plat::EventKind::OpenDocuments) QueueDocuments(e.paths);
  else if (e.kind == plat::EventKind::QuitRequest) NoteDeskQuitRequest();
}

void InstallMainLoopHandlers() {
  auto& h = plat::handlers();
  h.menu = HANDLEMENU;
  h.mouse = PlotMouseHandler;
  h.dialog = DoDIALOG;
  h.editKey = CHECKRETURN;
  h.documents = MainDocumentsHandler;
}

void MainLoopPass(int maxWaitMs) {
  const bool dispatched = plat::pump(maxWaitMs);
  CheckFrontFileInWindowMenu();
  // Pointer moves over the plot make no events: the data bar follows them
  // on idle passes, at most once a tick, so that the pointer poll never
  // outpaces the events (a scripted run moves its clock only on purpose).
  const uint32_t now = plat::ticks();
  if (!dispatched && now != lastPointerTick && SlotOfPlotWindow(plat::frontWindow()) >= 0) {
    lastPointerTick = now;
    TrackPointerOverPlot();
  }

  const int16_t a = action, id = eventID;
  if (a == kActionActivate) {
    const int16_t slot = SlotOfPlotWindow(id);
    if (slot >= 0 && slot != static_cast<int16_t>(TheFileInUse)) ActivateFileSlot(slot);
    else if (slot < 0) BlockOrCommentsWindowActivated(id);
  } else if (a == kActionClose) {
    const int16_t slot = SlotOfPlotWindow(id);
    if (slot >= 0) CloseFileSlot(slot);
    else if (id != kToolbarWindow) plat::disposeWindow(id);
  } else if (a == kActionClick) {
    // The plot's own controls act only with the plot in front; a result
    // window may stand in front of the script's continue button.
    const bool plotFront = SlotOfPlotWindow(plat::frontWindow()) >= 0;
    if (!(plotFront && HandlePlotControlClick(id)) && gMainLoopHooks.plotButton) gMainLoopHooks.plotButton(id);
  }

  if (MENU_or_ToolBar_PICKED) {
    const int16_t m = menuidx, i = menuitemx;
    MENU_or_ToolBar_PICKED = 0;
    menuidx = menuitemx = 0;
    runPick(m, i);
  }
  if (MenuIDENTIFIER != 0) {
    const int16_t m = MenuIDENTIFIER, i = MenuItem;
    // Cleared first: a dialog of the command may leave a new pick for the next pass.
    MenuIDENTIFIER = MenuItem = 0;
    runPick(m, i);
  }

  if (DocumentsPending()) LoadPendingDocuments();

  // The comments box travels with its plot window.
  if (WindowWasMoved && SlotOfPlotWindow(WindowWasMoved) == static_cast<int16_t>(TheFileInUse)) FixTheCommentsWindow();

  if (WindowWasResized) {
    const int16_t slot = SlotOfPlotWindow(WindowWasResized);
    if (slot >= 0) {
      if (slot == static_cast<int16_t>(TheFileInUse) && WindowWasResized == plat::frontWindow())
        ResizeTheMainWindow(1);
      else
        DrawPlotSummary(slot);
    }
  }

  if (a == kActionKey && SlotOfPlotWindow(plat::frontWindow()) >= 0) {
    const KeyCommand k = LookupMainLoopKey(id, keyContext());
    switch (k.action) {
      case KeyAction::NextChannel: PUSHCHAN(2); break;
      case KeyAction::PreviousChannel: PUSHCHAN(1); break;
      case KeyAction::SelectChannel: PUSHCHAN(0, k.arg); break;
      default: break;
    }
    runPick(k.pick.menu, k.pick.item);
  }

  if (deskAskedToQuit && !quitConfirmed) {
    deskAskedToQuit = false;
    QuitProgram();
  }

  ClearMailbox();
  WindowWasMoved = WindowWasResized = WindowWasClicked = 0;
  if (gMainLoopHooks.startOfRun) gMainLoopHooks.startOfRun();
}

void MainProgramLoop() {
  InstallMainLoopHandlers();
  lastPointerTick = plat::ticks();
  while (!quitConfirmed) MainLoopPass();
}
