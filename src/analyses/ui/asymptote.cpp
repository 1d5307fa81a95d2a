// "Find Asymptote…": window 4 with the iteration count, the search, the
// rates per time unit and the plot of the ln-transformed data or of the
// residuals in window 250.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analyses/asymptote.h"
#include "analyses/statspanel.h"
#include "analyses/ui/fit_commands.h"
#include "analyses/ui/fitparts.h"
#include "datafiles/save.h"
#include "output/results.h"
#include "output/ui/analysiskit.h"
#include "output/ui/storeresult.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/menus.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/plot_commands.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/recording.h"
#include "shell/ui/recorder.h"
#include "shell/colours.h"
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

constexpr int kWin = kResultsWindow;
constexpr int kPlot = kAsymPlotWindow;
constexpr int kPercentMenu = 50;
constexpr plat::Rgb16 kRed{0xFFFF, 0, 0}, kBlue{0, 0, 0xDDDD};

void definePercentMenu() {
  if (plat::menuDefined(kPercentMenu)) return;
  std::vector<plat::MenuItemSpec> items;
  for (int i = 1; i <= kPercentItems; ++i) items.push_back({PercentTitle(i)});
  plat::defineMenu(kPercentMenu, "Change", items);
}

struct Run {
  int16_t slot = 0;
  std::span<const float> y;
  AsymResult res;
  bool ok = false;
  bool residualsOffered = false;
  int16_t recorded = 0, handed = 0;
};

void ASYM_DATA(const Run& run) {
  if (!run.ok) return;
  const AsymRates r = AsymptoteRates(ValueOfB, FileInfoFLOATS[run.slot][kInfoInterval], TimeUnits, slope);
  const AsymRateTexts t = AsymptoteRateTexts(r, run.res.rising, TimeUnits);
  plat::setFieldText(kWin, kAsymKField, t.k);
  plat::setFieldText(kWin, kAsymRateField, t.change);
  plat::setFieldText(kWin, kAsymTimeField, t.time);
}

// A % change or time unit chosen after the fit goes into the step the fit
// filled: a replay shows the result the hand run last showed.
void noteRates(const Run& run) {
  float* s = SettingsStep(ScriptSequenceArray, run.recorded, run.handed);
  if (!s || !(s[asymptote_step::kIterations] > 0.0f)) return;
  s[asymptote_step::kTimeUnits] = static_cast<float>(TimeUnits);
  s[asymptote_step::kSlope] = slope;
}

void buildWindow() {
  OpenResultsWIndow(0, 1, 0, "Asymptote Analysis", 0);
  FitResultsWindow(300);
  plat::setCurrentPort(kWin);
  WriteHEADER(0);
  plat::Port& p = plat::port(kWin);
  label(kWin, 301, "number of iterations:", {6, 58, 140, 74});
  edit(kWin, kAsymIterField, std::to_string(kDefaultAsymIterations), {144, 56, 190, 74});
  label(kWin, 302, "Asymptotes are computed by iteration (6-50", {6, 80, 316, 94}, 10);
  label(kWin, 304, "cycles; high counts slow calculation).", {6, 94, 316, 108}, 10);
  label(kWin, 303, "    \xA5   Model:   Y = ln (asymptote - data)", {6, 110, 316, 126}, 10);
  const char* names[] = {"Asymptote:", "C.D.:", "slope:", "Rate constant:"};
  for (int i = 0; i < 4; ++i) {
    const int top = 132 + 20 * i;
    label(kWin, 110 + i, names[i], {6, top, 110, top + 16});
    result(kWin, kAsymValueField + i, " ", {114, top, 310, top + 16}, manila,
           i == 0 ? kRed : (i == 1 ? kBlue : kBlack));
  }
  label(kWin, 114, "\xC6t,", {6, 214, 30, 230});
  plat::removeControl(kWin, kAsymPercentPopup);
  plat::addPopup(kWin, kAsymPercentPopup, kPercentMenu, SlopeID, {32, 211, 96, 231});
  label(kWin, 115, "change:", {98, 214, 150, 230});
  result(kWin, kAsymTimeField, " ", {154, 214, 310, 230}, manila);
  push(kWin, kAsymCalculate, "Calculate", {6, 240, 96, 262}, true);
  push(kWin, kAsymDone, "Done", {100, 240, 170, 262});
  push(kWin, kAsymTimeUnit, "Change Time Unit", {174, 240, 310, 262});
  push(kWin, kAsymPrint, "Print", {6, 268, 76, 290}, false, PortForResultsOutput != 0 ? 1 : 0);
  push(kWin, kAsymHelp, "?", {280, 268, 310, 290});
  p.flush();
}

