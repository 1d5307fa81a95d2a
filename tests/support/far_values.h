// Blocks whose every value lies far beyond +-1e30 (after a transform or a bad
// calibration), and the extremes a brute-force scan finds in them: a scan
// that starts from a large constant instead of the first value reports that
// constant as an extreme.
#pragma once
#include <algorithm>
#include <cmath>
#include <span>
#include <utility>
#include <vector>

namespace testsupport {

struct FarValues {
  const char* name;
  std::vector<float> values;
};

// Nine values each: all near -3.2e37, all near +3.2e37, both signs, and near
// the float's limits.
inline std::vector<FarValues> FarValueSets() {
  std::vector<FarValues> sets{{"all near -3.2e37", {}}, {"all near +3.2e37", {}}, {"both signs", {}},
                              {"near the float's limits", {}}};
  for (int i = 0; i < 9; ++i) {
    const float wiggle = 1.0f + 0.01f * static_cast<float>((i * 5) % 9);
    sets[0].values.push_back(-3.2345679e37f * wiggle);
    sets[1].values.push_back(3.2345679e37f * wiggle);
    sets[2].values.push_back((i % 2 ? -3.2e37f : 3.1e37f) * wiggle);
    sets[3].values.push_back((i % 3 ? 3.3e38f : -3.3e38f) / wiggle);
  }
  return sets;
}

// {smallest, largest} of the finite values.
inline std::pair<float, float> FiniteMinMax(std::span<const float> v) {
  std::vector<float> f;
  for (float x : v)
    if (std::isfinite(x)) f.push_back(x);
  const auto [lo, hi] = std::minmax_element(f.begin(), f.end());
  return {*lo, *hi};
}

}  // namespace testsupport
