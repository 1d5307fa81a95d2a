#include "output/ui/printimage.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <iterator>
#include <string>
#include <vector>

#include "output/printimage.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/print.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

uint16_t PZL = 1;

namespace {

constexpr plat::Rgb16 kInk{0, 0, 0};
constexpr plat::Rgb16 kDarkGrey{0x4000, 0x4000, 0x4000};
constexpr plat::Rgb16 kGrey{0xA000, 0xA000, 0xA000};
constexpr int kPageHeight = 900;
// The labelled time index of the page: baseline 464, its rule 26 rows lower.
constexpr int kIndexY = 464;
constexpr int kIndexRuleY = kIndexY + 22 + 4;

plat::FontSpec font(int size, bool bold = false, bool italic = false, const char* family = "application") {
  plat::FontSpec f;
  f.family = family;
  f.pixelSize = size;
  f.bold = bold;
  f.italic = italic;
  return f;
}

void text(plat::Port& p, int x, int y, const std::string& s, int size, bool bold = false) {
  p.setFont(font(size, bold));
  p.moveTo(x, y);
  p.drawText(s);
}

int16_t slotInUse() { return static_cast<int16_t>(TheFileInUse); }

std::vector<int16_t> printedChannels(int16_t f) {
  std::vector<int16_t> out;
  for (int16_t c = 1; c <= nChannels[f] && c <= kMaxChannels; ++c)
    if (OverlayArray[f][1][c] != 0) out.push_back(c);
  if (out.empty() && nChannels[f] >= 1) out.push_back(ActiveChannel >= 1 && ActiveChannel <= nChannels[f] ? ActiveChannel : 1);
  return out;
}

PrintRange rangeOf(int16_t f) {
  return PrintedRange(nCases[f], ScreenWidth, FileSHORTS[f][kShortSegment], FileSHORTS[f][kShortCompressed] != 0,
                      printblock != 0, BeginBlock[f], EndBlock[f]);
}

int yOf(float v, float lo, double yscale, const PrintStrip& s) {
  const double y = s.bottom - (static_cast<double>(v) - lo) * yscale;
  if (!(y == y)) return s.bottom;
  return static_cast<int>(std::clamp(y, static_cast<double>(s.top()), static_cast<double>(s.bottom)));
}

// The samples: a line through each case when cases are wider than a pixel,
// else one vertical stroke per column over the extremes of its cases.
void drawSamples(plat::Port& p, const float* data, const PrintRange& r, double xscale, float lo, double yscale,
                 const PrintStrip& s) {
  std::vector<plat::Point> seg;
  if (xscale >= 1.0) {
    plat::Point prev{kPageLeft, yOf(data[r.start], lo, yscale, s)};
    for (int32_t k = r.start + 1; k <= r.end; ++k) {
      const plat::Point at{kPageLeft + static_cast<int>((k - r.start) * xscale), yOf(data[k], lo, yscale, s)};
      seg.push_back(prev);
      seg.push_back(at);
      prev = at;
    }
  } else {
    int prevY = yOf(data[r.start], lo, yscale, s);
    int32_t k = r.start;
    for (int x = kPageLeft; x <= kPageRight && k <= r.end; ++x) {
      const auto last = std::min<int32_t>(r.end, r.start + static_cast<int32_t>((x - kPageLeft + 1) / xscale));
      float mn = data[k], mx = data[k];
      for (int32_t j = k; j <= last; ++j) {
        mn = std::min(mn, data[j]);
        mx = std::max(mx, data[j]);
      }
      const int top = yOf(mx, lo, yscale, s), bottom = yOf(mn, lo, yscale, s);
      seg.push_back({x, prevY});
      seg.push_back({x, std::clamp(prevY, top, bottom)});
      seg.push_back({x, top});
      seg.push_back({x, bottom});
      prevY = yOf(data[last], lo, yscale, s);
      k = last + 1;
    }
  }
  if (!seg.empty()) p.drawSegments(seg.data(), seg.size() / 2);
}

// The group means of the compaction in force, only those it computed.
void drawCompacted(plat::Port& p, int16_t c, const PrintRange& r, double xscale, float lo, double yscale,
                   const PrintStrip& s, bool dots) {
  const int32_t n = parse[0];
  const float* means = ParseArray.row(c);
  const float* sds = ParseArray.row(c + kMaxChannels);
  if (n < 1 || !means || !sds) return;
  const int32_t first = std::max(1, r.start / n);
  int32_t last = std::min(r.end / n, parse[1] - 1);
  if (last + 1 < parse[1] && means[last + 1] != 0) ++last;
  else if (last >= 0 && means[last] == 0) --last;
  bool havePrev = false;
  plat::Point prev{};
  for (int32_t g = first - 1; g <= last; ++g) {
    const double x = kPageLeft + static_cast<double>(g - first + 1) * n * xscale;
    if (!(x > kPageLeft && x <= kPageRight)) continue;
    const plat::Point at{static_cast<int>(x), yOf(means[g], lo, yscale, s)};
    if (!havePrev) {
      prev = {std::max(kPageLeft, static_cast<int>(x - n * xscale)), at.y};
      if (g > 0) prev.y = yOf(means[g - 1], lo, yscale, s);
    }
    p.moveTo(prev.x, prev.y);
    p.lineTo(at.x, at.y);
    if (dots) p.strokeOval({at.x - 3, at.y - 3, at.x + 4, at.y + 4});
    if (prefsArray[kPrefSdBars] != 0) {
      p.moveTo(at.x, yOf(means[g] + sds[g], lo, yscale, s));
      p.lineTo(at.x, yOf(means[g] - sds[g], lo, yscale, s));
    }
    prev = at;
    havePrev = true;
  }
}

void optionsMiniature() {
  plat::Port& p = plat::port(kPrintOptionsWindow);
  p.setForeColor({0xFFFF, 0xFFFF, 0xFFFF});
  p.fillRect({19, 50, 221, 171});
  p.setForeColor(kInk);
  p.strokeRect({19, 50, 221, 171});
  p.setForeColor(kGrey);
  p.fillRect({22, 53, 218, 58});       // title band
  p.fillRect({22, 148, 218, 152});     // sampling band
  p.fillRect({22, 158, 218, 167});     // comments band
  p.setForeColor(kInk);
  for (int strip = 0; strip < 2; ++strip) {
    const int top = 62 + strip * 42, bottom = top + 38;
    p.strokeRect({25, top, 215, bottom});
    p.moveTo(25, (top + bottom) / 2);
    for (int x = 26; x < 215; x += 3)
      p.lineTo(x, top + 4 + static_cast<int>(plat::randomNext() % static_cast<uint32_t>(bottom - top - 8)));
  }
  p.setPenPattern(plat::patterns::dotted);
  p.moveTo(120, 62);
  p.lineTo(120, 142);
  p.resetPen();
  // Leaders from each part to its box.
  const struct { int y, box; } leads[] = {{55, 55}, {100, 101}, {150, 170}, {162, 193}};
  for (const auto& l : leads) {
    p.moveTo(221, l.y);
    p.lineTo(278, l.box);
  }
}

bool runOptions(bool print, PrintOptions* o, int16_t f, uint16_t& CustomPlot) {
  const int k = (ScreenWidth - 500) / 2;
  BuildWINDOW(1, kPrintOptionsWindow, print ? "Print File Image" : "File Image Preview", static_cast<int16_t>(k),
              85, static_cast<int16_t>(k + 470), 335, kKindDocument, 1);
  optionsMiniature();
  plat::Port& p = plat::port(kPrintOptionsWindow);
  p.setForeColor({0xFFFF, 0, 0});
  p.setFont(font(24));
  p.moveTo(292, 29);
  p.drawText("options...");
  p.setForeColor(kInk);
  const bool customAllowed = printedChannels(f).size() > 1;
  struct Box { int16_t id; const char* title; plat::Rect r; bool on; int state; };
  const Box boxes[] = {
      {kPrintTitle, "Show Title Bar", {280, 46, 435, 64}, o->title, 1},
      {kPrintFileName, "Show File Name", {280, 69, 435, 87}, o->fileName, 1},
      {kPrintMarkers, "Show Markers", {280, 92, 435, 110}, o->markers, 1},
      {kPrintDotted, "Show Dotted Lines", {280, 115, 435, 133}, o->dotted, 1},
      {kPrintZeroLines, "Show Zero Lines", {280, 138, 435, 156}, PZL != 0, 1},
      {kPrintSampling, "Show Sampling Data", {280, 161, 435, 179}, o->sampling, 1},
      {kPrintComments, "Show Comments", {280, 184, 435, 202}, o->comments, 1},
      {kPrintCustomHeights, "Non-standard Plot Height", {20, 208, 260, 226}, CustomPlot != 0, customAllowed ? 1 : 0},
  };
  for (const Box& b : boxes) {
    AddKitButton(kPrintOptionsWindow, b.id, plat::ButtonKind::CheckBox, b.title, b.r,
                 b.state == 0 ? 0 : (b.on ? 2 : 1));
  }
  AddKitButton(kPrintOptionsWindow, kPrintNext, plat::ButtonKind::DefaultPush, "Next\xC9", {270, 215, 420, 237});
  ClearMailbox();
  bool go = true;
  for (;;) {
    const auto [a, id] = TakeEvent();
    if ((a == kActionClick && id == kPrintNext) || a == kActionKey) break;
    // The close box and Escape give the image up.
    if (a == kActionClose) {
      go = false;
      break;
    }
    if (a == kActionActivate && id != kPrintOptionsWindow) {
      go = true;
      break;
    }
    if (a != kActionClick || id < kPrintTitle || id > kPrintCustomHeights) continue;
    bool* flag = nullptr;
    switch (id) {
      case kPrintTitle: flag = &o->title; break;
      case kPrintFileName: flag = &o->fileName; break;
      case kPrintSampling: flag = &o->sampling; break;
      case kPrintComments: flag = &o->comments; break;
      case kPrintDotted: flag = &o->dotted; break;
      case kPrintMarkers: flag = &o->markers; break;
      default: break;
    }
    bool on = false;
    if (flag) {
      *flag = !*flag;
      on = *flag;
    } else if (id == kPrintZeroLines) {
      PZL = PZL != 0 ? 0 : 1;
      on = PZL != 0;
    } else if (id == kPrintCustomHeights && customAllowed) {
      CustomPlot = CustomPlot != 0 ? 0 : 1;
      on = CustomPlot != 0;
    }
    plat::setButtonState(kPrintOptionsWindow, id, on ? 2 : 1);
  }
  plat::disposeWindow(kPrintOptionsWindow);
  return go;
}

void printingAlert(int32_t channels) {
  BuildWINDOW(0, kPrintAlertWindow, "Printing Alert", 55, 110, 410, 220, kKindNoCloseBox, 1);
  WARNINGSTRIPES(0, 1, 8, 0, 0, 355, 110);
  putCICON(129, 25, 48);
  plat::Port& p = plat::port(kPrintAlertWindow);
  p.setFont(font(16));
  p.moveTo(72, 37);
  p.drawText("Printing an image of the file.");
  if (prefsArray[kPrefSoundLevel] != 0) PlayNamedSound("brrrp");
  p.setFont(font(14));
  for (int i = 0; i < 11; ++i) {
    p.setForeColor(i % 2 == 0 ? plat::Rgb16{0xFFFF, 0, 0} : LightGray);
    p.moveTo(72, 67);
    p.drawText("This could take a while...");
    plat::flushWindow(kPrintAlertWindow);
    plat::delayMs(50);
  }
  p.setForeColor(kInk);
  MinimumProgressBarValue = 0;
  buildProgressBAR(75, 83, 265, 93, channels, kPrintAlertWindow);
}

void commentsBlock(plat::Port& p, int16_t f) {
  p.setForeColor(kInk);
  p.setFont(font(15));
  p.moveTo(1, 551);
  p.drawText("Comments:  ");
  p.setFont(font(12, false, false, "Arial"));
  const std::string& t = CommentContainer[f];
  int y = 551;
  size_t at = 0;
  while (at < t.size() && y <= kPageHeight - 45) {
    y += 15;
    std::string line = t.substr(at, 122);
    const size_t cr = line.find('\r');
    if (cr != std::string::npos) line.resize(cr);
    at += line.size() + (cr != std::string::npos ? 1 : 0);
    p.moveTo(10, y);
    p.drawText(line);
  }
  if (at < t.size()) {
    p.moveTo(10, y + 15);
    p.drawText("  ...");
  }
}

void secondSamplingLine(plat::Port& p, int16_t f) {
  const float* info = FileInfoFLOATS[f];
  struct Part { const char* label; float value; const char* unit; };
  const Part parts[] = {{"Mass", info[kInfoMass], " g;"},
                        {"   Flow", info[kInfoFlow], " ml/min;"},
                        {"   B.P.", info[kInfoPressure], " torr;"},
                        {"   Ta", info[kInfoTemperature], " \xA1" "C;"},
                        {"   Effective volume", info[kInfoEffectiveVolume], " ml"}};
  p.moveTo(56, 525);
  for (const Part& part : parts) {
    p.setFont(font(11, true));
    p.drawText(part.label);
    p.setFont(font(11));
    p.drawText(StringFormatter(part.value) + part.unit);
  }
  p.setFont(font(11, true));
  p.drawText("       A-D device:  ");
  p.setFont(font(11));
  p.drawText(AcquisitionDeviceName(info[kInfoDevice]));
}

}  // namespace

