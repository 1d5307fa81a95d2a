#include "plot/ui/blockwindow.h"

#include <algorithm>
#include <cmath>

#include "output/numberformat.h"
#include "output/results.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/menus.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/blockscale.h"
#include "plot/trace.h"
#include "plot/ui/commentsbox.h"
#include "plot/ui/databar.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/desklayout.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/menutable.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

uint16_t BlockWindowIsOpen = 0;
int16_t UpperLimit = 0;
float BlockMaxY = 0;
double BlockXscale = 0;
int16_t LastBlockWindowWidth = 0, LastBlockWindowHeight = 0;
int32_t OldBeginBlock = 0, OldEndBlock = 0;

namespace {

constexpr int kEditResetLastBlock = 2;
constexpr int kEditClearBlock = 7;
constexpr int kCommentsItemShow = 1;
constexpr int kCommentsItemInstructions = 2;
constexpr int kHelpBlocks = 1;
constexpr int kBlockTextCode = 1;

// The scale of the last drawing, for BlockRowOf / BlockColumnOf.
plotcore::BlockScale gScale;

bool fileReady(int16_t f) { return ValidFileSlot(f) && SlotHoldsFile(f); }

int16_t clamp16(int v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }

void setEditItem(int item, bool enabled) {
  if (plat::menuDefined(kMenuEdit) && plat::itemCount(kMenuEdit) >= item) plat::setItemEnabled(kMenuEdit, item, enabled);
}

plat::FontSpec font(int px, bool bold = false) {
  plat::FontSpec f;
  f.family = "application";
  f.pixelSize = px;
  f.bold = bold;
  return f;
}

// The window that should stay active across a drawing of window 2.
int activeWindow() { return plat::frontWindow(); }

void reactivate(int win) {
  if (win != 0 && win != kBlockWindow && plat::windowExists(win) && plat::frontWindow() != win) plat::selectWindow(win);
}

void buildInstructionPanel(int left, int top, int width) {
  plat::WindowSpec w;
  w.id = kBlockWindow;
  w.title = plotcore::kInstructionsTitle;
  w.cls = plat::WindowClass::Document;
  w.closeBox = true;
  w.background = gray;
  if (prefsArray[kPrefInstructionsCollapsed] != 0) {
    w.content = plotcore::CollapsedInstructionsRect(left, top);
    plat::createWindow(w);
    AddKitButton(kBlockWindow, kBlockPanelButton, plat::ButtonKind::Push, "Show Instructions", {1, 1, 330, 30});
    return;
  }
  w.content = plotcore::InstructionsRect(left, top, width, plat::displaySize().h);
  w.resizable = true;
  w.minSize = plotcore::kInstructionsMinSize;
  plat::createWindow(w);
  // Without its template the panel is a plain window with the same title
  // and place; nothing is reported.
  if (!plat::nibTemplateAvailable("blockwindow")) return;
  const plat::Size s = plat::contentSize(kBlockWindow);
  plat::addTextView(kBlockWindow, kBlockPanelText, {0, 24, s.w, s.h}, false);
  const TextViewRef view{kBlockWindow, kBlockPanelText};
  TxtViewSetMargins(view, 8, 0, 0, 0);
  HelpSubject = kHelpBlocks;
  TxtViewLoadText(view, kBlockTextCode);
  AddKitButton(kBlockWindow, kBlockPanelButton, plat::ButtonKind::Push, "Hide", {1, 1, 60, 22});
}

void drawCircles(plat::Port& p, const float* data) {
  p.setPenMode(plat::PenMode::Xor);
  for (const plat::Point& c : plotcore::BlockCircleCentres(data, gScale))
    p.strokeOval({c.x - 3, c.y - 3, c.x + 3, c.y + 3});
  p.setPenMode(plat::PenMode::Copy);
}

}  // namespace

