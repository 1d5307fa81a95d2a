// The compressed view of a 7,000,000-case channel in an 1800-pixel plot
// (autoscale and trace through the level-of-detail table) against one plain
// pass that finds the channel's minimum and maximum. The redraw should cost
// at most half the plain pass; BM_CompressedVsPlainPass reports the ratio.
// BM_StackedRedraw32VsPlainPass does the same for the stacked view of 32
// compressed strips (each strip's scale and trace through the table), which
// must stay within 16 ms.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "plot/autoscale.h"
#include "plot/geometry.h"
#include "plot/stacked.h"
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

// The plain pass: every sample compared once against the running extremes.
float PlainMinMax(const std::vector<float>& d) {
  float lo = 1e30f, hi = -1e30f;
  for (int32_t k = 1; k <= kCases; ++k) {
    const float v = d[static_cast<size_t>(k)];
    if (v < lo) lo = v;
    if (v > hi) hi = v;
  }
  return hi - lo;
}

void BM_PlainMinMaxPass(benchmark::State& state) {
  const auto& d = Channel();
  for (auto _ : state) benchmark::DoNotOptimize(PlainMinMax(d));
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_PlainMinMaxPass)->Unit(benchmark::kMillisecond);

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

// The stacked redraw of 32 strips of the compressed view. One channel
// stands for all 32 (32 x 7,000,000 floats would not fit a test machine);
// each strip queries its own scale and reduces its own trace, as a redraw does.
size_t StackedRedraw32(const std::vector<float>& d, const LodTable& lod) {
  ViewState v;
  v.nCases = kCases;
  v.screenWidth = kWidth;
  v.compressed = true;
  std::vector<uint16_t> shown(33, 1);
  const auto strips = EqualStrips(shown.data(), 32, true, 900, kBottom);
  const StripSpan span = StackedSpan(v, false, 0, 0);
  size_t segments = 0;
  for (const StripPlace& s : strips) {
    const StripRows rows = RowsOfStrip(s.height, s.bottomPlus30);
    const Extremes e = lod.query(d.data(), span.first, span.last);
    const Scale sc = ScaleFromExtremes(e, kScaleNormal);
    const float yScale = static_cast<float>(rows.bottom - rows.top) / (sc.maximumValue - sc.minimumValue);
    TraceParams p;
    p.first = span.first;
    p.last = span.last;
    p.yZero = StripBaseline(rows.bottom, yScale, sc.minimumValue);
    p.yScale = yScale;
    p.x0 = 0;
    p.xStep = span.xStep;
    p.clip = true;
    p.clipTop = static_cast<int16_t>(rows.top);
    p.clipBottom = static_cast<int16_t>(rows.bottom);
    p.bottomOfPlotArea = kBottom;
    segments += ReduceTrace(d.data(), kCases, p, &lod).segments.size();
  }
  return segments;
}

void BM_StackedRedraw32VsPlainPass(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const auto& d = Channel();
  const LodTable& t = Table();
  double redraw = 0, plain = 0;
  for (auto _ : state) {
    const auto a = Clock::now();
    benchmark::DoNotOptimize(StackedRedraw32(d, t));
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
BENCHMARK(BM_StackedRedraw32VsPlainPass)->Unit(benchmark::kMillisecond);

}  // namespace
