// Gas exchange and analyser humidity compensation from the program's own
// start-up: a VO2 run through every dialog against the engine, the same run
// recorded and replayed with no window, cancels that change nothing, and an
// in-place compensation undone by Edit > Undo.
#include <gtest/gtest.h>

#include "support/gui_support.h"
#include "support/program_support.h"
#include "support/window_support.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "analyses/statspanel.h"
#include "datafiles/ui/open.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "respirometry/aquatic.h"
#include "respirometry/gasexchange.h"
#include "respirometry/gasphysics.h"
#include "respirometry/gasunits.h"
#include "respirometry/humidity.h"
#include "respirometry/ui/convol.h"
#include "respirometry/ui/gasdialogs.h"
#include "respirometry/ui/gasexchange.h"
#include "respirometry/ui/humidity.h"
#include "shell/recording.h"
#include "shell/steptable.h"
#include "shell/textutil.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/prefs.h"
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
    testsupport::StopProgram();
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
  // An ambient pressure of 0 once kept 760 and moved on: it keeps the window open with the message.
  s.call([] { plat::setFieldText(kHumidityWindow, kPressureField, "0"); });
  s.click(kHumidityWindow, kHumidityDone);
  s.call([] {
    EXPECT_EQ(plat::fieldText(kAlertWindow, kAlertMessage), "The ambient pressure must be above 0 torr.");
    EXPECT_EQ(plat::title(kHumidityWindow), "Humidity Correction");
  });
  s.click(kAlertWindow, kAlertOK);
  s.call([] {
    EXPECT_EQ(plat::title(kHumidityWindow), "Humidity Correction");
    EXPECT_EQ(plat::focusedField(kHumidityWindow), kPressureField);
    plat::setFieldText(kHumidityWindow, kPressureField, "760");
  });
  s.click(kHumidityWindow, kHumidityDone);
  s.call([] {
    EXPECT_EQ(plat::title(kHumidityWindow), "Humidity Correction: H2O Chan.");
    plat::test::saveArtifact(plat::test::windowImage(kHumidityWindow), "humidity-channel.png");
  });
  s.click(kHumidityWindow, kConstantButton);
  s.click(kHumidityWindow, kHumidityOK);
  s.click(kSecondaryWindow, kTemperatureOK);
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
  s.click(kSecondaryWindow, kTemperatureOK);
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
    // No real pressure given yet: the file's B.P. is offered.
    EXPECT_EQ(plat::fieldText(kSecondaryWindow, kRealPressureField), NumText(750.0f));
    plat::test::saveArtifact(plat::test::windowImage(kSecondaryWindow), "gas-water.png");
  });
  s.type(kSecondaryWindow, kRealPressureField, "\b\b\b\b\b\b630");
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
  EXPECT_EQ(realBP, 630.0f);
  EXPECT_TRUE(RealBPGiven);
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
  EXPECT_FLOAT_EQ(flowcon, 28.2f / 60);   // J/ml per minute as watts
  // Opened and closed again, a value of its own is kept as it was.
  flowconC = 20.0853f;
  Script again;
  again.call([] { EXPECT_EQ(plat::fieldText(kHeatWindow, kHeatField), "20.0853"); }).click(kHeatWindow, kHeatDone);
  plat::test::run(again, [] { EXPECT_TRUE(DoMENU(76, 10)); });
  EXPECT_EQ(flowconC, 20.0853f);
  // Not a number above 0 (each was taken at Done, 1e39 as infinite, into
  // every later energy result): refused by the field's name, and the heat
  // equivalent before kept, in the run and in the preferences.
  for (const char* typed : {"0", "-5", "abc", "nan", "1e39", "1e-50"}) {
    SCOPED_TRACE(typed);
    flowcon = 0.5f;
    std::string message;
    Script bad;
    bad.call([&] { plat::setFieldText(kHeatWindow, kHeatField, typed); })
        .click(kHeatWindow, kHeatDone)
        .call([&] {
          message = plat::fieldText(kAlertWindow, kAlertMessage);
          plat::test::saveArtifact(plat::test::windowImage(kAlertWindow), "gas-heat-equivalence-refused.png");
        })
        .click(kAlertWindow, kAlertOK);
    plat::test::run(bad, [] { EXPECT_TRUE(DoMENU(76, 10)); });
    EXPECT_EQ(message.rfind("\"Joules/ml CO2\": a heat equivalent must be a number above 0", 0), 0u) << message;
    EXPECT_EQ(flowconC, 20.0853f);
    EXPECT_EQ(flowcon, GasHeatFactor(20.0853f));
    EXPECT_EQ(CaptureSavedSettings().flowconC, 20.0853f);
  }
  // Any heat equivalent of a diet, 15 to 30 J/ml, is taken as typed.
  for (const char* typed : {"15", "22.75", "30"}) {
    SCOPED_TRACE(typed);
    Script good;
    good.call([&] { plat::setFieldText(kHeatWindow, kHeatField, typed); }).key(kHeatWindow, 13);
    plat::test::run(good, [] { EXPECT_TRUE(DoMENU(76, 10)); });
    EXPECT_EQ(flowconC, static_cast<float>(TextToNum(typed)));
    EXPECT_EQ(flowcon, GasHeatFactor(flowconC));
    EXPECT_FALSE(plat::windowExists(kAlertWindow));
  }
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

