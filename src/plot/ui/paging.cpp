#include "plot/ui/paging.h"

#include <algorithm>

#include "platform/controls.h"
#include "platform/windows.h"
#include "plot/geometry.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/sounds.h"

namespace {

bool frontSlot(int16_t* f) {
  const auto s = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(s) || !SlotHoldsFile(s) || !plat::windowExists(PlotWindowId(s))) return false;
  *f = s;
  return true;
}

void redraw(int16_t f) {
  plat::setCurrentPort(PlotWindowId(f));
  if (StackedViewShown(f)) {
    gPlotHooks.drawAllChannels(0);
    RefreshPLOTBLOCK(0);
    SETMENU(0);
    return;
  }
  FindMinMax();
  DrawPlot(0, 0, 1);
  // The zoom items and buttons follow the view.
  SETMENU(0);
}

int16_t segmentCount(int16_t f) {
  const int32_t n = plotcore::SegmentCount(nCases[f], ScreenWidth);
  return static_cast<int16_t>(std::clamp<int32_t>(n, 1, INT16_MAX));
}

// Segment of case k in the paged view: segment s shows SW (s-1)+1 .. SW s.
int16_t segmentOf(int16_t f, int32_t k) {
  if (ScreenWidth <= 0) return 1;
  const int32_t s = k <= 0 ? 1 : (k - 1) / ScreenWidth + 1;
  return static_cast<int16_t>(std::clamp<int32_t>(s, 1, segmentCount(f)));
}

void setSlider(int16_t f) {
  const int win = PlotWindowId(f);
  if (plat::controlExists(win, kPageSlider)) plat::setSliderValue(win, kPageSlider, FileSHORTS[f][kShortSegment]);
}

}  // namespace

void WholeFileViewToggle() {
  int16_t f;
  if (!frontSlot(&f)) return;
  if (FileSHORTS[f][kShortZoomed] != 0) {
    FileSHORTS[f][kShortZoomed] = 0;
    FileSHORTS[f][kShortCompressed] = 0;
  } else if (nCases[f] <= ScreenWidth) {
    return;
  } else if (FileSHORTS[f][kShortCompressed] != 0) {
    FileSHORTS[f][kShortCompressed] = 0;
    BaseLineButton = 1;
  } else {
    FileSHORTS[f][kShortCompressed] = 1;
  }
  redraw(f);
}

void ZOOMIN() {
  int16_t f;
  if (!frontSlot(&f)) return;
  const int32_t left = std::clamp<int32_t>(BeginBlock[f], 0, nCases[f]);
  const int32_t right = std::clamp<int32_t>(EndBlock[f], 0, nCases[f]);
  // A span of one case would divide every pixel mapping by zero.
  if (FileSHORTS[f][kShortBlockState] != 2 || right - left < 1) {
    PlayNamedSound("bzot");
    return;
  }
  zoomleft = left;
  zoomright = right;
  FileSHORTS[f][kShortZoomed] = 1;
  ZoomEffect();
  redraw(f);
}

void ZOOMOUT() {
  int16_t f;
  if (!frontSlot(&f) || FileSHORTS[f][kShortZoomed] == 0) return;
  FileSHORTS[f][kShortZoomed] = 0;
  FileSHORTS[f][kShortSegment] = segmentOf(f, plotcore::ClampZoom(zoomleft, zoomright, nCases[f]).left);
  setSlider(f);
  redraw(f);
}

void ShowSegment(int16_t segment) {
  int16_t f;
  if (!frontSlot(&f)) return;
  const int16_t old = FileSHORTS[f][kShortSegment];
  SliderEvent = 0;
  if (FileSHORTS[f][kShortZoomed] != 0) FileSHORTS[f][kShortCompressed] = 0;
  FileSHORTS[f][kShortZoomed] = 0;
  LastHorizPosition = 0;
  const int16_t segments = segmentCount(f);
  FileSHORTS[f][kShortSegment] = segment >= 1 && segment <= segments ? segment : old;
  setSlider(f);
  // The whole-file view shows every segment already.
  if (FileSHORTS[f][kShortCompressed] != 0) return;
  redraw(f);
}

void PageStep(int direction) {
  int16_t f;
  if (!frontSlot(&f) || nCases[f] <= ScreenWidth) return;
  const int16_t segments = segmentCount(f);
  int s = std::clamp<int>(FileSHORTS[f][kShortSegment], 1, segments) + direction;
  if (s < 1) s = segments;
  if (s > segments) s = 1;
  ShowSegment(static_cast<int16_t>(s));
}

void ShowCaseInPlot(int16_t slot, int32_t caseNumber) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return;
  if (slot != static_cast<int16_t>(TheFileInUse)) BringFileToFront(slot);
  int16_t f;
  if (!frontSlot(&f) || f != slot) return;
  const int32_t k = std::clamp<int32_t>(caseNumber, 0, nCases[f]);
  if (FileSHORTS[f][kShortZoomed] != 0) {
    const plotcore::ZoomSpan z = plotcore::ClampZoom(zoomleft, zoomright, nCases[f]);
    if (k >= z.left && k <= z.right) return;
  } else if (FileSHORTS[f][kShortCompressed] != 0 && nCases[f] > ScreenWidth) {
    return;
  } else if (segmentOf(f, k) == FileSHORTS[f][kShortSegment]) {
    return;
  }
  ShowSegment(segmentOf(f, k));
}

void PageSliderMoved() {
  int16_t f;
  if (!frontSlot(&f)) return;
  const int win = PlotWindowId(f);
  if (!plat::windowExists(win) || !plat::controlExists(win, kPageSlider)) return;
  ShowSegment(static_cast<int16_t>(std::clamp(plat::sliderValue(win, kPageSlider), 0, 32767)));
}

void TogglePlotAsHistogram() {
  PlotAsHistogram = PlotAsHistogram != 0 ? 0 : 1;
  int16_t f;
  if (!frontSlot(&f)) return;
  plat::setCurrentPort(PlotWindowId(f));
  DrawPlot(0, 0, 1);
}
