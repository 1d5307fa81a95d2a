// Nearest-neighbour smoothing: the edge rules at both ends of the file, the
// impulse response over cycles, blocks, constants, limits, the log line,
// the typed cycles and the script step.
#include "editing/smoothing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "shell/globals.h"
#include "shell/store.h"

namespace {

std::vector<float> ramp(int32_t last) {
  std::vector<float> v(static_cast<size_t>(last) + 1);
  for (int32_t k = 0; k <= last; ++k) v[static_cast<size_t>(k)] = static_cast<float>(k);
  return v;
}

// One cycle over the whole channel (or b..e), on a copy.
std::vector<float> smoothed(std::vector<float> v, int16_t button, int32_t cycles, int32_t b = 0, int32_t e = -1,
                            bool conditional = false, float upper = 0, float lower = 0) {
  const auto n = static_cast<int32_t>(v.size()) - 1;
  std::vector<float> work(v.size());
  const std::vector<float> before = v;
  SmoothingSettings s;
  s.button = button;
  s.cycles = cycles;
  s.conditional = conditional;
  s.upper = upper;
  s.lower = lower;
  SmoothChannelData(v.data(), work.data(), before.data(), n, s,
                    SmoothingSpan(n, SmoothingSamples(button), b, e < 0 ? n : e));
  return v;
}

TEST(Smoothing, EdgesOfARampTakeEvenWindowsAndTheInteriorKeepsTheRamp) {
  const struct {
    int32_t last;
    int16_t button;
    std::vector<std::pair<int32_t, float>> expected;
  } cases[] = {
      {10, 1, {{0, 0.5f}, {1, 1.5f}, {10, 9.5f}}},
      // Cases 1 and 2 lie before the first interior case: they take the
      // start rule too (means of 0..3 and 0..5), not their old values.
      {20, 2, {{0, 0.5f}, {1, 1.5f}, {2, 2.5f}, {19, 18.5f}, {20, 19.5f}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.last);
    const std::vector<float> v = smoothed(ramp(c.last), c.button, 1);
    const int32_t h = SmoothingSamples(c.button) / 2;
    for (int32_t k = h + 1; k <= c.last - h; ++k) EXPECT_EQ(v[static_cast<size_t>(k)], static_cast<float>(k)) << k;
    for (const auto& [k, want] : c.expected) EXPECT_FLOAT_EQ(v[static_cast<size_t>(k)], want) << k;
  }
}

TEST(Smoothing, AnImpulseSpreadsOneWindowPerCycle) {
  std::vector<float> v(21, 0.0f);
  v[10] = 9.0f;
  const std::vector<float> one = smoothed(v, 1, 1);
  const std::vector<float> two = smoothed(v, 1, 2);
  for (int k = 0; k <= 20; ++k) {
    SCOPED_TRACE(k);
    EXPECT_FLOAT_EQ(one[static_cast<size_t>(k)], k >= 9 && k <= 11 ? 3.0f : 0.0f);
    const float want[] = {1, 2, 3, 2, 1};
    EXPECT_FLOAT_EQ(two[static_cast<size_t>(k)], k >= 8 && k <= 12 ? want[k - 8] : 0.0f);
  }
}

TEST(Smoothing, ABlockChangesOnlyItsCasesEachWithAFullWindow) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> u(-50.0f, 50.0f);
  std::vector<float> v(1001);
  for (float& x : v) x = u(rng);
  const std::vector<float> out = smoothed(v, 1, 1, 100, 200);
  for (int32_t k = 0; k <= 1000; ++k) {
    SCOPED_TRACE(k);
    const auto i = static_cast<size_t>(k);
    if (k < 100 || k > 200) {
      EXPECT_EQ(out[i], v[i]);
    } else {
      const double sum = static_cast<double>(v[i - 1]) + v[i] + v[i + 1];
      EXPECT_EQ(out[i], static_cast<float>(static_cast<double>(1.0f / 3.0f) * sum));
    }
  }
}

TEST(Smoothing, TheRunningSumStaysWithinALastBitOfAFreshSum) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  std::vector<float> v(200'001);
  for (size_t k = 0; k < v.size(); ++k) v[k] = (k % 5000 < 2500 ? 1e4f : 1e-3f) * u(rng);
  for (const int16_t button : {int16_t{1}, int16_t{10}}) {
    SCOPED_TRACE(button);
    const std::vector<float> out = smoothed(v, button, 1);
    const int32_t h = SmoothingSamples(button) / 2;
    const double inv = 1.0f / static_cast<float>(SmoothingSamples(button));
    for (int32_t i = h + 1; i <= 200'000 - h; ++i) {
      double sum = 0.0;
      for (int32_t k = i - h; k <= i + h; ++k) sum += v[static_cast<size_t>(k)];
      const float fresh = static_cast<float>(inv * sum);
      ASSERT_NEAR(out[static_cast<size_t>(i)], fresh, 1e-6 * std::fabs(fresh) + 1e-30) << i;
    }
  }
}

TEST(Smoothing, ConstantsOfOneAndFiveStayExactAndLimitsPutBackWhatLayBeyond) {
  for (const float c : {1.0f, 5.0f}) {
    const std::vector<float> out = smoothed(std::vector<float>(301, c), 10, 100);
    for (float x : out) ASSERT_EQ(x, c);
  }
  const std::vector<float> v = ramp(20);
  // Upper 5, lower the minimum: every original above 5 is kept, the rest smoothed.
  const std::vector<float> out = smoothed(v, 2, 3, 0, -1, true, 5.0f, 0.0f);
  const std::vector<float> all = smoothed(v, 2, 3);
  for (size_t k = 0; k < v.size(); ++k) EXPECT_EQ(out[k], v[k] > 5.0f ? v[k] : all[k]) << k;
  // A value equal to a limit stays smoothed.
  const std::vector<float> eq = smoothed(v, 1, 1, 0, -1, true, 0.0f, 0.0f);
  EXPECT_EQ(eq[0], 0.5f);
}

TEST(Smoothing, TinyFilesAndReversedOrWideBlocksReadNothingOutside) {
  for (const int32_t last : {1, 2, 5, 30}) {
    SCOPED_TRACE(last);
    const std::vector<float> out = smoothed(ramp(last), 10, 3);
    for (float x : out) EXPECT_TRUE(x >= 0.0f && x <= static_cast<float>(last));
  }
  EXPECT_EQ(SmoothingSpan(1000, 5, 200, 100).start, 98);
  EXPECT_EQ(SmoothingSpan(1000, 5, -50, 5000).end, 1000);
}

TEST(Smoothing, LogCyclesAndScriptStep) {
  EXPECT_EQ(SmoothingLogText(5, 3, SmoothingSpan(1000, 5, 0, 1000)), "smoothed 5 points by 3 cycles, from 0 to 1000");
  // Text that is not a number reads as 0 (so 1 cycle, and a limit of 0),
  // with no message.
  const struct {
    const char* text;
    int32_t cycles;
    float limit;
  } typed[] = {{"0", 1, 0.0f},     {"-3", 1, -3.0f},  {" 7 ", 7, 7.0f},        {"2.9", 2, 2.9f},
               {"1e9", 32767, 1e9f}, {"abc", 1, 0.0f}, {"", 1, 0.0f},          {"5x", 1, 0.0f},
               {"nan", 1, 0.0f},   {"inf", 1, 0.0f},  {"-1e300", 1, -HUGE_VALF}};
  for (const auto& t : typed) {
    SCOPED_TRACE(t.text);
    EXPECT_EQ(SmoothingCyclesFromText(t.text), t.cycles);
    EXPECT_EQ(SmoothingLimitFromText(t.text), t.limit);
  }
  SmoothingSettings s;
  s.button = 4;
  s.cycles = 20;
  s.upper = 12.5f;
  s.lower = -3.0f;
  s.conditional = true;
  float step[28] = {};
  step[1] = 6;
  ToScriptStep(s, step);
  EXPECT_EQ(step[6], 12.5f) << "field 6 is the upper limit";
  EXPECT_EQ(step[7], -3.0f);
  const SmoothingSettings back = FromScriptStep(step);
  EXPECT_EQ(back.button, 4);
  EXPECT_EQ(back.cycles, 20);
  EXPECT_EQ(back.upper, 12.5f);
  EXPECT_EQ(back.lower, -3.0f);
  EXPECT_TRUE(back.conditional);
  step[4] = 99;
  step[5] = 0;
  EXPECT_EQ(FromScriptStep(step).button, 10);
  EXPECT_EQ(FromScriptStep(step).cycles, 1);
}

TEST(Smoothing, TheStoredChannelUsesTheUndoCopyForItsLimits) {
  for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
  ASSERT_EQ(AllocateSlot(0, 20, 1), StoreStatus::Ok);
  TheFileInUse = 0;
  for (int32_t k = 0; k <= 20; ++k) PutDatum(0, 1, k, static_cast<float>(k));
  SmoothingSettings s;
  s.button = 2;
  s.conditional = true;
  s.upper = 5.0f;
  s.lower = 0.0f;
  SmoothingRange r;
  EXPECT_EQ(SmoothStoredChannel(0, 1, s, false, &r), SmoothingStatus::NoUndoCopy);
  EXPECT_EQ(GetDatum(0, 1, 0), 0.0f) << "refused: nothing smoothed";
  ASSERT_EQ(MAKEBACKUP(1), StoreStatus::Ok);
  EXPECT_EQ(SmoothStoredChannel(0, 1, s, false, &r), SmoothingStatus::Ok);
  EXPECT_EQ(GetDatum(0, 1, 0), 0.5f);
  EXPECT_EQ(GetDatum(0, 1, 20), 20.0f);
  EXPECT_EQ(r.end, 20);
  EXPECT_EQ(ChangedChan, 1);
  EXPECT_EQ(SmoothStoredChannel(0, 2, s, false, &r), SmoothingStatus::BadChannel);
  FreeSlot(0);
}

}  // namespace
