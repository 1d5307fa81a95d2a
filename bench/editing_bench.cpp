// The editing kernels over a full-length channel against the floor they are
// held to: the old plain pass of floors.h over the same length. A
// smoothing cycle (the work copy and the running window sum) may take at
// most 3 times that pass, and 51 samples at most 10 % longer than 3; a
// sweep pass, trim, absolute value, integral, derivative, scale to block
// and the reference scan with its apply at most 2 times (a whole fix with
// interpolation markers is held to the flags' rebuild below); the best-fit lag
// search at most 1.5 times a plain pass over the 1,000,000-case block per lag.
//
// The edits of a whole file, per channel of a 7,000,000-case file against the
// same floor (the runs hold 8 channels and the scratch channel, and report
// the time per channel as ms_per_channel): a cut or a crop at most 1.5 times
// the floor, a time-scale change at most 3 times (its work done once per
// file, the landing table, shared out over the channels; a lengthening,
// which grows each channel in place with the channels side by side, held
// to the fastest floor below); a re-arrangement
// without repeats copies no samples, so it takes microseconds whatever the
// length.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <random>
#include <vector>

#include "bench_support.h"
#include "floors.h"
#include "datafiles/timescale.h"
#include "editing/integrate.h"
#include "editing/lag.h"
#include "editing/references.h"
#include "editing/scaletoblock.h"
#include "editing/smoothing.h"
#include "editing/spikes.h"
#include "shell/store.h"

namespace {

constexpr int32_t kCases = 7'000'000;

const std::vector<float>& channel() {
  static const std::vector<float> data = NoisyChannel(static_cast<size_t>(kCases) + 1, 20.9f, 0.05f, 5);
  return data;
}

void BM_EditingFloorPlainSum(benchmark::State& state) {
  PlainSumFloor(state, channel(), kCases);
}
BENCHMARK(BM_EditingFloorPlainSum)->Unit(benchmark::kMillisecond);

void BM_EditingFloorFastestSum(benchmark::State& state) {
  const std::vector<float>& v = channel();
  for (auto _ : state) benchmark::DoNotOptimize(floors::PlainSumFourLanes(v.data(), v.size()));
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_EditingFloorFastestSum)->Unit(benchmark::kMillisecond);

// A slot of 8 channels of kCases cases (plus the scratch channel) for the
// file-level edits; each run starts from the full length.
constexpr int16_t kBenchSlot = 0;
constexpr int16_t kBenchChannels = 8;

void openBenchFile(int32_t cases, float interval) {
  FreeSlot(kBenchSlot);
  AllocateSlot(kBenchSlot, cases, kBenchChannels);
  FileInfoFLOATS[kBenchSlot][kInfoInterval] = interval;
}

// Times the edit alone (the set-up of each run is left out) and reports the
// mean per channel: wall time, and the whole process's CPU time, helper
// threads and the kernel's work on fresh pages included.
class PerChannel {
 public:
  template <class F>
  void time(F&& f) {
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = processCpuMs();
    f();
    cpu_ += processCpuMs() - c0;
    total_ += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    ++runs_;
  }
  void report(benchmark::State& state) const {
    if (runs_ == 0) return;
    state.counters["ms_per_channel"] = total_ / runs_ / kBenchChannels;
    state.counters["cpu_ms_per_channel"] = cpu_ / runs_ / kBenchChannels;
  }

 private:
  static double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
  }
  double total_ = 0.0, cpu_ = 0.0;
  int64_t runs_ = 0;
};

void restoreLength(int32_t cases) {
  if (nCases[kBenchSlot] != cases) ResizeChannels(kBenchSlot, cases);
}

void BM_CutFromAllChannels(benchmark::State& state) {
  PerChannel pc;
  openBenchFile(kCases, 1.0f);
  for (auto _ : state) {
    state.PauseTiming();
    restoreLength(kCases);
    state.ResumeTiming();
    pc.time([] { CutCases(kBenchSlot, 100, 1100); });
  }
  pc.report(state);
  FreeSlot(kBenchSlot);
}
BENCHMARK(BM_CutFromAllChannels)->Unit(benchmark::kMillisecond);

