// Gas exchange and analyser humidity compensation from the program's own
// start-up: a VO2 run through every dialog against the engine, the same run
// recorded and replayed with no window, cancels that change nothing, and an
// in-place compensation undone by Edit > Undo.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/program_support.h"

#include <filesystem>
#include <string>
#include <vector>

#include "datafiles/ui/open.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "respirometry/gasexchange.h"
#include "respirometry/gasphysics.h"
#include "respirometry/humidity.h"
#include "respirometry/ui/gasdialogs.h"
#include "respirometry/ui/gasexchange.h"
#include "respirometry/ui/humidity.h"
#include "scripts/recording.h"
#include "scripts/steptable.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/worktables.h"
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


class Respirometry : public ::testing::Test {
 protected:
  void SetUp() override {
    slot_ = testsupport::StartProgramOnDemo();
    ASSERT_GE(slot_, 0);
    FileSHORTS[slot_][kShortChanged] = 0;
    prefsArray[6] = 0;   // results replace the gas channel unless the box is ticked
    FileInfoFLOATS[slot_][kInfoFlow] = 500;
    FileInfoFLOATS[slot_][kInfoTemperature] = 25;
    FileInfoFLOATS[slot_][kInfoPressure] = 750;
    FileInfoFLOATS[slot_][kInfoEffectiveVolume] = 1000;
    FileInfoFLOATS[slot_][kInfoMass] = 35;
    original_ = channel(1);
    originalLabel_ = RetrieveLabel(1);
    plat::test::clearRecorders();
  }
  void TearDown() override {
    testsupport::ClearStore();
    ClearCommandRegistry();
    ClearScriptOps();
    gDispatchHooks = {};
    gMenuRuleHooks = {};
    gStoreHooks = {};
    RecordSCRIPT = 0;
    ScriptCOUNT = 0;
    autoscript = ScriptRunOnce = 0;
  }
  std::vector<float> channel(int16_t c) const { return gPointersToFileData[slot_][c]; }

  // The engine on the untouched gas channel with the settings the dialogs left.
  std::vector<float> expectedVO2() const {
    GasExchangeSettings g = CurrentGasSettings();
    g.fi = FiO2 / 100;
    g.fc = FiCO2 / 100;
    std::vector<float> gas = original_, out(gas.size());
    GasChannels ch;
    ch.gas = gas.data();
    ch.out = out.data();
    ch.count = static_cast<int32_t>(gas.size());
    EXPECT_EQ(ComputeGasExchange(g, GasFileValuesOf(slot_), ch), GasStatus::Ok);
    return out;
  }

  // Every dialog of a VO2 run in chamber mode 1 with a constant RQ.
  // While recording, the step counter flashes five times first, each flash a poll.
  static Script vo2Run(bool snapshots, bool recording = false) {
    Script s;
    if (recording)
      for (int flash = 0; flash < 5; ++flash) s.call([] {});
    s.call([=] {
      EXPECT_EQ(plat::title(kResultsWindow), "Oxygen Consumption (VO2) ");
      if (snapshots) plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "gas-first-dialog.png");
    });
    if (recording) s.click(kResultsWindow, kNewChannelBox);
    s.click(kResultsWindow, kGasNext);
    s.call([] { EXPECT_EQ(plat::title(kSecondaryWindow), "Channel for O2"); });
    s.click(kSecondaryWindow, kChannelsNext);
    s.call([=] {
      EXPECT_EQ(plat::title(kSecondaryWindow), "Flow Configuration  (Chambers) ");
      if (snapshots) plat::test::saveArtifact(plat::test::windowImage(kSecondaryWindow), "gas-chambers.png");
    });
    s.click(kSecondaryWindow, 1);
    s.click(kSecondaryWindow, kModeNext);
    s.call([] { EXPECT_TRUE(plat::controlExists(kResultsWindow, kComputeButton)); });
    if (snapshots) {
      s.call([] { plat::test::saveArtifact(plat::test::windowImage(kResultsWindow), "gas-units.png"); });
      s.click(kResultsWindow, kShowEquationButton);
      s.call([] {
        EXPECT_EQ(plat::title(kEquationWindow), "Equation for VO2");
        plat::test::saveArtifact(plat::test::windowImage(kEquationWindow), "gas-equation.png");
      });
      s.click(kEquationWindow, kEquationClose);
    }
    s.click(kResultsWindow, kComputeButton);
    return s;
  }

  int16_t slot_ = -1;
  std::vector<float> original_;
  std::string originalLabel_;
};

