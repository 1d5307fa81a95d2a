#include "plot/ui/draw.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "datafiles/filehelpers.h"
#include "datafiles/save.h"
#include "output/results.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/geometry.h"
#include "plot/timeaxis.h"
#include "plot/trace.h"
#include "plot/ui/plotwindow.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

uint16_t ScaleMode = plotcore::kScaleNormal;
float minimumValue = 0, maximumValue = 1, range = 1;
float sc = 0, scr = 0, lines = 0, spn = 0, span = 0;
float kFloat = 0;
int16_t ShowDot = 0;
int16_t LastHorizPosition = 0;
float BlockMinY = 0;
PlotHooks gPlotHooks;

namespace {

// Qt's vector drawing code can leave the upper halves of the AVX registers
// dirty; legacy-SSE loops after it then pay a transition penalty on every
// instruction. Cleared before each pass over the samples.
inline void clearUpperVectorState() {
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx")) __asm__ volatile("vzeroupper" ::: "memory");
#endif
}

constexpr int kPlotTop = 18;       // frame top row
constexpr int kTraceTop = 19;      // first row a trace may use
constexpr int kFirstNoteButton = 5001, kLastNoteButton = 5150;
constexpr int kAllValuesBase = 200;
// Paths longer than this skip the level-of-detail table: scanning a page is
// cheaper than looking the table up.
constexpr int64_t kLodWorthIt = 4096;

bool slotReady(int16_t f) { return ValidFileSlot(f) && SlotHoldsFile(f); }

int16_t frontSlot() { return static_cast<int16_t>(TheFileInUse); }

int labelSize() {
  const int s = prefsArray[kPrefLabelSize];
  return s >= 6 && s <= 48 ? s : 12;
}

plat::FontSpec plainFont(int px) {
  plat::FontSpec f;
  f.pixelSize = px;
  return f;
}

// Channel clamped to what the file holds (0, the scratch channel, allowed).
int16_t drawableChannel(int16_t f, int16_t c) {
  if (c < 0 || c > nChannels[f]) c = 1;
  if (c == 0 && !ChannelData(f, 0)) c = 1;
  return c;
}

std::string titleText(int16_t f, const plotcore::ViewState& v) {
  std::string t = "File" + NumText(static_cast<int16_t>(f + 1)) + ": '" + FileName[f] + "' (" +
                  NumText(nChannels[f]) + " channel" + (nChannels[f] >= 2 ? "s, " : ", ") +
                  MakeCaseNumber(nCases[f]) + " samples";
  const int32_t n = v.zoomed ? plotcore::ClampZoom(zoomleft, zoomright, nCases[f]).right -
                                   plotcore::ClampZoom(zoomleft, zoomright, nCases[f]).left
                             : nCases[f];
  if (FileSHORTS[f][kShortCompressed] && ScreenWidth > 1000 && n > ScreenWidth)
    t += ";  compressed" + StringFormatter(static_cast<float>(n) / ScreenWidth).substr(0, 6) + "-fold";
  return t + " ) ";
}

}  // namespace

void RetitlePlotWindow(int16_t slot) {
  if (!ValidFileSlot(slot) || !plat::windowExists(PlotWindowId(slot))) return;
  plat::setTitle(PlotWindowId(slot), titleText(slot, PlotViewState(slot)));
}

