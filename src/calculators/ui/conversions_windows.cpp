#include "calculators/ui/conversions_windows.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "calculators/calcmenus.h"
#include "calculators/calcstate.h"
#include "calculators/conversions.h"
#include "calculators/fieldcheck.h"
#include "calculators/ui/calcwindow.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/sounds.h"

// ---- Unit conversions --------------------------------------------------------------------

namespace {

constexpr const char* kCategories[] = {"Energy, Power, Heat, Temperature", "Speed, Distance, Time, Area",
                                       "Mass, Volume, Light Intensity", "Pressure, Water Vapor Density"};
constexpr plat::Rect kPopupRect{262, 40, 550, 62};

void ConversionsCALCULATIONS(CalculatorWindow& w, int16_t menu, int16_t item) {
  const ConversionResult r = Convert(menu, item, w.fnum(kConvInput));
  w.set(kConvNote, " ");
  if (r.row) {
    w.set(kConvFromUnit, r.row->from);
    w.set(kConvToUnit, r.row->to);
    if (r.row->note) w.set(kConvNote, r.row->note);
  }
  if (ResultAccepted(w, CheckedConversion(r, w.fnum(kConvInput)), {kConvResult})) w.set(kConvResult, r.nil ? std::string("nil") : ResultText(r.y));
}

}  // namespace

void UnitCONVERSIONS() {
  CalculatorWindow w({.title = "Unit Interconversions", .width = 560, .height = 280, .helpSubject = 237});

  EmbossPrint(1, "Unit category:", 16, 20, 26);
  for (int16_t c = 0; c < 4; ++c)
    w.radio(kConvFirstCategory + c, kCategories[c], {20, 36 + 24 * c, 240, 54 + 24 * c}, c == 0);
  int16_t category = kFirstConversionMenu;
  w.popup(kConvPopup, category, 1, kPopupRect);
  plat::Port& p = plat::port(kCalculatorWindow);
  p.setForeColor(darkGray);
  p.moveTo(10, 138);
  p.lineTo(550, 138);
  p.setForeColor(kBlack);
  w.output(kConvFromUnit, "joules", {20, 146, 250, 164}, 1, 7);
  w.output(kConvToUnit, "cal", {300, 146, 540, 164}, 1, 7);
  w.input(kConvInput, "1", {20, 170, 250, 194}, 14);
  w.label(264, 188, "= ", 16, true);
  w.output(kConvResult, "", {300, 170, 540, 194}, 2, 8, 14, true);
  w.output(kConvNote, " ", {20, 202, 540, 236}, 1, 7, 11);
  w.button(kConvSwap, "Swap Values", {20, 246, 120, 268});
  w.button(kConvStore, "Store Result", {128, 246, 228, 268});
  w.button(kConvHelp, "?", {236, 246, 266, 268});
  w.button(kConvDone, "Done", {330, 246, 420, 268});
  w.button(kConvCompute, "Compute", {430, 246, 540, 268}, true);
  w.focus(kConvInput);
  // Computed once, so that the window opens with the text Compute gives.
  ConversionsCALCULATIONS(w, category, 1);

  for (;;) {
    const CalcEvent e = w.next();
    if (!w.open() || e.closeBox() || e.click(kConvDone) || e.otherActivated()) break;
    if (e.action == kActionClick && e.id >= kConvFirstCategory && e.id < kConvFirstCategory + 4) {
      category = static_cast<int16_t>(kFirstConversionMenu + e.id - kConvFirstCategory);
      for (int16_t c = 0; c < 4; ++c) w.mark(kConvFirstCategory + c, kConvFirstCategory + c == e.id);
      plat::removeControl(kCalculatorWindow, kConvPopup);
      w.popup(kConvPopup, category, 1, kPopupRect);
      ConversionsCALCULATIONS(w, category, 1);
    } else if (e.click(kConvPopup)) {
      ConversionsCALCULATIONS(w, category, w.popupItem(kConvPopup));
      w.focus(kConvInput);
    } else if (e.returnKey() || e.click(kConvCompute)) {
      ConversionsCALCULATIONS(w, category, w.popupItem(kConvPopup));
    } else if (e.click(kConvSwap)) {
      // Only a number swaps: "(swapped)", "nil" or a blank in the input read as 0.
      if (ShownNumber(w, kConvResult)) {
        w.set(kConvInput, TrimTrailingBlanks(w.text(kConvResult)));
        w.set(kConvResult, "(swapped) ");
      } else {
        Zap();
      }
    } else if (e.click(kConvStore)) {
      StoreShownResult(w, kConvResult);
    } else if (e.click(kConvHelp)) {
      w.help();
    }
    w.done();
  }
}

// ---- Day of the year -----------------------------------------------------------------------

namespace {

void computeDay(CalculatorWindow& w) {
  const auto month = static_cast<int16_t>(w.popupItem(kDoyMonthPopup));
  const int32_t day = DayOfYearOfTypedDate(w.num(kDoyDay), month, w.num(kDoyYear));
  // Rewritten only when it changes, so a selection in it stays.
  if (w.num(kDoyResult) != day || TrimTrailingBlanks(w.text(kDoyResult)).empty()) w.set(kDoyResult, NumText(day));
  w.focus(kDoyDay);
}

}  // namespace

void DayOfTheYear() {
  CalculatorWindow w({.title = "Day of the Year", .width = 340, .height = 200, .helpSubject = 237});

  const int16_t slot = CalculatorSlot();
  const DateFields start = DayOfYearStart(slot >= 0 ? std::string_view(StartDate[slot]) : std::string_view(),
                                          TodayMMddyy());
  w.label(20, 36, "Month:");
  w.popup(kDoyMonthPopup, kMonthMenu, start.month, {100, 20, 240, 42});
  w.label(20, 68, "Day:");
  w.input(kDoyDay, start.day, {100, 54, 160, 72});
  w.label(20, 98, "Year:");
  w.input(kDoyYear, start.year, {100, 84, 180, 102});
  w.label(20, 136, "Day of Year:", 14, true);
  w.output(kDoyResult, "", {130, 116, 230, 144}, 2, 5, 18, true);
  w.button(kDoyHelp, "?", {20, 164, 50, 186});
  w.button(kDoyDone, "Done", {140, 164, 220, 186});
  w.button(kDoyCompute, "Compute", {230, 164, 326, 186}, true);
  computeDay(w);

  for (;;) {
    const CalcEvent e = w.next();
    if (!w.open() || e.closeBox() || e.click(kDoyDone) || e.otherActivated()) break;
    if (e.click(kDoyHelp)) w.help();
    else if (e.returnKey() || e.action == kActionClick) computeDay(w);
    else if (e.fieldClick()) w.focus(e.id);
    w.done();
  }
}
