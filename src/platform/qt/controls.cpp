// Controls by numeric id, hosted as children of a window's content widget at
// the program's local coordinates. Qt signals only queue events; the state a
// control shows (marks, values) is set by the program alone.
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStandardItemModel>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QToolButton>
#include <QValidator>

#include <algorithm>

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/macroman.h"
#include "platform/qt/controls_internal.h"
#include "platform/qt/fonts.h"
#include "platform/qt/internal.h"
#include "platform/qt/widgets.h"
#include "platform/sound.h"
#include "platform/windows.h"

namespace plat {
namespace {

using detail::findWindow;
using detail::WindowRec;

enum class Kind { Button = 1, MenuButton, LineField, StaticField, Popup, Slider, Progress, TextView, Browser };

constexpr const char* kKind = "cmKind";
constexpr const char* kTitle = "cmTitle";     // Mac Roman bytes as given
constexpr const char* kRect = "cmRect";       // the program's rectangle
constexpr const char* kState = "cmState";
constexpr const char* kValue = "cmValue";     // menu button: last chosen item
constexpr const char* kChosen = "cmChosen";
constexpr const char* kMenu = "cmMenu";
constexpr const char* kText = "cmText";       // static fields keep their exact bytes
constexpr const char* kEtched = "cmEtched";
constexpr const char* kFramed = "cmFramed";
constexpr const char* kFore = "cmFore";
constexpr const char* kBack = "cmBack";

QString toQ(std::string_view mac) { return QString::fromUtf8(macRomanToUtf8(mac)); }
MacText fromQ(const QString& s) { return utf8ToMacRoman(s.toUtf8().toStdString()); }

bool macRomanHolds(char32_t cp) { return unicodeToMacRoman(cp) >= 0; }

// Button titles treat '&' as a mnemonic marker.
QString buttonText(const MacText& t) { return toQ(t).replace('&', "&&"); }

QColor qColor(Rgb16 c) { return QColor::fromRgba64(c.r, c.g, c.b, 0xFFFF); }

Kind kindOf(const QWidget* w) { return static_cast<Kind>(w->property(kKind).toInt()); }

QWidget* control(int win, int id) {
  WindowRec* w = findWindow(win);
  if (!w) return nullptr;
  auto it = w->controls.find(id);
  if (it == w->controls.end()) return nullptr;
  if (!it->second) {
    w->controls.erase(it);
    return nullptr;
  }
  return it->second.data();
}

template <class T>
T* controlAs(int win, int id, Kind kind) {
  QWidget* w = control(win, id);
  return w && kindOf(w) == kind ? static_cast<T*>(w) : nullptr;
}

void queueEvent(EventKind kind, int win, int id) {
  Event e;
  e.kind = kind;
  e.window = win;
  e.control = id;
  detail::post(e);
}

void postHit(int win, int id) { queueEvent(EventKind::ControlHit, win, id); }

void queueKey(int win, int code, bool autoRepeat) {
  Event e;
  e.kind = EventKind::Key;
  e.window = win;
  e.charCode = code;
  e.autoRepeat = autoRepeat;
  detail::post(e);
}

// Qt toggles checkable buttons and radios by itself; here only the program
// marks them, so a click changes nothing but reports the hit.
template <class Base>
class Unmarking : public Base {
 public:
  using Base::Base;

 protected:
  void nextCheckState() override {}
};

class Popup : public QComboBox {
 public:
  using QComboBox::QComboBox;

 protected:
  void wheelEvent(QWheelEvent* e) override { e->ignore(); }   // a pop-up changes only by choice
};

class PageSlider : public QSlider {
 public:
  using QSlider::QSlider;

 protected:
  // The program learns of moves only through hits; a wheel would move it silently.
  void wheelEvent(QWheelEvent* e) override { e->ignore(); }
};

class MacRomanValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    for (char32_t cp : input.toUcs4())
      if (!macRomanHolds(cp)) return Invalid;
    return Acceptable;
  }
};

// Text views hold Mac text: CR ends a paragraph, a lone LF is kept as a line
// separator so that any text comes back byte for byte.
class TextView : public QTextEdit {
 public:
  using QTextEdit::QTextEdit;
  bool hasMargins = false;
  int margins[4] = {0, 0, 0, 0};

