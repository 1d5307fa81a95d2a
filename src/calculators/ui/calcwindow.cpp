#include "calculators/ui/calcwindow.h"

#include <algorithm>
#include <cmath>

#include "calculators/calcstate.h"
#include "output/results.h"
#include "output/scaling.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int kLeft = 130;
constexpr int kTop = 70;

void addField(int16_t id, const plat::MacText& text, plat::Rect r, plat::FieldKind kind, int16_t fore,
              int16_t back, int size, bool bold) {
  plat::FieldSpec f;
  f.id = id;
  f.text = text;
  f.r = r;
  f.kind = kind;
  f.framed = kind != plat::FieldKind::Static;
  f.font = OrrelinFace(size, bold);
  f.fore = EFForeRgb(fore);
  f.back = EFBackRgb(back);
  f.wrap = kind == plat::FieldKind::Static;
  plat::addField(kCalculatorWindow, f);
}

void addButton(int16_t id, plat::ButtonKind kind, const plat::MacText& title, plat::Rect r, int state) {
  plat::ButtonSpec b;
  b.id = id;
  b.kind = kind;
  b.title = title;
  b.r = r;
  b.state = state;
  b.font = OrrelinFace(12, false);
  plat::addButton(kCalculatorWindow, b);
}

}  // namespace

std::string InputText(double v) { return FieldNumText(v); }
std::string InputText(float v) { return FieldNumText(v); }
std::string ResultText(float v) { return StringFormatter(v); }

bool ResultAccepted(CalculatorWindow& w, const CheckedResult& r, std::initializer_list<int16_t> results) {
  if (r.ok()) return true;
  for (const int16_t id : results) w.set(id, "");
  ShowAlert(RefusalText(r));
  return false;
}

std::optional<double> ShownNumber(const CalculatorWindow& w, int16_t field) {
  double v = 0.0;
  if (!ParseFieldNumber(w.text(field), &v) || !std::isfinite(static_cast<float>(v))) return std::nullopt;
  return v;
}

void StoreLastResult(const CalculatorWindow& w, int16_t result) {
  if (const std::optional<double> v = ShownNumber(w, result)) LastCalculatorResult = static_cast<float>(*v);
}

void StoreShownResult(const CalculatorWindow& w, int16_t result) {
  if (const std::optional<double> v = ShownNumber(w, result)) meanValue = *v;
  else Zap();
}

CalculatorWindow::CalculatorWindow(const CalculatorSpec& spec) : help_(spec.helpSubject) {
  HelpSubject = spec.helpSubject;
  if (spec.hideToolbar && !ToolbarIsHidden) {
    HideTheToolBar();
    hidToolbar_ = true;
  }
  BuildWINDOW(1, kCalculatorWindow, spec.title, kLeft, kTop, static_cast<int16_t>(kLeft + spec.width),
              static_cast<int16_t>(kTop + spec.height), kKindDocument, 0);
  auto& h = plat::handlers();
  h.menu = KILLSCRIPT_for_Help;
  h.mouse = noMOUSE;
  h.dialog = DoDIALOG;
  h.editKey = spec.rpnKeys ? CALCCHECKRETURN : CHECKRETURN;
  MathOperation = 0;
  ClearMailbox();
}

CalculatorWindow::~CalculatorWindow() {
  plat::disposeWindow(kCalculatorWindow);
  if (hidToolbar_) RestoreTheToolBar();
  MathOperation = 0;
  MenuIDENTIFIER = 0;
  MenuItem = 0;
  ClearMailbox();
}

CalcEvent CalculatorWindow::next() {
  plat::pump();
  CalcEvent e{action, eventID};
  if (!open() && e.action == 0) e = {kActionClose, kCalculatorWindow};
  if (open()) plat::setCurrentPort(kCalculatorWindow);
  return e;
}

void CalculatorWindow::done() { ClearMailbox(); }

bool CalculatorWindow::open() const { return plat::windowExists(kCalculatorWindow); }

void CalculatorWindow::bringBack() {
  if (open()) {
    plat::selectWindow(kCalculatorWindow);
    plat::setCurrentPort(kCalculatorWindow);
  }
}

void CalculatorWindow::help() {
  HelpSubject = help_;
  plat::openHelp(help_);
  bringBack();
}

void CalculatorWindow::setHelpSubject(int32_t subject) {
  help_ = subject;
  HelpSubject = subject;
}

