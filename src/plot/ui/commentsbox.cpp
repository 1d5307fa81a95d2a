#include "plot/ui/commentsbox.h"

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/blockscale.h"
#include "plot/ui/plotwindow.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kitglobals.h"

CommentsBoxHooks gCommentsBoxHooks;

namespace {


bool fileReady(int16_t f) { return ValidFileSlot(f) && SlotHoldsFile(f); }

int currentPlot() {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!fileReady(f)) return 0;
  const int win = PlotWindowId(f);
  return plat::windowExists(win) ? win : 0;
}

}  // namespace

int PlotFurnitureLift() {
  const int plot = currentPlot();
  if (plot == 0) return 0;
  const int top = plotcore::BlockWindowTop(plat::frameRect(plot).top, BottomOfPlotArea,
                                           prefsArray[kPrefCommentsHidden] != 0, plat::config().titleBarHeight);
  return plotcore::FurnitureLift(top, plat::displaySize().h - 4);
}

void KeepFurnitureSeen(int win) {
  if (!plat::windowExists(win)) return;
  const int plot = currentPlot();
  bool over = plot != 0 && plat::windowVisible(win) && PlotFurnitureLift() != 0;
  if (over) {
    const plat::Rect a = plat::frameRect(win), b = plat::frameRect(plot);
    over = a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
  }
  // Just in front of the plot, whatever brings it forward: not over a window
  // the user works in before it.
  plat::keepInFront(win, over ? plot : 0);
}

TextViewRef BuildScrollingCOMMENTSWindow() {
  plat::disposeWindow(kCommentsWindow);
  const int plot = currentPlot();
  // Without its template there is no box; nothing is reported.
  if (plot == 0 || !plat::nibTemplateAvailable("commentsBox")) return {};
  const auto f = static_cast<int16_t>(TheFileInUse);
  const int front = plat::frontWindow();
  const int keepPort = plat::currentPortWindow();

  plat::WindowSpec w;
  w.id = kCommentsWindow;
  w.title = plotcore::CommentsBoxTitle(FileName[f]);
  const plat::Rect home = PlotWindowUncascaded(f);
  w.content = plotcore::CommentsBoxRect(home.left, plat::frameRect(plot).top, BottomOfPlotArea, home.width())
                  .offset(0, -PlotFurnitureLift());
  w.cls = plat::WindowClass::Document;
  w.closeBox = false;
  w.background = kWhite;
  plat::createWindow(w);
  const plat::Size s = plat::contentSize(kCommentsWindow);
  plat::addTextView(kCommentsWindow, kCommentsText, {0, 0, s.w, s.h}, false);
  const TextViewRef view{kCommentsWindow, kCommentsText};
  TxtViewSetMargins(view, 8, 0, 0, 0);
  TextViewSetTextFromMyContainer(view);
  // The box is furniture of the plot window: it does not take the focus.
  if (front != 0 && front != kCommentsWindow && plat::windowExists(front)) plat::selectWindow(front);
  KeepFurnitureSeen(kCommentsWindow);
  if (keepPort != 0 && plat::windowExists(keepPort)) plat::setCurrentPort(keepPort);
  plat::processPending();
  return view;
}

void DRAWCOMMENTS() {
  // Hidden from Preferences too: the box goes at once, not at the next start.
  if (prefsArray[kPrefCommentsHidden] != 0) {
    plat::disposeWindow(kCommentsWindow);
    return;
  }
  const int plot = currentPlot();
  if (plot == 0) return;
  plat::setCurrentPort(plot);
  const TextViewRef view = BuildScrollingCOMMENTSWindow();
  if (view.window != 0) plat::setViewSelection(view.window, view.id, 0, 0);
  plat::setCurrentPort(plot);
}

void FixTheCommentsWindow() {
  const int plot = currentPlot();
  if (plot == 0 || !plat::windowExists(kCommentsWindow)) return;
  const plat::Size s = plat::contentSize(kCommentsWindow);
  const plat::Rect under = PlotWindowUncascaded(static_cast<int16_t>(TheFileInUse));
  const plat::Rect home =
      plotcore::CommentsBoxRect(under.left, plat::frameRect(plot).top, BottomOfPlotArea, under.width())
          .offset(0, -PlotFurnitureLift());
  // At its size, unless it would reach past the plot above it (a plot moved
  // right for a toolbar at the left): then built again to the plot's width.
  if (home.left + s.w > home.right) {
    DRAWCOMMENTS();
    return;
  }
  plat::setContentRect(kCommentsWindow, {home.left, home.top, home.left + s.w, home.top + s.h});
}

void RestoreWindowName() {
  const auto f = static_cast<int16_t>(TheFileInUse);
  const int plot = currentPlot();
  if (plot == 0) return;
  plat::setTitle(plot, plotcore::PlotWindowTitle(f, nChannels[f], nCases[f], FileName[f]));
}

void CommentsBoxActivated() {
  // The editor rebuilds the box through the dispatcher's hook when it ends.
  if (gCommentsBoxHooks.editComments) gCommentsBoxHooks.editComments();
  const int plot = currentPlot();
  if (plot != 0) {
    plat::selectWindow(plot);
    plat::setCurrentPort(plot);
  }
}
