// "Basic Time Series…": window 6 with 18 lag scatter plots and their printed
// page of 24, the parameters window of the periodicity test and its summary
// window 12 (bars of r^2 per lag, the best step and its slope test, the
// other peaks), which prints and saves its rows.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analyses/linefit.h"
#include "analyses/periodicity.h"
#include "analyses/statspanel.h"
#include "analyses/ui/fit_commands.h"
#include "analyses/ui/fitparts.h"
#include "shell/safewrite.h"
#include "output/results.h"
#include "output/ui/analysiskit.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/print.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
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

using namespace fitparts;

namespace {

constexpr int kWin = kSeriesWindow;
constexpr int kSum = kPeriodWindow;
constexpr plat::Rgb16 kRed{0xFFFF, 0, 0};
constexpr int kGridTop = 92, kCellW = 100, kCellH = 94, kCellStep = 105, kRowStep = 115;
constexpr int kSummaryW = 560;

struct Block {
  int16_t slot = 0;
  int16_t channel = 0;
  std::span<const float> y;   // 0..nCases
  int32_t first = 0, last = 0;
  float lo = 0.0f, hi = 1.0f;
  float dt = 1.0f;
};

Block blockOf(int16_t slot) {
  Block b;
  b.slot = slot;
  b.channel = ActiveChannel;
  if (const float* p = ChannelData(slot, ActiveChannel)) b.y = {p, static_cast<size_t>(nCases[slot]) + 1};
  b.first = std::min(BeginBlock[slot], EndBlock[slot]);
  b.last = std::max(BeginBlock[slot], EndBlock[slot]);
  b.dt = FileInfoFLOATS[slot][kInfoInterval];
  if (!b.y.empty() && b.last < static_cast<int32_t>(b.y.size())) {
    const auto [lo, hi] = std::minmax_element(b.y.begin() + b.first, b.y.begin() + b.last + 1);
    b.lo = *lo;
    b.hi = *hi;
  }
  return b;
}

int32_t typedInt(int win, int id) {
  return static_cast<int32_t>(std::clamp(fieldNumber(win, id), -2e9, 2e9));
}

std::string timeText(double t) {
  // Divided, not multiplied by 0.0166667: 601 s reads 10.016666 min, not 10.016687.
  if (t >= 600.0) return NumText(static_cast<float>(t / 60.0)) + " min";
  return NumText(static_cast<float>(t)) + " sec";
}

// One scatter plot: value at i against value at i + offset, in a 100 x 94
// cell, at most one dot per pixel.
void drawScatter(plat::Port& p, const Block& b, int left, int top, int32_t k, int32_t offset, bool paper) {
  const plat::Rect cell{left, top, left + kCellW, top + kCellH};
  p.setForeColor(paper ? kWhite : BlockBackColor);
  p.fillRect(cell);
  p.setForeColor(kBlack);
  p.strokeRect({left - 1, top - 1, left + kCellW + 1, top + kCellH + 1});
  p.setForeColor(paper ? kBlack : BlockForeColor);
  const double range = b.hi > b.lo ? static_cast<double>(b.hi) - b.lo : 1.0;
  std::vector<uint8_t> seen(static_cast<size_t>(kCellW * kCellH), 0);
  const auto lastCase = static_cast<int64_t>(b.y.size()) - 1;
  // Few points: larger dots, so that a sparse cloud still shows.
  const int dot = b.last - b.first < 5000 ? 2 : 1;
  for (int64_t i = b.first; i <= int64_t{b.last} - k; ++i) {
    const int64_t j = i + offset;
    if (j > lastCase) break;
    const double u = (b.y[static_cast<size_t>(i)] - b.lo) * 99.0 / range;
    const double v = (b.y[static_cast<size_t>(j)] - b.lo) * 93.0 / range;
    // Values outside the block's range (the later case may lie beyond it) or not numbers.
    if (!(u >= 0.0 && u < kCellW) || !(v >= 0.0 && v < kCellH)) continue;
    const int x = std::min(kCellW - 2, static_cast<int>(u));
    const int y = std::min(kCellH - 2, kCellH - 1 - static_cast<int>(v));
    if (x < 0 || x >= kCellW || y < 0 || y >= kCellH) continue;
    uint8_t& s = seen[static_cast<size_t>(y * kCellW + x)];
    if (s) continue;
    s = 1;
    p.fillRect({left + x, top + y, left + x + dot, top + y + dot});
  }
}

void PLOTSERIES(const Block& b, int32_t step, int32_t lag) {
  plat::Port& p = plat::port(kWin);
  p.resetPen();
  for (int pl = 1; pl <= 18; ++pl) {
    const int row = (pl - 1) / 6, colm = (pl - 1) % 6;
    const int32_t k = step * pl;
    const double t = static_cast<double>(lag + k) * b.dt;
    const int left = 4 + colm * kCellStep, top = kGridTop + row * kRowStep;
    plat::setFieldText(kWin, kSeriesCellLabel + pl, " step" + timeText(t));
    drawScatter(p, b, left, top + 18, k, k + lag, false);
  }
  p.flush();
  chan2 = 1;
}

void PrintSeriesBASICS(plat::Port& p, const Block& b, int top, bool printing, int pageW) {
  textAt(p, 20, top, "Graphical Time Series Analysis", 14, true);
  textAt(p, 20, top + 16, "  File '" + FileName[b.slot] + "'", 11);
  textAt(p, 20, top + 30, "Recorded " + StartDate[b.slot] + " @ " + StartTime[b.slot], 11);
  textAt(p, 20, top + 44, "channel" + NumText(b.channel) + "; " + RetrieveLabel(b.channel), 11);
  textAt(p, 20, top + 58,
         "Cases analyzed: " + NumText(b.first + 1) + " to" + NumText(b.last + 1) +
             ";  N = " + NumText(b.last - b.first + 1),
         11);
  if (!printing) return;
  const int left = std::max(300, pageW - 260), right = left + 250, bottom = top + 84;
  p.strokeRect({left - 1, top - 11, right + 2, bottom + 2});
  const double range = b.hi > b.lo ? static_cast<double>(b.hi) - b.lo : 1.0;
  const double span = std::max<int32_t>(1, b.last - b.first);
  std::vector<plat::Point> segs;
  plat::Point last{};
  // At most two points per page unit: the thumbnail is 250 units wide.
  const int64_t every = std::max<int64_t>(1, (b.last - b.first) / 500);
  bool first = true;
  for (int64_t i = b.first; i <= b.last; i += every) {
    const plat::Point pt{left + static_cast<int>(250.0 * (i - b.first) / span),
                         bottom - static_cast<int>(std::lround((b.y[static_cast<size_t>(i)] - b.lo) * 84.0 / range))};
    if (!first) {
      segs.push_back(last);
      segs.push_back(pt);
    }
    first = false;
    last = pt;
  }
  if (!segs.empty()) p.drawSegments(segs.data(), segs.size() / 2);
}

void framedBox(plat::Port& p, plat::Rect r, plat::Rgb16 fill) {
  p.setForeColor(fill);
  p.fillRect(r);
  p.setForeColor(kBlack);
  p.strokeRect(r);
}

// Over the plots while the page is set up: the scale at which the page of
// 24 plots fits.
void showPrintAdvice() {
  plat::Port& p = plat::port(kWin);
  p.resetPen();
  const plat::Rect panel{140, 110, 490, 220};
  framedBox(p, panel, LightGray);
  textAt(p, panel.left + 20, panel.top + 30, "Recommended scaling", 16, true);
  for (const auto& [x, t] : {std::pair{panel.left + 60, "78%"}, std::pair{panel.left + 200, "90%"}}) {
    const plat::Rect box{x, panel.top + 50, x + 90, panel.top + 86};
    framedBox(p, box, kWhite);
    textAt(p, x + 26, box.bottom - 11, t, 16, true);
  }
  p.flush();
}

// Under the advice while the page is sent: a bar over the plots 1 to 24.
void showPrintProgress() {
  plat::Port& p = plat::port(kWin);
  p.resetPen();
  const plat::Rect panel{140, 240, 490, 330};
  framedBox(p, panel, LightGray);
  textAt(p, panel.left + 20, panel.top + 24, " Sending time series to printer", 13, true);
  textAt(p, panel.left + 20, panel.top + 56, "Plot #", 11);
  textAt(p, panel.left + 76, panel.top + 74, "1", 10);
  textAt(p, panel.right - 34, panel.top + 74, "24", 10);
  buildProgressBAR(static_cast<int16_t>(panel.left + 76), static_cast<int16_t>(panel.top + 44),
                   static_cast<int16_t>(panel.right - 20), static_cast<int16_t>(panel.top + 60), 24, kWin);
  p.flush();
}

void PRINTSERIES(const Block& b) {
  const int32_t lag = typedInt(kWin, kSeriesLagField), step = typedInt(kWin, kSeriesStepField);
  showPrintAdvice();
  if (!plat::print::pageSetup() || !plat::print::printDialog()) return;
  showPrintProgress();
  plat::print::Job job("time series");
  plat::Port& p = job.port();
  const plat::Rect page = job.pageRect();
  const int spacing = std::min(kCellStep, std::max(kCellW + 2, (page.width() - kCellW) / 5));
  const int rowTops[4] = {15, 130, 245, 360};
  for (int pl = 1; pl <= 24; ++pl) {
    const int row = (pl - 1) / 6, colm = (pl - 1) % 6;
    const int32_t k = pl * step;
    const double t = static_cast<double>(lag + k) * b.dt;
    const int left = colm * spacing, top = rowTops[row];
    p.setForeColor(kBlack);
    const std::string lab = t >= 600.0 ? "step" + NumText(static_cast<float>(std::trunc(t * 100.0 / 60.0) / 100.0)) + " min"
                                       : "step" + NumText(static_cast<float>(t)) + " sec";
    textAt(p, left, top + 10, lab, 9);
    drawScatter(p, b, left, top + 14, std::max(k, 0), std::max(k + lag, 0), true);
    UpdateProgressBar(pl);
    plat::flushWindow(kWin);
  }
  p.setForeColor(kBlack);
  PrintSeriesBASICS(p, b, 490, true, page.width());
  job.finish();
}

// "Periodicity Test Parameters": K, or 0 when cancelled; a K outside 1..n
// is refused with a line in the window.
int32_t PERIODICITYSAMPLES(int32_t n) {
  const plat::Rect at = belowPlot(520, 330);
  BuildWINDOW(1, kSum, "Periodicity Test Parameters", static_cast<int16_t>(at.left), 60,
              static_cast<int16_t>(at.left + 520), 390, kKindDocument, 0);
  plat::addTextView(kSum, kPeriodText, {10, 10, 510, 190}, false);
  plat::setViewMargins(kSum, kPeriodText, 8, 4, 4, 4);
  plat::loadViewText(kSum, kPeriodText, 6);
  label(kSum, 301, "value of", {10, 206, 70, 222});
  label(kSum, 302, "K:", {70, 200, 100, 224}, 16);
  edit(kSum, kPeriodKField, "50", {100, 202, 170, 222});
  label(kSum, 303, "block size is", {190, 206, 270, 222});
  result(kSum, kPeriodBlockField, NumText(n), {272, 204, 360, 222}, manila);
  label(kSum, 304, "pick a button value, or type a", {10, 232, 300, 246}, 10);
  label(kSum, 305, "value directly into the edit field", {10, 246, 300, 260}, 10);
  static constexpr int kPresets[] = {50, 100, 200, 300, 400, 500, 750, 1000};
  static constexpr int kAbove[] = {-1, 150, 250, 350, 450, 550, 850, 1100};
  for (int i = 0; i < 8; ++i)
    if (n > kAbove[i])
      push(kSum, kPeriodPresetFirst + i, std::to_string(kPresets[i]), {10 + 62 * i, 268, 68 + 62 * i, 288});
  push(kSum, kPeriodCancel, "Cancel", {330, 298, 410, 320});
  push(kSum, kPeriodOK, "OK", {420, 298, 510, 320}, true);
  plat::focusField(kSum, kPeriodKField, true);
  int32_t K = 0;
  ClearMailbox();
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kSum)) break;
    if ((a == kActionClose && id == kSum) || (a == kActionClick && id == kPeriodCancel)) break;
    if ((a == kActionClick && id == kPeriodOK) || (a == kActionKey && (id == 13 || id == 3))) {
      K = typedInt(kSum, kPeriodKField);
      if (K >= 1 && K <= n) break;
      // The window stays, saying why.
      K = 0;
      const std::string why = "K must be from 1 to the block size (" + std::to_string(n) + ").";
      label(kSum, kPeriodKRangeLine, why, {10, 300, 325, 318});
      plat::focusField(kSum, kPeriodKField, true);
      continue;
    }
    if (a == kActionClick && id >= kPeriodPresetFirst && id < kPeriodPresetFirst + 8)
      plat::setFieldText(kSum, kPeriodKField, std::to_string(kPresets[id - kPeriodPresetFirst]));
  }
  plat::disposeWindow(kSum);
  return K;
}