void CalculatorWindow::label(int x, int y, const plat::MacText& text, int size, bool bold, plat::Rgb16 colour) {
  plat::Port& p = plat::port(kCalculatorWindow);
  p.setFont(OrrelinFace(size, bold));
  p.setForeColor(colour);
  p.moveTo(x, y);
  p.drawText(text);
  p.setForeColor(kBlack);
}

void CalculatorWindow::subscript(int x, int y, const plat::MacText& base, const plat::MacText& sub,
                                 const plat::MacText& tail, int size) {
  plat::Port& p = plat::port(kCalculatorWindow);
  p.setFont(OrrelinFace(size, false));
  p.setForeColor(kBlack);
  p.moveTo(x, y);
  p.drawText(base);
  const int subX = x + p.textWidth(base);
  p.setFont(OrrelinFace(std::max(8, size - 3), false));
  p.moveTo(subX, y + 4);
  p.drawText(sub);
  const int tailX = subX + p.textWidth(sub);
  p.setFont(OrrelinFace(size, false));
  p.moveTo(tailX, y);
  p.drawText(tail);
}

void CalculatorWindow::input(int16_t id, const plat::MacText& text, plat::Rect r, int size) {
  addField(id, text, r, plat::FieldKind::Editable, 1, 1, size, false);
}

void CalculatorWindow::output(int16_t id, const plat::MacText& text, plat::Rect r, int16_t fore, int16_t back,
                              int size, bool bold) {
  addField(id, text, r, plat::FieldKind::Static, fore, back, size, bold);
  // A result field is framed like an input so it reads as a value.
  plat::Port& p = plat::port(kCalculatorWindow);
  p.setForeColor(kMediumDarkGray);
  p.strokeRect({r.left - 1, r.top - 1, r.right + 1, r.bottom + 1});
  p.setForeColor(kBlack);
}

void CalculatorWindow::staticText(int16_t id, const plat::MacText& text, plat::Rect r, int size) {
  addField(id, text, r, plat::FieldKind::Static, 1, 7, size, false);
}

void CalculatorWindow::button(int16_t id, const plat::MacText& title, plat::Rect r, bool isDefault) {
  addButton(id, isDefault ? plat::ButtonKind::DefaultPush : plat::ButtonKind::Push, title, r, 1);
}

void CalculatorWindow::radio(int16_t id, const plat::MacText& title, plat::Rect r, bool on) {
  addButton(id, plat::ButtonKind::Radio, title, r, on ? 2 : 1);
}

void CalculatorWindow::checkBox(int16_t id, const plat::MacText& title, plat::Rect r, bool on) {
  addButton(id, plat::ButtonKind::CheckBox, title, r, on ? 2 : 1);
}

void CalculatorWindow::popup(int16_t id, int16_t menu, int16_t item, plat::Rect r) {
  plat::addPopup(kCalculatorWindow, id, menu, item, r);
}

double CalculatorWindow::num(int16_t field) const { return TextToNum(text(field)); }

plat::MacText CalculatorWindow::text(int16_t field) const {
  return open() ? plat::fieldText(kCalculatorWindow, field) : plat::MacText{};
}

void CalculatorWindow::set(int16_t field, const plat::MacText& t) {
  if (open()) plat::setFieldText(kCalculatorWindow, field, t);
}

void CalculatorWindow::focus(int16_t field) {
  if (open()) plat::focusField(kCalculatorWindow, field, true);
  currentEF = field;
}

int16_t CalculatorWindow::focused() const {
  return open() ? static_cast<int16_t>(plat::focusedField(kCalculatorWindow)) : 0;
}

void CalculatorWindow::mark(int16_t b, bool on) {
  if (open() && plat::buttonState(kCalculatorWindow, b) != 0) plat::setButtonState(kCalculatorWindow, b, on ? 2 : 1);
}

bool CalculatorWindow::marked(int16_t b) const {
  return open() && plat::buttonState(kCalculatorWindow, b) == 2;
}

void CalculatorWindow::enable(int16_t b, bool on) {
  if (!open()) return;
  const int state = plat::buttonState(kCalculatorWindow, b);
  if (on && state == 0) plat::setButtonState(kCalculatorWindow, b, 1);
  if (!on) plat::setButtonState(kCalculatorWindow, b, 0);
}

int16_t CalculatorWindow::popupItem(int16_t id) const {
  return open() ? static_cast<int16_t>(plat::popupValue(kCalculatorWindow, id)) : 0;
}
