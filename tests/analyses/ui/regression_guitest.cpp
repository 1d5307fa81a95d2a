// "Slope vs Time…" and "Regress Channels…" driven headlessly on a generated
// three-channel file: time units, the typed slope test, the residuals window
// and file, the prediction window, the channel and model pickers, the
// cross-channel box, Autorepeat, the recorded and replayed script steps and
// the long-plot notice.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "analyses/linefit.h"
#include "analyses/ui/analyses_commands.h"
#include "analyses/ui/regression.h"
#include "datafiles/save.h"
#include "output/results.h"
#include "output/ui/destination.h"
#include "output/ui/output_commands.h"
#include "platform/controls.h"
#include "platform/macroman.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/plot_commands.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/worktables.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "support/gui_support.h"
#include "support/window_support.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;

const float kY[] = {2.1f, 3.9f, 6.2f, 7.8f, 10.1f, 12.2f, 13.8f, 16.1f, 18.0f, 19.9f};

std::string Field(int win, int id) { return plat::fieldText(win, id); }
float FieldValue(int win, int id) { return std::stof(plat::fieldText(win, id)); }

class LineFitWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetForAnalysisTest();
    AvoidInterpolation = 0;
    UseCrossChanIndex = 0;
    UseLogY = 0;
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    for (auto& step : ScriptSequenceArray)
      for (float& f : step) f = 0.0f;
    PortForResultsOutput = kPortNone;

    // Channel 1 is X = 0..9 over the block (cases 1..10), channel 3 the
    // reference line's Y, channel 2 a positive trace.
    ASSERT_EQ(AllocateSlot(0, 20, 3), StoreStatus::Ok);
    for (int32_t k = 0; k <= 20; ++k) {
      PutDatum(0, 1, k, static_cast<float>(k - 1));
      PutDatum(0, 2, k, 5.0f + 0.5f * static_cast<float>(k));
      PutDatum(0, 3, k, k >= 1 && k <= 10 ? kY[k - 1] : 20.0f);
    }
    testsupport::DescribeFile(0, "generated", 60.0f, {"temperature", "flow", "O2"});
    FileInfoFLOATS[0][kInfoStartMinutes] = 600.0f;
    testsupport::SelectBlock(0, 1, 10, 3);
    ASSERT_TRUE(plat::windowExists(kBlockWindow));
  }

  void TearDown() override {
    // Shared with other commands (the compacted-data export reads TimeUnits).
    TimeUnits = 0;
    prefsArray[kPrefAutorepeat] = 0;
    UseCrossChanIndex = 0;
    UseLogY = 0;
    testsupport::EndWindowTest();
  }

  testsupport::PlotGeometryKeeper keptGeometry_;
};

TEST_F(LineFitWindows, SlopeOverTimeInMinutesWithTestsResidualsAndPrediction) {
  const fs::path dir = testsupport::FreshTestDir("slope_");
  RecordSCRIPT = 1;
  Script s;
  s.click(kTimeUnitsWindow, kTimeMinutes);
  s.call([] {
    EXPECT_EQ(plat::title(kResultsWindow), "Slope Over Time");
    EXPECT_FALSE(plat::controlExists(kResultsWindow, kCrossChannelBox)) << "the selection does not apply";
    // 60 s per case in minutes: x steps by exactly 1.
    EXPECT_NEAR(FieldValue(kResultsWindow, kRegBField), 1.990909f, 2e-6);
    EXPECT_NEAR(FieldValue(kResultsWindow, kRegAField), 2.050909f, 1e-5);
    EXPECT_NEAR(FieldValue(kResultsWindow, kRegAvalxField), 2.050909f - 1.990909f, 1e-5);
    EXPECT_EQ(Field(kResultsWindow, kRegNField), " 10");
    EXPECT_EQ(Field(kResultsWindow, kRegZeroProbField),
              " probability slope = zero is   < .00001                      ");
    plat::test::saveArtifact(plat::test::windowImage(kBlockWindow), "slope-over-time-block.png");
    plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "slope-over-time-panel.png");
  });
  s.type(kResultsWindow, kRegTestValueField, "\b1.99");
  s.click(kResultsWindow, kSlopeTest);
  s.call([] {
    EXPECT_EQ(Field(kResultsWindow, kRegProbResultField).substr(0, 4), "is 0");
    EXPECT_GT(SlopeTestProb, 0.9f);
    EXPECT_EQ(CaptureResult().pslope, 1.99f) << "what a store from the menu records";
  });
  s.click(kResultsWindow, kSlopeResiduals);
  s.call([] {
    EXPECT_EQ(plat::title(kResidualsWindow), "Residuals");
    plat::test::saveArtifact(plat::test::windowImage(kResidualsWindow), "slope-residuals.png");
  });
  s.click(kResidualsWindow, kResidualsSave).answerSave(dir / "residuals.txt");
  s.click(kResidualsWindow, kResidualsDone);
  s.click(kResultsWindow, kSlopePredict);
  s.call([] {
    EXPECT_NEAR(FieldValue(kPredictWindow, kPredictYField), ValueOfA + ValueOfB, 1e-5);
    plat::setFieldText(kPredictWindow, kPredictYField, std::to_string(ValueOfA + 2.0f * ValueOfB));
  });
  s.click(kPredictWindow, kPredictX);
  s.call([] { EXPECT_NEAR(FieldValue(kPredictWindow, kPredictXField), 2.0f, 1e-5); });
  s.click(kPredictWindow, kPredictDone);
  s.closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 15)); });

  EXPECT_EQ(Analysis_Code, kSlopeAnalysisCode);
  EXPECT_EQ(ScriptCOUNT, 1u);
  EXPECT_EQ(ScriptSequenceArray[1][1], 16.0f);
  EXPECT_EQ(ScriptSequenceArray[1][2], 1.0f);
  EXPECT_EQ(ScriptSequenceArray[1][4], 1.0f) << "minutes";
  EXPECT_EQ(testsupport::ReadFileBytes(dir / "residuals.txt"), testsupport::ReadFileBytes(fs::path(TEST_GOLDEN_DIR) / "residuals_minutes.txt"));
}