namespace {

// The label line when its owner has not installed one: the top of the scale,
// the channel and the page shown.
void plainLabelLine(int16_t f) {
  plat::Port& p = plat::currentPort();
  p.setForeColor(plotForeColor);
  p.setBackColor(plotBackColor);
  p.setFont(plainFont(labelSize()));
  const plotcore::Scale scale = CurrentScale();
  const std::string top = plotcore::ScaleEndText(maximumValue, scale, NumText(maximumValue));
  const std::string bottom = plotcore::ScaleEndText(minimumValue, scale, NumText(minimumValue));
  p.moveTo(YLabelX(top, 1), 29);
  p.drawText(top + "     ");
  if (static_cast<int16_t>(ScaleMode) < 1) {
    p.moveTo(YLabelX(bottom, 0), BottomOfPlotArea - 5);
    p.drawText(bottom + "     ");
  }
  std::string text = "Channel" + NumText(ActiveChannel) + " of" + NumText(nChannels[f]) + "    " +
                     TrimTrailingBlanks(RetrieveLabelOf(f, ActiveChannel));
  if (nCases[f] > ScreenWidth && FileSHORTS[f][kShortCompressed] == 0)
    text += "      Screen" + NumText(FileSHORTS[f][kShortSegment]) + " of" + NumText(FileSHORTS[f][kShortSegments]);
  p.moveTo(100, 33);
  p.drawText(text);
  p.setForeColor(kBlack);
  p.setBackColor(gray);
  p.setFont(plainFont(10));
}

void drawYLabels(const plotcore::Scale& s, int16_t B) {
  plat::Port& p = plat::currentPort();
  p.setFont(plainFont(labelSize()));
  p.setForeColor(plotForeColor);
  const float step = s.lines > 0 ? s.scr / s.lines : 0.0f;
  for (const plotcore::YLabel& l : plotcore::YAxisLabels(s, PlotHeight, B)) {
    kFloat = static_cast<float>(l.value);
    const std::string text = l.zero ? std::string(" 0") : plotcore::AxisLabelText(l.value, step);
    p.moveTo(YLabelX(text, 0), l.y);
    p.drawText(text);
  }
}

void drawGrid(const plotcore::Scale& s) {
  plat::Port& p = plat::currentPort();
  std::vector<plat::Point> pts;
  for (int y : plotcore::GridRows(s, PlotHeight)) {
    pts.push_back({10, y});
    pts.push_back({ScreenWidth, y});
  }
  if (pts.empty()) return;
  p.resetPen();
  p.setPenMode(plat::PenMode::Or);
  p.setPenPattern(plat::systemPattern(28));
  p.setForeColor(plotForeColor);
  p.drawSegments(pts.data(), pts.size() / 2);
  p.resetPen();
}

void drawZeroLine(const plotcore::Scale& s, bool labelled) {
  int y0 = 0;
  if (!plotcore::ZeroLineRow(s, PlotHeight, &y0)) return;
  plat::Port& p = plat::currentPort();
  std::vector<plat::Point> pts;
  for (int i = 1; i <= ScreenWidth / 20; ++i) {
    pts.push_back({20 * i - 12, y0});
    pts.push_back({20 * i, y0});
  }
  p.resetPen();
  p.setForeColor(Pwhite);
  if (!pts.empty()) p.drawSegments(pts.data(), pts.size() / 2);
  if (!labelled) {
    p.setFont(plainFont(labelSize()));
    p.moveTo(0, y0 < 44 ? y0 + 12 : y0 - 2);
    p.drawText(" 0");
  }
}

// The compacted trace rows: group means joined, optional circles and SD bars.
void drawCompacted(int16_t f, int16_t c, const plotcore::ViewState& v, float yScale, int32_t offset) {
  const int32_t p = parse[0];
  const int32_t groups = std::min<int32_t>(CompactedGroupCount(nCases[f], p), parse[1]);
  const float* means = ParseArray.row(c);
  const float* sds = ParseArray.row(c + 32);
  if (!means) return;
  const bool bars = prefsArray[kPrefSdBars] != 0;
  const plotcore::CompactedTrace t = plotcore::CompactedTraceFor(v, means, sds, groups, p, BottomOfPlotArea, yScale,
                                                                 minimumValue, offset, bars);
  plat::Port& port = plat::currentPort();
  if (!t.segments.empty()) port.drawSegments(t.segments.data(), t.segments.size() / 2);
  if (ShowDot)
    for (const plat::Point& pt : t.points) port.strokeOval({pt.x - 3, pt.y - 3, pt.x + 4, pt.y + 4});
  if (!t.sdBars.empty()) {
    port.drawSegments(t.sdBars.data(), t.sdBars.size() / 2);
    const plat::Point& a = t.sdBars[t.sdBars.size() - 2];
    StandardDeviation = static_cast<float>(a.y - t.points.back().y);
  }
}

// Block shading of the single view and the pixel edges kept in words 11, 12.
void drawBlockShading(int16_t f, const plotcore::ViewState& v) {
  if (EndBlock[f] == 0) return;
  const int top = kTraceTop, bottom = BottomOfPlotArea - 3;
  const int16_t state = FileSHORTS[f][kShortBlockState];
  const int32_t left = plotcore::BlockEdgePixel(v, BeginBlock[f]);
  const int32_t right = plotcore::BlockEdgePixel(v, EndBlock[f]);
  if (plotcore::ModeOf(v) != plotcore::ViewMode::Paged) {
    FileSHORTS[f][kShortBlockLeftPx] = static_cast<int16_t>(std::clamp(left, -32768, 32767));
    FileSHORTS[f][kShortBlockRightPx] = static_cast<int16_t>(std::clamp(right, -32768, 32767));
    if (state == 2) PaintBlockBand(left, right, top, bottom);
    else if (state == 3) PaintBlockBand(left, left, top, bottom);
    return;
  }
  if (state != 2) return;
  const auto span = plotcore::PagedBlockSpan(v, BeginBlock[f], EndBlock[f]);
  if (!span) return;
  FileSHORTS[f][kShortBlockLeftPx] = static_cast<int16_t>(std::clamp(left, -32768, 32767));
  FileSHORTS[f][kShortBlockRightPx] = static_cast<int16_t>(std::clamp(right, -32768, 32767));
  PaintBlockBand(span->left, span->right, top, bottom);
}

}  // namespace

