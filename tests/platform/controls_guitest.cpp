// Controls by id: what a user's action reports, what the program alone may
// change, and that Mac text survives the trip through the widgets.
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QToolButton>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/menus.h"
#include "platform/qt/controls_internal.h"
#include "platform/qt/internal.h"
#include "platform/test.h"
#include "platform/windows.h"
#include "support/desk_activation.h"

namespace {

using plat::ButtonKind;
using plat::Event;
using plat::EventKind;
using plat::Rect;

constexpr int kWin = 20;

void openWindow(int id, Rect content) {
  plat::WindowSpec w;
  w.id = id;
  w.title = "Controls";
  w.content = content;
  plat::createWindow(w);
}

plat::ButtonSpec button(int id, ButtonKind kind, const char* title, Rect r, int state = 1) {
  plat::ButtonSpec b;
  b.id = id;
  b.kind = kind;
  b.title = title;
  b.r = r;
  b.state = state;
  return b;
}

plat::FieldSpec field(int id, plat::FieldKind kind, const char* text, Rect r) {
  plat::FieldSpec f;
  f.id = id;
  f.kind = kind;
  f.text = text;
  f.r = r;
  return f;
}

plat::MenuItemSpec item(const char* title, bool enabled = true) {
  plat::MenuItemSpec i;
  i.title = title;
  i.enabled = enabled;
  return i;
}

void sendKey(QWidget* w, int key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, mods, text);
  QKeyEvent release(QEvent::KeyRelease, key, mods, text);
  QApplication::sendEvent(w, &press);
  QApplication::sendEvent(w, &release);
}

void sendClick(QWidget* w, QPoint at) {
  const QPointF local(at), global(w->mapToGlobal(at));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &release);
}

template <class T>
T* widget(int win, int id) {
  plat::detail::WindowRec* w = plat::detail::findWindow(win);
  if (!w || !w->controls.count(id)) return nullptr;
  return qobject_cast<T*>(w->controls.at(id).data());
}

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    openWindow(kWin, {200, 120, 760, 560});
    plat::handlers().dialog = [this](const Event& e) { seen.push_back(e); };
  }

  // Everything the pump hands out, one event per pass.
  std::vector<Event> drain() {
    seen.clear();
    while (plat::pump(0)) {
    }
    return seen;
  }

  static void expectOneHit(const std::vector<Event>& evs, int id) {
    ASSERT_EQ(evs.size(), 1u);
    EXPECT_EQ(evs[0].kind, EventKind::ControlHit);
    EXPECT_EQ(evs[0].window, kWin);
    EXPECT_EQ(evs[0].control, id);
  }

  std::vector<Event> seen;
};

// ---- buttons --------------------------------------------------------------------------------

TEST_F(Controls, ClicksReportTheHitButNeverChangeTheMark) {
  plat::addButton(kWin, button(1, ButtonKind::Radio, "Linear", {20, 20, 38, 32}, 2));
  plat::addButton(kWin, button(2, ButtonKind::Radio, "Log", {20, 40, 38, 52}, 1));
  plat::addButton(kWin, button(3, ButtonKind::CheckBox, "Show markers", {20, 60, 140, 76}, 1));
  plat::addButton(kWin, button(4, ButtonKind::SmallBevel, "1", {20, 80, 36, 94}, 2));
  plat::addButton(kWin, button(5, ButtonKind::Toggle, "\xB2", {40, 80, 56, 94}, 1));
  drain();

  for (int id : {1, 2, 3, 4, 5}) {
    const int before = plat::buttonState(kWin, id);
    ASSERT_TRUE(plat::detail::simulateClick(kWin, id));
    expectOneHit(drain(), id);
    EXPECT_EQ(plat::buttonState(kWin, id), before) << "control " << id;
  }
  // A real mouse click takes the same path through Qt's own toggling.
  auto* radio = widget<QRadioButton>(kWin, 2);
  ASSERT_NE(radio, nullptr);
  sendClick(radio, {5, radio->height() / 2});
  expectOneHit(drain(), 2);
  EXPECT_FALSE(radio->isChecked());
  EXPECT_EQ(plat::buttonState(kWin, 2), 1);
}

TEST_F(Controls, OnlyTheProgramMarksAndRadiosAreNotExclusive) {
  plat::addButton(kWin, button(1, ButtonKind::Radio, "A", {20, 20, 80, 32}, 2));
  plat::addButton(kWin, button(2, ButtonKind::Radio, "B", {20, 40, 80, 52}, 1));
  // Qt's exclusivity would unmark the first radio here.
  plat::setButtonState(kWin, 2, 2);
  EXPECT_EQ(plat::buttonState(kWin, 1), 2);
  EXPECT_EQ(plat::buttonState(kWin, 2), 2);
  EXPECT_TRUE(widget<QRadioButton>(kWin, 1)->isChecked());

  plat::setButtonState(kWin, 1, 0);
  EXPECT_EQ(plat::buttonState(kWin, 1), 0);
  EXPECT_FALSE(widget<QRadioButton>(kWin, 1)->isEnabled());
  EXPECT_FALSE(widget<QRadioButton>(kWin, 1)->isChecked());
  EXPECT_FALSE(plat::detail::simulateClick(kWin, 1));   // greyed: no hit
  EXPECT_TRUE(drain().empty());

  plat::setButtonState(kWin, 1, 1);
  EXPECT_TRUE(plat::detail::simulateClick(kWin, 1));
  EXPECT_EQ(plat::buttonState(kWin, 1), 1);
}

