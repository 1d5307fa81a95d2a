#include "output/ui/storeresult.h"

#include <algorithm>
#include <string>

#include "output/results.h"
#include "output/tabular.h"
#include "output/ui/destination.h"
#include "output/ui/tabular_dialog.h"
#include "output/writer.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int16_t kUserBaselineField = 111;
constexpr int kBlinkTicks = 50;

// The texts a layout takes from the analysis window rather than globals.
void fillWindowTexts(ResultRecord& r) {
  if (!plat::windowExists(kResultsWindow)) return;
  if (r.topic == kTopicIntegration) r.userBaselineText = plat::fieldText(kResultsWindow, kUserBaselineField);
  if (r.topic == kTopicEventCounter)
    // The event window numbers these fields from 100.
    for (int id : {2, 4, 10, 11, 12, 13, 20, 21, 22, 23})
      r.eventFields[static_cast<size_t>(id)] = plat::fieldText(kResultsWindow, 100 + id);
}

// Tabular lines the last composed store completes.
int gLinesFilled = 0;

// The bytes one store appends; empty when there is nothing to write.
std::string composeResult(const DraftPrintPlan& plan, const plat::MacText& key) {
  ResultRecord r = CaptureResult();
  fillWindowTexts(r);
  if (plan.writeText) return ResultText(r);
  const TabularOptions o = CurrentTabularOptions();
  // The notes are asked once; a result that starts a second line repeats them.
  return TabularResultText(r, o, &NResultsPrinted, key.empty() ? ' ' : key[0], [&o] { return TabFileComments(o); },
                           &gLinesFilled);
}

void updateResultsNotice(bool tabular) {
  // A result of several rows may fill a line before its last row.
  const int16_t printed = tabular && gLinesFilled > 0 ? NMultipleResults : NResultsPrinted;
  // Results per line are the tabular file's: a text result is one result.
  if (!ResultIsCounted(ScreenWidth, tabular && UseMultipleResults != 0, printed, NMultipleResults)) return;
  ++Nresults;
  const int16_t slot = ResultFileSlot();
  const int plot = kPlotWindowBase + slot;
  if (!ValidFileSlot(slot) || !plat::windowExists(plot)) return;
  plat::setFieldText(plot, kResultsNoticeField,
                     ResultsNoticeText(Nresults, ch, BeginBlock[slot], EndBlock[slot]));
}

}  // namespace

bool IsStoreResultKey(int charCode) { return charCode == 'P' || charCode == 'p'; }

void OutputPortAlert() {
  PlaySoundAlways("brrrp");
  const int previous = plat::currentPortWindow();
  HandlerScope keep;
  bool clicked = false;
  auto& h = plat::handlers();
  h.menu = [](const plat::Event&) {};
  // A click, a key or the close box continues.
  h.dialog = [&clicked](const plat::Event& e) {
    using K = plat::EventKind;
    if (e.kind == K::ControlHit || e.kind == K::FieldClick || e.kind == K::Key || e.kind == K::CloseBox) clicked = true;
  };
  h.mouse = [&clicked](const plat::Event& e) {
    if (e.kind == plat::EventKind::MouseDown) clicked = true;
  };
  h.editKey = [](const plat::Event&) { return plat::KeyVerdict::Swallow; };

  BuildWINDOW(0, kOutputAlertWindow, "Output Port Alert", 55, 110, 385, 230, kKindDocument, 1);
  WARNINGSTRIPES(0, 3, 14, 5, 5, 323, 113);
  putCICON(129, 25, 48);
  plat::Port& p = plat::port(kOutputAlertWindow);
  plat::FontSpec text;
  text.family = std::to_string(OrrelinFont);
  text.pixelSize = 14;
  // Our faces run wider than the sizes were chosen for: keep both lines
  // inside the panel.
  auto widest = [&p, &text] {
    p.setFont(text);
    return std::max(p.textWidth("Choose a destination from the  'Send results to '"),
                    p.textWidth("option in the  'File ' MENU."));
  };
  while (text.pixelSize > 9 && 23 + widest() > 318) --text.pixelSize;
  p.setFont(text);
  p.setForeColor({0, 0, 0});
  p.moveTo(23, 70);
  p.drawText("Choose a destination from the ");
  p.drawText(" 'Send results to '");
  p.moveTo(23, 87);
  p.drawText("option in the ");
  p.drawText(" 'File '");
  p.drawText(" MENU.");
  plat::FontSpec small;
  small.family = "1";
  small.pixelSize = 10;
  p.setFont(small);
  p.moveTo(170, 108);
  p.drawText("click to continue...");
  plat::FontSpec big = text;
  big.pixelSize = 18;
  p.setFont(big);
  if (prefsArray[kPrefSoundLevel] != 0) PlayNamedSound("brrrp");
  for (int pass = 1; pass <= kOutputAlertBlinks; ++pass) {
    p.setForeColor(pass % 2 == 1 ? OldStyleColour(4) : LightGray);
    p.moveTo(68, 37);
    p.drawText("No output device selected!");
    plat::flushWindow(kOutputAlertWindow);
    plat::delayTicks(kBlinkTicks);
  }
  while (!clicked && !plat::buttonDown()) plat::pump();
  if (!clicked) plat::waitButtonUp();
  plat::flushInput();
  plat::disposeWindow(kOutputAlertWindow);
  if (previous && plat::windowExists(previous)) plat::setCurrentPort(previous);
  ClearMailbox();
}

void DRAFTPRINT(const plat::MacText& key) {
  const DraftPrintPlan plan = PlanDraftPrint(topic, PortForResultsOutput);
  if (plan.nothing) return;
  // Its numbers would go out under another file's name.
  if (ResultFileSlot() < 0) {
    ShowAlert("There is no result to store: the file it came from was closed.", "bzot");
    return;
  }
  // A port whose file is not open (it could not be created) is no destination.
  if (plan.showAlert || OpenDestinationPort() != PortForResultsOutput) {
    OutputPortAlert();
    return;
  }
  const int16_t rowBefore = NResultsPrinted;
  const std::string bytes = composeResult(plan, key);
  if (bytes.empty()) {
    if (plan.writeTabular && (topic == kTopicSlopeVsTime || topic == kTopicRegression))
      ShowAlert("The tabular file takes no row for a slope or regression result: nothing was stored. "
                "Send results to a text file or the printer to keep it.");
    return;
  }
  if (!WriteToDestination(bytes)) {
    // The result stays in the globals; it can be stored again once the
    // destination works, on the row position it would have taken.
    NResultsPrinted = rowBefore;
    return;
  }
  if (plan.writeText) ApplyWriterSideEffects(topic);
  if (plan.diskIcon && gOutputUiHooks.drawDisk) gOutputUiHooks.drawDisk(key);
  if (plan.pageIcon && gOutputUiHooks.drawPage) gOutputUiHooks.drawPage();
  EndBeep();
  updateResultsNotice(plan.writeTabular);
}
