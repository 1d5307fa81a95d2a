#include "plot/ui/toolbar.h"

#include <algorithm>
#include <climits>

#include "datafiles/ui/open.h"
#include "output/ui/analysiskit.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/toolbar.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/paging.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/desklayout.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/sounds.h"

int16_t lasttoolbuttonXpos = 6;
uint16_t lasttoolbuttonYpos = 1;
int16_t PlotDialogMode = 0;

namespace {

plotcore::ToolbarPlace place() { return plotcore::ToolbarPlaceOf(prefsArray[kPrefToolbarPosition]); }

int16_t frontSlot() {
  const auto s = static_cast<int16_t>(TheFileInUse);
  return ValidFileSlot(s) && SlotHoldsFile(s) ? s : int16_t{-1};
}

std::string titleOf(int16_t id) {
  const ToolButton* b = FindToolButton(id);
  if (!b) return "";
  return place() == plotcore::ToolbarPlace::Left ? b->label : b->labelHorizontal;
}

}  // namespace

int16_t toolbutton(int16_t id, uint16_t state, const std::string& title, int16_t width, uint16_t gap,
                   int16_t limit) {
  int g = gap;
  if (lasttoolbuttonXpos + width + g > limit) {
    g = 0;
    lasttoolbuttonXpos = 6;
    lasttoolbuttonYpos = static_cast<uint16_t>(lasttoolbuttonYpos + 23);
  }
  const int height = place() == plotcore::ToolbarPlace::Left ? 23 : 21;
  const int16_t realId = static_cast<int16_t>(id < 0 ? -id : id);
  if (plat::controlExists(kToolbarWindow, realId)) plat::removeControl(kToolbarWindow, realId);
  plat::ButtonSpec b;
  b.id = realId;
  b.kind = plat::ButtonKind::Push;
  b.title = title;
  b.r = {lasttoolbuttonXpos + g, lasttoolbuttonYpos, lasttoolbuttonXpos + g + width, lasttoolbuttonYpos + height};
  b.state = id < 0 ? 0 : state;
  plat::FontSpec font;
  font.pixelSize = 12;
  b.font = font;
  plat::addButton(kToolbarWindow, b);
  lasttoolbuttonXpos = static_cast<int16_t>(b.r.right);
  return 0;
}

int16_t DRAWTOOLS() {
  if (!plat::windowExists(kToolbarWindow)) return 0;
  RestoreTheToolBar();
  const auto limit = static_cast<int16_t>(plat::contentSize(kToolbarWindow).w);
  lasttoolbuttonXpos = 6;
  lasttoolbuttonYpos = 1;
  for (const plotcore::ToolSlot& s : plotcore::ToolbarSlots(place())) {
    const ToolButton* b = FindToolButton(s.id);
    const bool created = b && b->initiallyEnabled;
    toolbutton(created ? s.id : static_cast<int16_t>(-s.id), 1, titleOf(s.id), s.width,
               static_cast<uint16_t>(s.gap), limit);
  }
  // The block, view and channel rules, and every button whose command is
  // missing, come from the same rules as the menus.
  SETMENU(1);
  const int16_t f = frontSlot();
  if (f >= 0 && plat::windowExists(PlotWindowId(f))) plat::setCurrentPort(PlotWindowId(f));
  return 0;
}