// A scale number ending just left of the plot frame.
void scaleLabel(plat::Port& p, int y, float v) {
  const std::string t = StringFormatter(v);
  plat::FontSpec f;
  f.pixelSize = 9;
  p.setFont(f);
  textAt(p, std::max(0, 114 - p.textWidth(t)), y, t, 9);
}

// Window 250: mode 0 z(k) with the fitted line, 1 the residuals.
void ASYMPLOT(Run& run, int mode) {
  const int16_t slot = run.slot;
  const int32_t B = BeginBlock[slot], E = EndBlock[slot];
  const float a = static_cast<float>(fieldNumber(kWin, kAsymValueField));
  std::vector<float> z(static_cast<size_t>(nCases[slot]) + 1, 0.0f);
  float* scratch = ChannelData(slot, 0);
  std::span<float> zs = scratch ? std::span<float>(scratch, z.size()) : std::span<float>(z);
  const AsymTrial t = FindR2(run.y, B, E, run.res.last.a, zs);
  const bool keep = E - B <= kMaxAsymResidualSpan;
  std::vector<float> resid;
  double lo = 1e300, hi = -1e300;
  for (int32_t k = B; k <= E; ++k) {
    const double v = mode == 0 ? zs[static_cast<size_t>(k)]
                               : zs[static_cast<size_t>(k)] - (t.intercept + static_cast<double>(t.slope) * k);
    if (mode == 1) resid.push_back(static_cast<float>(v));
    if (std::isfinite(v)) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  if (keep && mode == 0) {
    for (int32_t k = B; k <= E; ++k)
      peakval(1, k - B + 1) =
          static_cast<float>(zs[static_cast<size_t>(k)] - (t.intercept + static_cast<double>(t.slope) * k));
  }
  if (!(hi > lo)) hi = lo + 1.0;

  const int H = std::min(350, std::max(120, PlotHeight - 10));
  if (!plat::windowExists(kPlot)) {
    const plat::Rect at = besidePlot(440, H + 50);
    BuildWINDOW(1, kPlot, "Asymptote Results; Channel" + NumText(ActiveChannel) + ":  " + RetrieveLabel(ActiveChannel),
                static_cast<int16_t>(at.left), static_cast<int16_t>(at.top), static_cast<int16_t>(at.right),
                static_cast<int16_t>(at.bottom), kKindDocument, 0);
  }
  plat::setCurrentPort(kPlot);
  plat::Port& p = plat::port(kPlot);
  p.resetPen();
  p.setForeColor(plat::background(kPlot));
  p.fillRect(p.bounds());
  const int top = 10, bottom = top + H;
  p.setForeColor(manila);
  p.fillRect({118, top, 417, bottom});
  p.setForeColor(kBlack);
  p.strokeRect({117, top - 1, 418, bottom + 1});
  const bool rising = run.res.rising;
  // Rising data are mirrored so that the approach always runs downwards.
  auto row = [&](double v) {
    const double f = (v - lo) / (hi - lo);
    return static_cast<int>(std::lround(rising ? top + f * H : bottom - f * H));
  };
  const double xstep = 295.0 / std::max<int32_t>(1, E - B);
  auto col = [&](int32_t k) { return static_cast<int>(std::lround(120 + (k - B) * xstep)); };
  if (mode == 0) {
    EmbossPrint(1, "goodness", 12, 8, 24);
    EmbossPrint(1, "of fit plot", 12, 8, 40);
    const char* cap[] = {"The Y axis is the", "natural log of the", "absolute value of:", "[ asymptote - data ]"};
    for (int i = 0; i < 4; ++i) textAt(p, 4, 70 + 14 * i, cap[i], 10);
    const double upper = std::log(std::abs(static_cast<double>(a) - run.res.blockMax));
    const double lower = std::log(std::abs(static_cast<double>(a) - run.res.blockMin));
    scaleLabel(p, top + 10, static_cast<float>(std::max(upper, lower)));
    scaleLabel(p, bottom, static_cast<float>(std::min(upper, lower)));
    std::vector<plat::Point> segs;
    plat::Point last{col(B), row(zs[static_cast<size_t>(B)])};
    for (int32_t k = B + 1; k <= E; ++k) {
      const plat::Point next{col(k), row(zs[static_cast<size_t>(k)])};
      segs.push_back(last);
      segs.push_back(next);
      last = next;
    }
    p.setForeColor(kBlue);
    if (!segs.empty()) p.drawSegments(segs.data(), segs.size() / 2);
    if (E - B <= 60)
      for (int32_t k = B; k <= E; ++k) {
        const int x = col(k), y = row(zs[static_cast<size_t>(k)]);
        p.strokeOval({x - 2, y - 2, x + 3, y + 3});
      }
    p.setForeColor(kRed);
    p.setClip({118, top, 417, bottom});
    const plat::Point line[2] = {{col(B), row(t.intercept + static_cast<double>(t.slope) * B)},
                                 {col(E), row(t.intercept + static_cast<double>(t.slope) * E)}};
    p.drawSegments(line, 1);
    p.clearClip();
  } else {
    EmbossPrint(1, "residuals", 12, 8, 24);
    EmbossPrint(1, "plot", 12, 8, 40);
    const char* cap[] = {"from regression", "model:   ln of", "[ asymptote - data ]"};
    for (int i = 0; i < 3; ++i) textAt(p, 4, 70 + 14 * i, cap[i], 10);
    scaleLabel(p, top + 10, static_cast<float>(rising ? lo : hi));
    scaleLabel(p, bottom, static_cast<float>(rising ? hi : lo));
    p.setForeColor(kBlue);
    double mean = 0.0;
    for (size_t i = 0; i < resid.size(); ++i) {
      mean += resid[i];
      const int x = col(B + static_cast<int32_t>(i)), y = row(resid[i]);
      p.strokeOval({x - 1, y - 1, x + 2, y + 2});
    }
    mean /= static_cast<double>(std::max<size_t>(1, resid.size()));
    p.setForeColor(kBlack);
    p.moveTo(118, row(mean));
    p.lineTo(416, row(mean));
  }
  p.setForeColor(kBlack);
  textAt(p, 230, bottom + 30, "Sample number", 10);
  textAt(p, 112, bottom + 16, NumText(B), 9);
  textAt(p, 390, bottom + 16, NumText(E), 9);
  p.flush();
  // The dialog keeps the keyboard and the clicks.
  plat::selectWindow(kWin);
  plat::setCurrentPort(kWin);
}

void Do_ASYMPTOTE(Run& run) {
  const int16_t slot = run.slot;
  const int n = ClampAsymIterations(static_cast<int>(std::clamp(fieldNumber(kWin, kAsymIterField), -1e6, 1e6)));
  plat::setFieldText(kWin, kAsymIterField, std::to_string(n));
  buildProgressBAR(200, 56, 310, 72, n, kWin);
  AsymResult res;
  const AsymStatus st =
      AsymptoteSearch(run.y, BeginBlock[slot], EndBlock[slot], n, &res, [](int i, const AsymResult& r) {
        UpdateProgressBar(i);
        plat::setFieldText(kWin, kAsymValueField, StringFormatter(r.asymptote));
        plat::setFieldText(kWin, kAsymCDField, StringFormatter(static_cast<float>(r.bestR2 * 100.0)) + "% ");
        return true;
      });
  plat::removeControl(kWin, kProgressControl);
  EraseDiskIcon();
  plat::flushWindow(kWin);
  plat::setCurrentPort(kWin);
  run.ok = st == AsymStatus::Ok;
  // No asymptote, no result to store: the globals hold the last fit tried.
  SetResultTopic(run.ok ? kTopicAsymptote : int16_t{0});
  plat::setButtonState(kWin, kAsymPrint, run.ok && PortForResultsOutput != 0 ? 1 : 0);
  if (!run.ok) {
    plat::setFieldText(kWin, kAsymValueField, AsymStatusText(st));
    for (int id : {kAsymCDField, kAsymKField, kAsymRateField, kAsymTimeField}) plat::setFieldText(kWin, id, " --");
    plat::disposeWindow(kPlot);
    plat::removeControl(kWin, kAsymShowRegression);
    plat::removeControl(kWin, kAsymShowResiduals);
    if (st != AsymStatus::NoAsymptote) ShowAlert(std::string("No asymptote: ") + AsymStatusText(st) + ".");
    else Zap();
    return;
  }
  skid();
  run.res = res;
  StoreAsymptote(res);
  plat::setFieldText(kWin, kAsymValueField, StringFormatter(res.asymptote));
  plat::setFieldText(kWin, kAsymCDField, StringFormatter(static_cast<float>(res.bestR2 * 100.0)) + "% ");
  ASYM_DATA(run);
  if (float* s = SettingsStep(ScriptSequenceArray, run.recorded, run.handed)) {
    if (run.recorded > 0 || s[asymptote_step::kIterations] == 0.0f) {
      s[asymptote_step::kIterations] = static_cast<float>(n);
      s[asymptote_step::kTimeUnits] = static_cast<float>(TimeUnits);
      s[asymptote_step::kSlope] = slope;
    }
  }
  ASYMPLOT(run, 0);
  run.residualsOffered = EndBlock[slot] - BeginBlock[slot] <= kMaxAsymResidualSpan;
  plat::removeControl(kWin, kAsymShowRegression);
  plat::removeControl(kWin, kAsymShowResiduals);
  if (run.residualsOffered) push(kWin, kAsymShowResiduals, "Show Residuals", {120, 268, 240, 290});
}

// The Print button and the store key. Without an asymptote there is
// nothing to store: the button is dimmed and the key is answered with the
// error sound.
void storeFit(const Run& run) {
  if (run.ok) DRAFTPRINT("p");
  else Zap();
  plat::setCurrentPort(kWin);
}

}  // namespace

