#include "analyses/stepped.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

std::vector<float> Ramp(size_t nCases) {
  std::vector<float> y(nCases + 1);
  for (size_t k = 0; k < y.size(); ++k) y[k] = static_cast<float>(k);
  return y;
}

// One block at a time in two lanes, as the stats were first written: the
// reference the four-block lanes must match bit for bit.
std::vector<SteppedStats> ReferenceBlockStats(const std::vector<float>& channel, const SteppedLayout& l,
                                              bool scatter) {
  std::vector<SteppedStats> out(static_cast<size_t>(std::max(0, l.count())));
  const int64_t len = int64_t{l.nb} + 1;
  for (size_t k = 0; k < out.size(); ++k) {
    const int64_t from = int64_t{l.first} + static_cast<int64_t>(k) * l.step - (scatter ? 0 : 1);
    if (from < 0 || from + len > static_cast<int64_t>(channel.size())) continue;
    const float* v = channel.data() + from;
    const double shift = v[0];
    double p1 = 0.0, p2 = 0.0, q1 = 0.0, q2 = 0.0;
    float lo = v[0], hi = v[0];
    int64_t i = 0;
    for (; i + 2 <= len; i += 2) {
      const double d = static_cast<double>(v[i]) - shift, e = static_cast<double>(v[i + 1]) - shift;
      p1 += d;
      p2 += d * d;
      q1 += e;
      q2 += e * e;
      lo = std::min(lo, std::min(v[i], v[i + 1]));
      hi = std::max(hi, std::max(v[i], v[i + 1]));
    }
    if (i < len) {
      const double d = static_cast<double>(v[i]) - shift;
      p1 += d;
      p2 += d * d;
      lo = std::min(lo, v[i]);
      hi = std::max(hi, v[i]);
    }
    const double s1 = p1 + q1, s2 = p2 + q2, count = static_cast<double>(len), m = s1 / count;
    const double var = std::max(0.0, s2 / count - m * m);
    out[k] = {static_cast<float>(shift + m), lo, hi, static_cast<float>(std::sqrt(var))};
  }
  return out;
}

// The same bits; any NaN matches any NaN, whose sign and payload C++ leaves
// to the order the compiler gives an addition's operands (all print "NaN").
testing::AssertionResult SameFloat(float a, float b) {
  if (std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b) || (std::isnan(a) && std::isnan(b)))
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << a << " (" << std::bit_cast<uint32_t>(a) << ") != " << b << " ("
                                     << std::bit_cast<uint32_t>(b) << ")";
}

}  // namespace

TEST(Stepped, BlockStatsEqualTheOneBlockAtATimeLoopBitForBit) {
  std::mt19937 gen(23);
  std::normal_distribution<float> noise(0.0f, 1.0f);
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  // nb 0 (one case a block), odd and even lengths, lengths off and on four;
  // blocks that overlap, touch or leave gaps; the first block before case 0
  // and the last ones past the channel (kept at zero); block counts off four.
  const struct {
    int32_t nb, step, count, first;
    size_t channel;
    bool scatter;
  } layouts[] = {
      {11, 12, 1001, 1, 12020, false}, {11, 12, 1001, 1, 12000, false}, {0, 1, 37, 0, 40, false},
      {0, 1, 37, 0, 40, true},         {1, 3, 50, 5, 200, true},        {2, 2, 99, 3, 250, false},
      {4, 9, 6, 1, 60, false},         {6, 5, 101, 1, 600, false},      {600, 602, 11, 1, 7000, false},
      {7, 8, 3, 2, 30, false},         {5, 6, 9, 1, 30, true},          {14, 3, 200, 7, 700, false},
  };
  for (const int scale : {0, 1, 2}) {
    for (const auto& c : layouts) {
      SCOPED_TRACE(testing::Message() << "nb " << c.nb << " step " << c.step << " scale " << scale);
      std::vector<float> y(c.channel);
      for (size_t i = 0; i < y.size(); ++i) {
        // Near zero, far from it (10,000,000 and its neighbours), and a few
        // NaNs, infinities, signed zeros and repeats, which order the extremes.
        const float level = scale == 1 ? 1e7f : 20.9f;
        y[i] = level + noise(gen) * (scale == 1 ? 3.0f : 0.05f);
        if (scale == 2) {
          const unsigned r = gen() % 40;
          if (r == 0) y[i] = nan;
          if (r == 1) y[i] = gen() % 2 ? inf : -inf;
          if (r == 2) y[i] = gen() % 2 ? 0.0f : -0.0f;
          if (r == 3 && i > 0) y[i] = y[i - 1];
        }
      }
      SteppedLayout l;
      l.nb = c.nb;
      l.step = c.step;
      l.nAfter = c.count;
      l.first = c.first;
      // Interpolation flags on a shorter span than the channel.
      std::vector<float> interp(c.channel * 3 / 4, 0.0f);
      for (float& f : interp) f = gen() % 50 == 0 ? 1.0f : 0.0f;
      std::vector<bool> flagged;
      const auto got = SteppedBlockStats(y, l, c.scatter, interp, &flagged);
      const auto want = ReferenceBlockStats(y, l, c.scatter);
      ASSERT_EQ(got.size(), want.size());
      ASSERT_EQ(flagged.size(), want.size());
      for (size_t k = 0; k < want.size(); ++k) {
        const int64_t from = int64_t{l.first} + static_cast<int64_t>(k) * l.step - (c.scatter ? 0 : 1);
        const int64_t to = from + l.nb + 1;
        const bool inside = from >= 0 && to <= static_cast<int64_t>(std::min(y.size(), interp.size()));
        EXPECT_EQ(flagged[k], inside && std::any_of(interp.begin() + from, interp.begin() + to,
                                                    [](float f) { return f != 0.0f; }))
            << k;
      }
      for (size_t k = 0; k < got.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_TRUE(SameFloat(got[k].mean, want[k].mean));
        EXPECT_TRUE(SameFloat(got[k].min, want[k].min));
        EXPECT_TRUE(SameFloat(got[k].max, want[k].max));
        EXPECT_TRUE(SameFloat(got[k].sd, want[k].sd));
      }
    }
  }
}

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
      {"block of 0 s (it drew a plot)", {0, 180, 1, 1, 1000, 500, false}, 1000, SteppedStatus::BlockNotPositive, 0, 0, 0, 0, 0},
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
