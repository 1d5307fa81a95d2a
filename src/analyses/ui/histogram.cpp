#include "analyses/ui/histogram.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analyses/histogram.h"
#include "analyses/ui/average.h"
#include "output/numberformat.h"
#include "output/results.h"
#include "output/scaling.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/ui/draw.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/plotwindow.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr plat::Rgb16 kBlack{0, 0, 0};
constexpr plat::Rgb16 kRed{0xDD00, 0x0800, 0x0600};
constexpr plat::Rgb16 kGreen{0x0000, 0x8000, 0x1100};
constexpr plat::Rgb16 kYellow{0xFC00, 0xF37D, 0x052F};
constexpr plat::Rgb16 kBarColour{0x4000, 0x6000, 0xB000};

int16_t currentSlot() { return static_cast<int16_t>(TheFileInUse); }

double typedBound(int16_t field) {
  if (!plat::windowExists(kResultsWindow) || !plat::controlExists(kResultsWindow, field)) return 0.0;
  double v = 0.0;
  return ParseFieldNumber(plat::fieldText(kResultsWindow, field), &v) ? v : 0.0;
}

struct Span {
  int32_t first, last;
  double mean;
  uint16_t rangeMode, minFromField, maxFromField;
};

bool count(const Span& s, int maxBins, HistogramCounts* h) {
  const int16_t slot = currentSlot();
  if (!SlotHoldsFile(slot) || ch < 1 || ch > nChannels[slot]) return false;
  const float* data = ChannelData(slot, ch);
  if (!data) return false;
  HistogramInput in;
  in.first = s.first;
  in.last = s.last;
  in.mi = mi;
  in.ma = ma;
  in.lo = s.minFromField ? static_cast<float>(typedBound(222)) : BlockMinY;
  in.hi = s.maxFromField ? static_cast<float>(typedBound(221)) : BlockMaxY;
  // The block window's range may be narrower than the span analysed.
  if (!s.rangeMode) {
    in.lo = std::min(in.lo, mi);
    in.hi = std::max(in.hi, ma);
  }
  in.rangeMode = s.rangeMode != 0;
  in.maxBins = maxBins;
  return CountHistogram({data, static_cast<size_t>(nCases[slot]) + 1}, in, h) == HistogramStatus::Ok;
}

void text(plat::Port& p, int x, int y, int size, const std::string& t, plat::Rgb16 c = kBlack) {
  p.setForeColor(c);
  p.setTextSize(size);
  p.moveTo(x, y);
  p.drawText(t);
  p.setForeColor(kBlack);
}

