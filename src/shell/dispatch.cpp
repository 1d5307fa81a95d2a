#include "shell/dispatch.h"

#include <array>
#include <utility>

#include "shell/globals.h"
#include "shell/store.h"

int16_t TypeOfFile = 0;
int16_t MergeThisFile = 0;
int16_t appendONLY = 0;
int16_t stackONLY = 0;
int16_t PortForResultsOutput = 0;
int16_t topic = 0;
int16_t TopicFileSlot = -1;
uint64_t TopicFileIdentity = 0;
int16_t GasType = 1;
int16_t derive = 0;
int16_t Analysis_Code = 0;
int16_t DoSMOOTH = 0;
int16_t AutoSS = 0;
int16_t AllValues = 0;
int16_t PlotAsHistogram = 0;
int16_t MenuIDENTIFIER = 0;
int16_t MenuItem = 0;

DispatchHooks gDispatchHooks;

namespace {

std::vector<int16_t>& ListedSlots() {
  static std::vector<int16_t> slots;
  return slots;
}

std::array<CommandFn, static_cast<size_t>(Cmd::Count)>& Registry() {
  static std::array<CommandFn, static_cast<size_t>(Cmd::Count)> r;
  return r;
}

const CommandFn* Registered(Cmd cmd) {
  const auto i = static_cast<size_t>(cmd);
  if (cmd == Cmd::None || i >= Registry().size() || !Registry()[i]) return nullptr;
  return &Registry()[i];
}

bool CurrentFileHasBlock() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  return ValidFileSlot(slot) && FileSHORTS[slot][kShortBlockState] == 2;
}

Selectors Topic(int16_t t, int16_t code = kKeep) { return {.topic = t, .analysisCode = code}; }
Selectors Load(int16_t type, int16_t merge) { return {.typeOfFile = type, .mergeThisFile = merge}; }
Selectors Port(int16_t p) { return {.portForResultsOutput = p}; }
Selectors Gas(int16_t g) { return {.gasType = g}; }
Selectors Derive(int16_t d) { return {.derive = d}; }
Selectors Code(int16_t code) { return {.analysisCode = code}; }
Selectors Help(int32_t subject) { return {.helpSubject = subject}; }

