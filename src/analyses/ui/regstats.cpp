// The parts both line fits share: the statistics panel and slope tests in
// window 4, the long-plot notice, the residuals window and the prediction
// window.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "analyses/linefit.h"
#include "analyses/statspanel.h"
#include "analyses/ui/regression.h"
#include "datafiles/save.h"
#include "output/results.h"
#include "output/stats.h"
#include "output/tabular.h"
#include "output/ui/analysiskit.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

plat::FontSpec face(int size, bool bold = false) {
  plat::FontSpec f;
  f.pixelSize = size;
  f.bold = bold;
  return f;
}

void staticField(int win, int16_t id, const std::string& text, plat::Rect r, plat::Rgb16 fore, plat::Rgb16 back,
                 int size = 12, bool bold = false) {
  if (plat::controlExists(win, id)) {
    plat::setFieldText(win, id, text);
    plat::setFieldColors(win, id, fore, back);
    return;
  }
  AddTextField(win, id, text, r, plat::FieldKind::Static, fore, back, size, bold);
}

void editField(int win, int16_t id, const std::string& text, plat::Rect r) {
  AddTextField(win, id, text, r, plat::FieldKind::Editable, {0, 0, 0}, lightBlue);
}

void label(const std::string& text, int x, int y, int size, plat::Rgb16 colour = {0, 0, 0}) {
  plat::Port& p = plat::currentPort();
  p.setPenMode(plat::PenMode::Copy);
  p.setFont(face(size));
  p.setForeColor(colour);
  p.moveTo(x, y);
  p.drawText(text);
}

void clearBand(int win, plat::Rect r) {
  plat::Port& p = plat::currentPort();
  p.setPenMode(plat::PenMode::Copy);
  p.setForeColor(plat::background(win));
  p.fillRect(r);
}

bool resultsReady() {
  if (!plat::windowExists(kResultsWindow)) return false;
  plat::setCurrentPort(kResultsWindow);
  return true;
}

// The results window comes forward again, so that its buttons take the
// next click rather than the click that activates it.
void backTo(int previous) {
  if (!previous || !plat::windowExists(previous)) return;
  plat::selectWindow(previous);
  plat::setCurrentPort(previous);
}

}  // namespace

// ---- The window both fits run in ---------------------------------------------------------

bool LineFitBlockDefined(int16_t slot) { return SlotHasBlock(slot); }

plat::Rect LineFitWindowBesidePlot(int width, int height, int drop) {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  plat::Rect plot{40, 60, 680, 500};
  if (ValidFileSlot(slot) && plat::windowExists(PlotWindowId(slot))) plot = plat::contentRect(PlotWindowId(slot));
  const int left = std::max(0, plot.right - width - 10);
  return {left, plot.top + drop, left + width, plot.top + drop + height};
}

void MakeLineFitResultsCurrent() {
  if (plat::windowExists(kResultsWindow)) plat::setCurrentPort(kResultsWindow);
}

void AddLineFitButton(int win, int16_t id, const std::string& title, plat::Rect r, bool isDefault) {
  if (plat::controlExists(win, id)) return;
  AddKitButton(win, id, isDefault ? plat::ButtonKind::DefaultPush : plat::ButtonKind::Push, title, r);
}

void AddSlopeTestValueField() {
  plat::FieldSpec tv;
  tv.id = kRegTestValueField;
  tv.text = "1";
  tv.r = {90, 176, 146, 192};
  tv.back = lightBlue;
  plat::addField(kResultsWindow, tv);
}

void AddLineFitTextLine(int16_t id, const std::string& text, plat::Rect r) {
  AddPlainLabel(kResultsWindow, id, text, r, 11);
}

bool FitLineOfRun(LineFitRun& run, LineFit* fit) {
  run.ok = FitLine(run.fit, fit) == FitStatus::Ok;
  if (run.ok) {
    StoreLineFit(*fit);
    run.n = fit->n;
  }
  return run.ok;
}

