#include "plot/ui/infoline.h"

#include <algorithm>

#include "datafiles/datafile.h"
#include "output/kittexts.h"
#include "output/numberformat.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/selection.h"
#include "plot/ui/databar.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "plot/ui/selectionmarks.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/timeunits.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/sounds.h"

float tracelength = 0.0f;

namespace {

constexpr int kStepFlashes = 5;
constexpr int kStepFlashMs = 20;

bool frontPlot(int16_t* slot, int* win) {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(f) || !SlotHoldsFile(f)) return false;
  if (!plat::windowExists(PlotWindowId(f))) return false;
  *slot = f;
  *win = PlotWindowId(f);
  return true;
}

plat::FontSpec font(const char* family, int px, bool bold = false) {
  plat::FontSpec s;
  s.family = family;
  s.pixelSize = px;
  s.bold = bold;
  return s;
}

void staticField(int win, int id, const std::string& text, plat::Rect r, plat::Rgb16 fore, plat::Rgb16 back,
                 const plat::FontSpec& f, bool framed = false) {
  plat::FieldSpec s;
  s.id = id;
  s.text = text;
  s.r = r;
  s.kind = plat::FieldKind::Static;
  s.framed = framed;
  s.fore = fore;
  s.back = back;
  s.font = f;
  plat::addField(win, s);
}

void pushButton(int win, int id, const std::string& title, plat::Rect r, int state) {
  plat::ButtonSpec b;
  b.id = id;
  b.title = title;
  b.r = r;
  b.state = state;
  b.font = font("application", 11);
  plat::addButton(win, b);
}

// An overlay stands on the plot only in the single view, kept on every
// plot, of a channel other than the active one: the stacked view uses the
// same flags for its strips, and a "This Plot Only" overlay is gone with
// the next redraw.
bool overlayDrawn(int16_t f) {
  if (StackedViewShown(f) || prefsArray[kPrefOverlayAll] == 0) return false;
  for (int c = 1; c <= nChannels[f] && c <= kMaxChannels; ++c)
    if (OverlayArray[f][1][c] != 0 && c != ActiveChannel) return true;
  return false;
}

const plat::Rgb16 kRed{0xFFFF, 0, 0};
const plat::Rgb16 kBlue{0, 0, 0xFFFF};

}  // namespace

void DRAWTIMEDATE() {
  int16_t f;
  int win;
  if (!frontPlot(&f, &win)) return;
  plat::setCurrentPort(win);
  plat::Port& p = plat::port(win);
  const int W = ScreenWidth;
  const float interval = FileInfoFLOATS[f][kInfoInterval];

  if (RecordSCRIPT == 0) {
    p.setBackColor(LightGray);
    plat::removeControl(win, kInfoStepField);
    std::string text;
    plat::Rgb16 fore = kBlack, back = ExtremelyLightGray;
    if (FileJustLoaded != 0 && RunScript != 0) {
      text = plotcore::kScriptRunningText;
      fore = kWhite;
      back = kBlue;
    } else {
      tracelength = interval * static_cast<float>(W);
      minutes = tracelength > 600.0f ? 1 : 0;
      if (minutes) tracelength = static_cast<float>(SecondsToMinutes(tracelength));
      p.clearRect({0, 0, W - 71, 18});
      text = plotcore::InfoLineText(StartDate[f], StartTime[f], interval);
    }
    staticField(win, kInfoFileField, text, {358, 1, 635, 17}, fore, back, font("application", 11));
  } else {
    staticField(win, kInfoFileField, plotcore::kRecordingScriptText, {353, 1, 516, 17}, kRed, kWhite,
                font("Geneva", 12, true));
    staticField(win, kInfoStepField, plotcore::StepCounterText(ScriptCOUNT), {517, 1, 635, 16}, kWhite, kRed,
                font("Geneva", 12, true), true);
  }

  // The data bar, empty until the pointer moves over the plot.
  for (int id : {kDataBarCase, kDataBarClock, kDataBarValue}) {
    const plat::FieldSpec s = DataBarField(id);
    staticField(win, id, "", s.r, s.fore, s.back, s.font);
  }
  p.resetPen();
  p.setForeColor(kBlack);
  p.strokeRect({2, 0, 358, 16});

  if (W > 831) {
    std::string span = plat::controlExists(win, kBlockSpanField) ? plat::fieldText(win, kBlockSpanField) : "";
    if (FileSHORTS[f][kShortBlockState] == plotcore::kBlockNone || span.empty()) span = plotcore::kBlockSpanNone;
    staticField(win, kInfoBlockLabel, "block:", {641, 1, 685, 16}, kBlack, LightGray, font("system", 12));
    staticField(win, kBlockSpanField, span, {686, 1, 778, 16}, kBlue, ExtremelyLightGray, font("application", 11),
                true);
  } else {
    plat::removeControl(win, kInfoBlockLabel);
    plat::removeControl(win, kBlockSpanField);
  }

  if (W > 951) {
    if (MarkerCount(f) == 0) pushButton(win, kMarkersButton, "Show Markers", {782, 0, 880, 17}, 0);
    else
      pushButton(win, kMarkersButton, prefsArray[kPrefMarkersShown] != 0 ? "Hide Markers" : "Show Markers",
                 {782, 0, 880, 17}, 1);
  } else {
    plat::removeControl(win, kMarkersButton);
  }
  if (W > 1030 && overlayDrawn(f)) pushButton(win, kClearOverlayButton, "Clear Overlay", {885, 0, 980, 17}, 1);
  else plat::removeControl(win, kClearOverlayButton);
  p.setBackColor(gray);
}