TEST_F(Respirometry, VO2ThroughEveryDialogEqualsTheEngineAndUndoes) {
  ASSERT_TRUE(CommandAvailable(76, 1));
  FlowMode = 3;
  plat::test::run(vo2Run(true), [] { EXPECT_TRUE(DoMENU(76, 1)); });
  EXPECT_EQ(FlowMode, 1);
  EXPECT_EQ(channel(1), expectedVO2());
  EXPECT_EQ(RetrieveLabel(1), FitLabel("VO2; ml/min"));
  EXPECT_EQ(nChannels[slot_], 4);
  EXPECT_EQ(FileSHORTS[slot_][kShortChanged], 1);
  EXPECT_NE(CommentContainer[slot_].find("VO2 (exact), mode  1"), std::string::npos);
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  EXPECT_EQ(FlowCH, 0);
  // Edit > Undo gives back data and label exactly.
  plat::test::run(Script{}, [] { EXPECT_TRUE(DoMENU(2, 1)); });
  EXPECT_EQ(channel(1), original_);
  EXPECT_EQ(RetrieveLabel(1), originalLabel_);
}

TEST_F(Respirometry, RecordedRunReplaysWithNoWindow) {
  RecordSCRIPT = 1;
  plat::test::run(vo2Run(false, true), [] { EXPECT_TRUE(DoMENU(76, 1)); });
  ASSERT_EQ(ScriptCOUNT, 1);
  EXPECT_EQ(ScriptSequenceArray[1][1], 8.0f);
  ASSERT_EQ(nChannels[slot_], 5);
  EXPECT_EQ(channel(1), original_);
  EXPECT_EQ(channel(5), expectedVO2());
  RecordSCRIPT = 0;
  // Settings changed since must not reach the replay.
  FlowMode = 4;
  prefsArray[18] = 1;
  DryAir = 0;
  autoscript = 1;
  ScriptRunOnce = 1;
  plat::test::run(Script{}, [] { EXPECT_TRUE(RunScriptStep(1)); });
  ASSERT_EQ(nChannels[slot_], 6);
  EXPECT_EQ(channel(6), channel(5));
  EXPECT_EQ(RetrieveLabel(6), RetrieveLabel(5));
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
}

TEST_F(Respirometry, CancelInTheChannelWindowChangesNothingAndWithdrawsTheStep) {
  RecordSCRIPT = 1;
  Script s;
  s.click(kResultsWindow, kGasNext);
  s.closeBox(kSecondaryWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(76, 1)); });
  EXPECT_EQ(ScriptCOUNT, 0);
  EXPECT_EQ(ScriptSequenceArray[1][1], 0.0f);
  EXPECT_EQ(channel(1), original_);
  EXPECT_EQ(FileSHORTS[slot_][kShortChanged], 0);
  EXPECT_FALSE(plat::windowExists(kResultsWindow));
  EXPECT_FALSE(plat::windowExists(kSecondaryWindow));
}

TEST_F(Respirometry, AnalyzerCompensationInPlaceIsUndoneExactly) {
  compRH = 50;
  RHtemp = 25;
  realBP = 760;
  Script s;
  s.click(kResultsWindow, kHumiditySelectGas);
  s.call([] { EXPECT_EQ(plat::title(kSecondaryWindow), "Channel for RH Correction"); });
  s.click(kSecondaryWindow, kChannelsNext);
  s.call([] { EXPECT_EQ(plat::title(kHumidityWindow), "Humidity Correction"); });
  s.click(kHumidityWindow, kHumidityDone);
  s.call([] {
    EXPECT_EQ(plat::title(kHumidityWindow), "Humidity Correction: H2O Chan.");
    plat::test::saveArtifact(plat::test::windowImage(kHumidityWindow), "humidity-channel.png");
  });
  s.click(kHumidityWindow, kConstantButton);
  s.click(kHumidityWindow, kHumidityOK);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(76, 3)); });
  const std::vector<float> done = channel(1);
  for (size_t k : {size_t{0}, size_t{1}, done.size() - 1})
    EXPECT_NEAR(done[k], original_[k] / 0.985674, 2e-5 * original_[k]) << k;
  EXPECT_EQ(FileSHORTS[slot_][kShortChanged], 1);
  plat::test::run(Script{}, [] { EXPECT_TRUE(DoMENU(2, 1)); });
  EXPECT_EQ(channel(1), original_);
}

