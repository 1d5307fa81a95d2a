#include "respirometry/ui/gasdialogs.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "editing/channelpick.h"
#include "editing/ui/editframe.h"
#include "editing/ui/picklists.h"
#include "output/results.h"
#include "output/scaling.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "respirometry/gasexchange.h"
#include "respirometry/gasphysics.h"
#include "respirometry/ui/respirometry_kit.h"
#include "shell/recording.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/help.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

int16_t TopL = 7;

namespace {

using namespace respkit;

bool returnKey() { return action == kActionKey && (eventID == 13 || eventID == 3); }

// The secondary window is left by Return, its close box, another window in
// front, or a pick in the edit menu.
bool secondaryLeft() {
  return EditPickPending() || action == kActionClose || returnKey() ||
         (action == kActionActivate && eventID != kSecondaryWindow);
}

// ---- Channel window -----------------------------------------------------------------

struct ChannelChoice {
  int16_t n = 0;
  bool flow = false;
};

// With a new channel to come, the last channel is not offered (as gas or flow).
bool lastChannelOff(const ChannelChoice& c, int16_t ch) { return MakeNewChan != 0 && ch == c.n; }

// The choice the buttons allow: a gas channel that is offered and, with the
// flow from a channel, an offered flow channel other than the gas channel.
bool choiceComplete(const ChannelChoice& c) {
  if (Chan1 < 1 || Chan1 > c.n || lastChannelOff(c, Chan1)) return false;
  if (!c.flow) return true;
  const int flowCh = chan2 - c.n;
  return flowCh >= 1 && flowCh <= c.n && flowCh != Chan1 && !lastChannelOff(c, static_cast<int16_t>(flowCh));
}

void markChannels(const ChannelChoice& c) {
  const int w = kSecondaryWindow;
  for (int16_t ch = 1; ch <= c.n; ++ch) {
    const bool gasOff = lastChannelOff(c, ch) || (c.flow && chan2 - c.n == ch);
    plat::setButtonState(w, ch, gasOff ? 0 : ch == Chan1 ? 2 : 1);
    if (c.flow) {
      const int16_t id = static_cast<int16_t>(c.n + ch);
      const bool flowOff = lastChannelOff(c, ch) || ch == Chan1;
      plat::setButtonState(w, id, flowOff ? 0 : id == chan2 ? 2 : 1);
    }
  }
  plat::setButtonState(w, kChannelsNext, choiceComplete(c) ? 1 : 0);
}

// ---- Flow configuration pictures ------------------------------------------------------

void box(plat::Port& p, plat::Rect r, const char* label) {
  p.setForeColor(kWhite);
  p.fillRect(r);
  p.setForeColor(kBlack);
  p.strokeRect(r);
  p.moveTo(r.left + 4, r.bottom - 6);
  p.drawText(label);
}

void arrow(plat::Port& p, int x1, int x2, int y) {
  p.moveTo(x1, y);
  p.lineTo(x2, y);
  p.fillPolygon({{x2, y - 3}, {x2 + 5, y}, {x2, y + 3}});
}

// The respirometer in outline, then the equation each mode applies to the
// fractional deflection F (times the flow and the STP factor).
void drawFlowDiagram(int win, int left, int top, bool masks) {
  plat::Port& p = plat::port(win);
  plat::FontSpec f;
  f.pixelSize = 10;
  p.setFont(f);
  p.resetPen();
  const int y = top + 20;
  p.setForeColor(kBlack);
  p.moveTo(left, y + 4);
  p.drawText("air");
  arrow(p, left + 18, left + 30, y);
  box(p, {left + 36, y - 10, left + 82, y + 10}, "flow");
  arrow(p, left + 82, left + 94, y);
  box(p, {left + 100, y - 10, left + 160, y + 10}, masks ? "mask" : "chamber");
  arrow(p, left + 160, left + 172, y);
  box(p, {left + 178, y - 10, left + 240, y + 10}, "analyzer");
  p.moveTo(left, y + 26);
  const bool co2 = GasType == kGasCO2;
  p.drawText(co2 ? "VCO2 = FR x STP x" : "VO2 = FR x STP x");
  const int count = co2 ? (masks ? 3 : 4) : 5;
  for (int m = 0; m < count; ++m) {
    p.moveTo(left, y + 42 + 14 * m);
    const char* eq = GasPictureEquation(co2 ? kGasCO2 : kGasO2, static_cast<int16_t>(masks ? m + 6 : m + 1));
    p.drawText(std::string(masks ? "Mask " : "") + "Mode " + std::to_string(m + 1) + ":  " + eq);
  }
  p.flush();
}

void modeButtons(int win, int count, bool masks, int16_t marked) {
  for (int m = 1; m <= count; ++m) {
    AddKitButton(win, m, plat::ButtonKind::Bevel, std::string(masks ? "Mask Mode " : "Mode ") + std::to_string(m),
                 {8, 8 + 26 * (m - 1), 108, 30 + 26 * (m - 1)}, m == marked ? 2 : 1);
  }
}

void remarkModes(int win, int count, int16_t marked) {
  for (int m = 1; m <= count; ++m) plat::setButtonState(win, m, m == marked ? 2 : 1);
}

// ---- Equation key -----------------------------------------------------------------------

void keyLine(plat::Port& p, int x, int y, const std::string& a, const std::string& b) {
  p.moveTo(x, y);
  p.drawText(a);
  p.drawText(b);
}

// The air temperature at the humidity sensor: a channel into tRHchan, or the
// constant RHtemp (0 in tRHchan), asked again while the constant lies outside
// -40 .. 100.
void askSensorTemperature() {
  const int16_t n = nChannels[TheFileInUse];
  if (RHtemp < -40.0f || RHtemp > 99.0f) RHtemp = 25.0f;
  do {
    const int raise = n > 15 ? 17 * (n - 14) : 0;
    const int listBottom = 70 + 18 * n;
    OpenDialogWindow(kSecondaryWindow, "RH sensor temperature", 330, listBottom + 64, -raise, 330);
    TRANSCHAN("temp", "", "channel, units", 8, 0, 8, 1);
    // With a new channel to come, the last channel may be the one it replaces.
    if (MakeNewChan != 0 && GasType != 99) plat::setButtonState(kSecondaryWindow, n, 0);
    AddKitButton(kSecondaryWindow, kConstantButton, plat::ButtonKind::Radio,
                 "Constant:", {8, listBottom + 6, 100, listBottom + 24});
    AddField(kSecondaryWindow, kTemperatureField, FieldNumText(RHtemp), {104, listBottom + 6, 160, listBottom + 22});
    AddPush(kSecondaryWindow, kTemperatureOK, "Temperature OK", {190, listBottom + 30, 322, listBottom + 52},
            plat::ButtonKind::DefaultPush);
    auto mark = [&] {
      for (int16_t c = 1; c <= n; ++c)
        if (plat::buttonState(kSecondaryWindow, c) != 0) plat::setButtonState(kSecondaryWindow, c, c == tRHchan ? 2 : 1);
      plat::setButtonState(kSecondaryWindow, kConstantButton, tRHchan == 0 ? 2 : 1);
    };
    if (tRHchan < 0 || tRHchan > n || (tRHchan != 0 && plat::buttonState(kSecondaryWindow, tRHchan) == 0)) tRHchan = 0;
    mark();
    plat::flushWindow(kSecondaryWindow);
    for (;;) {
      AwaitEvent();
      if (secondaryLeft()) break;
      if (action != kActionClick) continue;
      if (eventID == kTemperatureOK) break;
      if (eventID == kConstantButton) tRHchan = 0;
      else if (eventID >= 1 && eventID <= n) tRHchan = eventID;
      mark();
    }
    const std::string typed = plat::fieldText(kSecondaryWindow, kTemperatureField);
    RHtemp = static_cast<float>(TextToNum(typed.substr(0, 5)));
    plat::disposeWindow(kSecondaryWindow);
    ClearMailbox();
  } while ((RHtemp < -40.0f || RHtemp >= 100.0f) && !EditPickPending());
}

}  // namespace