namespace {

// A text on the plot's own background whatever lies under it: drawn again
// over the white block band, white text would vanish.
void drawOnPlotBack(plat::Port& p, int x, int y, const std::string& t) {
  const plat::Port::Metrics m = p.metrics();
  // Inside the plot's frame (rows 18 and B - 3).
  p.clearRect({x, std::max(y - m.ascent, 19), x + p.textWidth(t), std::min(y + m.descent, BottomOfPlotArea - 3)});
  p.moveTo(x, y);
  p.drawText(t);
}

}  // namespace

void DRAWLABELSTUFF() {
  int16_t f;
  int win;
  if (!frontPlot(&f, &win)) return;
  plat::Port& p = plat::port(win);
  p.setBackColor(plotBackColor);
  p.setForeColor(plotForeColor);
  const bool large = prefsArray[kPrefLargeLabels] != 0;
  prefsArray[kPrefLabelSize] = large ? 14 : 12;
  p.setFont(font("application", prefsArray[kPrefLabelSize]));
  const plotcore::Scale scale = CurrentScale();
  const std::string top = plotcore::ScaleEndText(maximumValue, scale, RealText(maximumValue));
  const std::string bottom = plotcore::ScaleEndText(minimumValue, scale, RealText(minimumValue));
  drawOnPlotBack(p, YLabelX(top, 1), large ? 33 : 29, top + "     ");
  if (static_cast<int16_t>(ScaleMode) < 1) drawOnPlotBack(p, YLabelX(bottom, 0), BottomOfPlotArea - 5, bottom + "     ");
  plotcore::LabelLineInput in;
  in.activeChannel = ActiveChannel;
  in.nChannels = nChannels[f];
  in.label = RetrieveLabelOf(f, ActiveChannel);
  in.fftChannel = chanB;
  in.paged = nCases[f] > ScreenWidth && FileSHORTS[f][kShortCompressed] == 0;
  in.segment = FileSHORTS[f][kShortSegment];
  in.segments = FileSHORTS[f][kShortSegments];
  in.resultsPort = PortForResultsOutput;
  in.resultsFile = filestrings[2];
  drawOnPlotBack(p, 100, 33, plotcore::LabelLineText(in));
  p.setForeColor(kBlack);
  p.setFont(font("application", 10));
  if (PortForResultsOutput != 0) TabFileDATABAR();
}

void TabFileDATABAR() {
  int16_t f;
  int win;
  if (!frontPlot(&f, &win)) return;
  plat::removeControl(win, kTabularCounterField);
  if (ScreenWidth < 1100) return;
  // The channel pop-up may stand where another width put it: the counter
  // ends before it rather than running under it.
  int right = ScreenWidth - 105;
  if (plat::controlExists(win, kChannelPopup)) right = std::min(right, plat::controlFrame(win, kChannelPopup).left - 1);
  staticField(win, kTabularCounterField, plotcore::TabularCounterText(Nresults), {884, 2, right, 16}, kBlack, gray,
              font("application", 9));
}

void FLASHSCRIPTsequenceStep() {
  const std::string text = plotcore::StepCounterText(ScriptCOUNT);
  if (ScriptCOUNT == kLastRecordedStep) RecordSCRIPT = 0;
  upvip();
  int16_t f;
  int win;
  if (!frontPlot(&f, &win)) return;
  for (int round = 1; round <= kStepFlashes; ++round) {
    staticField(win, kInfoStepField, text, {517, 1, 635, 16}, round % 2 == 1 ? kWhite : kRed, kRed,
                font("Geneva", 12, true), true);
    plat::flushWindow(win);
    plat::delayMs(kStepFlashMs);
  }
  plat::port(win).setBackColor(LightGray);
}

void SetBlockSpanText(const std::string& text) {
  int16_t f;
  int win;
  if (!frontPlot(&f, &win)) return;
  if (ScreenWidth > 831 && plat::controlExists(win, kBlockSpanField)) plat::setFieldText(win, kBlockSpanField, text);
}

void LabelLineAfterRepaint() {
  ForgetSelectionMarks(static_cast<int16_t>(TheFileInUse));
  DRAWLABELSTUFF();
}

void InstallInfoLineHooks() {
  gPlotHooks.drawTimeDate = DRAWTIMEDATE;
  gPlotHooks.drawLabelStuff = LabelLineAfterRepaint;
}
