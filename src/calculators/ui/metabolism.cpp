#include "calculators/ui/metabolism.h"

#include <string>

#include "calculators/allometry.h"
#include "calculators/calcstate.h"
#include "calculators/ui/calcwindow.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/sounds.h"

namespace {

struct BmrWindow {
  CalculatorWindow& w;
  int16_t unit = 1;
  bool kg = false;
  bool aFromField = true;
  int16_t shownMenu = kGroupMenu;   // in the taxon pop-up
  int16_t rememberedMenu = kGroupMenu;
  int16_t rememberedItem = 1;
  bool showGeneral = false;
  float aShown = 0.0f;              // a in the output unit, as last shown

  BmrInput input(bool fromField) const {
    BmrInput in;
    in.mass = w.num(kBmrMassField);
    in.kg = kg;
    in.b = w.num(kBmrExponentField);
    in.baseT = w.num(kBmrBaseTField);
    in.realT = w.num(kBmrRealTField);
    in.q10 = w.num(kBmrQ10Field);
    in.valueOfA = LastBmrCoefficient;
    in.fromField = fromField;
    in.fieldA = w.num(kBmrAField);
    in.previousFactor = BMRunitfact;
    in.unit = unit;
    return in;
  }

  void BMRCALC(bool fromField) {
    const BmrResult r = ComputeBmr(input(fromField));
    if (!ResultAccepted(w, r.check, {kBmrResult})) return;
    BMRunitfact = r.factor;
    aShown = r.aShown;
    w.set(kBmrResult, ResultText(r.rate));
    // Whole: the next Compute and Save read the a back from its field.
    w.set(kBmrAField, InputText(r.aShown));
  }
  void recompute() { BMRCALC(false); }

  void showCurrentA() { w.set(kBmrAField, InputText(LastBmrCoefficient * BMRunitfact)); }

  void setEquation(const char* temperature, const char* b, float a) {
    w.set(kBmrBaseTField, temperature);
    w.set(kBmrRealTField, temperature);
    w.set(kBmrExponentField, b);
    LastBmrCoefficient = a;
  }

  void BMR_DATA(int16_t menu, int16_t item) {
    const TaxonMenu* m = FindTaxonMenu(menu);
    if (!m) return;
    w.set(kBmrBaseTField, m->baseT);
    w.set(kBmrRealTField, m->baseT);
    if (item == m->generalItem) {
      showGeneral = true;
      return;
    }
    const TaxonEntry* e = FindTaxonEntry(menu, item);
    if (!e) return;
    w.set(kBmrBaseTField, e->baseT);
    w.set(kBmrRealTField, e->realT);
    w.set(kBmrExponentField, e->b);
    if (e->q10) w.set(kBmrQ10Field, e->q10);
    LastBmrCoefficient = e->a;
  }

  void showTaxonPopup(int16_t menu, int16_t item) {
    shownMenu = menu;
    plat::removeControl(kCalculatorWindow, kBmrTaxonPopup);
    w.popup(kBmrTaxonPopup, menu, item, {20, 44, 330, 66});
  }

  void BMR_INFO(int32_t subject) {
    w.setHelpSubject(subject);
    w.help();
  }

  void groupPick(int16_t item) {
    showCurrentA();
    aFromField = false;
    if (const GeneralEquation* g = FindGeneralEquation(item)) {
      setEquation(g->temperature, g->b, g->a);
      recompute();
    } else if (const int16_t menu = TaxonMenuOfGroupItem(item)) {
      showTaxonPopup(menu, 1);
      w.setHelpSubject(item + 144);
      BMR_DATA(menu, 1);
      recompute();
      rememberedMenu = menu;
      rememberedItem = 1;
    } else if (item == kGroupCustomItem) {
      w.set(kBmrAField, InputText(CustomAllometry[1]));
      w.set(kBmrExponentField, InputText(CustomAllometry[2]));
      LastBmrCoefficient = CustomAllometry[1];
      recompute();
    }
  }

  void taxonPick(int16_t menu, int16_t item) {
    LastMetabolismMENU = rememberedMenu = menu;
    LastMetabolismSUBMENU = rememberedItem = item;
    showCurrentA();
    BMR_DATA(menu, item);
    recompute();
    aFromField = false;
  }

