#include "editing/ui/fileinfo.h"

#include <algorithm>
#include <vector>

#include "editing/ui/comments.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/autoscale.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/draw.h"
#include "plot/ui/infoline.h"
#include "plot/ui/redraw.h"
#include "scripts/ui/recorder.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/ui/sounds.h"
#include "shell/ui/about.h"


namespace {

constexpr int kRow = 13;              // summary rows
constexpr int kListTop = 24;          // first summary row
constexpr int kFullWidth = 805;
constexpr int kPanelWidth = 266;
constexpr int kLegendWidth = 316;
// Calibration columns: A-D #, A, B, C, transform, N, and the right edge.
constexpr int kCol[] = {272, 332, 417, 502, 587, 772, 801};

constexpr int kDataWidth = 641;
constexpr int kChannelRow = 22;

bool fileOpen() {
  return TheFileInUse < kMaxOpenFiles && SlotHoldsFile(static_cast<int16_t>(TheFileInUse));
}

int16_t slotInUse() { return static_cast<int16_t>(TheFileInUse); }

int plotWindowId() { return kPlotWindowBase + TheFileInUse; }

// The plot window's content, or where it would stand (as the kit places it).
plat::Rect plotContent() {
  if (fileOpen() && plat::windowExists(plotWindowId())) return plat::contentRect(plotWindowId());
  const int left = prefsArray[33] == 0 ? 94 : 2;
  return {left, 63, left + ScreenWidth, 63 + BottomOfPlotArea + 58};
}

int minWindowTop() { return plat::config().menuBarHeight + plat::config().titleBarHeight; }

// Keeps a window of that height on the display.
int fitTop(int top, int height) {
  const int bottom = plat::displaySize().h - 4;
  if (top + height > bottom) top = bottom - height;
  return std::max(top, minWindowTop());
}

void makePlotCurrent() {
  if (fileOpen() && plat::windowExists(plotWindowId())) plat::setCurrentPort(plotWindowId());
}

bool blockDefined() { return fileOpen() && FileSHORTS[TheFileInUse][kShortBlockState] == 2; }

bool colourDisplay() { return prefsArray[kPrefColourDisplay] != 0; }

plat::FontSpec captionFont(int size = 13) {
  plat::FontSpec f;
  f.family = "Lucida Grande";
  f.pixelSize = size;
  f.bold = true;
  return f;
}

plat::FontSpec valueFont(int size = 14) {
  plat::FontSpec f;
  f.family = std::to_string(OrrelinFont);
  f.pixelSize = size;
  return f;
}

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

// ---- The summary ------------------------------------------------------------------

struct Piece {
  MacText caption, value;
  bool tab = false;   // move to the second column first
};

void drawPieces(plat::Port& p, int y, const std::vector<Piece>& pieces) {
  p.moveTo(8, y);
  for (const Piece& s : pieces) {
    if (s.tab) p.moveTo(std::max(p.pen().x + 16, 560), y);
    p.setFont(captionFont());
    p.drawText(s.caption);
    p.setFont(valueFont());
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
    if (full && c == 1) name = PlotDataLineColor;
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
  if (!fileOpen() || channel < 1 || channel > kMaxChannels) return;
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
  if (!fileOpen() || mode < 0 || mode > 3) return;
  const int32_t savedHelp = HelpSubject;
  HelpSubject = kHelpFileInfo;
  const int16_t s = slotInUse();
  const int n = std::min<int>(nChannels[s], kMaxChannels);
  const bool full = mode != 0;

  if (mode != 3) closeWindow(kResultsWindow);
  if (mode <= 1) HideTheToolBar();

  const int rows = std::max(n, 16);
  const int listBottom = kListTop + rows * kRow + 8;
  const int width = full ? kFullWidth : kLegendWidth;
  const int height = full ? listBottom + 56 : listBottom;
  int left = 10, top = 70;
  if (mode <= 1) {
    const plat::Rect plot = plotContent();
    left = plot.left + 4;
    top = fitTop(plot.top + BottomOfPlotArea + 40, height);
  }
  const MacText title = (full ? "Acquisition Data for  '" : "Color Codes for  '") + FileName[s] + " '";
  BuildWINDOW(1, kFileInfoWindow, title, static_cast<int16_t>(left), static_cast<int16_t>(top),
              static_cast<int16_t>(left + width), static_cast<int16_t>(top + height), kKindDocument, 0);

  std::vector<int16_t> order;
  if (!full && ActiveChannel >= 1 && ActiveChannel <= n) order.push_back(ActiveChannel);
  for (int16_t c = 1; c <= n; ++c)
    if (full || c != ActiveChannel) order.push_back(c);

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

// ---- The file-data dialog ----------------------------------------------------------

namespace {

// What the fields showed when last filled or committed: a field still
// showing it keeps its stored value.
FileDataForm gShown;

struct ValueRow {
  int16_t field;
  const char* caption;
  std::string FileDataForm::*text;
  int maxLen;
};

int dataHeight(int channels) { return 340 + std::max(0, kChannelRow * channels - 286); }

void captionAt(plat::Port& p, int rightX, int baseline, const MacText& t) {
  p.moveTo(rightX - p.textWidth(t), baseline);
  p.drawText(t);
}

void valueField(int16_t id, const MacText& text, int top, int maxLen) {
  plat::FieldSpec f;
  f.id = id;
  f.text = text;
  f.r = {516, top, 628, top + 19};
  f.kind = plat::FieldKind::Editable;
  f.font.pixelSize = 12;
  f.maxLen = maxLen;
  plat::addField(kFileDataWindow, f);
}

FileDataForm readForm() {
  FileDataForm f;
  const int n = std::min<int>(nChannels[slotInUse()], kMaxChannels);
  for (int c = 1; c <= n; ++c)
    f.labels[static_cast<size_t>(c)] = plat::fieldText(kFileDataWindow, kLabelFieldBase + c);
  auto get = [](int16_t id) { return plat::fieldText(kFileDataWindow, id); };
  f.interval = get(kIntervalField);
  f.flow = get(kFlowField);
  f.temperature = get(kTemperatureField);
  f.pressure = get(kPressureField);
  f.effectiveVolume = get(kVolumeField);
  f.mass = get(kMassField);
  f.startDate = get(kStartDateField);
  f.startTime = get(kStartTimeField);
  f.fio2 = get(kFiO2Field);
  f.fico2 = get(kFiCO2Field);
  f.rq = get(kRQField);
  return f;
}

void setActiveChannel(int16_t c) {
  ActiveChannel = c;
  ActiveChannelArray[TheFileInUse] = c;
  FileSHORTS[TheFileInUse][kShortActiveChannel] = c;
}

}  // namespace

void LabelText() {
  if (!fileOpen() || !plat::windowExists(kFileDataWindow)) return;
  const int16_t s = slotInUse();
  const int n = std::min<int>(nChannels[s], kMaxChannels);
  const int height = dataHeight(n);
  plat::setCurrentPort(kFileDataWindow);
  plat::Port& p = plat::port(kFileDataWindow);
  gShown = FileDataFormOf(s);

  for (int16_t c = 1; c <= n; ++c) {
    const int y = 8 + (c - 1) * kChannelRow;
    plat::ButtonSpec b;
    b.id = c;
    b.kind = plat::ButtonKind::Bevel;
    b.title = "Channel" + NumText(c);
    b.r = {18, y, 98, y + 20};
    b.state = c == ActiveChannel ? 2 : 1;
    plat::addButton(kFileDataWindow, b);
    plat::FieldSpec f;
    f.id = kLabelFieldBase + c;
    f.text = gShown.labels[static_cast<size_t>(c)];
    f.r = {104, y + 1, 352, y + 20};
    f.font.pixelSize = 12;
    f.maxLen = kLabelWidth;
    plat::addField(kFileDataWindow, f);
  }

  // The marked button alone is easy to miss: a pointer shows the active channel.
  if (ActiveChannel >= 1 && ActiveChannel <= n) {
    const int y = 8 + (ActiveChannel - 1) * kChannelRow;
    p.resetPen();
    p.setForeColor(kBlack);
    p.fillPolygon({{5, y + 4}, {14, y + 10}, {5, y + 16}});
  }
  EmbossPrint(1, "Edit file data", 20, 372, 32);
  // Our icon 129 is the caution sign; this window warns of nothing, so it
  // shows the note icon.
  BuildBOX(584, 4, 630, 46);
  putCICON(130, 591, 41);

  const bool litres = prefsArray[kPrefFlowInLitres] != 0;
  // The flow caption follows the unit the flow is kept in.
  const ValueRow recording[] = {
      {kFlowField, litres ? "flow (L/min):" : "flow (ml/min):", &FileDataForm::flow, 40},
      {kTemperatureField, "flow temp (\xA1" "C):", &FileDataForm::temperature, 40},
      {kVolumeField, "eff. volume (ml):", &FileDataForm::effectiveVolume, 40},
      {kMassField, "mass (g):", &FileDataForm::mass, 40},
      {kPressureField, "B.P. (torr):", &FileDataForm::pressure, 40},
  };
  const ValueRow start[] = {
      {kStartDateField, "start date (mo-day-year):", &FileDataForm::startDate, 10},
      {kStartTimeField, "start time (hr:min:sec):", &FileDataForm::startTime, 8},
  };
  const ValueRow gases[] = {
      {kFiO2Field, "FiO2 (%):", &FileDataForm::fio2, 40},
      {kFiCO2Field, "FiCO2 (%):", &FileDataForm::fico2, 40},
      {kRQField, "RQ:", &FileDataForm::rq, 40},
  };
  p.resetPen();
  p.setForeColor(kBlack);
  p.setFont(captionFont(12));
  captionAt(p, 510, 60, "sample interval");
  captionAt(p, 510, 73, "(seconds):");
  valueField(kIntervalField, gShown.interval, 56, 40);
  int y = 80;
  auto rowsOf = [&](const auto& list) {
    for (const ValueRow& r : list) {
      p.setFont(captionFont(12));
      p.setForeColor(kBlack);
      captionAt(p, 510, y + 14, r.caption);
      valueField(r.field, gShown.*(r.text), y, r.maxLen);
      y += 21;
    }
  };
  rowsOf(recording);
  DoubleLINE(372, 630, static_cast<int16_t>(y + 3));
  y += 8;
  rowsOf(start);
  DoubleLINE(372, 630, static_cast<int16_t>(y + 3));
  y += 8;
  rowsOf(gases);

  auto push = [&](int16_t id, plat::ButtonKind kind, const char* title, int left, int right) {
    plat::ButtonSpec b;
    b.id = id;
    b.kind = kind;
    b.title = title;
    b.r = {left, height - 28, right, height - 8};
    plat::addButton(kFileDataWindow, b);
  };
  push(kShowAcquisitionButton, plat::ButtonKind::Push, "Show Acquisition Data\xC9", 8, 190);
  push(kEditCommentsButton, plat::ButtonKind::Push, "Edit Comments\xC9", 250, 392);
  push(kFileDataDone, plat::ButtonKind::DefaultPush, "Done", 541, 631);
  plat::flushWindow(kFileDataWindow);
}

FileDataCommit UpdateLabels() {
  if (!fileOpen() || !plat::windowExists(kFileDataWindow)) return {};
  const int16_t s = slotInUse();
  const FileDataForm typed = readForm();
  const FileDataCommit r = CommitFileData(s, gShown, typed);
  gShown = typed;
  if (r.refused != kRefusedNone) {
    // The refused fields show the value that was kept.
    const FileDataForm kept = FileDataFormOf(s);
    if (r.refused & kRefusedInterval) {
      gShown.interval = kept.interval;
      plat::setFieldText(kFileDataWindow, kIntervalField, kept.interval);
    }
    if (r.refused & kRefusedStartTime) {
      gShown.startTime = kept.startTime;
      plat::setFieldText(kFileDataWindow, kStartTimeField, kept.startTime);
    }
    if (r.refused & kRefusedRQ) {
      gShown.rq = kept.rq;
      plat::setFieldText(kFileDataWindow, kRQField, kept.rq);
    }
    ShowAlert(RefusalText(r.refused), "bzot");
  }
  return r;
}

void EditFileData(int16_t redraw) {
  if (!fileOpen()) return;
  const int32_t savedHelp = HelpSubject;
  HelpSubject = kHelpFileData;
  {
    float step[28] = {};
    step[1] = 29.0f;   // the operation: file data
    RecordScriptStep(step);
  }
  // The highlight is XOR: taken off here, it is put back once at the end.
  const bool bandTakenOff = redraw == 1 && blockDefined();
  if (redraw == 1) {
    makePlotCurrent();
    if (bandTakenOff) RefreshPLOTBLOCK(0);
  }

  const int16_t s = slotInUse();
  const int n = std::min<int>(nChannels[s], kMaxChannels);
  plat::Point origin{0, 0};
  if (FileSHORTS[s][kShortPlotBuilt] == 0) BottomOfPlotArea = 240;
  else origin = {plotContent().left, plotContent().top};
  const int height = dataHeight(n);
  const int left = origin.x + 4;
  int top = origin.y - 20 + BottomOfPlotArea + 62;
  if (n > 13) top -= kChannelRow * n - 286;
  top = fitTop(top, height);
  HideTheToolBar();
  wssst();
  BuildWINDOW(1, kFileDataWindow, "Channel labels  .  .  .  .  .  .  .  .  .  .  and variables",
              static_cast<int16_t>(left), static_cast<int16_t>(top), static_cast<int16_t>(left + kDataWidth),
              static_cast<int16_t>(top + height), kKindDocument, 0);
  LabelText();

  int16_t channelPicked = 0;
  {
    HandlerScope keep;
    InstallDialogHandlers();
    ClearMailbox();
    for (bool done = false; !done;) {
      plat::pump();
      if (action == kActionKey) {
        if (eventID == 13 || eventID == 3) done = true;
        else if (helpKey(eventID)) OpenHelpPage(HelpSubject);
      } else if (action == kActionClose) {
        done = true;
      } else if (action == kActionActivate && eventID != kFileDataWindow) {
        done = true;
      } else if (action == kActionClick) {
        if (eventID >= 1 && eventID <= n) {
          channelPicked = eventID;
          setActiveChannel(eventID);
          done = true;
        } else if (eventID == kFileDataDone) {
          done = true;
        } else if (eventID == kEditCommentsButton) {
          ClearMailbox();
          UpdateLabels();
          FixCOMMENTS(1);
          InstallDialogHandlers();
        } else if (eventID == kShowAcquisitionButton) {
          ClearMailbox();
          FILEINFO(FileName[s], StartDate[s], StartTime[s], 1);
          HideTheToolBar();
          if (plat::windowExists(kFileDataWindow)) {
            plat::selectWindow(kFileDataWindow);
            plat::setCurrentPort(kFileDataWindow);
          }
        }
      }
      ClearMailbox();
    }
  }

  UpdateLabels();
  makePlotCurrent();
  // Renamed labels show at once wherever the file's channels are named.
  RebuildChannelMenu();
  MakeChannelSelectionsPopUp();
  if (channelPicked) {
    FindMinMax();
    DrawPlot(0, 0, 1);
  } else {
    DRAWLABELSTUFF();
  }
  closeWindow(kFileDataWindow);
  // A redrawn plot already carries the highlight; flipping it again would
  // take it off and leave a defined block unshaded.
  if (bandTakenOff && !channelPicked && blockDefined()) RefreshPLOTBLOCK(0);
  if (blockDefined() && plat::windowExists(kBlockWindow)) DRAWBLOCK();
  RestoreTheToolBar();
  DRAWTIMEDATE();
  HelpSubject = savedHelp;
}