void ASYMPTOTE() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!SlotHasBlock(slot)) return;
  HelpSubject = kAsymptoteHelpSubject;
  Run run;
  run.slot = slot;
  run.handed = RunScript ? ScriptRunStep : 0;
  run.recorded = RecordScriptOperation(kOpAsymptote);
  Analysis_Code = kAsymptoteAnalysisCode;
  SetResultTopic(kTopicAsymptote);
  SlopeID = kDefaultSlopeID;
  plat::disposeWindow(kResultsWindow);
  plat::disposeWindow(kSecondaryWindow);
  const float* data = ChannelData(slot, ActiveChannel);
  if (!data) return;
  run.y = {data, static_cast<size_t>(nCases[slot]) + 1};
  ch = ActiveChannel;
  definePercentMenu();
  buildWindow();
  const float* step = run.handed > 0 ? ScriptSequenceArray[run.handed] : nullptr;
  if (step && step[asymptote_step::kIterations] > 0.0f) {
    plat::setFieldText(kWin, kAsymIterField, std::to_string(static_cast<int>(step[asymptote_step::kIterations])));
    const float u = step[asymptote_step::kTimeUnits];
    TimeUnits = u >= 0.0f && u <= 3.0f ? static_cast<int16_t>(u) : 0;
    slope = step[asymptote_step::kSlope];
    SlopeID = PercentItemOf(slope);
    plat::setPopupValue(kWin, kAsymPercentPopup, SlopeID);
  } else {
    TIMECHOICE(2);
    slope = PercentLnFraction(kDefaultSlopeID);
  }
  plat::setCurrentPort(kWin);
  plat::setFieldText(kWin, kAsymValueField, "working...");
  upvip();
  Do_ASYMPTOTE(run);

  DialogScope analysisLoop(InstallAnalysisHandlers);
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kWin)) break;
    HelpSubject = kAsymptoteHelpSubject;
    if (a == kActionClose) {
      if (id == kWin) break;
      plat::disposeWindow(id);
      if (id == kPlot) {
        plat::removeControl(kWin, kAsymShowResiduals);
        if (run.ok) push(kWin, kAsymShowRegression, "Show Regression", {120, 268, 240, 290});
      }
      continue;
    }
    if (a == kActionClick && IsDeferredToolbarClick(id)) {
      DeferToolbarClick(id);
      break;
    }
    if (MENU_or_ToolBar_PICKED) break;
    if (a == kActionKey) {
      if (id == '/' || id == '?') {
        plat::openHelp(HelpSubject);
        continue;
      }
      if (IsStoreResultKey(id)) {
        storeFit(run);
        continue;
      }
      if ((id == 13 || id == 3) && RunScript && plat::focusedField(kWin) == 0) break;
      if (id == 13 || id == 3) {
        plat::setFieldText(kWin, kAsymValueField, "working...");
        upvip();
        Do_ASYMPTOTE(run);
      }
      continue;
    }
    if (a == kActionActivate) {
      if (id == kWin || id == kPlot || id == kBlockWindow) continue;
      break;
    }
    if (a != kActionClick) continue;
    if (id == kAsymDone) break;
    switch (id) {
      case kAsymCalculate:
        plat::setFieldText(kWin, kAsymValueField, "working...");
        upvip();
        Do_ASYMPTOTE(run);
        break;
      case kAsymTimeUnit:
        TIMECHOICE(2);
        plat::setCurrentPort(kWin);
        ASYM_DATA(run);
        noteRates(run);
        upvip();
        break;
      case kAsymPercentPopup:
        SlopeID = static_cast<uint16_t>(std::clamp(plat::popupValue(kWin, kAsymPercentPopup), 1, kPercentItems));
        slope = PercentLnFraction(SlopeID);
        ASYM_DATA(run);
        noteRates(run);
        upvip();
        break;
      case kAsymPrint: storeFit(run); break;
      case kAsymShowRegression:
      case kAsymShowResiduals: {
        if (!run.ok) break;
        const bool residuals = id == kAsymShowResiduals;
        ASYMPLOT(run, residuals ? 1 : 0);
        plat::removeControl(kWin, id);
        if (residuals) push(kWin, kAsymShowRegression, "Show Regression", {120, 268, 240, 290});
        else if (run.residualsOffered) push(kWin, kAsymShowResiduals, "Show Residuals", {120, 268, 240, 290});
        break;
      }
      case kAsymHelp:
      case kHelpButton: plat::openHelp(HelpSubject); break;
      default: break;
    }
  }
  ClearMailbox();
  plat::disposeWindow(kPlot);
  // The window goes with its loop: its buttons would answer nothing.
  plat::disposeWindow(kWin);
  plat::flushInput();
  bup();
  if (SlotHasBlock(slot)) REFRESHBLOCK();
  if (plat::windowExists(PlotWindowId(slot))) plat::setCurrentPort(PlotWindowId(slot));
  RunPendingToolbarCommand();
}
