#include "analyses/descriptive.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "analyses/statspanel.h"
#include "output/results.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"

namespace {

// Population SD in long double, two passes: the reference the fast and the
// filtered paths must meet.
long double referenceSD(const std::vector<float>& v, const std::vector<bool>& use) {
  long double sum = 0;
  long n = 0;
  for (size_t i = 0; i < v.size(); ++i)
    if (use[i]) sum += v[i], ++n;
  const long double mean = sum / n;
  long double sq = 0;
  for (size_t i = 0; i < v.size(); ++i)
    if (use[i]) sq += (v[i] - mean) * (v[i] - mean);
  return std::sqrt(sq / n);
}

DescriptiveRequest spanOf(int32_t first, int32_t last) {
  DescriptiveRequest r;
  r.first = first;
  r.last = last;
  return r;
}

StatsStatus compute(const std::vector<float>& v, const DescriptiveRequest& r, const CaseFilter& f,
                    DescriptiveStats* s) {
  return ComputeDescriptive(v, r, f, s);
}

// A filter that excludes nothing still takes the filtered path.
struct OpenFilter {
  std::vector<float> noInterp;
  CaseFilter f;
  explicit OpenFilter(size_t n) : noInterp(n, 0.0f) { f.interpolation = noInterp; }
};

}  // namespace

TEST(Descriptive, OneToFiveOnBothPaths) {
  const std::vector<float> v{9, 1, 2, 3, 4, 5, 9};
  DescriptiveStats plain, filtered;
  ASSERT_EQ(compute(v, spanOf(1, 5), {}, &plain), StatsStatus::Ok);
  OpenFilter open(v.size());
  ASSERT_EQ(compute(v, spanOf(1, 5), open.f, &filtered), StatsStatus::Ok);
  for (const DescriptiveStats* s : {&plain, &filtered}) {
    EXPECT_EQ(s->n, 5);
    EXPECT_DOUBLE_EQ(s->mean, 3.0);
    EXPECT_DOUBLE_EQ(s->sum, 15.0);
    EXPECT_NEAR(s->sd, std::sqrt(2.0), 1e-15);  // population: divided by n
    EXPECT_EQ(s->mi, 1.0f);
    EXPECT_EQ(s->ma, 5.0f);
    EXPECT_EQ(s->miCase, 1);
    EXPECT_EQ(s->maCase, 5);
    EXPECT_NEAR(s->se(), std::sqrt(2.0 / 5.0), 1e-15);
    double cv = 0;
    ASSERT_TRUE(s->cv(&cv));
    EXPECT_NEAR(cv, 100.0 * std::sqrt(2.0) / 3.0, 1e-12);
  }
}

TEST(Descriptive, LargeOffsetsKeepTheirSpread) {
  // 10,000,000.1 and .3 are stored as the same float: the spread of what is
  // stored is 0, not rounding noise.
  const std::vector<float> same{10'000'000.1f, 10'000'000.3f, 10'000'000.1f};
  DescriptiveStats s;
  ASSERT_EQ(compute(same, spanOf(0, 2), {}, &s), StatsStatus::Ok);
  EXPECT_EQ(s.sd, 0.0);

  // Exactly stored values far from zero: 1e7 + 0..4 and 1e9 + 64 k. A single
  // pass of sums of squares loses the answer here.
  for (double base : {1e7, 1e9}) {
    const double step = base == 1e7 ? 1.0 : 64.0;
    std::vector<float> v;
    for (int i = 0; i < 5001; ++i) v.push_back(static_cast<float>(base + step * (i % 5)));
    std::vector<bool> all(v.size(), true);
    for (bool filtered : {false, true}) {
      OpenFilter open(v.size());
      ASSERT_EQ(compute(v, spanOf(0, 5000), filtered ? open.f : CaseFilter{}, &s), StatsStatus::Ok);
      EXPECT_NEAR(s.sd, static_cast<double>(referenceSD(v, all)), 1e-9 * step) << base << filtered;
    }
  }
}

