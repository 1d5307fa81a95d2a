// Menus by id, items by Mac number (separators count as items). The same
// definitions serve the menu bar and pop-up menus.
#pragma once
#include <vector>

#include "platform/types.h"

namespace plat {

struct MenuItemSpec {
  MacText title;            // "-" or separator = true for a separator line
  char cmdKey = 0;          // Ctrl+key on Linux
  bool enabled = true;
  bool separator = false;
  int submenu = 0;          // menu id of a hierarchical submenu
  bool checked = false;
};

void defineMenu(int menuId, const MacText& title, const std::vector<MenuItemSpec>& items);
bool menuDefined(int menuId);
void appendToMenuBar(int menuId);
void clearMenuBar();
std::vector<int> menuBarMenus();

void setMenuEnabled(int menu, bool enabled);
bool menuEnabled(int menu);
void setItemEnabled(int menu, int item, bool enabled);
bool itemEnabled(int menu, int item);
void setItemChecked(int menu, int item, bool checked);
bool itemChecked(int menu, int item);
void setItemTitle(int menu, int item, const MacText& title);
MacText itemTitle(int menu, int item);
void appendItem(int menu, const MenuItemSpec& item);
void deleteItem(int menu, int item);
int  itemCount(int menu);

}  // namespace plat