TEST_F(Controls, RecreatingAnIdReplacesTheControlAndLosesItsMark) {
  plat::addButton(kWin, button(7, ButtonKind::Bevel, "Old", {10, 10, 60, 30}, 2));
  QPointer<QWidget> old = widget<QWidget>(kWin, 7);
  plat::addButton(kWin, button(7, ButtonKind::Bevel, "New", {10, 10, 60, 30}));
  EXPECT_TRUE(old.isNull());
  EXPECT_EQ(plat::buttonState(kWin, 7), 1);
  EXPECT_EQ(plat::controlTitle(kWin, 7), "New");
  // A different kind under the same id replaces too.
  plat::addField(kWin, field(7, plat::FieldKind::Editable, "3", {10, 10, 60, 26}));
  EXPECT_EQ(plat::buttonState(kWin, 7), 1);
  EXPECT_EQ(plat::fieldText(kWin, 7), "3");
  EXPECT_FALSE(plat::detail::simulateClick(kWin, 7));
}

TEST_F(Controls, AbsentWindowsAndControlsAreHarmless) {
  plat::removeControl(kWin, 99);
  plat::removeControl(999, 1);
  plat::addButton(999, button(1, ButtonKind::Push, "x", {0, 0, 10, 10}));
  plat::addField(999, field(1, plat::FieldKind::Static, "x", {0, 0, 10, 10}));
  plat::addPopup(999, 1, 62, 1, {0, 0, 10, 10});
  plat::setButtonState(kWin, 99, 2);
  plat::setFieldText(kWin, 99, "x");
  plat::setProgress(kWin, 99, 1);
  plat::focusField(kWin, 99, true);
  plat::clearFieldFocus(999);
  EXPECT_EQ(plat::buttonState(kWin, 99), -1);
  EXPECT_EQ(plat::buttonState(999, 1), -1);
  EXPECT_FALSE(plat::controlExists(kWin, 99));
  EXPECT_EQ(plat::fieldText(kWin, 99), "");
  EXPECT_EQ(plat::popupValue(kWin, 99), 0);
  EXPECT_EQ(plat::focusedField(999), 0);
  EXPECT_FALSE(plat::loadViewText(kWin, 99, 1));
  EXPECT_EQ(plat::controlRect(kWin, 99), Rect{});

  // Hidden or removed controls cannot be clicked.
  plat::addButton(kWin, button(1, ButtonKind::Push, "OK", {10, 10, 70, 30}));
  plat::showControl(kWin, 1, false);
  EXPECT_FALSE(plat::detail::simulateClick(kWin, 1));
  plat::showControl(kWin, 1, true);
  EXPECT_TRUE(plat::detail::simulateClick(kWin, 1));
  plat::removeControl(kWin, 1);
  plat::removeControl(kWin, 1);
  EXPECT_FALSE(plat::controlExists(kWin, 1));
  EXPECT_FALSE(plat::detail::simulateClick(kWin, 1));
}

TEST_F(Controls, NothingButTextTakesTheKeyboard) {
  plat::defineMenu(62, "units", {item("Hz"), item("sec")});
  plat::addField(kWin, field(10, plat::FieldKind::Editable, "1", {10, 200, 80, 216}));
  plat::addButton(kWin, button(1, ButtonKind::Push, "OK", {10, 10, 70, 30}));
  plat::addButton(kWin, button(2, ButtonKind::DefaultPush, "Go", {80, 10, 140, 30}));
  plat::addButton(kWin, button(3, ButtonKind::Bevel, "B", {10, 40, 30, 60}));
  plat::addButton(kWin, button(4, ButtonKind::Radio, "R", {10, 70, 80, 82}));
  plat::addButton(kWin, button(5, ButtonKind::CheckBox, "C", {10, 90, 80, 102}));
  plat::ButtonSpec mb = button(6, ButtonKind::MenuButton, "Save", {10, 110, 90, 130});
  mb.menuId = 62;
  plat::addButton(kWin, mb);
  plat::addPopup(kWin, 7, 62, 1, {10, 140, 120, 160});
  plat::addSlider(kWin, 8, {10, 170, 200, 186}, 1, 10, 1);
  plat::addProgress(kWin, 9, {220, 170, 400, 182}, 0, 10);
  for (int id = 1; id <= 9; ++id)
    EXPECT_EQ(widget<QWidget>(kWin, id)->focusPolicy(), Qt::NoFocus) << "control " << id;

  // Clicking a button leaves the field's focus alone.
  plat::focusField(kWin, 10, true);
  ASSERT_EQ(plat::focusedField(kWin), 10);
  auto* ok = widget<QWidget>(kWin, 1);
  sendClick(ok, {5, 5});
  expectOneHit(drain(), 1);
  EXPECT_EQ(plat::focusedField(kWin), 10);
  // Return is not the default button's business.
  sendKey(widget<QLineEdit>(kWin, 10), Qt::Key_Return, "\r");
  EXPECT_TRUE(drain().empty());
}

