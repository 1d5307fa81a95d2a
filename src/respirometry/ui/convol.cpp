#include "respirometry/ui/convol.h"

#include <string>

#include "analyses/statspanel.h"
#include "output/results.h"
#include "output/scaling.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "respirometry/aquatic.h"
#include "respirometry/gasexchange.h"
#include "respirometry/gasphysics.h"
#include "respirometry/gasunits.h"
#include "respirometry/ui/respirometry_kit.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/help.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

using namespace respkit;

float typed(int16_t id) { return static_cast<float>(TextToNum(plat::fieldText(kConvolWindow, id))); }

void markSpecies() {
  const bool o2 = GasType != kGasCO2;
  plat::setButtonState(kConvolWindow, kConvolOxygen, o2 ? 2 : 1);
  plat::setButtonState(kConvolWindow, kConvolCO2, o2 ? 1 : 2);
  plat::setButtonState(kConvolWindow, kConvolYes, !o2 ? 0 : abCO2 != 0 ? 2 : 1);
  plat::setButtonState(kConvolWindow, kConvolNo, !o2 ? 0 : abCO2 != 0 ? 1 : 2);
}

}  // namespace

int16_t CONVOL() {
  HelpSubject = 200;
  MakeNewChan = 0;
  Chan1 = ActiveChannel;
  if (TheFileInUse >= kMaxOpenFiles) return 0;
  float* info = FileInfoFLOATS[TheFileInUse];
  HandlerScope keep;
  InstallDialogHandlers();
  const plat::Rect plot = PlotContentRect();
  const int left = plot.left, top = plot.top + BottomOfPlotArea + 125;
  OpenDialogAt(kConvolWindow, "Constant Volume Respirometry", {left, top, left + 314, top + 250});
  plat::setCurrentPort(kConvolWindow);
  PlayNamedSound("upvip");
  if (GasType != kGasCO2) GasType = kGasO2;
  if (Tminutes <= 0.0f) Tminutes = 1.0f;
  const int w = kConvolWindow;
  BuildBOX(10, 3, 300, 25);
  DrawLabel(w, 25, 19, "gas species:");
  AddCheck(w, kConvolOxygen, "Oxygen", {120, 7, 190, 23}, false, true);
  AddCheck(w, kConvolCO2, "CO2", {210, 7, 260, 23}, false, true);
  const struct {
    int16_t id;
    const char* caption;
    int x, y;
    float value;
  } rows[] = {
      {kConvolVolume, "chamber volume (ml):", 73, 45, info[kInfoEffectiveVolume]},
      {kConvolMinutes, "elapsed time (min):", 88, 67, Tminutes},
      {kConvolPressure, "barometric pressure (torr):", 35, 90, info[kInfoPressure]},
      {kConvolTemperature, "ambient temperature (\xA1" "C):", 44, 112, info[kInfoTemperature]},
      {kConvolRH, "initial R.H. (%):", 115, 134, startRH},
  };
  for (const auto& r : rows) {
    DrawLabel(w, r.x, r.y, r.caption);
    AddField(w, r.id, FieldNumText(r.value), {210, r.y - 12, 300, r.y + 3});
  }
  BuildBOX(5, 149, 306, 172);
  plat::setCurrentPort(w);
  DoSubscript(15, 166, "is excurrent CO", "2", "  absorbed?", 3);
  AddCheck(w, kConvolYes, "Yes", {202, 154, 260, 170}, false, true);
  AddCheck(w, kConvolNo, "No", {263, 154, 303, 170}, false, true);
  plat::setCurrentPort(w);
  DoSubscript(11, 193, "FiO", "2", " = ", 3);
  AddField(w, kConvolFiO2, FieldNumText(FiO2), {58, 180, 123, 196});
  DrawLabel(w, 128, 193, "%");
  plat::setCurrentPort(w);
  DoSubscript(162, 193, "FiCO", "2", " = ", 3);
  AddField(w, kConvolFiCO2, FieldNumText(FiCO2), {218, 180, 280, 196});
  DrawLabel(w, 285, 193, "%");
  DrawLabel(w, 24, 217, "RQ:");
  AddField(w, kConvolRQ, FieldNumText(RQ), {58, 204, 123, 220});
  AddPush(w, kConvolDone, "Done", {145, 215, 290, 235}, plat::ButtonKind::DefaultPush);
  markSpecies();
  plat::flushWindow(w);

  // A value the result cannot be formed from keeps the window open on it;
  // the close box and Escape leave with nothing stored instead.
  bool store = true;
  for (;;) {
    ClearMailbox();
    while (action == 0) plat::pump();
    const bool leaveOnly = action == kActionClose || (action == kActionKey && eventID == 27);
    const bool ends = leaveOnly || action == kActionKey || (action == kActionActivate && eventID != w) ||
                      (action == kActionClick && eventID == kConvolDone);
    if (ends) {
      if (action == kActionKey && (eventID == '?' || eventID == '/')) OpenHelpBook();
      const int16_t refused = !(typed(kConvolMinutes) > 0.0f)  ? kConvolMinutes
                              : !(typed(kConvolPressure) > 0.0f) ? kConvolPressure
                                                                 : 0;
      if (refused == 0) break;
      if (leaveOnly) {
        store = false;
        break;
      }
      ShowAlert(refused == kConvolMinutes ? "The elapsed time must be above 0 min."
                                          : "The barometric pressure must be above 0 torr.");
      if (plat::windowExists(w)) {
        plat::selectWindow(w);
        plat::focusField(w, refused, true);
      }
      continue;
    }
    if (action != kActionClick) continue;
    if (eventID == kConvolOxygen) GasType = kGasO2;
    else if (eventID == kConvolCO2) GasType = kGasCO2;
    else if (eventID == kConvolYes) abCO2 = 1;
    else if (eventID == kConvolNo) abCO2 = 0;
    markSpecies();
  }
  if (!store) {
    plat::disposeWindow(w);
    if (plat::windowExists(kResultsWindow)) plat::setCurrentPort(kResultsWindow);
    ClearMailbox();
    return 0;
  }
  info[kInfoEffectiveVolume] = typed(kConvolVolume);
  Tminutes = typed(kConvolMinutes);
  FiO2 = typed(kConvolFiO2);
  FiCO2 = typed(kConvolFiCO2);
  RQ = typed(kConvolRQ);
  startRH = typed(kConvolRH);
  info[kInfoPressure] = typed(kConvolPressure);
  info[kInfoTemperature] = typed(kConvolTemperature);
  float rho = 0.0f;
  if (startRH > 0.0f) {
    RHtemp = info[kInfoTemperature];
    RHFactor = WATERCON(RHtemp);
    rho = RHFactor;
  }
  STPfactor = ConstantVolumeStpFactor(info[kInfoEffectiveVolume], info[kInfoTemperature], info[kInfoPressure],
                                      startRH, rho, Tminutes);
  plat::disposeWindow(w);
  if (plat::windowExists(kResultsWindow)) plat::setCurrentPort(kResultsWindow);
  ClearMailbox();
  return 0;
}
