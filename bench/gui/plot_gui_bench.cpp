// The plot redraw measured where it runs: inside a Qt process, after Qt has
// drawn. The whole compressed redraw of a 7,000,000-case channel (DrawPlot,
// level-of-detail table built) against one plain min-max pass over it, and
// the plain pass itself run right after a redraw, with and without the
// vector state cleared first: Qt's drawing code can leave the upper halves
// of the vector registers dirty, which slows every legacy-SSE loop after it.
#include <QApplication>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/test.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kitglobals.h"

namespace {

constexpr int32_t kCases = 7'000'000;

int16_t longFile() {
  static int16_t slot = -1;
  if (slot < 0) {
    SetFixedColours();
    SetSchemeDefaults();
    SetDEFAULTS();
    OpenNewFileSlot(kCases, 1, &slot);
    float* a = ChannelData(slot, 1);
    uint32_t x = 12345;
    for (int32_t k = 0; k <= kCases; ++k) {
      x = x * 1664525u + 1013904223u;
      a[k] = static_cast<float>(20.9 + 0.5 * std::sin(k * 2e-5)) + static_cast<float>(x >> 8) * 1e-8f;
    }
    FileInfoFLOATS[slot][kInfoInterval] = 1.0f;
    StartTime[slot] = "12:00:00";
    StartDate[slot] = "03-15-2024";
    FileName[slot] = "long.orl";
    SetChannelLabel(slot, 1, "O2 (%)");
    TheFileInUse = static_cast<uint16_t>(slot);
    OpenPlotWindow(slot);
    DrawPlot(0, 0, 1);  // builds the level-of-detail table
  }
  return slot;
}

// Compiled for baseline x86-64: legacy-SSE encoded, as the plain pass of
// the core benchmark is.
__attribute__((noinline)) float plainMinMax(const float* d) {
  float lo = 1e30f, hi = -1e30f;
  for (int32_t k = 1; k <= kCases; ++k) {
    const float v = d[k];
    if (v < lo) lo = v;
    if (v > hi) hi = v;
  }
  return hi - lo;
}

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

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  plat::test::Options opt;
  opt.desk = {1956, 1080};  // a plot 1,800 pixels wide
  plat::test::init(opt);
  ::benchmark::Initialize(&argc, argv);
  ::benchmark::RunSpecifiedBenchmarks();
  ::benchmark::Shutdown();
  return 0;
}
