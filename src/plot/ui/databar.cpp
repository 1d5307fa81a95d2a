#include "plot/ui/databar.h"

#include <algorithm>

#include "output/results.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/databar_text.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

int16_t avbx = plotcore::kAllValuesLeft, avby = plotcore::kAllValuesTop;
float tlev = 0;
std::function<void(int, int, bool)> gPointerOverPlotHook;

namespace {

constexpr int kPlaceWindow = 4;

bool fileReady(int16_t f) { return ValidFileSlot(f) && SlotHoldsFile(f); }

int currentPlot() {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!fileReady(f)) return 0;
  const int win = PlotWindowId(f);
  return plat::windowExists(win) ? win : 0;
}

// The info line builds the data bar with each redraw; until it has, the
// fields are made here in the same places.
void ensureDataBarField(int win, int id) {
  if (!plat::controlExists(win, id)) plat::addField(win, DataBarField(id));
}

int16_t lastTrackedX = -1;

}  // namespace

plat::FieldSpec DataBarField(int id) {
  plat::FieldSpec s;
  s.id = id;
  s.kind = plat::FieldKind::Static;
  s.framed = false;
  // Room for the descenders in the bar's 16 pixels, and for a value in
  // exponent form ("value -3.234567949e+37") at the same size.
  s.font = plat::FontSpec{"Geneva", 12, true};
  s.back = rgbyellow;
  if (id == kDataBarCase) {
    s.r = {0, 0, 146, 16};
    s.fore = kBlack;
  } else if (id == kDataBarClock) {
    s.r = {146, 0, 210, 16};
    s.fore = kDataBarClockColor;
  } else {
    s.r = {210, 0, 356, 16};
    s.fore = {65535, 0, 0};
  }
  return s;
}

void UpdateDataBar(double s, int32_t c) {
  const auto f = static_cast<int16_t>(TheFileInUse);
  const int win = currentPlot();
  if (win == 0) return;
  c = std::clamp(c, 0, nCases[f]);
  for (int id : {kDataBarCase, kDataBarClock, kDataBarValue}) ensureDataBarField(win, id);
  plat::setFieldText(win, kDataBarCase, plotcore::DataBarCaseText(s, c));
  plat::setFieldText(win, kDataBarClock, plotcore::DataBarClockText(FileInfoFLOATS[f][kInfoStartMinutes], c,
                                                                    FileInfoFLOATS[f][kInfoInterval]));
  const float v = GetDatum(f, ActiveChannel, c);
  tmFloat = v;
  if (plat::frontWindow() == win) plat::setFieldText(win, kDataBarValue, plotcore::DataBarValueText(v));
}

void SetDataBarValueText(const std::string& text) {
  const int win = currentPlot();
  if (win == 0) return;
  ensureDataBarField(win, kDataBarValue);
  plat::setFieldText(win, kDataBarValue, text);
}

void WriteAllValues(int32_t c) {
  const auto f = static_cast<int16_t>(TheFileInUse);
  const int win = currentPlot();
  if (win == 0 || !AllValues) return;
  c = std::clamp(c, 0, nCases[f]);
  for (const plotcore::AllValuesField& fld :
       plotcore::AllValuesLayout(OverlayArray[f][3], nChannels[f], ActiveChannel, avbx, avby)) {
    if (plat::controlExists(win, fld.id))
      plat::setFieldText(win, fld.id, plotcore::AllValuesText(fld.channel, GetDatum(f, fld.channel, c)));
  }
}

void TrackPointerOverPlot() {
  const int win = currentPlot();
  if (win == 0) return;
  const auto f = static_cast<int16_t>(TheFileInUse);
  const plat::Point at = plat::pointerLocal(win);
  const std::optional<int32_t> c = plotcore::PointerCase(PlotViewState(f), at, BottomOfPlotArea);
  if (!c) {
    if (gPointerOverPlotHook) gPointerOverPlotHook(win, -1, false);
    return;
  }
  // A redraw sets LastHorizPosition to 0 so that the next pass writes again.
  if (at.x == LastHorizPosition && LastHorizPosition == lastTrackedX) return;
  const bool redrawn = LastHorizPosition == 0;
  LastHorizPosition = static_cast<int16_t>(at.x);
  lastTrackedX = LastHorizPosition;
  UpdateDataBar(static_cast<double>(*c) * FileInfoFLOATS[f][kInfoInterval], *c);
  if (AllValues) WriteAllValues(*c);
  if (gPointerOverPlotHook) gPointerOverPlotHook(win, at.x, redrawn);
}