TEST_F(Controls, CheckBoxTitleIsNotCutOffByABoxSizedRect) {
  plat::addButton(kWin, button(1, ButtonKind::CheckBox, "Quiet Script Runs", {20, 20, 38, 32}));
  auto* w = widget<QWidget>(kWin, 1);
  EXPECT_GE(w->width(), w->sizeHint().width());
  EXPECT_GE(w->height(), w->sizeHint().height());
  EXPECT_TRUE(w->geometry().contains(QRect(20, 20, 18, 12)));
  EXPECT_EQ(plat::controlRect(kWin, 1), (Rect{20, 20, 38, 32}));
  // A longer title later widens it again.
  plat::setControlTitle(kWin, 1, "Quiet Script Runs, and a much longer title");
  EXPECT_GE(w->width(), w->sizeHint().width());
}

TEST_F(Controls, TitlesAreMacRomanAndAmpersandsShowAsTyped) {
  plat::addButton(kWin, button(1, ButtonKind::Push, "Save Details\xC9", {10, 10, 120, 30}));
  plat::addButton(kWin, button(2, ButtonKind::Push, "R&D", {10, 40, 120, 60}));
  EXPECT_EQ(widget<QAbstractButton>(kWin, 1)->text(), QString::fromUtf8("Save Details\u2026"));
  EXPECT_EQ(plat::controlTitle(kWin, 1), "Save Details\xC9");
  EXPECT_EQ(widget<QAbstractButton>(kWin, 2)->text(), "R&&D");   // no mnemonic
  plat::setControlTitle(kWin, 2, "\xB1 1");
  EXPECT_EQ(plat::controlTitle(kWin, 2), "\xB1 1");
  EXPECT_EQ(widget<QAbstractButton>(kWin, 2)->text(), QString::fromUtf8("\u00B1 1"));
}

// ---- pop-ups and the menu button ------------------------------------------------------------------

TEST_F(Controls, PopupItemNumbersCountSeparators) {
  plat::defineMenu(62, "units", {item("Hz"), item("mHz"), item("-"), item("sec"), item("min", false)});
  plat::addPopup(kWin, 5, 62, 4, {10, 10, 120, 30});
  auto* box = widget<QComboBox>(kWin, 5);
  ASSERT_EQ(box->count(), 5);
  EXPECT_EQ(box->currentText(), "sec");
  EXPECT_EQ(plat::popupValue(kWin, 5), 4);

  ASSERT_TRUE(plat::detail::simulatePopup(kWin, 5, 2));
  expectOneHit(drain(), 5);
  EXPECT_EQ(plat::popupValue(kWin, 5), 2);
  // Choosing the same item again still reports.
  ASSERT_TRUE(plat::detail::simulatePopup(kWin, 5, 2));
  expectOneHit(drain(), 5);

  EXPECT_FALSE(plat::detail::simulatePopup(kWin, 5, 3));   // the separator
  EXPECT_FALSE(plat::detail::simulatePopup(kWin, 5, 5));   // disabled
  EXPECT_FALSE(plat::detail::simulatePopup(kWin, 5, 6));
  EXPECT_FALSE(plat::detail::simulatePopup(kWin, 5, 0));
  EXPECT_TRUE(drain().empty());
  EXPECT_EQ(plat::popupValue(kWin, 5), 2);

  // The program's own setting reports nothing.
  plat::setPopupValue(kWin, 5, 1);
  EXPECT_EQ(plat::popupValue(kWin, 5), 1);
  plat::setPopupValue(kWin, 5, 0);
  EXPECT_EQ(plat::popupValue(kWin, 5), 0);
  EXPECT_TRUE(drain().empty());
}

TEST_F(Controls, PopupFollowsItsMenu) {
  plat::defineMenu(333, "channels", {item("Ch 1"), item("Ch 2")});
  plat::addPopup(kWin, 5, 333, 2, {10, 10, 120, 30});
  plat::appendItem(333, item("Ch 3"));
  plat::setItemTitle(333, 1, "O\xBF");
  auto* box = widget<QComboBox>(kWin, 5);
  ASSERT_EQ(box->count(), 3);
  EXPECT_EQ(box->itemText(0), QString::fromUtf8("O\u00F8"));
  EXPECT_EQ(plat::popupValue(kWin, 5), 2);   // the choice survives
  ASSERT_TRUE(plat::detail::simulatePopup(kWin, 5, 3));
  plat::deleteItem(333, 3);
  EXPECT_EQ(box->count(), 2);
  EXPECT_EQ(plat::popupValue(kWin, 5), 0);   // its item is gone
}

