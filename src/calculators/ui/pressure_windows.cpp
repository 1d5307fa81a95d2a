#include "calculators/ui/pressure_windows.h"

#include <optional>

#include "calculators/calcstate.h"
#include "calculators/fieldcheck.h"
#include "calculators/pressure.h"
#include "calculators/ui/calcwindow.h"
#include "platform/controls.h"
#include "platform/sound.h"
#include "shell/colours.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/sounds.h"

// ---- Flow to STP ---------------------------------------------------------------------

namespace {

struct StpChoice {
  int16_t unit = kStpTorr;
  bool volumeMode = false;
  bool slpm = false;
};

void STPcalc(CalculatorWindow& w, const StpChoice& c) {
  StpInput in;
  in.flow = w.num(kStpFlowField);
  in.volume = w.num(kStpVolumeField);
  in.seconds = w.num(kStpSecondsField);
  in.pressure = w.num(kStpPressureField);
  in.internal = w.num(kStpInternalField);
  in.meterT = w.num(kStpMeterTField);
  in.calibrationT = w.num(kStpCalibrationTField);
  in.unit = c.unit;
  in.volumeMode = c.volumeMode;
  in.slpm = c.slpm;
  const CheckedResult flow = CheckedStpFlow(in);
  if (ResultAccepted(w, flow, {kStpResult})) w.set(kStpResult, ResultText(static_cast<float>(flow.value)));
  w.focus(c.volumeMode ? kStpVolumeField : kStpFlowField);
}

void showAverageGround(bool on) {
  plat::setFieldColors(kCalculatorWindow, kStpResult, on ? kWhite : EFForeRgb(2), on ? darkGray : EFBackRgb(8));
}

void buildStp(CalculatorWindow& w, bool haveFile) {
  const float flow = FillCalculatorFileInfo(kInfoFlow, 100.0f);
  const float pressure = FillCalculatorFileInfo(kInfoPressure, 760.0f);
  const float meterT = CalculatorFileInfo(kInfoTemperature);

  w.label(20, 32, "STP flow:", 16, true);
  // Room for the formatter's longest text, a signed ten-digit value in exponent form.
  w.output(kStpResult, "", {130, 14, 340, 40}, 2, 8, 18, true);
  w.radio(kStpFlowMode, "Indicated Flowrate, ml/min:", {20, 58, 230, 76}, true);
  w.input(kStpFlowField, InputText(flow), {240, 58, 330, 76});
  w.radio(kStpVolumeMode, " Cumulative Volume,  in ml:", {20, 84, 230, 102}, false);
  w.input(kStpVolumeField, "1000", {240, 84, 330, 102});
  w.label(40, 124, "Elapsed Time, in Seconds:");
  w.input(kStpSecondsField, "60", {240, 110, 330, 128});
  DoubleLINE(10, 470, 140);

  w.label(20, 164, "B.P.");
  w.input(kStpPressureField, InputText(pressure), {60, 150, 140, 168});
  w.label(146, 164, "torr, meter internal pressure:");
  w.input(kStpInternalField, "0", {330, 150, 400, 168});
  w.label(20, 192, "internal pressure:");
  w.radio(kStpTorr, "torr", {130, 178, 190, 196}, true);
  w.radio(kStpPsi, "PSI", {195, 178, 250, 196}, false);
  w.radio(kStpKPa, "KPa", {255, 178, 310, 196}, false);
  w.radio(kStpMmH2O, "mm H2O", {315, 178, 400, 196}, false);
  w.label(20, 222, "Meter temp.");
  w.input(kStpMeterTField, InputText(meterT), {100, 208, 160, 226});
  w.label(166, 222, "\xA1" "C;    calibrated for");
  w.input(kStpCalibrationTField, "0", {300, 208, 360, 226});
  w.label(366, 222, "\xA1" "C");
  w.radio(kStpSccm, "SCCM", {20, 240, 90, 258}, true);
  w.radio(kStpSlpm, "SLPM", {100, 240, 170, 258}, false);
  DoubleLINE(10, 470, 268);

  w.button(kStpAdd, "Add to \xB7", {20, 278, 110, 300});
  w.button(kStpShowAverage, "Show Average", {118, 278, 228, 300});
  w.button(kStpStore, "Store", {236, 278, 306, 300});
  w.button(kStpHelp, "?", {314, 278, 344, 300});
  w.button(kStpDone, "Done", {20, 310, 110, 332});
  w.button(kStpCompute, "Compute", {350, 310, 460, 332}, true);
  // "Store" writes the file's flow, pressure and temperature.
  if (!haveFile) w.enable(kStpStore, false);
}

}  // namespace

