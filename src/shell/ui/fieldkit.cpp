#include "shell/ui/fieldkit.h"

#include "platform/windows.h"
#include "shell/defaults.h"
#include "shell/textutil.h"

plat::FontSpec OrrelinFace(int size, bool bold) {
  plat::FontSpec f;
  f.family = std::to_string(OrrelinFont);
  f.pixelSize = size;
  f.bold = bold;
  return f;
}

void AddLabel(int win, int16_t id, const std::string& text, plat::Rect r, plat::Rgb16 fore, int size, bool bold) {
  plat::FieldSpec f;
  f.id = id;
  f.text = text;
  f.r = r;
  f.kind = plat::FieldKind::Static;
  f.framed = false;
  f.font = OrrelinFace(size, bold);
  f.fore = fore;
  f.back = plat::background(win);
  plat::removeControl(win, id);
  plat::addField(win, f);
}

void AddPlainLabel(int win, int16_t id, const std::string& text, plat::Rect r, int size, bool bold, plat::Rgb16 fore,
                   bool wrap) {
  plat::FieldSpec f;
  f.id = id;
  f.text = text;
  f.r = r;
  f.kind = plat::FieldKind::Static;
  f.framed = false;
  f.wrap = wrap;
  f.font.pixelSize = size;
  f.font.bold = bold;
  f.fore = fore;
  f.back = plat::background(win);
  plat::addField(win, f);
}

void AddTextField(int win, int16_t id, const std::string& text, plat::Rect r, plat::FieldKind kind, plat::Rgb16 fore,
                  plat::Rgb16 back, int size, bool bold) {
  plat::FieldSpec f;
  f.id = id;
  f.text = text;
  f.r = r;
  f.kind = kind;
  f.fore = fore;
  f.back = back;
  f.font.pixelSize = size;
  f.font.bold = bold;
  plat::removeControl(win, id);
  plat::addField(win, f);
}

void AddKitButton(int win, int16_t id, plat::ButtonKind kind, const std::string& title, plat::Rect r, int state) {
  plat::ButtonSpec b;
  b.id = id;
  b.kind = kind;
  b.title = title;
  b.r = r;
  b.state = state;
  plat::addButton(win, b);
}

void SetFieldIfPresent(int win, int16_t id, const std::string& text) {
  if (plat::windowExists(win) && plat::controlExists(win, id)) plat::setFieldText(win, id, text);
}

float FieldValue(int win, int16_t id) {
  if (!plat::windowExists(win) || !plat::controlExists(win, id)) return 0.0f;
  return static_cast<float>(TextToNum(plat::fieldText(win, id)));
}