// Each dialog computes on what it shows: a channel it does not offer is never
// chosen for the user, the temperature a constant humidity is converted at is
// shown and can be changed, and a value the result cannot be formed from
// keeps the window open on it.
TEST_F(Respirometry, DialogsComputeOnWhatTheyShow) {
  constexpr const char* kErase = "\b\b\b\b\b\b\b\b\b\b";
  const testsupport::ScriptedRow rows[] = {
      {"gas channel window: the last channel is off with a new channel to come",
       [] { ActiveChannel = 4; },
       [] {
         Script s;
         s.click(kResultsWindow, kNewChannelBox).click(kResultsWindow, kGasNext);
         s.call([] {
           EXPECT_EQ(plat::title(kSecondaryWindow), "Channel for O2");
           EXPECT_EQ(plat::buttonState(kSecondaryWindow, 4), 0) << "the last channel is not offered";
           EXPECT_EQ(Chan1, 0) << "nor chosen for the user";
           EXPECT_EQ(plat::buttonState(kSecondaryWindow, kChannelsNext), 0) << "no gas channel: no Next";
           plat::test::saveArtifact(plat::test::windowImage(kSecondaryWindow), "gas-channel-last-off.png");
         });
         s.key(kSecondaryWindow, 13);   // Return accepts only a complete choice
         s.call([] { EXPECT_TRUE(plat::windowExists(kSecondaryWindow)); });
         s.click(kSecondaryWindow, 2).call([] {
           EXPECT_EQ(Chan1, 2);
           EXPECT_EQ(plat::buttonState(kSecondaryWindow, kChannelsNext), 1);
         });
         s.closeBox(kSecondaryWindow);
         return s;
       },
       [] { EXPECT_TRUE(DoMENU(76, 1)); },
       [this] {
         EXPECT_EQ(nChannels[slot_], 4);
         EXPECT_EQ(channel(1), original_);
       }},
      {"analyser humidity: a constant RH asks the sensor temperature it is taken at",
       [] {
         compRH = 50;
         realBP = 760;
         RHtemp = 30;   // left by an earlier run
         tRHchan = 3;
       },
       [] {
         Script s;
         s.click(kResultsWindow, kHumiditySelectGas).click(kSecondaryWindow, kChannelsNext);
         s.click(kHumidityWindow, kHumidityDone).click(kHumidityWindow, kConstantButton).click(kHumidityWindow, kHumidityOK);
         s.call([] {
           EXPECT_EQ(plat::title(kSecondaryWindow), "RH sensor temperature");
           EXPECT_EQ(plat::fieldText(kSecondaryWindow, kTemperatureField), "30");
           EXPECT_EQ(plat::buttonState(kSecondaryWindow, 3), 2) << "the temperature channel left marked is shown";
         });
         s.click(kSecondaryWindow, kConstantButton);
         s.type(kSecondaryWindow, kTemperatureField, std::string(kErase) + "25");
         s.call([] { plat::test::saveArtifact(plat::test::windowImage(kSecondaryWindow), "humidity-sensor-temperature.png"); });
         s.click(kSecondaryWindow, kTemperatureOK);
         return s;
       },
       [] { EXPECT_TRUE(DoMENU(76, 3)); },
       [this] {
         EXPECT_EQ(RHtemp, 25.0f);
         EXPECT_EQ(tRHchan, 0);
         const std::vector<float> done = channel(1);
         for (size_t k : {size_t{0}, size_t{1}, done.size() - 1})
           EXPECT_NEAR(done[k], original_[k] / 0.985674, 2e-5 * original_[k]) << "50 % at 25 degrees C, " << k;
       }},
      {"constant volume: an elapsed time of 0 keeps the window open for correction",
       [] { Tminutes = 5; },
       [] {
         Script s;
         s.type(kConvolWindow, kConvolVolume, std::string(kErase) + "1000");
         s.type(kConvolWindow, kConvolPressure, std::string(kErase) + "760");
         s.type(kConvolWindow, kConvolTemperature, std::string(kErase) + "0");
         s.type(kConvolWindow, kConvolRH, std::string(kErase) + "0");
         s.type(kConvolWindow, kConvolMinutes, std::string(kErase) + "0");
         s.click(kConvolWindow, kConvolDone);
         s.call([] {
           EXPECT_NE(plat::fieldText(kAlertWindow, kAlertMessage).find("elapsed time"), std::string::npos);
         });
         s.click(kAlertWindow, kAlertOK);
         s.call([] {
           ASSERT_TRUE(plat::windowExists(kConvolWindow));
           EXPECT_EQ(plat::focusedField(kConvolWindow), kConvolMinutes);
           EXPECT_EQ(Tminutes, 5.0f) << "nothing stored yet";
         });
         s.type(kConvolWindow, kConvolMinutes, std::string(kErase) + "10");
         s.click(kConvolWindow, kConvolDone);
         return s;
       },
       [] { CONVOL(); },
       [] {
         EXPECT_FALSE(plat::windowExists(kConvolWindow));
         EXPECT_EQ(Tminutes, 10.0f);
         EXPECT_NEAR(STPfactor, 100.0f, 1e-3f) << "1000 ml at 0 degrees C and 760 torr over 10 min";
       }},
  };
  for (const testsupport::ScriptedRow& r : rows) {
    SCOPED_TRACE(r.name);
    gPointersToFileData[slot_][1] = original_;
    ActiveChannel = 1;
    r.run();
  }
}

}  // namespace
