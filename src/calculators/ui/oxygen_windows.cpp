#include "calculators/ui/oxygen_windows.h"

#include <cmath>
#include <string>

#include "calculators/calcstate.h"
#include "calculators/fieldcheck.h"
#include "calculators/oxygen.h"
#include "calculators/ui/calcwindow.h"
#include "calculators/vapour.h"
#include "output/results.h"
#include "platform/controls.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/sounds.h"

namespace {

std::string withoutLeadingBlanks(std::string t) {
  t.erase(0, t.find_first_not_of(' ') == std::string::npos ? t.size() : t.find_first_not_of(' '));
  return t;
}

}  // namespace

// ---- Oxygen partial pressure ---------------------------------------------------------------

namespace {

float VaporPressureCALC(CalculatorWindow& w, bool torr) {
  const float v = VapourPressure(w.fnum(kPo2TemperatureField), w.fnum(kPo2SaturationField), torr);
  w.set(kPo2VapourField, VapourFieldText(v));
  return v;
}

// From the vapour pressure computed, not from its field's text.
void FigurePO2(CalculatorWindow& w, float vapour, bool torr) {
  const float po2 = OxygenPartialPressure(w.fnum(kPo2PressureField), vapour, w.fnum(kPo2GasField), torr);
  w.set(kPo2Result, ResultText(po2));
  w.focus(kPo2PressureField);
}

// Both results, or neither beside a refused value.
void computePO2(CalculatorWindow& w, bool torr) {
  const CheckedResult typed = CheckedPartialPressureInputs(w.fnum(kPo2PressureField), w.fnum(kPo2TemperatureField),
                                                           w.fnum(kPo2SaturationField), w.fnum(kPo2GasField), torr);
  if (!ResultAccepted(w, typed, {kPo2VapourField, kPo2Result})) return;
  FigurePO2(w, VaporPressureCALC(w, torr), torr);
}

}  // namespace

void PO2CALC() {
  CalculatorWindow w({.title = "Oxygen Partial Pressure", .width = 490, .height = 300, .helpSubject = 248});
  const float pressure = FillCalculatorFileInfo(kInfoPressure, 760.0f);

  EmbossPrint(1, "pO    estimation", 22, 110, 34);
  EmbossPrint(1, "2", 14, 139, 40);
  w.label(20, 72, "ambient pressure:");
  w.input(kPo2PressureField, InputText(pressure), {210, 58, 290, 76});
  w.radio(kPo2Torr, "torr", {300, 58, 356, 76}, true);
  w.radio(kPo2KPa, "kPa", {360, 58, 420, 76}, false);
  w.label(20, 102, "ambient temperature (\xA1" "C):");
  w.input(kPo2TemperatureField, "37", {210, 88, 290, 106});
  w.subscript(20, 132, "vapor phase H", "2", "O saturation:");
  w.input(kPo2SaturationField, "100", {210, 118, 260, 136});
  w.label(264, 132, "%  = ");
  // The vapour pressure whole, a float's longest text in exponent form.
  w.output(kPo2VapourField, "", {300, 118, 420, 136}, 1, 8);
  w.output(kPo2VapourUnit, "torr", {424, 118, 474, 136}, 1, 7);
  w.subscript(20, 162, "gas phase %O", "2", "  (dry gas):");
  w.input(kPo2GasField, "20.95", {210, 148, 290, 166});
  DoubleLINE(10, 480, 182);
  w.subscript(20, 212, "ambient pO", "2", " = ", 16);
  // Room for the formatter's longest text, a signed ten-digit value in exponent form.
  w.output(kPo2Result, "100", {150, 192, 350, 220}, 2, 5, 18, true);
  w.output(kPo2ResultUnit, "torr", {356, 196, 406, 216}, 1, 7);
  w.button(kPo2Store, "Store pO2", {14, 250, 110, 272});
  w.button(kPo2Help, "?", {120, 250, 150, 272});
  w.button(kPo2Done, "Done", {200, 250, 290, 272});
  w.button(kPo2Compute, "Compute pO2", {310, 250, 426, 272}, true);

  bool torr = true;
  computePO2(w, torr);

  for (;;) {
    const CalcEvent e = w.next();
    if (!w.open() || e.closeBox() || e.click(kPo2Done) || e.otherActivated()) break;
    if (e.returnKey() || e.click(kPo2Compute)) {
      computePO2(w, torr);
    } else if (e.click(kPo2Store)) {
      StoreShownResult(w, kPo2Result);
    } else if ((e.click(kPo2Torr) && !torr) || (e.click(kPo2KPa) && torr)) {
      torr = !torr;
      w.mark(kPo2Torr, torr);
      w.mark(kPo2KPa, !torr);
      w.set(kPo2ResultUnit, torr ? "torr" : "kPa");
      w.set(kPo2VapourUnit, torr ? "torr" : "kPa");
      const double p = w.num(kPo2PressureField);
      w.set(kPo2PressureField, InputText(static_cast<float>(torr ? p * kTorrPerKPa : p / kTorrPerKPa)));
      computePO2(w, torr);
    } else if (e.click(kPo2Help)) {
      w.help();
    }
    w.done();
  }
}