void DrawLineOverBlock(float a, float b, const std::function<std::vector<plat::Point>(int width)>& pointsFor) {
  if (!plat::windowExists(kBlockWindow) || !std::isfinite(a) || !std::isfinite(b)) return;
  plat::Port& p = plat::port(kBlockWindow);
  const int w = plat::contentSize(kBlockWindow).w;
  p.resetPen();
  p.setPenMode(plat::PenMode::Xor);
  const std::vector<plat::Point> points = pointsFor(w);
  std::vector<plat::Point> segs;
  for (size_t k = 1; k < points.size(); ++k) {
    segs.push_back(points[k - 1]);
    segs.push_back(points[k]);
  }
  if (!segs.empty()) p.drawSegments(segs.data(), segs.size() / 2);
  p.resetPen();
  plat::flushWindow(kBlockWindow);
}

LineFitEvent NextLineFitEvent(int16_t helpSubject, int16_t* outAction, int16_t* outId) {
  const auto [a, id] = TakeEvent();
  *outAction = a;
  *outId = id;
  if (!plat::windowExists(kResultsWindow)) return LineFitEvent::Leave;
  HelpSubject = helpSubject;
  if (a == kActionClose) return id == kResultsWindow ? LineFitEvent::Leave : LineFitEvent::Skip;
  if (a == kActionClick && IsDeferredToolbarClick(id)) {
    DeferToolbarClick(id);
    return LineFitEvent::Leave;
  }
  if (MENU_or_ToolBar_PICKED) return LineFitEvent::Leave;
  if (a == kActionKey && (id == 13 || id == 3)) return RunScript ? LineFitEvent::Leave : LineFitEvent::Skip;
  if (a == kActionActivate) {
    const bool ours = id == kResultsWindow || id == kBlockWindow || id == kFilterNoticeWindow;
    return ours ? LineFitEvent::Skip : LineFitEvent::Leave;
  }
  return LineFitEvent::Handle;
}

void CloseLineFitWindow(int16_t slot) {
  plat::disposeWindow(kResultsWindow);
  plat::flushInput();
  plat::disposeWindow(kFilterNoticeWindow);
  bup();
  if (LineFitBlockDefined(slot)) REFRESHBLOCK();
  if (plat::windowExists(PlotWindowId(slot))) plat::setCurrentPort(PlotWindowId(slot));
  RunPendingToolbarCommand();
}

bool EndsLineFitDialog(int16_t a, int16_t id, int win, int16_t done) {
  return (a == kActionClick && id == done) || (a == kActionKey && (id == 13 || id == 3)) ||
         (a == kActionClose && id == win) || (a == kActionActivate && id != win);
}

// ---- Statistics panel --------------------------------------------------------------------

void REGRESSIONSTATS(int32_t n) {
  if (!resultsReady()) return;
  const int win = kResultsWindow;
  EraseDiskIcon();
  const auto slot = static_cast<int16_t>(TheFileInUse);
  clearBand(win, {0, 30, 320, 170});
  if (ValidFileSlot(slot)) {
    const std::string clock = ClockLineText(FileInfoFLOATS[slot][kInfoStartMinutes],
                                            FileInfoFLOATS[slot][kInfoInterval],
                                            static_cast<float>(BeginBlock[slot]), static_cast<float>(EndBlock[slot]));
    label(clock, 1, 44, 13, OldStyleColour(2));
  }
  DoubleLINE(0, 320, 49);
  const plat::Rgb16 black{0, 0, 0};
  int y = 56;
  if (Analysis_Code == kSlopeAnalysisCode) {
    label("value of a (from t= 0):", 4, y + 12, 13);
    staticField(win, kRegAvalxField, FieldNumText(avalx), {170, y, 310, y + 18}, black, sunset);
    y += 20;
    label(" value of a (in block):", 4, y + 12, 13);
  } else {
    plat::removeControl(win, kRegAvalxField);
    label("                 value of a:", 4, y + 12, 13);
  }
  staticField(win, kRegAField, FieldNumText(ValueOfA), {170, y, 310, y + 18}, black, sunset);
  y += 20;
  label("     value of b (slope):", 4, y + 12, 13);
  staticField(win, kRegBField, FieldNumText(ValueOfB), {170, y, 310, y + 19}, black, sunset, 13, true);
  y += 22;
  label("   n = ", 4, y + 12, 13);
  staticField(win, kRegNField, NumText(n), {50, y, 130, y + 18}, black, ExtremelyLightGray);
  label("r   = ", 140, y + 12, 13);
  label("2", 149, y + 6, 9);
  staticField(win, kRegR2Field, sumy2 == 0.0 ? std::string(kConstantYR2Text) : FieldNumText(rsquared),
              {170, y, 310, y + 18}, black, sunset);
  slope = 0.0f;
  RegressionProbCalcs();
  // The labels live in the port: the fields alone would show without them.
  plat::flushWindow(win);
}

