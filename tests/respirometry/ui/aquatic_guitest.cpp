// Effective volume and constant-volume respirometry from the program's own
// start-up.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/program_support.h"
#include "support/window_support.h"

#include <filesystem>
#include <string>
#include <vector>

#include "analyses/statspanel.h"
#include "datafiles/ui/open.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "respirometry/aquatic.h"
#include "respirometry/ui/convol.h"
#include "respirometry/ui/effvolume.h"
#include "respirometry/ui/watervo2.h"
#include "shell/worktables.h"
#include "shell/recording.h"
#include "shell/steptable.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "registrars.h"
#include "shell/ui/commands.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/ui/startup.h"
#include "platform/test.h"

namespace {

namespace fs = std::filesystem;
using plat::test::Script;


class Aquatic : public ::testing::Test {
 protected:
  void SetUp() override {
    slot_ = testsupport::StartProgramOnDemo();
    ASSERT_GE(slot_, 0);
    prefsArray[6] = 0;
    FileInfoFLOATS[slot_][kInfoInterval] = 1;
    FileInfoFLOATS[slot_][kInfoFlow] = 600;
    FileInfoFLOATS[slot_][kInfoEffectiveVolume] = 1000;
    FileInfoFLOATS[slot_][kInfoTemperature] = 20;
    FileInfoFLOATS[slot_][kInfoPressure] = 760;
    FileInfoFLOATS[slot_][kInfoMass] = 10;
    plat::test::clearRecorders();
  }
  void TearDown() override {
    testsupport::StopProgram();
  }
  // A washout 10, 5, 5, 2.5 % in the block 100..103 of channel 1.
  void washoutBlock() {
    const float v[4] = {10, 5, 5, 2.5f};
    for (int i = 0; i < 4; ++i) PutDatum(slot_, 1, 100 + i, v[i]);
    testsupport::MarkBlock(slot_, 100, 103);
  }
  int16_t slot_ = -1;
};

TEST_F(Aquatic, EffectiveVolumeStoredOnlyWhenAsked) {
  washoutBlock();
  for (const bool store : {false, true}) {
    SCOPED_TRACE(store);
    Script s;
    s.call([] { EXPECT_EQ(plat::title(kEffVolumeWindow), "Effective Volume, Channel 1"); });
    s.click(kEffVolumeWindow, kEffVolumeCompute);
    s.call([=] {
      EXPECT_TRUE(plat::controlExists(kResultsWindow, kEffVolumeStore));
      if (store) plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "effective-volume.png");
    });
    s.click(kResultsWindow, store ? kEffVolumeStore : kEffVolumeDone);
    plat::test::run(s, [] { EXPECT_TRUE(DoMENU(76, 12)); });
    EXPECT_EQ(nrPoints, 2);
    EXPECT_NEAR(meanValue, 14.427, 1e-3);
    EXPECT_EQ(GetDatum(slot_, 0, 102), kUnusableEstimate);
    EXPECT_NEAR(FileInfoFLOATS[slot_][kInfoEffectiveVolume], store ? 14.427 : 1000, 1e-3);
    EXPECT_TRUE(testsupport::SoundPlayed("bzot")) << "the caution band";
  }
}

TEST_F(Aquatic, ConstantVolumeStoresTheTypedValuesAndItsFactor) {
  Tminutes = 0;
  Script s;
  s.call([] {
    EXPECT_EQ(plat::fieldText(kConvolWindow, kConvolMinutes), "1");
    plat::test::saveArtifact(plat::test::windowImage(kConvolWindow), "constant-volume.png");
  });
  s.type(kConvolWindow, kConvolMinutes, "\x08" "10");
  s.type(kConvolWindow, kConvolTemperature, "\x08\x08" "0");
  s.click(kConvolWindow, kConvolCO2);
  s.call([] { EXPECT_EQ(plat::buttonState(kConvolWindow, kConvolYes), 0); });
  s.click(kConvolWindow, kConvolDone);
  plat::test::run(s, [] { CONVOL(); });
  EXPECT_EQ(Tminutes, 10.0f);
  EXPECT_EQ(FileInfoFLOATS[slot_][kInfoTemperature], 0.0f);
  EXPECT_EQ(GasType, 2);
  EXPECT_NEAR(STPfactor, 100.0f, 1e-4);
  EXPECT_FALSE(plat::windowExists(kConvolWindow));
}

