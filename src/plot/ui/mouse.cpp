#include "plot/ui/mouse.h"

#include <algorithm>

#include "output/results.h"
#include "output/ui/analysiskit.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/selection.h"
#include "plot/ui/databar.h"
#include "plot/ui/draw.h"
#include "plot/ui/infoline.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "plot/ui/selectionmarks.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int16_t kSuppressedDrawing = 10;
constexpr int kBandTop = 19;
constexpr int16_t kViewNoBlockWindow = 2;   // FileSHORTS word 7 value without a block window

bool frontSlot(int16_t* f) {
  const auto s = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(s) || !SlotHoldsFile(s)) return false;
  *f = s;
  return true;
}

int bandBottom(int16_t f) { return StackedViewShown(f) ? LastBottom : BottomOfPlotArea - 3; }

int16_t clamp16(int32_t v) { return static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX)); }

// Columns from a to b (exclusive of the larger) flipped; pointer columns
// held to the plot so that a drag outside it flips only plot pixels.
void flipStrip(int a, int b, int bottom) {
  a = std::clamp(a, 0, static_cast<int>(ScreenWidth));
  b = std::clamp(b, 0, static_cast<int>(ScreenWidth));
  if (a == b) return;
  plat::currentPort().invertRect({std::min(a, b), kBandTop, std::max(a, b), bottom + 1});
}

void setField(int win, int id, const std::string& text) {
  if (plat::controlExists(win, id)) plat::setFieldText(win, id, text);
}

// The data bar and the span field while the pointer drags over column x.
void dragReadout(int16_t f, int win, const plotcore::ViewState& v, int x, int pressX) {
  const int32_t c = std::max(0, plotcore::CaseAtPixel(v, x));
  const float interval = FileInfoFLOATS[f][kInfoInterval];
  const double s = static_cast<double>(interval) * c;
  setField(win, kDataBarCase, plotcore::DragCaseText(c, s));
  // The data bar now shows column x: back at the press column after the
  // drag, the pointer's tracking writes it again.
  LastHorizPosition = static_cast<int16_t>(x);
  setField(win, kDataBarClock, plotcore::DragClockText(FileInfoFLOATS[f][kInfoStartMinutes], s, &VarXX));
  const float value = GetDatum(f, ActiveChannel, std::min(c, nCases[f]));
  tmFloat = value;
  setField(win, kDataBarValue, plotcore::DragValueText(value));
  if (ScreenWidth > 640) {
    const std::string span = plotcore::DragSpanText(interval, plotcore::DragSpanCases(v, x - pressX));
    if (ScreenWidth > 831) setField(win, kBlockSpanField, span);
  }
}

void apply(int16_t f, const plotcore::BlockPick& b) {
  BeginBlock[f] = b.begin;
  EndBlock[f] = b.end;
  FileSHORTS[f][kShortBlockLeftPx] = clamp16(b.leftPx);
  FileSHORTS[f][kShortBlockRightPx] = clamp16(b.rightPx);
  FileSHORTS[f][kShortBlockState] = b.state;
}

void paintBlock(int16_t f) {
  if (FileSHORTS[f][kShortBlockState] == plotcore::kBlockDefined &&
      prefsArray[kPrefSuppressDrawing] != kSuppressedDrawing)
    RefreshPLOTBLOCK(0);
}

// What every completed selection does: block window, Autorepeat, menus.
void complete(int16_t f, int win) {
  chanB = static_cast<uint16_t>(std::max<int16_t>(0, ActiveChannel));
  plat::currentPort().resetPen();
  if (FileSHORTS[f][kShortBlockState] == plotcore::kBlockDefined && FileSHORTS[f][kShortView] != kViewNoBlockWindow &&
      gPlotHooks.drawBlock)
    gPlotHooks.drawBlock();
  if (Analysis_Code > 0 && prefsArray[kPrefAutorepeat] != 0) RunCommand(Cmd::AutoRepeat);
  SETMENU(1);
  if (plat::windowExists(win)) {
    plat::setCurrentPort(win);
    plat::flushWindow(win);
  }
}

