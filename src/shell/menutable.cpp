#include "shell/menutable.h"

#include <string>
#include <utility>

#include "shell/store.h"
#include "shell/textutil.h"

// Mac Roman bytes, joined to neighbouring literals so that a following letter
// can never extend the escape.
#define ELLIPSIS "\xC9"
#define LEFT_GUILLEMET "\xC7"
#define RIGHT_GUILLEMET "\xC8"

namespace {

using plat::MenuItemSpec;

MenuItemSpec Item(const char* title, char key = 0, bool enabled = true, bool checked = false) {
  MenuItemSpec s;
  s.title = title;
  s.cmdKey = key;
  s.enabled = enabled;
  s.checked = checked;
  return s;
}

MenuItemSpec Disabled(const char* title) { return Item(title, 0, false); }
MenuItemSpec Checked(const char* title, char key = 0) { return Item(title, key, true, true); }

MenuItemSpec Sub(const char* title, int submenu, bool enabled = true) {
  MenuItemSpec s = Item(title, 0, enabled);
  s.submenu = submenu;
  return s;
}

MenuItemSpec Separator() {
  MenuItemSpec s;
  s.title = "-";
  s.separator = true;
  s.enabled = false;
  return s;
}

// Items by their numbers; every number left out becomes a separator.
std::vector<MenuItemSpec> Numbered(std::initializer_list<std::pair<int, MenuItemSpec>> list) {
  std::vector<MenuItemSpec> items;
  for (const auto& [number, entry] : list) {
    while (static_cast<int>(items.size()) < number - 1) items.push_back(Separator());
    items.push_back(entry);
  }
  return items;
}

std::vector<MenuDefinition> BuildTable() {
  std::vector<MenuDefinition> t;

  // Items that need an open file start disabled; SETMENU opens them up.
  t.push_back({kMenuFile, "File", true, Numbered({
      {1, Item("Open Orrelin" ELLIPSIS)},
      {2, Sub("Open Other Format", kMenuOpenOther)},
      {3, Sub("Append or Stack", kMenuAppendOrStack, false)},
      {5, Disabled("Close")},
      {6, Disabled("Save")},
      {7, Disabled("Save As" ELLIPSIS)},
      {10, Disabled("Close Several Files")},
      {12, Disabled("File Information" ELLIPSIS)},
      {13, Item("Preferences" ELLIPSIS)},
      {14, Item("Print File Image" ELLIPSIS "  's'", 'P', false)},
      {15, Disabled("    File Image Preview" ELLIPSIS)},
      {16, Disabled("Store Current Result  'p'")},
      {17, Sub("Send Results To:", kMenuSendResults)},
      // 18 has no known command: it stays a separator position.
      {19, Disabled("Print & Close Results")},
      {21, Item("Quit")},
  })});

  t.push_back({kMenuEdit, "Edit", false, Numbered({
      {1, Item("Undo")},
      {2, Disabled("Reset Last Block")},
      {7, Item("Clear Block    'clear',  'esc'")},
      {9, Item("Edit File Data" ELLIPSIS)},
      {11, Item("Correct Baseline" ELLIPSIS, 'B')},
      {12, Item("Correct Lag Time" ELLIPSIS)},
      {13, Item("Integrate" ELLIPSIS)},
      {14, Item("Derivative" ELLIPSIS, 'D')},
      {16, Item("Smoothing" ELLIPSIS)},
      {17, Item("Remove Spikes" ELLIPSIS)},
      {18, Item("Remove References" ELLIPSIS)},
      {20, Sub("Respirometry", kMenuRespirometry)},
      {22, Item("Standard Transformations" ELLIPSIS)},
      {23, Item("    Custom Transforms" ELLIPSIS)},
      {24, Item("    Expression Transforms" ELLIPSIS)},
      {25, Item("Scale to Block" ELLIPSIS)},
      {26, Item("    Block Scale, 0-100")},
      {28, Sub("Compact & Average", kMenuCompact)},
      {29, Sub("Change or Remove", kMenuChangeOrRemove)},
      {30, Item("Crop File" ELLIPSIS)},
      {31, Item("Duplicate Channel")},
      {32, Item("Re-arrange Channels" ELLIPSIS)},
      {34, Item("Record Edits")},
      {38, Item("Interactive Spike Removal" ELLIPSIS)},
  })});

  // Items 14 here and 1, 2 of View have no known command: separator
  // positions, so their keys find nothing to run.
  t.push_back({kMenuAnalyze, "Analyze", false, Numbered({
      {1, Item("Basic Descriptive Stats  ' b'")},
      {2, Item("Minimum Value" ELLIPSIS)},
      {3, Item("Maximum Value" ELLIPSIS)},
      {4, Item("Most Level" ELLIPSIS)},
      {5, Item("Most Variable" ELLIPSIS)},
      {6, Item("Integrate Block" ELLIPSIS)},
      {8, Item("Running Average" ELLIPSIS)},
      {9, Item("Pair Differences" ELLIPSIS)},
      {11, Item("Waveform" ELLIPSIS)},
      {12, Sub("Time Series", kMenuTimeSeries)},
      {13, Item("FFT" ELLIPSIS)},
      {15, Item("Slope vs Time" ELLIPSIS)},
      {16, Item("Regress Channels" ELLIPSIS)},
      {17, Item("Find Asymptote" ELLIPSIS)},
      {18, Item("Fit Polynomial" ELLIPSIS)},
      {20, Item("Time Integration" ELLIPSIS)},
      {21, Item("Event Counting" ELLIPSIS)},
      {22, Item("Selective Integration" ELLIPSIS)},
      {24, Item("Cross-channel Subset" ELLIPSIS)},
      {25, Sub("Analysis Utilities", kMenuAnalysisUtilities)},
      {27, Item("Shift Block Left " LEFT_GUILLEMET, '<')},
      {28, Item("Shift Block Right " RIGHT_GUILLEMET, '>')},
      {29, Item("   Block Shift Rules" ELLIPSIS)},
  })});

  t.push_back({kMenuView, "View", false, Numbered({
      {3, Sub("Scaling [Active Channel]", kMenuScaling)},
      {4, Sub("Comments", kMenuComments)},
      {5, Sub("Markers", kMenuMarkers)},
      {6, Disabled("Zoom In")},
      {7, Disabled("Zoom Out   ' - '")},
      {8, Item("Redraw")},
      {9, Item("Overlay" ELLIPSIS)},
      {10, Item("      Remove Overlay")},
      {11, Item("Plot as Histogram")},
      {12, Item("Show Multiple Channels" ELLIPSIS)},
      {13, Disabled("Show Single Channel")},
      {18, Item("Show All Channel Values" ELLIPSIS)},
  })});

  t.push_back({kMenuChannel, "Channel", false, {}});

  t.push_back({kMenuScript, "Script", true, Numbered({
      {1, Item("Record a Script")},
      {2, Item("Halt Script Recording")},
      {4, Item("Load Script" ELLIPSIS)},
      {5, Item("View Script" ELLIPSIS)},
      {6, Disabled("Save Script" ELLIPSIS)},
      {8, Disabled("Run Script [ Automatic, All Files ]")},
      {9, Disabled("Run Script [ 1st Run Manual ]")},
      {10, Disabled("Run Script [ Automatic, One File ]")},
      {12, Checked("Interrupt Script")},
      {13, Item("Clear Script")},
      {15, Item("Quiet Script Runs")},
  })});

  t.push_back({kMenuWindow, "Window", false, {}});

  t.push_back({kMenuSpecial, "Special", true, Numbered({
      {1, Item("Calculator (RPN)" ELLIPSIS)},
      {2, Item("   Expression Evaluator" ELLIPSIS)},
      {4, Item("Flow System STP Converter" ELLIPSIS)},
      {5, Item("Altitude and Pressure" ELLIPSIS)},
      {6, Item("Altitude Simulation" ELLIPSIS)},
      {7, Item("Oxygen Partial Pressure" ELLIPSIS)},
      {8, Item("Dissolved Oxygen" ELLIPSIS)},
      {10, Item("Resting Metabolism (Allometry)" ELLIPSIS)},
      {11, Item("Q10" ELLIPSIS)},
      {12, Item("Closed-System Respirometry" ELLIPSIS)},
      {13, Item("Ventilation" ELLIPSIS)},
      {14, Item("Estimated Thermoregulatory Costs for Endotherms")},
      {16, Item("Day of the Year")},
      {17, Item("Sun Cycle Calculator")},
      {18, Item("Unit Interconversions")},
  })});

  t.push_back({kMenuHelp, "Help", true, Numbered({
      {1, Item("About Corvimet" ELLIPSIS)},
      {2, Item("Corvimet Help")},
  })});

  // Submenus.
  t.push_back({kMenuScaling, "Scaling [Active Channel]", true, Numbered({
      {1, Item("High Resolution")},
      {2, Item("Scale to Include Zero")},
      {3, Item("Normal Scaling")},
      {5, Item("Manual Scaling" ELLIPSIS)},
      {6, Item("Set Interactively" ELLIPSIS)},
  })});
  t.push_back({kMenuChangeOrRemove, "Change or Remove", true, Numbered({
      {1, Item("Change Blocks" ELLIPSIS)},
      {2, Item("Selective Block Removal")},
      {3, Item("Cut Block from All Channels")},
      {4, Item("Remove Channels" ELLIPSIS)},
  })});
  t.push_back({kMenuOpenOther, "Open Other Format", true, Numbered({
      {1, Item("Orrelin Binary from 'Classic' OS9" ELLIPSIS)},
      {2, Item("Text [ .csv, ASCII ] File" ELLIPSIS)},
      {3, Item("Riduz File" ELLIPSIS)},
  })});
  t.push_back({kMenuAppendOrStack, "Append or Stack", true, Numbered({
      {1, Item("Orrelin File" ELLIPSIS)},
      {2, Item("Riduz File" ELLIPSIS)},
      {4, Item("Time Scale Adjustment" ELLIPSIS)},
  })});
  t.push_back({kMenuRespirometry, "Respirometry", true, Numbered({
      {1, Item("Compute VO2" ELLIPSIS)},
      {2, Item("Compute VCO2" ELLIPSIS)},
      {3, Item("Analyzer Humidity Compensation" ELLIPSIS)},
      {5, Item("Compute EWL" ELLIPSIS)},
      {7, Item("Oxygen Consumption in Water" ELLIPSIS)},
      {9, Item("Heat Equivalence O2" ELLIPSIS)},
      {10, Item("Heat Equivalence CO2" ELLIPSIS)},
      {12, Item("Effective Volume" ELLIPSIS)},
  })});
  t.push_back({kMenuAnalysisUtilities, "Analysis Utilities", true, Numbered({
      {1, Item("Autorepeat", 'R')},
      {2, Item("Block Width" ELLIPSIS)},
      {3, Item("Scale Results" ELLIPSIS)},
      {4, Item("Don't Use Interpolated Data")},
  })});
  t.push_back({kMenuSendResults, "Send Results To:", true, Numbered({
      {1, Item("Printer")},
      {2, Item("Tabular File" ELLIPSIS)},
      {3, Item("Text File" ELLIPSIS)},
  })});
  // Check marks as the default preference words leave them.
  t.push_back({kMenuComments, "Comments", true, Numbered({
      {1, Checked("Show Comments")},
      {2, Checked("Show Block Instructions")},
  })});
  t.push_back({kMenuMarkers, "Markers", true, Numbered({
      {1, Checked("Show markers")},
      {2, Item("    Insert Marker[s]")},
      {3, Item("Delete Markers in Block")},
  })});
  t.push_back({kMenuCompact, "Compact & Average", true, Numbered({
      {1, Item("Sample Averaging" ELLIPSIS)},
      {2, Item("Time Averaging" ELLIPSIS)},
  })});
  t.push_back({kMenuTimeSeries, "Time Series", true, Numbered({
      {1, Item("Basic Time Series" ELLIPSIS)},
      {2, Item("Stepped Sampling" ELLIPSIS)},
  })});
  return t;
}

}  // namespace

