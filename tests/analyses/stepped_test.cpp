#include "analyses/stepped.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<float> Ramp(size_t nCases) {
  std::vector<float> y(nCases + 1);
  for (size_t k = 0; k < y.size(); ++k) y[k] = static_cast<float>(k);
  return y;
}

}  // namespace

TEST(Stepped, LayoutsAndRefusals) {
  const struct {
    const char* what;
    SteppedRequest r;
    int64_t nCases;
    SteppedStatus status;
    int32_t nb, step, nBefore, nAfter, first;
  } cases[] = {
      {"step plot", {60, 180, 1, 1, 1000, 500, false}, 1000, SteppedStatus::Ok, 61, 242, 2, 2, 16},
      {"scatter", {60, 180, 1, 1, 1000, 500, true}, 1000, SteppedStatus::Ok, 60, 240, 2, 2, 20},
      {"block below dt", {0.5, 0, 1, 1, 10, 5, false}, 10, SteppedStatus::Ok, 1, 2, 2, 2, 1},
      {"60 s at 0.1 s", {60, 0, 0.1, 1, 7000, 1, false}, 7000, SteppedStatus::Ok, 601, 602, 0, 11, 1},
      {"start at left", {60, 180, 1, 1, 1000, 1, false}, 1000, SteppedStatus::Ok, 61, 242, 0, 4, 1},
      {"scatter without step", {0.5, 0.5, 1, 1, 10, 5, true}, 10, SteppedStatus::NoStep, 0, 0, 0, 0, 0},
      {"left 0", {60, 180, 1, 0, 1000, 500, false}, 1000, SteppedStatus::BadEndPoints, 0, 0, 0, 0, 0},
      {"start past right", {60, 180, 1, 1, 400, 500, false}, 1000, SteppedStatus::BadEndPoints, 0, 0, 0, 0, 0},
      {"right past file", {60, 180, 1, 1, 1001, 500, false}, 1000, SteppedStatus::BadEndPoints, 0, 0, 0, 0, 0},
      {"longer than file", {1e12, 0, 1, 1, 1000, 500, false}, 1000, SteppedStatus::DurationTooLong, 0, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SteppedLayout l;
    ASSERT_EQ(LayoutSteppedBlocks(c.r, c.nCases, &l), c.status);
    if (c.status != SteppedStatus::Ok) {
      EXPECT_STRNE(SteppedStatusText(c.status), "");
      continue;
    }
    EXPECT_EQ(l.nb, c.nb);
    EXPECT_EQ(l.step, c.step);
    EXPECT_EQ(l.nBefore, c.nBefore);
    EXPECT_EQ(l.nAfter, c.nAfter);
    EXPECT_EQ(l.first, c.first);
  }
}

TEST(Stepped, BlocksOfARampAroundTheStartPoint) {
  const std::vector<float> y = Ramp(1000);
  SteppedLayout l;
  ASSERT_EQ(LayoutSteppedBlocks({60, 180, 1, 1, 1000, 500, false}, 1000, &l), SteppedStatus::Ok);
  const auto rows = SteppedRows(l, 500, 1.0);
  std::vector<float> interp(1001, 0.0f);
  interp[300] = 1.0f;   // inside the second block (cases 257..318)
  std::vector<bool> flagged;
  const auto st = SteppedBlockStats(y, l, false, interp, &flagged);
  const struct {
    int32_t position, start, end;
    float mean, min, max;
    bool interpolated;
  } want[] = {{-484, 16, 77, 45.5f, 15, 76, false},
              {-242, 258, 319, 287.5f, 257, 318, true},
              {0, 500, 561, 529.5f, 499, 560, false},
              {242, 742, 803, 771.5f, 741, 802, false}};
  ASSERT_EQ(rows.size(), 4u);
  ASSERT_EQ(st.size(), 4u);
  for (size_t k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(rows[k].position, want[k].position);
    EXPECT_DOUBLE_EQ(rows[k].dtSeconds, want[k].position);
    EXPECT_EQ(rows[k].startCase, want[k].start);
    EXPECT_EQ(rows[k].endCase, want[k].end);
    EXPECT_FLOAT_EQ(st[k].mean, want[k].mean);
    EXPECT_EQ(st[k].min, want[k].min);
    EXPECT_EQ(st[k].max, want[k].max);
    EXPECT_NEAR(st[k].sd, 17.89553f, 1e-4f);   // 62 consecutive whole numbers
    EXPECT_EQ(flagged[k], want[k].interpolated);
  }
  // The gray curve: the start block, then the mean of the pair 242 s apart.
  const auto fold = SteppedFoldedMeans(rows, st);
  ASSERT_EQ(fold.size(), 2u);
  EXPECT_FLOAT_EQ(fold[0].value, 529.5f);
  EXPECT_DOUBLE_EQ(fold[1].absDt, 242.0);
  EXPECT_FLOAT_EQ(fold[1].value, (287.5f + 771.5f) / 2);
  float lo, hi;
  SteppedMeanRange(st, &lo, &hi);   // fewer than 5 blocks: all of them
  EXPECT_EQ(lo, 45.5f);
  EXPECT_EQ(hi, 771.5f);
  const std::vector<SteppedStats> flat(3, SteppedStats{2.0f, 2.0f, 2.0f, 0.0f});
  SteppedMeanRange(flat, &lo, &hi);
  EXPECT_LT(lo, hi) << "equal extremes never divide by 0";
}

TEST(Stepped, ResultsFileHoldsTheFirstTenPickedChannels) {
  std::vector<uint16_t> picked(33, 0);
  for (int c = 1; c <= 12; ++c) picked[c] = 1;
  picked[3] = 0;
  const auto saved = SteppedSavedChannels(picked, 12);
  EXPECT_EQ(saved, (std::vector<int16_t>{1, 2, 4, 5, 6, 7, 8, 9, 10, 11}));

  SteppedFileInput in;
  in.fileName = "run";
  in.today = "12/07/26";
  in.nCases = 1000;
  in.nChannels = 2;
  in.blockTyped = "60";
  in.skipTyped = "180";
  in.dt = 1.0;
  in.start = 500;
  in.channels = {2};
  in.labels = {"CO2"};
  in.rows = {{0, 0.0, 500, 561, true}};
  in.stats = {{{529.5f, 499.0f, 560.0f, 17.89553f}}};
  EXPECT_EQ(SteppedResultsText(in),
            "Source file: 'run'      1000 cases, 2 channels; 12/07/26\n"
            "     block duration: 60   skip duration: 180    sample interval 1 seconds\n"
            "     initial point =  500; =  500 seconds\n"
            "channel 2:  CO2\n"
            ";last channel is interpolation status ('9999'=interpolated) \n"
            "start block\tend block\tposition\tDt (sec) \tchan2 mean\tmin\tmax\tSD\tinterpolate\n"
            " 500\t 561\t 0\t 0\t 529.5\t 499\t 560\t 17.89553\t 9999\n");
}
