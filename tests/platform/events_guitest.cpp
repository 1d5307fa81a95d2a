// The pump, activation and the scripted driver: the behaviours every modal
// loop of the program relies on.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QMouseEvent>

#include "platform/events.h"
#include "platform/port.h"
#include "platform/qt/internal.h"
#include "platform/qt/widgets.h"
#include "platform/test.h"
#include "platform/windows.h"

namespace {

using plat::Event;
using plat::EventKind;

class Pump : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    auto& h = plat::handlers();
    h.dialog = [this](const Event& e) { seen.push_back(e); };
    h.mouse = [this](const Event& e) { seen.push_back(e); };
    h.menu = [this](const Event& e) { seen.push_back(e); };
    h.documents = [this](const Event& e) { seen.push_back(e); };
  }
  void docWindow(int id, plat::Rect r) { plat::createWindow({.id = id, .title = "doc", .content = r}); }
  std::vector<Event> seen;
};

TEST_F(Pump, DispatchesOneEventPerCallInOrder) {
  docWindow(4, {100, 100, 300, 200});
  plat::postEvent({.kind = EventKind::ControlHit, .window = 4, .control = 1});
  plat::postEvent({.kind = EventKind::ControlHit, .window = 4, .control = 2});
  EXPECT_TRUE(plat::pump());
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].control, 1);
  EXPECT_TRUE(plat::pump());
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].control, 2);
  EXPECT_FALSE(plat::pump());
}

TEST_F(Pump, EventsForAWindowDisposedOrRecreatedSinceAreDropped) {
  docWindow(4, {100, 100, 300, 200});
  plat::postEvent({.kind = EventKind::ControlHit, .window = 4, .control = 1});
  docWindow(4, {100, 100, 300, 200});   // a new window 4
  plat::postEvent({.kind = EventKind::ControlHit, .window = 4, .control = 2});
  docWindow(9, {10, 100, 90, 200});
  plat::postEvent({.kind = EventKind::ControlHit, .window = 9, .control = 3});
  plat::disposeWindow(9);
  while (plat::pump()) {}
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].control, 2);
  // Events for windows that never existed are not even queued.
  plat::postEvent({.kind = EventKind::ControlHit, .window = 77, .control = 1});
  EXPECT_EQ(plat::queuedEvents(), 0u);
}

TEST_F(Pump, FlushInputKeepsWindowStateEvents) {
  docWindow(4, {100, 100, 300, 200});
  plat::postEvent({.kind = EventKind::MouseDown, .window = 4});
  plat::postEvent({.kind = EventKind::Activate, .window = 4});
  plat::postEvent({.kind = EventKind::Key, .window = 4, .charCode = 13});
  plat::postEvent({.kind = EventKind::CloseBox, .window = 4});
  plat::postEvent({.kind = EventKind::MenuPick, .menu = 1, .item = 2});
  plat::flushInput();
  while (plat::pump()) {}
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].kind, EventKind::Activate);
  EXPECT_EQ(seen[1].kind, EventKind::CloseBox);
}

TEST_F(Pump, RoutesByKind) {
  int menus = 0, mice = 0, dialogs = 0, docs = 0;
  auto& h = plat::handlers();
  h.menu = [&](const Event&) { ++menus; };
  h.mouse = [&](const Event&) { ++mice; };
  h.dialog = [&](const Event&) { ++dialogs; };
  h.documents = [&](const Event&) { ++docs; };
  docWindow(4, {100, 100, 300, 200});
  plat::postEvent({.kind = EventKind::MenuPick, .menu = 3, .item = 1});
  plat::postEvent({.kind = EventKind::MouseDown, .window = 4});
  plat::postEvent({.kind = EventKind::MouseUp, .window = 4});
  plat::postEvent({.kind = EventKind::Key, .window = 4, .charCode = 32});
  plat::postEvent({.kind = EventKind::QuitRequest});
  while (plat::pump()) {}
  EXPECT_EQ(menus, 1);
  EXPECT_EQ(mice, 2);
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(docs, 1);
}

// The program's own window ordering must never look like a user's activation:
// dialogs end on the activation of another window.
TEST_F(Pump, OnlyUserActionsReportActivation) {
  docWindow(1000, {94, 41, 900, 470});
  docWindow(14, {50, 90, 350, 250});
  plat::selectWindow(1000);
  plat::selectWindow(14);
  plat::showWindow(1000, false);
  plat::showWindow(1000, true);
  while (plat::pump()) {}
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(plat::frontWindow(), 14);

  plat::test::Script s;
  s.activate(1000).stop();
  plat::test::run(s, [] {
    for (;;) plat::pump();
  });
  while (plat::pump()) {}
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].kind, EventKind::Deactivate);
  EXPECT_EQ(seen[0].window, 14);
  EXPECT_EQ(seen[1].kind, EventKind::Activate);
  EXPECT_EQ(seen[1].window, 1000);
  EXPECT_EQ(plat::frontWindow(), 1000);
}