// The dialogs of a closed-system VO2 (or an open system with "Absolute Value").
Script waterRun(bool open, bool snapshot, int flashes = 0) {
  Script s;
  for (int i = 0; i < flashes; ++i) s.call([] {});
  s.call([] { EXPECT_EQ(plat::title(kResultsWindow), "Oxygen Consumption in Water"); });
  s.click(kResultsWindow, open ? kWaterOpen : kWaterClosed);
  s.click(kResultsWindow, kWaterContinue);
  s.call([] { EXPECT_EQ(plat::title(kWaterChannelWindow), "Channel Selection"); });
  s.click(kWaterChannelWindow, kWaterChannelsDone);
  s.call([=] {
    EXPECT_EQ(plat::title(kResultsWindow),
              std::string("Oxygen Consumption in Water") + (open ? " (open system) " : " (closed system) "));
    if (snapshot) plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "water-main.png");
  });
  if (!open) s.click(kResultsWindow, kWaterResult3);
  s.click(kResultsWindow, kDoCalculations);
  return s;
}

TEST_F(Aquatic, WaterWindowsGiveTheCoresChannelAndReplayWithNoWindow) {
  for (const bool open : {false, true}) {
    SCOPED_TRACE(open);
    const std::vector<float> original = gPointersToFileData[slot_][1];
    RecordSCRIPT = 1;
    ScriptCOUNT = 0;
    plat::test::run(waterRun(open, !open, 5), [] { EXPECT_TRUE(DoMENU(76, 7)); });
    RecordSCRIPT = 0;
    ASSERT_EQ(ScriptCOUNT, 1);
    EXPECT_EQ(ScriptSequenceArray[1][1], 32.0f);
    WaterVO2Settings w;
    w.waterSystem = open ? 1 : 0;
    w.volumeOrFlow = open ? 600 : 1000;
    w.salinity = salinity;
    w.netO2 = EstimateWaterO2(w).inVolume;
    std::vector<float> expected(original.size());
    ASSERT_EQ(ComputeWaterVO2(w, 10, 1, 600, original.data(), nullptr, expected.data(),
                              static_cast<int32_t>(original.size())),
              WaterStatus::Ok);
    EXPECT_EQ(gPointersToFileData[slot_][1], expected);
    EXPECT_EQ(RetrieveLabel(1), FitLabel("VO2 in mL O2/min"));
    const std::vector<float> recorded = gPointersToFileData[slot_][1];
    // Edit > Undo, then the step replayed with no window gives the same channel.
    plat::test::run(Script{}, [] { EXPECT_TRUE(DoMENU(2, 1)); });
    EXPECT_EQ(gPointersToFileData[slot_][1], original);
    WaterSystem = open ? 0 : 1;
    autoscript = ScriptRunOnce = 1;
    plat::test::run(Script{}, [] { EXPECT_TRUE(RunScriptStep(1)); });
    autoscript = ScriptRunOnce = 0;
    EXPECT_EQ(gPointersToFileData[slot_][1], recorded);
    gPointersToFileData[slot_][1] = original;
  }
}

TEST_F(Aquatic, WaterCancelInAnyWindowChangesNothingAndWithdrawsTheStep) {
  const std::vector<float> original = gPointersToFileData[slot_][1];
  // Window 3: water above 50 degrees, where O2CONTENT gave 3.57 ml/L for
  // 3.28, refused by name for the content and for the run, then cancelled.
  for (int window = 0; window < 4; ++window) {
    SCOPED_TRACE(window);
    RecordSCRIPT = 1;
    ScriptCOUNT = 0;
    std::vector<std::string> alerts;
    Script s;
    for (int i = 0; i < 5; ++i) s.call([] {});
    if (window > 0) s.click(kResultsWindow, kWaterContinue);
    if (window > 1) s.click(kWaterChannelWindow, kWaterChannelsDone);
    if (window == 3) {
      s.call([] { plat::setFieldText(kResultsWindow, kWaterTempField, "60"); });
      for (const int16_t button : {kComputeO2Content, kDoCalculations}) {
        s.click(kResultsWindow, button)
            .call([&] { alerts.push_back(plat::fieldText(kAlertWindow, kAlertMessage)); })
            .click(kAlertWindow, kAlertOK);
      }
      s.call([] {
        EXPECT_EQ(plat::fieldText(kResultsWindow, kContentField), "");
        plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "water-main-refused.png");
      });
    }
    s.closeBox(window == 1 ? kWaterChannelWindow : kResultsWindow);
    plat::test::run(s, [] { EXPECT_TRUE(DoMENU(76, 7)); });
    EXPECT_EQ(alerts.size(), window == 3 ? 2u : 0u);
    for (const std::string& a : alerts) EXPECT_EQ(a.rfind("\"temp.\": the oxygen content formula holds", 0), 0u) << a;
    RecordSCRIPT = 0;
    EXPECT_EQ(ScriptCOUNT, 0);
    EXPECT_EQ(gPointersToFileData[slot_][1], original);
    EXPECT_FALSE(plat::windowExists(kResultsWindow));
  }
}

}  // namespace