void smallForm(const Span& s) {
  HistogramCounts h;
  plat::setCursor(plat::CursorKind::Watch);
  const bool ok = count(s, kSmallHistogramBins, &h);
  plat::setCursor(plat::CursorKind::Arrow);
  if (!ok) {
    Zap();
    return;
  }
  const int16_t slot = currentSlot();
  // One window per channel up to the last distribution window (174).
  const int16_t id = MultiHist ? static_cast<int16_t>(std::min(150 + ch, 174)) : kHistogramWindow;
  const plat::Rect pr = plat::windowExists(PlotWindowId(slot)) ? plat::contentRect(PlotWindowId(slot))
                                                                 : plat::Rect{94, 41, 900, 500};
  const bool compact = ScreenHeight - BottomOfPlotArea < 405;
  const std::string title = "channel" + IntText(ch);
  int left, top, w, ht;
  if (compact) {
    const int d = MultiHist ? 7 * ch : 0;
    left = pr.left + ScreenWidth - d - 110;
    top = pr.top + 5 + ScreenHeight - d - 102;
    w = 105;
    ht = 92;
  } else {
    const int e = MultiHist ? 12 * ch : 10;
    left = pr.left + e - 4;
    top = pr.top + 5 + BottomOfPlotArea - e / 3 + 376;
    w = 304;
    ht = 75;
    // Beside the statistics whose block it shows, not over their controls;
    // one channel's window a little lower than the last.
    if (plat::windowExists(kResultsWindow) && plat::windowVisible(kResultsWindow)) {
      const plat::Rect r = SecondWindowPlace({w, ht}, plat::frameRect(kResultsWindow));
      left = r.left + (MultiHist ? 12 * (ch - 1) : 0);
      top = r.top + (MultiHist ? 12 * (ch - 1) : 0);
    }
  }
  BuildWINDOW(0, id, compact ? title : "Block Frequency Distribution, " + title, static_cast<int16_t>(left),
              static_cast<int16_t>(top), static_cast<int16_t>(left + w), static_cast<int16_t>(top + ht),
              kKindDocument, 1);
  plat::Port& p = plat::port(id);
  p.setForeColor(LightGray);
  p.fillRect({0, 0, 320, 78}, plat::patterns::solid);
  p.setForeColor(kBlack);
  const int t = compact ? 0 : 2;
  text(p, 12, t + 66, 12, "0%");
  text(p, 1, t + 14, 12, (h.kFloat < 10 ? " " : "") + std::to_string(h.kFloat) + "% ");
  const double span = h.span > 0.0f ? h.span : 1.0;
  const bool colour = prefsArray[kPrefColourDisplay] != 0;
  if (compact) {
    p.setForeColor(gray);
    p.fillRect({35, 6, 122, 68}, plat::patterns::solid);
    p.setForeColor(kBlack);
    p.strokeRect({35, 6, 122, 68});
    const int xm = static_cast<int>(h.nb * 4 * (s.mean - mi) / span + 35);
    p.setForeColor(colour ? kYellow : kBlack);
    p.moveTo(xm, 6);
    p.lineTo(xm, 67);
    p.setForeColor(kBlack);
    for (int b = 0; b < kSmallHistogramBins; ++b) {
      const int hh = SmallBarHeight(h.bins[static_cast<size_t>(b)], h.fullest, 58);
      if (hh == 0) continue;
      const int x = 37 + 4 * b;
      p.fillRect({x, 67 - hh, x + 3, 67}, plat::patterns::solid);
    }
  } else {
    p.setForeColor(gray);
    p.fillRect({35, 9, 298, 71}, plat::patterns::solid);
    p.setForeColor(kBlack);
    p.strokeRect({35, 9, 298, 71});
    const int xm = static_cast<int>(h.nb * 12 * (s.mean - mi) / span + 39);
    p.setForeColor(colour ? kYellow : kBlack);
    p.moveTo(xm, 10);
    p.lineTo(xm, 70);
    for (int b = 0; b < kSmallHistogramBins; ++b) {
      const int hh = SmallBarHeight(h.bins[static_cast<size_t>(b)], h.fullest, 60);
      if (hh == 0) continue;
      const int x = 41 + 12 * b;
      p.setForeColor(kBarColour);
      p.fillRect({x, 70 - hh, x + 10, 70}, plat::patterns::solid);
      p.setForeColor(kBlack);
      p.strokeRect({x, 70 - hh, x + 10, 71});
    }
  }
  p.setForeColor(kBlack);
  plat::flushWindow(id);
  kFloat = h.kFloat;
}

