#include "shell/ui/mainloop.h"

#include "platform/menus.h"
#include "platform/windows.h"
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

std::vector<std::filesystem::path>& pendingDocuments() {
  static std::vector<std::filesystem::path> paths;
  return paths;
}

template <class F, class... A>
void call(const F& hook, A&&... a) {
  if (hook) hook(std::forward<A>(a)...);
}

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

void QueueDocuments(const std::vector<std::filesystem::path>& paths) {
  for (const auto& p : paths) pendingDocuments().push_back(p);
}

bool DocumentsPending() { return !pendingDocuments().empty(); }

std::vector<std::filesystem::path> TakePendingDocuments() {
  std::vector<std::filesystem::path> taken;
  taken.swap(pendingDocuments());
  return taken;
}

void ForgetDocuments() { pendingDocuments().clear(); }

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
  const int win = kPlotWindowBase + slot;
  if (plat::windowExists(win)) {
    plat::setCurrentPort(win);
    CurrentlyActiveWindow = static_cast<int16_t>(win);
  }
  call(gMainLoopHooks.fileActivated, slot);
  RebuildChannelMenu();
  SETMENU(1);
  FixMenuSEVEN();
}

void BringFileToFront(int16_t slot) {
  if (!isFileSlot(slot)) return;
  if (plat::windowExists(kPlotWindowBase + slot)) plat::selectWindow(kPlotWindowBase + slot);
  ActivateFileSlot(slot);
}

void MainDocumentsHandler(const plat::Event& e) {
  if (e.kind == plat::EventKind::OpenDocuments) QueueDocuments(e.paths);
  else if (e.kind == plat::EventKind::QuitRequest) NoteDeskQuitRequest();
}

void InstallMainLoopHandlers() {
  auto& h = plat::handlers();
  h.menu = HANDLEMENU;
  h.mouse = [](const plat::Event& e) { call(gMainLoopHooks.mouse, e); };
  h.dialog = DoMainLoopDIALOG;
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
  if (!dispatched && now != lastPointerTick && PlotSlotOfWindow(plat::frontWindow()) >= 0) {
    lastPointerTick = now;
    call(gMainLoopHooks.trackPointer);
  }

  const int16_t a = action, id = eventID;
  if (a == kActionActivate) {
    const int16_t slot = PlotSlotOfWindow(id);
    if (slot >= 0 && slot != static_cast<int16_t>(TheFileInUse)) ActivateFileSlot(slot);
    else if (slot < 0) call(gMainLoopHooks.otherWindowActivated, id);
  } else if (a == kActionClose) {
    const int16_t slot = PlotSlotOfWindow(id);
    if (slot >= 0) call(gMainLoopHooks.closeFile, slot);
    else if (id == kToolbarWindow) call(gMainLoopHooks.toolbarClosed);
    else plat::disposeWindow(id);
  } else if (a == kActionClick) {
    // The plot's own controls act only with the plot in front; a result
    // window may stand in front of the script's continue button.
    // The toolbar acts for the front file whatever window is in front (the
    // block window comes forward after an analysis ends).
    if (PlotSlotOfWindow(plat::frontWindow()) >= 0 || eventWindow == kToolbarWindow)
      call(gMainLoopHooks.controlClicked, id);
    if (gMainLoopHooks.plotButton) gMainLoopHooks.plotButton(id);
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

  if (ChangeBlockButtonClicked != 0) {
    if (gMainLoopHooks.changeBlockClicked) gMainLoopHooks.changeBlockClicked();
    ChangeBlockButtonClicked = 0;
  }

  if (DocumentsPending()) call(gMainLoopHooks.loadPendingDocuments);

  if (WindowWasMoved) {
    const int16_t slot = PlotSlotOfWindow(WindowWasMoved);
    if (slot >= 0) call(gMainLoopHooks.plotWindowMoved, slot);
  }
  if (WindowWasResized) {
    const int16_t slot = PlotSlotOfWindow(WindowWasResized);
    if (slot >= 0) call(gMainLoopHooks.plotWindowResized, slot, WindowWasResized == plat::frontWindow());
    else if (WindowWasResized == kToolbarWindow) call(gMainLoopHooks.toolbarResized);
  }

  if (a == kActionKey && PlotSlotOfWindow(plat::frontWindow()) >= 0) {
    const KeyCommand k = LookupMainLoopKey(id, keyContext());
    if (k.action != KeyAction::None) call(gMainLoopHooks.plotKey, k);
    runPick(k.pick.menu, k.pick.item);
  }

  if (deskAskedToQuit && !quitConfirmed) {
    deskAskedToQuit = false;
    RunCommand(Cmd::Quit);
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
