// The handlers fill the mailboxes as every dialog loop expects: what each
// user action reports, which keys reach a field, and that menu picks made in
// modal states wait instead of running.
#include <gtest/gtest.h>

#include <vector>

#include "platform/controls.h"
#include "platform/events.h"
#include "platform/menus.h"
#include "platform/test.h"
#include "platform/windows.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/ui/kit.h"
#include "support/gui_support.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"

namespace {

using plat::Event;
using plat::EventKind;
using plat::KeyVerdict;

constexpr int kWin = 14;

Event ev(EventKind kind, int window = 0, int control = 0, int menu = 0, int item = 0,
         int charCode = 0, plat::Point local = {}) {
  Event e;
  e.kind = kind;
  e.window = window;
  e.control = control;
  e.menu = menu;
  e.item = item;
  e.charCode = charCode;
  e.local = local;
  return e;
}

Event pick(int menu, int item) { return ev(EventKind::MenuPick, 0, 0, menu, item); }
Event keyEv(int charCode) { return ev(EventKind::Key, 0, 0, 0, 0, charCode); }

struct Report {
  int16_t action, eventID;
  friend bool operator==(const Report&, const Report&) = default;
};

class Mailboxes : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    ClearMailbox();
    MenuIDENTIFIER = MenuItem = 0;
    menuidx = menuitemx = 0;
    MENU_or_ToolBar_PICKED = 0;
    click = 0;
    prefsArray[kPrefSoundLevel] = 25;
    prefsArray[kPrefQuietScripts] = 0;
    RunScript = 0;
  }
  void TearDown() override { ClearCommandRegistry(); }

  // A dialog window with a button and an editable field, handlers installed.
  static void openDialog(int id = kWin) {
    BuildWINDOW(1, id, "Dialog", 100, 100, 400, 250, kKindDocument, 0);
    plat::ButtonSpec b;
    b.id = 3;
    b.title = "Done";
    b.r = {10, 100, 90, 120};
    plat::addButton(id, b);
    BUILDEF(1, 20, "", 10, 10, 120, 26, 3, 0);
    InstallDialogHandlers();
  }

  // Pumps until `count` reports arrived, clearing the mailbox after each as a
  // dialog loop does.
  static std::vector<Report> collect(size_t count) {
    std::vector<Report> got;
    while (got.size() < count) {
      plat::pump();
      if (action != 0) got.push_back({action, eventID});
      ClearMailbox();
    }
    return got;
  }
};

TEST_F(Mailboxes, UserActionsReportTheirActionCodes) {
  openDialog();
  BuildWINDOW(1, 55, "Notice", 500, 100, 600, 150, kKindDocument, 0);
  BuildWINDOW(1, 9, "Other", 500, 300, 600, 350, kKindDocument, 0);
  plat::selectWindow(kWin);
  plat::test::Script s;
  s.click(kWin, 3).clickField(kWin, 20).activate(9).closeBox(9).closeBox(55);
  std::vector<Report> got;
  plat::test::run(s, [&] { got = collect(6); });
  // A close box of a window behind activates it first.
  EXPECT_EQ(got, (std::vector<Report>{{1, 3}, {2, 20}, {3, 9}, {4, 9}, {3, 55}, {55, 0}}));
  EXPECT_FALSE(plat::windowExists(55)) << "notice windows 50..66 are closed by the handler";
  EXPECT_TRUE(plat::windowExists(9)) << "other windows close only when their loop says so";
}

TEST_F(Mailboxes, NoticeRangeIsExactly50To66) {
  for (int id : {49, 50, 66, 67}) {
    BuildWINDOW(1, id, "N", 100, 100, 200, 150, kKindDocument, 0);
    DoDIALOG(ev(EventKind::CloseBox, id));
    const bool notice = id >= 50 && id <= 66;
    EXPECT_EQ(action, notice ? 55 : 4) << id;
    EXPECT_EQ(plat::windowExists(id), !notice) << id;
    plat::disposeWindow(id);
  }
}

TEST_F(Mailboxes, WindowStateEventsLeaveTheMailboxAlone) {
  action = 0;
  DoDIALOG(ev(EventKind::Moved, 4));
  DoDIALOG(ev(EventKind::Resized, 6));
  EXPECT_EQ(action, 0);
  EXPECT_EQ(WindowWasMoved, 4);
  EXPECT_EQ(WindowWasResized, 6);
}

