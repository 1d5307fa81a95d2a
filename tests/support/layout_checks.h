// What a person sees of a window, for the GUI tests that judge layouts: the
// window as the screen shows it, and the faults a reader would notice in it.
#pragma once
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegion>
#include <QScreen>
#include <QWidget>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/qt/internal.h"
#include "platform/qt/widgets.h"
#include "platform/test.h"

namespace testsupport {

// The window's content as the screen shows it now: the desk's backing store,
// not a fresh rendering, so drawing that was never flushed is missing.
inline QImage ShownImage(int win) {
  plat::detail::WindowRec* w = plat::detail::findWindow(win);
  if (!w || !w->content) return {};
  QWidget* c = w->content;
  QWidget* top = c->window();
  const QPoint at = c->mapTo(top, QPoint(0, 0));
  return top->screen()->grabWindow(top->winId(), at.x(), at.y(), c->width(), c->height()).toImage();
}

inline std::vector<QWidget*> VisibleControls(int win) {
  std::vector<QWidget*> out;
  plat::detail::WindowRec* w = plat::detail::findWindow(win);
  if (!w || !w->content) return out;
  for (QWidget* c : w->content->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (c->isVisible()) out.push_back(c);
  return out;
}

// Port pixels, outside the window's controls, that the screen does not show.
inline int UnshownPixels(int win) {
  const QImage shown = ShownImage(win).convertToFormat(QImage::Format_RGB32);
  const QImage port = plat::test::portImage(win).convertToFormat(QImage::Format_RGB32);
  if (shown.isNull() || shown.size() != port.size()) return -1;
  QRegion covered;
  for (QWidget* c : VisibleControls(win)) covered += c->geometry();
  int n = 0;
  for (int y = 0; y < port.height(); ++y)
    for (int x = 0; x < port.width(); ++x)
      if (shown.pixel(x, y) != port.pixel(x, y) && !covered.contains(QPoint(x, y))) ++n;
  return n;
}

inline std::string Describe(const QWidget* c) {
  QString t;
  if (auto* l = qobject_cast<const QLabel*>(c)) t = l->text();
  else if (auto* e = qobject_cast<const QLineEdit*>(c)) t = e->text();
  else if (auto* b = qobject_cast<const QAbstractButton*>(c)) t = b->text();
  const QRect g = c->geometry();
  return "'" + t.toStdString() + "' at " + std::to_string(g.x()) + "," + std::to_string(g.y()) + " " +
         std::to_string(g.width()) + "x" + std::to_string(g.height());
}

// Whether the label's text, as drawn, reaches an edge of its text area:
// glyphs cut by the label's own bounds do, whatever the font metrics say.
inline bool TextTouchesEdge(QLabel* l) {
  const QImage img = l->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRect room = l->contentsRect().intersected(img.rect());
  if (room.width() < 3 || room.height() < 3) return false;
  // The background is the colour of most of the area.
  std::map<QRgb, int> counts;
  for (int y = room.top(); y <= room.bottom(); ++y)
    for (int x = room.left(); x <= room.right(); ++x) ++counts[img.pixel(x, y)];
  QRgb back = 0;
  int most = -1;
  for (const auto& [c, n] : counts)
    if (n > most) {
      most = n;
      back = c;
    }
  auto ink = [&](int x, int y) { return std::abs(qGray(img.pixel(x, y)) - qGray(back)) > 60; };
  for (int x = room.left(); x <= room.right(); ++x)
    if (ink(x, room.top()) || ink(x, room.bottom())) return true;
  for (int y = room.top(); y <= room.bottom(); ++y)
    if (ink(room.left(), y) || ink(room.right(), y)) return true;
  return false;
}

// Controls outside the content or over one another, texts cut by their
// control, and dark drawing of the port hidden under a control (a label or
// rule the control covers). Each fault is one line.
inline std::vector<std::string> LayoutFaults(int win) {
  std::vector<std::string> faults;
  plat::detail::WindowRec* w = plat::detail::findWindow(win);
  if (!w || !w->content) return {"no window"};
  const QRect content(QPoint(0, 0), w->content->size());
  const std::vector<QWidget*> controls = VisibleControls(win);
  const QImage port = plat::test::portImage(win).convertToFormat(QImage::Format_RGB32);
  for (size_t i = 0; i < controls.size(); ++i) {
    QWidget* c = controls[i];
    const QRect g = c->geometry();
    if (!content.contains(g)) faults.push_back("outside the window: " + Describe(c));
    for (size_t j = i + 1; j < controls.size(); ++j)
      if (g.intersects(controls[j]->geometry()))
        faults.push_back("overlapping: " + Describe(c) + " and " + Describe(controls[j]));
    const QFontMetrics fm(c->font());
    if (auto* l = qobject_cast<QLabel*>(c)) {
      const QString text = l->text().trimmed();
      if (text.isEmpty()) continue;
      const QRect room = l->contentsRect();
      if (TextTouchesEdge(l)) {
        faults.push_back("text cut: " + Describe(c));
      } else if (l->wordWrap()) {
        const QRect need = fm.boundingRect(room, Qt::TextWordWrap | int(l->alignment()), l->text());
        if (need.height() > room.height() + 1 || need.width() > room.width() + 1)
          faults.push_back("text cut: " + Describe(c));
      } else if (fm.horizontalAdvance(l->text()) > room.width() + 1 || fm.height() > room.height() + 2) {
        faults.push_back("text cut: " + Describe(c));
      }
    } else if (auto* e = qobject_cast<QLineEdit*>(c)) {
      // Frame and text margins of a line edit: about 4 pixels each side.
      if (fm.horizontalAdvance(e->text()) + 8 > e->width()) faults.push_back("text cut: " + Describe(c));
    } else if (auto* b = qobject_cast<QAbstractButton*>(c)) {
      const bool marked = qobject_cast<QCheckBox*>(c) || qobject_cast<QRadioButton*>(c);
      const int need = fm.horizontalAdvance(b->text()) + (marked ? 20 : 8);
      if (!b->text().isEmpty() && need > b->width()) faults.push_back("text cut: " + Describe(c));
    }
  }
  // Dark pixels of the port under a control: something drawn that it hides,
  // or that shows through a check box's or label's text. Push buttons are
  // drawn whole over whatever lies beneath.
  for (QWidget* c : controls) {
    if (qobject_cast<QAbstractButton*>(c) && !qobject_cast<QCheckBox*>(c) && !qobject_cast<QRadioButton*>(c)) continue;
    const QRect g = c->geometry().adjusted(2, 2, -2, -2).intersected(port.rect());
    int dark = 0;
    for (int y = g.top(); y <= g.bottom(); ++y)
      for (int x = g.left(); x <= g.right(); ++x)
        if (qGray(port.pixel(x, y)) < 96) ++dark;
    if (dark > 8) faults.push_back("covers drawing of the window: " + Describe(c));
  }
  return faults;
}

}  // namespace testsupport
