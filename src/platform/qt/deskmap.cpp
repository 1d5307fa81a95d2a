// The desk map: for drivers outside the process, which see only the one
// top-level window. With CORVIMET_DESK_MAP naming a file, the numbered
// windows, their controls, the menu bar and any open menu are written to it
// in screen pixels whenever they change. Tab-separated lines:
//   desk     x y w h                                 the desk area's visible part
//   input    down queued                             the button as the program saw it; events not taken
//   window   id active x y w h cx cy cw ch title     front to back: content, close box
//   control  window id enabled marked x y w h text
//   menu     enabled x y w h text                    menu bar titles
//   item     enabled x y w h text                    items of open menus
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSaveFile>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <memory>

#include "platform/events.h"
#include "platform/qt/internal.h"
#include "platform/qt/widgets.h"
#include "platform/windows.h"

namespace plat::detail {
namespace {

QString oneLine(QString s) {
  s.replace('\t', ' ').replace('\n', ' ').replace('\r', ' ');
  return s;
}

// One line of tab-separated fields.
QString line(const QStringList& fields) { return fields.join('\t') + '\n'; }
QString num(int v) { return QString::number(v); }

QString rectText(const QWidget* w, const QRect& local) {
  const QPoint g = w->mapToGlobal(local.topLeft());
  return QStringList{num(g.x()), num(g.y()), num(local.width()), num(local.height())}.join('\t');
}

QString controlText(const QWidget* w) {
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text().replace("&&", "&");
  if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
  if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
  if (auto* c = qobject_cast<const QComboBox*>(w)) return c->currentText();
  return {};
}

void addActions(QString& out, const char* kind, const QWidget* host, const QList<QAction*>& actions,
                const std::function<QRect(QAction*)>& geometry) {
  for (QAction* a : actions)
    if (!a->isSeparator() && a->isVisible())
      out += line({kind, num(a->isEnabled()), rectText(host, geometry(a)), oneLine(a->text().replace("&&", "&"))});
}

QString deskMap() {
  QString out;
  QWidget* area = deskArea();
  if (!area) return out;
  // What of the desk area its scroll area shows.
  out += line({"desk", rectText(area, area->visibleRegion().boundingRect())});
  bool down = false;
  pointerState(&down);
  out += line({"input", num(down), num(static_cast<int>(queuedEvents()))});
  const int active = activeWindowId();
  for (int id : windowIds()) {
    WindowRec* w = findWindow(id);
    if (!w || !w->frame || !w->content || !w->frame->isVisible()) continue;
    const Rect box = titleBarCloseBox(id);
    const Point boxDesk = globalToDesk({box.left, box.top});
    const QPoint boxAt = area->mapToGlobal(QPoint(boxDesk.x, boxDesk.y));
    out += line({"window", num(id), num(id == active), rectText(w->content, w->content->rect()), num(boxAt.x()),
                 num(boxAt.y()), num(box.width()), num(box.height()), oneLine(w->frame->titleText())});
    for (const auto& [cid, c] : w->controls) {
      if (!c || !c->isVisible()) continue;
      auto* b = qobject_cast<const QAbstractButton*>(c.data());
      out += line({"control", num(id), num(cid), num(c->isEnabled()), num(b && b->isChecked()), rectText(c, c->rect()),
                   oneLine(controlText(c))});
    }
  }
  if (QMainWindow* desk = deskWindow()) {
    QMenuBar* bar = desk->menuBar();
    addActions(out, "menu", bar, bar->actions(), [bar](QAction* a) { return bar->actionGeometry(a); });
  }
  for (QWidget* top : QApplication::topLevelWidgets())
    if (auto* m = qobject_cast<QMenu*>(top); m && m->isVisible())
      addActions(out, "item", m, m->actions(), [m](QAction* a) { return m->actionGeometry(a); });
  return out;
}

}  // namespace

void startDeskMap() {
  const char* path = std::getenv("CORVIMET_DESK_MAP");
  if (!path || !*path || testMode() || !deskWindow()) return;
  auto* timer = new QTimer(deskWindow());
  auto last = std::make_shared<QString>();
  QObject::connect(timer, &QTimer::timeout, [file = QString::fromLocal8Bit(path), last] {
    const QString map = deskMap();
    if (map == *last) return;
    // Whole or not at all: the driver reads it at any moment.
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly)) return;
    f.write(map.toUtf8());
    if (f.commit()) *last = map;
  });
  timer->start(50);
}

}  // namespace plat::detail
