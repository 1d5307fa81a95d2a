#include "respirometry/ui/gasexchange.h"

#include <string>

#include "editing/copychannel.h"
#include "editing/ui/editframe.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "respirometry/gasexchange.h"
#include "respirometry/gasphysics.h"
#include "respirometry/ui/gasdialogs.h"
#include "respirometry/ui/respirometry_kit.h"
#include "shell/recording.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/worktables.h"
#include "shell/ui/help.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/ui/sounds.h"
#include "output/ui/analysiskit.h"

namespace {

using namespace respkit;

constexpr int kPrefNewChannel = 6;
constexpr int kPrefPositive = 18;
constexpr int kPrefInstantaneous = 38;
constexpr int kPrefGasUnit = 54;
constexpr int16_t kFirstUnitsField = 221, kLastUnitsField = 225;

bool returnKey() { return action == kActionKey && (eventID == 13 || eventID == 3); }

void pair(int16_t yes, int16_t no, bool yesOn) {
  plat::setButtonState(kResultsWindow, yes, yesOn ? 2 : 1);
  plat::setButtonState(kResultsWindow, no, yesOn ? 1 : 2);
}

// ---- First dialog: destination, flow source, gas conditions ----------------------------

// False when the user closed the window (close box or Escape): the command ends.
bool firstDialog(const char* title, int16_t n) {
  OpenResultsWIndow(0, 1, 1, title, 0);
  FitResultsWindow(256);
  plat::setCurrentPort(kResultsWindow);
  wssst();
  const int w = kResultsWindow;
  BuildBOX(8, 8, 222, 118);
  BuildBOX(8, 126, 222, 204);
  DrawLabel(w, 14, 26, "Destination of Results:");
  DrawLabel(w, 14, 144, "Source of Flow Rate Data:");
  if (n > 31) {
    prefsArray[kPrefNewChannel] = 0;
    DrawLabel(w, 14, 60, "Results will replace old channel.");
  } else {
    MakeNewChan = prefsArray[kPrefNewChannel] != 0 ? 1 : 0;
    AddCheck(w, kNewChannelBox, "Store Results in New Channel" + NumText(n + 1), {14, 36, 220, 56},
             MakeNewChan != 0, false);
    DrawLabel(w, 34, 76, "(Otherwise, replace old channel) ");
  }
  FlowCH = n >= 2 && ffch != 0 ? 2 : 0;
  AddCheck(w, kFlowFromChannel, "Get Flow Rate from Channel", {14, 152, 220, 172}, FlowCH != 0, true);
  if (n < 2) plat::setButtonState(w, kFlowFromChannel, 0);
  AddCheck(w, kFlowDirect, "Enter Flow Rate Directly", {14, 176, 220, 196}, FlowCH == 0, true);

  const int x = 232;
  if (GasType != kGasWater) {
    DrawLabel(w, x, 24, "Is the incurrent gas flow dry?");
    AddCheck(w, kDryYes, "Yes", {x, 30, x + 56, 48}, DryAir != 0, true);
    AddCheck(w, kDryNo, "No", {x + 60, 30, x + 116, 48}, DryAir == 0, true);
    if (DryAir == 0) PlayNamedSound("bub3");
  }
  plat::setCurrentPort(w);
  DoSubscript(static_cast<int16_t>(x), 66, "Is all incurrent CO", "2", "  absorbed?", 4);
  AddCheck(w, kAbsorbedYes, "Yes", {x, 72, x + 56, 90}, abCO2 != 0, true);
  AddCheck(w, kAbsorbedNo, "No", {x + 60, 72, x + 116, 90}, abCO2 == 0, true);
  DrawLabel(w, x, 108, "Are deflections positive-going?");
  AddCheck(w, kPositiveYes, "Yes", {x, 114, x + 56, 132}, prefsArray[kPrefPositive] != 0, true);
  AddCheck(w, kPositiveNo, "No", {x + 60, 114, x + 116, 132}, prefsArray[kPrefPositive] == 0, true);
  DrawLabel(w, x, 150, "Flow  rate is ");
  AddCheck(w, kFlowMl, "ml/min", {x + 84, 136, x + 160, 154}, prefsArray[kPrefFlowInLitres] == 0, true);
  AddCheck(w, kFlowLitres, "liters/min", {x + 84, 154, x + 180, 172}, prefsArray[kPrefFlowInLitres] != 0, true);
  plat::setCurrentPort(w);
  DoSubscript(static_cast<int16_t>(x), 192, "FiO", "2", " = ", 4);
  AddField(w, kFiO2Field, StringFormatter(FiO2), {x + 60, 178, x + 130, 196});
  DrawLabel(w, x + 134, 192, "%");
  plat::setCurrentPort(w);
  DoSubscript(static_cast<int16_t>(x), 216, "FiCO", "2", " = ", 4);
  AddField(w, kFiCO2Field, StringFormatter(FiCO2), {x + 60, 202, x + 130, 220});
  DrawLabel(w, x + 134, 216, "%");
  DrawLabel(w, x, 240, "RQ:");
  AddField(w, kRQTyped, StringFormatter(RQ), {x + 60, 226, x + 130, 244});
  AddPush(w, kHelpButton, "?", {8, 222, 30, 244});
  AddPush(w, kGasNext, "Next\xC9", {120, 222, 222, 244}, plat::ButtonKind::DefaultPush);
  plat::flushWindow(w);

  bool closed = false;
  for (bool next = false; !next;) {
    AwaitEvent();
    closed = action == kActionClose;
    if (EditPickPending() || closed || returnKey() || (action == kActionActivate && eventID != w)) break;
    if (action == kActionKey && (eventID == '?' || eventID == '/')) {
      HelpSubject = 251;
      OpenHelpBook();
      continue;
    }
    if (action != kActionClick) continue;
    switch (eventID) {
      case kGasNext: next = true; break;
      case kHelpButton:
        HelpSubject = 251;
        OpenHelpBook();
        break;
      case kFlowFromChannel:
      case kFlowDirect:
        FlowCH = eventID == kFlowFromChannel ? 2 : 0;
        pair(kFlowFromChannel, kFlowDirect, FlowCH != 0);
        break;
      case kNewChannelBox:
        MakeNewChan = MakeNewChan != 0 ? 0 : 1;
        plat::setButtonState(w, kNewChannelBox, MakeNewChan != 0 ? 2 : 1);
        break;
      case kDryYes:
      case kDryNo:
        DryAir = eventID == kDryYes ? 1 : 0;
        pair(kDryYes, kDryNo, DryAir != 0);
        if (DryAir == 0) PlayNamedSound("bub3");
        break;
      case kAbsorbedYes:
      case kAbsorbedNo:
        abCO2 = eventID == kAbsorbedYes ? 1 : 0;
        pair(kAbsorbedYes, kAbsorbedNo, abCO2 != 0);
        break;
      case kPositiveYes:
      case kPositiveNo:
        prefsArray[kPrefPositive] = eventID == kPositiveYes ? 1 : 0;
        pair(kPositiveYes, kPositiveNo, prefsArray[kPrefPositive] != 0);
        if (eventID == kPositiveYes) upvip();
        else downvip();
        break;
      case kFlowMl:
      case kFlowLitres:
        prefsArray[kPrefFlowInLitres] = eventID == kFlowLitres ? 1 : 0;
        pair(kFlowMl, kFlowLitres, prefsArray[kPrefFlowInLitres] == 0);
        break;
      default: break;
    }
  }
  FiO2 = static_cast<float>(TextToNum(plat::fieldText(w, kFiO2Field)));
  FiCO2 = static_cast<float>(TextToNum(plat::fieldText(w, kFiCO2Field)));
  RQ = PositiveFieldOrKeep(w, kRQTyped, RQ, "The RQ must be above 0");
  plat::disposeWindow(w);
  ClearMailbox();
  return !closed;
}

// ---- Units dialog -------------------------------------------------------------------------

// Typed recording values as READFLOW would store them.
GasFileValues typedFileValues(int16_t slot) {
  GasFileValues f = GasFileValuesOf(slot);
  auto typed = [](int16_t id, float old) {
    return plat::controlExists(kResultsWindow, id) ? static_cast<float>(TextToNum(plat::fieldText(kResultsWindow, id)))
                                                   : old;
  };
  f.mass = typed(kMassField, f.mass);
  f.pressure = typed(kPressureParamField, f.pressure);
  f.temperature = typed(kTemperatureParamField, f.temperature);
  f.volume = typed(kVolumeField, f.volume);
  if (f.volume == 0.0f) f.volume = 0.1f;
  if (FlowCH == 0) f.flow = typed(kFlowField, f.flow);
  return f;
}

// The field holding the value a status refuses.
int16_t refusedField(GasStatus s) {
  switch (s) {
    case GasStatus::FlowNotPositive: return kFlowField;
    case GasStatus::VolumeNotPositive: return kVolumeField;
    case GasStatus::PressureNotPositive: return kPressureParamField;
    case GasStatus::TemperatureBelowAbsoluteZero: return kTemperatureParamField;
    case GasStatus::MassNotPositive: return kMassField;
    default: return 0;
  }
}

float fileValue(int16_t slot, int16_t field) {
  switch (field) {
    case kFlowField: return FileInfoFLOATS[slot][kInfoFlow];
    case kVolumeField: return FileInfoFLOATS[slot][kInfoEffectiveVolume];
    case kPressureParamField: return FileInfoFLOATS[slot][kInfoPressure];
    case kTemperatureParamField: return FileInfoFLOATS[slot][kInfoTemperature];
    default: return FileInfoFLOATS[slot][kInfoMass];
  }
}

const char* gasWord() { return GasType == kGasCO2 ? "CO2" : GasType == kGasWater ? "water" : "oxygen"; }
const char* gasText() { return GasType == kGasCO2 ? "CO2" : GasType == kGasWater ? "H2O" : "O2"; }

void unitsRadios() {
  AddCheck(kResultsWindow, kStandardButton, "Standard", {260, 80, 440, 98}, prefsArray[kPrefInstantaneous] == 0, true);
  AddCheck(kResultsWindow, kInstantaneousButton, "Instantaneous", {260, 100, 440, 118},
           prefsArray[kPrefInstantaneous] != 0, true);
}

// The settings the run would use, with the typed file values.
GasExchangeSettings runSettings() {
  GasExchangeSettings g = CurrentGasSettings();
  g.fi = FiO2 / 100.0f;
  g.fc = FiCO2 / 100.0f;
  return g;
}

// True: compute; false: closed or a pick waits.
bool unitsDialog(const char* title, int16_t slot) {
  OpenResultsWIndow(0, 1, 1, title, 0);
  FitResultsWindow(256);
  plat::setCurrentPort(kResultsWindow);
  const int w = kResultsWindow;
  prefsArray[kPrefGasUnit] = 1;
  StoreChan = Chan1;
  AddStatic(w, kConvertText, std::string("Convert ") + gasWord() + " concentration data into units of:",
            {8, 6, 400, 22});
  std::string header = std::string(GasType == kGasWater ? "  " : "%") + gasText() + ":   channel" + NumText(Chan1);
  if (FlowCH != 0) header += ";   flow rate:   channel" + NumText(FlowCH);
  DrawLabel(w, 8, 44, header);
  const int16_t menu = GasType == kGasWater ? kWaterUnitMenu : kGasUnitMenu;
  plat::setCurrentPort(w);
  MakePOPUPmenu(0, menu, prefsArray[kPrefGasUnit], 8, 54, 240, 76);
  DrawLabel(w, 260, 72, "Flow correction:", true);
  unitsRadios();
  AddPush(w, kShowEquationButton, "Show Equation", {260, 130, 440, 152});
  AddPush(w, kComputeButton, "Compute Gas Exchange", {260, 160, 440, 182}, plat::ButtonKind::DefaultPush);
  AddPush(w, kHelpButton, "?", {418, 222, 440, 244});
  TopL = FlowCH != 0 ? 35 : 7;
  plat::setCurrentPort(w);
  FLOWSTUFF();
  int16_t fieldX = kLastUnitsField;
  plat::flushWindow(w);
  HelpSubject = 199;

  for (;;) {
    AwaitEvent();
    if (EditPickPending() || action == kActionClose) return false;
    bool compute = false;
    if (action == kActionClick && eventID == menu) {
      const int item = plat::popupValue(w, menu);
      if (item >= 1 && item <= 8) {
        PlaySoundAlways("bzot");
        prefsArray[kPrefGasUnit] = static_cast<int16_t>(item);
      } else if (item >= kFirstEnergyUnit && item <= kGasUnitCount) {
        PlaySoundAlways("scream");
        prefsArray[kPrefGasUnit] = static_cast<int16_t>(item);
        READFLOW();
        if (GasType != kGasWater) {
          GASUNITS("", 130, 102);
          plat::setCurrentPort(w);
          FLOWSTUFF();
          unitsRadios();
          plat::selectWindow(w);
        }
      } else {
        plat::setPopupValue(w, menu, prefsArray[kPrefGasUnit]);
      }
    } else if (action == kActionClick && (eventID == kStandardButton || eventID == kInstantaneousButton)) {
      prefsArray[kPrefInstantaneous] = eventID == kInstantaneousButton ? 1 : 0;
      pair(kStandardButton, kInstantaneousButton, prefsArray[kPrefInstantaneous] == 0);
    } else if (action == kActionClick && eventID == kShowEquationButton) {
      SHOWGASEQUATION();
      plat::selectWindow(w);
      plat::setCurrentPort(w);
    } else if (action == kActionClick && eventID == kHelpButton) {
      HelpSubject = 253;
      OpenHelpBook();
      HelpSubject = 199;
    } else if (action == kActionFieldClick && eventID >= kFirstUnitsField && eventID <= kLastUnitsField) {
      fieldX = eventID;
    } else if (returnKey()) {
      ++fieldX;
      while (fieldX <= kLastUnitsField && !plat::controlExists(w, fieldX)) ++fieldX;
      if (fieldX > kLastUnitsField) compute = true;
      else plat::focusField(w, fieldX, true);
    } else if (action == kActionActivate && eventID != w) {
      plat::selectWindow(w);
      fieldX = kLastUnitsField;
      compute = true;
    } else if (action == kActionClick && eventID == kComputeButton) {
      compute = true;
    }
    if (!compute) continue;
    // Refused values are named, and the field gets back the value the file holds.
    const GasStatus st = CheckGasRun(runSettings(), typedFileValues(slot));
    if (st == GasStatus::Ok) return true;
    ShowAlert(GasStatusText(st, runSettings(), typedFileValues(slot)));
    if (const int16_t field = refusedField(st); field != 0 && plat::controlExists(w, field))
      plat::setFieldText(w, field, NumText(fileValue(slot, field)));
    fieldX = kLastUnitsField;
  }
}

// ---- The run ---------------------------------------------------------------------------------

bool channelMissing(int16_t c, int16_t n) { return c < 1 || c > n; }

// Which channels a run reads, refused with the alert when one is not in the file.
bool channelsPresent(const GasExchangeSettings& g, int16_t n) {
  std::string missing;
  auto need = [&](bool used, int16_t c) {
    if (used && channelMissing(c, n) && missing.empty()) missing = NumText(c);
  };
  need(true, g.chan1);
  need(g.flowChannel != 0, g.flowChannel);
  need(g.gasType != kGasWater && g.useVCO2 != 0 && SecondGasFormValid(g.gasType, g.flowMode, g.useVCO2),
       g.vco2Channel);
  const bool humid = GasHumidityApplies(g);
  need(humid && g.waterChannel >= 1 && g.waterChannel < kHumidityNone, g.waterChannel);
  need((humid || (g.gasType == kGasWater && g.rhUnit != 2)) && g.tRHchan != 0, g.tRHchan);
  if (missing.empty()) return true;
  ShowAlert("Channel" + missing + " is not in this file: nothing was computed.");
  return false;
}

void putLabel(int16_t slot, int16_t channel, const std::string& label) {
  SetChannelLabel(slot, channel, label);
  // A new channel's label also enters the undo's label snapshot, so an Undo
  // of an earlier edit keeps it.
  std::string& s = OldLabelStrings[slot][(channel - 1) / kLabelsPerString + 1];
  if (s.size() < static_cast<size_t>(kLabelsPerString * kLabelWidth)) s.resize(kLabelsPerString * kLabelWidth, ' ');
  s.replace(static_cast<size_t>((channel - 1) % kLabelsPerString) * kLabelWidth, kLabelWidth, label);
}

bool runGas(const GasExchangeSettings& g, int16_t slot) {
  const int16_t n = nChannels[slot];
  if (!channelsPresent(g, n)) return false;
  const GasFileValues f = GasFileValuesOf(slot);
  GasExchangeSettings checked = g;
  if (!SecondGasFormValid(g.gasType, g.flowMode, g.useVCO2)) checked.useVCO2 = 0;
  if (const GasStatus st = CheckGasRun(checked, f); st != GasStatus::Ok) {
    ShowAlert(GasStatusText(st, checked, f));
    return false;
  }
  const std::string label = GasChannelLabel(g, f);
  const bool newChannel = g.makeNewChan && n < kMaxChannels;
  // The settings the log line states: a second-gas channel with no equation
  // for the flow set-up falls back to the constant RQ.
  GasExchangeSettings logged = g;
  if (g.gasType != kGasWater && !SecondGasFormValid(g.gasType, g.flowMode, g.useVCO2)) logged.useVCO2 = 0;
  // A new channel's label, its room in the undo's label snapshot and its
  // log line are made before the channel is added: nothing after may fail.
  // No undo copy takes the channel back.
  PendingEditLog log(slot);
  std::string fitted;
  if (newChannel) {
    fitted = FitLabel(label);
    std::string& snapshot = OldLabelStrings[slot][n / kLabelsPerString + 1];
    if (snapshot.size() < static_cast<size_t>(kLabelsPerString * kLabelWidth))
      snapshot.resize(kLabelsPerString * kLabelWidth, ' ');
    log.add(ChannelLogHeading(static_cast<int16_t>(n + 1), fitted) + GasLogWords(logged));
    log.reserve();
  }
  plat::setCursor(plat::CursorKind::Watch);
  if (newChannel) {
    if (AddChannel(slot) != StoreStatus::Ok) {
      plat::setCursor(plat::CursorKind::Arrow);
      ShowAlert("There is no memory for a new channel: nothing was computed.");
      return false;
    }
    StoreChan = nChannels[slot];
    putLabel(slot, StoreChan, fitted);
  } else {
    StoreChan = g.chan1;
    if (MAKEBACKUP(g.chan1) != StoreStatus::Ok) {
      plat::setCursor(plat::CursorKind::Arrow);
      ShowAlert("There is no memory for the undo copy: nothing was computed.");
      return false;
    }
    SetChannelLabel(slot, g.chan1, label);
  }
  GasChannels ch;
  ch.gas = ChannelData(slot, g.chan1);
  ch.flow = g.flowChannel ? ChannelData(slot, g.flowChannel) : nullptr;
  ch.water = g.waterChannel >= 1 && g.waterChannel <= n ? ChannelData(slot, g.waterChannel) : nullptr;
  ch.temp = g.tRHchan >= 1 && g.tRHchan <= n ? ChannelData(slot, g.tRHchan) : nullptr;
  ch.second = g.vco2Channel >= 1 && g.vco2Channel <= n ? ChannelData(slot, g.vco2Channel) : nullptr;
  ch.out = ChannelData(slot, StoreChan);
  ch.count = nCases[slot] + 1;
  bool fellBack = false;
  ComputeGasExchange(g, f, ch, &fellBack);
  plat::setCursor(plat::CursorKind::Arrow);
  FileSHORTS[slot][kShortChanged] = 1;
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, StoreChan);
  skid();
  if (newChannel) {
    ActiveChannel = StoreChan;
    ActiveChannelArray[slot] = StoreChan;
    FileSHORTS[slot][kShortActiveChannel] = StoreChan;
  }
  ChangedChan = StoreChan;
  if (newChannel) log.commit();
  else LogChannelEdit(slot, StoreChan, GasLogWords(logged));
  if (fellBack)
    ShowAlert("This flow configuration has no equation for a second-gas channel: the constant RQ was used.", "");
  ShowEditedFile(slot, newChannel);
  return true;
}

