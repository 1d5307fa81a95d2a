// Spike sweeps, trimming and absolute values on the worked channels, and
// the sweep that never settles.
#include "editing/spikes.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

// The sweep one case at a time over the whole span, as first written: the
// reference the chunks that skip unchanged stretches must match bit for bit.
SweepResult ReferenceSweep(float* data, CaseSpanInt span, float threshold, SpikeDirection direction, bool repeat,
                           int32_t maxPasses) {
  SweepResult r;
  if (span.first < 1 || span.last < span.first) return r;
  const bool below = direction != SpikeDirection::Above, above = direction != SpikeDirection::Below;
  for (;;) {
    int64_t pass = 0;
    float a = data[span.first - 1], x = data[span.first];
    for (int32_t i = span.first; i <= span.last; ++i) {
      const float b = data[i + 1];
      const bool spike = (below && a > x && b > x) || (above && x > a && x > b);
      if (spike && std::fabs(x - a) >= threshold && std::fabs(x - b) >= threshold) {
        x = (a + b) * 0.5f;
        data[i] = x;
        ++pass;
      }
      a = x;
      x = b;
    }
    r.removed += pass;
    ++r.passes;
    if (!repeat || pass == 0) break;
    if (r.passes >= maxPasses) {
      r.gaveUp = true;
      break;
    }
  }
  return r;
}

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

TEST(Spikes, SweepEqualsTheCaseByCaseLoopBitForBit) {
  std::mt19937 gen(31);
  std::normal_distribution<float> noise(0.0f, 0.05f);
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  // Spans off and on the chunks of 1024 and the groups of 8; a spike on a
  // chunk's first or last case, whose replaced neighbour the next chunk sees;
  // thresholds of 0 (every case far), NaN (none) and spikes just at it.
  const struct {
    int32_t first, last;
    size_t cases;
    float threshold;
    int spikesPer1000;
  } rows[] = {
      {1, 5000, 5002, 1.0f, 0},   {1, 5000, 5002, 1.0f, 3},    {1, 3071, 3073, 1.0f, 40},
      {5, 1030, 1100, 0.5f, 200}, {1, 7, 9, 1.0f, 300},        {1, 2047, 2049, 0.0f, 5},
      {1, 2000, 2002, 0.25f, 5},  {700, 2900, 4000, nan, 50},  {1, 1025, 1027, 1.0f, 1},
  };
  for (const auto& c : rows) {
    for (const SpikeDirection d : {SpikeDirection::Either, SpikeDirection::Below, SpikeDirection::Above}) {
      for (const bool repeat : {false, true}) {
        SCOPED_TRACE(testing::Message() << c.first << ".." << c.last << " threshold " << c.threshold << " direction "
                                        << static_cast<int>(d) << " repeat " << repeat);
        std::vector<float> y(c.cases);
        for (size_t i = 0; i < y.size(); ++i) {
          y[i] = 20.9f + noise(gen);
          if (static_cast<int>(gen() % 1000) < c.spikesPer1000) {
            const unsigned kind = gen() % 12;
            y[i] += kind < 8 ? (gen() % 2 ? 1.0f : -1.0f) * static_cast<float>(1 + gen() % 3) : 0.0f;
            if (kind == 8) y[i] = nan;
            if (kind == 9) y[i] = gen() % 2 ? inf : -inf;
            if (kind == 10 && i + 1 < y.size()) y[i] = y[i + 1] = 25.0f;   // a plateau
            if (kind == 11) y[i] = 20.9f + c.threshold;                    // at the threshold
          }
        }
        // Spikes on the first and last cases of the first chunks.
        for (const size_t at : {size_t{1024}, size_t{1025}, size_t{2048}})
          if (at < y.size() && c.spikesPer1000 > 0) y[at] = 30.0f;
        std::vector<float> want = y;
        const SweepResult got = SweepSpikes(y.data(), {c.first, c.last}, c.threshold, d, repeat, 200);
        const SweepResult ref = ReferenceSweep(want.data(), {c.first, c.last}, c.threshold, d, repeat, 200);
        EXPECT_EQ(got.removed, ref.removed);
        EXPECT_EQ(got.passes, ref.passes);
        EXPECT_EQ(got.gaveUp, ref.gaveUp);
        size_t differ = 0;
        for (size_t i = 0; i < y.size(); ++i) differ += std::bit_cast<uint32_t>(y[i]) != std::bit_cast<uint32_t>(want[i]);
        EXPECT_EQ(differ, 0u);
        if (c.spikesPer1000 >= 40 && c.cases > 1000 && !std::isnan(c.threshold)) {
          EXPECT_GT(ref.removed, 0) << "the data must hold spikes to remove";
        }
      }
    }
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