void RegressionProbCalcs() {
  if (!resultsReady()) return;
  const int win = kResultsWindow;
  slope = 0.0f;
  TestSlope();
  const plat::Rect zeroAt{4, 148, 316, 170};
  const plat::Rgb16 black{0, 0, 0};
  // Nothing can be tested on fewer than 3 cases, on sums that are not
  // finite or without spread in X: say so, and keep the probabilities as
  // not computed rather than as a number.
  const char* why = SlopeTestRefusal(nPoints, sumx2, sumxy, sumy2);
  if (!why && std::isnan(prob)) why = "data not finite";   // a slope beyond single precision
  if (why) {
    staticField(win, kRegZeroProbField, std::string(" ") + why + ", can't compute probabilities", zeroAt, black,
                ExtremelyLightGray);
    SlopeZeroProb = SlopeTestProb = std::numeric_limits<float>::quiet_NaN();
    plat::setFieldText(win, kRegProbResultField, "");
    return;
  }
  if (rsquared == 1.0f) {
    staticField(win, kRegZeroProbField, " no variance, can't compute probabilities", zeroAt, black,
                ExtremelyLightGray);
    SlopeZeroProb = SlopeTestProb = kSlopeProbabilityFloor;
    if (plat::controlExists(win, kRegProbResultField)) plat::setFieldText(win, kRegProbResultField, "");
    return;
  }
  const float p = prob;
  const plat::Rgb16 colour = SignificantProb(p) ? OldStyleColour(6) : black;
  staticField(win, kRegZeroProbField, " probability slope = zero is  " + SlopeZeroProbText(p), zeroAt, colour,
              ExtremelyLightGray);
  SlopeZeroProb = p;
  REGPROB();
}

void REGPROB() {
  if (!resultsReady()) return;
  const int win = kResultsWindow;
  if (!plat::controlExists(win, kRegTestValueField)) return;
  if (SlopeTestRefusal(nPoints, sumx2, sumxy, sumy2) || !std::isfinite(ValueOfB) || rsquared == 1.0f) return;
  // Over time the Test button stands in the label's place.
  if (Analysis_Code != kSlopeAnalysisCode) label("P slope= ", 4, 188, 13);
  slope = static_cast<float>(TextToNum(plat::fieldText(win, kRegTestValueField)));
  TestSlope();
  SlopeTestProb = prob;
  // A record names the slope its probability was tested against, however
  // it is stored.
  Pslope = slope;
  const plat::Rgb16 colour = SignificantProb(prob) ? OldStyleColour(6) : plat::Rgb16{0, 0, 0};
  staticField(win, kRegProbResultField, SlopeTestProbText(prob), {150, 174, 316, 192}, colour, ExtremelyLightGray);
  plat::flushWindow(win);
}

// ---- Long-plot notice ----------------------------------------------------------------------