struct Summary {
  Block b;
  int32_t lag = 0, step = 0, K = 0;
  bool reduced = false;
  std::vector<PeriodicityRow> rows;
  PeriodicityBest best;
  bool tested = false;
  std::vector<int32_t> peaks;
  float threshold = kDefaultPeakThreshold;
};

int summaryTop(const Summary& s) { return s.reduced ? 76 : 8; }

void StepSizeWarning(plat::Port& p, int32_t K) {
  p.drawIcon(128, {10, 8, 42, 40});
  p.setForeColor(kRed);
  textAt(p, 50, 24, "CAUTION:  ", 20, true);
  p.setForeColor(kBlack);
  textAt(p, 160, 22, "the selected block is not big enough for this", 13);
  textAt(p, 50, 42, "combination of step size and step number, so the number of", 13);
  textAt(p, 50, 60, " steps has been reduced to" + NumText(K), 13);
}

// Everything of the summary but its controls; the window and the printed
// page draw the same.
void drawSummary(plat::Port& p, const Summary& s) {
  p.resetPen();
  if (s.reduced) StepSizeWarning(p, s.K);
  const int y0 = summaryTop(s);
  const plat::Rect frame{16, y0 + 14, 16 + 527, y0 + 14 + 102};
  const int zero = frame.top + 51;
  p.setForeColor(manila);
  p.fillRect(frame);
  p.setForeColor(kBlack);
  p.strokeRect(frame);
  p.moveTo(frame.left, zero);
  p.lineTo(frame.right - 1, zero);
  textAt(p, frame.left - 14, frame.top + 8, "slope", 9);
  textAt(p, frame.left - 10, zero - 4, "+", 10);
  textAt(p, frame.left - 10, zero + 4, "0", 9);
  textAt(p, frame.left - 10, zero + 14, "-", 10);
  const int32_t K = s.K;
  auto xOf = [&](int32_t k) { return frame.left + 8 + static_cast<int>(std::lround((k - 0.5) * 510.0 / K)); };
  auto hOf = [&](const PeriodicityRow& r) {
    return s.best.maxR2 > 0.0f && std::isfinite(r.r2) ? 50.0 * r.r2 / s.best.maxR2 : 0.0;
  };
  if (K <= 200) {
    const int w = K == 50 ? 9 : (K == 100 || K == 200) ? 4 : std::max(1, 500 / K);
    for (int32_t k = 1; k <= K; ++k) {
      const PeriodicityRow& r = s.rows[static_cast<size_t>(k - 1)];
      const double h = hOf(r);
      const int x = xOf(k) - w / 2, hh = static_cast<int>(std::lround(h));
      const plat::Rect bar =
          r.b >= 0.0f ? plat::Rect{x, zero - hh, x + w, zero + 1} : plat::Rect{x, zero, x + w, zero + hh + 1};
      p.setForeColor(h >= 49.999 ? kRed : darkGray);
      p.fillRect(bar);
      p.setForeColor(kBlack);
      p.strokeRect(bar);
      if (K != 200 || k % 2 == 0) {
        p.moveTo(xOf(k), frame.bottom);
        p.lineTo(xOf(k), frame.bottom + 3);
      }
    }
  } else {
    std::vector<plat::Point> line, stems;
    for (int32_t k = 1; k <= K; ++k) {
      const PeriodicityRow& r = s.rows[static_cast<size_t>(k - 1)];
      const int hh = static_cast<int>(std::lround(hOf(r)));
      const plat::Point pt{xOf(k), r.b >= 0.0f ? zero - hh : zero + hh};
      stems.push_back({pt.x, zero});
      stems.push_back(pt);
      if (!line.empty()) {
        line.push_back(line.back());
      }
      line.push_back(pt);
    }
    p.setForeColor(darkGray);
    p.drawSegments(stems.data(), stems.size() / 2);
    p.setForeColor(kBlack);
    if (line.size() >= 3) p.drawSegments(line.data() + 1, (line.size() - 1) / 2);
    if (s.best.k > 0) {
      const PeriodicityRow& r = s.rows[static_cast<size_t>(s.best.k - 1)];
      const int x = xOf(s.best.k) - 1;
      p.setForeColor(kRed);
      p.fillRect(r.b >= 0.0f ? plat::Rect{x, zero - 50, x + 3, zero} : plat::Rect{x, zero, x + 3, zero + 50});
    }
  }
  // Time axis.
  p.setForeColor(kBlack);
  textAt(p, frame.left - 6, frame.bottom + 14,
         PeriodicityTimeText(s.lag * static_cast<double>(s.b.dt), TimeTextUse::Axis, 3), 9);
  const int32_t every = AxisTickInterval(K);
  for (int32_t j = every; j <= K; j += every) {
    const std::string t = PeriodicityTimeText(s.rows[static_cast<size_t>(j - 1)].time, TimeTextUse::Axis, 3);
    p.moveTo(xOf(j), frame.bottom);
    p.lineTo(xOf(j), frame.bottom + 5);
    p.setFont({});
    textAt(p, xOf(j) - p.textWidth(t) / 2 + 2, frame.bottom + 14, t, 9);
  }
  const int ty = frame.bottom + 30;
  textAt(p, 16, ty, NumText(K) + "-step test; bar heights are proportional to predictability over each interval.", 10);
  textAt(p, 16, ty + 13, "interval between points (step size" + NumText(static_cast<float>(s.step * s.b.dt)) + " sec) ",
         10);
  if (s.best.k == 0) return;
  const PeriodicityRow& r = s.rows[static_cast<size_t>(s.best.k - 1)];
  p.setForeColor(kRed);
  const std::string best = "Periodicity is highest at" +
                           PeriodicityTimeText(r.time, K <= 200 ? TimeTextUse::BestShort : TimeTextUse::BestLong, 4) +
                           "; r";
  textAt(p, 16, ty + 34, best, 12, true);
  const int bx = 16 + p.textWidth(best);
  textAt(p, bx + 1, ty + 28, "2", 8);
  textAt(p, bx + 7, ty + 34, " = " + SignificantText(r.r2, SignificantFigures), 12, true);
  if (s.tested) {
    p.setForeColor(prob <= 0.05f ? kRed : kBlack);
    textAt(p, 16, ty + 50,
           "N= " + NumText(nPoints) + "  Probability slope equals zero is" +
               (prob <= 1e-5f ? std::string(" <0.00001") : NumText(prob)),
           11);
  } else {
    p.setForeColor(kBlack);
    const char* why = SlopeTestRefusal(r.n, r.sxx, r.sxy, r.syy);
    textAt(p, 16, ty + 50, "N= " + NumText(r.n) + "  the slope cannot be tested: " + (why ? why : "data not finite"),
           11);
  }
  // Other peaks.
  p.setForeColor(kBlack);
  const int ly = ty + 72;
  if (s.peaks.size() > 1) textAt(p, 16, ly, "Other peaks  were found at:", 11, true);
  for (size_t i = 0; i < s.peaks.size(); ++i) {
    const PeriodicityRow& q = s.rows[static_cast<size_t>(s.peaks[i] - 1)];
    const int half = (static_cast<int>(s.peaks.size()) + 1) / 2;
    const int col = static_cast<int>(i) < half ? 0 : 1,
              line = col == 0 ? static_cast<int>(i) : static_cast<int>(i) - half;
    const std::string e = PeriodicityTimeText(q.time, TimeTextUse::Peaks, 4) + ";   r";
    const int x = 16 + col * 270, y = ly + 14 + 13 * line;
    textAt(p, x, y, e, 10);
    const int ex = x + p.textWidth(e);
    textAt(p, ex + 1, y - 4, "2", 7);
    textAt(p, ex + 6, y, " = " + SignificantText(q.r2, 4), 10);
  }
}

