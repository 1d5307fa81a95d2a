#include "editing/ui/calibsetup.h"

#include <string>
#include <vector>

#include "editing/ui/editframe.h"
#include "output/scaling.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/menus.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "shell/globals.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

const char* const kTypeNames[5] = {"", "linear", "2-way poly", "power", "exponential"};

void button(int win, int16_t id, const std::string& title, plat::Rect r, plat::ButtonKind kind = plat::ButtonKind::Push) {
  AddKitButton(win, id, kind, title, r);
}

void field(int win, int16_t id, const std::string& t, plat::Rect r, bool bold = false) {
  plat::FieldSpec f;
  f.id = id;
  f.text = t;
  f.r = r;
  f.font.bold = bold;
  plat::addField(win, f);
}

void text(int win, int x, int y, const std::string& t, int size = 12, bool bold = false) {
  DrawDialogText(win, x, y, t, size, bold);
}

float number(int win, int16_t id) {
  double v = 0.0;
  return ParseFieldNumber(plat::fieldText(win, id), &v) ? static_cast<float>(v) : 0.0f;
}

void setRow(int r, int type) {
  const int16_t base = static_cast<int16_t>(202 + 4 * r);
  const int bottom = 164 + 22 * r;
  field(kBreakpointWindow, base, kTypeNames[type], {65, bottom - 16, 180, bottom});
  const char* c = type == 3 ? "1" : "0";
  const std::string v[3] = {"0", "1", c};
  for (int k = 0; k < 3; ++k)
    field(kBreakpointWindow, static_cast<int16_t>(base + 1 + k), v[k], {185 + 130 * k, bottom - 16, 310 + 130 * k, bottom});
}

void showPoly(int degree) {
  constexpr int w = kPolynomialWindow;
  for (int16_t id = 201; id <= 209; ++id) plat::removeControl(w, id);
  plat::Port& p = plat::port(w);
  p.setBackColor(plat::background(w));
  p.clearRect({150, 54, 320, 240});
  for (int k = 1; k <= degree; ++k) {
    text(w, 153, 22 * k + 40, "+", 10);
    text(w, 277, 22 * k + 40, " * x", 10);
    text(w, 295, 22 * k + 36, std::to_string(k), 9);
    field(w, static_cast<int16_t>(200 + k), k == 1 ? "1" : "0", {169, 22 * k + 30, 273, 22 * k + 46}, true);
  }
}

}  // namespace

Breakpoint BREAKPOINT() {
  HelpSubject = kBreakpointHelp;
  constexpr int w = kBreakpointWindow;
  BuildWINDOW(0, w, " Breakpoint Transformations Setup ", 19, static_cast<int16_t>(std::max(40, BottomOfPlotArea - 180)), 605,
              static_cast<int16_t>(std::max(40, BottomOfPlotArea - 180) + 230), kKindDocument, 1);
  plat::setCurrentPort(w);
  upvip();
  Breakpoint bp;
  field(w, kBpValue, "1", {450, 5, 550, 21});
  text(w, 355, 19, "breakpoint:");
  text(w, 45, 26, "Equation type:");
  const char* radios[4] = {"linear;", "2-way Poly;", "Power;", "Exponential;"};
  const char* eqs[4] = {"a + b * volts", "a + b * volts + c * volts^2", "a + b * volts^c", "a + b * e^(c * volts)"};
  for (int k = 0; k < 4; ++k) {
    button(w, static_cast<int16_t>(51 + k), radios[k], {15, 35 + 20 * k, 128, 51 + 20 * k}, plat::ButtonKind::Radio);
    text(w, 135, 48 + 20 * k, eqs[k]);
  }
  plat::setButtonState(w, 51, 2);
  button(w, kBpLowerRow, "Use This Equation for Data < Breakpoint", {294, 49, 565, 69});
  button(w, kBpUpperRow, "Use This Equation for Data \xB3 Breakpoint", {294, 79, 565, 99});
  button(w, kBpHelp, "?", {290, 198, 340, 218});
  button(w, kBpOK, "OK to Transform", {360, 198, 570, 218}, plat::ButtonKind::DefaultPush);
  text(w, 80, 139, "equation type            'a ' value              'b ' value             'c ' value", 11, true);
  text(w, 16, 159, "< bkpt:");
  text(w, 16, 181, "\xB3 bkpt:");
  setRow(0, 1);
  setRow(1, 1);
  int type = 1;
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(w) || (a == kActionClose && id == w)) break;
    if (a == kActionKey && (id == '?' || id == '/')) plat::openHelp(kBreakpointHelp);
    if (a != kActionClick) continue;
    if (id >= 51 && id <= 54) {
      plat::setButtonState(w, static_cast<int16_t>(50 + type), 1);
      type = id - 50;
      plat::setButtonState(w, id, 2);
    } else if (id == kBpLowerRow || id == kBpUpperRow) {
      setRow(id - kBpLowerRow, type);
      (id == kBpLowerRow ? bp.lowerType : bp.upperType) = static_cast<float>(type);
    } else if (id == kBpHelp) {
      plat::openHelp(kBreakpointHelp);
    } else if (id == kBpOK) {
      break;
    }
  }
  if (plat::windowExists(w)) {
    bp.value = number(w, kBpValue);
    bp.lowerA = number(w, 203);
    bp.lowerB = number(w, 204);
    bp.lowerC = number(w, 205);
    bp.upperA = number(w, 207);
    bp.upperB = number(w, 208);
    bp.upperC = number(w, 209);
  }
  plat::disposeWindow(w);
  downvip();
  return bp;
}

