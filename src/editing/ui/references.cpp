#include "editing/ui/references.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "editing/references.h"
#include "editing/ui/editframe.h"
#include "output/scaling.h"
#include "output/ui/analysiskit.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/draw.h"
#include "plot/ui/gscale.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
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

struct Run {
  int16_t slot = 0;
  int16_t channel = 1;
  ReferenceSettings settings;
  bool inBlock = false;
  std::vector<ReferenceSegment> segments;
  std::vector<MarkerRecord> openingMarkers;
  std::string openingComments;
  bool applied = false;       // a fix replaced at least one segment
  bool markerLimitTold = false;
  EditStep* es = nullptr;     // by hand: each fix is a step of its own
  int16_t fixes = 0;
};

void text(int x, int y, const char* t, int size) {
  DrawOrrelinText(kResultsWindow, x, y, t, size);
}

void control(int16_t id, plat::ButtonKind kind, const char* title, plat::Rect r, int state = 1) {
  AddKitButton(kResultsWindow, id, kind, title, r, state);
}

void field(int16_t id, const std::string& t, plat::Rect r, int size = 12, bool bold = false) {
  plat::FieldSpec f;
  f.id = id;
  f.text = t;
  f.r = r;
  f.font = OrrelinFace(size, bold);
  plat::addField(kResultsWindow, f);
}

float fieldNumber(int16_t id) {
  double v = 0.0;
  return ParseFieldNumber(plat::fieldText(kResultsWindow, id), &v) ? static_cast<float>(v) : 0.0f;
}

int32_t fieldCases(int16_t id) {
  const float v = fieldNumber(id);
  return static_cast<int32_t>(std::clamp(std::trunc(v), -1.0e9f, 1.0e9f));
}

void showChoices(const Run& run) {
  const ReferenceSettings& s = run.settings;
  const auto mark = [](int16_t id, bool on) { plat::setButtonState(kResultsWindow, id, on ? 2 : 1); };
  mark(kRefDown, s.down);
  mark(kRefUp, !s.down);
  mark(kRefLeftCases, !s.leftToMarker);
  mark(kRefLeftMarker, s.leftToMarker);
  mark(kRefRightCases, !s.rightToMarker);
  mark(kRefRightMarker, s.rightToMarker);
  mark(kRefInterpolated, s.interpolate);
  mark(kRefFixed, !s.interpolate);
  plat::setButtonState(kResultsWindow, kRefMarkers, !s.interpolate ? 0 : s.markers ? 2 : 1);
  if (plat::controlExists(kResultsWindow, kRefInBlock)) mark(kRefInBlock, run.inBlock);
}

void buildDialog(const Run& run) {
  OpenEditWindow("Reference Removal", 630, 240);
  BuildBOX(5, 18, 170, 111);
  BuildBOX(175, 6, 445, 111);
  BuildBOX(450, 18, 615, 111);
  text(190, 30, "Reference measurements are:", 16);
  text(190, 136, "Replace reference data with:", 16);
  text(15, 36, "on left, include:", 14);
  text(465, 36, "on right, include:", 14);
  text(85, 65, "extra cases", 12);
  text(535, 65, "extra cases", 12);
  using K = plat::ButtonKind;
  control(kRefDown, K::Radio, "Downwards; Below:", {180, 57, 330, 75});
  control(kRefUp, K::Radio, "    Upwards; Above:", {180, 79, 320, 96});
  field(kRefCutoffField, "0", {332, 67, 437, 86}, 16, true);
  control(kRefLeftCases, K::Radio, "", {8, 53, 26, 68});
  field(kRefLeftField, std::to_string(FirstRefRemovalVal), {32, 53, 76, 69});
  control(kRefLeftMarker, K::Radio, " to Previous Marker", {8, 85, 166, 100});
  control(kRefRightCases, K::Radio, "", {453, 53, 471, 68});
  field(kRefRightField, std::to_string(SecondRefRemovalVal), {477, 53, 521, 68});
  control(kRefRightMarker, K::Radio, " to Next Marker", {453, 85, 612, 100});
  control(kRefInterpolated, K::Radio, "Interpolated Values", {45, 146, 225, 163});
  control(kRefFixed, K::Radio, "Fixed Value:", {277, 146, 379, 163});
  field(kRefFixedField, "0", {382, 148, 455, 166});
  control(kRefMarkers, K::CheckBox, "Insert Interpolation Markers", {70, 168, 280, 185});
  if (FileSHORTS[run.slot][kShortBlockState] == 2)
    control(kRefInBlock, K::CheckBox, "Fix Only Within Block", {360, 178, 560, 196});
  control(kRefCursor, K::Push, "Set Reference Cutoff With Cursor", {15, 205, 275, 225});
  control(kRefUndo, K::Push, "Undo", {290, 205, 360, 225});
  control(kRefFix, K::Push, "Fix References", {370, 205, 490, 225});
  control(kRefHelpButton, K::Push, "?", {500, 205, 540, 225});
  control(kRefDone, K::DefaultPush, "Done", {550, 205, 610, 225});
  plat::focusField(kResultsWindow, kRefCutoffField, true);
  showChoices(run);
}