// ---- FlowSetOK ----------------------------------------------------------------------------

int16_t FlowSetOK(const plat::MacText& gasText, int16_t step) {
  HelpSubject = 199;
  const auto slot = static_cast<int16_t>(TheFileInUse);
  ChannelChoice c;
  c.n = nChannels[slot];
  c.flow = FlowCH != 0;
  if (ReplaysWithoutDialog(step)) {
    if (c.flow) chan2 = static_cast<int16_t>(std::lround(ScriptSequenceArray[step][5]));
    return 0;
  }
  const MacText title = GasType == 99 ? MacText("Channel for RH Correction")
                        : c.flow      ? "Channels for " + gasText + " and Flow"
                                      : "Channel for " + gasText;
  const int raise = c.n > 15 ? 18 * (c.n - 14) : 0;
  OpenDialogWindow(kSecondaryWindow, title, 330, 70 + 18 * c.n + 34, -raise, 330);
  const MacText heading = GasType == kGasCO2 ? " CO2" : GasType == kGasWater ? " H2O" : "  O2";
  TRANSCHAN(heading, " flow", "channel, units", 8, 1, 8, 1);
  AddPush(kSecondaryWindow, kChannelsNext, "Next\xC9", {230, 70 + 18 * c.n, 320, 70 + 18 * c.n + 22},
          plat::ButtonKind::DefaultPush);

  // A channel that is not offered is never chosen for the user.
  Chan1 = lastChannelOff(c, ActiveChannel) ? 0 : ActiveChannel;
  const bool kept = chan2 > c.n && chan2 <= 2 * c.n && chan2 != Chan1 + c.n;
  if (kept && LastFlowChannelUsed >= 1 && LastFlowChannelUsed <= c.n)
    chan2 = static_cast<int16_t>(LastFlowChannelUsed + c.n);
  if (!kept && c.flow) {
    const int16_t last = static_cast<int16_t>(MakeNewChan != 0 ? c.n - 1 : c.n);
    const int16_t flowCh = Chan1 >= last ? static_cast<int16_t>(Chan1 - 1) : static_cast<int16_t>(Chan1 + 1);
    chan2 = static_cast<int16_t>(flowCh + c.n);
  }
  if (c.flow && lastChannelOff(c, static_cast<int16_t>(chan2 - c.n))) chan2 = 0;
  markChannels(c);
  plat::flushWindow(kSecondaryWindow);

  int16_t result = 1;
  for (;;) {
    AwaitEvent();
    if (EditPickPending()) break;
    if (action == kActionClose) break;
    const bool accept = (action == kActionClick && eventID == kChannelsNext) || returnKey() ||
                        (action == kActionActivate && eventID != kSecondaryWindow);
    if (accept) {
      if (choiceComplete(c)) {
        result = 0;
        break;
      }
      continue;
    }
    if (action == kActionClick && eventID >= 1 && eventID <= 2 * c.n &&
        plat::buttonState(kSecondaryWindow, eventID) != 0) {
      if (eventID <= c.n) Chan1 = eventID;
      else chan2 = eventID;
      markChannels(c);
    }
  }
  plat::disposeWindow(kSecondaryWindow);
  ClearMailbox();
  return result;
}