void closeHistograms() {
  for (int w = kFirstHistogramWindow; w <= kLastHistogramWindow; ++w) plat::disposeWindow(w);
}

// A press taken as a click at x (no movement, or already released).
void takeClick(int16_t f, int win, const plotcore::ViewState& v, int x) {
  const int16_t state = FileSHORTS[f][kShortBlockState];
  if (prefsArray[kPrefAutoBlock] != 0) {
    RemoveEdgeLine(f);
    apply(f, plotcore::AutoBlock(v, x, ABunit, ABu));
    paintBlock(f);
    hibeep();
    complete(f, win);
    return;
  }
  if (state != plotcore::kBlockFirstEdge) {
    RemoveEdgeLine(f);
    apply(f, plotcore::FirstEdge(v, x));
    if (prefsArray[kPrefSuppressDrawing] != kSuppressedDrawing)
      DrawEdgeLine(f, FileSHORTS[f][kShortBlockLeftPx], kBandTop, bandBottom(f));
    plat::currentPort().resetPen();
    SETMENU(1);
    plat::setCurrentPort(win);
    plat::flushWindow(win);
    return;
  }
  plotcore::BlockPick first;
  first.begin = BeginBlock[f];
  first.leftPx = FileSHORTS[f][kShortBlockLeftPx];
  RemoveEdgeLine(f);
  apply(f, plotcore::SecondEdge(v, first, x));
  // As a drag leaves it: the info line names the block's span.
  if (ScreenWidth > 831 && FileSHORTS[f][kShortBlockState] == plotcore::kBlockDefined)
    SetBlockSpanText(plotcore::DragSpanText(FileInfoFLOATS[f][kInfoInterval], EndBlock[f] - BeginBlock[f]));
  paintBlock(f);
  hibeep();
  complete(f, win);
}

}  // namespace

void HandleMOUSE() {
  int16_t f;
  if (!frontSlot(&f)) return;
  const int win = PlotWindowId(f);
  if (!plat::windowExists(win)) return;
  plat::setCursor(plat::CursorKind::Cross);
  closeHistograms();
  if (printblock != 0) {
    while (plat::buttonDown()) plat::flushInput();
    plat::flushInput();
    action = eventID = 0;
    return;
  }

  const plotcore::ViewState v = PlotViewState(f);
  const int bottom = bandBottom(f);
  if (Xstep == 1 && FileSHORTS[f][kShortCompressed] == 0 && FileSHORTS[f][kShortZoomed] == 0) {
    const int64_t seg0 = plotcore::SegmentStart(std::max<int16_t>(1, FileSHORTS[f][kShortSegment]), ScreenWidth);
    FileSHORTS[f][kShortBlockLeftPx] = clamp16(static_cast<int32_t>(std::clamp<int64_t>(BeginBlock[f] - seg0, INT16_MIN, INT16_MAX)));
    FileSHORTS[f][kShortBlockRightPx] = clamp16(static_cast<int32_t>(std::clamp<int64_t>(EndBlock[f] - seg0, INT16_MIN, INT16_MAX)));
  }
  plat::setCurrentPort(win);
  const int16_t state = FileSHORTS[f][kShortBlockState];
  const int pressX = HorizPosition;
  const bool held = plat::buttonDown();
  if (held && prefsArray[kPrefSoundLevel] != 0 && state != plotcore::kBlockFirstEdge) lobeep();
  // The old band goes at any new press, held or already released: a band
  // left standing would no longer match the block state.
  if (state == plotcore::kBlockDefined) {
    RefreshPLOTBLOCK(0);
    plat::setCurrentPort(win);
  }
  if (!held) {
    takeClick(f, win, v, pressX);
    return;
  }

  plat::Port& port = plat::currentPort();
  port.resetPen();
  int lastX = pressX;
  for (bool down = true; down;) {
    plat::Point at;
    down = plat::trackDrag(win, &at);
    const int x = at.x;
    if (x == lastX) continue;
    plat::setCurrentPort(win);
    flipStrip(lastX, x, bottom);
    lastX = x;
    dragReadout(f, win, v, x, pressX);
    plat::flushWindow(win);
  }
  plat::setCurrentPort(win);
  if (lastX == pressX) {
    takeClick(f, win, v, pressX);
    return;
  }
  if (prefsArray[kPrefBlockSounds] != 0) upvip();
  // The dragged band gives way to the block's own shading, so that clearing
  // the block later flips exactly the pixels flipped now.
  flipStrip(pressX, lastX, bottom);
  RemoveEdgeLine(f);
  HorizPosition = static_cast<int16_t>(std::min(pressX, lastX));
  apply(f, plotcore::DragBlock(v, pressX, lastX));
  paintBlock(f);
  complete(f, win);
}