void BM_CropToBlock(benchmark::State& state) {
  PerChannel pc;
  openBenchFile(kCases, 1.0f);
  for (auto _ : state) {
    state.PauseTiming();
    restoreLength(kCases);
    state.ResumeTiming();
    pc.time([] { CropCases(kBenchSlot, 1000, kCases - 1000); });
  }
  pc.report(state);
  FreeSlot(kBenchSlot);
}
BENCHMARK(BM_CropToBlock)->Unit(benchmark::kMillisecond);

// Arg 0: 1 s to 2 s on the full length; 1: 2 s to 1 s on half of it (the
// file grows to the full length).
void BM_TimeScaleChange(benchmark::State& state) {
  const bool up = state.range(0) == 1;
  const int32_t cases = up ? kCases / 2 : kCases;
  PerChannel pc;
  for (auto _ : state) {
    state.PauseTiming();
    openBenchFile(cases, up ? 2.0f : 1.0f);
    state.ResumeTiming();
    pc.time([up] { ResampleSlot(kBenchSlot, up ? 1.0f : 2.0f); });
  }
  pc.report(state);
  FreeSlot(kBenchSlot);
}
BENCHMARK(BM_TimeScaleChange)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RearrangeWithoutRepeats(benchmark::State& state) {
  openBenchFile(kCases, 1.0f);
  const int16_t order[kBenchChannels] = {8, 7, 6, 5, 4, 3, 2, 1};
  for (auto _ : state) ArrangeChannels(kBenchSlot, order, kBenchChannels);
  FreeSlot(kBenchSlot);
}
BENCHMARK(BM_RearrangeWithoutRepeats)->Unit(benchmark::kMicrosecond);

