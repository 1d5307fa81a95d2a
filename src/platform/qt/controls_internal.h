// Internal to the platform layer: what controls and menus offer the test
// driver and each other. The simulate* entry points go through the same Qt
// signals as a user's action, so the program sees identical events.
#pragma once
#include <filesystem>
#include <vector>

#include "platform/menus.h"

class QAction;
class QWidget;

namespace plat::detail {

// False when the window, control or item is absent, hidden or disabled.
bool simulateClick(int win, int id);
bool simulatePopup(int win, int id, int item);
bool simulateMenuButton(int win, int id, int item);   // item 0: the menu was dismissed
bool simulateSlide(int win, int id, int value);
bool simulateMenuPick(int menu, int item);
bool simulateFieldClick(int win, int id);
// The editable field's widget (QLineEdit) or a text view's (QTextEdit); null otherwise.
QWidget* fieldWidget(int win, int id);

// A read-only view of one of our HTML pages that follows its links to the others.
void addHelpBrowser(int win, int id, Rect r, const std::filesystem::path& page);

// Menus as pop-up contents: the defined menu, else the menu resource.
std::vector<MenuItemSpec> popupItems(int menuId);
// Called by the menus when a menu's items change, so pop-ups showing it follow.
void menuItemsChanged(int menuId);
// The Qt action behind a menu item (separators included); null when absent.
QAction* menuItemAction(int menu, int item);
// Forgets every menu and empties the menu bar (between tests).
void resetMenus();

}  // namespace plat::detail