bool StackedViewShown(int16_t slot) {
  return ValidFileSlot(slot) && FileSHORTS[slot][kShortView] != 0 && gPlotHooks.drawAllChannels &&
         gPlotHooks.multiChannelDisplay;
}

plotcore::Scale CurrentScale() {
  plotcore::Scale s;
  s.minimumValue = minimumValue;
  s.maximumValue = maximumValue;
  s.range = range;
  s.sc = sc;
  s.scr = scr;
  s.lines = lines;
  s.spn = spn;
  s.span = span;
  s.niceAxis = lines >= 1 && scr > 0;
  return s;
}

void SetScaleGlobals(const plotcore::Scale& s) {
  minimumValue = s.minimumValue;
  maximumValue = s.maximumValue;
  range = s.range;
  sc = s.sc;
  scr = s.scr;
  lines = s.niceAxis ? s.lines : 0.0f;
  spn = s.spn;
  span = s.span;
}

int YLabelX(const std::string& text, int x) { return !text.empty() && text[0] == '-' ? std::max(x, 3) : x; }

std::optional<plat::Rect> BlockBandShown(int16_t f) {
  if (!ValidFileSlot(f) || EndBlock[f] == 0 || FileSHORTS[f][kShortBlockState] != 2 || StackedViewShown(f))
    return std::nullopt;
  const plotcore::ViewState v = PlotViewState(f);
  int left = 0, right = 0;
  if (plotcore::ModeOf(v) == plotcore::ViewMode::Paged) {
    const auto span = plotcore::PagedBlockSpan(v, BeginBlock[f], EndBlock[f]);
    if (!span) return std::nullopt;
    left = span->left;
    right = span->right;
  } else {
    left = plotcore::BlockEdgePixel(v, BeginBlock[f]);
    right = plotcore::BlockEdgePixel(v, EndBlock[f]);
  }
  if (right < left) std::swap(left, right);
  return plat::Rect{left, kTraceTop, right + 1, BottomOfPlotArea - 2};
}

void RedrawOverlayOverBlock() {
  if (prefsArray[kPrefOverlayAll] == 0 || !gPlotHooks.drawOverlay) return;
  const plotcore::Scale keep = CurrentScale();
  gPlotHooks.drawOverlay();
  SetScaleGlobals(keep);
}

void PaintBlockBand(int left, int right, int top, int bottom) {
  if (right < left) std::swap(left, right);
  plat::Port& p = plat::currentPort();
  p.invertRect({left, top, right + 1, bottom + 1});
}

