#include "editing/ui/smoothing.h"

#include <algorithm>
#include <string>

#include "editing/smoothing.h"
#include "editing/ui/copychannel.h"
#include "editing/ui/editframe.h"
#include "output/ui/analysiskit.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/recorder.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

namespace {

constexpr int16_t kWindowHeight = 258;
constexpr int16_t kPresets[] = {1, 3, 6, 10, 20, 40, 100};
const char* const kWindowTitles[kSmoothingButtons] = {"3 Samples",  "5 Samples",  "7 Samples",  "9 Samples",
                                                      "11 Samples", "15 Samples", "19 Samples", "25 Samples",
                                                      "35 Samples", "51 Samples"};

enum class Ending : int8_t { Smooth, SmoothBlock, CloseBox, Pick };

struct Run {
  int16_t slot = 0;
  SmoothingSettings settings;
  bool upperBox = false, lowerBox = false;
  bool channelAdded = false;
};

bool blockDefined(int16_t slot) { return FileSHORTS[slot][kShortBlockState] == 2; }

void text(int x, int y, const std::string& t) {
  plat::Port& p = plat::port(kResultsWindow);
  p.moveTo(x, y);
  p.drawText(t);
}

void push(int16_t id, const char* title, plat::Rect r, plat::ButtonKind kind = plat::ButtonKind::Push, int state = 1) {
  AddKitButton(kResultsWindow, id, kind, title, r, state);
}

void field(int16_t id, const std::string& t, plat::Rect r, plat::FieldKind kind) {
  plat::FieldSpec f;
  f.id = id;
  f.text = t;
  f.r = r;
  f.kind = kind;
  f.font.pixelSize = 12;
  plat::addField(kResultsWindow, f);
}

void showCycles(int32_t cycles) {
  plat::setFieldText(kResultsWindow, kSmoothCyclesField, std::to_string(cycles));
  plat::setButtonState(kResultsWindow, kSmoothMinus1, cycles <= 1 ? 0 : 1);
}

void showInterval(const Run& run) {
  const float seconds =
      static_cast<float>(SmoothingSamples(run.settings.button) - 1) * FileInfoFLOATS[run.slot][kInfoInterval];
  plat::setFieldText(kResultsWindow, kSmoothIntervalField, NumText(seconds) + " sec");
}

void drawHeading(int16_t channel) {
  plat::Port& p = plat::port(kResultsWindow);
  p.setForeColor(plat::background(kResultsWindow));
  p.fillRect({4, 2, 446, 21});
  p.setForeColor(kBlack);
  plat::FontSpec f;
  f.pixelSize = 13;
  f.bold = true;
  p.setFont(f);
  text(8, 16, "  Channel" + NumText(channel) + ":  " + RetrieveLabel(channel));
  f.bold = false;
  f.pixelSize = 12;
  p.setFont(f);
}

// Asserts the marks the loop keeps: the window button and the two boxes.
void showMarks(const Run& run) {
  for (int16_t b = 1; b <= kSmoothingButtons; ++b)
    plat::setButtonState(kResultsWindow, b, b == run.settings.button ? 2 : 1);
  plat::setButtonState(kResultsWindow, kSmoothUpperBox, run.upperBox ? 2 : 1);
  plat::setButtonState(kResultsWindow, kSmoothLowerBox, run.lowerBox ? 2 : 1);
}

void buildDialog(Run& run) {
  OpenResultsWIndow(0, 1, 1, "Nearest-Neighbor Smoothing", 0);
  FitResultsWindow(kWindowHeight);
  plat::setCurrentPort(kResultsWindow);
  wssst();
  drawHeading(ActiveChannel);
  BuildBOX(6, 24, 150, 222);
  for (int16_t b = 1; b <= kSmoothingButtons; ++b)
    BUILDBUTTON(b, 1, kWindowTitles[b - 1], 14, static_cast<int16_t>(11 + b * 19), 3);
  BuildBOX(156, 24, 444, 222);
  text(164, 45, "cycles:");
  field(kSmoothCyclesField, std::to_string(run.settings.cycles), {214, 31, 270, 49}, plat::FieldKind::Editable);
  text(276, 45, "(repetitions) ");
  push(kSmoothPlus5, "+5", {164, 56, 200, 74});
  push(kSmoothMinus1, "-1", {204, 56, 240, 74});
  push(kSmoothPlus1, "+1", {244, 56, 280, 74});
  for (int16_t k = 0; k < 7; ++k) {
    const std::string t = std::to_string(kPresets[k]);
    AddKitButton(kResultsWindow, static_cast<int16_t>(kSmoothFirstPreset + k), plat::ButtonKind::SmallBevel, t,
                 {164 + k * 39, 80, 199 + k * 39, 98});
  }
  text(164, 120, "smoothing interval:");
  field(kSmoothIntervalField, "", {290, 106, 438, 124}, plat::FieldKind::Static);
  text(164, 146, "Conditional smoothing if:");
  // The limits start at the channel's extremes, so ticking a box alone
  // changes nothing until a limit is typed.
  const float* d = ChannelData(run.slot, ActiveChannel);
  float hi = 0.0f, lo = 0.0f;
  if (d && nCases[run.slot] >= 1) {
    const auto [mn, mx] = std::minmax_element(d + 1, d + nCases[run.slot] + 1);
    lo = *mn;
    hi = *mx;
  }
  run.settings.upper = hi;
  run.settings.lower = lo;
  push(kSmoothUpperBox, "Data <", {164, 156, 232, 174}, plat::ButtonKind::CheckBox);
  field(kSmoothUpperField, FieldNumText(hi), {236, 156, 340, 174}, plat::FieldKind::Editable);
  push(kSmoothLowerBox, "Data >", {164, 184, 232, 202}, plat::ButtonKind::CheckBox);
  field(kSmoothLowerField, FieldNumText(lo), {236, 184, 340, 202}, plat::FieldKind::Editable);
  push(kSmoothAll, "Smooth All", {6, 230, 112, 252}, plat::ButtonKind::DefaultPush);
  if (blockDefined(run.slot)) push(kSmoothBlock, "Smooth Block", {118, 230, 224, 252});
  if (nChannels[run.slot] < kMaxChannels)
    push(kSmoothCopyChannel, "Copy Active Channel", {230, 230, 394, 252}, plat::ButtonKind::Push,
         RecordSCRIPT != 0 ? 0 : 1);
  push(kSmoothHelp, "?", {400, 230, 444, 252});
  showCycles(run.settings.cycles);
  showInterval(run);
  showMarks(run);
}

void openHelpPage() { plat::openHelp(kSmoothingHelp); }

// The typed cycles and limits. Text that is not a number reads as 0.
void readFields(Run& run) {
  run.settings.cycles = SmoothingCyclesFromText(plat::fieldText(kResultsWindow, kSmoothCyclesField));
  run.settings.conditional = run.upperBox || run.lowerBox;
  if (!run.settings.conditional) return;
  run.settings.upper = SmoothingLimitFromText(plat::fieldText(kResultsWindow, kSmoothUpperField));
  run.settings.lower = SmoothingLimitFromText(plat::fieldText(kResultsWindow, kSmoothLowerField));
}

int32_t typedCycles() { return SmoothingCyclesFromText(plat::fieldText(kResultsWindow, kSmoothCyclesField)); }

void copyActiveChannel(Run& run) {
  COPYCHAN(1);
  // The copy is what gets smoothed: its values are the ones Undo must give
  // back and the limits must compare with.
  MAKEBACKUP(ActiveChannel);
  run.channelAdded = true;
  plat::setCurrentPort(kResultsWindow);
  plat::selectWindow(kResultsWindow);
  drawHeading(ActiveChannel);
  if (nChannels[run.slot] >= kMaxChannels) plat::setButtonState(kResultsWindow, kSmoothCopyChannel, 0);
}

Ending runDialog(Run& run) {
  buildDialog(run);
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kResultsWindow)) return Ending::CloseBox;
    if (EditPickPending()) return Ending::Pick;
    bool ends = false;
    Ending ending = Ending::Smooth;
    if (a == kActionClose && id == kResultsWindow) return Ending::CloseBox;
    if (a == kActionActivate && id != kResultsWindow) ends = true;
    if (a == kActionKey) {
      if (id == '?' || id == '/') openHelpPage();
      else ends = true;
    }
    if (a == kActionClick) {
      if (IsDeferredToolbarClick(id)) {
        DeferToolbarClick(id);
        return Ending::Pick;
      }
      if (id >= kSmoothFirstWindowButton && id <= kSmoothingButtons) {
        run.settings.button = id;
        showInterval(run);
      } else if (id >= kSmoothFirstPreset && id <= kSmoothLastPreset) {
        showCycles(kPresets[id - kSmoothFirstPreset]);
      } else {
        switch (id) {
          case kSmoothCopyChannel: copyActiveChannel(run); break;
          case kSmoothPlus5: showCycles(std::min<int32_t>(typedCycles() + 5, kMaxSmoothingCycles)); break;
          case kSmoothMinus1: showCycles(std::max<int32_t>(typedCycles() - 1, 1)); break;
          case kSmoothPlus1: showCycles(std::min<int32_t>(typedCycles() + 1, kMaxSmoothingCycles)); break;
          case kSmoothUpperBox: run.upperBox = !run.upperBox; break;
          case kSmoothLowerBox: run.lowerBox = !run.lowerBox; break;
          case kSmoothHelp: openHelpPage(); break;
          case kSmoothAll: ends = true; break;
          case kSmoothBlock:
            ends = true;
            ending = Ending::SmoothBlock;
            break;
          default: break;
        }
      }
    }
    if (ends) {
      readFields(run);
      return ending;
    }
    showMarks(run);
  }
}