// A run hands the command its step: the unit comes from it without asking,
// and nothing is appended to the script.
TEST_F(LineFitWindows, ReplayedSlopeTakesItsUnitFromTheHandedStep) {
  ScriptSequenceArray[3][1] = 16.0f;
  ScriptSequenceArray[3][2] = 1.0f;
  ScriptSequenceArray[3][4] = 2.0f;
  ScriptCOUNT = 0;
  RunScript = 1;
  ScriptRunStep = 3;
  autoscript = 1;
  ScriptRunOnce = 1;
  UseLogY = kModelLogX;   // left by a regression: no log-time model here
  Script s;
  s.call([] { EXPECT_NEAR(ValueOfB, 1.990909f * 60.0f, 1e-3) << "per hour"; });
  s.key(kResultsWindow, 13);   // Return ends the command in a run
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 15)); });
  RunScript = 0;
  ScriptRunStep = 0;
  autoscript = 0;
  ScriptRunOnce = 0;
  EXPECT_EQ(TimeUnits, 2);
  EXPECT_EQ(UseLogY, kModelLinear);
  EXPECT_EQ(ScriptCOUNT, 0u);
  EXPECT_EQ(ScriptSequenceArray[3][4], 2.0f);
}

TEST_F(LineFitWindows, RegressionThroughThePickersWithTheSelectionAndAutorepeat) {
  // Cross-channel selection: cases 4 and 8 (X = 3 and 7) not selected; the
  // count word of case 0 says the subset is usable.
  float* sel = BackupCache.region(kBackupSelection, 21);
  ASSERT_NE(sel, nullptr);
  for (int k = 1; k <= 20; ++k) sel[k] = 1.0f;
  sel[0] = 18.0f;
  sel[4] = sel[8] = 0.0f;
  SetSelectionIndexOwner(static_cast<int16_t>(TheFileInUse));
  RecordSCRIPT = 1;
  Script s;
  s.click(kPickWindow, 1).click(kPickWindow, 3 + 3);
  s.call([] {
    EXPECT_EQ(plat::title(kPickWindow), "Select Shannels to Regress");
    EXPECT_EQ(plat::buttonState(kPickWindow, 3), 0) << "Y's twin in the X column is disabled";
    plat::test::saveArtifact(plat::test::windowImage(kPickWindow), "regression-picker.png");
  });
  s.click(kPickWindow, kPickOK);
  s.call([] { EXPECT_EQ(plat::title(kPickWindow), "Regression Type"); });
  s.click(kPickWindow, 2).click(kPickWindow, kModelDone);
  s.call([] {
    EXPECT_EQ(UseLogY, kModelLogY);
    EXPECT_EQ(Field(kResultsWindow, kRegNField), " 10");
    EXPECT_EQ(Field(kResultsWindow, kRegModelField), "  model:    log Y = a + b * X");
    plat::test::saveArtifact(plat::test::windowImage(kBlockWindow), "regression-scatter.png");
    plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "regression-panel.png");
  });
  s.click(kResultsWindow, kCrossChannelBox);
  s.call([] {
    EXPECT_EQ(Field(kResultsWindow, kRegNField), " 8");
    EXPECT_EQ(minx1, 0.0f);
    EXPECT_EQ(nPoints, 8);
  });
  s.click(kResultsWindow, kRegExit);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 16)); });
  EXPECT_EQ(Chan1, 1);
  // A picker closed before a Y channel was chosen ends the command unfitted.
  ValueOfB = -1.0f;
  Script none;
  none.closeBox(kPickWindow);
  plat::test::run(none, [] { EXPECT_TRUE(DoMENU(3, 16)); });
  EXPECT_EQ(chan2, 0);
  EXPECT_EQ(ValueOfB, -1.0f);
  Chan1 = 1;
  EXPECT_EQ(ScriptSequenceArray[1][1], 17.0f);
  // Linear on the same channels gives the reference line.
  UseCrossChanIndex = 0;
  BeginBlock[0] = 1;
  EndBlock[0] = 10;
  prefsArray[kPrefAutorepeat] = 1;
  Script again;
  again.click(kPickWindow, 1).click(kPickWindow, 3 + 3).click(kPickWindow, kPickOK);
  again.click(kPickWindow, 1).click(kPickWindow, kModelDone);
  again.call([] {
    EXPECT_NEAR(ValueOfB, 1.990909f, 1e-6);
    EXPECT_NEAR(rsquared, 0.999382f, 1e-6);
  });
  again.closeBox(kResultsWindow);
  plat::test::run(again, [] { EXPECT_TRUE(RunCommand(Cmd::AutoRepeat)); });
  EXPECT_EQ(chan2, 3);
  EXPECT_EQ(ScriptSequenceArray[3][1], 17.0f);
}

