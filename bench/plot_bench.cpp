// The compressed view of a 7,000,000-case channel in an 1800-pixel plot
// (autoscale and trace through the level-of-detail table) against one plain
// pass that finds the channel's minimum and maximum (floors.h). The redraw
// should cost at most half the plain pass; BM_CompressedVsPlainPass reports
// the ratio. The stacked view is measured through the program's own redraw
// in bench/gui.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "bench_support.h"
#include "floors.h"
#include "plot/autoscale.h"
#include "plot/geometry.h"
#include "plot/trace.h"

namespace {

using namespace plotcore;

constexpr int32_t kCases = 7'000'000;
constexpr int16_t kWidth = 1800;
constexpr int16_t kBottom = 390;
constexpr int16_t kPlotHeight = kBottom - 28;

const std::vector<float>& Channel() {
  static const std::vector<float> d = [] {
    std::vector<float> v(static_cast<size_t>(kCases) + 1);
    uint32_t x = 12345;
    for (size_t i = 0; i < v.size(); ++i) {
      x = x * 1664525u + 1013904223u;
      v[i] = static_cast<float>(20.9 + 0.5 * std::sin(i * 2e-5)) + static_cast<float>(x >> 8) * 1e-8f;
    }
    return v;
  }();
  return d;
}

const LodTable& Table() {
  static const LodTable t(Channel().data(), Channel().size());
  return t;
}

// What the compressed redraw computes: scale of the whole file, then the
// trace segments.
size_t CompressedRedraw(const std::vector<float>& d, const LodTable* lod) {
  ViewState v;
  v.nCases = kCases;
  v.screenWidth = kWidth;
  v.compressed = true;
  const CaseRange r = ViewRange(v);
  const Extremes e = lod ? lod->query(d.data(), r.first, r.last) : ScanExtremes(d.data(), d.size(), r.first, r.last);
  const Scale s = ScaleFromExtremes(e, kScaleNormal);
  const float yScale = YScaleOf(kPlotHeight, s);
  const TraceCall c = MainTraceCall(v, kBottom, yScale, s.minimumValue, 1);
  TraceParams p;
  p.first = c.first;
  p.last = c.last;
  p.yZero = c.yZero;
  p.yScale = yScale;
  p.x0 = c.x0;
  p.xStep = c.xStep;
  p.clip = false;
  p.clipTop = 19;
  p.clipBottom = kBottom - 3;
  p.bottomOfPlotArea = kBottom;
  const TraceResult t = ReduceTrace(d.data(), kCases, p, lod);
  return t.segments.size();
}

float PlainMinMax(const std::vector<float>& d) { return floors::PlainMinMax(d.data(), kCases); }

// The floors over the same channel: the plain min-max pass and the fastest.
void BM_PlotFloorMinMax(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(PlainMinMax(Channel()));
}
BENCHMARK(BM_PlotFloorMinMax)->Unit(benchmark::kMillisecond);

void BM_PlotFloorFastestSum(benchmark::State& state) { FastestSumFloor(state, Channel().data() + 1, kCases); }
BENCHMARK(BM_PlotFloorFastestSum)->Unit(benchmark::kMillisecond);

void BM_CompressedRedrawWithLod(benchmark::State& state) {
  const auto& d = Channel();
  const LodTable& t = Table();
  for (auto _ : state) benchmark::DoNotOptimize(CompressedRedraw(d, &t));
}
BENCHMARK(BM_CompressedRedrawWithLod)->Unit(benchmark::kMillisecond);

void BM_CompressedRedrawRawScan(benchmark::State& state) {
  const auto& d = Channel();
  for (auto _ : state) benchmark::DoNotOptimize(CompressedRedraw(d, nullptr));
}
BENCHMARK(BM_CompressedRedrawRawScan)->Unit(benchmark::kMillisecond);

void BM_LodTableBuild(benchmark::State& state) {
  const auto& d = Channel();
  for (auto _ : state) {
    LodTable t(d.data(), d.size());
    benchmark::DoNotOptimize(t.bytes());
  }
}
BENCHMARK(BM_LodTableBuild)->Unit(benchmark::kMillisecond);

// Both measured alternately in one loop; "ratio" = redraw time / plain pass
// time (target <= 0.5).
void BM_CompressedVsPlainPass(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const auto& d = Channel();
  const LodTable& t = Table();
  double redraw = 0, plain = 0;
  for (auto _ : state) {
    const auto a = Clock::now();
    benchmark::DoNotOptimize(CompressedRedraw(d, &t));
    const auto b = Clock::now();
    benchmark::DoNotOptimize(PlainMinMax(d));
    const auto c = Clock::now();
    redraw += std::chrono::duration<double>(b - a).count();
    plain += std::chrono::duration<double>(c - b).count();
  }
  state.counters["redraw_ms"] = 1e3 * redraw / static_cast<double>(state.iterations());
  state.counters["plain_ms"] = 1e3 * plain / static_cast<double>(state.iterations());
  state.counters["ratio"] = plain > 0 ? redraw / plain : 0;
}
BENCHMARK(BM_CompressedVsPlainPass)->Unit(benchmark::kMillisecond);

}  // namespace
