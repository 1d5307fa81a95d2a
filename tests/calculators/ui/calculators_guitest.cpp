// The Special-menu calculators driven headlessly from their menu items,
// with no file and with the demo file: default results, Return, help,
// "Done", the Store buttons, and a picture of each window.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "calculators/calcstate.h"
#include "calculators/oxygen.h"
#include "calculators/rpn.h"
#include "calculators/ui/calcwindow.h"
#include "calculators/ui/calculators_commands.h"
#include "calculators/ui/conversions_windows.h"
#include "calculators/ui/metabolism.h"
#include "calculators/ui/oxygen_windows.h"
#include "calculators/ui/pressure_windows.h"
#include "calculators/ui/simplecalc.h"
#include "calculators/vapour.h"
#include "datafiles/datafile.h"
#include "datafiles/ui/open.h"
#include "output/results.h"
#include "respirometry/gasunits.h"
#include "respirometry/ui/gasexchange.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/menurules.h"
#include "shell/prefs.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/mainloop.h"
#include "registrars.h"
#include "shell/ui/startup.h"
#include "support/gui_support.h"
#include "support/window_support.h"
#include "thermoregulation/ui/costs_dialog.h"
// Last: Qt's keyword macros must not meet the menu headers.
#include "platform/test.h"

namespace {

using plat::test::Script;
constexpr int W = kCalculatorWindow;

std::string Field(int id) { return plat::fieldText(W, id); }
double Num(int id) { return TextToNum(Field(id)); }

void ExpectNear(double got, double want, double relative) {
  EXPECT_NEAR(got, want, std::fabs(want) * relative) << "got " << got << " want " << want;
}

// The MATH ERROR flash pauses twelve times; each pause lets one step run.
Script& AfterFlash(Script& s) {
  for (int i = 0; i < 12; ++i) s.call([] {});
  return s;
}

void Snapshot(const std::string& name) {
  plat::test::saveArtifact(plat::test::windowImage(W), name + ".png");
}

class Calculators : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    testsupport::ResetForWindowTest();
    prefsArray[kPrefSoundLevel] = 25;
    RegisterCalculatorCommands();
    LastCalculatorResult = 0.0f;
    meanValue = 0.0;
    BodyTemperature = 0.0f;   // as at start-up: a thermoregulation run leaves its Tb
    LastMetabolismMENU = LastMetabolismSUBMENU = LastMetabolismUNIT = LastBMRHelpText = 0;
    BMRunitfact = 1.0f;
    // Shared with other windows (the thermoregulation dialog sets the body temperature).
    BodyTemperature = vTa = vBP = deltaP = vRH = calVol = calGain = calDef = sampGain = sampDef = 0.0f;
    testsupport::OpenStandInToolbar(kToolbarWindow);
    if (withFile()) {
      int16_t slot = -1;
      ASSERT_TRUE(testsupport::LoadDemo(&slot));
      TheFileInUse = static_cast<uint16_t>(slot);
      slot_ = slot;
    }
  }
  void TearDown() override { testsupport::EndWindowTest(); }
  bool withFile() const { return GetParam(); }
  std::string tag(const std::string& name) const { return name + (withFile() ? "-file" : "-nofile"); }
  // Runs the Special item with the script; the window must be gone after,
  // the toolbar back and the file in use unchanged.
  void runItem(int16_t item, const Script& s) {
    const uint16_t before = TheFileInUse;
    plat::test::run(s, [&] { EXPECT_TRUE(DoMENU(kMenuSpecial, item)); });
    EXPECT_FALSE(plat::windowExists(W));
    EXPECT_TRUE(plat::windowVisible(kToolbarWindow));
    EXPECT_EQ(TheFileInUse, before);
  }
  int16_t slot_ = -1;
};

TEST_P(Calculators, EachOpensWithItsHelpSubjectAndCloses) {
  const struct {
    int16_t item;
    int16_t helpButton;
    int subject;
  } cases[] = {
      {1, 141, 204},          {4, kStpHelp, 205},   {5, kAltHelp, 206},    {6, kSimHelp, 206},
      {7, kPo2Help, 248},     {8, kDoHelp, 248},    {10, kBmrHelp, 143},   {11, kQ10Help, 249},
      {12, kCsHelp, 235},     {13, kVentHelp, 236}, {16, kDoyHelp, 237},   {18, kConvHelp, 237},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    plat::test::clearRecorders();
    Script s;
    s.click(W, c.helpButton).closeBox(W);
    runItem(c.item, s);
    EXPECT_EQ(plat::test::helpSubjects(), std::vector<int>{c.subject});
  }
}