void STPflowAdjust() {
  const bool haveFile = CalculatorSlot() >= 0;
  CalculatorWindow w({.title = "Flow System STP Converter", .width = 480, .height = 344, .helpSubject = 205});
  buildStp(w, haveFile);

  StpChoice choice;
  StpAverage sum;
  bool showingAverage = false;
  STPcalc(w, choice);
  w.focus(kStpFlowField);

  for (;;) {
    const CalcEvent e = w.next();
    if (!w.open() || e.closeBox() || e.click(kStpDone)) break;
    if (e.plotActivated()) {
      w.bringBack();
    } else if (e.otherActivated()) {
      break;
    } else if (e.returnKey() || e.action == kActionClick) {
      const int16_t id = e.returnKey() ? kStpCompute : e.id;
      bool recompute = false;
      switch (id) {
        case kStpFlowMode: case kStpVolumeMode:
          choice.volumeMode = id == kStpVolumeMode;
          w.mark(kStpFlowMode, !choice.volumeMode);
          w.mark(kStpVolumeMode, choice.volumeMode);
          recompute = true;
          break;
        case kStpTorr: case kStpPsi: case kStpKPa: case kStpMmH2O:
          choice.unit = id;
          for (int16_t u = kStpTorr; u <= kStpMmH2O; ++u) w.mark(u, u == id);
          recompute = true;
          break;
        case kStpSccm: case kStpSlpm:
          choice.slpm = id == kStpSlpm;
          w.mark(kStpSccm, !choice.slpm);
          w.mark(kStpSlpm, choice.slpm);
          recompute = true;
          break;
        case kStpCompute: recompute = true; break;
        case kStpAdd:
          // A refused run left no result to add.
          if (const std::optional<double> shown = ShownNumber(w, kStpResult))
            sum.add(static_cast<float>(*shown), choice.slpm);
          else
            Zap();
          break;
        case kStpShowAverage: {
          // With nothing added the average is the result shown; a refused
          // run's blank read as 0, then handed on as the last result.
          const std::optional<double> shown = ShownNumber(w, kStpResult);
          if (!showingAverage && sum.count == 0 && !shown) {
            Zap();
            break;
          }
          showingAverage = !showingAverage;
          if (showingAverage) {
            w.set(kStpResult, ResultText(sum.average(static_cast<float>(shown.value_or(0.0)), choice.slpm)));
            w.mark(kStpShowAverage, true);
            showAverageGround(true);
          } else {
            recompute = true;
          }
          break;
        }
        case kStpStore: {
          const float flow = StpStoredFlow(w.fnum(kStpResult), choice.slpm);
          if (AcceptableFlowOrPressure(flow) && StoreCalculatorFileInfo(kInfoFlow, flow)) {
            // The stored flow is already at standard conditions.
            StoreCalculatorFileInfo(kInfoPressure, 760.0f);
            StoreCalculatorFileInfo(kInfoTemperature, 0.0f);
            upvip();
          } else {
            Zap();
          }
          break;
        }
        case kStpHelp: w.help(); break;
        default: break;
      }
      if (recompute) {
        if (showingAverage) {
          showingAverage = false;
          w.mark(kStpShowAverage, false);
          showAverageGround(false);
        }
        STPcalc(w, choice);
      }
    }
    w.done();
  }
  StoreLastResult(w, kStpResult);
}

// ---- Altitude and pressure -------------------------------------------------------------