TEST_F(Respirometry, AnalyzerStepReplaysWithTheRecordedHumidity) {
  compRH = 50;
  RHtemp = 25;
  RecordSCRIPT = 1;
  Script s;
  for (int flash = 0; flash < 5; ++flash) s.call([] {});
  s.click(kResultsWindow, kHumiditySelectGas);
  s.click(kSecondaryWindow, kChannelsNext);
  s.click(kHumidityWindow, kHumidityDone);
  s.click(kHumidityWindow, kConstantButton);
  s.click(kHumidityWindow, kHumidityOK);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(76, 3)); });
  RecordSCRIPT = 0;
  ASSERT_EQ(ScriptCOUNT, 1);
  EXPECT_EQ(ScriptSequenceArray[1][1], 35.0f);
  const std::vector<float> recorded = channel(1);
  gPointersToFileData[slot_][1] = original_;
  compRH = 10;   // the step carries its own humidity and density
  RHtemp = 35;
  autoscript = ScriptRunOnce = 1;
  plat::test::run(Script{}, [] { EXPECT_TRUE(RunScriptStep(1)); });
  EXPECT_EQ(channel(1), recorded);
}

TEST_F(Respirometry, WaterLossFromRelativeHumidityAtAConstantTemperature) {
  RHtemp = 30;
  Script s;
  s.click(kResultsWindow, kGasNext);
  s.click(kSecondaryWindow, kChannelsNext);
  s.call([] {
    EXPECT_EQ(plat::title(kSecondaryWindow), "Evaporative Water Loss");
    EXPECT_EQ(plat::fieldText(kSecondaryWindow, kSurfaceField), "30");
    plat::test::saveArtifact(plat::test::windowImage(kSecondaryWindow), "gas-water.png");
  });
  s.click(kSecondaryWindow, kRelativeHumidity);
  s.call([] {
    EXPECT_EQ(plat::title(kSecondaryWindow), "RH sensor temperature");
    plat::test::saveArtifact(plat::test::windowImage(kSecondaryWindow), "gas-rh-sensor.png");
  });
  s.click(kSecondaryWindow, kTemperatureOK);
  s.call([] { EXPECT_TRUE(plat::controlExists(kResultsWindow, kWaterUnitMenu)); });
  s.click(kResultsWindow, kComputeButton);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(76, 5)); });
  EXPECT_EQ(RHunit, 1);
  EXPECT_EQ(tRHchan, 0);
  EXPECT_NEAR(latent, 2429.839f, 1e-3);
  EXPECT_EQ(RHFactor, WATERCON(30));
  GasExchangeSettings g = CurrentGasSettings();
  g.gasType = kGasWater;
  g.chan1 = 1;
  std::vector<float> gas = original_, out(gas.size());
  GasChannels ch;
  ch.gas = gas.data();
  ch.out = out.data();
  ch.count = static_cast<int32_t>(gas.size());
  ASSERT_EQ(ComputeGasExchange(g, GasFileValuesOf(slot_), ch), GasStatus::Ok);
  EXPECT_EQ(channel(1), out);
  EXPECT_EQ(RetrieveLabel(1), FitLabel("mH2O; mg/min"));
}

TEST_F(Respirometry, HeatEquivalenceSetsTheJoulesPerMillilitre) {
  Script s;
  s.call([] {
    EXPECT_EQ(plat::title(kHeatWindow), "Heat Equivalence");
    plat::test::saveArtifact(plat::test::windowImage(kHeatWindow), "gas-heat-equivalence.png");
  });
  s.click(kHeatWindow, 2);
  s.call([] { EXPECT_EQ(plat::fieldText(kHeatWindow, kHeatField), "28.2"); });
  s.click(kHeatWindow, kHeatDone);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(76, 10)); });
  EXPECT_EQ(flowconC, 28.2f);
  EXPECT_NEAR(flowcon, 0.470001f, 1e-6);
}

