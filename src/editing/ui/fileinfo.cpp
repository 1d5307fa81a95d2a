#include "editing/ui/fileinfo.h"

#include <algorithm>
#include <vector>

#include "editing/fileinfo.h"
#include "editing/ui/filewindows.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/help.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int kRow = 13;              // summary rows
constexpr int kListTop = 24;          // first summary row
constexpr int kFullWidth = 805;
constexpr int kPanelWidth = 266;
constexpr int kLegendWidth = 316;
// Calibration columns: A-D #, A, B, C, transform, N, and the right edge.
constexpr int kCol[] = {272, 332, 417, 502, 587, 772, 801};

int16_t slotInUse() { return static_cast<int16_t>(TheFileInUse); }

int plotWindowId() { return kPlotWindowBase + TheFileInUse; }

bool colourDisplay() { return prefsArray[kPrefColourDisplay] != 0; }

plat::FontSpec tableFont(bool bold = false) {
  plat::FontSpec f;
  f.family = "Lucida Grande";
  f.pixelSize = 11;
  f.bold = bold;
  return f;
}

void textAt(plat::Port& p, int x, int y, const MacText& t) {
  p.moveTo(x, y);
  p.drawText(t);
}

void vline(plat::Port& p, int x, int y1, int y2) {
  p.moveTo(x, y1);
  p.lineTo(x, y2);
}

// Help keys work wherever no field takes them.
bool helpKey(int code) { return code == '?' || code == '/'; }

struct Piece {
  MacText caption, value;
  bool tab = false;   // move to the second column first
};

void drawPieces(plat::Port& p, int y, const std::vector<Piece>& pieces) {
  p.moveTo(8, y);
  for (const Piece& s : pieces) {
    if (s.tab) p.moveTo(std::max(p.pen().x + 16, 560), y);
    p.setFont(FileWindowCaptionFont());
    p.drawText(s.caption);
    p.setFont(OrrelinFace(14));
    p.drawText(s.value);
  }
}

void drawSummaryLines(plat::Port& p, int y0, int width, int channels) {
  const int16_t s = slotInUse();
  const float* info = FileInfoFLOATS[s];
  if (channels < kMaxChannels) DoubleLINE(4, static_cast<int16_t>(width - 4), static_cast<int16_t>(y0));
  p.setForeColor(kBlack);
  drawPieces(p, y0 + 22,
             {{" cases: ", CaseCountText(nCases[s])},
              {"      markers: ", NumText(static_cast<int32_t>(MarkerCount(s)))},
              {"      interval ", NumText(info[kInfoInterval]) + " sec,"},
              {" duration ", DurationText(info[kInfoInterval], nCases[s])},
              {"flow rate ", FlowRateText(info[kInfoFlow], prefsArray[kPrefFlowInLitres] != 0), true}});
  drawPieces(p, y0 + 44,
             {{" B.P. ", NumText(info[kInfoPressure]) + " torr "},
              {"      Ta ", NumText(info[kInfoTemperature]) + " \xA1" "C"},
              {"    effective volume ", NumText(info[kInfoEffectiveVolume]) + " ml"},
              {"      mass ", NumText(info[kInfoMass]) + " g"},
              {"A-D device:  ", DeviceName(info[kInfoDevice]), true}});
}

// Channel names in their trace colours need the plot's own ground to be seen.
void drawChannelPanel(plat::Port& p, int width, const std::vector<int16_t>& order, bool full,
                      int rows) {
  const plat::Rgb16 ground = colourDisplay() ? plotBackColor : kWhite;
  const plat::Rgb16 text = colourDisplay() ? plotForeColor : kBlack;
  const plat::Rect panel{4, 4, width - 4, kListTop + rows * kRow + 2};
  p.resetPen();
  p.setForeColor(ground);
  p.fillRect(panel);
  BuildBOX(static_cast<int16_t>(panel.left), static_cast<int16_t>(panel.top),
           static_cast<int16_t>(panel.right), static_cast<int16_t>(panel.bottom));
  p.setForeColor(text);
  p.setFont(tableFont(true));
  textAt(p, 10, 18, "Channel              label");
  const plat::Rgb16 grid = colourDisplay() ? plat::Rgb16{0x5555, 0x5555, 0x5555} : LightGray;
  for (size_t i = 0; i < order.size(); ++i) {
    const int16_t c = order[i];
    const int y = kListTop + static_cast<int>(i) * kRow;
    p.setForeColor(grid);
    p.moveTo(panel.left + 1, y);
    p.lineTo(panel.right - 2, y);
    plat::Rgb16 name = OverlayColor[c];
    // The trace of the plotted channel is drawn in the plot's own colour.
    if (full ? c == 1 : c == ActiveChannel) name = PlotDataLineColor;
    if (!colourDisplay()) name = kBlack;
    p.setFont(tableFont(true));
    p.setForeColor(name);
    textAt(p, 10, y + 10, "Channel" + NumText(c));
    p.setFont(tableFont());
    p.setForeColor(text);
    textAt(p, 84, y + 10, TrimTrailingBlanks(RetrieveLabel(c)));
  }
}

void drawCalibrationHeadings(plat::Port& p) {
  p.resetPen();
  p.setForeColor(kBlack);
  p.setFont(tableFont(true));
  static const char* kHeads[] = {"A-D #", "A value", "B value", "C value", "transform", "N"};
  for (int i = 0; i < 6; ++i) textAt(p, kCol[i] + 2, 18, kHeads[i]);
  p.setForeColor(kMediumDarkGray);
  p.moveTo(kCol[0], kListTop - 1);
  p.lineTo(kCol[6], kListTop - 1);
  for (int i = 1; i < 6; ++i) vline(p, kCol[i] - 3, 6, kListTop - 1);
}