namespace {

struct AltUnits {
  bool feet = false;
  bool torr = true;
};

void ALTfromBP(CalculatorWindow& w, const AltUnits& u) {
  const CheckedResult h = CheckedAltitude(w.num(kAltPressureField), u.feet, u.torr);
  if (!ResultAccepted(w, h, {kAltAltitudeField})) return;
  w.set(kAltAltitudeField, AltitudeFieldText(h.value, u.torr));
  upvip();
}

void pressureFromAltitude(CalculatorWindow& w, const AltUnits& u) {
  const CheckedResult p = CheckedPressure(w.num(kAltAltitudeField), u.feet, u.torr);
  if (!ResultAccepted(w, p, {kAltPressureField})) return;
  w.set(kAltPressureField, PressureFieldText(p.value, u.torr));
  upvip();
}

}  // namespace

void ALTITUDE() {
  const bool haveFile = CalculatorSlot() >= 0;
  CalculatorWindow w({.title = "Altitude and Pressure", .width = 470, .height = 262, .helpSubject = 206});

  w.staticText(20, "Computes relationships between altitude (above sea level) and mean barometric "
               "pressure (not corrected for local weather-related fluctuations) ",
               {14, 8, 456, 58}, 11);
  w.label(20, 94, "Pressure in");
  w.radio(kAltTorr, "torr", {100, 80, 160, 98}, true);
  w.radio(kAltKPa, "kPa:", {165, 80, 225, 98}, false);
  const float pressure = FillCalculatorFileInfo(kInfoPressure, 760.0f);
  w.input(kAltPressureField, PressureFieldText(pressure, true), {240, 78, 360, 100}, 14);
  w.label(20, 130, "Altitude in");
  w.radio(kAltMetres, "Meters", {100, 116, 170, 134}, true);
  w.radio(kAltFeet, "Feet:", {175, 116, 235, 134}, false);
  w.input(kAltAltitudeField, "", {240, 114, 360, 136}, 14);
  DoubleLINE(10, 460, 152);
  w.button(kAltFromPressure, "Compute Altitude from Pressure", {14, 164, 230, 186});
  w.button(kAltFromAltitude, "Compute Pressure from Altitude", {240, 164, 456, 186}, true);
  w.button(kAltStore, "Store Pressure", {14, 202, 140, 224});
  w.button(kAltHelp, "?", {150, 202, 180, 224});
  w.button(kAltDone, "Done", {356, 202, 456, 224});
  if (!haveFile) w.enable(kAltStore, false);

  AltUnits u;
  ALTfromBP(w, u);
  w.focus(kAltAltitudeField);

  for (;;) {
    const CalcEvent e = w.next();
    if (!w.open() || e.closeBox() || e.click(kAltDone) || e.otherActivated()) break;
    if (e.returnKey() || e.click(kAltFromAltitude)) {
      pressureFromAltitude(w, u);
    } else if (e.tab()) {
      w.focus(w.focused() == kAltPressureField ? kAltAltitudeField : kAltPressureField);
      PlayNamedSound("click");
    } else if (e.click(kAltFromPressure)) {
      ALTfromBP(w, u);
    } else if (e.click(kAltMetres) || e.click(kAltFeet)) {
      u.feet = e.id == kAltFeet;
      w.mark(kAltMetres, !u.feet);
      w.mark(kAltFeet, u.feet);
      ALTfromBP(w, u);
    } else if ((e.click(kAltTorr) && !u.torr) || (e.click(kAltKPa) && u.torr)) {
      u.torr = !u.torr;
      w.mark(kAltTorr, u.torr);
      w.mark(kAltKPa, !u.torr);
      w.set(kAltPressureField, PressureFieldText(ConvertPressureField(w.num(kAltPressureField), u.torr), u.torr));
    } else if (e.click(kAltStore)) {
      const double p = w.num(kAltPressureField) * (u.torr ? 1.0 : kTorrPerKPaAltitude);
      if (AcceptableFlowOrPressure(p) && StoreCalculatorFileInfo(kInfoPressure, static_cast<float>(p))) wsst();
      else Zap();
    } else if (e.click(kAltHelp)) {
      w.help();
    }
    w.done();
  }
}

