// Window geometry, stacking and ports on the desk.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

#include "platform/app.h"
#include "platform/port.h"
#include "platform/qt/internal.h"
#include "platform/qt/widgets.h"
#include "platform/test.h"
#include "platform/windows.h"

namespace {

class Windows : public ::testing::Test {
 protected:
  void SetUp() override { plat::test::reset(); }
};

TEST_F(Windows, ContentSitsAtItsGlobalRectangleBelowTheMenuBar) {
  EXPECT_EQ(plat::displaySize(), (plat::Size{1440, 900}));
  plat::createWindow({.id = 1000, .title = "run 1", .content = {94, 41, 900, 470}, .resizable = true});
  EXPECT_EQ(plat::contentRect(1000), (plat::Rect{94, 41, 900, 470}));
  EXPECT_EQ(plat::frameRect(1000), (plat::Rect{94, 19, 900, 470}));
  EXPECT_EQ(plat::contentSize(1000), (plat::Size{806, 429}));
  auto* w = plat::detail::findWindow(1000);
  ASSERT_TRUE(w && w->content);
  QPoint tl = w->content->mapTo(plat::detail::deskArea(), QPoint(0, 0));
  EXPECT_EQ(tl, QPoint(94, 41 - plat::config().menuBarHeight));
  EXPECT_EQ(w->content->size(), QSize(806, 429));
  EXPECT_EQ(plat::port(1000).bounds(), (plat::Rect{0, 0, 806, 429}));
}

// A value drawn over the last one without erasing it cannot be read; an
// embossed title (the same text a pixel off) and a subscript set in the
// blanks left for it can.
TEST_F(Windows, TextDrawnOverEarlierInkIsAFaultOnlyWhereTheInkMeets) {
  const struct {
    const char* first;
    plat::Point firstAt;
    const char* second;
    plat::Point secondAt;
    bool fault;
  } cases[] = {
      {"range:  100  to 100 sec", {8, 40}, "range:  3.5  to 9.25 sec", {8, 40}, true},
      {"integrated time =  100 sec", {8, 60}, "integrated time =  12.75 sec", {8, 60}, true},
      {"Select taxon and units:", {20, 30}, "Select taxon and units:", {21, 31}, false},
      {"pO    estimation", {10, 40}, "2", {30, 44}, false},
      {"range:  100 sec", {8, 40}, "range:  100 sec", {8, 70}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.first) + " / " + c.second);
    plat::createWindow({.id = 6, .title = "texts", .content = {100, 100, 420, 220}});
    plat::Port& p = plat::port(6);
    p.setFont(plat::FontSpec{"application", 16});
    p.moveTo(c.firstAt.x, c.firstAt.y);
    p.drawText(c.first);
    p.moveTo(c.secondAt.x, c.secondAt.y);
    p.drawText(c.second);
    const std::vector<std::string> faults = plat::test::drawnTextFaults(6);
    const bool over = std::any_of(faults.begin(), faults.end(), [](const std::string& f) {
      return f.find("is drawn over the earlier text") != std::string::npos;
    });
    EXPECT_EQ(over, c.fault);
    plat::disposeWindow(6);
  }
}

TEST_F(Windows, RecreatingAnIdReplacesAndDisposingAnAbsentIdIsHarmless) {
  plat::createWindow({.id = 4, .title = "first", .content = {10, 50, 110, 150}});
  plat::createWindow({.id = 4, .title = "second", .content = {20, 60, 220, 160}});
  EXPECT_EQ(plat::windowIds(), std::vector<int>{4});
  EXPECT_EQ(plat::title(4), "second");
  plat::disposeWindow(4);
  plat::disposeWindow(4);
  for (int id = 151; id <= 174; ++id) plat::disposeWindow(id);
  EXPECT_FALSE(plat::windowExists(4));
  EXPECT_EQ(plat::frontWindow(), 0);
}

