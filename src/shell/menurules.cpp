#include "shell/menurules.h"

#include <algorithm>

#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"

std::string ThisFileName;
int16_t BlockWindowModal = 0;
MenuRuleHooks gMenuRuleHooks;

namespace {

constexpr int32_t kFFTMinimumCases = 128;

bool SlotHasData(int16_t slot) {
  return ValidFileSlot(slot) && SlotHoldsFile(slot) && nCases[slot] > 0 && nChannels[slot] > 0;
}

// Whether an item's own rule allows it; nullopt when no rule speaks of it.
std::optional<bool> RuleEnabled(MenuPick p, const MenuContext& c) {
  const bool block = c.blockState == 2;
  switch (p.menu) {
    case kMenuFile:
      switch (p.item) {
        case 3: case 5: case 6: case 7: case 12: case 14: case 15: case 16: return c.hasFile;
        case 10: return c.hasFile && c.openFiles >= 3;
        default: return std::nullopt;
      }
    case kMenuAppendOrStack:
      if (p.item == 1 || p.item == 2) return c.hasFile;
      return std::nullopt;
    case kMenuEdit:
      if (p.item == 1) return c.hasFile && c.undoAvailable;
      if (p.item == 25 || p.item == 26) return c.hasFile && block;
      if (p.item == 2)
        return c.hasFile && !block && c.beginBlock >= 1 && c.endBlock > c.beginBlock &&
               c.endBlock <= c.cases;
      if (p.item == 7) return c.hasFile && c.blockState != 0;
      // A crop keeps B..E; a block from case 0 starts at case 1.
      if (p.item == 30) return c.hasFile && block && std::max(c.beginBlock, 1) <= c.endBlock && c.endBlock <= c.cases;
      return std::nullopt;
    case kMenuChangeOrRemove:
      if (p.item == 2 || p.item == 3) return c.hasFile && block;
      return std::nullopt;
    case kMenuAnalyze:
      // The statistics of a block: nothing to run without one.
      if (p == kPickDescriptiveStats) return block;
      if (p == kPickRegress) return block && c.channels > 1;
      if (p == kPickFFT) return c.cases >= kFFTMinimumCases;
      // The other analyses of a block, dimmed as the statistics are: chosen
      // without one they would do nothing.
      switch (p.item) {
        case 2: case 3: case 4: case 5: case 6: case 11: case 15: case 17: case 18: case 20: case 21: case 22:
        case 27: case 28: return block;
        default: return std::nullopt;
      }
    case kMenuView:
      switch (p.item) {
        case 6: return block;
        case 7: return c.zoomed && !c.stacked;
        case 9: return !c.stacked;
        case 12: return c.channels > 1;
        case 13: return c.stacked;
        default: return std::nullopt;
      }
    case kMenuMarkers:
      if (p.item == 1) return c.markers > 0;
      if (p.item == 3) return c.hasFile && block;
      return std::nullopt;
    default: return std::nullopt;
  }
}

std::optional<bool> RuleChecked(MenuPick p, const MenuContext& c) {
  if (p == kPickRecordEdits) return c.recordEdits;
  if (p == kPickAutorepeat) return c.autorepeat;
  if (p == kPickAvoidInterpolated) return c.avoidInterpolation;
  if (p == kPickShowComments) return c.commentsShown;
  if (p == kPickBlockInstructions) return c.blockInstructions;
  if (p == kPickShowMarkers) return c.markersShown;
  if (p == kPickAllValues) return c.allValues;
  if (p == kPickHistogram) return c.histogram;
  if (p == kPickQuietScripts) return c.quietScripts;
  if (p.menu == kMenuSendResults) {
    const int16_t port[] = {0, 6, 5, 4};
    return p.item >= 1 && p.item <= 3 && c.resultsPort == port[p.item];
  }
  return std::nullopt;
}

// Items whose enabling another subsystem keeps (script states, print and
// close); the rules only take them away when their command is missing.
bool OwnedElsewhere(MenuPick p) {
  return (p.menu == kMenuScript && p != kPickQuietScripts) || p == kPickPrintAndClose;
}

std::optional<bool> ToolRule(int16_t id, const MenuContext& c) {
  const bool block = c.hasFile && c.blockState == 2;
  if (id == 574) return block && c.channels > 1;
  if ((id >= 565 && id <= 576) || id == 589 || id == 591 || id == 592 || id == 593 || id == 595)
    return block;
  if (id == 590) return c.hasFile && c.zoomed && !c.stacked;
  if (id == 581) return !c.stacked;
  return std::nullopt;
}

// An item's state; a submenu parent follows the items below it.
bool ItemRunnable(MenuPick p, const MenuContext& c, const PickAvailable& available) {
  const plat::MenuItemSpec* entry = FindMenuItem(p.menu, p.item);
  if (!entry || entry->separator) return false;
  if (entry->submenu != 0) {
    const MenuDefinition* sub = FindMenuDefinition(static_cast<int16_t>(entry->submenu));
    if (!sub) return false;
    for (int16_t k = 1; k <= static_cast<int16_t>(sub->items.size()); ++k)
      if (ItemRunnable({sub->id, k}, c, available)) return RuleEnabled(p, c).value_or(true);
    return false;
  }
  return available(p) && RuleEnabled(p, c).value_or(true);
}

}  // namespace

std::optional<bool> MenuState::menuEnabled(int16_t menu) const {
  for (const MenuEnable& m : menus)
    if (m.menu == menu) return m.enabled;
  return std::nullopt;
}