void OPENBLOCKWINDOW() {
  const int keep = activeWindow();
  const int keepPort = plat::currentPortWindow();
  plat::disposeWindow(kBlockWindow);
  BlockWindowIsOpen = 0;
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!fileReady(f) || !plat::windowExists(PlotWindowId(f))) return;
  const int plot = PlotWindowId(f);
  const plat::Rect home = PlotWindowUncascaded(f);
  const int left = home.left;
  const int frameTop = plat::frameRect(plot).top;
  // Held on the desk below a plot window moved low, as the move left it.
  const int top = plotcore::BlockWindowTop(frameTop, BottomOfPlotArea, prefsArray[kPrefCommentsHidden] != 0,
                                           plat::config().titleBarHeight) -
                  PlotFurnitureLift();

  if (FileSHORTS[f][kShortBlockState] == 2) {
    UpperLimit = clamp16(ScreenHeight - top - 24);
    plat::WindowSpec w;
    w.id = kBlockWindow;
    w.title = plotcore::BlockWindowTitle(true, static_cast<int16_t>(chanB), RetrieveLabel(static_cast<int16_t>(chanB)),
                                         BeginBlock[f], EndBlock[f]);
    w.content = plotcore::BlockViewRect(left, frameTop, top, LastBlockWindowWidth, LastBlockWindowHeight,
                                        BlockWindowRight, BlockWindowBottom, plat::displaySize().h);
    w.cls = plat::WindowClass::Document;
    w.closeBox = false;
    w.resizable = true;
    w.minSize = {60, 40};
    w.background = BlockBackColor;
    plat::createWindow(w);
    BlockWindowIsOpen = 1;
  } else if (prefsArray[kPrefBlockInstructions] == 1) {
    buildInstructionPanel(left, top, home.width());
  }
  // Window 2 never takes the focus from the window the user works in.
  reactivate(keep);
  KeepFurnitureSeen(kBlockWindow);
  if (keepPort != 0 && plat::windowExists(keepPort)) plat::setCurrentPort(keepPort);
}

void DRAWBLOCK() {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!fileReady(f) || FileSHORTS[f][kShortBlockState] != 2) return;
  // Callers promise a block inside the file; a stale one is held to it
  // rather than read past the channel's end.
  int32_t begin = std::clamp(BeginBlock[f], 0, nCases[f]);
  int32_t end = std::clamp(EndBlock[f], 0, nCases[f]);
  if (end < begin) std::swap(begin, end);

  setEditItem(kEditResetLastBlock, false);
  setEditItem(kEditClearBlock, true);
  const int keep = activeWindow();
  if (chanB > static_cast<uint16_t>(nChannels[f])) chanB = 1;

  if (BlockWindowIsOpen == 1 && plat::windowExists(kBlockWindow)) {
    plat::setTitle(kBlockWindow, plotcore::BlockWindowTitle(false, static_cast<int16_t>(chanB),
                                                            RetrieveLabel(static_cast<int16_t>(chanB)), begin, end));
  } else {
    OPENBLOCKWINDOW();
  }
  if (!plat::windowExists(kBlockWindow) || BlockWindowIsOpen != 1) return;
  reactivate(keep);
  plat::setCurrentPort(kBlockWindow);

  const plat::Size size = plat::contentSize(kBlockWindow);
  const int W = size.w, H = size.h;
  RightLim = clamp16(W);
  LastBlockWindowWidth = clamp16(W);
  LastBlockWindowHeight = clamp16(H);
  UpperLimit = clamp16(H - 15);

  plat::Port& p = plat::port(kBlockWindow);
  p.resetPen();
  p.clearClip();
  p.setForeColor(BlockBackColor);
  p.fillRect({0, 0, W, H - 15});
  p.setBackColor(BlockBackColor);
  p.setForeColor(BlockForeColor);
  p.strokeRect({0, 0, W, H - 15});

  const float* data = ChannelData(f, static_cast<int16_t>(chanB));
  gScale = plotcore::ComputeBlockScale(data, begin, end, W, H);
  BlockMinY = gScale.minY;
  BlockMaxY = gScale.maxY;
  BlockXscale = gScale.xScale;
  nPoints = gScale.nPoints;

  if (plotcore::BlockCrossesZero(gScale)) DrawBlockZero();

  // 7. The trace in the shared plain mode, never as a histogram.
  const int16_t histogram = PlotAsHistogram;
  PlotAsHistogram = 0;
  if (data) {
    p.setForeColor(BlockForeColor);
    const plotcore::TraceParams tp = plotcore::BlockTraceParams(gScale);
    const bool manyPerColumn = gScale.xScale < 1.0 / 32;
    const plotcore::LodTable* lod =
        manyPerColumn ? &plotcore::PlotLodCache().get(f, static_cast<int16_t>(chanB), data,
                                                      static_cast<size_t>(nCases[f]) + 1)
                      : nullptr;
    const std::vector<plat::Point> seg = plotcore::BlockTraceSegments(data, nCases[f], gScale, lod);
    if (!seg.empty()) {
      p.drawSegments(seg.data(), seg.size() / 2);
    } else if (std::isfinite(data[begin])) {
      // A one-case block: its single point at x 0.
      const int y = plotcore::TraceY(data[begin], tp);
      p.moveTo(0, y);
      p.lineTo(0, y);
    }
    if (plotcore::BlockShowsCircles(gScale)) drawCircles(p, data);
  }
  PlotAsHistogram = histogram;

  // 9, 10. Extremes and the label strip. The extremes read as the
  // statistics' bounds and results print them, at the same digits.
  const auto extreme = [](float v) {
    std::string t = RealText(v);
    if (!t.empty() && t.front() == ' ') t.erase(0, 1);
    return t;
  };
  p.resetPen();
  p.setFont(font(9));
  p.setForeColor(prefsArray[kPrefColourDisplay] != 0 ? OldStyleColour(3) : kWhite);
  p.moveTo(1, 11);
  // The block's own maximum: the raise of a flat block only spreads the scale.
  p.drawText(extreme(gScale.dataMaxY));
  p.setForeColor(ExtremelyLightGray);
  p.fillRect({0, H - 15, W, H});
  p.setForeColor(kBlack);
  p.moveTo(1, UpperLimit + 12);
  p.drawText(extreme(BlockMinY));
  if (W > 280) {
    p.setFont(font(10, true));
    // The channel the window shows, not the one made active since.
    p.drawText("         " + RetrieveLabel(static_cast<int16_t>(chanB)));
  }
  p.setFont(font(9));
  p.moveTo(0, H - 15);
  p.lineTo(W, H - 15);
  p.setForeColor(BlockForeColor);

  if (prefsArray[kPrefMarkersShown] != 0) BLOCKMARKERS();

  reactivate(keep);
  plat::setCurrentPort(kBlockWindow);
  plat::flushWindow(kBlockWindow);
  OldBeginBlock = BeginBlock[f];
  OldEndBlock = EndBlock[f];
}