void closeWindow(int id) { plat::disposeWindow(id); }

}  // namespace

void A_to_D_INFO(int16_t channel, int16_t y) {
  if (!FileInUseOpen() || channel < 1 || channel > kMaxChannels) return;
  const int16_t s = slotInUse();
  const CalibrationRow row = CalibrationRowOf(nVar[s][channel], CubicTermsOf(s));
  plat::Port& p = plat::currentPort();
  p.resetPen();
  p.setFont(tableFont());
  p.setForeColor(kBlack);
  const int base = y + 10;
  textAt(p, kCol[0], base, row.adNumber);
  textAt(p, kCol[1], base, row.a);
  textAt(p, kCol[2], base, row.b);
  textAt(p, kCol[3], base, row.c);
  textAt(p, kCol[4] + 2, base, row.transform);
  textAt(p, kCol[5] + 4, base, row.n);
  // A row-wide text runs over the columns it needs; the rules stop there.
  int wideEnd = kCol[1] - 3;
  if (!row.wide.empty()) {
    const int from = row.adNumber.empty() ? kCol[0] : kCol[1];
    const int limit = row.transform.empty() ? kCol[5] - 6 : kCol[4] - 6;
    p.setClip({from, y, limit, y + kRow});
    textAt(p, from, base, row.wide);
    p.clearClip();
    wideEnd = std::min(limit, from + p.textWidth(row.wide) + 4);
  }
  p.setForeColor(LightGray);
  p.moveTo(kCol[0] - 2, y);
  p.lineTo(kCol[6], y);
  p.setForeColor(kMediumDarkGray);
  for (int i = 1; i < 6; ++i)
    if (row.wide.empty() || kCol[i] - 3 > wideEnd) vline(p, kCol[i] - 3, y, y + kRow - 1);
}

void FILEINFO(const MacText&, const MacText&, const MacText&, int16_t mode) {
  if (!FileInUseOpen() || mode < 0 || mode > 3) return;
  const int32_t savedHelp = HelpSubject;
  HelpSubject = kHelpFileInfo;
  const int16_t s = slotInUse();
  const int n = std::min<int>(nChannels[s], kMaxChannels);
  const bool full = mode != 0;

  if (mode != 3) closeWindow(kResultsWindow);
  if (mode <= 1) HideTheToolBar();

  std::vector<int16_t> order;
  if (!full && ActiveChannel >= 1 && ActiveChannel <= n) order.push_back(ActiveChannel);
  // The legend names what the plot shows: the active channel and the overlaid ones.
  for (int16_t c = 1; c <= n; ++c)
    if (full || (c != ActiveChannel && OverlayArray[s][1][c] != 0)) order.push_back(c);

  const int rows = full ? std::max(n, 16) : std::max<int>(static_cast<int>(order.size()), 1);
  const int listBottom = kListTop + rows * kRow + 8;
  const int width = full ? kFullWidth : kLegendWidth;
  const int height = full ? listBottom + 56 : listBottom;
  int left = 10, top = 70;
  if (mode <= 1) {
    const plat::Rect plot = PlotContentOfFileInUse();
    left = plot.left + 4;
    top = FitWindowTop(plot.top + BottomOfPlotArea + 40, height);
  }
  const MacText title = (full ? "Acquisition Data for  '" : "Color Codes for  '") + FileName[s] + " '";
  BuildWINDOW(1, kFileInfoWindow, title, static_cast<int16_t>(left), static_cast<int16_t>(top),
              static_cast<int16_t>(left + width), static_cast<int16_t>(top + height), kKindDocument, 0);

  plat::Port& p = plat::port(kFileInfoWindow);
  drawChannelPanel(p, full ? kPanelWidth : width, order, full, rows);
  if (full) {
    drawCalibrationHeadings(p);
    for (size_t i = 0; i < order.size(); ++i)
      A_to_D_INFO(order[i], static_cast<int16_t>(kListTop + static_cast<int>(i) * kRow));
    drawSummaryLines(p, listBottom, width, n);
  }
  plat::flushWindow(kFileInfoWindow);

  if (mode == 1) {
    HandlerScope keep;
    bool picked = false;
    auto& h = plat::handlers();
    h.dialog = DoDIALOG;
    h.mouse = noMOUSE;
    h.editKey = CHECKRETURN;
    // The pick stays in the mailbox for the main loop to run.
    h.menu = [&picked](const plat::Event& e) {
      HANDLEMENU(e);
      picked = true;
    };
    ClearMailbox();
    for (bool done = false; !done;) {
      plat::pump();
      if (action == kActionClose) done = true;
      else if (action == kActionActivate && eventID != kResultsWindow && eventID != kCommentsEditorWindow &&
               eventID != kFileInfoWindow)
        done = true;
      else if (action == kActionKey && helpKey(eventID)) OpenHelpPage(HelpSubject);
      done = done || picked || MENU_or_ToolBar_PICKED != 0;
      if (!picked) ClearMailbox();
    }
    closeWindow(kFileInfoWindow);
  }

  if (mode <= 1) RestoreTheToolBar();
  const int current = mode == 2 ? kCommentsEditorWindow : mode == 3 ? kResultsWindow : plotWindowId();
  if (plat::windowExists(current)) {
    plat::setCurrentPort(current);
    CurrentlyActiveWindow = static_cast<int16_t>(current);
  }
  bup();
  HelpSubject = savedHelp;
}
