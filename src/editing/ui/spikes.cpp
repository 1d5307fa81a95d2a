#include "editing/ui/spikes.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "editing/spikes.h"
#include "editing/ui/editframe.h"
#include "output/scaling.h"
#include "output/ui/analysiskit.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/prefs.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/recorder.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

int16_t (*gInteractiveSpikeTool)(int16_t wasMultichannel) = nullptr;

namespace {

constexpr int16_t kPanelHeight = 300;
constexpr int16_t kHelpSubjectPanel = 257;

struct Run {
  int16_t slot = 0;
  int16_t undoChannel = 0;   // the channel the undo copy holds
  bool inBlock = false;
  SpikeDirection direction = SpikeDirection::Either;
  SpikeAction lastAction{};
  bool acted = false;
  bool singleScan = false;
  EditStep* es = nullptr;   // by hand: each action is a step of its own
  int16_t actions = 0;
  int16_t undoActions = 0;  // the actions done before the undo copy was taken
};

SpikeSettings currentSettings() {
  return {threshold, UpTrimLimit, UpTrimValue, LowTrimLimit, LowTrimValue};
}

void keepSettings(const SpikeSettings& s) {
  threshold = s.threshold;
  UpTrimLimit = s.upTrimLimit;
  UpTrimValue = s.upTrimValue;
  LowTrimLimit = s.lowTrimLimit;
  LowTrimValue = s.lowTrimValue;
}

// Text that is no number reads as 0.
float fieldNumber(int16_t id) {
  double v = 0.0;
  return ParseFieldNumber(plat::fieldText(kResultsWindow, id), &v) ? static_cast<float>(v) : 0.0f;
}

void text(int x, int y, const std::string& t, int size = 12) {
  DrawOrrelinText(kResultsWindow, x, y, t, size);
}

void button(int16_t id, const std::string& title, plat::Rect r, plat::ButtonKind kind = plat::ButtonKind::Push,
            int state = 1) {
  AddKitButton(kResultsWindow, id, kind, title, r, state);
}

void field(int16_t id, float value, plat::Rect r, plat::FieldKind kind = plat::FieldKind::Editable) {
  plat::FieldSpec f;
  f.id = id;
  f.text = FieldNumText(value);
  f.r = r;
  f.kind = kind;
  plat::addField(kResultsWindow, f);
}

void showUseAsDefaults() {
  button(kSpikeUseAsDefaults, "Use as Defaults", {6, 234, 150, 252}, plat::ButtonKind::CheckBox,
         prefsArray[kPrefSpikeDefaults] != 0 ? 2 : 1);
}

void buildPanel(const Run& run) {
  OpenResultsWIndow(0, 1, 1, "Automatic Spike Removal", 0);
  FitResultsWindow(kPanelHeight);
  plat::setCurrentPort(kResultsWindow);
  DrawChannelButtons();
  plat::setButtonState(kResultsWindow, ActiveChannel, 2);
  GrayBOX(1, 6, 30, 222, 200);
  GrayBOX(1, 228, 30, 444, 200);
  wssst();
  text(8, 22, "Removing spikes:", 18);
  text(14, 54, "Threshold:");
  field(kSpikeThresholdField, threshold, {100, 40, 210, 58});
  plat::addPopup(kResultsWindow, kSpikeDirectionPopup, kSpikeDirectionMenu, static_cast<int>(run.direction),
                 {14, 64, 210, 84});
  button(kSpikeSweep, "Spike Sweep", {14, 90, 110, 112});
  button(kSpikeSingleScan, "Single Scan", {114, 90, 210, 112});
  field(kSpikeCountField, 0.0f, {140, 150, 210, 168}, plat::FieldKind::Static);
  plat::setFieldText(kResultsWindow, kSpikeCountField, "");
  // With its field from the start: drawn only by a sweep, it was not seen.
  text(14, 164, "Spikes removed:", 14);
  text(236, 54, " Upper limit:");
  field(kSpikeUpLimitField, UpTrimLimit, {330, 40, 436, 58});
  text(236, 78, "Set to:");
  field(kSpikeUpValueField, UpTrimValue, {330, 64, 436, 82});
  text(236, 110, "Lower limit:");
  field(kSpikeLowLimitField, LowTrimLimit, {330, 96, 436, 114});
  text(236, 134, "Set to:");
  field(kSpikeLowValueField, LowTrimValue, {330, 120, 436, 138});
  button(kSpikeTrim, "Trim Data", {236, 146, 336, 168});
  button(kSpikeAbsolute, "Absolute Value", {236, 172, 360, 194});
  button(kSpikeInteractive, "Go to Interactive Spike Removal\xC9", {6, 206, 240, 228}, plat::ButtonKind::Push,
         gInteractiveSpikeTool ? 1 : 0);
  if (FileSHORTS[run.slot][kShortBlockState] == 2)
    button(kSpikeInBlock, "Work Within Block", {250, 208, 420, 226}, plat::ButtonKind::CheckBox);
  button(kSpikeUndo, "Undo", {290, 232, 346, 254});
  button(kSpikeHelpButton, "?", {350, 232, 376, 254});
  button(kSpikeDone, "Done", {380, 232, 444, 254}, plat::ButtonKind::DefaultPush);
}

// The undo copy stays one level: it moves to another channel when an action
// first changes that one.
bool readyToChange(Run& run) {
  if (ActiveChannel == run.undoChannel && UndoAvailable(run.slot)) return true;
  const StoreStatus st = MAKEBACKUP(ActiveChannel);
  if (st != StoreStatus::Ok) {
    ShowAlert(std::string("Nothing was changed: no undo copy could be kept. ") + StoreStatusText(st));
    return false;
  }
  run.undoChannel = ActiveChannel;
  run.undoActions = run.actions;
  return true;
}

// Undo puts back the copy: the steps of the actions since go with it.
void withdrawUndone(Run& run) {
  if (!run.es || run.es->recorded == 0 || run.actions <= run.undoActions) return;
  const int16_t entry = run.es->recorded;
  const int first = entry + std::max<int>(run.undoActions, 1);
  for (int s = first; s <= ScriptCOUNT && s <= kLastScriptStep; ++s)
    std::fill(std::begin(ScriptSequenceArray[s]), std::end(ScriptSequenceArray[s]), 0.0f);
  if (ScriptCOUNT >= first) ScriptCOUNT = static_cast<uint16_t>(first - 1);
  if (run.undoActions == 0) {
    std::fill(std::begin(ScriptSequenceArray[entry]), std::end(ScriptSequenceArray[entry]), 0.0f);
    ScriptSequenceArray[entry][kStepOperation] = kSpikeOp;
    run.acted = false;
  }
  run.actions = run.undoActions;
}

void changed(const Run& run) {
  MarkChannelEdited(run.slot, ActiveChannel);
}

// By hand, each action the panel does is a step: the first fills the step
// recorded on opening, the others are recorded after it, in order.
void noteAction(Run& run) {
  if (!run.es || run.es->replay) return;
  const int16_t row = ActionStepRow(*run.es, &run.actions, kSpikeOp);
  if (row == 0) return;
  float(&fields)[kStepFields] = ScriptSequenceArray[row];
  ToScriptStep(currentSettings(), run.lastAction, fields);
  fields[spikes_step::kDirection] = static_cast<float>(run.direction);
  fields[spikes_step::kBlockOnly] = run.inBlock ? 1.0f : 0.0f;
  fields[spikes_step::kChannel] = ActiveChannel;
  fields[spikes_step::kSingleScan] = run.singleScan ? 1.0f : 0.0f;
  if (run.es->recorded != 0 && run.inBlock) MarkBlockEdit(row);
}

void sweep(Run& run, bool repeat, bool window) {
  if (!readyToChange(run)) return;
  const int32_t n = nCases[run.slot];
  plat::setCursor(plat::CursorKind::Watch);
  const SweepResult r = SweepSpikes(ChannelData(run.slot, ActiveChannel),
                                    SweepSpan(n, run.inBlock, BeginBlock[run.slot], EndBlock[run.slot]), threshold,
                                    run.direction, repeat);
  changed(run);
  Tick();
  plat::setCursor(plat::CursorKind::Arrow);
  if (window) plat::setFieldText(kResultsWindow, kSpikeCountField, FieldNumText(static_cast<double>(r.removed)));
  if (r.gaveUp)
    ShowAlert("The sweep stopped after " + std::to_string(kMaxSweepPasses) + " passes, still removing spikes;" +
              NumText(static_cast<double>(r.removed)) + " removed so far.");
  UpdateSCREEN(0, 1);
  LogChannelEdit(run.slot, ActiveChannel, SweepLogText(threshold, r.removed));
  run.lastAction = SpikeAction::Sweep;
  run.singleScan = !repeat;
  run.acted = true;
  noteAction(run);
}

void trimOrAbsolute(Run& run, bool trim) {
  if (!readyToChange(run)) return;
  const CaseSpanInt span = TrimSpan(nCases[run.slot], run.inBlock, BeginBlock[run.slot], EndBlock[run.slot]);
  if (trim) TrimValues(ChannelData(run.slot, ActiveChannel), span, currentSettings());
  else AbsoluteValues(ChannelData(run.slot, ActiveChannel), span);
  changed(run);
  Tick();
  UpdateSCREEN(0, 1);
  LogChannelEdit(run.slot, ActiveChannel, trim ? TrimLogText(currentSettings()) : std::string("Absolute Value"));
  run.lastAction = trim ? SpikeAction::Trim : SpikeAction::Absolute;
  run.acted = true;
  noteAction(run);
}

void switchChannel(int16_t to) {
  const int16_t n = nChannels[TheFileInUse];
  if (to < 1 || to > n || to == ActiveChannel) return;
  plat::setButtonState(kResultsWindow, ActiveChannel, 1);
  ActiveChannel = to;
  chanB = static_cast<uint16_t>(to);
  const int16_t plot = PlotWindowId(static_cast<int16_t>(TheFileInUse));
  if (plat::windowExists(plot)) {
    plat::setCurrentPort(plot);
    FindMinMax();
    DrawPlot(0, 0, 0);
  }
  plat::setCurrentPort(kResultsWindow);
  plat::setButtonState(kResultsWindow, to, 2);
}

void runPanel(Run& run) {
  buildPanel(run);
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kResultsWindow)) return;
    if (a == kActionClose && id == kResultsWindow) return;
    if (EditPickPending()) return;
    if (a == kActionActivate && id != kResultsWindow) return;
    if (a == kActionKey) {
      if (id == 30) switchChannel(static_cast<int16_t>(ActiveChannel - 1));
      else if (id == 31) switchChannel(static_cast<int16_t>(ActiveChannel + 1));
      else if (id == '?' || id == '/') plat::openHelp(kSpikeHelp);
      continue;
    }
    if (a != kActionClick) continue;
    if (IsDeferredToolbarClick(id)) {
      DeferToolbarClick(id);
      return;
    }
    if (id >= 1 && id <= nChannels[run.slot]) {
      switchChannel(id);
      continue;
    }
    switch (id) {
      case kSpikeSweep:
      case kSpikeSingleScan:
        threshold = fieldNumber(kSpikeThresholdField);
        sweep(run, id == kSpikeSweep, true);
        if (id == kSpikeSweep) showUseAsDefaults();
        break;
      case kSpikeTrim:
        UpTrimLimit = fieldNumber(kSpikeUpLimitField);
        UpTrimValue = fieldNumber(kSpikeUpValueField);
        LowTrimLimit = fieldNumber(kSpikeLowLimitField);
        LowTrimValue = fieldNumber(kSpikeLowValueField);
        trimOrAbsolute(run, true);
        showUseAsDefaults();
        break;
      case kSpikeAbsolute: trimOrAbsolute(run, false); break;
      case kSpikeInteractive:
        if (gInteractiveSpikeTool) {
          plat::disposeWindow(kResultsWindow);
          gInteractiveSpikeTool(0);
          run.lastAction = SpikeAction::Interactive;
          run.acted = true;
          noteAction(run);
          return;
        }
        break;
      case kSpikeInBlock:
        run.inBlock = !run.inBlock;
        plat::setButtonState(kResultsWindow, kSpikeInBlock, run.inBlock ? 2 : 1);
        break;
      case kSpikeUndo:
        if (UndoAvailable(run.slot)) {
          UNDO();
          withdrawUndone(run);
        }
        UpdateSCREEN(0, 1);
        break;
      case kSpikeUseAsDefaults:
        prefsArray[kPrefSpikeDefaults] = prefsArray[kPrefSpikeDefaults] != 0 ? 0 : 1;
        plat::setButtonState(kResultsWindow, kSpikeUseAsDefaults, prefsArray[kPrefSpikeDefaults] != 0 ? 2 : 1);
        break;
      case kSpikeDirectionPopup: {
        const int item = plat::popupValue(kResultsWindow, kSpikeDirectionPopup);
        run.direction = item == 2 ? SpikeDirection::Below : item == 3 ? SpikeDirection::Above : SpikeDirection::Either;
        break;
      }
      case kSpikeHelpButton:
        HelpSubject = kHelpSubjectPanel;
        plat::openHelp(kHelpSubjectPanel);
        break;
      case kSpikeDone: return;
      default: break;
    }
    if (plat::windowExists(kResultsWindow)) plat::setCurrentPort(kResultsWindow);
  }
}

