// Text export with every time column beside a plain write of the same bytes,
// and re-sampling a long channel up and down.
#include <benchmark/benchmark.h>

#include <charconv>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "datafiles/export.h"
#include "shell/safewrite.h"
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

// Save As CSV of 8 channels x 1,000,000 cases beside the plainest loop that
// writes the same kind of text: std::to_chars's shortest form of each float,
// commas and line ends, through the same writer.
constexpr int32_t kCsvCases = 1'000'000;

const TextExportSource& csvSource() {
  static std::vector<std::vector<float>> channels;
  static TextExportSource src;
  if (channels.empty()) {
    uint32_t x = 99;
    for (int c = 0; c < kExportChannels; ++c) {
      std::vector<float> v(kCsvCases + 1);
      for (auto& f : v) {
        x = x * 1664525u + 1013904223u;
        f = static_cast<float>(20.0 + c) + static_cast<float>(x >> 12) * 1e-6f;  // noisy recordings
      }
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
  return src;
}

void BM_SaveAsCsv(benchmark::State& state) {
  TextExportOptions opt;
  opt.last = kCsvCases;
  const auto p = outPath("corvimet-csv-bench");
  for (auto _ : state)
    if (WriteTextExport(p, csvSource(), opt) != FileStatus::Ok) state.SkipWithError("export failed");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(p)));
  std::filesystem::remove(p);
}
BENCHMARK(BM_SaveAsCsv)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainToCharsCsv(benchmark::State& state) {
  const TextExportSource& src = csvSource();
  const auto p = outPath("corvimet-tochars-bench");
  std::string buf;
  for (auto _ : state) {
    SafeFileWriter w;
    bool ok = w.open(p);
    buf.assign("channel 1,channel 2,channel 3,channel 4,channel 5,channel 6,channel 7,channel 8\n");
    for (int32_t k = 1; k <= kCsvCases; ++k) {
      const size_t at = buf.size();
      buf.resize(at + 16 * 24);
      char* q = buf.data() + at;
      for (size_t c = 0; c < src.channels.size(); ++c) {
        if (c) *q++ = ',';
        q = std::to_chars(q, q + 24, src.channels[c][k]).ptr;
      }
      *q++ = '\n';
      buf.resize(static_cast<size_t>(q - buf.data()));
      if (buf.size() >= (1 << 20)) {
        ok = ok && w.write(buf.data(), buf.size());
        buf.clear();
      }
    }
    ok = ok && w.write(buf.data(), buf.size()) && w.commit();
    if (!ok) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(p)));
  std::filesystem::remove(p);
}
BENCHMARK(BM_PlainToCharsCsv)->Unit(benchmark::kMillisecond)->UseRealTime();

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