bool RegressionTimeWarning() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || int64_t{EndBlock[slot]} - BeginBlock[slot] < kLongPlotCases) return false;
  plat::Rect at{200, 200, 500, 290};
  if (plat::windowExists(kBlockWindow)) {
    const plat::Rect b = plat::contentRect(kBlockWindow);
    at = {b.left + 20, b.top + 20, b.left + 320, b.top + 110};
  }
  const int previous = plat::currentPortWindow();
  plat::WindowSpec w;
  w.id = kLongPlotNotice;
  w.content = at;
  w.cls = plat::WindowClass::Floating;
  w.closeBox = false;
  w.background = LightGray;
  plat::createWindow(w);
  plat::setCurrentPort(kLongPlotNotice);
  WARNINGSTRIPES(0, 6, 12, 0, 0, 300, 90);
  putCICON(129, 10, 50);
  label("LOTS ", 52, 30, 14);
  label("of points to plot!", 100, 30, 13);
  label("This could take a while, so", 52, 54, 12, OldStyleColour(6));
  label("please be patient...", 52, 72, 12, OldStyleColour(6));
  plat::flushWindow(kLongPlotNotice);
  if (prefsArray[kPrefSoundLevel] != 0) PlayNamedSound("brrrp");
  if (previous) plat::setCurrentPort(previous);
  return true;
}

// ---- Residuals -------------------------------------------------------------------------------

void SaveResiduals(const LineFitRequest& fit, int16_t mode) {
  const ResultsFileKind k = UseExcelFormat ? TabularFileKind(CurrentTabularOptions()) : TextResultsFileKind();
  plat::FileKind kind;
  kind.type = k.type;
  kind.creator = k.creator;
  kind.description = "Residuals";
  kind.extensions = {k.extension};
  const auto path = plat::askSaveFile("Save residuals...", "", kind);
  if (!path) return;
  plat::setCursor(plat::CursorKind::Watch);
  const int err = WriteResidualsFile(*path, fit, ValueOfA, ValueOfB, mode == 1);
  plat::setCursor(plat::CursorKind::Arrow);
  if (err != 0) {
    plat::showFileError(*path, err);
    return;
  }
  plat::tagFile(*path, kind);
}

void RegressionRESIDS(const LineFitRequest& fit, int32_t n, int16_t mode) {
  constexpr int kWin = kResidualsWindow;
  const int previous = plat::currentPortWindow();
  HandlerScope keep;
  InstallDialogHandlers();
  // The toolbar floats over the window's left edge, where the scale is.
  HideTheToolBar();
  BuildWINDOW(1, kWin, "Residuals", 30, 70, 600, 398, kKindDocument, 0);
  plat::setCurrentPort(kWin);
  plat::Port& p = plat::port(kWin);
  label("computing residuals...", 150, 150, 24);
  plat::flushWindow(kWin);

  const ResidualRange rr = ResidualsRange(fit, ValueOfA, ValueOfB);
  p.setForeColor(plat::background(kWin));
  p.fillRect({0, 0, 570, 328});
  p.setForeColor({0, 0, 0});
  p.setPenMode(plat::PenMode::Copy);
  p.strokeRect({100, 2, 567, 298});
  const ResidualPlotScale sc = ResidualPlotScaleOf(rr, mode == 0, fit.first, fit.last);
  const int zeroY = PixelOf(sc.rTop * sc.vscale + 2);
  p.moveTo(101, zeroY);
  p.lineTo(567, zeroY);
  const plat::Rgb16 black{0, 0, 0};
  staticField(kWin, kResidualsMaxField, FieldNumText(rr.rMax), {4, 2, 96, 18}, black, manila, 11);
  staticField(kWin, kResidualsMinField, FieldNumText(rr.rMin), {4, 282, 96, 298}, black, manila, 11);
  staticField(kWin, kResidualsZeroField, "0", {70, std::clamp(zeroY - 8, 2, 282), 96, std::clamp(zeroY + 8, 18, 298)},
              black, manila, 11);
  // Every case into the port, at most one dot per pixel, one flush.
  const int dot = n <= 500 ? 2 : 1;
  std::vector<uint8_t> seen(static_cast<size_t>(470 * 300), 0);
  p.setClip({101, 3, 566, 297});
  for (int32_t k = fit.first; k <= fit.last; ++k) {
    const ResidualRow r = ResidualAt(fit, k, ValueOfA, ValueOfB);
    if (!std::isfinite(r.residual) || !std::isfinite(r.x)) continue;
    const double offset = (mode == 0 ? static_cast<double>(k - fit.first) : r.x) - sc.xFrom;
    const int x = PixelOf(101 + offset * sc.hscale);
    const int y = PixelOf((sc.rTop - r.residual) * sc.vscale + 2);
    if (x < 100 || x >= 568 || y < 0 || y >= 300) continue;
    uint8_t& s = seen[static_cast<size_t>(y * 470 + (x - 100))];
    if (s) continue;
    s = 1;
    p.fillOval({x - dot, y - dot, x + dot, y + dot});
  }
  p.clearClip();
  AddLineFitButton(kWin, kResidualsSave, "Save Residuals\xC9", {150, 300, 300, 322});
  AddLineFitButton(kWin, kResidualsDone, "Done ", {370, 300, 470, 322}, true);
  plat::flushWindow(kWin);

  ClearMailbox();
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kWin)) break;
    if (a == kActionClick && id == kResidualsSave) {
      SaveResiduals(fit, mode);
      continue;
    }
    if (EndsLineFitDialog(a, id, kWin, kResidualsDone)) break;
  }
  plat::disposeWindow(kWin);
  RestoreTheToolBar();
  backTo(previous);
}

