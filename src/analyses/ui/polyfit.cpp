// "Fit Polynomial…": window 6 with the degree pop-up, the statistics and the
// equation, the r^2 histogram of "Show All r^2" and the new channel.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analyses/linefit.h"
#include "analyses/polyfit.h"
#include "analyses/statspanel.h"
#include "analyses/ui/fit_commands.h"
#include "analyses/ui/fitparts.h"
#include "analyses/ui/regression.h"
#include "output/results.h"
#include "output/ui/analysiskit.h"
#include "output/ui/storeresult.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/menus.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/recording.h"
#include "shell/ui/recorder.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

using namespace fitparts;

namespace {

constexpr int kWin = kPolyWindow;
constexpr int kDegreeMenu = 40;
constexpr int kEquationLeft = 330;

std::span<const float> channelSpan(int16_t slot, int16_t c) {
  if (c < 1 || c > nChannels[slot]) return {};
  const float* p = ChannelData(slot, c);
  if (!p) return {};
  return {p, static_cast<size_t>(nCases[slot]) + 1};
}

void defineDegreeMenu() {
  if (plat::menuDefined(kDegreeMenu)) return;
  std::vector<plat::MenuItemSpec> items;
  for (int d = 1; d <= kMaxPolyDegree; ++d) items.push_back({std::to_string(d)});
  plat::defineMenu(kDegreeMenu, "Degree", items);
}

// The equation frame for the current degree: "Y = " constant, then one
// line per power.
void SHOWFittedPOLY() {
  plat::Port& p = plat::port(kWin);
  const int d = PolyDegree;
  for (int k = 1; k <= kMaxPolyDegree; ++k) {
    plat::removeControl(kWin, kPolyCoefField + k);
    plat::removeControl(kWin, 300 + k);
  }
  p.setForeColor(plat::background(kWin));
  p.fillRect({kEquationLeft - 10, 0, 640, 400});
  p.setForeColor(kBlack);
  textAt(p, kEquationLeft, 26, "Y  =", 12, true);
  result(kWin, kPolyConstantField, " ", {kEquationLeft + 40, 12, kEquationLeft + 200, 28}, manila);
  for (int k = 1; k <= d; ++k) {
    const int top = 12 + 20 * k;
    textAt(p, kEquationLeft + 24, top + 13, "+", 12, true);
    result(kWin, kPolyCoefField + k, " ", {kEquationLeft + 40, top, kEquationLeft + 200, top + 16}, manila);
    label(kWin, 300 + k, " * X" + std::string(k > 1 ? "^" + std::to_string(k) : ""),
          {kEquationLeft + 204, top, kEquationLeft + 260, top + 16}, 12);
  }
  p.flush();
}

void POLYSETUP(int16_t slot) {
  plat::setCurrentPort(kWin);
  plat::Port& p = plat::port(kWin);
  p.setForeColor(plat::background(kWin));
  p.fillRect({0, 0, kEquationLeft - 10, 400});
  p.setForeColor(kBlack);
  EmbossPrint(1, "Fit a", 12, 10, 24);
  plat::removeControl(kWin, kPolyDegreePopup);
  plat::addPopup(kWin, kPolyDegreePopup, kDegreeMenu, PolyDegree, {50, 10, 100, 30});
  EmbossPrint(1, "degree polynomial:", 12, 106, 24);
  label(kWin, kPolyNField, "N = " + NumText(EndBlock[slot] - BeginBlock[slot] + 1), {10, 38, 300, 54});
  label(kWin, 401, "Mean X:", {10, 60, 120, 76});
  result(kWin, kPolyMeanXField, " ", {124, 60, 310, 76}, manila);
  label(kWin, 402, "Mean Y:", {10, 80, 120, 96});
  result(kWin, kPolyMeanYField, " ", {124, 80, 310, 96}, manila);
  label(kWin, 403, "Residual Y variance:", {10, 100, 120, 116});
  result(kWin, kPolyResVarField, " ", {124, 100, 310, 116}, manila);
  textAt(p, 10, 132, "r", 11);
  textAt(p, 17, 127, "2", 8);
  textAt(p, 23, 132, ":", 11);
  result(kWin, kPolyR2Field, " ", {124, 120, 310, 136}, manila);
  GrayBOX(0, 6, 142, 314, 186);
  label(kWin, 405, "X is chan." + NumText(Chan1) + ":", {10, 146, 100, 162});
  result(kWin, kPolyXLabelField, RetrieveLabel(Chan1), {104, 146, 310, 162}, manila);
  label(kWin, 406, "Y is chan." + NumText(chan2) + ":", {10, 166, 100, 182});
  result(kWin, kPolyYLabelField, RetrieveLabel(chan2), {104, 166, 310, 182}, manila);
  SHOWFittedPOLY();
}

struct Run {
  int16_t slot = 0;
  int lastDegree = 0;   // none computed yet
  PolyFit fit;
  bool ok = false;
  PolySeries series;
  bool seriesShown = false;
};

// Fits degree PolyDegree; display also fills the equation and the means.
bool COMPUTEPOLY(Run& run, bool display, bool quiet = false) {
  const int16_t slot = run.slot;
  PolyFit f;
  const PolyStatus st = FitPolynomial(channelSpan(slot, Chan1), channelSpan(slot, chan2), BeginBlock[slot],
                                      EndBlock[slot], PolyDegree, &f);
  run.ok = st == PolyStatus::Ok;
  // A failed fit leaves the last fit's coefficients behind: nothing to store.
  SetResultTopic(run.ok ? kTopicPolynomial : int16_t{0});
  if (plat::controlExists(kWin, kPolyPrint))
    plat::setButtonState(kWin, kPolyPrint, run.ok && PortForResultsOutput != 0 ? 1 : 0);
  if (!run.ok) {
    for (int id : {kPolyResVarField, kPolyR2Field}) plat::setFieldText(kWin, id, " --");
    if (!quiet)
      ShowAlert("A polynomial of degree " + std::to_string(PolyDegree) + " cannot be fitted: " +
                PolyStatusText(st) + ".");
    return false;
  }
  run.fit = f;
  StorePolyFit(f);
  if (display) {
    SHOWFittedPOLY();
    for (int k = 1; k <= f.degree; ++k)
      plat::setFieldText(kWin, kPolyCoefField + k, NumText(f.power[static_cast<size_t>(k)]));
    plat::setFieldText(kWin, kPolyConstantField, NumText(static_cast<float>(f.power[0])));
    plat::setFieldText(kWin, kPolyMeanXField, NumText(f.meanX) + " \xB1" + NumText(f.sdX));
    plat::setFieldText(kWin, kPolyMeanYField, NumText(f.meanY) + " \xB1" + NumText(f.sdY));
  }
  plat::setFieldText(kWin, kPolyResVarField, NumText(static_cast<float>(f.residualVariance)));
  plat::setFieldText(kWin, kPolyR2Field,
                     std::isnan(f.r2) && f.sdY == 0.0f ? std::string(kConstantYR2Text) : NumText(static_cast<float>(f.r2)));
  return true;
}

void SHOWPOLYSERIES(const PolySeries& s) {
  const plat::Rect at = besidePlot(250, 150);
  plat::disposeWindow(kR2HistogramWindow);
  BuildWINDOW(1, kR2HistogramWindow, "r-squared Histogram", static_cast<int16_t>(at.left),
              static_cast<int16_t>(at.top), static_cast<int16_t>(at.right), static_cast<int16_t>(at.bottom),
              kKindDocument, 0);
  plat::Port& p = plat::port(kR2HistogramWindow);
  p.resetPen();
  GrayBOX(0, 50, 23, 199, 125);
  EmbossPrint(1, "polynomial fit", 12, 70, 16);
  textAt(p, 20, 76, "r", 12, true);
  textAt(p, 27, 70, "2", 9);
  textAt(p, 104, 144, "degree", 10);
  const PolyAxis axis = PolyHistogramAxis(s);
  auto tenth = [](int t, const char* none) { return t >= 1 && t <= 9 ? "0." + std::to_string(t) : std::string(none); };
  textAt(p, 30, 124, tenth(axis.lo, "0"), 9);
  textAt(p, 30, 30, tenth(axis.hi, "1.0"), 9);
  const int span = axis.hi - axis.lo;
  const double scale = std::trunc(1000.0 / span);
  const int grid = 100 / span;
  if (span != 1) {
    p.setForeColor(kMediumDarkGray);
    for (int y = 24 + grid; y < 124; y += grid) {
      p.moveTo(51, y);
      p.lineTo(198, y);
    }
  }
  for (int d = 1; d <= kMaxPolyDegree; ++d) {
    const float r = s.r2[static_cast<size_t>(d)];
    if (!(r > 0.0f)) continue;
    const int left = 55 + 16 * (d - 1);
    const int top = std::clamp(static_cast<int>(std::trunc(124.0 - (r - 0.1 * axis.lo) * scale)), 24, 124);
    p.setForeColor(darkGray);
    p.fillRect({left, top, left + 12, 124});
    p.setForeColor(kBlack);
    p.strokeRect({left, top, left + 12, 125});
    textAt(p, left + 3, 137, std::to_string(d), 9);
  }
  p.flush();
}

void showAll(Run& run) {
  run.series = PolynomialSeries(channelSpan(run.slot, Chan1), channelSpan(run.slot, chan2), BeginBlock[run.slot],
                                EndBlock[run.slot]);
  for (int d = 1; d <= kMaxPolyDegree; ++d) BLarray(d, 1) = run.series.r2[static_cast<size_t>(d)];
  if (run.series.fell || run.series.refused) Zap();
  if (run.series.shownDegree < 1) {
    ShowAlert("Not even a straight line can be fitted to these channels, or Y is constant and a fit has nothing "
              "to explain.");
    return;
  }
  PolyDegree = static_cast<int16_t>(run.series.shownDegree);
  plat::setPopupValue(kWin, kPolyDegreePopup, PolyDegree);
  COMPUTEPOLY(run, true, true);
  run.lastDegree = PolyDegree;
  SHOWPOLYSERIES(run.series);
  plat::selectWindow(kWin);
  plat::setCurrentPort(kWin);
  if (run.series.refused)
    label(kWin, 407, "degree " + std::to_string(PolyDegree + 1) + " cannot be fitted", {10, 190, 310, 206}, 10);
  skid();
}

// "Make New Channel": the polynomial of X, as displayed, for every case.
void STOREPOLY(Run& run) {
  const int16_t slot = run.slot;
  std::vector<float> coef(static_cast<size_t>(PolyDegree) + 1);
  coef[0] = static_cast<float>(fieldNumber(kWin, kPolyConstantField));
  for (int k = 1; k <= PolyDegree; ++k)
    coef[static_cast<size_t>(k)] = static_cast<float>(fieldNumber(kWin, kPolyCoefField + k));
  bool finite = run.ok;
  for (float c : coef) finite = finite && std::isfinite(c);
  if (!finite) {
    ShowAlert("The coefficients on show are not all numbers: no channel was made.");
    return;
  }
  const StoreStatus st = MakePolynomialChannel(slot, Chan1, chan2, coef, nullptr);
  if (st != StoreStatus::Ok) {
    ShowAlert(st == StoreStatus::TooManyChannels ? std::string("There is no room for another channel.")
                                                 : std::string("No channel was made. ") + StoreStatusText(st));
    return;
  }
  MakeChannelSelectionsPopUp();
  wsst();
  if (nChannels[slot] >= kMaxChannels) plat::setButtonState(kWin, kPolyNewChannel, 0);
}

// The print button and the store key. Without a fit there is nothing to
// store: the button is dimmed and the key is answered with the error sound.
void storeFit(const Run& run) {
  if (run.ok) DRAFTPRINT(" ");
  else Zap();
  plat::setCurrentPort(kWin);
}

void pickChannels(Run& run) {
  if (nChannels[run.slot] > 2) PickRChans(0);
  else {
    Chan1 = 1;
    chan2 = 2;
  }
}

}  // namespace