void redraw(const Run& run) {
  const int16_t plot = PlotWindowId(run.slot);
  if (plat::windowExists(plot)) plat::setCurrentPort(plot);
  UpdateSCREEN(0, 0);
  if (FileSHORTS[run.slot][kShortBlockState] == 2) RefreshPLOTBLOCK(0);
  if (plat::windowExists(kResultsWindow)) plat::setCurrentPort(kResultsWindow);
}

// By hand, each fix is a step: the first fills the step recorded on
// opening, the others are recorded after it, in order.
void noteFix(Run& run) {
  if (!run.es) return;
  const int16_t row = ActionStepRow(*run.es, &run.fixes, kReferencesOp);
  if (row == 0) return;
  ToScriptStep(run.settings, ScriptSequenceArray[row]);
  ScriptSequenceArray[row][references_step::kBlockOnly] = run.inBlock ? 1.0f : 0.0f;
  if (run.es->recorded != 0 && run.inBlock) MarkBlockEdit(row);
}

void fix(Run& run, bool fromWindow) {
  ReferenceSettings& s = run.settings;
  if (fromWindow) {
    s.cutoff = fieldNumber(kRefCutoffField);
    s.leftExtra = fieldCases(kRefLeftField);
    s.rightExtra = fieldCases(kRefRightField);
    s.fixedValue = fieldNumber(kRefFixedField);
  }
  upvip();
  const int32_t n = nCases[run.slot];
  int32_t first = 1, last = n;
  if (run.inBlock) {
    first = std::min(BeginBlock[run.slot], EndBlock[run.slot]);
    last = std::max(BeginBlock[run.slot], EndBlock[run.slot]);
  }
  last -= s.endMargin;
  // Each fix replaces the references it finds now: those of an earlier fix
  // were replaced then, and would be replaced again with these settings.
  const ReferenceFixResult done = FixReferences(run.slot, run.channel, first, last, s, &run.segments);
  if (done.markerLimit && !run.markerLimitTold) {
    Zap();
    run.markerLimitTold = true;
  }
  if (done.replaced > 0) {
    MarkChannelEdited(run.slot, run.channel);
    run.applied = true;
    LogChannelEdit(run.slot, run.channel, ReferenceLogText(s));
    noteFix(run);
  }
  redraw(run);
}

void undo(Run& run) {
  if (UndoAvailable(run.slot)) UNDO();
  // Undo goes back to the opening: the fixes recorded since go too.
  if (run.es && run.es->recorded > 0) {
    for (int s = run.es->recorded + 1; s <= ScriptCOUNT && s <= kLastScriptStep; ++s)
      std::fill(std::begin(ScriptSequenceArray[s]), std::end(ScriptSequenceArray[s]), 0.0f);
    if (ScriptCOUNT > run.es->recorded) ScriptCOUNT = static_cast<uint16_t>(run.es->recorded);
  }
  run.fixes = 0;
  SetMarkers(run.slot, run.openingMarkers);
  MakeInterpolationRecordFor(run.slot);
  run.segments.clear();
  run.applied = false;
  const int16_t plot = PlotWindowId(run.slot);
  if (plat::windowExists(plot) && ActiveChannel == run.channel && FileSHORTS[run.slot][kShortView] == 0) {
    plat::setCurrentPort(plot);
    DrawPlot(0, 0, 1);
  } else {
    redraw(run);
  }
  if (plat::windowExists(kResultsWindow)) plat::setCurrentPort(kResultsWindow);
}