std::vector<MenuCommand> BuildCommandTable() {
  using C = Cmd;
  const Selectors none;
  return {
      // File
      {{1, 1}, C::FileLoading, Load(5, 0)},
      {{1, 5}, C::CloseFile, none},
      {{1, 6}, C::Save, none},
      {{1, 7}, C::SaveAs, none},
      {{1, 10}, C::CloseSeveralFiles, none},
      {{1, 12}, C::FileInfo, none},
      {{1, 13}, C::Preferences, none},
      {{1, 14}, C::PrintImage, none},
      {{1, 15}, C::PreviewImage, none},
      {{1, 16}, C::StoreResult, none},
      {{1, 19}, C::PrintAndClose, none},
      {{1, 21}, C::Quit, none},
      {{74, 1}, C::FileLoading, Load(7, 0)},
      {{74, 2}, C::FileLoading, Load(3, 0)},
      {{74, 3}, C::FileLoading, Load(4, 0)},
      {{75, 1}, C::FileLoading, Load(5, 1)},
      {{75, 2}, C::FileLoading, Load(4, 1)},
      {{75, 4}, C::AdjustTimeScale, none},
      {{80, 1}, C::OpenOutputPort, Port(6)},
      {{80, 2}, C::OpenOutputPort, Port(5)},
      {{80, 3}, C::OpenOutputPort, Port(4)},
      // Edit
      {{2, 1}, C::Undo, none},
      {{2, 2}, C::ResetLastBlock, none},
      {{2, 7}, C::ClearBlock, none},
      {{2, 9}, C::EditFileData, none, kDutyAfterFileData},
      {{2, 11}, C::FixBaseline, none},
      {{2, 12}, C::LagTime, none},
      {{2, 13}, C::Integrate, Derive(0)},
      {{2, 14}, C::Integrate, Derive(1)},
      {{2, 16}, C::Smoothing, none, kDutyAutoSS},
      {{2, 17}, C::RemoveSpikes, none, kDutyBeforeSpikes | kDutyAutoSS},
      {{2, 18}, C::RemoveReferences, none},
      {{2, 22}, C::Transformations, none},
      {{2, 23}, C::CustomTransforms, none},
      {{2, 24}, C::ExpressionTransforms, Help(267)},
      {{2, 25}, C::BlockScale, none},
      {{2, 26}, C::BlockScale100, none},
      {{2, 30}, C::CropFile, none},
      {{2, 31}, C::CopyChannel, none, kDutyAfterCopyChannel},
      {{2, 32}, C::Rearrange, none},
      {{2, 34}, C::RecordEdits, none},
      {{2, 38}, C::InteractiveSpikes, none},
      {{73, 1}, C::BlockSet, none},
      {{73, 2}, C::CutBlock, none},
      {{73, 3}, C::CutBlockAll, none},
      {{73, 4}, C::CutChannel, none, kDutyAfterCutChannel},
      {{83, 1}, C::SampleAveraging, none},
      {{83, 2}, C::TimeAveraging, none},
      {{76, 1}, C::GasExchange, Gas(1), kDutyGasChain},
      {{76, 2}, C::GasExchange, Gas(2), kDutyGasChain},
      {{76, 3}, C::AnalyzerHumidity, none},
      {{76, 5}, C::GasExchange, Gas(3), kDutyGasChain},
      {{76, 7}, C::WaterVO2, none},
      {{76, 9}, C::GasUnits, Gas(1)},
      {{76, 10}, C::GasUnits, Gas(2)},
      {{76, 12}, C::EffectiveVolume, Topic(10)},
      // Analyze: topic of the result, then the code Autorepeat re-runs
      {{3, 1}, C::Average, Topic(2, 1)},
      {{3, 2}, C::MinimumValue, Topic(3, 2)},
      {{3, 3}, C::MaximumValue, Topic(4, 3)},
      {{3, 4}, C::MostLevel, Topic(11, 8)},
      {{3, 5}, C::MostVariable, Topic(13, 11)},
      {{3, 6}, C::GetArea, Topic(12, 9)},
      {{3, 8}, C::RunAverage, Topic(5)},
      {{3, 9}, C::PairsDifference, Topic(6)},
      {{3, 11}, C::Waveform, Topic(9, 4)},
      {{3, 13}, C::FFT, none},
      {{3, 15}, C::TimeSlope, Topic(7, 5)},
      {{3, 16}, C::Regression, Topic(8, 6)},
      {{3, 17}, C::Asymptote, Topic(17, 14)},
      {{3, 18}, C::FitPolynomial, Code(15)},
      {{3, 20}, C::TimeIntegrate, Topic(15, 12)},
      {{3, 21}, C::EventCounting, Topic(16, 13)},
      {{3, 22}, C::SelectiveIntegrate, Topic(22, 16)},
      {{3, 24}, C::SelectSubset, none},
      {{3, 27}, C::ShiftBlockLeft, none},
      {{3, 28}, C::ShiftBlockRight, none},
      {{3, 29}, C::ShiftBlockRules, none},
      {{77, 1}, C::ToggleAutorepeat, none},
      {{77, 2}, C::AutoBlock, none},
      {kScaleResultsPick, C::ScaleResults, none},
      {{77, 4}, C::ToggleAvoidInterpolation, none},
      {{103, 1}, C::TimeSeries, Code(10)},
      {{103, 2}, C::SteppedSampling, none},
      // View
      {{4, 6}, C::ZoomIn, none},
      {{4, 7}, C::ZoomOut, none},
      {{4, 8}, C::Redraw, none},
      {{4, 9}, C::Overlay, none},
      {{4, 10}, C::RemoveOverlay, none},
      {{4, 11}, C::ToggleHistogram, none},
      {{4, 12}, C::ShowMultiple, none},
      {{4, 13}, C::ShowSingle, none},
      {{4, 18}, C::ToggleAllValues, none},
      {{71, 1}, C::ScaleHighResolution, none},
      {{71, 2}, C::ScaleIncludeZero, none},
      {{71, 3}, C::ScaleNormal, none},
      {{71, 5}, C::ScaleManual, none},
      {{71, 6}, C::ScaleInteractive, none},
      {{81, 1}, C::ToggleComments, none},
      {{81, 2}, C::ToggleBlockInstructions, none},
      {{82, 1}, C::ToggleMarkers, none},
      {{82, 2}, C::InsertMarker, none},
      {{82, 3}, C::RemoveMarkersInBlock, none},
      // Script
      {{6, 1}, C::RecordScript, none},
      {{6, 2}, C::HaltRecording, none},
      {{6, 4}, C::LoadScript, none},
      {{6, 5}, C::ViewScript, none},
      {{6, 6}, C::SaveScript, none},
      {{6, 8}, C::RunScriptAllFiles, none},
      {{6, 9}, C::RunScriptFirstManual, none},
      {{6, 10}, C::RunScriptOneFile, none},
      {{6, 12}, C::InterruptScript, none},
      {{6, 13}, C::ClearScript, none},
      {{6, 15}, C::ToggleQuietScripts, none},
      // Special: each calculator brings its help page
      {{8, 1}, C::SimpleCalc, Help(204)},
      {{8, 2}, C::ExpressionEvaluator, Help(238)},
      {{8, 4}, C::STPFlowAdjust, Help(205)},
      {{8, 5}, C::Altitude, Help(206)},
      {{8, 6}, C::AltitudeSimulation, Help(206)},
      {{8, 7}, C::PO2Calc, Help(248)},
      {{8, 8}, C::DissolvedO2Calc, Help(248)},
      {{8, 10}, C::Metabolism, Help(237)},
      {{8, 11}, C::Q10Adjust, Help(249)},
      {{8, 12}, C::ClosedSystemRespirometry, Help(235)},
      {{8, 13}, C::Ventilation, Help(236)},
      {{8, 14}, C::ThermoregulationCosts, Help(244)},
      {{8, 16}, C::DayOfTheYear, Help(237)},
      {{8, 17}, C::Sunrise, Help(247)},
      {{8, 18}, C::UnitConversions, Help(237)},
      // Help
      {{9, 1}, C::About, none},
      {{9, 2}, C::OpenHelpBook, none},
  };
}