const ItemChange* MenuState::item(MenuPick pick) const {
  for (const ItemChange& i : items)
    if (i.pick == pick) return &i;
  return nullptr;
}

std::optional<bool> MenuState::itemEnabled(MenuPick pick) const {
  const ItemChange* i = item(pick);
  return i ? i->enabled : std::nullopt;
}

std::optional<bool> MenuState::itemChecked(MenuPick pick) const {
  const ItemChange* i = item(pick);
  return i ? i->checked : std::nullopt;
}

std::optional<bool> MenuState::toolEnabled(int16_t id) const {
  for (const ToolChange& t : tools)
    if (t.id == id) return t.enabled;
  return std::nullopt;
}

MenuContext CurrentMenuContext() {
  MenuContext c;
  const auto slot = static_cast<int16_t>(TheFileInUse);
  c.hasFile = SlotHasData(slot);
  if (c.hasFile) {
    c.blockState = FileSHORTS[slot][kShortBlockState];
    c.zoomed = FileSHORTS[slot][kShortZoomed] != 0;
    c.stacked = FileSHORTS[slot][kShortView] == 1;
    c.channels = nChannels[slot];
    c.cases = nCases[slot];
    c.markers = MarkerCount(slot);
    c.beginBlock = BeginBlock[slot];
    c.endBlock = EndBlock[slot];
    c.undoAvailable = UndoAvailable(slot);
  }
  int16_t open = 0;
  for (int16_t s = 0; s < kMaxOpenFiles; ++s)
    if (SlotHasData(s)) ++open;
  c.openFiles = open;
  c.blockWindowModal = BlockWindowModal != 0;
  c.resultsPort = PortForResultsOutput;
  c.recordEdits = prefsArray[kPrefRecordEdits] != 0;
  c.autorepeat = prefsArray[kPrefAutorepeat] != 0;
  c.avoidInterpolation = AvoidInterpolation != 0;
  c.commentsShown = prefsArray[kPrefCommentsHidden] == 0;
  c.blockInstructions = prefsArray[kPrefBlockInstructions] != 0;
  c.markersShown = prefsArray[kPrefMarkersShown] != 0;
  c.allValues = AllValues != 0;
  c.histogram = PlotAsHistogram != 0;
  c.quietScripts = prefsArray[kPrefQuietScripts] != 0;
  return c;
}

MenuState ComputeMenuState(const MenuContext& ctx, bool showToolbar,
                           const PickAvailable& available, const ToolAvailable& toolAvailable) {
  MenuState st;
  st.showToolbar = showToolbar;

  for (int16_t id : MenuBarOrder()) {
    bool on = true;
    if (id >= kMenuEdit && id <= kMenuChannel) on = ctx.hasFile;
    if (id == kMenuWindow) on = ctx.openFiles > 0;
    // The block window's modal loop takes the menus from File to Script.
    if (ctx.blockWindowModal && id >= kMenuFile && id <= kMenuScript) on = false;
    st.menus.push_back({id, on});
  }

  for (const MenuDefinition& m : MenuTable()) {
    for (int16_t k = 1; k <= static_cast<int16_t>(m.items.size()); ++k) {
      const MenuPick p{m.id, k};
      const plat::MenuItemSpec& entry = m.items[static_cast<size_t>(k - 1)];
      if (entry.separator) continue;
      ItemChange ch;
      ch.pick = p;
      const bool runnable = ItemRunnable(p, ctx, available);
      if (!OwnedElsewhere(p) || !runnable) ch.enabled = runnable;
      ch.checked = RuleChecked(p, ctx);
      st.items.push_back(ch);
    }
  }

  for (const ToolButton& b : ToolbarTable()) {
    bool on = toolAvailable(b.id);
    if (const std::optional<bool> rule = ToolRule(b.id, ctx)) on = on && *rule;
    st.tools.push_back({b.id, on});
  }
  return st;
}

MenuState ComputeMenuState(const MenuContext& ctx, bool showToolbar) {
  return ComputeMenuState(
      ctx, showToolbar, [](MenuPick p) { return CommandAvailable(p); },
      [](int16_t id) { return ToolButtonAvailable(id); });
}

WindowMenu ComputeWindowMenu(uint16_t frontSlot) {
  WindowMenu w;
  for (int16_t s = 0; s < kMaxOpenFiles; ++s) {
    if (!SlotHasData(s)) continue;
    plat::MacText title = FileName[s];
    // A bare "-" would be taken for a separator line, an empty title shows
    // nothing to pick.
    if (title.empty()) title = "Untitled";
    if (title == "-") title = "- ";
    w.titles.push_back(title);
    w.slots.push_back(s);
    w.lastName = FileName[s];
    if (s == frontSlot) w.checkedItem = static_cast<int16_t>(w.slots.size());
  }
  w.openFiles = static_cast<int16_t>(w.slots.size());
  w.closeSeveralEnabled = w.openFiles >= 3;
  return w;
}

int16_t SETMENU(int16_t flag) {
  if (gMenuRuleHooks.applyMenuState)
    gMenuRuleHooks.applyMenuState(ComputeMenuState(CurrentMenuContext(), flag != 0));
  return 0;
}

int16_t FixMenuSEVEN() {
  const WindowMenu w = ComputeWindowMenu(TheFileInUse);
  NumberOfOpenFiles = w.openFiles;
  // With no file listed the last name stays, as nothing replaced it.
  if (!w.slots.empty()) ThisFileName = w.lastName;
  SetWindowMenuSlots(w.slots);
  if (gMenuRuleHooks.applyWindowMenu) gMenuRuleHooks.applyWindowMenu(w);
  return 0;
}
