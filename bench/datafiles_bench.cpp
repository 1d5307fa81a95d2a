// Loading and saving must run near the disk: each data-file run sits next to
// a plain read (or write) of the same bytes. Sizes are native files of 1 and
// 32 channels of 7,000,000 cases (28 and 896 MB), a 32-channel file of
// 1,000,000 cases to save, and two 8-column text files of 1,000,000 rows:
// short periodic numbers, and a logger's (time and seven noisy channels of
// 6 to 7 significant digits, 72 MB).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <filesystem>
#include <memory>
#include <string>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include "datafiles/native_binary.h"
#include "shell/safewrite.h"
#include "datafiles/text_import.h"
#include "shell/globals.h"
#include "shell/store.h"

namespace {

// Every large array a fresh mapping, on both sides of each comparison:
// glibc's moving threshold would otherwise hand one side reused memory and
// the other fresh pages, as in the first run of a program.
const int kFreshLargeArrays = mallopt(M_MMAP_THRESHOLD, 1 << 20);

constexpr int32_t kCases = 1'000'000;
constexpr int16_t kChannels = 32;
constexpr int kTextRows = 1'000'000;
constexpr int32_t kLargeCases = 7'000'000;

std::filesystem::path benchDir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("corvimet-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  // The generated files go when the run ends.
  static const struct Cleanup {
    ~Cleanup() {
      std::error_code ec;
      std::filesystem::remove_all(dir, ec);
    }
  } cleanup;
  return dir;
}

// Made again whenever another benchmark has freed or reused the slot:
// repetitions run interleaved, in any order.
int16_t sourceSlot() {
  static int16_t slot = -1;
  static const char* const kName = "datafiles bench source";
  if (slot < 0 || !SlotHoldsFile(slot) || FileName[slot] != kName || nCases[slot] != kCases ||
      nChannels[slot] != kChannels) {
    OpenNewFileSlot(kCases, kChannels, &slot);
    FileName[slot] = kName;
    for (int16_t c = 1; c <= kChannels; ++c) {
      float* a = ChannelData(slot, c);
      for (int32_t k = 0; k <= kCases; ++k) a[k] = static_cast<float>((k * 7 + c) % 10007) * 0.01f;
      OverlayArray[slot][2][c] = 1;
      SetChannelLabel(slot, c, "channel " + std::to_string(c));
    }
    FileInfoFLOATS[slot][kInfoInterval] = 0.1f;
    StartDate[slot] = "01-01-2024";
    StartTime[slot] = "12:00:00";
  }
  return slot;
}

FileStatus saveSource(const std::filesystem::path& p) {
  const int16_t s = sourceSlot();
  TheFileInUse = static_cast<uint16_t>(s);
  return saveFPBinary(p, 0, kCases, kCases, kChannels, StartDate[s], StartTime[s]);
}

const std::filesystem::path& nativeFile() {
  static const std::filesystem::path p = [] {
    auto f = benchDir() / "large.orl";
    saveSource(f);
    return f;
  }();
  return p;
}

const std::filesystem::path& textFile() {
  static const std::filesystem::path p = [] {
    auto f = benchDir() / "large.csv";
    std::FILE* out = std::fopen(f.c_str(), "wb");
    std::fputs("Time (s),O2 (%),CO2 (%),Flow,Temp,V1,V2,V3\r\n", out);
    for (int r = 0; r < kTextRows; ++r)
      std::fprintf(out, "%.1f,%.4f,%.4f,%.2f,%.3f,%d,%.5g,%.6f\r\n", r * 0.1, 20.95 - (r % 97) * 0.001,
                   0.04 + (r % 89) * 0.001, 500.0 + (r % 7) * 0.25, 25.0 + (r % 1000) * 0.001, r % 4096,
                   (r % 333) * 1.5e-3, (r % 1234) * 0.001);
    std::fclose(out);
    return f;
  }();
  return p;
}

// As a logger writes it: the time in tenths of a second, then seven noisy
// channels, each value with 6 to 7 significant digits.
const std::filesystem::path& loggerFile() {
  static const std::filesystem::path p = [] {
    auto f = benchDir() / "logger.csv";
    std::FILE* out = std::fopen(f.c_str(), "wb");
    std::fputs("Time,O2,CO2,Flow,Temp,WVP,BP,Activity\r\n", out);
    std::mt19937 gen(21);
    std::normal_distribution<double> noise(0.0, 1.0);
    for (int r = 0; r < kTextRows; ++r) {
      const double t = r * 0.1;
      std::fprintf(out, "%.1f,%.7g,%.6g,%.7g,%.6g,%.6g,%.7g,%.6g\r\n", t, 20.9 + 0.05 * noise(gen),
                   0.04 + 0.003 * noise(gen), 500.0 + 2.0 * noise(gen), 25.0 + 0.3 * std::sin(t * 1e-3) + 0.01 * noise(gen),
                   1.234 + 0.02 * noise(gen), 101.325 + 0.05 * noise(gen), std::fabs(3.0 + noise(gen)));
    }
    std::fclose(out);
    return f;
  }();
  return p;
}

// The logger's file as a European spreadsheet writes it: semicolons and
// decimal commas, each cell read by its own mark.
const std::filesystem::path& semicolonLoggerFile() {
  static const std::filesystem::path p = [] {
    auto f = benchDir() / "logger-semicolon.csv";
    std::FILE* in = std::fopen(loggerFile().c_str(), "rb");
    std::FILE* out = std::fopen(f.c_str(), "wb");
    for (int c; (c = std::fgetc(in)) != EOF;) std::fputc(c == ',' ? ';' : c == '.' ? ',' : c, out);
    std::fclose(in);
    std::fclose(out);
    return f;
  }();
  return p;
}

size_t plainRead(const std::filesystem::path& p) {
  const auto size = std::filesystem::file_size(p);
  std::unique_ptr<char[]> buf(new char[size]);
  std::FILE* f = std::fopen(p.c_str(), "rb");
  const size_t got = std::fread(buf.get(), 1, size, f);
  std::fclose(f);
  benchmark::DoNotOptimize(buf.get());
  return got;
}

// A native file of `channels` x 7,000,000 cases, every channel the same
// array, so that making it takes no more memory than one channel.
const std::filesystem::path& largeNativeFile(int channels) {
  static std::filesystem::path paths[kMaxChannels + 1];
  std::filesystem::path& p = paths[channels];
  if (p.empty()) {
    std::vector<float> ramp(static_cast<size_t>(kLargeCases) + 1);
    for (size_t k = 0; k < ramp.size(); ++k) ramp[k] = static_cast<float>((k * 7) % 10007) * 0.01f;
    NativeWriteView v;
    v.cases = kLargeCases;
    v.interval = 0.1f;
    v.startDate = "01-01-2024";
    v.startTime = "12:00:00";
    v.comments = "bench";
    std::vector<std::string> labels;
    for (int c = 1; c <= channels; ++c) labels.push_back("channel " + std::to_string(c));
    for (int c = 0; c < channels; ++c) {
      v.channels.push_back(ramp.data());
      v.labels.push_back(labels[static_cast<size_t>(c)]);
      v.travel.push_back(TravelValues{});
    }
    p = benchDir() / ("large" + std::to_string(channels) + ".orl");
    WriteNativeBinary(p, v);
  }
  return p;
}

// The floor for a load, measured as the load is: fresh arrays of the
// channels' sizes each time, the same bytes read into them.
void BM_PlainReadNative(benchmark::State& state) {
  const int channels = static_cast<int>(state.range(0));
  const auto& p = largeNativeFile(channels);
  const auto size = std::filesystem::file_size(p);
  const size_t perChannel = (static_cast<size_t>(kLargeCases) + 1) * 4;
  const size_t head = size - perChannel * static_cast<size_t>(channels);
  for (auto _ : state) {
    const int fd = ::open(p.c_str(), O_RDONLY);
    std::unique_ptr<char[]> header(new char[head]);
    size_t got = static_cast<size_t>(::pread(fd, header.get(), head, 0));
    std::vector<std::unique_ptr<float[]>> arrays;
    for (int c = 0; c < channels; ++c) {
      arrays.emplace_back(new float[perChannel / 4]);
      got += static_cast<size_t>(::pread(fd, arrays.back().get(), perChannel, static_cast<off_t>(got)));
    }
    ::close(fd);
    if (got != size) state.SkipWithError("short read");
    benchmark::DoNotOptimize(arrays.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
}
BENCHMARK(BM_PlainReadNative)->Arg(1)->Arg(32)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadNative(benchmark::State& state) {
  const auto& p = largeNativeFile(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    int16_t slot = -1;
    if (LoadNativeFile(p, &slot, nullptr) != FileStatus::Ok) state.SkipWithError("load failed");
    FreeSlot(slot);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(p)));
}
BENCHMARK(BM_LoadNative)->Arg(1)->Arg(32)->Unit(benchmark::kMillisecond)->UseRealTime();

// The plain counterpart of a save: the same bytes through the same
// temporary-file-and-rename path, flushed to the disk.
void BM_PlainWriteNative(benchmark::State& state) {
  const auto size = std::filesystem::file_size(nativeFile());
  std::unique_ptr<char[]> buf(new char[size]());
  const auto target = benchDir() / "plain.orl";
  for (auto _ : state) {
    SafeFileWriter w;
    if (!w.open(target) || !w.write(buf.get(), size) || !w.commit()) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
}
BENCHMARK(BM_PlainWriteNative)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveNative(benchmark::State& state) {
  const auto target = benchDir() / "saved.orl";
  sourceSlot();
  for (auto _ : state)
    if (saveSource(target) != FileStatus::Ok) state.SkipWithError("save failed");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(target)));
}
BENCHMARK(BM_SaveNative)->Unit(benchmark::kMillisecond)->UseRealTime();

// The import reads and parses on several threads, so the CPU time on both
// sides is the whole process's: on a busy machine it tells more than the
// wall time.
void plainReadText(benchmark::State& state, const std::filesystem::path& p) {
  for (auto _ : state) benchmark::DoNotOptimize(plainRead(p));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(p)));
}

