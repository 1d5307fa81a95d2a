// Transforms and expressions over a full-length channel against the floor
// they are held to, the plain passes of floors.h over the same length. A
// conversion (x * A) may take 2x the old pass, code 64 (vapour pressure) 4x;
// the compiled expression "(x - 32) * 5 / 9" 3x the fastest pass.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench_support.h"
#include "editing/expression.h"
#include "editing/transforms.h"

namespace {

constexpr int32_t kCases = 7'000'001;

const std::vector<float>& channel() {
  static const std::vector<float> data = [] {
    std::vector<float> v(kCases);
    std::mt19937 gen(18);
    std::uniform_real_distribution<float> t(5.0f, 35.0f);
    for (auto& x : v) x = t(gen);
    return v;
  }();
  return data;
}

void BM_TransformFloorPlainSum(benchmark::State& state) {
  PlainSumFloor(state, channel(), 0);
}
BENCHMARK(BM_TransformFloorPlainSum)->Unit(benchmark::kMillisecond);

void BM_TransformFloorFastestSum(benchmark::State& state) {
  const std::vector<float>& v = channel();
  FastestSumFloor(state, v.data(), v.size());
}
BENCHMARK(BM_TransformFloorFastestSum)->Unit(benchmark::kMillisecond);

void runCode(benchmark::State& state, int16_t code, float a) {
  std::vector<float> work = channel();
  TransformSettings s;
  s.code = code;
  s.a = a;
  for (auto _ : state) {
    // Refilled outside the timing, so every pass transforms the same values.
    state.PauseTiming();
    work = channel();
    state.ResumeTiming();
    benchmark::DoNotOptimize(ApplyTransform(work.data(), nullptr, 0, kCases - 1, s));
    benchmark::ClobberMemory();
  }
}

void BM_ConversionTimesFactor(benchmark::State& state) { runCode(state, 47, 0.133322f); }
BENCHMARK(BM_ConversionTimesFactor)->Unit(benchmark::kMillisecond);

void BM_VapourPressure(benchmark::State& state) { runCode(state, 64, 0.0f); }
BENCHMARK(BM_VapourPressure)->Unit(benchmark::kMillisecond);

void BM_ExpressionFahrenheit(benchmark::State& state) {
  ExpressionCode code;
  ParseExpression("(x - 32) * 5 / 9", "x", "y", &code);
  const std::vector<float>& v = channel();
  std::vector<float> out(v.size());
  for (auto _ : state) {
    EvaluateExpressionSpan(code, v.data(), nullptr, out.data(), kCases);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ExpressionFahrenheit)->Unit(benchmark::kMillisecond);

}  // namespace
