// The event queue and the pump. Qt handlers only translate and queue; the
// program sees at most one event per pump, from a clean stack.
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QThread>
#include <QTimer>

#include <deque>

#include "platform/events.h"
#include "platform/resources.h"
#include "platform/qt/internal.h"
#include "platform/qt/widgets.h"

namespace plat {
namespace detail {
namespace {

// The button as one press or release left it, and where the pointer went
// until the next one.
struct ButtonState {
  bool down = false;
  Point at, moved;         // global Mac coordinates
  uint64_t event = 0;      // the MouseDown or MouseUp it queued, 0 none
};

struct Queued {
  Event event;
  uint64_t serial = 0;
};

struct EventState {
  std::deque<Queued> queue;
  uint64_t serials = 0;
  Handlers handlers;
  Point pointer;           // global Mac coordinates, as the latest input left it
  bool down = false;
  // What polls report. Presses and releases that came together while the
  // program was busy wait in order: a drag's loop reads the release that
  // ended it where it happened, and a later press is not read before the
  // pump hands out its event.
  ButtonState seen;
  std::deque<ButtonState> transitions;
  bool fresh = false;      // seen was moved on by the pump: the next poll reports it as it is
  bool swallowRelease = false;
  int pressWindow = 0;     // content press that owns the coming release
  uint32_t pressGeneration = 0;
  CursorKind cursor = CursorKind::Arrow;
  bool cursorOverridden = false;
  QElapsedTimer clock;
};

EventState& E() {
  static EventState s;
  if (!s.clock.isValid()) s.clock.start();
  return s;
}

Point globalFromQt(QPointF qtGlobal) {
  QWidget* area = deskArea();
  if (!area) return {};
  QPoint p = area->mapFromGlobal(qtGlobal.toPoint());
  return deskToGlobal({p.x(), p.y()});
}

WindowFrame* frameOf(QObject* o) {
  for (; o; o = o->parent())
    if (auto* f = qobject_cast<WindowFrame*>(o)) return f;
  return nullptr;
}

bool queued(uint64_t serial) {
  if (serial == 0) return false;
  for (const Queued& q : E().queue)
    if (q.serial == serial) return true;
  return false;
}

// A press or release as the input delivers it. A widget that ignores a press
// passes it on to its parent, so the same one may come several times.
void record(bool down, Point at) {
  EventState& s = E();
  s.pointer = at;
  s.down = down;
  ButtonState& last = s.transitions.empty() ? s.seen : s.transitions.back();
  if (last.down == down) {
    last.moved = at;
    return;
  }
  s.transitions.push_back({.down = down, .at = at, .moved = at});
}

void recordMove(Point at) {
  EventState& s = E();
  s.pointer = at;
  (s.transitions.empty() ? s.seen : s.transitions.back()).moved = at;
}

// The last press or release owns the event it queued.
void tieLast(bool down, uint64_t serial) {
  EventState& s = E();
  if (serial == 0 || s.transitions.empty()) return;
  ButtonState& last = s.transitions.back();
  if (last.down == down && last.event == 0) last.event = serial;
}

void postMouse(Event e) {
  const bool down = e.kind == EventKind::MouseDown;
  post(std::move(e));
  if (!E().queue.empty()) tieLast(down, E().queue.back().serial);
}

// The pump's view: the state moves on to the first press or release whose
// event still waits in the queue.
void settle() {
  EventState& s = E();
  bool moved = false;
  while (!s.transitions.empty() && !queued(s.transitions.front().event)) {
    s.seen = s.transitions.front();
    s.transitions.pop_front();
    moved = true;
  }
  if (moved) s.fresh = true;
}

// A poll's view: one press or release further at most, and a press not
// before the pump has handed out its event, unless the caller waits for it.
bool pollButton(bool takePress) {
  if (testMode()) runTestStep();
  else processPending();
  EventState& s = E();
  if (s.fresh) {
    s.fresh = false;
  } else if (!s.transitions.empty()) {
    const ButtonState& next = s.transitions.front();
    if (!next.down || takePress || !queued(next.event)) {
      s.seen = next;
      s.transitions.pop_front();
    }
  }
  return s.seen.down;
}

bool isTextWidget(QWidget* w) {
  return qobject_cast<QLineEdit*>(w) || qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
         qobject_cast<QAbstractSpinBox*>(w);
}

class InputFilter : public QObject {
 public:
  bool eventFilter(QObject* obj, QEvent* ev) override {
    switch (ev->type()) {
      case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(ev);
        recordMove(globalFromQt(me->globalPosition()));
        return false;
      }
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(ev);
        if (me->button() != Qt::LeftButton) return false;
        record(true, globalFromQt(me->globalPosition()));
        WindowFrame* f = frameOf(obj);
        if (!f) return false;
        int win = f->windowId();
        if (obj == f) return false;   // title bar: the frame handles it
        const bool activating = pressActivates(win);
        if (!userPress(win)) {
          E().swallowRelease = true;
          return true;
        }
        if (obj == f->content()) {
          QPoint cp = me->position().toPoint();
          if (startGrowIfInBox(win, cp, me->globalPosition().toPoint())) return true;
          setPressWindow(win);
          Point local{cp.x(), cp.y()};
          postMouse(Event{.kind = EventKind::MouseDown,
                          .window = win,
                          .activating = activating,
                          .local = local,
                          .global = E().pointer});
          return true;
        }
        return false;
      }
      case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(ev);
        if (me->button() != Qt::LeftButton) return false;
        record(false, globalFromQt(me->globalPosition()));
        if (E().swallowRelease) {
          E().swallowRelease = false;
          return true;
        }
        if (int win = pressWindow()) {
          setPressWindow(0);
          if (WindowRec* w = findWindow(win)) {
            Point local{E().pointer.x - w->spec.content.left, E().pointer.y - w->spec.content.top};
            postMouse(Event{.kind = EventKind::MouseUp, .window = win, .local = local, .global = E().pointer});
          }
          return true;
        }
        return false;
      }
      case QEvent::KeyPress: {
        auto* ke = static_cast<QKeyEvent*>(ev);
        auto* w = qobject_cast<QWidget*>(obj);
        if (!w || w->window() != deskWindow()) return false;
        if (isTextWidget(QApplication::focusWidget())) return false;
        int code = macCharCode(ke->key(), static_cast<unsigned>(ke->modifiers()), ke->text());
        if (code == 0) return false;
        int target = activeWindowId();
        post(Event{.kind = EventKind::Key, .window = target, .charCode = code, .autoRepeat = ke->isAutoRepeat()});
        return true;
      }
      case QEvent::ApplicationActivate:
        // Headless platforms activate the application on their own schedule;
        // tests post this event themselves when they need it.
        if (!testMode()) post(Event{.kind = EventKind::AppActivated});
        return false;
      default:
        return false;
    }
  }
};