TEST(Descriptive, NoisyDataAcrossManyChunksMatchesTheReference) {
  std::mt19937 gen(7);
  std::normal_distribution<float> noise(0.0f, 3.0f);
  std::vector<float> v(100'003);
  for (auto& x : v) x = 5'000'000.0f + noise(gen);
  std::vector<bool> all(v.size(), true);
  DescriptiveStats s;
  ASSERT_EQ(compute(v, spanOf(0, static_cast<int32_t>(v.size()) - 1), {}, &s), StatsStatus::Ok);
  EXPECT_NEAR(s.sd, static_cast<double>(referenceSD(v, all)), 1e-9);
  long double sum = 0;
  for (float x : v) sum += x;
  EXPECT_NEAR(s.mean, static_cast<double>(sum / v.size()), 1e-6);
  // The streaming pass gives the bits of each chunk read twice on its own,
  // whole chunks or not, from any first case, far from zero and on an
  // oxygen trace.
  std::vector<float> oxygen(v.size());
  for (auto& x : oxygen) x = 20.9f + 0.05f * noise(gen);
  for (const auto& [first, last] : {std::pair{0, 100'002}, {3, 5 * 2048 + 2}, {1, 2048}, {0, 2046}, {7, 99'000}})
  for (const std::vector<float>* data : {&v, &oxygen}) {
    DescriptiveStats fused, apart;
    ASSERT_EQ(ComputeDescriptive(*data, spanOf(first, last), {}, &fused), StatsStatus::Ok);
    ASSERT_EQ(ComputeDescriptive(*data, spanOf(first, last), {}, &apart, false), StatsStatus::Ok);
    EXPECT_EQ(std::bit_cast<uint64_t>(fused.sum), std::bit_cast<uint64_t>(apart.sum)) << first << ".." << last;
    EXPECT_EQ(std::bit_cast<uint64_t>(fused.sumSquares), std::bit_cast<uint64_t>(apart.sumSquares)) << last;
    EXPECT_EQ(std::bit_cast<uint64_t>(fused.sd), std::bit_cast<uint64_t>(apart.sd)) << last;
    EXPECT_EQ(fused.mi, apart.mi);
    EXPECT_EQ(fused.ma, apart.ma);
    EXPECT_EQ(fused.miCase, apart.miCase);
    EXPECT_EQ(fused.maCase, apart.maCase);
  }
}

TEST(Descriptive, ExtremesReportTheFirstCaseHoldingThem) {
  // Ties within one chunk and across chunks.
  std::vector<float> v(10'000, 5.0f);
  v[100] = -2.0f;
  v[7000] = -2.0f;
  v[4999] = 9.0f;
  v[5000] = 9.0f;
  v[9999] = 9.0f;
  DescriptiveStats s;
  ASSERT_EQ(compute(v, spanOf(0, 9999), {}, &s), StatsStatus::Ok);
  EXPECT_EQ(s.miCase, 100);
  EXPECT_EQ(s.maCase, 4999);
  // Starting past the first tie moves the reported case on.
  ASSERT_EQ(compute(v, spanOf(101, 9999), {}, &s), StatsStatus::Ok);
  EXPECT_EQ(s.miCase, 7000);
  // A constant block: the first case.
  const std::vector<float> flat(3000, 1.5f);
  ASSERT_EQ(compute(flat, spanOf(10, 2999), {}, &s), StatsStatus::Ok);
  EXPECT_EQ(s.miCase, 10);
  EXPECT_EQ(s.maCase, 10);
  EXPECT_EQ(s.sd, 0.0);
}

TEST(Descriptive, InterpolatedCasesAreSkippedInBothPasses) {
  const std::vector<float> v{1, 2, 100, 100, 3, 4, 5};
  std::vector<float> interp{0, 0, 1, 1, 0, 0, 0};
  CaseFilter f;
  f.interpolation = interp;
  DescriptiveStats s;
  ASSERT_EQ(compute(v, spanOf(0, 6), f, &s), StatsStatus::Ok);
  EXPECT_EQ(s.n, 5);  // the count actually used
  EXPECT_DOUBLE_EQ(s.mean, 3.0);
  EXPECT_NEAR(s.sd, std::sqrt(2.0), 1e-15);
  EXPECT_EQ(s.ma, 5.0f);
  EXPECT_EQ(s.first, 0);
  EXPECT_EQ(s.last, 6);
}

TEST(Descriptive, UnselectedCasesAreSkipped) {
  const std::vector<float> v{1, -50, 2, 3, 4, 5, 80};
  std::vector<float> sel{1, 0, 1, 1, 1, 1, 0};
  CaseFilter f;
  f.selection = sel;
  DescriptiveStats s;
  ASSERT_EQ(compute(v, spanOf(0, 6), f, &s), StatsStatus::Ok);
  EXPECT_EQ(s.n, 5);
  EXPECT_DOUBLE_EQ(s.mean, 3.0);
  EXPECT_EQ(s.mi, 1.0f);
  EXPECT_EQ(s.ma, 5.0f);
  // Both filters together: a case must pass both.
  std::vector<float> interp{0, 0, 0, 0, 0, 1, 0};
  f.interpolation = interp;
  ASSERT_EQ(compute(v, spanOf(0, 6), f, &s), StatsStatus::Ok);
  EXPECT_EQ(s.n, 4);
  EXPECT_DOUBLE_EQ(s.mean, 2.5);
}

TEST(Descriptive, ValueRangeIncludesItsBoundsAndNeedsThreeCases) {
  const std::vector<float> v{0, 1, 2, 3, 4, 5, 6};
  DescriptiveRequest r = spanOf(0, 6);
  r.range = {true, 2.0f, 4.0f};
  DescriptiveStats s;
  ASSERT_EQ(compute(v, r, {}, &s), StatsStatus::Ok);
  EXPECT_EQ(s.n, 3);
  EXPECT_DOUBLE_EQ(s.mean, 3.0);
  EXPECT_EQ(s.mi, 2.0f);
  EXPECT_EQ(s.ma, 4.0f);

  // Two cases in range: refused, and the previous result is left alone.
  DescriptiveStats kept;
  kept.n = 42;
  r.range = {true, 2.0f, 3.0f};
  EXPECT_EQ(compute(v, r, {}, &kept), StatsStatus::TooFewInRange);
  EXPECT_EQ(kept.n, 42);

  // Range and filter together.
  std::vector<float> interp{0, 0, 0, 1, 0, 0, 0};
  CaseFilter f;
  f.interpolation = interp;
  r.range = {true, 1.0f, 5.0f};
  ASSERT_EQ(compute(v, r, f, &s), StatsStatus::Ok);
  EXPECT_EQ(s.n, 4);
  EXPECT_DOUBLE_EQ(s.mean, 3.0);
}

TEST(Descriptive, EmptySpanIsRefusedNotNaN) {
  const std::vector<float> v{1, 2, 3};
  std::vector<float> interp{1, 1, 1};
  CaseFilter f;
  f.interpolation = interp;
  DescriptiveStats s;
  s.mean = 7.0;
  EXPECT_EQ(compute(v, spanOf(0, 2), f, &s), StatsStatus::EmptySpan);
  EXPECT_EQ(s.mean, 7.0);
  // A selection index with no case selected empties the span as well.
  std::vector<float> none(3, 0.0f);
  CaseFilter g;
  g.selection = none;
  EXPECT_EQ(compute(v, spanOf(0, 2), g, &s), StatsStatus::EmptySpan);
}

TEST(Descriptive, OneCaseSpanAndReversedOrOutsideSpans) {
  const std::vector<float> v{4, 8, 6};
  DescriptiveRequest r = spanOf(1, 1);
  r.interval = 2.0f;
  DescriptiveStats s;
  ASSERT_EQ(compute(v, r, {}, &s), StatsStatus::Ok);
  EXPECT_EQ(s.n, 1);
  EXPECT_EQ(s.mean, 8.0);
  EXPECT_EQ(s.sd, 0.0);
  EXPECT_EQ(s.duration, 0.0f);

  // A left limit right of the right limit: the span is taken in order.
  r = spanOf(2, 0);
  r.interval = 2.0f;
  ASSERT_EQ(compute(v, r, {}, &s), StatsStatus::Ok);
  EXPECT_EQ(s.first, 0);
  EXPECT_EQ(s.last, 2);
  EXPECT_EQ(s.n, 3);
  EXPECT_EQ(s.duration, 4.0f);

  EXPECT_EQ(compute(v, spanOf(0, 3), {}, &s), StatsStatus::BadSpan);
  EXPECT_EQ(compute(v, spanOf(-1, 2), {}, &s), StatsStatus::BadSpan);
  std::vector<float> shortFlags{0, 0};
  CaseFilter f;
  f.selection = shortFlags;
  EXPECT_EQ(compute(v, spanOf(0, 2), f, &s), StatsStatus::BadSpan);
}

TEST(LimitCursors, ClicksSnapToTheNearestCase) {
  // Block 100..200 drawn 400 px wide: 4 px per case.
  EXPECT_FLOAT_EQ(LimitPixelsPerCase(400, 100, 200), 4.0f);
  LimitSnap s = SnapLimit(9, 400, 100, 200);  // 2.25 cases
  EXPECT_EQ(s.offset, 2);
  EXPECT_EQ(s.x, 8);
  s = SnapLimit(11, 400, 100, 200);  // 2.75
  EXPECT_EQ(s.offset, 3);
  EXPECT_EQ(s.x, 12);
  // 3 px per case over 7 cases (21 px / 7 = 3): x 10 -> 3.33 -> case 3 at 9.
  s = SnapLimit(10, 21, 0, 7);
  EXPECT_EQ(s.offset, 3);
  EXPECT_EQ(s.x, 9);
  // Never beyond the block, and nothing to snap to in a one-case block.
  EXPECT_EQ(SnapLimit(2000, 400, 100, 200).offset, 100);
  EXPECT_EQ(SnapLimit(50, 400, 100, 100).offset, 0);
  EXPECT_EQ(LimitPixel(5, 400, 100, 100), 0);
}

TEST(LimitCursors, SpanFollowsTheLimitsThatAreSet) {
  CaseSpan s = LimitedSpan(1000, 2000, true, 10, true, 20);
  EXPECT_EQ(s.first, 1010);
  EXPECT_EQ(s.last, 1020);
  s = LimitedSpan(1000, 2000, false, 0, true, 0);  // right limit at the block start
  EXPECT_EQ(s.first, 1000);
  EXPECT_EQ(s.last, 1000);
  s = LimitedSpan(1000, 2000, true, 50, false, 0);
  EXPECT_EQ(s.last, 2000);
  s = LimitedSpan(1000, 2000, true, 80, true, 30);  // crossed limits
  EXPECT_EQ(s.first, 1030);
  EXPECT_EQ(s.last, 1080);
}

class DescriptiveStore : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(AllocateSlot(kSlot, 20, 2), StoreStatus::Ok);
    for (int32_t k = 0; k <= 20; ++k) PutDatum(kSlot, 1, k, static_cast<float>(k));
    saved_ = {AvoidInterpolation, UseCrossChanIndex};
  }
  void TearDown() override {
    AvoidInterpolation = saved_[0];
    UseCrossChanIndex = saved_[1];
    BackupCache.release(kBackupInterpolation);
    BackupCache.release(kBackupSelection);
    FreeSlot(kSlot);
  }
  static constexpr int16_t kSlot = 5;
  std::array<uint16_t, 2> saved_{};
};