void smoothAndLog(Run& run, const EditStep& es, bool blockOnly, bool showProgress) {
  const int32_t cycles = run.settings.cycles;
  std::function<void(int32_t)> progress;
  if (showProgress && cycles > 1 && plat::windowExists(kResultsWindow)) {
    MinimumProgressBarValue = 1;
    buildProgressBAR(54, 24, 260, 35, cycles + 1, kResultsWindow);
    progress = [](int32_t c) { UpdateProgressBar(c + 1); };
  }
  SmoothingRange used;
  const SmoothingStatus st = SmoothStoredChannel(run.slot, ActiveChannel, run.settings, blockOnly, &used, progress);
  if (st != SmoothingStatus::Ok) {
    ShowAlert(SmoothingStatusText(st));
    return;
  }
  if (es.row >= 1 && es.row <= 41) {
    float fields[kStepFields];
    std::copy(EditStepFields(es), EditStepFields(es) + kStepFields, fields);
    ToScriptStep(run.settings, fields);
    fields[smoothing_step::kBlockOnly] = blockOnly ? 1.0f : 0.0f;
    std::copy(fields, fields + kStepFields, EditStepFields(es));
    if (es.recorded != 0 && blockOnly) MarkBlockEdit(es.row);
  }
  skid();
  LogChannelEdit(run.slot, ActiveChannel, SmoothingLogText(SmoothingSamples(run.settings.button), cycles, used));
}

}  // namespace

