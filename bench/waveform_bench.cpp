// The spectrum and stepped sampling against their floors. The spectrum of
// 2^20 points may take at most 1.5 times numpy's (numpy.fft.rfft and the
// magnitudes, timed in a python3 beside this process: the thread's CPU time
// as the iteration time); the 2^18-point transform at most 2.5 times the
// 2^17-point one (N log N, no quadratic step). Stepping through every block
// of a 7,000,000-case channel at most 3 times the old plain pass of
// floors.h over it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

#include "analyses/fft.h"
#include "analyses/stepped.h"
#include "bench_support.h"

namespace {

constexpr int32_t kCases = 7'000'000;

const std::vector<float>& channel() {
  static const std::vector<float> data = [] {
    std::vector<float> v(kCases + 1);
    for (size_t k = 0; k < v.size(); ++k) v[k] = 20.9f + 0.3f * std::sin(static_cast<float>(k) * 0.01f);
    return v;
  }();
  return data;
}

// A python3 with numpy that holds the same samples and, for every line it
// reads, takes their spectrum and answers with the thread's CPU seconds.
class NumpySpectrum {
 public:
  explicit NumpySpectrum(std::span<const float> x) {
    static const char* const kScript =
        "import sys, time\n"
        "import numpy as np\n"
        "inp, out = sys.stdin.buffer, sys.stdout\n"
        "n = int(inp.readline())\n"
        "x = np.frombuffer(inp.read(4 * n), dtype=np.float32)\n"
        "out.write('ready\\n'); out.flush()\n"
        "for line in inp:\n"
        "    t = time.thread_time()\n"
        "    m = np.abs(np.fft.rfft(x))\n"
        "    t = time.thread_time() - t\n"
        "    out.write(repr(t) + '\\n'); out.flush()\n";
    // A helper that could not start must not end this process on its pipe.
    std::signal(SIGPIPE, SIG_IGN);
    int toChild[2], fromChild[2];
    if (::pipe(toChild) != 0) return;
    if (::pipe(fromChild) != 0) {
      ::close(toChild[0]);
      ::close(toChild[1]);
      return;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(toChild[0], 0);
      ::dup2(fromChild[1], 1);
      ::close(toChild[1]);
      ::close(fromChild[0]);
      // Debian's own python3 first: the one on the PATH may lack numpy.
      ::execl("/usr/bin/python3", "python3", "-c", kScript, static_cast<char*>(nullptr));
      ::execlp("python3", "python3", "-c", kScript, static_cast<char*>(nullptr));
      std::_Exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    in_ = ::fdopen(toChild[1], "w");
    out_ = ::fdopen(fromChild[0], "r");
    if (pid_ < 0 || !in_ || !out_) return;
    std::fprintf(in_, "%zu\n", x.size());
    std::fwrite(x.data(), sizeof(float), x.size(), in_);
    std::fflush(in_);
    ready_ = answer() == "ready";
  }
  ~NumpySpectrum() {
    if (in_) std::fclose(in_);
    if (out_) std::fclose(out_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  bool ready() const { return ready_; }
  // CPU seconds of one transform; negative when the helper has gone.
  double run() {
    std::fputs("go\n", in_);
    std::fflush(in_);
    const std::string a = answer();
    return a.empty() ? -1.0 : std::strtod(a.c_str(), nullptr);
  }

 private:
  std::string answer() {
    char line[64];
    if (!std::fgets(line, sizeof line, out_)) return {};
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
  }
  pid_t pid_ = -1;
  std::FILE* in_ = nullptr;
  std::FILE* out_ = nullptr;
  bool ready_ = false;
};

void BM_NumpyRfftMagnitude(benchmark::State& state) {
  static NumpySpectrum numpy({channel().data(), size_t{1} << 20});
  if (!numpy.ready()) {
    state.SkipWithError("python3 with numpy is not available");
    return;
  }
  for (auto _ : state) {
    const double seconds = numpy.run();
    if (seconds < 0) {
      state.SkipWithError("the numpy helper stopped");
      break;
    }
    state.SetIterationTime(seconds);
  }
}
BENCHMARK(BM_NumpyRfftMagnitude)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The floors over the same channel: its first 2^17, 2^18 and 2^20 cases for
// the spectrum, all of it for the stepped blocks.
void BM_WaveformFloorPlainSum(benchmark::State& state) {
  OneChainFloor(state, channel().data(), static_cast<size_t>(state.range(0)));
}
BENCHMARK(BM_WaveformFloorPlainSum)->Arg(1 << 17)->Arg(1 << 18)->Arg(1 << 20)->Arg(kCases)->Unit(benchmark::kMicrosecond);

void BM_WaveformFloorFastestSum(benchmark::State& state) {
  FastestSumFloor(state, channel().data(), static_cast<size_t>(state.range(0)));
}
BENCHMARK(BM_WaveformFloorFastestSum)->Arg(1 << 17)->Arg(1 << 18)->Arg(1 << 20)->Arg(kCases)->Unit(benchmark::kMicrosecond);

void BM_MagnitudeSpectrum(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  const std::span<const float> x(channel().data(), n);
  for (auto _ : state) benchmark::DoNotOptimize(MagnitudeSpectrum(x));
}
BENCHMARK(BM_MagnitudeSpectrum)->Arg(1 << 17)->Arg(1 << 18)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

// The default durations (60 s blocks, 180 s skips) at 10 Hz, and the densest
// layout there is (1 s blocks, no skip: every case in a block of 11).
void BM_SteppedEveryBlock(benchmark::State& state) {
  SteppedLayout l;
  const double block = state.range(0) == 0 ? 60.0 : 1.0, skip = state.range(0) == 0 ? 180.0 : 0.0;
  LayoutSteppedBlocks({block, skip, 0.1, 1, kCases, kCases / 2, false}, kCases, &l);
  for (auto _ : state) benchmark::DoNotOptimize(SteppedBlockStats(channel(), l, false));
}
BENCHMARK(BM_SteppedEveryBlock)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
