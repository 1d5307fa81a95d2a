#include "shell/ui/mainloop.h"

#include <algorithm>
#include <array>
#include <bit>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

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

// The plot window the user brought forward, which made its file the file in
// use; 0 none. The press that did so only did that. Forgotten at the next
// press, the activation of another window or the next command.
int broughtForward = 0;


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

// The menu item being run, named in the alert when it fails.
std::string runningCommand;

void runPick(int16_t menu, int16_t item) {
  if (menu == 0) return;
  broughtForward = 0;
  const std::string outer = runningCommand;
  runningCommand = plat::itemTitle(menu, item);
  DoMENU(menu, item);
  runningCommand = outer;
}

// What a failed command may have left changed in the open files, told
// without copying them: which slots hold a file, each one's counts and how
// many changes the store has made to it.
struct FileShape {
  bool holds = false;
  int32_t cases = 0;
  int16_t channels = 0;
  int16_t changed = 0;
  size_t markers = 0, notes = 0, comments = 0;
  // The marker list's cases and codes: a list written in place, as a
  // restore writes it, is not counted as a change.
  uint64_t markerPrint = 0;
  // Written in place by commands, outside the store's count; as bits, so
  // that a NaN equals itself.
  std::array<uint32_t, kFileInfoWords> info{};
  uint64_t changes = 0;   // standing, as the store counts them
  bool operator==(const FileShape&) const = default;
};
using StoreShape = std::array<FileShape, kMaxOpenFiles>;

uint64_t markerPrint(const std::vector<MarkerRecord>& markers) {
  uint64_t h = 1469598103934665603ull;
  for (const MarkerRecord& m : markers) {
    const uint64_t v = (uint64_t{static_cast<uint32_t>(m.caseNumber)} << 32) | static_cast<uint32_t>(m.code);
    h = (h ^ v) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
  }
  return h;
}

// A slot's marker print is taken again only when its list may have been
// written since: the store counted a change or a swap of it, or its array
// moved or changed size. Code outside the store writes the list only through
// the store, so an idle pass reads no markers, however many are open. A
// failed command may have written the list in place: the recovery takes
// every print afresh.
struct MarkerPrintKey {
  uint64_t changes = 0, swaps = 0;
  const MarkerRecord* data = nullptr;
  size_t size = 0, capacity = 0;
  bool operator==(const MarkerPrintKey&) const = default;
};
struct KeptMarkerPrint {
  bool taken = false;
  MarkerPrintKey key;
  uint64_t print = 0;
};
std::array<KeptMarkerPrint, kMaxOpenFiles> keptMarkerPrints;

uint64_t markerPrintOf(int16_t s, bool afresh) {
  const std::vector<MarkerRecord>& m = MarkersArray[s];
  const MarkerPrintKey key{StoreChanges(s), MarkerListSwaps(s), m.data(), m.size(), m.capacity()};
  KeptMarkerPrint& kept = keptMarkerPrints[static_cast<size_t>(s)];
  if (afresh || !kept.taken || !(kept.key == key)) kept = {true, key, markerPrint(m)};
  return kept.print;
}

FileShape fileShape(int16_t s, bool afresh) {
  FileShape f{true,
              nCases[s],
              nChannels[s],
              FileSHORTS[s][kShortChanged],
              MarkersArray[s].size(),
              NotesArray[s].size(),
              CommentContainer[s].size(),
              markerPrintOf(s, afresh),
              {},
              StandingChanges(s)};
  std::transform(FileInfoFLOATS[s], FileInfoFLOATS[s] + kFileInfoWords, f.info.begin(),
                 [](float v) { return std::bit_cast<uint32_t>(v); });
  return f;
}

StoreShape storeShape(bool afresh = true) {
  StoreShape shape;
  for (int16_t s = 0; s < kMaxOpenFiles; ++s)
    if (SlotHoldsFile(s)) shape[s] = fileShape(s, afresh);
  return shape;
}

// Where the running command began: the main loop's pass, or the script
// step being replayed.
struct CommandStart {
  StoreShape shape;
  std::array<CommentsMark, kMaxOpenFiles> comments{};
  uint64_t backups = 0;
};
CommandStart commandStart;

void markCommandStart(const StoreShape& shape) noexcept {
  commandStart.shape = shape;
  for (int16_t s = 0; s < kMaxOpenFiles; ++s) commandStart.comments[s] = CommentsMarkOf(s);
  commandStart.backups = BackupsMade();
}

