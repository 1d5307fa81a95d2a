// The widgets that frame a numbered window on the desk.
#pragma once
#include <QWidget>

#include "platform/types.h"

namespace plat::detail {

// Shows the window's port image; controls are its children, placed at the
// program's local coordinates.
class ContentWidget : public QWidget {
  Q_OBJECT
 public:
  ContentWidget(int windowId, QWidget* parent);
  int windowId() const { return id_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  int id_;
};

// Title bar (title, close box), the content widget and an optional grow box.
class WindowFrame : public QWidget {
  Q_OBJECT
 public:
  WindowFrame(int windowId, QWidget* desk);
  int windowId() const { return id_; }
  ContentWidget* content() const { return content_; }
  void setTitleText(const QString& t);
  const QString& titleText() const { return title_; }
  void setActiveLook(bool active);
  bool activeLook() const { return active_; }
  // The visual bell: the title bar drawn inverted for a moment.
  void flash();
  void layoutFor(Rect contentGlobal);   // places frame and content
  void beginGrow(QPoint globalPos);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  enum class Drag { None, Move, Grow, Close };
  int id_;
  ContentWidget* content_;
  QString title_;
  bool active_ = false;
  bool flashing_ = false;
  Drag drag_ = Drag::None;
  QPoint dragStart_;
  QRect startGeom_;
  bool closePressed_ = false;
};

// A press in a content widget's grow box starts a resize; true when it did.
bool startGrowIfInBox(int id, QPoint contentPos, QPoint globalPos);

}  // namespace plat::detail
