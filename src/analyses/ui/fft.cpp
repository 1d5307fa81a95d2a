#include "analyses/ui/fft.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>
#include <string>
#include <vector>
#include <cstdio>
#include <cstdlib>

#include "analyses/fft.h"
#include "shell/safewrite.h"
#include "datafiles/timescale.h"
#include "editing/ui/copychannel.h"
#include "output/ui/analysiskit.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/macroman.h"
#include "platform/menus.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/databar_text.h"
#include "plot/selection.h"
#include "plot/trace.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/draw.h"
#include "plot/ui/markers.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int kPlotTop = 18, kTraceTop = 19;
// Down to the progress bar, which ends at 212.
constexpr int16_t kFftWindowHeight = 220;
const plat::FileKind kFftKind{{'T', 'E', 'X', 'T'}, {'X', 'C', 'E', 'L'}, "FFT results", {"txt"}};
const char* const kUnitTitles[] = {"Hz", "mHz", "KHz", "Hz", "msec", "sec", "min", "hours"};

// One use of the window. The spectrum is ours: the file's case count, view
// words, active channel and histogram flag are never touched.
struct Run {
  int16_t slot = 0, channel = 1;
  int16_t interval = 0;            // chosen button id, 0 none
  int64_t n = 0;
  bool blockChosen = false;
  bool selecting = false;          // the band follows the pointer
  int bandLeft = -1, bandRight = -1;   // XOR band drawn on the plot, -1 none
  bool clicked = false;
  plat::Point clickedAt;           // where the press was: the pointer may have moved on since
  std::vector<float> raw;          // magnitudes, one per bin
  std::vector<float> shown;        // raw or smoothed, with a leading element for the trace
  int64_t count = 0;               // bins displayed
  bool spectrum = false, smooth = false, bars = true;
  int16_t unit = 1;
  double dt = 1.0;
};
Run* gRun = nullptr;

int plotWindow(const Run& r) { return PlotWindowId(r.slot); }

void push(int16_t id, const std::string& title, plat::Rect r, plat::ButtonKind kind = plat::ButtonKind::Push,
          int state = 1) {
  AddKitButton(kResultsWindow, id, kind, title, r, state);
}

void status(const std::string& t) { plat::setFieldText(kResultsWindow, kFftStatusField, t); }

// A stage of the transform: its text, the bar at `count` (0 leaves it), on
// the screen before the next stage starts.
void stage(const std::string& t, int32_t count) {
  status(t);
  if (count > 0) UpdateProgressBar(count);
  plat::flushWindow(kResultsWindow);
}

void heading(const std::string& t) {
  plat::Port& p = plat::port(kResultsWindow);
  p.setForeColor(gray);
  p.fillRect({0, 0, 450, 22});
  p.setForeColor(kBlack);
  plat::FontSpec f;
  f.pixelSize = 14;
  f.bold = true;
  p.setFont(f);
  p.moveTo(8, 17);
  p.drawText(t);
}

void intervalButtons(const Run& run, bool enabled) {
  const int16_t last = LastFftButton(nCases[run.slot]);
  for (int16_t id = kFftFirstButton; id <= kFftLastButton; ++id) {
    if (plat::controlExists(kResultsWindow, id)) plat::removeControl(kResultsWindow, id);
    if (id > last) continue;
    const int col = (id - kFftFirstButton) / 4, row = (id - kFftFirstButton) % 4;
    push(id, std::to_string(int64_t{1} << id), {10 + col * 100, 28 + row * 22, 100 + col * 100, 46 + row * 22},
         plat::ButtonKind::Radio, !enabled ? 0 : (id == run.interval ? 2 : 1));
  }
}

void spectrumButtons(const Run& run) {
  const bool on = run.spectrum;
  auto state = [on](bool extra = true) { return on && extra ? 1 : 0; };
  plat::setButtonState(kResultsWindow, kFftSmooth, on ? (run.smooth ? 2 : 1) : 0);
  plat::setButtonState(kResultsWindow, kFftCopy, state(nChannels[run.slot] < kMaxChannels));
  plat::setButtonState(kResultsWindow, kFftSave, state());
  plat::setButtonState(kResultsWindow, kFftZoomOut, state(run.count < run.n / 2));
  plat::setButtonState(kResultsWindow, kFftZoomIn, state(run.count > 16 && run.count * 8 > ScreenWidth));
  plat::setButtonState(kResultsWindow, kFftNewInterval, state());
  plat::setButtonState(kResultsWindow, kFftHistogram, run.bars ? 2 : 1);
  plat::setButtonState(kResultsWindow, kFftDo, !on && run.blockChosen ? 1 : 0);
}