TEST_F(Controls, PopupOfAnUnknownMenuIsEmpty) {
  plat::addPopup(kWin, 5, 4711, 1, {10, 10, 120, 30});
  EXPECT_TRUE(plat::controlExists(kWin, 5));
  EXPECT_EQ(plat::popupValue(kWin, 5), 0);
  EXPECT_FALSE(plat::detail::simulatePopup(kWin, 5, 1));
}

TEST_F(Controls, MenuButtonKeepsTheChoiceAndZeroWhenDismissed) {
  plat::defineMenu(137, "details", {item("Text"), item("-"), item("Table"), item("Off", false)});
  plat::ButtonSpec mb = button(227, ButtonKind::MenuButton, "Save Details\xC9", {10, 10, 130, 30});
  mb.menuId = 137;
  plat::addButton(kWin, mb);
  EXPECT_EQ(plat::menuButtonValue(kWin, 227), 0);
  ASSERT_TRUE(plat::detail::simulateMenuButton(kWin, 227, 3));
  expectOneHit(drain(), 227);
  EXPECT_EQ(plat::menuButtonValue(kWin, 227), 3);
  EXPECT_FALSE(plat::detail::simulateMenuButton(kWin, 227, 2));
  EXPECT_FALSE(plat::detail::simulateMenuButton(kWin, 227, 4));
  EXPECT_TRUE(drain().empty());
  ASSERT_TRUE(plat::detail::simulateMenuButton(kWin, 227, 0));
  expectOneHit(drain(), 227);
  EXPECT_EQ(plat::menuButtonValue(kWin, 227), 0);
  // A plain button is not a menu button.
  EXPECT_FALSE(plat::detail::simulateMenuButton(kWin, 1, 1));

  // The real menu: a choice is triggered after the menu hides, and must not
  // also count as a dismissal.
  QMenu* menu = widget<QToolButton>(kWin, 227)->menu();
  Q_EMIT menu->aboutToShow();
  Q_EMIT menu->aboutToHide();
  menu->actions()[0]->trigger();
  expectOneHit(drain(), 227);
  EXPECT_EQ(plat::menuButtonValue(kWin, 227), 1);
  Q_EMIT menu->aboutToShow();
  Q_EMIT menu->aboutToHide();
  expectOneHit(drain(), 227);
  EXPECT_EQ(plat::menuButtonValue(kWin, 227), 0);
}

// ---- slider and progress -------------------------------------------------------------------------

TEST_F(Controls, SliderReportsOnReleaseNotWhileDragging) {
  plat::addSlider(kWin, 1010, {10, 10, 310, 26}, 1, 20, 1);
  auto* s = widget<QSlider>(kWin, 1010);
  s->setSliderDown(true);
  for (int v : {3, 6, 9}) s->setSliderPosition(v);
  EXPECT_TRUE(drain().empty());
  s->setSliderDown(false);
  expectOneHit(drain(), 1010);
  EXPECT_EQ(plat::sliderValue(kWin, 1010), 9);

  ASSERT_TRUE(plat::detail::simulateSlide(kWin, 1010, 15));
  expectOneHit(drain(), 1010);
  EXPECT_EQ(plat::sliderValue(kWin, 1010), 15);
  ASSERT_TRUE(plat::detail::simulateSlide(kWin, 1010, 99));
  drain();
  EXPECT_EQ(plat::sliderValue(kWin, 1010), 20);

  plat::setSliderValue(kWin, 1010, 4);
  plat::setSliderRange(kWin, 1010, 1, 3);
  EXPECT_TRUE(drain().empty());
  EXPECT_EQ(plat::sliderValue(kWin, 1010), 3);
}

TEST_F(Controls, SliderPageClickReportsOnce) {
  plat::addSlider(kWin, 1010, {10, 10, 310, 26}, 1, 20, 5);
  auto* s = widget<QSlider>(kWin, 1010);
  sendClick(s, {s->width() - 3, s->height() / 2});
  expectOneHit(drain(), 1010);
  EXPECT_EQ(plat::sliderValue(kWin, 1010), 6);
}

TEST_F(Controls, ProgressIsClampedAndShowsNoText) {
  plat::addProgress(kWin, 777, {10, 10, 210, 22}, 0, 50);
  auto* p = widget<QProgressBar>(kWin, 777);
  EXPECT_FALSE(p->isTextVisible());
  plat::setProgress(kWin, 777, 25);
  EXPECT_EQ(p->value(), 25);
  plat::setProgress(kWin, 777, 80);   // past the end: full, not stuck at 25
  EXPECT_EQ(p->value(), 50);
  plat::setProgress(kWin, 777, -5);
  EXPECT_EQ(p->value(), 0);
  // An empty range stays a bar, not a busy indicator.
  plat::addProgress(kWin, 778, {10, 30, 210, 42}, 7, 7);
  auto* q = widget<QProgressBar>(kWin, 778);
  EXPECT_LT(q->minimum(), q->maximum());
}

// ---- fields -------------------------------------------------------------------------------------