// A regression stored after another analysis on another channel is headed
// by its own Y channel, not by the channel the other analysis left.
TEST_F(LineFitWindows, StoredRegressionIsHeadedByItsYChannel) {
  const fs::path dir = testsupport::FreshTestDir("regression_header_");
  Script stats;
  stats.click(kResultsWindow, 2).closeBox(kResultsWindow);
  plat::test::run(stats, [] { EXPECT_TRUE(DoMENU(3, 1)); });
  ASSERT_EQ(ch, 2) << "the statistics were of channel 2";
  PortForResultsOutput = kPortTextFile;
  Script open;
  open.answerSave(dir / "results.txt");
  plat::test::run(open, [] { EXPECT_EQ(OPEN_OUTPUT_PORT(), 1); });
  Script s;
  s.click(kPickWindow, 1).click(kPickWindow, 3 + 3).click(kPickWindow, kPickOK);
  s.click(kPickWindow, 1).click(kPickWindow, kModelDone);
  s.click(kResultsWindow, kRegPrint).click(kResultsWindow, kRegExit);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 16)); });
  CloseDestination();
  PortForResultsOutput = kPortNone;
  const std::string text = plat::fromDiskText(testsupport::ReadFileBytes(dir / "results.txt"));
  const size_t at = text.find("REGRESSION of channel 1 against channel 3");
  ASSERT_NE(at, std::string::npos) << text;
  const size_t head = text.rfind("FILE", at);
  ASSERT_NE(head, std::string::npos) << text;
  const std::string y = "FILE  'generated '; CHANNEL 3:  O2 ";
  EXPECT_EQ(text.substr(head, y.size()), y) << text;
}

