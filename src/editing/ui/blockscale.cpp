#include "editing/ui/blockscale.h"

#include <string>

#include "editing/scaletoblock.h"
#include "editing/ui/editframe.h"
#include "output/scaling.h"
#include "output/ui/analysiskit.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/ui/draw.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/recording.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/recorder.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

namespace {

struct Run {
  int16_t slot = 0;
  int16_t channel = 1;
  bool blockOnly = false;
  bool scaled = false;   // a scaling is in effect
  // What the scaling in effect was made with, for the log and the step: not
  // the fields as they stand when the dialog closes.
  float upper = 0.0f, lower = 0.0f;
  std::string upperText, lowerText, label;
};

// Text that is no number reads as 0.
float fieldNumber(int16_t id) {
  double v = 0.0;
  return ParseFieldNumber(plat::fieldText(kResultsWindow, id), &v) ? static_cast<float>(v) : 0.0f;
}

bool scale(Run& run, float upper, float lower, bool blockOnly, const std::string* label) {
  const BlockScaleStatus st = ScaleToBlock(ChannelData(run.slot, run.channel), nCases[run.slot],
                                           BeginBlock[run.slot], EndBlock[run.slot], upper, lower, blockOnly);
  if (st != BlockScaleStatus::Ok) {
    Zap();
    return false;
  }
  if (label) SetChannelLabel(run.slot, run.channel, *label);
  MarkChannelEdited(run.slot, run.channel);
  run.scaled = true;
  return true;
}

void text(int x, int y, const char* t) {
  plat::Port& p = plat::port(kResultsWindow);
  p.moveTo(x, y);
  p.drawText(t);
}

void button(int16_t id, const char* title, plat::Rect r, plat::ButtonKind kind = plat::ButtonKind::Push) {
  AddKitButton(kResultsWindow, id, kind, title, r);
}

void field(int16_t id, const std::string& t, plat::Rect r, plat::FieldKind kind) {
  plat::FieldSpec f;
  f.id = id;
  f.text = t;
  f.r = r;
  f.kind = kind;
  f.maxLen = id == kScaleLabelField ? 30 : 255;
  plat::addField(kResultsWindow, f);
}

void buildDialog(const Run& run) {
  // The limits start at the plotted channel's own scale, not the last one drawn.
  ScaleToActiveChannel();
  OpenResultsWIndow(0, 1, 1, " Set Scale to Block Limits ", 0);
  FitResultsWindow(230);
  plat::setCurrentPort(kResultsWindow);
  field(kScaleLabelField, RetrieveLabel(run.channel), {10, 5, 300, 20}, plat::FieldKind::EditablePlain);
  text(10, 54, "upper limit:");
  field(kScaleUpperField, FieldNumText(maximumValue), {100, 40, 270, 58}, plat::FieldKind::Editable);
  button(kScaleUpperLeftmost, "Leftmost", {100, 62, 170, 82});
  button(kScaleHighest, "Highest", {174, 62, 244, 82});
  button(kScaleUpperRightmost, "Rightmost", {248, 62, 330, 82});
  text(10, 131, "lower limit:");
  field(kScaleLowerField, FieldNumText(minimumValue), {100, 117, 270, 135}, plat::FieldKind::Editable);
  button(kScaleLowerLeftmost, "Leftmost", {100, 139, 170, 159});
  button(kScaleLowest, "Lowest", {174, 139, 244, 159});
  button(kScaleLowerRightmost, "Rightmost", {248, 139, 330, 159});
  button(kScaleBlockOnly, "Block Only", {340, 40, 440, 58}, plat::ButtonKind::CheckBox);
  DoubleLINE(4, 446, 168);
  button(kScaleZeroTo100, "Zero to 100 %", {10, 176, 120, 198});
  button(kScaleUndo, "Undo", {126, 176, 186, 198});
  button(kScaleOK, "OK - Set Scale", {300, 176, 440, 198}, plat::ButtonKind::DefaultPush);
  button(kScaleCancel, "Cancel", {300, 204, 366, 226});
  button(kScaleDone, "Done", {374, 204, 440, 226});
  plat::focusField(kResultsWindow, kScaleUpperField, true);
}

void markRow(int16_t first, int16_t clicked) {
  for (int16_t id = first; id < first + 3; ++id) plat::setButtonState(kResultsWindow, id, id == clicked ? 2 : 1);
}

void setFromCase(int16_t fieldId, float value) { plat::setFieldText(kResultsWindow, fieldId, FieldNumText(value)); }

// The plot and the block window both show the samples as they now are.
void redraw(const Run& run) {
  RefreshSCREEN();
  chanB = static_cast<uint16_t>(run.channel);
  if (FileSHORTS[run.slot][kShortBlockState] == 2 && gPlotHooks.drawBlock) gPlotHooks.drawBlock();
}

void clickOK(Run& run) {
  const std::string label = plat::fieldText(kResultsWindow, kScaleLabelField);
  const float upper = fieldNumber(kScaleUpperField), lower = fieldNumber(kScaleLowerField);
  if (!scale(run, upper, lower, run.blockOnly, &label)) return;
  run.upper = upper;
  run.lower = lower;
  run.upperText = plat::fieldText(kResultsWindow, kScaleUpperField);
  run.lowerText = plat::fieldText(kResultsWindow, kScaleLowerField);
  run.label = label;
  redraw(run);
}

void undo(Run& run) {
  if (UndoAvailable(run.slot)) UNDO();
  run.scaled = false;
  redraw(run);
}

// preset: the limits a replayed step carries, shown for the user to confirm.
void runDialog(Run& run, const float* preset) {
  buildDialog(run);
  if (preset) {
    setFromCase(kScaleUpperField, preset[0]);
    setFromCase(kScaleLowerField, preset[1]);
    plat::focusField(kResultsWindow, kScaleUpperField, true);
  }
  const float* d = ChannelData(run.slot, run.channel);
  const int32_t b = BeginBlock[run.slot], e = EndBlock[run.slot];
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kResultsWindow)) return;
    if (a == kActionClose && id == kResultsWindow) {
      undo(run);
      return;
    }
    if (EditPickPending()) return;
    if (a == kActionKey || (a == kActionActivate && id != kResultsWindow)) {
      clickOK(run);
      return;
    }
    if (a != kActionClick) continue;
    if (IsDeferredToolbarClick(id)) {
      DeferToolbarClick(id);
      return;
    }
    const int32_t lo = std::min(b, e), hi = std::max(b, e);
    float mn = d[lo], mx = d[lo];
    for (int32_t k = lo; k <= hi; ++k) {
      mn = std::min(mn, d[k]);
      mx = std::max(mx, d[k]);
    }
    switch (id) {
      case kScaleZeroTo100:
        plat::setFieldText(kResultsWindow, kScaleUpperField, "100");
        plat::setFieldText(kResultsWindow, kScaleLowerField, "0");
        break;
      case kScaleUpperLeftmost: setFromCase(kScaleUpperField, d[b]); markRow(kScaleUpperLeftmost, id); break;
      case kScaleHighest: setFromCase(kScaleUpperField, mx); markRow(kScaleUpperLeftmost, id); break;
      case kScaleUpperRightmost: setFromCase(kScaleUpperField, d[e]); markRow(kScaleUpperLeftmost, id); break;
      case kScaleLowerLeftmost: setFromCase(kScaleLowerField, d[b]); markRow(kScaleLowerLeftmost, id); break;
      case kScaleLowest: setFromCase(kScaleLowerField, mn); markRow(kScaleLowerLeftmost, id); break;
      case kScaleLowerRightmost: setFromCase(kScaleLowerField, d[e]); markRow(kScaleLowerLeftmost, id); break;
      case kScaleUndo: undo(run); break;
      case kScaleOK: clickOK(run); break;
      case kScaleBlockOnly:
        run.blockOnly = !run.blockOnly;
        plat::setButtonState(kResultsWindow, kScaleBlockOnly, run.blockOnly ? 2 : 1);
        break;
      case kScaleCancel:
      case kScaleDone: return;
      default: break;
    }
    plat::setCurrentPort(kResultsWindow);
  }
}

}  // namespace