// The steps the settings put in front of gas exchange, in their order.
struct ChainStep {
  Cmd cmd;
  int16_t item;  // its Edit item, passed as the argument
};
std::vector<ChainStep> GasChainSteps() {
  std::vector<ChainStep> steps;
  if (DoSMOOTH != 0) steps.push_back({Cmd::Smoothing, 16});
  if (prefsArray[kPrefRunBaselineFirst] != 0) steps.push_back({Cmd::FixBaseline, 11});
  if (prefsArray[kPrefRunLagFirst] != 0) steps.push_back({Cmd::LagTime, 12});
  return steps;
}

template <class F, class... A>
void Call(const F& hook, A&&... a) {
  if (hook) hook(std::forward<A>(a)...);
}

// The argument a pick hands to its command, or -1 when the pick names no
// channel or open file.
int16_t PickArgument(int16_t menu, int16_t item) {
  if (menu == kMenuChannel) {
    const auto slot = static_cast<int16_t>(TheFileInUse);
    if (!ValidFileSlot(slot) || item < 1 || item > nChannels[slot]) return -1;
    return item;
  }
  if (menu == kMenuWindow) {
    const std::vector<int16_t>& slots = WindowMenuSlots();
    if (item < 1 || item > static_cast<int>(slots.size())) return -1;
    return slots[static_cast<size_t>(item - 1)];
  }
  return item;
}

}  // namespace

void RegisterCommand(Cmd cmd, CommandFn fn) {
  const auto i = static_cast<size_t>(cmd);
  if (cmd == Cmd::None || i >= Registry().size()) return;
  Registry()[i] = std::move(fn);
}

void UnregisterCommand(Cmd cmd) { RegisterCommand(cmd, nullptr); }

void ClearCommandRegistry() {
  for (CommandFn& f : Registry()) f = nullptr;
}

bool CommandRegistered(Cmd cmd) { return Registered(cmd) != nullptr; }

