// Menus by id and Mac item number: picks, marks, enabling, run-time edits
// and the menu bar.
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

#include <vector>

#include "platform/events.h"
#include "platform/menus.h"
#include "platform/qt/controls_internal.h"
#include "platform/qt/internal.h"
#include "platform/test.h"

namespace {

using plat::Event;
using plat::EventKind;
using plat::MenuItemSpec;

MenuItemSpec item(const char* title, char cmd = 0, bool enabled = true) {
  MenuItemSpec i;
  i.title = title;
  i.cmdKey = cmd;
  i.enabled = enabled;
  return i;
}

MenuItemSpec separator() {
  MenuItemSpec i;
  i.separator = true;
  return i;
}

MenuItemSpec submenu(const char* title, int id) {
  MenuItemSpec i = item(title);
  i.submenu = id;
  return i;
}

QAction* action(int menu, int it) { return plat::detail::menuItemAction(menu, it); }

class Menus : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::test::reset();
    plat::handlers().menu = [this](const Event& e) { picks.push_back({e.menu, e.item}); };
    // The View menu as the program lays it out: separators are items too.
    plat::defineMenu(4, "View", {item("Zoom In", 'R'), item("Zoom Out"), separator(), item("Show markers"),
                                 item("-"), item("Show Comments", 0, false)});
  }

  std::vector<std::pair<int, int>> drain() {
    picks.clear();
    while (plat::pump(0)) {
    }
    return picks;
  }

  std::vector<std::pair<int, int>> picks;
};

TEST_F(Menus, ItemNumbersCountSeparators) {
  EXPECT_EQ(plat::itemCount(4), 6);
  ASSERT_TRUE(plat::detail::simulateMenuPick(4, 4));
  EXPECT_EQ(drain(), (std::vector<std::pair<int, int>>{{4, 4}}));
  EXPECT_EQ(plat::itemTitle(4, 4), "Show markers");
  EXPECT_TRUE(action(4, 3)->isSeparator());
  EXPECT_TRUE(action(4, 5)->isSeparator());   // "-" is a separator line as well

  for (int bad : {0, 3, 5, 6, 7}) EXPECT_FALSE(plat::detail::simulateMenuPick(4, bad)) << bad;
  EXPECT_FALSE(plat::detail::simulateMenuPick(99, 1));
  EXPECT_TRUE(drain().empty());
}

TEST_F(Menus, CheckMarksChangeOnlyWhenTheProgramSetsThem) {
  plat::setItemChecked(4, 4, true);
  EXPECT_TRUE(plat::itemChecked(4, 4));
  EXPECT_TRUE(action(4, 4)->isChecked());
  ASSERT_TRUE(plat::detail::simulateMenuPick(4, 4));
  drain();
  EXPECT_TRUE(plat::itemChecked(4, 4));
  EXPECT_TRUE(action(4, 4)->isChecked());   // Qt's own toggle undone

  plat::setItemChecked(4, 4, false);
  ASSERT_TRUE(plat::detail::simulateMenuPick(4, 4));
  drain();
  EXPECT_FALSE(plat::itemChecked(4, 4));
  EXPECT_FALSE(action(4, 4)->isChecked());
  EXPECT_FALSE(action(4, 4)->isCheckable());   // no empty box beside unmarked items

  MenuItemSpec marked = item("Autorepeat");
  marked.checked = true;
  plat::appendItem(4, marked);
  EXPECT_TRUE(plat::itemChecked(4, 7));
  plat::setItemChecked(4, 3, true);   // a separator takes no mark
  EXPECT_FALSE(plat::itemChecked(4, 3));
}