TEST_F(DescriptiveStore, SwitchesChooseTheFlagRegions) {
  ASSERT_EQ(SetMarkers(kSlot, {{5, kInterpolationOpen}, {9, kInterpolationClose}}), 0);
  MakeInterpolationRecordFor(kSlot);
  const DescriptiveRequest r = spanOf(1, 10);
  DescriptiveStats s;

  AvoidInterpolation = 0;
  UseCrossChanIndex = 0;
  ASSERT_EQ(ComputeChannelDescriptive(kSlot, 1, r, &s), StatsStatus::Ok);
  EXPECT_EQ(s.n, 10);

  AvoidInterpolation = 1;  // cases 5..9 go
  ASSERT_EQ(ComputeChannelDescriptive(kSlot, 1, r, &s), StatsStatus::Ok);
  EXPECT_EQ(s.n, 5);
  EXPECT_DOUBLE_EQ(s.mean, (1 + 2 + 3 + 4 + 10) / 5.0);

  // The cross-channel index: only cases 2 and 10 selected (count word 2).
  AvoidInterpolation = 0;
  UseCrossChanIndex = 1;
  BackupCache.put(kSelectionCountOffset, 2.0f);
  BackupCache.put(kSelectionCountOffset + 2, 1.0f);
  BackupCache.put(kSelectionCountOffset + 10, 1.0f);
  SetSelectionIndexOwner(kSlot);
  ASSERT_EQ(ComputeChannelDescriptive(kSlot, 1, r, &s), StatsStatus::Ok);
  EXPECT_EQ(s.n, 2);
  EXPECT_DOUBLE_EQ(s.mean, 6.0);
  // Built for another file, or before this one grew: not applied.
  SetSelectionIndexOwner(kSlot - 1);
  ASSERT_EQ(ComputeChannelDescriptive(kSlot, 1, r, &s), StatsStatus::Ok);
  EXPECT_EQ(s.n, 10);
  SetSelectionIndexOwner(kSlot);
  ++nCases[kSlot];
  EXPECT_EQ(SelectedCaseCount(kSlot), 0);
  --nCases[kSlot];
  EXPECT_EQ(SelectedCaseCount(kSlot), 2);

  EXPECT_EQ(ComputeChannelDescriptive(kSlot, 3, r, &s), StatsStatus::BadSpan);
}