// ---- Ventilation --------------------------------------------------------------------------------

namespace {

void VENTCALC(CalculatorWindow& w) {
  VentilationInput in;
  in.vo2 = w.fnum(kVentVO2);
  in.fio2 = w.fnum(kVentFiO2);
  in.tb = w.fnum(kVentTb);
  in.ta = w.fnum(kVentTa);
  in.pb = w.fnum(kVentPressure);
  in.deltaP = w.fnum(kVentDeltaP);
  in.rh = w.fnum(kVentRH);
  in.calVol = w.fnum(kVentCalVol);
  in.calGain = w.fnum(kVentCalGain);
  in.calDef = w.fnum(kVentCalVolts);
  in.sampGain = w.fnum(kVentSampGain);
  in.sampDef = w.fnum(kVentSampVolts);
  in.frequency = w.fnum(kVentFrequency);
  in.trh = w.fnum(kVentTRH);
  VentilationResult r;
  // A refused value becomes none of the shared settings: the inhaled O2 is
  // the gas-exchange commands' FiO2, the body temperature the cost model's.
  if (!ResultAccepted(w, CheckedVentilation(in, &r), {kVentTidal, kVentMinute, kVentExtraction})) return;
  FiO2 = in.fio2;
  BodyTemperature = in.tb;
  vTa = in.ta;
  vBP = in.pb;
  deltaP = in.deltaP;
  vRH = in.rh;
  calVol = in.calVol;
  calGain = in.calGain;
  calDef = in.calDef;
  sampGain = in.sampGain;
  sampDef = in.sampDef;
  w.set(kVentTidal, ResultText(static_cast<float>(r.tidal)));
  w.set(kVentMinute, ResultText(static_cast<float>(r.minute)));
  w.set(kVentExtraction, ResultText(static_cast<float>(r.extraction)));
}

}  // namespace

void VENTILATION() {
  CalculatorWindow w({.title = " Vt, Vmin, Oxygen Extraction ", .width = 560, .height = 430, .helpSubject = 236});
  EmbossPrint(1, "Ventilation from open-flow plethysmography", 18, 20, 30);

  if (BodyTemperature == 0.0f) BodyTemperature = 37.0f;
  // Without a file the pressure starts at sea level.
  if (vBP == 0.0f) vBP = CalculatorSlot() >= 0 ? CalculatorFileInfo(kInfoPressure) : 760.0f;
  struct Row {
    const char* base;
    const char* sub;
    const char* tail;
    int16_t id;
    std::string text;
    const char* unit;
  };
  const Row left[] = {
      {"VO", "2", ":", kVentVO2, "1", "ml/min STP"},
      {"inhaled O", "2", " concentration:", kVentFiO2, withoutLeadingBlanks(StringFormatter(FiO2)), "%"},
      {"T", "b", ":", kVentTb, InputText(BodyTemperature), "\xA1" "C"},
      {"T", "a", ":", kVentTa, InputText(vTa), "\xA1" "C"},
      {"pressure:", "", "", kVentPressure, InputText(vBP), "torr"},
      {"delta-P:", "", "", kVentDeltaP, InputText(deltaP), "mm H2O"},
      {"RH:", "", "", kVentRH, InputText(vRH), "%"},
      {"t,RH:", "", "", kVentTRH, "20", "\xA1" "C"},
  };
  const Row right[] = {
      {"calibration volume:", "", "", kVentCalVol, InputText(calVol), "ml"},
      {"calibration gain:", "", "", kVentCalGain, InputText(calGain), ""},
      {"calibration volts:", "", "", kVentCalVolts, InputText(calDef), ""},
      {"sample gain:", "", "", kVentSampGain, InputText(sampGain), ""},
      {"sample volts:", "", "", kVentSampVolts, InputText(sampDef), ""},
      {"frequency:", "", "", kVentFrequency, "1", "Hz"},
  };
  int y = 64;
  for (const Row& r : left) {
    w.subscript(14, y + 14, r.base, r.sub, r.tail);
    w.input(r.id, r.text, {180, y, 240, y + 18});
    w.label(244, y + 14, r.unit);
    y += 28;
  }
  y = 64;
  for (const Row& r : right) {
    w.label(330, y + 14, r.base);
    w.input(r.id, r.text, {460, y, 520, y + 18});
    w.label(524, y + 14, r.unit);
    y += 28;
  }
  DoubleLINE(10, 550, 298);
  const struct {
    const char* base;
    const char* sub;
    int16_t id;
    int16_t fore;
    const char* unit;
  } results[] = {{"V", "t", kVentTidal, 1, "ml"}, {"V", "min", kVentMinute, 2, "ml/min"}, {"EO", "2", kVentExtraction, 3, "%"}};
  y = 308;
  for (const auto& r : results) {
    w.subscript(20, y + 16, r.base, r.sub, " = ", 14);
    // Room for the formatter's longest text, a signed ten-digit value in exponent form.
    w.output(r.id, "**", {90, y, 256, y + 22}, r.fore, 5, 14, true);
    w.label(262, y + 16, r.unit);
    y += 30;
  }
  w.button(kVentHelp, "?", {330, 320, 360, 342});
  w.button(kVentDone, "Done", {380, 390, 540, 412});
  w.button(kVentCalculate, "Calculate", {380, 320, 540, 342}, true);
  w.focus(kVentVO2);

  for (;;) {
    const CalcEvent e = w.next();
    if (!w.open() || e.closeBox() || e.click(kVentDone)) break;
    if (e.returnKey() || e.click(kVentCalculate)) {
      VENTCALC(w);
      upvip();
      w.focus(kVentVO2);
    } else if (e.click(kVentHelp)) {
      w.help();
    } else if (e.fieldClick()) {
      w.focus(e.id);
    } else if (e.otherActivated() || e.otherClosed()) {
      // The window stays modal.
      w.bringBack();
    }
    w.done();
  }
}