// ---- FLOWSYSTEM and MASKSYSTEMS ----------------------------------------------------------

int16_t MASKSYSTEMS() {
  HelpSubject = 199;
  const bool co2 = GasType == kGasCO2;
  const int count = co2 ? 3 : 5;
  if (co2 && FlowMode > 8) FlowMode = 8;
  OpenDialogWindow(kMaskWindow, "Flow Configuration  (Masks) ", 420, 8 + 26 * 5 + 40, 20, 420);
  modeButtons(kMaskWindow, count, true, static_cast<int16_t>(FlowMode - 5));
  AddPush(kMaskWindow, kModeNext, "Next\xC9", {320, 150, 410, 172}, plat::ButtonKind::DefaultPush);
  AddPush(kMaskWindow, kModeSwitch, "Chambers", {220, 150, 310, 172});
  AddPush(kMaskWindow, kModeHelp, "?", {8, 150, 30, 172});
  drawFlowDiagram(kMaskWindow, 122, 4, true);
  int16_t result = 2;
  for (;;) {
    AwaitEvent();
    if (EditPickPending() || action == kActionClose || (action == kActionActivate && eventID != kMaskWindow)) break;
    if (returnKey()) {
      result = 3;
      break;
    }
    if (action != kActionClick) continue;
    if (eventID >= 1 && eventID <= count) {
      FlowMode = static_cast<int16_t>(eventID + 5);
      remarkModes(kMaskWindow, count, eventID);
    } else if (eventID == kModeNext) {
      result = 3;
      break;
    } else if (eventID == kModeSwitch) {
      break;
    } else if (eventID == kModeHelp) {
      HelpSubject = 250;
      OpenHelpBook();
    }
  }
  plat::disposeWindow(kMaskWindow);
  plat::disposeWindow(kEquationWindow);
  ClearMailbox();
  return result;
}