// The big chart; false (and "bzot") when nothing could be counted.
bool drawBig(const Span& s, int* bins, double width, bool curve) {
  HistogramCounts h;
  plat::Port& p = plat::port(kHistogramWindow);
  // The span the bins cover, before counting.
  const float span = s.rangeMode ? static_cast<float>((s.maxFromField ? typedBound(221) : BlockMaxY) -
                                                      (s.minFromField ? typedBound(222) : BlockMinY))
                                 : ma - mi;
  if (width != 0.0) {
    int b = 0;
    if (!BinsForWidth(span, width, &b)) {
      Zap();
      return false;
    }
    *bins = b;
  }
  if (!count(s, *bins, &h)) {
    Zap();
    return false;
  }
  const BigChart c = LayOutBigChart(h, s.mean, mi);
  // The fields show the bins drawn: fewer cases than bins asked for, or a
  // width that does not divide the span, give bins of another width.
  plat::setFieldText(kHistogramWindow, kHistBinsField, std::to_string(c.bins));
  plat::setFieldText(kHistogramWindow, kHistWidthField, RealText(BigBinWidth(h)));
  plat::setFieldText(kHistogramWindow, kHistFullestField, IntText(h.fullest));
  kFloat = h.kFloat;
  p.setForeColor(manila);
  p.fillRect({90, 5, 591, 278}, plat::patterns::solid);
  p.setForeColor(kBlack);
  p.strokeRect({90, 5, 592, 278});
  p.setPenSize(2, 2);
  p.setForeColor(kRed);
  p.moveTo(c.meanX, 5);
  p.lineTo(c.meanX, 276);
  p.resetPen();
  for (int b = 0; b < c.bins; ++b) {
    const int ht = c.heights[static_cast<size_t>(b)];
    if (ht == 0) continue;
    const int x = c.edges[static_cast<size_t>(b)], right = c.edges[static_cast<size_t>(b) + 1];
    p.setForeColor(kBarColour);
    p.fillRect({x + 2, 277 - ht, right, 277}, plat::patterns::solid);
    p.setForeColor(kBlack);
    p.strokeRect({x + 1, 277 - ht, right, 277});
  }
  const int mx = c.meanX >= 50 ? c.meanX - 13 : c.meanX + 4;
  text(p, mx, 17, 12, "X ", kRed);
  p.setForeColor(kRed);
  p.moveTo(mx, 8);
  p.lineTo(mx + 7, 8);
  if (curve) {
    const auto pts = NormalCurvePoints(c.meanX, h.span, c.area, StandardDeviation);
    p.setPenSize(2, 2);
    p.setForeColor(kGreen);
    for (size_t i = 0; i < pts.size(); ++i) {
      if (i == 0) p.moveTo(pts[i].x, pts[i].y);
      else p.lineTo(pts[i].x, pts[i].y);
    }
    p.resetPen();
  }
  p.setForeColor(kBlack);
  plat::flushWindow(kHistogramWindow);
  return true;
}

void addField(int16_t id, const std::string& t, plat::Rect r, bool editable, plat::Align align = plat::Align::Left) {
  plat::FieldSpec f;
  f.id = id;
  f.text = t;
  f.r = r;
  f.kind = editable ? plat::FieldKind::Editable : plat::FieldKind::Static;
  f.framed = editable;
  f.align = align;
  f.back = editable ? plat::Rgb16{0xFFFF, 0xFFFF, 0xFFFF} : gray;
  // The count labels at the chart's ends are 12 rows high.
  if (r.bottom - r.top < 14) f.font.pixelSize = 10;
  plat::addField(kHistogramWindow, f);
}

void addButton(int16_t id, plat::ButtonKind kind, const std::string& t, plat::Rect r) {
  AddKitButton(kHistogramWindow, id, kind, t, r);
}

