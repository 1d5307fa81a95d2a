// DoMENU: one table from (menu, item) to a command and the selector globals
// set before it runs. Subsystems register their entry functions at start-up;
// a pick whose command is not registered is unavailable, so its menu item
// and toolbar button stay disabled instead of calling something that does
// nothing. Also the toolbar's button map and the main loop's key map.
#pragma once
#include <climits>
#include <cstdint>
#include <functional>
#include <vector>

#include "shell/menutable.h"

// ---- Selector and mailbox globals -----------------------------------------
// Not in shell/globals.h yet; they belong to the subsystems named and are
// defined in dispatch.cpp until those move them.
extern int16_t TypeOfFile;            // S2: 1 or 5 native, 3 text, 4 Riduz, 7 classic native
extern int16_t MergeThisFile;         // S2: 1 = the load merges into TheFileInUse
extern int16_t appendONLY;            // S2: the toolbar's Append / Stack answer the
extern int16_t stackONLY;             //     append-or-stack question; the loader clears them
extern int16_t PortForResultsOutput;  // results output: 4 text file, 5 tabular file, 6 printer
extern int16_t topic;                 // results output: heading of the next result
extern int16_t TopicFileSlot;         // results output: the file the result came from,
extern uint64_t TopicFileIdentity;    //   as SetResultTopic noted it (identity 0: none)
extern int16_t GasType;               // respirometry: 1 O2, 2 CO2, 3 H2O
extern int16_t derive;                // INTEGRATE: 0 integral, 1 derivative
extern int16_t Analysis_Code;         // the block analysis Autorepeat re-runs
extern int16_t DoSMOOTH;              // respirometry: smooth before gas exchange
extern int16_t AutoSS;                // smoothing / spike removal re-run with Autorepeat
extern int16_t AllValues;             // plot: all-channel values read-out on
extern int16_t PlotAsHistogram;       // plot: draw the channel as a histogram
extern int16_t MenuIDENTIFIER;        // pending pick left by handlers and the toolbar
extern int16_t MenuItem;

// A result belongs to the file it was computed on, wherever the user turns
// before storing it: whatever names a result's topic (a command as it
// starts, an analysis as it computes) notes the file in use with it.
void SetResultTopic(int16_t t);
// The slot of the file the result came from; the file in use when none was
// noted; -1 when that file has been closed since.
int16_t ResultFileSlot();

// ---- Commands ----------------------------------------------------------------
// One id per entry function (a function called with fixed arguments, such
// as SAVEDATAFILE(1, 0, 0), is a command of its own).
enum class Cmd : int16_t {
  None = 0,
  // File
  FileLoading, CloseFile, Save, SaveAs, CloseSeveralFiles, FileInfo, Preferences,
  PrintImage, PreviewImage, StoreResult, PrintAndClose, Quit, AdjustTimeScale,
  OpenOutputPort,
  // Edit
  Undo, ResetLastBlock, ClearBlock, EditFileData, FixBaseline, LagTime, Integrate,
  Smoothing, RemoveSpikes, RemoveReferences, Transformations, CustomTransforms,
  ExpressionTransforms, BlockScale, BlockScale100, CropFile, CopyChannel, Rearrange,
  RecordEdits, InteractiveSpikes, BlockSet, CutBlock, CutBlockAll, CutChannel,
  SampleAveraging, TimeAveraging, GasExchange, AnalyzerHumidity, WaterVO2, GasUnits,
  EffectiveVolume,
  // Analyze
  Average, MinimumValue, MaximumValue, MostLevel, MostVariable, GetArea, RunAverage,
  PairsDifference, Waveform, FFT, TimeSlope, Regression, Asymptote, FitPolynomial,
  TimeIntegrate, EventCounting, SelectiveIntegrate, SelectSubset, ShiftBlockLeft,
  ShiftBlockRight, ShiftBlockRules, ToggleAutorepeat, AutoBlock, ScaleResults,
  ToggleAvoidInterpolation, TimeSeries, SteppedSampling,
  AutoRepeat,  // not a menu item: re-runs Analysis_Code on the block
  // View
  ZoomIn, ZoomOut, Redraw, Overlay, RemoveOverlay, ToggleHistogram, ShowMultiple,
  ShowSingle, ToggleAllValues, ScaleHighResolution, ScaleIncludeZero, ScaleNormal,
  ScaleManual, ScaleInteractive, ToggleComments, ToggleBlockInstructions,
  ToggleMarkers, InsertMarker, RemoveMarkersInBlock, WholeFileView,
  // Channel and Window menus (argument: channel, slot)
  ChannelChange, ActivateFile,
  // Script
  RecordScript, HaltRecording, LoadScript, ViewScript, SaveScript, RunScriptAllFiles,
  RunScriptFirstManual, RunScriptOneFile, InterruptScript, ClearScript,
  ToggleQuietScripts,
  // Special
  SimpleCalc, ExpressionEvaluator, STPFlowAdjust, Altitude, AltitudeSimulation,
  PO2Calc, DissolvedO2Calc, Metabolism, Q10Adjust, ClosedSystemRespirometry,
  Ventilation, ThermoregulationCosts, DayOfTheYear, Sunrise, UnitConversions,
  // Help
  About, OpenHelpBook,
  Count
};

