// Text export with every time column beside a plain write of the same bytes,
// and re-sampling a long channel up and down.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "datafiles/export.h"
#include "datafiles/safewrite.h"
#include "datafiles/timescale.h"

namespace {

constexpr int32_t kExportCases = 200'000;
constexpr int kExportChannels = 8;
constexpr int32_t kResampleCases = 1'000'000;

struct ExportData {
  std::vector<std::vector<float>> channels;
  TextExportSource src;
  ExportData() {
    for (int c = 0; c < kExportChannels; ++c) {
      std::vector<float> v(kExportCases + 1);
      for (int32_t k = 0; k <= kExportCases; ++k) v[k] = static_cast<float>((k * 13 + c) % 10007) * 0.01f;
      channels.push_back(std::move(v));
    }
    src.interval = 0.1f;
    src.startDate = "12-31-2023";
    src.startTime = "23:00:00";
    for (int c = 0; c < kExportChannels; ++c) {
      src.channels.push_back(channels[c].data());
      src.labels.push_back("channel " + std::to_string(c + 1));
    }
  }
};

const ExportData& exportData() {
  static const ExportData d;
  return d;
}

std::filesystem::path outPath(const char* name) {
  return std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(::getpid()));
}

void BM_TextExportAllColumns(benchmark::State& state) {
  TextExportOptions opt;
  opt.format = TextExportFormat::Tab;
  opt.caseColumn = opt.elapsedColumn = opt.clockColumn = opt.dateColumn = true;
  opt.last = kExportCases;
  const auto p = outPath("corvimet-export-bench");
  for (auto _ : state) benchmark::DoNotOptimize(WriteTextExport(p, exportData().src, opt));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(p)));
  std::filesystem::remove(p);
}
BENCHMARK(BM_TextExportAllColumns)->Unit(benchmark::kMillisecond);

void BM_PlainWriteOfExportSize(benchmark::State& state) {
  TextExportOptions opt;
  opt.format = TextExportFormat::Tab;
  opt.caseColumn = opt.elapsedColumn = opt.clockColumn = opt.dateColumn = true;
  opt.last = kExportCases;
  std::string bytes;
  EncodeTextExport(exportData().src, opt, &bytes);
  const auto p = outPath("corvimet-plain-bench");
  for (auto _ : state) {
    SafeFileWriter w;
    benchmark::DoNotOptimize(w.open(p) && w.write(bytes.data(), bytes.size()) && w.commit());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
  std::filesystem::remove(p);
}
BENCHMARK(BM_PlainWriteOfExportSize)->Unit(benchmark::kMillisecond);

void BM_Resample(benchmark::State& state) {
  const float newInterval = static_cast<float>(state.range(0)) / 10.0f;
  std::vector<float> in(kResampleCases + 1);
  for (int32_t k = 0; k <= kResampleCases; ++k) in[k] = static_cast<float>(k % 977);
  const int64_t n = ResampledCaseCount(kResampleCases, 1.0f, newInterval);
  std::vector<float> out(static_cast<size_t>(n) + 1);
  const double r = ResampleRatio(1.0f, newInterval);
  for (auto _ : state) {
    ResampleSeries(in.data(), kResampleCases, r, out.data(), static_cast<int32_t>(n));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kResampleCases);
}
// New intervals 0.5 s (up-sampling) and 3 s (down-sampling) from 1 s.
BENCHMARK(BM_Resample)->Arg(5)->Arg(30)->Unit(benchmark::kMillisecond);

}  // namespace