void TITLE(plat::Port& p, int16_t x, int16_t y) {
  p.setForeColor(kInk);
  p.moveTo(2 * x, y);
  p.setFont(font(18, false, true));
  p.drawText(" Corvimet X ");
  p.setFont(font(15));
  p.drawText(" laboratory respirometry");
  const std::time_t now = std::chrono::system_clock::to_time_t(plat::now());
  std::tm tm{};
  localtime_r(&now, &tm);
  char stamp[64];
  std::strftime(stamp, sizeof stamp, "  printed at %H:%M:%S on %m/%d/%y", &tm);
  p.setFont(font(14));
  p.drawText(stamp);
}

void DrawSITimeIndex(plat::Port& p, uint16_t y, uint16_t labelled, int pageRight) {
  const int16_t f = slotInUse();
  const PrintRange r = rangeOf(f);
  const int32_t t0 = std::max(ClockTextSeconds(StartTime[f]), 0);
  const TimeIndex ti = SITimeIndex(t0, r, FileInfoFLOATS[f][kInfoInterval], pageRight);
  p.setForeColor(kInk);
  p.setFont(font(12));
  for (const IndexTick& t : ti.ticks) {
    if (t.drawn) {
      p.moveTo(t.x, y - 3);
      p.lineTo(t.x, y + 2);
    }
    if (labelled && !t.label.empty()) {
      p.moveTo(t.x, y + 9 + 4);
      p.drawText(t.label);
    }
  }
  if (!labelled) return;
  p.moveTo(ti.dayScale ? 490 : 420, y + 19 + 4);
  p.drawText(ti.dayScale ? "day" : "time of day");
  p.moveTo(kPageLeft, y + 22 + 4);
  p.lineTo(kPageRight, y + 22 + 4);
}