int16_t FLOWSYSTEM() {
  HelpSubject = 199;
  const bool co2 = GasType == kGasCO2;
  const int count = co2 ? 4 : 5;
  int16_t cancelled = 0;
  bool accepted = false;
  if (FlowMode > 5) {
    if (MASKSYSTEMS() == 3) accepted = true;
    else FlowMode = 1;
  }
  while (!accepted && cancelled == 0 && !EditPickPending()) {
    if (co2 && FlowMode > 4 && FlowMode <= 5) FlowMode = 4;
    OpenDialogWindow(kSecondaryWindow, "Flow Configuration  (Chambers) ", 420, 8 + 26 * 5 + 40, 0, 420);
    modeButtons(kSecondaryWindow, count, false, FlowMode);
    AddPush(kSecondaryWindow, kModeNext, "Next\xC9", {320, 150, 410, 172}, plat::ButtonKind::DefaultPush);
    AddPush(kSecondaryWindow, kModeSwitch, "Masks", {220, 150, 310, 172});
    AddPush(kSecondaryWindow, kModeHelp, "?", {8, 150, 30, 172});
    drawFlowDiagram(kSecondaryWindow, 122, 4, false);
    bool again = false;
    while (!again) {
      AwaitEvent();
      if (EditPickPending() || action == kActionClose) {
        cancelled = 1;
        break;
      }
      if (returnKey() || (action == kActionActivate && eventID != kSecondaryWindow) ||
          (action == kActionClick && eventID == kModeNext)) {
        accepted = true;
        break;
      }
      if (action != kActionClick) continue;
      if (eventID >= 1 && eventID <= count) {
        FlowMode = eventID;
        remarkModes(kSecondaryWindow, count, eventID);
      } else if (eventID == kModeSwitch) {
        if (MASKSYSTEMS() == 3) {
          accepted = true;
          break;
        }
        FlowMode = 1;
        again = true;
      } else if (eventID == kModeHelp) {
        HelpSubject = 250;
        OpenHelpBook();
      }
    }
  }
  plat::disposeWindow(kSecondaryWindow);
  plat::disposeWindow(kEquationWindow);
  ClearMailbox();
  // The incurrent humidity is asked also after a cancel, unless a menu pick waits.
  if (!EditPickPending() && GasAsksHumidity(GasType, FlowMode)) WaterComp(0);
  return cancelled;
}

// ---- GETVCO2CHANNEL ------------------------------------------------------------------------

void GETVCO2CHANNEL() {
  const int16_t keptFlow = FlowCH;
  FlowCH = 0;
  HelpSubject = 199;
  const bool vo2 = GasType == kGasO2;
  OpenDialogWindow(kSecondaryWindow, vo2 ? "Oxygen consumption: second gas" : "CO2 production: second gas", 330,
                   200, 0, 330);
  if (plat::nibTemplateAvailable("VXWindow")) {
    plat::addTextView(kSecondaryWindow, 1, {8, 8, 322, 112}, false);
    TxtViewLoadText({kSecondaryWindow, 1}, vo2 ? 3 : 4);
  }
  AddPush(kSecondaryWindow, kUseRate, vo2 ? "Use VCO2" : "Use VO2", {8, 122, 108, 144});
  AddPush(kSecondaryWindow, kUsePerCent, vo2 ? "Use %CO2" : "Use %O2", {116, 122, 216, 144});
  AddPush(kSecondaryWindow, kHelpButton, "?", {296, 122, 322, 144});
  AddPush(kSecondaryWindow, kConstantRQ, "Constant RQ", {8, 160, 120, 182}, plat::ButtonKind::DefaultPush);
  DrawLabel(kSecondaryWindow, 136, 176, "current RQ is:");
  AddField(kSecondaryWindow, kRQField, NumText(RQ), {230, 162, 290, 180});
  plat::flushWindow(kSecondaryWindow);
  for (;;) {
    AwaitEvent();
    if (secondaryLeft()) break;
    if (action != kActionClick) continue;
    if (eventID == kUseRate || eventID == kUsePerCent) {
      UseVCO2 = static_cast<int16_t>(eventID - 10);
      plat::setButtonState(kSecondaryWindow, kUseRate, UseVCO2 == 1 ? 2 : 1);
      plat::setButtonState(kSecondaryWindow, kUsePerCent, UseVCO2 == 2 ? 2 : 1);
    } else if (eventID == kHelpButton) {
      HelpSubject = 252;
      OpenHelpBook();
    } else {
      UseVCO2 = 0;
      break;
    }
  }
  RQ = PositiveFieldOrKeep(kSecondaryWindow, kRQField, RQ, "The RQ must be above 0");
  plat::disposeWindow(kSecondaryWindow);
  ClearMailbox();

  if ((UseVCO2 == 1 || UseVCO2 == 2) && !EditPickPending()) {
    const int16_t n = nChannels[TheFileInUse];
    const MacText heading = vo2 ? (UseVCO2 == 1 ? "VCO2" : "%CO2") : (UseVCO2 == 1 ? "VO2" : "%O2");
    const int raise = n >= 14 ? 20 * (n - 12) : 0;
    OpenDialogWindow(kSecondaryWindow, vo2 ? "Select Channel for VCO2 or %CO2" : "Select Channel for VO2 or %O2",
                     330, 70 + 18 * n + 34, -raise, 330);
    upvip();
    TRANSCHAN(heading, "", "channel, units", 8, 0, 8, 1);
    AddPush(kSecondaryWindow, kVCO2Next, "Next\xC9", {230, 70 + 18 * n, 320, 70 + 18 * n + 22},
            plat::ButtonKind::DefaultPush, 0);
    bool chosen = false;
    if (VCO2channel >= 1 && VCO2channel <= n) plat::setButtonState(kSecondaryWindow, VCO2channel, 2);
    plat::flushWindow(kSecondaryWindow);
    for (;;) {
      AwaitEvent();
      if (EditPickPending() || action == kActionClose) {
        UseVCO2 = 0;
        break;
      }
      const bool accept = returnKey() || (action == kActionActivate && eventID != kSecondaryWindow) ||
                          (action == kActionClick && eventID == kVCO2Next);
      if (accept) {
        if (chosen || (VCO2channel >= 1 && VCO2channel <= n)) break;
        continue;
      }
      if (action == kActionClick && eventID >= 1 && eventID <= n) {
        if (VCO2channel >= 1 && VCO2channel <= n) plat::setButtonState(kSecondaryWindow, VCO2channel, 1);
        VCO2channel = eventID;
        chosen = true;
        plat::setButtonState(kSecondaryWindow, eventID, 2);
        plat::setButtonState(kSecondaryWindow, kVCO2Next, 1);
      }
    }
    plat::disposeWindow(kSecondaryWindow);
    ClearMailbox();
  }
  FlowCH = keptFlow;
}

