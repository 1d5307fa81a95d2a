// The plot redraw measured where it runs: inside a Qt process, after Qt has
// drawn. The whole compressed redraw of a 7,000,000-case channel (DrawPlot,
// level-of-detail table built) against one plain min-max pass over it and
// the fastest plain pass (floors.h), and the plain pass itself run right
// after a redraw, with and without the vector state cleared first: Qt's
// drawing code can leave the upper halves of the vector registers dirty,
// which slows every legacy-SSE loop after it. The stacked view of 32
// distinct 7,000,000-case channels (896 MB) through the program's own
// DrawALLCHANNELS, at most 16 ms each (wall time, helper threads counted in
// the CPU time): the whole file with the view unchanged since the last
// redraw, a zoomed half-file window scrolled by 5 %, zoomed in from the
// whole file and back to the whole file from the zoom. Between redraws,
// outside the timing, the events a redraw posted are handled and the
// selector window it rebuilds is deleted, as by the event loop a user's
// redraw returns to.
//
// Every benchmark brings its own file's window to the front, shown, so they
// run in any order (--benchmark_enable_random_interleaving) and each redraw
// is painted on the screen as the user's is.
#include <QApplication>
#include <QEvent>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "../floors.h"
#include "gui_bench_main.h"
#include "platform/test.h"
#include "platform/windows.h"
#include "plot/ui/draw.h"
#include "plot/ui/infoline.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "plot/ui/stacked.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kitglobals.h"