// Called with the pick's argument: the channel for menu 5, the slot for
// menu 7, the item number otherwise.
using CommandFn = std::function<void(int16_t arg)>;

void RegisterCommand(Cmd cmd, CommandFn fn);
void UnregisterCommand(Cmd cmd);
void ClearCommandRegistry();
bool CommandRegistered(Cmd cmd);
// Registers the commands the shell owns itself: Record Edits, Autorepeat,
// Don't Use Interpolated Data.
void RegisterShellCommands();

// ---- The (menu, item) table ----------------------------------------------------
inline constexpr int16_t kKeep = INT16_MIN;
inline constexpr int32_t kKeepHelp = INT32_MIN;

// Globals a pick sets before its command runs; kKeep leaves one alone.
struct Selectors {
  int16_t typeOfFile = kKeep;
  int16_t mergeThisFile = kKeep;
  int16_t portForResultsOutput = kKeep;
  int16_t topic = kKeep;
  int16_t gasType = kKeep;
  int16_t derive = kKeep;
  int16_t analysisCode = kKeep;
  int32_t helpSubject = kKeepHelp;
};
void ApplySelectors(const Selectors& s);

// Work the dispatcher does around a command.
enum Duty : uint16_t {
  kDutyNone = 0,
  kDutyGasChain = 1 << 0,          // smoothing, baseline, lag first as the settings ask
  kDutyAfterFileData = 1 << 1,     // close window 3, redraw the comments box
  kDutyAfterCutChannel = 1 << 2,   // rebuild the channel pop-up
  kDutyBeforeSpikes = 1 << 3,      // close window 4, "bup", redraw the block window
  kDutyAutoSS = 1 << 4,            // plot window current; Autorepeat re-run rule
  kDutyAfterCopyChannel = 1 << 5,  // stacked view with word 23: rebuild the strips
};

struct MenuCommand {
  MenuPick pick;
  Cmd cmd = Cmd::None;
  Selectors set;
  uint16_t duties = kDutyNone;
};

// Every fixed (menu, item) pair that runs a command. Menus 5 and 7 are not
// in it: their items follow the file and the open files.
const std::vector<MenuCommand>& MenuCommandTable();
const MenuCommand* FindMenuCommand(int16_t menu, int16_t item);
// The command a pick would run (Cmd::None for none), menus 5 and 7 included.
Cmd CommandForPick(int16_t menu, int16_t item);
// The slot each Window-menu item names, as FixMenuSEVEN last listed them: a
// Window-menu pick hands it to its command.
const std::vector<int16_t>& WindowMenuSlots();
void SetWindowMenuSlots(std::vector<int16_t> slots);