int16_t SMOOTHING(int16_t step) {
  const bool automatic = step == kSmoothingAutomatic;
  HelpSubject = kSmoothingHelp;
  // The automatic mode serves an analysis that records its own step.
  EditStep es = automatic ? EditStep{} : BeginEditStep(kSmoothingOp, step);
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot) || ActiveChannel < 1 || ActiveChannel > nChannels[slot]) {
    WithdrawEditStep(es);
    return 0;
  }
  ClearMailbox();
  const StoreStatus backup = MAKEBACKUP(ActiveChannel);
  if (backup != StoreStatus::Ok) {
    WithdrawEditStep(es);
    ShowAlert(std::string("Nothing was smoothed: no undo copy could be kept. ") + StoreStatusText(backup));
    return 0;
  }
  if (nCycles < 1 || prefsArray[kPrefKeepSmoothing] == 0) nCycles = 1;
  if (prefsArray[kPrefKeepSmoothing] == 0) nSmooth = 1;

  Run run;
  run.slot = slot;
  run.settings.button = std::clamp<int16_t>(nSmooth, 1, kSmoothingButtons);
  run.settings.cycles = nCycles;

  if (automatic) {
    BuildWINDOW(0, kBlankWindow, "Blank", 0, 40, 1, 41, kKindNoCloseBox, 1);
    plat::setCursor(plat::CursorKind::Watch);
    run.settings = SmoothingSettings{};
    run.settings.button = 1;
    run.settings.cycles = 3;
    run.settings.upper = -9e30f;
    run.settings.lower = 9e30f;
    nCycles = 3;
    smoothAndLog(run, es, true, false);
    nSmooth = 1;
    plat::disposeWindow(kBlankWindow);
    plat::setCursor(plat::CursorKind::Arrow);
    RedrawAfterEdit(false);
    return 0;
  }

  if (es.replay) {
    const float(&row)[kStepFields] = ScriptSequenceArray[es.row];
    run.settings = FromScriptStep(row);
    const bool blockOnly = StepFlag(row, smoothing_step::kBlockOnly) && FileSHORTS[slot][kShortBlockState] == 2;
    smoothAndLog(run, es, blockOnly, false);
    nSmooth = run.settings.button;
    nCycles = static_cast<int16_t>(run.settings.cycles);
    RedrawAfterEdit(false);
    return 0;
  }

  // Ends last: a toolbar button the dialog deferred runs after the redraw.
  EditDialogScope frame;
  const Ending ending = runDialog(run);
  if (ending == Ending::CloseBox || ending == Ending::Pick) {
    WithdrawEditStep(es);
    plat::disposeWindow(kResultsWindow);
    if (ending != Ending::CloseBox) RedrawAfterEdit(run.channelAdded);
    else if (run.channelAdded) RefreshSCREEN();
    return 0;
  }
  smoothAndLog(run, es, ending == Ending::SmoothBlock, true);
  nSmooth = run.settings.button;
  nCycles = static_cast<int16_t>(run.settings.cycles);
  plat::delayMs(100);
  plat::disposeWindow(kResultsWindow);
  RedrawAfterEdit(run.channelAdded);
  return 0;
}