// A fix that failed half-way: the undo copy puts the samples back, so the
// interpolation pairs and log lines of the run go too. Asks for no memory.
void restoreOpening(Run& run) noexcept {
  const int16_t slot = run.slot;
  SwapMarkerList(slot, run.openingMarkers);
  CommentContainer[slot].swap(run.openingComments);
  try {
    MakeInterpolationRecordFor(slot);
  } catch (const std::bad_alloc&) {
    // Every reader of the flags rebuilds them first.
  }
}

void runDialog(Run& run) {
  buildDialog(run);
  for (;;) {
    const auto [a, id] = TakeEvent();
    HelpSubject = kReferencesHelp;
    if (!plat::windowExists(kResultsWindow)) return;
    if (a == kActionClose) return;
    if (EditPickPending()) return;
    if (a == kActionActivate && id != kResultsWindow) return;
    if (a == kActionKey) {
      if (id == '?') plat::openHelp(kReferencesHelp);
      return;
    }
    if (a != kActionClick) continue;
    if (IsDeferredToolbarClick(id)) {
      DeferToolbarClick(id);
      return;
    }
    ReferenceSettings& s = run.settings;
    switch (id) {
      case kRefDown: s.down = true; break;
      case kRefUp: s.down = false; break;
      case kRefLeftCases: s.leftToMarker = false; break;
      case kRefLeftMarker: s.leftToMarker = true; break;
      case kRefRightCases: s.rightToMarker = false; break;
      case kRefRightMarker: s.rightToMarker = true; break;
      case kRefInterpolated: s.interpolate = true; break;
      case kRefFixed: s.interpolate = false; break;
      case kRefMarkers: s.markers = !s.markers; break;
      case kRefInBlock: run.inBlock = !run.inBlock; break;
      case kRefCursor:
        plat::setFieldText(kResultsWindow, kRefCutoffField, FieldNumText(GetGscale(1)));
        plat::setCurrentPort(kResultsWindow);
        fix(run, true);
        break;
      case kRefFix: fix(run, true); break;
      case kRefUndo: undo(run); break;
      case kRefHelpButton: plat::openHelp(kReferencesHelp); break;
      case kRefDone: return;
      default: break;
    }
    if (plat::windowExists(kResultsWindow)) {
      plat::setCurrentPort(kResultsWindow);
      showChoices(run);
    }
  }
}

}  // namespace

int16_t REMOVEREFS(int16_t step) {
  HelpSubject = kReferencesHelp;
  EditStep es = BeginEditStep(kReferencesOp, step);
  Run run;
  run.slot = static_cast<int16_t>(TheFileInUse);
  run.channel = ActiveChannel;
  if (!ValidFileSlot(run.slot) || !SlotHoldsFile(run.slot) || run.channel < 1 ||
      run.channel > nChannels[run.slot]) {
    WithdrawEditStep(es);
    return 0;
  }
  run.openingMarkers = MarkersArray[run.slot];
  run.openingComments = CommentContainer[run.slot];
  const StoreStatus backup = MAKEBACKUP(run.channel);
  if (backup != StoreStatus::Ok) {
    WithdrawEditStep(es);
    ShowAlert(std::string("Nothing was replaced: no undo copy could be kept. ") + StoreStatusText(backup));
    return 0;
  }
  run.settings.leftExtra = FirstRefRemovalVal;
  run.settings.rightExtra = SecondRefRemovalVal;
  try {
    if (es.replay) {
      run.settings = ReferenceSettingsFromStep(ScriptSequenceArray[es.row]);
      run.inBlock = StepFlag(ScriptSequenceArray[es.row], references_step::kBlockOnly) &&
                    FileSHORTS[run.slot][kShortBlockState] == 2;
      fix(run, false);
    } else {
      run.es = &es;
      EditDialogScope frame;
      runDialog(run);
      if (plat::windowExists(kResultsWindow)) {
        FirstRefRemovalVal = static_cast<int16_t>(std::clamp(fieldCases(kRefLeftField), -32768, 32767));
        SecondRefRemovalVal = static_cast<int16_t>(std::clamp(fieldCases(kRefRightField), -32768, 32767));
      }
      ClearWINDOW41();
    }
  } catch (...) {
    // The main loop's recovery puts the samples back from the undo copy.
    restoreOpening(run);
    throw;
  }
  if (!run.applied && run.fixes == 0) WithdrawEditStep(es);
  return 0;
}
