// The main loop's pass with nothing to do, inside a Qt process: one
// ordinary file open (20 markers) against sixteen files of 32,000 markers
// each. Before every pass the loop notes what the open files hold, so that
// a command that fails can be told as it ended; an idle pass with the
// sixteen files may take at most 5 times one with the ordinary file.
//
// Every benchmark opens its own files, so they run in any order
// (--benchmark_enable_random_interleaving).
#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "gui_bench_main.h"
#include "platform/test.h"
#include "shell/store.h"
#include "shell/ui/mainloop.h"

namespace {

void openFiles(int16_t files, int32_t markers) {
  for (int16_t s = 0; s < kMaxOpenFiles; ++s) FreeSlot(s);
  const int32_t cases = markers > 1000 ? 40'000 : 100'000;
  for (int16_t f = 0; f < files; ++f) {
    int16_t slot = -1;
    OpenNewFileSlot(cases, 1, &slot);
    std::vector<MarkerRecord> m;
    for (int32_t k = 0; k < markers; ++k) m.push_back({1 + k * (cases / markers), 'A' + k % 26});
    SetMarkers(slot, m);
  }
}

void BM_IdleMainLoopPass(benchmark::State& state) {
  const auto files = static_cast<int16_t>(state.range(0));
  const auto markers = static_cast<int32_t>(state.range(1));
  openFiles(files, markers);
  InstallMainLoopHandlers();
  for (auto _ : state) MainLoopPass(0);
  for (int16_t s = 0; s < kMaxOpenFiles; ++s) FreeSlot(s);
}
BENCHMARK(BM_IdleMainLoopPass)
    ->ArgNames({"files", "markers"})
    ->Args({1, 20})
    ->Args({16, 32'000})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