// ---- Altitude simulation --------------------------------------------------------------------

namespace {

// The gas of one direction of the simulation into the fields the other
// direction leaves, or the refusal.
void showSimulation(CalculatorWindow& w, const CheckedSimulation& c, bool fromAltitude) {
  const bool accepted =
      fromAltitude ? ResultAccepted(w, c.check, {kSimMeasuredPressureField, kSimPressureField, kSimResultField})
                   : ResultAccepted(w, c.check, {kSimResultField, kSimAltitudeField, kSimMeasuredAltitudeField});
  if (!accepted) return;
  const SimulatedGas& s = c.gas;
  if (fromAltitude) {
    w.set(kSimMeasuredPressureField, FormatPicture(s.measuredTorr, "####.#"));
    w.set(kSimPressureField, FormatPicture(s.simulatedTorr, "####.#"));
  }
  w.set(kSimResultField, FormatPicture(s.concentration, "###.##"));
  if (!fromAltitude) {
    w.set(kSimAltitudeField, FormatPicture(s.simulatedAltitude, "#####.#"));
    w.set(kSimMeasuredAltitudeField, FormatPicture(s.measuredAltitude, "#####.#"));
  }
}

}  // namespace

void AltitudeSimulation() {
  CalculatorWindow w({.title = "Altitude Simulation Calculator", .width = 500, .height = 314, .helpSubject = 206});

  w.staticText(20, "Computes gas concentrations needed to simulate concentrations at a different altitude or "
               "ambient pressure.   Assumes computed pressures are standard Barometric Pressure (i.e., no "
               "compensation for humidity, weather-related, or other BP fluctuations).",
               {14, 8, 486, 74}, 11);
  w.label(20, 106, "To replicate a gas concentration of");
  w.input(kSimGasField, "20.95", {270, 92, 340, 110});
  w.label(346, 106, "%");
  w.label(20, 136, "at a simulated altitude of");
  w.input(kSimAltitudeField, "100", {226, 122, 296, 140});
  w.label(302, 136, "meters; = ");
  w.input(kSimPressureField, "750.5", {372, 122, 440, 140});
  w.label(446, 136, "torr");
  w.label(20, 166, "if the measurement altitude is");
  w.input(kSimMeasuredAltitudeField, "100", {226, 152, 296, 170});
  w.label(302, 166, "meters; = ");
  w.input(kSimMeasuredPressureField, "750.5", {372, 152, 440, 170});
  w.label(446, 166, "torr");
  DoubleLINE(10, 490, 184);
  w.label(20, 214, "use a gas mixture with a concentration of", 12, true);
  w.output(kSimResultField, "20.95", {310, 198, 400, 220}, 2, 8, 14, true);
  w.label(406, 214, "%");
  w.button(kSimFromAltitude, "Compute from Altitude", {14, 244, 190, 266}, true);
  w.button(kSimFromPressure, "Compute from Pressure", {226, 244, 376, 266});
  w.button(kSimHelp, "?", {386, 244, 416, 266});
  w.button(kSimDone, "Done", {14, 278, 114, 300});
  w.focus(kSimGasField);

  for (;;) {
    const CalcEvent e = w.next();
    if (!w.open() || e.closeBox() || e.click(kSimDone) || e.otherActivated()) break;
    if (e.returnKey() || e.click(kSimFromAltitude)) {
      showSimulation(w,
                     CheckedSimulationFromAltitudes(w.num(kSimGasField), w.num(kSimAltitudeField),
                                                    w.num(kSimMeasuredAltitudeField)),
                     true);
    } else if (e.click(kSimFromPressure)) {
      showSimulation(w,
                     CheckedSimulationFromPressures(w.num(kSimGasField), w.num(kSimPressureField),
                                                    w.num(kSimMeasuredPressureField)),
                     false);
    } else if (e.click(kSimHelp)) {
      w.help();
    }
    w.done();
  }
}