void importText(benchmark::State& state, const std::filesystem::path& p) {
  for (auto _ : state) {
    TextTable t;
    if (ReadDelimitedTextFile(p, &t) != FileStatus::Ok) state.SkipWithError("parse failed");
    TextImportChoice c;
    for (int k = 1; k < 8; ++k) c.columns.push_back(k);
    c.interval = t.suggestedInterval;
    int16_t slot = -1;
    if (ImportTextColumns(std::move(t), c, p.filename().string(), p.string(), &slot, nullptr) != FileStatus::Ok)
      state.SkipWithError("import failed");
    FreeSlot(slot);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(p)));
}

void BM_PlainReadText(benchmark::State& state) { plainReadText(state, textFile()); }
BENCHMARK(BM_PlainReadText)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_ImportText(benchmark::State& state) { importText(state, textFile()); }
BENCHMARK(BM_ImportText)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_PlainReadLoggerText(benchmark::State& state) { plainReadText(state, loggerFile()); }
BENCHMARK(BM_PlainReadLoggerText)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_ImportLoggerText(benchmark::State& state) { importText(state, loggerFile()); }
BENCHMARK(BM_ImportLoggerText)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_ImportSemicolonLoggerText(benchmark::State& state) { importText(state, semicolonLoggerFile()); }
BENCHMARK(BM_ImportSemicolonLoggerText)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace
