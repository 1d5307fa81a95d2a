#include "editing/ui/expressions.h"

#include <string>

#include "editing/channelpick.h"
#include "editing/editstep.h"
#include "editing/expression.h"
#include "editing/exprtransform.h"
#include "editing/ui/editframe.h"
#include "editing/ui/picklists.h"
#include "output/results.h"
#include "output/scaling.h"
#include "platform/port.h"
#include "output/ui/analysiskit.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/ui/sounds.h"

namespace {

constexpr char kExample[] = "10*(x + y)/2.0 + sin( \xB9*0.5 ) `[ example ]`";

struct Window {
  bool transform = false;
  int16_t slot = -1;
  int16_t n = 0;          // channels when the window opened
  ExpressionRun run;
  ExpressionCode code;
  std::string checked;    // the text the code was compiled from
  bool ok = false;        // a check succeeded and the field still holds its text
  int height = 0;
};

void addField(int16_t id, const std::string& text, plat::Rect r, plat::FieldKind kind, int size = 12,
              bool bold = false) {
  plat::FieldSpec f;
  f.id = id;
  f.text = text;
  f.r = r;
  f.kind = kind;
  f.font.pixelSize = size;
  f.font.bold = bold;
  f.maxLen = id == kExprField ? kMaxExpressionText : 255;
  plat::addField(kExpressionWindow, f);
}

void addButton(int16_t id, const char* title, plat::Rect r, plat::ButtonKind kind = plat::ButtonKind::Push) {
  AddKitButton(kExpressionWindow, id, kind, title, r);
}

void text(int x, int y, const char* t, int size = 12, bool bold = false) {
  DrawDialogText(kExpressionWindow, x, y, t, size, bold);
}

void setMessage(const std::string& m, bool bold = false) {
  plat::removeControl(kExpressionWindow, kExprMessage);
  addField(kExprMessage, m, {5, 189, 325, 207}, plat::FieldKind::Static, 12, bold);
}

std::string newChannelTitle(int16_t channels) {
  return "Store Result in New Channel" + NumText(static_cast<int16_t>(channels + 1));
}

void build(Window& w) {
  const bool t = w.transform;
  if (t) {
    const int extra = w.n > 15 ? 18 * (w.n - 14) : 0;
    w.height = 340 + extra;
    const plat::Rect plot = plat::windowExists(PlotWindowId(w.slot)) ? plat::contentRect(PlotWindowId(w.slot)) : plat::Rect{5, 40, 680, 300};
    int top = BottomOfPlotArea + plot.top - extra;
    top = std::max<int>(40, std::min<int>(top, plat::displaySize().h - w.height - 4));
    BuildWINDOW(0, kExpressionWindow, "Numeric Expression Transforms", static_cast<int16_t>(plot.left + 5),
                static_cast<int16_t>(top), static_cast<int16_t>(plot.left + 680), static_cast<int16_t>(top + w.height),
                kKindDocument, 1);
  } else {
    const int extra = w.n > 19 ? 18 * (w.n - 19) : 0;
    w.height = 319 + extra;
    BuildWINDOW(0, kExpressionWindow, "Numeric Expression Evaluator", 200, 90, 602,
                static_cast<int16_t>(90 + w.height), kKindDocument, 1);
  }
  plat::setCurrentPort(kExpressionWindow);
  text(12, 28, "write expression here:", 28, true);
  addField(kExprField, kExample, {6, 39, t ? 335 : 397, 181}, plat::FieldKind::Editable);
  setMessage("");
  addButton(kExprCheck, "Check Expression", {5, 219, 145, 240});
  addButton(kExprHelpButton, "?", {160, 219, 190, 240});
  if (t) {
    text(360, 20, "channels for 'X' and 'Y' values:", 20, true);
    yChan = 1;
    Chan1 = w.run.x;
    TRANSCHAN("Ch. X", " Ch. Y", " channel labels", 28, 1, 350, 1);
    if (w.n < kMaxChannels) {
      const std::string title = newChannelTitle(w.n);
      AddKitButton(kExpressionWindow, kExprNewChannel, plat::ButtonKind::CheckBox, title, {60, 278, 300, 298});
    }
    if (FileSHORTS[w.slot][kShortBlockState] == 2) addButton(kExprBlockOnly, "Block Only", {60, 250, 325, 270}, plat::ButtonKind::CheckBox);
    text(9, 329, "label:");
    addField(kExprResult, RetrieveLabel(w.run.x), {65, 315, 325, 332}, plat::FieldKind::Editable, 14, true);
    addButton(kExprUndo, "Undo", {345, w.height - 29, 405, w.height - 8});
    addButton(kExprDone, "Done", {585, w.height - 29, 660, w.height - 8});
  } else {
    text(15, 270, "x:");
    addField(kExprXField, "1", {32, 258, 150, 275}, plat::FieldKind::Editable);
    text(200, 270, "y:");
    addField(kExprYField, "2.01", {222, 258, 340, 275}, plat::FieldKind::Editable);
    text(7, 299, "result:");
    addField(kExprResult, "", {65, 282, 325, 305}, plat::FieldKind::Static, 14, true);
    const int down = w.height - 319;
    addButton(kExprDone, "Done", {340, 284 + down, 395, 305 + down});
  }
  plat::focusField(kExpressionWindow, kExprField, false);
}

void check(Window& w) {
  // Field 103 is the evaluator's result but the transform's label, which the
  // user may have typed already.
  if (!w.transform) plat::setFieldText(kExpressionWindow, kExprResult, "");
  w.checked = plat::fieldText(kExpressionWindow, kExprField);
  const ParseOutcome p = ParseExpression(w.checked, "x", "y", &w.code);
  w.ok = p.status == ParseStatus::Ok;
  if (w.ok) {
    const plat::Rect r = w.transform ? plat::Rect{415, w.height - 29, 565, w.height - 8} : plat::Rect{210, 219, 360, 240};
    addButton(kExprRun, w.transform ? "Run Transform" : "Evaluate", r, plat::ButtonKind::DefaultPush);
    setMessage(" No problems found.  Expression apparently is OK.");
    return;
  }
  setMessage(ParseStatusText(p.status));
  if (w.transform) {
    if (plat::controlExists(kExpressionWindow, kExprRun)) plat::setButtonState(kExpressionWindow, kExprRun, 0);
  } else {
    plat::removeControl(kExpressionWindow, kExprRun);
  }
  plat::setFieldCaret(kExpressionWindow, kExprField, p.caret);
}

double fieldValue(int16_t id) {
  double v = 0.0;
  return ParseFieldNumber(plat::fieldText(kExpressionWindow, id), &v) ? v : 0.0;
}

void runTransform(Window& w) {
  if (w.run.toNew && nChannels[w.slot] >= kMaxChannels) {
    // The box goes at the limit; a run that still asks for a channel is refused.
    w.run.toNew = false;
    plat::removeControl(kExpressionWindow, kExprNewChannel);
    Zap();
    return;
  }
  plat::setCursor(plat::CursorKind::Watch);
  const std::string label = plat::fieldText(kExpressionWindow, kExprResult);
  int16_t target = 0;
  const bool toNew = w.run.toNew;
  // A new channel's log line is made before the channel is added: the
  // channel never stands without it.
  PendingEditLog log(w.slot);
  if (toNew) {
    log.add(ChannelLogHeading(static_cast<int16_t>(nChannels[w.slot] + 1), FitLabel(label)) +
            ExpressionLogText(w.checked, w.run.x, w.run.y));
    log.reserve();
  }
  const StoreStatus st = RunExpressionTransform(w.slot, w.code, w.run, label, &target);
  plat::setCursor(plat::CursorKind::Arrow);
  if (st == StoreStatus::OutOfMemory) {
    ShowAlert(toNew ? "Not enough memory for a new channel: the transform was not run, and nothing was written."
                    : "Not enough memory for an undo copy: the transform was not run, and nothing was written.");
    return;
  }
  if (st != StoreStatus::Ok) {
    ShowAlert(std::string("Nothing was written. ") + StoreStatusText(st));
    return;
  }
  try {
    if (toNew) log.commit();
    else LogChannelEdit(w.slot, target, ExpressionLogText(w.checked, w.run.x, w.run.y));
    skid();
    setMessage("   transform completed without errors.", true);
    if (toNew) {
      ActiveChannel = target;
      MakeChannelSelectionsPopUp();
      RebuildChannelMenu();
      if (nChannels[w.slot] >= kMaxChannels) {
        w.run.toNew = false;
        plat::removeControl(kExpressionWindow, kExprNewChannel);
      } else if (plat::controlExists(kExpressionWindow, kExprNewChannel)) {
        // The next run makes the channel after this one.
        plat::setControlTitle(kExpressionWindow, kExprNewChannel, newChannelTitle(nChannels[w.slot]));
      }
    }
    RedrawAfterEdit(toNew);
  } catch (...) {
    // The main loop's recovery takes the log line back with the window's
    // undo copy: the new channel goes with it.
    if (toNew && target == nChannels[w.slot]) DropLastChannel(w.slot);
    throw;
  }
  // The new channel stays through a later failure in this window: so does
  // its log line.
  if (toNew) RenewUndoCommentsMark(w.slot);
  plat::selectWindow(kExpressionWindow);
  plat::setCurrentPort(kExpressionWindow);
}

void runOnce(Window& w) {
  // A run uses the formula the field holds: an edit since the check is checked again.
  if (!w.ok || plat::fieldText(kExpressionWindow, kExprField) != w.checked) {
    check(w);
    if (!w.ok) return;
  }
  if (!w.transform) {
    const double r = EvaluateExpression(w.code, fieldValue(kExprXField), fieldValue(kExprYField));
    plat::setFieldText(kExpressionWindow, kExprResult, NumText(r));
    return;
  }
  runTransform(w);
}

void mark(int16_t first, int16_t count, int16_t chosen) {
  for (int16_t c = 1; c <= count; ++c)
    plat::setButtonState(kExpressionWindow, static_cast<int16_t>(first + c - 1), c == chosen ? 2 : 1);
}

void loop(Window& w) {
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kExpressionWindow)) return;
    if (a == kActionClose && id == kExpressionWindow) return;
    if (a == kActionActivate) {
      if (id == kExpressionWindow) continue;
      return;
    }
    if (EditPickPending()) return;
    if (a == kActionKey) {
      if (plat::controlExists(kExpressionWindow, kExprRun) && plat::buttonState(kExpressionWindow, kExprRun) > 0)
        runOnce(w);
      continue;
    }
    if (a != kActionClick) continue;
    if (IsDeferredToolbarClick(id)) {
      DeferToolbarClick(id);
      return;
    }
    if (w.transform && id >= 1 && id <= w.n) {
      mark(1, w.n, id);
      w.run.x = id;
      plat::setFieldText(kExpressionWindow, kExprResult, RetrieveLabel(id));
      continue;
    }
    if (w.transform && id > w.n && id <= 2 * w.n) {
      mark(static_cast<int16_t>(w.n + 1), w.n, static_cast<int16_t>(id - w.n));
      w.run.y = static_cast<int16_t>(id - w.n);
      continue;
    }
    switch (id) {
      case kExprCheck: check(w); break;
      case kExprRun: runOnce(w); break;
      case kExprBlockOnly:
        w.run.blockOnly = !w.run.blockOnly;
        plat::setButtonState(kExpressionWindow, kExprBlockOnly, w.run.blockOnly ? 2 : 1);
        break;
      case kExprNewChannel:
        w.run.toNew = !w.run.toNew;
        plat::setButtonState(kExpressionWindow, kExprNewChannel, w.run.toNew ? 2 : 1);
        break;
      case kExprHelpButton:
        plat::openHelp(HelpSubject);
        plat::selectWindow(kExpressionWindow);
        break;
      case kExprDone: return;
      case kExprUndo:
        if (!w.run.toNew && UndoAvailable(w.slot)) {
          UNDO();
          RefreshSCREEN();
          plat::selectWindow(kExpressionWindow);
        }
        break;
      default: break;
    }
    plat::setCurrentPort(kExpressionWindow);
  }
}

}  // namespace

int16_t ExpressionEvaluator(int16_t transform) {
  Window w;
  w.transform = transform != 0;
  HelpSubject = w.transform ? kExpressionTransformHelp : kEvaluatorHelp;
  const auto slot = static_cast<int16_t>(TheFileInUse);
  const bool file = ValidFileSlot(slot) && SlotHoldsFile(slot);
  if (w.transform) {
    if (!file || ActiveChannel < 1 || ActiveChannel > nChannels[slot]) return 0;
    w.run.x = ActiveChannel;
    if (MAKEBACKUP(w.run.x) != StoreStatus::Ok) {
      ShowAlert("There is not enough memory for an undo copy: nothing was changed.");
      return 0;
    }
    LastChan = w.run.x;
  }
  w.slot = file ? slot : int16_t{-1};
  w.n = file ? nChannels[slot] : int16_t{0};
  {
    EditDialogScope frame;
    build(w);
    loop(w);
    plat::disposeWindow(kExpressionWindow);
    yChan = 0;
  }
  action = 5;
  eventID = 0;
  return 0;
}