void CLEARBLOCK() {
  int16_t f;
  if (!frontSlot(&f)) return;
  closeHistograms();
  if (FileSHORTS[f][kShortBlockState] == plotcore::kBlockDefined) RefreshPLOTBLOCK(0);
  RemoveEdgeLine(f);
  FileSHORTS[f][kShortBlockState] = plotcore::kBlockNone;
  // downvip() also keeps quiet during a quiet script run.
  downvip();
  if (FileSHORTS[f][kShortView] != kViewNoBlockWindow) {
    const int win = PlotWindowId(f);
    if (plat::windowExists(win)) {
      plat::setCurrentPort(win);
      if (ScreenWidth > 831) SetBlockSpanText(plotcore::kBlockSpanNone);
      plat::clearFieldFocus(win);
    }
    SETMENU(0);
    if (gPlotHooks.openBlockWindow) gPlotHooks.openBlockWindow();
    if (plat::windowExists(win)) plat::flushWindow(win);
  }
}

void ResetLastBlock() {
  int16_t f;
  if (!frontSlot(&f)) return;
  if (FileSHORTS[f][kShortBlockState] == plotcore::kBlockDefined) return;
  const int32_t b = BeginBlock[f], e = EndBlock[f];
  if (b < 1 || e <= b || e > nCases[f]) return;
  RemoveEdgeLine(f);
  const plotcore::ViewState v = PlotViewState(f);
  plotcore::BlockPick p;
  p.begin = b;
  p.end = e;
  p.leftPx = plotcore::BlockEdgePixel(v, b);
  p.rightPx = plotcore::BlockEdgePixel(v, e);
  p.state = plotcore::kBlockDefined;
  apply(f, p);
  const int win = PlotWindowId(f);
  if (plat::windowExists(win)) paintBlock(f);
  complete(f, win);
}

void ExitClick(uint16_t show, uint16_t remove) {
  if (show == 0 || remove != 0) {
    if (plat::windowExists(kResultsWindow)) {
      plat::setCurrentPort(kResultsWindow);
      CurrentlyActiveWindow = kResultsWindow;
    }
    if (show == 0) return;
    if (!plat::windowExists(kResultsWindow)) return;
    plat::Port& p = plat::port(kResultsWindow);
    p.setBackColor(plat::background(kResultsWindow));
    p.clearRect({10, 215, 315, 275});
    plat::removeControl(kResultsWindow, kExitClickButton);
    return;
  }
  const int win = plat::currentPortWindow();
  if (win == 0) return;
  // The panel shows the hint's row and the button whole.
  if (win == kResultsWindow) FitResultsWindow(278);
  EmbossPrint(1, "hit  'DELETE' to reject last CASE", 18, 20, 267);
  plat::ButtonSpec b;
  b.id = kExitClickButton;
  b.title = "Done -- click to exit";
  b.r = {20, 200, 300, 240};
  plat::addButton(win, b);
}

void PlotMouseHandler(const plat::Event& e) {
  HorizPosition = static_cast<int16_t>(e.local.x);
  VerticalPosition = static_cast<int16_t>(e.local.y);
  if (e.kind != plat::EventKind::MouseDown) return;
  const int16_t slot = SlotOfPlotWindow(e.window);
  if (slot < 0 || slot != static_cast<int16_t>(TheFileInUse)) return;
  HandleMOUSE();
}

void RegisterSelectionCommands() {
  RegisterCommand(Cmd::ClearBlock, [](int16_t) { CLEARBLOCK(); });
  RegisterCommand(Cmd::ResetLastBlock, [](int16_t) { ResetLastBlock(); });
}