TEST_P(Calculators, SimpleCalculatorComputesInReversePolishOrder) {
  LastCalculatorResult = 0.0f;
  meanValue = 7.5;
  Script s;
  s.call([&] {
     EXPECT_FALSE(plat::windowVisible(kToolbarWindow));
     EXPECT_EQ(Field(kRpnXField), "1");
     EXPECT_EQ(plat::buttonState(W, 30), withFile() ? 1 : 0);   // Store X needs a file
     EXPECT_EQ(plat::buttonState(W, 29), 1);
     plat::setFieldText(W, kRpnXField, "5");
   })
      .key(W, '_')   // focus on X: nothing
      .call([] { EXPECT_EQ(Field(kRpnXField), "5"); })
      .key(W, 13)
      .call([] {
        EXPECT_EQ(plat::focusedField(W), kRpnYField);
        plat::setFieldText(W, kRpnYField, "3");
      })
      .key(W, '_')
      .call([] {
        EXPECT_EQ(Num(kRpnXField), 2.0);
        EXPECT_EQ(plat::focusedField(W), kRpnXField);
        plat::setFieldText(W, kRpnXField, "-8");
        plat::setFieldText(W, kRpnYField, "0.5");
      })
      .click(W, 12);   // X^Y: MATH ERROR, fields kept
  AfterFlash(s)
      .call([] {
        EXPECT_EQ(Field(kRpnXField), "-8");
        EXPECT_EQ(Field(kRpnYField), "0.5");
        EXPECT_TRUE(testsupport::SoundPlayed("bzot"));
        plat::setFieldText(W, kRpnXField, "2");
      })
      .click(W, 35)
      .call([] { ExpectNear(Num(kRpnYField), 33.51031, 1e-6); })
      .click(W, 29)
      .call([] { EXPECT_EQ(Num(kRpnXField), 7.5); })
      .click(W, 141)
      .call([&] { Snapshot(tag("calculator-rpn")); })
      .click(W, 41);
  runItem(1, s);
  EXPECT_EQ(plat::test::helpSubjects(), std::vector<int>{204});
  EXPECT_EQ(LastCalculatorResult, 7.5f);
  // The next opening starts from the last X; an X that is no number, left
  // blank, hands nothing on (it stored 0).
  Script again;
  again.call([] {
         EXPECT_EQ(Field(kRpnXField), "7.5");
         plat::setFieldText(W, kRpnXField, "");
       })
      .closeBox(W);
  runItem(1, again);
  EXPECT_EQ(LastCalculatorResult, 7.5f);
}

TEST_P(Calculators, StpAltitudeAndSimulation) {
  Script stp;
  stp.call([&] {
       // No file: flow 100, 760 torr and 0 degrees give the flow back.
       if (!withFile()) {
         EXPECT_EQ(Num(kStpResult), 100.0);
       }
       EXPECT_EQ(plat::buttonState(W, kStpStore), withFile() ? 1 : 0);
       plat::setFieldText(W, kStpFlowField, "100");
       plat::setFieldText(W, kStpPressureField, "700");
       plat::setFieldText(W, kStpMeterTField, "25");
     })
      .key(W, 13)
      .call([] { EXPECT_EQ(Field(kStpResult), " 84.378"); })
      .click(W, kStpSlpm)
      .call([] { ExpectNear(Num(kStpResult), 0.08437831, 1e-6); })
      .click(W, kStpAdd)
      .click(W, kStpShowAverage)
      .call([] { ExpectNear(Num(kStpResult), 0.08437831, 1e-6); });
  if (withFile()) stp.click(W, kStpStore);
  stp.click(W, kStpHelp).call([&] { Snapshot(tag("calculator-stp")); }).click(W, kStpDone);
  runItem(4, stp);
  ExpectNear(LastCalculatorResult, 0.08437831, 1e-6);
  if (withFile()) {
    ExpectNear(FileInfoFLOATS[slot_][kInfoFlow], 84.37831, 1e-6);
    EXPECT_EQ(FileInfoFLOATS[slot_][kInfoPressure], 760.0f);
    EXPECT_EQ(FileInfoFLOATS[slot_][kInfoTemperature], 0.0f);
  }

  Script alt;
  alt.call([&] {
       if (!withFile()) {
         EXPECT_EQ(Field(kAltAltitudeField), " 0.0");
       }
       EXPECT_EQ(plat::buttonState(W, kAltStore), withFile() ? 1 : 0);
       plat::setFieldText(W, kAltAltitudeField, "1000");
     })
      .key(W, 13)
      .call([] { EXPECT_EQ(Field(kAltPressureField), " 670.0"); })
      .click(W, kAltKPa)
      .call([] { EXPECT_EQ(Field(kAltPressureField), " 89.326"); })
      .click(W, kAltTorr)
      .click(W, kAltFromPressure)
      .call([] { ExpectNear(Num(kAltAltitudeField), 1000, 2e-4); });
  if (withFile()) alt.click(W, kAltStore);
  alt.call([&] { Snapshot(tag("calculator-altitude")); }).closeBox(W);
  runItem(5, alt);
  if (withFile()) {
    EXPECT_NEAR(FileInfoFLOATS[slot_][kInfoPressure], 670.0f, 0.1f);
  }

  Script sim;
  sim.call([] { plat::setFieldText(W, kSimAltitudeField, "3000"); })
      .key(W, 13)
      .call([] {
        EXPECT_EQ(Field(kSimPressureField), " 520.7");
        EXPECT_EQ(Field(kSimMeasuredPressureField), " 750.5");
        EXPECT_EQ(Field(kSimResultField), " 14.54");
      })
      .click(W, kSimFromPressure)
      .call([&] {
        ExpectNear(Num(kSimAltitudeField), 3000, 1e-3);
        Snapshot(tag("calculator-altitude-simulation"));
      })
      .click(W, kSimDone);
  runItem(6, sim);
}

