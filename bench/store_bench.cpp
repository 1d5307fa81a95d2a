// GetDatum is promised to stay cheap next to direct array access in the
// analyses' hot loops; these runs keep that promise honest.
#include <benchmark/benchmark.h>

#include "shell/globals.h"
#include "shell/store.h"

namespace {

constexpr int32_t kCases = 1'000'000;

// Made again whenever another benchmark has freed or reused the slot:
// repetitions run interleaved, in any order.
int16_t openBenchFile() {
  static int16_t slot = -1;
  static const char* const kName = "store bench";
  if (slot < 0 || !SlotHoldsFile(slot) || FileName[slot] != kName || nCases[slot] != kCases) {
    OpenNewFileSlot(kCases, 1, &slot);
    FileName[slot] = kName;
    for (int32_t k = 0; k <= kCases; ++k) PutDatum(slot, 1, k, static_cast<float>(k % 1000));
  }
  return slot;
}

void BM_SumThroughGetDatum(benchmark::State& state) {
  const int16_t s = openBenchFile();
  for (auto _ : state) {
    double sum = 0;
    for (int32_t k = 1; k <= kCases; ++k) sum += GetDatum(s, 1, k);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_SumThroughGetDatum);

void BM_SumDirect(benchmark::State& state) {
  const int16_t s = openBenchFile();
  for (auto _ : state) {
    const float* a = ChannelData(s, 1);
    double sum = 0;
    for (int32_t k = 1; k <= kCases; ++k) sum += a[k];
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_SumDirect);

void BM_MakeInterpolationRecord(benchmark::State& state) {
  const int16_t s = openBenchFile();
  std::vector<MarkerRecord> m;
  for (int32_t k = 1; k + 50 <= kCases; k += 100) {
    m.push_back({k, kInterpolationOpen});
    m.push_back({k + 50, kInterpolationClose});
  }
  SetMarkers(s, m);
  TheFileInUse = static_cast<uint16_t>(s);
  for (auto _ : state) MakeInterpolationRecord();
}
BENCHMARK(BM_MakeInterpolationRecord);

}  // namespace