  void applyMargins() {
    if (!hasMargins) return;
    QTextFrame* root = document()->rootFrame();
    QTextFrameFormat f = root->frameFormat();
    f.setLeftMargin(margins[0]);
    f.setTopMargin(margins[1]);
    f.setRightMargin(margins[2]);
    f.setBottomMargin(margins[3]);
    root->setFrameFormat(f);
  }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (!isReadOnly()) {
      if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        textCursor().insertBlock();   // never a line separator: it would save as LF
        ensureCursorVisible();
        return;
      }
      const QString t = e->text();
      if (!t.isEmpty() && t.at(0).isPrint() && !(e->modifiers() & Qt::ControlModifier) &&
          !macRomanHolds(t.toUcs4().value(0))) {
        systemBeep();
        return;
      }
    }
    QTextEdit::keyPressEvent(e);
  }

  void insertFromMimeData(const QMimeData* src) override {
    if (!src || !src->hasText()) return;
    QString kept;
    bool dropped = false;
    for (char32_t cp : src->text().toUcs4()) {
      if (cp == '\n' || cp == '\r' || cp == '\t' || macRomanHolds(cp)) kept.append(QString::fromUcs4(&cp, 1));
      else dropped = true;
    }
    if (dropped) systemBeep();
    textCursor().insertText(kept);
    ensureCursorVisible();
  }
};

// The field whose key filter is running program code: removing it then must
// not delete it under Qt's feet.
QPointer<QWidget> inFilter;

// Keys typed into an edit field go to the program's key filter first. Tab,
// Return and Enter never reach Qt, which would move focus or ignore them.
class FieldFilter : public QObject {
 public:
  FieldFilter(int win, int id, QObject* parent) : QObject(parent), win_(win), id_(id) {}

  bool eventFilter(QObject* obj, QEvent* ev) override {
    auto* edit = qobject_cast<QLineEdit*>(obj);
    if (!edit) return false;   // the field is being destroyed
    switch (ev->type()) {
      case QEvent::KeyPress: return keyPress(edit, static_cast<QKeyEvent*>(ev));
      case QEvent::FocusIn:
        // Qt gives focus before it delivers the press that caused it.
        if (static_cast<QFocusEvent*>(ev)->reason() == Qt::MouseFocusReason)
          selectOnRelease_ = edit->property(kEtched).toBool();
        return false;
      case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(ev)->button() == Qt::LeftButton) {
          queueEvent(EventKind::FieldClick, win_, id_);
        }
        return false;
      case QEvent::MouseButtonRelease:
        if (selectOnRelease_) {
          selectOnRelease_ = false;
          // After Qt placed the caret, so the selection survives the click.
          QMetaObject::invokeMethod(edit, [edit] { edit->selectAll(); }, Qt::QueuedConnection);
        }
        return false;
      default: return false;
    }
  }

 private:
  bool keyPress(QLineEdit* edit, QKeyEvent* ke) {
    const int key = ke->key();
    const bool structural =
        key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return || key == Qt::Key_Enter;
    const int code = detail::macCharCode(key, static_cast<unsigned>(ke->modifiers()), ke->text());
    if (code == 0) {
      const QString t = ke->text();
      if (!t.isEmpty() && t.at(0).isPrint() && !(ke->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
        systemBeep();   // Mac Roman cannot hold it; storing '?' would corrupt the text
        return true;
      }
      return structural;
    }
    if (code == 27) {
      // Escape leaves the dialog, never edits the field: the window hears it.
      queueKey(win_, code, ke->isAutoRepeat());
      return true;
    }
    KeyVerdict verdict = structural ? KeyVerdict::Swallow : KeyVerdict::Insert;
    // A copy: the filter may install other handlers while it runs.
    if (const auto filter = handlers().editKey) {
      Event e;
      e.kind = EventKind::Key;
      e.window = win_;
      e.control = id_;
      e.charCode = code;
      e.autoRepeat = ke->isAutoRepeat();
      QPointer<QObject> self(this);
      inFilter = edit;
      verdict = filter(e);
      inFilter = nullptr;
      if (!self) return true;   // the program removed the field meanwhile
    }
    if (structural || verdict == KeyVerdict::Swallow) return true;
    // Alt+digit reports an Option character; the field must show that, not the digit.
    if (code >= 0x20 && code != 0x7F) {
      const char32_t cp = macRomanToUnicode(static_cast<unsigned char>(code));
      const QString ch = QString::fromUcs4(&cp, 1);
      if (ch != ke->text()) {
        edit->insert(ch);
        return true;
      }
    }
    return false;
  }

  int win_, id_;
  bool selectOnRelease_ = false;
};

// The title is shown beside the box; a rectangle that holds only the box
// must cut off neither the title nor the indicator, which stays centred on it.
constexpr int kBoxIndicator = 14;   // the Fusion style's check box and radio indicator

