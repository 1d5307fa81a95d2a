// A channel array behaves as a vector of floats whatever its blocks are:
// the same operations on both, with sizes either side of the size from
// which a block is a mapping of its own, leave the same bits.
#include "platform/channel_array.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

bool sameBits(const ChannelArray& a, const std::vector<float>& v) {
  return a.size() == v.size() && (v.empty() || std::memcmp(a.data(), v.data(), v.size() * sizeof(float)) == 0);
}

}  // namespace

TEST(ChannelArray, EveryOperationLeavesTheVectorsBits) {
  constexpr size_t kMapped = (size_t{1} << 20) / sizeof(float);   // the first mapped size
  const size_t sizes[] = {0, 1, 5, kMapped - 3, kMapped, kMapped + 1, 3 * kMapped + 7, 700'001};
  std::mt19937 rng(12);
  const auto pick = [&](size_t n) { return static_cast<size_t>(rng() % (n + 1)); };
  const float odd[] = {std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::infinity(), -0.0f};
  ChannelArray a;
  std::vector<float> v;
  for (int step = 0; step < 400; ++step) {
    const int op = static_cast<int>(rng() % 11);
    const size_t n = sizes[rng() % std::size(sizes)];
    const float x = step % 7 == 0 ? odd[step % 3] : static_cast<float>(step) * 0.25f;
    SCOPED_TRACE(testing::Message() << "step " << step << " op " << op << " n " << n << " size " << v.size());
    switch (op) {
      case 0: a.resize(n, x), v.resize(n, x); break;
      case 1: a.resize(n), v.resize(n); break;
      case 2: {
        // The new elements are the caller's to write.
        const size_t was = v.size();
        a.resizeForOverwrite(n), v.resize(n);
        for (size_t i = was; i < n; ++i) a[i] = v[i] = x + static_cast<float>(i);
        break;
      }
      case 3: a.reserve(n), v.reserve(n); break;
      case 4: a.shrink_to_fit(), v.shrink_to_fit(); break;
      case 5: a.push_back(x), v.push_back(x); break;
      case 6: {
        const size_t at = pick(v.size());
        a.insert(a.begin() + at, x), v.insert(v.begin() + static_cast<ptrdiff_t>(at), x);
        break;
      }
      case 7: {
        const std::vector<float> more(pick(20'000), x);
        const size_t at = pick(v.size());
        a.insert(a.begin() + at, more.begin(), more.end());
        v.insert(v.begin() + static_cast<ptrdiff_t>(at), more.begin(), more.end());
        break;
      }
      case 8: a.assign(n, x), v.assign(n, x); break;
      case 9: {
        ChannelArray copy = a;
        ASSERT_TRUE(sameBits(copy, v));
        ChannelArray moved = std::move(copy);
        a.clear();
        a.swap(moved);
        break;
      }
      case 10: a.clear(), v.clear(); break;
    }
    ASSERT_TRUE(sameBits(a, v));
    ASSERT_GE(a.capacity(), a.size());
    if (!v.empty()) {
      // Written through the array's own pointer, as the kernels do.
      const size_t i = pick(v.size() - 1);
      a.data()[i] = v[i] = static_cast<float>(step);
    }
  }
  // Conversions copy, both ways.
  const std::vector<float> out = a;
  EXPECT_TRUE(sameBits(a, out));
  ChannelArray back;
  back = out;
  EXPECT_TRUE(sameBits(back, out));
}