class Fields : public Controls {
 protected:
  void SetUp() override {
    Controls::SetUp();
    plat::addField(kWin, field(11, plat::FieldKind::Editable, "12.5", {10, 10, 110, 26}));
    plat::addField(kWin, field(12, plat::FieldKind::EditablePlain, "abc", {10, 40, 110, 56}));
    plat::handlers().editKey = [this](const Event& e) {
      keys.push_back(e.charCode);
      EXPECT_EQ(e.window, kWin);
      return e.charCode == '+' || e.charCode == 30 ? plat::KeyVerdict::Swallow : plat::KeyVerdict::Insert;
    };
  }
  QLineEdit* edit(int id) { return widget<QLineEdit>(kWin, id); }
  std::vector<int> keys;
};

TEST_F(Fields, KeyFilterDecidesAndStructuralKeysNeverReachQt) {
  plat::focusField(kWin, 11, false);
  QLineEdit* e = edit(11);
  sendKey(e, Qt::Key_1, "1");
  sendKey(e, Qt::Key_Plus, "+", Qt::ShiftModifier);
  sendKey(e, Qt::Key_Up, "");
  sendKey(e, Qt::Key_Tab, "\t");
  sendKey(e, Qt::Key_Backtab, "", Qt::ShiftModifier);
  sendKey(e, Qt::Key_Return, "\r");
  sendKey(e, Qt::Key_Enter, "\r", Qt::KeypadModifier);
  sendKey(e, Qt::Key_Backspace, "\b");
  EXPECT_EQ(keys, (std::vector<int>{'1', '+', 30, 9, 9, 13, 3, 8}));
  EXPECT_EQ(plat::fieldText(kWin, 11), "12.5");   // "1" inserted, then deleted by Backspace
  EXPECT_EQ(plat::focusedField(kWin), 11);        // Tab did not move the focus
  EXPECT_TRUE(drain().empty());                   // the filter answers; nothing is queued
}

TEST_F(Fields, WithoutAFilterReturnAndTabAreSwallowed) {
  plat::handlers().editKey = nullptr;
  plat::focusField(kWin, 12, false);
  QLineEdit* e = edit(12);
  sendKey(e, Qt::Key_D, "d");
  sendKey(e, Qt::Key_Tab, "\t");
  sendKey(e, Qt::Key_Return, "\r");
  EXPECT_EQ(plat::fieldText(kWin, 12), "abcd");
  EXPECT_EQ(plat::focusedField(kWin), 12);
}

TEST_F(Fields, CharactersMacRomanCannotHoldAreRejectedWithABeep) {
  plat::focusField(kWin, 12, false);
  QLineEdit* e = edit(12);
  plat::test::clearRecorders();
  sendKey(e, Qt::Key_unknown, QString(QChar(0x0142)));   // l with stroke
  EXPECT_EQ(plat::fieldText(kWin, 12), "abc");
  EXPECT_EQ(plat::test::soundsPlayed(), std::vector<std::string>{"beep"});
  EXPECT_TRUE(keys.empty());
  // Pasted text is held to the same rule.
  e->insert(QString::fromUtf8("x\u4E2D"));
  EXPECT_EQ(plat::fieldText(kWin, 12), "abc");
  // Mac Roman's own high characters are stored as their bytes.
  sendKey(e, Qt::Key_degree, QString(QChar(0x00B0)));
  sendKey(e, Qt::Key_unknown, QString(QChar(0x20AC)));
  EXPECT_EQ(plat::fieldText(kWin, 12), "abc\xA1\xDB");
  EXPECT_EQ(keys, (std::vector<int>{0xA1, 0xDB}));
}

TEST_F(Fields, AltDigitTypesTheOptionCharacter) {
  plat::focusField(kWin, 12, false);
  sendKey(edit(12), Qt::Key_1, "1", Qt::AltModifier);
  EXPECT_EQ(keys, std::vector<int>{193});
  EXPECT_EQ(plat::fieldText(kWin, 12), "abc\xC1");
}

