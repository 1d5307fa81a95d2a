// The menu bar and its submenus as data. Item numbers are the Mac numbers the
// toolbar, the keys, the script runner and the analysis windows use:
// separators count as items, so a position no command owns is a separator
// and never shifts the items after it.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/menus.h"
#include "platform/types.h"

inline constexpr int16_t kMenuFile = 1;
inline constexpr int16_t kMenuEdit = 2;
inline constexpr int16_t kMenuAnalyze = 3;
inline constexpr int16_t kMenuView = 4;
inline constexpr int16_t kMenuChannel = 5;          // item c = channel c
inline constexpr int16_t kMenuScript = 6;
inline constexpr int16_t kMenuWindow = 7;           // one item per open file
inline constexpr int16_t kMenuSpecial = 8;
inline constexpr int16_t kMenuHelp = 9;
inline constexpr int16_t kMenuScaling = 71;
inline constexpr int16_t kMenuChangeOrRemove = 73;
inline constexpr int16_t kMenuOpenOther = 74;
inline constexpr int16_t kMenuAppendOrStack = 75;
inline constexpr int16_t kMenuRespirometry = 76;
inline constexpr int16_t kMenuAnalysisUtilities = 77;
inline constexpr int16_t kMenuSendResults = 80;
inline constexpr int16_t kMenuComments = 81;
inline constexpr int16_t kMenuMarkers = 82;
inline constexpr int16_t kMenuCompact = 83;
inline constexpr int16_t kMenuTimeSeries = 103;

struct MenuPick {
  int16_t menu = 0;
  int16_t item = 0;
  friend bool operator==(const MenuPick&, const MenuPick&) = default;
};

// Picks other code tests by number.
inline constexpr MenuPick kPickOpenNative{kMenuFile, 1};
inline constexpr MenuPick kPickCloseSeveral{kMenuFile, 10};
inline constexpr MenuPick kPickPrintImage{kMenuFile, 14};
inline constexpr MenuPick kPickResultsLine{kMenuFile, 18};   // never a visible item
inline constexpr MenuPick kPickPrintAndClose{kMenuFile, 19};
inline constexpr MenuPick kPickResetLastBlock{kMenuEdit, 2};
inline constexpr MenuPick kPickClearBlock{kMenuEdit, 7};
inline constexpr MenuPick kPickDuplicateChannel{kMenuEdit, 31};
inline constexpr MenuPick kPickRecordEdits{kMenuEdit, 34};
inline constexpr MenuPick kPickDescriptiveStats{kMenuAnalyze, 1};
inline constexpr MenuPick kPickFFT{kMenuAnalyze, 13};
inline constexpr MenuPick kPickRegress{kMenuAnalyze, 16};
inline constexpr MenuPick kPickShiftLeft{kMenuAnalyze, 27};
inline constexpr MenuPick kPickShiftRight{kMenuAnalyze, 28};
inline constexpr MenuPick kPickZoomIn{kMenuView, 6};
inline constexpr MenuPick kPickZoomOut{kMenuView, 7};
inline constexpr MenuPick kPickOverlay{kMenuView, 9};
inline constexpr MenuPick kPickRemoveOverlay{kMenuView, 10};
inline constexpr MenuPick kPickHistogram{kMenuView, 11};
inline constexpr MenuPick kPickShowMultiple{kMenuView, 12};
inline constexpr MenuPick kPickShowSingle{kMenuView, 13};
inline constexpr MenuPick kPickAllValues{kMenuView, 18};
inline constexpr MenuPick kPickQuietScripts{kMenuScript, 15};
inline constexpr MenuPick kPickHelp{kMenuHelp, 2};
inline constexpr MenuPick kPickIncludeZero{kMenuScaling, 2};
inline constexpr MenuPick kPickNormalScaling{kMenuScaling, 3};
inline constexpr MenuPick kPickAutorepeat{kMenuAnalysisUtilities, 1};
// Analysis windows recognise a deferred "Scale Results…" pick by this pair.
inline constexpr MenuPick kScaleResultsPick{kMenuAnalysisUtilities, 3};
inline constexpr MenuPick kPickAvoidInterpolated{kMenuAnalysisUtilities, 4};
inline constexpr MenuPick kPickShowComments{kMenuComments, 1};
inline constexpr MenuPick kPickBlockInstructions{kMenuComments, 2};
inline constexpr MenuPick kPickShowMarkers{kMenuMarkers, 1};

struct MenuDefinition {
  int16_t id = 0;
  plat::MacText title;
  bool enabled = true;                      // whole menu, as MAINMENU leaves it
  std::vector<plat::MenuItemSpec> items;    // items[k] is item k + 1
};

// Every menu: the bar menus in bar order, then the submenus. Menus 5 and 7
// start empty; their items follow the current file and the open files.
const std::vector<MenuDefinition>& MenuTable();
const std::vector<int16_t>& MenuBarOrder();
const MenuDefinition* FindMenuDefinition(int16_t id);
// The item's definition, or nullptr outside the menu.
const plat::MenuItemSpec* FindMenuItem(int16_t menu, int16_t item);
bool IsSeparatorItem(int16_t menu, int16_t item);

// Items of the Channel menu for a file: "c: label" with the label's trailing
// blanks dropped, the active channel checked.
std::vector<plat::MenuItemSpec> ChannelMenuItems(int16_t slot, int16_t activeChannel);