TEST_P(Calculators, OxygenPressureAndVentilation) {
  // pO2 from the vapour pressure computed, which the field shows whole: its
  // text cut to 7 characters lost the exponent (9.858072e-05 kPa read
  // 9.858) or digits (0.000739 torr read 0.0007).
  const struct {
    const char* t;
    const char* saturation;
    bool torr;
  } po2Rows[] = {{"-58", "100", false}, {"-58", "100", true}, {"20", "0.001", false}, {"20", "0.001", true}};
  for (const auto& r : po2Rows) {
    SCOPED_TRACE(std::string(r.t) + " C, " + r.saturation + (r.torr ? " %, torr" : " %, kPa"));
    Script s;
    s.call([&] {
      plat::setFieldText(W, kPo2TemperatureField, r.t);
      plat::setFieldText(W, kPo2SaturationField, r.saturation);
    });
    if (r.torr) s.key(W, 13);
    else s.click(W, kPo2KPa);   // converts the pressure and computes
    s.call([&] {
       const float v = VapourPressure(static_cast<float>(TextToNum(r.t)), static_cast<float>(TextToNum(r.saturation)),
                                      r.torr);
       EXPECT_EQ(static_cast<float>(Num(kPo2VapourField)), v) << Field(kPo2VapourField);
       const float ambient = static_cast<float>(Num(kPo2PressureField));
       ExpectNear(Num(kPo2Result), OxygenPartialPressure(ambient, v, 20.95f, r.torr), 5e-5);
     }).click(W, kPo2Done);
    runItem(7, s);
  }

  Script po2;
  po2.call([] {
       plat::setFieldText(W, kPo2PressureField, "760");
       plat::setFieldText(W, kPo2TemperatureField, "37");
     })
      .key(W, 13)
      .call([] {
        EXPECT_EQ(static_cast<float>(Num(kPo2VapourField)), VapourPressure(37, 100, true));
        ExpectNear(Num(kPo2Result), 149.3666, 5e-5);
      })
      .click(W, kPo2KPa)
      .call([] {
        ExpectNear(Num(kPo2PressureField), 101.325, 1e-6);
        ExpectNear(Num(kPo2Result), 149.3666 * 101.325 / 760, 1e-4);
        EXPECT_EQ(Field(kPo2ResultUnit), "kPa");
      })
      .click(W, kPo2Torr)
      .call([] { ExpectNear(Num(kPo2PressureField), 760, 1e-6); })
      .click(W, kPo2Store)
      .click(W, kPo2Help)
      .call([&] { Snapshot(tag("calculator-po2")); })
      .click(W, kPo2Done);
  runItem(7, po2);
  ExpectNear(meanValue, 149.3666, 5e-5);

  Script vent;
  vent.call([] {
        const std::pair<int16_t, const char*> typed[] = {
            // The body temperature too: the cost model leaves its own in the shared global.
            {kVentTb, "37"}, {kVentTa, "25"}, {kVentPressure, "760"}, {kVentCalVol, "0.5"}, {kVentCalGain, "1"},
            {kVentCalVolts, "1"},
            {kVentSampGain, "1"}, {kVentSampVolts, "0.2"}, {kVentFiO2, "20.95"}};
        for (const auto& [id, text] : typed) plat::setFieldText(W, id, text);
      })
      .key(W, 13)
      .call([] {
        VentilationInput in;   // the typed values and the window's RH and frequency
        in.ta = 25;
        in.calVol = 0.5f;
        in.calGain = in.calDef = in.sampGain = 1;
        in.sampDef = 0.2f;
        const VentilationResult r = Ventilation(in);
        ExpectNear(Num(kVentTidal), r.tidal, 5e-4);
        ExpectNear(Num(kVentMinute), r.minute, 5e-5);
        ExpectNear(Num(kVentExtraction), r.extraction, 2e-4);
        plat::setFieldText(W, kVentFiO2, "150");   // not a percentage: refused, FiO2 kept
      })
      .click(W, kVentCalculate)
      .click(kAlertWindow, kAlertOK)
      // 0 % is a percentage, yet refused: it was the shared FiO2 all the same.
      .call([] { plat::setFieldText(W, kVentFiO2, "0"); })
      .click(W, kVentCalculate)
      .click(kAlertWindow, kAlertOK)
      .activate(kToolbarWindow)   // the window stays in front
      .call([&] {
        EXPECT_TRUE(plat::windowExists(W));
        Snapshot(tag("calculator-ventilation"));
      })
      .closeBox(W);
  runItem(13, vent);
  EXPECT_FLOAT_EQ(FiO2, 20.95f);
  EXPECT_TRUE(testsupport::SoundPlayed("bzot"));
  if (withFile()) {
    // The gas-exchange commands start from the FiO2 the last accepted run left.
    GasType = kGasO2;
    Script gas;
    gas.call([] { EXPECT_EQ(plat::fieldText(kResultsWindow, kFiO2Field), StringFormatter(20.95f)); })
        .closeBox(kResultsWindow);
    plat::test::run(gas, [] { GASEXCHANGE(0); });
    EXPECT_FLOAT_EQ(FiO2, 20.95f);
  }
  EXPECT_EQ(vTa, 25.0f);
  Script again;
  again.call([] { EXPECT_EQ(Field(kVentTa), "25"); }).click(W, kVentDone);
  runItem(13, again);
}