// ---- Closed system ----------------------------------------------------------------------------

namespace {

void ClosedSystemRespCalc(CalculatorWindow& w, bool absorbed, bool useRQ) {
  ClosedSystemInput in;
  in.volume = w.fnum(kCsVolume);
  in.t = w.fnum(kCsTemperature);
  in.pb = w.fnum(kCsPressure);
  in.rh = w.fnum(kCsHumidity);
  in.hours = w.fnum(kCsHours);
  in.minutes = w.fnum(kCsMinutes);
  in.dO2 = w.fnum(kCsDeltaO2);
  in.dCO2 = w.fnum(kCsDeltaCO2);
  in.rq = w.fnum(kCsRQ);
  in.fio2 = w.fnum(kCsFiO2);
  in.fico2 = w.fnum(kCsFiCO2);
  in.absorbed = absorbed;
  in.useRQ = useRQ;
  ClosedSystemResult r;
  if (!ResultAccepted(w, CheckedClosedSystem(in, &r), {kCsVO2, kCsVO2Rate, kCsVCO2, kCsVCO2Rate})) return;
  // Accepted, the typed concentrations are percentages: the shared ones.
  FiO2 = in.fio2;
  FiCO2 = in.fico2;
  w.set(kCsVO2, ResultText(static_cast<float>(r.vo2)));
  w.set(kCsVO2Rate, ResultText(static_cast<float>(r.vo2Rate)));
  w.set(kCsVCO2, ResultText(static_cast<float>(r.vco2)));
  w.set(kCsVCO2Rate, ResultText(static_cast<float>(r.vco2Rate)));
  w.focus(kCsDeltaO2);
}

bool emptyOrZero(const CalculatorWindow& w, int16_t field) {
  return TrimTrailingBlanks(w.text(field)).empty() || w.num(field) == 0.0;
}

}  // namespace