void PRINTCHANNELS(plat::Port& p, const PrintOptions& o, const PrintImageServices& services, int pageRight) {
  const bool showFileName = o.fileName, showSampling = o.sampling, showMarkers = o.markers, showDotted = o.dotted;
  const int16_t f = slotInUse();
  if (!ValidFileSlot(f) || !SlotHoldsFile(f) || nCases[f] < 1) return;
  const PrintRange r = rangeOf(f);
  const double xscale = PrintXScale(r);
  const float interval = FileInfoFLOATS[f][kInfoInterval];
  const std::vector<int16_t> channels = printedChannels(f);
  const bool custom = services.customPlot && *services.customPlot != 0;
  // The page's own strip heights: the screen's strips are not the page's.
  std::vector<float> rel;
  for (int16_t c : channels)
    rel.push_back(static_cast<size_t>(c) < o.stripHeights.size() ? o.stripHeights[static_cast<size_t>(c)] : 0.0f);
  const std::vector<PrintStrip> strips = PrintStrips(channels, rel, custom);
  p.setForeColor(kInk);
  if (showFileName) {
    p.setForeColor(kGrey);
    p.fillRect({51, 24, 879, 27});
    p.setForeColor(kInk);
    p.moveTo(55, 39);
    p.setFont(font(14));
    p.drawText("file:  '");
    p.setFont(font(15));
    p.drawText(FileName[f]);
    p.setFont(font(14));
    p.drawText("';  Recorded " + StartDate[f] + " @ " + StartTime[f] + "; " + NumText(nChannels[f]) +
               " channels," + NumText(nCases[f]) + " samples");
  }
  if (showSampling) {
    // Below the time index's rule (y 490) with room to spare, so the line
    // never runs into its caption.
    p.setFont(font(16));
    const int baseline = std::max(502, kIndexRuleY + 4 + p.metrics().ascent);
    text(p, 80, baseline,
         "           sample interval" + StringFormatter(interval) + " seconds, total recording time" +
             RecordingLengthText(static_cast<double>(interval) * nCases[f]),
         16);
  }
  const RangeTimes rt = PrintedRangeTimes(r, interval);
  p.setFont(font(10));
  // Clear below the time index's rule, which would strike them through.
  const int timesBaseline = kIndexRuleY + 3 + p.metrics().ascent;
  text(p, 50, timesBaseline, rt.start, 10);
  p.setFont(font(10));
  text(p, pageRight - 9 - p.textWidth(rt.end), timesBaseline, rt.end, 10);

  struct Limits { float lo, hi; };
  std::vector<Limits> limits;
  for (const PrintStrip& s : strips) {
    const int16_t c = s.channel;
    float lo = 0, hi = 1;
    if (scalefact[c][4] < 0) {
      lo = std::min(scalefact[c][5], scalefact[c][6]);
      hi = std::max(scalefact[c][5], scalefact[c][6]);
    } else if (services.scaleOf) {
      services.scaleOf(c, r.start, r.end, &lo, &hi);
    }
    if (!(hi > lo)) hi = lo + 1;
    limits.push_back({lo, hi});
    p.setForeColor(kInk);
    p.strokeRect({kPageLeft, s.top(), 884, s.bottom + 1});
    DrawSITimeIndex(p, static_cast<uint16_t>(s.bottom), 0, pageRight);
    if (PZL != 0 && lo < 0 && hi > 0) {
      const int y = s.top() + static_cast<int>(s.height * hi / (hi - lo)) - 1;
      for (int x = kPageLeft; x < 862; x += 20) {
        p.moveTo(x, y);
        p.lineTo(x + 8, y);
      }
    }
    if (showDotted)
      for (int j = 1; j <= 4; ++j)
        for (int x = 60; x <= 870; x += 10) p.fillRect({x, s.bottom - j * s.height / 5, x + 1, s.bottom - j * s.height / 5 + 1});
    p.setFont(font(10));
    p.moveTo(150, s.top() + 12);
    p.drawText("channel" + NumText(c) + "    " + TrimTrailingBlanks(RetrieveLabelOf(f, c)));
    text(p, kPageLeft + 2, s.top() + 12, NumText(hi), 10);
    text(p, kPageLeft + 2, s.bottom - 2, NumText(lo), 10);
  }
  for (size_t i = 0; i < strips.size(); ++i) {
    const PrintStrip& s = strips[i];
    const double yscale = s.height / static_cast<double>(limits[i].hi - limits[i].lo);
    const float* data = ChannelData(f, s.channel);
    p.setForeColor(prefsArray[kPrefColourDisplay] != 0 ? PlotDataLineColor : kInk);
    if (prefsArray[kPrefColourDisplay] != 0 && PlotDataLineColor == plat::Rgb16{0xFFFF, 0xFFFF, 0xFFFF})
      p.setForeColor(kInk);   // a white trace would vanish on paper
    if (parse[0] > 0) drawCompacted(p, s.channel, r, xscale, limits[i].lo, yscale, s, services.showDot);
    else if (data) drawSamples(p, data, r, xscale, limits[i].lo, yscale, s);
    if (plat::windowExists(kPrintAlertWindow)) UpdateProgressBar(static_cast<int32_t>(i + 1));
  }
  if (showMarkers && MarkerCount(f) > 0) {
    p.setForeColor(kDarkGrey);
    p.setFont(font(9));
    const std::vector<MarkerRecord>& m = MarkersArray[f];
    for (size_t i = 0; i < m.size(); ++i) {
      const int32_t k = m[i].caseNumber;
      if (k <= r.start || k >= r.end) continue;
      // Markers on one case share the line; their labels stand side by side.
      std::string label = PrintedMarkerLabel(m[i].code);
      while (i + 1 < m.size() && m[i + 1].caseNumber == k) label += " " + PrintedMarkerLabel(m[++i].code);
      const int x = kPageLeft + static_cast<int>((k - r.start) * xscale);
      for (int y = 460; y > 50; y -= 10) {
        p.moveTo(x, y);
        p.lineTo(x, y - 3);
      }
      p.moveTo(x + 2, 77);
      p.drawText(label);
    }
    p.setForeColor(kInk);
  }
  printblock = 0;
  wsst();
}