void BLOCKMARKERS() {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!fileReady(f) || MarkerCount(f) == 0 || !plat::windowExists(kBlockWindow)) return;
  plat::Port& p = plat::port(kBlockWindow);
  p.resetPen();
  p.setPenPattern(plat::systemPattern(7));
  p.setPenMode(plat::PenMode::Xor);
  p.setFont(font(9));
  for (const plotcore::BlockMarkerMark& m : plotcore::BlockMarkerMarks(MarkersArray[f], gScale)) {
    if (!m.label.empty()) {
      p.moveTo(m.x + 2, 11);
      p.drawText(m.label);
    }
    p.moveTo(m.x, 12);
    p.lineTo(m.x, UpperLimit - 2);
  }
  p.resetPen();
}

void DrawBlockZero() {
  if (!plat::windowExists(kBlockWindow)) return;
  plat::Port& p = plat::port(kBlockWindow);
  const int y = plotcore::BlockZeroRow(gScale);
  p.resetPen();
  p.setForeColor(kWhite);
  std::vector<plat::Point> dashes;
  for (int x : plotcore::ZeroDashStarts(plat::contentSize(kBlockWindow).w)) {
    dashes.push_back({x, y});
    dashes.push_back({x + 9, y});
  }
  if (!dashes.empty()) p.drawSegments(dashes.data(), dashes.size() / 2);
  p.setForeColor(BlockForeColor);
}

int BlockRowOf(float v) { return plotcore::BlockRow(gScale, v); }
int BlockColumnOf(int32_t k) { return plotcore::BlockColumn(gScale, k); }

void SWITCHtoWINDOW2() {
  if (!plat::windowExists(kBlockWindow)) return;
  BlockWindowModal = 1;
  SETMENU(0);
  plat::selectWindow(kBlockWindow);
  upvip();
  const uint16_t keepClick = click;
  click = 0;
  {
    HandlerScope keep;
    plat::handlers().menu = noMENU;
    plat::handlers().dialog = DoDIALOG;
    plat::handlers().mouse = noMOUSE;
    ClearMailbox();
    for (;;) {
      if (!plat::windowExists(kBlockWindow)) break;
      const auto [a, id] = TakeEvent();
      if (a == kActionClick && id == kBlockPanelButton && plat::frontWindow() == kBlockWindow) {
        TogglePrefs(kPrefInstructionsCollapsed);
        OPENBLOCKWINDOW();
        if (plat::windowExists(kBlockWindow)) plat::selectWindow(kBlockWindow);
      } else if (a == kActionClose && id == kBlockWindow) {
        prefsArray[kPrefBlockInstructions] = 0;
        plat::setItemChecked(kMenuComments, kCommentsItemInstructions, false);
        plat::disposeWindow(kBlockWindow);
        break;
      } else if (a == kActionActivate && id != kBlockWindow) {
        break;
      }
    }
  }
  // Menu picks made meanwhile were parked by noMENU; they are not run.
  MenuIDENTIFIER = MenuItem = 0;
  BlockWindowModal = 0;
  SETMENU(0);
  click = keepClick == 0 ? 1 : keepClick;
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (fileReady(f) && plat::windowExists(PlotWindowId(f))) {
    plat::selectWindow(PlotWindowId(f));
    plat::setCurrentPort(PlotWindowId(f));
  }
  downvip();
}

