#include "analyses/crosschan.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(CrossChannelSubset, ConditionsAndTheirConjunction) {
  //                          case 0  1  2  3  4    5  6
  const std::vector<float> a{9, 4, 5, 6, 5.0f, 7, 5},
                           b{9, 0, 1, 1, 0, 1, 1};
  const float* chans[] = {a.data(), b.data()};
  const auto only = [](ChannelConditions c1, ChannelConditions c2 = {}) {
    std::array<ChannelConditions, 33> c{};
    c[1] = c1;
    c[2] = c2;
    return c;
  };
  const struct {
    std::array<ChannelConditions, 33> conds;
    std::vector<float> flags;   // cases 1..6
  } cases[] = {
      {only({}), {1, 1, 1, 1, 1, 1}},   // no condition: every case
      {only({true, false, false, 5.0f, 0, 0}), {0, 1, 1, 1, 1, 1}},   // > 5 keeps exactly 5
      {only({false, true, false, 0, 5.0f, 0}), {1, 1, 0, 1, 0, 1}},   // < 5 keeps exactly 5
      {only({false, false, true, 0, 0, 5.0f}), {0, 1, 0, 1, 0, 1}},   // = 5 only 5.0
      // Checked with an empty field: compares against 0.
      {only({}, {false, false, true, 0, 0, 0}), {1, 0, 0, 1, 0, 0}},
      // Across channels, every condition must hold.
      {only({true, false, false, 5.0f, 0, 0}, {false, false, true, 0, 0, 1.0f}), {0, 1, 1, 0, 1, 1}},
      {only({true, true, false, 8.0f, 2.0f, 0}), {0, 0, 0, 0, 0, 0}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    std::vector<float> flags(7, -1.0f);
    const int32_t n = EvaluateSelection(chans, cases[i].conds, 6, flags);
    int32_t expected = 0;
    for (int k = 1; k <= 6; ++k) {
      EXPECT_EQ(flags[static_cast<size_t>(k)], cases[i].flags[static_cast<size_t>(k - 1)]) << k;
      expected += cases[i].flags[static_cast<size_t>(k - 1)] != 0.0f;
    }
    EXPECT_EQ(n, expected);
    EXPECT_EQ(flags[0], -1.0f) << "case 0 is the count word, not a flag";
  }
}

}  // namespace