TEST_F(Menus, DisabledItemsAndWholeMenus) {
  EXPECT_FALSE(plat::itemEnabled(4, 6));
  plat::setItemEnabled(4, 6, true);
  EXPECT_TRUE(plat::itemEnabled(4, 6));
  EXPECT_TRUE(plat::detail::simulateMenuPick(4, 6));
  drain();

  plat::setMenuEnabled(4, false);
  EXPECT_FALSE(plat::menuEnabled(4));
  EXPECT_TRUE(plat::itemEnabled(4, 1));   // the item's own flag is kept
  EXPECT_FALSE(plat::detail::simulateMenuPick(4, 1));
  // Its command key must not fire either: the shortcut follows the action.
  EXPECT_FALSE(action(4, 1)->isEnabled());
  action(4, 1)->trigger();
  EXPECT_TRUE(drain().empty());

  plat::setItemEnabled(4, 2, false);
  plat::setMenuEnabled(4, true);
  EXPECT_TRUE(action(4, 1)->isEnabled());
  EXPECT_FALSE(action(4, 2)->isEnabled());   // disabled before stays disabled
  EXPECT_TRUE(plat::detail::simulateMenuPick(4, 1));
  EXPECT_FALSE(plat::detail::simulateMenuPick(4, 2));
}

TEST_F(Menus, CommandKeysAreApplicationWideCtrlShortcuts) {
  QAction* a = action(4, 1);
  EXPECT_EQ(a->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
  EXPECT_EQ(a->shortcutContext(), Qt::ApplicationShortcut);
  plat::defineMenu(2, "Edit", {item("Shift left", '<'), item("lower case", 'd')});
  EXPECT_EQ(action(2, 1)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Less));
  EXPECT_EQ(action(2, 2)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));
  EXPECT_TRUE(action(4, 2)->shortcut().isEmpty());
}

TEST_F(Menus, SubmenuDefinedLaterStillAttaches) {
  plat::defineMenu(3, "Analyze", {item("Mean"), submenu("Respirometry", 76)});
  EXPECT_FALSE(plat::menuDefined(76));
  plat::defineMenu(76, "Respirometry", {item("VO2"), item("VCO2")});
  QMenu* sub = action(3, 2)->menu();
  ASSERT_NE(sub, nullptr);
  ASSERT_EQ(sub->actions().size(), 2);
  EXPECT_EQ(sub->actions()[1]->text(), "VCO2");
  EXPECT_EQ(action(3, 2)->text(), "Respirometry");

  // Picks in the submenu report the submenu's id; the parent item itself is no pick.
  ASSERT_TRUE(plat::detail::simulateMenuPick(76, 2));
  EXPECT_FALSE(plat::detail::simulateMenuPick(3, 2));
  EXPECT_EQ(drain(), (std::vector<std::pair<int, int>>{{76, 2}}));

  // Disabling the submenu greys its entry in the parent.
  plat::setMenuEnabled(76, false);
  EXPECT_FALSE(action(3, 2)->isEnabled());
  plat::setMenuEnabled(76, true);
  EXPECT_TRUE(action(3, 2)->isEnabled());
}

TEST_F(Menus, WindowMenuRebuiltAtRunTime) {
  plat::defineMenu(7, "Window", {item("slot 1"), item("slot 2"), item("slot 3")});
  plat::deleteItem(7, 1);
  EXPECT_EQ(plat::itemCount(7), 2);
  EXPECT_EQ(plat::itemTitle(7, 1), "slot 2");
  ASSERT_TRUE(plat::detail::simulateMenuPick(7, 1));
  EXPECT_EQ(drain(), (std::vector<std::pair<int, int>>{{7, 1}}));   // renumbered

  while (plat::itemCount(7) > 0) plat::deleteItem(7, 1);
  plat::deleteItem(7, 1);   // nothing left: harmless
  plat::appendItem(7, item("run1 \xA5 data"));
  plat::appendItem(7, item("run2"));
  EXPECT_EQ(plat::itemCount(7), 2);
  EXPECT_EQ(plat::itemTitle(7, 1), "run1 \xA5 data");
  EXPECT_EQ(action(7, 1)->text(), QString::fromUtf8("run1 \u2022 data"));
  ASSERT_TRUE(plat::detail::simulateMenuPick(7, 2));
  EXPECT_EQ(drain(), (std::vector<std::pair<int, int>>{{7, 2}}));
}