// ---- RH_Temp_Calcs --------------------------------------------------------------------------

bool RealBPGiven = false;

void RH_Temp_Calcs(const plat::MacText&, int16_t mode, int16_t constantFlag) {
  HelpSubject = 199;
  PlayNamedSound("bub3");
  // Water loss asks for the real pressure below the surface temperature.
  const int buttonsTop = mode == 0 ? 196 : 166;
  // The humidity sensor's pressure: a mass-flow meter's file may say 760 torr.
  const float pressure =
      RealBPGiven || TheFileInUse >= kMaxOpenFiles ? realBP : FileInfoFLOATS[TheFileInUse][kInfoPressure];
  OpenDialogWindow(kSecondaryWindow, "Evaporative Water Loss", 330, buttonsTop + 44, 0, 330);
  if (plat::nibTemplateAvailable("waterWindow")) {
    plat::addTextView(kSecondaryWindow, 1, {8, 8, 322, 84}, false);
    TxtViewLoadText({kSecondaryWindow, 1}, 2);
  }
  if (mode == 0) {
    BuildBOX(8, 92, 322, 184);
    DrawLabel(kSecondaryWindow, 14, 110, "Approximate temperature of the evaporating surface (\xA1" "C):");
    DrawLabel(kSecondaryWindow, 14, 142, "(This affects the latent heat of vaporization.) ");
    AddField(kSecondaryWindow, kSurfaceField, "30", {240, 116, 300, 132});
    DrawLabel(kSecondaryWindow, 14, 170, "REAL ambient pressure, not STP (torr):");
    AddField(kSecondaryWindow, kRealPressureField, NumText(pressure), {240, 156, 300, 172});
  } else {
    AddStatic(kSecondaryWindow, kSurfaceField,
              GasType == 99 ? "Compensation for the water vapor fraction of sensor gas"
                            : "Flow rate compensation for water vapor in incurrent gas",
              {14, 100, 322, 140});
  }
  const bool askUnit = !(constantFlag != 0 && WaterChannel == kHumidityConstant);
  if (askUnit) {
    AddPush(kSecondaryWindow, kRelativeHumidity, "% Relative Humidity", {8, buttonsTop, 160, buttonsTop + 22},
            plat::ButtonKind::DefaultPush);
    AddPush(kSecondaryWindow, kDewPoint, "Dew Point (\xA1" "C) ", {170, buttonsTop, 322, buttonsTop + 22});
  } else {
    AddPush(kSecondaryWindow, kRelativeHumidity, "OK", {230, buttonsTop, 322, buttonsTop + 22},
            plat::ButtonKind::DefaultPush);
  }
  plat::flushWindow(kSecondaryWindow);
  int16_t chosen = kRelativeHumidity;
  for (;;) {
    AwaitEvent();
    if (secondaryLeft()) break;
    if (action == kActionClick && (eventID == kRelativeHumidity || eventID == kDewPoint)) {
      chosen = eventID;
      break;
    }
  }
  if (askUnit) RHunit = static_cast<int16_t>(chosen - 10);
  if (mode == 0 && plat::controlExists(kSecondaryWindow, kRealPressureField)) {
    realBP = PositiveFieldOrKeep(kSecondaryWindow, kRealPressureField, pressure,
                                 "The ambient pressure must be above 0 torr");
    RealBPGiven = true;
  }
  latent = LatentHeat(mode == 0 ? static_cast<float>(TextToNum(plat::fieldText(kSecondaryWindow, kSurfaceField)))
                                : 0.0f);
  plat::disposeWindow(kSecondaryWindow);
  ClearMailbox();
  if (RHunit != 1 || EditPickPending()) return;

  askSensorTemperature();
}