void ClosedSystemRespirometry() {
  CalculatorWindow w({.title = "Closed System Respirometry", .width = 600, .height = 420, .helpSubject = 235});
  putCICON(129, 12, 44);
  w.label(56, 32, "Assumes chamber gas is dried before measurement", 14, true);

  const struct {
    const char* label;
    int16_t id;
    const char* text;
    int x, y;
  } fields[] = {
      {"temperature (\xA1" "C):", kCsTemperature, "20", 20, 60},   {"pressure (torr):", kCsPressure, "760", 260, 60},
      {"initial humidity (%):", kCsHumidity, "0", 20, 88},       {"system volume (ml):", kCsVolume, "1000", 260, 88},
      {"elapsed time     hours:", kCsHours, "1", 20, 116},        {"minutes:", kCsMinutes, "22", 260, 116},
      {"change in O2 concentration (%): ", kCsDeltaO2, ".5", 20, 206},
      {"change in CO2 concentration (%): ", kCsDeltaCO2, ".5", 20, 234},
      {"RQ:", kCsRQ, ".85", 20, 262},
  };
  for (const auto& f : fields) {
    w.label(f.x, f.y + 14, f.label);
    const int fx = f.y >= 200 ? f.x + 230 : f.x + 150;
    w.input(f.id, f.text, {fx, f.y, fx + 70, f.y + 18});
  }
  DoubleLINE(10, 590, 146);
  w.label(20, 172, "Initial concentrations    FiO2: ");
  w.input(kCsFiO2, "20.95", {220, 158, 280, 176});
  w.label(284, 172, "%      FiCO2: ");
  w.input(kCsFiCO2, ".038", {380, 158, 440, 176});
  w.label(444, 172, "%");
  DoubleLINE(10, 590, 192);
  w.checkBox(kCsAbsorbed, "For VO2, CO2 is Absorbed", {340, 206, 535, 224}, true);
  w.radio(kCsUseCO2, "Use [CO2] ", {340, 234, 430, 252}, true);
  w.radio(kCsUseRQ, "Use RQ", {440, 234, 520, 252}, false);
  DoubleLINE(10, 590, 290);
  // Each result field holds the longest text of its formatter whole, a
  // signed ten-digit value in exponent form ("-3.402823466e+38").
  w.subscript(20, 320, "VO", "2", " = ", 16);
  w.output(kCsVO2, "1", {92, 302, 276, 326}, 2, 8, 16, true);
  w.label(280, 320, " ml, or ", 14);
  w.output(kCsVO2Rate, "1", {338, 302, 522, 326}, 2, 8, 16, true);
  w.label(526, 320, " ml/min", 14);
  w.subscript(20, 354, "VCO", "2", " = ", 16);
  w.output(kCsVCO2, "1", {92, 336, 276, 360}, 2, 8, 16, true);
  w.label(280, 354, " ml, or ", 14);
  w.output(kCsVCO2Rate, "1", {338, 336, 522, 360}, 2, 8, 16, true);
  w.label(526, 354, " ml/min", 14);
  w.button(kCsHelp, "?", {20, 384, 50, 406});
  w.button(kCsDone, "Done", {360, 384, 450, 406});
  w.button(kCsCalculate, "Calculate", {470, 384, 590, 406}, true);

  bool absorbed = true, useRQ = false;
  ClosedSystemRespCalc(w, absorbed, useRQ);

  for (;;) {
    // Without a change in CO2 only the RQ form is left; without a change in
    // O2 the RQ gives VCO2.
    if (emptyOrZero(w, kCsDeltaO2)) useRQ = true;
    if (emptyOrZero(w, kCsDeltaCO2)) {
      w.enable(kCsUseCO2, false);
      w.enable(kCsAbsorbed, false);
      w.mark(kCsUseRQ, true);
      useRQ = true;
    } else {
      w.enable(kCsUseCO2, true);
      w.enable(kCsAbsorbed, true);
      w.mark(kCsAbsorbed, absorbed);
      w.mark(kCsUseRQ, useRQ);
      w.mark(kCsUseCO2, !useRQ);
    }
    const CalcEvent e = w.next();
    if (!w.open() || e.closeBox() || e.click(kCsDone) || e.plotActivated()) break;
    if (e.returnKey() || e.click(kCsCalculate)) {
      ClosedSystemRespCalc(w, absorbed, useRQ);
    } else if (e.click(kCsAbsorbed)) {
      absorbed = !absorbed;
      ClosedSystemRespCalc(w, absorbed, useRQ);
    } else if (e.click(kCsUseCO2) || e.click(kCsUseRQ)) {
      useRQ = e.id == kCsUseRQ;
      ClosedSystemRespCalc(w, absorbed, useRQ);
    } else if (e.click(kCsHelp)) {
      w.help();
    } else if (e.otherActivated()) {
      w.bringBack();
    }
    w.done();
  }
  StoreLastResult(w, kCsVCO2Rate);
}

// ---- Dissolved oxygen -------------------------------------------------------------------------

