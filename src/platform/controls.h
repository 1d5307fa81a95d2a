// Controls by numeric id within a window. Re-creating an id replaces the
// control; removing an absent one is harmless. Button states: 0 inactive
// (greyed), 1 active, 2 marked. Only the program marks controls.
#pragma once
#include <string>
#include <vector>

#include "platform/types.h"

namespace plat {

struct FontSpec {
  std::string family = "application";   // Mac family names are mapped to installed faces
  int pixelSize = 12;
  bool bold = false, italic = false, underline = false;
};

enum class ButtonKind { Push, DefaultPush, Bevel, SmallBevel, Toggle, Radio, CheckBox, MenuButton };

struct ButtonSpec {
  int id = 0;
  ButtonKind kind = ButtonKind::Push;
  MacText title;
  Rect r;                 // local to the window's content
  int state = 1;
  FontSpec font{};
  int menuId = 0;         // MenuButton: the menu it pops up
};
void addButton(int win, const ButtonSpec&);
void setButtonState(int win, int id, int state);
int  buttonState(int win, int id);      // -1 when absent
void setControlTitle(int win, int id, const MacText& title);
MacText controlTitle(int win, int id);
void removeControl(int win, int id);
bool controlExists(int win, int id);
void showControl(int win, int id, bool show);
Rect controlRect(int win, int id);
// Every control of the window (buttons, fields, pop-ups, sliders, views) by id.
std::vector<int> controlIds(int win);
// Where the control really stands, local to the content (a check box grows
// to show its whole title); empty when absent or hidden.
Rect controlFrame(int win, int id);
// MenuButton: the item chosen by the last click, 0 when dismissed.
int menuButtonValue(int win, int id);

enum class FieldKind { Editable, EditablePlain, Static };
enum class Align { Left, Center, Right };

struct FieldSpec {
  int id = 0;
  MacText text;
  Rect r;
  FieldKind kind = FieldKind::Editable;
  bool framed = true;
  Align align = Align::Left;
  FontSpec font{};
  Rgb16 fore{0, 0, 0};
  Rgb16 back{0xFFFF, 0xFFFF, 0xFFFF};
  int maxLen = 255;
  bool wrap = false;
};
void addField(int win, const FieldSpec&);
MacText fieldText(int win, int id);
void setFieldText(int win, int id, const MacText& text);
void focusField(int win, int id, bool selectAll);
// Focuses a one-line field with the caret before character `offset`
// (clamped to the text); fieldCaret is -1 for an absent field.
void setFieldCaret(int win, int id, int offset);
int fieldCaret(int win, int id);
void clearFieldFocus(int win);
int  focusedField(int win);             // 0 when none
void setFieldColors(int win, int id, Rgb16 fore, Rgb16 back);

// Pop-up menu buttons: the value is the Mac item number (separators count).
void addPopup(int win, int id, int menuId, int item, Rect r);
int  popupValue(int win, int id);
void setPopupValue(int win, int id, int item);

void addSlider(int win, int id, Rect r, int min, int max, int value);
int  sliderValue(int win, int id);
void setSliderValue(int win, int id, int value);
void setSliderRange(int win, int id, int min, int max);

void addProgress(int win, int id, Rect r, int min, int max);
void setProgress(int win, int id, int value);

// Scrolling text views. Text in and out is Mac Roman with CR line ends,
// round-tripped exactly.
void addTextView(int win, int id, Rect r, bool editable);
void setViewText(int win, int id, const MacText& crText);
MacText viewText(int win, int id);
void setViewMargins(int win, int id, int left, int top, int right, int bottom);
// Loads our explanation text Texts/<code>.html; false for an unknown code or a missing file.
bool loadViewText(int win, int id, int code);
void setViewSelection(int win, int id, int start, int end);

}  // namespace plat