void RegisterShellCommands() {
  RegisterCommand(Cmd::RecordEdits, [](int16_t) { TogglePrefs(kPrefRecordEdits); });
  RegisterCommand(Cmd::ToggleAutorepeat, [](int16_t) { TogglePrefs(kPrefAutorepeat); });
  RegisterCommand(Cmd::ToggleAvoidInterpolation,
                  [](int16_t) { AvoidInterpolation = ToggleValue(AvoidInterpolation); });
}

void ApplySelectors(const Selectors& s) {
  if (s.typeOfFile != kKeep) TypeOfFile = s.typeOfFile;
  if (s.mergeThisFile != kKeep) MergeThisFile = s.mergeThisFile;
  if (s.portForResultsOutput != kKeep) PortForResultsOutput = s.portForResultsOutput;
  if (s.topic != kKeep) SetResultTopic(s.topic);
  if (s.gasType != kKeep) GasType = s.gasType;
  if (s.derive != kKeep) derive = s.derive;
  if (s.analysisCode != kKeep) Analysis_Code = s.analysisCode;
  if (s.helpSubject != kKeepHelp) HelpSubject = s.helpSubject;
}

void SetResultTopic(int16_t t) {
  topic = t;
  TopicFileSlot = static_cast<int16_t>(TheFileInUse);
  TopicFileIdentity = SlotFileIdentity(TopicFileSlot);
}

int16_t ResultFileSlot() {
  if (TopicFileIdentity == 0) return static_cast<int16_t>(TheFileInUse);
  return SlotFileIdentity(TopicFileSlot) == TopicFileIdentity ? TopicFileSlot : int16_t{-1};
}

const std::vector<MenuCommand>& MenuCommandTable() {
  static const std::vector<MenuCommand> table = BuildCommandTable();
  return table;
}

const MenuCommand* FindMenuCommand(int16_t menu, int16_t item) {
  for (const MenuCommand& c : MenuCommandTable())
    if (c.pick.menu == menu && c.pick.item == item) return &c;
  return nullptr;
}

Cmd CommandForPick(int16_t menu, int16_t item) {
  if (menu == kMenuChannel) return Cmd::ChannelChange;
  if (menu == kMenuWindow) return Cmd::ActivateFile;
  const MenuCommand* c = FindMenuCommand(menu, item);
  return c ? c->cmd : Cmd::None;
}

const std::vector<int16_t>& WindowMenuSlots() { return ListedSlots(); }

void SetWindowMenuSlots(std::vector<int16_t> slots) { ListedSlots() = std::move(slots); }

bool CommandAvailable(int16_t menu, int16_t item) {
  if (!Registered(CommandForPick(menu, item))) return false;
  if (PickArgument(menu, item) < 0) return false;
  const MenuCommand* c = FindMenuCommand(menu, item);
  if (c && (c->duties & kDutyGasChain))
    for (const ChainStep& s : GasChainSteps())
      if (!Registered(s.cmd)) return false;
  return true;
}

bool RunCommand(Cmd cmd, int16_t arg, const Selectors& set) {
  const CommandFn* fn = Registered(cmd);
  if (!fn) return false;
  ApplySelectors(set);
  CommandFn run = *fn;
  run(arg);
  Call(gDispatchHooks.refreshMenus);
  return true;
}