TEST_F(Mailboxes, DialogClearsFieldSelectedFlagOnEveryEvent) {
  EditFieldWasSelected = 1;
  DoDIALOG(ev(EventKind::Deactivate, 4));
  EXPECT_EQ(EditFieldWasSelected, 0);
}

TEST_F(Mailboxes, ClickSoundOnlyWhenAskedAndSoundsOn) {
  DoDIALOG(ev(EventKind::ControlHit, 4, 1));
  EXPECT_TRUE(plat::test::soundsPlayed().empty());
  click = 1;
  DoDIALOG(ev(EventKind::ControlHit, 4, 1));
  prefsArray[kPrefSoundLevel] = 0;
  DoDIALOG(ev(EventKind::ControlHit, 4, 1));
  EXPECT_EQ(plat::test::soundsPlayed(), std::vector<std::string>{"click"});
}

TEST_F(Mailboxes, CheckReturnFiltersKeysOfAField) {
  openDialog();
  plat::test::Script s;
  s.type(kWin, 20, "1 2").key(kWin, 30).key(kWin, 31).key(kWin, 9).key(kWin, 13).key(kWin, 3);
  std::vector<Report> got;
  plat::test::run(s, [&] {
    // Typing reports nothing but the space; the keys after it one each.
    while (plat::test::stepsLeft() > 0 || plat::queuedEvents() > 0) {
      plat::pump();
      if (action != 0) got.push_back({action, eventID});
      ClearMailbox();
    }
  });
  EXPECT_EQ(got, (std::vector<Report>{{-990, 0}, {7, 0}, {16, 13}, {16, 3}}));
  EXPECT_EQ(plat::fieldText(kWin, 20), "1 2") << "arrows, Tab, Return and Enter are never inserted";
}

TEST_F(Mailboxes, CalculatorFilterTakesOperatorsOutOfTheField) {
  openDialog();
  plat::handlers().editKey = CALCCHECKRETURN;
  const std::vector<std::pair<char, int>> ops{{'+', 1}, {'_', 2}, {'*', 3}, {'/', 4}, {'^', 5}};
  for (auto [ch, op] : ops) {
    MathOperation = 0;
    EXPECT_EQ(CALCCHECKRETURN(keyEv(ch)), KeyVerdict::Swallow);
    EXPECT_EQ(MathOperation, op) << ch;
  }
  MathOperation = 0;
  EXPECT_EQ(CALCCHECKRETURN(keyEv('-')), KeyVerdict::Insert)
      << "minus stays typeable for negative numbers";
  EXPECT_EQ(MathOperation, 0);
  EXPECT_EQ(CALCCHECKRETURN(keyEv(13)), KeyVerdict::Swallow);
  EXPECT_EQ(action, 16);
  plat::test::Script s;
  s.type(kWin, 20, "12+3");
  plat::test::run(s, [] { while (plat::test::stepsLeft() > 0) plat::pump(); });
  EXPECT_EQ(plat::fieldText(kWin, 20), "123");
  EXPECT_EQ(MathOperation, 1);
}

// A pick kept for later ran as an unexpected Save As long after the dialog.
TEST_F(Mailboxes, NoMenuAnswersAPickAtOnceAndReportsSaveAsAClick) {
  MenuIDENTIFIER = MenuItem = 0;
  noMENU(pick(3, 1));
  EXPECT_EQ(MenuIDENTIFIER, 0) << "nothing is left to run after the dialog";
  EXPECT_EQ(action, 0) << "an ordinary pick does not disturb the dialog";
  EXPECT_TRUE(testsupport::SoundPlayed("beep")) << "refused where the user sees it";
  HelpSubject = 77;
  noMENU(pick(kPickHelp.menu, kPickHelp.item));
  EXPECT_EQ(plat::test::helpSubjects(), std::vector<int>{77});
  noMENU(pick(1, 6));
  EXPECT_EQ(action, 1);
  EXPECT_EQ(eventID, -99);
  EXPECT_EQ(MenuIDENTIFIER, 0);
}

TEST_F(Mailboxes, NoMenuThroughTheMenuBarRunsNothing) {
  bool ran = false;
  RegisterCommand(Cmd::Save, [&](int16_t) { ran = true; });
  plat::defineMenu(1, "File", std::vector<plat::MenuItemSpec>(8, plat::MenuItemSpec{.title = "x"}));
  plat::appendToMenuBar(1);
  openDialog();
  plat::test::Script s;
  s.menu(1, 6);
  std::vector<Report> got;
  plat::test::run(s, [&] { got = collect(1); });
  EXPECT_EQ(got, (std::vector<Report>{{1, -99}}));
  EXPECT_FALSE(ran);
}

