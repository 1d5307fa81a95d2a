#include "respirometry/ui/humidity.h"

#include <string>

#include "editing/copychannel.h"
#include "editing/ui/copychannel.h"
#include "editing/ui/editframe.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/windows.h"
#include "respirometry/gasexchange.h"
#include "respirometry/gasphysics.h"
#include "respirometry/humidity.h"
#include "respirometry/ui/gasdialogs.h"
#include "respirometry/ui/respirometry_kit.h"
#include "shell/recording.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

namespace {

using namespace respkit;

// The introduction; false when its close box cancels the command.
bool introduction(int16_t n) {
  PlayNamedSound("bub3");
  const int w = kResultsWindow;
  AddStatic(w, 3,
            "\xA5  If a gas analyzed for O2 or CO2 content isn't dry, there will be inaccuracies in metabolic rate "
            "measurements because of dilution by water vapor.\r\r       Use this routine to compensate for the "
            "water vapor content of analyzed gas. ",
            {8, 8, 440, 100});
  MakeNewChan = 0;
  if (RecordSCRIPT == 0 && n < kMaxChannels)
    AddCheck(w, kHumidityNewChannelBox, "Save Data in New Channel" + NumText(n + 1), {8, 108, 260, 126}, false,
             false);
  AddPush(w, kHumiditySelectGas, "Select Gas Channel for Adjustment\xC9", {180, 140, 440, 162},
          plat::ButtonKind::DefaultPush);
  plat::flushWindow(w);
  for (;;) {
    AwaitEvent();
    if (EditPickPending() || action == kActionClose) return false;
    if (action == kActionKey || (action == kActionActivate && eventID != w)) return true;
    if (action != kActionClick) continue;
    if (eventID == kHumiditySelectGas) return true;
    if (eventID == kHumidityNewChannelBox) {
      MakeNewChan = MakeNewChan != 0 ? 0 : 1;
      plat::setButtonState(w, kHumidityNewChannelBox, MakeNewChan != 0 ? 2 : 1);
    }
  }
}

bool channelOk(int16_t c, int16_t n) { return c >= 1 && c <= n; }

}  // namespace