namespace {

plotcore::ToolbarPlace builtPlace = plotcore::ToolbarPlace::Left;

plotcore::ToolbarDesk deskNow() {
  return {plat::config().menuBarHeight, plat::displaySize().h, plat::titleBarHeight(plat::WindowClass::Floating)};
}

int frontPlotWindow() {
  const int16_t f = frontSlot();
  return f >= 0 && plat::windowExists(PlotWindowId(f)) ? PlotWindowId(f) : 0;
}

// Every open file's plot window in its place for the toolbar's place, not
// only the front one; a window whose size changed is drawn again for it.
void layOutPlotWindows() {
  const auto front = static_cast<int16_t>(TheFileInUse);
  for (int16_t f = 0; f < kSlotCount; ++f) {
    if (!ValidFileSlot(f) || !SlotHoldsFile(f) || !plat::windowExists(PlotWindowId(f))) continue;
    const plat::Rect now = plat::contentRect(PlotWindowId(f));
    const plat::Rect want = CascadePlotWindow(f);
    if (want == now) continue;
    plat::setContentRect(PlotWindowId(f), want);
    if (want.width() == now.width() && want.height() == now.height()) continue;
    if (f == front) ResizeTheMainWindow(1);
    else DrawPlotSummary(f);
  }
}

// How far the plot windows were stepped clear of the toolbar since it was built.
int steppedClear = 0;

// Every plot window stepped clear of a toolbar the user made larger, all by
// one amount, the nearest to `edge` at least: down (`right` false) with their
// bottoms kept, or right with their right edges kept. Moving the front one
// alone left the title and data bars of the files behind it under the toolbar.
// Made smaller again, it takes back what it stepped them, so that no empty
// band is left beside it.
void stepPlotWindowsClear(bool right, int edge) {
  int nearest = INT_MAX;
  for (int16_t f = 0; f < kSlotCount; ++f)
    if (ValidFileSlot(f) && SlotHoldsFile(f) && plat::windowExists(PlotWindowId(f))) {
      const plat::Rect frame = plat::frameRect(PlotWindowId(f));
      nearest = std::min(nearest, right ? frame.left : frame.top);
    }
  if (nearest == INT_MAX) return;
  const int step = nearest < edge ? edge - nearest : -std::min(steppedClear, nearest - edge);
  if (step == 0) return;
  steppedClear += step;
  const auto front = static_cast<int16_t>(TheFileInUse);
  for (int16_t f = 0; f < kSlotCount; ++f) {
    if (!ValidFileSlot(f) || !SlotHoldsFile(f) || !plat::windowExists(PlotWindowId(f))) continue;
    plat::Rect c = plat::contentRect(PlotWindowId(f));
    (right ? c.left : c.top) += step;
    plat::setContentRect(PlotWindowId(f), c);
    if (f == front) ResizeTheMainWindow(1);
    else DrawPlotSummary(f);
  }
}

}  // namespace

int16_t ToolBar() {
  ScreenHeight = static_cast<int16_t>(std::min(plat::displaySize().h, 32767));
  plat::disposeWindow(kToolbarWindow);
  const int plot = frontPlotWindow();
  const plotcore::ToolbarPlace p = place();
  layOutPlotWindows();
  steppedClear = 0;
  // By the first file's place: above the highest plot window, below the
  // lowest (their bottoms are one), whichever file is in front.
  plat::Rect plotFrame{2, 41, 640, 400};
  if (plot != 0) {
    plotFrame = PlotWindowPlace(0);
    plotFrame.top -= plat::contentRect(plot).top - plat::frameRect(plot).top;
  }
  const plotcore::ToolbarFrame tf = plotcore::ToolbarFrameFor(p, plotFrame, deskNow());
  builtPlace = p;
  ToolbarBandBelowPlot = tf.bandBelowPlot;
  plat::WindowSpec w;
  w.id = kToolbarWindow;
  w.title = p == plotcore::ToolbarPlace::Left
                ? "Toolbar"
                : "Toolbar:    Click close button to change toolbar location   (left --> bottom --> top) ";
  w.content = tf.toolbar;
  w.cls = plat::WindowClass::Floating;
  w.closeBox = true;
  w.resizable = true;
  w.minSize = {plotcore::ToolbarLeastWidth(p, deskNow().height - tf.toolbar.top), 20};
  w.background = ToolBarBackgroundColor;
  plat::createWindow(w);
  plat::Port& port = plat::port(kToolbarWindow);
  port.setBackColor(ToolBarBackgroundColor);
  port.clearRect({0, 0, tf.toolbar.width(), tf.toolbar.height()});
  DRAWTOOLS();
  // The comments box and the block window stand by the plot and below the
  // room the toolbar takes.
  if (plot != 0) {
    FollowPlotWindow();
    RelayoutBlockWindow();
  }
  // An open help page moves clear of the toolbar's new place.
  plat::placeHelpWindow();
  return 0;
}