TEST(DescriptiveResult, GlobalsCarryTheCountBehindTheMean) {
  const std::vector<float> v{1, 100, 2, 3, 4, 5};
  std::vector<float> interp{0, 1, 0, 0, 0, 0};
  CaseFilter f;
  f.interpolation = interp;
  DescriptiveStats s;
  ASSERT_EQ(compute(v, spanOf(0, 5), f, &s), StatsStatus::Ok);
  Analysis_Code = -1;
  testslopeon = 1;
  row = 7;
  StoreDescriptiveResult(s);
  EXPECT_EQ(meanValue, 3.0);
  EXPECT_EQ(StandardDeviation, static_cast<float>(std::sqrt(2.0)));
  EXPECT_EQ(nrPoints, 5);  // not the span's 6 cases
  EXPECT_EQ(nPoints, 5);
  EXPECT_EQ(BGA, 0);
  EXPECT_EQ(EDA, 5);
  EXPECT_EQ(x2, 5.0f);
  EXPECT_EQ(mi, 1.0f);
  EXPECT_EQ(ma, 5.0f);
  EXPECT_EQ(row, 5);
  EXPECT_EQ(Analysis_Code, 1);
  EXPECT_EQ(testslopeon, 0);
}

TEST(DescriptiveResult, ScriptStepIsClearedBeforeTheOperationIsWritten) {
  float step[28];
  for (float& x : step) x = 3.0f;  // an older step's settings
  FillStatsScriptStep(step);
  EXPECT_EQ(step[0], 0.0f);  // no stale set-block flag
  EXPECT_EQ(step[1], 12.0f);
  EXPECT_EQ(step[2], 0.0f);  // no stale replay-without-asking value
  for (int i = 3; i < 28; ++i) EXPECT_EQ(step[i], 0.0f) << i;
}