// ---- FLOWSTUFF -------------------------------------------------------------------------------

void FLOWSTUFF() {
  const int win = plat::currentPortWindow();
  if (!win || TheFileInUse >= kMaxOpenFiles) return;
  const float* w = FileInfoFLOATS[TheFileInUse];
  const int top = TopL + 80;
  GrayBOX(1, 8, static_cast<int16_t>(top), 200, static_cast<int16_t>(top + 122));
  BuildBOX(8, static_cast<int16_t>(top), 200, static_cast<int16_t>(top + 122));
  struct Row {
    int16_t id;
    const char* label;
    float value;
  };
  const Row rows[] = {
      {kMassField, "mass (g):", w[kInfoMass]},
      {kPressureParamField, "B.P. (torr):", w[kInfoPressure]},
      {kTemperatureParamField, "flow temp (\xA1" "C):", w[kInfoTemperature]},
      {kVolumeField, "ef. volume (ml):", w[kInfoEffectiveVolume]},
  };
  int y = top + 8;
  if (FlowCH == 0) {
    DrawLabel(win, 14, y + 13, prefsArray[kPrefFlowInLitres] != 0 ? "flow (L/min):" : "flow (ml/min):");
    AddField(win, kFlowField, NumText(w[kInfoFlow]), {112, y, 192, y + 18});
    y += 22;
  }
  for (const Row& r : rows) {
    DrawLabel(win, 14, y + 13, r.label);
    AddField(win, r.id, NumText(r.value), {112, y, 192, y + 18});
    y += 22;
  }
}

// ---- WaterComp --------------------------------------------------------------------------------

