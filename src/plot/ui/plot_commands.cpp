#include "plot/ui/plot_commands.h"

#include <algorithm>

#include "datafiles/save.h"
#include "datafiles/ui/open.h"
#include "output/results.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/windows.h"
#include "output/ui/destination.h"
#include "plot/autoscale.h"
#include "plot/blockscale.h"
#include "plot/trace.h"
#include "plot/ui/blockshift.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/commentsbox.h"
#include "plot/ui/databar.h"
#include "plot/ui/infoline.h"
#include "plot/ui/markers.h"
#include "plot/ui/mouse.h"
#include "plot/ui/overlay.h"
#include "plot/ui/draw.h"
#include "plot/ui/paging.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "plot/ui/stacked.h"
#include "plot/ui/toolbar.h"
#include "shell/colours.h"
#include "shell/desklayout.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/recorder.h"
#include "shell/ui/notes.h"
#include "shell/ui/prefsdialog.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/worktables.h"

namespace {

bool frontSlot(int16_t* f) {
  const auto s = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(s) || !SlotHoldsFile(s)) return false;
  *f = s;
  return true;
}

void recordChannelChange(int16_t c) {
  float step[kStepFields] = {};
  step[kStepOperation] = kOpChangeChannel;
  step[kStepMain] = static_cast<float>(c);
  RecordScriptStep(step);
}

}  // namespace

int16_t PUSHCHAN(int16_t mode, int16_t typedChannel) {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(f) || nChannels[f] < 1) return 0;
  const int16_t n = nChannels[f];
  int16_t c = ActiveChannel;
  switch (mode) {
    case 2: c = c >= n ? 1 : static_cast<int16_t>(c + 1); break;
    case 1: c = c <= 1 ? n : static_cast<int16_t>(c - 1); break;
    default: c = typedChannel; break;
  }
  if (c < 1 || c > n || c == ActiveChannel) return 0;
  CHANNELCHANGE(c);
  recordChannelChange(c);
  return c;
}

void HandlePlotKey(const KeyCommand& k) {
  switch (k.action) {
    case KeyAction::NextChannel: PUSHCHAN(2); break;
    case KeyAction::PreviousChannel: PUSHCHAN(1); break;
    case KeyAction::SelectChannel: PUSHCHAN(0, k.arg); break;
    case KeyAction::PageLeft: PageStep(-1); break;
    case KeyAction::PageRight: PageStep(1); break;
    case KeyAction::WholeFileToggle: WholeFileViewToggle(); break;
    case KeyAction::FlashOverlay: FlashOverlay(k.arg); break;
    default: break;
  }
}

bool HandlePlotControlClick(int16_t controlId) {
  int16_t f;
  if (!frontSlot(&f)) return false;
  const int win = PlotWindowId(f);
  if (controlId == kPageSlider || controlId == -kPageSlider) {
    PageSliderMoved();
    return true;
  }
  if (controlId == kClearOverlayButton) {
    ClearOverlayButton();
    return true;
  }
  if (HandleToolbarClick(controlId) || HandleStackedControlClick(controlId) || HandleNoteButtonClick(controlId))
    return true;
  if (controlId == kChannelPopup) {
    const int c = plat::popupValue(win, kChannelPopup);
    if (c >= 1 && c <= nChannels[f] && c != ActiveChannel) {
      CHANNELCHANGE(static_cast<int16_t>(c));
      recordChannelChange(static_cast<int16_t>(c));
    }
    return true;
  }
  return false;
}

