// The calculator window every Special-menu calculator runs in: window 8
// (one calculator at a time), its help subject, the toolbar hidden while it
// is up, menu picks dropped except the help item, Return for the default
// button, and the helpers that build and read its fields. The file in use
// is left as it is: with no file the calculators work on none.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

#include "calculators/fieldcheck.h"
#include "platform/controls.h"
#include "platform/types.h"
#include "shell/ui/mailboxes.h"

inline constexpr int16_t kCalculatorWindow = 8;

struct CalculatorSpec {
  plat::MacText title;
  int width = 400;
  int height = 300;
  int32_t helpSubject = 0;
  bool hideToolbar = true;
  bool rpnKeys = false;   // the simple calculator's operator keys
};

// What happened in one pass of a calculator's loop.
struct CalcEvent {
  int16_t action = 0;
  int16_t id = 0;
  bool click(int16_t control) const { return action == kActionClick && id == control; }
  bool fieldClick() const { return action == kActionFieldClick; }
  bool returnKey() const { return action == kActionKey && (id == 13 || id == 3); }
  bool tab() const { return action == kActionTab; }
  bool closeBox() const { return action == kActionClose && id == kCalculatorWindow; }
  bool otherClosed() const { return action == kActionClose && id != kCalculatorWindow; }
  bool otherActivated() const { return action == kActionActivate && id != kCalculatorWindow; }
  bool plotActivated() const { return action == kActionActivate && id > 999; }
};

class CalculatorWindow {
 public:
  explicit CalculatorWindow(const CalculatorSpec& spec);
  // Window 8 closes, the toolbar comes back, and a menu pick made meanwhile
  // is dropped.
  ~CalculatorWindow();
  CalculatorWindow(const CalculatorWindow&) = delete;
  CalculatorWindow& operator=(const CalculatorWindow&) = delete;

  // Pumps once and reads the mailboxes; the caller acts, then calls done().
  CalcEvent next();
  void done();
  bool open() const;
  void bringBack();
  // Help at the window's subject, then window 8 to the front.
  void help();
  void setHelpSubject(int32_t subject);
  int32_t helpSubject() const { return help_; }

  // ---- Building (coordinates local to the window) ----
  void label(int x, int y, const plat::MacText& text, int size = 12, bool bold = false,
             plat::Rgb16 colour = {0, 0, 0});
  // x, y of the base text; the subscript drops 4 pixels.
  void subscript(int x, int y, const plat::MacText& base, const plat::MacText& sub, const plat::MacText& tail,
                 int size = 12);
  void input(int16_t id, const plat::MacText& text, plat::Rect r, int size = 12);
  // Result field; EF colour codes for text and ground.
  void output(int16_t id, const plat::MacText& text, plat::Rect r, int16_t fore = 2, int16_t back = 8,
              int size = 12, bool bold = false);
  void staticText(int16_t id, const plat::MacText& text, plat::Rect r, int size = 12);
  void button(int16_t id, const plat::MacText& title, plat::Rect r, bool isDefault = false);
  void radio(int16_t id, const plat::MacText& title, plat::Rect r, bool on);
  void checkBox(int16_t id, const plat::MacText& title, plat::Rect r, bool on);
  void popup(int16_t id, int16_t menu, int16_t item, plat::Rect r);

  // ---- Fields and controls ----
  double num(int16_t field) const;
  float fnum(int16_t field) const { return static_cast<float>(num(field)); }
  plat::MacText text(int16_t field) const;
  void set(int16_t field, const plat::MacText& text);
  void focus(int16_t field);
  int16_t focused() const;
  void mark(int16_t button, bool on);
  bool marked(int16_t button) const;
  void enable(int16_t button, bool on);
  int16_t popupItem(int16_t id) const;

 private:
  HandlerScope handlers_;
  bool hidToolbar_ = false;
  int32_t help_ = 0;
};

// Number texts of the fields: an input as typed (no leading blank), a
// result through the shared formatter.
std::string InputText(double v);
std::string InputText(float v);   // a stored float: its shortest text
std::string ResultText(float v);
// True when r holds a finite result; otherwise the result fields are
// blanked, so that no earlier inputs' result stands beside the refused
// value, and the alert names the field that keeps it from one.
bool ResultAccepted(CalculatorWindow& w, const CheckedResult& r, std::initializer_list<int16_t> results);
// The number a field shows, when its whole text is one that a float holds:
// none for a field a refusal left blank, nor for a word in it ("(swapped)",
// "nil"), which read as 0.
std::optional<double> ShownNumber(const CalculatorWindow& w, int16_t field);
// The result field's number into LastCalculatorResult as the window closes;
// a field that shows no number changes nothing.
void StoreLastResult(const CalculatorWindow& w, int16_t result);
// "Store": the result field's number as the last result (meanValue), or the
// error sound and nothing stored when it shows none.
void StoreShownResult(const CalculatorWindow& w, int16_t result);
