// Key translation: what each Qt key event becomes for the program's key handlers.
#include <QString>
#include <gtest/gtest.h>

#include "platform/qt/internal.h"

namespace {

struct KeyCase {
  const char* name;
  int qtKey;
  Qt::KeyboardModifiers mods;
  QString text;
  int code;
};

int translate(const KeyCase& k) {
  return plat::detail::macCharCode(k.qtKey, static_cast<unsigned>(k.mods.toInt()), k.text);
}

const Qt::KeyboardModifiers kNone = Qt::NoModifier;
const Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
const Qt::KeyboardModifiers kAlt = Qt::AltModifier;
const Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
const Qt::KeyboardModifiers kKeypad = Qt::KeypadModifier;

TEST(KeyTranslation, NamedKeys) {
  const KeyCase cases[] = {
      {"left", Qt::Key_Left, kNone, "", 28},
      {"right", Qt::Key_Right, kNone, "", 29},
      {"up", Qt::Key_Up, kNone, "", 30},
      {"down", Qt::Key_Down, kNone, "", 31},
      {"keypad arrow", Qt::Key_Up, kKeypad, "", 30},
      {"return", Qt::Key_Return, kNone, "\r", 13},
      {"keypad enter", Qt::Key_Enter, kKeypad, "\r", 3},
      {"tab", Qt::Key_Tab, kNone, "\t", 9},
      {"backtab", Qt::Key_Backtab, kShift, "", 9},
      {"backspace", Qt::Key_Backspace, kNone, "\b", 8},
      {"forward delete", Qt::Key_Delete, kNone, "\x7f", 127},
      {"escape", Qt::Key_Escape, kNone, "\x1b", 27},
      {"clear", Qt::Key_Clear, kNone, "", 27},
      {"ctrl period is Cmd-period, another escape", Qt::Key_Period, kCtrl, ".", 27},
      {"home", Qt::Key_Home, kNone, "", 1},
      {"end", Qt::Key_End, kNone, "", 4},
      {"page up", Qt::Key_PageUp, kNone, "", 11},
      {"page down", Qt::Key_PageDown, kNone, "", 12},
      {"help", Qt::Key_Help, kNone, "", 5},
      {"shift left shifts the block", Qt::Key_Left, kShift, "", 128},
      {"shift right shifts the block", Qt::Key_Right, kShift, "", 129},
      {"shift up stays an arrow", Qt::Key_Up, kShift, "", 30},
      {"ctrl left stays an arrow", Qt::Key_Left, kCtrl, "", 28},
  };
  for (const auto& k : cases) EXPECT_EQ(translate(k), k.code) << k.name;
}

TEST(KeyTranslation, AltDigitsGiveTheOptionDigitCharacters) {
  const int expected[10] = {193, 170, 163, 162, 176, 164, 166, 165, 187, 188};
  for (int d = 1; d <= 10; ++d) {
    const int qtKey = Qt::Key_0 + d % 10;
    // Linux layouts report the plain digit as text with Alt held.
    const KeyCase k{"alt digit", qtKey, kAlt, QString::number(d % 10), expected[d - 1]};
    EXPECT_EQ(translate(k), k.code) << "Alt+" << d % 10;
  }
  // Without Alt a digit is itself.
  EXPECT_EQ(translate({"digit", Qt::Key_7, kNone, "7", '7'}), '7');
}

TEST(KeyTranslation, TextKeysGiveTheirMacRomanByte) {
  const KeyCase cases[] = {
      {"letter", Qt::Key_A, kNone, "a", 'a'},
      {"capital", Qt::Key_A, kShift, "A", 'A'},
      {"space", Qt::Key_Space, kNone, " ", 32},
      {"slash", Qt::Key_Slash, kNone, "/", '/'},
      {"question mark", Qt::Key_Question, kShift, "?", '?'},
      {"plus", Qt::Key_Plus, kShift, "+", '+'},
      {"degree sign", Qt::Key_degree, kShift, QString(QChar(0x00B0)), 0xA1},
      {"a umlaut", Qt::Key_Adiaeresis, kShift, QString(QChar(0x00C4)), 0x80},
      {"euro", Qt::Key_unknown, kNone, QString(QChar(0x20AC)), 0xDB},
      {"bullet typed as text", Qt::Key_unknown, kNone, QString(QChar(0x2022)), 0xA5},
  };
  for (const auto& k : cases) EXPECT_EQ(translate(k), k.code) << k.name;
}

TEST(KeyTranslation, KeysWithoutMacRomanFormGiveZero) {
  const KeyCase cases[] = {
      {"polish l", Qt::Key_unknown, kNone, QString(QChar(0x0142)), 0},
      {"cjk", Qt::Key_unknown, kNone, QString(QChar(0x4E2D)), 0},
      {"emoji (surrogate pair)", Qt::Key_unknown, kNone, QString::fromUcs4(U"\U0001F600"), 0},
      {"ctrl letter belongs to the menus", Qt::Key_R, kCtrl, "\x12", 0},
      {"shift alone", Qt::Key_Shift, kShift, "", 0},
      {"function key", Qt::Key_F5, kNone, "", 0},
      {"empty text", Qt::Key_unknown, kNone, "", 0},
  };
  for (const auto& k : cases) EXPECT_EQ(translate(k), k.code) << k.name;
}

}  // namespace
