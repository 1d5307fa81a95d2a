// Peak memory of loading a native file, against the size of its data:
//   corvimet_peak_memory [channels=32] [cases=7000000]
// A child process writes the file, so that only the load counts here.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "datafiles/native_binary.h"
#include "shell/store.h"

namespace {

long peakKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const int channels = argc > 1 ? std::atoi(argv[1]) : 32;
  const int32_t cases = argc > 2 ? std::atoi(argv[2]) : 7'000'000;
  const auto file = std::filesystem::temp_directory_path() / ("corvimet-peak-" + std::to_string(::getpid()) + ".orl");
  if (const pid_t child = ::fork(); child == 0) {
    std::vector<float> ramp(static_cast<size_t>(cases) + 1);
    for (size_t k = 0; k < ramp.size(); ++k) ramp[k] = static_cast<float>(k % 1000);
    NativeWriteView v;
    v.cases = cases;
    v.interval = 1.0f;
    std::vector<std::string> labels(static_cast<size_t>(channels), "channel");
    for (int c = 0; c < channels; ++c) {
      v.channels.push_back(ramp.data());
      v.labels.push_back(labels[static_cast<size_t>(c)]);
      v.travel.push_back(TravelValues{});
    }
    std::_Exit(WriteNativeBinary(file, v) == FileStatus::Ok ? 0 : 1);
  } else {
    int status = 0;
    ::waitpid(child, &status, 0);
    if (status != 0) return 1;
  }
  const long before = peakKb();
  int16_t slot = -1;
  const FileStatus st = LoadNativeFile(file, &slot, nullptr);
  const long after = peakKb();
  std::filesystem::remove(file);
  if (st != FileStatus::Ok) return 1;
  const double data = static_cast<double>(channels) * (static_cast<double>(cases) + 1) * 4 / 1024;
  std::printf("channels %d, cases %d: data %.0f kB, peak growth %ld kB, ratio %.3f (peak before load %ld kB)\n",
              channels, cases, data, after - before, static_cast<double>(after - before) / data, before);
  return 0;
}
