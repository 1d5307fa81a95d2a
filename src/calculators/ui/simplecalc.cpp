#include "calculators/ui/simplecalc.h"

#include <string>

#include "calculators/calcstate.h"
#include "calculators/rpn.h"
#include "calculators/ui/calcwindow.h"
#include "output/results.h"
#include "output/ui/scaleresults.h"
#include "platform/events.h"
#include "platform/sound.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/sounds.h"

namespace {

struct PadButton {
  int16_t id;
  const char* title;
};

// Mac Roman: \xD6 division sign, \xC3 square root, \xB9 pi.
constexpr PadButton kPad[5][5] = {
    {{kRpnAdd, "X + Y"}, {kRpnSubtract, "X - Y"}, {kRpnMultiply, "X * Y"}, {kRpnDivide, "X \xD6 Y"},
     {kRpnReciprocal, "1/X"}},
    {{kRpnLn, "ln X"}, {kRpnExp, "e^X"}, {kRpnLog, "log X"}, {kRpnTenPower, "10^X"}, {kRpnRoot, "\xC3 X"}},
    {{kRpnSquare, "x^2"}, {kRpnPower, "X^Y"}, {kRpnXFromY, "X=Y"}, {kRpnYFromX, "Y=X"}, {kRpnPi, "Y = \xB9"}},
    {{kRpnDiv10, "X\xD6" "10"}, {kRpnMul10, "X*10"}, {kRpnDiv60, "X\xD6" "60"}, {kRpnMul60, "X*60"},
     {kRpnDiv24, "X\xD6" "24"}},
    {{kRpnMul24, "X*24"}, {kRpnDiv760, "X\xD6" "760"}, {kRpnDiv101, "X\xD6" "101.325"},
     {kRpnDiv273, "X\xD6" "273.1"}, {kRpnAdd273, "X+273.1"}},
};

constexpr PadButton kGeometry[] = {
    {kRpnCircumference, "Circumferance of a Circle with Radius X   (2 \xB9 r) "},
    {kRpnCircleArea, "Area of a Circle with Radius X (\xB9 r^2) "},
    {kRpnCylinder, "Cylinder Volume,  Radius X and Height Y   (\xB9 r^2 h) "},
    {kRpnSphereSurface, "Surface Area of a Sphere with Radius X   (4 \xB9 r^2) "},
    {kRpnSphereVolume, "Volume of a Sphere with Radius X   (4/3 \xB9 r^3) "},
};

void build(CalculatorWindow& w, bool haveFile) {
  w.label(18, 42, "X value:", 16);
  w.label(18, 82, "Y value:", 16);
  const float last = LastCalculatorResult;
  // Wide enough for "***  MATH ERROR !!  ***" at this size, first star too.
  w.input(kRpnYField, "0", {110, 62, 506, 90}, 18);
  plat::setFieldColors(kCalculatorWindow, kRpnYField, EFForeRgb(3), EFBackRgb(1));
  w.input(kRpnXField, last != 0.0f ? InputText(last) : "1", {110, 22, 506, 50}, 18);
  plat::setFieldColors(kCalculatorWindow, kRpnXField, EFForeRgb(2), EFBackRgb(8));

  DoubleLINE(10, 510, 102);
  GrayBOX(1, 110, 106, 410, 126);
  w.label(120, 121, "Use the '_' key for ", 12, false, OldStyleColour(4));
  w.label(236, 121, "subtraction ", 12, true, OldStyleColour(6));
  w.label(318, 121, "in RPN", 12, false, OldStyleColour(4));
  DoubleLINE(10, 510, 130);

  for (int row = 0; row < 5; ++row)
    for (int col = 0; col < 5; ++col) {
      const PadButton& b = kPad[row][col];
      const int x = 12 + col * 100, y = 140 + row * 28;
      w.button(b.id, b.title, {x, y, x + 94, y + 22});
    }
  for (int i = 0; i < 5; ++i) {
    const int y = 286 + i * 26;
    w.button(kGeometry[i].id, kGeometry[i].title, {12, y, 506, y + 22});
  }
  w.button(kRpnLastMean, "X = Last Result Mean", {12, 422, 170, 444});
  w.button(kRpnStoreX, "Store X Value...", {178, 422, 318, 444});
  w.button(kRpnHelp, "?", {326, 422, 356, 444});
  w.button(kRpnDone, "Done", {412, 422, 506, 444}, true);
  if (meanValue == 0.0) w.enable(kRpnLastMean, false);
  // Scaling factors belong to a file.
  if (!haveFile) w.enable(kRpnStoreX, false);
}

double fieldX(const CalculatorWindow& w) { return w.num(kRpnXField); }
double fieldY(const CalculatorWindow& w) { return w.num(kRpnYField); }

// "***  MATH ERROR !!  ***" flashed six times in the X field, whose text
// comes back as it was.
void CALCERROR(CalculatorWindow& w) {
  const std::string kept = w.text(kRpnXField);
  Zap();
  for (int i = 0; i < 6; ++i) {
    w.set(kRpnXField, kRpnMathErrorText);
    plat::delayMs(150);
    w.set(kRpnXField, " ");
    plat::delayMs(150);
  }
  w.set(kRpnXField, kept);
}

void show(CalculatorWindow& w, const RpnOutcome& o) {
  if (o.yChanged) w.set(kRpnYField, o.piText ? std::string("3.1415926") : InputText(o.y));
  w.set(kRpnXField, InputText(o.x));
}

// A typed operator acts only with the focus on Y: X := X op Y.
void HandleMathOperation(CalculatorWindow& w) {
  const int16_t op = MathOperation;
  MathOperation = 0;
  if (w.focused() != kRpnYField) return;
  const RpnOutcome o = RpnApplyOperator(op, fieldX(w), fieldY(w));
  if (o.status == RpnStatus::MathError) {
    CALCERROR(w);
  } else if (o.status == RpnStatus::Ok) {
    show(w, o);
    upvip();
  }
  w.focus(kRpnXField);
}

}  // namespace

void SIMPLECALC() {
  const bool haveFile = CalculatorSlot() >= 0;
  CalculatorWindow w({.title = "Simple math  (RPN for +, _, *, /, ^) ", .width = 518, .height = 456, .helpSubject = 204,
                      .rpnKeys = true});
  wsst();
  build(w, haveFile);
  w.focus(kRpnXField);

  for (;;) {
    const CalcEvent e = w.next();
    if (!w.open() || e.closeBox() || e.click(kRpnDone) || e.otherActivated()) break;
    if (e.returnKey()) {
      w.focus(kRpnYField);
      PlayNamedSound("click");
    } else if (e.tab()) {
      plat::systemBeep();
      w.focus(w.focused() == kRpnXField ? kRpnYField : kRpnXField);
      PlayNamedSound("click");
    } else if (e.click(kRpnHelp)) {
      w.help();
    } else if (e.click(kRpnStoreX)) {
      SCALERESULTS(fieldX(w));
      // The scaling dialog gives the toolbar back; a calculator keeps it hidden.
      HideTheToolBar();
      w.bringBack();
    } else if (e.action == kActionClick && e.id < 142) {
      const RpnOutcome o = RpnApplyButton(e.id, fieldX(w), fieldY(w), meanValue);
      if (o.status == RpnStatus::MathError) CALCERROR(w);
      else if (o.status == RpnStatus::Ok) show(w, o);
    }
    if (MathOperation != 0) HandleMathOperation(w);
    w.done();
  }
  StoreLastResult(w, kRpnXField);
  bup();
}