// ---- Prediction --------------------------------------------------------------------------

void PredictRegressionValues(int16_t mode) {
  constexpr int kWin = kPredictWindow;
  const bool timeAxis = mode == 1;
  const int previous = plat::currentPortWindow();
  HandlerScope keep;
  InstallDialogHandlers();
  HideTheToolBar();
  const plat::Rect at = LineFitWindowBesidePlot(330, 250, 40);
  BuildWINDOW(1, kWin, "Predict Values From Regression", static_cast<int16_t>(at.left),
              static_cast<int16_t>(at.top), static_cast<int16_t>(at.right), static_cast<int16_t>(at.bottom),
              kKindDocument, 0);
  plat::setCurrentPort(kWin);
  const std::string xLabel = timeAxis ? "elapsed time" : RetrieveLabel(Chan1);
  const std::string yLabel = RetrieveLabel(timeAxis ? ch : chan2);
  label("X:  " + xLabel, 10, 20, 12);
  label("Y:  " + yLabel, 10, 38, 12);
  label(std::string("regression type:  ") + PredictionTypeText(UseLogY, timeAxis), 10, 62, 12);
  label("intercept: " + NumText(ValueOfA), 10, 82, 12);
  label("slope: " + NumText(ValueOfB), 170, 82, 12);
  label(timeAxis ? "    time:" : "X value:", 10, 118, 13);
  editField(kWin, kPredictXField, "1", {80, 104, 200, 122});
  label("Y value:", 10, 148, 13);
  editField(kWin, kPredictYField, "1", {80, 134, 200, 152});
  AddLineFitButton(kWin, kPredictY, timeAxis ? "Predict Y From Time" : "Predict Y From X", {10, 170, 160, 192});
  AddLineFitButton(kWin, kPredictX, timeAxis ? "Predict Time From Y" : "Predict X From Y", {170, 170, 320, 192});
  AddLineFitButton(kWin, kPredictDone, "Done", {240, 215, 320, 237}, true);
  auto predictY = [] {
    const float x = static_cast<float>(TextToNum(plat::fieldText(kWin, kPredictXField)));
    plat::setFieldText(kWin, kPredictYField, FieldNumText(PredictY(x, ValueOfA, ValueOfB)));
  };
  predictY();
  ClearMailbox();
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kWin)) break;
    if (a == kActionClick && id == kPredictY) {
      predictY();
    } else if (a == kActionClick && id == kPredictX) {
      const float y = static_cast<float>(TextToNum(plat::fieldText(kWin, kPredictYField)));
      plat::setFieldText(kWin, kPredictXField, FieldNumText(PredictX(y, ValueOfA, ValueOfB)));
    } else if (EndsLineFitDialog(a, id, kWin, kPredictDone)) {
      break;
    }
  }
  plat::disposeWindow(kWin);
  RestoreTheToolBar();
  backTo(previous);
}