int summaryHeight(const Summary& s) {
  const int rows = static_cast<int>((s.peaks.size() + 1) / 2);
  return summaryTop(s) + 14 + 102 + 30 + 72 + 14 + 13 * std::max(rows, 1) + 44;
}

void ShowRegressionPeaks(Summary& s) {
  s.threshold = PeakThreshold(static_cast<float>(fieldNumber(kSum, kSummaryThreshold)));
  s.peaks = OtherPeaks(s.rows, s.best.maxR2, s.threshold);
}

void redrawSummary(Summary& s) {
  const plat::Rect c = plat::contentRect(kSum);
  const int h = summaryHeight(s);
  if (c.height() != h) plat::setContentRect(kSum, {c.left, c.top, c.left + kSummaryW, c.top + h});
  plat::Port& p = plat::port(kSum);
  p.setForeColor(plat::background(kSum));
  p.fillRect({0, 0, kSummaryW, h});
  drawSummary(p, s);
  const int by = h - 34;
  push(kSum, kSummaryPrint, "Print...", {16, by, 96, by + 22});
  push(kSum, kSummarySave, "Save...", {100, by, 180, by + 22});
  push(kSum, kSummaryPeaks, "Show Other Peaks Where r-squared >", {200, by, 450, by + 22});
  const std::string t = plat::controlExists(kSum, kSummaryThreshold) ? plat::fieldText(kSum, kSummaryThreshold) : ".01";
  edit(kSum, kSummaryThreshold, t, {456, by + 2, 530, by + 20});
  p.flush();
}