bool isInput(EventKind k) {
  switch (k) {
    case EventKind::MouseDown:
    case EventKind::MouseUp:
    case EventKind::Key:
    case EventKind::ControlHit:
    case EventKind::FieldClick:
    case EventKind::MenuPick: return true;
    default: return false;
  }
}

// A handler may install other handlers (a nested loop) while it runs; it
// runs from its own copy so that its captures outlive the swap.
void call(const std::function<void(const Event&)>& slot, const Event& e) {
  if (!slot) return;
  const std::function<void(const Event&)> running = slot;
  running(e);
}

void dispatch(const Event& e) {
  Handlers& h = E().handlers;
  switch (e.kind) {
    case EventKind::MenuPick: call(h.menu, e); break;
    case EventKind::MouseDown:
    case EventKind::MouseUp: call(h.mouse, e); break;
    case EventKind::OpenDocuments:
    case EventKind::QuitRequest: call(h.documents, e); break;
    default: call(h.dialog, e); break;
  }
}

}  // namespace

void installInputFilter() {
  static InputFilter* filter = nullptr;
  if (!filter) {
    filter = new InputFilter;
    qApp->installEventFilter(filter);
  }
}

void post(Event e) {
  if (e.window != 0) {
    WindowRec* w = findWindow(e.window);
    if (!w) return;
    e.generation = w->generation;
  }
  e.ticks = ticks();
  EventState& s = E();
  s.queue.push_back({std::move(e), ++s.serials});
}

// The driver sets the state at once: nothing before it is left to read.
void setPointer(Point global, bool down) {
  EventState& s = E();
  s.pointer = global;
  s.down = down;
  s.seen = {.down = down, .at = global, .moved = global};
  s.transitions.clear();
  s.fresh = false;
}

}  // namespace detail

using namespace detail;

Handlers& handlers() { return E().handlers; }

void postEvent(Event e) { post(std::move(e)); }

