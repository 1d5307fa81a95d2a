#include "datafiles/repairs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fixture.h"

namespace {

using RepairsTest = DataFilesTest;

TEST(CleanMarkers, OrderDuplicatesAndRange) {
  std::vector<MarkerRecord> m{{9, 1},      {3, 2}, {0, 5}, {11, 1}, {3, 4}, {5, 0},
                              {5, 0x10000}, {7, -1}, {3, 4}, {9, 1}, {3, 2}};
  EXPECT_EQ(CleanMarkers(m, 10), 6);
  // code 0 counts by its low 16 bits; every marker of case 3 stays, in its
  // order, and only a record repeating the one before it goes.
  EXPECT_EQ(m, (std::vector<MarkerRecord>{{3, 2}, {3, 4}, {3, 2}, {7, -1}, {9, 1}}));
}

TEST(CleanMarkers, CapAt32500) {
  std::vector<MarkerRecord> m;
  for (int32_t k = 40'000; k >= 1; --k) m.push_back({k, 1});
  EXPECT_EQ(CleanMarkers(m, 40'000), 7'500);
  ASSERT_EQ(m.size(), 32'500u);
  EXPECT_EQ(m.front().caseNumber, 1);
  EXPECT_EQ(m.back().caseNumber, 32'500);
}

TEST(Repairs, NonFiniteSamplesAreZeroedAndCounted) {
  std::vector<float> v{1, std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::infinity(),
                       std::numeric_limits<float>::denorm_min(), -0.0f};
  EXPECT_EQ(ZeroNonFiniteSamples(v.data(), v.size()), 2);
  EXPECT_EQ(v, (std::vector<float>{1, 0, 0, std::numeric_limits<float>::denorm_min(), -0.0f}));
  EXPECT_EQ(ZeroNonFiniteSamples(v.data(), v.size()), 0);
}

TEST(Repairs, ImageRepairsEachField) {
  DataFileImage img;
  img.cases = 2;
  img.interval = -3.0f;
  img.startTime = "9:30";
  img.data = {{0, 1, 2}};
  img.labels = {std::string(30, ' ')};
  img.travel = {TravelValues{std::numeric_limits<float>::infinity(), 1, 2, 3, 4}};
  img.device = std::numeric_limits<float>::quiet_NaN();
  img.notes.resize(305);
  const RepairReport r = RepairImage(img);
  EXPECT_TRUE(r.intervalRepaired);
  EXPECT_EQ(img.interval, 9.999f);
  EXPECT_TRUE(r.startTimeReset);
  EXPECT_EQ(img.startTime, "00:00:00");
  EXPECT_TRUE(r.labelsBlank);
  EXPECT_EQ(r.fileValuesReset, 2);
  EXPECT_EQ(img.travel[0][0], 0.0f);
  EXPECT_EQ(img.device, 0.0f);
  EXPECT_EQ(r.notesDropped, 5);
  EXPECT_EQ(img.notes.size(), 300u);
  // Blank-padded clock texts are valid start times.
  img.startTime = " 7: 5: 9";
  img.labels = {"x"};
  const RepairReport r2 = RepairImage(img);
  EXPECT_FALSE(r2.startTimeReset);
  EXPECT_FALSE(r2.labelsBlank);
}

TEST_F(RepairsTest, InstallRefusesInconsistentImagesAndKeepsTheStore) {
  DataFileImage img;
  img.cases = 3;
  img.data = {{1, 2, 3, 4}, {1, 2, 3}};  // second channel short
  EXPECT_EQ(InstallImage(std::move(img), "n", "p", nullptr), FileStatus::BadFormat);
  EXPECT_EQ(CountOpenFiles(), 0);
  DataFileImage none;
  none.cases = 3;
  EXPECT_EQ(InstallImage(std::move(none), "n", "p", nullptr), FileStatus::NoChannels);
  DataFileImage one;
  one.cases = 1;
  one.data = {{1, 2}};
  EXPECT_EQ(InstallImage(std::move(one), "n", "p", nullptr), FileStatus::TooFewCases);
  EXPECT_EQ(CountOpenFiles(), 0);
}

TEST_F(RepairsTest, InstallTakesTheArraysOver) {
  DataFileImage img;
  img.cases = 4;
  img.data = {{9, 1, 2, 3, 4}};
  const float* block = img.data[0].data();
  img.labels = {FitLabel("lab")};
  img.travel = {TravelValues{1, 2, 3, 4, 5}};
  img.notes = {{"2", "t", "n"}};
  img.comments = "c";
  int16_t slot = -1;
  ASSERT_EQ(InstallImage(std::move(img), "name", "/p/name", &slot), FileStatus::Ok);
  EXPECT_EQ(ChannelData(slot, 1), block);  // no copy of the samples
  EXPECT_EQ(gPointersToFileData[slot][0].size(), 5u);
  EXPECT_EQ(nCases[slot], 4);
  EXPECT_EQ(nVar[slot][1][2], 1.0f);
  EXPECT_EQ(nVar[slot][1][6], 5.0f);
  EXPECT_EQ(NumberOfNotes[slot], 1);
  EXPECT_EQ(OverlayArray[slot][2][1], 1);
  EXPECT_EQ(OldLabelStrings[slot][1], LabelStrings[slot][1]);
  EXPECT_EQ(FilePath[slot], "/p/name");
}

}  // namespace