TEST_F(Windows, FloatingWindowsStayAboveDocumentsAndDoNotTakeActivation) {
  plat::createWindow({.id = 1200, .title = "", .content = {900, 41, 932, 600}, .cls = plat::WindowClass::Floating});
  plat::createWindow({.id = 1000, .title = "plot", .content = {94, 41, 900, 470}});
  plat::createWindow({.id = 4, .title = "results", .content = {100, 300, 600, 600}});
  EXPECT_EQ(plat::frontWindow(), 4);
  EXPECT_EQ(plat::frontWindow(plat::WindowClass::Floating), 1200);
  plat::selectWindow(1000);
  EXPECT_EQ(plat::frontWindow(), 1000);
  // Widget stacking: the floating window is the last child raised.
  auto* desk = plat::detail::deskArea();
  QWidget* top = nullptr;
  for (QObject* o : desk->children())
    if (auto* w = qobject_cast<QWidget*>(o); w && w->isVisible()) top = w;
  auto* f = plat::detail::findWindow(1200)->frame.data();
  EXPECT_EQ(top, static_cast<QWidget*>(f));
  plat::disposeWindow(1000);
  EXPECT_EQ(plat::frontWindow(), 4);   // the next document becomes active
}

TEST_F(Windows, AWindowKeptInFrontOfAnotherStaysJustBeforeIt) {
  plat::createWindow({.id = 1000, .title = "plot", .content = {94, 41, 900, 470}});
  plat::createWindow({.id = 4, .title = "results", .content = {100, 300, 600, 600}});
  plat::createWindow({.id = 9, .title = "dialog", .content = {200, 100, 400, 200}});
  plat::keepInFront(4, 1000);
  plat::selectWindow(1000);   // a pick on the plot
  EXPECT_EQ(plat::windowIds(), (std::vector<int>{4, 1000, 9}));
  EXPECT_EQ(plat::frontWindow(), 1000) << "the plot takes the picks";
  plat::selectWindow(9);
  EXPECT_EQ(plat::windowIds(), (std::vector<int>{9, 4, 1000})) << "not over a window in front of the plot";
  plat::disposeWindow(9);
  plat::keepInFront(4, 0);
  plat::selectWindow(1000);
  EXPECT_EQ(plat::windowIds().front(), 1000) << "let go";
  plat::keepInFront(4, 1000);
  plat::disposeWindow(1000);
  plat::createWindow({.id = 1000, .title = "plot again", .content = {94, 41, 900, 470}});
  plat::selectWindow(1000);
  EXPECT_EQ(plat::windowIds().front(), 1000) << "the keep went with the window it served";
}

TEST_F(Windows, ResizeKeepsDrawnPixelsAndCurrentPortFollowsCreation) {
  plat::createWindow({.id = 2, .title = "block", .content = {100, 100, 200, 200},
                      .background = {0xFFFF, 0xFFFF, 0xFFFF}});
  EXPECT_EQ(plat::currentPortWindow(), 2);
  plat::Port& p = plat::port(2);
  p.setForeColor({0, 0, 0});
  p.fillRect({0, 0, 10, 10});
  plat::setContentRect(2, {100, 100, 300, 250});
  QImage img = plat::test::portImage(2);
  EXPECT_EQ(img.size(), QSize(200, 150));
  EXPECT_EQ(img.pixel(5, 5) & 0xFFFFFF, 0u);
  EXPECT_EQ(img.pixel(150, 120) & 0xFFFFFF, 0xFFFFFFu);
  plat::moveWindow(2, {400, 300});
  EXPECT_EQ(plat::contentRect(2), (plat::Rect{400, 300, 600, 450}));
  plat::disposeWindow(2);
  EXPECT_EQ(plat::currentPortWindow(), 0);
  plat::currentPort().fillRect({0, 0, 1, 1});   // the scratch port takes stray drawing
}