void processPending() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool pump(int maxWaitMs) {
  EventState& s = E();
  processPending();
  if (testMode()) {
    runTestStep();
    processPending();
  } else if (s.queue.empty() && maxWaitMs > 0) {
    QTimer::singleShot(maxWaitMs, [] {});
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  settle();
  while (!s.queue.empty()) {
    Event e = std::move(s.queue.front().event);
    s.queue.pop_front();
    settle();
    if (e.window != 0) {
      WindowRec* w = findWindow(e.window);
      if (!w || w->generation != e.generation) continue;   // its window is gone
    }
    // The layer's own help window: the program never sees it.
    if (e.window == kHelpWindow) {
      if (e.kind == EventKind::CloseBox || (e.kind == EventKind::Key && e.charCode == 27)) disposeWindow(kHelpWindow);
      continue;
    }
    dispatch(e);
    return true;
  }
  return false;
}

void flushInput() {
  auto& q = E().queue;
  q.erase(std::remove_if(q.begin(), q.end(), [](const Queued& e) { return isInput(e.event.kind); }), q.end());
}

size_t queuedEvents() { return E().queue.size(); }

bool buttonDown() { return pollButton(false); }

Point pointerGlobal() {
  if (testMode()) runTestStep();
  else processPending();
  return E().seen.moved;
}

Point pointerLocal(int window) {
  Point g = pointerGlobal();
  Rect c = contentRect(window);
  return {g.x - c.left, g.y - c.top};
}

Point pointerLocal() { return pointerLocal(currentPortWindow()); }

bool trackDrag(int window, Point* local) {
  if (buttonDown()) {
    *local = pointerLocal(window);
    return true;
  }
  // No second poll: it could read past the release.
  Rect c = contentRect(window);
  *local = {E().seen.at.x - c.left, E().seen.at.y - c.top};
  return false;
}

void waitButtonUp() {
  while (buttonDown()) {
    if (!testMode()) QThread::msleep(2);
  }
}

void waitButtonDown() {
  while (!pollButton(true)) {
    if (!testMode()) QThread::msleep(2);
  }
}

void delayMs(int ms) {
  flushAllWindows();
  if (testMode()) {
    virtualDelay(ms);
    runTestStep();
    return;
  }
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, std::max<int>(1, ms - t.elapsed()));
    QThread::msleep(std::min<qint64>(5, std::max<qint64>(0, ms - t.elapsed())));
  }
}

void delayTicks(int t) { delayMs(t * 1000 / 60); }

uint32_t ticks() {
  uint64_t ms = testMode() ? virtualMilliseconds() : static_cast<uint64_t>(E().clock.elapsed());
  return static_cast<uint32_t>(ms * 60 / 1000);
}

void setCursor(CursorKind k) {
  EventState& s = E();
  if (s.cursor == k && (s.cursorOverridden || k == CursorKind::Arrow)) return;
  s.cursor = k;
  if (!QGuiApplication::instance()) return;
  Qt::CursorShape shape = Qt::ArrowCursor;
  switch (k) {
    case CursorKind::Arrow: shape = Qt::ArrowCursor; break;
    case CursorKind::Watch: shape = Qt::WaitCursor; break;
    case CursorKind::Cross: shape = Qt::CrossCursor; break;
    case CursorKind::IBeam: shape = Qt::IBeamCursor; break;
  }
  // One override at most: the program changes cursors thousands of times.
  if (!s.cursorOverridden) {
    QGuiApplication::setOverrideCursor(QCursor(shape));
    s.cursorOverridden = true;
  } else {
    QGuiApplication::changeOverrideCursor(QCursor(shape));
  }
}

CursorKind currentCursor() { return E().cursor; }

namespace detail {
void resetEvents() {
  EventState& s = E();
  s.queue.clear();
  s.handlers = {};
  s.pointer = {};
  s.down = false;
  s.seen = {};
  s.transitions.clear();
  s.fresh = false;
  s.swallowRelease = false;
  s.pressWindow = 0;
  s.cursor = CursorKind::Arrow;
}
Point pointerState(bool* down) {
  if (down) *down = E().down;
  return E().pointer;
}
void setPressWindow(int win) {
  WindowRec* w = findWindow(win);
  E().pressWindow = w ? win : 0;
  E().pressGeneration = w ? w->generation : 0;
}
// A window re-created under the same id since the press does not own its release.
int pressWindow() {
  EventState& s = E();
  if (s.pressWindow == 0) return 0;
  WindowRec* w = findWindow(s.pressWindow);
  return w && w->generation == s.pressGeneration ? s.pressWindow : 0;
}
}  // namespace detail

}  // namespace plat
