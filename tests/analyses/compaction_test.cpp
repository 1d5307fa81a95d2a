// Compaction into group means and population SDs, the capacity of the
// table, the time-averaging arithmetic and the compacted table read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analyses/compaction.h"
#include "datafiles/save.h"
#include "shell/store.h"
#include "shell/worktables.h"

namespace {

// Cases 1..n as the store keeps them (index 0 unused): value k at case k.
std::vector<float> ramp(int32_t n) {
  std::vector<float> v(static_cast<size_t>(n) + 1);
  for (int32_t k = 0; k <= n; ++k) v[static_cast<size_t>(k)] = static_cast<float>(k);
  return v;
}

TEST(Compaction, GroupsMeansAndPartialGroup) {
  const struct {
    int32_t cases, n, groups;
    float lastMean, lastSd;  // of the last entry written
  } cases[] = {
      {1000, 10, 100, 995.5f, 2.8722813f},          // whole groups only
      {1005, 10, 101, 1003.0f, 1.4142135f},         // partial group of the last 5 cases, SD over its own 5
      {1001, 10, 100, 995.5f, 2.8722813f},          // one case left over is dropped
      {7, 10, 1, 4.0f, 2.0f},                       // factor above the file: one partial group
      {1, 10, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cases);
    const std::vector<float> x = ramp(c.cases);
    std::vector<float> means(500, -1), sds(500, -1);
    const int32_t got = CompactSeries(x.data(), c.cases, 1, c.n, means.data(), sds.data(), 500);
    EXPECT_EQ(got, c.groups);
    EXPECT_EQ(got, CompactionGroups(c.cases, 1, c.n));
    EXPECT_EQ(got, CompactedGroupCount(c.cases, c.n)) << "the saved table counts the same entries";
    if (got > 0) {
      EXPECT_FLOAT_EQ(means[0], (1.0f + std::min(c.n, c.cases)) / 2.0f);
      EXPECT_FLOAT_EQ(means[static_cast<size_t>(got - 1)], c.lastMean);
      EXPECT_FLOAT_EQ(sds[static_cast<size_t>(got - 1)], c.lastSd);
    }
    EXPECT_EQ(means[static_cast<size_t>(got)], -1.0f) << "nothing written beyond the count";
  }
}

TEST(Compaction, EqualValuesHaveNoSpreadAndLargeOffsetsKeepTheirs) {
  // NumAcc1 far from zero: population SD sqrt(2/3), not the sample SD 1.
  std::vector<float> x{0, 10000001.0f, 10000003.0f, 10000002.0f, 5, 5, 5};
  float means[2], sds[2];
  ASSERT_EQ(CompactSeries(x.data(), 6, 1, 3, means, sds, 2), 2);
  EXPECT_FLOAT_EQ(means[0], 10000002.0f);
  EXPECT_NEAR(sds[0], std::sqrt(2.0 / 3.0), 1e-6);
  EXPECT_EQ(means[1], 5.0f);
  EXPECT_EQ(sds[1], 0.0f);
}

TEST(Compaction, CapacityIsNeverExceeded) {
  const std::vector<float> x = ramp(1000);
  std::vector<float> means(11, -1), sds(11, -1);
  EXPECT_EQ(CompactSeries(x.data(), 1000, 1, 10, means.data(), sds.data(), 10), 10);
  EXPECT_EQ(means[10], -1.0f);
  EXPECT_EQ(CompactSeries(x.data(), 1000, 1, 0, means.data(), sds.data(), 10), 0) << "no division by a zero size";

  const struct { int32_t cases, asked, fitted; } fits[] = {
      {7'000'000, 2, 18}, {7'000'000, 5, 18}, {7'000'000, 100, 100}, {800'002, 2, 2}, {800'004, 2, 3},
      {100, 0, 2}, {1, 1, 2},
  };
  for (const auto& f : fits) {
    SCOPED_TRACE(f.cases);
    EXPECT_EQ(FitGroupSize(f.cases, f.asked), f.fitted);
    EXPECT_LE(CompactionGroups(f.cases, 1, f.fitted), kParseCapacity);
  }
}

TEST(Compaction, TimeAveragingArithmetic) {
  const struct {
    int32_t cases;
    float interval;
    int16_t unit;           // default unit
    float wanted;
    int32_t block, intervals;
    float achieved;
  } cases[] = {
      {7200, 1.0f, kParseMinutes, 1, 60, 120, 1.0f},        // 2 h at 1 s: minutes
      {360, 20.0f, kParseSamples, 4, 4, 90, 4.0f},          // 2 h at 20 s: no unit holds five samples
      {2160, 10.0f, kParseHours, 1, 360, 6, 1.0f},          // 6 h at 10 s: hours
      {500'000, 1.0f, kParseDays, 1, 86400, 5, 1.0f},       // longer than five days
      {1000, 0.01f, kParseSeconds, 0.5f, 50, 20, 0.5f},
      {2160, 10.0f, kParseHours, 0, 0, 0, 0.0f},            // nothing wanted: no block size
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cases);
    EXPECT_EQ(DefaultParseUnit(c.cases, c.interval), c.unit);
    const ParseInterval r = RealTimeParse(c.wanted, c.unit, c.interval, c.cases);
    EXPECT_EQ(r.blockSize, c.block);
    EXPECT_EQ(r.intervals, c.intervals);
    EXPECT_FLOAT_EQ(r.achieved, c.achieved);
  }
  EXPECT_EQ(RealTimeParse(1, kParseMinutes, 0.0f, 100).blockSize, 0) << "no interval: no division";
  EXPECT_EQ(RealTimeParse(1, kParseSeconds, 2.0f, 100).blockSize, 0) << "under one sample";
  EXPECT_EQ(TimeUnitsOfParseUnit(kParseDays), 2);
  EXPECT_EQ(TimeUnitsOfParseUnit(kParseMinutes), 1);
  EXPECT_EQ(TimeUnitsOfParseUnit(kParseSamples), 0);
}

TEST(Compaction, SlotTableReadsBackOnlyTheComputedGroups) {
  int16_t slot = -1;
  ASSERT_EQ(OpenNewFileSlot(25, 2, &slot), StoreStatus::Ok);
  for (int32_t k = 1; k <= 25; ++k) {
    PutDatum(slot, 1, k, static_cast<float>(k));
    PutDatum(slot, 2, k, 7.0f);
  }
  FileInfoFLOATS[slot][kInfoInterval] = 6.0f;
  SetChannelLabel(slot, 1, "O2");
  SetChannelLabel(slot, 2, "T");
  OverlayArray[slot][2][1] = OverlayArray[slot][2][2] = 1;  // both chosen for saving
  std::vector<int16_t> done;
  ASSERT_TRUE(CompactSlot(slot, 10, [&](int16_t c) { done.push_back(c); }));
  EXPECT_EQ(done, (std::vector<int16_t>{1, 2}));
  EXPECT_EQ(parse[0], 10);
  EXPECT_EQ(parse[1], 3);
  EXPECT_EQ(EncodeCompactedSeries(slot, 10, 1),
            "Time (min) \tO2\tS.D.\tT\tS.D.\n"
            "0.5\t5.5\t2.8722813\t7\t0\n"
            "1.5\t15.5\t2.8722813\t7\t0\n"
            "2.25\t23\t1.4142135\t7\t0\n");
  // The file grew after the compaction: the table still ends where it did.
  ASSERT_EQ(ResizeChannels(slot, 60), StoreStatus::Ok);
  const std::string grown = EncodeCompactedSeries(slot, 10, 1);
  EXPECT_EQ(std::count(grown.begin(), grown.end(), '\n'), 4);
  EXPECT_FALSE(CompactSlot(slot, 1));
  FreeSlot(slot);
  ParseArray.release();
  parse[0] = parse[1] = 0;
}

}  // namespace