TEST_F(Fields, FilterMayRemoveItsOwnField) {
  plat::handlers().editKey = [](const Event& e) {
    plat::removeControl(kWin, e.control);
    return plat::KeyVerdict::Insert;
  };
  plat::focusField(kWin, 12, false);
  sendKey(edit(12), Qt::Key_X, "x");
  EXPECT_FALSE(plat::controlExists(kWin, 12));
  drain();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(Fields, TextRoundTripsAndLengthIsLimited) {
  const std::string mac = "\xA5 \xB1\xB7\xBA\xB6\xC6 \xC7\xC8\xC9\xD1\xD6\xA1\xAF\xB2\xB3\xBF\xB9\xDB\xCA";
  plat::setFieldText(kWin, 11, mac);
  EXPECT_EQ(plat::fieldText(kWin, 11), mac);

  plat::FieldSpec s = field(13, plat::FieldKind::Editable, "", {10, 70, 110, 86});
  s.maxLen = 4;
  plat::addField(kWin, s);
  plat::focusField(kWin, 13, false);
  for (char c : std::string("123456")) sendKey(edit(13), Qt::Key_unknown, QString(QChar(c)));
  EXPECT_EQ(plat::fieldText(kWin, 13), "1234");
}

TEST_F(Fields, StaticFieldsKeepTheirBytesAndColours) {
  plat::FieldSpec s = field(21, plat::FieldKind::Static, "line 1\rline 2 \xA1" "C\r", {10, 70, 200, 120});
  s.wrap = true;
  s.fore = {0xFFFF, 0, 0};
  s.back = {0, 0, 0xFFFF};
  plat::addField(kWin, s);
  auto* l = widget<QLabel>(kWin, 21);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->text(), QString::fromUtf8("line 1\nline 2 \u00B0C\n"));
  EXPECT_EQ(plat::fieldText(kWin, 21), "line 1\rline 2 \xA1" "C\r");
  EXPECT_EQ(l->textFormat(), Qt::PlainText);   // "<b>" in a label stays text
  EXPECT_EQ(l->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(plat::detail::fieldWidget(kWin, 21), nullptr);

  QImage img = l->grab().toImage();
  EXPECT_EQ(QColor(img.pixel(img.width() - 3, img.height() - 3)), QColor(0, 0, 255));
  plat::setFieldColors(kWin, 21, {0, 0, 0}, {0, 0xFFFF, 0});
  img = l->grab().toImage();
  EXPECT_EQ(QColor(img.pixel(img.width() - 3, img.height() - 3)), QColor(0, 255, 0));
}

TEST_F(Fields, ClickReportsAndEtchedFieldsSelectAll) {
  ASSERT_TRUE(plat::detail::simulateFieldClick(kWin, 11));
  std::vector<Event> evs = drain();
  ASSERT_EQ(evs.size(), 1u);
  EXPECT_EQ(evs[0].kind, EventKind::FieldClick);
  EXPECT_EQ(evs[0].control, 11);
  EXPECT_EQ(plat::focusedField(kWin), 11);
  EXPECT_EQ(edit(11)->selectedText(), "12.5");

  ASSERT_TRUE(plat::detail::simulateFieldClick(kWin, 12));
  drain();
  EXPECT_EQ(plat::focusedField(kWin), 12);
  EXPECT_EQ(edit(12)->selectedText(), "");

  plat::FieldSpec st = field(21, plat::FieldKind::Static, "x", {10, 70, 110, 86});
  plat::addField(kWin, st);
  EXPECT_FALSE(plat::detail::simulateFieldClick(kWin, 21));
}

TEST_F(Fields, FocusIsKeptPerWindow) {
  plat::focusField(kWin, 11, true);
  EXPECT_EQ(plat::focusedField(kWin), 11);
  EXPECT_EQ(edit(11)->selectedText(), "12.5");
  plat::focusField(kWin, 12, false);
  EXPECT_EQ(plat::focusedField(kWin), 12);
  EXPECT_EQ(edit(12)->cursorPosition(), 3);

  openWindow(21, {800, 120, 1000, 300});
  plat::addField(21, field(1, plat::FieldKind::Editable, "other", {10, 10, 110, 26}));
  plat::focusField(21, 1, true);
  EXPECT_EQ(plat::focusedField(21), 1);
  EXPECT_EQ(plat::focusedField(kWin), 12);

  plat::clearFieldFocus(kWin);
  EXPECT_EQ(plat::focusedField(kWin), 0);
  EXPECT_EQ(plat::focusedField(21), 1);
  plat::removeControl(21, 1);
  EXPECT_EQ(plat::focusedField(21), 0);

  // The desk activated again gives no field or text view the keyboard
  // the user did not give it: the window's keys stay the window's.
  plat::addTextView(21, 2, {10, 40, 190, 120}, true);
  testsupport::DeskActivatedAgain();
  EXPECT_EQ(QApplication::focusWidget(), nullptr);
  EXPECT_EQ(plat::focusedField(kWin), 0);
  // The field the user left is the one that gets it back.
  plat::focusField(kWin, 12, false);
  testsupport::DeskActivatedAgain();
  EXPECT_EQ(QApplication::focusWidget(), edit(12));

  // A click that activates a window without a field takes the keyboard from
  // the field left in the other, which gets it again on its return.
  plat::detail::userActivate(kWin);
  plat::focusField(kWin, 12, false);
  plat::detail::userActivate(21);
  EXPECT_NE(QApplication::focusWidget(), edit(12));
  EXPECT_EQ(plat::focusedField(kWin), 12);
  plat::detail::userActivate(kWin);
  EXPECT_EQ(QApplication::focusWidget(), edit(12));
}

TEST_F(Fields, ADialogLoopEndsOnReturnWithTheTypedText) {
  int action = 0;
  plat::handlers().editKey = [&](const Event& e) {
    if (e.charCode == 13 || e.charCode == 3) {
      action = 16;
      return plat::KeyVerdict::Swallow;
    }
    return plat::KeyVerdict::Insert;
  };
  plat::setFieldText(kWin, 11, "");
  plat::test::Script s;
  s.type(kWin, 11, "37.5\xA1").key(kWin, 13);
  plat::test::run(s, [&] {
    while (action == 0) plat::pump();
  });
  EXPECT_EQ(action, 16);
  EXPECT_EQ(plat::fieldText(kWin, 11), "37.5\xA1");
}

// ---- text views ---------------------------------------------------------------------------------

class TextViews : public Controls {
 protected:
  void SetUp() override {
    Controls::SetUp();
    plat::addTextView(kWin, 30, {10, 10, 300, 200}, true);
  }
  QTextEdit* view() { return widget<QTextEdit>(kWin, 30); }
};

TEST_F(TextViews, MacTextRoundTripsByteForByte) {
  const std::vector<std::string> texts = {
      "",
      "\r",
      "\r\r\r",
      "one\rtwo\r",
      "\rleading and trailing\r\r",
      "no line end",
      "lone LF\nand CRLF\r\n kept",
      "nbsp\xCA" "bullet\xA5 tab\tend\r",
      std::string("\xA9\xAA\xDB\xF0\xFF\r", 6),
  };
  for (const auto& t : texts) {
    plat::setViewText(kWin, 30, t);
    EXPECT_EQ(plat::viewText(kWin, 30), t);
  }
}

TEST_F(TextViews, TypedLineBreaksAreCarriageReturns) {
  plat::setViewText(kWin, 30, "a");
  QTextEdit* v = view();
  v->setFocus();
  v->moveCursor(QTextCursor::End);
  sendKey(v, Qt::Key_Return, "\r", Qt::ShiftModifier);   // Qt would insert a line separator
  sendKey(v, Qt::Key_B, "b");
  sendKey(v, Qt::Key_Enter, "\r", Qt::KeypadModifier);
  sendKey(v, Qt::Key_unknown, QString(QChar(0x0142)));
  EXPECT_EQ(plat::viewText(kWin, 30), "a\rb\r");
}

TEST_F(TextViews, SelectionMarginsAndReadOnly) {
  plat::setViewText(kWin, 30, "abc\rdef");
  plat::setViewSelection(kWin, 30, 2, 5);
  EXPECT_EQ(view()->textCursor().selectionStart(), 2);
  EXPECT_EQ(view()->textCursor().selectionEnd(), 5);
  plat::setViewSelection(kWin, 30, -4, 1000);   // clamped, no crash
  EXPECT_EQ(view()->textCursor().selectionEnd(), 7);

  plat::setViewMargins(kWin, 30, 8, 2, 3, 4);
  plat::setViewText(kWin, 30, "again");   // margins stay after new text
  QTextFrameFormat f = view()->document()->rootFrame()->frameFormat();
  EXPECT_EQ(f.leftMargin(), 8);
  EXPECT_EQ(f.topMargin(), 2);
  EXPECT_EQ(f.rightMargin(), 3);
  EXPECT_EQ(f.bottomMargin(), 4);

  plat::addTextView(kWin, 31, {10, 210, 300, 300}, false);
  auto* ro = widget<QTextEdit>(kWin, 31);
  EXPECT_TRUE(ro->isReadOnly());
  EXPECT_EQ(ro->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(ro->acceptRichText(), false);
}

TEST_F(TextViews, LoadsOurTextsAndRefusesUnknownCodes) {
  EXPECT_FALSE(plat::loadViewText(kWin, 30, 987654));
  EXPECT_FALSE(plat::loadViewText(kWin, 30, 0));
  EXPECT_FALSE(plat::loadViewText(kWin, 30, -1));
  const auto dir = plat::resourceDir() / "Texts";
  for (int code : {1, 2, 3, 4, 6, 145}) {
    if (!std::filesystem::exists(dir / (std::to_string(code) + ".html"))) continue;
    plat::setViewText(kWin, 30, "");
    EXPECT_TRUE(plat::loadViewText(kWin, 30, code));
    EXPECT_FALSE(plat::viewText(kWin, 30).empty()) << code;
  }
}

// ---- one window with every kind, driven and photographed ------------------------------------------

TEST_F(Controls, EveryKindDrivenAndSavedAsImage) {
  openWindow(kWin, {200, 120, 760, 520});
  plat::defineMenu(62, "units", {item("Hz"), item("mHz"), item("KHz"), item("-"), item("msec"), item("sec"),
                                 item("min"), item("hours")});
  plat::defineMenu(137, "details", {item("as Text"), item("as Table")});
  using K = ButtonKind;
  plat::addButton(kWin, button(1, K::Push, "OK", {470, 360, 540, 380}));
  plat::addButton(kWin, button(2, K::DefaultPush, "Cancel", {380, 360, 450, 380}));
  for (int i = 0; i < 4; ++i) {
    const std::string t = std::to_string(i + 1);
    plat::addButton(kWin, button(40 + i, K::SmallBevel, t.c_str(), {20 + 18 * i, 20, 36 + 18 * i, 34}, i == 1 ? 2 : 1));
  }
  plat::addButton(kWin, button(50, K::Bevel, "sec", {110, 18, 160, 36}, 2));
  plat::addButton(kWin, button(51, K::Toggle, "\xB2", {170, 18, 190, 36}, 2));
  plat::addButton(kWin, button(52, K::Toggle, "\xB3", {192, 18, 212, 36}));
  plat::addButton(kWin, button(3, K::Radio, "Linear", {20, 50, 38, 62}, 2));
  plat::addButton(kWin, button(4, K::Radio, "Logarithmic", {20, 68, 38, 80}));
  plat::addButton(kWin, button(5, K::Radio, "Off", {20, 86, 38, 98}, 0));
  plat::addButton(kWin, button(6, K::CheckBox, "Show markers", {150, 50, 168, 62}, 2));
  plat::addButton(kWin, button(7, K::CheckBox, "Quiet Script Runs", {150, 68, 168, 80}));
  plat::ButtonSpec mb = button(227, K::MenuButton, "Save Details\xC9", {300, 18, 420, 38});
  mb.menuId = 137;
  plat::addButton(kWin, mb);
  plat::addPopup(kWin, 8, 62, 6, {300, 50, 400, 70});
  plat::addSlider(kWin, 1010, {20, 120, 320, 136}, 1, 12, 3);
  plat::addProgress(kWin, 777, {20, 146, 320, 158}, 0, 100);
  plat::addField(kWin, field(11, plat::FieldKind::Editable, "12.5", {20, 176, 100, 192}));
  plat::addField(kWin, field(12, plat::FieldKind::EditablePlain, "ml O2/min", {110, 176, 200, 192}));
  plat::FieldSpec st = field(21, plat::FieldKind::Static,
                             "Temperature \xA1" "C \xB1 0.1, a long static text that wraps inside its box.",
                             {340, 100, 540, 150});
  st.wrap = true;
  st.back = {0xFFFF, 0xF000, 0xC000};
  plat::addField(kWin, st);
  plat::FieldSpec right = field(22, plat::FieldKind::Static, "\xA5 VO2", {210, 176, 320, 192});
  right.align = plat::Align::Right;
  right.framed = false;
  right.fore = {0, 0, 0xC000};
  right.back = {0xE8E8, 0xE8E8, 0xE8E8};
  plat::addField(kWin, right);
  plat::addTextView(kWin, 30, {20, 210, 360, 340}, true);
  plat::setViewMargins(kWin, 30, 8, 0, 0, 0);
  plat::setViewText(kWin, 30, "Block 1\rBaseline 0.21 \xB1 0.02\r\rComments are kept with CR line ends.\r");

  // A small program loop: radios and check boxes are marked by the program.
  plat::handlers().dialog = [this](const Event& e) {
    seen.push_back(e);
    if (e.kind != EventKind::ControlHit) return;
    if (e.control == 3 || e.control == 4) {
      plat::setButtonState(kWin, 3, e.control == 3 ? 2 : 1);
      plat::setButtonState(kWin, 4, e.control == 4 ? 2 : 1);
    }
    if (e.control == 7) plat::setButtonState(kWin, 7, plat::buttonState(kWin, 7) == 2 ? 1 : 2);
    if (e.control == 1010) plat::setProgress(kWin, 777, plat::sliderValue(kWin, 1010) * 100 / 12);
  };
  bool done = false;
  plat::test::Script s;
  s.click(kWin, 4)
      .click(kWin, 7)
      .slide(kWin, 1010, 8)
      .popup(kWin, 8, 7)
      .menuButton(kWin, 227, 2)
      .type(kWin, 12, " \xA5")
      .click(kWin, 1)
      .call([&] { done = true; });
  plat::test::run(s, [&] {
    while (!done) plat::pump();
  });

  EXPECT_EQ(plat::buttonState(kWin, 3), 1);
  EXPECT_EQ(plat::buttonState(kWin, 4), 2);
  EXPECT_EQ(plat::buttonState(kWin, 7), 2);
  EXPECT_EQ(plat::sliderValue(kWin, 1010), 8);
  EXPECT_EQ(widget<QProgressBar>(kWin, 777)->value(), 66);
  EXPECT_EQ(plat::popupValue(kWin, 8), 7);
  EXPECT_EQ(plat::menuButtonValue(kWin, 227), 2);
  EXPECT_EQ(plat::fieldText(kWin, 12), "ml O2/min \xA5");
  std::vector<int> hits;
  for (const Event& e : seen)
    if (e.kind == EventKind::ControlHit) hits.push_back(e.control);
  EXPECT_EQ(hits, (std::vector<int>{4, 7, 1010, 8, 227, 1}));

  // Every control sits at the program's coordinates.
  for (int id : {1, 2, 8, 11, 21, 30, 777, 1010}) {
    const Rect r = plat::controlRect(kWin, id);
    const QWidget* w = widget<QWidget>(kWin, id);
    EXPECT_EQ(w->pos(), QPoint(r.left, r.top)) << id;
    EXPECT_EQ(w->height(), r.height()) << id;
  }
  const QImage img = plat::test::windowImage(kWin);
  EXPECT_EQ(img.size(), QSize(560, 400));
  plat::test::saveArtifact(img, "controls.png");
}

}  // namespace