void WaterComp(int16_t mode) {
  HelpSubject = 199;
  if (mode == 0) {
    if (FlowMode == 4 && GasType == kGasCO2) DryAir = 0;
    if (FlowMode < 8 && DryAir != 0) return;
    Zap();
  }
  OpenDialogWindow(kHumidityWindow, "Humidity Correction", 420, 170, 0, 420, false);
  const MacText intro =
      mode == 1 ? MacText("\xA5  Having selected a channel, we must calculate what fraction of the analyzed gas volume "
                          "was water vapor.   To accomplish this, enter humidity data into the following series of "
                          "windows.")
                : MacText("\xA5  In this setup, flowrate may be inaccurate due to the water content of incurrent gas.  "
                          "To compensate, enter humidity data into the following series of windows.");
  AddStatic(kHumidityWindow, 3, intro, {8, 8, 412, 64});
  AddStatic(kHumidityWindow, 4, "First, enter the REAL ambient barometric pressure (NOT corrected to STP) ",
            {8, 70, 412, 88});
  DrawLabel(kHumidityWindow, 14, 112, "ambient pressure:");
  AddField(kHumidityWindow, kPressureField, NumText(realBP), {130, 98, 200, 116});
  DrawLabel(kHumidityWindow, 206, 112, "torr");
  AddPush(kHumidityWindow, kHumidityDone, "Done", {320, 136, 412, 158}, plat::ButtonKind::DefaultPush);
  if (mode == 0) AddPush(kHumidityWindow, kDoNotCompensate, "DO NOT compensate", {160, 136, 310, 158});
  AddPush(kHumidityWindow, kHelpButton, "?", {8, 136, 30, 158});
  plat::focusField(kHumidityWindow, kPressureField, true);
  plat::flushWindow(kHumidityWindow);
  bool refused = false;
  for (;;) {
    AwaitEvent();
    bool done = EditPickPending() || action == kActionKey || (action == kActionActivate && eventID != kHumidityWindow);
    if (!done && action == kActionClick) {
      if (eventID == kHelpButton) {
        HelpSubject = 254;
        OpenHelpBook();
      } else if (eventID == kHumidityDone) {
        done = true;
      } else if (eventID == kDoNotCompensate && mode == 0) {
        refused = true;
        break;
      }
    }
    if (!done) continue;
    // A pressure the chain cannot use keeps the window open on it, as the
    // units window does for B.P.; a menu pick or Escape still leaves.
    double typedBP = 0.0;
    const bool leaveOnly = EditPickPending() || (action == kActionKey && eventID == 27);
    if (leaveOnly || !plat::windowExists(kHumidityWindow) ||
        (ParseFieldNumber(plat::fieldText(kHumidityWindow, kPressureField), &typedBP) && typedBP > 0.0 &&
         typedBP < 3.4e38))
      break;
    ShowAlert("The ambient pressure must be above 0 torr.");
    if (plat::windowExists(kHumidityWindow)) {
      plat::selectWindow(kHumidityWindow);
      plat::focusField(kHumidityWindow, kPressureField, true);
    }
  }
  realBP = PositiveFieldOrKeep(kHumidityWindow, kPressureField, realBP, "The ambient pressure must be above 0 torr");
  RealBPGiven = true;
  plat::disposeWindow(kHumidityWindow);
  wsst();
  ClearMailbox();
  if (refused) {
    WaterChannel = kHumidityNone;
    return;
  }
  if (EditPickPending()) return;

  const int16_t n = nChannels[TheFileInUse];
  const int listBottom = 70 + 18 * n;
  OpenDialogWindow(kHumidityWindow, mode == 1 ? "Humidity Correction: H2O Chan." : "Flow Compensation: H2O Chan.", 330,
                   listBottom + 64, 0, 330);
  TRANSCHAN(" H2O", "", "channel, units", 8, 0, 8, 1);
  AddKitButton(kHumidityWindow, kConstantButton, plat::ButtonKind::Radio, "Constant RH:",
               {8, listBottom + 6, 110, listBottom + 24});
  AddField(kHumidityWindow, kConstantRHField, FieldNumText(compRH), {114, listBottom + 6, 170, listBottom + 22});
  DrawLabel(kHumidityWindow, 176, listBottom + 19, "%");
  AddPush(kHumidityWindow, kHumidityOK, "OK", {230, listBottom + 30, 322, listBottom + 52},
          plat::ButtonKind::DefaultPush);
  if (WaterChannel < 1 || WaterChannel > n) WaterChannel = kHumidityConstant;
  auto mark = [&] {
    for (int16_t c = 1; c <= n; ++c) plat::setButtonState(kHumidityWindow, c, c == WaterChannel ? 2 : 1);
    plat::setButtonState(kHumidityWindow, kConstantButton, WaterChannel == kHumidityConstant ? 2 : 1);
  };
  mark();
  plat::flushWindow(kHumidityWindow);
  for (;;) {
    AwaitEvent();
    if (action == kActionClose) {
      WaterChannel = kHumidityConstant;
      break;
    }
    if (EditPickPending() || action == kActionKey || (action == kActionActivate && eventID != kHumidityWindow))
      break;
    if (action != kActionClick) continue;
    if (eventID == kHumidityOK) break;
    if (eventID == kConstantButton || (eventID >= 1 && eventID <= n)) {
      WaterChannel = eventID;
      mark();
    }
  }
  compRH = std::clamp(static_cast<float>(TextToNum(plat::fieldText(kHumidityWindow, kConstantRHField))), 0.0f,
                      100.0f);
  plat::disposeWindow(kHumidityWindow);
  ClearMailbox();
  if (EditPickPending()) return;
  if (WaterChannel >= 1 && WaterChannel <= kMaxChannels) RH_Temp_Calcs("", 1, 0);
  // A constant RH needs the sensor's temperature as much as a channel does;
  // one left by an earlier run would be used unseen.
  else if (WaterChannel == kHumidityConstant) askSensorTemperature();
}

// ---- GASUNITS ----------------------------------------------------------------------------------