TEST_F(Respirometry, FlowChannelAndSecondGasChannelReachTheEngine) {
  auto expected = [&](const GasExchangeSettings& g) {
    std::vector<float> gas = original_, out(gas.size());
    GasChannels ch;
    ch.gas = gas.data();
    ch.flow = gPointersToFileData[slot_][3].data();
    ch.second = gPointersToFileData[slot_][2].data();
    ch.out = out.data();
    ch.count = static_cast<int32_t>(gas.size());
    EXPECT_EQ(ComputeGasExchange(g, GasFileValuesOf(slot_), ch), GasStatus::Ok);
    return out;
  };
  // VO2 with the flow from channel 3 and the washout correction.
  Script s;
  s.click(kResultsWindow, kFlowFromChannel);
  s.click(kResultsWindow, kGasNext);
  s.call([] { EXPECT_EQ(plat::title(kSecondaryWindow), "Channels for O2 and Flow"); });
  s.click(kSecondaryWindow, 4 + 3);
  s.click(kSecondaryWindow, kChannelsNext);
  s.click(kSecondaryWindow, 1);
  s.click(kSecondaryWindow, kModeNext);
  s.call([] { EXPECT_FALSE(plat::controlExists(kResultsWindow, kFlowField)); });
  s.click(kResultsWindow, kInstantaneousButton);
  s.click(kResultsWindow, kComputeButton);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(76, 1)); });
  GasExchangeSettings g = CurrentGasSettings();
  g.fi = FiO2 / 100;
  g.fc = FiCO2 / 100;
  g.chan1 = 1;
  g.flowChannel = 3;
  ASSERT_TRUE(g.instantaneous);
  EXPECT_EQ(LastFlowChannelUsed, 3);
  EXPECT_EQ(channel(1), expected(g));
  EXPECT_EQ(RetrieveLabel(1), FitLabel("iVO2; ml/min"));

  // VCO2 of channel 1 from the VO2 in channel 2, chamber mode 2.
  gPointersToFileData[slot_][1] = original_;
  prefsArray[38] = 0;
  Script t;
  t.click(kResultsWindow, kGasNext);
  t.click(kSecondaryWindow, kChannelsNext);
  t.click(kSecondaryWindow, 2);
  t.click(kSecondaryWindow, kModeNext);
  t.call([] {
    EXPECT_TRUE(plat::controlExists(kSecondaryWindow, kUseRate));
    plat::test::saveArtifact(plat::test::windowImage(kSecondaryWindow), "gas-second-gas.png");
  });
  t.click(kSecondaryWindow, kUseRate);
  t.closeBox(kSecondaryWindow);
  t.call([] { EXPECT_EQ(plat::title(kSecondaryWindow), "Select Channel for VO2 or %O2"); });
  t.click(kSecondaryWindow, 2);
  t.click(kSecondaryWindow, kVCO2Next);
  t.click(kResultsWindow, kComputeButton);
  plat::test::run(t, [] { EXPECT_TRUE(DoMENU(76, 2)); });
  g = CurrentGasSettings();
  g.fi = FiO2 / 100;
  g.fc = FiCO2 / 100;
  g.chan1 = 1;
  ASSERT_EQ(g.gasType, kGasCO2);
  ASSERT_EQ(g.flowMode, 2);
  ASSERT_EQ(g.useVCO2, 1);
  ASSERT_EQ(g.vco2Channel, 2);
  EXPECT_EQ(channel(1), expected(g));
  EXPECT_NE(CommentContainer[slot_].find("VCO2 from VO2, mode 2"), std::string::npos);
}

TEST_F(Respirometry, SmoothingComesFirstWhenTheSettingsAskForIt) {
  DoSMOOTH = 1;
  Script s;
  s.call([] { EXPECT_EQ(plat::title(kResultsWindow), "Nearest-Neighbor Smoothing"); });
  s.closeBox(kResultsWindow);
  s.call([] { EXPECT_EQ(plat::title(kResultsWindow), "Oxygen Consumption (VO2) "); });
  s.click(kResultsWindow, kGasNext);
  s.closeBox(kSecondaryWindow);
  plat::test::run(s, [] { EXPECT_TRUE(DoMENU(76, 1)); });
  DoSMOOTH = 0;
  EXPECT_EQ(channel(1), original_);
}

TEST_F(Respirometry, MenuItemsFollowTheChainTheSettingsAskFor) {
  for (int16_t item : {1, 2, 3, 5, 7, 9, 10, 12}) EXPECT_TRUE(CommandAvailable(76, item)) << item;
  for (int16_t button : {559, 560, 561}) EXPECT_TRUE(ToolButtonAvailable(button)) << button;
  prefsArray[kPrefRunLagFirst] = 1;   // lag correction is built: the chain can run
  for (int16_t item : {1, 2, 5}) EXPECT_TRUE(CommandAvailable(76, item)) << item;
  prefsArray[kPrefRunLagFirst] = 0;
  // A step the settings ask for that the program lacks keeps the gas items
  // disabled rather than running half the chain.
  const bool baseline = CommandRegistered(Cmd::FixBaseline);
  prefsArray[kPrefRunBaselineFirst] = 1;
  for (int16_t item : {1, 2, 5}) EXPECT_EQ(CommandAvailable(76, item), baseline) << item;
  EXPECT_TRUE(CommandAvailable(76, 3));
  prefsArray[kPrefRunBaselineFirst] = 0;
}

}  // namespace