void bigForm(const Span& s) {
  const int16_t slot = currentSlot();
  HideTheToolBar();
  const std::string title =
      "Histogram of Channel" + IntText(ch) + "; case" + IntText(s.first) + " to" + IntText(s.last);
  plat::disposeWindow(kHistogramWindow);
  const plat::Rect pr = plat::windowExists(PlotWindowId(slot)) ? plat::contentRect(PlotWindowId(slot))
                                                                 : plat::Rect{94, 41, 900, 500};
  BuildWINDOW(1, kHistogramWindow, title, static_cast<int16_t>(pr.left + 330), static_cast<int16_t>(pr.top + 60),
              static_cast<int16_t>(pr.left + 930), static_cast<int16_t>(pr.top + 440), kKindDocument, 0);
  const ResultScale sc = CurrentResultScale(ch);
  addField(kHistFullestField, " ", {5, 5, 86, 17}, false);
  addField(112, "0", {5, 266, 86, 278}, false);
  addField(115, "number of bins:", {100, 305, 215, 320}, false);
  addField(116, "bin width:", {380, 305, 482, 320}, false);
  addField(kHistBinsField, std::to_string(kDefaultBigBins), {220, 305, 300, 318}, true);
  addField(kHistWidthField, "", {490, 305, 595, 318}, true);
  addField(120, "count", {3, 132, 80, 150}, false);
  addField(121, RealText(ScaledValue(sc, mi)), {91, 282, 250, 296}, false);
  addField(122, RealText(ScaledValue(sc, ma)), {355, 282, 590, 296}, false, plat::Align::Right);
  addButton(kHistUseBins, plat::ButtonKind::Push, "Use New Bin Number", {100, 325, 300, 345});
  addButton(kHistUseWidth, plat::ButtonKind::Push, "Use New Bin Width", {400, 325, 590, 345});
  addButton(kHistNormalBox, plat::ButtonKind::CheckBox, "Show Approximate Normal Distribution", {100, 353, 400, 373});
  addButton(kHistClose, plat::ButtonKind::Push, "close", {485, 353, 590, 373});
  plat::Port& p = plat::port(kHistogramWindow);
  p.moveTo(90, 275);
  p.lineTo(90, 284);
  p.moveTo(591, 275);
  p.lineTo(591, 284);
  int bins = kDefaultBigBins;
  bool curve = false;
  drawBig(s, &bins, 0.0, curve);

  DialogScope dialog;
  for (bool done = false; !done;) {
    plat::pump();
    if (!plat::windowExists(kHistogramWindow)) break;
    plat::setCurrentPort(kHistogramWindow);
    if ((action == kActionClose && eventID == kHistogramWindow) || (action == kActionClick && eventID == kHistClose) ||
        (action == kActionActivate && eventID != kHistogramWindow)) {
      done = true;
    } else if (action == kActionClick && eventID == kHistUseBins) {
      double v = 0.0;
      const bool isNumber = ParseFieldNumber(plat::fieldText(kHistogramWindow, kHistBinsField), &v);
      bins = BigHistogramBins(v, isNumber);
      plat::setFieldText(kHistogramWindow, kHistBinsField, std::to_string(bins));
      drawBig(s, &bins, 0.0, curve);
    } else if (action == kActionClick && eventID == kHistUseWidth) {
      double v = 0.0;
      if (!ParseFieldNumber(plat::fieldText(kHistogramWindow, kHistWidthField), &v) || !(v > 0.0)) Zap();
      else drawBig(s, &bins, v, curve);
    } else if (action == kActionClick && eventID == kHistNormalBox) {
      curve = !curve;
      plat::setButtonState(kHistogramWindow, kHistNormalBox, curve ? 2 : 1);
      drawBig(s, &bins, 0.0, curve);
    }
    ClearMailbox();
  }
  plat::disposeWindow(kHistogramWindow);
  RestoreTheToolBar();
}

}  // namespace

void HISTOGRAM(int32_t first, int32_t last, double mean, uint16_t rangeMode, uint16_t minFromField,
               uint16_t maxFromField, uint16_t big) {
  const Span s{std::min(first, last), std::max(first, last), mean, rangeMode, minFromField, maxFromField};
  if (big) bigForm(s);
  else smallForm(s);
  if (plat::windowExists(kResultsWindow)) {
    plat::selectWindow(kResultsWindow);
    plat::setCurrentPort(kResultsWindow);
  }
  // The results window keeps the keys, the distributions stay in sight over it.
  if (!big)
    for (int id = kHistogramWindow; id <= 174; ++id)
      if (plat::windowExists(id)) plat::bringToFront(id);
  ClearMailbox();
  upvip();
}

void InstallHistogramHook() {
  gHistogramHook = [](const HistogramRequest& r) {
    HISTOGRAM(r.first, r.last, r.mean, r.rangeMode, r.minFromField, r.maxFromField, r.big);
  };
}