void fitBeside(QAbstractButton* b) {
  const QRect r = b->property(kRect).toRect();
  // A title a little too long for its rectangle is set a size smaller before
  // the box grows over its neighbour; a box without a title needs no more.
  if (b->text().trimmed().isEmpty()) {
    b->setGeometry(r.x(), r.y(), r.width(), std::max(r.height(), kBoxIndicator));
    return;
  }
  QFont f = b->font();
  for (int px = QFontInfo(f).pixelSize(); b->sizeHint().width() > r.width() && px > 8;) {
    f.setPixelSize(--px);
    b->setFont(f);
  }
  const QSize hint = b->sizeHint();
  // A row as high as the box itself keeps its height: grown to the style's
  // hint, rows of radios 16 or 18 pixels apart would overlap.
  const int h = r.height() >= kBoxIndicator ? r.height() : std::max(r.height(), hint.height());
  b->setGeometry(r.x(), r.y() - (h - r.height()) / 2, std::max(r.width(), hint.width()), h);
}

QWidget* host(int win) {
  WindowRec* w = findWindow(win);
  return w && w->content ? w->content.data() : nullptr;
}

void place(int win, int id, QWidget* widget, Kind kind, Rect r) {
  WindowRec* w = findWindow(win);
  widget->setProperty(kKind, static_cast<int>(kind));
  widget->setProperty(kRect, QRect(r.left, r.top, r.width(), r.height()));
  widget->setGeometry(r.left, r.top, std::max(0, r.width()), std::max(0, r.height()));
  w->controls[id] = widget;
  widget->show();
}

// Replaces any control of that id; null when the window is absent.
QWidget* prepare(int win, int id) {
  QWidget* parent = host(win);
  if (parent) removeControl(win, id);
  return parent;
}

void applyState(QWidget* w, int state) {
  w->setProperty(kState, state);
  w->setEnabled(state != 0);
  if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable()) {
    const QSignalBlocker block(b);
    b->setChecked(state == 2);
  }
}

// Stylesheets rather than palettes: the frame kinds need their own borders,
// and a stylesheet is not overridden by the application's.
void applyFieldLook(QWidget* w) {
  const QString fore = w->property(kFore).value<QColor>().name();
  const QString back = w->property(kBack).value<QColor>().name();
  QString border = "none";
  if (w->property(kFramed).toBool()) border = w->property(kEtched).toBool() ? "1px inset #8c8c8c" : "1px solid #000000";
  const char* cls = kindOf(w) == Kind::StaticField ? "QLabel" : "QLineEdit";
  w->setStyleSheet(QString("%1 { color: %2; background-color: %3; border: %4; padding: 0px 1px; margin: 0px; }")
                       .arg(cls, fore, back, border));
}

Qt::Alignment alignment(Align a) {
  switch (a) {
    case Align::Center: return Qt::AlignHCenter;
    case Align::Right: return Qt::AlignRight;
    default: return Qt::AlignLeft;
  }
}

// Static fields show CR line ends as line breaks.
QString staticText(const MacText& t) {
  QString s = toQ(t);
  s.replace("\r\n", "\n").replace('\r', '\n');
  return s;
}

void fillPopup(QComboBox* box, const std::vector<MenuItemSpec>& items) {
  const QSignalBlocker block(box);
  box->clear();
  auto* model = qobject_cast<QStandardItemModel*>(box->model());
  for (const auto& it : items) {
    // Separators stay rows of their own, so item numbers count them.
    if (it.separator || it.title == "-") {
      box->insertSeparator(box->count());
      continue;
    }
    box->addItem(toQ(it.title));
    if (!it.enabled && model) model->item(box->count() - 1)->setEnabled(false);
  }
}

bool itemSelectable(QComboBox* box, int index) {
  if (index < 0 || index >= box->count()) return false;
  auto* model = qobject_cast<QStandardItemModel*>(box->model());
  const QStandardItem* item = model ? model->item(index) : nullptr;
  return item && item->isEnabled() && (item->flags() & Qt::ItemIsSelectable);
}

void fillMenuButton(int win, int id, QToolButton* b) {
  QMenu* menu = b->menu();
  menu->clear();
  for (const auto& it : detail::popupItems(b->property(kMenu).toInt())) {
    if (it.separator || it.title == "-") {
      menu->addSeparator();
      continue;
    }
    QAction* a = menu->addAction(buttonText(it.title));
    a->setEnabled(it.enabled);
    QObject::connect(a, &QAction::triggered, b, [win, id, b, menu, a] {
      b->setProperty(kChosen, true);
      b->setProperty(kValue, static_cast<int>(menu->actions().indexOf(a)) + 1);
      postHit(win, id);
    });
  }
}

