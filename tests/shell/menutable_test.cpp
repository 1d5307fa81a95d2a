#include "shell/menutable.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "platform/macroman.h"
#include "shell/globals.h"
#include "shell/store.h"

namespace {

std::string Mac(const char* utf8) { return plat::utf8ToMacRoman(utf8); }

struct TitleCase {
  int16_t menu, item;
  const char* utf8;
  char key;
};

// Titles the program's users and documents quote; Mac Roman bytes must come
// out of the escapes exactly (an ellipsis is one byte, 0xC9).
TEST(MenuTable, QuotedTitlesAndCommandKeysAreExact) {
  const TitleCase cases[] = {
      {1, 1, "Open Orrelin…", 0},
      {1, 6, "Save", 0},
      {1, 7, "Save As…", 0},
      {1, 10, "Close Several Files", 0},
      {1, 14, "Print File Image…  's'", 'P'},
      {1, 15, "    File Image Preview…", 0},
      {2, 2, "Reset Last Block", 0},
      {2, 7, "Clear Block    'clear',  'esc'", 0},
      {2, 11, "Correct Baseline…", 'B'},
      {2, 14, "Derivative…", 'D'},
      {2, 23, "    Custom Transforms…", 0},
      {2, 26, "    Block Scale, 0-100", 0},
      {3, 1, "Basic Descriptive Stats  ' b'", 0},
      {3, 27, "Shift Block Left «", '<'},
      {3, 28, "Shift Block Right »", '>'},
      {3, 29, "   Block Shift Rules…", 0},
      {4, 7, "Zoom Out   ' - '", 0},
      {4, 10, "      Remove Overlay", 0},
      {4, 12, "Show Multiple Channels…", 0},
      {6, 8, "Run Script [ Automatic, All Files ]", 0},
      {8, 2, "   Expression Evaluator…", 0},
      {8, 14, "Estimated Thermoregulatory Costs for Endotherms", 0},
      {71, 2, "Scale to Include Zero", 0},
      {73, 2, "Selective Block Removal", 0},
      {74, 1, "Orrelin Binary from 'Classic' OS9…", 0},
      {74, 2, "Text [ .csv, ASCII ] File…", 0},
      {76, 5, "Compute EWL…", 0},
      {77, 1, "Autorepeat", 'R'},
      {77, 4, "Don't Use Interpolated Data", 0},
      {82, 2, "    Insert Marker[s]", 0},
      {103, 1, "Basic Time Series…", 0},
  };
  for (const TitleCase& c : cases) {
    const plat::MenuItemSpec* s = FindMenuItem(c.menu, c.item);
    ASSERT_NE(s, nullptr) << c.menu << "/" << c.item;
    EXPECT_EQ(s->title, Mac(c.utf8)) << c.menu << "/" << c.item;
    EXPECT_EQ(s->cmdKey, c.key) << c.menu << "/" << c.item;
    EXPECT_FALSE(s->separator);
  }
  EXPECT_EQ(FindMenuItem(1, 1)->title.back(), '\xC9');
  EXPECT_EQ(FindMenuItem(3, 27)->title.back(), '\xC7');
}

TEST(MenuTable, ScriptMenuNumberingStateAndSeparators) {
  const MenuDefinition* m = FindMenuDefinition(kMenuScript);
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->items.size(), 15u);
  for (int16_t k : {3, 7, 11, 14}) EXPECT_TRUE(IsSeparatorItem(kMenuScript, k)) << k;
  for (int16_t k : {1, 2, 4, 5, 13, 15}) EXPECT_TRUE(FindMenuItem(kMenuScript, k)->enabled) << k;
  for (int16_t k : {6, 8, 9, 10}) EXPECT_FALSE(FindMenuItem(kMenuScript, k)->enabled) << k;
  EXPECT_TRUE(FindMenuItem(kMenuScript, 12)->checked);
  EXPECT_EQ(FindMenuItem(kMenuScript, 15)->title, "Quiet Script Runs");
}

TEST(MenuTable, PositionsWithoutACommandAreSeparators) {
  const std::map<int16_t, std::set<int16_t>> gaps = {
      {kMenuFile, {4, 8, 9, 11, 18, 20}},
      {kMenuEdit, {3, 4, 5, 6, 8, 10, 15, 19, 21, 27, 33, 35, 36, 37}},
      // 14 of Analyze and 1, 2 of View have no known command.
      {kMenuAnalyze, {7, 10, 14, 19, 23, 26}},
      {kMenuView, {1, 2, 14, 15, 16, 17}},
      {kMenuSpecial, {3, 9, 15}},
      {kMenuScaling, {4}},
      {kMenuAppendOrStack, {3}},
      {kMenuRespirometry, {4, 6, 8, 11}},
  };
  const std::map<int16_t, size_t> counts = {{kMenuFile, 21}, {kMenuEdit, 38}, {kMenuAnalyze, 29},
                                            {kMenuView, 18}, {kMenuSpecial, 18}, {kMenuScaling, 6},
                                            {kMenuAppendOrStack, 4}, {kMenuRespirometry, 12}};
  for (const auto& [menu, seps] : gaps) {
    const MenuDefinition* m = FindMenuDefinition(menu);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->items.size(), counts.at(menu)) << menu;
    for (int16_t k = 1; k <= static_cast<int16_t>(m->items.size()); ++k)
      EXPECT_EQ(IsSeparatorItem(menu, k), seps.count(k) == 1) << menu << "/" << k;
  }
}