bool DoMENU(int16_t menu, int16_t item) {
  if (!CommandAvailable(menu, item)) return false;
  const int16_t arg = PickArgument(menu, item);
  const MenuCommand* row = FindMenuCommand(menu, item);
  const uint16_t duties = row ? row->duties : uint16_t{kDutyNone};

  if (duties & kDutyBeforeSpikes) {
    Call(gDispatchHooks.closeWindow, int16_t{4});
    Call(gDispatchHooks.playSound, "bup");
    if (CurrentFileHasBlock()) Call(gDispatchHooks.redrawBlockWindow);
  }
  if (row) ApplySelectors(row->set);
  if (duties & kDutyGasChain) {
    for (const ChainStep& s : GasChainSteps()) {
      if (const CommandFn* f = Registered(s.cmd)) {
        CommandFn step = *f;
        step(s.item);
      }
    }
    // A step may have changed the globals gas exchange reads.
    ApplySelectors(row->set);
  }

  // Copies: a command may register or unregister commands while it runs.
  if (const CommandFn* fn = Registered(CommandForPick(menu, item))) {
    CommandFn run = *fn;
    run(arg);
  }

  if (duties & kDutyAfterFileData) {
    Call(gDispatchHooks.closeWindow, int16_t{3});
    Call(gDispatchHooks.redrawComments);
  }
  if (duties & kDutyAfterCutChannel) Call(gDispatchHooks.rebuildChannelPopup);
  if (duties & kDutyAfterCopyChannel) {
    const auto slot = static_cast<int16_t>(TheFileInUse);
    if (ValidFileSlot(slot) && FileSHORTS[slot][kShortView] == 1 &&
        prefsArray[kPrefAskToPlotNewChannel] != 0)
      Call(gDispatchHooks.rebuildStackedDisplay);
  }
  if (duties & kDutyAutoSS) {
    Call(gDispatchHooks.selectPlotWindow);
    if (CurrentFileHasBlock() && AutoSS != 0 && prefsArray[kPrefAutorepeat] != 0)
      if (const CommandFn* again = Registered(Cmd::AutoRepeat)) {
        CommandFn a = *again;
        a(0);
      }
  }
  Call(gDispatchHooks.refreshMenus);
  return true;
}

// ---- Toolbar -------------------------------------------------------------------

namespace {

ToolButton PickButton(int16_t id, const char* label, const char* horizontal, MenuPick pick,
                      bool enabled = true) {
  ToolButton b;
  b.id = id;
  b.label = label;
  b.labelHorizontal = horizontal;
  b.initiallyEnabled = enabled;
  b.kind = ToolKind::Pick;
  b.pick = pick;
  return b;
}
ToolButton Pick(int16_t id, const char* label, MenuPick pick, bool enabled = true) {
  return PickButton(id, label, label, pick, enabled);
}
ToolButton BlockPick(int16_t id, const char* label, MenuPick pick) {
  ToolButton b = PickButton(id, label, label, pick, false);
  b.kind = ToolKind::BlockPick;
  return b;
}
ToolButton Direct(int16_t id, const char* label, const char* horizontal, Cmd cmd,
                  bool enabled = true, Selectors set = {}) {
  ToolButton b;
  b.id = id;
  b.label = label;
  b.labelHorizontal = horizontal;
  b.initiallyEnabled = enabled;
  b.kind = ToolKind::Direct;
  b.cmd = cmd;
  b.set = set;
  return b;
}
ToolButton FileType(int16_t id, const char* label) {
  ToolButton b;
  b.id = id;
  b.label = label;
  b.labelHorizontal = label;
  b.kind = ToolKind::FileType;
  b.cmd = Cmd::FileLoading;
  return b;
}

std::vector<ToolButton> BuildToolbar() {
  return {
      Direct(598, "?", "?", Cmd::FileInfo),
      Pick(551, "BsLn", {2, 11}),
      Pick(552, "RmRf", {2, 18}),
      Pick(553, "lag", {2, 12}),
      Pick(554, "\xBA", {2, 13}),
      Pick(555, "\xB6", {2, 14}),
      Pick(556, "Smth", {2, 16}),
      Pick(557, "Trim", {2, 17}),
      Pick(558, "Spk", {2, 38}),
      PickButton(559, "O2", "VO2", {76, 1}),
      PickButton(560, "CO2", "VCO2", {76, 2}),
      PickButton(561, "H2O", "VH2O", {76, 5}),
      Pick(562, "Transform", {2, 22}),
      Direct(594, "\xC6 block", "\xC6 blk", Cmd::BlockSet),
      FileType(563, "Open"),
      FileType(564, "Append"),
      FileType(596, "Stack"),
      Pick(586, "Save", {1, 6}),
      Pick(585, "SavAs", {1, 7}),
      BlockPick(565, "Avg", {3, 1}),
      BlockPick(566, "Min", {3, 2}),
      BlockPick(567, "Max", {3, 3}),
      BlockPick(568, "\xB7", {3, 6}),
      BlockPick(569, "\xB6T", {3, 15}),
      BlockPick(570, "Asmp", {3, 17}),
      BlockPick(571, "Poly", {3, 18}),
      BlockPick(572, "Wav", {3, 11}),
      BlockPick(573, "tSer", {103, 1}),
      BlockPick(574, "Regr", {3, 16}),
      BlockPick(575, "tInt", {3, 20}),
      BlockPick(576, "eCnt", {3, 21}),
      Pick(577, "Nml", {71, 3}),
      Pick(578, "In\xAF", {71, 2}),
      Pick(579, "Ms", {71, 6}),
      Pick(580, "Rdr", {4, 8}),
      Pick(582, "MCh", {4, 12}),
      Pick(581, "OvL", {4, 9}),
      Pick(583, "Cmt", {81, 1}),
      Pick(584, "Blk", {77, 2}),
      Pick(587, "Dup", {2, 31}),
      Direct(588, "\xC6 View", "\xC6 View", Cmd::WholeFileView),
      Pick(589, "Zoom In", {4, 6}, false),
      Pick(590, "Zoom Out", {4, 7}, false),
      Direct(591, "Cut Block", "Cut Block", Cmd::CutBlockAll, false),
      Direct(592, "\xC7 blk", "\xC7 blk", Cmd::ShiftBlockLeft, false),
      Direct(593, "blk \xC8", "blk \xC8", Cmd::ShiftBlockRight, false),
      Direct(595, "Del Mkr", "Del Mkr", Cmd::RemoveMarkersInBlock, false),
      Direct(599, "Key", "Key", Cmd::OpenHelpBook, true, Help(266)),
  };
}

}  // namespace