void buildWindow(Run& run) {
  OpenResultsWIndow(0, 1, 1, "Fast Fourier Transform", 0);
  // Whole, as the other analyses open: over a plot moved low, cut at the desk.
  FitResultsWindow(kFftWindowHeight);
  plat::setCurrentPort(kResultsWindow);
  heading("FFT interval (# samples) ");
  intervalButtons(run, true);
  push(kFftDo, "Do FFT", {10, 124, 100, 146}, plat::ButtonKind::DefaultPush, 0);
  push(kFftExit, "Exit", {106, 124, 196, 146});
  push(kFftNewInterval, "\xC6 Interval", {202, 124, 302, 146}, plat::ButtonKind::Push, 0);
  push(kFftHistogram, "Histogram", {320, 28, 440, 46}, plat::ButtonKind::CheckBox, 2);
  push(kFftSmooth, "Smooth", {320, 50, 440, 68}, plat::ButtonKind::CheckBox, 0);
  push(kFftCopy, "Copy Channel", {320, 72, 440, 92}, plat::ButtonKind::Push, 0);
  push(kFftSave, "Save FFT...", {320, 96, 440, 116}, plat::ButtonKind::Push, 0);
  push(kFftZoomOut, "Zoom Out", {320, 124, 378, 146}, plat::ButtonKind::Push, 0);
  push(kFftZoomIn, "Zoom In", {382, 124, 440, 146}, plat::ButtonKind::Push, 0);
  push(200, "?", {410, 2, 440, 20});
  plat::FieldSpec f;
  f.id = kFftStatusField;
  f.r = {10, 156, 300, 172};
  f.kind = plat::FieldKind::Static;
  f.font.pixelSize = 12;
  plat::addField(kResultsWindow, f);
  f.id = kFftReadoutField;
  f.r = {10, 178, 195, 194};
  plat::addField(kResultsWindow, f);
}

// ---- The band that follows the pointer ------------------------------------------

void xorBand(Run& run, int left, int right) {
  plat::Port& p = plat::port(plotWindow(run));
  p.setPenMode(plat::PenMode::Xor);
  p.fillRect({left, kTraceTop, right + 1, BottomOfPlotArea - 2}, plat::patterns::gray50);
  p.setPenMode(plat::PenMode::Copy);
}

void eraseBand(Run& run) {
  if (run.bandLeft < 0) return;
  xorBand(run, run.bandLeft, run.bandRight);
  run.bandLeft = run.bandRight = -1;
  plat::flushWindow(plotWindow(run));
}

// The block of n cases centred on case c, kept inside the file.
int32_t blockStartFor(int32_t c, int64_t n, int32_t cases) {
  const int64_t start = std::clamp<int64_t>(int64_t{c} - n / 2, 0, std::max<int64_t>(0, int64_t{cases} - n));
  return static_cast<int32_t>(start);
}

// Pixel span of the block starting at case b in the view drawn now.
std::pair<int, int> blockPixels(const Run& run, int32_t b) {
  const plotcore::ViewState v = PlotViewState(run.slot);
  const double cases = nCases[run.slot];
  if (FileSHORTS[run.slot][kShortCompressed] != 0 || cases > ScreenWidth) {
    const double perPixel = ScreenWidth / std::max(1.0, cases);
    return {static_cast<int>(b * perPixel), static_cast<int>((b + run.n) * perPixel)};
  }
  (void)v;
  return {b * Xstep, static_cast<int>((b + run.n) * Xstep)};
}

void followPointer(Run& run) {
  const int win = plotWindow(run);
  if (!plat::windowExists(win)) return;
  const plat::Point at = plat::pointerLocal(win);
  const std::optional<int32_t> c = plotcore::PointerCase(PlotViewState(run.slot), at, BottomOfPlotArea);
  if (!c) return;
  const auto [l, r] = blockPixels(run, blockStartFor(*c, run.n, nCases[run.slot]));
  if (l == run.bandLeft && r == run.bandRight) return;
  eraseBand(run);
  xorBand(run, l, r);
  run.bandLeft = l;
  run.bandRight = r;
  plat::flushWindow(win);
}