namespace {

constexpr int32_t kCases = 7'000'000;

constexpr int16_t kStackedChannels = 32;

void setDefaultsOnce() {
  static const bool done = [] {
    SetFixedColours();
    SetSchemeDefaults();
    SetDEFAULTS();
    InstallInfoLineHooks();   // the info line and label line, as the program draws them
    return true;
  }();
  (void)done;
}

// The slot still holds the file named `name` of that shape.
bool holds(int16_t slot, const char* name, int16_t channels) {
  return slot >= 0 && SlotHoldsFile(slot) && FileName[slot] == name && nCases[slot] == kCases &&
         nChannels[slot] == channels;
}

// Channel c: a slow wave of its own period and level, with noise.
void fillChannel(float* a, int16_t c) {
  uint32_t x = 12345u + static_cast<uint32_t>(c);
  const double period = 2e-5 * (1 + c % 7);
  for (int32_t k = 0; k <= kCases; ++k) {
    x = x * 1664525u + 1013904223u;
    a[k] = static_cast<float>(20.9 + c + 0.5 * std::sin(k * period)) + static_cast<float>(x >> 8) * 1e-8f;
  }
}

// The file's window is brought to the front and the events that posts are
// handled, as after a user's click: a window under another, or one that has
// never been shown because no event loop has run yet, is repainted in part
// or not at all, and its redraw would read too fast.
void makeFront(int16_t slot) {
  TheFileInUse = static_cast<uint16_t>(slot);
  ActiveChannel = 1;
  ActiveChannelArray[slot] = 1;
  plat::selectWindow(PlotWindowId(slot));
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// A one-channel file in the single compressed view, made the front file.
int16_t longFile() {
  static int16_t slot = -1;
  static const char* const kName = "long.orl";
  if (!holds(slot, kName, 1)) {
    setDefaultsOnce();
    OpenNewFileSlot(kCases, 1, &slot);
    fillChannel(ChannelData(slot, 1), 0);
    FileInfoFLOATS[slot][kInfoInterval] = 1.0f;
    StartTime[slot] = "12:00:00";
    StartDate[slot] = "03-15-2024";
    FileName[slot] = kName;
    SetChannelLabel(slot, 1, "O2 (%)");
    OpenPlotWindow(slot);
  }
  makeFront(slot);
  DrawPlot(0, 0, 1);  // builds the level-of-detail table the first time
  return slot;
}

// 32 distinct channels stacked in equal strips, every channel shown, as the
// "Multichannel Display" dialog leaves them; made the front file and drawn
// once, so that the level-of-detail tables exist.
int16_t stackedFile() {
  static int16_t slot = -1;
  static const char* const kName = "stacked32.orl";
  if (!holds(slot, kName, kStackedChannels)) {
    setDefaultsOnce();
    OpenNewFileSlot(kCases, kStackedChannels, &slot);
    for (int16_t c = 1; c <= kStackedChannels; ++c) {
      fillChannel(ChannelData(slot, c), c);
      SetChannelLabel(slot, c, "channel " + std::to_string(c));
    }
    FileInfoFLOATS[slot][kInfoInterval] = 1.0f;
    StartTime[slot] = "12:00:00";
    StartDate[slot] = "03-15-2024";
    FileName[slot] = kName;
    OpenPlotWindow(slot);
  }
  makeFront(slot);
  CustomScreenPlot = 0;
  FileSHORTS[slot][kShortView] = 1;
  FileSHORTS[slot][kShortCompressed] = 1;
  FileSHORTS[slot][kShortZoomed] = 0;
  for (int16_t c = 1; c <= kStackedChannels; ++c) OverlayArray[slot][1][c] = 1;
  if (ScaleMode != 4) ScaleMode = 5;
  DrawALLCHANNELS(0);
  return slot;
}

// Compiled for baseline x86-64: legacy-SSE encoded, as the plain pass of
// the core benchmark is.
float plainMinMax(const float* d) { return floors::PlainMinMax(d, kCases); }

void clearUpperState() {
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx")) __asm__ volatile("vzeroupper" ::: "memory");
#endif
}

void BM_PlainMinMaxPassInGui(benchmark::State& state) {
  const float* d = ChannelData(longFile(), 1);
  for (auto _ : state) {
    clearUpperState();
    benchmark::DoNotOptimize(plainMinMax(d));
  }
}
BENCHMARK(BM_PlainMinMaxPassInGui)->Unit(benchmark::kMillisecond);

void BM_FloorFourLanesInGui(benchmark::State& state) {
  const float* d = ChannelData(longFile(), 1);
  for (auto _ : state) {
    clearUpperState();
    benchmark::DoNotOptimize(floors::PlainSumFourLanes(d + 1, kCases));
  }
}
BENCHMARK(BM_FloorFourLanesInGui)->Unit(benchmark::kMillisecond);

void BM_DrawPlotCompressed(benchmark::State& state) {
  const int16_t f = longFile();
  for (auto _ : state) DrawPlot(0, 0, 1);
  state.counters["plot_width_px"] = ScreenWidth;
  state.counters["compressed"] = FileSHORTS[f][kShortCompressed];
}
BENCHMARK(BM_DrawPlotCompressed)->Unit(benchmark::kMillisecond);

// The plain pass right after Qt drew, as a kernel without its own guard
// would run; then with the state cleared, as the redraw's kernels run.
void BM_PlainMinMaxAfterQtDrew(benchmark::State& state) {
  const float* d = ChannelData(longFile(), 1);
  const bool cleared = state.range(0) != 0;
  for (auto _ : state) {
    state.PauseTiming();
    DrawPlot(0, 0, 1);
    state.ResumeTiming();
    if (cleared) clearUpperState();
    benchmark::DoNotOptimize(plainMinMax(d));
  }
}
BENCHMARK(BM_PlainMinMaxAfterQtDrew)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// What a redraw left for the event loop, handled as the loop a user's
// redraw returns to handles it: the events the strips' controls posted
// (each control deleted scans the whole queue of them, so left to pile up
// they slowed every later redraw) and the windows left for deletion.
void deleteLeftWindows() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The stacked view's spans: the whole file, or a zoomed window of half the
// file starting at case `left`.
enum StackedView : int { kUnchanged, kScrolled, kZoomedIn, kBackToWhole };

void showWhole(int16_t f) { FileSHORTS[f][kShortZoomed] = 0; }

void showZoomed(int16_t f, int32_t left) {
  zoomleft = left;
  zoomright = left + kCases / 2;
  FileSHORTS[f][kShortZoomed] = 1;
}

void BM_StackedRedraw32Channels(benchmark::State& state) {
  const auto view = static_cast<StackedView>(state.range(0));
  const int16_t f = stackedFile();
  deleteLeftWindows();
  constexpr int32_t kLeft = kCases / 8, kScroll = kCases / 40;   // 5 % of the window
  bool scrolled = false;
  for (auto _ : state) {
    state.PauseTiming();
    // The view before the user's step, drawn as the user saw it.
    switch (view) {
      case kUnchanged: break;
      case kScrolled:
        scrolled = !scrolled;
        showZoomed(f, scrolled ? kLeft : kLeft + kScroll);
        DrawALLCHANNELS(0);
        showZoomed(f, scrolled ? kLeft + kScroll : kLeft);
        break;
      case kZoomedIn:
        showWhole(f);
        DrawALLCHANNELS(0);
        showZoomed(f, kLeft);
        break;
      case kBackToWhole:
        showZoomed(f, kLeft);
        DrawALLCHANNELS(0);
        showWhole(f);
        break;
    }
    deleteLeftWindows();
    state.ResumeTiming();
    DrawALLCHANNELS(0);
  }
  deleteLeftWindows();
  showWhole(f);
  state.counters["strips"] = kStackedChannels;
  state.counters["compressed"] = FileSHORTS[f][kShortCompressed];
}
BENCHMARK(BM_StackedRedraw32Channels)
    ->ArgName("view")
    ->Arg(kUnchanged)
    ->Arg(kScrolled)
    ->Arg(kZoomedIn)
    ->Arg(kBackToWhole)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace

// A plot 1,800 pixels wide.
int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv, {1956, 1080}); }