TEST_P(Calculators, ClosedSystemAndDissolvedOxygen) {
  FiO2 = 21.0f;
  Script cs;
  cs.call([] {
       ExpectNear(Num(kCsVO2), 5.85676, 2e-4);
       ExpectNear(Num(kCsVCO2Rate), 0.0567387, 1e-5);
       EXPECT_EQ(plat::buttonState(W, kCsUseCO2), 2);
     })
      .click(W, kCsAbsorbed)
      .call([] { ExpectNear(Num(kCsVO2), 4.65905, 2e-4); })
      .click(W, kCsUseRQ)
      .call([] {
        ExpectNear(Num(kCsVO2), 4.80649, 2e-4);
        plat::setFieldText(W, kCsDeltaCO2, "");
      })
      .call([] {
        EXPECT_EQ(plat::buttonState(W, kCsUseCO2), 0);
        EXPECT_EQ(plat::buttonState(W, kCsAbsorbed), 0);
        EXPECT_EQ(plat::buttonState(W, kCsUseRQ), 2);
      })
      .key(W, 13)
      .call([&] {
        EXPECT_EQ(Num(kCsVCO2), 0.0);
        Snapshot(tag("calculator-closed-system"));
      })
      .click(W, kCsHelp)
      .click(W, kCsDone);
  runItem(12, cs);
  EXPECT_FLOAT_EQ(FiO2, 20.95f);
  EXPECT_FLOAT_EQ(FiCO2, 0.038f);
  EXPECT_EQ(LastCalculatorResult, 0.0f);

  if (withFile()) {
    FileInfoFLOATS[slot_][kInfoTemperature] = 0;
    FileInfoFLOATS[slot_][kInfoEffectiveVolume] = 0;
    FileInfoFLOATS[slot_][kInfoPressure] = 0;
    FileSHORTS[slot_][kShortChanged] = 0;
  }
  Script dox;
  dox.call([] {
       // The missing file information is filled with 10 degrees, 10 litres, 760 torr.
       ExpectNear(Num(kDoPerLitre), 7.94226, 1e-5);
       ExpectNear(Num(kDoSum), 79.4226, 1e-5);
       plat::setFieldText(W, kDoPressure, "600");
     })
      .key(W, 13)
      .call([] { ExpectNear(Num(kDoPerLitre), 6.27020, 1e-5); })
      .click(W, kDoMg)
      .call([&] {
        ExpectNear(Num(kDoPerLitre), 6.27020 * 1.4286, 1e-5);
        EXPECT_EQ(Field(kDoSumUnit), "mg");
        Snapshot(tag("calculator-dissolved-oxygen"));
      })
      .click(W, kDoDone);
  runItem(8, dox);
  ExpectNear(LastCalculatorResult, 6.27020 * 1.4286, 1e-5);
  if (withFile()) {
    EXPECT_EQ(FileInfoFLOATS[slot_][kInfoTemperature], 10.0f);
    EXPECT_EQ(FileInfoFLOATS[slot_][kInfoEffectiveVolume], 10000.0f);
    EXPECT_EQ(FileInfoFLOATS[slot_][kInfoPressure], 760.0f);
    EXPECT_EQ(FileSHORTS[slot_][kShortChanged], 1);
  }
}