const std::vector<ToolButton>& ToolbarTable() {
  static const std::vector<ToolButton> table = BuildToolbar();
  return table;
}

const ToolButton* FindToolButton(int16_t id) {
  for (const ToolButton& b : ToolbarTable())
    if (b.id == id) return &b;
  return nullptr;
}

bool ToolButtonAvailable(int16_t id) {
  const ToolButton* b = FindToolButton(id);
  if (!b) return false;
  switch (b->kind) {
    case ToolKind::Pick:
    case ToolKind::BlockPick: return CommandAvailable(b->pick);
    case ToolKind::Direct:
    case ToolKind::FileType: return CommandRegistered(b->cmd);
  }
  return false;
}

MenuPick ToolbarClickPick(int16_t id, bool blockDefined) {
  const ToolButton* b = FindToolButton(id);
  if (!b) return {};
  if (b->kind == ToolKind::Pick) return b->pick;
  if (b->kind == ToolKind::BlockPick) return blockDefined ? b->pick : MenuPick{0, b->pick.item};
  return {};
}

bool RunToolbarDirect(int16_t id) {
  const ToolButton* b = FindToolButton(id);
  if (!b || b->kind != ToolKind::Direct) return false;
  return RunCommand(b->cmd, 0, b->set);
}

MenuPick ToolbarFileTypeChosen(int16_t id, int16_t fileType) {
  const bool native = fileType == 1 || fileType == 5;
  if (id == 563) {
    MergeThisFile = 0;
    if (native) return {kMenuFile, 1};
    if (fileType == 7) return {kMenuOpenOther, 1};
    if (fileType == 3) return {kMenuOpenOther, 2};
    if (fileType == 4) return {kMenuOpenOther, 3};
    return {};
  }
  if (id == 564 || id == 596) {
    MergeThisFile = appendONLY = 1;
    stackONLY = id == 596 ? 1 : 0;
    if (native) return {kMenuAppendOrStack, 1};
    if (fileType == 4) return {kMenuAppendOrStack, 2};
    // Nothing to merge: no answer may linger for the next merge.
    MergeThisFile = appendONLY = stackONLY = 0;
  }
  return {};
}

// ---- Keys ------------------------------------------------------------------------