// True when the pick would run a registered command now. A gas-exchange
// pick also needs every step the current settings put in front of it.
bool CommandAvailable(int16_t menu, int16_t item);
inline bool CommandAvailable(MenuPick p) { return CommandAvailable(p.menu, p.item); }

// Runs a pick; false (and nothing set) when it is unavailable.
bool DoMENU(int16_t menu, int16_t item);
// Runs a command outside the menus (direct toolbar buttons); false when it
// is not registered.
bool RunCommand(Cmd cmd, int16_t arg = 0, const Selectors& set = {});

// Screen work around commands, installed by the GUI; absent hooks are skipped.
struct DispatchHooks {
  std::function<void()> refreshMenus;            // after every command that ran
  std::function<void(int16_t window)> closeWindow;
  std::function<void(const char* sound)> playSound;
  std::function<void()> redrawBlockWindow;
  std::function<void()> redrawComments;
  std::function<void()> selectPlotWindow;
  std::function<void()> rebuildChannelPopup;
  std::function<void()> rebuildStackedDisplay;
};
extern DispatchHooks gDispatchHooks;

// ---- Toolbar (window 1999) ---------------------------------------------------
enum class ToolKind : int8_t {
  Pick,        // leaves the pair for the main loop
  BlockPick,   // leaves the pair only while a block exists; otherwise just the item
  Direct,      // runs its command at once
  FileType,    // asks for the file type first (Open, Append, Stack)
};

struct ToolButton {
  int16_t id = 0;
  const char* label = "";            // left strip (Mac Roman)
  const char* labelHorizontal = "";  // bottom or top bar
  bool initiallyEnabled = true;
  ToolKind kind = ToolKind::Pick;
  MenuPick pick;                     // Pick, BlockPick
  Cmd cmd = Cmd::None;               // Direct
  Selectors set;                     // Direct
};

// In the order the toolbar lays them out.
const std::vector<ToolButton>& ToolbarTable();
const ToolButton* FindToolButton(int16_t id);
// Whether the button's command exists; the block rules come on top.
bool ToolButtonAvailable(int16_t id);
// The (MenuIDENTIFIER, MenuItem) pair a click leaves: menu 0 runs nothing.
MenuPick ToolbarClickPick(int16_t id, bool blockDefined);
// Direct buttons: sets the selectors and runs the command.
bool RunToolbarDirect(int16_t id);
// Open (563), Append (564), Stack (596) after the file-type dialog answered
// fileType: sets MergeThisFile, appendONLY and stackONLY and gives the pick
// to run ({0, 0} when the type has no loader here).
MenuPick ToolbarFileTypeChosen(int16_t id, int16_t fileType);

// ---- Keys of the main loop -----------------------------------------------------
enum class KeyAction : int8_t {
  None,
  PageLeft, PageRight,           // HandlePlotDIALOG in keyboard mode
  NextChannel, PreviousChannel,  // PUSHCHAN(2) / PUSHCHAN(1)
  SelectChannel,                 // PUSHCHAN(0) to arg
  FlashOverlay,                  // draw channel arg as an overlay for a moment
  WholeFileToggle,               // keyboard click on the whole-file control
};

struct KeyContext {
  bool blockDefined = false;
  bool zoomed = false;
  int16_t scaleMode = 0;   // of the active channel
  int16_t channels = 0;    // of the front file
};

// What a typed key does: the pick first (menu 0 = none), then the action.
struct KeyCommand {
  MenuPick pick;
  KeyAction action = KeyAction::None;
  int16_t arg = 0;
  friend bool operator==(const KeyCommand&, const KeyCommand&) = default;
};

KeyCommand LookupMainLoopKey(int charCode, const KeyContext& ctx);
