// Menus by id with items by Mac number. Each menu keeps its item list,
// separators included, so item numbers match the program's.
#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSignalBlocker>

#include <algorithm>
#include <map>

#include "platform/macroman.h"
#include "platform/menus.h"
#include "platform/qt/controls_internal.h"
#include "platform/qt/internal.h"
#include "platform/resources.h"

namespace plat {
namespace {

struct ItemRec {
  MenuItemSpec spec;
  QPointer<QAction> action;
};

struct MenuRec {
  MacText title;
  bool defined = false;    // false: created only because an item or the bar refers to it
  bool enabled = true;
  QPointer<QMenu> menu;
  std::vector<ItemRec> items;
};

struct MenuState {
  std::map<int, MenuRec> menus;
  std::vector<int> bar;
};

MenuState& M() {
  static MenuState s;
  return s;
}

bool isSeparator(const MenuItemSpec& s) { return s.separator || s.title == "-"; }

// Menu texts treat '&' as a mnemonic marker and a tab as the shortcut column.
QString actionText(const MacText& t) {
  QString s = QString::fromUtf8(macRomanToUtf8(t));
  s.replace('&', "&&");
  s.replace('\t', ' ');
  return s;
}

MenuRec* find(int id) {
  auto it = M().menus.find(id);
  return it == M().menus.end() ? nullptr : &it->second;
}

ItemRec* findItem(int menu, int item) {
  MenuRec* m = find(menu);
  if (!m || !m->defined || item < 1 || item > static_cast<int>(m->items.size())) return nullptr;
  return &m->items[item - 1];
}

// The record of a menu, created empty when first referred to, so that a
// submenu or bar entry defined later attaches to the same QMenu.
MenuRec& ensure(int id) {
  MenuRec& m = M().menus[id];
  if (!m.menu) {
    m.menu = new QMenu(detail::deskWindow());
    m.menu->setTitle(actionText(m.title));
  }
  return m;
}

bool effectiveEnabled(const MenuRec& m, const ItemRec& it) {
  if (!m.enabled || !it.spec.enabled) return false;
  if (it.spec.submenu) {
    const MenuRec* sub = find(it.spec.submenu);
    if (sub && !sub->enabled) return false;
  }
  return true;
}

// Command keys of a disabled menu must not fire either, so a whole-menu
// switch reaches every action.
void applyEnabled(int id) {
  MenuRec* m = find(id);
  if (!m) return;
  if (m->menu) m->menu->menuAction()->setEnabled(m->enabled);
  for (auto& it : m->items)
    if (it.action) it.action->setEnabled(effectiveEnabled(*m, it));
  for (auto& [otherId, other] : M().menus)
    for (auto& it : other.items)
      if (it.spec.submenu == id && it.action) it.action->setEnabled(effectiveEnabled(other, it));
}

void applyCheck(QAction* a, bool checked) {
  const QSignalBlocker block(a);
  // Only marked items are checkable: an unmarked checkable item would show an empty box.
  a->setCheckable(checked);
  a->setChecked(checked);
}

void onTriggered(int menuId, QAction* a) {
  MenuRec* m = find(menuId);
  if (!m) return;
  auto it = std::find_if(m->items.begin(), m->items.end(), [a](const ItemRec& r) { return r.action == a; });
  if (it == m->items.end()) return;
  // Qt flips a checkable action on trigger; marks belong to the program.
  applyCheck(a, it->spec.checked);
  const int item = static_cast<int>(it - m->items.begin()) + 1;
  Event e;
  e.kind = EventKind::MenuPick;
  e.menu = menuId;
  e.item = item;
  detail::post(e);
}

int shortcutKey(char cmdKey) {
  const char32_t cp = macRomanToUnicode(static_cast<unsigned char>(cmdKey));
  return QChar::toUpper(cp);
}

QAction* makeAction(int menuId, MenuRec& m, const MenuItemSpec& spec) {
  if (isSeparator(spec)) {
    auto* sep = new QAction(m.menu);
    sep->setSeparator(true);
    return sep;
  }
  auto* a = new QAction(actionText(spec.title), m.menu);
  if (spec.submenu) a->setMenu(ensure(spec.submenu).menu.data());
  if (spec.cmdKey) {
    a->setShortcut(QKeySequence(QKeyCombination(Qt::ControlModifier, Qt::Key(shortcutKey(spec.cmdKey)))));
    // Windows are child widgets of one desk: the key must work wherever focus is.
    a->setShortcutContext(Qt::ApplicationShortcut);
  }
  applyCheck(a, spec.checked);
  QObject::connect(a, &QAction::triggered, a, [menuId, a] { onTriggered(menuId, a); });
  return a;
}

void insertItem(int menuId, MenuRec& m, const MenuItemSpec& spec) {
  ItemRec rec{spec, makeAction(menuId, m, spec)};
  m.menu->addAction(rec.action);
  rec.action->setEnabled(effectiveEnabled(m, rec));
  m.items.push_back(std::move(rec));
}

}  // namespace

void defineMenu(int menuId, const MacText& title, const std::vector<MenuItemSpec>& items) {
  MenuRec& m = ensure(menuId);
  for (auto& it : m.items) delete it.action.data();
  m.items.clear();
  m.menu->clear();
  m.title = title;
  m.defined = true;
  m.menu->setTitle(actionText(title));
  for (const auto& spec : items) insertItem(menuId, m, spec);
  applyEnabled(menuId);
  detail::menuItemsChanged(menuId);
}

bool menuDefined(int menuId) {
  const MenuRec* m = find(menuId);
  return m && m->defined;
}

void appendToMenuBar(int menuId) {
  QMainWindow* desk = detail::deskWindow();
  if (!desk) return;
  auto& bar = M().bar;
  if (std::find(bar.begin(), bar.end(), menuId) != bar.end()) return;
  MenuRec& m = ensure(menuId);
  desk->menuBar()->addMenu(m.menu);
  bar.push_back(menuId);
}

void clearMenuBar() {
  QMainWindow* desk = detail::deskWindow();
  for (int id : M().bar) {
    MenuRec* m = find(id);
    if (desk && m && m->menu) desk->menuBar()->removeAction(m->menu->menuAction());
  }
  M().bar.clear();
}

std::vector<int> menuBarMenus() { return M().bar; }

void setMenuEnabled(int menu, bool enabled) {
  MenuRec* m = find(menu);
  if (!m) return;
  m->enabled = enabled;
  applyEnabled(menu);
}

bool menuEnabled(int menu) {
  const MenuRec* m = find(menu);
  return m && m->defined && m->enabled;
}

void setItemEnabled(int menu, int item, bool enabled) {
  ItemRec* it = findItem(menu, item);
  if (!it) return;
  it->spec.enabled = enabled;
  if (it->action) it->action->setEnabled(effectiveEnabled(*find(menu), *it));
  detail::menuItemsChanged(menu);
}

bool itemEnabled(int menu, int item) {
  const ItemRec* it = findItem(menu, item);
  return it && it->spec.enabled && !isSeparator(it->spec);
}

void setItemChecked(int menu, int item, bool checked) {
  ItemRec* it = findItem(menu, item);
  if (!it || isSeparator(it->spec)) return;
  it->spec.checked = checked;
  if (it->action) applyCheck(it->action, checked);
}

bool itemChecked(int menu, int item) {
  const ItemRec* it = findItem(menu, item);
  return it && it->spec.checked;
}

void setItemTitle(int menu, int item, const MacText& title) {
  ItemRec* it = findItem(menu, item);
  if (!it || isSeparator(it->spec)) return;
  it->spec.title = title;
  if (it->action) it->action->setText(actionText(title));
  detail::menuItemsChanged(menu);
}

MacText itemTitle(int menu, int item) {
  const ItemRec* it = findItem(menu, item);
  return it ? it->spec.title : MacText{};
}

void appendItem(int menu, const MenuItemSpec& item) {
  MenuRec* m = find(menu);
  if (!m || !m->defined) return;
  insertItem(menu, *m, item);
  detail::menuItemsChanged(menu);
}

void deleteItem(int menu, int item) {
  MenuRec* m = find(menu);
  if (!findItem(menu, item)) return;
  delete m->items[item - 1].action.data();
  m->items.erase(m->items.begin() + (item - 1));
  detail::menuItemsChanged(menu);
}

int itemCount(int menu) {
  const MenuRec* m = find(menu);
  return m && m->defined ? static_cast<int>(m->items.size()) : 0;
}

namespace detail {

bool simulateMenuPick(int menu, int item) {
  MenuRec* m = find(menu);
  ItemRec* it = findItem(menu, item);
  if (!it || !it->action || isSeparator(it->spec) || it->spec.submenu) return false;
  if (!effectiveEnabled(*m, *it)) return false;
  it->action->trigger();
  return true;
}

std::vector<MenuItemSpec> popupItems(int menuId) {
  if (const MenuRec* m = find(menuId); m && m->defined) {
    std::vector<MenuItemSpec> out;
    out.reserve(m->items.size());
    for (const auto& it : m->items) out.push_back(it.spec);
    return out;
  }
  return menuResource(menuId);
}

QAction* menuItemAction(int menu, int item) {
  ItemRec* it = findItem(menu, item);
  return it ? it->action.data() : nullptr;
}

void resetMenus() {
  clearMenuBar();
  for (auto& [id, m] : M().menus) delete m.menu.data();
  M().menus.clear();
}

}  // namespace detail
}  // namespace plat