void chooseBlock(Run& run) {
  const std::optional<int32_t> c = plotcore::PointerCase(PlotViewState(run.slot), run.clickedAt, BottomOfPlotArea);
  if (!c) return;
  eraseBand(run);
  run.selecting = false;
  const int32_t b = blockStartFor(*c, run.n, nCases[run.slot]);
  BeginBlock[run.slot] = b;
  EndBlock[run.slot] = static_cast<int32_t>(b + run.n);
  FileSHORTS[run.slot][kShortBlockState] = 2;
  DrawPlot(0, 0, 0);
  EndBeep();
  chanB = static_cast<uint16_t>(run.channel);
  DRAWBLOCK();
  run.blockChosen = true;
  plat::setCurrentPort(kResultsWindow);
  intervalButtons(run, true);
  status("press 'Do FFT'");
  spectrumButtons(run);
}

void pickInterval(Run& run, int16_t id) {
  run.interval = id;
  run.n = int64_t{1} << id;
  run.blockChosen = false;
  const double span = run.dt * static_cast<double>(run.n / 2);
  if (plat::controlExists(plotWindow(run), 17))
    plat::setFieldText(plotWindow(run), 17, span >= 120.0 ? NumText(static_cast<float>(span / 60.0)) + " min"
                                                       : NumText(static_cast<float>(span)) + " sec");
  intervalButtons(run, true);
  status("FFT setup...");
  MOVE_CURSOR_CUE(10, 156, 300, 172, "select block in plot window", 168);
  status("select block in plot window");
  run.selecting = true;
  run.clicked = false;
  spectrumButtons(run);
}

// ---- The spectrum in the plot window ---------------------------------------------

void refreshShown(Run& run) {
  const std::vector<float> m = run.smooth ? SmoothSpectrum(run.raw) : run.raw;
  run.shown.assign(1, 0.0f);
  run.shown.insert(run.shown.end(), m.begin(), m.end());
}

void drawSpectrum(Run& run) {
  const int win = plotWindow(run);
  if (!plat::windowExists(win)) return;
  plat::setCurrentPort(win);
  plat::Port& p = plat::port(win);
  const int16_t B = BottomOfPlotArea;
  const plat::Rect area{0, kPlotTop, ScreenWidth, B - 2};
  p.resetPen();
  p.setForeColor(plotBackColor);
  p.fillRect(area, plat::patterns::solid);
  p.setForeColor(plotForeColor);
  p.strokeRect(area);
  // The file's time axis below the frame and its note buttons do not
  // belong to the spectrum; the file's own redraw brings them back.
  p.setBackColor(gray);
  p.clearRect({1, B - 2, ScreenWidth + 1, B + 16});
  for (int id = kFirstNoteButton; id <= kLastNoteButton; ++id)
    if (plat::controlExists(win, id)) plat::removeControl(win, id);
  float top = 0.0f;
  for (int64_t j = 1; j <= run.count; ++j) top = std::max(top, run.shown[static_cast<size_t>(j)]);
  if (!(top > 0.0f)) top = 1.0f;
  plotcore::TraceParams t;
  t.first = 1;
  t.last = static_cast<int32_t>(run.count);
  t.yScale = static_cast<float>((B - 2 - kTraceTop - 4) / static_cast<double>(top));
  t.yZero = B - 4;
  t.x0 = 0;
  t.xStep = run.count <= ScreenWidth ? std::max<int64_t>(1, ScreenWidth / run.count)
                                     : static_cast<double>(ScreenWidth) / static_cast<double>(run.count);
  t.clip = true;
  t.clipTop = kTraceTop;
  t.clipBottom = static_cast<int16_t>(B - 3);
  t.histogram = run.bars;
  t.bottomOfPlotArea = B;
  t.maximumValue = top;
  const plotcore::TraceResult tr = plotcore::ReduceTrace(run.shown.data(), static_cast<int32_t>(run.count), t);
  p.setClip({1, kTraceTop, ScreenWidth, B - 2});
  p.setForeColor(PlotDataLineColor);
  p.setPenSize(tr.penWidth, 1);
  p.moveTo(tr.penStart.x, tr.penStart.y);
  if (!tr.segments.empty()) p.drawSegments(tr.segments.data(), tr.segments.size() / 2);
  p.resetPen();
  p.clearClip();
  // The span of the view, in the read-out's unit, and the largest magnitude.
  plat::FontSpec f;
  f.pixelSize = 11;
  p.setFont(f);
  p.setForeColor(plotForeColor);
  p.moveTo(4, kTraceTop + 12);
  p.drawText("magnitude" + NumText(top));
  const double hiHz = FftBinHz(run.count, run.n, run.dt);
  p.moveTo(4, B - 6);
  p.drawText("0 Hz");
  const std::string right = NumText(static_cast<float>(hiHz)) + " Hz";
  p.moveTo(ScreenWidth - p.textWidth(right) - 6, B - 6);
  p.drawText(right);
  plat::flushWindow(win);
  plat::setCurrentPort(kResultsWindow);
}