void BM_SmoothingCycle(benchmark::State& state) {
  const auto button = static_cast<int16_t>(state.range(0));
  std::vector<float> data = channel(), work(data.size());
  const int16_t n = SmoothingSamples(button);
  const SmoothingRange r = SmoothingSpan(kCases, n, 0, kCases);
  for (auto _ : state) {
    SmoothCycle(data.data(), work.data(), kCases, n, r);
    benchmark::DoNotOptimize(data.data());
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
// Buttons 1 and 10: 3 and 51 samples.
BENCHMARK(BM_SmoothingCycle)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

enum Kernel : int { kSweep, kTrim, kAbsolute, kIntegral, kDerivative, kScale, kReferences };

void BM_EditKernel(benchmark::State& state) {
  const auto kernel = static_cast<Kernel>(state.range(0));
  const std::vector<float>& source = channel();
  std::vector<float> data = source;
  SpikeSettings trim;
  trim.upTrimLimit = 20.95f;
  trim.upTrimValue = 20.95f;
  trim.lowTrimLimit = 20.85f;
  trim.lowTrimValue = 20.85f;
  ReferenceSettings refs;
  refs.cutoff = 20.8f;   // about 2 % of the cases
  refs.leftExtra = refs.rightExtra = 2;
  std::vector<ReferenceSegment> segments;
  for (auto _ : state) {
    switch (kernel) {
      case kSweep: SweepSpikes(data.data(), SweepSpan(kCases, false, 0, 0), 1.0f, SpikeDirection::Either, false); break;
      case kTrim: TrimValues(data.data(), TrimSpan(kCases, false, 0, 0), trim); break;
      case kAbsolute: AbsoluteValues(data.data(), TrimSpan(kCases, false, 0, 0)); break;
      case kIntegral: IntegrateSamples(source.data(), data.data(), kCases); break;
      case kDerivative: DeriveSamples(source.data(), data.data(), kCases); break;
      case kScale: ScaleToBlock(data.data(), kCases, 1, kCases, 100.0f, 0.0f, false); break;
      case kReferences:
        segments.clear();
        FindReferenceSegments(data.data(), 1, kCases, kCases, refs, {}, &segments);
        for (const ReferenceSegment& seg : segments) ApplyReferenceSegment(data.data(), seg, refs);
        break;
    }
    benchmark::DoNotOptimize(data.data());
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_EditKernel)
    ->ArgName("kernel")
    ->DenseRange(kSweep, kReferences)
    ->Unit(benchmark::kMillisecond);

// A reference fix with interpolation markers over a 7,000,000-case file
// holding 2,000 markers of its own: 15,000 runs below the cutoff, each
// replaced and marked by a pair. The whole fix (the scan, the pairs, the
// replacing and the flags) may take at most 10 rebuilds of the flags over
// the same file and the list the fix leaves (BM_ReferenceFixFlagsRebuild).
constexpr int32_t kReferenceRuns = 15'000;
constexpr int32_t kReferenceFileMarkers = 2'000;

ReferenceSettings referenceFixSettings() {
  ReferenceSettings s;
  s.cutoff = 20.0f;
  s.leftExtra = s.rightExtra = 10;
  s.markers = true;
  return s;
}

// Channel 1 of the bench slot: the noisy channel with its runs dipped
// below the cutoff, the file's own markers placed between them.
const std::vector<float>& referenceChannel() {
  static const std::vector<float> data = [] {
    std::vector<float> v = channel();
    const int32_t step = kCases / kReferenceRuns;
    for (int32_t r = 0; r < kReferenceRuns; ++r)
      for (int32_t k = 0; k < 30; ++k) v[static_cast<size_t>(r * step + step / 2 + k)] = 19.0f;
    return v;
  }();
  return data;
}

std::vector<MarkerRecord> referenceFileMarkers() {
  std::vector<MarkerRecord> m;
  const int32_t step = kCases / kReferenceFileMarkers;
  for (int32_t k = 0; k < kReferenceFileMarkers; ++k) m.push_back({1 + k * step, 'A' + k % 26});
  return m;
}

void openReferenceFile() {
  openBenchFile(kCases, 1.0f);
  const std::vector<float>& v = referenceChannel();
  std::copy(v.begin(), v.end(), ChannelData(kBenchSlot, 1));
  SetMarkers(kBenchSlot, referenceFileMarkers());
}

void BM_ReferenceFixWithMarkers(benchmark::State& state) {
  openReferenceFile();
  const ReferenceSettings s = referenceFixSettings();
  const std::vector<MarkerRecord> own = referenceFileMarkers();
  const std::vector<float>& v = referenceChannel();
  std::vector<ReferenceSegment> segments;
  ReferenceFixResult done;
  for (auto _ : state) {
    state.PauseTiming();
    std::copy(v.begin(), v.end(), ChannelData(kBenchSlot, 1));
    SetMarkers(kBenchSlot, own);
    state.ResumeTiming();
    done = FixReferences(kBenchSlot, 1, 1, kCases, s, &segments);
  }
  state.counters["segments"] = static_cast<double>(done.replaced);
  state.counters["markers"] = MarkerCount(kBenchSlot);
  FreeSlot(kBenchSlot);
}
BENCHMARK(BM_ReferenceFixWithMarkers)->Unit(benchmark::kMillisecond);

void BM_ReferenceFixFlagsRebuild(benchmark::State& state) {
  openReferenceFile();
  std::vector<ReferenceSegment> segments;
  FixReferences(kBenchSlot, 1, 1, kCases, referenceFixSettings(), &segments);
  for (auto _ : state) MakeInterpolationRecordFor(kBenchSlot);
  state.counters["markers"] = MarkerCount(kBenchSlot);
  FreeSlot(kBenchSlot);
}
BENCHMARK(BM_ReferenceFixFlagsRebuild)->Unit(benchmark::kMillisecond);

// Forty lags over a block of 1,000,000 cases (the set-up passes shared by
// all lags included); the floor is forty plain passes over the block.
void BM_BestLagFortyLags(benchmark::State& state) {
  const std::vector<float>& y = channel();
  static const std::vector<float> x = [] {
    std::vector<float> v = channel();
    std::rotate(v.begin(), v.begin() + 3, v.end());   // x[i] = y[i + 3]
    return v;
  }();
  for (auto _ : state) benchmark::DoNotOptimize(FindBestLag(x.data(), y.data(), 100, 1'000'099, 39).bestLag);
  state.SetItemsProcessed(state.iterations() * 40 * 1'000'000);
}
BENCHMARK(BM_BestLagFortyLags)->Unit(benchmark::kMillisecond);

// The floors of the lag search: one pass over its 1,000,000-case block.
void BM_BestLagFloorPlainSum(benchmark::State& state) { OneChainFloor(state, channel().data() + 100, 1'000'000); }
BENCHMARK(BM_BestLagFloorPlainSum)->Unit(benchmark::kMicrosecond);

void BM_BestLagFloorFastestSum(benchmark::State& state) { FastestSumFloor(state, channel().data() + 100, 1'000'000); }
BENCHMARK(BM_BestLagFloorFastestSum)->Unit(benchmark::kMicrosecond);


}  // namespace