bool ToolbarPlaceChanged() { return plat::windowExists(kToolbarWindow) && builtPlace != place(); }

void ToolbarResized() {
  if (!plat::windowExists(kToolbarWindow)) return;
  // As high as the rows the new width needs: no button hidden, no empty band;
  // never so narrow that the rows run off the desk with the grow box.
  plat::Rect r = plat::contentRect(kToolbarWindow);
  r.right = std::max(r.right, r.left + plotcore::ToolbarLeastWidth(place(), plat::displaySize().h - r.top));
  r.bottom = r.top + plotcore::ToolbarRowsHeight(place(), r.width());
  plat::setContentRect(kToolbarWindow, r);
  DRAWTOOLS();
  const int plot = frontPlotWindow();
  if (plot == 0) return;
  const plat::Rect frame = plat::frameRect(plot);
  if (place() == plotcore::ToolbarPlace::Bottom) {
    ToolbarBandBelowPlot = r.bottom + 2 - frame.bottom;
  } else if (place() == plotcore::ToolbarPlace::Top) {
    stepPlotWindowsClear(false, r.bottom + 2);
  } else {
    stepPlotWindowsClear(true, r.right + 2);
  }
  // The block window below a band grown by more rows ends on the desk still.
  FollowPlotWindow();
  RelayoutBlockWindow();
}

void ToolbarClosed() {
  prefsArray[kPrefToolbarPosition] = static_cast<int16_t>(plotcore::NextToolbarPlace(place()));
  ToolBar();
}

bool HandleToolbarClick(int16_t id) {
  if (id < kFirstToolButton || id > kLastToolButton) return false;
  const ToolButton* b = FindToolButton(id);
  // A dimmed button may still report a click from a stale event: nothing runs.
  if (!b || !ToolButtonAvailable(id)) return true;
  const int16_t f = frontSlot();
  const bool block = f >= 0 && FileSHORTS[f][kShortBlockState] == 2;
  MenuPick pick{};
  switch (b->kind) {
    case ToolKind::Pick:
    case ToolKind::BlockPick: pick = ToolbarClickPick(id, block); break;
    case ToolKind::Direct:
      if (id == 594) ChangeBlockButtonClicked = 1;
      RunToolbarDirect(id);
      return true;
    case ToolKind::FileType: {
      const bool merge = id != 563;
      if (!merge) MergeThisFile = 0;
      FileTYPE(0, 120, static_cast<int16_t>(BottomOfPlotArea - 90), 1, merge ? 1 : 0);
      pick = ToolbarFileTypeChosen(id, TypeOfFile);
      break;
    }
  }
  MenuIDENTIFIER = pick.menu;
  MenuItem = pick.item;
  return true;
}

int16_t HandlePlotDIALOG() {
  if (SliderEvent != 0) {
    SliderEvent = 0;
    PageSliderMoved();
  } else if (PlotDialogMode >= 2 && PlotDialogMode <= 98) {
    if (eventID == 28 || eventID == 29) PageStep(eventID == 28 ? -1 : 1);
  } else if (action == kActionClick && gMainLoopHooks.controlClicked) {
    // The plot's controls are dispatched above the toolbar: the hook the registrar fills.
    gMainLoopHooks.controlClicked(eventID);
  }
  if (action != kActionKey) eventID = 0;
  PlotDialogMode = 0;
  return 0;
}

int16_t SetMenuButton(uint16_t id) {
  if (prefsArray[kPrefSoundLevel] != 0) PlayNamedSound("click");
  if (IsDeferredToolbarClick(static_cast<int16_t>(id))) DeferToolbarClick(static_cast<int16_t>(id));
  return 0;
}