void DrawFileImagePage(plat::Port& p, const PrintOptions& o, const PrintImageServices& services, int pageRight) {
  const int16_t f = slotInUse();
  if (!ValidFileSlot(f) || !SlotHoldsFile(f)) return;
  p.setForeColor(kInk);
  if (o.comments) commentsBlock(p, f);
  DrawSITimeIndex(p, kIndexY, 1, pageRight);
  if (o.sampling) secondSamplingLine(p, f);
  if (o.title) TITLE(p, 27, 18);
  PRINTCHANNELS(p, o, services, pageRight);
}

void SCREENIMAGE(uint16_t print, const PrintImageServices& services) {
  const int16_t f = slotInUse();
  if (!ValidFileSlot(f) || !SlotHoldsFile(f)) return;
  const int plotWin = kPlotWindowBase + f;
  const int16_t keptActive = ActiveChannel;
  EndBeep();
  plat::disposeWindow(kPrintOptionsWindow);
  HideTheToolBar();
  HandlerScope keep;
  InstallDialogHandlers();
  PZL = 1;
  PrintOptions o;
  o.markers = MarkerCount(f) <= 60;
  bool printing = print != 0;
  uint16_t noCustom = 0;
  uint16_t& CustomPlot = services.customPlot ? *services.customPlot : noCustom;
  const bool go = runOptions(printing, &o, f, CustomPlot);
  const int16_t sel =
      go ? SELECTCHANNELS(printing ? "Print File Image" : "File Print Preview", ActiveChannel, 0, 0, 1)
         : kSelectCancelled;
  plat::disposeWindow(kChannelSelectWindow);
  // Every pass prints what the preview showed: the block choice is cleared
  // after each pass, so it is kept here.
  const uint16_t blockOnly = printblock;
  if (sel != kSelectCancelled && CustomPlot != 0 && printedChannels(f).size() > 1 && services.customHeights) {
    // The dialog writes the strip words the screen draws with: the page
    // takes its own copy and the screen's stay as they were.
    const std::vector<ChannelInfoRecord> screenStrips(std::begin(nVar[f]), std::end(nVar[f]));
    services.customHeights();
    o.stripHeights.assign(screenStrips.size(), 0.0f);
    for (size_t c = 0; c < screenStrips.size(); ++c) {
      o.stripHeights[c] = nVar[f][c][8];
      for (int word = 8; word <= 12; ++word) nVar[f][c][word] = screenStrips[c][word];
    }
  }
  const int L = plat::windowExists(plotWin) ? plat::contentRect(plotWin).left : 0;
  for (bool again = sel != kSelectCancelled; again;) {
    again = false;
    printblock = blockOnly;
    if (printing) {
      if (plat::print::pageSetup() && plat::print::printDialog()) {
        printingAlert(static_cast<int32_t>(printedChannels(f).size()));
        // The page is drawn once into a picture at its own geometry, then
        // fitted to the paper's width.
        plat::WindowSpec w;
        w.id = kPrintPageWindow;
        w.title = "Corvimet Screen Print";
        w.content = {4000, 4000, 4000 + 900, 4000 + kPageHeight};
        w.visible = false;
        w.background = {0xFFFF, 0xFFFF, 0xFFFF};
        plat::createWindow(w);
        plat::Port& page = plat::port(kPrintPageWindow);
        page.startRecording({0, 0, 900, 700});
        DrawFileImagePage(page, o, services, 900);
        const plat::Picture pic = page.stopRecording();
        plat::print::Job job("Corvimet file image");
        const plat::Rect paper = job.pageRect();
        const int width = paper.width();
        job.port().drawPicture(pic, {paper.left, paper.top, paper.left + width, paper.top + width * 700 / 900});
        job.finish();
      }
    } else {
      const bool tall = plat::displaySize().h >= 725;
      plat::WindowSpec w;
      w.id = kPrintPageWindow;
      w.title = "Screen Print Preview";
      w.content = {L + 15, 65, L + 910, tall ? 800 : 720};
      w.background = {0xFFFF, 0xFFFF, 0xFFFF};
      plat::createWindow(w);
      const int right = w.content.width();
      DrawFileImagePage(plat::port(kPrintPageWindow), o, services, right);
      const int row = tall ? 700 : 615;
      AddKitButton(kPrintPageWindow, kPreviewSend, plat::ButtonKind::Push, "Send This Image to the Printer",
                   {400, row, 700, row + 20});
      AddKitButton(kPrintPageWindow, kPreviewClose, plat::ButtonKind::DefaultPush, "Close", {730, row, 850, row + 20});
      ClearMailbox();
      for (;;) {
        const auto [a, id] = TakeEvent();
        if (a == kActionClick && id == kPreviewSend) {
          printing = true;
          again = true;
          break;
        }
        if (a == kActionClick || a == kActionKey || a == kActionClose ||
            (a == kActionActivate && id != kPrintPageWindow))
          break;
      }
    }
    // Clean-up after each pass.
    printblock = 0;
    wssst();
    plat::disposeWindow(kPrintPageWindow);
    ActiveChannel = keptActive;
    if (printing && plat::windowExists(kPrintAlertWindow)) plat::delayMs(500);
    plat::disposeWindow(kPrintAlertWindow);
  }
  printblock = 0;
  RestoreTheToolBar();
  ActiveChannel = keptActive;
  plat::flushInput();
  ClearMailbox();
  if (plat::windowExists(plotWin)) plat::selectWindow(plotWin);
  if (services.rebuildSlider) services.rebuildSlider();
  prefsArray[kPrefOverlayAll] = 0;
}