QToolButton* makeMenuButton(int win, const ButtonSpec& s, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setProperty(kMenu, s.menuId);
  b->setProperty(kValue, 0);
  b->setPopupMode(QToolButton::InstantPopup);
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  auto* menu = new QMenu(b);
  b->setMenu(menu);
  const int id = s.id;
  QObject::connect(menu, &QMenu::aboutToShow, b, [b] { b->setProperty(kChosen, false); });
  // A choice is triggered after the menu hides; a queued look tells a dismissal apart.
  QObject::connect(menu, &QMenu::aboutToHide, b, [win, id, b] {
    QMetaObject::invokeMethod(
        b,
        [win, id, b] {
          if (b->property(kChosen).toBool()) return;
          b->setProperty(kValue, 0);
          postHit(win, id);
        },
        Qt::QueuedConnection);
  });
  fillMenuButton(win, id, b);
  return b;
}

}  // namespace

// ---- buttons ----------------------------------------------------------------------------------

namespace {

constexpr const char* kButtonFont = "cmButtonFont";

// A plain push button that already shows what s describes (title and state
// as set since, too).
bool samePushButton(QWidget* w, const ButtonSpec& s) {
  auto* b = qobject_cast<QPushButton*>(w);
  return b && s.kind == ButtonKind::Push && kindOf(w) == Kind::Button && !b->isDefault() &&
         w->property(kTitle).toByteArray() == QByteArray::fromStdString(s.title) &&
         w->property(kState).toInt() == s.state &&
         w->property(kRect).toRect() == QRect(s.r.left, s.r.top, s.r.width(), s.r.height()) &&
         w->geometry() == QRect(s.r.left, s.r.top, std::max(0, s.r.width()), std::max(0, s.r.height())) &&
         w->property(kButtonFont).value<QFont>() == detail::FontMapper::font(s.font);
}

}  // namespace

void addButton(int win, const ButtonSpec& s) {
  // Redraws ask for their buttons again; an unchanged one is kept (on top
  // and shown, as a new one would be).
  if (QWidget* old = control(win, s.id); old && samePushButton(old, s)) {
    old->raise();
    old->show();
    return;
  }
  QWidget* parent = prepare(win, s.id);
  if (!parent) return;
  QAbstractButton* b = nullptr;
  Kind kind = Kind::Button;
  switch (s.kind) {
    case ButtonKind::Push:
    case ButtonKind::DefaultPush: {
      auto* p = new QPushButton(parent);
      p->setAutoDefault(false);
      p->setDefault(s.kind == ButtonKind::DefaultPush);   // the look only; the loop handles Return
      b = p;
      break;
    }
    case ButtonKind::Bevel:
    case ButtonKind::SmallBevel:
    case ButtonKind::Toggle: {
      auto* t = new Unmarking<QToolButton>(parent);
      t->setCheckable(true);
      t->setToolButtonStyle(Qt::ToolButtonTextOnly);
      b = t;
      break;
    }
    case ButtonKind::Radio: {
      auto* r = new Unmarking<QRadioButton>(parent);
      r->setAutoExclusive(false);
      b = r;
      break;
    }
    case ButtonKind::CheckBox: {
      auto* c = new Unmarking<QCheckBox>(parent);
      c->setAutoExclusive(false);
      b = c;
      break;
    }
    case ButtonKind::MenuButton:
      b = makeMenuButton(win, s, parent);
      kind = Kind::MenuButton;
      break;
  }
  b->setFocusPolicy(Qt::NoFocus);
  const QFont font = detail::FontMapper::font(s.font);
  b->setFont(font);
  b->setProperty(kButtonFont, font);
  b->setText(buttonText(s.title));
  b->setProperty(kTitle, QByteArray::fromStdString(s.title));
  if (kind == Kind::Button) {
    const int id = s.id;
    QObject::connect(b, &QAbstractButton::clicked, b, [win, id] { postHit(win, id); });
  }
  applyState(b, s.state);
  place(win, s.id, b, kind, s.r);
  if (s.kind == ButtonKind::Radio || s.kind == ButtonKind::CheckBox) fitBeside(b);
}

void setButtonState(int win, int id, int state) {
  if (QWidget* w = control(win, id)) applyState(w, state);
}

int buttonState(int win, int id) {
  QWidget* w = control(win, id);
  if (!w) return -1;
  const QVariant v = w->property(kState);
  return v.isValid() ? v.toInt() : (w->isEnabled() ? 1 : 0);
}

void setControlTitle(int win, int id, const MacText& title) {
  QWidget* w = control(win, id);
  if (!w) return;
  w->setProperty(kTitle, QByteArray::fromStdString(title));
  if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    b->setText(buttonText(title));
    if (qobject_cast<QRadioButton*>(b) || qobject_cast<QCheckBox*>(b)) fitBeside(b);
  }
}

MacText controlTitle(int win, int id) {
  QWidget* w = control(win, id);
  return w ? w->property(kTitle).toByteArray().toStdString() : MacText{};
}