TEST_P(Calculators, MetabolismAndQ10) {
  Script bmr;
  bmr.call([] {
       EXPECT_FALSE(plat::windowVisible(kToolbarWindow));
       ExpectNear(Num(kBmrResult), 0.002647, 1e-6);
       plat::setFieldText(W, kBmrMassField, "1000");
     })
      .key(W, 13)
      .call([] { ExpectNear(Num(kBmrResult), 0.473973, 1e-5); })
      .popup(W, kBmrUnitPopup, 3)
      .call([] {
        ExpectNear(Num(kBmrResult), 28.4384, 2e-5);
        EXPECT_EQ(plat::buttonState(W, kBmrSave), 0);
      })
      .popup(W, kBmrUnitPopup, 1)
      .call([] { plat::setFieldText(W, kBmrMassField, "1"); })
      .click(W, kBmrKilograms)
      .call([] {
        ExpectNear(Num(kBmrResult), 0.473973, 1e-5);
        EXPECT_EQ(Field(kBmrMassField), "1");
      })
      .click(W, kBmrGrams)
      .popup(W, kBmrTaxonPopup, 8)   // amphibians: menu 54 at its first entry
      .popup(W, kBmrTaxonPopup, 4)
      .call([] {
        EXPECT_EQ(Field(kBmrQ10Field), "2.21");
        EXPECT_EQ(Field(kBmrExponentField), ".884");
        plat::setFieldText(W, kBmrMassField, "100");
      })
      .click(W, kBmrCompute)
      .call([] { ExpectNear(Num(kBmrResult), 0.0791287, 1e-5); })
      .click(W, kBmrHelp)
      .click(W, kBmrStore)
      .call([&] { Snapshot(tag("calculator-metabolism")); })
      .click(W, kBmrDone);
  runItem(10, bmr);
  EXPECT_EQ(plat::test::helpSubjects(), std::vector<int>{152});
  ExpectNear(meanValue, 0.0791287, 1e-5);
  ExpectNear(LastCalculatorResult, 0.0791287, 1e-5);
  Script again;
  again.call([] {
         EXPECT_EQ(plat::popupValue(W, kBmrTaxonPopup), 4);
         ExpectNear(Num(kBmrResult), 0.0791287, 1e-5);
       })
      .popup(W, kBmrTaxonPopup, 6)   // "General equation…": back to the group menu
      .call([] {
        EXPECT_EQ(Field(kBmrExponentField), ".751");
        EXPECT_EQ(plat::test::helpSubjects().back(), 143);
      })
      .closeBox(W);
  runItem(10, again);

  Script q10;
  q10.call([] { EXPECT_TRUE(plat::windowVisible(kToolbarWindow)); })
      .key(W, 13)
      .call([] { ExpectNear(Num(kQ10AdjustedValueField), 1.17080, 1e-5); })
      .click(W, kQ10ComputeQ10)
      .call([&] {
        ExpectNear(Num(kQ10Field), 2.2, 1e-5);
        plat::setFieldText(W, kQ10AdjustedValueField, "5");
        Snapshot(tag("calculator-q10"));
      })
      .click(W, kQ10Done);
  runItem(11, q10);
  EXPECT_EQ(LastCalculatorResult, 5.0f);
  // A typed value no float holds is not handed on as infinite.
  Script huge;
  huge.call([] { plat::setFieldText(W, kQ10AdjustedValueField, "1e39"); }).click(W, kQ10Done);
  runItem(11, huge);
  EXPECT_EQ(LastCalculatorResult, 5.0f);
}

// The a field is read back by the next Compute and by "Save": it shows the
// number typed, not its display rounding (1.23456 came back " 1.235", and
// then computed and saved as 1.235).
TEST_P(Calculators, MetabolismShowsATypedCoefficientWhole) {
  const float saved[2] = {CustomAllometry[1], CustomAllometry[2]};
  for (const char* typed : {"1.23456", "123.456"}) {
    SCOPED_TRACE(typed);
    const double a = TextToNum(typed);
    Script s;
    s.call([&] { plat::setFieldText(W, kBmrAField, typed); });
    for (int compute = 0; compute < 2; ++compute) {
      s.click(W, kBmrCompute).call([&] {
        EXPECT_EQ(Field(kBmrAField), typed);
        ExpectNear(Num(kBmrResult), a, 5e-4);   // 1 g at its base temperature
      });
    }
    s.click(W, kBmrSave).click(W, kBmrDone);
    runItem(10, s);
    EXPECT_EQ(CustomAllometry[1], static_cast<float>(a));
  }
  CustomAllometry[1] = saved[0];
  CustomAllometry[2] = saved[1];
}

