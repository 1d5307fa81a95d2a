// Gas exchange and analyser humidity over a full-length recording against the
// floor they are held to: the old plain pass of floors.h over the same
// length. VO2 with a constant RQ and a constant flow may take 3 times that
// pass, the analyser compensation with a temperature channel 4 times; the
// flow-channel run with the instantaneous correction (an exp per case) is
// reported for scale. Oxygen consumption in water (a closed-system rate: two
// passes) may take 2 times the plain pass.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench_support.h"
#include "respirometry/gasexchange.h"
#include "respirometry/gasphysics.h"
#include "respirometry/aquatic.h"
#include "respirometry/humidity.h"

namespace {

constexpr int32_t kCases = 7'000'001;

std::vector<float> trace(float mean, float spread, unsigned seed) { return NoisyChannel(kCases, mean, spread, seed); }

const std::vector<float>& oxygen() {
  static const std::vector<float> v = trace(-0.8f, 0.05f, 11);   // deflection in %
  return v;
}
const std::vector<float>& flow() {
  static const std::vector<float> v = trace(500.0f, 5.0f, 12);
  return v;
}
const std::vector<float>& temperature() {
  static const std::vector<float> v = trace(25.0f, 0.5f, 13);
  return v;
}

void BM_RespirometryFloorPlainSum(benchmark::State& state) {
  PlainSumFloor(state, oxygen(), kCases);
}
BENCHMARK(BM_RespirometryFloorPlainSum)->Unit(benchmark::kMillisecond);

void BM_RespirometryFloorFastestSum(benchmark::State& state) {
  const std::vector<float>& v = oxygen();
  FastestSumFloor(state, v.data(), v.size());
}
BENCHMARK(BM_RespirometryFloorFastestSum)->Unit(benchmark::kMillisecond);

GasFileValues fileValues() {
  GasFileValues f;
  f.interval = 1;
  f.flow = 500;
  f.temperature = 25;
  f.volume = 1000;
  f.mass = 30;
  return f;
}

void runGas(benchmark::State& state, const GasExchangeSettings& g) {
  std::vector<float> out(kCases);
  GasChannels ch;
  ch.gas = oxygen().data();
  ch.flow = flow().data();
  ch.out = out.data();
  ch.count = kCases;
  const GasFileValues f = fileValues();
  for (auto _ : state) {
    benchmark::DoNotOptimize(ComputeGasExchange(g, f, ch));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}

void BM_VO2Mode1ConstantRQConstantFlow(benchmark::State& state) { runGas(state, GasExchangeSettings{}); }
BENCHMARK(BM_VO2Mode1ConstantRQConstantFlow)->Unit(benchmark::kMillisecond);

void BM_VO2FlowChannelInstantaneous(benchmark::State& state) {
  GasExchangeSettings g;
  g.flowChannel = 2;
  g.instantaneous = true;
  runGas(state, g);
}
BENCHMARK(BM_VO2FlowChannelInstantaneous)->Unit(benchmark::kMillisecond);

void BM_AnalyzerHumidityTemperatureChannel(benchmark::State& state) {
  AnalyzerHumiditySettings h;
  h.waterChannel = 123;
  h.compRH = 50;
  h.tRHchan = 3;
  h.vapourFactor = VapourFractionFactor(760);
  std::vector<float> out(kCases);
  const HumidityChannels ch{oxygen().data(), nullptr, temperature().data(), out.data(), kCases};
  for (auto _ : state) {
    benchmark::DoNotOptimize(CompensateAnalyzerHumidity(h, ch));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_AnalyzerHumidityTemperatureChannel)->Unit(benchmark::kMillisecond);

void BM_WaterVO2ClosedSystemRate(benchmark::State& state) {
  WaterVO2Settings w;
  w.volumeOrFlow = 1000;
  w.netO2 = EstimateWaterO2(w).inVolume;
  std::vector<float> out(kCases);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ComputeWaterVO2(w, 10, 1, 0, temperature().data(), nullptr, out.data(), kCases));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_WaterVO2ClosedSystemRate)->Unit(benchmark::kMillisecond);

}  // namespace