void ANALYZER_HUMIDITY(int16_t step) {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return;
  EditStep es = BeginEditStep(kAnalyzerHumidityOp, step);
  EditDialogScope scope;
  const int16_t n = nChannels[slot];
  OpenResultsWIndow(0, 1, 1, "Analyzer Humidity Compensation", 0);
  plat::setCurrentPort(kResultsWindow);

  AnalyzerHumiditySettings h;
  bool newChannel = false;
  auto cancel = [&] {
    WithdrawEditStep(es);
    MakeNewChan = 0;
    plat::disposeWindow(kResultsWindow);
  };
  if (es.replay) {
    h = HumidityFromScriptStep(ScriptSequenceArray[es.row], compRH);
  } else {
    if (!introduction(n)) return cancel();
    newChannel = MakeNewChan != 0;
    const int16_t keptGas = GasType;
    GasType = 99;
    FlowCH = 0;
    const int16_t chosen = FlowSetOK("H2O", es.row);
    if (chosen == 0 && !EditPickPending()) WaterComp(1);
    GasType = keptGas;
    if (chosen != 0 || EditPickPending()) return cancel();
    RHFactor = WATERCON(RHtemp);
    h.waterChannel = WaterChannel;
    h.compRH = compRH;
    h.rhUnit = RHunit;
    h.tRHchan = tRHchan;
    h.rhFactor = RHFactor;
    h.vapourFactor = VapourFractionFactor(realBP);
    h.chan1 = Chan1;
  }
  MakeNewChan = 0;

  const bool humidityChannel = h.waterChannel >= 1 && h.waterChannel <= kMaxChannels;
  int16_t missing = 0;
  if (!channelOk(h.chan1, n)) missing = h.chan1;
  else if (humidityChannel && !channelOk(h.waterChannel, n)) missing = h.waterChannel;
  else if (h.tRHchan != 0 && !channelOk(h.tRHchan, n)) missing = h.tRHchan;
  if (missing != 0) {
    ShowAlert("Channel" + NumText(missing) + " is not in this file: nothing was compensated.");
    return cancel();
  }
  // The constants first: a refused run changes nothing.
  const float* waterData = humidityChannel ? ChannelData(slot, h.waterChannel) : nullptr;
  const float* tempData = h.tRHchan != 0 ? ChannelData(slot, h.tRHchan) : nullptr;
  if (const HumidityStatus st = CompensateAnalyzerHumidity(h, {nullptr, waterData, tempData, nullptr, 0});
      st != HumidityStatus::Ok) {
    ShowAlert(HumidityStatusText(st, h));
    return cancel();
  }
  if (!es.replay && es.row != 0) HumidityToScriptStep(h, ScriptSequenceArray[es.row]);

  newChannel = newChannel && n < kMaxChannels;
  if (!newChannel) {
    if (MAKEBACKUP(h.chan1) != StoreStatus::Ok) {
      ShowAlert("There is no memory for the undo copy: nothing was compensated.");
      return cancel();
    }
    StoreChan = h.chan1;
  }
  if ((humidityChannel && h.rhUnit == 2) || h.tRHchan != 0) {
    plat::disposeWindow(kResultsWindow);
    OpenResultsWIndow(0, 1, 1, "Analyzer Humidity Compensation", 0);
    AddStatic(kResultsWindow, 3,
              "Calculating the water vapor corrections...  (this must be performed for each of the" +
                  NumText(nCases[slot]) + " cases)",
              {8, 8, 440, 60});
    plat::flushWindow(kResultsWindow);
  }
  // The copy only once the window is up, just before it is compensated: a
  // failure before it leaves no uncompensated copy in the file.
  if (newChannel) {
    // A copy that fails after it was added goes with its log line: no
    // command takes an undo copy here, so the main loop's recovery cannot.
    const CommentsMark logged = CommentsMarkOf(slot);
    const int16_t active = ActiveChannelArray[slot];
    const int16_t shownActive = FileSHORTS[slot][kShortActiveChannel];
    try {
      ActiveChannel = h.chan1;
      COPYCHAN(0);
    } catch (...) {
      if (nChannels[slot] == n + 1) {
        DropLastChannel(slot);
        CutCommentsBackTo(slot, logged);
        ActiveChannel = h.chan1;
        ActiveChannelArray[slot] = active;
        FileSHORTS[slot][kShortActiveChannel] = shownActive;
        if (prefsArray[kPrefNoCommentsRefresh] == 0 && gStoreHooks.commentsChanged) {
          try {
            gStoreHooks.commentsChanged(slot);
          } catch (...) {
          }
        }
      }
      throw;
    }
    if (nChannels[slot] == n) return cancel();   // COPYCHAN said why
  }
  plat::setCursor(plat::CursorKind::Watch);
  HumidityChannels ch;
  ch.gas = ChannelData(slot, h.chan1);
  ch.water = humidityChannel ? ChannelData(slot, h.waterChannel) : nullptr;
  ch.temp = h.tRHchan != 0 ? ChannelData(slot, h.tRHchan) : nullptr;
  ch.out = ChannelData(slot, StoreChan);
  ch.count = nCases[slot] + 1;
  int64_t unusable = 0;
  CompensateAnalyzerHumidity(h, ch, &unusable);
  plat::setCursor(plat::CursorKind::Arrow);
  FileSHORTS[slot][kShortChanged] = 1;
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, StoreChan);
  skid();
  ActiveChannel = StoreChan;
  ActiveChannelArray[slot] = StoreChan;
  FileSHORTS[slot][kShortActiveChannel] = StoreChan;
  ChangedChan = StoreChan;
  respkit::ShowEditedFile(slot, newChannel);
  if (unusable > 0)
    ShowAlert(NumText(static_cast<double>(unusable)).substr(1) +
              " cases leave no dry gas at their humidity: their values are not numbers.");
}