// A typed value that would make the result infinite or not a number, or is
// out of its range, is refused with an alert naming its field, and the
// results of the inputs before are blanked, not left beside it. Nothing
// shared changes: not the settings other commands read, not the last
// result, not the saved custom equation.
TEST_P(Calculators, FieldsThatWouldGiveNoNumberAreRefusedByName) {
  const struct {
    int16_t item;
    std::vector<std::pair<int16_t, const char*>> typed;
    int16_t button;        // 0: Return
    const char* message;   // its start
    int16_t blanked;       // a result field that showed the last inputs' result
    std::vector<int16_t> then = {};   // buttons clicked after the alert
  } cases[] = {
      {5, {{kAltPressureField, "xyz"}}, kAltFromPressure, "\"Pressure\": a pressure must be above 0", kAltAltitudeField},
      {5, {{kAltAltitudeField, "-1e7"}}, 0, "\"Altitude\": this value makes the result infinite", kAltPressureField},
      {4, {{kStpSecondsField, "0"}}, kStpVolumeMode, "\"Elapsed Time\": the elapsed time must not be 0", kStpResult},
      {4, {{kStpSecondsField, "-60"}}, kStpVolumeMode, "\"Elapsed Time\": a negative elapsed time", kStpResult},
      {4, {{kStpPressureField, "0"}}, kStpCompute, "\"B.P.\": a pressure must be above 0", kStpResult},
      {4, {{kStpVolumeField, "-1000"}}, kStpVolumeMode, "\"Cumulative Volume\": a negative volume", kStpResult},
      // With nothing added the average of the blank showed 0, the last result then.
      {4, {{kStpSecondsField, "0"}}, kStpVolumeMode, "\"Elapsed Time\": the elapsed time must not be 0", kStpResult,
       {kStpAdd, kStpShowAverage}},
      {6, {{kSimMeasuredPressureField, "0"}}, kSimFromPressure, "\"measurement pressure\": a pressure must be above",
       kSimResultField},
      // Before the mass: a refused mass stays in the window for its next opening.
      {10, {{kBmrAField, "-0.005"}}, kBmrCompute, "\"coefficient ('a' value)\": it must be above 0", kBmrResult},
      // "Store" after the refusal stored 0 for "= Last Result"; "Save" kept
      // the a for the custom equation.
      {10, {{kBmrAField, "-0.005"}}, kBmrCompute, "\"coefficient ('a' value)\": it must be above 0", kBmrResult,
       {kBmrStore}},
      {10, {{kBmrAField, "-0.005"}}, kBmrSave, "\"coefficient ('a' value)\": it must be above 0", kBmrResult},
      {10, {{kBmrMassField, "-5"}}, kBmrCompute, "\"mass\": a mass must be above 0", kBmrResult},
      {11, {{kQ10AdjustedTField, "37"}}, kQ10ComputeQ10, "\"adjusted temp\": equal to the base temperature", kQ10Field},
      {11, {{kQ10Field, "-2"}}, 0, "\"Q10\": a Q10 must be above 0", kQ10AdjustedValueField},
      {11, {{kQ10Field, "0"}}, 0, "\"Q10\": a Q10 must be above 0", kQ10AdjustedValueField},
      {11, {{kQ10BaseValueField, "-1"}, {kQ10AdjustedValueField, "-2"}}, kQ10ComputeQ10,
       "\"base value\": a rate must be above 0", kQ10Field},
      {11, {{kQ10BaseValueField, "1e-20"}, {kQ10AdjustedValueField, "1e20"}}, kQ10ComputeQ10,
       "\"base value\" and \"adjusted value\": they are too far apart", kQ10Field},
      {13,
       {{kVentCalVol, "1"}, {kVentCalGain, "1"}, {kVentCalVolts, "0"}, {kVentSampGain, "1"}, {kVentSampVolts, "0.5"}},
       kVentCalculate, "\"calibration volts\": it must be a number other than 0", kVentTidal},
      {13,
       {{kVentCalVol, "-1"}, {kVentCalGain, "1"}, {kVentCalVolts, "1"}, {kVentSampGain, "1"}, {kVentSampVolts, "0.5"}},
       kVentCalculate, "\"calibration volume\": a volume must be above 0", kVentExtraction},
      {13,
       {{kVentCalVol, "1"}, {kVentCalGain, "1"}, {kVentCalVolts, "1"}, {kVentSampGain, "1"}, {kVentSampVolts, "0.5"},
        {kVentPressure, "0"}},
       kVentCalculate, "\"pressure\": a pressure must be above 0", kVentTidal},
      {4, {{kStpMeterTField, "-300"}}, kStpCompute, "\"Meter temp.\": a temperature must be above absolute zero",
       kStpResult},
      {11, {{kQ10BaseValueField, "-1"}}, 0, "\"base value\": a rate must be above 0", kQ10AdjustedValueField},
      {18, {{kConvInput, "1e39"}}, 0, "\"joules\": this value makes the result infinite", kConvResult},
      // "Store" read the "(swapped) " that Swap leaves as 0.
      {18, {{kConvInput, "1e39"}}, 0, "\"joules\": this value makes the result infinite", kConvResult,
       {kConvSwap, kConvStore}},
      {7, {{kPo2PressureField, "0"}}, kPo2Compute, "\"ambient pressure\": a pressure must be above 0", kPo2Result},
      {12, {{kCsHours, "-1"}}, kCsCalculate, "\"hours\": a time must not be negative", kCsVO2Rate},
      {8, {{kDoVolume, "-1"}}, kDoContent, "\"volume\": a volume must not be negative", kDoSum},
      {8, {{kDoTemperature, "50"}, {kDoPressure, "10"}}, kDoContent,
       "\"B.P.\": it must be above the water vapour pressure", kDoPerLitre},
      {8, {{kDoTemperature, "200"}}, kDoContent, "\"temp.\": water boils", kDoSum},
      // The fit tends to 2.79 ml/L however hot the water: 60, 80 and 99
      // degrees showed 3.572, 3.158 and 2.970 ml/L, and 100 degrees boils.
      {8, {{kDoTemperature, "60"}, {kDoPressure, "760"}}, kDoContent,
       "\"temp.\": the oxygen content formula holds for water up to 50", kDoPerLitre},
      {8, {{kDoTemperature, "80"}, {kDoPressure, "760"}}, kDoContent,
       "\"temp.\": the oxygen content formula holds for water up to 50", kDoSum},
      {8, {{kDoTemperature, "99"}, {kDoPressure, "760"}}, kDoContent,
       "\"temp.\": the oxygen content formula holds for water up to 50", kDoPerLitre},
      {8, {{kDoTemperature, "100"}, {kDoPressure, "760"}}, kDoContent, "\"temp.\": water boils", kDoPerLitre},
      // Its float lies 6e-6 K above absolute zero: it was taken.
      {7, {{kPo2TemperatureField, "-273.15"}}, kPo2Compute,
       "\"ambient temperature\": a temperature must be above absolute zero", kPo2Result},
      {12, {{kCsMinutes, "1e39"}}, kCsCalculate, "\"minutes\": it is too large", kCsVO2},
      // Stored as the gas-exchange commands' FiO2 before it was refused.
      {13,
       {{kVentCalVol, "1"}, {kVentCalGain, "1"}, {kVentCalVolts, "1"}, {kVentSampGain, "1"}, {kVentSampVolts, "0.5"},
        {kVentFiO2, "0"}, {kVentTb, "30"}},
       kVentCalculate, "\"inhaled O2 concentration\": it must lie above 0", kVentExtraction},
      {6, {{kSimGasField, "150"}}, kSimFromAltitude, "\"gas concentration\": it must lie from 0 to 100 %",
       kSimResultField},
      {11, {{kQ10BaseTField, "-300"}}, 0, "\"base temp\": a temperature must be above absolute zero",
       kQ10AdjustedValueField},
      // 39 degrees was named for a base value no adjustment fits in a float.
      {11, {{kQ10BaseValueField, "3e38"}}, 0, "\"base value\": this value makes the result infinite",
       kQ10AdjustedValueField},
      // A base value no adjustment keeps above a float's least normal value showed 0 or a denormal.
      {11, {{kQ10BaseValueField, "1e-39"}}, 0, "\"base value\": this value makes the result too near 0",
       kQ10AdjustedValueField},
  };
  const auto shared = [] {
    return std::vector<float>{FiO2,   FiCO2,   salinity, BodyTemperature, vTa,      vBP,
                              deltaP, vRH,     calVol,   calGain,         calDef,   sampGain,
                              sampDef, CustomAllometry[1], CustomAllometry[2], static_cast<float>(meanValue)};
  };
  constexpr float kLast = 12.5f;
  bool pictured = false;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    std::string before, message;
    std::vector<float> sharedBefore;
    meanValue = 7.25;
    Script s;
    s.call([&] {
      // As the window left them on opening.
      sharedBefore = shared();
      LastCalculatorResult = kLast;
      before = Field(c.blanked);
      for (const auto& [id, text] : c.typed) plat::setFieldText(W, id, text);
    });
    if (c.button) s.click(W, c.button);
    else s.key(W, 13);
    s.call([&] {
       ASSERT_TRUE(plat::windowExists(kAlertWindow));
       message = plat::fieldText(kAlertWindow, kAlertMessage);
       if (!pictured) plat::test::saveArtifact(plat::test::windowImage(kAlertWindow), tag("calculator-refusal") + ".png");
       pictured = true;
     })
        // A click in the calculator once buried the alert it still waited on.
        .activate(W)
        .call([] {})
        .call([] { EXPECT_EQ(plat::windowIds().front(), kAlertWindow) << "the alert stays in front"; })
        .click(kAlertWindow, kAlertOK)
        .call([&] {
          EXPECT_NE(before, "");
          EXPECT_EQ(Field(c.blanked), "");
        });
    for (const int16_t b : c.then) s.click(W, b);
    s.closeBox(W);
    runItem(c.item, s);
    EXPECT_EQ(message.rfind(c.message, 0), 0u) << message;
    EXPECT_EQ(shared(), sharedBefore);
    EXPECT_EQ(LastCalculatorResult, kLast);
  }
}

