#include "plot/ui/selectionmarks.h"

#include "platform/windows.h"
#include "plot/ui/draw.h"
#include "shell/ui/windowids.h"

namespace {

struct EdgeLine {
  int16_t slot = -1;
  int x = 0;
  int top = 0;
  int bottom = 0;
};
EdgeLine gEdge;

}  // namespace

void DrawEdgeLine(int16_t slot, int x, int top, int bottom) {
  plat::setCurrentPort(PlotWindowId(slot));
  PaintBlockBand(x, x, top, bottom);
  gEdge = {slot, x, top, bottom};
}

void RemoveEdgeLine(int16_t slot) {
  if (gEdge.slot != slot) return;
  if (plat::windowExists(PlotWindowId(slot))) {
    plat::setCurrentPort(PlotWindowId(slot));
    PaintBlockBand(gEdge.x, gEdge.x, gEdge.top, gEdge.bottom);
  }
  gEdge.slot = -1;
}

void ForgetSelectionMarks(int16_t slot) {
  if (gEdge.slot == slot) gEdge.slot = -1;
}