  // The general item of a taxon menu leads back to the general equation.
  void backToGeneral() {
    showTaxonPopup(kGroupMenu, 1);
    setEquation("20", ".751", 0.002647f);
    BMR_INFO(kGeneralHelp);
    w.set(kBmrAField, InputText(aShown));
    recompute();
  }
};

void buildBmr(CalculatorWindow& w, int16_t menu, int16_t item, int16_t unit) {
  EmbossPrint(1, "Select taxon and units:", 18, 20, 32);
  w.popup(kBmrTaxonPopup, menu, item, {20, 44, 330, 66});
  w.popup(kBmrUnitPopup, kUnitMenu, unit, {340, 44, 590, 66});
  // The fields hold the longest text of their formatter whole, a signed
  // ten-digit value in exponent form (" 3.952706506e+16"): the result's
  // 16-point bold takes about 170 pixels.
  w.label(12, 112, "MR = ", 16, true);
  w.output(kBmrResult, "", {64, 94, 244, 118}, 2, 8, 16, true);
  w.label(248, 112, "=", 16);
  w.input(kBmrAField, ".002647", {262, 96, 388, 116});
  w.label(391, 112, "*", 16);
  w.input(kBmrMassField, "1", {402, 96, 510, 116});
  w.label(524, 86, "exponent", 11);
  w.input(kBmrExponentField, ".75", {514, 92, 590, 110});
  w.label(262, 134, "coefficient ( 'a ' value)           *           mass ", 11);
  w.label(20, 168, "mass units:");
  w.radio(kBmrGrams, "g", {100, 154, 140, 172}, true);
  w.radio(kBmrKilograms, "Kg", {144, 154, 190, 172}, false);
  BuildBOX(214, 146, 510, 208);
  w.subscript(222, 168, "base T", "b", ":");
  w.input(kBmrBaseTField, "20", {280, 154, 330, 172});
  w.subscript(346, 168, "real T", "b", ":");
  w.input(kBmrRealTField, "30", {404, 154, 454, 172});
  w.subscript(222, 196, "Q", "10", " = ");
  w.input(kBmrQ10Field, "2.2", {280, 182, 330, 200});
  w.button(kBmrStore, "Store", {20, 230, 90, 252});
  w.button(kBmrSave, "Save", {98, 230, 168, 252});
  w.button(kBmrHelp, "?", {176, 230, 206, 252});
  w.button(kBmrDone, "Done", {390, 230, 480, 252});
  w.button(kBmrCompute, "Compute", {490, 230, 590, 252}, true);
}

}  // namespace

void METABOLISM() {
  const int16_t slot = CalculatorSlot();
  if (slot >= 0 && plat::windowExists(kPlotWindowBase + slot)) plat::selectWindow(kPlotWindowBase + slot);
  CalculatorWindow w({.title = "Resting Metabolism Estimates", .width = 600, .height = 264,
                      .helpSubject = LastBMRHelpText != 0 ? LastBMRHelpText : kGeneralHelp});
  const int16_t unit0 = LastMetabolismUNIT != 0 ? LastMetabolismUNIT : 1;
  const bool reopened = LastMetabolismMENU != 0;
  if (!reopened) LastMetabolismMENU = kGroupMenu;
  const int16_t item0 = LastMetabolismSUBMENU != 0 ? LastMetabolismSUBMENU : 1;
  buildBmr(w, LastMetabolismMENU, item0, unit0);

  BmrWindow b{w};
  b.unit = unit0;
  b.shownMenu = b.rememberedMenu = LastMetabolismMENU;
  b.rememberedItem = item0;
  const float mass = CalculatorFileInfo(kInfoMass);
  if (mass != 0.0f) w.set(kBmrMassField, InputText(mass));
  if (reopened) {
    w.set(kBmrBaseTField, InputText(LastBaseTb));
    w.set(kBmrRealTField, InputText(LastRealTb));
    w.set(kBmrQ10Field, InputText(LastQ10));
    w.set(kBmrMassField, InputText(LastBodyMass));
    w.set(kBmrExponentField, InputText(LastExponent));
  } else {
    w.set(kBmrMassField, "1");
    b.setEquation("20", ".751", 0.002647f);
  }
  b.BMRCALC(false);
  w.enable(kBmrSave, true);
  w.focus(kBmrMassField);

  for (;;) {
    b.showGeneral = false;
    const CalcEvent e = w.next();
    if (!w.open() || e.closeBox() || e.click(kBmrDone)) break;
    if (e.plotActivated() || e.otherClosed()) {
      w.bringBack();
    } else if (e.returnKey()) {
      b.BMRCALC(true);
      plat::flushInput();
    } else if (e.click(kBmrCompute)) {
      b.BMRCALC(true);
      b.aFromField = true;
    } else if (e.click(kBmrStore)) {
      StoreShownResult(w, kBmrResult);
    } else if (e.click(kBmrSave)) {
      // The saved equation is picked back as the custom one: what Compute
      // refuses is refused here, by the same alert.
      if (ResultAccepted(w, ComputeBmr(b.input(true)).check, {kBmrResult})) {
        CustomAllometry[1] = w.fnum(kBmrAField);
        CustomAllometry[2] = w.fnum(kBmrExponentField);
      }
    } else if (e.click(kBmrGrams) || e.click(kBmrKilograms)) {
      const bool kg = e.id == kBmrKilograms;
      w.mark(kBmrGrams, !kg);
      w.mark(kBmrKilograms, kg);
      b.kg = kg;
      b.BMRCALC(b.aFromField);
    } else if (e.click(kBmrUnitPopup)) {
      b.unit = LastMetabolismUNIT = w.popupItem(kBmrUnitPopup);
      b.BMRCALC(true);
      // The custom equation is kept in the base unit only.
      w.enable(kBmrSave, b.unit == 1);
      b.aFromField = true;
    } else if (e.click(kBmrTaxonPopup)) {
      const int16_t item = w.popupItem(kBmrTaxonPopup);
      if (b.shownMenu == kGroupMenu) b.groupPick(item);
      else b.taxonPick(b.shownMenu, item);
    } else if (e.click(kBmrHelp)) {
      b.BMR_INFO(b.w.helpSubject());
    } else if (e.fieldClick()) {
      w.focus(e.id);
    }
    if (b.showGeneral) b.backToGeneral();
    w.done();
  }
  LastBaseTb = w.fnum(kBmrBaseTField);
  LastRealTb = w.fnum(kBmrRealTField);
  LastExponent = w.fnum(kBmrExponentField);
  LastQ10 = w.fnum(kBmrQ10Field);
  LastBodyMass = w.fnum(kBmrMassField);
  LastBMRHelpText = static_cast<int16_t>(w.helpSubject() != 0 ? w.helpSubject() : kGeneralHelp);
  StoreLastResult(w, kBmrResult);
  LastMetabolismMENU = b.rememberedMenu;
  LastMetabolismSUBMENU = b.rememberedItem;
  if (slot >= 0 && plat::windowExists(kPlotWindowBase + slot)) plat::selectWindow(kPlotWindowBase + slot);
}

