// Which menu items and toolbar buttons are enabled and checked, computed from
// the state of the current file, and the Window menu's list of open files.
// The rules are pure functions of a MenuContext; SETMENU and FixMenuSEVEN
// gather the context and hand the result to the GUI through hooks.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"
#include "shell/menutable.h"

// Not in shell/globals.h yet:
extern std::string ThisFileName;   // S2: the last name FixMenuSEVEN listed
extern int16_t BlockWindowModal;   // S3: set while SWITCHtoWINDOW2 holds the block window

struct MenuContext {
  bool hasFile = false;            // the current slot holds cases and channels
  int16_t blockState = 0;          // FileSHORTS word 2
  bool zoomed = false;             // word 6
  bool stacked = false;            // word 7 = 1
  int16_t channels = 0;
  int32_t cases = 0;
  int16_t markers = 0;
  int32_t beginBlock = 0, endBlock = 0;   // kept by CLEARBLOCK for "Reset Last Block"
  bool undoAvailable = false;      // the undo copy belongs to this file
  int16_t openFiles = 0;
  bool blockWindowModal = false;
  int16_t resultsPort = 0;         // 4 text, 5 tabular, 6 printer, else none
  // Check-mark sources.
  bool recordEdits = false;        // word 44
  bool autorepeat = false;         // word 14
  bool avoidInterpolation = false;
  bool commentsShown = false;      // word 2 = 0
  bool blockInstructions = false;  // word 20
  bool markersShown = false;       // word 10
  bool allValues = false;
  bool histogram = false;
  bool quietScripts = false;       // word 48
};
// The context of TheFileInUse and the globals now.
MenuContext CurrentMenuContext();

struct MenuEnable {
  int16_t menu = 0;
  bool enabled = false;
};
// An unset field leaves that property to the item's owner.
struct ItemChange {
  MenuPick pick;
  std::optional<bool> enabled;
  std::optional<bool> checked;
};
struct ToolChange {
  int16_t id = 0;
  bool enabled = false;
};

struct MenuState {
  std::vector<MenuEnable> menus;
  std::vector<ItemChange> items;
  std::vector<ToolChange> tools;
  bool showToolbar = false;

  std::optional<bool> menuEnabled(int16_t menu) const;
  const ItemChange* item(MenuPick pick) const;
  std::optional<bool> itemEnabled(MenuPick pick) const;
  std::optional<bool> itemChecked(MenuPick pick) const;
  std::optional<bool> toolEnabled(int16_t id) const;
};

using PickAvailable = std::function<bool(MenuPick)>;
using ToolAvailable = std::function<bool(int16_t id)>;

// Every fixed item and toolbar button: its rule, and disabled while its
// command is unavailable. The Script menu's enabling and File item 19 belong
// to their owners; only an unavailable command disables them here. A
// submenu's parent item is disabled when none of its items can run.
MenuState ComputeMenuState(const MenuContext& ctx, bool showToolbar,
                           const PickAvailable& available, const ToolAvailable& toolAvailable);
// With the dispatcher's registry.
MenuState ComputeMenuState(const MenuContext& ctx, bool showToolbar);

struct WindowMenu {
  std::vector<plat::MacText> titles;   // item k + 1 lists slots[k]
  std::vector<int16_t> slots;
  int16_t openFiles = 0;
  bool closeSeveralEnabled = false;    // File item 10: three or more files
  std::string lastName;
  int16_t checkedItem = 0;             // the front file's item, 0 when none
};
// Slots 0..15 that hold a file (cases and channels), in slot order.
WindowMenu ComputeWindowMenu(uint16_t frontSlot);

struct MenuRuleHooks {
  std::function<void(const MenuState&)> applyMenuState;
  std::function<void(const WindowMenu&)> applyWindowMenu;
};
extern MenuRuleHooks gMenuRuleHooks;

// Applies the rules to the menus of the current file; a non-zero flag also
// shows the toolbar again. Returns 0.
int16_t SETMENU(int16_t flag);
// Relists the open files in the Window menu and updates NumberOfOpenFiles,
// ThisFileName and File item 10. Returns 0.
int16_t FixMenuSEVEN();