// The failed command's marks on the comments and the "changed" mark of
// each file it could reach: a file found as it was when the command began
// gets back both, lines the command logged cut; a file it left changed is
// marked changed, its comments holding the lines of what stays. The slots
// found as they were.
std::array<bool, kMaxOpenFiles> settleCommandMarks(std::array<bool, kMaxOpenFiles>& cut) noexcept {
  std::array<bool, kMaxOpenFiles> asItWas{};
  for (int16_t s = 0; s < kMaxOpenFiles; ++s) {
    const FileShape& was = commandStart.shape[s];
    if (!was.holds || !isFileSlot(s)) continue;
    const CommentsMark& mark = commandStart.comments[s];
    FileShape now = fileShape(s, true);
    const uint64_t appended = CommentAppendsSince(s, mark);
    now.changes -= appended;
    if (appended != 0) now.comments = mark.length;
    now.changed = was.changed;
    asItWas[s] = now == was;
    if (asItWas[s]) {
      cut[s] = CutCommentsBackTo(s, mark) != 0 || cut[s];
      FileSHORTS[s][kShortChanged] = was.changed;
    } else {
      FileSHORTS[s][kShortChanged] = 1;
    }
  }
  return asItWas;
}

std::string failureText(const char* what, bool memory, bool restored, bool unchanged) {
  std::string name = runningCommand;
  while (!name.empty() && (name.back() == '.' || static_cast<unsigned char>(name.back()) == 0xC9)) name.pop_back();
  std::string t = memory ? "Not enough memory to " + (name.empty() ? std::string("finish this action") : "finish \"" + name + "\"")
                         : (name.empty() ? std::string("This action") : "\"" + name + "\"") + " could not finish: " + what;
  t += restored    ? ". The channel it was changing was put back as it was."
       : unchanged ? ". Nothing was changed."
                   : ". Part of it may have been done: look the open files over before saving them.";
  return t;
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
void ResetMainLoop() {
  ClearQuitRequest();
  lastPointerTick = 0;
  runningCommand.clear();
}
void NoteDeskQuitRequest() { deskAskedToQuit = true; }
bool DeskQuitPending() { return deskAskedToQuit; }

int16_t FrontPlotSlot() {
  for (int w : plat::windowIds()) {
    const int16_t slot = PlotSlotOfWindow(w);
    if (slot >= 0 && plat::windowVisible(w)) return isFileSlot(slot) ? slot : -1;
  }
  return -1;
}

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
  h.mouse = [](const plat::Event& e) {
    // A press on a file's plot window behind brings the file forward and
    // leaves its block as it was: no new pick starts there.
    if (e.kind == plat::EventKind::MouseDown && std::exchange(broughtForward, 0) == e.window && e.activating) return;
    call(gMainLoopHooks.mouse, e);
  };
  h.dialog = DoMainLoopDIALOG;
  h.editKey = CHECKRETURN;
  h.documents = MainDocumentsHandler;
}