void Q10adjust() {
  CalculatorWindow w({.title = "Q10 Adjustment", .width = 440, .height = 290, .helpSubject = 249,
                      .hideToolbar = false});
  plat::setCursor(plat::CursorKind::Arrow);
  w.staticText(20, "Adjusts rate functions for effects of temperature using the Q10 rule, or calculates Q10 "
               "from a rate change.    Q10 is the factorial rate change over a temperature difference (\xC6t) of "
               "10 \xA1" "C;  the \xC6t can be positive or negative.",
               {14, 10, 426, 66}, 11);
  w.subscript(20, 96, "Q", "10", ": ", 14);
  w.input(kQ10Field, "2.20", {70, 82, 140, 100});
  w.label(20, 134, "     base temp  \xA1" "C :");
  w.input(kQ10BaseTField, "37", {160, 120, 220, 138});
  // The values hold a float's longest text whole ("-3.40282347e+38").
  w.label(226, 134, "   base value:");
  w.input(kQ10BaseValueField, "1", {320, 120, 432, 138});
  w.label(20, 164, "adjusted temp  \xA1" "C :");
  w.input(kQ10AdjustedTField, "39", {160, 150, 220, 168});
  w.label(226, 164, "adjusted value:");
  // Red on manila, yet typed into to compute Q10.
  w.input(kQ10AdjustedValueField, "1.1708", {320, 150, 432, 168});
  plat::setFieldColors(kCalculatorWindow, kQ10AdjustedValueField, EFForeRgb(2), EFBackRgb(8));
  DoubleLINE(10, 430, 190);
  w.button(kQ10ComputeAdjusted, "Compute Adjusted Value", {14, 204, 214, 226}, true);
  w.button(kQ10ComputeQ10, "Compute Q10", {226, 204, 340, 226});
  w.button(kQ10Help, "?", {350, 204, 380, 226});
  w.button(kQ10Done, "Done", {14, 250, 114, 272});
  auto& h = plat::handlers();
  h.mouse = noMOUSE;
  w.focus(kQ10Field);
  // The adjusted value is handed on as typed unless the last run was
  // refused: Compute Q10 leaves the value it may have refused in its field.
  bool refused = false;

  for (;;) {
    const CalcEvent e = w.next();
    if (!w.open() || e.closeBox() || e.click(kQ10Done) || e.otherActivated()) break;
    if (e.returnKey() || e.click(kQ10ComputeAdjusted)) {
      const CheckedResult r = Q10Adjusted(w.num(kQ10Field), w.num(kQ10BaseTField), w.num(kQ10AdjustedTField),
                                          w.num(kQ10BaseValueField));
      refused = !ResultAccepted(w, r, {kQ10AdjustedValueField});
      if (!refused) w.set(kQ10AdjustedValueField, InputText(static_cast<float>(r.value)));
    } else if (e.click(kQ10ComputeQ10)) {
      const CheckedResult q = Q10FromRates(w.num(kQ10BaseValueField), w.num(kQ10AdjustedValueField),
                                           w.num(kQ10BaseTField), w.num(kQ10AdjustedTField));
      refused = !ResultAccepted(w, q, {kQ10Field});
      if (!refused) w.set(kQ10Field, InputText(static_cast<float>(q.value)));
    } else if (e.tab()) {
      w.focus(w.focused() == kQ10Field ? kQ10BaseTField : kQ10Field);
      PlayNamedSound("click");
    } else if (e.click(kQ10Help)) {
      w.help();
    }
    w.done();
  }
  if (!refused) StoreLastResult(w, kQ10AdjustedValueField);
}