void POLYNOMIAL(int16_t chan1, TransformSettings* s) {
  HelpSubject = kPolynomialHelp;
  constexpr int w = kPolynomialWindow;
  if (!plat::menuDefined(kPolyDegreePopup)) {
    const char* const ordinal[9] = {"1st", "2nd", "3rd", "4th", "5th", "6th", "7th", "8th", "9th"};
    std::vector<plat::MenuItemSpec> items(9);
    for (int k = 0; k < 9; ++k) items[static_cast<size_t>(k)].title = ordinal[k];
    plat::defineMenu(kPolyDegreePopup, "Degree", items);
  }
  const int top = std::max(40, BottomOfPlotArea + 5 - 250);
  BuildWINDOW(0, w, " Polynomial Transform, Channel" + NumText(chan1) + " ", 323, static_cast<int16_t>(top), 639,
              static_cast<int16_t>(top + 299), kKindDocument, 1);
  plat::setCurrentPort(w);
  int degree = 1;
  text(w, 6, 30, " Use", 12, true);
  text(w, 147, 30, "degree Polynomial", 12, true);
  plat::addPopup(w, kPolyDegreePopup, kPolyDegreePopup, 1, {50, 14, 143, 35});
  text(w, 5, 64, "Equation = ");
  button(w, kPolyOK, "Polynomial OK", {150, 263, 285, 283}, plat::ButtonKind::DefaultPush);
  showPoly(degree);
  field(w, kPolyConstant, "0", {76, 50, 156, 68});
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(w) || (a == kActionClose && id == w)) break;
    // A click elsewhere leaves the typed coefficients waiting in front; only
    // OK, Return or Enter takes them.
    if (a == kActionActivate && id != w) {
      plat::selectWindow(w);
      continue;
    }
    if (a == kActionKey) {
      if (id == '?' || id == '/') plat::openHelp(kPolynomialHelp);
      if (id == 13 || id == 3 || id == 27) break;
      continue;
    }
    if (a != kActionClick) continue;
    if (id == kPolyDegreePopup) {
      const int v = plat::popupValue(w, id);
      degree = v >= 1 && v <= 9 ? v : 1;
      showPoly(degree);
      plat::focusField(w, kPolyConstant, true);
    } else if (id == kPolyOK) {
      break;
    }
  }
  s->polyDegree = static_cast<int16_t>(degree);
  for (int k = 1; k <= 10; ++k) s->polyVal[k] = 0.0f;
  if (plat::windowExists(w)) {
    for (int k = 1; k <= degree; ++k) s->polyVal[k] = number(w, static_cast<int16_t>(200 + k));
    s->polyVal[10] = number(w, kPolyConstant);
  } else {
    s->polyVal[1] = 1.0f;
  }
  plat::disposeWindow(w);
}