TEST_F(Menus, TitlesAreMacRomanWithoutMnemonics) {
  plat::setItemTitle(4, 2, "Show Multiple Channels\xC9");
  EXPECT_EQ(plat::itemTitle(4, 2), "Show Multiple Channels\xC9");
  EXPECT_EQ(action(4, 2)->text(), QString::fromUtf8("Show Multiple Channels\u2026"));
  plat::setItemTitle(4, 1, "R&D\tnotes");
  EXPECT_EQ(plat::itemTitle(4, 1), "R&D\tnotes");
  EXPECT_EQ(action(4, 1)->text(), "R&&D notes");
}

TEST_F(Menus, RedefiningReplacesItemsButKeepsTheMenu) {
  plat::appendToMenuBar(4);
  QMenu* before = qobject_cast<QMenu*>(action(4, 1)->parent());
  ASSERT_NE(before, nullptr);
  plat::defineMenu(4, "View", {item("Only")});
  EXPECT_EQ(plat::itemCount(4), 1);
  EXPECT_EQ(qobject_cast<QMenu*>(action(4, 1)->parent()), before);
  EXPECT_EQ(plat::menuBarMenus(), std::vector<int>{4});
  ASSERT_TRUE(plat::detail::simulateMenuPick(4, 1));
  EXPECT_EQ(drain(), (std::vector<std::pair<int, int>>{{4, 1}}));
}

TEST_F(Menus, MenuBarHoldsEachMenuOnceInOrder) {
  plat::defineMenu(1, "File", {item("Open\xC9", 'O')});
  plat::defineMenu(8, "Special", {item("Calculators")});
  plat::appendToMenuBar(1);
  plat::appendToMenuBar(4);
  plat::appendToMenuBar(1);
  plat::appendToMenuBar(8);
  EXPECT_EQ(plat::menuBarMenus(), (std::vector<int>{1, 4, 8}));
  QMenuBar* bar = plat::detail::deskWindow()->menuBar();
  ASSERT_EQ(bar->actions().size(), 3);
  EXPECT_EQ(bar->actions()[0]->text(), "File");
  EXPECT_EQ(bar->actions()[2]->text(), "Special");

  plat::setMenuEnabled(8, false);
  EXPECT_FALSE(bar->actions()[2]->isEnabled());

  plat::clearMenuBar();
  EXPECT_TRUE(plat::menuBarMenus().empty());
  EXPECT_TRUE(bar->actions().isEmpty());
  EXPECT_TRUE(plat::menuDefined(1));   // the menus themselves stay
  ASSERT_TRUE(plat::detail::simulateMenuPick(1, 1));
  EXPECT_EQ(drain(), (std::vector<std::pair<int, int>>{{1, 1}}));
}

TEST_F(Menus, AbsentMenusAndItemsAreHarmless) {
  EXPECT_FALSE(plat::menuDefined(55));
  EXPECT_EQ(plat::itemCount(55), 0);
  EXPECT_EQ(plat::itemTitle(55, 1), "");
  EXPECT_EQ(plat::itemTitle(4, 40), "");
  EXPECT_FALSE(plat::itemEnabled(55, 1));
  EXPECT_FALSE(plat::itemChecked(4, 40));
  EXPECT_FALSE(plat::menuEnabled(55));
  plat::setItemEnabled(55, 1, true);
  plat::setItemChecked(4, 40, true);
  plat::setItemTitle(4, -1, "x");
  plat::appendItem(55, item("x"));
  plat::deleteItem(4, 0);
  plat::setMenuEnabled(55, false);
  EXPECT_EQ(plat::itemCount(4), 6);
  EXPECT_EQ(plat::itemCount(55), 0);
  EXPECT_EQ(plat::detail::menuItemAction(55, 1), nullptr);
}

}  // namespace
