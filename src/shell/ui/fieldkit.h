// Small builders for the controls of the analysis and editing windows:
// labels are static fields, so they survive every repaint.
#pragma once
#include <cstdint>
#include <string>

#include "platform/controls.h"
#include "platform/types.h"

// The program's own face (Orrelin) at that pixel size.
plat::FontSpec OrrelinFace(int size, bool bold = false);

// A label in the window's ground colour, replacing one of that id.
void AddLabel(int win, int16_t id, const std::string& text, plat::Rect r, plat::Rgb16 fore, int size,
              bool bold = false);
// A label in the window's ground in the application face, replacing one of
// that id; wrapped at the rectangle's width when asked.
void AddPlainLabel(int win, int16_t id, const std::string& text, plat::Rect r, int size = 12, bool bold = false,
                   plat::Rgb16 fore = {0, 0, 0}, bool wrap = false);
void AddTextField(int win, int16_t id, const std::string& text, plat::Rect r, plat::FieldKind kind, plat::Rgb16 fore,
                  plat::Rgb16 back, int size = 12, bool bold = false);
void AddKitButton(int win, int16_t id, plat::ButtonKind kind, const std::string& title, plat::Rect r, int state = 1);
// Text of a field when it exists.
void SetFieldIfPresent(int win, int16_t id, const std::string& text);
// The number in a field; 0 for no field or no number.
float FieldValue(int win, int16_t id);