void FindMinMax() {
  const int16_t f = frontSlot();
  if (!slotReady(f)) return;
  const int16_t c = drawableChannel(f, ActiveChannel);
  const float* data = ChannelData(f, c);
  if (!data) return;
  const int32_t n = nCases[f];
  plotcore::CaseRange r = plotcore::ViewRange(PlotViewState(f));
  if (printblock != 0) {
    r.first = std::clamp(std::min(BeginBlock[f], EndBlock[f]), 0, n);
    r.last = std::clamp(std::max(BeginBlock[f], EndBlock[f]), 0, n);
  }
  plotcore::Extremes e;
  clearUpperVectorState();
  if (!r.empty()) {
    if (int64_t{r.last} - r.first >= kLodWorthIt) {
      const plotcore::LodTable& lod = plotcore::PlotLodCache().get(f, c, data, static_cast<size_t>(n) + 1);
      e = lod.query(data, r.first, r.last);
    } else {
      e = plotcore::ScanExtremes(data, static_cast<size_t>(n) + 1, r.first, r.last);
    }
  }
  if (ScaleMode == plotcore::kScaleManual) {
    range = maximumValue - minimumValue;
    return;
  }
  SetScaleGlobals(plotcore::ScaleFromExtremes(e, ScaleMode));
}

void Draw_PLOT_LINE(int32_t first, int32_t last, double yZero, float yScale, int16_t channel, double x0,
                    double xStep, uint16_t clip) {
  const int16_t f = frontSlot();
  if (!slotReady(f) || channel < 0 || channel > kMaxChannels) return;
  const float* data = ChannelData(f, channel);
  if (!data) return;
  const int32_t n = nCases[f];
  clearUpperVectorState();
  plotcore::TraceParams tp;
  tp.first = first;
  tp.last = last;
  tp.yZero = yZero;
  tp.yScale = yScale;
  tp.x0 = x0;
  tp.xStep = xStep;
  tp.clip = clip != 0;
  plotcore::ClipBand(FileSHORTS[f][kShortView], BottomOfPlotArea, nVar[f][channel][8], nVar[f][channel][9],
                     &tp.clipTop, &tp.clipBottom);
  tp.manualClamp = clip == 1 && scalefact[channel][4] < 0;
  tp.maximumValue = maximumValue;
  tp.minimumValue = minimumValue;
  tp.histogram = PlotAsHistogram != 0;
  tp.bottomOfPlotArea = BottomOfPlotArea;
  // Columns of many cases come from the channel's extremes table, kept while
  // the span stays; a page of one case per pixel reads the samples.
  const bool manyPerColumn = xStep > 0 && xStep < 1.0 / 32;
  const plotcore::TraceColumns* cols =
      manyPerColumn ? &plotcore::PlotLodCache().columns(f, channel, data, n, tp) : nullptr;
  const plotcore::TraceResult r = plotcore::ReduceTrace(data, n, tp, nullptr, cols);
  plat::Port& p = plat::currentPort();
  const plat::Size pen = p.penSize();
  if (tp.histogram) p.setPenSize(r.penWidth, 1);
  if (!r.segments.empty()) p.drawSegments(r.segments.data(), r.segments.size() / 2);
  MinimumYposition = static_cast<int16_t>(std::clamp(r.minimumYposition, -32768, 32767));
  p.setPenSize(std::max(1, pen.w), std::max(1, pen.h));
  if (n > ScreenWidth) MakePLOT_SLIDER();
  p.setPenSize(1, 1);
}