namespace {

enum class KeyCond : int8_t {
  Always, WithBlock, WhenZoomed, ScaleModeNot1, ScaleModeNot2, FewerThan32Channels,
  ChannelExists
};

struct KeyBinding {
  int code;
  KeyCond pickCond;
  MenuPick pick;
  KeyAction action;
  KeyCond actionCond;
  int16_t arg;
};

bool Holds(KeyCond c, const KeyContext& k, int16_t arg) {
  switch (c) {
    case KeyCond::Always: return true;
    case KeyCond::WithBlock: return k.blockDefined;
    case KeyCond::WhenZoomed: return k.zoomed;
    case KeyCond::ScaleModeNot1: return k.scaleMode != 1;
    case KeyCond::ScaleModeNot2: return k.scaleMode != 2;
    case KeyCond::FewerThan32Channels: return k.channels < kMaxChannels;
    case KeyCond::ChannelExists: return arg >= 1 && arg <= k.channels;
  }
  return false;
}

std::vector<KeyBinding> BuildKeyMap() {
  std::vector<KeyBinding> m;
  auto pick = [&m](int code, MenuPick p, KeyCond c = KeyCond::Always) {
    m.push_back({code, c, p, KeyAction::None, KeyCond::Always, 0});
  };
  auto letter = [&pick](char upper, MenuPick p, KeyCond c = KeyCond::Always) {
    pick(upper, p, c);
    pick(upper - 'A' + 'a', p, c);
  };
  auto action = [&m](int code, KeyAction a, int16_t arg = 0, KeyCond c = KeyCond::Always) {
    m.push_back({code, KeyCond::Always, {}, a, c, arg});
  };

  pick(4, kPickClearBlock);   // Clear
  pick(27, kPickClearBlock);  // Escape
  for (int code : {13, 32})
    m.push_back({code, KeyCond::WhenZoomed, kPickZoomOut, KeyAction::WholeFileToggle,
                 KeyCond::Always, 0});
  action(28, KeyAction::PageLeft);
  action(29, KeyAction::PageRight);
  action(30, KeyAction::NextChannel);
  action(31, KeyAction::PreviousChannel);
  for (int16_t c = 1; c <= 9; ++c) action('0' + c, KeyAction::SelectChannel, c, KeyCond::ChannelExists);
  action('0', KeyAction::SelectChannel, 10, KeyCond::ChannelExists);
  int16_t shifted = 11;
  for (char c : {'!', '@', '#', '$'})
    action(c, KeyAction::SelectChannel, shifted++, KeyCond::ChannelExists);
  pick('+', kPickZoomIn, KeyCond::WithBlock);
  pick('-', kPickZoomOut, KeyCond::WhenZoomed);
  pick(128, kPickShiftLeft);
  pick(129, kPickShiftRight);
  letter('S', kPickPrintImage);
  letter('M', {kMenuView, 2}, KeyCond::WithBlock);
  letter('A', {kMenuView, 1}, KeyCond::WithBlock);
  letter('Z', kPickIncludeZero, KeyCond::ScaleModeNot1);
  letter('N', kPickNormalScaling, KeyCond::ScaleModeNot2);
  letter('F', {kMenuAnalyze, 14});
  letter('D', kPickDuplicateChannel, KeyCond::FewerThan32Channels);
  letter('E', {kMenuSpecial, 2});
  letter('B', kPickDescriptiveStats, KeyCond::WithBlock);
  letter('U', {kMenuSpecial, 18});
  letter('J', {kMenuSpecial, 16});
  letter('K', {kMenuSpecial, 1});
  letter('T', {kMenuSpecial, 4});
  // Option-1 .. Option-0 in Mac Roman.
  const int optionDigits[10] = {193, 170, 163, 162, 176, 164, 166, 165, 187, 188};
  for (int16_t c = 1; c <= 10; ++c)
    action(optionDigits[c - 1], KeyAction::FlashOverlay, c, KeyCond::ChannelExists);
  return m;
}

}  // namespace

KeyCommand LookupMainLoopKey(int charCode, const KeyContext& ctx) {
  static const std::vector<KeyBinding> map = BuildKeyMap();
  for (const KeyBinding& b : map) {
    if (b.code != charCode) continue;
    KeyCommand k;
    if (b.pick.menu != 0 && Holds(b.pickCond, ctx, b.arg)) k.pick = b.pick;
    if (b.action != KeyAction::None && Holds(b.actionCond, ctx, b.arg)) {
      k.action = b.action;
      k.arg = b.arg;
    }
    return k;
  }
  return {};
}