void GASUNITS(const plat::MacText&, int16_t left, int16_t top) {
  HelpSubject = 136;
  const bool o2 = GasType == kGasO2;
  const plat::Rect plot = PlotContentRect();
  const int x = plot.left + left, y = plot.top + BottomOfPlotArea + top;
  OpenDialogAt(kHeatWindow, "Heat Equivalence", {x, y, x + 300, y + 190});
  wsst();
  {
    plat::Port& p = plat::port(kHeatWindow);
    plat::setCurrentPort(kHeatWindow);
    DoSubscript(14, 26, o2 ? " Joules/ml O" : "Joules/ml CO", "2", ":", 4);
    p.flush();
  }
  // Whole: Done reads the field back, and a text cut to 6 characters
  // changed a typed 20.0853 to 20.085.
  AddField(kHeatWindow, kHeatField, FieldNumText(o2 ? flowconO : flowconC), {130, 12, 200, 30});
  for (int b = 1; b <= 4; ++b) {
    static const char* const kNames[4] = {"Carbohydrate = ", "Lipids = ", "Protein -> Urea = ",
                                          "Protein -> Urate = "};
    const std::string title = kNames[b - 1] + FieldNumText(StandardHeatEquivalent(GasType, b)) + " J/ml";
    AddPush(kHeatWindow, static_cast<int16_t>(b), title, {14, 40 + 26 * (b - 1), 230, 62 + 26 * (b - 1)});
  }
  AddPush(kHeatWindow, kHeatDone, "Done", {240, 160, 292, 182}, plat::ButtonKind::DefaultPush);
  plat::flushWindow(kHeatWindow);
  for (;;) {
    AwaitEvent();
    if (EditPickPending() || action == kActionClose || returnKey()) break;
    if (action != kActionClick) continue;
    if (eventID == kHeatDone) break;
    if (eventID >= 1 && eventID <= 4)
      plat::setFieldText(kHeatWindow, kHeatField, FieldNumText(StandardHeatEquivalent(GasType, eventID)));
  }
  // A typo would multiply every later energy result and stay in the
  // preferences: what is not a number above 0 keeps the one before.
  float& kept = o2 ? flowconO : flowconC;
  const float joules =
      PositiveFieldOrKeep(kHeatWindow, kHeatField, kept,
                          o2 ? "\"Joules/ml O2\": a heat equivalent must be a number above 0"
                             : "\"Joules/ml CO2\": a heat equivalent must be a number above 0");
  kept = joules;
  plat::disposeWindow(kHeatWindow);
  bup();
  flowcon = GasHeatFactor(joules);
  if (TheFileInUse < kMaxOpenFiles && FileInfoFLOATS[TheFileInUse][kInfoMass] == 0.0f)
    FileInfoFLOATS[TheFileInUse][kInfoMass] = 1.0f;
  ClearMailbox();
}

// ---- SHOWGASEQUATION -----------------------------------------------------------------------------

void SHOWGASEQUATION() {
  HelpSubject = GasEquationText(GasType, UseVCO2, FlowMode);
  const char* gas = GasType == kGasCO2 ? "CO2" : GasType == kGasWater ? "H2O" : "O2";
  const plat::Rect plot = PlotContentRect();
  OpenDialogAt(kEquationWindow, std::string("Equation for V") + gas,
               {plot.left + 20, plot.top + 20, plot.left + 560, plot.top + 440});
  if (plat::nibTemplateAvailable("equationsWindow")) {
    plat::addTextView(kEquationWindow, kEquationText, {8, 8, 532, 290}, false);
    TxtViewLoadText({kEquationWindow, kEquationText}, static_cast<int16_t>(HelpSubject));
  }
  plat::setCurrentPort(kEquationWindow);
  plat::Port& p = plat::port(kEquationWindow);
  plat::FontSpec f;
  f.pixelSize = 15;
  p.setFont(f);
  p.setForeColor(kBlack);
  const int x = 12;
  int y = 312;
  keyLine(p, x, y, "Symbols:  ", "FR:   flow rate   ");
  if (GasType != kGasWater) p.drawText("RQ:   respiratory quotient");
  y += 20;
  if (GasType != kGasWater) {
    keyLine(p, x, y, "STP:    ", "correction to standard pressure & temperature");
    y += 20;
    DoSubscript(x, y, "FeO", "2", "", 4);
    DoSubscript(static_cast<int16_t>(p.pen().x), y, ", FiO", "2", ":    excurrent and incurrent fractional O", 4);
    DoSubscript(static_cast<int16_t>(p.pen().x), y, "", "2", " concentrations", 4);
    y += 20;
    DoSubscript(x, y, "FeCO", "2", "", 4);
    DoSubscript(static_cast<int16_t>(p.pen().x), y, ", FiCO", "2", ":    excurrent and incurrent fractional CO", 4);
    DoSubscript(static_cast<int16_t>(p.pen().x), y, "", "2", " concentrations", 4);
  } else {
    keyLine(p, x, y, "STP:  ", "correction to standard pressure & temperature");
    y += 20;
    DoSubscript(x, y, "FeH", "2", "O, FiH", 4);
    DoSubscript(static_cast<int16_t>(p.pen().x), y, "", "2", "O:    excurrent and incurrent water  vapor concentrations",
                4);
  }
  AddPush(kEquationWindow, kEquationClose, "Close", {450, 390, 532, 412}, plat::ButtonKind::DefaultPush);
  p.flush();
  wsst();
  for (;;) {
    AwaitEvent();
    if (action != 0 || EditPickPending()) break;
  }
  bup();
  plat::disposeWindow(kEquationWindow);
  plat::flushInput();
  ClearMailbox();
}