void DrawTimeIndex(int16_t y, int16_t labels) {
  const int16_t f = frontSlot();
  if (!slotReady(f)) return;
  const plotcore::ViewState v = PlotViewState(f);
  plotcore::TimeAxisInput in;
  in.startSeconds = plotcore::StartSecondsOf(StartTime[f]);
  in.interval = FileInfoFLOATS[f][kInfoInterval];
  in.nCases = nCases[f];
  in.screenWidth = ScreenWidth;
  in.segment = v.segment;
  in.compressed = FileSHORTS[f][kShortCompressed] != 0;
  in.zoomed = v.zoomed;
  in.zoomLeft = v.zoomLeft;
  in.zoomRight = v.zoomRight;
  in.axisY = y;
  in.labels = labels != 0;
  in.gridLines = prefsArray[kPrefTimeGrid] != 0;
  in.timeGridLimit = TimeGridLimit;
  const plotcore::TimeAxis ax = plotcore::ComputeTimeAxis(in);

  plat::Port& p = plat::currentPort();
  p.resetPen();
  p.setBackColor(gray);
  // The axis strip lies below the plot frame; the frame's bottom rows stay.
  p.clearRect({1, std::max(ax.eraseTop, BottomOfPlotArea - 2), 3000, ax.eraseBottom + 1});
  std::vector<plat::Point> grid, ticks;
  for (const plotcore::TimeMark& m : ax.marks) {
    if (m.grid) {
      grid.push_back({m.x, kPlotTop});
      grid.push_back({m.x, ax.gridBottom});
    }
    if (m.tick) {
      ticks.push_back({m.x, y});
      ticks.push_back({m.x, y + 3});
    }
  }
  if (!grid.empty()) {
    p.setPenMode(plat::PenMode::Xor);
    p.setPenPattern(plat::systemPattern(26));
    p.drawSegments(grid.data(), grid.size() / 2);
    p.resetPen();
  }
  p.setForeColor(kBlack);
  if (!ticks.empty()) p.drawSegments(ticks.data(), ticks.size() / 2);
  plat::FontSpec font = plainFont(labelSize());
  font.family = std::to_string(OrrelinFont);
  p.setFont(font);
  for (const plotcore::TimeLabel& l : ax.labels) {
    p.moveTo(l.x, l.baselineY);
    p.drawText(l.text);
  }
  p.setFont(plainFont(10));
}

void ScaleToActiveChannel() {
  const int16_t c = ActiveChannel;
  if (c < 1 || c > kMaxChannels) return;
  ScaleMode = plotcore::ScaleModeFromFactor(scalefact[c][4]);
  if (ScaleMode == plotcore::kScaleManual) SetScaleGlobals(plotcore::ManualScale(scalefact[c][5], scalefact[c][6]));
  else FindMinMax();
}

