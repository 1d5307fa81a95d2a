#include "respirometry/ui/effvolume.h"

#include <string>

#include "analyses/statspanel.h"
#include "analyses/ui/statspanel.h"
#include "editing/ui/editframe.h"
#include "output/results.h"
#include "output/ui/analysiskit.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "respirometry/aquatic.h"
#include "respirometry/gasunits.h"
#include "respirometry/ui/respirometry_kit.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/help.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

using namespace respkit;

bool helpKey() { return action == kActionKey && (eventID == '?' || eventID == '/'); }

// The flow typed into the first window; false when it closed.
bool askFlow(const std::string& title, float* flow) {
  OpenDialogWindow(kEffVolumeWindow, title, 330, 140, 0, 330);
  const int w = kEffVolumeWindow;
  GrayBOX(1, 6, 6, 324, 72);
  DrawLabel(w, 14, 24, "Effective volume from a washout curve");
  DrawLabel(w, 14, 44, "Gas data must be in units of % concentration");
  DrawLabel(w, 14, 62, "with the baseline corrected to zero");
  DrawLabel(w, 14, 96, "Flow rate ");
  {
    plat::Port& p = plat::port(w);
    p.setTextFace(true, false, false);
    p.drawText("(ml/min):");
    p.setTextFace(false, false, false);
  }
  AddField(w, kEffVolumeFlowField, NumText(FileInfoFLOATS[TheFileInUse][kInfoFlow]), {140, 82, 220, 100});
  AddPush(w, kEffVolumeCompute, "Compute Effective Volume", {120, 110, 324, 132}, plat::ButtonKind::DefaultPush);
  plat::flushWindow(w);
  for (;;) {
    AwaitEvent();
    if (EditPickPending() || action == kActionClose) return false;
    if (helpKey()) OpenHelpBook();
    if (action == kActionKey || (action == kActionActivate && eventID != w) ||
        (action == kActionClick && eventID == kEffVolumeCompute)) {
      *flow = static_cast<float>(TextToNum(plat::fieldText(w, kEffVolumeFlowField)));
      return true;
    }
  }
}

}  // namespace

void EFFECTIVEVOLUME() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return;
  HelpSubject = 198;
  plat::setCursor(plat::CursorKind::Arrow);
  plat::disposeWindow(kSecondaryWindow);
  plat::disposeWindow(kResultsWindow);
  EditDialogScope modal;
  GasType = kGasO2;
  const int16_t ch = ActiveChannel;
  const std::string title = "Effective Volume, Channel" + NumText(ch);
  const bool block = FileSHORTS[slot][kShortBlockState] == 2;
  const int32_t first = BeginBlock[slot], last = EndBlock[slot];
  const float dt = FileInfoFLOATS[slot][kInfoInterval];

  WashoutResult r;
  WashoutStatus st = WashoutStatus::BlockTooShort;
  for (;;) {
    float flow = 0.0f;
    if (!askFlow(title, &flow)) {
      plat::disposeWindow(kEffVolumeWindow);
      return;
    }
    const float* values = ChannelData(slot, ch);
    float* scratch = ChannelData(slot, 0);
    if (!block || !values || !scratch || first < 0 || last > nCases[slot]) st = WashoutStatus::BlockTooShort;
    else st = EffectiveVolume(values, first, last, flow, dt, scratch, &r);
    if (st == WashoutStatus::Ok || st == WashoutStatus::NoUsablePoints) break;
    ShowAlert(WashoutStatusText(st));   // the window stays for another try
  }
  plat::disposeWindow(kEffVolumeWindow);
  PutDatum(slot, 0, 0, 0.0f);

  OpenResultsWIndow(0, 1, 1, title, 0);
  FitResultsWindow(232);
  plat::setCurrentPort(kResultsWindow);
  const int w = kResultsWindow;
  plat::Port& p = plat::port(w);
  // Two header lines above the clock's band (31 to 46), which the panel
  // clears before it writes the clock.
  p.moveTo(4, 13);
  p.drawText("  Channel" + NumText(ch) + "   ");
  p.setTextFace(true, false, false);
  p.drawText(TrimTrailingBlanks(RetrieveLabel(ch)));
  p.setTextFace(false, false, false);
  bool inMinutes = false;
  const std::string duration = WashoutDurationText(r.usable, dt, &inMinutes);
  minutes = inMinutes ? 1 : 0;
  p.moveTo(4, 28);
  p.drawText(" cases" + NumText(first) + " to" + NumText(last) + ";  duration" + duration);
  meanValue = r.mean;
  StandardDeviation = r.sd;
  nrPoints = r.usable;
  mi = r.smallest;
  ma = r.largest;
  x1float = static_cast<float>(first);
  x2 = static_cast<float>(last);
  if (st == WashoutStatus::Ok) {
    const uint16_t keptCV = DoConstantVolume;
    DoConstantVolume = 0;   // a volume, not a gas mean to convert
    row = 6;                // the duration is the header's: usable pairs times dt
    BasicSTATS(99);
    DoConstantVolume = keptCV;
  } else {
    DrawLabel(w, 20, 80, WashoutStatusText(st));
  }
  DoubleLINE(0, 450, 48);
  if (r.unusable > 0) {
    p.setForeColor(plat::Rgb16{0xFFFF, 0xE000, 0x6000});
    p.fillRect({4, 162, 446, 186});
    p.setForeColor(kBlack);
    p.strokeRect({4, 162, 446, 186});
    DrawLabel(w, 20, 179, "Caution:  some points were not usable!");
    Zap();
  }
  if (st == WashoutStatus::Ok)
    AddPush(w, kEffVolumeStore, "Store Effective Volume; Exit", {20, 198, 240, 220});
  AddPush(w, kEffVolumeDone, "Done", {340, 198, 440, 220}, plat::ButtonKind::DefaultPush);
  plat::flushWindow(w);
  for (;;) {
    AwaitEvent();
    if (EditPickPending() || action == kActionClose || action == kActionKey ||
        (action == kActionActivate && eventID != w))
      break;
    if (action != kActionClick) continue;
    if (eventID == kEffVolumeStore && st == WashoutStatus::Ok) {
      FileInfoFLOATS[slot][kInfoEffectiveVolume] = static_cast<float>(r.mean);
      FileSHORTS[slot][kShortChanged] = 1;
      break;
    }
    if (eventID == kEffVolumeDone) {
      plat::disposeWindow(w);
      break;
    }
  }
  if (plat::windowExists(w) && action != kActionClick) plat::disposeWindow(w);
  bup();
  if (plat::windowExists(PlotWindowId(slot))) plat::selectWindow(PlotWindowId(slot));
  row = 0;
  ClearMailbox();
}