TEST_F(Windows, GrowDragResizesAndLetsGoOfTheMouse) {
  plat::createWindow({.id = 1000, .title = "run 1", .content = {94, 41, 494, 341}, .resizable = true});
  auto* w = plat::detail::findWindow(1000);
  ASSERT_TRUE(w && w->content && w->frame);
  auto send = [&](QWidget* to, QEvent::Type t, QPoint local) {
    const QPoint global = to->mapToGlobal(local);
    const Qt::MouseButtons held = t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(t, QPointF(local), QPointF(global), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(to, &e);
  };
  send(w->content, QEvent::MouseButtonPress, {395, 295});   // in the grow box
  EXPECT_EQ(QWidget::mouseGrabber(), w->frame.data());
  const QPoint at = w->frame->mapFromGlobal(w->content->mapToGlobal(QPoint(395, 295)));
  send(w->frame, QEvent::MouseMove, at + QPoint(50, 20));
  send(w->frame, QEvent::MouseButtonRelease, at + QPoint(50, 20));
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_EQ(plat::contentRect(1000), (plat::Rect{94, 41, 544, 361}));
  EXPECT_EQ(plat::port(1000).bounds(), (plat::Rect{0, 0, 450, 320}));

  // A last move that comes with the release: the grow and a move by the
  // title bar end where the button went up.
  send(w->content, QEvent::MouseButtonPress, {445, 315});
  const QPoint corner = w->frame->mapFromGlobal(w->content->mapToGlobal(QPoint(445, 315)));
  send(w->frame, QEvent::MouseMove, corner + QPoint(10, 10));
  send(w->frame, QEvent::MouseButtonRelease, corner + QPoint(30, 40));
  EXPECT_EQ(plat::contentRect(1000), (plat::Rect{94, 41, 574, 401}));
  EXPECT_EQ(plat::port(1000).bounds(), (plat::Rect{0, 0, 480, 360}));
  send(w->frame, QEvent::MouseButtonPress, {100, 5});
  send(w->frame, QEvent::MouseMove, {110, 5});
  send(w->frame, QEvent::MouseButtonRelease, {130, 25});   // the frame stands 10 px right by now
  EXPECT_EQ(plat::contentRect(1000), (plat::Rect{134, 61, 614, 421}));
}

// Repainting the front window, its title too, paints it alone: nothing of
// the window it covers, nor of the desk, is painted again.
TEST_F(Windows, RepaintingTheFrontWindowPaintsNothingBeneathIt) {
  struct Painted : QObject {
    std::vector<QObject*> seen;
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() == QEvent::Paint) seen.push_back(o);
      return false;
    }
  } painted;
  plat::createWindow({.id = 1000, .title = "back", .content = {94, 41, 700, 400}});
  plat::createWindow({.id = 4, .title = "front", .content = {120, 60, 650, 380}});
  QCoreApplication::processEvents();
  QCoreApplication::instance()->installEventFilter(&painted);
  plat::setTitle(4, "front, redrawn");
  plat::flushWindow(4);
  QCoreApplication::instance()->removeEventFilter(&painted);
  const auto* back = plat::detail::findWindow(1000);
  const auto* front = plat::detail::findWindow(4);
  ASSERT_TRUE(back && front);
  auto timesPainted = [&](const QObject* o) { return std::count(painted.seen.begin(), painted.seen.end(), o); };
  EXPECT_EQ(timesPainted(front->content.data()), 1);
  EXPECT_EQ(timesPainted(front->frame.data()), 1);
  EXPECT_EQ(timesPainted(back->frame.data()), 0);
  EXPECT_EQ(timesPainted(back->content.data()), 0);
  EXPECT_EQ(timesPainted(plat::detail::deskArea()), 0);
}

TEST_F(Windows, DeskSnapshotShowsFramedWindows) {
  plat::createWindow({.id = 1000, .title = "run 1 \xA5 O2", .content = {94, 41, 700, 400}, .resizable = true});
  plat::Port& p = plat::port(1000);
  p.setForeColor({0, 0, 0xFFFF});
  p.moveTo(10, 200);
  p.lineTo(590, 100);
  plat::createWindow({.id = 4, .title = "results", .content = {300, 300, 650, 500}});
  plat::flushAllWindows();
  QImage desk = plat::test::deskImage();
  EXPECT_FALSE(desk.isNull());
  plat::test::saveArtifact(desk, "desk.png");
}

}  // namespace
