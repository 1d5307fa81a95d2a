#include "thermoregulation/ui/tregwindow.h"

#include <algorithm>
#include <string>

#include "calculators/suncycle.h"
#include "editing/copychannel.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/sound.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "thermoregulation/options.h"
#include "thermoregulation/ui/tregkit.h"

int16_t ChannelforDaytime = 0, ChannelforJulianDay = 0;
TregCostChannel* gTregCostChannel = nullptr;

namespace {

bool fileOpen(int16_t slot) { return ValidFileSlot(slot) && SlotHoldsFile(slot); }

}  // namespace

void SetTregField(int16_t id, const std::string& text) {
  if (plat::windowExists(kTregWindow) && plat::controlExists(kTregWindow, id)) plat::setFieldText(kTregWindow, id, text);
}

TregResult RunTregOverFile(int16_t shadeChannel, int16_t sunChannel, const TregAnimal& animal) {
  if (!gTregCostChannel || !fileOpen(gTregCostChannel->slot)) return {};
  TregCostChannel& run = *gTregCostChannel;
  const int16_t slot = run.slot;
  const TregSettings s = CurrentTregSettings();
  if (s.computeDawnAndDusk) EnsureSunCycleFor(latitude, longitude);
  const TregClimate c = ClimateOfSlot(slot, shadeChannel, sunChannel, ChannelforDaytime, ChannelforJulianDay,
                                      prefsArray[kPrefWindChannel]);
  float* store = nullptr;
  if (nChannels[slot] < kMaxChannels) {
    if (run.stored) store = ChannelData(slot, StoreChan);
    else {
      run.work.resize(static_cast<size_t>(nCases[slot]) + 1, 0.0f);
      store = run.work.data();
    }
  }
  TregResult r = ComputeTregCosts(c, animal, s, SunCycleArray, store);
  if (float* scratch = ChannelData(slot, 0))
    std::copy(r.costs.begin(), r.costs.end(), scratch);
  StoreTregTotals(r);
  return r;
}

void ShowTregResults(const TregResult& r, float bmrWatts) {
  SetTregField(kTregBmrField, bmrWatts > 0 ? NumText(bmrWatts) : "");
  for (const auto& [id, text] : TregResultTexts(r, bmrWatts)) SetTregField(id, text);
}

int16_t ShowNumberOfCases() {
  const int16_t slot = static_cast<int16_t>(TheFileInUse);
  const float interval = fileOpen(slot) ? FileInfoFLOATS[slot][kInfoInterval] : 0.0f;
  BuildWINDOW(0, kTotalsWindow, "Calculation totals", 760, 600, 760 + 300, 600 + 70, kKindDocument, 1);
  treg::label(kTotalsWindow, 1, "Accepted cases: " + NumText(TotalTregCases), {12, 10, 290, 28});
  treg::label(kTotalsWindow, 2,
              "equivalent to " + StringFormatter(static_cast<float>(TotalTregCases * static_cast<double>(interval) / 86400.0)) +
                  " days",
              {12, 36, 290, 54});
  if (plat::windowExists(kTregWindow)) {
    plat::selectWindow(kTregWindow);
    plat::setCurrentPort(kTregWindow);
  }
  return 0;
}

int16_t ShowTimingErrors() {
  const int32_t shown = std::min(TimingErrorCount, kMaxListedTimingErrors);
  plat::WindowSpec spec;
  spec.id = kTimingListWindow;
  spec.title = "Timing error locations";
  spec.content = {600, 120, 600 + 215, 120 + 400};
  spec.resizable = true;
  spec.minSize = {200, 120};
  spec.maxSize = {215, 900};
  plat::createWindow(spec);
  std::string text = "Possible errors at cases:\r";
  for (int32_t i = 1; i <= shown; ++i) text += std::to_string(TimingErrors[i]) + "   ";
  plat::addTextView(kTimingListWindow, 1, {4, 4, 211, 396}, false);
  plat::setViewText(kTimingListWindow, 1, text);
  if (plat::windowExists(kTimingWarningWindow)) plat::selectWindow(kTimingWarningWindow);
  return 0;
}

uint16_t TimingWarning(uint16_t offerAbort) {
  const int w = kTimingWarningWindow;
  const int height = offerAbort ? 249 : 219;
  BuildWINDOW(0, w, "Possible time error", 300, 200, 300 + 421, 200 + height, kKindDocument, 1);
  WARNINGSTRIPES(0, 3, 14, 8, 8, 413, 162);
  putCICON(129, 20, 54);
  plat::Port& p = plat::port(w);
  p.setTextSize(36);
  p.setTextFace(true, false, false);
  if (prefsArray[kPrefColourDisplay]) {
    p.setForeColor(kMediumDarkGray);
    p.moveTo(122, 50);
    p.drawText("WARNING !");
  }
  p.setForeColor(kBlack);
  p.moveTo(120, 48);
  p.drawText("WARNING !");
  p.setTextFace(false, false, false);
  p.setTextSize(12);
  plat::playSound("bzot");
  if (prefsArray[kPrefSoundLevel] > 25) plat::playSound("scream");
  const std::string first = TimingErrorCount == 1
                                ? "Corvimet detected a possible timing error"
                                : "Corvimet detected" + NumText(TimingErrorCount) + " possible timing errors";
  const char* lines[] = {"in the data file.   This can cause problems with any",
                         "calculations invoving activity periods.   Please check",
                         "the 'time of day' channel and fix any errors."};
  treg::label(w, 11, first, {16, 72, 410, 90});
  for (int i = 0; i < 3; ++i) treg::label(w, static_cast<int16_t>(12 + i), lines[i], {16, 92 + 18 * i, 410, 110 + 18 * i});
  treg::button(w, kTimingShowList,
               TimingErrorCount > kMaxListedTimingErrors ? "Show First 100 Error Locations" : "Show Error Locations",
               {16, 172, 236, 196});
  treg::button(w, kTimingClose, "Close", {320, 172, 405, 196}, 1, plat::ButtonKind::DefaultPush);
  if (offerAbort) {
    // On a clear panel: over the stripes the box's text would not read.
    p.setForeColor(kWhite);
    p.fillRect({10, 204, 306, 234});
    p.setForeColor(kBlack);
    p.strokeRect({10, 204, 306, 234});
    treg::check(w, kTimingAbort, "Abort Saving of Results", {16, 210, 300, 228}, false);
    p.flush();
  }
  uint16_t abort = 0;
  {
    DialogScope dialog;
    for (bool done = false; !done;) {
      plat::pump();
      if (action == kActionClick) {
        if (eventID == kTimingShowList) ShowTimingErrors();
        else if (eventID == kTimingClose) done = true;
        else if (eventID == kTimingAbort) {
          abort = ToggleValue(abort);
          treg::mark(w, kTimingAbort, abort != 0);
        }
      } else if (action == kActionClose) {
        if (eventID == kTimingListWindow) plat::disposeWindow(kTimingListWindow);
        else if (eventID == w) done = true;
      } else if (action == kActionActivate && eventID != w && eventID != kTimingListWindow) {
        done = true;
      }
      ClearMailbox();
    }
  }
  plat::flushInput();
  plat::disposeWindow(w);
  if (plat::windowExists(kTregWindow)) plat::setCurrentPort(kTregWindow);
  return abort;
}
