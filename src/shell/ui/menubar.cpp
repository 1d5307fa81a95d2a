#include "shell/ui/menubar.h"

#include <algorithm>

#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/windows.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/store.h"
#include "shell/ui/kit.h"

MenuBarHooks gMenuBarHooks;

namespace {

constexpr MenuPick kPickOpenOther{kMenuFile, 2};
constexpr MenuPick kPickAppendOrStack{kMenuFile, 3};

bool KindMissing(MenuPick p) { return gMenuBarHooks.itemLacking && gMenuBarHooks.itemLacking(p); }

bool AnyItemEnabled(int16_t menu) {
  for (int k = 1; k <= plat::itemCount(menu); ++k)
    if (plat::itemEnabled(menu, k) && !IsSeparatorItem(menu, static_cast<int16_t>(k))) return true;
  return false;
}

}  // namespace

void MAINMENU() {
  for (const MenuDefinition& m : MenuTable()) {
    plat::defineMenu(m.id, m.title, m.items);
    if (!m.enabled) plat::setMenuEnabled(m.id, false);
  }
  plat::clearMenuBar();
  for (int16_t id : MenuBarOrder()) plat::appendToMenuBar(id);
}

void ApplyMenuState(const MenuState& state) {
  for (const MenuEnable& m : state.menus) plat::setMenuEnabled(m.menu, m.enabled);
  for (const ItemChange& ch : state.items) {
    if (!plat::menuDefined(ch.pick.menu) || ch.pick.item > plat::itemCount(ch.pick.menu)) continue;
    if (ch.enabled) plat::setItemEnabled(ch.pick.menu, ch.pick.item, *ch.enabled && !KindMissing(ch.pick));
    if (ch.checked) plat::setItemChecked(ch.pick.menu, ch.pick.item, *ch.checked);
  }
  // A submenu with nothing to run is no use to open.
  if (plat::menuDefined(kMenuFile)) {
    if (!AnyItemEnabled(kMenuOpenOther)) plat::setItemEnabled(kPickOpenOther.menu, kPickOpenOther.item, false);
    if (!AnyItemEnabled(kMenuAppendOrStack))
      plat::setItemEnabled(kPickAppendOrStack.menu, kPickAppendOrStack.item, false);
  }
  if (plat::windowExists(kToolbarWindow)) {
    for (const ToolChange& t : state.tools)
      if (plat::controlExists(kToolbarWindow, t.id) && plat::buttonState(kToolbarWindow, t.id) != 2)
        plat::setButtonState(kToolbarWindow, t.id, t.enabled ? 1 : 0);
    if (state.showToolbar && ToolbarIsHidden) RestoreTheToolBar();
  }
}

void ApplyWindowMenu(const WindowMenu& menu) {
  if (!plat::menuDefined(kMenuWindow)) return;
  for (int k = plat::itemCount(kMenuWindow); k >= 1; --k) plat::deleteItem(kMenuWindow, k);
  for (size_t k = 0; k < menu.titles.size(); ++k) {
    plat::MenuItemSpec item;
    item.title = menu.titles[k];
    item.checked = static_cast<int16_t>(k + 1) == menu.checkedItem;
    item.enabled = CommandAvailable(kMenuWindow, static_cast<int16_t>(k + 1));
    plat::appendItem(kMenuWindow, item);
  }
  plat::setMenuEnabled(kMenuWindow, menu.openFiles > 0);
  if (plat::menuDefined(kMenuFile))
    plat::setItemEnabled(kPickCloseSeveral.menu, kPickCloseSeveral.item,
                         menu.closeSeveralEnabled && CommandAvailable(kPickCloseSeveral));
}

void RebuildChannelMenu() {
  if (!plat::menuDefined(kMenuChannel)) return;
  const auto slot = static_cast<int16_t>(TheFileInUse);
  std::vector<plat::MenuItemSpec> items;
  if (ValidFileSlot(slot) && SlotHoldsFile(slot)) items = ChannelMenuItems(slot, ActiveChannel);
  for (size_t k = 0; k < items.size(); ++k)
    items[k].enabled = CommandAvailable(kMenuChannel, static_cast<int16_t>(k + 1));
  const MenuDefinition* def = FindMenuDefinition(kMenuChannel);
  const bool wasEnabled = plat::menuEnabled(kMenuChannel);
  plat::defineMenu(kMenuChannel, def ? def->title : plat::MacText("Channel"), items);
  plat::setMenuEnabled(kMenuChannel, wasEnabled);
}

void CheckFrontFileInWindowMenu() {
  if (!plat::menuDefined(kMenuWindow)) return;
  const int16_t front = PlotSlotOfWindow(plat::frontWindow());
  if (front < 0) return;   // a dialog in front leaves the mark where it is
  const std::vector<int16_t>& slots = WindowMenuSlots();
  const int n = std::min<int>(plat::itemCount(kMenuWindow), static_cast<int>(slots.size()));
  for (int k = 1; k <= n; ++k) {
    const bool on = slots[static_cast<size_t>(k - 1)] == front;
    if (plat::itemChecked(kMenuWindow, k) != on) plat::setItemChecked(kMenuWindow, k, on);
  }
}

void InstallMenuHooks() {
  gMenuRuleHooks.applyMenuState = ApplyMenuState;
  gMenuRuleHooks.applyWindowMenu = ApplyWindowMenu;
}