void TIMECHOICE(uint16_t placement) {
  plat::Rect at{40, 0, 250, 0};
  plat::Rect plot{0, 0, 0, 0};
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (ValidFileSlot(f) && plat::windowExists(PlotWindowId(f))) plot = plat::contentRect(PlotWindowId(f));
  if (placement == 1) {
    at = {plot.left + 125, plot.top + 114, plot.left + 335, plot.top + 230};
  } else {
    at = {plot.left + 40, plot.top + BottomOfPlotArea + 214, plot.left + 250, plot.top + BottomOfPlotArea + 355};
  }
  HandlerScope keep;
  InstallDialogHandlers();
  BuildWINDOW(1, kTimeUnitsWindow, "Time Units", static_cast<int16_t>(at.left), static_cast<int16_t>(at.top),
              static_cast<int16_t>(at.right), static_cast<int16_t>(at.bottom), kKindDocument, 0);
  TimeUnits = 0;
  auto button = [](int16_t id, const char* title, plat::Rect r, plat::ButtonKind kind) {
    plat::ButtonSpec b;
    b.id = id;
    b.kind = kind;
    b.title = title;
    b.r = r;
    plat::addButton(kTimeUnitsWindow, b);
  };
  // Rectangles as (left, top, right, bottom).
  button(kTimeSeconds, "Seconds", {30, 5, 180, 25}, plat::ButtonKind::DefaultPush);
  button(kTimeMinutes, "Minutes", {30, 33, 180, 53}, plat::ButtonKind::Push);
  button(kTimeHours, "Hours", {30, 61, 180, 81}, plat::ButtonKind::Push);
  button(kTimeDays, "Days", {30, 89, 180, 109}, plat::ButtonKind::Push);
  const bool logOffered = placement == 0 && BlockMinY >= 0;
  if (logOffered) {
    button(kTimeLogY, "Use log(Y) ", {60, 119, 180, 137}, plat::ButtonKind::CheckBox);
    plat::setButtonState(kTimeUnitsWindow, kTimeLogY, UseLogY == 1 ? 2 : 1);
  }
  ClearMailbox();
  for (;;) {
    plat::pump();
    const int16_t a = action, id = eventID;
    ClearMailbox();
    if (a == kActionClick && id >= kTimeSeconds && id <= kTimeDays) {
      TimeUnits = static_cast<int16_t>(id - kTimeSeconds);
      break;
    }
    if (a == kActionClick && id == kTimeLogY && logOffered) {
      UseLogY = UseLogY == 1 ? 0 : 1;
      plat::setButtonState(kTimeUnitsWindow, kTimeLogY, UseLogY == 1 ? 2 : 1);
      continue;
    }
    // A key, the close box or Escape leaves seconds.
    if (a == kActionKey || a == kActionClose) break;
    // Only the activation of another window ends the dialog.
    if (a == kActionActivate && id != kTimeUnitsWindow) break;
  }
  plat::disposeWindow(kTimeUnitsWindow);
}

void FrontFileChanged(int16_t slot) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot) || !plat::windowExists(PlotWindowId(slot))) return;
  if (!plat::windowExists(kToolbarWindow)) ToolBar();
  PlotGeometryFromWindow(slot);
  chanB = static_cast<uint16_t>(ActiveChannel);
  OPENBLOCKWINDOW();
  if (FileSHORTS[slot][kShortBlockState] == 2) DRAWBLOCK();
  DRAWCOMMENTS();
  plat::setCurrentPort(PlotWindowId(slot));
}

namespace {

void selectPlotWindow() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (ValidFileSlot(slot) && plat::windowExists(PlotWindowId(slot))) {
    plat::selectWindow(PlotWindowId(slot));
    plat::setCurrentPort(PlotWindowId(slot));
  }
}

void repaintToolbarGround() {
  if (!plat::windowExists(kToolbarWindow)) return;
  plat::Port& p = plat::port(kToolbarWindow);
  const plat::Size s = plat::contentSize(kToolbarWindow);
  p.setBackColor(ToolBarBackgroundColor);
  p.clearRect({0, 0, s.w, s.h});
  plat::flushWindow(kToolbarWindow);
}