TEST_F(Mailboxes, NoMouseClearsTheMailboxAndDropsNoEventQueuedBehindIt) {
  openDialog();
  action = 1;
  eventID = 3;
  plat::postEvent(ev(EventKind::ControlHit, kWin, 3));
  plat::postEvent(ev(EventKind::CloseBox, kWin));
  noMOUSE(ev(EventKind::MouseDown, kWin));
  EXPECT_EQ(action, 0);
  EXPECT_EQ(eventID, 0);
  EXPECT_EQ(plat::queuedEvents(), 2u) << "the click on a button after it is still taken";
}

TEST_F(Mailboxes, MouseHandlersOfDialogsAndStartUp) {
  DoMouse(ev(EventKind::MouseDown, 4, 0, 0, 0, 0, {12, 34}));
  EXPECT_EQ(action, -999);
  EXPECT_EQ(eventID, 1);
  EXPECT_EQ(HorizPosition, 12);
  EXPECT_EQ(VerticalPosition, 34);
  DoMouse(ev(EventKind::MouseUp, 4));
  EXPECT_EQ(eventID, 0);
  ClearMailbox();
  MOUSECLICK(ev(EventKind::MouseUp));
  EXPECT_EQ(action, 0);
  MOUSECLICK(ev(EventKind::MouseDown));
  EXPECT_EQ(action, 1);
}

TEST_F(Mailboxes, AnalysisWindowsDeferPicksButRunCalculators) {
  int calculatorRuns = 0;
  RegisterCommand(Cmd::SimpleCalc, [&](int16_t) {
    ++calculatorRuns;
    plat::handlers().dialog = nullptr;   // a calculator installs its own handlers
  });
  plat::handlers().dialog = DoDIALOG;
  ShowSpecificHelpWindow(pick(8, 1));
  EXPECT_EQ(calculatorRuns, 1);
  EXPECT_EQ(MENU_or_ToolBar_PICKED, 0);
  EXPECT_TRUE(plat::handlers().dialog) << "the analysis window's handlers come back";

  ShowSpecificHelpWindow(pick(4, 6));
  EXPECT_EQ(MENU_or_ToolBar_PICKED, 1);
  EXPECT_EQ(menuidx, 4);
  EXPECT_EQ(menuitemx, 6);
}

TEST_F(Mailboxes, CalculatorMenuHandlerOpensOnlyHelpAtOnce) {
  HelpSubject = 204;
  action = 16;
  KILLSCRIPT_for_Help(pick(3, 1));
  EXPECT_EQ(action, 0);
  EXPECT_EQ(MenuIDENTIFIER, 3);
  EXPECT_TRUE(plat::test::helpSubjects().empty());
  KILLSCRIPT_for_Help(pick(9, 2));
  EXPECT_EQ(plat::test::helpSubjects(), std::vector<int>{204});
  EXPECT_EQ(MenuIDENTIFIER, 3) << "the help pick is done; it must not run again later";
}

TEST_F(Mailboxes, MainLoopMenuHandlerOnlyStores) {
  bool ran = false;
  RegisterCommand(Cmd::ZoomIn, [&](int16_t) { ran = true; });
  action = 1;
  HANDLEMENU(pick(4, 6));
  EXPECT_FALSE(ran);
  EXPECT_EQ(MenuIDENTIFIER, 4);
  EXPECT_EQ(MenuItem, 6);
  EXPECT_EQ(action, 0);
}

TEST_F(Mailboxes, FileErrorIsClearedAfterReporting) {
  FileErrorCode = 28;
  HandleFileError("/tmp/x.txt", FileErrorCode);
  EXPECT_EQ(FileErrorCode, 0);
}

TEST_F(Mailboxes, NestedHandlerScopeRestoresTheCallersHandlers) {
  InstallDialogHandlers();
  {
    HandlerScope keep;
    plat::handlers().dialog = nullptr;
    plat::handlers().editKey = CALCCHECKRETURN;
  }
  ASSERT_TRUE(plat::handlers().dialog);
  EXPECT_EQ(plat::handlers().editKey(keyEv('+')), KeyVerdict::Insert);
}

}  // namespace
