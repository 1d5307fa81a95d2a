#include "analyses/picks.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "support/far_values.h"

namespace {

TEST(PickedPoints, StatisticsRejectAndCapacity) {
  PickList l;
  for (float v : {1.0f, 2.0f, 6.0f}) ASSERT_TRUE(l.add(v));
  PickStats s;
  ASSERT_TRUE(ComputePickStats(l.values(), &s));
  EXPECT_EQ(s.n, 3);
  EXPECT_DOUBLE_EQ(s.mean, 3.0);
  EXPECT_DOUBLE_EQ(s.total, 9.0);
  EXPECT_NEAR(s.sd, std::sqrt(14.0 / 3.0), 1e-6);
  EXPECT_TRUE(s.spreadShown);

  // Delete twice removes only the last pick; a new pick re-enables it.
  EXPECT_TRUE(l.rejectLast());
  EXPECT_FALSE(l.rejectLast());
  EXPECT_EQ(l.size(), 2);
  ASSERT_TRUE(l.add(4.0f));
  EXPECT_TRUE(l.rejectLast());

  // With one or two entries the SD is that of those entries, never stale.
  const struct {
    std::vector<float> v;
    float sd;
  } small[] = {{{5.0f}, 0.0f}, {{1.0f, 3.0f}, 1.0f}};
  for (const auto& c : small) {
    ASSERT_TRUE(ComputePickStats(c.v, &s));
    EXPECT_EQ(s.sd, c.sd);
    EXPECT_FALSE(s.spreadShown);
  }
  EXPECT_FALSE(ComputePickStats({}, &s));
  // Picks far past any constant start keep their own extremes, values and times alike.
  for (const auto& set : testsupport::FarValueSets()) {
    SCOPED_TRACE(set.name);
    const auto [lo, hi] = testsupport::FiniteMinMax(set.values);
    ASSERT_TRUE(ComputePickStats(set.values, &s));
    EXPECT_EQ(s.mi, lo);
    EXPECT_EQ(s.ma, hi);
    TimePickStats t;
    ASSERT_TRUE(ComputeTimePickStats(set.values, &t));
    EXPECT_EQ(t.mi, lo);
    EXPECT_EQ(t.ma, hi);
  }

  PickList full;
  for (int i = 0; i < kMaxPicks; ++i) ASSERT_TRUE(full.add(1.0f));
  EXPECT_FALSE(full.add(1.0f)) << "the 201st pick is refused";
  EXPECT_EQ(full.size(), kMaxPicks);
}

TEST(PickedPoints, PairsAreAbsoluteInEitherOrder) {
  const PairEntry a = PairOf(10.0f, 1.0f, 4.0f, 3.0f), b = PairOf(4.0f, 3.0f, 10.0f, 1.0f);
  EXPECT_EQ(a.value, 6.0f);
  EXPECT_EQ(a.time, 2.0f);
  EXPECT_EQ(b.value, a.value);
  EXPECT_EQ(b.time, a.time);
  TimePickStats t;
  ASSERT_TRUE(ComputeTimePickStats(std::vector<float>{2, 4, 6}, &t));
  EXPECT_EQ(t.mean, 4.0f);
  EXPECT_EQ(t.sumSquares, 8.0f);
  EXPECT_NEAR(t.sd, std::sqrt(8.0f / 3.0f), 1e-6f);
}

TEST(AutomaticBlocks, HalfWidthPixelsAndTexts) {
  const struct {
    double seconds;
    float interval;
    int32_t unit;
  } cases[] = {{10, 1, 5}, {10, 0.5f, 10}, {0, 1, 0}, {-3, 1, 0}, {10, 0, 0}, {1.0, 1, 1}};
  for (const auto& c : cases) EXPECT_EQ(AutoBlockUnit(c.seconds, c.interval), c.unit) << c.seconds;
  EXPECT_EQ(AutoBlockDefaultSeconds(1.0f), 11.99f);
  EXPECT_EQ(AutoBlockPixels(5, 500, 1000, 2), 10);
  // 3,500,000 cases x 1,800 pixels would overflow 32 bits.
  EXPECT_EQ(AutoBlockPixels(3'500'000, 7'000'000, 1800, 1), 900);
  EXPECT_EQ(AutoBlockSpanText(1.0f, 5), " 10 sec");
  EXPECT_EQ(AutoBlockSpanText(1.0f, 60), " 2 min");
}

}  // namespace
