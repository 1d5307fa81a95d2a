#include "shell/defaults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <tuple>

#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/prefs.h"
#include "shell/store.h"

namespace {

std::tuple<int, int, int> Key(plat::Rgb16 c) { return {c.r, c.g, c.b}; }

class DefaultsTest : public ::testing::Test {
 protected:
  void SetUp() override { Scramble(); }
  void TearDown() override {
    EndQuietSoundRun();
    SetDEFAULTS();
    prefsArray[0] = 0;
  }

  // Every global off its start-up value, as after a long session.
  static void Scramble() {
    std::fill(std::begin(prefsArray), std::end(prefsArray), int16_t{77});
    tabMode = 0;
    tabTime = deltatime = Note_1 = 1;
    note1 = note2 = "old";
    SignificantFigures = 3;
    TimeGridLimit = 0;
    DumpHist = 0;
    IntegrationUnit = 228;
    PolyDegree = 7;
    SteppedSampleInterval = SteppedSampleSkip = -1.0f;
    threshold = UpTrimLimit = UpTrimValue = LowTrimLimit = LowTrimValue = 5.0f;
    LastBaselineMarker = LastBaselineShift = 9;
    LastInsertedMarker = 'Q';
    FirstRefRemovalVal = SecondRefRemovalVal = 0;
    GasType = 3;
    FlowMode = 7;
    abCO2 = DryAir = 0;
    FiO2 = FiCO2 = RQ = salinity = compRH = RHtemp = realBP = 1.0f;
    flowconO = flowconC = 1.0f;
    startRH = latent = 1.0f;
    WaterChannel = RHunit = tRHchan = FlowCH = MakeNewChan = LastFlowChannelUsed = 4;
    CustomAllometry[1] = CustomAllometry[2] = 9.0f;
    variableTb = CalculationsCanUseTorpor = dayActive = UseTorpor = 0;
    SunUseAllowed = variableConductance = replacementTb = ZeroEqualsMissingTemperatures = 0;
    ComputeDawnAndDusk = ActiveTimeCostsOnly = BMRinWatts = 1;
    TorporQ10 = DaytimeStart = DaytimeEnd = TorporEntryTime = MinimumTorporTb = 3.0f;
    TbChange = DefaultTb = TorporStartLag = TorporEndLag = ActivePhaseConductanceIncrease = 3.0f;
    latitude = 10.0f;
    northLatitude = 1;
    plotBackColor = gray = manila = {1, 1, 1};
    PlotLineThickness = 4;
    FindPeaksNormally = 0;
    FrequencyUnit = 1;
  }
};

TEST_F(DefaultsTest, PreferenceWordsGetTheirStartupValues) {
  SetDEFAULTS();
  EXPECT_EQ(prefsArray[0], 77);  // not a word
  const std::set<int> ones = {1, 6, 10, 12, 13, 15, 20, 21, 22, 23, 29, 30, 54, 59, 60, 61, 62};
  for (int n = 1; n < kPrefsWords; ++n) {
    SCOPED_TRACE(n);
    int16_t expected = ones.count(n) ? 1 : 0;
    if (n == 7) expected = 25;
    if (n == 8 || n == 45) expected = 12;
    EXPECT_EQ(prefsArray[n], expected);
    EXPECT_EQ(DefaultPrefWord(n), expected);
  }
  EXPECT_EQ(DefaultPrefWord(0), 0);
  EXPECT_EQ(DefaultPrefWord(kPrefsWords), 0);
}

TEST_F(DefaultsTest, SettingsGetTheirStartupValues) {
  SetDEFAULTS();
  // Tabular file, plot and analyses.
  EXPECT_EQ(tabMode, 1);
  EXPECT_EQ(tabTime + deltatime + Note_1, 0);
  EXPECT_EQ(note1, " ");
  EXPECT_EQ(note2, " ");
  EXPECT_EQ(SignificantFigures, 5);
  EXPECT_EQ(TimeGridLimit, 1);
  EXPECT_EQ(DumpHist, 1);
  EXPECT_EQ(IntegrationUnit, 66);
  EXPECT_EQ(PolyDegree, 2);
  EXPECT_FLOAT_EQ(SteppedSampleInterval, 60.0f);
  EXPECT_FLOAT_EQ(SteppedSampleSkip, 180.0f);
  EXPECT_EQ(FindPeaksNormally, 1);
  EXPECT_EQ(FrequencyUnit, 6);
  // Editing and baselines.
  EXPECT_FLOAT_EQ(threshold, 1.0f);
  EXPECT_FLOAT_EQ(UpTrimLimit, 1000.0f);
  EXPECT_FLOAT_EQ(UpTrimValue, 1000.0f);
  EXPECT_FLOAT_EQ(LowTrimLimit, 0.0f);
  EXPECT_FLOAT_EQ(LowTrimValue, 0.0f);
  EXPECT_EQ(LastBaselineMarker, 'S');
  EXPECT_EQ(LastBaselineShift, 0);
  EXPECT_EQ(LastInsertedMarker, 'S');
  EXPECT_EQ(FirstRefRemovalVal, 10);
  EXPECT_EQ(SecondRefRemovalVal, 10);
  // Respirometry.
  EXPECT_EQ(GasType, 0);
  EXPECT_EQ(FlowMode, 1);
  EXPECT_EQ(abCO2, 1);
  EXPECT_EQ(DryAir, 1);
  EXPECT_FLOAT_EQ(FiO2, 20.95f);
  EXPECT_FLOAT_EQ(FiCO2, 0.038f);
  EXPECT_FLOAT_EQ(RQ, 0.85f);
  EXPECT_FLOAT_EQ(salinity, 2.0f);
  EXPECT_FLOAT_EQ(compRH, 20.0f);
  EXPECT_FLOAT_EQ(RHtemp, 37.5f);
  EXPECT_FLOAT_EQ(realBP, 760.0f);
  EXPECT_FLOAT_EQ(flowconO, 20.1f);
  EXPECT_FLOAT_EQ(flowconC, 25.0f);
  EXPECT_FLOAT_EQ(startRH, 0.0f);
  EXPECT_FLOAT_EQ(latent, 0.0f);
  EXPECT_EQ(WaterChannel + RHunit + tRHchan + FlowCH + MakeNewChan + LastFlowChannelUsed, 0);
  // Calculators.
  EXPECT_FLOAT_EQ(CustomAllometry[1], 0.1f);
  EXPECT_FLOAT_EQ(CustomAllometry[2], 0.75f);
  EXPECT_FLOAT_EQ(latitude, 0.0f);
  EXPECT_EQ(northLatitude, 0);
  // Thermoregulation.
  EXPECT_EQ(ZeroEqualsMissingTemperatures, 1);
  EXPECT_EQ(SunUseAllowed, 1);
  EXPECT_EQ(variableConductance, 1);
  EXPECT_EQ(CalculationsCanUseTorpor, 1);
  EXPECT_EQ(variableTb, 1);
  EXPECT_EQ(ComputeDawnAndDusk, 0);
  EXPECT_EQ(replacementTb, 1);
  EXPECT_EQ(ActiveTimeCostsOnly, 0);
  EXPECT_EQ(dayActive, 1);
  EXPECT_EQ(BMRinWatts, 0);
  EXPECT_EQ(UseTorpor, 1);
  EXPECT_FLOAT_EQ(DaytimeStart, 6.0f);
  EXPECT_FLOAT_EQ(DaytimeEnd, 18.0f);
  EXPECT_FLOAT_EQ(TorporQ10, 2.2f);
  EXPECT_FLOAT_EQ(TorporEntryTime, 2.0f);
  EXPECT_FLOAT_EQ(MinimumTorporTb, 12.0f);
  // Shown as 2, 37 ... by the options dialog until it is first closed.
  EXPECT_FLOAT_EQ(TbChange + DefaultTb + TorporStartLag + TorporEndLag, 0.0f);
  EXPECT_FLOAT_EQ(ActivePhaseConductanceIncrease, 0.0f);
  // Colours.
  EXPECT_EQ(plotBackColor, (plat::Rgb16{0, 0, 0}));
  EXPECT_EQ(BlockBackColor, (plat::Rgb16{0, 0, 26214}));
  EXPECT_EQ(BlockForeColor, (plat::Rgb16{65535, 65535, 0}));
  EXPECT_EQ(gray, (plat::Rgb16{56797, 56797, 56797}));
  EXPECT_EQ(manila, (plat::Rgb16{65535, 61166, 52428}));
  EXPECT_EQ(PlotLineThickness, 1);
}

TEST_F(DefaultsTest, StartupValuesPassTheirOwnRepairRules) {
  // A default the repair rules call damaged would be "repaired" on every read.
  SavedSettings s = StartupSavedSettings();
  EXPECT_EQ(RepairSavedSettings(s), 0);
  SetDEFAULTS();
  EXPECT_EQ(EncodeSettings(CaptureSavedSettings()), EncodeSettings(StartupSavedSettings()));
}

TEST_F(DefaultsTest, RestartingTheSettingsEndsAQuietRun) {
  SetDEFAULTS();
  BeginQuietSoundRun();
  ASSERT_TRUE(QuietSoundRunActive());
  SetDEFAULTS();
  EXPECT_FALSE(QuietSoundRunActive());
  EXPECT_EQ(prefsArray[7], 25);
}

TEST(Colours, OldStyleIndices) {
  const plat::Rgb16 expected[8] = {{65535, 65535, 65535}, {65535, 65535, 0}, {0, 65535, 0},
                                   {0, 65535, 65535},     {0, 0, 65535},     {65535, 0, 65535},
                                   {65535, 0, 0},         {0, 0, 0}};
  for (int16_t i = 0; i < 8; ++i) EXPECT_EQ(OldStyleColour(i), expected[i]) << i;
  EXPECT_EQ(OldStyleColour(-1), kBlack);
  EXPECT_EQ(OldStyleColour(8), kBlack);
}

TEST(Colours, FieldColourCodes) {
  SetDEFAULTS();
  EXPECT_EQ(EFForeRgb(0), kBlack);
  EXPECT_EQ(EFForeRgb(1), kBlack);
  EXPECT_EQ(EFForeRgb(2), (plat::Rgb16{65535, 0, 0}));
  EXPECT_EQ(EFForeRgb(3), (plat::Rgb16{0, 0, 65535}));
  EXPECT_EQ(EFForeRgb(6), kWhite);
  EXPECT_EQ(EFForeRgb(99), kBlack);
  EXPECT_EQ(EFBackRgb(0), kBlack);
  EXPECT_EQ(EFBackRgb(1), lightBlue);
  EXPECT_EQ(EFBackRgb(5), sunset);
  EXPECT_EQ(EFBackRgb(7), ExtremelyLightGray);
  EXPECT_EQ(EFBackRgb(8), manila);
  EXPECT_EQ(EFBackRgb(-3), kWhite);
  // Codes name the shared colours, not copies taken at start-up.
  rgbyellow = {1, 2, 3};
  EXPECT_EQ(EFForeRgb(4), rgbyellow);
  EXPECT_EQ(EFBackRgb(4), rgbyellow);
  SetFixedColours();
}

TEST(Colours, SchemeOrderAndOverlayPalette) {
  SetDEFAULTS();
  EXPECT_EQ(SchemeColour(0), &plotBackColor);
  EXPECT_EQ(SchemeColour(6), &ToolBarBackgroundColor);
  EXPECT_EQ(SchemeColour(7), nullptr);
  EXPECT_EQ(SchemeColour(-1), nullptr);
  for (int i = 0; i < kSchemeColours; ++i) EXPECT_EQ(*SchemeColour(i), DefaultSchemeColour(i));

  // Eight neighbouring channels are told apart, and none vanishes into the
  // plot ground.
  std::set<std::tuple<int, int, int>> seen;
  for (int c = 1; c <= 8; ++c) seen.insert(Key(OverlayColor[c]));
  EXPECT_EQ(seen.size(), 8u);
  for (int c = 1; c <= kMaxChannels; ++c) {
    EXPECT_NE(OverlayColor[c], plotBackColor) << c;
    EXPECT_EQ(OverlayColor[c], OverlayColor[(c - 1) % 8 + 1]) << c;
  }
}

}  // namespace
