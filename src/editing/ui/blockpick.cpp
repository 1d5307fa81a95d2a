#include "editing/ui/blockpick.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "editing/baseline.h"
#include "editing/editstep.h"
#include "editing/zeroblock.h"
#include "editing/ui/zeroblock.h"
#include "shell/ui/recorder.h"
#include "output/scaling.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/geometry.h"
#include "plot/selection.h"
#include "plot/ui/databar.h"
#include "plot/ui/draw.h"
#include "plot/ui/mouse.h"
#include "plot/ui/paging.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

int16_t BASELINE = 0;

int16_t NpointsInBaselineBlock = 3;
float blockvalue = 0.0f;

namespace {

constexpr int kPrefPickerWord = 28;   // kept clear while a picker runs
constexpr int kBoxTop = 19;

// A press in the plot window, noted by the handler and taken by the loop.
struct Press {
  bool pending = false;
  int x = 0;
};
Press gPress;
bool gBlocks = false;   // a block picker runs, not the point picker
// The block-setting dialog's button or Return that ended the picking, for
// the dialog to act on: the event is spent once the picker has taken it.
MailboxEvent gSetAnswer{0, 0};
// The last picking ended because the user brought another file's plot
// forward: the dialog that asked for the pick ends too.
bool gLeftForAnotherPlot = false;

void pickMouse(const plat::Event& e) {
  HorizPosition = static_cast<int16_t>(e.local.x);
  VerticalPosition = static_cast<int16_t>(e.local.y);
  if (e.kind != plat::EventKind::MouseDown) return;
  if (SlotOfPlotWindow(e.window) != static_cast<int16_t>(TheFileInUse)) return;
  // A dragged block is the plot's own selection, tracked while the button
  // is held; the point modes take the press alone.
  if (gBlocks && prefsArray[kPrefCursorPick] == kPickBlock) HandleMOUSE();
  else gPress = {true, e.local.x};
}

// What every picker sets up and puts back.
class PickScope {
 public:
  explicit PickScope(bool blocks) : word28_(prefsArray[kPrefPickerWord]), analysis_(Analysis_Code) {
    prefsArray[kPrefPickerWord] = 0;
    // A completed block must not start the current analysis mid-pick.
    Analysis_Code = 0;
    auto& h = plat::handlers();
    h.menu = noMENU;
    h.dialog = DoDIALOG;
    h.editKey = CHECKRETURN;
    h.mouse = pickMouse;
    gPress = {};
    gBlocks = blocks;
    PlotDialogMode = kPickModePicking;
  }
  ~PickScope() {
    plat::currentPort().resetPen();
    plat::setCursor(plat::CursorKind::Arrow);
    prefsArray[kPrefPickerWord] = word28_;
    Analysis_Code = analysis_;
    PlotDialogMode = 0;
    gPress = {};
    gBlocks = false;
  }
  PickScope(const PickScope&) = delete;
  PickScope& operator=(const PickScope&) = delete;

 private:
  HandlerScope handlers_;
  int16_t word28_;
  int16_t analysis_;
};

// The "Use 1 ±" box under the pointer: XOR, so drawn again to erase.
struct Box {
  bool shown = false;
  plat::Rect r;
  int16_t segment = 0;
};

void flipBox(int win, Box& b) {
  if (!b.shown || !plat::windowExists(win)) return;
  plat::setCurrentPort(win);
  plat::currentPort().invertRect(b.r);
  b.shown = false;
}

int32_t caseAt(int16_t f, int x) {
  return std::clamp<int32_t>(plotcore::CaseAtPixel(PlotViewState(f), x), 0, nCases[f]);
}

bool insidePlot(plat::Point p, int width) {
  return p.y > kBoxTop && p.y < BottomOfPlotArea && p.x > 0 && p.x <= width;
}

// Follows the pointer: cursor, data bar and, in "Use 1 ±", the box.
int32_t trackPointer(int16_t f, int win, Box* box) {
  const plat::Point p = plat::pointerLocal(win);
  const int width = plat::contentSize(win).w;
  if (!insidePlot(p, width)) {
    plat::setCursor(plat::CursorKind::Arrow);
    if (box) flipBox(win, *box);
    return -1;
  }
  plat::setCursor(plat::CursorKind::Cross);
  const int32_t c = caseAt(f, p.x);
  UpdateDataBar(static_cast<float>(c) * FileInfoFLOATS[f][kInfoInterval], std::min(c, nCases[f]));
  if (box && prefsArray[kPrefCursorPick] == kPickPlusMinus) {
    double wide = 2.0 * ABu + 1.0;
    if (FileSHORTS[f][kShortCompressed] != 0 && nCases[f] > 0)
      wide = std::max(2.0, std::trunc(static_cast<double>(ABu) * width / nCases[f] + 1.0));
    const int w = static_cast<int>(std::clamp(wide, 1.0, 2.0 * width + 2.0));
    const plat::Rect r{p.x - w / 2, kBoxTop, p.x - w / 2 + w, BottomOfPlotArea - 6};
    if (box->segment != FileSHORTS[f][kShortSegment]) box->shown = false;   // a redraw wiped it
    flipBox(win, *box);
    plat::setCurrentPort(win);
    plat::currentPort().invertRect(r);
    *box = {true, r, FileSHORTS[f][kShortSegment]};
  }
  return c;
}

// A press taken in the point modes: a one-case block, or the case and its
// neighbours, at once.
void pointBlock(int16_t f, int x) {
  const int32_t c = caseAt(f, x);
  CaseSpan s{c, c};
  if (prefsArray[kPrefCursorPick] == kPickPlusMinus) s = PlusMinusSpan(c, NpointsInBaselineBlock, nCases[f]);
  BeginBlock[f] = s.first;
  EndBlock[f] = s.last;
  const plotcore::ViewState v = PlotViewState(f);
  FileSHORTS[f][kShortBlockLeftPx] = static_cast<int16_t>(std::clamp<int32_t>(plotcore::BlockEdgePixel(v, s.first), -32768, 32767));
  FileSHORTS[f][kShortBlockRightPx] = static_cast<int16_t>(std::clamp<int32_t>(plotcore::BlockEdgePixel(v, s.last), -32768, 32767));
  FileSHORTS[f][kShortBlockState] = 2;
  chanB = static_cast<uint16_t>(std::max<int16_t>(0, ActiveChannel));
  if (gPlotHooks.drawBlock) gPlotHooks.drawBlock();
}

void toggleCompressed(int16_t f, int win) {
  FileSHORTS[f][kShortCompressed] = FileSHORTS[f][kShortCompressed] != 0 ? 0 : 1;
  plat::setCurrentPort(win);
  DrawPlot(0, 0, 0);
  for (int16_t id : {kPickDoneButton, kPickCancelButton})
    if (plat::controlExists(win, id)) plat::setButtonState(win, id, 1);
}

bool frontFile(int16_t* f) {
  const auto s = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(s) || !SlotHoldsFile(s) || !plat::windowExists(PlotWindowId(s))) return false;
  *f = s;
  return true;
}

}  // namespace

bool PickBlock(int16_t allowToggle) {
  gLeftForAnotherPlot = false;
  int16_t f;
  if (!frontFile(&f)) {
    BaseLineButton = kPickDoneButton;
    return false;
  }
  const int win = PlotWindowId(f);
  // No block and no first edge: a plain click starts a new block rather
  // than closing one begun before.
  FileSHORTS[f][kShortBlockState] = 0;
  PickScope scope(true);
  Box box;
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(win) || QuitRequested()) {
      BaseLineButton = kPickDoneButton;
      break;
    }
    if (a == kActionActivate && id == kBlockSetWindow) BaseLineButton = kPickDoneButton;
    // Another file's plot brought forward ends the picking: no pick there
    // joins this file's. Change Blocks… counts it as "Change Block(s)", as
    // it would once the picking is done; that file is the one in use
    // afterwards.
    if (AnotherPlotInFront(a, id, f)) {
      if (plat::windowExists(kBlockSetWindow)) gSetAnswer = {kActionActivate, 0};
      gLeftForAnotherPlot = true;
      BaseLineButton = kPickDoneButton;
    }
    // The block-setting dialog's buttons and Return answer whichever window
    // was active: a window manager gives the dialog the focus as it opens, so
    // no activation of it may ever come.
    if (plat::windowExists(kBlockSetWindow) &&
        ((a == kActionClick && eventWindow == kBlockSetWindow && (id == kBlockSetChange || id == kBlockSetCancel)) ||
         (a == kActionKey && (id == 13 || id == 3)))) {
      gSetAnswer = {a, id};
      BaseLineButton = kPickDoneButton;
    }
    if (a == kActionClick && id > 130) BaseLineButton = id;
    // The close box or Escape of the dialog behind the picker cancels it.
    if (a == kActionClose) BaseLineButton = kPickCancelButton;
    if (allowToggle != 0 && a == kActionKey && (id == 13 || id == 32)) toggleCompressed(f, win);
    trackPointer(f, win, &box);
    if (gPress.pending) {
      flipBox(win, box);
      const int x = gPress.x;
      gPress = {};
      pointBlock(f, x);
    }
    if (FileSHORTS[f][kShortBlockState] == 2 || BaseLineButton > 130) break;
    if (a == kActionKey && (id == 28 || id == 29)) {
      flipBox(win, box);
      PlotDialogMode = 2;
      PageStep(id == 28 ? -1 : 1);
      PlotDialogMode = kPickModePicking;
    }
  }
  flipBox(win, box);
  return FileSHORTS[f][kShortBlockState] == 2 && BaseLineButton <= 130;
}

int16_t GETBLOCKS(int16_t allowToggle) {
  PickBlock(allowToggle);
  return 0;
}

bool PickPoint() {
  gLeftForAnotherPlot = false;
  int16_t f;
  if (!frontFile(&f)) return false;
  const int win = PlotWindowId(f);
  FileSHORTS[f][kShortBlockState] = 0;
  PickScope scope(false);
  plat::flushInput();
  BeginBlock[f] = 0;
  int32_t seen = 0;
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(win) || QuitRequested()) return false;
    if (a == kActionClick && id > 130) {
      BaseLineButton = id;
      return false;
    }
    if (a == kActionClose) {
      BaseLineButton = kPickCancelButton;
      return false;
    }
    if (AnotherPlotInFront(a, id, f)) {
      gLeftForAnotherPlot = true;
      return false;
    }
    const int32_t c = trackPointer(f, win, nullptr);
    if (c >= 0) seen = std::min(c, nCases[f]);
    if (gPress.pending) {
      // A click outside the plot uses the case last seen inside it.
      const plat::Point p = plat::pointerLocal(win);
      if (insidePlot(p, plat::contentSize(win).w)) seen = caseAt(f, gPress.x);
      gPress = {};
      BeginBlock[f] = seen;
    }
    if (BeginBlock[f] >= 1 && BeginBlock[f] < nCases[f]) return true;
  }
}

bool AnotherPlotInFront(int16_t action, int16_t id, int16_t slot) {
  if (action == kActionActivate && id != PlotWindowId(slot) && SlotOfPlotWindow(id) >= 0) return true;
  // An activation taken while a notice flashed, or flushed, still counts.
  const int16_t front = FrontPlotSlot();
  return front >= 0 && front != slot;
}

bool PickLeftForAnotherPlot() { return gLeftForAnotherPlot; }

int16_t GETPoint() {
  PickPoint();
  return 0;
}

// ---- Setting blocks ---------------------------------------------------------

namespace {

void buildSetWindow(int16_t channel) {
  const int16_t bottom = BottomOfPlotArea;
  BuildWINDOW(1, kBlockSetWindow, "Set Blocks (Channel" + NumText(channel) + ") ", 39,
              static_cast<int16_t>(bottom + 145), 281, static_cast<int16_t>(bottom + 275), kKindDocument, 1);
  putCICON(129, 15, 120);
  plat::FieldSpec fs;
  fs.id = kBlockSetValueField;
  fs.text = FieldNumText(blockvalue);
  fs.r = {154, 14, 234, 32};
  plat::addField(kBlockSetWindow, fs);
  plat::Port& p = plat::port(kBlockSetWindow);
  p.setForeColor(kBlack);
  p.moveTo(5, 27);
  p.drawText("change block values to:");
  AddKitButton(kBlockSetWindow, kBlockSetCancel, plat::ButtonKind::Push, "Cancel", {110, 62, 210, 82});
  AddKitButton(kBlockSetWindow, kBlockSetChange, plat::ButtonKind::DefaultPush, "Change Block(s) ",
               {80, 100, 220, 120});
  plat::focusField(kBlockSetWindow, kBlockSetValueField, true);
}

float setFieldValue() {
  double v = 0.0;
  return ParseFieldNumber(plat::fieldText(kBlockSetWindow, kBlockSetValueField), &v) ? static_cast<float>(v) : 0.0f;
}

// Sets every collected block; one undo copy for all. False when nothing
// could be kept to undo.
bool setBlocks(int16_t f, int16_t channel, const std::vector<CaseSpan>& blocks, float v) {
  const StoreStatus backup = MAKEBACKUP(channel);
  if (backup != StoreStatus::Ok) {
    ShowAlert(std::string("No block was changed: no undo copy could be kept. ") + StoreStatusText(backup));
    return false;
  }
  LastChan = channel;
  FileSHORTS[f][kShortChanged] = 1;
  float* d = ChannelData(f, channel);
  for (const CaseSpan& s : blocks) {
    ZeroBlockCases(d, nCases[f], s.first, s.last, v);
    LogChannelEdit(f, channel, BlockSetLogText(s.first, s.last, v));
  }
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(f, channel);
  return true;
}

}  // namespace

