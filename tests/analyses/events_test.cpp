#include "analyses/events.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/macroman.h"

namespace {

const std::vector<float> kRamp{0, 1, 2, 3, 2, 1, 0, 1, 2, 3};
// A 13-case channel as the store holds it: the lead-in value at index 0,
// cases 1..13 after it.
const std::vector<float> kEvents{99, 0, 5, 5, 5, 0, 0, 5, 5, 0, -5, -5, 0, 0};

EventRequest EventsOf(float minDuration = 0.0f) {
  return {1, 13, 4.0f, -4.0f, 1.0, minDuration};
}

std::vector<float> Durations(const std::vector<EventRecord>& ev) {
  std::vector<float> d;
  for (const EventRecord& e : ev) d.push_back(e.duration);
  return d;
}

}  // namespace

TEST(TimeWithin, LimitsUnitsAndShares) {
  const struct {
    const char* name;
    std::vector<float> y;
    int32_t first, last;
    float lo, hi;
    int16_t unit;
    int64_t intervals;
    float time, percent;
  } cases[] = {
      {"ramp in seconds", kRamp, 0, 9, 1, 2, 65, 5, 5.0f, 55.5556f},
      {"ramp in minutes", kRamp, 0, 9, 1, 2, 66, 5, 0.0833333f, 55.5556f},
      {"any other unit is minutes", kRamp, 0, 9, 1, 2, 68, 5, 0.0833333f, 55.5556f},
      {"whole block within", kRamp, 0, 9, 0, 3, 67, 9, 9.0f / 3600.0f, 100.0f},
      // Nothing in limits: never below 0 intervals.
      {"none within", kRamp, 0, 9, 10, 20, 65, 0, 0.0f, 0.0f},
      // One case: no span to share.
      {"one case", kRamp, 3, 3, 0, 9, 65, 0, 0.0f, 0.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const LimitScan s = ScanLimits(c.y, c.first, c.last, c.lo, c.hi);
    const TimeWithin t = TimeWithinLimits(s, c.first, c.last, 1.0, c.unit);
    EXPECT_EQ(t.intervals, c.intervals);
    EXPECT_NEAR(t.time, c.time, 1e-6);
    EXPECT_NEAR(t.percent, c.percent, 1e-3);
  }
  EXPECT_STREQ(LimitUnitSuffix(65), " sec");
  EXPECT_STREQ(LimitUnitSuffix(228), " day");
}

TEST(SelectiveIntegral, ShareIsCappedAndUndefinedOverAZeroWhole) {
  LimitScan s = ScanLimits(kRamp, 0, 9, 1, 2);
  EXPECT_DOUBLE_EQ(s.sumIn, 9.0);
  EXPECT_DOUBLE_EQ(s.sumAll, 15.0);
  SelectiveIntegral r = SelectiveIntegrate(s, 1.0, 66);
  EXPECT_NEAR(r.in, 0.15f, 1e-7);
  EXPECT_NEAR(r.all, 0.25f, 1e-7);
  EXPECT_FLOAT_EQ(r.percent, 60.0f);
  // Negative data: the in-limit part exceeds the (smaller) whole.
  const std::vector<float> neg{-5, -5, 4};
  r = SelectiveIntegrate(ScanLimits(neg, 0, 2, -6, -1), 1.0, 65);
  EXPECT_FLOAT_EQ(r.percent, 100.0f);
  const std::vector<float> zero{-1, 1};
  r = SelectiveIntegrate(ScanLimits(zero, 0, 1, -2, 0), 1.0, 65);
  EXPECT_FALSE(r.shareDefined);
}

TEST(EventCount, RunsDurationsStatisticsAndHistogram) {
  const EventCount c = CountEvents(kEvents, EventsOf());
  EXPECT_EQ(c.allUp, 2);
  EXPECT_EQ(Durations(c.up), (std::vector<float>{3, 2}));
  EXPECT_DOUBLE_EQ(c.upStats.mean, 2.5);
  EXPECT_DOUBLE_EQ(c.upStats.sd, 0.5);
  EXPECT_EQ(c.upStats.minimum, 2.0f);
  EXPECT_EQ(c.upStats.maximum, 3.0f);
  EXPECT_EQ(c.allDown, 1);
  EXPECT_EQ(Durations(c.down), (std::vector<float>{2}));
  EXPECT_DOUBLE_EQ(c.downStats.sd, 0.0);
  // lo 2, hi 3: only the upper 3 lands, in the last bin; d = lo never counts.
  EXPECT_EQ(c.histLo, 2.0f);
  EXPECT_EQ(c.histHi, 3.0f);
  for (int b = 1; b <= kEventBins; ++b) {
    EXPECT_EQ(c.upBins[b], b == 25 ? 1 : 0) << b;
    EXPECT_EQ(c.downBins[b], 0) << b;
  }
  EXPECT_EQ(c.maxBin, 1);
  // Each kept event carries its own values.
  EXPECT_EQ(c.up[0].start, 2);
  EXPECT_EQ(c.down[0].mean, -5.0);
  // A minimum of 2 s (x 1.0001) drops the 2-s events.
  const EventCount f = CountEvents(kEvents, EventsOf(2.0002f));
  EXPECT_EQ(Durations(f.up), (std::vector<float>{3}));
  EXPECT_TRUE(f.down.empty());
  EXPECT_EQ(f.allUp, 2) << "the filter keeps, it does not count";
}

// Runs touching the span's ends. Each channel is copied into an exact-size
// vector, cases 1..n after a lead-in value that must never be read, so the
// sanitizer build sees any read outside the span.
std::vector<float> squareWave() {
  std::vector<float> y;
  for (int i = 0; i < 10; ++i) y.insert(y.end(), {5, 5, -5, -5});
  y.push_back(5);   // the tenth lower run ends on the last-but-one case
  return y;
}

TEST(EventCount, OnlyARunStillGoingAtTheLastCaseIsDropped) {
  const struct {
    const char* name;
    std::vector<float> y;   // cases 1..n
    int32_t allUp, keptUp, allDown, keptDown;
  } cases[] = {
      {"upper run reaches the last case", {0, 5, 5, 5}, 1, 0, 0, 0},
      {"upper run ends on the last-but-one case", {0, 5, 5, 0}, 1, 1, 0, 0},
      {"run starting at the last case", {0, 0, 0, 5}, 1, 0, 0, 0},
      {"lower run starting at the last case", {0, 0, -5}, 0, 0, 1, 0},
      {"lower run ends on the last-but-one case", {0, -5, 0}, 0, 0, 1, 1},
      {"lower run under way at the start is kept, not counted", {-5, -5, 0, 0}, 0, 0, 0, 1},
      {"square wave keeps all ten lower events", squareWave(), 11, 10, 10, 10},
      {"one case", {5}, 1, 0, 0, 0},
      {"one case below", {-5}, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<float> y{std::nanf("")};
    y.insert(y.end(), c.y.begin(), c.y.end());
    const EventCount e = CountEvents(y, {1, static_cast<int32_t>(y.size()) - 1, 4.0f, -4.0f, 1.0, 0.0f});
    EXPECT_EQ(e.allUp, c.allUp);
    EXPECT_EQ(static_cast<int32_t>(e.up.size()), c.keptUp);
    EXPECT_EQ(e.allDown, c.allDown);
    EXPECT_EQ(static_cast<int32_t>(e.down.size()), c.keptDown);
  }
  // The square wave's last lower run: cases 39 and 40, ended by case 41.
  std::vector<float> y{std::nanf("")};
  const std::vector<float> w = squareWave();
  y.insert(y.end(), w.begin(), w.end());
  const EventCount sq = CountEvents(y, {1, 41, 4.0f, -4.0f, 1.0, 0.0f});
  ASSERT_EQ(sq.down.size(), 10u);
  EXPECT_EQ(sq.down.back().start, 39);
  EXPECT_EQ(sq.down.back().cases, 2);
  EXPECT_TRUE(CountEvents(kEvents, {5, 3, 4.0f, -4.0f, 1.0, 0.0f}).up.empty()) << "a reversed span counts nothing";
  // No kept event in either direction: no bounds, no bars.
  const EventCount none = CountEvents(std::vector<float>{0, 0, 0}, {0, 2, 4.0f, -4.0f, 1.0, 0.0f});
  EXPECT_EQ(none.maxBin, 0);
}

TEST(EventCount, LargeOffsetsKeepTheirSpread) {
  const std::vector<float> y{0, 10000000.0f, 10000001.0f, 10000002.0f, 0, 0};
  const EventCount c = CountEvents(y, {0, 5, 9e6f, -1.0f, 1.0, 0.0f});
  ASSERT_EQ(c.up.size(), 1u);
  EXPECT_DOUBLE_EQ(c.up[0].mean, 10000001.0);
  EXPECT_NEAR(c.up[0].sd, std::sqrt(2.0 / 3.0), 1e-9);
}

TEST(EventDetails, FileEqualsTheGoldenOneAndRatesDivideTheSums) {
  const EventCount c = CountEvents(kEvents, EventsOf());
  EventFileHeader h{"events", "12/07/26", "flow", 13, 1, 1, 0.0};
  const std::string text = EventDetailsText(h, EventsOf(), c, 1);
  std::ifstream in(std::filesystem::path(TEST_GOLDEN_DIR) / "event_details.txt", std::ios::binary);
  const std::string golden{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(text, golden);
  // The store's own case numbers: block 1..13, the first event at case 2.
  EXPECT_NE(text.find("includes cases 1 to 13\n"), std::string::npos);
  EXPECT_NE(text.find("+\t 3\t 2\t"), std::string::npos);
  const std::string perMinute = EventDetailsText(h, EventsOf(), c, 3);
  EXPECT_NE(perMinute.find("\xE2\x88\x91 postive (/min) \t"), std::string::npos);
  EXPECT_NE(perMinute.find("\t 0.25\t 0\n"), std::string::npos) << "15 / 60 after the first event";
  EXPECT_EQ(EventRateUnitOf(9).divisor, 1.0) << "an unknown item counts as item 1";
}