int16_t BLOCKSCALE(int16_t mode, int16_t step) {
  EditStep es = BeginEditStep(kBlockScaleOp, step);
  if (es.recorded) EditStepFields(es)[5] = static_cast<float>(mode);
  Run run;
  run.slot = static_cast<int16_t>(TheFileInUse);
  run.channel = ActiveChannel;
  const int16_t slot = run.slot;
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot) || run.channel < 1 || run.channel > nChannels[slot] ||
      FileSHORTS[slot][kShortBlockState] != 2 || BeginBlock[slot] < 0 || EndBlock[slot] > nCases[slot]) {
    WithdrawEditStep(es);
    Zap();
    return 0;
  }
  const StoreStatus backup = MAKEBACKUP(run.channel);
  if (backup != StoreStatus::Ok) {
    WithdrawEditStep(es);
    ShowAlert(std::string("Nothing was scaled: no undo copy could be kept. ") + StoreStatusText(backup));
    return 0;
  }
  float upper = 100.0f, lower = 0.0f;
  const std::string openingLabel = RetrieveLabel(run.channel);
  // A replay presets the limits; a step that says whether the block only or
  // the whole channel was scaled scales at once, an older one shows the
  // dialog again.
  float preset[2] = {0.0f, 0.0f};
  float scope = 0.0f;
  std::string label;
  bool relabel = false;
  if (es.replay) {
    const float* f = EditStepFields(es);
    mode = f[5] >= 1.0f && f[5] < 2.0f ? int16_t{1} : int16_t{0};
    preset[0] = f[6];
    preset[1] = f[7];
    scope = f[scale_step::kScope];
    relabel = StepLabelText(ScriptSequenceArray, f, scale_step::kLabel, &label);
  }
  if (mode != 1 && (scope == 1.0f || scope == 2.0f)) {
    run.blockOnly = scope == 2.0f;
    upper = preset[0];
    lower = preset[1];
    if (scale(run, upper, lower, run.blockOnly, relabel ? &label : nullptr)) {
      LogChannelEdit(slot, run.channel,
                     BlockScaleLogText(run.blockOnly, BeginBlock[slot], EndBlock[slot], FieldNumText(upper),
                                       FieldNumText(lower)));
      RefreshSCREEN();
    }
  } else if (mode == 1) {
    run.blockOnly = true;
    if (scale(run, 100.0f, 0.0f, true, nullptr)) {
      LogChannelEdit(slot, run.channel, BlockScalePercentLogText(BeginBlock[slot], EndBlock[slot]));
      redraw(run);
    }
  } else {
    EditDialogScope frame;
    runDialog(run, es.replay ? preset : nullptr);
    upper = run.upper;
    lower = run.lower;
    if (run.scaled)
      LogChannelEdit(slot, run.channel,
                     BlockScaleLogText(run.blockOnly, BeginBlock[slot], EndBlock[slot], run.upperText,
                                       run.lowerText));
    plat::disposeWindow(kResultsWindow);
    if (FileSHORTS[slot][kShortView] == 1) RefreshPLOTBLOCK(0);
  }
  if (!run.scaled) {
    WithdrawEditStep(es);
  } else if (es.row != 0) {
    float* f = EditStepFields(es);
    f[6] = mode == 1 ? 100.0f : upper;
    f[7] = mode == 1 ? 0.0f : lower;
    f[scale_step::kScope] = run.blockOnly ? 2.0f : 1.0f;
    // A label typed by hand goes with the step; a replay keeps the one it took.
    if (es.recorded > 0) {
      // A replay leaves no block after scaling.
      MarkBlockEdit(es.row, true);
      f[scale_step::kLabel] = 0.0f;
      if (!run.label.empty() && run.label != openingLabel)
        KeepStepLabel(ScriptSequenceArray, es.row, scale_step::kLabel, run.label);
    }
  }
  LastChan = run.channel;
  return 0;
}