void removeControl(int win, int id) {
  WindowRec* w = findWindow(win);
  if (!w) return;
  auto it = w->controls.find(id);
  if (it == w->controls.end()) return;
  QPointer<QWidget> widget = it->second;
  w->controls.erase(it);
  if (!widget) return;
  if (widget == inFilter) {
    widget->hide();
    widget->deleteLater();
    return;
  }
  // Qt handlers only queue events, so no signal of this widget is on the stack.
  delete widget.data();
}

bool controlExists(int win, int id) { return control(win, id) != nullptr; }

void showControl(int win, int id, bool show) {
  if (QWidget* w = control(win, id)) w->setVisible(show);
}

Rect controlRect(int win, int id) {
  QWidget* w = control(win, id);
  if (!w) return {};
  const QRect r = w->property(kRect).toRect();
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

std::vector<int> controlIds(int win) {
  std::vector<int> ids;
  if (WindowRec* w = findWindow(win))
    for (const auto& [id, widget] : w->controls)
      if (widget) ids.push_back(id);
  return ids;
}

Rect controlFrame(int win, int id) {
  QWidget* w = control(win, id);
  if (!w || !w->isVisibleTo(w->parentWidget())) return {};
  const QRect r = w->geometry();
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

int menuButtonValue(int win, int id) {
  QWidget* w = controlAs<QWidget>(win, id, Kind::MenuButton);
  return w ? w->property(kValue).toInt() : 0;
}

// ---- fields -----------------------------------------------------------------------------------

namespace {

constexpr const char* kBaseFont = "baseFont";

// A one-line text wider than its field is set smaller (down to 8 pixels)
// rather than cut off; a shorter one gets the field's own size back.
void fitOneLine(QLabel* l) {
  if (l->wordWrap()) return;
  QFont f = l->property(kBaseFont).value<QFont>();
  l->setFont(f);
  const int room = l->width() - 2 * l->margin() - 2;
  for (int px = QFontInfo(f).pixelSize(); px > 8 && QFontMetrics(f).horizontalAdvance(l->text()) > room;) {
    f.setPixelSize(--px);
    l->setFont(f);
  }
}

// The static field already shows what s describes (colours and text as set
// since, too).
bool sameStaticField(QWidget* w, const FieldSpec& s) {
  auto* l = qobject_cast<QLabel*>(w);
  return l && kindOf(w) == Kind::StaticField && s.kind == FieldKind::Static &&
         l->property(kText).toByteArray() == QByteArray::fromStdString(s.text) &&
         l->property(kRect).toRect() == QRect(s.r.left, s.r.top, s.r.width(), s.r.height()) &&
         l->geometry() == QRect(s.r.left, s.r.top, std::max(0, s.r.width()), std::max(0, s.r.height())) &&
         l->alignment() == (alignment(s.align) | Qt::AlignTop) && l->wordWrap() == s.wrap &&
         l->property(kFramed).toBool() == s.framed && l->property(kFore).value<QColor>() == qColor(s.fore) &&
         l->property(kBack).value<QColor>() == qColor(s.back) &&
         l->property(kBaseFont).value<QFont>() == detail::FontMapper::font(s.font);
}

}  // namespace

void addField(int win, const FieldSpec& s) {
  // A window redrawn asks for its static fields again each time; an
  // unchanged one is kept (on top and shown, as a new one would be) rather
  // than built again with its style sheet and polish.
  if (QWidget* old = control(win, s.id); old && sameStaticField(old, s)) {
    old->raise();
    old->show();
    return;
  }
  QWidget* parent = prepare(win, s.id);
  if (!parent) return;
  QWidget* w = nullptr;
  Kind kind = Kind::LineField;
  if (s.kind == FieldKind::Static) {
    auto* l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(alignment(s.align) | Qt::AlignTop);
    l->setWordWrap(s.wrap);
    l->setText(staticText(s.text));
    l->setProperty(kText, QByteArray::fromStdString(s.text));
    l->setFocusPolicy(Qt::NoFocus);
    w = l;
    kind = Kind::StaticField;
  } else {
    auto* e = new QLineEdit(parent);
    e->setMaxLength(s.maxLen > 0 ? s.maxLen : 255);
    e->setValidator(new MacRomanValidator(e));
    e->setAlignment(alignment(s.align) | Qt::AlignVCenter);
    e->setText(toQ(s.text));
    e->setCursorPosition(0);
    // A click or the program gives a field the keyboard, never Qt's Tab
    // chain: when the window manager activates the desk, Qt hands the
    // keyboard to the first widget that takes Tab, and a window's own keys
    // ('p', the channel keys) would be typed into a field the user never chose.
    e->setFocusPolicy(Qt::ClickFocus);
    e->installEventFilter(new FieldFilter(win, s.id, e));
    w = e;
  }
  w->setFont(detail::FontMapper::font(s.font));
  w->setProperty(kEtched, s.kind == FieldKind::Editable);
  w->setProperty(kFramed, s.framed);
  w->setProperty(kFore, qColor(s.fore));
  w->setProperty(kBack, qColor(s.back));
  w->setProperty(kKind, static_cast<int>(kind));
  applyFieldLook(w);
  place(win, s.id, w, kind, s.r);
  if (auto* l = qobject_cast<QLabel*>(w)) {
    l->setProperty(kBaseFont, l->font());
    fitOneLine(l);
  }
}

MacText fieldText(int win, int id) {
  QWidget* w = control(win, id);
  if (!w) return {};
  if (kindOf(w) == Kind::StaticField) return w->property(kText).toByteArray().toStdString();
  if (kindOf(w) == Kind::LineField) return fromQ(static_cast<QLineEdit*>(w)->text());
  if (kindOf(w) == Kind::TextView || kindOf(w) == Kind::Browser) return viewText(win, id);
  return {};
}

void setFieldText(int win, int id, const MacText& text) {
  QWidget* w = control(win, id);
  if (!w) return;
  if (kindOf(w) == Kind::StaticField) {
    static_cast<QLabel*>(w)->setText(staticText(text));
    w->setProperty(kText, QByteArray::fromStdString(text));
    fitOneLine(static_cast<QLabel*>(w));
  } else if (kindOf(w) == Kind::LineField) {
    static_cast<QLineEdit*>(w)->setText(toQ(text));
  } else if (kindOf(w) == Kind::TextView) {
    setViewText(win, id, text);
  }
}

void focusField(int win, int id, bool selectAll) {
  QWidget* w = control(win, id);
  if (!w) return;
  if (auto* e = qobject_cast<QLineEdit*>(w); e && kindOf(w) == Kind::LineField) {
    e->setFocus(Qt::OtherFocusReason);
    if (selectAll) e->selectAll();
    else e->setCursorPosition(static_cast<int>(e->text().size()));
  } else if (kindOf(w) == Kind::TextView) {
    w->setFocus(Qt::OtherFocusReason);
  }
}

void setFieldCaret(int win, int id, int offset) {
  auto* e = qobject_cast<QLineEdit*>(control(win, id));
  if (!e) return;
  e->setFocus(Qt::OtherFocusReason);
  e->deselect();
  e->setCursorPosition(std::clamp(offset, 0, static_cast<int>(e->text().size())));
}

int fieldCaret(int win, int id) {
  auto* e = qobject_cast<QLineEdit*>(control(win, id));
  return e ? e->cursorPosition() : -1;
}

void clearFieldFocus(int win) {
  WindowRec* w = findWindow(win);
  if (!w || !w->content) return;
  QWidget* f = w->content->focusWidget();
  if (!f) return;
  for (const auto& [id, c] : w->controls)
    if (c == f) {
      if (auto* e = qobject_cast<QLineEdit*>(f)) e->deselect();
      f->clearFocus();
      return;
    }
}

int focusedField(int win) {
  WindowRec* w = findWindow(win);
  if (!w || !w->content) return 0;
  // The content remembers its last focused child even while another window has
  // the keyboard, as each Mac window keeps its own active field.
  QWidget* f = w->content->focusWidget();
  if (!f) return 0;
  for (const auto& [id, c] : w->controls)
    if (c == f && kindOf(f) == Kind::LineField) return id;
  return 0;
}

void setFieldColors(int win, int id, Rgb16 fore, Rgb16 back) {
  QWidget* w = control(win, id);
  if (!w || (kindOf(w) != Kind::LineField && kindOf(w) != Kind::StaticField)) return;
  w->setProperty(kFore, qColor(fore));
  w->setProperty(kBack, qColor(back));
  applyFieldLook(w);
}

// ---- pop-ups ------------------------------------------------------------------------------------

void addPopup(int win, int id, int menuId, int item, Rect r) {
  QWidget* parent = prepare(win, id);
  if (!parent) return;
  auto* box = new Popup(parent);
  box->setFocusPolicy(Qt::NoFocus);
  box->setProperty(kMenu, menuId);
  box->setFont(detail::FontMapper::font(FontSpec{}));
  fillPopup(box, detail::popupItems(menuId));
  box->setCurrentIndex(item >= 1 && item <= box->count() ? item - 1 : -1);
  QObject::connect(box, &QComboBox::activated, box, [win, id] { postHit(win, id); });
  place(win, id, box, Kind::Popup, r);
}

int popupValue(int win, int id) {
  auto* box = controlAs<QComboBox>(win, id, Kind::Popup);
  return box ? box->currentIndex() + 1 : 0;
}

void setPopupValue(int win, int id, int item) {
  auto* box = controlAs<QComboBox>(win, id, Kind::Popup);
  if (!box) return;
  const QSignalBlocker block(box);
  box->setCurrentIndex(std::clamp(item, 0, static_cast<int>(box->count())) - 1);
}

// ---- slider and progress ------------------------------------------------------------------------

void addSlider(int win, int id, Rect r, int min, int max, int value) {
  QWidget* parent = prepare(win, id);
  if (!parent) return;
  auto* s = new PageSlider(Qt::Horizontal, parent);
  s->setFocusPolicy(Qt::NoFocus);
  s->setRange(min, std::max(min, max));
  s->setPageStep(1);
  s->setValue(value);
  // Reported when the thumb is let go and on page clicks, never while dragging.
  QObject::connect(s, &QSlider::sliderReleased, s, [win, id] { postHit(win, id); });
  QObject::connect(s, &QSlider::actionTriggered, s, [win, id](int action) {
    if (action == QAbstractSlider::SliderPageStepAdd || action == QAbstractSlider::SliderPageStepSub ||
        action == QAbstractSlider::SliderSingleStepAdd || action == QAbstractSlider::SliderSingleStepSub)
      postHit(win, id);
  });
  place(win, id, s, Kind::Slider, r);
}

int sliderValue(int win, int id) {
  auto* s = controlAs<QSlider>(win, id, Kind::Slider);
  return s ? s->value() : 0;
}

void setSliderValue(int win, int id, int value) {
  if (auto* s = controlAs<QSlider>(win, id, Kind::Slider)) {
    const QSignalBlocker block(s);
    s->setValue(value);
  }
}

void setSliderRange(int win, int id, int min, int max) {
  if (auto* s = controlAs<QSlider>(win, id, Kind::Slider)) {
    const QSignalBlocker block(s);
    s->setRange(min, std::max(min, max));
  }
}

void addProgress(int win, int id, Rect r, int min, int max) {
  QWidget* parent = prepare(win, id);
  if (!parent) return;
  auto* p = new QProgressBar(parent);
  p->setFocusPolicy(Qt::NoFocus);
  p->setTextVisible(false);
  // An empty range would turn the bar into a busy indicator.
  p->setRange(min, std::max(min + 1, max));
  p->setValue(min);
  place(win, id, p, Kind::Progress, r);
}

void setProgress(int win, int id, int value) {
  // QProgressBar ignores values outside its range; a bar past its end shows full.
  if (auto* p = controlAs<QProgressBar>(win, id, Kind::Progress))
    p->setValue(std::clamp(value, p->minimum(), p->maximum()));
}

// ---- text views ---------------------------------------------------------------------------------

void addTextView(int win, int id, Rect r, bool editable) {
  QWidget* parent = prepare(win, id);
  if (!parent) return;
  auto* v = new TextView(parent);
  v->setAcceptRichText(false);
  v->setReadOnly(!editable);
  // A read-only view must not take the keyboard from the window's key
  // handling; an editable one takes it by a click, as a field does.
  v->setFocusPolicy(editable ? Qt::ClickFocus : Qt::NoFocus);
  v->setFont(detail::FontMapper::font(FontSpec{}));
  v->setLineWrapMode(QTextEdit::WidgetWidth);
  place(win, id, v, Kind::TextView, r);
}

void setViewText(int win, int id, const MacText& crText) {
  auto* v = controlAs<TextView>(win, id, Kind::TextView);
  if (!v) return;
  QString s = toQ(crText);
  for (QChar& c : s) {
    if (c == u'\r') c = QChar::ParagraphSeparator;
    else if (c == u'\n') c = QChar::LineSeparator;
  }
  v->setPlainText(s);
  v->applyMargins();
}

MacText viewText(int win, int id) {
  QWidget* w = control(win, id);
  if (!w || (kindOf(w) != Kind::TextView && kindOf(w) != Kind::Browser)) return {};
  auto* v = static_cast<QTextEdit*>(w);
  // Raw text: toPlainText() would also turn non-breaking spaces into spaces.
  QString s = v->document()->toRawText();
  for (QChar& c : s) {
    if (c == QChar::ParagraphSeparator) c = u'\r';
    else if (c == QChar::LineSeparator) c = u'\n';
  }
  return fromQ(s);
}

void setViewMargins(int win, int id, int left, int top, int right, int bottom) {
  auto* v = controlAs<TextView>(win, id, Kind::TextView);
  if (!v) return;
  v->hasMargins = true;
  v->margins[0] = left;
  v->margins[1] = top;
  v->margins[2] = right;
  v->margins[3] = bottom;
  v->applyMargins();
}

bool loadViewText(int win, int id, int code) {
  auto* v = controlAs<TextView>(win, id, Kind::TextView);
  if (!v || code <= 0) return false;
  QFile f(QString::fromStdString((resourceDir() / "Texts" / (std::to_string(code) + ".html")).string()));
  if (!f.open(QIODevice::ReadOnly)) return false;
  v->setHtml(QString::fromUtf8(f.readAll()));
  v->applyMargins();
  return true;
}

void setViewSelection(int win, int id, int start, int end) {
  auto* v = controlAs<TextView>(win, id, Kind::TextView);
  if (!v) return;
  const int last = std::max(0, v->document()->characterCount() - 1);
  QTextCursor c(v->document());
  c.setPosition(std::clamp(start, 0, last));
  c.setPosition(std::clamp(end, 0, last), QTextCursor::KeepAnchor);
  v->setTextCursor(c);
}

// ---- the layer's own entry points ---------------------------------------------------------------

namespace detail {

namespace {
bool usable(const QWidget* w) { return w && w->isEnabled() && !w->isHidden(); }
}  // namespace

bool simulateClick(int win, int id) {
  auto* b = controlAs<QAbstractButton>(win, id, Kind::Button);
  if (!usable(b)) return false;
  b->click();
  return true;
}

bool simulatePopup(int win, int id, int item) {
  auto* box = controlAs<QComboBox>(win, id, Kind::Popup);
  if (!usable(box) || !itemSelectable(box, item - 1)) return false;
  box->setCurrentIndex(item - 1);
  Q_EMIT box->activated(item - 1);   // what the pop-up list emits on a user's choice
  return true;
}

bool simulateMenuButton(int win, int id, int item) {
  auto* b = controlAs<QToolButton>(win, id, Kind::MenuButton);
  if (!usable(b)) return false;
  if (item == 0) {
    b->setProperty(kValue, 0);
    postHit(win, id);
    return true;
  }
  const QList<QAction*> actions = b->menu()->actions();
  if (item < 1 || item > actions.size()) return false;
  QAction* a = actions[item - 1];
  if (a->isSeparator() || !a->isEnabled()) return false;
  a->trigger();
  return true;
}

bool simulateSlide(int win, int id, int value) {
  auto* s = controlAs<QSlider>(win, id, Kind::Slider);
  if (!usable(s)) return false;
  s->setSliderDown(true);
  s->setSliderPosition(value);
  s->setSliderDown(false);   // the release reports the hit
  return true;
}

bool simulateFieldClick(int win, int id) {
  auto* e = controlAs<QLineEdit>(win, id, Kind::LineField);
  if (!usable(e)) return false;
  const QPointF local(std::max(1, e->width() - 2), e->height() / 2);
  const QPointF global = e->mapToGlobal(local);
  e->setFocus(Qt::MouseFocusReason);   // what Qt does before a real press
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(e, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(e, &release);
  return true;
}

void addHelpBrowser(int win, int id, Rect r, const std::filesystem::path& page) {
  QWidget* parent = prepare(win, id);
  if (!parent) return;
  auto* v = new QTextBrowser(parent);
  // Links between our pages stay in the window; web and mail addresses go
  // to the desk, which may refuse them without harm.
  v->setOpenExternalLinks(true);
  v->setSearchPaths({QString::fromStdString(page.parent_path().string())});
  v->setSource(QUrl::fromLocalFile(QString::fromStdString(page.string())));
  place(win, id, v, Kind::Browser, r);
}

QWidget* fieldWidget(int win, int id) {
  QWidget* w = control(win, id);
  if (!w) return nullptr;
  return kindOf(w) == Kind::LineField || kindOf(w) == Kind::TextView ? w : nullptr;
}

void menuItemsChanged(int menuId) {
  for (int win : windowIds()) {
    WindowRec* w = findWindow(win);
    if (!w) continue;
    for (const auto& [id, c] : w->controls) {
      if (!c || c->property(kMenu).toInt() != menuId) continue;
      if (kindOf(c) == Kind::Popup) {
        auto* box = static_cast<QComboBox*>(c.data());
        const int current = box->currentIndex();
        fillPopup(box, popupItems(menuId));
        const QSignalBlocker block(box);
        box->setCurrentIndex(current < box->count() ? current : -1);
      } else if (kindOf(c) == Kind::MenuButton) {
        fillMenuButton(win, id, static_cast<QToolButton*>(c.data()));
      }
    }
  }
}

}  // namespace detail
}  // namespace plat