TEST_P(Calculators, ConversionsAndDayOfYear) {
  Script conv;
  std::string opened;
  conv.call([&] {
        opened = Field(kConvResult);
        EXPECT_EQ(Field(kConvToUnit), "calories") << "computed on opening";
      })
      .key(W, 13)
      .call([&] {
        ExpectNear(Num(kConvResult), 0.2388915, 1e-6);
        EXPECT_EQ(Field(kConvResult), opened) << "the text Compute gives";
        EXPECT_EQ(Field(kConvToUnit), "calories");
      })
      .click(W, kConvFirstCategory + 2)   // mass, volume, light: 65/1
      .call([] {
        ExpectNear(Num(kConvResult), 0.453592, 1e-6);
        plat::setFieldText(W, kConvInput, "0");
      })
      .popup(W, kConvPopup, 19)
      .call([] {
        EXPECT_EQ(Field(kConvResult), "nil");
        meanValue = 7.25;
      })
      .click(W, kConvStore)
      .call([] {
        EXPECT_EQ(meanValue, 7.25) << "\"nil\" is no number to store (it stored 0)";
        EXPECT_TRUE(testsupport::SoundPlayed("bzot"));
        plat::setFieldText(W, kConvInput, "90");
      })
      .click(W, kConvCompute)
      .call([] { ExpectNear(Num(kConvResult), 956.2, 1e-5); })
      .popup(W, kConvPopup, 10)
      .call([] {
        EXPECT_EQ(Field(kConvFromUnit), "cubic feet");
        EXPECT_EQ(Field(kConvToUnit), "liters");
      })
      .click(W, kConvSwap)
      .call([] {
        EXPECT_EQ(Field(kConvInput), " 2548.5");   // the result as shown
        EXPECT_EQ(Field(kConvResult), "(swapped) ");
      })
      .click(W, kConvSwap)   // no number to swap: "(swapped)" went in and converted as 0
      .call([] {
        EXPECT_EQ(Field(kConvInput), " 2548.5");
        EXPECT_EQ(Field(kConvResult), "(swapped) ");
      })
      .click(W, kConvCompute)
      .click(W, kConvStore)
      .click(W, kConvFirstCategory + 3)
      .popup(W, kConvPopup, 16)
      .call([&] {
        EXPECT_NE(Field(kConvNote).find("separate approximations"), std::string::npos);
        Snapshot(tag("calculator-conversions"));
      })
      .click(W, kConvDone);
  runItem(18, conv);
  EXPECT_EQ(meanValue, 72165.0);

  Script doy;
  doy.call([&] {
       if (withFile()) {
         EXPECT_EQ(Field(kDoyYear), StartDate[slot_].substr(6));
       } else {
         EXPECT_EQ(Field(kDoyYear).size(), 4u);
       }
       plat::setFieldText(W, kDoyDay, "1");
       plat::setFieldText(W, kDoyYear, "2008");
     })
      .popup(W, kDoyMonthPopup, 3)
      .call([] {
        EXPECT_EQ(Num(kDoyResult), 61);
        plat::setFieldText(W, kDoyYear, "2009");
      })
      .key(W, 13)
      .call([&] {
        EXPECT_EQ(Num(kDoyResult), 60);
        Snapshot(tag("calculator-day-of-year"));
      })
      .click(W, kDoyDone);
  runItem(16, doy);
}

