// Qt key events -> the Mac Roman character codes the program's key handlers
// compare against.
#include <QString>
#include <Qt>

#include "platform/macroman.h"
#include "platform/qt/internal.h"

namespace plat::detail {

namespace {

// What Option-1 .. Option-0 type on a Mac keyboard; the program reads them
// as the channel overlay keys. Index 0 is the digit 1.
constexpr int kOptionDigits[10] = {193, 170, 163, 162, 176, 164, 166, 165, 187, 188};

int namedKey(int qtKey, Qt::KeyboardModifiers mods) {
  const bool shift = mods & Qt::ShiftModifier;
  switch (qtKey) {
    case Qt::Key_Left: return shift ? 128 : 28;    // Shift gives the block-shift codes
    case Qt::Key_Right: return shift ? 129 : 29;
    case Qt::Key_Up: return 30;
    case Qt::Key_Down: return 31;
    case Qt::Key_Return: return 13;
    case Qt::Key_Enter: return 3;                    // keypad Enter stays apart from Return
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Delete: return 127;
    case Qt::Key_Escape:
    case Qt::Key_Clear: return 27;
    case Qt::Key_Home: return 1;
    case Qt::Key_End: return 4;
    case Qt::Key_PageUp: return 11;
    case Qt::Key_PageDown: return 12;
    case Qt::Key_Help: return 5;
    default: return -1;
  }
}

}  // namespace

int macCharCode(int qtKey, unsigned modifiers, const QString& text) {
  const auto mods = Qt::KeyboardModifiers::fromInt(static_cast<int>(modifiers));
  if (int code = namedKey(qtKey, mods); code >= 0) return code;

  // Ctrl combinations belong to menu command keys, never to typed text;
  // Ctrl+period is the Mac's Cmd-period, another Escape.
  if (mods & (Qt::ControlModifier | Qt::MetaModifier)) return qtKey == Qt::Key_Period ? 27 : 0;

  if ((mods & Qt::AltModifier) && qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
    return kOptionDigits[(qtKey - Qt::Key_0 + 9) % 10];

  if (text.isEmpty()) return 0;
  const char32_t cp = text.toUcs4().value(0);
  if (cp < 0x20 || cp == 0x7F) return 0;   // stray control characters from modifier combinations
  const int byte = unicodeToMacRoman(cp);
  return byte < 0 ? 0 : byte;
}

}  // namespace plat::detail
