#include "datafiles/demo.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "datafiles/native_binary.h"
#include "plot/blockscale.h"
#include "fixture.h"

namespace {

// The shipped recording; CORVIMET_WRITE_DEMO=1 makes this test write it anew.
const std::filesystem::path kShipped =
    std::filesystem::path(TEST_SOURCE_DIR).parent_path() / "resources" / "demo" / kDemoFileName;

using DemoTest = DataFilesTest;

TEST_F(DemoTest, ShippedFileIsWhatTheGeneratorMakes) {
  if (const char* w = std::getenv("CORVIMET_WRITE_DEMO"); w && std::string(w) == "1") {
    ASSERT_EQ(WriteDemoRecording(kShipped), FileStatus::Ok);
  }
  ASSERT_EQ(WriteDemoRecording(path("a.orl")), FileStatus::Ok);
  ASSERT_EQ(WriteDemoRecording(path("b.orl")), FileStatus::Ok);
  EXPECT_EQ(slurp(path("a.orl")), slurp(path("b.orl")));
  ASSERT_TRUE(std::filesystem::exists(kShipped)) << kShipped;
  // Byte equality holds where the arithmetic is plain IEEE doubles; the
  // header, markers and notes must match anywhere.
  DataFileImage shipped, fresh;
  ASSERT_EQ(ReadNativeBinary(kShipped, &shipped), FileStatus::Ok);
  ASSERT_EQ(ReadNativeBinary(path("a.orl"), &fresh), FileStatus::Ok);
  EXPECT_EQ(shipped.labels, fresh.labels);
  EXPECT_EQ(shipped.markers, fresh.markers);
  EXPECT_EQ(shipped.notes, fresh.notes);
  EXPECT_EQ(shipped.comments, fresh.comments);
  ASSERT_EQ(shipped.data.size(), fresh.data.size());
  for (size_t c = 0; c < fresh.data.size(); ++c)
    for (size_t k = 0; k < fresh.data[c].size(); k += 97) EXPECT_NEAR(shipped.data[c][k], fresh.data[c][k], 1e-4);
}

TEST_F(DemoTest, RecordingLooksLikeARespirometrySession) {
  int16_t slot = -1;
  RepairReport r;
  ASSERT_EQ(LoadNativeFile(kShipped, &slot, &r), FileStatus::Ok);
  EXPECT_EQ(r.aberrantSamples, 0);
  EXPECT_FALSE(r.intervalRepaired);
  EXPECT_FALSE(r.labelsBlank);
  EXPECT_EQ(nCases[slot], 7200);
  EXPECT_EQ(nChannels[slot], 4);
  EXPECT_EQ(MarkerCount(slot), 8);
  // The comments promise markers 1 and 2: that is what the plot prints.
  for (int16_t m = 0; m < MarkerCount(slot); ++m)
    EXPECT_EQ(plotcore::BlockMarkerLabel(MarkerCode16(MarkersArray[slot][static_cast<size_t>(m)])), m % 2 == 0 ? "1" : "2");
  EXPECT_NE(CommentContainer[slot].find("Synthetic"), std::string::npos);
  auto mean = [&](int16_t c, int32_t from, int32_t to) {
    double s = 0;
    for (int32_t k = from; k < to; ++k) s += GetDatum(slot, c, k);
    return s / (to - from);
  };
  // Baseline (reference air) after the lag, resting animal, active animal.
  const double baseO2 = mean(1, 2450, 2700), restO2 = mean(1, 600, 1200), activeO2 = mean(1, 1400, 1600);
  EXPECT_NEAR(baseO2, 20.945, 0.01);
  EXPECT_NEAR(baseO2 - restO2, 0.30, 0.03);
  EXPECT_GT(baseO2 - activeO2, 0.55);
  EXPECT_NEAR(mean(2, 600, 1200) - mean(2, 2450, 2700), 0.255, 0.03);
  EXPECT_NEAR(mean(3, 1, 7201), 500.0, 0.5);
  // The gases lag the valve: 10 s after a baseline opens the analyser still
  // sees the chamber.
  EXPECT_LT(GetDatum(slot, 1, 2410), baseO2 - 0.2);
}

}  // namespace