TEST(MenuTable, SubmenuLinksAndEveryMenuDefinedOnce) {
  const std::map<std::pair<int16_t, int16_t>, int> links = {
      {{1, 2}, 74}, {{1, 3}, 75}, {{1, 17}, 80}, {{2, 20}, 76}, {{2, 28}, 83}, {{2, 29}, 73},
      {{3, 12}, 103}, {{3, 25}, 77}, {{4, 3}, 71}, {{4, 4}, 81}, {{4, 5}, 82}};
  std::map<int, int> parents;
  for (const MenuDefinition& m : MenuTable())
    for (size_t k = 0; k < m.items.size(); ++k)
      if (m.items[k].submenu != 0) {
        ++parents[m.items[k].submenu];
        const auto it = links.find({m.id, static_cast<int16_t>(k + 1)});
        ASSERT_NE(it, links.end()) << m.id << "/" << k + 1;
        EXPECT_EQ(m.items[k].submenu, it->second);
      }
  EXPECT_EQ(parents.size(), links.size());
  std::set<int16_t> ids;
  for (const MenuDefinition& m : MenuTable()) EXPECT_TRUE(ids.insert(m.id).second) << m.id;
  for (const auto& [sub, n] : parents) {
    EXPECT_EQ(n, 1) << sub;
    EXPECT_NE(FindMenuDefinition(static_cast<int16_t>(sub)), nullptr) << sub;
  }
  EXPECT_EQ(FindMenuDefinition(kMenuAppendOrStack)->title, "Append or Stack");
  EXPECT_EQ(FindMenuDefinition(kMenuChangeOrRemove)->title, "Change or Remove");
  EXPECT_EQ(FindMenuDefinition(kMenuSendResults)->title, "Send Results To:");
}

TEST(MenuTable, BarOrderAndStartingState) {
  const std::vector<int16_t> bar = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(MenuBarOrder(), bar);
  for (int16_t id : {kMenuEdit, kMenuAnalyze, kMenuView, kMenuChannel, kMenuWindow})
    EXPECT_FALSE(FindMenuDefinition(id)->enabled) << id;
  for (int16_t id : {kMenuFile, kMenuScript, kMenuSpecial, kMenuHelp})
    EXPECT_TRUE(FindMenuDefinition(id)->enabled) << id;
  EXPECT_TRUE(FindMenuDefinition(kMenuChannel)->items.empty());
  EXPECT_TRUE(FindMenuDefinition(kMenuWindow)->items.empty());
  // Items that need a file start disabled; opening one does not.
  EXPECT_TRUE(FindMenuItem(1, 1)->enabled);
  for (int16_t k : {3, 5, 6, 7, 10, 12, 14}) EXPECT_FALSE(FindMenuItem(1, k)->enabled) << k;
  EXPECT_FALSE(FindMenuItem(kMenuView, 7)->enabled);
  // Check marks as the default words 2, 10 and 20 leave them.
  EXPECT_TRUE(FindMenuItem(kMenuComments, 1)->checked);
  EXPECT_TRUE(FindMenuItem(kMenuComments, 2)->checked);
  EXPECT_TRUE(FindMenuItem(kMenuMarkers, 1)->checked);
  EXPECT_FALSE(FindMenuItem(kMenuAnalysisUtilities, 1)->checked);
}

TEST(MenuTable, ItemsAreWellFormed) {
  std::set<char> keys;
  for (const MenuDefinition& m : MenuTable())
    for (const plat::MenuItemSpec& s : m.items) {
      if (s.separator) {
        EXPECT_FALSE(s.enabled);
        continue;
      }
      // "-" would draw a separator line in place of the item.
      EXPECT_NE(s.title, "-") << m.id;
      EXPECT_FALSE(s.title.empty()) << m.id;
      if (s.cmdKey) {
        EXPECT_TRUE(keys.insert(s.cmdKey).second) << "command key twice: " << s.cmdKey;
      }
    }
  EXPECT_EQ(keys, (std::set<char>{'P', 'B', 'D', '<', '>', 'R'}));
  EXPECT_EQ(FindMenuItem(kMenuFile, 0), nullptr);
  EXPECT_EQ(FindMenuItem(kMenuFile, 22), nullptr);
  EXPECT_EQ(FindMenuItem(42, 1), nullptr);
}

TEST(MenuTable, ChannelMenuListsTheFilesChannels) {
  int16_t slot = -1;
  ASSERT_EQ(OpenNewFileSlot(10, 3, &slot), StoreStatus::Ok);
  SetChannelLabel(slot, 1, "O2 %");
  SetChannelLabel(slot, 3, Mac("∆ temp"));
  const auto items = ChannelMenuItems(slot, 3);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].title, "1: O2 %");
  EXPECT_EQ(items[1].title, "2: ");
  EXPECT_EQ(items[2].title, "3: \xC6 temp");
  EXPECT_FALSE(items[0].checked);
  EXPECT_TRUE(items[2].checked);
  FreeSlot(slot);
  EXPECT_TRUE(ChannelMenuItems(slot, 1).empty());
  EXPECT_TRUE(ChannelMenuItems(-1, 1).empty());
}

}  // namespace