void printSummary(Summary& s) {
  if (!plat::print::pageSetup() || !plat::print::printDialog()) return;
  plat::print::Job job("periodicity test");
  plat::Port& p = job.port();
  p.setForeColor(kBlack);
  drawSummary(p, s);
  p.setForeColor(kBlack);
  textAt(p, 16, summaryHeight(s) + 10,
         "Channel" + NumText(s.b.channel) + ":  " + NumText(s.K) + "-Step Interval Test: Summary Plot of Correlations",
         12, true);
  job.finish();
}

void saveSummary(const Summary& s) {
  plat::FileKind kind;
  kind.type = {'T', 'E', 'X', 'T'};
  kind.description = "Periodicity test";
  kind.extensions = {"txt"};
  const auto path = plat::askSaveFile("Save the periodicity test as...", "periodicity test.txt", kind);
  if (!path) return;
  const std::string text = PeriodicitySummaryText(s.rows);
  SafeFileWriter w;
  if (!w.open(*path) || !w.write(text.data(), text.size()) || !w.commit()) plat::showFileError(*path, w.error());
}

// The K regressions and the summary window; returns when the summary closes.
void SUMTIMESTATS(const Block& b, int32_t K, bool reduced) {
  Summary s;
  s.b = b;
  s.lag = typedInt(kWin, kSeriesLagField);
  s.step = typedInt(kWin, kSeriesStepField);
  s.K = K;
  s.reduced = reduced;
  const plat::Rect at = belowPlot(kSummaryW, 300);
  BuildWINDOW(1, kSum,
              "Channel" + NumText(b.channel) + ":  " + NumText(K) + "-Step Interval Test: Summary Plot of Correlations",
              static_cast<int16_t>(at.left), 60, static_cast<int16_t>(at.left + kSummaryW), 360, kKindDocument, 0);
  plat::Port& p = plat::port(kSum);
  if (reduced) StepSizeWarning(p, K);
  textAt(p, 20, summaryTop(s) + 60,
         "Computing " + NumText(K) + " regressions of about" +
             NumText(PairsPerRegression(b.first, b.last, s.lag, s.step, K)) + " points each. . .",
         11);
  buildProgressBAR(20, static_cast<int16_t>(summaryTop(s) + 70), 520, static_cast<int16_t>(summaryTop(s) + 84), K,
                   kSum);
  p.flush();
  const PeriodicityRequest req{b.first, b.last, s.lag, s.step, K, b.dt};
  const PeriodicityStatus st = RunPeriodicity(b.y, req, &s.rows, [](int32_t k) {
    if (k % 5 == 0) {
      UpdateProgressBar(k);
      plat::flushWindow(kSum);
    }
    return true;
  });
  plat::removeControl(kSum, kProgressControl);
  if (st != PeriodicityStatus::Ok) {
    plat::disposeWindow(kSum);
    ShowAlert(std::string("No periodicity test: ") + PeriodicityStatusText(st) + ".");
    return;
  }
  s.best = BestStep(s.rows);
  if (s.best.k > 0) s.tested = TestBestStep(s.rows[static_cast<size_t>(s.best.k - 1)]);
  edit(kSum, kSummaryThreshold, ".01", {0, 0, 1, 1});
  ShowRegressionPeaks(s);
  redrawSummary(s);
  skid();
  ClearMailbox();
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kSum)) break;
    if (a == kActionClose && id == kSum) break;
    if (a == kActionActivate && id != kSum) break;
    if ((a == kActionClick && id == kSummaryPeaks) || (a == kActionKey && (id == 13 || id == 3))) {
      ShowRegressionPeaks(s);
      redrawSummary(s);
      continue;
    }
    if (a == kActionClick && id == kSummaryPrint) {
      printSummary(s);
      break;
    }
    if (a == kActionClick && id == kSummarySave) {
      saveSummary(s);
      break;
    }
  }
  plat::disposeWindow(kSum);
}