void installMainLoopHooks() {
  gMainLoopHooks.mouse = PlotMouseHandler;
  gMainLoopHooks.trackPointer = TrackPointerOverPlot;
  gMainLoopHooks.controlClicked = [](int16_t id) { HandlePlotControlClick(id); };
  gMainLoopHooks.fileActivated = FrontFileChanged;
  gMainLoopHooks.otherWindowActivated = [](int16_t id) { BlockOrCommentsWindowActivated(id); };
  gMainLoopHooks.plotWindowMoved = [](int16_t slot) {
    if (slot == static_cast<int16_t>(TheFileInUse)) FollowPlotWindow();
  };
  gMainLoopHooks.plotWindowResized = [](int16_t slot, bool front) {
    if (front && slot == static_cast<int16_t>(TheFileInUse)) ResizeTheMainWindow(1);
    else DrawPlotSummary(slot);
  };
  gMainLoopHooks.plotKey = HandlePlotKey;
  gMainLoopHooks.endOfPass = [] {
    // Wherever a command cleared the block, the block window follows before the user looks again.
    DropClearedBlockView();
    KeepPlotFurnitureSeen();
  };
  gMainLoopHooks.toolbarClosed = ToolbarClosed;
  gRecorderHooks.flashStep = FLASHSCRIPTsequenceStep;   // the counter sits in the info line
  gOpenHooks.openPlotWindow = OpenPlotWindow;
  gOpenHooks.drawPlotSummary = DrawPlotSummary;
  gOpenHooks.retitlePlotWindow = [](int16_t slot) {
    RetitlePlotWindow(slot);
    // The comments box names the file too.
    if (slot == static_cast<int16_t>(TheFileInUse) && plat::windowExists(kCommentsWindow))
      plat::setTitle(kCommentsWindow, plotcore::CommentsBoxTitle(FileName[slot]));
  };
  gOpenHooks.restoreWindowName = RestoreWindowName;
  gMainLoopHooks.toolbarResized = ToolbarResized;
}

}  // namespace

void RegisterPlotCommands() {
  RegisterCommand(Cmd::Redraw, [](int16_t) { RefreshSCREEN(); });
  // The Channel menu; a change made there while recording is a step, as one
  // made with the pop-up or the keys.
  RegisterCommand(Cmd::ChannelChange, [](int16_t channel) {
    const int16_t was = ActiveChannel;
    CHANNELCHANGE(channel);
    if (ActiveChannel != was) recordChannelChange(ActiveChannel);
  });
  RegisterCommand(Cmd::ZoomIn, [](int16_t) { ZOOMIN(); });
  RegisterCommand(Cmd::ZoomOut, [](int16_t) { ZOOMOUT(); });
  RegisterCommand(Cmd::WholeFileView, [](int16_t) { WholeFileViewToggle(); });
  RegisterCommand(Cmd::ToggleHistogram, [](int16_t) { TogglePlotAsHistogram(); });
  // No saved scale modes exist: every channel starts with the tidy axis.
  for (auto& s : scalefact) s[4] = static_cast<float>(plotcore::kScaleNormal);
  RegisterSelectionCommands();
  RegisterStackedViewCommands();
  RegisterBlockShiftCommands();
  RegisterMarkerCommands();
  RegisterBlockWindowCommands();
  InstallInfoLineHooks();
  installMainLoopHooks();

  // What the lower subsystems ask of the plot.
  gStoreHooks.channelChanged = [](int16_t slot, int16_t channel) { plotcore::InvalidatePlotLod(slot, channel); };
  gStoreHooks.commentsChanged = [](int16_t slot) {
    if (slot == static_cast<int16_t>(TheFileInUse)) DRAWCOMMENTS();
  };
  gDispatchHooks.selectPlotWindow = selectPlotWindow;
  gDispatchHooks.rebuildChannelPopup = [] {
    RebuildChannelMenu();
    MakeChannelSelectionsPopUp();
  };
  gNotesHooks.showCase = ShowCaseInPlot;
  gPreferencesHooks.redrawAfterChange = [] {
    // A new toolbar place takes effect at once.
    if (ToolbarPlaceChanged()) ToolBar();
    RefreshSCREEN();
  };
  gKitHooks.redrawToolbarBackground = repaintToolbarGround;
  gKitHooks.plotUncascaded = [] {
    const auto f = static_cast<int16_t>(TheFileInUse);
    return ValidFileSlot(f) && plat::windowExists(PlotWindowId(f)) ? PlotWindowUncascaded(f) : plat::Rect{};
  };
  gOutputUiHooks.tabFileDataBar = TabFileDATABAR;
}
