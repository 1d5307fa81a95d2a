// Small builders the thermoregulation windows share: buttons, labels and
// fields by id in a numbered window.
#pragma once
#include <cstdint>
#include <string>

#include "platform/controls.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"

namespace treg {

inline void button(int win, int16_t id, const std::string& title, plat::Rect r, int state = 1,
                   plat::ButtonKind kind = plat::ButtonKind::Push) {
  AddKitButton(win, id, kind, title, r, state);
}
inline void check(int win, int16_t id, const std::string& title, plat::Rect r, bool on) {
  button(win, id, title, r, on ? 2 : 1, plat::ButtonKind::CheckBox);
}
inline void radio(int win, int16_t id, const std::string& title, plat::Rect r, bool on) {
  button(win, id, title, r, on ? 2 : 1, plat::ButtonKind::Radio);
}
inline void label(int win, int16_t id, const std::string& text, plat::Rect r, int size = 12, bool bold = false,
                  plat::Rgb16 fore = kBlack) {
  AddPlainLabel(win, id, text, r, size, bold, fore);
}
inline void edit(int win, int16_t id, const std::string& text, plat::Rect r) {
  AddTextField(win, id, text, r, plat::FieldKind::Editable, kBlack, lightBlue);
}
inline void result(int win, int16_t id, plat::Rect r, plat::Rgb16 back = manila) {
  plat::FieldSpec f;
  f.id = id;
  f.r = r;
  f.kind = plat::FieldKind::Static;
  f.back = back;
  f.align = plat::Align::Right;
  plat::addField(win, f);
}
inline bool marked(int win, int16_t id) { return plat::buttonState(win, id) == 2; }
inline void mark(int win, int16_t id, bool on) {
  if (plat::buttonState(win, id) > 0) plat::setButtonState(win, id, on ? 2 : 1);
}
inline double value(int win, int16_t id) { return TextToNum(plat::fieldText(win, id)); }

}  // namespace treg