void replay(Run& run, SpikeAction action) {
  switch (action) {
    case SpikeAction::Sweep: sweep(run, !run.singleScan, false); break;
    case SpikeAction::Trim: trimOrAbsolute(run, true); break;
    case SpikeAction::Absolute: trimOrAbsolute(run, false); break;
    case SpikeAction::Interactive:
      if (gInteractiveSpikeTool) {
        gInteractiveSpikeTool(0);
        run.acted = true;
      }
      break;
  }
  run.lastAction = action;
}

}  // namespace

int16_t REMOVESPIKE(int16_t step) {
  HelpSubject = kSpikeHelp;
  EditStep es = BeginEditStep(kSpikeOp, step);
  Run run;
  run.slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(run.slot) || !SlotHoldsFile(run.slot) || ActiveChannel < 1 ||
      ActiveChannel > nChannels[run.slot]) {
    WithdrawEditStep(es);
    return 0;
  }
  const StoreStatus backup = MAKEBACKUP(ActiveChannel);
  if (backup != StoreStatus::Ok) {
    WithdrawEditStep(es);
    ShowAlert(std::string("Nothing was changed: no undo copy could be kept. ") + StoreStatusText(backup));
    return 0;
  }
  run.undoChannel = ActiveChannel;
  if (es.row != 0 && step != 0) keepSettings(SpikeSettingsFromStep(ScriptSequenceArray[es.row]));

  if (es.replay) {
    FileSHORTS[run.slot][kShortChanged] = 1;
    const float* row = ScriptSequenceArray[es.row];
    const float direction = row[spikes_step::kDirection];
    run.direction = direction == 2.0f ? SpikeDirection::Below
                    : direction == 3.0f ? SpikeDirection::Above
                                        : SpikeDirection::Either;
    run.inBlock = StepFlag(row, spikes_step::kBlockOnly) && FileSHORTS[run.slot][kShortBlockState] == 2;
    run.singleScan = StepFlag(row, spikes_step::kSingleScan);
    if (const int16_t c = StepChannelIn(row, spikes_step::kChannel, nChannels[run.slot])) {
      ActiveChannel = c;
      chanB = static_cast<uint16_t>(c);
    }
    const float action = row[spikes_step::kMethod];
    if (action >= 1.0f && action <= 4.0f) replay(run, static_cast<SpikeAction>(static_cast<int16_t>(action)));
  } else {
    run.es = &es;
    prefsArray[kPrefSpikeDefaults] = 1;
    EditDialogScope frame;
    runPanel(run);
    plat::disposeWindow(kResultsWindow);
    if (prefsArray[kPrefSpikeDefaults] != 0) {
      const PrefsStatus st = SaveSettings(plat::appFolder() / kPrefsFileName);
      if (st != PrefsStatus::Ok) ShowAlert(PrefsStatusText(st));
    }
  }
  if (!run.acted && es.recorded) WithdrawEditStep(es);
  const int16_t plot = PlotWindowId(run.slot);
  if (plat::windowExists(plot)) plat::setCurrentPort(plot);
  plat::setCursor(plat::CursorKind::Arrow);
  return 0;
}
