// Integral and derivative channels and scale to block: the worked values,
// in place and into new channels, and the refusals that leave data alone.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "editing/blockset.h"
#include "editing/integrate.h"
#include "editing/scaletoblock.h"
#include "shell/globals.h"
#include "shell/store.h"

namespace {

TEST(ChannelMath, DerivativeAndIntegralPerSampleAlsoInPlace) {
  const struct {
    bool derivative;
    std::vector<float> in, out;
  } cases[] = {
      {true, {0, 1, 4, 9}, {1, 1, 3, 5}},
      {true, {2, 2, 5}, {0, 0, 3}},
      {false, {0, 1, 2, 3}, {0, 1, 3, 6}},
      {false, {1, 1, 1, 1, 1}, {1, 2, 3, 4, 5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.derivative);
    const auto n = static_cast<int32_t>(c.in.size()) - 1;
    std::vector<float> out(c.in.size()), inPlace = c.in;
    if (c.derivative) {
      DeriveSamples(c.in.data(), out.data(), n);
      DeriveSamples(inPlace.data(), inPlace.data(), n);
    } else {
      IntegrateSamples(c.in.data(), out.data(), n);
      IntegrateSamples(inPlace.data(), inPlace.data(), n);
    }
    EXPECT_EQ(out, c.out);
    EXPECT_EQ(inPlace, c.out);
  }
  EXPECT_EQ(IntegralLabel(true, "O2"), "\xB6 O2");
  EXPECT_EQ(IntegralLabel(false, "O2"), "\xBA O2");
}

TEST(ChannelMath, NewChannelsTakeTheirLabelSlotAndLeaveTheUndoCopyAlone) {
  for (int16_t s = 0; s < kSlotCount; ++s) FreeSlot(s);
  ASSERT_EQ(AllocateSlot(0, 3, 7), StoreStatus::Ok);
  TheFileInUse = 0;
  for (int32_t k = 0; k <= 3; ++k) PutDatum(0, 1, k, static_cast<float>(k * k));
  ASSERT_EQ(MAKEBACKUP(2), StoreStatus::Ok);
  for (const int16_t want : {int16_t{8}, int16_t{9}}) {
    int16_t c = 0;
    ASSERT_EQ(MakeIntegralChannel(0, 1, true, true, "d O2", &c), StoreStatus::Ok);
    EXPECT_EQ(c, want);
    EXPECT_EQ(LabelStrings[0][(want - 1) / 8 + 1].substr(static_cast<size_t>((want - 1) % 8) * 30, 4), "d O2");
  }
  EXPECT_EQ(gPointersToFileData[0][9], (std::vector<float>{1, 1, 3, 5}));
  EXPECT_EQ(LastChan, 2) << "a new channel keeps the previous undo";
  while (nChannels[0] < 31) ASSERT_EQ(AddChannel(0), StoreStatus::Ok);
  int16_t c = 0;
  ASSERT_EQ(MakeIntegralChannel(0, 1, false, true, "sum", &c), StoreStatus::Ok);
  EXPECT_EQ(c, 32);
  EXPECT_EQ(LabelStrings[0][4].substr(7 * 30, 3), "sum");
  EXPECT_EQ(MakeIntegralChannel(0, 1, false, true, "no room", &c), StoreStatus::TooManyChannels);
  // In place the undo copy is taken first: Undo gives the source and label back.
  const std::string label = LabelStrings[0][1];
  ASSERT_EQ(MakeIntegralChannel(0, 1, false, false, "int", &c), StoreStatus::Ok);
  EXPECT_EQ(gPointersToFileData[0][1], (std::vector<float>{0, 1, 5, 14}));
  ASSERT_EQ(UNDO(), StoreStatus::Ok);
  EXPECT_EQ(gPointersToFileData[0][1], (std::vector<float>{0, 1, 4, 9}));
  EXPECT_EQ(LabelStrings[0][1], label);
  FreeSlot(0);
}

TEST(ChannelMath, ScaleToBlockMapsTheBlockExtremesAndRefusesWithoutChange) {
  // Cases 0..9; the block 2..7 spans the values 2..7. A NaN is left out of
  // the extremes wherever it lies in the block, the first case included,
  // and stays NaN.
  const std::vector<float> base{5, 1, 2, 4.5f, 3, 5, 6, 7, 12, 0};
  const struct {
    float upper, lower;
    bool blockOnly;
    int nanAt;
    BlockScaleStatus status;
    std::vector<std::pair<int, float>> expected;
  } cases[] = {
      {100, 0, true, -1, BlockScaleStatus::Ok, {{2, 0}, {3, 50}, {7, 100}, {8, 12}, {1, 1}, {0, 5}}},
      {10, 5, true, -1, BlockScaleStatus::Ok, {{2, 5}, {7, 10}}},
      {100, 0, false, -1, BlockScaleStatus::Ok, {{8, 200}, {1, -20}, {0, 5}}},
      {0, 0, true, -1, BlockScaleStatus::LimitsReversed, {}},
      {0, 10, true, -1, BlockScaleStatus::LimitsReversed, {}},
      {100, 0, true, 5, BlockScaleStatus::Ok, {{2, 0}, {3, 50}, {7, 100}}},
      {100, 0, true, 2, BlockScaleStatus::Ok, {{4, 0}, {3, 37.5f}, {7, 100}, {1, 1}}},
      {100, 0, false, 7, BlockScaleStatus::Ok, {{2, 0}, {6, 100}, {8, 250}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.upper << " " << c.lower << " " << c.blockOnly << " NaN at " << c.nanAt);
    std::vector<float> v = base;
    if (c.nanAt >= 0) v[static_cast<size_t>(c.nanAt)] = NAN;
    const std::vector<float> before = v;
    EXPECT_EQ(ScaleToBlock(v.data(), 9, 2, 7, c.upper, c.lower, c.blockOnly), c.status);
    if (c.status != BlockScaleStatus::Ok) {
      EXPECT_EQ(v, before);
    }
    if (c.nanAt >= 0) {
      EXPECT_TRUE(std::isnan(v[static_cast<size_t>(c.nanAt)]));
    }
    for (const auto& [k, want] : c.expected) EXPECT_FLOAT_EQ(v[static_cast<size_t>(k)], want) << k;
  }
  std::vector<float> nans(10, NAN);
  EXPECT_EQ(ScaleToBlock(nans.data(), 9, 2, 7, 100, 0, true), BlockScaleStatus::FlatBlock);
  std::vector<float> flat(10, 3.0f);
  EXPECT_EQ(ScaleToBlock(flat.data(), 9, 2, 7, 100, 0, true), BlockScaleStatus::FlatBlock);
  EXPECT_EQ(flat, std::vector<float>(10, 3.0f));
  EXPECT_EQ(BlockScaleLogText(true, 2, 7, "100", "0"), "Block scale from 2 to 7; scale 100 to 0");
  EXPECT_EQ(BlockScaleLogText(false, 2, 7, "10", "5"), "Block scale (entire file) ; scale 10 to 5");
  EXPECT_EQ(BlockScalePercentLogText(2, 7), "Block scale from 2 to 7; scale 0 to 100 (%) ");
}

}  // namespace

namespace {

TEST(ChannelMath, BlockSetWritesBothEndsOnlyAndRefusesARangeOutsideTheChannel) {
  const struct {
    int32_t b, e;
    bool ok;
    std::vector<float> out;
  } cases[] = {
      {1, 3, true, {0, 2.5f, 2.5f, 2.5f, 4}},
      {3, 1, true, {0, 2.5f, 2.5f, 2.5f, 4}},
      {0, 0, true, {2.5f, 1, 2, 3, 4}},
      {4, 5, false, {0, 1, 2, 3, 4}},
      {-1, 2, false, {0, 1, 2, 3, 4}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.b);
    std::vector<float> d = {0, 1, 2, 3, 4};
    EXPECT_EQ(SetBlockCases(d.data(), 4, c.b, c.e, 2.5f), c.ok);
    EXPECT_EQ(d, c.out);
  }
}

}  // namespace