// The log model is checked on the data fitted: a channel that reaches 0 in
// the block (slope over time) and the cases box 99 brings back (regression)
// drop it; a fit that is not finite has no probability.
TEST_F(LineFitWindows, ALogModelTheFittedDataCannotCarryIsDropped) {
  ActiveChannel = 2;   // 5 + 0.5 k: positive
  PutDatum(0, 3, 5, std::nanf(""));
  UseLogY = kModelLogY;
  Script s;
  s.click(kTimeUnitsWindow, kTimeSeconds);
  s.call([] {
    EXPECT_EQ(UseLogY, kModelLogY);
    EXPECT_NE(Field(kResultsWindow, kRegModelField).find("log"), std::string::npos);
  });
  s.click(kResultsWindow, 1);   // channel 1 is 0 at the block's first case
  s.call([] {
    EXPECT_EQ(UseLogY, kModelLinear);
    EXPECT_NEAR(ValueOfB, 1.0f / 60.0f, 1e-7) << "a linear fit of k - 1 against 60 s per case";
    EXPECT_EQ(Field(kResultsWindow, kRegModelField).find("log"), std::string::npos);
  });
  s.click(kResultsWindow, 3);   // a NaN at case 5
  s.call([] {
    EXPECT_TRUE(std::isnan(ValueOfB));
    EXPECT_EQ(Field(kResultsWindow, kRegZeroProbField), " data not finite, can't compute probabilities");
    EXPECT_TRUE(std::isnan(SlopeZeroProb)) << "not computed, not significant";
    plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "slope-not-finite-panel.png");
  });
  s.closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 15)); });

  // Regression, log Y over the selected cases; unticking the box brings
  // back case 4, whose Y is below 0.
  PutDatum(0, 3, 5, kY[4]);
  PutDatum(0, 3, 4, -1.0f);
  float* sel = BackupCache.region(kBackupSelection, 21);
  ASSERT_NE(sel, nullptr);
  for (int k = 1; k <= 20; ++k) sel[k] = 1.0f;
  sel[0] = 19.0f;
  sel[4] = 0.0f;
  SetSelectionIndexOwner(static_cast<int16_t>(TheFileInUse));
  UseCrossChanIndex = 1;
  Script r;
  r.click(kPickWindow, 2).click(kPickWindow, 3 + 3).click(kPickWindow, kPickOK);
  r.click(kPickWindow, 2).click(kPickWindow, kModelDone);
  r.call([] {
    EXPECT_EQ(UseLogY, kModelLogY);
    EXPECT_EQ(nPoints, 9);
  });
  r.click(kResultsWindow, kCrossChannelBox);
  r.call([] {
    EXPECT_EQ(UseLogY, kModelLinear);
    EXPECT_EQ(nPoints, 10);
    EXPECT_TRUE(std::isfinite(ValueOfB));
    EXPECT_EQ(Field(kResultsWindow, kRegModelField), "  model:    Y = a + b * X");
  });
  r.click(kResultsWindow, kRegExit);
  plat::test::run(r, [] { EXPECT_TRUE(DoMENU(3, 16)); });
}

TEST_F(LineFitWindows, TwoChannelsNeedNoPickerAndDropAnImpossibleLogModel) {
  ASSERT_EQ(AllocateSlot(1, 20, 2), StoreStatus::Ok);
  for (int32_t k = 0; k <= 20; ++k) {
    PutDatum(1, 1, k, static_cast<float>(k - 1));
    PutDatum(1, 2, k, k >= 1 && k <= 10 ? kY[k - 1] : 20.0f);
  }
  FileInfoFLOATS[1][kInfoInterval] = 1.0f;
  TheFileInUse = 1;
  ActiveChannel = 1;
  testsupport::MarkBlock(1, 1, 10);
  UseLogY = kModelLogLog;   // X reaches 0: no logarithm
  Script s;
  s.call([] {
    EXPECT_EQ(UseLogY, kModelLinear);
    EXPECT_NEAR(FieldValue(kResultsWindow, kRegBField), 1.990909f, 1e-6);
    EXPECT_FALSE(plat::controlExists(kResultsWindow, kRegNewChannels));
  });
  s.closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 16)); });

  // A constant Y leaves nothing to explain: r^2 says so (the polynomial fit showed 1).
  for (int32_t k = 1; k <= 10; ++k) PutDatum(1, 2, k, 4.0f);
  Script c;
  c.call([] {
    EXPECT_TRUE(std::isnan(rsquared));
    EXPECT_EQ(Field(kResultsWindow, kRegR2Field), kConstantYR2Text);
    plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "regression-constant-y.png");
  });
  c.closeBox(kResultsWindow);
  plat::test::run(c, [] { EXPECT_TRUE(DoMENU(3, 16)); });
}

TEST_F(LineFitWindows, LongScatterPlotShowsTheNoticeUntilItIsDrawn) {
  ASSERT_EQ(AllocateSlot(1, 45000, 2), StoreStatus::Ok);
  for (int32_t k = 0; k <= 45000; ++k) {
    PutDatum(1, 1, k, static_cast<float>(k));
    PutDatum(1, 2, k, 2.0f * static_cast<float>(k) + 1.0f);
  }
  FileInfoFLOATS[1][kInfoInterval] = 1.0f;
  TheFileInUse = 1;
  ActiveChannel = 1;
  testsupport::MarkBlock(1, 0, 40001);
  prefsArray[kPrefSoundLevel] = 25;
  Script s;
  s.call([] { EXPECT_FALSE(plat::windowExists(kLongPlotNotice)) << "closed once the plot is done"; });
  s.closeBox(kResultsWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(3, 16)); });
  EXPECT_TRUE(testsupport::SoundPlayed("brrrp"));
  EXPECT_EQ(nPoints, 40002);
  EXPECT_EQ(ValueOfB, 2.0f);
  EXPECT_EQ(rsquared, 1.0f);
}

}  // namespace