const std::vector<MenuDefinition>& MenuTable() {
  static const std::vector<MenuDefinition> table = BuildTable();
  return table;
}

const std::vector<int16_t>& MenuBarOrder() {
  static const std::vector<int16_t> order = {kMenuFile,   kMenuEdit,   kMenuAnalyze,
                                             kMenuView,   kMenuChannel, kMenuScript,
                                             kMenuWindow, kMenuSpecial, kMenuHelp};
  return order;
}

const MenuDefinition* FindMenuDefinition(int16_t id) {
  for (const MenuDefinition& m : MenuTable())
    if (m.id == id) return &m;
  return nullptr;
}

const plat::MenuItemSpec* FindMenuItem(int16_t menu, int16_t item) {
  const MenuDefinition* m = FindMenuDefinition(menu);
  if (!m || item < 1 || item > static_cast<int>(m->items.size())) return nullptr;
  return &m->items[static_cast<size_t>(item - 1)];
}

bool IsSeparatorItem(int16_t menu, int16_t item) {
  const plat::MenuItemSpec* s = FindMenuItem(menu, item);
  return s && s->separator;
}

std::vector<plat::MenuItemSpec> ChannelMenuItems(int16_t slot, int16_t activeChannel) {
  std::vector<plat::MenuItemSpec> items;
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return items;
  for (int16_t c = 1; c <= nChannels[slot]; ++c) {
    plat::MenuItemSpec s;
    s.title = std::to_string(c) + ": " + TrimTrailingBlanks(RetrieveLabelOf(slot, c));
    s.checked = c == activeChannel;
    items.push_back(std::move(s));
  }
  return items;
}