namespace {

struct DissolvedInputs {
  float t = 0, volume = 0, pb = 0, gas = 0, solutes = 0, saturation = 0;
};

void showContent(CalculatorWindow& w, const DissolvedInputs& in, bool mg) {
  O2Content c;
  const CheckedResult checked =
      CheckedDissolvedOxygen(in.t, in.volume, in.pb, in.gas, in.solutes, in.saturation, mg, &c);
  if (!ResultAccepted(w, checked, {kDoPerLitre, kDoSum})) return;
  if (AcceptableSolutes(in.solutes)) salinity = in.solutes;
  else Zap();
  w.set(kDoPerLitre, FieldNumText(c.perLitre));
  w.set(kDoSum, FieldNumText(c.inVolume));
}

DissolvedInputs readInputs(const CalculatorWindow& w) {
  DissolvedInputs in;
  in.t = w.fnum(kDoTemperature);
  in.volume = w.fnum(kDoVolume);
  in.pb = w.fnum(kDoPressure);
  in.gas = w.fnum(kDoGas);
  in.solutes = w.fnum(kDoSolutes);
  in.saturation = w.fnum(kDoSaturation);
  return in;
}

}  // namespace

void DissolvedO2CALC() {
  CalculatorWindow w({.title = "Dissolved Oxygen Content of Water", .width = 440, .height = 330, .helpSubject = 248});
  const float t = FillCalculatorFileInfo(kInfoTemperature, 10.0f);
  const float volume = FillCalculatorFileInfo(kInfoEffectiveVolume, 10000.0f);
  const float pb = FillCalculatorFileInfo(kInfoPressure, 760.0f);

  const struct {
    int16_t id;
    std::string text;
  } inputs[] = {{kDoTemperature, InputText(t)}, {kDoVolume, InputText(volume)}, {kDoPressure, InputText(pb)},
                {kDoGas, "20.95"}, {kDoSolutes, InputText(salinity)}, {kDoSaturation, "100"}};
  w.label(20, 30, "temp. (\xA1" "C):");
  w.label(20, 58, "volume (ml):");
  w.label(20, 86, "B.P. (torr):");
  w.subscript(20, 114, "gas phase %O", "2", ":");
  w.label(20, 142, "dissolved solutes (parts/thousand):");
  w.label(20, 170, "% oxygen saturation:");
  int y = 16;
  for (const auto& f : inputs) {
    w.input(f.id, f.text, {270, y, 350, y + 18});
    y += 28;
  }
  DoubleLINE(10, 430, 190);
  w.label(20, 214, "oxygen content in:");
  w.radio(kDoMl, "ml STP", {150, 200, 230, 218}, true);
  w.radio(kDoMg, "mg", {240, 200, 300, 218}, false);
  w.subscript(20, 248, "O", "2", "  content/L:", 14);
  // Room for the longest text of a float, in exponent form.
  w.output(kDoPerLitre, " ", {150, 232, 300, 254}, 2, 8, 14, true);
  w.output(kDoPerLitreUnit, "ml/L STP", {306, 234, 390, 252}, 1, 7);
  w.subscript(20, 280, "\xB7 O", "2", "  content:", 14);
  w.output(kDoSum, " ", {150, 264, 300, 286}, 2, 8, 14, true);
  w.output(kDoSumUnit, "ml STP", {306, 266, 390, 284}, 1, 7);
  w.button(kDoHelp, "?", {20, 298, 50, 320});
  w.button(kDoSumOnly, "\xB7 O2 only", {120, 298, 210, 320});
  w.button(kDoDone, "Done", {220, 298, 300, 320});
  w.button(kDoContent, "O2 Content", {320, 298, 430, 320}, true);

  bool mg = false;
  DissolvedInputs last = readInputs(w);
  showContent(w, last, mg);
  plat::clearFieldFocus(kCalculatorWindow);

  for (;;) {
    const CalcEvent e = w.next();
    if (!w.open() || e.closeBox() || e.click(kDoDone) || e.otherActivated()) break;
    if (e.returnKey() || e.click(kDoContent) || e.click(kDoSumOnly)) {
      last = readInputs(w);
      showContent(w, last, mg);
      plat::clearFieldFocus(kCalculatorWindow);
    } else if (e.click(kDoMl) || e.click(kDoMg)) {
      mg = e.id == kDoMg;
      w.mark(kDoMl, !mg);
      w.mark(kDoMg, mg);
      w.set(kDoPerLitreUnit, mg ? "mg/L" : "ml/L STP");
      w.set(kDoSumUnit, mg ? "mg" : "ml STP");
      showContent(w, last, mg);
    } else if (e.click(kDoHelp)) {
      w.help();
    }
    w.done();
  }
  StoreLastResult(w, kDoPerLitre);
}