// The click that activates a window once did nothing else: users lost the
// first click after every panel. It activates and acts.
TEST_F(Pump, FirstClickIntoAnInactiveDocumentActivatesItAndActs) {
  docWindow(1000, {94, 41, 900, 470});
  docWindow(4, {300, 500, 700, 700});
  plat::createWindow({.id = 1999, .title = "", .content = {2, 60, 80, 700}, .cls = plat::WindowClass::Floating});
  plat::test::Script s;
  s.clickAt(1000, {50, 50})     // activates and is delivered
      .clickAt(1000, {60, 60})  // delivered
      .clickAt(1999, {10, 10})  // floating: delivered, activation unchanged
      .stop();
  plat::test::run(s, [] {
    for (;;) plat::pump();
  });
  while (plat::pump()) {}
  std::vector<EventKind> kinds;
  for (auto& e : seen) kinds.push_back(e.kind);
  std::vector<EventKind> want{EventKind::Deactivate, EventKind::Activate, EventKind::MouseDown, EventKind::MouseUp,
                              EventKind::MouseDown,  EventKind::MouseUp,  EventKind::MouseDown, EventKind::MouseUp};
  EXPECT_EQ(kinds, want);
  EXPECT_EQ(seen[2].local, (plat::Point{50, 50}));
  EXPECT_EQ(seen[4].local, (plat::Point{60, 60}));
  EXPECT_EQ(seen[6].window, 1999);
  EXPECT_EQ(plat::frontWindow(), 1000);
}

TEST_F(Pump, PointerAndButtonArePolledOutsideTheWindowToo) {
  docWindow(1000, {94, 41, 900, 470});
  std::vector<plat::Point> track;
  bool releasedAtEnd = false;
  plat::test::Script s;
  s.press(1000, {100, 200}).moveTo(1000, {140, 200}).moveTo(1000, {-20, 900}).release();
  plat::test::run(s, [&] {
    plat::setCurrentPort(1000);
    while (!plat::buttonDown()) {}
    while (plat::buttonDown()) track.push_back(plat::pointerLocal());
    releasedAtEnd = !plat::buttonDown();
  });
  EXPECT_TRUE(releasedAtEnd);
  ASSERT_FALSE(track.empty());
  EXPECT_EQ(track.back(), (plat::Point{-20, 900}));
}