int16_t BLOCKSET() {
  int16_t f;
  if (!frontFile(&f)) return 0;
  const int16_t channel = ActiveChannel;
  if (channel < 1 || channel > nChannels[f]) return 0;
  ClearMailbox();
  BaseLineButton = 0;
  HandlerScope handlers;
  buildSetWindow(channel);
  HideTheToolBar();
  const int win = PlotWindowId(f);
  plat::setCurrentPort(win);

  std::vector<CaseSpan> blocks;
  const bool hadBlock = FileSHORTS[f][kShortBlockState] == 2;
  const CaseSpan earlier{BeginBlock[f], EndBlock[f]};
  // The picks clear the block on the way.
  const KeepBlockOnFailure blockBack(f);
  if (hadBlock) blocks.push_back(earlier);
  BASELINE = 2;
  gSetAnswer = {0, 0};
  bool refused = false;
  while (BaseLineButton != kPickDoneButton && plat::windowExists(kBlockSetWindow)) {
    BaseLineButton = 0;
    const bool picked = PickBlock(0);
    if (BaseLineButton == kPickCancelButton) {
      // Nothing changes: the block the file had comes back.
      blocks.clear();
      if (hadBlock) {
        BeginBlock[f] = earlier.first;
        EndBlock[f] = earlier.last;
        FileSHORTS[f][kShortBlockState] = 2;
      }
      break;
    }
    if (!picked) continue;
    if (EndBlock[f] > nCases[f] || BeginBlock[f] < 0) continue;
    if (static_cast<int32_t>(blocks.size()) >= kMaxBaselineRows) {
      if (!refused) {
        Zap();
        ShowAlert("No more than 32,301 blocks can be changed at once.");
        refused = true;
      }
      continue;
    }
    Tick();
    blocks.push_back({BeginBlock[f], EndBlock[f]});
  }
  MailboxEvent answer = std::exchange(gSetAnswer, MailboxEvent{0, 0});
  wsst();
  HideTheToolBar();
  BASELINE = 0;
  BaseLineButton = 0;
  InstallDialogHandlers();
  ClearMailbox();

  if (blocks.empty()) {
    RefreshSCREEN();
  } else if (plat::windowExists(kBlockSetWindow)) {
    plat::setCurrentPort(kBlockSetWindow);
    bool cancelled = false;
    for (;;) {
      const auto [a, id] = answer.action != 0 ? std::exchange(answer, MailboxEvent{0, 0}) : TakeEvent();
      if (!plat::windowExists(kBlockSetWindow)) break;
      if (a == kActionClose && id == kBlockSetWindow) {
        if (!cancelled) {
          RefreshSCREEN();
          if (gPlotHooks.drawBlock) gPlotHooks.drawBlock();
        }
        break;
      }
      const bool change = a == kActionKey || (a == kActionActivate && id != kBlockSetWindow) ||
                          (a == kActionClick && id == kBlockSetChange);
      if (a == kActionClick && id == kBlockSetCancel) {
        FileSHORTS[f][kShortBlockState] = 0;
        RefreshSCREEN();
        cancelled = true;
        break;
      }
      if (!change) continue;
      ChangedChan = channel;
      const float v = setFieldValue();
      if (setBlocks(f, channel, blocks, v)) {
        // One step per block: a replay asks for each block as it was picked.
        for (const CaseSpan& s : blocks) {
          float step[kStepFields];
          BlockSetToStep(kBlockSetByPicker, v, channel, step);
          const int16_t row = RecordScriptStep(step);
          if (row == 0) break;
          MarkBlockEdit(row, s.first, s.last, true);
        }
        if (hadBlock && earlier.last >= 1) {
          BeginBlock[f] = earlier.first;
          EndBlock[f] = earlier.last;
          FileSHORTS[f][kShortBlockState] = 2;
        } else {
          FileSHORTS[f][kShortBlockState] = 0;
        }
        if (FileSHORTS[f][kShortView] != 0) RefreshSCREEN();
        plat::setCurrentPort(win);
        RefreshSCREEN();
        UpdateSCREEN(0, 0);
      }
      if (prefsArray[kPrefSoundLevel] > 25) downvip();
      blockvalue = v;
      break;
    }
  }
  plat::disposeWindow(kBlockSetWindow);
  RestoreTheToolBar();
  ClearMailbox();
  return 0;
}
