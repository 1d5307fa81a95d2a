#include "plot/ui/plotwindow.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/app.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kitglobals.h"
#include "datafiles/filehelpers.h"

namespace {

constexpr int kPrefToolbarPosition = 33;
constexpr int kLineHeight = 17;

std::string durationText(double seconds) {
  if (!std::isfinite(seconds)) return "?";
  if (seconds < 120) return TrimTrailingBlanks(FieldNumText(seconds)) + " s";
  if (seconds < 3600) return FieldNumText(std::round(seconds / 6.0) / 10.0) + " min";
  return FieldNumText(std::round(seconds / 36.0) / 100.0) + " h";
}

}  // namespace

PlotGeometry ComputePlotGeometry(plat::Size display, bool toolbarAtLeft, int topOfContent) {
  PlotGeometry g;
  int sw = display.w, sh = display.h;
  if (display.w > 831) {
    sw = display.w - 150 < 1801 ? display.w - 150 : 1800;
    sh = display.h - 35 < 801 ? display.h - 35 : 800;
  }
  int bottom = sh - 410 < 401 ? sh - 410 : 356;
  // A very low display would leave no plot area at all.
  bottom = std::max(bottom, 150);
  sw = std::max(sw, 550);
  const int left = toolbarAtLeft ? 94 : 2;
  const int top = std::max(41, topOfContent);
  g.content = {left, top, sw + 91, top + bottom + 80 - 41};
  g.screenWidth = static_cast<int16_t>(g.content.width());
  g.screenHeight = static_cast<int16_t>(sh);
  g.bottomOfPlotArea = static_cast<int16_t>(bottom);
  g.minSize = {640, 250};
  g.maxSize = {std::max(display.w, g.content.width()), std::max(display.h - 400, g.content.height())};
  return g;
}

int16_t SlotOfPlotWindow(int windowId) {
  const int slot = windowId - 1000;
  return slot >= 0 && slot < kMaxOpenFiles ? static_cast<int16_t>(slot) : int16_t{-1};
}

void OpenPlotWindow(int16_t slot) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return;
  const plat::Config& cfg = plat::config();
  const PlotGeometry g = ComputePlotGeometry(plat::displaySize(), prefsArray[kPrefToolbarPosition] == 0,
                                             cfg.menuBarHeight + cfg.titleBarHeight);
  ScreenHeight = g.screenHeight;
  BottomOfPlotArea = g.bottomOfPlotArea;

  plat::WindowSpec w;
  w.id = PlotWindowId(slot);
  w.title = FileName[slot].empty() ? plat::MacText("Untitled") : FileName[slot];
  w.content = g.content;
  w.cls = plat::WindowClass::Document;
  w.closeBox = true;
  w.resizable = true;
  w.minSize = g.minSize;
  w.maxSize = g.maxSize;
  w.background = gray;
  // Several files open: each window a little lower, so every title shows.
  const int16_t open = CountOpenFiles();
  const int shift = 18 * std::max(0, std::min<int>(open - 1, 8));
  w.content = w.content.offset(shift, shift);
  plat::createWindow(w);
  ScreenWidth = static_cast<int16_t>(plat::contentSize(w.id).w);
  FileSHORTS[slot][kShortPlotBuilt] = 1;
  FileSHORTS[slot][kShortCompressed] = nCases[slot] > ScreenWidth ? 1 : 0;
  DrawPlotSummary(slot);
}

void DrawPlotSummary(int16_t slot) {
  const int win = PlotWindowId(slot);
  if (!ValidFileSlot(slot) || !plat::windowExists(win)) return;
  plat::Port& p = plat::port(win);
  p.resetPen();
  p.setBackColor(gray);
  p.clearRect(p.bounds());
  p.setForeColor(kBlack);

  plat::FontSpec head;
  head.pixelSize = 16;
  head.bold = true;
  p.setFont(head);
  int y = 28;
  p.moveTo(16, y);
  p.drawText(FileName[slot]);

  plat::FontSpec body;
  body.pixelSize = 12;
  p.setFont(body);
  const auto line = [&](const std::string& text, int x = 16) {
    y += kLineHeight;
    p.moveTo(x, y);
    p.drawText(text);
  };
  y += 6;
  const double interval = FileInfoFLOATS[slot][kInfoInterval];
  line("Cases:" + MakeCaseNumber(nCases[slot]) + "     Sample interval: " + FieldNumText(interval) +
       " s     Duration: " + durationText(interval * nCases[slot]));
  line("Start: " + StartDate[slot] + "  " + StartTime[slot]);
  line("Markers: " + FieldNumText(static_cast<double>(MarkerCount(slot))) +
       "     Notes: " + FieldNumText(static_cast<double>(NumberOfNotes[slot])));
  y += 6;
  line("Channels:");
  const int perColumn = std::max(1, (p.bounds().height() - y - 40) / kLineHeight);
  const int firstY = y;
  for (int16_t c = 1; c <= nChannels[slot]; ++c) {
    const int column = (c - 1) / perColumn;
    if (column > 0 && (c - 1) % perColumn == 0) y = firstY;
    std::string label = TrimTrailingBlanks(RetrieveLabelOf(slot, c));
    if (label.empty()) label = "(no label)";
    const std::string mark = c == ActiveChannelArray[slot] ? "  \xA5" : "";   // bullet: active
    line(NumText(c) + "  " + label + mark, 28 + column * 300);
  }
  p.moveTo(16, p.bounds().height() - 14);
  p.setForeColor(darkGray);
  p.drawText("The plot of the data is not drawn by this version of Corvimet.");
  p.setForeColor(kBlack);
  plat::flushWindow(win);
}

void ClosePlotWindow(int16_t slot) {
  if (!ValidFileSlot(slot)) return;
  plat::disposeWindow(PlotWindowId(slot));
  FileSHORTS[slot][kShortPlotBuilt] = 0;
}
