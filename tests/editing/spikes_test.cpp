// Spike sweeps, trimming and absolute values on the worked channels, and
// the sweep that never settles.
#include "editing/spikes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

TEST(Spikes, SweepsByDirectionAndRepetition) {
  using D = SpikeDirection;
  const struct {
    std::vector<float> in;
    float threshold;
    D direction;
    bool repeat;
    std::vector<float> out;
    int64_t removed;
  } cases[] = {
      {{0, 0, 0, 0, 0, 10, 0, 0, 0}, 5, D::Either, true, {0, 0, 0, 0, 0, 0, 0, 0, 0}, 1},
      {{0, 0, 0, 10, 10, 0, 0}, 5, D::Either, true, {0, 0, 0, 10, 10, 0, 0}, 0},   // a plateau stays
      {{0, 0, 10, 30, 0, 0}, 5, D::Either, true, {0, 0, 2.5f, 5, 0, 0}, 2},
      {{0, 0, 10, 30, 0, 0}, 5, D::Either, false, {0, 0, 10, 5, 0, 0}, 1},
      {{0, 0, -10, 0, 0}, 5, D::Above, true, {0, 0, -10, 0, 0}, 0},
      {{0, 0, -10, 0, 0}, 5, D::Below, true, {0, 0, 0, 0, 0}, 1},
      {{0, 0, 10, 0, 0}, 10.5f, D::Either, true, {0, 0, 10, 0, 0}, 0},            // below the threshold
      {{7, 0, 0, 0, 9}, 1, D::Either, true, {7, 0, 0, 0, 9}, 0},                   // the ends are never cases
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.in));
    std::vector<float> v = c.in;
    const SweepResult r =
        SweepSpikes(v.data(), SweepSpan(static_cast<int32_t>(v.size()) - 1, false, 0, 0), c.threshold, c.direction,
                    c.repeat);
    EXPECT_EQ(v, c.out);
    EXPECT_EQ(r.removed, c.removed);
  }
}

TEST(Spikes, ABlockAtTheFileEdgesKeepsItsNeighboursAndARestlessSweepGivesUp) {
  EXPECT_EQ(SweepSpan(100, true, 0, 100).first, 1);
  EXPECT_EQ(SweepSpan(100, true, 0, 100).last, 99);
  EXPECT_EQ(SweepSpan(100, true, 40, 20).first, 20);
  EXPECT_EQ(TrimSpan(100, false, 5, 6).first, 0);
  // A ramp ending in a drop: each pass removes only the new top.
  std::vector<float> v(202, 0.0f);
  for (int k = 0; k < 200; ++k) v[static_cast<size_t>(k)] = static_cast<float>(k);
  const SweepResult r = SweepSpikes(v.data(), SweepSpan(201, false, 0, 0), 0.0f, SpikeDirection::Either, true, 50);
  EXPECT_TRUE(r.gaveUp);
  EXPECT_EQ(r.passes, 50);
  EXPECT_GE(r.removed, 50);
}

TEST(Spikes, TrimAbsoluteAndTheirLogs) {
  SpikeSettings s;
  std::vector<float> v{-5, 500, 2000};
  TrimValues(v.data(), TrimSpan(2, false, 0, 0), s);
  EXPECT_EQ(v, (std::vector<float>{0, 500, 1000})) << "case 0 is trimmed too";
  s = {1, 10, 10, 20, 20};
  std::vector<float> w{15};
  TrimValues(w.data(), {0, 0}, s);
  EXPECT_EQ(w[0], 20.0f) << "the lower value wins";
  std::vector<float> a{-0.0f, -3.0f, 2.0f};
  AbsoluteValues(a.data(), {0, 2});
  EXPECT_FALSE(std::signbit(a[0]));
  EXPECT_EQ(a, (std::vector<float>{0, 3, 2}));
  EXPECT_EQ(SweepLogText(5, 1), "Spike sweep, threshold 5, 1 removed");
  EXPECT_EQ(TrimLogText(SpikeSettings{}), "Trim, limits 1000, 0");
  float step[28] = {};
  ToScriptStep(SpikeSettings{2, 0, 0, -1, -2}, SpikeAction::Trim, step);
  EXPECT_EQ(step[9], 2.0f);
  const SpikeSettings back = SpikeSettingsFromStep(step);
  EXPECT_EQ(back.upTrimLimit, 1000.0f) << "an upper pair of zeros reads as 1000";
  EXPECT_EQ(back.lowTrimValue, -2.0f);
}

}  // namespace