void finish(int16_t slot) {
  plat::disposeWindow(kResultsWindow);
  if (plat::windowExists(PlotWindowId(slot))) plat::selectWindow(PlotWindowId(slot));
  plat::setCursor(plat::CursorKind::Arrow);
  MakeNewChan = 0;
  FlowCH = 0;
}

}  // namespace

void READFLOW() {
  if (TheFileInUse >= kMaxOpenFiles || !plat::windowExists(kResultsWindow)) return;
  const GasFileValues f = typedFileValues(static_cast<int16_t>(TheFileInUse));
  float* w = FileInfoFLOATS[TheFileInUse];
  w[kInfoMass] = f.mass;
  w[kInfoPressure] = f.pressure;
  w[kInfoTemperature] = f.temperature;
  w[kInfoEffectiveVolume] = f.volume;
  if (FlowCH == 0) w[kInfoFlow] = f.flow;
}

void GASEXCHANGE(int16_t step) {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return;
  HelpSubject = 199;
  MakeNewChan = 0;
  const char* title = GasType == kGasCO2    ? "CO2 Production (VCO2) "
                      : GasType == kGasWater ? "Evaporative Water Loss (EWL) "
                                             : "Oxygen Consumption (VO2) ";
  const int16_t op = static_cast<int16_t>((GasType == kGasCO2 || GasType == kGasWater ? GasType : kGasO2) + kGasOpBase);
  if (GasType == kGasWater) PlayNamedSound("bub3");
  EditStep es = BeginEditStep(op, step);
  if (es.recorded != 0) prefsArray[kPrefNewChannel] = 0;
  if (RunScript != 0) prefsArray[kPrefNewChannel] = 0;
  EditDialogScope scope;

  if (es.replay) {
    GasExchangeSettings g = GasFromScriptStep(ScriptSequenceArray[es.row]);
    g.gasType = GasType == kGasCO2 || GasType == kGasWater ? GasType : kGasO2;
    g.litres = prefsArray[kPrefFlowInLitres] != 0;
    StoreGasSettings(g);
    runGas(g, slot);
    finish(slot);
    return;
  }

  const int16_t n = nChannels[slot];
  const bool showEquation = SEP != 0;
  bool go = firstDialog(title, n) && !EditPickPending() && FlowSetOK(gasText(), es.row) == 0;
  if (go && FlowCH != 0) FlowCH = static_cast<int16_t>(chan2 - n);
  if (go && GasType != kGasWater) go = FLOWSYSTEM() == 0 && !EditPickPending();
  if (go) {
    UseVCO2 = 0;
    const int16_t m = FlowMode;
    if (GasType == kGasCO2 || (GasType == kGasO2 && m != 1 && m != 3 && m != 6)) GETVCO2CHANNEL();
    if (FlowCH != 0) LastFlowChannelUsed = FlowCH;
    if (GasType == kGasWater) RH_Temp_Calcs("", 0, 0);
    if (showEquation && !EditPickPending()) SHOWGASEQUATION();
    go = !EditPickPending() && unitsDialog(title, slot);
  }
  if (!go) {
    WithdrawEditStep(es);
    finish(slot);
    return;
  }
  READFLOW();
  FileSHORTS[slot][kShortChanged] = 1;
  // The density the run uses goes into the step, so a replay uses it too.
  if (GasType == kGasWater || DryAir == 0) RHFactor = WATERCON(RHtemp);
  GasExchangeSettings g = runSettings();
  g.chan1 = Chan1;
  if (es.row != 0) GasToScriptStep(g, ScriptSequenceArray[es.row]);
  if (!runGas(g, slot)) WithdrawEditStep(es);
  finish(slot);
}