void readout(Run& run) {
  const int win = plotWindow(run);
  const plat::Point at = plat::pointerLocal(win);
  if (at.x < 0 || at.x >= ScreenWidth || at.y < kPlotTop || at.y > BottomOfPlotArea - 2) return;
  const int64_t j = FftElementAtColumn(at.x, ScreenWidth, run.count);
  const double hz = FftBinHz(j - 1, run.n, run.dt);
  const std::string value = NumText(run.shown[static_cast<size_t>(j)]);
  // At the precision the magnitudes are kept in.
  const std::string where = NumText(static_cast<float>(FftUnitValue(hz, run.unit))) + " " +
                            kUnitTitles[std::clamp(run.unit, int16_t{1}, int16_t{8}) - 1];
  if (plat::fieldText(kResultsWindow, kFftReadoutField) != where) plat::setFieldText(kResultsWindow, kFftReadoutField, where);
  if (plat::fieldText(kResultsWindow, kFftStatusField) != value) status(value);
}

void doFft(Run& run) {
  const float* d = ChannelData(run.slot, run.channel);
  if (!d || !run.blockChosen) return;
  const int64_t b = BeginBlock[run.slot];
  if (b + run.n > nCases[run.slot]) return;
  // The stages of the transform as the window tells them, each shown at
  // once; the bar runs from 1 to the interval's power of two.
  plat::setCursor(plat::CursorKind::Watch);
  buildProgressBAR(10, 200, 440, 212, run.interval, kResultsWindow);
  stage("reorder array...", 1);
  stage("perform FFT...", 1);
  run.raw = MagnitudeSpectrum(std::span<const float>(d + b + 1, static_cast<size_t>(run.n)));
  stage("FFT phase two...", run.interval);
  plat::delayMs(400);
  plat::removeControl(kResultsWindow, kProgressControl);
  stage("scale results...", 0);
  plat::setCursor(plat::CursorKind::Arrow);
  run.smooth = false;
  refreshShown(run);
  // The first view reaches a quarter of the Nyquist frequency.
  run.count = std::max<int64_t>(1, run.n / 8);
  run.spectrum = true;
  // No block on the file once the spectrum is shown.
  FileSHORTS[run.slot][kShortBlockState] = 0;
  BeginBlock[run.slot] = EndBlock[run.slot] = 0;
  run.blockChosen = false;
  // Window 2 must not go on showing the block the file no longer has.
  OPENBLOCKWINDOW();
  plat::selectWindow(kResultsWindow);
  plat::setCurrentPort(kResultsWindow);
  heading("Analyze FFT results");
  intervalButtons(run, false);
  MakePOPUPmenu(kFftUnitPopup, kFftUnitPopup, run.unit, 200, 176, 300, 196);
  status("");
  drawSpectrum(run);
  spectrumButtons(run);
}

// Back to the file's own plot; the file was never changed.
void showFileAgain(Run& run) {
  run.spectrum = false;
  if (plat::controlExists(kResultsWindow, kFftUnitPopup)) plat::removeControl(kResultsWindow, kFftUnitPopup);
  if (plat::windowExists(plotWindow(run))) {
    plat::setCurrentPort(plotWindow(run));
    DrawPlot(0, 0, 0);
  }
  plat::setCurrentPort(kResultsWindow);
}

void saveResults(Run& run) {
  const std::optional<std::filesystem::path> path = plat::askSaveFile("File for FFT results:", "FFT results", kFftKind);
  if (!path) return;
  const std::string text = FftResultsText(
      run.shown.empty() ? std::span<const float>() : std::span<const float>(run.shown).subspan(1), run.n, run.dt,
      run.unit);
  SafeFileWriter w;
  if (!(w.open(*path) && w.write(text.data(), text.size()) && w.commit())) {
    HandleFileError(*path, w.error() != 0 ? w.error() : EIO);
    return;
  }
  plat::tagFile(*path, kFftKind);
  if (prefsArray[7] != 0) EndBeep();
}