void FITPOLYNOMIAL() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!SlotHasBlock(slot)) return;
  HelpSubject = kPolyHelpSubject;
  if (nChannels[slot] < 2) {
    ShowAlert("Polynomial fitting needs two channels: one for X, one for Y.");
    return;
  }
  RecordScriptOperation(kOpPolynomial);
  Analysis_Code = kPolyAnalysisCode;
  SetResultTopic(kTopicPolynomial);
  plat::disposeWindow(kResultsWindow);
  plat::disposeWindow(kWin);
  defineDegreeMenu();
  Run run;
  run.slot = slot;
  Chan1 = 1;
  chan2 = 2;
  pickChannels(run);
  if (chan2 == 0) return;
  PolyDegree = std::clamp<int16_t>(PolyDegree, 1, kMaxPolyDegree);

  const plat::Rect at = belowPlot(600, 226);
  BuildWINDOW(1, kWin, "Polynomial Curve Fitting", static_cast<int16_t>(at.left), static_cast<int16_t>(at.top),
              static_cast<int16_t>(at.right), static_cast<int16_t>(at.bottom), kKindDocument, 0);
  wsst();
  POLYSETUP(slot);
  push(kWin, kPolyDone, "Done", {510, 196, 590, 218}, true);
  push(kWin, kPolyPick, "Pick New Channels\xC9", {10, 196, 150, 218});
  push(kWin, kPolyNewChannel, "Make New Channel", {154, 196, 284, 218}, false,
       nChannels[slot] >= kMaxChannels ? 0 : 1);
  push(kWin, kPolyShowAll, "Show All r^2", {288, 196, 388, 218});
  push(kWin, kPolyPrint, "print", {392, 196, 452, 218}, false, PortForResultsOutput != 0 ? 1 : 0);
  push(kWin, kPolyHelp, "?", {466, 196, 496, 218});

  DialogScope analysisLoop(InstallAnalysisHandlers);
  for (;;) {
    if (PolyDegree != run.lastDegree) {
      COMPUTEPOLY(run, true);
      run.lastDegree = PolyDegree;
      skid();
    }
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kWin)) break;
    HelpSubject = kPolyHelpSubject;
    if (a == kActionClose) {
      if (id == kR2HistogramWindow) {
        plat::disposeWindow(kR2HistogramWindow);
        continue;
      }
      break;
    }
    if (a == kActionClick && IsDeferredToolbarClick(id)) {
      plat::disposeWindow(kR2HistogramWindow);
      DeferToolbarClick(id);
      break;
    }
    if (MENU_or_ToolBar_PICKED) break;
    if (a == kActionKey) {
      if (id == '/' || id == '?') plat::openHelp(HelpSubject);
      else if ((id == 13 || id == 3) && RunScript) break;
      else if (IsStoreResultKey(id)) storeFit(run);
      continue;
    }
    if (a == kActionActivate) {
      if (id == kWin || id == kR2HistogramWindow || id == kBlockWindow) continue;
      break;
    }
    if (a != kActionClick) continue;
    if (id == kPolyDegreePopup) {
      PolyDegree = static_cast<int16_t>(std::clamp(plat::popupValue(kWin, kPolyDegreePopup), 1, kMaxPolyDegree));
      continue;
    }
    if (id == kPolyDone) break;
    switch (id) {
      case kPolyHelp:
      case kHelpButton: plat::openHelp(HelpSubject); break;
      case kPolyPick:
        PolyDegree = 1;
        plat::setPopupValue(kWin, kPolyDegreePopup, 1);
        plat::disposeWindow(kR2HistogramWindow);
        pickChannels(run);
        if (chan2 == 0) chan2 = 2;
        plat::setCurrentPort(kWin);
        POLYSETUP(slot);
        run.lastDegree = 0;
        break;
      case kPolyNewChannel: STOREPOLY(run); break;
      case kPolyShowAll:
        run.seriesShown = !run.seriesShown;
        if (run.seriesShown) showAll(run);
        else plat::disposeWindow(kR2HistogramWindow);
        plat::setCurrentPort(kWin);
        break;
      case kPolyPrint: storeFit(run); break;
      default: break;
    }
  }
  plat::disposeWindow(kWin);
  plat::disposeWindow(kR2HistogramWindow);
  plat::flushInput();
  bup();
  if (SlotHasBlock(slot)) REFRESHBLOCK();
  if (plat::windowExists(PlotWindowId(slot))) {
    plat::bringToFront(PlotWindowId(slot));
    plat::setCurrentPort(PlotWindowId(slot));
  }
  RunPendingToolbarCommand();
}