namespace {

void passBody(int maxWaitMs) {
  // The command that built them has ended: a click on the plot may cover them.
  ReleaseWindowsKeptOverPlot();
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
    // The layer raised the clicked window at once, but work still running
    // then (a pick queued before the click, the end of a load) may have
    // brought another forward since: the click is the later wish, and the
    // file in use must be the one in front.
    if (plat::windowVisible(id) && plat::frontWindow() != id) plat::selectWindow(id);
    const int16_t slot = PlotSlotOfWindow(id);
    if (slot >= 0 && slot != static_cast<int16_t>(TheFileInUse)) {
      // Before the switch: it may pump the press itself.
      broughtForward = id;
      ActivateFileSlot(slot);
    } else {
      // Brought forward already, when the file followed its window at the end of a pass.
      if (id != broughtForward) broughtForward = 0;
      if (slot < 0) call(gMainLoopHooks.otherWindowActivated, id);
    }
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
  // A command's window that ended on the user's activation of another file's
  // plot window took that activation from this loop: it counts all the same.
  // Whatever ran, the file in front is the file the next command acts on.
  const int16_t front = FrontPlotSlot();
  if (front >= 0 && front != static_cast<int16_t>(TheFileInUse)) {
    broughtForward = PlotWindowId(front);
    ActivateFileSlot(front);
  }
  call(gMainLoopHooks.endOfPass);
}

// A command that runs out of memory or meets an impossible length unwinds
// to here instead of ending the program: its own windows close, an edit it
// began is undone from the backup it took, and the user is told.
void recoverFromFailedPass(const std::vector<int>& windowsBefore, const StoreShape& shapeBefore, uint16_t fileBefore,
                           const char* what, bool memory) {
  for (int w : plat::windowIds()) {
    if (std::find(windowsBefore.begin(), windowsBefore.end(), w) != windowsBefore.end()) continue;
    const int16_t slot = PlotSlotOfWindow(w);
    if (slot >= 0 && isFileSlot(slot)) continue;
    plat::disposeWindow(w);
  }
  // A file that a load left without its window was never opened for the
  // user: it goes, and the file that was in use is again.
  for (int16_t s = 0; s < kMaxOpenFiles; ++s) {
    if (shapeBefore[s].holds || !isFileSlot(s) || plat::windowExists(PlotWindowId(s))) continue;
    FreeSlot(s);
    if (TheFileInUse == static_cast<uint16_t>(s)) TheFileInUse = fileBefore;
  }
  const auto slot = static_cast<int16_t>(TheFileInUse);
  bool undone = false;
  std::array<bool, kMaxOpenFiles> cut{};
  if (BackupsMade() != commandStart.backups && isFileSlot(slot) && UndoAvailable(slot)) {
    const CommentsMark logged = UndoCommentsMark();
    {
      // Taking back the failed edit is not logged: the lines it logged go.
      struct Quiet {
        int16_t record = prefsArray[kPrefRecordEdits];
        Quiet() { prefsArray[kPrefRecordEdits] = 0; }
        ~Quiet() { prefsArray[kPrefRecordEdits] = record; }
      } quiet;
      undone = UNDO() == StoreStatus::Ok;
    }
    // The lines the undone edit logged go with it: its history must not
    // state an edit its samples no longer hold.
    if (undone) cut[slot] = CutCommentsBackTo(slot, logged) != 0;
  }
  const std::array<bool, kMaxOpenFiles> asItWas = settleCommandMarks(cut);
  const bool restored = undone && asItWas[slot];
  // The file in use's box too: the command may have cut its lines itself.
  for (int16_t s = 0; s < kMaxOpenFiles; ++s)
    if ((cut[s] || (s == slot && isFileSlot(s))) && prefsArray[kPrefNoCommentsRefresh] == 0 &&
        gStoreHooks.commentsChanged)
      gStoreHooks.commentsChanged(s);
  ClearMailbox();
  MENU_or_ToolBar_PICKED = 0;
  menuidx = menuitemx = 0;
  MenuIDENTIFIER = MenuItem = 0;
  const std::string text = failureText(what, memory, restored, storeShape() == shapeBefore);
  runningCommand.clear();
  // The menus as a finished command leaves them, not as the failed one set
  // them for its dialog.
  call(gDispatchHooks.refreshMenus);
  ShowAlert(text);
}

// The recovery itself ran out of memory: the picks are forgotten all the
// same and the user is told in words that need no building.
void recoverWithoutMemory(const StoreShape& shapeBefore) noexcept {
  std::array<bool, kMaxOpenFiles> cut{};
  settleCommandMarks(cut);
  runningCommand.clear();
  ClearMailbox();
  MENU_or_ToolBar_PICKED = 0;
  menuidx = menuitemx = 0;
  MenuIDENTIFIER = MenuItem = 0;
  const bool unchanged = storeShape() == shapeBefore;
  try {
    call(gDispatchHooks.refreshMenus);
  } catch (...) {
  }
  try {
    // An alert the failure interrupted is built afresh.
    if (plat::windowExists(kAlertWindow)) plat::disposeWindow(kAlertWindow);
    ShowAlert(unchanged ? "Not enough memory to finish this action. Nothing was changed."
                        : "Not enough memory to finish this action. Part of it may have been done: look the open "
                          "files over before saving them.");
  } catch (...) {
  }
}

}  // namespace

void MainLoopPass(int maxWaitMs) {
  const std::vector<int> windowsBefore = plat::windowIds();
  const StoreShape shapeBefore = storeShape(false);
  const uint16_t fileBefore = TheFileInUse;
  markCommandStart(shapeBefore);
  auto recover = [&](const char* what, bool memory) {
    // Memory may still be short: a failure while recovering must not end
    // the program either.
    try {
      recoverFromFailedPass(windowsBefore, shapeBefore, fileBefore, what, memory);
    } catch (const std::bad_alloc&) {
      recoverWithoutMemory(shapeBefore);
    }
  };
  try {
    passBody(maxWaitMs);
  } catch (const std::bad_alloc&) {
    recover("", true);
  } catch (const std::length_error& e) {
    // A length past what a container can hold is a request for memory too.
    recover(e.what(), true);
  } catch (const std::logic_error& e) {
    recover(e.what(), false);
  } catch (const std::system_error& e) {
    recover(e.what(), false);
  }
}

void MarkCommandStart() { markCommandStart(storeShape(false)); }

void MainProgramLoop() {
  InstallMainLoopHandlers();
  lastPointerTick = plat::ticks();
  while (!quitConfirmed) MainLoopPass();
}