// Input that came while the program was busy reaches a drag's loop in the
// order it was made: the release that ended the drag where it happened, a
// later press only once the pump hands it out, and a whole quick drag as a
// drag rather than a click.
TEST_F(Pump, PressesAndReleasesThatCameTogetherAreReadInTurn) {
  enum Where { Content, Title };
  struct Raw {
    QEvent::Type type;
    QPoint at;
    Where where = Content;
  };
  const QEvent::Type P = QEvent::MouseButtonPress, M = QEvent::MouseMove, R = QEvent::MouseButtonRelease;
  const struct {
    const char* what;
    std::vector<Raw> beforePump, duringFirstDrag;
    std::vector<std::string> read;
  } rows[] = {
      {"press, move and release together", {{P, {10, 10}}, {M, {60, 10}}, {R, {90, 10}}}, {},
       {"down 10,10", "release 90,10", "up 90,10"}},
      {"a quick drag and a click together",
       {{P, {10, 10}}, {M, {60, 10}}, {R, {90, 10}}, {P, {150, 60}}, {R, {150, 60}}}, {},
       {"down 10,10", "release 90,10", "up 90,10", "down 150,60", "release 150,60", "up 150,60"}},
      {"a click in the window after the release", {{P, {10, 10}}},
       {{M, {50, 10}}, {R, {50, 10}}, {P, {150, 60}}, {R, {150, 60}}},
       {"down 10,10", "release 50,10", "up 50,10", "down 150,60", "release 150,60", "up 150,60"}},
      {"a click on the title bar after the release", {{P, {10, 10}}},
       {{R, {50, 10}}, {P, {60, 5}, Title}, {R, {60, 5}, Title}}, {"down 10,10", "release 50,10", "up 50,10"}},
      {"a press held in the window after the release", {{P, {10, 10}}}, {{R, {50, 10}}, {P, {150, 60}}},
       {"down 10,10", "release 50,10", "up 50,10", "down 150,60", "held"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    plat::test::reset();
    docWindow(4, {100, 100, 300, 200});
    auto* w = plat::detail::findWindow(4);
    ASSERT_TRUE(w && w->content && w->frame);
    auto send = [&](const Raw& r) {
      QWidget* to = r.where == Title ? static_cast<QWidget*>(w->frame.data()) : w->content.data();
      const Qt::MouseButtons held = r.type == R ? Qt::NoButton : Qt::LeftButton;
      QMouseEvent e(r.type, QPointF(r.at), QPointF(to->mapToGlobal(r.at)), Qt::LeftButton, held, Qt::NoModifier);
      QCoreApplication::sendEvent(to, &e);
    };
    auto at = [](plat::Point p) { return std::to_string(p.x) + "," + std::to_string(p.y); };
    std::vector<std::string> read;
    bool first = true;
    plat::handlers().mouse = [&](const Event& e) {
      if (e.kind == EventKind::MouseUp) {
        read.push_back("up " + at(e.local));
        return;
      }
      read.push_back("down " + at(e.local));
      if (!plat::buttonDown()) {
        read.push_back("click");
        return;
      }
      if (first)
        for (const Raw& r : row.duringFirstDrag) send(r);
      first = false;
      plat::Point p;
      for (int pass = 0; pass < 20; ++pass)
        if (!plat::trackDrag(4, &p)) {
          read.push_back("release " + at(p));
          return;
        }
      read.push_back("held");
    };
    for (const Raw& r : row.beforePump) send(r);
    while (plat::pump()) {}
    EXPECT_EQ(read, row.read);
  }
}

TEST_F(Pump, StalledLoopFailsWithADiagnostic) {
  docWindow(4, {100, 100, 300, 200});
  plat::test::Script s;
  s.activate(9);   // never opens
  try {
    plat::test::run(s, [] {
      for (;;) plat::pump();
    });
    FAIL() << "expected a stall";
  } catch (const plat::test::Failure& f) {
    std::string what = f.what();
    EXPECT_NE(what.find("stalled"), std::string::npos);
    EXPECT_NE(what.find("waits for window 9"), std::string::npos);
    EXPECT_NE(what.find("4 \"doc\""), std::string::npos);
  }
}

TEST_F(Pump, LeftoverStepsAndDialogsOutOfTurnFail) {
  plat::test::Script left;
  left.key(0, 13);
  EXPECT_THROW(plat::test::run(left, [] {}), plat::test::Failure);

  plat::test::Script order;
  order.answerSave("/tmp/x").answerOpen("/tmp/y");
  plat::test::run(order, [] {
    EXPECT_THROW(plat::detail::takeAnswer(plat::detail::AnswerKind::Open, "Open"), plat::test::Failure);
    auto a = plat::detail::takeAnswer(plat::detail::AnswerKind::Save, "Save");
    EXPECT_TRUE(a.accept);
    EXPECT_EQ(a.path, "/tmp/x");
    auto b = plat::detail::takeAnswer(plat::detail::AnswerKind::Open, "Open");
    EXPECT_EQ(b.path, "/tmp/y");
  });
}

TEST_F(Pump, DelaysRunOnTheVirtualClock) {
  auto t0 = plat::now();
  uint32_t k0 = plat::ticks();
  plat::delayMs(1400);
  plat::delayTicks(60);
  EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(plat::now() - t0).count(), 2400);
  EXPECT_EQ(plat::ticks() - k0, 144u);
}

TEST_F(Pump, CloseBoxReportsButTheProgramCloses) {
  docWindow(4, {100, 100, 300, 200});
  plat::test::Script s;
  s.closeBox(4).stop();
  plat::test::run(s, [] {
    for (;;) plat::pump();
  });
  while (plat::pump()) {}
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().kind, EventKind::CloseBox);
  EXPECT_TRUE(plat::windowExists(4));
}

TEST_F(Pump, AReleaseBelongsOnlyToTheWindowThatTookThePress) {
  docWindow(4, {100, 100, 300, 200});
  plat::test::Script s;
  s.press(4, {10, 10})
      .call([this] {
        while (plat::pump()) {}
        docWindow(4, {100, 100, 300, 200});   // the press rebuilt its window
      })
      .release()
      .stop();
  plat::test::run(s, [] {
    for (;;) plat::pump();
  });
  while (plat::pump()) {}
  std::vector<EventKind> kinds;
  for (auto& e : seen) kinds.push_back(e.kind);
  EXPECT_EQ(kinds, std::vector<EventKind>{EventKind::MouseDown});
  EXPECT_FALSE(plat::buttonDown());
}

// A handler that starts a nested loop installs that loop's handlers over its
// own slot while it still runs.
TEST_F(Pump, AHandlerThatReplacesItselfKeepsItsCapturesAlive) {
  struct Guard {
    bool* gone;
    ~Guard() { *gone = true; }
  };
  bool gone = false;
  bool goneDuringRun = true;
  auto guard = std::make_shared<Guard>(&gone);
  plat::handlers().menu = [guard, &goneDuringRun](const Event&) {
    bool* flag = guard->gone;
    plat::handlers().menu = nullptr;
    goneDuringRun = *flag;
  };
  guard.reset();
  plat::postEvent({.kind = EventKind::MenuPick, .menu = 1, .item = 2});
  EXPECT_TRUE(plat::pump());
  EXPECT_FALSE(goneDuringRun);
  EXPECT_TRUE(gone);
}

}  // namespace