bool BlockOrCommentsWindowActivated(int16_t windowId) {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (windowId == kBlockWindow && plat::windowExists(kBlockWindow) && BlockWindowIsOpen == 0 &&
      !(fileReady(f) && FileSHORTS[f][kShortBlockState] == 2)) {
    SWITCHtoWINDOW2();
    return true;
  }
  if (windowId == kCommentsWindow && plat::windowExists(kCommentsWindow)) {
    CommentsBoxActivated();
    return true;
  }
  return false;
}

void FollowPlotWindow() {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(f) || !plat::windowExists(PlotWindowId(f))) return;
  // A plot dragged low takes its furniture only as far as the block window
  // keeps a usable height on the desk.
  FixTheCommentsWindow();
  const int plot = PlotWindowId(f);
  const int top = plotcore::BlockWindowTop(plat::frameRect(plot).top, BottomOfPlotArea,
                                           prefsArray[kPrefCommentsHidden] != 0, plat::config().titleBarHeight);
  const int deskBottom = plat::displaySize().h - 4;
  const int lift = PlotFurnitureLift();
  if (!plat::windowExists(kBlockWindow)) return;
  const int L = PlotWindowUncascaded(f).left;
  const int left = BlockWindowIsOpen == 1 ? L + kResultsColumnWidth : plotcore::CollapsedInstructionsRect(L, top).left;
  const plat::Size size = plat::contentSize(kBlockWindow);
  const int at = top - lift;
  const int height = std::min(size.h, deskBottom - at);
  plat::setContentRect(kBlockWindow, {left, at, left + size.w, at + height});
  if (height != size.h && BlockWindowIsOpen == 1) DRAWBLOCK();
  KeepPlotFurnitureSeen();
}

void KeepPlotFurnitureSeen() {
  KeepFurnitureSeen(kCommentsWindow);
  KeepFurnitureSeen(kBlockWindow);
}

void DropClearedBlockView() {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (BlockWindowIsOpen == 1 && plat::windowExists(kBlockWindow) && fileReady(f) &&
      FileSHORTS[f][kShortBlockState] == 0)
    OPENBLOCKWINDOW();
}

void RelayoutBlockWindow() {
  if (!plat::windowExists(kBlockWindow)) return;
  OPENBLOCKWINDOW();
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (fileReady(f) && FileSHORTS[f][kShortBlockState] == 2) DRAWBLOCK();
}

void ToggleComments() {
  TogglePrefs(kPrefCommentsHidden);
  plat::setItemChecked(kMenuComments, kCommentsItemShow, prefsArray[kPrefCommentsHidden] == 0);
  if (prefsArray[kPrefCommentsHidden] != 0) plat::disposeWindow(kCommentsWindow);
  OPENBLOCKWINDOW();
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (fileReady(f) && FileSHORTS[f][kShortBlockState] == 2) DRAWBLOCK();
  DRAWCOMMENTS();
}

void ToggleBlockInstructions() {
  TogglePrefs(kPrefBlockInstructions);
  plat::setItemChecked(kMenuComments, kCommentsItemInstructions, prefsArray[kPrefBlockInstructions] != 0);
  OPENBLOCKWINDOW();
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (fileReady(f) && FileSHORTS[f][kShortBlockState] == 2) DRAWBLOCK();
  DRAWCOMMENTS();
}

void RegisterBlockWindowCommands() {
  RegisterCommand(Cmd::ToggleAllValues, [](int16_t) { ToggleAllValues(); });
  RegisterCommand(Cmd::ToggleComments, [](int16_t) { ToggleComments(); });
  RegisterCommand(Cmd::ToggleBlockInstructions, [](int16_t) { ToggleBlockInstructions(); });
  gPlotHooks.drawBlock = DRAWBLOCK;
  gPlotHooks.openBlockWindow = OPENBLOCKWINDOW;
  gPlotHooks.drawComments = DRAWCOMMENTS;
  gPlotHooks.fixCommentsWindow = FixTheCommentsWindow;
  gPlotHooks.doAllValues = [](int16_t place) { DoALLVALUES(static_cast<uint16_t>(place)); };
  gDispatchHooks.redrawComments = DRAWCOMMENTS;
  gDispatchHooks.redrawBlockWindow = [] {
    const auto f = static_cast<int16_t>(TheFileInUse);
    if (fileReady(f) && FileSHORTS[f][kShortBlockState] == 2) DRAWBLOCK();
  };
}
