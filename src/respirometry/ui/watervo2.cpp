#include "respirometry/ui/watervo2.h"

#include <algorithm>
#include <string>

#include "editing/channelpick.h"
#include "editing/copychannel.h"
#include "editing/ui/editframe.h"
#include "editing/ui/picklists.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "respirometry/aquatic.h"
#include "respirometry/gasexchange.h"
#include "respirometry/ui/gasdialogs.h"
#include "respirometry/ui/respirometry_kit.h"
#include "shell/recording.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/help.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"
#include "output/ui/analysiskit.h"

namespace {

using namespace respkit;

constexpr int kPrefNewChannel = 6;
constexpr int kPrefNegativeWater = 17;
constexpr int kPrefBlockSoundsWord = 29;

bool helpKey() { return action == kActionKey && (eventID == '?' || eventID == '/'); }
float fieldValue(int16_t id) { return static_cast<float>(TextToNum(plat::fieldText(kResultsWindow, id))); }
void setField(int16_t id, float v) { plat::setFieldText(kResultsWindow, id, FieldNumText(v)); }

// ---- First window -------------------------------------------------------------------------

void markSystem() {
  const int w = kResultsWindow;
  const bool open = WaterSystem == 1;
  plat::setButtonState(w, kWaterClosed, open ? 1 : 2);
  plat::setButtonState(w, kWaterOpen, open ? 2 : 1);
  plat::setButtonState(w, kWaterFlowChannelBox, !open ? 0 : WaterFlowChannel != 0 ? 2 : 1);
  plat::setButtonState(w, kWaterNegativeBox, !open ? 0 : prefsArray[kPrefNegativeWater] != 0 ? 2 : 1);
}

bool firstWindow(int16_t slot) {
  OpenResultsWIndow(0, 1, 1, "Oxygen Consumption in Water", 0);
  plat::setCurrentPort(kResultsWindow);
  const int w = kResultsWindow;
  if (prefsArray[kPrefBlockSoundsWord] != 0) PlayNamedSound("bub3");
  AddCheck(w, kWaterClosed, "Closed-system Measurements", {14, 14, 240, 32}, false, true);
  AddCheck(w, kWaterOpen, "Open-system Measurements", {14, 38, 240, 56}, false, true);
  AddCheck(w, kWaterFlowChannelBox, "Get Flow from Channel", {40, 62, 260, 80}, false, false);
  AddCheck(w, kWaterNegativeBox, "Negative Deflection from baseline", {40, 84, 300, 102}, false, false);
  DrawLabel(w, 40, 124, "water flow rate:");
  AddField(w, kWaterFlowField, FieldNumText(FileInfoFLOATS[slot][kInfoFlow]), {150, 110, 220, 128});
  DrawLabel(w, 226, 124, "ml/min");
  AddPush(w, kWaterContinue, "Continue\xC9", {330, 140, 440, 162}, plat::ButtonKind::DefaultPush);
  markSystem();
  plat::flushWindow(w);
  for (;;) {
    AwaitEvent();
    if (EditPickPending() || action == kActionClose) return false;
    if (helpKey()) OpenHelpBook();
    if (action == kActionKey || (action == kActionActivate && eventID != w)) break;
    if (action != kActionClick) continue;
    if (eventID == kWaterContinue) break;
    if (eventID == kWaterClosed) WaterSystem = 0;
    else if (eventID == kWaterOpen) WaterSystem = 1;
    else if (eventID == kWaterFlowChannelBox && WaterSystem == 1) WaterFlowChannel = WaterFlowChannel ? 0 : 1;
    else if (eventID == kWaterNegativeBox && WaterSystem == 1) TogglePrefs(kPrefNegativeWater);
    markSystem();
  }
  FileInfoFLOATS[slot][kInfoFlow] = static_cast<float>(TextToNum(plat::fieldText(w, kWaterFlowField)));
  if (WaterSystem == 0) WaterFlowChannel = 0;
  plat::disposeWindow(w);
  return true;
}

// ---- Channel window --------------------------------------------------------------------------

bool channelWindow(int16_t n) {
  const bool flow = WaterFlowChannel != 0;
  const int extra = n > 16 ? 18 * (n - 16) : 0;
  OpenDialogWindow(kWaterChannelWindow, "Channel Selection", 330, 70 + 18 * n + 34 + extra / 4, 0, 330);
  const int16_t keptY = yChan;
  yChan = flow ? 1 : 0;
  Chan1 = ActiveChannel;
  TRANSCHAN("  O2", " Flow", "channel, units", 8, 1, 8, 1);
  yChan = keptY;
  chan2 = flow ? static_cast<int16_t>(Chan1 > 1 ? Chan1 - 1 : std::min<int16_t>(2, n)) : 0;
  AddPush(kWaterChannelWindow, kWaterChannelsDone, "Done", {230, 70 + 18 * n, 320, 92 + 18 * n},
          plat::ButtonKind::DefaultPush);
  auto valid = [&] { return Chan1 >= 1 && Chan1 <= n && (!flow || (chan2 >= 1 && chan2 <= n && chan2 != Chan1)); };
  auto mark = [&] {
    for (int16_t c = 1; c <= n; ++c) {
      plat::setButtonState(kWaterChannelWindow, c, flow && c == chan2 ? 0 : c == Chan1 ? 2 : 1);
      if (flow) plat::setButtonState(kWaterChannelWindow, n + c, c == Chan1 ? 0 : c == chan2 ? 2 : 1);
    }
    plat::setButtonState(kWaterChannelWindow, kWaterChannelsDone, valid() ? 1 : 0);
  };
  mark();
  plat::flushWindow(kWaterChannelWindow);
  bool ok = false;
  for (;;) {
    AwaitEvent();
    if (EditPickPending() || action == kActionClose) break;
    if ((action == kActionKey || (action == kActionActivate && eventID != kWaterChannelWindow) ||
         (action == kActionClick && eventID == kWaterChannelsDone)) &&
        valid()) {
      ok = true;
      break;
    }
    if (action != kActionClick || plat::buttonState(kWaterChannelWindow, eventID) == 0) continue;
    if (eventID >= 1 && eventID <= n) Chan1 = eventID;
    else if (flow && eventID > n && eventID <= 2 * n) chan2 = static_cast<int16_t>(eventID - n);
    mark();
  }
  plat::disposeWindow(kWaterChannelWindow);
  ClearMailbox();
  return ok;
}

// ---- Main window -------------------------------------------------------------------------------

WaterVO2Settings fromGlobals() {
  WaterVO2Settings w;
  w.waterSystem = WaterSystem;
  w.flowFromChannel = WaterFlowChannel != 0;
  w.waterUnits = WaterUnits >= 1 && WaterUnits <= kWaterInputUnits ? WaterUnits : 1;
  w.massUnit = MassUnit;
  w.oH2O = WaterSystem == 1 ? 3 : oH2O;
  const int16_t maxUnit = w.oH2O == 3 ? kWaterRateUnits : kWaterAmountUnits;
  w.woutUnits = WOUTunits >= 1 && WOUTunits <= maxUnit ? WOUTunits : 1;
  w.absoluteUnits = AbsoluteUnits != 0;
  w.negative = prefsArray[kPrefNegativeWater] != 0;
  w.heat = flowcon;
  w.chan1 = Chan1;
  w.chan2 = chan2;
  w.makeNewChan = MakeNewChan != 0;
  w.salinity = salinity;
  return w;
}

void toGlobals(const WaterVO2Settings& w) {
  WaterSystem = w.waterSystem;
  WaterFlowChannel = w.flowFromChannel ? 1 : 0;
  WaterUnits = w.waterUnits;
  WOUTunits = w.woutUnits;
  MassUnit = w.massUnit;
  oH2O = w.oH2O;
  AbsoluteUnits = w.absoluteUnits ? 1 : 0;
  prefsArray[kPrefNegativeWater] = w.negative ? 1 : 0;
  flowcon = w.heat;
  Chan1 = w.chan1;
  chan2 = w.chan2;
  salinity = w.salinity;
}

// The window's numbers into w.
void readWindow(WaterVO2Settings* w) {
  w->temperature = fieldValue(kWaterTempField);
  w->volumeOrFlow = fieldValue(kVolumeFlowField);
  w->pressure = fieldValue(kWaterPressureField);
  w->gasO2 = fieldValue(kGasO2Field);
  w->salinity = fieldValue(kSolutesField);
  w->saturation = fieldValue(kSaturationField);
  w->netO2 = fieldValue(kNetO2Field);
}

// The estimate, or blanks and the alert where O2CONTENT does not describe
// the water: no wrong content stands to be taken as the net O2.
void showContent(const WaterVO2Settings& w) {
  if (const CheckedResult water = CheckedO2ContentWater(w.temperature, w.pressure); !water.ok()) {
    plat::setFieldText(kResultsWindow, kContentField, "");
    plat::setFieldText(kResultsWindow, kNetO2Field, "");
    ShowAlert(RefusalText(water));
    return;
  }
  const O2Content c = EstimateWaterO2(w);
  setField(kContentField, c.perLitre);
  setField(kNetO2Field, c.inVolume);
}

void markChoices(const WaterVO2Settings& w) {
  const int win = kResultsWindow;
  for (int16_t b = kPerMg; b <= kPerKg; ++b) plat::setButtonState(win, b, w.massUnit == b ? 2 : 1);
  if (w.waterSystem == 0) {
    for (int16_t b = kWaterResult1; b <= kWaterResult3; ++b)
      plat::setButtonState(win, b, w.oH2O == b - kWaterResult1 + 1 ? 2 : 1);
  } else {
    plat::setButtonState(win, kWaterResult1, w.absoluteUnits ? 2 : 1);
    plat::setButtonState(win, kWaterResult2, w.absoluteUnits ? 1 : 2);
  }
  plat::setFieldText(win, kLabelField, WaterLabel(w));
}

void outputPopup(const WaterVO2Settings& w) {
  const bool rate = w.waterSystem == 1 || w.oH2O == 3;
  plat::setCurrentPort(kResultsWindow);
  MakePOPUPmenu(kOutputUnitPopup, rate ? kRateMenu : kAmountMenu, w.woutUnits, 290, 26, 490, 46);
}

void buildMain(const WaterVO2Settings& w, int16_t slot, int16_t n) {
  const bool open = w.waterSystem == 1;
  OpenResultsWIndow(0, 1, 1,
                    std::string("Oxygen Consumption in Water") + (open ? " (open system) " : " (closed system) "), 0);
  FitResultsWindow(322);
  plat::Rect wide = plat::contentRect(kResultsWindow);
  wide.right = wide.left + 500;
  plat::setContentRect(kResultsWindow, wide);
  plat::setCurrentPort(kResultsWindow);
  const int win = kResultsWindow;
  // DrawWaterTop: the input units' heading and a rule.
  DoSubscript(8, 16, "O", "2", " input units", 3);
  DoSubscript(290, 16, "O", "2", " output units", 3);
  DoubleLINE(4, 496, 22);
  DrawLabel(win, 8, 40, open ? "input units are:" : "convert to:");
  plat::setCurrentPort(win);
  MakePOPUPmenu(kInputUnitPopup, kInputMenu, w.waterUnits, 100, 26, 230, 46);
  outputPopup(w);
  const float* info = FileInfoFLOATS[slot];
  const struct {
    int16_t id;
    const char* caption;
    std::string text;
  } rows[] = {
      {kWaterTempField, "temp. (\xA1" "C):", FieldNumText(info[kInfoTemperature])},
      {kVolumeFlowField, open ? "flow (ml/min):" : "volume (ml):",
       FieldNumText(open ? info[kInfoFlow] : info[kInfoEffectiveVolume])},
      {kWaterPressureField, "B.P. (torr):", FieldNumText(info[kInfoPressure])},
      {kGasO2Field, "gas-phase % O2:", "20.95"},
      {kSolutesField, "dissolved solutes (parts/thousand):", FieldNumText(w.salinity)},
      {kSaturationField, "% maximum oxygen saturation:", "100"},
  };
  int y = 56;
  for (const auto& r : rows) {
    DrawLabel(win, 8, y + 13, r.caption);
    AddField(win, r.id, r.text, {208, y, 284, y + 18});
    y += 22;
  }
  DrawLabel(win, 8, y + 13, "O2 content:");
  AddField(win, kContentField, "", {100, y, 170, y + 18});
  DrawLabel(win, 174, y + 13, "ml/L (STP) ");
  y += 22;
  DrawLabel(win, 8, y + 13, open ? "net O2 flow:" : "net O2:");
  AddField(win, kNetO2Field, "", {100, y, 170, y + 18});
  DrawLabel(win, 174, y + 13, open ? "ml/min (STP) " : "ml (STP) ");
  // DRAWWATERLOWERLEFT
  if (n < kMaxChannels) {
    MakeNewChan = prefsArray[kPrefNewChannel] != 0 ? 1 : 0;
    AddCheck(win, kWaterNewChannelBox, "Store Results in New Channel" + NumText(n + 1), {8, 250, 230, 268},
             MakeNewChan != 0, false);
    DrawLabel(win, 28, 284, "(Otherwise, replace old channel) ");
  } else {
    prefsArray[kPrefNewChannel] = 0;
    MakeNewChan = 0;
    DrawLabel(win, 8, 264, " Results will replace old channel");
  }
  DrawLabel(win, 290, 66, "label:");
  AddField(win, kLabelField, "", {330, 52, 490, 70});
  DrawLabel(win, 290, 92, "mass correction:");
  AddCheck(win, kPerMg, "/mg", {290, 98, 340, 116}, false, true);
  AddCheck(win, kPerG, "/g", {345, 98, 390, 116}, false, true);
  AddCheck(win, kPerKg, "/kg", {395, 98, 450, 116}, false, true);
  if (!open) {
    AddCheck(win, kWaterResult1, "\xC6 O2 Content", {290, 124, 490, 142}, false, true);
    AddCheck(win, kWaterResult2, "\xB7 O2 Consumed", {290, 144, 490, 162}, false, true);
    AddCheck(win, kWaterResult3, "VO2", {290, 164, 490, 182}, false, true);
  } else {
    AddCheck(win, kWaterResult1, "Absolute Value", {290, 124, 490, 142}, false, true);
    AddCheck(win, kWaterResult2, "\xC6 from Ambient", {290, 144, 490, 162}, false, true);
  }
  AddPush(win, kComputeO2Content, "Compute O2 Content", {290, 194, 490, 216});
  AddPush(win, kNetO2Only, open ? "Do O2 Flow Only" : "Do Net O2 Only", {290, 222, 490, 244});
  AddPush(win, kDoCalculations, "Do Calculations", {290, 290, 490, 314}, plat::ButtonKind::DefaultPush);
  markChoices(w);
  plat::flushWindow(win);
}

// True: compute with *w; false: cancelled.
bool mainWindow(WaterVO2Settings* w, int16_t slot, int16_t n) {
  buildMain(*w, slot, n);
  readWindow(w);
  showContent(*w);
  readWindow(w);
  const int win = kResultsWindow;
  for (;;) {
    AwaitEvent();
    if (EditPickPending() || action == kActionClose) return false;
    if (helpKey()) {
      OpenHelpBook();
      continue;
    }
    bool go = action == kActionKey || (action == kActionActivate && eventID != win);
    if (action == kActionClick) {
      switch (eventID) {
        case kDoCalculations: go = true; break;
        case kPerMg: case kPerG: case kPerKg: w->massUnit = w->massUnit == eventID ? 0 : eventID; break;
        case kWaterResult1: case kWaterResult2: case kWaterResult3:
          if (w->waterSystem == 1) {
            w->absoluteUnits = eventID == kWaterResult1;
          } else {
            const bool wasRate = w->oH2O == 3;
            w->oH2O = static_cast<int16_t>(eventID - kWaterResult1 + 1);
            if (w->oH2O != 3) w->woutUnits = std::min<int16_t>(w->woutUnits, kWaterAmountUnits);
            if (wasRate != (w->oH2O == 3)) outputPopup(*w);
          }
          break;
        case kInputUnitPopup: w->waterUnits = static_cast<int16_t>(plat::popupValue(win, kInputUnitPopup)); break;
        case kOutputUnitPopup:
          w->woutUnits = static_cast<int16_t>(plat::popupValue(win, kOutputUnitPopup));
          GasType = kGasO2;
          if (w->woutUnits >= 7 && (w->waterSystem == 1 || w->oH2O == 3)) {
            GASUNITS("", 130, 102);
            w->heat = flowcon;
            plat::selectWindow(win);
          }
          break;
        case kComputeO2Content:
          readWindow(w);
          showContent(*w);
          break;
        case kNetO2Only: {
          const float volume = fieldValue(kVolumeFlowField);
          setField(kNetO2Field, fieldValue(kContentField) * volume * 0.001f);
          if (w->waterSystem == 1) FileInfoFLOATS[slot][kInfoFlow] = volume;
          break;
        }
        case kWaterNewChannelBox:
          MakeNewChan = MakeNewChan != 0 ? 0 : 1;
          plat::setButtonState(win, kWaterNewChannelBox, MakeNewChan != 0 ? 2 : 1);
          break;
        default: break;
      }
      markChoices(*w);
    }
    if (!go) continue;
    readWindow(w);
    w->makeNewChan = MakeNewChan != 0;
    const WaterStatus st = ComputeWaterVO2(*w, FileInfoFLOATS[slot][kInfoMass], FileInfoFLOATS[slot][kInfoInterval],
                                           FileInfoFLOATS[slot][kInfoFlow], nullptr, nullptr, nullptr, 0);
    if (st == WaterStatus::Ok) return true;
    ShowAlert(WaterStatusText(st, *w, FileInfoFLOATS[slot][kInfoMass], FileInfoFLOATS[slot][kInfoInterval]));
    if (st == WaterStatus::SaturationNotPositive) setField(kSaturationField, 100.0f);
    if (st == WaterStatus::FlowNotPositive) setField(kVolumeFlowField, FileInfoFLOATS[slot][kInfoFlow]);
  }
}

void putNewLabel(int16_t slot, int16_t channel, const std::string& label) {
  SetChannelLabel(slot, channel, label);
  std::string& s = OldLabelStrings[slot][(channel - 1) / kLabelsPerString + 1];
  if (s.size() < static_cast<size_t>(kLabelsPerString * kLabelWidth)) s.resize(kLabelsPerString * kLabelWidth, ' ');
  s.replace(static_cast<size_t>((channel - 1) % kLabelsPerString) * kLabelWidth, kLabelWidth, label);
}

// The run itself; false when refused (nothing changed).
bool compute(const WaterVO2Settings& w, const std::string& labelText, int16_t slot, int16_t row) {
  const int16_t n = nChannels[slot];
  const bool flow = w.waterSystem == 1 && w.flowFromChannel;
  if (w.chan1 < 1 || w.chan1 > n || (flow && (w.chan2 < 1 || w.chan2 > n))) {
    ShowAlert("Channel" + NumText(flow && w.chan1 >= 1 && w.chan1 <= n ? w.chan2 : w.chan1) +
              " is not in this file: nothing was computed.");
    return false;
  }
  const float mass = FileInfoFLOATS[slot][kInfoMass], dt = FileInfoFLOATS[slot][kInfoInterval];
  const float nominal = FileInfoFLOATS[slot][kInfoFlow];
  if (const WaterStatus st = ComputeWaterVO2(w, mass, dt, nominal, nullptr, nullptr, nullptr, 0);
      st != WaterStatus::Ok) {
    ShowAlert(WaterStatusText(st, w, mass, dt));
    return false;
  }
  const std::string label = FitLabel(labelText);
  // With 32 channels the window says the results replace the old channel.
  const bool newChannel = w.makeNewChan && n < kMaxChannels;
  // A new channel's label, its room in the undo's label snapshot and its
  // log line are made before the channel is added: nothing after may fail.
  // No undo copy takes the channel back.
  PendingEditLog log(slot);
  if (newChannel) {
    std::string& snapshot = OldLabelStrings[slot][n / kLabelsPerString + 1];
    if (snapshot.size() < static_cast<size_t>(kLabelsPerString * kLabelWidth))
      snapshot.resize(kLabelsPerString * kLabelWidth, ' ');
    log.add(ChannelLogHeading(static_cast<int16_t>(n + 1), label) + "VO2 in water");
    log.reserve();
  } else if (MAKEBACKUP(w.chan1) != StoreStatus::Ok) {
    ShowAlert("There is no memory for the undo copy: nothing was computed.");
    return false;
  }
  plat::setCursor(plat::CursorKind::Watch);
  if (newChannel) {
    // Asked for a new channel, the user never gets the source written over.
    if (AddChannel(slot) != StoreStatus::Ok) {
      plat::setCursor(plat::CursorKind::Arrow);
      ShowAlert("There is no memory for a new channel: nothing was computed.");
      return false;
    }
    StoreChan = nChannels[slot];
    putNewLabel(slot, StoreChan, label);
  } else {
    StoreChan = w.chan1;
    SetChannelLabel(slot, w.chan1, label);
  }
  FileInfoFLOATS[slot][kInfoPressure] = w.pressure;
  ComputeWaterVO2(w, mass, dt, nominal, ChannelData(slot, w.chan1), flow ? ChannelData(slot, w.chan2) : nullptr,
                  ChannelData(slot, StoreChan), nCases[slot] + 1);
  plat::setCursor(plat::CursorKind::Arrow);
  FileSHORTS[slot][kShortChanged] = 1;
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, StoreChan);
  if (newChannel) log.commit();
  else LogChannelEdit(slot, StoreChan, "VO2 in water");
  if (row != 0) WaterToScriptStep(w, WaterFactor(w, mass, dt), nominal, ScriptSequenceArray[row]);
  LastChan = w.chan1;
  ActiveChannel = StoreChan;
  ActiveChannelArray[slot] = StoreChan;
  FileSHORTS[slot][kShortActiveChannel] = StoreChan;
  ChangedChan = StoreChan;
  bup();
  ShowEditedFile(slot, newChannel);
  return true;
}

}  // namespace