void PlaceALLVALUES() {
  tlev = 0;
  avbx = plotcore::kAllValuesLeft;
  avby = plotcore::kAllValuesTop;
  plat::disposeWindow(kPlaceWindow);
  const int plot = currentPlot();
  if (plot == 0) return;
  const int x = plat::contentRect(plot).left;
  const int keepPort = plat::currentPortWindow();

  BuildWINDOW(0, kPlaceWindow, "Channel Values", static_cast<int16_t>(x + 60), 105, static_cast<int16_t>(x + 300), 187,
              kKindDocument, 1);
  plat::Port& p = plat::port(kPlaceWindow);
  p.setForeColor(LightGray);
  p.fillRect({0, 0, 250, 100});
  AddKitButton(kPlaceWindow, kPlaceStandardButton, plat::ButtonKind::DefaultPush, "Standard Placement",
               {20, 10, 210, 30});
  AddKitButton(kPlaceWindow, kPlaceMouseButton, plat::ButtonKind::Push, "Place With Mouse", {20, 45, 210, 65});
  plat::flushWindow(kPlaceWindow);

  bool byMouse = false;
  {
    DialogScope dialog;
    for (;;) {
      plat::pump();
      if (action == kActionClick && eventID == kPlaceStandardButton) break;
      if (action == kActionClick && eventID == kPlaceMouseButton) {
        byMouse = true;
        break;
      }
      if (action == kActionClose || (action == kActionActivate && eventID != kPlaceWindow)) break;
      if (!plat::windowExists(kPlaceWindow)) break;
      ClearMailbox();
    }
  }
  if (byMouse) {
    plat::disposeWindow(kPlaceWindow);
    plat::setCurrentPort(plot);
    if (SoundsAllowed()) PlayNamedSound("brrrp");
    plat::Port& pp = plat::port(plot);
    const auto f = static_cast<int16_t>(TheFileInUse);
    const int width = plat::contentSize(plot).w;
    // The press is an event: taken even between two looks at the pointer,
    // and it places the column without reaching the plot as a click. The
    // close box or Escape keeps the standard place.
    HandlerScope keep;
    InstallDialogHandlers();
    plat::handlers().mouse = [plot](const plat::Event& e) {
      if (e.window == plot) DoMouse(e);
    };
    ClearMailbox();
    for (;;) {
      const bool busy = plat::pump();
      const int16_t a = action, id = eventID;
      ClearMailbox();
      if (a == kActionClose) break;
      if (a == kActionMouse && id == 1) {
        const plat::Point o = plotcore::PlacementOrigin({HorizPosition, VerticalPosition});
        avbx = static_cast<int16_t>(o.x);
        avby = static_cast<int16_t>(o.y);
        break;
      }
      if (busy) continue;   // the frame follows the pointer on idle passes
      const plat::Point at = plat::pointerLocal(plot);
      if (plotcore::PlacementInside(at, width, BottomOfPlotArea)) {
        const plat::Rect frame = plotcore::PlacementFrame(at, nChannels[f]);
        pp.resetPen();
        pp.setPenMode(plat::PenMode::Xor);
        pp.strokeRect(frame);
        plat::flushWindow(plot);
        plat::setCursor(plat::CursorKind::Cross);
        tlev = static_cast<float>(at.y);
        pp.strokeRect(frame);
      } else {
        plat::setCursor(plat::CursorKind::Arrow);
      }
    }
    pp.resetPen();
    plat::setCursor(plat::CursorKind::Arrow);
  } else if (keepPort != 0 && plat::windowExists(keepPort)) {
    plat::setCurrentPort(keepPort);
  }
  plat::disposeWindow(kPlaceWindow);
}

void DoALLVALUES(uint16_t place) {
  // Only the placement dialog's close box cancels; a close left in the
  // mailbox by someone else must not switch the display off at a redraw.
  if (place != 0) PlaceALLVALUES();
  if (place != 0 && action == kActionClose) {
    AllValues = 0;
    ClearMailbox();
    return;
  }
  const int win = currentPlot();
  if (win == 0) return;
  const auto f = static_cast<int16_t>(TheFileInUse);
  CloseValFields();
  for (const plotcore::AllValuesField& fld :
       plotcore::AllValuesLayout(OverlayArray[f][3], nChannels[f], ActiveChannel, avbx, avby)) {
    plat::FieldSpec s;
    s.id = fld.id;
    s.r = fld.r;
    s.kind = plat::FieldKind::EditablePlain;
    s.framed = true;
    s.font = plat::FontSpec{"application", 9};
    s.back = rgbyellow;
    plat::addField(win, s);
  }
  plat::clearFieldFocus(win);
  plat::setCurrentPort(win);
}

void CloseValFields() {
  const int win = currentPlot();
  if (win == 0) return;
  const auto f = static_cast<int16_t>(TheFileInUse);
  for (int c = 1; c <= nChannels[f]; ++c) plat::removeControl(win, kAllValuesFieldBase + c);
}

void ToggleAllValues() {
  if (currentPlot() == 0) return;
  if (AllValues) {
    AllValues = 0;
    CloseValFields();
    RefreshSCREEN();
  } else {
    SetUpAllValuesDisplay();
    AllValues = 1;
    ClearMailbox();
    DoALLVALUES(1);
  }
  SETMENU(1);
}