void copyChannel(Run& run) {
  if (nChannels[run.slot] >= kMaxChannels) return;
  float* scratch = ChannelData(run.slot, 0);
  if (!scratch) return;
  // The spectrum in the scratch channel, zero past it: the copy has the
  // file's full length.
  std::fill(scratch, scratch + nCases[run.slot] + 1, 0.0f);
  const size_t bins = std::min(run.shown.size(), static_cast<size_t>(nCases[run.slot]) + 1);
  std::copy(run.shown.begin(), run.shown.begin() + static_cast<std::ptrdiff_t>(bins), scratch);
  const int16_t active = ActiveChannel;
  const uint16_t block = chanB;
  const int32_t ab = ABunit;
  ActiveChannel = 0;
  chanB = static_cast<uint16_t>(run.channel);
  ABunit = static_cast<int32_t>(run.n / 2);
  COPYCHAN(0);
  ActiveChannel = active;
  ActiveChannelArray[run.slot] = active;
  FileSHORTS[run.slot][kShortActiveChannel] = active;
  chanB = block;
  ABunit = ab;
  std::fill(scratch, scratch + nCases[run.slot] + 1, 0.0f);
  plat::setCurrentPort(kResultsWindow);
  spectrumButtons(run);
}

void installMouse() {
  plat::handlers().mouse = [](const plat::Event& e) {
    if (gRun && e.kind == plat::EventKind::MouseDown && e.window == plotWindow(*gRun)) {
      gRun->clicked = true;
      gRun->clickedAt = e.local;
    }
  };
}

}  // namespace

int16_t FFT() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot) || nCases[slot] < 128) return 0;
  HelpSubject = kFftHelpSubject;
  Run run;
  run.slot = slot;
  run.channel = std::clamp<int16_t>(ActiveChannel, 1, nChannels[slot]);
  run.dt = DecimalValue(FileInfoFLOATS[slot][kInfoInterval]);
  const int16_t keptHistogram = PlotAsHistogram;
  gRun = &run;
  HandlerScope scope;
  InstallDialogHandlers();
  installMouse();
  buildWindow(run);
  ClearMailbox();
  bool leave = false;
  while (!leave) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kResultsWindow)) break;
    if (run.selecting) {
      followPointer(run);
      if (run.clicked) {
        run.clicked = false;
        chooseBlock(run);
        plat::selectWindow(kResultsWindow);
        continue;
      }
    } else if (run.spectrum) {
      readout(run);
    }
    if (a == kActionClose && id == kResultsWindow) break;
    if (a == kActionActivate && id != kResultsWindow) {
      if (run.spectrum) break;
      if (run.blockChosen) doFft(run);
      continue;
    }
    if (a == kActionKey) {
      if (id == '?' || id == '/') plat::openHelp(kFftHelpSubject);
      else if (run.blockChosen && !run.spectrum) doFft(run);
      continue;
    }
    if (a != kActionClick) continue;
    if (id >= kFftFirstButton && id <= kFftLastButton && !run.spectrum) {
      pickInterval(run, id);
      continue;
    }
    switch (id) {
      case kFftDo: doFft(run); break;
      case kFftExit: leave = true; break;
      case 200: plat::openHelp(kFftHelpSubject); break;
      case kFftHistogram:
        run.bars = !run.bars;
        if (run.spectrum) drawSpectrum(run);
        break;
      case kFftSmooth:
        if (!run.spectrum) break;
        run.smooth = !run.smooth;
        refreshShown(run);
        drawSpectrum(run);
        break;
      case kFftZoomOut:
        if (!run.spectrum) break;
        downvip();
        run.count = std::min<int64_t>(run.count * 2, run.n / 2);
        drawSpectrum(run);
        break;
      case kFftZoomIn:
        if (!run.spectrum) break;
        upvip();
        run.count = std::max<int64_t>(16, run.count / 2);
        drawSpectrum(run);
        break;
      case kFftUnitPopup: run.unit = static_cast<int16_t>(plat::popupValue(kResultsWindow, kFftUnitPopup)); break;
      case kFftCopy:
        if (run.spectrum) copyChannel(run);
        break;
      case kFftSave:
        if (run.spectrum) saveResults(run);
        break;
      case kFftNewInterval:
        if (!run.spectrum) break;
        showFileAgain(run);
        heading("Select FFT interval");
        run.interval = 0;
        intervalButtons(run, true);
        break;
      default: break;
    }
    if (plat::windowExists(kResultsWindow)) spectrumButtons(run);
  }
  eraseBand(run);
  gRun = nullptr;
  PlotAsHistogram = keptHistogram;
  if (run.spectrum) showFileAgain(run);
  ClearWINDOW41();
  if (plat::windowExists(PlotWindowId(slot))) plat::setCurrentPort(PlotWindowId(slot));
  SETMENU(1);
  menuidx = menuitemx = 0;
  ClearMailbox();
  return 0;
}