void DrawPlot(int32_t offset, uint16_t commentsA, uint16_t commentsB) {
  const int16_t f = frontSlot();
  if (!slotReady(f)) return;
  const int win = PlotWindowId(f);
  if (!plat::windowExists(win)) return;
  plat::setCurrentPort(win);
  const int16_t c = drawableChannel(f, ActiveChannel);
  ActiveChannel = c;

  // 1. Scale.
  ScaleToActiveChannel();
  FixMenuSEVEN();

  // 2, 3. Title, leftovers of the last drawing, sound.
  plotcore::ViewState v = PlotViewState(f);
  plat::setTitle(win, titleText(f, v));
  for (int id = kFirstNoteButton; id <= kLastNoteButton; ++id)
    if (plat::controlExists(win, id)) plat::removeControl(win, id);
  if (AllValues)
    for (int k = 1; k <= nChannels[f]; ++k) plat::removeControl(win, kAllValuesBase + k);
  ThisFileName = FileName[f];
  if (FileSHORTS[f][kShortCompressed] == 0) wssst();
  else wsst();

  // 4. Frame.
  ScreenWidth = static_cast<int16_t>(plat::contentSize(win).w);
  const int16_t B = BottomOfPlotArea;
  plat::Port& p = plat::port(win);
  p.resetPen();
  p.setBackColor(gray);
  p.setForeColor(plotForeColor);
  p.clearRect({0, 0, ScreenWidth, kPlotTop});
  p.setForeColor(kBlack);
  const plat::Point frame[] = {{0, kPlotTop}, {ScreenWidth, kPlotTop}, {0, 0}, {0, B + 21}};
  p.drawSegments(frame, 2);
  const plat::Rect plotRect{0, kPlotTop, ScreenWidth, B - 2};
  p.setForeColor(plotBackColor);
  p.fillRect(plotRect, plat::patterns::solid);
  p.setForeColor(plotForeColor);
  p.strokeRect(plotRect);

  // 5. Expansion of short files and the end of the data.
  Xstep = plotcore::ExpansionStep(nCases[f], ScreenWidth);
  v = PlotViewState(f);
  if (const auto endX = plotcore::DataEndLineX(v)) {
    const plat::Point end[] = {{*endX, kTraceTop}, {*endX, B - 2}};
    p.drawSegments(end, 1);
  }

  // 6. Trace pen; the view words.
  if (FileSHORTS[f][kShortCompressed] == 0 && nCases[f] <= ScreenWidth) FileSHORTS[f][kShortSegment] = 1;
  ActiveChannelArray[f] = c;
  v = PlotViewState(f);

  // 7. The trace.
  const float yScale = plotcore::YScaleOf(PlotHeight, CurrentScale());
  p.setClip({1, kTraceTop, ScreenWidth, B - 2});
  p.setPenSize(std::max<int16_t>(1, PlotLineThickness), std::max<int16_t>(1, PlotLineThickness));
  p.setForeColor(PlotDataLineColor);
  const bool manual = ScaleMode == plotcore::kScaleManual;
  if (parse[0] > 0 && !v.zoomed) {
    drawCompacted(f, c, v, yScale, offset);
    if (nCases[f] > ScreenWidth) MakePLOT_SLIDER();
  } else {
    const plotcore::TraceCall t = plotcore::MainTraceCall(v, B, yScale, minimumValue, c);
    Draw_PLOT_LINE(t.first, t.last, t.yZero, yScale, c, t.x0, t.xStep, manual ? 1 : 0);
    if (t.expanded) {
      plat::FontSpec it = plainFont(12);
      it.italic = true;
      p.setFont(it);
      p.setForeColor(plotForeColor);
      p.moveTo(80, 59);
      p.drawText("expanded" + NumText(Xstep) + "X ");
    }
  }
  p.resetPen();
  p.clearClip();

  // 8, 9. Y labels and grid.
  const plotcore::Scale s = CurrentScale();
  const bool labelled = ScaleMode == plotcore::kScaleIncludeZero || ScaleMode == plotcore::kScaleNormal;
  if (labelled) drawYLabels(s, B);
  if (prefsArray[kPrefGrid] != 0) drawGrid(s);

  // 10. Label line.
  p.setForeColor(kBlack);
  if (gPlotHooks.drawLabelStuff) gPlotHooks.drawLabelStuff();
  else plainLabelLine(f);

  // 11. Zero line.
  if (prefsArray[kPrefZeroLines] != 0) drawZeroLine(s, labelled);
  p.resetPen();

  // 12. Furniture.
  if (!v.zoomed) DrawSCREENWIDTHS();
  if (NumberOfNotes[f] > 0 && gPlotHooks.noteMarkers) gPlotHooks.noteMarkers();
  plat::setCurrentPort(win);
  const bool timeAxis = FileInfoFLOATS[f][kInfoInterval] > 0;
  if (timeAxis) DrawTimeIndex(static_cast<int16_t>(B - 3), prefsArray[kPrefTimeLabels] != 0 ? 1 : 0);
  if (commentsA && commentsB && gPlotHooks.drawComments) gPlotHooks.drawComments();
  plat::setCurrentPort(win);

  // 13. Block shading. The overlay and the markers come after it, so that
  // they are drawn to be seen inside the block too.
  drawBlockShading(f, v);
  RedrawOverlayOverBlock();
  if (MarkerCount(f) > 0 && prefsArray[kPrefMarkersShown] != 0 && gPlotHooks.drawMarkers) gPlotHooks.drawMarkers();
  plat::setCurrentPort(win);

  // 14. Below the plot. The strip under the time axis is cleared, not the
  // axis itself: clearing from B - 2 would wipe the axis just drawn.
  if (!plat::controlExists(win, kPageSlider)) {
    p.setBackColor(gray);
    p.clearRect({1, timeAxis ? B + 14 : B - 1, ScreenWidth, B + 61});
  } else if (nCases[f] < ScreenWidth) {
    plat::removeControl(win, kPageSlider);
  }
  SETMENU(1);
  if (gPlotHooks.drawTimeDate) gPlotHooks.drawTimeDate();
  if (AllValues && gPlotHooks.doAllValues) gPlotHooks.doAllValues(0);
  LastHorizPosition = 0;
  if (nCases[f] > 4000) {
    plat::disposeWindow(kDataBarWindow16);
    p.setBackColor(gray);
  }
  plat::setCurrentPort(win);
  plat::flushWindow(win);
}
