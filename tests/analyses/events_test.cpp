#include "analyses/events.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>
#include <random>
#include <span>
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

std::vector<float> Durations(std::span<const EventRun> ev, double interval = 1.0) {
  std::vector<float> d;
  for (const EventRun& e : ev) d.push_back(static_cast<float>(interval * e.cases));
  return d;
}


// The runs one case at a time, as the counting was first written: the
// reference the chunk-wise pass must match bit for bit.
struct ReferenceRuns {
  int32_t allUp = 0, allDown = 0;
  std::vector<EventRecord> up, down;
};

DurationStats referenceStats(const std::vector<EventRecord>& ev) {
  DurationStats s;
  s.n = static_cast<int32_t>(ev.size());
  if (ev.empty()) return s;
  double sum = 0.0;
  s.minimum = s.maximum = ev.front().duration;
  for (const EventRecord& e : ev) {
    sum += e.duration;
    s.minimum = std::min(s.minimum, e.duration);
    s.maximum = std::max(s.maximum, e.duration);
  }
  s.mean = sum / s.n;
  double ss = 0.0;
  for (const EventRecord& e : ev) ss += (e.duration - s.mean) * (e.duration - s.mean);
  s.sd = std::sqrt(ss / s.n);
  return s;
}

ReferenceRuns referenceRuns(const std::vector<float>& y, const EventRequest& r) {
  struct Open {
    int32_t start = 0;
    double shift = 0.0, sum = 0.0, sum2 = 0.0;
    float lo = 0.0f, hi = 0.0f;
    void begin(int32_t k, float v) {
      start = k;
      shift = v;
      sum = sum2 = 0.0;
      lo = hi = v;
    }
    void add(float v) {
      const double d = v - shift;
      sum += d;
      sum2 += d * d;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    void keep(int32_t j, const EventRequest& r, std::vector<EventRecord>* kept) const {
      const int32_t cases = j - start;
      const auto duration = static_cast<float>(r.interval * cases);
      if (!(duration > r.minDuration)) return;
      const double mean = sum / cases;
      kept->push_back({start, cases, duration, shift + mean, std::sqrt(std::max(0.0, sum2 / cases - mean * mean)), lo, hi});
    }
  };
  ReferenceRuns c;
  if (y[static_cast<size_t>(r.first)] < r.lower) c.allDown = -1;
  Open up, down;
  bool upOn = false, downOn = false;
  for (int32_t k = r.first; k <= r.last; ++k) {
    const float v = y[static_cast<size_t>(k)];
    if (upOn) {
      if (v >= r.upper) up.add(v);
      else {
        upOn = false;
        up.keep(k, r, &c.up);
      }
    } else if (v >= r.upper) {
      ++c.allUp;
      up.begin(k, v);
      up.add(v);
      upOn = true;
    }
    if (downOn) {
      if (v <= r.lower) down.add(v);
      else {
        downOn = false;
        down.keep(k, r, &c.down);
      }
    } else if (v <= r.lower) {
      ++c.allDown;
      down.begin(k, v);
      down.add(v);
      downOn = true;
    }
  }
  return c;
}

// The kept runs where the reference has them, and each one's statistics,
// made from the channel, as the reference made them on the way.
void expectSameRecords(std::span<const float> y, double interval, std::span<const EventRun> runs,
                       std::span<const EventRecord> want) {
  ASSERT_EQ(runs.size(), want.size());
  for (size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(i);
    const EventRecord got = EventStatistics(y, runs[i], interval);
    EXPECT_EQ(runs[i].start, want[i].start);
    EXPECT_EQ(runs[i].cases, want[i].cases);
    EXPECT_EQ(got.start, want[i].start);
    EXPECT_EQ(got.cases, want[i].cases);
    EXPECT_EQ(std::bit_cast<uint32_t>(got.duration), std::bit_cast<uint32_t>(want[i].duration));
    EXPECT_EQ(std::bit_cast<uint64_t>(got.mean), std::bit_cast<uint64_t>(want[i].mean));
    EXPECT_EQ(std::bit_cast<uint64_t>(got.sd), std::bit_cast<uint64_t>(want[i].sd));
    EXPECT_EQ(std::bit_cast<uint32_t>(got.minimum), std::bit_cast<uint32_t>(want[i].minimum));
    EXPECT_EQ(std::bit_cast<uint32_t>(got.maximum), std::bit_cast<uint32_t>(want[i].maximum));
  }
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
  EXPECT_EQ(EventStatistics(kEvents, c.down[0], 1.0).mean, -5.0);
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

// Random channels of every shape the chunk-wise pass must get right: runs
// across the edges of its words of 64 cases and of its chunks of 4096, and
// longer than a chunk; spans starting and ending inside them; NaNs, signed
// zeros, levels that overlap; values with a large offset or a wide spread,
// so that the sums round and must keep their order.
TEST(EventCount, ChunkwisePassMatchesOneCaseAtATime) {
  std::mt19937 gen(11);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const auto channel = [&](int n, auto value) {
    std::vector<float> y(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) y[static_cast<size_t>(k)] = value(k);
    return y;
  };
  // Runs of lengths drawn from shortest..longest, upper and lower in turn,
  // one case between.
  const auto runsOf = [&](int n, int shortest, int longest) {
    std::uniform_int_distribution<int> length(shortest, longest);
    std::vector<float> y;
    for (float sign = 1.0f; static_cast<int>(y.size()) < n; sign = -sign) {
      for (int k = length(gen); k > 0; --k) y.push_back(sign * (1.0f + unit(gen)));
      y.push_back(0.0f);
    }
    y.resize(static_cast<size_t>(n));
    return y;
  };
  const struct {
    const char* name;
    std::vector<float> y;
    float upper, lower;
  } cases[] = {
      {"noisy cycle", channel(5000, [&](int k) { return std::sin(k * 0.05f) + 0.2f * (unit(gen) - 0.5f); }), 0.5f,
       -0.5f},
      {"runs longer than a word", channel(3000, [&](int k) { return std::sin(k * 0.004f) + 0.01f * unit(gen); }),
       0.2f, -0.2f},
      {"runs longer than a chunk", channel(30000, [&](int k) { return std::sin(k * 0.0004f) + 0.01f * unit(gen); }),
       0.2f, -0.2f},
      {"every case a coin toss", channel(3000, [&](int) { return unit(gen) - 0.5f; }), 0.0f, 0.0f},
      // Every length around the vector widths, each run then one case between.
      {"runs of 1 to 20 cases", channel(4000, [&](int k) {
         int pos = k % 230, len = 1;
         for (; pos > len; ++len) pos -= len + 1;
         return pos == len ? 0.0f : (len % 2 == 1 ? 1.0f : -1.0f) * (1.0f + unit(gen));
       }), 0.5f, -0.5f},
      // Hundreds of distinct durations, which share the histogram's slots.
      {"runs of 1 to 300 cases", channel(46000, [&](int k) {
         int pos = k, len = 1;
         for (; pos > len; ++len) pos -= len + 1;
         return pos == len ? 0.0f : (len % 2 == 1 ? 1.0f : -1.0f) * (1.0f + unit(gen));
       }), 0.5f, -0.5f},
      // Many runs to a word of 64 cases, then few, so that a chunk's edges
      // are gathered both ways.
      {"runs of 1 to 80 cases", runsOf(9000, 1, 80), 0.5f, -0.5f},
      {"runs of 17 to 40 cases", runsOf(6000, 17, 40), 0.5f, -0.5f},
      {"levels overlap", channel(3000, [&](int) { return unit(gen); }), 0.3f, 0.7f},
      {"NaNs and signed zeros", channel(3000, [&](int k) {
         const float u = unit(gen);
         return k % 17 == 0 ? std::nanf("") : u < 0.3f ? 0.0f : u < 0.6f ? -0.0f : u - 0.8f;
       }), 0.0f, 0.0f},
      {"large offset, wide spread", channel(3000, [&](int k) {
         return 1e7f + 1e6f * std::sin(k * 0.03f) * unit(gen) + 1e-3f * unit(gen);
       }), 1.03e7f, 0.97e7f},
      {"magnitudes from 1e-3 to 1e9", channel(3000, [&](int k) {
         return std::ldexp(unit(gen) + 0.5f, static_cast<int>(unit(gen) * 40.0f) - 10) * (k % 50 < 25 ? 1.0f : -1.0f);
       }), 1e-3f, -1e-3f},
      {"everything above", channel(300, [&](int) { return 2.0f + unit(gen); }), 1.0f, -1.0f},
  };
  for (const auto& c : cases) {
    const auto n = static_cast<int32_t>(c.y.size());
    for (const auto& [first, last] : {std::pair{0, n - 1}, {1, n - 2}, {63, 64}, {5, 70}, {64, 200}, {7, 7},
                                      {n - 65, n - 1}, {n / 3, n - 1}}) {
      SCOPED_TRACE(::testing::Message() << c.name << " cases " << first << ".." << last);
      const std::vector<float> y(c.y.begin(), c.y.begin() + last + 1);  // nothing after the span to read
      // parts 0: the span whole; else cut into that many, the last two
      // with one part for each case or more parts than cases where the
      // span is short. Durations of 0.1 s have sums that round.
      const int most = std::min(last - first + 1, 200);
      for (const auto& [parts, wide, minDuration, interval] :
           {std::tuple{0, true, 0.0f, 0.5}, {0, true, 3.5f, 0.5}, {0, false, 0.0f, 0.5}, {0, false, 3.5f, 0.5},
            {0, true, 0.0f, 0.1}, {2, true, 0.0f, 0.5}, {3, false, 3.5f, 0.5}, {3, true, 0.0f, 0.1},
            {7, true, 3.5f, 0.5}, {64, false, 0.0f, 0.1}, {most, true, 0.0f, 0.5}, {most + 8, false, 3.5f, 0.5}}) {
        const EventRequest r{first, last, c.upper, c.lower, interval, minDuration};
        SCOPED_TRACE(::testing::Message() << (wide ? "dispatched" : "baseline") << " in " << parts << " parts, minimum "
                                          << minDuration << ", interval " << interval);
        const EventCount got = parts > 0 ? CountEventsInParts(y, r, parts, wide)
                               : wide    ? CountEvents(y, r)
                                         : CountEventsBaseline(y, r);
        const ReferenceRuns want = referenceRuns(y, r);
        EXPECT_EQ(got.allUp, want.allUp);
        EXPECT_EQ(got.allDown, want.allDown);
        expectSameRecords(y, r.interval, got.up, want.up);
        expectSameRecords(y, r.interval, got.down, want.down);
        // The histogram as the bins are defined, over the reference's durations.
        float lo = 0.0f, hi = 0.0f;
        bool any = false;
        for (const auto* list : {&want.up, &want.down})
          for (const EventRecord& e : *list) {
            lo = any ? std::min(lo, e.duration) : e.duration;
            hi = any ? std::max(hi, e.duration) : e.duration;
            any = true;
          }
        EXPECT_EQ(got.histLo, lo);
        EXPECT_EQ(got.histHi, hi);
        const double w = (static_cast<double>(hi) - lo) / kEventBins;
        for (const auto& [bins, events] : {std::pair{got.upBins, want.up}, {got.downBins, want.down}}) {
          std::array<int32_t, kEventBins + 1> ref{};
          for (const EventRecord& e : events) {
            const double b = std::trunc((e.duration - lo) / w + 0.999);
            if (w > 0.0 && e.duration - lo > 0.0 && b >= 1.0 && b <= kEventBins) ++ref[static_cast<size_t>(b)];
          }
          EXPECT_EQ(bins, ref);
        }
        for (const auto& [stats, events] : {std::pair{got.upStats, want.up}, {got.downStats, want.down}}) {
          const DurationStats ref = referenceStats(events);
          EXPECT_EQ(stats.n, ref.n);
          EXPECT_EQ(std::bit_cast<uint64_t>(stats.mean), std::bit_cast<uint64_t>(ref.mean));
          EXPECT_EQ(std::bit_cast<uint64_t>(stats.sd), std::bit_cast<uint64_t>(ref.sd));
          EXPECT_EQ(stats.minimum, ref.minimum);
          EXPECT_EQ(stats.maximum, ref.maximum);
        }
      }
    }
  }
}

TEST(EventCount, LargeOffsetsKeepTheirSpread) {
  const std::vector<float> y{0, 10000000.0f, 10000001.0f, 10000002.0f, 0, 0};
  const EventCount c = CountEvents(y, {0, 5, 9e6f, -1.0f, 1.0, 0.0f});
  ASSERT_EQ(c.up.size(), 1u);
  const EventRecord e = EventStatistics(y, c.up[0], 1.0);
  EXPECT_DOUBLE_EQ(e.mean, 10000001.0);
  EXPECT_NEAR(e.sd, std::sqrt(2.0 / 3.0), 1e-9);
}

TEST(EventDetails, FileEqualsTheGoldenOneAndRatesDivideTheSums) {
  const EventCount c = CountEvents(kEvents, EventsOf());
  EventFileHeader h{"events", "12/07/26", "flow", 13, 1, 1, 0.0};
  const std::string text = EventDetailsText(h, kEvents, EventsOf(), c, 1);
  std::ifstream in(std::filesystem::path(TEST_GOLDEN_DIR) / "event_details.txt", std::ios::binary);
  const std::string golden{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(text, golden);
  // The store's own case numbers: block 1..13, the first event at case 2.
  EXPECT_NE(text.find("includes cases 1 to 13\n"), std::string::npos);
  EXPECT_NE(text.find("+\t 3\t 2\t"), std::string::npos);
  const std::string perMinute = EventDetailsText(h, kEvents, EventsOf(), c, 3);
  EXPECT_NE(perMinute.find("\xE2\x88\x91 postive (/min) \t"), std::string::npos);
  EXPECT_NE(perMinute.find("\t 0.25\t 0\n"), std::string::npos) << "15 / 60 after the first event";
  EXPECT_EQ(EventRateUnitOf(9).divisor, 1.0) << "an unknown item counts as item 1";
}