INSTANTIATE_TEST_SUITE_P(NoFileAndFile, Calculators, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "WithFile" : "NoFile"; });

}  // namespace

namespace {

// From the program's own start-up: the calculators need no file.
TEST(CalculatorsAtStartUp, SpecialItemsAndTheFileTypeDialogOfferThem) {
  plat::test::reset();
  testsupport::ClearStore();
  ClearCommandRegistry();
  std::filesystem::remove(plat::appFolder() / kPrefsFileName);
  Script s;
  s.click(kFileTypeWindow, kFileTypeHelp)   // waits for the dialog
      .call([] {
        for (int item : {1, 4, 5, 6, 7, 8, 10, 11, 12, 13, 16, 18}) {
          SCOPED_TRACE(item);
          EXPECT_TRUE(plat::itemEnabled(kMenuSpecial, item));
        }
        EXPECT_TRUE(plat::controlExists(kFileTypeWindow, kFileTypeCalculator));
      })
      .click(kFileTypeWindow, kFileTypeCalculator)
      .call([] {
        EXPECT_EQ(plat::title(W), "Simple math  (RPN for +, _, *, /, ^) ");
        EXPECT_EQ(TheFileInUse, kNoFile);
      })
      .click(W, kRpnDone)
      .click(kFileTypeWindow, kFileTypeQuitOrCancel);
  bool started = true;
  plat::test::run(s, [&] { started = StartUp(CorvimetRegistrars(), {}); });
  EXPECT_FALSE(started);
  EXPECT_EQ(TheFileInUse, kNoFile);
  ClearCommandRegistry();
  ClearQuitRequest();
  gDispatchHooks = {};
  gMenuRuleHooks = {};
  gStoreHooks = {};
  gOpenHooks = {};
  std::filesystem::remove(plat::appFolder() / kPrefsFileName);
}

}  // namespace