void WATERVO2(int16_t step) {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return;
  HelpSubject = 197;
  EditStep es = BeginEditStep(kWaterVO2Op, step);
  EditDialogScope scope;
  const int16_t n = nChannels[slot];
  auto end = [&](bool cancelled) {
    if (cancelled) WithdrawEditStep(es);
    plat::disposeWindow(kResultsWindow);
    plat::disposeWindow(kWaterChannelWindow);
    MakeNewChan = 0;
    plat::setCursor(plat::CursorKind::Arrow);
    ClearMailbox();
  };
  if (es.replay) {
    const float* info = FileInfoFLOATS[slot];
    const WaterVO2Settings w = WaterFromScriptStep(ScriptSequenceArray[es.row], info[kInfoTemperature],
                                                   info[kInfoPressure], info[kInfoEffectiveVolume]);
    toGlobals(w);
    if (w.waterSystem == 1) FileInfoFLOATS[slot][kInfoFlow] = ScriptSequenceArray[es.row][16];
    compute(w, WaterLabel(w), slot, 0);
    return end(false);
  }
  if (!firstWindow(slot) || !channelWindow(n)) return end(true);
  WaterVO2Settings w = fromGlobals();
  if (!mainWindow(&w, slot, n)) return end(true);
  const std::string label = plat::fieldText(kResultsWindow, kLabelField);
  toGlobals(w);
  if (!compute(w, label, slot, es.row)) return end(true);
  end(false);
}