void showStepTimes(const Block& b) {
  for (const auto& [field, time] :
       {std::pair{kSeriesLagField, kSeriesLagTime}, std::pair{kSeriesStepField, kSeriesStepTime}})
    plat::setFieldText(kWin, time,
                       NumText(static_cast<float>(typedInt(kWin, field) * static_cast<double>(b.dt))) + " sec");
}

}  // namespace

void TIMESERIES() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return;
  if (FileSHORTS[slot][kShortBlockState] != 2) {
    // The menu item stays enabled without a block; saying nothing would look
    // like a command that does not work.
    ShowAlert("Basic Time Series analyses the selected block: select a block in the plot first.");
    return;
  }
  const Block b = blockOf(slot);
  if (b.y.empty() || b.last >= static_cast<int32_t>(b.y.size())) return;
  Analysis_Code = kTimeSeriesAnalysisCode;
  chan2 = 0;
  HelpSubject = kTimeSeriesHelpSubject;
  HideTheToolBar();
  wssst();
  const int width = 635, height = 436;
  const int left = std::max(0, (plat::displaySize().w - width) / 2);
  BuildWINDOW(1, kWin,
              "Time Series Analysis, Channel" + NumText(b.channel) + ":  Y Value at X  vs. Y Value at X + Step",
              static_cast<int16_t>(left), 44, static_cast<int16_t>(left + width), static_cast<int16_t>(44 + height),
              kKindDocument, 0);
  DoubleLINE(4, width - 4, 4);
  label(kWin, 301, "Starting lag (points):", {8, 10, 160, 26});
  edit(kWin, kSeriesLagField, "1", {166, 8, 216, 26});
  label(kWin, 303, "starting lag = ", {224, 10, 300, 26});
  result(kWin, kSeriesLagTime, " ", {300, 10, 420, 26}, manila);
  label(kWin, 302, "  Step size (points):", {8, 34, 160, 50});
  edit(kWin, kSeriesStepField, "1", {166, 32, 216, 50});
  label(kWin, 304, "time step = ", {224, 34, 300, 50});
  result(kWin, kSeriesStepTime, " ", {300, 34, 420, 50}, manila);
  plat::setFieldText(kWin, kSeriesLagTime, NumText(b.dt) + " sec");
  plat::setFieldText(kWin, kSeriesStepTime, NumText(b.dt) + " sec");
  push(kWin, kSeriesPlot, "Plot Time Series", {8, 60, 138, 82}, true);
  push(kWin, kSeriesPrint, "Print...", {144, 60, 224, 82}, false, 0);
  push(kWin, kSeriesDone, "Done", {230, 60, 300, 82});
  push(kWin, kSeriesPeriodicity, "Periodicity Analysis...", {440, 60, 626, 82});
  plat::Port& p = plat::port(kWin);
  for (int pl = 1; pl <= 18; ++pl) {
    const int row = (pl - 1) / 6, colm = (pl - 1) % 6;
    const int l = 4 + colm * kCellStep, t = kGridTop + row * kRowStep;
    label(kWin, kSeriesCellLabel + pl, " ", {l, t, l + kCellW, t + 16}, 10);
    p.setForeColor(kBlack);
    p.strokeRect({l - 1, t + 17, l + kCellW + 1, t + 18 + kCellH + 1});
  }
  p.flush();

  HandlerScope keepHandlers;
  InstallAnalysisHandlers();
  int32_t shownLag = 1, shownStep = 1;
  int32_t plottedLag = 1, plottedStep = 1;   // of the plots on screen
  ClearMailbox();
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kWin)) break;
    HelpSubject = kTimeSeriesHelpSubject;
    if (typedInt(kWin, kSeriesLagField) != shownLag || typedInt(kWin, kSeriesStepField) != shownStep) {
      shownLag = typedInt(kWin, kSeriesLagField);
      shownStep = typedInt(kWin, kSeriesStepField);
      showStepTimes(b);
    }
    if (a == kActionClose || MENU_or_ToolBar_PICKED) break;
    if (a == kActionActivate && id != kWin) break;
    const bool plot = (a == kActionClick && id == kSeriesPlot) || (a == kActionKey && (id == 13 || id == 3));
    if (a == kActionKey && (id == '/' || id == '?') && plat::focusedField(kWin) == 0) plat::openHelp(HelpSubject);
    if (!plot && a != kActionClick) continue;
    const int32_t lag = typedInt(kWin, kSeriesLagField), step = typedInt(kWin, kSeriesStepField);
    if ((plot || id == kSeriesPeriodicity) && (lag < 0 || step < 0)) {
      ShowAlert(PeriodicityStatusText(PeriodicityStatus::Negative));
      continue;
    }
    if (plot) {
      plottedStep = step == 0 ? 1 : step;
      plottedLag = lag == 0 ? 1 : lag;
      PLOTSERIES(b, plottedStep, plottedLag);
      plat::setButtonState(kWin, kSeriesPrint, 1);
      skid();
    } else if (id == kSeriesPrint) {
      PRINTSERIES(b);
      // The panels go; the plots they covered come back.
      plat::removeControl(kWin, kProgressControl);
      plat::Port& p = plat::port(kWin);
      p.resetPen();
      p.setForeColor(plat::background(kWin));
      p.fillRect({0, kGridTop, width, height});
      PLOTSERIES(b, plottedStep, plottedLag);
      skid();
    } else if (id == kSeriesDone) {
      break;
    } else if (id == kSeriesPeriodicity) {
      if (!(b.hi > b.lo)) {
        ShowAlert(PeriodicityStatusText(PeriodicityStatus::NoVariation));
        continue;
      }
      int32_t K = PERIODICITYSAMPLES(b.last - b.first);
      if (K < 1) continue;
      const StepCount cut = CutStepCount(b.first, b.last, lag, step, K);
      if (cut.reduced) Zap();
      if (cut.K < 1) {
        ShowAlert(PeriodicityStatusText(PeriodicityStatus::NoSteps));
        continue;
      }
      K = cut.K;
      SUMTIMESTATS(b, K, cut.reduced);
      plat::selectWindow(kWin);
      plat::setCurrentPort(kWin);
      shownLag = shownStep = -1;
    } else if (id == kHelpButton) {
      plat::openHelp(HelpSubject);
    }
  }
  for (int w : {kWin, 11, kSum, static_cast<int>(kResultsWindow)}) plat::disposeWindow(w);
  bup();
  REnd = 0;
  if (plat::windowExists(PlotWindowId(slot))) {
    plat::bringToFront(PlotWindowId(slot));
    plat::setCurrentPort(PlotWindowId(slot));
  }
  RestoreTheToolBar();
}
