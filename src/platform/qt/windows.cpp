// Numbered windows: the registry, stacking, activation and the frames that
// the layer draws itself on the desk.
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QTimer>

#include <algorithm>
#include <stdexcept>

#include "platform/macroman.h"
#include "platform/qt/internal.h"
#include "platform/qt/portimpl.h"
#include "platform/qt/widgets.h"

namespace plat {
namespace detail {
namespace {

struct Registry {
  std::map<int, WindowRec> windows;
  std::vector<int> order;       // front to back
  uint32_t nextGeneration = 1;
  int current = 0;              // current port's window
  int active = 0;               // active document window
  std::map<int, int> kept;      // window -> the window it stays in front of
};

Registry& R() {
  static Registry r;
  return r;
}

Port& scratchPort() {
  static Port p;
  return p;
}

int layerOf(WindowClass c) {
  switch (c) {
    case WindowClass::Document: return 0;
    case WindowClass::Plain: return 0;
    case WindowClass::Floating: return 1;
    case WindowClass::Sheet: return 2;
    case WindowClass::Overlay: return 2;
  }
  return 0;
}

// A window kept in front of another that stands behind it moves to just
// before that one; the rest keep their order.
void honourKept() {
  Registry& r = R();
  if (r.kept.empty()) return;
  std::vector<int> out;
  out.reserve(r.order.size());
  const auto placed = [&](int id) { return std::find(out.begin(), out.end(), id) != out.end(); };
  for (int id : r.order) {
    if (placed(id)) continue;
    // Those before `id` are placed already: what is left stands behind it.
    for (int w : r.order)
      if (w != id && !placed(w) && r.kept.contains(w) && r.kept[w] == id) out.push_back(w);
    out.push_back(id);
  }
  r.order = std::move(out);
}

// Raise widgets back to front so that layers and order both hold.
void restack() {
  Registry& r = R();
  honourKept();
  std::vector<int> ids = r.order;
  std::stable_sort(ids.begin(), ids.end(), [&](int a, int b) {
    return layerOf(r.windows[a].spec.cls) > layerOf(r.windows[b].spec.cls);
  });
  for (auto it = ids.rbegin(); it != ids.rend(); ++it)
    if (auto* f = r.windows[*it].frame.data()) f->raise();
}

void setActiveLooks() {
  Registry& r = R();
  for (auto& [id, w] : r.windows)
    if (w.frame) w.frame->setActiveLook(id == r.active || w.spec.cls == WindowClass::Floating);
}

void toFront(int id) {
  Registry& r = R();
  auto it = std::find(r.order.begin(), r.order.end(), id);
  if (it == r.order.end()) return;
  r.order.erase(it);
  r.order.insert(r.order.begin(), id);
  restack();
}

int firstVisibleDocument(int except = 0) {
  Registry& r = R();
  for (int id : r.order) {
    if (id == except) continue;
    const WindowRec& w = r.windows[id];
    if (w.spec.cls == WindowClass::Document && w.spec.visible) return id;
  }
  return 0;
}

QString titleString(const MacText& t) { return QString::fromStdString(macRomanToUtf8(t)); }

}  // namespace

int titleBarHeightFor(WindowClass cls) {
  switch (cls) {
    case WindowClass::Plain:
    case WindowClass::Overlay: return 0;
    case WindowClass::Floating: return 16;
    default: return config().titleBarHeight;
  }
}

WindowRec* findWindow(int id) {
  auto it = R().windows.find(id);
  return it == R().windows.end() ? nullptr : &it->second;
}

WindowRec& windowOrThrow(int id) {
  WindowRec* w = findWindow(id);
  if (!w) throw std::out_of_range("no window " + std::to_string(id));
  return *w;
}

int activeWindowId() { return R().active; }

void closeAllWindows() {
  std::vector<int> ids = R().order;
  for (int id : ids) disposeWindow(id);
  R().current = 0;
  R().active = 0;
}

void userActivate(int win) {
  Registry& r = R();
  WindowRec* w = findWindow(win);
  if (!w) return;
  if (w->spec.cls != WindowClass::Document) {
    toFront(win);
    return;
  }
  int old = r.active;
  toFront(win);
  if (old == win) return;
  r.active = win;
  setActiveLooks();
  // Typing goes back to the field the user left in this window; in a window
  // without one, to the window itself, not to a field of the one left (which
  // keeps it for its return).
  if (w->content) {
    if (QWidget* f = w->content->focusWidget()) f->setFocus(Qt::ActiveWindowFocusReason);
    else w->content->setFocus(Qt::ActiveWindowFocusReason);
  }
  if (old && findWindow(old)) post(Event{.kind = EventKind::Deactivate, .window = old});
  // Where the pointer was: the click that activated the window may mean a place in it.
  bool down = false;
  const Point at = pointerState(&down);
  const Rect c = contentRect(win);
  post(Event{.kind = EventKind::Activate, .window = win, .local = {at.x - c.left, at.y - c.top}, .global = at});
}

bool pressActivates(int win) {
  const WindowRec* w = findWindow(win);
  return w && w->spec.cls == WindowClass::Document && R().active != win;
}

// The click that activates a window also acts on what it hits: a click
// spent only on raising a window was lost to users coming from panels.
bool userPress(int win) {
  WindowRec* w = findWindow(win);
  if (!w) return false;
  if (pressActivates(win)) userActivate(win);
  return true;
}

// ---- widgets --------------------------------------------------------------

ContentWidget::ContentWidget(int windowId, QWidget* parent) : QWidget(parent), id_(windowId) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

void ContentWidget::paintEvent(QPaintEvent* e) {
  WindowRec* w = findWindow(id_);
  if (!w || !w->port) return;
  QPainter p(this);
  const QImage& img = portImage(*w->port);
  p.drawImage(e->rect().topLeft(), img, e->rect());
}

namespace {
constexpr int kCloseBoxLeft = 8, kCloseBoxSize = 11, kGrow = 15;

// Where a title bar `tb` high and `width` wide draws its close box and title.
struct TitleLayout {
  QRect closeBox;
  QFont font;
  QRect room;     // the title is centred in it
  QString text;   // elided to the room
};

TitleLayout layOutTitle(int width, int tb, bool active, const QString& title) {
  TitleLayout t;
  t.closeBox = QRect(kCloseBoxLeft, (tb - kCloseBoxSize) / 2, kCloseBoxSize, kCloseBoxSize);
  t.font = QFont("Liberation Sans");
  t.font.setPixelSize(tb >= 20 ? 13 : 11);
  t.font.setBold(active);
  // Centred between the close box and a like margin; a narrow window (the
  // toolbar at the left) gives its title the margin too, and cuts it short
  // with an ellipsis rather than under the close box.
  t.room = QRect(28, 0, width - 56, tb);
  const QFontMetrics fm(t.font);
  if (fm.horizontalAdvance(title) > t.room.width()) t.room = QRect(28, 0, std::max(0, width - 32), tb);
  t.text = fm.elidedText(title, Qt::ElideRight, t.room.width());
  return t;
}
}  // namespace

Rect titleBarCloseBox(int id) {
  WindowRec* w = findWindow(id);
  if (!w || !w->frame || !w->spec.closeBox) return {};
  const int tb = titleBarHeightFor(w->spec.cls);
  if (tb <= 0) return {};
  const QRect b = layOutTitle(w->frame->width(), tb, w->frame->activeLook(), w->frame->titleText()).closeBox;
  const Point g = deskToGlobal({w->frame->x() + b.x(), w->frame->y() + b.y()});
  return {g.x, g.y, g.x + b.width(), g.y + b.height()};
}

Rect titleBarText(int id) {
  WindowRec* w = findWindow(id);
  if (!w || !w->frame) return {};
  const int tb = titleBarHeightFor(w->spec.cls);
  if (tb <= 0) return {};
  const TitleLayout t = layOutTitle(w->frame->width(), tb, w->frame->activeLook(), w->frame->titleText());
  if (t.text.isEmpty()) return {};
  const QFontMetrics fm(t.font);
  const QRect r = fm.boundingRect(t.room, Qt::AlignCenter, t.text);
  // The letters from their capital height down to the baseline.
  const int baseline = r.top() + fm.ascent();
  const Point g = deskToGlobal({w->frame->x() + r.left(), w->frame->y() + baseline - fm.capHeight()});
  return {g.x, g.y, g.x + r.width(), g.y + fm.capHeight()};
}

WindowFrame::WindowFrame(int windowId, QWidget* desk) : QWidget(desk), id_(windowId) {
  content_ = new ContentWidget(windowId, this);
  // The title bar is filled and the opaque content covers the rest, so Qt
  // need not paint the windows and the desk beneath on every repaint.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(false);
}

void WindowFrame::setTitleText(const QString& t) {
  title_ = t;
  update();
}

void WindowFrame::setActiveLook(bool active) {
  if (active_ == active) return;
  active_ = active;
  update();
}

void WindowFrame::flash() {
  flashing_ = true;
  update();
  QTimer::singleShot(150, this, [this] {
    flashing_ = false;
    update();
  });
}

void WindowFrame::layoutFor(Rect c) {
  WindowRec* w = findWindow(id_);
  int tb = w ? titleBarHeightFor(w->spec.cls) : config().titleBarHeight;
  Point d = globalToDesk({c.left, c.top});
  setGeometry(d.x, d.y - tb, c.width(), c.height() + tb);
  content_->setGeometry(0, tb, c.width(), c.height());
}

void WindowFrame::paintEvent(QPaintEvent*) {
  WindowRec* w = findWindow(id_);
  if (!w) return;
  int tb = titleBarHeightFor(w->spec.cls);
  QPainter p(this);
  if (tb > 0) {
    QRect bar(0, 0, width(), tb);
    QLinearGradient g(0, 0, 0, tb);
    if (active_) {
      g.setColorAt(0, QColor(0xEE, 0xEE, 0xEE));
      g.setColorAt(1, QColor(0xC4, 0xC4, 0xC4));
    } else {
      g.setColorAt(0, QColor(0xF4, 0xF4, 0xF4));
      g.setColorAt(1, QColor(0xE4, 0xE4, 0xE4));
    }
    if (flashing_) p.fillRect(bar, Qt::black);
    else p.fillRect(bar, g);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawLine(0, tb - 1, width() - 1, tb - 1);
    p.drawRect(0, 0, width() - 1, height() - 1);
    const TitleLayout t = layOutTitle(width(), tb, active_, title_);
    if (w->spec.closeBox) {
      const QRect box = t.closeBox;
      p.setBrush(active_ ? QColor(0xE0, 0x4B, 0x3E) : QColor(0xCC, 0xCC, 0xCC));
      p.setPen(QColor(0x70, 0x70, 0x70));
      p.drawEllipse(box);
      if (closePressed_) p.fillRect(box.adjusted(3, 3, -3, -3), Qt::black);
    }
    p.setFont(t.font);
    p.setPen(flashing_ ? Qt::white : active_ ? Qt::black : QColor(0x88, 0x88, 0x88));
    p.drawText(t.room, Qt::AlignCenter, t.text);
  }
  if (w->spec.resizable) {
    // The grow box sits over the content's bottom-right corner, drawn on top.
    QRect gb(width() - kGrow, height() - kGrow, kGrow, kGrow);
    p.setPen(QColor(0x60, 0x60, 0x60));
    for (int i = 4; i < kGrow; i += 4) p.drawLine(gb.right() - i, gb.bottom(), gb.right(), gb.bottom() - i);
  }
}

void WindowFrame::mousePressEvent(QMouseEvent* e) {
  WindowRec* w = findWindow(id_);
  if (!w || e->button() != Qt::LeftButton) return;
  int tb = titleBarHeightFor(w->spec.cls);
  QPoint pos = e->position().toPoint();
  // A close box behind the front window only brings its window forward: a
  // click meant for a window that just moved away closed a file unasked.
  const bool behind = w->spec.cls == WindowClass::Document && R().active != id_;
  userPress(id_);   // the frame itself takes the first click
  if (!behind && w->spec.closeBox && tb > 0 && pos.x() >= kCloseBoxLeft - 2 &&
      pos.x() < kCloseBoxLeft + kCloseBoxSize + 2 && pos.y() < tb) {
    drag_ = Drag::Close;
    closePressed_ = true;
    update();
  } else if (pos.y() < tb) {
    drag_ = Drag::Move;
  } else {
    drag_ = Drag::None;
  }
  dragStart_ = e->globalPosition().toPoint();
  startGeom_ = geometry();
}

void WindowFrame::mouseMoveEvent(QMouseEvent* e) {
  WindowRec* w = findWindow(id_);
  if (!w) return;
  QPoint delta = e->globalPosition().toPoint() - dragStart_;
  if (drag_ == Drag::Move) {
    move(startGeom_.topLeft() + delta);
  } else if (drag_ == Drag::Grow) {
    int tb = titleBarHeightFor(w->spec.cls);
    int cw = startGeom_.width() + delta.x(), ch = startGeom_.height() - tb + delta.y();
    Size mn = w->spec.minSize, mx = w->spec.maxSize;
    if (mn.w > 0) cw = std::max(cw, mn.w);
    if (mn.h > 0) ch = std::max(ch, mn.h);
    if (mx.w > 0) cw = std::min(cw, mx.w);
    if (mx.h > 0) ch = std::min(ch, mx.h);
    cw = std::max(cw, 40);
    ch = std::max(ch, 20);
    resize(cw, ch + tb);
    content_->setGeometry(0, tb, cw, ch);
  } else if (drag_ == Drag::Close) {
    QPoint pos = e->position().toPoint();
    bool inside = pos.x() >= kCloseBoxLeft - 2 && pos.x() < kCloseBoxLeft + kCloseBoxSize + 2 && pos.y() >= 0 &&
                  pos.y() < titleBarHeightFor(w->spec.cls);
    if (inside != closePressed_) {
      closePressed_ = inside;
      update();
    }
  }
}

void WindowFrame::mouseReleaseEvent(QMouseEvent* e) {
  // The release may come with a last move of its own: the window ends where
  // the button went up.
  mouseMoveEvent(e);
  // A grow drag grabbed the mouse; kept, it would take every later click.
  if (mouseGrabber() == this) releaseMouse();
  WindowRec* w = findWindow(id_);
  Drag d = drag_;
  drag_ = Drag::None;
  if (!w) return;
  int tb = titleBarHeightFor(w->spec.cls);
  if (d == Drag::Close) {
    bool fire = closePressed_;
    closePressed_ = false;
    update();
    if (fire) post(Event{.kind = EventKind::CloseBox, .window = id_});
  } else if (d == Drag::Move && geometry().topLeft() != startGeom_.topLeft()) {
    Point g = deskToGlobal({x(), y() + tb});
    w->spec.content = {g.x, g.y, g.x + w->spec.content.width(), g.y + w->spec.content.height()};
    post(Event{.kind = EventKind::Moved, .window = id_});
  } else if (d == Drag::Grow) {
    Rect c = w->spec.content;
    c.right = c.left + content_->width();
    c.bottom = c.top + content_->height();
    w->spec.content = c;
    if (w->port) resizePort(*w->port, {c.width(), c.height()}, w->spec.background);
    content_->update();
    post(Event{.kind = EventKind::Resized, .window = id_});
  }
}

// The front window's frame flashes, or the topmost visible window's when no
// document window is in front.
void flashFrontWindow() {
  int id = R().active;
  if (!findWindow(id) || !findWindow(id)->frame || !findWindow(id)->frame->isVisible()) id = 0;
  if (id == 0) {
    for (int other : R().order) {
      const WindowRec* w = findWindow(other);
      if (w && w->frame && w->frame->isVisible()) {
        id = other;
        break;
      }
    }
  }
  if (testMode()) recordVisualBell(id);
  if (id != 0) findWindow(id)->frame->flash();
}

// Lets the grow box start a resize drag from the content widget's corner.
bool startGrowIfInBox(int id, QPoint contentPos, QPoint globalPos) {
  WindowRec* w = findWindow(id);
  if (!w || !w->spec.resizable || !w->frame || !w->content) return false;
  if (contentPos.x() < w->content->width() - kGrow || contentPos.y() < w->content->height() - kGrow) return false;
  w->frame->beginGrow(globalPos);
  return true;
}

void WindowFrame::beginGrow(QPoint globalPos) {
  drag_ = Drag::Grow;
  dragStart_ = globalPos;
  startGeom_ = geometry();
  grabMouse();
}

}  // namespace detail

// ---- public API -------------------------------------------------------------

using namespace detail;

void createWindow(const WindowSpec& spec) {
  Registry& r = R();
  disposeWindow(spec.id);
  WindowRec& w = r.windows[spec.id];
  w.spec = spec;
  if (w.spec.content.width() < 1) w.spec.content.right = w.spec.content.left + 1;
  if (w.spec.content.height() < 1) w.spec.content.bottom = w.spec.content.top + 1;
  w.generation = r.nextGeneration++;
  w.port = std::make_unique<Port>(Size{w.spec.content.width(), w.spec.content.height()}, spec.background);
  w.port->setBackColor(spec.background);
  w.frame = new WindowFrame(spec.id, deskArea());
  w.content = w.frame->content();
  // Program code that flushes its port directly must see the window update.
  setFlushHook(*w.port, [c = QPointer<ContentWidget>(w.content)] {
    if (c) c->repaint();
  });
  w.frame->setTitleText(titleString(spec.title));
  w.frame->layoutFor(w.spec.content);
  r.order.insert(r.order.begin(), spec.id);
  if (spec.cls == WindowClass::Document && spec.visible) {
    r.active = spec.id;
  }
  setActiveLooks();
  restack();
  if (spec.visible) w.frame->show();
  r.current = spec.id;
}

void disposeWindow(int id) {
  Registry& r = R();
  auto it = r.windows.find(id);
  if (it == r.windows.end()) return;
  WindowRec& w = it->second;
  if (w.frame) {
    w.frame->hide();
    w.frame->setParent(nullptr);
    w.frame->deleteLater();
  }
  w.controls.clear();
  r.windows.erase(it);
  r.kept.erase(id);
  std::erase_if(r.kept, [id](const auto& k) { return k.second == id; });
  r.order.erase(std::remove(r.order.begin(), r.order.end(), id), r.order.end());
  if (r.current == id) r.current = 0;
  if (r.active == id) {
    r.active = firstVisibleDocument();
    setActiveLooks();
  }
}

bool windowExists(int id) { return findWindow(id) != nullptr; }
std::vector<int> windowIds() { return R().order; }

void showWindow(int id, bool show) {
  WindowRec* w = findWindow(id);
  if (!w) return;
  w->spec.visible = show;
  if (w->frame) w->frame->setVisible(show);
  Registry& r = R();
  if (!show && r.active == id) r.active = firstVisibleDocument(id);
  if (show && w->spec.cls == WindowClass::Document && r.active == 0) r.active = id;
  setActiveLooks();
}

bool windowVisible(int id) {
  WindowRec* w = findWindow(id);
  return w && w->spec.visible;
}

void selectWindow(int id) {
  WindowRec* w = findWindow(id);
  if (!w) return;
  toFront(id);
  if (w->spec.cls == WindowClass::Document) {
    if (!w->spec.visible) showWindow(id, true);
    R().active = id;
    setActiveLooks();
  }
}

void bringToFront(int id) { toFront(id); }

void keepInFront(int id, int other) {
  Registry& r = R();
  if (other == 0 || other == id || !findWindow(id) || !findWindow(other)) {
    r.kept.erase(id);
    return;
  }
  r.kept[id] = other;
  restack();
}

int frontWindow() { return R().active; }

int frontWindow(WindowClass cls) {
  Registry& r = R();
  for (int id : r.order)
    if (r.windows[id].spec.cls == cls && r.windows[id].spec.visible) return id;
  return 0;
}

int titleBarHeight(WindowClass cls) { return detail::titleBarHeightFor(cls); }

Rect contentRect(int id) {
  WindowRec* w = findWindow(id);
  return w ? w->spec.content : Rect{};
}

Rect frameRect(int id) {
  WindowRec* w = findWindow(id);
  if (!w) return {};
  Rect c = w->spec.content;
  c.top -= titleBarHeightFor(w->spec.cls);
  return c;
}

Size contentSize(int id) {
  Rect c = contentRect(id);
  return {c.width(), c.height()};
}

void setContentRect(int id, Rect c) {
  WindowRec* w = findWindow(id);
  if (!w) return;
  if (c.width() < 1) c.right = c.left + 1;
  if (c.height() < 1) c.bottom = c.top + 1;
  bool resized = c.width() != w->spec.content.width() || c.height() != w->spec.content.height();
  w->spec.content = c;
  if (resized && w->port) resizePort(*w->port, {c.width(), c.height()}, w->spec.background);
  if (w->frame) w->frame->layoutFor(c);
  if (w->content) w->content->update();
}

void moveWindow(int id, Point tl) {
  WindowRec* w = findWindow(id);
  if (!w) return;
  Rect c = w->spec.content;
  setContentRect(id, {tl.x, tl.y, tl.x + c.width(), tl.y + c.height()});
}

void setTitle(int id, const MacText& t) {
  WindowRec* w = findWindow(id);
  if (!w) return;
  w->spec.title = t;
  if (w->frame) w->frame->setTitleText(titleString(t));
}

MacText title(int id) {
  WindowRec* w = findWindow(id);
  return w ? w->spec.title : MacText{};
}

void setMinMaxSize(int id, Size mn, Size mx) {
  WindowRec* w = findWindow(id);
  if (!w) return;
  w->spec.minSize = mn;
  w->spec.maxSize = mx;
}

void setBackground(int id, Rgb16 c) {
  WindowRec* w = findWindow(id);
  if (!w) return;
  w->spec.background = c;
}

Rgb16 background(int id) {
  WindowRec* w = findWindow(id);
  return w ? w->spec.background : Rgb16{};
}

Port& port(int id) { return *windowOrThrow(id).port; }

void setCurrentPort(int id) {
  if (findWindow(id)) R().current = id;
}

int currentPortWindow() { return R().current; }

Port& currentPort() {
  WindowRec* w = findWindow(R().current);
  return w ? *w->port : scratchPort();
}

void flushWindow(int id) {
  WindowRec* w = findWindow(id);
  if (!w || !w->content) return;
  w->port->flush();   // repaints through the flush hook
}

void flushAllWindows() {
  for (auto& [id, w] : R().windows)
    if (w.content && w.spec.visible) w.port->flush();
}

}  // namespace plat
